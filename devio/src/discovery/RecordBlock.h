// One allocation holding an array of records and the strings they point to,
// so that a caller frees everything with one ReleasePointer.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace vornik::devio {

template <typename Record>
class RecordBlock {
public:
    // Reserves room for count records and the given strings (all of them, for all records).
    RecordBlock(std::size_t count, const std::vector<std::string>& strings) {
        std::size_t bytes = count * sizeof(Record);
        for (const auto& s : strings) bytes += s.size() + 1;
        m_base = static_cast<char*>(std::calloc(1, bytes ? bytes : 1));
        m_next = m_base ? m_base + count * sizeof(Record) : nullptr;
    }
    bool ok() const { return m_base != nullptr; }
    Record* records() { return reinterpret_cast<Record*>(m_base); }
    // Copies s into the block; the copy lives as long as the block.
    char* store(const std::string& s) {
        char* p = m_next;
        std::memcpy(p, s.c_str(), s.size() + 1);
        m_next += s.size() + 1;
        return p;
    }
    // Hands the block to the caller.
    Record* release() {
        Record* r = records();
        m_base = nullptr;
        return r;
    }
    ~RecordBlock() { std::free(m_base); }
    RecordBlock(const RecordBlock&) = delete;
    RecordBlock& operator=(const RecordBlock&) = delete;

private:
    char* m_base = nullptr;
    char* m_next = nullptr;
};

}  // namespace vornik::devio

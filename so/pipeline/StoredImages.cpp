#include "StoredImages.h"

#include "Cmd.h"

#include <cstring>
#include <mutex>
#include <new>

namespace vornik::so {

BitmapEntry g_storedBitmaps[kStoredBitmapCount];
BitmapEntry g_logos[kLogoCount];
std::atomic<int> g_topLogoRequested{0};
std::atomic<int> g_bottomLogoRequested{0};

namespace {
std::mutex g_tablesLock;

void release(BitmapEntry& e) {
    delete[] e.bytes;
    e.bytes = nullptr;
    e.length = 0;
}
}  // namespace

int StoreBitmapEntry(BitmapEntry* table, int index, const Cmd& cmd) {
    if (!table || index < 0) return 1;
    const int n = cmd.Length();
    auto* copy = n > 0 ? new (std::nothrow) unsigned char[static_cast<std::size_t>(n)] : nullptr;
    if (copy) std::memcpy(copy, cmd.Data(), static_cast<std::size_t>(n));
    std::lock_guard<std::mutex> g(g_tablesLock);
    BitmapEntry& e = table[index];
    release(e);
    if (!copy) return 1;
    e.bytes = copy;
    e.length = n;
    return 0;
}

void FreeBitmapEntries(BitmapEntry* table, int count) {
    if (!table) return;
    std::lock_guard<std::mutex> g(g_tablesLock);
    for (int i = 0; i < count; ++i) release(table[i]);
}

bool CopyBitmapEntry(const BitmapEntry* table, int index, std::vector<std::uint8_t>& out) {
    std::lock_guard<std::mutex> g(g_tablesLock);
    if (!table || index < 0 || !table[index].present()) return false;
    out.assign(table[index].bytes, table[index].bytes + table[index].length);
    return true;
}

}  // namespace vornik::so

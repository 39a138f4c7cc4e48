#include "Registry.h"

#include "CodePages.h"

#include <sqlite3.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <mutex>
#include <thread>
#include <optional>

namespace vornik::platform {

struct RegKey {
    std::int64_t id;
    bool root;
};

namespace {

RegKey g_classesRoot{1, true};
RegKey g_localMachine{2, true};

constexpr std::size_t kMaxNameChars = 255;
constexpr int kBusyTimeoutMs = 10000;
const char kDefaultPath[] = "/var/lib/vornik/registry.db";

std::string fold(const std::string& utf8) {
    std::string f = utf8;
    for (char& c : f)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return f;
}

// One prepared statement, reset and finalised with the scope.
class Stmt {
public:
    Stmt(sqlite3* db, const char* sql) { m_ok = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) == SQLITE_OK; }
    ~Stmt() { sqlite3_finalize(m_stmt); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    bool ok() const { return m_ok; }
    Stmt& bind(int i, std::int64_t v) {
        sqlite3_bind_int64(m_stmt, i, v);
        return *this;
    }
    Stmt& bind(int i, const std::string& s) {
        sqlite3_bind_text(m_stmt, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& bindBlob(int i, const std::string& s) {
        sqlite3_bind_blob(m_stmt, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return *this;
    }
    int step() { return sqlite3_step(m_stmt); }
    std::int64_t int64(int col) { return sqlite3_column_int64(m_stmt, col); }
    std::string text(int col) {
        const void* p = sqlite3_column_blob(m_stmt, col);
        int n = sqlite3_column_bytes(m_stmt, col);
        return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    bool m_ok = false;
};

class Store {
public:
    std::mutex lock;

    // The open database, or null when it cannot be opened. Call under lock.
    sqlite3* db() {
        if (m_db) return m_db;
        std::string path = currentPath();
        makeParentDirectory(path);
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                            nullptr) != SQLITE_OK) {
            sqlite3_close(m_db);
            m_db = nullptr;
            return nullptr;
        }
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        // Switching to WAL can report "busy" without waiting while another
        // process is creating the same file: retry within the busy time-out.
        if (!execWithRetry("PRAGMA journal_mode=WAL") ||
            !execWithRetry(
                "BEGIN IMMEDIATE;"
                "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name TEXT NOT NULL,"
                " fold TEXT NOT NULL, UNIQUE(parent, fold));"
                "CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL, name TEXT NOT NULL, fold TEXT NOT NULL,"
                " type INTEGER NOT NULL, data BLOB NOT NULL, nul INTEGER NOT NULL, PRIMARY KEY(key, fold));"
                "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES"
                " (1, 0, 'HKEY_CLASSES_ROOT', 'hkey_classes_root'), (2, 0, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine');"
                "COMMIT;")) {
            sqlite3_close(m_db);
            m_db = nullptr;
        }
        return m_db;
    }

    // Runs sql; a busy or locked database is retried (after a rollback) until
    // the busy time-out has passed.
    bool execWithRetry(const char* sql) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
        for (;;) {
            const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK) return true;
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            if ((rc & 0xFF) != SQLITE_BUSY && (rc & 0xFF) != SQLITE_LOCKED) return false;
            if (std::chrono::steady_clock::now() >= end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    void setPath(const std::string& path) {
        std::lock_guard<std::mutex> g(lock);
        if (m_db) sqlite3_close(m_db);
        m_db = nullptr;
        m_path = path;
    }

    std::string currentPath() const {
        if (!m_path.empty()) return m_path;
        if (const char* env = std::getenv("VORNIK_REGISTRY"); env && *env) return env;
        return kDefaultPath;
    }

private:
    static void makeParentDirectory(const std::string& path) {
        auto slash = path.rfind('/');
        if (slash == std::string::npos || slash == 0) return;
        std::string dir = path.substr(0, slash);
        for (std::size_t i = 1; i <= dir.size(); ++i)
            if (i == dir.size() || dir[i] == '/') ::mkdir(dir.substr(0, i).c_str(), 0755);
    }

    sqlite3* m_db = nullptr;
    std::string m_path;
};

Store& store() {
    static Store s;
    return s;
}

// A transaction that rolls back unless committed.
class Transaction {
public:
    Transaction(sqlite3* db, bool write) : m_db(db) {
        m_ok = sqlite3_exec(db, write ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Transaction() {
        if (m_ok && !m_done) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    bool ok() const { return m_ok; }
    bool commit() {
        m_done = true;
        return sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    }

private:
    sqlite3* m_db;
    bool m_ok;
    bool m_done = false;
};

// Splits "A\B\C\" into components; nullopt for a leading backslash, an empty
// component in the middle or a component longer than 255 characters.
std::optional<std::vector<std::string>> splitPath(std::u16string_view path) {
    std::vector<std::string> parts;
    if (path.empty()) return parts;
    if (path.front() == u'\\') return std::nullopt;
    if (path.back() == u'\\') path.remove_suffix(1);
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos) end = path.size();
        std::u16string_view part = path.substr(start, end - start);
        if (part.empty() || part.size() > kMaxNameChars) return std::nullopt;
        parts.push_back(utf16ToUtf8(part));
        start = end + 1;
    }
    return parts;
}

bool keyExists(sqlite3* db, std::int64_t id) {
    Stmt s(db, "SELECT 1 FROM keys WHERE id = ?");
    return s.ok() && s.bind(1, id).step() == SQLITE_ROW;
}

std::optional<std::int64_t> childId(sqlite3* db, std::int64_t parent, const std::string& name) {
    Stmt s(db, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
    if (s.ok() && s.bind(1, parent).bind(2, fold(name)).step() == SQLITE_ROW) return s.int64(0);
    return std::nullopt;
}

// Runs fn(db) for an operation on an open key: under the store's lock, in one
// transaction (committed when fn succeeds and write is set), after checking
// that the key still exists.
template <typename Fn>
LONG withKey(HKEY key, bool write, Fn fn) {
    if (!key) return ERROR_INVALID_HANDLE;
    Store& st = store();
    std::lock_guard<std::mutex> g(st.lock);
    sqlite3* db = st.db();
    if (!db) return ERROR_CANTOPEN;
    Transaction tx(db, write);
    if (write && !tx.ok()) return ERROR_CANTWRITE;
    if (!keyExists(db, key->id)) return ERROR_KEY_DELETED;
    const LONG rc = fn(db);
    if (write && rc == ERROR_SUCCESS && !tx.commit()) return ERROR_CANTWRITE;
    return rc;
}

LONG openOrCreate(HKEY parent, std::u16string_view subKey, HKEY* result, DWORD* disposition, bool create) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!parent) return ERROR_INVALID_HANDLE;
    const auto parts = splitPath(subKey);
    if (!parts) return ERROR_INVALID_PARAMETER;
    std::int64_t id = parent->id;
    bool created = false;
    const LONG rc = withKey(parent, create, [&](sqlite3* db) -> LONG {
        for (const auto& part : *parts) {
            if (auto child = childId(db, id, part)) {
                id = *child;
                continue;
            }
            if (!create) return ERROR_FILE_NOT_FOUND;
            Stmt ins(db, "INSERT INTO keys(parent, name, fold) VALUES (?, ?, ?)");
            if (!ins.ok() || ins.bind(1, id).bind(2, part).bind(3, fold(part)).step() != SQLITE_DONE)
                return ERROR_CANTWRITE;
            id = sqlite3_last_insert_rowid(db);
            created = true;
        }
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
    *result = new RegKey{id, false};
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

struct StoredValue {
    DWORD type;
    std::string data;  // REG_SZ: UTF-8 text without its NUL; else the raw bytes
    bool nul;
};

// Bytes of a stored value in the form a caller asks for.
std::string presented(const StoredValue& v, bool wide) {
    if (v.type != REG_SZ && v.type != REG_EXPAND_SZ) return v.data;
    std::string out;
    if (wide) {
        std::u16string text = utf8ToUtf16(v.data);
        if (v.nul) text.push_back(u'\0');
        out.resize(text.size() * 2);
        for (std::size_t i = 0; i < text.size(); ++i) {
            out[2 * i] = static_cast<char>(text[i] & 0xFF);
            out[2 * i + 1] = static_cast<char>(text[i] >> 8);
        }
    } else {
        out = utf16ToAnsi(utf8ToUtf16(v.data));
        if (v.nul) out.push_back('\0');
    }
    return out;
}

// The stored form of bytes written by a caller.
StoredValue stored(DWORD type, const void* data, DWORD size, bool wide) {
    StoredValue v{type, {}, false};
    const char* bytes = static_cast<const char*>(data);
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        v.data.assign(bytes, size);
        return v;
    }
    if (wide) {
        std::u16string text(size / 2, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                            (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
        if (!text.empty() && text.back() == u'\0') {
            v.nul = true;
            text.pop_back();
        }
        v.data = utf16ToUtf8(text);
    } else {
        std::string text(bytes, size);
        if (!text.empty() && text.back() == '\0') {
            v.nul = true;
            text.pop_back();
        }
        v.data = utf16ToUtf8(ansiToUtf16(text));
    }
    return v;
}

LONG queryValue(HKEY key, const std::string& name, DWORD* type, void* data, DWORD* size, bool wide) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    return withKey(key, false, [&](sqlite3* db) -> LONG {
        Stmt s(db, "SELECT type, data, nul FROM vals WHERE key = ? AND fold = ?");
        if (!s.ok() || s.bind(1, key->id).bind(2, fold(name)).step() != SQLITE_ROW) return ERROR_FILE_NOT_FOUND;
        StoredValue v{static_cast<DWORD>(s.int64(0)), s.text(1), s.int64(2) != 0};
        const std::string bytes = presented(v, wide);
        if (type) *type = v.type;
        if (!size) return ERROR_SUCCESS;
        const DWORD needed = static_cast<DWORD>(bytes.size());
        if (data && *size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (data) std::memcpy(data, bytes.data(), bytes.size());
        *size = needed;
        return ERROR_SUCCESS;
    });
}

LONG setValue(HKEY key, const std::string& name, DWORD type, const void* data, DWORD size, bool wide) {
    if (!data && size > 0) return ERROR_INVALID_PARAMETER;
    const StoredValue v = stored(type, data ? data : "", data ? size : 0, wide);
    return withKey(key, true, [&](sqlite3* db) -> LONG {
        Stmt s(db, "INSERT OR REPLACE INTO vals(key, name, fold, type, data, nul) VALUES (?, ?, ?, ?, ?, ?)");
        const bool done = s.ok() && s.bind(1, key->id).bind(2, name).bind(3, fold(name)).bind(4, v.type)
                                        .bindBlob(5, v.data).bind(6, v.nul ? 1 : 0).step() == SQLITE_DONE;
        return done ? ERROR_SUCCESS : ERROR_CANTWRITE;
    });
}

LONG deleteValue(HKEY key, const std::string& name) {
    return withKey(key, true, [&](sqlite3* db) -> LONG {
        Stmt s(db, "DELETE FROM vals WHERE key = ? AND fold = ?");
        if (!s.ok() || s.bind(1, key->id).bind(2, fold(name)).step() != SQLITE_DONE) return ERROR_CANTWRITE;
        return sqlite3_changes(db) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    });
}

LONG enumKey(HKEY key, DWORD index, std::string* name) {
    if (!name) return ERROR_INVALID_PARAMETER;
    return withKey(key, false, [&](sqlite3* db) -> LONG {
        Stmt s(db, "SELECT name FROM keys WHERE parent = ? ORDER BY fold LIMIT 1 OFFSET ?");
        if (!s.ok() || s.bind(1, key->id).bind(2, index).step() != SQLITE_ROW) return ERROR_NO_MORE_ITEMS;
        *name = s.text(0);
        return ERROR_SUCCESS;
    });
}

LONG deleteKey(HKEY parent, std::u16string_view subKey) {
    const auto parts = splitPath(subKey);
    if (!parts || parts->empty()) return parent ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE;
    return withKey(parent, true, [&](sqlite3* db) -> LONG {
        std::int64_t id = parent->id;
        for (const auto& part : *parts) {
            auto child = childId(db, id, part);
            if (!child) return ERROR_FILE_NOT_FOUND;
            id = *child;
        }
        Stmt children(db, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
        if (!children.ok() || children.bind(1, id).step() == SQLITE_ROW) return ERROR_ACCESS_DENIED;
        Stmt vals(db, "DELETE FROM vals WHERE key = ?");
        Stmt keys(db, "DELETE FROM keys WHERE id = ?");
        if (!vals.ok() || !keys.ok() || vals.bind(1, id).step() != SQLITE_DONE ||
            keys.bind(1, id).step() != SQLITE_DONE)
            return ERROR_CANTWRITE;
        return ERROR_SUCCESS;
    });
}

std::string ansiName(std::string_view name) { return utf16ToUtf8(ansiToUtf16(name)); }

}  // namespace

HKEY const HKEY_CLASSES_ROOT = &g_classesRoot;
HKEY const HKEY_LOCAL_MACHINE = &g_localMachine;

void setRegistryPath(const std::string& path) { store().setPath(path); }

std::string registryPath() {
    std::lock_guard<std::mutex> g(store().lock);
    return store().currentPath();
}

LONG RegCreateKeyExW(HKEY parent, std::u16string_view subKey, HKEY* result, DWORD* disposition) {
    return openOrCreate(parent, subKey, result, disposition, true);
}
LONG RegCreateKeyExA(HKEY parent, std::string_view subKey, HKEY* result, DWORD* disposition) {
    return openOrCreate(parent, ansiToUtf16(subKey), result, disposition, true);
}
LONG RegOpenKeyExW(HKEY parent, std::u16string_view subKey, HKEY* result) {
    return openOrCreate(parent, subKey, result, nullptr, false);
}
LONG RegOpenKeyExA(HKEY parent, std::string_view subKey, HKEY* result) {
    return openOrCreate(parent, ansiToUtf16(subKey), result, nullptr, false);
}

LONG RegCloseKey(HKEY key) {
    if (!key) return ERROR_INVALID_HANDLE;
    if (!key->root) delete key;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, std::u16string_view name, DWORD* type, void* data, DWORD* size) {
    return queryValue(key, utf16ToUtf8(name), type, data, size, true);
}
LONG RegQueryValueExA(HKEY key, std::string_view name, DWORD* type, void* data, DWORD* size) {
    return queryValue(key, ansiName(name), type, data, size, false);
}
LONG RegSetValueExW(HKEY key, std::u16string_view name, DWORD type, const void* data, DWORD size) {
    return setValue(key, utf16ToUtf8(name), type, data, size, true);
}
LONG RegSetValueExA(HKEY key, std::string_view name, DWORD type, const void* data, DWORD size) {
    return setValue(key, ansiName(name), type, data, size, false);
}
LONG RegDeleteValueW(HKEY key, std::u16string_view name) { return deleteValue(key, utf16ToUtf8(name)); }
LONG RegDeleteValueA(HKEY key, std::string_view name) { return deleteValue(key, ansiName(name)); }

LONG RegEnumKeyExW(HKEY key, DWORD index, std::u16string* name) {
    std::string utf8;
    LONG rc = enumKey(key, index, name ? &utf8 : nullptr);
    if (rc == ERROR_SUCCESS) *name = utf8ToUtf16(utf8);
    return rc;
}
LONG RegEnumKeyExA(HKEY key, DWORD index, std::string* name) {
    std::string utf8;
    LONG rc = enumKey(key, index, name ? &utf8 : nullptr);
    if (rc == ERROR_SUCCESS) *name = utf16ToAnsi(utf8ToUtf16(utf8));
    return rc;
}

LONG RegEnumValueW(HKEY key, DWORD index, std::u16string* name, DWORD* type, std::vector<std::uint8_t>* data) {
    return withKey(key, false, [&](sqlite3* db) -> LONG {
        Stmt s(db, "SELECT name, type, data, nul FROM vals WHERE key = ? ORDER BY fold LIMIT 1 OFFSET ?");
        if (!s.ok() || s.bind(1, key->id).bind(2, index).step() != SQLITE_ROW) return ERROR_NO_MORE_ITEMS;
        const StoredValue v{static_cast<DWORD>(s.int64(1)), s.text(2), s.int64(3) != 0};
        if (name) *name = utf8ToUtf16(s.text(0));
        if (type) *type = v.type;
        if (data) {
            const std::string bytes = presented(v, true);
            data->assign(bytes.begin(), bytes.end());
        }
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteKeyW(HKEY parent, std::u16string_view subKey) { return deleteKey(parent, subKey); }
LONG RegDeleteKeyA(HKEY parent, std::string_view subKey) { return deleteKey(parent, ansiToUtf16(subKey)); }

}  // namespace vornik::platform

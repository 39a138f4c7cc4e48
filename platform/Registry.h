// The registry: a key tree with Win32 semantics in one SQLite file.
//
// Stands in for the Windows registry (HKEY_LOCAL_MACHINE and
// HKEY_CLASSES_ROOT) for the configuration readers, the configuration tool and
// COM registration. Semantics kept from Win32:
//  * keys are opened or created by a backslash-separated path below an open
//    key; one trailing backslash is allowed; names compare without regard to
//    case (ASCII letters) and keep the case they were created with;
//  * RegCreateKeyEx creates missing keys on the way and reports whether the
//    last one was new; RegOpenKeyEx opens only existing keys;
//  * values have a type and bytes; the empty name is the key's default value;
//  * REG_SZ text is stored as text and read back in the form asked for: UTF-16
//    (the ...W calls) or 8-bit text in the system ANSI code page (the ...A
//    calls), with a terminating NUL exactly when it was written with one;
//  * a query with no buffer returns the size; a short buffer gives
//    ERROR_MORE_DATA and the size needed;
//  * subkeys enumerate by index (in case-insensitive name order) and end with
//    ERROR_NO_MORE_ITEMS;
//  * a key with subkeys cannot be deleted (ERROR_ACCESS_DENIED).
// Several processes may use one file at once: every call is one transaction,
// writers wait for each other (WAL journal, busy time-out), nothing is lost.
//
// The file is VORNIK_REGISTRY, else /var/lib/vornik/registry.db (its folder is
// created when missing). setRegistryPath() switches files (tests, the demo).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vornik::platform {

using LONG = std::int32_t;
using DWORD = std::uint32_t;

struct RegKey;
using HKEY = RegKey*;

// The two roots; always open, closing them does nothing.
extern HKEY const HKEY_CLASSES_ROOT;
extern HKEY const HKEY_LOCAL_MACHINE;

// Win32 result codes used here.
enum : LONG {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_MORE_DATA = 234,
    ERROR_NO_MORE_ITEMS = 259,
    ERROR_BADKEY = 1010,
    ERROR_CANTOPEN = 1011,
    ERROR_CANTREAD = 1012,
    ERROR_CANTWRITE = 1013,
    ERROR_KEY_DELETED = 1018,
};

enum : DWORD { REG_NONE = 0, REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4, REG_MULTI_SZ = 7 };
enum : DWORD { REG_CREATED_NEW_KEY = 1, REG_OPENED_EXISTING_KEY = 2 };

// Selects the registry file for this process; closes the one in use. An empty
// path goes back to VORNIK_REGISTRY / the default.
void setRegistryPath(const std::string& path);
// The file in use (or that will be used).
std::string registryPath();

LONG RegCreateKeyExW(HKEY parent, std::u16string_view subKey, HKEY* result, DWORD* disposition = nullptr);
LONG RegCreateKeyExA(HKEY parent, std::string_view subKey, HKEY* result, DWORD* disposition = nullptr);
LONG RegOpenKeyExW(HKEY parent, std::u16string_view subKey, HKEY* result);
LONG RegOpenKeyExA(HKEY parent, std::string_view subKey, HKEY* result);
LONG RegCloseKey(HKEY key);

// data may be null (size query). *size is the buffer's size in bytes on entry
// and the value's size on return.
LONG RegQueryValueExW(HKEY key, std::u16string_view name, DWORD* type, void* data, DWORD* size);
LONG RegQueryValueExA(HKEY key, std::string_view name, DWORD* type, void* data, DWORD* size);
LONG RegSetValueExW(HKEY key, std::u16string_view name, DWORD type, const void* data, DWORD size);
LONG RegSetValueExA(HKEY key, std::string_view name, DWORD type, const void* data, DWORD size);
LONG RegDeleteValueW(HKEY key, std::u16string_view name);
LONG RegDeleteValueA(HKEY key, std::string_view name);

LONG RegEnumKeyExW(HKEY key, DWORD index, std::u16string* name);
LONG RegEnumKeyExA(HKEY key, DWORD index, std::string* name);
// Values in case-insensitive name order; data in its stored form (REG_SZ as
// UTF-16 with its NUL when it has one).
LONG RegEnumValueW(HKEY key, DWORD index, std::u16string* name, DWORD* type, std::vector<std::uint8_t>* data);

// Deletes subKey of parent, which must have no subkeys; its values go with it.
LONG RegDeleteKeyW(HKEY parent, std::u16string_view subKey);
LONG RegDeleteKeyA(HKEY parent, std::string_view subKey);

}  // namespace vornik::platform

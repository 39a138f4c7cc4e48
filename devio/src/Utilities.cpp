// The utility exports.
#include <conlink/ConlinkUtil.h>

#include "platform/CodePages.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <vector>

using namespace vornik::platform;

namespace {

constexpr std::size_t kWideBuffer = 260;
const char kRandomAlphabet[] = ",=+-_!@#$%0123456789abcdefghlmnopqrstuvwxyzABCDEFGHLMNOPQRSTUVWXYZ";

std::size_t wideLength(const char16_t* s) {
    std::size_t n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}

// Appends text to the NUL-terminated wide string in a buffer of 260
// characters; nothing is appended when it would not fit with its NUL.
char16_t* appendWide(char16_t* buffer, const std::string& text) {
    if (!buffer) return buffer;
    std::size_t n = wideLength(buffer);
    if (n + text.size() + 1 > kWideBuffer) return buffer;
    for (char c : text) buffer[n++] = static_cast<char16_t>(c);
    buffer[n] = 0;
    return buffer;
}

std::string hex2(unsigned char v) {
    static const char digits[] = "0123456789abcdef";
    return {digits[v >> 4], digits[v & 0xF]};
}

void copyWide(char16_t* dst, std::size_t capacity, const std::u16string& text) {
    std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(dst, text.data(), n * sizeof(char16_t));
    dst[n] = 0;
}

std::string machine() {
    utsname u{};
    return ::uname(&u) == 0 ? u.machine : "";
}

// A NUL-separated list ended by an empty string.
std::vector<std::string> pathList(const char* list) {
    std::vector<std::string> out;
    if (!list) return out;
    while (*list) {
        out.emplace_back(list);
        list += out.back().size() + 1;
    }
    return out;
}

std::string readSysfs(const std::string& path) {
    std::ifstream in(path);
    std::string s;
    std::getline(in, s);
    return s;
}

std::mutex g_randomLock;
std::string g_lastRandom;

}  // namespace

extern "C" {

int GetLocalIp(char16_t* buffer) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return -1;
    // Interfaces in index order; physical Ethernet only (type 1 with a device behind it).
    std::vector<std::pair<unsigned, std::string>> candidates;
    if (struct if_nameindex* names = ::if_nameindex()) {
        for (struct if_nameindex* i = names; i->if_index != 0; ++i) {
            std::string name = i->if_name;
            const std::string base = "/sys/class/net/" + name;
            if (readSysfs(base + "/type") != "1" || !std::filesystem::exists(base + "/device")) continue;
            candidates.emplace_back(i->if_index, name);
        }
        ::if_freenameindex(names);
    }
    for (const auto& [index, name] : candidates) {
        std::string address = "0.0.0.0";
        for (ifaddrs* a = list; a; a = a->ifa_next)
            if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET && name == a->ifa_name) {
                char text[INET_ADDRSTRLEN] = {};
                ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, text, sizeof text);
                address = text;
                break;
            }
        if (buffer) copyWide(buffer, 64, std::u16string(address.begin(), address.end()));
        if (address != "0.0.0.0") break;
    }
    ::freeifaddrs(list);
    return 0;
}

int getOsName(char16_t* buffer) {
    if (!buffer) return 0;
    std::ifstream in("/etc/os-release");
    if (!in) return 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("PRETTY_NAME=", 0) != 0) continue;
        std::string value = line.substr(12);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) value = value.substr(1, value.size() - 2);
        copyWide(buffer, kWideBuffer, utf8ToUtf16(value));
        return 1;
    }
    return 1;  // readable but unnamed: the buffer stays as it was
}

void SafeGetNativeSystemInfo(SystemInfoRecord* info) {
    if (!info) return;
    std::memset(info, 0, sizeof *info);
    const std::string m = machine();
    info->wProcessorArchitecture = m == "x86_64" ? 9 : m == "aarch64" ? 12 : m == "ia64" ? 6
                                   : (m.size() == 4 && m[0] == 'i' && m.substr(2) == "86") ? 0
                                   : m.rfind("arm", 0) == 0 ? 5 : 0xFFFF;
    long page = ::sysconf(_SC_PAGESIZE);
    info->dwPageSize = page > 0 ? static_cast<std::uint32_t>(page) : 4096;
    info->dwAllocationGranularity = info->dwPageSize;
    long cpus = ::sysconf(_SC_NPROCESSORS_ONLN);
    info->dwNumberOfProcessors = cpus > 0 ? static_cast<std::uint32_t>(cpus) : 1;
    info->dwActiveProcessorMask = info->dwNumberOfProcessors >= sizeof(std::uintptr_t) * 8
                                      ? ~std::uintptr_t{0}
                                      : (std::uintptr_t{1} << info->dwNumberOfProcessors) - 1;
}

int GetSystemBits() { return machine().find("64") != std::string::npos ? 64 : 32; }

const char* getEnvironment(int is64) { return is64 ? "Windows x64" : "Windows NT x86"; }

int isChineseOs() { return systemDefaultLangId() == 0x0804 ? 1 : 0; }

int _SetPrivilege(void*, const char* privilege, int) {
    static const char* const known[] = {"SeShutdownPrivilege", "SeDebugPrivilege", "SeBackupPrivilege",
                                        "SeRestorePrivilege", "SeLoadDriverPrivilege", "SeSystemtimePrivilege",
                                        "SeTakeOwnershipPrivilege", "SeSecurityPrivilege"};
    if (!privilege) return 0;
    for (const char* k : known)
        if (std::strcmp(k, privilege) == 0) return ::geteuid() == 0 ? 1 : 0;
    return 0;
}

int copyDirFiles(const char* sources, const char* destinations) {
    const auto from = pathList(sources), to = pathList(destinations);
    if (from.empty() || to.empty() || (to.size() != 1 && to.size() != from.size())) return 0;
    namespace fs = std::filesystem;
    std::error_code ec;
    for (std::size_t i = 0; i < from.size(); ++i) {
        fs::path target = to.size() == 1 ? fs::path(to[0]) : fs::path(to[i]);
        if (to.size() == 1 && from.size() > 1) {
            fs::create_directories(target, ec);
            target /= fs::path(from[i]).filename();
        }
        fs::copy(from[i], target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        if (ec) return 0;
    }
    return 1;
}

std::int64_t GetFileLen(FILE* file) {
    if (!file || std::fseek(file, 0, SEEK_END) != 0) return -1;
    long length = std::ftell(file);
    if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) return -1;
    return length;
}

char* UTF8_To_string(const char* utf8) {
    const std::string text = utf16ToAnsi(utf8ToUtf16(utf8 ? utf8 : ""));
    char* out = static_cast<char*>(std::malloc(text.size() + 1));
    if (out) std::memcpy(out, text.c_str(), text.size() + 1);
    return out;
}

char16_t* unsignedChar2WCHAR(unsigned char value, char16_t* buffer) { return appendWide(buffer, hex2(value)); }
char16_t* unsignedChar2WCHAR_10(unsigned char value, char16_t* buffer) { return appendWide(buffer, hex2(value)); }

unsigned char wchar2UnsigedChar(char16_t c) {
    if (c >= u'0' && c <= u'9') return static_cast<unsigned char>(c - u'0');
    if (c >= u'a' && c <= u'f') return static_cast<unsigned char>(c - u'a' + 10);
    if (c >= u'A' && c <= u'F') return static_cast<unsigned char>(c - u'A' + 10);
    return 0;
}

char16_t* exchangeMAC(const unsigned char* mac, char16_t* buffer) {
    if (!mac) return buffer;
    std::string text;
    for (int i = 0; i < 6; ++i) text += (i ? "-" : "") + hex2(mac[i]);
    return appendWide(buffer, text);
}

int IsMacAddrAllZero(const char16_t* text) {
    if (!text) return 0;
    for (int i = 0; i < 12; ++i)
        if (text[i] != u'0') return 0;  // also stops at the NUL of a shorter text
    return 1;
}

int strIsVisible(const char* text) {
    if (!text) return 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        if (*p < 32 || *p > 126) return 0;
    return 1;
}

int strIsDigit(const char* text) {
    if (!text) return 0;
    for (const char* p = text; *p; ++p)
        if (*p < '0' || *p > '9') return 0;
    return 1;
}

int strIsRealDigit(const char* text) {
    if (!text) return 0;
    if (*text == '-') return text[1] != '\0' && strIsDigit(text + 1);
    return strIsDigit(text);
}

void wchar2Ansi(const char16_t* text, char* buffer) {
    if (!buffer) return;
    const std::string bytes = utf16ToAnsi(std::u16string_view(text ? text : u"", wideLength(text)));
    std::memcpy(buffer, bytes.data(), bytes.size());
    buffer[bytes.size()] = '\0';
    buffer[bytes.size() + 1] = '\0';
}

int wchar2cp936(const char16_t* text, char* buffer) {
    if (!buffer) return 0;
    const std::string bytes = utf16ToCodePage(std::u16string_view(text ? text : u"", wideLength(text)), 936);
    std::memcpy(buffer, bytes.data(), bytes.size());
    buffer[bytes.size()] = '\0';
    buffer[bytes.size() + 1] = '\0';
    return static_cast<int>(bytes.size() + 1);
}

int char2wchar936(const char* text, char16_t* buffer) {
    if (!buffer) return 0;
    const std::u16string wide = codePageToUtf16(text ? text : "", 936);
    std::memcpy(buffer, wide.data(), wide.size() * sizeof(char16_t));
    buffer[wide.size()] = 0;
    return 0;
}

char* myStrncpy(char* destination, const char* source, int n) {
    if (destination && source && n > 0) std::memcpy(destination, source, static_cast<std::size_t>(n));
    return destination;
}

void GenRandString(char* buffer, int n) {
    if (!buffer || n <= 0) return;
    // Seeded from a high-resolution clock, so that two calls within one second differ.
    std::mt19937 generator(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kRandomAlphabet) - 2);
    for (int i = 0; i < n; ++i) buffer[i] = kRandomAlphabet[pick(generator)];
    std::lock_guard<std::mutex> g(g_randomLock);
    g_lastRandom.assign(buffer, static_cast<std::size_t>(n < 260 ? n : 260));
}

}  // extern "C"

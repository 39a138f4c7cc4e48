#include "PortNames.h"

#include "IoWaits.h"

#include <cctype>
#include <cstring>

namespace vornik::devio {

std::string dropTrailingColon(std::string_view name) {
    if (!name.empty() && name.back() == ':') name.remove_suffix(1);
    return std::string(name);
}

namespace {

// "COM3" -> 3 for prefix "COM" (any case); 0 when name is not prefix + a number >= 1.
unsigned windowsPortNumber(const std::string& name, const char* prefix) {
    const std::size_t plen = std::strlen(prefix);
    if (name.size() <= plen || name.size() > plen + 3) return 0;
    for (std::size_t i = 0; i < plen; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != prefix[i]) return 0;
    unsigned n = 0;
    for (std::size_t i = plen; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
        n = n * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return n;
}

std::optional<std::string> devicePath(const char* raw, std::size_t maxLength, const char* windowsPrefix,
                                      const char* linuxPrefix) {
    if (!raw) return std::nullopt;
    std::string name = dropTrailingColon(raw);
    if (name.empty() || name.size() > maxLength) return std::nullopt;
    if (name.front() == '/') return name;
    if (unsigned n = windowsPortNumber(name, windowsPrefix); n >= 1)
        return std::string("/dev/") + linuxPrefix + std::to_string(n - 1);
    if (name.find('/') != std::string::npos) return std::nullopt;  // no escaping /dev
    return "/dev/" + name;
}

}  // namespace

std::optional<std::string> serialDevicePath(const char* name) {
    return devicePath(name, kMaxSerialNameLength, "COM", "ttyS");
}

std::optional<std::string> parallelDevicePath(const char* name) {
    return devicePath(name, kMaxParallelNameLength, "LPT", "lp");
}

}  // namespace vornik::devio

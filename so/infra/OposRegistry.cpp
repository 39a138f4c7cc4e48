#include "OposRegistry.h"

#include "Errors.h"
#include "Text.h"
#include "platform/Registry.h"

#include <vector>

namespace vornik::so {

using namespace platform;

namespace {

// The raw bytes of a REG_SZ value, 8-bit form.
std::string readSz(const std::string& keyPath, const std::string& valueName) {
    const std::string where = keyPath + "\\" + valueName;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, &key) != ERROR_SUCCESS)
        throw OposRegistryError(msg::kErrorOpening + where);
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(key, valueName, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS || type != REG_SZ) {
        RegCloseKey(key);
        throw OposRegistryError(msg::kErrorRetrieving + where);
    }
    std::vector<char> data(size + 1, '\0');
    rc = RegQueryValueExA(key, valueName, &type, data.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) throw OposRegistryError(msg::kErrorRetrieving + where);
    std::string text(data.data(), size);
    if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

}  // namespace

std::string ReadRegString(const std::string& keyPath, const std::string& valueName) {
    return readSz(keyPath, valueName);
}

int ReadRegNumber(const std::string& keyPath, const std::string& valueName) {
    const std::string text = readSz(keyPath, valueName);
    if (text.empty()) return 0;
    try {
        return StringToNum(text);
    } catch (const StringError&) {
        throw OposRegistryError(msg::kErrorRetrieving + keyPath + "\\" + valueName);
    }
}

OposRegistry::OposRegistry(const std::string& deviceClass, const std::string& ldn)
    : m_vendorKeyPath(std::string(kVendorKey) + "\\") {
    if (!deviceClass.empty() && !ldn.empty())
        m_ldnKeyPath = std::string(kServiceOposKey) + "\\" + deviceClass + "\\" + ldn + "\\";
}

void OposRegistry::GetLdnString(const std::string& valueName, std::string& out) const {
    out = ReadRegString(m_ldnKeyPath, valueName);
}

void OposRegistry::GetLdnNumber(const std::string& valueName, int& out) const {
    out = ReadRegNumber(m_ldnKeyPath, valueName);
}

void OposRegistry::GetVendorNumber(const std::string& valueName, int& out) const {
    out = ReadRegNumber(m_vendorKeyPath, valueName);
}

}  // namespace vornik::so

// Read-only access to the logical-device configuration in the registry.
//
//   HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\<class>\<LDN>   one key per logical device
//   HKLM\SOFTWARE\OLEforRetail\ServiceInfo\Vornik          settings shared by all devices
//
// Every value is REG_SZ text (numbers as decimal text), read with or without a
// terminating NUL. Each read opens the key, reads one value and closes it.
#pragma once

#include <string>

namespace vornik::so {

inline constexpr const char* kServiceOposKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS";
inline constexpr const char* kVendorKey = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Vornik";

// The text of a REG_SZ value (up to its first NUL). Throws OposRegistryError:
// "Error opening <key><name>" when the key cannot be opened, "Error
// retrieving <key><name>" when the value is missing or not REG_SZ. keyPath is
// used as given, so a path ending in a backslash shows one before the name and
// the join adds another.
std::string ReadRegString(const std::string& keyPath, const std::string& valueName);

// The number in a REG_SZ value: formatted integer extraction; an empty text is
// 0. A text that does not begin with a number counts as a value that cannot be
// retrieved (OposRegistryError), so that the callers' fallbacks apply.
int ReadRegNumber(const std::string& keyPath, const std::string& valueName);

class OposRegistry {
public:
    OposRegistry(const std::string& deviceClass, const std::string& ldn);

    void GetLdnString(const std::string& valueName, std::string& out) const;
    void GetLdnNumber(const std::string& valueName, int& out) const;
    void GetVendorNumber(const std::string& valueName, int& out) const;

    const std::string& ldnKeyPath() const { return m_ldnKeyPath; }
    const std::string& vendorKeyPath() const { return m_vendorKeyPath; }

private:
    std::string m_ldnKeyPath;     // "...\ServiceOPOS\<class>\<LDN>\", or empty
    std::string m_vendorKeyPath;  // "...\ServiceInfo\Vornik\"
};

}  // namespace vornik::so

#include "Text.h"

#include "Errors.h"

#include <iomanip>
#include <sstream>

namespace vornik::so {

namespace {
const char kHexDigits[] = "0123456789ABCDEF";
}

std::string NumToString(int value) {
    std::ostringstream s;
    s << value;
    if (!s) throw StringError(msg::kNumToString);
    return s.str();
}

std::string NumToString(bool value) { return value ? "1" : "0"; }

std::string NumToString(const void* value) {
    std::ostringstream s;
    s << std::uppercase << std::hex << std::setw(8) << std::setfill('0') << reinterpret_cast<std::uintptr_t>(value);
    if (!s) throw StringError(msg::kNumToString);
    return s.str();
}

int StringToNum(const std::string& text) {
    std::istringstream s(text);
    int value = 0;
    s >> value;
    if (s.fail()) throw StringError(msg::kStringToNum);
    return value;
}

std::string ByteToHex(std::uint8_t value) { return {kHexDigits[value >> 4], kHexDigits[value & 0xF]}; }

std::string WordToHex(std::uint16_t value) {
    return ByteToHex(static_cast<std::uint8_t>(value >> 8)) + ByteToHex(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace vornik::so

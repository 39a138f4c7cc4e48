// Number and hexadecimal text for log lines and configuration values.
#pragma once

#include <cstdint>
#include <string>

namespace vornik::so {

// Decimal text, with a minus sign for negatives. Throws StringError("NumToString")
// if the stream fails.
std::string NumToString(int value);
// "1" or "0".
std::string NumToString(bool value);
// A pointer or handle as upper-case hexadecimal, at least eight digits (a
// 64-bit pointer may need sixteen).
std::string NumToString(const void* value);

// Formatted integer extraction: leading white space, an optional sign, then
// decimal digits; what follows is ignored. Throws StringError("StringToNum")
// when the text does not begin with a number (or the number does not fit).
int StringToNum(const std::string& text);

// Two / four upper-case hexadecimal digits.
std::string ByteToHex(std::uint8_t value);
std::string WordToHex(std::uint16_t value);

}  // namespace vornik::so

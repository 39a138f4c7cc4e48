// BinaryConversion: how text parameters carry bytes.
//   none     each character is one byte (the text in the ANSI code page)
//   nibble   two characters per byte: (c1 << 4) | (c2 & 15)
//   decimal  three digit characters per byte: hundreds, tens, units
// Input of the wrong length decodes to no bytes at all.
#pragma once

#include <string>

namespace vornik::so {

enum BinaryConversionMode : int { BC_NONE = 0, BC_NIBBLE = 1, BC_DECIMAL = 2 };

// ansiText: the parameter already converted to 8-bit text.
std::string DecodeBinaryConversion(const std::string& ansiText, int mode);
// The text a string property returns for bytes (each output character one byte).
std::string EncodeBinaryConversion(const std::string& bytes, int mode);

}  // namespace vornik::so

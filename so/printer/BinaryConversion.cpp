#include "BinaryConversion.h"

namespace vornik::so {

std::string DecodeBinaryConversion(const std::string& text, int mode) {
    std::string out;
    switch (mode) {
    case BC_NIBBLE:
        if (text.size() < 2 || text.size() % 2) return out;
        for (std::size_t i = 0; i < text.size(); i += 2)
            out += static_cast<char>(((static_cast<unsigned char>(text[i]) << 4) | (text[i + 1] & 15)) & 0xFF);
        return out;
    case BC_DECIMAL:
        if (text.size() < 3 || text.size() % 3) return out;
        for (std::size_t i = 0; i < text.size(); i += 3)
            out += static_cast<char>(((text[i] & 15) * 100 + (text[i + 1] & 15) * 10 + (text[i + 2] & 15)) & 0xFF);
        return out;
    default:
        return text;
    }
}

std::string EncodeBinaryConversion(const std::string& bytes, int mode) {
    std::string out;
    for (unsigned char b : bytes) {
        if (mode == BC_NIBBLE) {
            out += static_cast<char>(0x30 + (b >> 4));
            out += static_cast<char>(0x30 + (b & 15));
        } else if (mode == BC_DECIMAL) {
            out += static_cast<char>('0' + b / 100);
            out += static_cast<char>('0' + b / 10 % 10);
            out += static_cast<char>('0' + b % 10);
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

}  // namespace vornik::so

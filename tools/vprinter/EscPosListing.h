// Turns ESC/POS bytes into a readable listing, one command or text run a line:
//
//   ESC @            initialise
//   ESC E 1          bold on
//   "Hello"          text
//   LF               line feed
//   GS V 1           cut (partial)
//
// Unknown control bytes are listed in hexadecimal; nothing is ever skipped
// silently, and a command cut short at the end of the data is listed as such.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vornik::vprinter {

std::vector<std::string> listEscPos(const std::uint8_t* data, std::size_t length);
inline std::vector<std::string> listEscPos(const std::vector<std::uint8_t>& data) {
    return listEscPos(data.data(), data.size());
}

// "1b 40 48 65 ..." with a line break every 16 bytes.
std::string hexDump(const std::vector<std::uint8_t>& data);

}  // namespace vornik::vprinter

// libFuzzer target for the parsers of outside input in the print pipeline.
// The first byte picks what the rest of the input goes to:
//   0 mod 3  the translator and the checker (print data as ANSI bytes)
//   1 mod 3  the image decoder on memory input, then the raster conversion
//   2 mod 3  the ANSI byte carriage: narrow(widen(bytes)) must give the bytes back,
//            then the memory-bitmap path: the bytes decoded as BinaryConversion
//            nibble or decimal text, the result decoded as an image and rastered
#include "pipeline/Cmd.h"
#include "pipeline/OposDataParser.h"
#include "infra/Errors.h"
#include "platform/Image.h"
#include "printer/BinaryConversion.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace vornik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (selector % 3) {
    case 0: {
        so::OposDataParser parser(1 + selector / 3 % 4);
        so::EscCmd out;
        const std::u16string text = so::WidenAnsiBytes(rest);
        try {
            parser.OposCmdAndDataParing(text, out);
        } catch (const so::OposError&) {
        }
        try {
            parser.ValidateOposData(text);
        } catch (const so::OposError&) {
        }
        break;
    }
    case 1: {
        platform::BitmapImage image;
        if (platform::decodeImageMemory(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size(), image)) {
            so::EscCmd out;
            const int width = 8 + (selector % 64) * 8;  // 8 to 512 dots
            out.PrintRasterImageBottomUp(image, width);
        }
        break;
    }
    default: {
        if (so::NarrowToAnsiBytes(so::WidenAnsiBytes(rest)) != rest) std::abort();
        const std::string file = so::DecodeBinaryConversion(rest, (selector / 3) % 2 ? so::BC_DECIMAL : so::BC_NIBBLE);
        platform::BitmapImage image;
        if (platform::decodeImageMemory(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), image)) {
            so::EscCmd out;
            out.PrintRasterImageBottomUp(image, 8 + (selector % 32) * 8);
        }
        break;
    }
    }
    return 0;
}

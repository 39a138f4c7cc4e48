// Images for printing: the record that stands for a Windows bitmap handle and
// its description, and the decoders that fill it.
//
// Files (BMP, PNG, JPEG, and what else the decoder knows) come out with their
// top row first, images from memory with their bottom row first, as the
// Windows loaders give them; both as 32 bits per pixel, bytes blue, green,
// red, 0xFF per pixel. Memory input is untrusted: a truncated or lying header
// gives a clean failure, never a read past the buffer, and images larger than
// kMaxImagePixels are refused before anything is allocated for them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vornik::platform {

struct BitmapImage {
    int width = 0;
    int height = 0;
    int bytesPerRow = 0;
    int bitsPerPixel = 0;
    std::vector<std::uint32_t> palette;  // entries for 8 bits per pixel or less (informational)
    std::vector<std::uint8_t> pixels;    // bytesPerRow x height, rows in stored order
};

inline constexpr std::uint64_t kMaxImagePixels = 64ull * 1024 * 1024;

// False when the file cannot be read or decoded.
bool loadImageFile(const std::string& path, BitmapImage& out, std::string* error = nullptr);
// False when the bytes are not an image the decoder can read.
bool decodeImageMemory(const std::uint8_t* data, std::size_t length, BitmapImage& out, std::string* error = nullptr);

}  // namespace vornik::platform

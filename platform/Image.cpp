#include "Image.h"

#include <stb/stb_image.h>

#include <fstream>
#include <iterator>
#include <limits>

namespace vornik::platform {

namespace {

std::uint32_t le32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24); }
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// An uncompressed BMP whose pixel rows would run past the end of the data is
// truncated; the decoder would fill the missing rows with black instead of failing.
bool bmpIsTruncated(const std::uint8_t* data, std::size_t length) {
    if (length < 2 || data[0] != 'B' || data[1] != 'M') return false;
    if (length < 14 + 16) return true;
    const std::uint32_t offBits = le32(data + 10);
    const std::uint32_t infoSize = le32(data + 14);
    std::int64_t width, height;
    std::uint32_t bits, compression = 0;
    if (infoSize == 12) {  // OS/2 core header
        if (length < 26) return true;
        width = le16(data + 18);
        height = static_cast<std::int16_t>(le16(data + 20));
        bits = le16(data + 24);
    } else {
        if (length < 14 + 20) return true;
        width = static_cast<std::int32_t>(le32(data + 18));
        height = static_cast<std::int32_t>(le32(data + 22));
        bits = le16(data + 28);
        compression = le32(data + 30);
    }
    if (compression != 0 && compression != 3) return false;  // run-length data: the decoder checks it
    if (width <= 0 || height == 0 || bits == 0) return true;
    // Sizes no image of ours has: leave them to the decoder's own limits (and ours after it).
    if (width > (1 << 24) || height > (1 << 24) || height < -(1 << 24) || bits > 64) return false;
    const std::int64_t stride = ((width * bits + 31) / 32) * 4;
    const std::int64_t needed = static_cast<std::int64_t>(offBits) + stride * (height < 0 ? -height : height);
    return needed > static_cast<std::int64_t>(length);
}

bool fill(const std::uint8_t* data, std::size_t length, bool bottomUp, BitmapImage& out, std::string* error) {
    if (!data || length == 0 || length > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        if (error) *error = "no image data";
        return false;
    }
    if (bmpIsTruncated(data, length)) {
        if (error) *error = "truncated bitmap";
        return false;
    }
    int w = 0, h = 0, channels = 0;
    const int len = static_cast<int>(length);
    if (!stbi_info_from_memory(data, len, &w, &h, &channels)) {
        if (error) *error = stbi_failure_reason() ? stbi_failure_reason() : "not an image";
        return false;
    }
    if (w <= 0 || h <= 0 || static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) > kMaxImagePixels) {
        if (error) *error = "image too large";
        return false;
    }
    int dw = 0, dh = 0, dc = 0;
    stbi_uc* rgba = stbi_load_from_memory(data, len, &dw, &dh, &dc, 4);
    if (!rgba) {
        if (error) *error = stbi_failure_reason() ? stbi_failure_reason() : "cannot decode";
        return false;
    }
    out = BitmapImage{};
    out.width = dw;
    out.height = dh;
    out.bitsPerPixel = 32;
    out.bytesPerRow = dw * 4;
    out.pixels.resize(static_cast<std::size_t>(out.bytesPerRow) * static_cast<std::size_t>(dh));
    for (int y = 0; y < dh; ++y) {
        const stbi_uc* src = rgba + static_cast<std::size_t>(y) * dw * 4;
        const int row = bottomUp ? dh - 1 - y : y;
        std::uint8_t* dst = out.pixels.data() + static_cast<std::size_t>(row) * out.bytesPerRow;
        for (int x = 0; x < dw; ++x) {
            dst[4 * x + 0] = src[4 * x + 2];  // blue
            dst[4 * x + 1] = src[4 * x + 1];  // green
            dst[4 * x + 2] = src[4 * x + 0];  // red
            dst[4 * x + 3] = 0xFF;
        }
    }
    stbi_image_free(rgba);
    return true;
}

}  // namespace

bool loadImageFile(const std::string& path, BitmapImage& out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return fill(bytes.data(), bytes.size(), false, out, error);
}

bool decodeImageMemory(const std::uint8_t* data, std::size_t length, BitmapImage& out, std::string* error) {
    return fill(data, length, true, out, error);
}

}  // namespace vornik::platform

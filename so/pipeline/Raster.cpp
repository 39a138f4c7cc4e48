#include "Raster.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace vornik::so {

// B1 = (0); B2k = [4Bk, 4Bk+2; 4Bk+3, 4Bk+1]; the 255 at [15][0] holds 254.
const std::uint8_t BayerThreshold[16][16] = {
    {  0, 128,  32, 160,   8, 136,  40, 168,   2, 130,  34, 162,  10, 138,  42, 170},
    {192,  64, 224,  96, 200,  72, 232, 104, 194,  66, 226,  98, 202,  74, 234, 106},
    { 48, 176,  16, 144,  56, 184,  24, 152,  50, 178,  18, 146,  58, 186,  26, 154},
    {240, 112, 208,  80, 248, 120, 216,  88, 242, 114, 210,  82, 250, 122, 218,  90},
    { 12, 140,  44, 172,   4, 132,  36, 164,  14, 142,  46, 174,   6, 134,  38, 166},
    {204,  76, 236, 108, 196,  68, 228, 100, 206,  78, 238, 110, 198,  70, 230, 102},
    { 60, 188,  28, 156,  52, 180,  20, 148,  62, 190,  30, 158,  54, 182,  22, 150},
    {252, 124, 220,  92, 244, 116, 212,  84, 254, 126, 222,  94, 246, 118, 214,  86},
    {  3, 131,  35, 163,  11, 139,  43, 171,   1, 129,  33, 161,   9, 137,  41, 169},
    {195,  67, 227,  99, 203,  75, 235, 107, 193,  65, 225,  97, 201,  73, 233, 105},
    { 51, 179,  19, 147,  59, 187,  27, 155,  49, 177,  17, 145,  57, 185,  25, 153},
    {243, 115, 211,  83, 251, 123, 219,  91, 241, 113, 209,  81, 249, 121, 217,  89},
    { 15, 143,  47, 175,   7, 135,  39, 167,  13, 141,  45, 173,   5, 133,  37, 165},
    {207,  79, 239, 111, 199,  71, 231, 103, 205,  77, 237, 109, 197,  69, 229, 101},
    { 63, 191,  31, 159,  55, 183,  23, 151,  61, 189,  29, 157,  53, 181,  21, 149},
    {254, 127, 223,  95, 247, 119, 215,  87, 253, 125, 221,  93, 245, 117, 213,  85}
};

namespace {

inline std::uint8_t greyOf(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return static_cast<std::uint8_t>(0.30 * red + 0.59 * green + 0.11 * blue);
}

inline double kernel(double t) {
    const double u = std::fabs(t);
    if (u <= 1.0) return u * u * u - 2.0 * u * u + 1.0;
    if (u <= 2.0) return -u * u * u + 5.0 * u * u - 8.0 * u + 4.0;
    return 0.0;
}

// Upper bound of the row and column counts of GS v 0 (16-bit fields).
constexpr int kMaxField = 65535;

}  // namespace

bool GreyLevels(const platform::BitmapImage& image, std::vector<std::uint8_t>& grey) {
    const int w = image.width, h = image.height, s = image.bytesPerRow;
    if (w <= 0 || h <= 0 || s <= 0) return false;
    const std::uint64_t pixels = static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
    if (pixels > platform::kMaxImagePixels) return false;
    if (image.pixels.size() < static_cast<std::uint64_t>(s) * static_cast<std::uint64_t>(h)) return false;
    grey.assign(static_cast<std::size_t>(pixels), 0);
    const std::uint8_t* src = image.pixels.data();
    std::uint8_t* dst = grey.data();
    switch (image.bitsPerPixel) {
    case 1:
        if (static_cast<std::int64_t>(s) * 8 < w) return false;
        for (int y = 0; y < h; ++y, dst += w) {
            const std::uint8_t* row = src + static_cast<std::size_t>(y) * s;
            for (int x = 0; x < w; ++x) dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        }
        break;
    case 24:
        if (static_cast<std::int64_t>(s) < static_cast<std::int64_t>(w) * 3) return false;
        for (int y = 0; y < h; ++y, dst += w) {
            const std::uint8_t* row = src + static_cast<std::size_t>(y) * s;
            for (int x = 0; x < w; ++x) dst[x] = greyOf(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
        }
        break;
    case 32: {
        // Four bytes per pixel taken one after the other from the start, row padding or not.
        if (image.pixels.size() < pixels * 4) return false;
        for (std::uint64_t i = 0; i < pixels; ++i) dst[i] = greyOf(src[4 * i], src[4 * i + 1], src[4 * i + 2]);
        break;
    }
    default:
        break;  // other depths are not converted: the grey image stays 0
    }
    return true;
}

void ScaleBicubic(const std::uint8_t* src, int w, int h, int W, int H, std::uint8_t* dst) {
    // Column taps and weights depend on j only, row taps and weights on i only.
    std::vector<int> cx(static_cast<std::size_t>(W));
    std::vector<double> wx(static_cast<std::size_t>(W) * 4);
    for (int j = 0; j < W; ++j) {
        const float x = static_cast<float>((j + 0.4999999) * w / W - 0.5);
        const int ix = static_cast<int>(std::floor(x));
        const double fx = static_cast<double>(x) - ix;
        cx[j] = ix;
        wx[4 * j + 0] = kernel(fx + 1);
        wx[4 * j + 1] = kernel(fx);
        wx[4 * j + 2] = kernel(1 - fx);
        wx[4 * j + 3] = kernel(2 - fx);
    }
    for (int i = 0; i < H; ++i) {
        const float y = static_cast<float>((i + 0.4999999) * h / H - 0.5);
        const int iy = static_cast<int>(std::floor(y));
        const double fy = static_cast<double>(y) - iy;
        const double wy[4] = {kernel(fy + 1), kernel(fy), kernel(1 - fy), kernel(2 - fy)};
        const std::uint8_t* rows[4];
        for (int r = 0; r < 4; ++r) {
            const int sy = iy + r - 1;
            rows[r] = (sy >= 0 && sy < h) ? src + static_cast<std::size_t>(sy) * w : nullptr;
        }
        std::uint8_t* out = dst + static_cast<std::size_t>(i) * W;
        for (int j = 0; j < W; ++j) {
            const int ix = cx[j];
            double value = 0.0;
            for (int r = 0; r < 4; ++r) {
                double sum = 0.0;
                for (int c = 0; c < 4; ++c) {
                    const int sx = ix + c - 1;
                    const double p = (rows[r] && sx >= 0 && sx < w) ? rows[r][sx] : 255.0;
                    sum += wx[4 * j + c] * p;
                }
                value += wy[r] * sum;
            }
            const double v = std::trunc(value + 0.5);
            out[j] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
    }
}

void DitherAndPack(const std::uint8_t* grey, int W, int H, bool bottomUp, RasterImage& out) {
    out.bytesPerRow = (W + 7) / 8;
    out.rows = ((H + 7) / 8) * 8;
    out.bits.assign(static_cast<std::size_t>(out.bytesPerRow) * static_cast<std::size_t>(out.rows), 0);
    for (int y = 0; y < H; ++y) {
        const std::uint8_t* row = grey + static_cast<std::size_t>(y) * W;
        const int outRow = bottomUp ? H - 1 - y : y;
        std::uint8_t* dst = out.bits.data() + static_cast<std::size_t>(outRow) * out.bytesPerRow;
        const int ty = y & 15;
        for (int x0 = 0; x0 < W; x0 += 8) {
            std::uint8_t byte = 0;
            const int n = W - x0 < 8 ? W - x0 : 8;
            for (int b = 0; b < n; ++b) {
                const int x = x0 + b;
                if (row[x] <= BayerThreshold[x & 15][ty]) byte |= static_cast<std::uint8_t>(0x80 >> b);
            }
            dst[x0 >> 3] = byte;
        }
    }
}

bool ConvertToRaster(const platform::BitmapImage& image, int W, bool bottomUp, RasterImage& out) {
    std::vector<std::uint8_t> grey;
    if (W <= 0 || !GreyLevels(image, grey)) return false;
    const int w = image.width, h = image.height;
    int H = h;
    std::vector<std::uint8_t> scaled;
    const std::uint8_t* source = grey.data();
    if (W != w) {
        const double newHeight = std::trunc(static_cast<double>(W) / w * h);
        if (newHeight < 1 || newHeight > kMaxField) return false;
        H = static_cast<int>(newHeight);
        if (static_cast<std::uint64_t>(W) * static_cast<std::uint64_t>(H) > platform::kMaxImagePixels) return false;
        scaled.resize(static_cast<std::size_t>(W) * static_cast<std::size_t>(H));
        ScaleBicubic(grey.data(), w, h, W, H, scaled.data());
        source = scaled.data();
    }
    if ((W + 7) / 8 > kMaxField || ((H + 7) / 8) * 8 > kMaxField) return false;
    DitherAndPack(source, W, H, bottomUp, out);
    return true;
}

}  // namespace vornik::so

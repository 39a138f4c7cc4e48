// Image to one-bit printer raster: grey levels, bicubic scaling, ordered
// dithering and packing, as the raster builders of the command set need it.
#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <vector>

namespace vornik::so {

// The 16 x 16 recursive Bayer matrix (values 0-255) with the one 255 (row 15,
// column 0) lowered to 254, so that white never prints and black always does.
// The first index is the column x of the pixel.
extern const std::uint8_t BayerThreshold[16][16];

struct RasterImage {
    int bytesPerRow = 0;             // X = (W + 7) / 8
    int rows = 0;                    // Y: the height rounded up to a multiple of 8
    std::vector<std::uint8_t> bits;  // X x Y bytes, most significant bit first, 1 = dot
};

// Grey levels (0 black .. 255 white), one byte per pixel, rows in stored order.
// 1, 24 and 32 bits per pixel are converted; other depths give all 0. False
// when the record's pixel bytes are shorter than it claims.
bool GreyLevels(const platform::BitmapImage& image, std::vector<std::uint8_t>& grey);

// Resamples a w x h grey image to W x H by bicubic convolution (neighbours
// outside the image count as white).
void ScaleBicubic(const std::uint8_t* src, int w, int h, int W, int H, std::uint8_t* dst);

// Dithers and packs a W x H grey image; bottomUp reverses the row order.
void DitherAndPack(const std::uint8_t* grey, int W, int H, bool bottomUp, RasterImage& out);

// The whole conversion to width W dots (scaled only when W differs from the
// image width). False when the image record is unusable or the result would
// not fit the command (more than 65535 bytes per row or rows, or more than
// the image pixel limit).
bool ConvertToRaster(const platform::BitmapImage& image, int W, bool bottomUp, RasterImage& out);

}  // namespace vornik::so

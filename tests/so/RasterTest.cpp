#include "pipeline/Cmd.h"
#include "pipeline/Raster.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vornik::so;
using vornik::platform::BitmapImage;

namespace {

// A w x h image of one grey level at the given depth (24 or 32 bits).
BitmapImage solid(int w, int h, std::uint8_t level, int bits = 24) {
    BitmapImage img;
    img.width = w;
    img.height = h;
    img.bitsPerPixel = bits;
    const int bpp = bits / 8;
    img.bytesPerRow = ((w * bpp + 3) / 4) * 4;
    img.pixels.assign(static_cast<std::size_t>(img.bytesPerRow) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) img.pixels[static_cast<std::size_t>(y) * img.bytesPerRow + x * bpp + c] = level;
    return img;
}

std::vector<int> header(const Cmd& c) { return std::vector<int>(c.Data(), c.Data() + 8); }

TEST(Bayer, MatrixRowsColumnsAndTheLoweredCorner) {
    const int row0[16] = {0, 128, 32, 160, 8, 136, 40, 168, 2, 130, 34, 162, 10, 138, 42, 170};
    const int col0[16] = {0, 192, 48, 240, 12, 204, 60, 252, 3, 195, 51, 243, 15, 207, 63, 254};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(BayerThreshold[0][i], row0[i]);
        EXPECT_EQ(BayerThreshold[i][0], col0[i]);
    }
    std::vector<int> seen(256, 0);
    for (auto& r : BayerThreshold)
        for (auto v : r) ++seen[v];
    EXPECT_EQ(seen[254], 2) << "254 twice, 255 never";
    EXPECT_EQ(seen[255], 0);
}

TEST(Raster, EqualWidthIsNotResampledAndRowsArePadded) {
    BitmapImage img = solid(10, 5, 0);
    EscCmd cmd;
    ASSERT_EQ(cmd.PrintRasterImage(img, 10), 0);
    EXPECT_EQ(header(cmd), (std::vector<int>{0x1D, 0x76, 0x30, 0x00, 2, 0, 8, 0}));
    ASSERT_EQ(cmd.Length(), 8 + 16);
    const unsigned char* r = cmd.Data() + 8;
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(r[2 * row], 0xFF);
        EXPECT_EQ(r[2 * row + 1], 0xC0) << "bits past the width are 0";
    }
    for (int i = 10; i < 16; ++i) EXPECT_EQ(r[i], 0) << "padding rows";
}

TEST(Raster, WhitePrintsNothingAndBlackEverything) {
    for (int bits : {24, 32}) {
        EscCmd white, black;
        ASSERT_EQ(white.PrintRasterImage(solid(37, 19, 255, bits), 37), 0);
        ASSERT_EQ(black.PrintRasterImage(solid(37, 19, 0, bits), 37), 0);
        for (int i = 8; i < white.Length(); ++i) ASSERT_EQ(white.Data()[i], 0) << bits;
        const int X = 5;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 40; ++x) {
                const bool dot = black.Data()[8 + y * X + x / 8] & (0x80 >> (x % 8));
                ASSERT_EQ(dot, x < 37 && y < 19) << bits << " bits, x " << x << " y " << y;
            }
    }
}

TEST(Raster, OneBitPixelsAndBottomUpOrder) {
    BitmapImage img;
    img.width = 8;
    img.height = 2;
    img.bitsPerPixel = 1;
    img.bytesPerRow = 4;
    img.pixels = {0xF0, 0, 0, 0, 0x0F, 0, 0, 0};  // set bits are white
    EscCmd top, bottom;
    ASSERT_EQ(top.PrintRasterImage(img, 8), 0);
    ASSERT_EQ(bottom.PrintRasterImageBottomUp(img, 8), 0);
    EXPECT_EQ(top.Data()[8], 0x0F);
    EXPECT_EQ(top.Data()[9], 0xF0);
    EXPECT_EQ(bottom.Data()[8], 0xF0) << "the last stored row prints first";
    EXPECT_EQ(bottom.Data()[9], 0x0F);
}

TEST(Raster, GreyIsTheTruncatedWeightedSum) {
    BitmapImage img = solid(4, 1, 0);
    const std::uint8_t px[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {200, 100, 50}};  // blue, green, red
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 3; ++c) img.pixels[3 * x + c] = px[x][c];
    std::vector<std::uint8_t> grey;
    ASSERT_TRUE(GreyLevels(img, grey));
    EXPECT_EQ(grey, (std::vector<std::uint8_t>{76, 150, 28, 96}));  // 0.30 r + 0.59 g + 0.11 b, truncated
}

TEST(Raster, DotsWhereTheGreyIsAtMostTheThreshold) {
    BitmapImage img = solid(16, 16, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            for (int c = 0; c < 3; ++c) img.pixels[static_cast<std::size_t>(y) * img.bytesPerRow + 3 * x + c] = static_cast<std::uint8_t>(16 * x + y);
    std::vector<std::uint8_t> grey;
    ASSERT_TRUE(GreyLevels(img, grey));
    EscCmd cmd;
    ASSERT_EQ(cmd.PrintRasterImage(img, 16), 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool dot = cmd.Data()[8 + y * 2 + x / 8] & (0x80 >> (x % 8));
            EXPECT_EQ(dot, grey[y * 16 + x] <= BayerThreshold[x][y]) << x << "," << y;
        }
}

TEST(Raster, ScalingSetsTheHeightFromTheWidthRatio) {
    EscCmd cmd;
    ASSERT_EQ(cmd.PrintRasterImage(solid(640, 480, 255), 576), 0);
    EXPECT_EQ(header(cmd), (std::vector<int>{0x1D, 0x76, 0x30, 0x00, 72, 0, 0xB0, 0x01}));  // 576 / 8, 432
    for (int i = 8; i < cmd.Length(); ++i) ASSERT_EQ(cmd.Data()[i], 0) << "white stays white when scaled";
    EscCmd up;
    ASSERT_EQ(up.PrintRasterImage(solid(10, 3, 0), 20), 0);
    EXPECT_EQ(header(up), (std::vector<int>{0x1D, 0x76, 0x30, 0x00, 3, 0, 8, 0}));  // H = 6, padded to 8
}

TEST(Raster, ScaledEdgesBlendWithWhiteOutsideTheImage) {
    std::vector<std::uint8_t> src(4 * 4, 0), dst(8 * 8);
    ScaleBicubic(src.data(), 4, 4, 8, 8, dst.data());
    EXPECT_EQ(dst[3 * 8 + 3], 0) << "inside stays black";
    EXPECT_GT(dst[0], 0) << "the corner mixes in the white border";
}

TEST(Raster, UnusableImagesFailWithoutAppending) {
    EscCmd cmd;
    BitmapImage truncated = solid(10, 10, 0);
    truncated.pixels.resize(50);
    EXPECT_EQ(cmd.PrintRasterImage(truncated, 10), 111);
    EXPECT_EQ(cmd.PrintRasterImage(solid(10, 10, 0), 0), 111);
    EXPECT_EQ(cmd.PrintRasterImage(solid(10, 10, 0), -5), 111);
    EXPECT_EQ(cmd.PrintRasterImage(BitmapImage{}, 10), 111);
    EXPECT_EQ(cmd.PrintRasterImage(solid(1, 1, 0), 70000), 111) << "rows would not fit GS v 0";
    EXPECT_EQ(cmd.Length(), 0);
}

TEST(Raster, OtherDepthsGiveAnAllBlackGreyImage) {
    BitmapImage img;
    img.width = 8;
    img.height = 1;
    img.bitsPerPixel = 8;
    img.bytesPerRow = 8;
    img.pixels.assign(8, 0xFF);
    EscCmd cmd;
    ASSERT_EQ(cmd.PrintRasterImage(img, 8), 0);
    EXPECT_EQ(cmd.Data()[8], 0xFF);
}

}  // namespace

#include "platform/Image.h"

#include <stb/stb_image_write.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace vornik::platform;

namespace {

void put16(std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// A bottom-up BMP: rows[0] is the top row; pixel (x, y) -> (b, g, r).
std::vector<std::uint8_t> bmp(int w, int h, int bits, std::uint8_t (*pixel)(int x, int y, int c)) {
    const int stride = ((w * bits + 31) / 32) * 4;
    const int paletteBytes = bits == 1 ? 8 : 0;
    std::vector<std::uint8_t> b = {'B', 'M'};
    put32(b, 54 + paletteBytes + stride * h);
    put32(b, 0);
    put32(b, 54 + paletteBytes);
    put32(b, 40);
    put32(b, w);
    put32(b, h);
    put16(b, 1);
    put16(b, bits);
    put32(b, 0);
    put32(b, stride * h);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, bits == 1 ? 2 : 0);
    put32(b, 0);
    if (bits == 1) {
        put32(b, 0x00000000);  // index 0 black
        put32(b, 0x00FFFFFF);  // index 1 white
    }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < w; ++x) {
            if (bits == 1) {
                if (pixel(x, y, 0)) row[x / 8] |= 0x80 >> (x % 8);
            } else {
                for (int c = 0; c < 3; ++c) row[x * (bits / 8) + c] = pixel(x, y, c);
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

std::uint8_t topRowWhite(int, int y, int) { return y == 0 ? 255 : 0; }

// Blue, green, red of pixel (x, y) counting rows in stored order.
std::vector<int> bgr(const BitmapImage& img, int x, int storedRow) {
    const std::uint8_t* p = img.pixels.data() + static_cast<std::size_t>(storedRow) * img.bytesPerRow + 4 * x;
    return {p[0], p[1], p[2]};
}

TEST(ImageDecoding, FilesComeTopRowFirstAndMemoryBottomRowFirst) {
    for (int bits : {1, 24, 32}) {
        auto data = bmp(5, 3, bits, topRowWhite);
        const std::string path = testing::TempDir() + "img-" + std::to_string(::getpid()) + "-" + std::to_string(bits) + ".bmp";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
        BitmapImage file, memory;
        std::string error;
        ASSERT_TRUE(loadImageFile(path, file, &error)) << bits << ": " << error;
        ASSERT_TRUE(decodeImageMemory(data.data(), data.size(), memory, &error)) << bits << ": " << error;
        for (const BitmapImage* img : {&file, &memory}) {
            EXPECT_EQ(img->width, 5);
            EXPECT_EQ(img->height, 3);
            EXPECT_EQ(img->bitsPerPixel, 32);
            EXPECT_EQ(img->bytesPerRow, 20);
        }
        EXPECT_EQ(bgr(file, 0, 0), (std::vector<int>{255, 255, 255})) << bits;
        EXPECT_EQ(bgr(file, 0, 2), (std::vector<int>{0, 0, 0})) << bits;
        EXPECT_EQ(bgr(memory, 0, 2), (std::vector<int>{255, 255, 255})) << bits << ": top row stored last";
        std::remove(path.c_str());
    }
}

TEST(ImageDecoding, PngAndJpegFiles) {
    std::vector<std::uint8_t> rgb(4 * 2 * 3, 0);
    rgb[0] = 255;  // red at (0, 0)
    const std::string base = testing::TempDir() + "img-" + std::to_string(::getpid());
    ASSERT_TRUE(stbi_write_png((base + ".png").c_str(), 4, 2, 3, rgb.data(), 12));
    ASSERT_TRUE(stbi_write_jpg((base + ".jpg").c_str(), 4, 2, 3, rgb.data(), 95));
    BitmapImage png, jpg;
    ASSERT_TRUE(loadImageFile(base + ".png", png));
    ASSERT_TRUE(loadImageFile(base + ".jpg", jpg));
    EXPECT_EQ(bgr(png, 0, 0), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(jpg.width, 4);
    EXPECT_EQ(jpg.height, 2);
    std::remove((base + ".png").c_str());
    std::remove((base + ".jpg").c_str());
}

TEST(ImageDecoding, BadInputFailsCleanly) {
    BitmapImage img;
    EXPECT_FALSE(loadImageFile("/nonexistent/x.bmp", img));
    EXPECT_FALSE(decodeImageMemory(nullptr, 0, img));
    const std::uint8_t junk[] = "not an image at all";
    EXPECT_FALSE(decodeImageMemory(junk, sizeof junk, img));
    auto good = bmp(16, 16, 24, topRowWhite);
    for (std::size_t cut : {std::size_t{2}, std::size_t{20}, std::size_t{54}, good.size() / 2})
        EXPECT_FALSE(decodeImageMemory(good.data(), cut, img)) << "truncated at " << cut;
    // A header that claims 100000 x 100000 pixels.
    auto lying = good;
    const std::uint32_t big = 100000;
    std::memcpy(&lying[18], &big, 4);
    std::memcpy(&lying[22], &big, 4);
    std::string error;
    EXPECT_FALSE(decodeImageMemory(lying.data(), lying.size(), img, &error));
    // Width, height and depth at their extremes (once an arithmetic overflow in the truncation check).
    auto extreme = good;
    const std::uint32_t maxWidth = 0x7FFFFFFF, minHeight = 0x80000000;
    const std::uint16_t maxBits = 0xFFFF;
    std::memcpy(&extreme[18], &maxWidth, 4);
    std::memcpy(&extreme[22], &minHeight, 4);
    std::memcpy(&extreme[28], &maxBits, 2);
    EXPECT_FALSE(decodeImageMemory(extreme.data(), extreme.size(), img, &error));
}

}  // namespace

// Print data pipeline timings, one run, medians of repeated measurements:
//  (a) grey conversion, ordered dithering and packing of a 576 x 432 24-bit
//      image (no scaling) into a GS v 0 command, next to the same work done by
//      the receipt printer encoder package (its Bayer mode) run with Node now;
//  (b) the full conversion of a 640 x 480 image to 576 dots (scale, dither, pack);
//  (c) translator throughput on plain text and on escape-heavy receipt text,
//      as a fraction of memcpy of the same bytes.
#include "pipeline/Cmd.h"
#include "pipeline/OposDataParser.h"
#include "platform/Image.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace vornik;
using Clock = std::chrono::steady_clock;

namespace {

template <typename Fn>
double medianMs(int repetitions, Fn fn) {
    std::vector<double> times;
    for (int r = 0; r < repetitions + 2; ++r) {
        auto t0 = Clock::now();
        fn();
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        if (r >= 2) times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The test picture of the Node side: a grey ramp with a diagonal band, 24 bits.
platform::BitmapImage picture(int width, int height) {
    platform::BitmapImage img;
    img.width = width;
    img.height = height;
    img.bitsPerPixel = 24;
    img.bytesPerRow = ((width * 3 + 3) / 4) * 4;
    img.pixels.assign(static_cast<std::size_t>(img.bytesPerRow) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int level = static_cast<int>((x * 255.0) / (width - 1) + ((x + y) % 64 < 8 ? 128 : 0)) % 256;
            std::uint8_t* p = img.pixels.data() + static_cast<std::size_t>(y) * img.bytesPerRow + 3 * x;
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(level);
        }
    return img;
}

// Runs the Node side; its median in milliseconds, or a negative value when it cannot run.
double nodeMedianMs(int repetitions) {
    const std::string dir = std::string(VORNIK_SOURCE_DIR) + "/bench/node";
    const std::string cmd = "cd '" + dir + "' && node bayer.mjs " + std::to_string(repetitions) + " 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return -1;
    char line[256];
    double ms = -1;
    while (std::fgets(line, sizeof line, p))
        if (std::strncmp(line, "median_ms ", 10) == 0) ms = std::atof(line + 10);
    ::pclose(p);
    return ms;
}

std::u16string receiptText(bool escapes, std::size_t bytes) {
    std::string line = escapes ? "\x1b|cA\x1b|bC\x1b|2CCoffee\x1b|N  \x1b|rA\x1b|uC3.50\x1b|lF\n"
                               : "Coffee, large                               3.50\n";
    std::string text;
    while (text.size() < bytes) text += line;
    return so::WidenAnsiBytes(text);
}

}  // namespace

int main() {
    const int reps = 15;

    // (a)
    const platform::BitmapImage img576 = picture(576, 432);
    so::EscCmd out;
    const double oursMs = medianMs(reps, [&] {
        out.Clear();
        out.PrintRasterImage(img576, 576);
    });
    std::printf("(a) dither+pack 576x432 24-bit: ours %.3f ms (%d bytes)\n", oursMs, out.Length());
    const double nodeMs = nodeMedianMs(reps);
    if (nodeMs > 0)
        std::printf("    receipt-printer-encoder (Node, bayer): %.3f ms; ratio %.1fx faster\n", nodeMs, nodeMs / oursMs);
    else
        std::printf("    Node comparison not run (run 'make bench', which installs bench/node)\n");

    // (b)
    const platform::BitmapImage img640 = picture(640, 480);
    const double fullMs = medianMs(reps, [&] {
        out.Clear();
        out.PrintRasterImage(img640, 576);
    });
    std::printf("(b) full conversion 640x480 -> 576 dots (scale, dither, pack): %.3f ms; %.1fx the time of (a)\n",
                fullMs, fullMs / oursMs);

    // (c)
    for (bool escapes : {false, true}) {
        const std::u16string text = receiptText(escapes, 1 << 20);
        const std::string bytes = so::NarrowToAnsiBytes(text);
        std::vector<char> copy(bytes.size());
        so::OposDataParser parser(1);
        so::EscCmd sink;
        const double parseMs = medianMs(reps, [&] {
            sink.Clear();
            parser.OposCmdAndDataParing(text, sink);
        });
        const double copyMs = medianMs(reps, [&] {
            std::memcpy(copy.data(), bytes.data(), bytes.size());
            asm volatile("" : : "r"(copy.data()) : "memory");
        });
        std::printf("(c) translator, %s text, 1 MiB: %.3f ms (%.1f MB/s); memcpy %.3f ms; translator at %.4f of memcpy speed\n",
                    escapes ? "escape-heavy" : "plain", parseMs, bytes.size() / parseMs / 1000.0, copyMs, copyMs / parseMs);
    }
    return 0;
}

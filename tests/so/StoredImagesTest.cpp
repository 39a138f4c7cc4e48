#include "pipeline/Cmd.h"
#include "pipeline/StoredImages.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace vornik::so;

namespace {

TEST(StoredImages, StoreReplaceAndFree) {
    EscCmd a, b;
    a.FullCut();
    b.PartialCut();
    b.FeedLines(2);
    ASSERT_EQ(StoreBitmapEntry(g_storedBitmaps, 19, a), 0);
    ASSERT_EQ(StoreBitmapEntry(g_storedBitmaps, 19, b), 0);
    std::vector<std::uint8_t> got;
    ASSERT_TRUE(CopyBitmapEntry(g_storedBitmaps, 19, got));
    EXPECT_EQ(got, (std::vector<std::uint8_t>{0x1B, 0x6D, 0x1B, 0x64, 2}));
    EscCmd empty;
    EXPECT_EQ(StoreBitmapEntry(g_storedBitmaps, 0, empty), 1) << "nothing to store: the entry stays empty";
    EXPECT_FALSE(g_storedBitmaps[0].present());
    FreeBitmapEntries(g_storedBitmaps, kStoredBitmapCount);
    EXPECT_FALSE(CopyBitmapEntry(g_storedBitmaps, 19, got));
}

// A store on one thread while another reads: run under TSan.
TEST(StoredImages, StoreAndCopyFromTwoThreads) {
    EscCmd cmd;
    cmd.FeedLines(1);
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) StoreBitmapEntry(g_storedBitmaps, 3, cmd);
    });
    std::vector<std::uint8_t> got;
    for (int i = 0; i < 2000; ++i)
        if (CopyBitmapEntry(g_storedBitmaps, 3, got)) ASSERT_EQ(got.size(), 3u);
    writer.join();
    FreeBitmapEntries(g_storedBitmaps, kStoredBitmapCount);
}

}  // namespace

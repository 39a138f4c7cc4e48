// The process-wide stored images: 20 bitmaps (numbered 1 to 20) that print
// data prints with ESC|nB, and 2 logos (top, bottom), each a block of printer
// bytes; and the two logo request flags that the translator raises and the
// print methods clear and read. All empty when the library loads; every
// printer CloseService empties them. One lock guards the tables, so a
// SetBitmap on one printer and a translation on another never meet halfway.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace vornik::so {

class Cmd;

struct BitmapEntry {
    unsigned char* bytes = nullptr;  // owned
    int length = 0;
    bool present() const { return bytes != nullptr && length > 0; }
};

inline constexpr int kStoredBitmapCount = 20;
inline constexpr int kLogoCount = 2;  // 0 top, 1 bottom

extern BitmapEntry g_storedBitmaps[kStoredBitmapCount];
extern BitmapEntry g_logos[kLogoCount];
extern std::atomic<int> g_topLogoRequested;
extern std::atomic<int> g_bottomLogoRequested;

// Replaces entry index (0-based) of table with a copy of cmd's bytes: 0, or 1
// when the copy cannot be allocated (the entry is then empty).
int StoreBitmapEntry(BitmapEntry* table, int index, const Cmd& cmd);
// Empties the first count entries of table.
void FreeBitmapEntries(BitmapEntry* table, int count);
// A copy of entry index's bytes; false when it is absent.
bool CopyBitmapEntry(const BitmapEntry* table, int index, std::vector<std::uint8_t>& out);

}  // namespace vornik::so

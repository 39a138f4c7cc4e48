#include "Cmd.h"

#include "Raster.h"
#include "infra/Errors.h"

#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace vornik::so {

namespace {
constexpr int kFailure = 111;

inline unsigned char lo(int v) { return static_cast<unsigned char>(v & 0xFF); }
inline unsigned char hi16(int v) { return static_cast<unsigned char>((v >> 8) & 0xFF); }

int dataLength(const char* data) { return data ? static_cast<int>(std::strlen(data)) : 0; }

bool allDigits(const char* data, int n) {
    for (int i = 0; i < n; ++i)
        if (data[i] < '0' || data[i] > '9') return false;
    return true;
}

inline bool isAtoD(char c) { return c >= 'A' && c <= 'D'; }
}  // namespace

// ---------------------------------------------------------------------------
// Cmd: the buffer.

Cmd::Cmd() : m_data(new (std::nothrow) unsigned char[kInitialCapacity]), m_length(0), m_capacity(m_data ? kInitialCapacity : 0) {}

Cmd::~Cmd() {
    delete[] m_data;
    m_data = nullptr;
    m_length = m_capacity = 0;
}

int Cmd::Append(const void* bytes, int count) {
    if (count <= 0) return 0;
    if (!bytes) return kFailure;
    if (m_capacity - m_length < count) {
        const long long grown = static_cast<long long>(count) + 2LL * m_capacity;
        if (grown > std::numeric_limits<int>::max()) return kFailure;
        auto* bigger = new (std::nothrow) unsigned char[static_cast<std::size_t>(grown)];
        if (!bigger) return kFailure;
        if (m_length > 0) std::memcpy(bigger, m_data, static_cast<std::size_t>(m_length));
        // Bytes taken from this very buffer move with it.
        const auto* src = static_cast<const unsigned char*>(bytes);
        if (src >= m_data && src < m_data + m_length) bytes = bigger + (src - m_data);
        delete[] m_data;
        m_data = bigger;
        m_capacity = static_cast<int>(grown);
    }
    std::memmove(m_data + m_length, bytes, static_cast<std::size_t>(count));
    m_length += count;
    return 0;
}

int Cmd::WriteBarcodeCommand(const char* data, int type) {
    const int n = dataLength(data);
    std::vector<unsigned char> cmd = {0x1D, 0x6B, lo(type), lo(n)};
    cmd.insert(cmd.end(), data, data + n);
    return Append(cmd.data(), static_cast<int>(cmd.size()));
}

bool ValidateBarcodeData(const char* data, int type) {
    const int n = dataLength(data);
    switch (type) {
    case 65: return (n == 11 || n == 12) && allDigits(data, n);
    case 66: return (n == 11 || n == 12) && data[0] == '0' && allDigits(data, n);
    case 67: return (n == 12 || n == 13) && allDigits(data, n);
    case 68: return (n == 7 || n == 8) && allDigits(data, n);
    case 71: {
        if (n < 2 || n > 255 || !isAtoD(data[0]) || !isAtoD(data[n - 1])) return false;
        for (int i = 1; i < n - 1; ++i)
            if (isAtoD(data[i])) return false;
        return true;
    }
    default: return false;
    }
}

// ---------------------------------------------------------------------------
// EscCmd: the builders.

int EscCmd::bytes(std::initializer_list<int> values) {
    unsigned char buf[32];
    int n = 0;
    for (int v : values) buf[n++] = lo(v);
    return Append(buf, n);
}

int EscCmd::Initialize() { return bytes({0x1B, 0x40}); }
int EscCmd::QueryPrinterIds() { return bytes({0x1D, 0x49, 0x01, 0x1D, 0x49, 0x02}); }
int EscCmd::QueryPrinterInfo() {
    return bytes({0x1D, 0x49, 0x41, 0x1D, 0x49, 0x42, 0x1D, 0x49, 0x43, 0x1D, 0x49, 0x44, 0x1D, 0x49, 0x45});
}
int EscCmd::SetEmphasized(int n) { return bytes({0x1B, 0x45, n}); }
int EscCmd::SelectPeripheral(int n) { return bytes({0x1B, 0x3D, n}); }
int EscCmd::SelectCodeTable(int n) { return bytes({0x1B, 0x74, n}); }
int EscCmd::WriteGsParen0(int a, int b, int c, int d) { return bytes({0x1D, 0x28, 0x30, 0x06, 0x00, a, b, c, d}); }
int EscCmd::SetDoubleStrike(int n) { return bytes({0x1B, 0x47, n}); }
int EscCmd::SetUnderline(int n) { return bytes({0x1B, 0x2D, n}); }
int EscCmd::SetCharacterSize(int n) { return bytes({0x1D, 0x21, n}); }
int EscCmd::FeedDots(int n) { return bytes({0x1B, 0x4A, n}); }
int EscCmd::FeedLines(int n) { return bytes({0x1B, 0x64, n}); }
int EscCmd::SelectInternationalSet(int n) { return bytes({0x1B, 0x52, n}); }
int EscCmd::SetUpsideDown(int n) { return bytes({0x1B, 0x7B, n}); }
int EscCmd::SetRotate90(int n) { return bytes({0x1B, 0x56, n}); }
int EscCmd::Reserved(int) { return 0; }
int EscCmd::SelectFont(int n) { return bytes({0x1B, 0x4D, n}); }
int EscCmd::SetLeftMargin(int nL, int nH) { return bytes({0x1D, 0x4C, nL, nH}); }
int EscCmd::SetPrintAreaWidth(int nL, int nH) { return bytes({0x1D, 0x57, nL, nH}); }

int EscCmd::SelectDoubleByteCode(int charSet) {
    switch (charSet) {
    case 255: return bytes({0x1C, 0x26, 0x1B, 0x39, 0x00});
    case 254: return bytes({0x1C, 0x26, 0x1B, 0x39, 0x03});
    case 253: return bytes({0x1C, 0x26, 0x1B, 0x39, 0x01});
    default: return bytes({0x1C, 0x2E});
    }
}

int EscCmd::SetFs3Value(int n) { return bytes({0x1C, 0x33, n}); }
int EscCmd::SetJustification(int n) { return bytes({0x1B, 0x61, n}); }
int EscCmd::FullCut() { return bytes({0x1B, 0x69}); }
int EscCmd::PartialCut() { return bytes({0x1B, 0x6D}); }

int EscCmd::FeedNewLines(int n) {
    if (n >= 1 && n <= 299) {
        std::vector<unsigned char> lf(static_cast<std::size_t>(n), 0x0A);
        return Append(lf.data(), n);
    }
    return bytes({0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A});
}

int EscCmd::SetAbsolutePosition(int nL, int nH) { return bytes({0x1B, 0x24, nL, nH}); }
int EscCmd::SetPageVerticalPosition(int nL, int nH) { return bytes({0x1D, 0x24, nL, nH}); }
int EscCmd::SelectStandardMode() { return bytes({0x1B, 0x53}); }
int EscCmd::SelectPageMode() { return bytes({0x1B, 0x4C}); }
int EscCmd::PrintPage() { return bytes({0x0C}); }
int EscCmd::SetPageArea(int x, int y, int dx, int dy) {
    return bytes({0x1B, 0x57, x, hi16(x), y, hi16(y), dx, hi16(dx), dy, hi16(dy)});
}

int EscCmd::SetPageDirection(int rotation) {
    int r = 0x32;
    if (rotation == 0x0001) r = 0x30;
    else if (rotation == 0x0101) r = 0x33;
    else if (rotation == 0x0102) r = 0x31;
    return bytes({0x1B, 0x54, r});
}

int EscCmd::printRaster(const platform::BitmapImage& bitmap, int width, bool bottomUp) {
    RasterImage raster;
    if (!ConvertToRaster(bitmap, width, bottomUp, raster)) return kFailure;
    const long long total = 8LL + static_cast<long long>(raster.bits.size());
    if (total > std::numeric_limits<int>::max()) return kFailure;
    // The header and the raster go in as one append, so that a failure appends nothing.
    std::vector<unsigned char> cmd;
    try {
        cmd.reserve(static_cast<std::size_t>(total));
    } catch (const std::bad_alloc&) {
        return kFailure;
    }
    const int X = raster.bytesPerRow, Y = raster.rows;
    cmd = {0x1D, 0x76, 0x30, 0x00, lo(X), hi16(X), lo(Y), hi16(Y)};
    cmd.insert(cmd.end(), raster.bits.begin(), raster.bits.end());
    return Append(cmd.data(), static_cast<int>(cmd.size()));
}

int EscCmd::PrintRasterImage(const platform::BitmapImage& bitmap, int width) { return printRaster(bitmap, width, false); }
int EscCmd::PrintRasterImageBottomUp(const platform::BitmapImage& bitmap, int width) {
    return printRaster(bitmap, width, true);
}

int EscCmd::SetHriPosition(int position) { return bytes({0x1D, 0x48, position == 1 ? 1 : position == 2 ? 2 : 0}); }
int EscCmd::SetBarcodeHeight(int n) { return bytes({0x1D, 0x68, n}); }
int EscCmd::SetBarcodeWidth(int n) { return bytes({0x1D, 0x77, n}); }

int EscCmd::PrintCheckedBarcode(const char* data, int type) {
    if (!ValidateBarcodeData(data, type)) throw OposError(kBarcodeRefused);
    return WriteBarcodeCommand(data, type);
}

int EscCmd::PrintBarcode(const char* data, int type) {
    if (!data || dataLength(data) > 255) throw OposError(kBarcodeRefused);
    return WriteBarcodeCommand(data, type);
}
int EscCmd::PrintCode93Barcode(const char* data, int type) { return PrintBarcode(data, type); }
int EscCmd::PrintItfBarcode(const char* data, int type) { return PrintBarcode(data, type); }
int EscCmd::PrintOtherBarcode(const char* data, int type) { return PrintBarcode(data, type); }
int EscCmd::PrintCode128Barcode(const char* data, int type) { return PrintBarcode(data, type); }

int EscCmd::PrintCodabarBarcode(const char* data, int type) {
    if (!data || dataLength(data) > 255 || !ValidateBarcodeData(data, type)) throw OposError(kBarcodeRefused);
    return WriteBarcodeCommand(data, type);
}

int EscCmd::PrintPdf417(const char* data, int a, int b, int c) {
    const int n = dataLength(data);
    if (n + 2 > 0xFFFF) throw OposError(kBarcodeRefused);  // k must fit its 16-bit field
    const int k = n + 2;
    std::vector<unsigned char> cmd = {0x1D, 0x5A, 0x00, 0x1B, 0x5A, lo(a), lo(b), lo(c), lo(k), hi16(k)};
    cmd.insert(cmd.end(), data, data + n);
    return Append(cmd.data(), static_cast<int>(cmd.size()));
}

int EscCmd::SetQrModuleSize(int n) { return bytes({0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, (n < 1 || n > 15) ? 5 : n}); }
int EscCmd::SetQrErrorCorrection(int n) {
    return bytes({0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x45, (n < 48 || n > 51) ? 48 : n});
}

int EscCmd::PrintQrCode(const char* data, int) {
    const int n = dataLength(data);
    if (n + 3 > 0xFFFF) throw OposError(kBarcodeRefused);  // p must fit its 16-bit field
    const int p = n + 3;
    std::vector<unsigned char> cmd = {0x1D, 0x28, 0x6B, lo(p), hi16(p), 0x31, 0x50, 0x30};
    cmd.insert(cmd.end(), data, data + n);
    const unsigned char print[] = {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x51, 0x30};
    cmd.insert(cmd.end(), print, print + sizeof print);
    return Append(cmd.data(), static_cast<int>(cmd.size()));
}

int EscCmd::GeneratePulse(int n, int m, int t) { return bytes({0x10, 0x14, n, m, t}); }
int EscCmd::KickDrawer(int m, int t1, int t2) { return bytes({0x1B, 0x70, m, t1, t2}); }
int EscCmd::QueryAllStatus() { return bytes({0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x03, 0x10, 0x04, 0x04}); }
int EscCmd::QueryPrinterState() { return bytes({0x10, 0x04, 0x01}); }
int EscCmd::QueryOfflineCause() { return bytes({0x10, 0x04, 0x02}); }
int EscCmd::QueryErrorCause() { return bytes({0x10, 0x04, 0x03}); }
int EscCmd::QueryPaperSensor() { return bytes({0x10, 0x04, 0x04}); }

}  // namespace vornik::so

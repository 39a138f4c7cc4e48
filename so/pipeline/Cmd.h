// The printer command set: every printer byte the service library produces is
// appended through one of these builders.
//
// Cmd owns a byte buffer (2048 bytes to start; when an append does not fit,
// the capacity becomes count + 2 x capacity). Builders return 0 when their
// bytes were appended and 111 when the buffer could not grow (or, for the
// raster builders, when the image could not be converted); a failed builder
// appends nothing. A byte parameter is emitted as its low 8 bits; a 16-bit
// value v as v mod 256, v / 256. Barcode data is a NUL-terminated byte string
// already in the printer's encoding.
//
// EscCmd encodes every builder in ESC/POS.
#pragma once

#include "platform/Image.h"

#include <cstddef>
#include <cstdint>

namespace vornik::so {

class Cmd {
public:
    Cmd();
    virtual ~Cmd();
    Cmd(const Cmd&) = delete;
    Cmd& operator=(const Cmd&) = delete;

    virtual int Initialize() = 0;                                         // 1
    virtual int QueryPrinterIds() = 0;                                    // 2
    virtual int QueryPrinterInfo() = 0;                                   // 3
    virtual int SetEmphasized(int n) = 0;                                 // 4
    virtual int SelectPeripheral(int n) = 0;                              // 5
    virtual int SelectCodeTable(int n) = 0;                               // 6
    virtual int WriteGsParen0(int a, int b, int c, int d) = 0;            // 7
    virtual int SetDoubleStrike(int n) = 0;                               // 8
    virtual int SetUnderline(int n) = 0;                                  // 9
    virtual int SetCharacterSize(int n) = 0;                              // 10
    virtual int FeedDots(int n) = 0;                                      // 11
    virtual int FeedLines(int n) = 0;                                     // 12
    virtual int SelectInternationalSet(int n) = 0;                        // 13
    virtual int SetUpsideDown(int n) = 0;                                 // 14
    virtual int SetRotate90(int n) = 0;                                   // 15
    virtual int Reserved(int n) = 0;                                      // 16
    virtual int SelectFont(int n) = 0;                                    // 17
    virtual int SetLeftMargin(int nL, int nH) = 0;                        // 18
    virtual int SetPrintAreaWidth(int nL, int nH) = 0;                    // 19
    virtual int SelectDoubleByteCode(int charSet) = 0;                    // 20
    virtual int SetFs3Value(int n) = 0;                                   // 21
    virtual int SetJustification(int n) = 0;                              // 22
    virtual int FullCut() = 0;                                            // 23
    virtual int PartialCut() = 0;                                         // 24
    virtual int FeedNewLines(int n) = 0;                                  // 25
    virtual int SetAbsolutePosition(int nL, int nH) = 0;                  // 26
    virtual int SetPageVerticalPosition(int nL, int nH) = 0;              // 27
    virtual int SelectStandardMode() = 0;                                 // 28
    virtual int SelectPageMode() = 0;                                     // 29
    virtual int PrintPage() = 0;                                          // 30
    virtual int SetPageArea(int x, int y, int dx, int dy) = 0;            // 31
    virtual int SetPageDirection(int rotation) = 0;                       // 32
    // 33/34: the image record stands for the bitmap and its description.
    virtual int PrintRasterImage(const platform::BitmapImage& bitmap, int width) = 0;          // 33
    virtual int PrintRasterImageBottomUp(const platform::BitmapImage& bitmap, int width) = 0;  // 34
    virtual int SetHriPosition(int position) = 0;                         // 35
    virtual int SetBarcodeHeight(int n) = 0;                              // 36
    virtual int SetBarcodeWidth(int n) = 0;                               // 37
    // 38-44 throw OposError (kBarcodeRefused) for data they refuse; nothing is appended then.
    virtual int PrintCheckedBarcode(const char* data, int type) = 0;      // 38
    virtual int PrintBarcode(const char* data, int type) = 0;             // 39
    virtual int PrintCode93Barcode(const char* data, int type) = 0;       // 40
    virtual int PrintItfBarcode(const char* data, int type) = 0;          // 41
    virtual int PrintCodabarBarcode(const char* data, int type) = 0;      // 42
    virtual int PrintOtherBarcode(const char* data, int type) = 0;        // 43
    virtual int PrintCode128Barcode(const char* data, int type) = 0;      // 44
    virtual int PrintPdf417(const char* data, int a, int b, int c) = 0;   // 45
    virtual int SetQrModuleSize(int n) = 0;                               // 46
    virtual int SetQrErrorCorrection(int n) = 0;                          // 47
    virtual int PrintQrCode(const char* data, int extra) = 0;             // 48
    virtual int GeneratePulse(int n, int m, int t) = 0;                   // 49
    virtual int KickDrawer(int m, int t1, int t2) = 0;                    // 50
    virtual int QueryAllStatus() = 0;                                     // 51
    virtual int QueryPrinterState() = 0;                                  // 52
    virtual int QueryOfflineCause() = 0;                                  // 53
    virtual int QueryErrorCause() = 0;                                    // 54
    virtual int QueryPaperSensor() = 0;                                   // 55

    // Appends count bytes; 0, or 111 when the buffer cannot grow (it is then unchanged).
    int Append(const void* bytes, int count);
    int Append(const Cmd& other) { return Append(other.Data(), other.Length()); }
    void Clear() { m_length = 0; }
    const unsigned char* Data() const { return m_data; }
    int Length() const { return m_length; }
    int Capacity() const { return m_capacity; }

    static constexpr int kInitialCapacity = 2048;

protected:
    // The barcode command GS k type n d1..dn (the caller has checked the length).
    int WriteBarcodeCommand(const char* data, int type);

private:
    unsigned char* m_data;
    int m_length;
    int m_capacity;
};

// Whether a checked symbology accepts the data (types 65 UPC-A, 66 UPC-E,
// 67 EAN-13, 68 EAN-8, 71 Codabar; any other type is refused).
bool ValidateBarcodeData(const char* data, int type);

// The message of a refused bar code request.
inline constexpr const char* kBarcodeRefused =
    "Method PrintBarCode threw an exception.  Attempt was made to perform an illegal or unsupported operation "
    "with the device, or an invalid parameter value was used.";

class EscCmd : public Cmd {
public:
    int Initialize() override;
    int QueryPrinterIds() override;
    int QueryPrinterInfo() override;
    int SetEmphasized(int n) override;
    int SelectPeripheral(int n) override;
    int SelectCodeTable(int n) override;
    int WriteGsParen0(int a, int b, int c, int d) override;
    int SetDoubleStrike(int n) override;
    int SetUnderline(int n) override;
    int SetCharacterSize(int n) override;
    int FeedDots(int n) override;
    int FeedLines(int n) override;
    int SelectInternationalSet(int n) override;
    int SetUpsideDown(int n) override;
    int SetRotate90(int n) override;
    int Reserved(int n) override;
    int SelectFont(int n) override;
    int SetLeftMargin(int nL, int nH) override;
    int SetPrintAreaWidth(int nL, int nH) override;
    int SelectDoubleByteCode(int charSet) override;
    int SetFs3Value(int n) override;
    int SetJustification(int n) override;
    int FullCut() override;
    int PartialCut() override;
    int FeedNewLines(int n) override;
    int SetAbsolutePosition(int nL, int nH) override;
    int SetPageVerticalPosition(int nL, int nH) override;
    int SelectStandardMode() override;
    int SelectPageMode() override;
    int PrintPage() override;
    int SetPageArea(int x, int y, int dx, int dy) override;
    int SetPageDirection(int rotation) override;
    int PrintRasterImage(const platform::BitmapImage& bitmap, int width) override;
    int PrintRasterImageBottomUp(const platform::BitmapImage& bitmap, int width) override;
    int SetHriPosition(int position) override;
    int SetBarcodeHeight(int n) override;
    int SetBarcodeWidth(int n) override;
    int PrintCheckedBarcode(const char* data, int type) override;
    int PrintBarcode(const char* data, int type) override;
    int PrintCode93Barcode(const char* data, int type) override;
    int PrintItfBarcode(const char* data, int type) override;
    int PrintCodabarBarcode(const char* data, int type) override;
    int PrintOtherBarcode(const char* data, int type) override;
    int PrintCode128Barcode(const char* data, int type) override;
    int PrintPdf417(const char* data, int a, int b, int c) override;
    int SetQrModuleSize(int n) override;
    int SetQrErrorCorrection(int n) override;
    int PrintQrCode(const char* data, int extra) override;
    int GeneratePulse(int n, int m, int t) override;
    int KickDrawer(int m, int t1, int t2) override;
    int QueryAllStatus() override;
    int QueryPrinterState() override;
    int QueryOfflineCause() override;
    int QueryErrorCause() override;
    int QueryPaperSensor() override;

private:
    int bytes(std::initializer_list<int> values);
    int printRaster(const platform::BitmapImage& bitmap, int width, bool bottomUp);
};

}  // namespace vornik::so

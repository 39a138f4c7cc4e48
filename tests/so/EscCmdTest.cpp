// The command builders as byte vectors.
#include "pipeline/Cmd.h"
#include "infra/Errors.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace vornik::so;
using Bytes = std::vector<int>;

namespace {

Bytes bytesOf(const Cmd& c) { return Bytes(c.Data(), c.Data() + c.Length()); }

struct BuilderCase {
    const char* name;
    std::function<int(Cmd&)> call;
    Bytes expected;
};
void PrintTo(const BuilderCase& c, std::ostream* os) { *os << c.name; }

class Builders : public testing::TestWithParam<BuilderCase> {};

TEST_P(Builders, AppendTheirBytes) {
    EscCmd cmd;
    EXPECT_EQ(GetParam().call(cmd), 0);
    EXPECT_EQ(bytesOf(cmd), GetParam().expected);
}

Bytes repeat(int byte, int n) { return Bytes(static_cast<std::size_t>(n), byte); }
Bytes crlf5() { return {0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A}; }

INSTANTIATE_TEST_SUITE_P(
    Table, Builders,
    testing::Values(
        BuilderCase{"Initialize", [](Cmd& c) { return c.Initialize(); }, {0x1B, 0x40}},
        BuilderCase{"QueryPrinterIds", [](Cmd& c) { return c.QueryPrinterIds(); }, {0x1D, 0x49, 0x01, 0x1D, 0x49, 0x02}},
        BuilderCase{"QueryPrinterInfo", [](Cmd& c) { return c.QueryPrinterInfo(); },
                    {0x1D, 0x49, 0x41, 0x1D, 0x49, 0x42, 0x1D, 0x49, 0x43, 0x1D, 0x49, 0x44, 0x1D, 0x49, 0x45}},
        BuilderCase{"SetEmphasized", [](Cmd& c) { return c.SetEmphasized(1); }, {0x1B, 0x45, 0x01}},
        BuilderCase{"SelectPeripheral", [](Cmd& c) { return c.SelectPeripheral(1); }, {0x1B, 0x3D, 0x01}},
        BuilderCase{"SelectCodeTable low byte", [](Cmd& c) { return c.SelectCodeTable(0x1FF); }, {0x1B, 0x74, 0xFF}},
        BuilderCase{"WriteGsParen0", [](Cmd& c) { return c.WriteGsParen0(1, 2, 3, 4); },
                    {0x1D, 0x28, 0x30, 0x06, 0x00, 1, 2, 3, 4}},
        BuilderCase{"SetDoubleStrike", [](Cmd& c) { return c.SetDoubleStrike(1); }, {0x1B, 0x47, 0x01}},
        BuilderCase{"SetUnderline", [](Cmd& c) { return c.SetUnderline(2); }, {0x1B, 0x2D, 0x02}},
        BuilderCase{"SetCharacterSize", [](Cmd& c) { return c.SetCharacterSize(0x11); }, {0x1D, 0x21, 0x11}},
        BuilderCase{"FeedDots", [](Cmd& c) { return c.FeedDots(254); }, {0x1B, 0x4A, 0xFE}},
        BuilderCase{"FeedLines", [](Cmd& c) { return c.FeedLines(3); }, {0x1B, 0x64, 0x03}},
        BuilderCase{"SelectInternationalSet", [](Cmd& c) { return c.SelectInternationalSet(15); }, {0x1B, 0x52, 0x0F}},
        BuilderCase{"SetUpsideDown", [](Cmd& c) { return c.SetUpsideDown(1); }, {0x1B, 0x7B, 0x01}},
        BuilderCase{"SetRotate90", [](Cmd& c) { return c.SetRotate90(1); }, {0x1B, 0x56, 0x01}},
        BuilderCase{"Reserved", [](Cmd& c) { return c.Reserved(9); }, {}},
        BuilderCase{"SelectFont", [](Cmd& c) { return c.SelectFont(1); }, {0x1B, 0x4D, 0x01}},
        BuilderCase{"SetLeftMargin", [](Cmd& c) { return c.SetLeftMargin(0x20, 0x01); }, {0x1D, 0x4C, 0x20, 0x01}},
        BuilderCase{"SetPrintAreaWidth", [](Cmd& c) { return c.SetPrintAreaWidth(0x40, 0x02); }, {0x1D, 0x57, 0x40, 0x02}},
        BuilderCase{"SelectDoubleByteCode 255", [](Cmd& c) { return c.SelectDoubleByteCode(255); },
                    {0x1C, 0x26, 0x1B, 0x39, 0x00}},
        BuilderCase{"SelectDoubleByteCode 254", [](Cmd& c) { return c.SelectDoubleByteCode(254); },
                    {0x1C, 0x26, 0x1B, 0x39, 0x03}},
        BuilderCase{"SelectDoubleByteCode 253", [](Cmd& c) { return c.SelectDoubleByteCode(253); },
                    {0x1C, 0x26, 0x1B, 0x39, 0x01}},
        BuilderCase{"SelectDoubleByteCode 936", [](Cmd& c) { return c.SelectDoubleByteCode(936); }, {0x1C, 0x2E}},
        BuilderCase{"SetFs3Value", [](Cmd& c) { return c.SetFs3Value(30); }, {0x1C, 0x33, 0x1E}},
        BuilderCase{"SetJustification", [](Cmd& c) { return c.SetJustification(2); }, {0x1B, 0x61, 0x02}},
        BuilderCase{"FullCut", [](Cmd& c) { return c.FullCut(); }, {0x1B, 0x69}},
        BuilderCase{"PartialCut", [](Cmd& c) { return c.PartialCut(); }, {0x1B, 0x6D}},
        BuilderCase{"FeedNewLines 1", [](Cmd& c) { return c.FeedNewLines(1); }, {0x0A}},
        BuilderCase{"FeedNewLines 299", [](Cmd& c) { return c.FeedNewLines(299); }, repeat(0x0A, 299)},
        BuilderCase{"FeedNewLines 0", [](Cmd& c) { return c.FeedNewLines(0); }, crlf5()},
        BuilderCase{"FeedNewLines 300", [](Cmd& c) { return c.FeedNewLines(300); }, crlf5()},
        BuilderCase{"FeedNewLines -1", [](Cmd& c) { return c.FeedNewLines(-1); }, crlf5()},
        BuilderCase{"SetAbsolutePosition", [](Cmd& c) { return c.SetAbsolutePosition(1, 2); }, {0x1B, 0x24, 1, 2}},
        BuilderCase{"SetPageVerticalPosition", [](Cmd& c) { return c.SetPageVerticalPosition(3, 4); }, {0x1D, 0x24, 3, 4}},
        BuilderCase{"SelectStandardMode", [](Cmd& c) { return c.SelectStandardMode(); }, {0x1B, 0x53}},
        BuilderCase{"SelectPageMode", [](Cmd& c) { return c.SelectPageMode(); }, {0x1B, 0x4C}},
        BuilderCase{"PrintPage", [](Cmd& c) { return c.PrintPage(); }, {0x0C}},
        BuilderCase{"SetPageArea", [](Cmd& c) { return c.SetPageArea(0x0102, 3, 512, 0xFFFF); },
                    {0x1B, 0x57, 0x02, 0x01, 0x03, 0x00, 0x00, 0x02, 0xFF, 0xFF}},
        BuilderCase{"SetPageDirection normal", [](Cmd& c) { return c.SetPageDirection(0x0001); }, {0x1B, 0x54, 0x30}},
        BuilderCase{"SetPageDirection right 90", [](Cmd& c) { return c.SetPageDirection(0x0101); }, {0x1B, 0x54, 0x33}},
        BuilderCase{"SetPageDirection left 90", [](Cmd& c) { return c.SetPageDirection(0x0102); }, {0x1B, 0x54, 0x31}},
        BuilderCase{"SetPageDirection 180", [](Cmd& c) { return c.SetPageDirection(0x0103); }, {0x1B, 0x54, 0x32}},
        BuilderCase{"SetHriPosition 1", [](Cmd& c) { return c.SetHriPosition(1); }, {0x1D, 0x48, 1}},
        BuilderCase{"SetHriPosition 2", [](Cmd& c) { return c.SetHriPosition(2); }, {0x1D, 0x48, 2}},
        BuilderCase{"SetHriPosition other", [](Cmd& c) { return c.SetHriPosition(3); }, {0x1D, 0x48, 0}},
        BuilderCase{"SetBarcodeHeight", [](Cmd& c) { return c.SetBarcodeHeight(0x150); }, {0x1D, 0x68, 0x50}},
        BuilderCase{"SetBarcodeWidth", [](Cmd& c) { return c.SetBarcodeWidth(3); }, {0x1D, 0x77, 0x03}},
        BuilderCase{"PrintCheckedBarcode UPC-A", [](Cmd& c) { return c.PrintCheckedBarcode("12345678901", 65); },
                    {0x1D, 0x6B, 0x41, 0x0B, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '1'}},
        BuilderCase{"PrintBarcode", [](Cmd& c) { return c.PrintBarcode("AB", 69); }, {0x1D, 0x6B, 69, 2, 'A', 'B'}},
        BuilderCase{"PrintCode93Barcode", [](Cmd& c) { return c.PrintCode93Barcode("X", 72); }, {0x1D, 0x6B, 72, 1, 'X'}},
        BuilderCase{"PrintItfBarcode", [](Cmd& c) { return c.PrintItfBarcode("12", 70); }, {0x1D, 0x6B, 70, 2, '1', '2'}},
        BuilderCase{"PrintCodabarBarcode", [](Cmd& c) { return c.PrintCodabarBarcode("A1234B", 71); },
                    {0x1D, 0x6B, 71, 6, 'A', '1', '2', '3', '4', 'B'}},
        BuilderCase{"PrintOtherBarcode", [](Cmd& c) { return c.PrintOtherBarcode("", 73); }, {0x1D, 0x6B, 73, 0}},
        BuilderCase{"PrintCode128Barcode", [](Cmd& c) { return c.PrintCode128Barcode("{A12", 73); },
                    {0x1D, 0x6B, 73, 4, '{', 'A', '1', '2'}},
        BuilderCase{"PrintPdf417", [](Cmd& c) { return c.PrintPdf417("12345", 1, 3, 2); },
                    {0x1D, 0x5A, 0x00, 0x1B, 0x5A, 0x01, 0x03, 0x02, 0x07, 0x00, 0x31, 0x32, 0x33, 0x34, 0x35}},
        BuilderCase{"SetQrModuleSize 16", [](Cmd& c) { return c.SetQrModuleSize(16); },
                    {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, 0x05}},
        BuilderCase{"SetQrModuleSize 15", [](Cmd& c) { return c.SetQrModuleSize(15); },
                    {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, 0x0F}},
        BuilderCase{"SetQrErrorCorrection 49", [](Cmd& c) { return c.SetQrErrorCorrection(49); },
                    {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x45, 0x31}},
        BuilderCase{"SetQrErrorCorrection 52", [](Cmd& c) { return c.SetQrErrorCorrection(52); },
                    {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x45, 0x30}},
        BuilderCase{"PrintQrCode", [](Cmd& c) { return c.PrintQrCode("ABC", 7); },
                    {0x1D, 0x28, 0x6B, 0x06, 0x00, 0x31, 0x50, 0x30, 0x41, 0x42, 0x43, 0x1D, 0x28, 0x6B, 0x03, 0x00,
                     0x31, 0x51, 0x30}},
        BuilderCase{"GeneratePulse", [](Cmd& c) { return c.GeneratePulse(1, 0, 5); }, {0x10, 0x14, 1, 0, 5}},
        BuilderCase{"KickDrawer", [](Cmd& c) { return c.KickDrawer(0, 25, 250); }, {0x1B, 0x70, 0, 25, 250}},
        BuilderCase{"QueryAllStatus", [](Cmd& c) { return c.QueryAllStatus(); },
                    {0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x03, 0x10, 0x04, 0x04}},
        BuilderCase{"QueryPrinterState", [](Cmd& c) { return c.QueryPrinterState(); }, {0x10, 0x04, 0x01}},
        BuilderCase{"QueryOfflineCause", [](Cmd& c) { return c.QueryOfflineCause(); }, {0x10, 0x04, 0x02}},
        BuilderCase{"QueryErrorCause", [](Cmd& c) { return c.QueryErrorCause(); }, {0x10, 0x04, 0x03}},
        BuilderCase{"QueryPaperSensor", [](Cmd& c) { return c.QueryPaperSensor(); }, {0x10, 0x04, 0x04}}));

TEST(CmdBuffer, GrowsToCountPlusTwiceTheCapacity) {
    EscCmd cmd;
    EXPECT_EQ(cmd.Capacity(), 2048);
    std::vector<unsigned char> block(2048, 0x55);
    ASSERT_EQ(cmd.Append(block.data(), 2048), 0);
    EXPECT_EQ(cmd.Capacity(), 2048);
    ASSERT_EQ(cmd.Append(block.data(), 10), 0);
    EXPECT_EQ(cmd.Capacity(), 10 + 2 * 2048);
    EXPECT_EQ(cmd.Length(), 2058);
    cmd.Clear();
    EXPECT_EQ(cmd.Length(), 0);
    EXPECT_EQ(cmd.Capacity(), 4106) << "Clear keeps the storage";
    EXPECT_EQ(cmd.Append(nullptr, 0), 0);
    EXPECT_EQ(cmd.Append(nullptr, 3), 111);
}

TEST(CmdBuffer, AppendingItsOwnBytesSurvivesTheGrowth) {
    EscCmd cmd;
    std::vector<unsigned char> block(2000, 0x41);
    ASSERT_EQ(cmd.Append(block.data(), 2000), 0);
    ASSERT_EQ(cmd.Append(cmd), 0) << "doubles past the first capacity";
    ASSERT_EQ(cmd.Length(), 4000);
    for (int i = 0; i < cmd.Length(); ++i) ASSERT_EQ(cmd.Data()[i], 0x41) << i;
}

struct CheckCase {
    const char* data;
    int type;
    bool accepted;
};
void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.data << " type " << c.type; }

class BarcodeCheck : public testing::TestWithParam<CheckCase> {};
TEST_P(BarcodeCheck, AcceptsOnlyValidData) {
    EXPECT_EQ(ValidateBarcodeData(GetParam().data, GetParam().type), GetParam().accepted);
}
INSTANTIATE_TEST_SUITE_P(
    Table, BarcodeCheck,
    testing::Values(CheckCase{"123456789012", 65, true}, CheckCase{"12345678901", 65, true},
                    CheckCase{"1234567890", 65, false}, CheckCase{"12345678901a", 65, false},
                    CheckCase{"123456789012", 66, false}, CheckCase{"012345678901", 66, true},
                    CheckCase{"1234567890123", 67, true}, CheckCase{"12345678901234", 67, false},
                    CheckCase{"1234567", 68, true}, CheckCase{"123456789", 68, false},
                    CheckCase{"A1234B", 71, true}, CheckCase{"A12C4B", 71, false}, CheckCase{"AB", 71, true},
                    CheckCase{"A", 71, false}, CheckCase{"a1234b", 71, false}, CheckCase{"12345", 72, false},
                    CheckCase{"", 69, false}));

TEST(BarcodeRefusal, ThrowsTheMessageAndAppendsNothing) {
    EscCmd cmd;
    const std::string long256(256, '1');
    const std::vector<std::function<void()>> refused = {
        [&] { cmd.PrintCheckedBarcode("1234567890", 65); },
        [&] { cmd.PrintBarcode(long256.c_str(), 69); },
        [&] { cmd.PrintCode128Barcode(long256.c_str(), 73); },
        [&] { cmd.PrintCodabarBarcode("A12C4B", 71); },
        [&] { cmd.PrintCodabarBarcode(long256.c_str(), 71); },
        [&] { cmd.PrintBarcode(nullptr, 69); },
    };
    for (const auto& call : refused) {
        try {
            call();
            ADD_FAILURE() << "not refused";
        } catch (const OposError& e) {
            EXPECT_STREQ(e.what(),
                         "Method PrintBarCode threw an exception.  Attempt was made to perform an illegal or "
                         "unsupported operation with the device, or an invalid parameter value was used.");
        }
    }
    EXPECT_EQ(cmd.Length(), 0);
    EXPECT_EQ(cmd.PrintBarcode(std::string(255, '1').c_str(), 69), 0) << "255 bytes fit the length byte";
}

}  // namespace

#include "EscPosListing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vornik::vprinter::listEscPos;

namespace {

struct ListingCase {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> lines;
};

void PrintTo(const ListingCase& c, std::ostream* os) { *os << c.what; }

class Listing : public testing::TestWithParam<ListingCase> {};

TEST_P(Listing, NamesEachCommand) { EXPECT_EQ(listEscPos(GetParam().bytes), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(
    Table, Listing,
    testing::Values(
        ListingCase{"text and line feed", {'H', 'i', 0x0A}, {"\"Hi\"", "LF"}},
        ListingCase{"bold and size", {0x1B, 'E', 1, 0x1D, '!', 0x11},
                    {"ESC E 1          bold on", "GS ! 11          size width x2 height x2"}},
        ListingCase{"feed and cut", {0x1D, 'V', 66, 3}, {"GS V 66 3        feed and cut"}},
        ListingCase{"raster data is not read as commands",
                    {0x1D, 'v', '0', 0, 1, 0, 2, 0, 0x1B, 0x40, 'A'},
                    {"GS v 0           raster image 8 x 2 dots", "\"A\""}},
        ListingCase{"bar code with a length byte", {0x1D, 'k', 65, 3, '0', '1', '2'},
                    {"GS k 65           bar code \"012\""}},
        ListingCase{"command cut short", {'x', 0x1B, 'p', 0}, {"\"x\"", "(incomplete command: 1b 70 00)"}},
        ListingCase{"unknown byte", {0x07}, {"(byte 07)"}}));

}  // namespace

#include "PortNames.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using vornik::devio::parallelDevicePath;
using vornik::devio::serialDevicePath;

namespace {

struct NameCase {
    const char* name;
    std::optional<std::string> path;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << (c.name ? c.name : "(null)"); }

class SerialNames : public testing::TestWithParam<NameCase> {};
class ParallelNames : public testing::TestWithParam<NameCase> {};

TEST_P(SerialNames, MapToDevicePaths) { EXPECT_EQ(serialDevicePath(GetParam().name), GetParam().path); }
TEST_P(ParallelNames, MapToDevicePaths) { EXPECT_EQ(parallelDevicePath(GetParam().name), GetParam().path); }

INSTANTIATE_TEST_SUITE_P(
    Table, SerialNames,
    testing::Values(NameCase{"ttyUSB0", "/dev/ttyUSB0"}, NameCase{"ttyUSB0:", "/dev/ttyUSB0"},
                    NameCase{"COM3", "/dev/ttyS2"}, NameCase{"COM3:", "/dev/ttyS2"}, NameCase{"com10", "/dev/ttyS9"},
                    NameCase{"COM0", "/dev/COM0"},  // not a Windows port number: taken as a device name
                    NameCase{"/dev/pts/7", "/dev/pts/7"}, NameCase{"/dev/pts/7:", "/dev/pts/7"},
                    NameCase{"ttyS0::", "/dev/ttyS0:"},  // only one colon is dropped
                    NameCase{"", std::nullopt}, NameCase{":", std::nullopt},
                    NameCase{"../etc/passwd", std::nullopt},
                    NameCase{"abcdefghijklmnopqrstuvwxyz0", "/dev/abcdefghijklmnopqrstuvwxyz0"},  // 27: longest
                    NameCase{"abcdefghijklmnopqrstuvwxyz01", std::nullopt},                     // 28
                    NameCase{"abcdefghijklmnopqrstuvwxyz0:", "/dev/abcdefghijklmnopqrstuvwxyz0"},
                    NameCase{nullptr, std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    Table, ParallelNames,
    testing::Values(NameCase{"lp0", "/dev/lp0"}, NameCase{"lp0:", "/dev/lp0"}, NameCase{"LPT1", "/dev/lp0"},
                    NameCase{"lpt2:", "/dev/lp1"}, NameCase{"/dev/usb/lp0", "/dev/usb/lp0"},
                    NameCase{"abcdefghijklmnopqrstuvwxyz01234", "/dev/abcdefghijklmnopqrstuvwxyz01234"},  // 31
                    NameCase{"abcdefghijklmnopqrstuvwxyz012345", std::nullopt}));

}  // namespace

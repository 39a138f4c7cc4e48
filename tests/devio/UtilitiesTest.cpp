#include <conlink/ConlinkUtil.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct TextCase {
    const char* text;
    int visible, digit, realDigit;
};
void PrintTo(const TextCase& c, std::ostream* os) { *os << '"' << (c.text ? c.text : "(null)") << '"'; }

class TextChecks : public testing::TestWithParam<TextCase> {};
TEST_P(TextChecks, ClassifyTheText) {
    EXPECT_EQ(strIsVisible(GetParam().text), GetParam().visible);
    EXPECT_EQ(strIsDigit(GetParam().text), GetParam().digit);
    EXPECT_EQ(strIsRealDigit(GetParam().text), GetParam().realDigit);
}
INSTANTIATE_TEST_SUITE_P(Table, TextChecks,
                         testing::Values(TextCase{"-5", 1, 0, 1}, TextCase{"123", 1, 1, 1}, TextCase{"-", 1, 0, 0},
                                         TextCase{"5-", 1, 0, 0}, TextCase{"1.5", 1, 0, 0}, TextCase{"", 1, 1, 1},
                                         TextCase{"a\tb", 0, 0, 0}, TextCase{"caf\xe9", 0, 0, 0},
                                         TextCase{nullptr, 0, 0, 0}));

TEST(HexText, DigitsMacsAndAppends) {
    EXPECT_EQ(wchar2UnsigedChar(u'F'), 15);
    EXPECT_EQ(wchar2UnsigedChar(u'f'), 15);
    EXPECT_EQ(wchar2UnsigedChar(u'7'), 7);
    EXPECT_EQ(wchar2UnsigedChar(u'g'), 0);

    char16_t buf[260] = u"MAC ";
    const unsigned char mac[] = {0x00, 0x1A, 0xFF, 0x01, 0x02, 0x03};
    EXPECT_EQ(std::u16string(exchangeMAC(mac, buf)), u"MAC 00-1a-ff-01-02-03");

    char16_t hex[260] = {};
    unsignedChar2WCHAR(0xAB, hex);
    unsignedChar2WCHAR_10(0x05, hex);
    EXPECT_EQ(std::u16string(hex), u"ab05");

    char16_t full[260];
    std::fill(full, full + 258, u'x');
    full[258] = 0;  // 258 characters: no room for two more and a NUL
    unsignedChar2WCHAR(0x11, full);
    EXPECT_EQ(std::u16string(full).size(), 258u);

    EXPECT_EQ(IsMacAddrAllZero(u"000000000000"), 1);
    EXPECT_EQ(IsMacAddrAllZero(u"000000000001"), 0);
    EXPECT_EQ(IsMacAddrAllZero(u"0000"), 0);
}

TEST(CodePageText, ConversionsWithTheirTerminators) {
    ::setenv("VORNIK_ACP", "936", 1);
    char buf[16];
    std::memset(buf, 'Z', sizeof buf);
    wchar2Ansi(u"\u6d4bA", buf);
    EXPECT_EQ(std::string(buf, 5), std::string("\xb2\xe2" "A\0\0", 5)) << "NUL plus one more zero byte";
    EXPECT_EQ(buf[5], 'Z');
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(wchar2cp936(u"\u8bd5", buf), 3);
    char16_t wide[8];
    EXPECT_EQ(char2wchar936("\xca\xd4x", wide), 0);
    EXPECT_EQ(std::u16string(wide), u"\u8bd5x");
    char* ansi = UTF8_To_string("\xe6\xb5\x8b");
    ASSERT_NE(ansi, nullptr);
    EXPECT_STREQ(ansi, "\xb2\xe2");
    EXPECT_EQ(ReleasePointer(ansi), 1);
    ::unsetenv("VORNIK_ACP");
}

TEST(Bytes, MyStrncpyCopiesExactlyN) {
    char dst[8];
    std::memset(dst, '#', sizeof dst);
    myStrncpy(dst, "ab\0cd", 5);
    EXPECT_EQ(std::string(dst, 6), std::string("ab\0cd#", 6));
}

TEST(Random, FillsExactlyNCharactersOfTheAlphabet) {
    const std::string alphabet = ",=+-_!@#$%0123456789abcdefghlmnopqrstuvwxyzABCDEFGHLMNOPQRSTUVWXYZ";
    EXPECT_EQ(alphabet.size(), 66u);
    char a[17], b[17];
    a[16] = b[16] = '\x7f';
    GenRandString(a, 16);
    GenRandString(b, 16);
    EXPECT_EQ(a[16], '\x7f') << "no terminating NUL";
    for (int i = 0; i < 16; ++i) EXPECT_NE(alphabet.find(a[i]), std::string::npos) << a[i];
    EXPECT_NE(std::string(a, 16), std::string(b, 16)) << "two calls in one second differ";
}

TEST(System, TheLinuxAnswers) {
    EXPECT_EQ(GetSystemBits(), sizeof(void*) == 8 ? 64 : GetSystemBits());
    EXPECT_STREQ(getEnvironment(1), "Windows x64");
    EXPECT_STREQ(getEnvironment(0), "Windows NT x86");
    SystemInfoRecord info{};
    SafeGetNativeSystemInfo(&info);
    EXPECT_GT(info.dwNumberOfProcessors, 0u);
    EXPECT_GT(info.dwPageSize, 0u);
    SafeGetNativeSystemInfo(nullptr);
    char16_t os[260] = {};
    EXPECT_EQ(getOsName(nullptr), 0);
    if (std::filesystem::exists("/etc/os-release")) {
        EXPECT_EQ(getOsName(os), 1);
        EXPECT_GT(std::u16string(os).size(), 0u);
    }
    char16_t ip[64] = u"unchanged";
    EXPECT_EQ(GetLocalIp(ip), 0);
    EXPECT_EQ(_SetPrivilege(nullptr, "NotAPrivilege", 1), 0);
    EXPECT_EQ(_SetPrivilege(nullptr, "SeShutdownPrivilege", 1), ::geteuid() == 0 ? 1 : 0);
    ::setenv("LC_ALL", "zh_CN.UTF-8", 1);
    EXPECT_EQ(isChineseOs(), 1);
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(isChineseOs(), 0);
    ::unsetenv("LC_ALL");
}

TEST(Files, LengthAndCopies) {
    const std::string dir = testing::TempDir() + "vornik-util-" + std::to_string(::getpid());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/src");
    { std::ofstream(dir + "/src/a.txt") << "12345"; }
    FILE* f = std::fopen((dir + "/src/a.txt").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(GetFileLen(f), 5);
    EXPECT_EQ(std::ftell(f), 0) << "back at the start";
    std::fclose(f);
    EXPECT_EQ(GetFileLen(nullptr), -1);

    const std::string from = dir + "/src" + '\0' + '\0', to = dir + "/copy" + '\0' + '\0';
    EXPECT_EQ(copyDirFiles(from.c_str(), to.c_str()), 1);
    EXPECT_TRUE(std::filesystem::exists(dir + "/copy/a.txt"));
    const std::string missing = dir + "/none" + '\0' + '\0';
    EXPECT_EQ(copyDirFiles(missing.c_str(), to.c_str()), 0);
    EXPECT_EQ(copyDirFiles("\0", to.c_str()), 0);
    std::filesystem::remove_all(dir);
}

}  // namespace

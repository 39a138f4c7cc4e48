#include "platform/CodePages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace vornik::platform;

namespace {

struct LocaleCase {
    const char* locale;
    unsigned codePage;
    std::uint16_t langId;
};
void PrintTo(const LocaleCase& c, std::ostream* os) { *os << c.locale; }

class LocaleDerivation : public testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleDerivation, GivesTheWindowsCodePageAndLanguage) {
    EXPECT_EQ(ansiCodePageForLocale(GetParam().locale), GetParam().codePage);
    EXPECT_EQ(langIdForLocale(GetParam().locale), GetParam().langId);
}

INSTANTIATE_TEST_SUITE_P(Table, LocaleDerivation,
                         testing::Values(LocaleCase{"zh_CN.UTF-8", 936, 0x0804}, LocaleCase{"zh_TW.UTF-8", 950, 0x0404},
                                         LocaleCase{"ja_JP.eucJP", 932, 0x0411}, LocaleCase{"ru_RU", 1251, 0x0419},
                                         LocaleCase{"pl_PL.UTF-8", 1250, 0x0415}, LocaleCase{"de_DE@euro", 1252, 0x0407},
                                         LocaleCase{"en_GB.UTF-8", 1252, 0x0809}, LocaleCase{"C", 1252, 0x0409},
                                         LocaleCase{"POSIX", 1252, 0x0409}, LocaleCase{"", 1252, 0x0409},
                                         LocaleCase{"zhx_CN", 1252, 0x0409}));

// Each test runs in a process of its own (ctest), so the environment can be set freely.
TEST(SystemLocale, ComesFromTheEnvironmentAndVornikAcpOverridesTheCodePage) {
    ::unsetenv("VORNIK_ACP");
    ::setenv("LC_ALL", "zh_CN.UTF-8", 1);
    EXPECT_EQ(systemAnsiCodePage(), 936u);
    EXPECT_EQ(systemDefaultLangId(), 0x0804);
    ::setenv("VORNIK_ACP", "1251", 1);
    EXPECT_EQ(systemAnsiCodePage(), 1251u);
    EXPECT_EQ(systemDefaultLangId(), 0x0804) << "the override is for the code page only";
    ::setenv("VORNIK_ACP", "not a number", 1);
    EXPECT_EQ(systemAnsiCodePage(), 936u);
    ::setenv("VORNIK_ACP", "99999", 1);
    EXPECT_EQ(systemAnsiCodePage(), 936u);
    ::unsetenv("VORNIK_ACP");
    ::unsetenv("LC_ALL");
}

struct RoundTrip {
    unsigned codePage;
    std::u16string text;
    std::string bytes;
};
void PrintTo(const RoundTrip& c, std::ostream* os) { *os << "cp " << c.codePage; }

class Conversions : public testing::TestWithParam<RoundTrip> {};

TEST_P(Conversions, GoBothWays) {
    EXPECT_EQ(utf16ToCodePage(GetParam().text, GetParam().codePage), GetParam().bytes);
    EXPECT_EQ(codePageToUtf16(GetParam().bytes, GetParam().codePage), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Conversions,
    testing::Values(RoundTrip{1252, u"Caf\u00e9 \u20ac5", "Caf\xe9 \x80" "5"},
                    RoundTrip{936, u"\u6d4b\u8bd5\uff1a", "\xb2\xe2\xca\xd4\xa3\xba"},
                    RoundTrip{950, u"\u6e2c", "\xb4\xfa"}, RoundTrip{932, u"\u30c6", "\x83\x65"},
                    RoundTrip{437, u"\u2591", "\xb0"}, RoundTrip{28592, u"\u0141", "\xa3"},
                    RoundTrip{65001, u"\u00e9\U0001F600", "\xc3\xa9\xf0\x9f\x98\x80"}));

TEST(Conversions, UnmappableCharactersBecomeQuestionMarks) {
    bool usedDefault = false;
    EXPECT_EQ(utf16ToCodePage(u"a\u6d4bb", 1252, &usedDefault), "a?b");
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(utf16ToCodePage(u"ab", 1252, &usedDefault), "ab");
    EXPECT_FALSE(usedDefault);
}

TEST(Conversions, InvalidBytesBecomeReplacementCharacters) {
    // 0x81 alone at the end is a truncated double-byte character in 936.
    EXPECT_EQ(codePageToUtf16("a\x81", 936), u"a\uFFFD");
    EXPECT_EQ(codePageToUtf16("\xff\xfe" "b", 65001), u"\uFFFD\uFFFDb");
}

TEST(Conversions, UnknownCodePagesKeepAscii) {
    EXPECT_FALSE(isCodePageSupported(4242));
    EXPECT_EQ(utf16ToCodePage(u"ok\u00e9", 4242), "ok?");
    EXPECT_EQ(codePageToUtf16("ok\xe9", 4242), u"ok\uFFFD");
}

}  // namespace

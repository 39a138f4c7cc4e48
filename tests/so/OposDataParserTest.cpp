// The translator and the checker on print data; "\x1b|" starts a sequence.
#include "pipeline/Cmd.h"
#include "pipeline/OposDataParser.h"
#include "pipeline/StoredImages.h"
#include "infra/Errors.h"
#include "platform/CodePages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace vornik::so;
using Bytes = std::vector<int>;

namespace {

Bytes bytesOf(const Cmd& c) { return Bytes(c.Data(), c.Data() + c.Length()); }

// Translates data with the parser; returns the bytes appended.
Bytes translate(OposDataParser& p, const std::string& data, int* result = nullptr) {
    EscCmd out;
    int r = p.OposCmdAndDataParing(WidenAnsiBytes(data), out);
    if (result) *result = r;
    return bytesOf(out);
}

Bytes translate(const std::string& data, int mapMode = 1) {
    OposDataParser p(mapMode);
    return translate(p, data);
}

int check(const std::string& data) {
    OposDataParser p(1);
    return p.ValidateOposData(WidenAnsiBytes(data));
}

const std::string E = "\x1b|";

TEST(Translator, TextAndSequencesInOrder) {
    OposDataParser p(1);
    int result = -1;
    EXPECT_EQ(translate(p, "AB" + E + "bCCD" + E + "N", &result),
              (Bytes{0x41, 0x42, 0x1B, 0x47, 0x01, 0x43, 0x44, 0x1B, 0x4A, 0x00, 0x1D, 0x21, 0x00}));
    EXPECT_EQ(result, 4);
}

TEST(Translator, AKeptObjectSwitchesOffItsStylesFirst) {
    OposDataParser p(1);
    translate(p, E + "bC" + E + "uC" + E + "2C" + E + "cA");
    EXPECT_EQ(translate(p, "x"), (Bytes{0x1B, 0x47, 0x00, 0x1B, 0x2D, 0x00, 0x1D, 0x21, 0x00, 0x1B, 0x61, 0x00, 'x'}));
    EXPECT_EQ(translate(p, "y"), (Bytes{'y'})) << "nothing left to switch off";
}

struct SeqCase {
    std::string body;  // after ESC |
    Bytes bytes;
    int mapMode = 1;
};
void PrintTo(const SeqCase& c, std::ostream* os) { *os << "ESC|" << c.body << " map " << c.mapMode; }

class Sequences : public testing::TestWithParam<SeqCase> {};
TEST_P(Sequences, GiveTheirBytes) { EXPECT_EQ(translate(E + GetParam().body, GetParam().mapMode), GetParam().bytes); }

const Bytes crlf5 = {0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A, 0x0D, 0x0A};
Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Sequences,
    testing::Values(
        SeqCase{"cA", {0x1B, 0x61, 1}}, SeqCase{"lA", {0x1B, 0x61, 0}}, SeqCase{"rA", {0x1B, 0x61, 2}},
        SeqCase{"xA", {}}, SeqCase{"1C", {0x1D, 0x21, 0x00}}, SeqCase{"2C", {0x1D, 0x21, 0x10}},
        SeqCase{"3C", {0x1D, 0x21, 0x01}}, SeqCase{"4C", {0x1D, 0x21, 0x11}}, SeqCase{"C", {}},
        SeqCase{"bC", {0x1B, 0x47, 1}}, SeqCase{"!bC", {0x1B, 0x47, 0}}, SeqCase{"tbC", {}}, SeqCase{"!tbC", {}},
        SeqCase{"3hC", {0x1D, 0x21, 0x20}}, SeqCase{"9hC", {0x1D, 0x21, 0x80}}, SeqCase{"hC", {0x1D, 0x21, 0x00}},
        SeqCase{"3vC", {0x1D, 0x21, 0x02}}, SeqCase{"rvC", {}}, SeqCase{"vC", {}}, SeqCase{"iC", {}},
        SeqCase{"uC", {0x1B, 0x2D, 1}}, SeqCase{"2uC", {0x1B, 0x2D, 2}}, SeqCase{"!uC", {0x1B, 0x2D, 0}},
        SeqCase{"600lF", {0x1B, 0x64, 0xFE, 0x1B, 0x64, 0xFE, 0x1B, 0x64, 0x5C}}, SeqCase{"lF", {0x1B, 0x64, 1}},
        SeqCase{"254lF", {0x1B, 0x64, 0xFE}}, SeqCase{"10uF", {0x1B, 0x4A, 10}},
        SeqCase{"100uF", {0x1B, 0x4A, 8}, 4}, SeqCase{"1440uF", {0x1B, 0x4A, 0xCB}, 2},
        SeqCase{"1000uF", {0x1B, 0x4A, 203}, 3}, SeqCase{"0uF", {}}, SeqCase{"N", {0x1B, 0x4A, 0, 0x1D, 0x21, 0}},
        SeqCase{"100P", {0x1B, 0x69}}, SeqCase{"90P", {0x1B, 0x6D}}, SeqCase{"3fP", {0x0A, 0x0A, 0x0A, 0x1B, 0x69}},
        SeqCase{"fP", cat(crlf5, {0x1B, 0x69})}, SeqCase{"2sP", {0x0A, 0x0A, 0x1B, 0x69}}, SeqCase{"P", {}},
        SeqCase{"1fT", {0x1B, 0x4D, 1}}, SeqCase{"T", {0x1B, 0x4D, 0}}, SeqCase{"tL", {}}, SeqCase{"10E", {}},
        SeqCase{std::string(29, ' ') + "1lF", {0x1B, 0x64, 1}},  // body of 32: still a sequence
        SeqCase{std::string(30, ' ') + "1lF", {}}));             // body of 33: dropped

TEST(Translator, NegativeFeedsThrowAndAppendNothingOfThatSequence) {
    OposDataParser p(1);
    EscCmd out;
    for (const std::string& seq : {E + "-3lF", E + "-8uF"}) {
        out.Clear();
        try {
            p.OposCmdAndDataParing(WidenAnsiBytes("ab" + seq), out);
            ADD_FAILURE() << "no error";
        } catch (const OposError& e) {
            EXPECT_STREQ(e.what(), "FreeCmd\xA3\xBAInvalid Data");
        }
        EXPECT_EQ(bytesOf(out), (Bytes{'a', 'b'}));
    }
}

TEST(Translator, EscWithoutBarStopsAndKeepsWhatWasAppended) {
    OposDataParser p(1);
    int result = -1;
    EXPECT_EQ(translate(p, "X\x1bY", &result), (Bytes{0x58}));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(translate(p, "abc\x1b", &result), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(translate(p, "ab" + E + "12lowercase", &result), (Bytes{'a', 'b'})) << "unterminated: rest dropped";
    EXPECT_EQ(result, 2);
}

TEST(Translator, LogoRequestsRaiseTheFlags) {
    g_topLogoRequested = 0;
    g_bottomLogoRequested = 0;
    translate(E + "tL");
    EXPECT_EQ(g_topLogoRequested.load(), 1);
    EXPECT_EQ(g_bottomLogoRequested.load(), 0);
    translate(E + "bL");
    EXPECT_EQ(g_bottomLogoRequested.load(), 1);
}

TEST(Translator, StoredBitmapsPrintTheirBytesWhilePresent) {
    EscCmd stored;
    stored.SetJustification(1);
    stored.FeedLines(9);
    ASSERT_EQ(StoreBitmapEntry(g_storedBitmaps, 4, stored), 0);
    EXPECT_EQ(translate(E + "5B"), (Bytes{0x1B, 0x61, 1, 0x1B, 0x64, 9}));
    EXPECT_EQ(check(E + "5B"), 0);
    EXPECT_EQ(translate(E + "6B"), Bytes{});
    EXPECT_EQ(check(E + "6B"), 106);
    EXPECT_EQ(check(E + "21B"), 106);
    FreeBitmapEntries(g_storedBitmaps, kStoredBitmapCount);
    EXPECT_EQ(translate(E + "5B"), Bytes{});
    EXPECT_EQ(check(E + "5B"), 106);
}

TEST(Translator, HandlersRefuseAnEmptyBody) {
    OposDataParser p(1);
    EscCmd out;
    EXPECT_THROW(p.HandleEscapeSequence("A", 0, out), OposError);
    EXPECT_THROW(p.ValidateEscapeSequence(nullptr, 1), OposError);
}

struct CheckCase {
    std::string body;
    int result;
};
void PrintTo(const CheckCase& c, std::ostream* os) { *os << "ESC|" << c.body; }

class Checker : public testing::TestWithParam<CheckCase> {};
TEST_P(Checker, AnswersForOneSequence) { EXPECT_EQ(check("text" + E + GetParam().body + "more"), GetParam().result); }

INSTANTIATE_TEST_SUITE_P(
    Table, Checker,
    testing::Values(CheckCase{"tL", 111}, CheckCase{"bL", 111}, CheckCase{"iC", 111}, CheckCase{"rF", 111},
                    CheckCase{"10E", 111}, CheckCase{"9hC", 106}, CheckCase{"3uC", 106}, CheckCase{"cA", 0},
                    CheckCase{"xA", 0}, CheckCase{"8hC", 0}, CheckCase{"2uC", 0}, CheckCase{"!uC", 0},
                    CheckCase{"2C", 0}, CheckCase{"12C", 111}, CheckCase{"bC", 0}, CheckCase{"tbC", 111},
                    CheckCase{"fC", 111}, CheckCase{"vC", 0}, CheckCase{"rvC", 111}, CheckCase{"9vC", 106},
                    CheckCase{"zC", 0}, CheckCase{"-1lF", 106}, CheckCase{"5lF", 0}, CheckCase{"-1uF", 106},
                    CheckCase{"N", 0}, CheckCase{"P", 111}, CheckCase{"100P", 0}, CheckCase{"101P", 106},
                    CheckCase{"255fP", 0}, CheckCase{"256sP", 106}, CheckCase{"xP", 0}, CheckCase{"1fT", 0},
                    CheckCase{"2fT", 106}, CheckCase{"Z", 111}, CheckCase{"G", 111}, CheckCase{"M", 111},
                    CheckCase{std::string(30, ' ') + "1lF", 111}));

TEST(Checker, WholeData) {
    EXPECT_EQ(check("plain text"), 0);
    EXPECT_EQ(check("a\x1bz"), 111) << "ESC without |";
    EXPECT_EQ(check(E + "bC" + E + "9hC" + E + "tL"), 106) << "the first refusal answers";
    EXPECT_EQ(check("x" + E + "12345"), 0) << "unterminated: not validated";
}

TEST(Numbers, LeadingNumber) {
    EXPECT_EQ(LeadingNumber("  42x"), 42);
    EXPECT_EQ(LeadingNumber("-7"), -7);
    EXPECT_EQ(LeadingNumber("+3"), 3);
    EXPECT_EQ(LeadingNumber("x5"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("99999999999999"), 2147483647);
    EXPECT_EQ(LeadingNumber("-99999999999999"), -2147483647 - 1);
}

// The wide string carries a byte count; any bytes come back unchanged.
TEST(WidenAnsiBytes, RoundTripsAnyBytesInTheAnsiCodePage) {
    std::mt19937 random(7);
    for (const char* cp : {"1252", "936", "950", "932", "65001", "1251"}) {
        ::setenv("VORNIK_ACP", cp, 1);
        for (int i = 0; i < 200; ++i) {
            std::string bytes(static_cast<std::size_t>(random() % 40), '\0');
            for (char& c : bytes) c = static_cast<char>(random() % 256);
            const std::u16string wide = WidenAnsiBytes(bytes);
            ASSERT_EQ(wide.size(), bytes.size());
            ASSERT_EQ(NarrowToAnsiBytes(wide), bytes) << "code page " << cp;
        }
    }
    ::setenv("VORNIK_ACP", "936", 1);
    const std::u16string wide = WidenAnsiBytes("\xb2\xe2\xca\xd4!");
    EXPECT_EQ(wide[0], u'\u6d4b') << "valid text decodes to its characters";
    EXPECT_EQ(wide.size(), 5u);
    ::unsetenv("VORNIK_ACP");
}

}  // namespace

#include "infra/Errors.h"
#include "infra/Text.h"

#include <gtest/gtest.h>

#include <climits>

using namespace vornik::so;

namespace {

TEST(NumToString, DecimalBoolAndPointer) {
    EXPECT_EQ(NumToString(0), "0");
    EXPECT_EQ(NumToString(-112), "-112");
    EXPECT_EQ(NumToString(INT_MIN), "-2147483648");
    EXPECT_EQ(NumToString(true), "1");
    EXPECT_EQ(NumToString(false), "0");
    EXPECT_EQ(NumToString(reinterpret_cast<const void*>(0xABC)), "00000ABC");
}

struct NumCase {
    const char* text;
    int value;
};
void PrintTo(const NumCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class StringToNumReads : public testing::TestWithParam<NumCase> {};
TEST_P(StringToNumReads, LeadingNumber) { EXPECT_EQ(StringToNum(GetParam().text), GetParam().value); }
INSTANTIATE_TEST_SUITE_P(Table, StringToNumReads,
                         testing::Values(NumCase{"9600", 9600}, NumCase{"  42", 42}, NumCase{"-5", -5},
                                         NumCase{"+7", 7}, NumCase{"255abc", 255}, NumCase{"1.5", 1},
                                         NumCase{"2147483647", INT_MAX}));

class StringToNumRefuses : public testing::TestWithParam<const char*> {};
TEST_P(StringToNumRefuses, TextWithoutALeadingNumber) {
    try {
        StringToNum(GetParam());
        FAIL() << "no error for \"" << GetParam() << '"';
    } catch (const StringError& e) {
        EXPECT_STREQ(e.what(), "StringToNum");
    }
}
INSTANTIATE_TEST_SUITE_P(Table, StringToNumRefuses, testing::Values("", "abc", "-", " x1", "99999999999"));

TEST(Hex, UpperCaseDigits) {
    EXPECT_EQ(ByteToHex(0x0A), "0A");
    EXPECT_EQ(ByteToHex(0xFF), "FF");
    EXPECT_EQ(WordToHex(0x6D4B), "6D4B");
    EXPECT_EQ(WordToHex(0x0001), "0001");
}

TEST(ErrorTypes, RegistryErrorsAreCaughtAsKVErrorButStringErrorsAreNot) {
    EXPECT_THROW(throw OposRegistryError("x"), KVError);
    EXPECT_THROW(throw OposQueueError("x"), OposError);
    EXPECT_THROW(throw OposEventError("x"), OposError);
    bool caughtAsKV = false;
    try {
        throw StringError("StringToNum");
    } catch (const KVError&) {
        caughtAsKV = true;
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(caughtAsKV);
}

}  // namespace

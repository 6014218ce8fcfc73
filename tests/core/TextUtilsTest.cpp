#include "core/TextUtils.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zorb {
namespace {

TEST(TextUtils, TrimRemovesControlCharactersAndBlanksOnly) {
    EXPECT_EQ(Trim("  a b \t\r\n"), "a b");
    EXPECT_EQ(Trim(std::string("\0\x01x\x1f", 4)), "x");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim(" Привет "), "Привет"); // bytes above 0x7F are text, not blanks
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
    EXPECT_EQ(TrimLeft("  a  "), "a  ");
    EXPECT_EQ(TrimRight("  a  "), "  a");
}

TEST(TextUtils, Split) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitWords(";;1;;2;3;", ";"), (V{"1", "2", "3"}));
    EXPECT_EQ(SplitWords("a, b", ", "), (V{"a", "b"}));
    EXPECT_EQ(SplitWords("", ";"), V{});
    EXPECT_EQ(SplitWords(";;;", ";"), V{});
    EXPECT_EQ(SplitWords("abc", ""), V{"abc"});
    EXPECT_EQ(SplitKeepEmpty(";a;;b;", ';'), (V{"", "a", "", "b", ""}));
}

struct TIntCase {
    const char* Text;
    bool Ok;
    int32_t Value;
};
void PrintTo(const TIntCase& c, std::ostream* os) {
    *os << testing::PrintToString(std::string(c.Text));
}
class TryStrToIntTest : public testing::TestWithParam<TIntCase> {};
TEST_P(TryStrToIntTest, Table) {
    int32_t v = -777;
    EXPECT_EQ(TryStrToInt(GetParam().Text, v), GetParam().Ok) << '"' << GetParam().Text << '"';
    EXPECT_EQ(v, GetParam().Ok ? GetParam().Value : -777) << "a failed parse leaves the value alone";
}
INSTANTIATE_TEST_SUITE_P(
    Table, TryStrToIntTest,
    testing::Values(TIntCase{"0", true, 0}, TIntCase{"42", true, 42}, TIntCase{"+42", true, 42},
                    TIntCase{"-42", true, -42}, TIntCase{"007", true, 7}, TIntCase{"2147483647", true, 2147483647},
                    TIntCase{"-2147483648", true, -2147483647 - 1}, TIntCase{"2147483648", false, 0},
                    TIntCase{"-2147483649", false, 0}, TIntCase{"99999999999999999999", false, 0},
                    TIntCase{"", false, 0}, TIntCase{" ", false, 0}, TIntCase{" 5", false, 0}, TIntCase{"5 ", false, 0},
                    TIntCase{"1.0", false, 0}, TIntCase{"1,0", false, 0}, TIntCase{"+", false, 0},
                    TIntCase{"-", false, 0}, TIntCase{"+-5", false, 0}, TIntCase{"--5", false, 0},
                    TIntCase{"++5", false, 0}, TIntCase{"0x10", false, 0}, TIntCase{"1e3", false, 0},
                    TIntCase{"５", false, 0}, TIntCase{"12a", false, 0}));

// A field of range [-10, 1000] with two decimals; Value is what the text parses to, NAN when it does not.
struct TDecimalCase {
    const char* Text;
    TDecimalInput State;
    double Value;
};
void PrintTo(const TDecimalCase& c, std::ostream* os) {
    *os << testing::PrintToString(std::string(c.Text));
}
class DecimalFieldTest : public testing::TestWithParam<TDecimalCase> {};
TEST_P(DecimalFieldTest, BothPointsAndNoGrouping) {
    EXPECT_EQ(CheckDecimalInput(GetParam().Text, 2, -10, 1000), GetParam().State);
    double v = NAN;
    const bool ok = TryParseDecimal(GetParam().Text, v);
    EXPECT_EQ(ok, !std::isnan(GetParam().Value));
    if (ok) EXPECT_DOUBLE_EQ(v, GetParam().Value);
}
constexpr auto Ok = TDecimalInput::Acceptable, Part = TDecimalInput::Intermediate, Bad = TDecimalInput::Invalid;
INSTANTIATE_TEST_SUITE_P(Table, DecimalFieldTest,
                         testing::Values(TDecimalCase{"2,5", Ok, 2.5}, TDecimalCase{"2.5", Ok, 2.5},
                                         TDecimalCase{"12", Ok, 12}, TDecimalCase{",5", Ok, 0.5},
                                         TDecimalCase{"5.", Ok, 5}, TDecimalCase{"-2,25", Ok, -2.25},
                                         TDecimalCase{"", Part, NAN}, TDecimalCase{"-", Part, NAN},
                                         TDecimalCase{",", Part, NAN}, TDecimalCase{"-11", Bad, -11},
                                         TDecimalCase{"1000,01", Bad, 1000.01}, TDecimalCase{"2,555", Bad, 2.555},
                                         TDecimalCase{"1,000.5", Bad, NAN}, TDecimalCase{"1 000", Bad, NAN},
                                         TDecimalCase{"1e3", Bad, NAN}, TDecimalCase{"inf", Bad, NAN},
                                         TDecimalCase{" 7", Bad, NAN}, TDecimalCase{"+7", Bad, NAN},
                                         TDecimalCase{"0x10", Bad, NAN}, TDecimalCase{"--1", Bad, NAN}));

TEST(TextUtils, DecimalFieldBelowAPositiveMinimumIsUnfinished) {
    // "1" may still become "10" in a field of 7..100, and a minus has no place there.
    EXPECT_EQ(CheckDecimalInput("1", 0, 7, 100), TDecimalInput::Intermediate);
    EXPECT_EQ(CheckDecimalInput("10", 0, 7, 100), TDecimalInput::Acceptable);
    EXPECT_EQ(CheckDecimalInput("1,5", 0, 7, 100), TDecimalInput::Invalid);
    EXPECT_EQ(CheckDecimalInput("-1", 2, 0, 100), TDecimalInput::Invalid);
}

struct TSameCase {
    const char* A;
    const char* B;
    bool Same;
};
void PrintTo(const TSameCase& c, std::ostream* os) {
    *os << c.A << " vs " << c.B;
}
class SameTextTest : public testing::TestWithParam<TSameCase> {};
TEST_P(SameTextTest, Table) {
    EXPECT_EQ(SameText(GetParam().A, GetParam().B), GetParam().Same) << GetParam().A << " / " << GetParam().B;
}
INSTANTIATE_TEST_SUITE_P(Table, SameTextTest,
                         testing::Values(TSameCase{"LoadOnly", "loadonly", true}, TSameCase{"abc", "abd", false},
                                         TSameCase{"ПРИВЕТ", "привет", true}, TSameCase{"е", "Е", true},
                                         TSameCase{"ёлка", "ЁЛКА", true}, TSameCase{"Я", "я", true},
                                         TSameCase{"А", "а", true}, TSameCase{"е", "ё", false},
                                         TSameCase{"Ђ", "ђ", true}, TSameCase{"a", "ab", false},
                                         TSameCase{"", "", true}, TSameCase{"\xFF", "\xFF", true}));

TEST(TextUtils, CodePage1251) {
    const std::string utf8 = "Архив тиражей: Ёё, Яя №5";
    const std::string cp = Utf8ToCp1251(utf8);
    EXPECT_EQ(cp.size(), 24u); // one byte per character
    EXPECT_EQ(cp.substr(0, 5), "\xC0\xF0\xF5\xE8\xE2");
    EXPECT_EQ(Cp1251ToUtf8(cp), utf8);
    EXPECT_EQ(Utf8ToCp1251("a中b"), "a?b");
    EXPECT_EQ(Utf8ToCp1251("a😀b"), "a?b");
    EXPECT_EQ(Utf8ToCp1251("a\xFF"
                           "b"),
              "a?b");                     // invalid UTF-8 input is marked, not dropped silently
    EXPECT_EQ(Cp1251ToUtf8("\x98"), "?"); // the one byte cp1251 leaves undefined
    EXPECT_EQ(Utf8ToCp1251(""), "");
    std::string all;
    for (int c = 0; c < 256; ++c)
        if (c != 0x98) all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(TextUtils, DecodeTextFile) {
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF[A]\nk=Ж"), "[A]\nk=Ж");
    EXPECT_EQ(DecodeTextFile("k=Ж"), "k=Ж");
    EXPECT_EQ(DecodeTextFile("k=\xCF\xF0\xE8"), "k=При");
    EXPECT_EQ(DecodeTextFile("\xEF\xBB"), "\xD0\xBF\xC2\xBB"); // a cut-off BOM is just cp1251 text
    EXPECT_EQ(DecodeTextFile(""), "");
    EXPECT_EQ(DecodeTextFile(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextUtils, MessageLines) {
    EXPECT_EQ(MessageLines("a\rb"), "a\nb");
    EXPECT_EQ(MessageLines("a\r\rb"), "a\n\nb");
    EXPECT_EQ(MessageLines("a\r\nb\n"), "a\nb\n");
}

} // namespace
} // namespace zorb

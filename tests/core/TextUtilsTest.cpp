#include "core/TextUtils.h"

#include <gtest/gtest.h>

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

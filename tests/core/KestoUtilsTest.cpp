#include "core/KestoUtils.h"
#include "core/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace zorb {
namespace {

TComb C(int a, int b, int c, int d, int e, int f) {
    return TComb{{uint8_t(a), uint8_t(b), uint8_t(c), uint8_t(d), uint8_t(e), uint8_t(f)}};
}

TDrawRec Draw(int number, TComb numbers, const char* date = "2021-03-27") {
    TDrawRec r{};
    r.Draw = number;
    std::copy(numbers.N, numbers.N + 6, r.Numbers);
    r.SetDate(date);
    return r;
}

TNumberSet Set(std::initializer_list<int> values) {
    TNumberSet s{};
    for (int v : values) s.Numbers[s.Count++] = static_cast<uint8_t>(v);
    return s;
}

std::vector<int> SetValues(const TNumberSet& s) {
    return std::vector<int>(s.Numbers, s.Numbers + s.Count);
}

// --- Arithmetic of the game ---------------------------------------------------------------------------

TEST(GameArithmetic, BinomialIncludingTheDegenerateCases) {
    EXPECT_EQ(Binomial(52, 6), 20358520);
    EXPECT_EQ(Binomial(52, 6), FullCombsCount);
    EXPECT_EQ(Binomial(6, 6), 1);
    EXPECT_EQ(Binomial(5, 6), 1); // k >= n is treated as a single combination
    EXPECT_EQ(Binomial(46, 0), 1);
    EXPECT_EQ(Binomial(46, 3), 15180);
}

TEST(GameArithmetic, MatchDistributionCountsAndProbabilities) {
    const int64_t expected[7] = {9366819, 8224524, 2447775, 303600, 15525, 276, 1};
    TMatchDistribution d = ComputeMatchDistribution();
    int64_t total = 0;
    double p = 0;
    for (int k = 0; k <= 6; ++k) {
        EXPECT_EQ(d.Counts[k], expected[k]) << "k=" << k;
        EXPECT_EQ(MatchesCount(52, 6, k), expected[k]) << "k=" << k;
        EXPECT_DOUBLE_EQ(d.Probabilities[k], double(expected[k]) / 20358520.0) << "k=" << k;
        total += d.Counts[k];
        p += d.Probabilities[k];
    }
    EXPECT_EQ(total, 20358520);
    EXPECT_NEAR(p, 1.0, 1e-12);
}

struct TShiftCase {
    int N, K, Expected;
};
void PrintTo(const TShiftCase& c, std::ostream* os) {
    *os << c.N << "+" << c.K;
}
class ShiftNumberTest : public testing::TestWithParam<TShiftCase> {};
TEST_P(ShiftNumberTest, WrapsAroundTheNumberRange) {
    EXPECT_EQ(ShiftNumber(GetParam().N, GetParam().K), GetParam().Expected);
}
INSTANTIATE_TEST_SUITE_P(Table, ShiftNumberTest,
                         testing::Values(TShiftCase{52, 1, 1}, TShiftCase{1, -1, 52}, TShiftCase{30, 0, 30},
                                         TShiftCase{51, 1, 52}, TShiftCase{2, -1, 1}, TShiftCase{50, 5, 3},
                                         TShiftCase{3, -5, 50}, TShiftCase{1, 51, 52}));

TEST(GameArithmetic, MatrixGeometry) {
    EXPECT_EQ(NumberColumn(52, 10), 2);
    EXPECT_EQ(NumberRow(52, 10), 6);
    EXPECT_EQ(NumberColumn(10, 10), 10);
    EXPECT_EQ(NumberRow(10, 10), 1);
    EXPECT_EQ(NumberColumn(1, 7), 1);
    EXPECT_EQ(MatrixRows(1, 52, 10), 6);
    EXPECT_EQ(MatrixRows(0, 52, 10), 6);
    EXPECT_EQ(MatrixRows(1, 52, 7), 8);
    EXPECT_EQ(MatrixRows(11, 20, 10), 1);
    EXPECT_EQ(NumberAtCell(0, 0, 10), 1);
    EXPECT_EQ(NumberAtCell(5, 1, 10), 52);
    // Every number sits in the cell its row and column name.
    for (int cols : {1, 7, 10, 52})
        for (int n = 1; n <= 52; ++n)
            EXPECT_EQ(NumberAtCell(NumberRow(n, cols) - 1, NumberColumn(n, cols) - 1, cols), n) << n << "/" << cols;
}

struct TColorCase {
    int N, Size;
    TColor Expected;
};
void PrintTo(const TColorCase& c, std::ostream* os) {
    *os << c.N << "/" << c.Size;
}
class ChannelColorTest : public testing::TestWithParam<TColorCase> {};
TEST_P(ChannelColorTest, PaletteByChannel) {
    EXPECT_EQ(ChannelColor(GetParam().N, GetParam().Size), GetParam().Expected);
}
INSTANTIATE_TEST_SUITE_P(Table, ChannelColorTest,
                         testing::Values(TColorCase{40, 3, 0xFFD5D5}, // channel 14
                                         TColorCase{1, 4, 0xAAFFAA}, TColorCase{4, 4, 0xAAFFAA},
                                         TColorCase{5, 4, 0xFFFFAA}, TColorCase{52, 4, 0xD5FFFF},
                                         TColorCase{19, 1, 0xD5EAFF}, // channel 19, the last colour
                                         TColorCase{20, 1, 0xAAFFAA}, // channel 20 wraps to 1
                                         TColorCase{40, 2, 0xAAFFAA}, // channel 20 wraps to 1
                                         TColorCase{7, 0, 0xD5AAFF},  // a zero size counts as one
                                         TColorCase{0, 4, 0xFF0000}, TColorCase{53, 4, 0xFF0000},
                                         TColorCase{255, 4, 0xFF0000}, TColorCase{-1, 4, 0xFF0000}));

// --- Value lists and combinations ---------------------------------------------------------------------

struct TListCase {
    const char* Text;
    std::vector<int32_t> Expected;
};
void PrintTo(const TListCase& c, std::ostream* os) {
    *os << testing::PrintToString(std::string(c.Text));
}
class ParseValueListTest : public testing::TestWithParam<TListCase> {};
TEST_P(ParseValueListTest, Table) {
    EXPECT_EQ(ParseValueList(GetParam().Text), GetParam().Expected) << '"' << GetParam().Text << '"';
}
INSTANTIATE_TEST_SUITE_P(
    Table, ParseValueListTest,
    testing::Values(TListCase{"7", {7}}, TListCase{"1;2;;3", {1, 2, 3}}, TListCase{"1, 2, 3", {1, 2, 3}},
                    TListCase{"-3", {-3}}, TListCase{"a,1", {}}, TListCase{"", {}}, TListCase{";;", {}},
                    TListCase{"1-10;2", {1, 3, 5, 7, 9}}, TListCase{"10-1;-3", {10, 7, 4, 1}}, TListCase{"5-5;1", {5}},
                    TListCase{"1-10;0", {}}, TListCase{"1-10", {}}, TListCase{"1-10;", {}}, TListCase{"1-10;x", {}},
                    TListCase{"10-1;3", {}}, TListCase{"1-10;20", {1}}, TListCase{" 1 - 4 ; 1 ", {1, 2, 3, 4}},
                    TListCase{"-5--1;1", {-5, -4, -3, -2, -1}},
                    // A minus after a leading blank already separates the range, as stored value texts expect.
                    TListCase{" -5--1;1", {}}, TListCase{"1-2000000000;1", {}},
                    TListCase{"-2147483648-2147483647;1", {}}, TListCase{"99999999999", {}},
                    TListCase{"1-99999999999;1", {}}));

TEST(ParseValueList, RangeAtTheLengthLimitIsKept) {
    TIntArray list = ParseValueList("1-1000000;1");
    ASSERT_EQ(list.size(), 1000000u);
    EXPECT_EQ(list.front(), 1);
    EXPECT_EQ(list.back(), 1000000);
    EXPECT_TRUE(ParseValueList("1-1000001;1").empty());
    TIntArray wide = ParseValueList("-2147483648-2147483647;2147483647");
    EXPECT_EQ(wide, (TIntArray{-2147483648, -1, 2147483646}));
}

struct TCombCase {
    const char* Text;
    TComb Expected;
};
void PrintTo(const TCombCase& c, std::ostream* os) {
    *os << testing::PrintToString(std::string(c.Text));
}
class ParseCombTest : public testing::TestWithParam<TCombCase> {};
TEST_P(ParseCombTest, Table) {
    EXPECT_EQ(ParseComb(GetParam().Text), GetParam().Expected) << '"' << GetParam().Text << '"';
}
INSTANTIATE_TEST_SUITE_P(
    Table, ParseCombTest,
    testing::Values(TCombCase{"1 2 3 4 5 6", C(1, 2, 3, 4, 5, 6)}, TCombCase{"1,2,3,4,5,6", C(1, 2, 3, 4, 5, 6)},
                    TCombCase{"1-2-3-4-5-6", C(1, 2, 3, 4, 5, 6)}, TCombCase{"1|2:3.4\t5;6", C(1, 2, 3, 4, 5, 6)},
                    TCombCase{"  52  1 ;; 7 3 20 9 ", C(52, 1, 7, 3, 20, 9)},
                    TCombCase{"1 2 3 4 5 x", C(1, 2, 3, 4, 5, 0)}, TCombCase{"1 2 3 4 5 300", C(1, 2, 3, 4, 5, 0)},
                    TCombCase{"1 2 3 4 5 256", C(1, 2, 3, 4, 5, 0)}, TCombCase{"0 2 3 4 5 255", C(0, 2, 3, 4, 5, 255)},
                    TCombCase{"1 2 3 4 5 99999999999", C(1, 2, 3, 4, 5, 0)}));

TEST(ParseComb, WrongWordCountRaisesWithTheText) {
    for (const char* text : {"1 2 3 4 5", "1 2 3 4 5 6 7", "", "  ", ",,,,,,"}) {
        try {
            ParseComb(text);
            ADD_FAILURE() << "no error for \"" << text << '"';
        } catch (const EZorbError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Некорректная комбинация: \"") + text + "\"!");
        }
    }
}

// --- Dates ----------------------------------------------------------------------------------------------

TEST(Dates, ParseAndFormat) {
    EXPECT_EQ(ParseDate(""), 0);
    EXPECT_EQ(ParseDate("   "), 0);
    EXPECT_EQ(FormatDate(ParseDate("2021-03-27")), "2021-03-27");
    EXPECT_EQ(FormatDate(ParseDate(" 2024-02-29 ")), "2024-02-29");
    EXPECT_EQ(FormatDate(ParseDate("9999-12-31")), "9999-12-31");
    EXPECT_EQ(ParseDate("1899-12-31"), 1);
    EXPECT_EQ(ParseDate("2021-03-28") - ParseDate("2021-03-27"), 1);
    EXPECT_EQ(FormatDate(0), "");
    EXPECT_EQ(FormatDate(-5), "");
}

TEST(Dates, NonexistentDatesRaise) {
    for (const char* text : {"2021-13-01", "2021-02-30", "2023-02-29", "2021-00-10", "2021-01-00", "abc", "2021",
                             "0000-01-01", "2021-3-27", "\xFF\xFE"})
        EXPECT_THROW(ParseDate(text), EZorbError) << text;
}

// --- Membership, sets and picking -----------------------------------------------------------------------

TEST(NumberSets, DistinctNumbersStopsAtTheWholeRange) {
    std::vector<TComb> list;
    for (int i = 0; i < 60; ++i) { // walks the range several times over
        int b = (i * 6) % 52;
        list.push_back(
            C(b % 52 + 1, (b + 1) % 52 + 1, (b + 2) % 52 + 1, (b + 3) % 52 + 1, (b + 4) % 52 + 1, (b + 5) % 52 + 1));
    }
    EXPECT_EQ(DistinctNumbers(list.data(), list.size()), 52);
    EXPECT_EQ(DistinctNumbers(list.data(), 1), 6);
    EXPECT_EQ(DistinctNumbers(list.data(), 0), 0);
    std::vector<TComb> same(5, C(1, 2, 3, 4, 5, 6));
    EXPECT_EQ(DistinctNumbers(same.data(), same.size()), 6);
}

TEST(NumberSets, PickNumbersKeepsFirstAppearanceOrder) {
    std::vector<TComb> list = {C(40, 3, 17, 8, 25, 52), C(3, 9, 40, 1, 33, 12), C(2, 17, 50, 8, 44, 6)};
    const std::vector<int> order = {40, 3, 17, 8, 25, 52, 9, 1, 33, 12, 2, 50, 44, 6};
    // The choice is random, so the properties are checked over many picks.
    for (int attempt = 0; attempt < 200; ++attempt) {
        for (int size : {0, 1, 6, 7, 10}) {
            std::vector<int> got = SetValues(PickNumbers(list.data(), list.size(), size));
            ASSERT_LE(got.size(), size_t(size));
            ASSERT_EQ(got.size(), size_t(size)) << "enough numbers were available";
            size_t pos = 0;
            for (int n : got) {
                auto it = std::find(order.begin() + pos, order.end(), n);
                ASSERT_NE(it, order.end()) << "number " << n << " out of order or not in the list";
                pos = size_t(it - order.begin()) + 1;
            }
        }
    }
    std::vector<int> all = SetValues(PickNumbers(list.data(), 1, 10));
    EXPECT_EQ(all, (std::vector<int>{40, 3, 17, 8, 25, 52}));
    // More than a stake holds is never returned, whatever is asked.
    EXPECT_LE(PickNumbers(list.data(), list.size(), 1000).Count, MaxExtendedStake);
    EXPECT_EQ(PickNumbers(list.data(), list.size(), -3).Count, 0);
}

TEST(NumberSets, IntersectAndSameSet) {
    TDrawRec d = Draw(1, C(40, 3, 17, 8, 25, 52));
    EXPECT_EQ(SetValues(Intersect(d, Set({52, 1, 8, 40, 2}))), (std::vector<int>{8, 40, 52}));
    EXPECT_EQ(Intersect(d, Set({})).Count, 0);
    EXPECT_EQ(Intersect(d, Set({1, 2, 4})).Count, 0);
    TNumberSet junk = Set({3, 8});
    junk.Count = 1000; // a corrupt count must not read beyond the set
    EXPECT_LE(Intersect(d, junk).Count, 6);

    EXPECT_TRUE(SameSet(Set({1, 2, 3}), Set({3, 1, 2})));
    EXPECT_TRUE(SameSet(Set({}), Set({})));
    EXPECT_FALSE(SameSet(Set({1, 2, 3}), Set({1, 2, 4})));
    EXPECT_FALSE(SameSet(Set({1, 2, 3}), Set({1, 2})));
}

// --- Sorting and text forms -------------------------------------------------------------------------------

TEST(Sorting, AscendingAndDescending) {
    TComb c = C(52, 1, 7, 3, 20, 9);
    SortComb(c);
    EXPECT_EQ(c, C(1, 3, 7, 9, 20, 52));
    TDrawRec d = Draw(5, C(9, 9, 1, 52, 0, 255));
    SortDrawNumbers(d);
    EXPECT_EQ(DrawNumbers(d), C(0, 1, 9, 9, 52, 255));
    TNumberSet s = Set({5, 3, 10, 1, 12, 11, 2, 9, 8, 7});
    s.Count = 1000; // a corrupt count sorts only what the set holds
    SortNumberSet(s);
    EXPECT_EQ(std::vector<int>(s.Numbers, s.Numbers + 10), (std::vector<int>{0, 0, 1, 2, 3, 5, 7, 8, 9, 10}));
    TIntArray ints = {3, -1, 7, 7, 0, 2147483647, -2147483647 - 1};
    SortIntsDesc(ints);
    EXPECT_EQ(ints, (TIntArray{2147483647, 7, 7, 3, 0, -1, -2147483647 - 1}));
}

TEST(TextForms, CombinationsAndDraws) {
    TComb c = C(3, 15, 22, 40, 41, 52);
    EXPECT_EQ(CombToList(c), "3;15;22;40;41;52");
    EXPECT_EQ(CombToPaddedText(c), "03 15 22 40 41 52");
    EXPECT_EQ(CombToPaddedText(C(0, 1, 9, 10, 99, 255)), "00 01 09 10 99 255");
    EXPECT_EQ(DrawDescription(Draw(7, C(52, 1, 7, 3, 20, 9))), "Тираж № 7 от 2021-03-27, значения: 52;1;7;3;20;9");
}

TEST(TextForms, DateFieldIsClippedToItsLengthByte) {
    TDrawRec d{};
    d.SetDate("2021-03-27-extra");
    EXPECT_EQ(d.DateLen, 10);
    EXPECT_EQ(d.Date(), "2021-03-27");
    d.DateLen = 255; // a corrupt length must not read past the field
    EXPECT_EQ(d.Date().size(), 10u);
}

TEST(TextForms, StakeKindCaptions) {
    const char* expected[] = {"", "Вручную", "Регуляр", "Сценарий", "Система", ""};
    for (int code = 0; code <= 5; ++code) EXPECT_EQ(StakeKindCaption(code), expected[code]) << code;
    EXPECT_EQ(StakeKindCaption(-1), "");
    EXPECT_EQ(StakeKindCaption(255), "");
}

} // namespace
} // namespace zorb

#include "stats/StatFramework.h"
#include "StatTestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace zorb {
namespace {

using test::KeyRow;
using test::MakeDraw;
using test::TRegistry;

// --- AddValue ------------------------------------------------------------------------------------------------

struct TOcc {
    int Count, Depth, Last, Prev, Min, Max;
};
struct TMergedValue {
    int Count, Depth, Last;
};
struct TMergeCase {
    const char* Name;
    TOcc Row; // the table row before the merge
    TMergedValue Value;
    bool TrackGaps;
    TOcc Expected;
};
void PrintTo(const TMergeCase& c, std::ostream* os) {
    *os << c.Name;
}

class MergeExisting : public testing::TestWithParam<TMergeCase> {};

TEST_P(MergeExisting, UpdatesCountOccurrenceAndGaps) {
    const TMergeCase& c = GetParam();
    TStatDraw row = KeyRow(17, 3);
    row.Count = c.Row.Count;
    row.Depth = c.Row.Depth;
    row.LastDraw = c.Row.Last;
    row.PrevDraw = c.Row.Prev;
    row.PeriodMin = static_cast<uint16_t>(c.Row.Min);
    row.PeriodMax = static_cast<uint16_t>(c.Row.Max);
    row.Norm = 77;
    TStatDrawArray table{KeyRow(5), row, KeyRow(17, 4)};

    TStatDraw value = KeyRow(17, 3);
    value.Count = c.Value.Count;
    value.Depth = c.Value.Depth;
    value.LastDraw = c.Value.Last;
    value.PrevDraw = c.Value.Last;
    value.Norm = 5;
    AddValue(table, value, c.TrackGaps);

    ASSERT_EQ(table.size(), 3u) << "an equal key is merged, not appended";
    const TStatDraw& r = table[1];
    EXPECT_EQ(r.Count, c.Expected.Count);
    EXPECT_EQ(r.Depth, c.Expected.Depth);
    EXPECT_EQ(r.LastDraw, c.Expected.Last);
    EXPECT_EQ(r.PrevDraw, c.Expected.Prev);
    EXPECT_EQ(r.PeriodMin, c.Expected.Min);
    EXPECT_EQ(r.PeriodMax, c.Expected.Max);
    EXPECT_EQ(r.Norm, 77);
    EXPECT_EQ(table[0].Count, 0) << "other rows are untouched";
    EXPECT_EQ(table[2].Count, 0) << "other rows are untouched";
}

INSTANTIATE_TEST_SUITE_P(
    Table, MergeExisting,
    testing::Values(
        //          name                        row {cnt,dep,last,prev,min,max}  value {cnt,dep,last}  track  expected
        TMergeCase{"RowWithoutDepthTakesValue", {2, 0, 0, 0, 0, 0}, {1, 3, 50}, true, {3, 3, 50, 50, 0, 0}},
        TMergeCase{"ValueWithoutDepthKeepsRow", {2, 3, 40, 40, 0, 0}, {1, 0, 50}, true, {3, 3, 40, 50, 10, 10}},
        TMergeCase{"ShallowerValueReplaces", {1, 3, 40, 0, 0, 0}, {1, 2, 45}, false, {2, 2, 45, 45, 0, 0}},
        TMergeCase{"EqualDepthLaterWins", {1, 3, 40, 0, 0, 0}, {1, 3, 45}, false, {2, 3, 45, 45, 0, 0}},
        TMergeCase{"DeeperValueKeepsRow", {1, 3, 40, 0, 0, 0}, {1, 4, 45}, false, {2, 3, 40, 45, 0, 0}},
        TMergeCase{"CountsAdd", {5, 1, 40, 0, 0, 0}, {3, 1, 41}, false, {8, 1, 41, 41, 0, 0}},
        TMergeCase{"FirstGapSetsBothBounds", {1, 1, 40, 40, 0, 0}, {1, 1, 45}, true, {2, 1, 45, 45, 5, 5}},
        TMergeCase{"GapInsideBoundsKeepsThem", {2, 1, 40, 40, 3, 9}, {1, 1, 45}, true, {3, 1, 45, 45, 3, 9}},
        TMergeCase{"SmallerGapLowersMin", {2, 1, 40, 40, 3, 9}, {1, 1, 42}, true, {3, 1, 42, 42, 2, 9}},
        TMergeCase{"LargerGapRaisesMax", {2, 1, 40, 40, 3, 9}, {1, 1, 52}, true, {3, 1, 52, 52, 3, 12}},
        TMergeCase{"GapIsAbsolute", {1, 5, 50, 50, 0, 0}, {1, 2, 45}, true, {2, 2, 45, 45, 5, 5}},
        TMergeCase{"NoTrackingKeepsBounds", {2, 1, 40, 40, 3, 9}, {1, 1, 52}, false, {3, 1, 52, 52, 3, 9}},
        TMergeCase{"ValueWithoutDrawRecordsNoGap", {2, 3, 40, 40, 3, 9}, {1, 0, 0}, true, {3, 3, 40, 0, 3, 9}},
        TMergeCase{"RowWithoutPreviousRecordsNoGap", {1, 0, 0, 0, 0, 0}, {1, 1, 45}, true, {2, 1, 45, 45, 0, 0}},
        TMergeCase{"SameDrawTwiceGivesGapZero", {1, 1, 45, 45, 3, 9}, {1, 1, 45}, true, {2, 1, 45, 45, 0, 9}},
        TMergeCase{
            "HugeGapHeldAtFieldMaximum", {1, 1, 1, 1, 0, 0}, {1, 1, 70001}, true, {2, 1, 70001, 70001, 65535, 65535}}));

TEST(AddValue, NewKeyIsAppendedWithNormCleared) {
    TStatDrawArray table{KeyRow(17, 3)};
    TStatDraw value = KeyRow(17, 3);
    value.SetW(4, 1); // differs only in the last word
    value.Count = 1;
    value.Depth = 2;
    value.LastDraw = 7;
    value.PrevDraw = 7;
    value.PeriodMin = 4;
    value.PeriodMax = 6;
    value.Norm = 9;
    AddValue(table, value, true);
    ASSERT_EQ(table.size(), 2u);
    TStatDraw expected = value;
    expected.Norm = 0;
    EXPECT_EQ(std::memcmp(&table[1], &expected, sizeof expected), 0);
    EXPECT_EQ(table[0].Count, 0);
}

// --- Key lookups ---------------------------------------------------------------------------------------------

struct TFindCase {
    const char* Name;
    std::function<bool(const TStatDrawArray&)> Find;
    bool Expected;
};
void PrintTo(const TFindCase& c, std::ostream* os) {
    *os << c.Name;
}

class KeyLookup : public testing::TestWithParam<TFindCase> {};

// One row keyed W1..W4 = 0x0201, 2, 3, 4: bytes 01 02 02 00 03 00 04 00, I1 = 0x20201, I2 = 0x40003.
TEST_P(KeyLookup, ComparesOnlyItsPart) {
    TStatDraw row{};
    row.SetW(1, 0x0201);
    row.SetW(2, 2);
    row.SetW(3, 3);
    row.SetW(4, 4);
    const TStatDrawArray table{KeyRow(99, 99), row};
    EXPECT_EQ(GetParam().Find(table), GetParam().Expected);
    EXPECT_FALSE(GetParam().Find(TStatDrawArray{})) << "an empty table finds nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeyLookup,
    testing::Values(
        TFindCase{"KeyAllWords", [](const auto& rows) { return FindKey(rows, 0x0201, 2, 3, 4); }, true},
        TFindCase{"KeyLastWordDiffers", [](const auto& rows) { return FindKey(rows, 0x0201, 2, 3, 0); }, false},
        TFindCase{"KeyFirstWordDiffers", [](const auto& rows) { return FindKey(rows, 0x0102, 2, 3, 4); }, false},
        TFindCase{"Word1", [](const auto& rows) { return FindWord(rows, 1, 0x0201); }, true},
        TFindCase{"Word1ByteSwapped", [](const auto& rows) { return FindWord(rows, 1, 0x0102); }, false},
        TFindCase{"Word4", [](const auto& rows) { return FindWord(rows, 4, 4); }, true},
        TFindCase{"Word3IsNotWord4", [](const auto& rows) { return FindWord(rows, 3, 4); }, false},
        TFindCase{"Byte1IsLowByte", [](const auto& rows) { return FindByte(rows, 1, 1); }, true},
        TFindCase{"Byte2IsHighByte", [](const auto& rows) { return FindByte(rows, 2, 2); }, true},
        TFindCase{"Byte1NotHighByte", [](const auto& rows) { return FindByte(rows, 1, 2); }, false},
        TFindCase{"Byte7", [](const auto& rows) { return FindByte(rows, 7, 4); }, true},
        TFindCase{"Byte8", [](const auto& rows) { return FindByte(rows, 8, 4); }, false},
        TFindCase{"Int1IsW1PlusW2Shifted", [](const auto& rows) { return FindInt(rows, 1, 0x0201 + 65536 * 2); }, true},
        TFindCase{"Int1NotW1Alone", [](const auto& rows) { return FindInt(rows, 1, 0x0201); }, false},
        TFindCase{"Int2", [](const auto& rows) { return FindInt(rows, 2, 3 + 65536 * 4); }, true},
        TFindCase{"Pair", [](const auto& rows) { return FindPair(rows, 0x20201, 0x40003); }, true},
        TFindCase{"PairSwapped", [](const auto& rows) { return FindPair(rows, 0x40003, 0x20201); }, false},
        TFindCase{"PairSecondDiffers", [](const auto& rows) { return FindPair(rows, 0x20201, 0); }, false}));

// --- Simple counters and last-value lists --------------------------------------------------------------------

TEST(SimpleCounts, AddsOnlyPositiveAmountsToExistingKeysAndSortsByKey) {
    TStatSimpleArray a;
    AddSimple(a, 5, 2);
    AddSimple(a, 3, 1);
    AddSimple(a, 5, 0);
    AddSimple(a, 5, -4);
    AddSimple(a, 5, 4);
    AddSimple(a, -2, 7);
    AddSimple(a, 9, -1); // a new key is kept even with a non-positive amount
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0].Key, 5);
    EXPECT_EQ(a[0].Count, 6);
    SortSimple(a);
    std::vector<int> keys;
    for (const TStatSimple& s : a) keys.push_back(s.Key);
    EXPECT_EQ(keys, (std::vector<int>{-2, 3, 5, 9}));
    EXPECT_EQ(a[0].Count, 7);
    EXPECT_EQ(a[1].Count, 1);
    EXPECT_EQ(a[2].Count, 6);
}

TEST(LastSeen, DistanceToThePreviousOccurrenceOfTheSameKey) {
    struct TStep {
        int32_t Key, Draw, Expected;
    };
    const TStep steps[] = {{1, 10, -1}, {2, 12, -1}, {1, 15, 5}, {1, 20, 5}, {2, 30, 18}, {1, 21, 1}, {3, 21, -1}};
    TLastValueArray list;
    for (const TStep& s : steps) {
        TLastValue probe{};
        probe.DrawNumber = s.Draw;
        std::memcpy(probe.Key, &s.Key, sizeof s.Key);
        EXPECT_EQ(LastSeen(probe, list), s.Expected) << "key " << s.Key << " at draw " << s.Draw;
    }
    EXPECT_EQ(list.size(), 3u);
}

// --- Flag letters --------------------------------------------------------------------------------------------

class FlagText : public testing::TestWithParam<std::pair<unsigned, const char*>> {};
TEST_P(FlagText, LettersInFixedOrder) {
    EXPECT_EQ(FlagLetters(GetParam().first), GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(Table, FlagText,
                         testing::Values(std::pair{0u, ""}, std::pair{unsigned{sfG | sfS}, "SG"},
                                         std::pair{unsigned{sfG | sfP | sfD | sfN | sfS}, "SNDPG"},
                                         std::pair{unsigned{sfD}, "D"}, std::pair{unsigned{sfP | sfN}, "NP"}));

// --- Method instances over an archive ------------------------------------------------------------------------

// Draw numbers with holes, so that gaps in draw numbers differ from gaps in indexes.
TDrawsArray GapArchive() {
    return {MakeDraw(10, {5, 12, 40, 33, 1, 2}), MakeDraw(11, {6, 13, 41, 34, 3, 4}),
            MakeDraw(13, {40, 5, 7, 8, 9, 10}), MakeDraw(20, {11, 14, 15, 16, 17, 5})};
}

TEST(LoadDraws, OutsideTheArchiveIsZeroButTheSecondDrawIsStillRead) {
    for (bool sorted : {false, true}) {
        TRegistry reg(GapArchive());
        auto stat = reg.Create("SUMC");
        stat->LoadDraws(-1, 2, sorted);
        const TDrawRec zero{};
        EXPECT_EQ(std::memcmp(&stat->CurDraw(), &zero, sizeof zero), 0);
        EXPECT_EQ(stat->SecondDraw().Draw, 13);
        const std::vector<int> second(stat->SecondDraw().Numbers, stat->SecondDraw().Numbers + 6);
        EXPECT_EQ(second, (sorted ? std::vector<int>{5, 7, 8, 9, 10, 40} : std::vector<int>{40, 5, 7, 8, 9, 10}));
    }
}

class CountDrawWindow : public testing::TestWithParam<std::pair<int, int>> {};
TEST_P(CountDrawWindow, EveryValueCarriesDrawNumberAndDepth) {
    const auto [index, windowEnd] = GetParam();
    TRegistry reg(GapArchive());
    auto stat = reg.Create("NUMS");
    TStatDrawArray table;
    TWorkArea work{};
    TLastValueArray last;
    stat->CountDraw(index, windowEnd, false, table, work, last);
    ASSERT_EQ(table.size(), 6u);
    for (const TStatDraw& r : table) {
        EXPECT_EQ(r.LastDraw, reg.Draws()[static_cast<size_t>(index)].Draw);
        EXPECT_EQ(r.Depth, windowEnd - index + 1);
        EXPECT_EQ(r.Count, 1);
    }
}
INSTANTIATE_TEST_SUITE_P(Table, CountDrawWindow,
                         testing::Values(std::pair{0, 3}, std::pair{3, 3}, std::pair{1, 2}, std::pair{2, 3}));

// Counting the window oldest-first or newest-first ends with the same occurrence data.
class CountDrawGaps : public testing::TestWithParam<bool> {};
TEST_P(CountDrawGaps, NewestOccurrenceAndDrawNumberGapsWhateverTheOrder) {
    TRegistry reg(GapArchive());
    auto stat = reg.Create("NUMS");
    TStatDrawArray table;
    TWorkArea work{};
    TLastValueArray last;
    stat->InitValues(3, table);
    const std::vector<int> order = GetParam() ? std::vector<int>{0, 1, 2, 3} : std::vector<int>{3, 2, 1, 0};
    for (int i : order) stat->CountDraw(i, 3, false, table, work, last);
    auto row = [&](int n) {
        for (const TStatDraw& r : table)
            if (r.I(1) == n) return r;
        ADD_FAILURE() << "no row " << n;
        return TStatDraw{};
    };
    const TStatDraw five = row(5); // draws 10, 13, 20
    EXPECT_EQ(five.Count, 3);
    EXPECT_EQ(five.LastDraw, 20);
    EXPECT_EQ(five.Depth, 1);
    EXPECT_EQ(five.PeriodMin, 3);
    EXPECT_EQ(five.PeriodMax, 7);
    const TStatDraw forty = row(40); // draws 10, 13
    EXPECT_EQ(forty.Count, 2);
    EXPECT_EQ(forty.LastDraw, 13);
    EXPECT_EQ(forty.Depth, 2);
    EXPECT_EQ(forty.PeriodMin, 3);
    EXPECT_EQ(forty.PeriodMax, 3);
    const TStatDraw never = row(52);
    EXPECT_EQ(never.Count, 0);
    EXPECT_EQ(never.LastDraw, 0);
    EXPECT_EQ(table.size(), 52u);
}
INSTANTIATE_TEST_SUITE_P(Directions, CountDrawGaps, testing::Bool());

struct TFindNextCase {
    const char* Code;
    int Value;
    int FromIndex;
    int Expected;
};
void PrintTo(const TFindNextCase& c, std::ostream* os) {
    *os << c.Code << " value " << c.Value << " from " << c.FromIndex;
}
class FindNext : public testing::TestWithParam<TFindNextCase> {};
TEST_P(FindNext, DrawNumberOfTheFirstDrawWithTheValue) {
    const TFindNextCase& c = GetParam();
    TRegistry reg(GapArchive());
    auto stat = reg.Create(c.Code);
    EXPECT_EQ(stat->FindNext(KeyRow(c.Value), c.FromIndex, false, 3), c.Expected);
}
INSTANTIATE_TEST_SUITE_P(Table, FindNext,
                         testing::Values(TFindNextCase{"NUMS", 5, 0, 10}, TFindNextCase{"NUMS", 5, 1, 13},
                                         TFindNextCase{"NUMS", 5, 3, 20}, TFindNextCase{"NUMS", 40, 3, -1},
                                         TFindNextCase{"NUMS", 52, 0, -1}, TFindNextCase{"NUMS", 5, 4, -1},
                                         TFindNextCase{"NUMS", 6, -3, 11}, TFindNextCase{"EVEN", 3, 0, 10},
                                         TFindNextCase{"EVEN", 3, 1, 11}, TFindNextCase{"EVEN", 2, 0, 20},
                                         TFindNextCase{"EVEN", 4, 0, -1}, TFindNextCase{"POS1", 40, 1, 13}));

// --- Value texts of the common bases -------------------------------------------------------------------------

struct TTextCase {
    const char* Code;
    int32_t I1, I2;
    const char* Text;
};
void PrintTo(const TTextCase& c, std::ostream* os) {
    *os << c.Code << " (" << c.I1 << ", " << c.I2 << ")";
}
class ValueText : public testing::TestWithParam<TTextCase> {};
TEST_P(ValueText, Formatted) {
    const TTextCase& c = GetParam();
    TRegistry reg;
    EXPECT_EQ(reg.Create(c.Code)->ValueText(KeyRow(c.I1, c.I2)), c.Text);
}
INSTANTIATE_TEST_SUITE_P(
    Table, ValueText,
    testing::Values(TTextCase{"EVEN", 0, 0, "0:6"}, TTextCase{"EVEN", 1, 0, "1:5"}, TTextCase{"PRIM", 6, 0, "6:0"},
                    TTextCase{"EVNV", 21, 0, "ЧнЧнЧн (021)"}, TTextCase{"EVNV", 0, 0, "ЧЧЧЧЧЧ (000)"},
                    TTextCase{"EVNV", 63, 0, "нннннн (063)"}, TTextCase{"EVNV", 32, 0, "нЧЧЧЧЧ (032)"},
                    TTextCase{"SMLV", 33, 0, "211112 (033)"}, TTextCase{"PRMV", 1, 0, "СССССП (001)"},
                    TTextCase{"NUMS", 17, 0, "17"}, TTextCase{"POS3", 52, 0, "52"}, TTextCase{"SUMS", 150, 0, "150"},
                    TTextCase{"SUM1", 1, 0, "106-212"}, TTextCase{"SUM2", 1, 0, "117-201"},
                    TTextCase{"SUM3", 1, 0, "127-191"}, TTextCase{"SUM1", 0, 0, "Остальные"},
                    TTextCase{"SUMC", 150, 155, "+05 : 150 + 5 = 155"},
                    TTextCase{"SUMC", 150, 145, "- 05 : 150 - 5 = 145"},
                    TTextCase{"SUMC", 150, 150, "+00 : 150 + 0 = 150"},
                    TTextCase{"SUMC", 100, 212, "+112 : 100 + 112 = 212"}, TTextCase{"SUMV", -7, 0, "- 07"},
                    TTextCase{"SUMV", 0, 0, "+00"}, TTextCase{"SUMV", 12, 0, "+12"}, TTextCase{"SUMT", 0, 0, "="},
                    TTextCase{"SUMT", 1, 0, "+"}, TTextCase{"SUMT", -1, 0, "-"}));

// Pattern and ratio texts read back to the value they were made from.
class TextRoundTrip : public testing::TestWithParam<std::pair<const char*, int>> {};
TEST_P(TextRoundTrip, TextToValueInvertsValueText) {
    TRegistry reg;
    auto stat = reg.Create(GetParam().first);
    for (int v = 0; v <= GetParam().second; ++v) {
        const std::string text = stat->ValueText(KeyRow(v));
        EXPECT_EQ(stat->TextToValue(text), v) << text;
        EXPECT_EQ(stat->ValueFromText(text), v) << text;
    }
}
INSTANTIATE_TEST_SUITE_P(Table, TextRoundTrip,
                         testing::Values(std::pair{"EVNV", 63}, std::pair{"SMLV", 63}, std::pair{"PRMV", 63},
                                         std::pair{"EVEN", 6}, std::pair{"SMAL", 6}, std::pair{"PRIM", 6}));

} // namespace
} // namespace zorb

// Repeat and number-combination methods: registry entries, shifted seeds and repeats, counts against the draws
// before the window's end, three-draw repeats and number tuples.
#include "stats/StatsRepeats.h"
#include "StatTestUtil.h"

#include "stats/CombMatcher.h"

#include <gtest/gtest.h>

#include <map>

namespace zorb {
namespace {

using test::MakeComb;
using test::MakeDraw;
using test::TRegistry;

using TKey = std::array<int, 4>;

std::map<TKey, int> Counts(const TStatDrawArray& table) {
    std::map<TKey, int> r;
    for (const TStatDraw& row : table) r[{row.W(1), row.W(2), row.W(3), row.W(4)}] += row.Count;
    return r;
}

std::vector<int> Keys(const TStatDrawArray& table) {
    std::vector<int> r;
    for (const TStatDraw& row : table) r.push_back(row.I(1));
    return r;
}

TDrawsArray Draws(std::initializer_list<std::array<int, 6>> numbers) {
    TDrawsArray d;
    for (const auto& n : numbers) d.push_back(MakeDraw(static_cast<int>(d.size()) + 101, n));
    return d;
}

// --- Registry entries ------------------------------------------------------------------------------------------

struct TEntry {
    const char* Code;
    const char* Caption;
    int Group;
    const char* Letters;
    const char* HelpCode;
};
void PrintTo(const TEntry& e, std::ostream* os) {
    *os << e.Code;
}
class RepeatEntry : public testing::TestWithParam<TEntry> {};
TEST_P(RepeatEntry, CaptionGroupAndFlags) {
    const TEntry& e = GetParam();
    TRegistry reg;
    const int i = reg.Index(e.Code);
    ASSERT_GE(i, 0);
    const TStatMethod& m = reg.List.Method(i);
    EXPECT_EQ(reg.List.EntryName(i), e.Caption);
    EXPECT_EQ(m.StatClass->Group, e.Group);
    EXPECT_EQ(FlagLetters(m.StatClass->FullFlags()), e.Letters);
    EXPECT_EQ(m.StatClass->HelpCodeOf(m.Param), e.HelpCode);
    EXPECT_EQ(m.StatClass->HasTextValues, e.Group == 7);
    EXPECT_FALSE(m.StatClass->CanPrefetch());
}
INSTANTIATE_TEST_SUITE_P(
    Table, RepeatEntry,
    testing::Values(TEntry{"RPV2", "Повторяющиеся числа в 2-х тиражах подряд", 7, "D", "RPV2"},
                    TEntry{"RPV3", "Повторяющиеся числа в 3-х тиражах подряд", 7, "D", "RPV3"},
                    TEntry{"PRL2", "Повторяющиеся числа не более чем в 2-х тиражах", 7, "D", "PRL2"},
                    TEntry{"PRV2O1", "Повторяющиеся числа в 2-х тиражах через 1 тираж(а)", 7, "D", "PRV2O1"},
                    TEntry{"PRV2O3", "Повторяющиеся числа в 2-х тиражах через 3 тираж(а)", 7, "D", "PRV2O3"},
                    TEntry{"PRV+1", "Данные предыдущего тиража + 1", 7, "D", "PRV+1"},
                    TEntry{"PRV-2", "Данные предыдущего тиража - 2", 7, "D", "PRV-2"},
                    TEntry{"RPC2", "Количество повторов в 2-х тиражах подряд", 7, "D", "RPC2"},
                    TEntry{"RPC3", "Количество повторов в 3-х тиражах подряд", 7, "D", "RPC3"},
                    TEntry{"PRB2", "Количество повторов не более чем в 2-х тиражах", 7, "D", "PRB2"},
                    TEntry{"RPO1", "Количество повторов в 2-х тиражах через 1 тираж(а)", 7, "D", "RPO1"},
                    TEntry{"PRC2O2", "Количество повторов в 2-х тиражах через 2 тираж(а)", 7, "D", "PRC2O2"},
                    TEntry{"PRC-1", "Количество совпадений \"значений - 1\"", 7, "D", "PRC-1"},
                    TEntry{"PRC+2", "Количество совпадений \"значений + 2\"", 7, "D", "PRC+2"},
                    TEntry{"KNM2", "Сочетания из 2 чисел по всем числам тиража", 0, "S", "KNM2"},
                    TEntry{"KNM4", "Сочетания из 4 чисел по всем числам тиража", 0, "S", "KNM4"},
                    TEntry{"KNS3", "Сочетания из 3 соседних чисел тиража", 0, "S", "KNS3"},
                    TEntry{"KNP21", "Сочетания из 2-х чисел тиража начиная с 1 позиции", 0, "S", "KNP2"},
                    TEntry{"KNP34", "Сочетания из 3-х чисел тиража начиная с 4 позиции", 0, "S", "KNP3"},
                    TEntry{"KNP43", "Сочетания из 4-х чисел тиража начиная с 3 позиции", 0, "S", "KNP4"}));

TEST(RepeatEntry, RegistryOrderWithoutTheSortedTuples) {
    TRegistry reg;
    const std::vector<std::string> expected = {
        "RPV2",  "RPV3",  "PRL2",  "PRV2O1", "PRV2O2", "PRV2O3", "PRV+1", "PRV-1", "PRV+2", "PRV-2",
        "RPC2",  "RPC3",  "PRB2",  "RPO1",   "PRC2O2", "PRC2O3", "PRC+1", "PRC-1", "PRC+2", "PRC-2",
        "KNM2",  "KNM3",  "KNM4",  "KNS2",   "KNS3",   "KNS4",   "KNP21", "KNP22", "KNP23", "KNP24",
        "KNP25", "KNP31", "KNP32", "KNP33",  "KNP34",  "KNP41",  "KNP42", "KNP43"};
    const int first = reg.Index("RPV2");
    ASSERT_GT(first, reg.Index("LENS"));
    for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(reg.List.CodeOf(first + static_cast<int>(k)), expected[k]);
    EXPECT_EQ(reg.List.CodeOf(first + static_cast<int>(expected.size())), "KDS2");
    for (const char* code : {"KNO2", "KNO3", "KNO4"}) {
        EXPECT_LT(reg.Index(code), 0) << code;
        const auto& t = RegistryTable();
        auto it = std::find_if(t.begin(), t.end(), [&](const TRegistrySlot& s) { return std::string(s.Code) == code; });
        ASSERT_NE(it, t.end());
        ASSERT_NE(it->Class, nullptr) << code;
        EXPECT_FALSE(it->Class->Available) << code;
        EXPECT_EQ(it->Class->Flags, 0u) << code;
    }
}

// --- Shifted numbers ----------------------------------------------------------------------------------------------

TEST(RepeatShift, WrapsIntoTheRangeAndDropsOddNumbers) {
    const int cases[][3] = {{52, 1, 1},  {51, 2, 1},   {52, 2, 2}, {1, -1, 52}, {2, -2, 52}, {1, -2, 51},
                            {26, 0, 26}, {26, -2, 24}, {0, 1, 0},  {53, -1, 0}, {255, 2, 0}, {0, 0, 0}};
    for (const auto& c : cases) EXPECT_EQ(ShiftedNumber(c[0], c[1]), c[2]) << c[0] << " shifted by " << c[1];
}

TEST(RepeatShift, SeedsAreTheNewestDrawShifted) {
    TRegistry reg(Draws({{22, 52, 6, 7, 8, 9}, {23, 1, 2, 10, 11, 12}, {3, 15, 22, 30, 41, 52}}));
    TStatDrawArray seeds;
    reg.Create("PRV+1")->InitValues(2, seeds);
    EXPECT_EQ(Keys(seeds), (std::vector<int>{4, 16, 23, 31, 42, 1}));
    seeds.clear();
    reg.Create("PRV-2")->InitValues(2, seeds);
    EXPECT_EQ(Keys(seeds), (std::vector<int>{1, 13, 20, 28, 39, 50}));
    seeds.clear();
    reg.Create("RPV2")->InitValues(1, seeds);
    EXPECT_EQ(Keys(seeds), (std::vector<int>{23, 1, 2, 10, 11, 12}));

    // 23 follows 22 and 1 follows 52 (wrapped); 10 follows 9 but is not in the newest draw shifted.
    auto stat = reg.Create("PRV+1");
    EXPECT_EQ(Counts(CountWindow(*stat, 2, 3, false)), (std::map<TKey, int>{{{4, 0, 0, 0}, 0},
                                                                            {{16, 0, 0, 0}, 0},
                                                                            {{23, 0, 0, 0}, 1},
                                                                            {{31, 0, 0, 0}, 0},
                                                                            {{42, 0, 0, 0}, 0},
                                                                            {{1, 0, 0, 0}, 1}}));
}

// --- Repeats counted over a window ---------------------------------------------------------------------------------

struct TWindowCase {
    const char* Code;
    int WindowEnd, Length;
    std::map<int, int> Values; // W1 -> count, seeds included
};
void PrintTo(const TWindowCase& c, std::ostream* os) {
    *os << c.Code << " window end " << c.WindowEnd << " length " << c.Length;
}
class RepeatWindow : public testing::TestWithParam<TWindowCase> {};
// d0..d3 repeat 1 throughout, 2 and 3 in places, 10 from d2 on.
const TDrawsArray& RepeatArchive() {
    static const TDrawsArray d = Draws({{1, 2, 3, 4, 5, 6},
                                        {1, 2, 3, 7, 8, 9},
                                        {1, 2, 10, 11, 12, 13},
                                        {22, 1, 3, 10, 20, 21},
                                        {30, 31, 32, 33, 34, 35}});
    return d;
}
TEST_P(RepeatWindow, CountsOfTheWindow) {
    const TWindowCase& c = GetParam();
    TRegistry reg(RepeatArchive());
    auto stat = reg.Create(c.Code);
    std::map<int, int> values;
    for (const TStatDraw& r : CountWindow(*stat, c.WindowEnd, c.Length, false)) values[r.I(1)] += r.Count;
    EXPECT_EQ(values, c.Values);
}
INSTANTIATE_TEST_SUITE_P(Table, RepeatWindow,
                         testing::Values(
                             // The first draw of the archive has no predecessor.
                             TWindowCase{"RPV2", 1, 2, {{1, 1}, {2, 1}, {3, 1}, {7, 0}, {8, 0}, {9, 0}}},
                             TWindowCase{"RPV2", 3, 4, {{22, 0}, {1, 3}, {3, 1}, {10, 1}, {20, 0}, {21, 0}}},
                             TWindowCase{"PRV2O1", 3, 4, {{22, 0}, {1, 2}, {3, 1}, {10, 0}, {20, 0}, {21, 0}}},
                             TWindowCase{"RPV3", 3, 4, {{22, 0}, {1, 2}, {3, 0}, {10, 0}, {20, 0}, {21, 0}}},
                             TWindowCase{"PRL2", 3, 4, {{22, 0}, {1, 1}, {3, 1}, {10, 1}, {20, 0}, {21, 0}}},
                             TWindowCase{"RPC2", 1, 1, {{1, 0}, {2, 0}, {3, 1}, {4, 0}, {5, 0}, {6, 0}}},
                             // No number in common (and the draw before the archive) gives 0, appended after the seeds.
                             TWindowCase{"RPC2", 4, 5, {{0, 2}, {1, 0}, {2, 2}, {3, 1}, {4, 0}, {5, 0}, {6, 0}}},
                             TWindowCase{"RPO1", 4, 5, {{0, 3}, {1, 0}, {2, 2}, {3, 0}, {4, 0}, {5, 0}, {6, 0}}},
                             TWindowCase{"RPC3", 3, 4, {{0, 2}, {1, 1}, {2, 1}, {3, 0}, {4, 0}, {5, 0}, {6, 0}}},
                             TWindowCase{"PRB2", 3, 4, {{0, 2}, {1, 1}, {2, 0}, {3, 1}, {4, 0}, {5, 0}, {6, 0}}}));

// --- Counts for a combination: it stands in for the draw after the window ---------------------------------------

struct TCountMatchCase {
    const char* Code;
    int WindowEnd;
    int Count; // the combination 1, 8, 14, 15, 26, 27 against the draws before
};
void PrintTo(const TCountMatchCase& c, std::ostream* os) {
    *os << c.Code << " window end " << c.WindowEnd;
}
class RepeatCountMatch : public testing::TestWithParam<TCountMatchCase> {};
TEST_P(RepeatCountMatch, AgainstTheDrawsBeforeTheNext) {
    const TCountMatchCase& c = GetParam();
    TRegistry reg(Draws({{1, 2, 3, 4, 5, 6},
                         {7, 8, 9, 10, 11, 12},
                         {13, 14, 15, 16, 17, 18},
                         {19, 20, 21, 22, 23, 24},
                         {25, 26, 27, 28, 29, 52}}));
    auto stat = reg.Create(c.Code);
    const TComb comb = MakeComb({1, 8, 14, 15, 26, 27});
    for (int v = 0; v <= 6; ++v) {
        TStatDrawArray sel(1);
        sel[0].SetW(1, static_cast<uint16_t>(v));
        EXPECT_EQ(stat->MatchComb(comb, sel, c.WindowEnd, false, false), v == c.Count) << v;
        auto matcher = stat->MakeMatcher(sel, c.WindowEnd, false, false);
        ASSERT_NE(matcher, nullptr);
        uint64_t bits = 0;
        matcher->Match(&comb, 1, &bits);
        EXPECT_EQ(bits, v == c.Count ? 1u : 0u) << v;
    }
}
INSTANTIATE_TEST_SUITE_P(
    Table, RepeatCountMatch,
    testing::Values(TCountMatchCase{"RPC2", 4, 2}, TCountMatchCase{"RPO1", 4, 0}, TCountMatchCase{"PRC2O2", 4, 2},
                    TCountMatchCase{"PRC2O3", 4, 1}, TCountMatchCase{"PRC+1", 4, 3}, TCountMatchCase{"PRC-1", 4, 2},
                    TCountMatchCase{"PRC+2", 4, 1}, TCountMatchCase{"PRC-2", 4, 2}, TCountMatchCase{"PRC2O3", 3, 1},
                    TCountMatchCase{"PRC2O3", 1, 0}, TCountMatchCase{"RPC2", 0, 1}, TCountMatchCase{"RPC3", 4, 0},
                    TCountMatchCase{"PRB2", 4, 2}, TCountMatchCase{"PRB2", 0, 1}, TCountMatchCase{"RPC3", 0, 0}));

TEST(RepeatCountMatch, ThreeDrawRulesOnTheLastTwoDraws) {
    TRegistry reg(RepeatArchive());
    const TComb comb = MakeComb({1, 2, 3, 10, 40, 41});
    auto count = [&](const char* code) {
        auto stat = reg.Create(code);
        for (int v = 0; v <= 6; ++v) {
            TStatDrawArray sel(1);
            sel[0].SetW(1, static_cast<uint16_t>(v));
            if (stat->MatchComb(comb, sel, 3, false, false)) return v;
        }
        return -1;
    };
    EXPECT_EQ(count("RPC3"), 2); // 1 and 10 are in draws 3 and 2
    EXPECT_EQ(count("PRB2"), 1); // 3 is in draw 3 only
}

// --- Number tuples -----------------------------------------------------------------------------------------------

struct TTupleCase {
    const char* Code;
    std::array<int, 6> Numbers;
    size_t Distinct;
    std::vector<TKey> Some; // tuples that must be among them
};
void PrintTo(const TTupleCase& c, std::ostream* os) {
    *os << c.Code;
}
class RepeatTuples : public testing::TestWithParam<TTupleCase> {};
TEST_P(RepeatTuples, TuplesOfOneDraw) {
    const TTupleCase& c = GetParam();
    TRegistry reg({MakeDraw(5, c.Numbers)});
    auto stat = reg.Create(c.Code);
    TStatDrawArray table;
    TWorkArea work{};
    TLastValueArray last;
    stat->CountDraw(0, 0, false, table, work, last);
    const auto counts = Counts(table);
    EXPECT_EQ(counts.size(), c.Distinct);
    for (const TKey& k : c.Some) EXPECT_EQ(counts.count(k), 1u) << k[0] << ":" << k[1] << ":" << k[2] << ":" << k[3];
    TStatDrawArray seeds;
    stat->InitValues(0, seeds);
    EXPECT_TRUE(seeds.empty());
}
INSTANTIATE_TEST_SUITE_P(
    Table, RepeatTuples,
    testing::Values(
        TTupleCase{"KNM2", {1, 2, 3, 4, 5, 6}, 15, {{1, 2, 0, 0}, {1, 6, 0, 0}, {5, 6, 0, 0}}},
        TTupleCase{"KNM3", {1, 2, 3, 4, 5, 6}, 20, {{1, 2, 3, 0}, {2, 4, 6, 0}}},
        TTupleCase{"KNM4", {1, 2, 3, 4, 5, 6}, 15, {{1, 2, 3, 4}, {3, 4, 5, 6}}},
        TTupleCase{
            "KNS2", {1, 2, 3, 4, 5, 6}, 5, {{1, 2, 0, 0}, {2, 3, 0, 0}, {3, 4, 0, 0}, {4, 5, 0, 0}, {5, 6, 0, 0}}},
        TTupleCase{"KNS2", {30, 5, 12, 40, 41, 1}, 5, {{30, 5, 0, 0}, {41, 1, 0, 0}}},
        TTupleCase{"KNS4", {30, 5, 12, 40, 41, 1}, 3, {{30, 5, 12, 40}, {12, 40, 41, 1}}},
        TTupleCase{"KNP34", {10, 20, 30, 40, 50, 52}, 1, {{40, 50, 52, 0}}},
        TTupleCase{"KNP21", {10, 20, 30, 40, 50, 52}, 1, {{10, 20, 0, 0}}},
        TTupleCase{"KNP43", {10, 20, 30, 40, 50, 52}, 1, {{30, 40, 50, 52}}},
        // A tuple with a number outside 1..52 is not formed.
        TTupleCase{"KNM2", {60, 1, 2, 3, 4, 5}, 10, {{1, 2, 0, 0}}}, TTupleCase{"KNP21", {0, 7, 8, 9, 10, 11}, 0, {}}));

TEST(RepeatTuples, TextAndOddTuples) {
    TRegistry reg;
    TStatDraw r{};
    r.SetW(1, 5);
    r.SetW(2, 17);
    r.SetW(3, 33);
    EXPECT_EQ(reg.Create("KNM3")->ValueText(r), "5:17:33");
    EXPECT_EQ(reg.Create("KNP31")->ValueText(r), "5:17:33");
    EXPECT_EQ(reg.Create("KNS2")->ValueText(r), "5:17");
    // A selected tuple with an odd number matches no combination, even one holding that number.
    auto stat = reg.Create("KNM2");
    TStatDrawArray sel(2);
    sel[0].SetW(1, 60);
    sel[0].SetW(2, 61);
    sel[1].SetW(1, 0);
    sel[1].SetW(2, 7);
    const TComb odd = MakeComb({0, 7, 60, 61, 62, 63});
    EXPECT_FALSE(stat->MatchComb(odd, sel, 0, false, false));
    uint64_t bits = 0;
    stat->MakeMatcher(sel, 0, false, false)->Match(&odd, 1, &bits);
    EXPECT_EQ(bits, 0u);
}

} // namespace
} // namespace zorb

#include "stats/StatsNumbers.h"
#include "StatTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace zorb {
namespace {

using test::DrawsWithSums;
using test::KeyRow;
using test::MakeComb;
using test::MakeDraw;
using test::NumbersWithSum;
using test::TRegistry;

// Value (as I1) -> count, of a table.
std::map<int, int> Counts(const TStatDrawArray& table) {
    std::map<int, int> r;
    for (const TStatDraw& row : table) r[row.I(1)] += row.Count;
    return r;
}

std::vector<int> Keys(const TStatDrawArray& table) {
    std::vector<int> r;
    for (const TStatDraw& row : table) r.push_back(row.I(1));
    return r;
}

std::vector<int> Range(int lo, int hi) {
    std::vector<int> r;
    for (int v = lo; v <= hi; ++v) r.push_back(v);
    return r;
}

// --- What one draw yields ----------------------------------------------------------------------------------------

struct TDrawCase {
    const char* Code;
    std::array<int, 6> Numbers; // in drawn order
    bool Sorted;
    std::map<int, int> Values; // value -> times merged
    int Merges;                // rows appended to an empty table
};
void PrintTo(const TDrawCase& c, std::ostream* os) {
    *os << c.Code << (c.Sorted ? " sorted" : "") << " of";
    for (int n : c.Numbers) *os << ' ' << n;
}
class DrawValues : public testing::TestWithParam<TDrawCase> {};
TEST_P(DrawValues, ValuesOfOneDraw) {
    const TDrawCase& c = GetParam();
    TRegistry reg({MakeDraw(7, c.Numbers)});
    auto stat = reg.Create(c.Code);
    TStatDrawArray table;
    TWorkArea work{};
    TLastValueArray last;
    stat->CountDraw(0, 0, c.Sorted, table, work, last);
    EXPECT_EQ(Counts(table), c.Values);
    EXPECT_EQ(static_cast<int>(table.size()), c.Merges);
    for (const TStatDraw& r : table) {
        EXPECT_EQ(r.LastDraw, 7);
        EXPECT_EQ(r.Depth, 1);
        // A value merged twice for the same draw records a gap of zero.
        if (r.Count > 1) {
            EXPECT_EQ(r.PeriodMin, 0);
        }
    }
}
INSTANTIATE_TEST_SUITE_P(
    Table, DrawValues,
    testing::Values(
        TDrawCase{"NUMS", {40, 2, 33, 17, 5, 21}, false, {{2, 1}, {5, 1}, {17, 1}, {21, 1}, {33, 1}, {40, 1}}, 6},
        TDrawCase{"DIGS", {5, 10, 11, 23, 40, 52}, false, {{0, 2}, {1, 3}, {2, 2}, {3, 1}, {4, 1}, {5, 2}}, 6},
        TDrawCase{"DIGS", {1, 2, 3, 4, 5, 9}, false, {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {9, 1}}, 6},
        TDrawCase{"DIGS", {10, 21, 32, 43, 50, 52}, false, {{0, 2}, {1, 2}, {2, 3}, {3, 2}, {4, 1}, {5, 2}}, 6},
        TDrawCase{"EVEN", {2, 15, 4, 33, 8, 51}, false, {{3, 1}}, 1},
        TDrawCase{"EVEN", {1, 3, 5, 7, 9, 11}, false, {{0, 1}}, 1},
        TDrawCase{"EVEN", {2, 4, 6, 8, 10, 52}, false, {{6, 1}}, 1},
        TDrawCase{"SMAL", {26, 27, 1, 52, 13, 40}, false, {{3, 1}}, 1},
        TDrawCase{"SMAL", {27, 28, 29, 30, 31, 52}, false, {{0, 1}}, 1},
        TDrawCase{"PRIM", {1, 4, 6, 8, 9, 10}, false, {{1, 1}}, 1},
        TDrawCase{"PRIM", {2, 3, 5, 7, 47, 43}, false, {{6, 1}}, 1},
        TDrawCase{"PRIM", {49, 51, 52, 4, 9, 25}, false, {{0, 1}}, 1},
        TDrawCase{"EVNV", {2, 15, 4, 33, 8, 51}, false, {{21, 1}}, 1},
        TDrawCase{"EVNV", {2, 15, 4, 33, 8, 51}, true, {{7, 1}}, 1},
        TDrawCase{"SMLV", {26, 27, 1, 52, 13, 40}, false, {{21, 1}}, 1},
        TDrawCase{"SMLV", {27, 1, 2, 3, 4, 30}, false, {{33, 1}}, 1},
        TDrawCase{"PRMV", {1, 4, 6, 8, 9, 10}, false, {{32, 1}}, 1},
        TDrawCase{"PRMV", {4, 2, 6, 3, 9, 47}, false, {{21, 1}}, 1},
        TDrawCase{"SUMS", {1, 2, 3, 4, 5, 6}, false, {{21, 1}}, 1},
        TDrawCase{"SUMS", {47, 48, 49, 50, 51, 52}, false, {{297, 1}}, 1},
        TDrawCase{"SUME", {1, 3, 5, 7, 9, 11}, false, {{0, 1}}, 1},
        TDrawCase{"SUME", {2, 15, 4, 33, 8, 51}, false, {{14, 1}}, 1},
        TDrawCase{"SUMP", {1, 4, 6, 8, 9, 10}, false, {{1, 1}}, 1},
        TDrawCase{"SUMP", {2, 3, 4, 5, 6, 7}, false, {{17, 1}}, 1},
        TDrawCase{"SUMP", {4, 6, 8, 9, 10, 12}, false, {{0, 1}}, 1},
        TDrawCase{"S2T3", {1, 2, 3, 5, 8, 13}, false, {{4, 1}}, 1},
        TDrawCase{"S2T3", {13, 8, 5, 3, 2, 1}, false, {{4, 1}}, 1},
        TDrawCase{"S2T3", {1, 2, 3, 4, 5, 6}, false, {{6, 1}}, 1},
        TDrawCase{"S2T3", {1, 2, 4, 8, 16, 32}, false, {{0, 1}}, 1},
        TDrawCase{"SUM1", {10, 15, 20, 25, 30, 6}, false, {{1, 1}}, 1},  // 106
        TDrawCase{"SUM1", {5, 15, 20, 25, 30, 10}, false, {{0, 1}}, 1},  // 105
        TDrawCase{"SUM1", {52, 51, 50, 30, 20, 9}, false, {{1, 1}}, 1},  // 212
        TDrawCase{"SUM1", {52, 51, 50, 30, 20, 10}, false, {{0, 1}}, 1}, // 213
        TDrawCase{"SUM2", {10, 15, 20, 25, 30, 17}, false, {{1, 1}}, 1}, // 117
        TDrawCase{"SUM2", {10, 15, 20, 25, 30, 16}, false, {{0, 1}}, 1}, // 116
        TDrawCase{"SUM2", {52, 51, 50, 30, 10, 8}, false, {{1, 1}}, 1},  // 201
        TDrawCase{"SUM2", {52, 51, 50, 30, 11, 8}, false, {{0, 1}}, 1},  // 202
        TDrawCase{"SUM3", {10, 15, 20, 25, 30, 27}, false, {{1, 1}}, 1}, // 127
        TDrawCase{"SUM3", {10, 15, 20, 25, 30, 26}, false, {{0, 1}}, 1}, // 126
        TDrawCase{"SUM3", {52, 51, 50, 20, 10, 8}, false, {{1, 1}}, 1},  // 191
        TDrawCase{"SUM3", {52, 51, 50, 20, 11, 8}, false, {{0, 1}}, 1},  // 192
        TDrawCase{"POS3", {40, 2, 33, 17, 5, 21}, false, {{33, 1}}, 1},
        TDrawCase{"POS3", {40, 2, 33, 17, 5, 21}, true, {{17, 1}}, 1},
        TDrawCase{"POS1", {40, 2, 33, 17, 5, 21}, true, {{2, 1}}, 1},
        TDrawCase{"POS6", {40, 2, 33, 17, 5, 21}, false, {{21, 1}}, 1},
        TDrawCase{"POS6", {40, 2, 33, 17, 5, 21}, true, {{40, 1}}, 1}));

// --- Seeded values -----------------------------------------------------------------------------------------------

class Seeds : public testing::TestWithParam<std::pair<const char*, std::vector<int>>> {};
TEST_P(Seeds, InitialValuesWithoutCounts) {
    TRegistry reg({MakeDraw(1, {1, 2, 3, 4, 5, 6})});
    auto stat = reg.Create(GetParam().first);
    TStatDrawArray table;
    stat->InitValues(0, table);
    EXPECT_EQ(Keys(table), GetParam().second);
    for (const TStatDraw& r : table) {
        EXPECT_EQ(r.Count, 0);
        EXPECT_EQ(r.LastDraw, 0);
    }
}
INSTANTIATE_TEST_SUITE_P(Table, Seeds,
                         testing::Values(std::pair{"NUMS", Range(1, 52)}, std::pair{"DIGS", std::vector<int>{}},
                                         std::pair{"EVEN", Range(1, 6)}, std::pair{"SMAL", Range(1, 6)},
                                         std::pair{"PRIM", Range(1, 6)}, std::pair{"EVNV", Range(0, 63)},
                                         std::pair{"SMLV", std::vector<int>{}}, std::pair{"PRMV", Range(0, 63)},
                                         std::pair{"SUMS", Range(21, 297)}, std::pair{"SUM2", std::vector<int>{0, 1}},
                                         std::pair{"SUME", std::vector<int>{}}, std::pair{"SUMP", std::vector<int>{}},
                                         std::pair{"S2T3", std::vector<int>{}}, std::pair{"SUMC", std::vector<int>{}},
                                         std::pair{"SUMV", std::vector<int>{}},
                                         std::pair{"SUMT", std::vector<int>{0, 1, -1}},
                                         std::pair{"POS4", Range(1, 52)}));

// A ratio with none of the property is not seeded: it follows the seeded values.
class RatioZero : public testing::TestWithParam<std::pair<const char*, std::array<int, 6>>> {};
TEST_P(RatioZero, AppendedAfterTheSeeds) {
    TRegistry reg({MakeDraw(1, GetParam().second)});
    auto stat = reg.Create(GetParam().first);
    TStatDrawArray table;
    TWorkArea work{};
    TLastValueArray last;
    stat->InitValues(0, table);
    stat->CountDraw(0, 0, false, table, work, last);
    ASSERT_EQ(table.size(), 7u);
    EXPECT_EQ(table.back().I(1), 0);
    EXPECT_EQ(table.back().Count, 1);
    EXPECT_EQ(stat->ValueText(table.back()), "0:6");
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(table[i].Count, 0);
}
INSTANTIATE_TEST_SUITE_P(Table, RatioZero,
                         testing::Values(std::pair{"EVEN", std::array<int, 6>{1, 3, 5, 7, 9, 11}},
                                         std::pair{"SMAL", std::array<int, 6>{27, 28, 29, 30, 31, 52}},
                                         std::pair{"PRIM", std::array<int, 6>{4, 6, 8, 9, 10, 12}}));

// --- Sum changes between draws -----------------------------------------------------------------------------------

struct TChangeCase {
    const char* Code;
    std::vector<int> Sums; // of the archive's draws, numbered 101, 102, ...
    int Index, WindowEnd;
    std::vector<std::pair<int, int>> Keys; // (I1, I2) merged; empty: the draw is not counted
};
void PrintTo(const TChangeCase& c, std::ostream* os) {
    *os << c.Code << " index " << c.Index << " window end " << c.WindowEnd << " sums";
    for (int s : c.Sums) *os << ' ' << s;
}
class SumChange : public testing::TestWithParam<TChangeCase> {};
TEST_P(SumChange, CountedOnlyFromTheNewestDrawsSum) {
    const TChangeCase& c = GetParam();
    TRegistry reg(DrawsWithSums(c.Sums));
    auto stat = reg.Create(c.Code);
    TStatDrawArray table;
    TWorkArea work{};
    TLastValueArray last;
    stat->CountDraw(c.Index, c.WindowEnd, false, table, work, last);
    std::vector<std::pair<int, int>> keys;
    for (const TStatDraw& r : table) {
        keys.emplace_back(r.I(1), r.I(2));
        EXPECT_EQ(r.LastDraw, 101 + c.Index);
        EXPECT_EQ(r.Depth, c.WindowEnd - c.Index + 1);
    }
    EXPECT_EQ(keys, c.Keys);
}
const std::vector<int> Walk{150, 155, 150, 145, 150};
INSTANTIATE_TEST_SUITE_P(
    Table, SumChange,
    testing::Values(TChangeCase{"SUMC", Walk, 1, 4, {{150, 155}}}, TChangeCase{"SUMC", Walk, 3, 4, {{150, 145}}},
                    TChangeCase{"SUMC", Walk, 0, 4, {}}, TChangeCase{"SUMC", Walk, 2, 4, {}},
                    TChangeCase{"SUMC", Walk, 4, 4, {}}, TChangeCase{"SUMC", {140, 155, 150, 155}, 2, 3, {{155, 150}}},
                    TChangeCase{"SUMC", {150, 150}, 1, 1, {{150, 150}}}, TChangeCase{"SUMC", {149, 150}, 1, 1, {}},
                    TChangeCase{"SUMC", {150}, 0, 0, {}}, TChangeCase{"SUMT", Walk, 1, 4, {{1, 0}}},
                    TChangeCase{"SUMT", Walk, 3, 4, {{-1, 0}}}, TChangeCase{"SUMT", Walk, 2, 4, {}},
                    TChangeCase{"SUMT", {150, 150}, 1, 1, {{0, 0}}}, TChangeCase{"SUMT", {149, 150}, 1, 1, {}},
                    TChangeCase{"SUMV", Walk, 0, 4, {}}, TChangeCase{"SUMV", Walk, 1, 4, {{5, 0}}},
                    TChangeCase{"SUMV", Walk, 2, 4, {{-5, 0}}}, TChangeCase{"SUMV", Walk, 4, 4, {{5, 0}}},
                    TChangeCase{"SUMV", {123, 160, 150}, 1, 2, {{37, 0}}},
                    TChangeCase{"SUMV", {122, 160, 150}, 1, 2, {}},
                    TChangeCase{"SUMV", {177, 100, 150}, 1, 2, {{-77, 0}}},
                    TChangeCase{"SUMV", {178, 100, 150}, 1, 2, {}}));

struct TChangeMatchCase {
    const char* Code;
    int CombSum;
    std::vector<std::pair<int, int>> Selected;
    bool Expected;
};
void PrintTo(const TChangeMatchCase& c, std::ostream* os) {
    *os << c.Code << " combination sum " << c.CombSum;
}
class SumChangeMatch : public testing::TestWithParam<TChangeMatchCase> {};
// The newest draw of the window (index 2) has sum 150.
TEST_P(SumChangeMatch, ComparedWithTheNewestDraw) {
    const TChangeMatchCase& c = GetParam();
    TRegistry reg(DrawsWithSums({170, 155, 150, 90}));
    auto stat = reg.Create(c.Code);
    TStatDrawArray selected;
    for (auto [a, b] : c.Selected) selected.push_back(KeyRow(a, b));
    EXPECT_EQ(stat->MatchComb(MakeComb(NumbersWithSum(c.CombSum)), selected, 2, false, false), c.Expected);
}
INSTANTIATE_TEST_SUITE_P(
    Table, SumChangeMatch,
    testing::Values(TChangeMatchCase{"SUMC", 160, {{150, 160}}, true},
                    TChangeMatchCase{"SUMC", 160, {{999, 160}}, true},
                    TChangeMatchCase{"SUMC", 160, {{150, 155}}, false}, TChangeMatchCase{"SUMC", 160, {}, false},
                    TChangeMatchCase{"SUMV", 160, {{10, 0}}, true}, TChangeMatchCase{"SUMV", 160, {{5, 0}}, false},
                    TChangeMatchCase{"SUMV", 143, {{-7, 0}}, true}, TChangeMatchCase{"SUMV", 143, {{7, 0}}, false},
                    TChangeMatchCase{"SUMT", 160, {{1, 0}}, true},
                    TChangeMatchCase{"SUMT", 160, {{0, 0}, {-1, 0}}, false},
                    TChangeMatchCase{"SUMT", 150, {{0, 0}}, true}, TChangeMatchCase{"SUMT", 100, {{-1, 0}}, true},
                    TChangeMatchCase{"SUMT", 100, {{1, 0}}, false}));

TEST(SumChange, CombinationValueIsTheChangeFromThePreviousDraw) {
    TRegistry reg(DrawsWithSums({170, 155, 150}));
    auto owner = reg.Create("SUMC");
    auto* stat = dynamic_cast<TCustomGraphStat*>(owner.get());
    ASSERT_NE(stat, nullptr);
    const TComb comb = MakeComb(NumbersWithSum(160));
    EXPECT_EQ(stat->CombValue(comb, 2, 2, false), 160 - 155);
    EXPECT_EQ(stat->CombValue(comb, 1, 2, false), 160 - 170);
    EXPECT_EQ(stat->CombValue(comb, 0, 2, false), 160);
}

// --- Sum ranges --------------------------------------------------------------------------------------------------

struct TRangeMatchCase {
    const char* Code;
    int CombSum;
    std::vector<int> Selected; // W1 rows: 1 the range, 0 the rest
    bool Expected;
};
void PrintTo(const TRangeMatchCase& c, std::ostream* os) {
    *os << c.Code << " sum " << c.CombSum << " selected " << c.Selected.size();
}
class SumRangeMatch : public testing::TestWithParam<TRangeMatchCase> {};
TEST_P(SumRangeMatch, RangeRowWinsOverTheRest) {
    const TRangeMatchCase& c = GetParam();
    TRegistry reg;
    TStatDrawArray selected;
    for (int v : c.Selected) selected.push_back(KeyRow(v));
    EXPECT_EQ(reg.Create(c.Code)->MatchComb(MakeComb(NumbersWithSum(c.CombSum)), selected, 0, false, false),
              c.Expected);
}
INSTANTIATE_TEST_SUITE_P(
    Table, SumRangeMatch,
    testing::Values(TRangeMatchCase{"SUM1", 150, {1}, true}, TRangeMatchCase{"SUM1", 150, {0}, false},
                    TRangeMatchCase{"SUM1", 150, {0, 1}, true}, TRangeMatchCase{"SUM1", 105, {0}, true},
                    TRangeMatchCase{"SUM1", 105, {1}, false}, TRangeMatchCase{"SUM1", 105, {0, 1}, false},
                    TRangeMatchCase{"SUM1", 105, {1, 0}, false}, TRangeMatchCase{"SUM2", 117, {1}, true},
                    TRangeMatchCase{"SUM2", 202, {0}, true}, TRangeMatchCase{"SUM3", 126, {1}, false},
                    TRangeMatchCase{"SUM3", 191, {0, 1}, true}, TRangeMatchCase{"SUM3", 192, {0, 1}, false}));

// --- Combinations against draws and selections -------------------------------------------------------------------

std::vector<TComb> RandomCombs(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<int> pool = Range(1, 52);
    std::vector<TComb> r;
    for (int k = 0; k < count; ++k) {
        std::shuffle(pool.begin(), pool.end(), rng);
        std::array<int, 6> n;
        std::copy_n(pool.begin(), 6, n.begin());
        std::sort(n.begin(), n.end());
        r.push_back(MakeComb(n));
    }
    return r;
}

// The registered entries of this family with flag N; the other families check their own.
std::vector<std::string> CombMethodCodes() {
    TRegistry reg;
    const auto& family = NumberSumClasses();
    std::vector<std::string> r;
    for (int i = 0; i < reg.List.MethodCount(); ++i) {
        const TStatClass* c = reg.List.Method(i).StatClass;
        if ((c->Flags & sfN) && std::find(family.begin(), family.end(), c) != family.end())
            r.push_back(reg.List.CodeOf(i));
    }
    return r;
}

int DigitCount(const TComb& c) {
    int k = 0;
    for (uint8_t n : c.N) k += n >= 10 ? 2 : 1;
    return k;
}

class CombAgreement : public testing::TestWithParam<std::string> {};

// Every value a combination has is matched by selecting it alone; a value it lacks is not.
TEST_P(CombAgreement, MatchCombAcceptsExactlyTheCountedValues) {
    TRegistry reg({MakeDraw(1, {1, 2, 3, 4, 5, 6})});
    auto stat = reg.Create(GetParam());
    const std::vector<TComb> combs = RandomCombs(3000, 20240601);

    TStatDrawArray pool;
    stat->InitValues(0, pool);
    for (size_t k = 0; k < 300; ++k) stat->CountComb(combs[k], pool);

    std::mt19937 rng(7);
    int negatives = 0;
    for (const TComb& comb : combs) {
        TStatDrawArray own;
        stat->CountComb(comb, own);
        ASSERT_FALSE(own.empty()) << GetParam() << " " << CombToList(comb);
        int total = 0;
        for (const TStatDraw& r : own) total += r.Count;
        const int expectedTotal = GetParam() == "NUMS" ? 6 : GetParam() == "DIGS" ? DigitCount(comb) : 1;
        EXPECT_EQ(total, expectedTotal) << GetParam() << " " << CombToList(comb);

        for (const TStatDraw& r : own)
            EXPECT_TRUE(stat->MatchComb(comb, TStatDrawArray{r}, 0, false, false))
                << GetParam() << " " << CombToList(comb) << " value " << stat->ValueText(r);

        for (int tries = 0; tries < 3; ++tries) {
            const TStatDraw& cand = pool[std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng)];
            const bool has = std::any_of(own.begin(), own.end(), [&](const TStatDraw& r) { return r.SameKey(cand); });
            if (has) continue;
            ++negatives;
            EXPECT_FALSE(stat->MatchComb(comb, TStatDrawArray{cand}, 0, false, false))
                << GetParam() << " " << CombToList(comb) << " value " << stat->ValueText(cand);
        }

        if (auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get())) {
            ASSERT_EQ(own.size(), 1u);
            EXPECT_TRUE(own[0].SameKey(KeyRow(graph->CombValue(comb, 0, 0, false))))
                << GetParam() << " " << CombToList(comb);
        }
    }
    EXPECT_GT(negatives, 0) << "no value outside the combinations was tried";
}

// A draw yields the values of its numbers as a combination, in drawn or ascending order.
TEST_P(CombAgreement, DrawCountsAsItsCombination) {
    std::mt19937 rng(11);
    TDrawsArray draws;
    for (const TComb& c : RandomCombs(200, 99)) {
        std::array<int, 6> n;
        std::copy_n(c.N, 6, n.begin());
        std::shuffle(n.begin(), n.end(), rng);
        draws.push_back(MakeDraw(static_cast<int>(draws.size()) + 1, n));
    }
    TRegistry reg(draws);
    auto stat = reg.Create(GetParam());
    for (bool sorted : {false, true})
        for (int i = 0; i < static_cast<int>(draws.size()); ++i) {
            TComb comb = DrawNumbers(draws[static_cast<size_t>(i)]);
            if (sorted) SortComb(comb);
            TStatDrawArray fromDraw, fromComb;
            TWorkArea work{};
            TLastValueArray last;
            stat->CountDraw(i, i, sorted, fromDraw, work, last);
            stat->CountComb(comb, fromComb);
            EXPECT_EQ(Counts(fromDraw), Counts(fromComb)) << GetParam() << " draw " << i << " sorted " << sorted;
            if (auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get())) {
                ASSERT_EQ(fromDraw.size(), 1u);
                EXPECT_EQ(graph->DrawValue(i, i, sorted), fromDraw[0].I(1)) << GetParam() << " draw " << i;
            }
        }
}
INSTANTIATE_TEST_SUITE_P(Registered, CombAgreement, testing::ValuesIn(CombMethodCodes()),
                         [](const testing::TestParamInfo<std::string>& p) { return p.param; });

TEST(CombAgreement, EveryCombinationMethodIsCovered) {
    EXPECT_EQ(CombMethodCodes().size(), 21u);
}

// --- Numbers outside 1..52 from user files -----------------------------------------------------------------------

class OddNumbers : public testing::TestWithParam<std::array<int, 6>> {};
TEST_P(OddNumbers, EveryMethodCopes) {
    const std::array<int, 6> odd = GetParam();
    TRegistry reg({MakeDraw(1, odd), MakeDraw(2, {255, 255, 255, 255, 255, 255}), MakeDraw(3, odd)});
    for (int m = 0; m < reg.List.MethodCount(); ++m) {
        SCOPED_TRACE(reg.List.CodeOf(m));
        auto stat = reg.List.CreateStat(m);
        TStatDrawArray table;
        TWorkArea work{};
        TLastValueArray last;
        stat->InitValues(2, table);
        for (bool sorted : {false, true})
            for (int i = 0; i < 3; ++i) stat->CountDraw(i, 2, sorted, table, work, last);
        const TComb comb = MakeComb(odd);
        stat->CountComb(comb, table);
        for (const TStatDraw& r : table) EXPECT_FALSE(stat->ValueText(r).empty());
        stat->MatchComb(comb, table, 2, false, false);
        stat->MatchComb(comb, table, 2, true, true);
        if (!table.empty()) stat->FindNext(table.back(), 0, false, 2);
        if (auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get())) {
            graph->CombValue(comb, 1, 2, false);
            graph->DrawValue(1, 2, true);
        }
    }
}
INSTANTIATE_TEST_SUITE_P(Table, OddNumbers,
                         testing::Values(std::array<int, 6>{0, 53, 255, 1, 52, 0},
                                         std::array<int, 6>{255, 254, 253, 0, 0, 0},
                                         std::array<int, 6>{53, 100, 199, 200, 99, 10}));

} // namespace
} // namespace zorb

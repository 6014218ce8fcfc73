// Difference and sequence methods: registry entries, what one draw yields, seeds, texts, occurrence gaps, and
// combinations against draws.
#include "stats/StatsDifferences.h"
#include "StatTestUtil.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace zorb {
namespace {

using test::MakeComb;
using test::MakeDraw;
using test::TRegistry;

using TKey = std::array<int, 4>;

TKey KeyOf(const TStatDraw& r) {
    return {r.W(1), r.W(2), r.W(3), r.W(4)};
}

std::map<TKey, int> Counts(const TStatDrawArray& table) {
    std::map<TKey, int> r;
    for (const TStatDraw& row : table) r[KeyOf(row)] += row.Count;
    return r;
}

TStatDrawArray CountOne(TRegistry& reg, const char* code, int index, bool sorted) {
    auto stat = reg.Create(code);
    TStatDrawArray table;
    TWorkArea work{};
    TLastValueArray last;
    stat->CountDraw(index, index, sorted, table, work, last);
    return table;
}

// --- Registry entries ------------------------------------------------------------------------------------------

struct TEntry {
    const char* Code;
    const char* Caption;
    int Group;
    const char* Letters;
    bool TextValues;
};
void PrintTo(const TEntry& e, std::ostream* os) {
    *os << e.Code;
}
class DifferenceEntry : public testing::TestWithParam<TEntry> {};
TEST_P(DifferenceEntry, CaptionGroupAndFlags) {
    const TEntry& e = GetParam();
    TRegistry reg;
    const int i = reg.Index(e.Code);
    ASSERT_GE(i, 0);
    const TStatClass& c = *reg.List.Method(i).StatClass;
    EXPECT_EQ(reg.List.EntryName(i), e.Caption);
    EXPECT_EQ(c.Group, e.Group);
    EXPECT_EQ(FlagLetters(c.FullFlags()), e.Letters);
    EXPECT_EQ(c.HasTextValues, e.TextValues);
    EXPECT_FALSE(c.HasParam);
    EXPECT_EQ(c.HelpCodeOf(0), e.Code);
}
INSTANTIATE_TEST_SUITE_P(
    Table, DifferenceEntry,
    testing::Values(TEntry{"DIFA", "Все разности между соседними позициями", 2, "SN", true},
                    TEntry{"DIFM", "Максимальная разность между соседними позициями", 2, "SNG", true},
                    TEntry{"DIFD", "Разность между минимальным и максимальным числом", 2, "NG", true},
                    TEntry{"DIFO", "Одинаковые разности между соседними позициями", 2, "SN", false},
                    TEntry{"DIFK", "Количество одинаковых разностей между соседними позициями", 2, "SNG", true},
                    TEntry{"SEQL", "Длина последовательности в тираже", 6, "SN", true},
                    TEntry{"SEQS", "Количество последовательностей в тираже", 6, "SNG", true},
                    TEntry{"LENS", "Макс. длина последовательности в тираже", 6, "SNG", true},
                    TEntry{"KDS2", "Сочетания из 2 разностей между числами", 2, "S", false},
                    TEntry{"KDS3", "Сочетания из 3 разностей между числами", 2, "S", false},
                    TEntry{"KDS4", "Сочетания из 4 разностей между числами", 2, "S", false}));

TEST(DifferenceEntry, RegistryOrder) {
    TRegistry reg;
    EXPECT_EQ(reg.Index("DIFA") + 4, reg.Index("DIFK"));
    EXPECT_EQ(reg.Index("SEQL") + 2, reg.Index("LENS"));
    EXPECT_LT(reg.Index("DIFK"), reg.Index("SEQL"));
    EXPECT_GT(reg.Index("KDS2"), reg.Index("KNP43"));
    EXPECT_EQ(reg.Index("KDS2") + 2, reg.Index("KDS4"));
}

// --- What one draw yields ----------------------------------------------------------------------------------------

struct TDrawCase {
    const char* Code;
    std::array<int, 6> Numbers; // in drawn order
    bool Sorted;
    std::map<TKey, int> Values;
};
void PrintTo(const TDrawCase& c, std::ostream* os) {
    *os << c.Code << (c.Sorted ? " sorted" : "") << " of";
    for (int n : c.Numbers) *os << ' ' << n;
}
class DifferenceDraw : public testing::TestWithParam<TDrawCase> {};
TEST_P(DifferenceDraw, ValuesOfOneDraw) {
    const TDrawCase& c = GetParam();
    TRegistry reg({MakeDraw(9, c.Numbers)});
    const TStatDrawArray table = CountOne(reg, c.Code, 0, c.Sorted);
    EXPECT_EQ(Counts(table), c.Values);
    for (const TStatDraw& r : table) {
        EXPECT_EQ(r.LastDraw, 9);
        EXPECT_EQ(r.Depth, 1);
    }
}
constexpr std::array<int, 6> Example{7, 12, 17, 22, 23, 40}; // gaps 5, 5, 5, 1, 17
constexpr std::array<int, 6> Mixed{10, 9, 30, 31, 1, 2};
constexpr std::array<int, 6> Six{1, 2, 3, 4, 5, 6};
INSTANTIATE_TEST_SUITE_P(
    Table, DifferenceDraw,
    testing::Values(
        TDrawCase{"DIFA", Example, false, {{{1, 0, 0, 0}, 1}, {{5, 0, 0, 0}, 3}, {{17, 0, 0, 0}, 1}}},
        TDrawCase{"DIFM", Example, false, {{{17, 0, 0, 0}, 1}}},
        TDrawCase{"DIFD", Example, false, {{{33, 0, 0, 0}, 1}}}, TDrawCase{"DIFK", Example, false, {{{3, 0, 0, 0}, 1}}},
        TDrawCase{"DIFO", Example, false, {{{5, 3, 0, 0}, 1}, {{1, 1, 0, 0}, 1}, {{17, 1, 0, 0}, 1}}},
        TDrawCase{"KDS2", Example, false, {{{5, 5, 0, 0}, 2}, {{5, 1, 0, 0}, 1}, {{1, 17, 0, 0}, 1}}},
        TDrawCase{"KDS3", Example, false, {{{5, 5, 5, 0}, 1}, {{5, 5, 1, 0}, 1}, {{5, 1, 17, 0}, 1}}},
        TDrawCase{"KDS4", Example, false, {{{5, 5, 5, 1}, 1}, {{5, 5, 1, 17}, 1}}},
        TDrawCase{"SEQL", Example, false, {{{1, 0, 0, 0}, 4}, {{2, 0, 0, 0}, 1}}},
        TDrawCase{"SEQS", Example, false, {{{1, 0, 0, 0}, 1}}}, TDrawCase{"LENS", Example, false, {{{2, 0, 0, 0}, 1}}},
        // Drawn order: 10, 9 is no run (the difference is -1); 30, 31 and 1, 2 are.
        TDrawCase{"SEQL", Mixed, false, {{{1, 0, 0, 0}, 2}, {{2, 0, 0, 0}, 2}}},
        TDrawCase{"SEQS", Mixed, false, {{{2, 0, 0, 0}, 1}}},
        TDrawCase{"SEQL", Mixed, true, {{{2, 0, 0, 0}, 3}}}, // 1 2 9 10 30 31
        TDrawCase{"DIFA", Mixed, false, {{{1, 0, 0, 0}, 3}, {{21, 0, 0, 0}, 1}, {{30, 0, 0, 0}, 1}}},
        TDrawCase{"DIFD", Mixed, false, {{{30, 0, 0, 0}, 1}}}, TDrawCase{"SEQL", Six, false, {{{6, 0, 0, 0}, 1}}},
        TDrawCase{"SEQS", Six, false, {{{1, 0, 0, 0}, 1}}}, TDrawCase{"LENS", Six, false, {{{6, 0, 0, 0}, 1}}},
        TDrawCase{"DIFK", Six, false, {{{5, 0, 0, 0}, 1}}}, TDrawCase{"DIFO", Six, false, {{{1, 5, 0, 0}, 1}}},
        TDrawCase{"SEQL", {1, 3, 5, 7, 9, 11}, false, {{{1, 0, 0, 0}, 6}}},
        TDrawCase{"SEQS", {1, 3, 5, 7, 9, 11}, false, {{{0, 0, 0, 0}, 1}}},
        TDrawCase{"LENS", {1, 3, 5, 7, 9, 11}, false, {{{1, 0, 0, 0}, 1}}},
        // A gap next to a number outside 1..52 forms no window.
        TDrawCase{"KDS2", {0, 5, 6, 7, 60, 61}, false, {{{1, 1, 0, 0}, 1}}},
        TDrawCase{"KDS4", {0, 5, 6, 7, 60, 61}, false, {}}));

// The graph value of SEQS and LENS also takes descending neighbours as consecutive.
TEST(DifferenceDraw, GraphRunsEitherWay) {
    TRegistry reg({MakeDraw(1, Mixed), MakeDraw(2, {10, 9, 8, 40, 41, 3})});
    for (auto [code, first, second] : {std::tuple{"SEQS", 3, 2}, std::tuple{"LENS", 2, 3}}) {
        auto owner = reg.Create(code);
        auto* graph = dynamic_cast<TCustomGraphStat*>(owner.get());
        ASSERT_NE(graph, nullptr) << code;
        EXPECT_EQ(graph->DrawValue(0, 1, false), first) << code;
        EXPECT_EQ(graph->DrawValue(1, 1, false), second) << code;
        EXPECT_EQ(graph->DrawValue(0, 1, true), code == std::string("SEQS") ? 3 : 2) << code; // 1 2 9 10 30 31
    }
}

// --- Seeds, texts --------------------------------------------------------------------------------------------------

std::vector<int> Range(int lo, int hi) {
    std::vector<int> r;
    for (int v = lo; v <= hi; ++v) r.push_back(v);
    return r;
}

class DifferenceSeeds : public testing::TestWithParam<std::pair<const char*, std::vector<int>>> {};
TEST_P(DifferenceSeeds, InitialValues) {
    TRegistry reg({MakeDraw(1, Six)});
    auto stat = reg.Create(GetParam().first);
    TStatDrawArray table;
    stat->InitValues(0, table);
    std::vector<int> keys;
    for (const TStatDraw& r : table) {
        keys.push_back(r.I(1));
        EXPECT_EQ(r.Count, 0);
        EXPECT_EQ(r.Depth, 0);
    }
    EXPECT_EQ(keys, GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(Table, DifferenceSeeds,
                         testing::Values(std::pair{"DIFA", Range(1, 51)}, std::pair{"DIFM", Range(1, 51)},
                                         std::pair{"DIFD", Range(1, 51)}, std::pair{"DIFK", Range(1, 5)},
                                         std::pair{"DIFO", std::vector<int>{}}, std::pair{"SEQL", Range(1, 6)},
                                         std::pair{"SEQS", Range(0, 3)}, std::pair{"LENS", Range(1, 6)},
                                         std::pair{"KDS2", std::vector<int>{}}, std::pair{"KDS4", std::vector<int>{}}));

TEST(DifferenceText, PairsAndWindows) {
    TRegistry reg;
    TStatDraw r{};
    r.SetW(1, 3);
    r.SetW(2, 2);
    EXPECT_EQ(reg.Create("DIFO")->ValueText(r), "3 x 2");
    r.SetW(2, 1);
    r.SetW(3, 7);
    EXPECT_EQ(reg.Create("KDS3")->ValueText(r), "3:1:7");
    EXPECT_EQ(reg.Create("KDS2")->ValueText(r), "3:1");
    EXPECT_EQ(reg.Create("DIFO")->ValueFromText("3 x 2"), 0);
    EXPECT_EQ(reg.Create("KDS2")->ValueFromText("3"), 0);
    EXPECT_EQ(reg.Create("DIFA")->ValueFromText("17"), 17);
}

// --- Occurrence gaps: only the first value of a draw updates them --------------------------------------------------

TEST(DifferenceGaps, FirstValueOfADrawOnly) {
    TRegistry reg({MakeDraw(10, Example), MakeDraw(13, Example)});
    struct TCheck {
        const char* Code;
        TKey Key;
        int PeriodMin;
    };
    for (const TCheck& c :
         {TCheck{"DIFA", {5, 0, 0, 0}, 3}, TCheck{"DIFA", {1, 0, 0, 0}, 0}, TCheck{"KDS2", {5, 5, 0, 0}, 3},
          TCheck{"KDS2", {1, 17, 0, 0}, 0}, TCheck{"DIFO", {1, 1, 0, 0}, 3}, TCheck{"SEQL", {1, 0, 0, 0}, 0}}) {
        auto stat = reg.Create(c.Code);
        const TStatDrawArray table = CountWindow(*stat, 1, 2, false);
        auto it = std::find_if(table.begin(), table.end(), [&](const TStatDraw& r) { return KeyOf(r) == c.Key; });
        ASSERT_NE(it, table.end()) << c.Code;
        EXPECT_EQ(it->PeriodMin, c.PeriodMin) << c.Code << " " << c.Key[0] << ":" << c.Key[1];
        EXPECT_EQ(it->LastDraw, 13) << c.Code;
    }
}

// --- Combinations ------------------------------------------------------------------------------------------------

std::vector<std::string> FamilyCodes(bool withCombOnly) {
    TRegistry reg;
    const auto& family = DifferenceClasses();
    std::vector<std::string> r;
    for (int i = 0; i < reg.List.MethodCount(); ++i) {
        const TStatClass* c = reg.List.Method(i).StatClass;
        if (std::find(family.begin(), family.end(), c) != family.end() && (!withCombOnly || (c->Flags & sfN)))
            r.push_back(reg.List.CodeOf(i));
    }
    return r;
}

TEST(DifferenceComb, EveryClassIsRegistered) {
    EXPECT_EQ(FamilyCodes(false), (std::vector<std::string>{"DIFA", "DIFM", "DIFD", "DIFO", "DIFK", "SEQL", "SEQS",
                                                            "LENS", "KDS2", "KDS3", "KDS4"}));
}

// A draw in ascending order yields the values of its combination; every one is matched alone, and the graph
// value is the single value.
class DifferenceComb : public testing::TestWithParam<std::string> {};
TEST_P(DifferenceComb, DrawCombinationAndMatchAgree) {
    std::mt19937 rng(41);
    std::vector<int> pool = Range(1, 52);
    TDrawsArray draws;
    for (int k = 0; k < 300; ++k) {
        std::shuffle(pool.begin(), pool.end(), rng);
        std::array<int, 6> n;
        std::copy_n(pool.begin(), 6, n.begin());
        std::sort(n.begin(), n.end());
        // Runs are rare among random numbers: every third draw gets some.
        if (k % 3 == 0) n = {n[0] % 40 + 1, n[0] % 40 + 2, n[0] % 40 + 3, 45, 46, 52};
        draws.push_back(MakeDraw(k + 1, n));
    }
    TRegistry reg(draws);
    auto stat = reg.Create(GetParam());
    const bool prefetchable = stat->Class().Flags & sfN;
    for (int i = 0; i < static_cast<int>(draws.size()); ++i) {
        const TComb comb = DrawNumbers(draws[static_cast<size_t>(i)]);
        TStatDrawArray fromDraw;
        TWorkArea work{};
        TLastValueArray last;
        stat->CountDraw(i, i, false, fromDraw, work, last);
        ASSERT_FALSE(fromDraw.empty());
        if (prefetchable) {
            TStatDrawArray fromComb;
            stat->CountComb(comb, fromComb);
            EXPECT_EQ(Counts(fromDraw), Counts(fromComb)) << GetParam() << " " << CombToList(comb);
        }
        for (const TStatDraw& r : fromDraw) {
            EXPECT_TRUE(stat->MatchComb(comb, TStatDrawArray{r}, i, false, false))
                << GetParam() << " " << CombToList(comb);
            TStatDraw other = r;
            other.SetW(1, 60); // no gap, run or count reaches it
            EXPECT_FALSE(stat->MatchComb(comb, TStatDrawArray{other}, i, false, false)) << GetParam();
        }
        if (auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get())) {
            ASSERT_EQ(fromDraw.size(), 1u);
            EXPECT_EQ(graph->CombValue(comb, i, i, false), fromDraw[0].I(1)) << GetParam() << " " << CombToList(comb);
        }
    }
}
INSTANTIATE_TEST_SUITE_P(Registered, DifferenceComb, testing::ValuesIn(FamilyCodes(false)),
                         [](const testing::TestParamInfo<std::string>& p) { return p.param; });

} // namespace
} // namespace zorb

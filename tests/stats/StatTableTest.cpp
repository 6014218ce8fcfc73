// The statistics table: the cells of a hand-counted archive, the norms from a full-set distribution, the
// weights, the chart points and the view's sort.
#include "stats/StatTable.h"
#include "StatTestUtil.h"

#include "core/DrawArchive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <random>

namespace zorb {
namespace {

using test::MakeDraw;
using test::TRegistry;
using TCells = std::array<std::string, StatColumnCount>;

// Six small draws whose counts, gaps and next occurrences are worked out by hand below.
TDrawsArray HandDraws() {
    return {MakeDraw(101, {1, 2, 3, 4, 5, 6}),      MakeDraw(102, {1, 7, 8, 9, 10, 11}),
            MakeDraw(103, {2, 7, 12, 13, 14, 15}),  MakeDraw(104, {1, 12, 16, 17, 18, 19}),
            MakeDraw(105, {7, 20, 21, 22, 23, 24}), MakeDraw(106, {1, 2, 3, 26, 27, 28})};
}

class StatTableTest : public testing::Test {
protected:
    TRegistry Reg{HandDraws()};

    TStatTable Compute(const std::string& code, int windowEnd, int length = 1000,
                       const TPrefetchData* prefetch = nullptr, TWeights weights = {}, bool totalLine = true) {
        auto stat = Reg.Create(code);
        TStatTableParams p;
        p.WindowEnd = windowEnd;
        p.Length = length;
        p.Weights = weights;
        p.ShowTotalLine = totalLine;
        return ComputeStatTable(*stat, Reg.Draws(), p, prefetch);
    }
    static const TStatLine& Line(const TStatTable& t, const std::string& value) {
        for (const TStatLine& l : t.Lines)
            if (l.Cells[0] == value) return l;
        throw std::invalid_argument("no line " + value);
    }
};

// A distribution over NUMS keys.
TPrefetchData NumsPrefetch(const std::vector<std::pair<int, int>>& keyCounts) {
    TStatDrawArray rows;
    for (auto [key, count] : keyCounts) {
        TStatDraw r{};
        r.SetW(1, static_cast<uint16_t>(key));
        r.Count = count;
        rows.push_back(r);
    }
    return DecodePrefetch(EncodePrefetch(rows));
}

TEST(StatColumns, CaptionsInOrder) {
    const char* expected[StatColumnCount] = {"Значение",    "Количество", "Кол-во в %",  "Норма",    "Отклонение",
                                             "Откл-ие в %", "Глубина",    "Глубина в %", "Вес",      "Посл. тираж",
                                             "Период min",  "Период",     "Период max",  "Ожд. ПРД", "Ожд. СТФ",
                                             "Ожд. КРН",    "Факт",       "+/- ПРД",     "+/- СТФ",  "+/- КРН"};
    for (int c = 0; c < StatColumnCount; ++c) EXPECT_EQ(StatColumnCaption(c), expected[c]) << c;
    EXPECT_EQ(StatColumnCaption(-1), "");
    EXPECT_EQ(StatColumnCaption(StatColumnCount), "");
}

// Window ending at #104 (index 3) of a six-draw archive: W = 4, 24 numbers counted, deepest value 4 draws back.
// Estimates round halves to even (154.5 -> 154, 157.5 -> 158); the actual next draw is searched to #106.
TEST_F(StatTableTest, HandCountedWindowWithLaterDraws) {
    const TStatTable t = Compute("NUMS", 3);
    EXPECT_EQ(t.Window, 4);
    EXPECT_EQ(t.Total, 24);
    EXPECT_EQ(t.MaxDepth, 4);
    EXPECT_FALSE(t.NormsKnown);
    ASSERT_EQ(t.Lines.size(), 52u);
    const TCells expected[] = {
        {"1", "3",      "12.50000", "-",   "-",   "-",   "1",   "25.00", "1.00", "104",
         "1", "1.3333", "2",        "105", "139", "131", "106", "-1",    "+33",  "+25"},
        {"2", "2",      "8.33333", "-",   "-",   "-",   "2",   "50.00", "2.00", "103",
         "2", "2.0000", "2",       "105", "154", "139", "106", "-1",    "+48",  "+33"},
        {"7", "2",      "8.33333", "-",   "-",   "-",   "2",   "50.00", "2.00", "103",
         "1", "2.0000", "1",       "105", "154", "139", "105", "0",     "+49",  "+34"},
        // Once: no periods; never again: no actual.
        {"16", "1", "4.16667", "-", "-",   "-",   "1", "25.00", "1.00", "104",
         "-",  "-", "-",       "-", "208", "158", "-", "-",     "-",    "-"},
        // Once, then again at #106: no first estimate to compare.
        {"3", "1", "4.16667", "-", "-",   "-",   "4",   "100.00", "4.00", "101",
         "-", "-", "-",       "-", "202", "153", "106", "-",      "+96",  "+47"},
        // Seeded, only drawn after the window.
        {"20", "0", "0.00000", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"},
    };
    for (const TCells& row : expected) EXPECT_EQ(Line(t, row[0]).Cells, row) << "value " << row[0];
}

TEST_F(StatTableTest, NewestWindowHasNoActualColumns) {
    const TStatTable t = Compute("NUMS", 5);
    for (const TStatLine& l : t.Lines)
        for (int c = 16; c < StatColumnCount; ++c) EXPECT_EQ(l.Cells[static_cast<size_t>(c)], "-") << l.Cells[0];
}

TEST_F(StatTableTest, WindowBoundsAndShortArchives) {
    // Two draws (#103, #104): W = 2 drives the period and the first estimate.
    const TStatTable two = Compute("NUMS", 3, 2);
    EXPECT_EQ(two.Window, 2);
    EXPECT_EQ(two.Total, 12);
    const TStatLine& twelve = Line(two, "12");
    EXPECT_EQ(twelve.Cells[1], "2");
    EXPECT_EQ(twelve.Cells[11], "1.0000");
    EXPECT_EQ(twelve.Cells[13], "105");
    EXPECT_EQ(Line(two, "3").Cells[1], "0");
    // A length beyond the archive counts what there is.
    EXPECT_EQ(Compute("NUMS", 5, 1000000).Window, 6);
    EXPECT_TRUE(Compute("NUMS", -1).Lines.empty());
    TRegistry empty;
    auto stat = empty.Create("NUMS");
    TStatTableParams p;
    p.WindowEnd = 0;
    EXPECT_TRUE(ComputeStatTable(*stat, empty.Draws(), p, nullptr).Lines.empty());
}

TEST_F(StatTableTest, EqualFullSetCountsGiveEveryRowTheMeanNorm) {
    // 36 numbers over six draws; counts from 0 to 4, so every norm is (0 + 4) / 2.
    const TPrefetchData full = NumsPrefetch([] {
        std::vector<std::pair<int, int>> v;
        for (int n = 1; n <= 52; ++n) v.push_back({n, 2349060});
        return v;
    }());
    const TStatTable t = Compute("NUMS", 5, 1000, &full);
    ASSERT_TRUE(t.NormsKnown);
    for (const TStatLine& l : t.Lines) EXPECT_EQ(l.Cells[3], "2") << l.Cells[0];
    EXPECT_EQ(Line(t, "1").Cells,
              (TCells{"1", "4",      "11.11111", "2",   "2",   "100.00000", "1", "16.67", "-1.00", "106",
                      "1", "1.5000", "2",        "108", "132", "128",       "-", "-",     "-",     "-"}));
    EXPECT_EQ(Line(t, "52").Cells, (TCells{"52", "0", "0.00000", "2", "-2", "-100.00000", "-", "-", "-", "-",
                                           "-",  "-", "-",       "-", "-",  "-",          "-", "-", "-", "-"}));
}

TEST_F(StatTableTest, UnequalFullSetCountsScaleByTheLargestCount) {
    // Largest window count 4 over largest full count 256: h = 1/64. Key 60 is in the file but not the table.
    const TPrefetchData full = NumsPrefetch({{1, 64}, {2, 128}, {3, 256}, {60, 32}});
    const TStatTable t = Compute("NUMS", 5, 1000, &full);
    EXPECT_DOUBLE_EQ(t.Scale, 1.0 / 64);
    struct TNorm {
        const char* Value;
        const char* Norm;
        const char* Dev;
        const char* DevPct;
    };
    const TNorm cases[] = {
        {"1", "1", "3", "300.00000"},  {"2", "2", "1", "50.00000"},
        {"3", "4", "-2", "-50.00000"}, {"4", "0", "1", "100.00000"}, // in the table only
        {"52", "0", "0", "0.00000"},
    };
    for (const TNorm& c : cases) {
        const TStatLine& l = Line(t, c.Value);
        EXPECT_EQ(l.Cells[3], c.Norm) << c.Value;
        EXPECT_EQ(l.Cells[4], c.Dev) << c.Value;
        EXPECT_EQ(l.Cells[5], c.DevPct) << c.Value;
    }
    // One total point per file record, one actual point per record with a row.
    ASSERT_TRUE(t.Chart.Drawn);
    ASSERT_EQ(t.Chart.Total.size(), 4u);
    const double totalY[] = {1, 2, 4, 0.5};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(t.Chart.Total[i].X, static_cast<double>(i + 1));
        EXPECT_DOUBLE_EQ(t.Chart.Total[i].Y, totalY[i]);
    }
    EXPECT_EQ(t.Chart.Total[3].Label, "60");
    ASSERT_EQ(t.Chart.Actual.size(), 3u);
    const double actualY[] = {4, 3, 2};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(t.Chart.Actual[i].X, static_cast<double>(i + 1));
        EXPECT_DOUBLE_EQ(t.Chart.Actual[i].Y, actualY[i]);
        EXPECT_EQ(t.Chart.Actual[i].Label, std::to_string(i + 1));
    }
    const TStatTable noTotal = Compute("NUMS", 5, 1000, &full, {}, false);
    EXPECT_TRUE(noTotal.Chart.Total.empty());
    EXPECT_EQ(noTotal.Chart.Actual.size(), 3u);
}

TEST_F(StatTableTest, TrailerWithoutCountsLeavesNormsUnknown) {
    TPrefetchData full = NumsPrefetch({{1, 5}});
    full.Max = 0;
    const TStatTable t = Compute("NUMS", 5, 1000, &full);
    EXPECT_FALSE(t.NormsKnown);
    for (const TStatLine& l : t.Lines) {
        EXPECT_EQ(l.Cells[3], "-");
        EXPECT_EQ(l.Cells[5], "-");
    }
    // With norms unknown the default weight is the depth.
    EXPECT_EQ(Line(t, "1").Cells[8], "1.00");
    EXPECT_EQ(Line(t, "4").Cells[8], "6.00");
}

TEST_F(StatTableTest, NoEvenNumbersIsAppendedAfterTheSeededValues) {
    TRegistry reg(
        {MakeDraw(1, {1, 3, 5, 7, 9, 11}), MakeDraw(2, {2, 4, 6, 8, 10, 12}), MakeDraw(3, {1, 2, 3, 4, 5, 6})});
    auto stat = reg.Create("EVEN");
    TStatTableParams p;
    p.WindowEnd = 2;
    const TStatTable t = ComputeStatTable(*stat, reg.Draws(), p, nullptr);
    ASSERT_EQ(t.Lines.size(), 7u);
    const char* order[] = {"1:5", "2:4", "3:3", "4:2", "5:1", "6:0", "0:6"};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(t.Lines[i].Cells[0], order[i]);
    EXPECT_EQ(t.Lines[6].Cells[1], "1");
    EXPECT_EQ(t.Lines[6].Cells[6], "3");
}

TEST_F(StatTableTest, ChartWithoutNormsFollowsTheKeys) {
    // SUME seeds nothing: one draw gives one line and no chart.
    const TStatTable one = Compute("SUME", 3, 1);
    ASSERT_EQ(one.Lines.size(), 1u);
    EXPECT_EQ(one.Lines[0].Cells[0], "46");
    EXPECT_FALSE(one.Chart.Drawn);
    // Even sums 66 (#105) then 56 (#106): table order by appearance, chart order by key.
    const TStatTable two = Compute("SUME", 5, 2);
    ASSERT_EQ(two.Lines.size(), 2u);
    EXPECT_EQ(two.Lines[0].Cells[0], "66");
    ASSERT_TRUE(two.Chart.Drawn);
    ASSERT_EQ(two.Chart.Actual.size(), 2u);
    EXPECT_EQ(two.Chart.Actual[0].Label, "56");
    EXPECT_DOUBLE_EQ(two.Chart.Actual[0].X, 1);
    EXPECT_EQ(two.Chart.Actual[1].Label, "66");
    EXPECT_DOUBLE_EQ(two.Chart.Actual[1].X, 2);
    EXPECT_TRUE(two.Chart.Total.empty());
    const TStatTable nums = Compute("NUMS", 5);
    ASSERT_EQ(nums.Chart.Actual.size(), 52u);
    EXPECT_DOUBLE_EQ(nums.Chart.Actual[51].X, 52);
    EXPECT_EQ(nums.Chart.Actual[51].Label, "52");
    EXPECT_DOUBLE_EQ(nums.Chart.Actual[0].Y, 4);
}

TEST_F(StatTableTest, WeightsThatOverflowShowTheFailureValue) {
    TWeights w;
    w.Level = 1e308;
    const TStatTable t = Compute("NUMS", 5, 1000, nullptr, w);
    EXPECT_EQ(Line(t, "4").Cells[8], "-999.99");
}

// Random draws in drawn order, numbered with gaps so that draw numbers and indexes differ.
TDrawsArray RandomDraws(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<int> pool(52);
    std::iota(pool.begin(), pool.end(), 1);
    TDrawsArray d;
    int number = 500;
    for (int i = 0; i < count; ++i) {
        std::shuffle(pool.begin(), pool.end(), rng);
        number += 1 + static_cast<int>(rng() % 3);
        d.push_back(MakeDraw(number, {pool[0], pool[1], pool[2], pool[3], pool[4], pool[5]}));
    }
    return d;
}

// The one scan of the later draws answers as the per-row search would, for every method and window.
TEST(StatTableNext, MatchesThePerRowSearchForEveryMethod) {
    TRegistry reg(RandomDraws(300, 17));
    const int last = static_cast<int>(reg.Draws().size()) - 1;
    for (int i = 0; i < reg.List.MethodCount(); ++i)
        for (int offset : {0, 4, 41})
            for (bool sorted : {false, true}) {
                auto stat = reg.List.CreateStat(i);
                TStatTableParams p;
                p.WindowEnd = last - offset;
                p.Length = 120;
                p.Sorted = sorted;
                const TStatTable t = ComputeStatTable(*stat, reg.Draws(), p, nullptr);
                const std::string where =
                    reg.List.CodeOf(i) + " offset " + std::to_string(offset) + (sorted ? " sorted" : "");
                int filled = 0;
                for (const TStatLine& l : t.Lines) {
                    std::string expected = "-";
                    if (l.Row.Depth != 0 && l.Row.Count >= 1) {
                        const int from = FindDraw(reg.Draws(), l.Row.LastDraw) + 1;
                        const int next = stat->FindNext(l.Row, from, sorted, p.WindowEnd);
                        if (next != -1) expected = std::to_string(next);
                    }
                    EXPECT_EQ(l.Cells[16], expected) << where << " value " << l.Cells[0];
                    if (l.Cells[16] == "-") {
                        for (int c = 17; c < StatColumnCount; ++c) EXPECT_EQ(l.Cells[static_cast<size_t>(c)], "-");
                    }
                    filled += l.Cells[16] != "-";
                }
                if (offset == 0) {
                    EXPECT_EQ(filled, 0) << where;
                } else if (reg.List.CodeOf(i) == "NUMS") {
                    EXPECT_GT(filled, 0) << where;
                }
            }
}

// --- StatWeight ---------------------------------------------------------------------------------------------------

struct TWeightCase {
    const char* Name;
    TWeights W;
    bool NormsKnown;
    int Count, Norm, Depth;
    double Expected;
};

TEST(StatWeight, Formula) {
    const double inf = std::numeric_limits<double>::infinity();
    // Totals: 20 values counted, deepest row 14.
    const TWeightCase cases[] = {
        {"depth minus deviation", {}, true, 5, 3, 7, 5},
        {"norms unknown: depth", {}, false, 5, 3, 7, 7},
        {"below the norm adds", {}, true, 1, 4, 7, 10},
        {"count share", {1, 0, 0, true, false}, true, 5, 3, 7, 25},
        {"deviation share", {0, 1, 0, true, false}, true, 5, 4, 7, 25},
        {"deviation share, norm 0", {0, 1, 0, true, false}, true, 5, 0, 7, 0},
        {"deviation share, norms unknown", {0, 1, 0, true, false}, false, 5, 4, 7, 0},
        {"depth share", {0, 0, 1, true, false}, true, 5, 3, 7, 50},
        {"mixed shares", {2, -1, 0.5, true, false}, true, 5, 4, 7, 50 - 25 + 25},
        {"negative deviation", {0, 1, 0, false, false}, true, 1, 3, 7, -2},
        {"absolute deviation", {0, 1, 0, false, true}, true, 1, 3, 7, 2},
        {"absolute deviation share", {0, 1, 0, true, true}, true, 1, 4, 7, 75},
        {"huge coefficient", {1e308, 0, 0, false, false}, true, 5, 3, 7, -999.99},
        {"infinite times zero", {0, inf, 0, false, false}, false, 5, 3, 7, -999.99},
    };
    for (const TWeightCase& c : cases) {
        TStatDraw r{};
        r.Count = c.Count;
        r.Norm = c.Norm;
        r.Depth = c.Depth;
        EXPECT_NEAR(StatWeight(r, c.W, c.NormsKnown, 20, 14), c.Expected, 1e-9) << c.Name;
    }
    TStatDraw r{};
    r.Count = 5;
    EXPECT_EQ(StatWeight(r, {1, 0, 0, true, false}, false, 0, 0), 0) << "nothing counted";
}

// --- The view's sort ----------------------------------------------------------------------------------------------

TEST(StatCells, ComparisonIsNumericWhenBothAreNumbers) {
    struct TCase {
        const char *A, *B;
        int Sign;
    } const cases[] = {
        {"10", "9", 1},
        {"9", "10", -1},
        {"1,5", "1.5", 0},
        {"2,25", "10", -1},
        {"+3", "2", 1},
        {"-2", "-10", 1},
        {"100.00000", "25.5", 1},
        {"abc", "ABC", 0},
        {"Остальные", "остальные", 0},
        {"b", "A", 1},
    };
    for (const auto& c : cases) {
        const int r = CompareStatCells(c.A, c.B);
        EXPECT_EQ((r > 0) - (r < 0), c.Sign) << c.A << " vs " << c.B;
    }
}

TStatLine MakeLine(const std::string& value, const std::string& count) {
    TStatLine l;
    l.Cells.fill("-");
    l.Cells[0] = value;
    l.Cells[1] = count;
    return l;
}

std::vector<std::string> Values(const std::vector<TStatLine>& lines) {
    std::vector<std::string> v;
    for (const TStatLine& l : lines) v.push_back(l.Cells[0]);
    return v;
}

TEST(StatCells, SortIsStableAndTiesFallBackToTheValue) {
    const std::vector<TStatLine> lines = {MakeLine("3", "5"), MakeLine("10", "5"), MakeLine("2", "7"),
                                          MakeLine("1", "5")};
    std::vector<TStatLine> asc = lines, desc = lines, unchanged = lines;
    SortStatLines(asc, 1, false);
    EXPECT_EQ(Values(asc), (std::vector<std::string>{"1", "3", "10", "2"}));
    SortStatLines(desc, 1, true);
    EXPECT_EQ(Values(desc), (std::vector<std::string>{"2", "10", "3", "1"}));
    SortStatLines(unchanged, StatColumnCount, false);
    EXPECT_EQ(Values(unchanged), Values(lines));
    // Equal values keep their order in either direction.
    std::vector<TStatLine> same = {MakeLine("1.5", "a"), MakeLine("2", "b"), MakeLine("1,5", "c")};
    SortStatLines(same, 0, false);
    EXPECT_EQ(same[0].Cells[1] + same[1].Cells[1] + same[2].Cells[1], "acb");
    SortStatLines(same, 0, true);
    EXPECT_EQ(same[0].Cells[1] + same[1].Cells[1] + same[2].Cells[1], "bac");
}

} // namespace
} // namespace zorb

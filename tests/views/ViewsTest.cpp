#include "views/Views.h"

#include "core/KestoUtils.h"
#include "stats/StatList.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>

namespace zorb {
namespace {

TDrawRec Draw(int number, std::initializer_list<int> numbers, const char* date = "") {
    TDrawRec d{};
    d.Draw = number;
    int k = 0;
    for (int n : numbers) d.Numbers[k++] = static_cast<uint8_t>(n);
    d.SetDate(date);
    return d;
}

// --- Windows -----------------------------------------------------------------------------------------------

struct TWindowCase {
    int Count, Offset;
    int64_t Length;
    int First, Last;
};
class ViewWindowTest : public testing::TestWithParam<TWindowCase> {};
TEST_P(ViewWindowTest, EndsAtTheNewestUsableDraw) {
    const auto& c = GetParam();
    const TViewWindow w = ViewWindow(c.Count, c.Offset, c.Length);
    EXPECT_EQ(w.Empty() ? -1 : w.First, c.First);
    EXPECT_EQ(w.Last, c.Last);
}
INSTANTIATE_TEST_SUITE_P(Views, ViewWindowTest,
                         testing::Values(TWindowCase{30, 0, 100, 0, 29}, TWindowCase{30, 3, 10, 17, 26},
                                         TWindowCase{30, 29, 5, 0, 0}, TWindowCase{30, 30, 5, -1, -1},
                                         TWindowCase{0, 0, 5, -1, -1}, TWindowCase{30, 0, 2147483647LL, 0, 29}));

// --- Graphs ------------------------------------------------------------------------------------------------

class GraphTest : public testing::Test {
protected:
    void SetUp() override {
        List.SetDraws(&Draws);
        List.BuildMethods();
    }
    TGraphResult Run(const char* code, int offset, int64_t length) {
        auto stat = List.CreateStat(List.FindByCode(code));
        auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get());
        EXPECT_NE(graph, nullptr);
        return ComputeGraph(*graph, Draws, offset, length, false);
    }
    TDrawsArray Draws;
    TStatList List;
};

TEST_F(GraphTest, ShortArchiveGivesItsDrawsWithMeanAndFirstMetMode) {
    // Sums 30, 50, 50, 30, 40: 30 and 50 are met twice each, 30 first.
    Draws = {Draw(1, {1, 2, 3, 4, 5, 15}), Draw(2, {1, 2, 3, 4, 5, 35}), Draw(3, {1, 2, 3, 4, 5, 35}),
             Draw(4, {1, 2, 3, 4, 5, 15}), Draw(5, {1, 2, 3, 4, 5, 25})};
    TGraphResult g = Run("SUMS", 0, 100);
    EXPECT_EQ(g.DrawNumbers, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(g.Values, (std::vector<int>{30, 50, 50, 30, 40}));
    EXPECT_DOUBLE_EQ(g.Mean, 40.0);
    EXPECT_EQ(g.Mode, 30);
    g = Run("SUMS", 2, 2); // offset hides draws 4 and 5
    EXPECT_EQ(g.DrawNumbers, (std::vector<int>{2, 3}));
    EXPECT_EQ(g.Mode, 50);
}

// --- Card --------------------------------------------------------------------------------------------------

TEST(CardTest, NewestFirstWithColourRulesInOrder) {
    const TDrawsArray draws = {Draw(1, {5, 9, 20, 30, 40, 50}), Draw(2, {5, 6, 21, 31, 41, 0}),
                               Draw(3, {1, 7, 22, 32, 42, 99})};
    const auto card = ComputeCard(draws);
    ASSERT_EQ(card.size(), 3u);
    EXPECT_EQ(card[0].Draw, 3);
    EXPECT_FALSE(card[2].Has[0]); // numbers outside the game are not shown
    struct {
        int Row, Number;
        bool Seq, Channels;
        int64_t Color;
    } cases[] = {
        {1, 5, true, false, 0xFFFF00}, // draw 2: 5 also in draw 1 below, 6 beside it
        {2, 5, true, false, 0x00FF00}, // draw 1: 5 repeated in draw 2, no neighbour
        {1, 6, true, false, 0x00FFFF}, // neighbour only
        {1, 21, true, false, -1},      // neither, no channel colouring
        {1, 21, true, true, ChannelColor(21, 4)},
        {1, 8, true, true, ChannelColor(8, 4)}, // empty cells take the channel colour too
        {1, 5, false, false, -1},
        {9, 5, true, true, -1}, // no such row
    };
    for (const auto& c : cases)
        EXPECT_EQ(CardCellColor(card, c.Row, c.Number, c.Seq, c.Channels, 4), c.Color) << c.Row << " " << c.Number;
}

// --- Layout ------------------------------------------------------------------------------------------------

TEST(LayoutTest, RowsByCountColumnsByLastDrawAndBracketsOnlyBehindAnOffset) {
    const TDrawsArray draws = {Draw(10, {1, 2, 3, 4, 5, 6}), Draw(11, {1, 2, 3, 7, 8, 9}),
                               Draw(12, {1, 10, 11, 12, 13, 14}), Draw(13, {2, 10, 20, 30, 40, 50})};
    TLayoutGrid g = ComputeLayout(draws, 1, 3); // draws 10..12; draw 13 is the next hidden one
    EXPECT_EQ(g.Counts, (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(g.DrawNumbers, (std::vector<int>{12, 11, 10}));
    const TTextGrid text = LayoutGridText(g);
    const TTextGrid expected = {{"", "12", "11", "10"},
                                {"3", "1", "", ""},
                                {"2", "", "[2], 3", ""},
                                {"1", "[10], 11, 12, 13, 14", "7, 8, 9", "4, 5, 6"}};
    EXPECT_EQ(text, expected);
    g = ComputeLayout(draws, 0, 3); // no hidden draw: no brackets anywhere
    for (const auto& row : g.Cells)
        for (const auto& cell : row) EXPECT_EQ(cell.find('['), std::string::npos) << cell;
    EXPECT_TRUE(ComputeLayout({}, 0, 100).Cells.empty());
}

TEST(LayoutTest, ComparisonListsKeepCountsInTheOrderFirstMet) {
    const TDrawsArray draws = {Draw(10, {1, 2, 3, 4, 5, 6}), Draw(11, {1, 2, 3, 7, 8, 9}),
                               Draw(12, {1, 10, 11, 12, 13, 14})};
    const TLayoutCompareList l = ComputeLayoutCompare(draws, 0, 3);
    EXPECT_EQ(l.Caption, "10 - 12");
    const std::vector<std::pair<int, std::string>> rows = {
        {3, "1"}, {1, "10, 11, 12, 13, 14, 7, 8, 9, 4, 5, 6"}, {2, "2, 3"}};
    EXPECT_EQ(l.Rows, rows);
    EXPECT_EQ(ComputeLayoutCompare(draws, 5, 3).Caption, "");
}

TEST(LayoutTest, CellColours) {
    struct {
        const char* Text;
        int Row, Col, Rows, Cols;
        bool Gradient;
        int64_t Color;
    } cases[] = {
        {"[4], 5", 3, 3, 10, 10, true, 0x00FF00}, {"4", 0, 0, 10, 10, true, 0xFFFF64},
        {"4", 5, 10, 10, 20, true, 0xB2B2B2},                                             // 177.5 each, rounded up
        {"4", 1, 6, 10, 10, false, 0xFFEAEA},                                             // row in S, column not
        {"4", 1, 2, 10, 10, false, 0xEAFFEA},     {"4", 96, 3, 100, 10, false, 0xFFEAEA}, // above 95 counts as outside
        {"4", 7, 8, 10, 10, false, 0xEAFFEA},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LayoutCellColor(c.Text, c.Row, c.Col, c.Rows, c.Cols, c.Gradient), c.Color) << c.Row << "," << c.Col;
}

// --- Weekdays ----------------------------------------------------------------------------------------------

TEST(WeekTest, DatesGiveDaysAndUnusableDatesDropOut) {
    struct {
        const char* Date;
        int Day;
    } days[] = {{"2024-01-01", 1}, {"2024-01-07", 7}, {"2026-12-09", 3}, {"2024-02-30", 0}, {"", 0}, {"abcd", 0}};
    for (const auto& d : days) EXPECT_EQ(DrawWeekDay(Draw(1, {}, d.Date)), d.Day) << d.Date;

    const TDrawsArray draws = {Draw(1, {1, 2, 3, 4, 5, 6}, "2024-01-01"), Draw(2, {1, 7, 8, 9, 10, 11}, "2024-01-08"),
                               Draw(3, {1, 2, 12, 13, 14, 0}, "2024-01-03"), Draw(4, {1, 2, 3, 4, 5, 6}, "2024-13-01"),
                               Draw(5, {52, 2, 3, 4, 5, 6}, "2024-01-07")};
    TWeekTable t = ComputeWeek(draws, 1, 1000); // draw 5 hidden by the offset
    EXPECT_EQ(t.Counts[1][0], 2);
    EXPECT_EQ(t.Counts[2][2], 1);
    EXPECT_EQ(t.Counts[52][6], 0);
    EXPECT_EQ(t.Max, 2);
    EXPECT_EQ(WeekChartPoints(t, 1, 1, 0).size(), 7u);
    EXPECT_EQ(WeekChartPoints(t, 0, 0, 1)[0].Y, 2);
    EXPECT_EQ(WeekCellColor(1, 2), 0xFF8080);
    EXPECT_EQ(WeekCellColor(2, 2), 0xFF0000);
    EXPECT_EQ(WeekCellColor(0, 2), -1);

    const TDrawsArray undated = {Draw(1, {1, 2, 3, 4, 5, 6}), Draw(2, {7, 8, 9, 10, 11, 12})};
    t = ComputeWeek(undated, 0, 1000);
    EXPECT_EQ(t.Max, 0);
    EXPECT_EQ(WeekCellColor(0, t.Max), -1);
}

// --- Selections --------------------------------------------------------------------------------------------

TEST(SelectionTest, OnlyNumbersOfTheGameColumnByColumn) {
    const TTextGrid grid = {
        {"Тираж", "1", "2", "3"}, {"7", "1", "", "3"}, {"8", "", "2, [3]", "x"}, {"9", "1", "52, 53, 0", ""}};
    struct {
        TGridRect Rect;
        std::vector<int> Numbers;
    } cases[] = {
        {{1, 1, 3, 3}, {1, 2, 3, 52}},
        {{0, 0, 3, 3}, {1, 2, 3, 52}}, // the header row and the draw number column never count
        {{2, 2, 3, 2}, {2, 3, 52}},
        {{1, 0, 1, 0}, {}},
        {{2, 3, 9, 9}, {}}, // beyond the grid
    };
    for (const auto& c : cases)
        EXPECT_EQ(SelectedCellNumbers(grid, c.Rect), c.Numbers) << c.Rect.Top << "," << c.Rect.Left;
    EXPECT_EQ(SelectedColumnNumbers({1, 3, 7, 5}), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(SelectedColumnNumbers({1, 0, 7, 1}), (std::vector<int>{1})); // the day-name column is no number
    EXPECT_EQ(SelectedColumnNumbers({1, 51, 7, 60}), (std::vector<int>{51, 52}));
}

// --- Repeats -----------------------------------------------------------------------------------------------

TEST(RepeatsTest, RowsPerDrawAndMatchCount) {
    const TDrawsArray draws = {Draw(1, {1, 2, 3, 4, 5, 6}), Draw(2, {1, 2, 10, 11, 12, 13}),
                               Draw(3, {1, 2, 20, 21, 22, 23}), Draw(4, {1, 10, 30, 31, 32, 33})};
    TRepeatsResult r = ComputeRepeats(draws, 2, 3);
    const std::vector<std::tuple<int, int, int, std::string>> expected = {
        {4, 1, 2, "3 1"}, {4, 2, 1, "2"}, {3, 2, 2, "2 1"}};
    ASSERT_EQ(r.Rows.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& [d, m, k, list] = expected[i];
        EXPECT_EQ(r.Rows[i].Draw, d);
        EXPECT_EQ(r.Rows[i].Matches, m);
        EXPECT_EQ(r.Rows[i].Repeats, k);
        EXPECT_EQ(r.Rows[i].DrawList, list);
    }
    EXPECT_EQ(r.MaxMatches, 2);
    const auto series = RepeatsSeries(r);
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(series[1].Points.size(), 2u);
    EXPECT_EQ(series[1].Points[0].X, 3); // from the last row to the first

    r = ComputeRepeats(draws, 1, 100); // only the newest draw is compared
    for (const auto& row : r.Rows) EXPECT_EQ(row.Draw, 4);
    EXPECT_TRUE(ComputeRepeats({}, 100, 100).Rows.empty());
}

// --- Sums --------------------------------------------------------------------------------------------------

TEST(SumsTest, RecurrenceAgreesWithEnumeration) {
    std::array<int64_t, MaxSixSum + 1> enumerated{};
    for (int a = 1; a <= 47; ++a)
        for (int b = a + 1; b <= 48; ++b)
            for (int c = b + 1; c <= 49; ++c)
                for (int d = c + 1; d <= 50; ++d)
                    for (int e = d + 1; e <= 51; ++e)
                        for (int f = e + 1; f <= 52; ++f) ++enumerated[a + b + c + d + e + f];
    EXPECT_EQ(CombinationSumCounts(), enumerated);
}

TEST(SumsTest, LevelsAndEmptyArchive) {
    const TSumsResult r = ComputeSums({});
    EXPECT_EQ(r.Theory.size(), 277u);
    EXPECT_EQ(r.Theory.front().Key, 21);
    EXPECT_EQ(r.Theory.back().Key, 297);
    EXPECT_EQ(r.TMin, 1);
    EXPECT_EQ(r.Levels[0].Lower, 106);
    EXPECT_EQ(r.Levels[0].Upper, 212);
    EXPECT_EQ(r.Levels[0].Title, "Диапазон 1 (от 1/3 и выше по оси Y) - суммы 106-212");
    EXPECT_LT(r.Levels[0].Lower, r.Levels[1].Lower);
    EXPECT_LT(r.Levels[1].Lower, r.Levels[2].Lower);
    EXPECT_EQ(r.AMax, 0);
    const auto chart = SumsSeries(r);
    ASSERT_EQ(chart.size(), 5u);
    EXPECT_TRUE(chart[0].Points.empty());
    for (size_t s = 1; s < chart.size(); ++s)
        for (const auto& p : chart[s].Points) ASSERT_EQ(p.Y, 0);

    const TSumsResult withDraws = ComputeSums({Draw(1, {1, 2, 3, 4, 5, 6}), Draw(2, {6, 5, 4, 3, 2, 1})});
    ASSERT_EQ(withDraws.Actual.size(), 1u);
    EXPECT_EQ(withDraws.Actual[0].Count, 2);
    EXPECT_EQ(withDraws.AMax, 2);
}

TEST(InfoTest, MatrixPlacesTheNumbersAndColoursEveryPlaceOfTheGame) {
    const TComb comb{{1, 8, 15, 29, 51, 52}};
    struct {
        int Columns, Rows, Row52, Column52, Coloured;
    } cases[] = {{7, 8, 7, 2, 52}, {10, 6, 5, 1, 52}, {52, 1, 0, 51, 52}, {0, 52, 51, 0, 52}, {99, 1, 0, 51, 52}};
    for (const auto& c : cases) {
        const TInfoMatrix m = InfoMatrix(comb, c.Columns, 4);
        ASSERT_EQ(m.Rows, c.Rows) << c.Columns;
        EXPECT_EQ(m.Cells[static_cast<size_t>(c.Row52)][static_cast<size_t>(c.Column52)], "52") << c.Columns;
        int shown = 0, coloured = 0;
        for (int r = 0; r < m.Rows; ++r)
            for (int k = 0; k < m.Columns; ++k) {
                shown += !m.Cells[static_cast<size_t>(r)][static_cast<size_t>(k)].empty();
                coloured += m.Colors[static_cast<size_t>(r)][static_cast<size_t>(k)] >= 0;
            }
        EXPECT_EQ(shown, 6) << c.Columns;
        EXPECT_EQ(coloured, c.Coloured) << c.Columns; // 7 x 8 has four places past 52
    }
    EXPECT_EQ(InfoMatrix(comb, 7, 4).Colors[0][0], static_cast<int64_t>(ChannelColor(1, 4)));
}

} // namespace
} // namespace zorb

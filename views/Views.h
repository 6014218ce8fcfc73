// The draw views as plain tables and series: graphs of one statistic per draw, the number card, the layout
// scheme and its comparison lists, the weekday table, repeats between draws and the distribution of sums.
// Nothing here draws; the window and the command line show what these return. Every computation is bounded by
// the archive it is given: windows are clipped, numbers outside 1..52 are skipped, never indexed.
#pragma once

#include "core/KestoUtils.h"
#include "stats/StatFramework.h"
#include "stats/StatList.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorb {

// --- Windows and charts ------------------------------------------------------------------------------------

// Indexes First..Last of the draws a windowed view uses; empty (Last < First) when nothing is usable.
struct TViewWindow {
    int First = 0;
    int Last = -1;
    bool Empty() const { return Last < First; }
    int Size() const { return Empty() ? 0 : Last - First + 1; }
};
// The newest usable draw is at n - 1 - offset; the window holds at most `length` draws ending there.
TViewWindow ViewWindow(int drawCount, int offset, int64_t length);

struct TViewPoint {
    int X;
    double Y;
};
// One named series of a chart; colour 0 means the chart's automatic colour.
struct TChartSeries {
    std::string Title;
    std::vector<TViewPoint> Points;
    bool Marks = true;  // points marked
    bool Labels = true; // value labels
    TColor Color = 0;
};
// Series by title, compared without regard to letter case, created on first use (the chart window's add point).
void AddChartPoint(std::vector<TChartSeries>& chart, const std::string& title, int x, double y, bool marks, bool labels,
                   TColor color);

// --- Graphs ----------------------------------------------------------------------------------------------

struct TGraphResult {
    std::vector<int> DrawNumbers; // x, oldest first
    std::vector<int> Values;      // y
    double Mean = 0;
    int Mode = 0; // the most frequent value; the first met among equal counts
};
// The method's value per draw of the window, each given the window's end as the newest known draw.
TGraphResult ComputeGraph(TCustomGraphStat& stat, const TDrawsArray& draws, int offset, int64_t length, bool sorted);

// --- Number card -----------------------------------------------------------------------------------------

// Whole archive, newest first: row r is draw n - 1 - r; numbers outside 1..52 are not shown.
struct TCardRow {
    int32_t Draw;
    std::array<bool, 53> Has; // index 1..52
};
std::vector<TCardRow> ComputeCard(const TDrawsArray& draws);
// Colour of the card cell (row, number 1..52) by the two colour options; -1 for the normal background.
int64_t CardCellColor(const std::vector<TCardRow>& card, int row, int number, bool colorSequences, bool colorChannels,
                      int channelSize);

// --- Layout ----------------------------------------------------------------------------------------------

struct TShemaItem {
    uint32_t Number;  // 1..52, in a 32-bit slot
    int32_t Count;    // occurrences in the window
    int32_t LastDraw; // draw number of the most recent occurrence in the window
};
static_assert(sizeof(TShemaItem) == 12);

// Items in the order met walking the window from its newest draw back, each draw's numbers in stored order.
std::vector<TShemaItem> BuildShemaItems(const TDrawsArray& draws, const TViewWindow& window);

struct TLayoutGrid {
    std::vector<int> Counts;      // rows 1..: the distinct counts, descending
    std::vector<int> DrawNumbers; // columns 1..: the distinct most recent draws, descending (newest left)
    // Cells[r][c] for data row r and column c (0-based); numbers of the next hidden draw in "[ ]".
    std::vector<std::vector<std::string>> Cells;
};
TLayoutGrid ComputeLayout(const TDrawsArray& draws, int offset, int64_t length);
// Grid coordinates include the header row and column; rows and columns count them too.
int64_t LayoutCellColor(const std::string& text, int gridRow, int gridColumn, int rows, int columns, bool gradient);

struct TLayoutCompareList {
    std::string Caption; // "%d - %d": draw numbers at the first and the last index of the window
    std::vector<std::pair<int, std::string>> Rows; // count, numbers; counts in the order first met
};
TLayoutCompareList ComputeLayoutCompare(const TDrawsArray& draws, int offset, int64_t length);

// --- Weekdays --------------------------------------------------------------------------------------------

// 1 = Monday .. 7 = Sunday; 0 when the draw's date is empty or no date that exists.
int DrawWeekDay(const TDrawRec& draw);
struct TWeekTable {
    std::array<std::array<int32_t, 7>, 53> Counts{}; // [number 1..52][day 0..6]
    int32_t Max = 0;
};
TWeekTable ComputeWeek(const TDrawsArray& draws, int offset, int64_t length);
int64_t WeekCellColor(int32_t count, int32_t max); // -1 for an empty cell or M = 0
// The chart of the current cell: mode 1 the seven days of one number, mode 0 the 52 numbers of one day.
std::vector<TViewPoint> WeekChartPoints(const TWeekTable& table, int mode, int number, int day);

// --- Grids as text and the selection handed to the filtering ---------------------------------------------

// Header row 0 and header column 0 included, as the window and the command line show them.
using TTextGrid = std::vector<std::vector<std::string>>;
TTextGrid CardGrid(const std::vector<TCardRow>& card);
TTextGrid LayoutGridText(const TLayoutGrid& layout);
TTextGrid WeekGrid(const TWeekTable& table, const std::array<std::string, 7>& dayNames);

struct TGridRect {
    int Top, Left, Bottom, Right; // inclusive grid coordinates
};
// The numbers of the data cells inside the rectangle, column by column from the left, each column from the top,
// each cell's text split at "," with brackets removed; only 1..52, no repeats. Header cells never count: a
// draw number or a day name is no number of the game.
std::vector<int> SelectedCellNumbers(const TTextGrid& grid, TGridRect rect);
// The weekday grid hands over the column numbers of the rectangle, left to right, only 1..52.
std::vector<int> SelectedColumnNumbers(TGridRect rect);

// --- Repeats ---------------------------------------------------------------------------------------------

struct TRepeatRow {
    int32_t Draw;
    int Matches;
    int Repeats;
    std::string DrawList; // the earlier draws' numbers, space-separated
};
struct TRepeatsResult {
    std::vector<TRepeatRow> Rows;
    int MaxMatches = 0;
};
// The newest `drawsCount` draws of the whole archive, each compared with up to `depth` earlier draws;
// `step` is called once per draw.
TRepeatsResult ComputeRepeats(const TDrawsArray& draws, int64_t drawsCount, int64_t depth,
                              const std::function<void()>& step = {});
// "Совпадений: %d" series, points from the last row to the first.
std::vector<TChartSeries> RepeatsSeries(const TRepeatsResult& repeats);

// --- Sums ------------------------------------------------------------------------------------------------

constexpr int MinSixSum = 1 + 2 + 3 + 4 + 5 + 6;
constexpr int MaxSixSum = 47 + 48 + 49 + 50 + 51 + 52;
// How many ascending combinations of six numbers from 1..52 have each sum, by a counting recurrence over the
// numbers (index = sum, 0..MaxSixSum).
std::array<int64_t, MaxSixSum + 1> CombinationSumCounts();

struct TSumLevel {
    int64_t Level = 0;
    int Lower = 0, Upper = 0; // 0 when never reached
    std::string Title;
};
struct TSumsResult {
    TStatSimpleArray Theory; // sum, combinations; ascending sums
    TStatSimpleArray Actual; // sum, draws of the whole archive; ascending sums
    int64_t TMax = 0, TMin = 0, AMax = 0;
    std::array<TSumLevel, 3> Levels;
};
TSumsResult ComputeSums(const TDrawsArray& draws);
std::vector<TChartSeries> SumsSeries(const TSumsResult& sums);

// --- Detailed information ("Подробная информация") ---------------------------------------------------------

struct TInfoLine {
    std::string Caption, Value;
};
// A draw of the archive (index 0..n-1): its number and date, then every enabled method with a value per draw,
// given the draw's index. Nothing for an index outside the archive.
std::vector<TInfoLine> DrawInfoLines(TStatList& registry, const TDrawsArray& draws, int index, bool sorted);
// A combination as a candidate for the draw after the window's end (`windowEnd` = n - 1 - offset).
std::vector<TInfoLine> CombInfoLines(TStatList& registry, const TComb& comb, int windowEnd, bool sorted);

// The small number matrix: `columns` 1..52 (clamped), rows = ceiling(52 / columns); the six numbers written at
// their places, every place that holds a number of the game coloured with its channel colour (-1 elsewhere).
struct TInfoMatrix {
    int Columns = 1, Rows = 52;
    std::vector<std::vector<std::string>> Cells; // [row][column]
    std::vector<std::vector<int64_t>> Colors;
};
TInfoMatrix InfoMatrix(const TComb& numbers, int columns, int channelSize);

} // namespace zorb

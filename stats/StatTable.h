// The statistics table of one method over a window of draws: every value with its count, share, norm from the
// full set, deviation, depth, weight, periods, three estimates of the next occurrence and, when later draws
// exist, the actual next occurrence and the errors of the estimates. Also the points of its chart.
#pragma once

#include "stats/GameSettings.h"
#include "stats/Prefetch.h"
#include "stats/StatFramework.h"

#include <array>
#include <string>
#include <vector>

namespace zorb {

constexpr int StatColumnCount = 20;
std::string StatColumnCaption(int column);
constexpr int NormColumns[3] = {3, 4, 5}; // hidden when the full set is not compared

struct TStatLine {
    TStatDraw Row; // the line's own copy: what filtering reads
    std::array<std::string, StatColumnCount> Cells;
};

struct TChartPoint {
    double X, Y;
    std::string Label;
};

struct TStatChart {
    std::vector<TChartPoint> Actual; // "Фактические данные"
    std::vector<TChartPoint> Total;  // "Все возможные комбинации", when shown
    bool Drawn = false;              // only with two or more rows
};

struct TStatTableParams {
    int WindowEnd = -1; // index of the newest draw the analyses use
    int Length = 1000;
    bool Sorted = false;
    TWeights Weights;
    bool ShowTotalLine = true;
};

struct TStatTable {
    std::vector<TStatLine> Lines; // in table order
    bool NormsKnown = false;
    double Scale = 0; // h
    int Window = 0;   // W: draws actually counted
    int MinCount = INT32_MAX, MaxCount = 0, MaxDepth = 0;
    int64_t Total = 0;
    TStatChart Chart;
};

// Counts the window and fills the lines; `prefetch` (may be null) supplies the norms.
TStatTable ComputeStatTable(TCustomStat& stat, const TDrawsArray& draws, const TStatTableParams& params,
                            const TPrefetchData* prefetch);

// The weight of a row: Kcount * c + Kdeviation * d + Klevel * p (see the CDL settings); -999.99 when the
// arithmetic fails.
double StatWeight(const TStatDraw& row, const TWeights& w, bool normsKnown, int64_t total, int maxDepth);

// The view's comparison: both cells as numbers ("," read as "."), else as text without regard to case.
int CompareStatCells(const std::string& a, const std::string& b);
// Stable sort by a column; ties in any column but the first fall back to the value texts.
void SortStatLines(std::vector<TStatLine>& lines, int column, bool descending);

} // namespace zorb

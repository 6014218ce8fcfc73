// The variant sets of a scenario line and the row tests of a filter variant. A line's filters expand into the
// product of their window lengths and (for the comparing modes) their values; the sets are counted first and
// then produced one at a time in nested order (filter 1 slowest, within a filter the length slower than the
// value), so no list of millions of sets is ever built.
#pragma once

#include "combos/FilterItem.h"
#include "core/KestoUtils.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zorb {

class TStatList;

// Above this many sets a line is refused before any is made.
constexpr int64_t MaxVariantSets = 1000000;

// Whether a selection mode makes one variant per value (the comparing modes and the single-value list modes of
// weight and periods) or one variant carrying the whole list.
bool LevelModePerValue(int mode);

// One filter of a line with its expanded lengths and values.
struct TFilterAxis {
    TFilterItem Item;
    std::string Text; // the filter's text form, for messages
    TIntArray Lengths;
    TIntArray Values;
    bool PerValue = false;
    size_t Size() const { return Lengths.size() * (PerValue ? Values.size() : 1); }
};

// Parses the line's filter fields (the blank ones skipped, so the filters are numbered without gaps) and expands
// them; on a filter whose lengths or values give nothing, returns false with its text in `badFilter`.
bool BuildFilterAxes(const std::array<std::string, MaxLineFilters>& fields, const TStatList& list,
                     std::vector<TFilterAxis>& axes, std::string& badFilter);
// The product of the axes' sizes, saturating at INT64_MAX; 0 without axes.
int64_t CountVariantSets(const std::vector<TFilterAxis>& axes);

// Walks the sets in nested order.
class TVariantWalker {
public:
    explicit TVariantWalker(const std::vector<TFilterAxis>& axes);
    // The next set, false after the last.
    bool Next(TFilterRec& rec);

private:
    TFilterPart Part(size_t axis) const;
    const std::vector<TFilterAxis>& FAxes;
    std::vector<size_t> FPos;
    bool FStarted = false, FDone = false;
};

// The texts of one statistics table row as a step reads them.
struct TStatValues {
    std::string Caption;
    int32_t Value = 0;
    std::string Count, CountPercent, Deviation, DeviationPercent, Depth, DepthPercent, Weight, PeriodMin, Period,
        PeriodMax;
};
// From a row's cells in the table's column order ("Значение", "Количество", ...).
TStatValues StatValuesFromCells(const std::string* cells, int cellCount, int32_t value);

// A variant's selection test, prepared once: the cell it reads, how, and what it compares with.
class TRowTest {
public:
    explicit TRowTest(const TFilterPart& part);
    bool Passes(const TStatValues& row) const;

private:
    enum class TKind { All, IntMin, IntMax, RealMin, RealMax, IntIn, RealIn, ValueIn };
    TKind FKind = TKind::All;
    std::string TStatValues::*FCell = &TStatValues::Count;
    double FLimit = 0;
    double FNotNumber = 0; // what a cell that is not a number counts as
    std::vector<double> FList;
};

// Numbers of a table cell: integer or real, `fallback` when the text is not one.
int64_t CellInteger(const std::string& cell, int64_t fallback);
double CellReal(const std::string& cell, double fallback);

} // namespace zorb

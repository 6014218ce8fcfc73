#include "scenarios/ScriptVariants.h"

#include "core/TextUtils.h"
#include "stats/StatList.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zorb {

bool LevelModePerValue(int mode) {
    return (mode >= 1 && mode <= 4) || (mode >= 7 && mode <= 10) || (mode >= 13 && mode <= 16) ||
           (mode >= 19 && mode <= 30);
}

bool BuildFilterAxes(const std::array<std::string, MaxLineFilters>& fields, const TStatList& list,
                     std::vector<TFilterAxis>& axes, std::string& badFilter) {
    axes.clear();
    for (const std::string& field : fields) {
        if (Trim(field).empty()) continue;
        TFilterAxis a;
        a.Item = ParseFilter(field, list);
        a.Text = FilterText(a.Item, list);
        a.Lengths = ParseValueList(a.Item.Lengths);
        if (a.Item.LevelMode != 0) a.Values = ParseValueList(a.Item.LevelValues);
        a.PerValue = LevelModePerValue(a.Item.LevelMode);
        if (a.Lengths.empty() || (a.Item.LevelMode != 0 && a.Values.empty())) {
            badFilter = a.Text;
            axes.clear();
            return false;
        }
        axes.push_back(std::move(a));
    }
    return true;
}

int64_t CountVariantSets(const std::vector<TFilterAxis>& axes) {
    if (axes.empty()) return 0;
    int64_t n = 1;
    for (const TFilterAxis& a : axes) {
        const auto size = static_cast<int64_t>(a.Size());
        if (size == 0) return 0;
        if (n > std::numeric_limits<int64_t>::max() / size) return std::numeric_limits<int64_t>::max();
        n *= size;
    }
    return n;
}

TVariantWalker::TVariantWalker(const std::vector<TFilterAxis>& axes) : FAxes(axes), FPos(axes.size(), 0) {
    FDone = CountVariantSets(axes) == 0;
}

TFilterPart TVariantWalker::Part(size_t axis) const {
    const TFilterAxis& a = FAxes[axis];
    const TFilterItem& it = a.Item;
    const size_t perLength = a.PerValue ? a.Values.size() : 1;
    const size_t pos = FPos[axis];
    TFilterPart p;
    p.Defined = true;
    p.Method = it.Method;
    p.WindowLength = a.Lengths[pos / perLength];
    p.SortColumn = it.SortColumn;
    p.BottomUp = it.BottomUp;
    p.MultiSelect = it.MultiSelect;
    p.Keep = it.Keep;
    p.LevelMode = it.LevelMode;
    if (a.PerValue) {
        p.LevelValue = p.LevelText = std::to_string(a.Values[pos % perLength]);
    } else {
        p.LevelValue = it.LevelMode == 0 ? it.LevelValues : IntListToText(a.Values, ",");
        p.LevelText = it.LevelValues;
    }
    p.OwnWeights = it.OwnWeights;
    p.WeightCount = it.WeightCount;
    p.WeightDeviation = it.WeightDeviation;
    p.WeightLevel = it.WeightLevel;
    p.WeightPercents = it.WeightPercents;
    p.WeightAbs = it.WeightAbs;
    p.StopMode = it.StopMode;
    p.StopValue = it.StopValue;
    return p;
}

bool TVariantWalker::Next(TFilterRec& rec) {
    if (FDone) return false;
    if (FStarted) {
        // Odometer: the last filter turns fastest.
        size_t i = FAxes.size();
        while (i > 0) {
            --i;
            if (++FPos[i] < FAxes[i].Size()) break;
            FPos[i] = 0;
            if (i == 0) {
                FDone = true;
                return false;
            }
        }
    }
    FStarted = true;
    rec = TFilterRec{};
    for (size_t i = 0; i < FAxes.size() && i < rec.size(); ++i) rec[i] = Part(i);
    return true;
}

TStatValues StatValuesFromCells(const std::string* cells, int cellCount, int32_t value) {
    auto cell = [&](int i) { return i < cellCount ? cells[i] : std::string(); };
    TStatValues v;
    v.Caption = cell(0);
    v.Value = value;
    v.Count = cell(1);
    v.CountPercent = cell(2);
    v.Deviation = cell(4);
    v.DeviationPercent = cell(5);
    v.Depth = cell(6);
    v.DepthPercent = cell(7);
    v.Weight = cell(8);
    v.PeriodMin = cell(10);
    v.Period = cell(11);
    v.PeriodMax = cell(12);
    return v;
}

int64_t CellInteger(const std::string& cell, int64_t fallback) {
    int64_t v;
    return TryStrToInt64(Trim(cell), v) ? v : fallback;
}

double CellReal(const std::string& cell, double fallback) {
    double v;
    return TryStrToFloat(Trim(cell), v) && std::isfinite(v) ? v : fallback;
}

namespace {

using TField = std::string TStatValues::*;

// Which cell a mode reads: by the mode's family of three (depth, deviation, count) or its period/weight code.
TField FieldOf(int mode) {
    switch (mode) {
    case 1:
    case 3:
    case 5: return &TStatValues::Depth;
    case 2:
    case 4:
    case 6: return &TStatValues::DepthPercent;
    case 7:
    case 9:
    case 11: return &TStatValues::Deviation;
    case 8:
    case 10:
    case 12: return &TStatValues::DeviationPercent;
    case 13:
    case 15:
    case 17: return &TStatValues::Count;
    case 14:
    case 16:
    case 18: return &TStatValues::CountPercent;
    case 19:
    case 20:
    case 21: return &TStatValues::Weight;
    case 22:
    case 23:
    case 24: return &TStatValues::PeriodMin;
    case 25:
    case 26:
    case 27: return &TStatValues::Period;
    default: return &TStatValues::PeriodMax;
    }
}

std::vector<double> ListOf(const std::string& text) {
    std::vector<double> r;
    for (const std::string& w : SplitWords(text, ",;")) {
        int32_t v;
        if (TryStrToInt(Trim(w), v)) r.push_back(v);
    }
    return r;
}

} // namespace

TRowTest::TRowTest(const TFilterPart& part) {
    const int m = part.LevelMode;
    FCell = FieldOf(m);
    int32_t limit = 0;
    const bool limitOk = TryStrToInt(Trim(part.LevelValue), limit);
    FLimit = limitOk ? limit : 0;
    switch (m) {
    case 0: FKind = TKind::All; break;
    case 1:
    case 7:
    case 13:
    case 22:
    case 28:
        FKind = TKind::IntMin;
        FNotNumber = 0;
        break;
    case 25:
        FKind = TKind::RealMin;
        FNotNumber = 0;
        break;
    case 3:
    case 9:
    case 15:
    case 23:
    case 29:
        FKind = TKind::IntMax;
        FNotNumber = 65535;
        break;
    case 26:
        FKind = TKind::RealMax;
        FNotNumber = 0;
        break;
    case 2:
    case 8:
    case 14:
    case 19:
        FKind = TKind::RealMin;
        FNotNumber = 0;
        break;
    case 4:
    case 10:
    case 16:
        FKind = TKind::RealMax;
        FNotNumber = 65535;
        break;
    case 20:
        FKind = TKind::RealMax;
        FNotNumber = 0;
        break;
    case 5:
    case 11:
    case 17:
    case 24:
    case 30:
        FKind = TKind::IntIn;
        FList = ListOf(part.LevelValue);
        break;
    case 6:
    case 12:
    case 18:
    case 21:
    case 27:
        FKind = TKind::RealIn;
        FList = ListOf(part.LevelValue);
        break;
    case 31:
        FKind = TKind::ValueIn;
        FList = ListOf(part.LevelValue);
        break;
    default: FKind = TKind::All; break; // an index outside the table selects like LNO
    }
}

bool TRowTest::Passes(const TStatValues& row) const {
    const std::string& cell = row.*FCell;
    auto inList = [&](double v) { return std::find(FList.begin(), FList.end(), v) != FList.end(); };
    switch (FKind) {
    case TKind::All: return true;
    case TKind::IntMin: return static_cast<double>(CellInteger(cell, static_cast<int64_t>(FNotNumber))) >= FLimit;
    case TKind::IntMax: return static_cast<double>(CellInteger(cell, static_cast<int64_t>(FNotNumber))) <= FLimit;
    case TKind::RealMin: return CellReal(cell, FNotNumber) >= FLimit;
    case TKind::RealMax: return CellReal(cell, FNotNumber) <= FLimit;
    case TKind::IntIn: {
        int64_t v;
        return TryStrToInt64(Trim(cell), v) && inList(static_cast<double>(v));
    }
    case TKind::RealIn: {
        double v;
        return TryStrToFloat(Trim(cell), v) && std::isfinite(v) && inList(v);
    }
    case TKind::ValueIn: return inList(row.Value);
    }
    return false;
}

} // namespace zorb

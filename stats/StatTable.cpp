#include "stats/StatTable.h"

#include "core/DrawArchive.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <map>
#include <unordered_map>

namespace zorb {

std::string StatColumnCaption(int column) {
    static const char* const captions[StatColumnCount] = {
        "Значение",    "Количество", "Кол-во в %",  "Норма",      "Отклонение", "Откл-ие в %", "Глубина",
        "Глубина в %", "Вес",        "Посл. тираж", "Период min", "Период",     "Период max",  "Ожд. ПРД",
        "Ожд. СТФ",    "Ожд. КРН",   "Факт",        "+/- ПРД",    "+/- СТФ",    "+/- КРН"};
    return column >= 0 && column < StatColumnCount ? Tr(captions[column]) : "";
}

namespace {

// Nearest integer, halves to even.
int64_t RoundEven(long double v) {
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double r = std::nearbyintl(v);
    std::fesetround(mode);
    return static_cast<int64_t>(r);
}

// An estimate minus the actual draw: "+d" when positive, plain d otherwise; "-" when the estimate is not a
// non-negative integer.
std::string Difference(const std::string& estimate, int actual) {
    int64_t e;
    if (!TryStrToInt64(estimate, e) || e < 0) return "-";
    const int64_t d = e - actual;
    return d > 0 ? "+" + std::to_string(d) : std::to_string(d);
}

// 32-bit product as the estimates form it, divided in floating point.
long double WrappedProduct(int32_t a, int32_t b) {
    return static_cast<long double>(static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)));
}

// Finds the next occurrence of every row's value. Methods without running state produce the same values for a
// draw whatever was counted before it, so one scan of the later draws answers every row; the others are asked
// row by row, each with a scan of its own.
class TNextFinder {
public:
    TNextFinder(TCustomStat& stat, const TDrawsArray& draws, int windowEnd, bool sorted, int fromIndex)
        : FStat(stat), FSorted(sorted), FWindowEnd(windowEnd) {
        if (stat.Class().RunState) return;
        FShared = true;
        TWorkArea work{};
        for (int i = std::max(fromIndex, 0); i < static_cast<int>(draws.size()); ++i) {
            TStatDrawArray table;
            TLastValueArray last;
            stat.CountDraw(i, windowEnd, sorted, table, work, last);
            for (const TStatDraw& r : table) {
                auto& list = FOccurrences[r.SortKey()];
                if (list.empty() || list.back().first != i) list.push_back({i, r.LastDraw});
            }
        }
    }
    int Next(const TStatDraw& row, int fromIndex) {
        if (!FShared) return FStat.FindNext(row, fromIndex, FSorted, FWindowEnd);
        auto it = FOccurrences.find(row.SortKey());
        if (it == FOccurrences.end()) return -1;
        auto pos =
            std::lower_bound(it->second.begin(), it->second.end(), std::make_pair(std::max(fromIndex, 0), INT32_MIN));
        return pos == it->second.end() ? -1 : pos->second;
    }

private:
    TCustomStat& FStat;
    bool FSorted;
    int FWindowEnd;
    bool FShared = false;
    std::unordered_map<uint64_t, std::vector<std::pair<int, int>>> FOccurrences; // key -> (index, draw number)
};

} // namespace

double StatWeight(const TStatDraw& row, const TWeights& w, bool normsKnown, int64_t total, int maxDepth) {
    const long double dev = normsKnown ? static_cast<long double>(row.Count) - row.Norm : 0.0L;
    long double c, d, p;
    if (w.UsePercents) {
        c = total ? row.Count * 100.0L / total : 0.0L;
        d = normsKnown && row.Norm != 0 ? dev * 100.0L / row.Norm : 0.0L;
        p = maxDepth ? row.Depth * 100.0L / maxDepth : 0.0L;
    } else {
        c = row.Count;
        d = dev;
        p = row.Depth;
    }
    if (w.UseAbsValues) {
        c = std::fabs(c);
        d = std::fabs(d);
        p = std::fabs(p);
    }
    const long double weight = w.Count * c + w.Deviation * d + w.Level * p;
    if (!std::isfinite(weight) || std::fabs(weight) > 1e300L) return -999.99;
    return static_cast<double>(weight);
}

TStatTable ComputeStatTable(TCustomStat& stat, const TDrawsArray& draws, const TStatTableParams& params,
                            const TPrefetchData* prefetch) {
    TStatTable t;
    if (draws.empty()) return t;
    const int e = params.WindowEnd;
    const int s = std::max(e - params.Length + 1, 0);
    t.Window = e - s + 1;
    TStatDrawArray table;
    if (e >= s) {
        stat.InitValues(e, table);
        TWorkArea work{};
        TLastValueArray last;
        for (int i = s; i <= e; ++i) stat.CountDraw(i, e, params.Sorted, table, work, last);
    } else {
        t.Window = 0;
    }
    for (const TStatDraw& r : table) {
        t.MinCount = std::min(t.MinCount, r.Count);
        t.MaxCount = std::max(t.MaxCount, r.Count);
        t.MaxDepth = std::max(t.MaxDepth, r.Depth);
        t.Total += r.Count;
    }
    if (prefetch && prefetch->Max != 0) {
        t.NormsKnown = true;
        t.Scale = prefetch->Min == prefetch->Max ? (static_cast<double>(t.MinCount) + t.MaxCount) / 2.0 / prefetch->Max
                                                 : static_cast<double>(t.MaxCount) / prefetch->Max;
    }
    std::unordered_map<uint64_t, size_t> rowOfKey;
    for (size_t i = 0; i < table.size(); ++i) rowOfKey.emplace(table[i].SortKey(), i);
    auto keyOf = [](const TPrefetchRecord& rec) {
        TStatDraw k{};
        std::memcpy(k.Key, rec.Key, sizeof k.Key);
        return k;
    };
    if (t.NormsKnown && !table.empty())
        for (const TPrefetchRecord& rec : prefetch->Records) {
            auto it = rowOfKey.find(keyOf(rec).SortKey());
            if (it != rowOfKey.end())
                table[it->second].Norm = static_cast<int32_t>(RoundEven(static_cast<long double>(rec.Count) * t.Scale));
        }

    // The next occurrence is looked for from the draw after each value's last one; scan from the earliest.
    int earliest = INT32_MAX;
    std::vector<int> fromIndex(table.size(), -1);
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].Count >= 1 && table[i].Depth != 0) {
            fromIndex[i] = FindDraw(draws, table[i].LastDraw) + 1;
            earliest = std::min(earliest, fromIndex[i]);
        }
    std::unique_ptr<TNextFinder> finder;
    if (earliest != INT32_MAX) finder = std::make_unique<TNextFinder>(stat, draws, e, params.Sorted, earliest);

    for (size_t i = 0; i < table.size(); ++i) {
        const TStatDraw& r = table[i];
        TStatLine line;
        line.Row = r;
        auto& c = line.Cells;
        c[0] = stat.ValueText(r);
        c[1] = std::to_string(r.Count);
        c[2] = t.Total ? Format("%.5f", r.Count * 100.0 / static_cast<double>(t.Total)) : "-";
        if (t.NormsKnown) {
            c[3] = std::to_string(r.Norm);
            c[4] = std::to_string(static_cast<int64_t>(r.Count) - r.Norm);
            c[5] = Format("%.5f", r.Norm ? (static_cast<double>(r.Count) - r.Norm) * 100.0 / r.Norm
                                         : (r.Count > 0 ? 100.0 : 0.0));
        } else {
            c[3] = c[4] = c[5] = "-";
        }
        if (r.Depth == 0) {
            for (int k = 6; k < StatColumnCount; ++k) c[static_cast<size_t>(k)] = "-";
        } else {
            c[6] = std::to_string(r.Depth);
            c[7] = Format("%.2f", r.Depth * 100.0 / t.MaxDepth);
            c[8] = Format("%.2f", StatWeight(r, params.Weights, t.NormsKnown, t.Total, t.MaxDepth));
            c[9] = std::to_string(r.LastDraw);
            if (r.Count < 2) {
                c[10] = c[11] = c[12] = c[13] = "-";
            } else {
                c[10] = std::to_string(r.PeriodMin);
                c[11] = Format("%.4f", static_cast<double>(t.Window) / r.Count);
                c[12] = std::to_string(r.PeriodMax);
                c[13] = std::to_string(RoundEven(static_cast<long double>(t.Window) / r.Count + r.LastDraw));
            }
            if (r.Count < 1) {
                for (int k = 14; k < StatColumnCount; ++k) c[static_cast<size_t>(k)] = "-";
            } else {
                c[14] = std::to_string(RoundEven(WrappedProduct(r.Count + 1, r.LastDraw) / r.Count));
                c[15] = std::to_string(RoundEven(WrappedProduct(r.Count + 2, r.LastDraw + 1) / (r.Count + 1)));
                const int actual = finder ? finder->Next(r, fromIndex[i]) : -1;
                if (actual == -1) {
                    c[16] = c[17] = c[18] = c[19] = "-";
                } else {
                    c[16] = std::to_string(actual);
                    c[17] = Difference(c[13], actual);
                    c[18] = Difference(c[14], actual);
                    c[19] = Difference(c[15], actual);
                }
            }
        }
        t.Lines.push_back(std::move(line));
    }

    if (t.Lines.size() >= 2) {
        t.Chart.Drawn = true;
        if (t.NormsKnown) {
            double x = 0;
            for (const TPrefetchRecord& rec : prefetch->Records) {
                x += 1;
                const TStatDraw key = keyOf(rec);
                auto it = rowOfKey.find(key.SortKey());
                const std::string label = it != rowOfKey.end() ? t.Lines[it->second].Cells[0] : stat.ValueText(key);
                if (params.ShowTotalLine) t.Chart.Total.push_back({x, rec.Count * t.Scale, label});
                if (it != rowOfKey.end())
                    t.Chart.Actual.push_back({x, static_cast<double>(table[it->second].Count), label});
            }
        } else {
            std::vector<size_t> order(table.size());
            for (size_t i = 0; i < order.size(); ++i) order[i] = i;
            std::stable_sort(order.begin(), order.end(),
                             [&](size_t a, size_t b) { return table[a].SortKey() < table[b].SortKey(); });
            double x = 0;
            for (size_t i : order)
                t.Chart.Actual.push_back({x += 1, static_cast<double>(table[i].Count), t.Lines[i].Cells[0]});
        }
    }
    return t;
}

int CompareStatCells(const std::string& a, const std::string& b) {
    double x, y;
    if (TryStrToFloat(a, x) && TryStrToFloat(b, y)) return x < y ? -1 : x > y ? 1 : 0;
    const std::string la = LowerCase(a), lb = LowerCase(b);
    return la < lb ? -1 : la > lb ? 1 : 0;
}

void SortStatLines(std::vector<TStatLine>& lines, int column, bool descending) {
    if (column < 0 || column >= StatColumnCount) return;
    std::stable_sort(lines.begin(), lines.end(), [&](const TStatLine& a, const TStatLine& b) {
        const TStatLine& x = descending ? b : a;
        const TStatLine& y = descending ? a : b;
        int c = CompareStatCells(x.Cells[static_cast<size_t>(column)], y.Cells[static_cast<size_t>(column)]);
        if (c == 0 && column != 0) c = CompareStatCells(x.Cells[0], y.Cells[0]);
        return c < 0;
    });
}

} // namespace zorb

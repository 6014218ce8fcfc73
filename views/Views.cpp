#include "views/Views.h"

#include "core/DrawArchive.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>
#include <cmath>

namespace zorb {

namespace {

bool InGame(int n) {
    return n >= MinNumber && n <= MaxNumber;
}

int64_t Rgb(double r, double g, double b) {
    auto c = [](double v) { return static_cast<int64_t>(std::clamp<long>(std::lround(v), 0, 255)); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

void AddUnique(std::vector<int>& list, int n) {
    if (InGame(n) && std::find(list.begin(), list.end(), n) == list.end()) list.push_back(n);
}

} // namespace

TViewWindow ViewWindow(int drawCount, int offset, int64_t length) {
    TViewWindow w;
    if (drawCount <= 0 || offset < 0 || length < 1) return w;
    w.Last = drawCount - 1 - offset;
    if (w.Last < 0) return TViewWindow{};
    w.First = static_cast<int>(std::max<int64_t>(0, w.Last - length + 1));
    return w;
}

void AddChartPoint(std::vector<TChartSeries>& chart, const std::string& title, int x, double y, bool marks, bool labels,
                   TColor color) {
    for (TChartSeries& s : chart)
        if (SameText(s.Title, title)) {
            s.Points.push_back({x, y});
            return;
        }
    chart.push_back({title, {{x, y}}, marks, labels, color});
}

// --- Graphs ----------------------------------------------------------------------------------------------

TGraphResult ComputeGraph(TCustomGraphStat& stat, const TDrawsArray& draws, int offset, int64_t length, bool sorted) {
    TGraphResult r;
    const TViewWindow w = ViewWindow(static_cast<int>(draws.size()), offset, length);
    if (w.Empty()) return r;
    TStatSimpleArray counts;
    double sum = 0;
    for (int i = w.First; i <= w.Last; ++i) {
        const int v = stat.DrawValue(i, w.Last, sorted);
        r.DrawNumbers.push_back(draws[static_cast<size_t>(i)].Draw);
        r.Values.push_back(v);
        AddSimple(counts, v, 1);
        sum += v;
    }
    r.Mean = sum / w.Size();
    int32_t best = -1;
    for (const TStatSimple& s : counts) // first met wins a tie: only a larger count replaces it
        if (s.Count > best) {
            best = s.Count;
            r.Mode = s.Key;
        }
    return r;
}

// --- Number card -----------------------------------------------------------------------------------------

std::vector<TCardRow> ComputeCard(const TDrawsArray& draws) {
    std::vector<TCardRow> card;
    card.reserve(draws.size());
    for (auto it = draws.rbegin(); it != draws.rend(); ++it) {
        TCardRow row{it->Draw, {}};
        for (uint8_t n : it->Numbers)
            if (InGame(n)) row.Has[n] = true;
        card.push_back(row);
    }
    return card;
}

int64_t CardCellColor(const std::vector<TCardRow>& card, int row, int number, bool colorSequences, bool colorChannels,
                      int channelSize) {
    if (row < 0 || row >= static_cast<int>(card.size()) || !InGame(number)) return -1;
    const auto has = [&](int r, int n) {
        return r >= 0 && r < static_cast<int>(card.size()) && InGame(n) && card[static_cast<size_t>(r)].Has[n];
    };
    if (colorSequences && has(row, number)) {
        const bool repeated = has(row - 1, number) || has(row + 1, number);
        const bool neighbour = has(row, number - 1) || has(row, number + 1);
        if (repeated && neighbour) return 0xFFFF00;
        if (repeated) return 0x00FF00;
        if (neighbour) return 0x00FFFF;
    }
    if (colorChannels) return ChannelColor(number, channelSize);
    return -1;
}

// --- Layout ----------------------------------------------------------------------------------------------

std::vector<TShemaItem> BuildShemaItems(const TDrawsArray& draws, const TViewWindow& window) {
    std::vector<TShemaItem> items;
    std::array<int, 53> at;
    at.fill(-1);
    if (window.Empty() || window.Last >= static_cast<int>(draws.size())) return items;
    for (int i = window.Last; i >= window.First; --i) {
        const TDrawRec& d = draws[static_cast<size_t>(i)];
        for (uint8_t n : d.Numbers) {
            if (!InGame(n)) continue;
            if (at[n] < 0) {
                at[n] = static_cast<int>(items.size());
                items.push_back({n, 1, d.Draw});
            } else {
                ++items[static_cast<size_t>(at[n])].Count;
            }
        }
    }
    return items;
}

TLayoutGrid ComputeLayout(const TDrawsArray& draws, int offset, int64_t length) {
    TLayoutGrid g;
    const TViewWindow w = ViewWindow(static_cast<int>(draws.size()), offset, length);
    const std::vector<TShemaItem> items = BuildShemaItems(draws, w);
    for (const TShemaItem& it : items) {
        if (std::find(g.Counts.begin(), g.Counts.end(), it.Count) == g.Counts.end()) g.Counts.push_back(it.Count);
        if (std::find(g.DrawNumbers.begin(), g.DrawNumbers.end(), it.LastDraw) == g.DrawNumbers.end())
            g.DrawNumbers.push_back(it.LastDraw);
    }
    std::sort(g.Counts.rbegin(), g.Counts.rend());
    std::sort(g.DrawNumbers.rbegin(), g.DrawNumbers.rend());
    g.Cells.assign(g.Counts.size(), std::vector<std::string>(g.DrawNumbers.size()));
    // The first hidden draw exists only at offset >= 1; its numbers are the ones the window tries to forecast.
    const TNumberMask next = offset >= 1 ? HiddenDrawMask(draws, offset) : TNumberMask{};
    for (const TShemaItem& it : items) {
        const size_t r = static_cast<size_t>(std::find(g.Counts.begin(), g.Counts.end(), it.Count) - g.Counts.begin());
        const size_t c = static_cast<size_t>(std::find(g.DrawNumbers.begin(), g.DrawNumbers.end(), it.LastDraw) -
                                             g.DrawNumbers.begin());
        std::string& cell = g.Cells[r][c];
        if (!cell.empty()) cell += ", ";
        const std::string n = std::to_string(it.Number);
        cell += next.Contains(static_cast<uint8_t>(it.Number)) ? "[" + n + "]" : n;
    }
    return g;
}

int64_t LayoutCellColor(const std::string& text, int gridRow, int gridColumn, int rows, int columns, bool gradient) {
    if (text.find('[') != std::string::npos) return 0x00FF00;
    if (gradient) {
        if (rows <= 0 || columns <= 0) return -1;
        const double fr = static_cast<double>(gridRow) / rows, fc = static_cast<double>(gridColumn) / columns;
        return Rgb(255 - 155 * fr, 255 - 155 * fc, 100 + 155 * fr);
    }
    const auto inS = [](int v) { return v >= 1 && v <= 95 && v % 10 >= 1 && v % 10 <= 5; };
    return inS(gridRow) != inS(gridColumn) ? 0xFFEAEA : 0xEAFFEA;
}

TLayoutCompareList ComputeLayoutCompare(const TDrawsArray& draws, int offset, int64_t length) {
    TLayoutCompareList list;
    const TViewWindow w = ViewWindow(static_cast<int>(draws.size()), offset, length);
    if (w.Empty()) return list;
    list.Caption = Format("%d - %d", draws[static_cast<size_t>(w.First)].Draw, draws[static_cast<size_t>(w.Last)].Draw);
    for (const TShemaItem& it : BuildShemaItems(draws, w)) {
        auto row = std::find_if(list.Rows.begin(), list.Rows.end(), [&](const auto& r) { return r.first == it.Count; });
        if (row == list.Rows.end())
            list.Rows.push_back({it.Count, std::to_string(it.Number)});
        else
            row->second += ", " + std::to_string(it.Number);
    }
    return list;
}

// --- Weekdays --------------------------------------------------------------------------------------------

int DrawWeekDay(const TDrawRec& draw) {
    TDateTime d = 0;
    try {
        d = ParseDate(draw.Date());
    } catch (const std::exception&) {
        return 0;
    }
    if (d <= 0) return 0;
    // Day 0 of the calendar, 1899-12-30, was a Saturday.
    const int64_t days = static_cast<int64_t>(std::floor(d));
    return static_cast<int>(((days + 5) % 7 + 7) % 7) + 1;
}

TWeekTable ComputeWeek(const TDrawsArray& draws, int offset, int64_t length) {
    TWeekTable t;
    const TViewWindow w = ViewWindow(static_cast<int>(draws.size()), offset, length);
    if (w.Empty()) return t;
    for (int i = w.First; i <= w.Last; ++i) {
        const TDrawRec& d = draws[static_cast<size_t>(i)];
        const int day = DrawWeekDay(d);
        if (day == 0) continue;
        for (uint8_t n : d.Numbers)
            if (InGame(n)) t.Max = std::max(t.Max, ++t.Counts[n][static_cast<size_t>(day - 1)]);
    }
    return t;
}

int64_t WeekCellColor(int32_t count, int32_t max) {
    if (count <= 0 || max <= 0) return -1;
    const double f = 255.0 * count / max;
    return Rgb(255, 255 - f, 255 - f);
}

std::vector<TViewPoint> WeekChartPoints(const TWeekTable& table, int mode, int number, int day) {
    std::vector<TViewPoint> points;
    if (mode == 1) {
        if (!InGame(number)) return points;
        for (int d = 1; d <= 7; ++d) points.push_back({d, static_cast<double>(table.Counts[number][d - 1])});
    } else {
        if (day < 1 || day > 7) return points;
        for (int n = MinNumber; n <= MaxNumber; ++n)
            points.push_back({n, static_cast<double>(table.Counts[n][static_cast<size_t>(day - 1)])});
    }
    return points;
}

// --- Grids -----------------------------------------------------------------------------------------------

TTextGrid CardGrid(const std::vector<TCardRow>& card) {
    TTextGrid g;
    std::vector<std::string> head{Tr("Тираж")};
    for (int n = MinNumber; n <= MaxNumber; ++n) head.push_back(std::to_string(n));
    g.push_back(std::move(head));
    for (const TCardRow& r : card) {
        std::vector<std::string> row{std::to_string(r.Draw)};
        for (int n = MinNumber; n <= MaxNumber; ++n) row.push_back(r.Has[n] ? std::to_string(n) : "");
        g.push_back(std::move(row));
    }
    return g;
}

TTextGrid LayoutGridText(const TLayoutGrid& layout) {
    TTextGrid g;
    std::vector<std::string> head{""};
    for (int d : layout.DrawNumbers) head.push_back(std::to_string(d));
    g.push_back(std::move(head));
    for (size_t r = 0; r < layout.Counts.size(); ++r) {
        std::vector<std::string> row{std::to_string(layout.Counts[r])};
        row.insert(row.end(), layout.Cells[r].begin(), layout.Cells[r].end());
        g.push_back(std::move(row));
    }
    return g;
}

TTextGrid WeekGrid(const TWeekTable& table, const std::array<std::string, 7>& dayNames) {
    TTextGrid g;
    std::vector<std::string> head{Tr("День")};
    for (int n = MinNumber; n <= MaxNumber; ++n) head.push_back(std::to_string(n));
    g.push_back(std::move(head));
    for (size_t d = 0; d < 7; ++d) {
        std::vector<std::string> row{dayNames[d]};
        for (int n = MinNumber; n <= MaxNumber; ++n)
            row.push_back(table.Counts[n][d] > 0 ? std::to_string(table.Counts[n][d]) : "");
        g.push_back(std::move(row));
    }
    return g;
}

std::vector<int> SelectedCellNumbers(const TTextGrid& grid, TGridRect rect) {
    std::vector<int> numbers;
    if (grid.empty()) return numbers;
    const int top = std::max(rect.Top, 1), left = std::max(rect.Left, 1);
    const int bottom = std::min<int>(rect.Bottom, static_cast<int>(grid.size()) - 1);
    for (int c = left; c <= rect.Right; ++c)
        for (int r = top; r <= bottom; ++r) {
            const auto& row = grid[static_cast<size_t>(r)];
            if (c >= static_cast<int>(row.size())) continue;
            for (const std::string& piece : SplitWords(row[static_cast<size_t>(c)], ",")) {
                int32_t v;
                if (TryStrToInt(Trim(ReplaceAll(ReplaceAll(piece, "[", ""), "]", "")), v)) AddUnique(numbers, v);
            }
        }
    return numbers;
}

std::vector<int> SelectedColumnNumbers(TGridRect rect) {
    std::vector<int> numbers;
    for (int c = std::max(rect.Left, MinNumber); c <= std::min(rect.Right, MaxNumber); ++c) AddUnique(numbers, c);
    return numbers;
}

// --- Repeats ---------------------------------------------------------------------------------------------

TRepeatsResult ComputeRepeats(const TDrawsArray& draws, int64_t drawsCount, int64_t depth,
                              const std::function<void()>& step) {
    TRepeatsResult res;
    const int64_t n = static_cast<int64_t>(draws.size());
    const int64_t stop = std::max<int64_t>(0, n - std::max<int64_t>(drawsCount, 0));
    for (int64_t i = n - 1; i >= stop; --i) {
        if (step) step();
        const size_t firstRow = res.Rows.size();
        for (int64_t j = i - 1; j >= std::max<int64_t>(0, i - std::max<int64_t>(depth, 0)); --j) {
            const int m = Matches(draws[static_cast<size_t>(i)], draws[static_cast<size_t>(j)]);
            res.MaxMatches = std::max(res.MaxMatches, m);
            if (m <= 0) continue;
            auto row = std::find_if(res.Rows.begin() + static_cast<std::ptrdiff_t>(firstRow), res.Rows.end(),
                                    [m](const TRepeatRow& r) { return r.Matches == m; });
            const std::string drawText = std::to_string(draws[static_cast<size_t>(j)].Draw);
            if (row == res.Rows.end()) {
                res.Rows.push_back({draws[static_cast<size_t>(i)].Draw, m, 1, drawText});
            } else {
                ++row->Repeats;
                row->DrawList += " " + drawText;
            }
        }
    }
    return res;
}

std::vector<TChartSeries> RepeatsSeries(const TRepeatsResult& repeats) {
    std::vector<TChartSeries> chart;
    for (int m = 1; m <= repeats.MaxMatches; ++m)
        chart.push_back({Format(Tr("Совпадений: %d"), m), {}, true, false, 0});
    for (auto it = repeats.Rows.rbegin(); it != repeats.Rows.rend(); ++it)
        if (it->Matches >= 1 && it->Matches <= repeats.MaxMatches)
            chart[static_cast<size_t>(it->Matches - 1)].Points.push_back({it->Draw, static_cast<double>(it->Repeats)});
    return chart;
}

// --- Sums ------------------------------------------------------------------------------------------------

std::array<int64_t, MaxSixSum + 1> CombinationSumCounts() {
    // ways[k][s]: k-number subsets of the numbers seen so far with sum s; each number is taken or not, the
    // count of subsets growing from the largest k down so that no number is used twice.
    std::array<std::array<int64_t, MaxSixSum + 1>, NumbersPerDraw + 1> ways{};
    ways[0][0] = 1;
    for (int n = MinNumber; n <= MaxNumber; ++n)
        for (int k = NumbersPerDraw; k >= 1; --k)
            for (int s = MaxSixSum; s >= n; --s) ways[k][s] += ways[k - 1][s - n];
    return ways[NumbersPerDraw];
}

TSumsResult ComputeSums(const TDrawsArray& draws) {
    TSumsResult r;
    const auto counts = CombinationSumCounts();
    for (int s = MinSixSum; s <= MaxSixSum; ++s) r.Theory.push_back({s, static_cast<int32_t>(counts[s])});
    for (const TDrawRec& d : draws) {
        int sum = 0;
        for (uint8_t n : d.Numbers) sum += n;
        AddSimple(r.Actual, sum, 1);
    }
    SortSimple(r.Actual);
    r.TMax = r.Theory.front().Count;
    r.TMin = r.Theory.front().Count;
    for (const TStatSimple& s : r.Theory) {
        r.TMax = std::max<int64_t>(r.TMax, s.Count);
        r.TMin = std::min<int64_t>(r.TMin, s.Count);
    }
    for (const TStatSimple& s : r.Actual) r.AMax = std::max<int64_t>(r.AMax, s.Count);
    const double w = static_cast<double>(r.TMax - r.TMin + 1);
    const double shares[3] = {1.0 / 3, 1.0 / 2, 2.0 / 3};
    const char* names[3] = {"1/3", "1/2", "2/3"};
    const size_t len = r.Theory.size(), middle = len / 2;
    for (size_t l = 0; l < 3; ++l) {
        TSumLevel& lv = r.Levels[l];
        lv.Level = static_cast<int64_t>(std::trunc(static_cast<double>(r.TMin) + w * shares[l]));
        for (size_t i = 0; i <= middle && i < len; ++i)
            if (r.Theory[i].Count >= lv.Level) {
                lv.Lower = r.Theory[i].Key;
                break;
            }
        for (size_t i = len; i-- > middle;)
            if (r.Theory[i].Count >= lv.Level) {
                lv.Upper = r.Theory[i].Key;
                break;
            }
        lv.Title = Format(Tr("Диапазон %d (от %s и выше по оси Y) - суммы %d-%d"), static_cast<int>(l + 1), names[l],
                          lv.Lower, lv.Upper);
    }
    return r;
}

std::vector<TChartSeries> SumsSeries(const TSumsResult& sums) {
    std::vector<TChartSeries> chart;
    const double scale = sums.TMax > 0 ? static_cast<double>(sums.AMax) / static_cast<double>(sums.TMax) : 0;
    TChartSeries actual{Tr("Фактическое распределение сумм (по тиражам)"), {}, true, true, 0xFF0000};
    for (const TStatSimple& s : sums.Actual) actual.Points.push_back({s.Key, static_cast<double>(s.Count)});
    TChartSeries theory{Tr("Теоретическое распределение сумм (по комбинациям)"), {}, false, false, 0x800000};
    for (const TStatSimple& s : sums.Theory) theory.Points.push_back({s.Key, s.Count * scale});
    chart.push_back(std::move(actual));
    chart.push_back(std::move(theory));
    const TColor colors[3] = {0x008000, 0x0000FF, 0xFF00FF};
    for (size_t l = 0; l < 3; ++l) {
        TChartSeries level{sums.Levels[l].Title, {}, false, false, colors[l]};
        for (const TStatSimple& s : sums.Theory)
            level.Points.push_back({s.Key, static_cast<double>(sums.Levels[l].Level) * scale});
        chart.push_back(std::move(level));
    }
    return chart;
}

// --- Detailed information --------------------------------------------------------------------------------

namespace {

// Every enabled graph method's value; `value` asks a fresh instance for it.
std::vector<TInfoLine> MethodLines(TStatList& registry, const std::function<int(TCustomGraphStat&)>& value) {
    std::vector<TInfoLine> lines;
    for (int m = 0; m < registry.MethodCount(); ++m) {
        if (!registry.IsGraphMethod(m) || !registry.IsVisible(m)) continue;
        auto stat = registry.CreateStat(m);
        auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get());
        if (!graph) continue;
        lines.push_back({graph->MethodCaption(), std::to_string(value(*graph))});
    }
    return lines;
}

} // namespace

std::vector<TInfoLine> DrawInfoLines(TStatList& registry, const TDrawsArray& draws, int index, bool sorted) {
    if (index < 0 || index >= static_cast<int>(draws.size())) return {};
    const TDrawRec& d = draws[static_cast<size_t>(index)];
    std::vector<TInfoLine> lines{{Tr("Номер тиража:"), std::to_string(d.Draw)}, {Tr("Дата тиража:"), d.Date()}};
    for (TInfoLine& l : MethodLines(registry, [&](TCustomGraphStat& s) { return s.DrawValue(index, index, sorted); }))
        lines.push_back(std::move(l));
    return lines;
}

std::vector<TInfoLine> CombInfoLines(TStatList& registry, const TComb& comb, int windowEnd, bool sorted) {
    // As the filtering sees a candidate: no current draw, the window's newest draw as the second one.
    return MethodLines(registry, [&](TCustomGraphStat& s) {
        s.LoadDraws(-1, windowEnd, sorted);
        return s.CombValue(comb, windowEnd + 1, windowEnd, sorted);
    });
}

TInfoMatrix InfoMatrix(const TComb& numbers, int columns, int channelSize) {
    TInfoMatrix m;
    m.Columns = std::clamp(columns, 1, MaxNumber);
    m.Rows = (MaxNumber + m.Columns - 1) / m.Columns;
    m.Cells.assign(static_cast<size_t>(m.Rows), std::vector<std::string>(static_cast<size_t>(m.Columns)));
    m.Colors.assign(static_cast<size_t>(m.Rows), std::vector<int64_t>(static_cast<size_t>(m.Columns), -1));
    for (int r = 0; r < m.Rows; ++r)
        for (int c = 0; c < m.Columns; ++c) {
            const int n = 1 + c + r * m.Columns;
            if (InGame(n)) m.Colors[static_cast<size_t>(r)][static_cast<size_t>(c)] = ChannelColor(n, channelSize);
        }
    for (uint8_t n : numbers.N)
        if (InGame(n))
            m.Cells[static_cast<size_t>((n - 1) / m.Columns)][static_cast<size_t>((n - 1) % m.Columns)] =
                std::to_string(n);
    return m;
}

} // namespace zorb

#include "stakes/Ratings.h"

#include "core/ByteRecord.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>
#include <tbb/parallel_for.h>

namespace zorb {

namespace {

void PutComment(uint8_t* p, const std::string& utf8) {
    std::string c = Utf8ToCp1251(utf8);
    if (c.size() > 255) c.resize(255);
    p[0] = static_cast<uint8_t>(c.size());
    std::memcpy(p + 1, c.data(), c.size());
}

std::string GetComment(const uint8_t* p) {
    return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(p + 1), p[0]));
}

double Money(Currency c) {
    return CurrencyToDouble(c);
}

std::string Quoted(const std::string& s) {
    return "\"" + ReplaceAll(s, "\"", "\"\"") + "\"";
}

// The distribution of matches of one n-number stake.
std::array<double, 7> MatchDistribution(int n) {
    std::array<double, 7> p{};
    for (int k = 0; k <= 6; ++k) p[static_cast<size_t>(k)] = StakeMatchProbability(n, k);
    return p;
}

// Sizes as the expectations take them: the counters when they are complete, else every stake as six numbers.
std::array<int64_t, StakeSizeCount> EffectiveSizes(const TRatingRecord& r) {
    std::array<int64_t, StakeSizeCount> s{};
    if (r.SizesKnown())
        for (size_t i = 0; i < s.size(); ++i) s[i] = r.SizeCounts[i];
    else
        s[0] = std::max(r.StakeCount, 0);
    return s;
}

// The distribution of a total over [Low, Low + P.size()). Totals whose chance underflows are dropped at both
// ends, which keeps the work near the totals that can happen at all.
struct TDistribution {
    int64_t Low = 0;
    std::vector<double> P{1.0};
};

TDistribution Convolve(const TDistribution& a, const TDistribution& b) {
    constexpr double Negligible = 1e-300;
    std::vector<double> c(a.P.size() + b.P.size() - 1, 0.0);
    for (size_t i = 0; i < a.P.size(); ++i)
        for (size_t j = 0; j < b.P.size(); ++j) c[i + j] += a.P[i] * b.P[j];
    size_t from = 0, to = c.size();
    while (from + 1 < to && c[from] < Negligible) ++from;
    while (to - 1 > from && c[to - 1] < Negligible) --to;
    return {a.Low + b.Low + static_cast<int64_t>(from),
            std::vector<double>(c.begin() + static_cast<std::ptrdiff_t>(from),
                                c.begin() + static_cast<std::ptrdiff_t>(to))};
}

double ExactPValue(const std::array<int64_t, StakeSizeCount>& sizes, int observed) {
    // Stakes of one size are alike, so their total is one distribution raised to their count: by squaring, a
    // thousand stakes cost ten products of short distributions instead of a thousand long ones.
    TDistribution total;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const auto p = MatchDistribution(MinStakeSize + static_cast<int>(i));
        TDistribution power{0, std::vector<double>(p.begin(), p.end())};
        for (int64_t n = sizes[i]; n > 0; n >>= 1) {
            if (n & 1) total = Convolve(total, power);
            if (n > 1) power = Convolve(power, power);
        }
    }
    double tail = 0;
    for (size_t t = 0; t < total.P.size(); ++t)
        if (total.Low + static_cast<int64_t>(t) >= observed) tail += total.P[t];
    return std::min(tail, 1.0);
}

} // namespace

bool TRatingRecord::SizesKnown() const {
    int64_t sum = 0;
    for (int32_t c : SizeCounts) {
        if (c < 0) return false;
        sum += c;
    }
    return StakeCount > 0 && sum == StakeCount;
}

std::array<uint8_t, RatingRecordSize> EncodeRating(const TRatingRecord& r) {
    std::array<uint8_t, RatingRecordSize> b{};
    PutComment(&b[0], r.Comment);
    PutI32(&b[256], r.StakeCount);
    PutI32(&b[260], r.MatchTotal);
    for (size_t i = 0; i < 7; ++i) PutI32(&b[264 + 4 * i], r.MatchCounts[i]);
    PutI64(&b[296], r.Profit);
    return b;
}

TRatingRecord DecodeRating(const uint8_t* b) {
    TRatingRecord r;
    r.Comment = GetComment(b);
    r.StakeCount = GetI32(&b[256]);
    r.MatchTotal = GetI32(&b[260]);
    for (size_t i = 0; i < 7; ++i) r.MatchCounts[i] = GetI32(&b[264 + 4 * i]);
    r.Profit = GetI64(&b[296]);
    return r;
}

double StakeMatchProbability(int n, int k) {
    if (n < NumbersPerDraw || n > MaxNumber || k < 0 || k > NumbersPerDraw || k > n) return 0;
    // C(6,k)·C(46,n−k)/C(52,n), in long double: C(52,12) needs more than 53 bits of care.
    const long double num = static_cast<long double>(Binomial(NumbersPerDraw, k)) *
                            static_cast<long double>(Binomial(MaxNumber - NumbersPerDraw, n - k));
    return static_cast<double>(num / static_cast<long double>(Binomial(MaxNumber, n)));
}

TRatingExpectation ExpectRating(const TRatingRecord& r, const TStakeProfitFn& profit, bool withPValue) {
    TRatingExpectation e;
    e.SizesKnown = r.SizesKnown();
    const auto sizes = EffectiveSizes(r);
    int64_t stakes = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i] == 0) continue;
        const int n = MinStakeSize + static_cast<int>(i);
        const double c = static_cast<double>(sizes[i]);
        const auto p = MatchDistribution(n);
        double stakeProfit = 0;
        for (size_t k = 0; k <= 6; ++k) {
            e.E[k] += c * p[k];
            if (profit) stakeProfit += p[k] * Money(profit(n, static_cast<int>(k)));
        }
        e.Profit += c * stakeProfit;
        e.Matches += c * StakeMatchMean(n);
        e.Sigma2 += c * StakeMatchVariance(n);
        stakes += sizes[i];
    }
    if (!withPValue) {
    } else if (stakes <= ExactPValueStakes) {
        e.Exact = true;
        e.PValue = ExactPValue(sizes, r.MatchTotal);
    } else {
        e.Exact = false;
        const double sigma = std::sqrt(e.Sigma2);
        e.PValue = sigma > 0 ? 0.5 * std::erfc((r.MatchTotal - 0.5 - e.Matches) / (sigma * std::sqrt(2.0))) : 1.0;
    }
    e.CorrectedPValue = e.PValue;
    return e;
}

std::vector<double> HolmAdjust(const std::vector<double>& p) {
    std::vector<size_t> order(p.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&p](size_t a, size_t b) { return p[a] < p[b]; });
    std::vector<double> adjusted(p.size());
    const double m = static_cast<double>(p.size());
    double running = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        running = std::max(running, std::min(1.0, (m - static_cast<double>(i)) * p[order[i]]));
        adjusted[order[i]] = running;
    }
    return adjusted;
}

std::vector<TRatingExpectation> ExpectRatings(const std::vector<TRatingRecord>& items, const TStakeProfitFn& profit) {
    return ExpectRatings(items, profit, {});
}

std::vector<TRatingExpectation> ExpectRatings(const std::vector<TRatingRecord>& items, const TStakeProfitFn& profit,
                                              const TKnownExpectation& known) {
    // The prizes are read once here: the workers below never call back into the caller's settings.
    std::array<std::array<Currency, 7>, StakeSizeCount> prizes{};
    if (profit)
        for (size_t i = 0; i < prizes.size(); ++i)
            for (size_t k = 0; k <= 6; ++k)
                prizes[i][k] = profit(MinStakeSize + static_cast<int>(i), static_cast<int>(k));
    const TStakeProfitFn table = [&prizes](int n, int k) {
        return n >= MinStakeSize && n <= MaxStakeNumbers && k >= 0 && k <= 6
                   ? prizes[static_cast<size_t>(n - MinStakeSize)][static_cast<size_t>(k)]
                   : Currency{0};
    };
    std::vector<TRatingExpectation> e(items.size());
    std::vector<size_t> todo;
    for (size_t i = 0; i < items.size(); ++i) {
        std::optional<TRatingExpectation> k = known ? known(i) : std::nullopt;
        if (k)
            e[i] = *k;
        else
            todo.push_back(i);
    }
    tbb::parallel_for(size_t{0}, todo.size(), [&](size_t j) { e[todo[j]] = ExpectRating(items[todo[j]], table); });
    std::vector<size_t> judged;
    std::vector<double> p;
    for (size_t i = 0; i < items.size(); ++i)
        if (e[i].SizesKnown) {
            judged.push_back(i);
            p.push_back(e[i].PValue);
        }
    const std::vector<double> adjusted = HolmAdjust(p);
    for (size_t j = 0; j < judged.size(); ++j) e[judged[j]].CorrectedPValue = adjusted[j];
    return e;
}

std::string RatingColumnCaption(int column) {
    static const char* const fixed[] = {"Комментарий", "Ставок", "Угадано", "Среднее", "Профит", "Ср. профит"};
    if (column < 0 || column >= RatingColumnCount) return "";
    if (column < 6) return Tr(fixed[column]);
    if (column < RatingEColumn) return std::to_string(column - 6);
    if (column < RatingExpectedMatchesColumn) return "E" + std::to_string(column - RatingEColumn);
    if (column == RatingExpectedMatchesColumn) return Tr("Ож. угадано");
    if (column == RatingExpectedProfitColumn) return Tr("Ож. профит");
    if (column == RatingPValueColumn) return Tr("p-значение");
    return Tr("p с поправкой");
}

std::string RatingColumnHint(int column, int effMode) {
    if (column < 0 || column >= RatingColumnCount) return "";
    if (column >= 6 && column < RatingEColumn) return Format(Tr("Сколько ставок угадали %d номеров"), column - 6);
    if (column >= RatingEColumn && column < RatingExpectedMatchesColumn) {
        const int k = column - RatingEColumn;
        if (effMode == 0)
            return Format(
                Tr("Сколько ставок угадали бы %d номеров при случайной игре ставками тех же размеров на те же "
                   "тиражи"),
                k);
        if (effMode == 2)
            return Format(
                Tr("Ставки, угадавшие %d номеров, в процентах от того, что дала бы случайная игра ставками тех "
                   "же размеров"),
                k);
        return Format(Tr("Доля ставок, угадавших %d номеров, минус доля, которую дала бы случайная игра ставками тех "
                         "же размеров (в процентных пунктах)"),
                      k);
    }
    static const char* const hints[] = {
        "Комментарий ставок: все ставки с одним комментарием (без учета регистра) составляют одну строку",
        "Количество проверенных ставок",
        "Сколько номеров угадали все ставки вместе",
        "Среднее количество угаданных номеров на ставку",
        "Суммарный профит ставок",
        "Средний профит одной ставки",
    };
    if (column < 6) return Tr(hints[column]);
    if (column == RatingExpectedMatchesColumn)
        return Tr("Сколько номеров в среднем угадала бы случайная игра ставками тех же размеров на те же тиражи");
    if (column == RatingExpectedProfitColumn)
        return Tr("Профит, который в среднем дала бы случайная игра ставками тех же размеров при текущих выигрышах");
    if (column == RatingPValueColumn)
        return Tr("Вероятность угадать не меньше номеров случайной игрой ставками тех же размеров на те же тиражи "
                  "(точно до 1000 ставок, дальше нормальное приближение); когда строк много, смотрите p с поправкой");
    return Tr("p-значение с поправкой Холма на число сравниваемых строк: зеленым отмечено, где оно ниже 0,05, а "
              "случайная игра угадала бы не меньше 10 номеров");
}

std::vector<std::string> RatingRandomCaptions() {
    std::vector<std::string> head{Tr("Комментарий"), Tr("Ставок"), Tr("Размеры")};
    for (int k = 0; k <= 6; ++k) head.push_back(std::to_string(k));
    for (int k = 0; k <= 6; ++k) head.push_back(Format(Tr("Ож. %d"), k));
    for (const char* h : {"Угадано", "Ож. угадано", "Профит", "Ож. профит", "p-значение", "p с поправкой", "Расчет"})
        head.push_back(Tr(h));
    return head;
}

std::vector<std::string> RatingRandomCells(const TRatingRecord& r, const TRatingExpectation& e) {
    std::vector<std::string> sizes;
    for (size_t i = 0; i < r.SizeCounts.size(); ++i)
        if (r.SizeCounts[i] > 0) sizes.push_back(Format("%d:%d", static_cast<int>(i) + MinStakeSize, r.SizeCounts[i]));
    std::vector<std::string> line{r.Comment, std::to_string(r.StakeCount), e.SizesKnown ? Join(sizes, " ") : "?"};
    for (int32_t m : r.MatchCounts) line.push_back(std::to_string(m));
    for (double x : e.E) line.push_back(Format("%.4f", x));
    line.push_back(std::to_string(r.MatchTotal));
    line.push_back(e.SizesKnown ? Format("%.4f", e.Matches) : "");
    line.push_back(Format("%.2f", Money(r.Profit)));
    line.push_back(e.SizesKnown ? Format("%.2f", e.Profit) : "");
    line.push_back(e.SizesKnown ? Format("%.4g", e.PValue) : "");
    line.push_back(e.SizesKnown ? Format("%.4g", e.CorrectedPValue) : "");
    line.push_back(e.SizesKnown ? PValueMethodText(e) : "");
    return line;
}

std::string PValueMethodText(const TRatingExpectation& e) {
    return e.Exact ? Tr("точно") : Tr("приближенно");
}

std::optional<double> RatingSortValue(const TRatingRecord& r, const TRatingExpectation& e, int column, int effMode) {
    const double c = r.StakeCount;
    if (column == 1) return c;
    if (column == 2) return r.MatchTotal;
    if (column >= 6 && column < RatingEColumn) return r.MatchCounts[static_cast<size_t>(column - 6)];
    if (r.StakeCount <= 0) return std::nullopt;
    switch (column) {
    case 3: return r.MatchTotal / c;
    case 4: return Money(r.Profit);
    case 5: return Money(CurrencyFromDouble(Money(r.Profit) / c));
    default: break;
    }
    if (column >= RatingEColumn && column < RatingExpectedMatchesColumn) {
        const size_t k = static_cast<size_t>(column - RatingEColumn);
        if (effMode == 0) return std::round(e.E[k]);
        if (effMode == 2) return e.E[k] > 0 ? std::optional<double>(r.MatchCounts[k] * 100.0 / e.E[k]) : std::nullopt;
        return r.MatchCounts[k] * 100.0 / c - e.E[k] * 100.0 / c;
    }
    if (!e.SizesKnown) return std::nullopt;
    if (column == RatingExpectedMatchesColumn) return e.Matches;
    if (column == RatingExpectedProfitColumn) return e.Profit;
    if (column == RatingPValueColumn) return e.PValue;
    if (column == RatingCorrectedPValueColumn) return e.CorrectedPValue;
    return std::nullopt;
}

std::string RatingCellText(const TRatingRecord& r, const TRatingExpectation& e, int column, int effMode) {
    if (column == 0) return r.Comment;
    if (column == 4) return Format("%.2f", Money(r.Profit));
    const std::optional<double> v = RatingSortValue(r, e, column, effMode);
    if (!v) return "";
    if (column == 1 || column == 2 || (column >= 6 && column < RatingEColumn))
        return std::to_string(static_cast<int64_t>(*v));
    if (column == 3) return Format("%.3f", *v);
    if (column == 5) return Format("%.2f", *v);
    if (column < RatingExpectedMatchesColumn)
        return effMode == 0 ? Format("%.d", static_cast<int64_t>(*v)) : Format("%.3f%%", *v);
    if (column == RatingExpectedMatchesColumn) return Format("%.4f", *v);
    if (column == RatingExpectedProfitColumn) return Format("%.2f", *v);
    return Format("%.4g", *v);
}

// --- The entries ----------------------------------------------------------------------------------------

void TRatings::Clear() {
    FItems.clear();
    FIndex.clear();
}

void TRatings::Reindex() {
    FIndex.clear();
    for (size_t i = 0; i < FItems.size(); ++i) FIndex.emplace(LowerCase(FItems[i].Comment), i);
}

bool TRatings::AddStake(const TStakeRecord& stake) {
    const int m = stake.Matched.Count;
    if (!stake.Checked || m < 0 || m > 6) return false; // beyond six the record is damaged, not a result
    const std::string key = LowerCase(stake.Comment);
    auto it = FIndex.find(key);
    if (it == FIndex.end()) {
        TRatingRecord r;
        r.Comment = stake.Comment;
        it = FIndex.emplace(key, FItems.size()).first;
        FItems.push_back(std::move(r));
    }
    TRatingRecord& r = FItems[it->second];
    ++r.StakeCount;
    r.MatchTotal += m;
    r.Profit += stake.Profit;
    ++r.MatchCounts[static_cast<size_t>(m)];
    const int n = stake.Numbers.Count;
    if (n >= MinStakeSize && n <= MaxStakeNumbers) ++r.SizeCounts[static_cast<size_t>(n - MinStakeSize)];
    return true;
}

void TRatings::Load(const std::string& lrtPath, const std::string& lrsPath) {
    Clear();
    if (!FileExists(lrtPath)) return;
    const std::string bytes = ReadFileBytes(lrtPath);
    for (size_t at = 0; at + RatingRecordSize <= bytes.size(); at += RatingRecordSize)
        FItems.push_back(DecodeRating(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
    Reindex();
    if (!FileExists(lrsPath)) return;
    const std::string sizes = ReadFileBytes(lrsPath);
    for (size_t at = 0; at + RatingSizesRecordSize <= sizes.size(); at += RatingSizesRecordSize) {
        const auto* p = reinterpret_cast<const uint8_t*>(sizes.data() + at);
        auto it = FIndex.find(LowerCase(GetComment(p)));
        if (it == FIndex.end()) continue;
        for (size_t i = 0; i < StakeSizeCount; ++i) FItems[it->second].SizeCounts[i] = GetI32(p + 256 + 4 * i);
    }
}

void TRatings::Save(const std::string& lrtPath, const std::string& lrsPath) const {
    std::string lrt, lrs;
    lrt.reserve(FItems.size() * RatingRecordSize);
    lrs.reserve(FItems.size() * RatingSizesRecordSize);
    for (const TRatingRecord& r : FItems) {
        const auto b = EncodeRating(r);
        lrt.append(reinterpret_cast<const char*>(b.data()), b.size());
        std::array<uint8_t, RatingSizesRecordSize> s{};
        PutComment(s.data(), r.Comment);
        for (size_t i = 0; i < StakeSizeCount; ++i) PutI32(&s[256 + 4 * i], r.SizeCounts[i]);
        lrs.append(reinterpret_cast<const char*>(s.data()), s.size());
    }
    // The sizes first: an entry whose sizes are missing only loses its random-play columns.
    WriteFileAtomic(lrsPath, lrs);
    WriteFileAtomic(lrtPath, lrt);
}

void TRatings::Sort(int column, bool descending, int effMode, const TStakeProfitFn& profit) {
    if (column < 0 || column >= RatingColumnCount || FItems.size() < 2) return;
    struct TKey {
        int Rank; // 0: a value, 1: an empty cell, 2: no stakes
        double Value;
    };
    std::vector<std::pair<TKey, size_t>> keys;
    keys.reserve(FItems.size());
    // The p-values, corrected ones above all, are judged over the whole list at once.
    const bool needsPValues = column == RatingPValueColumn || column == RatingCorrectedPValueColumn;
    const std::vector<TRatingExpectation> all =
        needsPValues ? ExpectRatings(FItems, profit) : std::vector<TRatingExpectation>{};
    for (size_t i = 0; i < FItems.size(); ++i) {
        const TRatingRecord& r = FItems[i];
        TKey k{0, 0};
        if (r.StakeCount <= 0) {
            k.Rank = 2;
        } else if (column > 0) {
            const TRatingExpectation e = needsPValues              ? all[i]
                                         : column >= RatingEColumn ? ExpectRating(r, profit, false)
                                                                   : TRatingExpectation{};
            const auto v = RatingSortValue(r, e, column, effMode);
            k = v ? TKey{0, *v} : TKey{1, 0};
        }
        keys.push_back({k, i});
    }
    std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        if (a.first.Rank != b.first.Rank) return a.first.Rank < b.first.Rank;
        if (a.first.Rank != 0) return false;
        if (column == 0) {
            const int c = FItems[a.second].Comment.compare(FItems[b.second].Comment);
            return descending ? c > 0 : c < 0;
        }
        return descending ? a.first.Value > b.first.Value : a.first.Value < b.first.Value;
    });
    std::vector<TRatingRecord> sorted;
    sorted.reserve(FItems.size());
    for (const auto& k : keys) sorted.push_back(std::move(FItems[k.second]));
    FItems = std::move(sorted);
    Reindex();
}

void TRatings::Rebuild(TStakesFile& file) {
    Clear();
    const int64_t n = file.Count();
    for (int64_t i = 0; i < n; ++i) {
        const TStakeRecord r = file.Read(i);
        if (r.DrawNumber >= 0 && r.Checked) AddStake(r);
    }
}

std::string TRatings::CsvText(int effMode, const TStakeProfitFn& profit) const {
    std::vector<std::string> head;
    for (int c = 0; c < RatingColumnCount; ++c) head.push_back(Quoted(RatingColumnCaption(c)));
    std::string out = Join(head, ";") + "\r\n";
    const std::vector<TRatingExpectation> all = ExpectRatings(FItems, profit);
    for (size_t i = 0; i < FItems.size(); ++i) {
        const TRatingRecord& r = FItems[i];
        const TRatingExpectation& e = all[i];
        std::vector<std::string> f{Quoted(r.Comment)};
        for (int c = 1; c < RatingColumnCount; ++c) f.push_back(RatingCellText(r, e, c, effMode));
        out += Join(f, ";") + "\r\n";
    }
    return out;
}

// --- Graph data -------------------------------------------------------------------------------------------

std::vector<std::pair<int32_t, Currency>> ProfitByDraw(TStakesFile& file) {
    std::map<int32_t, Currency> byDraw;
    const int64_t n = file.Count();
    for (int64_t i = 0; i < n; ++i) {
        const TStakeRecord r = file.Read(i);
        if (r.DrawNumber >= 0 && !r.IsSeparator()) byDraw[r.DrawNumber] += r.Profit;
    }
    return {byDraw.begin(), byDraw.end()};
}

std::pair<int64_t, int> CountDrawsBackward(TStakesFile& file, int draws) {
    int found = 0;
    int32_t previous = 0;
    for (int64_t i = file.Count() - 1; i >= 0; --i) {
        const TStakeRecord r = file.Read(i);
        if (r.DrawNumber <= 0 || !r.Checked || r.Matched.Count < 0) continue;
        if (found == 0 || r.DrawNumber != previous) {
            if (found == draws) return {i + 1, found};
            ++found;
            previous = r.DrawNumber;
        }
    }
    return {0, found};
}

std::vector<TStakePoint> StakesOfComments(TStakesFile& file, int64_t from, const std::vector<std::string>& comments) {
    std::vector<std::string> keys;
    for (const std::string& c : comments) keys.push_back(LowerCase(c));
    std::vector<TStakePoint> points;
    for (int64_t i = std::max<int64_t>(from, 0); i < file.Count(); ++i) {
        const TStakeRecord r = file.Read(i);
        if (r.DrawNumber <= 0 || !r.Checked || r.Matched.Count < 0) continue;
        const std::string key = LowerCase(r.Comment);
        for (size_t k = 0; k < keys.size(); ++k)
            if (keys[k] == key) {
                points.push_back({comments[k], r.DrawNumber, r.Matched.Count, r.Profit});
                break;
            }
    }
    return points;
}

std::string RatingScriptLine(const std::string& rating) {
    std::string text = rating, comment;
    const size_t at = text.find('@');
    if (at != std::string::npos) {
        comment = Trim(text.substr(0, at));
        text = Trim(text.substr(at + 1));
    }
    text = ReplaceAll(text, " + ", "|");
    while (std::count(text.begin(), text.end(), '|') + 1 <= 7) text += "| ";
    return text + "|" + comment;
}

} // namespace zorb

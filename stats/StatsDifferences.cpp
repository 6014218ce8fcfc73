#include "stats/StatsDifferences.h"

#include "core/Format.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"
#include "stats/StatTemplates.h"
#include "stats/TupleTable.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace zorb {

namespace {

constexpr int GapCount = 5;
constexpr int MaxGap = 51; // between two numbers of 1..52

// Neighbour gaps |n(k+1) - nk| in the order given; numbers are bytes, so every gap is 0..255.
struct TGaps {
    int D[GapCount];
    explicit TGaps(const uint8_t* n) {
        for (int k = 0; k < GapCount; ++k) D[k] = std::abs(n[k + 1] - n[k]);
    }
};

int LargestGap(const uint8_t* n) {
    const TGaps g(n);
    return *std::max_element(g.D, g.D + GapCount);
}

int Spread(const uint8_t* n) {
    const auto [lo, hi] = std::minmax_element(n, n + 6);
    return *hi - *lo;
}

// How often the gap at place i occurs among the five.
int Multiplicity(const TGaps& g, int i) {
    int m = 0;
    for (int j = 0; j < GapCount; ++j) m += g.D[j] == g.D[i] ? 1 : 0;
    return m;
}

int LargestMultiplicity(const uint8_t* n) {
    const TGaps g(n);
    int best = 0;
    for (int i = 0; i < GapCount; ++i) best = std::max(best, Multiplicity(g, i));
    return best;
}

// Bit k set when the numbers at places k and k + 1 are consecutive: the later one exactly one more, or, for the
// draw graph, one more or one less.
int RunPattern(const uint8_t* n, bool eitherWay) {
    int p = 0;
    for (int k = 0; k < GapCount; ++k) {
        const int d = n[k + 1] - n[k];
        if (d == 1 || (eitherWay && d == -1)) p |= 1 << k;
    }
    return p;
}

// The maximal runs that a pattern cuts six numbers into, in place order.
struct TRuns {
    int Count = 0;
    int Len[6] = {};
    int Long = 0;    // runs of two or more
    int Longest = 0; // 1 when there is no run of two
};

TRuns RunsOf(int pattern) {
    TRuns r;
    int len = 1;
    for (int k = 0; k < GapCount; ++k) {
        if ((pattern >> k) & 1) {
            ++len;
            continue;
        }
        r.Len[r.Count++] = len;
        len = 1;
    }
    r.Len[r.Count++] = len;
    for (int i = 0; i < r.Count; ++i) {
        r.Long += r.Len[i] >= 2 ? 1 : 0;
        r.Longest = std::max(r.Longest, r.Len[i]);
    }
    return r;
}

const std::array<TRuns, 32>& RunTable() {
    static const std::array<TRuns, 32> t = [] {
        std::array<TRuns, 32> a{};
        for (int p = 0; p < 32; ++p) a[static_cast<size_t>(p)] = RunsOf(p);
        return a;
    }();
    return t;
}

// RunPattern(n, false) without a loop, for the matchers and counters.
inline int FastRunPattern(const uint8_t* n) {
    return (n[1] - n[0] == 1) | (n[2] - n[1] == 1) << 1 | (n[3] - n[2] == 1) << 2 | (n[4] - n[3] == 1) << 3 |
           (n[5] - n[4] == 1) << 4;
}

// A one-value-per-combination method whose value is 0..255: matcher and counter from the value function.
template <int (*ValueFn)(const uint8_t*)> std::unique_ptr<TCombMatcher> ByteValueMatcher(const TStatDrawArray& sel) {
    const TByteFlags f = FlagsOf(Word1Table(sel, 0, 255));
    return zorb::MakeMatcher([f](const TComb& c) { return f[static_cast<size_t>(ValueFn(c.N))] != 0; });
}

template <int (*ValueFn)(const uint8_t*)> std::unique_ptr<TCombCounter> ByteValueCounter() {
    return zorb::MakeCounter(
        256, [](const TComb& c, uint32_t* t) { ++t[ValueFn(c.N)]; }, SetKeyW1);
}

// --- DIFA ------------------------------------------------------------------------------------------------------

class TDiffTotal : public TMergedValuesStat<TSeededW1<TCustomNumbersStat, 1, MaxGap>, TDiffTotal> {
public:
    using TMergedValuesStat::TMergedValuesStat;

    // Only the first gap updates the occurrence gaps: the other four belong to the same draw.
    void MergeValues(const uint8_t* n, TStatDrawArray& table, bool trackGaps) {
        const TGaps g(n);
        for (int k = 0; k < GapCount; ++k) {
            FWork.SetW(1, static_cast<uint16_t>(g.D[k]));
            Merge(table, trackGaps && k == 0);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        const TGaps g(comb.N);
        for (int k = 0; k < GapCount; ++k)
            if (FindWord(selected, 1, static_cast<uint16_t>(g.D[k]))) return true;
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TByteFlags f = FlagsOf(Word1Table(selected, 0, 255));
        return zorb::MakeMatcher([f](const TComb& c) {
            const uint8_t* n = c.N;
            return (f[static_cast<size_t>(std::abs(n[1] - n[0]))] | f[static_cast<size_t>(std::abs(n[2] - n[1]))] |
                    f[static_cast<size_t>(std::abs(n[3] - n[2]))] | f[static_cast<size_t>(std::abs(n[4] - n[3]))] |
                    f[static_cast<size_t>(std::abs(n[5] - n[4]))]) != 0;
        });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        return zorb::MakeCounter(
            256,
            [](const TComb& c, uint32_t* t) {
                for (int k = 0; k < GapCount; ++k) ++t[std::abs(c.N[k + 1] - c.N[k])];
            },
            SetKeyW1);
    }
};
ZORB_STAT_CLASS(TstDiffTotal, TDiffTotal);
ZORB_STAT_INFO(TstDiffTotal, "DIFA", "Все разности между соседними позициями", 2, sfS | sfN);

// --- DIFM, DIFD, DIFK: one integer per draw -------------------------------------------------------------------

// One integer of the gaps, seeded SeedLo..SeedHi.
template <int (*ValueFn)(const uint8_t*), int SeedLo, int SeedHi>
class TGapGraph
    : public TOneValueStat<TSeededW1<TCustomGraphStat, SeedLo, SeedHi>, TGapGraph<ValueFn, SeedLo, SeedHi>> {
    using TBase = TOneValueStat<TSeededW1<TCustomGraphStat, SeedLo, SeedHi>, TGapGraph>;

public:
    using TBase::TBase;

    static int Value(const uint8_t* n) { return ValueFn(n); }
    int CombValue(const TComb& comb, int, int, bool) override { return ValueFn(comb.N); }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return ByteValueMatcher<ValueFn>(selected);
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override { return ByteValueCounter<ValueFn>(); }
};

ZORB_STAT_CLASS(TstDiffMax, TGapGraph<LargestGap, 1, MaxGap>);
ZORB_STAT_INFO(TstDiffMax, "DIFM", "Максимальная разность между соседними позициями", 2, sfS | sfN, {.IsGraph = true});

ZORB_STAT_CLASS(TstMinMaxDiffs, TGapGraph<Spread, 1, MaxGap>);
ZORB_STAT_INFO(TstMinMaxDiffs, "DIFD", "Разность между минимальным и максимальным числом", 2, sfN, {.IsGraph = true});

ZORB_STAT_CLASS(TstDiffSameCnt, TGapGraph<LargestMultiplicity, 1, GapCount>);
ZORB_STAT_INFO(TstDiffSameCnt, "DIFK", "Количество одинаковых разностей между соседними позициями", 2, sfS | sfN,
               {.IsGraph = true});

// --- DIFO: each distinct gap with how often it occurs ---------------------------------------------------------

class TDiffSame : public TMergedValuesStat<TCustomStat, TDiffSame> {
public:
    using TMergedValuesStat::TMergedValuesStat;

    std::string ValueText(const TStatDraw& row) const override { return Format("%0:d x %1:d", row.W(1), row.W(2)); }
    void MergeValues(const uint8_t* n, TStatDrawArray& table, bool trackGaps) {
        for (const TStatSimple& s : Tally(n)) {
            FWork.SetW(1, static_cast<uint16_t>(s.Key));
            FWork.SetW(2, static_cast<uint16_t>(s.Count));
            Merge(table, trackGaps);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        for (const TStatSimple& s : Tally(comb.N))
            if (FindKey(selected, static_cast<uint16_t>(s.Key), static_cast<uint16_t>(s.Count), 0, 0)) return true;
        return false;
    }
    // Per gap the set of wanted multiplicities as bits. With few wanted gaps each is counted among the five
    // directly; with many, every gap's multiplicity is looked up.
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        std::array<uint8_t, 256> want{};
        for (const TStatDraw& r : selected)
            if (r.W(1) <= 255 && r.W(2) >= 1 && r.W(2) <= GapCount && r.W(3) == 0 && r.W(4) == 0)
                want[r.W(1)] |= static_cast<uint8_t>(1u << r.W(2));
        constexpr int FewGaps = 8;
        std::array<int, FewGaps> gaps{};
        std::array<unsigned, FewGaps> masks{};
        int few = 0;
        for (int g = 0; g < 256; ++g)
            if (want[static_cast<size_t>(g)]) {
                if (few == FewGaps) {
                    few = -1;
                    break;
                }
                gaps[static_cast<size_t>(few)] = g;
                masks[static_cast<size_t>(few++)] = want[static_cast<size_t>(g)];
            }
        if (few == 1)
            return zorb::MakeMatcher([v = gaps[0], mask = masks[0]](const TComb& c) {
                const uint8_t* n = c.N;
                const int times = (std::abs(n[1] - n[0]) == v) + (std::abs(n[2] - n[1]) == v) +
                                  (std::abs(n[3] - n[2]) == v) + (std::abs(n[4] - n[3]) == v) +
                                  (std::abs(n[5] - n[4]) == v);
                return ((mask >> times) & 1) != 0;
            });
        if (few >= 0)
            return zorb::MakeMatcher([gaps, masks, few](const TComb& c) {
                const uint8_t* n = c.N;
                const int d0 = std::abs(n[1] - n[0]), d1 = std::abs(n[2] - n[1]), d2 = std::abs(n[3] - n[2]),
                          d3 = std::abs(n[4] - n[3]), d4 = std::abs(n[5] - n[4]);
                unsigned hit = 0;
                for (int k = 0; k < few; ++k) {
                    const int v = gaps[static_cast<size_t>(k)];
                    hit |= masks[static_cast<size_t>(k)] >> ((d0 == v) + (d1 == v) + (d2 == v) + (d3 == v) + (d4 == v));
                }
                return (hit & 1) != 0;
            });
        return zorb::MakeMatcher([want](const TComb& c) {
            const TGaps g(c.N);
            unsigned hit = 0;
            for (int i = 0; i < GapCount; ++i)
                hit |= static_cast<unsigned>(want[static_cast<size_t>(g.D[i])]) >> Multiplicity(g, i);
            return (hit & 1) != 0;
        });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        constexpr int Slots = GapCount + 1; // multiplicities 1..5 of one gap value
        return zorb::MakeCounter(
            256 * Slots,
            // Branch-free: the ten pairwise equalities give every gap's multiplicity and whether it came first.
            [](const TComb& c, uint32_t* t) {
                const TGaps g(c.N);
                const int* d = g.D;
                const unsigned e01 = d[0] == d[1], e02 = d[0] == d[2], e03 = d[0] == d[3], e04 = d[0] == d[4],
                               e12 = d[1] == d[2], e13 = d[1] == d[3], e14 = d[1] == d[4], e23 = d[2] == d[3],
                               e24 = d[2] == d[4], e34 = d[3] == d[4];
                t[d[0] * Slots + 1 + e01 + e02 + e03 + e04] += 1;
                t[d[1] * Slots + 1 + e01 + e12 + e13 + e14] += 1 - e01;
                t[d[2] * Slots + 1 + e02 + e12 + e23 + e24] += 1 - (e02 | e12);
                t[d[3] * Slots + 1 + e03 + e13 + e23 + e34] += 1 - (e03 | e13 | e23);
                t[d[4] * Slots + 1 + e04 + e14 + e24 + e34] += 1 - (e04 | e14 | e24 | e34);
            },
            [](size_t slot, TStatDraw& row) {
                row.ClearKey();
                row.SetW(1, static_cast<uint16_t>(slot / Slots));
                row.SetW(2, static_cast<uint16_t>(slot % Slots));
            });
    }

private:
    // Gap value -> occurrences, in order of first appearance.
    static TStatSimpleArray Tally(const uint8_t* n) {
        const TGaps g(n);
        TStatSimpleArray t;
        for (int k = 0; k < GapCount; ++k) AddSimple(t, g.D[k], 1);
        return t;
    }
};
ZORB_STAT_CLASS(TstDiffSame, TDiffSame);
ZORB_STAT_INFO(TstDiffSame, "DIFO", "Одинаковые разности между соседними позициями", 2, sfS | sfN,
               {.HasTextValues = false});

// --- SEQL, SEQS, LENS: runs of consecutive numbers ------------------------------------------------------------

class TSequenceLen : public TMergedValuesStat<TSeededW1<TCustomNumbersStat, 1, 6>, TSequenceLen> {
public:
    using TMergedValuesStat::TMergedValuesStat;

    void MergeValues(const uint8_t* n, TStatDrawArray& table, bool trackGaps) {
        const TRuns r = RunsOf(RunPattern(n, false));
        for (int i = 0; i < r.Count; ++i) {
            FWork.SetW(1, static_cast<uint16_t>(r.Len[i]));
            Merge(table, trackGaps);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        const TRuns r = RunsOf(RunPattern(comb.N, false));
        for (int i = 0; i < r.Count; ++i)
            if (FindWord(selected, 1, static_cast<uint16_t>(r.Len[i]))) return true;
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TValueTable lengths = Word1Table(selected, 1, 6);
        std::array<uint8_t, 32> want{};
        for (int p = 0; p < 32; ++p) {
            const TRuns& r = RunTable()[static_cast<size_t>(p)];
            for (int i = 0; i < r.Count; ++i)
                if (lengths.Has(r.Len[i])) want[static_cast<size_t>(p)] = 1;
        }
        return zorb::MakeMatcher([want](const TComb& c) { return want[static_cast<size_t>(FastRunPattern(c.N))]; });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        return zorb::MakeCounter(
            7,
            [](const TComb& c, uint32_t* t) {
                const TRuns& r = RunTable()[static_cast<size_t>(FastRunPattern(c.N))];
                for (int i = 0; i < r.Count; ++i) ++t[r.Len[i]];
            },
            SetKeyW1);
    }
};
ZORB_STAT_CLASS(TstSequenceLen, TSequenceLen);
ZORB_STAT_INFO(TstSequenceLen, "SEQL", "Длина последовательности в тираже", 6, sfS | sfN);

int LongRuns(const TRuns& r) {
    return r.Long;
}
int LongestRun(const TRuns& r) {
    return r.Longest;
}

template <int (*ValueFn)(const TRuns&)> int DrawRunValue(const uint8_t* n) {
    return ValueFn(RunsOf(RunPattern(n, false)));
}

// One integer from the runs, seeded SeedLo..SeedHi; the draw graph also counts descending neighbours as
// consecutive.
template <int (*ValueFn)(const TRuns&), int SeedLo, int SeedHi>
class TRunGraph
    : public TOneValueStat<TSeededW1<TCustomGraphStat, SeedLo, SeedHi>, TRunGraph<ValueFn, SeedLo, SeedHi>> {
    using TBase = TOneValueStat<TSeededW1<TCustomGraphStat, SeedLo, SeedHi>, TRunGraph>;

public:
    using TBase::TBase;

    static int Value(const uint8_t* n) { return DrawRunValue<ValueFn>(n); }
    int CombValue(const TComb& comb, int, int, bool) override { return ValueFn(RunsOf(RunPattern(comb.N, true))); }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TValueTable values = Word1Table(selected, 0, 6);
        std::array<uint8_t, 32> want{};
        for (int p = 0; p < 32; ++p)
            want[static_cast<size_t>(p)] = values.Has(ValueFn(RunTable()[static_cast<size_t>(p)])) ? 1 : 0;
        return zorb::MakeMatcher([want](const TComb& c) { return want[static_cast<size_t>(FastRunPattern(c.N))]; });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        return zorb::MakeCounter(
            7, [](const TComb& c, uint32_t* t) { ++t[ValueFn(RunTable()[static_cast<size_t>(FastRunPattern(c.N))])]; },
            SetKeyW1);
    }
};

ZORB_STAT_CLASS(TstSequenceCnt, TRunGraph<LongRuns, 0, 3>);
ZORB_STAT_INFO(TstSequenceCnt, "SEQS", "Количество последовательностей в тираже", 6, sfS | sfN, {.IsGraph = true});

ZORB_STAT_CLASS(TstSequenceLenMax, TRunGraph<LongestRun, 1, 6>);
ZORB_STAT_INFO(TstSequenceLenMax, "LENS", "Макс. длина последовательности в тираже", 6, sfS | sfN, {.IsGraph = true});

// --- KDS2..KDS4: windows of L consecutive gaps ----------------------------------------------------------------

// Gap symbols for the tuple tables: gap g between two numbers of 1..52 is symbol g + 1; a gap next to a number
// outside 1..52 is no gap, so no window holding it is counted or matched.
void GapSymbols(const uint8_t* n, int s[GapCount]) {
    for (int k = 0; k < GapCount; ++k)
        s[k] = IsGameNumber(n[k]) && IsGameNumber(n[k + 1]) ? std::abs(n[k + 1] - n[k]) + 1 : 0;
}

int GapSymbolOf(uint16_t w) {
    return w <= MaxGap ? w + 1 : 0;
}

constexpr char KdsCaptionText[] = "Сочетания из %0:d разностей между числами";

template <int L> class TCombDiffSeq : public TCustomStat {
public:
    using TCustomStat::TCustomStat;

    std::string ValueText(const TStatDraw& row) const override {
        std::string s = std::to_string(row.W(1));
        for (int k = 2; k <= L; ++k) s += ":" + std::to_string(row.W(k));
        return s;
    }
    // The first window of a draw updates the occurrence gaps; the others belong to the same draw.
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        int s[GapCount];
        GapSymbols(FCurDraw.Numbers, s);
        for (int i = 0; i + L <= GapCount; ++i) {
            if (!SetWindow(s + i)) continue;
            Merge(table, i == 0);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        int s[GapCount];
        GapSymbols(comb.N, s);
        for (int i = 0; i + L <= GapCount; ++i)
            if (SetWindow(s + i) && FindKey(selected, FWork.W(1), FWork.W(2), FWork.W(3), FWork.W(4))) return true;
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return zorb::MakeMatcher([t = TTupleTable<L>(selected, GapSymbolOf)](const TComb& c) {
            int s[GapCount];
            GapSymbols(c.N, s);
            return t.AnyWindow(s, GapCount);
        });
    }

private:
    // The window's gaps as the key; false when it holds no gap.
    bool SetWindow(const int* s) {
        FWork.ClearKey();
        for (int k = 0; k < L; ++k) {
            if (!s[k]) return false;
            FWork.SetW(k + 1, static_cast<uint16_t>(s[k] - 1));
        }
        return true;
    }
};

ZORB_STAT_CLASS(TstCombDiffSeq2, TCombDiffSeq<2>);
ZORB_STAT_CLASS(TstCombDiffSeq3, TCombDiffSeq<3>);
ZORB_STAT_CLASS(TstCombDiffSeq4, TCombDiffSeq<4>);
ZORB_STAT_INFO(TstCombDiffSeq2, "KDS2", KdsCaptionText, 2, sfS, TupleFields<KdsCaptionText, 2>());
ZORB_STAT_INFO(TstCombDiffSeq3, "KDS3", KdsCaptionText, 2, sfS, TupleFields<KdsCaptionText, 3>());
ZORB_STAT_INFO(TstCombDiffSeq4, "KDS4", KdsCaptionText, 2, sfS, TupleFields<KdsCaptionText, 4>());

} // namespace

const std::vector<const TStatClass*>& DifferenceClasses() {
    static const std::vector<const TStatClass*> classes = {
        &TstDiffTotal::Info,    &TstDiffMax::Info,      &TstMinMaxDiffs::Info,  &TstDiffSame::Info,
        &TstDiffSameCnt::Info,  &TstSequenceLen::Info,  &TstSequenceCnt::Info,  &TstSequenceLenMax::Info,
        &TstCombDiffSeq2::Info, &TstCombDiffSeq3::Info, &TstCombDiffSeq4::Info,
    };
    return classes;
}

} // namespace zorb

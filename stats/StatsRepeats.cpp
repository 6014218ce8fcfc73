#include "stats/StatsRepeats.h"

#include "core/Format.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"
#include "stats/StatTemplates.h"
#include "stats/TupleTable.h"

#include <algorithm>
#include <array>
#include <bit>

namespace zorb {

int ShiftedNumber(int x, int s) {
    if (!IsGameNumber(x)) return 0;
    return ShiftNumber(x, s);
}

namespace {

// Bit n for each number 1..52 of a byte; none for the other bytes.
const std::array<uint64_t, 256>& ByteBits() {
    static const std::array<uint64_t, 256> t = [] {
        std::array<uint64_t, 256> a{};
        for (int n = MinNumber; n <= MaxNumber; ++n) a[static_cast<size_t>(n)] = uint64_t{1} << n;
        return a;
    }();
    return t;
}

// The numbers 1..52 of six, shifted by s, as a bit set.
uint64_t NumberBits(const uint8_t* n, int s = 0) {
    uint64_t m = 0;
    for (int i = 0; i < 6; ++i) m |= SymbolBit(ShiftedNumber(n[i], s));
    return m;
}

bool InBits(uint64_t bits, int x) {
    return IsGameNumber(x) && ((bits >> x) & 1);
}

// Values that are numbers: a combination matches when any of its numbers is selected (FindWord(1, c)).
class TNumberValuesStat : public TCustomValuesStat {
public:
    using TCustomValuesStat::TCustomValuesStat;

    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        for (uint8_t n : comb.N)
            if (FindWord(selected, 1, n)) return true;
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return AnyByteMatcher(FlagsOf(Word1Table(selected, 0, 255)));
    }
};

// Seeds the numbers 1..52 of a draw, shifted.
void SeedNumbers(TStatDrawArray& table, const TDrawRec& draw, int shift) {
    for (uint8_t n : draw.Numbers) {
        const int x = ShiftedNumber(n, shift);
        if (!x) continue;
        TStatDraw s{};
        s.SetW(1, static_cast<uint16_t>(x));
        AddValue(table, s, false);
    }
}

std::string ShiftText(int s) {
    return Format("%s %d", s > 0 ? "+" : "-", s > 0 ? s : -s);
}

// --- Shifted repeats: numbers of the newest draw --------------------------------------------------------------

class TCustomRepValues2Stat : public TNumberValuesStat {
public:
    TCustomRepValues2Stat(TStatList& list, int param, int shift, int distance)
        : TNumberValuesStat(list, param), FShift(shift), FDistance(distance) {}

    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        SeedNumbers(table, DrawAt(windowEnd, false), FShift);
    }
    // x of the draw d places earlier, shifted, counts when the newest draw (shifted) and this draw hold it.
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        if (index - FDistance < 0) return;
        const uint64_t both = NumberBits(FSecondDraw.Numbers, FShift) & NumberBits(FCurDraw.Numbers);
        for (uint8_t y : DrawAt(index - FDistance, sorted).Numbers) {
            const int x = ShiftedNumber(y, FShift);
            if (!InBits(both, x)) continue;
            FWork.SetW(1, static_cast<uint16_t>(x));
            Merge(table, true);
        }
    }

protected:
    const int FShift, FDistance;
};

// --- Shifted repeat counts -------------------------------------------------------------------------------------

class TCustomRepCount2Stat : public TOneValueStat<TSeededW1<TCustomNumbersStat, 1, 6>, TCustomRepCount2Stat> {
public:
    TCustomRepCount2Stat(TStatList& list, int param, int shift, int distance)
        : TOneValueStat(list, param), FShift(shift), FDistance(distance) {}

    // How many numbers of the draw FDistance before index, shifted, are among the six.
    int Value(const uint8_t* n, int index, bool sorted) const {
        return Repeats(index - FDistance, NumberBits(n), sorted);
    }
    // The earlier draw is fixed for the filter: its shifted numbers, grouped by how often each occurs, as masks.
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int windowEnd, bool sorted,
                                              bool) override {
        std::array<uint64_t, 7> byTimes{};
        const int from = windowEnd - FDistance + 1;
        if (from >= 0) {
            const TDrawRec p = DrawAt(from, sorted);
            std::array<int, TupleSymbols> times{};
            for (uint8_t y : p.Numbers) ++times[static_cast<size_t>(ShiftedNumber(y, FShift))];
            for (int x = 1; x < TupleSymbols; ++x)
                if (times[static_cast<size_t>(x)])
                    byTimes[static_cast<size_t>(times[static_cast<size_t>(x)])] |= SymbolBit(x);
        }
        const auto want = FlagsOf<7>(Word1Table(selected, 0, 6));
        return zorb::MakeMatcher([byTimes, want](const TComb& c) {
            const auto& bits = ByteBits();
            const uint64_t m = bits[c.N[0]] | bits[c.N[1]] | bits[c.N[2]] | bits[c.N[3]] | bits[c.N[4]] | bits[c.N[5]];
            int count = std::popcount(m & byTimes[1]);
            for (int t = 2; t <= 6; ++t) count += t * std::popcount(m & byTimes[static_cast<size_t>(t)]);
            return want[static_cast<size_t>(count)] != 0;
        });
    }

protected:
    // How many numbers of the draw at `from`, shifted, are in `numbers`; none before the archive starts.
    int Repeats(int from, uint64_t numbers, bool sorted) const {
        if (from < 0) return 0;
        int count = 0;
        for (uint8_t y : DrawAt(from, sorted).Numbers) count += InBits(numbers, ShiftedNumber(y, FShift)) ? 1 : 0;
        return count;
    }

    const int FShift, FDistance;
};

template <int S, int D> class TRepValues2 : public TCustomRepValues2Stat {
public:
    TRepValues2(TStatList& list, int param) : TCustomRepValues2Stat(list, param, S, D) {}
};

template <int S, int D> class TRepCount2 : public TCustomRepCount2Stat {
public:
    TRepCount2(TStatList& list, int param) : TCustomRepCount2Stat(list, param, S, D) {}
};

constexpr const char* ValuesOverCaption = "Повторяющиеся числа в 2-х тиражах через %d тираж(а)";
constexpr const char* ValuesShiftCaption = "Данные предыдущего тиража %s";
constexpr const char* CountOverCaption = "Количество повторов в 2-х тиражах через %d тираж(а)";
constexpr const char* CountShiftCaption = "Количество совпадений \"значений %s\"";

template <int D> std::string ValuesOver(int) {
    return Format(Tr(ValuesOverCaption), D - 1);
}
template <int S> std::string ValuesShift(int) {
    return Format(Tr(ValuesShiftCaption), ShiftText(S));
}
template <int D> std::string CountOver(int) {
    return Format(Tr(CountOverCaption), D - 1);
}
template <int S> std::string CountShift(int) {
    return Format(Tr(CountShiftCaption), ShiftText(S));
}

constexpr int RepGroup = 7;

// --- Three-draw repeats: A = the draw before, B = the one before that ------------------------------------------

// A number counts when it is in A and, for "in both", also in B, otherwise not in B.
template <bool InBoth> bool ThreeDrawRule(uint64_t a, uint64_t b, int x) {
    return InBits(a, x) && InBits(b, x) == InBoth;
}

template <bool InBoth> class TRepValues3 : public TNumberValuesStat {
public:
    using TNumberValuesStat::TNumberValuesStat;

    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        SeedNumbers(table, DrawAt(windowEnd, false), 0);
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        const uint64_t newest = NumberBits(FSecondDraw.Numbers);
        const uint64_t a = NumberBits(DrawAt(index - 1, sorted).Numbers),
                       b = NumberBits(DrawAt(index - 2, sorted).Numbers);
        for (uint8_t x : FCurDraw.Numbers) {
            if (!InBits(newest, x) || !ThreeDrawRule<InBoth>(a, b, x)) continue;
            FWork.SetW(1, x);
            Merge(table, true);
        }
    }
};

template <bool InBoth>
class TRepCount3 : public TOneValueStat<TSeededW1<TCustomNumbersStat, 1, 6>, TRepCount3<InBoth>> {
    using TBase = TOneValueStat<TSeededW1<TCustomNumbersStat, 1, 6>, TRepCount3>;

public:
    using TBase::TBase;

    // How many of six numbers follow the rule against the two draws before index.
    int Value(const uint8_t* n, int index, bool sorted) const {
        const uint64_t a = NumberBits(this->DrawAt(index - 1, sorted).Numbers),
                       b = NumberBits(this->DrawAt(index - 2, sorted).Numbers);
        int k = 0;
        for (int i = 0; i < 6; ++i) k += ThreeDrawRule<InBoth>(a, b, n[i]) ? 1 : 0;
        return k;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int windowEnd, bool sorted,
                                              bool) override {
        const uint64_t a = NumberBits(this->DrawAt(windowEnd, sorted).Numbers);
        const uint64_t b = NumberBits(this->DrawAt(windowEnd - 1, sorted).Numbers);
        TByteFlags counts{};
        for (int x = 0; x < 256; ++x) counts[static_cast<size_t>(x)] = ThreeDrawRule<InBoth>(a, b, x);
        const auto want = FlagsOf<7>(Word1Table(selected, 0, 6));
        return zorb::MakeMatcher([counts, want](const TComb& c) {
            return want[counts[c.N[0]] + counts[c.N[1]] + counts[c.N[2]] + counts[c.N[3]] + counts[c.N[4]] +
                        counts[c.N[5]]] != 0;
        });
    }
};

// --- Number tuples ---------------------------------------------------------------------------------------------

// Tuples of k numbers of a draw in position order; a tuple holding a number outside 1..52 is never formed.
class TCustomCombValuesStat : public TCustomStat {
public:
    using TCustomStat::TCustomStat;

    static constexpr int MaxTuples = 20;
    using TTuples = std::array<std::array<int, 4>, MaxTuples>;

    std::string ValueText(const TStatDraw& row) const override {
        std::string s = std::to_string(row.W(1));
        for (int k = 2; k <= TupleLength(); ++k) s += ":" + std::to_string(row.W(k));
        return s;
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        TTuples t;
        for (int i = 0, n = Tuples(FCurDraw.Numbers, t); i < n; ++i) {
            for (int k = 0; k < 4; ++k)
                FWork.SetW(k + 1, static_cast<uint16_t>(t[static_cast<size_t>(i)][static_cast<size_t>(k)]));
            Merge(table, true);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        TTuples t;
        for (int i = 0, n = Tuples(comb.N, t); i < n; ++i) {
            const auto& w = t[static_cast<size_t>(i)];
            if (FindKey(selected, static_cast<uint16_t>(w[0]), static_cast<uint16_t>(w[1]), static_cast<uint16_t>(w[2]),
                        static_cast<uint16_t>(w[3])))
                return true;
        }
        return false;
    }

protected:
    virtual int TupleLength() const = 0;
    // The tuples of six numbers (words beyond the length 0); returns how many.
    virtual int Tuples(const uint8_t* n, TTuples& out) const = 0;
};

enum TTupleKind { tkMix, tkSeq, tkPos, tkSort };

int NumberSymbolOf(uint16_t w) {
    return IsGameNumber(w) ? w : 0;
}

template <int K, TTupleKind Kind> class TCombVal : public TCustomCombValuesStat {
public:
    using TCustomCombValuesStat::TCustomCombValuesStat;

    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        TTupleTable<K> table(selected, NumberSymbolOf);
        if constexpr (Kind == tkMix && K == 2) {
            // Pairs: per first number the mask of second numbers, over all bytes, so a combination is six
            // lookups for its numbers' bits and five for their partners.
            std::array<uint64_t, 256> partners{};
            for (int a = MinNumber; a <= MaxNumber; ++a)
                for (int b = MinNumber; b <= MaxNumber; ++b) {
                    const int pair[2] = {a, b};
                    if (table.Has(pair)) partners[static_cast<size_t>(a)] |= uint64_t{1} << b;
                }
            return zorb::MakeMatcher([partners](const TComb& c) {
                const auto& bits = ByteBits();
                const uint8_t* n = c.N;
                const uint64_t s4 = bits[n[5]], s3 = s4 | bits[n[4]], s2 = s3 | bits[n[3]], s1 = s2 | bits[n[2]],
                               s0 = s1 | bits[n[1]];
                return ((partners[n[0]] & s0) | (partners[n[1]] & s1) | (partners[n[2]] & s2) | (partners[n[3]] & s3) |
                        (partners[n[4]] & s4)) != 0;
            });
        } else if constexpr (Kind == tkMix) {
            return zorb::MakeMatcher([t = std::move(table)](const TComb& c) {
                const auto& sym = NumberSymbols();
                const int s[6] = {sym[c.N[0]], sym[c.N[1]], sym[c.N[2]], sym[c.N[3]], sym[c.N[4]], sym[c.N[5]]};
                uint64_t suffix[6];
                TTupleTable<K>::Suffixes(s, 6, suffix);
                return t.AnyChoice(s, suffix, 6);
            });
        } else if constexpr (Kind == tkSeq) {
            return zorb::MakeMatcher([t = std::move(table)](const TComb& c) {
                const auto& sym = NumberSymbols();
                const int s[6] = {sym[c.N[0]], sym[c.N[1]], sym[c.N[2]], sym[c.N[3]], sym[c.N[4]], sym[c.N[5]]};
                return t.AnyWindow(s, 6);
            });
        } else if constexpr (Kind == tkPos) {
            const int first = FirstPlace();
            if (first < 0) return zorb::MakeMatcher([](const TComb&) { return false; });
            return zorb::MakeMatcher([t = std::move(table), first](const TComb& c) {
                const auto& sym = NumberSymbols();
                int s[K];
                for (int k = 0; k < K; ++k) s[k] = sym[c.N[first + k]];
                return t.Has(s);
            });
        } else {
            return zorb::MakeMatcher([t = std::move(table)](const TComb& c) {
                uint8_t n[6];
                std::copy_n(c.N, 6, n);
                std::sort(n, n + 6);
                const auto& sym = NumberSymbols();
                const int s[6] = {sym[n[0]], sym[n[1]], sym[n[2]], sym[n[3]], sym[n[4]], sym[n[5]]};
                return t.AnyWindow(s, 6);
            });
        }
    }

    static void Params(const TStatList&, int& lo, int& hi) {
        lo = 1;
        hi = 7 - K;
    }

protected:
    int TupleLength() const override { return K; }
    int Tuples(const uint8_t* numbers, TTuples& out) const override {
        uint8_t n[6];
        std::copy_n(numbers, 6, n);
        if (Kind == tkSort) std::sort(n, n + 6);
        int count = 0;
        auto add = [&](const int* places) {
            std::array<int, 4> t{};
            for (int k = 0; k < K; ++k) {
                if (!IsGameNumber(n[places[k]])) return;
                t[static_cast<size_t>(k)] = n[places[k]];
            }
            out[static_cast<size_t>(count++)] = t;
        };
        if (Kind == tkMix) {
            int p[4] = {0, 1, 2, 3};
            // Choices of K places out of six in lexicographic order.
            while (true) {
                add(p);
                int i = K - 1;
                while (i >= 0 && p[i] == 6 - K + i) --i;
                if (i < 0) break;
                ++p[i];
                for (int j = i + 1; j < K; ++j) p[j] = p[j - 1] + 1;
            }
        } else if (Kind == tkPos) {
            const int first = FirstPlace();
            if (first >= 0) {
                int p[4];
                for (int k = 0; k < K; ++k) p[k] = first + k;
                add(p);
            }
        } else {
            for (int i = 0; i + K <= 6; ++i) {
                int p[4];
                for (int k = 0; k < K; ++k) p[k] = i + k;
                add(p);
            }
        }
        return count;
    }

private:
    // The first place of the one tuple of a positional method; -1 for a parameter that leaves the six.
    int FirstPlace() const { return FParam >= 1 && FParam + K - 1 <= 6 ? FParam - 1 : -1; }
};

constexpr char MixCaptionText[] = "Сочетания из %0:d чисел по всем числам тиража";
constexpr char SeqCaptionText[] = "Сочетания из %0:d соседних чисел тиража";
constexpr char SortCaptionText[] = "Сочетания из %0:d чисел тиража по возрастанию";

// --- The classes -------------------------------------------------------------------------------------------------

ZORB_STAT_CLASS(TstRepValues2, TRepValues2<0, 1>);
ZORB_STAT_CLASS(TstRepValues2over1, TRepValues2<0, 2>);
ZORB_STAT_CLASS(TstRepValues2over2, TRepValues2<0, 3>);
ZORB_STAT_CLASS(TstRepValues2over3, TRepValues2<0, 4>);
ZORB_STAT_CLASS(TstRepValues2P1, TRepValues2<1, 1>);
ZORB_STAT_CLASS(TstRepValues2N1, TRepValues2<-1, 1>);
ZORB_STAT_CLASS(TstRepValues2P2, TRepValues2<2, 1>);
ZORB_STAT_CLASS(TstRepValues2N2, TRepValues2<-2, 1>);
ZORB_STAT_CLASS(TstRepCount2, TRepCount2<0, 1>);
ZORB_STAT_CLASS(TstRepCount2over1, TRepCount2<0, 2>);
ZORB_STAT_CLASS(TstRepCount2over2, TRepCount2<0, 3>);
ZORB_STAT_CLASS(TstRepCount2over3, TRepCount2<0, 4>);
ZORB_STAT_CLASS(TstRepCount2P1, TRepCount2<1, 1>);
ZORB_STAT_CLASS(TstRepCount2N1, TRepCount2<-1, 1>);
ZORB_STAT_CLASS(TstRepCount2P2, TRepCount2<2, 1>);
ZORB_STAT_CLASS(TstRepCount2N2, TRepCount2<-2, 1>);
ZORB_STAT_CLASS(TstRepValues3, TRepValues3<true>);
ZORB_STAT_CLASS(TstRepValues2B3, TRepValues3<false>);
ZORB_STAT_CLASS(TstRepCount3, TRepCount3<true>);
ZORB_STAT_CLASS(TstRepCount2B3, TRepCount3<false>);
ZORB_STAT_CLASS(TstCombValMix2, TCombVal<2, tkMix>);
ZORB_STAT_CLASS(TstCombValMix3, TCombVal<3, tkMix>);
ZORB_STAT_CLASS(TstCombValMix4, TCombVal<4, tkMix>);
ZORB_STAT_CLASS(TstCombValSeq2, TCombVal<2, tkSeq>);
ZORB_STAT_CLASS(TstCombValSeq3, TCombVal<3, tkSeq>);
ZORB_STAT_CLASS(TstCombValSeq4, TCombVal<4, tkSeq>);
ZORB_STAT_CLASS(TstCombValPos2, TCombVal<2, tkPos>);
ZORB_STAT_CLASS(TstCombValPos3, TCombVal<3, tkPos>);
ZORB_STAT_CLASS(TstCombValPos4, TCombVal<4, tkPos>);
ZORB_STAT_CLASS(TstCombValSort2, TCombVal<2, tkSort>);
ZORB_STAT_CLASS(TstCombValSort3, TCombVal<3, tkSort>);
ZORB_STAT_CLASS(TstCombValSort4, TCombVal<4, tkSort>);

constexpr TStatClass PosTuple(const char* help, void (*range)(const TStatList&, int&, int&)) {
    return {.HelpCode = help, .HasTextValues = false, .HasParam = true, .ParamRange = range};
}
// Sorted windows: not offered in this game.
template <int K> constexpr TStatClass SortTuple() {
    TStatClass c = TupleFields<SortCaptionText, K>();
    c.Available = false;
    return c;
}

ZORB_STAT_INFO(TstRepValues2, "RPV2", "Повторяющиеся числа в 2-х тиражах подряд", RepGroup, sfD);
ZORB_STAT_INFO(TstRepValues2over1, "PRV2O1", ValuesOverCaption, RepGroup, sfD, {.CaptionOfFn = ValuesOver<2>});
ZORB_STAT_INFO(TstRepValues2over2, "PRV2O2", ValuesOverCaption, RepGroup, sfD, {.CaptionOfFn = ValuesOver<3>});
ZORB_STAT_INFO(TstRepValues2over3, "PRV2O3", ValuesOverCaption, RepGroup, sfD, {.CaptionOfFn = ValuesOver<4>});
ZORB_STAT_INFO(TstRepValues2P1, "PRV+1", ValuesShiftCaption, RepGroup, sfD, {.CaptionOfFn = ValuesShift<1>});
ZORB_STAT_INFO(TstRepValues2N1, "PRV-1", ValuesShiftCaption, RepGroup, sfD, {.CaptionOfFn = ValuesShift<-1>});
ZORB_STAT_INFO(TstRepValues2P2, "PRV+2", ValuesShiftCaption, RepGroup, sfD, {.CaptionOfFn = ValuesShift<2>});
ZORB_STAT_INFO(TstRepValues2N2, "PRV-2", ValuesShiftCaption, RepGroup, sfD, {.CaptionOfFn = ValuesShift<-2>});
ZORB_STAT_INFO(TstRepCount2, "RPC2", "Количество повторов в 2-х тиражах подряд", RepGroup, sfD);
ZORB_STAT_INFO(TstRepCount2over1, "RPO1", CountOverCaption, RepGroup, sfD, {.CaptionOfFn = CountOver<2>});
ZORB_STAT_INFO(TstRepCount2over2, "PRC2O2", CountOverCaption, RepGroup, sfD, {.CaptionOfFn = CountOver<3>});
ZORB_STAT_INFO(TstRepCount2over3, "PRC2O3", CountOverCaption, RepGroup, sfD, {.CaptionOfFn = CountOver<4>});
ZORB_STAT_INFO(TstRepCount2P1, "PRC+1", CountShiftCaption, RepGroup, sfD, {.CaptionOfFn = CountShift<1>});
ZORB_STAT_INFO(TstRepCount2N1, "PRC-1", CountShiftCaption, RepGroup, sfD, {.CaptionOfFn = CountShift<-1>});
ZORB_STAT_INFO(TstRepCount2P2, "PRC+2", CountShiftCaption, RepGroup, sfD, {.CaptionOfFn = CountShift<2>});
ZORB_STAT_INFO(TstRepCount2N2, "PRC-2", CountShiftCaption, RepGroup, sfD, {.CaptionOfFn = CountShift<-2>});
ZORB_STAT_INFO(TstRepValues3, "RPV3", "Повторяющиеся числа в 3-х тиражах подряд", RepGroup, sfD);
ZORB_STAT_INFO(TstRepValues2B3, "PRL2", "Повторяющиеся числа не более чем в 2-х тиражах", RepGroup, sfD);
ZORB_STAT_INFO(TstRepCount3, "RPC3", "Количество повторов в 3-х тиражах подряд", RepGroup, sfD);
ZORB_STAT_INFO(TstRepCount2B3, "PRB2", "Количество повторов не более чем в 2-х тиражах", RepGroup, sfD);
ZORB_STAT_INFO(TstCombValMix2, "KNM2", MixCaptionText, 0, sfS, TupleFields<MixCaptionText, 2>());
ZORB_STAT_INFO(TstCombValMix3, "KNM3", MixCaptionText, 0, sfS, TupleFields<MixCaptionText, 3>());
ZORB_STAT_INFO(TstCombValMix4, "KNM4", MixCaptionText, 0, sfS, TupleFields<MixCaptionText, 4>());
ZORB_STAT_INFO(TstCombValSeq2, "KNS2", SeqCaptionText, 0, sfS, TupleFields<SeqCaptionText, 2>());
ZORB_STAT_INFO(TstCombValSeq3, "KNS3", SeqCaptionText, 0, sfS, TupleFields<SeqCaptionText, 3>());
ZORB_STAT_INFO(TstCombValSeq4, "KNS4", SeqCaptionText, 0, sfS, TupleFields<SeqCaptionText, 4>());
ZORB_STAT_INFO(TstCombValPos2, "KNP2%d", "Сочетания из 2-х чисел тиража начиная с %0:d позиции", 0, sfS,
               PosTuple("KNP2", TCombVal<2, tkPos>::Params));
ZORB_STAT_INFO(TstCombValPos3, "KNP3%d", "Сочетания из 3-х чисел тиража начиная с %0:d позиции", 0, sfS,
               PosTuple("KNP3", TCombVal<3, tkPos>::Params));
ZORB_STAT_INFO(TstCombValPos4, "KNP4%d", "Сочетания из 4-х чисел тиража начиная с %0:d позиции", 0, sfS,
               PosTuple("KNP4", TCombVal<4, tkPos>::Params));
ZORB_STAT_INFO(TstCombValSort2, "KNO2", SortCaptionText, 0, 0, SortTuple<2>());
ZORB_STAT_INFO(TstCombValSort3, "KNO3", SortCaptionText, 0, 0, SortTuple<3>());
ZORB_STAT_INFO(TstCombValSort4, "KNO4", SortCaptionText, 0, 0, SortTuple<4>());

} // namespace

const std::vector<const TStatClass*>& RepeatClasses() {
    static const std::vector<const TStatClass*> classes = {
        &TstRepValues2::Info,      &TstRepValues3::Info,      &TstRepValues2B3::Info,   &TstRepValues2over1::Info,
        &TstRepValues2over2::Info, &TstRepValues2over3::Info, &TstRepValues2P1::Info,   &TstRepValues2N1::Info,
        &TstRepValues2P2::Info,    &TstRepValues2N2::Info,    &TstRepCount2::Info,      &TstRepCount3::Info,
        &TstRepCount2B3::Info,     &TstRepCount2over1::Info,  &TstRepCount2over2::Info, &TstRepCount2over3::Info,
        &TstRepCount2P1::Info,     &TstRepCount2N1::Info,     &TstRepCount2P2::Info,    &TstRepCount2N2::Info,
        &TstCombValMix2::Info,     &TstCombValMix3::Info,     &TstCombValMix4::Info,    &TstCombValSeq2::Info,
        &TstCombValSeq3::Info,     &TstCombValSeq4::Info,     &TstCombValPos2::Info,    &TstCombValPos3::Info,
        &TstCombValPos4::Info,     &TstCombValSort2::Info,    &TstCombValSort3::Info,   &TstCombValSort4::Info,
    };
    return classes;
}

} // namespace zorb

#include "stats/StatsRepeats.h"

#include "core/Format.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"
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

using TByteFlags = std::array<uint8_t, 256>;

TByteFlags ToByteFlags(const TValueTable& t) {
    TByteFlags f{};
    for (int v = 0; v < 256; ++v) f[static_cast<size_t>(v)] = t.Has(v) ? 1 : 0;
    return f;
}

// Values that are numbers of the combination: any of c1..c6 selected (FindWord(1, c)).
bool AnyNumberSelected(const TComb& comb, const TStatDrawArray& selected) {
    for (uint8_t n : comb.N)
        if (FindWord(selected, 1, n)) return true;
    return false;
}

std::unique_ptr<TCombMatcher> AnyNumberMatcher(const TStatDrawArray& selected) {
    const TByteFlags f = ToByteFlags(Word1Table(selected, 0, 255));
    return zorb::MakeMatcher(
        [f](const TComb& c) { return (f[c.N[0]] | f[c.N[1]] | f[c.N[2]] | f[c.N[3]] | f[c.N[4]] | f[c.N[5]]) != 0; });
}

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

class TCustomRepValues2Stat : public TCustomValuesStat {
public:
    TCustomRepValues2Stat(TStatList& list, int param, int shift, int distance)
        : TCustomValuesStat(list, param), FShift(shift), FDistance(distance) {}

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
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        return AnyNumberSelected(comb, selected);
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return AnyNumberMatcher(selected);
    }

protected:
    const int FShift, FDistance;
};

// --- Shifted repeat counts -------------------------------------------------------------------------------------

class TCustomRepCount2Stat : public TCustomNumbersStat {
public:
    TCustomRepCount2Stat(TStatList& list, int param, int shift, int distance)
        : TCustomNumbersStat(list, param), FShift(shift), FDistance(distance) {}

    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        for (int k = 1; k <= 6; ++k) SeedW1(table, static_cast<uint16_t>(k));
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        FWork.SetW(1, static_cast<uint16_t>(Repeats(index - FDistance, NumberBits(FCurDraw.Numbers), sorted)));
        Merge(table, true);
    }
    // The combination stands in for the draw after the window.
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int windowEnd, bool sorted, bool) override {
        return FindWord(selected, 1,
                        static_cast<uint16_t>(Repeats(windowEnd - FDistance + 1, NumberBits(comb.N), sorted)));
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
        const TValueTable counts = Word1Table(selected, 0, 6);
        std::array<uint8_t, 7> want{};
        for (int k = 0; k <= 6; ++k) want[static_cast<size_t>(k)] = counts.Has(k) ? 1 : 0;
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

template <int S, int D> class TstRepValues2Of : public TCustomRepValues2Stat {
public:
    static constexpr int Shift = S, Distance = D;
    TstRepValues2Of(TStatList& list, int param) : TCustomRepValues2Stat(list, param, S, D) {}
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
};
using TstRepValues2 = TstRepValues2Of<0, 1>;
using TstRepValues2over1 = TstRepValues2Of<0, 2>;
using TstRepValues2over2 = TstRepValues2Of<0, 3>;
using TstRepValues2over3 = TstRepValues2Of<0, 4>;
using TstRepValues2P1 = TstRepValues2Of<1, 1>;
using TstRepValues2N1 = TstRepValues2Of<-1, 1>;
using TstRepValues2P2 = TstRepValues2Of<2, 1>;
using TstRepValues2N2 = TstRepValues2Of<-2, 1>;

template <int S, int D> class TstRepCount2Of : public TCustomRepCount2Stat {
public:
    static constexpr int Shift = S, Distance = D;
    TstRepCount2Of(TStatList& list, int param) : TCustomRepCount2Stat(list, param, S, D) {}
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
};
using TstRepCount2 = TstRepCount2Of<0, 1>;
using TstRepCount2over1 = TstRepCount2Of<0, 2>;
using TstRepCount2over2 = TstRepCount2Of<0, 3>;
using TstRepCount2over3 = TstRepCount2Of<0, 4>;
using TstRepCount2P1 = TstRepCount2Of<1, 1>;
using TstRepCount2N1 = TstRepCount2Of<-1, 1>;
using TstRepCount2P2 = TstRepCount2Of<2, 1>;
using TstRepCount2N2 = TstRepCount2Of<-2, 1>;

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

template <class T>
constexpr TStatClass RepClass(const char* className, const char* code, const char* caption,
                              std::string (*captionOf)(int)) {
    return {.ClassName = className,
            .Code = code,
            .Caption = caption,
            .HelpCode = nullptr,
            .Group = RepGroup,
            .Flags = sfD,
            .CaptionOfFn = captionOf,
            .Create = CreateStatOf<T>};
}

template <>
const TStatClass TstRepValues2::Info = RepClass<TstRepValues2>("TstRepValues2", "RPV2",
                                                               "Повторяющиеся числа в 2-х тиражах подряд", nullptr);
template <>
const TStatClass TstRepValues2over1::Info = RepClass<TstRepValues2over1>("TstRepValues2over1", "PRV2O1",
                                                                         ValuesOverCaption, ValuesOver<2>);
template <>
const TStatClass TstRepValues2over2::Info = RepClass<TstRepValues2over2>("TstRepValues2over2", "PRV2O2",
                                                                         ValuesOverCaption, ValuesOver<3>);
template <>
const TStatClass TstRepValues2over3::Info = RepClass<TstRepValues2over3>("TstRepValues2over3", "PRV2O3",
                                                                         ValuesOverCaption, ValuesOver<4>);
template <>
const TStatClass TstRepValues2P1::Info = RepClass<TstRepValues2P1>("TstRepValues2P1", "PRV+1", ValuesShiftCaption,
                                                                   ValuesShift<1>);
template <>
const TStatClass TstRepValues2N1::Info = RepClass<TstRepValues2N1>("TstRepValues2N1", "PRV-1", ValuesShiftCaption,
                                                                   ValuesShift<-1>);
template <>
const TStatClass TstRepValues2P2::Info = RepClass<TstRepValues2P2>("TstRepValues2P2", "PRV+2", ValuesShiftCaption,
                                                                   ValuesShift<2>);
template <>
const TStatClass TstRepValues2N2::Info = RepClass<TstRepValues2N2>("TstRepValues2N2", "PRV-2", ValuesShiftCaption,
                                                                   ValuesShift<-2>);

template <>
const TStatClass TstRepCount2::Info = RepClass<TstRepCount2>("TstRepCount2", "RPC2",
                                                             "Количество повторов в 2-х тиражах подряд", nullptr);
template <>
const TStatClass TstRepCount2over1::Info = RepClass<TstRepCount2over1>("TstRepCount2over1", "RPO1", CountOverCaption,
                                                                       CountOver<2>);
template <>
const TStatClass TstRepCount2over2::Info = RepClass<TstRepCount2over2>("TstRepCount2over2", "PRC2O2", CountOverCaption,
                                                                       CountOver<3>);
template <>
const TStatClass TstRepCount2over3::Info = RepClass<TstRepCount2over3>("TstRepCount2over3", "PRC2O3", CountOverCaption,
                                                                       CountOver<4>);
template <>
const TStatClass TstRepCount2P1::Info = RepClass<TstRepCount2P1>("TstRepCount2P1", "PRC+1", CountShiftCaption,
                                                                 CountShift<1>);
template <>
const TStatClass TstRepCount2N1::Info = RepClass<TstRepCount2N1>("TstRepCount2N1", "PRC-1", CountShiftCaption,
                                                                 CountShift<-1>);
template <>
const TStatClass TstRepCount2P2::Info = RepClass<TstRepCount2P2>("TstRepCount2P2", "PRC+2", CountShiftCaption,
                                                                 CountShift<2>);
template <>
const TStatClass TstRepCount2N2::Info = RepClass<TstRepCount2N2>("TstRepCount2N2", "PRC-2", CountShiftCaption,
                                                                 CountShift<-2>);

// --- Three-draw repeats: A = the draw before, B = the one before that ------------------------------------------

// A number counts when it is in A and, for "in both", also in B, otherwise not in B.
template <bool InBoth> bool ThreeDrawRule(uint64_t a, uint64_t b, int x) {
    return InBits(a, x) && InBits(b, x) == InBoth;
}

template <bool InBoth> class TstRepValues3Of : public TCustomValuesStat {
public:
    using TCustomValuesStat::TCustomValuesStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

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
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        return AnyNumberSelected(comb, selected);
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return AnyNumberMatcher(selected);
    }
};
using TstRepValues3 = TstRepValues3Of<true>;
using TstRepValues2B3 = TstRepValues3Of<false>;

template <bool InBoth> class TstRepCount3Of : public TCustomNumbersStat {
public:
    using TCustomNumbersStat::TCustomNumbersStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        for (int k = 1; k <= 6; ++k) SeedW1(table, static_cast<uint16_t>(k));
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        FWork.SetW(1, static_cast<uint16_t>(Count(FCurDraw.Numbers, index, sorted)));
        Merge(table, true);
    }
    // The combination stands in for the draw after the window.
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int windowEnd, bool sorted, bool) override {
        return FindWord(selected, 1, static_cast<uint16_t>(Count(comb.N, windowEnd + 1, sorted)));
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int windowEnd, bool sorted,
                                              bool) override {
        const uint64_t a = NumberBits(DrawAt(windowEnd, sorted).Numbers);
        const uint64_t b = NumberBits(DrawAt(windowEnd - 1, sorted).Numbers);
        TByteFlags counts{};
        for (int x = 0; x < 256; ++x) counts[static_cast<size_t>(x)] = ThreeDrawRule<InBoth>(a, b, x);
        const TValueTable values = Word1Table(selected, 0, 6);
        std::array<uint8_t, 7> want{};
        for (int k = 0; k <= 6; ++k) want[static_cast<size_t>(k)] = values.Has(k) ? 1 : 0;
        return zorb::MakeMatcher([counts, want](const TComb& c) {
            return want[counts[c.N[0]] + counts[c.N[1]] + counts[c.N[2]] + counts[c.N[3]] + counts[c.N[4]] +
                        counts[c.N[5]]] != 0;
        });
    }

private:
    // How many of six numbers follow the rule against the two draws before `index`.
    int Count(const uint8_t* n, int index, bool sorted) const {
        const uint64_t a = NumberBits(DrawAt(index - 1, sorted).Numbers),
                       b = NumberBits(DrawAt(index - 2, sorted).Numbers);
        int k = 0;
        for (int i = 0; i < 6; ++i) k += ThreeDrawRule<InBoth>(a, b, n[i]) ? 1 : 0;
        return k;
    }
};
using TstRepCount3 = TstRepCount3Of<true>;
using TstRepCount2B3 = TstRepCount3Of<false>;

template <>
const TStatClass TstRepValues3::Info = {.ClassName = "TstRepValues3",
                                        .Code = "RPV3",
                                        .Caption = "Повторяющиеся числа в 3-х тиражах подряд",
                                        .HelpCode = nullptr,
                                        .Group = RepGroup,
                                        .Flags = sfD,
                                        .Create = CreateStatOf<TstRepValues3>};
template <>
const TStatClass TstRepValues2B3::Info = {.ClassName = "TstRepValues2B3",
                                          .Code = "PRL2",
                                          .Caption = "Повторяющиеся числа не более чем в 2-х тиражах",
                                          .HelpCode = nullptr,
                                          .Group = RepGroup,
                                          .Flags = sfD,
                                          .Create = CreateStatOf<TstRepValues2B3>};
template <>
const TStatClass TstRepCount3::Info = {.ClassName = "TstRepCount3",
                                       .Code = "RPC3",
                                       .Caption = "Количество повторов в 3-х тиражах подряд",
                                       .HelpCode = nullptr,
                                       .Group = RepGroup,
                                       .Flags = sfD,
                                       .Create = CreateStatOf<TstRepCount3>};
template <>
const TStatClass TstRepCount2B3::Info = {.ClassName = "TstRepCount2B3",
                                         .Code = "PRB2",
                                         .Caption = "Количество повторов не более чем в 2-х тиражах",
                                         .HelpCode = nullptr,
                                         .Group = RepGroup,
                                         .Flags = sfD,
                                         .Create = CreateStatOf<TstRepCount2B3>};

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

template <int K, TTupleKind Kind> class TstCombValOf : public TCustomCombValuesStat {
public:
    using TCustomCombValuesStat::TCustomCombValuesStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

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

template <int K> std::string MixCaption(int) {
    return Format(Tr("Сочетания из %0:d чисел по всем числам тиража"), K);
}
template <int K> std::string SeqCaption(int) {
    return Format(Tr("Сочетания из %0:d соседних чисел тиража"), K);
}
template <int K> std::string SortCaption(int) {
    return Format(Tr("Сочетания из %0:d чисел тиража по возрастанию"), K);
}

using TstCombValMix2 = TstCombValOf<2, tkMix>;
using TstCombValMix3 = TstCombValOf<3, tkMix>;
using TstCombValMix4 = TstCombValOf<4, tkMix>;
using TstCombValSeq2 = TstCombValOf<2, tkSeq>;
using TstCombValSeq3 = TstCombValOf<3, tkSeq>;
using TstCombValSeq4 = TstCombValOf<4, tkSeq>;
using TstCombValPos2 = TstCombValOf<2, tkPos>;
using TstCombValPos3 = TstCombValOf<3, tkPos>;
using TstCombValPos4 = TstCombValOf<4, tkPos>;
using TstCombValSort2 = TstCombValOf<2, tkSort>;
using TstCombValSort3 = TstCombValOf<3, tkSort>;
using TstCombValSort4 = TstCombValOf<4, tkSort>;

template <class T>
constexpr TStatClass TupleClass(const char* className, const char* code, const char* caption,
                                std::string (*captionOf)(int)) {
    return {.ClassName = className,
            .Code = code,
            .Caption = caption,
            .HelpCode = nullptr,
            .Group = 0,
            .Flags = sfS,
            .HasTextValues = false,
            .CaptionOfFn = captionOf,
            .Create = CreateStatOf<T>};
}

template <class T>
constexpr TStatClass PosClass(const char* className, const char* code, const char* caption, const char* help) {
    return {.ClassName = className,
            .Code = code,
            .Caption = caption,
            .HelpCode = help,
            .Group = 0,
            .Flags = sfS,
            .HasTextValues = false,
            .HasParam = true,
            .ParamRange = T::Params,
            .Create = CreateStatOf<T>};
}

// Sorted windows: not offered in this game.
template <class T>
constexpr TStatClass SortClass(const char* className, const char* code, std::string (*captionOf)(int)) {
    return {.ClassName = className,
            .Code = code,
            .Caption = "Сочетания из %0:d чисел тиража по возрастанию",
            .HelpCode = nullptr,
            .Group = 0,
            .Flags = 0,
            .Available = false,
            .HasTextValues = false,
            .CaptionOfFn = captionOf,
            .Create = CreateStatOf<T>};
}

constexpr const char* MixCaptionText = "Сочетания из %0:d чисел по всем числам тиража";
constexpr const char* SeqCaptionText = "Сочетания из %0:d соседних чисел тиража";

template <>
const TStatClass TstCombValMix2::Info = TupleClass<TstCombValMix2>("TstCombValMix2", "KNM2", MixCaptionText,
                                                                   MixCaption<2>);
template <>
const TStatClass TstCombValMix3::Info = TupleClass<TstCombValMix3>("TstCombValMix3", "KNM3", MixCaptionText,
                                                                   MixCaption<3>);
template <>
const TStatClass TstCombValMix4::Info = TupleClass<TstCombValMix4>("TstCombValMix4", "KNM4", MixCaptionText,
                                                                   MixCaption<4>);
template <>
const TStatClass TstCombValSeq2::Info = TupleClass<TstCombValSeq2>("TstCombValSeq2", "KNS2", SeqCaptionText,
                                                                   SeqCaption<2>);
template <>
const TStatClass TstCombValSeq3::Info = TupleClass<TstCombValSeq3>("TstCombValSeq3", "KNS3", SeqCaptionText,
                                                                   SeqCaption<3>);
template <>
const TStatClass TstCombValSeq4::Info = TupleClass<TstCombValSeq4>("TstCombValSeq4", "KNS4", SeqCaptionText,
                                                                   SeqCaption<4>);
template <>
const TStatClass TstCombValPos2::Info = PosClass<TstCombValPos2>("TstCombValPos2", "KNP2%d",
                                                                 "Сочетания из 2-х чисел тиража начиная с %0:d позиции",
                                                                 "KNP2");
template <>
const TStatClass TstCombValPos3::Info = PosClass<TstCombValPos3>("TstCombValPos3", "KNP3%d",
                                                                 "Сочетания из 3-х чисел тиража начиная с %0:d позиции",
                                                                 "KNP3");
template <>
const TStatClass TstCombValPos4::Info = PosClass<TstCombValPos4>("TstCombValPos4", "KNP4%d",
                                                                 "Сочетания из 4-х чисел тиража начиная с %0:d позиции",
                                                                 "KNP4");
template <>
const TStatClass TstCombValSort2::Info = SortClass<TstCombValSort2>("TstCombValSort2", "KNO2", SortCaption<2>);
template <>
const TStatClass TstCombValSort3::Info = SortClass<TstCombValSort3>("TstCombValSort3", "KNO3", SortCaption<3>);
template <>
const TStatClass TstCombValSort4::Info = SortClass<TstCombValSort4>("TstCombValSort4", "KNO4", SortCaption<4>);

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

#include "stats/StatsNumbers.h"

#include "core/Format.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"
#include "stats/StatList.h"
#include "stats/StatTemplates.h"

#include <bit>

namespace zorb {

bool IsSmallNumber(int n) {
    return n >= 1 && n <= 26;
}

bool IsPrimeNumber(int n) {
    switch (n) {
    case 1:
    case 2:
    case 3:
    case 5:
    case 7:
    case 11:
    case 13:
    case 17:
    case 19:
    case 23:
    case 29:
    case 31:
    case 37:
    case 41:
    case 43:
    case 47: return true;
    default: return false;
    }
}

namespace {

int SumOf(const uint8_t* n) {
    return n[0] + n[1] + n[2] + n[3] + n[4] + n[5];
}

int EvenSum(const uint8_t* n) {
    int s = 0;
    for (int i = 0; i < 6; ++i)
        if (n[i] % 2 == 0) s += n[i];
    return s;
}

int PrimeSum(const uint8_t* n) {
    int s = 0;
    for (int i = 0; i < 6; ++i)
        if (IsPrimeNumber(n[i])) s += n[i];
    return s;
}

int SumToThirdCount(const uint8_t* n) {
    int count = 0;
    for (int j = 0; j < 6; ++j)
        for (int k = j + 1; k < 6; ++k)
            for (int i = 0; i < 6; ++i)
                if (i != j && i != k && n[j] + n[k] == n[i]) ++count;
    return count;
}

// The same count for the full set's kind of combination, six distinct numbers 1..52: a sum of two of them is
// larger than either, so it is the third number exactly when its bit is in the set's mask. Anything else (odd
// lists) takes the general count.
int SumToThirdCountFast(const uint8_t* n) {
    uint64_t mask = 0;
    bool plain = true;
    for (int i = 0; i < 6; ++i) {
        plain = plain && n[i] >= MinNumber && n[i] <= MaxNumber;
        mask |= 1ull << (n[i] & 63);
    }
    if (!plain || std::popcount(mask) != 6) return SumToThirdCount(n);
    int count = 0;
    for (int j = 0; j < 6; ++j)
        for (int k = j + 1; k < 6; ++k) {
            const unsigned sum = n[j] + n[k];
            count += sum < 64 ? static_cast<int>(mask >> sum & 1) : 0;
        }
    return count;
}

int Sign(int v) {
    return v > 0 ? 1 : v < 0 ? -1 : 0;
}

// --- NUMS ------------------------------------------------------------------------------------------------------

class TValues : public TMergedValuesStat<TSeededW1<TCustomValuesStat, MinNumber, MaxNumber>, TValues> {
public:
    using TMergedValuesStat::TMergedValuesStat;

    void MergeValues(const uint8_t* numbers, TStatDrawArray& table, bool trackGaps) {
        for (int i = 0; i < 6; ++i) {
            FWork.SetW(1, numbers[i]);
            Merge(table, trackGaps);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        for (uint8_t n : comb.N)
            if (FindKey(selected, n, 0, 0, 0)) return true;
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return AnyByteMatcher(FlagsOf(KeyTable(selected, 0, 255)));
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        return zorb::MakeCounter(
            256,
            [](const TComb& c, uint32_t* t) {
                for (uint8_t n : c.N) ++t[n];
            },
            SetKeyW1);
    }
};

// --- DIGS ------------------------------------------------------------------------------------------------------

// The decimal digits of a number, most significant first, without leading zeros.
int DigitsOf(int n, uint8_t digits[3]) {
    std::string s = std::to_string(n);
    for (size_t i = 0; i < s.size(); ++i) digits[i] = static_cast<uint8_t>(s[i] - '0');
    return static_cast<int>(s.size());
}

class TDigits : public TMergedValuesStat<TCustomNumbersStat, TDigits> {
public:
    using TMergedValuesStat::TMergedValuesStat;

    void MergeValues(const uint8_t* numbers, TStatDrawArray& table, bool trackGaps) {
        uint8_t d[3];
        for (int j = 0; j < 6; ++j)
            for (int i = 0, k = DigitsOf(numbers[j], d); i < k; ++i) {
                FWork.SetW(1, d[i]);
                Merge(table, trackGaps);
            }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        uint8_t d[3];
        for (uint8_t n : comb.N)
            for (int i = 0, k = DigitsOf(n, d); i < k; ++i)
                if (FindKey(selected, d[i], 0, 0, 0)) return true;
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TValueTable digits = KeyTable(selected, 0, 9);
        TByteFlags f{};
        for (int n = 0; n < 256; ++n) {
            uint8_t d[3];
            for (int i = 0, k = DigitsOf(n, d); i < k; ++i)
                if (digits.Has(d[i])) f[static_cast<size_t>(n)] = 1;
        }
        return AnyByteMatcher(f);
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        struct TNumberDigits {
            uint8_t Count;
            uint8_t D[3];
        };
        std::array<TNumberDigits, 256> digits{};
        for (int n = 0; n < 256; ++n)
            digits[static_cast<size_t>(n)].Count = static_cast<uint8_t>(DigitsOf(n, digits[static_cast<size_t>(n)].D));
        return zorb::MakeCounter(
            10,
            [digits](const TComb& c, uint32_t* t) {
                for (uint8_t n : c.N)
                    for (int i = 0; i < digits[n].Count; ++i) ++t[digits[n].D[i]];
            },
            SetKeyW1);
    }
};

// --- EVEN, SMAL, PRIM: how many of the six numbers have a property ----------------------------------------------

template <bool (*Has)(int)> int CountWith(const uint8_t* n) {
    int k = 0;
    for (int i = 0; i < 6; ++i) k += Has(n[i]) ? 1 : 0;
    return k;
}

template <bool (*Has)(int)> TByteFlags FlagsWhere() {
    TByteFlags f{};
    for (int n = 0; n < 256; ++n) f[static_cast<size_t>(n)] = Has(n) ? 1 : 0;
    return f;
}

bool IsEven(int n) {
    return n % 2 == 0;
}

template <bool (*Has)(int)>
class TPropertyCount : public TOneValueStat<TSeededW1<TCustomRatioStat, 1, 6>, TPropertyCount<Has>> {
    using TBase = TOneValueStat<TSeededW1<TCustomRatioStat, 1, 6>, TPropertyCount>;

public:
    using TBase::TBase;

    static int Value(const uint8_t* n) { return CountWith<Has>(n); }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const auto want = FlagsOf<7>(Word1Table(selected, 0, 6));
        const TByteFlags has = FlagsWhere<Has>();
        return zorb::MakeMatcher(
            [want, has](const TComb& c) {
                return want[has[c.N[0]] + has[c.N[1]] + has[c.N[2]] + has[c.N[3]] + has[c.N[4]] + has[c.N[5]]] != 0;
            },
            CountForm(has, want));
    }
    int CombValue(const TComb& comb, int, int, bool) override { return CountWith<Has>(comb.N); }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        const TByteFlags has = FlagsWhere<Has>();
        return zorb::MakeCounter(
            7,
            [has](const TComb& c, uint32_t* t) {
                ++t[has[c.N[0]] + has[c.N[1]] + has[c.N[2]] + has[c.N[3]] + has[c.N[4]] + has[c.N[5]]];
            },
            SetKeyW1);
    }
};

// --- EVNV, SMLV, PRMV: six-bit patterns, first number in bit 5 -----------------------------------------------

template <bool (*Bit)(int)> int PatternOf(const uint8_t* n) {
    int p = 0;
    for (int i = 0; i < 6; ++i) p = p * 2 + (Bit(n[i]) ? 1 : 0);
    return p;
}

bool IsOdd(int n) {
    return n % 2 != 0;
}
bool IsLarge(int n) {
    return n > 26;
}

// The marks of a clear and of a set bit.
std::string EvenMarks(bool set) {
    return set ? Tr("н") : Tr("Ч");
}
std::string HalfMarks(bool set) {
    return set ? "2" : "1";
}
std::string PrimeMarks(bool set) {
    return set ? Tr("П") : Tr("С");
}

// One table per position holding that position's bit already shifted, so a pattern is six loads and ORs.
template <bool (*Bit)(int)> std::array<TByteFlags, 6> PositionBits() {
    std::array<TByteFlags, 6> bit{};
    for (int k = 0; k < 6; ++k)
        for (int n = 0; n < 256; ++n)
            bit[static_cast<size_t>(k)][static_cast<size_t>(n)] = static_cast<uint8_t>(Bit(n) ? 1 << (5 - k) : 0);
    return bit;
}

template <bool (*Bit)(int), bool Seeded, std::string (*Marks)(bool)>
class TPropertyPattern : public TOneValueStat<TCustomMaskStat, TPropertyPattern<Bit, Seeded, Marks>, TValueKey::I1> {
    using TBase = TOneValueStat<TCustomMaskStat, TPropertyPattern, TValueKey::I1>;

public:
    using TBase::TBase;

    static int Value(const uint8_t* n) { return PatternOf<Bit>(n); }
    std::string ZeroMark() const override { return Marks(false); }
    std::string OneMark() const override { return Marks(true); }
    void InitValues(int windowEnd, TStatDrawArray& table) override {
        if (Seeded)
            TCustomMaskStat::InitValues(windowEnd, table);
        else
            TCustomStat::InitValues(windowEnd, table);
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const auto want = FlagsOf<64>(IntTable(selected, 1, 0, 63));
        const auto bit = PositionBits<Bit>();
        return zorb::MakeMatcher([want, bit](const TComb& c) {
            const unsigned p =
                bit[0][c.N[0]] | bit[1][c.N[1]] | bit[2][c.N[2]] | bit[3][c.N[3]] | bit[4][c.N[4]] | bit[5][c.N[5]];
            return want[p] != 0;
        });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        const auto bit = PositionBits<Bit>();
        return zorb::MakeCounter(
            64,
            [bit](const TComb& c, uint32_t* t) {
                ++t[bit[0][c.N[0]] | bit[1][c.N[1]] | bit[2][c.N[2]] | bit[3][c.N[3]] | bit[4][c.N[4]] |
                    bit[5][c.N[5]]];
            },
            SetKeyI1);
    }
};

// --- SUMS, SUME, SUMP: a sum as I1 ---------------------------------------------------------------------------

template <int (*SumFn)(const uint8_t*), bool Seeded>
class TSumKind : public TOneValueStat<TCustomGraphStat, TSumKind<SumFn, Seeded>, TValueKey::Sum> {
    using TBase = TOneValueStat<TCustomGraphStat, TSumKind, TValueKey::Sum>;

public:
    using TBase::TBase;

    static int Value(const uint8_t* n) { return SumFn(n); }
    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        if (Seeded)
            for (int s = MinDrawSum; s <= MaxDrawSum; ++s) this->SeedI1(table, s);
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TValueTable t = PairTable(selected, 0, MaxCombSum);
        // Each of these sums adds a value per number and nothing for 0.
        TSumKeyForm form;
        for (int x = 0; x < 256; ++x) {
            const uint8_t one[6] = {static_cast<uint8_t>(x), 0, 0, 0, 0, 0};
            form.Weight[static_cast<size_t>(x)] = static_cast<uint16_t>(SumFn(one));
        }
        const auto accept = FlagsOf<MaxCombSum + 1>(t);
        form.Accept.assign(accept.begin(), accept.end());
        return zorb::MakeMatcher([t](const TComb& c) { return t.Has(SumFn(c.N)); }, std::move(form));
    }
    int CombValue(const TComb& comb, int, int, bool) override { return SumFn(comb.N); }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        return zorb::MakeCounter(
            MaxCombSum + 1, [](const TComb& c, uint32_t* t) { ++t[SumFn(c.N)]; }, SetKeyI1);
    }
};

// --- SUM%d: inside or outside a fixed sum range ----------------------------------------------------------------

struct TSumRange {
    int Lo, Hi, A, B, C;
};
const TSumRange SumRanges[3] = {{106, 212, 1, 1, 3}, {117, 201, 2, 1, 2}, {127, 191, 3, 2, 3}};

const TSumRange& RangeOf(int param) {
    return SumRanges[param >= 1 && param <= 3 ? param - 1 : 0];
}

class TSumRanges : public TOneValueStat<TSeededW1<TCustomGraphStat, 0, 1>, TSumRanges> {
public:
    using TOneValueStat::TOneValueStat;

    int Value(const uint8_t* n) const {
        int s = SumOf(n);
        return s >= RangeOf(FParam).Lo && s <= RangeOf(FParam).Hi ? 1 : 0;
    }
    std::string ValueText(const TStatDraw& row) const override {
        if (row.W(1) == 1) return Format("%d-%d", RangeOf(FParam).Lo, RangeOf(FParam).Hi);
        return Tr("Остальные");
    }
    // The range row, when selected, wins over the "others" row.
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        return FindWord(selected, 1, 1) ? Value(comb.N) == 1 : Value(comb.N) == 0;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const bool inside = FindWord(selected, 1, 1);
        const int lo = RangeOf(FParam).Lo, hi = RangeOf(FParam).Hi;
        return zorb::MakeMatcher([inside, lo, hi](const TComb& c) {
            const int sum = CombSum(c);
            return (sum >= lo && sum <= hi) == inside;
        });
    }
    int CombValue(const TComb& comb, int, int, bool) override { return Value(comb.N); }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        const int lo = RangeOf(FParam).Lo, hi = RangeOf(FParam).Hi;
        return zorb::MakeCounter(
            2,
            [lo, hi](const TComb& c, uint32_t* t) {
                const int sum = CombSum(c);
                ++t[sum >= lo && sum <= hi ? 1 : 0];
            },
            SetKeyW1);
    }

    static void Params(const TStatList&, int& lo, int& hi) {
        lo = 1;
        hi = 3;
    }
    static std::string CaptionOf(int param) {
        const TSumRange& r = RangeOf(param);
        return Format(Tr("Сумма тиража: диапазон %d (%d/%d)"), r.A, r.B, r.C);
    }
};

// --- SUMC, SUMV, SUMT: how the sum moves from one draw to the next -------------------------------------------

class TSumChange : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;

    std::string ValueText(const TStatDraw& row) const override {
        const int a = row.I(1), b = row.I(2);
        if (b < a) return Format("- %0:.2d : %1:d - %0:d = %2:d", a - b, a, b);
        return Format("+%0:.2d : %1:d + %0:d = %2:d", b - a, a, b);
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        const int cur = SumOf(FCurDraw.Numbers), prev = SumOf(DrawAt(index - 1, sorted).Numbers);
        if (prev != SumOf(FSecondDraw.Numbers)) return;
        FWork.SetI(1, prev);
        FWork.SetI(2, cur);
        Merge(table, true);
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        return FindInt(selected, 2, SumOf(comb.N));
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return zorb::MakeMatcher(
            [t = IntTable(selected, 2, 0, MaxCombSum)](const TComb& c) { return t.Has(CombSum(c)); });
    }
    int CombValue(const TComb& comb, int index, int, bool sorted) override {
        return SumOf(comb.N) - SumOf(DrawAt(index - 1, sorted).Numbers);
    }
};
class TSumChangeSome : public TCustomStat {
public:
    using TCustomStat::TCustomStat;

    std::string ValueText(const TStatDraw& row) const override {
        const int v = row.I(1);
        return v < 0 ? Format("- %0:.2d", -v) : Format("+%0:.2d", v);
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        const int cur = SumOf(FCurDraw.Numbers), prev = SumOf(DrawAt(index - 1, sorted).Numbers);
        const int newest = SumOf(FSecondDraw.Numbers);
        if (prev < newest - SumChangeTolerance || prev > newest + SumChangeTolerance) return;
        FWork.SetI(1, cur - prev);
        Merge(table, true);
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int windowEnd, bool sorted, bool) override {
        LoadDraws(windowEnd, windowEnd, sorted);
        return FindInt(selected, 1, SumOf(comb.N) - SumOf(FCurDraw.Numbers));
    }
    // By the combination's sum: the newest draw's sum is fixed for the whole filter.
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int windowEnd, bool sorted,
                                              bool) override {
        const int newest = SumOf(DrawAt(windowEnd, sorted).Numbers);
        const TValueTable changes = IntTable(selected, 1, -MaxCombSum, MaxCombSum);
        TValueTable sums(0, MaxCombSum);
        for (int sum = 0; sum <= MaxCombSum; ++sum)
            if (changes.Has(sum - newest)) sums.Set(sum);
        return zorb::MakeMatcher([sums](const TComb& c) { return sums.Has(CombSum(c)); });
    }
};
class TSumTrend : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;

    std::string ValueText(const TStatDraw& row) const override {
        const int v = row.I(1);
        return v == 0 ? "=" : v > 0 ? "+" : "-";
    }
    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        SeedI1(table, 0);
        SeedI1(table, 1);
        SeedI1(table, -1);
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        const int cur = SumOf(FCurDraw.Numbers), prev = SumOf(DrawAt(index - 1, sorted).Numbers);
        if (prev != SumOf(FSecondDraw.Numbers)) return;
        FWork.SetI(1, Sign(cur - prev));
        Merge(table, true);
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int windowEnd, bool sorted, bool) override {
        LoadDraws(windowEnd, windowEnd, sorted);
        return FindInt(selected, 1, Sign(SumOf(comb.N) - SumOf(FCurDraw.Numbers)));
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int windowEnd, bool sorted,
                                              bool) override {
        const int newest = SumOf(DrawAt(windowEnd, sorted).Numbers);
        const TValueTable directions = IntTable(selected, 1, -1, 1);
        TValueTable sums(0, MaxCombSum);
        for (int sum = 0; sum <= MaxCombSum; ++sum)
            if (directions.Has(Sign(sum - newest))) sums.Set(sum);
        return zorb::MakeMatcher([sums](const TComb& c) { return sums.Has(CombSum(c)); });
    }
    int CombValue(const TComb& comb, int index, int, bool sorted) override {
        return Sign(SumOf(comb.N) - SumOf(DrawAt(index - 1, sorted).Numbers));
    }
};
// --- S2T3 ----------------------------------------------------------------------------------------------------------

class TSum2To3 : public TOneValueStat<TCustomGraphStat, TSum2To3> {
public:
    using TOneValueStat::TOneValueStat;

    static int Value(const uint8_t* n) { return SumToThirdCount(n); }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return zorb::MakeMatcher(
            [t = Word1Table(selected, 0, 60)](const TComb& c) { return t.Has(SumToThirdCountFast(c.N)); });
    }
    int CombValue(const TComb& comb, int, int, bool) override { return SumToThirdCount(comb.N); }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        return zorb::MakeCounter(
            61, [](const TComb& c, uint32_t* t) { ++t[SumToThirdCountFast(c.N)]; }, SetKeyW1);
    }
};
// --- POS%d, POE%d ----------------------------------------------------------------------------------------------

class TPosVal : public TOneValueStat<TSeededW1<TCustomGraphStat, MinNumber, MaxNumber>, TPosVal> {
public:
    using TOneValueStat::TOneValueStat;

    int Position() const { return FParam >= 1 && FParam <= 6 ? FParam - 1 : 0; }
    int Value(const uint8_t* n) const { return n[Position()]; }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TByteFlags f = FlagsOf(Word1Table(selected, 0, 255));
        const int pos = Position();
        return zorb::MakeMatcher([f, pos](const TComb& c) { return f[c.N[pos]] != 0; });
    }
    int CombValue(const TComb& comb, int, int, bool) override { return comb.N[Position()]; }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        const int pos = Position();
        return zorb::MakeCounter(
            256, [pos](const TComb& c, uint32_t* t) { ++t[c.N[pos]]; }, SetKeyW1);
    }

    static void Params(const TStatList&, int& lo, int& hi) {
        lo = 1;
        hi = 6;
    }
};
// Extra numbers (bonus balls) of games that draw them; this game has none, so the class registers no entry.
class TPosExt : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;

    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        FWork.SetW(1, 0);
        Merge(table, true);
    }
    bool MatchComb(const TComb&, const TStatDrawArray&, int, bool, bool) override { return false; }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray&, int, bool, bool) override {
        return zorb::MakeMatcher([](const TComb&) { return false; });
    }
    int CombValue(const TComb&, int index, int windowEnd, bool sorted) override {
        LoadDraws(index, windowEnd, sorted);
        return 0;
    }
    static void Params(const TStatList&, int& lo, int& hi) {
        lo = 1;
        hi = 0;
    }
};

// --- The classes -------------------------------------------------------------------------------------------------

ZORB_STAT_CLASS(TstValues, TValues);
ZORB_STAT_CLASS(TstDigits, TDigits);
ZORB_STAT_CLASS(TstEvenCount, TPropertyCount<IsEven>);
ZORB_STAT_CLASS(TstSmallCount, TPropertyCount<IsSmallNumber>);
ZORB_STAT_CLASS(TstPrimeCount, TPropertyCount<IsPrimeNumber>);
ZORB_STAT_CLASS(TstEvenValues, TPropertyPattern<IsOdd, true, EvenMarks>);
ZORB_STAT_CLASS(TstSmallValues, TPropertyPattern<IsLarge, false, HalfMarks>);
ZORB_STAT_CLASS(TstPrimeValues, TPropertyPattern<IsPrimeNumber, true, PrimeMarks>);
ZORB_STAT_CLASS(TstSumValues, TSumKind<SumOf, true>);
ZORB_STAT_CLASS(TstSumEvenValues, TSumKind<EvenSum, false>);
ZORB_STAT_CLASS(TstSumPrimeValues, TSumKind<PrimeSum, false>);
ZORB_STAT_CLASS(TstSumRanges, TSumRanges);
ZORB_STAT_CLASS(TstSumChange, TSumChange);
ZORB_STAT_CLASS(TstSumChangeSome, TSumChangeSome);
ZORB_STAT_CLASS(TstSumTrend, TSumTrend);
ZORB_STAT_CLASS(TstSum2To3, TSum2To3);
ZORB_STAT_CLASS(TstPosVal, TPosVal);
ZORB_STAT_CLASS(TstPosExt, TPosExt);

// Descriptor fields shared by several classes.
constexpr TStatClass AsGraph{.IsGraph = true};
constexpr TStatClass AsGraphNoText{.IsGraph = true, .HasTextValues = false};

ZORB_STAT_INFO(TstValues, "NUMS", "Числа тиража", 0, sfN);
ZORB_STAT_INFO(TstDigits, "DIGS", "Цифры тиража", 0, sfN);
ZORB_STAT_INFO(TstEvenCount, "EVEN", "Количество четных чисел в тираже (Ч:Н)", 0, sfN, AsGraph);
ZORB_STAT_INFO(TstSmallCount, "SMAL", "Количество чисел из первой половины диапазона (1П:2П)", 0, sfN, AsGraph);
ZORB_STAT_INFO(TstPrimeCount, "PRIM", "Количество простых чисел (П:С)", 0, sfN, AsGraph);
ZORB_STAT_INFO(TstEvenValues, "EVNV", "Четные и нечетные числа в тираже (Чн..нЧ)", 0, sfS | sfN);
ZORB_STAT_INFO(TstSmallValues, "SMLV", "Числа из первой половины диапазона (12..12)", 0, sfS | sfN);
ZORB_STAT_INFO(TstPrimeValues, "PRMV", "Простые и составные числа (ПС..СП)", 0, sfS | sfN);
ZORB_STAT_INFO(TstSumValues, "SUMS", "Сумма тиража: все значения", 1, sfN, AsGraph);
ZORB_STAT_INFO(TstSumEvenValues, "SUME", "Сумма тиража: только четные", 1, sfN, AsGraph);
ZORB_STAT_INFO(TstSumPrimeValues, "SUMP", "Сумма тиража: только простые", 1, sfN, AsGraph);
ZORB_STAT_INFO(TstSumRanges, "SUM%d", "Сумма тиража: диапазон %d (%d/%d)", 1, sfN,
               {.IsGraph = true,
                .HasTextValues = false,
                .HasParam = true,
                .ParamRange = TSumRanges::Params,
                .CaptionOfFn = TSumRanges::CaptionOf});
ZORB_STAT_INFO(TstSumChange, "SUMC", "Сумма тиража: изменения (точно)", 1, sfD, AsGraphNoText);
ZORB_STAT_INFO(TstSumChangeSome, "SUMV", "Сумма тиража: изменения (диапазон)", 1, sfD, {.HasTextValues = false});
ZORB_STAT_INFO(TstSumTrend, "SUMT", "Сумма тиража: направление изменения", 1, sfD, AsGraphNoText);
ZORB_STAT_INFO(TstSum2To3, "S2T3", "Сумма двух чисел тиража равна третьему числу", 1, sfN, AsGraph);
ZORB_STAT_INFO(TstPosVal, "POS%d", "Число в %0:d позиции тиража", 0, sfS | sfN,
               {.HelpCode = "POSx", .IsGraph = true, .HasParam = true, .ParamRange = TPosVal::Params});
ZORB_STAT_INFO(TstPosExt, "POE%d", "Extra (Bonus, Star...) - число (!без фильтра!)", 0, 0,
               {.HelpCode = "POSx", .IsGraph = true, .HasParam = true, .ParamRange = TPosExt::Params});

} // namespace

const std::vector<const TStatClass*>& NumberSumClasses() {
    static const std::vector<const TStatClass*> classes = {
        &TstValues::Info,     &TstDigits::Info,        &TstEvenCount::Info,      &TstEvenValues::Info,
        &TstSmallCount::Info, &TstSmallValues::Info,   &TstPrimeCount::Info,     &TstPrimeValues::Info,
        &TstSumValues::Info,  &TstSumRanges::Info,     &TstSumChange::Info,      &TstSumChangeSome::Info,
        &TstSumTrend::Info,   &TstSumEvenValues::Info, &TstSumPrimeValues::Info, &TstSum2To3::Info,
        &TstPosVal::Info,     &TstPosExt::Info,
    };
    return classes;
}

} // namespace zorb

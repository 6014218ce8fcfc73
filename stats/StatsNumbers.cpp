#include "stats/StatsNumbers.h"

#include "core/Format.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"
#include "stats/StatList.h"

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

// A lookup table over all byte values, as a matcher captures it.
using TByteFlags = std::array<uint8_t, 256>;

TByteFlags ToByteFlags(const TValueTable& t) {
    TByteFlags f{};
    for (int v = 0; v < 256; ++v) f[static_cast<size_t>(v)] = t.Has(v) ? 1 : 0;
    return f;
}

void SetKeyW1(size_t slot, TStatDraw& row) {
    row.ClearKey();
    row.SetW(1, static_cast<uint16_t>(slot));
}

void SetKeyI1(size_t slot, TStatDraw& row) {
    row.ClearKey();
    row.SetI(1, static_cast<int32_t>(slot));
}

// --- NUMS ------------------------------------------------------------------------------------------------------

class TstValues : public TCustomValuesStat {
public:
    using TCustomValuesStat::TCustomValuesStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        for (int n = MinNumber; n <= MaxNumber; ++n) SeedW1(table, static_cast<uint16_t>(n));
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        for (uint8_t n : FCurDraw.Numbers) {
            FWork.SetW(1, n);
            Merge(table, true);
        }
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        for (uint8_t n : comb.N) {
            FWork.SetW(1, n);
            Merge(table, false);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        for (uint8_t n : comb.N)
            if (FindKey(selected, n, 0, 0, 0)) return true;
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TByteFlags f = ToByteFlags(KeyTable(selected, 0, 255));
        return zorb::MakeMatcher([f](const TComb& c) {
            return (f[c.N[0]] | f[c.N[1]] | f[c.N[2]] | f[c.N[3]] | f[c.N[4]] | f[c.N[5]]) != 0;
        });
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
const TStatClass TstValues::Info = {
    "TstValues", "NUMS", "Числа тиража", nullptr, 0,       sfN,     false,
    true,        true,   true,           false,   nullptr, nullptr, CreateStatOf<TstValues>};

// --- DIGS ------------------------------------------------------------------------------------------------------

// The decimal digits of a number, most significant first, without leading zeros.
int DigitsOf(int n, uint8_t digits[3]) {
    std::string s = std::to_string(n);
    for (size_t i = 0; i < s.size(); ++i) digits[i] = static_cast<uint8_t>(s[i] - '0');
    return static_cast<int>(s.size());
}

class TstDigits : public TCustomNumbersStat {
public:
    using TCustomNumbersStat::TCustomNumbersStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        MergeDigits(FCurDraw.Numbers, table, true);
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        MergeDigits(comb.N, table, false);
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
        std::array<uint8_t, 256> f{};
        for (int n = 0; n < 256; ++n) {
            uint8_t d[3];
            for (int i = 0, k = DigitsOf(n, d); i < k; ++i)
                if (digits.Has(d[i])) f[static_cast<size_t>(n)] = 1;
        }
        return zorb::MakeMatcher([f](const TComb& c) {
            return (f[c.N[0]] | f[c.N[1]] | f[c.N[2]] | f[c.N[3]] | f[c.N[4]] | f[c.N[5]]) != 0;
        });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        struct TDigits {
            uint8_t Count;
            uint8_t D[3];
        };
        std::array<TDigits, 256> digits{};
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

private:
    void MergeDigits(const uint8_t* numbers, TStatDrawArray& table, bool trackGaps) {
        uint8_t d[3];
        for (int j = 0; j < 6; ++j)
            for (int i = 0, k = DigitsOf(numbers[j], d); i < k; ++i) {
                FWork.SetW(1, d[i]);
                Merge(table, trackGaps);
            }
    }
};
const TStatClass TstDigits::Info = {
    "TstDigits", "DIGS", "Цифры тиража", nullptr, 0,       sfN,     false,
    true,        true,   true,           false,   nullptr, nullptr, CreateStatOf<TstDigits>};

// --- EVEN, SMAL, PRIM: how many of the six numbers have a property ----------------------------------------------

template <bool (*Has)(int)> int CountWith(const uint8_t* n) {
    int k = 0;
    for (int i = 0; i < 6; ++i) k += Has(n[i]) ? 1 : 0;
    return k;
}

bool IsEven(int n) {
    return n % 2 == 0;
}

template <bool (*Has)(int)> class TstPropertyCount : public TCustomRatioStat {
public:
    using TCustomRatioStat::TCustomRatioStat;

    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        for (int k = 1; k <= 6; ++k) SeedW1(table, static_cast<uint16_t>(k));
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        FWork.SetW(1, static_cast<uint16_t>(CountWith<Has>(FCurDraw.Numbers)));
        Merge(table, true);
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        FWork.SetW(1, static_cast<uint16_t>(CountWith<Has>(comb.N)));
        Merge(table, false);
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        return FindWord(selected, 1, static_cast<uint16_t>(CountWith<Has>(comb.N)));
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TValueTable counts = Word1Table(selected, 0, 6);
        std::array<uint8_t, 7> want{};
        for (int k = 0; k <= 6; ++k) want[static_cast<size_t>(k)] = counts.Has(k) ? 1 : 0;
        TByteFlags has{};
        for (int n = 0; n < 256; ++n) has[static_cast<size_t>(n)] = Has(n) ? 1 : 0;
        return zorb::MakeMatcher([want, has](const TComb& c) {
            return want[has[c.N[0]] + has[c.N[1]] + has[c.N[2]] + has[c.N[3]] + has[c.N[4]] + has[c.N[5]]] != 0;
        });
    }
    int CombValue(const TComb& comb, int, int, bool) override { return CountWith<Has>(comb.N); }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        TByteFlags has{};
        for (int n = 0; n < 256; ++n) has[static_cast<size_t>(n)] = Has(n) ? 1 : 0;
        return zorb::MakeCounter(
            7,
            [has](const TComb& c, uint32_t* t) {
                ++t[has[c.N[0]] + has[c.N[1]] + has[c.N[2]] + has[c.N[3]] + has[c.N[4]] + has[c.N[5]]];
            },
            SetKeyW1);
    }
};

class TstEvenCount : public TstPropertyCount<IsEven> {
public:
    using TstPropertyCount::TstPropertyCount;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
};
const TStatClass TstEvenCount::Info = {"TstEvenCount",
                                       "EVEN",
                                       "Количество четных чисел в тираже (Ч:Н)",
                                       nullptr,
                                       0,
                                       sfN,
                                       true,
                                       true,
                                       true,
                                       true,
                                       false,
                                       nullptr,
                                       nullptr,
                                       CreateStatOf<TstEvenCount>};

class TstSmallCount : public TstPropertyCount<IsSmallNumber> {
public:
    using TstPropertyCount::TstPropertyCount;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
};
const TStatClass TstSmallCount::Info = {"TstSmallCount",
                                        "SMAL",
                                        "Количество чисел из первой половины диапазона (1П:2П)",
                                        nullptr,
                                        0,
                                        sfN,
                                        true,
                                        true,
                                        true,
                                        true,
                                        false,
                                        nullptr,
                                        nullptr,
                                        CreateStatOf<TstSmallCount>};

class TstPrimeCount : public TstPropertyCount<IsPrimeNumber> {
public:
    using TstPropertyCount::TstPropertyCount;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
};
const TStatClass TstPrimeCount::Info = {
    "TstPrimeCount", "PRIM",  "Количество простых чисел (П:С)", nullptr, 0, sfN, true, true, true, true, false,
    nullptr,         nullptr, CreateStatOf<TstPrimeCount>};

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

template <bool (*Bit)(int), bool Seeded> class TstPropertyPattern : public TCustomMaskStat {
public:
    using TCustomMaskStat::TCustomMaskStat;

    void InitValues(int windowEnd, TStatDrawArray& table) override {
        if (Seeded)
            TCustomMaskStat::InitValues(windowEnd, table);
        else
            TCustomStat::InitValues(windowEnd, table);
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        FWork.SetI(1, PatternOf<Bit>(FCurDraw.Numbers));
        Merge(table, true);
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        FWork.SetI(1, PatternOf<Bit>(comb.N));
        Merge(table, false);
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        return FindInt(selected, 1, PatternOf<Bit>(comb.N));
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TValueTable patterns = IntTable(selected, 1, 0, 63);
        std::array<uint8_t, 64> want{};
        for (int p = 0; p < 64; ++p) want[static_cast<size_t>(p)] = patterns.Has(p) ? 1 : 0;
        // One table per position holding that position's bit already shifted, so a pattern is six loads and ORs.
        std::array<TByteFlags, 6> bit{};
        for (int k = 0; k < 6; ++k)
            for (int n = 0; n < 256; ++n)
                bit[static_cast<size_t>(k)][static_cast<size_t>(n)] = static_cast<uint8_t>(Bit(n) ? 1 << (5 - k) : 0);
        return zorb::MakeMatcher([want, bit](const TComb& c) {
            const unsigned p =
                bit[0][c.N[0]] | bit[1][c.N[1]] | bit[2][c.N[2]] | bit[3][c.N[3]] | bit[4][c.N[4]] | bit[5][c.N[5]];
            return want[p] != 0;
        });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        std::array<TByteFlags, 6> bit{};
        for (int k = 0; k < 6; ++k)
            for (int n = 0; n < 256; ++n)
                bit[static_cast<size_t>(k)][static_cast<size_t>(n)] = static_cast<uint8_t>(Bit(n) ? 1 << (5 - k) : 0);
        return zorb::MakeCounter(
            64,
            [bit](const TComb& c, uint32_t* t) {
                ++t[bit[0][c.N[0]] | bit[1][c.N[1]] | bit[2][c.N[2]] | bit[3][c.N[3]] | bit[4][c.N[4]] |
                    bit[5][c.N[5]]];
            },
            SetKeyI1);
    }
};

class TstEvenValues : public TstPropertyPattern<IsOdd, true> {
public:
    using TstPropertyPattern::TstPropertyPattern;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
    std::string ZeroMark() const override { return Tr("Ч"); }
    std::string OneMark() const override { return Tr("н"); }
};
const TStatClass TstEvenValues::Info = {"TstEvenValues",
                                        "EVNV",
                                        "Четные и нечетные числа в тираже (Чн..нЧ)",
                                        nullptr,
                                        0,
                                        sfS | sfN,
                                        false,
                                        true,
                                        true,
                                        true,
                                        false,
                                        nullptr,
                                        nullptr,
                                        CreateStatOf<TstEvenValues>};

class TstSmallValues : public TstPropertyPattern<IsLarge, false> {
public:
    using TstPropertyPattern::TstPropertyPattern;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
    std::string ZeroMark() const override { return "1"; }
    std::string OneMark() const override { return "2"; }
};
const TStatClass TstSmallValues::Info = {"TstSmallValues",
                                         "SMLV",
                                         "Числа из первой половины диапазона (12..12)",
                                         nullptr,
                                         0,
                                         sfS | sfN,
                                         false,
                                         true,
                                         true,
                                         true,
                                         false,
                                         nullptr,
                                         nullptr,
                                         CreateStatOf<TstSmallValues>};

class TstPrimeValues : public TstPropertyPattern<IsPrimeNumber, true> {
public:
    using TstPropertyPattern::TstPropertyPattern;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
    std::string ZeroMark() const override { return Tr("С"); }
    std::string OneMark() const override { return Tr("П"); }
};
const TStatClass TstPrimeValues::Info = {"TstPrimeValues",
                                         "PRMV",
                                         "Простые и составные числа (ПС..СП)",
                                         nullptr,
                                         0,
                                         sfS | sfN,
                                         false,
                                         true,
                                         true,
                                         true,
                                         false,
                                         nullptr,
                                         nullptr,
                                         CreateStatOf<TstPrimeValues>};

// --- SUMS, SUME, SUMP: a sum as I1 ---------------------------------------------------------------------------

template <int (*SumFn)(const uint8_t*), bool Seeded> class TstSumKind : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;

    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        if (Seeded)
            for (int s = MinDrawSum; s <= MaxDrawSum; ++s) SeedI1(table, s);
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        FWork.SetI(1, SumFn(FCurDraw.Numbers));
        Merge(table, true);
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        FWork.SetI(1, SumFn(comb.N));
        Merge(table, false);
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        return FindPair(selected, SumFn(comb.N), 0);
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return zorb::MakeMatcher(
            [t = PairTable(selected, 0, MaxCombSum)](const TComb& c) { return t.Has(SumFn(c.N)); });
    }
    int CombValue(const TComb& comb, int, int, bool) override { return SumFn(comb.N); }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        return zorb::MakeCounter(
            MaxCombSum + 1, [](const TComb& c, uint32_t* t) { ++t[SumFn(c.N)]; }, SetKeyI1);
    }
};

class TstSumValues : public TstSumKind<SumOf, true> {
public:
    using TstSumKind::TstSumKind;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
};
const TStatClass TstSumValues::Info = {
    "TstSumValues", "SUMS",  "Сумма тиража: все значения", nullptr, 1, sfN, true, true, true, true, false,
    nullptr,        nullptr, CreateStatOf<TstSumValues>};

class TstSumEvenValues : public TstSumKind<EvenSum, false> {
public:
    using TstSumKind::TstSumKind;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
};
const TStatClass TstSumEvenValues::Info = {"TstSumEvenValues",
                                           "SUME",
                                           "Сумма тиража: только четные",
                                           nullptr,
                                           1,
                                           sfN,
                                           true,
                                           true,
                                           true,
                                           true,
                                           false,
                                           nullptr,
                                           nullptr,
                                           CreateStatOf<TstSumEvenValues>};

class TstSumPrimeValues : public TstSumKind<PrimeSum, false> {
public:
    using TstSumKind::TstSumKind;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
};
const TStatClass TstSumPrimeValues::Info = {"TstSumPrimeValues",
                                            "SUMP",
                                            "Сумма тиража: только простые",
                                            nullptr,
                                            1,
                                            sfN,
                                            true,
                                            true,
                                            true,
                                            true,
                                            false,
                                            nullptr,
                                            nullptr,
                                            CreateStatOf<TstSumPrimeValues>};

// --- SUM%d: inside or outside a fixed sum range ----------------------------------------------------------------

struct TSumRange {
    int Lo, Hi, A, B, C;
};
const TSumRange SumRanges[3] = {{106, 212, 1, 1, 3}, {117, 201, 2, 1, 2}, {127, 191, 3, 2, 3}};

const TSumRange& RangeOf(int param) {
    return SumRanges[param >= 1 && param <= 3 ? param - 1 : 0];
}

class TstSumRanges : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

    int InRange(const uint8_t* n) const {
        int s = SumOf(n);
        return s >= RangeOf(FParam).Lo && s <= RangeOf(FParam).Hi ? 1 : 0;
    }
    std::string ValueText(const TStatDraw& row) const override {
        if (row.W(1) == 1) return Format("%d-%d", RangeOf(FParam).Lo, RangeOf(FParam).Hi);
        return Tr("Остальные");
    }
    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        SeedW1(table, 0);
        SeedW1(table, 1);
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        FWork.SetW(1, static_cast<uint16_t>(InRange(FCurDraw.Numbers)));
        Merge(table, true);
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        FWork.SetW(1, static_cast<uint16_t>(InRange(comb.N)));
        Merge(table, false);
    }
    // The range row, when selected, wins over the "others" row.
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        return FindWord(selected, 1, 1) ? InRange(comb.N) == 1 : InRange(comb.N) == 0;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const bool inside = FindWord(selected, 1, 1);
        const int lo = RangeOf(FParam).Lo, hi = RangeOf(FParam).Hi;
        return zorb::MakeMatcher([inside, lo, hi](const TComb& c) {
            const int sum = CombSum(c);
            return (sum >= lo && sum <= hi) == inside;
        });
    }
    int CombValue(const TComb& comb, int, int, bool) override { return InRange(comb.N); }
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
const TStatClass TstSumRanges::Info = {"TstSumRanges",
                                       "SUM%d",
                                       "Сумма тиража: диапазон %d (%d/%d)",
                                       nullptr,
                                       1,
                                       sfN,
                                       true,
                                       true,
                                       true,
                                       false,
                                       true,
                                       TstSumRanges::Params,
                                       TstSumRanges::CaptionOf,
                                       CreateStatOf<TstSumRanges>};

// --- SUMC, SUMV, SUMT: how the sum moves from one draw to the next -------------------------------------------

// cur: sum of the draw at `index`; prev: of the draw before it (0 before the first); last: of the window's newest.
struct TSumStep {
    int Cur, Prev, Last;
};

class TstSumChange : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

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
const TStatClass TstSumChange::Info = {
    "TstSumChange", "SUMC",  "Сумма тиража: изменения (точно)", nullptr, 1, sfD, true, true, true, false, false,
    nullptr,        nullptr, CreateStatOf<TstSumChange>};

class TstSumChangeSome : public TCustomStat {
public:
    using TCustomStat::TCustomStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

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
const TStatClass TstSumChangeSome::Info = {"TstSumChangeSome",
                                           "SUMV",
                                           "Сумма тиража: изменения (диапазон)",
                                           nullptr,
                                           1,
                                           sfD,
                                           false,
                                           true,
                                           true,
                                           false,
                                           false,
                                           nullptr,
                                           nullptr,
                                           CreateStatOf<TstSumChangeSome>};

class TstSumTrend : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

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
const TStatClass TstSumTrend::Info = {"TstSumTrend",
                                      "SUMT",
                                      "Сумма тиража: направление изменения",
                                      nullptr,
                                      1,
                                      sfD,
                                      true,
                                      true,
                                      true,
                                      false,
                                      false,
                                      nullptr,
                                      nullptr,
                                      CreateStatOf<TstSumTrend>};

// --- S2T3 ----------------------------------------------------------------------------------------------------------

class TstSum2To3 : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        FWork.SetW(1, static_cast<uint16_t>(SumToThirdCount(FCurDraw.Numbers)));
        Merge(table, true);
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        FWork.SetW(1, static_cast<uint16_t>(SumToThirdCount(comb.N)));
        Merge(table, false);
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        return FindWord(selected, 1, static_cast<uint16_t>(SumToThirdCount(comb.N)));
    }
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
const TStatClass TstSum2To3::Info = {"TstSum2To3",
                                     "S2T3",
                                     "Сумма двух чисел тиража равна третьему числу",
                                     nullptr,
                                     1,
                                     sfN,
                                     true,
                                     true,
                                     true,
                                     true,
                                     false,
                                     nullptr,
                                     nullptr,
                                     CreateStatOf<TstSum2To3>};

// --- POS%d, POE%d ----------------------------------------------------------------------------------------------

class TstPosVal : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

    int Position() const { return FParam >= 1 && FParam <= 6 ? FParam - 1 : 0; }
    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        for (int n = MinNumber; n <= MaxNumber; ++n) SeedW1(table, static_cast<uint16_t>(n));
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        FWork.SetW(1, FCurDraw.Numbers[Position()]);
        Merge(table, true);
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        FWork.SetW(1, comb.N[Position()]);
        Merge(table, false);
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        return FindWord(selected, 1, comb.N[Position()]);
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TByteFlags f = ToByteFlags(Word1Table(selected, 0, 255));
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
const TStatClass TstPosVal::Info = {
    "TstPosVal",       "POS%d", "Число в %0:d позиции тиража", "POSx", 0, sfS | sfN, true, true, true, true, true,
    TstPosVal::Params, nullptr, CreateStatOf<TstPosVal>};

// Extra numbers (bonus balls) of games that draw them; this game has none, so the class registers no entry.
class TstPosExt : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }

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
const TStatClass TstPosExt::Info = {"TstPosExt",
                                    "POE%d",
                                    "Extra (Bonus, Star...) - число (!без фильтра!)",
                                    "POSx",
                                    0,
                                    0,
                                    true,
                                    true,
                                    true,
                                    true,
                                    true,
                                    TstPosExt::Params,
                                    nullptr,
                                    CreateStatOf<TstPosExt>};

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

// The statistic-method interface: value records and tables, the abstract method class with its common bases,
// and the class descriptors the registry is built from.
#pragma once

#include "core/KestoUtils.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace zorb {

static_assert(std::endian::native == std::endian::little, "keys are read in place as little-endian words");

// One value of a method with its occurrence data. The 8-byte Key is also the key layout of the prefetch files;
// it reads as words W1..W4 (compared in that order), bytes B1..B8 or integers I1 (W1, W2) and I2 (W3, W4).
struct TStatDraw {
    int32_t LastDraw;
    int32_t Depth;
    int32_t PrevDraw;
    uint16_t PeriodMin;
    uint16_t PeriodMax;
    int32_t Count;
    int32_t Norm;
    uint8_t Key[8];

    uint16_t W(int k) const {
        uint16_t v;
        std::memcpy(&v, Key + 2 * (k - 1), 2);
        return v;
    }
    void SetW(int k, uint16_t v) { std::memcpy(Key + 2 * (k - 1), &v, 2); }
    uint8_t B(int k) const { return Key[k - 1]; }
    void SetB(int k, uint8_t v) { Key[k - 1] = v; }
    int32_t I(int k) const {
        int32_t v;
        std::memcpy(&v, Key + 4 * (k - 1), 4);
        return v;
    }
    void SetI(int k, int32_t v) { std::memcpy(Key + 4 * (k - 1), &v, 4); }
    void ClearKey() { std::memset(Key, 0, sizeof Key); }
    // W1..W4 as one number whose order is the value order.
    uint64_t SortKey() const {
        return static_cast<uint64_t>(W(1)) << 48 | static_cast<uint64_t>(W(2)) << 32 |
               static_cast<uint64_t>(W(3)) << 16 | W(4);
    }
    bool SameKey(const TStatDraw& o) const { return std::memcmp(Key, o.Key, sizeof Key) == 0; }
};
static_assert(sizeof(TStatDraw) == 32);

using TStatDrawArray = std::vector<TStatDraw>;

// Merges Value into Table: an equal key adds its count and keeps the most recent occurrence; a new key is
// appended. With trackGaps the gaps between consecutive occurrences update PeriodMin and PeriodMax.
void AddValue(TStatDrawArray& table, const TStatDraw& value, bool trackGaps);

bool FindKey(const TStatDrawArray& table, uint16_t w1, uint16_t w2, uint16_t w3, uint16_t w4);
bool FindWord(const TStatDrawArray& table, int k, uint16_t v);
bool FindByte(const TStatDrawArray& table, int k, uint8_t v);
bool FindInt(const TStatDrawArray& table, int k, int32_t v);
bool FindPair(const TStatDrawArray& table, int32_t a, int32_t b);

struct TStatSimple {
    int32_t Key;
    int32_t Count;
};
using TStatSimpleArray = std::vector<TStatSimple>;
void AddSimple(TStatSimpleArray& a, int32_t key, int32_t amount);
void SortSimple(TStatSimpleArray& a);

// Running state of the series and period methods, handed from one CountDraw to the next of a counting run.
struct TLastValue {
    int32_t DrawNumber;
    uint8_t Unused[4];
    uint8_t Key[8];
};
static_assert(sizeof(TLastValue) == 16);
using TLastValueArray = std::vector<TLastValue>;
// Draw-number distance to the previous occurrence of Probe's key (-1 on the first), remembering Probe.
int32_t LastSeen(const TLastValue& probe, TLastValueArray& list);

constexpr size_t WorkAreaSize = 624;
using TWorkArea = std::array<uint8_t, WorkAreaSize>;

// Flags of a method class, shown as letters S, N, D, P, G.
enum TStatFlag : unsigned { sfS = 1, sfN = 2, sfD = 4, sfP = 8, sfG = 16 };
std::string FlagLetters(unsigned flags);

class TStatList;
class TCustomStat;
class TCombMatcher;
class TCombCounter;

// The class operations, answerable without an instance.
struct TStatClass {
    const char* ClassName = nullptr;
    const char* Code = nullptr;     // may hold "%d" for the parameter
    const char* Caption = nullptr;  // may hold "%0:d" or "%d"
    const char* HelpCode = nullptr; // nullptr: Code
    int Group = 0;                  // 0..12
    unsigned Flags = 0;             // S, N, D, P
    bool IsGraph = false;
    bool Available = true;
    bool Visible = true;
    bool HasTextValues = true;
    bool HasParam = false;
    // Parameter values to register, which may follow the game settings.
    void (*ParamRange)(const TStatList& list, int& lo, int& hi) = nullptr;
    // A class that formats its caption itself; nullptr: Caption formatted with the parameter.
    std::string (*CaptionOfFn)(int param) = nullptr;
    std::unique_ptr<TCustomStat> (*Create)(TStatList& list, int param) = nullptr;
    // The method keeps running state from draw to draw in the work area or the last-value list, so a draw's
    // values depend on the draws counted before it.
    bool RunState = false;

    unsigned FullFlags() const { return Flags | (IsGraph ? sfG : 0u); }
    bool CanPrefetch() const { return (Flags & sfN) != 0; }
    std::string CodeOf(int param) const;
    std::string CaptionOf(int param) const;
    std::string HelpCodeOf(int param) const;
    // "ms-its:<help file>::/Filters_1049_<code>.htm", or empty when there is no help file.
    std::string HelpTopic(int param, const std::string& helpFile) const;
};

// A statistic method: turns a draw or a combination into values. Instances are short-lived: created for one
// computation and freed after it; only the caller's work area and last-value list carry state between draws.
class TCustomStat {
public:
    TCustomStat(TStatList& list, int param);
    virtual ~TCustomStat() = default;
    TCustomStat(const TCustomStat&) = delete;
    TCustomStat& operator=(const TCustomStat&) = delete;

    virtual const TStatClass& Class() const = 0;
    int Param() const { return FParam; }
    std::string MethodCaption() const { return Class().CaptionOf(FParam); }

    virtual std::string ValueText(const TStatDraw& row) const = 0;
    virtual int TextToValue(const std::string& text) const;
    int ValueFromText(const std::string& text) const { return Class().HasTextValues ? TextToValue(text) : 0; }

    virtual void InitValues(int windowEnd, TStatDrawArray& table);
    virtual void LoadDraws(int index, int secondIndex, bool sorted);
    // Defined by the classes with flag N.
    virtual void CountComb(const TComb& comb, TStatDrawArray& table);
    virtual void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                           TLastValueArray& lastValues);
    virtual int FindNext(const TStatDraw& row, int fromIndex, bool sorted, int windowEnd);
    virtual bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int windowEnd, bool sorted,
                           bool exclude) = 0;
    // The same answers as MatchComb for this one filter, as a thread-safe table-driven matcher; nullptr when the
    // method has none (the filter then calls MatchComb for every combination).
    virtual std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int windowEnd, bool sorted,
                                                      bool exclude);
    // CountComb as a dense tally for counting the full set; nullptr when the method has none.
    virtual std::unique_ptr<TCombCounter> MakeCounter() const;

    const TDrawRec& CurDraw() const { return FCurDraw; }
    const TDrawRec& SecondDraw() const { return FSecondDraw; }

protected:
    // The draw at an index as a method sees it: all zero outside the archive, numbers ascending when sorted.
    TDrawRec DrawAt(int index, bool sorted) const;
    int DrawCount() const { return static_cast<int>(FDraws->size()); }
    void Merge(TStatDrawArray& table, bool trackGaps) { AddValue(table, FWork, trackGaps); }
    // Seeds one value with key W1 = v (or I1 = v) and count 0.
    void SeedW1(TStatDrawArray& table, uint16_t v);
    void SeedI1(TStatDrawArray& table, int32_t v);

    TStatList& FList;
    const TDrawsArray* FDraws;
    int FParam;
    TDrawRec FCurDraw{};
    TDrawRec FSecondDraw{};
    TStatDraw FWork{};
};

// One integer per draw or combination.
class TCustomGraphStat : public TCustomStat {
public:
    using TCustomStat::TCustomStat;
    std::string ValueText(const TStatDraw& row) const override;
    virtual int CombValue(const TComb& comb, int index, int windowEnd, bool sorted) = 0;
    virtual int DrawValue(int index, int windowEnd, bool sorted);
};

// k of six numbers with a property, shown "k:6-k".
class TCustomRatioStat : public TCustomGraphStat {
public:
    using TCustomGraphStat::TCustomGraphStat;
    std::string ValueText(const TStatDraw& row) const override;
    int TextToValue(const std::string& text) const override;
};

class TCustomValuesStat : public TCustomStat {
public:
    using TCustomStat::TCustomStat;
    std::string ValueText(const TStatDraw& row) const override;
};

class TCustomNumbersStat : public TCustomStat {
public:
    using TCustomStat::TCustomStat;
    std::string ValueText(const TStatDraw& row) const override;
};

// A six-bit pattern over the positions in I1; the first number is bit 5.
class TCustomMaskStat : public TCustomStat {
public:
    using TCustomStat::TCustomStat;
    std::string ValueText(const TStatDraw& row) const override;
    int TextToValue(const std::string& text) const override;
    void InitValues(int windowEnd, TStatDrawArray& table) override;
    virtual std::string ZeroMark() const = 0;
    virtual std::string OneMark() const = 0;
};

// The values of a window of draws as the statistics table counts them: seeded values, then every draw from
// windowEnd - length + 1 (at least 0) to windowEnd, oldest first, with one work area and last-value list.
TStatDrawArray CountWindow(TCustomStat& stat, int windowEnd, int length, bool sorted);

// Descriptor helper: each concrete class defines `static const TStatClass Info;`.
template <class T> std::unique_ptr<TCustomStat> CreateStatOf(TStatList& list, int param) {
    return std::make_unique<T>(list, param);
}

// Declares the registered class Name: the implementation given after it, answering Class() with its own Info.
#define ZORB_STAT_CLASS(Name, ...)                                                                                     \
    class Name final : public __VA_ARGS__ {                                                                            \
        using TImpl = __VA_ARGS__;                                                                                     \
                                                                                                                       \
    public:                                                                                                            \
        using TImpl::TImpl;                                                                                            \
        static const TStatClass Info;                                                                                  \
        const TStatClass& Class() const override { return Info; }                                                      \
    }

// A descriptor from the fields every class states; `more` carries the other fields that differ from the defaults.
template <class T>
constexpr TStatClass StatClassOf(const char* className, const char* code, const char* caption, int group,
                                 unsigned flags, TStatClass more = {}) {
    more.ClassName = className;
    more.Code = code;
    more.Caption = caption;
    more.Group = group;
    more.Flags = flags;
    more.Create = CreateStatOf<T>;
    return more;
}

// Defines Name::Info as StatClassOf<Name>("Name", code, caption, group, flags[, more]).
#define ZORB_STAT_INFO(Name, ...) const TStatClass Name::Info = StatClassOf<Name>(#Name, __VA_ARGS__)

} // namespace zorb

#include "stats/StatsSeries.h"

#include "core/Format.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"
#include "stats/StatList.h"
#include "stats/StatTemplates.h"
#include "stats/StatsChannels.h"

#include <algorithm>
#include <cstdlib>

namespace zorb {

TCharacteristic Characteristic(const uint8_t* x, int variant) {
    int v[6];
    for (int i = 0; i < 6; ++i) v[i] = x[i];
    for (int len = 6; len > 2; --len)
        for (int i = 0; i + 1 < len; ++i) v[i] = std::abs(v[i + 1] - v[i]);
    const int a = v[0], b = v[1], d = std::abs(b - a);
    TCharacteristic r;
    r.Value = d;
    if (variant == 1 && d < 2) r.Value = a + b;
    if (variant == 2 && d == 0) r.Value = a + b;
    if (variant == 2 && d == 1) {
        r.Value = a + b;
        r.Pair = true;
    }
    return r;
}

std::string TByteGroups::Text(int group) const {
    return ChannelText ? Format("%.2d", group) : std::to_string(group);
}

namespace {

TByteGroups FromMap(const TGroupMap& m) {
    TByteGroups g;
    for (int b = 0; b < 256; ++b) g.Of[static_cast<size_t>(b)] = m.Has(static_cast<uint8_t>(b)) ? m.Of[b] : 0;
    g.MinValue = *std::min_element(m.Groups.begin(), m.Groups.end());
    g.MaxValue = m.MaxGroup;
    return g;
}

} // namespace

TByteGroups TByteGroups::Numbers() {
    TByteGroups g;
    for (int n = MinNumber; n <= MaxNumber; ++n) g.Of[static_cast<size_t>(n)] = static_cast<uint8_t>(n);
    return g;
}

TByteGroups TByteGroups::Channels(int channelSize) {
    TByteGroups g = FromMap(TGroupMap::Make(TGroupKind::Channels, channelSize, 7, {}));
    g.ChannelText = true;
    return g;
}

TByteGroups TByteGroups::Segments(const std::array<uint8_t, 52>& segments) {
    return FromMap(TGroupMap::Make(TGroupKind::Segments, 4, 7, segments));
}

namespace {

// Flags of the bytes whose group is one of `groups` (a flag per group value 0..255).
TByteFlags ByGroup(const TByteGroups& g, const TByteFlags& groups) {
    TByteFlags f{};
    for (int b = 0; b < 256; ++b) f[static_cast<size_t>(b)] = groups[g.Of[static_cast<size_t>(b)]];
    return f;
}

// Groups found by FindWord(k, group).
TByteFlags WordGroups(const TStatDrawArray& selected, int k) {
    TByteFlags f{};
    for (const TStatDraw& r : selected)
        if (r.W(k) < 256) f[r.W(k)] = 1;
    return f;
}

// --- Ognev -------------------------------------------------------------------------------------------------------

constexpr int MaxCharacteristic = 2 * 255; // a + b of two differences of bytes

template <int Variant> class TOgnevGraph : public TOneValueStat<TCustomGraphStat, TOgnevGraph<Variant>> {
    using TBase = TOneValueStat<TCustomGraphStat, TOgnevGraph>;

public:
    using TBase::TBase;

    static int Value(const uint8_t* n) { return Characteristic(n, Variant).Value; }
    int CombValue(const TComb& comb, int, int, bool) override { return Value(comb.N); }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const auto want = FlagsOf<MaxCharacteristic + 1>(Word1Table(selected, 0, MaxCharacteristic));
        return zorb::MakeMatcher([want](const TComb& c) { return want[Fast(c.N)] != 0; });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        return zorb::MakeCounter(
            MaxCharacteristic + 1, [](const TComb& c, uint32_t* tally) { ++tally[Fast(c.N)]; },
            [](size_t slot, TStatDraw& row) { row.SetW(1, static_cast<uint16_t>(slot)); });
    }

private:
    // Characteristic(x, Variant).Value without branches in the difference levels.
    static size_t Fast(const uint8_t* x) {
        int a0 = std::abs(x[1] - x[0]), a1 = std::abs(x[2] - x[1]), a2 = std::abs(x[3] - x[2]),
            a3 = std::abs(x[4] - x[3]), a4 = std::abs(x[5] - x[4]);
        a0 = std::abs(a1 - a0), a1 = std::abs(a2 - a1), a2 = std::abs(a3 - a2), a3 = std::abs(a4 - a3);
        a0 = std::abs(a1 - a0), a1 = std::abs(a2 - a1), a2 = std::abs(a3 - a2);
        a0 = std::abs(a1 - a0), a1 = std::abs(a2 - a1);
        const int d = std::abs(a1 - a0);
        if constexpr (Variant == 1) return static_cast<size_t>(d < 2 ? a0 + a1 : d);
        return static_cast<size_t>(d);
    }
};

// A proposal for the draw after the window: the newest draw's characteristic number and its multiples.
class TOgnev3 : public TCustomStat {
public:
    using TCustomStat::TCustomStat;

    std::string ValueText(const TStatDraw& row) const override {
        std::string s = std::to_string(row.W(1));
        if (row.W(4) == 2) s += " (" + std::to_string(row.W(2)) + ")";
        return s;
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        if (FCurDraw.Draw != FSecondDraw.Draw) return;
        const TCharacteristic ch = Characteristic(FCurDraw.Numbers, 2);
        const TDrawRec next = DrawAt(windowEnd + 1, sorted);
        const auto inNext = [&next](int v) {
            return std::find(next.Numbers, next.Numbers + 6, static_cast<uint8_t>(v)) != next.Numbers + 6 &&
                   v >= MinNumber && v <= MaxNumber;
        };
        const int f = ch.Value;
        FWork.ClearKey();
        FWork.SetW(1, static_cast<uint16_t>(f));
        if (ch.Pair) {
            FWork.SetW(2, 1);
            FWork.SetW(4, 2);
        }
        FWork.Count = inNext(FWork.B(1)) ? 1 : 0;
        Merge(table, false);
        int64_t g = static_cast<int64_t>(f) * f;
        if (g < MaxNumber) g *= f;
        for (; g > f; g -= f) {
            if (g < MinNumber || g > MaxNumber) continue;
            FWork.ClearKey();
            FWork.SetW(1, static_cast<uint16_t>(g));
            FWork.Count = inNext(static_cast<int>(g)) ? 1 : 0;
            Merge(table, false);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        for (uint8_t n : comb.N)
            if (FindWord(selected, 1, n)) return true;
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return AnyByteMatcher(WordGroups(selected, 1));
    }
};

// --- Series ------------------------------------------------------------------------------------------------------

struct TRun {
    int32_t Length;
    int32_t LastDraw;
    int32_t Depth;
};
static_assert(sizeof(TRun) == 12 && 52 * sizeof(TRun) == WorkAreaSize);

class TCustomSerialStat : public TCustomStat {
public:
    TCustomSerialStat(TStatList& list, int param, uint8_t mode, TByteGroups groups)
        : TCustomStat(list, param), FMode(mode), FMinValue(groups.MinValue), FMaxValue(groups.MaxValue),
          FGroups(groups) {}

    virtual int GroupOf(int /*position*/, int number) const { return FGroups.Of[static_cast<uint8_t>(number)]; }
    // Some number 1..52 of CurDraw lies in the group.
    virtual bool InCurDraw(int value) const {
        for (uint8_t n : FCurDraw.Numbers)
            if (n >= MinNumber && n <= MaxNumber && FGroups.Of[n] == value) return true;
        return false;
    }

    std::string ValueText(const TStatDraw& row) const override {
        return Format("%0:s x %1:d", FGroups.Text(row.W(1)), row.W(2));
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        // Records are kept from MinValue on: a segment 0 from a hand-edited map must not write before the area.
        for (int v = FMinValue; v <= FMaxValue && v - FMinValue < 52; ++v) {
            uint8_t* at = work.data() + sizeof(TRun) * static_cast<size_t>(v - FMinValue);
            TRun run;
            std::memcpy(&run, at, sizeof run);
            const bool present = InCurDraw(v);
            const bool continues = FMode == 1 ? present : !present;
            if (continues) {
                ++run.Length;
                run.LastDraw = FCurDraw.Draw;
                run.Depth = windowEnd - index + 1;
                if (index == windowEnd && present) MergeRun(table, v, run);
            } else {
                if (run.Length > 0 && present) MergeRun(table, v, run);
                run = {};
            }
            std::memcpy(at, &run, sizeof run);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        for (int i = 0; i < 6; ++i)
            if (FindWord(selected, 1, static_cast<uint16_t>(GroupOf(i + 1, comb.N[i])))) return true;
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        return AnyByteMatcher(ByGroup(FGroups, WordGroups(selected, 1)));
    }

protected:
    void MergeRun(TStatDrawArray& table, int v, const TRun& run) {
        TStatDraw s{};
        s.SetW(1, static_cast<uint16_t>(v));
        s.SetW(2, static_cast<uint16_t>(std::min(run.Length, 65535)));
        s.LastDraw = s.PrevDraw = run.LastDraw;
        s.Depth = run.Depth;
        s.Count = 1;
        AddValue(table, s, true);
    }

    uint8_t FMode; // 1: runs of presence, 0: runs of absence
    int32_t FMinValue, FMaxValue;
    TByteGroups FGroups;
};

class TValuesSerialStat : public TCustomSerialStat {
public:
    TValuesSerialStat(TStatList& list, int param, uint8_t mode)
        : TCustomSerialStat(list, param, mode, TByteGroups::Numbers()) {}
};

class TChannelsSerialStat : public TCustomSerialStat {
public:
    TChannelsSerialStat(TStatList& list, int param, uint8_t mode)
        : TCustomSerialStat(list, param, mode, TByteGroups::Channels(ValidChannelSize(list.Config.ChannelSize))),
          FChannelSize(ValidChannelSize(list.Config.ChannelSize)) {}

protected:
    int32_t FChannelSize;
};

class TSegmentsSerialStat : public TCustomSerialStat {
public:
    TSegmentsSerialStat(TStatList& list, int param, uint8_t mode)
        : TCustomSerialStat(list, param, mode, TByteGroups::Segments(list.Config.MatrixSegments)),
          FSegments(list.Config.MatrixSegments) {}

protected:
    std::array<uint8_t, 52> FSegments;
};

// Runs of presence (Mode 1) or of absence (Mode 0).
template <class Base, uint8_t Mode> class TSerialOf : public Base {
public:
    TSerialOf(TStatList& list, int param) : Base(list, param, Mode) {}
};

// --- Periods -----------------------------------------------------------------------------------------------------

class TCustomPeriodsStat : public TCustomStat {
public:
    TCustomPeriodsStat(TStatList& list, int param, TByteGroups groups) : TCustomStat(list, param), FGroups(groups) {}

    virtual int GroupOf(int /*position*/, int number) const { return FGroups.Of[static_cast<uint8_t>(number)]; }

    std::string ValueText(const TStatDraw& row) const override {
        return Format("%0:s x %1:d", FGroups.Text(row.W(1)), row.W(2));
    }
    // A byte outside 1..52 (a missing draw's zeros) is in no group and starts no period.
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        for (int i = 0; i < 6; ++i) {
            const uint8_t n = FCurDraw.Numbers[i];
            if (n < MinNumber || n > MaxNumber) continue;
            const int g = GroupOf(i + 1, n);
            TLastValue probe{};
            probe.DrawNumber = FCurDraw.Draw;
            const auto w1 = static_cast<uint16_t>(g);
            std::memcpy(probe.Key, &w1, sizeof w1);
            const int32_t p = LastSeen(probe, last);
            if (p <= 0) continue;
            FWork.ClearKey();
            FWork.SetW(1, w1);
            FWork.SetW(2, static_cast<uint16_t>(std::min(p, 65535)));
            Merge(table, true);
        }
    }
    // Kept (Exclude off): the group came back after that period in the window's newest draws; removed
    // (Exclude on): it did not.
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int windowEnd, bool sorted,
                   bool exclude) override {
        for (int i = 0; i < 6; ++i) {
            const int g = GroupOf(i + 1, comb.N[i]);
            for (const TStatDraw& r : selected)
                if (r.W(1) == g && InDrawGroups(g, windowEnd - r.W(2) + 1, sorted) != exclude) return true;
        }
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int windowEnd, bool sorted,
                                              bool exclude) override {
        TByteFlags groups{};
        for (const TStatDraw& r : selected) {
            const int g = r.W(1);
            if (g < 256 && !groups[static_cast<size_t>(g)] &&
                InDrawGroups(g, windowEnd - r.W(2) + 1, sorted) != exclude)
                groups[static_cast<size_t>(g)] = 1;
        }
        return AnyByteMatcher(ByGroup(FGroups, groups));
    }

protected:
    bool InDrawGroups(int g, int index, bool sorted) const {
        const TDrawRec d = DrawAt(index, sorted); // empty before the archive
        for (int i = 0; i < 6; ++i)
            if (GroupOf(i + 1, d.Numbers[i]) == g) return true;
        return false;
    }

    TByteGroups FGroups;
};

class TNumPeriods : public TCustomPeriodsStat {
public:
    TNumPeriods(TStatList& list, int param) : TCustomPeriodsStat(list, param, TByteGroups::Numbers()) {}
};

class TChnPeriods : public TCustomPeriodsStat {
public:
    TChnPeriods(TStatList& list, int param)
        : TCustomPeriodsStat(list, param, TByteGroups::Channels(ValidChannelSize(list.Config.ChannelSize))),
          FChannelSize(ValidChannelSize(list.Config.ChannelSize)) {}

private:
    int32_t FChannelSize;
};

class TSgmPeriods : public TCustomPeriodsStat {
public:
    TSgmPeriods(TStatList& list, int param)
        : TCustomPeriodsStat(list, param, TByteGroups::Segments(list.Config.MatrixSegments)),
          FSegments(list.Config.MatrixSegments) {}

private:
    std::array<uint8_t, 52> FSegments;
};

// --- The classes -------------------------------------------------------------------------------------------------

ZORB_STAT_CLASS(TstNumGroups, TSerialOf<TValuesSerialStat, 1>);
ZORB_STAT_CLASS(TstNumPauses, TSerialOf<TValuesSerialStat, 0>);
ZORB_STAT_CLASS(TstChnGroups, TSerialOf<TChannelsSerialStat, 1>);
ZORB_STAT_CLASS(TstChnPauses, TSerialOf<TChannelsSerialStat, 0>);
ZORB_STAT_CLASS(TstSgmGroups, TSerialOf<TSegmentsSerialStat, 1>);
ZORB_STAT_CLASS(TstSgmPauses, TSerialOf<TSegmentsSerialStat, 0>);
ZORB_STAT_CLASS(TstNumPeriods, TNumPeriods);
ZORB_STAT_CLASS(TstChnPeriods, TChnPeriods);
ZORB_STAT_CLASS(TstSgmPeriods, TSgmPeriods);
ZORB_STAT_CLASS(TstOgnev1, TOgnevGraph<0>);
ZORB_STAT_CLASS(TstOgnev2, TOgnevGraph<1>);
ZORB_STAT_CLASS(TstOgnev3, TOgnev3);

// Series and periods carry their runs from draw to draw.
constexpr TStatClass Runs{.HasTextValues = false, .RunState = true};

ZORB_STAT_INFO(TstNumGroups, "GRPV", "Повторы чисел в нескольких тиражах подряд", 8, sfD, Runs);
ZORB_STAT_INFO(TstNumPauses, "GRPP", "Интервалы между повторениями чисел", 8, sfD, Runs);
ZORB_STAT_INFO(TstChnGroups, "GRCV", "Повторы каналов в нескольких тиражах подряд", 8, sfD, Runs);
ZORB_STAT_INFO(TstChnPauses, "GRCP", "Интервалы между повторениями каналов", 8, sfD, Runs);
ZORB_STAT_INFO(TstSgmGroups, "GRSV", "Повторы сегментов в нескольких тиражах подряд", 8, sfD, Runs);
ZORB_STAT_INFO(TstSgmPauses, "GRSP", "Интервалы между повторениями сегментов", 8, sfD, Runs);
ZORB_STAT_INFO(TstNumPeriods, "PRDV", "Периоды повторения чисел", 9, sfP, Runs);
ZORB_STAT_INFO(TstChnPeriods, "PRDC", "Периоды повторения каналов", 9, sfP, Runs);
ZORB_STAT_INFO(TstSgmPeriods, "PRDG", "Периоды повторения сегментов", 9, sfP, Runs);
ZORB_STAT_INFO(TstOgnev1, "HCO1", "Число Огнева 1 (только разность)", 11, sfS | sfN, {.IsGraph = true});
ZORB_STAT_INFO(TstOgnev2, "HCO2", "Число Огнева 2 (разность + сложение, если {0,1})", 11, sfS | sfN, {.IsGraph = true});
ZORB_STAT_INFO(TstOgnev3, "HCO3", "Числа Огнева 3 (динамический, только фильтр)", 11, sfS | sfD,
               {.HasTextValues = false});

} // namespace

const std::vector<const TStatClass*>& SeriesClasses() {
    static const std::vector<const TStatClass*> classes = {
        &TstNumGroups::Info,  &TstNumPauses::Info, &TstChnGroups::Info,  &TstChnPauses::Info,
        &TstSgmGroups::Info,  &TstSgmPauses::Info, &TstNumPeriods::Info, &TstChnPeriods::Info,
        &TstSgmPeriods::Info, &TstOgnev1::Info,    &TstOgnev2::Info,     &TstOgnev3::Info,
    };
    return classes;
}

} // namespace zorb

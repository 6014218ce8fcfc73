#include "stats/StatsTransitions.h"

#include "core/Format.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"
#include "stats/StatList.h"
#include "stats/StatsChannels.h"
#include "stats/StatsSeries.h"

#include <algorithm>

namespace zorb {

namespace {

enum class TChainKind { Any2, Pos2, Pos3, Count2, Count3, Inside };
enum class TGroupSource { Values, Channels, Segments };

TByteGroups GroupsOf(TGroupSource source, const TStatList& list) {
    switch (source) {
    case TGroupSource::Channels: return TByteGroups::Channels(ValidChannelSize(list.Config.ChannelSize));
    case TGroupSource::Segments: return TByteGroups::Segments(list.Config.MatrixSegments);
    default: return TByteGroups::Numbers();
    }
}

bool Exists(const TDrawRec& d) {
    return d.Draw > 0;
}

bool IsNumber(int n) {
    return n >= MinNumber && n <= MaxNumber;
}

// Every transition class: what the draws at Index - 1 and Index - 2 had in common with the window's newest two
// draws, and what came at Index. No class keeps running state: the draws are read from the archive directly.
class TCustomChainStat : public TCustomStat {
public:
    TCustomChainStat(TStatList& list, int param, TChainKind kind, TGroupSource source, int variant)
        : TCustomStat(list, param), FKind(kind), FGroups(GroupsOf(source, list)), FVariant(variant),
          FChannelSize(ValidChannelSize(list.Config.ChannelSize)), FSeedCounts(source == TGroupSource::Channels) {
        for (int b = 0; b < 256; ++b)
            FInParam[static_cast<size_t>(b)] = IsNumber(b) && FGroups.Of[static_cast<size_t>(b)] == param ? 1 : 0;
    }

    std::string ValueText(const TStatDraw& row) const override {
        const auto text = [this](int w) {
            return FKind == TChainKind::Count2 || FKind == TChainKind::Count3 || FKind == TChainKind::Inside
                       ? std::to_string(w)
                       : FGroups.Text(w);
        };
        if (FKind == TChainKind::Pos3 || FKind == TChainKind::Count3)
            return Format("%0:s-%1:s -> %2:s", text(row.W(1)), text(row.W(2)), text(row.W(3)));
        return Format("%0:s -> %1:s", text(row.W(1)), text(row.W(2)));
    }

    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        if (FKind != TChainKind::Count2 && FKind != TChainKind::Count3) return;
        const int k1 = K(DrawAt(windowEnd, false).Numbers), k2 = K(DrawAt(windowEnd - 1, false).Numbers);
        const int top = FSeedCounts ? FChannelSize : 0;
        for (int c = 0; c <= top; ++c) {
            TStatDraw s{};
            if (FKind == TChainKind::Count2) {
                s.SetW(1, static_cast<uint16_t>(k1));
                s.SetW(2, static_cast<uint16_t>(c));
            } else {
                s.SetW(1, static_cast<uint16_t>(k2));
                s.SetW(2, static_cast<uint16_t>(k1));
                s.SetW(3, static_cast<uint16_t>(c));
            }
            AddValue(table, s, false);
        }
    }

    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        const TDrawRec p1 = DrawAt(index - 1, sorted);
        if (!Exists(p1)) return;
        const uint8_t* cur = FCurDraw.Numbers;
        const uint8_t* l1 = FSecondDraw.Numbers;
        const auto& g = FGroups.Of;
        switch (FKind) {
        case TChainKind::Any2: {
            TByteFlags inL1{};
            for (int i = 0; i < 6; ++i) inL1[g[l1[i]]] = 1;
            for (uint8_t x : p1.Numbers) {
                if (!inL1[g[x]]) continue;
                for (int i = 0; i < 6; ++i) Put(table, g[x], g[cur[i]]);
            }
            break;
        }
        case TChainKind::Pos2:
            for (int i = 0; i < 6; ++i)
                if (AtPosition(i) && g[p1.Numbers[i]] == g[l1[i]]) Put(table, g[p1.Numbers[i]], g[cur[i]]);
            break;
        case TChainKind::Pos3: {
            const TDrawRec p2 = DrawAt(index - 2, sorted);
            if (!Exists(p2)) return;
            const TDrawRec l2 = DrawAt(windowEnd - 1, sorted);
            for (int i = 0; i < 6; ++i)
                if (AtPosition(i) && g[p1.Numbers[i]] == g[l1[i]] && g[p2.Numbers[i]] == g[l2.Numbers[i]])
                    Put(table, g[p2.Numbers[i]], g[p1.Numbers[i]], g[cur[i]]);
            break;
        }
        case TChainKind::Count2:
            if (K(p1.Numbers) == K(l1)) Put(table, K(p1.Numbers), K(cur));
            break;
        case TChainKind::Count3: {
            const TDrawRec p2 = DrawAt(index - 2, sorted);
            if (!Exists(p2)) return;
            const TDrawRec l2 = DrawAt(windowEnd - 1, sorted);
            if (K(p1.Numbers) == K(l1) && K(p2.Numbers) == K(l2.Numbers))
                Put(table, K(p2.Numbers), K(p1.Numbers), K(cur));
            break;
        }
        case TChainKind::Inside:
            for (uint8_t x : p1.Numbers) {
                if (!IsNumber(x) || std::find(l1, l1 + 6, x) == l1 + 6) continue;
                int arrivals = 0;
                for (int i = 0; i < 6; ++i) {
                    if (!SameChannel(cur[i], x)) continue;
                    ++arrivals;
                    if (FVariant != 3 && FVariant != 2) Put(table, x, cur[i]);
                }
                if (FVariant == 3) Put(table, x, arrivals);
                if ((FVariant == 0 || FVariant == 2) && arrivals == 0) Put(table, x, 0);
            }
            break;
        }
    }

    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int windowEnd, bool sorted, bool) override {
        const auto& g = FGroups.Of;
        switch (FKind) {
        case TChainKind::Any2:
        case TChainKind::Pos2:
        case TChainKind::Pos3: {
            const int k = FKind == TChainKind::Pos3 ? 3 : 2;
            for (uint8_t c : comb.N)
                if (FindWord(selected, k, g[c])) return true;
            return false;
        }
        case TChainKind::Count2: return FindWord(selected, 2, static_cast<uint16_t>(K(comb.N)));
        case TChainKind::Count3: return FindWord(selected, 3, static_cast<uint16_t>(K(comb.N)));
        case TChainKind::Inside: {
            const TDrawRec l1 = DrawAt(windowEnd, sorted);
            for (uint8_t c : comb.N)
                if (InsideMatch(c, l1, selected)) return true;
            return false;
        }
        }
        return false;
    }

    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int windowEnd, bool sorted,
                                              bool) override {
        TByteFlags f{};
        switch (FKind) {
        case TChainKind::Any2:
        case TChainKind::Pos2:
        case TChainKind::Pos3: {
            const int k = FKind == TChainKind::Pos3 ? 3 : 2;
            TByteFlags groups{};
            for (const TStatDraw& r : selected)
                if (r.W(k) < 256) groups[r.W(k)] = 1;
            for (int b = 0; b < 256; ++b) f[static_cast<size_t>(b)] = groups[FGroups.Of[static_cast<size_t>(b)]];
            return AnyByteMatcher(f);
        }
        case TChainKind::Count2:
        case TChainKind::Count3: {
            const int k = FKind == TChainKind::Count3 ? 3 : 2;
            std::array<uint8_t, 7> want{};
            for (const TStatDraw& r : selected)
                if (r.W(k) <= 6) want[r.W(k)] = 1;
            const TByteFlags in = FInParam;
            return zorb::MakeMatcher([in, want](const TComb& c) {
                return want[static_cast<size_t>(in[c.N[0]] + in[c.N[1]] + in[c.N[2]] + in[c.N[3]] + in[c.N[4]] +
                                                in[c.N[5]])] != 0;
            });
        }
        case TChainKind::Inside: {
            const TDrawRec l1 = DrawAt(windowEnd, sorted);
            for (int b = 0; b < 256; ++b)
                f[static_cast<size_t>(b)] = InsideMatch(static_cast<uint8_t>(b), l1, selected) ? 1 : 0;
            return AnyByteMatcher(f);
        }
        }
        return nullptr;
    }

protected:
    bool AtPosition(int i) const { return FParam == 0 || FParam == i + 1; }
    // Numbers of six in channel or segment Param.
    int K(const uint8_t* n) const {
        return FInParam[n[0]] + FInParam[n[1]] + FInParam[n[2]] + FInParam[n[3]] + FInParam[n[4]] + FInParam[n[5]];
    }
    bool SameChannel(uint8_t y, uint8_t x) const {
        return IsNumber(y) && IsNumber(x) && FGroups.Of[y] == FGroups.Of[x];
    }
    // A number of the combination arrives from some x of the newest draw as a selected row says: into x's channel
    // for the count rows and the "x -> 0" rows, as that very number for the others.
    bool InsideMatch(uint8_t c, const TDrawRec& l1, const TStatDrawArray& selected) const {
        for (uint8_t x : l1.Numbers)
            for (const TStatDraw& r : selected) {
                if (r.W(1) != x) continue;
                if (FVariant == 3 || r.W(2) == 0 ? SameChannel(c, x) : r.W(2) == c) return true;
            }
        return false;
    }
    void Put(TStatDrawArray& table, int w1, int w2) {
        FWork.ClearKey();
        FWork.SetW(1, static_cast<uint16_t>(w1));
        FWork.SetW(2, static_cast<uint16_t>(w2));
        Merge(table, true);
    }
    void Put(TStatDrawArray& table, int w1, int w2, int w3) {
        FWork.ClearKey();
        FWork.SetW(1, static_cast<uint16_t>(w1));
        FWork.SetW(2, static_cast<uint16_t>(w2));
        FWork.SetW(3, static_cast<uint16_t>(w3));
        Merge(table, true);
    }

    TChainKind FKind;
    TByteGroups FGroups;
    int FVariant; // within-channel methods: 0 all, 1 successful, 2 unsuccessful, 3 count
    int32_t FChannelSize;
    bool FSeedCounts; // channel counts seed every count up to the channel width
    TByteFlags FInParam{};
};

template <TChainKind Kind, TGroupSource Source, int Variant = 0> class TChainOf : public TCustomChainStat {
public:
    TChainOf(TStatList& list, int param) : TCustomChainStat(list, param, Kind, Source, Variant) {}
};

using enum TChainKind;
using enum TGroupSource;
ZORB_STAT_CLASS(TstChain2DrawsAll, TChainOf<Any2, Values>);
ZORB_STAT_CLASS(TstChain2DrawsPos, TChainOf<Pos2, Values>);
ZORB_STAT_CLASS(TstChain2Pos, TChainOf<Pos2, Values>);
ZORB_STAT_CLASS(TstChain3DrawsPos, TChainOf<Pos3, Values>);
ZORB_STAT_CLASS(TstChain3Pos, TChainOf<Pos3, Values>);
ZORB_STAT_CLASS(TstChain2ChannelsAll, TChainOf<Any2, Channels>);
ZORB_STAT_CLASS(TstChain2ChannelsPos, TChainOf<Pos2, Channels>);
ZORB_STAT_CLASS(TstChain2Channel, TChainOf<Pos2, Channels>);
ZORB_STAT_CLASS(TstChain3ChannelsPos, TChainOf<Pos3, Channels>);
ZORB_STAT_CLASS(TstChain3Channel, TChainOf<Pos3, Channels>);
ZORB_STAT_CLASS(TstChain2CnlCnt, TChainOf<Count2, Channels>);
ZORB_STAT_CLASS(TstChain3CnlCnt, TChainOf<Count3, Channels>);
ZORB_STAT_CLASS(TstChainChannels2InsideAll, TChainOf<Inside, Channels, 0>);
ZORB_STAT_CLASS(TstChainChannels2InsideSuc, TChainOf<Inside, Channels, 1>);
ZORB_STAT_CLASS(TstChainChannels2InsideBad, TChainOf<Inside, Channels, 2>);
ZORB_STAT_CLASS(TstChainChannels2InsideCnt, TChainOf<Inside, Channels, 3>);
ZORB_STAT_CLASS(TstChain2SegmentsAll, TChainOf<Any2, Segments>);
ZORB_STAT_CLASS(TstChain2SegmentsPos, TChainOf<Pos2, Segments>);
ZORB_STAT_CLASS(TstChain2Segment, TChainOf<Pos2, Segments>);
ZORB_STAT_CLASS(TstChain3SegmentsPos, TChainOf<Pos3, Segments>);
ZORB_STAT_CLASS(TstChain3Segment, TChainOf<Pos3, Segments>);
ZORB_STAT_CLASS(TstChain2SgmCnt, TChainOf<Count2, Segments>);
ZORB_STAT_CLASS(TstChain3SgmCnt, TChainOf<Count3, Segments>);

// --- Descriptors -------------------------------------------------------------------------------------------------

void PositionParams(const TStatList&, int& lo, int& hi) {
    lo = 1;
    hi = NumbersPerDraw;
}

// "%0:d" is the number of draws; a "%%d" left by it is the parameter.
template <const char* Caption, int Draws> std::string ChainCaption(int param) {
    const std::string c = Format(Tr(Caption), Draws);
    return c.find("%d") == std::string::npos ? c : Format(c, param);
}

constexpr char ValuesAll[] = "Переходы чисел между %0:d тиражами без учета позиции";
constexpr char ValuesPos[] = "Переходы чисел между %0:d тиражами с учетом позиции";
constexpr char ValuesAt[] = "Переходы чисел между %0:d тиражами в %%d позиции";
constexpr char ChannelsAll[] = "Переходы каналов между %0:d тиражами без учета позиции";
constexpr char ChannelsPos[] = "Переходы каналов между %0:d тиражами с учетом позиции";
constexpr char ChannelsAt[] = "Переходы каналов между %0:d тиражами в %%d позиции";
constexpr char ChannelCount[] = "Переходы кол-ва чисел в %%d канале между %0:d тиражами";
constexpr char SegmentsAll[] = "Переходы сегментов между %0:d тиражами без учета позиции";
constexpr char SegmentsPos[] = "Переходы сегментов между %0:d тиражами с учетом позиции";
constexpr char SegmentsAt[] = "Переходы сегментов между %0:d тиражами в %%d позиции";
constexpr char SegmentCount[] = "Переходы кол-ва чисел в %%d сегменте между %0:d тиражами";

// Transitions are shown as "a -> b", never read back from a text.
template <const char* Caption, int Draws>
constexpr TStatClass Chain(const char* help = nullptr, void (*range)(const TStatList&, int&, int&) = nullptr) {
    return {.HelpCode = help,
            .HasTextValues = false,
            .HasParam = range != nullptr,
            .ParamRange = range,
            .CaptionOfFn = ChainCaption<Caption, Draws>};
}

constexpr unsigned SD = sfS | sfD;
constexpr TStatClass NoTextValues{.HasTextValues = false};

ZORB_STAT_INFO(TstChain2DrawsAll, "SDV2", ValuesAll, 10, sfD, Chain<ValuesAll, 2>());
ZORB_STAT_INFO(TstChain2DrawsPos, "SDP2", ValuesPos, 10, SD, Chain<ValuesPos, 2>());
ZORB_STAT_INFO(TstChain2Pos, "SDN%d", ValuesAt, 10, SD, Chain<ValuesAt, 2>("SDNx", PositionParams));
ZORB_STAT_INFO(TstChain3DrawsPos, "SDP3", ValuesPos, 10, SD, Chain<ValuesPos, 3>());
ZORB_STAT_INFO(TstChain3Pos, "SDM%d", ValuesAt, 10, SD, Chain<ValuesAt, 3>("SDMx", PositionParams));
ZORB_STAT_INFO(TstChain2ChannelsAll, "SCV2", ChannelsAll, 10, sfD, Chain<ChannelsAll, 2>());
ZORB_STAT_INFO(TstChain2ChannelsPos, "SCP2", ChannelsPos, 10, SD, Chain<ChannelsPos, 2>());
ZORB_STAT_INFO(TstChain2Channel, "SCN%d", ChannelsAt, 10, SD, Chain<ChannelsAt, 2>("SCNx", PositionParams));
ZORB_STAT_INFO(TstChain3ChannelsPos, "SCP3", ChannelsPos, 10, SD, Chain<ChannelsPos, 3>());
ZORB_STAT_INFO(TstChain3Channel, "SCM%d", ChannelsAt, 10, SD, Chain<ChannelsAt, 3>("SCMx", PositionParams));
ZORB_STAT_INFO(TstChain2CnlCnt, "SC2C%d", ChannelCount, 10, sfD, Chain<ChannelCount, 2>("SC2Cx", ChannelParams));
ZORB_STAT_INFO(TstChain3CnlCnt, "SC3C%d", ChannelCount, 10, sfD, Chain<ChannelCount, 3>("SC3Cx", ChannelParams));
ZORB_STAT_INFO(TstChainChannels2InsideAll, "SDA2", "Переходы чисел в пределах каналов (все)", 10, sfD, NoTextValues);
ZORB_STAT_INFO(TstChainChannels2InsideSuc, "SDG2", "Переходы чисел в пределах каналов (N-M, удачные)", 10, sfD,
               NoTextValues);
ZORB_STAT_INFO(TstChainChannels2InsideBad, "SDZ2", "Переходы чисел в пределах каналов (N-0, не удачные)", 10, sfD,
               NoTextValues);
ZORB_STAT_INFO(TstChainChannels2InsideCnt, "SDC2", "Переходы чисел в пределах каналов (количество)", 10, sfD,
               NoTextValues);
ZORB_STAT_INFO(TstChain2SegmentsAll, "SSV2", SegmentsAll, 10, sfD, Chain<SegmentsAll, 2>());
ZORB_STAT_INFO(TstChain2SegmentsPos, "SSP2", SegmentsPos, 10, SD, Chain<SegmentsPos, 2>());
ZORB_STAT_INFO(TstChain2Segment, "SSN%d", SegmentsAt, 10, SD, Chain<SegmentsAt, 2>("SSNx", PositionParams));
ZORB_STAT_INFO(TstChain3SegmentsPos, "SSP3", SegmentsPos, 10, SD, Chain<SegmentsPos, 3>());
ZORB_STAT_INFO(TstChain3Segment, "SSM%d", SegmentsAt, 10, SD, Chain<SegmentsAt, 3>("SSMx", PositionParams));
ZORB_STAT_INFO(TstChain2SgmCnt, "SS2C%d", SegmentCount, 10, sfD, Chain<SegmentCount, 2>("SS2Cx", SegmentParams));
ZORB_STAT_INFO(TstChain3SgmCnt, "SS3C%d", SegmentCount, 10, sfD, Chain<SegmentCount, 3>("SS3Cx", SegmentParams));

} // namespace

const std::vector<const TStatClass*>& TransitionClasses() {
    static const std::vector<const TStatClass*> classes = {
        &TstChain2DrawsAll::Info,
        &TstChain2DrawsPos::Info,
        &TstChain2Pos::Info,
        &TstChain3DrawsPos::Info,
        &TstChain3Pos::Info,
        &TstChain2ChannelsAll::Info,
        &TstChain2ChannelsPos::Info,
        &TstChain2Channel::Info,
        &TstChain3ChannelsPos::Info,
        &TstChain3Channel::Info,
        &TstChain2CnlCnt::Info,
        &TstChain3CnlCnt::Info,
        &TstChainChannels2InsideAll::Info,
        &TstChainChannels2InsideSuc::Info,
        &TstChainChannels2InsideBad::Info,
        &TstChainChannels2InsideCnt::Info,
        &TstChain2SegmentsAll::Info,
        &TstChain2SegmentsPos::Info,
        &TstChain2Segment::Info,
        &TstChain3SegmentsPos::Info,
        &TstChain3Segment::Info,
        &TstChain2SgmCnt::Info,
        &TstChain3SgmCnt::Info,
    };
    return classes;
}

} // namespace zorb

// Ognev, series, period and transition methods on small archives: worked examples, the registry's new
// entries and their ranges, and odd inputs (missing draws, bytes outside 1..52, hand-edited settings).
#include "stats/StatsSeries.h"
#include "StatTestUtil.h"
#include "stats/StatsTransitions.h"

#include <gtest/gtest.h>

#include <map>

namespace zorb {
namespace {

using test::MakeComb;
using test::MakeDraw;

class TArchive {
public:
    explicit TArchive(TDrawsArray draws, int channelSize = 4, std::array<uint8_t, 52> segments = {})
        : FDraws(std::move(draws)) {
        List.Config.ChannelSize = channelSize;
        if (segments[0]) List.Config.MatrixSegments = segments;
        List.SetDraws(&FDraws);
        List.BuildMethods();
    }
    std::unique_ptr<TCustomStat> Create(const std::string& code) {
        const int i = List.FindByCode(code);
        if (i < 0) throw std::invalid_argument("no method " + code);
        return List.CreateStat(i);
    }
    // Value text -> count, of the whole archive as one window.
    std::map<std::string, int> Counted(const std::string& code, bool sorted = false) {
        auto stat = Create(code);
        std::map<std::string, int> r;
        for (const TStatDraw& row :
             CountWindow(*stat, static_cast<int>(FDraws.size()) - 1, static_cast<int>(FDraws.size()), sorted))
            r[stat->ValueText(row)] += row.Count;
        return r;
    }
    TStatList List;

private:
    TDrawsArray FDraws;
};

// Draws numbered 101.. with the filler numbers 40..45 except where a number is placed.
TDrawsArray DrawsWith(int count, const std::map<int, std::array<int, 6>>& placed) {
    TDrawsArray d;
    for (int i = 0; i < count; ++i) {
        auto it = placed.find(i);
        d.push_back(MakeDraw(101 + i, it != placed.end() ? it->second : std::array<int, 6>{40, 41, 42, 43, 44, 45}));
    }
    return d;
}

// --- Registry ----------------------------------------------------------------------------------------------------

std::vector<std::string> TailCodes(const TStatList& list, const std::string& from) {
    std::vector<std::string> r;
    for (int i = list.FindByCode(from); i >= 0 && i < list.MethodCount(); ++i) r.push_back(list.CodeOf(i));
    return r;
}

TEST(SeriesRegistry, NewEntriesFollowChannelSizeAndSegments) {
    TArchive std4({});
    const auto codes = TailCodes(std4.List, "GRPV");
    ASSERT_EQ(codes.size(), 92u);
    EXPECT_EQ(codes.back(), "SHR3");
    EXPECT_EQ(std::vector<std::string>(codes.begin(), codes.begin() + 12),
              (std::vector<std::string>{"GRPV", "GRPP", "GRCV", "GRCP", "GRSV", "GRSP", "PRDV", "PRDC", "PRDG", "SDV2",
                                        "SDP2", "SDN1"}));
    EXPECT_EQ(std4.List.FindByCode("SC2C13") + 1, std4.List.FindByCode("SC3C1"));
    EXPECT_EQ(std4.List.FindByCode("SS2C1") + 1, std4.List.FindByCode("SS3C1"));
    EXPECT_EQ(std4.List.FindByCode("SS3C1") + 1, std4.List.FindByCode("HCO1"));

    std::array<uint8_t, 52> seg{};
    for (int n = 0; n < 52; ++n) seg[static_cast<size_t>(n)] = static_cast<uint8_t>(2 + n % 6); // segments 2..7
    TArchive five({}, 5, seg);
    const auto codes5 = TailCodes(five.List, "GRPV");
    EXPECT_EQ(codes5.size(), 98u);
    EXPECT_GE(five.List.FindByCode("SC2C11"), 0);
    EXPECT_LT(five.List.FindByCode("SC2C12"), 0);
    EXPECT_GE(five.List.FindByCode("SS2C2"), 0);
    EXPECT_GE(five.List.FindByCode("SS3C7"), 0);
    EXPECT_LT(five.List.FindByCode("SS2C1"), 0);

    // A hand-edited channel size of 0 registers the default channels instead of dividing by it.
    TArchive zero({}, 0);
    EXPECT_GE(zero.List.FindByCode("SC2C13"), 0);
}

struct TNameCase {
    const char* Code;
    const char* Name; // display name with group and flags
};
class SeriesNames : public testing::TestWithParam<TNameCase> {};
TEST_P(SeriesNames, DisplayNameCarriesCaptionGroupAndFlags) {
    TArchive a({});
    const int i = a.List.FindByCode(GetParam().Code);
    ASSERT_GE(i, 0);
    EXPECT_EQ(a.List.DisplayName(i, true), GetParam().Name);
}
INSTANTIATE_TEST_SUITE_P(
    Table, SeriesNames,
    testing::Values(TNameCase{"GRPV", "{ ser } Повторы чисел в нескольких тиражах подряд [ D ]"},
                    TNameCase{"PRDC", "{ per } Периоды повторения каналов [ P ]"},
                    TNameCase{"HCO1", "{ ogn } Число Огнева 1 (только разность) [ SNG ]"},
                    TNameCase{"HCO3", "{ ogn } Числа Огнева 3 (динамический, только фильтр) [ SD ]"},
                    TNameCase{"SDV2", "{ mov } Переходы чисел между 2 тиражами без учета позиции [ D ]"},
                    TNameCase{"SDN3", "{ mov } Переходы чисел между 2 тиражами в 3 позиции [ SD ]"},
                    TNameCase{"SCM6", "{ mov } Переходы каналов между 3 тиражами в 6 позиции [ SD ]"},
                    TNameCase{"SC3C7", "{ mov } Переходы кол-ва чисел в 7 канале между 3 тиражами [ D ]"},
                    TNameCase{"SDZ2", "{ mov } Переходы чисел в пределах каналов (N-0, не удачные) [ D ]"},
                    TNameCase{"SHR1", "{ shr } Метод шинковки 1: (n1+n2+n3)/(n4+n5+n6) [ SNG ]"}),
    [](const testing::TestParamInfo<TNameCase>& p) { return std::string(p.param.Code); });

TEST(SeriesRegistry, HelpCodesOfParameterClasses) {
    TArchive a({});
    const std::pair<const char*, const char*> cases[] = {{"SDN2", "SDNx"},   {"SSM1", "SSMx"}, {"SC2C4", "SC2Cx"},
                                                         {"SS3C1", "SS3Cx"}, {"SHR2", "SHRx"}, {"PRDV", "PRDV"}};
    for (const auto& [code, help] : cases) {
        const int i = a.List.FindByCode(code);
        ASSERT_GE(i, 0) << code;
        EXPECT_EQ(a.List.Method(i).StatClass->HelpCodeOf(a.List.Method(i).Param), help) << code;
    }
}

// --- Ognev -------------------------------------------------------------------------------------------------------

TEST(Ognev, CharacteristicNumberVariants) {
    const uint8_t x[6] = {2, 9, 14, 30, 31, 47};
    EXPECT_EQ(Characteristic(x, 0).Value, 1);
    EXPECT_EQ(Characteristic(x, 1).Value, 9);
    EXPECT_TRUE(Characteristic(x, 2).Pair);
    EXPECT_EQ(Characteristic(x, 2).Value, 9);
    const uint8_t run[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(Characteristic(run, 0).Value, 0);
    EXPECT_EQ(Characteristic(run, 1).Value, 0);
    EXPECT_FALSE(Characteristic(run, 2).Pair);

    TArchive a({MakeDraw(1, {2, 9, 14, 30, 31, 47})});
    EXPECT_EQ((a.Counted("HCO1")), (std::map<std::string, int>{{"1", 1}}));
    EXPECT_EQ((a.Counted("HCO2")), (std::map<std::string, int>{{"9", 1}}));
    auto hco1 = a.Create("HCO1");
    EXPECT_EQ(static_cast<TCustomGraphStat&>(*hco1).CombValue(MakeComb({2, 9, 14, 30, 31, 47}), 0, 0, false), 1);
}

// A draw whose variant-2 characteristic number is f (not a pair), found among small ascending numbers.
std::array<int, 6> DrawWithCharacteristic(int f) {
    for (int a = 1; a < 20; ++a)
        for (int b = a + 1; b < 30; ++b)
            for (int c = b + 1; c < 40; ++c)
                for (int e = 45; e <= 52; ++e) {
                    const uint8_t x[6] = {
                        static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c), 41, 43,
                        static_cast<uint8_t>(e)};
                    const TCharacteristic ch = Characteristic(x, 2);
                    if (!ch.Pair && ch.Value == f) return {a, b, c, 41, 43, e};
                }
    throw std::logic_error("no such draw");
}

TEST(Ognev, Hco3ProposesTheMultiplesForTheNextDraw) {
    const std::array<int, 6> five = DrawWithCharacteristic(5);
    // Window end 1, the draw after it holds 45 and 10.
    TArchive a({MakeDraw(1, {1, 2, 3, 4, 5, 6}), MakeDraw(2, five), MakeDraw(3, {10, 20, 45, 46, 47, 48})});
    auto stat = a.Create("HCO3");
    std::map<std::string, int> got;
    for (const TStatDraw& r : CountWindow(*stat, 1, 2, false)) got[stat->ValueText(r)] = r.Count;
    EXPECT_EQ(got, (std::map<std::string, int>{{"5", 0},
                                               {"50", 0},
                                               {"45", 1},
                                               {"40", 0},
                                               {"35", 0},
                                               {"30", 0},
                                               {"25", 0},
                                               {"20", 1},
                                               {"15", 0},
                                               {"10", 1}}));

    // The pair: «9 (1)»; without a draw after the window every proposal counts 0; f = 9 gives 81 - 9k in 1..52.
    TArchive b({MakeDraw(1, {2, 9, 14, 30, 31, 47})});
    auto pair = b.Create("HCO3");
    std::map<std::string, int> p;
    for (const TStatDraw& r : CountWindow(*pair, 0, 1, false)) p[pair->ValueText(r)] = r.Count;
    EXPECT_EQ(p, (std::map<std::string, int>{{"9 (1)", 0}, {"45", 0}, {"36", 0}, {"27", 0}, {"18", 0}}));

    TArchive c({MakeDraw(1, {1, 2, 3, 4, 5, 6})});
    EXPECT_EQ(c.Counted("HCO3"), (std::map<std::string, int>{{"0", 0}}));
}

// --- Series and periods ------------------------------------------------------------------------------------------

TEST(Series, PausesAndRunsOfANumber) {
    // Number 7 in draws 3 and 8 of an eight-draw window; 30 in the last three draws.
    TArchive a(DrawsWith(8, {{2, {7, 40, 41, 42, 43, 44}},
                             {5, {30, 40, 41, 42, 43, 44}},
                             {6, {30, 40, 41, 42, 43, 44}},
                             {7, {7, 30, 41, 42, 43, 44}}}));
    const auto pauses = a.Counted("GRPP");
    EXPECT_EQ(pauses.at("7 x 2"), 1);
    EXPECT_EQ(pauses.at("7 x 4"), 1);
    EXPECT_EQ(pauses.at("45 x 1"), 1) << "45 came back after one draw without it";
    EXPECT_EQ(pauses.count("45 x 3"), 0u) << "an absence still running is not listed";
    const auto runs = a.Counted("GRPV");
    EXPECT_EQ(runs.at("7 x 1"), 1);
    EXPECT_EQ(runs.at("30 x 3"), 1);
    EXPECT_EQ(runs.at("41 x 8"), 1);
    EXPECT_EQ(runs.count("40 x 1"), 0u) << "not in the newest draw";
}

TEST(Series, ChannelTextsAndSegmentZeroStayInsideTheWorkArea) {
    TArchive a(DrawsWith(3, {}));
    EXPECT_EQ(a.Counted("GRCV"), (std::map<std::string, int>{{"10 x 3", 1}, {"11 x 3", 1}, {"12 x 3", 1}}));
    // A hand-edited segment map with digit 0 (segments 0..9): runs are kept from the lowest segment on.
    std::array<uint8_t, 52> seg{};
    for (int n = 0; n < 52; ++n) seg[static_cast<size_t>(n)] = static_cast<uint8_t>(n % 10);
    seg[0] = 9; // keep the map marked as set
    TArchive z(DrawsWith(4, {{3, {10, 20, 40, 41, 42, 43}}}), 4, seg);
    const auto runs = z.Counted("GRSV");
    EXPECT_EQ(runs.at("0 x 4"), 1); // 41 lies in segment 0
    EXPECT_EQ(z.Counted("GRSP").size(), 0u);
}

TEST(Periods, GapsInDrawNumbers) {
    TDrawsArray d;
    for (int k = 0; k < 5; ++k) d.push_back(MakeDraw(100 + k, {k == 0 || k == 4 ? 12 : 1, 2, 3, 4, 5, 6}));
    TArchive a(d);
    const auto periods = a.Counted("PRDV");
    EXPECT_EQ(periods.at("12 x 4"), 1);
    EXPECT_EQ(periods.at("2 x 1"), 4);
    EXPECT_EQ(periods.count("1 x 1"), 1u);

    TArchive c({MakeDraw(7, {1, 2, 30, 31, 32, 50})});
    EXPECT_TRUE(c.Counted("PRDC").empty()) << "first appearances and period 0 are skipped";
    TArchive c2({MakeDraw(7, {1, 2, 30, 31, 32, 50}), MakeDraw(9, {1, 2, 30, 31, 32, 50})});
    EXPECT_EQ(c2.Counted("PRDC"), (std::map<std::string, int>{{"01 x 2", 1}, {"08 x 2", 1}, {"13 x 2", 1}}));
}

TEST(Periods, MatchDependsOnExclude) {
    // Draw numbers 100..104; the newest is 104 (index 4). A period of 3 looks at index 4 - 3 + 1 = 2.
    TDrawsArray d;
    for (int k = 0; k < 5; ++k) d.push_back(MakeDraw(100 + k, {k == 2 ? 12 : 1, 2, 3, 4, 5, 6}));
    TArchive a(d);
    auto stat = a.Create("PRDV");
    TStatDraw row{};
    row.SetW(1, 12);
    row.SetW(2, 3);
    const TStatDrawArray sel{row};
    const TComb with12 = MakeComb({9, 12, 20, 30, 40, 50}), without = MakeComb({9, 13, 20, 30, 40, 50});
    stat->LoadDraws(-1, 4, false);
    EXPECT_TRUE(stat->MatchComb(with12, sel, 4, false, false));
    EXPECT_FALSE(stat->MatchComb(with12, sel, 4, false, true));
    EXPECT_FALSE(stat->MatchComb(without, sel, 4, false, false));
    EXPECT_FALSE(stat->MatchComb(without, sel, 4, false, true));
    // A period reaching before the archive reads an empty draw: 12 is not there.
    row.SetW(2, 40);
    EXPECT_FALSE(stat->MatchComb(with12, {row}, 4, false, false));
    EXPECT_TRUE(stat->MatchComb(with12, {row}, 4, false, true));
}

// --- Transitions -------------------------------------------------------------------------------------------------

TEST(Transitions, PositionsThatMatchTheNewestDraw) {
    TArchive a({MakeDraw(1, {5, 9, 22, 31, 42, 49}), MakeDraw(2, {11, 13, 40, 1, 2, 3}),
                MakeDraw(3, {5, 17, 22, 30, 41, 48})});
    EXPECT_EQ(a.Counted("SDP2"), (std::map<std::string, int>{{"5 -> 11", 1}, {"22 -> 40", 1}}));
    EXPECT_EQ(a.Counted("SDN3"), (std::map<std::string, int>{{"22 -> 40", 1}}));
    EXPECT_TRUE(a.Counted("SDN2").empty());
    // Channels: 5 -> 11 is channel 2 -> 3; positions whose channels agree join.
    EXPECT_EQ(a.Counted("SCP2").at("02 -> 03"), 1);
    auto stat = a.Create("SDP2");
    stat->LoadDraws(-1, 2, false);
    TStatDraw row{};
    row.SetW(1, 5);
    row.SetW(2, 11);
    EXPECT_TRUE(stat->MatchComb(MakeComb({1, 2, 3, 4, 11, 52}), {row}, 2, false, false));
    EXPECT_FALSE(stat->MatchComb(MakeComb({1, 2, 3, 4, 5, 52}), {row}, 2, false, false)) << "source side";
}

TEST(Transitions, FirstDrawAndMissingDrawsContributeNothing) {
    TArchive a({MakeDraw(1, {5, 17, 22, 30, 41, 48})});
    for (const char* code : {"SDV2", "SDP2", "SDP3", "SCV2", "SC2C1", "SC3C1", "SDA2", "SDC2", "SSV2", "SS3C1"}) {
        auto counted = a.Counted(code);
        int total = 0;
        for (const auto& [text, count] : counted) total += count;
        EXPECT_EQ(total, 0) << code;
    }
    // A draw with number 0 before a real one (zeros of a missing draw) adds no record of it.
    TArchive z({MakeDraw(0, {0, 0, 0, 0, 0, 0}), MakeDraw(2, {5, 17, 22, 30, 41, 48})});
    EXPECT_TRUE(z.Counted("SDV2").empty());
}

TEST(Transitions, WithinChannels) {
    // x = 7 (channel 5..8) in the draw before and in the newest draw; the draw after it has no number 5..8.
    TArchive a({MakeDraw(1, {7, 20, 33, 40, 45, 50}), MakeDraw(2, {1, 2, 3, 10, 11, 12}),
                MakeDraw(3, {7, 21, 34, 41, 46, 51})});
    EXPECT_EQ(a.Counted("SDZ2"), (std::map<std::string, int>{{"7 -> 0", 1}}));
    EXPECT_TRUE(a.Counted("SDG2").empty());
    EXPECT_EQ(a.Counted("SDA2"), (std::map<std::string, int>{{"7 -> 0", 1}}));
    EXPECT_EQ(a.Counted("SDC2"), (std::map<std::string, int>{{"7 -> 0", 1}}));

    TArchive b({MakeDraw(1, {7, 20, 33, 40, 45, 50}), MakeDraw(2, {5, 8, 3, 10, 11, 12}),
                MakeDraw(3, {7, 21, 34, 41, 46, 51})});
    EXPECT_EQ(b.Counted("SDG2"), (std::map<std::string, int>{{"7 -> 5", 1}, {"7 -> 8", 1}}));
    EXPECT_EQ(b.Counted("SDC2"), (std::map<std::string, int>{{"7 -> 2", 1}}));
    EXPECT_TRUE(b.Counted("SDZ2").empty());

    // The "7 -> 0" row keeps or removes by the channel of 7, the "7 -> 5" row by the number 5.
    auto stat = a.Create("SDZ2");
    TStatDraw zero{};
    zero.SetW(1, 7);
    TStatDraw five = zero;
    five.SetW(2, 5);
    const TComb with6 = MakeComb({1, 6, 20, 30, 40, 50}), with5 = MakeComb({1, 5, 20, 30, 40, 50}),
                none = MakeComb({1, 9, 20, 30, 40, 50});
    EXPECT_TRUE(stat->MatchComb(with6, {zero}, 2, false, false));
    EXPECT_FALSE(stat->MatchComb(none, {zero}, 2, false, false));
    EXPECT_FALSE(stat->MatchComb(with6, {five}, 2, false, false));
    EXPECT_TRUE(stat->MatchComb(with5, {five}, 2, false, false));
    EXPECT_FALSE(stat->MatchComb(with6, {zero}, 1, false, false)) << "7 is not in draw 2";
}

TEST(Transitions, CountSeedsAndMoves) {
    // Channel 1 (1..4): counts 2, 1, 2, 3, 2 in the five draws; the newest two have 3 then 2.
    TArchive a({MakeDraw(1, {1, 2, 30, 31, 32, 50}), MakeDraw(2, {3, 20, 30, 31, 32, 50}),
                MakeDraw(3, {1, 4, 30, 31, 32, 50}), MakeDraw(4, {1, 2, 3, 31, 32, 50}),
                MakeDraw(5, {2, 4, 30, 31, 32, 50})});
    auto two = a.Create("SC2C1");
    TStatDrawArray seeded;
    two->InitValues(4, seeded);
    ASSERT_EQ(seeded.size(), 5u) << "k(L1) = 2 with 0..ChannelSize";
    EXPECT_EQ(two->ValueText(seeded[4]), "2 -> 4");
    const auto moves = a.Counted("SC2C1");
    EXPECT_EQ(moves.at("2 -> 1"), 1); // draw 2 after draw 1
    EXPECT_EQ(moves.at("2 -> 3"), 1); // draw 4 after draw 3
    EXPECT_EQ(moves.at("2 -> 0"), 0);
    const auto three = a.Counted("SC3C1");
    EXPECT_EQ(three.at("3-2 -> 0"), 0); // seeded with k(L2) = 3, k(L1) = 2
    EXPECT_EQ(three.size(), 5u) << "no earlier pair 3, 2";
    const auto seg = a.Counted("SS2C1"); // every number in segment 1: k = 6 always
    EXPECT_EQ(seg.at("6 -> 6"), 4);
    EXPECT_EQ(seg.at("6 -> 0"), 0);

    auto stat = a.Create("SC2C1");
    TStatDraw row{};
    row.SetW(1, 2);
    row.SetW(2, 1);
    EXPECT_TRUE(stat->MatchComb(MakeComb({1, 10, 20, 30, 40, 50}), {row}, 4, false, false));
    EXPECT_FALSE(stat->MatchComb(MakeComb({1, 2, 20, 30, 40, 50}), {row}, 4, false, false));
}

} // namespace
} // namespace zorb

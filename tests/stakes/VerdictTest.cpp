// The verdict after a test: p-values against the exact distribution of random play computed here from first
// principles, Holm's correction against textbook values, random play that must not look like skill, and the
// held-out check and the luck series against sums made by hand.
#include "stakes/Verdict.h"

#include "StakesTestUtil.h"
#include "core/FileUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace zorb {
namespace {

using test::Set;

// C(a, b) as a plain product, independent of the game model's helpers.
double Choose(int a, int b) {
    if (b < 0 || b > a) return 0;
    double r = 1;
    for (int i = 1; i <= b; ++i) r = r * (a - b + i) / i;
    return r;
}

double Hypergeometric(int n, int k) {
    return Choose(6, k) * Choose(46, n - k) / Choose(52, n);
}

// P(total >= observed) for independent random stakes of the given sizes: the full convolution, nothing dropped.
double ExactTail(const std::vector<int>& sizes, int observed) {
    std::vector<double> dist{1.0};
    for (int n : sizes) {
        std::vector<double> next(dist.size() + 6, 0.0);
        for (size_t t = 0; t < dist.size(); ++t)
            for (int k = 0; k <= 6; ++k) next[t + static_cast<size_t>(k)] += dist[t] * Hypergeometric(n, k);
        dist.swap(next);
    }
    double tail = 0;
    for (size_t t = 0; t < dist.size(); ++t)
        if (static_cast<int>(t) >= observed) tail += dist[t];
    return tail;
}

Currency Profit(int n, int k) {
    return -Binomial(n, 6) * 125000 + (k == 6 ? 10000000 : 0);
}

TStakeRecord Stake(const std::string& comment, int draw, int size, int matches) {
    TStakeRecord r;
    r.Kind = 3;
    r.DrawNumber = draw;
    r.Checked = true;
    for (int i = 0; i < size; ++i) r.Numbers.Numbers[r.Numbers.Count++] = static_cast<uint8_t>(i + 1);
    r.Matched.Count = matches;
    r.Profit = Profit(size, matches);
    r.Comment = comment;
    return r;
}

// --- Holm's correction --------------------------------------------------------------------------------------

struct THolmCase {
    std::vector<double> P, Adjusted;
};

class HolmTest : public testing::TestWithParam<THolmCase> {};

TEST_P(HolmTest, GivesTheTextbookAdjustedValues) {
    const std::vector<double> got = HolmAdjust(GetParam().P);
    ASSERT_EQ(got.size(), GetParam().Adjusted.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], GetParam().Adjusted[i], 1e-12) << i;
}

INSTANTIATE_TEST_SUITE_P(FivePValues, HolmTest,
                         testing::Values(
                             // 5·0.005, 4·0.01, 3·0.03, then 2·0.04 = 0.08 held up to 0.09 by the step before it.
                             THolmCase{{0.01, 0.04, 0.03, 0.005, 0.20}, {0.04, 0.09, 0.09, 0.025, 0.20}},
                             // Ties: the second 0.01 gets 4·0.01 = 0.04, held up to 5·0.01.
                             THolmCase{{0.01, 0.01, 0.02, 0.5, 0.04}, {0.05, 0.05, 0.06, 0.5, 0.08}},
                             THolmCase{{0.30, 0.25, 0.60, 0.01, 0.02}, {0.75, 0.75, 0.75, 0.05, 0.08}},
                             // Capped at one.
                             THolmCase{{0.5, 0.3, 0.9, 0.2, 0.25}, {1, 1, 1, 1, 1}}, THolmCase{{}, {}}));

// --- p-values of the summary --------------------------------------------------------------------------------

struct TPValueCase {
    int Six, Eight; // stakes of six and of eight numbers
    double Sigmas;  // observed matches: the mean plus this many standard deviations
};

class SummaryPValueTest : public testing::TestWithParam<TPValueCase> {};

TEST_P(SummaryPValueTest, IsTheExactConvolutionUpToAThousandStakesAndALabelledApproximationAbove) {
    const TPValueCase& c = GetParam();
    std::vector<int> sizes(static_cast<size_t>(c.Six), 6);
    sizes.insert(sizes.end(), static_cast<size_t>(c.Eight), 8);
    double mean = 0, variance = 0;
    for (int n : sizes) {
        double m = 0, m2 = 0;
        for (int k = 0; k <= 6; ++k) {
            m += k * Hypergeometric(n, k);
            m2 += k * k * Hypergeometric(n, k);
        }
        mean += m;
        variance += m2 - m * m;
    }
    const int observed = static_cast<int>(std::lround(mean + c.Sigmas * std::sqrt(variance)));
    // The matches spread over the stakes; only their total and the sizes matter.
    TVerdictBuilder builder;
    int left = observed;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const int m = std::min(left, std::min(sizes[i], 6));
        builder.Add(Stake("Строка", 100 + static_cast<int>(i % 7), sizes[i], m));
        left -= m;
    }
    ASSERT_EQ(left, 0);
    const TVerdict v = builder.Finish(Profit);
    ASSERT_EQ(v.Entries.size(), 1u);
    const TRatingExpectation& e = v.Entries[0].Expected;
    const double exact = ExactTail(sizes, observed);
    const TVerdictTable t = VerdictTable(v);
    const std::string method = t.Summary[1][8];
    if (sizes.size() <= 1000) {
        EXPECT_TRUE(e.Exact);
        EXPECT_NEAR(e.PValue, exact, 1e-12 + 1e-9 * exact);
        EXPECT_EQ(method, "точно");
    } else {
        EXPECT_FALSE(e.Exact);
        EXPECT_NEAR(e.PValue, 0.5 * std::erfc((observed - 0.5 - mean) / std::sqrt(2 * variance)), 1e-12);
        EXPECT_NEAR(e.PValue, exact, 0.01); // and close to the truth
        EXPECT_EQ(method, "приближенно");
    }
    EXPECT_NEAR(e.Matches, mean, 1e-9);
    EXPECT_EQ(e.CorrectedPValue, e.PValue); // one entry compared with nothing else
}

INSTANTIATE_TEST_SUITE_P(Sizes, SummaryPValueTest,
                         testing::Values(TPValueCase{20, 0, 2.0}, TPValueCase{300, 100, 1.7}, TPValueCase{1000, 0, 0.5},
                                         TPValueCase{0, 300, 3.0}, TPValueCase{1001, 0, 1.7},
                                         TPValueCase{700, 400, 2.2}));

// Holm's method keeps the chance that any of a run's entries is called better by luck at 5 % at most. Fifty
// entries of random stakes over 200 random draws, a hundred times: at most one run in ten may show green (the
// first twenty seeds alone give 17 clean runs, a 7 % event for a 5 % method; the hundred give 96).
TEST(VerdictTest, RandomStakesOnRandomDrawsAreRarelyBetterAfterTheCorrection) {
    int clean = 0;
    for (uint64_t seed = 1; seed <= 100; ++seed) {
        std::mt19937_64 rng(seed);
        auto six = [&rng] {
            std::vector<int> all(52);
            for (int i = 0; i < 52; ++i) all[static_cast<size_t>(i)] = i + 1;
            std::shuffle(all.begin(), all.end(), rng);
            return std::vector<int>(all.begin(), all.begin() + 6);
        };
        TVerdictBuilder builder;
        for (int draw = 1; draw <= 200; ++draw) {
            const std::vector<int> drawn = six();
            for (int entry = 0; entry < 50; ++entry) {
                const std::vector<int> staked = six();
                int matches = 0;
                for (int n : staked) matches += std::count(drawn.begin(), drawn.end(), n) > 0;
                builder.Add(Stake("Вариант " + std::to_string(entry), draw, 6, matches));
            }
        }
        const TVerdict v = builder.Finish(Profit);
        ASSERT_EQ(v.Entries.size(), 50u);
        bool green = false;
        for (const TVerdictEntry& e : v.Entries) green = green || Significant(e.Expected);
        clean += !green;
    }
    EXPECT_GE(clean, 90);
}

TEST(VerdictTest, FewExpectedMatchesGetNoColourHoweverLucky) {
    TVerdictBuilder builder;
    for (int d = 1; d <= 5; ++d) builder.Add(Stake("Везунчик", d, 6, 6)); // random play expects 3.46 matches
    for (int d = 1; d <= 100; ++d) builder.Add(Stake("Много", d, 6, d % 2 ? 3 : 0));
    TStakeRecord open = Stake("Много", 101, 6, 0);
    open.Checked = false;
    open.Matched.Count = -1;
    builder.Add(open); // not a result
    builder.Add(SeparatorRecord());
    const TVerdictTable t = VerdictTable(builder.Finish(Profit));
    ASSERT_EQ(t.Summary.size(), 3u);
    EXPECT_EQ(t.Summary[1][1], "5");
    EXPECT_EQ(t.Summary[1][9], "мало данных");
    EXPECT_EQ(t.Marks[0], TVerdictMark::FewData);
    // 150 matched against 69.2 expected: far beyond chance even after doubling for the two entries.
    EXPECT_EQ(t.Summary[2][1], "100");
    EXPECT_EQ(t.Summary[2][2], "150");
    EXPECT_EQ(t.Summary[2][9], "лучше случайной игры");
    EXPECT_EQ(t.Marks[1], TVerdictMark::Better);
    EXPECT_TRUE(t.HeldOutTitle.empty());
}

// --- The held-out check ---------------------------------------------------------------------------------------

TEST(VerdictTest, HeldOutJudgesTheEntryThatLookedBestBeforeOnTheLaterDrawsAlone) {
    // Draws 1..100, the last 20 held out. "Ранний" is lucky before draw 81 and plain after; "Ровный" is plain.
    TVerdictBuilder builder(20, 81);
    std::vector<int> heldSizes;
    int heldMatches = 0;
    for (int d = 1; d <= 100; ++d) {
        const int size = d % 3 ? 6 : 7;
        builder.Add(Stake("ровный", d, 6, d % 3 == 0 ? 2 : 0));
        const int m = d < 81 ? 2 : (d % 4 == 0 ? 1 : 0);
        builder.Add(Stake("Ранний", d, size, m));
        if (d >= 81) {
            heldSizes.push_back(size);
            heldMatches += m;
        }
    }
    const TVerdict v = builder.Finish(Profit);
    ASSERT_TRUE(v.HeldOut);
    const THeldOutCheck& h = *v.HeldOut;
    ASSERT_TRUE(h.Chosen);
    EXPECT_EQ(h.Before.Stakes.Comment, "Ранний");
    EXPECT_EQ(h.Before.Stakes.StakeCount, 80);
    EXPECT_EQ(h.Before.Stakes.MatchTotal, 160);
    EXPECT_EQ(h.HeldOut.Stakes.StakeCount, 20);
    EXPECT_EQ(h.HeldOut.Stakes.MatchTotal, heldMatches);
    EXPECT_NEAR(h.HeldOut.Expected.PValue, ExactTail(heldSizes, heldMatches), 1e-12);
    const TVerdictTable t = VerdictTable(v);
    EXPECT_EQ(t.HeldOutTitle, "Проверка на последних 20 смещениях (с тиража 81): лучшая до них строка - «Ранний»");
    ASSERT_EQ(t.HeldOut.size(), 3u);
    EXPECT_EQ(t.HeldOut[1][0], "до тиража 81");
    EXPECT_EQ(t.HeldOut[2][0], "с тиража 81");
    EXPECT_EQ(t.HeldOut[2][1], "20");
    EXPECT_EQ(t.HeldOut[2].back(), "в пределах случайности");
    // The clipboard text holds both tables, a spreadsheet row per line.
    const std::string text = VerdictText(t);
    EXPECT_NE(text.find("Ранний\t100\t"), std::string::npos);
    EXPECT_NE(text.find("\r\nс тиража 81\t20\t5\t"), std::string::npos) << text;
}

TEST(VerdictTest, HeldOutSaysWhenThereIsNothingToChooseOrTheChosenEntryStoppedStaking) {
    TVerdictBuilder late(10, 91);
    for (int d = 91; d <= 100; ++d) late.Add(Stake("a", d, 6, 1));
    TVerdictTable t = VerdictTable(late.Finish(Profit));
    EXPECT_EQ(t.HeldOutTitle, "Проверка на последних 10 смещениях: до них нет ставок, выбирать не из чего.");
    EXPECT_TRUE(t.HeldOut.empty());

    TVerdictBuilder early(10, 91);
    for (int d = 1; d <= 90; ++d) early.Add(Stake("A", d, 6, 3));
    for (int d = 91; d <= 100; ++d) early.Add(Stake("b", d, 6, 0));
    t = VerdictTable(early.Finish(Profit));
    ASSERT_EQ(t.HeldOut.size(), 3u);
    EXPECT_EQ(t.HeldOut[2][1], "0");
    EXPECT_EQ(t.HeldOut[2].back(), "нет ставок");
    EXPECT_EQ(t.HeldOut[1].size(), t.HeldOut[0].size());
    EXPECT_EQ(t.HeldOut[2].size(), t.HeldOut[0].size());
}

// --- Luck -----------------------------------------------------------------------------------------------------

TEST(VerdictTest, LuckAddsUpMatchesMinusRandomPlayDrawByDrawWithItsBand) {
    test::TTempDir dir;
    std::string bytes;
    auto add = [&bytes](int draw, bool checked, std::vector<int> numbers, int matches, const char* comment) {
        test::TRawStake s;
        s.Draw = draw;
        s.Checked = checked;
        s.Numbers = std::move(numbers);
        s.MatchedCount = matches;
        s.Comment = comment;
        bytes += test::RawStake(s);
    };
    const std::vector<int> six{1, 2, 3, 4, 5, 6}, eight{1, 2, 3, 4, 5, 6, 7, 8};
    add(11, true, eight, 2, "a");
    add(10, true, six, 1, "A");
    bytes += test::RawSeparator();
    add(11, true, six, 0, "a");
    add(11, true, six, 5, "other");
    add(12, false, six, -1, "a"); // unchecked: no result
    test::WriteRaw(dir.File("s.lsk"), bytes);
    TStakesFile file;
    file.Open(dir.File("s.lsk"));

    auto moments = [](int n) {
        double m = 0, m2 = 0;
        for (int k = 0; k <= 6; ++k) {
            m += k * Hypergeometric(n, k);
            m2 += k * k * Hypergeometric(n, k);
        }
        return std::pair{m, m2 - m * m};
    };
    const auto [m6, v6] = moments(6);
    const auto [m8, v8] = moments(8);
    const auto series = LuckOfComments(file, {"a", "nobody"});
    ASSERT_EQ(series.size(), 2u);
    EXPECT_TRUE(series[1].empty());
    ASSERT_EQ(series[0].size(), 2u);
    EXPECT_EQ(series[0][0].Draw, 10);
    EXPECT_NEAR(series[0][0].Excess, 1 - m6, 1e-12);
    EXPECT_NEAR(series[0][0].Band, 2 * std::sqrt(v6), 1e-12);
    EXPECT_EQ(series[0][1].Draw, 11);
    EXPECT_NEAR(series[0][1].Excess, 1 - m6 + 2 - m8 + 0 - m6, 1e-12);
    EXPECT_NEAR(series[0][1].Band, 2 * std::sqrt(2 * v6 + v8), 1e-12);
}

} // namespace
} // namespace zorb

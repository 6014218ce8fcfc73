#include "stakes/Ratings.h"

#include "StakesTestUtil.h"
#include "core/FileUtils.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zorb {
namespace {

using test::ReadRaw;
using test::Set;
using test::TTempDir;
using test::WriteRaw;

TStakeRecord Checked(const std::string& comment, int matches, std::initializer_list<int> numbers = {1, 2, 3, 4, 5, 6},
                     Currency profit = -125000, int draw = 10) {
    TStakeRecord r;
    r.Kind = skManual;
    r.DrawNumber = draw;
    r.Checked = true;
    r.Numbers = Set(numbers);
    r.Matched = TNumberSet{matches, {}};
    r.Profit = profit;
    r.Comment = comment;
    return r;
}

// Profit of a stake as the default game settings would give it: cost 12.5 per combination, 1000 for six.
Currency Profit(int n, int k) {
    return -Binomial(n, 6) * 125000 + (k == 6 ? 10000000 : 0);
}

// Ten stakes, seven numbers matched, 5/3/2 stakes with 0/1/2 matches: an entry small enough to check by hand.
TRatingRecord TenStakes() {
    TRatingRecord r;
    r.Comment = "x";
    r.StakeCount = 10;
    r.MatchTotal = 7;
    r.MatchCounts = {5, 3, 2, 0, 0, 0, 0};
    return r;
}

TEST(RatingsTest, StakesOfOneCommentInAnyCaseShareAnEntryWithExpectationsPerSize) {
    TRatings ratings;
    EXPECT_TRUE(ratings.AddStake(Checked("Смесь", 2)));
    EXPECT_TRUE(ratings.AddStake(Checked("смесь", 3, {1, 2, 3, 4, 5, 6, 7, 8}, -3500000)));
    EXPECT_FALSE(ratings.AddStake(Checked("смесь", -1)));
    TStakeRecord unchecked = Checked("смесь", 1);
    unchecked.Checked = false;
    EXPECT_FALSE(ratings.AddStake(unchecked));
    ASSERT_EQ(ratings.Count(), 1u);
    const TRatingRecord& r = ratings.Items()[0];
    EXPECT_EQ(r.Comment, "Смесь"); // the first comment is kept
    EXPECT_EQ(r.StakeCount, 2);
    EXPECT_EQ(r.MatchTotal, 5);
    EXPECT_EQ(r.Profit, -3625000);
    EXPECT_TRUE(r.SizesKnown());
    const TRatingExpectation e = ExpectRating(r, Profit);
    for (int k = 0; k <= 6; ++k)
        EXPECT_NEAR(e.E[static_cast<size_t>(k)], StakeMatchProbability(6, k) + StakeMatchProbability(8, k), 1e-12);
    EXPECT_NEAR(e.Matches, 6.0 * 6 / 52 + 6.0 * 8 / 52, 1e-12);
}

TEST(RatingsTest, MatchProbabilitiesAreDistributionsAndSixNumbersGiveTheGameShares) {
    const TMatchDistribution d = ComputeMatchDistribution();
    for (int n = 6; n <= 12; ++n) {
        double sum = 0, mean = 0;
        for (int k = 0; k <= 6; ++k) {
            sum += StakeMatchProbability(n, k);
            mean += k * StakeMatchProbability(n, k);
        }
        EXPECT_NEAR(sum, 1.0, 1e-12) << n;
        EXPECT_NEAR(mean, 6.0 * n / 52, 1e-12) << n;
    }
    for (int k = 0; k <= 6; ++k)
        EXPECT_NEAR(StakeMatchProbability(6, k), d.Probabilities[static_cast<size_t>(k)], 1e-15);
    EXPECT_EQ(StakeMatchProbability(5, 1), 0);
    EXPECT_EQ(StakeMatchProbability(6, 7), 0);
}

TEST(RatingsTest, UnknownSizesShowTheWorkedEntry) {
    const TRatingRecord r = TenStakes(); // no size counters
    const TRatingExpectation e = ExpectRating(r, Profit);
    struct {
        int Column, Mode;
        const char* Text;
    } cells[] = {
        {3, 1, "0.700"}, {13, 1, "3.991%"}, {13, 0, "5"}, {14, 2, "74.260%"},
        {20, 1, ""},     {21, 1, ""},       {22, 1, ""}, // random-play columns need the sizes
    };
    for (const auto& c : cells) EXPECT_EQ(RatingCellText(r, e, c.Column, c.Mode), c.Text) << c.Column;
    TRatingRecord none;
    for (int c = 3; c < RatingColumnCount; ++c)
        if (c != 4 && (c < 6 || c >= RatingEColumn)) {
            EXPECT_EQ(RatingCellText(none, ExpectRating(none, Profit), c, 1), "") << c;
        }
}

TEST(RatingsTest, PValueExactUpToTheLimitAndApproximatedBeyond) {
    TRatingRecord r = TenStakes();
    r.SizeCounts[0] = 10;
    TRatingExpectation e = ExpectRating(r, Profit);
    ASSERT_TRUE(e.Exact);
    // P(total >= 7) for ten six-number stakes, by the complement of totals 0..6 computed independently.
    std::vector<double> dist{1.0};
    for (int s = 0; s < 10; ++s) {
        std::vector<double> next(dist.size() + 6, 0.0);
        for (size_t t = 0; t < dist.size(); ++t)
            for (int k = 0; k <= 6; ++k) next[t + static_cast<size_t>(k)] += dist[t] * StakeMatchProbability(6, k);
        dist = next;
    }
    double below = 0;
    for (size_t t = 0; t < 7; ++t) below += dist[t];
    EXPECT_NEAR(e.PValue, 1 - below, 1e-12);
    EXPECT_NEAR(e.Profit, 10 * (-12.5 + 1000.0 / 20358520), 1e-9);

    // 2000 stakes of 7 numbers, exactly the expected matches: the approximation gives about one half.
    TRatingRecord big;
    big.StakeCount = 2000;
    big.SizeCounts[1] = 2000;
    big.MatchTotal = static_cast<int32_t>(std::lround(2000 * 42.0 / 52));
    e = ExpectRating(big, Profit);
    EXPECT_FALSE(e.Exact);
    EXPECT_NEAR(e.Sigma2, 2000 * 7 * (6.0 / 52) * (46.0 / 52) * 45 / 51, 1e-9);
    EXPECT_GT(e.PValue, 0.4);
    EXPECT_LT(e.PValue, 0.6);
}

TEST(RatingsTest, SortComparesExactValuesStablyWithStakelessEntriesLast) {
    auto entry = [](const char* comment, int stakes, int total) {
        TRatingRecord r;
        r.Comment = comment;
        r.StakeCount = stakes;
        r.MatchTotal = total;
        return r;
    };
    struct {
        int Column;
        bool Desc;
        std::vector<std::string> Order;
    } cases[] = {
        {3, true, {"b", "a", "c", "d", "e"}},  // 0.704 above 0.701; equal c and d keep their order
        {3, false, {"c", "d", "a", "b", "e"}}, // stakeless e last both ways
        {0, false, {"a", "b", "c", "d", "e"}},
        {13, true, {"a", "b", "c", "d", "e"}}, // E columns shown alike: order kept, e last
        {1, true, {"a", "b", "c", "d", "e"}},
    };
    for (const auto& c : cases) {
        TRatings ratings;
        // Through the file, as the program holds them.
        TTempDir dir;
        std::string bytes;
        for (const TRatingRecord& r : {entry("a", 1000, 701), entry("b", 1000, 704), entry("c", 1000, 500),
                                       entry("d", 1000, 500), entry("e", 0, 0)}) {
            const auto b = EncodeRating(r);
            bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
        }
        WriteRaw(dir.File("r.lrt"), bytes);
        ratings.Load(dir.File("r.lrt"), dir.File("r.lrs"));
        for (int round = 0; round < 2; ++round) { // sorting again changes nothing
            ratings.Sort(c.Column, c.Desc, 0, Profit);
            std::vector<std::string> order;
            for (const auto& r : ratings.Items()) order.push_back(r.Comment);
            EXPECT_EQ(order, c.Order) << c.Column << (c.Desc ? " desc" : " asc");
        }
    }
}

TEST(RatingsTest, FilesRoundTripWithSizesAndIgnoreAPartialRecord) {
    TTempDir dir;
    const std::string lrt = dir.File("Zorb_6x52.lrt"), lrs = dir.File("Zorb_6x52.lrs");
    TRatings ratings;
    ratings.AddStake(Checked("Регуляр", 2, {1, 2, 3, 4, 5, 6, 7}));
    ratings.AddStake(Checked("other", 6, {1, 2, 3, 4, 5, 6}, 9875000));
    ratings.Save(lrt, lrs);
    std::string bytes = ReadRaw(lrt);
    ASSERT_EQ(bytes.size(), 2 * RatingRecordSize);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 7u); // length byte of the code page 1251 text
    EXPECT_EQ(test::RawI32(bytes, 0, 256), 1);
    EXPECT_EQ(ReadRaw(lrs).size(), 2 * RatingSizesRecordSize);
    WriteRaw(lrt, bytes + std::string(100, '\x7f'));

    TRatings loaded;
    loaded.Load(lrt, lrs);
    ASSERT_EQ(loaded.Count(), 2u);
    EXPECT_EQ(loaded.Items()[0].Comment, "Регуляр");
    EXPECT_EQ(loaded.Items()[0].SizeCounts[1], 1);
    EXPECT_EQ(loaded.Items()[1].Profit, 9875000);
    EXPECT_EQ(loaded.Items()[1].MatchCounts[6], 1);
    loaded.AddStake(Checked("РЕГУЛЯР", 1)); // the index follows the loaded entries
    EXPECT_EQ(loaded.Count(), 2u);

    // Without the sizes file the entries keep their counts, their sizes unknown.
    std::filesystem::remove(lrs);
    loaded.Load(lrt, lrs);
    EXPECT_FALSE(loaded.Items()[0].SizesKnown());
    EXPECT_EQ(loaded.Items()[0].MatchTotal, 2);
    loaded.Load(dir.File("absent.lrt"), lrs);
    EXPECT_TRUE(loaded.Empty());
}

// The comparison with random play speaks the chosen language, like the list.
TEST(RatingsTest, RandomPlayCaptionsAndHintsFollowTheLanguageModule) {
    const std::vector<std::string> russian = RatingRandomCaptions();
    EXPECT_EQ(russian.back(), "Расчет");
    LoadLanguageModule(std::string(ZORB_SAMPLE_DIR) + "/../lang/Zorb_6x52_ENG.lng");
    const std::vector<std::string> english = RatingRandomCaptions();
    std::string hints;
    for (int c = 0; c < RatingColumnCount; ++c) hints += RatingColumnHint(c, 1) + RatingColumnCaption(c);
    LoadLanguageModule("");
    ASSERT_EQ(english.size(), russian.size());
    EXPECT_EQ(english[0], "Comment");
    EXPECT_EQ(english[10], "Exp. 0");
    EXPECT_EQ(english[21], "p-value");
    EXPECT_EQ(english[22], "corrected p");
    EXPECT_EQ(english.back(), "Method");
    for (unsigned char ch : hints) EXPECT_LT(ch, 0xD0) << hints; // no Cyrillic left in any header or its hint
}

TEST(RatingsTest, CsvWritesEveryColumnInHeaderAndLines) {
    TRatings ratings;
    ratings.AddStake(Checked("a \"q\"", 1));
    const std::string csv = ratings.CsvText(1, Profit);
    std::vector<std::string> lines;
    ForEachLine(csv, [&](std::string_view l) {
        if (!l.empty()) lines.emplace_back(l);
        return true;
    });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(SplitKeepEmpty(lines[0], ';').size(), static_cast<size_t>(RatingColumnCount));
    EXPECT_EQ(SplitKeepEmpty(lines[1], ';').size(), static_cast<size_t>(RatingColumnCount));
    EXPECT_EQ(lines[1].substr(0, 10), "\"a \"\"q\"\"\";");
    EXPECT_NE(csv.find("\r\n"), std::string::npos);
}

TEST(RatingsTest, ScriptLinesFromComments) {
    struct {
        const char* Comment;
        const char* Line;
    } cases[] = {
        {"01.002: line @ F1 + F2", "F1|F2| | | | | | |01.002: line"},
        {"A|B|C|D|E|F|G|H", "A|B|C|D|E|F|G|H|"},
        {"plain", "plain| | | | | | | |"},
    };
    for (const auto& c : cases) EXPECT_EQ(RatingScriptLine(c.Comment), c.Line);
}

class StakeGraphsTest : public testing::Test {
protected:
    void SetUp() override {
        std::string bytes;
        auto add = [&](int draw, bool checked, int matches, int64_t profit, const char* comment) {
            test::TRawStake s;
            s.Draw = draw;
            s.Checked = checked;
            s.Numbers = {1, 2, 3, 4, 5, 6};
            s.MatchedCount = matches;
            s.Profit = profit;
            s.Comment = comment;
            bytes += test::RawStake(s);
        };
        add(12, true, 1, -10000, "a");
        add(11, true, 2, -20000, "B");
        bytes += test::RawSeparator();
        add(12, true, 0, -40000, "b");
        add(13, false, -1, -80000, "a");
        WriteRaw(Dir.File("s.lsk"), bytes);
        File.Open(Dir.File("s.lsk"));
    }
    TTempDir Dir;
    TStakesFile File;
};

TEST_F(StakeGraphsTest, ProfitsInDrawOrderAndStakesOfTheNewestDraws) {
    const auto profits = ProfitByDraw(File);
    const std::vector<std::pair<int32_t, Currency>> expected = {{11, -20000}, {12, -50000}, {13, -80000}};
    EXPECT_EQ(profits, expected);
    // Backwards over checked stakes: draw 12, then 11 would be the second.
    EXPECT_EQ(CountDrawsBackward(File, 1), (std::pair<int64_t, int>{2, 1}));
    EXPECT_EQ(CountDrawsBackward(File, 100), (std::pair<int64_t, int>{0, 3}));
    const auto points = StakesOfComments(File, 0, {"b"});
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].Draw, 11);
    EXPECT_EQ(points[1].Matches, 0);

    TRatings ratings;
    ratings.AddStake(Checked("stale", 3));
    ratings.Rebuild(File);
    ASSERT_EQ(ratings.Count(), 2u);
    EXPECT_EQ(ratings.Items()[0].StakeCount, 1); // "a": its unchecked stake does not count
    EXPECT_EQ(ratings.Items()[1].StakeCount, 2);
}

} // namespace
} // namespace zorb

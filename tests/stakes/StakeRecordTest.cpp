// The stake record's file form, checked against the 320-byte layout built independently in StakesTestUtil.h.
#include "StakesTestUtil.h"

#include "stakes/Stakes.h"
#include "stats/StatList.h"

#include <gtest/gtest.h>

namespace zorb::test {
namespace {

void ExpectSameRecord(const TStakeRecord& a, const TStakeRecord& b) {
    EXPECT_EQ(a.Version, b.Version);
    EXPECT_EQ(a.Kind, b.Kind);
    EXPECT_EQ(a.DrawNumber, b.DrawNumber);
    EXPECT_EQ(a.Checked, b.Checked);
    EXPECT_EQ(a.SampleSize, b.SampleSize);
    EXPECT_EQ(a.Numbers.Count, b.Numbers.Count);
    EXPECT_EQ(std::string(a.Numbers.Numbers, a.Numbers.Numbers + 12),
              std::string(b.Numbers.Numbers, b.Numbers.Numbers + 12));
    EXPECT_EQ(std::string(a.DrawResult, a.DrawResult + 6), std::string(b.DrawResult, b.DrawResult + 6));
    EXPECT_EQ(a.Matched.Count, b.Matched.Count);
    EXPECT_EQ(std::string(a.Matched.Numbers, a.Matched.Numbers + 12),
              std::string(b.Matched.Numbers, b.Matched.Numbers + 12));
    EXPECT_EQ(a.Profit, b.Profit);
    EXPECT_EQ(a.Comment, b.Comment);
}

// "Ставка \"вручную\"" and "Тест №5" in code page 1251.
const std::string ManualCommentCp1251 = "\xD1\xF2\xE0\xE2\xEA\xE0 \"\xE2\xF0\xF3\xF7\xED\xF3\xFE\"";
const std::string TestCommentCp1251 = "\xD2\xE5\xF1\xF2 \xB9"
                                      "5";

TEST(StakeLayout, FileWrittenByTheProgramMatchesTheLayoutByteForByte) {
    TTempDir dir;
    const std::string path = dir.File("stakes.lsk");
    TStatList stats;
    stats.Config.Cost = 125000;
    stats.Config.Profits = {{3, 1000000}, {4, 15000000}};
    {
        TStakesFile file;
        file.Open(path);
        TStakeRecord manual;
        manual.Kind = skManual;
        manual.DrawNumber = 11;
        manual.SampleSize = 7;
        manual.Numbers = Set({3, 9, 17, 25, 40, 52});
        manual.Profit = -125000;
        manual.Comment = "Ставка \"вручную\"";
        AppendStakes(file, manual, 1);
        AppendSeparatorAfterStake(file);
        TStakeRecord system;
        system.Kind = skSystem;
        system.DrawNumber = 12;
        system.SampleSize = 20358520;
        system.Numbers = Set({1, 5, 9, 13, 20, 30, 41, 50});
        system.Profit = -3500000;
        system.Comment = "Тест №5";
        AppendStakes(file, system, 1);
        const TDrawsArray draws = {Draw(12, {50, 2, 13, 9, 44, 21})};
        ASSERT_TRUE(CheckStakes(file, draws, stats, {}));
    }

    TRawStake manual;
    manual.Kind = 1;
    manual.Draw = 11;
    manual.Sample = 7;
    manual.Numbers = {3, 9, 17, 25, 40, 52};
    manual.Profit = -125000;
    manual.Comment = ManualCommentCp1251;
    TRawStake checked;
    checked.Kind = 4;
    checked.Draw = 12;
    checked.Checked = true;
    checked.Sample = 20358520;
    checked.Numbers = {1, 5, 9, 13, 20, 30, 41, 50};
    checked.Result = {50, 2, 13, 9, 44, 21};
    checked.MatchedCount = 3;
    checked.Matched = {9, 13, 50};
    checked.Profit = 1000000 - 28 * 125000;
    checked.Comment = TestCommentCp1251;
    const std::string expected = RawStake(manual) + RawSeparator() + RawStake(checked);
    const std::string actual = ReadRaw(path);
    EXPECT_TRUE(actual == expected) << FirstDifference(actual, expected);
}

TEST(StakeLayout, RecordsWrittenFromTheLayoutReadBackFieldByField) {
    TRawStake s;
    s.Kind = 3;
    s.Draw = 0x01020304;
    s.Checked = true;
    s.Sample = 123456;
    s.Numbers = {2, 4, 6, 8, 10, 12, 14, 16, 18, 52};
    s.Result = {52, 1, 2, 3, 4, 5};
    s.MatchedCount = 2;
    s.Matched = {2, 52};
    s.Profit = -1;          // every profit byte 0xFF
    s.Comment = "\xA8\xE6"; // "Ёж"
    TRawStake big = s;
    big.Kind = 2;
    big.Profit = 0x0123456789AB;
    big.Comment.clear();
    TTempDir dir;
    WriteRaw(dir.File("s.lsk"), RawStake(s) + RawSeparator() + RawStake(big));

    TStakesFile file;
    file.Open(dir.File("s.lsk"), true);
    ASSERT_EQ(file.Count(), 3);
    EXPECT_FALSE(file.Outdated());
    const TStakeRecord r = file.Read(0);
    EXPECT_EQ(r.Version, 2);
    EXPECT_EQ(r.Kind, 3);
    EXPECT_EQ(r.DrawNumber, 0x01020304);
    EXPECT_TRUE(r.Checked);
    EXPECT_EQ(r.SampleSize, 123456);
    EXPECT_EQ(NumberSetToText(r.Numbers, ";"), "2;4;6;8;10;12;14;16;18;52");
    EXPECT_EQ(std::vector<int>(r.DrawResult, r.DrawResult + 6), (std::vector<int>{52, 1, 2, 3, 4, 5}));
    EXPECT_EQ(NumberSetToText(r.Matched, ";"), "2;52");
    EXPECT_EQ(r.Profit, -1);
    EXPECT_EQ(r.Comment, "Ёж");
    const TStakeRecord sep = file.Read(1);
    EXPECT_TRUE(sep.IsSeparator());
    EXPECT_EQ(sep.Kind, 0);
    EXPECT_EQ(sep.Matched.Count, -1);
    EXPECT_EQ(file.Read(2).Profit, 0x0123456789AB);
    EXPECT_EQ(file.Read(2).Comment, "");
    // Re-encoding what was read gives the same bytes.
    const auto again = EncodeStake(file.Read(0));
    EXPECT_TRUE(std::string(again.begin(), again.end()) == RawStake(s));
}

TEST(StakeLayout, EncodeThenDecodeKeepsEveryField) {
    TStakeRecord rich;
    rich.Kind = skScenario;
    rich.DrawNumber = 2501;
    rich.Checked = true;
    rich.SampleSize = -7;
    rich.Numbers = Set({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    rich.Matched = Set({1, 7});
    rich.DrawResult[0] = 7;
    rich.DrawResult[5] = 1;
    rich.Profit = INT64_MIN + 5;
    rich.Comment = "Ёлка №1; \"кавычки\"";
    TStakeRecord richer = rich;
    richer.Kind = skSystem;
    richer.Profit = INT64_MAX;
    for (const TStakeRecord& r : {SeparatorRecord(), rich, richer}) {
        const auto bytes = EncodeStake(r);
        ExpectSameRecord(DecodeStake(bytes.data()), r);
    }
}

struct TCommentCase {
    std::string Text;   // UTF-8
    std::string Stored; // what reads back
    int LengthByte;
};
class CommentLength : public testing::TestWithParam<TCommentCase> {};
TEST_P(CommentLength, IsCutAt255BytesOfTheFileEncoding) {
    TStakeRecord r;
    r.DrawNumber = 1;
    r.Comment = GetParam().Text;
    const auto bytes = EncodeStake(r);
    EXPECT_EQ(bytes[64], GetParam().LengthByte);
    for (size_t i = 65 + bytes[64]; i < RawStakeSize; ++i) ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(DecodeStake(bytes.data()).Comment, GetParam().Stored);
}
std::string Repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}
INSTANTIATE_TEST_SUITE_P(Stakes, CommentLength,
                         testing::Values(TCommentCase{"", "", 0},
                                         TCommentCase{std::string(255, 'x'), std::string(255, 'x'), 255},
                                         TCommentCase{std::string(300, 'x'), std::string(255, 'x'), 255},
                                         // Cyrillic letters are one byte each in the file, so 200 of them fit.
                                         TCommentCase{Repeat("ж", 200), Repeat("ж", 200), 200},
                                         TCommentCase{Repeat("ж", 300), Repeat("ж", 255), 255}));

TEST(StakeLayout, KindCaptions) {
    const std::pair<uint8_t, const char*> cases[] = {
        {0, ""}, {1, "Вручную"}, {2, "Регуляр"}, {3, "Сценарий"}, {4, "Система"}};
    for (const auto& [kind, caption] : cases) EXPECT_EQ(KindCaption(kind), caption) << int(kind);
}

} // namespace
} // namespace zorb::test

// The stakes file and its operations: outdated files, the read cache, series, finding, checking against the
// archive, deletion through the replacement file, and the stake logs.
#include "StakesTestUtil.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "stakes/Stakes.h"
#include "stats/StatList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <unistd.h>

namespace zorb::test {
namespace {

TStakeRecord Stake(int draw, std::initializer_list<int> numbers, const std::string& comment = "c") {
    TStakeRecord r;
    r.Kind = skManual;
    r.DrawNumber = draw;
    r.Numbers = Set(numbers);
    r.Comment = comment;
    r.Profit = -125000;
    return r;
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EZorbError& e) {
        return e.what();
    }
    return "<no error>";
}

class StakesFileTest : public testing::Test {
protected:
    TTempDir Dir;
    TStakesFile File;
    std::string Path() const { return Dir.File("Zorb_6x52.lsk"); }
    std::string Tmp() const { return Dir.File("Zorb_6x52.~tmp"); }
    void OpenWith(const std::string& bytes) {
        WriteRaw(Path(), bytes);
        File.Open(Path());
    }
    std::vector<int> Draws() {
        std::vector<int> r;
        for (int64_t i = 0; i < File.Count(); ++i) r.push_back(File.Read(i).DrawNumber);
        return r;
    }
};

// --- Outdated files and reading ------------------------------------------------------------------------------

struct TOutdatedCase {
    const char* Name;
    std::string Bytes;
    bool Outdated;
    int64_t Torn = 0; // bytes after the last whole record
};
TEST_F(StakesFileTest, OutdatedFilesAreRecognisedWithoutReadingGarbage) {
    std::string version1 = RawStake({}) + RawStake({});
    version1[0] = 1;
    std::string version0 = RawSeparator();
    version0[0] = 0;
    const TOutdatedCase cases[] = {
        {"empty", "", false},
        // A current first record with a partial tail is torn, not outdated: its whole records are stakes.
        {"100 bytes", std::string(100, '\x02'), false, 100},
        {"100 bytes of version 1", std::string(100, '\x01'), true, 100},
        {"one record and a bit", RawSeparator() + "x", false, 1},
        {"first version byte 1", version1, true},
        {"first version byte 0", version0, true},
        {"current version", RawOpenStake(5, {1, 2, 3, 4, 5, 6}) + RawSeparator(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        OpenWith(c.Bytes);
        EXPECT_EQ(File.Outdated(), c.Outdated);
        EXPECT_EQ(File.TornBytes(), c.Torn);
        EXPECT_EQ(File.Count(), static_cast<int64_t>(c.Bytes.size() / RawStakeSize));
        for (int64_t i = 0; i < File.Count(); ++i) File.Read(i); // garbage decodes, never crashes
        File.Close();
    }
}

TEST_F(StakesFileTest, ReadsOutsideTheFileRaiseWithTheIndex) {
    OpenWith(RawOpenStake(1, {1, 2, 3, 4, 5, 6}) + RawSeparator() + RawOpenStake(3, {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(File.Read(2, -1).DrawNumber, 3);
    EXPECT_EQ(File.Read(2, -3).DrawNumber, 1);
    const std::pair<int, int64_t> outside[] = {{0, 3}, {0, -1}, {0, 100}, {2, 0}, {2, -4}};
    for (const auto& [origin, index] : outside)
        EXPECT_EQ(ErrorOf([&] { File.Read(origin, index); }),
                  "Запись со индексом " + std::to_string(index) + " в файле данных не найдена!")
            << origin << "/" << index;
    EXPECT_NE(ErrorOf([&] { File.Write(0, 5, Stake(9, {1, 2, 3, 4, 5, 6})); }), "<no error>");
    EXPECT_EQ(File.Count(), 3);
}

TEST_F(StakesFileTest, ReadsSeeEveryChangeDespiteTheCache) {
    File.Open(Path());
    File.Append(Stake(1, {1, 2, 3, 4, 5, 6}, "a"));
    File.Append(Stake(2, {1, 2, 3, 4, 5, 6}, "b"));
    EXPECT_EQ(File.Read(0).Comment, "a");
    File.Write(0, 0, Stake(1, {1, 2, 3, 4, 5, 6}, "a2"));
    EXPECT_EQ(File.Read(0).Comment, "a2");
    EXPECT_EQ(File.Read(1).Comment, "b");
    File.Append(Stake(3, {1, 2, 3, 4, 5, 6}, "c"));
    EXPECT_EQ(File.Read(1).Comment, "b");
    EXPECT_EQ(File.Read(2, -1).Comment, "c");
    File.Truncate();
    EXPECT_EQ(File.Count(), 0);
    EXPECT_NE(ErrorOf([&] { File.Read(0); }), "<no error>");
    File.Append(Stake(4, {1, 2, 3, 4, 5, 6}, "d"));
    EXPECT_EQ(File.Read(0).Comment, "d");
    EXPECT_EQ(ReadRaw(Path()).size(), RawStakeSize);

    // Another file opened in the same object never answers from the first file's cache.
    WriteRaw(Dir.File("other.lsk"), RawOpenStake(77, {7, 8, 9, 10, 11, 12}, "other"));
    File.Open(Dir.File("other.lsk"));
    EXPECT_EQ(File.Read(0).Comment, "other");
}

// --- Appending -----------------------------------------------------------------------------------------------

struct TAppendCase {
    const char* Name;
    std::string Before;
    int DrawCount;
    std::vector<int> Draws; // -1: separator
};
TEST_F(StakesFileTest, SeriesPutSeparatorsBetweenTheirCopies) {
    const std::string stake = RawOpenStake(5, {1, 2, 3, 4, 5, 6});
    const TAppendCase cases[] = {
        {"single into empty", "", 1, {10}},
        {"zero draws count as one", "", 0, {10}},
        {"single after a stake", stake, 1, {5, 10}},
        {"series into empty", "", 3, {10, -1, 11, -1, 12}},
        {"series after a stake", stake, 3, {5, -1, 10, -1, 11, -1, 12}},
        {"series after a separator", stake + RawSeparator(), 2, {5, -1, 10, -1, 11}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        OpenWith(c.Before);
        AppendStakes(File, Stake(10, {8, 9, 20, 30, 40, 50, 51}, "series"), c.DrawCount);
        EXPECT_EQ(Draws(), c.Draws);
        for (int64_t i = 0; i < File.Count(); ++i) {
            const TStakeRecord r = File.Read(i);
            if (r.DrawNumber < 10) continue;
            EXPECT_EQ(NumberSetToText(r.Numbers, ";"), "8;9;20;30;40;50;51");
            EXPECT_EQ(r.Comment, "series");
            EXPECT_FALSE(r.Checked);
        }
        File.Close();
    }
}

TEST_F(StakesFileTest, CheckedStakeIsNotAppended) {
    OpenWith(RawOpenStake(5, {1, 2, 3, 4, 5, 6}));
    TStakeRecord r = Stake(6, {1, 2, 3, 4, 5, 6});
    r.Checked = true;
    EXPECT_EQ(ErrorOf([&] { AppendStakes(File, r, 1); }), "Добавление в конец файла уже проверенной ставки!");
    EXPECT_EQ(ErrorOf([&] { AppendStakes(File, r, 3); }), "Добавление в конец файла уже проверенной ставки!");
    EXPECT_TRUE(ReadRaw(Path()) == RawOpenStake(5, {1, 2, 3, 4, 5, 6}));
}

TEST_F(StakesFileTest, SeparatorOnlyClosesAGroupOfStakes) {
    const std::pair<std::string, std::vector<int>> cases[] = {
        {"", {}},
        {RawOpenStake(5, {1, 2, 3, 4, 5, 6}), {5, -1}},
        {RawOpenStake(5, {1, 2, 3, 4, 5, 6}) + RawSeparator(), {5, -1}},
    };
    for (const auto& [before, after] : cases) {
        OpenWith(before);
        AppendSeparatorAfterStake(File);
        EXPECT_EQ(RawDrawColumn(ReadRaw(Path())), after);
        File.Close();
    }
    OpenWith(RawOpenStake(5, {1, 2, 3, 4, 5, 6}));
    AppendSeparatorAfterStake(File);
    EXPECT_TRUE(ReadRaw(Path()).substr(RawStakeSize) == RawSeparator());
}

TEST_F(StakesFileTest, FindStakeComparesDrawAndNumberSetOnly) {
    TRawStake checked;
    checked.Kind = 4;
    checked.Draw = 20;
    checked.Checked = true;
    checked.Numbers = {44, 3, 17, 9, 28, 1};
    checked.MatchedCount = 0;
    OpenWith(RawOpenStake(10, {1, 2, 3, 4, 5, 6, 7}) + RawSeparator() + RawStake(checked));
    struct TCase {
        int Draw;
        TNumberSet Numbers;
        bool Found;
    };
    const TCase cases[] = {
        {10, Set({7, 6, 5, 4, 3, 2, 1}), true},  {10, Set({1, 2, 3, 4, 5, 6}), false}, // a part of the stake
        {10, Set({1, 2, 3, 4, 5, 6, 8}), false}, {11, Set({1, 2, 3, 4, 5, 6, 7}), false},
        {20, Set({1, 3, 9, 17, 28, 44}), true}, // another kind, already checked
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindStake(File, c.Draw, c.Numbers), c.Found) << c.Draw << " " << NumberSetToText(c.Numbers, ";");
}

// --- Checking ------------------------------------------------------------------------------------------------

class CheckTest : public StakesFileTest {
protected:
    TStatList Stats;
    TDrawsArray Archive = {Draw(11, {40, 3, 27, 9, 51, 17}), Draw(12, {1, 2, 3, 4, 5, 6})};
    std::vector<TStakeRecord> Checked;
    TCheckCallbacks Callbacks{[this](const TStakeRecord& r) { Checked.push_back(r); }, {}};

    void SetUp() override {
        Stats.Config.Cost = 125000; // 12.50
        // The second row for three matches is never used: the first row for a count wins.
        Stats.Config.Profits = {{3, 1000000}, {6, 10000000000}, {3, 9990000}, {4, 15000000}};
    }
};

struct TCheckCase {
    const char* Name;
    std::vector<int> Numbers;
    std::vector<int> Matched;
    int64_t Profit;
};

TEST_F(CheckTest, CheckedStakesGetTheDrawMatchesAndProfit) {
    const TCheckCase cases[] = {
        {"six, none", {1, 2, 4, 5, 6, 7}, {}, -125000},
        {"six, two: no prize row", {3, 9, 10, 11, 12, 13}, {3, 9}, -125000},
        {"six, three: the first prize row", {1, 2, 3, 9, 17, 52}, {3, 9, 17}, 1000000 - 125000},
        {"eight, three", {3, 9, 17, 20, 21, 22, 23, 24}, {3, 9, 17}, 1000000 - 28 * 125000},
        {"eight, five: no prize row", {3, 9, 17, 21, 22, 23, 27, 40}, {3, 9, 17, 27, 40}, -28 * 125000},
        {"seven, six", {3, 9, 17, 27, 40, 51, 52}, {3, 9, 17, 27, 40, 51}, 10000000000 - 7 * 125000},
        {"ten, four", {1, 2, 4, 5, 9, 17, 27, 40, 44, 45}, {9, 17, 27, 40}, 15000000 - 210 * 125000},
    };
    std::string bytes;
    for (const auto& c : cases) bytes += RawOpenStake(11, c.Numbers) + RawSeparator();
    OpenWith(bytes);
    ASSERT_TRUE(CheckStakes(File, Archive, Stats, Callbacks));
    ASSERT_EQ(Checked.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].Name);
        const TStakeRecord r = File.Read(static_cast<int64_t>(2 * i));
        EXPECT_TRUE(r.Checked);
        EXPECT_EQ(std::vector<int>(r.DrawResult, r.DrawResult + 6), (std::vector<int>{40, 3, 27, 9, 51, 17}));
        std::vector<int> matched(r.Matched.Numbers, r.Matched.Numbers + std::max(0, r.Matched.Count));
        EXPECT_EQ(matched, cases[i].Matched);
        EXPECT_EQ(r.Profit, cases[i].Profit);
        EXPECT_EQ(NumberSetToText(Checked[i].Numbers, ";"), NumberSetToText(r.Numbers, ";")) << "callback order";
        EXPECT_TRUE(Checked[i].Checked);
        EXPECT_TRUE(File.Read(static_cast<int64_t>(2 * i + 1)).IsSeparator());
    }
}

TEST_F(CheckTest, OnlyUncheckedStakesOfKnownDrawsAreChecked) {
    TRawStake old;
    old.Draw = 12;
    old.Checked = true;
    old.Numbers = {1, 2, 3, 4, 5, 6};
    old.Result = {9, 9, 9, 9, 9, 9};
    old.MatchedCount = 1;
    old.Matched = {9};
    old.Profit = 42;
    TRawStake small;
    small.Draw = 12;
    small.Numbers = {1, 2, 3, 4, 5};
    const std::string waiting = RawOpenStake(13, {1, 2, 3, 4, 5, 6}, "waiting");
    const std::string untouched = RawStake(old) + RawSeparator() + RawStake(small) + waiting;
    OpenWith(untouched + RawOpenStake(12, {6, 5, 4, 3, 2, 1}, "fresh"));

    ASSERT_TRUE(CheckStakes(File, Archive, Stats, Callbacks));
    ASSERT_EQ(Checked.size(), 1u);
    EXPECT_EQ(Checked[0].Comment, "fresh");
    EXPECT_EQ(Checked[0].Profit, 10000000000 - 125000);
    EXPECT_TRUE(ReadRaw(Path()).substr(0, untouched.size()) == untouched)
        << FirstDifference(ReadRaw(Path()).substr(0, untouched.size()), untouched);
    EXPECT_EQ(File.Read(3).Profit, -125000); // waiting for its draw: the stake's cost

    Checked.clear();
    EXPECT_FALSE(CheckStakes(File, Archive, Stats, Callbacks));
    EXPECT_TRUE(Checked.empty());

    Archive.push_back(Draw(13, {6, 7, 8, 9, 10, 11}));
    EXPECT_FALSE(CheckStakes(File, Archive, Stats, Callbacks, 4)); // records before `from` are not read
    ASSERT_TRUE(CheckStakes(File, Archive, Stats, Callbacks, 3));
    ASSERT_EQ(Checked.size(), 1u);
    EXPECT_EQ(Checked[0].Comment, "waiting");
    EXPECT_EQ(Checked[0].Matched.Count, 1);
    EXPECT_EQ(Checked[0].Profit, -125000);
}

// --- Deleting ------------------------------------------------------------------------------------------------

TEST_F(StakesFileTest, RewriteKeepsTheChosenRecordsAndReopensTheFile) {
    std::string bytes;
    for (int d = 1; d <= 5; ++d) bytes += RawOpenStake(d, {1, 2, 3, 4, 5, 6}, "s" + std::to_string(d));
    OpenWith(bytes);
    EXPECT_EQ(File.Read(0).DrawNumber, 1); // cached before the rewrite
    RewriteStakes(File, Tmp(), [](int64_t index, const TStakeRecord&) { return index % 2 == 1; });
    EXPECT_TRUE(File.IsOpen());
    EXPECT_FALSE(FileExists(Tmp()));
    EXPECT_EQ(Draws(), (std::vector<int>{2, 4}));
    EXPECT_TRUE(ReadRaw(Path()) ==
                bytes.substr(RawStakeSize, RawStakeSize) + bytes.substr(3 * RawStakeSize, RawStakeSize));
    File.Append(Stake(9, {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(RawDrawColumn(ReadRaw(Path())), (std::vector<int>{2, 4, 9}));
}

TEST_F(StakesFileTest, FailedRewriteLeavesTheStakesFile) {
    std::string bytes;
    for (int d = 1; d <= 3; ++d) bytes += RawOpenStake(d, {1, 2, 3, 4, 5, 6});
    const auto dropFirst = [](int64_t index, const TStakeRecord&) { return index > 0; };

    OpenWith(bytes);
    std::filesystem::create_directory(Tmp()); // the replacement cannot be created
    EXPECT_NE(ErrorOf([&] { RewriteStakes(File, Tmp(), dropFirst); }), "<no error>");
    EXPECT_TRUE(ReadRaw(Path()) == bytes) << FirstDifference(ReadRaw(Path()), bytes);
    EXPECT_EQ(Draws(), (std::vector<int>{1, 2, 3}));
    std::filesystem::remove(Tmp());

    // A selection that fails half-way.
    EXPECT_THROW(RewriteStakes(File, Tmp(),
                               [](int64_t index, const TStakeRecord&) -> bool {
                                   if (index == 2) throw EZorbError("stop");
                                   return true;
                               }),
                 EZorbError);
    EXPECT_TRUE(ReadRaw(Path()) == bytes) << FirstDifference(ReadRaw(Path()), bytes);
    EXPECT_FALSE(FileExists(Tmp()));
}

TEST_F(StakesFileTest, FullDiskDuringRewriteLeavesTheStakesFile) {
    std::string bytes;
    for (int d = 1; d <= 4; ++d) bytes += RawOpenStake(d, {1, 2, 3, 4, 5, 6});
    OpenWith(bytes);
    std::string error;
    InjectWriteFault(RawStakeSize); // room for one record of the three kept
    try {
        RewriteStakes(File, Tmp(), [](int64_t index, const TStakeRecord&) { return index > 0; });
    } catch (const EZorbError& e) {
        error = e.what();
    }
    InjectWriteFault(-1);
    EXPECT_FALSE(error.empty()) << "the rewrite reported no failure";
    EXPECT_TRUE(ReadRaw(Path()) == bytes) << FirstDifference(ReadRaw(Path()), bytes);
    EXPECT_FALSE(FileExists(Tmp()));
    EXPECT_TRUE(File.IsOpen());
}

// --- Stake logs ----------------------------------------------------------------------------------------------

TEST(StakeLog, LineCarriesTheStakeAndTheDraw) {
    TStakeRecord r;
    r.Kind = skManual;
    r.DrawNumber = 11;
    r.Checked = true;
    r.SampleSize = 7;
    r.Numbers = Set({1, 3, 9, 20, 30, 44, 50});
    const uint8_t drawn[6] = {40, 3, 27, 9, 51, 17};
    std::copy(drawn, drawn + 6, r.DrawResult);
    r.Matched = Set({3, 9});
    r.Profit = -875000;
    r.Comment = "Тест; \"x\"";
    EXPECT_EQ(StakeLogLine(r, "2024.01.02 03:04:05"),
              "2024.01.02 03:04:05: Тираж № 11. Ставка: \"Тест; \"x\"\" [1;3;9;20;30;44;50] {7}. "
              "Результаты тиража: [40;3;27;9;51;17]. Совпадений: 2. Профит: -87.50.");
    r.Matched = Set({});
    r.Profit = 10000000000 - 875000;
    EXPECT_EQ(StakeLogLine(r, "t").substr(StakeLogLine(r, "t").rfind("Совпадений")),
              "Совпадений: 0. Профит: 999912.50.");
    EXPECT_EQ(StakeLogPath("/data", "Zorb_6x52", 2), "/data/Zorb_6x52-2.log");
}

TEST(StakeLog, LinesAreAppendedWithCrLfAndAHugeLogStartsAfresh) {
    TTempDir dir;
    const std::string path = dir.File("Zorb_6x52-3.log");
    EXPECT_EQ(AppendStakeLog(path, "first"), "");
    EXPECT_EQ(AppendStakeLog(path, "second"), "");
    EXPECT_EQ(ReadRaw(path), "first\r\nsecond\r\n");

    ASSERT_EQ(::truncate(path.c_str(), 268435457), 0); // sparse: just over 256 MiB
    EXPECT_EQ(AppendStakeLog(path, "third"), "");
    EXPECT_EQ(ReadRaw(path), "third\r\n");
    ASSERT_EQ(::truncate(path.c_str(), 268435456), 0); // exactly at the limit: kept
    AppendStakeLog(path, "x");
    EXPECT_EQ(FileSize(path), 268435456 + 3);
    DeleteFileIfExists(path);

    EXPECT_THROW(AppendStakeLog(dir.File("missing/Zorb_6x52-1.log"), "line"), EZorbError);
}

} // namespace
} // namespace zorb::test

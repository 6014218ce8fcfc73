// Whole backtests and forecasts with nothing but the libraries. Each folder of tests/data/scenarios holds an
// archive, a scenario and its run settings, and the stakes file (as text), the log (without time stamps) and the
// run's outcome it must give; the same folder run step by step with MatchComb per combination must give the same.
// A scenario of every source and stake mode gives byte-equal stakes files and logs on one thread and on many.
// ZORB_UPDATE_GOLDEN=1 writes the expected files anew.
#include "scenarios/ScenarioRun.h"
#include "scenarios/FileStakeSink.h"

#include "core/DrawArchive.h"
#include "core/DrawsCsv.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/TextUtils.h"
#include "stats/StatList.h"

#include "../core/TestFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <tbb/global_control.h>

namespace zorb::test {
namespace {

const std::string GoldenDir = std::string(ZORB_TEST_DATA) + "/scenarios";

// Log entries, messages and pass results in the order they came.
class TRecorder final : public TRunObserver {
public:
    std::string Entries, Outcome;
    bool LogWanted() const override { return true; }
    void Log(const std::string& text) override { Entries += text + "\n"; }
    void Message(TRunMessage kind, const std::string& text) override {
        Entries += (kind == TRunMessage::Error     ? "!! error: "
                    : kind == TRunMessage::Warning ? "!! warning: "
                                                   : "!! ") +
                   text + "\n";
    }
    void PassDone(const TScriptPassResult& p) override {
        Outcome +=
            Format("pass %d: offset %d, draw %d, %d combinations, stakes [%d, %d), counted %d", p.Cycle, p.Offset,
                   p.DrawNumber, static_cast<int64_t>(p.Combs), p.FirstStake, p.EndStake, p.Tally.Stakes);
        for (int64_t m : p.Tally.ByMatches) Outcome += Format(" %d", m);
        Outcome += Format(", profit %.2f\n", CurrencyToDouble(p.Tally.Profit));
    }
};

// The systems of a folder's system.txt: its first line is the count of numbers, then one line of six positions per
// combination, position i standing for the list's i-th number.
class TFolderSystems final : public TSystemLoader {
public:
    explicit TFolderSystems(const std::string& path) {
        if (!FileExists(path)) return;
        const auto lines = SplitWords(ReadRaw(path), "\r\n");
        for (size_t i = 0; i < lines.size(); ++i) {
            const auto words = SplitWords(lines[i], " ");
            if (i == 0) {
                FNumbers = std::stoi(words[0]);
                continue;
            }
            std::array<int, 6> p{};
            for (size_t k = 0; k < 6; ++k) p[k] = std::stoi(words[k]);
            FLines.push_back(p);
        }
    }
    TSystemGame Load(const TByteArray& numbers) override {
        TSystemGame g;
        if (static_cast<int>(numbers.size()) != FNumbers) {
            g.Failure = Format("no system for %d numbers", static_cast<int>(numbers.size()));
            return g;
        }
        g.Ok = true;
        g.FileName = "/systems/6-08-3_0001.dat";
        for (const auto& p : FLines) {
            TComb c{};
            for (size_t k = 0; k < 6; ++k) c.N[k] = numbers[static_cast<size_t>(p[k] - 1)];
            g.Combs.push_back(c);
        }
        return g;
    }

private:
    int FNumbers = -1;
    std::vector<std::array<int, 6>> FLines;
};

struct TOutcome {
    std::string Stakes, Log, Result;
};

std::string StakesText(TStakesFile& file) {
    std::string s;
    for (int64_t i = 0; i < file.Count(); ++i) {
        const TStakeRecord r = file.Read(i);
        if (r.IsSeparator()) {
            s += "-\n";
            continue;
        }
        s += Format("%d;%d;%d;%d;%s;%s;%s;%.2f;%s\n", static_cast<int>(r.Kind), r.DrawNumber, r.Checked ? 1 : 0,
                    r.SampleSize, NumberSetToText(r.Numbers, " "),
                    r.Checked ? NumberSetToText(CombToSet(TComb{{r.DrawResult[0], r.DrawResult[1], r.DrawResult[2],
                                                                 r.DrawResult[3], r.DrawResult[4], r.DrawResult[5]}}),
                                                " ")
                              : std::string(),
                    r.Matched.Count >= 0 ? NumberSetToText(r.Matched, " ") : std::string("?"),
                    CurrencyToDouble(r.Profit), r.Comment);
    }
    return s;
}

// Runs a folder's scenario; `tune` changes the settings (the reference, the threads).
TOutcome RunFolder(const std::string& dir, const std::function<void(TScenarioRunSettings&)>& tune = {},
                   const std::string& scenario = "") {
    TDrawsArray draws;
    ImportDrawsText(ReadRaw(dir + "/archive.csv"), draws);
    TIniFile ini(dir + "/run.ini");
    ini.Load();
    TStatList registry;
    registry.SetDraws(&draws);
    registry.BuildMethods();
    registry.Config.Cost = CurrencyScale;
    registry.Config.Profits = {{3, 10 * CurrencyScale}, {4, 100 * CurrencyScale}};
    TScenarioRunSettings settings;
    settings.Generate.Mode = static_cast<uint8_t>(ini.ReadInteger("Run", "GenerateMode", 0, 0, 4));
    settings.Generate.Parameters = ini.ReadString("Run", "GenerateParameters", "");
    settings.CheckOnLine = ini.ReadBool("Run", "CheckOnLine", true);
    settings.Seed = static_cast<uint64_t>(ini.ReadInteger("Run", "Seed", 1));
    settings.ShownMethods = ListedMethods(registry);
    if (tune) tune(settings);

    TTempDir tmp;
    TStakesFile file;
    file.Open(tmp.File("Zorb_6x52.lsk"));
    TFileStakeSink sink(file, registry);
    TFolderSystems systems(dir + "/system.txt");
    TRecorder recorder;
    TScenarioRunPorts ports;
    ports.Stakes = &sink;
    ports.Systems = &systems;
    ports.Observer = &recorder;
    std::vector<int> offsets;
    if (ini.ReadString("Run", "Kind", "test") == "test")
        for (int v = ini.ReadInteger("Run", "Count", 1); v >= 1; --v) offsets.push_back(v);
    else
        offsets.push_back(ini.ReadInteger("Run", "Offset", 0));
    TScenarioRun run(registry, scenario.empty() ? ReadScenarioFile(dir + "/scenario.lsc") : ParseScenarioText(scenario),
                     settings, ports);
    const bool ok = run.Run(offsets);

    TOutcome out;
    out.Stakes = StakesText(file);
    out.Log = recorder.Entries;
    out.Result =
        recorder.Outcome + Format("finished %d, stopped at %d, stakes added %d, list %d\n", ok ? 1 : 0,
                                  run.StoppedOffset(), run.StakesAdded(), static_cast<int64_t>(run.List().Count()));
    const TCombsArray& list = run.List();
    if (list.Count()) {
        out.Result += "first " + NumberSetToText(CombToSet(list[0]), " ") + ", last " +
                      NumberSetToText(CombToSet(list[list.Count() - 1]), " ") + "\n";
    }
    for (const TFilterLine& f : run.Filters())
        out.Result += Format("filter %s | %s | %d | %d\n", f.Operation, f.Values, static_cast<int64_t>(f.Count),
                             static_cast<int>(f.Mark));
    const TRunTable t = run.LastTable();
    if (t.Entry >= 0)
        out.Result += Format("table %s:%d by column %d\n", registry.CodeOf(t.Entry), t.Length, t.SortColumn);
    return out;
}

std::vector<std::string> GoldenCases() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(GoldenDir))
        if (e.is_directory()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class GoldenScenario : public testing::TestWithParam<std::string> {};

TEST_P(GoldenScenario, GivesTheExpectedStakesLogAndListStepByStepToo) {
    const std::string dir = GoldenDir + "/" + GetParam();
    const TOutcome out = RunFolder(dir);
    if (std::getenv("ZORB_UPDATE_GOLDEN")) {
        WriteRaw(dir + "/stakes.txt", out.Stakes);
        WriteRaw(dir + "/log.txt", out.Log);
        WriteRaw(dir + "/result.txt", out.Result);
    }
    // Every record holds its numbers ascending, whatever order a stake mode picked them in.
    for (const std::string& line : SplitWords(out.Stakes, "\n")) {
        if (line == "-") continue;
        const auto numbers = SplitWords(SplitKeepEmpty(line, ';')[4], " ");
        for (size_t i = 1; i < numbers.size(); ++i) EXPECT_LT(std::stoi(numbers[i - 1]), std::stoi(numbers[i])) << line;
    }
    EXPECT_EQ(out.Stakes, ReadRaw(dir + "/stakes.txt"));
    EXPECT_EQ(out.Log, ReadRaw(dir + "/log.txt"));
    EXPECT_EQ(out.Result, ReadRaw(dir + "/result.txt"));
    const TOutcome plain = RunFolder(dir, [](TScenarioRunSettings& s) {
        s.Stepped = true;
        s.PlainMatch = true;
    });
    EXPECT_EQ(plain.Stakes, out.Stakes);
    EXPECT_EQ(plain.Log, out.Log);
    EXPECT_EQ(plain.Result, out.Result);
}

INSTANTIATE_TEST_SUITE_P(Folders, GoldenScenario, testing::ValuesIn(GoldenCases()),
                         [](const testing::TestParamInfo<std::string>& i) { return i.param; });

// Every source and stake mode over 30 offsets: passes computed several at a time are committed in offset order,
// so one thread and many give the same files, and so does the step-by-step reference.
TEST(ScenarioThreads, OneThreadAndManyGiveTheSameStakesAndLog) {
    const std::string scenario = "FULL:0#FIRST|TMF1#NUMS:40#CMV:5#SF:1|TMD1#SUMS:60#CLV:0#SF:1| | | | | |a\r\n"
                                 "EXCL:3#LAST|TMD1#EVEN:30#LVA:3#SF:1| | | | | | |\r\n"
                                 "EXCL:3#RAND|BMF2#SUMS:50#LNO:#SV:1| | | | | | |\r\n"
                                 "CURR:0#EXT|TSD1#NUMS:20#LNO:#SE:8| | | | | | |\r\n"
                                 "\r\n"
                                 "FULL:0#ALL|TMD1#NUMS:30#LVA:1-9;1#SF:1| | | | | | |\r\n"
                                 "FULL:0#SYSA|TMD1#NUMS:50#LVA:1-8;1#SF:1| | | | | | |\r\n"
                                 "FULL:0#SYSC|TMD1#NUMS:50#LVA:1-8;1#SF:1|TMD1#SUMS:50#LVA:60-62;1#SF:1| | | | | |\r\n"
                                 "FULL:0#SKIP|TMF1#NUMS:40#CMV:5#SF:1| | | | | | |\r\n"
                                 "EXCL:5#NONE|TSF1#NUMS:40#LNO:#SZ:0| | | | | | |\r\n"
                                 "CURR:0#RAND#NEX|TSD1#SUMS:40#LNO:#SC:3| | | | | | |\r\n"
                                 "FULL:0#STOP|TMD1#NUMS:40#LVA:1-9;1#SF:1|TMD1#NUMS:40#LVA:16#SF:1| | | | | |\r\n";
    // The systems folder's numbers and system, and 30 offsets of its archive.
    TTempDir dir;
    WriteRaw(dir.File("archive.csv"), ReadRaw(GoldenDir + "/systems/archive.csv"));
    WriteRaw(dir.File("system.txt"), ReadRaw(GoldenDir + "/systems/system.txt"));
    WriteRaw(dir.File("run.ini"), "[Run]\r\nKind=test\r\nCount=30\r\nSeed=3\r\nGenerateMode=2\r\n"
                                  "GenerateParameters=1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16\r\n");
    const tbb::global_control many(tbb::global_control::max_allowed_parallelism, 8);
    const TOutcome one = RunFolder(
        dir.Path(), [](TScenarioRunSettings& s) { s.Threads = 1; }, scenario);
    const TOutcome eight = RunFolder(
        dir.Path(), [](TScenarioRunSettings& s) { s.Threads = 8; }, scenario);
    ASSERT_NE(one.Result.find("finished 1"), std::string::npos) << one.Result << one.Log.substr(0, 2000);
    EXPECT_NE(one.Log.find("{#} Системная игра для 8 чисел [система * комбинации]"), std::string::npos);
    EXPECT_NE(one.Log.find("{UNDO}"), std::string::npos);
    EXPECT_GT(one.Stakes.size(), 30 * 10u);
    EXPECT_TRUE(one.Stakes == eight.Stakes);
    EXPECT_TRUE(one.Log == eight.Log);
    EXPECT_EQ(one.Result, eight.Result);
    const TOutcome stepped = RunFolder(
        dir.Path(), [](TScenarioRunSettings& s) { s.Stepped = true; }, scenario);
    EXPECT_TRUE(one.Stakes == stepped.Stakes);
    EXPECT_TRUE(one.Log == stepped.Log);
}

} // namespace
} // namespace zorb::test

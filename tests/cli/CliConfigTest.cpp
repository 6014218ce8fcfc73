// The config command: the three settings, the dialog's checks, and the full-set files a change makes stale.
#include "CliFixture.h"

#include "core/DrawArchive.h"
#include "core/FullSet.h"
#include "stats/Prefetch.h"
#include "stats/StatList.h"
#include "tools/SampleArchive.h"

#include <filesystem>
#include <map>

namespace zorb::test {
namespace {

const std::string AllOnes(52, '1');

class CliConfig : public CliTest {
protected:
    void SetUp() override {
        WriteRaw(Archive(), EncodeDraws(MakeSampleArchive(300, 11)));
        WriteRaw(Dir.File("Zorb_6x52.ini"), "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7\n");
    }
    std::string PrefetchFile(const std::string& code) const { return Dir.File("Prefetchs/Zorb_6x52_" + code + ".dfc"); }
    // What the registry under these settings registers with a full-set file, by code, with its group.
    static std::map<std::string, int> PrefetchEntries(const TConfigData& config) {
        TStatList list;
        list.Config = config;
        list.BuildMethods();
        std::map<std::string, int> r;
        for (int i = 0; i < list.MethodCount(); ++i)
            if (list.IsPrefetchable(i)) r[list.CodeOf(i)] = list.Method(i).StatClass->Group;
        return r;
    }
    static std::string Fake() {
        TStatDraw r{};
        r.SetW(1, 1);
        r.Count = 7;
        return EncodePrefetch({r});
    }
    std::vector<std::string> Settings() { return Lines(Run({"config"}).Out); }
};

TEST_F(CliConfig, ShowsTheDefaults) {
    const TRun r = Run({"config"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{"MatrixCols=7", "ChannelSize=4", "MatrixSegments=" + AllOnes}));
}

TEST_F(CliConfig, ChangesAreSavedAndNameTheStaleGroups) {
    const struct {
        std::vector<std::string> Args;
        std::vector<std::string> Expected;
    } steps[] = {
        {{"--channel-size", "6"}, {"MatrixCols=7", "ChannelSize=6", "MatrixSegments=" + AllOnes, "Stale=3"}},
        {{"--channel-size", "6"}, {"MatrixCols=7", "ChannelSize=6", "MatrixSegments=" + AllOnes, "Stale="}},
        {{"--segments", "25", "--matrix-cols", "52"},
         {"MatrixCols=52", "ChannelSize=6", "MatrixSegments=25" + std::string(50, '1'), "Stale=4,5"}},
        {{"--segments", "", "--channel-size", "3", "--matrix-cols", "1"},
         {"MatrixCols=1", "ChannelSize=3", "MatrixSegments=" + AllOnes, "Stale=3,4,5"}},
    };
    for (const auto& s : steps) {
        std::vector<std::string> args = {"config"};
        args.insert(args.end(), s.Args.begin(), s.Args.end());
        const TRun r = Run(args);
        ASSERT_EQ(r.Code, 0) << r.Err;
        EXPECT_EQ(Lines(r.Out), s.Expected);
        EXPECT_EQ(Settings(), std::vector<std::string>(s.Expected.begin(), s.Expected.begin() + 3));
    }
    // The method lists follow: one column of 52 rows, channels of three.
    const std::string methods = Run({"methods", "--all", "--csv"}).Out;
    for (const char* code : {";ROW52;", ";CHN18;", ";COL1;", ";SGM1;"})
        EXPECT_NE(methods.find(code), std::string::npos) << code;
    for (const char* code : {";ROW53;", ";COL2;", ";CHN19;"}) EXPECT_EQ(methods.find(code), std::string::npos) << code;
}

TEST_F(CliConfig, OutOfRangeIsRefusedAndNothingSaved) {
    ASSERT_EQ(Run({"config", "--channel-size", "5"}).Code, 0);
    const std::vector<std::string> saved = Settings();
    const struct {
        std::vector<std::string> Args;
        const char* Message;
    } cases[] = {
        {{"--matrix-cols", "0"}, "Размер матрицы 0"},
        {{"--matrix-cols", "53"}, "Размер матрицы 53"},
        {{"--channel-size", "2", "--matrix-cols", "5"}, "Размер канала 2"},
        {{"--channel-size", "53"}, "Размер канала 53"},
        {{"--segments", "1234567890"}, "Некорректное значение: 0!\n\nУкажите любое число от 1 до 9"},
        {{"--segments", "12a4", "--channel-size", "4"}, "Некорректное значение: a!"},
        {{"--segments", std::string(53, '2')}, "Слишком много сегментов"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"config"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const TRun r = Run(args);
        EXPECT_EQ(r.Code, 1) << c.Message;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "") << c.Message;
        EXPECT_EQ(Settings(), saved) << c.Message;
    }
}

// With the comparison on for the run the stale group is rebuilt at once, exactly as counting the full set under
// the new settings gives it; every other file keeps its bytes. With it off the stale files are removed.
TEST_F(CliConfig, StaleFilesAreRebuiltAndTheOthersKept) {
    std::filesystem::create_directories(Dir.File("Prefetchs"));
    const std::map<std::string, int> before = PrefetchEntries(TConfigData{});
    for (const auto& [code, group] : before) WriteRaw(PrefetchFile(code), Fake());

    const TRun r = Run({"config", "--matrix-cols", "5", "--prefetch"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).back(), "Stale=4");

    TConfigData config;
    config.MatrixCols = 5;
    const std::map<std::string, int> after = PrefetchEntries(config);
    TStatList list;
    list.Config = config;
    list.BuildMethods();
    std::vector<TStatFactory> matrix;
    std::vector<std::string> matrixCodes;
    for (int i = 0; i < list.MethodCount(); ++i)
        if (list.IsPrefetchable(i) && list.Method(i).StatClass->Group == 4) {
            matrix.push_back([&list, i] { return list.CreateStat(i); });
            matrixCodes.push_back(list.CodeOf(i));
        }
    ASSERT_EQ(matrixCodes.size(), 12u + 5u + 11u);
    const std::vector<TStatDrawArray> tables = CountFullSet(matrix);
    for (size_t k = 0; k < matrixCodes.size(); ++k)
        EXPECT_EQ(ReadRaw(PrefetchFile(matrixCodes[k])), EncodePrefetch(tables[k])) << matrixCodes[k];
    for (const auto& [code, group] : after)
        EXPECT_TRUE(group == 4 || ReadRaw(PrefetchFile(code)) == Fake()) << code;

    // Counted one combination at a time, the plain way, for two of them.
    std::vector<TComb> full(static_cast<size_t>(FullCombsCount));
    for (const TFullSetBlock& b : FullSetBlocks()) FillFullSetBlock(b, full.data() + b.Offset);
    for (const char* code : {"COLM", "ROW11"}) {
        auto stat = list.CreateStat(list.FindByCode(code));
        EXPECT_EQ(ReadRaw(PrefetchFile(code)), EncodePrefetch(CountCombsReference(*stat, full.data(), full.size())))
            << code;
    }

    // Files of entries the new settings no longer register (CHN10..CHN13) are left: any way back to them changes
    // the channel size again, which makes them stale.
    ASSERT_EQ(Run({"config", "--channel-size", "6"}).Code, 0);
    config.ChannelSize = 6;
    for (const auto& [code, group] : PrefetchEntries(config))
        EXPECT_EQ(std::filesystem::exists(PrefetchFile(code)), group != 3) << code;
    EXPECT_EQ(ReadRaw(PrefetchFile("NUMS")), Fake());
}

} // namespace
} // namespace zorb::test

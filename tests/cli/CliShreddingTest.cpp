// The shredding command: the table of formulas, the dialog's OK with its checks, the SHR full-set files it
// rebuilds or removes, and the evaluation of a formula on given numbers.
#include "CliFixture.h"

#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "stats/Prefetch.h"
#include "stats/StatList.h"
#include "tools/SampleArchive.h"

#include <filesystem>

namespace zorb::test {
namespace {

class CliShredding : public CliTest {
protected:
    void SetUp() override { WriteRaw(Archive(), EncodeDraws(MakeSampleArchive(200, 5))); }
    std::string Ini() const { return Dir.File("Zorb_6x52.ini"); }
    std::string PrefetchFile(const std::string& code) const { return Dir.File("Prefetchs/Zorb_6x52_" + code + ".dfc"); }
};

TEST_F(CliShredding, ShowsTheFormulasWithTheirErrors) {
    WriteRaw(Ini(), "[SHREDDING]\nFormula2=n1+*\nFormula3Digits=258\n");
    const TRun r = Run({"shredding", "show", "--csv"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "№;Формула;Знаков;Ошибка");
    EXPECT_EQ(lines[1], "1;(n1+n2+n3)/(n4+n5+n6);2;");
    EXPECT_NE(lines[2].find("2;n1+*;2;"), std::string::npos);
    EXPECT_GT(lines[2].size(), std::string("2;n1+*;2;").size()) << "the reason is shown";
    EXPECT_EQ(lines[3], "3;(n1+n3+n5)/(n2+n4+n6);5;") << "258 digits read as 5";
}

TEST_F(CliShredding, RefusedChangesWriteNothing) {
    WriteRaw(Ini(), "[SHREDDING]\nFormula1=n1/7\n");
    const std::string before = ReadRaw(Ini());
    const std::vector<std::vector<std::string>> refused = {
        {"--formula1", "n1=5"}, {"--formula2", "n7+1"}, {"--formula3", "(n1+"}, {"--formula1", std::string(1001, '1')},
        {"--digits2", "0"},     {"--digits3", "6"},     {"--formula1", ""}};
    for (const auto& args : refused) {
        std::vector<std::string> full = {"shredding", "set"};
        full.insert(full.end(), args.begin(), args.end());
        const TRun r = Run(full);
        EXPECT_EQ(r.Code, 1) << args[0] << ' ' << args[1];
        EXPECT_FALSE(r.Err.empty()) << args[0];
        EXPECT_EQ(ReadRaw(Ini()), before) << args[0];
    }
}

// With the comparison on for the run the SHR files are made anew from the new formulas; off, they are removed.
TEST_F(CliShredding, SetRebuildsOrRemovesTheShreddingFiles) {
    std::filesystem::create_directories(Dir.File("Prefetchs"));
    TStatDraw fake{};
    fake.Count = 3;
    {
        TStatList defaults;
        defaults.BuildMethods();
        for (int i = 0; i < defaults.MethodCount(); ++i)
            if (defaults.IsPrefetchable(i)) WriteRaw(PrefetchFile(defaults.CodeOf(i)), EncodePrefetch({fake}));
    }

    TRun r = Run({"shredding", "set", "--formula1", "n1/100", "--digits2", "1", "--prefetch"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    TStatList list;
    list.Shredding.Formulas[0] = "n1/100";
    list.Shredding.Digits[1] = 1;
    list.BuildMethods();
    std::vector<TStatFactory> shr;
    for (const char* code : {"SHR1", "SHR2", "SHR3"}) {
        const int i = list.FindByCode(code);
        shr.push_back([&list, i] { return list.CreateStat(i); });
    }
    const std::vector<TStatDrawArray> tables = CountFullSet(shr);
    EXPECT_EQ(ReadRaw(PrefetchFile("SHR1")), EncodePrefetch(tables[0]));
    EXPECT_EQ(ReadRaw(PrefetchFile("SHR2")), EncodePrefetch(tables[1]));
    EXPECT_EQ(tables[1].size(), 10u) << "one digit: values 0..9";
    EXPECT_EQ(ReadRaw(PrefetchFile("HCO1")), EncodePrefetch({fake})) << "another group keeps its file";
    EXPECT_NE(ReadRaw(Ini()).find("Formula1=n1/100"), std::string::npos);

    r = Run({"shredding", "set", "--formula3", "n6/7"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    for (const char* code : {"SHR1", "SHR2", "SHR3"}) EXPECT_FALSE(FileExists(PrefetchFile(code))) << code;
    EXPECT_TRUE(FileExists(PrefetchFile("HCO1")));
}

TEST_F(CliShredding, EvaluatesAFormula) {
    const struct {
        std::vector<std::string> Args;
        int Code;
        std::string Out;
    } cases[] = {
        {{"(n1+n2+n3)/(n4+n5+n6)", "1;2;3;4;5;6"}, 0, "40"},
        {{"(n1+n2+n3)/(n4+n5+n6)", "--digits", "1", "1;2;3;4;5;6"}, 0, "4"},
        {{"n1n2/1000", "--digits", "3", "5;12;0;0;0;0"}, 0, "512"},
        {{"(n1+p1+t1)/100", "1;2;3;4;5;6", "10;0;0;0;0;0", "20;0;0;0;0;0"}, 0, "31"},
        {{"n1/p1", "1;2;3;4;5;6"}, 1, "0"},
        {{"n1=5", "1;2;3;4;5;6"}, 1, "0"},
        {{"n1", "--digits", "6", "1;2;3;4;5;6"}, 1, ""},
        {{"n1", "1;2;3"}, 1, ""},
        {{"--formula=-n1/8", "1;2;3;4;5;6"}, 0, "12"},
        {{"--formula", "(n1+n2+n3)/(n4+n5+n6)", "1;2;3;4;5;6"}, 0, "40"},
        {{"--digits", "1", "--", "-n1/8", "1;2;3;4;5;6"}, 0, "1"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> full = {"shredding", "eval"};
        full.insert(full.end(), c.Args.begin(), c.Args.end());
        const TRun r = Run(full);
        EXPECT_EQ(r.Code, c.Code) << c.Args[0] << ": " << r.Err;
        EXPECT_EQ(Lines(r.Out), c.Out.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Out})
            << c.Args[0];
        EXPECT_EQ(r.Err.empty(), c.Code == 0) << c.Args[0];
    }
    const TRun help = Run({"shredding", "eval", "--help"});
    EXPECT_NE(help.Out.find("«--» завершает параметры"), std::string::npos) << help.Out;
    const TRun digits = Run({"shredding", "eval", "n1", "--digits", "0", "1;2;3;4;5;6"});
    EXPECT_NE(digits.Err.find("Количество знаков после запятой: от 1 до 5!"), std::string::npos);
}

} // namespace
} // namespace zorb::test

// The stat and prefetch commands: the table as text, its norms from the full-set files, and building those files.
#include "CliFixture.h"

#include "core/DrawArchive.h"
#include "core/TextUtils.h"
#include "stats/Prefetch.h"
#include "stats/StatList.h"
#include "stats/StatTable.h"
#include "tools/SampleArchive.h"

#include <filesystem>
#include <set>

namespace zorb::test {
namespace {

// The number and sum methods that have a full-set distribution.
// Every method with a full-set file under the default settings: the number and sum families and the newer ones.
std::set<std::string> RegistryPrefetchCodes() {
    TStatList list;
    list.BuildMethods();
    std::set<std::string> codes;
    for (int i = 0; i < list.MethodCount(); ++i)
        if (list.IsPrefetchable(i)) codes.insert(list.CodeOf(i));
    return codes;
}
const std::set<std::string> PrefetchCodes = RegistryPrefetchCodes();
const std::set<std::string> SumCodes = {"SUMS", "SUM1", "SUM2", "SUM3", "SUME", "SUMP", "S2T3"};

class CliStat : public CliTest {
protected:
    void SetUp() override {
        WriteRaw(Archive(), EncodeDraws(MakeSampleArchive(300, 11)));
        // A small starting list: the commands here never read it.
        WriteRaw(Dir.File("Zorb_6x52.ini"), "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7\n");
    }
    std::string PrefetchFile(const std::string& code) const {
        return Dir.File("Prefetchs/" + std::string("Zorb_6x52_") + code + ".dfc");
    }
    std::set<std::string> PrefetchFiles() const {
        std::set<std::string> r;
        if (!std::filesystem::exists(Dir.File("Prefetchs"))) return r;
        for (const auto& e : std::filesystem::directory_iterator(Dir.File("Prefetchs")))
            r.insert(e.path().filename().string());
        return r;
    }
    // The csv table split into cells; the header first.
    static std::vector<std::vector<std::string>> Cells(const std::string& out) {
        std::vector<std::vector<std::string>> r;
        for (const std::string& line : Lines(out)) r.push_back(SplitKeepEmpty(line, ';'));
        return r;
    }
    static std::string Fake() {
        TStatDraw r{};
        r.SetW(1, 1);
        r.Count = 7;
        return EncodePrefetch({r});
    }
};

TEST_F(CliStat, CsvTableOfNumbers) {
    TRun r = Run({"stat", "NUMS", "--csv"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const auto cells = Cells(r.Out);
    ASSERT_EQ(cells.size(), 53u);
    std::vector<std::string> header;
    for (int c = 0; c < StatColumnCount; ++c) header.push_back(StatColumnCaption(c));
    EXPECT_EQ(Lines(r.Out)[0], Join(header, ";"));
    int64_t total = 0;
    for (size_t i = 1; i < cells.size(); ++i) {
        ASSERT_EQ(cells[i].size(), size_t(StatColumnCount)) << i;
        total += std::stoll(cells[i][1]);
        EXPECT_EQ(cells[i][3], "-") << "no norms without --prefetch";
        EXPECT_EQ(cells[i][16], "-") << "nothing after the newest draw";
    }
    EXPECT_EQ(total, 300 * 6);
    EXPECT_FALSE(std::filesystem::exists(Dir.File("Prefetchs")));
}

TEST_F(CliStat, SortByValue) {
    TRun r = Run({"stat", "NUMS", "--csv", "--sort", "0"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const auto cells = Cells(r.Out);
    ASSERT_EQ(cells.size(), 53u);
    for (size_t i = 1; i <= 52; ++i) EXPECT_EQ(cells[i][0], std::to_string(i));
    TRun desc = Run({"stat", "NUMS", "--csv", "--sort", "0", "--desc"});
    EXPECT_EQ(Cells(desc.Out)[1][0], "52");
}

TEST_F(CliStat, PrefetchFillsTheNormsAndMakesTheFile) {
    TRun r = Run({"stat", "NUMS", "--csv", "--prefetch"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(PrefetchFiles(), (std::set<std::string>{"Zorb_6x52_NUMS.dfc"}));
    const auto cells = Cells(r.Out);
    ASSERT_EQ(cells.size(), 53u);
    const std::string norm = cells[1][3];
    EXPECT_NE(norm, "-");
    for (size_t i = 1; i < cells.size(); ++i) {
        EXPECT_EQ(cells[i][3], norm) << cells[i][0];
        EXPECT_EQ(std::stoll(cells[i][4]), std::stoll(cells[i][1]) - std::stoll(norm)) << cells[i][0];
    }
    const TPrefetchData d = DecodePrefetch(ReadRaw(PrefetchFile("NUMS")));
    EXPECT_EQ(d.Records.size(), 52u);
    EXPECT_EQ(d.Max, 2349060);
}

TEST_F(CliStat, OffsetFillsTheActualNextDraw) {
    TRun r = Run({"stat", "NUMS", "--csv", "--offset", "3"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    int filled = 0;
    const auto cells = Cells(r.Out);
    for (size_t i = 1; i < cells.size(); ++i) {
        if (cells[i][16] == "-") continue;
        ++filled;
        // One of the three later draws, #298..#300.
        const int actual = std::stoi(cells[i][16]);
        EXPECT_GE(actual, 298);
        EXPECT_LE(actual, 300);
    }
    // Three draws of six numbers: at least 6 and at most 18 values drawn again.
    EXPECT_GE(filled, 6);
    EXPECT_LE(filled, 18);
}

TEST_F(CliStat, UnknownMethod) {
    TRun r = Run({"stat", "XYZW"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("Метод \"XYZW\" не найден!"), std::string::npos) << r.Err;
    EXPECT_EQ(r.Out, "");
}

TEST_F(CliStat, PrefetchBuildsAllFilesThenRebuildsOneGroup) {
    ASSERT_EQ(PrefetchCodes.size(), 81u);
    for (const char* code : {"NUMS", "POS6", "S2T3", "CHNV", "COLM", "DIFO", "HCO2", "SHR3"})
        ASSERT_EQ(PrefetchCodes.count(code), 1u) << code;
    TRun all = Run({"prefetch", "--all"});
    ASSERT_EQ(all.Code, 0) << all.Err;
    EXPECT_NE(all.Err.find("Создание файлов для полного набора комбинаций..."), std::string::npos) << all.Err;
    std::set<std::string> expected;
    for (const std::string& code : PrefetchCodes) expected.insert("Zorb_6x52_" + code + ".dfc");
    EXPECT_EQ(PrefetchFiles(), expected);

    for (const std::string& code : PrefetchCodes) WriteRaw(PrefetchFile(code), Fake());
    TRun sums = Run({"prefetch", "--groups", "1"});
    ASSERT_EQ(sums.Code, 0) << sums.Err;
    for (const std::string& code : PrefetchCodes)
        EXPECT_EQ(ReadRaw(PrefetchFile(code)) != Fake(), SumCodes.count(code) == 1) << code;
    EXPECT_EQ(DecodePrefetch(ReadRaw(PrefetchFile("SUMS"))).Records.size(), 277u);
}

} // namespace
} // namespace zorb::test

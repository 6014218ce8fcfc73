#include "stats/GameSettings.h"
#include "../core/TestFiles.h"
#include "core/IniFile.h"

#include <gtest/gtest.h>

namespace zorb {
namespace {

using test::ReadRaw;
using test::TTempDir;
using test::WriteRaw;

TEST(GameSettings, MissingFileGivesDefaults) {
    TTempDir dir;
    const std::string path = dir.File("Zorb_6x52.ini");
    TConfigData c = LoadConfig(path);
    EXPECT_EQ(c.MatrixCols, 7);
    EXPECT_EQ(c.ChannelSize, 4);
    EXPECT_EQ(c.Cost, 0);
    EXPECT_EQ(c.MaxStake, 10);
    EXPECT_TRUE(c.Profits.empty());
    EXPECT_EQ(c.Weights, (TWeights{0.0, -1.0, 1.0, false, false}));
    for (uint8_t s : c.MatrixSegments) EXPECT_EQ(s, 1);
    TShreddingData sh = LoadShredding(path);
    EXPECT_EQ(sh.Formulas[0], "(n1+n2+n3)/(n4+n5+n6)");
    EXPECT_EQ(sh.Formulas[1], "(n4+n5+n6)/(n1+n2+n3)");
    EXPECT_EQ(sh.Formulas[2], "(n1+n3+n5)/(n2+n4+n6)");
    EXPECT_EQ(sh.Digits, (std::array<uint8_t, 3>{2, 2, 2}));
    EXPECT_EQ(LoadGenerateSettings(path), TGenerateSettings{});
    EXPECT_FALSE(std::filesystem::exists(path)) << "loading creates nothing";
}

TEST(GameSettings, ConfigRoundTripsEveryField) {
    TTempDir dir;
    const std::string path = dir.File("Zorb_6x52.ini");
    TConfigData c;
    c.MatrixCols = 10;
    c.ChannelSize = 3;
    c.Cost = CurrencyFromDouble(12.5);
    c.MaxStake = 8;
    c.Profits = {{3, CurrencyFromDouble(100)}, {4, CurrencyFromDouble(1234.5678)}, {6, CurrencyFromDouble(1e9)}};
    c.Weights = {0.25, -3.5, 1e-7, true, true};
    for (size_t i = 0; i < c.MatrixSegments.size(); ++i) c.MatrixSegments[i] = static_cast<uint8_t>(i % 10);
    SaveConfig(path, c);
    TConfigData back = LoadConfig(path);
    EXPECT_EQ(back.Cost, 125000);
    EXPECT_EQ(back.Profits, c.Profits);
    EXPECT_EQ(back.Weights, c.Weights);
    EXPECT_EQ(back.MatrixSegments, c.MatrixSegments);
    EXPECT_EQ(back, c);
    // Saving what was loaded changes nothing.
    const std::string first = ReadRaw(path);
    SaveConfig(path, back);
    EXPECT_EQ(ReadRaw(path), first);
}

struct TSegCase {
    const char* Text;
    std::vector<int> Head;
};
void PrintTo(const TSegCase& c, std::ostream* os) {
    *os << '"' << c.Text << '"';
}
class Segments : public testing::TestWithParam<TSegCase> {};
TEST_P(Segments, DigitByDigitWithFallbackToOne) {
    std::array<uint8_t, 52> s = ParseSegments(GetParam().Text);
    const auto& head = GetParam().Head;
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_EQ(s[i], i < head.size() ? head[i] : 1) << '"' << GetParam().Text << "\" number " << i + 1;
}
INSTANTIATE_TEST_SUITE_P(
    Table, Segments,
    testing::Values(TSegCase{"1122", {1, 1, 2, 2}}, TSegCase{"", {}}, TSegCase{"9x0 5", {9, 1, 0, 1, 5}},
                    TSegCase{"2222222222222222222222222222222222222222222222222222999", std::vector<int>(52, 2)}));

TEST(GameSettings, SegmentsReadFromTheFile) {
    TTempDir dir;
    const std::string path = dir.File("s.ini");
    WriteRaw(path, "[GLOBAL]\nMatrixSegments=1122\n");
    TConfigData c = LoadConfig(path);
    EXPECT_EQ(c.MatrixSegments[2], 2);
    EXPECT_EQ(c.MatrixSegments[4], 1);
    EXPECT_EQ(SegmentsText(c.MatrixSegments), "1122" + std::string(48, '1'));
}

struct TProfitsCase {
    const char* Count;
    size_t Expected;
};
void PrintTo(const TProfitsCase& c, std::ostream* os) {
    *os << "Profits=" << c.Count;
}
class ProfitsCount : public testing::TestWithParam<TProfitsCase> {};
TEST_P(ProfitsCount, HandEditedCountsStayBounded) {
    TTempDir dir;
    const std::string path = dir.File("p.ini");
    WriteRaw(path,
             std::string("[STAKES]\nProfits=") + GetParam().Count + "\nProfit_0_Overlap=3\nProfit_0_Profit=50,5\n");
    TConfigData c = LoadConfig(path);
    EXPECT_EQ(c.Profits.size(), GetParam().Expected);
    EXPECT_LE(c.Profits.size(), 1000u);
    if (!c.Profits.empty()) {
        EXPECT_EQ(c.Profits[0], (TProfitEntry{3, 505000}));
    }
}
INSTANTIATE_TEST_SUITE_P(Table, ProfitsCount,
                         testing::Values(TProfitsCase{"1", 1}, TProfitsCase{"0", 0}, TProfitsCase{"-5", 0},
                                         TProfitsCase{"-2147483648", 0}, TProfitsCase{"abc", 0},
                                         TProfitsCase{"1000", 1}, TProfitsCase{"1001", 0},
                                         TProfitsCase{"2147483647", 0}, TProfitsCase{"99999999999", 0}));

TEST(GameSettings, PrizeRowWithoutAUsableMatchCountIsDropped) {
    TTempDir dir;
    const std::string path = dir.File("p.ini");
    WriteRaw(path, "[STAKES]\nProfits=4\nProfit_0_Overlap=7\nProfit_0_Profit=5\nProfit_1_Overlap=x\n"
                   "Profit_1_Profit=6\nProfit_2_Overlap=6\nProfit_2_Profit=1e13\nProfit_3_Overlap=2\n"
                   "Profit_3_Profit=9,5\n");
    EXPECT_EQ(LoadConfig(path).Profits, (std::vector<TProfitEntry>{{6, 0}, {2, 95000}}));
}

TEST(GameSettings, HostileValuesReadAsDefaultsAndTheRestOfTheFileSurvivesSaving) {
    TTempDir dir;
    const std::string path = dir.File("Zorb_6x52.ini");
    WriteRaw(path, "[GLOBAL]\nMatrixCols=-5\nChannelSize=99999999999\nCombsGenerateMode=5\nMine=1e308\n"
                   "[STAKES]\nCost=1e308\nMaxStake=0x10\n[CDL]\nCount=inf\nDeviation=nan\nLevel=12abc\n"
                   "[SHREDDING]\nFormula1Digits=255\n[OWN]\nKey=inf\n");
    EXPECT_EQ(LoadConfig(path), TConfigData{});
    EXPECT_EQ(LoadShredding(path).Digits[0], 5) << "clamped to the most the dialog allows";
    EXPECT_EQ(LoadGenerateSettings(path), TGenerateSettings{});
    SaveConfig(path, LoadConfig(path));
    TIniFile ini(path);
    ini.Load();
    EXPECT_EQ(ini.ReadString("GLOBAL", "Mine", ""), "1e308");
    EXPECT_EQ(ini.ReadString("OWN", "Key", ""), "inf");
    EXPECT_EQ(ini.ReadString("SHREDDING", "Formula1Digits", ""), "255") << "not this save's business";
    EXPECT_EQ(ini.ReadString("GLOBAL", "MatrixCols", ""), "7");
    EXPECT_EQ(LoadConfig(path), TConfigData{});
}

TEST(GameSettings, SavingKeepsOtherSections) {
    TTempDir dir;
    const std::string path = dir.File("Zorb_6x52.ini");
    WriteRaw(path, "[PROXY]\nHost=proxy.example\nPort=3128\n");
    SaveConfig(path, TConfigData{});
    SaveShredding(path, TShreddingData{});
    SaveGenerateSettings(path, {3, "a=1"});
    TIniFile ini(path);
    ini.Load();
    EXPECT_EQ(ini.ReadString("PROXY", "Host", ""), "proxy.example");
    EXPECT_EQ(ini.ReadInteger("PROXY", "Port", 0), 3128);
    EXPECT_EQ(LoadConfig(path), TConfigData{});
    EXPECT_EQ(LoadGenerateSettings(path), (TGenerateSettings{3, "a=1"}));
}

TEST(GameSettings, ShrinkingThePrizeTableRemovesStaleKeys) {
    TTempDir dir;
    const std::string path = dir.File("Zorb_6x52.ini");
    TConfigData c;
    c.Profits = {{2, 10000}, {3, 20000}, {4, 30000}};
    SaveConfig(path, c);
    c.Profits.resize(1);
    SaveConfig(path, c);
    TIniFile ini(path);
    ini.Load();
    EXPECT_EQ(ini.ReadInteger("STAKES", "Profits", -1), 1);
    EXPECT_TRUE(ini.ValueExists("STAKES", "Profit_0_Overlap"));
    for (int i : {1, 2}) {
        EXPECT_FALSE(ini.ValueExists("STAKES", "Profit_" + std::to_string(i) + "_Overlap")) << i;
        EXPECT_FALSE(ini.ValueExists("STAKES", "Profit_" + std::to_string(i) + "_Profit")) << i;
    }
    EXPECT_EQ(LoadConfig(path).Profits, c.Profits);
    c.Profits.clear();
    SaveConfig(path, c);
    TIniFile after(path);
    after.Load();
    EXPECT_FALSE(after.ValueExists("STAKES", "Profit_0_Overlap"));
    EXPECT_TRUE(LoadConfig(path).Profits.empty());
}

TEST(GameSettings, ShreddingRoundTrip) {
    TTempDir dir;
    const std::string path = dir.File("Zorb_6x52.ini");
    TShreddingData d;
    d.Formulas = {"n1*n2", "(n6-n1)/2", "n3"};
    d.Digits = {1, 3, 5};
    SaveShredding(path, d);
    EXPECT_EQ(LoadShredding(path), d);
    // Counts outside 1..5 are clamped, not wrapped into the byte (258 would wrap to 2); unreadable is the default.
    WriteRaw(path, "[SHREDDING]\nFormula2=n2\nFormula1Digits=258\nFormula2Digits=x\nFormula3Digits=0\n");
    TShreddingData partial = LoadShredding(path);
    EXPECT_EQ(partial.Formulas[0], TShreddingData{}.Formulas[0]);
    EXPECT_EQ(partial.Formulas[1], "n2");
    EXPECT_EQ(partial.Digits, (std::array<uint8_t, 3>{5, 2, 1}));
}

} // namespace
} // namespace zorb

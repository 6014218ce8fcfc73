// The settings dialogs' effects, the method selectors and the favourites file as the application drives them.
#include "AppFixture.h"

#include "app/ConfigRules.h"
#include "app/OnlineIdentity.h"
#include "core/TextUtils.h"
#include "stats/StatList.h"

#include <algorithm>
#include <cmath>

namespace zorb::test {
namespace {

std::vector<std::string> Codes(const TTemplateMain& app, const std::vector<int>& entries) {
    std::vector<std::string> r;
    for (int i : entries) r.push_back(app.Stats().CodeOf(i));
    return r;
}

TEST_F(AppTest, SelectorsListShownMethodsAndGraphsOnly) {
    Start();
    const auto stat = Codes(*App, App->Statistics().StatTypeItems());
    const auto graph = Codes(*App, App->Statistics().GraphTypeItems());
    ASSERT_EQ(stat.size(), 236u);
    EXPECT_EQ(stat.front(), "NUMS");
    EXPECT_EQ(stat.back(), "SHR3");
    // Graph list: the graphable methods in the same order.
    EXPECT_EQ(graph.front(), "EVEN");
    EXPECT_TRUE(std::find(graph.begin(), graph.end(), "NUMS") == graph.end());
    EXPECT_TRUE(std::find(graph.begin(), graph.end(), "SUMV") == graph.end());
    EXPECT_EQ(App->Stats().CodeOf(App->Statistics().StatTypeEntry()), "NUMS");
    EXPECT_EQ(App->Stats().CodeOf(App->Statistics().GraphTypeEntry()), "EVEN");
}

TEST_F(AppTest, FavouritesAndOrderingComeFromTheFavouritesFile) {
    WriteRaw(Data.File("Zorb_6x52.flt"), "[FILTERS]\nFavorites=sums,pos2,NUMS\nOrdered=1\nShowGroupName=0\n"
                                         "ShowMethodFlags=0\n[STRINGS_RUS]\nSUMS=Моя сумма\n");
    Start();
    EXPECT_TRUE(Ui.Messages.empty());
    // Sorted by display name: the user's title counts as the name.
    EXPECT_EQ(Codes(*App, App->Statistics().StatTypeItems()), (std::vector<std::string>{"SUMS", "NUMS", "POS2"}));
    EXPECT_EQ(Codes(*App, App->Statistics().GraphTypeItems()), (std::vector<std::string>{"SUMS", "POS2"}));
    EXPECT_EQ(App->Stats().DisplayName(App->Stats().FindByCode("SUMS"), true), "Моя сумма");
}

TEST_F(AppTest, ChoiceSurvivesRebuildingTheLists) {
    Start();
    const int pos3 = App->Stats().FindByCode("POS3");
    App->Statistics().SelectStatType(pos3);
    App->Statistics().SelectGraphType(App->Stats().FindByCode("SUMS"));
    App->Statistics().SelectStatType(9999); // not in the list: ignored
    ASSERT_EQ(App->Statistics().StatTypeEntry(), pos3);
    Ui.ConfigEdits.push_back([](TConfigData& c) {
        c.ChannelSize = 5;
        return true;
    });
    const int fills = Ui.MethodListFills;
    ASSERT_TRUE(App->Execute("EditConfig"));
    EXPECT_GT(Ui.MethodListFills, fills);
    EXPECT_EQ(App->Stats().CodeOf(App->Statistics().StatTypeEntry()), "POS3");
    EXPECT_EQ(App->Stats().CodeOf(App->Statistics().GraphTypeEntry()), "SUMS");
}

TEST_F(AppTest, EditConfigSavesEveryKeyAndRepaintsTheDraws) {
    StartWithArchive(RawDrawRange(1, 5));
    const int repaints = Ui.ListRepaints;
    Ui.ConfigEdits.push_back([](TConfigData& c) {
        c.MatrixCols = 10;
        c.ChannelSize = 3;
        c.Cost = CurrencyFromDouble(12.5);
        c.MaxStake = 8;
        const Currency prizes[7] = {
            0, 0, 0, CurrencyFromDouble(100), CurrencyFromDouble(1500.25), 0, CurrencyFromDouble(1e6)};
        SetPrizes(c, prizes);
        c.Weights = {1.5, -2, 0.25, true, true};
        c.MatrixSegments[0] = 9;
        c.MatrixSegments[51] = 2;
        return true;
    });
    ASSERT_TRUE(App->Execute("EditConfig"));
    EXPECT_TRUE(Ui.Messages.empty());
    EXPECT_GT(Ui.ListRepaints, repaints);
    const TConfigData saved = LoadConfig(Ini());
    EXPECT_EQ(saved, App->Config());
    EXPECT_EQ(saved.Cost, 125000);
    EXPECT_EQ(PrizeFor(saved, 4), CurrencyFromDouble(1500.25));
    EXPECT_EQ(App->Stats().StakeProfit(8, 3), CurrencyFromDouble(100) - 28 * CurrencyFromDouble(12.5));
    // The draw list's channel colours follow the new channel size.
    const int shown = std::stoi(App->Archive().DrawCellText(0, 1));
    EXPECT_EQ(App->Archive().DrawCellColor(0, 1), int64_t(ChannelColor(shown, 3)));
}

TEST_F(AppTest, CancelledSettingsDialogChangesNothing) {
    Start();
    Ui.ConfigEdits.push_back([](TConfigData& c) {
        c.ChannelSize = 9;
        return false;
    });
    ASSERT_TRUE(App->Execute("EditConfig"));
    EXPECT_EQ(App->Config().ChannelSize, 4);
    EXPECT_FALSE(FileExists(Ini()));
}

struct TStaleCase {
    const char* Name;
    void (*Change)(TConfigData&);
    std::vector<int> Groups;
};
void PrintTo(const TStaleCase& c, std::ostream* os) {
    *os << c.Name;
}
class StaleGroups : public testing::TestWithParam<TStaleCase> {};
TEST_P(StaleGroups, FollowTheChangedSettings) {
    TConfigData before, after;
    GetParam().Change(after);
    EXPECT_EQ(TStatsController::StaleGroups(before, after), GetParam().Groups);
}
INSTANTIATE_TEST_SUITE_P(Table, StaleGroups,
                         testing::Values(TStaleCase{"nothing", [](TConfigData&) {}, {}},
                                         TStaleCase{"channel only", [](TConfigData& c) { c.ChannelSize = 5; }, {3}},
                                         TStaleCase{"columns only", [](TConfigData& c) { c.MatrixCols = 8; }, {4}},
                                         TStaleCase{
                                             "one segment", [](TConfigData& c) { c.MatrixSegments[17] = 3; }, {5}},
                                         TStaleCase{"cost and prizes",
                                                    [](TConfigData& c) {
                                                        c.Cost = 5;
                                                        c.Profits.push_back({3, 10});
                                                    },
                                                    {}},
                                         TStaleCase{"all three",
                                                    [](TConfigData& c) {
                                                        c.ChannelSize = 6;
                                                        c.MatrixCols = 9;
                                                        c.MatrixSegments[0] = 2;
                                                    },
                                                    std::vector<int>{3, 4, 5}}));

TEST_F(AppTest, FailedSettingsSaveIsReportedAndKeptInMemory) {
    Start();
    Ui.ConfigEdits.push_back([](TConfigData& c) {
        c.ChannelSize = 7;
        return true;
    });
    {
        TWriteFaultGuard fault(0);
        ASSERT_TRUE(App->Execute("EditConfig"));
    }
    ASSERT_FALSE(Ui.Messages.empty());
    EXPECT_EQ(Ui.Messages.front().Text.rfind("Ошибка записи в файл конфигурации!\r\r", 0), 0u);
    EXPECT_EQ(App->Config().ChannelSize, 7);
}

TEST_F(AppTest, EditShreddingStoresTheFormulasAndMarksItsGroup) {
    Start();
    Ui.ShreddingEdits.push_back([](TShreddingData& d) {
        d.Formulas[1] = "n1*n2";
        d.Digits[2] = 4;
        return true;
    });
    ASSERT_TRUE(App->Execute("EditShredding"));
    EXPECT_EQ(LoadShredding(Ini()).Formulas[1], "n1*n2");
    EXPECT_EQ(LoadShredding(Ini()).Digits[2], 4);
    // The method lists show the new formula.
    const TStatList& list = App->Stats();
    EXPECT_NE(list.DisplayName(list.FindByCode("SHR2"), false).find("n1*n2"), std::string::npos);
}

TEST_F(AppTest, EditShreddingRefusesAFormulaThatDoesNotCompile) {
    Start();
    Ui.ShreddingEdits.push_back([](TShreddingData& d) {
        d.Formulas[0] = "n1=5";
        return true;
    });
    ASSERT_TRUE(App->Execute("EditShredding"));
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages.front().Text.rfind("Формула 1: ", 0), 0u) << Ui.Messages.front().Text;
    EXPECT_EQ(App->Shredding(), TShreddingData{});
    EXPECT_EQ(LoadShredding(Ini()), TShreddingData{}) << "nothing written";
}

TEST_F(AppTest, RebuildKeepsTitlesAndFavourites) {
    Start();
    TStatList& list = App->Stats();
    list.SetFavoritesText("EVEN,SUMS");
    list.Method(list.FindByCode("SUMS")).Title = "Суммы";
    Ui.ConfigEdits.push_back([](TConfigData& c) {
        c.MatrixCols = 6;
        return true;
    });
    ASSERT_TRUE(App->Execute("EditConfig"));
    EXPECT_EQ(list.FavoritesText(), "EVEN,SUMS");
    EXPECT_EQ(list.Method(list.FindByCode("SUMS")).Title, "Суммы");
    EXPECT_EQ(Codes(*App, App->Statistics().StatTypeItems()), (std::vector<std::string>{"EVEN", "SUMS"}));
}

// A valid file whose keys all differ from the defaults; each case spoils one key.
const char* const ValidIni = "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7\nMatrixCols=10\n"
                             "ChannelSize=5\n[STAKES]\nCost=12.5\nMaxStake=8\nProfits=1\nProfit_0_Overlap=3\n"
                             "Profit_0_Profit=100\n[CDL]\nCount=2\nDeviation=-3\nLevel=0.5\nUsePercents=1\n"
                             "UseAbsValues=1\n[MINE]\nOwn=1e308\n";

TConfigData ValidConfig() {
    TConfigData c;
    c.MatrixCols = 10;
    c.ChannelSize = 5;
    c.Cost = CurrencyFromDouble(12.5);
    c.MaxStake = 8;
    c.Profits = {{3, CurrencyFromDouble(100)}};
    c.Weights = {2, -3, 0.5, true, true};
    return c;
}

struct THostileCase {
    const char* Section;
    const char* Key;
    const char* Value;
    void (*Fallback)(TConfigData&); // what the spoilt key reads as
};
void PrintTo(const THostileCase& c, std::ostream* os) {
    *os << c.Key << '=' << c.Value;
}
class HostileSettings : public AppTest, public testing::WithParamInterface<THostileCase> {};
TEST_P(HostileSettings, SpoiltKeyReadsItsDefaultAndTheRestHolds) {
    WriteRaw(Ini(), ValidIni);
    {
        TIniFile ini(Ini());
        ini.Load();
        ini.WriteString(GetParam().Section, GetParam().Key, GetParam().Value);
        ini.Save();
    }
    StartWithArchive(RawDrawRange(1, 30));
    TConfigData expected = ValidConfig();
    GetParam().Fallback(expected);
    EXPECT_EQ(App->Config(), expected);
    // A new stake costs exactly the stake price.
    App->Combinations().SetCombsSelection({{0, 1}});
    Ui.StakeEdits.push_back([](TStakeRecord&, int&) { return true; });
    ASSERT_TRUE(App->Execute("StakeAdd"));
    ASSERT_EQ(Ui.OfferedStakes.size(), 1u);
    EXPECT_EQ(Ui.OfferedStakes[0].Profit, -expected.Cost);
    // Weights stay numbers of the size of the counts (30 draws), never the overflow mark.
    ASSERT_FALSE(App->Statistics().StatLines().empty());
    for (const TStatLine& line : App->Statistics().StatLines()) {
        double w = 0;
        ASSERT_TRUE(TryStrToFloat(line.Cells[8], w)) << line.Cells[8];
        EXPECT_LT(std::fabs(w), 1e4) << line.Cells[0];
    }
    // Saving the settings writes the fallback and keeps what the program does not own.
    Ui.ConfigEdits.push_back([](TConfigData&) { return true; });
    ASSERT_TRUE(App->Execute("EditConfig"));
    EXPECT_EQ(LoadConfig(Ini()), expected);
    TIniFile saved(Ini());
    saved.Load();
    EXPECT_EQ(saved.ReadString("MINE", "Own", ""), "1e308");
}
INSTANTIATE_TEST_SUITE_P(
    Table, HostileSettings,
    testing::Values(THostileCase{"GLOBAL", "MatrixCols", "-5", [](TConfigData& c) { c.MatrixCols = 7; }},
                    THostileCase{"GLOBAL", "MatrixCols", "53", [](TConfigData& c) { c.MatrixCols = 7; }},
                    THostileCase{"GLOBAL", "ChannelSize", "99999999999", [](TConfigData& c) { c.ChannelSize = 4; }},
                    THostileCase{"GLOBAL", "ChannelSize", "2", [](TConfigData& c) { c.ChannelSize = 4; }},
                    THostileCase{"STAKES", "Cost", "1e308", [](TConfigData& c) { c.Cost = 0; }},
                    THostileCase{"STAKES", "Cost", "-12.5", [](TConfigData& c) { c.Cost = 0; }},
                    THostileCase{"STAKES", "Cost", "nan", [](TConfigData& c) { c.Cost = 0; }},
                    THostileCase{"STAKES", "MaxStake", "11", [](TConfigData& c) { c.MaxStake = 10; }},
                    THostileCase{"STAKES", "Profits", "1e3", [](TConfigData& c) { c.Profits.clear(); }},
                    THostileCase{"STAKES", "Profit_0_Overlap", "7", [](TConfigData& c) { c.Profits.clear(); }},
                    THostileCase{"STAKES", "Profit_0_Profit", "1e300", [](TConfigData& c) { c.Profits[0].Profit = 0; }},
                    THostileCase{"CDL", "Count", "inf", [](TConfigData& c) { c.Weights.Count = 0; }},
                    THostileCase{"CDL", "Deviation", "-1e7", [](TConfigData& c) { c.Weights.Deviation = -1; }},
                    THostileCase{"CDL", "Level", "12abc", [](TConfigData& c) { c.Weights.Level = 1; }},
                    THostileCase{"CDL", "UsePercents", "1x", [](TConfigData& c) { c.Weights.UsePercents = false; }}));

TEST(ConfigRules, SegmentCells) {
    uint8_t v = 0;
    EXPECT_TRUE(ParseSegmentCell("", v));
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(ParseSegmentCell(" 7 ", v));
    EXPECT_EQ(v, 7);
    for (const char* bad : {"0", "10", "x", "-1", "99"}) EXPECT_FALSE(ParseSegmentCell(bad, v)) << bad;
    EXPECT_EQ(BadSegmentMessage("0"), "Некорректное значение: 0!\r\rУкажите любое число от 1 до 9");
    EXPECT_EQ(PrizeRowText(3, CurrencyFromDouble(12.5)), "3=12.50");
}

// A settings file that turns unreadable while the program runs is told once, as at start-up, and its online
// fields read as unset; once it reads again a later damage is told again.
TEST_F(AppTest, DamagedSettingsFileIsReportedOnceUntilItReadsAgain) {
    TIniFile ini(Ini());
    ini.WriteString("ONLINE", "UserName", "Иван");
    ini.Save();
    Start();
    ASSERT_EQ(ReadOnlineFields(*App).UserName, "Иван");
    ASSERT_TRUE(Ui.Errors().empty());
    const auto damage = [&] {
        DeleteFileIfExists(Ini());
        std::filesystem::create_directory(Ini());
    };
    damage();
    EXPECT_EQ(ReadOnlineFields(*App).UserName, "");
    EXPECT_EQ(ReadOnlineSettings(*App).UserName, "");
    ASSERT_EQ(Ui.Errors().size(), 1u);
    EXPECT_EQ(Ui.Errors()[0].Text.rfind("Ошибка чтения файла конфигурации!\r\r", 0), 0u) << Ui.Errors()[0].Text;
    std::filesystem::remove(Ini());
    ini.Save();
    EXPECT_EQ(ReadOnlineFields(*App).UserName, "Иван");
    damage();
    ReadOnlineFields(*App);
    EXPECT_EQ(Ui.Errors().size(), 2u);
}

} // namespace
} // namespace zorb::test

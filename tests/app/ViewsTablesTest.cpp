// The draw views, the ratings and the regular tables as the main window drives them.
#include "../stakes/StakesTestUtil.h"
#include "AppFixture.h"
#include "app/RatingsController.h"
#include "app/TablesController.h"
#include "app/ViewsController.h"

namespace zorb::test {
namespace {

// Seven numbers make seven combinations; a stake costs 12.50.
const char* const SevenNumbersIni = "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7\n"
                                    "[STAKES]\nCost=12.5\n";

class TViewsScriptedUi : public TScriptedUi, public TViewsUi, public TRatingsUi, public TTablesUi {
public:
    std::vector<std::string> Charts;
    std::deque<std::function<bool(TTableDialogData&)>> TableEdits;
    size_t RatingsShown = 0;

    void ViewChanged(TViewKind) override {}
    void ViewTabsChanged(std::optional<TViewKind>) override {}
    void ShowChart(const std::string& title, const std::vector<TChartSeries>&) override { Charts.push_back(title); }
    void ShowRepeats(int&, int&, const std::function<TRepeatsResult(int, int)>&) override {}
    std::vector<TInfoLine> Info;
    TComb InfoNumbers{};
    void ShowInfo(const std::vector<TInfoLine>& lines, const TComb& numbers, int, int) override {
        Info = lines;
        InfoNumbers = numbers;
    }
    void RatingsViewChanged(size_t count) override { RatingsShown = count; }
    void ShowRatingsChart(const std::string& title, const std::vector<TChartSeries>&) override {
        Charts.push_back(title);
    }
    void ShowScenarioTab() override {}
    void TablesViewChanged(size_t) override {}
    void TablesTabChanged(bool) override {}
    bool EditTable(TTableDialogData& data,
                   const std::function<std::string(const TTableDialogData&, bool&)>& check) override {
        if (TableEdits.empty()) return false;
        auto edit = std::move(TableEdits.front());
        TableEdits.pop_front();
        if (!edit(data)) return false;
        bool field = false;
        return check(data, field).empty();
    }
    bool AskTablesTestCount(int&, int) override { return false; }
};

class ViewsAppTest : public testing::Test {
protected:
    TTempDir Data, Exe;
    TViewsScriptedUi Ui;
    std::unique_ptr<TFormMain> App;

    void Start(const std::string& ini, const std::string& archive) {
        WriteRaw(Data.File("Zorb_6x52.ini"), ini);
        if (!archive.empty()) WriteRaw(Data.File("Zorb_6x52.ldr"), archive);
        App = std::make_unique<TFormMain>(Ui, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
        App->Create();
        App->OnInitTimer();
    }
    std::vector<TStakeRecord> Stakes() const {
        const std::string bytes = ReadRaw(Data.File("Zorb_6x52.lsk"));
        std::vector<TStakeRecord> r;
        for (size_t i = 0; i + RawStakeSize <= bytes.size(); i += RawStakeSize)
            r.push_back(DecodeStake(reinterpret_cast<const uint8_t*>(bytes.data() + i)));
        return r;
    }
};

TEST_F(ViewsAppTest, TableTestStakesEveryPastDrawFromEachTableWithViewsFrozen) {
    Start(SevenNumbersIni, RawDrawRange(1, 100));
    App->Combinations().SetCombsSelection({{0, 2}});
    TTableDialogData d;
    d.Comment = "T";
    d.Step = 1;
    ASSERT_EQ(App->Tables().AddTables(d), 2);
    App->Tables().SetSelection({0, 1});
    int refreshes = 0;
    App->AddViewRefresher([&](bool) { ++refreshes; });

    EXPECT_EQ(App->Tables().TablesStakeTest(3), 6);
    EXPECT_EQ(refreshes, 0);
    EXPECT_FALSE(App->ViewsFrozen());
    EXPECT_EQ(App->Archive().DrawsOffset(), 0);
    const auto stakes = Stakes();
    ASSERT_EQ(stakes.size(), 6u);
    const int draws[] = {98, 98, 99, 99, 100, 100};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(stakes[i].DrawNumber, draws[i]);
        EXPECT_EQ(stakes[i].Comment, i % 2 ? "T (2)" : "T (1)");
        EXPECT_EQ(stakes[i].Kind, skRegular);
        EXPECT_TRUE(stakes[i].Checked);
    }
    EXPECT_EQ(App->Tables().Tables()[0].StakeCount, 3);
    EXPECT_EQ(LoadTablesFile(Data.File("Zorb_6x52.ltb")).size(), 2u);
    // Every checked stake reached the ratings: one entry per table.
    EXPECT_EQ(App->RatingsTab().Ratings().Count(), 2u);
    EXPECT_EQ(Ui.RatingsShown, 2u);

    // Outside 1..n-1 nothing happens.
    EXPECT_EQ(App->Tables().TablesStakeTest(100), 0);
    EXPECT_EQ(Stakes().size(), 6u);
}

TEST_F(ViewsAppTest, TableWithoutAUsableBaseIsRefused) {
    Start(SevenNumbersIni, "");
    TTableDialogData d;
    d.Comment = "last";
    d.UseLastDraw = true;
    ASSERT_EQ(App->Tables().AddTables(d), 1);
    App->Tables().SetSelection({0});
    ASSERT_TRUE(App->Execute("TablesStakeAdd"));
    ASSERT_FALSE(Ui.Messages.empty());
    EXPECT_EQ(Ui.Messages.back().Text, "Введена некорректная комбинация!");
    EXPECT_TRUE(Ui.OfferedStakes.empty());
    EXPECT_EQ(App->Tables().Tables()[0].StakeCount, 0);

    // The dialog's rules: a duplicate comment, letter case ignored, and a typed base.
    bool field = false;
    d.ExistingComments = {"LAST"};
    EXPECT_FALSE(App->Tables().CheckTableDialog(d, field).empty());
    d.ExistingComments.clear();
    d.UseLastDraw = false;
    d.CombEnabled = true;
    d.CombText = "1;2;3;4;5;5";
    EXPECT_EQ(App->Tables().CheckTableDialog(d, field), "Введена некорректная комбинация!");
    EXPECT_TRUE(field);
}

// A constant base with no combination selected would create nothing: the dialog says why instead of closing.
TEST_F(ViewsAppTest, ConstantTableWithoutASelectedCombinationIsExplained) {
    Start(SevenNumbersIni, RawDrawRange(1, 10));
    const size_t before = App->Tables().Tables().size();
    Ui.TableEdits.push_back([](TTableDialogData& d) {
        EXPECT_FALSE(d.CombEnabled);
        d.Comment = "T";
        return true;
    });
    ASSERT_TRUE(App->Execute("TablesAdd"));
    EXPECT_EQ(App->Tables().Tables().size(), before);
    TTableDialogData d;
    d.Comment = "T";
    bool field = false;
    EXPECT_EQ(App->Tables().CheckTableDialog(d, field).rfind("Не выделено ни одной комбинации!", 0), 0u);
    d.UseLastDraw = true; // the previous draw needs no selection
    EXPECT_EQ(App->Tables().CheckTableDialog(d, field), "");
    App->Combinations().SetCombsSelection({{0, 2}});
    d.UseLastDraw = false;
    EXPECT_EQ(App->Tables().CheckTableDialog(d, field), "");
}

TEST_F(ViewsAppTest, MixedSizesShareAnEntryAndClearingAllStakesAsksAboutTheRatings) {
    Start(SevenNumbersIni, RawDrawRange(1, 100));
    for (auto [comment, size] : {std::pair{"Смесь", 6}, std::pair{"смесь", 8}}) {
        TNumberSet set{};
        for (int n = 1; n <= size; ++n) set.Numbers[set.Count++] = static_cast<uint8_t>(n);
        TStakeRecord r = App->Stakes().NewStakeRecord(skManual, comment, set);
        r.DrawNumber = 100;
        ASSERT_TRUE(App->Stakes().AddSingleStake(r, 1));
    }
    const TRatings& ratings = App->RatingsTab().Ratings();
    ASSERT_EQ(ratings.Count(), 1u);
    EXPECT_EQ(ratings.Items()[0].Comment, "Смесь");
    const TRatingExpectation e = App->RatingsTab().Expectation(0);
    for (size_t k = 0; k <= 6; ++k)
        EXPECT_NEAR(e.E[k],
                    StakeMatchProbability(6, static_cast<int>(k)) + StakeMatchProbability(8, static_cast<int>(k)),
                    1e-12);
    EXPECT_EQ(ReadRaw(Data.File("Zorb_6x52.lrt")).size(), RatingRecordSize);
    EXPECT_EQ(ReadRaw(Data.File("Zorb_6x52.lrs")).size(), RatingSizesRecordSize);

    // The recompute's question answered No keeps what the deleted stakes gave.
    Ui.YesNoAnswers = {true, false};
    ASSERT_TRUE(App->Execute("StakeClear"));
    EXPECT_EQ(ratings.Count(), 1u);
    Ui.YesNoAnswers = {true};
    ASSERT_TRUE(App->Execute("RatingsRefresh"));
    EXPECT_TRUE(ratings.Empty());
    EXPECT_EQ(ReadRaw(Data.File("Zorb_6x52.lrt")).size(), 0u);
}

TEST_F(ViewsAppTest, RatingLinesJoinTheCurrentScenarioAndItsStateFile) {
    Start(SevenNumbersIni, RawDrawRange(1, 100));
    App->Scenarios().AddLine("FULL:0#LAST|TMD1#NUMS:30#LLV:3#SF:1| | | | | | |before");
    TStakeRecord r = App->Stakes().NewStakeRecord(skScenario, "01.002: line @ FULL:0#LAST + TMD1#NUMS:30#LLV:3#SF:1",
                                                  CombToSet(TComb{{1, 2, 3, 4, 5, 6}}));
    r.DrawNumber = 100;
    ASSERT_TRUE(App->Stakes().AddSingleStake(r, 1));
    App->RatingsTab().SetSelection({0});
    ASSERT_TRUE(App->Execute("RatingsToScript"));
    const std::string added = "FULL:0#LAST|TMD1#NUMS:30#LLV:3#SF:1| | | | | | |01.002: line";
    ASSERT_EQ(App->Scenarios().Lines().size(), 2u);
    EXPECT_EQ(App->Scenarios().Lines()[1], added);
    // A later save of the scenario keeps it: the line went through the scenario, not past it.
    App->Scenarios().AddLine("");
    const std::string state = ReadRaw(Data.File("Zorb_6x52.lss"));
    EXPECT_NE(state.find("|before\r\n" + added + "\r\n"), std::string::npos) << state;
}

TEST_F(ViewsAppTest, SelectionsHandOverOnlyNumbersOfTheGame) {
    Start("[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7;8;9;10\n", RawDrawRange(1, 100));
    ASSERT_EQ(App->Combinations().Combs().Count(), 210u);
    TViewsController& v = App->Views();
    // The day-name column alone is no number: nothing is filtered.
    v.SetSelection(TViewKind::Week, TGridRect{1, 0, 7, 0});
    ASSERT_TRUE(App->Execute("WeekFilter_Include"));
    EXPECT_EQ(Ui.Messages.back().Text, "В выделенном диапазоне нет значений для фильтра!");
    EXPECT_EQ(App->Combinations().Combs().Count(), 210u);
    // Columns 3..5 with the name column: the combinations holding 3, 4 or 5 (all but C(7,6)).
    v.SetSelection(TViewKind::Week, TGridRect{1, 0, 7, 5});
    EXPECT_EQ(v.SelectedNumbers(TViewKind::Week), (std::vector<int>{1, 2, 3, 4, 5}));
    v.SetSelection(TViewKind::Week, TGridRect{1, 3, 7, 5});
    ASSERT_TRUE(App->Execute("WeekFilter_Include"));
    EXPECT_EQ(App->Combinations().Combs().Count(), 210u - 7u);

    // The card's header row and draw-number column never count.
    const auto& card = v.CardText();
    ASSERT_EQ(card.size(), 101u);
    v.SetSelection(TViewKind::Card, TGridRect{0, 0, 1, 52});
    std::vector<int> newest;
    for (int c = 1; c <= 52; ++c)
        if (!card[1][static_cast<size_t>(c)].empty()) newest.push_back(c);
    EXPECT_EQ(v.SelectedNumbers(TViewKind::Card), newest);
}

TEST_F(ViewsAppTest, InformationWindowShowsTheDrawAndEveryEnabledGraphMethod) {
    Start(SevenNumbersIni, RawDrawRange(1, 100));
    TStatList& stats = App->Stats();
    const int sums = stats.FindByCode("SUMS");
    const std::string sumsCaption = stats.CreateStat(sums)->MethodCaption();
    int methods = 0;
    for (int m = 0; m < stats.MethodCount(); ++m) methods += stats.IsGraphMethod(m) && stats.IsVisible(m);
    auto valueOf = [&](const std::string& caption) {
        for (const TInfoLine& l : Ui.Info)
            if (l.Caption == caption) return l.Value;
        return std::string("?");
    };

    EXPECT_FALSE(App->Execute("DrawsInfo")); // nothing selected
    App->Archive().SetDrawsSelection({0});
    ASSERT_TRUE(App->Execute("DrawsInfo"));
    ASSERT_EQ(Ui.Info.size(), 2u + static_cast<size_t>(methods));
    const TDrawRec& newest = App->Archive().Draws().back();
    EXPECT_EQ(Ui.Info[0].Caption, "Номер тиража:");
    EXPECT_EQ(Ui.Info[0].Value, "100");
    EXPECT_EQ(Ui.Info[1].Value, newest.Date());
    int sum = 0;
    for (uint8_t n : newest.Numbers) sum += n;
    EXPECT_EQ(valueOf(sumsCaption), std::to_string(sum));
    EXPECT_EQ(CombToList(Ui.InfoNumbers), CombToList(DrawNumbers(newest)));

    // A combination: no draw lines, the values of its own numbers.
    App->Combinations().SetCombsSelection({{0, 1}});
    ASSERT_TRUE(App->Execute("CombsInfo"));
    ASSERT_EQ(Ui.Info.size(), static_cast<size_t>(methods));
    EXPECT_EQ(valueOf(sumsCaption), "21");
}

TEST_F(ViewsAppTest, WindowsFollowTheOffsetAndBracketsNeedOne) {
    Start(SevenNumbersIni, RawDrawRange(1, 100));
    TViewsController& v = App->Views();
    v.SetGraphMethod(App->Stats().FindByCode("SUMS"));
    App->Archive().SetDrawsOffset(70);
    v.ComputeGraphs();
    EXPECT_EQ(v.Graph().DrawNumbers.size(), 30u);
    EXPECT_EQ(v.Graph().DrawNumbers.back(), 30);
    auto hasBracket = [&] {
        for (const auto& row : v.LayoutText())
            for (const auto& cell : row)
                if (cell.find('[') != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(hasBracket());
    EXPECT_EQ(v.LayoutCompare()[0].Caption, "1 - 30");
    App->Archive().SetDrawsOffset(0);
    EXPECT_FALSE(hasBracket());
    EXPECT_EQ(v.Card().size(), 100u); // the card ignores the offset
}

} // namespace
} // namespace zorb::test

// The verdict as the window gets it: «Тест» asks for the held-out offsets and shows the verdict of the run's own
// stakes when it ends; the ratings list and its match-count graph judge 7..12-number stakes against random play
// of their own size.
#include "../stakes/StakesTestUtil.h"
#include "AppFixture.h"
#include "app/RatingsController.h"
#include "app/ScenarioController.h"
#include "core/Format.h"

#include <algorithm>
#include <cmath>

namespace zorb::test {
namespace {

class TVerdictScriptedUi : public TScriptedUi, public TScenarioUi, public TRatingsUi {
public:
    int TestCount = 0, Holdout = 0; // 0: the test dialog is cancelled
    std::vector<TVerdictTable> Verdicts;
    std::vector<std::vector<TChartSeries>> Charts;

    void ScriptListChanged() override {}
    void ScriptSelectionChanged(int) override {}
    bool EditScriptLine(TScriptEditorData&) override { return false; }
    bool AskScriptTestCount(int& count, int& holdout, int maxCount) override {
        if (TestCount <= 0 || TestCount > maxCount) return false;
        count = TestCount;
        holdout = Holdout;
        return true;
    }
    void ScriptPanelsChanged(const TScriptPanels&) override {}
    void ScriptRunStateChanged(bool) override {}
    void RatingsViewChanged(size_t) override {}
    void ShowRatingsChart(const std::string&, const std::vector<TChartSeries>& series) override {
        Charts.push_back(series);
    }
    void ShowScenarioTab() override {}
    void ShowTestSummary(const TVerdictTable& table) override { Verdicts.push_back(table); }
};

// Draws 1..120; every tenth one is 1..6.
std::string PlantedArchive() {
    std::string out;
    for (int d = 1; d <= 120; ++d) {
        const int b = d % 52;
        out += d % 10 == 0 ? RawDraw(d, {3, 1, 2, 6, 5, 4})
                           : RawDraw(d, {(b + 40) % 52 + 1, (b + 8) % 52 + 1, (b + 32) % 52 + 1, b + 1,
                                         (b + 24) % 52 + 1, (b + 16) % 52 + 1});
    }
    return out;
}

class RatingsVerdictTest : public testing::Test {
protected:
    TTempDir Data, Exe;
    TVerdictScriptedUi Ui;
    std::unique_ptr<TFormMain> App;

    void Start(const std::string& generated, const std::string& archive) {
        WriteRaw(Data.File("Zorb_6x52.ini"),
                 "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=" + generated + "\n[STAKES]\nCost=12.5\n");
        WriteRaw(Data.File("Zorb_6x52.ldr"), archive);
        App = std::make_unique<TFormMain>(Ui, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
        App->Create();
        App->OnInitTimer();
    }
    void Stake(const std::string& comment, int size, int draw) {
        TNumberSet set{};
        for (int n = 1; n <= size; ++n) set.Numbers[set.Count++] = static_cast<uint8_t>(n);
        TStakeRecord r = App->Stakes().NewStakeRecord(skManual, comment, set);
        r.DrawNumber = draw;
        ASSERT_TRUE(App->Stakes().AddSingleStake(r, 1));
    }
    // Matches of a stake on the draws numbered first..last, read from the archive's bytes.
    static int Matches(const std::vector<int>& stake, int first, int last) {
        int total = 0;
        for (const TRawRecord& d : DecodeRaw(PlantedArchive()))
            if (d.Number >= first && d.Number <= last)
                for (int n : stake) total += std::count(d.Numbers.begin(), d.Numbers.end(), n) > 0;
        return total;
    }
};

TEST_F(RatingsVerdictTest, TestShowsTheVerdictOfItsOwnStakesWithTheHeldOutCheck) {
    Start("1;2;3;4;5;6;40;41;42;43;44;45", PlantedArchive());
    Stake("Вручную раньше", 6, 50); // made before the test: not part of its verdict
    App->Scenarios().AddLine("FULL:0#FIRST| | | | | | | |Планта");
    App->Scenarios().AddLine("FULL:0#LAST| | | | | | | |Контроль");

    ASSERT_TRUE(App->Execute("ScriptTest")); // the dialog cancelled: no run, no verdict
    EXPECT_TRUE(Ui.Verdicts.empty());

    Ui.TestCount = 40;
    Ui.Holdout = 10;
    ASSERT_TRUE(App->Execute("ScriptTest"));
    ASSERT_EQ(Ui.Verdicts.size(), 1u);
    const TVerdictTable& t = Ui.Verdicts[0];
    ASSERT_EQ(t.Summary.size(), 3u);
    EXPECT_NE(t.Summary[1][0].find("Планта"), std::string::npos);
    EXPECT_EQ(t.Summary[1][1], "40");
    EXPECT_EQ(t.Summary[1][2], std::to_string(Matches({1, 2, 3, 4, 5, 6}, 81, 120)));
    EXPECT_NE(t.Summary[2][0].find("Контроль"), std::string::npos);
    EXPECT_EQ(t.Summary[2][1], "40");
    EXPECT_EQ(t.Summary[2][2], std::to_string(Matches({40, 41, 42, 43, 44, 45}, 81, 120)));
    // Draws 111..120 are held out; the planted line is chosen on 81..110 and judged on 111..120 alone.
    EXPECT_NE(t.HeldOutTitle.find("(с тиража 111)"), std::string::npos) << t.HeldOutTitle;
    EXPECT_NE(t.HeldOutTitle.find("Планта"), std::string::npos) << t.HeldOutTitle;
    ASSERT_EQ(t.HeldOut.size(), 3u);
    EXPECT_EQ(t.HeldOut[1][1], "30");
    EXPECT_EQ(t.HeldOut[2][1], "10");
    EXPECT_EQ(t.HeldOut[2][2], std::to_string(Matches({1, 2, 3, 4, 5, 6}, 111, 120)));
    EXPECT_EQ(App->Archive().DrawsOffset(), 0);
}

TEST_F(RatingsVerdictTest, WindowColumnsAndMatchGraphUseRandomPlayOfTheStakesOwnSize) {
    Start("1;2;3;4;5;6;7;8", PlantedArchive());
    for (int d = 1; d <= 10; ++d) Stake("Восемь", 8, d);
    ASSERT_EQ(App->RatingsTab().Ratings().Count(), 1u);
    // Independently: an 8-number stake matches k numbers with C(6,k)·C(46,8-k)/C(52,8).
    auto p8 = [](int k) {
        auto c = [](int a, int b) {
            double r = 1;
            for (int i = 1; i <= b; ++i) r = r * (a - b + i) / i;
            return b < 0 || b > a ? 0.0 : r;
        };
        return c(6, k) * c(46, 8 - k) / c(52, 8);
    };
    const TRatingRecord& r = App->RatingsTab().Ratings().Items()[0];
    App->RatingsTab().SetEffMode(0);
    EXPECT_EQ(App->RatingsTab().CellText(0, RatingEColumn + 0),
              Format("%.d", static_cast<int64_t>(std::lround(10 * p8(0)))));
    EXPECT_EQ(App->RatingsTab().CellText(0, RatingEColumn + 2),
              Format("%.d", static_cast<int64_t>(std::lround(10 * p8(2)))));
    App->RatingsTab().SetEffMode(1);
    for (int k = 0; k <= 6; ++k)
        EXPECT_EQ(App->RatingsTab().CellText(0, RatingEColumn + k),
                  Format("%.3f%%", r.MatchCounts[static_cast<size_t>(k)] * 10.0 - p8(k) * 100))
            << k;

    App->RatingsTab().SetSelection({0});
    ASSERT_TRUE(App->Execute("RatingsGraphOverlap"));
    ASSERT_EQ(Ui.Charts.size(), 1u);
    const TChartSeries& normal = Ui.Charts[0][0];
    EXPECT_EQ(normal.Title, "Нормальные значения");
    for (int k = 0; k <= 6; ++k) EXPECT_NEAR(normal.Points[static_cast<size_t>(k)].Y, 10 * p8(k), 1e-9) << k;

    // Entries of different sizes each get their own line of random play.
    for (int d = 1; d <= 10; ++d) Stake("Шесть", 6, d);
    App->RatingsTab().SetSelection({0, 1});
    ASSERT_TRUE(App->Execute("RatingsGraphOverlap"));
    ASSERT_EQ(Ui.Charts.size(), 2u);
    ASSERT_EQ(Ui.Charts[1].size(), 4u);
    EXPECT_EQ(Ui.Charts[1][0].Title.rfind("Нормальные значения: ", 0), 0u);
    EXPECT_EQ(Ui.Charts[1][1].Title.rfind("Нормальные значения: ", 0), 0u);
}

TEST_F(RatingsVerdictTest, LuckChartNeedsTwoDrawsAndColoursOnlyCorrectedSignificance) {
    Start("1;2;3;4;5;6", PlantedArchive());
    Stake("Один тираж", 6, 20);
    App->RatingsTab().SetSelection({0});
    ASSERT_TRUE(App->Execute("RatingsGraphLuck"));
    EXPECT_TRUE(Ui.Charts.empty());
    ASSERT_FALSE(Ui.Messages.empty());
    EXPECT_NE(Ui.Messages.back().Text.find("более одного тиража"), std::string::npos);

    const double oneStake = App->RatingsTab().Expectation(0).Matches;
    EXPECT_NEAR(oneStake, 36.0 / 52, 1e-12);
    // 1..8 on every tenth draw: 72 matched against 11.1 expected on twelve planted draws.
    for (int d = 10; d <= 120; d += 10) Stake("Каждый десятый", 8, d);
    const auto& items = App->RatingsTab().Ratings().Items();
    const size_t tenth = items[0].Comment == "Каждый десятый" ? 0 : 1;
    EXPECT_EQ(App->RatingsTab().CellColor(tenth, RatingCorrectedPValueColumn), 0x00C000);
    EXPECT_EQ(App->RatingsTab().CellColor(1 - tenth, RatingCorrectedPValueColumn), -1); // few data
    // The entries judged before are judged again once their stakes change, never taken from before.
    Stake("Один тираж", 6, 30);
    const size_t one = App->RatingsTab().Ratings().Items()[0].Comment == "Один тираж" ? 0 : 1;
    EXPECT_NEAR(App->RatingsTab().Expectation(one).Matches, 2 * oneStake, 1e-12);
    App->RatingsTab().SetSelection({tenth});
    ASSERT_TRUE(App->Execute("RatingsGraphLuck"));
    ASSERT_EQ(Ui.Charts.size(), 1u);
    ASSERT_EQ(Ui.Charts[0].size(), 3u);
    EXPECT_EQ(Ui.Charts[0][2].Title, "Каждый десятый");
    ASSERT_EQ(Ui.Charts[0][2].Points.size(), 12u);
    EXPECT_NEAR(Ui.Charts[0][2].Points.back().Y, 12 * (6 - 48.0 / 52), 1e-9);
}

} // namespace
} // namespace zorb::test

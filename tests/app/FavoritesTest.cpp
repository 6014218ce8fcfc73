// Favourite methods, their titles and the filter dialog as the main window drives them.
#include "AppFixture.h"

namespace zorb::test {
namespace {

std::vector<std::string> ShownCodes(const TTemplateMain& app) {
    std::vector<std::string> r;
    for (int i : app.Statistics().StatTypeItems()) r.push_back(app.Stats().CodeOf(i));
    return r;
}

TEST_F(AppTest, FavouritesChosenInTheManagerSurviveARestart) {
    Start();
    Ui.FavoriteEdits.push_back([](TFavoritesEditor& ed) {
        ed.CheckAll(false);
        ed.Toggle(0, 0);              // NUMS
        ed.Rename(0, 0, "Мои числа"); // a title of the user's own
        ed.CheckGroup(1, true);       // every sum method
        ed.Ordered = true;
        return true;
    });
    ASSERT_TRUE(App->Execute("FiltersManager"));
    const auto shown = ShownCodes(*App);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(App->Stats().CodeOf(App->Statistics().StatTypeEntry()), shown.front()); // the first entry is selected again
    App->Shutdown();

    TScriptedUi second;
    TFormMain again(second, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
    again.Create();
    again.OnInitTimer();
    EXPECT_EQ(ShownCodes(again), shown);
    EXPECT_TRUE(again.Stats().Ordered);
    EXPECT_EQ(again.Stats().Method(again.Stats().FindByCode("NUMS")).Title, "Мои числа");
    EXPECT_FALSE(again.Stats().ShowAll);
}

TEST_F(AppTest, CancelledManagerChangesNothingAndResetAsksFirst) {
    Start();
    Ui.FavoriteEdits.push_back([](TFavoritesEditor& ed) {
        ed.CheckAll(false);
        return false;
    });
    ASSERT_TRUE(App->Execute("FiltersManager"));
    EXPECT_TRUE(App->Stats().ShowAll);
    App->Stats().SetFavoritesText("EVEN");
    Ui.YesNoAnswers.push_back(false);
    ASSERT_TRUE(App->Execute("FiltersReset"));
    EXPECT_EQ(Ui.Questions.back().Text, "Вы действительно хотите сбросить список избранных фильтров?");
    EXPECT_FALSE(App->Stats().ShowAll);
    Ui.YesNoAnswers.push_back(true);
    ASSERT_TRUE(App->Execute("FiltersReset"));
    EXPECT_TRUE(App->Stats().ShowAll);
    EXPECT_EQ(ShownCodes(*App).size(), size_t(App->Stats().MethodCount()));
}

TEST_F(AppTest, DescriptionWindowShowsTheSelectedMethod) {
    Start();
    App->Statistics().SelectStatType(App->Stats().FindByCode("SUMS"));
    ASSERT_TRUE(App->Execute("FiltersInfo"));
    ASSERT_EQ(Ui.HelpPages.size(), 1u);
    EXPECT_EQ(Ui.HelpPages[0].first, "Описание методики расчета");
    EXPECT_NE(Ui.HelpPages[0].second.find("Сумма тиража: все значения"), std::string::npos);
    // A page in the help folder beside the program is preferred.
    ForceDirectories(Exe.File("help"));
    WriteRaw(Exe.File("help/Filters_1049_SUMS.htm"), "<p>страница</p>");
    ASSERT_TRUE(App->Execute("FiltersInfo"));
    EXPECT_EQ(Ui.HelpPages.back().second, "<p>страница</p>");
}

TEST_F(AppTest, FilterDialogStartsFromTheMainWindowAndKeepsTheMethodText) {
    Start();
    App->Statistics().SelectStatType(App->Stats().FindByCode("EVEN"));
    TFilterItem fresh;
    Ui.FilterEdits.push_back([&](TFilterItem& item, const TFilterDialogContext& ctx) {
        const TFilterItem start = FilterDialogStart(item, ctx);
        EXPECT_EQ(ctx.List->CodeOf(start.Method), "EVEN");
        EXPECT_EQ(start.Lengths, "1000");
        EXPECT_EQ(start.SortColumn, 1);
        EXPECT_EQ(start.StopValue, 1);
        EXPECT_FALSE(start.Keep);
        item = start;
        item.Lengths = "100";
        return true;
    });
    ASSERT_TRUE(App->Statistics().EditFilter(fresh));
    EXPECT_TRUE(fresh.Defined);
    EXPECT_EQ(FilterText(fresh, App->Stats()), "TSD1#EVEN:100#LNO:#SF:1");
    Ui.FilterEdits.push_back([](TFilterItem&, const TFilterDialogContext&) { return false; });
    EXPECT_FALSE(App->Statistics().EditFilter(fresh));
    EXPECT_EQ(FilterText(fresh, App->Stats()), "TSD1#EVEN:100#LNO:#SF:1");
}

struct TCheckCase {
    const char* Text;
    TFilterField Field;
};
class FilterChecks : public AppTest, public testing::WithParamInterface<TCheckCase> {};
TEST_P(FilterChecks, OkRefusesWhatCannotRun) {
    Start();
    const TFilterItem item = ParseFilter(GetParam().Text, App->Stats());
    EXPECT_EQ(CheckFilterDialog(item, App->Stats()).Field, GetParam().Field) << GetParam().Text;
}
INSTANTIATE_TEST_SUITE_P(Table, FilterChecks,
                         testing::Values(TCheckCase{"TSD1#NUMS:0#LNO:#SF:1", TFilterField::Lengths},
                                         TCheckCase{"TSD1#NUMS:#LNO:#SF:1", TFilterField::Lengths},
                                         TCheckCase{"TSD1#NUMS:1-10#LNO:#SF:1", TFilterField::Lengths},
                                         TCheckCase{"TSD1#NUMS:100#LMV:#SF:1", TFilterField::Values},
                                         TCheckCase{"TSD1#SUM1:100#LVA:1#SF:1", TFilterField::Method},
                                         TCheckCase{"TMD1#NUMS:100#LNO:#SC:5", TFilterField::Stop},
                                         TCheckCase{"TMD1#NUMS:100#LNO:#SE:5", TFilterField::Stop},
                                         TCheckCase{"TMD1#NUMS:100,200#LVA:7#ST:5", TFilterField::None}));

} // namespace
} // namespace zorb::test

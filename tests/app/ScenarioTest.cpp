// The scenario tab's actions: enabling rules, confirmations, the editor's opening and OK rules, and the state
// file after every change.
#include "AppFixture.h"

#include "app/ScenarioController.h"
#include "core/Errors.h"

namespace zorb::test {
namespace {

class TScenarioScriptedUi : public TScriptedUi, public TScenarioUi {
public:
    std::deque<std::function<bool(TScriptEditorData&)>> LineEdits;
    std::vector<TScriptEditorData> OpenedEditors;
    int ListChanges = 0;
    std::vector<int> Scrolls;

    void ScriptListChanged() override { ++ListChanges; }
    void ScriptSelectionChanged(int scrollTo) override { Scrolls.push_back(scrollTo); }
    bool EditScriptLine(TScriptEditorData& data) override {
        OpenedEditors.push_back(data);
        if (LineEdits.empty()) {
            ADD_FAILURE() << "unexpected line editor";
            return false;
        }
        auto edit = std::move(LineEdits.front());
        LineEdits.pop_front();
        return edit(data);
    }
    bool AskScriptTestCount(int&, int&, int) override { return false; }
    void ScriptPanelsChanged(const TScriptPanels&) override {}
    void ScriptRunStateChanged(bool) override {}
};

class ScenarioActions : public testing::Test {
protected:
    TTempDir Data, Exe;
    TScenarioScriptedUi Ui;
    std::unique_ptr<TFormMain> App;

    void SetUp() override {
        WriteRaw(Data.File("Zorb_6x52.ini"),
                 "[GLOBAL]\r\nCombsGenerateMode=2\r\nCombsGenerateParameters=1;2;3;4;5;6;7\r\n");
        App = std::make_unique<TFormMain>(Ui, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
        App->Create();
        App->OnInitTimer();
    }
    TScenarioController& Sc() { return App->Scenarios(); }
    std::string State() const { return ReadRaw(Data.File("Zorb_6x52.lss")); }
    bool Enabled(const char* name) const { return App->ActionEnabled(name); }
};

TEST_F(ScenarioActions, EditorOpensWithTheExcludeValueAndBuildsTheLineOnOk) {
    App->Combinations().SetCombsExclude(12);
    Ui.LineEdits.push_back([](TScriptEditorData& d) {
        d.Filters[2] = "TSD1#NUMS:100#LNO:#SF:1";
        d.Options.StakeMode = skmLast;
        return true;
    });
    ASSERT_TRUE(App->Execute("ScriptAdd"));
    ASSERT_EQ(Ui.OpenedEditors.size(), 1u);
    EXPECT_EQ(Ui.OpenedEditors[0].Caption, "Создание новой строки");
    EXPECT_EQ(Ui.OpenedEditors[0].Options, (TScriptOptions{12, 0, 0, false, false}));
    EXPECT_EQ(State(), "FULL:12#LAST| | |TSD1#NUMS:100#LNO:#SF:1| | | | |\r\n");
    EXPECT_EQ(Sc().ScriptSelection(), std::vector<int>{0});
    EXPECT_EQ(Sc().CountText(), "Строк: 1");
    EXPECT_EQ(Ui.Panels[4], "Ставок: 0") << "the window's panel 4 stays the stakes' own";

    // Editing opens on the line: options (ExcludeDraws included) and filters come from the line itself.
    Ui.LineEdits.push_back([](TScriptEditorData& d) {
        d.Comment = "ок";
        return true;
    });
    ASSERT_TRUE(App->Execute("ScriptEdit"));
    EXPECT_EQ(Ui.OpenedEditors[1].Caption, "Редактирование строки");
    EXPECT_EQ(Ui.OpenedEditors[1].Options.ExcludeDraws, 12);
    EXPECT_EQ(Ui.OpenedEditors[1].Filters[2], "TSD1#NUMS:100#LNO:#SF:1");
    EXPECT_EQ(State(), "FULL:12#LAST| | |TSD1#NUMS:100#LNO:#SF:1| | | | |ок\r\n");

    // A bar slipping past the window is refused: the line stays as it was.
    Ui.LineEdits.push_back([](TScriptEditorData& d) {
        d.Comment = "a|b";
        return true;
    });
    ASSERT_TRUE(App->Execute("ScriptEdit"));
    EXPECT_EQ(State(), "FULL:12#LAST| | |TSD1#NUMS:100#LNO:#SF:1| | | | |ок\r\n");
    EXPECT_EQ(Ui.Messages.back().Box, TMsgBox::Attention);
}

TEST_F(ScenarioActions, EnablingRulesFollowTheSelection) {
    struct TRule {
        const char* Action;
        bool Empty, SeparatorSelected, FirstSelected, LastSelected;
    };
    const TRule rules[] = {
        {"ScriptOpen", true, true, true, true},     {"ScriptSave", false, true, true, true},
        {"ScriptEmpty", false, true, true, true},   {"ScriptClone", false, false, true, true},
        {"ScriptEdit", false, false, true, true},   {"ScriptDel", false, true, true, true},
        {"ScriptClr", false, true, true, true},     {"ScriptUp", false, true, false, true},
        {"ScriptDown", false, true, true, false},   {"ScriptRun", false, true, true, true},
        {"ScriptStop", false, false, false, false},
    };
    for (const TRule& r : rules) EXPECT_EQ(Enabled(r.Action), r.Empty) << r.Action;
    Sc().AddLine("FULL:0#ALL| | | | | | | |");
    Sc().AddLine("");
    Sc().AddLine("CURR:0#NONE| | | | | | | |");
    // ScriptRun needs an archive, which this one does not have.
    Sc().SetScriptSelection({1});
    for (const TRule& r : rules)
        if (std::string(r.Action) != "ScriptRun") {
            EXPECT_EQ(Enabled(r.Action), r.SeparatorSelected) << r.Action;
        }
    Sc().SetScriptSelection({0});
    for (const TRule& r : rules)
        if (std::string(r.Action) != "ScriptRun") {
            EXPECT_EQ(Enabled(r.Action), r.FirstSelected) << r.Action;
        }
    Sc().SetScriptSelection({2});
    for (const TRule& r : rules)
        if (std::string(r.Action) != "ScriptRun") {
            EXPECT_EQ(Enabled(r.Action), r.LastSelected) << r.Action;
        }
}

TEST_F(ScenarioActions, DeletionAsksWithTheCountAndMovesSwapTwoLines) {
    for (const char* l : {"A| | | | | | | |", "B| | | | | | | |", "C| | | | | | | |", "D| | | | | | | |"})
        Sc().AddLine(l);
    Sc().SetScriptSelection({2});
    ASSERT_TRUE(App->Execute("ScriptUp"));
    EXPECT_EQ(Sc().Lines(),
              (TScriptLines{"A| | | | | | | |", "C| | | | | | | |", "B| | | | | | | |", "D| | | | | | | |"}));
    EXPECT_EQ(Sc().ScriptSelection(), std::vector<int>{1});
    Sc().SetScriptSelection({0, 3});
    Ui.YesNoAnswers = {false, true};
    ASSERT_TRUE(App->Execute("ScriptDel"));
    EXPECT_EQ(Sc().LineCount(), 4);
    ASSERT_TRUE(App->Execute("ScriptDel"));
    ASSERT_EQ(Ui.Questions.size(), 2u);
    EXPECT_EQ(Ui.Questions[1].Box, TMsgBox::Warning);
    EXPECT_EQ(Ui.Questions[1].Text, "Удалить все выделенные записи (всего будет удалено 2 записи(ей))?");
    EXPECT_EQ(State(), "C| | | | | | | |\r\nB| | | | | | | |\r\n");
    Sc().SetScriptSelection({1});
    Ui.YesNoAnswers = {true};
    ASSERT_TRUE(App->Execute("ScriptDel"));
    EXPECT_EQ(Ui.Questions.back().Text, "Удалить выделенную запись?");
    EXPECT_THROW(Sc().GetLine(5), EZorbError);
    EXPECT_THROW(Sc().SetLine(-1, "x"), EZorbError);
}

TEST_F(ScenarioActions, StateFileIsReadAtStartUp) {
    Sc().AddLine("EXCL:5#EXT| | | | | | | |");
    App->Shutdown();
    App.reset();
    App = std::make_unique<TFormMain>(Ui, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
    App->Create();
    App->OnInitTimer();
    EXPECT_EQ(Sc().Lines(), TScriptLines{"EXCL:5#EXT| | | | | | | |"});
    EXPECT_EQ(Sc().ScriptCellText(0, 1), "Исключить 5 тиражей; Расширенная; Все создаваемые ставки");
}

} // namespace
} // namespace zorb::test

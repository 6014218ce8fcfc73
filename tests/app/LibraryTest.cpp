// The online scenario library through the application's actions, against zorb-server in the test process.
#include "../server/ServerFixture.h"
#include "ScriptedUi.h"
#include "app/FormMain.h"
#include "app/LibraryController.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "online/OnlineWire.h"
#include "scenarios/ScriptFile.h"

#include <atomic>
#include <deque>
#include <functional>
#include <optional>

namespace zorb::test {
namespace {

const char* const Hwdid = "0123456789ABCDEF0123456789ABCDEF";

// The scripted window with a library panel; the scenario dialog applies the controller's OK checks as the real
// one does.
class TLibraryScriptedUi : public TScriptedUi, public TLibraryUi {
public:
    TLibraryController* Lib = nullptr;
    std::deque<std::function<void(TScriptDialog&)>> Dialogs;
    std::vector<std::string> Refusals;
    std::vector<TScriptDialog> Shown;
    std::deque<std::optional<std::string>> Comments;
    std::vector<TScriptRate> Rates;
    bool PanelShown = false;
    bool CheckFields = true; // false: OK without the controller's checks (a server without the title check)

    void LibraryListChanged() override {}
    void LibraryPanelShown(bool shown) override { PanelShown = shown; }
    bool EditScriptInfo(TScriptDialog& d) override {
        Shown.push_back(d);
        if (d.ReadOnly) return false;
        if (Dialogs.empty()) {
            ADD_FAILURE() << "unexpected scenario dialog";
            return false;
        }
        auto edit = std::move(Dialogs.front());
        Dialogs.pop_front();
        edit(d);
        if (!CheckFields) return true;
        TMsgBox box;
        const std::string problem = Lib->CheckScriptDialog(d, box);
        if (!problem.empty()) Refusals.push_back(problem);
        return problem.empty();
    }
    bool AskRateComment(std::string& notes) override {
        if (Comments.empty()) {
            ADD_FAILURE() << "unexpected comment question";
            return false;
        }
        auto c = Comments.front();
        Comments.pop_front();
        if (c) notes = *c;
        return c.has_value();
    }
    void ShowScriptRates(const tScriptInfo&, const std::vector<TScriptRate>& rates) override { Rates = rates; }
};

class LibraryTest : public TServerFixture {
protected:
    TTempDir Data, Exe;
    TLibraryScriptedUi Ui;
    std::unique_ptr<TFormMain> App;
    std::string Url; // empty: the test server

    TOnlineIdentity Who(const std::string& mail, const std::string& hwdid) {
        TOnlineIdentity w;
        w.ServerUrl = BaseUrl();
        w.Name = "Пётр";
        w.Mail = mail;
        w.Hwdid = hwdid;
        return w;
    }
    TOnlineIdentity Me() { return Who("ivan@example.org", Hwdid); }
    int Publish(const TOnlineIdentity& who, const std::string& title, const std::string& script,
                bool universal = true) {
        tScriptData d;
        d.Author = who.Name;
        d.Language = 1049;
        d.Title = title;
        d.Universal = universal;
        return RequestScriptPut(who, d, script);
    }
    void Start(const TScriptLines& current = {}) {
        TIniFile ini(Data.File("Zorb_6x52.ini"));
        ini.WriteString("ONLINE", "ServerUrl", Url.empty() ? BaseUrl() : Url);
        ini.WriteString("ONLINE", "UserName", "Иван");
        ini.WriteString("ONLINE", "UserMail", "Ivan@Example.org");
        ini.WriteString("ONLINE", "InstallationId", Hwdid);
        ini.Save();
        if (!current.empty()) WriteScenarioFile(Data.File("Zorb_6x52.lss"), current);
        App = std::make_unique<TFormMain>(Ui, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
        Ui.Lib = &App->Library();
        App->Create();
        App->OnInitTimer();
    }
    TLibraryController& Lib() { return App->Library(); }
    int RowOf(int id) {
        for (size_t i = 0; i < Lib().Rows().size(); ++i)
            if (Lib().Rows()[i].Id == id) return static_cast<int>(i);
        return -1;
    }
    void Focus(int id) { Lib().SetFocusedRow(RowOf(id)); }
};

const TScriptLines Mine = {"FULL:0#ALL| | | | | | | |первая", "", "EXCL:10#RAND#NEX| | | | | | | |"};

TEST_F(LibraryTest, StartupListsTheCatalogueUnderEachFilter) {
    const TOnlineIdentity other = Who("petr@example.org", "FEDCBA9876543210FEDCBA9876543210");
    const int theirs = Publish(other, "Чужой", "FULL:0#ALL| | | | | | | |\r\n");
    TOnlineIdentity otherApp = other;
    otherApp.AppId = "{00000000-0000-0000-0000-000000000001}";
    const int foreign = Publish(otherApp, "Из другой программы", "FULL:0#ALL| | | | | | | |\r\n", false);
    ASSERT_GT(Publish(Me(), "Мой", ScenarioText(Mine)), 0);
    RequestScriptRate(Me(), theirs, -1, "");
    Start();
    EXPECT_TRUE(Ui.PanelShown);
    EXPECT_TRUE(Lib().FilterEnabled());
    EXPECT_TRUE(Ui.Errors().empty());
    // The default item 2 leaves the hidden row out; item 0 shows only it, item 3 only mine.
    struct {
        int Item;
        std::vector<std::string> Titles;
    } const cases[] = {{2, {"Из другой программы", "Мой"}},
                       {0, {"Чужой"}},
                       {1, {"Чужой", "Из другой программы", "Мой"}},
                       {3, {"Мой"}}};
    for (const auto& c : cases) {
        Lib().SetFilter(c.Item);
        std::vector<std::string> titles;
        for (int r = 0; r < static_cast<int>(Lib().Rows().size()); ++r) titles.push_back(Lib().CellText(r, 1));
        EXPECT_EQ(titles, c.Titles) << "filter " << c.Item;
    }
    const int my = RowOf(Lib().Rows().back().Id);
    EXPECT_EQ(Lib().CellText(my, 0), "Мой");
    EXPECT_EQ(Lib().CellText(my, 3), "Универсальный");
    EXPECT_EQ(Lib().CellText(my, 5), "RUS");
    EXPECT_EQ(Lib().CellText(my, 6), FormatDateTime(UnixSecondsToLocal(Now.load())));
    // A row neither universal nor from this program cannot be downloaded; another's row can't be changed.
    Lib().SetFilter(1);
    Focus(foreign);
    EXPECT_FALSE(App->ActionEnabled("ScriptLibraryDownload"));
    EXPECT_FALSE(App->ActionEnabled("ScriptLibraryDelete"));
    EXPECT_TRUE(App->ActionEnabled("ScriptLibraryView"));
}

TEST_F(LibraryTest, DownloadAsksBeforeReplacingTheCurrentScenario) {
    const TScriptLines theirs = {"CURR:0#FIRST| | | | | | | |из каталога"};
    const int id = Publish(Who("petr@example.org", "FEDCBA9876543210FEDCBA9876543210"), "Чужой", ScenarioText(theirs));
    Start(Mine);
    Focus(id);
    Ui.YesNoAnswers = {false};
    ASSERT_TRUE(App->Execute("ScriptLibraryDownload"));
    EXPECT_EQ(App->Scenarios().Lines(), Mine);
    ASSERT_EQ(Ui.Questions.size(), 1u);
    EXPECT_NE(Ui.Questions[0].Text.find("Чужой"), std::string::npos);
    Ui.YesNoAnswers = {true};
    App->Execute("ScriptLibraryDownload");
    EXPECT_EQ(App->Scenarios().Lines(), theirs);
    EXPECT_EQ(ReadScenarioFile(Data.File("Zorb_6x52.lss")), theirs);
    // The declined question fetched nothing; the download shows in the row at once, as the server counted it.
    EXPECT_EQ(Lib().CellText(RowOf(id), 10), "1");
    EXPECT_NE(Lib().CellText(RowOf(id), 11), "");
    ASSERT_TRUE(App->Execute("ScriptLibraryRefresh"));
    EXPECT_EQ(Lib().CellText(RowOf(id), 10), "1");
    EXPECT_TRUE(Ui.Errors().empty());
}

TEST_F(LibraryTest, RatingsHideAndTheRatingsWindow) {
    const int id =
        Publish(Who("petr@example.org", "FEDCBA9876543210FEDCBA9876543210"), "Чужой", "FULL:0#ALL| | | | | | | |\r\n");
    Start();
    struct {
        const char* Action;
        std::optional<std::string> Comment;
        const char* Shown; // column "Ваша оценка" after the reload; nullptr: the row left the default filter
    } const steps[] = {{"ScriptLibraryRate4", std::string(), "4"},
                       {"ScriptLibraryRate2", std::nullopt, "4"}, // cancelled: nothing sent
                       {"ScriptLibraryRate5", std::string("отлично"), "5"},
                       {"ScriptLibraryRate0", std::nullopt, ""},
                       {"ScriptLibraryHide", std::nullopt, nullptr}};
    for (const auto& s : steps) {
        Focus(id);
        if (std::string(s.Action).back() >= '1' && std::string(s.Action).back() <= '5') Ui.Comments = {s.Comment};
        ASSERT_TRUE(App->Execute(s.Action)) << s.Action;
        if (s.Shown)
            EXPECT_EQ(Lib().CellText(RowOf(id), 9), s.Shown) << s.Action;
        else
            EXPECT_EQ(RowOf(id), -1) << s.Action;
    }
    Lib().SetFilter(0);
    Focus(id);
    EXPECT_TRUE(App->ActionChecked("ScriptLibraryHide"));
    RequestScriptRate(Who("anna@example.org", "AAAABBBBCCCCDDDDAAAABBBBCCCCDDDD"), id, 3, "неплохо");
    ASSERT_TRUE(App->Execute("ScriptLibraryRates"));
    ASSERT_EQ(Ui.Rates.size(), 1u);
    EXPECT_EQ(Ui.Rates[0].Notes, "неплохо");
    EXPECT_TRUE(Ui.Errors().empty());
}

TEST_F(LibraryTest, PublishReplaceAndDeleteOwnScenario) {
    ASSERT_GT(Publish(Who("petr@example.org", "FEDCBA9876543210FEDCBA9876543210"), "Занято", "x\r\n"), 0);
    Start(Mine);
    EXPECT_TRUE(App->ActionEnabled("ScriptLibraryUpload"));
    // A taken title keeps the dialog open; an empty author too; then it goes.
    Ui.Dialogs = {[](TScriptDialog& d) {
        EXPECT_EQ(d.Data.Id, -1);
        EXPECT_EQ(d.Data.Author, "Иван");
        EXPECT_TRUE(d.Data.Public);
        d.Data.Title = " занято ";
    }};
    EXPECT_FALSE(Lib().Upload());
    Ui.Dialogs = {[](TScriptDialog& d) {
        d.Data.Title = "Новый";
        d.Data.Author = " ";
    }};
    EXPECT_FALSE(Lib().Upload());
    Ui.Dialogs = {[](TScriptDialog& d) {
        d.Data.Title = "  Новый ";
        d.Data.Descr = "строка 1\r\nстрока 2";
        d.Data.Public = false;
    }};
    ASSERT_TRUE(Lib().Upload());
    EXPECT_EQ(Ui.Refusals,
              (std::vector<std::string>{"Сценарий с таким названием уже существует!\rВыберите другое название.",
                                        "Имя автора должно быть указано обязательно!"}));
    const tScriptInfo added = *Lib().Focused();
    EXPECT_EQ(added.Title, "Новый");
    EXPECT_TRUE(added.Editable);
    EXPECT_EQ(RequestScriptText(Me(), added.Id), ScenarioText(Mine));
    // The server agrees with the row the client made.
    Lib().LoadCatalogue();
    ASSERT_GE(RowOf(added.Id), 0);
    Focus(added.Id);
    EXPECT_FALSE(Lib().Focused()->Public);
    EXPECT_EQ(Lib().Focused()->Descr, "строка 1\r\nстрока 2");

    App->Scenarios().AddLine("FULL:0#NONE| | | | | | | |ещё");
    Ui.Dialogs = {[](TScriptDialog& d) { d.Data.Title = "Новый 2"; }};
    ASSERT_TRUE(App->Execute("ScriptLibraryReplace"));
    EXPECT_EQ(Lib().Focused()->Id, added.Id);
    EXPECT_EQ(RequestScriptText(Me(), added.Id), ScenarioText(App->Scenarios().Lines()));
    ASSERT_TRUE(App->Execute("ScriptLibraryView"));
    EXPECT_TRUE(Ui.Shown.back().ReadOnly);
    EXPECT_EQ(Ui.Shown.back().Data.Title, "Новый 2");

    Ui.YesNoAnswers = {false, true};
    App->Execute("ScriptLibraryDelete");
    EXPECT_GE(RowOf(added.Id), 0);
    App->Execute("ScriptLibraryDelete");
    EXPECT_EQ(RowOf(added.Id), -1);
    EXPECT_EQ(Ui.Questions.back().Text, "Вы действительно хотите удалить сценарий \"Новый 2\"?");
    Lib().LoadCatalogue();
    EXPECT_EQ(RowOf(added.Id), -1);
    EXPECT_TRUE(Ui.Errors().empty());
}

TEST_F(LibraryTest, FailuresAtStartAreNotedAndOnRequestShown) {
    Url = BaseUrl();
    Http.reset(); // nothing listens there any more
    Start();
    // Only the library's own messages count here (the systems tab reports its own failure).
    const auto libraryErrors = [&] {
        std::vector<std::string> r;
        for (const auto& e : Ui.Errors())
            if (e.Text.find("online-") != std::string::npos) r.push_back(e.Text);
        return r;
    };
    EXPECT_TRUE(libraryErrors().empty());
    EXPECT_EQ(Lib().LastError().rfind("Ошибка загрузки каталога online-сценариев!", 0), 0u);
    App->Execute("ScriptLibraryRefresh");
    EXPECT_EQ(libraryErrors(), std::vector<std::string>{Lib().LastError()});
    // Hidden: no request, no rows, and only the toggle stays enabled.
    App->Execute("ScriptLibrary");
    EXPECT_FALSE(Ui.PanelShown);
    EXPECT_EQ(libraryErrors().size(), 1u);
    EXPECT_FALSE(App->ActionEnabled("ScriptLibraryRefresh"));
    EXPECT_TRUE(App->ActionEnabled("ScriptLibrary"));
}

// Replies zorb-server never gives, from a server of our own: what the user sees and whether the catalogue reloads.
class LibraryReplyTest : public testing::Test {
protected:
    TTempDir Data, Exe;
    TLibraryScriptedUi Ui;
    std::unique_ptr<TFormMain> App;
    TTestHttpServer Http;
    std::atomic<int> ListRequests{0};
    std::string Reply; // of every request but the catalogue

    void SetUp() override {
        Http.Server().Post("/scripts/scr_getlist.php", [this](const httplib::Request&, httplib::Response& r) {
            ++ListRequests;
            r.set_content("<result><row><id>7</id><key_cl_name>Пётр</key_cl_name><key_cl_mail>p@example.org"
                          "</key_cl_mail><key_cl_lcid>x</key_cl_lcid><app_name>A</app_name><app_ver>1</app_ver>"
                          "<uniapps>1</uniapps><publics>1</publics><rating_avg>2.5</rating_avg><rating_cnt>2"
                          "</rating_cnt><rating_you>0</rating_you><title>0JA=</title><descr></descr></row></result>",
                          "text/xml");
        });
        Http.Server().Post(R"(/scripts/scr_(setrate|putscript|getdata)\.php)",
                           [this](const httplib::Request&, httplib::Response& r) { r.set_content(Reply, "text/xml"); });
        Http.Start();
        TIniFile ini(Data.File("Zorb_6x52.ini"));
        ini.WriteString("ONLINE", "ServerUrl", Http.Url(""));
        ini.WriteString("ONLINE", "UserMail", "ivan@example.org");
        ini.Save();
        WriteScenarioFile(Data.File("Zorb_6x52.lss"), Mine);
        App = std::make_unique<TFormMain>(Ui, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
        Ui.Lib = &App->Library();
        Ui.CheckFields = false;
        App->Create();
        App->OnInitTimer();
    }
};

TEST_F(LibraryReplyTest, NegativeCodesEmptyRepliesAndMalformedLanguage) {
    ASSERT_EQ(App->Library().Rows().size(), 1u);
    EXPECT_EQ(App->Library().Rows()[0].Language, 1049); // not a number: the interface language
    struct {
        const char* Action;
        std::string Reply;
        std::string Error; // empty: none shown
        int Reloads;
    } const cases[] = {
        {"ScriptLibraryHide", "<result><row><res_code>-3</res_code></row></result>",
         "Ошибка сохранения оценки online-сценария!\r\rКод возврата: -3", 0},
        {"ScriptLibraryHide", "<result><row><res_code>0</res_code></row></result>", "", 1},
        {"ScriptLibraryDownload", "<result></result>", "Ошибка загрузки online-сценария!\r\rСценарий #7 не получен", 0},
        {"ScriptLibraryUpload", "<result></result>", "", 0},
        {"ScriptLibraryUpload", "<result><row><id_scripts>0</id_scripts></row></result>",
         "Ошибка публикации online-сценария!\r\rКод возврата: 0", 0},
    };
    for (const auto& c : cases) {
        Reply = c.Reply;
        Ui.Messages.clear();
        Ui.YesNoAnswers = {true};
        if (std::string(c.Action) == "ScriptLibraryUpload")
            Ui.Dialogs = {[](TScriptDialog& d) {
                d.Data.Title = "Т";
                d.Data.Author = "И";
            }};
        const int before = ListRequests;
        App->Library().SetFocusedRow(0);
        ASSERT_TRUE(App->Execute(c.Action)) << c.Action;
        std::string shown;
        for (const auto& m : Ui.Errors()) shown += m.Text;
        EXPECT_EQ(shown, c.Error) << c.Action << " " << c.Reply;
        EXPECT_EQ(ListRequests - before, c.Reloads) << c.Action << " " << c.Reply;
        EXPECT_EQ(App->Library().Rows().size(), 1u) << c.Action;
    }
    EXPECT_EQ(App->Scenarios().Lines(), Mine);
}

} // namespace
} // namespace zorb::test

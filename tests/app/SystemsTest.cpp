// System games through the application's actions, against zorb-server in the test process.
#include "online/Systems.h"
#include "../server/ServerFixture.h"
#include "ScriptedUi.h"
#include "app/FormMain.h"
#include "app/OnlineIdentity.h"
#include "app/SystemsController.h"
#include "combos/CombFiles.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "online/OnlineWire.h"

#include <deque>
#include <functional>
#include <sys/stat.h>

namespace zorb::test {
namespace {

const char* const Hwdid = "0123456789ABCDEF0123456789ABCDEF";
const std::string Pairs = "01 02 03 04 05 06\r\n01 02 03 04 07 08\r\n01 02 05 06 07 08\r\n03 04 05 06 07 08";

// The scripted window with the systems tab; the dialog applies the form's OK rules as the real one does.
class TSystemsScriptedUi : public TScriptedUi, public TSystemsUi {
public:
    std::deque<std::function<void(TSystemForm&)>> Dialogs;
    std::vector<std::pair<tSystemData, bool>> Shown; // data, read-only
    std::vector<TSystemPage> Pages;
    int ListChanges = 0;

    void SystemsListChanged() override { ++ListChanges; }
    void SystemsTabChanged(bool) override {}
    bool EditSystem(tSystemData& d, bool readOnly, TSystemPage page) override {
        Shown.push_back({d, readOnly});
        Pages.push_back(page);
        if (readOnly || Dialogs.empty()) return false;
        TSystemForm f = SystemFormOf(d);
        Dialogs.front()(f);
        Dialogs.pop_front();
        const TSystemFormCheck check = ApplySystemForm(f, d);
        EXPECT_EQ(check.Message, "");
        return check.Message.empty();
    }
};

class SystemsTest : public TServerFixture {
protected:
    TTempDir Data, Exe;
    TSystemsScriptedUi Ui;
    std::unique_ptr<TFormMain> App;

    void StartApp(const std::string& mail = "ivan@example.org") {
        TIniFile ini(Data.File("Zorb_6x52.ini"));
        ini.WriteString("ONLINE", "ServerUrl", BaseUrl());
        ini.WriteString("ONLINE", "UserName", "Иван");
        ini.WriteString("ONLINE", "UserMail", mail);
        ini.WriteString("ONLINE", "InstallationId", Hwdid);
        ini.Save();
        App = std::make_unique<TFormMain>(Ui, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
        App->Create();
        App->OnInitTimer();
    }
    TSystemsController& Sys() { return App->Systems(); }
    TOnlineIdentity Other() {
        TOnlineIdentity w;
        w.ServerUrl = BaseUrl();
        w.Name = "Пётр";
        w.Mail = "petr@example.org";
        w.Hwdid = "hw-petr";
        return w;
    }
    int PublishAsOther(const std::string& combs, int nums, int csize) {
        tSystemData d;
        d.Info.Nums = static_cast<uint8_t>(nums);
        d.Info.CSize = csize;
        d.Info.Title = "Чужая " + std::to_string(nums);
        d.Info.Descr = "d";
        d.Info.Author = "Пётр";
        d.Info.AuthorMail = "petr@example.org";
        d.Combs = combs;
        return RequestSystemPut(Other(), d, false);
    }
    int RowOf(int id) {
        for (int i = 0; i < Sys().RowCount(); ++i)
            if (Sys().Row(i).Id == id) return i;
        return -1;
    }
    void Focus(int id) {
        Sys().SetFocusedRow(RowOf(id));
        Sys().SetSelectedRows({RowOf(id)});
    }
};

TEST_F(SystemsTest, PublishDownloadChangeCoverAndDeleteOwnSystem) {
    StartApp();
    ASSERT_EQ(Sys().RowCount(), 1); // an empty catalogue: the placeholder row
    EXPECT_EQ(Sys().Row(0).Id, -1);
    EXPECT_EQ(Sys().Row(0).Title, "Список систем пуст: на сервере ещё нет ни одной системы.");
    EXPECT_EQ(Sys().SystemCellText(0, 2), "");
    Ui.Dialogs.push_back([](TSystemForm& f) {
        f.Title = "  Пары  ";
        f.Olap = "3";
        f.Descr = "три из четырёх";
        f.Url = "https://example.org/pairs";
        f.Combs = "1,2,3,4,5,6\n1 2 3 4 7 8\n1 2 5\n1-2-5-6-7-8\n03 04 05 06 07 08\n";
        NormaliseSystemForm(f);
        EXPECT_EQ(f.Nums, "8");
        EXPECT_EQ(f.CSize, "4");
    });
    ASSERT_TRUE(App->Execute("SystemsAdd"));
    ASSERT_EQ(Sys().RowCount(), 1);
    const int id = Sys().Row(0).Id;
    EXPECT_GT(id, 0);
    EXPECT_EQ(Sys().FocusedRow(), 0);

    // Downloading writes the file the server's catalogue names; the row shows it.
    ASSERT_TRUE(App->Execute("SystemsRefresh"));
    Focus(id);
    EXPECT_EQ(Sys().SystemCellText(0, 0), "Пары");
    EXPECT_EQ(Sys().SystemCellText(0, 2), "08");
    EXPECT_EQ(Sys().SystemIconOf(0), siOwn);
    ASSERT_TRUE(App->Execute("SystemsDownload"));
    const std::string file = Data.File("Systems/" + SystemFileName(8, 3, id));
    EXPECT_EQ(ReadFileBytes(file), Pairs + "\r\n");
    EXPECT_EQ(Sys().SystemCellText(0, 6), "Загружена");
    EXPECT_EQ(Sys().SystemIconOf(0), siOwnLoaded);

    // Coverage opens the same dialog on its page; the four pair lines over 8 leave 24 holes at 6 of 6.
    ASSERT_TRUE(App->Execute("SystemsCoverage"));
    ASSERT_EQ(Ui.Pages.back(), TSystemPage::Coverage);
    EXPECT_FALSE(Ui.Shown.back().second);
    const TSystemCoverage cov = SystemCoverageOf(Ui.Shown.back().first.Combs, "8");
    ASSERT_EQ(cov.Error, "");
    int64_t holes66 = -1;
    for (const auto& r : cov.Rows)
        if (r.K == 6 && r.M == 6) holes66 = r.Holes;
    EXPECT_EQ(holes66, 24);

    // A change of the own system reaches the server and the downloaded file at once.
    Ui.Dialogs.push_back([](TSystemForm& f) {
        f.Combs = "01 02 03 04 05 06\r\n01 02 03 04 07 09";
        NormaliseSystemForm(f);
    });
    ASSERT_TRUE(App->Execute("SystemsProp"));
    EXPECT_FALSE(FileExists(file));
    const std::string changed = Data.File("Systems/" + SystemFileName(9, 3, id));
    EXPECT_EQ(ReadFileBytes(changed), "01 02 03 04 05 06\r\n01 02 03 04 07 09\r\n");
    EXPECT_EQ(RequestSystemData(Sys().Identity(), id), "01 02 03 04 05 06\r\n01 02 03 04 07 09");

    // Deleting asks first; No keeps it, Yes removes the row and the file.
    Ui.YesNoAnswers = {false, true};
    ASSERT_TRUE(App->Execute("SystemsDel"));
    EXPECT_EQ(Sys().RowCount(), 1);
    ASSERT_TRUE(App->Execute("SystemsDel"));
    EXPECT_EQ(Ui.Questions.back().Text, "Вы действительно хотите удалить систему \"Пары\"?");
    EXPECT_EQ(Sys().RowCount(), 0);
    EXPECT_FALSE(FileExists(changed));
    EXPECT_EQ(RequestSystemList(Sys().Identity()).at(0).Id, -1);
    EXPECT_TRUE(Ui.Errors().empty()) << Ui.Errors().front().Text;
}

TEST_F(SystemsTest, ForeignSystemIsReadOnlyAndChangedOnesAreFetchedAgain) {
    const int id = PublishAsOther(Pairs, 8, 4);
    StartApp();
    ASSERT_EQ(Sys().RowCount(), 1); // loaded at start-up: a server is set
    Focus(id);
    EXPECT_EQ(Sys().SystemIconOf(0), siForeign);
    EXPECT_FALSE(App->ActionEnabled("SystemsDel"));
    ASSERT_TRUE(App->Execute("SystemsProp"));
    EXPECT_TRUE(Ui.Shown.back().second);
    ASSERT_TRUE(App->Execute("SystemsDownload"));
    const std::string file = Data.File("Systems/" + SystemFileName(8, 0, id));
    ASSERT_TRUE(FileExists(file));

    // The author changes it an hour later: the next catalogue load rewrites the file with the server's time.
    Now += 3600;
    tSystemData d;
    d.Info = RequestSystemList(Other())[0];
    d.Info.CSize = 1;
    d.Combs = "02 03 04 05 06 07";
    ASSERT_EQ(RequestSystemPut(Other(), d, false), id);
    ASSERT_TRUE(App->Execute("SystemsRefresh"));
    EXPECT_EQ(ReadFileBytes(file), "02 03 04 05 06 07\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, Now.load());

    // A second system for 8 numbers replaces the first on the disk.
    const int second = PublishAsOther("01 02 03 04 05 06", 8, 1);
    ASSERT_TRUE(App->Execute("SystemsRefresh"));
    Focus(second);
    ASSERT_TRUE(App->Execute("SystemsDownload"));
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(Sys().SystemCellText(RowOf(id), 6), "");
    EXPECT_EQ(Sys().SystemCellText(RowOf(second), 6), "Загружена");
    EXPECT_TRUE(Ui.Errors().empty()) << Ui.Errors().front().Text;
}

TEST_F(SystemsTest, OnlyADownloadCountsAndTheRowShowsItAtOnce) {
    const int id = PublishAsOther(Pairs, 8, 4);
    StartApp();
    Focus(id);
    ASSERT_TRUE(App->Execute("SystemsProp"));
    ASSERT_TRUE(App->Execute("SystemsCoverage"));
    ASSERT_TRUE(App->Execute("SystemsRefresh"));
    EXPECT_EQ(Sys().SystemCellText(RowOf(id), 7), "0");
    Focus(id);
    ASSERT_TRUE(App->Execute("SystemsDownload"));
    EXPECT_EQ(Sys().SystemCellText(RowOf(id), 7), "1");
    EXPECT_NE(Sys().SystemCellText(RowOf(id), 8), "");
    ASSERT_TRUE(App->Execute("SystemsRefresh"));
    EXPECT_EQ(Sys().SystemCellText(RowOf(id), 7), "1");
    EXPECT_TRUE(Ui.Errors().empty()) << Ui.Errors().front().Text;
}

TEST_F(SystemsTest, SystemStakeInBothModes) {
    StartApp();
    // The list yields the numbers 1 2 3 4 5 7 6 8 9 10 11: position i takes the i-th number found.
    TCombsArray list;
    for (TComb c : {TComb{{1, 2, 3, 4, 5, 7}}, TComb{{1, 2, 3, 4, 5, 6}}, TComb{{2, 3, 8, 9, 10, 11}}}) list.Append(c);
    SaveCombsFile(Data.File("list.lcv"), list);
    App->Combinations().CombsOpen(Data.File("list.lcv"));
    ForceDirectories(Data.File("Systems"));
    WriteRaw(Data.File("Systems/6-11-0_0007.dat"), "01 02 03 04 05 06\r\n06 07 08 09 10 11\r\n");

    struct TCase {
        const char* Action;
        std::vector<std::string> Stakes;
        int SampleSize;
        const char* Comment;
    };
    const TCase cases[] = {
        {"SystemStakeAll",
         {"1 2 3 4 5 7", "6 7 8 9 10 11"},
         2,
         "Системная игра для 11 чисел [вся система]: 6-11-0_0007"},
        {"SystemStakeFilter", {"1 2 3 4 5 7"}, 3, "Системная игра для 11 чисел [комбинации]: 6-11-0_0007"},
    };
    for (const TCase& c : cases) {
        const int64_t before = App->Stakes().StakeCount();
        std::string offered;
        Ui.MultiStakeEdits.push_back([&](int&, int&, std::string& comment) {
            offered = comment;
            return true;
        });
        ASSERT_TRUE(App->Execute(c.Action)) << c.Action;
        EXPECT_EQ(offered, c.Comment);
        std::vector<std::string> made;
        for (int64_t i = before; i < App->Stakes().StakeCount(); ++i) {
            const TStakeRecord r = App->Stakes().StakesFile().Read(i);
            if (r.IsSeparator()) continue;
            std::string text;
            for (int k = 0; k < r.Numbers.Count; ++k) text += (k ? " " : "") + std::to_string(r.Numbers.Numbers[k]);
            made.push_back(text);
            EXPECT_EQ(r.Kind, skSystem);
            EXPECT_EQ(r.SampleSize, c.SampleSize);
        }
        EXPECT_EQ(made, c.Stakes) << c.Action;
    }
    // No system for the count of numbers: the message names it and nothing is staked.
    DeleteFileIfExists(Data.File("Systems/6-11-0_0007.dat"));
    const int64_t before = App->Stakes().StakeCount();
    ASSERT_TRUE(App->Execute("SystemStakeAll"));
    EXPECT_EQ(App->Stakes().StakeCount(), before);
    ASSERT_FALSE(Ui.Errors().empty());
    EXPECT_EQ(Ui.Errors().back().Text.rfind("Система для 11 чисел не найдена", 0), 0u);
}

TEST(SystemForm, ChecksInOrderAndRefusesWhatTheServerWould) {
    struct TCase {
        std::function<void(TSystemForm&)> Edit;
        std::string Message;
        TSystemField Field;
    };
    const TCase cases[] = {
        {[](TSystemForm& f) { f.Title = "  "; }, "Название системы должно быть указано обязательно!",
         TSystemField::Title},
        {[](TSystemForm& f) { f.Nums = ""; }, "Указано недопустмое количество используемых чисел!", TSystemField::Nums},
        {[](TSystemForm& f) { f.Nums = "53"; }, "Указано недопустмое количество используемых чисел!",
         TSystemField::Nums},
        {[](TSystemForm& f) { f.Olap = "6"; }, "Указан недопустмый размер блока!", TSystemField::Olap},
        {[](TSystemForm& f) { f.Author = ""; }, "Имя автора должно быть указано обязательно!", TSystemField::Author},
        {[](TSystemForm& f) { f.Descr = "\r\n"; }, "Описание системы должно быть указано обязательно!",
         TSystemField::Descr},
        {[](TSystemForm& f) { f.Combs = "\n\n"; }, "Содержимое системы должно быть указано обязательно!",
         TSystemField::Combs},
        {[](TSystemForm& f) { f.Nums = "7"; },
         "Строка 1 системы ( 01 02 03 04 05 08 ): нужны шесть разных позиций от 1 до 7", TSystemField::Combs},
        {[](TSystemForm& f) { f.Combs = "01 01 02 03 04 05"; },
         "Строка 1 системы ( 01 01 02 03 04 05 ): нужны шесть разных позиций от 1 до 8", TSystemField::Combs},
        {[](TSystemForm& f) { f.Url = "javascript:alert(1)"; }, "Ссылка должна начинаться с http:// или https://",
         TSystemField::Url},
        {[](TSystemForm&) {}, "", TSystemField::None},
    };
    for (const TCase& c : cases) {
        TSystemForm f;
        f.Title = "T";
        f.Nums = "8";
        f.Olap = "0";
        f.Author = "A";
        f.Descr = "D";
        f.Combs = "01 02 03 04 05 08";
        c.Edit(f);
        tSystemData d;
        const TSystemFormCheck check = ApplySystemForm(f, d);
        EXPECT_EQ(check.Message, c.Message);
        EXPECT_EQ(check.Field, c.Field) << c.Message;
        if (c.Message.empty()) {
            EXPECT_EQ(d.Info.CSize, 1);
            EXPECT_GT(d.Info.Created, 0); // an empty "Создана:" is now
        }
    }
}

TEST_F(SystemsTest, UnreachableServerIsReportedAndTheSettingsFieldsRoundTrip) {
    StartApp();
    Http.reset(); // nothing listens there any more
    ASSERT_TRUE(App->Execute("SystemsRefresh"));
    ASSERT_EQ(Ui.Errors().size(), 1u);
    EXPECT_EQ(Ui.Errors()[0].Text.rfind("Ошибка загрузки списка систем!\r\r", 0), 0u);
    EXPECT_EQ(Sys().RowCount(), 0);
    // "Ссылка" hands only an http(s) address to the browser.
    Sys().OpenSystemLink("javascript:alert(1)");
    Sys().OpenSystemLink(" https://example.org/s ");
    EXPECT_EQ(Ui.OpenedUrls, std::vector<std::string>{"https://example.org/s"});
    EXPECT_EQ(Ui.Errors().back().Text, "Ссылка должна начинаться с http:// или https://");

    WriteOnlineFields(*App, {" https://zorb.example.org ", "Пётр", "petr@example.org", ""});
    const TOnlineSettings s = ReadOnlineSettings(*App);
    EXPECT_EQ(s.ServerUrl, "https://zorb.example.org");
    EXPECT_EQ(s.UserMail, "petr@example.org");
    EXPECT_EQ(s.InstallationId, Hwdid); // never changed by the dialog
    EXPECT_EQ(App->Updates().DescriptorUrl(), TUpdateController::DefaultDescriptorUrl);
}

TEST(OnlineFields, RefusesWhatTheServerWould) {
    const std::pair<TOnlineFields, std::string> cases[] = {
        {{"", "", "", ""}, ""},
        {{"https://h:8443", "Иван", "ivan@example.org", "http://h/files/autoupdates/Kesto_AU.cfg"}, ""},
        {{"ftp://h", "", "", ""}, "Адрес сервера должен начинаться с http:// или https://"},
        {{"", "", "", "file:///etc/passwd"}, "Адрес обновлений должен начинаться с http:// или https://"},
        {{"", "</row><row>", "", ""}, "Имя пользователя: не более 64 символов, без символов < и >"},
        {{"", "", "a@b@c", ""}, "Указан недопустимый e-mail!"},
        {{"", "", "ivan example.org", ""}, "Указан недопустимый e-mail!"},
    };
    for (const auto& [fields, message] : cases) EXPECT_EQ(CheckOnlineFields(fields), message) << message;
    // Installation ids written in either case stay the installation's.
    EXPECT_TRUE(ValidInstallationId("0123456789abcdef0123456789ABCDEF"));
    EXPECT_FALSE(ValidInstallationId("0123456789abcdef0123456789ABCDEG"));
}

} // namespace
} // namespace zorb::test

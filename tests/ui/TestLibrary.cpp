// The online scenario library in the main window, against zorb-server on a temporary SQLite file: the panel
// lists the catalogue, downloads after the question, publishes through the scenario dialog and deletes.
#include "ServerUiTestSupport.h"
#include "app/FormMain.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "core/Translate.h"
#include "online/OnlineClient.h"
#include "scenarios/ScriptFile.h"
#include "server/ZorbServer.h"
#include "tools/SampleArchive.h"
#include "ui/LibraryPanel.h"
#include "ui/MainWindow.h"
#include "ui/ScenarioPage.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace zorb;

namespace {
const TScriptLines Current = {"FULL:0#ALL| | | | | | | |текущий", "", "EXCL:10#RAND#NEX| | | | | | | |"};

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT

    static void Snapshot(QWidget& w, const char* name) { test::Snapshot(w, name, test::TSnapshotSize::Grow); }

    std::unique_ptr<test::TUiTestServer> FServer; // a fresh database per test

    TOnlineIdentity Who(const std::string& name, const std::string& mail, const std::string& hwdid) const {
        return FServer->Who(name, mail, hwdid);
    }
    TOnlineIdentity Me() const { return FServer->Me(); }

    std::unique_ptr<test::TStarted> Start() {
        return FServer->StartWindow(
            [](TMainWindow& w) { return w.findChild<TScenarioPage*>(); },
            [](const std::string& dir) { WriteScenarioFile(JoinPath(dir, "Zorb_6x52.lss"), Current); });
    }

private slots:
    void init() {
        FServer = std::make_unique<test::TUiTestServer>();
        QVERIFY(FServer->Dir.isValid());
        const TOnlineIdentity petr = Who("Пётр", "petr@example.org", "FEDCBA9876543210FEDCBA9876543210");
        tScriptData d;
        d.Author = petr.Name;
        d.Language = 1049;
        d.Universal = true;
        d.Title = "Суммы и чётность";
        d.Descr = "Три строки фильтров\r\nдля прогноза";
        const int id = RequestScriptPut(petr, d, "CURR:0#FIRST| | | | | | | |из каталога\r\n");
        QVERIFY(id > 0);
        RequestScriptRate(petr, id, 5, "работает");
        RequestScriptRate(Who("Анна", "anna@example.org", "AAAABBBBCCCCDDDDAAAABBBBCCCCDDDD"), id, 3, "так себе");
        d.Title = "Мой старый";
        d.Author = "Иван";
        d.Universal = false;
        d.Public = false;
        QVERIFY(RequestScriptPut(Me(), d, "FULL:0#NONE| | | | | | | |\r\n") > 0);
    }
    void cleanup() {
        FServer.reset();
        LoadLanguageModule(""); // the table of texts is the process's
    }

    void englishListShowsEveryHeaderWholeAndDistinct() {
        auto s = FServer->StartWindow([](TMainWindow& w) { return w.findChild<TScenarioPage*>(); },
                                      [](const std::string& dir) {
                                          WriteScenarioFile(JoinPath(dir, "Zorb_6x52.lss"), Current);
                                          WriteFileAtomic(JoinPath(dir, "Zorb_6x52_ENG.lng"),
                                                          ReadFileBytes(ZORB_SOURCE_DIR "/lang/Zorb_6x52_ENG.lng"));
                                          TIniFile frm(JoinPath(dir, "Zorb_6x52.frm"));
                                          frm.Load();
                                          frm.WriteInteger("TFormMain", "Language", 1033);
                                          frm.Save();
                                      });
        QCOMPARE(s->App->Language(), 1033);
        QTableView* view = s->Part<TLibraryPanel>()->View();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QStringList headers;
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            headers << view->model()->headerData(c, Qt::Horizontal).toString();
            QVERIFY2(view->columnWidth(c) >= view->horizontalHeader()->sectionSizeHint(c), qPrintable(headers.back()));
        }
        QVERIFY(headers.contains("Language"));
        QCOMPARE(QSet<QString>(headers.begin(), headers.end()).size(), headers.size());
        Snapshot(s->Window, "library-english.png");
    }

    void panelListsTheCatalogue() {
        auto s = Start();
        TLibraryPanel* panel = s->Part<TLibraryPanel>();
        QVERIFY(panel && panel->isVisible());
        QAbstractItemModelTester tester(panel->View()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(panel->View()->model()->rowCount(), 2);
        QCOMPARE(panel->View()->model()->data(panel->View()->model()->index(0, 1)).toString(),
                 QString("Суммы и чётность"));
        QCOMPARE(panel->View()->model()->data(panel->View()->model()->index(0, 7)).toString(), QString("4.000"));
        QVERIFY(panel->FilterBox()->isEnabled());
        QCOMPARE(panel->FilterBox()->currentIndex(), 2);
        panel->View()->selectRow(0);
        QVERIFY(s->Window.ActionByName("ScriptLibraryDownload")->isEnabled());
        QVERIFY(!s->Window.ActionByName("ScriptLibraryDelete")->isEnabled());
        Snapshot(s->Window, "library-panel.png");
        // Hiding empties the list and disables the rest; showing loads it again.
        s->Window.ActionByName("ScriptLibrary")->trigger();
        QVERIFY(!panel->isVisible());
        QVERIFY(!s->Window.ActionByName("ScriptLibraryRefresh")->isEnabled());
        s->Window.ActionByName("ScriptLibrary")->trigger();
        QCOMPARE(panel->View()->model()->rowCount(), 2);
    }

    void downloadAsksFirst() {
        auto s = Start();
        s->Part<TLibraryPanel>()->View()->selectRow(0);
        test::WhenModal([](QWidget* w) { test::Press(w, "Нет"); });
        s->Window.ActionByName("ScriptLibraryDownload")->trigger();
        QCOMPARE(s->App->Scenarios().Lines(), Current);
        test::WhenModal([](QWidget* w) { test::Press(w, "Да"); });
        s->Window.ActionByName("ScriptLibraryDownload")->trigger();
        QCOMPARE(s->App->Scenarios().Lines(), TScriptLines{"CURR:0#FIRST| | | | | | | |из каталога"});
        QCOMPARE(s->Part<TScenarioPage>()->View()->model()->rowCount(), 1);
    }

    void publishThroughTheDialogThenDelete() {
        auto s = Start();
        test::WhenModal([](QWidget* w) {
            w->findChild<QLineEdit*>("edTitle")->setText("  Из окна ");
            w->findChild<QLineEdit*>("edClName")->setText("Иван Петрович");
            test::Press(w, "Отправить сценарий на сервер");
        });
        s->Window.ActionByName("ScriptLibraryUpload")->trigger();
        const tScriptInfo* added = s->App->Library().Focused();
        QVERIFY(added && added->Title == "Из окна" && added->Editable);
        QCOMPARE(RequestScriptText(Me(), added->Id), ScenarioText(Current));
        QCOMPARE(s->Part<TLibraryPanel>()->View()->currentIndex().row(), s->App->Library().FocusedRow());
        test::WhenModal([](QWidget* w) { test::Press(w, "Да"); });
        s->Window.ActionByName("ScriptLibraryDelete")->trigger();
        QCOMPARE(s->Part<TLibraryPanel>()->View()->model()->rowCount(), 2);
        QCOMPARE(RequestScriptList(Me(), 0).size(), size_t(2));
    }

    void dialogsLookRight() {
        auto s = Start();
        TLibraryController& lib = s->App->Library();
        lib.SetFocusedRow(0);
        TScriptDialog d;
        d.Data.Id = lib.Focused()->Id;
        d.Data.Title = lib.Focused()->Title;
        d.Data.Author = lib.Focused()->Author;
        d.Data.Descr = lib.Focused()->Descr;
        d.Data.Language = 1049;
        d.Data.Universal = true;
        d.AppName = "Zorb_6x52";
        d.Languages = {1049, 1033};
        {
            TFormScrPublic dlg(d, lib, &s->Window);
            QCOMPARE(dlg.findChild<QLineEdit*>("edTitle")->maxLength(), 64);
            Snapshot(dlg, "library-public.png");
        }
        d.ReadOnly = true;
        {
            TFormScrPublic dlg(d, lib, &s->Window);
            QVERIFY(!dlg.findChild<QLineEdit*>("edTitle")->isEnabled());
            QVERIFY(!dlg.findChild<QPushButton*>("btnOk")->isVisible());
            Snapshot(dlg, "library-view.png");
        }
        const auto rates = RequestScriptRates(Me(), d.Data.Id);
        TFormScrRates dlg(*lib.Focused(), rates, &s->Window);
        QCOMPARE(dlg.findChild<QTableWidget*>("lvRates")->rowCount(), 2);
        Snapshot(dlg, "library-rates.png");
        // The ratings action opens the same window once the request succeeded.
        test::WhenModal([](QWidget* w) {
            QCOMPARE(w->objectName(), QString("TFormScrRates"));
            test::Press(w, "Закрыть");
        });
        QVERIFY(s->App->Execute("ScriptLibraryRates"));
    }
};

QTEST_MAIN(TestLibrary)
#include "TestLibrary.moc"

// The online scenario library in the main window, against zorb-server on a temporary SQLite file: the panel
// lists the catalogue, downloads after the question, publishes through the scenario dialog and deletes.
#include "../common/TestHttpServer.h"
#include "app/FormMain.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
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
const char* const Hwdid = "0123456789ABCDEF0123456789ABCDEF";
const TScriptLines Current = {"FULL:0#ALL| | | | | | | |текущий", "", "EXCL:10#RAND#NEX| | | | | | | |"};

// Acts on the next modal window once it is up (a question box or a dialog run by an action).
void WhenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

void Press(QWidget* box, const QString& text) {
    for (QPushButton* b : box->findChildren<QPushButton*>())
        if (b->text() == text) return b->click();
    QFAIL(qPrintable("no button " + text));
}
} // namespace

class TestLibrary : public QObject {
    Q_OBJECT

    static void Snapshot(QWidget& w, const char* name) {
        const QByteArray dir = qgetenv("ZORB_SCREENSHOTS");
        if (dir.isEmpty()) return;
        w.resize(w.sizeHint().expandedTo(w.size()));
        w.show();
        QCoreApplication::processEvents();
        w.grab().save(QString::fromUtf8(dir) + "/" + name);
    }

    std::unique_ptr<QTemporaryDir> FServerDir; // a fresh database per test
    std::unique_ptr<test::TTestHttpServer> FHttp;
    std::unique_ptr<server::TZorbServer> FServer;

    TOnlineIdentity Who(const std::string& name, const std::string& mail, const std::string& hwdid) const {
        TOnlineIdentity w;
        w.ServerUrl = FHttp->Url("");
        w.Name = name;
        w.Mail = mail;
        w.Hwdid = hwdid;
        return w;
    }
    TOnlineIdentity Me() const { return Who("Иван", "ivan@example.org", Hwdid); }

    struct TStarted {
        QTemporaryDir Dir;
        TMainWindow Window;
        std::unique_ptr<TFormMain> App;
    };

    std::unique_ptr<TStarted> Start() {
        auto s = std::make_unique<TStarted>();
        const std::string dir = s->Dir.path().toStdString();
        SaveDrawsFile(JoinPath(dir, "Zorb_6x52.ldr"), MakeSampleArchive(30));
        TIniFile frm(JoinPath(dir, "Zorb_6x52.frm"));
        frm.WriteInteger("TFormMain", "DownloadDrawsOnStart", 2);
        frm.WriteBool("TFormMain", "AutoUpdates", false);
        frm.Save();
        TIniFile ini(JoinPath(dir, "Zorb_6x52.ini"));
        ini.WriteInteger("GLOBAL", "CombsGenerateMode", 2);
        ini.WriteString("GLOBAL", "CombsGenerateParameters", "1;2;3;4;5;6;7;8");
        ini.WriteString("ONLINE", "ServerUrl", FHttp->Url(""));
        ini.WriteString("ONLINE", "UserName", "Иван");
        ini.WriteString("ONLINE", "UserMail", "ivan@example.org");
        ini.WriteString("ONLINE", "InstallationId", Hwdid);
        ini.Save();
        WriteScenarioFile(JoinPath(dir, "Zorb_6x52.lss"), Current);
        s->App = std::make_unique<TFormMain>(s->Window, TAppOptions{dir, dir, "zorb-ui-test-none", {}});
        s->Window.Attach(s->App.get());
        s->App->Create();
        s->App->OnInitTimer();
        s->Window.resize(1300, 860);
        s->Window.show();
        auto* tabs = s->Window.ScenarioPage()->parentWidget()->parentWidget();
        if (auto* t = qobject_cast<QTabWidget*>(tabs)) t->setCurrentWidget(s->Window.ScenarioPage());
        QCoreApplication::processEvents();
        return s;
    }

private slots:
    void init() {
        FServerDir = std::make_unique<QTemporaryDir>();
        QVERIFY(FServerDir->isValid());
        FHttp = std::make_unique<test::TTestHttpServer>();
        server::TServerOptions o;
        FServer = std::make_unique<server::TZorbServer>(
            server::OpenSqliteStore(JoinPath(FServerDir->path().toStdString(), "zorb.db")), o);
        FServer->Install(FHttp->Server());
        FHttp->Start();
        const TOnlineIdentity petr = Who("Пётр", "petr@example.org", "FEDCBA9876543210FEDCBA9876543210");
        tScriptData d;
        d.author = petr.Name;
        d.language = 1049;
        d.universal = true;
        d.title = "Суммы и чётность";
        d.descr = "Три строки фильтров\r\nдля прогноза";
        const int id = RequestScriptPut(petr, d, "CURR:0#FIRST| | | | | | | |из каталога\r\n");
        QVERIFY(id > 0);
        RequestScriptRate(petr, id, 5, "работает");
        RequestScriptRate(Who("Анна", "anna@example.org", "AAAABBBBCCCCDDDDAAAABBBBCCCCDDDD"), id, 3, "так себе");
        d.title = "Мой старый";
        d.author = "Иван";
        d.universal = false;
        d.is_public = false;
        QVERIFY(RequestScriptPut(Me(), d, "FULL:0#NONE| | | | | | | |\r\n") > 0);
    }
    void cleanup() {
        FHttp.reset();
        FServer.reset();
    }

    void panelListsTheCatalogue() {
        auto s = Start();
        TLibraryPanel* panel = s->Window.LibraryPanel();
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
        s->Window.LibraryPanel()->View()->selectRow(0);
        WhenModal([](QWidget* w) { Press(w, "Нет"); });
        s->Window.ActionByName("ScriptLibraryDownload")->trigger();
        QCOMPARE(s->App->Scenarios().Lines(), Current);
        WhenModal([](QWidget* w) { Press(w, "Да"); });
        s->Window.ActionByName("ScriptLibraryDownload")->trigger();
        QCOMPARE(s->App->Scenarios().Lines(), TScriptLines{"CURR:0#FIRST| | | | | | | |из каталога"});
        QCOMPARE(s->Window.ScenarioPage()->View()->model()->rowCount(), 1);
    }

    void publishThroughTheDialogThenDelete() {
        auto s = Start();
        WhenModal([](QWidget* w) {
            w->findChild<QLineEdit*>("edTitle")->setText("  Из окна ");
            w->findChild<QLineEdit*>("edClName")->setText("Иван Петрович");
            Press(w, "Отправить сценарий на сервер");
        });
        s->Window.ActionByName("ScriptLibraryUpload")->trigger();
        const tScriptInfo* added = s->App->Library().Focused();
        QVERIFY(added && added->title == "Из окна" && added->editable);
        QCOMPARE(RequestScriptText(Me(), added->id), ScenarioText(Current));
        QCOMPARE(s->Window.LibraryPanel()->View()->currentIndex().row(), s->App->Library().FocusedRow());
        WhenModal([](QWidget* w) { Press(w, "Да"); });
        s->Window.ActionByName("ScriptLibraryDelete")->trigger();
        QCOMPARE(s->Window.LibraryPanel()->View()->model()->rowCount(), 2);
        QCOMPARE(RequestScriptList(Me(), 0).size(), size_t(2));
    }

    void dialogsLookRight() {
        auto s = Start();
        TLibraryController& lib = s->App->Library();
        lib.SetFocusedRow(0);
        TScriptDialog d;
        d.Data.id = lib.Focused()->id;
        d.Data.title = lib.Focused()->title;
        d.Data.author = lib.Focused()->author;
        d.Data.descr = lib.Focused()->descr;
        d.Data.language = 1049;
        d.Data.universal = true;
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
        const auto rates = RequestScriptRates(Me(), d.Data.id);
        TFormScrRates dlg(*lib.Focused(), rates, &s->Window);
        QCOMPARE(dlg.findChild<QTableWidget*>("lvRates")->rowCount(), 2);
        Snapshot(dlg, "library-rates.png");
        // The ratings action opens the same window once the request succeeded.
        WhenModal([](QWidget* w) {
            QCOMPARE(w->objectName(), QString("TFormScrRates"));
            Press(w, "Закрыть");
        });
        QVERIFY(s->App->Execute("ScriptLibraryRates"));
    }
};

QTEST_MAIN(TestLibrary)
#include "TestLibrary.moc"

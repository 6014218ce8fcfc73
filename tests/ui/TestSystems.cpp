// The systems tab in the main window against zorb-server on a temporary SQLite file: the list with its icons,
// the download, the system dialog with its normalisation, checks and the page «Покрытие», and the settings
// dialog's online fields.
#include "ServerUiTestSupport.h"
#include "app/FormMain.h"
#include "app/OnlineIdentity.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "online/OnlineClient.h"
#include "online/Systems.h"
#include "server/ZorbServer.h"
#include "tools/SampleArchive.h"
#include "ui/MainWindow.h"
#include "ui/ScenarioPage.h"
#include "ui/SettingsDialogs.h"
#include "ui/SystemsPage.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
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
const char* const Pairs = "01 02 03 04 05 06\r\n01 02 03 04 07 08\r\n01 02 05 06 07 08\r\n03 04 05 06 07 08";

} // namespace

class TestSystems : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TUiTestServer> FServer;

    TOnlineIdentity Who(const std::string& name, const std::string& mail, const std::string& hwdid) const {
        return FServer->Who(name, mail, hwdid);
    }
    int Publish(const TOnlineIdentity& who, const std::string& title, int nums, int olap, const std::string& combs,
                int csize, const std::string& url = "") {
        tSystemData d;
        d.Info.Nums = static_cast<uint8_t>(nums);
        d.Info.Olap = static_cast<uint8_t>(olap);
        d.Info.CSize = csize;
        d.Info.Title = title;
        d.Info.Descr = "Описание: " + title;
        d.Info.Author = who.Name;
        d.Info.AuthorMail = who.Mail;
        d.Info.Url = url;
        d.Combs = combs;
        return RequestSystemPut(who, d, false);
    }

    std::unique_ptr<test::TStarted> Start() {
        return FServer->StartWindow([](TMainWindow& w) { return w.findChild<TSystemsPage*>(); });
    }

    static int RowOf(TSystemsController& sc, int id) {
        for (int i = 0; i < sc.RowCount(); ++i)
            if (sc.Row(i).Id == id) return i;
        return -1;
    }

private slots:
    void init() {
        FServer = std::make_unique<test::TUiTestServer>();
        QVERIFY(FServer->Dir.isValid());
    }
    void cleanup() { FServer.reset(); }

    void listsDownloadsAndShowsTheDialogWithCoverage() {
        const TOnlineIdentity me = FServer->Me();
        const TOnlineIdentity petr = Who("Пётр", "petr@example.org", "FEDCBA9876543210FEDCBA9876543210");
        const int mine = Publish(me, "Пары: три из четырёх", 8, 3, Pairs, 4, "https://example.org/pairs");
        const int foreign = Publish(petr, "Колесо на 7", 7, 0,
                                    "01 02 03 04 05 06\r\n01 02 03 04 05 07\r\n01 02 03 04 06 07\r\n01 02 03 05 06 "
                                    "07\r\n01 02 04 05 06 07\r\n01 03 04 05 06 07\r\n02 03 04 05 06 07",
                                    7);
        QVERIFY(mine > 0 && foreign > 0);
        auto s = Start();
        TSystemsController& sc = s->App->Systems();
        QTableView* view = s->Part<TSystemsPage>()->View();
        QAbstractItemModelTester tester(view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(view->model()->rowCount(), 2);
        QCOMPARE(view->model()->headerData(5, Qt::Horizontal).toString(), QString("Дата создания"));

        // Selecting in the view reaches the controller; the download marks the row and writes the file.
        const int row = RowOf(sc, foreign);
        view->selectRow(row);
        QCOMPARE(sc.FocusedRow(), row);
        QVERIFY(s->Window.ActionByName("SystemsDownload")->isEnabled());
        QVERIFY(!s->Window.ActionByName("SystemsDel")->isEnabled()); // someone else's
        s->Window.ActionByName("SystemsDownload")->trigger();
        QCOMPARE(view->model()->index(row, 6).data().toString(), QString("Загружена"));
        QVERIFY(FileExists(JoinPath(sc.SystemsDir(), SystemFileName(7, 0, foreign))));
        view->selectRow(RowOf(sc, mine));
        QVERIFY(s->Window.ActionByName("SystemsDel")->isEnabled());
        test::Snapshot(s->Window, "systems-tab.png");

        // The own system's dialog is editable; the coverage page shows the exhaustive table.
        test::WhenModal([](QWidget* w) {
            auto* dlg = qobject_cast<TFormSystem*>(w);
            QVERIFY(dlg);
            QCOMPARE(dlg->Pages()->currentIndex(), 1);
            QTableWidget* t = dlg->CoverageTable();
            QCOMPARE(t->rowCount(), 21); // k = 1..6, m = 1..k
            int holes66 = -1, holes55 = -1, holes56 = -1;
            for (int r = 0; r < t->rowCount(); ++r) {
                const int k = t->item(r, 0)->text().toInt(), m = t->item(r, 1)->text().toInt();
                const int holes = t->item(r, 3)->text().toInt();
                if (k == 6 && m == 6) holes66 = holes;
                if (k == 5 && m == 5) holes55 = holes;
                if (k == 6 && m == 5) holes56 = holes;
            }
            QCOMPARE(holes66, 24);
            QCOMPARE(holes55, 32);
            QCOMPARE(holes56, 0);
            dlg->resize(860, 640);
            test::Snapshot(*dlg, "systems-coverage.png");
            dlg->Pages()->setCurrentIndex(0);
            test::Snapshot(*dlg, "systems-dialog.png");
            dlg->reject();
        });
        s->Window.ActionByName("SystemsCoverage")->trigger();

        // A foreign system opens read-only: no OK, nothing editable.
        view->selectRow(RowOf(sc, foreign));
        test::WhenModal([](QWidget* w) {
            auto* dlg = qobject_cast<TFormSystem*>(w);
            QVERIFY(dlg);
            QVERIFY(dlg->Combs()->isReadOnly());
            QVERIFY(dlg->findChild<QLineEdit*>("edTitle")->isReadOnly());
            for (QPushButton* b : dlg->findChildren<QPushButton*>())
                if (b->text() == "OK") QVERIFY(!b->isVisible());
            test::Snapshot(*dlg, "systems-readonly.png");
            dlg->reject();
        });
        s->Window.ActionByName("SystemsProp")->trigger();
    }

    void publishesStakesAndDeletesThroughTheWindow() {
        auto s = Start();
        TSystemsController& sc = s->App->Systems();
        // «Добавить»: the dialog takes the lines as typed and normalises them on OK.
        test::WhenModal([](QWidget* w) {
            auto* dlg = qobject_cast<TFormSystem*>(w);
            QVERIFY(dlg);
            dlg->findChild<QLineEdit*>("edTitle")->setText("Пары");
            dlg->findChild<QLineEdit*>("edOlap")->setText("3");
            dlg->findChild<QPlainTextEdit*>("edDescr")->setPlainText("три из четырёх");
            dlg->Combs()->setPlainText(QString::fromUtf8(Pairs).replace("\r\n", "\n").replace(' ', ','));
            dlg->accept();
        });
        s->Window.ActionByName("SystemsAdd")->trigger();
        QCOMPARE(sc.RowCount(), 1);
        const int id = sc.Row(0).Id;
        QVERIFY(id > 0);
        QCOMPARE(QString::fromStdString(RequestSystemData(sc.Identity(), id)), QString::fromUtf8(Pairs));

        // Downloaded, it plays for the 8 numbers of the list: four stakes of kind "Система".
        s->Window.ActionByName("SystemsRefresh")->trigger();
        s->Part<TSystemsPage>()->View()->selectRow(0);
        s->Window.ActionByName("SystemsDownload")->trigger();
        const int64_t before = s->App->Stakes().StakeCount();
        test::WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->accept(); });
        s->Window.ActionByName("SystemStakeAll")->trigger();
        int made = 0;
        for (int64_t i = before; i < s->App->Stakes().StakeCount(); ++i)
            if (!s->App->Stakes().StakesFile().Read(i).IsSeparator()) ++made;
        QCOMPARE(made, 4);

        // «Удалить» asks first; «Да» removes the row and the downloaded file.
        test::WhenModal([](QWidget* w) { test::Press(w, "Да"); });
        s->Window.ActionByName("SystemsDel")->trigger();
        QCOMPARE(RequestSystemList(sc.Identity()).at(0).Id, -1);
        QVERIFY(!FileExists(JoinPath(sc.SystemsDir(), SystemFileName(8, 3, id))));
    }

    void dialogNormalisesAndChecks() {
        auto s = Start();
        tSystemData d;
        d.Info.Author = "Иван";
        TFormSystem dlg(d, false, TSystemPage::Properties, s->App->Systems(), &s->Window);
        dlg.findChild<QLineEdit*>("edTitle")->setText("Новая");
        dlg.Combs()->setPlainText("1,2,3,4,5,6\n1 2 3 4 5\n6;7;8;9;10;11\n");
        dlg.Normalise();
        QCOMPARE(dlg.Combs()->toPlainText(), QString("01 02 03 04 05 06\n06 07 08 09 10 11"));
        QCOMPARE(dlg.findChild<QLineEdit*>("edNums")->text(), QString("11"));
        QCOMPARE(dlg.findChild<QLineEdit*>("edCSize")->text(), QString("2"));
        // No description: OK keeps the dialog open (the message box is closed here).
        test::WhenModal([](QWidget* w) {
            test::Snapshot(*w, "systems-check.png");
            w->close();
        });
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(d.Info.CSize, 0);
        dlg.findChild<QPlainTextEdit*>("edDescr")->setPlainText("две строки");
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(d.Info.Nums, uint8_t(11));
        QCOMPARE(QString::fromStdString(d.Combs), QString("01 02 03 04 05 06\r\n06 07 08 09 10 11"));
    }

    void ctrlJOpensAScenarioAnywhereAndCtrlShiftJTogglesTheSystemsTab() {
        auto s = Start();
        QVERIFY(s->App->Settings().SystemsEnabled);
        s->Window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s->Window));
        QTableView* script = s->Part<TScenarioPage>()->View();
        if (auto* t = qobject_cast<QTabWidget*>(script->parentWidget()->parentWidget()))
            t->setCurrentWidget(s->Part<TScenarioPage>());
        script->setFocus();
        QCoreApplication::processEvents();
        bool fileDialog = false;
        test::WhenModal([&](QWidget* w) {
            fileDialog = true;
            w->close();
        });
        QTest::keyClick(script, Qt::Key_J, Qt::ControlModifier);
        QTRY_VERIFY(fileDialog);
        QVERIFY(s->App->Settings().SystemsEnabled);
        QTableView* systems = s->Part<TSystemsPage>()->View();
        if (auto* t = qobject_cast<QTabWidget*>(systems->parentWidget()->parentWidget()))
            t->setCurrentWidget(s->Part<TSystemsPage>());
        systems->setFocus();
        s->Window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s->Window));
        systems->setFocus();
        fileDialog = false;
        test::WhenModal([&](QWidget* w) {
            fileDialog = true;
            w->close();
        });
        QTest::keyClick(systems, Qt::Key_J, Qt::ControlModifier);
        QTRY_VERIFY(fileDialog);
        QVERIFY(s->App->Settings().SystemsEnabled);
        s->Window.activateWindow(); // the file dialog had the focus
        QVERIFY(QTest::qWaitForWindowActive(&s->Window));
        systems->setFocus();
        QTest::keyClick(systems, Qt::Key_J, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!s->App->Settings().SystemsEnabled);
    }

    void settingsDialogTakesTheOnlineFields() {
        TConfigDialog dlg(TConfigData{});
        dlg.ShowError = [](const QString&) {};
        dlg.SetOnline({"http://127.0.0.1:8080", "Иван", "ivan@example", ""});
        dlg.findChild<QLineEdit*>("edUserMail")->setText("ivan@@example.org");
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        dlg.findChild<QLineEdit*>("edUserMail")->setText(" ivan@example.org ");
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(dlg.Online().UserMail), QString("ivan@example.org"));
        test::Snapshot(dlg, "systems-settings.png");
    }
};

QTEST_MAIN(TestSystems)
#include "TestSystems.moc"

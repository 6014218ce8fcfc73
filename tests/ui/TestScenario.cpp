// The scenario tab on a started main window: the list and its enabling rules, the line editor with its fields,
// the filter editor behind "...", the refusal of field separators, and a running test that locks the views.
#include "UiTestSupport.h"
#include "app/FormMain.h"
#include "combos/FilterItem.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "stats/StatList.h"
#include "stats/StatTable.h"
#include "tools/SampleArchive.h"
#include "ui/DrawsPage.h"
#include "ui/FilterDialogs.h"
#include "ui/MainWindow.h"
#include "ui/ScenarioPage.h"
#include "ui/StatsPage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace zorb;

namespace {

const char* const Scenario = "EXCL:10#FIRST|TMF1#NUMS:100#CMV:2#SF:1|TMD1#SUMS:200#CLV:0#SF:1| | | | | |первая\r\n"
                             "\r\n"
                             "CURR:0#LAST#NEX|TSD1#NUMS:30#LNO:#SC:20| | | | | | |\r\n";

} // namespace

class TestScenario : public QObject {
    Q_OBJECT

    // Ten numbers of my own keep every list small, so a test of many offsets stays quick.
    static std::unique_ptr<test::TStarted> Start() {
        auto s = test::StartMain(MakeSampleArchive(300),
                                 {{}, test::MyNumbers("1;2;3;4;5;6;7;8;9;10"), [](const std::string& dir) {
                                      WriteFileAtomic(JoinPath(dir, "Zorb_6x52.lss"), Scenario);
                                  }});
        s->Window.resize(1300, 700);
        s->ShowPage(s->Part<TScenarioPage>());
        return s;
    }

private slots:
    void listShowsTheLinesAndFollowsTheSelection() {
        auto s = Start();
        QTableView* view = s->Part<TScenarioPage>()->View();
        auto* model = view->model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("Комментарии"));
        QCOMPARE(model->headerData(8, Qt::Horizontal).toString(), QString("Фильтр 7"));
        QCOMPARE(model->data(model->index(0, 0)).toString(), QString("первая"));
        QCOMPARE(model->data(model->index(0, 1)).toString(),
                 QString("Исключить 10 тиражей; Первая; Все создаваемые ставки"));
        QCOMPARE(model->data(model->index(2, 1)).toString(), QString("Текущий список; Последняя; Только новые ставки"));
        QCOMPARE(model->data(model->index(1, 1)).toString(), QString());
        auto* count = s->Part<TScenarioPage>()->findChild<QLabel*>("scriptPanel0");
        QVERIFY(count);
        QCOMPARE(count->text(), QString("Строк: 3"));
        view->selectRow(1);
        QVERIFY(!s->Window.ActionByName("ScriptEdit")->isEnabled());
        QVERIFY(s->Window.ActionByName("ScriptUp")->isEnabled());
        view->selectRow(2);
        QVERIFY(s->Window.ActionByName("ScriptEdit")->isEnabled());
        QVERIFY(!s->Window.ActionByName("ScriptDown")->isEnabled());
        QVERIFY(s->Window.ActionByName("ScriptRun")->isEnabled());
        view->selectRow(0);
        test::Snapshot(s->Window, "scenario-tab.png");
    }

    void editorFillsItsFieldsOpensTheFilterEditorAndRefusesSeparators() {
        auto s = Start();
        TScriptEditorData data =
            s->App->Scenarios().EditorData("Редактирование строки", 3, s->App->Scenarios().GetLine(0));
        TFormScript dlg(data, s->App->Scenarios(), &s->Window);
        QCOMPARE(dlg.windowTitle(), QString("Редактирование строки"));
        QCOMPARE(dlg.findChild<QComboBox*>("cbSource")->currentIndex(), int(ssExclude));
        QCOMPARE(dlg.findChild<QSpinBox*>("edExclude")->value(), 10);
        QCOMPARE(dlg.findChild<QComboBox*>("cbStakeMode")->currentIndex(), int(skmFirst));
        QVERIFY(!dlg.findChild<QCheckBox*>("cbNewOnly")->isChecked());
        QCOMPARE(dlg.findChild<QLineEdit*>("edComment")->text(), QString("первая"));
        auto* filter1 = dlg.findChild<QLineEdit*>("edFilter1");
        QCOMPARE(filter1->text(), QString("TMF1#NUMS:100#CMV:2#SF:1"));
        QCOMPARE(dlg.findChild<QLineEdit*>("edFilter3")->text(), QString());
        test::Snapshot(dlg, "scenario-editor.png");

        // "..." opens the filter editor on the field's text and writes back what it returns.
        filter1->setText("TMF1#NUMS:120#CMV:2#SF:1");
        bool opened = false;
        test::WhenModalOf<TFilterDialog>([&](TFilterDialog& f) {
            opened = true;
            f.accept();
        });
        dlg.findChild<QToolButton*>("btnFilter1")->click();
        QVERIFY(opened);
        const TStatList& registry = s->App->Registry();
        QCOMPARE(filter1->text().toStdString(),
                 FilterText(ParseFilter("TMF1#NUMS:120#CMV:2#SF:1", registry), registry));

        // A bar or a line break would shift the fields on reading: OK keeps the editor open.
        for (const char* bad : {"TSD1#NUMS:10#LNO:#SF:1|x", "a\nb"}) {
            dlg.findChild<QLineEdit*>("edComment")->setText(QString::fromUtf8(bad));
            bool warned = false;
            test::WhenModalOf<QMessageBox>([&](QMessageBox& m) {
                warned = true;
                m.accept();
            });
            dlg.accept();
            QVERIFY2(warned, bad);
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
        }
        dlg.findChild<QLineEdit*>("edComment")->setText("вторая");
        dlg.findChild<QComboBox*>("cbStakeMode")->setCurrentIndex(skmAll);
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(TScenarioController::EditorLine(data),
                 "EXCL:10#ALL|" + filter1->text().toStdString() + "|TMD1#SUMS:200#CLV:0#SF:1| | | | | |вторая");
    }

    // After a forecast and after a test the statistics tab names the method and the length of the table it
    // shows (the run's last), and that table is the one those two give at the current offset.
    void statisticsTabAgreesWithItsTableAfterARun() {
        auto s = Start();
        TStatsPage* page = s->Part<TStatsPage>();
        s->App->Statistics().SelectStatType(s->App->Registry().FindByCode("SUMS"));
        s->App->Statistics().SetDrawsStatLen(77);
        auto agree = [&](const char* when) {
            const int entry = page->TypeBox()->currentData().toInt();
            QCOMPARE(entry, s->App->Registry().FindByCode("NUMS"));
            QCOMPARE(page->LenEdit()->value(), 30);
            TStatTableParams params;
            params.WindowEnd = s->App->Archive().DrawRowCount() - 1 - s->App->Archive().DrawsOffset();
            params.Length = page->LenEdit()->value();
            const TStatTable table =
                ComputeStatTable(*s->App->Registry().CreateStat(entry), s->App->Archive().Draws(), params, nullptr);
            auto* model = page->View()->model();
            QVERIFY2(model->rowCount() == static_cast<int>(table.Lines.size()), when);
            QStringList shown, computed;
            for (int r = 0; r < model->rowCount(); ++r) {
                shown << model->data(model->index(r, 0)).toString();
                computed << QString::fromStdString(table.Lines[static_cast<size_t>(r)].Cells[0]);
                shown.back() += ":" + model->data(model->index(r, 1)).toString();
                computed.back() += ":" + QString::fromStdString(table.Lines[static_cast<size_t>(r)].Cells[1]);
            }
            shown.sort();
            computed.sort();
            QVERIFY2(shown == computed, when);
        };
        QVERIFY(s->App->Scenarios().RunForecast());
        agree("after a forecast");
        QVERIFY(s->App->Scenarios().RunTest(3));
        agree("after a test");
        QCOMPARE(s->Part<TScenarioPage>()->findChild<QLabel*>("scriptPanel4")->text(), QString("Сценарий завершен!"));
        s->ShowPage(page);
        test::Snapshot(s->Window, "scenario-stats-after-test.png");
    }

    void runningTestLocksTheViewsUntilStopped() {
        auto s = Start();
        const int offset = s->App->Archive().DrawsOffset();
        bool drawsEnabled = true, listEnabled = true, stopEnabled = false, runEnabled = true;
        QTimer probe;
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (s->App->Scenarios().Panels().Cycle < 3) return; // a few passes in, so the panels have something to show
            probe.stop();
            drawsEnabled = s->Part<TDrawsPage>()->isEnabled();
            listEnabled = s->Part<TScenarioPage>()->View()->isEnabled();
            stopEnabled = s->Window.ActionByName("ScriptStop")->isEnabled();
            runEnabled = s->Window.ActionByName("ScriptRun")->isEnabled();
            test::Snapshot(s->Window, "scenario-running.png");
            s->App->Scenarios().RequestStop(false);
        });
        probe.start();
        QVERIFY(!s->App->Scenarios().RunTest(200));
        QVERIFY(!drawsEnabled);
        QVERIFY(!listEnabled);
        QVERIFY(stopEnabled);
        QVERIFY(!runEnabled);
        // After the run everything is back in the user's hands; a stopped test keeps its pass's offset.
        QVERIFY(!s->App->Scenarios().Running());
        QVERIFY(s->Part<TDrawsPage>()->isEnabled());
        QVERIFY(s->Part<TScenarioPage>()->View()->isEnabled());
        QVERIFY(s->Window.ActionByName("ScriptRun")->isEnabled());
        QVERIFY(!s->Window.ActionByName("ScriptStop")->isEnabled());
        QVERIFY(s->App->Archive().DrawsOffset() != offset);
        // A stopped test does not pass for a finished one.
        auto* text = s->Part<TScenarioPage>()->findChild<QLabel*>("scriptPanel4");
        QVERIFY(text);
        QCOMPARE(text->text(), QString("Выполнение сценария прервано"));
    }
};

QTEST_MAIN(TestScenario)
#include "TestScenario.moc"

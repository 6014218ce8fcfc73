// What a new user sees in the first hour on the sample archive: every tab in reach on a small screen, columns
// and charts that show their data whole, the draws offset in sight, the toggles and the two test-count dialogs.
// Pictures of each screen when ZORB_SCREENSHOTS names a folder.
#include "UiTestSupport.h"
#include "app/FormMain.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "stats/StatTable.h"
#include "tools/SampleArchive.h"
#include "ui/ChartDialog.h"
#include "ui/ChartHelpers.h"
#include "ui/CombsPage.h"
#include "ui/DrawsPage.h"
#include "ui/MainWindow.h"
#include "ui/StakeDialogs.h"
#include "ui/StakesPage.h"
#include "ui/StatChart.h"
#include "ui/StatsPage.h"
#include "ui/ViewsPage.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QValueAxis>
#include <QXYSeries>
#include <QtTest>

using namespace zorb;

class TestFirstHour : public QObject {
    Q_OBJECT

    using TStarted = test::TStarted;

    // The sample archive's size, as scripts/run.sh starts with it, and a few tables to test.
    static std::unique_ptr<TStarted> Start(QSize size, int draws = 2500) {
        test::TStartFiles files;
        files.Ini = test::MyNumbers("1;2;3;4;5;6;7;8;9;10");
        files.Ini.push_back({"STAKES", "Cost", "100"});
        auto s = test::StartMain(MakeSampleArchive(draws), files);
        s->Window.resize(size);
        s->Window.show();
        QCoreApplication::processEvents();
        return s;
    }

    static QTabWidget* MainTabs(TStarted& s) { return TStarted::TabsOf(s.Part<TStatsPage>()); }

    static void Show(TStarted& s, QWidget* page) {
        s.ShowPage(page);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents(); // the column fitting runs once the page is on the screen
    }

    // Every column shows its header and its visible cells whole.
    static void VerifyColumnsWhole(QTableView* view) {
        const QAbstractItemView* items = view;
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            if (view->isColumnHidden(c)) continue;
            const QString name = view->objectName() + " column " + QString::number(c);
            QVERIFY2(view->columnWidth(c) >= view->horizontalHeader()->sectionSizeHint(c), qPrintable(name));
            QVERIFY2(view->columnWidth(c) >= std::min(items->sizeHintForColumn(c), 360), qPrintable(name));
        }
    }

    static bool OnToolBar(QWidget* page, QAction* action) {
        for (QToolBar* bar : page->findChildren<QToolBar*>())
            if (QWidget* w = bar->widgetForAction(action); w && w->isVisible()) return true;
        return false;
    }

    static QStringList CategoryLabels(QChart* chart) {
        for (QAbstractAxis* axis : chart->axes(Qt::Horizontal))
            if (auto* c = qobject_cast<QCategoryAxis*>(axis)) return c->categoriesLabels();
        return {};
    }

private slots:
    void everyTabAndTheMainButtonsFitASmallScreen() {
        for (const QSize screen : {QSize(1366, 768), QSize(1600, 1000)}) {
            auto s = Start(TMainWindow::FirstStartSize(QRect(QPoint(0, 0), screen)));
            QVERIFY(s->Window.width() <= screen.width() && s->Window.height() <= screen.height());
            Show(*s, s->Part<TStatsPage>());
            test::Snapshot(s->Window,
                           qPrintable(QString("statistics-%1x%2.png").arg(screen.width()).arg(screen.height())));
            QTabBar* bar = MainTabs(*s)->tabBar();
            for (int i = 0; i < bar->count(); ++i)
                if (bar->isTabVisible(i)) QVERIFY2(bar->tabRect(i).right() < bar->width(), qPrintable(bar->tabText(i)));
            Show(*s, s->Part<TCombsPage>());
            test::Snapshot(s->Window,
                           qPrintable(QString("combinations-%1x%2.png").arg(screen.width()).arg(screen.height())));
            QVERIFY(OnToolBar(s->Part<TCombsPage>(), s->Window.ActionByName("CombsUndo")));
            Show(*s, s->Part<TDrawsPage>());
            for (const char* name : {"StatFilter_Include", "StatFilter_Exclude"})
                QVERIFY2(OnToolBar(s->Part<TStatsPage>(), s->Window.ActionByName(name)), name);
            VerifyColumnsWhole(s->Part<TStatsPage>()->View());
            VerifyColumnsWhole(s->Part<TDrawsPage>()->View());
        }
    }

    void stakesShowTheirNumbersWholeAndStoredWidthsWin() {
        auto s = Start({1366, 730});
        // Checked stakes with long numbers, a sample size and a loss, made by a test of two tables.
        TTablesController& tables = s->App->Tables();
        TRegularTable a;
        a.Comment = "Регулярная ставка с длинным комментарием";
        a.StartComb = a.CurrentComb = TComb{{1, 2, 3, 4, 5, 6}};
        a.Step = 7;
        tables.AppendTable(a);
        tables.SetSelection({0});
        QCOMPARE(tables.TablesStakeTest(20), 20);
        Show(*s, s->Part<TStakesPage>());
        QTableView* stakes = s->Part<TStakesPage>()->View();
        QVERIFY(stakes->model()->rowCount() >= 20);
        VerifyColumnsWhole(stakes);
        test::Snapshot(s->Window, "stakes.png");
        // A width the user set stays, here and at the next start.
        stakes->setColumnWidth(1, 33);
        s->App->Archive().SetDrawsOffset(1);
        QCoreApplication::processEvents();
        QCOMPARE(stakes->columnWidth(1), 33);
        s->App->Shutdown();
        TIniFile frm(s->Dir.filePath("Zorb_6x52.frm").toStdString());
        frm.Load();
        QCOMPARE(frm.ReadInteger("TFormMain", "sgStakes.Column1", -1), 33);
        QVERIFY(!frm.ValueExists("TFormMain", "sgStakes.Column2")); // still following its contents
        s->Window.hide();
    }

    void offsetIsInSightAndTheStakeDialogNamesItsDraw() {
        auto s = Start({1366, 730}, 300);
        QLabel* offset = s->Part<TDrawsPage>()->OffsetPanel();
        QVERIFY(offset->isHidden());
        s->App->Archive().SetDrawsOffset(24);
        QVERIFY(offset->isVisible());
        QCOMPARE(offset->text(), QString("Смещение назад: 24"));
        QString caption;
        test::WhenModalOf<TStakeDialog>([&](TStakeDialog& dlg) {
            caption = dlg.windowTitle();
            test::Snapshot(dlg, "stake-dialog.png");
            dlg.reject();
        });
        QVERIFY(s->App->Execute("StakeAdd"));
        QCOMPARE(caption, QString("Добавление ставки на тираж 277"));
        test::Snapshot(s->Window, "offset.png");
        s->App->Archive().SetDrawsOffset(0);
        QVERIFY(offset->isHidden());
    }

    void chartsNameTheirValuesAndEndAtTheData() {
        auto s = Start({1600, 960}, 300);
        // Statistics: the x axis carries the values' captions, first value first, none repeated.
        Show(*s, s->Part<TStatsPage>());
        QChart* stat = s->Part<TStatsPage>()->Chart()->chart();
        const QStringList values = CategoryLabels(stat);
        QVERIFY(values.size() >= 2);
        const TStatChart& data = s->App->Statistics().StatTable().Chart;
        const auto& named = data.Total.empty() ? data.Actual : data.Total;
        QCOMPARE(values.front(), QString::fromStdString(named.front().Label));
        QCOMPARE(QSet<QString>(values.begin(), values.end()).size(), values.size());

        // Graphs: the x axis runs from the first to the last draw shown, labels only where they fit.
        TGraphsPage* graphs = s->Part<TGraphsPage>();
        s->App->Views().SetGraphMethod(s->App->Statistics().GraphTypeItems().front());
        QVERIFY(s->App->Execute("DrawsGraphDraw"));
        Show(*s, graphs);
        QChart* graph = graphs->Chart()->chart();
        auto* x = qobject_cast<QValueAxis*>(graph->axes(Qt::Horizontal).value(0));
        QVERIFY(x);
        QCOMPARE(x->min(), 201.0);
        QCOMPARE(x->max(), 300.0);
        auto* main = qobject_cast<QXYSeries*>(graph->series().value(0));
        QVERIFY(main && main->count() == 100);
        const int shown = VisiblePointLabels(main);
        QVERIFY2(shown > 5 && shown < 100, qPrintable(QString::number(shown)));
        test::Snapshot(s->Window, "graphs.png");

        // Sums: the ranges the window exists to show are in its legend whole.
        test::WhenModalOf<TChartDialog>([](TChartDialog& dlg) {
            const QString legend = dlg.Legend()->text();
            for (const char* range : {"Диапазон 1 (от 1/3 и выше по оси Y) - суммы", "Диапазон 2", "Диапазон 3"})
                QVERIFY2(legend.contains(range), range);
            auto* labelled = qobject_cast<QXYSeries*>(dlg.View()->chart()->series().value(0));
            QVERIFY(labelled && VisiblePointLabels(labelled) < labelled->count());
            test::Snapshot(dlg, "sums.png");
            dlg.reject();
        });
        QVERIFY(s->App->Execute("TotalSumCombs"));
    }

    void weekChartStartsOnADayWithDrawsAndFollowsTheChosenColumn() {
        auto s = Start({1600, 960}, 300);
        TGridPage* week = s->Part<TViewsHost>()->GridPage(TViewKind::Week);
        Show(*s, week);
        auto* chart = week->findChild<QChartView*>()->chart();
        // The sample draws on Wednesdays and Saturdays: the chart starts on one of them, not on an empty Monday.
        auto* bars = qobject_cast<QBarSeries*>(chart->series().value(0));
        QVERIFY(bars);
        double total = 0;
        for (int i = 0; i < bars->barSets().front()->count(); ++i) total += bars->barSets().front()->at(i);
        QVERIFY(total > 0);
        auto* y = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
        QVERIFY(y && y->tickInterval() >= 1);

        // The chart's toggles are check boxes; the day mode draws the column the user chose.
        auto* dayMode = week->findChild<QCheckBox*>("ViewWeekChartModeBox");
        QVERIFY(dayMode && week->findChild<QCheckBox*>("ViewWeekChartTypeBox"));
        QTableView* grid = week->Grid();
        grid->setCurrentIndex(grid->model()->index(2, 17));
        dayMode->click();
        QVERIFY(dayMode->isChecked());
        chart = week->findChild<QChartView*>()->chart();
        bars = qobject_cast<QBarSeries*>(chart->series().value(0));
        QVERIFY(bars);
        const auto expected = s->App->Views().WeekChart(3, 17);
        QCOMPARE(bars->barSets().front()->count(), int(expected.size()));
        for (int i = 0; i < int(expected.size()); ++i) QCOMPARE(bars->barSets().front()->at(i), expected[size_t(i)].Y);
        QCOMPARE(CategoryLabels(chart).size(), 7);
        test::Snapshot(s->Window, "week.png");
        dayMode->click();
        QVERIFY(!dayMode->isChecked());
    }

    void layoutRefreshButtonsSayWhatTheyRefresh() {
        auto s = Start({1600, 960}, 300);
        TGridPage* layout = s->Part<TViewsHost>()->GridPage(TViewKind::Layout);
        QStringList texts;
        for (QToolBar* bar : layout->findChildren<QToolBar*>())
            for (QAction* a : bar->actions()) texts << a->iconText();
        QVERIFY(texts.contains("Обновить схему"));
        QVERIFY(texts.contains("Обновить списки"));
    }

    void qtsOwnButtonsSpeakTheInterfaceLanguage() {
        auto s = Start({1366, 730}, 30);
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QString("Отмена"));
    }

    void tablesAndScenarioAskForTheirTestCountsEachInItsOwnDialog() {
        auto s = Start({1366, 730}, 100);
        TRegularTable a;
        a.Comment = "Регуляр";
        a.StartComb = a.CurrentComb = TComb{{1, 2, 3, 4, 5, 6}};
        a.Step = 1;
        s->App->Tables().AppendTable(a);
        s->App->Tables().SetSelection({0});
        QString title, label;
        int maximum = 0, start = 0;
        test::WhenModalOf<QInputDialog>([&](QInputDialog& dlg) {
            title = dlg.windowTitle();
            label = dlg.labelText();
            maximum = dlg.intMaximum();
            start = dlg.intValue();
            dlg.setIntValue(4);
            dlg.accept();
        });
        QVERIFY(s->App->Execute("TablesStakeTest"));
        QCOMPARE(title, QString("Количество тестов"));
        QCOMPARE(label, QString("Укажите количество тестов:"));
        QCOMPARE(maximum, 99);
        QCOMPARE(start, 10);
        QCOMPARE(s->App->Tables().Tables()[0].StakeCount, 4);

        // The scenario's test reaches a dialog of the window too, not the tables' one.
        s->App->Scenarios().AddLine("FULL:0#ALL| | | | | | | |");
        bool asked = false;
        test::WhenModal([&](QWidget* w) {
            asked = true;
            w->close();
        });
        QVERIFY(s->App->Execute("ScriptTest"));
        QVERIFY(asked);
        QCOMPARE(s->App->Tables().Tables()[0].StakeCount, 4);
    }
};

QTEST_MAIN(TestFirstHour)
#include "TestFirstHour.moc"

// The draw view tabs, the ratings and the regular tables in the main window on sample data, with pictures of
// each tab when ZORB_SCREENSHOTS names a folder.
#include "UiTestSupport.h"
#include "app/FormMain.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "tools/SampleArchive.h"
#include "ui/ChartDialog.h"
#include "ui/MainWindow.h"
#include "ui/RatingsPage.h"
#include "ui/ScenarioPage.h"
#include "ui/TablesPage.h"
#include "ui/VerdictDialog.h"
#include "ui/ViewsPage.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QHeaderView>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace zorb;

class TestViewPages : public QObject {
    Q_OBJECT

    using TStarted = test::TStarted;

    // The window's tabs, where the views stand.
    static QTabWidget* Tabs(TStarted& s) { return TStarted::TabsOf(s.Part<TGraphsPage>()); }

    static std::unique_ptr<TStarted> Start(int draws) {
        auto s = test::StartMain(MakeSampleArchive(draws),
                                 {{{"TFormMain", "ColorCard", "1"}, {"TFormMain", "ColorCardSequences", "1"}},
                                  test::MyNumbers("1;2;3;4;5;6;7;8;9;10"),
                                  {}});
        s->Window.resize(1400, 900);
        s->Window.show();
        QCoreApplication::processEvents();
        return s;
    }

    static void ShowTab(TStarted& s, QWidget* page) {
        Tabs(s)->setCurrentWidget(page);
        QCoreApplication::processEvents();
    }

    // Runs `check` on the modal window named `name` once it is open, then closes it.
    static void OnModal(const QString& name, std::function<void(QDialog&)> check) {
        test::WhenModal([name](QWidget* w) { return qobject_cast<QDialog*>(w) && w->objectName() == name; },
                        [check](QWidget* w) {
                            auto* dlg = qobject_cast<QDialog*>(w);
                            check(*dlg);
                            dlg->reject();
                        });
    }

private slots:
    void tabsStandInTheWindowsOrderAndShowTheirViews() {
        auto s = Start(300);
        QStringList titles;
        for (int i = 0; i < Tabs(*s)->count(); ++i)
            if (Tabs(*s)->isTabVisible(i)) titles << Tabs(*s)->tabText(i);
        const QStringList expected{"Статистика", "Графики", "Карта",   "Схема",
                                   "Неделя",     "Ставки",  "Рейтинг", "Регуляры"};
        QCOMPARE(titles.mid(0, expected.size()), expected);
        QVERIFY(titles.contains("Сценарий"));

        // Ratings and tables with something in them: two tables tested over five past draws.
        TTablesController& tables = s->App->Tables();
        TRegularTable a, b;
        a.Comment = "Регуляр A";
        a.StartComb = a.CurrentComb = TComb{{1, 2, 3, 4, 5, 6}};
        a.Step = 10;
        b.Comment = "Регуляр B";
        b.UseLastDraw = true;
        b.Step = -1;
        tables.AppendTable(a);
        tables.AppendTable(b);
        tables.SetSelection({0, 1});
        QCOMPARE(tables.TablesStakeTest(5), 10);
        QCOMPARE(s->Part<TRatingsPage>()->View()->model()->rowCount(), 2);
        QCOMPARE(s->Part<TTablesPage>()->View()->model()->rowCount(), 2);

        const auto& methods = s->App->Statistics().GraphTypeItems();
        QVERIFY(!methods.empty());
        s->App->Views().SetGraphMethod(methods.front());
        QVERIFY(s->App->Execute("DrawsGraphDraw"));
        QCOMPARE(int(s->App->Views().Graph().DrawNumbers.size()), 100);
        ShowTab(*s, s->Part<TGraphsPage>());
        test::Snapshot(s->Window, "views-graphs.png");

        TGridPage* card = s->Part<TViewsHost>()->GridPage(TViewKind::Card);
        ShowTab(*s, card);
        QCOMPARE(card->Grid()->model()->rowCount(), 300);
        QCOMPARE(card->Grid()->model()->columnCount(), 53);
        // A selected cell takes the selection colour over its channel colour.
        QTableView* grid = card->Grid();
        grid->setCurrentIndex(grid->model()->index(2, 5));
        grid->selectionModel()->select(grid->model()->index(2, 5), QItemSelectionModel::ClearAndSelect);
        QCoreApplication::processEvents();
        const QRect cell = grid->visualRect(grid->model()->index(2, 5));
        const QImage picture = grid->viewport()->grab().toImage();
        QCOMPARE(picture.pixelColor(cell.left() + 2, cell.center().y()).rgb(),
                 grid->palette().color(QPalette::Active, QPalette::Highlight).rgb());
        QVERIFY(s->Window.ActionByName("CardFilter_Include")->isEnabled());
        test::Snapshot(s->Window, "views-card.png");

        s->App->Archive().SetDrawsOffset(1);
        TGridPage* layout = s->Part<TViewsHost>()->GridPage(TViewKind::Layout);
        ShowTab(*s, layout);
        QVERIFY(layout->Grid()->model()->rowCount() > 0);
        test::Snapshot(s->Window, "views-layout.png");

        TGridPage* week = s->Part<TViewsHost>()->GridPage(TViewKind::Week);
        ShowTab(*s, week);
        QCOMPARE(week->Grid()->model()->rowCount(), 7);
        week->Grid()->setCurrentIndex(week->Grid()->model()->index(2, 7));
        test::Snapshot(s->Window, "views-week.png");

        ShowTab(*s, s->Part<TRatingsPage>());
        test::Snapshot(s->Window, "views-ratings.png");
        QTableView* ratings = s->Part<TRatingsPage>()->View();
        ratings->scrollTo(ratings->model()->index(0, RatingPValueColumn));
        test::Snapshot(s->Window, "views-ratings-random.png");
        ShowTab(*s, s->Part<TTablesPage>());
        test::Snapshot(s->Window, "views-tables.png");

        // "Добавить в сценарий" brings the scenario tab forward.
        s->Part<TRatingsPage>()->ShowScenarioTab();
        QVERIFY(qobject_cast<TScenarioPage*>(Tabs(*s)->currentWidget()));
        s->Window.hide();
    }

    // After «Тест» the verdict stays open beside the window; the ratings show random play right after the
    // comment, every header says what it is, and the user's choice and order of columns outlive a restart.
    void verdictAfterATestAndTheRatingsColumns() {
        auto s = Start(300);
        s->App->Scenarios().AddLine("FULL:0#FIRST| | | | | | | |Первая");
        s->App->Scenarios().AddLine("FULL:0#LAST| | | | | | | |Последняя");
        test::WhenModalOf<TTestCountDialog>([](TTestCountDialog& dlg) {
            QCOMPARE(dlg.HoldoutField()->value(), 0); // none unless asked for
            dlg.CountField()->setValue(5);
            QCOMPARE(dlg.HoldoutField()->maximum(), 4); // one offset at least stays to choose on
            dlg.CountField()->setValue(30);
            dlg.HoldoutField()->setValue(10);
            test::Snapshot(dlg, "verdict-count.png", test::TSnapshotSize::Fit);
            dlg.accept();
        });
        QVERIFY(s->App->Execute("ScriptTest"));
        TVerdictDialog* verdict = s->Part<TRatingsPage>()->TestSummaryWindow();
        QVERIFY(verdict);
        QVERIFY(verdict->isVisible());
        QVERIFY(!verdict->isModal());
        QCOMPARE(verdict->Summary()->rowCount(), 2);
        QCOMPARE(verdict->Summary()->item(0, 1)->text(), QString("30"));
        QVERIFY(verdict->HeldOut());
        QCOMPARE(verdict->HeldOut()->rowCount(), 2);
        QCOMPARE(verdict->HeldOut()->item(1, 1)->text(), QString("10"));
        QApplication::clipboard()->clear();
        test::Press(verdict, "Копировать");
        QCOMPARE(QApplication::clipboard()->text(), verdict->Text());
        QVERIFY(verdict->Text().contains("Проверка на последних 10 смещениях"));
        test::Snapshot(*verdict, "verdict.png");

        ShowTab(*s, s->Part<TRatingsPage>());
        TRatingsPage* page = s->Part<TRatingsPage>();
        QTableView* view = page->View();
        QCOMPARE(view->model()->rowCount(), 2);
        const std::vector<int> first{0, RatingExpectedMatchesColumn, RatingExpectedProfitColumn, RatingPValueColumn,
                                     RatingCorrectedPValueColumn};
        QVERIFY(std::equal(first.begin(), first.end(), page->ShownColumns().begin()));
        // On screen without scrolling.
        QVERIFY(view->columnViewportPosition(RatingCorrectedPValueColumn) +
                    view->columnWidth(RatingCorrectedPValueColumn) <=
                view->viewport()->width());
        for (int c = 0; c < RatingColumnCount; ++c)
            QVERIFY2(!view->model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString().isEmpty(),
                     qPrintable(QString::number(c)));
        QVERIFY(view->model()
                    ->headerData(RatingEColumn, Qt::Horizontal, Qt::ToolTipRole)
                    .toString()
                    .contains("минус доля"));
        test::Snapshot(s->Window, "ratings-verdict-columns.png");

        // The luck of an entry between the band of random play, from the ratings' own menu.
        view->selectRow(0);
        QCoreApplication::processEvents();
        test::WhenModalOf<TChartDialog>([](TChartDialog& dlg) {
            QCOMPARE(dlg.windowTitle(), QString("График везения"));
            QCOMPARE(dlg.View()->chart()->series().size(), 3);
            test::Snapshot(dlg, "ratings-luck.png");
            dlg.reject();
        });
        QVERIFY(s->App->Execute("RatingsGraphLuck"));

        QHeaderView* header = view->horizontalHeader();
        header->setSectionHidden(4, true);
        header->moveSection(header->visualIndex(1), 1);
        const std::vector<int> chosen = page->ShownColumns();
        QCOMPARE(chosen[1], 1);
        QVERIFY(std::find(chosen.begin(), chosen.end(), 4) == chosen.end());
        s->App->Shutdown();
        TIniFile frm(s->Dir.filePath("Zorb_6x52.frm").toStdString());
        frm.Load();
        const std::string order = frm.ReadString("TFormMain", "lvRatings.Order", "");
        const std::string hidden = frm.ReadString("TFormMain", "lvRatings.Hidden", "");
        QCOMPARE(hidden, std::string("4"));
        s->Window.hide();
        verdict->close();

        auto again = test::StartMain(
            MakeSampleArchive(50),
            {{{"TFormMain", "lvRatings.Order", order}, {"TFormMain", "lvRatings.Hidden", hidden}}, {}, {}});
        QCOMPARE(again->Part<TRatingsPage>()->ShownColumns(), chosen);
    }

    void informationAndRepeatsWindows() {
        auto s = Start(120);
        s->App->Archive().SetDrawsSelection({0});
        OnModal("TFormDrawInfo", [](QDialog& dlg) {
            auto* info = qobject_cast<TInfoDialog*>(&dlg);
            QVERIFY(info);
            QCOMPARE(info->Properties()->item(0, 0)->text(), QString("Номер тиража:"));
            QCOMPARE(info->Properties()->item(0, 1)->text(), QString("120"));
            QVERIFY(info->Properties()->rowCount() > 10);
            info->Columns()->setValue(10);
            QCOMPARE(info->Matrix()->rowCount(), 6);
            int shown = 0;
            for (int r = 0; r < 6; ++r)
                for (int c = 0; c < 10; ++c) shown += !info->Matrix()->item(r, c)->text().isEmpty();
            QCOMPARE(shown, 6);
            info->Columns()->setValue(7);
            test::Snapshot(dlg, "views-info.png");
        });
        QVERIFY(s->App->Execute("DrawsInfo"));

        OnModal("TFormRepeats", [](QDialog& dlg) {
            auto* table = dlg.findChild<QTableWidget*>("sgRepeats");
            QVERIFY(table);
            QVERIFY(table->rowCount() > 0);
            QCOMPARE(table->item(0, 0)->text(), QString("120"));
            test::Snapshot(dlg, "views-repeats.png");
        });
        QVERIFY(s->App->Execute("AnalyzeRepeats"));
    }
};

QTEST_MAIN(TestViewPages)
#include "TestViewPages.moc"

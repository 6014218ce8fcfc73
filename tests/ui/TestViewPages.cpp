// The draw view tabs, the ratings and the regular tables in the main window on sample data, with pictures of
// each tab when ZORB_SCREENSHOTS names a folder.
#include "app/FormMain.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "tools/SampleArchive.h"
#include "ui/MainWindow.h"
#include "ui/ScenarioPage.h"
#include "ui/ViewPages.h"

#include <QApplication>
#include <QChartView>
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

    static void Snapshot(QWidget& w, const char* name) {
        const QByteArray dir = qgetenv("ZORB_SCREENSHOTS");
        if (dir.isEmpty()) return;
        QCoreApplication::processEvents();
        w.grab().save(QString::fromUtf8(dir) + "/" + name);
    }

    struct TStarted {
        QTemporaryDir Dir;
        TMainWindow Window;
        std::unique_ptr<TFormMain> App;
        QTabWidget* Tabs = nullptr;
    };

    static std::unique_ptr<TStarted> Start(int draws) {
        auto s = std::make_unique<TStarted>();
        const std::string dir = s->Dir.path().toStdString();
        SaveDrawsFile(JoinPath(dir, "Zorb_6x52.ldr"), MakeSampleArchive(draws));
        {
            TIniFile frm(JoinPath(dir, "Zorb_6x52.frm"));
            frm.WriteInteger("TFormMain", "DownloadDrawsOnStart", 2);
            frm.WriteString("TFormMain", "ColorCard", "1");
            frm.WriteString("TFormMain", "ColorCardSequences", "1");
            frm.Save();
            TIniFile ini(JoinPath(dir, "Zorb_6x52.ini"));
            ini.WriteInteger("GLOBAL", "CombsGenerateMode", 2);
            ini.WriteString("GLOBAL", "CombsGenerateParameters", "1;2;3;4;5;6;7;8;9;10");
            ini.Save();
        }
        s->App = std::make_unique<TFormMain>(s->Window, TAppOptions{dir, dir, "zorb-ui-test-none", {}});
        s->Window.Attach(s->App.get());
        s->App->Create();
        s->App->OnInitTimer();
        s->Tabs = qobject_cast<QTabWidget*>(s->Window.GraphsPage()->parentWidget()->parentWidget());
        s->Window.resize(1400, 900);
        s->Window.show();
        QCoreApplication::processEvents();
        return s;
    }

    static void ShowTab(TStarted& s, QWidget* page) {
        s.Tabs->setCurrentWidget(page);
        QCoreApplication::processEvents();
    }

    // Runs `check` on the modal window named `name` once it is open, then closes it; windows opened on the way
    // (the progress window) are waited out.
    static void OnModal(const QString& name, std::function<void(QDialog&)> check) {
        QTimer::singleShot(50, [name, check] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dlg || dlg->objectName() != name) return OnModal(name, check);
            check(*dlg);
            dlg->reject();
        });
    }

private slots:
    void tabsStandInTheWindowsOrderAndShowTheirViews() {
        auto s = Start(300);
        QStringList titles;
        for (int i = 0; i < s->Tabs->count(); ++i)
            if (s->Tabs->isTabVisible(i)) titles << s->Tabs->tabText(i);
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
        QCOMPARE(s->Window.RatingsPage()->View()->model()->rowCount(), 2);
        QCOMPARE(s->Window.TablesPage()->View()->model()->rowCount(), 2);

        const auto& methods = s->App->Statistics().GraphTypeItems();
        QVERIFY(!methods.empty());
        s->App->Views().SetGraphMethod(methods.front());
        QVERIFY(s->App->Execute("DrawsGraphDraw"));
        QCOMPARE(int(s->App->Views().Graph().DrawNumbers.size()), 100);
        ShowTab(*s, s->Window.GraphsPage());
        Snapshot(s->Window, "views-graphs.png");

        TGridPage* card = s->Window.GridPage(TViewKind::Card);
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
        Snapshot(s->Window, "views-card.png");

        s->App->Archive().SetDrawsOffset(1);
        TGridPage* layout = s->Window.GridPage(TViewKind::Layout);
        ShowTab(*s, layout);
        QVERIFY(layout->Grid()->model()->rowCount() > 0);
        Snapshot(s->Window, "views-layout.png");

        TGridPage* week = s->Window.GridPage(TViewKind::Week);
        ShowTab(*s, week);
        QCOMPARE(week->Grid()->model()->rowCount(), 7);
        week->Grid()->setCurrentIndex(week->Grid()->model()->index(2, 7));
        Snapshot(s->Window, "views-week.png");

        ShowTab(*s, s->Window.RatingsPage());
        Snapshot(s->Window, "views-ratings.png");
        QTableView* ratings = s->Window.RatingsPage()->View();
        ratings->scrollTo(ratings->model()->index(0, RatingPValueColumn));
        Snapshot(s->Window, "views-ratings-random.png");
        ShowTab(*s, s->Window.TablesPage());
        Snapshot(s->Window, "views-tables.png");

        // "Добавить в сценарий" brings the scenario tab forward.
        s->Window.ShowScenarioTab();
        QVERIFY(qobject_cast<TScenarioPage*>(s->Tabs->currentWidget()));
        s->Window.hide();
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
            Snapshot(dlg, "views-info.png");
        });
        QVERIFY(s->App->Execute("DrawsInfo"));

        OnModal("TFormRepeats", [](QDialog& dlg) {
            auto* table = dlg.findChild<QTableWidget*>("sgRepeats");
            QVERIFY(table);
            QVERIFY(table->rowCount() > 0);
            QCOMPARE(table->item(0, 0)->text(), QString("120"));
            Snapshot(dlg, "views-repeats.png");
        });
        QVERIFY(s->App->Execute("AnalyzeRepeats"));
    }
};

QTEST_MAIN(TestViewPages)
#include "TestViewPages.moc"

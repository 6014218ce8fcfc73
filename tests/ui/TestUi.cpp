// The Qt side: the draw model under Qt's own model checker, the draw dialog's rules, and the main window
// wired to the application on a real data directory.
#include "UiTestSupport.h"
#include "app/FormMain.h"
#include "combos/FilterItem.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "tools/SampleArchive.h"
#include "ui/CombsPage.h"
#include "ui/DrawDialogs.h"
#include "ui/DrawsPage.h"
#include "ui/FilterDialogs.h"
#include "ui/MainWindow.h"
#include "ui/SettingsDialogs.h"
#include "ui/StakesPage.h"
#include "ui/StatsPage.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <set>

using namespace zorb;

class TestUi : public QObject {
    Q_OBJECT

    // The object inside the window that answers a subsystem's interface, if any; the window itself does not count.
    template <class TUi> static const QObject* OwnPart(TMainWindow& window) {
        const auto* part = dynamic_cast<const QObject*>(UiOf<TUi>(window));
        if (!part || part == &window) return nullptr;
        for (const QObject* o = part->parent(); o; o = o->parent())
            if (o == &window) return part;
        return nullptr;
    }

    static std::unique_ptr<test::TStarted> Start(const TDrawsArray& draws, const std::string& myNumbers = "",
                                                 const std::vector<std::pair<std::string, std::string>>& frmKeys = {}) {
        test::TStartFiles files;
        for (const auto& [key, value] : frmKeys) files.Frm.push_back({"TFormMain", key, value});
        if (!myNumbers.empty()) files.Ini = test::MyNumbers(myNumbers);
        return test::StartMain(draws, files);
    }

private slots:
    void modelPassesTheModelTester() {
        auto s = Start(MakeSampleArchive(300));
        auto* model = s->Part<TDrawsPage>()->View()->model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->rowCount(), 300);
        QCOMPARE(model->columnCount(), 9);
        s->Part<TDrawsPage>()->View()->selectRow(4);
        s->App->Archive().SetDrawsOffset(5);
        QVERIFY(s->App->Execute("DrawsSorted"));
        s->App->Archive().SaveArchive(); // a forced refresh resets the model
        QCOMPARE(model->rowCount(), 300);
        QVERIFY(s->App->Archive().DrawsSelection().empty());
    }

    void combsModelPassesTheModelTesterAndFollowsFilters() {
        auto s = Start(MakeSampleArchive(50), "1;2;3;4;5;6;7;8;9;10");
        auto* model = s->Part<TCombsPage>()->View()->model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->rowCount(), 210);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("№ п.п."));
        s->Part<TCombsPage>()->View()->selectRow(3);
        QCOMPARE(s->App->Combinations().CombsSelectedCount(), size_t(1));
        s->App->Combinations().MakeUndo(true);
        s->App->Combinations().FilterByNumbers("Карта", {7}, false);
        QCOMPARE(model->rowCount(), 126); // C(9,5)
        QCOMPARE(s->Part<TCombsPage>()->FiltersView()->rowCount(), 1);
        QCOMPARE(s->Part<TCombsPage>()->FiltersView()->item(0, 2)->text(), QString("126"));
        QCOMPARE(s->Window.PanelText(3), QString("Комбинаций: 126"));
        QVERIFY(s->Window.ActionByName("CombsUndo")->isEnabled());
        s->Window.ActionByName("CombsUndo")->trigger();
        QCOMPARE(model->rowCount(), 210);
        QCOMPARE(s->Part<TCombsPage>()->FiltersView()->rowCount(), 0);
    }

    void fullSetIsShownAndSelectedWhole() {
        auto s = Start(MakeSampleArchive(50));
        auto* model = s->Part<TCombsPage>()->View()->model();
        QCOMPARE(model->rowCount(), int(FullCombsCount));
        QCOMPARE(model->data(model->index(FullCombsCount - 1, 0)).toString(), QString("20358520"));
        QCOMPARE(model->data(model->index(FullCombsCount - 1, 7)).toString(), QString("297"));
        // Selecting everything must not walk 20 million rows one by one.
        s->Window.ActionByName("CombsSelectAll")->trigger();
        QCOMPARE(s->App->Combinations().CombsSelectedCount(), size_t(FullCombsCount));
    }

    void newestDrawComesFirstWithColours() {
        auto s = Start(MakeSampleArchive(100));
        auto* model = s->Part<TDrawsPage>()->View()->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("Тираж"));
        QCOMPARE(model->headerData(8, Qt::Horizontal).toString(), QString("Дата тиража"));
        QCOMPARE(model->data(model->index(0, 0)).toString(), QString("100"));
        QCOMPARE(model->data(model->index(99, 0)).toString(), QString("1"));
        // Row of the offset: its plain cells take the highlight; number cells their channel colour.
        QCOMPARE(model->data(model->index(0, 0), Qt::BackgroundRole).value<QBrush>().color(), QColor(0xFFAAAA));
        QCOMPARE(model->data(model->index(1, 0), Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::white));
        int n = model->data(model->index(1, 1)).toInt();
        QCOMPARE(model->data(model->index(1, 1), Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(static_cast<QRgb>(ChannelColor(n, 4))));
        QCOMPARE(s->Window.PanelText(0), QString("Архив тиражей: 100"));
        QCOMPARE(s->Window.PanelText(1), QString("Следующий тираж: 101"));
        QCOMPARE(s->Window.PanelText(2), QString());
    }

    void offsetFieldMovesTheHighlightAndPanels() {
        auto s = Start(MakeSampleArchive(100));
        s->Part<TDrawsPage>()->OffsetEdit()->setValue(3);
        QCOMPARE(s->App->Archive().DrawsOffset(), 3);
        QCOMPARE(s->Part<TDrawsPage>()->OffsetEdit()->maximum(), 99);
        QCOMPARE(s->Window.PanelText(1), QString("Следующий тираж: 98"));
        QCOMPARE(s->Window.PanelText(2), QString::fromStdString(HiddenDrawText(s->App->Archive().Draws(), 3)));
        auto* model = s->Part<TDrawsPage>()->View()->model();
        QCOMPARE(model->data(model->index(3, 0), Qt::BackgroundRole).value<QBrush>().color(), QColor(0xFFAAAA));
    }

    void selectionDrivesEditAndDeleteActions() {
        auto s = Start(MakeSampleArchive(10));
        QAction* edit = s->Window.ActionByName("DrawsEdit");
        QAction* del = s->Window.ActionByName("DrawsDel");
        QVERIFY(edit && del);
        QVERIFY(!edit->isEnabled());
        s->Part<TDrawsPage>()->View()->selectRow(2);
        QVERIFY(edit->isEnabled());
        QVERIFY(del->isEnabled());
        QCOMPARE(s->App->Archive().DrawsSelection(), std::vector<int>{2});
        QVERIFY(s->Window.ActionByName("DrawsAdd")->isEnabled());
    }

    void drawDialogRejectsAndAcceptsAsTheGameRequires() {
        TDrawRec rec{};
        rec.Draw = 2155;
        TDrawDialog dlg(rec);
        QCOMPARE(dlg.NumberEdit()->value(), 2155);
        QVERIFY(dlg.NumbersEdit()->text().isEmpty());
        std::string error;
        TDrawRec out{};
        for (const char* bad : {"1;2;3;4;5;5", "1;2;3;4;5;53", "1;2;3;4;5", "1;2;3;4;5;x"}) {
            dlg.NumbersEdit()->setText(bad);
            QVERIFY2(!dlg.TryAccept(out, error), bad);
            QCOMPARE(QString::fromStdString(error), QString("Введена некорректная комбинация!"));
        }
        dlg.NumbersEdit()->setText("52,1;7,3,20,9");
        QVERIFY(dlg.TryAccept(out, error));
        const uint8_t expected[6] = {52, 1, 7, 3, 20, 9};
        QVERIFY(std::equal(out.Numbers, out.Numbers + 6, expected));
        QCOMPARE(out.Draw, 2155);
        QCOMPARE(out.Date().size(), size_t(10));
    }

    void configDialogReshapesAndValidatesSegments() {
        TConfigData config;
        config.MatrixSegments[9] = 4; // number 10
        TConfigDialog dlg(config);
        QStringList errors;
        dlg.ShowError = [&](const QString& text) { errors << text; };
        QTableWidget* grid = dlg.SegmentGrid();
        QCOMPARE(grid->columnCount(), 7);
        QCOMPARE(grid->rowCount(), 8);
        QCOMPARE(grid->item(1, 2)->text(), QString("4"));          // 10 = 1 + 2 + 1 * 7
        QVERIFY(!(grid->item(7, 3)->flags() & Qt::ItemIsEnabled)); // 53 does not exist
        dlg.MatrixCols()->setValue(10);
        QCOMPARE(grid->columnCount(), 10);
        QCOMPARE(grid->rowCount(), 6);
        QCOMPARE(grid->item(0, 9)->text(), QString("4")); // the digit moves with its number
        grid->item(2, 0)->setText("0");                   // number 21
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.front(), QString("Некорректное значение: 0!\n\nУкажите любое число от 1 до 9"));
        QCOMPARE(grid->item(2, 0)->text(), QString("1"));
        grid->item(2, 1)->setText("7");
        grid->item(2, 2)->setText("");
        QCOMPARE(errors.size(), 1);
        dlg.PrizeTable()->item(3, 1)->setText("12,5");
        dlg.ChannelSize()->setValue(5);
        const TConfigData r = dlg.Result();
        QCOMPARE(r.MatrixCols, 10);
        QCOMPARE(r.ChannelSize, 5);
        QCOMPARE(int(r.MatrixSegments[9]), 4);
        QCOMPARE(int(r.MatrixSegments[20]), 1);
        QCOMPARE(int(r.MatrixSegments[21]), 7);
        QCOMPARE(int(r.MatrixSegments[22]), 1); // an empty cell counts as 1
        QCOMPARE(r.Profits.size(), size_t(7));
        QCOMPARE(r.Profits[3].Profit, Currency(125000));
    }

    void frmSizesOutOfTheScreensReachFallBackAndAllAreWrittenBack() {
        QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const QRect area = screen->availableGeometry();
        const std::string dpi = std::to_string(qRound(screen->logicalDotsPerInchY()));
        auto fresh = Start(MakeSampleArchive(50), "1;2;3;4;5;6;7");
        auto s = Start(MakeSampleArchive(50), "1;2;3;4;5;6;7",
                       {{"PixelsPerInch", dpi},
                        {"NormPos", "-900,-20,100,500"}, // the title bar above the screen
                        {"lvDrawsStat.Column1", std::to_string(area.width() + 1)},
                        {"sgStakes.Column1", "-5"},
                        {"lvCombs.Column0", "12abc"},
                        {"DrawsStatLen", "0"}});
        QCOMPARE(s->Window.geometry(), fresh->Window.geometry());
        QCOMPARE(s->Part<TStatsPage>()->View()->columnWidth(1), fresh->Part<TStatsPage>()->View()->columnWidth(1));
        QCOMPARE(s->Part<TStakesPage>()->View()->columnWidth(1), fresh->Part<TStakesPage>()->View()->columnWidth(1));
        QCOMPARE(s->Part<TCombsPage>()->View()->columnWidth(0), fresh->Part<TCombsPage>()->View()->columnWidth(0));
        QCOMPARE(s->Part<TStatsPage>()->LenEdit()->value(), 1000);
        // The statistics and stakes widths and the chart's height go back to the file with the others.
        s->Window.show();
        QCoreApplication::processEvents();
        s->Part<TStatsPage>()->View()->setColumnWidth(2, 123);
        s->Part<TStakesPage>()->View()->setColumnWidth(3, 77);
        s->App->Shutdown();
        TIniFile frm(s->Dir.filePath("Zorb_6x52.frm").toStdString());
        frm.Load();
        QCOMPARE(frm.ReadInteger("TFormMain", "lvDrawsStat.Column2", -1), 123);
        QCOMPARE(frm.ReadInteger("TFormMain", "sgStakes.Column3", -1), 77);
        QVERIFY(frm.ReadInteger("TFormMain", "DrawsStatHeight", -1) > 0);
        s->Window.hide();
    }

    void decimalFieldsTakeEitherPointAndNoGrouping() {
        // Under a locale whose decimal point is "." the comma would otherwise group thousands: "2,5" as 25.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        struct TCase {
            const char* Typed;
            Currency Cost;
        };
        for (const TCase& c :
             {TCase{"2,5", 25000}, TCase{"2.5", 25000}, TCase{"1 000", 10000000}, TCase{"1,000.5", 10000},
              TCase{"7e2", 720000}, TCase{"-3", 30000}, TCase{"12,345", 123400}}) {
            TConfigDialog dlg(TConfigData{});
            QDoubleSpinBox* cost = dlg.CostEdit();
            cost->selectAll();
            QTest::keyClicks(cost, c.Typed);
            cost->interpretText();
            QVERIFY2(dlg.Result().Cost == c.Cost, c.Typed);
        }
        // The prize cells take the same field rules; an over-long prize cannot be typed.
        TConfigDialog dlg(TConfigData{});
        QTableWidget* prizes = dlg.PrizeTable();
        auto* editor = qobject_cast<QLineEdit*>(
            prizes->itemDelegateForColumn(1)->createEditor(prizes->viewport(), {}, prizes->model()->index(2, 1)));
        QVERIFY(editor && editor->validator());
        QTest::keyClicks(editor, "1 0,5x,25");
        QCOMPARE(editor->text(), QString("10,525"));
        editor->setText("");
        QTest::keyClicks(editor, "99999999999999");
        QCOMPARE(editor->text(), QString("999999999999"));
        delete editor;
        QLocale::setDefault(before);
    }

    void filterDialogRefusesMultiSelectStoppingByCombinations() {
        auto s = Start(MakeSampleArchive(50), "1;2;3;4;5;6;7");
        TFilterDialogContext ctx;
        ctx.Methods = s->App->Statistics().StatTypeItems();
        for (int e : ctx.Methods) ctx.MethodNames.push_back(s->App->Stats().DisplayName(e, true));
        ctx.CurrentMethod = s->App->Statistics().StatTypeEntry();
        ctx.WindowLength = 1000;
        ctx.List = &s->App->Stats();
        TFilterItem item = ParseFilter("BMF6#SUMS:100,200#LMV:5#SC:3", s->App->Stats());
        TFilterDialog dlg(item, ctx);
        QStringList errors;
        dlg.ShowError = [&](const QString& text) { errors << text; };
        QCOMPARE(dlg.LengthsEdit()->text(), QString("100,200"));
        QVERIFY(dlg.MultiBox()->isChecked());
        QCOMPARE(dlg.StopBox()->currentIndex(), 1);
        QVERIFY(!dlg.OwnWeightsBox()->isEnabled());
        test::Snapshot(dlg, "filter-dialog.png", test::TSnapshotSize::Grow);
        QVERIFY(!dlg.TryAccept());
        QCOMPARE(errors.back(),
                 QString("В режиме мультивыделения остановка сценария по количеству комбинаций или чисел "
                         "не может быть выполнена!\nВыберите другой способ останова."));
        dlg.StopBox()->setCurrentIndex(4);
        QVERIFY(dlg.TryAccept());
        QCOMPARE(QString::fromStdString(FilterText(dlg.Result(), s->App->Stats())),
                 QString("BMF6#SUMS:100,200#LMV:5#ST:3"));
        dlg.LengthsEdit()->setText("0");
        QVERIFY(!dlg.TryAccept());
        QCOMPARE(errors.back(), QString("Введен некорректный диапазон значений!"));
        // The weight controls follow the mode and the box.
        dlg.ModeBox()->setCurrentIndex(19);
        QVERIFY(dlg.OwnWeightsBox()->isEnabled());
        QVERIFY(!dlg.WeightCountEdit()->isEnabled());
        dlg.OwnWeightsBox()->click();
        QVERIFY(dlg.WeightCountEdit()->isEnabled());
    }

    void favouritesDialogShowsGroupsAndMarks() {
        auto s = Start(MakeSampleArchive(50), "1;2;3;4;5;6;7");
        s->App->Stats().SetFavoritesText("NUMS,SUMS");
        TFavoritesEditor editor(s->App->Stats(), "");
        TFavoritesDialog dlg(editor, {});
        QCOMPARE(dlg.Tree()->topLevelItemCount(), static_cast<int>(editor.Tree().size())); // one item per method group
        QVERIFY(editor.Tree().size() >= 2);
        QCOMPARE(dlg.Tree()->topLevelItem(0)->text(0), QString("{ num } Числа тиража"));
        QCOMPARE(dlg.Tree()->topLevelItem(0)->child(0)->checkState(0), Qt::Checked);
        QCOMPARE(dlg.Tree()->topLevelItem(0)->child(1)->checkState(0), Qt::Unchecked);
        dlg.Tree()->topLevelItem(0)->child(1)->setCheckState(0, Qt::Checked);
        test::Snapshot(dlg, "favourites-dialog.png", test::TSnapshotSize::Grow);
        dlg.accept();
        editor.Apply(s->App->Stats());
        QCOMPARE(QString::fromStdString(s->App->Stats().FavoritesText()), QString("NUMS,DIGS,SUMS"));
    }

    void dialogShowsStoredNumbersAndDate() {
        TDrawRec rec{};
        rec.Draw = 7;
        const uint8_t nums[6] = {5, 10, 11, 23, 40, 52};
        std::copy(nums, nums + 6, rec.Numbers);
        rec.SetDate("2021-03-27");
        TDrawDialog dlg(rec);
        QCOMPARE(dlg.NumbersEdit()->text(), QString("5;10;11;23;40;52"));
        QCOMPARE(dlg.DateEdit()->date(), QDate(2021, 3, 27));
        rec.SetDate("garbage!!");
        TDrawDialog dlg2(rec);
        QCOMPARE(dlg2.DateEdit()->date(), QDate::currentDate());
    }

    // Each subsystem finds a page or dialog host of its own in the window before the application is built; one
    // left out would leave its controller showing nothing and declining every dialog.
    void everySubsystemHasItsOwnPartOfTheWindow() {
        TMainWindow window;
        const std::pair<const char*, const QObject*> parts[] = {
            {"draws", OwnPart<TDrawsUi>(window)},       {"combinations", OwnPart<TCombsUi>(window)},
            {"statistics", OwnPart<TStatsUi>(window)},  {"stakes", OwnPart<TStakesUi>(window)},
            {"scenario", OwnPart<TScenarioUi>(window)}, {"views", OwnPart<TViewsUi>(window)},
            {"ratings", OwnPart<TRatingsUi>(window)},   {"tables", OwnPart<TTablesUi>(window)},
            {"systems", OwnPart<TSystemsUi>(window)},   {"library", OwnPart<TLibraryUi>(window)},
            {"update", OwnPart<TUpdateUi>(window)},     {"export", OwnPart<TExportUi>(window)},
        };
        std::set<const QObject*> distinct;
        for (const auto& [name, part] : parts) {
            QVERIFY2(part, name);
            distinct.insert(part);
        }
        QCOMPARE(distinct.size(), std::size(parts));
    }
};

QTEST_MAIN(TestUi)
#include "TestUi.moc"

// The export dialogs as the user drives them, the offer of a newer build and the progress window. Pictures of
// each are written when ZORB_SCREENSHOTS names a folder.
#include "UiTestSupport.h"
#include "app/FormMain.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "tools/SampleArchive.h"
#include "ui/DrawsPage.h"
#include "ui/ExportDialogs.h"
#include "ui/MainWindow.h"
#include "ui/UpdateDialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace zorb;

class TestExportDialogs : public QObject {
    Q_OBJECT

    static void Snapshot(QWidget& w, const char* name) { test::Snapshot(w, name, test::TSnapshotSize::Fit); }

    static TExportDialogData Data() {
        TExportDialogData d;
        d.Section = ExportSectionName("FormMain", "lvDraws");
        d.Params.Title = d.Params.SheetName = "Архив тиражей";
        d.Params.Remember = true;
        const char* captions[] = {"Тираж", "N1", "N2", "Сумма", "Дата тиража"};
        for (int c = 0; c < 5; ++c) {
            TExportField f;
            f.ColumnId = c;
            f.PhysicalField = f.Caption = captions[c];
            f.Alignment = c == 4 ? 0 : 2;
            f.Width = FormatWidth(c == 4 ? 12.5 : 6);
            d.Params.Fields.push_back(f);
        }
        d.AllCount = 1234;
        d.SelectedCount = 3;
        d.RowsMode = 1;
        return d;
    }

    static QStringList Captions(const TFormExpExcel& dlg) {
        QStringList r;
        for (int i = 0; i < dlg.FieldList()->topLevelItemCount(); ++i) r << dlg.FieldList()->topLevelItem(i)->text(0);
        return r;
    }

private slots:
    void fieldListMovesChecksRenamesAndLoads() {
        TExportDialogData d = Data();
        QTemporaryDir dir;
        const std::string exp = JoinPath(dir.path().toStdString(), "p.exp");
        {
            TIniFile ini(exp);
            ini.WriteString(d.Section, "Title", "Из файла");
            ini.WriteString(d.Section, "Item_0", "3;Сумма;Σ;-1;1;9.00");
            ini.Save();
        }
        TFormExpExcel::THooks hooks;
        hooks.PickFile = [&](bool) { return exp; };
        hooks.Load = [](const std::string& path, TExportDialogData& data) {
            TIniFile ini(path);
            ini.Load();
            LoadExportParams(ini, data.Section, TParamsMode::File, data.Params);
            return true;
        };
        hooks.EditField = [](TExportField& f) {
            f.Caption = "Номер";
            return true;
        };
        TFormExpExcel dlg(nullptr, d, hooks);
        Snapshot(dlg, "export-sheet.png");
        dlg.Pages()->setCurrentIndex(1);
        Snapshot(dlg, "export-columns.png");

        // The selection preset: mode 1 with its count; the count follows the mode.
        QCOMPARE(dlg.RowCountLabel()->text(), QString("3"));
        dlg.RowsModeBox()->setCurrentIndex(0);
        QCOMPARE(dlg.RowCountLabel()->text(), QString("1234"));

        const struct {
            const char* Action;
            QKeySequence Key;
        } keys[] = {{"OpenFile", QKeySequence("Ctrl+O")},
                    {"SaveFile", QKeySequence("Ctrl+S")},
                    {"MoveUp", QKeySequence("Ctrl+Up")},
                    {"MoveDown", QKeySequence("Ctrl+Down")},
                    {"Rename", QKeySequence("Ctrl+Return")}};
        for (const auto& k : keys) QVERIFY2(dlg.Action(k.Action)->shortcuts().contains(k.Key), k.Action);

        // Moving, unchecking and renaming, each followed by the focus.
        QVERIFY(!dlg.Action("MoveUp")->isEnabled());
        // Ctrl+Down in the field list moves the focused field.
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.FieldList()->setFocus();
        QTest::keyClick(dlg.FieldList(), Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(dlg.Focus(), 1);
        QCOMPARE(Captions(dlg), QStringList({"N1", "Тираж", "N2", "Сумма", "Дата тиража"}));
        dlg.FieldList()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        QCoreApplication::processEvents();
        QCOMPARE(Captions(dlg), QStringList({"Тираж", "N2", "Сумма", "Дата тиража", "N1"}));
        QCOMPARE(dlg.Focus(), 4);
        QVERIFY(!dlg.Action("MoveDown")->isEnabled());
        dlg.SetFocusField(0);
        dlg.Action("Rename")->trigger();
        QCOMPARE(dlg.FieldList()->topLevelItem(0)->text(0), QString("Номер"));
        // Space on the focused field clears its box like a click; the field goes after the checked ones.
        QTest::keyClick(dlg.FieldList(), Qt::Key_Space);
        QCoreApplication::processEvents();
        QCOMPARE(Captions(dlg), QStringList({"N2", "Сумма", "Дата тиража", "Номер", "N1"}));
        QCOMPARE(dlg.Focus(), 3);
        dlg.FieldList()->topLevelItem(3)->setCheckState(0, Qt::Checked);
        QCoreApplication::processEvents();
        QCOMPARE(Captions(dlg), QStringList({"N2", "Сумма", "Дата тиража", "Номер", "N1"}));

        // A parameter file: its title and its first item, moved to the front and aligned right.
        dlg.Action("OpenFile")->trigger();
        QCOMPARE(Captions(dlg).front(), QString("Σ"));
        QCOMPARE(dlg.FieldList()->topLevelItem(0)->text(1), QString("по правому краю"));
        QCOMPARE(dlg.FieldList()->topLevelItem(0)->text(2), QString("9.00"));

        dlg.RememberBox()->setChecked(false);
        dlg.accept();
        QCOMPARE(d.Params.Title, std::string("Из файла"));
        QVERIFY(!d.Params.Remember);
        QCOMPARE(d.RowsMode, 0);
        QCOMPARE(d.Params.Fields.back().Caption, std::string("N1"));
        QVERIFY(!d.Params.Fields.back().Checked);
    }

    void fieldPropertiesKeepTwoDecimals() {
        TExportField f;
        f.Caption = "Дата тиража";
        f.Alignment = 7; // from a parameter file: shown and kept as left once confirmed
        f.Width = "не число";
        TFormExpExcelParam dlg(nullptr, f);
        QCOMPARE(dlg.WidthEdit()->value(), 10.0);
        QCOMPARE(dlg.AlignmentBox()->currentIndex(), 0);
        Snapshot(dlg, "export-field.png");
        dlg.WidthEdit()->setValue(17.456);
        dlg.AlignmentBox()->setCurrentIndex(2);
        dlg.Store(f);
        QCOMPARE(f.Width, std::string("17.46"));
        QCOMPARE(f.Alignment, 2);
    }

    // The window's export action opens the dialog with the fields of its list, widths taken from the view.
    void windowActionOpensTheDialogWithTheViewsWidths() {
        auto s = test::StartMain(MakeSampleArchive(30));
        TMainWindow& window = s->Window;
        TFormMain& app = *s->App;
        window.findChild<TDrawsPage*>()->View()->setColumnWidth(0, 96);
        QStringList fields;
        QString width;
        QTimer::singleShot(0, this, [&] {
            auto* dlg = qobject_cast<TFormExpExcel*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            for (int i = 0; i < dlg->FieldList()->topLevelItemCount(); ++i)
                fields << dlg->FieldList()->topLevelItem(i)->text(3);
            width = dlg->FieldList()->topLevelItem(0)->text(2);
            dlg->reject();
        });
        window.ActionByName("DrawsXlsExport")->trigger();
        QCOMPARE(fields.size(), 9);
        QCOMPARE(fields.front(), QString("Тираж"));
        QCOMPARE(width, QString("12.00"));
        QVERIFY(!app.Busy());
        QVERIFY(app.FrmFile().ValueExists("TFormExpExcel", "lvFields.Column0"));
    }

    void offerAndProgressWindows() {
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* w = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(w);
            QCOMPARE(w->windowTitle(), QString("Найдена новая версия программы"));
            seen = true;
            Snapshot(*w, "update-offer.png");
            w->reject();
        });
        QVERIFY(!ShowNewVersionDialog(nullptr, "1.0.0.1200", "1.0.0.1201",
                                      "Исправлено:\n- <b>экспорт</b> в книгу .xlsx\n- окно хода операции"));
        QVERIFY(seen);

        TMainWindow window;
        window.setWindowTitle("Зорб Мега 6 из 52");
        window.ProgressOpen("", 10, true);
        window.ProgressStep(4);
        auto* progress = window.findChild<QProgressDialog*>();
        QVERIFY(progress);
        QCOMPARE(progress->labelText(), QString("Подождите пожалуйста..."));
        QCOMPARE(progress->value(), 4);
        auto* cancel = progress->findChild<QPushButton*>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QString("Отмена"));
        QCOMPARE(cancel->toolTip(), QString("Прервать операцию"));
        Snapshot(*progress, "update-progress.png");
        cancel->click();
        QVERIFY(window.ProgressStopRequested());
        window.ProgressClose();
    }
};

QTEST_MAIN(TestExportDialogs)
#include "TestExportDialogs.moc"

// The spreadsheet export's dialogs: "Экспорт в Microsoft Excel" with its sheet page and its field list, and
// "Параметры поля" for one field. They edit the controller's dialog data; loading and saving parameter files
// go through the hooks, so the controller reports their failures. The export's share of the main window opens them.
#pragma once

#include "app/ExportController.h"
#include "ui/Page.h"

#include <QDialog>
#include <functional>
#include <string>

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

// "Параметры поля": the caption, the alignment and the width of one field.
class TFormExpExcelParam : public QDialog {
    Q_OBJECT
public:
    TFormExpExcelParam(QWidget* parent, const zorb::TExportField& field);
    // Caption, alignment index and width (two decimals) into the field.
    void Store(zorb::TExportField& field) const;

    QLineEdit* CaptionEdit() const { return FCaption; }
    QComboBox* AlignmentBox() const { return FAlignment; }
    QDoubleSpinBox* WidthEdit() const { return FWidth; }

private:
    QLineEdit* FCaption;
    QComboBox* FAlignment;
    QDoubleSpinBox* FWidth;
};

class TFormExpExcel : public QDialog {
    Q_OBJECT
public:
    struct THooks {
        std::function<bool(const std::string& path, zorb::TExportDialogData& data)> Load;
        std::function<bool(const std::string& path, const zorb::TExportDialogData& data)> Save;
        // A ".exp" file to load (save = false) or to write; empty when the user cancels.
        std::function<std::string(bool save)> PickFile;
        // The field properties dialog; empty: TFormExpExcelParam, modal.
        std::function<bool(zorb::TExportField& field)> EditField;
    };

    TFormExpExcel(QWidget* parent, zorb::TExportDialogData& dialogData, THooks hooks);

    // Named like the dialog's actions: OpenFile, SaveFile, MoveUp, MoveDown, Rename.
    QAction* Action(const char* name) const;
    QTreeWidget* FieldList() const { return FFields; }
    QTabWidget* Pages() const { return FPages; }
    QLabel* RowCountLabel() const { return FRowCount; }
    QComboBox* RowsModeBox() const { return FRowsMode; }
    QCheckBox* RememberBox() const { return FRemember; }
    int Focus() const { return FFocus; }
    void SetFocusField(int index);

    void accept() override; // the page's values into the data

private:
    void ReadSheetPage();
    void ShowSheetPage();
    void ShowFields();
    void UpdateActions();
    void UpdateRowCount();
    void OpenFile();
    void SaveFile();
    void Move(int delta);
    void Rename();
    void OnCheckChanged(int row, bool checked);

    zorb::TExportDialogData& FData;
    THooks FHooks;
    int FFocus = 0;
    bool FFilling = false;
    QTabWidget* FPages;
    QLineEdit* FTitle;
    QLineEdit* FNotes;
    QCheckBox* FShowTime;
    QComboBox* FOrientation;
    QSpinBox* FFontSize;
    QLineEdit* FSheetName;
    QComboBox* FRowsMode;
    QLabel* FRowCount;
    QTreeWidget* FFields;
    QCheckBox* FRemember;
    QPushButton* FParams;
    QAction* FOpenFile;
    QAction* FSaveFile;
    QAction* FMoveUp;
    QAction* FMoveDown;
    QAction* FRename;
};

class TExportHost : public TDialogHost, public zorb::TExportUi {
    Q_OBJECT
public:
    using TDialogHost::TDialogHost;
    // The widths of the window's list that the export copies, found by its control name.
    std::vector<int> ExportColumnWidths(zorb::TExportList list) override;
    bool EditExport(zorb::TExportDialogData& data) override;
};

#include "ui/ExportDialogs.h"

#include "app/TemplateMain.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "ui/DialogButtons.h"
#include "ui/QtText.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace zorb;

namespace {

QAction* NewAction(QWidget* owner, const char* caption, const QList<QKeySequence>& keys) {
    auto* a = new QAction(TrQ(caption), owner);
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    a->setToolTip(TrQ(caption));
    owner->addAction(a);
    return a;
}

QToolButton* ActionButton(QAction* a) {
    auto* b = new QToolButton;
    b->setDefaultAction(a);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

} // namespace

// --- Параметры поля ----------------------------------------------------------------------------------------

TFormExpExcelParam::TFormExpExcelParam(QWidget* parent, const TExportField& field) : QDialog(parent) {
    setWindowTitle(TrQ("Параметры поля"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FCaption = new QLineEdit(QString::fromStdString(field.Caption));
    FCaption->setMinimumWidth(260);
    form->addRow(TrQ("Заголовок столбца:"), FCaption);
    FAlignment = new QComboBox;
    for (int a = 0; a < 3; ++a) FAlignment->addItem(QString::fromStdString(AlignmentText(a)));
    // An index from a parameter file outside 0..2 is exported as left, so it is shown as left.
    FAlignment->setCurrentIndex(field.Alignment >= 0 && field.Alignment <= 2 ? field.Alignment : 0);
    form->addRow(TrQ("Выравнивание данных:"), FAlignment);
    FWidth = new QDoubleSpinBox;
    FWidth->setDecimals(2);
    FWidth->setRange(0, 10000);
    FWidth->setValue(ParseWidth(field.Width));
    form->addRow(TrQ("Ширина:"), FWidth);
    layout->addLayout(form);
    layout->addWidget(OkCancelButtons(this));
}

void TFormExpExcelParam::Store(TExportField& field) const {
    field.Caption = StdS(FCaption->text());
    field.Alignment = FAlignment->currentIndex();
    field.Width = FormatWidth(FWidth->value());
}

// --- Экспорт в Microsoft Excel -----------------------------------------------------------------------------

TFormExpExcel::TFormExpExcel(QWidget* parent, TExportDialogData& dialogData, THooks hooks)
    : QDialog(parent), FData(dialogData), FHooks(std::move(hooks)) {
    setWindowTitle(TrQ("Экспорт в Microsoft Excel"));
    auto* layout = new QVBoxLayout(this);
    FPages = new QTabWidget;
    layout->addWidget(FPages, 1);

    // Sheet page.
    auto* sheet = new QWidget;
    auto* form = new QFormLayout(sheet);
    FTitle = new QLineEdit;
    form->addRow(TrQ("Наименование отчета:"), FTitle);
    FNotes = new QLineEdit;
    form->addRow(TrQ("Дополнительные сведения:"), FNotes);
    FShowTime = new QCheckBox(TrQ("Добавить строку с датой и временем формирования отчета (экспорта)."));
    form->addRow(FShowTime);
    FOrientation = new QComboBox;
    for (const char* o : {"Не устанавливать", "Книжная", "Альбомная"}) FOrientation->addItem(TrQ(o));
    form->addRow(TrQ("Ориентация:"), FOrientation);
    FFontSize = new QSpinBox;
    FFontSize->setRange(MinFontSize, MaxFontSize);
    form->addRow(TrQ("Базовый размер шрифта:"), FFontSize);
    FSheetName = new QLineEdit;
    FSheetName->setMaxLength(128);
    form->addRow(TrQ("Наименование листа:"), FSheetName);
    auto* rows = new QHBoxLayout;
    FRowsMode = new QComboBox;
    FRowsMode->addItem(TrQ("Экспортировать все отображенные записи"));
    FRowsMode->addItem(TrQ("Экспортировать выделенные записи"));
    FRowCount = new QLabel;
    FRowCount->setMinimumWidth(80);
    rows->addWidget(FRowsMode, 1);
    rows->addWidget(FRowCount);
    form->addRow(TrQ("Число строк:"), rows);
    FPages->addTab(sheet, TrQ("Параметры листа"));

    // Columns page.
    auto* columns = new QWidget;
    auto* col = new QVBoxLayout(columns);
    col->addWidget(new QLabel(TrQ("Перечень экспортируемых полей:")));
    FFields = new QTreeWidget;
    FFields->setObjectName("lvFields");
    FFields->setRootIsDecorated(false);
    FFields->setUniformRowHeights(true);
    FFields->setAllColumnsShowFocus(true);
    FFields->setHeaderLabels({TrQ("Наименование столбца"), TrQ("Выравнивание"), TrQ("Ширина"), TrQ("Физическое поле")});
    FFields->header()->setStretchLastSection(true);
    FFields->setColumnWidth(0, 200);
    FFields->setColumnWidth(1, 120);
    FFields->setColumnWidth(2, 60);
    FFields->setMinimumSize(520, 260);
    col->addWidget(FFields, 1);
    FOpenFile = NewAction(this, "Загрузить из файла", {QKeySequence(Qt::CTRL | Qt::Key_O)});
    FSaveFile = NewAction(this, "Сохранить в файле", {QKeySequence(Qt::CTRL | Qt::Key_S)});
    FMoveUp = NewAction(this, "Вверх", {QKeySequence(Qt::CTRL | Qt::Key_Up)});
    FMoveDown = NewAction(this, "Вниз", {QKeySequence(Qt::CTRL | Qt::Key_Down)});
    FRename =
        NewAction(this, "Свойства", {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    auto* moves = new QHBoxLayout;
    moves->addWidget(ActionButton(FMoveUp));
    moves->addWidget(ActionButton(FMoveDown));
    moves->addWidget(ActionButton(FRename));
    moves->addStretch();
    col->addLayout(moves);
    FPages->addTab(columns, TrQ("Столбцы таблицы"));

    FRemember = new QCheckBox(TrQ("Сохранить параметры экспорта в файле конфигурации"));
    layout->addWidget(FRemember);
    auto* bottom = new QHBoxLayout;
    FParams = new QPushButton(TrQ("Параметры"));
    FParams->setToolTip(TrQ("Сохранение параметров экспорта в файле"));
    auto* menu = new QMenu(FParams);
    menu->addAction(FOpenFile);
    menu->addAction(FSaveFile);
    FParams->setMenu(menu);
    FParams->setVisible(FData.SaveFlag);
    bottom->addWidget(FParams);
    bottom->addStretch();
    QDialogButtonBox* buttons = OkCancelButtons(this);
    buttons->button(QDialogButtonBox::Ok)->setToolTip(TrQ("Начать экспорт"));
    buttons->button(QDialogButtonBox::Cancel)->setToolTip(TrQ("Закрыть окно"));
    bottom->addWidget(buttons);
    layout->addLayout(bottom);

    connect(FOpenFile, &QAction::triggered, this, [this] { OpenFile(); });
    connect(FSaveFile, &QAction::triggered, this, [this] { SaveFile(); });
    connect(FMoveUp, &QAction::triggered, this, [this] { Move(-1); });
    connect(FMoveDown, &QAction::triggered, this, [this] { Move(1); });
    connect(FRename, &QAction::triggered, this, [this] { Rename(); });
    connect(FFields, &QTreeWidget::itemDoubleClicked, this, [this] { Rename(); });
    connect(FFields, &QTreeWidget::currentItemChanged, this, [this] {
        if (FFilling) return;
        FFocus = FFields->indexOfTopLevelItem(FFields->currentItem());
        UpdateActions();
    });
    connect(FFields, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (FFilling || column != 0) return;
        OnCheckChanged(FFields->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
    });
    connect(FRowsMode, &QComboBox::currentIndexChanged, this, [this] { UpdateRowCount(); });
    connect(FRemember, &QCheckBox::toggled, this, [this] { UpdateActions(); });

    FRemember->setEnabled(FData.SaveFlag);
    FRemember->setChecked(FData.SaveFlag && FData.Params.Remember);
    FRowsMode->setCurrentIndex(FData.RowsMode == 1 ? 1 : 0);
    ShowSheetPage();
    FFocus = FData.Params.Fields.empty() ? -1 : 0;
    ShowFields();
    UpdateRowCount();
}

QAction* TFormExpExcel::Action(const char* name) const {
    const std::string n = name;
    if (n == "OpenFile") return FOpenFile;
    if (n == "SaveFile") return FSaveFile;
    if (n == "MoveUp") return FMoveUp;
    if (n == "MoveDown") return FMoveDown;
    if (n == "Rename") return FRename;
    return nullptr;
}

void TFormExpExcel::SetFocusField(int index) {
    if (index < 0 || index >= FFields->topLevelItemCount()) return;
    FFields->setCurrentItem(FFields->topLevelItem(index));
}

void TFormExpExcel::ShowSheetPage() {
    const TExportParams& p = FData.Params;
    FTitle->setText(QString::fromStdString(p.Title));
    FNotes->setText(QString::fromStdString(p.Notes));
    FShowTime->setChecked(p.ShowCreateTime);
    FOrientation->setCurrentIndex(p.Orientation >= 0 && p.Orientation <= 2 ? p.Orientation : 0);
    FFontSize->setValue(p.BaseFontSize);
    FSheetName->setText(QString::fromStdString(p.SheetName));
}

void TFormExpExcel::ReadSheetPage() {
    TExportParams& p = FData.Params;
    p.Title = StdS(FTitle->text());
    p.Notes = StdS(FNotes->text());
    p.ShowCreateTime = FShowTime->isChecked();
    p.Orientation = FOrientation->currentIndex();
    p.BaseFontSize = FFontSize->value();
    p.SheetName = StdS(FSheetName->text());
    p.Remember = FRemember->isChecked();
    FData.RowsMode = FRowsMode->currentIndex();
}

void TFormExpExcel::ShowFields() {
    FFilling = true;
    FFields->clear();
    for (const TExportField& f : FData.Params.Fields) {
        auto* item = new QTreeWidgetItem(
            FFields, {QString::fromStdString(f.Caption), QString::fromStdString(AlignmentText(f.Alignment)),
                      QString::fromStdString(f.Width), QString::fromStdString(f.PhysicalField)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, f.Checked ? Qt::Checked : Qt::Unchecked);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (FFocus >= 0 && FFocus < FFields->topLevelItemCount()) FFields->setCurrentItem(FFields->topLevelItem(FFocus));
    FFilling = false;
    UpdateActions();
}

void TFormExpExcel::UpdateActions() {
    const int n = static_cast<int>(FData.Params.Fields.size());
    const bool focused = FFocus >= 0 && FFocus < n;
    FMoveUp->setEnabled(focused && FFocus > 0);
    FMoveDown->setEnabled(focused && FFocus < n - 1);
    FRename->setEnabled(focused);
    FOpenFile->setEnabled(FRemember->isEnabled());
    FSaveFile->setEnabled(FRemember->isEnabled());
}

void TFormExpExcel::UpdateRowCount() {
    const int64_t count = FRowsMode->currentIndex() == 1 ? FData.SelectedCount : FData.AllCount;
    FRowCount->setText(QString::number(count));
}

void TFormExpExcel::OnCheckChanged(int row, bool checked) {
    if (row < 0 || row >= static_cast<int>(FData.Params.Fields.size())) return;
    FData.Params.Fields[static_cast<size_t>(row)].Checked = checked;
    FFocus = row;
    ReorderFields(FData.Params.Fields, FFocus);
    // Rebuilt after the check box's own signal has returned.
    QMetaObject::invokeMethod(
        this, [this] { ShowFields(); }, Qt::QueuedConnection);
}

void TFormExpExcel::Move(int delta) {
    if (MoveField(FData.Params.Fields, FFocus, delta)) ShowFields();
}

void TFormExpExcel::Rename() {
    if (FFocus < 0 || FFocus >= static_cast<int>(FData.Params.Fields.size())) return;
    TExportField& field = FData.Params.Fields[static_cast<size_t>(FFocus)];
    bool ok;
    if (FHooks.EditField) {
        ok = FHooks.EditField(field);
    } else {
        TFormExpExcelParam dlg(this, field);
        ok = dlg.exec() == QDialog::Accepted;
        if (ok) dlg.Store(field);
    }
    if (ok) ShowFields();
}

void TFormExpExcel::OpenFile() {
    if (!FHooks.PickFile || !FHooks.Load) return;
    const std::string path = FHooks.PickFile(false);
    if (path.empty()) return;
    ReadSheetPage();
    FHooks.Load(path, FData); // what was loaded before a failure stays
    ShowSheetPage();
    FFocus = FData.Params.Fields.empty() ? -1 : 0;
    ShowFields();
}

void TFormExpExcel::SaveFile() {
    if (!FHooks.PickFile || !FHooks.Save) return;
    const std::string path = FHooks.PickFile(true);
    if (path.empty()) return;
    ReadSheetPage();
    FHooks.Save(path, FData);
}

void TFormExpExcel::accept() {
    ReadSheetPage();
    QDialog::accept();
}

// --- The window's side ------------------------------------------------------------------------------------------

std::vector<int> TExportHost::ExportColumnWidths(TExportList list) {
    const auto* view = FWindow->findChild<QTableView*>(QString::fromStdString(TExportController::ControlName(list)));
    std::vector<int> widths;
    if (!view || !view->model()) return widths;
    for (int c = 0; c < view->model()->columnCount(); ++c) widths.push_back(view->columnWidth(c));
    return widths;
}

bool TExportHost::EditExport(TExportDialogData& exportData) {
    TFormExpExcel::THooks hooks;
    hooks.Load = [this](const std::string& path, TExportDialogData& d) {
        return FApp->Export().LoadParamsFile(path, d);
    };
    hooks.Save = [this](const std::string& path, const TExportDialogData& d) {
        return FApp->Export().SaveParamsFile(path, d);
    };
    hooks.PickFile = [this](bool save) {
        // "Описание (*.exp)|*.exp|Все файлы (*.*)|*.*": every description becomes one Qt filter.
        const QStringList parts = TrQ(TExportController::ParamsFileFilter()).split('|');
        QStringList filters;
        for (int i = 0; i < parts.size(); i += 2) filters << parts[i];
        QFileDialog dlg(FWindow);
        dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dlg.setNameFilters(filters);
        dlg.setDefaultSuffix("exp");
        dlg.setDirectory(QString::fromStdString(FApp->DataDir()));
        return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? StdS(dlg.selectedFiles().front())
                                                                                 : std::string();
    };
    TFormExpExcel dlg(FWindow, exportData, std::move(hooks));
    // The field list keeps its column widths in the window's settings file.
    TIniFile& frm = FApp->FrmFile();
    QTreeWidget* fields = dlg.FieldList();
    for (int c = 0; c < fields->columnCount(); ++c) {
        const int w = frm.ReadInteger("TFormExpExcel", Format("lvFields.Column%d", c), 0, 0, 2000);
        if (w > 0) fields->setColumnWidth(c, w);
    }
    const bool ok = dlg.exec() == QDialog::Accepted;
    for (int c = 0; c < fields->columnCount(); ++c)
        frm.WriteInteger("TFormExpExcel", Format("lvFields.Column%d", c), fields->columnWidth(c));
    return ok;
}

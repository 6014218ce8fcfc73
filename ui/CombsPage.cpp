#include "ui/CombsPage.h"

#include "app/TemplateMain.h"
#include "core/IniFile.h"
#include "ui/CombsModel.h"
#include "ui/GenerateDialog.h"
#include "ui/QtText.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

using namespace zorb;

namespace {
const char* const ListName = "lvCombs";
const char* const FiltersName = "lvFilters";
constexpr int FilterColumnCount = 3;
} // namespace

TCombsPage::TCombsPage(TPageHost& host, QWidget* parent) : TPage(host, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    FToolBar = NewToolBar();
    layout->addWidget(FToolBar);
    FSplitter = new QSplitter(Qt::Vertical, this);
    FView = new QTableView(FSplitter);
    SetupRowView(FView, ListName);
    FView->horizontalHeader()->setHighlightSections(false);
    auto* bottom = new QWidget(FSplitter);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    auto* excludeRow = new QHBoxLayout();
    FExcludeButton = new QPushButton(bottom);
    FExclude = new QSpinBox(bottom);
    FExclude->setObjectName("edCombsExclude");
    FExclude->setRange(0, 2147483647);
    excludeRow->addWidget(FExcludeButton);
    excludeRow->addWidget(FExclude);
    excludeRow->addStretch(1);
    bottomLayout->addLayout(excludeRow);
    FFiltersView = new QTableWidget(0, FilterColumnCount, bottom);
    FFiltersView->setObjectName(FiltersName);
    FFiltersView->verticalHeader()->hide();
    FFiltersView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FFiltersView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FFiltersView->horizontalHeader()->setStretchLastSection(false);
    FFiltersView->setColumnWidth(0, 240);
    FFiltersView->setColumnWidth(2, 90);
    FFiltersView->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    FFiltersView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    bottomLayout->addWidget(FFiltersView, 1);
    FSplitter->setStretchFactor(0, 3);
    FSplitter->setStretchFactor(1, 1);
    layout->addWidget(FSplitter, 1);
    connect(FExclude, &QSpinBox::valueChanged, this, [this](int v) {
        if (FApp) FApp->Combinations().SetCombsExclude(v);
    });
    connect(FExclude, &QSpinBox::editingFinished, this, [this] {
        // Enter in the field runs the removal when it may run; leaving the field only stores the value.
        if (FExclude->hasFocus()) FHost.RunAction("CombsDelExists");
    });
}

QString TCombsPage::Title() const {
    return TrQ("Комбинации");
}

void TCombsPage::Attach(TTemplateMain& app) {
    FApp = &app;
    connect(FView, &QAbstractItemView::doubleClicked, this, [this] {
        if (FApp) FApp->Stakes().CombsDoubleClicked();
        FHost.ActionsChanged();
    });
    const TTemplateMain* source = &app;
    FModel =
        new TCombsModel({TCombsController::CombColumnCount, [source] { return source->Combinations().Combs().Count(); },
                         [source](size_t row, int column) { return source->Combinations().CombCellText(row, column); },
                         [source](size_t row, int column) { return source->Combinations().CombCellColor(row, column); },
                         [source](int column) { return source->Combinations().CombColumnCaption(column); }},
                        this);
    FView->setModel(FModel);
    FitColumnsToContents(FView);
    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TCombsPage::OnSelectionChanged);
}

void TCombsPage::LanguageChanged() {
    FillToolBar(FToolBar, "Combs");
    FExcludeButton->setText(TrQ("[-] Тиражи"));
    if (QAction* a = FHost.ActionByName("CombsDelExists")) {
        FExcludeButton->setToolTip(a->toolTip());
        disconnect(FExcludeButton, nullptr, nullptr, nullptr);
        connect(FExcludeButton, &QPushButton::clicked, a, &QAction::trigger);
    }
    const QString excludeHint = TrQ("Исключить указанное количество последних тиражей из списка комбинаций");
    FExclude->setToolTip(excludeHint);
    FExclude->setStatusTip(excludeHint);
    FFiltersView->setHorizontalHeaderLabels({TrQ("Примененные фильтры"), TrQ("Значения"), TrQ("Комбинаций")});
}

void TCombsPage::ActionsChanged(bool busy) {
    FExclude->setEnabled(!busy);
    if (QAction* a = FHost.ActionByName("CombsDelExists")) FExcludeButton->setEnabled(a->isEnabled());
}

void TCombsPage::RestoreState(const TStoredSizes& sizes) {
    RestoreColumnWidths(FView, sizes, ListName, FModel->columnCount());
    RestoreColumnWidths(FFiltersView, sizes, FiltersName, FilterColumnCount);
    const int filtersHeight = sizes.Height("FiltersHeight");
    if (filtersHeight > 0) FSplitter->setSizes({400, filtersHeight});
    FExclude->setValue(sizes.Frm.ReadInteger(sizes.Section, "DrawsExclude", 0, 0, INT32_MAX));
}

void TCombsPage::SaveState(TIniFile& frm, const std::string& section, TFormSettings& sizes, bool shown) {
    SaveColumnWidths(FView, frm, section, ListName, FModel->columnCount(), true);
    SaveColumnWidths(FFiltersView, frm, section, FiltersName, FilterColumnCount, true);
    if (shown && FSplitter->sizes().value(1) > 0) sizes.FiltersHeight = FSplitter->sizes().value(1);
}

void TCombsPage::OnSelectionChanged() {
    if (!FApp) return;
    // Whole-list selections arrive as ranges; never expand them row by row.
    TRowRanges ranges;
    for (const QItemSelectionRange& r : FView->selectionModel()->selection())
        ranges.push_back({static_cast<size_t>(r.top()), static_cast<size_t>(r.bottom()) + 1});
    FApp->Combinations().SetCombsSelection(std::move(ranges));
}

void TCombsPage::CombsListReset() {
    if (FModel) FModel->Reset();
}

void TCombsPage::CombsListRepaint() {
    if (FModel) FModel->RepaintAll();
}

void TCombsPage::CombsSelectAll() {
    FView->selectAll();
}

void TCombsPage::FiltersChanged() {
    if (!FApp) return;
    const auto& lines = FApp->Combinations().Filters();
    FFiltersView->setRowCount(static_cast<int>(lines.size()));
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        const TFilterLine& line = lines[static_cast<size_t>(r)];
        auto* op = new QTableWidgetItem(QString::fromStdString(line.Operation));
        const QStyle::StandardPixmap icon = line.Mark == TFilterMark::Keep     ? QStyle::SP_DialogApplyButton
                                            : line.Mark == TFilterMark::Remove ? QStyle::SP_DialogDiscardButton
                                                                               : QStyle::SP_ArrowBack;
        op->setIcon(style()->standardIcon(icon));
        FFiltersView->setItem(r, 0, op);
        FFiltersView->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(line.Values)));
        auto* count = new QTableWidgetItem(QString::number(static_cast<qulonglong>(line.Count)));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        FFiltersView->setItem(r, 2, count);
    }
    if (!lines.empty()) FFiltersView->scrollToBottom();
}

bool TCombsPage::EditGenerateParams(TGenerateSettings& params, bool& saveAsDefault) {
    TGenerateDialog dlg(params, window());
    if (dlg.exec() != QDialog::Accepted) return false;
    params = dlg.Result();
    saveAsDefault = dlg.SaveAsDefault();
    return true;
}

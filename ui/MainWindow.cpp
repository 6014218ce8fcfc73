#include "ui/MainWindow.h"

#include "app/TemplateMain.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/TextUtils.h"
#include "ui/CombsModel.h"
#include "ui/Dialogs.h"
#include "ui/DrawsModel.h"
#include "ui/FilterDialogs.h"
#include "ui/QtText.h"
#include "ui/SettingsDialogs.h"
#include "ui/StakeDialogs.h"
#include "ui/StakesModel.h"
#include "ui/StatChart.h"
#include "ui/StatModel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

using namespace zorb;

namespace {
const char* const DrawsListName = "lvDraws";
constexpr int DefaultLeftPanelWidth = 460;

QMessageBox::Icon BoxIcon(TMsgBox box) {
    switch (box) {
    case TMsgBox::Error: return QMessageBox::Critical;
    case TMsgBox::Info: return QMessageBox::Information;
    case TMsgBox::Attention:
    case TMsgBox::Warning: return QMessageBox::Warning;
    case TMsgBox::Confirm: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// "left,top,right,bottom"
bool ParseRect(const std::string& text, QRect& rect) {
    auto parts = SplitKeepEmpty(text, ',');
    if (parts.size() != 4) return false;
    int32_t v[4];
    for (int i = 0; i < 4; ++i)
        if (!TryStrToInt(Trim(parts[static_cast<size_t>(i)]), v[i]) || std::abs(v[i]) > MaxStoredPixels) return false;
    if (v[2] <= v[0] || v[3] <= v[1]) return false;
    rect = QRect(QPoint(v[0], v[1]), QPoint(v[2] - 1, v[3] - 1));
    return true;
}

// A stored placement is used only when the window fits the working area and its top edge, where the title bar
// is taken hold of, lies inside it over a fair width.
bool PlacementReachable(const QRect& rect, const QRect& area) {
    constexpr int Grip = 64;
    if (rect.width() > area.width() || rect.height() > area.height()) return false;
    if (rect.top() < area.top() || rect.top() > area.bottom() - Grip) return false;
    return std::min(rect.right(), area.right()) - std::max(rect.left(), area.left()) >= Grip;
}

// Columns of the stakes grid whose widths are kept.
constexpr int StakesColumnCount = 9;

std::string RectText(const QRect& r) {
    return Format("%d,%d,%d,%d", r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}
} // namespace

TMainWindow::TMainWindow() {
    resize(1100, 700);
    FSplitter = new QSplitter(Qt::Horizontal, this);
    FLeftPages = new QTabWidget(FSplitter);
    FMainPages = new QTabWidget(FSplitter);
    FSplitter->setStretchFactor(0, 0);
    FSplitter->setStretchFactor(1, 1);
    setCentralWidget(FSplitter);

    auto* drawsPage = new QWidget(FLeftPages);
    auto* layout = new QVBoxLayout(drawsPage);
    layout->setContentsMargins(2, 2, 2, 2);
    FDrawsToolBar = new QToolBar(drawsPage);
    FDrawsToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(FDrawsToolBar);
    auto* offsetRow = new QHBoxLayout();
    auto* offsetLabel = new QLabel(drawsPage);
    offsetLabel->setObjectName("lblDrawsOffset");
    FOffset = new QSpinBox(drawsPage);
    FOffset->setObjectName("edDrawsOffset");
    FOffset->setRange(0, 0);
    offsetLabel->setBuddy(FOffset);
    offsetRow->addWidget(offsetLabel);
    offsetRow->addWidget(FOffset);
    offsetRow->addStretch(1);
    layout->addLayout(offsetRow);
    FDrawsView = new QTableView(drawsPage);
    FDrawsView->setObjectName(DrawsListName);
    FDrawsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FDrawsView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FDrawsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FDrawsView->verticalHeader()->hide();
    FDrawsView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FDrawsView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    FDrawsView->horizontalHeader()->setHighlightSections(false);
    FDrawsView->setWordWrap(false);
    layout->addWidget(FDrawsView, 1);
    FLeftPages->addTab(drawsPage, QString());
    FLeftPages->addTab(BuildCombsPage(), QString());
    FMainPages->addTab(BuildStatsPage(), QString());
    FMainPages->addTab(BuildStakesPage(), QString());

    auto* bar = statusBar();
    bar->setSizeGripEnabled(true);
    const int widths[6] = {170, 180, 150, 160, 110, 110};
    for (int i = 0; i < 7; ++i) {
        FPanels[static_cast<size_t>(i)] = new QLabel(bar);
        FPanels[static_cast<size_t>(i)]->setObjectName(QString("panel%1").arg(i));
        FPanels[static_cast<size_t>(i)]->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        if (i < 6) {
            FPanels[static_cast<size_t>(i)]->setMinimumWidth(widths[i]);
            bar->addWidget(FPanels[static_cast<size_t>(i)]);
        } else {
            bar->addWidget(FPanels[static_cast<size_t>(i)], 1);
        }
    }
    connect(FOffset, &QSpinBox::valueChanged, this, [this](int v) {
        if (FApp) FApp->SetDrawsOffset(v);
    });
}

TMainWindow::~TMainWindow() = default;

QWidget* TMainWindow::BuildCombsPage() {
    auto* page = new QWidget(FLeftPages);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    FCombsToolBar = new QToolBar(page);
    FCombsToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(FCombsToolBar);
    FCombsSplitter = new QSplitter(Qt::Vertical, page);
    FCombsView = new QTableView(FCombsSplitter);
    FCombsView->setObjectName("lvCombs");
    FCombsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FCombsView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FCombsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FCombsView->verticalHeader()->hide();
    FCombsView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FCombsView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    FCombsView->horizontalHeader()->setHighlightSections(false);
    FCombsView->setWordWrap(false);
    auto* bottom = new QWidget(FCombsSplitter);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    auto* excludeRow = new QHBoxLayout();
    FCombsExcludeButton = new QPushButton(bottom);
    FCombsExclude = new QSpinBox(bottom);
    FCombsExclude->setObjectName("edCombsExclude");
    FCombsExclude->setRange(0, 2147483647);
    excludeRow->addWidget(FCombsExcludeButton);
    excludeRow->addWidget(FCombsExclude);
    excludeRow->addStretch(1);
    bottomLayout->addLayout(excludeRow);
    FFiltersView = new QTableWidget(0, 3, bottom);
    FFiltersView->setObjectName("lvFilters");
    FFiltersView->verticalHeader()->hide();
    FFiltersView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FFiltersView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FFiltersView->horizontalHeader()->setStretchLastSection(false);
    FFiltersView->setColumnWidth(0, 240);
    FFiltersView->setColumnWidth(2, 90);
    FFiltersView->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    FFiltersView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    bottomLayout->addWidget(FFiltersView, 1);
    FCombsSplitter->setStretchFactor(0, 3);
    FCombsSplitter->setStretchFactor(1, 1);
    layout->addWidget(FCombsSplitter, 1);
    connect(FCombsExclude, &QSpinBox::valueChanged, this, [this](int v) {
        if (FApp) FApp->SetCombsExclude(v);
    });
    connect(FCombsExclude, &QSpinBox::editingFinished, this, [this] {
        // Enter in the field runs the removal when it may run; leaving the field only stores the value.
        if (FCombsExclude->hasFocus()) RunAction("CombsDelExists");
    });
    return page;
}

QWidget* TMainWindow::BuildStatsPage() {
    auto* page = new QWidget(FMainPages);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* row = new QHBoxLayout();
    FStatType = new QComboBox(page);
    FStatType->setObjectName("cbDrawsStatType");
    FStatType->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    FStatType->setMinimumContentsLength(28);
    FStatLen = new QSpinBox(page);
    FStatLen->setObjectName("edDrawsStatLen");
    FStatLen->setRange(1, 2147483647);
    FStatToolBar = new QToolBar(page);
    FStatToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    row->addWidget(FStatType, 1);
    row->addWidget(FStatLen);
    row->addWidget(FStatToolBar);
    layout->addLayout(row);
    FStatSplitter = new QSplitter(Qt::Vertical, page);
    FStatView = new QTableView(FStatSplitter);
    FStatView->setObjectName("lvDrawsStat");
    FStatView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FStatView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FStatView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FStatView->verticalHeader()->hide();
    FStatView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FStatView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    FStatView->horizontalHeader()->setSectionsClickable(true);
    FStatView->horizontalHeader()->setSortIndicatorShown(true);
    FStatView->setWordWrap(false);
    FStatChart = new TStatChartView(FStatSplitter);
    FStatChart->setObjectName("crtDrawsStat");
    FStatSplitter->setStretchFactor(0, 3);
    FStatSplitter->setStretchFactor(1, 2);
    FStatSplitter->setSizes({330, 220});
    layout->addWidget(FStatSplitter, 1);
    connect(FStatType, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!FApp || FFillingMethods || index < 0) return;
        FApp->SelectStatType(FStatType->itemData(index).toInt());
        ActionsChanged();
    });
    connect(FStatLen, &QSpinBox::editingFinished, this, [this] {
        if (FApp && FStatLen->hasFocus()) FApp->SetDrawsStatLen(FStatLen->value());
    });
    connect(FStatView->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (FApp) FApp->SortStatBy(column);
    });
    return page;
}

QWidget* TMainWindow::BuildStakesPage() {
    auto* page = new QWidget(FMainPages);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    FStakesToolBar = new QToolBar(page);
    FStakesToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(FStakesToolBar);
    FStakesView = new QTableView(page);
    FStakesView->setObjectName("sgStakes");
    FStakesView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FStakesView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FStakesView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FStakesView->verticalHeader()->hide();
    FStakesView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FStakesView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    FStakesView->setWordWrap(false);
    FStakesView->setItemDelegateForColumn(2, new TStakeNumbersDelegate(FStakesView));
    FStakesView->setItemDelegateForColumn(4, new TStakeNumbersDelegate(FStakesView));
    layout->addWidget(FStakesView, 1);
    return page;
}

void TMainWindow::Attach(TTemplateMain* app) {
    FApp = app;
    FStakesModel = new TStakesModel(*app, this);
    FStakesView->setModel(FStakesModel);
    const int stakeWidths[9] = {60, 60, 120, 60, 120, 60, 60, 60, 1000};
    for (int c = 0; c < 9; ++c) FStakesView->setColumnWidth(c, stakeWidths[c]);
    connect(FStakesView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TMainWindow::OnStakesSelectionChanged);
    connect(FCombsView, &QAbstractItemView::doubleClicked, this, [this] {
        if (FApp) FApp->CombsDoubleClicked();
        ActionsChanged();
    });
    FStatModel = new TStatModel(*app, this);
    FStatView->setModel(FStatModel);
    FStatView->setColumnWidth(0, 150);
    for (int c = 1; c < zorb::StatColumnCount; ++c) FStatView->setColumnWidth(c, 80);
    connect(FStatView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TMainWindow::OnStatSelectionChanged);
    FCombsModel = new TCombsModel(*app, this);
    FCombsView->setModel(FCombsModel);
    const int combWidths[8] = {70, 34, 34, 34, 34, 34, 34, 40};
    for (int c = 0; c < 8; ++c) FCombsView->setColumnWidth(c, combWidths[c]);
    connect(FCombsView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TMainWindow::OnCombsSelectionChanged);
    FDrawsModel = new TDrawsModel(*app, this);
    FDrawsView->setModel(FDrawsModel);
    for (int c = 0; c < FDrawsModel->columnCount(); ++c) FDrawsView->setColumnWidth(c, c == 0 ? 60 : c == 8 ? 95 : 36);
    connect(FDrawsView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TMainWindow::OnDrawsSelectionChanged);
    connect(FMainPages, &QTabWidget::currentChanged, this, [this] {
        if (FApp) FApp->RefreshViews(false);
    });
}

QAction* TMainWindow::ActionByName(const std::string& name) const {
    auto it = FActions.find(name);
    return it == FActions.end() ? nullptr : it->second;
}

QString TMainWindow::PanelText(int panel) const {
    return panel >= 0 && panel < 7 ? FPanels[static_cast<size_t>(panel)]->text() : QString();
}

// --- Actions and menus ------------------------------------------------------------------------------------------

void TMainWindow::RunAction(const std::string& name) {
    if (FApp) FApp->Execute(name);
    ActionsChanged();
}

void TMainWindow::BuildActions() {
    for (auto& [name, action] : FActions) {
        removeAction(action);
        action->deleteLater();
    }
    FActions.clear();
    for (auto& [name, group] : FGroups) group->deleteLater();
    FGroups.clear();
    for (const TAction& a : FApp->Actions()) {
        auto* qa = new QAction(QS(a.Caption), this);
        qa->setObjectName(QString::fromStdString(a.Name));
        qa->setStatusTip(QS(a.Hint));
        qa->setToolTip(QS(a.Hint.empty() ? a.Caption : a.Hint));
        if (!a.Shortcut.empty()) qa->setShortcut(QKeySequence(QString::fromStdString(a.Shortcut)));
        if (a.Checked) qa->setCheckable(true);
        if (!a.RadioGroup.empty()) {
            QActionGroup*& group = FGroups[a.RadioGroup];
            if (!group) {
                group = new QActionGroup(this);
                group->setExclusive(true);
            }
            group->addAction(qa);
        }
        std::string name = a.Name;
        connect(qa, &QAction::triggered, this, [this, name] { RunAction(name); });
        // A shared key works only in its own list; other shortcuts work anywhere in the window.
        QWidget* scope = a.Scope.empty() ? nullptr : findChild<QWidget*>(QString::fromStdString(a.Scope));
        if (scope) {
            qa->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            scope->addAction(qa);
        } else {
            addAction(qa);
        }
        FActions[a.Name] = qa;
    }
}

void TMainWindow::FillMenu(QMenu* menu, const std::vector<TMenuItem>& items) {
    for (const TMenuItem& item : items) {
        if (!item.Submenu.empty()) {
            FillMenu(menu->addMenu(QS(item.Submenu)), item.Items);
        } else if (item.Action.empty()) {
            menu->addSeparator();
        } else if (QAction* a = ActionByName(item.Action)) {
            menu->addAction(a);
        }
    }
}

void TMainWindow::LanguageChanged() {
    if (!FApp) return;
    BuildActions();
    menuBar()->clear();
    for (const TMenu& m : FApp->Menus()) FillMenu(menuBar()->addMenu(QS(m.Caption)), m.Items);
    FDrawsToolBar->clear();
    for (const char* name : {"DrawsAdd", "DrawsEdit", "DrawsDel"})
        if (QAction* a = ActionByName(name)) FDrawsToolBar->addAction(a);
    FLeftPages->setTabText(0, TrQ("Архив тиражей"));
    FLeftPages->setTabText(1, TrQ("Комбинации"));
    FMainPages->setTabText(0, TrQ("Статистика"));
    FMainPages->setTabText(1, TrQ("Ставки"));
    FStakesToolBar->clear();
    for (const char* name :
         {"StakeAdd", "StakeAddRandom", "StakeAddSelected", "StakeDel", "StakeFilter", "StakesCheckManual"})
        if (QAction* a = ActionByName(name)) FStakesToolBar->addAction(a);
    FStatToolBar->clear();
    for (const char* name : {"DrawsStatCalc", "DrawsStatePrefetchsEnabled", "DrawsStatShowTotalLine", "FiltersManager"})
        if (QAction* a = ActionByName(name)) FStatToolBar->addAction(a);
    if (QAction* a = ActionByName("DrawsStatePrefetchsEnabled")) a->setIconText(TrQ("Норма"));
    if (QAction* a = ActionByName("DrawsStatShowTotalLine")) a->setIconText(TrQ("Идеальный график"));
    if (QAction* a = ActionByName("FiltersManager")) a->setIconText(TrQ("Избранное"));
    FStatType->setToolTip(TrQ("Вид расчета статистики"));
    FStatType->setStatusTip(FStatType->toolTip());
    FStatLen->setToolTip(TrQ("Количество тиражей, использующихся для расчета статистики"));
    FStatLen->setStatusTip(FStatLen->toolTip());
    FCombsToolBar->clear();
    for (const char* name : {"CombsGen", "CombsOpen", "CombsSave", "CombsCopy", "CombsPaste", "CombsUndo"})
        if (QAction* a = ActionByName(name)) FCombsToolBar->addAction(a);
    if (QAction* gen = ActionByName("CombsGen")) gen->setIconText(TrQ("Новый"));
    FCombsExcludeButton->setText(TrQ("[-] Тиражи"));
    if (QAction* a = ActionByName("CombsDelExists")) {
        FCombsExcludeButton->setToolTip(a->toolTip());
        disconnect(FCombsExcludeButton, nullptr, nullptr, nullptr);
        connect(FCombsExcludeButton, &QPushButton::clicked, a, &QAction::trigger);
    }
    const QString excludeHint = TrQ("Исключить указанное количество последних тиражей из списка комбинаций");
    FCombsExclude->setToolTip(excludeHint);
    FCombsExclude->setStatusTip(excludeHint);
    FFiltersView->setHorizontalHeaderLabels({TrQ("Примененные фильтры"), TrQ("Значения"), TrQ("Комбинаций")});
    if (auto* label = findChild<QLabel*>("lblDrawsOffset")) label->setText(TrQ("Смещение назад:"));
    const QString offsetHint = TrQ("Смещение относительно последнего загруженного номера тиража");
    FOffset->setToolTip(offsetHint);
    FOffset->setStatusTip(offsetHint);
    ActionsChanged();
}

void TMainWindow::ActionsChanged() {
    if (!FApp) return;
    for (const TAction& a : FApp->Actions()) {
        QAction* qa = ActionByName(a.Name);
        if (!qa) continue;
        qa->setEnabled(FApp->ActionEnabled(a));
        if (a.Checked) qa->setChecked(a.Checked());
    }
    FOffset->setEnabled(!FApp->Busy());
    FCombsExclude->setEnabled(!FApp->Busy());
    if (QAction* a = ActionByName("CombsDelExists")) FCombsExcludeButton->setEnabled(a->isEnabled());
}

void TMainWindow::OnDrawsSelectionChanged() {
    if (!FApp) return;
    std::vector<int> rows;
    for (const QModelIndex& i : FDrawsView->selectionModel()->selectedRows()) rows.push_back(i.row());
    FApp->SetDrawsSelection(std::move(rows));
}

void TMainWindow::OnStakesSelectionChanged() {
    if (!FApp) return;
    zorb::TRowRanges ranges;
    for (const QItemSelectionRange& r : FStakesView->selectionModel()->selection())
        ranges.push_back({static_cast<size_t>(r.top()), static_cast<size_t>(r.bottom()) + 1});
    FApp->SetStakesSelection(std::move(ranges));
}

void TMainWindow::StakesViewChanged(int64_t count, bool repaint, bool scrollToEnd) {
    if (!FStakesModel) return;
    FStakesModel->SetCount(count);
    if (repaint) FStakesModel->RepaintAll();
    if (scrollToEnd && count > 0) {
        FStakesView->selectRow(static_cast<int>(std::min<int64_t>(count, INT32_MAX) - 1));
        FStakesView->scrollToBottom();
    }
}

bool TMainWindow::EditStake(zorb::TStakeRecord& record, int& drawCount) {
    TStakeDialog dlg(record, this);
    if (dlg.exec() != QDialog::Accepted) return false;
    record = dlg.Result();
    drawCount = dlg.DrawCount();
    return true;
}

bool TMainWindow::EditMultiStake(int& drawNumber, int& drawCount, std::string& comment) {
    return ShowMultiStakeDialog(this, drawNumber, drawCount, comment);
}

bool TMainWindow::EditStakeFilter(int& condition, int& value) {
    return ShowStakeFilterDialog(this, condition, value);
}

bool TMainWindow::EditProxy(zorb::TProxy& proxy) {
    return ShowProxyDialog(this, proxy);
}

void TMainWindow::OnStatSelectionChanged() {
    if (!FApp) return;
    std::vector<int> rows;
    for (const QModelIndex& i : FStatView->selectionModel()->selectedRows()) rows.push_back(i.row());
    FApp->SetStatSelection(std::move(rows));
}

void TMainWindow::MethodListsChanged() {
    if (!FApp) return;
    FFillingMethods = true;
    FStatType->clear();
    for (int entry : FApp->StatTypeItems())
        FStatType->addItem(QString::fromStdString(FApp->Stats().DisplayName(entry, true)), entry);
    FStatType->setCurrentIndex(FStatType->findData(FApp->StatTypeEntry()));
    FFillingMethods = false;
}

void TMainWindow::StatTableChanged() {
    if (!FApp) return;
    FStatModel->Reset();
    FStatView->horizontalHeader()->setSortIndicator(
        FApp->StatSortColumn(), FApp->StatSortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
    FStatChart->Show(FApp->StatTable().Chart);
}

void TMainWindow::StatColumnsChanged() {
    if (!FApp) return;
    for (int c : zorb::NormColumns) {
        FStatView->setColumnHidden(c, !FApp->Settings().PrefetchsEnabled);
        if (FApp->Settings().PrefetchsEnabled && FStatView->columnWidth(c) < 20) FStatView->setColumnWidth(c, 80);
    }
}

void TMainWindow::ProgressOpen(const std::string& text, int steps, bool stopButton) {
    FProgressStop = false;
    // No steps: a busy indicator for work whose length is unknown (a download).
    FProgress = new QProgressDialog(QString::fromStdString(text), stopButton ? TrQ("Отмена") : QString(), 0,
                                    std::max(steps, 0), this);
    FProgress->setWindowTitle(windowTitle());
    FProgress->setMinimumDuration(0);
    FProgress->setAutoClose(false);
    FProgress->setAutoReset(false);
    if (!stopButton) FProgress->setCancelButton(nullptr);
    connect(FProgress, &QProgressDialog::canceled, this, [this] { FProgressStop = true; });
    FProgress->show();
    FProgress->raise();
    QCoreApplication::processEvents();
}

void TMainWindow::ProgressSetText(const std::string& text) {
    if (!FProgress) return;
    FProgress->setLabelText(QString::fromStdString(text));
    QCoreApplication::processEvents();
}

void TMainWindow::ProgressStep(int steps) {
    if (!FProgress) return;
    FProgress->setValue(std::min(FProgress->value() + steps, FProgress->maximum()));
    QCoreApplication::processEvents();
}

void TMainWindow::ProgressClose() {
    delete FProgress;
    FProgress = nullptr;
}

bool TMainWindow::ProgressStopRequested() {
    return FProgressStop;
}

void TMainWindow::OnCombsSelectionChanged() {
    if (!FApp) return;
    // Whole-list selections arrive as ranges; never expand them row by row.
    zorb::TRowRanges ranges;
    for (const QItemSelectionRange& r : FCombsView->selectionModel()->selection())
        ranges.push_back({static_cast<size_t>(r.top()), static_cast<size_t>(r.bottom()) + 1});
    FApp->SetCombsSelection(std::move(ranges));
}

void TMainWindow::CombsListReset() {
    if (FCombsModel) FCombsModel->Reset();
}

void TMainWindow::CombsListRepaint() {
    if (FCombsModel) FCombsModel->RepaintAll();
}

void TMainWindow::CombsSelectAll() {
    FCombsView->selectAll();
}

void TMainWindow::FiltersChanged() {
    if (!FApp) return;
    const auto& lines = FApp->Filters();
    FFiltersView->setRowCount(static_cast<int>(lines.size()));
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        const zorb::TFilterLine& line = lines[static_cast<size_t>(r)];
        auto* op = new QTableWidgetItem(QString::fromStdString(line.Operation));
        const QStyle::StandardPixmap icon = line.Mark == zorb::TFilterMark::Keep     ? QStyle::SP_DialogApplyButton
                                            : line.Mark == zorb::TFilterMark::Remove ? QStyle::SP_DialogDiscardButton
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

bool TMainWindow::EditFilter(zorb::TFilterItem& item, const zorb::TFilterDialogContext& context) {
    TFilterDialog dlg(item, context, this);
    if (dlg.exec() != QDialog::Accepted) return false;
    item = dlg.Result();
    return true;
}

bool TMainWindow::ManageFavorites(zorb::TFavoritesEditor& editor) {
    TFavoritesDialog dlg(
        editor,
        [this](int entry) {
            if (FApp) FApp->ShowMethodInfo(entry);
        },
        this);
    return dlg.exec() == QDialog::Accepted;
}

void TMainWindow::ShowMethodHelp(const std::string& title, const std::string& html) {
    ShowMethodHelpWindow(this, QString::fromStdString(title), QString::fromStdString(html));
}

bool TMainWindow::EditGenerateParams(zorb::TGenerateSettings& params, bool& saveAsDefault) {
    TGenerateDialog dlg(params, this);
    if (dlg.exec() != QDialog::Accepted) return false;
    params = dlg.Result();
    saveAsDefault = dlg.SaveAsDefault();
    return true;
}

namespace {
// "Описание (*.lcv)|*.lcv" as a Qt file-dialog filter.
QString QtFilter(const std::string& filter) {
    return QString::fromStdString(filter).section('|', 0, 0);
}
} // namespace

std::string TMainWindow::OpenFileName(const std::string& filter, const std::string& defaultExt) {
    QFileDialog dlg(this);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilter(QtFilter(filter));
    dlg.setDefaultSuffix(QString::fromStdString(defaultExt));
    return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? StdS(dlg.selectedFiles().front()) : "";
}

std::string TMainWindow::SaveFileName(const std::string& filter, const std::string& defaultExt) {
    QFileDialog dlg(this);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilter(QtFilter(filter));
    dlg.setDefaultSuffix(QString::fromStdString(defaultExt));
    return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? StdS(dlg.selectedFiles().front()) : "";
}

bool TMainWindow::ClipboardHasText() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasText();
}

std::string TMainWindow::ClipboardText() {
    return StdS(QGuiApplication::clipboard()->text());
}

void TMainWindow::SetClipboardText(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

// --- Messages and status line ---------------------------------------------------------------------------------

void TMainWindow::ShowMessage(TMsgBox box, const std::string& text) {
    QMessageBox mb(BoxIcon(box), QS(MsgBoxCaption(box)), QS(text), QMessageBox::Ok, isVisible() ? this : nullptr);
    mb.exec();
}

bool TMainWindow::AskYesNo(TMsgBox box, const std::string& text) {
    QMessageBox mb(BoxIcon(box), QS(MsgBoxCaption(box)), QS(text), QMessageBox::Yes | QMessageBox::No,
                   isVisible() ? this : nullptr);
    mb.button(QMessageBox::Yes)->setText(TrQ("Да"));
    mb.button(QMessageBox::No)->setText(TrQ("Нет"));
    mb.setDefaultButton(QMessageBox::No);
    return mb.exec() == QMessageBox::Yes;
}

void TMainWindow::SetStatusPanel(int panel, const std::string& text) {
    if (panel < 0 || panel > 5) return;
    FPanels[static_cast<size_t>(panel)]->setText(QString::fromStdString(text));
}

void TMainWindow::SetProgressText(const std::string& text) {
    FProgressText = text;
    FPanels[6]->setText(QString::fromStdString(text));
    FPanels[6]->repaint();
}

void TMainWindow::SetBusyCursor(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TMainWindow::ProcessEvents() {
    QCoreApplication::processEvents();
}

void TMainWindow::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
    QApplication::setApplicationDisplayName(QString());
}

bool TMainWindow::event(QEvent* e) {
    if (e->type() == QEvent::StatusTip) {
        // Panel 6 is the progress text while busy and the hint of whatever is under the mouse otherwise.
        if (FApp && !FApp->Busy() && FProgressText.empty())
            FPanels[6]->setText(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

// --- Draw list ------------------------------------------------------------------------------------------------------

void TMainWindow::DrawsListReset() {
    if (FDrawsModel) FDrawsModel->Reset();
}

void TMainWindow::DrawsListRepaint() {
    if (FDrawsModel) FDrawsModel->RepaintAll();
}

void TMainWindow::SetOffsetField(int value, int maxValue) {
    QSignalBlocker block(FOffset);
    FOffset->setRange(0, std::max(maxValue, 0));
    FOffset->setValue(value);
}

// --- Dialogs and platform ---------------------------------------------------------------------------------------

bool TMainWindow::EditDraw(TDrawRec& draw) {
    TDrawDialog dlg(draw, this);
    if (dlg.exec() != QDialog::Accepted) return false;
    draw = dlg.Draw();
    return true;
}

bool TMainWindow::EditConfig(TConfigData& config) {
    TConfigDialog dlg(config, this);
    if (dlg.exec() != QDialog::Accepted) return false;
    config = dlg.Result();
    return true;
}

bool TMainWindow::EditShredding(TShreddingData& shredding) {
    TShreddingDialog dlg(shredding, this);
    if (dlg.exec() != QDialog::Accepted) return false;
    shredding = dlg.Result();
    return true;
}

void TMainWindow::ShowAbout(const TAboutInfo& info) {
    ShowAboutDialog(this, info);
}

bool TMainWindow::ShowFirstRun(const TFirstRunInfo& info) {
    return ShowFirstRunDialog(this, info, [this](const std::string& name) { RunAction(name); });
}

void TMainWindow::OpenUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void TMainWindow::OpenDocument(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void TMainWindow::StartInitTimer() {
    QTimer::singleShot(100, this, [this] {
        if (FApp) FApp->OnInitTimer();
        ActionsChanged();
    });
}

void TMainWindow::RequestClose() {
    QTimer::singleShot(0, this, [this] {
        close();
        if (!isVisible()) QCoreApplication::quit();
    });
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (FApp && !FClosed) {
        FClosed = true;
        FApp->Shutdown();
    }
    event->accept();
}

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (FShown) return;
    FShown = true;
    int left = FLeftPanelWidth > 0 ? FLeftPanelWidth : DefaultLeftPanelWidth;
    FSplitter->setSizes({left, std::max(width() - left, 100)});
}

// --- Window placement and column widths ------------------------------------------------------------------------

void TMainWindow::RestoreWindowState(const TIniFile& frm, const std::string& section) {
    QScreen* screen = QGuiApplication::primaryScreen();
    // Sizes a hand-edited file puts out of the screen's reach keep the designed ones.
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, MaxStoredPixels, MaxStoredPixels);
    const int maxWidth = std::max(area.width(), 1), maxHeight = std::max(area.height(), 1);
    auto width = [&](const std::string& key) { return frm.ReadInteger(section, key, -1, 1, maxWidth); };
    auto height = [&](const std::string& key) { return frm.ReadInteger(section, key, -1, 1, maxHeight); };
    if (screen && frm.ReadInteger(section, "PixelsPerInch", -1, 1, 10000) == qRound(screen->logicalDotsPerInchY())) {
        const QSize size = screen->size();
        std::string pos = frm.ReadString(section, Format("NormPos_%dx%d", size.width(), size.height()), "");
        if (pos.empty()) pos = frm.ReadString(section, "NormPos", "");
        QRect rect;
        if (ParseRect(pos, rect) && PlacementReachable(rect, area)) setGeometry(rect);
        FStartMaximized = frm.ReadInteger(section, "ShowCmd", 1, 0, 11) == 3;
    }
    FLeftPanelWidth = width("LeftPanelWidth");
    for (int c = 0; c < FCombsModel->columnCount(); ++c) {
        const int w = width(Format("lvCombs.Column%d", c));
        if (w > 0) FCombsView->setColumnWidth(c, w);
    }
    for (int c = 0; c < 3; ++c) {
        const int w = width(Format("lvFilters.Column%d", c));
        if (w > 0) FFiltersView->setColumnWidth(c, w);
    }
    const int filtersHeight = height("FiltersHeight");
    if (filtersHeight > 0) FCombsSplitter->setSizes({400, filtersHeight});
    FCombsExclude->setValue(frm.ReadInteger(section, "DrawsExclude", 0, 0, INT32_MAX));
    FStatLen->setValue(frm.ReadInteger(section, "DrawsStatLen", 1000, 1, INT32_MAX));
    for (int c = 0; c < zorb::StatColumnCount; ++c) {
        const int w = width(Format("lvDrawsStat.Column%d", c));
        if (w > 0) FStatView->setColumnWidth(c, w);
    }
    for (int c = 0; c < StakesColumnCount; ++c) {
        const int w = width(Format("sgStakes.Column%d", c));
        if (w > 0) FStakesView->setColumnWidth(c, w);
    }
    const int chartHeight = height("DrawsStatHeight");
    if (chartHeight > 0) FStatSplitter->setSizes({400, chartHeight});
    StatColumnsChanged();
    for (int c = 0; c < FDrawsModel->columnCount(); ++c) {
        const int w = width(Format("%s.Column%d", DrawsListName, c));
        if (w > 0) FDrawsView->setColumnWidth(c, w);
    }
}

void TMainWindow::SaveWindowState(TIniFile& frm, const std::string& section, TFormSettings& sizes) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    frm.WriteInteger(section, "Flags", 0);
    frm.WriteInteger(section, "ShowCmd", isMaximized() ? 3 : 1);
    if (screen) {
        frm.WriteInteger(section, "PixelsPerInch", qRound(screen->logicalDotsPerInchY()));
        frm.WriteString(section, Format("NormPos_%dx%d", screen->size().width(), screen->size().height()),
                        RectText(normal));
    }
    frm.WriteString(section, "NormPos", RectText(normal));
    if (FShown) sizes.LeftPanelWidth = FSplitter->sizes().value(0, sizes.LeftPanelWidth);
    for (int c = 0; c < FDrawsModel->columnCount(); ++c)
        frm.WriteInteger(section, Format("%s.Column%d", DrawsListName, c), FDrawsView->columnWidth(c));
    for (int c = 0; c < FCombsModel->columnCount(); ++c)
        frm.WriteInteger(section, Format("lvCombs.Column%d", c), FCombsView->columnWidth(c));
    for (int c = 0; c < 3; ++c)
        frm.WriteInteger(section, Format("lvFilters.Column%d", c), FFiltersView->columnWidth(c));
    // A hidden column reports no width; its stored one is kept for when it shows again.
    for (int c = 0; c < zorb::StatColumnCount; ++c)
        if (FStatView->columnWidth(c) > 0)
            frm.WriteInteger(section, Format("lvDrawsStat.Column%d", c), FStatView->columnWidth(c));
    for (int c = 0; c < StakesColumnCount; ++c)
        if (FStakesView->columnWidth(c) > 0)
            frm.WriteInteger(section, Format("sgStakes.Column%d", c), FStakesView->columnWidth(c));
    if (FShown && FCombsSplitter->sizes().value(1) > 0) sizes.FiltersHeight = FCombsSplitter->sizes().value(1);
    if (FShown && FStatSplitter->sizes().value(1) > 0) sizes.DrawsStatHeight = FStatSplitter->sizes().value(1);
}

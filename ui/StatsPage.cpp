#include "ui/StatsPage.h"

#include "app/TemplateMain.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "ui/FilterDialogs.h"
#include "ui/QtText.h"
#include "ui/SettingsDialogs.h"
#include "ui/StatChart.h"
#include "ui/StatModel.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

using namespace zorb;

namespace {
const char* const ListName = "lvDrawsStat";
}

TStatsPage::TStatsPage(TPageHost& host, QWidget* parent) : TPage(host, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* row = new QHBoxLayout();
    FType = new QComboBox(this);
    FType->setObjectName("cbDrawsStatType");
    FType->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    FType->setMinimumContentsLength(28);
    FLen = new QSpinBox(this);
    FLen->setObjectName("edDrawsStatLen");
    FLen->setRange(1, 2147483647);
    FToolBar = NewToolBar();
    row->addWidget(FType, 1);
    row->addWidget(FLen);
    layout->addLayout(row);
    // A row of its own: beside the method's name the filter buttons would go into the overflow menu.
    layout->addWidget(FToolBar);
    FSplitter = new QSplitter(Qt::Vertical, this);
    FView = new QTableView(FSplitter);
    SetupRowView(FView, ListName);
    FView->horizontalHeader()->setSectionsClickable(true);
    FView->horizontalHeader()->setSortIndicatorShown(true);
    FChart = new TStatChartView(FSplitter);
    FChart->setObjectName("crtDrawsStat");
    FSplitter->setStretchFactor(0, 3);
    FSplitter->setStretchFactor(1, 2);
    FSplitter->setSizes({330, 220});
    layout->addWidget(FSplitter, 1);
    connect(FType, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!FApp || FFillingMethods || index < 0) return;
        FApp->Statistics().SelectStatType(FType->itemData(index).toInt());
        FHost.ActionsChanged();
    });
    connect(FLen, &QSpinBox::editingFinished, this, [this] {
        if (FApp && FLen->hasFocus()) FApp->Statistics().SetDrawsStatLen(FLen->value());
    });
    connect(FView->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (FApp) FApp->Statistics().SortStatBy(column);
    });
}

QString TStatsPage::Title() const {
    return TrQ("Статистика");
}

void TStatsPage::Attach(TTemplateMain& app) {
    FApp = &app;
    const TTemplateMain* source = &app;
    FModel =
        new TStatModel([source]() -> const std::vector<TStatLine>& { return source->Statistics().StatLines(); }, this);
    FView->setModel(FModel);
    FitColumnsToContents(FView);
    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TStatsPage::OnSelectionChanged);
}

void TStatsPage::LanguageChanged() {
    FillToolBar(FToolBar, "Stats");
    FType->setToolTip(TrQ("Вид расчета статистики"));
    FType->setStatusTip(FType->toolTip());
    FLen->setToolTip(TrQ("Количество тиражей, использующихся для расчета статистики"));
    FLen->setStatusTip(FLen->toolTip());
}

void TStatsPage::RestoreState(const TStoredSizes& sizes) {
    FLen->setValue(sizes.Frm.ReadInteger(sizes.Section, "DrawsStatLen", 1000, 1, INT32_MAX));
    RestoreColumnWidths(FView, sizes, ListName, StatColumnCount);
    const int chartHeight = sizes.Height("DrawsStatHeight");
    if (chartHeight > 0) FSplitter->setSizes({400, chartHeight});
    StatColumnsChanged();
}

void TStatsPage::SaveState(TIniFile& frm, const std::string& section, TFormSettings& sizes, bool shown) {
    SaveColumnWidths(FView, frm, section, ListName, StatColumnCount, false);
    if (shown && FSplitter->sizes().value(1) > 0) sizes.DrawsStatHeight = FSplitter->sizes().value(1);
}

void TStatsPage::OnSelectionChanged() {
    if (!FApp) return;
    FApp->Statistics().SetStatSelection(SelectedRows(FView));
}

void TStatsPage::StatMethodsChanged() {
    if (!FApp) return;
    FFillingMethods = true;
    FType->clear();
    for (int entry : FApp->Statistics().StatTypeItems())
        FType->addItem(QString::fromStdString(FApp->Stats().DisplayName(entry, true)), entry);
    FType->setCurrentIndex(FType->findData(FApp->Statistics().StatTypeEntry()));
    // The length field names the length of the table shown, also one a scenario run left.
    FLen->setValue(FApp->Settings().DrawsStatLen);
    FFillingMethods = false;
}

void TStatsPage::StatTableChanged() {
    if (!FApp) return;
    FModel->Reset();
    FView->horizontalHeader()->setSortIndicator(FApp->Statistics().StatSortColumn(),
                                                FApp->Statistics().StatSortDescending() ? Qt::DescendingOrder
                                                                                        : Qt::AscendingOrder);
    FChart->Show(FApp->Statistics().StatTable().Chart);
}

void TStatsPage::StatColumnsChanged() {
    if (!FApp) return;
    for (int c : NormColumns) FView->setColumnHidden(c, !FApp->Settings().PrefetchsEnabled);
    RefitColumns(FView);
}

void TStatsPage::MethodListsChanged() {
    for (TPage* page : FHost.Pages()) page->StatMethodsChanged();
}

bool TStatsPage::EditConfig(TConfigData& config) {
    TConfigDialog dlg(config, window());
    dlg.SetOnline(ReadOnlineFields(*FApp));
    if (dlg.exec() != QDialog::Accepted) return false;
    config = dlg.Result();
    try {
        WriteOnlineFields(*FApp, dlg.Online());
    } catch (const std::exception& e) {
        FApp->UI().ShowMessage(TMsgBox::Error, Format(Tr("Ошибка записи в файл конфигурации!\r\r%s"), ErrorText(e)));
    }
    return true;
}

bool TStatsPage::EditShredding(TShreddingData& shredding) {
    TShreddingDialog dlg(shredding, window());
    if (dlg.exec() != QDialog::Accepted) return false;
    shredding = dlg.Result();
    return true;
}

bool TStatsPage::EditFilter(TFilterItem& item, const TFilterDialogContext& context) {
    TFilterDialog dlg(item, context, window());
    if (dlg.exec() != QDialog::Accepted) return false;
    item = dlg.Result();
    return true;
}

bool TStatsPage::ManageFavorites(TFavoritesEditor& editor) {
    TFavoritesDialog dlg(
        editor,
        [this](int entry) {
            if (FApp) FApp->Statistics().ShowMethodInfo(entry);
        },
        window());
    return dlg.exec() == QDialog::Accepted;
}

void TStatsPage::ShowMethodHelp(const std::string& title, const std::string& html) {
    ShowMethodHelpWindow(window(), QString::fromStdString(title), QString::fromStdString(html));
}

#include "ui/RatingsPage.h"

#include "app/TemplateMain.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "ui/ChartDialog.h"
#include "ui/GridModel.h"
#include "ui/QtText.h"
#include "ui/ScenarioPage.h"
#include "ui/VerdictDialog.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

using namespace zorb;

namespace {

const char* const ListName = "lvRatings";

// What a user asks first of an entry, whether it beats random play, stands right after its comment.
std::vector<int> DefaultOrder() {
    std::vector<int> order{0, RatingExpectedMatchesColumn, RatingExpectedProfitColumn, RatingPValueColumn,
                           RatingCorrectedPValueColumn};
    for (int c = 1; c < RatingExpectedMatchesColumn; ++c) order.push_back(c);
    return order;
}

std::vector<int> ColumnList(const std::string& text) {
    std::vector<int> list;
    for (const std::string& part : SplitKeepEmpty(text, ',')) {
        int32_t v = 0;
        if (TryStrToInt(Trim(part), v) && v >= 0 && v < RatingColumnCount) list.push_back(v);
    }
    return list;
}

std::string ColumnListText(const std::vector<int>& list) {
    std::vector<std::string> parts;
    for (int c : list) parts.push_back(std::to_string(c));
    return Join(parts, ",");
}

} // namespace

TRatingsPage::TRatingsPage(TPageHost& host, QWidget* parent) : TPage(host, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    FToolBar = NewToolBar();
    layout->addWidget(FToolBar);
    FView = new QTableView(this);
    SetupRowView(FView, ListName);
    layout->addWidget(FView, 1);
}

QString TRatingsPage::Title() const {
    return TrQ("Рейтинг");
}

void TRatingsPage::Attach(TTemplateMain& app) {
    FApp = &app;
    TTemplateMain* a = &app;
    FModel = new TGridTextModel({[a] { return QtCount(a->RatingsTab().Ratings().Count()); },
                                 [] { return RatingColumnCount; },
                                 [a](int r, int c) { return a->RatingsTab().CellText(static_cast<size_t>(r), c); },
                                 [](int c) { return RatingColumnCaption(c); },
                                 [a](int r, int c) { return a->RatingsTab().CellColor(static_cast<size_t>(r), c); },
                                 [a](int c) { return a->RatingsTab().ColumnHint(c); }},
                                this);
    FView->setModel(FModel);
    // Starting widths: the comment wide, the counters narrow.
    for (int c = 0; c < FModel->columnCount(); ++c) {
        int w = 70;
        if (c == 0)
            w = 220;
        else if (c >= 6 && c < RatingEColumn)
            w = 45;
        else if (c >= RatingExpectedMatchesColumn)
            w = 110;
        FView->setColumnWidth(c, w);
    }
    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TRatingsPage::OnSelection);
    FView->horizontalHeader()->setSectionsMovable(true);
    ShowColumns(DefaultOrder(), {});
    FView->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FView->horizontalHeader(), &QWidget::customContextMenuRequested, this, &TRatingsPage::ColumnsMenu);
    FView->horizontalHeader()->setSectionsClickable(true);
    connect(FView->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int c) { FApp->RatingsTab().SortByHeader(c); });
    connect(FView, &QTableView::doubleClicked, this, [this] {
        if (QAction* overlap = FHost.ActionByName("RatingsGraphOverlap"); overlap && overlap->isEnabled())
            FHost.RunAction("RatingsGraphOverlap");
    });
    FView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FView, &QWidget::customContextMenuRequested, this, &TRatingsPage::ContextMenu);
}

void TRatingsPage::ContextMenu(const QPoint& at) {
    QMenu menu(this);
    const char* const names[] = {"RatingsRefresh",     "",
                                 "RatingsExport",      "RatingsXlsExport",
                                 "RatingsToScript",    "",
                                 "StakesGraphDraws",   "StakesGraphOverlap",
                                 "StakesGraphProfits", "RatingsGraphOverlap",
                                 "RatingsGraphLuck"};
    for (const char* name : names) {
        if (!*name) {
            menu.addSeparator();
        } else if (QAction* a = FHost.ActionByName(name)) {
            menu.addAction(a);
        }
    }
    menu.addSeparator();
    QMenu* modes = menu.addMenu(TrQ("Эффективность (столбцы E0..n)"));
    for (const char* name : {"RatingsEffMode0", "RatingsEffMode1", "RatingsEffMode2"})
        if (QAction* a = FHost.ActionByName(name)) modes->addAction(a);
    menu.exec(FView->viewport()->mapToGlobal(at));
}

void TRatingsPage::LanguageChanged() {
    FillToolBar(FToolBar, "Ratings");
}

// Logical columns in `order` come first, the rest after them in the default order; the comment always shows.
void TRatingsPage::ShowColumns(const std::vector<int>& order, const std::vector<int>& hidden) {
    QHeaderView* header = FView->horizontalHeader();
    std::vector<int> full;
    for (int c : order)
        if (std::find(full.begin(), full.end(), c) == full.end()) full.push_back(c);
    for (int c : DefaultOrder())
        if (std::find(full.begin(), full.end(), c) == full.end()) full.push_back(c);
    for (size_t visual = 0; visual < full.size(); ++visual)
        header->moveSection(header->visualIndex(full[visual]), static_cast<int>(visual));
    for (int c = 0; c < RatingColumnCount; ++c)
        header->setSectionHidden(c, c != 0 && std::find(hidden.begin(), hidden.end(), c) != hidden.end());
}

std::vector<int> TRatingsPage::ShownColumns() const {
    const QHeaderView* header = FView->horizontalHeader();
    std::vector<int> shown;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int c = header->logicalIndex(visual);
        if (!header->isSectionHidden(c)) shown.push_back(c);
    }
    return shown;
}

void TRatingsPage::ColumnsMenu(const QPoint& at) {
    QHeaderView* header = FView->horizontalHeader();
    QMenu menu(this);
    for (int visual = 0; visual < header->count(); ++visual) {
        const int c = header->logicalIndex(visual);
        if (c == 0) continue;
        QAction* a = menu.addAction(QS(RatingColumnCaption(c)));
        a->setCheckable(true);
        a->setChecked(!header->isSectionHidden(c));
        a->setToolTip(QS(FApp ? FApp->RatingsTab().ColumnHint(c) : ""));
        connect(a, &QAction::toggled, this, [this, header, c](bool on) {
            header->setSectionHidden(c, !on);
            if (on && FView->columnWidth(c) < 20) FView->setColumnWidth(c, 70);
        });
    }
    menu.setToolTipsVisible(true);
    menu.exec(header->mapToGlobal(at));
}

void TRatingsPage::RestoreState(const TStoredSizes& sizes) {
    RestoreColumnWidths(FView, sizes, ListName, RatingColumnCount);
    const std::string order = sizes.Frm.ReadString(sizes.Section, Format("%s.Order", ListName), "");
    const std::string hidden = sizes.Frm.ReadString(sizes.Section, Format("%s.Hidden", ListName), "");
    ShowColumns(order.empty() ? DefaultOrder() : ColumnList(order), ColumnList(hidden));
}

void TRatingsPage::SaveState(TIniFile& frm, const std::string& section, TFormSettings&, bool) {
    SaveColumnWidths(FView, frm, section, ListName, RatingColumnCount, false);
    const QHeaderView* header = FView->horizontalHeader();
    std::vector<int> order, hidden;
    for (int visual = 0; visual < header->count(); ++visual) order.push_back(header->logicalIndex(visual));
    for (int c = 0; c < header->count(); ++c)
        if (header->isSectionHidden(c)) hidden.push_back(c);
    frm.WriteString(section, Format("%s.Order", ListName), ColumnListText(order));
    frm.WriteString(section, Format("%s.Hidden", ListName), ColumnListText(hidden));
}

void TRatingsPage::OnSelection() {
    if (!FApp) return;
    std::vector<size_t> rows;
    for (const QModelIndex& i : FView->selectionModel()->selectedRows()) rows.push_back(static_cast<size_t>(i.row()));
    FApp->RatingsTab().SetSelection(std::move(rows));
}

// --- The ratings' interface -------------------------------------------------------------------------------------

void TRatingsPage::RatingsViewChanged(size_t) {
    if (FModel) FModel->Reset();
}

void TRatingsPage::ShowRatingsChart(const std::string& title, const std::vector<TChartSeries>& series) {
    TChartDialog dlg(QS(title), series, window());
    dlg.exec();
}

void TRatingsPage::ShowScenarioTab() {
    // Lines the ratings sent to the scenario are shown where they went.
    QTabWidget* tabs = Tabs();
    if (!tabs) return;
    for (int i = 0; i < tabs->count(); ++i)
        if (qobject_cast<TScenarioPage*>(tabs->widget(i))) tabs->setCurrentIndex(i);
}

void TRatingsPage::ShowTestSummary(const TVerdictTable& table) {
    // One verdict at a time: the window of an earlier test makes way for the new one.
    if (FVerdict) FVerdict->close();
    FVerdict = new TVerdictDialog(table, window());
    FVerdict->show();
}

TVerdictDialog* TRatingsPage::TestSummaryWindow() const {
    return FVerdict;
}

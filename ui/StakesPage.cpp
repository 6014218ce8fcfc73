#include "ui/StakesPage.h"

#include "app/TemplateMain.h"
#include "ui/QtText.h"
#include "ui/StakeDialogs.h"
#include "ui/StakesModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

using namespace zorb;

namespace {
const char* const ListName = "sgStakes";
}

TStakesPage::TStakesPage(TPageHost& host, QWidget* parent) : TPage(host, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    FToolBar = NewToolBar();
    layout->addWidget(FToolBar);
    FView = new QTableView(this);
    SetupRowView(FView, ListName);
    FView->setItemDelegateForColumn(2, new TStakeNumbersDelegate(FView));
    FView->setItemDelegateForColumn(4, new TStakeNumbersDelegate(FView));
    layout->addWidget(FView, 1);
}

QString TStakesPage::Title() const {
    return TrQ("Ставки");
}

void TStakesPage::Attach(TTemplateMain& app) {
    FApp = &app;
    TTemplateMain* source = &app;
    FModel = new TStakesModel(
        {TStakesController::StakeColumnCount, [source] { return source->Stakes().StakeCount(); },
         [source](int64_t record) { return source->Stakes().StakesFile().Read(record); },
         [source](int64_t record, int column) { return source->Stakes().StakeCellText(record, column); },
         [source](int column) { return source->Stakes().StakeColumnCaption(column); }},
        this);
    FView->setModel(FModel);
    FView->horizontalHeader()->setStretchLastSection(true); // the comment takes what the numbers leave
    FitColumnsToContents(FView);
    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TStakesPage::OnSelectionChanged);
}

void TStakesPage::LanguageChanged() {
    FillToolBar(FToolBar, "Stakes");
}

void TStakesPage::RestoreState(const TStoredSizes& sizes) {
    RestoreColumnWidths(FView, sizes, ListName, TStakesController::StakeColumnCount);
}

void TStakesPage::SaveState(TIniFile& frm, const std::string& section, TFormSettings& /*sizes*/, bool /*shown*/) {
    SaveColumnWidths(FView, frm, section, ListName, TStakesController::StakeColumnCount, false);
}

void TStakesPage::OnSelectionChanged() {
    if (!FApp) return;
    TRowRanges ranges;
    for (const QItemSelectionRange& r : FView->selectionModel()->selection())
        ranges.push_back({static_cast<size_t>(r.top()), static_cast<size_t>(r.bottom()) + 1});
    FApp->Stakes().SetStakesSelection(std::move(ranges));
}

void TStakesPage::StakesViewChanged(int64_t count, bool repaint, bool scrollToEnd) {
    if (!FModel) return;
    FModel->SetCount(count);
    if (repaint) FModel->RepaintAll();
    if (scrollToEnd && count > 0) {
        FView->selectRow(static_cast<int>(std::min<int64_t>(count, INT32_MAX) - 1));
        FView->scrollToBottom();
    }
}

bool TStakesPage::EditStake(TStakeRecord& record, int& drawCount) {
    TStakeDialog dlg(record, window());
    if (dlg.exec() != QDialog::Accepted) return false;
    record = dlg.Result();
    drawCount = dlg.DrawCount();
    return true;
}

bool TStakesPage::EditMultiStake(int& drawNumber, int& drawCount, std::string& comment) {
    return ShowMultiStakeDialog(window(), drawNumber, drawCount, comment);
}

bool TStakesPage::EditStakeFilter(int& condition, int& value) {
    return ShowStakeFilterDialog(window(), condition, value);
}

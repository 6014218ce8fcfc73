#include "ui/DrawsPage.h"

#include "app/TemplateMain.h"
#include "core/Format.h"
#include "ui/DrawDialogs.h"
#include "ui/DrawsModel.h"
#include "ui/QtText.h"
#include "ui/SettingsDialogs.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSpinBox>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

using namespace zorb;

namespace {
const char* const ListName = "lvDraws";
}

TDrawsPage::TDrawsPage(TPageHost& host, QWidget* parent) : TPage(host, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    FToolBar = NewToolBar();
    layout->addWidget(FToolBar);
    auto* offsetRow = new QHBoxLayout();
    FOffsetLabel = new QLabel(this);
    FOffsetLabel->setObjectName("lblDrawsOffset");
    FOffset = new QSpinBox(this);
    FOffset->setObjectName("edDrawsOffset");
    FOffset->setRange(0, 0);
    FOffsetLabel->setBuddy(FOffset);
    offsetRow->addWidget(FOffsetLabel);
    offsetRow->addWidget(FOffset);
    offsetRow->addStretch(1);
    layout->addLayout(offsetRow);
    FView = new QTableView(this);
    SetupRowView(FView, ListName);
    FView->horizontalHeader()->setHighlightSections(false);
    layout->addWidget(FView, 1);
    connect(FOffset, &QSpinBox::valueChanged, this, [this](int v) {
        if (FApp) FApp->Archive().SetDrawsOffset(v);
    });
    // Beside the next draw on the status line: how far back the analyses look, shown only while it is not 0,
    // because everything then works as if the newest draws did not exist yet.
    FOffsetPanel = new QLabel(this);
    FOffsetPanel->setObjectName("panelOffset");
    FOffsetPanel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    FOffsetPanel->setStyleSheet("QLabel { color: #a00000; background: #fff0b0; font-weight: bold; }");
    FOffsetPanel->hide();
}

QWidget* TDrawsPage::StatusPanel() const {
    return FOffsetPanel;
}

QString TDrawsPage::Title() const {
    return TrQ("Архив тиражей");
}

void TDrawsPage::Attach(TTemplateMain& app) {
    FApp = &app;
    const TTemplateMain* source = &app;
    FModel = new TDrawsModel({TDrawsController::DrawColumnCount, [source] { return source->Archive().DrawRowCount(); },
                              [source](int row, int column) { return source->Archive().DrawCellText(row, column); },
                              [source](int row, int column) { return source->Archive().DrawCellColor(row, column); },
                              [source](int column) { return source->Archive().DrawColumnCaption(column); }},
                             this);
    FView->setModel(FModel);
    FitColumnsToContents(FView);
    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TDrawsPage::OnSelectionChanged);
    connect(FView, &QAbstractItemView::doubleClicked, this, [this] {
        if (FApp && !FApp->Busy()) FHost.RunAction("DrawsInfo");
    });
}

void TDrawsPage::LanguageChanged() {
    FillToolBar(FToolBar, "Draws");
    FOffsetLabel->setText(TrQ("Смещение назад:"));
    const QString offsetHint = TrQ("Смещение относительно последнего загруженного номера тиража");
    FOffset->setToolTip(offsetHint);
    FOffset->setStatusTip(offsetHint);
}

void TDrawsPage::ActionsChanged(bool busy) {
    FOffset->setEnabled(!busy);
}

void TDrawsPage::RestoreState(const TStoredSizes& sizes) {
    RestoreColumnWidths(FView, sizes, ListName, FModel->columnCount());
}

void TDrawsPage::SaveState(TIniFile& frm, const std::string& section, TFormSettings& /*sizes*/, bool /*shown*/) {
    SaveColumnWidths(FView, frm, section, ListName, FModel->columnCount(), true);
}

void TDrawsPage::OnSelectionChanged() {
    if (!FApp) return;
    FApp->Archive().SetDrawsSelection(SelectedRows(FView));
}

void TDrawsPage::DrawsListReset() {
    if (FModel) FModel->Reset();
}

void TDrawsPage::DrawsListRepaint() {
    if (FModel) FModel->RepaintAll();
}

void TDrawsPage::SetOffsetField(int value, int maxValue) {
    QSignalBlocker block(FOffset);
    FOffset->setRange(0, std::max(maxValue, 0));
    FOffset->setValue(value);
    FOffsetPanel->setText(QS(Format(Tr("Смещение назад: %d"), value)));
    FOffsetPanel->setToolTip(TrQ("Анализ, прогноз и новые ставки относятся к тиражу после смещения, а не к "
                                 "следующему тиражу архива"));
    FOffsetPanel->setVisible(value != 0);
}

bool TDrawsPage::EditDraw(TDrawRec& draw) {
    TDrawDialog dlg(draw, window());
    if (dlg.exec() != QDialog::Accepted) return false;
    draw = dlg.Draw();
    return true;
}

bool TDrawsPage::EditProxy(TProxy& proxy) {
    return ShowProxyDialog(window(), proxy);
}

#include "ui/ScenarioPage.h"

#include "app/TemplateMain.h"
#include "core/Format.h"
#include "ui/DialogButtons.h"
#include "ui/QtText.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

using namespace zorb;

namespace {
const char* const ListName = "lvScript";
}

// Thin: every cell is formatted by the controller on demand.
class TScriptModel : public QAbstractTableModel {
public:
    TScriptModel(TScenarioController& sc, QObject* parent) : QAbstractTableModel(parent), FSc(sc) {}
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : FSc.LineCount(); }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : TScenarioController::ScriptColumnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return QString::fromStdString(FSc.ScriptCellText(index.row(), index.column()));
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole) return {};
        if (o == Qt::Vertical) return section + 1;
        return QString::fromStdString(FSc.ScriptColumnCaption(section));
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    TScenarioController& FSc;
};

TScenarioPage::TScenarioPage(TPageHost& host, QWidget* parent) : TPage(host, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    FToolBar = NewToolBar();
    layout->addWidget(FToolBar);
    FView = new QTableView(this);
    SetupRowView(FView, ListName);
    FView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(FView, 1);
    auto* panels = new QHBoxLayout;
    // The run's own buttons stay in sight beside its panels; on a narrow page the toolbar hides them.
    for (size_t i = 0; i < FRunButtons.size(); ++i) {
        FRunButtons[i] = new QToolButton(this);
        FRunButtons[i]->setToolButtonStyle(Qt::ToolButtonTextOnly);
        panels->addWidget(FRunButtons[i]);
    }
    for (size_t i = 0; i < FPanels.size(); ++i) {
        FPanels[i] = new QLabel(this);
        FPanels[i]->setObjectName(QString("scriptPanel%1").arg(i));
        FPanels[i]->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        FPanels[i]->setMinimumWidth(90);
        panels->addWidget(FPanels[i], i + 1 == FPanels.size() ? 1 : 0);
    }
    layout->addLayout(panels);
    connect(FView, &QTableView::doubleClicked, this, [this] {
        if (FApp && FApp->ActionEnabled("ScriptEdit")) FHost.RunAction("ScriptEdit");
    });
}

QString TScenarioPage::Title() const {
    return TrQ("Сценарий");
}

void TScenarioPage::Attach(TTemplateMain& app) {
    FApp = &app;
    FModel = new TScriptModel(app.Scenarios(), this);
    FView->setModel(FModel);
    const int widths[TScenarioController::ScriptColumnCount] = {200, 340, 200, 200, 200, 200, 200, 200, 200};
    for (int c = 0; c < TScenarioController::ScriptColumnCount; ++c) FView->setColumnWidth(c, widths[c]);
    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TScenarioPage::OnSelectionChanged);
    ScriptListChanged();
}

void TScenarioPage::LanguageChanged() {
    FillToolBar(FToolBar, "Scenario");
    const char* const names[] = {"ScriptRun", "ScriptTest", "ScriptStop"};
    for (size_t i = 0; i < FRunButtons.size(); ++i)
        if (QAction* a = FHost.ActionByName(names[i])) FRunButtons[i]->setDefaultAction(a);
}

void TScenarioPage::RestoreState(const TStoredSizes& sizes) {
    RestoreColumnWidths(FView, sizes, ListName, TScenarioController::ScriptColumnCount);
}

void TScenarioPage::SaveState(TIniFile& frm, const std::string& section, TFormSettings& /*sizes*/, bool /*shown*/) {
    SaveColumnWidths(FView, frm, section, ListName, TScenarioController::ScriptColumnCount, false);
}

void TScenarioPage::OnSelectionChanged() {
    if (!FApp || FSelecting) return;
    FApp->Scenarios().SetScriptSelection(SelectedRows(FView));
}

void TScenarioPage::ScriptListChanged() {
    if (!FModel) return;
    FSelecting = true;
    FModel->Reset();
    FSelecting = false;
    ScriptSelectionChanged(-1);
    FPanels[0]->setText(QS(FApp->Scenarios().CountText()));
}

void TScenarioPage::ScriptSelectionChanged(int scrollTo) {
    if (!FModel) return;
    FSelecting = true;
    FView->clearSelection();
    for (int row : FApp->Scenarios().ScriptSelection()) FView->selectRow(row);
    FSelecting = false;
    if (scrollTo >= 0) FView->scrollTo(FModel->index(scrollTo, 0));
}

void TScenarioPage::ScriptPanelsChanged(const TScriptPanels& p) {
    FPanels[1]->setText(QS(Format(Tr("Цикл: %d"), p.Cycle)));
    FPanels[2]->setText(QS(Format(Tr("Строка: %d"), p.Line)));
    FPanels[3]->setText(QS(Format(Tr("Ставок: %d"), p.StakesAdded)));
    FPanels[4]->setText(QS(p.Text));
}

bool TScenarioPage::EditScriptLine(TScriptEditorData& line) {
    TFormScript dlg(line, FApp->Scenarios(), window());
    return dlg.exec() == QDialog::Accepted;
}

bool TScenarioPage::AskScriptTestCount(int& count, int& holdout, int maxCount) {
    return AskTestRunDialog(window(), count, holdout, maxCount);
}

void TScenarioPage::ScriptRunStateChanged(bool running) {
    // While a scenario drives them, the draws, the combinations and the statistics are not for the user's hands.
    FHost.SetRunning(running);
    FView->setEnabled(!running);
}

// --- The line editor ------------------------------------------------------------------------------------------

TFormScript::TFormScript(TScriptEditorData& edited, TScenarioController& scenarios, QWidget* parent)
    : QDialog(parent), FData(edited), FScenarios(scenarios) {
    const TScriptEditorData& shown = edited;
    setObjectName("TFormScript");
    setWindowTitle(QS(shown.Caption));
    auto* layout = new QVBoxLayout(this);

    auto* options = new QGroupBox(TrQ(" Опции "), this);
    auto* of = new QFormLayout(options);
    FSource = new QComboBox(options);
    FSource->setObjectName("cbSource");
    for (int i = 0; i < ScriptSourceCount; ++i) FSource->addItem(QS(SourceEditorCaption(i)));
    of->addRow(TrQ("Начальный список комбинаций:"), FSource);
    FExclude = new QSpinBox(options);
    FExclude->setObjectName("edExclude");
    FExclude->setRange(0, INT_MAX);
    FExclude->setToolTip(TrQ("Исключить указанное количество тиражей из списка комбинаций перед применением фильтров"));
    of->addRow(TrQ("Кол-во тиражей:"), FExclude);
    FStakeMode = new QComboBox(options);
    FStakeMode->setObjectName("cbStakeMode");
    for (int i = 0; i < ScriptStakeModeCount; ++i) FStakeMode->addItem(QS(StakeEditorCaption(i)));
    of->addRow(TrQ("В случае неоднозначного результата после применения фильтров:"), FStakeMode);
    FClear = new QCheckBox(TrQ("Удалить все ставки перед выполнением (накопление только рейтинга)"), options);
    FNewOnly = new QCheckBox(TrQ("Только новые ставки (пропускать те ставки, которые уже есть в списке)"), options);
    FClear->setObjectName("cbClearStakes");
    FNewOnly->setObjectName("cbNewOnly");
    of->addRow(FClear);
    of->addRow(FNewOnly);
    layout->addWidget(options);

    auto* filters = new QGroupBox(TrQ(" Фильтры "), this);
    auto* ff = new QFormLayout(filters);
    for (size_t i = 0; i < FFilters.size(); ++i) {
        auto* row = new QHBoxLayout;
        FFilters[i] = new QLineEdit(filters);
        FFilters[i]->setObjectName(QString("edFilter%1").arg(i + 1));
        FFilters[i]->setText(QString::fromStdString(shown.Filters[i]));
        FFilters[i]->installEventFilter(this); // a double-click edits the filter as "..." does
        auto* more = new QToolButton(filters);
        more->setObjectName(QString("btnFilter%1").arg(i + 1));
        more->setText("...");
        more->setToolTip(TrQ("Редактировать фильтр"));
        QLineEdit* edit = FFilters[i];
        connect(more, &QToolButton::clicked, this, [this, edit] { EditField(edit); });
        row->addWidget(FFilters[i], 1);
        row->addWidget(more);
        ff->addRow(QS(Format(Tr("Фильтр %d:"), static_cast<int>(i + 1))), row);
    }
    layout->addWidget(filters);
    auto* cf = new QFormLayout;
    FComment = new QLineEdit(this);
    FComment->setObjectName("edComment");
    FComment->setToolTip(TrQ("Комментарии (можно оставить пустым)"));
    FComment->setText(QString::fromStdString(shown.Comment));
    cf->addRow(TrQ("Комментарии:"), FComment);
    layout->addLayout(cf);
    layout->addWidget(OkCancelButtons(this));

    FSource->setCurrentIndex(std::min<int>(shown.Options.Source, ScriptSourceCount - 1));
    FExclude->setValue(std::max(shown.Options.ExcludeDraws, 0));
    FStakeMode->setCurrentIndex(std::min<int>(shown.Options.StakeMode, ScriptStakeModeCount - 1));
    FClear->setChecked(shown.Options.ClearStakes);
    FNewOnly->setChecked(shown.Options.NewOnly);
    resize(720, sizeHint().height());
}

void TFormScript::EditField(QLineEdit* edit) {
    std::string text = StdS(edit->text());
    if (FScenarios.EditFilterText(text)) edit->setText(QString::fromStdString(text));
}

bool TFormScript::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick)
        for (QLineEdit* edit : FFilters)
            if (watched == edit) {
                EditField(edit);
                return true;
            }
    return QDialog::eventFilter(watched, event);
}

void TFormScript::Take(TScriptEditorData& d) const {
    d.Options.Source = static_cast<uint8_t>(FSource->currentIndex());
    d.Options.ExcludeDraws = FExclude->value();
    d.Options.StakeMode = static_cast<uint8_t>(FStakeMode->currentIndex());
    d.Options.ClearStakes = FClear->isChecked();
    d.Options.NewOnly = FNewOnly->isChecked();
    for (size_t i = 0; i < FFilters.size(); ++i) d.Filters[i] = StdS(FFilters[i]->text());
    d.Comment = StdS(FComment->text());
}

void TFormScript::accept() {
    TScriptEditorData d = FData;
    Take(d);
    const std::string problem = TScenarioController::CheckEditor(d);
    if (!problem.empty()) {
        QMessageBox::warning(this, QS(Tr("Внимание!")), QS(problem));
        return;
    }
    FData = d;
    QDialog::accept();
}

// --- The test count -------------------------------------------------------------------------------------------

TTestCountDialog::TTestCountDialog(int count, int holdout, int maxCount, QWidget* parent) : QDialog(parent) {
    setObjectName("TFormTestCount");
    setWindowTitle(TrQ("Количество тестов"));
    maxCount = std::max(maxCount, 1);
    auto* form = new QFormLayout(this);
    FCount = new QSpinBox(this);
    FCount->setRange(1, maxCount);
    FCount->setValue(std::clamp(count, 1, maxCount));
    FCount->setToolTip(TrQ("Укажите количество последних тиражей, на которых будет производится тестирование"));
    FHoldout = new QSpinBox(this);
    FHoldout->setSpecialValueText(TrQ("нет"));
    FHoldout->setToolTip(TrQ("Строки рейтинга сравниваются на остальных смещениях, а лучшая из них проверяется на "
                             "последних отложенных, где ее никто не выбирал"));
    // At least one offset must stay for choosing the best line.
    auto limit = [this] { FHoldout->setRange(0, FCount->value() - 1); };
    limit();
    FHoldout->setValue(std::clamp(holdout, 0, FHoldout->maximum()));
    connect(FCount, &QSpinBox::valueChanged, this, limit);
    form->addRow(TrQ("Укажите количество тестов:"), FCount);
    form->addRow(TrQ("Отложить для проверки последних смещений:"), FHoldout);
    form->addRow(OkCancelButtons(this));
}

bool AskTestRunDialog(QWidget* parent, int& count, int& holdout, int maxCount) {
    TTestCountDialog dlg(count, holdout, maxCount, parent);
    if (dlg.exec() != QDialog::Accepted) return false;
    count = dlg.CountField()->value();
    holdout = dlg.HoldoutField()->value();
    return true;
}

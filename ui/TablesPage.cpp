#include "ui/TablesPage.h"

#include "app/TemplateMain.h"
#include "ui/GridModel.h"
#include "ui/QtText.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

using namespace zorb;

TTablesPage::TTablesPage(TPageHost& host, QWidget* parent) : TPage(host, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    FToolBar = NewToolBar();
    layout->addWidget(FToolBar);
    FView = new QTableView(this);
    SetupRowView(FView, "lvTables");
    layout->addWidget(FView, 1);
}

QString TTablesPage::Title() const {
    return TrQ("Регуляры");
}

void TTablesPage::Attach(TTemplateMain& app) {
    FApp = &app;
    TTemplateMain* a = &app;
    FModel = new TGridTextModel({[a] { return a->Tables().TabShown() ? QtCount(a->Tables().Tables().size()) : 0; },
                                 [] { return TTablesController::TableColumnCount; },
                                 [a](int r, int c) { return a->Tables().CellText(static_cast<size_t>(r), c); },
                                 [a](int c) { return a->Tables().ColumnCaption(c); },
                                 {}},
                                this);
    FView->setModel(FModel);
    // Starting widths: the comment and the combinations wide, the counters narrow.
    for (int c = 0; c < FModel->columnCount(); ++c)
        FView->setColumnWidth(c, c == 0 ? 220 : c == 1 || c == 3 ? 150 : 70);
    FitColumnsToContents(FView);
    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TTablesPage::OnSelection);
    FView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FView, &QWidget::customContextMenuRequested, this, &TTablesPage::ContextMenu);
    ShowTab(app.Tables().TabShown(), false);
}

void TTablesPage::ContextMenu(const QPoint& at) {
    QMenu menu(this);
    for (const char* name : {"TablesAdd", "TablesDel", "", "TablesStakeAdd", "TablesStakeTest"}) {
        if (!*name) {
            menu.addSeparator();
        } else if (QAction* a = FHost.ActionByName(name)) {
            menu.addAction(a);
        }
    }
    menu.exec(FView->viewport()->mapToGlobal(at));
}

void TTablesPage::LanguageChanged() {
    FillToolBar(FToolBar, "Tables");
}

void TTablesPage::OnSelection() {
    if (!FApp) return;
    std::vector<size_t> rows;
    for (const QModelIndex& i : FView->selectionModel()->selectedRows()) rows.push_back(static_cast<size_t>(i.row()));
    FApp->Tables().SetSelection(std::move(rows));
}

// --- The tables' interface --------------------------------------------------------------------------------------

void TTablesPage::TablesViewChanged(size_t) {
    if (FModel) FModel->Reset();
}

void TTablesPage::TablesTabChanged(bool shown) {
    ShowTab(FApp && FApp->Tables().TabShown(), shown);
}

bool TTablesPage::EditTable(TTableDialogData& table,
                            const std::function<std::string(const TTableDialogData&, bool&)>& check) {
    QDialog dlg(window());
    dlg.setWindowTitle(TrQ("Добавление регулярной ставки"));
    auto* form = new QFormLayout(&dlg);
    auto* comment = new QLineEdit(QS(table.Comment), &dlg);
    comment->setMaxLength(MaxTableCommentLength);
    auto* own = new QRadioButton(TrQ("Использовать постоянную стартовую комбинацию:"), &dlg);
    auto* last = new QRadioButton(TrQ("Использовать данные предыдущего тиража"), &dlg);
    auto* comb = new QLineEdit(QS(table.CombText), &dlg);
    auto* step = new QSpinBox(&dlg);
    step->setRange(-MaxTableStep, MaxTableStep);
    step->setValue(table.Step);
    own->setChecked(!table.UseLastDraw);
    last->setChecked(table.UseLastDraw);
    comb->setEnabled(table.CombEnabled && !table.UseLastDraw);
    QObject::connect(own, &QRadioButton::toggled, comb,
                     [comb, &table](bool on) { comb->setEnabled(on && table.CombEnabled); });
    form->addRow(TrQ("Комментарий к ставке:"), comment);
    form->addRow(own);
    form->addRow(comb);
    form->addRow(last);
    form->addRow(TrQ("Шаг:"), step);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->button(QDialogButtonBox::Ok)->setText(TrQ("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(TrQ("Отмена"));
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, [&] {
        TTableDialogData d = table;
        d.Comment = StdS(comment->text());
        d.UseLastDraw = last->isChecked();
        d.CombText = StdS(comb->text());
        d.Step = step->value();
        bool combField = false;
        const std::string error = check(d, combField);
        if (!error.empty()) {
            QMessageBox::critical(&dlg, TrQ("Ошибка"), QS(error));
            (combField ? static_cast<QWidget*>(comb) : comment)->setFocus();
            return;
        }
        table = d;
        dlg.accept();
    });
    return dlg.exec() == QDialog::Accepted;
}

bool TTablesPage::AskTablesTestCount(int& count, int maxCount) {
    QInputDialog dlg(window());
    dlg.setWindowTitle(TrQ("Количество тестов"));
    dlg.setLabelText(TrQ("Укажите количество тестов:"));
    dlg.setInputMode(QInputDialog::IntInput);
    dlg.setIntRange(1, std::max(maxCount, 1));
    dlg.setIntValue(std::clamp(count, 1, std::max(maxCount, 1)));
    dlg.setOkButtonText(TrQ("OK"));
    dlg.setCancelButtonText(TrQ("Отмена"));
    if (dlg.exec() != QDialog::Accepted) return false;
    count = dlg.intValue();
    return true;
}

#include "ui/LibraryPanel.h"

#include "app/TemplateMain.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "online/OnlineWire.h"
#include "ui/QtText.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace zorb;

namespace {
const char* const ListName = "lvOnlineScripts";
constexpr int DefaultPanelHeight = 230;
constexpr int TitleLength = 64, AuthorLength = 64;

const char* const RateActions[] = {"ScriptLibraryRate1", "ScriptLibraryRate2", "ScriptLibraryRate3",
                                   "ScriptLibraryRate4", "ScriptLibraryRate5", "",
                                   "ScriptLibraryRate0", "ScriptLibraryHide"};
const char* const PopupActions[] = {"ScriptLibraryDownload",
                                    "",
                                    "*rate",
                                    "",
                                    "ScriptLibraryUpload",
                                    "ScriptLibraryReplace",
                                    "ScriptLibraryDelete",
                                    "",
                                    "ScriptLibraryView",
                                    "ScriptLibraryRates",
                                    "",
                                    "ScriptLibraryRefresh"};
} // namespace

// Thin: the controller formats every cell.
class TLibraryModel : public QAbstractTableModel {
public:
    TLibraryModel(TLibraryController& lib, QObject* parent) : QAbstractTableModel(parent), FLib(lib) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(FLib.Rows().size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : TLibraryController::ColumnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        if (role == Qt::DisplayRole) return QString::fromStdString(FLib.CellText(index.row(), index.column()));
        if (role == Qt::DecorationRole && index.column() == 0) {
            const bool pub = FLib.Rows()[static_cast<size_t>(index.row())].Public;
            return QApplication::style()->standardIcon(pub ? QStyle::SP_DriveNetIcon : QStyle::SP_DirHomeIcon);
        }
        if (role == Qt::ToolTipRole && index.column() == 0)
            return FLib.Rows()[static_cast<size_t>(index.row())].Public ? TrQ("Сценарий виден всем пользователям")
                                                                        : TrQ("Сценарий виден только мне");
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
        return QString::fromStdString(TLibraryController::ColumnCaption(section));
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    TLibraryController& FLib;
};

// --- The panel -------------------------------------------------------------------------------------------------

TLibraryPanel::TLibraryPanel(TPageHost& host, QWidget* parent) : TPage(host, parent) {
    setObjectName("pnlOnlineScripts");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    auto* top = new QHBoxLayout;
    FToolBar = NewToolBar();
    top->addWidget(FToolBar);
    FRateButton = new QToolButton(this);
    FRateButton->setObjectName("btnOnlineScriptsRate");
    FRateButton->setPopupMode(QToolButton::InstantPopup);
    FRateMenu = new QMenu(FRateButton);
    FRateButton->setMenu(FRateMenu);
    top->addWidget(FRateButton);
    top->addStretch(1);
    FFilterLabel = new QLabel(this);
    top->addWidget(FFilterLabel);
    FFilter = new QComboBox(this);
    FFilter->setObjectName("cbOnlineScriptsFilter");
    FFilter->setEnabled(false); // until the start-up has loaded the catalogue once
    top->addWidget(FFilter);
    layout->addLayout(top);
    FView = new QTableView(this);
    SetupRowView(FView, ListName);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(FView, 1);
    FState = new QLabel(this);
    FState->setObjectName("lblOnlineScriptsState");
    FState->setWordWrap(true);
    FState->hide();
    layout->addWidget(FState);
    FPopup = new QMenu(this);

    connect(FView, &QTableView::doubleClicked, this, [this] {
        if (FApp && FApp->ActionEnabled("ScriptLibraryView")) FHost.RunAction("ScriptLibraryView");
    });
    connect(FView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { FPopup->popup(FView->viewport()->mapToGlobal(at)); });
    connect(FFilter, &QComboBox::currentIndexChanged, this, [this](int item) {
        if (!FApp || FFilling || item < 0) return;
        FApp->Library().SetFilter(item);
        FHost.ActionsChanged();
    });
}

TLibraryPanel* TLibraryPanel::Install(TPageHost& host, QTableView* scenarioList) {
    QWidget* page = scenarioList->parentWidget();
    auto* split = new QSplitter(Qt::Vertical, page);
    split->setObjectName("splOnlineScripts");
    split->setChildrenCollapsible(false);
    if (QLayout* layout = page->layout()) delete layout->replaceWidget(scenarioList, split);
    split->addWidget(scenarioList);
    auto* panel = new TLibraryPanel(host, split);
    split->addWidget(panel);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    panel->FSplitter = split;
    return panel;
}

QString TLibraryPanel::Title() const {
    return TrQ("Online каталог сценариев");
}

void TLibraryPanel::Attach(TTemplateMain& app) {
    FApp = &app;
    FModel = new TLibraryModel(app.Library(), this);
    FView->setModel(FModel);
    FitColumnsToContents(FView);
    connect(FView->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TLibraryPanel::OnCurrentChanged);
    FillFilter();
    LibraryPanelShown(app.Library().PanelShown());
    LibraryListChanged();
}

void TLibraryPanel::FillFilter() {
    FFilling = true;
    FFilter->clear();
    for (int i = 0; i < TLibraryController::FilterCount; ++i)
        FFilter->addItem(QS(TLibraryController::FilterCaption(i)));
    FFilter->setToolTip(TrQ("Фильтр сценариев"));
    if (FApp) FFilter->setCurrentIndex(FApp->Library().Filter());
    FFilling = false;
}

void TLibraryPanel::FillMenus() {
    FRateMenu->clear();
    for (const char* name : RateActions) {
        if (!*name)
            FRateMenu->addSeparator();
        else if (QAction* a = FHost.ActionByName(name))
            FRateMenu->addAction(a);
    }
    FPopup->clear();
    for (const char* name : PopupActions) {
        if (!*name)
            FPopup->addSeparator();
        else if (std::string(name) == "*rate")
            FPopup->addMenu(FRateMenu)->setText(TrQ("Оценить"));
        else if (QAction* a = FHost.ActionByName(name))
            FPopup->addAction(a);
    }
}

void TLibraryPanel::LanguageChanged() {
    FillToolBar(FToolBar, "OnlineScripts");
    FillMenus();
    FRateButton->setText(TrQ("Оценить"));
    FFilterLabel->setText(TrQ("Фильтр:"));
    FillFilter();
    if (FModel) FModel->Reset();
}

void TLibraryPanel::ActionsChanged(bool busy) {
    if (!FApp) return;
    const TLibraryController& lib = FApp->Library();
    FFilter->setEnabled(!busy && lib.FilterEnabled() && lib.PanelShown());
    FRateButton->setEnabled(!busy && lib.PanelShown() && lib.Focused());
}

void TLibraryPanel::RestoreState(const TStoredSizes& sizes) {
    RestoreColumnWidths(FView, sizes, ListName, TLibraryController::ColumnCount);
    FStoredHeight = sizes.Height("ScriptLibraryHeight");
}

void TLibraryPanel::SaveState(TIniFile& frm, const std::string& section, TFormSettings& sizes, bool shown) {
    SaveColumnWidths(FView, frm, section, ListName, TLibraryController::ColumnCount, false);
    // A hidden panel, or one never laid out, keeps the height it had.
    if (shown && FHeightApplied && isVisible() && height() > 0) sizes.ScriptLibraryHeight = height();
}

void TLibraryPanel::showEvent(QShowEvent* event) {
    TPage::showEvent(event);
    if (!FHeightApplied) QTimer::singleShot(0, this, [this] { ApplyHeight(); });
}

void TLibraryPanel::ApplyHeight() {
    if (FHeightApplied || !FSplitter || FSplitter->height() <= 0) return;
    FHeightApplied = true;
    const int total = FSplitter->height() - FSplitter->handleWidth();
    const int h = std::clamp(FStoredHeight > 0 ? FStoredHeight : DefaultPanelHeight, 60, std::max(total - 60, 60));
    FSplitter->setSizes({std::max(total - h, 1), h});
}

void TLibraryPanel::LibraryPanelShown(bool shown) {
    setVisible(shown);
}

void TLibraryPanel::OnCurrentChanged() {
    if (!FApp || FFilling) return;
    const QModelIndex i = FView->selectionModel()->currentIndex();
    FApp->Library().SetFocusedRow(i.isValid() ? i.row() : -1);
    FHost.ActionsChanged();
}

void TLibraryPanel::LibraryListChanged() {
    if (!FModel) return;
    const TLibraryController& lib = FApp->Library();
    FFilling = true;
    FModel->Reset();
    const int row = lib.FocusedRow();
    if (row >= 0) {
        FView->selectionModel()->setCurrentIndex(FModel->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        FView->scrollTo(FModel->index(row, 0));
    }
    FFilter->setCurrentIndex(lib.Filter());
    FFilling = false;
    FState->setText(QS(lib.LastError()));
    FState->setVisible(!lib.LastError().empty());
}

// --- The scenario dialog -----------------------------------------------------------------------------------------

TFormScrPublic::TFormScrPublic(TScriptDialog& dialog, TLibraryController& library, QWidget* parent)
    : QDialog(parent), FDialog(dialog), FLibrary(library) {
    const TScriptDialog& shown = dialog;
    setObjectName("TFormScrPublic");
    setWindowTitle(TrQ("Свойства сценария"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FTitle = new QLineEdit(this);
    FTitle->setObjectName("edTitle");
    FTitle->setMaxLength(TitleLength);
    FTitle->setText(QString::fromStdString(shown.Data.Title));
    form->addRow(TrQ("Название:"), FTitle);
    FAuthor = new QLineEdit(this);
    FAuthor->setObjectName("edClName");
    FAuthor->setMaxLength(AuthorLength);
    FAuthor->setText(QString::fromStdString(shown.Data.Author));
    form->addRow(TrQ("Автор:"), FAuthor);
    FLanguage = new QComboBox(this);
    FLanguage->setObjectName("cbClLcid");
    int chosen = -1, fallback = 0;
    for (int lcid : shown.Languages) {
        const TLanguageInfo* info = FindLanguage(lcid);
        FLanguage->addItem(QString::fromUtf8(info ? info->Name : std::to_string(lcid).c_str()), lcid);
        if (chosen < 0 && SamePrimaryLanguage(lcid, shown.Data.Language)) chosen = FLanguage->count() - 1;
        if (SamePrimaryLanguage(lcid, shown.FallbackLanguage)) fallback = FLanguage->count() - 1;
    }
    FLanguage->setCurrentIndex(chosen >= 0 ? chosen : fallback);
    form->addRow(TrQ("Язык:"), FLanguage);
    layout->addLayout(form);

    auto* appBox = new QGroupBox(TrQ(" Применяемость "), this);
    appBox->setObjectName("rgAppMode");
    auto* appLayout = new QVBoxLayout(appBox);
    FAppMode = new QButtonGroup(this);
    auto* only = new QRadioButton(TrQ("Только в") + " \"" + QString::fromStdString(shown.AppName) + "\"", appBox);
    auto* any = new QRadioButton(TrQ("В любом приложении Kessto"), appBox);
    FAppMode->addButton(only, 0);
    FAppMode->addButton(any, 1);
    appLayout->addWidget(only);
    appLayout->addWidget(any);
    (shown.Data.Universal ? any : only)->setChecked(true);
    auto* viewBox = new QGroupBox(TrQ(" Доступность "), this);
    viewBox->setObjectName("rgViewMode");
    auto* viewLayout = new QVBoxLayout(viewBox);
    FViewMode = new QButtonGroup(this);
    auto* everyone = new QRadioButton(TrQ("Сценарий виден всем пользователям"), viewBox);
    auto* me = new QRadioButton(TrQ("Сценарий виден только мне"), viewBox);
    FViewMode->addButton(everyone, 0);
    FViewMode->addButton(me, 1);
    viewLayout->addWidget(everyone);
    viewLayout->addWidget(me);
    (shown.Data.Public ? everyone : me)->setChecked(true);
    auto* modes = new QHBoxLayout;
    modes->addWidget(appBox, 1);
    modes->addWidget(viewBox, 1);
    layout->addLayout(modes);

    layout->addWidget(new QLabel(TrQ("Описание:"), this));
    FDescr = new QPlainTextEdit(this);
    FDescr->setObjectName("edDescr");
    FDescr->setPlainText(QString::fromStdString(ReplaceAll(shown.Data.Descr, "\r\n", "\n")));
    layout->addWidget(FDescr, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(TrQ("Отправить сценарий на сервер"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOk");
    QPushButton* close = buttons->addButton(TrQ("Закрыть окно"), QDialogButtonBox::RejectRole);
    close->setObjectName("btnClose");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    if (shown.ReadOnly) {
        for (QWidget* w : std::initializer_list<QWidget*>{FTitle, FAuthor, FLanguage, appBox, viewBox, FDescr})
            w->setEnabled(false);
        ok->hide();
        close->setDefault(true);
        close->setFocus();
    } else {
        ok->setDefault(true);
        FTitle->setFocus();
    }
    resize(560, 460);
}

TScriptDialog TFormScrPublic::Taken() const {
    TScriptDialog d = FDialog;
    d.Data.Title = Trim(StdS(FTitle->text()));
    d.Data.Author = Trim(StdS(FAuthor->text()));
    d.Data.Language = FLanguage->currentIndex() >= 0 ? FLanguage->currentData().toInt() : d.FallbackLanguage;
    d.Data.Universal = FAppMode->checkedId() == 1;
    d.Data.Public = FViewMode->checkedId() == 0;
    // The server keeps descriptions with CR LF line ends, as every other text of the scenario.
    d.Data.Descr = ReplaceAll(StdS(FDescr->toPlainText()), "\n", "\r\n");
    return d;
}

void TFormScrPublic::accept() {
    if (FDialog.ReadOnly) return;
    const TScriptDialog d = Taken();
    TMsgBox box = TMsgBox::Attention;
    const std::string problem = FLibrary.CheckScriptDialog(d, box);
    if (!problem.empty()) {
        QMessageBox mb(box == TMsgBox::Error ? QMessageBox::Critical : QMessageBox::Warning, QS(MsgBoxCaption(box)),
                       QS(problem), QMessageBox::Ok, this);
        mb.exec();
        return;
    }
    FDialog = d;
    QDialog::accept();
}

// --- The ratings window ----------------------------------------------------------------------------------------

TFormScrRates::TFormScrRates(const tScriptInfo& script, const std::vector<TScriptRate>& rates, QWidget* parent)
    : QDialog(parent) {
    setObjectName("TFormScrRates");
    setWindowTitle(TrQ("Оценки пользователей"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QString::fromStdString(script.Title), this);
    title->setObjectName("lblTitle");
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    auto* table = new QTableWidget(static_cast<int>(rates.size()), 6, this);
    table->setObjectName("lvRates");
    table->setHorizontalHeaderLabels(
        {TrQ("Имя"), TrQ("Оценка"), TrQ("Дата"), TrQ("Программа"), TrQ("Версия"), TrQ("Комментарии")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table->setWordWrap(false);
    for (size_t r = 0; r < rates.size(); ++r) {
        const TScriptRate& x = rates[r];
        const std::string cells[6] = {x.Name,
                                      std::to_string(x.Rate),
                                      FormatDateTime(x.Created),
                                      x.AppName,
                                      x.AppVer,
                                      ReplaceAll(ReplaceAll(x.Notes, "\r\n", " "), "\n", " ")};
        for (int c = 0; c < 6; ++c)
            table->setItem(static_cast<int>(r), c, new QTableWidgetItem(QString::fromStdString(cells[c])));
    }
    const int widths[6] = {140, 60, 140, 110, 70, 300};
    for (int c = 0; c < 6; ++c) table->setColumnWidth(c, widths[c]);
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 1);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(TrQ("Закрыть"), QDialogButtonBox::RejectRole);
    close->setObjectName("btnClose");
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(880, 380);
}

// --- Dialogs ---------------------------------------------------------------------------------------------------

bool TLibraryPanel::EditScriptInfo(TScriptDialog& dialog) {
    if (!FApp) return false;
    TFormScrPublic dlg(dialog, FApp->Library(), window());
    return dlg.exec() == QDialog::Accepted;
}

bool TLibraryPanel::AskRateComment(std::string& notes) {
    QInputDialog dlg(window());
    dlg.setWindowTitle(TrQ("Комментарий"));
    dlg.setLabelText(TrQ("Вы можете оставить свой комментарий:"));
    dlg.setTextValue(QString::fromStdString(notes));
    dlg.setOkButtonText(TrQ("OK"));
    dlg.setCancelButtonText(TrQ("Отмена"));
    if (dlg.exec() != QDialog::Accepted) return false;
    notes = StdS(dlg.textValue());
    return true;
}

void TLibraryPanel::ShowScriptRates(const tScriptInfo& script, const std::vector<TScriptRate>& rates) {
    TFormScrRates dlg(script, rates, window());
    dlg.exec();
}

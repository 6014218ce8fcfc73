#include "ui/Page.h"

#include "app/TemplateMain.h"
#include "ui/QtText.h"

#include "core/Format.h"
#include "core/IniFile.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>

#include <set>

using namespace zorb;

namespace {

constexpr int MaxFitWidth = 360;

// Sizes the columns of one view to their header and their widest visible cell. A column the fitter did not size
// (restored from the settings, dragged by the user, set by code) is pinned and left alone from then on. Fitting
// waits until the view is visible, so that "visible cells" means the rows on the screen, and after the first fit
// a column only widens, so that scrolling or new rows never make the columns jump narrower.
class TColumnFitter : public QObject {
public:
    static constexpr const char* Name = "ColumnFitter"; // found by name: the class has no meta-object of its own

    explicit TColumnFitter(QTableView* view) : QObject(view), FView(view) {
        setObjectName(Name);
        view->installEventFilter(this);
        QHeaderView* header = view->horizontalHeader();
        connect(header, &QHeaderView::sectionResized, this, [this](int column, int oldSize, int newSize) {
            // Hiding and showing a column is not a choice of width.
            if (!FFitting && oldSize > 0 && newSize > 0) FPinned.insert(column);
        });
        QAbstractItemModel* model = view->model();
        connect(model, &QAbstractItemModel::modelReset, this, [this] { Schedule(); });
        connect(model, &QAbstractItemModel::layoutChanged, this, [this] { Schedule(); });
        connect(model, &QAbstractItemModel::rowsInserted, this, [this] { Schedule(); });
        connect(model, &QAbstractItemModel::dataChanged, this, [this] { Schedule(); });
        connect(model, &QAbstractItemModel::headerDataChanged, this, [this] { Schedule(); });
    }

    void Pin(int column) { FPinned.insert(column); }
    bool Pinned(int column) const { return FPinned.count(column) > 0; }
    void Schedule() {
        if (FScheduled) return;
        FScheduled = true;
        QTimer::singleShot(0, this, [this] {
            FScheduled = false;
            Fit();
        });
    }
    void Fit() {
        if (!FView->isVisible() || !FView->model()) return;
        const QAbstractItemView* items = FView; // the table view hides its size hints from callers
        const int rows = FView->model()->rowCount();
        FFitting = true;
        for (int c = 0; c < FView->model()->columnCount(); ++c) {
            if (Pinned(c) || FView->isColumnHidden(c)) continue;
            // The last row too: in a numbered list it holds the longest number.
            const int last = rows > 0 ? items->sizeHintForIndex(FView->model()->index(rows - 1, c)).width() : 0;
            const int cells = std::max(items->sizeHintForColumn(c), last);
            // Free texts (descriptions, comments) would take the whole width: they get a fair share and elide.
            const int fit = std::max(FView->horizontalHeader()->sectionSizeHint(c), std::min(cells, MaxFitWidth));
            if (!FFitted.count(c) || fit > FView->columnWidth(c)) FView->setColumnWidth(c, fit);
            FFitted.insert(c);
        }
        FFitting = false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == FView && e->type() == QEvent::Show) Schedule();
        return false;
    }

private:
    QTableView* FView;
    std::set<int> FPinned, FFitted;
    bool FFitting = false, FScheduled = false;
};

// A toggle on a toolbar looks like one: a check box that follows its action and runs it when clicked.
class TActionCheckBox : public QCheckBox {
public:
    static constexpr const char* Mark = "actionBox"; // found by this property: no meta-object of its own

    TActionCheckBox(QAction* action, const QString& text, QWidget* parent) : QCheckBox(text, parent) {
        setObjectName(action->objectName() + "Box");
        setProperty(Mark, true);
        auto sync = [this, action] {
            setChecked(action->isChecked());
            setEnabled(action->isEnabled());
            setToolTip(action->toolTip());
            setStatusTip(action->statusTip());
        };
        sync();
        connect(action, &QAction::changed, this, sync);
        connect(this, &QCheckBox::clicked, action, [action, sync] {
            action->trigger();
            sync(); // the action's rule decides the mark, whatever the click did to the box
        });
    }
};

TColumnFitter* FitterOf(const QTableView* view) {
    return static_cast<TColumnFitter*>(view->findChild<QObject*>(TColumnFitter::Name, Qt::FindDirectChildrenOnly));
}

} // namespace

int TStoredSizes::Width(const std::string& key) const {
    return Frm.ReadInteger(Section, key, -1, 1, MaxWidth);
}

int TStoredSizes::Height(const std::string& key) const {
    return Frm.ReadInteger(Section, key, -1, 1, MaxHeight);
}

TPage::TPage(TPageHost& host, QWidget* parent) : QWidget(parent), FHost(host) {}

QTabWidget* TPage::Tabs() const {
    // A tab's page sits in the tab widget's stack.
    QWidget* stack = parentWidget();
    return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}

void TPage::ShowTab(bool shown, bool front) {
    QTabWidget* tabs = Tabs();
    const int index = tabs ? tabs->indexOf(this) : -1;
    if (index < 0) return;
    tabs->setTabVisible(index, shown);
    if (front && shown) tabs->setCurrentIndex(index);
}

QToolBar* TPage::NewToolBar() {
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return bar;
}

void TPage::FillToolBar(QToolBar* bar, const std::string& toolbar) const {
    bar->clear();
    for (QCheckBox* box : bar->findChildren<QCheckBox*>(QString(), Qt::FindDirectChildrenOnly))
        if (box->property(TActionCheckBox::Mark).toBool()) box->deleteLater();
    if (!FApp) return;
    // The places come from the action table: each subsystem names its toolbar entries and their short texts.
    for (const zorb::TAction* entry : FApp->ToolbarActions(toolbar))
        if (QAction* a = FHost.ActionByName(entry->Name)) {
            const QString text = entry->Place.ToolbarText.empty() ? a->text() : QS(entry->Place.ToolbarText);
            if (a->isCheckable()) {
                bar->addWidget(new TActionCheckBox(a, text, bar));
            } else {
                a->setIconText(text);
                bar->addAction(a);
            }
        }
}

void TPage::SetupRowView(QTableView* view, const char* objectName) const {
    view->setObjectName(objectName);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    view->setWordWrap(false);
}

std::vector<int> TPage::SelectedRows(const QTableView* view) {
    std::vector<int> rows;
    for (const QModelIndex& i : view->selectionModel()->selectedRows()) rows.push_back(i.row());
    return rows;
}

void TPage::FitColumnsToContents(QTableView* view) {
    if (!FitterOf(view)) new TColumnFitter(view);
}

void TPage::RefitColumns(QTableView* view) {
    if (TColumnFitter* fitter = FitterOf(view)) fitter->Schedule();
}

void TPage::RestoreColumnWidths(QTableView* view, const TStoredSizes& sizes, const char* listName, int count) {
    TColumnFitter* fitter = FitterOf(view);
    for (int c = 0; c < count; ++c) {
        const int w = sizes.Width(Format("%s.Column%d", listName, c));
        if (w <= 0) continue;
        view->setColumnWidth(c, w);
        if (fitter) fitter->Pin(c);
    }
}

void TPage::SaveColumnWidths(const QTableView* view, TIniFile& frm, const std::string& section, const char* listName,
                             int count, bool writeHidden) {
    const TColumnFitter* fitter = FitterOf(view);
    for (int c = 0; c < count; ++c)
        if ((!fitter || fitter->Pinned(c)) && (writeHidden || view->columnWidth(c) > 0))
            frm.WriteInteger(section, Format("%s.Column%d", listName, c), view->columnWidth(c));
}

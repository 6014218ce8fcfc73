#include "ui/Page.h"

#include "app/TemplateMain.h"
#include "ui/QtText.h"

#include "core/Format.h"
#include "core/IniFile.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QToolBar>

using namespace zorb;

int TStoredSizes::Width(const std::string& key) const {
    return Frm.ReadInteger(Section, key, -1, 1, MaxWidth);
}

int TStoredSizes::Height(const std::string& key) const {
    return Frm.ReadInteger(Section, key, -1, 1, MaxHeight);
}

TPage::TPage(TPageHost& host, QWidget* parent) : QWidget(parent), FHost(host) {}

QToolBar* TPage::NewToolBar() {
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return bar;
}

void TPage::FillToolBar(QToolBar* bar, const std::string& toolbar) const {
    bar->clear();
    if (!FApp) return;
    // The places come from the action table: each subsystem names its toolbar entries and their short texts.
    for (const zorb::TAction* entry : FApp->ToolbarActions(toolbar))
        if (QAction* a = FHost.ActionByName(entry->Name)) {
            if (!entry->Place.ToolbarText.empty()) a->setIconText(QS(entry->Place.ToolbarText));
            bar->addAction(a);
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

void TPage::RestoreColumnWidths(QTableView* view, const TStoredSizes& sizes, const char* listName, int count) {
    for (int c = 0; c < count; ++c) {
        const int w = sizes.Width(Format("%s.Column%d", listName, c));
        if (w > 0) view->setColumnWidth(c, w);
    }
}

void TPage::SaveColumnWidths(const QTableView* view, TIniFile& frm, const std::string& section, const char* listName,
                             int count, bool writeHidden) {
    for (int c = 0; c < count; ++c)
        if (writeHidden || view->columnWidth(c) > 0)
            frm.WriteInteger(section, Format("%s.Column%d", listName, c), view->columnWidth(c));
}

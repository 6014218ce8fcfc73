#include "ui/Page.h"

#include "core/Format.h"
#include "core/IniFile.h"

#include <QHeaderView>
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

void TPage::FillToolBar(QToolBar* bar, std::initializer_list<const char*> ids) const {
    bar->clear();
    for (const char* id : ids)
        if (QAction* a = FHost.ActionByName(id)) bar->addAction(a);
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

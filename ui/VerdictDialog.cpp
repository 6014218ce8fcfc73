#include "ui/VerdictDialog.h"

#include "ui/QtText.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace zorb;

namespace {

// A read-only table of texts with the header row on top; numbers right-aligned, marked rows coloured.
QTableWidget* TextTable(const std::vector<std::vector<std::string>>& rows, const std::vector<TVerdictMark>& marks,
                        QWidget* parent) {
    const int columns = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    auto* table = new QTableWidget(std::max(static_cast<int>(rows.size()) - 1, 0), columns, parent);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->setWordWrap(false);
    if (rows.empty()) return table;
    QStringList head;
    for (const std::string& h : rows.front()) head << QS(h);
    table->setHorizontalHeaderLabels(head);
    for (size_t r = 1; r < rows.size(); ++r) {
        const TVerdictMark mark = r - 1 < marks.size() ? marks[r - 1] : TVerdictMark::None;
        for (size_t c = 0; c < rows[r].size() && static_cast<int>(c) < columns; ++c) {
            auto* item = new QTableWidgetItem(QS(rows[r][c]));
            if (c > 0 && c + 2 < rows[r].size()) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            // Green only for an entry better than random play after the correction; few data stays plain.
            if (mark == TVerdictMark::Better) item->setBackground(QColor(200, 240, 200));
            if (mark == TVerdictMark::FewData) item->setForeground(QColor(110, 110, 110));
            table->setItem(static_cast<int>(r - 1), static_cast<int>(c), item);
        }
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QLabel* NoteLabel(const std::vector<std::string>& lines, QWidget* parent) {
    QStringList text;
    for (const std::string& l : lines) text << QS(l);
    auto* label = new QLabel(text.join("\n"), parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TVerdictDialog::TVerdictDialog(const TVerdictTable& t, QWidget* parent) : QDialog(parent) {
    setObjectName("TFormTestSummary");
    setWindowTitle(TrQ("Итоги теста"));
    setAttribute(Qt::WA_DeleteOnClose);
    FText = QString::fromStdString(VerdictText(t));
    auto* layout = new QVBoxLayout(this);
    FSummary = TextTable(t.Summary, t.Marks, this);
    FSummary->setObjectName("sgTestSummary");
    layout->addWidget(FSummary, 3);
    layout->addWidget(NoteLabel(t.Notes, this));
    if (!t.HeldOutTitle.empty()) {
        auto* title = new QLabel(QS(t.HeldOutTitle), this);
        title->setWordWrap(true);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        layout->addWidget(title);
        if (!t.HeldOut.empty()) {
            FHeldOut = TextTable(t.HeldOut, t.HeldOutMarks, this);
            FHeldOut->setObjectName("sgTestHeldOut");
            // Two rows: no room wasted below them.
            FHeldOut->setMaximumHeight(FHeldOut->horizontalHeader()->height() + 3 * FHeldOut->rowHeight(0) + 4);
            layout->addWidget(FHeldOut, 1);
        }
        layout->addWidget(NoteLabel(t.HeldOutNotes, this));
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copy = buttons->addButton(TrQ("Копировать"), QDialogButtonBox::ActionRole);
    QPushButton* close = buttons->addButton(TrQ("Закрыть"), QDialogButtonBox::RejectRole);
    copy->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(FText); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    layout->addWidget(buttons);
    resize(1000, 520);
}

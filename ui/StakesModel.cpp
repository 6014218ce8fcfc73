#include "ui/StakesModel.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QPainter>

using namespace zorb;

TStakesModel::TStakesModel(TStakesSource source, QObject* parent)
    : QAbstractTableModel(parent), FSource(std::move(source)) {}

int TStakesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRows;
}

int TStakesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FSource.ColumnCount;
}

QVariant TStakesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= FRows || index.row() >= FSource.Count()) return {};
    const int64_t row = index.row();
    const int col = index.column();
    if (role != Qt::DisplayRole && role != Qt::TextAlignmentRole) {
        // A record that cannot be read shows as an empty row; the next file operation reports the fault.
        try {
            FSource.Record(row);
        } catch (const std::exception&) {
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(FSource.CellText(row, col));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(col == 7   ? (Qt::AlignRight | Qt::AlignVCenter)
                                   : col == 8 ? (Qt::AlignLeft | Qt::AlignVCenter)
                                              : Qt::AlignCenter);
    case Qt::BackgroundRole: {
        const TStakeRecord r = FSource.Record(row);
        static const QRgb kinds[5] = {0, qRgb(234, 255, 234), qRgb(255, 234, 234), qRgb(234, 255, 255),
                                      qRgb(252, 253, 217)};
        if (r.Kind >= 1 && r.Kind <= 4 && !r.IsSeparator()) return QBrush(QColor(kinds[r.Kind]));
        return {};
    }
    case Qt::ForegroundRole: {
        const TStakeRecord r = FSource.Record(row);
        if (col >= 5 && col <= 7 && r.Checked && !r.IsSeparator())
            return QBrush(r.Profit > 0 ? QColor(0, 140, 0) : QColor(200, 0, 0));
        return QBrush(Qt::black);
    }
    case MatchedRole: {
        const TStakeRecord r = FSource.Record(row);
        QList<QVariant> matched;
        if (r.Checked)
            for (int i = 0; i < std::clamp(r.Matched.Count, 0, MaxStakeNumbers); ++i)
                matched << int(r.Matched.Numbers[i]);
        return matched;
    }
    default: return {};
    }
}

QVariant TStakesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= FSource.ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(FSource.ColumnCaption(section));
}

void TStakesModel::SetCount(int64_t count) {
    const int rows = static_cast<int>(std::min<int64_t>(count, INT32_MAX));
    if (rows == FRows) return;
    beginResetModel();
    FRows = rows;
    endResetModel();
}

void TStakesModel::RepaintAll() {
    if (FRows > 0) emit dataChanged(index(0, 0), index(FRows - 1, columnCount() - 1));
}

void TStakeNumbersDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    if (text.isEmpty()) return;
    QList<int> matched;
    for (const QVariant& v : index.data(TStakesModel::MatchedRole).toList()) matched << v.toInt();
    const QStringList numbers = text.split(';');
    QFont normal = opt.font, bold = opt.font;
    bold.setBold(true);
    const QFontMetrics nm(normal), bm(bold);
    // Total width first, so the numbers sit centred as the other cells do.
    const int width = NumbersWidth(opt, index, text);
    int x = opt.rect.left() + std::max(2, (opt.rect.width() - width) / 2);
    const QColor textColor = opt.state & QStyle::State_Selected ? opt.palette.highlightedText().color() : Qt::black;
    painter->save();
    for (const QString& n : numbers) {
        const bool hit = matched.contains(n.toInt());
        painter->setFont(hit ? bold : normal);
        painter->setPen(hit ? QColor(0, 0, 220) : textColor);
        const int w = (hit ? bm : nm).horizontalAdvance(n);
        painter->drawText(QRect(x, opt.rect.top(), w + 1, opt.rect.height()), Qt::AlignVCenter | Qt::AlignLeft, n);
        x += w + 3;
    }
    painter->restore();
}

int TStakeNumbersDelegate::NumbersWidth(const QStyleOptionViewItem& option, const QModelIndex& index,
                                        const QString& text) {
    QList<int> matched;
    for (const QVariant& v : index.data(TStakesModel::MatchedRole).toList()) matched << v.toInt();
    QFont bold = option.font;
    bold.setBold(true);
    const QFontMetrics nm(option.font), bm(bold);
    int width = 0;
    for (const QString& n : text.split(';')) width += (matched.contains(n.toInt()) ? bm : nm).horizontalAdvance(n) + 3;
    return width;
}

QSize TStakeNumbersDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (!opt.text.isEmpty()) size.setWidth(std::max(size.width(), NumbersWidth(opt, index, opt.text) + 6));
    return size;
}

#include "ui/DrawsModel.h"

#include <QBrush>
#include <QColor>

TDrawsModel::TDrawsModel(TDrawsSource source, QObject* parent)
    : QAbstractTableModel(parent), FSource(std::move(source)) {}

int TDrawsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FSource.RowCount();
}

int TDrawsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FSource.ColumnCount;
}

QVariant TDrawsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= FSource.RowCount()) return {};
    switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(FSource.CellText(index.row(), index.column()));
    case Qt::BackgroundRole: {
        int64_t color = FSource.CellColor(index.row(), index.column());
        if (color < 0) return {};
        return QBrush(QColor(static_cast<QRgb>(color)));
    }
    case Qt::ForegroundRole:
        // Cells with a light background keep dark text even under a dark palette.
        return FSource.CellColor(index.row(), index.column()) >= 0 ? QVariant(QBrush(Qt::black)) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(index.column() == 8   ? (Qt::AlignLeft | Qt::AlignVCenter)
                                   : index.column() == 0 ? (Qt::AlignRight | Qt::AlignVCenter)
                                                         : Qt::AlignCenter);
    default: return {};
    }
}

QVariant TDrawsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= FSource.ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(FSource.ColumnCaption(section));
}

void TDrawsModel::Reset() {
    beginResetModel();
    endResetModel();
}

void TDrawsModel::RepaintAll() {
    int rows = rowCount();
    if (rows > 0) emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
}

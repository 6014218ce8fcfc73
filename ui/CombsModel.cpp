#include "ui/CombsModel.h"

#include <QBrush>
#include <QColor>

TCombsModel::TCombsModel(TCombsSource source, QObject* parent)
    : QAbstractTableModel(parent), FSource(std::move(source)) {
    FRows = static_cast<int>(FSource.Count());
}

int TCombsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRows;
}

int TCombsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FSource.ColumnCount;
}

QVariant TCombsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= FRows) return {};
    const size_t row = static_cast<size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(FSource.CellText(row, index.column()));
    case Qt::BackgroundRole: {
        const int64_t color = FSource.CellColor(row, index.column());
        return color < 0 ? QVariant() : QVariant(QBrush(QColor(static_cast<QRgb>(color))));
    }
    case Qt::ForegroundRole:
        return FSource.CellColor(row, index.column()) >= 0 ? QVariant(QBrush(Qt::black)) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(index.column() == 0 ? (Qt::AlignRight | Qt::AlignVCenter) : Qt::AlignCenter);
    default: return {};
    }
}

QVariant TCombsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= FSource.ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(FSource.ColumnCaption(section));
}

void TCombsModel::Reset() {
    beginResetModel();
    FRows = static_cast<int>(FSource.Count());
    endResetModel();
}

void TCombsModel::RepaintAll() {
    if (FRows > 0) emit dataChanged(index(0, 0), index(FRows - 1, columnCount() - 1));
}

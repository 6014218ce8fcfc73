#include "ui/StatModel.h"

#include "core/Translate.h"
#include "stats/StatTable.h"

using namespace zorb;

TStatModel::TStatModel(TLines lines, QObject* parent) : QAbstractTableModel(parent), FLines(std::move(lines)) {
    FRows = static_cast<int>(FLines().size());
}

int TStatModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRows;
}

int TStatModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : StatColumnCount;
}

QVariant TStatModel::data(const QModelIndex& index, int role) const {
    const std::vector<TStatLine>& lines = FLines();
    if (!index.isValid() || index.row() >= FRows || index.row() >= static_cast<int>(lines.size())) return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(
            lines[static_cast<size_t>(index.row())].Cells[static_cast<size_t>(index.column())]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(index.column() == 0 ? (Qt::AlignLeft | Qt::AlignVCenter)
                                                       : (Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant TStatModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= StatColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) return QString::fromStdString(Tr(StatColumnCaption(section)));
    return {};
}

void TStatModel::Reset() {
    beginResetModel();
    FRows = static_cast<int>(FLines().size());
    endResetModel();
}

#include "ui/GridModel.h"

#include "ui/QtText.h"

#include <algorithm>
#include <climits>

QColor RgbColor(int64_t c) {
    return QColor(static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF));
}

int QtCount(size_t n) {
    return static_cast<int>(std::min<size_t>(n, INT32_MAX));
}

TGridTextModel::TGridTextModel(TSource source, QObject* parent)
    : QAbstractTableModel(parent), FSource(std::move(source)) {}

int TGridTextModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(FSource.Rows(), 0);
}

int TGridTextModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(FSource.Columns(), 0);
}

QVariant TGridTextModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return QS(FSource.Text(index.row(), index.column()));
    if (role == Qt::BackgroundRole && FSource.Color) {
        const int64_t c = FSource.Color(index.row(), index.column());
        if (c >= 0) return RgbColor(c);
    }
    return {};
}

QVariant TGridTextModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal && FSource.Hint) {
        const std::string hint = FSource.Hint(section);
        return hint.empty() ? QVariant() : QVariant(QS(hint));
    }
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return QS(FSource.Header(section));
    return section + 1;
}

void TGridTextModel::Reset() {
    beginResetModel();
    endResetModel();
}

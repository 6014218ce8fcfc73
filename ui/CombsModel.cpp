#include "ui/CombsModel.h"

#include "app/TemplateMain.h"

#include <QBrush>
#include <QColor>

using zorb::TTemplateMain;

TCombsModel::TCombsModel(const TTemplateMain& app, QObject* parent) : QAbstractTableModel(parent), FApp(app) {
    FRows = static_cast<int>(app.Combs().Count());
}

int TCombsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRows;
}

int TCombsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TTemplateMain::CombColumnCount;
}

QVariant TCombsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= FRows) return {};
    const size_t row = static_cast<size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(FApp.CombCellText(row, index.column()));
    case Qt::BackgroundRole: {
        const int64_t color = FApp.CombCellColor(row, index.column());
        return color < 0 ? QVariant() : QVariant(QBrush(QColor(static_cast<QRgb>(color))));
    }
    case Qt::ForegroundRole:
        return FApp.CombCellColor(row, index.column()) >= 0 ? QVariant(QBrush(Qt::black)) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(index.column() == 0 ? (Qt::AlignRight | Qt::AlignVCenter) : Qt::AlignCenter);
    default: return {};
    }
}

QVariant TCombsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= TTemplateMain::CombColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(FApp.CombColumnCaption(section));
}

void TCombsModel::Reset() {
    beginResetModel();
    FRows = static_cast<int>(FApp.Combs().Count());
    endResetModel();
}

void TCombsModel::RepaintAll() {
    if (FRows > 0) emit dataChanged(index(0, 0), index(FRows - 1, columnCount() - 1));
}

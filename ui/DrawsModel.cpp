#include "ui/DrawsModel.h"

#include "app/TemplateMain.h"

#include <QBrush>
#include <QColor>

using zorb::TTemplateMain;

TDrawsModel::TDrawsModel(const TTemplateMain& app, QObject* parent) : QAbstractTableModel(parent), FApp(app) {}

int TDrawsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FApp.DrawRowCount();
}

int TDrawsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TTemplateMain::DrawColumnCount;
}

QVariant TDrawsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= FApp.DrawRowCount()) return {};
    switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(FApp.DrawCellText(index.row(), index.column()));
    case Qt::BackgroundRole: {
        int64_t color = FApp.DrawCellColor(index.row(), index.column());
        if (color < 0) return {};
        return QBrush(QColor(static_cast<QRgb>(color)));
    }
    case Qt::ForegroundRole:
        // Cells with a light background keep dark text even under a dark palette.
        return FApp.DrawCellColor(index.row(), index.column()) >= 0 ? QVariant(QBrush(Qt::black)) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(index.column() == 8   ? (Qt::AlignLeft | Qt::AlignVCenter)
                                   : index.column() == 0 ? (Qt::AlignRight | Qt::AlignVCenter)
                                                         : Qt::AlignCenter);
    default: return {};
    }
}

QVariant TDrawsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= TTemplateMain::DrawColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(FApp.DrawColumnCaption(section));
}

void TDrawsModel::Reset() {
    beginResetModel();
    endResetModel();
}

void TDrawsModel::RepaintAll() {
    int rows = rowCount();
    if (rows > 0) emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
}

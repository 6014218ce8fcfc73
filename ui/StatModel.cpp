#include "ui/StatModel.h"

#include "app/TemplateMain.h"
#include "core/Translate.h"
#include "stats/StatTable.h"

using namespace zorb;

TStatModel::TStatModel(const TTemplateMain& app, QObject* parent) : QAbstractTableModel(parent), FApp(app) {
    FRows = static_cast<int>(app.StatLines().size());
}

int TStatModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRows;
}

int TStatModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : StatColumnCount;
}

QVariant TStatModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= FRows || index.row() >= static_cast<int>(FApp.StatLines().size())) return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(
            FApp.StatLines()[static_cast<size_t>(index.row())].Cells[static_cast<size_t>(index.column())]);
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
    FRows = static_cast<int>(FApp.StatLines().size());
    endResetModel();
}

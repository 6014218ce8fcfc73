// The statistics table as a model: twenty text columns per line, already formatted and sorted by its owner.
#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <vector>

namespace zorb {
struct TStatLine;
}

class TStatModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using TLines = std::function<const std::vector<zorb::TStatLine>&()>; // in the view's order

    TStatModel(TLines lines, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void Reset();

private:
    TLines FLines;
    int FRows = 0;
};

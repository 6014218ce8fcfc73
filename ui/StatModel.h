// The statistics table as a model: twenty text columns per line, already formatted and sorted by the
// application.
#pragma once

#include <QAbstractTableModel>

namespace zorb {
class TTemplateMain;
}

class TStatModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TStatModel(const zorb::TTemplateMain& app, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void Reset();

private:
    const zorb::TTemplateMain& FApp;
    int FRows = 0;
};

// The draw list as a thin virtual model: every cell is formatted by the application on demand.
#pragma once

#include <QAbstractTableModel>

namespace zorb {
class TTemplateMain;
}

class TDrawsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TDrawsModel(const zorb::TTemplateMain& app, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void Reset();      // the row count may have changed
    void RepaintAll(); // same rows, new texts or colours

private:
    const zorb::TTemplateMain& FApp;
};

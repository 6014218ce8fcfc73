// The combination list as a thin virtual model: 20 million rows cost nothing until they are shown.
#pragma once

#include <QAbstractTableModel>

namespace zorb {
class TTemplateMain;
}

class TCombsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TCombsModel(const zorb::TTemplateMain& app, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void Reset();
    void RepaintAll();

private:
    const zorb::TTemplateMain& FApp;
    int FRows = 0; // the count the views were last told about
};

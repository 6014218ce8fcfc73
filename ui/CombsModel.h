// The combination list as a thin virtual model: 20 million rows cost nothing until they are shown.
#pragma once

#include <QAbstractTableModel>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// What the combination list shows.
struct TCombsSource {
    int ColumnCount = 0;
    std::function<size_t()> Count;
    std::function<std::string(size_t row, int column)> CellText;
    std::function<int64_t(size_t row, int column)> CellColor; // -1: the list's default
    std::function<std::string(int column)> ColumnCaption;
};

class TCombsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TCombsModel(TCombsSource source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void Reset();
    void RepaintAll();

private:
    TCombsSource FSource;
    int FRows = 0; // the count the views were last told about
};

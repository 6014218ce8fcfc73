// The draw list as a thin virtual model: every cell is formatted by its source on demand.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <string>

// What the draw list shows, newest draw first.
struct TDrawsSource {
    int ColumnCount = 0;
    std::function<int()> RowCount;
    std::function<std::string(int row, int column)> CellText;
    std::function<int64_t(int row, int column)> CellColor; // -1: the list's default
    std::function<std::string(int column)> ColumnCaption;
};

class TDrawsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TDrawsModel(TDrawsSource source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void Reset();      // the row count may have changed
    void RepaintAll(); // same rows, new texts or colours

private:
    TDrawsSource FSource;
};

// A grid of texts with a colour per cell, the model the draw views, the ratings and the regular tables share.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <cstdint>
#include <functional>
#include <string>

// A colour given as 0xRRGGBB.
QColor RgbColor(int64_t rgb);

// A count as a Qt row or column count.
int QtCount(size_t n);

// Header row and column 0 of the text grid as Qt shows them.
class TGridTextModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct TSource {
        std::function<int()> Rows;
        std::function<int()> Columns;
        std::function<std::string(int row, int column)> Text;
        std::function<std::string(int column)> Header;
        std::function<int64_t(int row, int column)> Color; // -1: default
        std::function<std::string(int column)> Hint = {};  // a header's tooltip; none when absent
    };
    TGridTextModel(TSource source, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void Reset();

private:
    TSource FSource;
};

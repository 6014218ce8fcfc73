// The stakes grid: rows are read from the stakes file on demand; matched numbers are drawn bold blue and
// profits green or red, rows take the colour of their kind.
#pragma once

#include "stakes/StakeRecord.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <cstdint>
#include <functional>
#include <string>

// What the stakes grid shows. Record and CellText read through the owner's record cache and may throw when the
// file cannot be read.
struct TStakesSource {
    int ColumnCount = 0;
    std::function<int64_t()> Count;
    std::function<zorb::TStakeRecord(int64_t record)> Record;
    std::function<std::string(int64_t record, int column)> CellText;
    std::function<std::string(int column)> ColumnCaption;
};

class TStakesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum { MatchedRole = Qt::UserRole + 1, CheckedProfitRole };
    TStakesModel(TStakesSource source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void SetCount(int64_t count); // resets when the count changed
    void RepaintAll();

private:
    TStakesSource FSource;
    int FRows = 0;
};

// Columns 2 and 4: each number drawn on its own, bold blue when it was matched.
class TStakeNumbersDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // The numbers' total width as painted, matched ones bold.
    static int NumbersWidth(const QStyleOptionViewItem& option, const QModelIndex& index, const QString& text);
};

// The dialogs of the stakes tab.
#pragma once

#include "stakes/StakeRecord.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLineEdit;
class QSpinBox;

// "Добавление ставки".
class TStakeDialog : public QDialog {
    Q_OBJECT
public:
    TStakeDialog(const zorb::TStakeRecord& record, QWidget* parent = nullptr);
    bool TryAccept();
    void accept() override;
    zorb::TStakeRecord Result() const { return FRecord; }
    int DrawCount() const;

    std::function<void(const QString&)> ShowError;
    QLineEdit* NumbersEdit() const { return FNumbers; }
    QLineEdit* SumEdit() const { return FSum; }
    QLineEdit* CommentEdit() const { return FComment; }
    QSpinBox* DrawEdit() const { return FDraw; }

private:
    zorb::TStakeRecord FRecord;
    QSpinBox* FDraw;
    QSpinBox* FCount;
    QLineEdit* FNumbers;
    QLineEdit* FSum;
    QLineEdit* FComment;
};

// "Добавление мультиставки".
bool ShowMultiStakeDialog(QWidget* parent, int& drawNumber, int& drawCount, std::string& comment);
// "Удаление по условию".
bool ShowStakeFilterDialog(QWidget* parent, int& condition, int& value);

// The draw dialog of the draws tab. It lives for one call and edits a copy of the draw.
#pragma once

#include "core/KestoUtils.h"

#include <QDialog>
#include <string>

class QDateEdit;
class QLineEdit;
class QSpinBox;

// "Данные тиража": number, numbers in the order typed, date.
class TDrawDialog : public QDialog {
    Q_OBJECT
public:
    TDrawDialog(const zorb::TDrawRec& draw, QWidget* parent = nullptr);

    // Checks the fields; on success fills `draw`, otherwise returns the message to show.
    bool TryAccept(zorb::TDrawRec& draw, std::string& error) const;
    const zorb::TDrawRec& Draw() const { return FDraw; }

    QSpinBox* NumberEdit() const { return FNumber; }
    QLineEdit* NumbersEdit() const { return FNumbers; }
    QDateEdit* DateEdit() const { return FDate; }

    void accept() override;

private:
    zorb::TDrawRec FDraw;
    QSpinBox* FNumber;
    QLineEdit* FNumbers;
    QDateEdit* FDate;
};

// Decimal fields of the dialogs. "." and "," both stand for the decimal point whatever the locale, and only
// digits, the decimal point and (where the range has negatives) a minus can be typed, so "2,5" is never read
// as 25 through a group separator.
#pragma once

#include <QDoubleSpinBox>
#include <QValidator>

// For plain line edits and table cells.
class TDecimalValidator : public QValidator {
public:
    TDecimalValidator(double lo, double hi, int decimals, QObject* parent);
    State validate(QString& input, int& pos) const override;

private:
    double FLo, FHi;
    int FDecimals;
};

class TDecimalSpinBox : public QDoubleSpinBox {
public:
    TDecimalSpinBox(double value, double lo, double hi, int decimals, QWidget* parent);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    double valueFromText(const QString& text) const override;
    QString textFromValue(double value) const override;
    void fixup(QString& input) const override;
};

// The value of a decimal field's text; `def` when the text is not a decimal.
double DecimalFieldValue(const QString& text, double def);

#include "ui/DecimalEdit.h"

#include "core/TextUtils.h"

#include <QLineEdit>
#include <algorithm>

using namespace zorb;

namespace {

QValidator::State Check(const QString& input, int decimals, double lo, double hi) {
    switch (CheckDecimalInput(input.toStdString(), decimals, lo, hi)) {
    case TDecimalInput::Acceptable: return QValidator::Acceptable;
    case TDecimalInput::Intermediate: return QValidator::Intermediate;
    case TDecimalInput::Invalid: break;
    }
    return QValidator::Invalid;
}

} // namespace

TDecimalValidator::TDecimalValidator(double lo, double hi, int decimals, QObject* parent)
    : QValidator(parent), FLo(lo), FHi(hi), FDecimals(decimals) {}

QValidator::State TDecimalValidator::validate(QString& input, int&) const {
    return Check(input, FDecimals, FLo, FHi);
}

TDecimalSpinBox::TDecimalSpinBox(double value, double lo, double hi, int decimals, QWidget* parent)
    : QDoubleSpinBox(parent) {
    setRange(lo, hi);
    setDecimals(decimals);
    setValue(std::clamp(value, lo, hi));
}

QValidator::State TDecimalSpinBox::validate(QString& input, int&) const {
    return Check(input, decimals(), minimum(), maximum());
}

double TDecimalSpinBox::valueFromText(const QString& text) const {
    return std::clamp(DecimalFieldValue(text, value()), minimum(), maximum());
}

QString TDecimalSpinBox::textFromValue(double v) const {
    // Shown with the locale's decimal point and never grouped; either point reads back.
    QString text = QString::number(v, 'f', decimals());
    const QString point = locale().decimalPoint();
    if (point == ",") text.replace('.', ',');
    return text;
}

void TDecimalSpinBox::fixup(QString&) const {
    // An unfinished entry falls back to the last value rather than to the locale's reading of it.
}

double DecimalFieldValue(const QString& text, double def) {
    double v;
    return TryParseDecimal(text.trimmed().toStdString(), v) ? v : def;
}

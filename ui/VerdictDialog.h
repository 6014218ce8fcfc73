// The verdict after a test in a window that stays open beside the program until the user closes it, and the test
// count dialog with its held-out field.
#pragma once

#include "stakes/Verdict.h"

#include <QDialog>

class QLabel;
class QSpinBox;
class QTableWidget;

class TVerdictDialog : public QDialog {
    Q_OBJECT
public:
    TVerdictDialog(const zorb::TVerdictTable& table, QWidget* parent);
    QTableWidget* Summary() const { return FSummary; }
    QTableWidget* HeldOut() const { return FHeldOut; } // null without a held-out check
    QString Text() const { return FText; }             // what «Копировать» puts on the clipboard

private:
    QTableWidget* FSummary;
    QTableWidget* FHeldOut = nullptr;
    QString FText;
};

// "Количество тестов" with the number of last offsets held out for judging the best line (0: none).
class TTestCountDialog : public QDialog {
    Q_OBJECT
public:
    TTestCountDialog(int count, int holdout, int maxCount, QWidget* parent);
    QSpinBox* CountField() const { return FCount; }
    QSpinBox* HoldoutField() const { return FHoldout; }

private:
    QSpinBox* FCount;
    QSpinBox* FHoldout;
};

// Asks with TTestCountDialog; false on Cancel.
bool AskTestRunDialog(QWidget* parent, int& count, int& holdout, int maxCount);

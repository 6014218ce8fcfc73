// The verdict after a test in a window that stays open beside the program until the user closes it.
#pragma once

#include "stakes/Verdict.h"

#include <QDialog>

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

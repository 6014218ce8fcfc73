#include "ui/DialogButtons.h"

#include "ui/QtText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox* OkCancelButtons(QDialog* dlg, const QString& okText) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dlg);
    buttons->button(QDialogButtonBox::Ok)->setText(okText.isEmpty() ? TrQ("OK") : okText);
    buttons->button(QDialogButtonBox::Cancel)->setText(TrQ("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
    return buttons;
}

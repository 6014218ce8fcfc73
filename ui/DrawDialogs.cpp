#include "ui/DrawDialogs.h"
#include "ui/DialogButtons.h"

#include "app/DrawDialog.h"
#include "app/UserInterface.h"
#include "ui/QtText.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

using namespace zorb;

TDrawDialog::TDrawDialog(const TDrawRec& draw, QWidget* parent) : QDialog(parent), FDraw(draw) {
    setWindowTitle(TrQ("Данные тиража"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(TrQ("Введите данные следующего тиража"), this);
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    layout->addWidget(title);

    auto* form = new QFormLayout();
    FNumber = new QSpinBox(this);
    FNumber->setRange(1, MaxDrawNumber);
    FNumber->setValue(std::max(draw.Draw, 1));
    form->addRow(TrQ("Номер тиража:"), FNumber);

    // A new record has no numbers yet: an empty field invites typing better than six zeros.
    const bool blank = std::all_of(std::begin(draw.Numbers), std::end(draw.Numbers), [](uint8_t n) { return n == 0; });
    FNumbers = new QLineEdit(blank ? QString() : QString::fromStdString(DrawNumbersText(draw)), this);
    FNumbers->setMaxLength(200);
    form->addRow(new QLabel(TrQ("Выпавшие числа, разделенные точкой с запятой или запятой:"), this));
    form->addRow(FNumbers);

    FDate = new QDateEdit(this);
    FDate->setCalendarPopup(true);
    FDate->setDisplayFormat("yyyy-MM-dd");
    QDate date = QDate::currentDate();
    try {
        TDateTime d = ParseDate(Cp1251ToUtf8(draw.Date()));
        if (d > 0) {
            int y, m, dd;
            DecodeDate(d, y, m, dd);
            date = QDate(y, m, dd);
        }
    } catch (...) {
        // An unreadable stored date is shown as today, as a missing one is.
    }
    FDate->setDate(date);
    form->addRow(TrQ("Дата и время тиража:"), FDate);
    layout->addLayout(form);

    layout->addWidget(OkCancelButtons(this));
    FNumbers->setFocus();
}

bool TDrawDialog::TryAccept(TDrawRec& draw, std::string& error) const {
    TDrawRec r = FDraw;
    r.Draw = FNumber->value();
    if (!ParseDrawNumbers(StdS(FNumbers->text()), r.Numbers)) {
        error = Tr(MsgBadDrawComb);
        return false;
    }
    QDate d = FDate->date();
    r.SetDate(FormatDate(EncodeDate(d.year(), d.month(), d.day())));
    draw = r;
    return true;
}

void TDrawDialog::accept() {
    std::string error;
    if (!TryAccept(FDraw, error)) {
        QMessageBox::critical(this, QS(MsgBoxCaption(TMsgBox::Error)), QS(error));
        FNumbers->setFocus();
        FNumbers->selectAll();
        return;
    }
    QDialog::accept();
}

#include "ui/StakeDialogs.h"
#include "ui/DialogButtons.h"

#include "app/DrawDialog.h"
#include "app/StakeDialog.h"
#include "app/UserInterface.h"
#include "core/Format.h"
#include "stakes/Stakes.h"
#include "ui/QtText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace zorb;

namespace {

QSpinBox* Spin(int lo, int hi, int value, QWidget* parent) {
    auto* s = new QSpinBox(parent);
    s->setRange(lo, hi);
    s->setValue(std::clamp(value, lo, hi));
    return s;
}

} // namespace

namespace {
// The caption names the draw the stake is for: with the draws offset set it is not the archive's next one.
void NameTargetDraw(QDialog* dlg, const char* caption, QSpinBox* draw) {
    auto update = [dlg, caption, draw] {
        dlg->setWindowTitle(QS(Format(Tr("%s на тираж %d"), Tr(caption), draw->value())));
    };
    update();
    QObject::connect(draw, &QSpinBox::valueChanged, dlg, update);
}

// A comment shows whole as the dialog opens (a system's comment names the system and its numbers), up to the
// longest one the file keeps.
void FitComment(QLineEdit* edit) {
    const QFontMetrics fm(edit->font());
    const int longest = fm.averageCharWidth() * MaxStakeComment;
    edit->setMinimumWidth(
        std::min(std::max(fm.horizontalAdvance(edit->text()) + 24, fm.averageCharWidth() * 36), longest));
}
} // namespace

TStakeDialog::TStakeDialog(const TStakeRecord& record, QWidget* parent) : QDialog(parent), FRecord(record) {
    ShowError = [this](const QString& text) { QMessageBox::critical(this, QS(MsgBoxCaption(TMsgBox::Error)), text); };
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    FDraw = Spin(1, MaxDrawNumber, record.DrawNumber, this);
    FDraw->setObjectName("edDrawNumber");
    FCount = Spin(1, MaxStakeDraws, 1, this);
    FCount->setObjectName("edDrawsCount");
    form->addRow(TrQ("Номер тиража:"), FDraw);
    form->addRow(TrQ("Кол-во тиражей:"), FCount);
    NameTargetDraw(this, "Добавление ставки", FDraw);
    TNumberSet numbers = record.Numbers;
    numbers.Count = std::clamp(numbers.Count, 0, MaxStakeNumbers);
    FNumbers = new QLineEdit(QString::fromStdString(NumberSetToText(numbers, ";")), this);
    FNumbers->setObjectName("edStakeData");
    FSum = new QLineEdit(this);
    FSum->setObjectName("edStakeSum");
    FSum->setReadOnly(true);
    FSum->setMaximumWidth(80);
    auto* row = new QHBoxLayout();
    row->addWidget(FNumbers, 1);
    row->addWidget(new QLabel(TrQ("Сумма:"), this));
    row->addWidget(FSum);
    form->addRow(TrQ("Ставка:"), row);
    FComment = new QLineEdit(QString::fromStdString(record.Comment), this);
    FComment->setObjectName("edComment");
    FComment->setMaxLength(MaxStakeComment);
    FitComment(FComment);
    form->addRow(TrQ("Комментарий к ставке:"), FComment);
    layout->addLayout(form);
    layout->addWidget(OkCancelButtons(this));
    auto updateSum = [this] { FSum->setText(QString::number(StakeNumbersSum(StdS(FNumbers->text())))); };
    connect(FNumbers, &QLineEdit::textChanged, this, updateSum);
    updateSum();
    resize(std::max(480, sizeHint().width()), sizeHint().height());
}

int TStakeDialog::DrawCount() const {
    return FCount->value();
}

bool TStakeDialog::TryAccept() {
    TNumberSet numbers;
    if (!ParseStakeNumbers(StdS(FNumbers->text()), numbers)) {
        ShowError(TrQ(MsgBadDrawComb));
        FNumbers->setFocus();
        return false;
    }
    if (FComment->text().trimmed().isEmpty()) {
        ShowError(TrQ("Необходимо ввести комментарий!"));
        FComment->setFocus();
        return false;
    }
    FRecord.DrawNumber = FDraw->value();
    FRecord.Numbers = numbers;
    FRecord.Comment = StdS(FComment->text());
    return true;
}

void TStakeDialog::accept() {
    if (TryAccept()) QDialog::accept();
}

bool ShowMultiStakeDialog(QWidget* parent, int& drawNumber, int& drawCount, std::string& comment) {
    QDialog dlg(parent);
    auto* layout = new QVBoxLayout(&dlg);
    auto* form = new QFormLayout();
    auto* draw = Spin(1, MaxDrawNumber, drawNumber, &dlg);
    NameTargetDraw(&dlg, "Добавление мультиставки", draw);
    auto* count = Spin(1, MaxStakeDraws, drawCount, &dlg);
    auto* text = new QLineEdit(QString::fromStdString(comment), &dlg);
    text->setMaxLength(MaxStakeComment);
    FitComment(text);
    form->addRow(TrQ("Номер тиража:"), draw);
    form->addRow(TrQ("Кол-во тиражей:"), count);
    form->addRow(TrQ("Комментарий к ставке:"), text);
    layout->addLayout(form);
    layout->addWidget(OkCancelButtons(&dlg));
    for (;;) {
        if (dlg.exec() != QDialog::Accepted) return false;
        if (!text->text().trimmed().isEmpty()) break;
        QMessageBox::critical(&dlg, QS(MsgBoxCaption(TMsgBox::Error)), TrQ("Необходимо ввести комментарий!"));
        text->setFocus();
    }
    drawNumber = draw->value();
    drawCount = count->value();
    comment = StdS(text->text());
    return true;
}

bool ShowStakeFilterDialog(QWidget* parent, int& condition, int& value) {
    QDialog dlg(parent);
    dlg.setWindowTitle(TrQ("Удаление по условию"));
    auto* layout = new QVBoxLayout(&dlg);
    auto* form = new QFormLayout();
    auto* cond = new QComboBox(&dlg);
    cond->setObjectName("cbCondition");
    for (int c = 0; c < MatchConditionCount; ++c) cond->addItem(TrQ(MatchConditionCaption(c)));
    auto* count = Spin(0, 6, 0, &dlg);
    count->setObjectName("edValue");
    form->addRow(TrQ("Выберите условие:"), cond);
    form->addRow(TrQ("Совпадений:"), count);
    layout->addLayout(form);
    layout->addWidget(OkCancelButtons(&dlg, TrQ("Удалить ставки")));
    if (dlg.exec() != QDialog::Accepted) return false;
    condition = cond->currentIndex();
    value = count->value();
    return true;
}

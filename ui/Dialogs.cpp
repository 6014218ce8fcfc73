#include "ui/Dialogs.h"

#include "app/DrawDialog.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

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

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(TrQ("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(TrQ("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TDrawDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TDrawDialog::reject);
    layout->addWidget(buttons);
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

void ShowAboutDialog(QWidget* parent, const TAboutInfo& info) {
    QMessageBox box(parent);
    box.setWindowTitle(TrQ("О программе"));
    box.setIcon(QMessageBox::Information);
    box.setText(QString("<b>%1</b>").arg(QS(info.Title).toHtmlEscaped()));
    box.setInformativeText(TrQ("Версия ") + QS(info.Version) + "\n\n" + QS(info.Text));
    box.exec();
}

bool ShowFirstRunDialog(QWidget* parent, const TFirstRunInfo& info,
                        const std::function<void(const std::string&)>& runAction) {
    QDialog dlg(parent);
    dlg.setWindowTitle(TrQ("Справочная информация"));
    auto* layout = new QVBoxLayout(&dlg);
    auto* text = new QLabel(TrQ("Перед началом работы рекомендуем прочитать справку: в ней описаны архив "
                                "тиражей, статистика, фильтрация комбинаций, ставки и сценарии. Статьи для "
                                "начинающих и новости проекта доступны по ссылкам ниже."),
                            &dlg);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* help = new QPushButton(TrQ("Открыть справку"), &dlg);
    help->setEnabled(info.HelpAvailable);
    QObject::connect(help, &QPushButton::clicked, &dlg, [&] { runAction("GetHelp"); });
    layout->addWidget(help);
    const std::pair<const char*, const char*> links[] = {
        {"urlAuthText", "Статьи для начинающих"},
        {"urlBlog", "Наш блог"},
        {"urlYT", "Наш видеоблог"},
        {"urlTG", "Канал в Telegram"},
        {"urlVK", "Страница в соцсети \"В контакте\""},
        {"urlOK", "Страница в соцсети \"Однокласники\""},
    };
    for (const auto& [action, caption] : links) {
        auto* b = new QPushButton(TrQ(caption), &dlg);
        std::string name = action;
        QObject::connect(b, &QPushButton::clicked, &dlg, [&runAction, name] { runAction(name); });
        layout->addWidget(b);
    }
    auto* dontShow = new QCheckBox(TrQ("Больше не показывать данный диалог"), &dlg);
    layout->addWidget(dontShow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dlg);
    buttons->button(QDialogButtonBox::Close)->setText(TrQ("Закрыть"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    dlg.exec();
    return dontShow->isChecked();
}

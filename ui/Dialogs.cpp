#include "ui/Dialogs.h"
#include "ui/DialogButtons.h"

#include "app/DrawDialog.h"
#include "combos/Generate.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
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

TGenerateDialog::TGenerateDialog(const TGenerateSettings& params, QWidget* parent) : QDialog(parent) {
    setWindowTitle(TrQ("Создание нового списка комбинаций"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(TrQ("Режим генерации списка комбинаций:"), this));
    FMode = new QComboBox(this);
    for (int m = 0; m < GenerateModeCount; ++m) FMode->addItem(TrQ(GenerateModeCaption(m)));
    FMode->setCurrentIndex(params.Mode < GenerateModeCount ? params.Mode : 0);
    layout->addWidget(FMode);
    layout->addWidget(new QLabel(TrQ("Мои числа или имя файла для загрузки:"), this));
    auto* row = new QHBoxLayout();
    FParams = new QLineEdit(QString::fromStdString(params.Parameters), this);
    FParams->setMaxLength(255);
    FBrowse = new QPushButton("...", this);
    FBrowse->setToolTip(TrQ("Выбор файла"));
    FBrowse->setMaximumWidth(32);
    row->addWidget(FParams, 1);
    row->addWidget(FBrowse);
    layout->addLayout(row);
    FSaveDefault = new QCheckBox(TrQ("Сохранить эти параметры для генерации комбинаций \"по умолчанию\""), this);
    layout->addWidget(FSaveDefault);
    layout->addWidget(OkCancelButtons(this));
    connect(FMode, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    connect(FBrowse, &QPushButton::clicked, this, [this] {
        QString name =
            QFileDialog::getOpenFileName(this, TrQ("Выбор файла"), FParams->text(), TrQ("Файлы комбинаций (*.lcv)"));
        if (!name.isEmpty()) FParams->setText(name);
    });
    UpdateControls();
    resize(520, sizeHint().height());
}

void TGenerateDialog::UpdateControls() {
    FParams->setEnabled(FMode->currentIndex() != gmFull);
    FBrowse->setEnabled(FMode->currentIndex() == gmFile);
}

TGenerateSettings TGenerateDialog::Result() const {
    TGenerateSettings r;
    r.Mode = static_cast<uint8_t>(std::max(FMode->currentIndex(), 0));
    r.Parameters = StdS(FParams->text());
    return r;
}

bool TGenerateDialog::SaveAsDefault() const {
    return FSaveDefault->isChecked();
}

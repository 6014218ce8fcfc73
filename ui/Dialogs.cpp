#include "ui/Dialogs.h"

#include "ui/QtText.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace zorb;

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

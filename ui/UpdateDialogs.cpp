#include "ui/UpdateDialogs.h"

#include "ui/QtText.h"

#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

bool ShowNewVersionDialog(QWidget* parent, const std::string& currentVersion, const std::string& newVersion,
                          const std::string& description) {
    QDialog dlg(parent);
    dlg.setWindowTitle(TrQ("Найдена новая версия программы"));
    auto* layout = new QVBoxLayout(&dlg);
    auto* form = new QFormLayout;
    form->addRow(TrQ("Текущая версия программы:"), new QLabel(QString::fromStdString(currentVersion)));
    form->addRow(TrQ("Новая версия программы:"), new QLabel(QString::fromStdString(newVersion)));
    layout->addLayout(form);
    layout->addWidget(new QLabel(TrQ("Описание версии:")));
    // The description comes from the server: shown as plain text, never as markup.
    auto* text = new QPlainTextEdit(QString::fromStdString(description));
    text->setReadOnly(true);
    text->setMinimumSize(480, 240);
    layout->addWidget(text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* install = new QPushButton(TrQ("Установить"));
    install->setToolTip(TrQ("Установить это обновление"));
    install->setDefault(true);
    auto* decline = new QPushButton(TrQ("Отказаться"));
    decline->setToolTip(TrQ("Отказаться от обновления"));
    buttons->addWidget(install);
    buttons->addWidget(decline);
    layout->addLayout(buttons);
    QObject::connect(install, &QPushButton::clicked, &dlg, &QDialog::accept);
    QObject::connect(decline, &QPushButton::clicked, &dlg, &QDialog::reject);
    return dlg.exec() == QDialog::Accepted;
}

bool TUpdateHost::OfferUpdate(const std::string& currentVersion, const std::string& newVersion,
                              const std::string& description) {
    return ShowNewVersionDialog(FWindow, currentVersion, newVersion, description);
}

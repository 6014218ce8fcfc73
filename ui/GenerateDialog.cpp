#include "ui/GenerateDialog.h"
#include "ui/DialogButtons.h"

#include "combos/Generate.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace zorb;

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

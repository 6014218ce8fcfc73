#include "ui/SettingsDialogs.h"
#include "ui/DialogButtons.h"

#include "app/ConfigRules.h"
#include "app/UpdateController.h"
#include "app/UserInterface.h"
#include "core/Format.h"
#include "stats/Shredding.h"
#include "ui/DecimalEdit.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

using namespace zorb;

namespace {

// Restricts a cell editor to the characters a field accepts.
class TValidatedDelegate : public QStyledItemDelegate {
public:
    using TMakeValidator = std::function<QValidator*(QObject*)>;
    TValidatedDelegate(TMakeValidator make, QObject* parent) : QStyledItemDelegate(parent), FMake(std::move(make)) {}
    TValidatedDelegate(const QString& pattern, QObject* parent)
        : TValidatedDelegate(
              [pattern](QObject* owner) { return new QRegularExpressionValidator(QRegularExpression(pattern), owner); },
              parent) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setValidator(FMake(edit));
        return w;
    }

private:
    TMakeValidator FMake;
};

QDoubleSpinBox* RealEdit(double value, double lo, double hi, int decimals, QWidget* parent) {
    return new TDecimalSpinBox(value, lo, hi, decimals, parent);
}

} // namespace

TConfigDialog::TConfigDialog(const TConfigData& config, QWidget* parent)
    : QDialog(parent), FConfig(config), FSegmentValues(config.MatrixSegments) {
    ShowError = [this](const QString& text) { QMessageBox::critical(this, QS(MsgBoxCaption(TMsgBox::Error)), text); };
    setWindowTitle(TrQ("Параметры системы"));
    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout();
    auto* right = new QVBoxLayout();
    top->addLayout(left);
    top->addLayout(right, 1);

    auto* form = new QFormLayout();
    auto* matrixRow = new QHBoxLayout();
    FMatrixCols = new QSpinBox(this);
    FMatrixCols->setRange(MinMatrixCols, MaxMatrixCols);
    FMatrixCols->setValue(std::clamp(config.MatrixCols, MinMatrixCols, MaxMatrixCols));
    FMatrixRows = new QLabel(this);
    matrixRow->addWidget(FMatrixCols);
    matrixRow->addWidget(FMatrixRows);
    matrixRow->addStretch(1);
    form->addRow(TrQ("Размер матрицы:"), matrixRow);
    FChannelSize = new QSpinBox(this);
    FChannelSize->setRange(MinChannelSize, MaxChannelSize);
    FChannelSize->setValue(std::clamp(config.ChannelSize, MinChannelSize, MaxChannelSize));
    form->addRow(TrQ("Размер канала:"), FChannelSize);
    FCost = RealEdit(CurrencyToDouble(config.Cost), 0, MaxStakeCost, 2, this);
    form->addRow(TrQ("Стоимость ставки:"), FCost);
    FMaxStake = new QSpinBox(this);
    FMaxStake->setRange(MinExtendedStake, MaxExtendedStake);
    FMaxStake->setValue(std::clamp(config.MaxStake, MinExtendedStake, MaxExtendedStake));
    form->addRow(TrQ("Расширенная ставка:"), FMaxStake);
    FResultsUrl = new QLineEdit(QString::fromStdString(config.ResultsArchiveUrl), this);
    FResultsUrl->setPlaceholderText("https://...");
    FResultsUrl->setToolTip(TrQ("Адрес ZIP-архива результатов тиражей на сайте лотереи"));
    form->addRow(TrQ("Адрес архива результатов:"), FResultsUrl);
    left->addLayout(form);

    left->addWidget(new QLabel(TrQ("Размеры выигрышей:"), this));
    FPrizes = new QTableWidget(NumbersPerDraw + 1, 2, this);
    FPrizes->setHorizontalHeaderLabels({TrQ("Совпадений"), TrQ("Сумма выигрыша")});
    FPrizes->verticalHeader()->hide();
    FPrizes->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    FPrizes->setMinimumHeight((NumbersPerDraw + 2) * (fontMetrics().height() + 6) + 4);
    FPrizes->horizontalHeader()->setStretchLastSection(true);
    FPrizes->setItemDelegateForColumn(
        1,
        new TValidatedDelegate([](QObject* owner) { return new TDecimalValidator(0, MaxPrize, 4, owner); }, FPrizes));
    for (int k = 0; k <= NumbersPerDraw; ++k) {
        auto* matches = new QTableWidgetItem(QString::number(k));
        matches->setFlags(Qt::ItemIsEnabled);
        FPrizes->setItem(k, 0, matches);
        // "%d=%.2f" is the row's text form; the table shows its two halves.
        QString row = QString::fromStdString(PrizeRowText(k, PrizeFor(config, k)));
        FPrizes->setItem(k, 1, new QTableWidgetItem(row.section('=', 1)));
    }
    left->addWidget(FPrizes);

    auto* weights = new QGroupBox(TrQ("Коэффициенты веса"), this);
    auto* wform = new QFormLayout(weights);
    FCount = RealEdit(config.Weights.Count, -MaxWeight, MaxWeight, 4, weights);
    FDeviation = RealEdit(config.Weights.Deviation, -MaxWeight, MaxWeight, 4, weights);
    FLevel = RealEdit(config.Weights.Level, -MaxWeight, MaxWeight, 4, weights);
    wform->addRow(TrQ("Количество:"), FCount);
    wform->addRow(TrQ("Отклонение:"), FDeviation);
    wform->addRow(TrQ("Глубина:"), FLevel);
    FUsePercents = new QCheckBox(TrQ("Использовать значения в %"), weights);
    FUsePercents->setChecked(config.Weights.UsePercents);
    FUseAbsValues = new QCheckBox(TrQ("Использовать абсолютные значения"), weights);
    FUseAbsValues->setChecked(config.Weights.UseAbsValues);
    wform->addRow(FUsePercents);
    wform->addRow(FUseAbsValues);
    left->addWidget(weights);

    FOnline = new QGroupBox(TrQ(" Online "), this);
    auto* online = new QFormLayout(FOnline);
    FServerUrl = new QLineEdit(FOnline);
    FServerUrl->setObjectName("edServerUrl");
    FServerUrl->setPlaceholderText(QString::fromStdString(DefaultOnlineServerUrl));
    FServerUrl->setToolTip(TrQ("Сервер каталогов систем и сценариев (пусто: сервер по умолчанию)"));
    online->addRow(TrQ("Адрес сервера:"), FServerUrl);
    FUserName = new QLineEdit(FOnline);
    FUserName->setObjectName("edUserName");
    FUserName->setMaxLength(64);
    online->addRow(TrQ("Имя пользователя:"), FUserName);
    FUserMail = new QLineEdit(FOnline);
    FUserMail->setObjectName("edUserMail");
    FUserMail->setMaxLength(254);
    FUserMail->setToolTip(TrQ("По e-mail сервер узнаёт автора систем и сценариев"));
    online->addRow(TrQ("E-mail:"), FUserMail);
    FUpdateUrl = new QLineEdit(FOnline);
    FUpdateUrl->setObjectName("edUpdateDescriptorUrl");
    FUpdateUrl->setPlaceholderText(QString::fromStdString(TUpdateController::DefaultDescriptorUrl));
    FUpdateUrl->setToolTip(TrQ("Описание обновлений программы (пусто: адрес по умолчанию)"));
    online->addRow(TrQ("Адрес обновлений:"), FUpdateUrl);
    FOnline->hide();
    left->addWidget(FOnline);

    right->addWidget(new QLabel(TrQ("Сегменты матрицы:"), this));
    FSegments = new QTableWidget(this);
    FSegments->setItemDelegate(new TValidatedDelegate("^[0-9]{0,2}$", FSegments));
    FSegments->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    FSegments->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    right->addWidget(FSegments, 1);
    right->addWidget(OkCancelButtons(this));

    connect(FMatrixCols, &QSpinBox::valueChanged, this, [this] { LayoutSegments(); });
    connect(FSegments, &QTableWidget::cellChanged, this, &TConfigDialog::OnSegmentEdited);
    LayoutSegments();
    resize(760, 560);
}

void TConfigDialog::LayoutSegments() {
    const int cols = FMatrixCols->value();
    const int rows = CeilDiv(MaxNumber, cols);
    FMatrixRows->setText(QString("x %1").arg(rows));
    FFilling = true;
    FSegments->clear();
    FSegments->setColumnCount(cols);
    FSegments->setRowCount(rows);
    QStringList colLabels, rowLabels;
    for (int c = 0; c < cols; ++c) colLabels << QString::number(c + 1);
    for (int r = 0; r < rows; ++r)
        rowLabels << QString("%1-%2").arg(r * cols + 1).arg(std::min((r + 1) * cols, MaxNumber));
    FSegments->setHorizontalHeaderLabels(colLabels);
    FSegments->setVerticalHeaderLabels(rowLabels);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const int n = NumberAtCell(r, c, cols);
            auto* item = new QTableWidgetItem();
            item->setTextAlignment(Qt::AlignCenter);
            if (n <= MaxNumber) {
                item->setText(QString::number(FSegmentValues[static_cast<size_t>(n - 1)]));
                item->setToolTip(TrQ("Число ") + QString::number(n));
            } else {
                item->setFlags(Qt::NoItemFlags); // beyond the last number
            }
            FSegments->setItem(r, c, item);
        }
    FFilling = false;
}

void TConfigDialog::OnSegmentEdited(int row, int column) {
    if (FFilling) return;
    const int n = NumberAtCell(row, column, FMatrixCols->value());
    if (n < MinNumber || n > MaxNumber) return;
    QTableWidgetItem* item = FSegments->item(row, column);
    const std::string text = StdS(item->text());
    uint8_t segment = 1;
    if (!ParseSegmentCell(text, segment)) {
        ShowError(QS(BadSegmentMessage(text)));
        segment = 1;
    }
    FSegmentValues[static_cast<size_t>(n - 1)] = segment;
    FFilling = true;
    item->setText(QString::number(segment));
    FFilling = false;
}

void TConfigDialog::SetOnline(const TOnlineFields& f) {
    FServerUrl->setText(QString::fromStdString(f.ServerUrl));
    FUserName->setText(QString::fromStdString(f.UserName));
    FUserMail->setText(QString::fromStdString(f.UserMail));
    FUpdateUrl->setText(QString::fromStdString(f.UpdateDescriptorUrl));
    FOnline->show();
}

TOnlineFields TConfigDialog::Online() const {
    return {StdS(FServerUrl->text().trimmed()), StdS(FUserName->text().trimmed()), StdS(FUserMail->text().trimmed()),
            StdS(FUpdateUrl->text().trimmed())};
}

void TConfigDialog::accept() {
    if (!FOnline->isHidden()) {
        if (const std::string problem = CheckOnlineFields(Online()); !problem.empty()) {
            ShowError(QS(problem));
            return;
        }
    }
    QDialog::accept();
}

TConfigData TConfigDialog::Result() const {
    TConfigData c = FConfig;
    c.MatrixCols = FMatrixCols->value();
    c.ChannelSize = FChannelSize->value();
    c.Cost = CurrencyFromDouble(FCost->value());
    c.MaxStake = FMaxStake->value();
    Currency prizes[7];
    for (int k = 0; k <= NumbersPerDraw; ++k) {
        QTableWidgetItem* item = FPrizes->item(k, 1);
        const double v = item ? DecimalFieldValue(item->text(), 0) : 0;
        prizes[k] = CurrencyFromDouble(v >= 0 && v <= MaxPrize ? v : 0);
    }
    SetPrizes(c, prizes);
    c.Weights.Count = FCount->value();
    c.Weights.Deviation = FDeviation->value();
    c.Weights.Level = FLevel->value();
    c.Weights.UsePercents = FUsePercents->isChecked();
    c.Weights.UseAbsValues = FUseAbsValues->isChecked();
    c.MatrixSegments = FSegmentValues;
    c.ResultsArchiveUrl = StdS(FResultsUrl->text().trimmed());
    return c;
}

bool ShowProxyDialog(QWidget* parent, TProxy& proxy) {
    QDialog dlg(parent);
    dlg.setWindowTitle(TrQ("Параметры proxy-сервера"));
    auto* layout = new QVBoxLayout(&dlg);
    auto* none = new QRadioButton(TrQ("Не использовать proxy-сервер"), &dlg);
    auto* automatic = new QRadioButton(TrQ("Автоматический поиск сервера (возможны задержки)"), &dlg);
    auto* manual = new QRadioButton(TrQ("Ручной выбор proxy-сервера:"), &dlg);
    (proxy.Mode == 1 ? automatic : proxy.Mode == 2 ? manual : none)->setChecked(true);
    layout->addWidget(none);
    layout->addWidget(automatic);
    layout->addWidget(manual);
    auto* form = new QFormLayout();
    auto* server = new QLineEdit(QString::fromStdString(proxy.Server), &dlg);
    auto* port = new QSpinBox(&dlg);
    port->setRange(1, 65535);
    port->setValue(std::clamp(proxy.Port, 1, 65535));
    auto* user = new QLineEdit(QString::fromStdString(proxy.Username), &dlg);
    auto* password = new QLineEdit(QString::fromStdString(proxy.Password), &dlg);
    password->setEchoMode(QLineEdit::Password);
    form->addRow(TrQ("Имя или адрес сервера:"), server);
    form->addRow(TrQ("Порт:"), port);
    form->addRow(TrQ("Имя пользователя:"), user);
    form->addRow(TrQ("Пароль:"), password);
    layout->addLayout(form);
    layout->addWidget(OkCancelButtons(&dlg));
    auto update = [=] {
        for (QWidget* w : std::initializer_list<QWidget*>{server, port, user, password})
            w->setEnabled(manual->isChecked());
    };
    QObject::connect(manual, &QRadioButton::toggled, &dlg, update);
    update();
    if (dlg.exec() != QDialog::Accepted) return false;
    proxy.Server = StdS(server->text().trimmed());
    proxy.Port = port->value();
    proxy.Username = StdS(user->text());
    proxy.Password = StdS(password->text());
    proxy.Mode = manual->isChecked() ? 2 : automatic->isChecked() ? 1 : 0;
    return true;
}

TShreddingDialog::TShreddingDialog(const TShreddingData& shredding, QWidget* parent) : QDialog(parent) {
    setWindowTitle(TrQ("Методы шинковки"));
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 3; ++i) {
        auto* box = new QGroupBox(QS(Format(Tr("Формула %d:"), i + 1)), this);
        auto* form = new QFormLayout(box);
        FFormulas[i] = new QLineEdit(QString::fromStdString(shredding.Formulas[i]), box);
        FFormulas[i]->setMinimumWidth(320);
        FFormulas[i]->setMaxLength(static_cast<int>(MaxShredFormulaLength));
        FDigits[i] = new QSpinBox(box);
        FDigits[i]->setRange(MinShredDigits, MaxShredDigits);
        FDigits[i]->setValue(std::clamp<int>(shredding.Digits[i], MinShredDigits, MaxShredDigits));
        form->addRow(TrQ("Используемая формула"), FFormulas[i]);
        form->addRow(TrQ("Количество используемых знаков после запятой"), FDigits[i]);
        layout->addWidget(box);
    }
    QString note =
        TrQ("Используемые переменные:\r\nn1, n2, n3, ..., nX - числа текущего тиража\r\np1, p2, p3, ..., pX - "
            "числа предыдущего тиража") +
        "\n" + TrQ("t1, t2, t3, ..., tX - числа тиража перед предыдущим");
    note.replace("\r\n", "\n");
    layout->addWidget(new QLabel(note, this));
    layout->addWidget(OkCancelButtons(this));
}

void TShreddingDialog::accept() {
    for (int i = 0; i < 3; ++i) {
        const std::string reason = ShredFormulaError(StdS(FFormulas[i]->text()));
        if (reason.empty()) continue;
        QMessageBox::critical(this, QS(MsgBoxCaption(TMsgBox::Error)), QS(Format(Tr("Формула %d: %s"), i + 1, reason)));
        FFormulas[i]->setFocus();
        return;
    }
    QDialog::accept();
}

TShreddingData TShreddingDialog::Result() const {
    TShreddingData d;
    for (int i = 0; i < 3; ++i) {
        d.Formulas[i] = StdS(FFormulas[i]->text());
        d.Digits[i] = static_cast<uint8_t>(FDigits[i]->value());
    }
    return d;
}

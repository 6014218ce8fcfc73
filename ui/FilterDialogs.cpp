#include "ui/FilterDialogs.h"
#include "ui/DialogButtons.h"

#include "app/UserInterface.h"
#include "core/Format.h"
#include "stats/StatList.h"
#include "stats/StatTable.h"
#include "ui/DecimalEdit.h"
#include "ui/QtText.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace zorb;

namespace {

QDoubleSpinBox* Coefficient(double value, QWidget* parent) {
    return new TDecimalSpinBox(value, -MaxWeight, MaxWeight, 3, parent);
}

} // namespace

// --- Filter -------------------------------------------------------------------------------------------------------

TFilterDialog::TFilterDialog(const TFilterItem& item, const TFilterDialogContext& context, QWidget* parent)
    : QDialog(parent), FContext(context), FItem(FilterDialogStart(item, context)) {
    setWindowTitle(TrQ("Фильтр"));
    ShowError = [this](const QString& text) { QMessageBox::critical(this, QS(MsgBoxCaption(TMsgBox::Error)), text); };
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    // Value lists: digits, ",", "-" and ";" only.
    auto* listValidator = new QRegularExpressionValidator(QRegularExpression("^[0-9,;\\-]*$"), this);

    FMethod = new QComboBox(this);
    FMethod->setToolTip(TrQ("Тип фильтра"));
    for (size_t i = 0; i < context.Methods.size(); ++i)
        FMethod->addItem(QString::fromStdString(i < context.MethodNames.size() ? context.MethodNames[i] : ""),
                         context.Methods[i]);
    FMethod->setCurrentIndex(std::max(FMethod->findData(FItem.Method), 0));
    form->addRow(TrQ("Тип фильтра:"), FMethod);

    FLengths = new QLineEdit(QString::fromStdString(FItem.Lengths), this);
    FLengths->setValidator(listValidator);
    form->addRow(TrQ("Количество тиражей:"), FLengths);

    FMulti = new QCheckBox(TrQ("Использовать режим одновременного выделения нескольких значений в списке"), this);
    FMulti->setChecked(FItem.MultiSelect);
    form->addRow(FMulti);

    FMode = new QComboBox(this);
    FMode->setToolTip(TrQ("Режим выделения значений для фильтра в списке статистики"));
    for (int m = 0; m < LevelModeCount; ++m) FMode->addItem(QS(ModeCaption(m)));
    FMode->setCurrentIndex(FItem.LevelMode < LevelModeCount ? FItem.LevelMode : 0);
    form->addRow(TrQ("Режим выделения значений в списке статистики:"), FMode);

    FValues = new QLineEdit(QString::fromStdString(FItem.LevelValues), this);
    FValues->setValidator(listValidator);
    form->addRow(TrQ("Значения:"), FValues);

    auto* stopRow = new QHBoxLayout();
    FStop = new QComboBox(this);
    FStop->setToolTip(TrQ("Режим останова обработки"));
    for (int m = 0; m < StopModeCount; ++m) FStop->addItem(QS(StopCaption(m)));
    FStop->setCurrentIndex(FItem.StopMode < StopModeCount ? FItem.StopMode : 0);
    FStopValue = new QSpinBox(this);
    FStopValue->setToolTip(TrQ("Значение для режима остановки"));
    FStopValue->setRange(1, 2147483647);
    FStopValue->setValue(std::max(FItem.StopValue, 1));
    stopRow->addWidget(FStop, 1);
    stopRow->addWidget(new QLabel(TrQ("Значение:"), this));
    stopRow->addWidget(FStopValue);
    form->addRow(TrQ("Остановка по:"), stopRow);

    FSort = new QComboBox(this);
    FSort->setToolTip(TrQ("Упорядочить полученную статистику по столбцу"));
    for (int c = 0; c < StatColumnCount; ++c) FSort->addItem(QS(Tr(StatColumnCaption(c))));
    FSort->setCurrentIndex(FItem.SortColumn >= 0 && FItem.SortColumn < StatColumnCount ? FItem.SortColumn : 1);
    form->addRow(TrQ("Сортировать по столбцу:"), FSort);

    FDirection = new QComboBox(this);
    FDirection->setToolTip(TrQ("Направление движения по списку статистики при обработке"));
    FDirection->addItems({TrQ("Сверху-вниз"), TrQ("Снизу-вверх")});
    FDirection->setCurrentIndex(FItem.BottomUp ? 1 : 0);
    form->addRow(TrQ("Направление:"), FDirection);

    FFilterMode = new QComboBox(this);
    FFilterMode->setToolTip(TrQ("Режим отбора комбинаций"));
    FFilterMode->addItems({TrQ("Удалить выделенные"), TrQ("Оставить выделенные")});
    FFilterMode->setCurrentIndex(FItem.Keep ? 1 : 0);
    form->addRow(TrQ("Режим фильтра:"), FFilterMode);
    layout->addLayout(form);

    auto* weights = new QGroupBox(TrQ(" Коэффициенты для расчета значений \"Вес\" "), this);
    auto* wl = new QFormLayout(weights);
    FOwnWeights =
        new QCheckBox(TrQ("Использовать приведенные ниже коэффициенты для расчета значений \"Вес\""), weights);
    FOwnWeights->setChecked(FItem.OwnWeights);
    wl->addRow(FOwnWeights);
    FWeightCount = Coefficient(FItem.WeightCount, weights);
    FWeightDeviation = Coefficient(FItem.WeightDeviation, weights);
    FWeightLevel = Coefficient(FItem.WeightLevel, weights);
    wl->addRow(TrQ("Количество:"), FWeightCount);
    wl->addRow(TrQ("Отклонение:"), FWeightDeviation);
    wl->addRow(TrQ("Глубина:"), FWeightLevel);
    FWeightPercents = new QCheckBox(TrQ("Использовать значения в %"), weights);
    FWeightPercents->setChecked(FItem.WeightPercents);
    FWeightAbs = new QCheckBox(TrQ("Использовать абсолютные значения"), weights);
    FWeightAbs->setChecked(FItem.WeightAbs);
    wl->addRow(FWeightPercents);
    wl->addRow(FWeightAbs);
    layout->addWidget(weights);
    layout->addWidget(OkCancelButtons(this));

    connect(FMode, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabling(); });
    connect(FOwnWeights, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
    UpdateEnabling();
}

void TFilterDialog::UpdateEnabling() {
    const bool allowed = OwnWeightsAllowed(FMode->currentIndex());
    FOwnWeights->setEnabled(allowed);
    const bool own = allowed && FOwnWeights->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{FWeightCount, FWeightDeviation, FWeightLevel, FWeightPercents, FWeightAbs})
        w->setEnabled(own);
}

TFilterItem TFilterDialog::Result() const {
    TFilterItem r = FItem;
    r.Defined = true;
    r.Method = FMethod->currentIndex() >= 0 ? FMethod->currentData().toInt() : -1;
    r.Lengths = StdS(FLengths->text());
    r.MultiSelect = FMulti->isChecked();
    r.LevelMode = static_cast<uint8_t>(std::max(FMode->currentIndex(), 0));
    r.LevelValues = StdS(FValues->text());
    r.StopMode = static_cast<uint8_t>(std::max(FStop->currentIndex(), 0));
    r.StopValue = FStopValue->value();
    r.SortColumn = std::max(FSort->currentIndex(), 0);
    r.BottomUp = FDirection->currentIndex() == 1;
    r.Keep = FFilterMode->currentIndex() == 1;
    r.OwnWeights = FOwnWeights->isChecked();
    r.WeightCount = FWeightCount->value();
    r.WeightDeviation = FWeightDeviation->value();
    r.WeightLevel = FWeightLevel->value();
    r.WeightPercents = FWeightPercents->isChecked();
    r.WeightAbs = FWeightAbs->isChecked();
    return r;
}

bool TFilterDialog::TryAccept() {
    const TFilterCheck check = CheckFilterDialog(Result(), *FContext.List);
    if (check.Ok()) return true;
    ShowError(QS(check.Message));
    switch (check.Field) {
    case TFilterField::Lengths: FLengths->setFocus(); break;
    case TFilterField::Values: FValues->setFocus(); break;
    case TFilterField::Method: FMode->setFocus(); break;
    case TFilterField::Stop: FStop->setFocus(); break;
    case TFilterField::None: break;
    }
    return false;
}

void TFilterDialog::accept() {
    if (TryAccept()) QDialog::accept();
}

// --- Favourites manager -----------------------------------------------------------------------------------------

TFavoritesDialog::TFavoritesDialog(TFavoritesEditor& editor, std::function<void(int)> showInfo, QWidget* parent)
    : QDialog(parent), FEditor(editor), FShowInfo(std::move(showInfo)) {
    setWindowTitle(TrQ("Менеджер избранных методов расчета статистики"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    top->addWidget(new QLabel(TrQ("Отметьте методы расчета статистики, которые Вы хотите использовать:"), this), 1);
    top->addWidget(new QLabel(QS(Format(Tr("всего %d методов"), editor.EntryCount())), this));
    layout->addLayout(top);

    auto* bar = new QHBoxLayout();
    auto makeAction = [&](const char* caption, const char* hint, std::function<void()> effect) {
        auto* a = new QAction(TrQ(caption), this);
        a->setToolTip(TrQ(hint));
        connect(a, &QAction::triggered, this, [this, effect] {
            effect();
            UpdateActions();
        });
        auto* b = new QToolButton(this);
        b->setDefaultAction(a);
        bar->addWidget(b);
        return a;
    };
    auto withNode = [this](const std::function<void(size_t, size_t, bool)>& f) {
        return [this, f] {
            size_t g, n;
            bool isGroup;
            if (SelectedNode(g, n, isGroup)) f(g, n, isGroup);
        };
    };
    makeAction("Сбросить все", "Снять отметки со всех фильтров", [this] {
        ReadMarks();
        FEditor.CheckAll(false);
        Fill();
    });
    makeAction("Выбрать все", "Поставить отметки у всех фильтров", [this] {
        ReadMarks();
        FEditor.CheckAll(true);
        Fill();
    });
    FNodeActions << makeAction("Сбросить группу", "Снять отметки со всех фильтров группы",
                               withNode([this](size_t g, size_t, bool) {
                                   ReadMarks();
                                   FEditor.CheckGroup(g, false);
                                   Fill();
                               }));
    FNodeActions << makeAction("Выбрать группу", "Поставить отметки у всех фильтров группы",
                               withNode([this](size_t g, size_t, bool) {
                                   ReadMarks();
                                   FEditor.CheckGroup(g, true);
                                   Fill();
                               }));
    FEntryActions << makeAction(
        "Переименовать", "Переименовать фильтр", withNode([this](size_t g, size_t n, bool isGroup) {
            if (isGroup) return;
            bool ok = false;
            const QString caption = QInputDialog::getText(
                this, TrQ("Переименование"), TrQ("Введите наименование фильтра:"), QLineEdit::Normal,
                QString::fromStdString(FEditor.Tree()[g].Nodes[n].Caption), &ok);
            if (!ok) return;
            ReadMarks();
            FEditor.Rename(g, n, StdS(caption));
            Fill();
        }));
    FEntryActions << makeAction("Вернуть", "Вернуть наименование \"по умолчанию\"",
                                withNode([this](size_t g, size_t n, bool isGroup) {
                                    if (isGroup) return;
                                    ReadMarks();
                                    FEditor.ResetName(g, n);
                                    Fill();
                                }));
    FEntryActions << makeAction("Описание", "Справочная информация о выделенном методе расчета статистики",
                                withNode([this](size_t g, size_t n, bool isGroup) {
                                    if (!isGroup && FShowInfo) FShowInfo(FEditor.Tree()[g].Nodes[n].Entry);
                                }));
    makeAction("Импорт названий", "Импорт названий фильтров из файла", [this] {
        const QString file =
            QFileDialog::getOpenFileName(this, TrQ("Импорт названий"), QString(), TrQ("Наименования фильтров (*.flt)"));
        if (file.isEmpty()) return;
        ReadMarks();
        try {
            FEditor.ImportNames(StdS(file));
        } catch (const std::exception& e) {
            QMessageBox::critical(this, QS(MsgBoxCaption(TMsgBox::Error)),
                                  QS(Format(Tr("Ошибка загрузки списка фильтров!\r\r%s"), e.what())));
        }
        Fill();
    });
    makeAction("Экспорт названий", "Экспорт названий фильтров в файл", [this] {
        QFileDialog dlg(this, TrQ("Экспорт названий"), QString(), TrQ("Наименования фильтров (*.flt)"));
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix("flt");
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
        ReadMarks();
        try {
            FEditor.ExportNames(StdS(dlg.selectedFiles().front()));
        } catch (const std::exception& e) {
            QMessageBox::critical(this, QS(MsgBoxCaption(TMsgBox::Error)),
                                  QS(Format(Tr("Ошибка сохранения списка фильтров!\r\r%s"), e.what())));
        }
    });
    bar->addStretch(1);
    layout->addLayout(bar);

    FTree = new QTreeWidget(this);
    FTree->setHeaderHidden(true);
    FTree->setColumnCount(1);
    layout->addWidget(FTree, 1);
    connect(FTree, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
    connect(FTree, &QTreeWidget::itemDoubleClicked, this, [](QTreeWidgetItem* item, int) {
        if (item->parent()) item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });

    auto* options = new QGroupBox(TrQ(" Параметры вывода наименований в списках методов расчета статистики "), this);
    auto* ol = new QVBoxLayout(options);
    FOrdered = new QCheckBox(TrQ("Сортировать списки по названию метода"), options);
    FGroupNames = new QCheckBox(TrQ("Отображать идентификатор группы { xxx } перед названием метода"), options);
    FFlags = new QCheckBox(TrQ("Отображать особенности метода [ YYY ] после названия метода"), options);
    FOrdered->setChecked(editor.Ordered);
    FGroupNames->setChecked(editor.ShowGroupName);
    FFlags->setChecked(editor.ShowMethodFlags);
    ol->addWidget(FOrdered);
    ol->addWidget(FGroupNames);
    ol->addWidget(FFlags);
    layout->addWidget(options);
    layout->addWidget(OkCancelButtons(this));
    Fill();
    resize(640, 560);
}

void TFavoritesDialog::Fill() {
    FTree->clear();
    for (const auto& g : FEditor.Tree()) {
        auto* group = new QTreeWidgetItem(FTree, {QString::fromStdString(g.Caption)});
        for (const auto& n : g.Nodes) {
            auto* item = new QTreeWidgetItem(group, {QString::fromStdString(n.Caption)});
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, n.Marked ? Qt::Checked : Qt::Unchecked);
        }
        group->setExpanded(true);
    }
    UpdateActions();
}

void TFavoritesDialog::ReadMarks() {
    for (int g = 0; g < FTree->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = FTree->topLevelItem(g);
        for (int n = 0; n < group->childCount(); ++n) {
            const bool marked = group->child(n)->checkState(0) == Qt::Checked;
            if (marked != FEditor.Tree()[static_cast<size_t>(g)].Nodes[static_cast<size_t>(n)].Marked)
                FEditor.Toggle(static_cast<size_t>(g), static_cast<size_t>(n));
        }
    }
}

bool TFavoritesDialog::SelectedNode(size_t& group, size_t& node, bool& isGroup) const {
    QTreeWidgetItem* item = FTree->currentItem();
    if (!item) return false;
    isGroup = item->parent() == nullptr;
    QTreeWidgetItem* g = isGroup ? item : item->parent();
    group = static_cast<size_t>(FTree->indexOfTopLevelItem(g));
    node = isGroup ? 0 : static_cast<size_t>(g->indexOfChild(item));
    return true;
}

void TFavoritesDialog::UpdateActions() {
    size_t g, n;
    bool isGroup = true;
    const bool any = SelectedNode(g, n, isGroup);
    for (QAction* a : FNodeActions) a->setEnabled(any);
    for (QAction* a : FEntryActions) a->setEnabled(any && !isGroup);
}

void TFavoritesDialog::accept() {
    ReadMarks();
    FEditor.Ordered = FOrdered->isChecked();
    FEditor.ShowGroupName = FGroupNames->isChecked();
    FEditor.ShowMethodFlags = FFlags->isChecked();
    QDialog::accept();
}

// --- Method description -------------------------------------------------------------------------------------------

void ShowMethodHelpWindow(QWidget* parent, const QString& title, const QString& html) {
    QDialog dlg(parent);
    dlg.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dlg);
    auto* browser = new QTextBrowser(&dlg);
    browser->setOpenExternalLinks(true);
    browser->setHtml(html);
    layout->addWidget(browser);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dlg);
    buttons->button(QDialogButtonBox::Close)->setText(TrQ("Закрыть"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    dlg.resize(560, 420);
    dlg.exec();
}

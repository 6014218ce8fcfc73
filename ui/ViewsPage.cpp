#include "ui/ViewsPage.h"

#include "app/TemplateMain.h"
#include "ui/ChartDialog.h"
#include "ui/ChartHelpers.h"
#include "ui/GridModel.h"
#include "ui/QtText.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QValueAxis>

using namespace zorb;

namespace {

QSpinBox* LengthField(QWidget* parent, int value) {
    auto* s = new QSpinBox(parent);
    s->setRange(1, INT32_MAX);
    s->setValue(value);
    return s;
}

// Selected cells take the selection colour over the whole cell, whatever colour the cell has of its own.
class TSelectionDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_Selected) {
            option->backgroundBrush = option->palette.brush(QPalette::Active, QPalette::Highlight);
            option->palette.setBrush(QPalette::Text,
                                     option->palette.brush(QPalette::Active, QPalette::HighlightedText));
        }
    }
};

} // namespace

// --- Information window ----------------------------------------------------------------------------------

TInfoDialog::TInfoDialog(const std::vector<TInfoLine>& lines, const TComb& numbers, int columns, int channelSize,
                         QWidget* parent)
    : QDialog(parent), FNumbers(numbers), FChannelSize(channelSize) {
    setObjectName("TFormDrawInfo");
    setWindowTitle(TrQ("Подробная информация"));
    auto* layout = new QHBoxLayout(this);
    FProperties = new QTableWidget(static_cast<int>(lines.size()), 2, this);
    FProperties->setObjectName("lvProperties");
    FProperties->horizontalHeader()->hide();
    FProperties->verticalHeader()->hide();
    FProperties->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FProperties->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (size_t i = 0; i < lines.size(); ++i) {
        FProperties->setItem(static_cast<int>(i), 0, new QTableWidgetItem(QS(lines[i].Caption)));
        FProperties->setItem(static_cast<int>(i), 1, new QTableWidgetItem(QS(lines[i].Value)));
    }
    FProperties->verticalHeader()->setDefaultSectionSize(18);
    FProperties->resizeColumnsToContents();
    FProperties->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(FProperties, 1);
    auto* right = new QVBoxLayout();
    auto* cols = new QHBoxLayout();
    cols->addWidget(new QLabel(TrQ("Размер матрицы:"), this));
    FColumns = new QSpinBox(this);
    FColumns->setObjectName("seCols");
    FColumns->setRange(MinMatrixCols, MaxMatrixCols);
    FColumns->setValue(std::clamp(columns, MinMatrixCols, MaxMatrixCols));
    cols->addWidget(FColumns);
    cols->addStretch(1);
    right->addLayout(cols);
    FMatrix = new QTableWidget(this);
    FMatrix->setObjectName("sgMatrix");
    FMatrix->horizontalHeader()->hide();
    FMatrix->verticalHeader()->hide();
    FMatrix->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FMatrix->setSelectionMode(QAbstractItemView::NoSelection);
    FMatrix->horizontalHeader()->setDefaultSectionSize(26);
    FMatrix->verticalHeader()->setDefaultSectionSize(22);
    right->addWidget(FMatrix, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(TrQ("Закрыть"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    right->addWidget(buttons);
    layout->addLayout(right);
    connect(FColumns, &QSpinBox::valueChanged, this, [this] { DrawMatrix(); });
    DrawMatrix();
    resize(820, 560);
}

void TInfoDialog::DrawMatrix() {
    const TInfoMatrix m = InfoMatrix(FNumbers, FColumns->value(), FChannelSize);
    FMatrix->clear();
    FMatrix->setRowCount(m.Rows);
    FMatrix->setColumnCount(m.Columns);
    for (int r = 0; r < m.Rows; ++r)
        for (int c = 0; c < m.Columns; ++c) {
            auto* item = new QTableWidgetItem(QS(m.Cells[static_cast<size_t>(r)][static_cast<size_t>(c)]));
            item->setTextAlignment(Qt::AlignCenter);
            const int64_t color = m.Colors[static_cast<size_t>(r)][static_cast<size_t>(c)];
            if (color >= 0) item->setBackground(RgbColor(color));
            if (!item->text().isEmpty()) {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
            }
            FMatrix->setItem(r, c, item);
        }
}

// --- Grid pages ------------------------------------------------------------------------------------------

TGridPage::TGridPage(TPageHost& host, QWidget* parent, TViewKind kind) : TPage(host, parent), FKind(kind) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    FToolBar = NewToolBar();
    layout->addWidget(FToolBar);
    FGrid = new QTableView(this);
    // The export finds the card and the layout by these names.
    if (kind == TViewKind::Card) FGrid->setObjectName("sgCard");
    if (kind == TViewKind::Layout) FGrid->setObjectName("sgLayout");
    FGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    FGrid->setItemDelegate(new TSelectionDelegate(FGrid));
    FGrid->verticalHeader()->setDefaultSectionSize(18);
    FGrid->verticalHeader()->hide();
    if (kind == TViewKind::Card) {
        layout->addWidget(FGrid, 1);
        return;
    }
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(FGrid);
    if (kind == TViewKind::Week) {
        FChart = new QChartView(split);
        split->addWidget(FChart);
        split->setStretchFactor(0, 1); // eight rows of the grid, the rest for the chart
        split->setStretchFactor(1, 3);
    } else {
        auto* lists = new QWidget(split);
        auto* row = new QHBoxLayout(lists);
        for (size_t k = 0; k < 5; ++k) {
            auto* col = new QVBoxLayout();
            FCompareLengths[k] = LengthField(lists, 100);
            FCompare[k] = new QTableView(lists);
            FCompare[k]->verticalHeader()->hide();
            FCompare[k]->verticalHeader()->setDefaultSectionSize(18);
            FCompare[k]->setWordWrap(false);
            FCompare[k]->horizontalHeader()->setStretchLastSection(true);
            FCompare[k]->setSortingEnabled(false);
            col->addWidget(FCompareLengths[k]);
            col->addWidget(FCompare[k], 1);
            row->addLayout(col);
        }
        split->addWidget(lists);
    }
    layout->addWidget(split, 1);
}

QString TGridPage::Title() const {
    switch (FKind) {
    case TViewKind::Card: return TrQ("Карта");
    case TViewKind::Week: return TrQ("Неделя");
    default: return TrQ("Схема");
    }
}

const TTextGrid& TGridPage::Text() const {
    TViewsController& v = FApp->Views();
    return FKind == TViewKind::Card ? v.CardText() : FKind == TViewKind::Week ? v.WeekText() : v.LayoutText();
}

void TGridPage::Attach(TTemplateMain& app) {
    FApp = &app;
    TGridPage* self = this;
    FModel = new TGridTextModel(
        {[self] { return std::max(QtCount(self->Text().size()) - 1, 0); },
         [self] { return self->Text().empty() ? 0 : QtCount(self->Text().front().size()); },
         [self](int r, int c) {
             const auto& g = self->Text();
             const size_t row = static_cast<size_t>(r) + 1;
             return row < g.size() && static_cast<size_t>(c) < g[row].size() ? g[row][static_cast<size_t>(c)]
                                                                             : std::string();
         },
         [self](int c) {
             const auto& g = self->Text();
             return !g.empty() && static_cast<size_t>(c) < g[0].size() ? g[0][static_cast<size_t>(c)] : std::string();
         },
         [self](int r, int c) -> int64_t {
             TViewsController& v = self->FApp->Views();
             switch (self->FKind) {
             case TViewKind::Card: return v.CardColor(r + 1, c);
             case TViewKind::Week: return v.WeekColor(r + 1, c);
             default: return v.LayoutColor(r + 1, c);
             }
         }},
        this);
    FGrid->setModel(FModel);
    connect(FGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TGridPage::OnSelection);
    connect(FGrid->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { DrawWeekChart(); });
    TFormSettings& s = app.Settings();
    if (FKind == TViewKind::Layout) {
        FLength = LengthField(this, s.LayoutLen);
        connect(FLength, &QSpinBox::editingFinished, this, [this] { FApp->Views().SetLayoutLength(FLength->value()); });
        for (size_t k = 0; k < 5; ++k) {
            FCompareLengths[k]->setValue(s.LayoutCompareLen[k]);
            connect(FCompareLengths[k], &QSpinBox::editingFinished, this,
                    [this, k] { FApp->Views().SetCompareLength(static_cast<int>(k), FCompareLengths[k]->value()); });
            FCompareModels[k] = new TGridTextModel(
                {[self, k] { return QtCount(self->FApp->Views().LayoutCompare()[k].Rows.size()); },
                 [] { return 2; },
                 [self, k](int r, int c) {
                     const auto& row = self->FApp->Views().LayoutCompare()[k].Rows[static_cast<size_t>(r)];
                     return c == 0 ? std::to_string(row.first) : row.second;
                 },
                 [self, k](int c) { return c == 0 ? Tr("Кол-во") : self->FApp->Views().LayoutCompare()[k].Caption; },
                 {}},
                this);
            FCompare[k]->setModel(FCompareModels[k]);
        }
    } else if (FKind == TViewKind::Week) {
        FLength = LengthField(this, s.WeekLen);
        connect(FLength, &QSpinBox::editingFinished, this, [this] { FApp->Views().SetWeekLength(FLength->value()); });
    }
}

void TGridPage::LanguageChanged() {
    const char* bars[] = {"", "Card", "Layout", "", "Week"};
    FillToolBar(FToolBar, bars[static_cast<int>(FKind)]);
    if (FLength) FToolBar->addWidget(FLength);
}

void TGridPage::OnSelection() {
    if (!FApp) return;
    const QItemSelection sel = FGrid->selectionModel()->selection();
    if (sel.isEmpty()) {
        FApp->Views().SetSelection(FKind, std::nullopt);
        return;
    }
    const QItemSelectionRange& r = sel.first();
    // Grid coordinates count the header row.
    FApp->Views().SetSelection(FKind, TGridRect{r.top() + 1, r.left(), r.bottom() + 1, r.right()});
}

void TGridPage::DrawWeekChart() {
    if (FKind != TViewKind::Week || !FChart || !FApp) return;
    const QModelIndex cur = FGrid->currentIndex();
    const int row = cur.isValid() ? cur.row() + 1 : 1, column = cur.isValid() ? std::max(cur.column(), 1) : 1;
    const auto points = FApp->Views().WeekChart(row, column);
    // Mode 1 shows the seven days of one number, mode 0 the 52 numbers of one day: x labelled accordingly.
    const auto days = TViewsController::DayNames();
    QStringList labels;
    QList<double> positions;
    for (size_t i = 0; i < points.size(); ++i) {
        const TViewPoint& p = points[i];
        labels << (FApp->Settings().WeekChartMode == 1 && p.X >= 1 && p.X <= 7 ? QS(days[static_cast<size_t>(p.X - 1)])
                                                                               : QString::number(p.X));
        positions << static_cast<double>(i);
    }
    auto* chart = new QChart();
    QAbstractSeries* series = nullptr;
    if (FApp->Settings().WeekChartType) {
        auto* line = new QLineSeries();
        for (size_t i = 0; i < points.size(); ++i) line->append(static_cast<double>(i), points[i].Y);
        line->setPointsVisible(true);
        series = line;
    } else {
        auto* set = new QBarSet(QString());
        for (const TViewPoint& p : points) *set << p.Y;
        auto* bars = new QBarSeries();
        bars->append(set);
        series = bars;
    }
    chart->addSeries(series);
    chart->legend()->hide();
    auto* x = new QCategoryAxis();
    x->setGridLineVisible(false);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto* y = new QValueAxis();
    double top = 1;
    for (const TViewPoint& p : points) top = std::max(top, p.Y);
    SetWholeNumberAxis(y, 0, top, 6, true);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    // Bars stand on the positions 0..n-1, so the axis reaches half a bar beyond each end.
    SetCategoryLabels(chart, x, labels, positions, 0.5);
    QChart* old = FChart->chart();
    FChart->setChart(chart);
    delete old;
}

void TGridPage::ChooseWeekCell() {
    // Without a cell of the user's, the chart shows a day that has draws (mode 0) or the first number (mode 1)
    // instead of an empty Monday.
    if (FKind != TViewKind::Week || !FModel || FModel->rowCount() == 0 || FModel->columnCount() < 2) return;
    if (FGrid->currentIndex().isValid()) return;
    int row = 0;
    for (int r = 0; r < FModel->rowCount(); ++r) {
        bool counted = false;
        for (int c = 1; c < FModel->columnCount() && !counted; ++c)
            counted = !FModel->data(FModel->index(r, c), Qt::DisplayRole).toString().isEmpty();
        if (counted) {
            row = r;
            break;
        }
    }
    FGrid->selectionModel()->setCurrentIndex(FModel->index(row, 1), QItemSelectionModel::NoUpdate);
}

void TGridPage::ViewChanged(TViewKind kind) {
    if (!FModel) return;
    if (kind == TViewKind::LayoutCompare) {
        for (size_t k = 0; k < FCompareModels.size(); ++k)
            if (FCompareModels[k]) {
                FCompareModels[k]->Reset();
                FCompare[k]->resizeColumnToContents(0);
            }
        return;
    }
    // A recount keeps the cell and the cells the user chose, so the weekday chart stays on them.
    const QModelIndex current = FGrid->currentIndex();
    const int row = current.row(), column = current.column();
    const QItemSelection chosen = FGrid->selectionModel()->selection();
    const QRect cells = chosen.isEmpty() ? QRect()
                                         : QRect(QPoint(chosen.first().left(), chosen.first().top()),
                                                 QPoint(chosen.first().right(), chosen.first().bottom()));
    FModel->Reset();
    auto inside = [this](int r, int c) {
        return r >= 0 && r < FModel->rowCount() && c >= 0 && c < FModel->columnCount();
    };
    if (inside(row, column))
        FGrid->selectionModel()->setCurrentIndex(FModel->index(row, column), QItemSelectionModel::NoUpdate);
    if (cells.isValid() && inside(cells.bottom(), cells.right()))
        FGrid->selectionModel()->select(
            QItemSelection(FModel->index(cells.top(), cells.left()), FModel->index(cells.bottom(), cells.right())),
            QItemSelectionModel::ClearAndSelect);
    ChooseWeekCell();
    FGrid->resizeColumnsToContents();
    if (FKind == TViewKind::Layout) // the layout's columns start 40 wide (the counts 50) and only widen
        for (int c = 0; c < FModel->columnCount(); ++c)
            FGrid->setColumnWidth(c, std::max(FGrid->columnWidth(c), c == 0 ? 50 : 40));
    DrawWeekChart();
}

// --- Graphs ----------------------------------------------------------------------------------------------

TGraphsPage::TGraphsPage(TPageHost& host, QWidget* parent) : TPage(host, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    FToolBar = NewToolBar();
    layout->addWidget(FToolBar);
    FMethod = new QComboBox(this);
    FMethod->setObjectName("cbGraphType");
    FMethod->setToolTip(TrQ("Тип графика"));
    FMethod->setMinimumContentsLength(40);
    FMethod->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    FLabels = new QCheckBox(TrQ("Отображать метки на графике"), this);
    FLabels->setChecked(true);
    connect(FLabels, &QCheckBox::toggled, this, [this] { ViewChanged(); });
    FChart = new QChartView(this);
    FChart->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(FChart, 1);
}

QString TGraphsPage::Title() const {
    return TrQ("Графики");
}

void TGraphsPage::Attach(TTemplateMain& app) {
    FApp = &app;
    FLength = LengthField(this, app.Settings().DrawsGraphLen);
    connect(FLength, &QSpinBox::editingFinished, this, [this] { FApp->Views().SetGraphLength(FLength->value()); });
    connect(FMethod, &QComboBox::activated, this, [this](int i) {
        const auto& items = FApp->Statistics().GraphTypeItems();
        if (i >= 0 && static_cast<size_t>(i) < items.size())
            FApp->Views().SetGraphMethod(items[static_cast<size_t>(i)]);
    });
    StatMethodsChanged();
}

void TGraphsPage::LanguageChanged() {
    FillToolBar(FToolBar, "Graphs");
    FToolBar->addWidget(FMethod);
    if (FLength) FToolBar->addWidget(FLength);
    FLabels->setText(TrQ("Отображать метки на графике"));
    FToolBar->addWidget(FLabels);
}

void TGraphsPage::StatMethodsChanged() {
    if (!FApp) return;
    FMethod->clear();
    int current = -1;
    const auto& items = FApp->Statistics().GraphTypeItems();
    for (size_t i = 0; i < items.size(); ++i) {
        FMethod->addItem(QS(FApp->Stats().DisplayName(items[i], true)));
        if (items[i] == FApp->Views().GraphMethod()) current = static_cast<int>(i);
    }
    FMethod->setCurrentIndex(current);
}

void TGraphsPage::ViewChanged() {
    if (FApp) ShowSeries(FChart, FApp->Views().GraphSeries(), FLabels->isChecked());
}

// --- The views' share of the window ------------------------------------------------------------------------

TViewsHost::TViewsHost(TPageHost& host, QTabWidget* tabs)
    : TDialogHost(tabs->window()), FTabs(tabs),
      FGraphs(new TGraphsPage(host, tabs)), FGrids{new TGridPage(host, tabs, TViewKind::Card),
                                                   new TGridPage(host, tabs, TViewKind::Layout),
                                                   new TGridPage(host, tabs, TViewKind::Week)} {
    for (TPage* page : std::initializer_list<TPage*>{FGraphs, FGrids[0], FGrids[1], FGrids[2]})
        host.AddPage(page, tabs);
}

void TViewsHost::Attach(TTemplateMain& app) {
    TDialogHost::Attach(app);
    SyncTabs();
}

TGridPage* TViewsHost::GridPage(TViewKind kind) const {
    switch (kind) {
    case TViewKind::Card: return FGrids[0];
    case TViewKind::Week: return FGrids[2];
    case TViewKind::Layout:
    case TViewKind::LayoutCompare: return FGrids[1];
    default: return nullptr;
    }
}

void TViewsHost::SyncTabs() {
    if (!FApp) return;
    const TFormSettings& s = FApp->Settings();
    const std::pair<QWidget*, bool> shown[] = {
        {FGraphs, s.TabGraphs}, {FGrids[0], s.TabCard}, {FGrids[1], s.TabLayout}, {FGrids[2], s.TabWeek}};
    for (const auto& [page, on] : shown) {
        const int index = FTabs->indexOf(page);
        if (index >= 0) FTabs->setTabVisible(index, on);
    }
}

void TViewsHost::ViewChanged(TViewKind kind) {
    if (kind == TViewKind::Graphs) {
        if (FGraphs) FGraphs->ViewChanged();
    } else if (TGridPage* p = GridPage(kind)) {
        p->ViewChanged(kind);
    }
}

void TViewsHost::ViewTabsChanged(std::optional<TViewKind> front) {
    SyncTabs();
    if (!front) return;
    QWidget* page = *front == TViewKind::Graphs ? static_cast<QWidget*>(FGraphs) : GridPage(*front);
    if (page) FTabs->setCurrentWidget(page);
}

void TViewsHost::ShowChart(const std::string& title, const std::vector<TChartSeries>& series) {
    TChartDialog dlg(QS(title), series, FWindow);
    dlg.exec();
}

void TViewsHost::ShowRepeats(int& draws, int& depth, const std::function<TRepeatsResult(int, int)>& compute) {
    QDialog dlg(FWindow);
    dlg.setObjectName("TFormRepeats");
    dlg.setWindowTitle(TrQ("Количество повторов в зависимости от тиража"));
    auto* layout = new QVBoxLayout(&dlg);
    auto* form = new QFormLayout();
    QSpinBox* n = LengthField(&dlg, draws);
    QSpinBox* d = LengthField(&dlg, depth);
    form->addRow(TrQ("Количество тиражей, использующихся для расчета статистики"), n);
    form->addRow(TrQ("Количество тиражей, просматриваемых \"в глубину\" для поиска совпадений"), d);
    layout->addLayout(form);
    auto* run = new QPushButton(TrQ("Рассчитать"), &dlg);
    run->setAutoDefault(false);
    layout->addWidget(run);
    auto* split = new QSplitter(Qt::Vertical, &dlg);
    auto* table = new QTableWidget(0, 4, split);
    table->setObjectName("sgRepeats");
    table->setHorizontalHeaderLabels({TrQ("Тираж"), TrQ("Совпадений"), TrQ("Кол-во повторов"), TrQ("Список тиражей")});
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(18);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setStretchLastSection(true);
    auto* chart = new QChartView(split);
    chart->setRenderHint(QPainter::Antialiasing);
    split->addWidget(table);
    split->addWidget(chart);
    layout->addWidget(split, 1);
    auto recompute = [&] {
        const TRepeatsResult res = compute(n->value(), d->value());
        table->setRowCount(QtCount(res.Rows.size()));
        for (size_t i = 0; i < res.Rows.size(); ++i) {
            const TRepeatRow& row = res.Rows[i];
            const QString cells[4] = {QString::number(row.Draw), QString::number(row.Matches),
                                      QString::number(row.Repeats), QS(row.DrawList)};
            for (int c = 0; c < 4; ++c) table->setItem(static_cast<int>(i), c, new QTableWidgetItem(cells[c]));
        }
        table->resizeColumnsToContents();
        ShowSeries(chart, RepeatsSeries(res), false);
    };
    QObject::connect(run, &QPushButton::clicked, &dlg, recompute);
    // Enter in a field recomputes instead of closing the window.
    for (QSpinBox* field : {n, d})
        QObject::connect(field, &QSpinBox::editingFinished, &dlg, [field, &recompute] {
            if (field->hasFocus()) recompute();
        });
    recompute();
    dlg.resize(900, 700);
    dlg.exec();
    draws = n->value();
    depth = d->value();
}

void TViewsHost::ShowInfo(const std::vector<TInfoLine>& lines, const TComb& numbers, int columns, int channelSize) {
    TInfoDialog dlg(lines, numbers, columns, channelSize, FWindow);
    dlg.exec();
}

#include "ui/ViewPages.h"

#include "app/TemplateMain.h"
#include "ui/ChartHelpers.h"
#include "ui/QtText.h"
#include "ui/ScenarioPage.h"
#include "ui/StakesPage.h"
#include "ui/VerdictDialog.h"

#include "core/Format.h"
#include "core/IniFile.h"

#include <QAction>
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
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QValueAxis>

using namespace zorb;

namespace {

QColor ColorOf(int64_t c) {
    return QColor(static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF));
}

int Count(size_t n) {
    return static_cast<int>(std::min<size_t>(n, INT32_MAX));
}

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

// --- Grid model ------------------------------------------------------------------------------------------

TGridTextModel::TGridTextModel(TSource source, QObject* parent)
    : QAbstractTableModel(parent), FSource(std::move(source)) {}

int TGridTextModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(FSource.Rows(), 0);
}

int TGridTextModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(FSource.Columns(), 0);
}

QVariant TGridTextModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return QS(FSource.Text(index.row(), index.column()));
    if (role == Qt::BackgroundRole && FSource.Color) {
        const int64_t c = FSource.Color(index.row(), index.column());
        if (c >= 0) return ColorOf(c);
    }
    return {};
}

QVariant TGridTextModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal && FSource.Hint) {
        const std::string hint = FSource.Hint(section);
        return hint.empty() ? QVariant() : QVariant(QS(hint));
    }
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return QS(FSource.Header(section));
    return section + 1;
}

void TGridTextModel::Reset() {
    beginResetModel();
    endResetModel();
}

// --- Charts ----------------------------------------------------------------------------------------------

void ShowSeries(QChartView* view, const std::vector<TChartSeries>& series, bool labels) {
    auto* chart = new QChart();
    std::vector<QXYSeries*> labelled;
    bool whole = true;
    double left = 0, right = 0, bottom = 0, top = 0;
    bool any = false;
    for (const TChartSeries& s : series) {
        auto* line = new QLineSeries();
        line->setName(QS(s.Title));
        for (const TViewPoint& p : s.Points) {
            const double x = p.X;
            line->append(x, p.Y);
            left = any ? std::min(left, x) : x;
            right = any ? std::max(right, x) : x;
            bottom = any ? std::min(bottom, p.Y) : p.Y;
            top = any ? std::max(top, p.Y) : p.Y;
            any = true;
        }
        // The first series holds the values themselves; means and levels beside it may be fractions.
        if (chart->series().isEmpty()) whole = WholeValues(line);
        // Added first, so that a series without a colour of its own keeps the one the chart gives it.
        chart->addSeries(line);
        QPen pen = line->pen();
        pen.setWidth(2);
        if (s.Color) pen.setColor(ColorOf(s.Color));
        line->setPen(pen);
        if (s.Color) line->setBrush(ColorOf(s.Color)); // the point marks
        line->setPointsVisible(s.Marks);
        line->setPointLabelsVisible(labels && s.Labels);
        line->setPointLabelsFormat("@yPoint");
        line->setPointLabelsClipping(false);
        if (labels && s.Labels) labelled.push_back(line);
    }
    chart->createDefaultAxes();
    // x is a draw number, a sum or a match count: whole numbers, the axis ending where the data end.
    for (QAbstractAxis* axis : chart->axes(Qt::Horizontal))
        if (auto* values = qobject_cast<QValueAxis*>(axis); values && any)
            SetWholeNumberAxis(values, left, right, 10, false);
    for (QAbstractAxis* axis : chart->axes(Qt::Vertical))
        if (auto* values = qobject_cast<QValueAxis*>(axis); values && any) {
            if (whole)
                SetWholeNumberAxis(values, std::min(bottom, 0.0), top, 8, true);
            else
                values->applyNiceNumbers();
        }
    FitPointLabels(chart, labelled);
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
}

namespace {

// The chart's series names under it, wrapped, each after a mark of its colour: long names (the sums window's
// ranges) are what the window exists to show, and the chart's own legend cuts them on one line.
QString LegendHtml(const QChart* chart) {
    QString html;
    for (const QAbstractSeries* s : chart->series()) {
        const auto* xy = qobject_cast<const QXYSeries*>(s);
        const QString color = xy ? xy->pen().color().name() : QString("#000000");
        html += QString("<span style=\"color:%1\">&#9632;</span>&nbsp;%2<br>").arg(color, s->name().toHtmlEscaped());
    }
    return html;
}

} // namespace

TChartDialog::TChartDialog(const QString& title, const std::vector<TChartSeries>& series, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title.isEmpty() ? TrQ("График") : title);
    auto* layout = new QVBoxLayout(this);
    FView = new QChartView(this);
    FView->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(FView, 1);
    FLegend = new QLabel(this);
    FLegend->setObjectName("lbLegend");
    FLegend->setWordWrap(true);
    FLegend->setTextFormat(Qt::RichText);
    layout->addWidget(FLegend);
    auto* labels = new QCheckBox(TrQ("Отображать метки на графиках"), this);
    labels->setChecked(true);
    layout->addWidget(labels);
    auto show = [this, series](bool on) {
        ShowSeries(FView, series, on);
        FView->chart()->legend()->hide();
        FLegend->setText(LegendHtml(FView->chart()));
    };
    show(true);
    connect(labels, &QCheckBox::toggled, this, show);
    resize(900, 600);
}

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
            if (color >= 0) item->setBackground(ColorOf(color));
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
        {[self] { return std::max(Count(self->Text().size()) - 1, 0); },
         [self] { return self->Text().empty() ? 0 : Count(self->Text().front().size()); },
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
                {[self, k] { return Count(self->FApp->Views().LayoutCompare()[k].Rows.size()); },
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
    MethodsChanged();
}

void TGraphsPage::LanguageChanged() {
    FillToolBar(FToolBar, "Graphs");
    FToolBar->addWidget(FMethod);
    if (FLength) FToolBar->addWidget(FLength);
    FLabels->setText(TrQ("Отображать метки на графике"));
    FToolBar->addWidget(FLabels);
}

void TGraphsPage::MethodsChanged() {
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

// --- Ratings and tables ----------------------------------------------------------------------------------

namespace {

const char* const RatingsListName = "lvRatings";

// What a user asks first of an entry, whether it beats random play, stands right after its comment.
std::vector<int> DefaultRatingsOrder() {
    std::vector<int> order{0, RatingExpectedMatchesColumn, RatingExpectedProfitColumn, RatingPValueColumn,
                           RatingCorrectedPValueColumn};
    for (int c = 1; c < RatingExpectedMatchesColumn; ++c) order.push_back(c);
    return order;
}

std::vector<int> ColumnList(const std::string& text) {
    std::vector<int> list;
    for (const std::string& part : SplitKeepEmpty(text, ',')) {
        int32_t v = 0;
        if (TryStrToInt(Trim(part), v) && v >= 0 && v < RatingColumnCount) list.push_back(v);
    }
    return list;
}

std::string ColumnListText(const std::vector<int>& list) {
    std::vector<std::string> parts;
    for (int c : list) parts.push_back(std::to_string(c));
    return Join(parts, ",");
}

} // namespace

TListPage::TListPage(TPageHost& host, QWidget* parent, bool ratings) : TPage(host, parent), FRatings(ratings) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    FToolBar = NewToolBar();
    layout->addWidget(FToolBar);
    FView = new QTableView(this);
    SetupRowView(FView, ratings ? "lvRatings" : "lvTables");
    layout->addWidget(FView, 1);
}

QString TListPage::Title() const {
    return FRatings ? TrQ("Рейтинг") : TrQ("Регуляры");
}

void TListPage::Attach(TTemplateMain& app) {
    FApp = &app;
    TTemplateMain* a = &app;
    if (FRatings)
        FModel = new TGridTextModel({[a] { return Count(a->RatingsTab().Ratings().Count()); },
                                     [] { return RatingColumnCount; },
                                     [a](int r, int c) { return a->RatingsTab().CellText(static_cast<size_t>(r), c); },
                                     [](int c) { return RatingColumnCaption(c); },
                                     [a](int r, int c) { return a->RatingsTab().CellColor(static_cast<size_t>(r), c); },
                                     [a](int c) { return a->RatingsTab().ColumnHint(c); }},
                                    this);
    else
        FModel = new TGridTextModel({[a] { return a->Tables().TabShown() ? Count(a->Tables().Tables().size()) : 0; },
                                     [] { return TTablesController::TableColumnCount; },
                                     [a](int r, int c) { return a->Tables().CellText(static_cast<size_t>(r), c); },
                                     [a](int c) { return a->Tables().ColumnCaption(c); },
                                     {}},
                                    this);
    FView->setModel(FModel);
    // Starting widths: the comment wide, the counters narrow.
    for (int c = 0; c < FModel->columnCount(); ++c) {
        int w = 70;
        if (c == 0)
            w = 220;
        else if (FRatings && c >= 6 && c < RatingEColumn)
            w = 45;
        else if (FRatings && c >= RatingExpectedMatchesColumn)
            w = 110;
        else if (!FRatings && (c == 1 || c == 3))
            w = 150;
        FView->setColumnWidth(c, w);
    }
    if (!FRatings) FitColumnsToContents(FView);
    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TListPage::OnSelection);
    if (FRatings) {
        FView->horizontalHeader()->setSectionsMovable(true);
        ShowColumns(DefaultRatingsOrder(), {});
        FView->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(FView->horizontalHeader(), &QWidget::customContextMenuRequested, this, &TListPage::ColumnsMenu);
        FView->horizontalHeader()->setSectionsClickable(true);
        connect(FView->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this](int c) { FApp->RatingsTab().SortByHeader(c); });
        connect(FView, &QTableView::doubleClicked, this, [this] {
            if (QAction* overlap = FHost.ActionByName("RatingsGraphOverlap"); overlap && overlap->isEnabled())
                FHost.RunAction("RatingsGraphOverlap");
        });
    }
    FView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FView, &QWidget::customContextMenuRequested, this, &TListPage::ContextMenu);
}

void TListPage::ContextMenu(const QPoint& at) {
    QMenu menu(this);
    const char* const ratings[] = {"RatingsRefresh",     "",
                                   "RatingsExport",      "RatingsXlsExport",
                                   "RatingsToScript",    "",
                                   "StakesGraphDraws",   "StakesGraphOverlap",
                                   "StakesGraphProfits", "RatingsGraphOverlap",
                                   "RatingsGraphLuck"};
    const char* const tables[] = {"TablesAdd", "TablesDel", "", "TablesStakeAdd", "TablesStakeTest"};
    auto fill = [this, &menu](const char* const* names, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            if (!*names[i]) {
                menu.addSeparator();
            } else if (QAction* a = FHost.ActionByName(names[i])) {
                menu.addAction(a);
            }
        }
    };
    if (FRatings) {
        fill(ratings, std::size(ratings));
        menu.addSeparator();
        QMenu* modes = menu.addMenu(TrQ("Эффективность (столбцы E0..n)"));
        for (const char* name : {"RatingsEffMode0", "RatingsEffMode1", "RatingsEffMode2"})
            if (QAction* a = FHost.ActionByName(name)) modes->addAction(a);
    } else {
        fill(tables, std::size(tables));
    }
    menu.exec(FView->viewport()->mapToGlobal(at));
}

void TListPage::LanguageChanged() {
    FillToolBar(FToolBar, FRatings ? "Ratings" : "Tables");
}

// Logical columns in `order` come first, the rest after them in the default order; the comment always shows.
void TListPage::ShowColumns(const std::vector<int>& order, const std::vector<int>& hidden) {
    QHeaderView* header = FView->horizontalHeader();
    std::vector<int> full;
    for (int c : order)
        if (std::find(full.begin(), full.end(), c) == full.end()) full.push_back(c);
    for (int c : DefaultRatingsOrder())
        if (std::find(full.begin(), full.end(), c) == full.end()) full.push_back(c);
    for (size_t visual = 0; visual < full.size(); ++visual)
        header->moveSection(header->visualIndex(full[visual]), static_cast<int>(visual));
    for (int c = 0; c < RatingColumnCount; ++c)
        header->setSectionHidden(c, c != 0 && std::find(hidden.begin(), hidden.end(), c) != hidden.end());
}

std::vector<int> TListPage::ShownColumns() const {
    const QHeaderView* header = FView->horizontalHeader();
    std::vector<int> shown;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int c = header->logicalIndex(visual);
        if (!header->isSectionHidden(c)) shown.push_back(c);
    }
    return shown;
}

void TListPage::ColumnsMenu(const QPoint& at) {
    if (!FRatings) return;
    QHeaderView* header = FView->horizontalHeader();
    QMenu menu(this);
    for (int visual = 0; visual < header->count(); ++visual) {
        const int c = header->logicalIndex(visual);
        if (c == 0) continue;
        QAction* a = menu.addAction(QS(RatingColumnCaption(c)));
        a->setCheckable(true);
        a->setChecked(!header->isSectionHidden(c));
        a->setToolTip(QS(FApp ? FApp->RatingsTab().ColumnHint(c) : ""));
        connect(a, &QAction::toggled, this, [this, header, c](bool on) {
            header->setSectionHidden(c, !on);
            if (on && FView->columnWidth(c) < 20) FView->setColumnWidth(c, 70);
        });
    }
    menu.setToolTipsVisible(true);
    menu.exec(header->mapToGlobal(at));
}

void TListPage::RestoreState(const TStoredSizes& sizes) {
    if (!FRatings) return;
    RestoreColumnWidths(FView, sizes, RatingsListName, RatingColumnCount);
    const std::string order = sizes.Frm.ReadString(sizes.Section, Format("%s.Order", RatingsListName), "");
    const std::string hidden = sizes.Frm.ReadString(sizes.Section, Format("%s.Hidden", RatingsListName), "");
    ShowColumns(order.empty() ? DefaultRatingsOrder() : ColumnList(order), ColumnList(hidden));
}

void TListPage::SaveState(TIniFile& frm, const std::string& section, TFormSettings&, bool) {
    if (!FRatings) return;
    SaveColumnWidths(FView, frm, section, RatingsListName, RatingColumnCount, false);
    const QHeaderView* header = FView->horizontalHeader();
    std::vector<int> order, hidden;
    for (int visual = 0; visual < header->count(); ++visual) order.push_back(header->logicalIndex(visual));
    for (int c = 0; c < header->count(); ++c)
        if (header->isSectionHidden(c)) hidden.push_back(c);
    frm.WriteString(section, Format("%s.Order", RatingsListName), ColumnListText(order));
    frm.WriteString(section, Format("%s.Hidden", RatingsListName), ColumnListText(hidden));
}

void TListPage::OnSelection() {
    if (!FApp) return;
    std::vector<size_t> rows;
    for (const QModelIndex& i : FView->selectionModel()->selectedRows()) rows.push_back(static_cast<size_t>(i.row()));
    if (FRatings)
        FApp->RatingsTab().SetSelection(std::move(rows));
    else
        FApp->Tables().SetSelection(std::move(rows));
}

void TListPage::Reset() {
    if (FModel) FModel->Reset();
}

// --- The interfaces --------------------------------------------------------------------------------------

void TViewPagesUi::CreateViewPages(TPageHost& host, QTabWidget* tabs, const std::function<void(TPage*)>& add) {
    FTabs = tabs;
    FGraphs = new TGraphsPage(host, tabs);
    FGrids = {new TGridPage(host, tabs, TViewKind::Card), new TGridPage(host, tabs, TViewKind::Layout),
              new TGridPage(host, tabs, TViewKind::Week)};
    FRatingsPage = new TListPage(host, tabs, true);
    FTablesPage = new TListPage(host, tabs, false);
    for (TPage* p : std::initializer_list<TPage*>{FGraphs, FGrids[0], FGrids[1], FGrids[2], FRatingsPage, FTablesPage})
        add(p);
    // The window's order: the statistics, the four draw views, the stakes, then ratings and tables.
    QTabBar* bar = tabs->tabBar();
    int at = std::min(1, tabs->count());
    for (QWidget* page : std::initializer_list<QWidget*>{FGraphs, FGrids[0], FGrids[1], FGrids[2]})
        bar->moveTab(tabs->indexOf(page), at++);
    for (int i = 0; i < tabs->count(); ++i)
        if (qobject_cast<TStakesPage*>(tabs->widget(i))) {
            at = i + 1;
            for (QWidget* page : std::initializer_list<QWidget*>{FRatingsPage, FTablesPage})
                bar->moveTab(tabs->indexOf(page), at++);
            break;
        }
}

void TViewPagesUi::AttachViewPages(TTemplateMain& app) {
    FViewApp = &app;
    SyncTabs();
}

void TViewPagesUi::ViewPagesMethodsChanged() {
    if (FGraphs) FGraphs->MethodsChanged();
}

TGridPage* TViewPagesUi::GridPage(TViewKind kind) const {
    switch (kind) {
    case TViewKind::Card: return FGrids[0];
    case TViewKind::Week: return FGrids[2];
    case TViewKind::Layout:
    case TViewKind::LayoutCompare: return FGrids[1];
    default: return nullptr;
    }
}

void TViewPagesUi::SyncTabs() {
    if (!FTabs || !FViewApp) return;
    const TFormSettings& s = FViewApp->Settings();
    const std::pair<QWidget*, bool> shown[] = {{FGraphs, s.TabGraphs},
                                               {FGrids[0], s.TabCard},
                                               {FGrids[1], s.TabLayout},
                                               {FGrids[2], s.TabWeek},
                                               {FTablesPage, s.TabTables}};
    for (const auto& [page, on] : shown) {
        const int index = FTabs->indexOf(page);
        if (index >= 0) FTabs->setTabVisible(index, on);
    }
}

void TViewPagesUi::ViewChanged(TViewKind kind) {
    if (kind == TViewKind::Graphs) {
        if (FGraphs) FGraphs->ViewChanged();
    } else if (TGridPage* p = GridPage(kind)) {
        p->ViewChanged(kind);
    }
}

void TViewPagesUi::ViewTabsChanged(std::optional<TViewKind> front) {
    SyncTabs();
    if (!front || !FTabs) return;
    QWidget* page = *front == TViewKind::Graphs ? static_cast<QWidget*>(FGraphs) : GridPage(*front);
    if (page) FTabs->setCurrentWidget(page);
}

void TViewPagesUi::ShowChart(const std::string& title, const std::vector<TChartSeries>& series) {
    TChartDialog dlg(QS(title), series, FTabs ? FTabs->window() : nullptr);
    dlg.exec();
}

void TViewPagesUi::ShowRepeats(int& draws, int& depth, const std::function<TRepeatsResult(int, int)>& compute) {
    QDialog dlg(FTabs ? FTabs->window() : nullptr);
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
        table->setRowCount(Count(res.Rows.size()));
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

void TViewPagesUi::ShowInfo(const std::vector<TInfoLine>& lines, const TComb& numbers, int columns, int channelSize) {
    TInfoDialog dlg(lines, numbers, columns, channelSize, FTabs ? FTabs->window() : nullptr);
    dlg.exec();
}

void TViewPagesUi::RatingsViewChanged(size_t) {
    if (FRatingsPage) FRatingsPage->Reset();
}

void TViewPagesUi::ShowRatingsChart(const std::string& title, const std::vector<TChartSeries>& series) {
    ShowChart(title, series);
}

void TViewPagesUi::ShowScenarioTab() {
    if (!FTabs) return;
    for (int i = 0; i < FTabs->count(); ++i)
        if (qobject_cast<TScenarioPage*>(FTabs->widget(i))) FTabs->setCurrentIndex(i);
}

void TViewPagesUi::ShowTestSummary(const TVerdictTable& table) {
    // One verdict at a time: the window of an earlier test makes way for the new one.
    if (FVerdict) FVerdict->close();
    FVerdict = new TVerdictDialog(table, FTabs ? FTabs->window() : nullptr);
    FVerdict->show();
}

TVerdictDialog* TViewPagesUi::TestSummaryWindow() const {
    return FVerdict;
}

void TViewPagesUi::TablesViewChanged(size_t) {
    if (FTablesPage) FTablesPage->Reset();
}

void TViewPagesUi::TablesTabChanged(bool shown) {
    SyncTabs();
    if (shown && FTabs && FTablesPage) FTabs->setCurrentWidget(FTablesPage);
}

bool TViewPagesUi::EditTable(TTableDialogData& data,
                             const std::function<std::string(const TTableDialogData&, bool&)>& check) {
    QDialog dlg(FTabs ? FTabs->window() : nullptr);
    dlg.setWindowTitle(TrQ("Добавление регулярной ставки"));
    auto* form = new QFormLayout(&dlg);
    auto* comment = new QLineEdit(QS(data.Comment), &dlg);
    comment->setMaxLength(MaxTableCommentLength);
    auto* own = new QRadioButton(TrQ("Использовать постоянную стартовую комбинацию:"), &dlg);
    auto* last = new QRadioButton(TrQ("Использовать данные предыдущего тиража"), &dlg);
    auto* comb = new QLineEdit(QS(data.CombText), &dlg);
    auto* step = new QSpinBox(&dlg);
    step->setRange(-MaxTableStep, MaxTableStep);
    step->setValue(data.Step);
    own->setChecked(!data.UseLastDraw);
    last->setChecked(data.UseLastDraw);
    comb->setEnabled(data.CombEnabled && !data.UseLastDraw);
    QObject::connect(own, &QRadioButton::toggled, comb,
                     [comb, &data](bool on) { comb->setEnabled(on && data.CombEnabled); });
    form->addRow(TrQ("Комментарий к ставке:"), comment);
    form->addRow(own);
    form->addRow(comb);
    form->addRow(last);
    form->addRow(TrQ("Шаг:"), step);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->button(QDialogButtonBox::Ok)->setText(TrQ("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(TrQ("Отмена"));
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, [&] {
        TTableDialogData d = data;
        d.Comment = StdS(comment->text());
        d.UseLastDraw = last->isChecked();
        d.CombText = StdS(comb->text());
        d.Step = step->value();
        bool combField = false;
        const std::string error = check(d, combField);
        if (!error.empty()) {
            QMessageBox::critical(&dlg, TrQ("Ошибка"), QS(error));
            (combField ? static_cast<QWidget*>(comb) : comment)->setFocus();
            return;
        }
        data = d;
        dlg.accept();
    });
    return dlg.exec() == QDialog::Accepted;
}

bool TViewPagesUi::AskTablesTestCount(int& count, int maxCount) {
    QInputDialog dlg(FTabs ? FTabs->window() : nullptr);
    dlg.setWindowTitle(TrQ("Количество тестов"));
    dlg.setLabelText(TrQ("Укажите количество тестов:"));
    dlg.setInputMode(QInputDialog::IntInput);
    dlg.setIntRange(1, std::max(maxCount, 1));
    dlg.setIntValue(std::clamp(count, 1, std::max(maxCount, 1)));
    dlg.setOkButtonText(TrQ("OK"));
    dlg.setCancelButtonText(TrQ("Отмена"));
    if (dlg.exec() != QDialog::Accepted) return false;
    count = dlg.intValue();
    return true;
}

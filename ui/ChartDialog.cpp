#include "ui/ChartDialog.h"

#include "ui/ChartHelpers.h"
#include "ui/GridModel.h"
#include "ui/QtText.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

using namespace zorb;

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
        if (s.Color) pen.setColor(RgbColor(s.Color));
        line->setPen(pen);
        if (s.Color) line->setBrush(RgbColor(s.Color)); // the point marks
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

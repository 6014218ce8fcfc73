#include "ui/StatChart.h"

#include "core/Translate.h"
#include "stats/StatTable.h"
#include "ui/ChartHelpers.h"
#include "ui/QtText.h"

#include <QLegendMarker>
#include <cmath>

#include <QCategoryAxis>
#include <QChart>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>

using namespace zorb;

namespace {

QChart* NewChart() {
    auto* c = new QChart();
    c->legend()->setAlignment(Qt::AlignBottom);
    c->setMargins(QMargins(4, 4, 4, 4));
    return c;
}

} // namespace

TStatChartView::TStatChartView(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    setChart(NewChart());
}

void TStatChartView::Show(const TStatChart& shown) {
    // A fresh chart each time: its axes keep fitting their labels to its own size.
    QChart* c = NewChart();
    QChart* old = chart();
    setChart(c);
    delete old;
    if (!shown.Drawn) return;
    auto addPoints = [](QXYSeries* s, const std::vector<TChartPoint>& points) {
        for (const TChartPoint& p : points) s->append(p.X, p.Y);
    };
    auto tip = [](QXYSeries* s, const std::vector<TChartPoint>& points) {
        QObject::connect(s, &QXYSeries::hovered, s, [s, points](const QPointF& p, bool state) {
            if (!state) return;
            for (const TChartPoint& q : points)
                if (std::abs(q.X - p.x()) < 0.5) {
                    QToolTip::showText(QCursor::pos(), QString("%1: %2").arg(QString::fromStdString(q.Label)).arg(q.Y));
                    return;
                }
        });
    };
    std::vector<QXYSeries*> series;
    if (!shown.Total.empty()) {
        auto* total = new QLineSeries();
        total->setName(TrQ("Все возможные комбинации"));
        total->setPen(QPen(Qt::red, 1));
        addPoints(total, shown.Total);
        tip(total, shown.Total);
        series.push_back(total);
    }
    auto* actual = new QLineSeries();
    actual->setName(TrQ("Фактические данные"));
    actual->setPen(QPen(QColor(0, 160, 0), 2));
    addPoints(actual, shown.Actual);
    tip(actual, shown.Actual);
    series.push_back(actual);
    // Square point marks with a magenta outline, as small as the line allows.
    auto* marks = new QScatterSeries();
    marks->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    marks->setMarkerSize(4);
    marks->setColor(QColor(0, 160, 0));
    marks->setBorderColor(Qt::magenta);
    addPoints(marks, shown.Actual);
    series.push_back(marks);
    for (QXYSeries* s : series) c->addSeries(s);
    c->legend()->markers(marks).front()->setVisible(false);

    // x is the value's place in the distribution: the axis names the values themselves.
    const std::vector<TChartPoint>& named = shown.Total.empty() ? shown.Actual : shown.Total;
    QStringList labels;
    QList<double> positions;
    double top = 1;
    for (const TChartPoint& p : named) {
        labels << QString::fromStdString(p.Label);
        positions << p.X;
    }
    for (const auto* points : {&shown.Total, &shown.Actual})
        for (const TChartPoint& p : *points) top = std::max(top, p.Y);
    auto* x = new QCategoryAxis();
    x->setGridLineVisible(false);
    c->addAxis(x, Qt::AlignBottom);
    auto* y = new QValueAxis();
    SetWholeNumberAxis(y, 0, top, 6, true);
    c->addAxis(y, Qt::AlignLeft);
    for (QXYSeries* s : series) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    SetCategoryLabels(c, x, labels, positions, 0.5);
}

int TStatChartView::PointCount(const QString& series) const {
    for (QAbstractSeries* s : chart()->series())
        if (s->name() == series)
            if (auto* xy = qobject_cast<QXYSeries*>(s)) return static_cast<int>(xy->count());
    return 0;
}

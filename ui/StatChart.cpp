#include "ui/StatChart.h"

#include "core/Translate.h"
#include "stats/StatTable.h"
#include "ui/QtText.h"

#include <QLegendMarker>
#include <cmath>

#include <QChart>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>

using namespace zorb;

TStatChartView::TStatChartView(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    chart()->setMargins(QMargins(4, 4, 4, 4));
}

void TStatChartView::Show(const TStatChart& shown) {
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes()) c->removeAxis(axis);
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
    if (!shown.Total.empty()) {
        auto* total = new QLineSeries();
        total->setName(TrQ("Все возможные комбинации"));
        total->setPen(QPen(Qt::red, 1));
        addPoints(total, shown.Total);
        tip(total, shown.Total);
        c->addSeries(total);
    }
    auto* actual = new QLineSeries();
    actual->setName(TrQ("Фактические данные"));
    actual->setPen(QPen(QColor(0, 160, 0), 2));
    addPoints(actual, shown.Actual);
    tip(actual, shown.Actual);
    c->addSeries(actual);
    // Square point marks with a magenta outline, as small as the line allows.
    auto* marks = new QScatterSeries();
    marks->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    marks->setMarkerSize(4);
    marks->setColor(QColor(0, 160, 0));
    marks->setBorderColor(Qt::magenta);
    addPoints(marks, shown.Actual);
    c->addSeries(marks);
    c->legend()->markers(marks).front()->setVisible(false);
    c->createDefaultAxes();
    for (QAbstractAxis* axis : c->axes(Qt::Horizontal))
        if (auto* v = qobject_cast<QValueAxis*>(axis)) v->setLabelFormat("%d");
    for (QAbstractAxis* axis : c->axes(Qt::Vertical))
        if (auto* v = qobject_cast<QValueAxis*>(axis)) {
            v->setMin(0);
            v->setLabelFormat("%d");
        }
}

int TStatChartView::PointCount(const QString& series) const {
    for (QAbstractSeries* s : chart()->series())
        if (s->name() == series)
            if (auto* xy = qobject_cast<QXYSeries*>(s)) return static_cast<int>(xy->count());
    return 0;
}

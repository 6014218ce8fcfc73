#include "ui/ChartHelpers.h"

#include <QCategoryAxis>
#include <QChart>
#include <QFontMetrics>
#include <QValueAxis>
#include <QXYSeries>

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double LabelGap = 6; // pixels between two labels that stand side by side

// Runs `fit` now and again whenever the plot area changes width or height, the only changes that move labels.
void Refit(QChart* chart, std::function<void()> fit) {
    fit();
    auto last = std::make_shared<QSizeF>(chart->plotArea().size());
    QObject::connect(chart, &QChart::plotAreaChanged, chart, [fit, last](const QRectF& area) {
        if (std::abs(area.width() - last->width()) < 1 && std::abs(area.height() - last->height()) < 1) return;
        *last = area.size();
        fit();
    });
}

} // namespace

void SetWholeNumberAxis(QValueAxis* axis, double lo, double hi, int maxTicks, bool roundEnds) {
    lo = std::floor(lo);
    hi = std::ceil(hi);
    if (hi <= lo) hi = lo + 1;
    maxTicks = std::max(maxTicks, 1);
    double step = 1;
    for (double base = 1; (hi - lo) / step > maxTicks; base *= 10)
        for (double m : {1.0, 2.0, 5.0}) {
            step = m * base;
            if ((hi - lo) / step <= maxTicks) break;
        }
    if (roundEnds) {
        lo = std::floor(lo / step) * step;
        hi = std::ceil(hi / step) * step;
    }
    axis->setRange(lo, hi);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
    axis->setMinorTickCount(0);
    axis->setLabelFormat("%d");
}

bool WholeValues(const QXYSeries* series) {
    for (const QPointF& p : series->points())
        if (p.y() != std::floor(p.y())) return false;
    return true;
}

void SetCategoryLabels(QChart* chart, QCategoryAxis* axis, const QStringList& labels, const QList<double>& positions,
                       double pad) {
    if (labels.isEmpty() || labels.size() != positions.size()) return;
    const double lo = positions.front() - pad, hi = std::max(positions.back() + pad, lo + 1);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setStartValue(lo);
    axis->setRange(lo, hi);
    Refit(chart, [chart, axis, labels, positions, lo, hi] {
        for (const QString& l : axis->categoriesLabels()) axis->remove(l);
        const QRectF area = chart->plotArea();
        const QFontMetricsF fm(axis->labelsFont());
        double lastRight = -std::numeric_limits<double>::infinity();
        for (qsizetype i = 0; i < labels.size(); ++i) {
            // Before the first layout there is no width to share: the first label stands alone.
            if (area.width() <= 0 && i > 0) break;
            const double x = area.left() + (positions[i] - lo) / (hi - lo) * area.width();
            const double half = fm.horizontalAdvance(labels[i]) / 2;
            if (x - half < lastRight + LabelGap) continue;
            axis->append(labels[i], positions[i]);
            lastRight = x + half;
        }
    });
}

void FitPointLabels(QChart* chart, const std::vector<QXYSeries*>& series) {
    Refit(chart, [chart, series] {
        std::vector<QRectF> kept;
        const QRectF area = chart->plotArea();
        for (QXYSeries* s : series) {
            if (!s->pointLabelsVisible()) continue;
            const QFontMetricsF fm(s->pointLabelsFont());
            const QList<QPointF> points = s->points();
            for (qsizetype i = 0; i < points.size(); ++i) {
                const QPointF at = chart->mapToPosition(points[i], s);
                const double w = fm.horizontalAdvance(QString::number(points[i].y())) + LabelGap;
                const QRectF r(at.x() - w / 2, at.y() - fm.height() - 4, w, fm.height());
                bool fits = area.width() > 0 && area.contains(at);
                for (auto k = kept.rbegin(); fits && k != kept.rend(); ++k) fits = !k->intersects(r);
                s->setPointConfiguration(static_cast<int>(i), QXYSeries::PointConfiguration::LabelVisibility, fits);
                if (fits) kept.push_back(r);
            }
        }
    });
}

int VisiblePointLabels(const QXYSeries* series) {
    if (!series->pointLabelsVisible()) return 0;
    int n = 0;
    for (int i = 0; i < series->count(); ++i)
        n += series->pointConfiguration(i).value(QXYSeries::PointConfiguration::LabelVisibility, true).toBool();
    return n;
}

// The statistics chart: the distribution in the window and, when known, the one over the full set.
#pragma once

#include <QChartView>

namespace zorb {
struct TStatChart;
}

class TStatChartView : public QChartView {
    Q_OBJECT
public:
    explicit TStatChartView(QWidget* parent = nullptr);
    void Show(const zorb::TStatChart& chart);
    // Number of points in the series of this name, for checks.
    int PointCount(const QString& series) const;
};

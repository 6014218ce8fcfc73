// The chart window "График" that the draw views and the ratings open, and the series drawing it shares with the
// graphs tab.
#pragma once

#include "views/Views.h"

#include <QDialog>
#include <vector>

class QChartView;
class QLabel;

// Fills a chart view with named series.
void ShowSeries(QChartView* view, const std::vector<zorb::TChartSeries>& series, bool labels);

class TChartDialog : public QDialog {
    Q_OBJECT
public:
    TChartDialog(const QString& title, const std::vector<zorb::TChartSeries>& series, QWidget* parent);
    QChartView* View() const { return FView; }
    QLabel* Legend() const { return FLegend; }

private:
    QChartView* FView;
    QLabel* FLegend;
};

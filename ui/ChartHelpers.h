// What every chart of the window shares: axes of whole numbers that end at the data, category axes that carry the
// values' captions, and labels shown only where they fit beside each other at the chart's current size.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QCategoryAxis;
class QChart;
class QValueAxis;
class QXYSeries;

// Ticks on whole numbers with a 1-2-5 step, at most `maxTicks` of them, labels without repeats. With `roundEnds`
// the range widens to whole steps (a count axis from 0); without, it ends exactly at lo and hi (draw numbers).
void SetWholeNumberAxis(QValueAxis* axis, double lo, double hi, int maxTicks, bool roundEnds);

// Whether every y of the series is a whole number, so that its axis may count in whole numbers.
bool WholeValues(const QXYSeries* series);

// Labels `labels[i]` at x = positions[i] on a category axis spanning [positions.front(), positions.back()] (plus
// `pad` on both sides); a label is kept only when it does not touch the one kept before it, so the first one
// always shows. Refitted whenever the plot area changes.
void SetCategoryLabels(QChart* chart, QCategoryAxis* axis, const QStringList& labels, const QList<double>& positions,
                       double pad = 0);

// Shows the value labels of `series` only where they do not overlap another one, refitted whenever the plot area
// changes. The series must belong to `chart` and have their point labels switched on.
void FitPointLabels(QChart* chart, const std::vector<QXYSeries*>& series);

// How many labels of `series` are shown at the chart's current size (for tests).
int VisiblePointLabels(const QXYSeries* series);

#pragma once

#include <QColor>
#include <QPointF>
#include <QString>
#include <utility>

class QChart;
class QChartView;
class QValueAxis;

namespace vanteo {

// The pieces the flight window and the recovery window build their charts from.

// An antialiased chart view named `name` (the object name tests look for) with the legend below.
QChartView* MakeChartView(const QString& name, const QString& title);
// The same settings on a view made elsewhere, with a new chart.
void SetUpChartView(QChartView* view, const QString& name, const QString& title);
// Removes every series and axis of `chart`.
void ClearChart(QChart* chart);
// Value axes at the bottom and left, attached to every series of `chart`.
std::pair<QValueAxis*, QValueAxis*> AddAxes(QChart* chart, const QString& xTitle,
                                            const QString& yTitle);
// A single marked point as a series of its own, named for the legend.
void AddMark(QChart* chart, const QString& name, QPointF at, QColor color);
// Sets [min, max] with a share of the span added on both sides (a flat line gets 1 unit).
void SetPaddedRange(QValueAxis* axis, double min, double max);
// Metres east and north of the origin on the plane touching the Earth there: over a rocket's
// drift (a few km) this differs from the great-circle distance by far less than a metre.
QPointF EastNorthMetres(double originLatitudeDeg, double originLongitudeDeg, double latitudeDeg,
                        double longitudeDeg);

}  // namespace vanteo

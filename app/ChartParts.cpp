#include "app/ChartParts.h"

#include <QChart>
#include <QChartView>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace vanteo {
namespace {

constexpr double kEarthRadiusM = 6371000;  // the mean radius the summary's distances use
constexpr qreal kMarkSize = 11;

}  // namespace

QChartView* MakeChartView(const QString& name, const QString& title) {
    auto* view = new QChartView;
    SetUpChartView(view, name, title);
    return view;
}

void SetUpChartView(QChartView* view, const QString& name, const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    view->setChart(chart);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(420, 250);
}

void ClearChart(QChart* chart) {
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
}

std::pair<QValueAxis*, QValueAxis*> AddAxes(QChart* chart, const QString& xTitle,
                                            const QString& yTitle) {
    auto* x = new QValueAxis;
    x->setTitleText(xTitle);
    x->setLabelFormat(QStringLiteral("%.0f"));
    auto* y = new QValueAxis;
    y->setTitleText(yTitle);
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    return {x, y};
}

void AddMark(QChart* chart, const QString& name, QPointF at, QColor color) {
    auto* mark = new QScatterSeries;
    mark->setName(name);
    mark->setMarkerSize(kMarkSize);
    mark->setColor(color);
    mark->append(at);
    chart->addSeries(mark);
}

void SetPaddedRange(QValueAxis* axis, double min, double max) {
    const double pad = std::max((max - min) * 0.05, 1.0);
    axis->setRange(min - pad, max + pad);
    axis->applyNiceNumbers();
}

QPointF EastNorthMetres(double originLatitudeDeg, double originLongitudeDeg, double latitudeDeg,
                        double longitudeDeg) {
    const double radians = std::numbers::pi / 180;
    const double eastPerDegree = kEarthRadiusM * radians * std::cos(originLatitudeDeg * radians);
    const double northPerDegree = kEarthRadiusM * radians;
    return {(longitudeDeg - originLongitudeDeg) * eastPerDegree,
            (latitudeDeg - originLatitudeDeg) * northPerDegree};
}

}  // namespace vanteo

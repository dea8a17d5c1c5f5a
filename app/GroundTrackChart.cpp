#include "app/GroundTrackChart.h"

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/ChartParts.h"

namespace vanteo {
namespace {

// The largest 1, 2 or 5 times a power of ten not above `metres` (at least 1 m).
double ScaleLength(double metres) {
    double power = std::pow(10.0, std::floor(std::log10(std::max(metres, 1.0))));
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * power <= metres) {
            return step * power;
        }
    }
    return power;
}

QString ScaleText(double metres) {
    if (metres >= 1000) {
        return QStringLiteral("Scale: %1 km").arg(metres / 1000);
    }
    return QStringLiteral("Scale: %1 m").arg(metres);
}

}  // namespace

GroundTrackChart::GroundTrackChart(const QString& name, const QString& title, QWidget* parent)
    : QChartView(parent) {
    SetUpChartView(this, name, title);
    connect(chart(), &QChart::plotAreaChanged, this, &GroundTrackChart::Fit);
}

void GroundTrackChart::Clear() {
    ClearChart(chart());
    scaleBar_ = nullptr;
}

void GroundTrackChart::ShowTrack(const QList<QPointF>& track, const std::vector<Mark>& marks,
                                 const QString& xTitle, const QString& yTitle) {
    Clear();
    auto* line = new QLineSeries;
    line->setName(QStringLiteral("Track"));
    minX_ = maxX_ = minY_ = maxY_ = 0;
    for (const QPointF& p : track) {
        line->append(p);
        minX_ = std::min(minX_, p.x());
        maxX_ = std::max(maxX_, p.x());
        minY_ = std::min(minY_, p.y());
        maxY_ = std::max(maxY_, p.y());
    }
    QChart* c = chart();
    c->addSeries(line);
    for (const Mark& mark : marks) {
        AddMark(c, mark.name, mark.at, mark.color);
    }
    scaleBar_ = new QLineSeries;
    scaleBar_->setPen(QPen(Qt::black, 3));
    c->addSeries(scaleBar_);
    auto [x, y] = AddAxes(c, xTitle, yTitle);
    // Grid lines through the origin, as many metres apart across as up and down.
    for (QValueAxis* axis : {x, y}) {
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0);
    }
    Fit();
}

void GroundTrackChart::Fit() {
    QChart* c = chart();
    const QRectF area = c->plotArea();
    const auto horizontal = c->axes(Qt::Horizontal);
    const auto vertical = c->axes(Qt::Vertical);
    if (fitting_ || !scaleBar_ || horizontal.isEmpty() || vertical.isEmpty() || area.width() < 1 ||
        area.height() < 1) {
        return;
    }
    fitting_ = true;
    // Room around the track: a tenth of its extent, at least 50 m.
    const double padX = std::max((maxX_ - minX_) * 0.1, 50.0);
    const double padY = std::max((maxY_ - minY_) * 0.1, 50.0);
    const double spanX = maxX_ - minX_ + 2 * padX;
    const double spanY = maxY_ - minY_ + 2 * padY;
    const double metresPerPixel = std::max(spanX / area.width(), spanY / area.height());
    const double centreX = (minX_ + maxX_) / 2;
    const double centreY = (minY_ + maxY_) / 2;
    const double halfWidth = metresPerPixel * area.width() / 2;
    const double halfHeight = metresPerPixel * area.height() / 2;
    // The scale: a round length of about a quarter of the width, in the lower left corner; the
    // grid lines are as far apart.
    const double length = ScaleLength(halfWidth / 2);
    for (QAbstractAxis* axis : {horizontal.front(), vertical.front()}) {
        if (auto* values = qobject_cast<QValueAxis*>(axis)) {
            values->setTickInterval(length);
        }
    }
    horizontal.front()->setRange(centreX - halfWidth, centreX + halfWidth);
    vertical.front()->setRange(centreY - halfHeight, centreY + halfHeight);
    const double left = centreX - halfWidth * 0.9;
    const double bottom = centreY - halfHeight * 0.88;
    scaleBar_->replace(QList<QPointF>{{left, bottom}, {left + length, bottom}});
    scaleBar_->setName(ScaleText(length));
    fitting_ = false;
}

}  // namespace vanteo

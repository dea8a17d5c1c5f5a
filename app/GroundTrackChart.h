#pragma once

#include <QChartView>
#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <vector>

class QLineSeries;

namespace vanteo {

// A ground track in metres east and north of an origin (the pad, or the first position heard),
// on equal scales whatever the view's shape, with grid lines through the origin as far apart as
// the distance scale drawn in the lower left corner (a series named "Scale: 500 m" and so on).
// The origin is always inside the view. User-interface thread only.
class GroundTrackChart final : public QChartView {
    Q_OBJECT
public:
    struct Mark {
        QString name;
        QPointF at;  // metres east and north of the origin
        QColor color;
    };

    GroundTrackChart(const QString& name, const QString& title, QWidget* parent = nullptr);

    // Replaces what is shown by the line `track` (named "Track") and the marks, with axes titled
    // `xTitle` and `yTitle`.
    void ShowTrack(const QList<QPointF>& track, const std::vector<Mark>& marks,
                   const QString& xTitle, const QString& yTitle);
    void Clear();

private:
    // Sets the axes to equal metres per pixel over the plot area and redraws the scale to match.
    void Fit();

    QLineSeries* scaleBar_ = nullptr;
    // The track's extent in metres from the origin (origin included), for Fit.
    double minX_ = 0;
    double maxX_ = 0;
    double minY_ = 0;
    double maxY_ = 0;
    bool fitting_ = false;
};

}  // namespace vanteo

#include "app/FrameGroupBox.h"

#include <qdrawutil.h>
#include <QImageReader>
#include <QPixmap>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <algorithm>

namespace vanteo {
namespace {

// How the Fusion style draws a group-box frame: this pixmap stretched around the frame
// rectangle with 6-pixel corners, the rectangle's top lowered below the title by 3 pixels.
constexpr int kFusionTopMargin = 3;
constexpr int kFusionFrameCorner = 6;

// Fusion reads the pixmap with QPixmap(fileName), leaving the format open, and Qt then loads
// every image-format plugin (GIF, ICO, JPEG, SVG and their libraries) to ask whether one wants
// the file before it uses its own PNG reader: several milliseconds of the window's start-up for
// a frame. Read here as PNG without asking the plugins, once. Null where the style's resource
// is missing (another Qt build); the style then draws the frame itself.
const QPixmap& FusionFramePixmap() {
    static const QPixmap pixmap = [] {
        QImageReader reader(
            QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png"),
            "png");
        reader.setAutoDetectImageFormat(false);
        return QPixmap::fromImage(reader.read());
    }();
    return pixmap;
}

}  // namespace

void FrameGroupBox::paintEvent(QPaintEvent* event) {
    if (!frameShown_) {
        return;
    }
    if (style()->name() != QStringLiteral("fusion") || isFlat() || FusionFramePixmap().isNull()) {
        QGroupBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    if ((option.subControls & QStyle::SC_GroupBoxFrame) != 0) {
        const int top = !isCheckable() && title().isEmpty()
                            ? kFusionTopMargin
                            : std::max(style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight),
                                       option.fontMetrics.height()) +
                                  kFusionTopMargin;
        const QRect frame =
            style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, this);
        qDrawBorderPixmap(&painter, frame.adjusted(0, top, 0, 0),
                          QMargins(kFusionFrameCorner, kFusionFrameCorner, kFusionFrameCorner,
                                   kFusionFrameCorner),
                          FusionFramePixmap());
        option.subControls &= ~QStyle::SC_GroupBoxFrame;
    }
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

}  // namespace vanteo

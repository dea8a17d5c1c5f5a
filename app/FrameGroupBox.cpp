#include "app/FrameGroupBox.h"

#include <qdrawutil.h>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <algorithm>
#include <optional>

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

// The inside of Fusion's frame pixmap is one translucent shade (premultiplied black at alpha 3).
// Stretched over a group box it is blended pixel by pixel through a scaled-image path, which made
// the frames most of the cost of painting the window; a solid fill of the same premultiplied
// colour blends to the same pixels at a fraction of the cost. Null where the inside is not one
// colour, or one a QColor cannot hold exactly, or where the left and right edges change along
// their length (DrawFrame draws them in bands).
std::optional<QColor> UniformInside(const QPixmap& pixmap, int corner) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRgb first = image.pixel(corner, corner);
    for (int y = corner; y < image.height() - corner; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool inside = x >= corner && x < image.width() - corner;
            if (image.pixel(x, y) != (inside ? first : image.pixel(x, corner))) {
                return std::nullopt;
            }
        }
    }
    const QRgb plain = qUnpremultiply(first);
    if (qPremultiply(plain) != first) {
        return std::nullopt;
    }
    return QColor::fromRgba(plain);
}

const std::optional<QColor>& FusionFrameInside() {
    static const std::optional<QColor> inside =
        FusionFramePixmap().isNull() ? std::nullopt
                                     : UniformInside(FusionFramePixmap(), kFusionFrameCorner);
    return inside;
}

// Qt's raster engine hands a blend of 96 rows or more to its thread pool in bands of 64 rows.
// For the frames that started the pool's threads at start-up and passed some 40 bands back and
// forth, which cost more CPU than the blending itself: the tall parts are drawn in bands short
// enough to stay on this thread. Every row of them is the same, so the pixels do not change.
constexpr int kRowsPerBand = 95;

template <typename Draw>
void InBands(const QRect& rect, Draw draw) {
    for (int top = rect.top(); top <= rect.bottom(); top += kRowsPerBand) {
        draw(
            QRect(rect.left(), top, rect.width(), std::min(kRowsPerBand, rect.bottom() + 1 - top)));
    }
}

// qDrawBorderPixmap with stretched edges and the same corner in the pixmap and on screen, the
// inside filled with its one colour.
void DrawFrame(QPainter& painter, const QRect& target, const QPixmap& pixmap,
               const QColor& inside) {
    const int c = kFusionFrameCorner;
    const QRect source = pixmap.rect();
    const int innerWidth = target.width() - 2 * c;
    const int innerHeight = target.height() - 2 * c;
    const int sourceInnerWidth = source.width() - 2 * c;
    const int sourceInnerHeight = source.height() - 2 * c;
    const int right = target.left() + target.width() - c;
    const int bottom = target.top() + target.height() - c;
    const int sourceRight = source.width() - c;
    const int sourceBottom = source.height() - c;
    // Corners, drawn as they are.
    painter.drawPixmap(QRect(target.left(), target.top(), c, c), pixmap, QRect(0, 0, c, c));
    painter.drawPixmap(QRect(right, target.top(), c, c), pixmap, QRect(sourceRight, 0, c, c));
    painter.drawPixmap(QRect(target.left(), bottom, c, c), pixmap, QRect(0, sourceBottom, c, c));
    painter.drawPixmap(QRect(right, bottom, c, c), pixmap, QRect(sourceRight, sourceBottom, c, c));
    if (innerWidth > 0) {  // top and bottom edges
        painter.drawPixmap(QRect(target.left() + c, target.top(), innerWidth, c), pixmap,
                           QRect(c, 0, sourceInnerWidth, c));
        painter.drawPixmap(QRect(target.left() + c, bottom, innerWidth, c), pixmap,
                           QRect(c, sourceBottom, sourceInnerWidth, c));
    }
    if (innerHeight > 0) {  // left and right edges
        InBands(QRect(target.left(), target.top() + c, c, innerHeight), [&](const QRect& band) {
            painter.drawPixmap(band, pixmap, QRect(0, c, c, sourceInnerHeight));
        });
        InBands(QRect(right, target.top() + c, c, innerHeight), [&](const QRect& band) {
            painter.drawPixmap(band, pixmap, QRect(sourceRight, c, c, sourceInnerHeight));
        });
    }
    if (innerWidth > 0 && innerHeight > 0) {
        InBands(QRect(target.left() + c, target.top() + c, innerWidth, innerHeight),
                [&](const QRect& band) { painter.fillRect(band, inside); });
    }
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
        const QRect target = frame.adjusted(0, top, 0, 0);
        if (FusionFrameInside()) {
            DrawFrame(painter, target, FusionFramePixmap(), *FusionFrameInside());
        } else {
            qDrawBorderPixmap(&painter, target,
                              QMargins(kFusionFrameCorner, kFusionFrameCorner, kFusionFrameCorner,
                                       kFusionFrameCorner),
                              FusionFramePixmap());
        }
        option.subControls &= ~QStyle::SC_GroupBoxFrame;
    }
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

}  // namespace vanteo

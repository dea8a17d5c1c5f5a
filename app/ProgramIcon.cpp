#include "app/ProgramIcon.h"

#include <QImage>
#include <QPixmap>

#include "app/ProgramIconPixels.h"

namespace vanteo {

QIcon ProgramIcon() {
    // The sizes the window, the task bar and the about box ask for, rendered from vanteo.svg
    // (render them again when it changes). A QIcon made from the SVG loads the SVG icon engine,
    // and decoding the PNG renderings at start took about a millisecond of the window's start-up:
    // their pixels are compiled in, already in the format a raster pixmap keeps.
    static const QIcon icon = [] {
        QIcon sizes;
        for (const IconPixels& pixels : ProgramIconPixels()) {
            const QImage image(reinterpret_cast<const uchar*>(pixels.argb), pixels.size,
                               pixels.size, QImage::Format_ARGB32_Premultiplied);
            sizes.addPixmap(QPixmap::fromImage(image));
        }
        return sizes;
    }();
    return icon;
}

}  // namespace vanteo

#include "app/ProgramIcon.h"

#include <QImageReader>
#include <QPixmap>
#include <QtGlobal>

// The resources live in the static vanteo_app library; registering them explicitly keeps the
// linker from dropping them. Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterAppResources() {
    Q_INIT_RESOURCE(vanteo);
}

namespace vanteo {

QIcon ProgramIcon() {
    // The sizes the window, the task bar and the about box ask for, rendered from vanteo.svg
    // (render them again when it changes).
    // Read as PNG without asking the image-format plugins: a QIcon made from the SVG loads the
    // SVG icon engine, and a file read with its format left open loads every image-format plugin
    // first; together several milliseconds of the window's start-up.
    static const QIcon icon = [] {
        RegisterAppResources();
        QIcon sizes;
        for (const int size : {16, 32, 48, 64, 128}) {
            QImageReader reader(QStringLiteral(":/vanteo-%1.png").arg(size), "png");
            reader.setAutoDetectImageFormat(false);
            sizes.addPixmap(QPixmap::fromImage(reader.read()));
        }
        return sizes;
    }();
    return icon;
}

}  // namespace vanteo

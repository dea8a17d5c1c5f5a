#include "app/ProgramIcon.h"

#include <QtGlobal>

// The resources live in the static vanteo_app library; registering them explicitly keeps the
// linker from dropping them. Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterAppResources() {
    Q_INIT_RESOURCE(vanteo);
}

namespace vanteo {

QIcon ProgramIcon() {
    static const QIcon icon = [] {
        RegisterAppResources();
        return QIcon(QStringLiteral(":/vanteo.svg"));
    }();
    return icon;
}

}  // namespace vanteo

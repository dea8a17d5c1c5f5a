#pragma once

#include <QIcon>

namespace vanteo {

// The program icon (a small rocket over a position mark), loaded from the resources once.
// The window's large and small icon and the picture of the about box. User-interface thread only.
QIcon ProgramIcon();

}  // namespace vanteo

// The vanteo-charts module's entry: the program opens it with QLibrary when the flight or the
// recovery window first opens (ChartModuleLoader).
#include <QtGlobal>

#include "app/LinkedChartWindows.h"

extern "C" Q_DECL_EXPORT vanteo::ChartWindows* vanteo_chart_windows() {
    return &vanteo::LinkedChartWindows();
}

#pragma once

#include "app/ChartWindows.h"

namespace vanteo {

// The flight and recovery windows as this binary links them: what the vanteo-charts module hands
// out, and what the tests use directly.
ChartWindows& LinkedChartWindows();

}  // namespace vanteo

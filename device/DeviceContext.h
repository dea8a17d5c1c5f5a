#pragma once

#include "device/FormModel.h"
#include "device/TrackerState.h"
#include "device/UserInteraction.h"
#include "serial/SerialLink.h"

namespace vanteo {

// What every configuration operation works on: the form's fields, the process-wide tracker
// records, the serial link and the person at the screen. The GUI, the CLI and the tests each
// build one over their own objects.
struct DeviceContext {
    FormModel& form;
    TrackerState& tracker;
    SerialLink& link;
    UserInteraction& ui;
};

}  // namespace vanteo

#pragma once

#include <cstdint>

#include "device/ProfileStore.h"
#include "device/TrackerCapabilities.h"

namespace vanteo {

// The four flag bytes of the settings record as last formed by a Write or received by a Read;
// the KML writer prints them as Option 1 .. Option 4.
struct FlagBytes {
    std::uint8_t operation = 0;   // record byte 32, "Option 1"
    std::uint8_t telemetry = 0;   // record byte 31, "Option 2"
    std::uint8_t optionsA = 0;    // record byte 28, "Option 3"
    std::uint8_t profileLog = 0;  // record byte 30, "Option 4"
};

// The configuration side's process-wide records, created once at start and kept until exit.
struct TrackerState {
    TrackerCapabilities capabilities;
    ProfileStore profileStore;
    FlagBytes flagBytes;
    bool toneOn = false;           // the 1200 Hz test tone was switched on by "Send 1200"
    bool calibrationMode = false;  // set only by the command line, never cleared
};

}  // namespace vanteo

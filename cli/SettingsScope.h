#pragma once

#include <string>

#include "device/ProfileFieldTable.h"
#include "device/TrackerCapabilities.h"

namespace vanteo::cli {

// Which settings a tracker has: the fields its form shows after a Read in normal mode, and the
// profile members it keeps (Profile 2 only with two profiles). A settings file holds these and
// nothing else; a write from a file changes only these.
class SettingsScope {
public:
    // The capabilities a Read in a fresh process finds for `model` at `firmware`.
    static TrackerCapabilities Identify(const std::string& model, int firmware);

    // True for a field a settings file may hold: one that some tracker has. Not the status
    // texts, the Messages line, the port and profile boxes, the Read's displays (the decoded
    // Morse text, the synthesizer registers), the service fields (serial number, calibration)
    // or the record bits and bytes no tracker shows.
    static bool IsSetting(int controlId);
    // True for a settable form field (not a status text, the service fields or an always
    // hidden control) that this tracker has. Per-profile controls count for Profile 1.
    static bool HoldsField(int controlId, const TrackerCapabilities& caps);
    // True when the tracker keeps `row` of profile `index` (0 or 1).
    static bool HoldsProfileMember(int index, const ProfileFieldRow& row,
                                   const TrackerCapabilities& caps);
    // "2 m" or "70 cm": the band the frequency check and the synthesizer use.
    static const char* Band(const TrackerCapabilities& caps);
};

}  // namespace vanteo::cli

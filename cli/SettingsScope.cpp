#include "cli/SettingsScope.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "device/ControlVisibility.h"
#include "device/FieldTable.h"

namespace vanteo::cli {
namespace {

// The fields a settings file may hold: those every tracker shows, then those the Read's
// capability rules show or hide (CapabilityVisibilityRows).
constexpr int kSettings[] = {
    // Shown on every tracker.
    control::kFrequency, control::kOutputPower, control::kStoreInterval, control::kTimeSlot,
    control::kLowVoltageShutdown, control::kLowVoltage, control::kIdString, control::kPath1,
    control::kPath2, control::kSsid, control::kSymbol, control::kPositionLogging,
    control::kDisableRfOut, control::kWrapDataLog, control::kPreamble,
    control::kTransmitCourseSpeed, control::kDisablePath1, control::kDisablePath2,
    control::kAlternateSymbol,
    // Shown by capability.
    control::kSmartLaunchDetect, control::kEnableSlotting, control::kOnceEvery, control::kTxRate,
    control::kOverwriteMemory, control::kTransmitAltitude, control::kStoreHm,
    control::kCompressData, control::kSwitchAltitude, control::kAltitudeSwitch,
    control::kStoreSmartBeacon, control::kOnlySendValid, control::kConvertMetersToFeet,
    control::kGpsPowerdown, control::kTransmitVoltage, control::kDeviation, control::kHwGSwitch,
    control::kEnablePowerAmp, control::kSlowSpeed, control::kSlowRate, control::kTurnSlope,
    control::kFastSpeed, control::kTurnAngle, control::kFastRate, control::kTurnTime,
    control::kTxMessage, control::kDigA, control::kDigB, control::kDigC, control::kDigD,
    control::kDigEnable};

bool IsProfileRecordMember(const ProfileFieldRow& row, const char* name) {
    return std::strcmp(row.name, name) == 0;
}

}  // namespace

TrackerCapabilities SettingsScope::Identify(const std::string& model, int firmware) {
    TrackerCapabilities caps;
    caps.Identify(model, firmware);
    return caps;
}

bool SettingsScope::IsSetting(int controlId) {
    return std::find(std::begin(kSettings), std::end(kSettings), controlId) != std::end(kSettings);
}

bool SettingsScope::HoldsField(int controlId, const TrackerCapabilities& caps) {
    if (!IsSetting(controlId)) {
        return false;
    }
    // "Dig Enable" travels with the other telemetry boxes; the form shows it in calibration mode.
    if (controlId == control::kDigEnable) {
        return caps.digitalTelemetry;
    }
    TrackerState tracker;
    tracker.capabilities = caps;
    for (const VisibilityRow& row : CapabilityVisibilityRows()) {
        if (std::find(row.controls.begin(), row.controls.end(), controlId) != row.controls.end()) {
            return row.shown(tracker);
        }
    }
    return true;
}

bool SettingsScope::HoldsProfileMember(int index, const ProfileFieldRow& row,
                                       const TrackerCapabilities& caps) {
    if (index != 0 && !caps.twoProfiles) {
        return false;
    }
    // switchAbove has no control; it travels with the other switching members.
    if (IsProfileRecordMember(row, "switchAbove")) {
        return caps.twoProfiles;
    }
    return HoldsField(row.formControl, caps);
}

const char* SettingsScope::Band(const TrackerCapabilities& caps) {
    return caps.band2m ? "2 m" : "70 cm";
}

}  // namespace vanteo::cli

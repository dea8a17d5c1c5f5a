#include "cli/SettingsScope.h"

#include <cstring>

namespace vanteo::cli {
namespace {

// Firmware 123 to 199 shows the log-format boxes; 224 and later the power-up overwrite box of
// the two models that have it.
constexpr int kFirstLogFormatFirmware = 123;
constexpr int kNewLine = 200;
constexpr int kFirstOverwriteFirmware = 224;

bool IsProfileRecordMember(const ProfileFieldRow& row, const char* name) {
    return std::strcmp(row.name, name) == 0;
}

}  // namespace

TrackerCapabilities SettingsScope::Identify(const std::string& model, int firmware) {
    // In the order the Read applies the rules.
    TrackerCapabilities caps;
    caps.modelId = model;
    caps.firmwareVersion = firmware;
    caps.ApplyFirmwareRules(firmware);
    caps.ApplyModelTable(model, firmware);
    caps.ApplyLateFirmwareRules(firmware);
    return caps;
}

bool SettingsScope::IsSetting(int controlId) {
    // Every tracker of one of these identifications has each setting it is asked about: one
    // spaces packets by "Once Every", the other by "Tx Rate"; the rest covers every feature.
    static const TrackerCapabilities kEveryFeature[] = {
        Identify("ZPNAV9", 130), Identify("ZPNAV0", 130), Identify("ZPNAV1", 130),
        Identify("ZPNAVD", 230)};
    for (const TrackerCapabilities& caps : kEveryFeature) {
        if (HoldsField(controlId, caps)) {
            return true;
        }
    }
    return false;
}

bool SettingsScope::HoldsField(int controlId, const TrackerCapabilities& caps) {
    const int version = caps.firmwareVersion;
    switch (controlId) {
        // Shown on every tracker.
        case 1001:  // Frequency
        case 1004:  // Output Power
        case 1019:  // Store Intveral
        case 1020:  // TimeSlot
        case 1027:  // Low V shutdown enable
        case 1028:  // Low V
        case 1034:  // ID String
        case 1055:  // Path 1
        case 1056:  // Path 2
        case 1059:  // SSID
        case 1060:  // Symbol
        case 1061:  // Position Logging On
        case 1062:  // Disable RF out
        case 1063:  // Wrap Data Log
        case 1073:  // Preamble
        case 1074:  // Transmit Course/Speed
        case 1150:  // Disable P1
        case 1151:  // Disable P2
        case 1157:  // Alternate Symbol
            return true;
        case 1064:  // Smart Launch Detect
            return caps.smartLaunchDetect;
        case 1078:  // Enable Slotting
            return !caps.noSlotting;
        // One packet-spacing byte, shown as whichever the firmware uses.
        case 1017:  // Once Every
            return !caps.txRateSpacing;
        case 1134:  // Tx Rate
            return caps.txRateSpacing;
        case 1197:  // Overwite Memory on Powerup
            return version >= kFirstOverwriteFirmware &&
                   (caps.modelId == "ZPNAVC" || caps.modelId == "ZPNAVD");
        case 1174:  // Transmit Altitude
        case 1180:  // Store HM
        case 1181:  // Compress Data
            return version >= kFirstLogFormatFirmware && version < kNewLine;
        case 1171:  // switch altitude
        case 1172:  // altitude
            return caps.twoProfiles;
        case 1117:
            return caps.storeSmartBeacon;
        case 1118:
            return caps.onlySendValid;
        case 1137:
            return caps.metersToFeet;
        case 1138:
            return caps.gpsPowerdown;
        case 1156:
            return caps.transmitVoltage;
        case 1091:
            return caps.deviationAdjust;
        case 1087:
            return caps.gSwitch;
        case 1092:
            return caps.powerAmp;
        case 1007:  // the seven smart-beaconing values and the message
        case 1008:
        case 1009:
        case 1010:
        case 1012:
        case 1013:
        case 1021:
        case 1113:
            return caps.smartBeaconing;
        case 1084:  // Dig A .. Dig D and Dig Enable
        case 1085:
        case 1086:
        case 1089:
        case 1090:
            return caps.digitalTelemetry;
        default:
            return false;
    }
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

#include "device/ControlVisibility.h"

#include "device/FieldTable.h"
#include "device/SettingsRecord.h"

namespace vanteo {
namespace {

using Change = VisibilityRow::Change;

// Firmware 123 to 199 shows the log-format boxes (the 2xx line has its own log format); 224 and
// later the power-up overwrite box of the two models that have it.
constexpr int kFirstLogFormatFirmware = 123;
constexpr int kNewLine = 200;
constexpr int kFirstOverwriteFirmware = 224;

// The predicates of a row shown exactly when the tracker has, or lacks, one capability.
template <bool TrackerCapabilities::*capability>
bool Has(const TrackerState& t) {
    return t.capabilities.*capability;
}
template <bool TrackerCapabilities::*capability>
bool Lacks(const TrackerState& t) {
    return !(t.capabilities.*capability);
}

// The unit captions of the SmartBeaconing boxes are a run of consecutive identifiers.
std::vector<int> SmartBeaconingUnits() {
    std::vector<int> ids;
    for (int id = control::kFirstSmartBeaconingUnit; id <= control::kLastSmartBeaconingUnit; ++id) {
        ids.push_back(id);
    }
    return ids;
}

const std::vector<int>& DigitalTelemetryControls() {
    static const std::vector<int> ids{control::kDigitalTelemetryGroup, control::kDigA,
                                      control::kDigB, control::kDigC, control::kDigD};
    return ids;
}

const std::vector<VisibilityRow>& CapabilityRows() {
    static const std::vector<VisibilityRow> rows{
        {{control::kOverwriteMemory},
         [](const TrackerState& t) {
             const TrackerCapabilities& caps = t.capabilities;
             return caps.firmwareVersion >= kFirstOverwriteFirmware &&
                    (caps.modelId == "ZPNAVC" || caps.modelId == "ZPNAVD");
         }},
        {{control::kCompressData, control::kStoreHm, control::kTransmitAltitude},
         [](const TrackerState& t) {
             const int version = t.capabilities.firmwareVersion;
             return version >= kFirstLogFormatFirmware && version < kNewLine;
         }},
        {{control::kProfileSwitchingGroup, control::kProfile1, control::kProfile2,
          control::kProfileSwitchCaption, control::kAltitudeSwitch, control::kCompareButton,
          control::kSwitchAltitude, control::kUnitCaption},
         Has<&TrackerCapabilities::twoProfiles>},
        // "Once Every" and "Tx Rate" are two views of one record byte: exactly one is shown.
        {{control::kTxRateLabel, control::kSecsLabel, control::kTxRate},
         Has<&TrackerCapabilities::txRateSpacing>},
        {{control::kOnceEveryLabel, control::kPktsLabel, control::kOnceEvery},
         Lacks<&TrackerCapabilities::txRateSpacing>},
        {{control::kStoreSmartBeacon}, Has<&TrackerCapabilities::storeSmartBeacon>},
        {{control::kOnlySendValid}, Has<&TrackerCapabilities::onlySendValid>},
        {{control::kConvertMetersToFeet}, Has<&TrackerCapabilities::metersToFeet>},
        {{control::kGpsPowerdown}, Has<&TrackerCapabilities::gpsPowerdown>},
        {{control::kTransmitVoltage}, Has<&TrackerCapabilities::transmitVoltage>},
        {{control::kSmartLaunchDetect}, Has<&TrackerCapabilities::smartLaunchDetect>},
        {{control::kDeviation, control::kDeviationLabel},
         Has<&TrackerCapabilities::deviationAdjust>},
        {{control::kSmartBeaconingGroup, control::kFastSpeed, control::kFastRate,
          control::kSlowSpeed, control::kSlowRate, control::kTurnSlope, control::kTurnAngle,
          control::kTurnTime, control::kSlowSpeedLabel, control::kSlowRateLabel,
          control::kFastSpeedLabel, control::kFastRateLabel, control::kTurnSlopeLabel,
          control::kTurnAngleLabel, control::kTurnTimeLabel, control::kTxMessage},
         Has<&TrackerCapabilities::smartBeaconing>},
        {SmartBeaconingUnits(), Has<&TrackerCapabilities::smartBeaconing>},
        {{control::kHwGSwitch}, Has<&TrackerCapabilities::gSwitch>},
        {{control::kEnableSlotting}, Lacks<&TrackerCapabilities::noSlotting>},
        // "Dig Enable" belongs to calibration mode, which only the command line sets.
        {{control::kDigEnable},
         [](const TrackerState& t) { return t.calibrationMode; },
         Change::showOnly},
        {{control::kEnablePowerAmp}, Has<&TrackerCapabilities::powerAmp>},
        {DigitalTelemetryControls(), Has<&TrackerCapabilities::digitalTelemetry>, Change::hideOnly},
    };
    return rows;
}

const std::vector<VisibilityRow>& RecordRows() {
    static const std::vector<VisibilityRow> rows{
        {DigitalTelemetryControls(),
         [](const TrackerState& t) {
             return t.capabilities.digitalTelemetry &&
                    (t.flagBytes.telemetry & flag::kDigEnable) != 0;
         }},
    };
    return rows;
}

}  // namespace

std::span<const VisibilityRow> CapabilityVisibilityRows() {
    return CapabilityRows();
}

std::span<const VisibilityRow> RecordVisibilityRows() {
    return RecordRows();
}

void ApplyVisibility(FormView& view, const TrackerState& tracker,
                     std::span<const VisibilityRow> rows) {
    for (const VisibilityRow& row : rows) {
        const bool shown = row.shown(tracker);
        if ((row.change == Change::showOnly && !shown) ||
            (row.change == Change::hideOnly && shown)) {
            continue;
        }
        for (const int id : row.controls) {
            view.SetControlVisible(id, shown);
        }
    }
}

}  // namespace vanteo

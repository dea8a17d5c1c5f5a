#include "device/ControlVisibility.h"

#include "device/FieldTable.h"
#include "device/SettingsRecord.h"

namespace vanteo {
namespace {

using Change = VisibilityRow::Change;

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
             return caps.firmwareVersion >= 224 &&
                    (caps.modelId == "ZPNAVC" || caps.modelId == "ZPNAVD");
         }},
        {{control::kCompressData, control::kStoreHm, control::kTransmitAltitude},
         [](const TrackerState& t) {
             return t.capabilities.firmwareVersion >= 123 && t.capabilities.firmwareVersion < 200;
         }},
        {{control::kProfileSwitchingGroup, control::kProfile1, control::kProfile2,
          control::kProfileSwitchCaption, control::kAltitudeSwitch, control::kCompareButton,
          control::kSwitchAltitude, control::kUnitCaption},
         [](const TrackerState& t) { return t.capabilities.twoProfiles; }},
        // "Once Every" and "Tx Rate" are two views of one record byte: exactly one is shown.
        {{control::kTxRateLabel, control::kSecsLabel, control::kTxRate},
         [](const TrackerState& t) { return t.capabilities.txRateSpacing; }},
        {{control::kOnceEveryLabel, control::kPktsLabel, control::kOnceEvery},
         [](const TrackerState& t) { return !t.capabilities.txRateSpacing; }},
        {{control::kStoreSmartBeacon},
         [](const TrackerState& t) { return t.capabilities.storeSmartBeacon; }},
        {{control::kOnlySendValid},
         [](const TrackerState& t) { return t.capabilities.onlySendValid; }},
        {{control::kConvertMetersToFeet},
         [](const TrackerState& t) { return t.capabilities.metersToFeet; }},
        {{control::kGpsPowerdown},
         [](const TrackerState& t) { return t.capabilities.gpsPowerdown; }},
        {{control::kTransmitVoltage},
         [](const TrackerState& t) { return t.capabilities.transmitVoltage; }},
        {{control::kSmartLaunchDetect},
         [](const TrackerState& t) { return t.capabilities.smartLaunchDetect; }},
        {{control::kDeviation, control::kDeviationLabel},
         [](const TrackerState& t) { return t.capabilities.deviationAdjust; }},
        {{control::kSmartBeaconingGroup, control::kFastSpeed, control::kFastRate,
          control::kSlowSpeed, control::kSlowRate, control::kTurnSlope, control::kTurnAngle,
          control::kTurnTime, control::kSlowSpeedLabel, control::kSlowRateLabel,
          control::kFastSpeedLabel, control::kFastRateLabel, control::kTurnSlopeLabel,
          control::kTurnAngleLabel, control::kTurnTimeLabel, control::kTxMessage},
         [](const TrackerState& t) { return t.capabilities.smartBeaconing; }},
        {SmartBeaconingUnits(),
         [](const TrackerState& t) { return t.capabilities.smartBeaconing; }},
        {{control::kHwGSwitch}, [](const TrackerState& t) { return t.capabilities.gSwitch; }},
        {{control::kEnableSlotting},
         [](const TrackerState& t) { return !t.capabilities.noSlotting; }},
        // "Dig Enable" belongs to calibration mode, which only the command line sets.
        {{control::kDigEnable},
         [](const TrackerState& t) { return t.calibrationMode; },
         Change::showOnly},
        {{control::kEnablePowerAmp}, [](const TrackerState& t) { return t.capabilities.powerAmp; }},
        {DigitalTelemetryControls(),
         [](const TrackerState& t) { return t.capabilities.digitalTelemetry; }, Change::hideOnly},
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

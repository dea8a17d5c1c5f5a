#include "device/FieldTable.h"

#include <algorithm>
#include <array>

#include "serial/Platform.h"

namespace vanteo {
namespace {

using namespace control;
using V = Visibility;
using K = ControlKind;
constexpr std::int64_t kNoLimit = 0;

FieldRow Text(int id, const char* label, const char* unit, K control, int maxLength, V visibility,
              std::string FormModel::*member) {
    return {id,       label,    unit,       control, FieldType::text, maxLength, false,
            kNoLimit, kNoLimit, visibility, member,  nullptr,         nullptr};
}

FieldRow Label(int id, V visibility, std::string FormModel::*member) {
    return {id,       "",       "",         K::label, FieldType::label, 0,      false,
            kNoLimit, kNoLimit, visibility, member,   nullptr,          nullptr};
}

FieldRow Int(int id, const char* label, const char* unit, bool hasRange, std::int64_t minimum,
             std::int64_t maximum, V visibility, std::int32_t FormModel::*member) {
    return {id,         label,   unit,   K::edit, FieldType::integer, 0, hasRange, minimum, maximum,
            visibility, nullptr, member, nullptr};
}

FieldRow Unsigned(int id, const char* label, const char* unit, bool hasRange, std::int64_t minimum,
                  std::int64_t maximum, V visibility, std::uint32_t FormModel::*member) {
    return {id,      label,    unit,    K::edit, FieldType::unsigned_,
            0,       hasRange, minimum, maximum, visibility,
            nullptr, nullptr,  member};
}

FieldRow Check(int id, const char* label, V visibility, std::int32_t FormModel::*member,
               K control = K::checkBox) {
    return {id,       label,    "",         control, FieldType::check, 0,      false,
            kNoLimit, kNoLimit, visibility, nullptr, member,           nullptr};
}

constexpr std::int64_t kWide = 999999;

// "2 " (the Profile 2 box) is found as "2": blanks after a label only space it on the form.
std::string WithoutTrailingBlanks(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    return text;
}

const std::array<FieldRow, 73>& Rows() {
    using M = FormModel;
    static const std::array<FieldRow, 73> rows = {
        Text(kMorseText, "", "", K::upperCaseEdit, 30, V::alwaysHidden, &M::morseText),
        Text(kMessages, "Messages", "", K::edit, 0, V::visible, &M::messages),
        Text(kFrequency, "Frequency", "Mhz", K::edit, 7, V::visible, &M::frequency),
        Int(kOutputPower, "Output Power", "dBm", true, -kWide, kWide, V::visible, &M::outputPower),
        FieldRow{kComPort, "COM port", "", K::comboBox, FieldType::comboText, 0, false, kNoLimit,
                 kNoLimit, V::visible, &M::comPort, nullptr, nullptr},
        Int(kHiddenNumber, "", "", true, -kWide, kWide, V::alwaysHidden, &M::hiddenNumber),
        Int(kOnceEvery, "Once Every", "pkts", true, 1, 254, V::hiddenAtStart, &M::onceEvery),
        Int(kStoreInterval, "Store Intveral", "secs", true, 1, 253, V::visible, &M::storeInterval),
        // TimeSlot and Deviation travel as one record byte each: a wider value would be stored
        // as its low byte ("300" as 44) while the Write reports success.
        Int(kTimeSlot, "TimeSlot", "", true, 0, 255, V::visible, &M::timeSlot),
        Check(kLowVoltageShutdown, "Low V shutdown enable", V::visible, &M::lowVoltageShutdown),
        Text(kIdString, "ID String", "", K::edit, 7, V::visible, &M::idString),
        Unsigned(kSerialNumber, "Ser#", "", false, 0, 0, V::hiddenAtStart, &M::serialNumber),
        Text(kLowVoltage, "Low V", "", K::edit, 4, V::visible, &M::lowVoltage),
        Label(kBatteryStatus, V::visible, &M::batteryStatus),
        Label(kVersionStatus, V::visible, &M::versionStatus),
        Label(kModelStatus, V::visible, &M::modelStatus),
        Label(kTimeStatus, V::visible, &M::timeStatus),
        Label(kProgramVersion, V::visible, &M::programVersion),
        Int(kFcal, "fcal", "", false, 0, 0, V::hiddenAtStart, &M::fcal),
        Text(kPath1, "Path 1", "", K::edit, 7, V::visible, &M::path1),
        Text(kPath2, "Path 2", "", K::edit, 7, V::visible, &M::path2),
        Check(kEnableAprsPacketFormat, "Enable APRS Packet Format", V::alwaysHidden,
              &M::enableAprsPacketFormat),
        Unsigned(kSsid, "SSID", "", true, 0, 15, V::visible, &M::ssid),
        Text(kSymbol, "Symbol", "", K::edit, 2, V::visible, &M::symbol),
        Check(kPositionLogging, "Position Logging On", V::visible, &M::positionLogging),
        Check(kDisableRfOut, "Disable RF out", V::visible, &M::disableRfOut),
        Check(kSmartLaunchDetect, "Smart Launch Detect", V::visible, &M::smartLaunchDetect),
        Check(kWrapDataLog, "Wrap Data Log", V::visible, &M::wrapDataLog),
        Int(kPreamble, "Preamble", "", true, 1, 255, V::visible, &M::preamble),
        Check(kTransmitCourseSpeed, "Transmit Course/Speed", V::visible, &M::transmitCourseSpeed),
        Check(kEnableSlotting, "Enable Slotting", V::visible, &M::enableSlotting),
        Label(kSerialNumberStatus, V::visible, &M::serialNumberStatus),
        Check(kStoreHmTime, "Store HM (time)", V::alwaysHidden, &M::storeHmTime),
        Check(kDigA, "Dig A", V::hiddenAtStart, &M::digA),
        Check(kDigB, "Dig B", V::hiddenAtStart, &M::digB),
        Check(kDigC, "Dig C", V::hiddenAtStart, &M::digC),
        Check(kHwGSwitch, "HW G-Switch", V::hiddenAtStart, &M::hwGSwitch),
        Check(kDigD, "Dig D", V::hiddenAtStart, &M::digD),
        Check(kDigEnable, "Dig Enable", V::hiddenAtStart, &M::digEnable),
        Unsigned(kDeviation, "Deviation", "", true, 0, 255, V::hiddenAtStart, &M::deviation),
        Unsigned(kSlowSpeed, "Slow Speed", "mph", true, 0, 255, V::hiddenAtStart, &M::slowSpeed),
        Unsigned(kSlowRate, "Slow Rate", "secs", true, 0, 65535, V::hiddenAtStart, &M::slowRate),
        Unsigned(kFastSpeed, "Fast Speed", "mph", true, 0, 255, V::hiddenAtStart, &M::fastSpeed),
        Unsigned(kFastRate, "Fast Rate", "secs", true, 0, 65535, V::hiddenAtStart, &M::fastRate),
        Unsigned(kTurnSlope, "Turn Slope", "", true, 0, 255, V::hiddenAtStart, &M::turnSlope),
        Unsigned(kTurnTime, "Turn Time", "secs", true, 0, 255, V::hiddenAtStart, &M::turnTime),
        Unsigned(kTurnAngle, "Turn Angle", "", true, 0, 180, V::hiddenAtStart, &M::turnAngle),
        Check(kEnablePowerAmp, "Enable Power Amp", V::hiddenAtStart, &M::enablePowerAmp),
        Text(kTxMessage, "TX Msg", "", K::edit, 31, V::hiddenAtStart, &M::txMessage),
        Check(kStoreSmartBeacon, "Store Smart Beacon", V::hiddenAtStart, &M::storeSmartBeacon),
        Check(kOnlySendValid, "Only Send Valid", V::hiddenAtStart, &M::onlySendValid),
        Text(kRReg, "R_REG", "", K::edit, 0, V::hiddenAtStart, &M::rReg),
        Text(kNReg, "N_REG", "", K::edit, 0, V::hiddenAtStart, &M::nReg),
        Text(kMReg, "M_REG", "", K::edit, 0, V::hiddenAtStart, &M::mReg),
        Text(kFReg, "F_REG", "", K::edit, 0, V::hiddenAtStart, &M::fReg),
        Int(kTxRate, "Tx Rate", "Secs", true, 1, 252, V::hiddenAtStart, &M::txRate),
        Check(kGpsPowerdown, "GPS Powerdown", V::hiddenAtStart, &M::gpsPowerdown),
        Check(kConvertMetersToFeet, "Convert Meters to Feet", V::hiddenAtStart,
              &M::convertMetersToFeet),
        Check(kDisablePath1, "Disable P1", V::visible, &M::disablePath1),
        Check(kDisablePath2, "Disable P2", V::visible, &M::disablePath2),
        Check(kTransmitVoltage, "Transmit Voltage", V::hiddenAtStart, &M::transmitVoltage),
        Check(kAlternateSymbol, "Alternate Symbol", V::visible, &M::alternateSymbol),
        Check(kProfile1, "Profile 1", V::hiddenAtStart, &M::profile1, K::leftTextCheckBox),
        Check(kProfile2, "2 ", V::hiddenAtStart, &M::profile2, K::leftTextCheckBox),
        // Stored in 16 bits: 70000 would come back as 4464.
        Unsigned(kSwitchAltitude, "", "", true, 0, 65535, V::hiddenAtStart, &M::switchAltitude),
        Check(kAltitudeSwitch, "altitude", V::hiddenAtStart, &M::altitudeSwitch),
        Label(kProfileSwitchCaption, V::hiddenAtStart, &M::profileSwitchCaption),
        Check(kTransmitAltitude, "Transmit Altitude", V::hiddenAtStart, &M::transmitAltitude),
        Label(kUnitCaption, V::hiddenAtStart, &M::unitCaption),
        Check(kStoreHm, "Store HM", V::hiddenAtStart, &M::storeHm),
        Check(kCompressData, "Compress Data", V::hiddenAtStart, &M::compressData),
        Unsigned(kCalibrationField, "", "", false, 0, 0, V::hiddenAtStart, &M::calibrationField),
        Check(kOverwriteMemory, "Overwite Memory on Powerup", V::hiddenAtStart,
              &M::overwriteMemory),
    };
    return rows;
}

constexpr std::array<int, 74> kHiddenAtStartUp = {kOverwriteMemory,
                                                  kDev0,
                                                  kDev4,
                                                  kStoreHm,
                                                  kTransmitAltitude,
                                                  kCompressData,
                                                  kProfileSwitchingGroup,
                                                  kProfile1,
                                                  kProfile2,
                                                  kProfileSwitchCaption,
                                                  kAltitudeSwitch,
                                                  kCompareButton,
                                                  kSwitchAltitude,
                                                  kUnitCaption,
                                                  kFcal,
                                                  kCalibrationField,
                                                  kArrowLabel,
                                                  kFcalLabel,
                                                  kSerialNumber,
                                                  kSerialLabel,
                                                  kUpdate,
                                                  kDefault,
                                                  kDeviation,
                                                  kDeviationLabel,
                                                  kFastSpeed,
                                                  kFastRate,
                                                  kSlowSpeed,
                                                  kSlowRate,
                                                  kTurnSlope,
                                                  kTurnAngle,
                                                  kTurnTime,
                                                  kSmartBeaconingGroup,
                                                  kSlowSpeedLabel,
                                                  kFastSpeedLabel,
                                                  kSlowRateLabel,
                                                  kTurnSlopeLabel,
                                                  kTurnAngleLabel,
                                                  kFastRateLabel,
                                                  kTurnTimeLabel,
                                                  kFirstSmartBeaconingUnit,
                                                  kFirstSmartBeaconingUnit + 1,
                                                  kFirstSmartBeaconingUnit + 2,
                                                  kFirstSmartBeaconingUnit + 3,
                                                  kLastSmartBeaconingUnit,
                                                  kTxMessage,
                                                  kDigitalTelemetryGroup,
                                                  kDigA,
                                                  kDigB,
                                                  kDigC,
                                                  kDigD,
                                                  kDigEnable,
                                                  kHwGSwitch,
                                                  kEnablePowerAmp,
                                                  kStoreSmartBeacon,
                                                  kOnlySendValid,
                                                  kSend1200,
                                                  kValidateKml,
                                                  kNReg,
                                                  kMReg,
                                                  kRReg,
                                                  kFReg,
                                                  kNRegLabel,
                                                  kMRegLabel,
                                                  kRRegLabel,
                                                  kFRegLabel,
                                                  kTxRate,
                                                  kTxRateLabel,
                                                  kSecsLabel,
                                                  kPktsLabel,
                                                  kOnceEveryLabel,
                                                  kOnceEvery,
                                                  kGpsPowerdown,
                                                  kConvertMetersToFeet,
                                                  kTransmitVoltage};

constexpr std::array<int, 19> kCalibrationControls = {
    kDev0,      kDev4,         kFcal,        kArrowLabel, kCalibrationField,
    kFcalLabel, kSerialNumber, kSerialLabel, kUpdate,     kDefault,
    kSend1200,  kNReg,         kMReg,        kRReg,       kFReg,
    kNRegLabel, kMRegLabel,    kRRegLabel,   kFRegLabel};

}  // namespace

FormModel FormModel::Constructed() {
    FormModel form;
    form.profile1 = 1;
    form.batteryStatus = "Battery ??? V";
    form.versionStatus = "Version ???";
    form.modelStatus = "Model ???";
    form.timeStatus = " Time: ???";
    form.programVersion = "Version 66 - 12/29/2013";
    return form;
}

FormModel FormModel::StartUp() {
    FormModel form = Constructed();
    form.SetStartValues();
    return form;
}

void FormModel::SetStartValues() {
    switchAltitude = 0;
    profileSwitchCaption = "Switch to Profile 2 if:";
    frequency = "433.92";
    symbol = "-";
    ssid = 1;
    outputPower = 0;
    hiddenNumber = 10;
    onceEvery = 5;
    txRate = 5;
    storeInterval = 100;
    timeSlot = 0;
    morseText = "CQ CQ CQ";
    preamble = 1;
}

std::span<const FieldRow> FieldTable() {
    return Rows();
}

const FieldRow* FindField(int controlId) {
    const auto& rows = Rows();
    const auto it = std::find_if(rows.begin(), rows.end(),
                                 [controlId](const FieldRow& row) { return row.id == controlId; });
    return it == rows.end() ? nullptr : &*it;
}

const FieldRow* FindFieldByLabel(const std::string& label) {
    const std::string wanted = WithoutTrailingBlanks(label);
    if (wanted.empty()) {
        return nullptr;
    }
    for (const FieldRow& row : Rows()) {
        if (wanted == WithoutTrailingBlanks(row.label)) {
            return &row;
        }
    }
    for (const FieldRow& row : Rows()) {
        if (EqualIgnoringCase(wanted, WithoutTrailingBlanks(row.label))) {
            return &row;
        }
    }
    return nullptr;
}

std::span<const int> ControlsHiddenAtStartUp() {
    return kHiddenAtStartUp;
}

std::span<const int> CalibrationModeControls() {
    return kCalibrationControls;
}

}  // namespace vanteo

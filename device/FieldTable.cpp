#include "device/FieldTable.h"

#include <algorithm>
#include <array>

#include "serial/Platform.h"

namespace vanteo {
namespace {

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

const std::array<FieldRow, 73>& Rows() {
    using M = FormModel;
    static const std::array<FieldRow, 73> rows = {
        Text(1000, "", "", K::upperCaseEdit, 30, V::alwaysHidden, &M::morseText),
        Text(1002, "Messages", "", K::edit, 0, V::visible, &M::messages),
        Text(1001, "Frequency", "Mhz", K::edit, 7, V::visible, &M::frequency),
        Int(1004, "Output Power", "dBm", true, -kWide, kWide, V::visible, &M::outputPower),
        FieldRow{1011, "COM port", "", K::comboBox, FieldType::comboText, 0, false, kNoLimit,
                 kNoLimit, V::visible, &M::comPort, nullptr, nullptr},
        Int(1016, "", "", true, -kWide, kWide, V::alwaysHidden, &M::hiddenNumber),
        Int(1017, "Once Every", "pkts", true, 1, 254, V::hiddenAtStart, &M::onceEvery),
        Int(1019, "Store Intveral", "secs", true, 1, 253, V::visible, &M::storeInterval),
        // TimeSlot and Deviation travel as one record byte each: a wider value would be stored
        // as its low byte ("300" as 44) while the Write reports success.
        Int(1020, "TimeSlot", "", true, 0, 255, V::visible, &M::timeSlot),
        Check(1027, "Low V shutdown enable", V::visible, &M::lowVoltageShutdown),
        Text(1034, "ID String", "", K::edit, 7, V::visible, &M::idString),
        Unsigned(1035, "Ser#", "", false, 0, 0, V::hiddenAtStart, &M::serialNumber),
        Text(1028, "Low V", "", K::edit, 4, V::visible, &M::lowVoltage),
        Label(1050, V::visible, &M::batteryStatus),
        Label(1051, V::visible, &M::versionStatus),
        Label(1052, V::visible, &M::modelStatus),
        Label(1053, V::visible, &M::timeStatus),
        Label(1049, V::visible, &M::programVersion),
        Int(1015, "fcal", "", false, 0, 0, V::hiddenAtStart, &M::fcal),
        Text(1055, "Path 1", "", K::edit, 7, V::visible, &M::path1),
        Text(1056, "Path 2", "", K::edit, 7, V::visible, &M::path2),
        Check(1057, "Enable APRS Packet Format", V::alwaysHidden, &M::enableAprsPacketFormat),
        Unsigned(1059, "SSID", "", true, 0, 15, V::visible, &M::ssid),
        Text(1060, "Symbol", "", K::edit, 2, V::visible, &M::symbol),
        Check(1061, "Position Logging On", V::visible, &M::positionLogging),
        Check(1062, "Disable RF out", V::visible, &M::disableRfOut),
        Check(1064, "Smart Launch Detect", V::visible, &M::smartLaunchDetect),
        Check(1063, "Wrap Data Log", V::visible, &M::wrapDataLog),
        Int(1073, "Preamble", "", true, 1, 255, V::visible, &M::preamble),
        Check(1074, "Transmit Course/Speed", V::visible, &M::transmitCourseSpeed),
        Check(1078, "Enable Slotting", V::visible, &M::enableSlotting),
        Label(1079, V::visible, &M::serialNumberStatus),
        Check(1081, "Store HM (time)", V::alwaysHidden, &M::storeHmTime),
        Check(1084, "Dig A", V::hiddenAtStart, &M::digA),
        Check(1085, "Dig B", V::hiddenAtStart, &M::digB),
        Check(1086, "Dig C", V::hiddenAtStart, &M::digC),
        Check(1087, "HW G-Switch", V::hiddenAtStart, &M::hwGSwitch),
        Check(1089, "Dig D", V::hiddenAtStart, &M::digD),
        Check(1090, "Dig Enable", V::hiddenAtStart, &M::digEnable),
        Unsigned(1091, "Deviation", "", true, 0, 255, V::hiddenAtStart, &M::deviation),
        Unsigned(1007, "Slow Speed", "mph", true, 0, 255, V::hiddenAtStart, &M::slowSpeed),
        Unsigned(1008, "Slow Rate", "secs", true, 0, 65535, V::hiddenAtStart, &M::slowRate),
        Unsigned(1010, "Fast Speed", "mph", true, 0, 255, V::hiddenAtStart, &M::fastSpeed),
        Unsigned(1013, "Fast Rate", "secs", true, 0, 65535, V::hiddenAtStart, &M::fastRate),
        Unsigned(1009, "Turn Slope", "", true, 0, 255, V::hiddenAtStart, &M::turnSlope),
        Unsigned(1021, "Turn Time", "secs", true, 0, 255, V::hiddenAtStart, &M::turnTime),
        Unsigned(1012, "Turn Angle", "", true, 0, 180, V::hiddenAtStart, &M::turnAngle),
        Check(1092, "Enable Power Amp", V::hiddenAtStart, &M::enablePowerAmp),
        Text(1113, "TX Msg", "", K::edit, 31, V::hiddenAtStart, &M::txMessage),
        Check(1117, "Store Smart Beacon", V::hiddenAtStart, &M::storeSmartBeacon),
        Check(1118, "Only Send Valid", V::hiddenAtStart, &M::onlySendValid),
        Text(1123, "R_REG", "", K::edit, 0, V::hiddenAtStart, &M::rReg),
        Text(1124, "N_REG", "", K::edit, 0, V::hiddenAtStart, &M::nReg),
        Text(1125, "M_REG", "", K::edit, 0, V::hiddenAtStart, &M::mReg),
        Text(1126, "F_REG", "", K::edit, 0, V::hiddenAtStart, &M::fReg),
        Int(1134, "Tx Rate", "Secs", true, 1, 252, V::hiddenAtStart, &M::txRate),
        Check(1138, "GPS Powerdown", V::hiddenAtStart, &M::gpsPowerdown),
        Check(1137, "Convert Meters to Feet", V::hiddenAtStart, &M::convertMetersToFeet),
        Check(1150, "Disable P1", V::visible, &M::disablePath1),
        Check(1151, "Disable P2", V::visible, &M::disablePath2),
        Check(1156, "Transmit Voltage", V::hiddenAtStart, &M::transmitVoltage),
        Check(1157, "Alternate Symbol", V::visible, &M::alternateSymbol),
        Check(1166, "Profile 1", V::hiddenAtStart, &M::profile1, K::leftTextCheckBox),
        Check(1167, "2 ", V::hiddenAtStart, &M::profile2, K::leftTextCheckBox),
        // Stored in 16 bits: 70000 would come back as 4464.
        Unsigned(1171, "", "", true, 0, 65535, V::hiddenAtStart, &M::switchAltitude),
        Check(1172, "altitude", V::hiddenAtStart, &M::altitudeSwitch),
        Label(1173, V::hiddenAtStart, &M::profileSwitchCaption),
        Check(1174, "Transmit Altitude", V::hiddenAtStart, &M::transmitAltitude),
        Label(1175, V::hiddenAtStart, &M::unitCaption),
        Check(1180, "Store HM", V::hiddenAtStart, &M::storeHm),
        Check(1181, "Compress Data", V::hiddenAtStart, &M::compressData),
        Unsigned(1183, "", "", false, 0, 0, V::hiddenAtStart, &M::calibrationField),
        Check(1197, "Overwite Memory on Powerup", V::hiddenAtStart, &M::overwriteMemory),
    };
    return rows;
}

constexpr std::array<int, 74> kHiddenAtStartUp = {
    1197, 1193, 1194, 1180, 1174, 1181, 1178, 1166, 1167, 1173, 1172, 1170, 1171, 1175, 1015,
    1183, 1184, 1101, 1035, 1102, 1036, 1198, 1091, 1100, 1010, 1013, 1007, 1008, 1009, 1012,
    1021, 1177, 1103, 1105, 1104, 1107, 1108, 1106, 1109, 1139, 1140, 1141, 1142, 1143, 1113,
    1176, 1084, 1085, 1086, 1089, 1090, 1087, 1092, 1117, 1118, 1127, 1033, 1124, 1125, 1123,
    1126, 1130, 1131, 1129, 1132, 1134, 1135, 1136, 1115, 1114, 1017, 1138, 1137, 1156};

constexpr std::array<int, 19> kCalibrationControls = {1193, 1194, 1015, 1184, 1183, 1101, 1035,
                                                      1102, 1036, 1198, 1127, 1124, 1125, 1123,
                                                      1126, 1130, 1131, 1129, 1132};

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
    if (label.empty()) {
        return nullptr;
    }
    for (const FieldRow& row : Rows()) {
        if (label == row.label) {
            return &row;
        }
    }
    for (const FieldRow& row : Rows()) {
        if (EqualIgnoringCase(label, row.label)) {
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

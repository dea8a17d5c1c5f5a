#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "device/FormModel.h"

namespace vanteo {

enum class FieldType {
    text,       // edit holding any text (length-limited when maxLength is set)
    integer,    // edit holding a signed 32-bit decimal
    unsigned_,  // edit holding an unsigned 32-bit decimal
    check,      // check box, 0 or 1
    label,      // static text
    comboText,  // the "COM port" drop-down's edit part
};

enum class Visibility {
    visible,        // shown from the start
    hiddenAtStart,  // hidden at start, shown by a Read or by calibration mode
    alwaysHidden,   // no operation ever shows it
};

enum class ControlKind {
    edit,
    upperCaseEdit,
    multiLineEdit,
    checkBox,
    leftTextCheckBox,
    label,
    comboBox
};

// One row of the form: the control, what the user sees next to it, and how its value is taken.
struct FieldRow {
    int id;                   // the control's resource identifier
    const char* label;        // on-screen label, "" when the control has none
    const char* unitCaption;  // caption after the control ("Mhz", "secs"), "" when none
    ControlKind control;
    FieldType type;
    int maxLength;  // text: at most this many characters; 0 = unlimited
    bool hasRange;  // integer / unsigned: validated against [minimum, maximum]
    std::int64_t minimum;
    std::int64_t maximum;
    Visibility visibility;
    // The member of FormModel the row transfers: exactly one of these is set, by type.
    std::string FormModel::*textMember;
    std::int32_t FormModel::*intMember;
    std::uint32_t FormModel::*unsignedMember;
};

// The 73 fields in the order ReadForm and ShowForm process them.
std::span<const FieldRow> FieldTable();

// The row of a control identifier, or nullptr.
const FieldRow* FindField(int controlId);
// The row whose label is `label`, or nullptr: compared exactly, then without regard to case,
// blanks after either aside.
const FieldRow* FindFieldByLabel(const std::string& label);

// The controls hidden at start-up, in the order the form hides them (74 identifiers).
std::span<const int> ControlsHiddenAtStartUp();
// The controls calibration mode shows, in order.
std::span<const int> CalibrationModeControls();

// Every control identifier the code names, once: the table's fields, then the labels, group
// boxes and buttons the operations show, hide or caption.
namespace control {
// The fields of the table, named after their FormModel member.
inline constexpr int kMorseText = 1000;
inline constexpr int kFrequency = 1001;
inline constexpr int kOutputPower = 1004;
inline constexpr int kSlowSpeed = 1007;
inline constexpr int kSlowRate = 1008;
inline constexpr int kTurnSlope = 1009;
inline constexpr int kFastSpeed = 1010;
inline constexpr int kComPort = 1011;
inline constexpr int kTurnAngle = 1012;
inline constexpr int kFastRate = 1013;
inline constexpr int kFcal = 1015;
inline constexpr int kHiddenNumber = 1016;
inline constexpr int kOnceEvery = 1017;
inline constexpr int kStoreInterval = 1019;
inline constexpr int kTimeSlot = 1020;
inline constexpr int kTurnTime = 1021;
inline constexpr int kLowVoltageShutdown = 1027;
inline constexpr int kLowVoltage = 1028;
inline constexpr int kIdString = 1034;
inline constexpr int kSerialNumber = 1035;
inline constexpr int kProgramVersion = 1049;
inline constexpr int kBatteryStatus = 1050;
inline constexpr int kVersionStatus = 1051;
inline constexpr int kModelStatus = 1052;
inline constexpr int kTimeStatus = 1053;
inline constexpr int kPath1 = 1055;
inline constexpr int kPath2 = 1056;
inline constexpr int kEnableAprsPacketFormat = 1057;
inline constexpr int kSsid = 1059;
inline constexpr int kSymbol = 1060;
inline constexpr int kPositionLogging = 1061;
inline constexpr int kDisableRfOut = 1062;
inline constexpr int kWrapDataLog = 1063;
inline constexpr int kSmartLaunchDetect = 1064;
inline constexpr int kPreamble = 1073;
inline constexpr int kTransmitCourseSpeed = 1074;
inline constexpr int kEnableSlotting = 1078;
inline constexpr int kSerialNumberStatus = 1079;
inline constexpr int kStoreHmTime = 1081;
inline constexpr int kDigA = 1084;
inline constexpr int kDigB = 1085;
inline constexpr int kDigC = 1086;
inline constexpr int kHwGSwitch = 1087;
inline constexpr int kDigD = 1089;
inline constexpr int kDigEnable = 1090;
inline constexpr int kDeviation = 1091;
inline constexpr int kEnablePowerAmp = 1092;
inline constexpr int kTxMessage = 1113;
inline constexpr int kStoreSmartBeacon = 1117;
inline constexpr int kOnlySendValid = 1118;
inline constexpr int kRReg = 1123;
inline constexpr int kNReg = 1124;
inline constexpr int kMReg = 1125;
inline constexpr int kFReg = 1126;
inline constexpr int kTxRate = 1134;
inline constexpr int kConvertMetersToFeet = 1137;
inline constexpr int kGpsPowerdown = 1138;
inline constexpr int kDisablePath1 = 1150;
inline constexpr int kDisablePath2 = 1151;
inline constexpr int kTransmitVoltage = 1156;
inline constexpr int kAlternateSymbol = 1157;
inline constexpr int kProfile1 = 1166;
inline constexpr int kProfile2 = 1167;
inline constexpr int kSwitchAltitude = 1171;
inline constexpr int kAltitudeSwitch = 1172;
inline constexpr int kProfileSwitchCaption = 1173;
inline constexpr int kTransmitAltitude = 1174;
inline constexpr int kUnitCaption = 1175;
inline constexpr int kStoreHm = 1180;
inline constexpr int kCompressData = 1181;
inline constexpr int kCalibrationField = 1183;
inline constexpr int kOverwriteMemory = 1197;
inline constexpr int kMessages = 1002;
inline constexpr int kCompareButton = 1170;  // '<' / '>'
inline constexpr int kClearFlash = 1070;
inline constexpr int kProgressBar = 1068;
inline constexpr int kValidateKml = 1033;
inline constexpr int kRead = 1005;
inline constexpr int kWrite = 1003;
inline constexpr int kRun = 1014;
inline constexpr int kUpdate = 1036;
inline constexpr int kSend1200 = 1127;
inline constexpr int kDev0 = 1193;
inline constexpr int kDev4 = 1194;
inline constexpr int kSaveCfg = 1185;
inline constexpr int kRestoreCfg = 1186;
inline constexpr int kReadFlash = 1065;
inline constexpr int kFlashTest = 1144;
inline constexpr int kFixKml = 1195;
inline constexpr int kDefault = 1198;
inline constexpr int kDeviationLabel = 1100;
inline constexpr int kFcalLabel = 1101;
inline constexpr int kSerialLabel = 1102;
inline constexpr int kSlowSpeedLabel = 1103;
inline constexpr int kFastSpeedLabel = 1105;
inline constexpr int kSlowRateLabel = 1104;
inline constexpr int kFastRateLabel = 1106;
inline constexpr int kTurnSlopeLabel = 1107;
inline constexpr int kTurnAngleLabel = 1108;
inline constexpr int kTurnTimeLabel = 1109;
inline constexpr int kOnceEveryLabel = 1114;
inline constexpr int kPktsLabel = 1115;
inline constexpr int kTxRateLabel = 1135;
inline constexpr int kSecsLabel = 1136;
inline constexpr int kArrowLabel = 1184;  // "-->"
inline constexpr int kRRegLabel = 1129;
inline constexpr int kNRegLabel = 1130;
inline constexpr int kMRegLabel = 1131;
inline constexpr int kFRegLabel = 1132;
inline constexpr int kDigitalTelemetryGroup = 1176;
inline constexpr int kSmartBeaconingGroup = 1177;
inline constexpr int kProfileSwitchingGroup = 1178;
// Unit labels 1139 .. 1143 of the smart-beaconing fields.
inline constexpr int kFirstSmartBeaconingUnit = 1139;
inline constexpr int kLastSmartBeaconingUnit = 1143;
}  // namespace control

}  // namespace vanteo

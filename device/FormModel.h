#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vanteo {

// The fields of the main form, one per control value, as the operations see them. Named after
// the label the user sees; the control identifier follows each member. Check boxes are ints
// holding 0 (clear) or 1 (set). The table in FieldTable.h lists the same members with their
// identifiers, types and limits, and drives every transfer between fields and controls.
struct FormModel {
    std::string morseText;           // 1000, hidden: the ID String decoded from its Morse bytes
    std::string messages;            // 1002 "Messages": the last progress or result line
    std::string frequency;           // 1001 "Frequency" (MHz, as typed)
    std::int32_t outputPower = 0;    // 1004 "Output Power" (dBm)
    std::string comPort;             // 1011 "COM port"
    std::int32_t hiddenNumber = 0;   // 1016, hidden: settings-record byte 21
    std::int32_t onceEvery = 0;      // 1017 "Once Every" (packets)
    std::int32_t storeInterval = 0;  // 1019 "Store Intveral" (seconds)
    std::int32_t timeSlot = 0;       // 1020 "TimeSlot"
    std::int32_t lowVoltageShutdown = 0;      // 1027 "Low V shutdown enable"
    std::string idString;                     // 1034 "ID String" (callsign)
    std::uint32_t serialNumber = 0;           // 1035 "Ser#"
    std::string lowVoltage;                   // 1028 "Low V" (volts, as typed)
    std::string batteryStatus;                // 1050 label
    std::string versionStatus;                // 1051 label
    std::string modelStatus;                  // 1052 label
    std::string timeStatus;                   // 1053 label
    std::string programVersion;               // 1049 label
    std::int32_t fcal = 0;                    // 1015 "fcal" (0.0001 MHz units, signed)
    std::string path1;                        // 1055 "Path 1"
    std::string path2;                        // 1056 "Path 2"
    std::int32_t enableAprsPacketFormat = 0;  // 1057, always hidden
    std::uint32_t ssid = 0;                   // 1059 "SSID"
    std::string symbol;                       // 1060 "Symbol"
    std::int32_t positionLogging = 0;         // 1061 "Position Logging On"
    std::int32_t disableRfOut = 0;            // 1062 "Disable RF out"
    std::int32_t smartLaunchDetect = 0;       // 1064 "Smart Launch Detect"
    std::int32_t wrapDataLog = 0;             // 1063 "Wrap Data Log"
    std::int32_t preamble = 0;                // 1073 "Preamble"
    std::int32_t transmitCourseSpeed = 0;     // 1074 "Transmit Course/Speed"
    std::int32_t enableSlotting = 0;          // 1078 "Enable Slotting"
    std::string serialNumberStatus;           // 1079 label ("Ser#: 5")
    std::int32_t storeHmTime = 0;             // 1081 "Store HM (time)", always hidden
    std::int32_t digA = 0;                    // 1084 "Dig A"
    std::int32_t digB = 0;                    // 1085 "Dig B"
    std::int32_t digC = 0;                    // 1086 "Dig C"
    std::int32_t hwGSwitch = 0;               // 1087 "HW G-Switch"
    std::int32_t digD = 0;                    // 1089 "Dig D"
    std::int32_t digEnable = 0;               // 1090 "Dig Enable"
    std::uint32_t deviation = 0;              // 1091 "Deviation"
    std::uint32_t slowSpeed = 0;              // 1007 "Slow Speed" (mph)
    std::uint32_t slowRate = 0;               // 1008 "Slow Rate" (seconds)
    std::uint32_t fastSpeed = 0;              // 1010 "Fast Speed" (mph)
    std::uint32_t fastRate = 0;               // 1013 "Fast Rate" (seconds)
    std::uint32_t turnSlope = 0;              // 1009 "Turn Slope"
    std::uint32_t turnTime = 0;               // 1021 "Turn Time" (seconds)
    std::uint32_t turnAngle = 0;              // 1012 "Turn Angle" (degrees)
    std::int32_t enablePowerAmp = 0;          // 1092 "Enable Power Amp"
    std::string txMessage;                    // 1113 "TX Msg"
    std::int32_t storeSmartBeacon = 0;        // 1117 "Store Smart Beacon"
    std::int32_t onlySendValid = 0;           // 1118 "Only Send Valid"
    std::string rReg;                         // 1123 "R_REG" (hexadecimal text)
    std::string nReg;                         // 1124 "N_REG"
    std::string mReg;                         // 1125 "M_REG"
    std::string fReg;                         // 1126 "F_REG"
    std::int32_t txRate = 0;                  // 1134 "Tx Rate" (seconds)
    std::int32_t gpsPowerdown = 0;            // 1138 "GPS Powerdown"
    std::int32_t convertMetersToFeet = 0;     // 1137 "Convert Meters to Feet"
    std::int32_t disablePath1 = 0;            // 1150 "Disable P1"
    std::int32_t disablePath2 = 0;            // 1151 "Disable P2"
    std::int32_t transmitVoltage = 0;         // 1156 "Transmit Voltage"
    std::int32_t alternateSymbol = 0;         // 1157 "Alternate Symbol"
    std::int32_t profile1 = 0;                // 1166 "Profile 1"
    std::int32_t profile2 = 0;                // 1167 "2 "
    std::uint32_t switchAltitude = 0;         // 1171 switch altitude (metres)
    std::int32_t altitudeSwitch = 0;          // 1172 "altitude"
    std::string profileSwitchCaption;         // 1173 label
    std::int32_t transmitAltitude = 0;        // 1174 "Transmit Altitude"
    std::string unitCaption;                  // 1175 label ("meters")
    std::int32_t storeHm = 0;                 // 1180 "Store HM"
    std::int32_t compressData = 0;            // 1181 "Compress Data"
    std::uint32_t calibrationField = 0;  // 1183 the field before "-->" (fcal + calibration base)
    std::int32_t overwriteMemory = 0;    // 1197 "Overwite Memory on Powerup"

    // No control: the low-voltage code the last Read received. Two codes can show the same
    // "Low V" text, so a Write sends this code back while the text is still what it shows.
    std::optional<std::uint32_t> lowVoltageCodeRead;

    // The values the form holds right after it is constructed (before its start-up).
    static FormModel Constructed();
    // The values after the form's start-up: construction, then the start values.
    static FormModel StartUp();
    // Sets the start values the form's start-up gives (frequency, symbol, SSID, rates, the
    // hidden fields, ...), leaving every other field as it is.
    void SetStartValues();
};

}  // namespace vanteo

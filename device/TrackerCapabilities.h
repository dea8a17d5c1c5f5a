#pragma once

#include <string>

namespace vanteo {

// What the connected tracker can do, filled by the Read from its model identifier and firmware
// version. Created cleared (smartLaunchDetect true). Each identification starts from a cleared
// record and replaces the shared one only when it succeeds, so the flags describe the tracker
// last identified, never a union with an earlier one. The rule functions below only add to the
// record they are applied to.
// The largest flash: its addresses take a third byte and its blocks are 16 bytes.
inline constexpr int kLargeMemoryKbit = 1024;

struct TrackerCapabilities {
    std::string modelId;
    int firmwareVersion = 0;
    bool peekPoke = false;
    bool offsetByOne = false;
    bool smartBeaconing = false;
    bool logTimestamp = false;
    bool logHoursMinutes = false;
    bool noSlotting = false;
    bool storeSmartBeacon = false;
    bool onlySendValid = false;
    bool txRateSpacing = false;
    bool twoProfiles = false;
    bool transmitVoltage = false;
    bool metersToFeet = false;
    bool gpsPowerdown = false;
    bool compressCapable = false;
    bool hoursMinutesCapable = false;
    bool band2m = false;
    bool pllRegisters = false;
    bool packedFrequency = false;
    int calibrationBase = 0;
    bool powerAmp = false;
    bool deviationAdjust = false;
    bool gSwitch = false;
    bool digitalTelemetry = false;
    bool powerOffset10 = false;
    bool txMessages = false;
    bool smartLaunchDetect = true;
    int voltageMultiplier = 0;
    float voltageReference = 0.0f;
    int memorySizeKbit = 0;  // flash size in kilobits: 64, 128 or 1024; 0 before any query

    // The first group of firmware rules (the Read applies it right after the 'V' reply):
    // smartBeaconing, peekPoke, offsetByOne, logTimestamp, logHoursMinutes, noSlotting and the
    // clearing of storeSmartBeacon.
    void ApplyFirmwareRules(int version);
    // The second group: compressCapable, hoursMinutesCapable, storeSmartBeacon, onlySendValid,
    // txRateSpacing, twoProfiles, transmitVoltage, metersToFeet, gpsPowerdown.
    void ApplyLateFirmwareRules(int version);
    // calibrationBase := 9200, the first matching row of the model table, the voltage scale.
    void ApplyModelTable(const std::string& model, int version);
    // The whole identification without the link: records `model` and `version`, then applies
    // the rule groups in the order the Read does (first group, model table, second group).
    void Identify(const std::string& model, int version);
};

// Applies the first character of the memory-size reply (QueryMemorySize) to
// caps.memorySizeKbit: '1' 128, '2' 1024, and '0' 64 only when zeroMeans64 (Read Flash alone);
// anything else leaves it as it was.
void ApplyMemorySizeReply(TrackerCapabilities& caps, char reply, bool zeroMeans64);

}  // namespace vanteo

#include "device/TrackerCapabilities.h"

namespace vanteo {
namespace {

// Firmware 200 and above is a separate line of the firmware: most features of the 1xx line
// end just below it, while byte access and smart beaconing still include it.
constexpr int kNewLine = 200;
constexpr int kCalibrationBaseDefault = 9200;
constexpr int kCalibrationBase2m = 3900;

bool Between(int version, int first, int endExclusive) {
    return version >= first && version < endExclusive;
}

}  // namespace

void TrackerCapabilities::ApplyFirmwareRules(int version) {
    if (version >= 108 && version <= kNewLine) {
        smartBeaconing = true;
        peekPoke = true;
    }
    if (version < 18) {
        offsetByOne = true;
    }
    if (version >= 212) {
        logTimestamp = true;
        logHoursMinutes = true;
        peekPoke = true;
        noSlotting = true;
        storeSmartBeacon = false;
    }
}

void TrackerCapabilities::ApplyLateFirmwareRules(int version) {
    if (Between(version, 124, kNewLine)) {
        compressCapable = true;
        hoursMinutesCapable = true;
    }
    if (Between(version, 110, kNewLine)) {
        storeSmartBeacon = true;
        onlySendValid = true;
    } else {
        txRateSpacing = true;
    }
    if (Between(version, 122, kNewLine)) {
        twoProfiles = true;
    }
    if (Between(version, 120, kNewLine)) {
        transmitVoltage = true;
    }
    if (Between(version, 116, kNewLine)) {
        metersToFeet = true;
        gpsPowerdown = true;
    }
    if (version >= 209) {
        metersToFeet = true;
    }
}

void TrackerCapabilities::Identify(const std::string& model, int version) {
    modelId = model;
    firmwareVersion = version;
    ApplyFirmwareRules(version);
    ApplyModelTable(model, version);
    ApplyLateFirmwareRules(version);
}

void TrackerCapabilities::ApplyModelTable(const std::string& model, int version) {
    calibrationBase = kCalibrationBaseDefault;
    pllRegisters = false;
    if (model == "ZPNAV8") {
        pllRegisters = true;
        band2m = true;
    } else if (model == "ZPNAV9" || model == "ZPNAV6") {
        pllRegisters = true;
        band2m = true;
        powerAmp = true;
        deviationAdjust = true;
        txMessages = true;
        calibrationBase = kCalibrationBase2m;
        if (model == "ZPNAV6") {
            smartLaunchDetect = false;
        }
    } else if (model == "ZPNAV0") {
        gSwitch = true;
        digitalTelemetry = true;
    } else if (model == "ZPNAV1") {
        powerAmp = true;
        if (version >= 108) {
            deviationAdjust = true;
        }
        gSwitch = true;
    } else if (model == "ZPNAVB") {
        pllRegisters = true;
        band2m = false;
        powerAmp = true;
        deviationAdjust = true;
        gSwitch = false;
    } else if (model == "ZPNAVC" || model == "ZPNAVD") {
        band2m = false;
        powerAmp = false;
        deviationAdjust = false;
        gSwitch = false;
        smartLaunchDetect = false;
        if (model == "ZPNAVD") {
            powerOffset10 = true;
        }
    }
    packedFrequency = !pllRegisters;

    // The 3.3 V parts measure through a divide-by-three, the others through a divide-by-two
    // against a 3.0 V reference.
    const bool threeVolt =
        model == "ZPNAV9" || model == "ZPNAVB" || model == "ZPNAV6" || model == "ZPNAV1";
    voltageMultiplier = threeVolt ? 3 : 2;
    voltageReference = threeVolt ? 3.3f : 3.0f;
}

void ApplyMemorySizeReply(TrackerCapabilities& caps, char reply, bool zeroMeans64) {
    if (reply == '1') {
        caps.memorySizeKbit = 128;
    } else if (reply == '2') {
        caps.memorySizeKbit = kLargeMemoryKbit;
    } else if (reply == '0' && zeroMeans64) {
        caps.memorySizeKbit = 64;
    }
}

}  // namespace vanteo

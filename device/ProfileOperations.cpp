#include <algorithm>
#include <array>

#include "device/FieldTable.h"
#include "device/MemoryMap.h"
#include "device/Operations.h"
#include "device/ProfileFieldTable.h"

namespace vanteo {
namespace {

constexpr const char* kSwitchToProfile2 = "Switch to Profile 2 if:";
constexpr const char* kSwitchToProfile1 = "Switch to Profile 1 if:";
constexpr const char* kOnlyPath1Disabled =
    "Can not disable only PATH 1.  For a single path disable PATH 2. Discarding Changes";
constexpr const char* kCalibrationSwitch = "-qrkvz";

void ShowCompareCaption(DeviceContext& ctx, int index) {
    const ProfileSettings& profile =
        ctx.tracker.profileStore.profiles[static_cast<std::size_t>(index)];
    ctx.ui.SetControlCaption(control::kCompareButton, profile.switchAbove != 0 ? ">" : "<");
}

void SwitchProfile(DeviceContext& ctx, int index) {
    // A failed transfer leaves later fields untaken; storing and switching would then throw away
    // what the user typed there, so the form stays as it is with the focus on the bad field.
    // The boxes alone go back to the profile still shown: the window has already toggled the
    // clicked one, and a later Write stores the form into currentProfile's record.
    if (!ctx.ui.ReadForm()) {
        const int current = ctx.tracker.profileStore.currentProfile;
        ctx.form.profile1 = current == 0 ? 1 : 0;
        ctx.form.profile2 = current == 0 ? 0 : 1;
        constexpr std::array<int, 2> kProfileBoxes = {control::kProfile1, control::kProfile2};
        ctx.ui.ShowFields(kProfileBoxes);
        return;
    }
    StoreFormInProfile(ctx);
    ctx.tracker.profileStore.currentProfile = index;
    ApplyPathRule(ctx);
    ShowProfile(ctx, index);
    ctx.ui.ShowForm();
    ShowCompareCaption(ctx, index);
}

}  // namespace

void StoreFormInProfile(DeviceContext& ctx) {
    ProfileStore& store = ctx.tracker.profileStore;
    ProfileSettings& profile = store.profiles[static_cast<std::size_t>(store.currentProfile)];
    CopyFormToProfile(ctx.form, profile);
}

void ShowProfile(DeviceContext& ctx, int index) {
    const ProfileSettings& profile =
        ctx.tracker.profileStore.profiles[static_cast<std::size_t>(index)];
    FormModel& form = ctx.form;
    CopyProfileToForm(profile, form);
    form.profile1 = index == 0 ? 1 : 0;
    form.profile2 = index == 0 ? 0 : 1;
    form.profileSwitchCaption = index == 0 ? kSwitchToProfile2 : kSwitchToProfile1;
}

void ApplyPathRule(DeviceContext& ctx) {
    ctx.ui.ReadForm();
    const int records = ctx.tracker.capabilities.twoProfiles ? 2 : 1;
    for (int i = 0; i < records; ++i) {
        ProfileSettings& profile = ctx.tracker.profileStore.profiles[static_cast<std::size_t>(i)];
        if (profile.disablePath1 != 0 && profile.disablePath2 != 0) {
            profile.path1 = kNoPath;
            profile.path2 = kNoPath;
        } else if (profile.disablePath1 != 0) {
            ctx.ui.ShowMessage(kOnlyPath1Disabled);
            profile.disablePath1 = 0;
        } else if (profile.disablePath2 != 0) {
            profile.path2 = kNoPath;
        }
    }
}

void OnProfile1Clicked(DeviceContext& ctx) {
    SwitchProfile(ctx, 0);
}

void OnProfile2Clicked(DeviceContext& ctx) {
    SwitchProfile(ctx, 1);
}

void OnCompareClicked(DeviceContext& ctx) {
    ProfileStore& store = ctx.tracker.profileStore;
    ProfileSettings& profile = store.profiles[static_cast<std::size_t>(store.currentProfile)];
    ctx.ui.SetControlCaption(control::kCompareButton, profile.switchAbove == 0 ? ">" : "<");
    profile.switchAbove = profile.switchAbove == 0 ? 1 : 0;
}

void OnConvertMetersToFeetClicked(DeviceContext& ctx) {
    // Only a clean transfer is shown back: after a failed one, ShowForm would overwrite what
    // the user typed into the fields the transfer did not reach.
    if (ctx.ui.ReadForm()) {
        ctx.ui.ShowForm();
    }
}

void OnDefaultClicked(DeviceContext& ctx) {
    FormModel& form = ctx.form;
    form.frequency = "433.920";
    form.txRate = 5;
    form.deviation = 8;
    form.preamble = 25;
    form.calibrationField = 9200;
    form.lowVoltage = "3.5";
    form.symbol = "-";
    form.wrapDataLog = 0;
    form.positionLogging = 1;
    form.disablePath1 = 1;
    form.disablePath2 = 1;
    form.alternateSymbol = 0;
    form.lowVoltageShutdown = 1;
    form.transmitCourseSpeed = 0;
    form.timeSlot = 0;
    form.storeInterval = 1;
    form.disableRfOut = 0;
    ctx.ui.ShowForm();
}

void RunFormStartUp(DeviceContext& ctx, const std::string& argument) {
    for (ProfileSettings& profile : ctx.tracker.profileStore.profiles) {
        const ProfileSettings cleared;
        profile.altitudeSwitch = cleared.altitudeSwitch;
        profile.switchAltitude = cleared.switchAltitude;
        profile.switchAbove = cleared.switchAbove;
        profile.slowRate = cleared.slowRate;
        profile.slowSpeed = cleared.slowSpeed;
        profile.fastRate = cleared.fastRate;
        profile.fastSpeed = cleared.fastSpeed;
        profile.turnAngle = cleared.turnAngle;
        profile.turnSlope = cleared.turnSlope;
        profile.turnTime = cleared.turnTime;
    }
    ctx.form.SetStartValues();
    ctx.ui.ShowForm();
    // The power and Morse tables are constant data (MemoryMap.cpp): nothing to fill here.
    for (const int id : ControlsHiddenAtStartUp()) {
        ctx.ui.SetControlVisible(id, false);
    }
    if (argument == kCalibrationSwitch) {
        ctx.tracker.calibrationMode = true;
        ctx.ui.ShowMessage("Calibration Mode Enabled\n");
    }
    ctx.ui.SetControlVisible(control::kValidateKml, true);
    if (ctx.tracker.calibrationMode) {
        for (const int id : CalibrationModeControls()) {
            ctx.ui.SetControlVisible(id, true);
        }
    }
}

}  // namespace vanteo

#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "device/DeviceContext.h"
#include "device/FormModel.h"
#include "device/HeadlessForm.h"
#include "device/ProfileFieldTable.h"
#include "device/ProfileStore.h"
#include "device/TrackerCapabilities.h"

namespace vanteo::cli {

// The JSON form of a tracker's settings, written by 'read --json' and read by 'write --json':
//   {"model": "ZPNAV9", "firmware": 130,             the tracker the file was read from
//    "fields": {"1001": "144.390", "1004": 0, ...},   the settings that tracker has, by identifier
//    "profiles": [{"path1": "WIDE1 1", ...}, {...}]}  its profile records (one or two)
// Text fields are strings (one byte per character), numbers and check boxes are numbers. Only
// the settings the tracker has are written (SettingsScope); a write changes only what a file
// holds. Files written before "model" and "firmware" existed hold every field of the form, the
// status texts among them, and "profile" (the profile the form showed): they still load, taking
// the model and firmware from the status texts.
class ConfigurationJson {
public:
    // One member of one profile record, checked as the form checks its control.
    struct ProfileValue {
        int index = 0;
        const ProfileFieldRow* row = nullptr;
        std::string text;
        std::int64_t number = 0;
    };
    struct Contents {
        // The tracker the file comes from; empty model when the file does not say.
        std::string model;
        int firmware = 0;
        // KEY (identifier or label, as in the file) and the value as it would be typed, in file
        // order: settings that are not per-profile.
        std::vector<std::pair<std::string, std::string>> fields;
        std::vector<ProfileValue> profileValues;
    };

    static std::string Write(const FormModel& form, const ProfileStore& store,
                             const TrackerCapabilities& caps);
    // Parses and checks `text`: every key must name a setting, once; every value must pass the
    // form's own check for its field, in either profile. False with the reason otherwise.
    static bool Parse(const std::string& text, Contents& contents, std::string& error);
    // Puts one profile value into `store`.
    static void Apply(const ProfileValue& value, ProfileStore& store);
    // After the Read of the tracker: puts what the file (named `path` in the notes) holds into
    // the profile store and types it into `ui`'s controls, only the settings this tracker has.
    // `leftOutNote` names what the file holds and the tracker lacks, `keptNote` what stays as
    // read (each empty when nothing). False with `failure` when the file cannot apply (a
    // tracker of the other band): nothing has been changed then.
    static bool ApplyToTracker(const Contents& contents, const std::string& path,
                               DeviceContext& device, HeadlessForm& ui, std::string& failure,
                               std::string& leftOutNote, std::string& keptNote);
};

}  // namespace vanteo::cli

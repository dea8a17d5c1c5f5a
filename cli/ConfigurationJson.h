#pragma once

#include <string>
#include <utility>
#include <vector>

#include "device/FormModel.h"
#include "device/ProfileStore.h"

namespace vanteo::cli {

// The JSON form of a tracker's settings, written by 'read --json' and read by 'write --json':
//   {"profile": 1,
//    "fields": {"1001": "433.92", "1004": 0, ...},     every form field, keyed by identifier
//    "profiles": [{"path1": "WIDE1-1", ...}, {...}]}   both profile records
// Text fields are strings (one byte per character), numbers and check boxes are numbers.
class ConfigurationJson {
public:
    struct Contents {
        // KEY (identifier or label) and the value as it would be typed, in file order.
        std::vector<std::pair<std::string, std::string>> fields;
        // True when the file has a "profiles" array; `profiles` then holds the base records
        // with every member the file gives replaced.
        bool hasProfiles = false;
        ProfileStore profiles;
    };

    static std::string Write(const FormModel& form, const ProfileStore& store);
    // Parses `text`; `base` supplies the profile members the file leaves out. False with a
    // reason when the text is not such a JSON object.
    static bool Parse(const std::string& text, const ProfileStore& base, Contents& contents,
                      std::string& error);
};

}  // namespace vanteo::cli

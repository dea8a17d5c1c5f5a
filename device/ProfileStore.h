#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vanteo {

// One profile's position-reporting settings (the tracker switches profile on altitude).
struct ProfileSettings {
    std::string path1;  // 7 characters on the form
    std::string path2;
    std::string txMessage;  // up to 31 characters
    int disablePath1 = 0;
    int disablePath2 = 0;
    int altitudeSwitch = 0;            // switching on altitude enabled
    std::uint32_t switchAltitude = 0;  // metres
    int switchAbove = 0;  // 0: switch when below ('<'), 1: when above ('>'); store only
    std::uint32_t slowRate = 0;
    std::uint32_t slowSpeed = 0;
    std::uint32_t fastRate = 0;
    std::uint32_t fastSpeed = 0;
    std::uint32_t turnAngle = 0;
    std::uint32_t turnSlope = 0;
    std::uint32_t turnTime = 0;
};

// Both profiles; index 0 is "Profile 1", index 1 "Profile 2". currentProfile is the one the
// form's per-profile fields show.
struct ProfileStore {
    std::array<ProfileSettings, 2> profiles;
    int currentProfile = 0;
};

}  // namespace vanteo

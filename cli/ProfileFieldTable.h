#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "device/ProfileStore.h"

namespace vanteo::cli {

// One member of ProfileSettings, by the name the listings and the JSON files use, with the form
// control that shows it for the current profile (0 for switchAbove, which only the '<' button's
// caption shows). Exactly one of the member pointers is set.
struct ProfileFieldRow {
    const char* name;
    int formControl;
    std::string ProfileSettings::*text;
    int ProfileSettings::*flag;
    std::uint32_t ProfileSettings::*number;
};

// The fifteen members in record order.
std::span<const ProfileFieldRow> ProfileFieldTable();

// True for a form control that belongs to the current profile (paths, message, disable flags,
// altitude switch and the seven smart-beaconing values).
bool IsPerProfileControl(int controlId);

}  // namespace vanteo::cli

#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "device/FormModel.h"
#include "device/ProfileStore.h"

namespace vanteo {

// One member of ProfileSettings: the name the CLI's listings and JSON files use, the form control
// and FormModel member that show it for the current profile (0 and none for switchAbove, which
// only the '<' button's caption shows). Exactly one pair of member pointers is set, by type. The
// profile store's copies to and from the form (StoreFormInProfile, ShowProfile) follow it.
struct ProfileFieldRow {
    const char* name;
    int formControl;
    std::string ProfileSettings::*text;
    int ProfileSettings::*flag;
    std::uint32_t ProfileSettings::*number;
    std::string FormModel::*formText;
    std::int32_t FormModel::*formFlag;
    std::uint32_t FormModel::*formNumber;
};

// The fifteen members in record order.
std::span<const ProfileFieldRow> ProfileFieldTable();

// True for a form control that belongs to the current profile (paths, message, disable flags,
// altitude switch and the seven smart-beaconing values).
bool IsPerProfileControl(int controlId);

// Copies each member that the form shows from `profile` to `form`, or back.
void CopyProfileToForm(const ProfileSettings& profile, FormModel& form);
void CopyFormToProfile(const FormModel& form, ProfileSettings& profile);

}  // namespace vanteo

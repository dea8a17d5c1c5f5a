#include "device/ProfileFieldTable.h"

#include <algorithm>
#include <array>

#include "device/FieldTable.h"

namespace vanteo {
namespace {

using P = ProfileSettings;
using M = FormModel;

ProfileFieldRow Text(const char* name, int control, std::string P::*member,
                     std::string M::*formMember) {
    return {name, control, member, nullptr, nullptr, formMember, nullptr, nullptr};
}

ProfileFieldRow Flag(const char* name, int control, int P::*member, std::int32_t M::*formMember) {
    return {name, control, nullptr, member, nullptr, nullptr, formMember, nullptr};
}

ProfileFieldRow Number(const char* name, int control, std::uint32_t P::*member,
                       std::uint32_t M::*formMember) {
    return {name, control, nullptr, nullptr, member, nullptr, nullptr, formMember};
}

const std::array<ProfileFieldRow, 15> kRows = {{
    Text("path1", control::kPath1, &P::path1, &M::path1),
    Text("path2", control::kPath2, &P::path2, &M::path2),
    Text("txMessage", control::kTxMessage, &P::txMessage, &M::txMessage),
    Flag("disablePath1", control::kDisablePath1, &P::disablePath1, &M::disablePath1),
    Flag("disablePath2", control::kDisablePath2, &P::disablePath2, &M::disablePath2),
    Flag("altitudeSwitch", control::kAltitudeSwitch, &P::altitudeSwitch, &M::altitudeSwitch),
    Number("switchAltitude", control::kSwitchAltitude, &P::switchAltitude, &M::switchAltitude),
    Flag("switchAbove", 0, &P::switchAbove, nullptr),
    Number("slowRate", control::kSlowRate, &P::slowRate, &M::slowRate),
    Number("slowSpeed", control::kSlowSpeed, &P::slowSpeed, &M::slowSpeed),
    Number("fastRate", control::kFastRate, &P::fastRate, &M::fastRate),
    Number("fastSpeed", control::kFastSpeed, &P::fastSpeed, &M::fastSpeed),
    Number("turnAngle", control::kTurnAngle, &P::turnAngle, &M::turnAngle),
    Number("turnSlope", control::kTurnSlope, &P::turnSlope, &M::turnSlope),
    Number("turnTime", control::kTurnTime, &P::turnTime, &M::turnTime),
}};

}  // namespace

std::span<const ProfileFieldRow> ProfileFieldTable() {
    return kRows;
}

bool IsPerProfileControl(int controlId) {
    return controlId != 0 && std::any_of(kRows.begin(), kRows.end(), [controlId](const auto& row) {
               return row.formControl == controlId;
           });
}

void CopyProfileToForm(const ProfileSettings& profile, FormModel& form) {
    for (const ProfileFieldRow& row : kRows) {
        if (row.formText) {
            form.*row.formText = profile.*row.text;
        } else if (row.formFlag) {
            form.*row.formFlag = profile.*row.flag;
        } else if (row.formNumber) {
            form.*row.formNumber = profile.*row.number;
        }
    }
}

void CopyFormToProfile(const FormModel& form, ProfileSettings& profile) {
    for (const ProfileFieldRow& row : kRows) {
        if (row.formText) {
            profile.*row.text = form.*row.formText;
        } else if (row.formFlag) {
            profile.*row.flag = form.*row.formFlag;
        } else if (row.formNumber) {
            profile.*row.number = form.*row.formNumber;
        }
    }
}

}  // namespace vanteo

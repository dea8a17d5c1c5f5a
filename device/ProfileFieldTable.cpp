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

// Calls visit(profile member, form member) for each row the form shows.
template <typename Visit>
void ForEachFormMember(Visit visit) {
    for (const ProfileFieldRow& row : kRows) {
        if (row.formText) {
            visit(row.text, row.formText);
        } else if (row.formFlag) {
            visit(row.flag, row.formFlag);
        } else if (row.formNumber) {
            visit(row.number, row.formNumber);
        }
    }
}

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
    ForEachFormMember([&](auto member, auto formMember) { form.*formMember = profile.*member; });
}

void CopyFormToProfile(const FormModel& form, ProfileSettings& profile) {
    ForEachFormMember([&](auto member, auto formMember) { profile.*member = form.*formMember; });
}

}  // namespace vanteo

#include "cli/ProfileFieldTable.h"

#include <algorithm>
#include <array>

namespace vanteo::cli {
namespace {

using P = ProfileSettings;

const std::array<ProfileFieldRow, 15> kRows = {{
    {"path1", 1055, &P::path1, nullptr, nullptr},
    {"path2", 1056, &P::path2, nullptr, nullptr},
    {"txMessage", 1113, &P::txMessage, nullptr, nullptr},
    {"disablePath1", 1150, nullptr, &P::disablePath1, nullptr},
    {"disablePath2", 1151, nullptr, &P::disablePath2, nullptr},
    {"altitudeSwitch", 1172, nullptr, &P::altitudeSwitch, nullptr},
    {"switchAltitude", 1171, nullptr, nullptr, &P::switchAltitude},
    {"switchAbove", 0, nullptr, &P::switchAbove, nullptr},
    {"slowRate", 1008, nullptr, nullptr, &P::slowRate},
    {"slowSpeed", 1007, nullptr, nullptr, &P::slowSpeed},
    {"fastRate", 1013, nullptr, nullptr, &P::fastRate},
    {"fastSpeed", 1010, nullptr, nullptr, &P::fastSpeed},
    {"turnAngle", 1012, nullptr, nullptr, &P::turnAngle},
    {"turnSlope", 1009, nullptr, nullptr, &P::turnSlope},
    {"turnTime", 1021, nullptr, nullptr, &P::turnTime},
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

}  // namespace vanteo::cli

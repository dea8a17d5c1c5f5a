#pragma once

#include <ostream>
#include <vector>

#include "cli/CliCommands.h"

namespace vanteo::cli {

// `vanteo-cli ports`: one line per port ("NAME  DESCRIPTION  [USB 0403:6001, serial X]", and the
// owner when this user may not open it), or with `json` an array of objects with the keys name,
// description, usb_id, serial_number, owner, may_open and simulator.
void WritePortListing(std::ostream& out, const std::vector<PortListing>& ports, bool json);

}  // namespace vanteo::cli

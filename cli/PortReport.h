#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "serial/PortEnumerator.h"

namespace vanteo::cli {

// The ports as `ports` and `doctor` show them, from the system's list: the owner text, whether
// this user may open each one, and for a USB adapter whose latency timer is high the note that
// says so (the timer read below `sysfsRoot`, a folder of their own for the tests).
std::vector<PortListing> DescribePorts(const std::vector<PortInfo>& ports,
                                       const std::string& sysfsRoot = "/sys");

// `vanteo-cli ports`: one line per port ("NAME  DESCRIPTION  [USB 0403:6001, serial X]", and the
// owner when this user may not open it), or with `json` an array of objects with the keys name,
// description, usb_id, serial_number, owner, may_open and simulator.
void WritePortListing(std::ostream& out, const std::vector<PortListing>& ports, bool json);

}  // namespace vanteo::cli

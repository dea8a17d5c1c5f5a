#pragma once

#include <string>
#include <utility>
#include <vector>

#include "serial/PortDiagnosis.h"

namespace vanteo {

// One entry of the "COM port" list: the name to type into the field and open, and a text a user
// can recognise the port by.
struct PortInfo {
    PortInfo() = default;
    PortInfo(std::string portName, std::string portDescription)
        : name(std::move(portName)), description(std::move(portDescription)) {}

    std::string name;
    std::string description;
    std::string usbId;         // "0403:6001" (vendor:product, hexadecimal) for a USB adapter
    std::string serialNumber;  // the adapter's USB serial number, when it reports one
    bool simulator = false;    // a running vanteo-sim
    PortAccess access;         // owner, group, mode and whether this user may open it
};

// The port's description with its USB identity, and the owner when this user may not open it:
// "FT232R USB UART (FTDI), USB 0403:6001, serial A12345; this user may not open it
// (root:dialout crw-rw----)". The tooltip of the window's list.
std::string PortSummary(const PortInfo& port);

// The newest announcement file in `directory`, running or left behind by a simulator that was
// killed, as one line: "<file>: <port>, <description>, pid <pid> running|no longer running".
// Empty when there is none.
std::string NewestSimulatorAnnouncement(const std::string& directory);

// Every serial port the system reports plus every running tracker simulator, sorted by name as a
// sorted combo box sorts them: alphabetically, ignoring case, so "COM10" comes before "COM2".
// Reads the system's port list and the simulator announcements; call from any one thread.
std::vector<PortInfo> EnumeratePorts();

// Where a running vanteo-sim announces its port: "$XDG_RUNTIME_DIR/vanteo-sim", or
// "/tmp/vanteo-sim-<uid>" when XDG_RUNTIME_DIR is unset or empty. The simulator writes
// "<dir>/<pid>.port" holding the port path on line 1 and a readable description on line 2, and
// removes it when it stops.
std::string SimulatorAnnouncementDirectory();

// The announcements in `directory` whose process is still running and whose port still exists
// (stale files of simulators that were killed are skipped, not deleted). Unsorted.
std::vector<PortInfo> ReadSimulatorAnnouncements(const std::string& directory);

// Sorts `ports` in list order and drops later entries with a name already listed.
void SortPortList(std::vector<PortInfo>& ports);

}  // namespace vanteo

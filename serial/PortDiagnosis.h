#pragma once

#include <string>
#include <vector>

namespace vanteo {

// A process that has the port open, as the system's process table tells it.
struct PortHolder {
    long pid = 0;
    std::string command;  // the program's short name ("ModemManager", "minicom")
};

// What the system says about a port that would not open: gathered by InspectPortOpenFailure
// (the platform side), turned into words by ExplainPortOpenFailure (the same on every system).
struct PortOpenFacts {
    enum class Cause {
        missing,     // no such device: unplugged, or renamed when plugged in again
        permission,  // this user may not open it
        busy,        // another program holds it
        other,       // anything else: `systemMessage` says what
    };
    Cause cause = Cause::other;
    std::string path;           // the device file the port name leads to
    std::string systemMessage;  // the system's own words for the failure (strerror)

    // Owner and access of the device file (permission); empty names when unknown.
    std::string ownerName;
    std::string groupName;
    std::string modeText;            // "crw-rw----", as ls shows it
    bool groupMayReadWrite = false;  // the mode lets the owning group read and write
    bool groupIsRoot = false;        // owned by the superuser's group: joining it is no fix
    bool inGroupNow = false;         // this process already has the group
    bool listedInGroup = false;      // the group database lists the user (from the next login)

    // Who holds it (busy): the processes this user may see, and whether ModemManager runs.
    std::vector<PortHolder> holders;
    bool modemManagerRunning = false;
    std::string findHoldersCommand;  // a command that names the holders this user cannot see
};

// Who may use a port, for the port list and `vanteo-cli doctor`. Asks the system only; the port
// is not opened.
struct PortAccess {
    bool exists = false;
    std::string ownerName;
    std::string groupName;
    std::string modeText;  // "crw-rw----"
    bool mayOpen = false;  // this user may open it for reading and writing
};
PortAccess InspectPortAccess(const std::string& portName);

// The groups this process has, by name, and the user's name: what a new login would not change.
std::string CurrentUserName();
std::vector<std::string> CurrentGroupNames();
// Whether a ModemManager process runs (it probes new USB serial adapters and may hold them).
bool ModemManagerRunning();

// Looks at `portName` after the port refused to open, without changing anything: where the name
// leads, whether the file exists, the system's answer to an open for reading and writing (made
// and closed again at once, non-blocking, never as the controlling terminal), the file's owner,
// group and mode, this user's groups, and the processes that hold the device. `portError` is the
// port layer's own text, used when the system itself would open the device. Any thread.
PortOpenFacts InspectPortOpenFailure(const std::string& portName, const std::string& portError);

// The cause and the fix in a few lines for the person at the screen: the group to join and the
// command that joins it, the processes holding the port, the unplugged adapter, or the system's
// own words. Advice that cannot help (joining the superuser's group) is never given.
std::string ExplainPortOpenFailure(const PortOpenFacts& facts);

}  // namespace vanteo

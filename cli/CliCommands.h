#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliRequest.h"
#include "cli/ConsoleInteraction.h"
#include "flightlog/FlightLogOperations.h"

namespace vanteo::cli {

// A serial port as the port list describes it.
struct PortListing {
    std::string name;
    std::string description;
    std::string usbId;         // "0403:6001" (vendor:product) for a USB adapter, else empty
    std::string serialNumber;  // the adapter's USB serial number, when it has one
    std::string owner;         // "root:dialout crw-rw----" from the device file; empty if unknown
    bool mayOpen = true;       // this user may open it for reading and writing
    bool simulator = false;    // a running vanteo-sim
    // Set when the USB adapter's latency timer is high: what it costs and how to lower it.
    std::string latencyNote;
};

// The command layer of vanteo-cli: runs one parsed request against the form, the tracker
// records, the serial link and the flight-log state in `ctx`, through the same operations the
// window's buttons call. Results go to `out`, message boxes and the front end's own remarks to
// the console (the error stream). The caller owns everything; one request per object is the
// intended use, as one process runs one command.
class CliCommands {
public:
    using PortLister = std::function<std::vector<PortListing>()>;

    // Exit statuses.
    static constexpr int kDone = 0;
    static constexpr int kFailed = 1;
    static constexpr int kUsage = 2;

    CliCommands(FlightLogContext& ctx, ConsoleInteraction& console, std::ostream& out,
                PortLister portLister = {});

    // Where `doctor` gets the newest vanteo-sim announcement as one line (empty: none).
    void SetAnnouncementReader(std::function<std::string()> newestAnnouncement) {
        newestAnnouncement_ = std::move(newestAnnouncement);
    }

    // Runs the form's start-up (calibration mode as requested), takes the port into the form
    // and runs the command. Returns the exit status.
    int Run(const CliRequest& request);

private:
    int Identify();
    int Read(const CliRequest& request);
    int Write(const CliRequest& request);
    int SaveCfg(const CliRequest& request);
    int RestoreCfg(const CliRequest& request);
    int ReadFlash(const CliRequest& request);
    int ClearFlash(const CliRequest& request);
    int FlashTest(const CliRequest& request);
    int RunTransmitter();
    int Tone(const CliRequest& request);
    int Update(const CliRequest& request);
    int DevAddr(const CliRequest& request);
    int ValidateKml(const CliRequest& request);
    int FixKml(const CliRequest& request);
    int Flight(const CliRequest& request);
    int ExportFlight(const CliRequest& request);
    int Ports(bool json);
    int Doctor();
    int Listen(const CliRequest& request);

    // Prints the Messages field (when it holds anything) and maps `ok` to the exit status. After
    // a failure the line names it, never an earlier result such as the Read's "Read Complete".
    int Finish(bool ok);
    // The same for an operation that reports how it ended: only a completed one succeeds.
    int Finish(const OperationResult& result) {
        return Finish(result.outcome == Outcome::completed);
    }
    // Prints "COMMAND: text" on the console and returns kFailed.
    int Fail(const std::string& text);
    // False (the user told) while a flash worker runs.
    bool LinkFree();
    // The Read most commands begin with: kDone when it completed, else the exit status (the
    // Messages line printed).
    int ReadTrackerFirst();

    FlightLogContext& ctx_;
    DeviceContext& device_;
    ConsoleInteraction& console_;
    std::ostream& out_;
    PortLister portLister_;
    std::function<std::string()> newestAnnouncement_;
    std::string commandName_;
    // The Messages field as the command's last operation began (after the Read it starts with).
    std::string lineBefore_;
};

}  // namespace vanteo::cli

#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/UserInteraction.h"

namespace vanteo::cli {

enum class CliCommand {
    none,  // only global options (or --help) were given
    identify,
    read,
    write,
    saveCfg,
    restoreCfg,
    readFlash,
    clearFlash,
    flashTest,
    run,
    tone,
    update,
    devAddr,
    validateKml,
    fixKml,
    flight,
    exportFlight,
    ports,
    listen,
    doctor,
};

// One invocation of vanteo-cli, as the command line asked for it.
struct CliRequest {
    CliCommand command = CliCommand::none;
    std::string commandName;  // as typed, for messages
    bool help = false;        // --help: print the usage of the command (or of the program)
    bool version = false;     // --version: print the program's version

    std::string port;          // --port, else $VANTEO_PORT; empty when neither
    bool calibration = false;  // --calibration: the window's "-qrkvz" mode

    std::string file;        // save-cfg, restore-cfg, read-flash, validate-kml, fix-kml input
    std::string outputFile;  // fix-kml OUT, validate-kml -o OUT (empty: no new copy)
    std::string jsonFile;    // read --json, write --json
    int profile = 1;         // write --profile 1|2
    std::vector<std::pair<std::string, std::string>> settings;  // write --set KEY=VALUE, in order

    FlightDetails details;  // read-flash --name/--rocket/--date/--motor/--comments
    bool yes = false;       // clear-flash --yes, flash-test --yes
    bool toneOff = false;   // tone --off
    std::optional<std::string> serialNumber;      // update --serial, as typed
    std::optional<std::string> calibrationValue;  // update --cal, as typed
    int devAddr = 0;                              // devaddr 0|4
    bool json = false;                            // flight --json
    // export and read-flash --gpx / --csv / --kml22 (empty: not written); listen --csv: every
    // packet heard, as it arrives
    std::string gpxFile;
    std::string csvFile;
    std::string kml22File;

    // listen: one of the two sources, the station to keep (empty: all), output forms.
    std::string kissTcp;      // --kiss-tcp HOST:PORT
    std::string kissSerial;   // --kiss-serial DEV
    int baud = 0;             // --baud N, with --kiss-serial
    std::string station;      // --call CALL-SSID
    bool listenJson = false;  // --json: one JSON object per packet
    bool jsonOutput = false;  // ports --json
    // Where the listener stands: --from LAT,LON (degrees), else gpsd at --gpsd HOST:PORT
    // (empty: localhost:2947).
    std::optional<std::pair<double, double>> listenerPosition;
    std::string gpsd;

    // Commands that talk to a tracker need a port.
    bool NeedsPort() const;
    // Commands that exist in calibration mode only.
    bool NeedsCalibrationMode() const;
};

}  // namespace vanteo::cli

#include "cli/CommandLineParser.h"

#include <array>
#include <charconv>
#include <cmath>

namespace vanteo::cli {
namespace {

struct CommandInfo {
    CliCommand command;
    const char* name;
    const char* synopsis;
    const char* description;
};

constexpr auto kCommands = std::to_array<CommandInfo>({
    {CliCommand::identify, "identify", "identify",
     "Reads the tracker and prints its model, firmware version, serial number, battery voltage\n"
     "and time."},
    {CliCommand::read, "read", "read [--json FILE]",
     "Reads the tracker and prints every field of the form, one line each in form order, as\n"
     "\"ID Label: value\" (check boxes as 0 or 1), then both profile records.\n"
     "  --json FILE   also write the settings this tracker has (keyed by identifier), its\n"
     "                profile records, model and firmware as JSON"},
    {CliCommand::write, "write", "write [--profile 1|2] [--json FILE] [--set KEY=VALUE]...",
     "Reads the tracker, applies the settings (the file first, then each --set in order) as if\n"
     "typed into the form, and writes the configuration back.\n"
     "  --profile N     the profile (1 or 2) the per-profile fields address; default 1\n"
     "  --json FILE     settings from a file written by 'read --json'; only what it holds\n"
     "                  is changed, the rest is kept as on the tracker\n"
     "  --set KEY=VALUE KEY is a field's label as the form shows it (\"Frequency\", \"ID "
     "String\",\n"
     "                  \"Path 1\", \"Disable P2\", \"Store Intveral\") or its control identifier\n"
     "                  (1171); check boxes take 0 or 1. Repeatable.\n"
     "A value the form refuses stops the command before anything is sent."},
    {CliCommand::saveCfg, "save-cfg", "save-cfg FILE",
     "Reads the tracker, then saves its whole configuration memory to FILE (\"Save Cfg\")."},
    {CliCommand::restoreCfg, "restore-cfg", "restore-cfg FILE",
     "Reads the tracker, then writes the configuration memory saved in FILE back to it\n"
     "(\"Restore Cfg\"); the serial number and calibration block is never restored."},
    {CliCommand::readFlash, "read-flash",
     "read-flash FILE [--name T] [--rocket T] [--date T] [--motor T] [--comments T]\n"
     "             [--gpx OUT] [--csv OUT] [--kml22 OUT]",
     "Reads the tracker, then downloads the flight log into the KML file FILE. The details are\n"
     "written into the KML header (empty when not given). A progress bar is shown on a terminal.\n"
     "--gpx, --csv and --kml22 also write the flight as GPX 1.1, CSV or KML 2.2 (see export)."},
    {CliCommand::clearFlash, "clear-flash", "clear-flash --yes",
     "Erases the flight log on the tracker. Refused without --yes."},
    {CliCommand::flashTest, "flash-test", "flash-test --yes",
     "Writes a test pattern over the start of the tracker's flash, where the flight log begins,\n"
     "and reads it back (\"Flash Test\"). Refused without --yes: download the log first."},
    {CliCommand::run, "run", "run",
     "Starts a test transmission; the tracker transmits until its next command."},
    {CliCommand::tone, "tone", "tone [--off]",
     "Calibration mode only: switches the 1200 Hz test tone on (\"Send 1200\"), or off with "
     "--off."},
    {CliCommand::update, "update", "update [--serial N] [--cal N]",
     "Calibration mode only: reads the tracker, then writes the serial number (\"Ser#\") and the\n"
     "frequency calibration (the field before \"-->\", i.e. fcal plus the model's base) with the\n"
     "ID String (\"Update\"). Values not given keep what the tracker reported."},
    {CliCommand::devAddr, "devaddr", "devaddr 0|4",
     "Calibration mode only: writes the device-address byte (\"Dev0\" / \"Dev4\")."},
    {CliCommand::validateKml, "validate-kml", "validate-kml IN [-o OUT]",
     "Checks the data block of the KML file IN against its checksum; with -o writes a fresh KML\n"
     "file OUT from it. Exit status 1 when the checksum does not match."},
    {CliCommand::fixKml, "fix-kml", "fix-kml IN OUT",
     "Repairs the coordinates of the KML file IN line by line into OUT (\"Fix KML\")."},
    {CliCommand::flight, "flight", "flight FILE.kml [--json]",
     "Summarises the flights in the data block of a KML file: launch, apogee, rates, landing,\n"
     "distance and bearing from the pad. --json prints the summary as JSON for scripts."},
    {CliCommand::exportFlight, "export", "export FILE.kml [--gpx OUT] [--csv OUT] [--kml22 OUT]",
     "Writes the flight in the data block of a KML file as GPX 1.1 (--gpx), CSV with every\n"
     "decoded field (--csv) and KML 2.2 with a time-tagged track (--kml22)."},
    {CliCommand::ports, "ports", "ports [--json]",
     "Lists the serial ports: description, USB vendor:product and serial number, and whether\n"
     "this user may open each one.\n"
     "  --json   the list as a JSON array, for scripts"},
    {CliCommand::doctor, "doctor", "doctor",
     "Prints what helps when a port will not open, ready to paste into a question: the program\n"
     "and Qt versions, each port with its owner, group and permissions, this user's groups,\n"
     "whether ModemManager runs, the newest vanteo-sim announcement, and a USB adapter's\n"
     "latency timer when it is high enough to slow every reply."},
    {CliCommand::listen, "listen",
     "listen (--kiss-tcp HOST:PORT | --kiss-serial DEV --baud N) [--call CALL-SSID] [--json] "
     "[--csv OUT] [--gpx OUT] [--kml22 OUT] [--from LAT,LON | --gpsd HOST:PORT]",
     "Listens to the tracker's APRS beacons through a KISS TNC and prints one line per packet\n"
     "heard (time, the frame as monitored, the decoded position). Runs until Ctrl+C, then\n"
     "prints the last position heard. Reconnects by itself when the TNC goes away. Each\n"
     "position comes with the vertical speed and its distance and bearing from you.\n"
     "  --kiss-tcp HOST:PORT  a TNC's KISS TCP port (a software TNC serves localhost:8001)\n"
     "  --kiss-serial DEV     a KISS TNC on a serial or Bluetooth serial port, with --baud N\n"
     "  --call CALL-SSID      only packets from this station (default: all stations)\n"
     "  --json                one JSON object per packet instead of a line\n"
     "  --csv OUT             also write every packet to the CSV file OUT as it arrives\n"
     "  --gpx OUT, --kml22 OUT  also write the station's track as GPX 1.1 or KML 2.2, a\n"
     "                        complete file after every position\n"
     "  --from LAT,LON        your position in decimal degrees (40.8812,-119.0631)\n"
     "  --gpsd HOST:PORT      your position from this gpsd (default: localhost:2947)"},
});

// "LAT,LON" in decimal degrees, latitude -90 to 90, longitude -180 to 180.
std::optional<std::pair<double, double>> ParseLatitudeLongitude(const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) {
        return std::nullopt;
    }
    const auto number = [](const char* first, const char* last) -> std::optional<double> {
        double value = 0;
        const auto [end, problem] = std::from_chars(first, last, value);
        if (first == last || problem != std::errc() || end != last || !std::isfinite(value)) {
            return std::nullopt;
        }
        return value;
    };
    const auto latitude = number(text.data(), text.data() + comma);
    const auto longitude = number(text.data() + comma + 1, text.data() + text.size());
    if (!latitude || !longitude || std::fabs(*latitude) > 90 || std::fabs(*longitude) > 180) {
        return std::nullopt;
    }
    return std::make_pair(*latitude, *longitude);
}

const CommandInfo* FindCommand(const std::string& name) {
    for (const CommandInfo& info : kCommands) {
        if (name == info.name) {
            return &info;
        }
    }
    return nullptr;
}

const CommandInfo& InfoOf(CliCommand command) {
    for (const CommandInfo& info : kCommands) {
        if (info.command == command) {
            return info;
        }
    }
    return kCommands.front();
}

// Walks the arguments; options take their value from "--opt=value" or the next argument.
class ArgumentCursor {
public:
    explicit ArgumentCursor(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    bool AtEnd() const { return index_ >= arguments_.size(); }
    const std::string& Current() const { return arguments_[index_]; }
    void Next() { ++index_; }

    // When the current argument is `option` or "option=...": consumes it and its value.
    // Returns false when it is another argument; sets `error` when the value is missing.
    bool TakeValue(const std::string& option, std::string& value, std::string& error) {
        const std::string& argument = Current();
        if (argument.rfind(option + "=", 0) == 0) {
            value = argument.substr(option.size() + 1);
            Next();
            return true;
        }
        if (argument != option) {
            return false;
        }
        Next();
        if (AtEnd()) {
            error = option + " needs a value";
            return true;
        }
        value = Current();
        Next();
        return true;
    }

private:
    const std::vector<std::string>& arguments_;
    std::size_t index_ = 0;
};

bool IsOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

}  // namespace

bool CliRequest::NeedsPort() const {
    switch (command) {
        case CliCommand::identify:
        case CliCommand::read:
        case CliCommand::write:
        case CliCommand::saveCfg:
        case CliCommand::restoreCfg:
        case CliCommand::readFlash:
        case CliCommand::clearFlash:
        case CliCommand::flashTest:
        case CliCommand::run:
        case CliCommand::tone:
        case CliCommand::update:
        case CliCommand::devAddr:
            return true;
        default:
            return false;
    }
}

bool CliRequest::NeedsCalibrationMode() const {
    return command == CliCommand::tone || command == CliCommand::update ||
           command == CliCommand::devAddr;
}

CommandLineParser::Outcome CommandLineParser::Parse(const std::vector<std::string>& arguments,
                                                    const char* environmentPort) {
    Outcome outcome;
    CliRequest& request = outcome.request;
    std::string& error = outcome.error;
    std::vector<std::string> positional;
    bool portGiven = false;

    ArgumentCursor cursor(arguments);
    while (!cursor.AtEnd() && error.empty()) {
        const std::string argument = cursor.Current();
        std::string value;
        if (argument == "--help" || argument == "-h") {
            request.help = true;
            cursor.Next();
        } else if (argument == "--version") {
            request.version = true;
            cursor.Next();
        } else if (argument == "--calibration") {
            request.calibration = true;
            cursor.Next();
        } else if (cursor.TakeValue("--port", value, error)) {
            request.port = value;
            portGiven = true;
        } else if (!IsOption(argument) && request.command == CliCommand::none) {
            const CommandInfo* info = FindCommand(argument);
            if (info == nullptr) {
                error = "unknown command '" + argument + "'";
            } else {
                request.command = info->command;
                request.commandName = info->name;
            }
            cursor.Next();
        } else if (!IsOption(argument)) {
            positional.push_back(argument);
            cursor.Next();
        } else if (request.command == CliCommand::none) {
            error = "unknown option '" + argument + "'";
        } else {
            // Options of the command.
            const CliCommand command = request.command;
            auto takes = [&](CliCommand owner, const char* option, std::string& target) {
                return command == owner && cursor.TakeValue(option, target, error);
            };
            std::string profile;
            std::string setting;
            if (takes(CliCommand::read, "--json", request.jsonFile) ||
                takes(CliCommand::write, "--json", request.jsonFile) ||
                takes(CliCommand::readFlash, "--name", request.details.name) ||
                takes(CliCommand::readFlash, "--rocket", request.details.rocketName) ||
                takes(CliCommand::readFlash, "--date", request.details.date) ||
                takes(CliCommand::readFlash, "--motor", request.details.motor) ||
                takes(CliCommand::readFlash, "--comments", request.details.comments) ||
                takes(CliCommand::validateKml, "-o", request.outputFile) ||
                takes(CliCommand::readFlash, "--gpx", request.gpxFile) ||
                takes(CliCommand::readFlash, "--csv", request.csvFile) ||
                takes(CliCommand::readFlash, "--kml22", request.kml22File) ||
                takes(CliCommand::exportFlight, "--gpx", request.gpxFile) ||
                takes(CliCommand::exportFlight, "--csv", request.csvFile) ||
                takes(CliCommand::exportFlight, "--kml22", request.kml22File)) {
            } else if (takes(CliCommand::write, "--profile", profile)) {
                if (error.empty()) {
                    if (profile == "1" || profile == "2") {
                        request.profile = profile[0] - '0';
                    } else {
                        error = "--profile takes 1 or 2";
                    }
                }
            } else if (takes(CliCommand::write, "--set", setting)) {
                const std::size_t equals = setting.find('=');
                if (error.empty() && (equals == std::string::npos || equals == 0)) {
                    error = "--set takes KEY=VALUE";
                } else if (error.empty()) {
                    request.settings.emplace_back(setting.substr(0, equals),
                                                  setting.substr(equals + 1));
                }
            } else if (command == CliCommand::update &&
                       (argument == "--serial" || argument.rfind("--serial=", 0) == 0)) {
                std::string text;
                cursor.TakeValue("--serial", text, error);
                request.serialNumber = text;
            } else if (command == CliCommand::update &&
                       (argument == "--cal" || argument.rfind("--cal=", 0) == 0)) {
                std::string text;
                cursor.TakeValue("--cal", text, error);
                request.calibrationValue = text;
            } else if (takes(CliCommand::listen, "--kiss-tcp", request.kissTcp) ||
                       takes(CliCommand::listen, "--kiss-serial", request.kissSerial) ||
                       takes(CliCommand::listen, "--call", request.station) ||
                       takes(CliCommand::listen, "--csv", request.csvFile) ||
                       takes(CliCommand::listen, "--gpx", request.gpxFile) ||
                       takes(CliCommand::listen, "--kml22", request.kml22File) ||
                       takes(CliCommand::listen, "--gpsd", request.gpsd)) {
            } else if (takes(CliCommand::listen, "--from", setting)) {
                if (error.empty()) {
                    request.listenerPosition = ParseLatitudeLongitude(setting);
                    if (!request.listenerPosition) {
                        error = "--from takes LAT,LON in decimal degrees (40.8812,-119.0631)";
                    }
                }
            } else if (takes(CliCommand::listen, "--baud", setting)) {
                if (error.empty()) {
                    request.baud = 0;
                    for (const char c : setting) {
                        request.baud = (c >= '0' && c <= '9' && request.baud < 10000000)
                                           ? request.baud * 10 + (c - '0')
                                           : -1;
                        if (request.baud < 0) {
                            break;
                        }
                    }
                    if (request.baud <= 0) {
                        error = "--baud takes a positive number";
                    }
                }
            } else if (command == CliCommand::listen && argument == "--json") {
                request.listenJson = true;
                cursor.Next();
            } else if ((command == CliCommand::clearFlash || command == CliCommand::flashTest) &&
                       argument == "--yes") {
                request.yes = true;
                cursor.Next();
            } else if (command == CliCommand::flight && argument == "--json") {
                request.json = true;
                cursor.Next();
            } else if (command == CliCommand::ports && argument == "--json") {
                request.jsonOutput = true;
                cursor.Next();
            } else if (command == CliCommand::tone && argument == "--off") {
                request.toneOff = true;
                cursor.Next();
            } else {
                error = "unknown option '" + argument + "' for " + request.commandName;
            }
        }
    }
    if (!error.empty()) {
        return outcome;
    }
    if (request.help || request.version) {
        outcome.ok = true;
        return outcome;
    }
    if (request.command == CliCommand::none) {
        error = "no command given";
        return outcome;
    }

    // Positional arguments of each command.
    auto expect = [&](std::size_t count, const char* what) {
        if (positional.size() < count) {
            error = request.commandName + " needs " + what;
        } else if (positional.size() > count) {
            error = "unexpected argument '" + positional[count] + "' for " + request.commandName;
        }
        return error.empty();
    };
    switch (request.command) {
        case CliCommand::saveCfg:
        case CliCommand::restoreCfg:
        case CliCommand::readFlash:
        case CliCommand::validateKml:
        case CliCommand::flight:
        case CliCommand::exportFlight:
            if (expect(1, "a FILE")) {
                request.file = positional[0];
            }
            break;
        case CliCommand::fixKml:
            if (expect(2, "IN and OUT files")) {
                request.file = positional[0];
                request.outputFile = positional[1];
            }
            break;
        case CliCommand::devAddr:
            if (expect(1, "0 or 4")) {
                if (positional[0] == "0" || positional[0] == "4") {
                    request.devAddr = positional[0][0] - '0';
                } else {
                    error = "devaddr takes 0 or 4";
                }
            }
            break;
        default:
            expect(0, "");
            break;
    }
    if (error.empty() && request.command == CliCommand::update && !request.serialNumber &&
        !request.calibrationValue) {
        error = "update needs --serial N, --cal N or both";
    }
    if (error.empty() && request.command == CliCommand::exportFlight && request.gpxFile.empty() &&
        request.csvFile.empty() && request.kml22File.empty()) {
        error = "export needs --gpx OUT, --csv OUT or --kml22 OUT";
    }
    if (error.empty() && request.command == CliCommand::listen) {
        if (request.kissTcp.empty() == request.kissSerial.empty()) {
            error = "listen needs either --kiss-tcp HOST:PORT or --kiss-serial DEV";
        } else if (!request.kissSerial.empty() && request.baud == 0) {
            error = "--kiss-serial needs --baud N";
        } else if (!request.kissTcp.empty() && request.baud != 0) {
            error = "--baud goes with --kiss-serial";
        } else if (request.listenerPosition && !request.gpsd.empty()) {
            error = "--from and --gpsd both give your position: choose one";
        }
    }
    if (error.empty() && request.NeedsCalibrationMode() && !request.calibration) {
        error = request.commandName + " is a service command: it needs --calibration";
    }
    if (error.empty() && !portGiven && environmentPort != nullptr) {
        request.port = environmentPort;
    }
    if (error.empty() && request.NeedsPort() && request.port.empty()) {
        error = "no serial port: give --port NAME or set VANTEO_PORT";
    }
    outcome.ok = error.empty();
    return outcome;
}

std::string CommandLineParser::ProgramUsage() {
    std::string text =
        "Usage: vanteo-cli [--port NAME] [--calibration] COMMAND [OPTIONS]\n"
        "\n"
        "Configures a Vanteo GPS tracker and downloads its flight log over a serial port.\n"
        "  --port NAME     the serial port (default: the VANTEO_PORT environment variable)\n"
        "  --calibration   calibration mode, for the service commands tone, update, devaddr\n"
        "  --help          this text; 'vanteo-cli COMMAND --help' describes one command\n"
        "  --version       print the program's version\n"
        "\n"
        "Commands:\n";
    for (const CommandInfo& info : kCommands) {
        text += "  ";
        text += info.synopsis;
        text += "\n";
    }
    text +=
        "\n"
        "Message boxes are printed on stderr, the final Messages line on stdout.\n"
        "Exit status: 0 done, 1 failed or refused, 2 usage error.\n";
    return text;
}

std::string CommandLineParser::CommandUsage(CliCommand command) {
    if (command == CliCommand::none) {
        return ProgramUsage();
    }
    const CommandInfo& info = InfoOf(command);
    return std::string("Usage: vanteo-cli [--port NAME] [--calibration] ") + info.synopsis +
           "\n\n" + info.description + "\n";
}

}  // namespace vanteo::cli

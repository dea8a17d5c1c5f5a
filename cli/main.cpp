// vanteo-cli: the tracker's configuration, flight log and service commands from a shell.
// The commands live in vanteo_cli_lib; this file only wires the real serial port and the
// terminal to them.
#include <unistd.h>

#include <QCoreApplication>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "VanteoVersion.h"
#include "cli/CliCommands.h"
#include "cli/CommandLineParser.h"
#include "cli/ConsoleInteraction.h"
#include "cli/PortReport.h"
#include "device/FormModel.h"
#include "device/TrackerState.h"
#include "flightlog/FlightLogOperations.h"
#include "serial/Clock.h"
#include "serial/PortEnumerator.h"
#include "serial/QSerialPortTransport.h"
#include "serial/SerialLink.h"

int main(int argc, char* argv[]) {
    using namespace vanteo;
    // QSerialPort needs the application object; no event loop is run.
    QCoreApplication application(argc, argv);

    std::vector<std::string> arguments(argv + 1, argv + argc);
    const cli::CommandLineParser::Outcome parsed =
        cli::CommandLineParser::Parse(arguments, std::getenv("VANTEO_PORT"));
    if (!parsed.ok) {
        std::cerr << "vanteo-cli: " << parsed.error << "\n"
                  << "Try 'vanteo-cli --help'.\n";
        return cli::CliCommands::kUsage;
    }

    if (parsed.request.version && !parsed.request.help) {
        std::cout << "vanteo-cli " VANTEO_VERSION "\n";
        return cli::CliCommands::kDone;
    }

    SteadyClock clock;
    FormModel form = FormModel::Constructed();
    TrackerState tracker;
    FlightLogState log;
    cli::ConsoleInteraction console(form, std::cerr, clock, isatty(STDERR_FILENO) == 1);
    SerialLink link(console, clock,
                    [](const std::string&) { return std::make_unique<QSerialPortTransport>(); });
    DeviceContext device{form, tracker, link, console};
    FlightLogContext flightLog{device, log};

    cli::CliCommands commands(flightLog, console, std::cout,
                              [] { return cli::DescribePorts(EnumeratePorts()); });
    cli::InstallStopSignalHandlers();
    commands.SetAnnouncementReader(
        [] { return NewestSimulatorAnnouncement(SimulatorAnnouncementDirectory()); });
    const int status = commands.Run(parsed.request);
    std::cout.flush();
    if (const int signal = cli::StopSignal(); signal != 0) {
        return 128 + signal;  // as a shell reports a command ended by the signal
    }
    return status;
}

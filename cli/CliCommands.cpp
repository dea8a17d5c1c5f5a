#include "cli/CliCommands.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>
#include <fstream>
#include <sstream>

#include "aprs/GpsdClient.h"
#include "aprs/KissReceiver.h"
#include "aprs/KissSerialSource.h"
#include "aprs/KissTcpSource.h"
#include "cli/CommandLineParser.h"
#include "cli/ConfigurationJson.h"
#include "cli/FieldListing.h"
#include "cli/FormSettings.h"
#include "cli/PacketPrinter.h"
#include "cli/PortReport.h"
#include "device/AtomicFileWriter.h"
#include "device/ConfigFile.h"
#include "device/FieldTable.h"
#include "device/InputFile.h"
#include "device/Operations.h"
#include "device/ProfileFieldTable.h"
#include "flightlog/FlightExports.h"
#include "flightlog/FlightLogSource.h"
#include "flightlog/FlightReport.h"

namespace vanteo::cli {
namespace {

// The window's command-line switch for calibration mode.
constexpr const char* kCalibrationSwitch = "-qrkvz";
constexpr const char* kSerialNumberKey = "1035";      // "Ser#"
constexpr const char* kCalibrationFieldKey = "1183";  // the field before "-->"

// A settings file of every field of both profiles is a few KB.
constexpr std::size_t kMaxSettingsFileBytes = 1024 * 1024;

// The whole input file, or the reason it was not read ("cannot read FILE: it is a folder, ...").
std::string ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& text) {
    const InputFileStatus status = ReadInputFile(path, maxBytes, text);
    return status == InputFileStatus::ok
               ? std::string()
               : "cannot read " + path + ": " + InputFileProblem(status, maxBytes);
}

// A KML file does not say how often its tracker stored a fix; a log without times is shown one
// second a point, and the summary says the times come from that interval.
constexpr double kFileStoreIntervalS = 1;

// The flight in the KML file at `path`, decoded and analysed. False (the user told why) when the
// file cannot be read or holds no flight log.
bool ReadFlightFile(ConsoleInteraction& console, const std::string& path, DecodedLog& log,
                    FlightAnalysis& analysis) {
    console.SetOpenFileAnswer(path);
    FlightLogSource source;
    if (!AskAndReadFlightLog(console, source)) {
        return false;
    }
    log = DecodeLog(source.image, source.layout);
    analysis = AnalyseFlights(log, kFileStoreIntervalS);
    return true;
}

FlightExportPaths ExportPaths(const CliRequest& request) {
    return {request.gpxFile, request.csvFile, request.kml22File};
}

}  // namespace

CliCommands::CliCommands(FlightLogContext& ctx, ConsoleInteraction& console, std::ostream& out,
                         PortLister portLister)
    : ctx_(ctx),
      device_(ctx.device),
      console_(console),
      out_(out),
      portLister_(std::move(portLister)) {}

int CliCommands::Run(const CliRequest& request) {
    if (request.help) {
        out_ << CommandLineParser::CommandUsage(request.command);
        return kDone;
    }
    commandName_ = request.commandName;
    if (request.command == CliCommand::listen) {
        return Listen(request);  // no tracker on the line: the form is not needed
    }
    RunFormStartUp(device_, request.calibration ? kCalibrationSwitch : "");
    // The port as if chosen in the "COM port" box: in the field and in the control, so that
    // operations that take the form in and those that use the field agree.
    device_.form.comPort = request.port;
    console_.ShowForm();
    lineBefore_ = device_.form.messages;

    switch (request.command) {
        case CliCommand::identify:
            return Identify();
        case CliCommand::read:
            return Read(request);
        case CliCommand::write:
            return Write(request);
        case CliCommand::saveCfg:
            return SaveCfg(request);
        case CliCommand::restoreCfg:
            return RestoreCfg(request);
        case CliCommand::readFlash:
            return ReadFlash(request);
        case CliCommand::clearFlash:
            return ClearFlash(request);
        case CliCommand::flashTest:
            return FlashTest(request);
        case CliCommand::run:
            return RunTransmitter();
        case CliCommand::tone:
            return Tone(request);
        case CliCommand::update:
            return Update(request);
        case CliCommand::devAddr:
            return DevAddr(request);
        case CliCommand::validateKml:
            return ValidateKml(request);
        case CliCommand::fixKml:
            return FixKml(request);
        case CliCommand::flight:
            return Flight(request);
        case CliCommand::exportFlight:
            return ExportFlight(request);
        case CliCommand::ports:
            return Ports(request.jsonOutput);
        case CliCommand::listen:
            return Listen(request);
        case CliCommand::doctor:
            return Doctor();
        case CliCommand::none:
            break;
    }
    out_ << CommandLineParser::ProgramUsage();
    return kUsage;
}

int CliCommands::Finish(bool ok) {
    if (!ok) {
        SetStopLine(device_.form, lineBefore_, commandName_);
    }
    const std::string& messages = device_.form.messages;
    if (!messages.empty()) {
        out_ << messages;
        if (messages.back() != '\n') {
            out_ << '\n';
        }
    }
    out_.flush();
    return ok ? kDone : kFailed;
}

int CliCommands::Fail(const std::string& text) {
    console_.Note(commandName_ + ": " + text);
    return kFailed;
}

bool CliCommands::LinkFree() {
    return !RefuseWhileFlashBusy(ctx_);
}

int CliCommands::ReadTrackerFirst() {
    if (!LinkFree()) {
        return kFailed;
    }
    if (const OperationResult read = OnRead(device_); read.outcome != Outcome::completed) {
        return Finish(read);
    }
    lineBefore_ = device_.form.messages;
    return kDone;
}

int CliCommands::Identify() {
    if (const int status = ReadTrackerFirst(); status != kDone) {
        return status;
    }
    const FormModel& form = device_.form;
    for (const std::string* text :
         {&form.modelStatus, &form.versionStatus, &form.serialNumberStatus, &form.batteryStatus,
          &form.timeStatus}) {
        out_ << FieldListing::Escape(*text, false) << '\n';
    }
    return Finish(true);
}

int CliCommands::Read(const CliRequest& request) {
    if (const int status = ReadTrackerFirst(); status != kDone) {
        return status;
    }
    // The Messages field ("Read Complete") is one of the listed fields.
    out_ << FieldListing::FieldLines(console_)
         << FieldListing::ProfileLines(device_.tracker.profileStore);
    out_.flush();
    if (!request.jsonFile.empty()) {
        AtomicFileWriter writer(request.jsonFile);
        if (!writer.Open() ||
            !writer.Write(ConfigurationJson::Write(device_.form, device_.tracker.profileStore,
                                                   device_.tracker.capabilities)) ||
            !writer.Commit()) {
            return Fail("cannot write " + request.jsonFile);
        }
    }
    return kDone;
}

int CliCommands::Write(const CliRequest& request) {
    // A settings file that cannot be used stops the command before the tracker is touched.
    std::string jsonText;
    ConfigurationJson::Contents contents;
    if (!request.jsonFile.empty()) {
        std::string error;
        if (const std::string failure =
                ReadWholeFile(request.jsonFile, kMaxSettingsFileBytes, jsonText);
            !failure.empty()) {
            return Fail(failure + "; nothing was written");
        }
        if (!ConfigurationJson::Parse(jsonText, contents, error)) {
            return Fail(request.jsonFile + ": " + error + "; nothing was written");
        }
    }
    for (const auto& [key, value] : request.settings) {
        bool skip = false;
        const std::string reason =
            FormSettings::Check(key, value, FormSettings::Source::commandLine, skip);
        if (!reason.empty()) {
            return Fail("--set " + key + "=" + value + ": " + reason + "; nothing was written");
        }
    }
    if (const int status = ReadTrackerFirst(); status != kDone) {
        return status;
    }

    ProfileStore& store = device_.tracker.profileStore;
    if (request.profile == 2 && store.currentProfile != 1) {
        if (!device_.tracker.capabilities.twoProfiles) {
            return Fail("this tracker has one profile: --profile 2 refused; nothing was written");
        }
        OnProfile2Clicked(device_);
        // A refused click leaves the form on Profile 1: writing now would put the values meant
        // for Profile 2 into Profile 1.
        if (store.currentProfile != 1) {
            return Fail(
                "the form did not switch to Profile 2 (see the message above); "
                "nothing was written");
        }
    }

    FormSettings settings(console_);
    std::string keptNote;
    if (!request.jsonFile.empty()) {
        std::string failure;
        std::string leftOutNote;
        if (!ConfigurationJson::ApplyToTracker(contents, request.jsonFile, device_, console_,
                                               failure, leftOutNote, keptNote)) {
            return Fail(request.jsonFile + ": " + failure + "; nothing was written");
        }
        if (!leftOutNote.empty()) {
            console_.Note(leftOutNote);
        }
    }
    for (const auto& [key, value] : request.settings) {
        std::string note;
        const std::string failure =
            settings.Apply(key, value, FormSettings::Source::commandLine, note);
        if (!note.empty()) {
            console_.Note(note);
        }
        if (!failure.empty()) {
            return Fail("--set " + key + "=" + value + ": " + failure + "; nothing was written");
        }
    }
    // All values are typed; the form takes them in as when the user presses a button. The
    // Write would go on past a refused field; the CLI does not send a configuration the form
    // itself refuses.
    const std::string failure = settings.CheckForm();
    if (!failure.empty()) {
        return Fail(failure + "; correct it with --set; nothing was written");
    }
    const OperationResult written = OnWrite(device_);
    if (written.outcome == Outcome::completed && !keptNote.empty()) {
        console_.Note(keptNote);
    }
    return Finish(written);
}

int CliCommands::SaveCfg(const CliRequest& request) {
    if (const int status = ReadTrackerFirst(); status != kDone) {
        return status;
    }
    console_.SetSaveFileAnswer(request.file);
    return Finish(OnSaveCfg(device_));
}

int CliCommands::RestoreCfg(const CliRequest& request) {
    std::string text;
    if (const std::string failure = ReadWholeFile(request.file, kMaxConfigFileBytes, text);
        !failure.empty()) {
        return Fail(failure + "; nothing was written");
    }
    if (const int status = ReadTrackerFirst(); status != kDone) {
        return status;
    }
    console_.SetOpenFileAnswer(request.file);
    return Finish(OnRestoreCfg(device_));
}

int CliCommands::ReadFlash(const CliRequest& request) {
    // The Read tells what the tracker can do and sets "Compress Data" and "Store HM".
    if (const int status = ReadTrackerFirst(); status != kDone) {
        return status;
    }
    console_.SetFlightDetailsAnswer(request.details);
    console_.SetSaveFileAnswer(request.file);
    const OperationResult started = OnReadFlash(ctx_);
    const OperationResult done = started ? WaitForFlashWorker(ctx_) : started;
    const FlightExportPaths paths = ExportPaths(request);
    if (!done || !paths.Any()) {
        return Finish(done);
    }
    // The exports are decoded as the KML file was written, spaced by the tracker's own interval
    // where the log holds no time.
    const FlightLogSource source = FlightLogFromDownload(ctx_);
    const DecodedLog log = DecodeLog(source.image, source.layout);
    const FlightAnalysis analysis = AnalyseFlights(log, device_.form.storeInterval);
    return Finish(WriteFlightExports(console_, log, analysis, paths));
}

int CliCommands::ClearFlash(const CliRequest& request) {
    if (!LinkFree()) {
        return kFailed;
    }
    console_.SetClearFlashConfirmed(request.yes);
    const OperationResult started = OnClearFlash(ctx_);
    const OperationResult done = started ? WaitForFlashWorker(ctx_) : started;
    if (started.outcome == Outcome::cancelled) {
        return Fail("not confirmed: add --yes to erase the flight log");
    }
    return Finish(done);
}

int CliCommands::FlashTest(const CliRequest& request) {
    if (!LinkFree()) {
        return kFailed;
    }
    console_.SetFlashTestConfirmed(request.yes);
    const OperationResult passed = OnFlashTest(ctx_);
    if (!request.yes) {
        return Fail(
            "not confirmed: the test pattern overwrites the start of the flight log; download it "
            "first (read-flash), then add --yes");
    }
    return Finish(passed);
}

int CliCommands::RunTransmitter() {
    if (!LinkFree()) {
        return kFailed;
    }
    return Finish(OnRun(device_));
}

int CliCommands::Tone(const CliRequest& request) {
    if (!LinkFree()) {
        return kFailed;
    }
    // A new process does not know the tone is on; --off stands for the second press.
    device_.tracker.toneOn = request.toneOff;
    return Finish(OnSend1200(device_));
}

int CliCommands::Update(const CliRequest& request) {
    // The Read gives the model's calibration base and the ID String the block carries.
    if (const int status = ReadTrackerFirst(); status != kDone) {
        return status;
    }
    FormSettings settings(console_);
    const std::pair<const char*, const std::optional<std::string>*> values[] = {
        {kSerialNumberKey, &request.serialNumber},
        {kCalibrationFieldKey, &request.calibrationValue},
    };
    for (const auto& [key, value] : values) {
        if (!value->has_value()) {
            continue;
        }
        std::string note;
        settings.Apply(key, **value, FormSettings::Source::commandLine, note);
    }
    const std::string failure = settings.CheckForm();
    if (!failure.empty()) {
        return Fail(failure + "; nothing was written");
    }
    return Finish(OnUpdate(device_));
}

int CliCommands::DevAddr(const CliRequest& request) {
    if (!LinkFree()) {
        return kFailed;
    }
    // Dev0 and Dev4 use the link as they find it; a new process has to open it first.
    if (!device_.link.OpenPort(device_.form.comPort)) {
        return Finish(false);
    }
    return Finish(request.devAddr == 0 ? OnDev0(device_) : OnDev4(device_));
}

int CliCommands::ValidateKml(const CliRequest& request) {
    if (!LinkFree()) {
        return kFailed;
    }
    console_.SetOpenFileAnswer(request.file);
    // Without -o the save dialog is cancelled: the check only.
    console_.SetSaveFileAnswer(
        request.outputFile.empty() ? std::nullopt : std::optional<std::string>(request.outputFile));
    const ValidationResult result = OnValidateKml(ctx_);
    const bool ok = result.outcome == Outcome::completed;
    if (ok && !result.checksumMatched) {
        console_.Note(commandName_ + ": the data block does not match its checksum");
    }
    // Without -o the check is the whole job: the cancelled save dialog is its normal end.
    const bool checkOnly = request.outputFile.empty() && result.outcome == Outcome::cancelled;
    return Finish(result.checksumMatched && result.missingKeywords == 0 && (ok || checkOnly));
}

int CliCommands::FixKml(const CliRequest& request) {
    if (!LinkFree()) {
        return kFailed;
    }
    console_.SetOpenFileAnswer(request.file);
    console_.SetSaveFileAnswer(request.outputFile);
    return Finish(OnFixKml(ctx_));
}

int CliCommands::Flight(const CliRequest& request) {
    DecodedLog log;
    FlightAnalysis analysis;
    if (!ReadFlightFile(console_, request.file, log, analysis)) {
        return kFailed;
    }
    out_ << (request.json ? FlightSummaryJson(log, analysis) : FlightSummaryText(log, analysis));
    out_.flush();
    return kDone;
}

int CliCommands::ExportFlight(const CliRequest& request) {
    DecodedLog log;
    FlightAnalysis analysis;
    if (!ReadFlightFile(console_, request.file, log, analysis)) {
        return kFailed;
    }
    return WriteFlightExports(console_, log, analysis, ExportPaths(request)) ? kDone : kFailed;
}

int CliCommands::Ports(bool json) {
    if (!portLister_) {
        return Fail("listing ports is not available");
    }
    const std::vector<PortListing> ports = portLister_();
    if (ports.empty() && !json) {
        console_.Note("no serial ports found");
    }
    WritePortListing(out_, ports, json);
    out_.flush();
    return kDone;
}

namespace {

volatile std::sig_atomic_t listenStopRequested = 0;

extern "C" void RequestListenStop(int) {
    listenStopRequested = 1;
}

// Now as UTC seconds since the epoch with their fraction: the time vertical speeds are taken on.
double UtcNowS() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int CliCommands::Listen(const CliRequest& request) {
    std::optional<aprs::Ax25Address> station;
    if (!request.station.empty()) {
        station = aprs::ParseAx25Address(request.station);
        if (!station) {
            console_.Note("listen: \"" + request.station +
                          "\" is not a callsign with an SSID from 0 to 15 (N0CALL-7)");
            return kUsage;
        }
    }
    std::unique_ptr<aprs::KissByteSource> source;
    if (!request.kissTcp.empty()) {
        std::string host;
        int port = 0;
        if (!aprs::KissTcpSource::ParseHostPort(request.kissTcp, host, port)) {
            console_.Note("listen: \"" + request.kissTcp + "\" is not HOST:PORT");
            return kUsage;
        }
        source = std::make_unique<aprs::KissTcpSource>(host, port);
    } else {
        source = std::make_unique<aprs::KissSerialSource>(request.kissSerial, request.baud);
    }
    PacketPrinter printer(out_, request.listenJson);
    if (!request.csvFile.empty() && !printer.OpenCsv(request.csvFile)) {
        return Fail("cannot write " + request.csvFile);
    }
    std::string trackError;
    if (!printer.OpenTracks(request.gpxFile, request.kml22File,
                            station ? std::optional(station->ToString()) : std::nullopt,
                            trackError)) {
        return Fail(trackError);
    }
    printer.SetNote([&](const std::string& note) { console_.Note(note); });

    // Where the listener stands: typed, else from gpsd, whose trouble is told once, when a
    // position arrives without one of the listener's after gpsd was tried (before that there
    // is nothing to measure, or nothing known yet).
    std::unique_ptr<aprs::GpsdClient> gpsd;
    bool gpsdProblemTold = false;
    if (request.listenerPosition) {
        const aprs::ListenerPosition typed{request.listenerPosition->first,
                                           request.listenerPosition->second};
        printer.SetListener([typed] { return std::optional(typed); });
    } else {
        std::string host = "localhost";
        int port = aprs::GpsdClient::kDefaultPort;
        if (request.gpsd.find(':') != std::string::npos) {
            if (!aprs::KissTcpSource::ParseHostPort(request.gpsd, host, port)) {
                console_.Note("listen: \"" + request.gpsd + "\" is not HOST:PORT");
                return kUsage;
            }
        } else if (!request.gpsd.empty()) {
            host = request.gpsd;  // gpsd's own port
        }
        gpsd = std::make_unique<aprs::GpsdClient>(host, port);
        gpsd->Start();
        printer.SetListener([&gpsd] { return gpsd->Position(); });
    }
    const auto tellGpsdProblem = [&] {
        if (gpsd && !gpsdProblemTold && gpsd->HasTried() && !gpsd->Position()) {
            console_.Note(gpsd->Problem() +
                          ": no distance and bearing from you until it has a fix (--from "
                          "LAT,LON gives your position).");
            gpsdProblemTold = true;
        }
    };

    // Ctrl+C ends the listening, not the process: the summary is still printed.
    listenStopRequested = 0;
    struct sigaction action {};
    action.sa_handler = RequestListenStop;
    sigemptyset(&action.sa_mask);
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);

    SteadyClock clock;
    aprs::KissReceiver receiver(*source, clock);
    receiver.SetStation(station);
    receiver.Run({[] { return listenStopRequested != 0; },
                  [&](const aprs::HeardPacket& packet) {
                      if (packet.report.HasPosition()) {
                          tellGpsdProblem();
                      }
                      printer.Print(packet, std::time(nullptr), UtcNowS());
                  },
                  [&](const std::string& message) { console_.Note(message); }});
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);

    out_ << printer.Summary(UtcNowS()) << std::endl;
    if (gpsd) {
        gpsd->Stop();
    }
    const auto& kiss = receiver.Decoder().KissStats();
    const long bad = receiver.Decoder().BadFrames() + kiss.badEscapes + kiss.oversizeFrames;
    if (bad > 0) {
        console_.Note(std::to_string(bad) + " bad frame(s) skipped (last: " +
                      (receiver.Decoder().LastError().empty() ? std::string("KISS framing")
                                                              : receiver.Decoder().LastError()) +
                      ")");
    }
    if (printer.CsvFailed()) {
        return Fail("writing " + request.csvFile + " failed");
    }
    if (!printer.TrackError().empty()) {
        return Fail(printer.TrackError());
    }
    return kDone;
}

}  // namespace vanteo::cli

#include "cli/CliCommands.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "cli/CommandLineParser.h"
#include "cli/ConfigurationJson.h"
#include "cli/FieldListing.h"
#include "cli/FormSettings.h"
#include "cli/PortReport.h"
#include "cli/ProfileFieldTable.h"
#include "device/AtomicFileWriter.h"
#include "device/FieldTable.h"
#include "device/Operations.h"

namespace vanteo::cli {
namespace {

// The window's command-line switch for calibration mode.
constexpr const char* kCalibrationSwitch = "-qrkvz";
constexpr const char* kSerialNumberKey = "1035";      // "Ser#"
constexpr const char* kCalibrationFieldKey = "1183";  // the field before "-->"
// What "Validate KML" says when the data block matches its checksum.
constexpr const char* kIntegrityValidated = "Datafile integrity validated";

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    text = contents.str();
    return !file.bad();
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
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
    RunFormStartUp(device_, request.calibration ? kCalibrationSwitch : "");
    // The port as if chosen in the "COM port" box: in the field and in the control, so that
    // operations that take the form in and those that use the field agree.
    device_.form.comPort = request.port;
    console_.ShowForm();

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
            return FlashTest();
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
        case CliCommand::ports:
            return Ports(request.jsonOutput);
        case CliCommand::doctor:
            return Doctor();
        case CliCommand::none:
            break;
    }
    out_ << CommandLineParser::ProgramUsage();
    return kUsage;
}

int CliCommands::Finish(bool ok) {
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
    return OnRead(device_) ? kDone : Finish(false);
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
            !writer.Write(ConfigurationJson::Write(device_.form, device_.tracker.profileStore)) ||
            !writer.Commit()) {
            return Fail("cannot write " + request.jsonFile);
        }
    }
    return kDone;
}

int CliCommands::Write(const CliRequest& request) {
    // A settings file that cannot be used stops the command before the tracker is touched.
    std::string jsonText;
    if (!request.jsonFile.empty()) {
        ConfigurationJson::Contents probe;
        std::string error;
        if (!ReadWholeFile(request.jsonFile, jsonText)) {
            return Fail("cannot read " + request.jsonFile);
        }
        if (!ConfigurationJson::Parse(jsonText, device_.tracker.profileStore, probe, error)) {
            return Fail(request.jsonFile + ": " + error);
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
    if (!jsonText.empty()) {
        ConfigurationJson::Contents contents;
        std::string error;
        ConfigurationJson::Parse(jsonText, store, contents, error);
        if (contents.hasProfiles) {
            // Both records as the file has them; the form then shows the current one.
            const int current = store.currentProfile;
            store.profiles = contents.profiles.profiles;
            ShowProfile(device_, current);
            console_.ShowForm();
            console_.SetControlCaption(
                control::kCompareButton,
                store.profiles[static_cast<std::size_t>(current)].switchAbove ? ">" : "<");
        }
        for (const auto& [key, value] : contents.fields) {
            const FieldRow* row = FormSettings::Resolve(key);
            if (contents.hasProfiles && row != nullptr && IsPerProfileControl(row->id)) {
                continue;  // taken from the profile records above
            }
            std::string note;
            const std::string failure =
                settings.Apply(key, value, FormSettings::Source::file, note);
            if (!failure.empty()) {
                return Fail(request.jsonFile + ": field " + key + ": " + failure +
                            "; nothing was written");
            }
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
    return Finish(OnWrite(device_));
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
    if (!ReadWholeFile(request.file, text)) {
        return Fail("cannot read " + request.file);
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
    const bool started = OnReadFlash(ctx_);
    const bool done = started && WaitForFlashWorker(ctx_);
    return Finish(done);
}

int CliCommands::ClearFlash(const CliRequest& request) {
    if (!LinkFree()) {
        return kFailed;
    }
    console_.SetClearFlashConfirmed(request.yes);
    const bool started = OnClearFlash(ctx_);
    const bool done = started && WaitForFlashWorker(ctx_);
    if (!request.yes) {
        return Fail("not confirmed: add --yes to erase the flight log");
    }
    return Finish(done);
}

int CliCommands::FlashTest() {
    if (!LinkFree()) {
        return kFailed;
    }
    return Finish(OnFlashTest(ctx_));
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
    const bool ok = OnValidateKml(ctx_);
    const std::vector<std::string> messages = console_.MessagesShown();
    const bool intact = std::any_of(messages.begin(), messages.end(), [](const auto& text) {
        return StartsWith(text, kIntegrityValidated);
    });
    const bool keywordError = std::any_of(messages.begin(), messages.end(), [](const auto& text) {
        return StartsWith(text, "Error");
    });
    if (ok && !intact) {
        console_.Note(commandName_ + ": the data block does not match its checksum");
    }
    return Finish(intact && !keywordError && (ok || request.outputFile.empty()));
}

int CliCommands::FixKml(const CliRequest& request) {
    if (!LinkFree()) {
        return kFailed;
    }
    console_.SetOpenFileAnswer(request.file);
    console_.SetSaveFileAnswer(request.outputFile);
    return Finish(OnFixKml(ctx_));
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

}  // namespace vanteo::cli

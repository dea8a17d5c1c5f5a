#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "flightlog/DataBlock.h"
#include "flightlog/DataBlockReader.h"
#include "flightlog/FlightLogOperations.h"
#include "flightlog/KmlWriter.h"
#include "flightlog/TextFile.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

constexpr const char* kDefaultFlightName = "10";

// Reports a keyword line. False when the file ended before it (validation stops).
bool CheckKeywordLine(UserInteraction& ui, const DataBlockKeywordLine& line, const char* keyword,
                      const std::string& missingMessage) {
    if (!line.reached) {
        ui.ShowMessage(
            FormatC("The file ends before the %s line of its data block: it cannot be "
                    "validated and no new copy is written",
                    keyword));
        return false;
    }
    if (!line.keywordMatched) {
        ui.ShowMessage(missingMessage);
    }
    return true;
}

}  // namespace

bool OnValidateKml(FlightLogContext& ctx) {
    if (RefuseWhileFlashBusy(ctx)) {
        return false;
    }
    UserInteraction& ui = ctx.device.ui;
    TrackerCapabilities& caps = ctx.device.tracker.capabilities;
    FormModel& form = ctx.device.form;

    ctx.log.flightDetails.name = kDefaultFlightName;
    caps.compressCapable = true;

    std::string text;
    if (!AskAndReadKmlFile(ui, text)) {
        return false;
    }

    // Read into a scratch image so a file that turns out unusable leaves the log as it was.
    std::vector<std::uint32_t> values(FlightLogState::kLogImageSize, 0);
    const DataBlockContents block = ReadDataBlock(text, values);
    if (!block.dataKeywordFound) {
        ui.ShowMessage(
            "The file holds no KVTDATA keyword: it carries no flight-log data block, "
            "so it cannot be validated");
        return false;
    }
    if (!block.endKeywordFound) {
        ui.ShowMessage(
            "The file ends before the KVTENDDATA keyword: its data block is "
            "incomplete, so it cannot be validated");
        return false;
    }
    if (block.truncated) {
        ui.ShowMessage(
            FormatC("The data block holds more than %zu values; only the first %zu "
                    "were read",
                    FlightLogState::kLogImageSize, FlightLogState::kLogImageSize));
    }
    ui.ShowMessage(FormatC("%d bytes read\n", static_cast<int>(block.count)));

    if (!CheckKeywordLine(ui, block.checksum, "KVTCHECKSUM", "Error KVTCHECKSUM Expected") ||
        !CheckKeywordLine(ui, block.compress, "KVTCOMPRESS", "Error KVTCOMPRESS Expected")) {
        return false;
    }
    if (!block.hoursMinutes.reached) {
        CheckKeywordLine(ui, block.hoursMinutes, "KVTHRSMINS", "");
        return false;
    }
    if (!block.hoursMinutes.keywordMatched) {
        // Without it the decoding settings are unknown: validation ends here.
        ui.ShowMessage("Error KVTHRSMINS Expected");
        return false;
    }
    if (!CheckKeywordLine(ui, block.timestamp, "KVTTIMESTAMP", "Error KVTTIMESTAMP Expected")) {
        return false;
    }

    // The file's settings become the held values, as a download would have left them.
    form.compressData = block.compress.value != 0 ? 1 : 0;
    form.storeHm = static_cast<std::int32_t>(block.hoursMinutes.value);
    if (form.storeHm != 0) {
        caps.hoursMinutesCapable = true;
    }
    caps.logTimestamp = block.timestamp.value != 0;
    std::copy(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(block.count),
              ctx.log.logImage.begin());

    const std::uint32_t expected = block.checksum.value;
    ctx.log.storedChecksum =
        LogChecksum(std::span<const std::uint32_t>(ctx.log.logImage.data(), block.count));
    if (ctx.log.storedChecksum == expected) {
        ui.ShowMessage("Datafile integrity validated, writing a new copy of the KML file\n");
    } else {
        ui.ShowMessage(FormatC("Checksum incorrect:  Expected: %08X, Actual: %08X\n", expected,
                               ctx.log.storedChecksum));
    }

    std::unique_ptr<AtomicFileWriter> output = AskAndCreateKmlFile(ui);
    if (!output) {
        return false;
    }
    ctx.log.kmlOutputFile = std::move(output);
    caps.memorySizeKbit = static_cast<int>(block.count / 1024) * 8;

    // The new copy is decoded with the file's own settings, so a compressed or 15-byte log
    // comes out as it did when it was downloaded, and the copy's data block repeats them.
    return WriteKmlAndClose(ctx, form.compressData != 0, form.storeHm != 0);
}

}  // namespace vanteo

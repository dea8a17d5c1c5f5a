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
// The fewest values the copy can be written from: 1024 values make the smallest memory size the
// writer knows (8 kbit); fewer make a memory of 0 and a copy with no data at all.
constexpr std::size_t kShortestFlightLog = 1024;
// The trackers whose logs follow the "Compress Data" and "Store HM" settings.
constexpr int kFirstSettingsFirmware = 124;
constexpr int kLastSettingsFirmware = 199;

// Reports a keyword line and counts it in `missing` when its keyword is not there. False when the
// file ended before it (validation stops).
bool CheckKeywordLine(UserInteraction& ui, const DataBlockKeywordLine& line, const char* keyword,
                      const std::string& missingMessage, int& missing) {
    if (!line.reached) {
        ui.ShowMessage(
            FormatC("The file ends before the %s line of its data block: it cannot be "
                    "validated and no new copy is written",
                    keyword));
        return false;
    }
    if (!line.keywordMatched) {
        ui.ShowMessage(missingMessage);
        ++missing;
    }
    return true;
}

// What the block cannot prove about its copy, or an empty text.
std::string UnprovenDecodingNote(const DataBlockContents& block) {
    if (block.timestamp.value != 0) {
        return {};
    }
    if (block.compress.value != 0) {
        return FormatC(
            "The data block says the log is compressed (KVTCOMPRESS), but not which firmware "
            "wrote it: the new copy is decoded as a compressed log, as firmware %d to %d writes "
            "it. A tracker with other firmware cannot compress; if this log came from one, its "
            "download was decoded uncompressed and the new copy's track differs from it. The "
            "data block is the same either way",
            kFirstSettingsFirmware, kLastSettingsFirmware);
    }
    if (block.hoursMinutes.value != 0) {
        return FormatC(
            "The data block says the records hold hours and minutes (KVTHRSMINS), but not "
            "which firmware wrote it: the new copy is decoded from 15-byte records, as firmware "
            "%d to %d writes them. A tracker with other firmware and no timestamp writes 13-byte "
            "records; if this log came from one, the new copy's track differs from its "
            "download. The data block is the same either way",
            kFirstSettingsFirmware, kLastSettingsFirmware);
    }
    return {};
}

}  // namespace

ValidationResult OnValidateKml(FlightLogContext& ctx) {
    ValidationResult result;
    if (RefuseWhileFlashBusy(ctx)) {
        result.outcome = Outcome::refused;
        return result;
    }
    UserInteraction& ui = ctx.device.ui;

    ctx.log.flightDetails.name = kDefaultFlightName;

    std::string text;
    if (!AskAndReadKmlFile(ui, text)) {
        return result;  // cancelled or "Error opening file"; the log is as it was either way
    }

    // Read into a scratch image so a file that turns out unusable leaves the log as it was.
    std::vector<std::uint32_t> values(FlightLogState::kLogImageSize, 0);
    const DataBlockContents block = ReadDataBlock(text, values);
    if (!block.dataKeywordFound) {
        ui.ShowMessage(
            "The file holds no KVTDATA keyword: it carries no flight-log data block, "
            "so it cannot be validated");
        return result;
    }
    if (!block.endKeywordFound) {
        ui.ShowMessage(
            "The file ends before the KVTENDDATA keyword: its data block is "
            "incomplete, so it cannot be validated");
        return result;
    }
    if (block.truncated) {
        ui.ShowMessage(
            FormatC("The data block holds more than %zu values; only the first %zu "
                    "were read",
                    FlightLogState::kLogImageSize, FlightLogState::kLogImageSize));
    }
    ui.ShowMessage(FormatC("%d bytes read\n", static_cast<int>(block.count)));
    result.valuesRead = block.count;

    if (!CheckKeywordLine(ui, block.checksum, "KVTCHECKSUM", "Error KVTCHECKSUM Expected",
                          result.missingKeywords) ||
        !CheckKeywordLine(ui, block.compress, "KVTCOMPRESS", "Error KVTCOMPRESS Expected",
                          result.missingKeywords)) {
        return result;
    }
    if (!block.hoursMinutes.reached) {
        CheckKeywordLine(ui, block.hoursMinutes, "KVTHRSMINS", "", result.missingKeywords);
        return result;
    }
    if (!block.hoursMinutes.keywordMatched) {
        // Without it the decoding settings are unknown: validation ends here.
        ui.ShowMessage("Error KVTHRSMINS Expected");
        ++result.missingKeywords;
        return result;
    }
    if (!CheckKeywordLine(ui, block.timestamp, "KVTTIMESTAMP", "Error KVTTIMESTAMP Expected",
                          result.missingKeywords)) {
        return result;
    }

    if (block.count < kShortestFlightLog) {
        ui.ShowMessage(
            FormatC("The data block holds only %zu values: it is too short to be a "
                    "flight log (at least %zu), so no new copy is written",
                    block.count, kShortestFlightLog));
        return result;
    }

    // The file's settings and size decode its copy only: they describe the tracker that wrote the
    // file, not the one on the port, so the form's held "Compress Data" and "Store HM" values and
    // the capability record (memory size included) stay as they were for later tracker operations.
    // The image and its checksum do become the process's flight log, as a download leaves them.
    const bool compress = block.compress.value != 0;
    const bool hoursMinutes = block.hoursMinutes.value != 0;
    std::copy(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(block.count),
              ctx.log.logImage.begin());

    const std::uint32_t expected = block.checksum.value;
    ctx.log.storedChecksum =
        LogChecksum(std::span<const std::uint32_t>(ctx.log.logImage.data(), block.count));
    result.checksumMatched = ctx.log.storedChecksum == expected;
    if (result.checksumMatched) {
        ui.ShowMessage("Datafile integrity validated, writing a new copy of the KML file\n");
    } else {
        ui.ShowMessage(FormatC("Checksum incorrect:  Expected: %08X, Actual: %08X\n", expected,
                               ctx.log.storedChecksum));
    }

    bool cancelled = false;
    std::unique_ptr<AtomicFileWriter> output = AskAndCreateKmlFile(ui, cancelled);
    if (!output) {
        result.outcome = cancelled ? Outcome::cancelled : Outcome::failed;
        return result;
    }
    ctx.log.kmlOutputFile = std::move(output);
    TrackerCapabilities writer = WriterCapabilities(block);
    if (const std::string note = UnprovenDecodingNote(block); !note.empty()) {
        ui.ShowMessage(note);
    }

    // The copy's data block repeats the file's settings, so the copy validates as its original.
    result.outcome = WriteKmlAndClose(ctx, writer, compress, hoursMinutes) ? Outcome::completed
                                                                           : Outcome::failed;
    return result;
}

}  // namespace vanteo

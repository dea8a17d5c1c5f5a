#include "flightlog/FlightLogSource.h"

#include "flightlog/DataBlockReader.h"
#include "flightlog/FlashCommands.h"
#include "flightlog/FlightLogState.h"
#include "flightlog/TextFile.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

// 1024 values make the smallest memory the decoder knows (8 kbit).
constexpr std::size_t kShortestFlightLog = 1024;

}  // namespace

bool FlightLogFromKml(std::string_view text, FlightLogSource& source, std::string& error) {
    std::vector<std::uint32_t> values(FlightLogState::kLogImageSize, 0);
    const DataBlockContents block = ReadDataBlock(text, values);
    if (!block.dataKeywordFound || !block.endKeywordFound) {
        error = "The file holds no complete flight-log data block (KVTDATA ... KVTENDDATA)";
        return false;
    }
    if (!block.hoursMinutes.keywordMatched) {
        error = "The data block does not say how its log was recorded (no KVTHRSMINS line)";
        return false;
    }
    if (block.count < kShortestFlightLog) {
        error = FormatC("The data block holds only %zu values: it is too short to be a flight log",
                        block.count);
        return false;
    }
    TrackerCapabilities writer = WriterCapabilities(block);
    values.resize(FlashBytes(writer.memorySizeKbit));
    source.image = std::move(values);
    source.layout =
        ResolveLogLayout(writer, block.compress.value != 0, block.hoursMinutes.value != 0);
    return true;
}

bool AskAndReadFlightLog(UserInteraction& ui, FlightLogSource& source) {
    std::string text;
    if (!AskAndReadKmlFile(ui, text)) {
        return false;
    }
    std::string error;
    if (!FlightLogFromKml(text, source, error)) {
        ui.ShowMessage(error);
        return false;
    }
    return true;
}

FlightLogSource FlightLogFromDownload(FlightLogContext& ctx) {
    TrackerCapabilities caps = ctx.device.tracker.capabilities;
    const FormModel& form = ctx.device.form;
    FlightLogSource source;
    const std::size_t bytes = FlashBytes(caps.memorySizeKbit);
    source.image.assign(ctx.log.logImage.begin(),
                        ctx.log.logImage.begin() + static_cast<std::ptrdiff_t>(bytes));
    source.layout = ResolveLogLayout(caps, form.compressData != 0, form.storeHm != 0);
    return source;
}

}  // namespace vanteo

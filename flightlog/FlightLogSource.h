#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "flightlog/FlightLogOperations.h"
#include "flightlog/LogDecoder.h"

namespace vanteo {

// A flight log to look at: the flash image and the layout its tracker wrote it in.
struct FlightLogSource {
    std::vector<std::uint32_t> image;  // memorySizeKbit x 128 values
    LogLayout layout;
};

// The log in a KML file's data block, laid out as Validate KML decodes its copy: the tracker
// that wrote it as far as the block proves it (WriterCapabilities) with the block's KVTCOMPRESS
// and KVTHRSMINS settings. False, with `error` saying why, when the text holds no complete data
// block or one too short to be a flight log. The checksum is not required to match: a damaged
// block still shows what it holds.
bool FlightLogFromKml(std::string_view text, FlightLogSource& source, std::string& error);

// Runs the file-open dialog and reads the chosen KML file as Validate KML reads its input, then
// FlightLogFromKml. False when the dialog was cancelled or (the user told why) when the file
// cannot be read or holds no flight log.
bool AskAndReadFlightLog(UserInteraction& ui, FlightLogSource& source);

// The log of the last download (ctx.log.logImage), laid out as the download's KML file was
// written: the capabilities of the tracker on the port and the form's "Compress Data" and
// "Store HM". Only while no flash worker runs.
FlightLogSource FlightLogFromDownload(FlightLogContext& ctx);

}  // namespace vanteo

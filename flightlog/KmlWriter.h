#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "device/TrackerCapabilities.h"
#include "device/TrackerState.h"
#include "device/UserInteraction.h"
#include "flightlog/LogDecoder.h"

namespace vanteo {

struct FlightLogContext;

// Turns a copy of the tracker's flash into a KML track: one placemark with one line string whose
// coordinates are the logged fixes (LogDecoder.h), XML comments with the flight details, the
// option bytes, the capture date, trigger, altitude figures and each point's raw values, then
// the data block (DataBlock.h). All numbers are formatted in the "C" locale.

// What the writer reads besides the image.
struct KmlWriterInputs {
    const FlightDetails& details;
    const FlagBytes& flags;
    std::uint32_t storedChecksum;
};

// The 24 fixed opening lines (XML declaration to "<coordinates>") with the details and options.
void WriteKmlHeader(std::string& out, const FlightDetails& details, const FlagBytes& flags);
// The closing lines from "</coordinates>" to "</kml>" and two empty lines.
void WriteKmlFooter(std::string& out);

// Appends the whole document for `image` (the first memorySizeKbit x 128 values of the log) to
// `out`. compress asks for compressed decoding (obeyed only when caps.compressCapable),
// hoursMinutes for 15-byte records (obeyed only when caps.hoursMinutesCapable, and then it sets
// caps.logHoursMinutes). Both are written into the data block as passed.
void WriteKml(std::string& out, std::span<const std::uint32_t> image, TrackerCapabilities& caps,
              const KmlWriterInputs& inputs, bool compress, bool hoursMinutes);

// Writes the document for the process-wide log (ctx.log.logImage, ctx.log.flightDetails,
// ctx.log.storedChecksum, the flag bytes and capabilities of ctx.device.tracker) to
// ctx.log.kmlOutputFile. False when no file is open or a write failed. Called by the flash worker
// or the user-interface thread, whichever owns the log at the time.
bool WriteKml(FlightLogContext& ctx, bool compress, bool hoursMinutes);
// WriteKml, then puts ctx.log.kmlOutputFile in its target's place and closes it (the file is
// closed and dropped either way). False, after telling the user the file was not saved, when
// the document could not be written completely.
bool WriteKmlAndClose(FlightLogContext& ctx, bool compress, bool hoursMinutes);
// The same, decoded with `caps` (the tracker that wrote the log) in place of the capabilities of
// the tracker on the port; `caps` gives the memory size too.
bool WriteKmlAndClose(FlightLogContext& ctx, TrackerCapabilities& caps, bool compress,
                      bool hoursMinutes);

// Altitude figures of the KML comments, in metres.
struct AltitudeFigures {
    long long base = 0;    // the most frequent altitude (the lowest of equally frequent ones)
    long long maxMsl = 0;  // the highest altitude, never below 0
    long long maxAgl = 0;  // maxMsl - base
};
// Histogram over 1-metre bins of `altitudes`; no altitudes give all zeros.
AltitudeFigures ComputeAltitudeFigures(std::span<const long long> altitudes);

// `text` made safe inside an XML comment of a UTF-8 document: control characters become
// blanks, every "--" becomes "- -", a byte that is not part of a UTF-8 character is taken as
// Latin-1 and written in UTF-8, and every "KVT" is followed by a blank ("KVTDATA" becomes
// "KVT DATA"), so a detail can neither end the comment early, make the document invalid, nor
// hold a data-block keyword that validation would take for the data block.
std::string CommentSafe(std::string text);

}  // namespace vanteo

#include "flightlog/KmlWriter.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>

#include "flightlog/DataBlock.h"
#include "flightlog/FlashCommands.h"
#include "flightlog/FlightLogOperations.h"
#include "flightlog/LogDecoder.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

constexpr double kFeetPerMetre = 3.24;  // the tracker family's factor, not 3.28
// The start shared by every data-block keyword (KVTDATA, KVTENDDATA, KVTCHECKSUM, ...).
constexpr std::string_view kKeywordPrefix = "KVT";
// Characters reserved for a track point's line; a longer one only makes the string grow.
constexpr std::size_t kReservedPointCharacters = 90;

// "%f,%f,0 <!-- %02d %02d   %02d %02d   %02d  -->\n" of one compressed record.
void WriteCompressedPoint(std::string& out, const LogPoint& point) {
    AppendFixedC(out, point.longitudeDeg);
    out += ',';
    AppendFixedC(out, point.latitudeDeg);
    out += ",0 <!-- ";
    const auto& v = point.packed;
    static constexpr std::array<std::string_view, 5> kAfter = {" ", "   ", " ", "   ", "  -->\n"};
    for (std::size_t i = 0; i < v.size(); ++i) {
        AppendDecimalC(out, v[i], 2, true);
        out += kAfter[i];
    }
}

// The value as "%c" prints it, kept printable so the comment stays valid XML.
char DateCharacter(int value) {
    const auto character = static_cast<unsigned char>(value);
    return character >= 0x20 && character < 0x7F ? static_cast<char>(character) : '?';
}

void WriteTimestamp(std::string& out, const DecodedLog& log) {
    const auto& c = log.dateCharacters;
    // Stored as DDMMYY; shown as MM/DD/20YY.
    std::string date;
    date += DateCharacter(c[2]);
    date += DateCharacter(c[3]);
    date += '/';
    date += DateCharacter(c[0]);
    date += DateCharacter(c[1]);
    date += "/20";
    date += DateCharacter(c[4]);
    date += DateCharacter(c[5]);
    out += "<!-- Capture Date: " + CommentSafe(date) + " -->\n";
    out += "<!-- Trigger: 0x";
    AppendHexC(out, log.trigger[0], 2);
    AppendHexC(out, log.trigger[1], 2);
    out += "-->\n";
}

// "<!-- %s: %lldm or %5.0f feet -->\n"
void WriteAltitudeFigure(std::string& out, std::string_view label, long long metres) {
    out += "<!-- ";
    out += label;
    out += ": ";
    AppendDecimalC(out, metres);
    out += "m or ";
    AppendFixedC(out, static_cast<double>(metres) * kFeetPerMetre, 0, 5);
    out += " feet -->\n";
}

void WriteAltitudeFigures(std::string& out, const AltitudeFigures& figures) {
    WriteAltitudeFigure(out, "base    ", figures.base);
    WriteAltitudeFigure(out, "max MSL ", figures.maxMsl);
    WriteAltitudeFigure(out, "max AGL ", figures.maxAgl);
}

// One full record after its line break, as the tracker's own writer printed it:
//   "%f,%f,%d%02d%02d <!-- %d sats:%d secs:%d -->", or with hours and minutes
//   "%f,%f,%d%02d%02d <!-- %d sats:%d UTC %02d:%02d:%02d -->"; in the negative form the
// altitude is "-%02d%02d" of its last two parts and the UTC comment has two blanks before it.
// Formatted number by number (a 1024-kbit log holds about 10 000 points): the same digits, no
// formatted print and no locale lookup per number.
void WritePoint(std::string& out, const LogPoint& point, bool negative) {
    const auto& alt = point.altitudeParts;
    AppendFixedC(out, point.longitudeDeg);
    out += ',';
    AppendFixedC(out, point.latitudeDeg);
    if (negative) {
        out += ",-";
        AppendDecimalC(out, alt[1], 2, true);
    } else {
        out += ',';
        AppendDecimalC(out, alt[0]);
        AppendDecimalC(out, alt[1], 2, true);
    }
    AppendDecimalC(out, alt[2], 2, true);
    out += " <!-- ";
    AppendDecimalC(out, static_cast<int>(point.address));
    out += " sats:";
    AppendDecimalC(out, point.satellites);
    if (point.hasHoursMinutes) {
        out += negative ? "  UTC " : " UTC ";
        AppendDecimalC(out, point.hours, 2, true);
        out += ':';
        AppendDecimalC(out, point.minutes, 2, true);
        out += ':';
        AppendDecimalC(out, point.seconds, 2, true);
    } else {
        out += " secs:";
        AppendDecimalC(out, point.seconds);
    }
    out += " -->";
}

// Bytes of the well-formed UTF-8 sequence at `at` that encodes a character XML allows (no
// overlong forms, no surrogates, nothing above U+10FFFF, not U+FFFE or U+FFFF); 0 when there is
// none.
std::size_t Utf8CharacterLength(std::string_view text, std::size_t at) {
    const auto byteAt = [&text](std::size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
    };
    const unsigned lead = byteAt(at);
    std::size_t length = 0;
    unsigned low = 0x80;  // range of the second byte; later bytes are 0x80..0xBF
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned byte = byteAt(at + i);
        if (byte < (i == 1 ? low : 0x80u) || byte > (i == 1 ? high : 0xBFu)) {
            return 0;
        }
    }
    if (lead == 0xEF && byteAt(at + 1) == 0xBF && byteAt(at + 2) >= 0xBE) {
        return 0;  // U+FFFE, U+FFFF
    }
    return length;
}

// "<!-- Option %d   : %x -->\n" of one flag byte.
void WriteOption(std::string& out, int number, unsigned value) {
    out += "<!-- Option ";
    AppendDecimalC(out, number);
    out += "   : ";
    AppendHexC(out, value);
    out += " -->\n";
}

}  // namespace

void WriteKmlHeader(std::string& out, const FlightDetails& details, const FlagBytes& flags) {
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<kml xmlns=\"http://earth.google.com/kml/2.0\">\n";
    out += "<Placemark>\n";
    out += "  <name>gps</name>\n";
    out += "  <Style id=\"khStyle690\">\n";
    out += "    <LineStyle id=\"khLineStyle694\">\n";
    out += "       <color>ff00ffff</color>\n";
    out += "       <width>4</width>\n";
    out += "    </LineStyle>\n";
    out += "  </Style>\n";
    out += "<MultiGeometry id=\"khMultiGeometry697\">\n";
    out += "<LineString id=\"khLineString698\">\n";
    out += "<tessellate>1</tessellate>\n";
    out += "<altitudeMode>absolute</altitudeMode>\n";
    out += "<!-- Name       : " + CommentSafe(details.name) + " -->\n";
    out += "<!-- Rocket Name: " + CommentSafe(details.rocketName) + " -->\n";
    out += "<!-- Date       : " + CommentSafe(details.date) + " -->\n";
    out += "<!-- Motor      : " + CommentSafe(details.motor) + " -->\n";
    out += "<!-- Comments   : " + CommentSafe(details.comments) + " -->\n";
    WriteOption(out, 1, flags.operation);
    WriteOption(out, 2, flags.telemetry);
    WriteOption(out, 3, flags.optionsA);
    WriteOption(out, 4, flags.profileLog);
    out += "<coordinates>\n";
}

void WriteKmlFooter(std::string& out) {
    out += "\n      </coordinates>\n";
    out += "    </LineString>\n";
    out += "  </MultiGeometry>\n";
    out += "</Placemark>\n";
    out += "</kml>\n\n\n";
}

void WriteKml(std::string& out, std::span<const std::uint32_t> image, TrackerCapabilities& caps,
              const KmlWriterInputs& inputs, bool compress, bool hoursMinutes) {
    const DecodedLog log = DecodeLog(image, ResolveLogLayout(caps, compress, hoursMinutes));
    // The whole document in one allocation: the details, about 90 characters a point (more only
    // for coordinates far outside the globe) and the data block's 3 characters a value.
    out.reserve(out.size() + 4096 + inputs.details.name.size() + inputs.details.rocketName.size() +
                inputs.details.date.size() + inputs.details.motor.size() +
                inputs.details.comments.size() + log.points.size() * kReservedPointCharacters +
                image.size() * 3 + image.size() / 16);
    WriteKmlHeader(out, inputs.details, inputs.flags);
    if (log.layout.compressed) {
        // A compressed log has no capture date, trigger or altitude figures.
        for (const LogPoint& point : log.points) {
            WriteCompressedPoint(out, point);
        }
    } else {
        if (log.layout.timestamp) {
            WriteTimestamp(out, log);
        }
        // The altitude histogram holds a single sample: the altitude field of the record-sized
        // slot at the trailer's date (with a timestamp) or at 32768.
        WriteAltitudeFigures(
            out, ComputeAltitudeFigures(std::span<const long long>(&log.altitudeSample, 1)));
        for (const LogPoint& point : log.points) {
            out += '\n';
            WritePoint(out, point, log.negativeAltitudes);
        }
    }
    WriteKmlFooter(out);
    WriteDataBlock(out, image, inputs.storedChecksum, compress, hoursMinutes, caps.logTimestamp);
}

namespace {

bool WriteKmlWith(FlightLogContext& ctx, TrackerCapabilities& caps, bool compress,
                  bool hoursMinutes) {
    if (!ctx.log.kmlOutputFile) {
        return false;
    }
    const std::span<const std::uint32_t> image(ctx.log.logImage.data(),
                                               FlashBytes(caps.memorySizeKbit));
    std::string document;
    WriteKml(document, image, caps,
             KmlWriterInputs{ctx.log.flightDetails, ctx.device.tracker.flagBytes,
                             ctx.log.storedChecksum},
             compress, hoursMinutes);
    return ctx.log.kmlOutputFile->Write(document);
}

}  // namespace

bool WriteKml(FlightLogContext& ctx, bool compress, bool hoursMinutes) {
    return WriteKmlWith(ctx, ctx.device.tracker.capabilities, compress, hoursMinutes);
}

bool WriteKmlAndClose(FlightLogContext& ctx, bool compress, bool hoursMinutes) {
    return WriteKmlAndClose(ctx, ctx.device.tracker.capabilities, compress, hoursMinutes);
}

bool WriteKmlAndClose(FlightLogContext& ctx, TrackerCapabilities& caps, bool compress,
                      bool hoursMinutes) {
    const bool written = WriteKmlWith(ctx, caps, compress, hoursMinutes);
    const std::string target = ctx.log.kmlOutputFile ? ctx.log.kmlOutputFile->TargetPath() : "";
    const bool committed = written && ctx.log.kmlOutputFile->Commit();
    ctx.log.kmlOutputFile.reset();
    if (!committed) {
        ctx.device.ui.ShowMessage(
            FormatC("Error writing file %s: the KML file was not saved", target.c_str()));
    }
    return committed;
}

AltitudeFigures ComputeAltitudeFigures(std::span<const long long> altitudes) {
    std::map<long long, int> bins;
    for (const long long altitude : altitudes) {
        ++bins[altitude];
    }
    AltitudeFigures figures;
    int mostEntries = 0;
    for (const auto& [altitude, entries] : bins) {
        if (entries > mostEntries) {
            mostEntries = entries;
            figures.base = altitude;
        }
        figures.maxMsl = std::max(figures.maxMsl, altitude);
    }
    figures.maxAgl = figures.maxMsl - figures.base;
    return figures;
}

std::string CommentSafe(std::string text) {
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x80) {
            const std::size_t length = Utf8CharacterLength(text, at);
            if (length > 0) {
                safe.append(text, at, length);
                at += length;
            } else {
                // A byte outside any UTF-8 character is taken as Latin-1 (the form hands the
                // details over that way) and written as the same character in UTF-8.
                safe += static_cast<char>(0xC0 | (byte >> 6));
                safe += static_cast<char>(0x80 | (byte & 0x3F));
                ++at;
            }
            continue;
        }
        char character = text[at++];
        if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7F) {
            character = ' ';
        }
        if (character == '-' && !safe.empty() && safe.back() == '-') {
            safe += ' ';
        }
        safe += character;
        // The data-block keywords all begin with "KVT", and validation starts at the first token
        // holding one, header comments included: a blank after every "KVT" keeps a detail such
        // as "KVTDATA test" from being read as the start of the data block.
        if (safe.ends_with(kKeywordPrefix)) {
            safe += ' ';
        }
    }
    return safe;
}

}  // namespace vanteo

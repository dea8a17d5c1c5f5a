#include "flightlog/KmlWriter.h"

#include <algorithm>
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

void WriteCompressedPoint(std::string& out, const LogPoint& point) {
    out += FormatC("%f,%f,0 ", point.longitudeDeg, point.latitudeDeg);
    const auto& v = point.packed;
    out += FormatC("<!-- %02d %02d   %02d %02d   %02d  -->\n", v[0], v[1], v[2], v[3], v[4]);
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
    out += "<!-- Trigger: " + FormatC("0x%02x%02x", log.trigger[0], log.trigger[1]) + "-->\n";
}

void WriteAltitudeFigures(std::string& out, const AltitudeFigures& figures) {
    out += FormatC("<!-- base    : %lldm or %5.0f feet -->\n", figures.base,
                   static_cast<double>(figures.base) * kFeetPerMetre);
    out += FormatC("<!-- max MSL : %lldm or %5.0f feet -->\n", figures.maxMsl,
                   static_cast<double>(figures.maxMsl) * kFeetPerMetre);
    out += FormatC("<!-- max AGL : %lldm or %5.0f feet -->\n", figures.maxAgl,
                   static_cast<double>(figures.maxAgl) * kFeetPerMetre);
}

std::string PointText(const LogPoint& point, bool negative) {
    const double lon = point.longitudeDeg;
    const double lat = point.latitudeDeg;
    const auto& alt = point.altitudeParts;
    const int position = static_cast<int>(point.address);
    if (point.hasHoursMinutes) {
        if (negative) {
            return FormatC("%f,%f,-%02d%02d <!-- %d sats:%d  UTC %02d:%02d:%02d -->", lon, lat,
                           alt[1], alt[2], position, point.satellites, point.hours, point.minutes,
                           point.seconds);
        }
        return FormatC("%f,%f,%d%02d%02d <!-- %d sats:%d UTC %02d:%02d:%02d -->", lon, lat, alt[0],
                       alt[1], alt[2], position, point.satellites, point.hours, point.minutes,
                       point.seconds);
    }
    if (negative) {
        return FormatC("%f,%f,-%02d%02d <!-- %d sats:%d secs:%d -->", lon, lat, alt[1], alt[2],
                       position, point.satellites, point.seconds);
    }
    return FormatC("%f,%f,%d%02d%02d <!-- %d sats:%d secs:%d -->", lon, lat, alt[0], alt[1], alt[2],
                   position, point.satellites, point.seconds);
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
    out += FormatC("<!-- Option 1   : %x -->\n", static_cast<unsigned>(flags.operation));
    out += FormatC("<!-- Option 2   : %x -->\n", static_cast<unsigned>(flags.telemetry));
    out += FormatC("<!-- Option 3   : %x -->\n", static_cast<unsigned>(flags.optionsA));
    out += FormatC("<!-- Option 4   : %x -->\n", static_cast<unsigned>(flags.profileLog));
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
            out += PointText(point, log.negativeAltitudes);
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

#include "flightlog/KmlWriter.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "flightlog/DataBlock.h"
#include "flightlog/FlashCommands.h"
#include "flightlog/FlightLogOperations.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

constexpr std::uint32_t kEndMarkErased = 0xA5;
constexpr std::uint32_t kEndMarkWritten = 0x5A;
constexpr std::uint32_t kEndMarkZero = 0x00;

constexpr long long kShortRecordBytes = 13;  // ... satellites, seconds
constexpr long long kLongRecordBytes = 15;   // ... satellites, UTC hours, minutes, seconds
constexpr long long kCompressedFirstRecord = 13;
constexpr long long kCompressedRecordBytes = 5;

// A first image byte of 0xFD marks a log whose altitudes are printed in their negative form.
constexpr std::uint32_t kNegativeAltitudeMark = 0xFD;

// The trailer area: the last 16 bytes of a 1024-kbit memory, else of the first 16 KB. Its bytes
// 10-15 hold the capture date (DDMMYY), bytes 0-1 the trigger value.
constexpr long long kLargeDatePosition = 131066;
constexpr long long kSmallDatePosition = 16378;
constexpr long long kTriggerBeforeDate = 10;
// Where the altitude histogram takes its one value when the log carries no timestamp.
constexpr long long kAltitudeSamplePosition = 32768;

constexpr double kOneSixtieth = 0.016666666666666666;
constexpr double kFeetPerMetre = 3.24;  // the tracker family's factor, not 3.28
// The start shared by every data-block keyword (KVTDATA, KVTENDDATA, KVTCHECKSUM, ...).
constexpr std::string_view kKeywordPrefix = "KVT";

// The image in use; positions outside it read as 0. Values are printed and computed as the
// signed integers the log always held (a value above 0x7FFFFFFF, only possible from a KML file,
// prints negative).
class LogReader {
public:
    explicit LogReader(std::span<const std::uint32_t> image) : image_(image) {}
    long long Size() const { return static_cast<long long>(image_.size()); }
    int At(long long position) const {
        if (position < 0 || position >= Size()) {
            return 0;
        }
        return static_cast<int>(
            static_cast<std::int32_t>(image_[static_cast<std::size_t>(position)]));
    }
    std::uint32_t Raw(long long position) const { return static_cast<std::uint32_t>(At(position)); }

private:
    std::span<const std::uint32_t> image_;
};

// Degrees from the 4-byte coordinate encoding at `p`.
double Coordinate(const LogReader& log, long long p) {
    const double sign = (log.At(p + 3) & 0x80) != 0 ? -1.0 : 1.0;
    const double minutes = log.At(p + 1) + log.At(p + 2) * 0.01 + (log.At(p + 3) & 0x7F) * 0.0001;
    return sign * (log.At(p) + minutes * kOneSixtieth);
}

// One fix of a compressed log: whole degrees and minutes kept, fraction in 1/10000 minute.
struct CompressedAxis {
    long long degrees = 0;
    long long minutes = 0;
    long long fraction = 0;
    double sign = 1.0;

    static CompressedAxis FromFix(const LogReader& log, long long p) {
        CompressedAxis axis;
        axis.degrees = log.At(p);
        axis.minutes = log.At(p + 1);
        axis.fraction = static_cast<long long>(log.At(p + 2)) * 100 + (log.At(p + 3) & 0x7F);
        axis.sign = (log.At(p + 3) & 0x80) != 0 ? -1.0 : 1.0;
        return axis;
    }

    // The records carry only the fraction: a jump from the top quarter to the bottom quarter of
    // a minute (or back) means a whole minute was crossed.
    void Advance(long long newFraction) {
        if (fraction > 7500 && newFraction < 2500) {
            if (++minutes > 59) {
                minutes = 0;
                ++degrees;
            }
        } else if (newFraction > 7500 && fraction < 2500) {
            if (--minutes < 0) {
                minutes = 59;
                --degrees;
            }
        }
        fraction = newFraction;
    }

    double Degrees() const {
        return sign *
               (static_cast<double>(degrees) +
                (static_cast<double>(minutes) + static_cast<double>(fraction) * 0.0001) / 60);
    }
};

bool EndsAt(const LogReader& log, long long p) {
    const std::uint32_t first = log.Raw(p);
    if (first != kEndMarkErased && first != kEndMarkWritten && first != kEndMarkZero) {
        return false;
    }
    return log.Raw(p + 1) == first && log.Raw(p + 2) == first && log.Raw(p + 3) == first;
}

void WriteCompressedPoints(std::string& out, const LogReader& log) {
    CompressedAxis lon = CompressedAxis::FromFix(log, 0);
    CompressedAxis lat = CompressedAxis::FromFix(log, 4);
    if (log.Size() <= kCompressedFirstRecord) {
        return;
    }
    for (long long p = kCompressedFirstRecord; p < log.Size(); p += kCompressedRecordBytes) {
        if (EndsAt(log, p)) {
            break;
        }
        // Bit 7 of the ten-thousandths bytes is not used in compressed records.
        lon.Advance(static_cast<long long>(log.At(p)) * 100 + (log.At(p + 1) & 0x7F));
        lat.Advance(static_cast<long long>(log.At(p + 2)) * 100 + (log.At(p + 3) & 0x7F));
        out += FormatC("%f,%f,0 ", lon.Degrees(), lat.Degrees());
        out += FormatC("<!-- %02d %02d   %02d %02d   %02d  -->\n", log.At(p), log.At(p + 1) & 0x7F,
                       log.At(p + 2), log.At(p + 3), log.At(p + 4));
    }
}

// The value as "%c" prints it, kept printable so the comment stays valid XML.
char DateCharacter(int value) {
    const auto character = static_cast<unsigned char>(value);
    return character >= 0x20 && character < 0x7F ? static_cast<char>(character) : '?';
}

void WriteTimestamp(std::string& out, const LogReader& log, long long datePosition) {
    const long long d = datePosition;
    const long long t = d - kTriggerBeforeDate;
    // Stored as DDMMYY; shown as MM/DD/20YY.
    std::string date;
    date += DateCharacter(log.At(d + 2));
    date += DateCharacter(log.At(d + 3));
    date += '/';
    date += DateCharacter(log.At(d));
    date += DateCharacter(log.At(d + 1));
    date += "/20";
    date += DateCharacter(log.At(d + 4));
    date += DateCharacter(log.At(d + 5));
    out += "<!-- Capture Date: " + CommentSafe(date) + " -->\n";
    out += "<!-- Trigger: " + FormatC("0x%02x%02x", log.Raw(t), log.Raw(t + 1)) + "-->\n";
}

void WriteAltitudeFigures(std::string& out, const AltitudeFigures& figures) {
    out += FormatC("<!-- base    : %lldm or %5.0f feet -->\n", figures.base,
                   static_cast<double>(figures.base) * kFeetPerMetre);
    out += FormatC("<!-- max MSL : %lldm or %5.0f feet -->\n", figures.maxMsl,
                   static_cast<double>(figures.maxMsl) * kFeetPerMetre);
    out += FormatC("<!-- max AGL : %lldm or %5.0f feet -->\n", figures.maxAgl,
                   static_cast<double>(figures.maxAgl) * kFeetPerMetre);
}

std::string PointText(const LogReader& log, long long p, long long recordBytes, bool negative) {
    const double lon = Coordinate(log, p);
    const double lat = Coordinate(log, p + 4);
    const int position = static_cast<int>(p);
    if (recordBytes == kLongRecordBytes) {
        if (negative) {
            return FormatC("%f,%f,-%02d%02d <!-- %d sats:%d  UTC %02d:%02d:%02d -->", lon, lat,
                           log.At(p + 9), log.At(p + 10), position, log.At(p + 11), log.At(p + 12),
                           log.At(p + 13), log.At(p + 14));
        }
        return FormatC("%f,%f,%d%02d%02d <!-- %d sats:%d UTC %02d:%02d:%02d -->", lon, lat,
                       log.At(p + 8), log.At(p + 9), log.At(p + 10), position, log.At(p + 11),
                       log.At(p + 12), log.At(p + 13), log.At(p + 14));
    }
    if (negative) {
        return FormatC("%f,%f,-%02d%02d <!-- %d sats:%d secs:%d -->", lon, lat, log.At(p + 9),
                       log.At(p + 10), position, log.At(p + 11), log.At(p + 12));
    }
    return FormatC("%f,%f,%d%02d%02d <!-- %d sats:%d secs:%d -->", lon, lat, log.At(p + 8),
                   log.At(p + 9), log.At(p + 10), position, log.At(p + 11), log.At(p + 12));
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

bool IsLogEnd(std::span<const std::uint32_t> image, std::size_t position) {
    return EndsAt(LogReader(image), static_cast<long long>(position));
}

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
    const LogReader log(image);
    WriteKmlHeader(out, inputs.details, inputs.flags);
    if (caps.compressCapable && compress) {
        // A compressed log has no capture date, trigger or altitude figures.
        WriteCompressedPoints(out, log);
    } else {
        const long long datePosition =
            caps.memorySizeKbit == kLargeMemoryKbit ? kLargeDatePosition : kSmallDatePosition;
        if (caps.logTimestamp) {
            WriteTimestamp(out, log, datePosition);
        }

        long long recordBytes = caps.logHoursMinutes ? kLongRecordBytes : kShortRecordBytes;
        if (caps.hoursMinutesCapable) {
            recordBytes = kShortRecordBytes;
            if (hoursMinutes) {
                caps.logHoursMinutes = true;
                recordBytes = kLongRecordBytes;
            }
        }

        // The altitude histogram holds a single sample: the altitude field of the record-sized
        // slot at the trailer's date (with a timestamp) or at 32768.
        const long long q = caps.logTimestamp ? datePosition : kAltitudeSamplePosition;
        const long long sample = 1000LL * log.At(q + 8) + 100LL * log.At(q + 9) + log.At(q + 10);
        WriteAltitudeFigures(out, ComputeAltitudeFigures(std::span<const long long>(&sample, 1)));

        const bool negative = log.Raw(0) == kNegativeAltitudeMark;
        for (long long p = 0; p < log.Size() - 2 * recordBytes; p += recordBytes) {
            if (EndsAt(log, p)) {
                break;
            }
            if (log.At(p) == 0) {
                continue;
            }
            out += '\n';
            out += PointText(log, p, recordBytes, negative);
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

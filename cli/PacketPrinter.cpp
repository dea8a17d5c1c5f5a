#include "cli/PacketPrinter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "flightlog/FlightText.h"
#include "serial/CFormat.h"

namespace vanteo::cli {
namespace {

const char* FormatName(aprs::AprsFormat format) {
    switch (format) {
        case aprs::AprsFormat::uncompressed:
            return "uncompressed";
        case aprs::AprsFormat::compressed:
            return "compressed";
        case aprs::AprsFormat::micE:
            return "mic-e";
        case aprs::AprsFormat::other:
            break;
    }
    return "other";
}

// Bytes outside printable ASCII as <0xNN>, so a packet never garbles the terminal.
std::string Printable(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            text += FormatC("<0x%02X>", byte);
        }
    }
    return text;
}

std::string UtcTime(std::time_t at, const char* format) {
    std::tm parts{};
    gmtime_r(&at, &parts);
    char text[32] = {};
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

std::string Path(const aprs::Ax25Frame& frame) {
    const std::string monitor = frame.ToMonitorText();
    const std::string head = monitor.substr(0, monitor.find(':'));
    const std::size_t comma = head.find(',');
    return comma == std::string::npos ? std::string() : head.substr(comma + 1);
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

// "49.058333 -72.029167, 376.1 m, course 88, 36.0 kn": what the report says, in that order.
std::string PositionText(const aprs::AprsReport& r) {
    std::string text = FormatC("%.6f %.6f", r.latitudeDeg, r.longitudeDeg);
    if (r.altitudeM) {
        text += FormatC(", %.1f m", *r.altitudeM);
    }
    if (r.courseDeg) {
        text += FormatC(", course %d", *r.courseDeg);
    }
    if (r.speedKnots) {
        text += FormatC(", %.1f kn", *r.speedKnots);
    }
    return text;
}

// What a position means for the recovery, as the line and the JSON object carry it.
struct Recovery {
    std::optional<double> verticalSpeedMps;
    std::optional<DistanceBearing> fromListener;
    std::optional<double> sincePreviousS;  // since this station's position before
};

// ", -5.2 m/s vertical, 1523 m from you, bearing 47, 10 s after the one before", the parts
// known.
std::string RecoveryText(const Recovery& recovery) {
    std::string text;
    if (recovery.verticalSpeedMps) {
        text += FormatC(", %.1f m/s vertical", *recovery.verticalSpeedMps);
    }
    if (recovery.fromListener) {
        text += FormatC(", %.0f m from you, bearing %.0f", recovery.fromListener->distanceM,
                        recovery.fromListener->bearingDeg);
    }
    if (recovery.sincePreviousS) {
        text += FormatC(", %.0f s after the one before", *recovery.sincePreviousS);
    }
    return text;
}

}  // namespace

bool PacketPrinter::OpenTracks(const std::string& gpxPath, const std::string& kmlPath,
                               const std::optional<std::string>& station, std::string& error) {
    trackStation_ = station;
    const std::string name = station ? *station + " heard over APRS" : "Heard over APRS";
    const auto open = [&](std::unique_ptr<LiveTrackFile>& file, LiveTrackFormat format,
                          const std::string& path) {
        if (path.empty()) {
            return true;
        }
        file = std::make_unique<LiveTrackFile>(format);
        if (!file->Open(path, name)) {
            error = "cannot write " + path + " (" + file->Error() + ")";
            return false;
        }
        return true;
    };
    gpxPath_ = gpxPath;
    kmlPath_ = kmlPath;
    return open(gpx_, LiveTrackFormat::gpx, gpxPath) && open(kml_, LiveTrackFormat::kml22, kmlPath);
}

void PacketPrinter::AppendToTracks(const std::string& station, const aprs::AprsReport& report,
                                   std::time_t heardAt) {
    if (!gpx_ && !kml_) {
        return;
    }
    if (!trackStation_) {
        trackStation_ = station;
        if (note_) {
            note_("The track files follow " + station +
                  ", the first station heard with a position (--call chooses another).");
        }
    }
    if (station != *trackStation_) {
        return;
    }
    const LiveTrackPoint point{report.latitudeDeg, report.longitudeDeg, report.altitudeM, heardAt};
    const auto append = [&](std::unique_ptr<LiveTrackFile>& file, const std::string& path) {
        if (file && file->IsOpen() && !file->Append(point) && trackError_.empty()) {
            trackError_ = "writing " + path + " failed (" + file->Error() + ")";
        }
    };
    append(gpx_, gpxPath_);
    append(kml_, kmlPath_);
}

bool PacketPrinter::OpenCsv(const std::string& path) {
    csv_.open(path, std::ios::binary | std::ios::trunc);
    csv_ << kCsvHeader;
    csv_.flush();
    return static_cast<bool>(csv_);
}

void PacketPrinter::Print(const aprs::HeardPacket& packet, std::time_t heardAt, double heardAtS) {
    const aprs::AprsReport& r = packet.report;
    const std::string station = packet.frame.source.ToString();
    Recovery recovery;
    if (r.HasPosition()) {
        last_ = LastPosition{station, r, heardAt, heardAtS};
        LiveTrack& track = tracks_[station];
        if (const LiveTrack::Fix* previous = track.Last()) {
            recovery.sincePreviousS = heardAtS - previous->timeS;
        }
        track.Add({heardAtS, r.latitudeDeg, r.longitudeDeg, r.altitudeM});
        recovery.verticalSpeedMps = track.VerticalSpeedMps();
        if (const auto me = listener_ ? listener_() : std::nullopt) {
            recovery.fromListener =
                FromListener(me->latitudeDeg, me->longitudeDeg, r.latitudeDeg, r.longitudeDeg);
        }
        AppendToTracks(station, r, heardAt);
    }
    // The files first: a line on the screen is never ahead of them.
    if (csv_.is_open()) {
        csv_ << UtcTime(heardAt, "%Y-%m-%dT%H:%M:%SZ") << ',' << CsvField(station) << ','
             << CsvField(packet.frame.destination.ToString()) << ',' << CsvField(Path(packet.frame))
             << ',' << FormatName(r.format) << ',';
        if (r.HasPosition()) {
            csv_ << FormatC("%.6f,%.6f,", r.latitudeDeg, r.longitudeDeg)
                 << (r.altitudeM ? FormatC("%.1f,%.0f", *r.altitudeM, *r.altitudeM * kFeetPerMetre)
                                 : std::string(","))
                 << ',' << (r.courseDeg ? std::to_string(*r.courseDeg) : std::string()) << ','
                 << (r.speedKnots ? FormatC("%.1f", *r.speedKnots) : std::string()) << ','
                 << CsvField(Printable(r.comment));
        } else {
            csv_ << ",,,,,,";
        }
        csv_ << ',' << CsvField(Printable(packet.frame.info)) << "\r\n";
        csv_.flush();
        csvFailed_ = csvFailed_ || !csv_;
    }
    if (json_) {
        QJsonObject object;
        object["utc"] = QString::fromStdString(UtcTime(heardAt, "%Y-%m-%dT%H:%M:%SZ"));
        object["source"] = QString::fromStdString(station);
        object["destination"] = QString::fromStdString(packet.frame.destination.ToString());
        QJsonArray path;
        for (const aprs::Ax25Address& digi : packet.frame.path) {
            path.append(QString::fromStdString(digi.ToString() + (digi.repeated ? "*" : "")));
        }
        object["path"] = path;
        object["info"] = QString::fromLatin1(packet.frame.info.data(),
                                             static_cast<qsizetype>(packet.frame.info.size()));
        object["format"] = FormatName(r.format);
        if (r.HasPosition()) {
            object["latitude"] = r.latitudeDeg;
            object["longitude"] = r.longitudeDeg;
            if (r.altitudeM) {
                object["altitude_m"] = *r.altitudeM;
            }
            if (r.courseDeg) {
                object["course_deg"] = *r.courseDeg;
            }
            if (r.speedKnots) {
                object["speed_kn"] = *r.speedKnots;
            }
            object["symbol"] = QString::fromLatin1(std::string{r.symbolTable, r.symbolCode});
            object["timestamp"] = QString::fromStdString(r.timestamp);
            object["comment"] =
                QString::fromLatin1(r.comment.data(), static_cast<qsizetype>(r.comment.size()));
            if (recovery.verticalSpeedMps) {
                object["vertical_speed_mps"] = *recovery.verticalSpeedMps;
            }
            if (recovery.fromListener) {
                object["distance_m"] = recovery.fromListener->distanceM;
                object["bearing_deg"] = recovery.fromListener->bearingDeg;
            }
            if (recovery.sincePreviousS) {
                object["since_previous_s"] = *recovery.sincePreviousS;
            }
        }
        out_ << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << std::endl;
    } else {
        out_ << UtcTime(heardAt, "%H:%M:%S") << ' ' << Printable(packet.frame.ToMonitorText());
        if (r.HasPosition()) {
            out_ << "  [" << PositionText(r) << RecoveryText(recovery) << ']';
        }
        out_ << std::endl;
    }
}

std::string PacketPrinter::Summary(std::optional<double> nowS) const {
    if (!last_) {
        return "No position heard.";
    }
    std::string text = "Last position: " + last_->station + " " + PositionText(last_->report) +
                       ", heard at " + UtcTime(last_->heardAt, "%H:%M:%S") + " UTC";
    if (nowS) {
        text += FormatC(" (%.0f s ago)", *nowS - last_->heardAtS);
    }
    if (const auto me = listener_ ? listener_() : std::nullopt) {
        const DistanceBearing from =
            FromListener(me->latitudeDeg, me->longitudeDeg, last_->report.latitudeDeg,
                         last_->report.longitudeDeg);
        text += FormatC(", %.0f m from you, bearing %.0f", from.distanceM, from.bearingDeg);
    }
    return text;
}

}  // namespace vanteo::cli

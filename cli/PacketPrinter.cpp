#include "cli/PacketPrinter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "serial/CFormat.h"

namespace vanteo::cli {
namespace {

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
    return csv_.Open(path);
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
    csv_.Append(packet, heardAt);
    if (json_) {
        QJsonObject object;
        object["utc"] = QString::fromStdString(aprs::UtcTimeText(heardAt, "%Y-%m-%dT%H:%M:%SZ"));
        object["source"] = QString::fromStdString(station);
        object["destination"] = QString::fromStdString(packet.frame.destination.ToString());
        QJsonArray path;
        for (const aprs::Ax25Address& digi : packet.frame.path) {
            path.append(QString::fromStdString(digi.ToString() + (digi.repeated ? "*" : "")));
        }
        object["path"] = path;
        object["info"] = QString::fromLatin1(packet.frame.info.data(),
                                             static_cast<qsizetype>(packet.frame.info.size()));
        object["format"] = aprs::AprsFormatName(r.format);
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
        out_ << aprs::UtcTimeText(heardAt, "%H:%M:%S") << ' '
             << aprs::PrintableBytes(packet.frame.ToMonitorText());
        if (r.HasPosition()) {
            out_ << "  [" << aprs::PositionText(r) << RecoveryText(recovery) << ']';
        }
        out_ << std::endl;
    }
}

std::string PacketPrinter::Summary(std::optional<double> nowS) const {
    if (!last_) {
        return "No position heard.";
    }
    std::string text = "Last position: " + last_->station + " " +
                       aprs::PositionText(last_->report) + ", heard at " +
                       aprs::UtcTimeText(last_->heardAt, "%H:%M:%S") + " UTC";
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

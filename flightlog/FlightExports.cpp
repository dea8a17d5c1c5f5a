#include "flightlog/FlightExports.h"

#include <array>

#include "device/AtomicFileWriter.h"
#include "flightlog/FlightText.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

constexpr int kCoordinateDecimals = 7;  // about 1 cm; the log resolves 1/10000 minute (0.2 m)
constexpr int kAltitudeDecimals = 0;    // the log holds whole metres
constexpr const char* kCreator = "Vanteo GPS Communicator";

struct Marker {
    std::string name;
    const TrackPoint* point;
};

// Launch, apogee and landing of every flight, numbered when there are several.
std::vector<Marker> Markers(const FlightAnalysis& analysis) {
    std::vector<Marker> markers;
    const bool numbered = analysis.flights.size() > 1;
    for (std::size_t i = 0; i < analysis.flights.size(); ++i) {
        const FlightSummary& f = analysis.flights[i];
        const std::string suffix = numbered ? " " + std::to_string(i + 1) : "";
        markers.push_back({"Launch" + suffix, &analysis.track[f.launch]});
        markers.push_back({"Apogee" + suffix, &analysis.track[f.apogee]});
        markers.push_back(
            {(f.landed ? "Landing" : "Last point") + suffix, &analysis.track[f.landing]});
    }
    return markers;
}

bool EveryPointTimed(const FlightAnalysis& analysis) {
    if (!analysis.captureDate || analysis.track.empty()) {
        return false;
    }
    for (const TrackPoint& point : analysis.track) {
        if (!point.utcSinceDateS) {
            return false;
        }
    }
    return true;
}

void AppendGpxPoint(std::string& out, const char* element, const FlightAnalysis& analysis,
                    const TrackPoint& point, const std::string& name) {
    AppendGpxPointHead(out, element, point.latitudeDeg, point.longitudeDeg,
                       point.hasAltitude ? std::optional<double>(point.altitudeM) : std::nullopt,
                       {kCoordinateDecimals, kAltitudeDecimals});
    if (point.utcSinceDateS && analysis.captureDate) {
        out += "<time>";
        AppendUtc(out, *analysis.captureDate, *point.utcSinceDateS);
        out += "</time>";
    }
    if (!name.empty()) {
        out += "<name>" + name + "</name>";
    }
    out += "</";
    out += element;
    out += ">\n";
}

void AppendKmlCoordinate(std::string& out, const TrackPoint& point, char separator) {
    AppendFixed(out, point.longitudeDeg, kCoordinateDecimals);
    out += separator;
    AppendFixed(out, point.latitudeDeg, kCoordinateDecimals);
    out += separator;
    AppendFixed(out, point.hasAltitude ? point.altitudeM : 0, kAltitudeDecimals);
}

const char* StatusText(PointStatus status) {
    switch (status) {
        case PointStatus::track:
            return "track";
        case PointStatus::noFix:
            return "no fix";
        case PointStatus::spike:
            break;
    }
    return "spike";
}

}  // namespace

void WriteGpx(std::string& out, const FlightAnalysis& analysis) {
    out.reserve(out.size() + 120 * analysis.track.size() + 1024);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<gpx version=\"1.1\" creator=\"";
    out += kCreator;
    out += "\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    for (const Marker& marker : Markers(analysis)) {
        AppendGpxPoint(out, "wpt", analysis, *marker.point, marker.name);
    }
    out += "<trk><name>Flight log</name><trkseg>\n";
    for (const TrackPoint& point : analysis.track) {
        AppendGpxPoint(out, "trkpt", analysis, point, "");
    }
    out += "</trkseg></trk>\n</gpx>\n";
}

void WriteFlightCsv(std::string& out, const DecodedLog& log, const FlightAnalysis& analysis) {
    out.reserve(out.size() + 110 * log.points.size() + 256);
    out +=
        "address,status,time_s,utc,latitude_deg,longitude_deg,altitude_m,altitude_ft,satellites,"
        "utc_hours,utc_minutes,seconds,compressed_values\r\n";
    std::size_t next = 0;  // the next track point, in log order
    for (std::size_t i = 0; i < log.points.size(); ++i) {
        const LogPoint& p = log.points[i];
        const TrackPoint* kept = nullptr;
        if (next < analysis.track.size() && analysis.track[next].logIndex == i) {
            kept = &analysis.track[next++];
        }
        AppendInteger(out, p.address);
        out += ',';
        out += StatusText(analysis.status[i]);
        out += ',';
        AppendFixed(out, analysis.timeS[i], 0);
        out += ',';
        if (kept != nullptr && kept->utcSinceDateS && analysis.captureDate) {
            AppendUtc(out, *analysis.captureDate, *kept->utcSinceDateS);
        }
        out += ',';
        AppendFixed(out, p.latitudeDeg, kCoordinateDecimals);
        out += ',';
        AppendFixed(out, p.longitudeDeg, kCoordinateDecimals);
        out += ',';
        if (const std::optional<long long> metres = AltitudeMetres(p, log.negativeAltitudes)) {
            AppendInteger(out, *metres);
            out += ',';
            AppendFixed(out, static_cast<double>(*metres) * kFeetPerMetre, 0);
        } else {
            out += ',';
        }
        out += ',';
        if (p.full) {
            AppendInteger(out, p.satellites);
            out += ',';
            if (p.hasHoursMinutes) {
                AppendInteger(out, p.hours);
                out += ',';
                AppendInteger(out, p.minutes);
            } else {
                out += ',';
            }
            out += ',';
            AppendInteger(out, p.seconds);
            out += ',';
        } else {
            out += ",,,,";
            // Space-separated: one field, no quoting needed.
            for (std::size_t k = 0; k < p.packed.size(); ++k) {
                if (k > 0) {
                    out += ' ';
                }
                AppendInteger(out, p.packed[k]);
            }
        }
        out += "\r\n";
    }
}

void WriteKml22(std::string& out, const FlightAnalysis& analysis) {
    out.reserve(out.size() + 130 * analysis.track.size() + 2048);
    const bool altitudes = !analysis.track.empty() && analysis.track.front().hasAltitude;
    const char* mode = altitudes ? "absolute" : "clampToGround";
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out +=
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
        "xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n";
    out += "<Document>\n<name>Flight log</name>\n";
    out +=
        "<Style id=\"track\"><LineStyle><color>ff00ffff</color><width>3</width></LineStyle>"
        "</Style>\n";
    for (const Marker& marker : Markers(analysis)) {
        out += "<Placemark><name>" + marker.name + "</name><Point><altitudeMode>";
        out += mode;
        out += "</altitudeMode><coordinates>";
        AppendKmlCoordinate(out, *marker.point, ',');
        out += "</coordinates></Point></Placemark>\n";
    }
    out += "<Placemark><name>Track</name><styleUrl>#track</styleUrl>\n";
    if (EveryPointTimed(analysis)) {
        out += "<gx:Track><altitudeMode>";
        out += mode;
        out += "</altitudeMode>\n";
        for (const TrackPoint& point : analysis.track) {
            out += "<when>";
            AppendUtc(out, *analysis.captureDate, *point.utcSinceDateS);
            out += "</when>\n";
        }
        for (const TrackPoint& point : analysis.track) {
            out += "<gx:coord>";
            AppendKmlCoordinate(out, point, ' ');
            out += "</gx:coord>\n";
        }
        out += "</gx:Track>\n";
    } else {
        out += "<LineString><altitudeMode>";
        out += mode;
        out += "</altitudeMode><coordinates>\n";
        for (const TrackPoint& point : analysis.track) {
            AppendKmlCoordinate(out, point, ',');
            out += '\n';
        }
        out += "</coordinates></LineString>\n";
    }
    out += "</Placemark>\n</Document>\n</kml>\n";
}

bool WriteFlightExports(UserInteraction& ui, const DecodedLog& log, const FlightAnalysis& analysis,
                        const FlightExportPaths& paths) {
    bool allSaved = true;
    const auto save = [&](const std::string& path, auto write) {
        if (path.empty()) {
            return;
        }
        std::string document;
        write(document);
        AtomicFileWriter file(path);
        if (!file.Open() || !file.Write(document) || !file.Commit()) {
            ui.ShowMessage(FormatC("Error writing file %s: it was not saved", path.c_str()));
            allSaved = false;
        }
    };
    save(paths.gpx, [&](std::string& out) { WriteGpx(out, analysis); });
    save(paths.csv, [&](std::string& out) { WriteFlightCsv(out, log, analysis); });
    save(paths.kml22, [&](std::string& out) { WriteKml22(out, analysis); });
    return allSaved;
}

}  // namespace vanteo

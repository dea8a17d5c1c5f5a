#include "flightlog/FlightReport.h"

#include "flightlog/FlightText.h"

namespace vanteo {
namespace {

constexpr int kCoordinateDecimals = 6;  // about 0.1 m

// How a time source is named: in the summary's text and as the JSON value.
struct TimeSourceNames {
    const char* text;
    const char* key;
};

TimeSourceNames NamesOf(TimeSource source) {
    switch (source) {
        case TimeSource::utcClock:
            return {"the log's UTC hours, minutes and seconds", "utcClock"};
        case TimeSource::secondsField:
            return {"the log's seconds (a minute counted at each roll-over)", "secondsField"};
        case TimeSource::storeInterval:
            break;
    }
    return {"the store interval (the log holds no time)", "storeInterval"};
}

void AppendMetresFeet(std::string& out, double metres) {
    AppendFixed(out, metres, 0);
    out += " m (";
    AppendFixed(out, metres * kFeetPerMetre, 0);
    out += " ft)";
}

void AppendPlace(std::string& out, const TrackPoint& point) {
    AppendFixed(out, point.latitudeDeg, kCoordinateDecimals);
    out += ", ";
    AppendFixed(out, point.longitudeDeg, kCoordinateDecimals);
}

void AppendWhen(std::string& out, const FlightAnalysis& analysis, const TrackPoint& point) {
    out += "T+";
    AppendClock(out, point.timeS);
    if (point.utcSinceDateS && analysis.captureDate) {
        out += " (";
        AppendUtc(out, *analysis.captureDate, *point.utcSinceDateS);
        out += ')';
    }
}

void AppendRate(std::string& out, double rate) {
    AppendFixed(out, rate, 1);
    out += " m/s (";
    AppendFixed(out, rate * kFeetPerMetre, 0);
    out += " ft/s)";
}

void AppendFlightText(std::string& out, const FlightAnalysis& a, const FlightSummary& f) {
    const TrackPoint& launch = a.track[f.launch];
    const TrackPoint& landing = a.track[f.landing];
    out += "  Launch:            ";
    AppendWhen(out, a, launch);
    out += " at ";
    AppendPlace(out, launch);
    out += ", pad ";
    AppendMetresFeet(out, f.padAltitudeM);
    out += " MSL\n  Apogee:            ";
    AppendMetresFeet(out, f.apogeeMslM);
    out += " MSL, ";
    AppendMetresFeet(out, f.apogeeAbovePadM);
    out += " above the pad, ";
    AppendFixed(out, f.timeToApogeeS, 0);
    out += " s after launch\n  Max ascent rate:   ";
    AppendRate(out, f.maxAscentRate);
    if (f.twoDescentStages) {
        out += "\n  Descent (drogue):  ";
        AppendRate(out, f.drogueDescentRate);
        out += "\n  Descent (main):    ";
        AppendRate(out, f.mainDescentRate);
    } else {
        out += "\n  Descent rate:      ";
        AppendRate(out, f.descentRate);
        out += " (drogue and main not told apart)";
    }
    out += f.landed ? "\n  Landing:           " : "\n  Last point:        ";
    AppendWhen(out, a, landing);
    out += " at ";
    AppendPlace(out, landing);
    if (!f.landed) {
        out += " (the log ends before the rocket came to rest)";
    }
    out += "\n  Flight time:       ";
    AppendFixed(out, f.flightTimeS, 0);
    out += " s\n  Pad to landing:    ";
    AppendMetresFeet(out, f.distanceM);
    out += ", bearing ";
    AppendFixed(out, f.bearingDeg, 0);
    out += " deg\n  Farthest from pad: ";
    AppendMetresFeet(out, f.farthestM);
    out += "\n  Points:            ";
    AppendInteger(out, static_cast<long long>(f.pointCount));
    out += ", satellites ";
    AppendInteger(out, f.satellitesMin);
    out += " to ";
    AppendInteger(out, f.satellitesMax);
    out += ", gaps ";
    AppendInteger(out, static_cast<long long>(f.gapCount));
    if (f.gapCount > 0) {
        out += " (longest ";
        AppendFixed(out, f.longestGapS, 0);
        out += " s)";
    }
    out += '\n';
}

void JsonKey(std::string& out, const char* key) {
    out += '"';
    out += key;
    out += "\":";
}

void JsonNumber(std::string& out, const char* key, double value, int decimals) {
    JsonKey(out, key);
    AppendFixed(out, value, decimals);
    out += ',';
}

void JsonPoint(std::string& out, const char* key, const FlightAnalysis& a, const TrackPoint& p) {
    JsonKey(out, key);
    out += '{';
    JsonNumber(out, "timeS", p.timeS, 0);
    if (p.utcSinceDateS && a.captureDate) {
        JsonKey(out, "utc");
        out += '"';
        AppendUtc(out, *a.captureDate, *p.utcSinceDateS);
        out += "\",";
    }
    JsonNumber(out, "latitude", p.latitudeDeg, kCoordinateDecimals);
    JsonNumber(out, "longitude", p.longitudeDeg, kCoordinateDecimals);
    JsonNumber(out, "altitudeM", p.altitudeM, 0);
    out.back() = '}';
    out += ',';
}

void AppendFlightJson(std::string& out, const FlightAnalysis& a, const FlightSummary& f) {
    out += '{';
    JsonPoint(out, "launch", a, a.track[f.launch]);
    JsonPoint(out, "apogee", a, a.track[f.apogee]);
    JsonPoint(out, "landing", a, a.track[f.landing]);
    JsonKey(out, "landed");
    out += f.landed ? "true," : "false,";
    JsonNumber(out, "padAltitudeM", f.padAltitudeM, 0);
    JsonNumber(out, "apogeeMslM", f.apogeeMslM, 0);
    JsonNumber(out, "apogeeAbovePadM", f.apogeeAbovePadM, 0);
    JsonNumber(out, "timeToApogeeS", f.timeToApogeeS, 0);
    JsonNumber(out, "maxAscentRate", f.maxAscentRate, 1);
    JsonKey(out, "twoDescentStages");
    out += f.twoDescentStages ? "true," : "false,";
    if (f.twoDescentStages) {
        JsonNumber(out, "drogueDescentRate", f.drogueDescentRate, 1);
        JsonNumber(out, "mainDescentRate", f.mainDescentRate, 1);
    }
    JsonNumber(out, "descentRate", f.descentRate, 1);
    JsonNumber(out, "flightTimeS", f.flightTimeS, 0);
    JsonNumber(out, "distanceM", f.distanceM, 0);
    JsonNumber(out, "bearingDeg", f.bearingDeg, 0);
    JsonNumber(out, "farthestM", f.farthestM, 0);
    JsonNumber(out, "pointCount", static_cast<double>(f.pointCount), 0);
    JsonNumber(out, "satellitesMin", f.satellitesMin, 0);
    JsonNumber(out, "satellitesMax", f.satellitesMax, 0);
    JsonNumber(out, "gapCount", static_cast<double>(f.gapCount), 0);
    JsonNumber(out, "longestGapS", f.longestGapS, 0);
    out.back() = '}';
}

}  // namespace

std::string FlightSummaryText(const DecodedLog& log, const FlightAnalysis& analysis) {
    std::string out;
    if (analysis.flights.empty()) {
        out += analysis.noFlightReason + "\n";
    }
    for (std::size_t i = 0; i < analysis.flights.size(); ++i) {
        out += "Flight ";
        AppendInteger(out, static_cast<long long>(i + 1));
        out += " of ";
        AppendInteger(out, static_cast<long long>(analysis.flights.size()));
        out += '\n';
        AppendFlightText(out, analysis, analysis.flights[i]);
    }
    out += "Log: ";
    AppendInteger(out, static_cast<long long>(log.points.size()));
    out += " points decoded, ";
    AppendInteger(out, static_cast<long long>(analysis.noFixCount));
    out += " without a fix, ";
    AppendInteger(out, static_cast<long long>(analysis.spikeCount));
    out += " single-point spikes left out, gaps ";
    AppendInteger(out, static_cast<long long>(analysis.gapCount));
    out += "\nTimes from ";
    out += NamesOf(analysis.timeSource).text;
    if (analysis.timeSource == TimeSource::storeInterval) {
        out += ", ";
        AppendFixed(out, analysis.storeIntervalS, 0);
        out += " s a point";
    }
    if (analysis.captureDate) {
        out += "; capture date ";
        AppendUtc(out, *analysis.captureDate, 0);
        out.resize(out.size() - 10);  // the date only
    }
    out += '\n';
    return out;
}

std::string FlightSummaryJson(const DecodedLog& log, const FlightAnalysis& analysis) {
    std::string out = "{";
    JsonKey(out, "timeSource");
    out += '"';
    out += NamesOf(analysis.timeSource).key;
    out += "\",";
    JsonNumber(out, "storeIntervalS", analysis.storeIntervalS, 0);
    if (analysis.captureDate) {
        JsonKey(out, "captureDate");
        out += '"';
        AppendUtc(out, *analysis.captureDate, 0);
        out.resize(out.size() - 10);
        out += "\",";
    }
    JsonNumber(out, "pointsDecoded", static_cast<double>(log.points.size()), 0);
    JsonNumber(out, "noFixPoints", static_cast<double>(analysis.noFixCount), 0);
    JsonNumber(out, "spikePoints", static_cast<double>(analysis.spikeCount), 0);
    JsonNumber(out, "gapCount", static_cast<double>(analysis.gapCount), 0);
    if (analysis.flights.empty()) {
        JsonKey(out, "noFlight");
        out += '"' + analysis.noFlightReason + "\",";
    }
    JsonKey(out, "flights");
    out += '[';
    for (std::size_t i = 0; i < analysis.flights.size(); ++i) {
        out += i == 0 ? "" : ",";
        AppendFlightJson(out, analysis, analysis.flights[i]);
    }
    out += "]}\n";
    return out;
}

}  // namespace vanteo

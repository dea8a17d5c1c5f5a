#include "flightlog/LiveTrackFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "flightlog/FlightText.h"

namespace vanteo {
namespace {

constexpr int kCoordinateDecimals = 6;  // APRS resolves 1/100 minute (0.0000167 deg, 1.9 m)
constexpr int kAltitudeDecimals = 1;    // APRS altitudes are whole feet (0.3 m)

std::string XmlEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

const char* Tail(LiveTrackFormat format) {
    return format == LiveTrackFormat::gpx
               ? "</trkseg></trk>\n</gpx>\n"
               : "</coordinates></LineString>\n</Placemark>\n</Document>\n</kml>\n";
}

void AppendTime(std::string& out, std::time_t utc) {
    std::tm parts{};
    gmtime_r(&utc, &parts);
    const CaptureDate date{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
    AppendUtc(out, date, parts.tm_hour * 3600LL + parts.tm_min * 60LL + parts.tm_sec);
}

}  // namespace

LiveTrackFile::~LiveTrackFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool LiveTrackFile::Open(const std::string& path, const std::string& name) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    error_.clear();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    if (format_ == LiveTrackFormat::gpx) {
        head +=
            "<gpx version=\"1.1\" creator=\"Vanteo GPS Communicator\" "
            "xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk><name>" +
            XmlEscaped(name) + "</name><trkseg>\n";
    } else {
        // Absolute: the tracker sends its altitude in every beacon.
        head += "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n<name>" +
                XmlEscaped(name) +
                "</name>\n<Style id=\"track\"><LineStyle><color>ff00ffff</color><width>3</width>"
                "</LineStyle></Style>\n<Placemark><name>Track</name><styleUrl>#track</styleUrl>\n"
                "<LineString><altitudeMode>absolute</altitudeMode><coordinates>\n";
    }
    tailOffset_ = 0;
    if (!WriteAt(head + Tail(format_), 0)) {
        return false;
    }
    tailOffset_ = static_cast<long long>(head.size());
    return true;
}

bool LiveTrackFile::Append(const LiveTrackPoint& point) {
    if (fd_ < 0) {
        return false;
    }
    std::string body;
    if (format_ == LiveTrackFormat::gpx) {
        AppendGpxPointHead(body, "trkpt", point.latitudeDeg, point.longitudeDeg, point.altitudeM,
                           {kCoordinateDecimals, kAltitudeDecimals});
        body += "<time>";
        AppendTime(body, point.utc);
        body += "</time></trkpt>\n";
    } else {
        AppendFixed(body, point.longitudeDeg, kCoordinateDecimals);
        body += ',';
        AppendFixed(body, point.latitudeDeg, kCoordinateDecimals);
        if (point.altitudeM) {
            body += ',';
            AppendFixed(body, *point.altitudeM, kAltitudeDecimals);
        }
        body += '\n';
    }
    // One write: the point and the closing tags land together over the old closing tags, which
    // the new text always covers completely (it is longer than them by the point).
    if (!WriteAt(body + Tail(format_), tailOffset_)) {
        return false;
    }
    tailOffset_ += static_cast<long long>(body.size());
    return true;
}

bool LiveTrackFile::WriteAt(const std::string& bytes, long long offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                         static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error_ = std::strerror(errno);
            ::close(fd_);
            fd_ = -1;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    if (::fdatasync(fd_) != 0) {
        error_ = std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

}  // namespace vanteo

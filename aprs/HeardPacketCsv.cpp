#include "aprs/HeardPacketCsv.h"

#include "serial/CFormat.h"

namespace vanteo::aprs {
namespace {

constexpr double kFeetPerMetre = 1 / kMetresPerFoot;

std::string Path(const Ax25Frame& frame) {
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

}  // namespace

const char* AprsFormatName(AprsFormat format) {
    switch (format) {
        case AprsFormat::uncompressed:
            return "uncompressed";
        case AprsFormat::compressed:
            return "compressed";
        case AprsFormat::micE:
            return "mic-e";
        case AprsFormat::other:
            break;
    }
    return "other";
}

std::string PrintableBytes(const std::string& bytes) {
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

std::string UtcTimeText(std::time_t at, const char* format) {
    std::tm parts{};
    gmtime_r(&at, &parts);
    char text[32] = {};
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

std::string PositionText(const AprsReport& r) {
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

bool HeardPacketCsv::Open(const std::string& path) {
    file_.open(path, std::ios::binary | std::ios::trunc);
    file_ << kHeader;
    file_.flush();
    failed_ = !file_;
    return !failed_;
}

bool HeardPacketCsv::Append(const HeardPacket& packet, std::time_t heardAt) {
    if (!file_.is_open()) {
        return false;
    }
    const AprsReport& r = packet.report;
    file_ << UtcTimeText(heardAt, "%Y-%m-%dT%H:%M:%SZ") << ','
          << CsvField(packet.frame.source.ToString()) << ','
          << CsvField(packet.frame.destination.ToString()) << ',' << CsvField(Path(packet.frame))
          << ',' << AprsFormatName(r.format) << ',';
    if (r.HasPosition()) {
        file_ << FormatC("%.6f,%.6f,", r.latitudeDeg, r.longitudeDeg)
              << (r.altitudeM ? FormatC("%.1f,%.0f", *r.altitudeM, *r.altitudeM * kFeetPerMetre)
                              : std::string(","))
              << ',' << (r.courseDeg ? std::to_string(*r.courseDeg) : std::string()) << ','
              << (r.speedKnots ? FormatC("%.1f", *r.speedKnots) : std::string()) << ','
              << CsvField(PrintableBytes(r.comment));
    } else {
        file_ << ",,,,,,";
    }
    file_ << ',' << CsvField(PrintableBytes(packet.frame.info)) << "\r\n";
    file_.flush();
    failed_ = failed_ || !file_;
    return !failed_;
}

}  // namespace vanteo::aprs

#include "cli/PacketPrinter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

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

}  // namespace

bool PacketPrinter::OpenCsv(const std::string& path) {
    csv_.open(path, std::ios::binary | std::ios::trunc);
    csv_ << kCsvHeader;
    csv_.flush();
    return static_cast<bool>(csv_);
}

void PacketPrinter::Print(const aprs::HeardPacket& packet, std::time_t heardAt) {
    const aprs::AprsReport& r = packet.report;
    const std::string station = packet.frame.source.ToString();
    if (r.HasPosition()) {
        last_ = LastPosition{station, r, heardAt};
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
        }
        out_ << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << std::endl;
    } else {
        out_ << UtcTime(heardAt, "%H:%M:%S") << ' ' << Printable(packet.frame.ToMonitorText());
        if (r.HasPosition()) {
            out_ << "  [" << PositionText(r) << ']';
        }
        out_ << std::endl;
    }
    if (csv_.is_open()) {
        csv_ << UtcTime(heardAt, "%Y-%m-%dT%H:%M:%SZ") << ',' << CsvField(station) << ','
             << CsvField(packet.frame.destination.ToString()) << ',' << CsvField(Path(packet.frame))
             << ',' << FormatName(r.format) << ',';
        if (r.HasPosition()) {
            csv_ << FormatC("%.6f,%.6f,", r.latitudeDeg, r.longitudeDeg)
                 << (r.altitudeM ? FormatC("%.1f", *r.altitudeM) : std::string()) << ','
                 << (r.courseDeg ? std::to_string(*r.courseDeg) : std::string()) << ','
                 << (r.speedKnots ? FormatC("%.1f", *r.speedKnots) : std::string()) << ','
                 << CsvField(Printable(r.comment));
        } else {
            csv_ << ",,,,,";
        }
        csv_ << ',' << CsvField(Printable(packet.frame.info)) << '\n';
        csv_.flush();
        csvFailed_ = csvFailed_ || !csv_;
    }
}

std::string PacketPrinter::Summary() const {
    if (!last_) {
        return "No position heard.";
    }
    return "Last position: " + last_->station + " " + PositionText(last_->report) + ", heard at " +
           UtcTime(last_->heardAt, "%H:%M:%S") + " UTC";
}

}  // namespace vanteo::cli

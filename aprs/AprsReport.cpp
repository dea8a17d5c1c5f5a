#include "aprs/AprsReport.h"

#include <cmath>
#include <cstddef>

namespace vanteo::aprs {

namespace {

constexpr std::size_t kTimestampChars = 7;
constexpr std::size_t kUncompressedChars = 19;  // 8 latitude, table, 9 longitude, code
constexpr std::size_t kCompressedChars = 13;    // table, 4 lat, 4 lon, code, 2 cs, type
constexpr std::size_t kMicEInfoChars = 9;       // type, 3 longitude, 3 speed/course, code, table
constexpr std::size_t kMicEDestinationChars = 6;
constexpr int kBase91Offset = 33;               // '!' is digit 0
constexpr int kMicEOffset = 28;                 // Mic-E info bytes carry value + 28
constexpr double kMicEAltitudeOriginM = 10000;  // "}"-altitude is metres above -10 km

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits of an uncompressed coordinate; a space (position ambiguity) counts as 0.
bool DigitsValue(std::string_view text, double& value) {
    value = 0;
    for (const char c : text) {
        if (c != ' ' && !IsDigit(c)) {
            return false;
        }
        value = value * 10 + (c == ' ' ? 0 : c - '0');
    }
    return true;
}

// "DDMM.mmN" or "DDDMM.mmW" (degreeDigits 2 or 3).
bool ParseUncompressedCoordinate(std::string_view text, std::size_t degreeDigits, char positive,
                                 char negative, double limit, double& degrees) {
    double whole = 0;
    double minutes = 0;
    double hundredths = 0;
    if (!DigitsValue(text.substr(0, degreeDigits), whole) ||
        !DigitsValue(text.substr(degreeDigits, 2), minutes) || text[degreeDigits + 2] != '.' ||
        !DigitsValue(text.substr(degreeDigits + 3, 2), hundredths) || minutes >= 60) {
        return false;
    }
    const char hemisphere = text[degreeDigits + 5];
    if (hemisphere != positive && hemisphere != negative) {
        return false;
    }
    degrees = whole + (minutes + hundredths / 100) / 60;
    if (degrees > limit) {
        return false;
    }
    if (hemisphere == negative) {
        degrees = -degrees;
    }
    return true;
}

bool Base91(std::string_view text, long& value) {
    value = 0;
    for (const char c : text) {
        if (c < kBase91Offset || c > kBase91Offset + 90) {
            return false;
        }
        value = value * 91 + (c - kBase91Offset);
    }
    return true;
}

bool IsSymbolTable(char c) {
    return c == '/' || c == '\\' || (c >= 'A' && c <= 'Z') || IsDigit(c);
}

// "CSE/SPD" right after an uncompressed position: course in degrees, speed in knots.
void TakeCourseSpeed(AprsReport& report) {
    const std::string& c = report.comment;
    if (c.size() < 7 || c[3] != '/') {
        return;
    }
    for (const std::size_t i : {0, 1, 2, 4, 5, 6}) {
        if (!IsDigit(c[i])) {
            return;
        }
    }
    const int course = std::stoi(c.substr(0, 3));
    const int speed = std::stoi(c.substr(4, 3));
    if (course > 360) {
        return;
    }
    if (course > 0) {
        report.courseDeg = course;
    }
    report.speedKnots = speed;
    report.comment.erase(0, 7);
}

// "/A=aaaaaa" anywhere in the comment: altitude in feet, six characters (a leading '-' allowed).
void TakeAltitudeComment(AprsReport& report) {
    const std::size_t at = report.comment.find("/A=");
    if (at == std::string::npos || report.comment.size() - at < 9) {
        return;
    }
    const std::string digits = report.comment.substr(at + 3, 6);
    const bool negative = digits[0] == '-';
    double feet = 0;
    if (!DigitsValue(std::string_view(digits).substr(negative ? 1 : 0), feet) ||
        digits.find(' ') != std::string::npos) {
        return;
    }
    report.altitudeM = (negative ? -feet : feet) * kMetresPerFoot;
    report.comment.erase(at, 9);
}

bool DecodeUncompressed(std::string_view body, AprsReport& report) {
    if (body.size() < kUncompressedChars) {
        report.error = "position cut short";
        return false;
    }
    if (!ParseUncompressedCoordinate(body.substr(0, 8), 2, 'N', 'S', 90, report.latitudeDeg) ||
        !ParseUncompressedCoordinate(body.substr(9, 9), 3, 'E', 'W', 180, report.longitudeDeg)) {
        report.error = "position is not DDMM.mmN/DDDMM.mmW";
        return false;
    }
    report.symbolTable = body[8];
    report.symbolCode = body[18];
    report.comment.assign(body.substr(kUncompressedChars));
    TakeCourseSpeed(report);
    TakeAltitudeComment(report);
    report.format = AprsFormat::uncompressed;
    return true;
}

// Latitude 90 - y / 380926 and longitude -180 + x / 190463 degrees, y and x four base-91 digits.
// After the symbol code, "cs" and the compression type T: a space for c means nothing is there;
// T's bits 3-4 equal to 2 (the fix came from a GGA sentence) make cs an altitude of 1.002^cs
// feet; otherwise c up to 'z' is course (c - 33) * 4 degrees and s a speed of 1.08^(s - 33) - 1
// knots ('{' for c is a radio range, not decoded).
bool DecodeCompressed(std::string_view body, AprsReport& report) {
    if (body.size() < kCompressedChars) {
        report.error = "compressed position cut short";
        return false;
    }
    long y = 0;
    long x = 0;
    if (!Base91(body.substr(1, 4), y) || !Base91(body.substr(5, 4), x)) {
        report.error = "compressed position is not base-91";
        return false;
    }
    report.latitudeDeg = 90.0 - static_cast<double>(y) / 380926.0;
    report.longitudeDeg = -180.0 + static_cast<double>(x) / 190463.0;
    if (report.latitudeDeg < -90 || report.longitudeDeg > 180) {
        report.error = "compressed position out of range";
        return false;
    }
    report.symbolTable = body[0];
    report.symbolCode = body[9];
    const char c = body[10];
    const char s = body[11];
    const char t = body[12];
    constexpr int kGgaSource = 2;
    if (c != ' ' && s >= kBase91Offset && s <= kBase91Offset + 90 && t >= kBase91Offset &&
        t <= kBase91Offset + 90) {
        const int type = t - kBase91Offset;
        if (((type >> 3) & 3) == kGgaSource) {
            long cs = 0;
            if (Base91(body.substr(10, 2), cs)) {
                report.altitudeM = std::pow(1.002, static_cast<double>(cs)) * kMetresPerFoot;
            }
        } else if (c >= kBase91Offset && c <= 'z') {
            const int course = (c - kBase91Offset) * 4;
            if (course > 0) {
                report.courseDeg = course;
            }
            report.speedKnots = std::pow(1.08, s - kBase91Offset) - 1.0;
        }
    }
    report.comment.assign(body.substr(kCompressedChars));
    TakeAltitudeComment(report);
    report.format = AprsFormat::compressed;
    return true;
}

bool DecodePosition(std::string_view body, AprsReport& report) {
    if (body.empty()) {
        report.error = "position missing";
        return false;
    }
    if (IsDigit(body[0]) || body[0] == ' ') {
        return DecodeUncompressed(body, report);
    }
    if (IsSymbolTable(body[0]) || (body[0] >= 'a' && body[0] <= 'j')) {
        return DecodeCompressed(body, report);
    }
    report.error = "position is neither plain nor compressed";
    return false;
}

// One destination character of a Mic-E frame: its latitude digit (or -1 for a space, position
// ambiguity) and whether it is "custom/north/+100/west" (the P-Z and A-K ranges count as set for
// the three flags; the flags only look at characters 4-6, where A-K never appear).
bool MicEDigit(char c, int& digit, bool& flag) {
    if (IsDigit(c)) {
        digit = c - '0';
        flag = false;
    } else if (c >= 'A' && c <= 'J') {
        digit = c - 'A';
        flag = true;
    } else if (c >= 'P' && c <= 'Y') {
        digit = c - 'P';
        flag = true;
    } else if (c == 'K' || c == 'Z') {
        digit = 0;
        flag = true;
    } else if (c == 'L') {
        digit = 0;
        flag = false;
    } else {
        return false;
    }
    return true;
}

// Mic-E: the six destination characters are the latitude digits DDMMhh; the 4th says north (P-Z)
// or south, the 5th adds 100 to the longitude degrees, the 6th says west. Info bytes 1-3 are
// longitude degrees, minutes and hundredths + 28 (degrees 180-189 stand for 100-109 and 190-199
// for 0-9; minutes 60-69 for 0-9); bytes 4-6 are SP, DC, SE + 28 with speed = SP * 10 + DC / 10
// knots and course = (DC % 10) * 100 + SE degrees; then symbol code and table. In the comment,
// three base-91 digits and '}' (optionally after one type byte) are metres above -10000 m.
bool DecodeMicE(std::string_view destination, std::string_view info, AprsReport& report) {
    if (info.size() < kMicEInfoChars) {
        report.error = "Mic-E information cut short";
        return false;
    }
    if (destination.size() != kMicEDestinationChars) {
        report.error = "Mic-E destination is not six characters";
        return false;
    }
    int digits[kMicEDestinationChars] = {};
    bool flags[kMicEDestinationChars] = {};
    for (std::size_t i = 0; i < kMicEDestinationChars; ++i) {
        if (!MicEDigit(destination[i], digits[i], flags[i])) {
            report.error = "Mic-E destination has a character outside 0-9, A-L, P-Z";
            return false;
        }
    }
    const double latMinutes = digits[2] * 10 + digits[3] + (digits[4] * 10 + digits[5]) / 100.0;
    if (latMinutes >= 60) {
        report.error = "Mic-E latitude minutes past 59";
        return false;
    }
    report.latitudeDeg = digits[0] * 10 + digits[1] + latMinutes / 60.0;
    if (report.latitudeDeg > 90) {
        report.error = "Mic-E latitude past 90";
        return false;
    }
    if (!flags[3]) {
        report.latitudeDeg = -report.latitudeDeg;
    }
    auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(info[i]) - kMicEOffset; };
    int degrees = byteAt(1);
    if (flags[4]) {
        degrees += 100;
    }
    if (degrees >= 180 && degrees <= 189) {
        degrees -= 80;
    } else if (degrees >= 190 && degrees <= 199) {
        degrees -= 190;
    }
    int minutes = byteAt(2);
    if (minutes >= 60) {
        minutes -= 60;
    }
    const int hundredths = byteAt(3);
    if (degrees < 0 || degrees > 180 || minutes < 0 || minutes > 59 || hundredths < 0 ||
        hundredths > 99) {
        report.error = "Mic-E longitude out of range";
        return false;
    }
    report.longitudeDeg = degrees + (minutes + hundredths / 100.0) / 60.0;
    if (report.longitudeDeg > 180) {
        report.error = "Mic-E longitude past 180";
        return false;
    }
    if (flags[5]) {
        report.longitudeDeg = -report.longitudeDeg;
    }
    const int sp = byteAt(4);
    const int dc = byteAt(5);
    const int se = byteAt(6);
    if (sp >= 0 && dc >= 0 && se >= 0) {
        int speed = sp * 10 + dc / 10;
        if (speed >= 800) {
            speed -= 800;
        }
        int course = (dc % 10) * 100 + se;
        if (course >= 400) {
            course -= 400;
        }
        report.speedKnots = speed;
        if (course > 0 && course <= 360) {
            report.courseDeg = course;
        }
    }
    report.symbolCode = info[7];
    report.symbolTable = info[8];
    report.comment.assign(info.substr(kMicEInfoChars));
    for (const std::size_t at : {std::size_t{0}, std::size_t{1}}) {
        long value = 0;
        if (report.comment.size() >= at + 4 && report.comment[at + 3] == '}' &&
            Base91(std::string_view(report.comment).substr(at, 3), value)) {
            report.altitudeM = static_cast<double>(value) - kMicEAltitudeOriginM;
            report.comment.erase(at, 4);
            break;
        }
    }
    TakeAltitudeComment(report);
    report.format = AprsFormat::micE;
    return true;
}

}  // namespace

AprsReport DecodeAprs(std::string_view destination, std::string_view info) {
    AprsReport report;
    if (info.empty()) {
        return report;
    }
    report.dataType = info[0];
    bool decoded = false;
    switch (info[0]) {
        case '!':
        case '=':
            decoded = DecodePosition(info.substr(1), report);
            break;
        case '/':
        case '@':
            if (info.size() < 1 + kTimestampChars) {
                report.error = "timestamp cut short";
            } else {
                report.timestamp.assign(info.substr(1, kTimestampChars));
                decoded = DecodePosition(info.substr(1 + kTimestampChars), report);
            }
            break;
        case '\'':
        case '`':
            decoded = DecodeMicE(destination, info, report);
            break;
        default:
            break;
    }
    if (decoded) {
        // Many trackers end the info field with CR or CR LF; it is no part of the comment.
        while (!report.comment.empty() &&
               (report.comment.back() == '\r' || report.comment.back() == '\n')) {
            report.comment.pop_back();
        }
    } else {
        const std::string error = report.error;
        const char type = report.dataType;
        report = AprsReport{};
        report.dataType = type;
        report.error = error;
        report.comment.assign(info);
    }
    return report;
}

}  // namespace vanteo::aprs

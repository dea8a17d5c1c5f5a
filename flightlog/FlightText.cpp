#include "flightlog/FlightText.h"

#include <charconv>
#include <cmath>

namespace vanteo {
namespace {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
long long DaysFromCivil(long long year, long long month, long long day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long long days, long long& year, long long& month, long long& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex + (monthIndex < 10 ? 3 : -9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

void AppendTwoDigits(std::string& out, long long value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) {
    if (!std::isfinite(value)) {
        value = 0;
    }
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos) {
        text.remove_prefix(1);
    }
    out.append(text);
}

void AppendInteger(std::string& out, long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendUtc(std::string& out, const CaptureDate& date, long long seconds) {
    const long long dayOffset = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const long long secondOfDay = seconds - dayOffset * 86400;
    long long year = 0;
    long long month = 0;
    long long day = 0;
    CivilFromDays(DaysFromCivil(date.year, date.month, date.day) + dayOffset, year, month, day);
    AppendInteger(out, year);
    out += '-';
    AppendTwoDigits(out, month);
    out += '-';
    AppendTwoDigits(out, day);
    out += 'T';
    AppendClock(out, static_cast<double>(secondOfDay));
    out += 'Z';
}

void AppendClock(std::string& out, double seconds) {
    const long long whole = seconds > 0 ? std::llround(seconds) : 0;
    if (whole / 3600 >= 100) {
        AppendInteger(out, whole / 3600);
    } else {
        AppendTwoDigits(out, whole / 3600);
    }
    out += ':';
    AppendTwoDigits(out, whole / 60 % 60);
    out += ':';
    AppendTwoDigits(out, whole % 60);
}

void AppendGpxPointHead(std::string& out, const char* element, double latitudeDeg,
                        double longitudeDeg, std::optional<double> altitudeM,
                        PositionDecimals decimals) {
    out += '<';
    out += element;
    out += " lat=\"";
    AppendFixed(out, latitudeDeg, decimals.coordinate);
    out += "\" lon=\"";
    AppendFixed(out, longitudeDeg, decimals.coordinate);
    out += "\">";
    if (altitudeM) {
        out += "<ele>";
        AppendFixed(out, *altitudeM, decimals.altitude);
        out += "</ele>";
    }
}

}  // namespace vanteo

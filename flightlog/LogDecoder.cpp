#include "flightlog/LogDecoder.h"

#include <algorithm>

#include "flightlog/FlashCommands.h"

namespace vanteo {
namespace {

constexpr std::uint32_t kEndMarkErased = 0xA5;
constexpr std::uint32_t kEndMarkWritten = 0x5A;
constexpr std::uint32_t kEndMarkZero = 0x00;

constexpr int kShortRecordBytes = 13;  // ... satellites, seconds
constexpr int kLongRecordBytes = 15;   // ... satellites, UTC hours, minutes, seconds
constexpr long long kCompressedFirstRecord = 13;
constexpr long long kCompressedRecordBytes = 5;
constexpr long long kValuesPerKbit = 128;

// A first image value of 0xFD marks a log whose altitudes are printed in their negative form.
constexpr std::uint32_t kNegativeAltitudeMark = 0xFD;

// The trailer area: the last 16 bytes of a 1024-kbit memory, else of the first 16 KB. Its bytes
// 10-15 hold the capture date (DDMMYY), bytes 0-1 the trigger value.
constexpr long long kLargeDatePosition = 131066;
constexpr long long kSmallDatePosition = 16378;
constexpr long long kTriggerBeforeDate = 10;
// Where the altitude sample lies when the log carries no timestamp.
constexpr long long kAltitudeSamplePosition = 32768;

constexpr double kOneSixtieth = 0.016666666666666666;

// The image in use; positions outside it read as 0.
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

// One axis of a compressed log: whole degrees and minutes kept, fraction in 1/10000 minute.
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

void DecodeCompressed(const LogReader& log, std::vector<LogPoint>& points) {
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
        LogPoint point;
        point.address = p;
        point.full = false;
        point.longitudeDeg = lon.Degrees();
        point.latitudeDeg = lat.Degrees();
        point.packed = {log.At(p), log.At(p + 1) & 0x7F, log.At(p + 2), log.At(p + 3),
                        log.At(p + 4)};
        points.push_back(point);
    }
}

void DecodeFull(const LogReader& log, int recordBytes, std::vector<LogPoint>& points) {
    for (long long p = 0; p < log.Size() - 2LL * recordBytes; p += recordBytes) {
        if (EndsAt(log, p)) {
            break;
        }
        if (log.At(p) == 0) {
            continue;
        }
        LogPoint point;
        point.address = p;
        point.longitudeDeg = Coordinate(log, p);
        point.latitudeDeg = Coordinate(log, p + 4);
        point.altitudeParts = {log.At(p + 8), log.At(p + 9), log.At(p + 10)};
        point.satellites = log.At(p + 11);
        if (recordBytes == kLongRecordBytes) {
            point.hasHoursMinutes = true;
            point.hours = log.At(p + 12);
            point.minutes = log.At(p + 13);
            point.seconds = log.At(p + 14);
        } else {
            point.seconds = log.At(p + 12);
        }
        points.push_back(point);
    }
}

int DigitValue(int character) {
    return character >= '0' && character <= '9' ? character - '0' : -1;
}

std::optional<CaptureDate> DateOf(const std::array<int, 6>& characters) {
    int values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const int tens = DigitValue(characters[static_cast<std::size_t>(2 * i)]);
        const int ones = DigitValue(characters[static_cast<std::size_t>(2 * i + 1)]);
        if (tens < 0 || ones < 0) {
            return std::nullopt;
        }
        values[i] = tens * 10 + ones;
    }
    constexpr int kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const CaptureDate date{2000 + values[2], values[1], values[0]};
    const bool leap = date.year % 4 == 0;  // 2000-2099
    if (date.month < 1 || date.month > 12 || date.day < 1 ||
        date.day > kDaysInMonth[date.month - 1] || (date.month == 2 && date.day == 29 && !leap)) {
        return std::nullopt;
    }
    return date;
}

}  // namespace

LogLayout ResolveLogLayout(TrackerCapabilities& caps, bool compress, bool hoursMinutes) {
    LogLayout layout;
    layout.memorySizeKbit = caps.memorySizeKbit;
    layout.compressed = caps.compressCapable && compress;
    layout.timestamp = caps.logTimestamp;
    layout.recordBytes = caps.logHoursMinutes ? kLongRecordBytes : kShortRecordBytes;
    if (!layout.compressed && caps.hoursMinutesCapable) {
        layout.recordBytes = kShortRecordBytes;
        if (hoursMinutes) {
            caps.logHoursMinutes = true;
            layout.recordBytes = kLongRecordBytes;
        }
    }
    return layout;
}

DecodedLog DecodeLog(std::span<const std::uint32_t> image, const LogLayout& layout) {
    const LogReader log(image);
    DecodedLog decoded;
    decoded.layout = layout;
    if (layout.compressed) {
        // A compressed log has no capture date, trigger or altitudes.
        DecodeCompressed(log, decoded.points);
        return decoded;
    }
    const long long datePosition =
        layout.memorySizeKbit == kLargeMemoryKbit ? kLargeDatePosition : kSmallDatePosition;
    if (layout.timestamp) {
        for (std::size_t i = 0; i < decoded.dateCharacters.size(); ++i) {
            decoded.dateCharacters[i] = log.At(datePosition + static_cast<long long>(i));
        }
        decoded.trigger = {log.Raw(datePosition - kTriggerBeforeDate),
                           log.Raw(datePosition - kTriggerBeforeDate + 1)};
        decoded.captureDate = DateOf(decoded.dateCharacters);
    }
    const long long q = layout.timestamp ? datePosition : kAltitudeSamplePosition;
    decoded.altitudeSample = 1000LL * log.At(q + 8) + 100LL * log.At(q + 9) + log.At(q + 10);
    decoded.negativeAltitudes = log.Raw(0) == kNegativeAltitudeMark;
    const long long expected = static_cast<long long>(layout.memorySizeKbit) * kValuesPerKbit;
    decoded.points.reserve(
        static_cast<std::size_t>(std::min(expected, log.Size()) / layout.recordBytes + 1));
    DecodeFull(log, layout.recordBytes, decoded.points);
    return decoded;
}

std::optional<long long> AltitudeMetres(const LogPoint& point, bool negativeAltitudes) {
    const auto& parts = point.altitudeParts;
    if (!point.full || parts[0] < 0 || parts[1] < 0 || parts[1] > 99 || parts[2] < 0 ||
        parts[2] > 99) {
        return std::nullopt;
    }
    if (negativeAltitudes) {
        return -(100LL * parts[1] + parts[2]);
    }
    return 10000LL * parts[0] + 100LL * parts[1] + parts[2];
}

bool IsLogEnd(std::span<const std::uint32_t> image, std::size_t position) {
    return EndsAt(LogReader(image), static_cast<long long>(position));
}

}  // namespace vanteo

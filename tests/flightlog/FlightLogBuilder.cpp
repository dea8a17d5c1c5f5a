#include "tests/flightlog/FlightLogBuilder.h"

#include <algorithm>

namespace vanteo::test {
namespace {

constexpr std::uint32_t kEndMark = 0xA5;

void PutCoordinate(std::vector<std::uint32_t>& out, int degrees, int tenThousandths) {
    out.push_back(static_cast<std::uint32_t>(degrees + tenThousandths / 600000));
    const int rest = tenThousandths % 600000;
    out.push_back(static_cast<std::uint32_t>(rest / 10000));
    out.push_back(static_cast<std::uint32_t>(rest / 100 % 100));
    out.push_back(static_cast<std::uint32_t>(rest % 100));
}

}  // namespace

FlightLogBuilder& FlightLogBuilder::Add(int north, int east, int altitudeM, int satellites,
                                        int clock) {
    PutCoordinate(records, 20, east);
    PutCoordinate(records, 10, north);
    records.push_back(static_cast<std::uint32_t>(altitudeM / 10000));
    records.push_back(static_cast<std::uint32_t>(altitudeM / 100 % 100));
    records.push_back(static_cast<std::uint32_t>(altitudeM % 100));
    records.push_back(static_cast<std::uint32_t>(satellites));
    clock %= 86400;
    if (recordBytes_ == 15) {
        records.push_back(static_cast<std::uint32_t>(clock / 3600));
        records.push_back(static_cast<std::uint32_t>(clock / 60 % 60));
    }
    records.push_back(static_cast<std::uint32_t>(clock % 60));
    return *this;
}

FlightLogBuilder& FlightLogBuilder::Date(const std::string& ddmmyy) {
    date_ = ddmmyy;
    return *this;
}

std::vector<std::uint32_t> FlightLogBuilder::Image() const {
    std::vector<std::uint32_t> image(static_cast<std::size_t>(kMemoryKbit) * 128, 0);
    std::copy(records.begin(), records.end(), image.begin());
    std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(records.size()), 4, kEndMark);
    for (std::size_t i = 0; i < date_.size(); ++i) {
        image[16378 + i] = static_cast<unsigned char>(date_[i]);
    }
    return image;
}

LogLayout FlightLogBuilder::Layout() const {
    return LogLayout{kMemoryKbit, false, recordBytes_, !date_.empty()};
}

DecodedLog FlightLogBuilder::Decode() const {
    return DecodeLog(Image(), Layout());
}

FlightLogBuilder HandMadeFlight(int recordBytes, int startClock, int altitudeOffset) {
    FlightLogBuilder log(recordBytes);
    std::vector<int> altitudes = {1000, 1000, 1000, 1100, 1300, 1500, 1600, 1650};
    for (int k = 1; k <= 14; ++k) {
        altitudes.push_back(1650 - 25 * k);
    }
    for (int k = 1; k <= 60; ++k) {
        altitudes.push_back(1300 - 5 * k);
    }
    const int landing = static_cast<int>(altitudes.size()) - 1;  // index 81
    altitudes.insert(altitudes.end(), 12, 1000);
    for (int i = 0; i < static_cast<int>(altitudes.size()); ++i) {
        // Drift from the apogee (index 7) to the landing in equal steps of whole units.
        const int share = std::clamp(i - 7, 0, landing - 7);
        const int north = 3000 * share / (landing - 7);
        const int east = 4000 * share / (landing - 7);
        const int satellites = i == 10 ? 5 : i == 30 ? 11 : 8;
        log.Add(north, east, altitudes[static_cast<std::size_t>(i)] + altitudeOffset, satellites,
                startClock + i);
    }
    return log;
}

}  // namespace vanteo::test

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vanteo::aprs {

// One AX.25 address: up to six upper-case letters or digits and an SSID of 0 to 15.
// `repeated` is the has-been-repeated (H) bit; it means something only in the digipeater path.
struct Ax25Address {
    std::string callsign;
    int ssid = 0;
    bool repeated = false;

    // "CALL" for SSID 0, else "CALL-SSID".
    std::string ToString() const;
    bool operator==(const Ax25Address&) const = default;
};

// An AX.25 UI frame as a KISS TNC hands it over (no flags, no FCS).
struct Ax25Frame {
    static constexpr int kMaxDigipeaters = 8;
    static constexpr std::uint8_t kUiControl = 0x03;  // unnumbered information, P/F clear
    static constexpr std::uint8_t kNoLayer3Pid = 0xF0;

    Ax25Address destination;
    Ax25Address source;
    std::vector<Ax25Address> path;  // digipeaters in order
    std::uint8_t pid = kNoLayer3Pid;
    std::string info;  // the information field, bytes as sent

    // The monitor form "SRC>DEST,DIGI1*,DIGI2:info": a star after the last digipeater that has
    // repeated the frame.
    std::string ToMonitorText() const;
};

// Parses `size` bytes as a UI frame. On failure, returns nothing and sets `error` to why (a short
// English phrase). Never reads past `size`.
std::optional<Ax25Frame> ParseAx25Frame(const std::uint8_t* data, std::size_t size,
                                        std::string& error);

// "CALL" or "CALL-SSID" into an address (upper-cased); nothing when it is not a valid one.
std::optional<Ax25Address> ParseAx25Address(const std::string& text);

}  // namespace vanteo::aprs

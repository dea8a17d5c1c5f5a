#include "aprs/Ax25Frame.h"

#include <cctype>

namespace vanteo::aprs {

namespace {

constexpr std::size_t kAddressBytes = 7;
constexpr std::size_t kCallsignBytes = 6;
constexpr std::uint8_t kLastAddressBit = 0x01;  // extension bit of the SSID byte
constexpr std::uint8_t kRepeatedBit = 0x80;     // H bit of a digipeater (C bit elsewhere)
constexpr int kSsidShift = 1;                   // SSID in bits 1-4
constexpr std::uint8_t kSsidMask = 0x0F;

bool IsCallsignChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Callsign characters are ASCII shifted left by one, so bit 0 of each is the (clear) extension
// bit; trailing spaces pad to six.
bool DecodeAddress(const std::uint8_t* bytes, Ax25Address& address) {
    address.callsign.clear();
    bool padding = false;
    for (std::size_t i = 0; i < kCallsignBytes; ++i) {
        if ((bytes[i] & kLastAddressBit) != 0) {
            return false;
        }
        const char c = static_cast<char>(bytes[i] >> 1);
        if (c == ' ') {
            padding = true;
        } else if (padding || !IsCallsignChar(c)) {
            return false;
        } else {
            address.callsign += c;
        }
    }
    const std::uint8_t ssidByte = bytes[kCallsignBytes];
    address.ssid = (ssidByte >> kSsidShift) & kSsidMask;
    address.repeated = (ssidByte & kRepeatedBit) != 0;
    return !address.callsign.empty();
}

}  // namespace

std::string Ax25Address::ToString() const {
    return ssid == 0 ? callsign : callsign + "-" + std::to_string(ssid);
}

std::string Ax25Frame::ToMonitorText() const {
    std::string text = source.ToString() + ">" + destination.ToString();
    std::size_t lastRepeated = path.size();
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i].repeated) {
            lastRepeated = i;
        }
    }
    for (std::size_t i = 0; i < path.size(); ++i) {
        text += "," + path[i].ToString() + (i == lastRepeated ? "*" : "");
    }
    return text + ":" + info;
}

std::optional<Ax25Frame> ParseAx25Frame(const std::uint8_t* data, std::size_t size,
                                        std::string& error) {
    std::vector<Ax25Address> addresses;
    std::size_t offset = 0;
    bool last = false;
    while (!last) {
        if (addresses.size() == 2 + Ax25Frame::kMaxDigipeaters) {
            error = "more than 8 digipeaters";
            return std::nullopt;
        }
        if (size - offset < kAddressBytes) {
            error = "address field cut short";
            return std::nullopt;
        }
        Ax25Address address;
        if (!DecodeAddress(data + offset, address)) {
            error = "address " + std::to_string(addresses.size() + 1) + " is not a callsign";
            return std::nullopt;
        }
        last = (data[offset + kCallsignBytes] & kLastAddressBit) != 0;
        addresses.push_back(address);
        offset += kAddressBytes;
    }
    if (addresses.size() < 2) {
        error = "no source address";
        return std::nullopt;
    }
    if (size - offset < 2) {
        error = "no control and protocol bytes";
        return std::nullopt;
    }
    if (data[offset] != Ax25Frame::kUiControl) {
        error = "not a UI frame";
        return std::nullopt;
    }
    Ax25Frame frame;
    frame.destination = addresses[0];
    frame.source = addresses[1];
    frame.destination.repeated = false;  // the C bits, not H bits
    frame.source.repeated = false;
    frame.path.assign(addresses.begin() + 2, addresses.end());
    frame.pid = data[offset + 1];
    offset += 2;
    frame.info.assign(reinterpret_cast<const char*>(data + offset), size - offset);
    if (frame.info.empty()) {
        error = "empty information field";
        return std::nullopt;
    }
    return frame;
}

std::optional<Ax25Address> ParseAx25Address(const std::string& text) {
    Ax25Address address;
    const std::size_t dash = text.find('-');
    const std::string call = text.substr(0, dash);
    if (call.empty() || call.size() > kCallsignBytes) {
        return std::nullopt;
    }
    for (const char c : call) {
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!IsCallsignChar(upper)) {
            return std::nullopt;
        }
        address.callsign += upper;
    }
    if (dash != std::string::npos) {
        const std::string digits = text.substr(dash + 1);
        if (digits.empty() || digits.size() > 2 || (digits.size() == 2 && digits[0] == '0')) {
            return std::nullopt;
        }
        int ssid = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            ssid = ssid * 10 + (c - '0');
        }
        if (ssid > 15) {
            return std::nullopt;
        }
        address.ssid = ssid;
    }
    return address;
}

}  // namespace vanteo::aprs

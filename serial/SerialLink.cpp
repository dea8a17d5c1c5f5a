#include "serial/SerialLink.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vanteo {
namespace {

constexpr std::uint8_t kLineFeed = 0x0A;
constexpr std::uint8_t kCarriageReturn = 0x0D;
constexpr std::uint8_t kAttention = '?';
constexpr std::uint8_t kPeek = 'y';
constexpr std::uint8_t kPoke = 'Y';

}  // namespace

SerialLink::SerialLink(MessageSink& ui, Clock& clock, TransportFactory factory)
    : ui_(ui), clock_(clock), factory_(std::move(factory)) {
    const char* trace = std::getenv("VANTEO_TRACE");
    trace_ = trace != nullptr && std::strcmp(trace, "1") == 0;
}

SerialLink::~SerialLink() {
    Close();
}

bool SerialLink::OpenPort(const std::string& portName) {
    if (open_) {
        // The same name returns at once while it still leads to the device opened on it. A
        // tracker unplugged and another plugged in under that name leaves a dead handle: it is
        // closed and the name opened afresh.
        if (portName == portName_ && transport_ && transport_->StillConnected()) {
            return true;
        }
        Close();
    }
    transport_ = factory_ ? factory_(portName) : nullptr;
    if (!transport_) {
        ui_.ShowMessage("Error opening com port");
        return false;
    }
    const ByteTransport::OpenStatus status = transport_->Open(portName);
    if (status != ByteTransport::OpenStatus::ok) {
        const std::string explanation = transport_->OpenFailureExplanation();
        transport_->Close();
        transport_.reset();
        switch (status) {
            case ByteTransport::OpenStatus::cannotConfigure:
                ui_.ShowMessage("Error configuring port");
                break;
            case ByteTransport::OpenStatus::cannotGetTimeouts:
                ui_.ShowMessage("error getting timeouts");
                break;
            case ByteTransport::OpenStatus::cannotSetTimeouts:
                ui_.ShowMessage("Error setting timeouts");
                break;
            default:
                // The message keeps its first line; the cause and the fix follow it.
                ui_.ShowMessage(explanation.empty() ? "Error opening com port"
                                                    : "Error opening com port\n" + explanation);
                break;
        }
        if (trace_) {
            std::fprintf(stderr, "[vanteo] open %s failed%s%s\n", portName.c_str(),
                         explanation.empty() ? "" : ": ", explanation.c_str());
        }
        return false;
    }
    open_ = true;
    portName_ = portName;
    if (trace_) {
        std::fprintf(stderr, "[vanteo] open %s\n", portName.c_str());
        if (const std::string note = transport_->TraceNote(); !note.empty()) {
            std::fprintf(stderr, "[vanteo] %s\n", note.c_str());
        }
    }
    return true;
}

void SerialLink::Close() {
    if (transport_) {
        transport_->Close();
        transport_.reset();
    }
    if (open_ && trace_) {
        std::fprintf(stderr, "[vanteo] close %s\n", portName_.c_str());
    }
    open_ = false;
    portName_.clear();
}

bool SerialLink::WriteBytes(const std::uint8_t* data, std::size_t count) {
    if (!open_ || !transport_) {
        return false;
    }
    Trace(">", data, count);
    return transport_->Write(data, count);
}

std::size_t SerialLink::ReadBytes(std::uint8_t* buffer, std::size_t count) {
    if (!open_ || !transport_ || count == 0) {
        return 0;
    }
    // 2500 ms plus 2500 ms per byte, kept within int for absurd counts.
    const std::int64_t totalMs = std::min<std::int64_t>(
        kByteTimeoutMs + kByteTimeoutMs * static_cast<std::int64_t>(std::min<std::size_t>(
                                              count, static_cast<std::size_t>(INT_MAX))),
        INT_MAX);
    const int total = static_cast<int>(totalMs);
    const std::size_t got = transport_->Read(buffer, count, total, kByteTimeoutMs);
    Trace("<", buffer, got);
    return got;
}

bool SerialLink::ReadOneByte(std::uint8_t& value) {
    return ReadBytes(&value, 1) == 1;
}

bool SerialLink::ReadByteOrClose(std::uint8_t& value, const char* failure) {
    if (ReadOneByte(value)) {
        return true;
    }
    ui_.ShowMessage(failure);
    Close();
    return false;
}

bool SerialLink::ReadLine(std::string& line) {
    line.clear();
    std::uint8_t last = 0;
    std::uint8_t beforeLast = 0;
    std::string stored;
    while (!(last == kCarriageReturn && beforeLast == kLineFeed) && stored.size() < kMaxLineBytes) {
        std::uint8_t byte = 0;
        if (!ReadByteOrClose(byte, "Serial Port Error: Read returned 0 chars. Closing com port")) {
            return false;
        }
        stored.push_back(static_cast<char>(byte));
        beforeLast = last;
        last = byte;
    }
    // The terminator (or, on an over-long line, the two bytes after the first 63) is dropped.
    line = stored.substr(0, stored.size() >= 2 ? stored.size() - 2 : 0);
    return true;
}

bool SerialLink::ReadExact(std::string& bytes, std::size_t count) {
    bytes.clear();
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t byte = 0;
        if (!ReadByteOrClose(byte, "read timed out, make sure the TX is connected and on")) {
            return false;
        }
        bytes.push_back(static_cast<char>(byte));
    }
    std::uint8_t terminator[2] = {0, 0};
    ReadOneByte(terminator[0]);
    ReadOneByte(terminator[1]);
    return true;
}

std::uint8_t SerialLink::PeekByte(std::uint8_t address) {
    std::string line;
    WriteByte(kPeek);
    if (!ReadLine(line)) {
        return 0;
    }
    WriteByte(address);
    if (!ReadLine(line) || line.empty()) {
        return 0;
    }
    return static_cast<std::uint8_t>(line[0]);
}

bool SerialLink::PokeByte(std::uint8_t address, std::uint8_t value) {
    std::string line;
    WriteByte(kPoke);
    if (!ReadLine(line)) {
        return false;
    }
    const std::uint8_t addressAndValue[2] = {address, value};
    WriteBytes(addressAndValue, 2);
    return ReadLine(line);
}

bool SerialLink::Sync() {
    // Sync starts every exchange, so nothing already received answers it: the tail of an erase
    // that was given up, or bytes an adapter buffered before the port was opened. Read as
    // replies they would shift every answer of the operation by one line.
    if (open_ && transport_) {
        transport_->DiscardInput();
    }
    std::string line;
    for (int attempt = 0; attempt < kSyncAttempts; ++attempt) {
        WriteByte(kAttention);
        if (!ReadLine(line)) {
            return false;
        }
        if (line.size() >= 2 && line[0] == 'O' && line[1] == 'K') {
            return true;
        }
    }
    ui_.ShowMessage(
        "The tracker did not answer OK to the attention command. Check that it is on "
        "and that the right port is chosen.");
    return false;
}

void SerialLink::ReleaseToOtherThread() {
    if (transport_) {
        transport_->ReleaseThread();
    }
}

void SerialLink::TakeOverInCurrentThread() {
    if (transport_) {
        transport_->AdoptCurrentThread();
    }
}

std::string SerialLink::LineText(const std::string& line) {
    const std::size_t end = line.find('\0');
    return end == std::string::npos ? line : line.substr(0, end);
}

void SerialLink::Trace(const char* direction, const std::uint8_t* data, std::size_t count) const {
    if (!trace_ || count == 0) {
        return;
    }
    std::string hex;
    for (std::size_t i = 0; i < count; ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, " %02X", data[i]);
        hex += digits;
    }
    std::fprintf(stderr, "[vanteo] %s%s\n", direction, hex.c_str());
}

}  // namespace vanteo

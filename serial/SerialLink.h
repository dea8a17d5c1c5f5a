#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "serial/ByteTransport.h"
#include "serial/Clock.h"
#include "serial/MessageSink.h"

namespace vanteo {

// The one connection to the tracker: 9600 8N1 with DTR raised, and the primitives every exchange
// is built from. Reply lines end with LF then CR (a CR LF is not a line end) and carry at most
// 63 characters; the reader gives up looking for the end after 65 bytes. Every awaited byte is
// given up after 5 s (a read of n bytes after 2500 + 2500 × n ms).
//
// Failures are shown through the MessageSink and returned as values; a failed line or fixed-count
// read closes the link. The link has no lock: one thread at a time (the user-interface thread,
// or the flash worker after HandOverToCurrentThread) may use it.
class SerialLink {
public:
    using TransportFactory = std::function<std::unique_ptr<ByteTransport>(const std::string&)>;

    static constexpr int kByteTimeoutMs = 2500;       // the port's per-byte and constant time-out
    static constexpr std::size_t kMaxLineBytes = 65;  // a line is given up after this many bytes
    static constexpr int kSyncAttempts = 100;         // '?' sent at most this often by Sync

    // `factory` makes the transport for a port name; it is called by OpenPort.
    SerialLink(MessageSink& ui, Clock& clock, TransportFactory factory);
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Opens and configures `portName`. Already open on the same port and that port still reaches
    // the device it was opened on: true at once, nothing touched. Open on another port, or on a
    // dead one (device unplugged, name now leading elsewhere): closed first and `portName`
    // opened.
    bool OpenPort(const std::string& portName);
    void Close();
    bool IsOpen() const { return open_; }
    const std::string& PortName() const { return portName_; }

    // One write call; false when the link is closed or the port refused the write.
    bool WriteBytes(const std::uint8_t* data, std::size_t count);
    bool WriteByte(std::uint8_t value) { return WriteBytes(&value, 1); }
    // One read call for `count` bytes; returns how many arrived. No message, link unchanged.
    std::size_t ReadBytes(std::uint8_t* buffer, std::size_t count);

    // One reply line without its LF CR terminator, as raw bytes (which may include 0 bytes; the
    // line's text is what stands before the first 0). 65 bytes without a terminator give their
    // first 63. False, after "Serial Port Error: Read returned 0 chars. Closing com port" and
    // closing the link, when a byte does not arrive in time.
    bool ReadLine(std::string& line);
    // Exactly `count` bytes, then the two terminator bytes, which are read and discarded whatever
    // they are. False, after "read timed out, make sure the TX is connected and on" and closing the
    // link, when one of the `count` bytes does not arrive.
    bool ReadExact(std::string& bytes, std::size_t count);

    // One byte of the tracker's configuration memory ('y', two reply lines). 0 after a failed read.
    std::uint8_t PeekByte(std::uint8_t address);
    // Writes one byte of the configuration memory ('Y', two reply lines).
    bool PokeByte(std::uint8_t address, std::uint8_t value);
    // Sends '?' until a reply line starts with "OK". Gives up with a message after kSyncAttempts
    // lines that are not "OK"; false then, and after a failed read.
    bool Sync();

    // Fixed protocol pauses go through the link's clock.
    void Sleep(std::int64_t ms) { clock_.SleepMs(ms); }
    Clock& GetClock() { return clock_; }

    // Hand-over of the open port to another thread (the flash worker): the owning thread calls
    // ReleaseToOtherThread before the worker starts; the worker calls TakeOverInCurrentThread
    // before its first transfer, and ReleaseToOtherThread when done; the owner takes it back.
    void ReleaseToOtherThread();
    void TakeOverInCurrentThread();

    // Text of a line as C code sees it: the bytes before the first 0 byte.
    static std::string LineText(const std::string& line);

private:
    bool ReadOneByte(std::uint8_t& value);
    // ReadOneByte; when no byte comes, shows `failure` and closes the port.
    bool ReadByteOrClose(std::uint8_t& value, const char* failure);
    void Trace(const char* direction, const std::uint8_t* data, std::size_t count) const;

    MessageSink& ui_;
    Clock& clock_;
    TransportFactory factory_;
    std::unique_ptr<ByteTransport> transport_;
    bool open_ = false;
    std::string portName_;
    bool trace_ = false;
};

}  // namespace vanteo

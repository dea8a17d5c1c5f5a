#include "serial/QSerialPortTransport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QThread>

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "serial/Platform.h"
#include "serial/PortDiagnosis.h"

#include "serial/PortLatency.h"

namespace vanteo {
namespace {

// The tracker's line: 9600 baud, 8N1, no handshake.
constexpr qint32 kBaudRate = 9600;
// Write time-out: a constant part plus a part per byte, as the port's read time-outs.
constexpr qint64 kWriteTimeoutMs = 2500;

// The file a port name opens, as QSerialPort finds it: a path from the root or the current
// folder as it is, anything else under /dev.
std::string DevicePath(const std::string& portName) {
    const bool path =
        portName.starts_with('/') || portName.starts_with("./") || portName.starts_with("../");
    return path ? portName : "/dev/" + portName;
}

// The port's system handle as a number: a descriptor on POSIX, a HANDLE on Windows.
template <typename Handle>
std::intptr_t HandleAsNumber(Handle handle) {
    if constexpr (std::is_pointer_v<Handle>) {
        return reinterpret_cast<std::intptr_t>(handle);
    } else {
        return static_cast<std::intptr_t>(handle);
    }
}

std::intptr_t NativeHandle(const QSerialPort& port) {
    return HandleAsNumber(port.handle());
}

}  // namespace

QSerialPortTransport::QSerialPortTransport() : port_(std::make_unique<QSerialPort>()) {}

QSerialPortTransport::~QSerialPortTransport() {
    Close();
}

void QSerialPortTransport::RememberError() {
    lastError_ = port_->errorString().toStdString();
}

ByteTransport::OpenStatus QSerialPortTransport::Open(const std::string& portName) {
    Close();
    lastError_.clear();
    openFailure_.clear();
    if (portName.empty()) {
        lastError_ = "no port name";
        return OpenStatus::cannotOpen;
    }
    port_->setPortName(QString::fromStdString(portName));
    // QSerialPort locks the device and sets TIOCEXCL, so a second opener is refused.
    if (!port_->open(QIODevice::ReadWrite)) {
        RememberError();
        port_->clearError();
        openFailure_ = ExplainPortOpenFailure(InspectPortOpenFailure(portName, lastError_));
        return OpenStatus::cannotOpen;
    }
    const bool configured =
        port_->setBaudRate(kBaudRate) && port_->setDataBits(QSerialPort::Data8) &&
        port_->setParity(QSerialPort::NoParity) && port_->setStopBits(QSerialPort::OneStop) &&
        port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        RememberError();
        Close();
        return OpenStatus::cannotConfigure;
    }
    // Pseudo-terminals and some USB adapters have no modem lines: the failure is expected and
    // must not linger as the port's error, or the next wait would report it.
    port_->setDataTerminalReady(true);
    port_->clearError();
    // Every command waits for its reply: a USB adapter holding received bytes for its latency
    // timer would set the pace. Refused by pseudo-terminals and most drivers without the timer.
    RequestLowLatency(static_cast<int>(port_->handle()));
    traceNote_ = HighLatencyTimerNote(portName);
    path_ = DevicePath(portName);
    device_ = 0;
    identityKnown_ = DeviceOfHandle(NativeHandle(*port_), device_);
    return OpenStatus::ok;
}

void QSerialPortTransport::Close() {
    traceNote_.clear();
    if (port_ && port_->isOpen()) {
        port_->close();
    }
    if (port_) {
        port_->clearError();
    }
}

bool QSerialPortTransport::IsOpen() const {
    return port_->isOpen();
}

bool QSerialPortTransport::StillConnected() const {
    if (!port_->isOpen()) {
        return false;
    }
    if (HandleHungUp(NativeHandle(*port_))) {
        return false;
    }
    if (!identityKnown_) {
        return true;
    }
    unsigned long named = 0;
    return DeviceOfPath(path_, named) && named == device_;
}

bool QSerialPortTransport::Write(const std::uint8_t* data, std::size_t count) {
    if (!port_->isOpen()) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    const qint64 written =
        port_->write(reinterpret_cast<const char*>(data), static_cast<qint64>(count));
    if (written != static_cast<qint64>(count)) {
        RememberError();
        port_->clearError();
        return false;
    }
    QDeadlineTimer deadline(kWriteTimeoutMs + kWriteTimeoutMs * static_cast<qint64>(count));
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(
                static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)))) {
            RememberError();
            port_->clearError();
            return false;
        }
    }
    return true;
}

std::size_t QSerialPortTransport::Read(std::uint8_t* buffer, std::size_t count, int totalTimeoutMs,
                                       int intervalTimeoutMs) {
    if (!port_->isOpen()) {
        return 0;
    }
    const QDeadlineTimer total(totalTimeoutMs);
    QDeadlineTimer interval(intervalTimeoutMs);
    std::size_t stored = 0;
    while (stored < count) {
        if (port_->bytesAvailable() > 0) {
            const qint64 got = port_->read(reinterpret_cast<char*>(buffer + stored),
                                           static_cast<qint64>(count - stored));
            if (got < 0) {
                RememberError();
                port_->clearError();
                break;
            }
            stored += static_cast<std::size_t>(got);
            interval.setRemainingTime(intervalTimeoutMs);
            continue;
        }
        // The interval time-out only runs between bytes, not before the first.
        const qint64 waitMs = stored == 0
                                  ? total.remainingTime()
                                  : std::min(total.remainingTime(), interval.remainingTime());
        if (waitMs <= 0) {
            break;
        }
        if (!port_->waitForReadyRead(static_cast<int>(waitMs))) {
            const QSerialPort::SerialPortError error = port_->error();
            if (error != QSerialPort::TimeoutError && error != QSerialPort::NoError) {
                // The device went away or failed: no byte will come, whatever the time-out.
                RememberError();
                port_->clearError();
                break;
            }
            port_->clearError();
        }
    }
    return stored;
}

void QSerialPortTransport::DiscardInput() {
    if (port_->isOpen()) {
        // Both the port object's buffer and the driver's input queue.
        port_->clear(QSerialPort::Input);
    }
}

void QSerialPortTransport::ReleaseThread() {
    port_->moveToThread(nullptr);
}

void QSerialPortTransport::AdoptCurrentThread() {
    // A plain std::thread has no event dispatcher, and the port's socket notifiers complain
    // ("QSocketNotifier: Can only be used with threads started with QThread") when they move into
    // such a thread. Constructing an event loop gives the thread its dispatcher; it never runs,
    // since every read here waits with waitForReadyRead.
    if (QThread::currentThread()->eventDispatcher() == nullptr &&
        QCoreApplication::instance() != nullptr) {
        QEventLoop ensureDispatcher;
    }
    port_->moveToThread(QThread::currentThread());
}

}  // namespace vanteo

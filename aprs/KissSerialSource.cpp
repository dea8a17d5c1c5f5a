#include "aprs/KissSerialSource.h"

#include <QSerialPort>
#include <QString>

namespace vanteo::aprs {

KissSerialSource::KissSerialSource(std::string device, int baud)
    : device_(std::move(device)), baud_(baud) {}

KissSerialSource::~KissSerialSource() {
    Close();
}

std::string KissSerialSource::Describe() const {
    return "KISS serial " + device_ + " at " + std::to_string(baud_) + " baud";
}

bool KissSerialSource::Open(std::string& error) {
    Close();
    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(QString::fromStdString(device_));
    if (!port_->open(QIODevice::ReadOnly)) {
        error = port_->errorString().toStdString();
        port_.reset();
        return false;
    }
    if (!port_->setBaudRate(baud_) || !port_->setDataBits(QSerialPort::Data8) ||
        !port_->setParity(QSerialPort::NoParity) || !port_->setStopBits(QSerialPort::OneStop) ||
        !port_->setFlowControl(QSerialPort::NoFlowControl)) {
        error = "cannot set " + std::to_string(baud_) +
                " baud 8N1: " + port_->errorString().toStdString();
        Close();
        return false;
    }
    return true;
}

void KissSerialSource::Close() {
    if (port_) {
        port_->close();
        port_.reset();
    }
}

KissByteSource::ReadStatus KissSerialSource::Read(std::uint8_t* buffer, std::size_t capacity,
                                                  int timeoutMs, std::size_t& count) {
    count = 0;
    if (!port_ || !port_->isOpen()) {
        return ReadStatus::lost;
    }
    if (port_->bytesAvailable() == 0 && !port_->waitForReadyRead(timeoutMs)) {
        const QSerialPort::SerialPortError failure = port_->error();
        if (failure == QSerialPort::TimeoutError || failure == QSerialPort::NoError) {
            port_->clearError();
            return ReadStatus::timeout;
        }
        return ReadStatus::lost;  // unplugged, or the Bluetooth link dropped
    }
    const qint64 got = port_->read(reinterpret_cast<char*>(buffer), static_cast<qint64>(capacity));
    if (got < 0) {
        return ReadStatus::lost;
    }
    count = static_cast<std::size_t>(got);
    return count > 0 ? ReadStatus::data : ReadStatus::timeout;
}

}  // namespace vanteo::aprs

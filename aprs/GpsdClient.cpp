#include "aprs/GpsdClient.h"

#include <gps.h>

#include <cerrno>
#include <chrono>
#include <cmath>

namespace vanteo::aprs {

void GpsdClient::Start() {
    if (thread_.joinable()) {
        return;
    }
    stop_ = false;
    tried_ = false;
    SetProblem("gpsd on " + host_ + ":" + std::to_string(port_) + " has not answered yet");
    thread_ = std::thread([this] { Run(); });
}

void GpsdClient::Stop() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::optional<ListenerPosition> GpsdClient::Position() const {
    const std::lock_guard lock(mutex_);
    return position_;
}

std::string GpsdClient::Problem() const {
    const std::lock_guard lock(mutex_);
    return problem_;
}

void GpsdClient::SetProblem(const std::string& problem) {
    const std::lock_guard lock(mutex_);
    problem_ = problem;
}

bool GpsdClient::Sleep(int ms) const {
    for (int slept = 0; slept < ms && !stop_; slept += kWaitSliceMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kWaitSliceMs));
    }
    return !stop_;
}

void GpsdClient::Run() {
    const std::string where = host_ + ":" + std::to_string(port_);
    const std::string port = std::to_string(port_);
    while (!stop_) {
        gps_data_t data{};
        if (gps_open(host_.c_str(), port.c_str(), &data) != 0) {
            SetProblem("No gpsd runs on " + where + " (" + gps_errstr(errno) + ")");
            tried_ = true;
            Sleep(kRetryDelayMs);
            continue;
        }
        gps_stream(&data, WATCH_ENABLE | WATCH_JSON, nullptr);
        {
            const std::lock_guard lock(mutex_);
            if (!position_) {
                problem_ = "gpsd on " + where + " has no fix yet";
            }
        }
        tried_ = true;
        while (!stop_) {
            if (!gps_waiting(&data, kWaitSliceMs * 1000)) {
                continue;
            }
            if (gps_read(&data, nullptr, 0) < 0) {
                SetProblem("gpsd on " + where + " stopped answering");
                break;
            }
            // A fix report with a 2D or 3D fix; NaN while the receiver has none.
            if ((data.set & LATLON_SET) != 0 && data.fix.mode >= MODE_2D &&
                std::isfinite(data.fix.latitude) && std::isfinite(data.fix.longitude)) {
                const std::lock_guard lock(mutex_);
                position_ = ListenerPosition{data.fix.latitude, data.fix.longitude};
                problem_.clear();
            }
        }
        gps_stream(&data, WATCH_DISABLE, nullptr);
        gps_close(&data);
        if (!stop_) {
            Sleep(kRetryDelayMs);
        }
    }
}

}  // namespace vanteo::aprs

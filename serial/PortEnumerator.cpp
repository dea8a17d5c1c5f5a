#include "serial/PortEnumerator.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "serial/Platform.h"

namespace vanteo {
namespace {

constexpr const char* kAnnouncementSuffix = ".port";

// A process id from "<pid>.port"; 0 when the file name is anything else.
long PidFromFileName(const std::string& fileName) {
    const std::string suffix = kAnnouncementSuffix;
    if (fileName.size() <= suffix.size() ||
        fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return 0;
    }
    const std::string digits = fileName.substr(0, fileName.size() - suffix.size());
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(),
                                          [](unsigned char c) { return std::isdigit(c); })) {
        return 0;
    }
    return std::stol(digits);
}

bool PathExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path, error);
}

std::string TrimLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.pop_back();
    }
    return line;
}

int CompareIgnoringCase(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string SystemPortDescription(const QSerialPortInfo& info) {
    std::string description = info.description().toStdString();
    const std::string manufacturer = info.manufacturer().toStdString();
    if (!manufacturer.empty() && description.find(manufacturer) == std::string::npos) {
        description += description.empty() ? manufacturer : " (" + manufacturer + ")";
    }
    if (description.empty()) {
        description = "Serial port " + info.systemLocation().toStdString();
    }
    return description;
}

}  // namespace

std::string SimulatorAnnouncementDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0') {
        return std::string(runtime) + "/vanteo-sim";
    }
    return "/tmp/vanteo-sim-" + std::to_string(CurrentUserId());
}

std::vector<PortInfo> ReadSimulatorAnnouncements(const std::string& directory) {
    std::vector<PortInfo> ports;
    std::error_code error;
    std::filesystem::directory_iterator entries(directory, error);
    if (error) {
        return ports;  // no simulator has run yet
    }
    for (const auto& entry : entries) {
        const long pid = PidFromFileName(entry.path().filename().string());
        if (pid == 0 || !ProcessRunning(pid)) {
            continue;
        }
        std::ifstream file(entry.path());
        std::string path;
        std::string description;
        std::getline(file, path);
        std::getline(file, description);
        path = TrimLineEnd(path);
        description = TrimLineEnd(description);
        if (!PathExists(path)) {
            continue;
        }
        if (description.empty()) {
            description = "Vanteo tracker simulator";
        }
        ports.push_back({path, description + " (pid " + std::to_string(pid) + ")"});
    }
    return ports;
}

void SortPortList(std::vector<PortInfo>& ports) {
    std::stable_sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
        const int order = CompareIgnoringCase(a.name, b.name);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    ports.erase(std::unique(ports.begin(), ports.end(),
                            [](const PortInfo& a, const PortInfo& b) { return a.name == b.name; }),
                ports.end());
}

std::vector<PortInfo> EnumeratePorts() {
    std::vector<PortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortInfo port{info.portName().toStdString(), SystemPortDescription(info)};
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            port.usbId = QStringLiteral("%1:%2")
                             .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                             .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'))
                             .toStdString();
        }
        port.serialNumber = info.serialNumber().toStdString();
        port.access = InspectPortAccess(info.systemLocation().toStdString());
        ports.push_back(std::move(port));
    }
    for (PortInfo& simulator : ReadSimulatorAnnouncements(SimulatorAnnouncementDirectory())) {
        simulator.simulator = true;
        simulator.access = InspectPortAccess(simulator.name);
        ports.push_back(std::move(simulator));
    }
    SortPortList(ports);
    return ports;
}

std::string PortSummary(const PortInfo& port) {
    std::string text = port.description;
    if (!port.usbId.empty()) {
        text += ", USB " + port.usbId;
    }
    if (!port.serialNumber.empty()) {
        text += ", serial " + port.serialNumber;
    }
    if (port.access.exists && !port.access.mayOpen) {
        text += "; this user may not open it (" + port.access.ownerName + ":" +
                port.access.groupName + " " + port.access.modeText + ")";
    }
    return text;
}

std::string NewestSimulatorAnnouncement(const std::string& directory) {
    std::error_code error;
    std::filesystem::directory_iterator entries(directory, error);
    if (error) {
        return {};
    }
    std::filesystem::path newest;
    std::filesystem::file_time_type newestTime;
    for (const auto& entry : entries) {
        if (PidFromFileName(entry.path().filename().string()) == 0) {
            continue;
        }
        const auto written = entry.last_write_time(error);
        if (!error && (newest.empty() || written > newestTime)) {
            newest = entry.path();
            newestTime = written;
        }
    }
    if (newest.empty()) {
        return {};
    }
    const long pid = PidFromFileName(newest.filename().string());
    std::ifstream file(newest);
    std::string path;
    std::string description;
    std::getline(file, path);
    std::getline(file, description);
    return newest.string() + ": " + TrimLineEnd(path) + ", " + TrimLineEnd(description) + ", pid " +
           std::to_string(pid) + (ProcessRunning(pid) ? " running" : " no longer running");
}

}  // namespace vanteo

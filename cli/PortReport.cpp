#include "cli/PortReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QtGlobal>

#include "VanteoVersion.h"
#include "serial/PortDiagnosis.h"
#include "serial/PortLatency.h"

namespace vanteo::cli {
namespace {

QString Text(const std::string& text) {
    return QString::fromLocal8Bit(text);
}

std::string UsbText(const PortListing& port) {
    std::string text;
    if (!port.usbId.empty()) {
        text = "USB " + port.usbId;
    }
    if (!port.serialNumber.empty()) {
        text += (text.empty() ? "" : ", ") + std::string("serial ") + port.serialNumber;
    }
    return text;
}

}  // namespace

std::vector<PortListing> DescribePorts(const std::vector<PortInfo>& ports,
                                       const std::string& sysfsRoot) {
    std::vector<PortListing> listing;
    for (const PortInfo& port : ports) {
        const PortAccess& access = port.access;
        const std::string owner =
            access.exists ? access.ownerName + ":" + access.groupName + " " + access.modeText
                          : std::string();
        listing.push_back({port.name, port.description, port.usbId, port.serialNumber, owner,
                           !access.exists || access.mayOpen, port.simulator,
                           HighLatencyTimerNote(port.name, sysfsRoot)});
    }
    return listing;
}

void WritePortListing(std::ostream& out, const std::vector<PortListing>& ports, bool json) {
    if (json) {
        QJsonArray list;
        for (const PortListing& port : ports) {
            list.append(QJsonObject{{"name", Text(port.name)},
                                    {"description", Text(port.description)},
                                    {"usb_id", Text(port.usbId)},
                                    {"serial_number", Text(port.serialNumber)},
                                    {"owner", Text(port.owner)},
                                    {"may_open", port.mayOpen},
                                    {"simulator", port.simulator}});
        }
        out << QJsonDocument(list).toJson(QJsonDocument::Indented).toStdString();
        return;
    }
    for (const PortListing& port : ports) {
        out << port.name;
        if (!port.description.empty()) {
            out << "  " << port.description;
        }
        if (const std::string usb = UsbText(port); !usb.empty()) {
            out << "  [" << usb << "]";
        }
        if (!port.mayOpen) {
            out << "  (this user may not open it: " << port.owner << ")";
        }
        out << '\n';
    }
}

int CliCommands::Doctor() {
    out_ << "vanteo-cli " VANTEO_VERSION ", Qt " << qVersion() << " (built with " QT_VERSION_STR
         << "), " << QSysInfo::prettyProductName().toStdString() << ", kernel "
         << QSysInfo::kernelVersion().toStdString() << '\n';
    out_ << "user: " << CurrentUserName() << "; groups of this login:";
    for (const std::string& group : CurrentGroupNames()) {
        out_ << ' ' << group;
    }
    out_ << '\n';
    out_ << "ModemManager: " << (ModemManagerRunning() ? "running" : "not running") << '\n';
    out_ << "ports:\n";
    const std::vector<PortListing> ports = portLister_ ? portLister_() : std::vector<PortListing>{};
    if (ports.empty()) {
        out_ << "  none found\n";
    }
    for (const PortListing& port : ports) {
        out_ << "  " << port.name << "  " << (port.owner.empty() ? "?" : port.owner)
             << "  this user " << (port.mayOpen ? "may open it" : "may NOT open it") << "  "
             << port.description;
        if (const std::string usb = UsbText(port); !usb.empty()) {
            out_ << "  [" << usb << "]";
        }
        out_ << '\n';
        if (!port.latencyNote.empty()) {
            out_ << "    " << port.latencyNote << '\n';
        }
    }
    const std::string announcement = newestAnnouncement_ ? newestAnnouncement_() : std::string();
    out_ << "newest vanteo-sim announcement: " << (announcement.empty() ? "none" : announcement)
         << '\n';
    out_.flush();
    return kDone;
}

}  // namespace vanteo::cli

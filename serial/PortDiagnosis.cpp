#include "serial/PortDiagnosis.h"

namespace vanteo {
namespace {

constexpr const char* kModemManager = "ModemManager";

std::string WithSystemWords(const std::string& text, const PortOpenFacts& facts) {
    return facts.systemMessage.empty() ? text : text + " (" + facts.systemMessage + ")";
}

std::string OwnerText(const PortOpenFacts& facts) {
    std::string text = facts.ownerName.empty() ? "?" : facts.ownerName;
    text += ":" + (facts.groupName.empty() ? std::string("?") : facts.groupName);
    if (!facts.modeText.empty()) {
        text += " " + facts.modeText;
    }
    return text;
}

std::string ExplainMissing(const PortOpenFacts& facts) {
    return WithSystemWords(facts.path + " does not exist", facts) +
           ": the adapter is unplugged, or the system gave it another name when it was plugged "
           "in again. Plug it in and pick the port again from the list of ports.";
}

std::string ExplainPermission(const PortOpenFacts& facts) {
    std::string text = WithSystemWords("This user may not open " + facts.path, facts) +
                       ". The port belongs to " + OwnerText(facts) + ".";
    const bool joiningHelps =
        facts.groupMayReadWrite && !facts.groupIsRoot && !facts.groupName.empty();
    if (!joiningHelps) {
        // Joining the owning group would give nothing (or everything, for the superuser's
        // group): the device needs a rule that hands it to an ordinary group.
        return text +
               "\nNo ordinary group may open it: ask the system's administrator for a udev rule "
               "that gives the port to a group you belong to.";
    }
    if (facts.inGroupNow) {
        return text + "\nThis login is in group " + facts.groupName +
               " already, yet the system refuses the port: ask the system's administrator.";
    }
    if (facts.listedInGroup) {
        return text + "\nThis user was added to group " + facts.groupName +
               " after this login started: log out and log in again (a new login is needed for "
               "the membership to take effect).";
    }
    return text + "\nJoin the group with:\n    sudo usermod -aG " + facts.groupName +
           " $USER\nthen log out and log in again (a new login is needed for the membership to "
           "take effect).";
}

std::string ExplainBusy(const PortOpenFacts& facts) {
    std::string text = WithSystemWords(facts.path + " is in use by another program", facts);
    bool modemManagerHolds = false;
    if (facts.holders.empty()) {
        text += ".";
        if (!facts.findHoldersCommand.empty()) {
            text += " This user cannot see which program holds it; \"" + facts.findHoldersCommand +
                    "\" tells.";
        }
    } else {
        text += ": held by";
        for (std::size_t i = 0; i < facts.holders.size(); ++i) {
            const PortHolder& holder = facts.holders[i];
            text += (i == 0 ? " " : ", ") + holder.command + " (pid " + std::to_string(holder.pid) +
                    ")";
            modemManagerHolds = modemManagerHolds || holder.command == kModemManager;
        }
        text += ". Close that program and try again.";
    }
    if (modemManagerHolds || (facts.holders.empty() && facts.modemManagerRunning)) {
        text +=
            "\nModemManager is running: it probes a newly plugged USB serial adapter for a few "
            "seconds, so wait a moment and try again. If it keeps the port and this computer uses "
            "no mobile-broadband modem, stop it with:\n    sudo systemctl stop ModemManager";
    }
    return text;
}

}  // namespace

std::string ExplainPortOpenFailure(const PortOpenFacts& facts) {
    switch (facts.cause) {
        case PortOpenFacts::Cause::missing:
            return ExplainMissing(facts);
        case PortOpenFacts::Cause::permission:
            return ExplainPermission(facts);
        case PortOpenFacts::Cause::busy:
            return ExplainBusy(facts);
        case PortOpenFacts::Cause::other:
            break;
    }
    return facts.path + ": " +
           (facts.systemMessage.empty() ? "unknown error" : facts.systemMessage);
}

}  // namespace vanteo

// The POSIX side of the port diagnosis: stat, a probing open, the user and group databases and
// /proc for the processes that hold the device.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "serial/PortDiagnosis.h"

namespace vanteo {
namespace {

// The file a port name opens, as the serial port layer finds it: a path as it is, a bare name
// under /dev.
std::string DevicePath(const std::string& portName) {
    const bool path =
        portName.starts_with('/') || portName.starts_with("./") || portName.starts_with("../");
    return path ? portName : "/dev/" + portName;
}

std::string ResolvedPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::string ModeText(mode_t mode) {
    std::string text = S_ISCHR(mode) ? "c" : (S_ISDIR(mode) ? "d" : "-");
    const char letters[] = "rwx";
    for (int shift = 8; shift >= 0; --shift) {
        text += (mode & (1u << shift)) != 0 ? letters[(8 - shift) % 3] : '-';
    }
    return text;
}

std::string UserName(uid_t uid) {
    const passwd* entry = getpwuid(uid);
    return entry != nullptr ? entry->pw_name : std::to_string(uid);
}

bool ProcessHasGroup(gid_t gid) {
    if (getegid() == gid) {
        return true;
    }
    const int count = getgroups(0, nullptr);
    if (count <= 0) {
        return false;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<std::size_t>(i)] == gid) {
            return true;
        }
    }
    return false;
}

// The group database's view, which a new login would get.
bool UserListedInGroup(gid_t gid) {
    const passwd* user = getpwuid(geteuid());
    if (user == nullptr) {
        return false;
    }
    if (user->pw_gid == gid) {
        return true;
    }
    const std::string name = user->pw_name;
    const group* entry = getgrgid(gid);
    for (char** member = entry != nullptr ? entry->gr_mem : nullptr;
         member != nullptr && *member != nullptr; ++member) {
        if (name == *member) {
            return true;
        }
    }
    return false;
}

std::string ProcessCommand(const std::string& pidDirectory) {
    std::ifstream file(pidDirectory + "/comm");
    std::string command;
    std::getline(file, command);
    return command;
}

// Every process whose open files this user may list and that has `device` open, and whether a
// ModemManager runs (its name is readable even where its files are not).
void FindHolders(const std::string& device, PortOpenFacts& facts) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        // This process is no other program (a child inherits its parent's descriptors).
        if (pid <= 0 || *end != '\0' || pid == static_cast<long>(getpid())) {
            continue;
        }
        const std::string directory = std::string("/proc/") + entry->d_name;
        const std::string command = ProcessCommand(directory);
        if (command == "ModemManager") {
            facts.modemManagerRunning = true;
        }
        DIR* fds = device.empty() ? nullptr : opendir((directory + "/fd").c_str());
        if (fds == nullptr) {
            continue;  // another user's process
        }
        while (const dirent* fd = readdir(fds)) {
            char target[PATH_MAX];
            const std::string link = directory + "/fd/" + fd->d_name;
            const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
            if (length > 0 && device == std::string(target, static_cast<std::size_t>(length))) {
                facts.holders.push_back({pid, command});
                break;
            }
        }
        closedir(fds);
    }
    closedir(proc);
}

}  // namespace

PortAccess InspectPortAccess(const std::string& portName) {
    PortAccess result;
    const std::string path = DevicePath(portName);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return result;
    }
    result.exists = true;
    result.ownerName = UserName(info.st_uid);
    const group* owningGroup = getgrgid(info.st_gid);
    result.groupName = owningGroup != nullptr ? owningGroup->gr_name : std::to_string(info.st_gid);
    result.modeText = ModeText(info.st_mode);
    result.mayOpen = access(path.c_str(), R_OK | W_OK) == 0;
    return result;
}

std::string CurrentUserName() {
    return UserName(geteuid());
}

std::vector<std::string> CurrentGroupNames() {
    std::vector<gid_t> groups(1, getegid());
    const int count = getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> more(static_cast<std::size_t>(count));
        const int got = getgroups(count, more.data());
        for (int i = 0; i < got; ++i) {
            const gid_t gid = more[static_cast<std::size_t>(i)];
            if (gid != getegid()) {
                groups.push_back(gid);
            }
        }
    }
    std::vector<std::string> names;
    for (const gid_t gid : groups) {
        const group* entry = getgrgid(gid);
        names.push_back(entry != nullptr ? entry->gr_name : std::to_string(gid));
    }
    return names;
}

bool ModemManagerRunning() {
    PortOpenFacts facts;
    FindHolders({}, facts);
    return facts.modemManagerRunning;
}

PortOpenFacts InspectPortOpenFailure(const std::string& portName, const std::string& portError) {
    PortOpenFacts facts;
    facts.path = DevicePath(portName);
    struct stat info {};
    if (stat(facts.path.c_str(), &info) != 0) {
        const int error = errno;
        facts.cause = error == ENOENT || error == ENODEV || error == ENOTDIR
                          ? PortOpenFacts::Cause::missing
                          : PortOpenFacts::Cause::other;
        facts.systemMessage = std::strerror(error);
        return facts;
    }
    facts.ownerName = UserName(info.st_uid);
    const group* owningGroup = getgrgid(info.st_gid);
    facts.groupName = owningGroup != nullptr ? owningGroup->gr_name : std::to_string(info.st_gid);
    facts.modeText = ModeText(info.st_mode);
    facts.groupMayReadWrite = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    facts.groupIsRoot = info.st_gid == 0;
    facts.inGroupNow = ProcessHasGroup(info.st_gid);
    facts.listedInGroup = UserListedInGroup(info.st_gid);

    // The system's own answer. Non-blocking, so a modem line without carrier does not hang it;
    // no controlling terminal, so it cannot take over the session.
    const int probe = open(facts.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int error = probe < 0 ? errno : 0;
    if (probe >= 0) {
        close(probe);
    }
    FindHolders(ResolvedPath(facts.path), facts);
    facts.findHoldersCommand = "sudo fuser -v " + facts.path;
    if (error == EACCES || error == EPERM) {
        facts.cause = PortOpenFacts::Cause::permission;
    } else if (error == EBUSY || (error == 0 && !facts.holders.empty())) {
        // With error 0 the system would open it, but the port layer's lock (a lock file or the
        // exclusive mode, which the superuser passes) kept it: the holders say by whom.
        facts.cause = PortOpenFacts::Cause::busy;
    } else if (error == ENOENT || error == ENODEV || error == ENXIO) {
        facts.cause = PortOpenFacts::Cause::missing;
    }
    facts.systemMessage = error != 0 ? std::strerror(error) : portError;
    return facts;
}

}  // namespace vanteo

// The Windows side of the port diagnosis: a probing CreateFileA on the port's device name. A
// serial port open elsewhere answers "access denied"; who holds it the system does not say.
#include <windows.h>

#include "serial/PortDiagnosis.h"

namespace vanteo {
namespace {

std::string SystemWords(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string words = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    LocalFree(text);
    while (!words.empty() &&
           (words.back() == '\r' || words.back() == '\n' || words.back() == '.')) {
        words.pop_back();
    }
    return words;
}

}  // namespace

PortAccess InspectPortAccess(const std::string& portName) {
    // Windows gives every user its serial ports; whether one is free only an open tells.
    PortAccess access;
    access.exists = true;
    access.mayOpen = true;
    (void)portName;
    return access;
}

std::string CurrentUserName() {
    char name[256] = {};
    DWORD size = sizeof name;
    return GetUserNameA(name, &size) ? std::string(name) : std::string();
}

std::vector<std::string> CurrentGroupNames() {
    return {};
}

bool ModemManagerRunning() {
    return false;
}

PortOpenFacts InspectPortOpenFailure(const std::string& portName, const std::string& portError) {
    PortOpenFacts facts;
    facts.path = portName.starts_with("\\\\.\\") ? portName : "\\\\.\\" + portName;
    const HANDLE probe = CreateFileA(facts.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        facts.systemMessage = portError;
        return facts;
    }
    const DWORD error = GetLastError();
    facts.systemMessage = SystemWords(error);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        facts.cause = PortOpenFacts::Cause::missing;
    } else if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) {
        facts.cause = PortOpenFacts::Cause::busy;
    }
    return facts;
}

}  // namespace vanteo

#include "device/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "serial/CFormat.h"

namespace vanteo {
namespace {

// Closes the descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

InputFileStatus ReadRegularFile(int fd, std::size_t maxBytes, std::string& text) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return InputFileStatus::cannotOpen;
    }
    if (S_ISDIR(info.st_mode)) {
        return InputFileStatus::folder;
    }
    if (!S_ISREG(info.st_mode)) {
        return InputFileStatus::notRegular;
    }
    if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxBytes) {
        return InputFileStatus::tooLarge;
    }
    // The size is a hint only: the file may grow while it is read, and some report 0.
    text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return InputFileStatus::cannotOpen;
        }
        if (got == 0) {
            return InputFileStatus::ok;
        }
        if (static_cast<std::size_t>(got) > maxBytes - text.size()) {
            return InputFileStatus::tooLarge;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

InputFileStatus ReadInputFile(const std::string& path, std::size_t maxBytes, std::string& text) {
    text.clear();
    // Non-blocking, so that opening a pipe nobody writes to returns at once; a serial device
    // does not become the controlling terminal.
    const Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) {
        return errno == EISDIR ? InputFileStatus::folder : InputFileStatus::cannotOpen;
    }
    InputFileStatus status = InputFileStatus::cannotOpen;
    try {
        status = ReadRegularFile(fd.Get(), maxBytes, text);
    } catch (const std::bad_alloc&) {
        status = InputFileStatus::outOfMemory;
    }
    if (status != InputFileStatus::ok) {
        std::string().swap(text);
    }
    return status;
}

std::string InputFileProblem(InputFileStatus status, std::size_t maxBytes) {
    switch (status) {
        case InputFileStatus::ok:
            return "";
        case InputFileStatus::cannotOpen:
            return "it cannot be opened (missing, no permission or an I/O error)";
        case InputFileStatus::folder:
            return "it is a folder, not a file";
        case InputFileStatus::notRegular:
            return "it is a device or a pipe, not a file";
        case InputFileStatus::tooLarge:
            return FormatC("it is larger than %zu bytes, far more than such a file holds",
                           maxBytes);
        case InputFileStatus::outOfMemory:
            return "there is not enough memory to read it";
    }
    return "";
}

std::string InputFileMessage(InputFileStatus status, std::size_t maxBytes) {
    if (status == InputFileStatus::cannotOpen || status == InputFileStatus::folder) {
        return "Error opening file";
    }
    return "Error opening file: " + InputFileProblem(status, maxBytes);
}

}  // namespace vanteo

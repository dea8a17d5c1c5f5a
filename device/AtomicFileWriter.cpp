#include "device/AtomicFileWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace vanteo {

AtomicFileWriter::AtomicFileWriter(std::string targetPath) : targetPath_(std::move(targetPath)) {}

AtomicFileWriter::~AtomicFileWriter() {
    Abandon();
}

bool AtomicFileWriter::Open() {
    Abandon();
    failed_ = false;
    std::string pattern = targetPath_ + ".partial-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) {
        return false;
    }
    // mkstemp creates the file 0600; a finished file gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, static_cast<mode_t>(0666 & ~mask));
    file_ = fdopen(descriptor, "w");
    if (file_ == nullptr) {
        close(descriptor);
        unlink(name.data());
        return false;
    }
    temporaryPath_ = name.data();
    return true;
}

bool AtomicFileWriter::Write(const std::string& text) {
    if (file_ == nullptr) {
        failed_ = true;
        return false;
    }
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        failed_ = true;
    }
    return !failed_;
}

bool AtomicFileWriter::Commit() {
    if (file_ == nullptr) {
        return false;
    }
    bool ok =
        !failed_ && std::ferror(file_) == 0 && std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (ok) {
        ok = std::rename(temporaryPath_.c_str(), targetPath_.c_str()) == 0;
    }
    if (!ok) {
        unlink(temporaryPath_.c_str());
    }
    temporaryPath_.clear();
    return ok;
}

void AtomicFileWriter::Abandon() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporaryPath_.empty()) {
        unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

}  // namespace vanteo

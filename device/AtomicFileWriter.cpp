#include "device/AtomicFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <random>
#include <vector>

namespace vanteo {
namespace {

constexpr const char* kTemporaryMark = ".partial-";
constexpr std::size_t kRandomLetters = 6;
constexpr int kMaxLinksFollowed = 40;  // as the kernel's own limit for a path
constexpr long kUsualNameMax = 255;

// The file a plain open of `path` would write: symbolic links in the last component followed
// (a link to a missing file leads to that file, which the open would create). False on a loop
// or an unreadable link.
bool FollowLinks(std::string& path) {
    for (int followed = 0; followed <= kMaxLinksFollowed; ++followed) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return true;  // a file, or nothing yet: whichever, the open decides
        }
        std::vector<char> link(PATH_MAX + 1);
        const ssize_t length = readlink(path.c_str(), link.data(), link.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= link.size()) {
            return false;
        }
        const std::string destination(link.data(), static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = (destination[0] == '/' || slash == std::string::npos)
                   ? destination
                   : path.substr(0, slash + 1) + destination;
    }
    return false;
}

// The temporary name beside `name`: as much of the name as fits, the mark and random letters.
// The kept part is cut at a character boundary of UTF-8.
std::string TemporaryNameFor(const std::string& name, long nameMax) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const std::size_t added = std::char_traits<char>::length(kTemporaryMark) + kRandomLetters;
    const std::size_t limit = nameMax > 0 ? static_cast<std::size_t>(nameMax) : kUsualNameMax;
    std::size_t kept = name.size();
    if (kept + added > limit) {
        kept = limit > added ? limit - added : 0;
        while (kept > 0 && (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80) {
            --kept;
        }
    }
    static thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string result = name.substr(0, kept) + kTemporaryMark;
    for (std::size_t i = 0; i < kRandomLetters; ++i) {
        result += kLetters[pick(random)];
    }
    return result;
}

bool WriteAll(int fd, const char* data, std::size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t written = pwrite(fd, data, size, offset);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string targetPath) : targetPath_(std::move(targetPath)) {}

AtomicFileWriter::~AtomicFileWriter() {
    Abandon();
}

bool AtomicFileWriter::Open() {
    Abandon();
    failed_ = false;
    inPlace_ = false;

    std::string path = targetPath_;
    if (path.empty() || path.back() == '/' || !FollowLinks(path)) {
        return false;
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    finalName_ = slash == std::string::npos ? path : path.substr(slash + 1);
    folder_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) {
        return false;
    }

    struct stat existing {};
    const bool exists = fstatat(folder_, finalName_.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists) {
        // Only what a plain open for writing would have written: a regular file this process
        // may open for writing (permissions, ACLs and read-only mounts all answer here). As
        // root a 0444 file opens, as it would for the plain open.
        if (!S_ISREG(existing.st_mode)) {
            CloseDescriptors();
            return false;
        }
        target_ = openat(folder_, finalName_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (target_ < 0) {
            CloseDescriptors();
            return false;
        }
        inPlace_ = existing.st_nlink > 1;
    } else if (errno != ENOENT) {
        CloseDescriptors();
        return false;
    }

    const long nameMax = fpathconf(folder_, _PC_NAME_MAX);
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporaryName_ = TemporaryNameFor(finalName_, nameMax);
        // A new file gets the usual permissions (0666 less the umask); an existing one's are
        // set below.
        descriptor = openat(folder_, temporaryName_.c_str(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST) {
            break;
        }
    }
    if (descriptor < 0) {
        temporaryName_.clear();
        if (target_ < 0) {
            CloseDescriptors();
            return false;
        }
        // A file the user may write in a folder that takes no new file: the complete contents
        // wait in an anonymous temporary file and are then written in place.
        file_ = std::tmpfile();
        inPlace_ = true;
        if (file_ == nullptr) {
            CloseDescriptors();
            return false;
        }
        return true;
    }
    if (exists) {
        // The replacement takes the file's place with its owner, group and permission bits;
        // where the owner or group cannot be kept (another user's file that was writable to
        // us), the file is written in place instead. Set-user, set-group and sticky bits are
        // not copied onto a file another program wrote.
        struct stat made {};
        if (fstat(descriptor, &made) == 0 &&
            (made.st_uid != existing.st_uid || made.st_gid != existing.st_gid) &&
            fchown(descriptor, existing.st_uid, existing.st_gid) != 0) {
            inPlace_ = true;
        }
        fchmod(descriptor, existing.st_mode & 0777);
        if (!inPlace_) {
            close(target_);
            target_ = -1;
        }
    }
    file_ = fdopen(descriptor, "w+");
    if (file_ == nullptr) {
        close(descriptor);
        Abandon();
        return false;
    }
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
    bool ok = !failed_ && std::ferror(file_) == 0 && std::fflush(file_) == 0;
    if (ok) {
        ok = inPlace_ ? CopyInPlace(fileno(file_)) : fsync(fileno(file_)) == 0;
    }
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (ok && !inPlace_) {
        ok = renameat(folder_, temporaryName_.c_str(), folder_, finalName_.c_str()) == 0;
    }
    if ((!ok || inPlace_) && !temporaryName_.empty()) {
        unlinkat(folder_, temporaryName_.c_str(), 0);
    }
    temporaryName_.clear();
    CloseDescriptors();
    return ok;
}

// The complete temporary file copied over the existing one from its start, then cut to length.
bool AtomicFileWriter::CopyInPlace(int source) {
    if (lseek(source, 0, SEEK_SET) != 0) {
        return false;
    }
    bool ok = true;
    off_t offset = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(source, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (!WriteAll(target_, buffer, static_cast<std::size_t>(got), offset)) {
            ok = false;
            break;
        }
        offset += got;
    }
    return ok && ftruncate(target_, offset) == 0 && fsync(target_) == 0;
}

void AtomicFileWriter::CloseDescriptors() {
    if (target_ >= 0) {
        close(target_);
        target_ = -1;
    }
    if (folder_ >= 0) {
        close(folder_);
        folder_ = -1;
    }
}

void AtomicFileWriter::Abandon() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporaryName_.empty() && folder_ >= 0) {
        unlinkat(folder_, temporaryName_.c_str(), 0);
    }
    temporaryName_.clear();
    CloseDescriptors();
}

}  // namespace vanteo

#pragma once

#include <cstdio>
#include <string>

namespace vanteo {

// Writes a new file beside `targetPath` and puts it in the target's place only when Commit is
// called, so a failure part-way never destroys a file the user had and never leaves an empty or
// half-written file under the target's name. Destroying the writer without Commit removes the
// temporary file. One thread at a time.
//
// The result is what a plain open for writing would have given, without its risks:
// - a target the user could not have opened for writing (read-only, another user's file in a
//   writable folder, a read-only file system) and one that is no regular file (a folder, a
//   device, a pipe) make Open fail: the writer never replaces what the user could not write;
// - a symbolic link is followed, and the file it leads to is written (the link stays a link);
// - an existing file keeps its permission bits and, where the process may set them, its owner
//   and group;
// - a file with other hard links, one whose owner or group a new file could not keep, and one in
//   a folder that takes no new file are written in place once the temporary copy is complete
//   (beside it, or anonymous in the temporary folder), so every name sees the new contents and
//   the ownership stays; only a failure of that last copy can leave the file part-written;
// - the temporary name fits beside any name the folder accepts (a 255-byte name included).
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string targetPath);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file in the folder of the file to be written. False when that
    // folder is not writable or the target is not a file the user could write (see above).
    bool Open();
    // The open temporary file (nullptr before Open or after Commit / Abandon).
    std::FILE* File() const { return file_; }
    // Writes `text` as it stands; false once any write has failed.
    bool Write(const std::string& text);
    // Flushes, closes and renames the temporary file over the target (or copies it into a
    // target written in place). False (the target left as it was, unless a copy in place failed
    // part-way, and the temporary file removed) when anything failed, a write included.
    bool Commit();
    // Closes and removes the temporary file; the target is untouched.
    void Abandon();

    const std::string& TargetPath() const { return targetPath_; }
    // After Open: true when Commit writes into the existing file rather than replacing it.
    bool WritesInPlace() const { return inPlace_; }

private:
    bool CopyInPlace(int source);
    void CloseDescriptors();

    std::string targetPath_;
    int folder_ = -1;            // the folder of the file written (symbolic links followed)
    std::string finalName_;      // that file's name in it
    std::string temporaryName_;  // the temporary file's name in it; empty when none or anonymous
    int target_ = -1;            // the existing file, open for writing, when written in place
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    bool inPlace_ = false;
};

}  // namespace vanteo

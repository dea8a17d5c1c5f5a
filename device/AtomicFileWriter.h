#pragma once

#include <cstdio>
#include <string>

namespace vanteo {

// Writes a new file beside `targetPath` and puts it in the target's place only when Commit is
// called, so a failure part-way never destroys a file the user had and never leaves an empty or
// half-written file under the target's name. Destroying the writer without Commit removes the
// temporary file. One thread at a time.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string targetPath);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file in the target's folder. False when that folder is not writable.
    bool Open();
    // The open temporary file (nullptr before Open or after Commit / Abandon).
    std::FILE* File() const { return file_; }
    // Writes `text` as it stands; false once any write has failed.
    bool Write(const std::string& text);
    // Flushes, closes and renames the temporary file over the target. False (the target left as
    // it was and the temporary file removed) when anything failed, a write included.
    bool Commit();
    // Closes and removes the temporary file; the target is untouched.
    void Abandon();

    const std::string& TargetPath() const { return targetPath_; }

private:
    std::string targetPath_;
    std::string temporaryPath_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

}  // namespace vanteo

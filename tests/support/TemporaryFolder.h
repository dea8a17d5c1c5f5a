#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vanteo::test {

// A fresh empty folder under the system's temporary folder, removed with the object.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Root() const { return path_; }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    // Names of the files in the folder, sorted.
    std::vector<std::string> Files() const;

private:
    std::filesystem::path path_;
};

// A file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Creates or replaces the file with `text`, byte for byte.
void WriteFile(const std::string& path, const std::string& text);

}  // namespace vanteo::test

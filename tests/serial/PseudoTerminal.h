#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <string>

namespace vanteo::test {

// A pseudo-terminal pair: the program opens `slavePath` as its serial port and the test plays
// the tracker on the master side.
class PseudoTerminal {
public:
    PseudoTerminal() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
            slavePath_ = name;
        }
    }
    ~PseudoTerminal() {
        if (master_ >= 0) {
            close(master_);
        }
        if (slave_ >= 0) {
            close(slave_);
        }
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool Ok() const { return !slavePath_.empty(); }
    const std::string& SlavePath() const { return slavePath_; }
    // The test's own descriptor on the terminal, for tcgetattr.
    int SlaveFd() const { return slave_; }

    bool TrackerSends(const std::string& bytes) {
        return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // What the program wrote, up to `count` bytes; stops early only if nothing comes for
    // `patienceMs` (a guard against a hung test, not a timing check).
    std::string TrackerReceives(std::size_t count, int patienceMs = 5000) {
        std::string got;
        while (got.size() < count) {
            pollfd ready{master_, POLLIN, 0};
            if (poll(&ready, 1, patienceMs) <= 0) {
                break;
            }
            char buffer[512];
            const std::size_t want = std::min(sizeof buffer, count - got.size());
            const ssize_t n = read(master_, buffer, want);
            if (n <= 0) {
                break;
            }
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace vanteo::test

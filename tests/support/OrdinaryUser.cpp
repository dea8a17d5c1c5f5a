#include "tests/support/OrdinaryUser.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vanteo::test {

bool BecomeOrdinaryUser() {
    return geteuid() != 0 ||
           (setgroups(0, nullptr) == 0 && setgid(kOrdinaryUser) == 0 && setuid(kOrdinaryUser) == 0);
}

std::optional<std::string> RunAsOrdinaryUser(const std::function<std::string()>& work) {
    int channel[2];
    if (pipe(channel) != 0) {
        return std::nullopt;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (!BecomeOrdinaryUser()) {
            _exit(2);
        }
        const std::string text = work();
        const bool sent =
            write(channel[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        _exit(sent ? 0 : 3);
    }
    close(channel[1]);
    if (child < 0) {
        close(channel[0]);
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(channel[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(channel[0]);
    int status = -1;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return text;
}

}  // namespace vanteo::test

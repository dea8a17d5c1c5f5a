#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

namespace vanteo::test {

// The user the program runs as in tests about what a user who is not the superuser may do:
// nobody (uid and gid 65534 on Debian). The superuser passes every permission check.
inline constexpr uid_t kOrdinaryUser = 65534;

// In a child process: drops to kOrdinaryUser when running as root (no supplementary groups);
// false when the system refused.
bool BecomeOrdinaryUser();

// Runs `work` in a child process, as kOrdinaryUser when the test runs as root (else as the test's
// own user), and returns the text it returned; nullopt when the child could not drop its
// privileges or hand its text back.
std::optional<std::string> RunAsOrdinaryUser(const std::function<std::string()>& work);

}  // namespace vanteo::test

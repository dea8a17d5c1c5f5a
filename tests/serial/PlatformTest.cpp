#include "serial/Platform.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

namespace vanteo::test {
namespace {

TEST(PlatformTest, EqualIgnoringCaseFoldsOnlyTheLettersAToZ) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"ID String", "id string", true},
        {"Path 1", "PATH 1", true},
        {"Path 1", "Path 2", false},
        {"Path", "Path ", false},
        {"", "", true},
        {"@", "`", false},
        {"[", "{", false},
        {"\xC9t\xE9", "\xE9T\xC9", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EqualIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(EqualIgnoringCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
    }
}

TEST(PlatformTest, RaisedPriorityIsTheCallingThreadsOnly) {
    // Compared with the priority the test started at, which is not 0 under `nice`.
    const int startNice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    int raisedNice = 0;
    bool raised = false;
    std::thread worker([&] {
        raised = RaiseCurrentThreadPriority();
        raisedNice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    });
    worker.join();
    if (!raised) {
        GTEST_SKIP() << "the system grants this user no higher priority";
    }
    EXPECT_LT(raisedNice, startNice);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))), startNice);
}

}  // namespace
}  // namespace vanteo::test

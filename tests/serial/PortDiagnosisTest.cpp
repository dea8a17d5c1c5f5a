#include "serial/PortDiagnosis.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>

#include "tests/serial/PseudoTerminal.h"
#include "tests/support/OrdinaryUser.h"

namespace vanteo::test {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using Cause = PortOpenFacts::Cause;

// --- the words, from facts as the system would report them ---

PortOpenFacts Denied(const std::string& group, const std::string& mode, bool groupRw) {
    PortOpenFacts facts;
    facts.cause = Cause::permission;
    facts.path = "/dev/ttyUSB0";
    facts.systemMessage = "Permission denied";
    facts.ownerName = "root";
    facts.groupName = group;
    facts.modeText = mode;
    facts.groupMayReadWrite = groupRw;
    facts.groupIsRoot = group == "root";
    return facts;
}

TEST(PortDiagnosisTest, PermissionAdviceNamesTheOwningGroupOnlyWhenJoiningItHelps) {
    const std::string join = "sudo usermod -aG dialout $USER";
    const std::string text = ExplainPortOpenFailure(Denied("dialout", "crw-rw----", true));
    EXPECT_THAT(
        text, AllOf(HasSubstr("/dev/ttyUSB0"), HasSubstr("Permission denied"),
                    HasSubstr("root:dialout crw-rw----"), HasSubstr(join), HasSubstr("new login")));

    // Another distribution's group is named as the device says, never a guessed "dialout".
    EXPECT_THAT(ExplainPortOpenFailure(Denied("uucp", "crw-rw----", true)),
                AllOf(HasSubstr("sudo usermod -aG uucp $USER"), Not(HasSubstr("dialout"))));

    // Joining root's group would hand out the superuser's files; a group without read and write
    // gives nothing: neither is advised.
    for (const PortOpenFacts& facts :
         {Denied("root", "crw-rw----", true), Denied("dialout", "crw-------", false)}) {
        const std::string refusal = ExplainPortOpenFailure(facts);
        EXPECT_THAT(refusal, AllOf(Not(HasSubstr("usermod")), HasSubstr("udev rule"))) << refusal;
    }

    // Added to the group after this login started: only a new login is missing.
    PortOpenFacts added = Denied("dialout", "crw-rw----", true);
    added.listedInGroup = true;
    EXPECT_THAT(ExplainPortOpenFailure(added),
                AllOf(Not(HasSubstr("usermod")), HasSubstr("log out and log in again")));
}

TEST(PortDiagnosisTest, BusyNamesTheHoldersAndModemManagerWhereItIsTheLikelyOne) {
    PortOpenFacts facts;
    facts.cause = Cause::busy;
    facts.path = "/dev/ttyACM0";
    facts.systemMessage = "Device or resource busy";
    facts.findHoldersCommand = "sudo fuser -v /dev/ttyACM0";

    facts.holders = {{812, "ModemManager"}};
    EXPECT_THAT(ExplainPortOpenFailure(facts),
                AllOf(HasSubstr("ModemManager (pid 812)"), HasSubstr("Device or resource busy"),
                      HasSubstr("sudo systemctl stop ModemManager"), Not(HasSubstr("fuser"))));

    facts.holders = {{4242, "minicom"}, {4243, "vanteo"}};
    EXPECT_THAT(ExplainPortOpenFailure(facts),
                AllOf(HasSubstr("minicom (pid 4242), vanteo (pid 4243)"),
                      HasSubstr("Close that program"), Not(HasSubstr("ModemManager"))));

    // The holder is hidden from this user (a system service): the command that names it, and
    // ModemManager only while one runs.
    facts.holders.clear();
    EXPECT_THAT(ExplainPortOpenFailure(facts),
                AllOf(HasSubstr("sudo fuser -v /dev/ttyACM0"), Not(HasSubstr("ModemManager"))));
    facts.modemManagerRunning = true;
    EXPECT_THAT(ExplainPortOpenFailure(facts), HasSubstr("sudo systemctl stop ModemManager"));
}

TEST(PortDiagnosisTest, OtherFailuresKeepTheSystemsOwnWords) {
    PortOpenFacts facts;
    facts.path = "/dev/ttyS4";
    facts.systemMessage = "Input/output error";
    EXPECT_EQ(ExplainPortOpenFailure(facts), "/dev/ttyS4: Input/output error");
}

// --- the facts, from the system, for a user who is not the superuser ---

// Runs `inspect` as `nobody` (when the test runs as root, which passes every permission check)
// and returns what it wrote.
std::string AsUnprivilegedUser(const std::function<std::string()>& inspect) {
    return test::RunAsOrdinaryUser(inspect).value_or("the child as nobody did not report");
}

std::string CauseAndWords(const std::string& path) {
    const PortOpenFacts facts = InspectPortOpenFailure(path, "port layer words");
    return std::to_string(static_cast<int>(facts.cause)) + "|" + ExplainPortOpenFailure(facts);
}

std::string Expect(Cause cause) {
    return std::to_string(static_cast<int>(cause)) + "|";
}

TEST(PortDiagnosisTest, ATerminalOfAGroupTheUserIsNotInGivesThatGroupAndTheCommandToJoinIt) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "changing a terminal's owning group needs the superuser";
    }
    const group* dialout = getgrnam("dialout");
    ASSERT_NE(dialout, nullptr);
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(chown(pty.SlavePath().c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0660), 0);
    const auto mayOpen = [&] {
        const PortAccess access = InspectPortAccess(pty.SlavePath());
        return std::string(access.mayOpen ? "may open " : "may not open ") + access.ownerName +
               ":" + access.groupName + " " + access.modeText;
    };
    EXPECT_EQ(AsUnprivilegedUser(mayOpen), "may not open root:dialout crw-rw----");
    std::string seen = AsUnprivilegedUser([&] { return CauseAndWords(pty.SlavePath()); });
    EXPECT_THAT(seen, AllOf(testing::StartsWith(Expect(Cause::permission)),
                            HasSubstr("root:dialout crw-rw----"),
                            HasSubstr("sudo usermod -aG dialout $USER"), HasSubstr("new login")));

    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0666), 0);
    EXPECT_EQ(AsUnprivilegedUser(mayOpen), "may open root:dialout crw-rw-rw-");

    // Owner only: no group to join.
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0600), 0);
    seen = AsUnprivilegedUser([&] { return CauseAndWords(pty.SlavePath()); });
    EXPECT_THAT(seen, AllOf(testing::StartsWith(Expect(Cause::permission)),
                            Not(HasSubstr("usermod")), HasSubstr("udev rule")));
}

TEST(PortDiagnosisTest, ATerminalHeldExclusivelyByAnotherProcessNamesThatProcess) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0666), 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        // Another user's program would look the same: a process of its own holding the port in
        // exclusive mode. Dumpable again after the change of user, so its owner may list its
        // files as for any program started by that user.
        if (!BecomeOrdinaryUser()) {
            _exit(2);
        }
        prctl(PR_SET_DUMPABLE, 1);
        prctl(PR_SET_NAME, "pty-holder");
        const int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0 || ioctl(fd, TIOCEXCL) != 0) {
            _exit(4);
        }
        const char go = 'x';
        if (write(ready[1], &go, 1) != 1) {
            _exit(5);
        }
        pause();
        _exit(0);
    }
    close(ready[1]);
    char go = 0;
    ASSERT_EQ(read(ready[0], &go, 1), 1);
    close(ready[0]);

    const std::string seen = AsUnprivilegedUser([&] { return CauseAndWords(pty.SlavePath()); });
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_THAT(
        seen, AllOf(testing::StartsWith(Expect(Cause::busy)), HasSubstr("Device or resource busy"),
                    HasSubstr("held by pty-holder (pid " + std::to_string(holder) + ")."),
                    Not(HasSubstr("vanteo"))));
}

TEST(PortDiagnosisTest, AMissingPortIsReportedUnpluggedOrRenamed) {
    for (const std::string name : {"/dev/vanteo-no-such-port", "vanteo-no-such-port"}) {
        const std::string seen = CauseAndWords(name);
        EXPECT_THAT(seen, AllOf(testing::StartsWith(Expect(Cause::missing)),
                                HasSubstr("/dev/vanteo-no-such-port does not exist"),
                                HasSubstr("unplugged")));
    }
}

}  // namespace
}  // namespace vanteo::test

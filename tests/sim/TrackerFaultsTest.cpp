#include <gtest/gtest.h>

#include "sim/TrackerSimulator.h"
#include "tests/sim/SimLinkFixture.h"

namespace vanteo::sim::test {
namespace {

const char* const kLineTimeout = "Serial Port Error: Read returned 0 chars. Closing com port";

class TrackerFaultsTest : public SimLinkTest {
protected:
    void ConnectWith(const FaultOptions& faults) {
        SimulatorConfig config;
        config.faults = faults;
        Connect(config);
    }
};

TEST_F(TrackerFaultsTest, SilentTrackerLetsTheLineReadTimeOutAfterFiveSeconds) {
    FaultOptions faults;
    faults.silent = true;
    ConnectWith(faults);
    EXPECT_FALSE(link->Sync());
    EXPECT_EQ(clock.NowMs(), 5000);
    EXPECT_EQ(ui.messages, std::vector<std::string>{kLineTimeout});
    EXPECT_FALSE(link->IsOpen());
    EXPECT_EQ(sim->ReceivedBytes(), Bytes{'?'});
}

TEST_F(TrackerFaultsTest, DisconnectAfterSomeBytesCutsTheReplyAndRefusesWrites) {
    FaultOptions faults;
    faults.disconnectAfterBytes = 5;  // "OK" LF CR and the 'y' of a peek
    ConnectWith(faults);
    ASSERT_TRUE(link->Sync());
    EXPECT_TRUE(sim->Connected());
    Send({'y'});
    EXPECT_EQ(Receive(6), Bytes{'a'});
    EXPECT_FALSE(sim->Connected());
    EXPECT_FALSE(sim->PeekToHost().has_value());
    EXPECT_FALSE(link->WriteByte('?'));
    EXPECT_EQ(sim->BytesSent(), 5);
}

TEST_F(TrackerFaultsTest, GarbageLinesPrecedeEveryReplyLine) {
    FaultOptions faults;
    faults.garbageLinesBeforeReply = 2;
    ConnectWith(faults);
    Send({'M'});
    EXPECT_EQ(ReadLineOrFail()[0], '$');
    EXPECT_EQ(ReadLineOrFail()[0], '$');
    EXPECT_EQ(ReadLineOrFail(), "ZPNAV9");
    // Sync keeps asking until a line starts with "OK": the third line is the first answer.
    ASSERT_TRUE(link->Sync());
    EXPECT_EQ(sim->Commands(), "M???");
}

TEST_F(TrackerFaultsTest, CrLfLineEndsAreNotLineEndsToTheHost) {
    FaultOptions faults;
    faults.crLfLineEnds = true;
    ConnectWith(faults);
    Send({'?', '?'});
    std::string line;
    // "OK" CR LF "OK" CR LF holds no LF CR pair: the reader runs out of bytes and gives up.
    EXPECT_FALSE(link->ReadLine(line));
    EXPECT_EQ(ui.messages, std::vector<std::string>{kLineTimeout});
}

TEST_F(TrackerFaultsTest, CrLfAlsoEndsFixedReplies) {
    FaultOptions faults;
    faults.crLfLineEnds = true;
    ConnectWith(faults);
    Send({'J', 0x00, 0x00});
    const Bytes reply = Receive(10);
    ASSERT_EQ(reply.size(), 10u);
    EXPECT_EQ(reply[8], 0x0D);
    EXPECT_EQ(reply[9], 0x0A);
}

TEST_F(TrackerFaultsTest, OverlongLinesAreCutAtSixtyThreeCharacters) {
    FaultOptions faults;
    faults.overlongLines = true;
    ConnectWith(faults);
    Send({'M'});
    // 80 characters: the reader stops after 65 bytes and keeps 63.
    EXPECT_EQ(ReadLineOrFail(), "ZPNAV9" + std::string(57, ' '));
    // The 15 characters left over and the terminator read as the next line.
    EXPECT_EQ(ReadLineOrFail(), std::string(15, ' '));
}

TEST_F(TrackerFaultsTest, ShortFlashBlocksLeaveTheReadShort) {
    FaultOptions faults;
    faults.shortFlashBlocks = 3;
    ConnectWith(faults);
    sim->Flash()[0] = 0x42;
    Send({'J', 0x00, 0x00});
    // 8 - 3 data bytes and the two trailing bytes, then the interval time-out.
    const Bytes reply = Receive(8);
    ASSERT_EQ(reply.size(), 7u);
    EXPECT_EQ(reply[0], 0x42);
    EXPECT_EQ(reply[5], 0x0A);
    EXPECT_EQ(reply[6], 0x0D);
    EXPECT_EQ(clock.NowMs(), 2500);
}

TEST_F(TrackerFaultsTest, EndlessEraseSendsProgressThenFallsSilent) {
    SimulatorConfig config;
    config.faults.endlessErase = true;
    config.eraseProgressBytes = 4;
    config.eraseByteIntervalMs = 50;
    Connect(config);
    Send({'Z'});
    EXPECT_EQ(Receive(10), (Bytes{'.', '.', '.', '.'}));
    // The last progress byte came at 200 ms; the read gave up 2500 ms later.
    EXPECT_EQ(clock.NowMs(), 2700);
    // The firmware hangs: later commands are heard but not answered.
    EXPECT_TRUE(sim->Hung());
    EXPECT_FALSE(link->Sync());
    EXPECT_EQ(sim->ReceivedBytes(), (Bytes{'Z', '?'}));
}

TEST_F(TrackerFaultsTest, SlowBytesDelayEveryByte) {
    FaultOptions faults;
    faults.slowByteDelayMs = 40;
    ConnectWith(faults);
    ASSERT_TRUE(link->Sync());
    EXPECT_EQ(clock.NowMs(), 160);  // four bytes, 40 ms each
}

}  // namespace
}  // namespace vanteo::sim::test

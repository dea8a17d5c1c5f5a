#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "device/Operations.h"
#include "tests/files/TrackerBench.h"

namespace vanteo::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Pokes = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

constexpr int kSerialNumberControl = 1035;
constexpr int kIdStringControl = 1034;
constexpr int kCalibrationControl = 1183;  // the field before "-->"

class ServiceOperationsTest : public TrackerBench {
protected:
    // The tracker as a Read would have found it: with or without byte access (peek and poke),
    // its model's calibration base.
    void Identified(bool peekPoke, int calibrationBase) {
        tracker.capabilities.peekPoke = peekPoke;
        tracker.capabilities.calibrationBase = calibrationBase;
    }
    // What "Update" writes, typed as the user would.
    void TypeFactoryValues(const std::string& serial, const std::string& id,
                           const std::string& calibration) {
        ui.Type(kSerialNumberControl, serial);
        ui.Type(kIdStringControl, id);
        ui.Type(kCalibrationControl, calibration);
    }
    // The pokes the simulator saw as the 15 bytes of 0x80..0x8E.
    Bytes FactoryBlockPokes() const {
        Bytes values;
        for (const auto& [address, value] : sim.Pokes()) {
            if (address >= 0x80 && address <= 0x8E) {
                EXPECT_EQ(address, 0x80 + values.size());
                values.push_back(value);
            }
        }
        return values;
    }
    // The calibration pair as the tracker now holds it, 0x8B..0x8E.
    Bytes Calibration() { return Bytes(sim.Memory().begin() + 0x8B, sim.Memory().begin() + 0x8F); }
};

TEST_F(ServiceOperationsTest, RunSendsGAndClosesTheLinkEvenWhenItWasOpen) {
    ASSERT_TRUE(link.OpenPort("COM3"));
    ASSERT_TRUE(OnRun(ctx));
    EXPECT_EQ(sim.ReceivedBytes(), Bytes{'G'});
    EXPECT_TRUE(sim.Transmitting());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(portsOpened, 1);
    EXPECT_EQ(form.messages, "TX running, Enter a command to stop");
}

TEST_F(ServiceOperationsTest, RunOnAPortThatWillNotOpenClaimsNothing) {
    form.comPort = "";  // no such port
    EXPECT_FALSE(OnRun(ctx));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Error opening com port"});
    EXPECT_NE(form.messages, "TX running, Enter a command to stop");
}

TEST_F(ServiceOperationsTest, Send1200TogglesTheToneWithPausesAroundTheAttention) {
    ASSERT_TRUE(OnSend1200(ctx));
    EXPECT_EQ(sim.ReceivedBytes(), (Bytes{'?', '1'}));
    EXPECT_EQ(clock.NowMs(), 400);  // 200 ms before and after the attention exchange
    EXPECT_TRUE(sim.ToneOn());
    EXPECT_TRUE(tracker.toneOn);
    EXPECT_EQ(form.messages, "Turning on 1200 Hz tone");

    ASSERT_TRUE(OnSend1200(ctx));
    EXPECT_EQ(sim.ReceivedBytes(), (Bytes{'?', '1', '?'}));
    EXPECT_FALSE(sim.ToneOn());
    EXPECT_FALSE(tracker.toneOn);
    EXPECT_EQ(form.messages, "Turning off 1200 Hz tone");
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(portsOpened, 1);
}

// Read and Write forget the tone without stopping it, so the next press switches on again.
TEST_F(ServiceOperationsTest, ReadAndWriteMakeTheNextSend1200SwitchOn) {
    for (OperationResult (*operation)(DeviceContext&) : {&OnRead, &OnWrite}) {
        ASSERT_TRUE(OnSend1200(ctx));
        ASSERT_TRUE(tracker.toneOn);
        operation(ctx);
        EXPECT_FALSE(tracker.toneOn);
        sim.ClearReceivedBytes();
        ASSERT_TRUE(OnSend1200(ctx));
        EXPECT_EQ(sim.ReceivedBytes(), (Bytes{'?', '1'}));
        EXPECT_EQ(form.messages, "Turning on 1200 Hz tone");
        ASSERT_TRUE(OnSend1200(ctx));  // off again for the next round
    }
}

TEST_F(ServiceOperationsTest, Send1200ToASilentTrackerDoesNotClaimTheToneIsOn) {
    sim.Config().faults.silent = true;
    EXPECT_FALSE(OnSend1200(ctx));
    EXPECT_FALSE(tracker.toneOn);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kLineTimeout});
    EXPECT_NE(form.messages, "Turning on 1200 Hz tone");

    // Unplugged right after its "OK" LF CR: the '1' is refused, and that is said.
    ui.ClearMessages();
    sim.ClearReceivedBytes();
    sim.Config().faults.silent = false;
    sim.Config().faults.disconnectAfterBytes = 4;
    EXPECT_FALSE(OnSend1200(ctx));
    EXPECT_EQ(sim.ReceivedBytes(), Bytes{'?'});
    EXPECT_FALSE(tracker.toneOn);
    EXPECT_FALSE(sim.ToneOn());
    EXPECT_EQ(form.messages, "Tone not started: the port refused the command");
}

TEST_F(ServiceOperationsTest, UpdatePokesTheFactoryBlockWithNegativeCalibration) {
    Identified(true, 9200);
    TypeFactoryValues("2053", "AB1", "9100");  // serial 0x805, calibration -100
    ASSERT_TRUE(OnUpdate(ctx));

    EXPECT_EQ(FactoryBlockPokes(),
              (Bytes{0x00, 0x00, 0x08, 0x05, 'A', 'B', '1', 0, 0, 0, 0, 0x64, 0x80, 0x64, 0x80}));
    EXPECT_EQ(sim.Pokes().size(), 15u);
    EXPECT_EQ(form.fcal, -100);
    EXPECT_EQ(form.messages, "106 writing Scal1 is 8064  calibrate is ffffff9c");
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Serial Numbers updated"});
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(ServiceOperationsTest, UpdateCalibrationAtTheBaseAndBeforeAnyRead) {
    Identified(true, 3900);
    TypeFactoryValues("1", "N0CALL", "3900");
    ASSERT_TRUE(OnUpdate(ctx));
    EXPECT_EQ(Calibration(), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(form.fcal, 0);

    tracker.capabilities.calibrationBase = 0;  // no Read yet
    TypeFactoryValues("1", "N0CALL", "300");   // 0x12C
    ASSERT_TRUE(OnUpdate(ctx));
    EXPECT_EQ(Calibration(), (Bytes{0x2C, 0x01, 0x2C, 0x01}));
    EXPECT_EQ(form.fcal, 300);
    EXPECT_EQ(form.messages, "106 writing Scal1 is 12c  calibrate is 12c");
}

TEST_F(ServiceOperationsTest, UpdateWithoutByteAccessSendsUAndTheBlockInOneWrite) {
    Identified(false, 9200);
    TypeFactoryValues("2053", "AB1", "9100");
    ASSERT_TRUE(OnUpdate(ctx));
    EXPECT_EQ(sim.ReceivedBytes(), (Bytes{'U', 0x00, 0x00, 0x08, 0x05, 'A', 'B', '1', 0, 0, 0, 0,
                                          0x64, 0x80, 0x64, 0x80}));
    EXPECT_EQ(sim.Commands(), "U");
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Serial Numbers updated"});
    EXPECT_TRUE(link.IsOpen());
}

// No reply follows the block, so a refused write must not pass in silence, nor be confirmed.
TEST_F(ServiceOperationsTest, UpdateWithoutByteAccessReportsARefusedWrite) {
    Identified(false, 9200);
    TypeFactoryValues("2053", "AB1", "9100");
    sim.Config().faults.disconnectAfterBytes = 6;  // unplugged after the "ser?" LF CR answering 'U'
    EXPECT_FALSE(OnUpdate(ctx));
    EXPECT_EQ(sim.ReceivedBytes(), Bytes{'U'});
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Serial Numbers not updated: the port refused the block"});
    EXPECT_EQ(form.fcal, FormModel::StartUp().fcal);

    // Pressed again on the link left open: the refused 'U' ends in the line time-out.
    ui.ClearMessages();
    EXPECT_FALSE(OnUpdate(ctx));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kLineTimeout});
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(portsOpened, 1);
}

// The block is the tracker's identity: a value the form refuses, or a calibration the pair cannot
// hold (15-bit magnitude), must not reach the tracker as something else.
TEST_F(ServiceOperationsTest, UpdateRefusesValuesItCannotWriteFaithfully) {
    Identified(true, 9200);
    TypeFactoryValues("2053", "AB1", "42000");  // 32800 above the base
    EXPECT_FALSE(OnUpdate(ctx));
    TypeFactoryValues("not a number", "AB1", "9100");
    EXPECT_FALSE(OnUpdate(ctx));
    EXPECT_TRUE(sim.ReceivedBytes().empty());
    EXPECT_EQ(portsOpened, 0);
    EXPECT_EQ(form.fcal, FormModel::StartUp().fcal);
    EXPECT_EQ(ui.MessageTexts().size(), 2u);
}

// The field before "-->" is unsigned 32-bit: a calibration below -base reads back wrapped
// (-4000 on a ZPNAV9's 3900 base shows 2^32 - 100) and Update must unwrap it, not refuse it.
TEST_F(ServiceOperationsTest, UpdateWritesBackACalibrationBelowMinusTheBaseUnchanged) {
    const Bytes minus4000 = {0xA0, 0x8F, 0xA0, 0x8F};  // magnitude 0x0FA0, sign bit set
    std::copy(minus4000.begin(), minus4000.end(), sim.Memory().begin() + 0x8B);
    ASSERT_TRUE(OnRead(ctx));
    ASSERT_EQ(tracker.capabilities.calibrationBase, 3900);
    ASSERT_EQ(ui.ControlText(kCalibrationControl), "4294967196");

    ASSERT_TRUE(OnUpdate(ctx));
    const Bytes block = FactoryBlockPokes();
    ASSERT_EQ(block.size(), 15u);
    EXPECT_EQ(Bytes(block.begin() + 11, block.end()), minus4000);
    EXPECT_EQ(Calibration(), minus4000);
    EXPECT_EQ(form.fcal, -4000);
    EXPECT_EQ(form.messages, "106 writing Scal1 is 8fa0  calibrate is fffff060");

    // Just past what the pair holds, on either side of the base, is still refused.
    for (const char* field : {"36668", "4294938428"}) {  // 3900 + 32768, 3900 - 32768 + 2^32
        ui.ClearMessages();
        ui.Type(kCalibrationControl, field);
        EXPECT_FALSE(OnUpdate(ctx)) << field;
        EXPECT_EQ(ui.MessageTexts(),
                  std::vector<std::string>{"Calibration out of range: the field before --> must "
                                           "lie within 32767 of 3900"});
    }
    EXPECT_EQ(form.fcal, -4000);
}

TEST_F(ServiceOperationsTest, DevAddrGoesOutOnTheLinkUpdateLeftOpen) {
    Identified(true, 9200);
    TypeFactoryValues("2053", "AB1", "9200");
    ASSERT_TRUE(OnUpdate(ctx));
    ui.ClearMessages();
    ASSERT_TRUE(OnDev4(ctx));
    EXPECT_EQ(sim.Pokes().back(), (std::pair<std::uint8_t, std::uint8_t>{0x26, 4}));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"DevAddr updated to 4"});
    EXPECT_EQ(portsOpened, 1);
}

TEST_F(ServiceOperationsTest, DevAddrOpensAClosedLinkAndReportsOnlyWhatHappened) {
    ASSERT_TRUE(OnDev0(ctx));
    EXPECT_EQ(sim.Pokes(), (Pokes{{0x26, 0}}));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"DevAddr updated to 0"});
    EXPECT_EQ(portsOpened, 1);

    ui.ClearMessages();
    sim.Config().faults.silent = true;
    EXPECT_FALSE(OnDev4(ctx));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kLineTimeout});
}

// How each operation ended travels as a value, apart from the texts: a check that stops it
// before the port is used refuses, a tracker that does not answer fails.
TEST_F(ServiceOperationsTest, OperationsReportRefusedFailedAndCompleted) {
    EXPECT_EQ(OnWrite(ctx).outcome, Outcome::refused);  // not Read yet
    sim.Config().faults.silent = true;
    EXPECT_EQ(OnRead(ctx).outcome, Outcome::failed);
    sim.Config().faults.silent = false;
    EXPECT_EQ(OnRead(ctx).outcome, Outcome::completed);
    EXPECT_EQ(OnWrite(ctx).outcome, Outcome::completed);
    ui.Type(kCalibrationControl, "4294938428");  // 3900 - 32768 + 2^32: out of range
    EXPECT_EQ(OnUpdate(ctx).outcome, Outcome::refused);
    sim.Config().faults.silent = true;
    EXPECT_EQ(OnWrite(ctx).outcome, Outcome::failed);
    EXPECT_EQ(OnDev4(ctx).outcome, Outcome::failed);
}

}  // namespace
}  // namespace vanteo::test

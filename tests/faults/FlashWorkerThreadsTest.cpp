// The flash worker against the user-interface thread, for ThreadSanitizer: while a download or an
// erase runs on its own thread, the test thread does what the form does while the worker runs
// (polls the busy flag and the progress, and asks RefuseWhileFlashBusy on every click), then
// takes the link back and uses it.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "device/Operations.h"
#include "tests/faults/FaultRig.h"

namespace vanteo::test {
namespace {

constexpr const char* kBusy = "Please wait until the previous operation completes";

sim::SimulatorConfig Memory(int kbit) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = kbit;
    return config;
}

// The refusals of Please wait shown so far.
int BusyMessages(const FaultRig& rig) {
    int count = 0;
    for (const std::string& message : rig.ui.MessageTexts()) {
        count += message == kBusy ? 1 : 0;
    }
    return count;
}

// The worker's own messages, without the refusals.
std::vector<std::string> WorkerMessages(const FaultRig& rig) {
    std::vector<std::string> messages;
    for (const std::string& message : rig.ui.MessageTexts()) {
        if (message != kBusy) {
            messages.push_back(message);
        }
    }
    return messages;
}

// Clicks while the worker runs, as an impatient user would (at most kMostClicks times, so a fast
// machine stores no more refusals than a slow one), then waits for the worker to end (a hang
// guard of kWorkerLimit, far beyond the worker's own time-outs on the virtual clock) and clicks
// once more: that click must be let through, RefuseWhileFlashBusy taking the link back. Returns
// how many refusals did not say why (0 when each did).
int ClickUntilIdle(FaultRig& rig) {
    constexpr int kMostClicks = 2000;
    constexpr auto kWorkerLimit = std::chrono::seconds(60);
    const int busyBefore = BusyMessages(rig);
    int refused = 0;
    int lastProgress = -1;
    while (refused < kMostClicks && RefuseWhileFlashBusy(rig.ctx)) {
        ++refused;
        const int progress = rig.ui.ProgressSteps();
        EXPECT_GE(progress, lastProgress) << "the progress went backwards";
        lastProgress = progress;
        std::this_thread::yield();
    }
    const auto deadline = std::chrono::steady_clock::now() + kWorkerLimit;
    while (rig.log.flashBusy.load() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(RefuseWhileFlashBusy(rig.ctx)) << "the worker did not end";
    return refused - (BusyMessages(rig) - busyBefore);
}

TEST(FlashWorkerThreadsTest, DownloadWhileTheFormPollsThenTheLinkComesBack) {
    FaultRig rig(Memory(128));
    rig.ui.QueueFlightDetails(FlightDetails{"a", "b", "c", "d", "e"});
    rig.ui.QueueSaveFile(rig.PathOf("flight.kml"));
    ASSERT_TRUE(OnReadFlash(rig.ctx));
    EXPECT_EQ(ClickUntilIdle(rig), 0);

    // The worker has ended and RefuseWhileFlashBusy took the link back on this thread.
    EXPECT_FALSE(rig.log.flashBusy.load());
    EXPECT_TRUE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(WorkerMessages(rig).back(), "Done Reading Flash");
    EXPECT_EQ(rig.ui.ProgressSteps(), 128 * 128 / 32);
    for (std::size_t i = 0; i < rig.simulator.Flash().size(); ++i) {
        ASSERT_EQ(rig.log.logImage[i], rig.simulator.Flash()[i]) << "at " << i;
    }
    EXPECT_TRUE(OnRead(rig.device)) << "the link did not come back to the form";
}

TEST(FlashWorkerThreadsTest, EraseOfTheLargeMemoryWhileTheFormPolls) {
    FaultRig rig(Memory(1024));
    rig.ui.QueueClearConfirmation(true);
    ASSERT_TRUE(OnClearFlash(rig.ctx));
    EXPECT_EQ(ClickUntilIdle(rig), 0);
    EXPECT_TRUE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(WorkerMessages(rig).back(), "Done Clearing Flash");
    EXPECT_EQ(rig.tracker.capabilities.memorySizeKbit, 1024);
}

TEST(FlashWorkerThreadsTest, WorkersOneAfterAnotherHandTheLinkBackEachTime) {
    FaultRig rig(Memory(64));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        rig.ui.QueueFlightDetails(FlightDetails{});
        rig.ui.QueueSaveFile(rig.PathOf("flight" + std::to_string(round) + ".kml"));
        ASSERT_TRUE(OnReadFlash(rig.ctx));
        EXPECT_EQ(ClickUntilIdle(rig), 0);
        EXPECT_TRUE(WaitForFlashWorker(rig.ctx));

        rig.ui.QueueClearConfirmation(true);
        ASSERT_TRUE(OnClearFlash(rig.ctx));
        EXPECT_EQ(ClickUntilIdle(rig), 0);
        EXPECT_TRUE(WaitForFlashWorker(rig.ctx));

        // Between workers the form talks to the tracker on its own thread.
        rig.ui.QueueFlashTestConfirmation(true);
        EXPECT_TRUE(OnFlashTest(rig.ctx));
    }
    EXPECT_EQ(rig.FolderEntries(),
              (std::vector<std::string>{"flight0.kml", "flight1.kml", "flight2.kml"}));
}

TEST(FlashWorkerThreadsTest, TrackerLostDuringTheDownloadStillEndsTheWorker) {
    FaultRig rig(Memory(64));
    rig.simulator.Config().faults.disconnectAfterBytes = 3000;
    rig.ui.QueueFlightDetails(FlightDetails{});
    rig.ui.QueueSaveFile(rig.PathOf("flight.kml"));
    ASSERT_TRUE(OnReadFlash(rig.ctx));
    EXPECT_EQ(ClickUntilIdle(rig), 0);
    EXPECT_FALSE(WaitForFlashWorker(rig.ctx));
    EXPECT_NE(WorkerMessages(rig).back().find("The tracker stopped answering"), std::string::npos);
}

}  // namespace
}  // namespace vanteo::test

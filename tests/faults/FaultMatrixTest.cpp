// Every fault the simulated tracker can inject, against every operation that talks to the
// tracker: the operation must end within a bounded (virtual) time, tell the user what went wrong,
// leave the link as the link's rules say, and never destroy a file the user had.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "device/Operations.h"
#include "serial/CFormat.h"
#include "tests/faults/FaultRig.h"
#include "tests/faults/FaultTable.h"

namespace vanteo::test {
namespace {

constexpr const char* kPrecious = "a file the user wants to keep\n";
constexpr const char* kLineTimeout = "Serial Port Error: Read returned 0 chars. Closing com port";
constexpr const char* kCountTimeout = "read timed out, make sure the TX is connected and on";

// The slow tracker sends every byte 4.9 s after the one before: just inside the 5 s a line or
// fixed-count read waits for each byte.
constexpr int kSlowByteDelayMs = 4900;
// Every byte the host takes costs at most one byte time-out; giving up on a tracker that went
// quiet costs at most two minutes more (the download's two silent blocks, 2 x 42.5 s, are the
// longest such wait).
constexpr std::int64_t kByteTimeoutMs = 2 * SerialLink::kByteTimeoutMs;
constexpr std::int64_t kGivingUpMs = 120000;
// A download, whatever the tracker does, is given up within 16 blocks of the worst block read on
// the 128-kbit tracker: 8 bytes (2500 + 2500 x 8 ms) and the two after them (5 s each). Never the
// hours of one time-out for each of its 2048 blocks.
constexpr std::int64_t kDownloadGivingUpMs = 16 * (2500 + 2500 * 8 + 2 * 5000);

enum class Fault {
    none,
    silent,
    disconnect,
    garbageLines,
    crLfLineEnds,
    overlongLines,
    shortFlashBlocks,
    endlessErase,
    slowBytes,
};

struct FaultInfo {
    Fault fault;
    const char* name;   // test name
    const char* label;  // table
};

const FaultInfo kFaults[] = {
    {Fault::none, "None", "none"},
    {Fault::silent, "Silent", "silent tracker"},
    {Fault::disconnect, "Disconnect", "unplugged half-way"},
    {Fault::garbageLines, "GarbageLines", "a junk line before every reply line"},
    {Fault::crLfLineEnds, "CrLfLineEnds", "CR LF line ends"},
    {Fault::overlongLines, "OverlongLines", "reply lines padded to 80 characters"},
    {Fault::shortFlashBlocks, "ShortFlashBlocks", "flash blocks one byte short"},
    {Fault::endlessErase, "EndlessErase", "an erase that never ends"},
    {Fault::slowBytes, "SlowBytes", "4.9 s before every byte"},
};

enum class Op {
    read,
    write,
    saveCfg,
    restoreCfg,
    run,
    send1200,
    update,
    dev0,
    dev4,
    readFlash,
    clearFlash,
    flashTest,
};

struct OperationInfo {
    Op op;
    const char* name;
    const char* label;
    // Read, Write and Run close the link when they end normally; the others leave it open.
    bool closesLinkWhenDone;
};

const OperationInfo kOperations[] = {
    {Op::read, "Read", "Read", true},
    {Op::write, "Write", "Write", true},
    {Op::saveCfg, "SaveCfg", "Save Cfg", false},
    {Op::restoreCfg, "RestoreCfg", "Restore Cfg", false},
    {Op::run, "Run", "Run", true},
    {Op::send1200, "Send1200", "Send 1200", false},
    {Op::update, "Update", "Update", false},
    {Op::dev0, "Dev0", "Dev0", false},
    {Op::dev4, "Dev4", "Dev4", false},
    {Op::readFlash, "ReadFlash", "Read Flash", false},
    {Op::clearFlash, "ClearFlash", "Clear Flash", false},
    {Op::flashTest, "FlashTest", "Flash Test", false},
};

constexpr const char* kConfigFile = "tracker.kvt";
constexpr const char* kRestoreFile = "restore.kvt";
constexpr const char* kKmlFile = "flight.kml";

// A configuration file in the "%x:%x" form: the first 32 bytes of the tracker's memory as it is.
std::string RestoreFileFor(const sim::TrackerSimulator& simulator) {
    std::string text;
    auto& memory = const_cast<sim::TrackerSimulator&>(simulator).Memory();
    for (unsigned address = 0; address < 32; ++address) {
        text += FormatC("%x:%x\n", address, static_cast<unsigned>(memory[address]));
    }
    return text;
}

// Puts the files and dialog answers in place, then runs the operation to its very end.
bool RunOperation(FaultRig& rig, Op op) {
    switch (op) {
        case Op::read:
            return static_cast<bool>(OnRead(rig.device));
        case Op::write:
            return static_cast<bool>(OnWrite(rig.device));
        case Op::saveCfg:
            rig.ui.QueueSaveFile(rig.PathOf(kConfigFile));
            return static_cast<bool>(OnSaveCfg(rig.device));
        case Op::restoreCfg:
            rig.ui.QueueOpenFile(rig.PathOf(kRestoreFile));
            return static_cast<bool>(OnRestoreCfg(rig.device));
        case Op::run:
            return static_cast<bool>(OnRun(rig.device));
        case Op::send1200:
            return static_cast<bool>(OnSend1200(rig.device));
        case Op::update:
            return static_cast<bool>(OnUpdate(rig.device));
        case Op::dev0:
            return static_cast<bool>(OnDev0(rig.device));
        case Op::dev4:
            return static_cast<bool>(OnDev4(rig.device));
        case Op::readFlash:
            rig.ui.QueueFlightDetails(FlightDetails{"Fault", "Matrix", "", "", ""});
            rig.ui.QueueSaveFile(rig.PathOf(kKmlFile));
            return OnReadFlash(rig.ctx) && WaitForFlashWorker(rig.ctx);
        case Op::clearFlash:
            rig.ui.QueueClearConfirmation(true);
            return OnClearFlash(rig.ctx) && WaitForFlashWorker(rig.ctx);
        case Op::flashTest:
            rig.ui.QueueFlashTestConfirmation(true);
            return static_cast<bool>(OnFlashTest(rig.ctx));
    }
    return false;
}

// A rig after a healthy Read, with the user's files in place.
void Prepare(FaultRig& rig) {
    ASSERT_TRUE(OnRead(rig.device)) << ::testing::PrintToString(rig.ui.MessageTexts());
    rig.WriteFile(kConfigFile, kPrecious);
    rig.WriteFile(kKmlFile, kPrecious);
    rig.WriteFile(kRestoreFile, RestoreFileFor(rig.simulator));
    rig.ui.ClearMessages();
    rig.form.messages.clear();
    rig.ui.ShowForm();
}

// Bytes the tracker sends for the operation when nothing goes wrong.
long HealthyReplyBytes(Op op) {
    static std::map<Op, long> cache;
    const auto known = cache.find(op);
    if (known != cache.end()) {
        return known->second;
    }
    FaultRig rig;
    Prepare(rig);
    const long before = rig.simulator.BytesSent();
    RunOperation(rig, op);
    return cache[op] = rig.simulator.BytesSent() - before;
}

void Inject(FaultRig& rig, Fault fault, Op op) {
    sim::FaultOptions& faults = rig.simulator.Config().faults;
    switch (fault) {
        case Fault::none:
            break;
        case Fault::silent:
            faults.silent = true;
            break;
        case Fault::disconnect:
            faults.disconnectAfterBytes = rig.simulator.BytesSent() + HealthyReplyBytes(op) / 2;
            break;
        case Fault::garbageLines:
            faults.garbageLinesBeforeReply = 1;
            break;
        case Fault::crLfLineEnds:
            faults.crLfLineEnds = true;
            break;
        case Fault::overlongLines:
            faults.overlongLines = true;
            break;
        case Fault::shortFlashBlocks:
            faults.shortFlashBlocks = 1;
            break;
        case Fault::endlessErase:
            faults.endlessErase = true;
            break;
        case Fault::slowBytes:
            faults.slowByteDelayMs = kSlowByteDelayMs;
            break;
    }
}

// Faults that cannot touch the operation: it must simply succeed.
bool Harmless(Fault fault, Op op) {
    switch (fault) {
        case Fault::none:
            return true;
        case Fault::shortFlashBlocks:
            return op != Op::readFlash && op != Op::flashTest;
        case Fault::endlessErase:
            return op != Op::clearFlash;
        case Fault::slowBytes:
            // Lines and fixed counts are read a byte at a time, each given 5 s. A flash block is
            // one read of 16 bytes whose interval time-out (2.5 s) does run out between slow bytes.
            return op != Op::readFlash && op != Op::flashTest;
        default:
            return false;
    }
}

std::string FormatVirtualTime(std::int64_t ms) {
    if (ms < 60000) {
        return FormatC("%.1f s", static_cast<double>(ms) / 1000.0);
    }
    const std::int64_t minutes = ms / 60000;
    if (minutes < 60) {
        return FormatC("%lld min %lld s", static_cast<long long>(minutes),
                       static_cast<long long>((ms % 60000) / 1000));
    }
    return FormatC("%lld h %lld min", static_cast<long long>(minutes / 60),
                   static_cast<long long>(minutes % 60));
}

std::string MessageSummary(const std::vector<std::string>& messages) {
    if (messages.empty()) {
        return "none";
    }
    std::string summary =
        FormatC("%zu: \"%s\"", messages.size(), FaultTable::Cell(messages.front(), 70).c_str());
    if (messages.size() > 1) {
        summary += FormatC(" ... \"%s\"", FaultTable::Cell(messages.back(), 70).c_str());
    }
    return summary;
}

// True when every "address:value" line of a saved configuration file holds what the tracker's
// memory holds at that address.
bool MatchesTrackerMemory(const std::string& file, sim::TrackerSimulator& simulator) {
    std::size_t start = 0;
    int lines = 0;
    while (start < file.size()) {
        std::size_t end = file.find('\n', start);
        end = end == std::string::npos ? file.size() : end;
        const std::string line = file.substr(start, end - start);
        start = end + 1;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) {
            return false;
        }
        const unsigned long address = std::stoul(line.substr(0, colon), nullptr, 16);
        const unsigned long value = std::stoul(line.substr(colon + 1), nullptr, 16);
        if (address > 0xFF || value != simulator.Memory()[address]) {
            return false;
        }
        ++lines;
    }
    return lines == 256;
}

bool ImageMatchesFlash(const FaultRig& rig, const sim::TrackerSimulator& simulator) {
    const std::vector<std::uint8_t>& flash = const_cast<sim::TrackerSimulator&>(simulator).Flash();
    for (std::size_t i = 0; i < flash.size(); ++i) {
        if (rig.log.logImage[i] != flash[i]) {
            return false;
        }
    }
    return true;
}

bool IsCompleteKml(const std::string& text) {
    return text.find("<kml") != std::string::npos && text.find("KVTENDDATA") != std::string::npos &&
           text.size() >= 4 && text.compare(text.size() - 4, 4, "-->\n") == 0;
}

class FaultMatrixTest : public ::testing::TestWithParam<std::tuple<std::size_t, std::size_t>> {};

TEST_P(FaultMatrixTest, EndsInTimeWithAClearMessageAndNoFileLost) {
    const FaultInfo& fault = kFaults[std::get<0>(GetParam())];
    const OperationInfo& operation = kOperations[std::get<1>(GetParam())];
    FaultRig rig;
    Prepare(rig);
    if (HasFatalFailure()) {
        return;
    }
    const std::string restoreFileBefore = rig.ReadFile(kRestoreFile);
    const std::vector<std::string> entriesBefore = rig.FolderEntries();
    Inject(rig, fault.fault, operation.op);

    const std::int64_t startMs = rig.clock.NowMs();
    const long bytesBefore = rig.simulator.BytesSent();
    const bool succeeded = RunOperation(rig, operation.op);
    const std::int64_t elapsedMs = rig.clock.NowMs() - startMs;
    const long bytesTaken = rig.simulator.BytesSent() - bytesBefore;
    const std::vector<std::string> messages = rig.ui.MessageTexts();
    const bool timedOut =
        std::find(messages.begin(), messages.end(), kLineTimeout) != messages.end() ||
        std::find(messages.begin(), messages.end(), kCountTimeout) != messages.end();

    // Bounded time.
    EXPECT_LE(elapsedMs, bytesTaken * kByteTimeoutMs + kGivingUpMs) << bytesTaken << " bytes taken";
    if (operation.op == Op::readFlash) {
        EXPECT_LE(elapsedMs, kDownloadGivingUpMs);
    }
    EXPECT_FALSE(rig.log.flashBusy.load());

    // A clear message: a failure is always explained, and no message box is empty.
    if (Harmless(fault.fault, operation.op)) {
        EXPECT_TRUE(succeeded) << ::testing::PrintToString(messages);
        EXPECT_FALSE(timedOut);
    }
    // What a completed download or save holds; on a tracker without faults it must be exact.
    const bool savedRightly = MatchesTrackerMemory(rig.ReadFile(kConfigFile), rig.simulator);
    const bool downloadedRightly = ImageMatchesFlash(rig, rig.simulator);
    if (fault.fault == Fault::none && operation.op == Op::saveCfg) {
        EXPECT_TRUE(savedRightly);
    }
    if (fault.fault == Fault::none && operation.op == Op::readFlash) {
        EXPECT_TRUE(downloadedRightly);
    }
    if (!succeeded) {
        EXPECT_TRUE(!messages.empty() || !rig.form.messages.empty())
            << "failed without a word to the user";
    }
    for (const std::string& message : messages) {
        EXPECT_FALSE(FaultTable::Cell(message).empty());
    }

    // The link: a byte that did not come closes it; a normal end leaves it as the operation says.
    if (timedOut) {
        EXPECT_FALSE(rig.link.IsOpen());
    } else if (succeeded) {
        EXPECT_EQ(rig.link.IsOpen(), !operation.closesLinkWhenDone);
    }

    // Files: the restored file is only read; a file the user had is replaced only by a whole new
    // document; no temporary file is left behind.
    EXPECT_EQ(rig.ReadFile(kRestoreFile), restoreFileBefore);
    const std::string configFile = rig.ReadFile(kConfigFile);
    const std::string kmlFile = rig.ReadFile(kKmlFile);
    if (operation.op == Op::saveCfg && succeeded) {
        EXPECT_EQ(std::count(configFile.begin(), configFile.end(), '\n'), 256);
    } else {
        EXPECT_EQ(configFile, kPrecious);
    }
    if (kmlFile != kPrecious) {
        EXPECT_EQ(operation.op, Op::readFlash);
        EXPECT_TRUE(IsCompleteKml(kmlFile));
    }
    EXPECT_EQ(rig.FolderEntries(), entriesBefore);

    std::string files = "-";
    if (operation.op == Op::saveCfg) {
        files = configFile == kPrecious ? "old .kvt kept"
                : savedRightly          ? "replaced by the new .kvt (the tracker's bytes)"
                               : "replaced by the new .kvt (**bytes differ from the tracker's**)";
    } else if (operation.op == Op::readFlash) {
        files = kmlFile == kPrecious ? "old .kml kept"
                : downloadedRightly
                    ? "replaced by a whole new .kml (the tracker's log)"
                    : "replaced by a whole new .kml (**log differs from the flash**)";
    } else if (operation.op == Op::restoreCfg) {
        files = "input unchanged";
    }
    std::string result = succeeded ? "completed" : "stopped";
    if (!rig.form.messages.empty()) {
        result += "; Messages: \"" + FaultTable::Cell(rig.form.messages, 50) + "\"";
    }
    FaultTable::Instance().Add(
        {0,
         static_cast<int>(std::get<0>(GetParam()) * 100 + std::get<1>(GetParam())),
         {fault.label, operation.label, result, FaultTable::Cell(MessageSummary(messages), 200),
          rig.link.IsOpen() ? "open" : "closed", FormatVirtualTime(elapsedMs), files}});
}

INSTANTIATE_TEST_SUITE_P(AllFaults, FaultMatrixTest,
                         ::testing::Combine(::testing::Range<std::size_t>(0, std::size(kFaults)),
                                            ::testing::Range<std::size_t>(0,
                                                                          std::size(kOperations))),
                         [](const ::testing::TestParamInfo<FaultMatrixTest::ParamType>& info) {
                             return std::string(kFaults[std::get<0>(info.param)].name) + "_" +
                                    kOperations[std::get<1>(info.param)].name;
                         });

}  // namespace
}  // namespace vanteo::test

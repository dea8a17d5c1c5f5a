
#include <algorithm>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "flightlog/DataBlock.h"
#include "flightlog/FlashCommands.h"
#include "flightlog/FlashWorkers.h"
#include "flightlog/FlightLogOperations.h"
#include "flightlog/KmlWriter.h"
#include "flightlog/TextFile.h"
#include "serial/CFormat.h"
#include "serial/Platform.h"

namespace vanteo {
namespace {

constexpr const char* kBusyMessage = "Please wait until the previous operation completes";
constexpr const char* kMemorySizeError = "Error reading memory size";
constexpr const char* kCancelledBeforeFirstBlock =
    "Read Flash cancelled before the first block: no file was written";
// Name the download writes when the "Details" dialog is closed without OK.
constexpr const char* kDefaultFlightName = "10";

constexpr std::size_t kProgressStepBytes = 32;
// Blocks in a row without a single byte after which the tracker is taken as gone. Each such
// block costs the link's full time-outs (over half a minute), so a pulled cable ends the
// download in about a minute instead of hours.
constexpr int kSilentBlocksBeforeGivingUp = 2;
// Blocks in a row that came back short after which the tracker is taken as no longer answering
// properly. A short block still waits out the link's time-outs (5 s or more), so a tracker that
// answers every block short would otherwise keep a 1024-kbit download going for half a day; an
// occasional short block, or a few in a row, does not stop the download.
constexpr int kIncompleteBlocksBeforeGivingUp = 16;

enum class DownloadStop {
    none,
    trackerGone,     // blocks in a row without a byte, or the link closed
    trackerGarbled,  // kIncompleteBlocksBeforeGivingUp blocks in a row came back short
};

// What a download got: blocks asked for, the ones that came back short (as flash address
// ranges), the ones not asked for, and why it stopped early.
struct DownloadTally {
    int blocks = 0;
    int shortBlocks = 0;
    int unreadBlocks = 0;
    std::size_t bytesRead = 0;  // in blocks that arrived whole
    DownloadStop stop = DownloadStop::none;
    bool cancelled = false;
    // First and last flash address of each run of adjacent short blocks.
    std::vector<std::pair<std::size_t, std::size_t>> shortRanges;

    void AddShortBlock(std::size_t address, std::size_t length) {
        ++shortBlocks;
        if (!shortRanges.empty() && shortRanges.back().second + 1 == address) {
            shortRanges.back().second = address + length - 1;
        } else {
            shortRanges.emplace_back(address, address + length - 1);
        }
    }
};

// Runs of short blocks named in the message; a longer list ends with how many were left out.
constexpr std::size_t kShortRangesNamed = 4;

std::string ShortRangesText(const DownloadTally& tally) {
    std::string text;
    const std::size_t named = std::min(tally.shortRanges.size(), kShortRangesNamed);
    for (std::size_t i = 0; i < named; ++i) {
        const auto [first, last] = tally.shortRanges[i];
        text += FormatC("%s%zu-%zu", i == 0 ? "" : ", ", first, last);
    }
    if (tally.shortRanges.size() > named) {
        text += FormatC(" and %zu more runs", tally.shortRanges.size() - named);
    }
    return text;
}

// The report of a download that did not get every block whole. A block that came back short
// cannot be put right: the bytes that did arrive are kept in the order they came, so the
// tracker's line end (0A 0D) after a short block lands among its data.
std::string IncompleteDownloadMessage(const DownloadTally& tally) {
    std::string text;
    if (tally.cancelled) {
        text = "Read Flash cancelled. ";
    } else if (tally.stop == DownloadStop::trackerGone) {
        text = "The tracker stopped answering. ";
    } else if (tally.stop == DownloadStop::trackerGarbled) {
        text = FormatC(
            "The tracker stopped answering properly: %d blocks in a row came back short, so the "
            "download was stopped. ",
            kIncompleteBlocksBeforeGivingUp);
    }
    text += "Flash read incomplete: ";
    if (tally.shortBlocks > 0) {
        text += FormatC("%d of %d blocks came back short (flash addresses %s)", tally.shortBlocks,
                        tally.blocks, ShortRangesText(tally).c_str());
        text += tally.unreadBlocks > 0 ? FormatC(" and %d were not read", tally.unreadBlocks) : "";
        text +=
            ". The data of the short blocks in the KML file is unreliable: the bytes that arrived "
            "are kept as they came, the tracker's line end (0A 0D) can be among them, and bytes "
            "that "
            "never came are 00.";
        text += tally.unreadBlocks > 0 ? " The blocks not read are 00." : "";
    } else {
        text += FormatC("%d of %d blocks were not read; they are 00 in the KML file.",
                        tally.unreadBlocks, tally.blocks);
    }
    return text;
}

// Takes the link back from a worker that has ended.
void ReclaimFinishedWorker(FlightLogContext& ctx) {
    if (ctx.log.worker.joinable()) {
        ctx.log.worker.join();
        ctx.device.link.TakeOverInCurrentThread();
    }
}

void StartWorker(FlightLogContext& ctx, std::function<OperationResult(FlightLogContext&)> job) {
    ReclaimFinishedWorker(ctx);
    ctx.log.workerOutcome = Outcome::failed;
    ctx.log.workerCount = 0;
    ctx.log.flashBusy = true;
    ctx.device.link.ReleaseToOtherThread();
    FlightLogContext workerContext{ctx.device, ctx.log};
    ctx.log.worker = std::thread([workerContext, job = std::move(job)]() mutable {
        // The best priority the system grants; without the privilege the download simply runs
        // at normal priority.
        RaiseCurrentThreadPriority();
        workerContext.device.link.TakeOverInCurrentThread();
        const OperationResult result = job(workerContext);
        workerContext.device.link.ReleaseToOtherThread();
        workerContext.device.ui.ProgressEnd();
        workerContext.log.workerOutcome = result.outcome;
        workerContext.log.workerCount = result.count;
        workerContext.log.flashBusy = false;  // last: the form may start the next job now
    });
}

}  // namespace

bool RefuseWhileFlashBusy(FlightLogContext& ctx) {
    if (ctx.log.flashBusy.load()) {
        ctx.device.ui.ShowMessage(kBusyMessage);
        return true;
    }
    ReclaimFinishedWorker(ctx);
    return false;
}

OperationResult WaitForFlashWorker(FlightLogContext& ctx) {
    ReclaimFinishedWorker(ctx);
    return ctx.log.WorkerResult();
}

OperationResult OnReadFlash(FlightLogContext& ctx) {
    if (RefuseWhileFlashBusy(ctx)) {
        return Outcome::refused;
    }
    DeviceContext& device = ctx.device;
    UserInteraction& ui = device.ui;
    TrackerCapabilities& caps = device.tracker.capabilities;

    ctx.log.flightDetails.name = kDefaultFlightName;
    FlightDetails entered;  // the dialog starts empty every time
    if (ui.AskFlightDetails(entered)) {
        ctx.log.flightDetails = entered;
    }

    bool dialogCancelled = false;
    std::unique_ptr<AtomicFileWriter> output = AskAndCreateKmlFile(ui, dialogCancelled);
    if (!output) {
        return dialogCancelled ? Outcome::cancelled : Outcome::failed;
    }
    SerialLink& link = device.link;
    if (!link.OpenPort(device.form.comPort)) {
        return Outcome::failed;
    }
    link.Sync();
    const bool versionSent = link.WriteByte(kVersionCommand);
    ui.ShowForm();
    if (!versionSent) {
        return Outcome::failed;
    }
    std::string line;
    if (!link.ReadLine(line)) {
        return Outcome::failed;
    }
    caps.firmwareVersion = LeadingIntC(SerialLink::LineText(line));
    char sizeReply = 0;
    if (!QueryMemorySize(link, sizeReply)) {
        ui.ShowMessage(kMemorySizeError);
        return Outcome::failed;
    }
    ApplyMemorySizeReply(caps, sizeReply, true);

    // The held check boxes are taken now: the form is free to change while the worker runs.
    const bool compress = device.form.compressData != 0;
    const bool hoursMinutes = device.form.storeHm != 0;
    ui.ProgressBegin(static_cast<int>(FlashBytes(caps.memorySizeKbit) / kProgressStepBytes));
    if (ui.ProgressCancelled()) {
        // Stopped (Ctrl+C) before the download began: `output` removes its temporary file.
        ui.ProgressEnd();
        ui.ShowMessage(kCancelledBeforeFirstBlock);
        return Outcome::cancelled;
    }
    ctx.log.kmlOutputFile = std::move(output);
    StartWorker(ctx, [compress, hoursMinutes](FlightLogContext& workerCtx) {
        return FlashReadWorker(workerCtx, compress, hoursMinutes);
    });
    return Outcome::completed;
}

OperationResult FlashReadWorker(FlightLogContext& ctx, bool compress, bool hoursMinutes) {
    SerialLink& link = ctx.device.link;
    UserInteraction& ui = ctx.device.ui;
    const int kbit = ctx.device.tracker.capabilities.memorySizeKbit;
    const std::size_t n = FlashBytes(kbit);
    const std::size_t blockLength = FlashBlockLength(kbit);
    std::span<std::uint32_t> image(ctx.log.logImage.data(), n);

    DownloadTally tally;
    int silentBlocksInARow = 0;
    int incompleteBlocksInARow = 0;
    for (std::size_t address = 0; address < n; address += blockLength) {
        ++tally.blocks;
        std::span<std::uint32_t> block = image.subspan(address, std::min(blockLength, n - address));
        // A cancel is seen between blocks: the block asked for is always read to its end, so
        // the link holds nothing of it afterwards.
        tally.cancelled =
            tally.cancelled || (tally.stop == DownloadStop::none && ui.ProgressCancelled());
        if (tally.stop != DownloadStop::none || tally.cancelled) {
            std::fill(block.begin(), block.end(), 0u);
            ++tally.unreadBlocks;
            continue;
        }
        const std::size_t arrived =
            ReadFlashBlock(link, kbit, static_cast<std::uint32_t>(address), block);
        const bool complete = arrived >= blockLength + kFlashReplyTrailerBytes;
        if (complete) {
            tally.bytesRead += block.size();
        } else {
            tally.AddShortBlock(address, block.size());
        }
        incompleteBlocksInARow = complete ? 0 : incompleteBlocksInARow + 1;
        silentBlocksInARow = arrived == 0 ? silentBlocksInARow + 1 : 0;
        if (silentBlocksInARow >= kSilentBlocksBeforeGivingUp || !link.IsOpen()) {
            tally.stop = DownloadStop::trackerGone;
        } else if (incompleteBlocksInARow >= kIncompleteBlocksBeforeGivingUp) {
            tally.stop = DownloadStop::trackerGarbled;
        }
        if (address % kProgressStepBytes == 0) {
            ui.ProgressStep();
        }
    }

    if (tally.cancelled && tally.unreadBlocks == tally.blocks) {
        // Nothing arrived: the file the user chose stays as it was (the writer removes its
        // temporary file).
        ctx.log.kmlOutputFile.reset();
        ui.ShowMessage(kCancelledBeforeFirstBlock);
        return Outcome::cancelled;
    }
    ctx.log.storedChecksum = LogChecksum(image);
    const int bytesRead = static_cast<int>(tally.bytesRead);
    if (!WriteKmlAndClose(ctx, compress, hoursMinutes)) {
        return {Outcome::failed, bytesRead};
    }
    if (tally.cancelled || tally.stop != DownloadStop::none || !tally.shortRanges.empty()) {
        // The file holds what arrived, but the log is not whole.
        ui.ShowMessage(IncompleteDownloadMessage(tally));
        return {tally.cancelled ? Outcome::cancelled : Outcome::failed, bytesRead};
    }
    ui.ShowMessage("Done Reading Flash");
    return {Outcome::completed, bytesRead};
}

OperationResult OnClearFlash(FlightLogContext& ctx) {
    DeviceContext& device = ctx.device;
    if (!device.ui.ConfirmClearFlash()) {
        return Outcome::cancelled;
    }
    if (RefuseWhileFlashBusy(ctx)) {
        return Outcome::refused;
    }
    if (!device.link.OpenPort(device.form.comPort)) {
        return Outcome::failed;
    }
    device.ui.ProgressBegin(0);  // the erase reply has no known length: a busy indicator
    StartWorker(ctx, [](FlightLogContext& workerCtx) { return FlashClearWorker(workerCtx); });
    return Outcome::completed;
}

OperationResult FlashClearWorker(FlightLogContext& ctx) {
    SerialLink& link = ctx.device.link;
    UserInteraction& ui = ctx.device.ui;
    TrackerCapabilities& caps = ctx.device.tracker.capabilities;

    link.Sync();
    char sizeReply = 0;
    if (!QueryMemorySize(link, sizeReply)) {
        ui.ShowMessage(kMemorySizeError);
        return Outcome::failed;
    }
    if (sizeReply == '1') {
        ui.ShowMessage("memsize set to 128");
    }
    ApplyMemorySizeReply(caps, sizeReply, false);
    if (ui.ProgressCancelled()) {
        ui.ShowMessage("Clear Flash cancelled before the erase began: the flight log is unchanged");
        return Outcome::cancelled;
    }

    switch (EraseFlash(link, ui)) {
        case EraseOutcome::done:
            break;
        case EraseOutcome::silent:
            ui.ShowMessage(
                "The tracker stopped answering during the erase (nothing for 30 "
                "seconds). The flash may not be fully cleared: check the tracker and "
                "press Clear Flash again.");
            return Outcome::failed;
        case EraseOutcome::tooLong:
            ui.ShowMessage(
                "The erase did not end within 20 minutes although the tracker kept sending. The "
                "flash may not be fully cleared: check the tracker and press Clear Flash again.");
            return Outcome::failed;
        case EraseOutcome::cancelled:
            ui.ShowMessage(
                "Clear Flash cancelled. The tracker may still be erasing, and the flight log is "
                "partly erased: wait until it has finished or switch it off and on, then press "
                "Clear Flash again and let it finish before the next flight.");
            return Outcome::cancelled;
        case EraseOutcome::linkClosed:
            ui.ShowMessage(
                "The connection to the tracker was lost during the erase. The flash "
                "may not be fully cleared: check the tracker and press Clear Flash "
                "again.");
            return Outcome::failed;
    }
    if (caps.memorySizeKbit == kLargeMemoryKbit) {
        // The erase leaves the trailer area (trigger and capture date) as it was.
        for (std::uint32_t address = kTrailerAddress; address < kTrailerAddress + kTrailerBytes;
             ++address) {
            WriteFlashByte(link, caps.memorySizeKbit, address, 0);
        }
    }
    ui.ShowMessage("Done Clearing Flash");
    return Outcome::completed;
}

}  // namespace vanteo

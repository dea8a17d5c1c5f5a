
#include <algorithm>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>

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

// Takes the link back from a worker that has ended.
void ReclaimFinishedWorker(FlightLogContext& ctx) {
    if (ctx.log.worker.joinable()) {
        ctx.log.worker.join();
        ctx.device.link.TakeOverInCurrentThread();
    }
}

void StartWorker(FlightLogContext& ctx, std::function<bool(FlightLogContext&)> job) {
    ReclaimFinishedWorker(ctx);
    ctx.log.workerSucceeded = false;
    ctx.log.flashBusy = true;
    ctx.device.link.ReleaseToOtherThread();
    FlightLogContext workerContext{ctx.device, ctx.log};
    ctx.log.worker = std::thread([workerContext, job = std::move(job)]() mutable {
        // The best priority the system grants; without the privilege the download simply runs
        // at normal priority.
        RaiseCurrentThreadPriority();
        workerContext.device.link.TakeOverInCurrentThread();
        const bool succeeded = job(workerContext);
        workerContext.device.link.ReleaseToOtherThread();
        workerContext.device.ui.ProgressEnd();
        workerContext.log.workerSucceeded = succeeded;
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

bool WaitForFlashWorker(FlightLogContext& ctx) {
    ReclaimFinishedWorker(ctx);
    return ctx.log.workerSucceeded.load();
}

bool OnReadFlash(FlightLogContext& ctx) {
    if (RefuseWhileFlashBusy(ctx)) {
        return false;
    }
    DeviceContext& device = ctx.device;
    UserInteraction& ui = device.ui;
    TrackerCapabilities& caps = device.tracker.capabilities;

    ctx.log.flightDetails.name = kDefaultFlightName;
    FlightDetails entered;  // the dialog starts empty every time
    if (ui.AskFlightDetails(entered)) {
        ctx.log.flightDetails = entered;
    }

    std::unique_ptr<AtomicFileWriter> output = AskAndCreateKmlFile(ui);
    if (!output) {
        return false;
    }
    SerialLink& link = device.link;
    if (!link.OpenPort(device.form.comPort)) {
        return false;
    }
    link.Sync();
    const bool versionSent = link.WriteByte(kVersionCommand);
    ui.ShowForm();
    if (!versionSent) {
        return false;
    }
    std::string line;
    if (!link.ReadLine(line)) {
        return false;
    }
    caps.firmwareVersion = LeadingIntC(SerialLink::LineText(line));
    char sizeReply = 0;
    if (!QueryMemorySize(link, sizeReply)) {
        ui.ShowMessage(kMemorySizeError);
        return false;
    }
    ApplyMemorySizeReply(caps, sizeReply, true);

    // The held check boxes are taken now: the form is free to change while the worker runs.
    const bool compress = device.form.compressData != 0;
    const bool hoursMinutes = device.form.storeHm != 0;
    ctx.log.kmlOutputFile = std::move(output);
    ui.ProgressBegin(static_cast<int>(FlashBytes(caps.memorySizeKbit) / kProgressStepBytes));
    StartWorker(ctx, [compress, hoursMinutes](FlightLogContext& workerCtx) {
        return FlashReadWorker(workerCtx, compress, hoursMinutes);
    });
    return true;
}

bool FlashReadWorker(FlightLogContext& ctx, bool compress, bool hoursMinutes) {
    SerialLink& link = ctx.device.link;
    UserInteraction& ui = ctx.device.ui;
    const int kbit = ctx.device.tracker.capabilities.memorySizeKbit;
    const std::size_t n = FlashBytes(kbit);
    const std::size_t blockLength = FlashBlockLength(kbit);
    std::span<std::uint32_t> image(ctx.log.logImage.data(), n);

    int blocks = 0;
    int incompleteBlocks = 0;  // read, but short
    int unreadBlocks = 0;      // not asked for: the download had been given up
    int silentBlocksInARow = 0;
    int incompleteBlocksInARow = 0;
    bool trackerGone = false;
    bool trackerGarbled = false;
    for (std::size_t address = 0; address < n; address += blockLength) {
        ++blocks;
        std::span<std::uint32_t> block = image.subspan(address, std::min(blockLength, n - address));
        if (trackerGone || trackerGarbled) {
            std::fill(block.begin(), block.end(), 0u);
            ++unreadBlocks;
        } else {
            const std::size_t arrived =
                ReadFlashBlock(link, kbit, static_cast<std::uint32_t>(address), block);
            const bool complete = arrived >= blockLength + kFlashReplyTrailerBytes;
            incompleteBlocks += complete ? 0 : 1;
            incompleteBlocksInARow = complete ? 0 : incompleteBlocksInARow + 1;
            silentBlocksInARow = arrived == 0 ? silentBlocksInARow + 1 : 0;
            trackerGone = silentBlocksInARow >= kSilentBlocksBeforeGivingUp || !link.IsOpen();
            trackerGarbled = incompleteBlocksInARow >= kIncompleteBlocksBeforeGivingUp;
            if (address % kProgressStepBytes == 0) {
                ui.ProgressStep();
            }
        }
    }

    ctx.log.storedChecksum = LogChecksum(image);
    if (!WriteKmlAndClose(ctx, compress, hoursMinutes)) {
        return false;
    }
    if (trackerGarbled && !trackerGone) {
        ui.ShowMessage(FormatC(
            "The tracker stopped answering properly: %d blocks in a row came back short, so the "
            "download was stopped. Flash read incomplete: %d of %d blocks came back short and %d "
            "were not read; their missing bytes are 00 in the KML file",
            kIncompleteBlocksBeforeGivingUp, incompleteBlocks, blocks, unreadBlocks));
        return false;
    }
    if (incompleteBlocks + unreadBlocks > 0) {
        ui.ShowMessage(
            FormatC("%sFlash read incomplete: %d of %d blocks came back short or "
                    "missing; their missing bytes are 00 in the KML file",
                    trackerGone ? "The tracker stopped answering. " : "",
                    incompleteBlocks + unreadBlocks, blocks));
        return false;
    }
    ui.ShowMessage("Done Reading Flash");
    return true;
}

bool OnClearFlash(FlightLogContext& ctx) {
    DeviceContext& device = ctx.device;
    if (!device.ui.ConfirmClearFlash()) {
        return false;
    }
    if (RefuseWhileFlashBusy(ctx)) {
        return false;
    }
    if (!device.link.OpenPort(device.form.comPort)) {
        return false;
    }
    device.ui.ProgressBegin(0);  // the erase reply has no known length: a busy indicator
    StartWorker(ctx, [](FlightLogContext& workerCtx) { return FlashClearWorker(workerCtx); });
    return true;
}

bool FlashClearWorker(FlightLogContext& ctx) {
    SerialLink& link = ctx.device.link;
    UserInteraction& ui = ctx.device.ui;
    TrackerCapabilities& caps = ctx.device.tracker.capabilities;

    link.Sync();
    char sizeReply = 0;
    if (!QueryMemorySize(link, sizeReply)) {
        ui.ShowMessage(kMemorySizeError);
        return false;
    }
    if (sizeReply == '1') {
        ui.ShowMessage("memsize set to 128");
    }
    ApplyMemorySizeReply(caps, sizeReply, false);

    switch (EraseFlash(link, ui)) {
        case EraseOutcome::done:
            break;
        case EraseOutcome::silent:
            ui.ShowMessage(
                "The tracker stopped answering during the erase (nothing for 30 "
                "seconds). The flash may not be fully cleared: check the tracker and "
                "press Clear Flash again.");
            return false;
        case EraseOutcome::linkClosed:
            ui.ShowMessage(
                "The connection to the tracker was lost during the erase. The flash "
                "may not be fully cleared: check the tracker and press Clear Flash "
                "again.");
            return false;
    }
    if (caps.memorySizeKbit == kLargeMemoryKbit) {
        // The erase leaves the trailer area (trigger and capture date) as it was.
        for (std::uint32_t address = kTrailerAddress; address < kTrailerAddress + kTrailerBytes;
             ++address) {
            WriteFlashByte(link, caps.memorySizeKbit, address, 0);
        }
    }
    ui.ShowMessage("Done Clearing Flash");
    return true;
}

}  // namespace vanteo

#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "device/AtomicFileWriter.h"
#include "device/OperationResult.h"
#include "device/UserInteraction.h"

namespace vanteo {

// The flight log's process-wide state: the copy of the tracker's flash, the flight details, the
// checksum for the data block, the KML file being written and the busy flag of the one flash
// worker. Created once at start (by the GUI, the CLI or a test) and kept until exit.
//
// Threads: while `flashBusy` is true the flash worker owns logImage, storedChecksum,
// kmlOutputFile, the serial link and the tracker capabilities; the user-interface thread must not
// touch them (RefuseWhileFlashBusy in FlightLogOperations.h guards every operation). flightDetails
// is only written by the user-interface thread while no worker runs.
struct FlightLogState {
    // Room for the largest memory: 1024 kbit = 131072 bytes, one value per flash address.
    static constexpr std::size_t kLogImageSize = 131072;

    FlightLogState() : logImage(kLogImageSize, 0) {}
    // Waits for a worker that is still running (it refers to this state).
    ~FlightLogState();
    FlightLogState(const FlightLogState&) = delete;
    FlightLogState& operator=(const FlightLogState&) = delete;

    // The flash copy, by flash address. A download stores bytes 0..255; validation stores
    // whatever the file's hexadecimal tokens said, hence 32 bits. Always kLogImageSize long; the
    // part in use is memorySizeKbit x 128 values (TrackerCapabilities), the rest reads as 0.
    std::vector<std::uint32_t> logImage;

    // Name, Rocket Name, Date, Motor, Comments; empty at start, set by the "Details" dialog of
    // Read Flash (Name "10" when it is closed without OK) and by Validate KML (Name "10").
    FlightDetails flightDetails;

    // Checksum (LogChecksum) of the image, written into the data block of the next KML file.
    std::uint32_t storedChecksum = 0;

    // The KML file being written: a temporary file beside the chosen target, put in the target's
    // place only when the whole document has been written (Commit). Null when no file is open.
    std::unique_ptr<AtomicFileWriter> kmlOutputFile;

    // True from the moment a download or erase worker is started until it has finished its last
    // step. Set only by the user-interface thread, cleared only by the worker.
    std::atomic<bool> flashBusy{false};

    // The download or erase worker; joined by RefuseWhileFlashBusy / WaitForFlashWorker once it
    // has ended. How it ended and what it counted are set by the worker before it clears
    // flashBusy; WorkerResult() reads them (what the last worker did, failed before any).
    std::thread worker;
    std::atomic<Outcome> workerOutcome{Outcome::failed};
    std::atomic<int> workerCount{0};
    OperationResult WorkerResult() const { return {workerOutcome.load(), workerCount.load()}; }
};

}  // namespace vanteo

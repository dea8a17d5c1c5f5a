#pragma once

#include <cstddef>

#include "device/DeviceContext.h"
#include "device/OperationResult.h"
#include "flightlog/FlightLogState.h"

// The flight-log operations behind the form's buttons. Each reports how it ended (completed, or
// refused, failed or cancelled, the user having been told why); for Read Flash and Clear Flash
// "completed" means the worker was started, and WaitForFlashWorker tells how the worker ended.
// All are called on the user-interface
// thread. The tracker's port is ctx.device.form.comPort, taken as it stands (front ends keep it
// current). Every file is written beside its target and put in place only when complete.
namespace vanteo {

struct FlightLogContext {
    DeviceContext& device;
    FlightLogState& log;
};

// True (after "Please wait until the previous operation completes") while a flash worker runs.
// Every front end calls it before any operation that uses the link, LogImage or KmlOutputFile.
// When the worker has ended it joins the thread and takes the link back for the calling thread,
// so it is also how the user-interface thread reclaims the port after a download or erase.
bool RefuseWhileFlashBusy(FlightLogContext& ctx);

// "Read Flash" (1065): details dialog, save dialog, version and memory size, then starts the
// download worker and returns. "Clear Flash" (1070): confirmation, then starts the erase worker.
// Declining the confirmation or the save dialog is "cancelled"; a running worker, "refused".
OperationResult OnReadFlash(FlightLogContext& ctx);
OperationResult OnClearFlash(FlightLogContext& ctx);
// Blocks until the running worker (if any) has ended, takes the link back and returns how the
// last worker ended: completed when it did its whole job (every block read and the file saved,
// or the erase finished); a download counts the flash bytes that arrived in whole blocks.
OperationResult WaitForFlashWorker(FlightLogContext& ctx);

// What "Validate KML" found, besides the messages it showed. True (operator bool) when the new
// copy was written, as for the other operations.
struct ValidationResult {
    Outcome outcome = Outcome::failed;
    std::size_t valuesRead = 0;    // values between KVTDATA and KVTENDDATA
    bool checksumMatched = false;  // the data block is intact (every keyword line was reached)
    int missingKeywords = 0;       // keyword lines read whose keyword was not there
    explicit operator bool() const { return outcome == Outcome::completed; }
};

// "Validate KML" (1033), "Fix KML" (1195), "Flash Test" (1144). Flash Test asks first
// (ConfirmFlashTest): its pattern overwrites the start of the flight log.
ValidationResult OnValidateKml(FlightLogContext& ctx);
OperationResult OnFixKml(FlightLogContext& ctx);
OperationResult OnFlashTest(FlightLogContext& ctx);

}  // namespace vanteo

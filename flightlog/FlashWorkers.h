#pragma once

#include "flightlog/FlightLogOperations.h"

namespace vanteo {

// The two flash workers. OnReadFlash / OnClearFlash run them on a thread of their own with the
// link handed over; tests may also call them directly on the calling thread. Both report through
// ctx.device.ui (ShowMessage, ProgressStep), which must accept calls from the worker's thread.

// Downloads the whole flash into ctx.log.logImage in 8- or 16-byte blocks (one progress step per
// 32 bytes), sets storedChecksum, writes the KML document to ctx.log.kmlOutputFile and puts the
// file in place. compress / hoursMinutes: the held "Compress Data" and "Store HM" values, taken
// by the handler. A block that came back short keeps the bytes that arrived, in the order they
// came (the tracker's line end can then stand among its data), and 0 for bytes that never came;
// the file is still written and the user told which blocks are unreliable. After two blocks in a
// row without a single byte the tracker is taken as gone, and after 16 blocks in a row that came
// back short as no longer answering properly: the rest is not read and stored as 0, so a
// download against any tracker ends within 16 blocks' time-outs of its last good block. When
// ui.ProgressCancelled() turns true the download stops after the block being read and is
// reported like any incomplete one; cancelled before the first block, no file is written.
// Completed when every block arrived and the file was written; cancelled when the user stopped
// it; failed otherwise. The count is the flash bytes that arrived in whole blocks.
OperationResult FlashReadWorker(FlightLogContext& ctx, bool compress, bool hoursMinutes);

// Erases the flash ('Z'), one progress step per reply byte, then on the 1024-kbit memory zeroes
// the 16-byte trailer area. Failed when the memory size could not be read or the erase reply
// did not end (silence of kEraseSilenceLimitMs, no end within kEraseTotalLimitMs, a closed
// link); cancelled when the user cancelled before or during the wait.
OperationResult FlashClearWorker(FlightLogContext& ctx);

}  // namespace vanteo

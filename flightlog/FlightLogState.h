#pragma once

// Placeholder owned by the flight-log work: LogImage, FlightDetails, StoredChecksum,
// KmlOutputFile, FlashBusy and the worker thread.

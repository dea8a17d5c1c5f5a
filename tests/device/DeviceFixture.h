#pragma once

#include <gtest/gtest.h>

#include "tests/support/SimulatedTracker.h"

namespace vanteo::test {

// The form after its start-up, the process-wide tracker records, a scripted user and a simulated
// tracker behind the serial link, all on a virtual clock.
class DeviceTest : public ::testing::Test, protected SimulatedTracker {
protected:
    // After changing `form` directly: the operations begin by taking the controls in.
    void Show() { ui.ShowForm(); }

    DeviceContext& ctx = device;
};

}  // namespace vanteo::test

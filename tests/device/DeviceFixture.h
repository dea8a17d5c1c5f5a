#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/DeviceContext.h"
#include "device/FormModel.h"
#include "device/Operations.h"
#include "device/TrackerState.h"
#include "serial/InProcessTransport.h"
#include "serial/SerialLink.h"
#include "sim/TrackerSimulator.h"
#include "tests/support/ScriptedInteraction.h"

namespace vanteo::test {

// The form after its start-up, the process-wide tracker records, a scripted user and a simulated
// tracker behind the serial link, all on a virtual clock.
class DeviceTest : public ::testing::Test {
protected:
    DeviceTest() {
        form.comPort = "SIM";
        RunFormStartUp(ctx, "");
    }

    // Replaces the tracker on the wire (the link is closed first, as after unplugging).
    void Attach(sim::SimulatorConfig config) {
        link.Close();
        simulator = std::make_unique<sim::TrackerSimulator>(std::move(config));
    }

    // After changing `form` directly: the operations begin by taking the controls in.
    void Show() { ui.ShowForm(); }

    FormModel form = FormModel::Constructed();
    TrackerState tracker;
    ScriptedInteraction ui{form};
    VirtualClock clock;
    std::unique_ptr<sim::TrackerSimulator> simulator = std::make_unique<sim::TrackerSimulator>();
    SerialLink link{ui, clock, [this](const std::string&) {
                        return std::make_unique<InProcessTransport>(*simulator, clock);
                    }};
    DeviceContext ctx{form, tracker, link, ui};
};

}  // namespace vanteo::test

#pragma once

#include <memory>
#include <string>
#include <utility>

#include "device/DeviceContext.h"
#include "device/FormModel.h"
#include "device/Operations.h"
#include "device/TrackerState.h"
#include "serial/InProcessTransport.h"
#include "serial/SerialLink.h"
#include "sim/TrackerSimulator.h"
#include "tests/support/ScriptedInteraction.h"

namespace vanteo::test {

// The objects every operation test wires up: the form, the tracker records, a scripted user and a
// simulated tracker behind the serial link, all on a virtual clock. A test may put another byte
// device on the wire (`wire`) before the port opens. Header only: the programs that use it link
// the simulator themselves.
class SimulatedTracker {
public:
    enum class Start {
        formStartUp,    // a constructed form through the window's start-up, port "SIM"
        startedFields,  // the fields as after start-up shown in the controls, port "COM3"
        bareFields,     // default fields, no start-up, port "SIM"
    };

    explicit SimulatedTracker(Start start = Start::formStartUp, sim::SimulatorConfig config = {})
        : form(start == Start::formStartUp     ? FormModel::Constructed()
               : start == Start::startedFields ? FormModel::StartUp()
                                               : FormModel()),
          simulator(std::move(config)) {
        if (start == Start::formStartUp) {
            form.comPort = "SIM";
            RunFormStartUp(device, "");
        } else if (start == Start::startedFields) {
            form.comPort = "COM3";
            ui.ShowForm();
        } else {
            form.comPort = "SIM";
        }
    }
    SimulatedTracker(const SimulatedTracker&) = delete;
    SimulatedTracker& operator=(const SimulatedTracker&) = delete;

    // Replaces the tracker on the wire (the link is closed first, as after unplugging).
    void Attach(sim::SimulatorConfig config) {
        link.Close();
        simulator = sim::TrackerSimulator(std::move(config));
    }

    FormModel form;
    TrackerState tracker;
    ScriptedInteraction ui{form};
    VirtualClock clock;
    sim::TrackerSimulator simulator;
    ByteDevice* wire = &simulator;  // what the next opened port talks to
    int portsOpened = 0;
    SerialLink link{ui, clock, [this](const std::string&) {
                        ++portsOpened;
                        return std::make_unique<InProcessTransport>(*wire, clock);
                    }};
    DeviceContext device{form, tracker, link, ui};
};

}  // namespace vanteo::test

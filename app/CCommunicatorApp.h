#pragma once

#include <QApplication>

#include "device/FormModel.h"
#include "device/TrackerState.h"
#include "flightlog/FlightLogState.h"
#include "serial/Clock.h"
#include "serial/MessageSink.h"
#include "serial/SerialLink.h"

namespace vanteo {

// The application object: the process-wide records (form fields, tracker state, serial link on
// the real port, flight-log state), built once, and the main form run until it closes.
class CCommunicatorApp final : public QApplication {
    Q_OBJECT
public:
    CCommunicatorApp(int& argc, char** argv);
    ~CCommunicatorApp() override;

    // Constructs the form, runs its start-up with the program's arguments and shows it until it
    // closes. Returns the process exit status (0).
    int Run();

private:
    FormModel form_ = FormModel::Constructed();
    TrackerState tracker_;
    SteadyClock clock_;
    MessageForwarder linkMessages_;
    SerialLink link_;
    // Declared last: destroyed first, so a worker still running is waited for while the link
    // and the other records it uses still exist.
    FlightLogState log_;
};

}  // namespace vanteo

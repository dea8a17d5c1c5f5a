#pragma once

#include "device/FormView.h"
#include "device/Progress.h"
#include "device/Prompts.h"

namespace vanteo {

// Everything an operation asks of the person at the screen: the prompts, the form view and the
// progress. The GUI, the CLI and the tests each implement it, so the operations in device/ and
// flightlog/ never open a window themselves. The serial link needs only the MessageSink part.
class UserInteraction : public Prompts, public FormView, public Progress {};

}  // namespace vanteo

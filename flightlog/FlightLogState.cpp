#include "flightlog/FlightLogState.h"

namespace vanteo {

FlightLogState::~FlightLogState() {
    if (worker.joinable()) {
        worker.join();
    }
}

}  // namespace vanteo

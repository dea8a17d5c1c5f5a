#include <cstring>
#include <iostream>

#include "VanteoVersion.h"
#include "app/CCommunicatorApp.h"

namespace {

constexpr const char* kUsage =
    "Usage: vanteo [-qrkvz]\n"
    "\n"
    "Opens the Vanteo GPS Communicator window: configures a Vanteo GPS tracker, downloads its\n"
    "flight log as KML and checks KML files, over a serial port.\n"
    "  -qrkvz      calibration mode: shows the service controls\n"
    "  --help      this text\n"
    "  --version   print the program's version\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before the window's toolkit starts, so they need no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "vanteo " VANTEO_VERSION "\n";
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << kUsage;
        return 0;
    }
    vanteo::CCommunicatorApp app(argc, argv);
    return app.Run();
}

#pragma once

#include <string>
#include <vector>

#include "cli/CliRequest.h"

namespace vanteo::cli {

// Turns vanteo-cli's arguments into a CliRequest. --port and --calibration may stand before or
// after the command; the port falls back to the VANTEO_PORT value passed in. A request that
// cannot be understood gives ok = false and a one-line reason (a usage error, exit status 2).
class CommandLineParser {
public:
    struct Outcome {
        bool ok = false;
        CliRequest request;
        std::string error;
    };

    // `arguments` without the program name; `environmentPort` is $VANTEO_PORT (nullptr: unset).
    static Outcome Parse(const std::vector<std::string>& arguments, const char* environmentPort);

    // The program's usage (all commands), and one command's usage with its options.
    static std::string ProgramUsage();
    static std::string CommandUsage(CliCommand command);
};

}  // namespace vanteo::cli

// The fault tests' main: runs the tests, then writes the fault matrix as Markdown when asked to,
// by --faults-table=FILE or the environment variable VANTEO_FAULTS_TABLE=FILE.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "tests/faults/FaultTable.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string tablePath;
    if (const char* fromEnvironment = std::getenv("VANTEO_FAULTS_TABLE")) {
        tablePath = fromEnvironment;
    }
    constexpr const char* kFlag = "--faults-table=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kFlag, std::strlen(kFlag)) == 0) {
            tablePath = argv[i] + std::strlen(kFlag);
        }
    }
    const int status = RUN_ALL_TESTS();
    if (!tablePath.empty()) {
        if (!vanteo::test::FaultTable::Instance().WriteTo(tablePath)) {
            std::cerr << "cannot write the fault table to " << tablePath << "\n";
            return status == 0 ? 1 : status;
        }
        std::cout << "fault table written to " << tablePath << "\n";
    }
    return status;
}

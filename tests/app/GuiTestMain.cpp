#include <gtest/gtest.h>

#include <QApplication>

#include "app/LinkedChartWindows.h"

// The form needs a QApplication; the tests run on the offscreen platform and never show a
// modal window. The flight and recovery windows are the ones linked in, not the module.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vanteo::ChartModuleLoader linked(vanteo::LinkedChartWindows());
    vanteo::UseChartModule(&linked);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

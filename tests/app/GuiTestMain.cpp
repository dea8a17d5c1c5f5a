#include <gtest/gtest.h>

#include <QApplication>

// The form needs a QApplication; the tests run on the offscreen platform and never show a
// modal window.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

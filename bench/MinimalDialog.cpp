// The yardstick for the window's start-up: a Qt dialog holding one label, started and closed
// the way bench/run startup runs the program (VANTEO_QUIT_WHEN_IDLE closes it once it has
// painted itself and the event loop is idle, as the program's own switch does).
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

#include "app/QuitWhenIdle.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Vanteo GPS Communicator"), &dialog));
    if (qEnvironmentVariableIsSet("VANTEO_QUIT_WHEN_IDLE")) {
        new vanteo::QuitWhenIdle(dialog);
    }
    dialog.exec();
    return 0;
}

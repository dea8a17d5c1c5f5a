#include "app/CCommunicatorApp.h"

#include "app/CCommunicatorDlg.h"
#include "app/QuitWhenIdle.h"
#include "serial/PortEnumerator.h"
#include "serial/QSerialPortTransport.h"

namespace vanteo {

CCommunicatorApp::CCommunicatorApp(int& argc, char** argv)
    : QApplication(argc, argv), link_(linkMessages_, clock_, [](const std::string&) {
          return std::make_unique<QSerialPortTransport>();
      }) {
    setApplicationName(QStringLiteral("vanteo"));
    setApplicationDisplayName(QStringLiteral("Vanteo GPS Communicator"));
}

CCommunicatorApp::~CCommunicatorApp() = default;

int CCommunicatorApp::Run() {
    CCommunicatorDlg form(form_, tracker_, link_, log_, [] { return EnumeratePorts(); });
    linkMessages_.SetTarget(&form);
    // VANTEO_PORT names the port the "COM port" box starts with (scripts/run points it at the
    // simulated tracker when no USB serial adapter is attached); the CLI reads the same variable.
    if (const QByteArray port = qgetenv("VANTEO_PORT"); !port.isEmpty()) {
        form_.comPort = port.toStdString();
    }
    form.StartUp(arguments());
    if (qEnvironmentVariableIsSet("VANTEO_QUIT_WHEN_IDLE")) {
        new QuitWhenIdle(form);
    }
    form.exec();
    linkMessages_.SetTarget(nullptr);
    link_.Close();
    return 0;
}

}  // namespace vanteo

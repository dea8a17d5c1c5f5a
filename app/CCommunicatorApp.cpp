#include "app/CCommunicatorApp.h"

#include "app/CCommunicatorDlg.h"
#include "serial/PortEnumerator.h"
#include "serial/QSerialPortTransport.h"

namespace vanteo {

CCommunicatorApp::CCommunicatorApp(int& argc, char** argv)
    : QApplication(argc, argv), link_(linkInteraction_, clock_, [](const std::string&) {
          return std::make_unique<QSerialPortTransport>();
      }) {
    setApplicationName(QStringLiteral("vanteo"));
    setApplicationDisplayName(QStringLiteral("Vanteo GPS Communicator"));
}

CCommunicatorApp::~CCommunicatorApp() = default;

int CCommunicatorApp::Run() {
    CCommunicatorDlg form(form_, tracker_, link_, log_, [] { return EnumeratePorts(); });
    linkInteraction_.SetTarget(&form);
    form.StartUp(arguments());
    form.exec();
    linkInteraction_.SetTarget(nullptr);
    link_.Close();
    return 0;
}

}  // namespace vanteo

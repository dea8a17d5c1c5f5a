// The yardstick for the window's start-up: a Qt dialog holding one label, started and closed
// the way bench/run startup runs the program (VANTEO_QUIT_WHEN_IDLE closes it once it has
// painted itself and the event loop is idle, as the program's own switch does).
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

class QuitWhenIdle final : public QObject {
public:
    explicit QuitWhenIdle(QDialog& dialog) : QObject(&dialog), dialog_(dialog) {
        dialog.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &dialog_ && event->type() == QEvent::Paint && !armed_) {
            armed_ = true;
            QTimer::singleShot(0, &dialog_, [this] { dialog_.done(0); });
        }
        return false;
    }

private:
    QDialog& dialog_;
    bool armed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Vanteo GPS Communicator"), &dialog));
    if (qEnvironmentVariableIsSet("VANTEO_QUIT_WHEN_IDLE")) {
        new QuitWhenIdle(dialog);
    }
    dialog.exec();
    return 0;
}

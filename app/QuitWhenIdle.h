#pragma once

#include <QDialog>
#include <QEvent>
#include <QObject>
#include <QTimer>

namespace vanteo {

// Closes the dialog it watches once the dialog has painted itself and the event loop has nothing
// left to do (VANTEO_QUIT_WHEN_IDLE: bench/run startup times the window's start-up with it, and
// the minimal dialog it is measured against). Header only, so the minimal dialog links nothing
// of the program. Owned by the dialog.
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

}  // namespace vanteo

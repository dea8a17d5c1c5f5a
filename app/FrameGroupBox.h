#pragma once

#include <QGroupBox>

namespace vanteo {

// A group box whose frame and title can be hidden on their own. On a dialog template a group box
// is a control of its own that merely surrounds the others, so hiding it leaves them visible
// (the "Dig Enable" box shows in calibration mode while the "Digital Telemetry" frame may stay
// hidden). Geometry and margins do not change, so nothing moves when the frame comes and goes.
class FrameGroupBox final : public QGroupBox {
    Q_OBJECT
public:
    explicit FrameGroupBox(QWidget* parent = nullptr) : QGroupBox(parent) {}

    void SetFrameShown(bool shown) {
        if (shown != frameShown_) {
            frameShown_ = shown;
            update();
        }
    }
    bool FrameShown() const { return frameShown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool frameShown_ = true;
};

}  // namespace vanteo

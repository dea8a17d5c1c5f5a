#pragma once

#include <QComboBox>

namespace vanteo {

// The "COM port" box: a combo box that announces each drop-down before it opens, so the form
// can refill the list with the ports present at that moment.
class PortComboBox final : public QComboBox {
    Q_OBJECT
public:
    explicit PortComboBox(QWidget* parent = nullptr) : QComboBox(parent) {}

    void showPopup() override {
        emit aboutToDropDown();
        QComboBox::showPopup();
    }

signals:
    void aboutToDropDown();
};

}  // namespace vanteo

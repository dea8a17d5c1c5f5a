#pragma once

#include <QDialog>
#include <memory>

#include "device/UserInteraction.h"

namespace Ui {
class CFlightDetailsDlg;
}

namespace vanteo {

// "Details": the five texts written into the KML header (Name, Rocket name, Date, Motor,
// Comments). Every field starts empty each time the dialog is created.
class CFlightDetailsDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CFlightDetailsDlg(QWidget* parent = nullptr);
    ~CFlightDetailsDlg() override;

    // What the fields hold now, in FlightDetails order (texts taken one byte per character).
    FlightDetails Details() const;

private:
    std::unique_ptr<Ui::CFlightDetailsDlg> ui_;
};

}  // namespace vanteo

#include "app/CFlightDetailsDlg.h"

#include "ui_CFlightDetailsDlg.h"

namespace vanteo {

CFlightDetailsDlg::CFlightDetailsDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CFlightDetailsDlg>()) {
    ui_->setupUi(this);
}

CFlightDetailsDlg::~CFlightDetailsDlg() = default;

FlightDetails CFlightDetailsDlg::Details() const {
    // The details only ever go into the KML header, a UTF-8 document: keep every character.
    const auto bytes = [](const QString& text) { return text.toUtf8().toStdString(); };
    FlightDetails details;
    details.name = bytes(ui_->nameEdit->text());
    details.rocketName = bytes(ui_->rocketNameEdit->text());
    details.date = bytes(ui_->dateEdit->text());
    details.motor = bytes(ui_->motorEdit->text());
    details.comments = bytes(ui_->commentsEdit->toPlainText());
    return details;
}

}  // namespace vanteo

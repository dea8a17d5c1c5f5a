#include "app/CClearFlashDlg.h"

#include "ui_CClearFlashDlg.h"

namespace vanteo {

CClearFlashDlg::CClearFlashDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CClearFlashDlg>()) {
    ui_->setupUi(this);
    setFixedSize(sizeHint());
}

CClearFlashDlg::~CClearFlashDlg() = default;

}  // namespace vanteo

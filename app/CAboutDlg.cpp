#include "app/CAboutDlg.h"

#include "app/ProgramIcon.h"
#include "ui_CAboutDlg.h"

namespace vanteo {

// The program's release line, the same text as the form's version label (1049).
static const char* const kVersionLine = "Version 66 - 12/29/2013";

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CAboutDlg>()) {
    ui_->setupUi(this);
    setWindowIcon(ProgramIcon());
    ui_->iconLabel->setPixmap(ProgramIcon().pixmap(48, 48));
    ui_->versionLabel->setText(QString::fromLatin1(kVersionLine));
    setFixedSize(sizeHint());
}

CAboutDlg::~CAboutDlg() = default;

QString CAboutDlg::VersionText() const {
    return ui_->versionLabel->text();
}

}  // namespace vanteo

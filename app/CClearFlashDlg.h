#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CClearFlashDlg;
}

namespace vanteo {

// The clear-flash confirmation: accepted only by "CLEAR". "Cancel" is the default button, so an
// Enter pressed by habit does not erase the log.
class CClearFlashDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CClearFlashDlg(QWidget* parent = nullptr);
    ~CClearFlashDlg() override;

private:
    std::unique_ptr<Ui::CClearFlashDlg> ui_;
};

}  // namespace vanteo

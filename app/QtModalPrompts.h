#pragma once

#include "app/ModalPrompts.h"

class QWidget;

namespace vanteo {

// The real modal windows: QMessageBox titled "Vanteo GPS Communicator" with one OK button,
// QFileDialog built from the filter string, CFlightDetailsDlg and CClearFlashDlg; questions are
// a QMessageBox with Yes and No.
// `parent` (not owned) centres the windows; it must outlive this object.
class QtModalPrompts final : public ModalPrompts {
public:
    explicit QtModalPrompts(QWidget* parent) : parent_(parent) {}

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;
    bool AskFlightDetails(FlightDetails& details) override;
    bool ConfirmClearFlash() override;
    bool AskYesNo(const std::string& question) override;
    bool AskYesNoDefaultYes(const std::string& question) override;

private:
    std::optional<std::string> AskFile(const FileDialogRequest& request, bool save);
    // `defaultButton`: QMessageBox::Yes or QMessageBox::No; Escape answers No.
    bool AskQuestion(const std::string& question, int defaultButton);

    QWidget* parent_;
};

}  // namespace vanteo

#include "app/QtModalPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/CClearFlashDlg.h"
#include "app/CFlightDetailsDlg.h"
#include "app/FileDialogFilter.h"

namespace vanteo {

void QtModalPrompts::ShowMessage(const std::string& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QStringLiteral("Vanteo GPS Communicator"), QString::fromLatin1(text),
                    QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::optional<std::string> QtModalPrompts::AskOpenFile(const FileDialogRequest& request) {
    return AskFile(request, false);
}

std::optional<std::string> QtModalPrompts::AskSaveFile(const FileDialogRequest& request) {
    return AskFile(request, true);
}

std::optional<std::string> QtModalPrompts::AskFile(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFiltersFromFilterString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    // Saving asks before replacing an existing file (QFileDialog's default, kept explicitly).
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // Paths go to the C++ file layer as the local 8-bit encoding.
    return dialog.selectedFiles().constFirst().toLocal8Bit().toStdString();
}

bool QtModalPrompts::AskFlightDetails(FlightDetails& details) {
    CFlightDetailsDlg dialog(parent_);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    details = dialog.Details();
    return true;
}

bool QtModalPrompts::ConfirmClearFlash() {
    CClearFlashDlg dialog(parent_);
    return dialog.exec() == QDialog::Accepted;
}

bool QtModalPrompts::AskYesNo(const std::string& question) {
    return AskQuestion(question, QMessageBox::No);
}

bool QtModalPrompts::AskYesNoDefaultYes(const std::string& question) {
    return AskQuestion(question, QMessageBox::Yes);
}

bool QtModalPrompts::AskQuestion(const std::string& question, int defaultButton) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vanteo GPS Communicator"),
                    QString::fromLatin1(question), QMessageBox::Yes | QMessageBox::No, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(static_cast<QMessageBox::StandardButton>(defaultButton));
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace vanteo

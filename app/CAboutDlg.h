#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CAboutDlg;
}

namespace vanteo {

// The about box: "About vanteo", the program icon, "Vanteo GPS Programming Inteface", the version
// line (1054) and OK.
class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    QString VersionText() const;

private:
    std::unique_ptr<Ui::CAboutDlg> ui_;
};

}  // namespace vanteo

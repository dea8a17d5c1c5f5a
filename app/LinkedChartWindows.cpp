#include "app/LinkedChartWindows.h"

#include "app/CFlightViewDlg.h"
#include "app/CRecoveryDlg.h"
#include "serial/Clock.h"

namespace vanteo {
namespace {

class Windows final : public ChartWindows {
public:
    void ShowFlightView(const FlightLogSource& source, double storeIntervalS, UserInteraction& ui,
                        QWidget* parent) override {
        auto* view = new CFlightViewDlg(source, storeIntervalS, ui, parent);
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->show();
    }
    void ShowRecovery(const std::string& idString, const std::string& ssid,
                      QWidget* parent) override {
        auto* recovery = new CRecoveryDlg(CRecoveryDlg::StationOf(idString, ssid), clock_, parent);
        recovery->setAttribute(Qt::WA_DeleteOnClose);
        recovery->show();
    }

private:
    SteadyClock clock_;
};

}  // namespace

ChartWindows& LinkedChartWindows() {
    static Windows windows;
    return windows;
}

}  // namespace vanteo

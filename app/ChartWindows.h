#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <utility>

class QWidget;

namespace vanteo {

struct FlightLogSource;
class UserInteraction;

// The flight and recovery windows, which draw with Qt Charts. They live in the vanteo-charts
// module, loaded when one of them first opens, so the program does not load Qt Charts and its
// OpenGL libraries (some 2 ms of the window's start-up) before the user asks for a chart.
class ChartWindows {
public:
    virtual ~ChartWindows() = default;
    // The flight window for `source`, shown; not modal, deleted when closed.
    virtual void ShowFlightView(const FlightLogSource& source, double storeIntervalS,
                                UserInteraction& ui, QWidget* parent) = 0;
    // The recovery window for the station in the ID String and SSID fields, shown; not modal,
    // deleted when closed.
    virtual void ShowRecovery(const std::string& idString, const std::string& ssid,
                              QWidget* parent) = 0;
};

// The file name of the module, without the platform's prefix and suffix (QLibrary adds them).
inline constexpr const char* kChartModuleName = "vanteo-charts";
// The function the module exports: returns its ChartWindows, which lives as long as the process.
inline constexpr const char* kChartModuleEntry = "vanteo_chart_windows";
using ChartModuleEntry = ChartWindows* (*)();

// Loads the module from the first of `directories` that holds it, once; later calls return the
// same result. Null when no directory holds a module that loads, with the reason in Error().
class ChartModuleLoader {
public:
    explicit ChartModuleLoader(QStringList directories) : directories_(std::move(directories)) {}
    // Windows this binary links itself (the tests): nothing to load.
    explicit ChartModuleLoader(ChartWindows& linked) : windows_(&linked), tried_(true) {}
    ChartWindows* Load();
    const QString& Error() const { return error_; }

private:
    QStringList directories_;
    ChartWindows* windows_ = nullptr;
    QString error_;
    bool tried_ = false;
};

// The program's loader: the module looked for beside the program (the build tree), then in
// <libdir>/vanteo of the installed tree. One per process, as the loaded module is.
ChartModuleLoader& ProgramChartModule();

}  // namespace vanteo

#include <new>
#include <optional>
#include <string>

#include "device/AtomicFileWriter.h"
#include "device/InputFile.h"
#include "flightlog/FlightLogOperations.h"
#include "flightlog/KmlRepair.h"
#include "flightlog/TextFile.h"
#include "serial/CFormat.h"

namespace vanteo {

OperationResult OnFixKml(FlightLogContext& ctx) {
    if (RefuseWhileFlashBusy(ctx)) {
        return Outcome::refused;
    }
    UserInteraction& ui = ctx.device.ui;
    ctx.device.tracker.capabilities.compressCapable = true;

    ui.ShowMessage("First select an input file");
    std::string text;
    if (!AskAndReadKmlFile(ui, text)) {
        return Outcome::failed;
    }
    ui.ShowMessage("Now select an output file");
    const std::optional<std::string> outputPath = ui.AskSaveFile(kKmlFileDialog);
    if (!outputPath) {
        return Outcome::cancelled;
    }
    // Written beside the target and moved over it when complete, so choosing the input file as
    // the output is safe too.
    AtomicFileWriter output(*outputPath);
    if (!output.Open()) {
        ui.ShowMessage("Error opening output filefile");
        return Outcome::failed;
    }
    std::string repaired;
    std::size_t lines = 0;
    try {
        repaired.reserve(text.size());
        lines = RepairKmlText(text, repaired);
    } catch (const std::bad_alloc&) {
        output.Abandon();
        ui.ShowMessage(InputFileMessage(InputFileStatus::outOfMemory, kMaxKmlFileBytes));
        return Outcome::failed;
    }
    if (!output.Write(repaired) || !output.Commit()) {
        ui.ShowMessage(
            FormatC("Error writing file %s: the repaired file was not saved", outputPath->c_str()));
        return Outcome::failed;
    }
    ui.ShowMessage(FormatC(" read %d lines\n", static_cast<int>(lines)));
    return {Outcome::completed, static_cast<int>(lines)};
}

}  // namespace vanteo

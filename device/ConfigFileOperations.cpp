// "Save Cfg" and "Restore Cfg": the tracker's whole configuration memory to and from a text file,
// byte by byte, bypassing the form and the profile store.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "device/AtomicFileWriter.h"
#include "device/ConfigFile.h"
#include "device/InputFile.h"
#include "device/Operations.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

FileDialogRequest ConfigFileDialog() {
    return {kConfigFileFilter, kConfigFileExtension};
}

}  // namespace

OperationResult OnSaveCfg(DeviceContext& ctx) {
    ctx.ui.ShowMessage("This is the save button\n");
    if (!ctx.tracker.capabilities.peekPoke) {
        ctx.ui.ShowMessage("firmware doesn't support save/restore");
        return Outcome::refused;
    }
    if (!ctx.link.OpenPort(ctx.form.comPort)) {
        return Outcome::failed;  // the link has said why
    }
    const std::optional<std::string> path = ctx.ui.AskSaveFile(ConfigFileDialog());
    if (!path) {
        return Outcome::cancelled;  // nothing read, no file touched; the port stays open
    }
    AtomicFileWriter writer(*path);
    if (!writer.Open()) {
        ctx.ui.ShowMessage("Error opening file");
        return Outcome::failed;
    }

    // A failed peek yields 0 and closes the link; a file of zeros must never replace a good one,
    // so the file is committed only when every address has answered.
    std::array<std::uint8_t, kConfigMemorySize> memory{};
    ctx.ui.ProgressBegin(static_cast<int>(kConfigMemorySize));
    for (std::size_t address = 0; address < kConfigMemorySize; ++address) {
        memory[address] = ctx.link.PeekByte(static_cast<std::uint8_t>(address));
        if (!ctx.link.IsOpen()) {
            ctx.ui.ProgressEnd();
            writer.Abandon();
            ctx.ui.ShowMessage(
                FormatC("Configuration not saved: the tracker stopped answering at address %x",
                        static_cast<unsigned>(address)));
            return Outcome::failed;
        }
        ctx.ui.ProgressStep();
    }
    ctx.ui.ProgressEnd();

    if (!writer.Write(FormatConfigFile(memory)) || !writer.Commit()) {
        ctx.ui.ShowMessage("Error writing file");
        return Outcome::failed;
    }
    ctx.ui.ShowMessage("INI File Saved\n");
    return {Outcome::completed, static_cast<int>(kConfigMemorySize)};
}

OperationResult OnRestoreCfg(DeviceContext& ctx) {
    const std::optional<std::string> path = ctx.ui.AskOpenFile(ConfigFileDialog());
    if (!path) {
        return Outcome::cancelled;  // the tracker is not touched
    }
    std::string text;
    const InputFileStatus status = ReadInputFile(*path, kMaxConfigFileBytes, text);
    if (status == InputFileStatus::tooLarge) {
        ctx.ui.ShowMessage("Not a configuration file: it is far too large");
        return Outcome::failed;
    }
    if (status != InputFileStatus::ok) {
        ctx.ui.ShowMessage(InputFileMessage(status, kMaxConfigFileBytes));
        return Outcome::failed;
    }

    const ConfigFileContents contents = ParseConfigFile(text);
    if (contents.entries.empty()) {
        ctx.ui.ShowMessage(contents.skippedLines == 0
                               ? std::string("Nothing restored: the file holds no entries")
                               : FormatC("Nothing restored: none of the %d lines of the file is an "
                                         "address:value pair in hexadecimal",
                                         contents.skippedLines));
        return Outcome::failed;
    }

    if (!ctx.link.OpenPort(ctx.form.comPort)) {
        ctx.ui.ShowForm();
        return Outcome::failed;
    }
    ctx.ui.ProgressBegin(static_cast<int>(contents.entries.size()));
    int written = 0;
    for (const ConfigEntry& entry : contents.entries) {
        if (!IsFactoryBlockAddress(entry.address)) {
            // A failed poke has closed the link after its message; going on would only repeat it.
            if (!ctx.link.PokeByte(entry.address, entry.value)) {
                ctx.ui.ProgressEnd();
                ctx.ui.ShowForm();
                ctx.ui.ShowMessage(FormatC(
                    "Restore stopped: the tracker stopped answering after %d bytes were written",
                    written));
                return Outcome::failed;
            }
            ++written;
        }
        ctx.ui.ProgressStep();
    }
    ctx.ui.ProgressEnd();
    ctx.ui.ShowForm();
    if (contents.skippedLines > 0) {
        ctx.ui.ShowMessage(
            FormatC("%d unreadable line(s) of the file skipped, the first is line %d",
                    contents.skippedLines, contents.firstSkippedLine));
    }
    return {Outcome::completed, written};
}

}  // namespace vanteo

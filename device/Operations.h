#pragma once

#include <string>
#include <vector>

#include "device/DeviceContext.h"
#include "device/OperationResult.h"

// The configuration operations behind the form's buttons. Each runs to completion on the calling
// thread, talks to the tracker through ctx.link and to the user through ctx.ui, and returns true
// when it ran to its normal end (false when it stopped on a failure or was refused; the user has
// then been told why). The GUI's button handlers, the CLI and the tests call exactly these.
namespace vanteo {

// The Messages line after an operation that returned false. The field must not go on showing
// an earlier result ("Read Complete") or the operation's progress text ("Reading...") as if
// nothing had gone wrong: when it still holds `lineBefore` (its text as the operation began) or
// a progress text (ending in "..."), it becomes "<operation> did not complete" and the result is
// true; the message box has told why. A line the operation put there itself (a validation
// text, the Write's partly-written warning) stays. Only the field changes: the caller shows it
// without pushing the other fields, which would discard edits an operation did not take in.
// The window and the CLI call it after every operation that stops.
bool SetStopLine(FormModel& form, const std::string& lineBefore, const std::string& operation);

// Form start-up: clears the profiles' numbers, sets the start values, ShowForm, hides the
// tracker-dependent controls, then the command line: `argument` is the program's first
// argument ("-qrkvz" selects calibration mode and shows "Calibration Mode Enabled\n"), or empty.
void RunFormStartUp(DeviceContext& ctx, const std::string& argument);

// "Read" (1005) and "Write" (1003).
OperationResult OnRead(DeviceContext& ctx);
OperationResult OnWrite(DeviceContext& ctx);

// Profile store and form behaviour.
void StoreFormInProfile(DeviceContext& ctx);
void ShowProfile(DeviceContext& ctx, int index);
void ApplyPathRule(DeviceContext& ctx);
void OnProfile1Clicked(DeviceContext& ctx);             // 1166
void OnProfile2Clicked(DeviceContext& ctx);             // 1167
void OnCompareClicked(DeviceContext& ctx);              // 1170 '<'
void OnConvertMetersToFeetClicked(DeviceContext& ctx);  // 1137
void OnDefaultClicked(DeviceContext& ctx);              // 1198 "DEFAULT"

// "Save Cfg" (1185), "Restore Cfg" (1186).
OperationResult OnSaveCfg(DeviceContext& ctx);
OperationResult OnRestoreCfg(DeviceContext& ctx);

// "Run" (1014), "Send 1200" (1127), "Update" (1036), "Dev0" (1193), "Dev4" (1194).
OperationResult OnRun(DeviceContext& ctx);
OperationResult OnSend1200(DeviceContext& ctx);
OperationResult OnUpdate(DeviceContext& ctx);
OperationResult OnDev0(DeviceContext& ctx);
OperationResult OnDev4(DeviceContext& ctx);

}  // namespace vanteo

#pragma once

namespace vanteo {

// How an operation ended, for a front end that decides by it (the CLI's exit status) rather than
// by the texts the user was shown.
enum class Outcome {
    completed,  // ran to its normal end
    refused,    // did not start: another operation holds the link, or a check of the form or
                // the tracker said no; nothing was sent
    failed,     // stopped on a failure the user has been told about
    cancelled,  // the user cancelled a dialog or the progress
};

// What an operation reports back: how it ended and what it counted (bytes saved or written to the
// tracker, lines repaired; 0 where nothing is counted). True only for a completed operation, so
// `if (!OnSaveCfg(ctx))` reads as before.
struct OperationResult {
    OperationResult(Outcome end, int counted = 0) : outcome(end), count(counted) {}  // NOLINT
    Outcome outcome;
    int count;
    explicit operator bool() const { return outcome == Outcome::completed; }
};

}  // namespace vanteo

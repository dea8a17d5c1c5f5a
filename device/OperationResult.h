#pragma once

namespace vanteo {

// How an operation ended, for a front end that decides by it (the CLI's exit status) rather than
// by the texts the user was shown.
enum class Outcome {
    completed,  // ran to its normal end
    refused,    // did not start: another operation holds the link
    failed,     // stopped on a failure the user has been told about
    cancelled,  // the user cancelled a dialog or the progress
};

}  // namespace vanteo

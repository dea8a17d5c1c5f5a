#pragma once

namespace vanteo {

// Progress of a long operation. A front end without a bar keeps the defaults: it ignores the
// steps and is never cancelled.
//
// Threads: every call may come from the flash worker thread while the user-interface thread is
// free; an implementation must marshal them.
class Progress {
public:
    virtual ~Progress() = default;

    // `steps` > 0 gives a bar of that many steps, 0 an indeterminate busy indicator. Step
    // advances by one; End leaves the bar idle.
    virtual void ProgressBegin(int /*steps*/) {}
    virtual void ProgressStep() {}
    virtual void ProgressEnd() {}
    // True once the user has asked to stop the long operation begun by the last ProgressBegin
    // (the Cancel button, closing the window, Ctrl+C). Polled by the flash worker between
    // blocks, so an implementation must answer from any thread without blocking.
    virtual bool ProgressCancelled() const { return false; }
};

}  // namespace vanteo

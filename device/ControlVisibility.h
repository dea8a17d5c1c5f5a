#pragma once

#include <span>
#include <vector>

#include "device/FormView.h"
#include "device/TrackerState.h"

namespace vanteo {

// One rule of which controls a tracker shows: the controls, the predicate on what the tracker
// can do, and which way the rule may change them.
struct VisibilityRow {
    enum class Change {
        showOrHide,  // shown when the predicate holds, hidden otherwise
        showOnly,    // shown when it holds, left as they are otherwise
        hideOnly,    // hidden when it does not hold, left as they are otherwise
    };
    std::vector<int> controls;
    bool (*shown)(const TrackerState& tracker);
    Change change = Change::showOrHide;
};

// The rules a Read applies once it knows the model and the firmware, in the order it applies
// them, so a tracker read after another one shows only its own controls.
std::span<const VisibilityRow> CapabilityVisibilityRows();
// The rule a Read applies after decoding the settings record: the digital telemetry controls
// also need "Dig Enable" set in the record.
std::span<const VisibilityRow> RecordVisibilityRows();

// Applies `rows` in order to `view`.
void ApplyVisibility(FormView& view, const TrackerState& tracker,
                     std::span<const VisibilityRow> rows);

}  // namespace vanteo

#pragma once
// The progress window's logic and the system's stop flag. `cancelRequested` stops the
// running transfer and the running script; any part that detects a failure during a
// run sets it to 1.

#include "engine/views.h"
#include "link/platform/clock.h"

#include <cstdint>

namespace zarvex {

class Progress {
public:
    Progress(Clock& clock, ProgressDisplay& display) : clock_(clock), display_(display) {}

    std::int32_t cancelRequested = 0;

    void ShowProgressForm(std::int32_t blocks, const ImageRecord& image) {
        cancelRequested = 0;
        display_.showFacts(image, blocks > 0 ? blocks : 1);
        clock_.processMessages();
    }
    void step() { display_.step(); }
    void HideProgressForm() {
        display_.resetAndHide();
        clock_.processMessages();
    }
    void CancelButtonClick() { cancelRequested = 1; }

private:
    Clock& clock_;
    ProgressDisplay& display_;
};

} // namespace zarvex

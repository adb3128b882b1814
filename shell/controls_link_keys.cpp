// The keyboard commands' share of the controls link.
#include <memory>

#include "shell/controls_link.h"
#include "shell/program.h"

namespace korel {

void ControlsLink::commandChar(uint32_t ch, int modifier) {
    controls_.keys().character(ch, modifier, controls_.keys().stamp());
}

void ControlsLink::toggleControls() { program_.toggleControls(); }

void ControlsLink::beginStyleSave(bool beatCountersOff) {
    styleCapture_ = std::make_unique<VisualState>(visual());
    if (beatCountersOff)
        for (int k = 0; k < kTriggerKinds; ++k) styleCapture_->set(vs::BeatsPerTrigger + size_t(k), 0);
}

}  // namespace korel

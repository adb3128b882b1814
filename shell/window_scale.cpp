// The small windows' screen magnification from the environment and the monitor.
#include "shell/window_scale.h"

#include <string_view>

namespace korel {

WindowScaleChoice chooseWindowScale(const char* forced, int monitorWidth) {
    WindowScaleChoice c;
    c.scale = monitorWidth >= kLargeMonitorWidth ? 2 : 1;
    if (forced == nullptr) return c;
    const std::string_view text(forced);
    if (text == "1" || text == "2") {
        c.scale = text == "2" ? 2 : 1;
    } else {
        // Bounded, so that a hostile value cannot flood the terminal.
        c.warning =
            "KOREL_SCALE must be 1 or 2; \"" + std::string(text.substr(0, 32)) + "\" is ignored";
    }
    return c;
}

}  // namespace korel

// The hover help's share of the controls link: the help window's text.
#include "shell/controls_link.h"
#include "shell/program.h"

namespace korel {

void ControlsLink::showHelpText(std::string_view text) {
    (void)text;  // the help window paints the controls' current text, also on expose
    Platform& pf = program_.platform();
    if (program_.helpWindow() != kNoWindow && pf.windowVisible(program_.helpWindow()))
        program_.paintHelp();
}

// A current track of the CD edition means a disc is in the drive.
bool ControlsLink::discPresent() { return trackNumber() > 0; }

}  // namespace korel

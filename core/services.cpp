// Song time and data-folder paths.
#include "core/services.h"

#include "platform/files.h"

namespace korel {

uint32_t Services::songClock() { return songTime(platform_.tickCount(), shell_.songClockOrigin); }

std::string Services::dataPath(const std::string& relative) const {
    return joinPath(shell_.dataFolder, relative);
}

}  // namespace korel

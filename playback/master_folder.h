// The CD master folder: the current CD list, its raves and every asset those raves use, gathered
// in "KorelCD" in the data folder (with "Raves", "Gradients", "Fills", "Brushes", "Movements"
// and "Effects" inside) so that they can be put on a custom CD together. It lives in the data
// folder because that is the one place the program can count on writing to.
#pragma once

#include "core/services.h"
#include "playback/cd_list.h"

namespace korel {

constexpr const char* kMasterFolder = "KorelCD";

// "Create CD Master Folder..." (fresh: the six folders are emptied first) and "Add to CD Master
// Folder...". Copies the list file, each attached rave, the assets named in its song-start state
// and the asset of each of its file events; copies overwrite. Assets that do not exist are
// skipped; a rave that is missing or not valid is reported and skipped. True when everything
// named was copied.
bool buildMasterFolder(Services& services, const CdList& list, bool fresh);

}  // namespace korel

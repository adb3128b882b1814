// Where the program's folders are: the data folder (assets, Styles, Settings, Raves, Songlists,
// "error.txt"), the config folder (preferences) and the installed seed library.
#pragma once

#include <string>

namespace korel {

// $KOREL_PATH if set, else $XDG_DATA_HOME/korel, else ~/.local/share/korel.
std::string defaultDataFolder();
// $XDG_CONFIG_HOME/korel, else ~/.config/korel.
std::string defaultConfigFolder();
// $KOREL_SEED if set, else seedFolderFor() this program.
std::string defaultSeedFolder();

// The seed library of the program file `program`: `installedSeed` (relative to the program's
// folder, e.g. "../share/korel/seed") when that folder exists, else a "seed" folder beside the
// program, else `buildSeed` when the program lies inside the build tree `buildTree`. Empty when
// none applies: a program outside the build tree never reads the build's library.
std::string seedFolderFor(const std::string& program, const std::string& installedSeed,
                          const std::string& buildTree, const std::string& buildSeed);

// The seed's folder of program pictures: read in place, never copied into the data folder.
constexpr const char* kControlsFolder = "Controls";

// Copies every file of the seed folder (with its sub-folders, but not "Controls") into the data
// folder, leaving files that already exist alone. Returns 0 or the first error code.
int seedDataFolder(const std::string& seed, const std::string& data);

// Fills each asset folder ("Gradients", "Brushes", "Movements", "Fills", "Effects", "Styles",
// "Music") that is missing from the data folder, or holds no file, from the seed folder's, so
// that a data folder that lost one still starts with assets. A folder that holds any file is the
// user's and is left alone. Returns 0 or the first error code.
int seedAssetFolders(const std::string& seed, const std::string& data);

}  // namespace korel

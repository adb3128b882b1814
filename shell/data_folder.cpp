// Locating and seeding the program's folders.
#include "shell/data_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/files.h"

namespace korel {

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : std::string();
}

std::string home() {
    std::string h = env("HOME");
    return h.empty() ? std::string("/tmp") : h;
}

// True when the folder or any folder below it holds a file.
bool holdsAFile(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_directory(ec)) return true;
    }
    return false;
}

}  // namespace

std::string defaultDataFolder() {
    std::string p = env("KOREL_PATH");
    if (!p.empty()) return p;
    std::string xdg = env("XDG_DATA_HOME");
    if (!xdg.empty()) return xdg + "/korel";
    return home() + "/.local/share/korel";
}

std::string defaultConfigFolder() {
    std::string xdg = env("XDG_CONFIG_HOME");
    if (!xdg.empty()) return xdg + "/korel";
    return home() + "/.config/korel";
}

std::string seedFolderFor(const std::string& program, const std::string& installedSeed,
                          const std::string& buildTree, const std::string& buildSeed) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (program.empty()) return {};
    const fs::path folder = fs::path(program).parent_path();
    if (!installedSeed.empty()) {
        const fs::path installed = (folder / installedSeed).lexically_normal();
        if (fs::is_directory(installed, ec)) return installed.string();
    }
    const fs::path beside = folder / "seed";
    if (fs::is_directory(beside, ec)) return beside.string();
    // The build tree's seed serves only programs built there: an installed program that lost
    // its library must say so rather than run on whatever build it came from.
    if (buildTree.empty() || buildSeed.empty()) return {};
    const fs::path tree = fs::weakly_canonical(buildTree, ec);
    if (ec) return {};
    const fs::path where = fs::weakly_canonical(folder, ec);
    if (ec) return {};
    const fs::path rel = where.lexically_relative(tree);
    if (rel.empty() || *rel.begin() == "..") return {};
    if (fs::is_directory(buildSeed, ec)) return buildSeed;
    return {};
}

std::string defaultSeedFolder() {
    std::string p = env("KOREL_SEED");
    if (!p.empty()) return p;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
#ifdef KOREL_INSTALL_SEED_FROM_BIN
    const std::string installed = KOREL_INSTALL_SEED_FROM_BIN;
#else
    const std::string installed = "../share/korel/seed";
#endif
#if defined(KOREL_BUILD_TREE) && defined(KOREL_BUILD_SEED_DIR)
    return seedFolderFor(exe.string(), installed, KOREL_BUILD_TREE, KOREL_BUILD_SEED_DIR);
#else
    return seedFolderFor(exe.string(), installed, {}, {});
#endif
}

int seedDataFolder(const std::string& seed, const std::string& data) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (seed.empty() || !fs::is_directory(seed, ec)) return 0;
    int first = 0;
    for (auto it = fs::recursive_directory_iterator(seed, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::path rel = fs::relative(it->path(), seed, ec);
        if (ec) break;
        if (it.depth() == 0 && rel == kControlsFolder) {
            it.disable_recursion_pending();
            continue;
        }
        fs::path target = fs::path(data) / rel;
        if (it->is_directory(ec)) {
            int e = createFolders(target.string());
            if (e && !first) first = e;
        } else if (it->is_regular_file(ec) && !fs::exists(target, ec)) {
            int e = copyFile(it->path().string(), target.string());
            if (e && !first) first = e;
        }
    }
    return first;
}

int seedAssetFolders(const std::string& seed, const std::string& data) {
    namespace fs = std::filesystem;
    static const char* const kSeededFolders[] = {"Gradients", "Brushes", "Movements", "Fills",
                                                 "Effects",   "Styles",  "Music"};
    std::error_code ec;
    if (seed.empty() || !fs::is_directory(seed, ec)) return 0;
    int first = 0;
    for (const char* name : kSeededFolders) {
        const fs::path from = fs::path(seed) / name;
        const fs::path to = fs::path(data) / name;
        if (!fs::is_directory(from, ec) || holdsAFile(to)) continue;
        int e = createFolders(to.string());
        if (e == 0) e = seedDataFolder(from.string(), to.string());
        if (e && !first) first = e;
    }
    return first;
}

}  // namespace korel

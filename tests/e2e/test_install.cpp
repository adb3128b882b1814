// An install into a temporary prefix (with a space in its name): the programs, the library, the
// icons and the menu entries land there and nowhere else, the manifest lists every file so that
// removing what it lists uninstalls, the entries validate and start installed programs, the CD
// edition is offered for audio CDs, and the installed editions run from there on a fresh data
// folder seeded from the installed library.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "e2e/e2e_support.h"
#include "platform/files.h"

namespace korel::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kInstallWithinMs = 120000;
constexpr int kWindowsWithinMs = 30000;
constexpr int kExitWithinMs = 10000;

const char* const kPrograms[] = {"korel-cd", "korel-mp3", "korel-live", "pictomat",
                                 "korel-headless"};
const char* const kEntries[] = {"korel-cd", "korel-mp3", "korel-live", "pictomat"};
const int kIconSizes[] = {16, 32, 48, 64, 128, 256};

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) out.push_back(line);
    return out;
}

// One `cmake --install` of the build into a fresh prefix, removed at the end. The build's own
// install_manifest.txt (which a real install may have written) is put back as it was.
struct Installed {
    Installed() {
        std::string tmpl = (fs::temp_directory_path() / "korel-install-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) {
            error = "cannot make a temporary folder";
            return;
        }
        root = tmpl;
        prefix = root + "/prefix with space";
        const std::string manifestPath = std::string(KOREL_BUILD_DIR) + "/install_manifest.txt";
        const bool hadManifest = fs::exists(manifestPath);
        const std::string previous = hadManifest ? fileText(manifestPath) : std::string();
        const ToolResult r =
            runTool({KOREL_CMAKE_COMMAND, "--install", KOREL_BUILD_DIR, "--prefix", prefix},
                    kInstallWithinMs);
        if (!r.ran || r.exitCode != 0)
            error = "cmake --install failed (" + std::to_string(r.exitCode) + "): " + r.out;
        manifest = lines(fileText(manifestPath));
        if (hadManifest) {
            std::ofstream(manifestPath, std::ios::binary | std::ios::trunc) << previous;
        } else {
            std::error_code ec;
            fs::remove(manifestPath, ec);
        }
    }
    ~Installed() {
        std::error_code ec;
        if (!root.empty()) fs::remove_all(root, ec);
    }
    std::string bin(const std::string& program) const { return prefix + "/bin/" + program; }
    std::string seed() const { return prefix + "/share/korel/seed"; }
    std::string entry(const std::string& name) const {
        return prefix + "/share/applications/" + name + ".desktop";
    }

    std::string root, prefix, error;
    std::vector<std::string> manifest;
};

bool isExecutableFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

bool holdsFiles(const std::string& folder) {
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        if (e.is_regular_file()) return true;
    return false;
}

// The keys of a desktop entry's [Desktop Entry] group, values with the string escapes undone.
std::map<std::string, std::string> readEntry(const std::string& path) {
    std::map<std::string, std::string> keys;
    bool inGroup = false;
    for (const std::string& line : lines(fileText(path))) {
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const size_t eq = line.find('=');
        if (!inGroup || line[0] == '#' || eq == std::string::npos) continue;
        std::string value;
        for (size_t i = eq + 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                const char c = line[++i];
                value += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
            } else {
                value += line[i];
            }
        }
        keys[line.substr(0, eq)] = value;
    }
    return keys;
}

// The program an Exec value starts: its first argument, quoted or not.
std::string execProgram(const std::string& exec) {
    std::string out;
    if (!exec.empty() && exec[0] == '"') {
        for (size_t i = 1; i < exec.size() && exec[i] != '"'; ++i) {
            if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
            out += exec[i];
        }
        return out;
    }
    return exec.substr(0, exec.find(' '));
}

// The environment of a program run from an install: the run's own folders and no KOREL_SEED,
// so the program has only its own location to find its library from.
std::vector<std::string> installedRunEnvironment(const RunFolders& folders) {
    std::vector<std::string> env;
    for (const std::string& e : folders.programEnvironment())
        if (e.rfind("KOREL_SEED=", 0) != 0) env.push_back(e);
    return env;
}

}  // namespace

TEST(Install, EverythingLandsUnderThePrefixAndTheManifestUninstallsIt) {
    Installed in;
    ASSERT_TRUE(in.error.empty()) << in.error;
    for (const char* p : kPrograms) EXPECT_TRUE(isExecutableFile(in.bin(p))) << p;
#ifdef KOREL_LAUNCHER_DIR
    for (const char* p : {"korel-saver-mp3", "korel-saver-cd"})
        EXPECT_TRUE(isExecutableFile(in.prefix + "/" KOREL_LAUNCHER_DIR "/" + p)) << p;
#endif
    EXPECT_TRUE(holdsFiles(in.seed() + "/Controls")) << "the controls' pictures";
    for (const char* folder : {"Styles", "Brushes", "Fills", "Gradients", "Movements", "Music"})
        EXPECT_TRUE(holdsFiles(in.seed() + "/" + folder)) << folder;
    for (int n : kIconSizes) {
        const std::string size = std::to_string(n) + "x" + std::to_string(n);
        EXPECT_TRUE(
            fs::is_regular_file(in.prefix + "/share/icons/hicolor/" + size + "/apps/korel.png"))
            << size;
    }
    for (const char* e : kEntries) EXPECT_TRUE(fs::is_regular_file(in.entry(e))) << e;

    // The manifest lists every file under the prefix and nothing outside it.
    std::set<std::string> listed(in.manifest.begin(), in.manifest.end());
    for (const std::string& f : listed)
        EXPECT_EQ(f.rfind(in.prefix + "/", 0), 0u) << f << " is outside the prefix";
    std::set<std::string> present;
    for (const auto& e : fs::recursive_directory_iterator(in.prefix))
        if (!e.is_directory()) present.insert(e.path().string());
    for (const std::string& f : present)
        EXPECT_TRUE(listed.count(f)) << f << " is not in the manifest";

    // Uninstalling: removing what the manifest lists leaves no file behind.
    for (const std::string& f : listed) EXPECT_TRUE(fs::remove(f)) << f;
    for (const auto& e : fs::recursive_directory_iterator(in.prefix))
        EXPECT_TRUE(e.is_directory()) << e.path() << " is left after the uninstall";
}

TEST(Install, MenuEntriesValidateAndStartInstalledPrograms) {
    Installed in;
    ASSERT_TRUE(in.error.empty()) << in.error;
    for (const char* name : kEntries) {
        SCOPED_TRACE(name);
        const std::string path = in.entry(name);
        const ToolResult v = runTool({"desktop-file-validate", path});
        if (v.ran) {
            EXPECT_EQ(v.exitCode, 0) << v.out;
            EXPECT_EQ(v.out, "") << "warnings or hints";
        } else {
            std::cout << "desktop-file-validate is not available: entries not validated\n";
        }
        auto keys = readEntry(path);
        EXPECT_EQ(keys["Type"], "Application");
        EXPECT_FALSE(keys["Name"].empty());
        EXPECT_FALSE(keys["Comment"].empty());
        EXPECT_EQ(keys["Icon"], "korel");
        EXPECT_EQ(keys["Terminal"], "false");
        // The entry starts its own program, installed, by a path that works off PATH too.
        EXPECT_EQ(execProgram(keys["Exec"]), in.bin(name)) << keys["Exec"];
        EXPECT_TRUE(isExecutableFile(execProgram(keys["Exec"])));
        const bool isPictomat = std::string(name) == "pictomat";
        EXPECT_EQ(keys["Categories"], isPictomat ? "Graphics;" : "AudioVideo;Audio;Player;");
        const bool isCd = std::string(name) == "korel-cd";
        EXPECT_EQ(keys["MimeType"], isCd ? "x-content/audio-cdda;" : "");
    }

    // The desktop offers the CD edition for an inserted audio CD, from the install alone. It
    // finds handlers through the folder's MIME cache, which the install makes when it can.
    const ToolResult updater = runTool({"sh", "-c", "command -v update-desktop-database"});
    if (!updater.ran || updater.exitCode != 0) {
        std::cout << "update-desktop-database is not available: no handler cache to look up\n";
        return;
    }
    EXPECT_TRUE(fs::is_regular_file(in.prefix + "/share/applications/mimeinfo.cache"));
    RunFolders empty;
    ASSERT_TRUE(empty.ok());
    const ToolResult g = runTool({"env", "XDG_DATA_HOME=" + empty.root(),
                                  "XDG_DATA_DIRS=" + in.prefix + "/share:/usr/share", "gio", "mime",
                                  "x-content/audio-cdda"});
    if (g.ran && g.exitCode != 127) {
        const size_t registered = g.out.find("Registered applications:");
        ASSERT_NE(registered, std::string::npos) << g.out;
        EXPECT_NE(g.out.find("korel-cd.desktop", registered), std::string::npos) << g.out;
    } else {
        std::cout << "gio is not available: the audio-CD handler is not looked up\n";
    }
}

TEST(Install, InstalledEditionsSeedAFreshDataFolderFromTheInstalledLibrary) {
    KOREL_E2E_REQUIRE_SESSION();
    Installed in;
    ASSERT_TRUE(in.error.empty()) << in.error;
    // A file only the installed library holds: a data folder seeded from anywhere else lacks it.
    const std::string marker = "installed-library.txt";
    ASSERT_EQ(writeFileReplacing(in.seed() + "/" + marker, Bytes{'o', 'k'}), 0);

    auto desktop = makeDesktopPlatform();
    ASSERT_TRUE(desktop);
    for (const char* program : {"korel-live", "korel-mp3"}) {
        SCOPED_TRACE(program);
        RunFolders folders;
        ASSERT_TRUE(folders.ok());
        const std::string installed = in.bin(program);
        ProgramRun run(*desktop, installed.c_str(), folders);
        run.setEnvironment(installedRunEnvironment(folders));
        std::string error;
        ASSERT_TRUE(run.startAndWaitForWindows(kWindowsWithinMs, error)) << error;
        int elapsed = 0;
        ASSERT_TRUE(run.closeControlsAndWait(kExitWithinMs, elapsed))
            << "still running " << elapsed << " ms after its controls window was closed";
        EXPECT_EQ(run.child().exitCode(), 0) << run.log();
        EXPECT_FALSE(fs::exists(folders.data() + "/error.txt"))
            << "fatal failure: " << fileText(folders.data() + "/error.txt");
        EXPECT_TRUE(fs::is_regular_file(folders.data() + "/" + marker))
            << "the data folder was not seeded from " << in.seed();
        EXPECT_TRUE(holdsFiles(folders.data() + "/Styles"));
        EXPECT_FALSE(fs::exists(folders.data() + "/Controls"));
    }
}

}  // namespace korel::e2e

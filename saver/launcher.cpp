// The launcher's portable decisions: the command line, the preferences flag, the paths, the
// logo and the end of the edition's run.
#include "saver/launcher.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <span>

#include "controls/pictures.h"
#include "persist/preferences.h"
#include "platform/bytes.h"
#include "platform/files.h"

namespace korel {

SaverBuild saverBuild(Edition edition) {
    if (edition == Edition::CD) return {Edition::CD, "korel-cd", "Korel Screen Saver"};
    return {Edition::MP3, "korel-mp3", "KorelMP3 Screen Saver"};
}

namespace {

// A window id: decimal, or hex with 0x. 0 for anything else (0 is no window in X either).
unsigned long parseWindowId(const std::string& text) {
    if (text.empty() || text.size() > 20) return 0;
    int base = 10;
    size_t at = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        at = 2;
    }
    unsigned long long value = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        value = value * unsigned(base) + unsigned(digit);
        if (value > 0xFFFFFFFFull) return 0;  // X ids are 29 bits
    }
    return (unsigned long)value;
}

// The decimal number at `at` (digits only, as many as there are); 0 when none.
unsigned long decimalAt(const std::string& text, size_t at) {
    size_t end = at;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    return parseWindowId(text.substr(at, end - at));
}

bool isOption(const std::string& arg, const char* name) {
    return arg == std::string("-") + name || arg == std::string("--") + name;
}

}  // namespace

SaverRequest decideSaverRequest(const std::vector<std::string>& args, const char* saverWindowEnv) {
    const unsigned long envWindow = saverWindowEnv ? parseWindowId(saverWindowEnv) : 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (isOption(args[i], "window-id")) {
            const unsigned long id = i + 1 < args.size() ? parseWindowId(args[i + 1]) : 0;
            // A bad id is no window to draw in; a run in a window of our own would be seen
            // by nobody, so it ends.
            if (id == 0) return {};
            return {SaverRequest::Saver, id};
        }
        if (isOption(args[i], "root")) return {SaverRequest::Saver, envWindow};
    }
    std::string line;
    for (const auto& a : args) line += (line.empty() ? "" : " ") + a;
    if (const size_t p = line.find('p'); p != std::string::npos) {
        const unsigned long id = p + 2 < line.size() ? decimalAt(line, p + 2) : 0;
        if (id == 0) return {};
        return {SaverRequest::Preview, id};
    }
    if (line.find('s') != std::string::npos) return {SaverRequest::Saver, envWindow};
    if (args.empty() && envWindow != 0) return {SaverRequest::Saver, envWindow};
    return {};
}

bool markLaunchedBySaver(const std::string& configFolder, Edition edition) {
    if (createFolders(configFolder) != 0) return false;
    const std::string path = joinPath(configFolder, preferencesFileName(edition));
    Bytes file;
    if (fileExists(path) && readWholeFile(path, file, 1u << 20) != 0) return false;
    const auto defaults = saverDefaultPreferences();
    for (size_t i = file.size(); i < kPreferencesSize; ++i) file.push_back(defaults[i]);
    file[1] = 1;
    return writeFileReplacing(path, file) == 0;
}

namespace {

namespace fs = std::filesystem;

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool isFolder(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

}  // namespace

std::string editionProgramPath(const std::string& launcherPath, const char* program) {
    const fs::path here = fs::path(launcherPath).parent_path();
    const fs::path installed = here.parent_path().parent_path() / "bin" / program;
    if (here.filename() == "korel" && here.parent_path().filename() == "libexec" &&
        isFile(installed))
        return installed.string();
    const fs::path built = here.parent_path() / "shell" / program;
    if (here.filename() == "saver" && isFile(built)) return built.string();
    return {};
}

std::string pictureFolderFor(const std::string& launcherPath, const char* seedEnv) {
    if (seedEnv && *seedEnv) {
        const fs::path p = fs::path(seedEnv) / "Controls";
        return isFolder(p) ? p.string() : std::string();
    }
    const fs::path here = fs::path(launcherPath).parent_path();
    for (const fs::path& p : {here.parent_path().parent_path() / "share" / "korel" / "seed",
                              here.parent_path() / "seed"}) {
        if (isFolder(p / "Controls")) return (p / "Controls").string();
    }
    return {};
}

bool loadLogo(const std::string& pictureFolder, Logo& out) {
    Bytes file;
    if (readWholeFile(joinPath(pictureFolder, pictureFileName(pict::Splash)), file, 1u << 20) != 0)
        return false;
    int width = 0, height = 0;
    for (const auto& s : kPictureSizes)
        if (s.number == pict::Splash) width = s.width, height = s.height;
    Surface indices;
    if (!decodePicture(std::span<const uint8_t>(file.data(), file.size()), width, height, indices))
        return false;
    // decodePicture has checked the headers; the colour table follows the info header.
    const size_t tableAt = bmp::kFileHeader + getLe32(file.data() + bmp::kOffInfoSize);
    uint32_t colours = getLe32(file.data() + bmp::kOffColoursUsed);
    if (colours == 0 || colours > 256) colours = 256;
    const size_t pixelsAt = getLe32(file.data() + bmp::kOffBits);
    if (tableAt > file.size() || tableAt + colours * 4 > std::min(file.size(), pixelsAt))
        return false;
    std::vector<uint32_t> argb(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t v = indices.row(y)[x];
            uint32_t c = 0xFF000000u;  // an index past the table is black
            if (v < colours) {
                const uint8_t* e = file.data() + tableAt + size_t(v) * 4;  // blue, green, red
                c |= uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
            }
            argb[size_t(y) * size_t(width) + size_t(x)] = c;
        }
    }
    out.width = width;
    out.height = height;
    out.argb = std::move(argb);
    return true;
}

void superviseEdition(ProcessWatch& watch, int graceMs) {
    const int edition = watch.child();
    if (edition <= 0) return;
    ProcessWake wake;
    do {
        wake = watch.wait(-1);
    } while (wake.kind == ProcessWake::Timeout);
    if (wake.kind == ProcessWake::ChildExited) return;
    if (wake.sender != edition) watch.signalChild(SIGTERM);
    // Further requests only repeat this one; the edition is already told.
    for (;;) {
        wake = watch.wait(graceMs);
        if (wake.kind == ProcessWake::ChildExited) return;
        if (wake.kind == ProcessWake::Timeout) break;
    }
    watch.signalChild(SIGKILL);
    for (int i = 0; i < 3 && watch.child() > 0; ++i)
        if (watch.wait(graceMs).kind == ProcessWake::ChildExited) return;
}

}  // namespace korel

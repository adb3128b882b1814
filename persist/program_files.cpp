// File kinds, names and file-error messages.
#include "persist/program_files.h"

#include "platform/files.h"

namespace korel {

const char* fileFolder(FileKind kind) {
    switch (kind) {
        case FileKind::Style:
        case FileKind::LastSession: return "Styles";
        case FileKind::GradientSet:
        case FileKind::FillSet:
        case FileKind::BrushSet:
        case FileKind::MovementSet: return "Settings";
        case FileKind::SongName:
        case FileKind::Songlist: return "Songlists";
        case FileKind::Rave: return "Raves";
    }
    return "";
}

const char* fileExtension(FileKind kind) {
    switch (kind) {
        case FileKind::Style:
        case FileKind::LastSession: return ".sty";
        case FileKind::GradientSet: return ".gst";
        case FileKind::FillSet: return ".fst";
        case FileKind::BrushSet: return ".bst";
        case FileKind::MovementSet: return ".mst";
        case FileKind::SongName:
        case FileKind::Songlist: return ".sls";
        case FileKind::Rave: return ".rav";
    }
    return "";
}

std::string makeFileName(const Services& services, FileKind kind, const std::string& name,
                         const std::string& raveFolder) {
    std::string folder = kind == FileKind::Rave && !raveFolder.empty()
                             ? raveFolder
                             : services.dataPath(fileFolder(kind));
    return joinPath(folder, name + fileExtension(kind));
}

std::string storedName(const std::string& typed) {
    std::string s = typed.substr(0, kMaxTypedName);
    for (char& c : s)
        if (c == ' ') c = '_';
    return s;
}

void reportFileError(Services& services, int code) {
    if (code == 0) return;
    if (code == kErrNoFile) {
        services.showAlert("Unable to find file!");
    } else {
        services.showAlert("Error " + std::to_string(code));
    }
}

}  // namespace korel

namespace korel {

bool writeProgramFile(Services& services, FileKind kind, const std::string& name,
                      const Bytes& content, const std::string& raveFolder) {
    std::string path = makeFileName(services, kind, name, raveFolder);
    std::string folder = path.substr(0, path.find_last_of('/'));
    int e = createFolders(folder);
    if (e != 0) {
        reportFileError(services, e);
        services.platform().beep();
        return false;
    }
    if (writeFileReplacing(path, content) != 0) {
        services.showAlert("File write error!");
        services.platform().beep();
        return false;
    }
    return true;
}

}  // namespace korel

// Reading and writing style files.
#include "persist/styles.h"

#include <algorithm>

#include "persist/program_files.h"
#include "platform/files.h"

namespace korel {

StyleRead decodeStyle(const Bytes& file, VisualState& out) {
    if (file.empty()) return StyleRead::Truncated;
    if (file[0] != 'S') return StyleRead::Invalid;
    if (file.size() < 4) return StyleRead::Truncated;
    const bool version1 = file[vs::Version] == 1;
    const size_t need = version1 ? vs::kVersion1Size : vs::kSize;
    if (file.size() < need) return StyleRead::Truncated;
    // A version-1 record is read into a default record, so the bytes it lacks are sensible.
    VisualState s = defaultVisualState();
    std::copy(file.begin(), file.begin() + long(need), s.bytes.begin());
    if (version1) upgradeVersion1(s);
    out = s;
    return StyleRead::Loaded;
}

StyleRead decodeRaveState(const Bytes& file, Edition edition, VisualState& out) {
    if (file.size() < 4) return file.empty() ? StyleRead::Invalid : StyleRead::Truncated;
    if (file[0] != 'r' && file[0] != 'R') return StyleRead::Invalid;
    const size_t identity = file[0] == 'R' ? 0 : (edition == Edition::CD ? 44 : 32);
    const bool version1 = file[2] == 1;
    const size_t body = (version1 ? vs::kVersion1Size : vs::kSize) - 4;
    if (file.size() < 4 + identity + body) return StyleRead::Truncated;
    VisualState s = defaultVisualState();
    s.set(vs::Tag, 'S');
    s.set(1, 0);
    s.set(vs::Version, file[2]);
    s.set(vs::NameWidth, 16);
    std::copy(file.begin() + long(4 + identity), file.begin() + long(4 + identity + body),
              s.bytes.begin() + 4);
    if (version1) upgradeVersion1(s);
    out = s;
    return StyleRead::Loaded;
}

VisualState styleToSave(const VisualState& captured, const std::string& name, bool manualMode) {
    VisualState s = captured;
    s.setName(vs::StyleName, name);
    if (manualMode)
        for (int k = 0; k < kTriggerKinds; ++k) s.set(vs::Thresholds + size_t(k), 0);
    return s;
}

VisualState keyboardStyleCopy(const VisualState& current) {
    VisualState s = current;
    for (int k = 0; k < kTriggerKinds; ++k) s.set(vs::BeatsPerTrigger + size_t(k), 0);
    return s;
}

bool writeStyle(Services& services, const VisualState& record, const std::string& name) {
    VisualState named = record;
    named.setName(vs::StyleName, name);
    return writeProgramFile(services, FileKind::Style, name,
                            Bytes(named.bytes.begin(), named.bytes.end()));
}

bool sameFill(const VisualState& before, const VisualState& after) {
    const int slot = before.get(vs::CurrentFill);
    if (slot != after.get(vs::CurrentFill) || slot < 1 || slot > kFillSlots) return false;
    const size_t name = VisualState::fillName(slot - 1);
    return before.name(name) == after.name(name);
}

bool readStyleByName(Services& services, const std::string& name, VisualState& out) {
    const bool lastSession = name == kLastSessionName;
    Bytes file;
    // The style listing takes ".STY" as well; such a file is loaded by the name it was listed by.
    const std::string path = listedFilePath(services.dataPath(fileFolder(FileKind::Style)), name,
                                            fileExtension(FileKind::Style));
    int e = readWholeFile(path, file, 1 << 16);
    if (e != 0) {
        out = defaultVisualState();
        return true;
    }
    StyleRead r = decodeStyle(file, out);
    if (r == StyleRead::Loaded) return true;
    if (lastSession) {
        out = defaultVisualState();
        return true;
    }
    services.showAlert(r == StyleRead::Truncated && !file.empty() && file[0] == 'S'
                           ? "End of file error!"
                           : "Not a valid style file!");
    return false;
}

}  // namespace korel

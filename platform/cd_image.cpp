// Disc images: the cue-sheet parser and the sector reader.
#include "platform/cd_image.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/cd_drive.h"
#include "platform/files.h"

namespace korel {

namespace {

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// Splits a line into words; a quoted word may hold spaces. False for an unclosed quote.
bool words(std::string_view line, std::vector<std::string>& out) {
    out.clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        if (line[i] == '"') {
            const size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos) return false;
            out.emplace_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
            out.emplace_back(line.substr(i, end - i));
            i = end;
        }
    }
    return true;
}

// "mm:ss:ff" as frames.
bool msf(const std::string& s, uint32_t& frames) {
    unsigned m = 0, sec = 0, f = 0;
    int used = 0;
    if (s.size() > 9 || std::sscanf(s.c_str(), "%3u:%2u:%2u%n", &m, &sec, &f, &used) != 3 ||
        used != int(s.size()) || !std::isdigit(static_cast<unsigned char>(s[0])) || sec >= 60 ||
        f >= kCdFramesPerSecond || m > 99)
        return false;
    frames = (m * 60 + sec) * kCdFramesPerSecond + f;
    return true;
}

bool number(const std::string& s, int lo, int hi, int& v) {
    if (s.empty() || s.size() > 3) return false;
    v = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        v = v * 10 + (c - '0');
    }
    return v >= lo && v <= hi;
}

// Builds the disc as the lines go by: file data is appended up to each INDEX 01.
struct Builder {
    CueSheet& sheet;
    std::string& reason;
    uint32_t total = 0;   // frames appended after the lead-in
    int file = -1;        // the current FILE
    uint64_t cursor = 0;  // sectors of the current file appended so far
    uint32_t pendingPostgap = 0;
    // The track being read: its INDEX 01 is still to come.
    bool open = false;
    bool audio = false;
    int number = 0;
    uint32_t pregap = 0;
    bool haveIndex0 = false;
    uint64_t index0 = 0;
    int index0File = -1;

    bool fail(size_t line, const std::string& why) {
        reason = "line " + std::to_string(line) + ": " + why;
        return false;
    }

    bool append(uint32_t frames, int f, uint64_t sector, size_t line) {
        if (frames == 0) return true;
        if (uint64_t(total) + frames + kCdLeadIn > kCdMaxFrames)
            return fail(line, "the image is longer than a disc can be");
        sheet.extents.push_back({kCdLeadIn + total, frames, f, sector});
        total += frames;
        return true;
    }

    // Appends the current file's data up to sector `to` (its end when `to` is past it).
    bool flushTo(uint64_t to, size_t line) {
        if (file < 0) return true;
        to = std::min(to, sheet.files[size_t(file)].sectors);
        if (to > cursor) {
            if (to - cursor > kCdMaxFrames)
                return fail(line, "the image is longer than a disc can be");
            if (!append(uint32_t(to - cursor), file, cursor, line)) return false;
            cursor = to;
        }
        return true;
    }

    bool postgap(size_t line) {
        const uint32_t gap = pendingPostgap;
        pendingPostgap = 0;
        return append(gap, -1, 0, line);
    }
};

}  // namespace

bool parseCueSheet(std::string_view text, const std::string& folder, const CueFileSize& sizeOf,
                   CueSheet& sheet, std::string& reason) {
    sheet = CueSheet{};
    if (text.size() > kMaxCueBytes) {
        reason = "the cue sheet is too large to be one";
        return false;
    }
    // A byte-order mark is allowed at the start.
    if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) text.remove_prefix(3);
    Builder b{sheet, reason};
    std::vector<std::string> w;
    size_t lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        // Lines end in LF, CR LF or a lone CR.
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++pos;
        ++lineNo;
        if (line.find('\0') != std::string_view::npos)
            return b.fail(lineNo, "not a cue sheet (binary data)");
        if (!words(line, w)) return b.fail(lineNo, "a quote is not closed");
        if (w.empty()) continue;
        const std::string cmd = upper(w[0]);
        if (cmd == "FILE") {
            if (w.size() != 3) return b.fail(lineNo, "FILE needs a name and a type");
            if (upper(w[2]) != "BINARY")
                return b.fail(lineNo, "only BINARY files can be read (not " + w[2] + ")");
            if (w[1].empty()) return b.fail(lineNo, "FILE has no name");
            if (int(sheet.files.size()) >= kMaxCueFiles) return b.fail(lineNo, "too many files");
            if (b.open)
                return b.fail(lineNo, "track " + std::to_string(b.number) + " has no INDEX 01");
            // The rest of the previous file belongs to the last track.
            if (!b.flushTo(UINT64_MAX, lineNo) || !b.postgap(lineNo)) return false;
            const std::string path =
                w[1][0] == '/' || folder.empty() ? w[1] : joinPath(folder, w[1]);
            uint64_t bytes = 0;
            std::string why;
            if (!sizeOf(path, bytes, why)) return b.fail(lineNo, w[1] + ": " + why);
            sheet.files.push_back({path, bytes / kCdSectorBytes});
            b.file = int(sheet.files.size()) - 1;
            b.cursor = 0;
        } else if (cmd == "TRACK") {
            if (w.size() != 3) return b.fail(lineNo, "TRACK needs a number and a mode");
            if (b.file < 0) return b.fail(lineNo, "TRACK before any FILE");
            if (b.open)
                return b.fail(lineNo, "track " + std::to_string(b.number) + " has no INDEX 01");
            int n = 0;
            if (!number(w[1], 1, kMaxCdTracks, n))
                return b.fail(lineNo, "bad track number " + w[1]);
            if (int(sheet.tracks.size()) >= kMaxCdTracks)
                return b.fail(lineNo, "more than 99 tracks");
            const int expected = sheet.tracks.empty() ? 1 : sheet.tracks.back().number + 1;
            if (n != expected)
                return b.fail(lineNo, "track " + w[1] + " out of order (expected " +
                                          std::to_string(expected) + ")");
            const std::string mode = upper(w[2]);
            if (mode != "AUDIO" && mode != "MODE1/2352" && mode != "MODE2/2352")
                return b.fail(lineNo,
                              "track mode " + w[2] + " cannot be read (2352-byte sectors only)");
            b.open = true;
            b.audio = mode == "AUDIO";
            b.number = n;
            b.pregap = 0;
            b.haveIndex0 = false;
        } else if (cmd == "INDEX") {
            if (w.size() != 3) return b.fail(lineNo, "INDEX needs a number and a time");
            int idx = 0;
            uint32_t at = 0;
            if (!number(w[1], 0, 99, idx)) return b.fail(lineNo, "bad index number " + w[1]);
            if (!msf(w[2], at)) return b.fail(lineNo, "bad time " + w[2] + " (mm:ss:ff)");
            if (sheet.tracks.empty() && !b.open) return b.fail(lineNo, "INDEX before any TRACK");
            if (!b.open) continue;  // later indexes of a started track mark nothing a drive reports
            if (idx == 0) {
                if (b.haveIndex0) return b.fail(lineNo, "a second INDEX 00");
                if (at < b.cursor) return b.fail(lineNo, "INDEX 00 lies before the previous track");
                b.haveIndex0 = true;
                b.index0 = at;
                b.index0File = b.file;
                continue;
            }
            if (idx != 1) return b.fail(lineNo, "INDEX " + w[1] + " before INDEX 01");
            if (b.haveIndex0 && b.index0File == b.file && b.index0 > at)
                return b.fail(lineNo, "INDEX 01 lies before INDEX 00");
            const CueSheet::File& f = sheet.files[size_t(b.file)];
            if (at >= f.sectors)
                return b.fail(lineNo, "track " + std::to_string(b.number) +
                                          " starts beyond the end of its file (cut short?)");
            const bool sameFile = !sheet.tracks.empty() && sheet.tracks.back().file == b.file;
            if (at < b.cursor ||
                (sameFile && at == b.cursor && b.pregap == 0 && b.pendingPostgap == 0))
                return b.fail(lineNo, "track " + std::to_string(b.number) +
                                          " does not start after the previous one");
            if (!b.flushTo(at, lineNo) || !b.postgap(lineNo) || !b.append(b.pregap, -1, 0, lineNo))
                return false;
            CdImageTrack t;
            t.number = b.number;
            t.start = kCdLeadIn + b.total;
            t.audio = b.audio;
            t.file = b.file;
            t.offset = at * uint64_t(kCdSectorBytes);
            sheet.tracks.push_back(t);
            b.open = false;
        } else if (cmd == "PREGAP" || cmd == "POSTGAP") {
            uint32_t gap = 0;
            if (w.size() != 2 || !msf(w[1], gap))
                return b.fail(lineNo, cmd + " needs a time (mm:ss:ff)");
            if (cmd == "PREGAP") {
                if (!b.open) return b.fail(lineNo, "PREGAP outside a track's start");
                b.pregap = gap;
            } else {
                if (sheet.tracks.empty() || b.open)
                    return b.fail(lineNo, "POSTGAP before the track's INDEX 01");
                b.pendingPostgap = gap;
            }
        }
        // Everything else describes the disc without changing its layout.
    }
    if (b.open) return b.fail(lineNo, "track " + std::to_string(b.number) + " has no INDEX 01");
    if (sheet.tracks.empty()) {
        reason = sheet.files.empty() ? "not a cue sheet (no FILE and no TRACK)"
                                     : "the cue sheet has no tracks";
        return false;
    }
    if (!b.flushTo(UINT64_MAX, lineNo) || !b.postgap(lineNo)) return false;
    sheet.leadOut = kCdLeadIn + b.total;
    for (size_t i = 0; i < sheet.tracks.size(); ++i) {
        const uint32_t next =
            i + 1 < sheet.tracks.size() ? sheet.tracks[i + 1].start : sheet.leadOut;
        sheet.tracks[i].length = next - sheet.tracks[i].start;
        if (sheet.tracks[i].length == 0) {
            reason = "track " + std::to_string(sheet.tracks[i].number) + " is empty";
            return false;
        }
    }
    return true;
}

CdImage::~CdImage() {
    if (handle_) std::fclose(handle_);
}

bool CdImage::open(const std::string& cuePath, std::string& reason) {
    if (handle_) std::fclose(handle_);
    handle_ = nullptr;
    openFile_ = -1;
    sheet_ = CueSheet{};
    path_ = cuePath;
    Bytes text;
    const int rc = readWholeFile(cuePath, text, kMaxCueBytes + 1);
    if (rc != 0) {
        reason = rc == kErrNoFile ? "no such disc image"
                 : rc == EFBIG    ? "the cue sheet is too large to be one"
                               : "the cue sheet cannot be read (error " + std::to_string(rc) + ")";
        return false;
    }
    const size_t slash = cuePath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : cuePath.substr(0, slash);
    auto sizeOf = [](const std::string& path, uint64_t& bytes, std::string& why) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            why = "the file is missing";
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            why = "not a file";
            return false;
        }
        bytes = uint64_t(st.st_size);
        return true;
    };
    std::string_view view(reinterpret_cast<const char*>(text.data()), text.size());
    if (!parseCueSheet(view, folder, sizeOf, sheet_, reason)) {
        sheet_ = CueSheet{};
        return false;
    }
    return true;
}

bool CdImage::readFile(int file, uint64_t sector, uint32_t count, uint8_t* out,
                       std::string& reason) {
    const CueSheet::File& f = sheet_.files[size_t(file)];
    if (file != openFile_) {
        if (handle_) std::fclose(handle_);
        handle_ = std::fopen(f.path.c_str(), "rb");
        openFile_ = handle_ ? file : -1;
        if (!handle_) {
            reason = "cannot open " + f.path;
            return false;
        }
    }
    const size_t bytes = size_t(count) * kCdSectorBytes;
    if (fseeko(handle_, off_t(sector * kCdSectorBytes), SEEK_SET) != 0) {
        std::memset(out, 0, bytes);
        reason = "cannot seek in " + f.path;
        return false;
    }
    const size_t got = std::fread(out, 1, bytes, handle_);
    if (got < bytes) {
        std::memset(out + got, 0, bytes - got);
        std::clearerr(handle_);
        reason = f.path + " is shorter than when the disc was opened";
        return false;
    }
    return true;
}

bool CdImage::readSectors(uint32_t frame, uint32_t count, uint8_t* out, std::string& reason) {
    if (!isOpen()) {
        reason = "no disc";
        return false;
    }
    if (frame < kCdLeadIn || frame > sheet_.leadOut || count > sheet_.leadOut - frame) {
        reason = "beyond the end of the disc";
        return false;
    }
    const auto& ext = sheet_.extents;
    // The extent holding `frame`: the last one starting at or before it.
    auto it = std::upper_bound(ext.begin(), ext.end(), frame,
                               [](uint32_t f, const CueSheet::Extent& e) { return f < e.start; });
    bool ok = true;
    while (count > 0 && it != ext.begin()) {
        const CueSheet::Extent& e = *(it - 1);
        const uint32_t into = frame - e.start;
        const uint32_t n = std::min(count, e.frames - into);
        if (e.file < 0) {
            std::memset(out, 0, size_t(n) * kCdSectorBytes);
        } else if (!readFile(e.file, e.sector + into, n, out, reason)) {
            ok = false;
        }
        out += size_t(n) * kCdSectorBytes;
        frame += n;
        count -= n;
        if (it == ext.end()) break;
        ++it;
    }
    return ok && count == 0;
}

}  // namespace korel

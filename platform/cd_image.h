// Disc images: a cue sheet with its raw 2352-byte-sector bin files, read as a drive would read
// the disc (positions in frames, track 1 of a pressed disc at 150).
//
// Sheets with one or several `FILE "x.bin" BINARY` lines (paths relative to the sheet), tracks
// `AUDIO`, `MODE1/2352` or `MODE2/2352`, `INDEX 00`/`INDEX 01`, `PREGAP` and `POSTGAP` (silence
// that is not in the files). A track starts at its INDEX 01; what lies before it (an INDEX 00
// part or a PREGAP) belongs to the length of the track before, as a drive's table has it.
// Other commands (TITLE, PERFORMER, REM, FLAGS, ...) are ignored.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cd_drive.h"

namespace korel {

constexpr uint32_t kCdSectorBytes = 2352;         // one frame of 16-bit stereo 44100 Hz audio
constexpr uint32_t kCdSamplesPerFrame = 588;      // stereo sample pairs in a sector
constexpr uint32_t kCdMaxFrames = 100 * 60 * 75;  // what a disc image may hold, lead-in included
constexpr size_t kMaxCueBytes = 256 * 1024;
constexpr int kMaxCueFiles = 99;

struct CdImageTrack {
    int number = 0;       // as the sheet numbers it (1..99, in order)
    uint32_t start = 0;   // position of INDEX 01, lead-in included
    uint32_t length = 0;  // frames up to the next track's start (or the lead-out)
    bool audio = false;
    int file = 0;         // index into CdImage::files
    uint64_t offset = 0;  // byte offset of the track's first sector in its file
};

// What the sheet says, with every position worked out; reading needs the files.
struct CueSheet {
    struct File {
        std::string path;      // as resolved against the sheet's folder
        uint64_t sectors = 0;  // whole sectors in it (a trailing part sector is not read)
    };
    // A stretch of the disc: file data, or silence (file < 0).
    struct Extent {
        uint32_t start = 0;  // position, lead-in included
        uint32_t frames = 0;
        int file = -1;
        uint64_t sector = 0;  // first sector in the file
    };
    std::vector<File> files;
    std::vector<CdImageTrack> tracks;
    std::vector<Extent> extents;  // in order, covering kCdLeadIn up to the lead-out
    uint32_t leadOut = 0;
};

// The size in bytes of a file named in the sheet (the name as resolved); false when it cannot
// be opened, with the reason.
using CueFileSize = std::function<bool(const std::string& path, uint64_t& bytes, std::string& why)>;

// Parses sheet text. `folder` is where relative file names are looked up ("" for none). False
// with a one-line reason naming the line for anything a drive could not play.
bool parseCueSheet(std::string_view text, const std::string& folder, const CueFileSize& sizeOf,
                   CueSheet& sheet, std::string& reason);

// An opened image. Reading is on the caller's thread; one reader per thread.
class CdImage {
  public:
    CdImage() = default;
    ~CdImage();
    CdImage(const CdImage&) = delete;
    CdImage& operator=(const CdImage&) = delete;

    // Reads the sheet at `cuePath` and checks its files. False with the reason (the image is
    // then empty).
    bool open(const std::string& cuePath, std::string& reason);
    bool isOpen() const { return !sheet_.tracks.empty(); }
    const std::string& path() const { return path_; }

    const std::vector<CdImageTrack>& tracks() const { return sheet_.tracks; }
    uint32_t leadOut() const { return sheet_.leadOut; }
    const CueSheet& sheet() const { return sheet_; }

    // Reads `count` raw sectors from position `frame` into `out` (count × 2352 bytes): 16-bit
    // little-endian stereo for audio; zeros for silence. False, with the reason, outside the
    // disc or when a file cannot be read (a file cut short since it was opened reads as zeros
    // past its end and fails).
    bool readSectors(uint32_t frame, uint32_t count, uint8_t* out, std::string& reason);

  private:
    bool readFile(int file, uint64_t sector, uint32_t count, uint8_t* out, std::string& reason);

    std::string path_;
    CueSheet sheet_;
    int openFile_ = -1;
    std::FILE* handle_ = nullptr;
};

}  // namespace korel

// The desktop CD drives on libcdio, libcdio-paranoia and a PulseAudio stream.
#include "platform/cdio/cdio_drive.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/bytes.h"
#include "platform/files.h"
#include "platform/pulse/pulse_pcm_output.h"

namespace korel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kBlockSectors = 15;  // a fifth of a second per write
constexpr auto kIdle = std::chrono::milliseconds(5);

bool isCuePath(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".cue";
}

// The table of an open libcdio handle. libcdio's LBA already counts the lead-in.
bool tableOf(CdIo_t* cdio, std::vector<CdImageTrack>& tracks, uint32_t& leadOut,
             std::string& reason) {
    tracks.clear();
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        reason = "no disc, or its table cannot be read";
        return false;
    }
    if (count > kMaxCdTracks) {
        reason = "the disc's table holds more than 99 tracks";
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const track_t t = track_t(first + i);
        const lba_t lba = cdio_get_track_lba(cdio, t);
        if (lba == CDIO_INVALID_LBA || lba < 0) {
            reason = "track " + std::to_string(t) + " cannot be found";
            return false;
        }
        CdImageTrack row;
        row.number = t;
        row.start = uint32_t(lba);
        row.audio = cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO;
        tracks.push_back(row);
    }
    const lba_t out = cdio_get_track_lba(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (out == CDIO_INVALID_LBA || out <= lba_t(tracks.back().start)) {
        reason = "the disc's lead-out cannot be read";
        return false;
    }
    leadOut = uint32_t(out);
    for (size_t i = 0; i < tracks.size(); ++i) {
        const uint32_t next = i + 1 < tracks.size() ? tracks[i + 1].start : leadOut;
        if (next <= tracks[i].start) {
            reason = "the disc's table is out of order";
            return false;
        }
        tracks[i].length = next - tracks[i].start;
    }
    return true;
}

// libcdio tells of everything on stderr unless told otherwise.
void quietLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_loglevel_default = CDIO_LOG_ERROR; });
}

}  // namespace

bool readCdioTable(const std::string& path, bool image, std::vector<CdImageTrack>& tracks,
                   uint32_t& leadOut, std::string& reason) {
    quietLibrary();
    CdIo_t* cdio = cdio_open(path.c_str(), image ? DRIVER_BINCUE : DRIVER_DEVICE);
    if (!cdio) {
        reason = image ? "the disc image cannot be read" : "the drive cannot be opened";
        return false;
    }
    const bool ok = tableOf(cdio, tracks, leadOut, reason);
    cdio_destroy(cdio);
    return ok;
}

std::vector<CdDriveInfo> CdioCdSystem::drives(const std::string& imageFolder) {
    quietLibrary();
    std::vector<CdDriveInfo> out;
    if (char** devices = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** d = devices; *d && out.size() < size_t(kMaxCdDrives); ++d) {
            CdDriveInfo info;
            info.path = *d;
            info.name = *d;
            if (CdIo_t* cdio = cdio_open(*d, DRIVER_DEVICE)) {
                cdio_hwinfo_t hw{};
                if (cdio_get_hwinfo(cdio, &hw)) {
                    std::string name = std::string(hw.psz_vendor) + " " + hw.psz_model;
                    name.erase(std::unique(name.begin(), name.end(),
                                           [](char a, char b) { return a == ' ' && b == ' '; }),
                               name.end());
                    while (!name.empty() && name.back() == ' ') name.pop_back();
                    if (name.size() > 1) info.name = name;
                }
                const track_t n = cdio_get_num_tracks(cdio);
                info.mediaPresent = n != CDIO_INVALID_TRACK && n > 0;
                cdio_destroy(cdio);
            }
            out.push_back(info);
        }
        cdio_free_device_list(devices);
    }
    std::vector<std::string> names;
    if (imageFolder.empty() || listFolder(imageFolder, ".cue", names) != 0) return out;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (out.size() >= size_t(kMaxCdDrives)) break;
        out.push_back({joinPath(imageFolder, name), name.substr(0, name.size() - 4), true, true});
    }
    return out;
}

std::unique_ptr<CdDrive> CdioCdSystem::open(const std::string& path, std::string& reason) {
    auto drive = std::make_unique<CdioCdDrive>();
    if (!drive->openPath(path, reason)) return nullptr;
    return drive;
}

struct CdioCdDrive::Impl {
    std::string path;
    bool isImage = false;

    // discMutex guards the disc, its readers and the streaming position; the streaming thread
    // reads under it, the program thread changes them under it.
    std::mutex discMutex;
    CdImage image;
    CdIo_t* cdio = nullptr;
    cdrom_drive_t* cdda = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    int32_t paranoiaAt = -1;  // the sector paranoia reads next
    bool present = false;
    std::vector<CdImageTrack> tracks;
    uint32_t leadOut = 0, audioEnd = kCdLeadIn;
    uint32_t readFrame = kCdLeadIn;  // the next frame the thread writes
    std::atomic<bool> streaming{false};
    std::atomic<bool> ended{false};      // every frame up to the end of the audio was written
    std::atomic<bool> triggered{false};  // the stream was told to play out what it holds
    uint64_t seq = 0;                    // bumped by every seek and flush

    PulsePcmOutput out;
    bool outOk = false;
    std::thread streamer;
    std::atomic<bool> quit{false};

    // The program thread's own.
    bool isPlaying = false;
    uint32_t held = kCdLeadIn;     // the position while not playing; where the clock starts
    uint32_t outBase = kCdLeadIn;  // the frame the output's first frame since the flush holds
    Clock::time_point clockStart{};

    ~Impl() {
        quit = true;
        if (streamer.joinable()) streamer.join();
        out.close();
        closeDevice();
    }

    void closeDevice() {
        if (paranoia) cdio_paranoia_free(paranoia);
        paranoia = nullptr;
        if (cdda) cdio_cddap_close_no_free_cdio(cdda);
        cdda = nullptr;
        if (cdio) cdio_destroy(cdio);
        cdio = nullptr;
        paranoiaAt = -1;
    }

    void setTable() {
        audioEnd = kCdLeadIn;
        for (const CdImageTrack& t : tracks)
            if (t.audio) audioEnd = std::max(audioEnd, t.start + t.length);
    }

    void forgetDisc() {
        present = false;
        tracks.clear();
        leadOut = 0;
        audioEnd = kCdLeadIn;
        isPlaying = false;
        held = outBase = readFrame = kCdLeadIn;
        streaming = false;
    }

    // With discMutex held: follows a device's disc coming and going.
    void refreshDevice() {
        if (isImage) return;
        if (!cdio) cdio = cdio_open(path.c_str(), DRIVER_DEVICE);
        if (!cdio) {
            forgetDisc();
            return;
        }
        const track_t n = cdio_get_num_tracks(cdio);
        const bool now = n != CDIO_INVALID_TRACK && n > 0;
        const bool changed = cdio_get_media_changed(cdio) == 1;
        if (!now) {
            if (present) forgetDisc();
            return;
        }
        if (present && !changed) return;
        std::string reason;
        forgetDisc();
        if (paranoia) cdio_paranoia_free(paranoia);
        if (cdda) cdio_cddap_close_no_free_cdio(cdda);
        paranoia = nullptr;
        cdda = nullptr;
        paranoiaAt = -1;
        if (!tableOf(cdio, tracks, leadOut, reason)) {
            tracks.clear();
            return;
        }
        present = true;
        setTable();
        char* message = nullptr;
        cdda = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, &message);
        if (message) cdio_cddap_free_messages(message);
        if (cdda && cdio_cddap_open(cdda) == 0) {
            paranoia = cdio_paranoia_init(cdda);
            if (paranoia)
                cdio_paranoia_modeset(paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
        }
    }

    bool audioAt(uint32_t frame) const {
        for (const CdImageTrack& t : tracks)
            if (frame >= t.start && frame - t.start < t.length) return t.audio;
        return false;
    }

    // With discMutex held: `count` frames from `frame` as native 16-bit stereo; data sectors and
    // sectors that cannot be read are silence. Paranoia reads on from where it was.
    void readAudio(uint32_t frame, uint32_t count, int16_t* samples) {
        std::vector<uint8_t> raw(size_t(count) * kCdSectorBytes, 0);
        std::string reason;
        if (isImage) {
            image.readSectors(frame, count, raw.data(), reason);
        } else if (paranoia) {
            const int32_t lsn = int32_t(frame - kCdLeadIn);
            if (paranoiaAt != lsn) cdio_paranoia_seek(paranoia, lsn, SEEK_SET);
            for (uint32_t i = 0; i < count; ++i) {
                const int16_t* s = cdio_paranoia_read(paranoia, nullptr);
                if (!s) break;
                // paranoia hands out native samples; store them little-endian like the rest.
                for (uint32_t k = 0; k < kCdSamplesPerFrame * 2; ++k)
                    putLe16(raw.data() + i * kCdSectorBytes + k * 2, uint16_t(s[k]));
            }
            paranoiaAt = lsn + int32_t(count);
        } else if (cdio) {
            cdio_read_audio_sectors(cdio, raw.data(), lsn_t(frame - kCdLeadIn), count);
        }
        for (uint32_t f = 0; f < count; ++f) {
            const bool audio = audioAt(frame + f);
            const uint8_t* p = raw.data() + size_t(f) * kCdSectorBytes;
            int16_t* s = samples + size_t(f) * kCdSamplesPerFrame * 2;
            for (uint32_t k = 0; k < kCdSamplesPerFrame * 2; ++k)
                s[k] = audio ? int16_t(getLe16(p + k * 2)) : 0;
        }
    }

    void stream() {
        std::vector<int16_t> block(size_t(kBlockSectors) * kCdSamplesPerFrame * 2);
        while (!quit) {
            if (!streaming || !outOk) {
                std::this_thread::sleep_for(kIdle);
                continue;
            }
            const size_t room = out.writableFrames() / kCdSamplesPerFrame;
            const uint32_t want = uint32_t(std::min<size_t>(room, kBlockSectors));
            uint32_t n = 0;
            uint64_t mySeq = 0;
            // One sector at a time under the lock: a drive that reads slowly never holds up a
            // seek or a look at the disc for longer than one sector.
            while (n < want && !quit) {
                std::lock_guard lock(discMutex);
                if (n == 0) mySeq = seq;
                if (seq != mySeq || !streaming) break;
                if (readFrame >= audioEnd) {
                    ended = true;
                    break;
                }
                readAudio(readFrame, 1, block.data() + size_t(n) * kCdSamplesPerFrame * 2);
                ++readFrame;
                ++n;
            }
            if (n == 0) {
                // What is left may be less than the stream's start-up buffer: play it anyway.
                if (ended && !triggered.exchange(true)) out.trigger();
                std::this_thread::sleep_for(kIdle);
                continue;
            }
            std::lock_guard lock(discMutex);
            if (seq == mySeq && streaming) out.write(block.data(), size_t(n) * kCdSamplesPerFrame);
        }
    }

    // The frame heard now while playing.
    uint32_t playingPosition() {
        double heard = 0;
        uint32_t at;
        if (outOk && out.heardFrames(heard)) {
            at = std::max(held, outBase + uint32_t(heard / kCdSamplesPerFrame));
        } else {
            const double s = std::chrono::duration<double>(Clock::now() - clockStart).count();
            at = held + uint32_t(s * kCdFramesPerSecond);
        }
        return std::min(at, audioEnd);
    }

    // Drops what the output holds; the next frame written is `frame`.
    void restartAt(uint32_t frame) {
        std::lock_guard lock(discMutex);
        ++seq;
        streaming = false;
        ended = triggered = false;
        readFrame = outBase = frame;
        if (outOk) {
            out.cork(true);
            out.flush();
        }
    }

    void follow() {
        if (isPlaying && playingPosition() >= audioEnd) {
            held = audioEnd;
            isPlaying = false;
            restartAt(audioEnd);
        }
    }
};

CdioCdDrive::CdioCdDrive() : impl_(std::make_unique<Impl>()) {}
CdioCdDrive::~CdioCdDrive() = default;

bool CdioCdDrive::openPath(const std::string& path, std::string& reason) {
    quietLibrary();
    Impl& d = *impl_;
    d.path = path;
    d.isImage = isCuePath(path);
    {
        std::lock_guard lock(d.discMutex);
        if (d.isImage) {
            if (!d.image.open(path, reason)) return false;
            d.tracks = d.image.tracks();
            d.leadOut = d.image.leadOut();
            d.present = true;
            d.setTable();
        } else {
            d.cdio = cdio_open(path.c_str(), DRIVER_DEVICE);
            if (!d.cdio) {
                reason = fileExists(path) ? "the drive cannot be opened (busy, or not a CD drive)"
                                          : "no such drive";
                return false;
            }
            d.refreshDevice();
        }
    }
    std::string why;
    d.outOk = d.out.open("CD Audio", 44100, 2, why);
    d.streamer = std::thread([&d] { d.stream(); });
    return true;
}

bool CdioCdDrive::audible() {
    return impl_->outOk && impl_->out.ready();
}

const std::string& CdioCdDrive::path() const {
    return impl_->path;
}

bool CdioCdDrive::mediaPresent() {
    Impl& d = *impl_;
    bool was, now;
    {
        std::lock_guard lock(d.discMutex);
        was = d.present;
        d.refreshDevice();
        now = d.present;
    }
    if (was && !now) d.restartAt(kCdLeadIn);
    return now;
}

int CdioCdDrive::trackCount() {
    return mediaPresent() ? int(impl_->tracks.size()) : 0;
}

bool CdioCdDrive::trackStart(int track, uint32_t& frames) {
    if (track < 1 || track > trackCount()) return false;
    frames = impl_->tracks[size_t(track - 1)].start;
    return true;
}

bool CdioCdDrive::trackLength(int track, uint32_t& frames) {
    if (track < 1 || track > trackCount()) return false;
    frames = impl_->tracks[size_t(track - 1)].length;
    return true;
}

bool CdioCdDrive::trackIsAudio(int track) {
    if (track < 1 || track > trackCount()) return false;
    return impl_->tracks[size_t(track - 1)].audio;
}

bool CdioCdDrive::position(uint32_t& frames) {
    Impl& d = *impl_;
    if (!d.present) return false;
    d.follow();
    frames = d.isPlaying ? d.playingPosition() : d.held;
    return true;
}

bool CdioCdDrive::seek(uint32_t frames) {
    Impl& d = *impl_;
    if (!d.present || frames < kCdLeadIn || frames > d.leadOut) return false;
    d.isPlaying = false;
    d.held = frames;
    d.restartAt(frames);
    return true;
}

bool CdioCdDrive::play() {
    Impl& d = *impl_;
    if (!d.present) return false;
    d.follow();
    if (d.isPlaying) return true;
    if (d.held >= d.audioEnd) return false;
    d.isPlaying = true;
    d.clockStart = Clock::now();
    d.streaming = true;
    if (d.outOk) d.out.cork(false);
    return true;
}

bool CdioCdDrive::pause() {
    Impl& d = *impl_;
    if (!d.present) return false;
    d.follow();
    if (!d.isPlaying) return true;
    d.held = d.playingPosition();
    d.isPlaying = false;
    // What is buffered stays in the corked stream and is heard first on resuming.
    if (d.outOk) d.out.cork(true);
    d.clockStart = Clock::now();
    return true;
}

bool CdioCdDrive::stop() {
    Impl& d = *impl_;
    if (!d.present) return false;
    d.follow();
    if (d.isPlaying) d.held = d.playingPosition();
    d.isPlaying = false;
    d.restartAt(d.held);
    return true;
}

bool CdioCdDrive::playing() {
    Impl& d = *impl_;
    d.follow();
    return d.isPlaying;
}

bool CdioCdDrive::openDoor() {
    Impl& d = *impl_;
    d.restartAt(kCdLeadIn);
    std::lock_guard lock(d.discMutex);
    d.forgetDisc();
    if (d.isImage) return true;
    if (d.paranoia) cdio_paranoia_free(d.paranoia);
    d.paranoia = nullptr;
    if (d.cdda) cdio_cddap_close_no_free_cdio(d.cdda);
    d.cdda = nullptr;
    // libcdio frees the handle it ejected through; the next look opens the device again.
    const bool ok = d.cdio && cdio_eject_media(&d.cdio) == DRIVER_OP_SUCCESS;
    if (d.cdio) cdio_destroy(d.cdio);
    d.cdio = nullptr;
    return ok;
}

}  // namespace korel

// Headless CD drives on the virtual clock.
#include "platform/headless/headless_cd.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/bytes.h"
#include "platform/files.h"

namespace korel {

namespace {

constexpr uint32_t kHeardPerFrame = kCaptureRate / kCdFramesPerSecond;  // 147
static_assert(kHeardPerFrame * kCdFramesPerSecond == kCaptureRate);
// The disc is converted to the capture's rate in blocks of ten seconds, a few kept at a time,
// so a long track costs neither a long pause nor its whole length in memory.
constexpr uint32_t kHeardBlockFrames = 10 * kCdFramesPerSecond;
constexpr uint32_t kHeardMargin = 8;  // frames converted beyond each edge of a block
constexpr size_t kHeardBlocksKept = 8;

bool isCuePath(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".cue";
}

// Raw disc audio wrapped as a WAV file in memory, for the capture's converter.
Bytes wavOf(const std::vector<uint8_t>& pcm) {
    Bytes wav(44 + pcm.size());
    uint8_t* p = wav.data();
    std::memcpy(p, "RIFF", 4);
    putLe32(p + 4, uint32_t(36 + pcm.size()));
    std::memcpy(p + 8, "WAVEfmt ", 8);
    putLe32(p + 16, 16);
    putLe16(p + 20, 1);  // PCM
    putLe16(p + 22, 2);
    putLe32(p + 24, 44100);
    putLe32(p + 28, 44100 * 4);
    putLe16(p + 32, 4);
    putLe16(p + 34, 16);
    std::memcpy(p + 36, "data", 4);
    putLe32(p + 40, uint32_t(pcm.size()));
    std::memcpy(p + 44, pcm.data(), pcm.size());
    return wav;
}

}  // namespace

void HeadlessCdSystem::addDrive(const std::string& path, const std::string& name) {
    auto s = std::make_shared<Slot>();
    s->path = path;
    s->name = name;
    slots_[path] = s;
    if (std::find(devices_.begin(), devices_.end(), path) == devices_.end())
        devices_.push_back(path);
}

HeadlessCdSystem::Slot* HeadlessCdSystem::slot(const std::string& path) {
    auto it = slots_.find(path);
    return it == slots_.end() ? nullptr : it->second.get();
}

bool HeadlessCdSystem::insert(const std::string& drivePath, const std::string& cuePath,
                              std::string& reason) {
    // What a playing drive was due to be heard before the disc changed.
    if (sound) sound->pump();
    Slot* s = slot(drivePath);
    if (!s) {
        if (!isCuePath(drivePath)) {
            reason = "no such drive";
            return false;
        }
        auto made = std::make_shared<Slot>();
        made->path = drivePath;
        made->image = true;
        slots_[drivePath] = made;
        s = made.get();
    }
    auto disc = std::make_shared<CdImage>();
    const bool ok = disc->open(cuePath, reason);
    s->disc = ok ? disc : nullptr;
    ++s->changes;
    return ok;
}

void HeadlessCdSystem::eject(const std::string& drivePath) {
    if (Slot* s = slot(drivePath)) {
        if (sound) sound->pump();
        s->disc.reset();
        ++s->changes;
    }
}

std::vector<CdDriveInfo> HeadlessCdSystem::drives(const std::string& imageFolder) {
    ++calls.drives;
    std::vector<CdDriveInfo> out;
    for (const std::string& path : devices_) {
        if (out.size() >= size_t(kMaxCdDrives)) return out;
        const Slot& s = *slots_[path];
        out.push_back({s.path, s.name, s.disc != nullptr, false});
    }
    std::vector<std::string> names;
    if (imageFolder.empty() || listFolder(imageFolder, ".cue", names) != 0) return out;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (out.size() >= size_t(kMaxCdDrives)) break;
        const std::string path = joinPath(imageFolder, name);
        const Slot* s = slot(path);
        out.push_back({path, name.substr(0, name.size() - 4), s ? s->disc != nullptr : true, true});
    }
    return out;
}

std::unique_ptr<CdDrive> HeadlessCdSystem::open(const std::string& path, std::string& reason) {
    ++calls.open;
    if (auto f = failures_.find(path); f != failures_.end()) {
        reason = f->second;
        return nullptr;
    }
    auto it = slots_.find(path);
    if (it == slots_.end()) {
        if (!isCuePath(path)) {
            reason = "no such drive";
            return nullptr;
        }
        if (!insert(path, path, reason)) {
            slots_.erase(path);
            return nullptr;
        }
        it = slots_.find(path);
    }
    return std::make_unique<HeadlessCdDrive>(*this, it->second);
}

HeadlessCdDrive::HeadlessCdDrive(HeadlessCdSystem& system,
                                 std::shared_ptr<HeadlessCdSystem::Slot> slot)
    : system_(system), slot_(std::move(slot)) {
    seen_ = slot_->changes - 1;  // the first look takes the disc in
    update();
}

HeadlessCdDrive::~HeadlessCdDrive() {
    if (system_.sound && system_.sound->captureFeed() == this) {
        system_.sound->pump();
        system_.sound->setCaptureFeed(nullptr);
    }
}

void HeadlessCdDrive::pumpSound() {
    if (system_.sound) system_.sound->pump();
}

uint32_t HeadlessCdDrive::positionAt(uint32_t tick) const {
    if (!playing_) return held_;
    const uint64_t moved = uint64_t(uint32_t(tick - startTick_)) * kCdFramesPerSecond / 1000;
    return uint32_t(std::min<uint64_t>(held_ + moved, end_));
}

void HeadlessCdDrive::update() {
    if (seen_ != slot_->changes) {
        // Another disc (or none): what was playing is gone.
        pumpSound();
        seen_ = slot_->changes;
        disc_ = slot_->disc;
        converted_.clear();
        playing_ = false;
        held_ = kCdLeadIn;
        end_ = kCdLeadIn;
        if (disc_)
            for (const CdImageTrack& t : disc_->tracks())
                if (t.audio) end_ = std::max(end_, t.start + t.length);
    }
    if (playing_ && positionAt(system_.platform_.tickCount()) >= end_) {
        pumpSound();
        playing_ = false;
        held_ = end_;
    }
}

uint32_t HeadlessCdDrive::audioEnd() {
    update();
    return end_;
}

bool HeadlessCdDrive::mediaPresent() {
    update();
    return disc_ != nullptr;
}

int HeadlessCdDrive::trackCount() {
    update();
    return disc_ ? int(disc_->tracks().size()) : 0;
}

bool HeadlessCdDrive::trackStart(int track, uint32_t& frames) {
    if (track < 1 || track > trackCount()) return false;
    frames = disc_->tracks()[size_t(track - 1)].start;
    return true;
}

bool HeadlessCdDrive::trackLength(int track, uint32_t& frames) {
    if (track < 1 || track > trackCount()) return false;
    frames = disc_->tracks()[size_t(track - 1)].length;
    return true;
}

bool HeadlessCdDrive::trackIsAudio(int track) {
    if (track < 1 || track > trackCount()) return false;
    return disc_->tracks()[size_t(track - 1)].audio;
}

bool HeadlessCdDrive::position(uint32_t& frames) {
    update();
    if (!disc_) return false;
    frames = positionAt(system_.platform_.tickCount());
    return true;
}

bool HeadlessCdDrive::seek(uint32_t frames) {
    ++system_.calls.seek;
    update();
    if (!disc_ || frames < kCdLeadIn || frames > disc_->leadOut()) return false;
    pumpSound();
    playing_ = false;
    held_ = frames;
    return true;
}

bool HeadlessCdDrive::play() {
    ++system_.calls.play;
    update();
    if (!disc_) return false;
    if (playing_) return true;
    if (held_ >= end_) return false;  // nothing left to play
    pumpSound();
    playing_ = true;
    startTick_ = system_.platform_.tickCount();
    if (system_.sound) system_.sound->setCaptureFeed(this);
    return true;
}

bool HeadlessCdDrive::hold() {
    update();
    if (!disc_) return false;
    pumpSound();
    held_ = positionAt(system_.platform_.tickCount());
    playing_ = false;
    return true;
}

// A null output has nothing buffered: pause and stop both hold the position.
bool HeadlessCdDrive::pause() {
    ++system_.calls.pause;
    return hold();
}

bool HeadlessCdDrive::stop() {
    ++system_.calls.stop;
    return hold();
}

bool HeadlessCdDrive::playing() {
    update();
    return playing_;
}

bool HeadlessCdDrive::openDoor() {
    ++system_.calls.openDoor;
    update();
    system_.eject(slot_->path);
    update();
    return true;
}

const CdImageTrack* HeadlessCdDrive::trackAt(uint32_t frame) const {
    if (!disc_) return nullptr;
    for (const CdImageTrack& t : disc_->tracks())
        if (frame >= t.start && frame - t.start < t.length) return &t;
    return nullptr;
}

const std::vector<uint8_t>& HeadlessCdDrive::heard(uint32_t block) {
    auto it = converted_.find(block);
    if (it != converted_.end()) return it->second;
    if (converted_.size() >= kHeardBlocksKept) converted_.clear();
    // Converted with a margin on both sides, so the filter runs on through block edges.
    const uint32_t first = kCdLeadIn + block * kHeardBlockFrames;
    const uint32_t from = std::max(kCdLeadIn, first > kHeardMargin ? first - kHeardMargin : 0);
    const uint32_t to = std::min(disc_->leadOut(), first + kHeardBlockFrames + kHeardMargin);
    std::vector<uint8_t> pcm(size_t(to - from) * kCdSectorBytes, 0);
    std::string error;
    // A sector that cannot be read is heard as the silence readSectors leaves in it.
    disc_->readSectors(from, to - from, pcm.data(), error);
    for (uint32_t f = from; f < to; ++f) {
        const CdImageTrack* t = trackAt(f);
        if (!t || !t->audio)
            std::memset(pcm.data() + size_t(f - from) * kCdSectorBytes, 0, kCdSectorBytes);
    }
    std::vector<uint8_t> all, samples(size_t(kHeardBlockFrames) * kHeardPerFrame, 128);
    if (decodeWav(wavOf(pcm), all, error)) {
        const size_t skip = size_t(first - from) * kHeardPerFrame;
        for (size_t i = 0; i < samples.size() && skip + i < all.size(); ++i)
            samples[i] = all[skip + i];
    }
    return converted_.emplace(block, std::move(samples)).first->second;
}

void HeadlessCdDrive::feedCapture(uint64_t first, uint8_t* out, size_t n) {
    std::memset(out, 128, n);
    // A disc taken out since is not heard, though the drive has not looked yet.
    if (!playing_ || !disc_ || seen_ != slot_->changes) return;
    // Capture samples and disc samples at the capture rate, both counted from tick 0.
    const uint64_t startSample = uint64_t(startTick_) * kCaptureRate / 1000;
    const uint64_t endSample = uint64_t(end_ - kCdLeadIn) * kHeardPerFrame;
    constexpr uint64_t kBlockSamples = uint64_t(kHeardBlockFrames) * kHeardPerFrame;
    for (size_t i = 0; i < n;) {
        const uint64_t at = first + i;
        const uint64_t disc = uint64_t(held_ - kCdLeadIn) * kHeardPerFrame +
                              (at > startSample ? at - startSample : 0);
        if (disc >= endSample) return;
        const uint64_t block = disc / kBlockSamples;
        const size_t run = size_t(
            std::min<uint64_t>({n - i, (block + 1) * kBlockSamples - disc, endSample - disc}));
        const std::vector<uint8_t>& s = heard(uint32_t(block));
        std::memcpy(out + i, s.data() + (disc - block * kBlockSamples), run);
        i += run;
    }
}

}  // namespace korel

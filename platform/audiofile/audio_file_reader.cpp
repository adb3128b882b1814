// Sound-file reading on libsndfile.
#include "platform/audiofile/audio_file_reader.h"

#include <sndfile.h>

#include <algorithm>

namespace korel {

namespace {
SNDFILE* handle(void* f) { return static_cast<SNDFILE*>(f); }
}  // namespace

bool AudioFileReader::open(const std::string& path, GraphFailure& failure) {
    close();
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) {
        failure = {"RF", sf_error(nullptr), sf_strerror(nullptr)};
        return false;
    }
    if (info.samplerate <= 0 || info.channels <= 0 || info.channels > 0xFFFF) {
        sf_close(f);
        failure = {"RF", 0, "the file holds no playable sound"};
        return false;
    }
    // Float data is taken as -1..1 (full scale), not scaled by the file's peak.
    sf_command(f, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_FALSE);
    file_ = f;
    rate_ = info.samplerate;
    channels_ = info.channels;
    frames_ = info.frames > 0 ? uint64_t(info.frames) : 0;
    return true;
}

void AudioFileReader::close() {
    if (file_) sf_close(handle(file_));
    file_ = nullptr;
    rate_ = channels_ = 0;
    frames_ = 0;
}

size_t AudioFileReader::read(int16_t* out, size_t frames) {
    if (!file_ || !out || frames == 0) return 0;
    const sf_count_t n = sf_readf_short(handle(file_), out, sf_count_t(frames));
    return n > 0 ? size_t(n) : 0;
}

bool AudioFileReader::seek(uint64_t frame) {
    if (!file_) return false;
    if (frames_ > 0) frame = std::min(frame, frames_);
    return sf_seek(handle(file_), sf_count_t(frame), SEEK_SET) >= 0;
}

}  // namespace korel

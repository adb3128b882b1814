// Sound-file reading on libsndfile.
#include "platform/audiofile/audio_file_reader.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

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
    // The library hands float data to 16-bit reads unscaled (or scaled by the file's peak):
    // such files are read as float and brought to full scale here.
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    floats_ = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
    if (floats_) scratch_.assign(kScratchFrames * size_t(info.channels), 0.0f);
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
    floats_ = false;
}

size_t AudioFileReader::read(int16_t* out, size_t frames) {
    if (!file_ || !out || frames == 0) return 0;
    if (floats_) {
        size_t done = 0;
        while (done < frames) {
            const size_t want = std::min(frames - done, kScratchFrames);
            const sf_count_t n = sf_readf_float(handle(file_), scratch_.data(), sf_count_t(want));
            if (n <= 0) break;
            const size_t values = size_t(n) * size_t(channels_);
            int16_t* to = out + done * size_t(channels_);
            for (size_t i = 0; i < values; ++i) {
                const float v = std::clamp(scratch_[i], -1.0f, 1.0f) * 32767.0f;
                to[i] = int16_t(std::lrint(v));
            }
            done += size_t(n);
            if (size_t(n) < want) break;
        }
        return done;
    }
    const sf_count_t n = sf_readf_short(handle(file_), out, sf_count_t(frames));
    return n > 0 ? size_t(n) : 0;
}

bool AudioFileReader::seek(uint64_t frame) {
    if (!file_) return false;
    if (frames_ > 0) frame = std::min(frame, frames_);
    return sf_seek(handle(file_), sf_count_t(frame), SEEK_SET) >= 0;
}

}  // namespace korel

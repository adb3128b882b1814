// Sound-file writing on libsndfile.
#include "platform/audiofile/audio_file_writer.h"

#include <sndfile.h>

#include <cstdio>

namespace korel {

namespace {
int formatOf(AudioFileType type) {
    switch (type) {
        case AudioFileType::Wav16:
            return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        case AudioFileType::Mp3:
            return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    }
    return 0;
}
}  // namespace

bool canWriteMp3() {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = formatOf(AudioFileType::Mp3);
    return sf_format_check(&info) != 0;
}

bool writeAudioFile(const std::string& path, AudioFileType type, int sampleRate, int channels,
                    std::span<const float> interleaved, std::string& error) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = formatOf(type);
    if (channels <= 0 || !sf_format_check(&info)) {
        error = "this sound-file library cannot write that format";
        return false;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = sf_strerror(nullptr);
        return false;
    }
    if (type == AudioFileType::Mp3) {
        // Constant bit rate: a plain stream that every decoder seeks in exactly.
        int mode = SF_BITRATE_MODE_CONSTANT;
        sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        double level = 0.35;
        sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    const sf_count_t frames = sf_count_t(interleaved.size() / size_t(channels));
    const sf_count_t written = sf_writef_float(file, interleaved.data(), frames);
    bool ok = written == frames;
    if (!ok) error = sf_strerror(file);
    if (sf_close(file) != 0 && ok) {
        ok = false;
        error = "closing the file failed";
    }
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace korel

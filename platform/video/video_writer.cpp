// The video file writer on FFmpeg's libraries: libavcodec's encoders, libswresample for the
// sound, libavformat for the container (the colour conversion is our own, yuv.h).
#include "platform/video/video_writer.h"

#include <algorithm>
#include <cctype>
#include <chrono>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "platform/video/yuv.h"

#include "platform/video/av_error.h"

namespace korel {

namespace {

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The rate the audio encoder takes nearest to `rate` (Opus only takes 48000 and divisors).
int supportedRate(const AVCodec* codec, int rate) {
    if (!codec->supported_samplerates) return rate;
    int best = 0;
    for (const int* r = codec->supported_samplerates; *r; ++r) {
        if (*r == rate) return rate;
        if (best == 0 || std::abs(*r - rate) < std::abs(best - rate)) best = *r;
    }
    return best ? best : rate;
}

AVSampleFormat supportedSampleFormat(const AVCodec* codec) {
    if (!codec->sample_fmts) return AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_FLTP) return *f;
    return codec->sample_fmts[0];
}

}  // namespace

VideoContainer containerForPath(const std::string& path) {
    if (path.size() < 5) return VideoContainer::Mp4;
    std::string ext = path.substr(path.size() - 5);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".webm" ? VideoContainer::WebM : VideoContainer::Mp4;
}

struct VideoWriter::Impl {
    VideoSettings settings;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    int64_t nextFrame = 0;
    int64_t nextSample = 0;  // at the encoder's rate
    bool headerWritten = false;
    VideoWriterTimes times;

    ~Impl() { release(); }

    void release() {
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        swr_free(&resampler);
        if (fifo) av_audio_fifo_free(fifo);
        fifo = nullptr;
        av_frame_free(&picture);
        av_frame_free(&sound);
        av_packet_free(&packet);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
            format = nullptr;
        }
        headerWritten = false;
    }

    // Sends one frame (null: flush) and muxes every packet the encoder gives back.
    bool encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string& error) {
        int rc = avcodec_send_frame(codec, frame);
        if (rc < 0) {
            error = "encoding failed: " + avError(rc);
            return false;
        }
        for (;;) {
            rc = avcodec_receive_packet(codec, packet);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
            if (rc < 0) {
                error = "encoding failed: " + avError(rc);
                return false;
            }
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            rc = av_interleaved_write_frame(format, packet);
            if (rc < 0) {
                error = "cannot write " + settings.path + ": " + avError(rc);
                return false;
            }
        }
    }

    bool openVideo(std::string& error) {
        const bool webm = settings.container == VideoContainer::WebM;
        const AVCodec* codec = avcodec_find_encoder_by_name(webm ? "libvpx-vp9" : "libx264");
        if (!codec) {
            error = std::string("this system's codec library has no ") + (webm ? "VP9" : "H.264") +
                    " encoder";
            return false;
        }
        video = avcodec_alloc_context3(codec);
        videoStream = avformat_new_stream(format, nullptr);
        if (!video || !videoStream) {
            error = "out of memory";
            return false;
        }
        video->width = settings.width;
        video->height = settings.height;
        video->time_base = AVRational{1, settings.fps};
        video->framerate = AVRational{settings.fps, 1};
        video->pix_fmt = AV_PIX_FMT_YUV420P;
        video->gop_size = settings.fps * 4;
        video->thread_count = 2;
        // The conversion below uses the SD matrix; players are told so.
        video->colorspace = AVCOL_SPC_SMPTE170M;
        video->color_primaries = AVCOL_PRI_SMPTE170M;
        video->color_trc = AVCOL_TRC_SMPTE170M;
        video->color_range = AVCOL_RANGE_MPEG;
        if (format->oformat->flags & AVFMT_GLOBALHEADER) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* opts = nullptr;
        if (webm) {
            // Real-time speed: the slower settings cost several times the whole animation.
            av_dict_set(&opts, "deadline", "realtime", 0);
            av_dict_set(&opts, "cpu-used", "8", 0);
            av_dict_set(&opts, "row-mt", "1", 0);
            av_dict_set(&opts, "crf", "32", 0);
            av_dict_set(&opts, "b", "0", 0);
        } else {
            // "superfast" encodes a quarter faster than "veryfast" for a few per cent more bytes,
            // which keeps a 720p render well ahead of real time on two busy cores.
            av_dict_set(&opts, "preset", "superfast", 0);
            av_dict_set(&opts, "crf", "20", 0);
        }
        const int rc = avcodec_open2(video, codec, &opts);
        av_dict_free(&opts);
        if (rc < 0) {
            error = "cannot start the video encoder: " + avError(rc);
            return false;
        }
        avcodec_parameters_from_context(videoStream->codecpar, video);
        videoStream->time_base = video->time_base;
        videoStream->avg_frame_rate = video->framerate;

        picture = av_frame_alloc();
        if (!picture) {
            error = "out of memory";
            return false;
        }
        picture->format = video->pix_fmt;
        picture->width = settings.width;
        picture->height = settings.height;
        if (av_frame_get_buffer(picture, 0) < 0) {
            error = "out of memory";
            return false;
        }
        return true;
    }

    bool openAudio(std::string& error) {
        const bool webm = settings.container == VideoContainer::WebM;
        const AVCodec* codec = avcodec_find_encoder_by_name(webm ? "libopus" : "aac");
        if (!codec) {
            error = std::string("this system's codec library has no ") + (webm ? "Opus" : "AAC") +
                    " encoder";
            return false;
        }
        audio = avcodec_alloc_context3(codec);
        audioStream = avformat_new_stream(format, nullptr);
        if (!audio || !audioStream) {
            error = "out of memory";
            return false;
        }
        const int channels = std::min(settings.audioChannels, 2);
        av_channel_layout_default(&audio->ch_layout, channels);
        audio->sample_rate = supportedRate(codec, settings.audioRate);
        audio->sample_fmt = supportedSampleFormat(codec);
        audio->bit_rate = channels == 1 ? 96000 : 160000;
        audio->time_base = AVRational{1, audio->sample_rate};
        if (format->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        int rc = avcodec_open2(audio, codec, nullptr);
        if (rc < 0) {
            error = "cannot start the audio encoder: " + avError(rc);
            return false;
        }
        avcodec_parameters_from_context(audioStream->codecpar, audio);
        audioStream->time_base = audio->time_base;

        AVChannelLayout in{};
        av_channel_layout_default(&in, settings.audioChannels);
        rc = swr_alloc_set_opts2(&resampler, &audio->ch_layout, audio->sample_fmt,
                                 audio->sample_rate, &in, AV_SAMPLE_FMT_S16, settings.audioRate, 0,
                                 nullptr);
        av_channel_layout_uninit(&in);
        if (rc < 0 || swr_init(resampler) < 0) {
            error = "cannot set up the sound conversion";
            return false;
        }
        fifo = av_audio_fifo_alloc(audio->sample_fmt, channels, 4096);
        sound = av_frame_alloc();
        if (!fifo || !sound) {
            error = "out of memory";
            return false;
        }
        return true;
    }

    // Converts `frames` interleaved 16-bit frames (none: what the resampler still holds) into
    // the queue.
    bool convertAudio(const int16_t* samples, int frames, std::string& error) {
        const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
        const int room = swr_get_out_samples(resampler, frames);
        if (room < 0) {
            error = "sound conversion failed";
            return false;
        }
        if (room == 0) return true;
        uint8_t** out = nullptr;
        if (av_samples_alloc_array_and_samples(&out, nullptr, audio->ch_layout.nb_channels, room,
                                               audio->sample_fmt, 0) < 0) {
            error = "out of memory";
            return false;
        }
        const int got = swr_convert(resampler, out, room, samples ? in : nullptr, frames);
        const bool ok = got >= 0 && av_audio_fifo_write(fifo, reinterpret_cast<void**>(out), got) == got;
        av_freep(&out[0]);
        av_freep(&out);
        if (!ok) error = "sound conversion failed";
        return ok;
    }

    bool writeAudioTail(std::string& error) {
        return convertAudio(nullptr, 0, error) && drainAudio(true, error) &&
               encode(audio, audioStream, nullptr, error);
    }

    // Encodes whole encoder frames from the queue; at the end (`flush`) the rest too.
    bool drainAudio(bool flush, std::string& error) {
        const int frameSize = audio->frame_size > 0 ? audio->frame_size : 1024;
        while (av_audio_fifo_size(fifo) >= frameSize || (flush && av_audio_fifo_size(fifo) > 0)) {
            const int n = std::min(frameSize, av_audio_fifo_size(fifo));
            av_frame_unref(sound);
            sound->nb_samples = frameSize;
            sound->format = audio->sample_fmt;
            sound->sample_rate = audio->sample_rate;
            av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
            if (av_frame_get_buffer(sound, 0) < 0) {
                error = "out of memory";
                return false;
            }
            // A short last frame is padded with silence: the encoders want whole frames.
            av_samples_set_silence(sound->data, 0, frameSize, audio->ch_layout.nb_channels,
                                   audio->sample_fmt);
            if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(sound->data), n) != n) {
                error = "sound conversion failed";
                return false;
            }
            sound->pts = nextSample;
            nextSample += n;
            if (!encode(audio, audioStream, sound, error)) return false;
        }
        return true;
    }
};

VideoWriter::VideoWriter() : impl_(std::make_unique<Impl>()) {}

VideoWriter::~VideoWriter() {
    std::string ignored;
    finish(ignored);
}

bool VideoWriter::isOpen() const { return impl_->format != nullptr; }

const VideoWriterTimes& VideoWriter::times() const { return impl_->times; }

bool VideoWriter::open(const VideoSettings& settings, std::string& error) {
    Impl& m = *impl_;
    m.release();
    // The encoders' own reports stay off the terminal; failures come back as messages.
    av_log_set_level(AV_LOG_ERROR);
    m.settings = settings;
    m.nextFrame = m.nextSample = 0;
    m.times = {};
    if (settings.width < 16 || settings.height < 16 || settings.width % 2 || settings.height % 2 ||
        settings.fps < 1 || settings.fps > 240 || settings.audioChannels < 0 ||
        (settings.audioChannels > 0 && (settings.audioRate < 8000 || settings.audioRate > 384000))) {
        error = "unusable video settings";
        return false;
    }
    const char* formatName = settings.container == VideoContainer::WebM ? "webm" : "mp4";
    int rc = avformat_alloc_output_context2(&m.format, nullptr, formatName, settings.path.c_str());
    if (rc < 0 || !m.format) {
        error = "cannot create a " + std::string(formatName) + " file: " + avError(rc);
        return false;
    }
    m.packet = av_packet_alloc();
    if (!m.packet) {
        error = "out of memory";
        m.release();
        return false;
    }
    if (!m.openVideo(error) || (settings.audioChannels > 0 && !m.openAudio(error))) {
        m.release();
        return false;
    }
    rc = avio_open(&m.format->pb, settings.path.c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) {
        error = "cannot write " + settings.path + ": " + avError(rc);
        m.release();
        return false;
    }
    rc = avformat_write_header(m.format, nullptr);
    if (rc < 0) {
        error = "cannot write " + settings.path + ": " + avError(rc);
        m.release();
        return false;
    }
    m.headerWritten = true;
    return true;
}

bool VideoWriter::writeFrame(const Rgb* pixels, std::string& error) {
    Impl& m = *impl_;
    if (!m.format) {
        error = "no video file is open";
        return false;
    }
    auto t0 = std::chrono::steady_clock::now();
    if (av_frame_make_writable(m.picture) < 0) {
        error = "out of memory";
        return false;
    }
    rgbToYuv420(pixels, m.settings.width, m.settings.height, m.picture->data[0],
                m.picture->linesize[0], m.picture->data[1], m.picture->linesize[1],
                m.picture->data[2], m.picture->linesize[2]);
    m.picture->pts = m.nextFrame++;
    auto t1 = std::chrono::steady_clock::now();
    m.times.conversion += std::chrono::duration<double>(t1 - t0).count();
    const bool ok = m.encode(m.video, m.videoStream, m.picture, error);
    m.times.video += secondsSince(t1);
    return ok;
}

bool VideoWriter::writeAudio(const int16_t* samples, size_t frames, std::string& error) {
    Impl& m = *impl_;
    if (!m.format || !m.audio) {
        error = "no sound stream is open";
        return false;
    }
    auto t0 = std::chrono::steady_clock::now();
    bool ok = true;
    // In slices, so one call never asks for an unbounded buffer.
    for (size_t done = 0; ok && done < frames;) {
        const int n = int(std::min<size_t>(frames - done, 65536));
        ok = m.convertAudio(samples + done * size_t(m.settings.audioChannels), n, error) &&
             m.drainAudio(false, error);
        done += size_t(n);
    }
    m.times.audio += secondsSince(t0);
    return ok;
}

bool VideoWriter::finish(std::string& error) {
    Impl& m = *impl_;
    if (!m.format) return true;
    bool ok = true;
    if (m.headerWritten) {
        if (m.audio) {
            // What the resampler still holds, then the encoder's delay.
            ok = m.writeAudioTail(error);
        }
        ok = m.encode(m.video, m.videoStream, nullptr, error) && ok;
        const int rc = av_write_trailer(m.format);
        if (rc < 0 && ok) {
            error = "cannot write " + m.settings.path + ": " + avError(rc);
            ok = false;
        }
    }
    if (m.format->pb) {
        const int rc = avio_closep(&m.format->pb);
        if (rc < 0 && ok) {
            error = "cannot write " + m.settings.path + ": " + avError(rc);
            ok = false;
        }
    }
    m.release();
    return ok;
}

}  // namespace korel

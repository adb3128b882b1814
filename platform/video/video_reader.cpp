// Reading video files back through libavformat, libavcodec and libswscale.
#include "platform/video/video_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "platform/video/av_error.h"

namespace korel {

namespace {

// An opened file, closed on every way out.
struct OpenFile {
    AVFormatContext* format = nullptr;
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwsContext* scaler = nullptr;
    ~OpenFile() {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
    }

    bool open(const std::string& path, std::string& error) {
        int rc = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
        if (rc < 0) {
            error = "cannot open " + path + ": " + avError(rc);
            return false;
        }
        rc = avformat_find_stream_info(format, nullptr);
        if (rc < 0) {
            error = "cannot read " + path + ": " + avError(rc);
            return false;
        }
        packet = av_packet_alloc();
        frame = av_frame_alloc();
        if (!packet || !frame) {
            error = "out of memory";
            return false;
        }
        return true;
    }
};

const char* codecName(const AVCodecParameters* p) {
    const AVCodecDescriptor* d = avcodec_descriptor_get(p->codec_id);
    return d ? d->name : "unknown";
}

}  // namespace

bool readVideoFileInfo(const std::string& path, VideoFileInfo& info, std::string& error) {
    info = {};
    OpenFile f;
    if (!f.open(path, error)) return false;
    int video = -1, audio = -1;
    for (unsigned i = 0; i < f.format->nb_streams; ++i) {
        const AVStream* s = f.format->streams[i];
        const AVCodecParameters* p = s->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            if (info.videoStreams++ == 0) {
                video = int(i);
                info.width = p->width;
                info.height = p->height;
                info.videoCodec = codecName(p);
                const AVRational r = s->avg_frame_rate.num ? s->avg_frame_rate : s->r_frame_rate;
                info.fps = r.den ? double(r.num) / r.den : 0;
            }
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
            if (info.audioStreams++ == 0) {
                audio = int(i);
                info.audioCodec = codecName(p);
                info.audioRate = p->sample_rate;
                info.audioChannels = p->ch_layout.nb_channels;
            }
        }
    }
    int64_t audioTicks = 0;
    while (av_read_frame(f.format, f.packet) >= 0) {
        if (f.packet->stream_index == video) ++info.videoFrames;
        if (f.packet->stream_index == audio) audioTicks += f.packet->duration;
        av_packet_unref(f.packet);
    }
    if (audio >= 0) {
        const AVRational tb = f.format->streams[audio]->time_base;
        info.audioSeconds = double(audioTicks) * tb.num / tb.den;
    }
    return true;
}

bool decodeVideoFrames(const std::string& path, int64_t first, int64_t count,
                       std::vector<std::vector<Rgb>>& frames, int& width, int& height,
                       std::string& error) {
    frames.clear();
    OpenFile f;
    if (!f.open(path, error)) return false;
    const int video = av_find_best_stream(f.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) {
        error = path + " holds no video";
        return false;
    }
    const AVCodecParameters* p = f.format->streams[video]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(p->codec_id);
    f.decoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!f.decoder || avcodec_parameters_to_context(f.decoder, p) < 0 ||
        avcodec_open2(f.decoder, codec, nullptr) < 0) {
        error = "cannot decode the video of " + path;
        return false;
    }
    int64_t seen = 0;
    bool draining = false;
    while (int64_t(frames.size()) < count) {
        int rc = avcodec_receive_frame(f.decoder, f.frame);
        if (rc == 0) {
            if (seen++ < first) continue;
            if (!f.scaler) {
                width = f.frame->width;
                height = f.frame->height;
                f.scaler = sws_getContext(width, height, AVPixelFormat(f.frame->format), width,
                                          height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr,
                                          nullptr);
                if (!f.scaler) {
                    error = "cannot convert the frame's colours";
                    return false;
                }
            }
            if (f.frame->width != width || f.frame->height != height) break;
            std::vector<Rgb>& pixels = frames.emplace_back(size_t(width) * size_t(height));
            uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(pixels.data())};
            const int stride[1] = {width * 3};
            sws_scale(f.scaler, f.frame->data, f.frame->linesize, 0, height, dst, stride);
            continue;
        }
        if (rc != AVERROR(EAGAIN) || draining) break;
        // The decoder wants more: the next packet of the video stream, or the end.
        for (;;) {
            if (av_read_frame(f.format, f.packet) < 0) {
                avcodec_send_packet(f.decoder, nullptr);
                draining = true;
                break;
            }
            const bool ours = f.packet->stream_index == video;
            if (ours) avcodec_send_packet(f.decoder, f.packet);
            av_packet_unref(f.packet);
            if (ours) break;
        }
    }
    if (frames.empty()) {
        error = path + " has no frame " + std::to_string(first);
        return false;
    }
    return true;
}

bool decodeVideoFrame(const std::string& path, int64_t index, std::vector<Rgb>& pixels,
                      int& width, int& height, std::string& error) {
    std::vector<std::vector<Rgb>> frames;
    if (!decodeVideoFrames(path, index, 1, frames, width, height, error)) return false;
    pixels = std::move(frames[0]);
    return true;
}

bool decodeAudioMono(const std::string& path, std::vector<float>& samples, int& rate,
                     std::string& error) {
    OpenFile f;
    if (!f.open(path, error)) return false;
    const int audio = av_find_best_stream(f.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audio < 0) {
        error = path + " holds no sound";
        return false;
    }
    const AVCodecParameters* p = f.format->streams[audio]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(p->codec_id);
    f.decoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!f.decoder || avcodec_parameters_to_context(f.decoder, p) < 0 ||
        avcodec_open2(f.decoder, codec, nullptr) < 0) {
        error = "cannot decode the sound of " + path;
        return false;
    }
    rate = f.decoder->sample_rate;
    SwrContext* swr = nullptr;
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    if (swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_FLT, rate, &f.decoder->ch_layout,
                            f.decoder->sample_fmt, rate, 0, nullptr) < 0 ||
        swr_init(swr) < 0) {
        swr_free(&swr);
        error = "cannot convert the sound of " + path;
        return false;
    }
    samples.clear();
    bool ok = true;
    auto take = [&]() {
        while (avcodec_receive_frame(f.decoder, f.frame) == 0) {
            const size_t at = samples.size();
            samples.resize(at + size_t(f.frame->nb_samples) + 256);
            uint8_t* out[1] = {reinterpret_cast<uint8_t*>(samples.data() + at)};
            const int got = swr_convert(swr, out, f.frame->nb_samples + 256,
                                        const_cast<const uint8_t**>(f.frame->extended_data),
                                        f.frame->nb_samples);
            if (got < 0) {
                ok = false;
                samples.resize(at);
                return;
            }
            samples.resize(at + size_t(got));
        }
    };
    while (ok && av_read_frame(f.format, f.packet) >= 0) {
        if (f.packet->stream_index == audio && avcodec_send_packet(f.decoder, f.packet) >= 0) take();
        av_packet_unref(f.packet);
    }
    avcodec_send_packet(f.decoder, nullptr);
    if (ok) take();
    swr_free(&swr);
    if (!ok) error = "cannot convert the sound of " + path;
    return ok;
}

}  // namespace korel

// Reading video files back through libavformat, libavcodec and libswscale.
#include "platform/video/video_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libswscale/swscale.h>
}

namespace korel {

namespace {

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

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

bool decodeVideoFrame(const std::string& path, int64_t index, std::vector<Rgb>& pixels,
                      int& width, int& height, std::string& error) {
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
    for (;;) {
        int rc = avcodec_receive_frame(f.decoder, f.frame);
        if (rc == 0) {
            if (seen++ < index) continue;
            width = f.frame->width;
            height = f.frame->height;
            f.scaler = sws_getContext(width, height, AVPixelFormat(f.frame->format), width, height,
                                      AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
            if (!f.scaler) {
                error = "cannot convert the frame's colours";
                return false;
            }
            pixels.assign(size_t(width) * size_t(height), Rgb{});
            uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(pixels.data())};
            const int stride[1] = {width * 3};
            sws_scale(f.scaler, f.frame->data, f.frame->linesize, 0, height, dst, stride);
            return true;
        }
        if (rc == AVERROR_EOF || (rc != AVERROR(EAGAIN))) break;
        if (draining) break;
        // The decoder wants more: the next packet of the video stream, or the end.
        for (;;) {
            rc = av_read_frame(f.format, f.packet);
            if (rc < 0) {
                avcodec_send_packet(f.decoder, nullptr);
                draining = true;
                break;
            }
            const bool ours = f.packet->stream_index == video;
            if (ours) rc = avcodec_send_packet(f.decoder, f.packet);
            av_packet_unref(f.packet);
            if (ours) break;
        }
    }
    error = path + " has no frame " + std::to_string(index);
    return false;
}

}  // namespace korel

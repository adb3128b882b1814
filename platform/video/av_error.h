// FFmpeg's text for one of its error codes; shared by the video writer and reader.
#pragma once

#include <string>

extern "C" {
#include <libavutil/error.h>
}

namespace korel {

inline std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace korel

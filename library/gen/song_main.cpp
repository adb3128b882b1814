// korel-songgen WAV [MP3]: synthesises the demo song and writes it as 16-bit WAV and, when an
// MP3 path is given and the sound-file library can encode MP3, as MP3.
#include <cstdio>
#include <string>

#include "library/gen/demo_song.h"
#ifndef KOREL_NO_MP3
#include "platform/audiofile/audio_file_writer.h"
#endif
#include "platform/files.h"

int main(int argc, char** argv) {
    using namespace korel;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: korel-songgen WAV [MP3]\n");
        return 2;
    }
    const art::SongAudio song = art::synthesiseSong(art::SongPlan{});
    if (const int err = writeFileReplacing(argv[1], art::encodeWav16(song)); err != 0) {
        std::fprintf(stderr, "%s: cannot write (error %d)\n", argv[1], err);
        return 1;
    }
    if (argc == 3) {
#ifdef KOREL_NO_MP3
        std::fprintf(stderr, "%s: this build cannot write MP3\n", argv[2]);
        return 1;
#else
        std::string error;
        if (!writeAudioFile(argv[2], AudioFileType::Mp3, song.sampleRate, song.channels,
                            song.samples, error)) {
            std::fprintf(stderr, "%s: %s\n", argv[2], error.c_str());
            return 1;
        }
#endif
    }
    return 0;
}

// Songlists and the transport: reading and writing a full list (255 songs, 146 KB) and the
// player's share of every frame (the end-of-song check and the song time).
#include <benchmark/benchmark.h>

#include "playback/music_player.h"
#include "playback/songlist.h"
#include "support/test_services.h"

using namespace korel;

namespace {

Songlist fullList() {
    Songlist l;
    l.entries.clear();
    for (size_t i = 0; i < kMaxSongs; ++i)
        l.entries.push_back(songEntryForFile("/home/user/Music/Album/Track " + std::to_string(i) + ".mp3"));
    return l;
}

struct QuietHost : PlayerHost {
    void songStarting(const SongEntry&, bool) override {}
    void songFieldsChanged() override {}
    bool textEntryOpen() override { return false; }
};

}  // namespace

static void BM_SonglistEncodeDecode(benchmark::State& state) {
    const Songlist list = fullList();
    std::vector<SongEntry> back;
    std::string message;
    for (auto _ : state) {
        Bytes b = encodeSonglist(list);
        benchmark::DoNotOptimize(decodeSonglist(b, back, message));
    }
}
BENCHMARK(BM_SonglistEncodeDecode)->Unit(benchmark::kMicrosecond);

static void BM_PlayerFrame(benchmark::State& state) {
    test::TestServices sv(Edition::MP3);
    QuietHost host;
    MusicPlayer player(sv, nullptr, host);
    player.playSong(0);
    for (auto _ : state) {
        sv.headless().advance(1);
        player.tick();
        benchmark::DoNotOptimize(player.songTime());
    }
}
BENCHMARK(BM_PlayerFrame);

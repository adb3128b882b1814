// The MP3 edition's music player wired into the program.
#include "shell/music_link.h"

#include "controls/controls.h"
#include "controls/panels.h"
#include "shell/conductor.h"
#include "shell/program.h"

namespace korel {

MusicLink::MusicLink(Program& program, MusicGraph* graph)
    : program_(program), player_(program, graph, *this) {
    attachMusicGraph(program.conductor().sound(), graph);
}

void MusicLink::startFirstSong(const std::function<void(const char*)>& progress) {
    ensureFirstSonglist(program_);
    player_.setSonglistName(program_.conductor().preferences().songlist);
    progress_ = progress;
    player_.playSong(0, true);
    progress_ = {};
    rememberSonglist();
}

void MusicLink::rememberSonglist() {
    program_.conductor().preferences().songlist = player_.songlist().name;
}

void MusicLink::silence() {
    rememberSonglist();
    silencing_ = true;
    player_.stopSong(false);
    silencing_ = false;
}

void MusicLink::playPause() {
    if (player_.playing()) {
        player_.pauseSong();
    } else if (player_.paused()) {
        player_.resumeSong();
    } else {
        player_.playSong(player_.songlist().current);
    }
    program_.conductor().holdSong(player_.paused());
    if (!player_.playing() && !player_.paused()) program_.conductor().stop();
}

void MusicLink::stop() { player_.stopSong(true); }

void MusicLink::step(int direction) { player_.nextSong(direction < 0 ? -1 : 1); }

bool MusicLink::goTo(int number) { return player_.selectSong(number); }

// --- PlayerHost ---------------------------------------------------------------------------

void MusicLink::songStarting(const SongEntry& entry, bool otherSong) {
    (void)entry;
    Conductor& c = program_.conductor();
    Sound& sound = c.sound();
    decodedSeek(sound, 0);
    decodedSongPlaying(sound, true);
    // The first song restores the last session; later ones keep the state, with a new random
    // fill for a different song.
    if (c.lastSessionRestored() && !otherSong) {
        c.startAnimation(false, {}, false);
    } else {
        c.startAnimation(!c.lastSessionRestored(), progress_);
    }
}

void MusicLink::songStopped() {
    decodedSongPlaying(program_.conductor().sound(), false);
    if (!silencing_) program_.conductor().stop();
}

void MusicLink::songWound(uint32_t target, bool rewound) {
    (void)rewound;
    Sound& sound = program_.conductor().sound();
    decodedSeek(sound, target / 1000.0);
    listenSongStart(sound.listen);
    program_.conductor().holdSong(player_.paused());
}

void MusicLink::songFieldsChanged() {
    rememberSonglist();
    if (program_.controlsReady()) program_.controls().redrawSongFields();
}

bool MusicLink::textEntryOpen() {
    return program_.controlsReady() && program_.controls().panels().textEntryActive();
}

// --- Once per frame tick --------------------------------------------------------------------

void MusicLink::frame() {
    reportDecodedFormat(program_.conductor().sound(), program_);
    player_.tick();
}

}  // namespace korel

// The MP3 edition's music player wired into the program.
#include "shell/music_link.h"

#include "controls/controls.h"
#include "controls/panels.h"
#include "shell/conductor.h"
#include "shell/program.h"

namespace korel {

MusicLink::MusicLink(Program& program, MusicGraph* graph)
    : program_(program), raves_(program), player_(program, graph, *this) {
    attachMusicGraph(program.conductor().sound(), graph);
}

void MusicLink::startFirstSong(const std::function<void(const char*)>& progress) {
    ensureFirstSonglist(program_);
    player_.setSonglistName(program_.conductor().preferences().songlist);
    progress_ = progress;
    player_.playSong(0, true);
    progress_ = {};
    rememberList();
}

void MusicLink::rememberList() {
    program_.conductor().preferences().songlist = player_.songlist().name;
}

void MusicLink::silence() {
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

void MusicLink::playListed(size_t index) {
    if (index < player_.songlist().entries.size()) player_.playSong(index);
}

void MusicLink::loadOrEject() { player_.chooseAndInsertSong(program_.controlsWindow()); }

std::string MusicLink::songText() {
    const Songlist& list = player_.songlist();
    if (list.empty()) return "Click Here to Load Song File";
    return std::to_string(list.current + 1) + ": " + list.currentEntry().name;
}

int MusicLink::trackNumber() { return player_.songlist().empty() ? 0 : player_.trackNumber(); }

std::vector<std::string> MusicLink::songNames() {
    std::vector<std::string> names;
    if (player_.songlist().empty()) return names;
    for (const SongEntry& e : player_.songlist().entries) names.push_back(e.name);
    return names;
}

// --- PlayerHost ---------------------------------------------------------------------------

void MusicLink::songStarting(const SongEntry& entry, bool otherSong) {
    (void)entry;
    Conductor& c = program_.conductor();
    Sound& sound = c.sound();
    decodedSeek(sound, 0);
    decodedSongPlaying(sound, true);
    // The song time starts now: what the start applies happens at 0.
    program_.shell().songClockOrigin = program_.platform().tickCount();
    // The song's rave replays; without one the first song restores the last session and later
    // ones keep the state, with a new random fill for a different song.
    const bool first = !c.lastSessionRestored();
    SongRaveFields fields = raveFields();
    if (raves_.startSong(fields, first, otherSong, progress_)) keepRaveFields(fields);
    c.songBegins(first);
}

SongRaveFields MusicLink::raveFields() {
    const SongEntry& e = player_.songlist().currentEntry();
    return SongRaveFields{e.raveAttached, e.raveName, e.raveFolder};
}

void MusicLink::keepRaveFields(const SongRaveFields& fields) {
    player_.setCurrentRave(fields.attached, fields.raveName);
    if (program_.controlsReady()) program_.controls().redrawSongFields();
}

std::vector<uint8_t> MusicLink::raveIdentity() {
    std::vector<uint8_t> id(32, 0);
    const std::string& name = player_.songlist().name;
    for (size_t i = 0; i < name.size() && i < 27; ++i) id[i] = uint8_t(name[i]);
    return id;
}

void MusicLink::restartSong() {
    player_.playSong(player_.songlist().current);
}

void MusicLink::songStopped() {
    decodedSongPlaying(program_.conductor().sound(), false);
    if (!silencing_) program_.conductor().stop();
}

void MusicLink::songWound(uint32_t target, bool rewound) {
    if (rewound) raves_.engine().rewindToStart(target);
    else raves_.engine().seekRave(target);
    Sound& sound = program_.conductor().sound();
    decodedSeek(sound, target / 1000.0);
    listenSongStart(sound.listen);
}

void MusicLink::songFieldsChanged() {
    rememberList();
    if (program_.controlsReady()) program_.controls().redrawSongFields();
}

bool MusicLink::textEntryOpen() {
    return program_.controlsReady() && program_.controls().panels().textEntryActive();
}

// --- Once per frame tick --------------------------------------------------------------------

void MusicLink::frame() {
    reportDecodedFormat(program_.conductor().sound(), program_);
    player_.tick();
    // The song time is the music's: a late start or a stalled output moves it.
    MusicGraph* g = program_.conductor().sound().mp3.graph;
    double heard = 0;
    if (g && player_.playing() && g->isOpen() && g->state() == GraphState::Running &&
        g->position(heard) && heard >= 0 && heard < 4.0e6)
        player_.followHeard(uint32_t(heard * 1000.0 + 0.5), heard > 0.0005);
    // The animation holds while the song is paused or wound.
    if (player_.playing() || player_.paused() || player_.winding())
        program_.conductor().holdSong(!player_.playing());
}

}  // namespace korel

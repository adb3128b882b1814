// The controls' side of the MP3 player: the song fields, the transport buttons and keys, the
// song and songlist popups and the names typed for them.
#include "controls/panels.h"
#include "persist/program_files.h"
#include "shell/conductor.h"
#include "shell/controls_link.h"
#include "shell/music_link.h"
#include "shell/program.h"

namespace korel {

std::string ControlsLink::songText() {
    MusicLink* m = program_.music();
    if (!m) return {};
    const Songlist& list = m->player().songlist();
    if (list.empty()) return "Click Here to Load Song File";
    return std::to_string(list.current + 1) + ": " + list.currentEntry().name;
}

std::string ControlsLink::raveText() {
    MusicLink* m = program_.music();
    if (!m) return {};
    const SongEntry& e = m->player().songlist().currentEntry();
    return e.raveAttached ? e.raveName : "No rave is attached";
}

int ControlsLink::trackNumber() {
    MusicLink* m = program_.music();
    if (!m || m->player().songlist().empty()) return 0;
    return m->player().trackNumber();
}

std::string ControlsLink::songlistName() {
    MusicLink* m = program_.music();
    return m ? m->player().songlist().name : std::string();
}

uint32_t ControlsLink::songPosition() {
    MusicLink* m = program_.music();
    return m ? m->player().songTime() : 0;
}

uint32_t ControlsLink::songLength() {
    MusicLink* m = program_.music();
    return m ? m->player().songLength() : 0;
}

std::vector<std::string> ControlsLink::songNames() {
    std::vector<std::string> names;
    MusicLink* m = program_.music();
    if (!m || m->player().songlist().empty()) return names;
    for (const SongEntry& e : m->player().songlist().entries) names.push_back(e.name);
    return names;
}

int ControlsLink::trackCount() {
    MusicLink* m = program_.music();
    return m ? int(m->player().songlist().entries.size()) : 0;
}

void ControlsLink::goToTrack(int n) {
    if (MusicLink* m = program_.music()) m->goTo(n);
    controls_.redrawSongFields();
}

bool ControlsLink::playerAction(TopAction action) {
    MusicLink* m = program_.music();
    if (!m) return false;
    switch (action) {
        case TopAction::PlayPause:
            m->playPause();
            break;
        case TopAction::Stop:
            m->stop();
            break;
        case TopAction::PreviousTrack:
        case TopAction::NextTrack:
            m->step(action == TopAction::NextTrack ? 1 : -1);
            break;
        case TopAction::EjectOrLoad:
            m->player().chooseAndInsertSong(program_.controlsWindow());
            break;
        case TopAction::Rewind:
        case TopAction::FastForward:
            // A click without a hold: one step of the wind.
            if (beginWind(action == TopAction::Rewind ? -1 : 1)) endWind();
            break;
        default:
            return false;
    }
    controls_.redrawSongFields();
    return true;
}

bool ControlsLink::recording() {
    MusicLink* m = program_.music();
    return m && m->player().playing() && m->raves().engine().isRecording();
}

RavePlayback ControlsLink::ravePlayback() {
    MusicLink* m = program_.music();
    if (!m || !m->raves().engine().isReplaying()) return RavePlayback::None;
    return m->raves().state().raveLoaded ? RavePlayback::BeforeEnd : RavePlayback::AfterRewind;
}

bool ControlsLink::raveAttached() {
    MusicLink* m = program_.music();
    return m && m->raveFields().attached;
}

bool ControlsLink::saveAttachedRave() {
    MusicLink* m = program_.music();
    if (!m) return false;
    SongRaveFields song = m->raveFields();
    if (!song.attached) return false;
    const std::vector<uint8_t> id = m->raveIdentity();
    if (saveRave(program_, m->raves().engine(), song, song.raveName, id)) m->keepRaveFields(song);
    return true;
}

void ControlsLink::filesButton() { playerAction(TopAction::EjectOrLoad); }

bool ControlsLink::beginWind(int direction) {
    MusicLink* m = program_.music();
    return m && m->player().beginWind(direction);
}

void ControlsLink::windPass() {
    if (MusicLink* m = program_.music()) m->player().windPass();
}

void ControlsLink::endWind() {
    if (MusicLink* m = program_.music()) m->player().endWind();
}

void ControlsLink::playerCommand(PlayerCommand command) {
    MusicLink* m = program_.music();
    if (!m) return;
    MusicPlayer& p = m->player();
    switch (command) {
        case PlayerCommand::LoadSong:
            p.chooseAndInsertSong(program_.controlsWindow());
            break;
        case PlayerCommand::RenameSong:
            if (p.songlist().empty()) return;
            controls_.panels().beginTextEntry(int(FileKind::SongName), p.songlist().currentEntry().name);
            return;
        case PlayerCommand::RemoveSong:
            p.removeSong();
            break;
        case PlayerCommand::CreateSonglist:
            creatingSonglist_ = true;
            controls_.panels().beginTextEntry(int(FileKind::Songlist), "");
            return;
        case PlayerCommand::RenameSonglist:
            creatingSonglist_ = false;
            controls_.panels().beginTextEntry(int(FileKind::Songlist), p.songlist().name);
            return;
        case PlayerCommand::SaveRave:
            // "Save & Update Rave" saves under the attached name; "Save & Attach" asks for one.
            if (saveAttachedRave()) break;
            renamingRave_ = false;
            controls_.panels().beginTextEntry(int(FileKind::Rave), p.songlist().currentEntry().name);
            return;
        case PlayerCommand::RenameRave:
            renamingRave_ = true;
            controls_.panels().beginTextEntry(int(FileKind::Rave), m->raveFields().raveName);
            return;
        case PlayerCommand::DetachRave: {
            SongRaveFields song = m->raveFields();
            if (!detachRave(program_, song)) return;
            m->keepRaveFields(song);
            m->restartSong();
            break;
        }
        default:
            return;  // the CD edition's lists come with its player
    }
    m->rememberSonglist();
    controls_.redrawSongFields();
}

void ControlsLink::chooseListed(int popupId, int index, const std::string& name, bool alt) {
    (void)alt;
    MusicLink* m = program_.music();
    if (!m) return;
    if (popupId == popup::Songs) {
        if (index < 0 || size_t(index) >= m->player().songlist().entries.size()) return;
        m->player().playSong(size_t(index));
    } else if (popupId == popup::Raves) {
        SongRaveFields song = m->raveFields();
        if (!attachRave(program_, song, name)) return;
        m->keepRaveFields(song);
        m->restartSong();
    } else if (popupId == popup::Songlists) {
        if (!m->player().loadSonglist(name)) return;
        m->player().playSong(m->player().songlist().current);
    } else {
        return;
    }
    m->rememberSonglist();
    controls_.redrawSongFields();
}

bool ControlsLink::playerSaves(int purpose, const std::string& name, bool& saved) {
    MusicLink* m = program_.music();
    if (!m) return false;
    MusicPlayer& p = m->player();
    if (purpose == int(FileKind::Rave)) {
        SongRaveFields song = m->raveFields();
        saved = renamingRave_ ? renameRave(program_, song, name)
                              : saveRave(program_, m->raves().engine(), song, name, m->raveIdentity());
        renamingRave_ = false;
        if (saved) m->keepRaveFields(song);
    } else if (purpose == int(FileKind::SongName)) {
        saved = p.renameSong(name);
    } else if (purpose == int(FileKind::Songlist)) {
        saved = creatingSonglist_ ? p.createEmptySonglist(name)
                                  : p.renameSonglist(p.songlist().name, name);
        creatingSonglist_ = false;
    } else {
        return false;
    }
    m->rememberSonglist();
    controls_.redrawSongFields();
    return true;
}

}  // namespace korel

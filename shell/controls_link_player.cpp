// The controls' side of the MP3 player: the song fields, the transport buttons and keys, the
// song and songlist popups and the names typed for them.
#include "controls/layout.h"
#include "controls/panels.h"
#include "persist/program_files.h"
#include "shell/conductor.h"
#include "shell/controls_link.h"
#include "playback/master_folder.h"
#include "shell/cd_link.h"
#include "shell/music_link.h"
#include "shell/program.h"

namespace korel {

std::string ControlsLink::songText() {
    SongLink* s = program_.songs();
    return s ? s->songText() : std::string();
}

std::string ControlsLink::raveText() {
    SongLink* s = program_.songs();
    if (!s) return {};
    const SongRaveFields f = s->raveFields();
    return f.attached ? f.raveName : "No rave is attached";
}

int ControlsLink::trackNumber() {
    SongLink* s = program_.songs();
    return s ? s->trackNumber() : 0;
}

std::string ControlsLink::songlistName() {
    SongLink* s = program_.songs();
    return s ? s->listName() : std::string();
}

uint32_t ControlsLink::songPosition() {
    SongLink* s = program_.songs();
    return s ? s->songTime() : 0;
}

uint32_t ControlsLink::songLength() {
    SongLink* s = program_.songs();
    return s ? s->songLength() : 0;
}

std::vector<std::string> ControlsLink::songNames() {
    SongLink* s = program_.songs();
    return s ? s->songNames() : std::vector<std::string>{};
}

int ControlsLink::trackCount() {
    SongLink* s = program_.songs();
    return s ? int(s->songNames().size()) : 0;
}

void ControlsLink::goToTrack(int n) {
    if (SongLink* s = program_.songs()) s->goTo(n);
    controls_.redrawSongFields();
}

bool ControlsLink::playerAction(TopAction action) {
    SongLink* s = program_.songs();
    if (!s) return false;
    switch (action) {
        case TopAction::PlayPause:
            s->playPause();
            break;
        case TopAction::Stop:
            s->stop();
            break;
        case TopAction::PreviousTrack:
        case TopAction::NextTrack:
            s->step(action == TopAction::NextTrack ? 1 : -1);
            break;
        case TopAction::EjectOrLoad:
            s->loadOrEject();
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
    SongLink* m = program_.songs();
    return m && m->playing() && m->raves().engine().isRecording();
}

RavePlayback ControlsLink::ravePlayback() {
    SongLink* m = program_.songs();
    if (!m || !m->raves().engine().isReplaying()) return RavePlayback::None;
    return m->raves().state().raveLoaded ? RavePlayback::BeforeEnd : RavePlayback::AfterRewind;
}

bool ControlsLink::raveAttached() {
    SongLink* m = program_.songs();
    return m && m->raveFields().attached;
}

bool ControlsLink::saveAttachedRave() {
    SongLink* m = program_.songs();
    if (!m) return false;
    SongRaveFields song = m->raveFields();
    if (!song.attached) return false;
    const std::vector<uint8_t> id = m->raveIdentity();
    if (saveRave(program_, m->raves().engine(), song, song.raveName, id)) m->keepRaveFields(song);
    return true;
}

void ControlsLink::filesButton() {
    // The CD edition's "Drive" button lists the drives; the MP3 edition's "Load" adds a song.
    if (program_.cd()) openPopup(popup::CdDrives, -1, kFilesButton);
    else playerAction(TopAction::EjectOrLoad);
}

bool ControlsLink::beginWind(int direction) {
    SongLink* s = program_.songs();
    return s && s->beginWind(direction);
}

void ControlsLink::windPass() {
    if (SongLink* s = program_.songs()) s->windPass();
}

void ControlsLink::endWind() {
    if (SongLink* s = program_.songs()) s->endWind();
}

namespace {

// The name a new rave is offered: the song's or the track's.
std::string currentSongName(SongLink& s) {
    const std::vector<std::string> names = s.songNames();
    const int t = s.trackNumber();
    return t >= 1 && size_t(t) <= names.size() ? names[size_t(t - 1)] : std::string();
}

}  // namespace

void ControlsLink::playerCommand(PlayerCommand command) {
    SongLink* m = program_.songs();
    if (!m) return;
    CdLink* cd = program_.cd();
    switch (command) {
        case PlayerCommand::LoadSong:
            if (cd) return;
            m->loadOrEject();
            break;
        case PlayerCommand::RenameSong:
            if (cd) {
                // "Add Song Title..." / "Rename Song Title..." of the current track.
                if (cd->player().currentTrack() < 0) return;
                controls_.panels().beginTextEntry(
                    int(FileKind::SongName),
                    cd->player().list().entries[size_t(cd->player().currentTrack())].trackName);
                return;
            }
            if (program_.music()->player().songlist().empty()) return;
            controls_.panels().beginTextEntry(int(FileKind::SongName), currentSongName(*m));
            return;
        case PlayerCommand::RemoveSong:
            if (cd) return;
            program_.music()->player().removeSong();
            break;
        case PlayerCommand::CreateSonglist:
            if (cd && !cd->player().disc().present()) return;
            creatingSonglist_ = true;
            controls_.panels().beginTextEntry(int(FileKind::Songlist), "");
            return;
        case PlayerCommand::RenameSonglist:
            if (cd && !cd->player().disc().present()) return;
            creatingSonglist_ = false;
            controls_.panels().beginTextEntry(int(FileKind::Songlist), m->listName());
            return;
        case PlayerCommand::CreateCdMaster:
        case PlayerCommand::AddToCdMaster:
            if (!cd || !cd->player().disc().present()) return;
            buildMasterFolder(program_, cd->player().list(), command == PlayerCommand::CreateCdMaster);
            return;
        case PlayerCommand::SaveRave:
            // "Save & Update Rave" saves under the attached name; "Save & Attach" asks for one.
            if (saveAttachedRave()) break;
            if (m->raveFields().raveFolder.empty()) return;
            renamingRave_ = false;
            controls_.panels().beginTextEntry(int(FileKind::Rave), currentSongName(*m));
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
            return;
    }
    m->rememberList();
    controls_.redrawSongFields();
}

void ControlsLink::chooseListed(int popupId, int index, const std::string& name, bool alt) {
    (void)alt;
    SongLink* m = program_.songs();
    if (!m) return;
    CdLink* cd = program_.cd();
    if (popupId == popup::Songs) {
        if (index < 0) return;
        m->playListed(size_t(index));
    } else if (popupId == popup::Raves) {
        SongRaveFields song = m->raveFields();
        if (!attachRave(program_, song, name)) return;
        m->keepRaveFields(song);
        m->restartSong();
    } else if (popupId == popup::Songlists) {
        if (cd) {
            if (!loadCdList(program_, cd->player().list(), name)) return;
            m->restartSong();
        } else {
            MusicPlayer& p = program_.music()->player();
            if (!p.loadSonglist(name)) return;
            p.playSong(p.songlist().current);
        }
    } else if (popupId == popup::CdDrives && cd) {
        if (index < 0) return;
        cd->chooseDrive(size_t(index));
    } else {
        return;
    }
    m->rememberList();
    controls_.redrawSongFields();
}

std::vector<std::string> ControlsLink::cdDrives() {
    CdLink* cd = program_.cd();
    return cd ? cd->driveNames() : std::vector<std::string>{};
}

bool ControlsLink::trackTitled() {
    CdLink* cd = program_.cd();
    return cd && cd->trackTitled();
}

bool ControlsLink::playerSaves(int purpose, const std::string& name, bool& saved) {
    SongLink* m = program_.songs();
    if (!m) return false;
    CdLink* cd = program_.cd();
    if (purpose == int(FileKind::Rave)) {
        SongRaveFields song = m->raveFields();
        saved = renamingRave_ ? renameRave(program_, song, name)
                              : saveRave(program_, m->raves().engine(), song, name, m->raveIdentity());
        renamingRave_ = false;
        if (saved) m->keepRaveFields(song);
    } else if (purpose == int(FileKind::SongName)) {
        saved = cd ? cd->titleTrack(name) : program_.music()->player().renameSong(name);
    } else if (purpose == int(FileKind::Songlist)) {
        if (cd) {
            CdList& list = cd->player().list();
            saved = creatingSonglist_ ? newCdList(program_, list, name)
                                      : renameCdList(program_, list, list.name, name);
        } else {
            MusicPlayer& p = program_.music()->player();
            saved = creatingSonglist_ ? p.createEmptySonglist(name)
                                      : p.renameSonglist(p.songlist().name, name);
        }
        creatingSonglist_ = false;
    } else {
        return false;
    }
    m->rememberList();
    controls_.redrawSongFields();
    return true;
}

}  // namespace korel

#include "shell/controls_link.h"

#include "persist/program_files.h"
#include "platform/files.h"
#include "shell/conductor.h"
#include "shell/cd_link.h"
#include "shell/music_link.h"
#include "shell/saver_link.h"
#include "shell/program.h"

namespace korel {

ControlsLink::ControlsLink(Program& program) : program_(program), controls_(program, *this) {}
ControlsLink::~ControlsLink() = default;

VisualState& ControlsLink::visual() { return program_.visual(); }
TriggerEngine& ControlsLink::triggers() { return program_.conductor().triggers(); }
Sound& ControlsLink::sound() { return program_.conductor().sound(); }
Preferences& ControlsLink::preferences() { return program_.conductor().preferences(); }

void ControlsLink::setScreenSaver(bool on) { program_.saver().switched(on); }
uint32_t ControlsLink::songTime() { return program_.songClock(); }

void ControlsLink::applyUserChange(int code, int value, int modifier) {
    triggers().applyChange(code, value, songTime(), true, true, modifier, false);
}

void ControlsLink::settingStored(size_t offset) {
    Conductor& c = program_.conductor();
    switch (offset) {
        case vs::BrushBrightness:
        case vs::BrushSaturation:
            c.brightnessChanged(true);
            break;
        case vs::FillBrightness:
        case vs::FillSaturation:
            c.brightnessChanged(false);
            break;
        case vs::ListeningFrequency:
        case vs::AnalysisWindow:
            if (!(visual().switchOn(vs::kSwitchListening) && playing()))
                listenSongStart(sound().listen);
            break;
        default:
            break;
    }
}

uint8_t ControlsLink::outputVolume() { return sound().devices.outputVolume; }
void ControlsLink::setOutputVolume(uint8_t volume) { korel::setOutputVolume(sound(), volume); }
void ControlsLink::forceBeat() { program_.conductor().forceBeat(); }

void ControlsLink::setManualMode(bool on) { triggers().setManualMode(on); }

void ControlsLink::topAction(TopAction action, int modifier) {
    (void)modifier;
    Conductor& c = program_.conductor();
    const bool live = program_.edition() == Edition::LIVE;
    switch (action) {
        case TopAction::Quit:
            program_.quitProgram();
            break;
        case TopAction::Listening:
            triggers().setListening(!visual().switchOn(vs::kSwitchListening), songTime());
            break;
        case TopAction::AnimationWindow:
            program_.toggleAnimationWindow();
            break;
        case TopAction::Help:
            program_.toggleHelp();
            break;
        case TopAction::PlayPause:
            if (!live) {
                playerAction(action);
                break;
            }
            if (c.playing() && !c.paused()) c.pause();
            else c.play();
            break;
        case TopAction::Stop:
            if (live) c.stop();
            else playerAction(action);
            break;
        case TopAction::PreviousStyle:
        case TopAction::NextStyle:
            c.stepStyle(action == TopAction::NextStyle);
            controls_.redrawAll();
            break;
        default:
            playerAction(action);  // transport of the CD and MP3 players
            break;
    }
}

bool ControlsLink::playing() {
    if (SongLink* s = program_.songs()) return s->playing();
    return program_.conductor().playing();
}
bool ControlsLink::paused() {
    if (SongLink* s = program_.songs()) return s->paused();
    return program_.conductor().paused();
}
bool ControlsLink::helpOpen() {
    return program_.helpWindow() != kNoWindow && program_.platform().windowVisible(program_.helpWindow());
}
bool ControlsLink::animationShown() { return program_.shell().animationShown; }
void ControlsLink::controlsResized(bool expanded) { program_.helpFollowsControls(expanded); }
bool ControlsLink::movementParameter(int slot, int index, std::string& name, int& min, int& max) {
    if (slot < 0 || slot >= kMovementSlots || index < 0) return false;
    const MovementAsset& m = program_.conductor().engine().movements.slots[size_t(slot)];
    if (index >= m.paramCount || index >= int(m.paramNames.size())) return false;
    name = m.paramNames[size_t(index)];
    min = m.paramMin[size_t(index)];
    max = m.paramMax[size_t(index)];
    return true;
}

void ControlsLink::drawAssetIcon(int kind, int slot, Surface& canvas, Point at) {
    controls_.drawSlotIcon(kind == popup::Brushes ? AssetKind::Brush : AssetKind::Movement, slot,
                           canvas, at);
}

namespace {

// The kinds of file the program saves itself; songs, raves and songlists come with the players.
bool savedHere(int purpose) {
    return purpose == int(FileKind::Style) ||
           (purpose >= int(FileKind::GradientSet) && purpose <= int(FileKind::MovementSet));
}

}  // namespace

bool ControlsLink::fileExists(int purpose, const std::string& name) {
    // A new songlist's name is asked about as a style's is; a song's name is no file.
    if (purpose == int(FileKind::Songlist) && program_.cd())
        return korel::fileExists(joinPath(cdDiscFolderPath(program_, program_.cd()->player().list()),
                                          storedName(name) + kCdListExtension));
    if (purpose == int(FileKind::Songlist) && program_.music())
        return korel::fileExists(makeFileName(program_, FileKind::Songlist, storedName(name)));
    if (purpose == int(FileKind::Rave) && program_.songs())
        return korel::fileExists(raveFilePath(program_, program_.songs()->raveFields(), storedName(name)));
    if (!savedHere(purpose)) return false;
    return korel::fileExists(makeFileName(program_, FileKind(purpose), storedName(name)));
}

bool ControlsLink::saveTyped(int purpose, const std::string& name) {
    bool typed = false;
    if (playerSaves(purpose, name, typed)) return typed;
    if (!savedHere(purpose)) return false;
    // The panel asked about replacing already.
    const VisualState* captured = purpose == int(FileKind::Style) ? styleCapture_.get() : nullptr;
    const bool saved =
        program_.conductor().saveFile(FileKind(purpose), name, [] { return true; }, captured);
    if (saved && captured) styleCapture_.reset();
    if (saved) controls_.redrawTitleLine();
    return saved;
}

bool ControlsLink::quitting() { return !program_.shell().running; }

void ControlsLink::redrawMeters(uint8_t level, bool beat) { controls_.redrawMeters(level, beat); }
void ControlsLink::halfSecond(uint32_t t) { controls_.halfSecond(t); }
void ControlsLink::updateHoverHelp() { controls_.updateHover(); }
void ControlsLink::redrawControl(int code) { controls_.redrawChange(code); }
void ControlsLink::redrawControls() { controls_.redrawAll(); }
void ControlsLink::redrawTempoPanel() {
    controls_.panels().redrawIf(panel::ManualBeats);
    controls_.panels().redrawIf(panel::PatternedBeats);
    controls_.panels().redrawIf(panel::Tempo);
}

void ControlsLink::redrawSlotCell(AssetKind kind, int slot, const Surface* icon, uint8_t backdrop) {
    controls_.slotCell(kind, slot, icon, backdrop);
}

void ControlsLink::redrawEffectPanel() {
    const int p = controls_.state().panel;
    if (p == panel::Color || p == panel::Brush || (p >= panel::BrushBrightness && p <= panel::FillSaturation))
        controls_.panels().draw();
}

void ControlsLink::redrawColourStrip(bool /*brushRange*/) { controls_.redrawColourStrips(); }
bool ControlsLink::controlsVisible() const { return controls_.visible(); }

}  // namespace korel

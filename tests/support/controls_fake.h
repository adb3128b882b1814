// Test helper: everything the controls window needs, on the headless platform. A 402 x 460
// window canvas, the bundled pictures, a default visual state with a real trigger engine (its
// TriggerHost does nothing), a Sound, Preferences, and a ControlsHost that records what the
// controls asked for. pass() runs one main-loop pass of a press or drag, as the shell does.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "assets/assets.h"
#include "controls/controls_host.h"
#include "controls/pictures.h"
#include "controls/view.h"
#include "persist/preferences.h"
#include "persist/visual_state.h"
#include "shell/palette.h"
#include "sound/sound.h"
#include "support/test_services.h"
#include "triggers/triggers.h"

namespace korel::test {

// A TriggerHost that makes no change visible and loads nothing.
class QuietTriggerHost : public TriggerHost {
  public:
    void selectGradient(int) override {}
    void shiftColour(bool, int, int) override {}
    void drawFill(int, bool, bool) override {}
    void setTrails(bool) override {}
    void setVolumeListening(bool) override {}
    void setListening(bool) override {}
    void chooseMovementParameters(int) override {}
    void startMovement(int) override {}
    void startBrush(int) override {}
    void brightnessChanged(bool) override {}
    void setBrushTiming(uint32_t, uint32_t) override {}
    void setColourTiming(uint32_t, int, uint32_t) override {}
    bool loadFile(FileCategory, int, std::string_view) override { return false; }
    bool loadEffect(EffectSlot, std::string_view) override { return true; }
    std::string_view listing(FileCategory) override { return {}; }
    bool raveReplaying() const override { return replaying; }
    bool replaying = false;
};

struct PopupCall {
    int id;
    int slot;
    Rect at;
};

// Records every call beyond the records; changes go to the real trigger engine.
class RecordingControlsHost : public ControlsHost {
  public:
    RecordingControlsHost(TestServices& s, VisualState& v, TriggerEngine& t, Sound& so,
                          Preferences& p)
        : services(s), vis(v), engine(t), snd(so), prefs(p) {}

    VisualState& visual() override { return vis; }
    TriggerEngine& triggers() override { return engine; }
    Sound& sound() override { return snd; }
    Preferences& preferences() override { return prefs; }
    uint32_t songTime() override { return services.headless().tickCount(); }

    void applyUserChange(int code, int value, int modifier) override {
        changes.push_back({code, value, modifier});
        engine.applyChange(code, value, songTime(), true, true, modifier, false);
    }
    void settingStored(size_t offset) override { stored.push_back(offset); }
    uint8_t outputVolume() override { return volume; }
    void setOutputVolume(uint8_t v) override {
        volume = v;
        volumeSets.push_back(v);
    }
    void forceBeat() override { ++forcedBeats; }
    void setManualMode(bool on) override { engine.setManualMode(on); }
    void topAction(TopAction a, int) override { actions.push_back(a); }
    bool playing() override { return isPlaying; }
    bool paused() override { return false; }
    bool helpOpen() override { return false; }
    bool animationShown() override { return true; }
    bool quitting() override { return false; }

    std::string songlistName() override { return "My_Songlist"; }
    int trackNumber() override { return track; }
    uint32_t songPosition() override { return position; }
    uint32_t songLength() override { return length; }
    RavePlayback ravePlayback() override { return rave; }

    void openPopup(int id, int slot, const Rect& at) override { popups.push_back({id, slot, at}); }
    void commandChar(uint32_t ch, int) override { commandChars.push_back(ch); }
    bool fileExists(int, const std::string& name) override { return existing.count(name) != 0; }
    bool saveTyped(int purpose, const std::string& name) override {
        saved.emplace_back(purpose, name);
        return true;
    }
    void setScreenSaver(bool on) override { saverCalls.push_back(on); }
    void searchSound() override { ++searches; }
    std::string soundInputName() override { return "Line In"; }
    void fileEntryEnded() override { ++entriesEnded; }
    bool movementParameter(int, int index, std::string& name, int& min, int& max) override {
        if (index >= int(params.size())) return false;
        name = params[size_t(index)].name;
        min = params[size_t(index)].min;
        max = params[size_t(index)].max;
        return true;
    }

    // --- Keys ---
    void toggleControls() override { ++controlToggles; }
    int trackCount() override { return tracks; }
    void goToTrack(int n) override { tracksChosen.push_back(n); }
    void beginStyleSave(bool countersOff) override { styleSaves.push_back(countersOff); }
    bool saveAttachedRave() override { return raveAttached; }
    std::vector<std::string> listNames(const std::string& folder, const std::string& ext,
                                       int) override {
        listed.push_back(folder + "/" + ext);
        auto it = listings.find(folder + ext);
        return it == listings.end() ? std::vector<std::string>{} : it->second;
    }
    bool chooseAsset(AssetKind kind, int slot, const std::string& name, bool) override {
        assetChoices.push_back({int(kind), slot, name});
        return true;
    }
    bool chooseFile(int kind, const std::string& name, bool) override {
        assetChoices.push_back({kind, -1, name});
        return true;
    }
    struct Choice {
        int kind, slot;
        std::string name;
        bool operator==(const Choice&) const = default;
    };
    int controlToggles = 0;
    int tracks = 0;
    bool raveAttached = false;
    std::vector<int> tracksChosen;
    std::vector<bool> styleSaves;
    std::map<std::string, std::vector<std::string>> listings;  // by folder + ext
    std::vector<std::string> listed;
    std::vector<Choice> assetChoices;

    struct Change {
        int code, value, modifier;
    };
    struct Param {
        std::string name;
        int min, max;
    };

    TestServices& services;
    VisualState& vis;
    TriggerEngine& engine;
    Sound& snd;
    Preferences& prefs;

    uint8_t volume = 128;
    bool isPlaying = false;
    int track = 0;
    uint32_t position = 0, length = 0;
    RavePlayback rave = RavePlayback::None;
    std::set<std::string> existing;
    std::vector<Param> params{{"Loops", 1, 20}, {"Direction", -1, 1}};

    std::vector<Change> changes;
    std::vector<size_t> stored;
    std::vector<uint8_t> volumeSets;
    std::vector<TopAction> actions;
    std::vector<PopupCall> popups;
    std::vector<uint32_t> commandChars;
    std::vector<std::pair<int, std::string>> saved;
    std::vector<bool> saverCalls;
    int forcedBeats = 0, searches = 0, entriesEnded = 0;
};

// The whole set, ready to draw: the window is created and the controls shown.
struct ControlsFake {
    explicit ControlsFake(Edition edition = Edition::MP3)
        : services(edition, 640, 480),
          vis(defaultVisualState()),
          engine(services, vis, triggerHost),
          sound(edition),
          host(services, vis, engine, sound, prefs),
          view(services, host, pictures, state) {
        std::string failure;
        loadControlPictures(std::string(KOREL_SEED_DIR) + "/Controls", pictures, failure);
        WindowDesc desc;
        desc.className = "Korel";
        desc.title = "Korel Controls";
        desc.rect = Rect{0, 0, 402, 460};
        desc.visible = true;
        view.setWindow(services.headless().createWindow(desc));
        services.headless().setPalette(buildProgramPalette());
        state.visible = true;
        state.drawnExpanded = true;
    }

    HeadlessPlatform& platform() { return services.headless(); }
    Surface& canvas() { return view.canvas(); }

    // One main-loop pass: a running press or drag follows the cursor, or ends when the left
    // button is up.
    void pass() {
        if (!state.tracking) return;
        HeadlessPlatform& p = platform();
        if (p.leftButtonDown()) {
            if (view.tracker().move) view.tracker().move(p.cursorPos());
        } else {
            state.tracking = false;
            Tracker t = std::move(view.tracker());
            if (t.release) t.release(p.cursorPos());
        }
    }
    // The cursor goes to (x, y) with the button down, then one pass.
    void dragTo(int x, int y) {
        platform().setCursor(Point{x, y});
        platform().setLeftButton(true);
        pass();
    }
    // The button comes up at the cursor, then one pass.
    void release() {
        platform().setLeftButton(false);
        pass();
    }

    // The canvas through the program's palette.
    std::vector<Rgb> rgb(const Rect& r) {
        const Palette pal = buildProgramPalette();
        std::vector<Rgb> out;
        out.reserve(size_t(r.width() * r.height()));
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const PaletteEntry& e = pal[canvas().at(x, y)];
                out.push_back(Rgb{e.r, e.g, e.b});
            }
        return out;
    }

    TestServices services;
    VisualState vis;
    QuietTriggerHost triggerHost;
    TriggerEngine engine;
    Sound sound;
    Preferences prefs;
    RecordingControlsHost host;
    ControlPictures pictures;
    ControlsState state;
    ControlsView view;
};

}  // namespace korel::test

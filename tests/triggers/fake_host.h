// Test helper: a TriggerHost that logs every call and loads files by naming the slot, as the
// real loaders do.
#pragma once

#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "persist/visual_state.h"
#include "support/test_services.h"
#include "triggers/triggers.h"

namespace korel::test {

class FakeHost : public TriggerHost {
  public:
    explicit FakeHost(VisualState& s) : state(s) {}

    void selectGradient(int slot) override { note("gradient " + std::to_string(slot)); }
    void shiftColour(bool brush, int from, int to) override {
        note(std::string(brush ? "brushcolour " : "fillcolour ") + std::to_string(from) + ">" +
             std::to_string(to));
    }
    void drawFill(int slot, bool wipe, bool newName) override {
        note("fill " + std::to_string(slot) + (wipe ? " wipe" : "") + (newName ? " new" : ""));
    }
    void setTrails(bool on) override { note(on ? "trails on" : "trails off"); }
    void setVolumeListening(bool on) override { note(on ? "volume on" : "volume off"); }
    void setListening(bool on) override { note(on ? "listen on" : "listen off"); }
    void chooseMovementParameters(int slot) override { note("params " + std::to_string(slot)); }
    void startMovement(int slot) override { note("movement " + std::to_string(slot)); }
    void startBrush(int slot) override { note("brush " + std::to_string(slot)); }
    void brightnessChanged(bool brush) override {
        note(brush ? "brightness brush" : "brightness fill");
    }
    void setBrushTiming(uint32_t period, uint32_t next) override {
        note("brushtiming " + std::to_string(period) + " " + std::to_string(next));
    }
    void setColourTiming(uint32_t period, int dir, uint32_t next) override {
        note("colourtiming " + std::to_string(period) + " " + std::to_string(dir) + " " +
             std::to_string(next));
    }
    bool loadFile(FileCategory c, int slot, std::string_view name) override {
        std::string n(name);
        loads.push_back(std::to_string(int(c)) + ":" + std::to_string(slot) + ":" + n);
        if (failing.count(n)) return false;
        size_t off = c == FileCategory::Fill       ? VisualState::fillName(slot)
                     : c == FileCategory::Gradient ? VisualState::gradientName(slot)
                     : c == FileCategory::Brush    ? VisualState::brushName(slot)
                     : c == FileCategory::Movement ? VisualState::movementName(slot)
                                                   : vs::StyleName;
        state.setName(off, n);
        if (c == FileCategory::Style && onStyle) onStyle();
        return true;
    }
    bool loadEffect(EffectSlot slot, std::string_view name) override {
        size_t off = slot == EffectSlot::Brush         ? vs::BrushEffect
                     : slot == EffectSlot::BrushColour ? vs::BrushColourEffect
                                                       : vs::FillColourEffect;
        state.setName(off, name);
        note("effect " + std::to_string(int(slot)) + " " + std::string(name));
        return true;
    }
    std::string_view listing(FileCategory c) override { return listings[size_t(c)]; }
    void recordBeat(uint32_t time) override { note("rave beat " + std::to_string(time)); }
    void recordChange(int code, int value, uint32_t) override {
        note("rave change " + std::to_string(code) + " " + std::to_string(value));
    }
    void redrawControl(int code) override { note("redraw " + std::to_string(code)); }
    void redrawControls() override { note("redraw all"); }
    bool controlsVisible() const override { return visible; }
    bool raveReplaying() const override { return replaying; }

    // The listing of names as listFolderRecords builds it.
    void setListing(FileCategory c, const std::vector<std::string>& names) {
        std::string& s = listings[size_t(c)];
        s.clear();
        for (const std::string& n : names) s += n + std::string(15 - n.size(), ' ') + "\r";
    }
    void note(std::string s) { log.push_back(std::move(s)); }
    bool logged(const std::string& s) const {
        for (const std::string& l : log)
            if (l == s) return true;
        return false;
    }

    VisualState& state;
    std::vector<std::string> log;
    std::vector<std::string> loads;
    std::set<std::string> failing;
    std::array<std::string, kFileCategories> listings;
    std::function<void()> onStyle;
    bool visible = false;
    bool replaying = false;
};

// A fresh engine over the default record, a fake host and headless services.
struct Rig {
    TestServices services;
    VisualState state = defaultVisualState();
    FakeHost host{state};
    TriggerEngine engine{services, state, host};

    // Every kind fires on every beat, not listening.
    void everyBeat() {
        for (int k = 0; k < kTriggerKinds; ++k) state.set(vs::BeatsPerTrigger + size_t(k), 1);
        state.setSwitch(vs::kSwitchListening, false);
    }
    // Only kind `k` fires, with mode `mode`, on every beat.
    void only(int k, uint8_t mode) {
        for (int i = 0; i < kTriggerKinds; ++i) state.set(vs::BeatsPerTrigger + size_t(i), 0);
        state.set(vs::BeatsPerTrigger + size_t(k), 1);
        state.set(vs::TriggerModes + size_t(k), mode);
        state.setSwitch(vs::kSwitchListening, false);
    }
    void attach(int brushSlot, size_t byte, uint8_t v) {
        state.set(VisualState::attachment(brushSlot) + byte, v);
    }
};

}  // namespace korel::test

// Test helper: a RaveEngine over the real trigger engine (with the triggers' fake host), as the
// program wires them, logging what a replay does to the animation.
#pragma once

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "assets/assets.h"
#include "platform/files.h"
#include "raves/rave_events.h"
#include "raves/rave_file.h"
#include "triggers/fake_host.h"

namespace korel::test {

using Change = std::tuple<uint32_t, int, int>;  // time, code, value

// Every change the trigger engine applies, with its time.
struct ChangeLog : TraceSink {
    void beat(uint32_t, int) override {}
    void change(uint32_t time, int code, int value) override { changes.emplace_back(time, code, value); }
    std::vector<Change> changes;
};

class EngineRaveHost : public RaveHost {
  public:
    EngineRaveHost(TriggerEngine& e, VisualState& s) : engine(e), state(s) {}

    VisualState& visualState() override { return state; }
    void applyRecordedChange(int code, int value, uint32_t time) override {
        engine.applyChange(code, value, time, false, false, kHoldApply, false);
    }
    bool loadRecordedAsset(int category, int slot, std::string_view name) override {
        loads.push_back(std::to_string(category) + ":" + std::to_string(slot) + ":" +
                        std::string(name));
        if (category == 4) state.setName(VisualState::fillName(slot), name);
        if (category == 1) state.setName(VisualState::gradientName(slot), name);
        return true;
    }
    std::array<uint8_t, kRaveValueCodes> currentValues() const override {
        return engine.state().currentValue;
    }
    void setCurrentValues(const std::array<uint8_t, kRaveValueCodes>& v) override {
        engine.state().currentValue = v;
    }
    void makeMovementCurrent(int slot) override { state.set(vs::CurrentMovement, uint8_t(slot)); }
    bool manualMode() const override { return engine.manualMode(); }
    bool listening() const override { return state.switchOn(vs::kSwitchListening); }
    uint32_t nextTempoBeat() const override { return nextBeat; }
    uint32_t continueTempo(uint32_t lastBeat) override { return lastBeat + 1000; }
    void flashBeat() override { flashes.push_back(engine.tempo().lastBeatTime); }
    void applyStyle(const VisualState& s) override {
        state = s;
        engine.syncCurrentValues();
        engine.styleLoaded();
        ++styles;
    }
    void loadSongStyle() override {}
    uint32_t lastBeatTime() const override { return engine.tempo().lastBeatTime; }
    void setLastBeatTime(uint32_t t) override { engine.tempo().lastBeatTime = t; }
    void countChangePoint() override { ++engine.state().beatCount; }
    void songStarted() override {
        engine.state().beatCount = 0;
        engine.state().counterOffset.fill(1);
        engine.tempo().lastBeatTime = 0;
    }
    void restartTimers(uint32_t time) override { timersFrom.push_back(time); }
    uint32_t songTime() const override { return now; }

    TriggerEngine& engine;
    VisualState& state;
    uint32_t nextBeat = kNeverTime;
    uint32_t now = 0;
    int styles = 0;
    std::vector<std::string> loads;
    std::vector<uint32_t> flashes;
    std::vector<uint32_t> timersFrom;
};

// One song: the trigger engine records into the rave as the program would.
struct RaveRig {
    explicit RaveRig(Edition edition = Edition::MP3) : services(edition) {
        state.setSwitch(vs::kSwitchListening, false);
        for (int k = 0; k < kTriggerKinds; ++k) state.set(vs::BeatsPerTrigger + size_t(k), 0);
        engine.syncCurrentValues();
        engine.setTrace(&log);
        engine.setRaveRecorder(&raves);
        raves.freshList();
        raves.beginSong();
    }
    // A user change at `time` (the song clock stands there).
    void user(int code, int value, uint32_t time, int holdMode = kHoldApply) {
        host.now = time;
        engine.applyChange(code, value, time, false, true, holdMode, false);
    }
    void beat(uint32_t time) {
        host.now = time;
        engine.forceBeat(time);
    }
    const RaveEvent& node(int i) const { return rave->events[size_t(i)]; }
    // The node after `i` in song order.
    int after(int i) const { return rave->events[size_t(i)].next; }
    int value(int i, int code) const { return int8_t(node(i).payload[size_t(code - 1)]); }

    TestServices services;
    VisualState state = defaultVisualState();
    FakeHost triggerHost{state};
    TriggerEngine engine{services, state, triggerHost};
    ChangeLog log;
    std::unique_ptr<RaveState> rave = std::make_unique<RaveState>();
    EngineRaveHost host{engine, state};
    RaveEngine raves{services, *rave, host};
};

}  // namespace korel::test

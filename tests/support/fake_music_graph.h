// Test helper: a MusicGraph that plays nothing but remembers what it was asked, with scripted
// open failures and durations.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/music_graph.h"

namespace korel::test {

class FakeMusicGraph : public MusicGraph {
public:
    // Files opened after this fail with the failure (tag empty: they open).
    GraphFailure failNext;
    // Length in seconds by path; others last `defaultSeconds`.
    std::map<std::string, double> seconds;
    double defaultSeconds = 10;

    // When set, every call checks from another thread that this lock is held.
    std::mutex* expectLocked = nullptr;
    mutable int unlockedCalls = 0;

    std::vector<std::string> opened;
    std::vector<double> seeks;
    int resets = 0;
    int runs = 0;
    int stops = 0;

    bool open(const std::string& path, GraphFailure& failure) override {
        check();
        open_.clear();
        state_ = GraphState::Stopped;
        if (!failNext.tag.empty()) {
            failure = failNext;
            return false;
        }
        open_ = path;
        opened.push_back(path);
        return true;
    }
    void close() override { check(), open_.clear(); }
    bool isOpen() const override { return check(), !open_.empty(); }
    bool run() override { return check(), isOpen() && (++runs, state_ = GraphState::Running, true); }
    bool pause() override { return check(), isOpen() && (state_ = GraphState::Paused, true); }
    bool stop() override { return check(), isOpen() && (++stops, state_ = GraphState::Stopped, true); }
    GraphState state() override { return check(), state_; }
    double duration() override {
        check();
        auto it = seconds.find(open_);
        return !isOpen() ? 0 : it != seconds.end() ? it->second : defaultSeconds;
    }
    bool position(double& s) override {
        s = seeks.empty() ? 0 : seeks.back();
        return isOpen();
    }
    bool seek(double s) override {
        check();
        if (!isOpen()) return false;
        seeks.push_back(s);
        return true;
    }
    void setTapClient(TapClient*) override {}
    void resetTap() override { check(), ++resets; }
    void requestSamples(int64_t, double* out) override {
        for (size_t i = 0; i < kTapRequestSamples; ++i) out[i] = 0;
    }

    // True when another thread can take `lock` now.
    static bool takeable(std::mutex& lock) {
        bool free = false;
        std::thread([&] {
            if (lock.try_lock()) {
                free = true;
                lock.unlock();
            }
        }).join();
        return free;
    }

private:
    void check() const {
        if (expectLocked && takeable(*expectLocked)) ++unlockedCalls;
    }
    std::string open_;
    GraphState state_ = GraphState::Stopped;
};

}  // namespace korel::test

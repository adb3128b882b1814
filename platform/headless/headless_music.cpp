// The headless playback graph: the sound-file reader into a null output on the virtual clock.
#include "platform/headless/headless_music.h"

#include <algorithm>
#include <cmath>

namespace korel {

HeadlessMusicGraph::HeadlessMusicGraph(Platform& platform) : platform_(platform) {}

bool HeadlessMusicGraph::open(const std::string& path, GraphFailure& failure) {
    ++calls.opens;
    close();
    if (!failOpens.tag.empty()) {
        failure = failOpens;
        return false;
    }
    if (!reader_.open(path, failure)) return false;
    path_ = path;
    block_.assign(kBlockFrames * size_t(reader_.channels()), 0);
    tap_.reset();
    return true;
}

void HeadlessMusicGraph::close() {
    if (isOpen()) ++calls.closes;
    reader_.close();
    tap_.reset();
    path_.clear();
    state_ = GraphState::Stopped;
    seekFrame_ = decoded_ = 0;
    ended_ = false;
    heldMs_ = 0;
}

uint64_t HeadlessMusicGraph::playedMs() {
    if (state_ != GraphState::Running) return heldMs_;
    return heldMs_ + uint32_t(platform_.tickCount() - runTick_);
}

void HeadlessMusicGraph::holdClock() {
    heldMs_ = playedMs();
}

bool HeadlessMusicGraph::run() {
    ++calls.runs;
    if (!isOpen()) return false;
    if (state_ != GraphState::Running) {
        runTick_ = platform_.tickCount();
        state_ = GraphState::Running;
    }
    pump();
    return true;
}

bool HeadlessMusicGraph::pause() {
    ++calls.pauses;
    if (!isOpen()) return false;
    pump();
    holdClock();
    state_ = GraphState::Paused;
    return true;
}

bool HeadlessMusicGraph::stop() {
    ++calls.stops;
    if (!isOpen()) return false;
    holdClock();
    state_ = GraphState::Stopped;
    // What the output buffered is dropped: decoding starts again at what was heard.
    double at = 0;
    position(at);
    seek(at);
    --calls.seeks;
    return true;
}

double HeadlessMusicGraph::duration() {
    if (!isOpen() || reader_.rate() <= 0) return 0;
    return double(reader_.frames()) / reader_.rate();
}

bool HeadlessMusicGraph::position(double& seconds) {
    if (!isOpen()) return false;
    pump();
    const double at = double(seekFrame_) / reader_.rate() + double(playedMs()) / 1000.0;
    const double length = duration();
    seconds = length > 0 ? std::min(at, length) : at;
    return true;
}

bool HeadlessMusicGraph::seek(double seconds) {
    ++calls.seeks;
    if (!isOpen()) return false;
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    uint64_t frame = uint64_t(std::llround(seconds * reader_.rate()));
    if (reader_.frames() > 0) frame = std::min(frame, reader_.frames());
    if (!reader_.seek(frame)) return false;
    seekFrame_ = frame;
    decoded_ = 0;
    ended_ = false;
    heldMs_ = 0;
    runTick_ = platform_.tickCount();
    tap_.reset();
    return true;
}

void HeadlessMusicGraph::resetTap() {
    ++calls.resets;
    tap_.restart();
}

void HeadlessMusicGraph::requestSamples(int64_t time, double* out) {
    ++calls.requests;
    pump();
    tap_.request(time, out);
}

void HeadlessMusicGraph::pump() {
    // A stopped graph streams nothing; a paused one has filled its output already.
    if (!isOpen() || state_ == GraphState::Stopped) return;
    const uint64_t due = (playedMs() + kLeadMs) * uint64_t(reader_.rate()) / 1000;
    while (!ended_ && decoded_ < due) {
        const size_t want = size_t(std::min<uint64_t>(kBlockFrames, due - decoded_));
        const size_t n = reader_.read(block_.data(), want);
        if (n == 0) {
            ended_ = true;
            break;
        }
        tap_.feed(block_.data(), n, reader_.channels(), reader_.rate(), decoded_);
        decoded_ += n;
    }
}

}  // namespace korel

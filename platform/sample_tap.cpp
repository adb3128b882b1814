// The sample tap: notices for every block, and a ring of mono samples for the analysis.
#include "platform/sample_tap.h"

#include <algorithm>

namespace korel {

namespace {

constexpr int64_t kTimeUnitsPerSecond = 10'000'000;

TapNotice formatNotice(int rate, int channels) {
    TapNotice n{};
    n[1] = uint32_t(rate);
    n[2] = uint32_t(channels) | 2u << 16;
    return n;
}

}  // namespace

SampleTap::SampleTap() : ring_(kRingSamples, 0.0) {}

void SampleTap::feed(const int16_t* pcm, size_t frames, int channels, int rate,
                     uint64_t firstFrame, uint64_t generation) {
    if (!pcm || frames == 0 || channels <= 0 || channels > 0xFFFF || rate <= 0) return;
    bool announce = false;
    uint32_t block = 0;
    {
        std::lock_guard lock(mutex_);
        if (generation != kAnyGeneration && generation != generation_) return;
        if (newStream_ || rate != rate_ || channels != channels_) {
            if (!newStream_) head_ = 0;  // a new format is a new stream
            newStream_ = false;
            rate_ = rate;
            channels_ = channels;
            blocks_ = 0;
            announce = true;
        }
        if (++blocks_ == 0) blocks_ = 1;
        block = blocks_;
        // Every channels-th frame of the stream is kept: the first kept frame of the block is
        // the next multiple of `channels` at or after firstFrame.
        const uint64_t c = uint64_t(channels);
        const uint64_t firstKept = (firstFrame + c - 1) / c;
        const uint64_t endFrame = firstFrame + frames;
        const uint64_t endKept = (endFrame + c - 1) / c;
        if (firstKept > head_) {
            // A gap in the stream is silence (at most a ring's worth needs clearing).
            const uint64_t from = std::max(head_, firstKept > kRingSamples ? firstKept - kRingSamples : 0);
            for (uint64_t k = from; k < firstKept; ++k) ring_[k % kRingSamples] = 0.0;
        }
        // Only the last ring's worth of a huge block survives anyway, and a block from before
        // what the ring holds must not overwrite newer samples.
        const uint64_t newest = std::max(head_, endKept);
        const uint64_t start =
            std::max(firstKept, newest > kRingSamples ? newest - kRingSamples : 0);
        const double scale = 128.0 / 32768.0 / double(channels);
        for (uint64_t k = start; k < endKept; ++k) {
            const int16_t* f = pcm + size_t(k * c - firstFrame) * c;
            int32_t sum = 0;
            for (int ch = 0; ch < channels; ++ch) sum += f[ch];
            ring_[k % kRingSamples] = double(sum) * scale;
        }
        head_ = std::max(head_, endKept);
    }
    // Outside the lock: the client may hold its own lock around request().
    if (!client_) return;
    if (announce) client_->notice(formatNotice(rate, channels));
    TapNotice data = formatNotice(rate, channels);
    data[0] = block;
    data[3] = uint32_t(std::min<size_t>(frames, UINT32_MAX));
    data[4] = uint32_t(firstFrame);
    data[5] = uint32_t(firstFrame >> 32);
    client_->notice(data);
}

void SampleTap::restart() {
    std::lock_guard lock(mutex_);
    if (!newStream_) clear();
}

void SampleTap::reset() {
    std::lock_guard lock(mutex_);
    clear();
}

void SampleTap::clear() {
    newStream_ = true;
    head_ = 0;
    blocks_ = 0;
    ++generation_;
}

uint64_t SampleTap::generation() {
    std::lock_guard lock(mutex_);
    return generation_;
}

void SampleTap::request(int64_t time, double* out) {
    if (!out) return;
    std::lock_guard lock(mutex_);
    if (newStream_ || rate_ <= 0 || time < 0) {
        std::fill(out, out + kTapRequestSamples, 0.0);
        if (newStream_ || rate_ <= 0) return;
    }
    // Kept sample k is stream frame k * channels, at time k * channels / rate. Times past a
    // few days hold nothing (and keep the product below in range).
    constexpr int64_t kLatest = kTimeUnitsPerSecond * 86400 * 4;
    if (time >= kLatest || time <= -kLatest) {
        std::fill(out, out + kTapRequestSamples, 0.0);
        return;
    }
    const int64_t num = time * rate_;
    const int64_t den = kTimeUnitsPerSecond * channels_;
    const int64_t first = num >= 0 ? num / den : -((-num + den - 1) / den);
    const int64_t oldest = int64_t(head_ > kRingSamples ? head_ - kRingSamples : 0);
    for (size_t i = 0; i < kTapRequestSamples; ++i) {
        const int64_t k = first + int64_t(i);
        out[i] = (k >= oldest && k < int64_t(head_)) ? ring_[size_t(k) % kRingSamples] : 0.0;
    }
}

uint32_t SampleTap::samplesPerSecond() {
    std::lock_guard lock(mutex_);
    return channels_ > 0 ? uint32_t(rate_ / channels_) : 0;
}

}  // namespace korel

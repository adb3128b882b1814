// Plotting a movement's path into its icon.
#include "library/gen/movement_icon.h"

#include <algorithm>
#include <cmath>

#include "engine/coded_image.h"
#include "engine/movement.h"

namespace korel::art {

namespace {

constexpr int kIcon = mvm::kIconSize;
constexpr double kPictureW = 1024, kPictureH = 768;
constexpr int kSteps = 600;
constexpr int kBeatEvery = 25;
constexpr uint8_t kFirstPreview = 201, kLastPreview = 245;

// Replaces the coded icon of a movement file: the bytes at the icon offset and the length field.
Bytes withIcon(const Bytes& file, size_t oldLength, const Bytes& code) {
    const auto tail = file.begin() + long(mvm::Icon + oldLength);
    Bytes out(mvm::Icon + code.size() + size_t(file.end() - tail));
    auto at = std::copy(file.begin(), file.begin() + mvm::Icon, out.begin());
    at = std::copy(code.begin(), code.end(), at);
    std::copy(tail, file.end(), at);
    putLe16(out.data() + mvm::IconLength, uint16_t(code.size()));
    return out;
}

}  // namespace

bool drawMovementIcon(Bytes& mvm) {
    if (mvm.size() < mvm::Icon || mvm[0] != mvm::kTag) return false;
    const size_t oldLength = getLe16(mvm.data() + mvm::IconLength);
    if (mvm::Icon + oldLength > mvm.size()) return false;
    // A black icon in its shortest code (each row one run of 24) lets the engine read the rest.
    const Bytes blank(kIcon, uint8_t(kIcon + 19));
    MovementSlots slots;
    if (decodeMovement(withIcon(mvm, oldLength, blank), slots.slots[0]) != nullptr) return false;

    const MovementAsset& m = slots.slots[0];
    MovementInputs in;
    in.centreX = kPictureW / 2;
    in.centreY = kPictureH / 2;
    in.soundLevel = 0.5;
    in.spread = 40;
    in.frameWidth = in.frameHeight = 64;
    in.extentRight = in.extentBottom = 32;
    in.cycleLength = 8;
    for (int i = 0; i < m.paramCount; ++i)
        in.params[size_t(i)] = m.paramDefault[size_t(i)] == mvm::kRandomDefault
                                   ? int8_t((m.paramMin[size_t(i)] + m.paramMax[size_t(i)]) / 2)
                                   : m.paramDefault[size_t(i)];
    MovementMachine machine;
    Random random;
    startMovement(slots, 0, in, machine, random);

    // The picture is 4:3, so it takes rows 3-20 of the square icon.
    Surface icon(kIcon, kIcon, 0);
    auto plot = [&](double x, double y, uint8_t colour) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        const int ix = int(std::floor(x * kIcon / kPictureW));
        const int iy = 3 + int(std::floor(y * 18 / kPictureH));
        if (ix >= 0 && ix < kIcon && iy >= 3 && iy < 21) icon.set(ix, iy, colour);
    };
    double px = machine.x, py = machine.y;
    for (int step = 0; step < kSteps; ++step) {
        if (step % kBeatEvery == kBeatEvery - 1)
            runMovement(slots, kBeatProgram, in, machine, random);
        const int stamps = std::max(1, std::abs(int(m.stampCount)));
        for (int s = 0; s < stamps; ++s) {
            runMovement(slots, kStampProgram, in, machine, random);
            const uint8_t colour =
                uint8_t(kFirstPreview + step * (kLastPreview - kFirstPreview) / kSteps);
            // Fill in short hops so that a smooth path reads as a line.
            const double dx = machine.x - px, dy = machine.y - py;
            if (std::hypot(dx, dy) < 200)
                for (int k = 1; k <= 4; ++k) plot(px + dx * k / 4, py + dy * k / 4, colour);
            plot(machine.x, machine.y, colour);
            px = machine.x;
            py = machine.y;
        }
    }
    Bytes code;
    if (!encodeZeroRunImage(icon, code)) return false;
    mvm = withIcon(mvm, oldLength, code);
    return true;
}

}  // namespace korel::art

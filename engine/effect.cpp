// Brush effects and colour effects: the effect files, the brush-effect program and the colour
// deltas.
#include "engine/effect.h"

#include <cmath>

namespace korel {

namespace {

constexpr int code(char a, char b) {
    return fieldCode(a, b);
}

uint8_t toByte(double x) {
    double v = std::trunc(x);
    if (!(v > 0)) return 0;
    if (v > 255) return 255;
    return uint8_t(v);
}

int16_t deltaOf(uint8_t target, uint8_t base) {
    return int16_t(int(target) - int(base));
}

// Turns base entries and deltas together: entry i takes entry (i - n + 90) mod 90.
template <typename T>
void turn(std::array<T, kRangeSize>& a, int n) {
    int shift = ((n % kRangeSize) + kRangeSize) % kRangeSize;
    if (shift == 0) return;
    std::array<T, kRangeSize> copy = a;
    for (int i = 0; i < kRangeSize; ++i)
        a[size_t(i)] = copy[size_t((i - shift + kRangeSize) % kRangeSize)];
}

}  // namespace

double runBrushEffect(BrushEffect& effect, int p, const BrushEffectInputs& in) {
    if (!effect.hasProgram(p)) return 0;
    return runBrushEffectProgram(effect.programs.program(p), in, effect.registers);
}

const char* decodeEffect(std::span<const uint8_t> file, uint8_t tag, ProgramSet& out) {
    if (file.empty() || file[0] != tag) return kNotValidFile;
    ByteReader reader(file);
    if (!reader.seek(efx::kLengthsOffset)) return kEndOfFileError;
    ProgramSet programs;
    if (const char* message = trailerMessage(readProgramTrailer(reader, programs)))
        return message;
    out = std::move(programs);
    return nullptr;
}

namespace {

enum class EffectRead { Loaded, CannotOpen, Failed };

// The read steps both effect loaders share: open (a file that cannot be opened leaves the slot
// named "(None)" and says so), the tag, and the programs. Messages are shown here.
EffectRead readEffectFile(Services& services, VisualState& state, AssetKind kind, int slot,
                          uint8_t tag, std::string_view name, const LoadOptions& options,
                          ProgramSet& out) {
    Bytes file;
    switch (readAsset(services, kind, name, file, options.suppressMessages)) {
        case ReadResult::Ok:
            break;
        case ReadResult::ReadFailed:
            return EffectRead::Failed;
        case ReadResult::CannotOpen:
            clearSlotName(state, kind, slot);
            assetMessage(services, assetOpenMessage(kind), options.suppressMessages);
            return EffectRead::CannotOpen;
    }
    if (!checkTag(services, file, tag, tag, false)) return EffectRead::Failed;
    if (const char* message = decodeEffect(file, tag, out)) {
        assetMessage(services, message, options.suppressMessages);
        return EffectRead::Failed;
    }
    return EffectRead::Loaded;
}

}  // namespace

bool loadBrushEffect(Services& services, VisualState& state, AssetHooks& hooks, BrushEffect& effect,
                     std::string_view name, const LoadOptions& options,
                     const BrushEffectInputs& in) {
    auto clear = [&] {
        effect.programs.clear();
        effect.loaded = false;
    };
    auto done = [&](bool ok) {
        if (options.redrawCell && !services.shell().startingUp) hooks.redrawEffectPanel();
        return ok;
    };
    if (isNoneName(name)) {
        clear();
        finishLoad(services, state, hooks, AssetKind::BrushEffect, 0, name, options);
        return done(true);
    }
    ProgramSet programs;
    switch (readEffectFile(services, state, AssetKind::BrushEffect, 0, efx::kBrushTag, name,
                           options, programs)) {
        case EffectRead::Loaded:
            break;
        case EffectRead::Failed:
            return false;
        case EffectRead::CannotOpen:
            clear();
            return done(false);
    }
    effect.programs = std::move(programs);
    effect.loaded = true;
    runBrushEffect(effect, 0, in);
    finishLoad(services, state, hooks, AssetKind::BrushEffect, 0, name, options);
    return done(true);
}

void showThroughEffect(Services& services, PaletteRange& range, int n, double level,
                       bool copyToWindow) {
    double l = range.invertedResponse ? 1 - level : level;
    if (!range.ownColours) {
        turn(range.base, n);
        turn(range.deltas, n);
    }
    for (int i = 0; i < kRangeSize; ++i) {
        const PaletteEntry& b = range.base[size_t(i)];
        const ColourDelta& d = range.deltas[size_t(i)];
        range.shown[size_t(i)] = PaletteEntry{toByte(d.r * l + b.r), toByte(d.g * l + b.g),
                                              toByte(d.b * l + b.b), kRangeFlags};
    }
    showRange(services, range, copyToWindow);
}

void computeColourEffect(Services& services, const VisualState& state, PaletteRange& range,
                         double level) {
    range.crossDependence = false;
    range.deltas = {};
    bool shown = false;
    std::span<const uint8_t> program = range.programs.program(0);
    const size_t count = program.size() / kInstructionSize;
    for (size_t i = 0; i < count; ++i) {
        const Instruction ins = instructionAt(program, i);
        int p;
        switch (ins.destination) {
            case code('b', 'c'):
                p = state.get(vs::BrushColour);
                if (!range.isBrushRange()) range.crossDependence = true;
                break;
            case code('f', 'c'):
                p = state.get(vs::FillColour);
                if (range.isBrushRange()) range.crossDependence = true;
                break;
            default:
                p = ins.destinationFirst;
                break;
        }
        const uint16_t hueP = uint16_t(uint32_t(int64_t(p) * 65535 / 120) & 0xFFFF);
        const int op = ins.operation;
        if (op == code('S', 'D')) {
            range.invertedResponse = p != 0;
            continue;
        }
        if (op != code('S', 'H') && op != code('S', 'S') && op != code('Q', 'V') &&
            op != code('S', 'C')) {
            continue;  // not a colour operation
        }
        for (int e = 0; e < kRangeSize; ++e) {
            const PaletteEntry& b = range.base[size_t(e)];
            Hsv hsv = rgbToHsv(b.r, b.g, b.b);
            if (op == code('S', 'H')) {
                hsv.hue = hueP;
            } else if (op == code('S', 'S')) {
                hsv.saturation = p / 120.0;
            } else if (op == code('Q', 'V')) {
                hsv.value = hsv.value / p;
            } else {
                hsv.hue = uint16_t(hsv.hue - hueP);
                Rgb c = hsvToRgb(hsv);
                c.r = 0;
                hsv = rgbToHsv(c);
                hsv.hue = uint16_t(hsv.hue + hueP);
            }
            Rgb t = hsvToRgb(hsv);
            range.deltas[size_t(e)] =
                ColourDelta{deltaOf(t.r, b.r), deltaOf(t.g, b.g), deltaOf(t.b, b.b)};
        }
        showThroughEffect(services, range, 0, level);
        shown = true;
    }
    if (!shown) showThroughEffect(services, range, 0, level);
}

bool loadColourEffect(Services& services, VisualState& state, AssetHooks& hooks,
                      PaletteRange& range, std::string_view name, const LoadOptions& options,
                      double level) {
    const int slot = range.isBrushRange() ? kBrushColourEffectSlot : kFillColourEffectSlot;
    const bool startingUp = services.shell().startingUp;
    auto clear = [&] {
        range.programs.clear();
        range.effectLoaded = false;
        range.crossDependence = false;
        range.invertedResponse = false;
    };
    auto done = [&](bool ok) {
        if (!startingUp) {
            if (range.effectLoaded) {
                computeColourEffect(services, state, range, level);
            } else {
                showBase(services, range);
            }
            if (options.redrawCell) hooks.redrawEffectPanel();
        }
        return ok;
    };
    if (isNoneName(name)) {
        clear();
        finishLoad(services, state, hooks, AssetKind::ColourEffect, slot, name, options);
        return done(true);
    }
    ProgramSet programs;
    switch (readEffectFile(services, state, AssetKind::ColourEffect, slot, efx::kColourTag,
                           name, options, programs)) {
        case EffectRead::Loaded:
            break;
        case EffectRead::Failed:
            return false;
        case EffectRead::CannotOpen:
            clear();
            return done(false);
    }
    range.programs = std::move(programs);
    range.effectLoaded = true;
    // The response is the new effect's own: it follows the level until an "SD" says otherwise.
    range.invertedResponse = false;
    finishLoad(services, state, hooks, AssetKind::ColourEffect, slot, name, options);
    return done(true);
}

void changeColourSetting(Services& services, const VisualState& state, AssetHooks& hooks,
                         PaletteRange& changed, PaletteRange& other, int oldColour, int newColour,
                         double level) {
    turnRangeHue(changed, oldColour, newColour);
    if (changed.effectLoaded) {
        computeColourEffect(services, state, changed, level);
    } else {
        showBase(services, changed);
    }
    hooks.redrawColourStrip(changed.isBrushRange());
    if (other.effectLoaded && other.crossDependence) {
        computeColourEffect(services, state, other, level);
    }
}

}  // namespace korel

// Fuzz target: ".efb" brush-effect files, decoded and each program run.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/effect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korel::BrushEffect effect;
    if (korel::decodeEffect(std::span<const uint8_t>(data, size), korel::efx::kBrushTag,
                            effect.programs) != nullptr) {
        return 0;
    }
    korel::BrushEffectInputs in{100, 50, 512, 384, 0.5};
    for (int p = 0; p < 3; ++p) korel::runBrushEffect(effect, p, in);
    return 0;
}

// Fuzz target: ".efc" colour-effect files, decoded and run over both ranges.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/effect.h"
#include "engine/gradient.h"
#include "platform/headless/headless_platform.h"

namespace {

class FuzzServices : public korel::Services {
  public:
    FuzzServices() : Services(platform_, korel::Edition::LIVE) {
        shell().startingUp = false;
        display().displayDepth = 32;
    }
    void showAlert(std::string_view) override {}
    void copySurfaceToWindow(const korel::Rect&) override {}

  private:
    korel::HeadlessPlatform platform_{64, 48};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korel::ProgramSet programs;
    if (korel::decodeEffect(std::span<const uint8_t>(data, size), korel::efx::kColourTag,
                            programs) != nullptr) {
        return 0;
    }
    FuzzServices services;
    korel::VisualState state = korel::defaultVisualState();
    // The colour settings come from the input too, so sources "bc" and "fc" see odd values.
    state.set(korel::vs::BrushColour, size > 1 ? data[1] : 1);
    state.set(korel::vs::FillColour, size > 2 ? data[2] : 1);
    const korel::Gradient gradient = korel::defaultGradient();
    for (korel::PaletteRange range : {korel::makeBrushRange(), korel::makeFillRange()}) {
        range.programs = programs;
        range.effectLoaded = true;
        korel::rebuildRange(services, state, range, gradient, 0.5);
        korel::stepRange(services, range, -7, 1.0);
    }
    return 0;
}

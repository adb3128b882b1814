// Golden pictures of every settings panel: each is drawn on the headless canvas, written as a
// PNG (enlarged 3x) into the build folder to look at, and compared by a hash of its pixels.
// A changed picture prints its new hash; update the table only after looking at the PNG.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "controls/panels.h"
#include "support/controls_fake.h"

namespace korel {
namespace {

struct Golden {
    const char* name;
    int panel;
    uint64_t hash;
};

uint64_t fnv(const Surface& s, const Rect& r) {
    uint64_t h = 1469598103934665603ull;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            h ^= s.at(x, y);
            h *= 1099511628211ull;
        }
    return h;
}

void writeEnlarged(test::ControlsFake& fake, const Rect& r, const std::string& name) {
    const std::vector<Rgb> px = fake.rgb(r);
    const int k = 3, w = r.width(), h = r.height();
    std::vector<Rgb> big(size_t(w * k * h * k));
    for (int y = 0; y < h * k; ++y)
        for (int x = 0; x < w * k; ++x)
            big[size_t(y * w * k + x)] = px[size_t((y / k) * w + x / k)];
    const std::string folder = std::string(KOREL_SEED_DIR) + "/../panel_snapshots";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    writeRgbPng(folder + "/" + name + ".png", big, w * k, h * k);
}

// Fixed values for everything a panel shows.
void setScene(test::ControlsFake& fake) {
    fake.host.track = 7;
    fake.host.position = 83000;
    fake.host.length = 245000;
    fake.prefs.saverEnabled = true;
    fake.prefs.saverDelay = 15;
    fake.vis.setName(vs::GradientSetName, "Warm_Colours");
    fake.vis.setName(vs::BrushEffect, "Pulse");
    fake.state.parameterSlot = 0;
    fake.state.parameter = 1;
}

void expectGolden(test::ControlsFake& fake, Panels& panels, const Golden& g, const Rect& area) {
    (void)panels;
    writeEnlarged(fake, area, g.name);
    const uint64_t h = fnv(fake.canvas(), area);
    EXPECT_EQ(h, g.hash) << g.name << ": new hash 0x" << std::hex << h << "ull";
}

constexpr Rect kArea{7, 68, 204, 158};

TEST(PanelSnapshots, EveryPanel) {
    static const Golden kGolden[] = {
        {"music", panel::Music, 0xf1e014d887162e38ull},
        {"color", panel::Color, 0x7c5a4fd15b65b1c0ull},
        {"gradient", panel::Gradient, 0x26ca96a6db6e6cf2ull},
        {"fill", panel::Fill, 0xc9e4da9dcaadde3eull},
        {"brush", panel::Brush, 0x954c1fe98ea31abfull},
        {"movement", panel::Movement, 0x6dc9458fc7cfe386ull},
        {"sound_input", panel::SoundInput, 0xb4f9265a535199bfull},
        {"frequency", panel::Frequency, 0xa969045c1258b526ull},
        {"tempo", panel::Tempo, 0x4f01282d5423e710ull},
        {"manual_beats", panel::ManualBeats, 0xf77eb50219f44208ull},
        {"patterned_beats", panel::PatternedBeats, 0x35819bc0c46f9d21ull},
        {"scaling_fade", panel::ScalingFade, 0xbaea4b2e4ac44009ull},
        {"scaling_threshold", panel::ScalingThreshold, 0x1c3f32452a8dcc0bull},
        {"max_scaling_fade", panel::MaxScalingFade, 0xb35ba0e99b232abbull},
        {"screen_saver", panel::ScreenSaver, 0x710f7d1f4c9fa39dull},
        {"parameter", panel::Parameter, 0x4e0934d492cf2a1cull},
        {"replace_file", panel::ReplaceFile, 0xd8bf478545c54e0bull},
        {"brush_brightness", panel::BrushBrightness, 0x7de24181d3064793ull},
        {"fill_brightness", panel::FillBrightness, 0x3f9f7b5d7c1cdc56ull},
        {"brush_saturation", panel::BrushSaturation, 0x5d9e6ae39f82520dull},
        {"fill_saturation", panel::FillSaturation, 0x1f5ced602ae25978ull},
    };
    for (const Golden& g : kGolden) {
        test::ControlsFake fake(Edition::CD);
        Panels panels(fake.view);
        setScene(fake);
        panels.show(g.panel);
        expectGolden(fake, panels, g, kArea);
    }
}

TEST(PanelSnapshots, FilePanelsAndAttachments) {
    static const Golden kGolden[] = {
        {"text_entry", panel::TextEntry, 0x9ba8dd8a1c73bf5ull},
        {"text_entry_typed", panel::TextEntry, 0x6b1f7c6cbe7d875full},
        {"delete_file", panel::DeleteFile, 0x5e9c2b2e10008e15ull},
    };
    {
        test::ControlsFake fake;
        Panels panels(fake.view);
        panels.beginTextEntry(popup::Styles, "Last_Session");
        expectGolden(fake, panels, kGolden[0], kArea);
        panels.typeChar('A', 2);
        panels.typeChar('b', 0);
        expectGolden(fake, panels, kGolden[1], kArea);
        panels.beginDeleteFile(popup::Raves);
        expectGolden(fake, panels, kGolden[2], kArea);
    }
    static const Golden kCategories[] = {
        {"attach_brush_effects", 151, 0x565a4599f57c05e5ull},
        {"attach_fills_trails", 152, 0x9a7fc02f6434b7d8ull},
        {"attach_gradients", 153, 0x9bd7dfc7c882b2f2ull},
        {"attach_movements", 154, 0x8adc5fc0ad362fc5ull},
        {"attach_brush_color", 155, 0x53c5a18d8b374de1ull},
        {"attach_fill_color", 156, 0xaed4afac8939d698ull},
    };
    for (const Golden& g : kCategories) {
        test::ControlsFake fake;
        Panels panels(fake.view);
        fake.state.attachBrush = 1;
        fake.state.attachCategory = g.panel;
        fake.vis.set(VisualState::attachment(1) + att::Fill, 2);
        fake.vis.set(VisualState::attachment(1) + att::Trails, 1);
        fake.vis.set(VisualState::attachment(1) + att::ColourSpeed, 90);
        panels.show(panel::Attachments);
        expectGolden(fake, panels, g, kArea);
    }
}

TEST(PanelSnapshots, TapsAndTheLiveEdition) {
    static const Golden kGolden[] = {
        {"manual_beats_taps", panel::ManualBeats, 0xb407b187f03c81e8ull},
        {"patterned_beats_taps", panel::PatternedBeats, 0xf22f31b63cd58309ull},
        {"live_music", panel::Music, 0x73b8741f11af532eull},
        {"live_screen_saver_off", panel::ScreenSaver, 0xe016e2f22c987cdeull},
    };
    for (int i = 0; i < 2; ++i) {
        test::ControlsFake fake;
        Panels panels(fake.view);
        for (uint32_t t : {1000u, 1400u, 2200u, 2600u}) {
            if (i == 0)
                fake.engine.tapTempo(t);
            else
                fake.engine.tapPattern(t);
        }
        panels.show(kGolden[i].panel);
        expectGolden(fake, panels, kGolden[i], kArea);
    }
    test::ControlsFake fake(Edition::LIVE);
    Panels panels(fake.view);
    const Rect liveArea{7, 48, 204, 138};
    panels.show(panel::Music);
    expectGolden(fake, panels, kGolden[2], liveArea);
    fake.prefs.saverEnabled = false;
    panels.show(panel::ScreenSaver);
    expectGolden(fake, panels, kGolden[3], liveArea);
}

}  // namespace
}  // namespace korel

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
        {"music", panel::Music, 0x273ae53be183eb68ull},
        {"color", panel::Color, 0x74c8a8eb819be0eeull},
        {"gradient", panel::Gradient, 0xc747ae6594a193d7ull},
        {"fill", panel::Fill, 0x5db3aea0ce2ff63eull},
        {"brush", panel::Brush, 0x7545eb8ab6233fd3ull},
        {"movement", panel::Movement, 0x7d9fdff173ac1932ull},
        {"sound_input", panel::SoundInput, 0xd37ea911ee448aedull},
        {"frequency", panel::Frequency, 0xa461cf5133704d0cull},
        {"tempo", panel::Tempo, 0xc43923feeb39acb2ull},
        {"manual_beats", panel::ManualBeats, 0x80b65b7ca641b127ull},
        {"patterned_beats", panel::PatternedBeats, 0xad5da47117e6ac3eull},
        {"scaling_fade", panel::ScalingFade, 0x36ca680ef7f7690eull},
        {"scaling_threshold", panel::ScalingThreshold, 0x2ca1e35e5e200b27ull},
        {"max_scaling_fade", panel::MaxScalingFade, 0x7bd896c950e82c0eull},
        {"screen_saver", panel::ScreenSaver, 0x5b28c65726655f06ull},
        {"parameter", panel::Parameter, 0x80f58b8c29a764daull},
        {"replace_file", panel::ReplaceFile, 0xef853a98d8a0aebbull},
        {"brush_brightness", panel::BrushBrightness, 0xc726879d5a84eb6ull},
        {"fill_brightness", panel::FillBrightness, 0xbbfcea11ccd686abull},
        {"brush_saturation", panel::BrushSaturation, 0xbd23bedd617eacdcull},
        {"fill_saturation", panel::FillSaturation, 0xee298bc03087d6c9ull},
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
        {"text_entry", panel::TextEntry, 0x9b97faf7db40d73full},
        {"text_entry_typed", panel::TextEntry, 0x5688232226d1bb31ull},
        {"delete_file", panel::DeleteFile, 0x4e67d8c7c4040a4cull},
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
        {"attach_brush_effects", 151, 0x5bfab16867bd51bfull},
        {"attach_fills_trails", 152, 0x8cbcfb92c3e0d39eull},
        {"attach_gradients", 153, 0x8f7d358f295e0a2ull},
        {"attach_movements", 154, 0x4903752042258407ull},
        {"attach_brush_color", 155, 0x144f74526b01ec63ull},
        {"attach_fill_color", 156, 0x9502417c41aca22aull},
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
        {"manual_beats_taps", panel::ManualBeats, 0x150c4f5a7e44b91ull},
        {"patterned_beats_taps", panel::PatternedBeats, 0xc76b33f685924054ull},
        {"live_music", panel::Music, 0x6ce4f83461ee71f5ull},
        {"live_screen_saver_off", panel::ScreenSaver, 0x6417b41b3db7e7e9ull},
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

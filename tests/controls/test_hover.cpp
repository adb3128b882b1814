// The hover help: a text for every control, with its title and shortcut; the HoverId under the
// cursor; what is redrawn when the cursor moves and when the state changes under it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "controls/controls.h"
#include "controls/help_texts.h"
#include "controls/layout.h"
#include "persist/visual_state.h"
#include "shell/conductor.h"
#include "shell/program.h"
#include "support/controls_fake.h"
#include "support/running_program.h"
#include "triggers/triggers.h"

using namespace korel;

namespace {

std::string textOf(int id, Edition e, int panelId = 0) {
    HelpContext ctx;
    ctx.edition = e;
    ctx.panel = panelId;
    std::string out;
    helpText(id, ctx, out);
    return out;
}

std::string titleOf(int id, Edition e, int panelId = 0) {
    return std::string(helpTitle(textOf(id, e, panelId)));
}

}  // namespace

TEST(HelpTexts, EveryHoverIdHasATitleAndADescription) {
    for (Edition e : {Edition::CD, Edition::MP3, Edition::LIVE}) {
        for (int id : hoverIds(e)) {
            const std::string t = textOf(id, e);
            ASSERT_FALSE(t.empty()) << id;
            const size_t sep = t.find("\r\r");
            ASSERT_NE(sep, std::string::npos) << id;
            EXPECT_GT(sep, 0u) << id;
            EXPECT_GT(t.size(), sep + 20) << id << ": a description follows the title";
            EXPECT_LE(t.size(), kHelpTextCapacity) << id;
        }
    }
    // An id no control has gives nothing.
    EXPECT_EQ(textOf(999, Edition::MP3), "");
    EXPECT_EQ(textOf(hover::topButton(13), Edition::LIVE), "");
}

TEST(HelpTexts, TitlesAreThoseOfTheTable) {
    const std::map<int, std::string> mp3{
        {hover::topButton(0), "Quit Korel"},
        {hover::topButton(1), "Load Music File"},
        {hover::topButton(2), "Previous Track"},
        {hover::topButton(3), "Rewind Music"},
        {hover::topButton(4), "Stop Music"},
        {6097, "Play Music"},
        {6000, "Pause Music"},
        {hover::topButton(6), "Fastforward Music"},
        {hover::topButton(7), "Next Track"},
        {hover::topButton(8), "Enable Listening"},
        {hover::topButton(9), "Program Settings"},
        {hover::topButton(10), "Animation Window"},
        {13230, "Erase Brush Trails"},
        {hover::topButton(11), "Enable Brush Trails"},
        {hover::topButton(13), "Help"},
        {65535, "Click to hide/show controls"},
        {0, "Place cursor over button..."},
        {popup::Songs, "Song Popup"},
        {popup::Raves, "Rave Popup"},
        {hover::ManualButton, "Manual Control"},
        {hover::RecordingLight, "Recording Status Light"},
        {popup::Styles, "Style Popup"},
        {popup::Settings, "Korel Settings Popup"},
        {15000, "Shortcut Help Display"},
        {1, "Gradients"},
        {popup::Gradients, "Gradients Popup"},
        {hover::GradientPreview, "Gradient Preview"},
        {hover::GradientPreviewDisplay, "Gradient Preview Display"},
        {hover::TrackNumber, "Track Number"},
        {2, "Brush Color"},
        {3, "Fill Color"},
        {hover::BeatMeter, "Beat Meter"},
        {hover::BeatIndicator, "Beat Indicator"},
        {hover::ListenFrequency, "Listen To Frequency"},
        {hover::ListenVolume, "Listen to Volume"},
        {600, "Beat Sensitivity Slider"},
        {4, "Fills"},
        {popup::Fills, "Fills Popup"},
        {10, "Brushes"},
        {popup::Brushes, "Brushes Popup"},
        {9, "Movements"},
        {popup::Movements, "Movements Popup"},
        {103, "Gradient Settings"},
        {101, "Color Settings"},
        {109, "Beats Per Minute"},
        {108, "Frequency Settings"},
        {104, "Fill Settings"},
        {105, "Brush Settings"},
        {106, "Movement Settings"},
        {601, "Color Beat Counter"},
        {613, "Gradient Threshold Meter"},
        {624, "Fill Trigger Setting"},
        {605, "Brush Beat Counter"},
        {626, "Movement Trigger Setting"},
        {popup::Songlists, "Songlist Popup"},
        {hover::ElapsedTime, "Elapsed Song Time"},
        {hover::TotalTime, "Total Song Time"},
        {slider::Volume, "Volume"},
        {popup::GradientSets, "Gradient Sets Popup"},
        {217, "Color Speed"},
        {slider::ColourSpeed, "Color Speed Slider"},
        {popup::PanelBrushColourEffects, "Brush Color Effect Popup"},
        {popup::PanelFillColourEffects, "Fill Color Effect Popup"},
        {219, "Color Kick"},
        {slider::ColourKick, "Color Kick Slider"},
        {popup::BrushEffects, "Brush Effect Popup"},
        {slider::BrushSpeed, "Brush Speed Slider"},
        {slider::Spread, "Spread Slider"},
        {popup::SoundInputs, "Sound Input Popup"},
        {button::Search, "Search for Active Sound"},
        {button::Default, "Restore Frequency Defaults"},
        {203, "Listening Frequency"},
        {slider::Frequency, "Listening Frequency Slider"},
        {hover::Spectrograph, "Frequency Spectrograph"},
        {200, "Beat Tempo"},
        {slider::Tempo, "Beat Tempo Slider"},
        {button::Clear, "Clear Beats"},
        {hover::AverageTempo, "Average Tempo Display"},
        {hover::PatternBar, "Patterned Beats Display"},
        {button::SaverOnOff, "Enable Screen Saver"},
        {201, "Screen Saver Delay"},
        {slider::SaverDelay, "Screen Saver Delay Slider"},
        {hover::ScaleMeter, "Sound Scale Meter"},
        {slider::MaxScalingFade, "Max Scaling Fade Slider"},
        {207, "Fill Saturation"},
        {slider::BrushBrightness, "Brush Brightness Slider"},
        {button::Randomization, "Parameter Randomization"},
        {popup::AttachCategory, "Brush Attachments Popup"},
        {slider::AttachedBrushSpeed, "Brush Speed Attachment"},
        {popup::AttachBrushColour, "Brush Color Effect Attach."},
        {slider::AttachedFillBrightness, "Fill Brightness Attachment"},
        {hover::TextField, "Text Entry Field"},
        {button::Save, "Save File"},
        {button::Cancel, "Cancel Save"},
        {button::Yes, "Replace File"},
        {button::No, "Don't Replace File"},
        {389, "Delete Files Popup"},
        {button::Done, "Done Deleting Files"},
    };
    for (const auto& [id, title] : mp3) EXPECT_EQ(titleOf(id, Edition::MP3), title) << id;

    // Edition variants.
    EXPECT_EQ(titleOf(hover::topButton(1), Edition::CD), "Eject CD");
    EXPECT_EQ(titleOf(popup::Songlists, Edition::CD), "CD List Popup");
    EXPECT_EQ(titleOf(popup::CdDrives, Edition::CD), "CD Drive Popup");
    EXPECT_EQ(titleOf(100, Edition::CD), "CD Settings");
    EXPECT_EQ(titleOf(button::PlayWhenLaunched, Edition::CD), "Enable Playing of CD");
    EXPECT_EQ(titleOf(hover::topButton(1), Edition::LIVE), "Previous Style");
    EXPECT_EQ(titleOf(hover::topButton(2), Edition::LIVE), "Stop Animation");
    EXPECT_EQ(titleOf(hover::topButton(3), Edition::LIVE), "Play Animation");
    EXPECT_EQ(titleOf(hover::topButton(3, true), Edition::LIVE), "Pause Animation");
    EXPECT_EQ(titleOf(hover::topButton(4), Edition::LIVE), "Next Style");
    EXPECT_EQ(titleOf(hover::topButton(10), Edition::LIVE), "Help");
    // The tap buttons name the panel's kind of beat.
    EXPECT_EQ(titleOf(button::Beat, Edition::MP3, panel::ManualBeats), "Tap Manual Beats");
    EXPECT_EQ(titleOf(button::Beat, Edition::MP3, panel::PatternedBeats), "Tap Patterned Beats");
    EXPECT_EQ(titleOf(button::Apply, Edition::MP3, panel::ManualBeats), "Apply New Tempo");
    EXPECT_EQ(titleOf(button::Apply, Edition::MP3, panel::PatternedBeats), "Apply New Pattern");
    EXPECT_EQ(titleOf(button::Align, Edition::MP3, panel::ManualBeats), "Align Current Tempo");
    EXPECT_EQ(titleOf(button::Align, Edition::MP3, panel::PatternedBeats),
              "Align Current Pattern");
}

TEST(HelpTexts, EveryKeyOfTheKeyTableIsNamedInItsControlsShortcut) {
    const std::multimap<int, std::string> keys{
        {hover::topButton(0), "Q"},        {hover::topButton(2), "Left Arrow"},
        {hover::topButton(7), "Right Arrow"}, {6000, "P"},
        {6097, "P"},                       {hover::topButton(8), "L"},
        {hover::topButton(10), "V"},       {hover::topButton(13), "?"},
        {hover::topButton(13), "/"},       {hover::topButton(13), "F1"},
        {hover::topButton(11), "A"},       {hover::topButton(12), "W"},
        {65535, "Space"},                  {hover::ManualButton, "H"},
        {popup::Styles, ";"},              {1, "G"},
        {2, "C"},                          {2, "O"},
        {3, "K"},                          {3, "O"},
        {hover::BeatIndicator, "I"},       {4, "F"},
        {10, "B"},                         {9, "M"},
        {slider::Volume, "Up Arrow"},      {slider::Volume, "Down Arrow"},
        {slider::ColourSpeed, "R"},        {slider::ColourKick, "J"},
        {slider::BrushSpeed, "S"},         {slider::Spread, "D"},
        {slider::Tempo, "T"},              {button::Clear, "Control-E"},
        {button::Save, "Enter"},           {button::Yes, "Return"},
        {hover::TextField, "Enter"},       {button::Default, "N"},
        {hover::ParameterSlider, "X"},     {hover::ParameterSlider, "Y"},
        {hover::ParameterSlider, "Z"},
    };
    for (const auto& [id, key] : keys) {
        const std::string t = textOf(id, Edition::MP3);
        const size_t at = t.find("\r\rShortcut Key");
        ASSERT_NE(at, std::string::npos) << id;
        const std::string para = t.substr(at) + " ";
        // The key stands as a word of the shortcut paragraph.
        bool found = false;
        for (size_t p = para.find(key); p != std::string::npos; p = para.find(key, p + 1)) {
            const char before = para[p - 1], after = para[p + key.size()];
            if ((before == ' ' || before == '-') && (after == ' ' || after == ',' || after == '.'))
                found = true;
        }
        EXPECT_TRUE(found) << id << " lacks " << key << ": " << para;
    }
    // The tap keys: E taps, Shift-E applies, TAB aligns, in either panel.
    for (int p : {panel::ManualBeats, panel::PatternedBeats}) {
        EXPECT_NE(textOf(button::Beat, Edition::MP3, p).find("= E ("), std::string::npos);
        EXPECT_NE(textOf(button::Apply, Edition::MP3, p).find("Shift-E"), std::string::npos);
        EXPECT_NE(textOf(button::Align, Edition::MP3, p).find("TAB"), std::string::npos);
    }
    // LIVE's style keys.
    EXPECT_NE(textOf(hover::topButton(1), Edition::LIVE).find("Left Arrow"), std::string::npos);
    EXPECT_NE(textOf(hover::topButton(4), Edition::LIVE).find("Right Arrow"), std::string::npos);
}

TEST(HelpTexts, SharedParagraphsAndStateVariants) {
    const std::string manual =
        "\r\rIf you want to play with the controls, manual mode is recommended. Or drag the beat "
        "counter below to zero so that automatic triggering does not replace your selection.";
    for (int id : {1, 2, 3, 4, 9, 10}) EXPECT_NE(textOf(id, Edition::MP3).find(manual), std::string::npos) << id;
    // Every popup explains its scroll arrows.
    for (int id : {int(popup::Styles), int(popup::Gradients), 389, 624})
        EXPECT_NE(textOf(id, Edition::MP3).find("arrows appear"), std::string::npos) << id;

    HelpContext ctx;
    ctx.edition = Edition::CD;
    std::string with, without;
    ctx.discPresent = true;
    helpText(hover::TotalTime, ctx, with);
    ctx.discPresent = false;
    helpText(hover::TotalTime, ctx, without);
    EXPECT_EQ(helpTitle(with), "Total Song Time");
    EXPECT_EQ(helpTitle(without), "Total Song Time");
    EXPECT_NE(with, without);

    ctx.entryLimit = 15;
    std::string style, song;
    helpText(hover::TextField, ctx, style);
    ctx.entryLimit = 27;
    helpText(hover::TextField, ctx, song);
    EXPECT_NE(style.find("15 letters"), std::string::npos);
    EXPECT_NE(song.find("27 letters"), std::string::npos);

    // The parameter slider is titled by its parameter; the button of the same number is not.
    ctx.parameterName = "Loops";
    std::string slider;
    helpText(hover::ParameterSlider, ctx, slider);
    EXPECT_EQ(helpTitle(slider), "Loops Slider.");
    EXPECT_EQ(titleOf(button::Randomization, Edition::CD), "Parameter Randomization");

    // Assembling into reserved room does not grow it.
    std::string out;
    out.reserve(kHelpTextCapacity);
    const size_t capacity = out.capacity();
    for (Edition e : {Edition::CD, Edition::MP3, Edition::LIVE})
        for (int id : hoverIds(e)) {
            helpText(id, HelpContext{e, false, 0, 15, {}}, out);
            EXPECT_EQ(out.capacity(), capacity) << id;
        }
}

// --- The window --------------------------------------------------------------------------

namespace {

struct HoverWindow {
    explicit HoverWindow(Edition e = Edition::MP3) : r(640, 480, e) {
        c().toggleSettingsLock();
        EXPECT_TRUE(c().state().drawnExpanded);
    }
    test::RunningLive r;
    Controls& c() { return r.program->controls(); }
    WindowId w() { return r.program->controlsWindow(); }
    void at(int x, int y) {
        const Rect wr = r.platform.windowRect(w());
        r.platform.setCursor(Point{wr.left + x, wr.top + y});
        c().updateHover();
    }
    // The title display's pixels.
    std::vector<uint8_t> display() {
        std::vector<uint8_t> px;
        Surface& s = r.platform.canvas(w());
        for (int y = 6; y < 16; ++y)
            for (int x = 270; x < 399; ++x) px.push_back(s.at(x, y));
        return px;
    }
    std::vector<uint8_t> help() {
        Surface& s = r.platform.canvas(r.program->helpWindow());
        return std::vector<uint8_t>(s.row(0), s.row(0) + size_t(s.width() * s.height()));
    }
};

}  // namespace

TEST(HoverHelp, TheHoverIdFollowsTheControlsInOrder) {
    HoverWindow h;
    Controls& c = h.c();
    EXPECT_EQ(c.hoverIdAt(Point{5, 5}), 1002);
    EXPECT_EQ(c.hoverIdAt(Point{2 + 19 * 13 + 3, 10}), 14249);
    EXPECT_EQ(c.hoverIdAt(Point{300, 10}), hover::ShortcutDisplay);
    EXPECT_EQ(c.hoverIdAt(Point{100, 30}), popup::Songs);
    EXPECT_EQ(c.hoverIdAt(Point{230, 30}), hover::ManualButton);
    EXPECT_EQ(c.hoverIdAt(Point{250, 52}), hover::RecordingLight);
    EXPECT_EQ(c.hoverIdAt(Point{300, 100}), 1);                  // gradient row: selects
    EXPECT_EQ(c.hoverIdAt(Point{362, 100}), popup::Gradients);   // its popup corner
    EXPECT_EQ(c.hoverIdAt(Point{385, 100}), hover::GradientPreviewDisplay);
    EXPECT_EQ(c.hoverIdAt(Point{50, 195}), 2);
    EXPECT_EQ(c.hoverIdAt(Point{50, 208}), 3);
    EXPECT_EQ(c.hoverIdAt(Point{150, 300}), 10);
    EXPECT_EQ(c.hoverIdAt(Point{180, 200}), hover::BeatMeter);
    EXPECT_EQ(c.hoverIdAt(Point{220, 220}), hover::ListenVolume);
    EXPECT_EQ(c.hoverIdAt(Point{150, 238}), hover::Sensitivity);
    // Trigger widgets: box code + 500, 510, 520.
    EXPECT_EQ(c.hoverIdAt(Point{20, 448}), 604);
    EXPECT_EQ(c.hoverIdAt(Point{20, 430}), 614);
    EXPECT_EQ(c.hoverIdAt(Point{273 + 87 + 5, 243 - 20}), 623);
    // BEAT METER's title button names the panel it would show.
    h.r.program->conductor().triggers().setListening(false, 0);
    EXPECT_EQ(c.hoverIdAt(Point{150, 170}), panel::Tempo);
    h.r.program->conductor().triggers().setListening(true, 0);
    EXPECT_EQ(c.hoverIdAt(Point{150, 170}), panel::Frequency);
    // The panel's controls, and nothing between the boxes.
    EXPECT_EQ(c.hoverIdAt(Point{160, 76}), popup::Settings);
    EXPECT_EQ(c.hoverIdAt(Point{140, 250 - 3}), hover::NoControl);
    c.panels().show(panel::Parameter);
    EXPECT_EQ(c.hoverIdAt(Point{170, 115}), button::Randomization);
    EXPECT_EQ(c.hoverIdAt(Point{100, 146}), hover::ParameterSlider);
}

TEST(HoverHelp, OnlyAChangeOfControlRedraws) {
    HoverWindow h;
    Controls& c = h.c();
    h.at(300, 100);  // a gradient row
    const uint32_t drawn = c.hoverRedraws();
    const auto before = h.display();
    h.at(310, 101);
    h.at(330, 110);
    EXPECT_EQ(c.hoverRedraws(), drawn) << "moving within one control";
    EXPECT_EQ(h.display(), before);
    h.at(362, 100);  // its popup corner
    EXPECT_EQ(c.hoverRedraws(), drawn + 1);
    EXPECT_NE(h.display(), before);
    EXPECT_EQ(helpTitle(c.helpText()), "Gradients Popup");
    h.at(363, 101);
    EXPECT_EQ(c.hoverRedraws(), drawn + 1);
    // Outside the window with the animation shown: the click hint.
    h.at(-20, 40);
    EXPECT_EQ(helpTitle(c.helpText()), "Click to hide/show controls");
    h.at(140, 247);
    EXPECT_EQ(helpTitle(c.helpText()), "Place cursor over button...");
}

TEST(HoverHelp, WithTheHelpWindowClosedOnlyTheTitleDisplayChanges) {
    HoverWindow h;
    Program& p = *h.r.program;
    if (h.r.platform.windowVisible(p.helpWindow())) p.toggleHelp();
    ASSERT_FALSE(h.r.platform.windowVisible(p.helpWindow()));
    const auto help = h.help();
    h.at(5, 5);
    h.at(300, 100);
    EXPECT_EQ(h.help(), help);
    // Opened, it shows the text of the control under the cursor and follows the cursor.
    p.toggleHelp();
    ASSERT_TRUE(h.r.platform.windowVisible(p.helpWindow()));
    const auto gradients = h.help();
    EXPECT_NE(gradients, help);
    // Written into the build folder to look at.
    const std::string folder = std::string(KOREL_SEED_DIR) + "/../window_snapshots";
    std::filesystem::create_directories(folder);
    h.r.platform.snapshotPng(p.helpWindow(), folder + "/help_gradients.png");
    h.r.platform.snapshotPng(h.w(), folder + "/hover_gradients.png");
    h.at(5, 5);
    EXPECT_NE(h.help(), gradients);
    // Beside the expanded window.
    EXPECT_EQ(h.r.platform.windowRect(p.helpWindow()).left,
              h.r.platform.windowRect(h.w()).right);
}

TEST(HoverHelp, TheHelpButtonIsLitWheneverTheHelpWindowComesBackWithTheControls) {
    HoverWindow h;
    Program& p = *h.r.program;
    if (!h.r.platform.windowVisible(p.helpWindow())) p.toggleHelp();
    const auto button = [&] {
        std::vector<uint8_t> px;
        Surface& s = h.r.platform.canvas(h.w());
        const Rect b = topButtonRect(13);  // MP3: Help is the last of fourteen
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x) px.push_back(s.at(x, y));
        return px;
    };
    const auto lit = button();
    // Clicking Program Settings collapses: the help window hides and the button goes out.
    const auto clickSettings = [&] {
        h.r.platform.pushClick(h.w(), 2 + 19 * 9 + 5, 8);
        for (int i = 0; i < 5; ++i) p.pass();
    };
    clickSettings();
    ASSERT_FALSE(h.c().state().drawnExpanded);
    ASSERT_FALSE(h.r.platform.windowVisible(p.helpWindow()));
    EXPECT_NE(button(), lit);
    // Expanding brings both back.
    clickSettings();
    ASSERT_TRUE(h.c().state().drawnExpanded);
    ASSERT_TRUE(h.r.platform.windowVisible(p.helpWindow()));
    EXPECT_EQ(button(), lit);
}

TEST(HoverHelp, PlayTurnsIntoPauseUnderARestingCursor) {
    // The LIVE edition's Play / Pause Animation is the fourth button; MP3's the sixth.
    HoverWindow live(Edition::LIVE);
    live.at(2 + 19 * 3 + 5, 8);
    const std::string first(helpTitle(live.c().helpText()));
    live.c().buttonDown(Point{2 + 19 * 3 + 5, 8}, 0);
    for (int i = 0; i < 5; ++i) live.r.program->pass();
    live.c().updateHover();
    const std::string second(helpTitle(live.c().helpText()));
    EXPECT_NE(first, second);
    EXPECT_TRUE((first == "Pause Animation" && second == "Play Animation") ||
                (first == "Play Animation" && second == "Pause Animation"))
        << first << " / " << second;
}


// The settings panels' tables: every panel's title, icon and places, and the slider ranges.
#include "controls/panel_table.h"

#include <array>

namespace korel::panels {

namespace {

// Recurring places of the area.
constexpr Rect kLine1{109, 94, 200, 107};
constexpr Rect kLine2{109, 108, 200, 121};
constexpr Rect kLine3{109, 123, 200, 136};
constexpr Rect kWideLine1{39, 94, 200, 107};
constexpr Rect kLabel1{158, 95, 199, 108};
constexpr Rect kLabel2{158, 110, 199, 123};
constexpr Rect kLabel3{158, 125, 199, 138};
constexpr Rect kClearButton{158, 140, 199, 153};
constexpr Rect kDefaultButton{12, 95, 53, 108};
constexpr Rect kLeftButton{47, 136, 88, 149};
constexpr Rect kRightButton{123, 136, 164, 149};
constexpr Rect kDoneButton{85, 125, 126, 138};
constexpr Rect kScaleMeter{135, 95, 199, 108};  // where the sound side draws its meter
constexpr Rect kSpectrograph{42, 112, 169, 140};

constexpr int kBoxFiles = int(Box::Files), kBoxGradients = int(Box::Gradients),
              kBoxColors = int(Box::Colors), kBoxBeatMeter = int(Box::BeatMeter),
              kBoxFills = int(Box::Fills), kBoxBrushes = int(Box::Brushes),
              kBoxMovements = int(Box::Movements);

using P = Part;

constexpr Item kMusic[] = {
    {P::Field, kWideLine1, popup::Songlists, "List:", When::NotLive},
    {P::Picture, Rect{66, 116, 89, 133}, kShowTrackDigits, "Song:", When::NotLive,
     hover::TrackNumber},
    {P::Value, Rect{140, 110, 199, 123}, kShowElapsed, "Min:Sec:", When::NotLive,
     hover::ElapsedTime},
    {P::Value, Rect{140, 125, 199, 138}, kShowTotal, "Total:", When::NotLive, hover::TotalTime},
    {P::Slider, kSliderLine, slider::Volume, "Vol:"},
};

constexpr Item kColor[] = {
    {P::Field, kLine1, popup::PanelBrushColourEffects, "Brush Color Effect:"},
    {P::Field, kLine2, popup::PanelFillColourEffects, "Fill Color Effect:"},
    {P::Slider, kSliderLine, slider::ColourKick, "Color Kick (Percent):"},
};
constexpr Item kBrushBrightness[] = {
    {P::Field, kLine1, popup::PanelBrushColourEffects, "Brush Color Effect:"},
    {P::Field, kLine2, popup::PanelFillColourEffects, "Fill Color Effect:"},
    {P::Slider, kSliderLine, slider::BrushBrightness, "Brush Brightness:"},
};
constexpr Item kFillBrightness[] = {
    {P::Field, kLine1, popup::PanelBrushColourEffects, "Brush Color Effect:"},
    {P::Field, kLine2, popup::PanelFillColourEffects, "Fill Color Effect:"},
    {P::Slider, kSliderLine, slider::FillBrightness, "Fill Brightness:"},
};
constexpr Item kBrushSaturation[] = {
    {P::Field, kLine1, popup::PanelBrushColourEffects, "Brush Color Effect:"},
    {P::Field, kLine2, popup::PanelFillColourEffects, "Fill Color Effect:"},
    {P::Slider, kSliderLine, slider::BrushSaturation, "Brush Saturation:"},
};
constexpr Item kFillSaturation[] = {
    {P::Field, kLine1, popup::PanelBrushColourEffects, "Brush Color Effect:"},
    {P::Field, kLine2, popup::PanelFillColourEffects, "Fill Color Effect:"},
    {P::Slider, kSliderLine, slider::FillSaturation, "Fill Saturation:"},
};

constexpr Item kGradient[] = {
    {P::Field, kLine1, popup::GradientSets, "Gradient Sets:"},
    {P::Slider, kSliderLine, slider::ColourSpeed, "Color Speed (Shift/Sec):"},
};
constexpr Item kFill[] = {
    {P::Field, kLine1, popup::FillSets, "Fill Sets:"},
};
constexpr Item kBrush[] = {
    {P::Field, kLine1, popup::BrushSets, "Brush Sets:"},
    {P::Field, kLine2, popup::BrushEffects, "Brush Effect:"},
    {P::Slider, kSliderLine, slider::BrushSpeed, "Brush Speed (Frames/Sec):"},
};
constexpr Item kMovement[] = {
    {P::Field, kLine1, popup::MovementSets, "Movement Sets:"},
    {P::Slider, kSliderLine, slider::Spread, "Movement Spread (Pixels):"},
};

constexpr Item kSoundInput[] = {
    {P::Field, kLine1, popup::SoundInputs, "Current Input:"},
    {P::Button, kLabel3, button::Search, "Search for Active Sound:"},
};
constexpr Item kFrequency[] = {
    {P::Button, kDefaultButton, button::Default, nullptr},
    {P::Slider, kSliderLine, slider::Frequency, "Hertz:"},
    {P::Picture, kSpectrograph, kShowSpectrograph, nullptr, When::Always, hover::Spectrograph},
};
constexpr Item kTempo[] = {
    {P::Slider, kSliderLine, slider::Tempo, "Beats Per Minute:"},
};
constexpr Item kManualBeats[] = {
    {P::Button, kLabel1, button::Beat, "Click Beats Here:"},
    {P::Button, kLabel2, button::Apply, "Apply New Tempo:", When::TwoTaps},
    {P::Button, kLabel2, button::Align, "Align Current Tempo:", When::FewerTaps},
    {P::Value, kLabel3, kShowAverageTempo, "Average Tempo (Beats/Min.):", When::Always,
     hover::AverageTempo},
    {P::Button, kClearButton, button::Clear, nullptr},
};
constexpr Item kPatternedBeats[] = {
    {P::Button, kLabel1, button::Beat, "Click Pattern Here:"},
    {P::Button, kLabel2, button::Apply, "Apply New Pattern:", When::TwoTaps},
    {P::Button, kLabel2, button::Align, "Align Current Pattern:", When::FewerTaps},
    {P::Picture, kPatternBar, kShowPatternBar, nullptr, When::Always, hover::PatternBar},
    {P::Button, kClearButton, button::Clear, nullptr},
};
constexpr Item kScalingFade[] = {
    {P::Picture, kScaleMeter, kShowScaleMeter, "Sound Scale Display:", When::Always,
     hover::ScaleMeter},
    {P::Slider, kSliderLine, slider::ScalingFade, "Fade Time (Tenths of a Sec.):"},
};
constexpr Item kScalingThreshold[] = {
    {P::Picture, kScaleMeter, kShowScaleMeter, "Sound Scale Display:", When::Always,
     hover::ScaleMeter},
    {P::Slider, kSliderLine, slider::ScalingThreshold, "Scaling Threshold (Percent):"},
};
constexpr Item kMaxScalingFade[] = {
    {P::Picture, kScaleMeter, kShowScaleMeter, "Sound Scale Display:", When::Always,
     hover::ScaleMeter},
    {P::Slider, kSliderLine, slider::MaxScalingFade, "Fade Time (Tenths of a Sec.):"},
};
constexpr Item kScreenSaver[] = {
    {P::Button, kLabel1, button::SaverOnOff, "Screen Saver:"},
    {P::Button, kLabel2, button::PlayWhenLaunched, "Play CD When Launched:", When::CdOnly},
    {P::Slider, kSliderLine, slider::SaverDelay, "Screen Saver Delay (Min):", When::SaverOn},
};
// The parameter's name is the slider's label; the panel supplies it.
constexpr Item kParameter[] = {
    {P::Button, kLabel2, button::Randomization, "Randomization:"},
    {P::Slider, kSliderLine, slider::Parameter, nullptr},
};
constexpr Item kTextEntry[] = {
    {P::Picture, Rect{10, 96, 201, 110}, kShowPrompt, nullptr, When::Always, hover::TextField},
    {P::Picture, kEditField, kShowEditField, nullptr, When::Always, hover::TextField},
    {P::Button, kLeftButton, button::Save, nullptr},
    {P::Button, kRightButton, button::Cancel, nullptr},
};
constexpr Item kReplaceFile[] = {
    {P::Label, Rect{10, 100, 201, 114}, 0, "Replace existing file?"},
    {P::Button, kLeftButton, button::Yes, nullptr},
    {P::Button, kRightButton, button::No, nullptr},
};
// The field's popup is the delete popup of the kind the panel was opened for (id 0 here).
constexpr Item kDeleteFile[] = {
    {P::Field, kWideLine1, 0, nullptr},
    {P::Label, Rect{10, 109, 201, 122}, 0, "Select item in popup to delete it"},
    {P::Button, kDoneButton, button::Done, nullptr},
};
constexpr Item kAttachments[] = {
    {P::Field, kLine1, popup::AttachCategory, "Select Category:"},
};

constexpr Item kAttachBrushEffects[] = {
    {P::Field, kLine2, popup::AttachBrushEffect, "Brush Effect:"},
    {P::Slider, kSliderLine, slider::AttachedBrushSpeed, "Brush Speed (Frames/Sec):"},
};
constexpr Item kAttachFillsTrails[] = {
    {P::Field, kLine2, popup::AttachFill, "Fill:"},
    {P::Field, kLine3, popup::AttachTrails, "Trails:"},
};
constexpr Item kAttachGradients[] = {
    {P::Field, kLine2, popup::AttachGradient, "Gradient:"},
    {P::Slider, kSliderLine, slider::AttachedColourSpeed, "Color Speed (Shift/Sec):"},
};
constexpr Item kAttachMovements[] = {
    {P::Field, kLine2, popup::AttachMovement, "Movement:"},
    {P::Slider, kSliderLine, slider::AttachedSpread, "Movement Spread (Pixels):"},
};
constexpr Item kAttachBrushColour[] = {
    {P::Field, kLine2, popup::AttachBrushColour, "Brush Color Effect:"},
    {P::Slider, kSliderLine, slider::AttachedBrushBrightness, "Brush Brightness:"},
};
constexpr Item kAttachFillColour[] = {
    {P::Field, kLine2, popup::AttachFillColour, "Fill Color Effect:"},
    {P::Slider, kSliderLine, slider::AttachedFillBrightness, "Fill Brightness:"},
};

constexpr PanelSpec kPanels[] = {
    {panel::Music, "MUSIC SETTINGS", kBoxFiles, kMusic},
    {panel::Color, "COLOR SETTINGS", kBoxColors, kColor},
    {panel::Gradient, "GRADIENT SETTINGS", kBoxGradients, kGradient},
    {panel::Fill, "FILL SETTINGS", kBoxFills, kFill},
    {panel::Brush, "BRUSH SETTINGS", kBoxBrushes, kBrush},
    {panel::Movement, "MOVEMENT SETTINGS", kBoxMovements, kMovement},
    {panel::SoundInput, "SOUND INPUT", kBoxBeatMeter, kSoundInput},
    {panel::Frequency, "FREQUENCY SETTINGS", kBoxBeatMeter, kFrequency},
    {panel::Tempo, "BEATS PER MINUTE", kBoxBeatMeter, kTempo},
    {panel::ManualBeats, "MANUAL BEATS", kBoxBeatMeter, kManualBeats},
    {panel::PatternedBeats, "PATTERNED BEATS", kBoxBeatMeter, kPatternedBeats},
    {panel::ScalingFade, "SOUND SCALING FADE", kBoxBeatMeter, kScalingFade},
    {panel::ScalingThreshold, "SCALING THRESHOLD", kBoxBeatMeter, kScalingThreshold},
    {panel::MaxScalingFade, "MAX SCALING FADE", kBoxBeatMeter, kMaxScalingFade},
    {panel::ScreenSaver, "SCREEN SAVER", kBoxBeatMeter, kScreenSaver},
    {panel::Parameter, "PARAMETER DETAILS", -1, kParameter},
    {panel::TextEntry, "TEXT ENTRY", -1, kTextEntry},
    {panel::ReplaceFile, "REPLACE FILE", -1, kReplaceFile},
    {panel::DeleteFile, "DELETE FILE", -1, kDeleteFile},
    {panel::BrushBrightness, "COLOR SETTINGS", kBoxColors, kBrushBrightness},
    {panel::FillBrightness, "COLOR SETTINGS", kBoxColors, kFillBrightness},
    {panel::BrushSaturation, "COLOR SETTINGS", kBoxColors, kBrushSaturation},
    {panel::FillSaturation, "COLOR SETTINGS", kBoxColors, kFillSaturation},
    {panel::Attachments, "ATTACHMENTS", -1, kAttachments},
};

struct Category {
    int id;
    const char* name;
    std::span<const Item> items;
};
constexpr Category kCategories[] = {
    {151, "Brush Effects", kAttachBrushEffects}, {152, "Fills & Trails", kAttachFillsTrails},
    {153, "Gradients", kAttachGradients},        {154, "Movements", kAttachMovements},
    {155, "Brush Color", kAttachBrushColour},    {156, "Fill Color", kAttachFillColour},
};

struct SliderSpec {
    int id;
    SliderRange range;
    int changeCode;
    int attachmentByte;  // BrushAttachment byte; -1 none
    int valueHover;
};
// Attachment bytes (see persist/visual_state.h att::).
constexpr SliderSpec kSliders[] = {
    {slider::Volume, {0, 255}, 0, -1, 0},
    {slider::Tempo, {0, 24000}, 0, -1, 200},
    {slider::SaverDelay, {1, 120}, 0, -1, 201},
    {slider::Parameter, {0, 120}, 0, -1, 202},
    {slider::Frequency, {0, 126}, 0, -1, 203},
    {slider::BrushBrightness, {0, 100}, 0, 9, 204},
    {slider::FillBrightness, {0, 100}, 0, 10, 205},
    {slider::BrushSaturation, {0, 100}, 0, 11, 206},
    {slider::FillSaturation, {0, 100}, 0, 12, 207},
    {slider::ScalingFade, {0, 40}, 0, -1, 208},
    {slider::ScalingThreshold, {0, 100}, 0, -1, 209},
    {slider::MaxScalingFade, {0, 120}, 0, -1, 210},
    {slider::AttachedBrushSpeed, {0, 120}, 0, 5, 211},
    {slider::AttachedColourSpeed, {-60, 60}, 0, 6, 212},
    {slider::AttachedSpread, {1, 120}, 0, 7, 213},
    {slider::AttachedBrushBrightness, {0, 100}, 0, 9, 214},
    {slider::AttachedFillBrightness, {0, 100}, 0, 10, 215},
    {slider::BrushSpeed, {0, 120}, 11, 5, 216},
    {slider::ColourSpeed, {-60, 60}, 12, 6, 217},
    {slider::Spread, {1, 120}, 13, 7, 218},
    {slider::ColourKick, {-50, 50}, 14, 8, 219},
};

const SliderSpec* findSlider(int id) {
    for (const SliderSpec& s : kSliders)
        if (s.id == id) return &s;
    return nullptr;
}

}  // namespace

const PanelSpec* findPanel(int panelId) {
    for (const PanelSpec& p : kPanels)
        if (p.id == panelId) return &p;
    return nullptr;
}

std::span<const Item> attachmentItems(int category) {
    for (const Category& c : kCategories)
        if (c.id == category) return c.items;
    return {};
}

const char* attachmentCategoryName(int category) {
    for (const Category& c : kCategories)
        if (c.id == category) return c.name;
    return "";
}

SliderRange sliderRange(int sliderId) {
    const SliderSpec* s = findSlider(sliderId);
    return s ? s->range : SliderRange{0, 120};
}

int knobX(int value, SliderRange r) {
    if (r.max <= r.min) return 39;
    return (value - r.min) * 127 / (r.max - r.min) + 39;
}

int valueAtX(int x, SliderRange r) {
    x = std::clamp(x, 42, 169);
    return r.min + (r.max - r.min) * (x - 42) / 127;
}

bool passesModifier(int sliderId) {
    return sliderId == slider::BrushSpeed || sliderId == slider::ColourSpeed ||
           sliderId == slider::Spread || sliderId == slider::ColourKick ||
           sliderId == slider::Parameter;
}

bool isAttachmentSlider(int sliderId) {
    return sliderId >= 436 && sliderId <= 443;
}

int changeCodeOf(int sliderId) {
    const SliderSpec* s = findSlider(sliderId);
    return s ? s->changeCode : 0;
}

int attachmentByteOf(int sliderId) {
    const SliderSpec* s = findSlider(sliderId);
    return s ? s->attachmentByte : -1;
}

int valueHoverOf(int sliderId) {
    const SliderSpec* s = findSlider(sliderId);
    return s ? s->valueHover : 0;
}

}  // namespace korel::panels

// The default visual state and the upgrade of version-1 records.
#include "persist/visual_state.h"

#include <cstring>

namespace korel {

VisualState defaultVisualState() {
    VisualState s;
    auto& b = s.bytes;
    b.fill(0);
    b[vs::Tag] = 'S';
    b[vs::Version] = 3;
    b[vs::NameWidth] = 16;
    b[vs::Switches] = 3;
    b[vs::BrushColour] = 1;
    b[vs::FillColour] = 1;
    b[vs::BrushSpeed] = 40;
    b[vs::ColourSpeed] = 75;
    b[vs::MovementSpread] = 40;
    b[vs::ColourKick] = 43;
    b[vs::BeatSensitivity] = 26;
    b[vs::BrushBrightness] = 100;
    b[vs::FillBrightness] = 100;
    b[vs::BrushSaturation] = 100;
    b[vs::FillSaturation] = 100;
    b[vs::AnalysisWindow] = 6;
    b[vs::ListeningFrequency] = 13;
    b[vs::ScalingFade] = 0;
    b[vs::ScalingThreshold] = 25;
    b[vs::MaxScalingFade] = 120;
    s.setTempo(1500);
    s.setName(vs::StyleName, "Default");
    b[vs::TriggerKindCount] = kTriggerKinds;
    const uint8_t thresholds[kTriggerKinds] = {0, 0, 24, 48, 0};
    const uint8_t modes[kTriggerKinds] = {3, 1, 1, 3, 1};
    const uint8_t beats[kTriggerKinds] = {20, 1, 1, 20, 20};
    for (int k = 0; k < kTriggerKinds; ++k) {
        b[vs::Thresholds + k] = thresholds[k];
        b[vs::TriggerModes + k] = modes[k];
        b[vs::BeatsPerTrigger + k] = beats[k];
    }

    static const char* const brushes[kBrushSlots] = {"Veve",           "Celtic_Snow",
                                                     "Caterpiller",    "Double_Diamond",
                                                     "Paper_Pinwheel", "Disc_Spin"};
    static const char* const gradients[kGradientSlots] = {
        "Aurora", "Dropout5", "Flame", "Lunar_Lookout", "Metallic3", "Rainbow_Fade6", "Streak3",
        "Vortex9"};
    static const char* const movements[kMovementSlots] = {"Spirograph", "Random", "Rain_Beat",
                                                          "Galaxy",     "Zigzag", "Meandering"};
    static const char* const fills[kFillSlots] = {kNoneName,        "Astral_Quilt", "Spiroval_Twist",
                                                  "Sun_Beams",      kNoneName,      kNoneName};

    b[vs::BrushCount] = kBrushSlots;
    b[vs::CurrentBrush] = 1;
    for (int i = 0; i < kBrushSlots; ++i) s.setName(VisualState::brushName(i), brushes[i]);
    s.setName(vs::BrushSetName, kNoneName);
    b[vs::AttachmentEntrySize] = kAttachmentSize;
    std::memset(s.at(vs::Attachments), kNone80, size_t(kBrushSlots) * kAttachmentSize);

    b[vs::GradientCount] = kGradientSlots;
    b[vs::CurrentGradient] = 1;
    for (int i = 0; i < kGradientSlots; ++i) s.setName(VisualState::gradientName(i), gradients[i]);
    s.setName(vs::GradientSetName, kNoneName);

    b[vs::MovementCount] = kMovementSlots;
    b[vs::CurrentMovement] = 1;
    for (int i = 0; i < kMovementSlots; ++i) s.setName(VisualState::movementName(i), movements[i]);
    s.setName(vs::MovementSetName, kNoneName);
    b[vs::ParamsPerMovement] = 3;

    b[vs::FillCount] = kFillSlots;
    b[vs::CurrentFill] = 2;
    for (int i = 0; i < kFillSlots; ++i) s.setName(VisualState::fillName(i), fills[i]);
    s.setName(vs::FillSetName, kNoneName);

    s.setName(vs::BrushColourEffect, kNoneName);
    s.setName(vs::FillColourEffect, kNoneName);
    s.setName(vs::BrushEffect, kNoneName);
    return s;
}

void upgradeVersion1(VisualState& s) {
    auto& b = s.bytes;
    uint8_t names[3][kNameField];
    std::memcpy(names[0], s.at(905), kNameField);
    std::memcpy(names[1], s.at(921), kNameField);
    std::memcpy(names[2], s.at(937), kNameField);
    std::memcpy(s.at(vs::BrushColourEffect), names[0], kNameField);
    std::memcpy(s.at(vs::FillColourEffect), names[1], kNameField);
    std::memcpy(s.at(vs::BrushEffect), names[2], kNameField);

    b[23] = b[11];
    b[24] = b[12];
    b[11] = 0;
    b[12] = 0;
    b[vs::ScalingFade] = 0;
    b[vs::ScalingThreshold] = 25;
    b[vs::MaxScalingFade] = 120;
    b[vs::ListeningFrequency] = uint8_t(b[vs::ListeningFrequency] - 5);

    b[vs::FillCount] = kFillSlots;
    s.setName(905, kNoneName);
    s.setName(921, kNoneName);
    s.setName(937, kNoneName);

    for (int k = 0; k < kTriggerKinds; ++k) {
        int o = int8_t(b[vs::Thresholds + k]);
        if (o == -36) {
            b[vs::Thresholds + k] = 0;
            b[vs::BeatsPerTrigger + k] = 0;
        } else if (o < 0) {
            b[vs::Thresholds + k] = 0;
            b[vs::BeatsPerTrigger + k] = uint8_t(o >= -10 ? -o : -(2 * o + 10));
        } else {
            b[vs::BeatsPerTrigger + k] = 1;
        }
    }
    b[vs::Version] = 3;
}

bool isNoneName(std::string_view name) { return name == kNoneName; }

}  // namespace korel

// The visual state: the 1006-byte record of every visual and trigger setting.
//
// The record is kept as its bytes, because its layout is a file format (styles, raves and set
// files carry it or slices of it). Fields are reached through the named offsets below.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/bytes.h"

namespace korel {

// Trigger kinds: the order of every per-kind array in the record.
enum TriggerKind : int { kKindFill = 0, kKindGradient = 1, kKindColor = 2, kKindBrush = 3, kKindMovement = 4 };
constexpr int kTriggerKinds = 5;

// Trigger modes as stored.
enum TriggerMode : uint8_t {
    kModeFixed = 0,
    kModeRandomSelection = 1,
    kModeSequentialSelection = 2,
    kModeRandomFile = 3,
    kModeSequentialFile = 4,
    kModeRandomStyle = 5,
    kModeSequentialStyle = 6,
};

constexpr uint8_t kNone80 = 0x80;  // "none", "not attached", "nothing held"
constexpr const char* kNoneName = "(None)";

constexpr int kBrushSlots = 6;
constexpr int kGradientSlots = 8;
constexpr int kMovementSlots = 6;
constexpr int kFillSlots = 6;
constexpr int kAttachmentSize = 62;
constexpr int kMovementParamsSize = 6;

namespace vs {
constexpr size_t kSize = 1006;
constexpr size_t kVersion1Size = 953;  // 4 + 949 bytes

constexpr size_t Tag = 0;
constexpr size_t Version = 2;
constexpr size_t NameWidth = 3;
constexpr size_t Switches = 4;  // bit 0 listening, bit 1 trails, bit 2 volume mode
constexpr size_t BrushColour = 5;
constexpr size_t FillColour = 6;
constexpr size_t BrushSpeed = 7;
constexpr size_t ColourSpeed = 8;
constexpr size_t MovementSpread = 9;
constexpr size_t ColourKick = 10;
constexpr size_t BeatSensitivity = 13;
constexpr size_t BrushBrightness = 14;
constexpr size_t FillBrightness = 15;
constexpr size_t BrushSaturation = 16;
constexpr size_t FillSaturation = 17;
constexpr size_t AnalysisWindow = 18;
constexpr size_t ListeningFrequency = 19;
constexpr size_t ScalingFade = 20;
constexpr size_t ScalingThreshold = 21;
constexpr size_t MaxScalingFade = 22;
constexpr size_t Tempo = 23;  // 16-bit, high byte first
constexpr size_t StyleName = 28;
constexpr size_t TriggerKindCount = 44;
constexpr size_t Thresholds = 45;
constexpr size_t TriggerModes = 50;
constexpr size_t BrushCount = 55;
constexpr size_t CurrentBrush = 56;
constexpr size_t BrushNames = 57;
constexpr size_t BrushSetName = 153;
constexpr size_t AttachmentEntrySize = 169;
constexpr size_t Attachments = 170;
constexpr size_t GradientCount = 542;
constexpr size_t CurrentGradient = 543;
constexpr size_t GradientNames = 544;
constexpr size_t GradientSetName = 672;
constexpr size_t MovementCount = 688;
constexpr size_t CurrentMovement = 689;
constexpr size_t MovementNames = 690;
constexpr size_t MovementSetName = 786;
constexpr size_t ParamsPerMovement = 802;
constexpr size_t MovementParams = 803;
constexpr size_t FillCount = 839;
constexpr size_t CurrentFill = 840;
constexpr size_t FillNames = 841;
constexpr size_t FillSetName = 937;
constexpr size_t BrushColourEffect = 953;
constexpr size_t FillColourEffect = 969;
constexpr size_t BrushEffect = 985;
constexpr size_t BeatsPerTrigger = 1001;

constexpr uint8_t kSwitchListening = 0x01;
constexpr uint8_t kSwitchTrails = 0x02;
constexpr uint8_t kSwitchVolume = 0x04;
}  // namespace vs

// Byte offsets inside one BrushAttachment entry.
namespace att {
constexpr size_t Any = 0;
constexpr size_t Gradient = 1;
constexpr size_t Fill = 2;
constexpr size_t Trails = 3;
constexpr size_t Movement = 4;
constexpr size_t BrushSpeed = 5;
constexpr size_t ColourSpeed = 6;
constexpr size_t MovementSpread = 7;
constexpr size_t ColourKick = 8;
constexpr size_t BrushBrightness = 9;
constexpr size_t FillBrightness = 10;
constexpr size_t BrushSaturation = 11;
constexpr size_t FillSaturation = 12;
constexpr size_t BrushEffect = 14;
constexpr size_t BrushColourEffect = 30;
constexpr size_t FillColourEffect = 46;
}  // namespace att

struct VisualState {
    std::array<uint8_t, vs::kSize> bytes{};

    uint8_t get(size_t offset) const { return bytes[offset]; }
    void set(size_t offset, uint8_t v) { bytes[offset] = v; }
    uint8_t* at(size_t offset) { return bytes.data() + offset; }
    const uint8_t* at(size_t offset) const { return bytes.data() + offset; }

    std::string name(size_t offset) const { return readNameField(at(offset)); }
    void setName(size_t offset, std::string_view n) { writeNameField(at(offset), n); }

    uint16_t tempo() const { return getBe16(at(vs::Tempo)); }
    void setTempo(uint16_t t) { putBe16(at(vs::Tempo), t); }

    bool switchOn(uint8_t bit) const { return (bytes[vs::Switches] & bit) != 0; }
    void setSwitch(uint8_t bit, bool on) {
        bytes[vs::Switches] = uint8_t(on ? (bytes[vs::Switches] | bit) : (bytes[vs::Switches] & ~bit));
    }

    // Slot names by kind and 0-based slot.
    static size_t brushName(int slot) { return vs::BrushNames + size_t(slot) * kNameField; }
    static size_t gradientName(int slot) { return vs::GradientNames + size_t(slot) * kNameField; }
    static size_t movementName(int slot) { return vs::MovementNames + size_t(slot) * kNameField; }
    static size_t fillName(int slot) { return vs::FillNames + size_t(slot) * kNameField; }
    static size_t attachment(int slot) { return vs::Attachments + size_t(slot) * kAttachmentSize; }
    static size_t movementParams(int slot) {
        return vs::MovementParams + size_t(slot) * kMovementParamsSize;
    }

    bool operator==(const VisualState&) const = default;
};

// The record used when no last session exists.
VisualState defaultVisualState();

// Converts a version-1 record (read into the first 953 bytes of the buffer) to version 3 in place.
// Bytes beyond what was read keep their values.
void upgradeVersion1(VisualState& state);

// True when the name equals "(None)" over its seven bytes (case and length must match).
bool isNoneName(std::string_view name);

}  // namespace korel

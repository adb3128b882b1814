// The numeric codes of the controls interface: panels, popups, sliders, small buttons and the
// boxes. They are shared with the hover help, the popups and the keys, and the file kinds of
// the persistence layer reuse the popup numbers, so they are plain numbers, not enum classes.
#pragma once

#include <cstdint>

namespace korel {

// --- Settings panels ----------------------------------------------------------------------
namespace panel {
constexpr int Music = 100;
constexpr int Color = 101;
constexpr int Gradient = 103;
constexpr int Fill = 104;
constexpr int Brush = 105;
constexpr int Movement = 106;
constexpr int SoundInput = 107;
constexpr int Frequency = 108;
constexpr int Tempo = 109;
constexpr int ManualBeats = 110;
constexpr int PatternedBeats = 111;
constexpr int ScalingFade = 112;
constexpr int ScalingThreshold = 113;
constexpr int MaxScalingFade = 114;
constexpr int ScreenSaver = 115;
constexpr int Parameter = 116;
constexpr int TextEntry = 117;
constexpr int ReplaceFile = 118;
constexpr int DeleteFile = 119;
constexpr int BrushBrightness = 120;
constexpr int FillBrightness = 121;
constexpr int BrushSaturation = 122;
constexpr int FillSaturation = 123;
constexpr int Attachments = 150;
// The three file panels remember the panel to return to.
constexpr bool isFilePanel(int id) { return id == TextEntry || id == ReplaceFile || id == DeleteFile; }
}  // namespace panel

// --- Sliders ------------------------------------------------------------------------------
namespace slider {
constexpr int Volume = 401;
constexpr int Tempo = 402;
constexpr int SaverDelay = 403;
constexpr int Parameter = 404;
constexpr int Frequency = 405;
constexpr int BrushBrightness = 406;
constexpr int FillBrightness = 407;
constexpr int BrushSaturation = 408;
constexpr int FillSaturation = 409;
constexpr int ScalingFade = 410;
constexpr int ScalingThreshold = 411;
constexpr int MaxScalingFade = 412;
constexpr int AttachedBrushSpeed = 436;
constexpr int AttachedColourSpeed = 437;
constexpr int AttachedSpread = 438;
constexpr int AttachedBrushBrightness = 442;
constexpr int AttachedFillBrightness = 443;
constexpr int BrushSpeed = 461;
constexpr int ColourSpeed = 462;
constexpr int Spread = 463;
constexpr int ColourKick = 464;
}  // namespace slider

// --- Small labelled buttons ---------------------------------------------------------------
namespace button {
constexpr int Randomization = 404;
constexpr int Save = 510;
constexpr int Cancel = 511;
constexpr int Yes = 512;
constexpr int No = 513;
constexpr int Done = 514;
constexpr int Search = 520;
constexpr int Default = 521;
constexpr int Beat = 530;
constexpr int Apply = 532;
constexpr int Align = 533;
constexpr int Clear = 534;
constexpr int SaverOnOff = 540;
constexpr int PlayWhenLaunched = 541;
}  // namespace button

// --- Popups (filled by the popup menus; the fields here only name them) -------------------
namespace popup {
constexpr int Fills = 300;
constexpr int Brushes = 301;
constexpr int Movements = 302;
constexpr int PanelBrushColourEffects = 303;  // COLOR SETTINGS' brush field
constexpr int BrushColourEffects = 304;       // the COLORS box's brush button
constexpr int PanelFillColourEffects = 305;
constexpr int FillColourEffects = 306;
constexpr int BrushEffects = 307;
constexpr int Gradients = 308;
constexpr int Styles = 312;
constexpr int Settings = 313;
constexpr int GradientSets = 314;
constexpr int FillSets = 315;
constexpr int BrushSets = 316;
constexpr int MovementSets = 317;
constexpr int AttachCategory = 318;
constexpr int AttachFill = 319;
constexpr int AttachTrails = 320;
constexpr int AttachGradient = 321;
constexpr int AttachMovement = 322;
constexpr int AttachBrushEffect = 323;
constexpr int AttachBrushColour = 324;
constexpr int AttachFillColour = 325;
constexpr int FillModes = 330;
constexpr int GradientModes = 331;
constexpr int ColorModes = 332;
constexpr int BrushModes = 333;
constexpr int MovementModes = 334;
constexpr int Songs = 338;
constexpr int Raves = 339;
constexpr int Songlists = 340;  // CD edition: the CD lists
constexpr int CdDrives = 341;
constexpr int SoundInputs = 342;
// The delete popups: the kind of file's popup + 50 (styles 362, sets 364..367, raves 389,
// songlists 390).
constexpr int deleteFor(int kind) { return kind + 50; }
}  // namespace popup

// --- Hover help of the settings panels' displays ---------------------------------------------
// Fields, buttons and sliders hover as their PopupId, ButtonId or SliderId; a slider's value
// text as 200..219; the other displays of the panels as below.
namespace hover {
constexpr int SliderValueFirst = 200;
constexpr int ElapsedTime = 220;
constexpr int TotalTime = 221;
constexpr int AverageTempo = 222;
constexpr int PatternBar = 223;
constexpr int ScaleMeter = 224;
constexpr int Spectrograph = 225;
constexpr int TextField = 226;
constexpr int TrackNumber = 227;
constexpr int Nothing = 65535;
}  // namespace hover

// --- Hover help of the window's other controls ---------------------------------------------
// Top-row buttons hover as 1000 * (button + 1) + the button's x; the asset rows as the change
// code they send (gradient 1, fill 4, movement 9, brush 10) and their popup corner as the
// popup's number; the colour strips as 2 and 3; box title buttons as the panel they show.
namespace hover {
constexpr int NoControl = 0;  // inside the window but over no control
constexpr int ManualButton = 228;
constexpr int RecordingLight = 229;
constexpr int GradientPreview = 230;
constexpr int GradientPreviewDisplay = 231;
constexpr int BeatMeter = 232;
constexpr int BeatIndicator = 233;
constexpr int ListenVolume = 234;
constexpr int ListenFrequency = 235;
constexpr int LoadButton = 236;  // the FILES box's "Load" (the CD edition's "Drive" opens a popup)
// Trigger widgets: a box's code (101..106) plus these; BEAT METER's lower meter is Sensitivity.
constexpr int BeatCounterOffset = 500;
constexpr int ThresholdOffset = 510;
constexpr int TriggerSettingOffset = 520;
constexpr int Sensitivity = 600;
constexpr int ShortcutDisplay = 15000;
// The PARAMETER DETAILS slider: its own id, since 404 is also the Randomization button.
constexpr int ParameterSlider = 16404;
// A top-row button's id; Play / Pause gives the bare thousands while playing.
constexpr int topButton(int index, bool playingPlayPause = false) {
    return 1000 * (index + 1) + (playingPlayPause ? 0 : 2 + 19 * index);
}
}  // namespace hover

// --- Boxes of the expanded window (the box codes of the trigger widgets' hover ids) -------
enum class Box : uint8_t { Files, Gradients, Colors, BeatMeter, Fills, Brushes, Movements };
constexpr int kBoxes = 7;

// The top row's actions; each edition maps its 14 (LIVE: 11) buttons onto these.
enum class TopAction : uint8_t {
    Quit,
    EjectOrLoad,  // CD: Eject CD; MP3: Load Music File
    PreviousTrack,
    Rewind,
    Stop,
    PlayPause,
    FastForward,
    NextTrack,
    Listening,
    ProgramSettings,
    AnimationWindow,
    Trails,
    EraseTrails,
    Help,
    PreviousStyle,  // LIVE
    NextStyle,      // LIVE
};

}  // namespace korel

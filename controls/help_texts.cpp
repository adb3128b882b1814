// The hover help's texts. Each entry has its title, its description, the shared paragraphs it
// takes and its shortcut paragraph; helpText assembles them into one string.
#include "controls/help_texts.h"

#include <array>
#include <cstdint>

#include "controls/ids.h"
#include "controls/layout.h"
#include "triggers/triggers.h"

namespace korel {

namespace {

// --- Shared paragraphs ----------------------------------------------------------------------
enum Para : uint8_t {
    kManual = 1,     // the asset boxes' advice on manual mode
    kScroll = 2,     // popups: the scroll arrows
    kListen = 4,     // what listening does
    kTempoBeats = 8, // where beats come from when not listening
    kRave = 16,      // changes are recorded into the song's rave
    kHold = 32,      // Shift keeps a change pending, Control clears it
    kDisabled = 64,  // trigger widgets: refused in manual mode and while a rave plays back
};

constexpr const char* kParaManual =
    "\r\rIf you want to play with the controls, manual mode is recommended. Or drag the beat "
    "counter below to zero so that automatic triggering does not replace your selection.";
constexpr const char* kParaScroll =
    "\r\rWhen the list is longer than the popup, arrows appear at its top and bottom: rest the "
    "cursor on an arrow to scroll, and on a corner arrow to jump to the end of the list.";
constexpr const char* kParaListen =
    "\r\rWhile listening is on, Korel hears the music through the sound input, measures it at "
    "the listening frequency (or its overall volume) and turns every strong rise into a beat. "
    "Each beat counts down the beat counters of the boxes; a box whose counter runs out and "
    "whose threshold the beat reaches changes its picture.";
constexpr const char* kParaTempo =
    "\r\rWhile listening is off, the beats come from the tempo of the BEATS PER MINUTE panel or "
    "from a tapped pattern, so the animation keeps its rhythm even in silence.";
constexpr const char* kParaRave =
    "\r\rWhile a song is being recorded into its rave, every change you make here is recorded "
    "with it and replayed the next time the song plays.";
constexpr const char* kParaHold =
    "\r\rHold Shift while you click to keep the new value pending (it shows but does not apply "
    "until you press Enter); Control clears a pending value.";
constexpr const char* kParaDisabled =
    "\r\rThis control is disabled while manual mode is on, and while a rave is played back "
    "until the song has passed the end of the rave.";

// Which editions an entry is for.
enum Ed : uint8_t { kCd = 1, kMp3 = 2, kLive = 4, kPlayers = kCd | kMp3, kAll = 7 };

struct Entry {
    int id;
    uint8_t editions;
    const char* title;
    const char* body;
    uint8_t paras;
    const char* shortcut;  // the whole shortcut paragraph, or null
};

uint8_t editionBit(Edition e) {
    return e == Edition::CD ? kCd : e == Edition::MP3 ? kMp3 : kLive;
}

// --- The top row (by action; the id gives the button) ----------------------------------------
struct TopText {
    TopAction action;
    uint8_t editions;
    bool playing;  // Play / Pause: the text while playing
    const char* title;
    const char* body;
    uint8_t paras;
    const char* shortcut;
};

constexpr TopText kTop[] = {
    {TopAction::Quit, kAll, false, "Quit Korel",
     "Ends Korel. The current settings are kept as the style \"Last_Session\" and come back the "
     "next time Korel starts, and the closing animation plays before the windows disappear.",
     0, "Shortcut Keys = Q (Quit) or Esc."},
    {TopAction::EjectOrLoad, kMp3, false, "Load Music File",
     "Opens the file dialog to choose an MP3 or WAV file. The file is added to the current "
     "songlist and starts playing; if a rave was recorded for it, the rave is attached.",
     0, nullptr},
    {TopAction::EjectOrLoad, kCd, false, "Eject CD",
     "Stops the music and opens the CD drive. Put in another disc and Korel reads its tracks "
     "and loads the CD list and raves that belong to it.",
     0, nullptr},
    {TopAction::PreviousTrack, kPlayers, false, "Previous Track",
     "Goes back one track, wrapping around to the last one. Type a track number before the key "
     "to go straight to that track.",
     0, "Shortcut Key = Left Arrow (Previous Track)."},
    {TopAction::Rewind, kPlayers, false, "Rewind Music",
     "Moves the song back a few seconds. While a rave plays back, the trigger controls stay "
     "disabled until the song passes the point you rewound from.",
     0, nullptr},
    {TopAction::Stop, kPlayers, false, "Stop Music",
     "Stops the song and goes back to its start. The animation keeps running on the tempo.", 0,
     nullptr},
    {TopAction::PlayPause, kPlayers, true, "Pause Music",
     "Pauses the song where it is; press again to carry on from the same place.", 0,
     "Shortcut Key = P (Play/Pause)."},
    {TopAction::PlayPause, kPlayers, false, "Play Music",
     "Plays the current song, or resumes a paused one. A song with a rave attached replays its "
     "recorded changes; otherwise a new rave is recorded while it plays.",
     0, "Shortcut Key = P (Play/Pause)."},
    {TopAction::FastForward, kPlayers, false, "Fastforward Music",
     "Moves the song forward a few seconds.", 0, nullptr},
    {TopAction::NextTrack, kPlayers, false, "Next Track",
     "Goes on to the next track, wrapping around to the first one. Type a track number before "
     "the key to go straight to that track.",
     0, "Shortcut Key = Right Arrow (Next Track)."},
    {TopAction::PreviousStyle, kLive, false, "Previous Style",
     "Loads the previous style of the Styles folder, in alphabetical order, wrapping around.", 0,
     "Shortcut Key = Left Arrow (Previous Style)."},
    {TopAction::Stop, kLive, false, "Stop Animation",
     "Stops the animation and starts it over from the beginning when you play it again.", 0,
     nullptr},
    {TopAction::PlayPause, kLive, true, "Pause Animation",
     "Freezes the animation where it is; press again to let it run on.", 0,
     "Shortcut Key = P (Play/Pause)."},
    {TopAction::PlayPause, kLive, false, "Play Animation",
     "Starts the animation, or lets a paused one run on.", 0, "Shortcut Key = P (Play/Pause)."},
    {TopAction::NextStyle, kLive, false, "Next Style",
     "Loads the next style of the Styles folder, in alphabetical order, wrapping around.", 0,
     "Shortcut Key = Right Arrow (Next Style)."},
    {TopAction::Listening, kAll, false, "Enable Listening",
     "Switches listening on or off. The button is green while Korel listens.",
     kListen | kTempoBeats, "Shortcut Key = L (Listening)."},
    {TopAction::ProgramSettings, kAll, false, "Program Settings",
     "Opens the whole controls window with all its boxes, or closes it down to the small "
     "window. Resting the cursor on this button opens the window for a look; it closes again "
     "when the cursor leaves unless you click.",
     0, nullptr},
    {TopAction::AnimationWindow, kAll, false, "Animation Window",
     "Hides or shows the animation window, for instance to work with other programs while the "
     "music plays.",
     0, "Shortcut Key = V (View Animation)."},
    {TopAction::Help, kAll, false, "Help",
     "Opens or closes this help window, which describes whatever control the cursor rests on. "
     "It sits beside the opened controls window.",
     0, "Shortcut Keys = ? or / (Help), and F1."},
    {TopAction::Trails, kAll, false, "Enable Brush Trails",
     "Switches brush trails on or off: with trails on, the brush leaves its strokes on the "
     "picture instead of being wiped after each stamp. A different picture on the button "
     "means the current brush has trails attached and decides them itself.",
     kRave | kHold, "Shortcut Key = A (Trails)."},
    {TopAction::EraseTrails, kAll, false, "Erase Brush Trails",
     "Wipes the trails by drawing the current fill again.", kRave | kHold,
     "Shortcut Key = W (Wipe)."},
};

// --- Every other control ----------------------------------------------------------------------
constexpr Entry kEntries[] = {
    // Over nothing, outside, the display itself.
    {hover::NoControl, kAll, "Place cursor over button...",
     "Rest the cursor on any button, field, slider or meter of the controls window and its "
     "title shows at the top of the window, with its full description here.",
     0, nullptr},
    {hover::Nothing, kAll, "Click to hide/show controls",
     "A click in the animation window hides the controls window, and another click brings it "
     "back.",
     0, "Shortcut Key = Space (Hide/Show Controls)."},
    {hover::ShortcutDisplay, kAll, "Shortcut Help Display",
     "Shows the title of the control under the cursor. Open the help window with the Help "
     "button to read the whole description and its shortcut key.",
     0, nullptr},

    // Title line.
    {popup::Songs, kPlayers, "Song Popup",
     "Lists the songs of the current songlist (CD edition: the tracks of the disc). Choose one "
     "to play it; the popup also renames the song or saves and loads songlists.",
     kScroll, nullptr},
    {popup::Raves, kPlayers, "Rave Popup",
     "Lists the raves recorded for the current song. A rave holds every change of the "
     "animation made while the song played; attach one to watch the same show again, or "
     "choose to record a new one.",
     kScroll, nullptr},
    {hover::ManualButton, kAll, "Manual Control",
     "Switches manual mode on or off. In manual mode the beats no longer trigger changes: "
     "gradients, fills, brushes, movements and colors change only when you choose them. The "
     "beat counters and threshold meters are disabled meanwhile.",
     0, "Shortcut Key = H (Hands On)."},
    {hover::RecordingLight, kPlayers, "Recording Status Light",
     "Red while the song is being recorded into a rave, grey while a rave plays back or nothing "
     "is recorded. Its frame blinks during the last seconds of a song.",
     0, nullptr},
    {popup::Styles, kAll, "Style Popup",
     "A style is a snapshot of every visual and trigger setting. Choose one to load it, or "
     "save the current settings as a new style from the popup.",
     kScroll, "Shortcut Key = ; (Save Style)."},
    {popup::Settings, kAll, "Korel Settings Popup",
     "Lists every settings panel, including those no box title button opens: sound input, "
     "tapped beats, sound scaling, the screen saver, and saving or deleting files.",
     kScroll, nullptr},

    // Boxes.
    {kChangeGradient, kAll, "Gradients",
     "The eight loaded gradients, the color ramps the palette cycles through. Click a row to "
     "make it the current gradient.",
     kManual | kRave | kHold, "Shortcut Key = G (Gradient); type 1 to 8 first for that row."},
    {popup::Gradients, kAll, "Gradients Popup",
     "Loads another gradient file into this row from the Gradients folder.", kScroll | kManual,
     nullptr},
    {hover::GradientPreview, kAll, "Gradient Preview",
     "Shows this row's gradient cycling in the preview strip beside it, without changing the "
     "animation.",
     0, nullptr},
    {hover::GradientPreviewDisplay, kAll, "Gradient Preview Display",
     "The strip where a previewed gradient cycles.", 0, nullptr},
    {hover::TrackNumber, kPlayers, "Track Number",
     "The number of the current track in the songlist (CD edition: on the disc); dark when no "
     "track is chosen.",
     0, nullptr},
    {hover::LoadButton, kMp3, "Load Music File",
     "Opens the file dialog to choose an MP3 or WAV file to add to the songlist and play.", 0,
     nullptr},
    {popup::CdDrives, kCd, "CD Drive Popup",
     "Lists the CD drives of the computer; choose the one Korel plays from.", kScroll,
     nullptr},
    {kChangeBrushColour, kAll, "Brush Color",
     "Click along the strip to choose the color the brush is drawn in.", kManual | kRave | kHold,
     "Shortcut Keys = C (Brush Color) and O (Both Colors); type 1 to 120 first for that color."},
    {kChangeFillColour, kAll, "Fill Color",
     "Click along the strip to choose the color of the fill behind the brush.",
     kManual | kRave | kHold,
     "Shortcut Keys = K (Fill Color) and O (Both Colors); type 1 to 120 first for that color."},
    {popup::BrushColourEffects, kAll, "Brush Color Effect Popup",
     "Chooses a color effect for the brush's colors: a small program that moves them with "
     "the beat and the sound.",
     kScroll, nullptr},
    {popup::FillColourEffects, kAll, "Fill Color Effect Popup",
     "Chooses a color effect for the fill's colors.", kScroll, nullptr},
    {hover::BeatMeter, kAll, "Beat Meter",
     "Shows how loud the sound is at the listening frequency (or overall). A beat is heard "
     "when the bar jumps far enough above its last low point.",
     kListen, nullptr},
    {hover::BeatIndicator, kAll, "Beat Indicator",
     "Lights up on every beat. Click it to insert a beat of your own.", 0,
     "Shortcut Key = I (Insert Beat)."},
    {hover::ListenFrequency, kAll, "Listen To Frequency",
     "Listen for beats at the listening frequency, set in the FREQUENCY SETTINGS panel: good "
     "for a bass drum.",
     kListen, nullptr},
    {hover::ListenVolume, kAll, "Listen to Volume",
     "Listen for beats in the overall volume of the sound, for music without a clear beat at "
     "one frequency.",
     kListen, nullptr},
    {hover::Sensitivity, kAll, "Beat Sensitivity Slider",
     "How easily a rise of the sound counts as a beat: drag right for more beats, left for "
     "only the strongest.",
     kListen, nullptr},
    {kChangeFill, kAll, "Fills",
     "The six loaded fills, the backgrounds the brush paints over. Click a row to make it the "
     "current fill.",
     kManual | kRave | kHold, "Shortcut Key = F (Fill); type 1 to 6 first for that row."},
    {popup::Fills, kAll, "Fills Popup", "Loads another fill file into this row.",
     kScroll | kManual, nullptr},
    {kChangeBrush, kAll, "Brushes",
     "The six loaded brushes, the animated pictures stamped along the movement. Click a row to "
     "make it the current brush. A brush can carry attachments that set other things with it.",
     kManual | kRave | kHold, "Shortcut Key = B (Brush); type 1 to 6 first for that row."},
    {popup::Brushes, kAll, "Brushes Popup",
     "Loads another brush file into this row, or edits the brush's attachments.",
     kScroll | kManual, nullptr},
    {popup::BrushEffects, kAll, "Brush Effect Popup",
     "Chooses the brush effect: a small program that changes the brush's size, speed or shape "
     "on every stamp and beat.",
     kScroll, nullptr},
    {kChangeMovement, kAll, "Movements",
     "The six loaded movements, the paths the brush travels. Click a row to make it the current "
     "movement.",
     kManual | kRave | kHold, "Shortcut Key = M (Movement); type 1 to 6 first for that row."},
    {popup::Movements, kAll, "Movements Popup",
     "Loads another movement file into this row, or opens the details of its parameters.",
     kScroll | kManual, nullptr},

    // Box title buttons and the panels' title strips.
    {panel::Music, kMp3 | kLive, "Music Settings",
     "Shows the MUSIC SETTINGS panel: the songlist, the song's times and the volume.", 0,
     nullptr},
    {panel::Music, kCd, "CD Settings",
     "Shows the CD SETTINGS panel: the CD list, the track's times and the volume.", 0, nullptr},
    {panel::Color, kAll, "Color Settings",
     "Shows the COLOR SETTINGS panel: the color effects of brush and fill and the color kick.",
     0, nullptr},
    {panel::Gradient, kAll, "Gradient Settings",
     "Shows the GRADIENT SETTINGS panel: gradient sets and the color speed.", 0, nullptr},
    {panel::Fill, kAll, "Fill Settings", "Shows the FILL SETTINGS panel: fill sets.", 0, nullptr},
    {panel::Brush, kAll, "Brush Settings",
     "Shows the BRUSH SETTINGS panel: brush sets, the brush effect and the brush speed.", 0,
     nullptr},
    {panel::Movement, kAll, "Movement Settings",
     "Shows the MOVEMENT SETTINGS panel: movement sets and the movement spread.", 0, nullptr},
    {panel::SoundInput, kAll, "Sound Input Settings",
     "The SOUND INPUT panel: which input Korel listens to.", 0, nullptr},
    {panel::Frequency, kAll, "Frequency Settings",
     "Shows the FREQUENCY SETTINGS panel (the title button shows it while listening): the "
     "listening frequency and the spectrograph.",
     kListen, nullptr},
    {panel::Tempo, kAll, "Beats Per Minute",
     "Shows the BEATS PER MINUTE panel (the title button shows it while not listening): the "
     "tempo of the generated beats.",
     kTempoBeats, nullptr},
    {panel::ManualBeats, kAll, "Manual Beats Settings",
     "The MANUAL BEATS panel: tap a tempo with the Beat button.", kTempoBeats, nullptr},
    {panel::PatternedBeats, kAll, "Patterned Beats Settings",
     "The PATTERNED BEATS panel: tap a rhythm of up to nine beats that repeats.", kTempoBeats,
     nullptr},
    {panel::ScalingFade, kAll, "Sound Scaling Fade Settings",
     "The SOUND SCALING FADE panel: how fast the sound scale falls back after a loud moment.", 0,
     nullptr},
    {panel::ScalingThreshold, kAll, "Scaling Threshold Settings",
     "The SCALING THRESHOLD panel: how loud the sound must be before it scales the effects.", 0,
     nullptr},
    {panel::MaxScalingFade, kAll, "Max Scaling Fade Settings",
     "The MAX SCALING FADE panel: the longest fade of the sound scale.", 0, nullptr},
    {panel::ScreenSaver, kAll, "Screen Saver Settings",
     "The SCREEN SAVER panel: whether Korel starts when the desktop screen saver would.", 0,
     nullptr},
    {panel::Parameter, kAll, "Parameter Details Panel",
     "The PARAMETER DETAILS panel: one parameter of a movement, fixed or chosen at random.", 0,
     nullptr},
    {panel::TextEntry, kAll, "Text Entry Panel", "The TEXT ENTRY panel: type a name to save under.",
     0, nullptr},
    {panel::ReplaceFile, kAll, "Replace File Panel",
     "The REPLACE FILE panel: a file of that name exists already.", 0, nullptr},
    {panel::DeleteFile, kAll, "Delete File Panel",
     "The DELETE FILE panel: choose files to delete from its popup.", 0, nullptr},
    {panel::BrushBrightness, kAll, "Color Settings",
     "The COLOR SETTINGS panel with the brush brightness slider.", 0, nullptr},
    {panel::FillBrightness, kAll, "Color Settings",
     "The COLOR SETTINGS panel with the fill brightness slider.", 0, nullptr},
    {panel::BrushSaturation, kAll, "Color Settings",
     "The COLOR SETTINGS panel with the brush saturation slider.", 0, nullptr},
    {panel::FillSaturation, kAll, "Color Settings",
     "The COLOR SETTINGS panel with the fill saturation slider.", 0, nullptr},
    {panel::Attachments, kAll, "Brush Attachments Panel",
     "The ATTACHMENTS panel: what the brush brings with it when it becomes current.", 0, nullptr},

    // Trigger widgets (per box: beat counter, threshold meter, trigger setting).
#define KOREL_TRIGGERS(code, kind, what)                                                          \
    {code + hover::BeatCounterOffset, kAll, kind " Beat Counter",                                \
     "How many beats are counted before the " what " may change. Drag it to zero and beats "     \
     "never change the " what ".",                                                               \
     kDisabled | kListen, nullptr},                                                              \
        {code + hover::ThresholdOffset, kAll, kind " Threshold Meter",                           \
         "How strong a beat must be to change the " what " once its counter has run out: the "   \
         "further right, the louder the beat needed.",                                           \
         kDisabled | kListen, nullptr},                                                          \
        {code + hover::TriggerSettingOffset, kAll, kind " Trigger Setting",                      \
         "Chooses how the next " what " is picked on a beat: a fixed row, rows at random or in "  \
         "order, files of the folder at random or in order, or whole styles.",                   \
         kScroll, nullptr}
    KOREL_TRIGGERS(101, "Color", "colors"),
    KOREL_TRIGGERS(103, "Gradient", "gradient"),
    KOREL_TRIGGERS(104, "Fill", "fill"),
    KOREL_TRIGGERS(105, "Brush", "brush"),
    KOREL_TRIGGERS(106, "Movement", "movement"),
#undef KOREL_TRIGGERS

    // MUSIC SETTINGS.
    {popup::Songlists, kMp3, "Songlist Popup",
     "Chooses the songlist to play, or creates, renames and deletes songlists.", kScroll,
     nullptr},
    {popup::Songlists, kCd, "CD List Popup",
     "Chooses the CD list of the disc: which tracks play and in what order.", kScroll, nullptr},
    {hover::ElapsedTime, kPlayers, "Elapsed Song Time",
     "Minutes and seconds played of the current song.", 0, nullptr},
    // The CD edition's two texts are chosen in helpText.
    {hover::TotalTime, kMp3, "Total Song Time", "The length of the current song.", 0, nullptr},
    {slider::Volume, kAll, "Volume",
     "The output volume of the sound card. Type 0 to 255 before an arrow key to set it "
     "exactly.",
     0, "Shortcut Keys = Up Arrow and Down Arrow (Volume)."},

    // COLOR, GRADIENT, BRUSH, MOVEMENT SETTINGS.
    {popup::GradientSets, kAll, "Gradient Sets Popup",
     "Loads a set of eight gradients at once, or saves the loaded ones as a set.", kScroll,
     nullptr},
    {hover::SliderValueFirst + 17, kAll, "Color Speed",
     "How many steps per second the colors cycle; negative values cycle backwards.", 0, nullptr},
    {slider::ColourSpeed, kAll, "Color Speed Slider",
     "Drag to change how fast the colors cycle, from -60 to 60 steps per second.", kRave | kHold,
     "Shortcut Key = R (Rotation Speed); type -60 to 60 first."},
    {popup::PanelBrushColourEffects, kAll, "Brush Color Effect Popup",
     "Chooses a color effect for the brush's colors, or opens its brightness and saturation "
     "sliders.",
     kScroll, nullptr},
    {popup::PanelFillColourEffects, kAll, "Fill Color Effect Popup",
     "Chooses a color effect for the fill's colors, or opens its brightness and saturation "
     "sliders.",
     kScroll, nullptr},
    {hover::SliderValueFirst + 19, kAll, "Color Kick",
     "How far the colors jump forward on each beat, in percent.", 0, nullptr},
    {slider::ColourKick, kAll, "Color Kick Slider",
     "Drag to set how far the colors kick forward on a beat, -50 to 50 percent.", kRave | kHold,
     "Shortcut Key = J (Jump); type -50 to 50 first."},
    {popup::FillSets, kAll, "Fill Sets Popup",
     "Loads a set of six fills at once, or saves the loaded ones as a set.", kScroll, nullptr},
    {popup::BrushSets, kAll, "Brush Sets Popup",
     "Loads a set of six brushes with their attachments, or saves the loaded ones as a set.",
     kScroll, nullptr},
    {hover::SliderValueFirst + 16, kAll, "Brush Speed",
     "How many frames per second the brush animates and stamps.", 0, nullptr},
    {slider::BrushSpeed, kAll, "Brush Speed Slider", "Drag to set the brush speed, 0 to 120.",
     kRave | kHold, "Shortcut Key = S (Speed); type 0 to 120 first."},
    {popup::MovementSets, kAll, "Movement Sets Popup",
     "Loads a set of six movements at once, or saves the loaded ones as a set.", kScroll,
     nullptr},
    {hover::SliderValueFirst + 18, kAll, "Movement Spread",
     "How far apart, in pixels, the movement spreads the brush's stamps.", 0, nullptr},
    {slider::Spread, kAll, "Spread Slider", "Drag to set the movement spread, 1 to 120 pixels.",
     kRave | kHold, "Shortcut Key = D (Distance); type 1 to 120 first."},

    // SOUND INPUT, FREQUENCY.
    {popup::SoundInputs, kAll, "Sound Input Popup",
     "Chooses the sound input Korel listens to: line in, microphone, or what the computer "
     "plays.",
     kScroll, nullptr},
    {button::Search, kAll, "Search for Active Sound",
     "Tries the inputs one after the other and keeps the first one that carries sound.", 0,
     nullptr},
    {button::Default, kAll, "Restore Frequency Defaults",
     "Sets the listening frequency back to 72 Hz and the sound sample size to its default.",
     kListen, "Shortcut Key = N (Sample Size) sets the sample size; type 1 to 20 first."},
    {hover::SliderValueFirst + 3, kAll, "Listening Frequency",
     "The frequency, in hertz, that Korel listens to for beats.", kListen, nullptr},
    {slider::Frequency, kAll, "Listening Frequency Slider",
     "Drag to choose the frequency listened to, from 20 to 524 Hz: low for drums, higher for "
     "voices and snares.",
     kListen, nullptr},
    {hover::Spectrograph, kAll, "Frequency Spectrograph",
     "Shows how loud each frequency is right now; a tall peak that jumps with the music is a "
     "good frequency to listen to.",
     0, nullptr},

    // Tempo panels (the tap buttons' texts are chosen in helpText).
    {hover::SliderValueFirst + 0, kAll, "Beat Tempo",
     "The tempo of the generated beats in beats per minute.", kTempoBeats, nullptr},
    {slider::Tempo, kAll, "Beat Tempo Slider",
     "Drag to set the tempo, 0 to 240 beats per minute; 0 stops the generated beats.",
     kTempoBeats, "Shortcut Key = T (Tempo); type the tempo first, for instance 120.5."},
    {button::Clear, kAll, "Clear Beats", "Forgets the beats tapped so far.", 0,
     "Shortcut Key = Control-E (Clear Beats)."},
    {hover::AverageTempo, kAll, "Average Tempo Display",
     "The tempo of the beats tapped so far, averaged.", 0, nullptr},
    {hover::PatternBar, kAll, "Patterned Beats Display",
     "Shows the spacing of the beats tapped into the pattern.", 0, nullptr},

    // SCREEN SAVER.
    {button::SaverOnOff, kAll, "Enable Screen Saver",
     "Makes Korel the desktop's screen saver, or removes it again.", 0, nullptr},
    {button::PlayWhenLaunched, kCd, "Enable Playing of CD",
     "Whether a CD starts playing when the screen saver launches Korel.", 0, nullptr},
    {hover::SliderValueFirst + 1, kAll, "Screen Saver Delay",
     "Minutes without input before the screen saver starts Korel.", 0, nullptr},
    {slider::SaverDelay, kAll, "Screen Saver Delay Slider",
     "Drag to set the screen saver delay, 1 to 120 minutes.", 0, nullptr},

    // Sound scaling.
    {hover::ScaleMeter, kAll, "Sound Scale Meter",
     "Shows the sound scale: how strongly the sound drives the effects and the color kick "
     "right now.",
     0, nullptr},
    {hover::SliderValueFirst + 8, kAll, "Sound Scaling Fade",
     "Tenths of a second the sound scale takes to fall back.", 0, nullptr},
    {slider::ScalingFade, kAll, "Sound Scaling Fade Slider", "Drag to set the fade, 0 to 4 seconds.",
     0, nullptr},
    {hover::SliderValueFirst + 9, kAll, "Scaling Threshold",
     "The percentage of loudness below which the sound does not scale the effects.", 0, nullptr},
    {slider::ScalingThreshold, kAll, "Scaling Threshold Slider",
     "Drag to set the scaling threshold, 0 to 100 percent.", 0, nullptr},
    {hover::SliderValueFirst + 10, kAll, "Max Scaling Fade",
     "The longest fade of the sound scale, in tenths of a second.", 0, nullptr},
    {slider::MaxScalingFade, kAll, "Max Scaling Fade Slider",
     "Drag to set the longest fade, 0 to 12 seconds.", 0, nullptr},

    // Brightness and saturation.
    {hover::SliderValueFirst + 4, kAll, "Brush Brightness", "The brightness of the brush's colors.",
     0, nullptr},
    {slider::BrushBrightness, kAll, "Brush Brightness Slider",
     "Drag to make the brush's colors darker or brighter, 0 to 100.", 0, nullptr},
    {hover::SliderValueFirst + 5, kAll, "Fill Brightness", "The brightness of the fill's colors.", 0,
     nullptr},
    {slider::FillBrightness, kAll, "Fill Brightness Slider",
     "Drag to make the fill's colors darker or brighter, 0 to 100.", 0, nullptr},
    {hover::SliderValueFirst + 6, kAll, "Brush Saturation", "How vivid the brush's colors are.", 0,
     nullptr},
    {slider::BrushSaturation, kAll, "Brush Saturation Slider",
     "Drag from grey (0) to full color (100) for the brush.", 0, nullptr},
    {hover::SliderValueFirst + 7, kAll, "Fill Saturation", "How vivid the fill's colors are.", 0,
     nullptr},
    {slider::FillSaturation, kAll, "Fill Saturation Slider",
     "Drag from grey (0) to full color (100) for the fill.", 0, nullptr},

    // PARAMETER DETAILS (the slider's title is the parameter's name, see helpText).
    {button::Randomization, kAll, "Parameter Randomization",
     "Fixed keeps the parameter at the slider's value; Random lets the movement choose a new "
     "value each time it starts.",
     0, nullptr},
    {hover::SliderValueFirst + 2, kAll, "Parameter Value", "The value of the movement parameter.",
     0, nullptr},

    // ATTACHMENTS.
    {popup::AttachCategory, kAll, "Brush Attachments Popup",
     "Chooses which of the brush's attachments the panel shows.", kScroll, nullptr},
    {popup::AttachBrushEffect, kAll, "Brush Effect Attachment",
     "The brush effect that comes with this brush.", kScroll, nullptr},
    {slider::AttachedBrushSpeed, kAll, "Brush Speed Attachment",
     "The brush speed that comes with this brush; drag past either end for none.", 0, nullptr},
    {hover::SliderValueFirst + 11, kAll, "Brush Speed Attachment",
     "The attached brush speed, or (None).", 0, nullptr},
    {popup::AttachFill, kAll, "Fill Attachment", "The fill that comes with this brush.", kScroll,
     nullptr},
    {popup::AttachTrails, kAll, "Trails Attachment",
     "Whether trails are switched on or off with this brush.", kScroll, nullptr},
    {popup::AttachGradient, kAll, "Gradient Attachment",
     "The gradient that comes with this brush.", kScroll, nullptr},
    {slider::AttachedColourSpeed, kAll, "Color Speed Attachment",
     "The color speed that comes with this brush; drag past either end for none.", 0, nullptr},
    {hover::SliderValueFirst + 12, kAll, "Color Speed Attachment",
     "The attached color speed, or (None).", 0, nullptr},
    {popup::AttachMovement, kAll, "Movement Attachment",
     "The movement that comes with this brush.", kScroll, nullptr},
    {slider::AttachedSpread, kAll, "Spread Attachment",
     "The movement spread that comes with this brush; drag past either end for none.", 0,
     nullptr},
    {hover::SliderValueFirst + 13, kAll, "Spread Attachment", "The attached spread, or (None).", 0,
     nullptr},
    {popup::AttachBrushColour, kAll, "Brush Color Effect Attach.",
     "The brush color effect that comes with this brush.", kScroll, nullptr},
    {slider::AttachedBrushBrightness, kAll, "Brush Brightness Attachment",
     "The brush brightness that comes with this brush; drag past either end for none.", 0,
     nullptr},
    {hover::SliderValueFirst + 14, kAll, "Brush Brightness Attachment",
     "The attached brush brightness, or (None).", 0, nullptr},
    {popup::AttachFillColour, kAll, "Fill Color Effect Attachment",
     "The fill color effect that comes with this brush.", kScroll, nullptr},
    {slider::AttachedFillBrightness, kAll, "Fill Brightness Attachment",
     "The fill brightness that comes with this brush; drag past either end for none.", 0,
     nullptr},
    {hover::SliderValueFirst + 15, kAll, "Fill Brightness Attachment",
     "The attached fill brightness, or (None).", 0, nullptr},

    // File panels (the text field's text is chosen in helpText).
    {button::Save, kAll, "Save File", "Saves under the name typed in the field.", 0,
     "Shortcut Keys = Enter or Return (Save)."},
    {button::Cancel, kAll, "Cancel Save", "Goes back to the panel before without saving.", 0,
     nullptr},
    {button::Yes, kAll, "Replace File", "Saves over the existing file of that name.", 0,
     "Shortcut Keys = Enter or Return (Replace)."},
    {button::No, kAll, "Don't Replace File",
     "Keeps the existing file and goes back to the panel before.", 0, nullptr},
    {button::Done, kAll, "Done Deleting Files", "Goes back to the panel before.", 0, nullptr},
};

// The delete popups share one text.
constexpr int kDeletePopups[] = {362, 364, 365, 366, 367, 389, 390};
constexpr const char* kDeleteTitle = "Delete Files Popup";
constexpr const char* kDeleteBody =
    "Lists the files of this kind. Choosing one deletes it at once, so choose with care.";

const Entry* findEntry(int id, Edition edition) {
    const uint8_t bit = editionBit(edition);
    for (const Entry& e : kEntries)
        if (e.id == id && (e.editions & bit)) return &e;
    return nullptr;
}

void appendParas(std::string& out, uint8_t paras) {
    if (paras & kManual) out += kParaManual;
    if (paras & kListen) out += kParaListen;
    if (paras & kTempoBeats) out += kParaTempo;
    if (paras & kDisabled) out += kParaDisabled;
    if (paras & kHold) out += kParaHold;
    if (paras & kRave) out += kParaRave;
    if (paras & kScroll) out += kParaScroll;
}

void assemble(std::string& out, std::string_view title, std::string_view titleTail,
              const char* body, uint8_t paras, const char* shortcut) {
    out += title;
    out += titleTail;
    out += "\r\r";
    out += body;
    appendParas(out, paras);
    if (shortcut) {
        out += "\r\r";
        out += shortcut;
    }
}

bool topText(int hoverId, Edition edition, std::string& out) {
    const int button = hoverId / 1000 - 1;
    std::array<TopAction, kTopButtons> actions{};
    const int count = topRowActions(edition, actions);
    if (button < 0 || button >= count) return false;
    const bool playing = hoverId % 1000 == 0;
    if (!playing && hoverId != hover::topButton(button)) return false;
    const TopAction action = actions[size_t(button)];
    if (playing && action != TopAction::PlayPause) return false;
    const uint8_t bit = editionBit(edition);
    for (const TopText& t : kTop) {
        if (t.action != action || !(t.editions & bit)) continue;
        if (action == TopAction::PlayPause && t.playing != playing) continue;
        assemble(out, t.title, {}, t.body, t.paras, t.shortcut);
        return true;
    }
    return false;
}

}  // namespace

bool helpText(int hoverId, const HelpContext& ctx, std::string& out) {
    out.clear();
    const bool patternPanel = ctx.panel == panel::PatternedBeats;
    switch (hoverId) {
        case hover::ParameterSlider: {
            const std::string_view name = ctx.parameterName.empty() ? "Parameter"
                                                                    : ctx.parameterName;
            assemble(out, name, " Slider.",
                     "Drag to set this parameter of the movement. For the movement in the current "
                     "row the change shows at once; for another row it is kept for when that "
                     "movement runs, and the parameter is no longer chosen at random.",
                     kRave | kHold,
                     "Shortcut Keys = X, Y, Z (First, Second, Third Parameter); type the value "
                     "first.");
            return true;
        }
        case hover::TotalTime:
            if (ctx.edition != Edition::CD) break;
            if (ctx.discPresent)
                assemble(out, "Total Song Time", {}, "The length of the current track of the CD.",
                         0, nullptr);
            else
                assemble(out, "Total Song Time", {},
                         "Shows the length of the current track once a CD is in the drive; there "
                         "is no disc now.",
                         0, nullptr);
            return true;
        case hover::TextField: {
            assemble(out, "Text Entry Field", {},
                     ctx.entryLimit > 15
                         ? "Type the name to save under, up to 27 letters. Letters, digits, "
                           "spaces and # $ % & ' ( ) - ; ^ _ ` can be typed; other keys work as "
                           "shortcuts."
                         : "Type the name to save under, up to 15 letters. Letters, digits, "
                           "spaces and # $ % & ' ( ) - ; ^ _ ` can be typed; other keys work as "
                           "shortcuts.",
                     0, "Shortcut Keys = Enter or Return (Save).");
            return true;
        }
        case button::Beat:
            if (patternPanel)
                assemble(out, "Tap Patterned Beats", {},
                         "Click in the rhythm you want: up to nine beats are kept and repeat as a "
                         "pattern once you apply it.",
                         kTempoBeats, "Shortcut Key = E (Enter Beat).");
            else
                assemble(out, "Tap Manual Beats", {},
                         "Click along with the music: the average of your taps becomes the tempo "
                         "once you apply it.",
                         kTempoBeats, "Shortcut Key = E (Enter Beat).");
            return true;
        case button::Apply:
            assemble(out, patternPanel ? "Apply New Pattern" : "Apply New Tempo", {},
                     "Makes the tapped beats the new rhythm, counted from now. Listening is "
                     "switched off so the tapped beats drive the animation.",
                     kTempoBeats, "Shortcut Key = Shift-E (Apply).");
            return true;
        case button::Align:
            assemble(out, patternPanel ? "Align Current Pattern" : "Align Current Tempo", {},
                     "Restarts the current rhythm now, so its beats fall in step with the music.",
                     kTempoBeats, "Shortcut Key = TAB (Align).");
            return true;
        default:
            break;
    }
    for (int id : kDeletePopups)
        if (id == hoverId) {
            assemble(out, kDeleteTitle, {}, kDeleteBody, kScroll, nullptr);
            return true;
        }
    if (hoverId >= 1000 && hoverId < 15000) {
        if (topText(hoverId, ctx.edition, out)) return true;
        out.clear();
        return false;
    }
    if (const Entry* e = findEntry(hoverId, ctx.edition)) {
        assemble(out, e->title, {}, e->body, e->paras, e->shortcut);
        return true;
    }
    return false;
}

std::string_view helpTitle(std::string_view text) {
    return text.substr(0, text.find('\r'));
}

std::vector<int> hoverIds(Edition edition) {
    std::vector<int> ids;
    std::array<TopAction, kTopButtons> actions{};
    const int count = topRowActions(edition, actions);
    for (int i = 0; i < count; ++i) {
        ids.push_back(hover::topButton(i));
        if (actions[size_t(i)] == TopAction::PlayPause) ids.push_back(hover::topButton(i, true));
    }
    const uint8_t bit = editionBit(edition);
    for (const Entry& e : kEntries)
        if (e.editions & bit) ids.push_back(e.id);
    for (int id : kDeletePopups) ids.push_back(id);
    for (int id : {int(hover::ParameterSlider), int(button::Beat), int(button::Apply),
                   int(button::Align), int(hover::TextField)})
        ids.push_back(id);
    if (edition == Edition::CD) ids.push_back(hover::TotalTime);
    return ids;
}

}  // namespace korel

// The settings panels: drawing a panel from its table, hit-testing it, and what its fields,
// small buttons, slider, beat taps and text-entry field do.
//
// Sections: places and conditions; texts of fields and values; drawing; sliders; small
// buttons; text entry; the Panels interface.
#include "controls/panels.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>

#include "controls/panel_table.h"
#include "controls/text_entry.h"
#include "persist/preferences.h"
#include "persist/visual_state.h"
#include "sound/sound.h"
#include "triggers/triggers.h"

namespace korel {

using panels::Item;
using panels::Part;
using panels::When;

namespace {

constexpr int kNoValue = INT_MIN;  // an attachment slider's "(None)"

const char* blockedName(int sliderId) {
    switch (sliderId) {
        case slider::ColourKick:
            return "color kick";
        case slider::ColourSpeed:
            return "color speed";
        case slider::BrushSpeed:
            return "brush speed";
        case slider::Spread:
            return "movement spread";
        case slider::BrushBrightness:
            return "brush brightness";
        case slider::FillBrightness:
            return "fill brightness";
        case slider::BrushSaturation:
            return "brush saturation";
        case slider::FillSaturation:
            return "fill saturation";
        default:
            return nullptr;
    }
}

// The record offset a stored slider writes (0 for the others).
size_t storedOffset(int sliderId) {
    switch (sliderId) {
        case slider::Frequency:
            return vs::ListeningFrequency;
        case slider::BrushBrightness:
            return vs::BrushBrightness;
        case slider::FillBrightness:
            return vs::FillBrightness;
        case slider::BrushSaturation:
            return vs::BrushSaturation;
        case slider::FillSaturation:
            return vs::FillSaturation;
        case slider::ScalingFade:
            return vs::ScalingFade;
        case slider::ScalingThreshold:
            return vs::ScalingThreshold;
        case slider::MaxScalingFade:
            return vs::MaxScalingFade;
        default:
            return 0;
    }
}

// The stored byte of a value for change codes and attachment bytes that keep an offset.
int encodeFor(int sliderId, int value) {
    if (sliderId == slider::ColourSpeed || sliderId == slider::AttachedColourSpeed)
        return value + 60;
    if (sliderId == slider::ColourKick) return value + 50;
    return value;
}
int decodeFor(int sliderId, int stored) {
    if (sliderId == slider::ColourSpeed || sliderId == slider::AttachedColourSpeed)
        return stored - 60;
    if (sliderId == slider::ColourKick) return stored - 50;
    return stored;
}

bool isTapPanel(int id) {
    return id == panel::ManualBeats || id == panel::PatternedBeats;
}

Rect moved(const Rect& r, int dy) {
    return Rect{r.left, r.top + dy, r.right, r.bottom + dy};
}

// "m:ss" of a time in ms into a fixed buffer (the tick redraws these without allocating).
void formatTime(char (&buf)[16], uint32_t ms) {
    const uint32_t s = ms / 1000;
    std::snprintf(buf, sizeof buf, "%u:%02u", s / 60, s % 60);
}

}  // namespace

struct Panels::Impl {
    explicit Impl(ControlsView& v) : view(v) {}

    ControlsView& view;
    panels::TextEntry entry;
    std::string replaceName;  // the typed name REPLACE FILE asks about
    Surface spectrographWork;
    uint32_t shownSecond = UINT32_MAX;
    uint32_t shownLength = UINT32_MAX;
    int pressedButton = 0;
    // The slider being dragged.
    int dragSlider = 0;
    int dragValue = 0;
    int dragKey = INT_MIN;  // the clamped x (or -1 for "(None)") the value was computed from
    int dragModifier = 0;

    ControlsHost& host() { return view.host(); }
    VisualState& vis() { return view.host().visual(); }
    TriggerEngine& trig() { return view.host().triggers(); }
    ControlsState& st() { return view.state(); }
    int dy() const { return view.panelShift(); }
    Rect at(const Rect& r) const { return moved(r, dy()); }

    // --- Places and conditions --------------------------------------------------------------
    bool applies(When w) {
        switch (w) {
            case When::Always:
                return true;
            case When::NotLive:
                return !view.live();
            case When::CdOnly:
                return view.edition() == Edition::CD;
            case When::SaverOn:
                return host().preferences().saverEnabled;
            case When::TwoTaps:
                return trig().tempo().tapCount >= 2;
            case When::FewerTaps:
                return trig().tempo().tapCount < 2;
        }
        return false;
    }

    template <typename Fn>
    void forEachItem(Fn&& fn) {
        const panels::PanelSpec* spec = panels::findPanel(st().panel);
        if (!spec) return;
        for (const Item& it : spec->items)
            if (applies(it.when)) fn(it);
        if (st().panel == panel::Attachments)
            for (const Item& it : panels::attachmentItems(st().attachCategory))
                if (applies(it.when)) fn(it);
    }

    // The value rectangle of a slider's text.
    static Rect valueRect(int sliderId) {
        return sliderId == slider::Frequency ? panels::kFrequencyText : panels::kValueText;
    }

    int currentBrush() {
        return std::clamp(int(vis().get(vs::CurrentBrush)) - 1, 0, kBrushSlots - 1);
    }
    int currentMovement() {
        return std::clamp(int(vis().get(vs::CurrentMovement)) - 1, 0, kMovementSlots - 1);
    }
    size_t paramOffset() {
        return VisualState::movementParams(std::clamp(st().parameterSlot, 0, kMovementSlots - 1)) +
               size_t(std::clamp(st().parameter, 0, 2));
    }
    struct Param {
        std::string name;
        panels::SliderRange range{0, 120};
    };
    Param parameterInfo() {
        Param p;
        int lo = 0, hi = 120;
        if (host().movementParameter(st().parameterSlot, st().parameter, p.name, lo, hi) && hi > lo)
            p.range = {lo, hi};
        return p;
    }
    panels::SliderRange rangeOf(int sliderId) {
        return sliderId == slider::Parameter ? parameterInfo().range
                                             : panels::sliderRange(sliderId);
    }

    // --- Texts of fields and values ---------------------------------------------------------
    std::string attachedName(size_t nameByte) {
        const uint8_t* p = vis().at(VisualState::attachment(st().attachBrush) + nameByte);
        return p[0] == kNone80 ? std::string("No Attachment") : readNameField(p);
    }
    std::string attachedSlot(size_t byte, int slots, size_t (*nameOf)(int)) {
        const int v = vis().get(VisualState::attachment(st().attachBrush) + byte);
        if (v < 1 || v > slots) return "No Attachment";
        return vis().name(nameOf(v - 1));
    }

    std::string fieldText(int popupId) {
        VisualState& v = vis();
        switch (popupId) {
            case popup::Songlists:
                return host().songlistName();
            case popup::PanelBrushColourEffects:
                return v.name(vs::BrushColourEffect);
            case popup::PanelFillColourEffects:
                return v.name(vs::FillColourEffect);
            case popup::BrushEffects:
                return v.name(vs::BrushEffect);
            case popup::GradientSets:
                return v.name(vs::GradientSetName);
            case popup::FillSets:
                return v.name(vs::FillSetName);
            case popup::BrushSets:
                return v.name(vs::BrushSetName);
            case popup::MovementSets:
                return v.name(vs::MovementSetName);
            case popup::SoundInputs:
                return host().soundInputName();
            case popup::AttachCategory:
                return panels::attachmentCategoryName(st().attachCategory);
            case popup::AttachFill:
                return attachedSlot(att::Fill, kFillSlots, &VisualState::fillName);
            case popup::AttachGradient:
                return attachedSlot(att::Gradient, kGradientSlots, &VisualState::gradientName);
            case popup::AttachMovement:
                return attachedSlot(att::Movement, kMovementSlots, &VisualState::movementName);
            case popup::AttachTrails: {
                const int t = v.get(VisualState::attachment(st().attachBrush) + att::Trails);
                return t == 1 ? "Trails On" : t == 0 ? "Trails Off" : "No Attachment";
            }
            case popup::AttachBrushEffect:
                return attachedName(att::BrushEffect);
            case popup::AttachBrushColour:
                return attachedName(att::BrushColourEffect);
            case popup::AttachFillColour:
                return attachedName(att::FillColourEffect);
            default:
                return {};
        }
    }

    std::string buttonLabel(int id) {
        switch (id) {
            case button::Randomization:
                return vis().get(paramOffset() + 3) ? "Fixed" : "Random";
            case button::Save:
                return "Save";
            case button::Cancel:
                return "Cancel";
            case button::Yes:
                return "Yes";
            case button::No:
                return "No";
            case button::Done:
                return "Done";
            case button::Search:
                return "Search";
            case button::Default:
                return "Default";
            case button::Beat:
                return "Beat";
            case button::Apply:
                return "Apply";
            case button::Align:
                return "Align";
            case button::Clear:
                return "Clear";
            case button::SaverOnOff:
                return host().preferences().saverEnabled ? "ON" : "OFF";
            case button::PlayWhenLaunched:
                return host().preferences().playWhenLaunched ? "Play" : "Ignore";
            default:
                return {};
        }
    }

    // Hundredths of a beat per minute with two decimals.
    static void formatTempo(char (&buf)[16], int hundredths) {
        std::snprintf(buf, sizeof buf, "%d.%02d", hundredths / 100, hundredths % 100);
    }

    void averageTempoText(char (&buf)[16]) {
        const TempoState& t = trig().tempo();
        if (t.tapCount >= 2)
            formatTempo(buf, trig().tappedTempo());
        else if (t.tapCount == 1 || vis().tempo() == 0 || t.patternMode)
            std::snprintf(buf, sizeof buf, "None");
        else
            formatTempo(buf, vis().tempo());
    }

    // --- Drawing ----------------------------------------------------------------------------
    // Text centred in a box with one font run: the frame tick's redraws must not allocate.
    void runIn(const Rect& box, std::string_view s, uint8_t colour, Align align = Align::Centre) {
        Fonts& f = view.fonts();
        const int w = f.textWidth(FontId::Small, s);
        const int x = align == Align::Centre  ? box.left + (box.width() - w) / 2
                      : align == Align::Right ? box.right - w
                                              : box.left;
        const int top = box.top + (box.height() - f.lineHeight(FontId::Small) + 1) / 2;
        f.drawRun(view.canvas(), FontId::Small, x, top, s, colour);
    }
    void valueRun(const Rect& r, std::string_view s) {
        view.canvas().fillRect(r, cc::Black);
        runIn(r, s, cc::Green);
    }
    // A label right-aligned before a place.
    void labelBefore(const Rect& r, std::string_view s) {
        if (s.empty()) return;
        runIn(Rect{panels::kInterior.left + 2, r.top, r.left - 3, r.bottom}, s, cc::Black,
              Align::Right);
    }

    void drawBackground(const panels::PanelSpec* spec) {
        Surface& c = view.canvas();
        view.boxBody(c, at(panels::kArea));
        c.fillRect(at(panels::kInterior), cc::LightField);
        view.popupField(at(panels::kSettingsButton), "Settings");
        const int id = st().panel;
        if (spec && spec->icon >= 0) {
            const Rect t = kTitleButton(spec->icon, false);
            copySurface(c, panels::kIconAt.x, panels::kIconAt.y + dy(),
                        view.pictures().titleButtons,
                        Rect{t.left + 2, t.top + 2, t.right - 2, t.bottom - 2});
        } else if (id == panel::Parameter) {
            host().drawAssetIcon(popup::Movements, st().parameterSlot, c,
                                 Point{panels::kIconAt.x, panels::kIconAt.y + dy()});
        } else if (id == panel::Attachments) {
            host().drawAssetIcon(popup::Brushes, st().attachBrush, c,
                                 Point{panels::kIconAt.x, panels::kIconAt.y + dy()});
        }
        if (spec) {
            const Point t = panel::isFilePanel(id) ? panels::kFileTitleAt : panels::kTitleAt;
            view.text(t.x, t.y + dy(), spec->title, cc::Black);
        }
    }

    void drawItem(const Item& it) {
        const Rect r = at(it.rect);
        switch (it.part) {
            case Part::Label:
                view.textIn(r, it.label ? it.label : "", cc::Black);
                return;
            case Part::Field:
                if (it.label) labelBefore(r, it.label);
                view.popupField(r, fieldText(it.id));
                return;
            case Part::Value:
                if (it.label) labelBefore(r, it.label);
                drawValue(it.id, r);
                return;
            case Part::Button:
                if (it.label) labelBefore(r, it.label);
                view.smallButton(r, buttonLabel(it.id), pressedButton == it.id,
                                 it.id == button::Save || it.id == button::Yes);
                return;
            case Part::Slider:
                drawSlider(it.id, it.label);
                return;
            case Part::Picture:
                if (it.label) labelBefore(r, it.label);
                drawPicture(it.id, r);
                return;
        }
    }

    void drawValue(int show, const Rect& r) {
        char buf[16];
        switch (show) {
            case panels::kShowElapsed:
                formatTime(buf, host().songPosition());
                break;
            case panels::kShowTotal:
                formatTime(buf, host().songLength());
                break;
            case panels::kShowAverageTempo:
                averageTempoText(buf);
                break;
            default:
                buf[0] = 0;
                break;
        }
        valueRun(r, buf);
    }

    void drawPicture(int show, const Rect& r) {
        Surface& c = view.canvas();
        switch (show) {
            case panels::kShowTrackDigits: {
                const int n = host().trackNumber();
                for (int i = 0; i < 2; ++i) {
                    const int x = r.left + 13 * i;
                    if (n <= 0) {
                        c.fillRect(Rect{x, r.top, x + 10, r.top + 17}, cc::Black);
                    } else {
                        const int d = i == 0 ? (n / 10) % 10 : n % 10;
                        copySurface(c, x, r.top, view.pictures().digits, kDigit(d));
                    }
                }
                return;
            }
            case panels::kShowScaleMeter:
                drawScaleMeter(c, host().sound().listen, r);
                return;
            case panels::kShowSpectrograph:
                drawSpectrograph(c, spectrographWork, host().sound(), vis(), Point{r.left, r.top});
                return;
            case panels::kShowPatternBar:
                drawPatternBar(r);
                return;
            case panels::kShowEditField:
                drawEditField(r);
                return;
            case panels::kShowPrompt: {
                std::string prompt = "Type a ";
                prompt += panels::entryKindWord(entry.purpose);
                prompt += " name below.";
                view.textIn(r, prompt, cc::Black);
                return;
            }
            default:
                return;
        }
    }

    // The taps pending (or, with none, the active pattern) as ticks at their relative times.
    void drawPatternBar(const Rect& r) {
        Surface& c = view.canvas();
        c.fillRect(r, cc::Black);
        const TempoState& t = trig().tempo();
        std::array<uint32_t, kStoredTaps> at{};
        int n = 0;
        if (t.tapCount > 0) {
            n = int(std::min<uint32_t>(t.tapCount, kStoredTaps));
            for (int i = 0; i < n; ++i) at[size_t(i)] = t.tapTimes[size_t(i)] - t.tapTimes[0];
        } else if (t.patternMode && t.patternLength > 0) {
            n = std::min(t.patternLength, kMaxPatternIntervals) + 1;
            for (int i = 1; i < n; ++i)
                at[size_t(i)] = at[size_t(i - 1)] + t.pattern[size_t(i - 1)];
        }
        const uint32_t span = n > 1 ? at[size_t(n - 1)] : 0;
        const int width = r.width() - 5;
        for (int i = 0; i < n; ++i) {
            const int x =
                r.left + 2 + (span ? int(uint64_t(at[size_t(i)]) * uint64_t(width) / span) : 0);
            c.fillRect(Rect{x, r.top + 2, x + 2, r.bottom - 2}, i == 0 ? cc::Green : cc::White);
        }
    }

    void drawEditField(const Rect& r) {
        Surface& c = view.canvas();
        c.fillRect(r, cc::White);
        c.frameRect(r, cc::Black);
        Fonts& f = view.fonts();
        const int w = f.textWidth(FontId::Small, entry.text);
        const int x = r.left + (r.width() - w) / 2;
        const int top = r.top + (r.height() - f.lineHeight(FontId::Small) + 1) / 2;
        if (entry.selected && w > 0) {
            c.fillRect(Rect{x - 1, r.top + 2, x + w + 1, r.bottom - 2}, cc::Black);
            f.drawRun(c, FontId::Small, x, top, entry.text, cc::White);
        } else {
            f.drawRun(c, FontId::Small, x, top, entry.text, cc::Black);
            c.vline(x + w + 1, r.top + 2, r.bottom - 2, cc::Black);  // the caret
        }
    }

    // --- Sliders ----------------------------------------------------------------------------
    // The slider's value now: kNoValue for an attachment slider with nothing attached;
    // `pending` when a held value is shown.
    int sliderValue(int id, bool& pending) {
        pending = false;
        VisualState& v = vis();
        if (panels::isAttachmentSlider(id)) {
            const int b = v.get(VisualState::attachment(st().attachBrush) +
                                size_t(panels::attachmentByteOf(id)));
            return b == kNone80 ? kNoValue : decodeFor(id, b);
        }
        if (const int code = panels::changeCodeOf(id)) {
            const uint8_t held = trig().state().held[size_t(code - 1)];
            if (held != kNone80) {
                pending = true;
                return decodeFor(id, held);
            }
        }
        switch (id) {
            case slider::Volume:
                return host().outputVolume();
            case slider::Tempo:
                return v.tempo();
            case slider::SaverDelay:
                return host().preferences().saverDelay;
            case slider::Parameter: {
                if (st().parameterSlot == currentMovement()) {
                    const uint8_t held =
                        trig().state().held[size_t(kChangeParameter1 - 1 + st().parameter)];
                    if (held != kNone80) {
                        pending = true;
                        return int8_t(held);
                    }
                }
                return int8_t(v.get(paramOffset()));
            }
            case slider::BrushSpeed:
                return v.get(vs::BrushSpeed);
            case slider::ColourSpeed:
                return v.get(vs::ColourSpeed) - 60;
            case slider::Spread:
                return v.get(vs::MovementSpread);
            case slider::ColourKick:
                return v.get(vs::ColourKick) - 50;
            default: {
                const size_t off = storedOffset(id);
                return off ? v.get(off) : 0;
            }
        }
    }

    std::string sliderLabel(int id, const char* label) {
        if (id == slider::Parameter) {
            std::string name = parameterInfo().name;
            return name.empty() ? std::string("Parameter:") : name + ":";
        }
        return label ? label : "";
    }

    // Draws the slider (track, knob, value text; with `full` also its labels and ends).
    void drawSliderAs(int id, int value, bool pending, bool full, const char* label) {
        Surface& c = view.canvas();
        const panels::SliderRange r = rangeOf(id);
        const int d = dy();
        int style = 0;
        if (id == slider::Parameter && parameterInfo().name == "Direction") style = 1;
        copySurface(c, panels::kTrackAt.x, panels::kTrackAt.y + d, view.pictures().widgets,
                    kTrack(style));
        if (value != kNoValue) {
            const int x = panels::knobX(std::clamp(value, r.min, r.max), r);
            copySurface(c, x, panels::kKnobY + d, view.pictures().widgets,
                        kKnobLook(pending, true));
        }
        char buf[16];
        if (id != slider::Volume) {
            if (value == kNoValue)
                std::snprintf(buf, sizeof buf, "(None)");
            else if (id == slider::Tempo)
                formatTempo(buf, value);
            else if (id == slider::Frequency)
                std::snprintf(buf, sizeof buf, "%d", value * 4 + 20);
            else
                std::snprintf(buf, sizeof buf, "%d", value);
            valueRun(at(valueRect(id)), buf);
        }
        if (!full) return;
        // The ends in the units the value is shown in.
        auto shown = [&](int v) {
            return id == slider::Tempo ? v / 100 : id == slider::Frequency ? v * 4 + 20 : v;
        };
        const Rect minBox{panels::kInterior.left + 1, panels::kSliderLine.top + d,
                          panels::kTrackAt.x - 1, panels::kSliderLine.bottom + d};
        if (id == slider::Volume) {
            runIn(minBox, label ? label : "", cc::Black, Align::Right);
        } else {
            std::snprintf(buf, sizeof buf, "%d", shown(r.min));
            runIn(minBox, buf, cc::Black, Align::Right);
            std::snprintf(buf, sizeof buf, "%d", shown(r.max));
            view.text(panels::kMaxLabelAt.x, panels::kMaxLabelAt.y + d, buf, cc::Black);
            labelBefore(at(valueRect(id)), sliderLabel(id, label));
        }
    }

    void drawSlider(int id, const char* label) {
        bool pending = false;
        const int v = sliderValue(id, pending);
        drawSliderAs(id, v, pending, true, label);
    }

    bool sliderShown(int id) {
        bool found = false;
        forEachItem([&](const Item& it) { found |= it.part == Part::Slider && it.id == id; });
        return found;
    }

    void presentSlider(int id) {
        view.present(at(Rect{panels::kInterior.left, panels::kSliderLine.top,
                             panels::kInterior.right, panels::kSliderLine.bottom}));
        view.present(at(valueRect(id)));
    }

    // A press on the slider line.
    void pressSlider(int id, Point p, int modifier) {
        VisualState& v = vis();
        if (const char* name = blockedName(id)) {
            const int b = panels::attachmentByteOf(id);
            if (b >= 0 && v.get(VisualState::attachment(currentBrush()) + size_t(b)) != kNone80) {
                view.services().showAlert(std::string("The current brush has an attached ") + name +
                                          " setting.");
                return;
            }
        }
        if (panels::passesModifier(id) && modifier == kHoldRelease) {
            int code = panels::changeCodeOf(id);
            if (id == slider::Parameter)
                code = st().parameterSlot == currentMovement() ? kChangeParameter1 + st().parameter
                                                               : 0;
            if (code) {
                bool pending = false;
                host().applyUserChange(code, encodeFor(id, sliderValue(id, pending)), kHoldRelease);
            }
            bool pending = false;
            drawSliderAs(id, sliderValue(id, pending), pending, false, nullptr);
            presentSlider(id);
            return;
        }
        dragSlider = id;
        dragKey = INT_MIN;
        dragModifier = panels::passesModifier(id) ? modifier : 0;
        bool pending = false;
        dragValue = sliderValue(id, pending);
        view.track(Tracker{[this](Point q) { dragMove(q); }, [this](Point q) { dragRelease(q); }});
        dragMove(p);
    }

    void dragMove(Point p) {
        const int id = dragSlider;
        if (!id) return;
        int key = std::clamp(p.x, 42, 169);
        if (panels::isAttachmentSlider(id) && (p.x < 42 || p.x > 169)) key = -1;
        if (key == dragKey) return;
        dragKey = key;
        int value = key < 0 ? kNoValue : panels::valueAtX(key, rangeOf(id));
        if (id == slider::Tempo) value -= value % 200;
        if (id == slider::Volume && value != dragValue) host().setOutputVolume(uint8_t(value));
        dragValue = value;
        drawSliderAs(id, value, dragModifier == kHoldStore, false, nullptr);
        presentSlider(id);
    }

    void dragRelease(Point p) {
        dragMove(p);
        const int id = dragSlider;
        dragSlider = 0;
        if (!id) return;
        applySlider(id, dragValue, dragModifier);
        if (st().panel != panel::ScreenSaver || host().preferences().saverEnabled) {
            if (sliderShown(id)) {
                bool pending = false;
                drawSliderAs(id, sliderValue(id, pending), pending, false, nullptr);
                presentSlider(id);
            }
        }
    }

    void store(size_t offset, int value) {
        vis().set(offset, uint8_t(value));
        host().settingStored(offset);
    }

    void applySlider(int id, int value, int modifier) {
        VisualState& v = vis();
        const uint32_t now = host().songTime();
        if (panels::isAttachmentSlider(id)) {
            applyAttachmentSlider(id, value);
            return;
        }
        if (const int code = panels::changeCodeOf(id)) {
            host().applyUserChange(code, encodeFor(id, value), modifier);
            return;
        }
        switch (id) {
            case slider::Volume:
                host().setOutputVolume(uint8_t(value));
                return;
            case slider::Tempo:
                // setTempo ends a beat pattern and schedules the next beat from now.
                trig().setTempo(uint16_t(value), now);
                host().settingStored(vs::Tempo);
                return;
            case slider::SaverDelay:
                host().preferences().saverDelay = uint8_t(value);
                return;
            case slider::Parameter:
                if (st().parameterSlot == currentMovement()) {
                    host().applyUserChange(kChangeParameter1 + st().parameter, value, modifier);
                } else {
                    v.set(paramOffset(), uint8_t(int8_t(value)));
                    store(paramOffset() + 3, 1);
                    host().settingStored(paramOffset());
                }
                return;
            default:
                if (const size_t off = storedOffset(id)) store(off, value);
                return;
        }
    }

    void applyAttachmentSlider(int id, int value) {
        VisualState& v = vis();
        const int brush = st().attachBrush;
        const size_t entry = VisualState::attachment(brush);
        const size_t byte = entry + size_t(panels::attachmentByteOf(id));
        v.set(byte, value == kNoValue ? kNone80 : uint8_t(encodeFor(id, value)));
        bool any = false;
        for (size_t b = att::Gradient; b <= att::FillSaturation; ++b)
            any |= v.get(entry + b) != kNone80;
        for (size_t n : {att::BrushEffect, att::BrushColourEffect, att::FillColourEffect})
            any |= v.get(entry + n) != kNone80;
        v.set(entry + att::Any, any ? 1 : 0);
        host().settingStored(byte);
        if (value == kNoValue || brush != currentBrush()) return;
        switch (id) {
            case slider::AttachedBrushSpeed:
                host().applyUserChange(kChangeBrushSpeed, value, 0);
                break;
            case slider::AttachedColourSpeed:
                host().applyUserChange(kChangeColourSpeed, value + 60, 0);
                break;
            case slider::AttachedSpread:
                host().applyUserChange(kChangeSpread, value, 0);
                break;
            case slider::AttachedBrushBrightness:
                store(vs::BrushBrightness, value);
                break;
            case slider::AttachedFillBrightness:
                store(vs::FillBrightness, value);
                break;
            default:
                break;
        }
    }

    // --- Small buttons ----------------------------------------------------------------------
    void pressButton(const Item& it, int modifier) {
        const int id = it.id;
        const uint32_t pressTime = host().songTime();
        pressedButton = id;
        drawItem(it);
        view.present(at(it.rect));
        const Item item = it;
        view.track(Tracker{[](Point) {},
                           [this, item, modifier, pressTime](Point) {
                               pressedButton = 0;
                               const int shownPanel = st().panel;
                               drawItem(item);
                               view.present(at(item.rect));
                               if (st().panel == shownPanel) act(item.id, modifier, pressTime);
                           }});
    }

    void act(int id, int modifier, uint32_t time) {
        (void)modifier;
        TriggerEngine& t = trig();
        Preferences& prefs = host().preferences();
        const bool manual = st().panel == panel::ManualBeats;
        switch (id) {
            case button::Randomization: {
                const size_t flag = paramOffset() + 3;
                store(flag, vis().get(flag) ? 0 : 1);
                redraw();
                return;
            }
            case button::Save:
                acceptEntry();
                return;
            case button::Cancel:
                endEntry();
                return;
            case button::Yes:
                host().saveTyped(entry.purpose, replaceName);
                endEntry();
                return;
            case button::No:
                endEntry();
                return;
            case button::Done:
                back();
                return;
            case button::Search:
                host().searchSound();
                return;
            case button::Default:
                store(vs::ListeningFrequency, 13);
                store(vs::AnalysisWindow, 6);
                redraw();
                return;
            case button::Beat:
                manual ? t.tapTempo(time) : t.tapPattern(time);
                break;
            case button::Apply:
                manual ? t.applyTappedTempo(time) : t.applyTappedPattern(time);
                break;
            case button::Align:
                t.align(time);
                break;
            case button::Clear:
                t.clearTaps();
                break;
            case button::SaverOnOff:
                prefs.saverEnabled = !prefs.saverEnabled;
                host().setScreenSaver(prefs.saverEnabled);
                redraw();
                return;
            case button::PlayWhenLaunched:
                prefs.playWhenLaunched = prefs.playWhenLaunched ? 0 : 1;
                redraw();
                return;
            default:
                return;
        }
        redraw();  // the tap buttons
    }

    // --- Text entry -------------------------------------------------------------------------
    void acceptEntry() {
        if (entry.text.empty()) {
            view.services().showAlert("Text field is empty! Please type text into field.");
            return;
        }
        const std::string name = panels::entryName(entry.text);
        entry.active = false;
        if (entry.purpose != popup::Songs && host().fileExists(entry.purpose, name)) {
            replaceName = name;
            show(panel::ReplaceFile);
            return;
        }
        if (!host().saveTyped(entry.purpose, name)) {
            // Refused (the host said why): the typed name stays for another try.
            panels::openEntry(entry, entry.purpose, name);
            redraw();
            return;
        }
        endEntry();
    }

    void endEntry() {
        entry.active = false;
        back();
        host().fileEntryEnded();
    }

    void back() { show(st().returnPanel); }

    // --- Showing ----------------------------------------------------------------------------
    void show(int id) {
        if (panel::isFilePanel(id) && !panel::isFilePanel(st().panel))
            st().returnPanel = st().panel;
        if (id != panel::TextEntry) entry.active = false;
        st().panel = id;
        shownSecond = shownLength = UINT32_MAX;
        // Under a resting cursor the new panel's control may read differently.
        st().hoverId = -1;
        redraw();
    }

    void redraw() {
        const panels::PanelSpec* spec = panels::findPanel(st().panel);
        drawBackground(spec);
        forEachItem([&](const Item& it) { drawItem(it); });
        view.present(at(panels::kArea));
    }

    // --- Hit-testing ------------------------------------------------------------------------
    // The item at p (client coordinates), or null; `valueText` when p is on a slider's value.
    const Item* itemAt(Point p, bool* valueText = nullptr) {
        const Item* hit = nullptr;
        forEachItem([&](const Item& it) {
            if (hit) return;
            if (at(it.rect).contains(p.x, p.y)) {
                hit = &it;
            } else if (it.part == Part::Slider && it.id != slider::Volume &&
                       at(valueRect(it.id)).contains(p.x, p.y)) {
                hit = &it;
                if (valueText) *valueText = true;
            }
        });
        return hit;
    }
};

// --- The Panels interface ---------------------------------------------------------------------

Panels::Panels(ControlsView& view) : impl_(new Impl(view)) {}
Panels::~Panels() {
    delete impl_;
}

void Panels::show(int panelId) {
    impl_->show(panelId);
}
void Panels::draw() {
    impl_->redraw();
}
void Panels::returnFromFilePanel() {
    impl_->back();
}

bool Panels::click(Point p, int modifier) {
    Impl& m = *impl_;
    if (!m.at(panels::kArea).contains(p.x, p.y)) return false;
    if (m.at(panels::kSettingsButton).contains(p.x, p.y)) {
        m.host().openPopup(popup::Settings, -1, m.at(panels::kSettingsButton));
        return true;
    }
    if (isTapPanel(m.st().panel) && m.host().ravePlayback() != RavePlayback::None) {
        m.view.services().showAlert(kRaveReplayRefusal);
        return true;
    }
    bool valueText = false;
    const Item* it = m.itemAt(p, &valueText);
    if (!it) return false;
    switch (it->part) {
        case Part::Field: {
            const int id = it->id ? it->id : popup::deleteFor(m.st().entryPurpose);
            Rect r = m.at(it->rect);
            const bool wide =
                ((m.st().panel == panel::Color || (m.st().panel >= panel::BrushBrightness &&
                                                   m.st().panel <= panel::FillSaturation)) &&
                 (id == popup::PanelBrushColourEffects || id == popup::PanelFillColourEffects)) ||
                (m.st().panel == panel::Brush && id == popup::BrushEffects);
            if (wide)
                r = Rect{panels::kWideEffectPopup.left, r.top, panels::kWideEffectPopup.right,
                         r.bottom};
            m.host().openPopup(id, m.st().panel == panel::Attachments ? m.st().attachBrush : -1, r);
            return true;
        }
        case Part::Button:
            m.pressButton(*it, modifier);
            return true;
        case Part::Slider:
            if (valueText) return false;
            m.pressSlider(it->id, p, modifier);
            return true;
        default:
            return false;
    }
}

void Panels::tick(uint32_t songTime) {
    (void)songTime;
    Impl& m = *impl_;
    if (!m.st().visible) return;
    const int d = m.dy();
    switch (m.st().panel) {
        case panel::ScalingFade:
        case panel::ScalingThreshold:
        case panel::MaxScalingFade: {
            const Rect r = moved(kScaleMeterBar, d);
            drawScaleMeter(m.view.canvas(), m.host().sound().listen, r);
            m.view.present(r);
            return;
        }
        case panel::Frequency: {
            const Point at{kSpectrographAt.x, kSpectrographAt.y + d};
            drawSpectrograph(m.view.canvas(), m.spectrographWork, m.host().sound(), m.vis(), at);
            m.view.present(Rect{at.x, at.y, at.x + kSpectrographWidth, at.y + kSpectrographHeight});
            return;
        }
        case panel::Music: {
            if (m.view.live()) return;
            const uint32_t second = m.host().songPosition() / 1000;
            const uint32_t length = m.host().songLength();
            if (second == m.shownSecond && length == m.shownLength) return;
            m.shownSecond = second;
            m.shownLength = length;
            m.forEachItem([&](const Item& it) {
                if (it.part == Part::Value) {
                    m.drawValue(it.id, m.at(it.rect));
                    m.view.present(m.at(it.rect));
                }
            });
            return;
        }
        default:
            return;
    }
}

void Panels::redrawSlider(int sliderId) {
    Impl& m = *impl_;
    if (m.dragSlider == sliderId || !m.sliderShown(sliderId)) return;
    bool pending = false;
    m.drawSliderAs(sliderId, m.sliderValue(sliderId, pending), pending, false, nullptr);
    m.presentSlider(sliderId);
}

void Panels::redrawIf(int panelId) {
    if (impl_->st().panel == panelId) impl_->redraw();
}

void Panels::beginTextEntry(int purpose, const std::string& proposed) {
    Impl& m = *impl_;
    m.st().entryPurpose = purpose;
    if (m.st().panel != panel::TextEntry) {
        // Set the return panel before the field opens: show() closes a field.
        if (!panel::isFilePanel(m.st().panel)) m.st().returnPanel = m.st().panel;
        m.st().panel = panel::TextEntry;
    }
    panels::openEntry(m.entry, purpose, proposed);
    m.shownSecond = m.shownLength = UINT32_MAX;
    m.redraw();
}

void Panels::beginDeleteFile(int kind) {
    impl_->st().entryPurpose = kind;
    impl_->show(panel::DeleteFile);
}

bool Panels::textEntryActive() const {
    return impl_->entry.active && impl_->st().panel == panel::TextEntry;
}

bool Panels::typeChar(uint32_t ch, int modifier) {
    Impl& m = *impl_;
    // REPLACE FILE takes Enter as its default button.
    if (m.st().panel == panel::ReplaceFile && (ch == '\r' || ch == '\n')) {
        m.act(button::Yes, modifier, m.host().songTime());
        return true;
    }
    if (!textEntryActive()) return false;
    switch (panels::typeIntoEntry(m.entry, ch, modifier)) {
        case panels::EntryResult::Accept:
            m.acceptEntry();
            return true;
        case panels::EntryResult::NotTyped:
            m.host().commandChar(ch, modifier);
            return false;
        default: {
            const Rect r = m.at(panels::kEditField);
            m.drawEditField(r);
            m.view.present(r);
            return true;
        }
    }
}

int Panels::hoverAt(Point p) const {
    Impl& m = *impl_;
    if (!m.at(panels::kArea).contains(p.x, p.y)) return 0;
    if (m.at(panels::kSettingsButton).contains(p.x, p.y)) return popup::Settings;
    bool valueText = false;
    const Item* it = m.itemAt(p, &valueText);
    if (!it) {
        // The title strip describes the panel.
        return p.y < m.at(panels::kInterior).top ? m.st().panel : 0;
    }
    if (valueText) return panels::valueHoverOf(it->id);
    if (it->hover) return it->hover;
    // The Randomization button is 404 too.
    if (it->part == Part::Slider && it->id == slider::Parameter) return hover::ParameterSlider;
    if (it->part == Part::Field && it->id == 0) return popup::deleteFor(m.st().entryPurpose);
    return it->part == Part::Label ? 0 : it->id;
}

}  // namespace korel

// The open popup: its items for each popup number, drawing, following the cursor, and what
// choosing an item does.
#include "controls/popups.h"

#include <algorithm>

#include "assets/assets.h"
#include "controls/controls.h"
#include "persist/visual_state.h"
#include "triggers/triggers.h"

namespace korel {

namespace {

constexpr uint32_t kRestMs = 250;

struct NamedPanel {
    const char* text;
    int panel;
};

// The settings popup's items for an edition.
std::vector<NamedPanel> settingsItems(Edition e) {
    std::vector<NamedPanel> v = {{"Music Settings...", panel::Music},
                                 {"Gradient Settings...", panel::Gradient},
                                 {"Color Settings...", panel::Color},
                                 {"Brush Settings...", panel::Brush},
                                 {"Movement Settings...", panel::Movement}};
    if (e != Edition::MP3) v.push_back({"Sound Input...", panel::SoundInput});
    const NamedPanel rest[] = {{"Frequency...", panel::Frequency},
                               {"Beats per Minute...", panel::Tempo},
                               {"Manual Beats...", panel::ManualBeats},
                               {"Patterned Beats...", panel::PatternedBeats},
                               {"Sound Scaling Fade...", panel::ScalingFade},
                               {"Scaling Threshold...", panel::ScalingThreshold},
                               {"Max Scaling Fade...", panel::MaxScalingFade},
                               {"Screen Saver...", panel::ScreenSaver}};
    for (const NamedPanel& p : rest)
        if (!(e == Edition::LIVE && p.panel == panel::ScreenSaver)) v.push_back(p);
    return v;
}

// The trigger-mode items in popup order and the mode each stores.
struct ModeItem {
    const char* text;
    uint8_t mode;
};
constexpr ModeItem kModes[] = {{"Fixed Position", kModeFixed},
                               {"Sequential Selection", kModeSequentialSelection},
                               {"Random Selection", kModeRandomSelection},
                               {"Random File", kModeRandomFile},
                               {"Sequential File", kModeSequentialFile},
                               {"Random Style", kModeRandomStyle},
                               {"Sequential Style", kModeSequentialStyle}};

// Mode popup -> trigger kind (the byte of vs::TriggerModes) and the file category it lists.
int modeKind(int id) {
    switch (id) {
        case popup::FillModes: return 0;
        case popup::GradientModes: return 1;
        case popup::ColorModes: return 2;
        case popup::BrushModes: return 3;
        default: return 4;
    }
}
FileCategory modeCategory(int id) {
    switch (id) {
        case popup::FillModes: return FileCategory::Fill;
        case popup::GradientModes: return FileCategory::Gradient;
        case popup::BrushModes: return FileCategory::Brush;
        default: return FileCategory::Movement;
    }
}

// The folder and extension of the files a set, style, rave or songlist popup (or its delete
// popup) lists.
bool fileListing(int kind, Edition e, std::string& folder, std::string& ext, int& width) {
    width = 15;
    switch (kind) {
        case popup::Styles: folder = "Styles"; ext = ".sty"; return true;
        case popup::GradientSets: folder = "Settings"; ext = ".gst"; return true;
        case popup::FillSets: folder = "Settings"; ext = ".fst"; return true;
        case popup::BrushSets: folder = "Settings"; ext = ".bst"; return true;
        case popup::MovementSets: folder = "Settings"; ext = ".mst"; return true;
        case popup::Raves: folder = "Raves"; ext = ".rav"; width = 27; return true;
        case popup::Songlists:
            width = 27;
            if (e == Edition::CD) {
                folder = "CD Lists";
                ext = ".cds";
            } else {
                folder = "Songlists";
                ext = ".sls";
            }
            return true;
        default: return false;
    }
}

size_t setNameOffset(int kind) {
    switch (kind) {
        case popup::GradientSets: return vs::GradientSetName;
        case popup::FillSets: return vs::FillSetName;
        case popup::BrushSets: return vs::BrushSetName;
        default: return vs::MovementSetName;
    }
}

}  // namespace

Popups::Popups(Controls& controls) : controls_(controls), view_(controls.view()) {}
Popups::~Popups() = default;

// --- Opening ------------------------------------------------------------------------------------

bool Popups::open(int id, int slot, const Rect& at) {
    if (isOpen()) close();
    if (buttonPreviewing()) {
        buttonSlot_ = -1;
        controls_.redrawAll();
    }
    id_ = id;
    slot_ = slot;
    at_ = at;
    itemString_.clear();
    listStart_ = 0;
    build(slot);
    items_ = splitItems(itemString_);
    if (items_.empty()) {
        id_ = 0;
        view_.platform().beep();
        return false;
    }
    geo_ = popupGeometry(int(items_.size()), at, view_.state().drawnExpanded);
    first_ = 0;
    hovered_ = -1;
    restingOn_ = -2;
    previewed_ = false;
    gradient_.clear();
    lastScroll_ = view_.platform().tickCount();
    AssetKind kind;
    if (popupPreviewKind(id, kind) && view_.state().drawnExpanded) showPreviewPanel();
    draw();
    return true;
}

void Popups::addListing(const std::string& folder, const std::string& ext, int width) {
    const int before = int(splitItems(itemString_).size());
    listStart_ = before;
    appendRecords(itemString_, view_.host().listNames(folder, ext, width), width);
}

void Popups::addNames(const std::vector<std::string>& names) {
    listStart_ = int(splitItems(itemString_).size());
    for (const std::string& n : names)
        if (!appendItem(itemString_, n)) break;
}

void Popups::build(int slot) {
    ControlsHost& host = view_.host();
    std::string& s = itemString_;
    const Edition e = view_.edition();
    std::string folder, ext;
    int width = 15;
    switch (id_) {
        case popup::Fills:
            appendItem(s, "(None)");
            addListing(assetFolder(AssetKind::Fill), assetExtension(AssetKind::Fill));
            return;
        case popup::Brushes:
            appendItem(s, "Attachments...");
            appendItem(s, kShortSeparator);
            appendItem(s, "(None)");
            addListing(assetFolder(AssetKind::Brush), assetExtension(AssetKind::Brush));
            return;
        case popup::Movements: {
            int params = 0;
            for (int i = 0; i < 3; ++i) {
                std::string name;
                int lo = 0, hi = 0;
                if (!host.movementParameter(slot, i, name, lo, hi)) break;
                appendItem(s, name + "...");
                ++params;
            }
            if (params > 0) appendItem(s, kShortSeparator);
            addListing(assetFolder(AssetKind::Movement), assetExtension(AssetKind::Movement));
            return;
        }
        case popup::PanelBrushColourEffects:
        case popup::BrushColourEffects:
        case popup::PanelFillColourEffects:
        case popup::FillColourEffects:
            appendItem(s, "Brightness...");
            appendItem(s, "Saturation...");
            appendItem(s, kShortSeparator);
            appendItem(s, "(None)");
            addListing(assetFolder(AssetKind::ColourEffect), assetExtension(AssetKind::ColourEffect));
            return;
        case popup::BrushEffects:
            appendItem(s, "(None)");
            addListing(assetFolder(AssetKind::BrushEffect), assetExtension(AssetKind::BrushEffect));
            return;
        case popup::Gradients:
            addListing(assetFolder(AssetKind::Gradient), assetExtension(AssetKind::Gradient));
            return;
        case popup::Styles:
            // "Save Current..." saves the settings of this moment.
            host.beginStyleSave(false);
            appendItem(s, "Save Current...");
            appendItem(s, "Delete Styles...");
            appendItem(s, kShortSeparator);
            fileListing(id_, e, folder, ext, width);
            addListing(folder, ext, width);
            return;
        case popup::Settings:
            for (const NamedPanel& p : settingsItems(e)) appendItem(s, p.text);
            listStart_ = int(splitItems(s).size());
            return;
        case popup::GradientSets:
        case popup::FillSets:
        case popup::BrushSets:
        case popup::MovementSets:
            appendItem(s, "Save Current...");
            appendItem(s, "Delete Sets...");
            appendItem(s, kShortSeparator);
            fileListing(id_, e, folder, ext, width);
            addListing(folder, ext, width);
            return;
        case popup::AttachCategory:
            for (const char* c : {"Brush Effects...", "Fills & Trails...", "Gradients...",
                                  "Movements...", "Brush Color...", "Fill Color..."})
                appendItem(s, c);
            listStart_ = 6;
            return;
        case popup::AttachFill:
        case popup::AttachGradient:
        case popup::AttachMovement: {
            appendItem(s, "No Attachment");
            const VisualState& v = host.visual();
            const int n = id_ == popup::AttachGradient ? kGradientSlots : kFillSlots;
            for (int i = 0; i < n; ++i) {
                const size_t at = id_ == popup::AttachFill       ? VisualState::fillName(i)
                                  : id_ == popup::AttachGradient ? VisualState::gradientName(i)
                                                                 : VisualState::movementName(i);
                appendItem(s, v.name(at));
            }
            listStart_ = int(splitItems(s).size());
            return;
        }
        case popup::AttachTrails:
            appendItem(s, "No Attachment");
            appendItem(s, "Trails On");
            appendItem(s, "Trails Off");
            listStart_ = 3;
            return;
        case popup::AttachBrushEffect:
        case popup::AttachBrushColour:
        case popup::AttachFillColour: {
            appendItem(s, "No Attachment");
            appendItem(s, "(None)");
            const AssetKind k =
                id_ == popup::AttachBrushEffect ? AssetKind::BrushEffect : AssetKind::ColourEffect;
            addListing(assetFolder(k), assetExtension(k));
            return;
        }
        case popup::FillModes:
        case popup::GradientModes:
        case popup::ColorModes:
        case popup::BrushModes:
        case popup::MovementModes: {
            const int count = id_ == popup::ColorModes ? 3 : id_ == popup::BrushModes ? 7 : 5;
            for (int i = 0; i < count; ++i) appendItem(s, kModes[i].text);
            listStart_ = count;
            return;
        }
        case popup::Songs:
            if (e == Edition::CD) {
                appendItem(s, host.trackTitled() ? "Rename Song Title..." : "Add Song Title...");
                appendItem(s, kLongSeparator);
                addNames(host.songNames());
                return;
            }
            {
                const std::vector<std::string> songs = host.songNames();
                appendItem(s, songs.empty() ? "Load New Song..." : "Insert New Song...");
                appendItem(s, "Rename Song...");
                appendItem(s, "Remove Song From List...");
                appendItem(s, kLongSeparator);
                addNames(songs);
            }
            return;
        case popup::Raves:
            appendItem(s, host.raveAttached() ? "Save & Update Rave..." : "Save & Attach Rave...");
            appendItem(s, "Rename Rave...");
            appendItem(s, "Detach Rave...");
            appendItem(s, "Delete Raves...");
            appendItem(s, kLongSeparator);
            fileListing(id_, e, folder, ext, width);
            addListing(folder, ext, width);
            return;
        case popup::Songlists:
            if (e == Edition::CD) {
                for (const char* c : {"New CD List...", "Rename CD List...", "Delete CD Lists...",
                                      "Create CD Master Folder...", "Add to CD Master Folder..."})
                    appendItem(s, c);
            } else {
                for (const char* c : {"Create Empty Songlist...", "Rename Songlist...",
                                      "Delete Songlists..."})
                    appendItem(s, c);
            }
            appendItem(s, kLongSeparator);
            fileListing(id_, e, folder, ext, width);
            addListing(folder, ext, width);
            return;
        case popup::CdDrives:
            addNames(host.cdDrives());
            return;
        case popup::SoundInputs:
            addNames(host.soundInputs());
            return;
        default:
            // The delete popups list the files of their kind.
            if (fileListing(id_ - 50, e, folder, ext, width)) addListing(folder, ext, width);
            return;
    }
}

// --- Drawing ------------------------------------------------------------------------------------

void Popups::drawRow(int i) {
    Surface& c = view_.canvas();
    const int index = first_ + i;
    const int top = geo_.itemTop(i);
    const Rect row{geo_.left, top, geo_.right, top + kPopupRowHeight};
    const bool inverted = index == hovered_ && !items_[size_t(index)].separator;
    c.fillRect(row, inverted ? cc::Black : cc::White);
    const Rect clip = c.clip();
    c.setClip(intersect(row, clip));
    view_.text(row.left + 4, top + 10, shownText(items_[size_t(index)].text),
               inverted ? cc::White : cc::Black);
    c.setClip(clip);
}

void Popups::drawArrowRow(bool lower) {
    Surface& c = view_.canvas();
    const int top = lower ? geo_.itemTop(geo_.visibleRows) : geo_.top;
    c.fillRect(Rect{geo_.left, top, geo_.right, top + kPopupRowHeight}, cc::White);
    const int y = top + (kPopupRowHeight - kArrowHeight) / 2;
    const int mid = (geo_.left + geo_.right - kArrowWidth) / 2;
    copySurface(c, mid, y, view_.pictures().arrows, kScrollArrow(false, lower));
    copySurface(c, geo_.cornerX(), y, view_.pictures().arrows, kScrollArrow(true, lower));
}

void Popups::draw() {
    if (geo_.arrows) {
        drawArrowRow(false);
        drawArrowRow(true);
    }
    for (int i = 0; i < geo_.visibleRows; ++i) drawRow(i);
    present();
}

void Popups::repaint() {
    if (!isOpen()) return;
    if (previewPanel_) showPreviewPanel();
    previewed_ = false;  // the resting row's preview comes back on the next pass
    draw();
}

void Popups::present() { view_.present(geo_.frame()); }

int Popups::itemAt(Point p) const {
    if (!isOpen() || p.x < geo_.left || p.x >= geo_.right) return -1;
    for (int i = 0; i < geo_.visibleRows; ++i) {
        const int top = geo_.itemTop(i);
        if (p.y >= top && p.y < top + kPopupRowHeight) return first_ + i;
    }
    return -1;
}

void Popups::scroll(int by) {
    const int last = std::max(0, int(items_.size()) - geo_.visibleRows);
    const int to = std::clamp(first_ + by, 0, last);
    if (to == first_) return;
    first_ = to;
    draw();
}

// --- Following the cursor -----------------------------------------------------------------------

void Popups::pass(Point cursor, uint32_t now) {
    if (!isOpen()) {
        if (!buttonPreviewing()) return;
        if (button_.contains(cursor.x, cursor.y)) {
            cycleGradient(now);
            return;
        }
        // The cursor left the button: the strip goes back to black.
        buttonSlot_ = -1;
        gradient_.clear();
        view_.canvas().fillRect(cycleStrip_, cc::Black);
        view_.present(cycleStrip_);
        return;
    }
    const bool inside = cursor.x >= geo_.left && cursor.x < geo_.right;
    // Arrow rows scroll; the corner arrow jumps to the end at once.
    if (geo_.arrows && inside) {
        const bool upper = cursor.y >= geo_.top && cursor.y < geo_.top + kPopupRowHeight;
        const int lowerTop = geo_.itemTop(geo_.visibleRows);
        const bool lower = cursor.y >= lowerTop && cursor.y < lowerTop + kPopupRowHeight;
        if (upper || lower) {
            const uint32_t interval = scrollInterval(cursor.x, geo_.cornerX());
            if (interval == 0) {
                scroll(upper ? -int(items_.size()) : int(items_.size()));
                lastScroll_ = now;
            } else if (now - lastScroll_ >= interval) {
                scroll(upper ? -1 : 1);
                lastScroll_ = now;
            }
        }
    }
    const int under = itemAt(cursor);
    const int shown = under >= 0 && items_[size_t(under)].separator ? -1 : under;
    if (shown != hovered_) {
        const int old = hovered_;
        hovered_ = shown;
        for (int i = 0; i < geo_.visibleRows; ++i)
            if (first_ + i == old || first_ + i == hovered_) drawRow(i);
        present();
    }
    if (under != restingOn_) {
        restingOn_ = under;
        restSince_ = now;
        previewed_ = false;
        gradient_.clear();
        return;
    }
    if (previewPanel_ && !previewed_ && now - restSince_ >= kRestMs) {
        previewed_ = true;
        if (under >= listStart_ && !items_[size_t(under)].separator) preview(under);
        else clearPreviewField();
    }
    if (!gradient_.empty()) cycleGradient(now);
}

// --- Choosing -----------------------------------------------------------------------------------

void Popups::click(Point p, int modifier) {
    if (!isOpen()) return;
    const int index = itemAt(p);
    const bool chosen = index >= 0 && !items_[size_t(index)].separator;
    // The popup's state ends before the action, which may open a panel or another popup.
    const int id = id_;
    id_ = 0;
    previewPanel_ = false;
    gradient_.clear();
    if (chosen) {
        id_ = id;
        Platform& pf = view_.platform();
        pf.setBusyCursor(true);
        choose(index, modifier == 1);
        pf.setBusyCursor(false);
        if (id_ == id) id_ = 0;
    }
    if (!isOpen()) controls_.redrawAll();
}

void Popups::close() {
    if (!isOpen()) return;
    id_ = 0;
    previewPanel_ = false;
    gradient_.clear();
    controls_.redrawAll();
}

void Popups::choose(int index, bool alt) {
    if (index < listStart_) {
        chooseHead(index);
        return;
    }
    const std::string& name = items_[size_t(index)].text;
    chooseListed(name, index - listStart_, alt);
}

void Popups::chooseHead(int index) {
    ControlsHost& host = view_.host();
    ControlsState& st = view_.state();
    Panels& panels = controls_.panels();
    const std::string& text = items_[size_t(index)].text;
    const Edition e = view_.edition();
    switch (id_) {
        case popup::Fills:
            host.chooseAsset(AssetKind::Fill, slot_, "(None)", false);
            return;
        case popup::Brushes:
            if (index == 0) {
                st.attachBrush = std::clamp(slot_, 0, kBrushSlots - 1);
                panels.show(panel::Attachments);
            } else {
                host.chooseAsset(AssetKind::Brush, slot_, "(None)", false);
            }
            return;
        case popup::Movements:
            st.parameterSlot = std::clamp(slot_, 0, kMovementSlots - 1);
            st.parameter = index;
            panels.show(panel::Parameter);
            return;
        case popup::PanelBrushColourEffects:
        case popup::BrushColourEffects:
        case popup::PanelFillColourEffects:
        case popup::FillColourEffects: {
            const bool brush = id_ <= popup::BrushColourEffects;
            if (index == 0) panels.show(brush ? panel::BrushBrightness : panel::FillBrightness);
            else if (index == 1) panels.show(brush ? panel::BrushSaturation : panel::FillSaturation);
            else host.chooseFile(id_, "(None)", false);
            return;
        }
        case popup::BrushEffects:
            host.chooseFile(id_, "(None)", false);
            return;
        case popup::Styles:
        case popup::GradientSets:
        case popup::FillSets:
        case popup::BrushSets:
        case popup::MovementSets:
            if (index == 0) {
                const std::string proposed =
                    id_ == popup::Styles ? host.visual().name(vs::StyleName)
                                         : host.visual().name(setNameOffset(id_));
                panels.beginTextEntry(id_, proposed == "(None)" ? std::string() : proposed);
            } else if (listStart_ < int(items_.size())) {
                panels.beginDeleteFile(id_);
            } else {
                view_.platform().beep();
            }
            return;
        case popup::Settings: {
            const std::vector<NamedPanel> v = settingsItems(e);
            if (index < int(v.size())) panels.show(v[size_t(index)].panel);
            return;
        }
        case popup::AttachCategory:
            st.attachCategory = 151 + index;
            panels.show(panel::Attachments);
            return;
        case popup::AttachFill:
        case popup::AttachGradient:
        case popup::AttachMovement:
        case popup::AttachTrails:
        case popup::AttachBrushEffect:
        case popup::AttachBrushColour:
        case popup::AttachFillColour:
            chooseAttachment(index);
            return;
        case popup::FillModes:
        case popup::GradientModes:
        case popup::ColorModes:
        case popup::BrushModes:
        case popup::MovementModes:
            chooseMode(index);
            return;
        case popup::Songs:
            if (e == Edition::CD) {
                host.playerCommand(PlayerCommand::RenameSong);
                return;
            }
            host.playerCommand(index == 0   ? PlayerCommand::LoadSong
                               : index == 1 ? PlayerCommand::RenameSong
                                            : PlayerCommand::RemoveSong);
            return;
        case popup::Raves:
            if (index == 0) {
                host.playerCommand(PlayerCommand::SaveRave);
            } else if (index == 1 || index == 2) {
                if (!host.raveAttached()) {
                    view_.services().showAlert(index == 1 ? "No rave to rename!"
                                                          : "No rave to detach!");
                    return;
                }
                host.playerCommand(index == 1 ? PlayerCommand::RenameRave
                                              : PlayerCommand::DetachRave);
            } else if (listStart_ < int(items_.size())) {
                panels.beginDeleteFile(id_);
            } else {
                view_.platform().beep();
            }
            return;
        case popup::Songlists: {
            // The delete item is the third in both editions.
            if (index == 2) {
                if (listStart_ < int(items_.size())) panels.beginDeleteFile(id_);
                else view_.platform().beep();
                return;
            }
            const PlayerCommand c[] = {PlayerCommand::CreateSonglist, PlayerCommand::RenameSonglist,
                                       PlayerCommand::CreateSonglist, PlayerCommand::CreateCdMaster,
                                       PlayerCommand::AddToCdMaster};
            if (index < 5) host.playerCommand(c[index]);
            return;
        }
        default:
            (void)text;
            return;
    }
}

void Popups::chooseListed(const std::string& name, int index, bool alt) {
    ControlsHost& host = view_.host();
    switch (id_) {
        case popup::Fills: host.chooseAsset(AssetKind::Fill, slot_, name, alt); return;
        case popup::Brushes: host.chooseAsset(AssetKind::Brush, slot_, name, alt); return;
        case popup::Movements: host.chooseAsset(AssetKind::Movement, slot_, name, alt); return;
        case popup::Gradients: host.chooseAsset(AssetKind::Gradient, slot_, name, alt); return;
        case popup::PanelBrushColourEffects:
        case popup::BrushColourEffects:
        case popup::PanelFillColourEffects:
        case popup::FillColourEffects:
        case popup::BrushEffects:
        case popup::Styles:
        case popup::GradientSets:
        case popup::FillSets:
        case popup::BrushSets:
        case popup::MovementSets:
            host.chooseFile(id_, name, alt);
            return;
        case popup::AttachFill:
        case popup::AttachGradient:
        case popup::AttachMovement:
        case popup::AttachTrails:
        case popup::AttachBrushEffect:
        case popup::AttachBrushColour:
        case popup::AttachFillColour:
            chooseAttachment(listStart_ + index);
            return;
        case popup::Songs:
        case popup::Raves:
        case popup::Songlists:
        case popup::CdDrives:
        case popup::SoundInputs:
            host.chooseListed(id_, index, name, alt);
            return;
        default:
            chooseDelete(name);
            return;
    }
}

void Popups::chooseAttachment(int index) {
    ControlsHost& host = view_.host();
    VisualState& v = host.visual();
    const int brush = std::clamp(slot_ >= 0 ? slot_ : view_.state().attachBrush, 0, kBrushSlots - 1);
    const size_t record = VisualState::attachment(brush);
    const bool current = v.get(vs::CurrentBrush) == brush + 1;
    const std::string& text = items_[size_t(index)].text;
    auto store = [&](size_t field, uint8_t value, int code, uint8_t live) {
        v.set(record + field, value);
        if (current && value != kNone80 && value != live) host.applyUserChange(code, value, 0);
    };
    switch (id_) {
        case popup::AttachFill:
            store(att::Fill, index == 0 ? kNone80 : uint8_t(index), kChangeFill,
                  v.get(vs::CurrentFill));
            break;
        case popup::AttachGradient:
            store(att::Gradient, index == 0 ? kNone80 : uint8_t(index), kChangeGradient,
                  v.get(vs::CurrentGradient));
            break;
        case popup::AttachMovement:
            store(att::Movement, index == 0 ? kNone80 : uint8_t(index), kChangeMovement,
                  v.get(vs::CurrentMovement));
            break;
        case popup::AttachTrails: {
            const uint8_t value = index == 0 ? kNone80 : index == 1 ? 1 : 0;
            v.set(record + att::Trails, value);
            const bool on = v.switchOn(vs::kSwitchTrails);
            if (current && value != kNone80 && (value == 1) != on)
                host.applyUserChange(kChangeSwitches, v.get(vs::Switches) ^ vs::kSwitchTrails, 0);
            break;
        }
        default: {
            const size_t field = id_ == popup::AttachBrushEffect   ? att::BrushEffect
                                 : id_ == popup::AttachBrushColour ? att::BrushColourEffect
                                                                   : att::FillColourEffect;
            const size_t liveName = id_ == popup::AttachBrushEffect   ? vs::BrushEffect
                                    : id_ == popup::AttachBrushColour ? vs::BrushColourEffect
                                                                      : vs::FillColourEffect;
            if (index == 0) {
                v.set(record + field, kNone80);
                break;
            }
            v.setName(record + field, text);
            if (current && v.name(liveName) != text) {
                const int kind = id_ == popup::AttachBrushEffect   ? popup::BrushEffects
                                 : id_ == popup::AttachBrushColour ? popup::BrushColourEffects
                                                                   : popup::FillColourEffects;
                host.chooseFile(kind, text, false);
            }
            break;
        }
    }
    controls_.panels().draw();
}

void Popups::chooseMode(int index) {
    ControlsHost& host = view_.host();
    const int kind = modeKind(id_);
    const uint8_t mode = kModes[std::clamp(index, 0, 6)].mode;
    host.visual().set(vs::TriggerModes + size_t(kind), mode);
    if (mode == kModeSequentialFile || mode == kModeSequentialStyle) {
        const FileCategory c = mode == kModeSequentialStyle ? FileCategory::Style : modeCategory(id_);
        // The position of the current file starts the sequence (-1 when it is not listed).
        host.triggers().state().filePosition[size_t(c)] = -1;
        host.triggers().syncFilePosition(c);
    }
    // Written to the saved copy too when no song plays.
    host.settingStored(vs::TriggerModes + size_t(kind));
}

void Popups::chooseDelete(const std::string& name) {
    ControlsHost& host = view_.host();
    const int kind = id_ - 50;
    if (kind == popup::Songlists && name == host.songlistName()) {
        view_.services().showAlert(view_.edition() == Edition::CD ? "Cannot delete current CD list!"
                                                                  : "Cannot delete current songlist!");
        return;
    }
    if (!host.deleteListed(kind, name)) return;
    std::string folder, ext;
    int width = 15;
    if (fileListing(kind, view_.edition(), folder, ext, width) &&
        host.listNames(folder, ext, width).empty())
        controls_.panels().returnFromFilePanel();
}

}  // namespace korel

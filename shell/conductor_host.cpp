// The conductor as the trigger engine's host and the asset loaders' hooks: what each change
// does to the engine, and the attachment checks of file loads.
#include "shell/conductor.h"

#include <algorithm>
#include <cmath>

#include "persist/attachments.h"
#include "persist/program_files.h"
#include "persist/styles.h"
#include "platform/files.h"

namespace korel {

namespace {

AssetKind assetKind(FileCategory c) {
    switch (c) {
        case FileCategory::Fill: return AssetKind::Fill;
        case FileCategory::Gradient: return AssetKind::Gradient;
        case FileCategory::Brush: return AssetKind::Brush;
        case FileCategory::Movement: return AssetKind::Movement;
        case FileCategory::Style: break;
    }
    return AssetKind::Gradient;
}


}  // namespace

void Conductor::selectGradient(int slot) {
    const Gradient& g = engine_.gradients.slots[size_t(std::clamp(slot, 0, kGradientSlots - 1))];
    rebuildRange(services_, vs_, engine_.brushRange, g, level());
    rebuildRange(services_, vs_, engine_.fillRange, g, level());
    if (services_.display().displayDepth != 8) showWholePicture();
}

void Conductor::shiftColour(bool brushRange, int oldPosition, int newPosition) {
    PaletteRange& changed = brushRange ? engine_.brushRange : engine_.fillRange;
    PaletteRange& other = brushRange ? engine_.fillRange : engine_.brushRange;
    changeColourSetting(services_, vs_, *this, changed, other, oldPosition, newPosition, level());
    if (services_.display().displayDepth != 8) showWholePicture();
}

void Conductor::drawFill(int slot, bool /*wipe*/, bool /*newName*/) {
    applyFill(services_, vs_, engine_.fills, engine_.fillRange, currentGradient(), slot, level());
    engine_.draw.previousRect = Rect{};
    showWholePicture();
}

void Conductor::setTrails(bool /*on*/) {
    // The record's switch is the trails setting; the fill is drawn again over old trails.
    if (!pictureDrawn_) return;
    drawBackground(services_, engine_.fills);
    engine_.draw.previousRect = Rect{};
    showWholePicture();
}

void Conductor::setVolumeListening(bool /*on*/) {
    // The analysis reads the switch from the record on every tick.
}

void Conductor::setListening(bool on) {
    if (!on) sound_.listen.soundScale = 0;
}

void Conductor::chooseMovementParameters(int slot) {
    if (slot < 0 || slot >= kMovementSlots) return;
    chooseParameterValues(engine_.movements.slots[size_t(slot)],
                          vs_.at(VisualState::movementParams(slot)), services_.random(), true);
}

void Conductor::startMovement(int slot) {
    if (slot < 0 || slot >= kMovementSlots) return;
    const BrushAsset* brush =
        engine_.brushes.currentBrush().parts ? &engine_.brushes.currentBrush() : nullptr;
    MovementInputs in = movementInputs(services_, vs_, brush, slot, level());
    korel::startMovement(engine_.movements, slot, in, engine_.machine, services_.random());
}

void Conductor::startBrush(int slot) {
    if (slot < 0 || slot >= kBrushSlots) return;
    applyBrush(services_, vs_, engine_.brushes, engine_.draw, engine_.brushRange, currentGradient(),
               slot, level());
}

void Conductor::brightnessChanged(bool brushRange) {
    rebuildRange(services_, vs_, brushRange ? engine_.brushRange : engine_.fillRange,
                 currentGradient(), level());
    if (services_.display().displayDepth != 8) showWholePicture();
}

void Conductor::setBrushTiming(uint32_t period, uint32_t nextStep) {
    tick_.trailInterval = period;
    tick_.nextTrailTime = nextStep;
}

void Conductor::setColourTiming(uint32_t period, int direction, uint32_t nextStep) {
    tick_.colourInterval = period;
    tick_.colourStep = int8_t(direction);
    tick_.nextColourTime = nextStep;
}

BrushEffectInputs Conductor::effectInputs() const {
    BrushEffectInputs in;
    in.centreX = services_.shell().centreX;
    in.centreY = services_.shell().centreY;
    in.soundLevel = level();
    return in;
}

bool Conductor::refusedByAttachment(AttachedCategory category, int slot) {
    std::string refusal = slotProtection(vs_, category, slot);
    if (refusal.empty()) return false;
    services_.showAlert(refusal);
    return true;
}

bool Conductor::loadFile(FileCategory category, int slot, std::string_view name) {
    LoadOptions o;
    o.redrawCell = true;
    o.raveMode = 1;
    switch (category) {
        case FileCategory::Fill: {
            if (refusedByAttachment(AttachedCategory::Fill, slot)) return false;
            return korel::loadFill(services_, vs_, *this, engine_.fills, slot, name, o);
        }
        case FileCategory::Gradient: {
            if (refusedByAttachment(AttachedCategory::Gradient, slot)) return false;
            return korel::loadGradient(services_, vs_, *this, engine_.gradients, slot, name, o);
        }
        case FileCategory::Brush:
            o.resetAttachments = true;
            return korel::loadBrush(services_, vs_, *this, engine_.brushes, slot, name, o);
        case FileCategory::Movement: {
            if (refusedByAttachment(AttachedCategory::Movement, slot)) return false;
            o.chooseParameters = true;
            return korel::loadMovement(services_, vs_, *this, engine_.movements, slot, name, o);
        }
        case FileCategory::Style:
            return loadStyle(std::string(name));
    }
    return false;
}

bool Conductor::loadEffect(EffectSlot slot, std::string_view name) {
    LoadOptions o;
    o.redrawCell = true;
    switch (slot) {
        case EffectSlot::Brush:
            return loadBrushEffect(services_, vs_, *this, engine_.brushEffect, name, o,
                                   effectInputs());
        case EffectSlot::BrushColour:
            return loadColourEffect(services_, vs_, *this, engine_.brushRange, name, o, level());
        case EffectSlot::FillColour:
            return loadColourEffect(services_, vs_, *this, engine_.fillRange, name, o, level());
    }
    return false;
}

std::string_view Conductor::listing(FileCategory category) {
    std::string& items = listings_[size_t(category)];
    items.clear();
    if (category == FileCategory::Style) {
        listFolderRecords(services_, "Styles", ".sty", kAssetRecordWidth, items);
    } else {
        listAssets(services_, assetKind(category), items);
    }
    return items;
}


void Conductor::redrawControl(int code) {
    if (hooks_.display) hooks_.display->redrawControl(code);
}

void Conductor::redrawControls() {
    if (hooks_.display) hooks_.display->redrawControls();
}

void Conductor::redrawTempoPanel() {
    if (hooks_.display) hooks_.display->redrawTempoPanel();
}

bool Conductor::controlsVisible() const { return hooks_.display && hooks_.display->controlsVisible(); }

void Conductor::redrawSlotCell(AssetKind kind, int slot, std::string_view /*name*/,
                               const Surface* icon, uint8_t backdrop) {
    if (hooks_.display) hooks_.display->redrawSlotCell(kind, slot, icon, backdrop);
}

void Conductor::redrawEffectPanel() {
    if (hooks_.display) hooks_.display->redrawEffectPanel();
}

void Conductor::redrawColourStrip(bool brushRange) {
    if (hooks_.display) hooks_.display->redrawColourStrip(brushRange);
}

}  // namespace korel

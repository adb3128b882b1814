// The converter window's logic: field rules, the preview through the converter's own
// classification, the status line and saving.
#include "pictomat/window_model.h"

#include <algorithm>

#include "platform/files.h"

namespace korel::pictomat {

namespace {

const Rgb kWhite{255, 255, 255};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int fieldValue(const std::string& text) {
    int v = 0;
    for (char c : text) v = v * 10 + (c - '0');
    return v;
}

bool correctsZero(Field f) {
    return f == Field::Sections1 || f == Field::Sections2 || f == Field::Multiply;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool endsWithCaseBlind(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        if (lower(s[s.size() - suffix.size() + i]) != lower(suffix[i])) return false;
    }
    return true;
}

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The shown colour of a shade index: the range's colour at the quantised intensity, so that
// fewer sections show as fewer, darker steps.
uint8_t shadeLevel(int offset, int sections) {
    const int v = 255 - offset * sections * 255 / kRangeSize;
    return uint8_t(std::clamp(v, 0, 255));
}

}  // namespace

PreviewFit fitPreview(int frameWidth, int height) {
    PreviewFit fit;
    frameWidth = std::max(frameWidth, 1);
    height = std::max(height, 1);
    if (int64_t(frameWidth) == 2 * int64_t(height)) {
        fit.width = std::min(frameWidth, kPreviewWidth);
        fit.height = std::min(height, kPreviewHeight);
    } else if (int64_t(frameWidth) > 2 * int64_t(height)) {
        fit.width = std::min(frameWidth, kPreviewWidth);
        fit.height = int(int64_t(height) * fit.width / frameWidth);
    } else {
        fit.height = std::min(height, kPreviewHeight);
        fit.width = int(int64_t(frameWidth) * fit.height / height);
    }
    fit.width = std::clamp(fit.width, 1, kPreviewWidth);
    fit.height = std::clamp(fit.height, 1, kPreviewHeight);
    fit.x = (kPreviewWidth - fit.width) / 2;
    fit.y = (kPreviewHeight - fit.height) / 2;
    return fit;
}

std::vector<Rgb> samplePreview(const Bitmap& bitmap, int frames, const PreviewFit& fit,
                               bool& containsBlue) {
    containsBlue = false;
    std::vector<Rgb> out(size_t(fit.width) * size_t(fit.height), kWhite);
    const int frameWidth = bitmap.width / std::max(frames, 1);
    if (frameWidth <= 0 || bitmap.height <= 0) return out;
    for (int r = 0; r < fit.height; ++r) {
        const int sy = int(int64_t(bitmap.height) * (2 * r + 1) / (2 * int64_t(fit.height)));
        for (int c = 0; c < fit.width; ++c) {
            const int sx = int(int64_t(frameWidth) * (2 * c + 1) / (2 * int64_t(fit.width)));
            const Rgb& p = bitmap.at(sx, sy);
            if (p.r == 0 && p.g == 0 && p.b == 255) containsBlue = true;
            out[size_t(r) * size_t(fit.width) + size_t(c)] = p;
        }
    }
    return out;
}

bool convertToFile(const Bitmap& bitmap, const Settings& settings, const std::string& path,
                   std::string& message) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    std::string stem = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    if (!checkOutputStem(stem, message)) return false;
    Bytes asset;
    if (!convert(bitmap, settings, asset, message)) return false;
    const std::string target = joinPath(folder, stem + extensionFor(settings.kind));
    if (const int err = writeFileReplacing(target, asset); err != 0) {
        // A missing folder is named as such; any other failure (no room, no permission)
        // is the converter's own write error.
        message = err == kErrNoFile || err == kErrNoPath ? msg::kNoFolder : msg::kWriteError;
        return false;
    }
    return true;
}

Command commandForKey(char key) {
    switch (lower(key)) {
        case 'o': return Command::Open;
        case 's': return Command::SaveAs;
        case 'q': return Command::Quit;
        default: return Command::None;
    }
}

WindowModel::WindowModel() {
    resetSettings();
    fields_[size_t(Field::Frames)] = std::string(1, '1');
    fields_[size_t(Field::Multiply)] = std::string(1, '1');
    refreshTotal();
    close();
    status_ = msg::kFirstOpen;
}

bool WindowModel::accepts(Field f, std::string_view text) const {
    if (!editable(f) || text.size() > 3) return false;
    return std::all_of(text.begin(), text.end(), isDigit);
}

bool WindowModel::typeKey(Field f, char key) {
    std::string text = fieldText(f);
    if (key == '\b') {
        if (text.empty()) return false;
        text.pop_back();
    } else {
        text += key;
    }
    return setFieldText(f, text);
}

bool WindowModel::setFieldText(Field f, std::string_view text) {
    if (!accepts(f, text)) return false;
    std::string shown(text);
    if (correctsZero(f) && !shown.empty() && fieldValue(shown) == 0) shown = std::string(1, '1');
    if (shown == fieldText(f)) return false;
    fields_[size_t(f)] = shown;
    refreshTotal();
    if (f == Field::Sections1 || f == Field::Sections2) redrawPreview();
    return true;
}

void WindowModel::chooseKind(AssetKind kind) {
    kind_ = kind;
    checks_[size_t(Check::BlueMask)] = kind == AssetKind::Brush && open_ && containsBlue_;
    redrawPreview();
}

void WindowModel::setChecked(Check c, bool on) {
    if (checks_[size_t(c)] == on) return;
    checks_[size_t(c)] = on;
    redrawPreview();
}

Settings WindowModel::settings() const {
    Settings s;
    s.kind = kind_;
    s.sections1 = fieldValue(fieldText(Field::Sections1));
    s.sections2 = fieldValue(fieldText(Field::Sections2));
    s.frames = fieldValue(fieldText(Field::Frames));
    s.multiply = fieldValue(fieldText(Field::Multiply));
    s.spread1 = checked(Check::Spread1);
    s.fixedColours = checked(Check::FixedColours);
    s.spread2 = checked(Check::Spread2);
    s.secondGradient = checked(Check::SecondGradient);
    s.blueMask = checked(Check::BlueMask);
    s.beatFrame = checked(Check::BeatFrame);
    s.palindrome = checked(Check::Palindrome);
    s.normalise();
    return s;
}

void WindowModel::resetSettings() {
    // Built then moved in: GCC 12 at -O3 warns falsely on assigning short literals.
    fields_[size_t(Field::Sections1)] = std::string(1, '2');
    fields_[size_t(Field::Sections2)] = std::string(1, '2');
    checks_.fill(false);
}

void WindowModel::refreshTotal() {
    const int frames = std::max(fieldValue(fieldText(Field::Frames)), 1);
    const int multiply = std::max(fieldValue(fieldText(Field::Multiply)), 1);
    fields_[size_t(Field::Total)] = std::to_string(frames * multiply);
}

void WindowModel::close() {
    open_ = false;
    bitmap_ = Bitmap{};
    fileName_.clear();
    title_ = kProgramTitle;
    sample_.clear();
    containsBlue_ = false;
    fit_ = PreviewFit{};
    preview_.assign(size_t(kPreviewWidth) * kPreviewHeight, kWhite);
}

bool WindowModel::open(const std::string& path) {
    Bytes file;
    if (readWholeFile(path, file) != 0) {
        close();
        status_ = msg::kCannotOpen;
        return false;
    }
    return openBytes(baseName(path), file);
}

bool WindowModel::openBytes(const std::string& name, const Bytes& file) {
    const int frames = framesFromFileName(name);
    Bitmap bitmap;
    std::string message;
    if (!readBitmap(file, frames, bitmap, message)) {
        close();
        status_ = message;
        return false;
    }
    resetSettings();
    // A frame count too long for the field still converts; the field shows what it can.
    std::string framesText = std::to_string(frames);
    fields_[size_t(Field::Frames)] =
        framesText.size() <= 3 ? std::move(framesText) : std::string(3, '9');
    fields_[size_t(Field::Multiply)] = std::string(1, '1');
    refreshTotal();
    bitmap_ = std::move(bitmap);
    fileName_ = name;
    open_ = true;
    title_ = name;
    status_ = msg::kApplySettings;
    fit_ = fitPreview(bitmap_.width / frames, bitmap_.height);
    sample_ = samplePreview(bitmap_, frames, fit_, containsBlue_);
    redrawPreview();
    return true;
}

void WindowModel::redrawPreview() {
    preview_.assign(size_t(kPreviewWidth) * kPreviewHeight, kWhite);
    if (!open_ || sample_.empty()) return;
    Bitmap frame;
    frame.width = fit_.width;
    frame.height = fit_.height;
    frame.pixels = sample_;
    Settings s = settings();
    s.frames = 1;
    s.multiply = 1;
    Artwork art;
    std::string message;
    // More than 90 fixed colours fails the conversion; the preview then shows the colours as
    // they are, and saving reports it.
    const bool classified = classify(frame, s, art, message);
    const uint8_t primaryFirst = kind_ == AssetKind::Brush ? kBrushFirst : kFillFirst;
    const uint8_t secondaryFirst = kind_ == AssetKind::Brush ? kFillFirst : kBrushFirst;
    for (int y = 0; y < fit_.height; ++y) {
        for (int x = 0; x < fit_.width; ++x) {
            const size_t i = size_t(y) * size_t(fit_.width) + size_t(x);
            const Rgb& src = sample_[i];
            Rgb& dst = preview_[size_t(fit_.y + y) * kPreviewWidth + size_t(fit_.x + x)];
            // White and light greys stay white, fills included.
            if (src.r == src.g && src.g == src.b && src.b >= 128) continue;
            if (!classified) {
                dst = src;
                continue;
            }
            const uint8_t v = art.colour[i];
            if (!art.mask.empty() && art.mask[i] != 0) {
                dst = Rgb{0, 0, 255};
            } else if (v == kTransparent) {
                dst = kWhite;
            } else if (v == 0) {
                dst = Rgb{0, 0, 0};
            } else if (v >= primaryFirst && v < primaryFirst + kRangeSize) {
                const int o = v - primaryFirst;
                if (s.fixedColours && o < int(art.fixedColours.size())) {
                    dst = art.fixedColours[size_t(o)];
                } else {
                    dst = Rgb{0, shadeLevel(o, s.sections1), 0};
                }
            } else if (v >= secondaryFirst && v < secondaryFirst + kRangeSize) {
                dst = Rgb{shadeLevel(v - secondaryFirst, s.sections2), 0, 0};
            }
        }
    }
}

std::string WindowModel::proposedSaveName() const {
    return proposedStem(fileName_) + extensionFor(kind_);
}

std::string WindowModel::saveDialogTitle() const {
    return kind_ == AssetKind::Brush ? "Save Brush as:" : "Save Fill as:";
}

std::pair<std::string, std::string> WindowModel::saveFilter() const {
    return kind_ == AssetKind::Brush ? std::pair<std::string, std::string>{"Brush", "*.BRU"}
                                     : std::pair<std::string, std::string>{"Fill", "*.FIL"};
}

bool WindowModel::saveAs(const std::string& path) {
    if (!open_) {
        status_ = msg::kFirstOpen;
        return false;
    }
    std::string target = path;
    if (!endsWithCaseBlind(target, extensionFor(kind_))) target += extensionFor(kind_);
    std::string message;
    if (!convertToFile(bitmap_, settings(), target, message)) {
        status_ = message;
        return false;
    }
    status_ = msg::kSuccess;
    return true;
}

}  // namespace korel::pictomat

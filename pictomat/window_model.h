// The converter window's logic, apart from any toolkit: its fields and their rules, the check
// boxes, the open bitmap with its preview, the status line, the window title and saving. The
// desktop window only displays this state and feeds user actions in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pictomat/bitmap.h"
#include "pictomat/converter.h"
#include "platform/types.h"

namespace korel::pictomat {

constexpr const char* kProgramTitle = "Pictomat";
constexpr int kPreviewWidth = 192;
constexpr int kPreviewHeight = 96;

// The number fields, in the order they appear in the window.
enum class Field { Sections1, Sections2, Frames, Multiply, Total };
constexpr int kFieldCount = 5;

enum class Check { Spread1, FixedColours, Spread2, SecondGradient, BlueMask, BeatFrame, Palindrome };
constexpr int kCheckCount = 7;

// Where the first frame goes in the preview, centred on white.
struct PreviewFit {
    int x = 0, y = 0, width = 0, height = 0;
};

// Fits a frame of frameWidth x height into the 192 x 96 preview: a frame exactly twice as wide
// as high is shown at most 192 x 96; a wider one as wide as fits with its height scaled; any
// other as high as fits with its width scaled. Never smaller than 1 x 1.
PreviewFit fitPreview(int frameWidth, int height);

// Samples the first frame of `bitmap` (frames side by side) into the fitted rectangle at pixel
// centres. `containsBlue` tells whether a sampled pixel is pure blue.
std::vector<Rgb> samplePreview(const Bitmap& bitmap, int frames, const PreviewFit& fit,
                               bool& containsBlue);

// Converts a checked bitmap and writes it to `path` (folder, stem, extension), replacing a
// file of that name only once the new one is complete. The stem must pass the 15-character
// rule. On failure `message` holds the text to show.
bool convertToFile(const Bitmap& bitmap, const Settings& settings, const std::string& path,
                   std::string& message);

// The toolkit's commands: the File menu and its keys.
enum class Command { None, Open, SaveAs, Quit };
// O, S and Q in either case.
Command commandForKey(char key);

class WindowModel {
  public:
    WindowModel();

    // --- Fields -----------------------------------------------------------------------------
    const std::string& fieldText(Field f) const { return fields_[size_t(f)]; }
    // Frames and Total ignore typing and clicks.
    static bool editable(Field f) { return f != Field::Frames && f != Field::Total; }
    // Whether the field may hold `text`: an editable field, digits only, at most 3 of them.
    bool accepts(Field f, std::string_view text) const;
    // One typed key: a digit is added at the end, '\b' removes the last character; anything
    // else, a fourth digit or a key in a field that ignores typing changes nothing. Returns
    // whether the text changed.
    bool typeKey(Field f, char key);
    // Takes the text of an edit the toolkit made (a paste, a deletion in the middle); refused
    // as typeKey would refuse it. A value of 0 in a section field or M is corrected to "1".
    bool setFieldText(Field f, std::string_view text);

    // --- Choices ----------------------------------------------------------------------------
    AssetKind kind() const { return kind_; }
    // Choosing Brush checks Blue Mask when the open bitmap holds pure blue; Fill unchecks it.
    void chooseKind(AssetKind kind);
    bool checked(Check c) const { return checks_[size_t(c)]; }
    void setChecked(Check c, bool on);

    // The settings as the converter takes them (normalised).
    Settings settings() const;

    // --- Bitmap -----------------------------------------------------------------------------
    // Opens and checks a bitmap file. On failure the status shows the message, the title goes
    // back to the program's and nothing is open; the caller sounds the warning beep.
    bool open(const std::string& path);
    // The same for a file already read (`name` gives the title and the frame count).
    bool openBytes(const std::string& name, const Bytes& file);
    bool isOpen() const { return open_; }

    // --- Saving -----------------------------------------------------------------------------
    // The name proposed in the save dialog: "Spin.bru" for "Spin12.bmp".
    std::string proposedSaveName() const;
    std::string saveDialogTitle() const;
    // The save dialog's filter: its name and pattern.
    std::pair<std::string, std::string> saveFilter() const;
    // Converts the open bitmap into `path`; the extension is added when missing. The status
    // shows the success text or the error.
    bool saveAs(const std::string& path);

    // --- Display ----------------------------------------------------------------------------
    const std::string& status() const { return status_; }
    const std::string& title() const { return title_; }
    // 192 x 96 pixels, rows from the top; white when nothing is open.
    const std::vector<Rgb>& preview() const { return preview_; }
    const PreviewFit& previewFit() const { return fit_; }
    bool containsBlue() const { return containsBlue_; }

  private:
    void resetSettings();
    void refreshTotal();
    void redrawPreview();
    void close();

    std::array<std::string, kFieldCount> fields_;
    std::array<bool, kCheckCount> checks_{};
    AssetKind kind_ = AssetKind::Brush;
    bool open_ = false;
    Bitmap bitmap_;
    std::string fileName_;  // the open bitmap's name without its folder
    std::string status_;
    std::string title_;
    PreviewFit fit_;
    std::vector<Rgb> sample_;  // the first frame sampled into the fitted rectangle
    std::vector<Rgb> preview_;
    bool containsBlue_ = false;
};

}  // namespace korel::pictomat

// The converter's window on GTK 3: the settings, the preview and the status line of a
// pictomat::WindowModel, with the File menu, its keys and the native file dialogs.
#pragma once

#include <memory>
#include <string>

#include "pictomat/window_model.h"

namespace korel::gtkui {

class PictomatWindow {
  public:
    explicit PictomatWindow(pictomat::WindowModel& model);
    ~PictomatWindow();
    PictomatWindow(const PictomatWindow&) = delete;
    PictomatWindow& operator=(const PictomatWindow&) = delete;

    // Starts GTK and shows the window; false when there is no display.
    bool start();
    // Runs until Quit or the window is closed.
    void run();
    // What the File menu and the keys O, S and Q do.
    void command(pictomat::Command c);
    bool closed() const;

    // --- For tests --------------------------------------------------------------------------
    // Lets GTK handle what is waiting (drawing, deferred corrections).
    void pump();
    // Inserts text at the end of a field as typing would, through the field's own filter.
    void enterText(pictomat::Field f, const std::string& text);
    // Replaces a field's text as a paste over all of it would.
    void replaceText(pictomat::Field f, const std::string& text);
    // The texts the widgets show.
    std::string shownField(pictomat::Field f) const;
    std::string shownStatus() const;
    std::string shownTitle() const;
    // Clicks a check box or a kind button.
    void click(pictomat::Check c);
    void clickKind(pictomat::AssetKind kind);
    // The next file dialog is answered with `path` (empty: cancelled).
    void answerNextDialog(const std::string& path);
    // The title and proposed name of the last answered dialog, and its filter names.
    std::string lastDialogTitle() const;
    std::string lastDialogName() const;
    std::string lastDialogFilters() const;
    int beeps() const;
    // Writes what the window shows into a PNG file.
    bool screenshot(const std::string& pngPath);

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// `pictomat` without arguments: the window until it is closed. Returns the exit code (1 with a
// message on stderr when there is no display).
int runPictomatWindow();

}  // namespace korel::gtkui

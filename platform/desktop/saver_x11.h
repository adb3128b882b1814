// The screen-saver launcher's X11 windows: its black saver window (inside another program's
// window when given one) and the logo drawn in another program's preview window.
//
// Kept apart from the rest of the desktop platform: the launcher needs no SDL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korel::desktop {

class SaverScreen {
  public:
    SaverScreen() = default;
    ~SaverScreen();
    SaverScreen(const SaverScreen&) = delete;
    SaverScreen& operator=(const SaverScreen&) = delete;

    // Connects to the display (null: $DISPLAY); false when there is none. Errors about windows
    // that vanished are ignored from then on (the host of our windows may go at any time).
    // The windows made go away with the connection, when this object is destroyed.
    bool open(const char* displayName = nullptr);

    // A black window of class `className` titled `title`, covering `parent` (0: the whole
    // screen, then a top-level window the window manager leaves alone), shown at once. Its X id,
    // or 0 when it cannot be made.
    unsigned long blackWindow(unsigned long parent, const std::string& className,
                              const std::string& title);

    // Draws the picture (0xAARRGGBB rows) centred on black in a child window of `parent`,
    // redrawn on every expose and resize, and returns when `parent` goes away. False at once
    // when `parent` is not a window.
    bool showPictureUntilGone(unsigned long parent, const std::string& className,
                              const std::string& title, const std::vector<uint32_t>& argb,
                              int width, int height);

  private:
    void* display_ = nullptr;  // Display*
};

}  // namespace korel::desktop

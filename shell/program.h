// The program object: one run of an edition — start-up, the main loop, the closing loop,
// shutdown, the alert window and the fatal exit — over any Platform.
//
// Everything a run owns lives here or in the records it holds, so a test (or the headless
// driver) can build a fresh program.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <memory>

#include "controls/pictures.h"
#include "persist/visual_state.h"
#include "platform/instance.h"
#include "platform/sound_input.h"
#include "core/services.h"

namespace korel {

// Where the program finds its folders. Empty fields are filled from the environment
// (data_folder.h) when the run starts.
class MusicGraph;
class CdSystem;

struct ProgramOptions {
    std::string dataFolder;
    std::string configFolder;
    std::string seedFolder;
    // The controls' pictures; empty: the "Controls" folder of the installed seed library (not
    // of `seedFolder`, which only says what a new data folder is filled from).
    std::string picturesFolder;
    std::string lockFolder;
    // Where "error.txt" goes before the data folder is known.
    std::string currentFolder = ".";
    // Called instead of ending the process after a fatal failure (tests and the driver).
    std::function<void(int)> exitProcess;
    // The sound devices (none: the program runs without input).
    SoundInput* soundInput = nullptr;
    // MP3 edition: the playback graph (none: songs play silently, without analysis).
    MusicGraph* musicGraph = nullptr;
    // CD edition: the drives (none: songs play silently for 60 s), and a device or disc image
    // to use instead of choosing one ($KOREL_CD_DEVICE when empty).
    CdSystem* cdSystem = nullptr;
    std::string cdDevice;
    // The desktop screen saver's settings file (~/.xscreensaver when empty) and the launcher it
    // is to run (the installed one when empty).
    std::string saverSettingsFile;
    std::string saverLauncher;
    // Where the trace of beats and changes goes ($KOREL_TRACE when empty).
    std::string tracePath;
};

class Conductor;
class ControlsLink;
class MusicLink;
class SongLink;
class SaverLink;
class CdLink;
class Controls;

enum class Phase { NotStarted, Running, Closing, Ended };

class Program : public Services {
public:
    Program(Platform& platform, Edition edition, ProgramOptions options);
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The entry point: runs the whole program and returns the process exit code.
    int run(std::string_view commandLine);

    // The same in steps, for drivers that interleave input with passes of the loops:
    // start() runs the command line, start-up and the after-start step (false when the program
    // ended during start-up); pass() runs one pass of the main or closing loop.
    bool start(std::string_view commandLine);
    Phase pass();
    Phase phase() const { return phase_; }
    int exitCode() const { return exitCode_; }

    // --- Shell operations used across the program ---------------------------------------
    void showAlert(std::string_view text) override;
    void dismissAlert();
    void copySurfaceToWindow(const Rect& r) override;
    [[noreturn]] void fatalExit(std::string_view name);
    void shutdown();
    void toggleControls();
    // The Animation Window button: hides or shows the animation window.
    void toggleAnimationWindow();
    // The Help button: opens or closes the help window beside the controls.
    void toggleHelp();
    // The help window hides while the controls are collapsed and comes back beside them.
    void helpFollowsControls(bool expanded);
    // Draws the hover help's current text into the help window.
    void paintHelp();
    Controls& controls();
    // The controls window exists (start-up has created it).
    bool controlsReady() const { return controlsWindow_ != kNoWindow; }
    MusicLink* music() { return music_.get(); }
    // The player of the CD or MP3 edition; null in the LIVE edition.
    SongLink* songs();
    CdLink* cd() { return cd_.get(); }
    SaverLink& saver() { return *saver_; }
    void enterBackground();
    void returnToForeground();
    void quitProgram();
    // The system asks the program to end (a signal, the session ending): it saves what a quit
    // saves, dismisses any alert and ends with code 0 without the closing animation.
    void terminateProgram();
    // A change of the monitor's depth or size.
    void displayChanged(int depth, int width, int height);

    VisualState& visual() { return visual_; }
    Conductor& conductor() { return *conductor_; }
    const ControlPictures& pictures();
    const ProgramOptions& options() const { return options_; }
    WindowId animationWindow() const { return display().animationWindow; }
    WindowId controlsWindow() const { return controlsWindow_; }
    WindowId helpWindow() const { return helpWindow_; }
    WindowId alertWindow() const { return alertWindow_; }
    bool controlsVisible();

    // Window titles and the alert's layout (client coordinates).
    static constexpr const char* kAnimationTitle = "Korel Animation";
    static constexpr const char* kControlsTitle = "Korel Controls";
    static constexpr const char* kHelpTitle = "Korel Help";
    static constexpr const char* kAlertTitle = "Alert";
    static constexpr Rect kAlertOkButton{90, 82, 150, 104};

protected:
    // Steps of start-up.
    virtual void loadPreferences();
    virtual void buildAssetLists() {}
    virtual void setUpSound();

private:
    // Start-up.
    bool initApplication();
    void afterStart();
    bool createAnimationWindow();
    void buildPalette();
    void loadPictures();
    void drawSplash();
    void drawSplashText(const char* text);
    void prepareDataFolder();

    // The loops.
    void dispatch(const Event& e);
    void windowEvent(const Event& e);
    void alertEvent(const Event& e);
    void frameTick();
    bool closingStep();
    // Milliseconds since the closing began, unbroken by the tick count's wrap (the song clock
    // jumps by 2^31 there).
    uint32_t closingElapsed() { return songTimeSince(0, songClock()); }
    // Presents what the animation window's copies left pending, when the display is ready.
    void flushPresent();
    // Sleeps until the next event or the earliest timed work (or pending present).
    void waitForWork();
    void drawClosingCredits();

    // Quitting: the last session and the preferences are saved; `running` is cleared.
    void keepSessionForQuit();

    // The alert window.
    void paintAlert();
    void paintAnimation();
    void paintControls();
    void placeHelp();

    void keyDown(const Event& e);
    bool keysLive();

    ProgramOptions options_;
    VisualState visual_;
    std::unique_ptr<Conductor> conductor_;
    std::unique_ptr<ControlsLink> controlsLink_;
    std::unique_ptr<MusicLink> music_;  // MP3 edition
    std::unique_ptr<CdLink> cd_;        // CD edition
    std::unique_ptr<SaverLink> saver_;
    bool creditsDrawn_ = false;
    InstanceLock instance_;
    Phase phase_ = Phase::NotStarted;
    int exitCode_ = 0;
    bool shutDown_ = false;
    bool inFatal_ = false;
    bool lastSessionRestored_ = false;
    WindowId controlsWindow_ = kNoWindow;
    WindowId helpWindow_ = kNoWindow;
    WindowId alertWindow_ = kNoWindow;
    int smallWindowScale_ = 1;  // the controls, help and alert windows' screen magnification
    bool okPressed_ = false;
    Rect pendingPresent_;  // copied to the animation window's canvas, not yet presented
    uint32_t lastPresent_ = 0;
    // The closing animation: the curtain picture and the closing brush's extents.
    Surface curtain_;
    int closingBrushLeft_ = 0;
    int closingBrushBottom_ = 0;
};

}  // namespace korel

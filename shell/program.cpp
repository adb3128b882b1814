// One run of the visualiser: command line, single instance, start-up in order, the main loop,
// the closing loop, shutdown and the fatal-error exit.
//
// Sections: construction and entry point; start-up; the after-start step; the loops; the shared
// window procedure; activation; quitting and closing; shutdown and the fatal exit.
#include "shell/program.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "persist/preferences.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "shell/closing.h"
#include "shell/conductor.h"
#include "shell/controls_link.h"
#include "shell/cd_link.h"
#include "shell/music_link.h"
#include "shell/saver_link.h"
#include "shell/data_folder.h"
#include "shell/palette.h"
#include "shell/splash.h"
#include "shell/window_scale.h"

namespace korel {

namespace {

// The asset folders that shutdown makes when missing and clears of left-over "_" files.
const char* const kAssetFolders[] = {"Gradients", "Fills", "Movements", "Brushes", "Effects"};

constexpr uint32_t kClosingMs = 4500;

}  // namespace

// --- Construction and entry point --------------------------------------------------------

Program::Program(Platform& platform, Edition edition, ProgramOptions options)
    : Services(platform, edition), options_(std::move(options)), visual_(defaultVisualState()) {
    conductor_ = std::make_unique<Conductor>(*this, visual_, options_.soundInput);
    saver_ = std::make_unique<SaverLink>(*this, options_.saverSettingsFile, options_.saverLauncher);
    controlsLink_ = std::make_unique<ControlsLink>(*this);
    TickHooks hooks;
    hooks.display = controlsLink_.get();
    conductor_->attach(hooks);
}

Controls& Program::controls() { return controlsLink_->controls(); }
const ControlPictures& Program::pictures() { return controls().pictures(); }

Program::~Program() {
    if (phase_ != Phase::NotStarted && !shutDown_) shutdown();
}

void Program::loadPreferences() {
    conductor_->loadPreferences();
    // The screen saver's switch and delay are the desktop screen saver's own.
    if (edition() != Edition::LIVE) saver_->readSettings(conductor_->preferences());
}

void Program::setUpSound() {
    std::string fatal = conductor_->setUpSound([this] {
        if (cd_) cd_->openDrive();
    });
    if (!fatal.empty()) fatalExit(fatal);
}

int Program::run(std::string_view commandLine) {
    if (!start(commandLine)) return exitCode_;
    while (pass() != Phase::Ended) {
    }
    return exitCode_;
}

bool Program::start(std::string_view commandLine) {
    // Only the exact text "H" hides the controls at start.
    if (commandLine == "H") shell().showControlsAtStart = false;
    phase_ = Phase::Running;
    if (!initApplication()) {
        phase_ = Phase::Ended;
        exitCode_ = 0;
        return false;
    }
    // Asked to end during start-up: nothing has changed yet that a quit would keep, so the
    // run ends before the last session is restored.
    if (platform().hasQueued(kNoWindow, EventKind::Terminate)) {
        shutdown();
        phase_ = Phase::Ended;
        exitCode_ = 0;
        return false;
    }
    afterStart();
    return phase_ == Phase::Running;
}

// --- Start-up ----------------------------------------------------------------------------

bool Program::initApplication() {
    ShellState& sh = shell();
    Platform& pf = platform();

    // 1. One instance at a time; a second one ends silently.
    if (options_.lockFolder.empty()) options_.lockFolder = InstanceLock::defaultFolder();
    if (!instance_.acquire(options_.lockFolder, "KOREL")) {
        shutDown_ = true;  // nothing was made, so there is nothing to release
        return false;
    }

    // 3. The monitor under the cursor.
    Rect monitor;
    if (!pf.monitorAtCursor(monitor) || monitor.empty()) fatalExit("Monitor");
    sh.monitorRect = monitor;
    sh.centreX = double(monitor.width() / 2);
    sh.centreY = double(monitor.height() / 2);
    // The small windows' magnification, decided once for the run.
    const WindowScaleChoice scale = chooseWindowScale(std::getenv("KOREL_SCALE"), monitor.width());
    if (!scale.warning.empty()) std::fprintf(stderr, "Korel: %s\n", scale.warning.c_str());
    smallWindowScale_ = scale.scale;

    // 4. The config folder stands in for the system folder.
    if (options_.configFolder.empty()) options_.configFolder = defaultConfigFolder();
    sh.configFolder = options_.configFolder;

    // 5. The alert window (its OK button is drawn by the program).
    WindowDesc alert;
    alert.className = "Alert";
    alert.title = kAlertTitle;
    // Centred on the monitor at whatever size it is shown.
    const int ax = monitor.left + int(sh.centreX) - 120 * smallWindowScale_;
    const int ay = monitor.top + int(sh.centreY) - 57 * smallWindowScale_;
    alert.rect = Rect{ax, ay, ax + 242, ay + 115};
    alert.scale = smallWindowScale_;
    alert.framed = true;
    alert.topmost = true;
    alert.modal = true;
    alertWindow_ = pf.createWindow(alert);
    if (alertWindow_ == kNoWindow) fatalExit("Dialog");

    // 6-11. The display stage: the display must take our 8-bit pictures.
    if (pf.displayDepth() <= 0) {
        sh.pendingMessage = "0: ";
        return false;
    }
    random().seed(pf.tickCount());
    pf.setBusyCursor(true);
    if (!createAnimationWindow()) return false;

    // 12. The player: MP3 edition the playback graph, CD edition the drives.
    if (edition() == Edition::MP3) {
        music_ = std::make_unique<MusicLink>(*this, options_.musicGraph);
    } else if (edition() == Edition::CD) {
        std::string device = options_.cdDevice;
        if (device.empty()) {
            const char* env = std::getenv("KOREL_CD_DEVICE");
            if (env) device = env;
        }
        cd_ = std::make_unique<CdLink>(*this, options_.cdSystem, device);
    }
    if (SongLink* s = songs()) {
        TickHooks hooks;
        hooks.display = controlsLink_.get();
        hooks.rave = &s->raves();
        conductor_->attach(hooks);
    }

    // 13. The controls' pictures (the splash's logo among them) and the windows' icon.
    loadPictures();

    // 14. The splash.
    drawSplash();

    // 15. The data folder: created and seeded from the installed library on the first run; an
    // asset folder missing later is seeded again.
    prepareDataFolder();

    // 16. The raves folder.
    if (createFolder(dataPath("Raves")) != 0) fatalExit("CreateFolder");

    // 17-19. The preferences, the asset listings and the sound devices.
    drawSplash();
    loadPreferences();
    buildAssetLists();
    setUpSound();

    // 20. The controls and help windows.
    WindowDesc controls;
    controls.className = "Korel";
    controls.title = kControlsTitle;
    controls.rect = Rect{monitor.left, monitor.top, monitor.left + 211, monitor.top + 165};
    controls.framed = true;
    controls.topmost = true;
    controls.scale = smallWindowScale_;
    controlsWindow_ = pf.createWindow(controls);
    if (controlsWindow_ == kNoWindow) fatalExit("Controls");
    {
        std::string failure;
        if (!this->controls().attachWindow(controlsWindow_, failure)) fatalExit(failure);
    }

    WindowDesc help;
    help.className = "Korel Help";
    help.title = kHelpTitle;
    // Beside the expanded controls window as the screen shows it.
    const int hx = monitor.left + 402 * smallWindowScale_;
    help.rect = Rect{hx, monitor.top, hx + 208, monitor.top + 460};
    help.framed = true;
    help.topmost = true;
    help.scale = smallWindowScale_;
    helpWindow_ = pf.createWindow(help);
    if (helpWindow_ == kNoWindow) fatalExit("Help");
    return true;
}

bool Program::createAnimationWindow() {
    ShellState& sh = shell();
    DisplayState& d = display();
    Platform& pf = platform();

    WindowDesc anim;
    anim.className = "Korel";
    anim.title = kAnimationTitle;
    anim.rect = sh.monitorRect;
    d.animationWindow = pf.createWindow(anim);
    if (d.animationWindow == kNoWindow) fatalExit("Paint");
    const int w = sh.monitorRect.width(), h = sh.monitorRect.height();
    d.windowRect = Rect{0, 0, w, h};
    d.displayDepth = pf.displayDepth();
    d.palette = buildProgramPalette();
    conductor_->setUpRanges();
    pushPalette();
    pf.canvas(d.animationWindow).fill(0);
    pf.showWindow(d.animationWindow, true);
    pf.present(d.animationWindow, d.windowRect);
    d.drawingSurface.resize(w, h, 0);
    if (d.drawingSurface.width() != w || d.drawingSurface.height() != h) fatalExit("PaintWorld");
    return true;
}

void Program::loadPictures() {
    std::string folder = options_.picturesFolder;
    if (folder.empty()) {
        const std::string seed = defaultSeedFolder();
        if (!seed.empty()) folder = joinPath(seed, kControlsFolder);
    }
    std::string failure;
    if (folder.empty() || !controls().loadPictures(folder, failure)) fatalExit("Pict");
    Surface icon;
    if (loadProgramIcon(folder, icon)) platform().setWindowIcon(icon, kIconClear);
}

void Program::drawSplash() { drawSplashText("Initializing..."); }

void Program::drawSplashText(const char* text) {
    const DisplayState& d = display();
    Surface& c = platform().canvas(d.animationWindow);
    const Rect r =
        drawSplashScreen(c, platform().fonts(), pictures().splash, int(shell().centreX),
                         int(shell().centreY), text);
    platform().present(d.animationWindow, r);
}

void Program::prepareDataFolder() {
    ShellState& sh = shell();
    if (options_.dataFolder.empty()) options_.dataFolder = defaultDataFolder();
    if (options_.seedFolder.empty()) options_.seedFolder = defaultSeedFolder();
    const bool firstRun = !folderExists(options_.dataFolder);
    if (createFolders(options_.dataFolder) != 0) fatalExit("CreateFolder");
    sh.dataFolder = options_.dataFolder;
    sh.seedFolder = options_.seedFolder;
    if (firstRun && !sh.seedFolder.empty()) seedDataFolder(sh.seedFolder, sh.dataFolder);
    // A data folder that lost an asset folder (or kept only an empty one) gets it back.
    seedAssetFolders(sh.seedFolder, sh.dataFolder);
}

// --- After start -------------------------------------------------------------------------

void Program::afterStart() {
    ShellState& sh = shell();
    Platform& pf = platform();
    const DisplayState& d = display();
    std::string trace = options_.tracePath;
    if (trace.empty()) {
        const char* env = std::getenv("KOREL_TRACE");
        if (env) trace = env;
    }
    conductor_->openTrace(trace);

    // The first song (LIVE: the animation) starts; on this first start the last session is
    // restored, loading every slot with its progress on the splash.
    const auto progress = [this](const char* text) { drawSplashText(text); };
    if (SongLink* s = songs()) {
        s->startFirstSong(progress);
    } else {
        conductor_->startAnimation(true, progress);
    }
    copySurfaceToWindow(d.windowRect);

    const bool showControls = !sh.screenSaverMode && sh.showControlsAtStart;
    if (showControls) {
        controls().show(true);
        if (edition() == Edition::LIVE && conductor_->preferences().helpOpen) {
            placeHelp();
            pf.showWindow(helpWindow_, true);
            paintHelp();
        }
    } else {
        pf.raiseWindow(d.animationWindow, true);
    }
    pf.setBusyCursor(false);
    pf.showCursor(showControls);
    sh.startingUp = false;
    if (!sh.pendingMessage.empty()) showAlert(sh.pendingMessage);
}

// --- The loops ---------------------------------------------------------------------------

Phase Program::pass() {
    Platform& pf = platform();
    switch (phase_) {
        case Phase::NotStarted:
        case Phase::Ended:
            return phase_;
        case Phase::Running: {
            Event e;
            // A press or drag in the controls follows the mouse on every pass; the frame tick
            // keeps running in between.
            controls().followMouse();
            if (pf.pollEvent(e)) {
                if (e.kind == EventKind::Quit) {
                    exitCode_ = e.code;
                    phase_ = Phase::Ended;
                    return phase_;
                }
                dispatch(e);
                flushPresent();
            } else {
                frameTick();
                flushPresent();
                waitForWork();
            }
            if (!shell().running && phase_ == Phase::Running) phase_ = Phase::Closing;
            return phase_;
        }
        case Phase::Closing: {
            bool more = closingStep();
            flushPresent();
            if (phase_ == Phase::Ended) return phase_;
            if (!more && !shell().alertShowing) {
                shutdown();
                phase_ = Phase::Ended;
            }
            return phase_;
        }
    }
    return phase_;
}

SongLink* Program::songs() {
    if (music_) return music_.get();
    return cd_.get();
}

void Program::frameTick() {
    if (SongLink* s = songs()) s->frame();
    conductor_->frameTick();
}

void Program::flushPresent() {
    const WindowId w = display().animationWindow;
    if (pendingPresent_.empty() || w == kNoWindow) return;
    const uint32_t now = platform().tickCount();
    if (now - lastPresent_ < platform().refreshInterval()) return;
    lastPresent_ = now;
    platform().present(w, pendingPresent_);
    pendingPresent_ = Rect{};
}

void Program::waitForWork() {
    Platform& pf = platform();
    uint32_t wait = conductor_->msUntilDue();
    // A press or drag follows the mouse closely; the hover preview looks at it often.
    if (controls().tracking()) wait = std::min<uint32_t>(wait, 8);
    else if (controls().visible()) wait = std::min<uint32_t>(wait, 50);
    if (!pendingPresent_.empty()) {
        const uint32_t since = pf.tickCount() - lastPresent_;
        const uint32_t interval = pf.refreshInterval();
        wait = std::min(wait, since >= interval ? 0 : interval - since);
    }
    if (wait > 0) pf.waitEvent(wait);
}

bool Program::closingStep() {
    Platform& pf = platform();
    Event e;
    if (pf.pollEvent(e)) {
        if (e.kind == EventKind::Quit) {
            exitCode_ = e.code;
            if (!shutDown_) shutdown();
            phase_ = Phase::Ended;
            return false;
        }
        dispatch(e);
        return closingElapsed() <= kClosingMs;
    }
    const uint32_t a = closingElapsed();
    if (shell().animationShown && creditsDrawn_) {
        DisplayState& d = display();
        if (a <= kCurtainMs) {
            Rect r = drawCurtain(d.drawingSurface, curtain_, int(shell().centreX),
                                 int(shell().centreY), closingBrushLeft_, a);
            copySurfaceToWindow(r);
        }
        conductor_->closingTick(a);
    }
    return a <= kClosingMs;
}

void Program::drawClosingCredits() {
    DisplayState& d = display();
    if (curtain_.empty()) curtain_ = makeCurtainPicture();
    if (!creditsDrawn_) {
        conductor_->drawClosingBrush();
        creditsDrawn_ = true;
    }
    Rect r = drawCredits(d.drawingSurface, platform().fonts(), pictures().splash,
                         int(shell().centreX), int(shell().centreY), closingBrushBottom_);
    copySurfaceToWindow(unite(r, d.windowRect));
}

void Program::dispatch(const Event& e) {
    if (e.window == alertWindow_ && alertWindow_ != kNoWindow) {
        alertEvent(e);
    } else {
        windowEvent(e);
    }
}

// --- The shared window procedure ----------------------------------------------------------

void Program::windowEvent(const Event& e) {
    ShellState& sh = shell();
    Platform& pf = platform();
    const WindowId anim = display().animationWindow;
    switch (e.kind) {
        case EventKind::Activate:
            if (sh.backgrounded) {
                pf.discardQueued(anim, EventKind::ButtonDown, 1);
                returnToForeground();
            }
            break;
        case EventKind::Deactivate:
            if (!sh.backgrounded && sh.running && e.other != controlsWindow_ && e.other != anim &&
                e.other != alertWindow_ && e.other != helpWindow_)
                enterBackground();
            break;
        case EventKind::Expose:
            if (e.window == anim) {
                paintAnimation();
            } else if (e.window == controlsWindow_) {
                paintControls();
            } else if (e.window == helpWindow_) {
                paintHelp();
            }
            break;
        case EventKind::Close:
            if (sh.alertShowing) break;
            if (e.window == controlsWindow_) {
                quitProgram();
            } else if (e.window == helpWindow_) {
                pf.showWindow(helpWindow_, false);
                conductor_->preferences().helpOpen = false;
                controls().redrawTopButton(TopAction::Help);
            }
            break;
        case EventKind::DisplayChange:
            if (e.window == anim) displayChanged(e.depth, e.width, e.height);
            break;
        case EventKind::Terminate:
            terminateProgram();
            break;
        case EventKind::KeyDown:
            // A key ends a screen-saver run as a click does.
            if (sh.screenSaverMode && sh.running) {
                quitProgram();
                break;
            }
            keyDown(e);
            break;
        case EventKind::Char:
            // The text-entry field takes what it types; the rest are keyboard commands.
            if (sh.screenSaverMode || !keysLive()) break;
            controls().keys().setStamp(songTime(e.time, sh.songClockOrigin));
            controls().typeChar(e.ch, keyModifier(e.shift, e.ctrl, e.alt));
            break;
        case EventKind::ButtonDown:
            if (e.button != 1) break;
            pf.discardQueued(e.window, EventKind::ButtonDown, 1);
            if (e.window == controlsWindow_) {
                if (sh.running) controls().buttonDown(Point{e.x, e.y}, clickModifier(e));
            } else if (e.window == anim) {
                if (!sh.running) {
                    sh.songClockOrigin = 0;  // ends the closing at once
                } else if (sh.screenSaverMode) {
                    quitProgram();
                } else if (!sh.backgrounded) {
                    toggleControls();
                }
            }
            break;
        default:
            break;
    }
}

void Program::paintAnimation() {
    ShellState& sh = shell();
    if (!sh.backgrounded) sh.paletteLive = true;
    if (sh.running) {
        copySurfaceToWindow(display().windowRect);
    } else {
        drawClosingCredits();
    }
}

void Program::paintControls() { controls().paint(); }

void Program::paintHelp() {
    Platform& pf = platform();
    Surface& c = pf.canvas(helpWindow_);
    c.fill(255);
    // The text of the control under the cursor; its carriage returns break the paragraphs.
    std::string text = controls().helpText();
    for (char& ch : text)
        if (ch == '\r') ch = '\n';
    TextStyle st;
    st.font = FontId::Medium;
    st.colour = 0;
    st.wordWrap = true;
    drawText(pf.fonts(), c, Rect{10, 10, c.width() - 10, c.height() - 10}, text, st);
    pf.present(helpWindow_, c.bounds());
}

// --- Keys ---------------------------------------------------------------------------------------

// Keys count only while the animation runs: not during start-up, after quit or under an alert.
bool Program::keysLive() {
    const ShellState& sh = shell();
    return sh.running && !sh.startingUp && !sh.alertShowing && phase_ == Phase::Running &&
           controlsLink_ != nullptr;
}

void Program::keyDown(const Event& e) {
    if (!keysLive()) return;
    const uint32_t t = songTime(e.time, shell().songClockOrigin);
    controls().keys().setStamp(t);
    controls().keys().keyDown(e.key, e.shift, e.ctrl, e.alt, t);
}

bool Program::controlsVisible() {
    return controlsWindow_ != kNoWindow && controls().visible();
}

void Program::toggleControls() {
    Platform& pf = platform();
    if (controlsVisible()) {
        // Hiding needs the animation running and its window shown.
        if (!shell().running || !shell().animationShown) return;
        controls().hide();
        pf.showWindow(helpWindow_, false);
        pf.raiseWindow(display().animationWindow, true);
        pf.showCursor(false);
    } else {
        controls().show(true);
        if (conductor_->preferences().helpOpen && controls().state().drawnExpanded) {
            placeHelp();
            pf.showWindow(helpWindow_, true);
            paintHelp();
        }
        pf.showCursor(true);
    }
}

void Program::toggleAnimationWindow() {
    ShellState& sh = shell();
    Platform& pf = platform();
    const WindowId anim = display().animationWindow;
    if (sh.animationShown) {
        if (!controlsVisible()) controls().show(false);
        controls().animationHiding();
        pf.showWindow(anim, false);
        sh.animationShown = false;
        pf.raiseWindow(controlsWindow_, true);
        pf.showCursor(true);
    } else {
        pf.showWindow(anim, true);
        sh.animationShown = true;
        copySurfaceToWindow(display().windowRect);
        controls().animationShown();
        pf.raiseWindow(controlsWindow_, true);
    }
    controls().redrawTopButton(TopAction::AnimationWindow);
}

void Program::placeHelp() {
    Platform& pf = platform();
    const Rect c = pf.windowRect(controlsWindow_);
    const Rect h = pf.windowRect(helpWindow_);
    // Beside the expanded controls (doubled on a large screen).
    const int left = c.left + (211 + 191) * smallWindowScale_;
    pf.setWindowRect(helpWindow_, Rect{left, c.top, left + h.width(), c.top + h.height()});
}

void Program::helpFollowsControls(bool expanded) {
    Platform& pf = platform();
    if (helpWindow_ == kNoWindow || !controlsVisible()) return;
    if (!expanded) {
        pf.showWindow(helpWindow_, false);
    } else if (conductor_->preferences().helpOpen && !pf.windowVisible(helpWindow_)) {
        placeHelp();
        pf.showWindow(helpWindow_, true);
        paintHelp();
    }
    controls().redrawTopButton(TopAction::Help);
}

void Program::toggleHelp() {
    Platform& pf = platform();
    const bool open = pf.windowVisible(helpWindow_);
    conductor_->preferences().helpOpen = !open;
    if (open) {
        pf.showWindow(helpWindow_, false);
    } else {
        // Beside the controls only when they are drawn expanded; otherwise where it was.
        if (controls().state().drawnExpanded) placeHelp();
        pf.showWindow(helpWindow_, true);
        paintHelp();
        pf.raiseWindow(controlsWindow_, true);
    }
    controls().redrawTopButton(TopAction::Help);
}

// --- Activation ----------------------------------------------------------------------------

void Program::enterBackground() {
    ShellState& sh = shell();
    sh.backgrounded = true;
    if (display().displayDepth == 8) sh.paletteLive = false;
}

void Program::returnToForeground() {
    ShellState& sh = shell();
    Platform& pf = platform();
    sh.backgrounded = false;
    pf.raiseWindow(display().animationWindow, false);
    if (sh.alertShowing) {
        pf.raiseWindow(alertWindow_, true);
    } else if (controlsVisible()) {
        // The click that brought the program back does not act.
        if (pf.hasQueued(controlsWindow_, EventKind::ButtonDown, 1)) controls().state().ignoreNextClick = true;
        pf.raiseWindow(controlsWindow_, true);
    }
    if (display().displayDepth == 8) {
        pf.invalidateWindow(controlsWindow_);
        pf.invalidateWindow(display().animationWindow);
    }
}

// --- The alert -----------------------------------------------------------------------------

void Program::showAlert(std::string_view text) {
    ShellState& sh = shell();
    Platform& pf = platform();
    if (!text.empty()) sh.pendingMessage = std::string(text);
    if (sh.startingUp) return;
    if (alertWindow_ == kNoWindow) return;
    if (sh.alertShowing) {
        pf.invalidateWindow(alertWindow_);
    } else {
        pf.showWindow(alertWindow_, true);
        pf.raiseWindow(alertWindow_, true);
        if (!controlsVisible()) pf.showCursor(true);
    }
    paintAlert();
    pf.enableWindow(display().animationWindow, false);
    pf.enableWindow(controlsWindow_, false);
    pf.enableWindow(helpWindow_, false);
    pf.beep();
    sh.alertShowing = true;
}

void Program::dismissAlert() {
    ShellState& sh = shell();
    Platform& pf = platform();
    sh.alertShowing = false;
    okPressed_ = false;
    pf.enableWindow(display().animationWindow, true);
    pf.enableWindow(controlsWindow_, true);
    pf.enableWindow(helpWindow_, true);
    if (controlsVisible()) {
        pf.raiseWindow(display().animationWindow, false);
        pf.raiseWindow(controlsWindow_, true);
    } else {
        pf.raiseWindow(display().animationWindow, true);
    }
    pf.showWindow(alertWindow_, false);
    if (!controlsVisible()) pf.showCursor(false);
}

void Program::paintAlert() {
    Platform& pf = platform();
    Surface& c = pf.canvas(alertWindow_);
    drawAlertWindow(c, pf.fonts(), shell().pendingMessage, kAlertOkButton, okPressed_);
    pf.present(alertWindow_, c.bounds());
}

void Program::alertEvent(const Event& e) {
    ShellState& sh = shell();
    switch (e.kind) {
        case EventKind::Activate:
            if (sh.backgrounded) returnToForeground();
            break;
        case EventKind::Deactivate:
            if (sh.running && sh.alertShowing && e.other != alertWindow_ &&
                e.other != controlsWindow_ && e.other != display().animationWindow &&
                e.other != helpWindow_)
                enterBackground();
            break;
        case EventKind::Expose:
            paintAlert();
            break;
        case EventKind::Char:
            if (e.ch == 3 || e.ch == 13) dismissAlert();
            break;
        case EventKind::KeyDown:
            break;
        case EventKind::ButtonDown:
            if (e.button == 1 && kAlertOkButton.contains(e.x, e.y)) {
                okPressed_ = true;
                paintAlert();
            }
            break;
        case EventKind::ButtonUp:
            if (e.button == 1 && okPressed_) {
                okPressed_ = false;
                if (kAlertOkButton.contains(e.x, e.y)) {
                    dismissAlert();
                } else {
                    paintAlert();
                }
            }
            break;
        default:
            break;
    }
}

// --- Quitting and closing -------------------------------------------------------------------

void Program::keepSessionForQuit() {
    shell().running = false;
    // The music stops; the last session and the preferences are kept for the next start.
    const VisualState* userOwn = nullptr;
    if (SongLink* s = songs()) {
        s->silence();
        s->rememberList();
        const RaveState& rave = s->raves().state();
        if (rave.userStateAside) userOwn = &rave.userState;
    }
    conductor_->saveLastSession(userOwn);
    // The help window's preference follows the Help button and the window's close box.
    writePreferences(*this, conductor_->preferences());
    if (edition() != Edition::LIVE) saver_->install(conductor_->preferences());
}

void Program::quitProgram() {
    ShellState& sh = shell();
    Platform& pf = platform();
    keepSessionForQuit();
    // The brush effect is released and the closing brush chosen.
    conductor_->prepareClosing(closingBrushLeft_, closingBrushBottom_);
    controls().redrawTopButton(TopAction::Quit);
    controls().hide();
    pf.showWindow(helpWindow_, false);
    if (!sh.animationShown) {
        sh.songClockOrigin = 0;
    } else if (sh.screenSaverMode) {
        pf.showWindow(display().animationWindow, false);
        sh.animationShown = false;
        sh.songClockOrigin = 0;
    } else {
        pf.raiseWindow(display().animationWindow, true);
        pf.invalidateWindow(display().animationWindow);
        sh.songClockOrigin = pf.tickCount();
    }
}

void Program::terminateProgram() {
    // Whatever the program is doing, it keeps what a quit keeps (a quit under way has kept it
    // already) and ends now: no closing animation, and no alert left waiting for OK.
    if (shell().running) keepSessionForQuit();
    if (shell().alertShowing) dismissAlert();
    shutdown();
    phase_ = Phase::Ended;
    exitCode_ = 0;
}

void Program::copySurfaceToWindow(const Rect& r) {
    const DisplayState& d = display();
    if (d.animationWindow == kNoWindow) return;
    Platform& pf = platform();
    Surface& canvas = pf.canvas(d.animationWindow);
    Rect c = intersect(r, d.windowRect);
    if (c.empty()) return;
    copySurface(canvas, c.left, c.top, d.drawingSurface, c);
    // A display that refreshes at a fixed rate gets one present per refresh at most, of
    // everything copied since the last one.
    if (pf.refreshInterval() == 0) {
        pf.present(d.animationWindow, c);
        return;
    }
    pendingPresent_ = pendingPresent_.empty() ? c : unite(pendingPresent_, c);
}

void Program::displayChanged(int depth, int width, int height) {
    ShellState& sh = shell();
    DisplayState& d = display();
    Platform& pf = platform();
    if ((depth == 8) != (d.displayDepth == 8)) {
        // The controls' pictures reload with the controls; the palette is rebuilt for 8 bits.
        d.displayDepth = depth;
        if (depth == 8) {
            d.palette = buildProgramPalette();
            pushPalette();
        }
    } else {
        d.displayDepth = depth;
    }
    if (int(2 * sh.centreX) == width) return;
    d.windowRect = Rect{0, 0, width, height};
    sh.centreX = double(width / 2);
    sh.centreY = double(height / 2);
    d.drawingSurface.resize(width, height, 0);
    if (d.drawingSurface.width() != width || d.drawingSurface.height() != height) fatalExit("Update");
    // The six fill slots are rebuilt for the new size and the current fill drawn again.
    conductor_->pictureResized();
    Rect wr = pf.windowRect(d.animationWindow);
    pf.setWindowRect(d.animationWindow, Rect{wr.left, wr.top, wr.left + width, wr.top + height});
    copySurfaceToWindow(d.windowRect);
}

// --- Shutdown and the fatal exit -----------------------------------------------------------

void Program::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    ShellState& sh = shell();
    DisplayState& d = display();
    Platform& pf = platform();

    // 1. The animation window goes black.
    if (sh.animationShown && d.animationWindow != kNoWindow) {
        pf.canvas(d.animationWindow).fill(0);
        pf.present(d.animationWindow, d.windowRect);
    }
    // 2-3. Playback, capture and the surfaces.
    conductor_->shutdown();
    d.drawingSurface.release();

    // 4. The asset folders exist and hold no left-over "_" files.
    if (!sh.dataFolder.empty()) {
        for (const char* folder : kAssetFolders) {
            std::string path = dataPath(folder);
            if (!folderExists(path)) {
                createFolder(path);
                continue;
            }
            std::vector<std::string> names;
            if (listFolder(path, "", names) != 0) continue;
            for (const auto& n : names)
                if (!n.empty() && n.back() == '_') removeFile(joinPath(path, n));
        }
    }

    // 5. The windows.
    for (WindowId* w : {&alertWindow_, &helpWindow_, &controlsWindow_, &d.animationWindow}) {
        if (*w != kNoWindow) pf.destroyWindow(*w);
        *w = kNoWindow;
    }
    // 6. The instance guard.
    instance_.release();

    // 9. The quit message.
    pf.postQuit(0);

    // 10. In screen-saver mode the screen saver ends with the program.
    if (sh.screenSaverMode) pf.endScreenSaverLauncher();
}

void Program::fatalExit(std::string_view name) {
    Platform& pf = platform();
    // A terminal user sees why the program ended; error.txt keeps the word as well.
    std::fprintf(stderr, "Korel: fatal: %.*s\n", int(name.size()), name.data());
    std::fflush(stderr);
    pf.beep();
    // Before the data folder is known, the current folder takes the file.
    const std::string& folder =
        shell().dataFolder.empty() ? options_.currentFolder : shell().dataFolder;
    writeFileTruncating(joinPath(folder, "error.txt"), Bytes(name.begin(), name.end()));
    if (!inFatal_) {
        inFatal_ = true;
        shutdown();
    }
    phase_ = Phase::Ended;
    exitCode_ = 0;
    if (options_.exitProcess) options_.exitProcess(0);
    std::exit(0);
}

}  // namespace korel

// Manager: the application shell. It runs the whole game inside one framework window (WGame,
// a modal window pushed on the framework's window manager), pumps the platform's events into
// Input and WEvent messages, and runs one frame (update, then draw) for the window tree under
// its root. TUpdateGameTask is the task on WGame's task list that ticks the frame every 16 ms
// (32 ms at the low rate).
//
// The library sits below the game: what the frame needs from it (the options, the music, an
// overlay drawn above every window, the game's event callback and the screens it concerns)
// comes through ManagerServices, which the game installs. The library names none of the game's
// screens: the game answers which window plays and listens for the events its screens want.
#pragma once

#include <functional>
#include <list>
#include <memory>

#include "foundation/str.h"
#include "window/animtask.h"
#include "window/modalwindow.h"

namespace WGUI
{

class Window;
class Transition;
class Tooltip;
class MouseCursor;
class WEvent;
class ImageMap;
class Label;
class TextBox;
class WGame;
class TUpdateGameTask;

// What the frame asks of the game. Every operation does nothing by default.
class ManagerServices
{
public:
    virtual ~ManagerServices() = default;
    // The window that plays, looked up under the root when the loop starts (none by default):
    // while it is visible the frame may drop to the low rate, and it is paused when the
    // application is activated or deactivated.
    virtual Window* playScreen(Window* /*root*/) { return nullptr; }
    // Full screen was toggled by the platform: the options remember the new mode.
    virtual void setWindowed(bool /*windowed*/) {}
    // Then, for the same event: a visible screen that shows the mode follows it.
    virtual void fullScreenToggled() {}
    // The application was activated or deactivated while the play screen is visible.
    virtual void pauseGame(Window* /*gameWindow*/) {}
    // The left button came up (after the input saw it).
    virtual void leftButtonReleased() {}
    // Keyboard and character events after the window tree (the game's cheats listen here).
    virtual void eventCallback(WEvent& /*e*/) {}
    // An overlay above every window (the game's particles): updated after the tooltip, before
    // the window tree, and drawn after the window tree, before the tooltip.
    virtual void updateOverlay() {}
    virtual void drawOverlay() {}
    // The manager is going away (or these services are replaced): an overlay made on its root
    // window and image maps goes with it, at that point of the manager's destruction.
    virtual void releaseOverlay() {}
    // Music (menu loop and jukebox), stepped by the frame time after the window tree updates.
    virtual void updateMusic(double /*dt*/) {}
    // The game's volume-type registry (its sound helper) goes with the GUI's own singletons,
    // between the input and the debug file: called there by the manager's destructor.
    virtual void deleteSoundHelper() {}
};

class Manager
{
public:
    // The manager; made by the installed factory on first call when there is one (a test's).
    // With neither a manager nor a factory the look-up is a fault in the start-up's order and
    // stops the program (foundation/singletons.h); under the tests' rule it answers null.
    static Manager* instance();
    static bool hasInstance() { return sInstance != nullptr; }
    static void setFactory(std::function<Manager*()> factory);
    static void deleteInstance();
    // The GUI's own singletons, made by the program's start-up before the game services and the
    // manager (which read paths, strings and images through them): the paths, the string table,
    // the fonts, the shapes, the frame timer, the egg timers, the input, the image maps and the
    // animations, in that order. The manager's destructor deletes them.
    static void createSingletons();
    // Deletes the GUI's own singletons in the order the manager's destructor does: the frame
    // timer, then the fonts, the image maps, the animations, the egg timers, the string table,
    // the shapes, the input, the sound helper (through deleteSoundHelper, when given), the debug
    // file and the paths. For a program or test that has no manager to delete.
    static void deleteSingletons(const std::function<void()>& deleteSoundHelper = nullptr);

    // Sets up the display and the host window; becomes the instance.
    Manager(int width, int height, int depth, bool windowed, str title, ManagerServices* services = nullptr);
    // In this order: the root window (not the screens below it: the game owns them), the
    // tooltip, the frame timer, the services' overlay, the frame-rate label, the debug box, the
    // mouse cursor, every transition still queued; then the GUI's own singletons as
    // deleteSingletons lists them, the services' sound helper among them.
    ~Manager();
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    // The services are not owned.
    void setServices(ManagerServices* s);
    ManagerServices* getServices() const { return services; }

    // The main loop; returns when the platform reports quit.
    void run();
    // One platform event, as the loop handles it; false for quit.
    bool handleEvent(TEvent& event);
    // One frame; called through WGame.
    void update();
    void draw();
    void exit();
    bool isExiting() const { return exiting; }

    Window* getRoot() const { return root.get(); }
    Tooltip* getTooltip() const { return tooltip.get(); }
    MouseCursor* getMouseCursor() const { return mouseCursor.get(); }
    WGame* getGameHost() const { return game; }
    TUpdateGameTask* getUpdateTask() const { return updateTask; }
    // The frame-rate display and the debug text display (children of the root).
    Label* getFpsLabel() const { return fpsLabel.get(); }
    TextBox* getDebugBox() const { return debugBox.get(); }
    int getMouseX() const { return mouseX; }
    int getMouseY() const { return mouseY; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    int getDepth() const { return depth; }
    bool getWindowed() const { return windowed; }
    static double getDefaultBackR() { return defaultBackR; }
    static double getDefaultBackG() { return defaultBackG; }
    static double getDefaultBackB() { return defaultBackB; }

    // Forwarded to the root window.
    Window* getChild(str name) const;
    void addWindow(Window* w);
    void moveChildToTopMes(Window* w);
    void moveChildToTopMes(str name);
    double screenToSpriteX(double x) const;
    double screenToSpriteY(double y) const;

    // Queues a transition (owned from here on) to be attached at the start of the next frame.
    void addTransition(Transition* t, Window* w);
    size_t queuedTransitions() const { return transitionQueue.size(); }
    // A window going away: its queued transitions are dropped (and deleted).
    void forgetWindow(Window* w);

    // A full-screen fill behind the root for this frame only.
    void setFillBack(double r, double g, double b);
    void setFillBack();
    bool getFillBack() const { return fillBack; }
    void fill(double r, double g, double b);

    // 0 normal, 1 additive; other values are only stored.
    void setGlobalBlendMode(int mode);
    int getGlobalBlendMode() const { return globalBlendMode; }
    // The renderer resets its blend mode at the start of a 2-D pass; so does the cache.
    void resetGlobalBlendMode() { globalBlendMode = 0; }
    void toggleShowFramerate();
    bool isFramerateShown() const;
    // Text of the frame-rate display, shown or not.
    str getFramerateText() const { return framerateText; }
    // Text of the debug display; it is shown exactly when not empty.
    void setDebugText(str text);

    // Frame metrics of FancyWindow, in order: inset left, inset top, inset top of a titled
    // frame, inset right, inset bottom, title band height, title centred, title y, title x.
    int getSkinMetric(int i) const { return (i >= 0 && i < 9) ? skin[i] : 0; }
    // The default button skin: the image map (may be null) and, per state 0..3, 13 values:
    // the eight frame-piece cells, the centre cell, then four border widths.
    ImageMap* getButtonMap() const { return buttonMap; }
    int getButtonCell(int state, int i) const;

    static double defaultBackR, defaultBackG, defaultBackB;
    static double defaultOverlayR, defaultOverlayG, defaultOverlayB;

private:
    void sendMouseMessages();
    // deleteSingletons without the frame timer, which the destructor deletes earlier.
    static void deleteSingletonsAfterTimer(const std::function<void()>& deleteSoundHelper);

    // The destructor resets these one by one in its documented order.
    std::unique_ptr<Window> root;
    Window* gameWindow = nullptr;
    int prevMouseX = 0, prevMouseY = 0;
    int mouseX = 0, mouseY = 0;
    bool prevButton = false, button = false;
    int width, height, depth;
    bool windowed;
    str title;
    int globalBlendMode = 0;
    WGame* game = nullptr;
    TUpdateGameTask* updateTask = nullptr;
    bool fillBack = false;
    double fillR = 0, fillG = 0, fillB = 0;
    bool exiting = false;
    std::unique_ptr<Label> fpsLabel;
    std::unique_ptr<TextBox> debugBox;
    str framerateText;
    std::unique_ptr<MouseCursor> mouseCursor;
    std::unique_ptr<Tooltip> tooltip;
    std::list<std::unique_ptr<Transition>> transitionQueue;
    std::list<Window*> transitionWindows;
    int skin[9] = {26, 26, 30, 26, 26, 30, 4, 2, 25};
    ImageMap* buttonMap = nullptr;
    int buttonCells[4][13];
    ManagerServices* services = nullptr;
    ManagerServices defaultServices;

    static Manager* sInstance;
    static std::function<Manager*()> sFactory;
};

// The key and character entry: frame-rate toggle on F2, then the root, then the game.
void managerCallbackFunc(WEvent& e);

// The framework modal window that hosts the library.
class WGame : public TModalWindow
{
public:
    WGame() = default;
    ~WGame() override = default;
    static TClassId ClassId();
    const char* GetTypeName() const override { return "WGame"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TWindow::IsKindOf(id); }
    void Draw() override;
    bool OnMessage(TMessage*) override { return true; }
    void UpdateGame();
};

class TUpdateGameTask : public TAnimTask
{
public:
    static const unsigned kNormalPeriod = 16;
    static const unsigned kLowPeriod = 32;

    explicit TUpdateGameTask(WGame* game);
    void setNormalFrameRate();
    void setLowFrameRate();
    bool isNormalFrameRate() const { return period == kNormalPeriod; }
    bool isLowFrameRate() const { return period == kLowPeriod; }

protected:
    bool Animate() override;

private:
    WGame* game;
    unsigned period = kNormalPeriod;
};

}  // namespace WGUI

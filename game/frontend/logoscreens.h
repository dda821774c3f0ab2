// The first screen: the maker's logo fades in, stays and fades out over a black screen while the
// menu music starts, then the main menu fades in. A mouse click skips the rest.
#pragma once

#include <memory>
#include <vector>

#include "foundation/str.h"
#include "services/navigation.h"
#include "wgui_window.h"

namespace WGUI
{
class ImageMap;
}

namespace Game
{

// One logo of the list: a cell of an image map with its fade-in, show and fade-out times.
class LogoScreen
{
public:
    LogoScreen() = default;

    // Looks the map up in the image-map registry; an unknown name leaves no map.
    void setImageMap(str name, int cell);
    void setFadeInTime(double t) { fadeInTime = t; }
    void setShowTime(double t) { showTime = t; }
    void setFadeOutTime(double t) { fadeOutTime = t; }
    void setPlayIntroMusic(bool b) { playIntroMusic = b; }

    // Loads the picture (dropping a map whose picture cannot be loaded) and restarts the clock;
    // starts the menu music when asked to.
    void start();
    // Unloads the picture.
    void stop();
    // Advances the clock by the frame time and asks for a black screen behind the logo.
    void update();
    // The logo ran its three times, or it has no picture to show.
    bool isDone() const;
    void draw();

    WGUI::ImageMap* getImageMap() const { return imageMap; }
    double getElapsed() const { return elapsed; }
    double getAlpha() const { return alpha; }

private:
    WGUI::ImageMap* imageMap = nullptr;  // not owned
    int cell = 0;
    double fadeInTime = 0, showTime = 0, fadeOutTime = 0;
    double elapsed = 0;  // seconds since start()
    double alpha = 0;    // 0..1
    bool playIntroMusic = false;
};

class LogoScreens : public WGUI::Window, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kLogos;
    LogoScreens();
    ~LogoScreens() override;

    void transitionFinished(bool) override {}
    void updateSelf() override;
    void drawBetweenWindowAndTransition() override {}
    void draw() override;
    void messageMouseReleased(int x, int y, int button) override;
    void messageBecomeVisible() override;
    void messageBecomeInvisible() override;

    // A mouse button came up somewhere; the flag is never cleared, so the logo is skipped as
    // soon as the screen may leave.
    void setMouseReleased() { mouseReleased = true; }
    // Hides this screen at once and fades the main menu in.
    void transitionToMainMenu();

    LogoScreen* getLogo(int i) const
    {
        return (i >= 0 && i < static_cast<int>(logos.size())) ? logos[i].get() : nullptr;
    }
    int getNumLogos() const { return static_cast<int>(logos.size()); }

private:
    std::vector<std::unique_ptr<LogoScreen>> logos;
    bool mouseReleased = false;
    int current = 0;
};

}  // namespace Game

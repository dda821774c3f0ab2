// The small panel in the bottom-left corner of the play screen that shows what the goo has just
// eaten: the picture, slowly turning, and the kind's name on a background tinted after the
// kind's effect colour. It slides in on a meal and out four seconds after the last one.
#pragma once

#include "wgui_slider.h"
#include "wgui_window.h"

class TTextGraphic;
namespace WGUI
{
class ImageMap;
class Transition;
}  // namespace WGUI

namespace Game
{

class GameWindow;
class Entity;

class EatenDisplay : public WGUI::Graphic, public WGUI::Listener
{
public:
    static const int MAX_DISP_SIZE = 85;  // the larger side of the picture, pixels
    static constexpr double kShowTime = 4.0;

    explicit EatenDisplay(GameWindow* game);
    ~EatenDisplay() override;
    EatenDisplay(const EatenDisplay&) = delete;
    EatenDisplay& operator=(const EatenDisplay&) = delete;

    void transitionFinished(bool) override {}
    void updateSelf() override;
    void draw() override;

    void setEatenEntity(Entity* e);
    void slideIn();
    void slideOut();
    std::unique_ptr<WGUI::Transition> makeInTransition();

    // The background tint for an effect colour: saturation at most 0.3, value at least 0.7.
    static void tintFor(double r, double g, double b, double& outR, double& outG, double& outB);
    // The picture's scale for a cell of w x h pixels.
    static double pictureScale(int w, int h);

    double getTimeShown() const { return timeShown; }

private:
    TTextGraphic* text = nullptr;
    GameWindow* game;
    WGUI::ImageMap* imageMap = nullptr;
    int cell = -1;
    bool flipX = false, flipY = false;
    float colR = 1, colG = 1, colB = 1, colA = 1;
    float effR = 1, effG = 1, effB = 1, effA = 1;
    double spinAngle = 0;
    double timeShown = 0;
};

}  // namespace Game

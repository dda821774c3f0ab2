// The eaten display: the panel that slides in with what the goo has just eaten.
#include "eatendisplay.h"

#include <algorithm>

#include "entity.h"
#include "entitydef.h"
#include "foundation/color.h"
#include "foundation/rect.h"
#include "gamewindow.h"
#include "services/navigation.h"
#include "text/textgraphic.h"
#include "wgui_animation.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_timer.h"
#include "wgui_transition.h"

namespace Game
{

EatenDisplay::EatenDisplay(GameWindow* game) : game(game)
{
    setName("eatendisplay");
    setMouseMoveToTop(false);
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixAlPos(10, 10);
    setAlign(0, 3);
    setGraphic(WGUI::ImageMaps::get("gui"), 42);
    setOpacitySelf(1.0);
    setVisible(false);
    WGUI::Font* f = getFont();
    text = TTextGraphic::Create(str(""), 98, 32, 5, f ? f->getFontName().c_str() : "",
                                f ? static_cast<unsigned>(f->getHeightPix()) : 10u, TColor(0, 0, 0, 1));
}

EatenDisplay::~EatenDisplay()
{
    TTextGraphic::Destroy(text);
}

void EatenDisplay::setEatenEntity(Entity* e)
{
    if (!e)
        return;
    timeShown = 0;
    imageMap = nullptr;
    cell = -1;
    flipX = flipY = false;
    if (WGUI::Sprite* s = e->getSprite())
        s->getImageMapAndCell(imageMap, cell, flipX, flipY);
    if (EntityDef* d = e->getEntityDef())
    {
        colR = static_cast<float>(d->r);
        colG = static_cast<float>(d->g);
        colB = static_cast<float>(d->b);
        colA = static_cast<float>(d->a);
        effR = static_cast<float>(d->effectR);
        effG = static_cast<float>(d->effectG);
        effB = static_cast<float>(d->effectB);
        effA = static_cast<float>(d->effectA);
        if (text)
            text->SetText(d->displayName);
    }

    WGUI::Transition* t = getTransition();
    if (!t)
    {
        if (!isVisible())
            slideIn();
    }
    else if (t->isOut())
    {
        // Back in as soon as the slide-out ends.
        t->setNextTransition(makeInTransition());
        t->setNextWindow(this);
    }
}

std::unique_ptr<WGUI::Transition> EatenDisplay::makeInTransition()
{
    return makeTransition(WGUI::Transition::kSlideIn, WGUI::Transition::kOpacityIn, 270, 0.2);
}

void EatenDisplay::slideIn()
{
    setTransition(makeInTransition());
}

void EatenDisplay::slideOut()
{
    setTransition(makeTransition(WGUI::Transition::kSlideOut, WGUI::Transition::kOpacityOut, 270, 0.2));
}

void EatenDisplay::updateSelf()
{
    WGUI::Graphic::updateSelf();
    if (game && game->isPaused())
        return;
    const double dt = WGUI::Timer::instance()->getDeltaT();
    timeShown += dt;
    if (timeShown > kShowTime && !getTransition() && isVisible())
        slideOut();
    spinAngle -= 30.0 * dt;
    WGUI::set0To360(spinAngle);
}

void EatenDisplay::tintFor(double r, double g, double b, double& outR, double& outG, double& outB)
{
    double h, s, v;
    WGUI::RGBToHSV(r, g, b, h, s, v);
    WGUI::boundDouble(s, 0.0, 0.3);
    WGUI::boundDouble(v, 0.7, 1.0);
    WGUI::HSVToRGB(h, s, v, outR, outG, outB);
}

double EatenDisplay::pictureScale(int w, int h)
{
    const int m = std::max(w, h);
    return m > 0 ? static_cast<double>(MAX_DISP_SIZE) / m : 1.0;
}

void EatenDisplay::draw()
{
    double r, g, b;
    tintFor(effR, effG, effB, r, g, b);
    setColour(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), 1.0f);
    WGUI::Graphic::draw();

    const int left = getLeft(), right = getRight(), top = getTop(), bottom = getBottom();
    if (text)
    {
        text->SetColor(TColor(0, 0, 0, static_cast<float>(getOpacity())));
        text->Draw(TRect(left + 2, top + 95, left + 10000, top + 10000), 1.0f, -2, 1.0f, nullptr);
    }

    if (imageMap)
    {
        imageMap->setCell(cell);
        const int w = imageMap->getCellWidth();
        const int h = imageMap->getCellHeight();
        const double scale = pictureScale(w, h);
        imageMap->setNormalBlending();
        imageMap->setBlitColour(colR, colG, colB, colA);
        imageMap->blitAlphaRectFxMip((left + right) / 2 - w / 2, (top + bottom) / 2 - h / 2 - 14,
                                     static_cast<float>(spinAngle), static_cast<float>(scale),
                                     static_cast<float>(getOpacity()), flipX, flipY);
    }
}

}  // namespace Game

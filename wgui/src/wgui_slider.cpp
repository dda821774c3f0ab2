// Slider, the progress bars, Graphic and the group boxes.
#include "wgui_slider.h"

#include <cstdlib>

#include "wgui_button.h"
#include "wgui_g2support.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_shapes.h"
#include "wgui_timer.h"

namespace WGUI
{

namespace
{
double clamp01(double v)
{
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

// A knob dragged further than this above or below the slider goes back to where it was taken.
const int kKnobReach = 1000;
}  // namespace

Slider::Slider() : knob(std::make_unique<GraphicButton>()), trackMap(ImageMaps::get("gui"))
{
    knob->setGraphic(trackMap, 30, 32, 31, 33);
    knob->setDragButton(true);
    knob->setListener(this);
    addWindow(knob.get());
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixSize(100, 26);
}

Slider::~Slider()
{
    removeWindow(knob.get());
    knob.reset();
}

void Slider::setSliderValue(double v)
{
    value = clamp01(v);
}

int Slider::getRightWithPad() const
{
    return getPixWidth() - rightMargin - knob->getPixWidth();
}

double Slider::buttonPosToValue(int x) const
{
    const int span = getRightWithPad() - leftMargin;
    // A slider no wider than its knob and margins has no travel.
    if (span <= 0)
        return 0.0;
    return double(x - leftMargin) / span;
}

void Slider::updateSelf()
{
    knob->setPixAlPosY(getPixHeight() / 2 - knob->getPixHeight() / 2);
    if (value != lastReported)
    {
        lastReported = value;
        if (listener)
            listener->sliderValueChanged(this);
    }
    knob->setPixAlPosX(roundToInt((getRightWithPad() - leftMargin) * value) + leftMargin);
    Window::updateSelf();
}

void Slider::buttonPressed(Button*)
{
    grabX = managerMouseX() - knob->getLeft();
    grabY = managerMouseY() - knob->getTop();
    valueAtPress = buttonPosToValue(knob->getPixPosX());
}

void Slider::buttonDragged(int x, int y, Button*)
{
    if (std::abs(y) <= kKnobReach)
        value = buttonPosToValue(x - grabX);
    else
        value = valueAtPress;
    value = clamp01(value);
}

// Held on the track, the knob's centre follows the pointer; held on the knob, the knob's own
// drag message (passed on below) sets the value again, keeping the point where it was taken.
void Slider::messageMouseDrag(int x, int y, int button, bool moved)
{
    const int px = pixParToCurX(x);
    value = clamp01(buttonPosToValue(px - knob->getPixWidth() / 2));
    Window::messageMouseDrag(x, y, button, moved);
}

void Slider::draw()
{
    if (trackMap)
    {
        const int L = getLeft(), R = getRight(), T = getTop(), H = getPixHeight();
        const float alpha = static_cast<float>(getOpacity());
        trackMap->setCell(trackRight);
        const int wr = trackMap->getCellWidth();
        const int y = T + H / 2 - trackMap->getCellHeight() / 2;
        trackMap->setCell(trackLeft);
        const int wl = trackMap->getCellWidth();
        trackMap->setClip(false, 0, 0, 0, 0);
        trackMap->blitAlphaRectFx(L, y, 0.0f, 1.0f, alpha, false, false);
        trackMap->setCell(trackMiddle);
        const int wm = trackMap->getCellWidth();
        if (wm > 0)
        {
            const int from = L + wl, to = R - wr;
            trackMap->setClip(true, from, 0, to, 10000);
            for (int k = 0; k <= (to - from) / wm; ++k)
                trackMap->blitAlphaRectFx(from + k * wm, y, 0.0f, 1.0f, alpha, false, false);
        }
        trackMap->setClip(false, 0, 0, 0, 0);
        trackMap->setCell(trackRight);
        trackMap->blitAlphaRectFx(R - wr, y, 0.0f, 1.0f, alpha, false, false);
    }
    Window::draw();
}

// ---------------------------------------------------------------------------------------------

void ProgressBar::setActualRatioFull(double r)
{
    target = clamp01(r);
}

void ProgressBar::setActualDisplayRatioFull(double r)
{
    target = clamp01(r);
    displayed = target;
}

int ProgressBar::getBarWidth() const
{
    return roundToInt(getPixWidth() * displayed);
}

// Eases toward the target, faster when far from it, and stops exactly on it.
void ProgressBar::updateSelf()
{
    const double d = target - displayed;
    const double speed = d >= 0 ? 0.1 + 4 * d : -0.1 + 4 * d;
    displayed += Timer::instance()->getDeltaT() * speed;
    if (speed > 0)
    {
        if (displayed < 0)
            displayed = 0;
        if (displayed > target)
            displayed = target;
    }
    else
    {
        if (displayed < target)
            displayed = target;
        if (displayed > 1)
            displayed = 1;
    }
    Window::updateSelf();
}

void ProgressBar::draw()
{
    const int L = getLeft(), T = getTop(), R = getRight(), B = getBottom();
    Shapes::drawFillRect(L, T, R, B, 0, 0, 0, 1);
    Shapes::drawFillRect(L + 1, T + 1, L + getBarWidth() + 1, B - 1, 0.5, 0.5, 0.5, 1);
}

GraphicProgressBar::GraphicProgressBar(ImageMap* m, int fl, int fm, int fr, int bl, int bm, int br)
    : map(m), fillLeft(fl), fillMiddle(fm), fillRight(fr), backLeft(bl), backMiddle(bm), backRight(br)
{
}

void GraphicProgressBar::draw()
{
    const int L = getLeft(), R = getRight(), T = getTop();
    drawGraphicBar(L, R, T, backLeft, backMiddle, backRight);
    drawGraphicBar(L, L + getBarWidth(), T, fillLeft, fillMiddle, fillRight);
}

void GraphicProgressBar::drawGraphicBar(int x1, int x2, int y, int left, int middle, int right)
{
    if (!map)
        return;
    map->setBlitColour(1, 1, 1, static_cast<float>(getOpacity()));
    map->setCell(left);
    const int wl = map->getCellWidth(), hl = map->getCellHeight();
    map->setCell(middle);
    const int wm = map->getCellWidth();
    map->setCell(right);
    const int wr = map->getCellWidth(), hr = map->getCellHeight();
    auto blit = [&](int cell, int x)
    {
        map->setCell(cell);
        map->blitAlphaRectFx(x, y, 0.0f, 1.0f, 1.0f, false, false);
    };
    if (wl + wr <= x2 - x1)
    {
        map->setClip(false, 0, 0, 0, 0);
        blit(left, x1);
        if (wm > 0)
        {
            map->setClip(true, x1 + wl, y, x2 - wr, y + 100000);
            const int count = (x2 - wr - (x1 + wl)) / wm + 1;
            for (int k = 0; k < count; ++k)
                blit(middle, x1 + wl + k * wm);
        }
        map->setClip(false, 0, 0, 0, 0);
        blit(right, x2 - wr);
    }
    else
    {
        // Too short for both ends: each end gives up about half of the overlap.
        const int over = wl + wr - (x2 - x1);
        int a = wl - over / 2, b = wr - (over - over / 2);
        a = a < 0 ? 0 : (a > 1000 ? 1000 : a);
        b = b < 0 ? 0 : (b > 1000 ? 1000 : b);
        map->setClip(true, x1, y, x1 + a, y + (hl > 0 ? hl : 0));
        blit(left, x1);
        map->setClip(true, x1 + a, y, x1 + a + b, y + (hr > 0 ? hr : 0));
        blit(right, x1 + a + b - wr);
        map->setClip(false, 0, 0, 0, 0);
    }
}

// ---------------------------------------------------------------------------------------------

void Graphic::setGraphic(ImageMap* map, int c)
{
    imageMap = map;
    cell = c;
    applyNaturalSize();
}

void Graphic::setColour(float r, float g, float b, float a)
{
    colR = r;
    colG = g;
    colB = b;
    colA = a;
}

void Graphic::applyNaturalSize()
{
    if (naturalSize && imageMap)
    {
        imageMap->setCell(cell);
        setPixWidth(imageMap->getCellWidth());
        setPixHeight(imageMap->getCellHeight());
        naturalSize = true;
    }
}

void Graphic::updateSelf()
{
    Window::updateSelf();
    applyNaturalSize();
}

void Graphic::draw()
{
    if (!imageMap)
        return;
    imageMap->setCell(cell);
    imageMap->setClip(false, 0, 0, 0, 0);
    imageMap->setBlitColour(colR, colG, colB, colA);
    const float alpha = static_cast<float>(getOpacity());
    if (naturalSize)
        imageMap->blitAlphaRectFx(getLeft(), getTop(), 0.0f, 1.0f, alpha, false, false);
    else
        imageMap->stretchBlit(getLeft(), getTop(), getRight(), getBottom(), alpha);
    Window::draw();
}

// ---------------------------------------------------------------------------------------------

GroupBox::GroupBox() : client(std::make_unique<Window>())
{
    client->setUseVirtCoordPos(false, false);
    client->setUseVirtCoordDim(false, false);
    Window::addWindow(client.get());
}

GroupBox::~GroupBox()
{
    removeWindow(client.get());
    client.reset();
}

void GroupBox::addWindow(Window* w)
{
    client->addWindow(w);
}

void GroupBox::updateSelf()
{
    Window::updateSelf();
    client->setPixWidth(getPixWidth() - 2);
    client->setPixHeight(getPixHeight() - 2);
    client->setPixAlPos(1, 1);
}

void GroupBox::draw()
{
    Shapes::drawRectEdge(getLeft(), getTop(), getRight(), getBottom(), 1, 1, 1, getOpacity());
    Window::draw();
}

void GraphicGroupBox::draw()
{
    static const int kCells[9] = {12, 13, 14, 15, 16, 17, 18, 19, 20};
    static const int kBorders[4] = {12, 12, 12, 12};
    drawNineCells(ImageMaps::get("gui"), kCells, kBorders, getLeft(), getTop(), getRight(), getBottom(),
                  static_cast<float>(getOpacity()));
    Window::draw();
}

}  // namespace WGUI

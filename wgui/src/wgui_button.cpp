// The buttons: the push-button state machine, TextButton, GraphicButton and CheckBox.
#include "wgui_button.h"

#include "wgui_font.h"
#include "wgui_g2support.h"
#include "wgui_imagemap.h"
#include "wgui_misc.h"
#include "wgui_timer.h"

namespace WGUI
{

namespace
{
// Holding a button repeats once it has been held this long, then whenever this much more
// holding has gathered.
const double kRepeatDelay = 0.5;
const double kRepeatInterval = 0.07;
}  // namespace

Button::Button() = default;

Button::~Button() = default;

// Every handler does its own work only while enabled, and always passes the message on: a
// disabled button still takes part in hit tests, activation and mouse-down tracking.

void Button::updateSelf()
{
    Window::updateSelf();
    if (state != kDisabled && isMouseDownIn())
        repeatTime += Timer::instance()->getDeltaT();
}

void Button::messageMouseMove(int x, int y, int button, bool moved)
{
    if (state != kDisabled)
        setManagerCursorType(MouseCursor::kHand);
    Window::messageMouseMove(x, y, button, moved);
}

void Button::messageMouseDrag(int x, int y, int button, bool moved)
{
    if (state != kDisabled)
    {
        const bool inside = contains(x, y);
        if (dragButton || inside)
            setManagerCursorType(MouseCursor::kHand);
        if (listener)
            listener->buttonDragged(x, y, this);
        if (mouseDownTime > kRepeatDelay && repeatTime > kRepeatInterval && contains(x, y))
        {
            repeatTime = 0;
            if (listener)
                listener->buttonRepeat(this);
        }
    }
    Window::messageMouseDrag(x, y, button, moved);
}

void Button::messageMouseEnter(int x, int y, int button)
{
    if (state != kDisabled)
    {
        if (isMouseDownIn())
            state = kDown;
        else if (button == 0)
            state = kOver;
    }
    Window::messageMouseEnter(x, y, button);
}

void Button::messageMouseExit(int x, int y, int button)
{
    if (state != kDisabled)
    {
        if (!isMouseDownIn())
            state = kUp;
        else if (!dragButton)
            state = kOver;
    }
    Window::messageMouseExit(x, y, button);
}

void Button::messageMousePressed(int x, int y, int button)
{
    if (state != kDisabled)
    {
        if (listener)
            listener->buttonPressed(this);
        state = kDown;
    }
    Window::messageMousePressed(x, y, button);
}

void Button::messageMouseReleased(int x, int y, int button)
{
    if (state != kDisabled)
    {
        if (listener)
            listener->buttonReleased(this);
        state = kOver;
    }
    Window::messageMouseReleased(x, y, button);
}

void Button::messageMouseReleasedOut(int x, int y, int button)
{
    if (state != kDisabled)
        state = kUp;
    Window::messageMouseReleasedOut(x, y, button);
}

void Button::messageMouseDrop(int x, int y, int button)
{
    if (state != kDisabled)
        state = kOver;
    Window::messageMouseDrop(x, y, button);
}

// ---------------------------------------------------------------------------------------------

TextButton::~TextButton() = default;

void TextButton::draw()
{
    const int L = getLeft(), T = getTop(), R = getRight(), B = getBottom();
    const int W = getPixWidth(), H = getPixHeight();
    const float alpha = static_cast<float>(getOpacity());
    int cells[9], borders[4];
    buttonSkinCells(state, cells, borders);
    drawNineCells(buttonSkinMap(), cells, borders, L, T, R, B, alpha);

    Font* f = getFont();
    const int d = state == kDown ? 1 : 0;
    // The text's room is the face up to the middle of the skin's side borders (the borders are
    // rounded; their inner half is still face), less the icon beside it.
    const int iw = iconMap ? (iconMap->setCell(iconCell), iconMap->getWidth() + 5) : 0;
    const int room = W - (borders[0] + borders[1]) / 2 - iw;
    const int textWidth =
        (f && !text.empty()) ? Font::fittedWidth(f->getStringWidth(text), room > 0 ? room : 1) : 0;
    int textX = L + (W - textWidth) / 2;
    if (iconMap)
    {
        const int ih = iconMap->getHeight();
        const int xi = L + (W - (iw + textWidth)) / 2;
        iconMap->blitAlphaRectFx(xi + d, T + (H - ih) / 2 + d, 0.0f, 1.0f, alpha, false, false);
        textX = xi + iw;
    }
    if (f && !text.empty())
    {
        const double grey = state == kDisabled ? 0.5 : 0.0;
        f->setColour(grey, grey, grey, getOpacity());
        f->drawStringInBox(text, textX + d, textX + d + textWidth, T + (H - f->getHeightPix()) / 2 + d,
                           Font::kFromLeft);
    }
    Window::draw();
}

// ---------------------------------------------------------------------------------------------

GraphicButton::GraphicButton()
{
    for (auto& c : colours)
        for (double& v : c)
            v = 1.0;
}

GraphicButton::~GraphicButton() = default;

void GraphicButton::setGraphic(ImageMap* map, int up, int down, int over, int disabled)
{
    imageMap = map;
    cells[kUp] = up;
    cells[kDown] = down;
    cells[kOver] = over;
    cells[kDisabled] = disabled;
}

void GraphicButton::setShiftOnDown(int x, int y)
{
    shiftX = x;
    shiftY = y;
}

void GraphicButton::setUpColor(double r, double g, double b, double a)
{
    colours[kUp][0] = r;
    colours[kUp][1] = g;
    colours[kUp][2] = b;
    colours[kUp][3] = a;
}

void GraphicButton::setDisabledColor(double r, double g, double b, double a)
{
    colours[kDisabled][0] = r;
    colours[kDisabled][1] = g;
    colours[kDisabled][2] = b;
    colours[kDisabled][3] = a;
}

void GraphicButton::setCurrentCell()
{
    if (!imageMap || state < kUp || state > kDisabled)
        return;
    imageMap->setCell(cells[state]);
    const double* c = colours[state];
    imageMap->setBlitColour(static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]),
                            static_cast<float>(c[3]));
}

void GraphicButton::updateSelf()
{
    Button::updateSelf();
    if (naturalSize && imageMap)
    {
        setCurrentCell();
        setPixWidth(imageMap->getCellWidth());
        setPixHeight(imageMap->getCellHeight());
        naturalSize = true;
    }
}

void GraphicButton::draw()
{
    if (imageMap)
    {
        setCurrentCell();
        imageMap->setClip(false, 0, 0, 0, 0);
        const int sx = state == kDown ? shiftX : 0, sy = state == kDown ? shiftY : 0;
        const float alpha = static_cast<float>(getOpacity());
        if (naturalSize)
            imageMap->blitAlphaRectFx(getLeft() + sx, getTop() + sy, 0.0f, 1.0f, alpha, false, false);
        else
            imageMap->stretchBlit(getLeft() + sx, getTop() + sy, getRight() + sx, getBottom() + sy, alpha);
    }
    Window::draw();
}

// ---------------------------------------------------------------------------------------------

CheckBox::CheckBox() : imageMap(ImageMaps::get("checkbox"))
{
    // The box is its own button's listener; setListener sets the outer one.
    Button::setListener(this);
}

CheckBox::~CheckBox() = default;

void CheckBox::buttonReleased(Button* b)
{
    selected = !selected;
    if (outerListener)
        outerListener->buttonReleased(b);
}

void CheckBox::buttonPressed(Button* b)
{
    if (outerListener)
        outerListener->buttonPressed(b);
}

void CheckBox::buttonRepeat(Button* b)
{
    if (outerListener)
        outerListener->buttonRepeat(b);
}

void CheckBox::setCurrentCell()
{
    if (!imageMap || state < kUp || state > kDisabled)
        return;
    imageMap->setCell(boxCells[state]);
}

void CheckBox::updateSelf()
{
    Button::updateSelf();
    setCurrentCell();
    Font* f = getFont();
    const int cw = imageMap ? imageMap->getCellWidth() : 0;
    const int ch = imageMap ? imageMap->getCellHeight() : 0;
    const int fh = f ? f->getHeightPix() : 0;
    setPixWidth((f ? f->getStringWidth(text) : 0) + cw + textGap);
    setPixHeight(fh > ch ? fh : ch);
}

void CheckBox::draw()
{
    const double opacity = getOpacity();
    const double factor = isEnabled() ? 1.0 : 0.5;
    const int x = getLeft();
    const int middle = (getTop() + getBottom()) / 2;
    int cellWidth = 0;
    if (imageMap)
    {
        setCurrentCell();
        imageMap->setClip(false, 0, 0, 0, 0);
        const int y = middle - imageMap->getCellHeight() / 2;
        imageMap->blitAlphaRectFx(x, y, 0.0f, 1.0f, static_cast<float>(opacity), false, false);
        if (selected)
        {
            imageMap->setCell(tickCell);
            imageMap->blitAlphaRectFx(x, y, 0.0f, 1.0f, static_cast<float>(factor * opacity), false, false);
        }
        // The width of the last selected cell (the tick once it was drawn).
        cellWidth = imageMap->getCellWidth();
    }
    if (Font* f = getFont())
    {
        if (!text.empty())
        {
            f->setColour(0, 0, 0, factor * opacity);
            f->drawStringFromLeft(text, x + cellWidth + textGap, middle - f->getHeightPix() / 2);
        }
    }
    Window::draw();
}

}  // namespace WGUI

// FancyWindow: the skinned dialog frame.
#include "wgui_fancywindow.h"

#include "wgui_button.h"
#include "wgui_font.h"
#include "wgui_imagemap.h"
#include "wgui_manager.h"

namespace WGUI
{

namespace
{

int metric(int i)
{
    static const int defaults[9] = {26, 26, 30, 26, 26, 30, 4, 2, 25};
    return Manager::hasInstance() ? Manager::instance()->getSkinMetric(i) : defaults[i];
}

int cellW(ImageMap* map, int cell)
{
    const Cell* c = map->getCellAt(cell);
    return c ? c->getWidth() : 0;
}

int cellH(ImageMap* map, int cell)
{
    const Cell* c = map->getCellAt(cell);
    return c ? c->getHeight() : 0;
}

void blit(ImageMap* map, int cell, int x, int y, double opacity)
{
    map->setCell(cell);
    map->blitAlphaRectFx(x, y, 0, 1, static_cast<float>(opacity), false, false);
}

// Repeats a cell across [x1, x2) at y, clipped to the run. A cell without width draws nothing.
void tileAcross(ImageMap* map, int cell, int x1, int x2, int y, double opacity)
{
    int w = cellW(map, cell);
    int h = cellH(map, cell);
    if (w <= 0 || h <= 0 || x2 <= x1)
        return;
    map->setClip(true, x1, y, x2, y + h);
    for (int x = x1; x < x2; x += w)
        blit(map, cell, x, y, opacity);
    map->setClip(false, 0, 0, 0, 0);
}

// Repeats a cell down [y1, y2) at x, clipped to the run.
void tileDown(ImageMap* map, int cell, int x, int y1, int y2, double opacity)
{
    int w = cellW(map, cell);
    int h = cellH(map, cell);
    if (w <= 0 || h <= 0 || y2 <= y1)
        return;
    map->setClip(true, x, y1, x + w, y2);
    for (int y = y1; y < y2; y += h)
        blit(map, cell, x, y, opacity);
    map->setClip(false, 0, 0, 0, 0);
}

}  // namespace

FancyWindow::FancyWindow(bool hasTitle, str title) : hasTitle(hasTitle), title(title)
{
}

void FancyWindow::setTitle(str t)
{
    title = t;
    hasTitle = !t.empty();
}

void FancyWindow::draw()
{
    if (!isVisible() || !getWasVisible())
        return;
    if (!guiLooked)
    {
        guiMap = ImageMaps::get("gui");
        guiLooked = true;
    }
    if (guiMap)
    {
        ImageMap* map = guiMap;
        double o = getOpacity();
        int L = getLeft(), T = getTop(), R = getRight(), B = getBottom();
        int insetL = metric(0), insetR = metric(3), insetB = metric(4);
        int insetT = hasTitle ? metric(2) : metric(1);

        // Centre.
        int cw = cellW(map, kCentre), ch = cellH(map, kCentre);
        if (cw > 0 && ch > 0)
        {
            map->setClip(true, L + insetL, T + insetT, R - insetR, B - insetB);
            int cols = (pixWidth - insetL - insetR) / cw + 1;
            int rows = (pixHeight - insetT - insetB) / ch + 1;
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < cols; ++c)
                    blit(map, kCentre, L + insetL + c * cw, T + insetT + r * ch, o);
            map->setClip(false, 0, 0, 0, 0);
        }

        // Top band.
        int topLeft = hasTitle ? kTitleLeft : kTopLeft;
        int topRight = hasTitle ? kTitleRight : kTopRight;
        int topMiddle = hasTitle ? kTitleMiddle : kTopEdge;
        blit(map, topLeft, L, T, o);
        blit(map, topRight, R - cellW(map, topRight), T, o);
        tileAcross(map, topMiddle, L + cellW(map, topLeft), R - cellW(map, topRight), T, o);
        if (hasTitle)
        {
            if (Font* f = getFont())
            {
                f->setColour(0, 0, 0, o);
                if (metric(6) != 0)
                    f->drawStringInBox(title, L + metric(8), R - metric(8), T + metric(7), Font::kCentred);
                else
                    f->drawStringInBox(title, L + metric(8), R - metric(8), T + metric(7), Font::kFromLeft);
            }
        }

        // Bottom corners.
        blit(map, kBottomRight, R - cellW(map, kBottomRight), B - cellH(map, kBottomRight), o);
        blit(map, kBottomLeft, L, B - cellH(map, kBottomLeft), o);

        // Edges.
        tileDown(map, kRightEdge, R - cellW(map, kRightEdge), T + cellH(map, topRight),
                 B - cellH(map, kBottomRight), o);
        tileAcross(map, kBottomEdge, L + cellW(map, kBottomLeft), R - cellW(map, kBottomRight),
                   B - cellH(map, kBottomEdge), o);
        tileDown(map, kLeftEdge, L, T + cellH(map, topLeft), B - cellH(map, kBottomLeft), o);
    }
    Window::draw();
}

// ---- ToggleButtonGroup ------------------------------------------------------------------------

ToggleButtonGroup::~ToggleButtonGroup()
{
    clear();
}

int ToggleButtonGroup::addButton(Button* b)
{
    if (!b)
        return -1;
    buttons.emplace_back(b);
    b->setListener(this);
    addWindow(b);
    if (buttons.size() == 1)
        selected = 0;
    return static_cast<int>(buttons.size()) - 1;
}

int ToggleButtonGroup::addButton(std::unique_ptr<Button> b)
{
    return addButton(b.release());
}

Button* ToggleButtonGroup::getButton(int i) const
{
    if (i < 0 || i >= static_cast<int>(buttons.size()))
        return nullptr;
    return buttons[static_cast<size_t>(i)].get();
}

Button* ToggleButtonGroup::getSelectedButton() const
{
    return getButton(selected);
}

int ToggleButtonGroup::getButtonIndex(const Button* b) const
{
    for (size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i].get() == b)
            return static_cast<int>(i);
    return -1;
}

void ToggleButtonGroup::clear()
{
    std::vector<std::unique_ptr<Button>> old;
    old.swap(buttons);
    for (std::unique_ptr<Button>& b : old)
    {
        removeWindow(b.get());
        b.reset();
    }
    selected = -1;
}

void ToggleButtonGroup::updateSelf()
{
    if (Button* b = getSelectedButton())
        b->setState(1);
    Window::updateSelf();
}

void ToggleButtonGroup::buttonReleased(Button* b)
{
    selected = getButtonIndex(b);
    for (size_t i = 0; i < buttons.size(); ++i)
        buttons[i]->setState(static_cast<int>(i) == selected ? 1 : 0);
}

}  // namespace WGUI

#include "playernamebutton.h"

#include "wgui_font.h"
#include "wgui_shapes.h"

void PlayerNameButton::draw()
{
    const int l = getLeft(), r = getRight(), t = getTop(), b = getBottom();
    const double a = getOpacity();
    WGUI::Font* f = getFont();
    double textAlpha = a;

    switch (getState())
    {
    case kDown:
        WGUI::Shapes::drawFillRect(l, t, r, b, 1.0, 1.0, 1.0, a);
        WGUI::Shapes::drawRectEdge(l, t, r, b, 0.0, 0.0, 0.3, a);
        WGUI::Shapes::drawRectEdge(l + 1, t + 1, r - 1, b - 1, 0.0, 0.0, 0.3, a);
        break;
    case kOver:
        WGUI::Shapes::drawRectEdge(l, t, r, b, 0.0, 0.0, 0.3, a);
        WGUI::Shapes::drawRectEdge(l + 1, t + 1, r - 1, b - 1, 0.0, 0.0, 0.3, a);
        break;
    case kDisabled:
        textAlpha = 0.5 * a;
        break;
    default:
        break;
    }

    if (f)
    {
        f->setColour(0.0, 0.0, 0.0, textAlpha);
        // Centred with integer halves, so a name wider than the row overhangs both sides alike.
        const int x = l + (getPixWidth() - f->getStringWidth(text)) / 2;
        const int y = t + (getPixHeight() - f->getHeightPix()) / 2;
        if (!text.empty())
            f->drawStringFromLeft(text, x, y);
    }
    WGUI::Button::draw();
}

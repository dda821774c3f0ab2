// A profile-list row: one name as centred text on a state frame.
#include "playernamebutton.h"

#include "wgui_font.h"
#include "wgui_shapes.h"

namespace Game
{

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
    case kDisabled: textAlpha = 0.5 * a; break;
    default: break;
    }

    if (f)
    {
        f->setColour(0.0, 0.0, 0.0, textAlpha);
        // Centred in the row inside its frame; a name wider than that is drawn smaller.
        const int y = t + (getPixHeight() - f->getHeightPix()) / 2;
        if (!text.empty())
            f->drawStringInBox(text, l + 3, l + getPixWidth() - 3, y, WGUI::Font::kCentred);
    }
    WGUI::Button::draw();
}

}  // namespace Game

// The front end's string-table look-up and widget placing.
#include "frontendutil.h"

#include "app/platform.h"
#include "wgui_font.h"
#include "wgui_window.h"

namespace Game::Frontend
{

void place(WGUI::Window* w, int x, int y, int h, int v, int width, int height)
{
    w->setPixAlPos(x, y);
    w->setAlign(h, v);
    if (width >= 0)
        w->setPixWidth(width);
    if (height >= 0)
        w->setPixHeight(height);
}

void setUpScreen(WGUI::Window* w, const str& name, int width, int height)
{
    w->setName(name);
    w->setAlwaysActive(false);
    w->setMouseMoveToTop(false);
    w->setUseVirtCoordPos(false, false);
    w->setUseVirtCoordDim(false, false);
    w->setPixWidth(width);
    w->setPixHeight(height);
    w->setAlign(WGUI::Window::kAlignCenter, WGUI::Window::kAlignCenter);
}

str text(const str& key, const str& a1, const str& a2)
{
    return WGUI::StringTable::instance()->getString(key, a1, a2);
}

str gameVersion()
{
    return TPlatform::GetConfig(str(TPlatform::kGameVersion));
}

}  // namespace Game::Frontend

// What the widgets and image code ask of the manager and the library's services.
#include "wgui_g2support.h"

#include "render/renderer.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_manager.h"
#include "wgui_misc.h"

namespace WGUI
{

str graphicsFolder()
{
    return Pathnames::instance()->getGraphics();
}

bool fileExistsName(const str& name)
{
    return fileExists(name);
}

void setManagerBlendMode(int mode)
{
    if (Manager::hasInstance())
    {
        Manager::instance()->setGlobalBlendMode(mode);
        return;
    }
    // No manager: set the renderer directly (0 normal, 1 additive).
    if (TRenderer::HasInstance() && (mode == 0 || mode == 1))
        TRenderer::GetInstance()->SetBlendMode(mode == 0 ? TRenderer::kBlendAlpha
                                                         : TRenderer::kBlendAdditive);
}

void setManagerCursorType(int type)
{
    if (Manager::hasInstance())
        if (MouseCursor* cursor = Manager::instance()->getMouseCursor())
            cursor->setCursorType(type);
}

int managerMouseX()
{
    return Manager::hasInstance() ? Manager::instance()->getMouseX() : 0;
}

int managerMouseY()
{
    return Manager::hasInstance() ? Manager::instance()->getMouseY() : 0;
}

ImageMap* buttonSkinMap()
{
    if (Manager::hasInstance())
        return Manager::instance()->getButtonMap();
    return ImageMaps::get("button");
}

// Per state s the eight frame pieces are cells 9s .. 9s + 7, the centre 9s + 8, and every
// border is 12 pixels.
void buttonSkinCells(int state, int cells[9], int borders[4])
{
    if (state < 0 || state > 3)
        state = 0;
    for (int i = 0; i < 9; ++i)
        cells[i] = Manager::hasInstance() ? Manager::instance()->getButtonCell(state, i) : 9 * state + i;
    for (int i = 0; i < 4; ++i)
        borders[i] = Manager::hasInstance() ? Manager::instance()->getButtonCell(state, 9 + i) : 12;
}

}  // namespace WGUI

// Small helpers the scripted widgets share.
#include "bridge/widgetsupport.h"

#include "bridge/luawindowscript.h"
#include "window/window.h"
#include "window/windowmanager.h"

namespace widgets
{

void Invalidate()
{
    if (TWindowManager* manager = TWindowManager::GetInstance())
        manager->InvalidateScreen();
}

static TLuaWindowScript* Script()
{
    TWindowManager* manager = TWindowManager::GetInstance();
    return manager ? dynamic_cast<TLuaWindowScript*>(manager->GetScript()) : nullptr;
}

bool SwapStringTable(bool enable)
{
    TLuaWindowScript* script = Script();
    return script ? script->SetStringTableEnabled(enable) : false;
}

bool ShownWithinModal(const TWindow* window)
{
    for (const TWindow* w = window; w; w = w->GetParent())
    {
        if (!(w->GetFlags() & TWindow::kShown))
            return false;
        if (w->GetFlags() & TWindow::kModal)
            return true;
    }
    return false;
}

}  // namespace widgets

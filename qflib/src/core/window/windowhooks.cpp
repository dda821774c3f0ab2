// The window manager's hooks into the platform facade.
#include "window/windowhooks.h"

#include "app/seams.h"
#include "window/modalwindow.h"
#include "window/windowmanager.h"
#include "window/windowscript.h"

namespace
{

TWindowScriptFactory gScriptFactory = nullptr;

class TWindowManagerHooks : public TWindowHooks
{
public:
    TWindowManager* CreateWindowManager() override { return new TWindowManager(); }
    void DeleteWindowManager(TWindowManager* manager) override { delete manager; }
    lua_State* AttachWindowScript(TWindowManager* manager) override
    {
        if (!manager || !gScriptFactory)
            return nullptr;
        TWindowScript* script = gScriptFactory();
        manager->AttachWindowScript(script);
        return script ? script->GetEngineState() : nullptr;
    }
    void EnableStringTable(TWindowManager* manager, bool enable) override
    {
        if (manager)
            manager->EnableStringTable(enable);
    }
    void CloseRequested(TWindowManager* manager) override
    {
        if (manager && manager->GetScript())
            manager->GetScript()->CloseRequested();
    }
    void InvalidateScreen(TWindowManager* manager) override
    {
        if (manager)
            manager->InvalidateScreen();
    }
    unsigned IdleQuietMs(TWindowManager* manager, unsigned limit) override
    {
        return manager ? manager->IdleQuietMs(limit) : 0;
    }
    void EnsureScreen(TWindowManager* manager, unsigned width, unsigned height) override
    {
        if (!manager || manager->GetScreen())
            return;
        TScreen* screen = new TScreen();
        manager->SetScreen(screen);
        // The display is set after this; the screen takes the size being set, not the old
        // viewport's.
        screen->SetWindowSize(width, height);
    }
};

}  // namespace

void InstallWindowHooks()
{
    TPlatformHooks::InstallWindow(new TWindowManagerHooks());
}

void SetWindowScriptFactory(TWindowScriptFactory factory)
{
    gScriptFactory = factory;
}

// Runs the input as a chunk in the window script (attached to a window manager with a screen),
// then delivers the messages it posted and resumes its coroutine for a few passes. A budget of
// instructions, of errors caught by the script (each costs the sanitizers far more than an
// instruction) and of memory keeps every input finite.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bridge/luawindowscript.h"
#include "bridge_driver.h"
#include "budget_alloc.h"
#include "foundation/debug.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "scriptengine/api.h"
#include "scriptengine/auxlib.h"
#include "window/message.h"
#include "window/modalwindow.h"
#include "window/windowmanager.h"

namespace
{

struct Setup
{
    Setup()
    {
        qfSetDbgSink([](const char*) {});
        TBudgetAlloc::sLimit = size_t(48) << 20;
        luaHelper_defaultAlloc = &TBudgetAlloc::Alloc;
        auto handler = std::make_unique<TRecordingDisplayHandler>();
        handler->SetDisplay(640, 480, false, false, false, false);
        TRenderer::CreateInstance(std::move(handler));
        TRenderer::GetInstance()->PushClippingRectangle(TURect(0, 0, 640, 480));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup setup;
    TBudgetAlloc::sAllocated = 0;
    TBudgetAlloc::sBuilt = 0;
    {
        TWindowManager manager;
        TScreen* screen = new TScreen();
        manager.SetScreen(screen);
        screen->SetWindowSize(640, 480);
        auto* script = new TLuaWindowScript(nullptr);
        manager.AttachWindowScript(script);
        lua_State* L = script->GetState();
        bridgedriver::Budget budget;
        budget.hookEvery = 1000;
        budget.hookCalls = 300;
        budget.caughtErrors = 200;
        bridgedriver::Limits::Install(L, budget);

        const std::string text(reinterpret_cast<const char*>(data), size);
        script->RunChunk(str(text.c_str()), str("fuzz"));
        for (int pass = 0; pass < 8 && manager.GetScript(); pass++)
        {
            manager.DispatchMessages();
            if (manager.GetScript() && script->Ready(TTask::kContextIdle))
                script->DoTask();
            if (pass == 3 && manager.GetScript())
                script->OnMessage(new TMessage(TMessage::kPressAnyKey, str("key")), nullptr);
        }
        manager.ClearDestroyedWindows();
    }
    return 0;
}

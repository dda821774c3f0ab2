// The script bridge driven statefully: the input is a sequence of (operation, argument) byte pairs,
// up to 10,000 of them, each one step of the bridge driver (scripts making and destroying windows,
// messages, coroutines, timed waits, handles and raising finalisers; native code delivering,
// pressing, deleting windows and collecting). The driver's budget caps instructions and errors
// caught by scripts; a memory limit keeps every input finite.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "bridge_driver.h"
#include "budget_alloc.h"
#include "foundation/debug.h"
#include "recordinghandler.h"
#include "render/renderer.h"

namespace
{

const size_t kMaxSteps = 10000;

struct Setup
{
    Setup()
    {
        qfSetDbgSink([](const char*) {});
        TBudgetAlloc::sLimit = size_t(64) << 20;
        luaHelper_defaultAlloc = &TBudgetAlloc::Alloc;
        InstallScriptedWidgets();
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
    bridgedriver::Budget budget;
    budget.hookCalls = 2000;
    budget.caughtErrors = 200;
    bridgedriver::Driver driver(budget);
    for (size_t i = 0; i + 1 < size && i / 2 < kMaxSteps && driver.Script(); i += 2)
        driver.Step(data[i], data[i + 1]);
    return 0;
}

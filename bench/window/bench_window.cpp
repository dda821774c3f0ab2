// Routing one mouse event through a tree of 1,000 windows, and one redraw pass of a stack of
// 300 windows on the recording display handler.
#include <benchmark/benchmark.h>

#include <memory>

#include "foundation/clock.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "window/modalwindow.h"
#include "window/window.h"
#include "window/windowmanager.h"

namespace
{

uint32_t gNow = 1000;

// A window that fills its rectangle and declines every event, so events bubble all the way.
class Panel : public TWindow
{
public:
    void Draw() override
    {
        TRenderer::GetInstance()->FillRect(
            TURect(0, 0, uint32_t(GetWindowWidth()), uint32_t(GetWindowHeight())),
            TColor(0.5f, 0.5f, 0.5f, 1), nullptr);
    }
};

struct Harness
{
    Harness()
    {
        qfSetTimeSource([]() { return gNow; });
        auto owned = std::make_unique<TRecordingDisplayHandler>();
        handler = owned.get();
        handler->SetDisplay(1024, 768, false, false, false, false);
        TRenderer::CreateInstance(std::move(owned));
        TRenderer::GetInstance()->PushClippingRectangle(TURect(0, 0, 1024, 768));
        manager = new TWindowManager();
        screen = new TScreen();
        screen->SetWindowSize(1024, 768);
        manager->SetScreen(screen);
    }
    ~Harness()
    {
        delete manager;
        TRenderer::ShutDown();
        qfSetTimeSource(TTimeSource());
    }
    TRecordingDisplayHandler* handler;
    TWindowManager* manager;
    TScreen* screen;
};

Panel* AddPanel(TWindow* parent, int x, int y, int w, int h)
{
    auto* p = new Panel();
    p->SetWindowPos(x, y);
    p->SetWindowSize(unsigned(w), unsigned(h));
    parent->AdoptChild(p, false);
    return p;
}

void BM_RouteMouseEventThrough1000Windows(benchmark::State& state)
{
    Harness h;
    TModalWindow* layer = new TModalWindow();
    h.manager->PushModal(layer);
    // 100 overlapping panels of 9 nested children each: 1,000 windows. The point lies in every
    // panel, so an unhandled event bubbles through each sibling behind in turn.
    int count = 0;
    for (int i = 0; i < 100; ++i)
    {
        Panel* p = AddPanel(layer, i, i, 800, 600);
        ++count;
        TWindow* parent = p;
        for (int j = 0; j < 9; ++j)
        {
            parent = AddPanel(parent, 1, 1, 700 - j * 10, 500 - j * 10);
            ++count;
        }
    }
    TEvent e(TEvent::kMouseMoved, 0, 400, 300, 0);
    for (auto _ : state)
    {
        h.manager->HandleEvent(&e);
    }
    state.counters["windows"] = count;
}
BENCHMARK(BM_RouteMouseEventThrough1000Windows);

void BM_RedrawPassOf300WindowStack(benchmark::State& state)
{
    Harness h;
    // 10 layers above the screen, 30 windows each (in rows of nested pairs): 300 windows.
    int count = 0;
    for (int l = 0; l < 10; ++l)
    {
        TModalWindow* layer = new TModalWindow();
        h.manager->PushModal(layer);
        for (int i = 0; i < 15; ++i)
        {
            Panel* p = AddPanel(layer, 20 * i, 10 * l, 100, 80);
            AddPanel(p, 5, 5, 50, 40);
            count += 2;
        }
    }
    size_t fills = 0;
    for (auto _ : state)
    {
        h.manager->InvalidateScreen();
        gNow += 12;
        h.manager->DrawStack();
        fills = h.handler->calls.size();
        h.handler->calls.clear();
    }
    state.counters["windows"] = count;
    state.counters["fills"] = double(fills);
}
BENCHMARK(BM_RedrawPassOf300WindowStack);

}  // namespace

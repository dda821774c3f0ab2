// TRenderHost: what the renderer asks of the platform.
#include "render/renderhost.h"

#include <chrono>

#include "render/displayhandler.h"
#include "render/renderer.h"

namespace
{

TRenderHost gDefaultHost;
TRenderHost* gHost = nullptr;
THudTextDrawer gHudDraw = nullptr;
THudTextRelease gHudRelease = nullptr;

}  // namespace

unsigned TRenderHost::Timer()
{
    using namespace std::chrono;
    static const steady_clock::time_point start = steady_clock::now();
    return static_cast<unsigned>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

bool TRenderHost::BeginDraw(bool keep)
{
    TDisplayHandler* handler = TRenderer::GetInstance()->GetDisplayHandler();
    return handler && handler->BeginDraw(keep);
}

void TRenderHost::EndDraw(bool show)
{
    TRenderer* renderer = TRenderer::GetInstance();
    renderer->RunCapture();
    if (TDisplayHandler* handler = renderer->GetDisplayHandler())
        handler->EndDraw(show);
}

bool TRenderHost::GetScreenSize(int* width, int* height)
{
    (void)width;
    (void)height;
    return false;
}

bool TRenderHost::GetCursorPosition(TPoint* where)
{
    (void)where;
    return false;
}

void TRenderHost::DrawHudText(const str& text)
{
    if (gHudDraw)
        gHudDraw(text);
}

void SetHudTextDrawer(THudTextDrawer draw, THudTextRelease release)
{
    gHudDraw = draw;
    gHudRelease = release;
}

void ReleaseHudText()
{
    if (gHudRelease)
        gHudRelease();
}

void SetRenderHost(TRenderHost* host)
{
    gHost = host;
}

TRenderHost& GetRenderHost()
{
    return gHost ? *gHost : gDefaultHost;
}

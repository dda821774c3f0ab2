// The renderer's hooks into the platform layer, both ways.
#include "render/renderhooks.h"

#include <cstring>

#include "app/backend.h"
#include "app/platform.h"
#include "app/platformdata.h"
#include "app/seams.h"
#include "render/displayhandler.h"
#include "render/imageloaders.h"
#include "render/gl/gldisplayhandler.h"
#include "render/renderer.h"
#include "render/renderhost.h"
#include "render/texture.h"

namespace
{

TPlatformData* PlatformData()
{
    TPlatform* platform = TPlatform::GetInstance();
    return platform ? platform->GetData() : nullptr;
}

// The renderer's view of the platform. Without a platform object (tests) it behaves as the
// default host.
class TPlatformRenderHost : public TRenderHost
{
public:
    unsigned Timer() override { return TPlatform::GetInstance() ? TPlatform::Timer() : TRenderHost::Timer(); }

    bool BeginDraw(bool keep) override
    {
        TPlatformData* data = PlatformData();
        return data ? data->BeginDraw(keep) : TRenderHost::BeginDraw(keep);
    }

    void EndDraw(bool show) override
    {
        if (TPlatformData* data = PlatformData())
            data->EndDraw(show);
        else
            TRenderHost::EndDraw(show);
    }

    void SwapBuffers() override
    {
        if (TPlatformData* data = PlatformData())
            data->SwapBuffers();
    }

    bool CanShowParts() override
    {
        TPlatformData* data = PlatformData();
        return data && data->GetBackend() && data->GetBackend()->CanShowParts();
    }

    void ShowPart(int x, int y, int width, int height) override
    {
        if (TPlatformData* data = PlatformData())
            if (TBackend* backend = data->GetBackend())
                backend->ShowPart(x, y, width, height);
    }

    bool CanPutPixels() override
    {
        TPlatformData* data = PlatformData();
        return data && data->GetBackend() && data->GetBackend()->CanPutPixels();
    }

    void PutPixels(int x, int y, int width, int height, const uint32_t* pixels) override
    {
        if (TPlatformData* data = PlatformData())
            if (TBackend* backend = data->GetBackend())
                backend->PutPixels(x, y, width, height, pixels);
    }

    bool GetCursorPosition(TPoint* where) override
    {
        TPlatformData* data = PlatformData();
        if (!data || !data->GetBackend() || !data->IsForeground() || !data->IsGameCursorShown() ||
            !data->IsMouseInContent())
            return false;
        int32_t x = 0, y = 0;
        data->GetBackend()->GetMouse(&x, &y);
        *where = TPoint(x, y);
        return true;
    }

    bool IsFullscreen() override
    {
        TPlatformData* data = PlatformData();
        return data && data->IsFullscreen();
    }

    bool GetDrawableSize(int* width, int* height) override
    {
        TPlatformData* data = PlatformData();
        if (!data || !data->GetBackend())
            return false;
        unsigned w = 0, h = 0;
        data->GetBackend()->GetDrawableSize(&w, &h);
        if (!w || !h)
            return false;
        *width = static_cast<int>(w);
        *height = static_cast<int>(h);
        return true;
    }
};

TDisplayHandler* Handler()
{
    return TRenderer::GetInstance()->GetDisplayHandler();
}

// The platform's view of the renderer.
class TRenderPlatformHooks : public TRenderHooks
{
public:
    // Start-up builds the renderer on the OpenGL display handler, unless a test made one with
    // a display handler of its own.
    void EnsureRenderer() override
    {
        if (!TRenderer::HasInstance())
            TRenderer::CreateInstance(TGLDisplayHandler::CreateInstance());
    }

    void RebuildDisplay() override
    {
        if (TDisplayHandler* handler = Handler())
            handler->RebuildDisplay();
    }

    void SetDisplay(unsigned width, unsigned height, bool fullscreen) override
    {
        if (TDisplayHandler* handler = Handler())
            handler->SetDisplay(static_cast<int>(width), static_cast<int>(height), fullscreen, false, false,
                                false);
    }

    void GetDisplay(unsigned* width, unsigned* height, bool* fullscreen) override
    {
        int w = 0, h = 0;
        bool full = false;
        if (TDisplayHandler* handler = Handler())
            handler->GetDisplay(&w, &h, &full);
        if (width)
            *width = static_cast<unsigned>(w > 0 ? w : 0);
        if (height)
            *height = static_cast<unsigned>(h > 0 ? h : 0);
        if (fullscreen)
            *fullscreen = full;
    }

    void DrawStartupFrame(unsigned width, unsigned height) override
    {
        TRenderer* renderer = TRenderer::GetInstance();
        if (!renderer->BeginDraw(false))
            return;
        if (renderer->Begin2d())
        {
            renderer->FillRect(TURect(0, 0, width, height), TColor(0, 0, 0, 0), nullptr);
            renderer->End2d();
        }
        renderer->EndDraw(true);
    }

    void LoadSystemCursor() override
    {
        std::shared_ptr<TTexture> cursor = TTexture::GetSimple("__systemcursor__.png");
        if (cursor)
            SetCursor(cursor, TPoint(1, 1), false);
    }

    // A PNG picture, out of the loader's padded square into rows of its own width.
    bool LoadPicture(const char* name, std::vector<uint32_t>* pixels, unsigned* width,
                     unsigned* height) override
    {
        unsigned char* data = nullptr;
        int w = 0, h = 0, stride = 0, hasAlpha = 0;
        if (!EzPngLoadImage(name, &data, &w, &h, &stride, &hasAlpha) || !data || w <= 0 || h <= 0)
        {
            EzPngFreeImage(data);
            return false;
        }
        pixels->assign(size_t(w) * size_t(h), 0);
        for (int y = 0; y < h; ++y)
            memcpy(pixels->data() + size_t(y) * size_t(w), data + size_t(y) * size_t(stride) * 4,
                   size_t(w) * 4);
        EzPngFreeImage(data);
        *width = unsigned(w);
        *height = unsigned(h);
        return true;
    }

    void ReplaceClipping(unsigned width, unsigned height) override
    {
        TRenderer* renderer = TRenderer::GetInstance();
        renderer->PopClippingRectangle();
        renderer->SetClippingRectangle(TURect(0, 0, width, height));
    }

    void PushDisplayClipping(unsigned width, unsigned height) override
    {
        TRenderer* renderer = TRenderer::GetInstance();
        renderer->PopClippingRectangle();
        renderer->PushClippingRectangle(TURect(0, 0, width, height));
    }

    void ToggleHUD() override { TRenderer::GetInstance()->ToggleHUD(); }

    void SetCursor(std::shared_ptr<TTexture> texture, const TPoint& hotSpot, bool flag) override
    {
        if (TDisplayHandler* handler = Handler())
            handler->SetCursor(std::move(texture), hotSpot, flag);
    }

    bool BeginDraw(bool keep) override
    {
        TDisplayHandler* handler = Handler();
        return handler && handler->BeginDraw(keep);
    }

    void EndDraw(bool show) override
    {
        TRenderer* renderer = TRenderer::GetInstance();
        renderer->RunCapture();
        if (TDisplayHandler* handler = renderer->GetDisplayHandler())
            handler->EndDraw(show);
    }

    void ShutDown() override { TRenderer::ShutDown(); }
};

TPlatformRenderHost gPlatformHost;

}  // namespace

void InstallRenderHooks()
{
    TPlatformHooks::InstallRender(new TRenderPlatformHooks);
    SetRenderHost(&gPlatformHost);
}

void UninstallRenderHooks()
{
    TPlatformHooks::InstallRender(nullptr);
    SetRenderHost(nullptr);
}

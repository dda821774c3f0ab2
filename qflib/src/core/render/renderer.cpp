// TRenderer: drawing state, clipping stack, textures and the calls everything draws through.
#include "render/renderer.h"

#include <algorithm>
#include <cstdint>

#include "foundation/confighook.h"
#include "foundation/debug.h"
#include "foundation/singletons.h"
#include "render/displayhandler.h"
#include "render/renderhost.h"
#include "render/texture.h"
#include "render/vertexset.h"

void (*gPostDrawFunc)() = nullptr;

TRenderer* TRenderer::sInstance = nullptr;

TRenderer::TRenderer(std::unique_ptr<TDisplayHandler> handler) : mHandler(std::move(handler))
{
}

TRenderer::~TRenderer()
{
    // The display handler goes first; the state (textures held) after it.
    mHandler.reset();
}

TRenderer* TRenderer::GetInstance()
{
    // The start-up makes the renderer before anything draws; code that may run without one
    // asks HasInstance first.
    if (!sInstance)
        qfSingletonNotMade("TRenderer");
    return sInstance;
}

TRenderer* TRenderer::CreateInstance(std::unique_ptr<TDisplayHandler> handler)
{
    ShutDown();
    sInstance = new TRenderer(std::move(handler));
    return sInstance;
}

bool TRenderer::HasInstance()
{
    return sInstance != nullptr;
}

void TRenderer::ShutDown()
{
    // The HUD's text block draws through the renderer and may hold textures: it goes first,
    // while the renderer and its display handler still exist.
    if (sInstance)
        ReleaseHudText();
    TRenderer* r = sInstance;
    sInstance = nullptr;
    delete r;
}

bool TRenderer::BeginDraw(bool keep)
{
    mInDraw = GetRenderHost().BeginDraw(keep);
    return mInDraw;
}

void TRenderer::EndDraw(bool show)
{
    if (gPostDrawFunc)
        gPostDrawFunc();
    GetRenderHost().EndDraw(show);

    const unsigned now = GetRenderHost().Timer();
    mFrameStamps[mFrameCounter] = now;
    mFrameCounter = (mFrameCounter + 1) % 15;
    if (mFrameCounter == 0)
    {
        // 15 frames inside one millisecond leave no interval: keep the previous figure.
        const unsigned interval = now - mFrameStamps[0];
        if (interval != 0)
            mFramesPerSecond = 15000.0f / static_cast<float>(interval);
    }

    // The frame's sprite count is final before the overlay shows it.
    mSpritesLastFrame = mSpritesThisFrame;
    mSpritesThisFrame = 0;
    if (mHudShown)
        DrawHUD();

    mInDraw = false;
    if (mHandler)
        mHandler->PostEndDraw(show);
}

namespace
{
long long gTextureBytes = 0, gMaxTextureBytes = 0;

// The configured figure when the key is set, else the counted one.
long ConfiguredOr(const char* key, long long counted)
{
    const str value = qfGetConfig(key);
    return value.empty() ? static_cast<long>(counted) : static_cast<long>(value.to_int());
}
}  // namespace

void TRenderer::NoteTextureBytes(long long delta)
{
    gTextureBytes += delta;
    if (gTextureBytes < 0)
        gTextureBytes = 0;
    if (gTextureBytes > gMaxTextureBytes)
        gMaxTextureBytes = gTextureBytes;
}

long long TRenderer::GetTextureBytes()
{
    return gTextureBytes;
}
long long TRenderer::GetMaxTextureBytes()
{
    return gMaxTextureBytes;
}

str TRenderer::FormatHUDText() const
{
    const long sprites = ConfiguredOr("current_sprite_count", mSpritesLastFrame);
    const long texMem = ConfiguredOr("texture_ram_allocated", gTextureBytes);
    const long maxTexMem = ConfiguredOr("max_texture_ram_allocated", gMaxTextureBytes);
    const long mem = static_cast<long>(qfGetTotalAllocated());
    const long maxMem = static_cast<long>(qfGetMaxAllocated());
    return str::getFormatted("Zestkit Version %d.%d.%d.%d<br>%f FPS<tab pos='150'>Sprites: %d<br>Mem: %dkB"
                             "<tab pos='150'>TexMem: %dkB<br>MaxMem: %dkB<tab pos='150'>MaxTexMem: %dkB<br>",
                             4, 0, 24, 2, static_cast<double>(mFramesPerSecond), static_cast<int>(sprites),
                             static_cast<int>(mem / 1024), static_cast<int>(texMem / 1024),
                             static_cast<int>(maxMem / 1024), static_cast<int>(maxTexMem / 1024));
}

void TRenderer::DrawHUD()
{
    const str text = FormatHUDText();
    const bool began = Begin2d();
    // The untextured fill is unblended, so the transparent colour shows as a black backdrop.
    FillRect(TURect(0, 0, 300, 64), TColor(0, 0, 0, 0), nullptr);
    GetRenderHost().DrawHudText(text);
    if (began)
        End2d();
}

bool TRenderer::Begin2d()
{
    if (mIn2d)
    {
        WriteDbg("Begin2d called when already in Begin2d state");
        return false;
    }
    if (mIn3d)
    {
        WriteDbg("Begin2d called when already in Begin3d state");
        return false;
    }
    if (!mInDraw && !mInRenderTarget)
    {
        WriteDbg("ERROR: Calling Begin2d outside of a BeginDraw or BeginRenderTarget block!");
        return false;
    }
    mIn2d = mHandler && mHandler->Begin2d();
    return mIn2d;
}

void TRenderer::End2d()
{
    if (!mIn2d)
    {
        WriteDbg("End2d called when not in Begin2d state");
        return;
    }
    if (!mInDraw && !mInRenderTarget)
        WriteDbg("ERROR: Calling End2d after EndDraw or EndRenderTarget!");
    if (mHandler)
        mHandler->End2d();
    mIn2d = false;
}

bool TRenderer::BeginRenderTarget(std::shared_ptr<TTexture> texture, ERenderTargetMode mode)
{
    if (!texture || texture->IsSimple() || mInDraw || mInRenderTarget || !mHandler)
        return false;
    const bool ok = mHandler->BeginRenderTarget(texture, mode);
    mInDraw = ok;
    mInRenderTarget = ok;
    return ok;
}

void TRenderer::EndRenderTarget()
{
    if (mHandler)
        mHandler->EndRenderTarget();
    mInRenderTarget = false;
    mInDraw = false;
}

void TRenderer::SetCaptureTexture(std::shared_ptr<TTexture> texture)
{
    if (!texture)
    {
        mCaptureTexture.reset();
        return;
    }
    int width = 0, height = 0;
    if (!GetRenderHost().GetScreenSize(&width, &height) && mHandler)
    {
        bool fullscreen = false;
        mHandler->GetDisplay(&width, &height, &fullscreen);
    }
    if (texture->GetWidth() == static_cast<unsigned>(width) &&
        texture->GetHeight() == static_cast<unsigned>(height))
        mCaptureTexture = texture;
}

void TRenderer::RunCapture()
{
    if (!mCaptureTexture)
        return;
    std::shared_ptr<TTexture> capture = std::move(mCaptureTexture);
    mCaptureTexture.reset();
    if (mHandler)
        mHandler->CaptureFrame(capture);
}

void TRenderer::PushViewport(const TRect& r)
{
    if (mHandler)
        mHandler->PushViewport(r.left, r.top, r.right, r.bottom);
}

void TRenderer::PopViewport()
{
    if (mHandler)
        mHandler->PopViewport();
}

void TRenderer::GetViewport(TRect* r)
{
    if (!r)
        return;
    int x = 0, y = 0, right = 0, bottom = 0;
    if (mHandler)
        mHandler->GetViewport(&x, &y, &right, &bottom);
    *r = TRect(x, y, right, bottom);
}

void TRenderer::ApplyClipTop()
{
    if (mClipStack.empty() || !mHandler)
        return;
    TURect top = mClipStack.back();
    top.Check();
    mHandler->SetClipRectangle(top);
}

void TRenderer::PushClippingRectangle(const TURect& rect)
{
    mClipStack.push_back(rect);
    if (mHandler)
        mHandler->SetClipRectangle(rect);
}

void TRenderer::PopClippingRectangle()
{
    if (mClipStack.size() < 2)
        return;
    mClipStack.pop_back();
    ApplyClipTop();
}

void TRenderer::SetClippingRectangle(const TURect& rect)
{
    if (mClipStack.empty())
        mClipStack.push_back(rect);
    else
        mClipStack.back() = rect;
    ApplyClipTop();
}

TURect TRenderer::GetClippingRectangle() const
{
    return mClipStack.empty() ? TURect() : mClipStack.back();
}

void TRenderer::SetTexture(std::shared_ptr<TTexture> texture)
{
    if (texture && texture->IsSimple())
        texture.reset();
    mTexture = texture;
    if (mHandler)
        mHandler->SetTexture(texture);
}

void TRenderer::SetBlendMode(EBlendMode mode)
{
    if (mHandler)
        mHandler->SetBlendMode(mode);
}

void TRenderer::SetCullMode(ECullMode mode)
{
    if (mHandler)
        mHandler->SetCullMode(mode);
}

bool TRenderer::GetTextureSquareFlag()
{
    return mHandler && mHandler->GetTextureSquareFlag();
}

void TRenderer::DrawVertices(EDrawType type, const TVertexSet& set)
{
    if (!mIn2d && !mIn3d)
    {
        WriteDbg("DrawVertices called when not in Begin2d or Begin3d state");
        return;
    }
    if (mHandler)
        mHandler->DrawVertices(type, set);
}

void TRenderer::FillRect(const TURect& rect, const TColor& color, std::shared_ptr<TTexture> texture)
{
    if (!mHandler)
        return;
    if (texture)
    {
        mHandler->FillRect(static_cast<int>(rect.x1), static_cast<int>(rect.y1), static_cast<int>(rect.x2),
                           static_cast<int>(rect.y2), color, texture);
        return;
    }
    TRect viewport;
    GetViewport(&viewport);
    // Wide arithmetic: the rectangle's unsigned edges plus the origin must not overflow.
    auto moveBy = [](uint32_t edge, int32_t origin)
    {
        const int64_t v = static_cast<int64_t>(edge) + origin;
        return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
    };
    const TRect moved(moveBy(rect.x1, viewport.left), moveBy(rect.y1, viewport.top),
                      moveBy(rect.x2, viewport.left), moveBy(rect.y2, viewport.top));
    const TRect cut = TRect::Intersect(moved, viewport);
    // A rectangle outside the viewport comes out inverted: there is nothing to fill.
    if (cut.IsEmpty())
        return;
    mHandler->FillRect(cut.left, cut.top, cut.right, cut.bottom, color, nullptr);
}

void TRenderer::DrawTexture(std::shared_ptr<TTexture> texture, int x, int y)
{
    if (!texture || texture->IsSimple() || !InDraw() || mIn3d || !mHandler)
        return;
    const TTextureData* data = texture->GetData();
    if (!data || data->mImageWidth == 0 || data->mImageHeight == 0 || data->mSurfaceWidth == 0 ||
        data->mSurfaceHeight == 0)
        return;
    const std::shared_ptr<TTexture> savedTexture = mTexture;
    const int savedBlend = mHandler->GetBlendMode();
    const bool began2d = !mIn2d;
    if (began2d && !Begin2d())
        return;

    int displayWidth = 0, displayHeight = 0;
    bool fullscreen = false;
    mHandler->GetDisplay(&displayWidth, &displayHeight, &fullscreen);
    displayWidth = std::max(displayWidth, 0);
    displayHeight = std::max(displayHeight, 0);
    PushViewport(TRect(0, 0, displayWidth, displayHeight));
    const bool hadClip = !mClipStack.empty();
    PushClippingRectangle(
        TURect(0, 0, static_cast<uint32_t>(displayWidth), static_cast<uint32_t>(displayHeight)));

    // The image sits in the top-left corner of its surface.
    const float w = static_cast<float>(data->mImageWidth);
    const float h = static_cast<float>(data->mImageHeight);
    TVec2 corners[4] = {TVec2(0, 0), TVec2(w, 0), TVec2(w, h), TVec2(0, h)};
    const TVec2 texCoords[2] = {TVec2(0, 0), TVec2(w / static_cast<float>(data->mSurfaceWidth),
                                                   h / static_cast<float>(data->mSurfaceHeight))};
    TTransformedLitVert verts[4];
    CreateVertsFromRect(TVec2(static_cast<float>(x), static_cast<float>(y)), verts, corners, texCoords,
                        TMat3(), 1.0f, TColor(1, 1, 1, 1));

    SetTexture(texture);
    SetBlendMode(kBlendOpaque);
    DrawVertices(kTriangleFan, TVertexSet(verts, 4));

    if (hadClip)
    {
        PopClippingRectangle();
    }
    else
    {
        mClipStack.clear();
    }
    PopViewport();
    if (began2d)
        End2d();
    SetBlendMode(static_cast<EBlendMode>(savedBlend));
    SetTexture(savedTexture);
}

bool TRenderer::ToggleHUD()
{
    const bool was = mHudShown;
    mHudShown = !mHudShown;
    return was;
}

#include "recordinghandler.h"

#include <algorithm>
#include <cstring>

#include "render/renderer.h"

namespace
{

unsigned PowerOfTwoAtLeast(unsigned n)
{
    unsigned p = 1;
    while (p < n && p < 0x80000000u)
        p <<= 1;
    return p;
}

}  // namespace

TRecordingDisplayHandler::TRecordingDisplayHandler()
{
}

void TRecordingDisplayHandler::SetDisplay(int width, int height, bool, bool, bool, bool)
{
    mDisplayWidth = width;
    mDisplayHeight = height;
    PushViewport(0, 0, width, height);
}

void TRecordingDisplayHandler::GetDisplay(int* width, int* height, bool* fullscreen)
{
    if (width)
        *width = mDisplayWidth;
    if (height)
        *height = mDisplayHeight;
    if (fullscreen)
        *fullscreen = false;
}

void TRecordingDisplayHandler::GetViewport(int* x, int* y, int* right, int* bottom)
{
    *x = mViewport.x;
    *y = mViewport.y;
    *right = mViewport.x + mViewport.width;
    *bottom = mViewport.y + mViewport.height;
}

TTextureData* TRecordingDisplayHandler::NewTextureData()
{
    return new TMemTextureData(this);
}

void TRecordingDisplayHandler::SetViewport(int left, int top, int right, int bottom)
{
    mViewport = TViewport{left, top, right - left, bottom - top};
    if (!mViewports.empty())
        mViewports.back() = mViewport;
}

void TRecordingDisplayHandler::PushViewport(int left, int top, int right, int bottom)
{
    mViewports.push_back(TViewport{left, top, right - left, bottom - top});
    SetViewport(left, top, right, bottom);
}

void TRecordingDisplayHandler::PopViewport()
{
    if (mViewports.size() < 2)
        return;
    mViewports.pop_back();
    const TViewport& v = mViewports.back();
    SetViewport(v.x, v.y, v.x + v.width, v.y + v.height);
}

void TRecordingDisplayHandler::SetClipRectangle(const TURect& rect)
{
    mClip = rect;
}

bool TRecordingDisplayHandler::BeginDraw(bool)
{
    ++beginDrawCount;
    return beginDrawResult;
}

void TRecordingDisplayHandler::EndDraw(bool show)
{
    ++endDrawCount;
    lastEndDrawShow = show;
}

void TRecordingDisplayHandler::PostEndDraw(bool swap)
{
    ++postEndDrawCount;
    lastPostEndDrawSwap = swap;
}

bool TRecordingDisplayHandler::Begin2d()
{
    ++begin2dCount;
    mBlendMode = 0;
    return true;
}

void TRecordingDisplayHandler::End2d()
{
    ++end2dCount;
}

bool TRecordingDisplayHandler::BeginRenderTarget(std::shared_ptr<TTexture> texture, int mode)
{
    if (!renderTargetResult)
        return false;
    mTarget = texture;
    lastTargetMode = mode;
    PushViewport(0, 0, static_cast<int>(texture->GetWidth()), static_cast<int>(texture->GetHeight()));
    return true;
}

void TRecordingDisplayHandler::EndRenderTarget()
{
    mTarget.reset();
    PopViewport();
}

void TRecordingDisplayHandler::CaptureFrame(std::shared_ptr<TTexture> texture)
{
    TDrawCall call = MakeCall(TDrawCall::kCapture);
    call.texture = texture.get();
    calls.push_back(call);
}

void TRecordingDisplayHandler::SetTexture(std::shared_ptr<TTexture> texture)
{
    mTexture = texture;
}

TDrawCall TRecordingDisplayHandler::MakeCall(TDrawCall::EKind kind) const
{
    TDrawCall call;
    call.kind = kind;
    call.texture = mTexture.get();
    call.blendMode = mBlendMode;
    call.viewport =
        TRect(mViewport.x, mViewport.y, mViewport.x + mViewport.width, mViewport.y + mViewport.height);
    call.clip = mClip;
    call.inRenderTarget = mTarget != nullptr;
    call.target = mTarget.get();
    return call;
}

void TRecordingDisplayHandler::DrawVertices(int drawType, const TVertexSet& set)
{
    TDrawCall call = MakeCall(TDrawCall::kVertices);
    call.drawType = drawType;
    call.format = set.GetFormat();
    if (set.GetVerts())
        call.verts.assign(set.GetVerts(), set.GetVerts() + set.GetCount());
    calls.push_back(call);
}

void TRecordingDisplayHandler::FillRect(int left, int top, int right, int bottom, const TColor& color,
                                        std::shared_ptr<TTexture> texture)
{
    if (texture)
    {
        TDrawCall call = MakeCall(TDrawCall::kFillTexture);
        call.texture = texture.get();
        call.rect = TRect(left, top, right, bottom);
        call.color = color;
        calls.push_back(call);
        if (TTextureData* data = texture->GetData())
            data->FillRect(left, top, right, bottom, color, true);
        return;
    }
    TDrawCall call = MakeCall(TDrawCall::kFill);
    call.texture = nullptr;
    call.rect = TRect(left, top, right, bottom);
    call.color = color;
    call.blendMode = 1;  // untextured fills are unblended
    calls.push_back(call);
}

void TRecordingDisplayHandler::SetCursor(std::shared_ptr<TTexture> texture, const TPoint& hotSpot, bool)
{
    if (texture && texture != cursor && texture->GetData())
        texture->GetData()->ProcessColor();
    cursor = texture;
    cursorHotSpot = hotSpot;
}

// ---------------------------------------------------------------------------------------------

bool TMemTextureData::CreateSurface(unsigned width, unsigned height, bool clear)
{
    int displayWidth = 0, displayHeight = 0;
    bool fullscreen = false;
    mHandler->GetDisplay(&displayWidth, &displayHeight, &fullscreen);
    if ((mFlags & kSimple) && width > static_cast<unsigned>(displayWidth))
        mFlags |= kSystemMemory;
    if (width == 0 || height == 0 || width > 16384 || height > 16384)
        return false;
    if (mFlags & kSystemMemory)
    {
        mImageWidth = mSurfaceWidth = width;
        mImageHeight = mSurfaceHeight = height;
        mOffsetX = mOffsetY = 0;
    }
    else
    {
        mImageWidth = width;
        mImageHeight = height;
        if (mHandler->squareOnly)
        {
            mSurfaceWidth = mSurfaceHeight = std::max(PowerOfTwoAtLeast(width), PowerOfTwoAtLeast(height));
        }
        else
        {
            mSurfaceWidth = PowerOfTwoAtLeast(width);
            mSurfaceHeight = PowerOfTwoAtLeast(height);
        }
        mOffsetX = static_cast<int>((mSurfaceWidth - width) >> 1);
        mOffsetY = static_cast<int>((mSurfaceHeight - height) >> 1);
    }
    mPixels.assign(static_cast<size_t>(mSurfaceWidth) * mSurfaceHeight, TColor32(0u));
    if (clear)
        Clear();
    return true;
}

bool TMemTextureData::FillSurface(unsigned width, unsigned height, TColor32* pixels)
{
    // width is the source pitch. System surfaces take the image rows; others the whole surface
    // as far as the source reaches.
    const bool system = (mFlags & kSystemMemory) != 0;
    const unsigned cols = std::min(system ? mImageWidth : mSurfaceWidth, std::min(width, mSurfaceWidth));
    const unsigned rows = std::min(system ? mImageHeight : mSurfaceHeight, std::min(height, mSurfaceHeight));
    for (unsigned y = 0; y < rows; ++y)
        std::memcpy(static_cast<void*>(&mPixels[static_cast<size_t>(y) * mSurfaceWidth]),
                    pixels + static_cast<size_t>(y) * width, cols * sizeof(TColor32));
    return true;
}

void TMemTextureData::Clear()
{
    std::fill(mPixels.begin(), mPixels.end(), TColor32(0u));
}

bool TMemTextureData::Lock(TColor32** pixels, unsigned* pitch)
{
    if (!pixels || !pitch || mPixels.empty())
        return false;
    *pixels = mPixels.data();
    *pitch = mSurfaceWidth;
    return true;
}

void TMemTextureData::Unlock()
{
    if (mFlags & kAlpha)
        return;
    for (unsigned y = 0; y < mImageHeight && y < mSurfaceHeight; ++y)
        for (unsigned x = 0; x < mImageWidth && x < mSurfaceWidth; ++x)
            mPixels[static_cast<size_t>(y) * mSurfaceWidth + x].SetAlpha(255);
}

void TMemTextureData::FillRect(int left, int top, int right, int bottom, const TColor& color, bool)
{
    TColor c = color;
    if (!(mFlags & kAlpha))
        c.a = 1.0f;
    const TColor32 word(c);
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, static_cast<int>(mSurfaceWidth));
    bottom = std::min(bottom, static_cast<int>(mSurfaceHeight));
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            mPixels[static_cast<size_t>(y) * mSurfaceWidth + x] = word;
}

void TMemTextureData::CopyPixels(int x, int y, const TRect* source, std::shared_ptr<TTexture> target)
{
    const TRect src =
        source ? *source : TRect(0, 0, static_cast<int32_t>(mImageWidth), static_cast<int32_t>(mImageHeight));
    if (!target)
    {
        TDrawCall call = mHandler->MakeCall(TDrawCall::kCopyToScreen);
        call.texture = nullptr;
        call.rect = TRect(x, y, x + src.Width(), y + src.Height());
        call.source = src;
        call.blendMode = 1;
        mHandler->calls.push_back(call);
        return;
    }
    TMemTextureData* dst = dynamic_cast<TMemTextureData*>(target->GetData());
    if (!dst || (dst->mFlags & kSystemMemory))
        return;
    // Destination clipped to the target's image rectangle.
    const TRect want(x, y, x + src.Width(), y + src.Height());
    const TRect cut = TRect::Intersect(
        want, TRect(0, 0, static_cast<int32_t>(dst->mImageWidth), static_cast<int32_t>(dst->mImageHeight)));
    if (cut.IsEmpty())
        return;
    for (int ty = cut.top; ty < cut.bottom; ++ty)
        for (int tx = cut.left; tx < cut.right; ++tx)
        {
            const int sx = src.left + (tx - x);
            const int sy = src.top + (ty - y);
            if (sx < 0 || sy < 0 || sx >= static_cast<int>(mSurfaceWidth) ||
                sy >= static_cast<int>(mSurfaceHeight))
                continue;
            dst->mPixels[static_cast<size_t>(ty) * dst->mSurfaceWidth + tx] =
                mPixels[static_cast<size_t>(sy) * mSurfaceWidth + sx];
        }
}

TColor32 TMemTextureData::PixelAt(unsigned x, unsigned y) const
{
    if (x >= mSurfaceWidth || y >= mSurfaceHeight)
        return TColor32(0u);
    return mPixels[static_cast<size_t>(y) * mSurfaceWidth + x];
}

TRecordingDisplayHandler* InstallRecordingRenderer(int width, int height, bool tellDisplay)
{
    auto owned = std::make_unique<TRecordingDisplayHandler>();
    TRecordingDisplayHandler* handler = owned.get();
    if (tellDisplay)
        handler->SetDisplay(width, height, false, false, false, false);
    TRenderer::CreateInstance(std::move(owned));
    TRenderer::GetInstance()->PushClippingRectangle(TURect(0, 0, uint32_t(width), uint32_t(height)));
    return handler;
}

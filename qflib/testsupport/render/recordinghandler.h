// A display handler that draws nothing: it records every call the renderer and the textures make
// (kind, texture, rectangles, colour, blend mode, viewport and clip) and keeps texture pixels in
// memory, so renderer, texture and image tests run without OpenGL.
#pragma once

#include <memory>
#include <vector>

#include "render/displayhandler.h"
#include "render/texture.h"
#include "render/vertexset.h"

struct TDrawCall
{
    enum EKind
    {
        kVertices,      // DrawVertices
        kFill,          // untextured FillRect on the target
        kFillTexture,   // FillRect inside a texture
        kCopyToScreen,  // a texture's pixels copied to the screen
        kCapture,       // the finished frame copied into a capture texture
        kCursor         // the software cursor drawn at EndDraw
    };

    EKind kind = kVertices;
    int drawType = 0;
    int format = 0;
    const TTexture* texture = nullptr;  // the texture used (not kept alive)
    std::vector<TTransformedLitVert> verts;
    TRect rect;    // fills: left, top, right, bottom; copies: destination
    TRect source;  // copies: the source rectangle
    TColor color;
    int blendMode = 0;
    TRect viewport;  // x, y, right, bottom at the time of the call
    TURect clip;
    bool inRenderTarget = false;
    const TTexture* target = nullptr;  // the render target, null for the screen
};

class TRecordingDisplayHandler : public TDisplayHandler
{
public:
    TRecordingDisplayHandler();

    // Test controls.
    std::vector<TDrawCall> calls;
    bool squareOnly = true;
    bool beginDrawResult = true;
    bool renderTargetResult = true;
    int beginDrawCount = 0, endDrawCount = 0, postEndDrawCount = 0;
    int begin2dCount = 0, end2dCount = 0;
    bool lastEndDrawShow = false, lastPostEndDrawSwap = false;
    int lastTargetMode = -1;
    std::shared_ptr<TTexture> cursor;
    TPoint cursorHotSpot;

    void SetDisplay(int width, int height, bool, bool, bool, bool) override;
    void GetDisplay(int* width, int* height, bool* fullscreen) override;
    void GetViewport(int* x, int* y, int* right, int* bottom) override;
    bool GetTextureSquareFlag() override { return squareOnly; }
    bool RenderTargetIsScreen() override { return !mTarget; }
    TTextureData* NewTextureData() override;

    void SetViewport(int left, int top, int right, int bottom) override;
    void PushViewport(int left, int top, int right, int bottom) override;
    void PopViewport() override;
    void SetClipRectangle(const TURect& rect) override;
    const TURect& GetClipRectangle() const { return mClip; }
    size_t GetViewportDepth() const { return mViewports.size(); }

    bool BeginDraw(bool keep) override;
    void EndDraw(bool show) override;
    void PostEndDraw(bool swap) override;
    bool Begin2d() override;
    void End2d() override;
    bool BeginRenderTarget(std::shared_ptr<TTexture> texture, int mode) override;
    void EndRenderTarget() override;
    void CaptureFrame(std::shared_ptr<TTexture> texture) override;

    void SetTexture(std::shared_ptr<TTexture> texture) override;
    const TTexture* GetCurrentTexture() const { return mTexture.get(); }
    void SetBlendMode(int mode) override { mBlendMode = mode; }
    int GetBlendMode() override { return mBlendMode; }
    void SetCullMode(int mode) override { mCullMode = mode; }
    int GetCullMode() const { return mCullMode; }

    void DrawVertices(int drawType, const TVertexSet& set) override;
    void FillRect(int left, int top, int right, int bottom, const TColor& color,
                  std::shared_ptr<TTexture> texture) override;
    void SetCursor(std::shared_ptr<TTexture> texture, const TPoint& hotSpot, bool) override;

    // A record pre-filled with the current state.
    TDrawCall MakeCall(TDrawCall::EKind kind) const;

private:
    struct TViewport
    {
        int x, y, width, height;
    };
    std::vector<TViewport> mViewports;
    TViewport mViewport{0, 0, 320, 240};
    int mDisplayWidth = 320, mDisplayHeight = 240;
    TURect mClip;
    std::shared_ptr<TTexture> mTexture;
    std::shared_ptr<TTexture> mTarget;
    int mBlendMode = 0;
    int mCullMode = 1;
};

// A texture surface in plain memory, sized as the OpenGL surfaces are (square powers of two when
// the handler says so), with the same lock, unlock, clear, fill and copy rules.
class TMemTextureData : public TTextureData
{
public:
    explicit TMemTextureData(TRecordingDisplayHandler* handler) : mHandler(handler) {}

    bool FillSurface(unsigned width, unsigned height, TColor32* pixels) override;
    bool CreateSurface(unsigned width, unsigned height, bool clear) override;
    void CopyPixels(int x, int y, const TRect* source, std::shared_ptr<TTexture> target) override;
    void Clear() override;
    bool Lock(TColor32** pixels, unsigned* pitch) override;
    void Unlock() override;
    void FillRect(int left, int top, int right, int bottom, const TColor& color, bool) override;

    const std::vector<TColor32>& Pixels() const { return mPixels; }
    TColor32 PixelAt(unsigned x, unsigned y) const;

private:
    TRecordingDisplayHandler* mHandler;
    std::vector<TColor32> mPixels;  // surface width x surface height
};

// Makes a new recording handler the renderer's display handler and clips drawing to
// width x height; tellDisplay also gives the handler that display size first (as a display
// set-up would). The renderer owns the handler: TRenderer::ShutDown ends both.
TRecordingDisplayHandler* InstallRecordingRenderer(int width, int height, bool tellDisplay = true);

// The back end that turns the renderer's requests into drawing. Two implementations exist: the
// OpenGL one (TGLDisplayHandler) and a recording one for headless tests. Screen coordinates are
// pixels, origin top-left, y down.
#pragma once

#include <memory>

#include "foundation/color.h"
#include "foundation/mat.h"
#include "foundation/rect.h"

class TTexture;
class TTextureData;
class TVertexSet;

class TDisplayHandler
{
public:
    virtual ~TDisplayHandler() {}

    // Display set-up and queries. The four bools of SetDisplay are not used.
    virtual void SetDisplay(int width, int height, bool, bool, bool, bool) = 0;
    virtual void GetDisplay(int* width, int* height, bool* fullscreen) = 0;
    // right = x + width, bottom = y + height.
    virtual void GetViewport(int* x, int* y, int* right, int* bottom) = 0;
    // Whether every texture surface must be square (and a power of two).
    virtual bool GetTextureSquareFlag() = 0;
    virtual bool RenderTargetIsScreen() = 0;
    virtual void RebuildDisplay() {}
    // A new, empty texture surface of this back end's kind; the texture owns it.
    virtual TTextureData* NewTextureData() = 0;

    // Viewports: the stored viewport keeps its values; popping the last entry does nothing.
    virtual void SetViewport(int left, int top, int right, int bottom) = 0;
    virtual void PushViewport(int left, int top, int right, int bottom) = 0;
    virtual void PopViewport() = 0;
    // The scissor rectangle (left, top, right, bottom in target pixels).
    virtual void SetClipRectangle(const TURect& rect) = 0;

    // Frames and modes.
    virtual bool BeginDraw(bool keep) = 0;
    virtual void EndDraw(bool show) = 0;
    virtual void PostEndDraw(bool swap) = 0;
    virtual bool Begin2d() = 0;
    virtual void End2d() = 0;
    virtual bool BeginRenderTarget(std::shared_ptr<TTexture> texture, int mode) = 0;
    virtual void EndRenderTarget() = 0;
    // Copies the finished frame into the texture, memory row 0 = the frame's top row.
    virtual void CaptureFrame(std::shared_ptr<TTexture> texture) = 0;

    // State taking effect at the next draw.
    virtual void SetTexture(std::shared_ptr<TTexture> texture) = 0;
    virtual void SetBlendMode(int mode) = 0;
    virtual int GetBlendMode() = 0;
    virtual void SetCullMode(int mode) = 0;

    // Drawing.
    virtual void DrawVertices(int drawType, const TVertexSet& set) = 0;
    // With a texture: fills inside that texture. Without: fills the target, unblended.
    virtual void FillRect(int left, int top, int right, int bottom, const TColor& color,
                          std::shared_ptr<TTexture> texture) = 0;

    // Software cursor: the texture's surface is colour-keyed (magenta becomes transparent).
    virtual void SetCursor(std::shared_ptr<TTexture> texture, const TPoint& hotSpot, bool) = 0;
};

// TRenderer: the one object through which everything draws. It keeps the drawing state (in a
// frame, in a render target, in 2-D), the clipping-rectangle stack, the current and capture
// textures, the frame rate and the debug overlay, and forwards drawing to its display handler.
#pragma once

#include <memory>
#include <vector>

#include "foundation/color.h"
#include "foundation/rect.h"
#include "foundation/str.h"

class TDisplayHandler;
class TTexture;
class TVertexSet;

class TRenderer
{
public:
    enum EDrawType
    {
        kPoints = 1,
        kLines = 2,
        kLineStrip = 3,
        kTriangles = 4,
        kTriangleStrip = 5,
        kTriangleFan = 6  // sprites and rectangles: 4 vertices
    };
    enum EBlendMode
    {
        kBlendAlpha = 0,
        kBlendOpaque = 1,
        kBlendAdditive = 2,
        kBlendSubtractive = 3,
        kBlendMultiplicative = 4
    };
    enum ECullMode
    {
        kCullNone = 1,
        kCullCounterClockwise = 2,
        kCullClockwise = 3
    };
    // Given their meaning by the display handler: 0 copy and make opaque, 1 copy as drawn,
    // 2 and 3 like 0 and 1 starting from the texture's pixels, 4 draw into the alpha only.
    enum ERenderTargetMode
    {
        kTargetOpaque = 0,
        kTargetKeepAlpha = 1,
        kTargetOverOpaque = 2,
        kTargetOverKeepAlpha = 3,
        kTargetAlphaOnly = 4
    };

    // The instance that start-up made (the OpenGL display handler, see the render hooks) or a
    // test made with CreateInstance. Never made here on first use: a look-up before either
    // stops the program (foundation/singletons.h; under the tests' rule it answers null). Code
    // that may run without a renderer asks HasInstance first.
    static TRenderer* GetInstance();
    // Makes the instance with a given display handler (the platform or a test chooses); an
    // existing instance is shut down first.
    static TRenderer* CreateInstance(std::unique_ptr<TDisplayHandler> handler);
    static bool HasInstance();
    // Deletes the display handler, then the state, and clears the instance.
    static void ShutDown();

    TDisplayHandler* GetDisplayHandler() { return mHandler.get(); }

    // Frames.
    bool BeginDraw(bool keep);
    void EndDraw(bool show);
    bool Begin2d();
    void End2d();
    bool In2d() const { return mIn2d; }
    bool In3d() const { return mIn3d; }
    bool InDraw() const { return mInDraw || mInRenderTarget; }
    bool InRenderTarget() const { return mInRenderTarget; }

    bool BeginRenderTarget(std::shared_ptr<TTexture> texture, ERenderTargetMode mode);
    void EndRenderTarget();

    // A texture of the screen window's size is filled from the next finished frame and then
    // dropped; any other size is ignored; an empty pointer clears the request.
    void SetCaptureTexture(std::shared_ptr<TTexture> texture);
    std::shared_ptr<TTexture> GetCaptureTexture() const { return mCaptureTexture; }
    // Fills and drops a pending capture texture (the platform's end of frame calls it).
    void RunCapture();

    // Viewports (forwarded) and the clipping stack, whose top the scissor always follows.
    void PushViewport(const TRect& rect);
    void PopViewport();
    void GetViewport(TRect* rect);
    void PushClippingRectangle(const TURect& rect);
    void PopClippingRectangle();
    void SetClippingRectangle(const TURect& rect);
    TURect GetClippingRectangle() const;

    // State.
    void SetTexture(std::shared_ptr<TTexture> texture);
    std::shared_ptr<TTexture> GetTexture() const { return mTexture; }
    void SetBlendMode(EBlendMode mode);
    void SetCullMode(ECullMode mode);
    bool GetTextureSquareFlag();

    // Drawing.
    void DrawVertices(EDrawType type, const TVertexSet& set);
    // With a texture the rectangle fills inside it; without, it is moved by the viewport origin,
    // cut to the viewport and filled unblended (nothing when the cut leaves nothing).
    void FillRect(const TURect& rect, const TColor& color, std::shared_ptr<TTexture> texture);
    // Draws the texture's whole image unblended with its top-left corner at (x, y) of the
    // display, as a textured quad over the whole display's viewport and clip. This is how a
    // finished render target (the window manager's layer cache) reaches the screen inside a
    // frame, where TTexture::CopyPixels does nothing. Nothing happens outside a frame or render
    // target, in 3-D mode, or for a simple texture; the texture, blend mode, viewport, clip and
    // 2-D state are as before afterwards.
    void DrawTexture(std::shared_ptr<TTexture> texture, int x, int y);

    // Debug overlay: flips it and returns the previous state.
    bool ToggleHUD();
    bool HUDShown() const { return mHudShown; }
    float GetFramesPerSecond() const { return mFramesPerSecond; }
    // The overlay's text for the current figures. A figure the configuration names
    // ("current_sprite_count", "texture_ram_allocated", "max_texture_ram_allocated") is shown as
    // configured; otherwise the renderer's own count below.
    str FormatHUDText() const;

    // The overlay's own counts: sprites drawn in the last finished frame, and the bytes of
    // texture surfaces held now and at most (kept by the texture surfaces as they are made,
    // resized and freed).
    void NoteSpriteDrawn() { ++mSpritesThisFrame; }
    unsigned GetLastFrameSprites() const { return mSpritesLastFrame; }
    static void NoteTextureBytes(long long delta);
    static long long GetTextureBytes();
    static long long GetMaxTextureBytes();

private:
    explicit TRenderer(std::unique_ptr<TDisplayHandler> handler);
    ~TRenderer();
    void ApplyClipTop();
    void DrawHUD();

    static TRenderer* sInstance;

    std::unique_ptr<TDisplayHandler> mHandler;
    unsigned mFrameCounter = 0;  // 0..14
    float mFramesPerSecond = 0;
    unsigned mFrameStamps[15] = {};
    unsigned mSpritesThisFrame = 0, mSpritesLastFrame = 0;
    bool mHudShown = false;
    std::shared_ptr<TTexture> mTexture;
    std::shared_ptr<TTexture> mCaptureTexture;
    std::vector<TURect> mClipStack;
    bool mIn2d = false;
    bool mIn3d = false;
    bool mInDraw = false;
    bool mInRenderTarget = false;
};

// Called first by every EndDraw when set.
extern void (*gPostDrawFunc)();

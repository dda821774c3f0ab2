// The OpenGL display handler (compatibility profile). Frames are drawn into an offscreen scene
// framebuffer of the display size and presented by putting its pixels into the window where the
// window takes them (unscaled), else by a blit to the window and a swap; render targets draw
// straight into their texture through a framebuffer object. Screen coordinates are pixels with
// y down; OpenGL rows run bottom-up on the screen and top-down (memory order) in textures.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "foundation/mat.h"
#include "render/displayhandler.h"
#include "render/vertexset.h"

class TGLTextureData;

// A material: diffuse, ambient, specular and emission colours and the shininess.
struct TMaterial
{
    TColor diffuse, ambient, specular, emission;
    float shininess = 0;
};

class TGLDisplayHandler : public TDisplayHandler
{
public:
    static std::unique_ptr<TDisplayHandler> CreateInstance();
    TGLDisplayHandler();
    ~TGLDisplayHandler() override;

    void SetDisplay(int width, int height, bool, bool, bool, bool) override;
    void GetDisplay(int* width, int* height, bool* fullscreen) override;
    void GetViewport(int* x, int* y, int* right, int* bottom) override;
    bool GetTextureSquareFlag() override { return mSquareOnly; }
    bool IsSquareOnly() const { return mSquareOnly; }
    bool RenderTargetIsScreen() override { return !mTarget; }
    TTextureData* NewTextureData() override;
    bool IsFullscreen();
    // The mouse in window coordinates; false when the platform says the cursor is not drawn.
    bool GetMouse(TPoint* where);

    void SetViewport(int left, int top, int right, int bottom) override;
    void PushViewport(int left, int top, int right, int bottom) override;
    void PopViewport() override;
    void SetClipRectangle(const TURect& rect) override;

    bool BeginDraw(bool keep) override;
    void EndDraw(bool show) override;
    void PostEndDraw(bool swap) override;
    bool Begin2d() override;
    void End2d() override;
    bool BeginRenderTarget(std::shared_ptr<TTexture> texture, int mode) override;
    void EndRenderTarget() override;
    void CaptureFrame(std::shared_ptr<TTexture> texture) override;

    void SetTexture(std::shared_ptr<TTexture> texture) override;
    void SetBlendMode(int mode) override { mBlendMode = mode; }
    int GetBlendMode() override { return mBlendMode; }
    void SetCullMode(int mode) override;
    void SetFilterMode(int mode) { mFilterMode = mode; }
    void SetWrapMode(int u, int v)
    {
        mWrapU = u;
        mWrapV = v;
    }

    void DrawVertices(int drawType, const TVertexSet& set) override;
    void FillRect(int left, int top, int right, int bottom, const TColor& color,
                  std::shared_ptr<TTexture> texture) override;
    void SetCursor(std::shared_ptr<TTexture> texture, const TPoint& hotSpot, bool) override;
    void DrawCursor();

    // 3-D mode, reached only by calling the handler directly.
    void Begin3d();
    void End3d();
    void SetMaterial(const TMaterial* material);
    void SetWorldMatrix(const TMat4& m);
    void SetViewMatrix(const TMat4& m);
    void SetProjectionMatrix(const TMat4& m);
    void SetPerspectiveProjection(float nearZ, float farZ, float fov, float aspect);

    // Frames on the screen are recorded as they are drawn and drawn when they end, only inside
    // the rectangle where they differ from the previous frame: the scene framebuffer keeps the
    // rest. On by default; off draws every call at once.
    void SetPartialRedraw(bool on);
    // Consecutive recorded calls of points, lines or triangles in the same state (texture,
    // blending, filtering, wrapping, culling, viewport, clip) are drawn as one call. On by default; off draws
    // each recorded call by itself. The picture is the same either way.
    void SetBatching(bool on);
    // Drawing calls made to OpenGL so far (vertex arrays and filled rectangles); for tests and
    // measurements.
    unsigned long long GetDrawCallCount() const { return mDrawCalls; }
    // Draws what the frame has recorded so far and draws the rest of the frame at once. Called
    // before anything reads the scene or changes a surface that recorded draws may sample.
    void FlushDeferred();
    // Called by a surface before its pixels change.
    void SurfaceChanging();
    // Screen pixels drawn by the last frame that ended, as a rectangle (empty when nothing was
    // drawn); for tests and measurements.
    TRect GetLastRedrawRect() const { return mLastRedraw; }

    // Reads a rectangle of the finished frame (screen pixels, y down) into out, row 0 = top;
    // false when there is no scene. For tests and screenshots.
    bool ReadScreenPixels(int x, int y, int width, int height, TColor32* out);

    // Helpers for the texture surfaces.
    // Whether the scene has its depth buffer (made by the first 3-D drawing); for tests.
    bool HasSceneDepth() const { return mSceneDepth != 0; }
    // Binds the framebuffer of the current target (scene or render target).
    void BindCurrentTarget();
    // Size of the current target: the display, or the render target's surface.
    void GetTargetSize(int* width, int* height);
    void ApplyClip();
    // Draws one textured quad, opaque, in target pixels, for surface copies.
    void DrawSurfaceQuad(TGLTextureData* surface, int x, int y, const TRect& source);

private:
    struct TGLViewport
    {
        int x, y, width, height;
    };

    static bool DriverDrawsInMemory();
    // Whether the context reads rectangles of a texture (glGetTextureSubImage).
    static bool DriverReadsTextureParts();
    void EnsureScene();
    void DestroyScene();
    // Gives OpenGL a material (SetMaterial without the flush), and the default one where
    // SetDisplay left it pending.
    void ApplyMaterial(const TMaterial* material);
    void ApplyDefaultMaterialIfPending();
    void AttachSceneDepth();
    void ApplyViewport();
    // Whether any part of the viewport lies on the current target.
    bool ViewportOnTarget();
    void ApplyBlendMode();
    void ApplyFilteringMode(bool magnifyLinear, bool mipmapped);
    void ApplyTextureMapMode();
    void ApplyOrthogonalProjection();
    void LoadOrtho(float left, float right, float bottom, float top);
    int GLRowOf(int top, int height);
    void EnsureScratch(unsigned width, unsigned height);

    // One recorded drawing call of a screen frame with the state it was made in.
    struct TDeferredDraw
    {
        bool fill = false;  // an untextured fill, else vertices
        int drawType = 0, format = 0;
        size_t firstVert = 0;  // the vertices: in the frame's vertex store (mFrameVerts)
        unsigned vertCount = 0;
        unsigned long long kept = 0;  // the vertex set's kept id (TVertexSet::SetKeptId), or 0
        int fillRect[4] = {0, 0, 0, 0};
        float color[4] = {0, 0, 0, 0};
        std::shared_ptr<TTexture> texture;  // kept alive until drawn; dropped afterwards
        const TGLTextureData* surface = nullptr;
        unsigned textureObject = 0;
        unsigned long long stamp = 0;
        int blendMode = 0, filterMode = 0, wrapU = 0, wrapV = 0, cullMode = 1;
        TGLViewport viewport{0, 0, 0, 0};
        TRect clip;
        TRect bounds;  // screen pixels the call can touch, once boundsKnown
        bool boundsKnown = false;

        // Whether o, whose vertices lie in otherVerts, is the same call (these in ownVerts).
        bool SameAs(const TDeferredDraw& o, const TTransformedLitVert* ownVerts,
                    const TTransformedLitVert* otherVerts) const;
    };
    void DrawVerticesNow(int drawType, const TVertexSet& set);
    void FillRectNow(int left, int top, int right, int bottom, const TColor& color);
    // Records a call (verts: its vertices, null for a fill) made in the current state.
    void Record(TDeferredDraw& d, const TTransformedLitVert* verts);
    // Stores the calls matched so far as the frame's first ones and stops matching.
    void StoreMatched();
    TRect BoundsOf(const TDeferredDraw& d, const TTransformedLitVert* store) const;
    // Works out where a recorded call can draw, the first time that is asked: a frame that
    // repeats the previous one never needs it.
    void EnsureBounds(TDeferredDraw& d, const TTransformedLitVert* store) const;
    void Replay(std::vector<TDeferredDraw>& draws, const TRect& box);
    static bool SameViewportAndClip(const TDeferredDraw& a, const TDeferredDraw& b);
    static int BatchKind(const TDeferredDraw& d);
    static bool SameBatchState(const TDeferredDraw& a, const TDeferredDraw& b);
    static void AppendPrimitives(int drawType, const TTransformedLitVert* v, unsigned n,
                                 std::vector<TTransformedLitVert>* out);
    void ResolveFrame();
    // Adds a rectangle to a set of disjoint ones, merging it with those it overlaps.
    static void AddBox(std::vector<TRect>* boxes, TRect r);
    // Past four rectangles, the one around them all.
    static void CollapseBoxes(std::vector<TRect>* boxes);

    bool mPartialRedraw = true;
    bool mBatching = true;
    std::vector<TTransformedLitVert> mBatch;  // the triangles of the calls drawn together
    unsigned long long mDrawCalls = 0;
    bool mDeferring = false;  // recording the current screen frame
    bool mReplaying = false;  // drawing recorded calls; the scissor is cut to mReplayBox
    TRect mReplayBox;
    bool mPreviousValid = false;  // mPrevious holds the whole previous frame
    // While every call of the frame so far equals the previous frame's call in the same place,
    // the calls are counted (mMatched) instead of stored: a frame equal to the last stores and
    // compares nothing more. The first call that differs stores the matched ones (StoreMatched).
    bool mMatching = false;
    size_t mMatched = 0;
    std::vector<TDeferredDraw> mFrame, mPrevious;
    // Room for recorded vertices that is not filled in when it grows: Record copies every
    // vertex it adds over it at once (a vector's resize would first set each one to zero, a
    // twentieth of a paused frame's time).
    template <class T>
    struct TUnfilledAllocator : std::allocator<T>
    {
        template <class U>
        struct rebind
        {
            using other = TUnfilledAllocator<U>;
        };
        TUnfilledAllocator() = default;
        template <class U>
        TUnfilledAllocator(const TUnfilledAllocator<U>&) noexcept
        {
        }
        template <class U>
        void construct(U*) noexcept
        {
        }
        template <class U, class... A>
        void construct(U* p, A&&... args)
        {
            ::new (static_cast<void*>(p)) U(std::forward<A>(args)...);
        }
    };
    using TVertexStore = std::vector<TTransformedLitVert, TUnfilledAllocator<TTransformedLitVert>>;
    // The vertices of the calls of mFrame and mPrevious, one store a frame, so that recording
    // a call allocates nothing once the stores have grown to a frame's size.
    TVertexStore mFrameVerts, mPreviousVerts;
    TRect mLastRedraw;
    std::vector<TRect> mBoxes;        // where the frame being resolved differs from the last
    std::vector<TRect> mRedrawBoxes;  // scene rectangles redrawn since the window last showed them
    bool mPresentWhole = true;        // the scene changed where no rectangle tells: show all of it
    static const unsigned kRepresentMs = 250;
    bool mPresented = false;
    bool mPresentedByPut = false;  // the last present put pixels: no swap since
    bool mDrawsInMemory = false;   // a software renderer: reading the scene back is a plain copy
    static const unsigned kPutStripPixels = 16384;
    std::vector<TColor32> mPutStrip;  // pixels read from the scene to be put into the window
    unsigned mPresentedAt = 0;        // render host time of the last present

    std::vector<TGLViewport> mViewports;
    TGLViewport mViewport{0, 0, 320, 240};
    TGLViewport mDisplay{0, 0, 320, 240};
    TGLTextureData* mCurrent = nullptr;
    std::shared_ptr<TTexture> mCurrentTexture;
    std::shared_ptr<TTexture> mCursor;
    TPoint mCursorHotSpot;
    float mFar = -1, mNear = 1;
    const TMaterial* mMaterial = nullptr;
    bool mDefaultMaterialPending = false;  // SetDisplay's default material not given to OpenGL yet
    int mCullMode = 1;
    TMat4 mWorld, mView, mProjection, mWorldView;
    int mBlendMode = 0, mFilterMode = 1, mWrapU = 0, mWrapV = 0;
    bool mSquareOnly = true;
    TURect mClip;
    TRect mClipRect;  // mClip in signed pixels, each edge limited so arithmetic cannot overflow
    std::shared_ptr<TTexture> mTarget;
    int mTargetMode = 0;
    bool mProjectionDirty = true;
    bool mIn3d = false, mDepthWrite = false, mDepthTest = false;

    // The scene's colour is a texture, so that rectangles of it can be read as a texture's
    // (see ReadScreenPixels); its depth buffer a renderbuffer.
    unsigned mSceneFramebuffer = 0, mSceneColor = 0, mSceneDepth = 0;
    int mSceneWidth = 0, mSceneHeight = 0;
    bool mSceneReadAsTexture = false;  // the driver reads parts of a texture (OpenGL 4.5)
    bool mSceneWantsDepth = false;     // 3-D has been drawn: the scene keeps a depth buffer
    // Mode-4 targets draw into this scratch surface; its blue bytes become the target's alpha.
    unsigned mScratchFramebuffer = 0, mScratchColor = 0, mScratchDepth = 0;
    unsigned mScratchWidth = 0, mScratchHeight = 0;

    // Frame-rate log.
    bool mFpsChecked = false, mFpsEnabled = false;
    unsigned mFpsStamps[15] = {};
    unsigned mFpsCounter = 0, mFpsLastLine = 0;
};

// TGLDisplayHandler: the renderer's OpenGL drawing.
#include "render/gl/gldisplayhandler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <type_traits>

#include "foundation/debug.h"
#include "render/gl/glheaders.h"
#include "render/gl/glstate.h"
#include "render/gl/gltexturedata.h"
#include "render/renderer.h"
#include "render/renderhost.h"
#include "render/texture.h"
#include "render/vertexset.h"

std::unique_ptr<TDisplayHandler> TGLDisplayHandler::CreateInstance()
{
    return std::unique_ptr<TDisplayHandler>(new TGLDisplayHandler());
}

TGLDisplayHandler::TGLDisplayHandler()
{
    mBoxes.reserve(16);
    mRedrawBoxes.reserve(16);
}

TGLDisplayHandler::~TGLDisplayHandler()
{
    // Let queued drawing finish before its objects go away.
    glFinish();
    mCursor.reset();
    mTarget.reset();
    mCurrentTexture.reset();
    DestroyScene();
    if (mScratchFramebuffer)
    {
        glDeleteFramebuffers(1, &mScratchFramebuffer);
        glDeleteTextures(1, &mScratchColor);
        glDeleteRenderbuffers(1, &mScratchDepth);
    }
}

TTextureData* TGLDisplayHandler::NewTextureData()
{
    return new TGLTextureData(this);
}

bool TGLDisplayHandler::IsFullscreen()
{
    return GetRenderHost().IsFullscreen();
}

bool TGLDisplayHandler::GetMouse(TPoint* where)
{
    return where && GetRenderHost().GetCursorPosition(where);
}

// ---------------------------------------------------------------------------------------------
// Display and scene

void TGLDisplayHandler::DestroyScene()
{
    if (mSceneFramebuffer)
    {
        glDeleteFramebuffers(1, &mSceneFramebuffer);
        glDeleteTextures(1, &mSceneColor);
        if (mSceneDepth)
            glDeleteRenderbuffers(1, &mSceneDepth);
    }
    mSceneFramebuffer = mSceneColor = mSceneDepth = 0;
    mSceneWidth = mSceneHeight = 0;
}

void TGLDisplayHandler::EnsureScene()
{
    if (mSceneFramebuffer && mSceneWidth == mDisplay.width && mSceneHeight == mDisplay.height)
        return;
    DestroyScene();
    if (mDisplay.width <= 0 || mDisplay.height <= 0)
        return;
    glGenFramebuffers(1, &mSceneFramebuffer);
    glGenTextures(1, &mSceneColor);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, mSceneColor);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, mDisplay.width, mDisplay.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    glBindFramebuffer(GL_FRAMEBUFFER, mSceneFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mSceneColor, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        DestroyScene();
        return;
    }
    mSceneWidth = mDisplay.width;
    mSceneHeight = mDisplay.height;
    mPresentWhole = true;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (mSceneWantsDepth)
        AttachSceneDepth();
}

// 2-D drawing never tests or writes depth, so the scene gets its depth buffer (a display-sized
// block of memory) only once 3-D drawing is first asked for, and keeps it from then on.
void TGLDisplayHandler::AttachSceneDepth()
{
    mSceneWantsDepth = true;
    if (!mSceneFramebuffer || mSceneDepth)
        return;
    glGenRenderbuffers(1, &mSceneDepth);
    glBindRenderbuffer(GL_RENDERBUFFER, mSceneDepth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, mSceneWidth, mSceneHeight);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, mSceneFramebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, mSceneDepth);
    // Cleared whole, whatever clipping is set: a frame may already be under way.
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDepthMask(mDepthWrite ? GL_TRUE : GL_FALSE);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
    BindCurrentTarget();
}

bool TGLDisplayHandler::DriverDrawsInMemory()
{
    // Mesa's software rasterisers name themselves so.
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer)
        return false;
    for (const char* name : {"llvmpipe", "softpipe", "swrast"})
        if (std::strstr(renderer, name))
            return true;
    return false;
}

bool TGLDisplayHandler::DriverReadsTextureParts()
{
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    if (major > 4 || (major == 4 && minor >= 5))
        return true;
    GLint extensions = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &extensions);
    for (GLint i = 0; i < extensions; ++i)
    {
        const char* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (name && std::strcmp(name, "GL_ARB_get_texture_sub_image") == 0)
            return true;
    }
    return false;
}

void TGLDisplayHandler::SetDisplay(int width, int height, bool, bool, bool, bool)
{
    FlushDeferred();
    mPreviousValid = false;
    mPresentWhole = true;
    mFar = -1;
    mNear = 1;
    mDisplay = TGLViewport{0, 0, width, height};
    mDrawsInMemory = DriverDrawsInMemory();
    mSceneReadAsTexture = DriverReadsTextureParts();
    EnsureScene();
    BindCurrentTarget();
    PushViewport(0, 0, width, height);
    mWorld = TMat4();
    mView = TMat4();
    SetPerspectiveProjection(0.1f, 1000.0f, 0.7853982f, 0.0f);

    const GLfloat ambient[4] = {1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
    // The default material is given to OpenGL when lit drawing first needs it: the first
    // material call makes the driver set up its immediate-mode vertex store (half a megabyte),
    // which 2-D drawing never uses.
    mDefaultMaterialPending = true;
    mMaterial = nullptr;
    glPolygonMode(GL_FRONT, GL_FILL);
    glEnable(GL_SCISSOR_TEST);
    glDepthFunc(GL_LEQUAL);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
}

void TGLDisplayHandler::GetDisplay(int* width, int* height, bool* fullscreen)
{
    if (width)
        *width = mDisplay.width;
    if (height)
        *height = mDisplay.height;
    if (fullscreen)
        *fullscreen = GetRenderHost().IsFullscreen();
}

void TGLDisplayHandler::GetViewport(int* x, int* y, int* right, int* bottom)
{
    *x = mViewport.x;
    *y = mViewport.y;
    *right = mViewport.x + mViewport.width;
    *bottom = mViewport.y + mViewport.height;
}

void TGLDisplayHandler::GetTargetSize(int* width, int* height)
{
    if (mTarget && mTarget->GetData())
    {
        *width = static_cast<int>(mTarget->GetData()->mSurfaceWidth);
        *height = static_cast<int>(mTarget->GetData()->mSurfaceHeight);
    }
    else
    {
        *width = mDisplay.width;
        *height = mDisplay.height;
    }
}

void TGLDisplayHandler::BindCurrentTarget()
{
    unsigned fb = mSceneFramebuffer;
    if (mTarget)
    {
        if (mTargetMode == 4 && mScratchFramebuffer)
            fb = mScratchFramebuffer;
        else if (TGLTextureData* data = static_cast<TGLTextureData*>(mTarget->GetData()))
            fb = data->GetFramebuffer();
    }
    glBindFramebuffer(GL_FRAMEBUFFER, fb);
}

// The OpenGL row of a rectangle's lowest row: rows run bottom-up on the screen, top-down in a
// texture target.
int TGLDisplayHandler::GLRowOf(int top, int height)
{
    if (mTarget)
        return top;
    return mDisplay.height - top - height;
}

// ---------------------------------------------------------------------------------------------
// Viewports and clipping

void TGLDisplayHandler::ApplyViewport()
{
    int tw = 0, th = 0;
    GetTargetSize(&tw, &th);
    const int left = std::max(mViewport.x, 0);
    const int top = std::max(mViewport.y, 0);
    const int right = std::min(mViewport.x + mViewport.width, tw);
    const int bottom = std::min(mViewport.y + mViewport.height, th);
    if (right <= left || bottom <= top)
        return;
    glViewport(left, GLRowOf(top, bottom - top), right - left, bottom - top);
}

bool TGLDisplayHandler::ViewportOnTarget()
{
    int tw = 0, th = 0;
    GetTargetSize(&tw, &th);
    const int64_t left = std::max<int64_t>(mViewport.x, 0);
    const int64_t top = std::max<int64_t>(mViewport.y, 0);
    const int64_t right = std::min<int64_t>(static_cast<int64_t>(mViewport.x) + mViewport.width, tw);
    const int64_t bottom = std::min<int64_t>(static_cast<int64_t>(mViewport.y) + mViewport.height, th);
    return right > left && bottom > top;
}

namespace
{

// right - left without overflow; an inverted extent counts as empty.
int Extent(int from, int to)
{
    const int64_t d = static_cast<int64_t>(to) - from;
    return static_cast<int>(std::min<int64_t>(std::max<int64_t>(d, 0), INT32_MAX / 2));
}

}  // namespace

void TGLDisplayHandler::SetViewport(int left, int top, int right, int bottom)
{
    mProjectionDirty = true;
    left = std::min(std::max(left, INT32_MIN / 4), INT32_MAX / 4);
    top = std::min(std::max(top, INT32_MIN / 4), INT32_MAX / 4);
    mViewport = TGLViewport{left, top, Extent(left, right), Extent(top, bottom)};
    if (!mViewports.empty())
        mViewports.back() = mViewport;
    ApplyViewport();
}

void TGLDisplayHandler::PushViewport(int left, int top, int right, int bottom)
{
    mViewports.push_back(TGLViewport{left, top, Extent(left, right), Extent(top, bottom)});
    SetViewport(left, top, right, bottom);
}

void TGLDisplayHandler::PopViewport()
{
    if (mViewports.size() < 2)
        return;
    mViewports.pop_back();
    const TGLViewport v = mViewports.back();
    SetViewport(v.x, v.y, v.x + v.width, v.y + v.height);
}

void TGLDisplayHandler::ApplyClip()
{
    const TRect clip = mReplaying ? TRect::Intersect(mClipRect, mReplayBox) : mClipRect;
    const int left = clip.left;
    const int top = clip.top;
    const int width = std::max(clip.right - left, 0);
    const int height = std::max(clip.bottom - top, 0);
    glScissor(left, GLRowOf(top, height), width, height);
}

void TGLDisplayHandler::SetClipRectangle(const TURect& rect)
{
    mProjectionDirty = true;
    mClip = rect;
    const uint32_t kLimit = 1u << 24;
    mClipRect = TRect(
        static_cast<int32_t>(std::min(rect.x1, kLimit)), static_cast<int32_t>(std::min(rect.y1, kLimit)),
        static_cast<int32_t>(std::min(rect.x2, kLimit)), static_cast<int32_t>(std::min(rect.y2, kLimit)));
    ApplyClip();
}

// ---------------------------------------------------------------------------------------------
// Modes

bool TGLDisplayHandler::Begin2d()
{
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    mDepthTest = mDepthWrite = false;
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    mBlendMode = 0;
    mFilterMode = 1;
    mWrapU = mWrapV = 0;
    mIn3d = false;
    mWorld = TMat4();
    mView = TMat4();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    mProjectionDirty = true;
    return true;
}

void TGLDisplayHandler::End2d()
{
    mIn3d = false;
    mWorld = TMat4();
}

void TGLDisplayHandler::Begin3d()
{
    FlushDeferred();
    AttachSceneDepth();
    ApplyDefaultMaterialIfPending();
    mIn3d = true;
    mBlendMode = 0;
    mFilterMode = 1;
    mWrapU = mWrapV = 1;
    glPushAttrib(GL_ENABLE_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    mDepthTest = mDepthWrite = true;
    SetCullMode(3);
    SetProjectionMatrix(mProjection);
    SetWorldMatrix(mWorld);
}

void TGLDisplayHandler::End3d()
{
    glPopAttrib();
    mIn3d = false;
}

void TGLDisplayHandler::SetCullMode(int mode)
{
    mCullMode = mode;
    if (mode <= 1)
    {
        glDisable(GL_CULL_FACE);
        return;
    }
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    // Texture targets are drawn upside down relative to the screen, so the windings swap.
    const bool screen = !mTarget;
    if (mode == 2)
        glFrontFace(screen ? GL_CCW : GL_CW);
    else
        glFrontFace(screen ? GL_CW : GL_CCW);
}

void TGLDisplayHandler::SetTexture(std::shared_ptr<TTexture> texture)
{
    mCurrentTexture = texture;
    mCurrent = texture ? static_cast<TGLTextureData*>(texture->GetData()) : nullptr;
}

void TGLDisplayHandler::SetMaterial(const TMaterial* material)
{
    FlushDeferred();
    ApplyMaterial(material);
}

void TGLDisplayHandler::ApplyDefaultMaterialIfPending()
{
    if (!mDefaultMaterialPending)
        return;
    static const TMaterial kDefault = {TColor(1, 1, 1, 1), TColor(0.5f, 0.5f, 0.5f, 1), TColor(1, 1, 1, 1),
                                       TColor(0, 0, 0, 1), 1.0f};
    ApplyMaterial(&kDefault);
    mMaterial = nullptr;
}

void TGLDisplayHandler::ApplyMaterial(const TMaterial* material)
{
    mDefaultMaterialPending = false;
    mMaterial = material;
    const TColor black(0, 0, 0, 1);
    const TColor& d = material ? material->diffuse : black;
    const TColor& a = material ? material->ambient : black;
    const TColor& s = material ? material->specular : black;
    const TColor& e = material ? material->emission : black;
    const GLfloat dv[4] = {d.r, d.g, d.b, d.a}, av[4] = {a.r, a.g, a.b, a.a};
    const GLfloat sv[4] = {s.r, s.g, s.b, s.a}, ev[4] = {e.r, e.g, e.b, e.a};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, dv);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, av);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, sv);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, ev);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material ? material->shininess : 0.0f);
}

namespace
{

void LoadMatrix(const TMat4& m)
{
    // Row-vector matrices are OpenGL's column-major layout read row by row.
    GLfloat f[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            f[r * 4 + c] = m[r][c];
    glLoadMatrixf(f);
}

}  // namespace

void TGLDisplayHandler::SetWorldMatrix(const TMat4& m)
{
    FlushDeferred();
    mWorld = m;
    mWorldView = mWorld * mView;
    TMat4 mv = mWorldView;
    if (mIn3d)
    {
        // Left-handed world to OpenGL's right-handed eye space: turn about y, mirror z.
        mv.RotateY(3.14159265f);
        mv.Scale(1, 1, -1);
    }
    glMatrixMode(GL_MODELVIEW);
    LoadMatrix(mv);
}

void TGLDisplayHandler::SetViewMatrix(const TMat4& m)
{
    mView = m;
    SetWorldMatrix(mWorld);
}

void TGLDisplayHandler::SetProjectionMatrix(const TMat4& m)
{
    FlushDeferred();
    mProjection = m;
    glMatrixMode(GL_PROJECTION);
    LoadMatrix(m);
    glMatrixMode(GL_MODELVIEW);
}

void TGLDisplayHandler::SetPerspectiveProjection(float nearZ, float farZ, float fov, float aspect)
{
    int tw = 0, th = 0;
    GetTargetSize(&tw, &th);
    const int vl = mViewport.x, vt = mViewport.y;
    const int vr = mViewport.x + mViewport.width, vb = mViewport.y + mViewport.height;
    int l = std::max(std::max(vl, 0), mClipRect.left);
    int t = std::max(std::max(vt, 0), mClipRect.top);
    int r = std::min(vr, tw);
    int b = std::min(vb, th);
    if (mClipRect.right > mClipRect.left)
        r = std::min(r, mClipRect.right);
    if (mClipRect.bottom > mClipRect.top)
        b = std::min(b, mClipRect.bottom);
    const float visibleW = static_cast<float>(std::max(r - l, 1));
    const float visibleH = static_cast<float>(std::max(b - t, 1));
    const float a = aspect != 0.0f ? 1.0f / aspect : visibleW / visibleH;
    if (mViewport.height > 0 && visibleH != static_cast<float>(mViewport.height))
    {
        const float ratio = visibleH / static_cast<float>(mViewport.height);
        fov = 2.0f * std::atan(ratio * std::tan(fov / 2.0f));
    }
    TVec2 offset;
    if (mViewport.width > 0 && mViewport.height > 0)
    {
        offset.x = static_cast<float>((l - vl) - (vr - r)) / static_cast<float>(mViewport.width);
        offset.y = static_cast<float>((b - vb) + (t - vt)) / static_cast<float>(mViewport.height);
    }
    TMat4 p;
    p.OffsetPerspective(nearZ, farZ, fov, a, offset);
    SetProjectionMatrix(p);
}

// ---------------------------------------------------------------------------------------------
// Drawing state

void TGLDisplayHandler::ApplyBlendMode()
{
    const TGLBlend blend = GLBlendFor(mBlendMode, mTarget && mTargetMode == 4);
    if (!blend.enabled)
    {
        glDisable(GL_BLEND);
        return;
    }
    glEnable(GL_BLEND);
    glBlendFunc(blend.source, blend.destination);
}

void TGLDisplayHandler::ApplyFilteringMode(bool magnifyLinear, bool mipmapped)
{
    if (mFilterMode == 0)
    {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                        mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    else
    {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                        mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnifyLinear ? GL_LINEAR : GL_NEAREST);
    }
}

void TGLDisplayHandler::ApplyTextureMapMode()
{
    static const GLint kWrap[3] = {GL_CLAMP_TO_EDGE, GL_REPEAT, GL_MIRRORED_REPEAT};
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, kWrap[std::min(std::max(mWrapU, 0), 2)]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, kWrap[std::min(std::max(mWrapV, 0), 2)]);
}

void TGLDisplayHandler::LoadOrtho(float left, float right, float bottom, float top)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(left, right, bottom, top, mNear, mFar);
    glMatrixMode(GL_MODELVIEW);
}

void TGLDisplayHandler::ApplyOrthogonalProjection()
{
    int tw = 0, th = 0;
    GetTargetSize(&tw, &th);
    TGLOrtho ortho;
    if (!GLOrthoFor(mViewport.x, mViewport.y, mViewport.width, mViewport.height, tw, th, &mClipRect,
                    mTarget != nullptr, &ortho))
        return;
    LoadOrtho(ortho.left, ortho.right, ortho.bottom, ortho.top);
    mProjectionDirty = false;
}

// ---------------------------------------------------------------------------------------------
// Drawing

void TGLDisplayHandler::DrawVertices(int drawType, const TVertexSet& set)
{
    if (mDeferring && (mIn3d || mTarget))
        FlushDeferred();
    if (!mDeferring)
    {
        DrawVerticesNow(drawType, set);
        return;
    }
    if (!set.GetVerts() || set.GetCount() == 0)
        return;
    TDeferredDraw d;
    d.drawType = drawType;
    d.format = set.GetFormat();
    d.vertCount = set.GetCount();
    d.kept = set.GetKeptId();
    if (drawType >= 4 && drawType <= 6 && mCurrent && mCurrent->GetTextureObject())
    {
        d.texture = mCurrentTexture;
        d.surface = mCurrent;
        d.textureObject = mCurrent->GetTextureObject();
        d.stamp = mCurrent->GetStamp();
    }
    Record(d, set.GetVerts());
}

void TGLDisplayHandler::DrawVerticesNow(int drawType, const TVertexSet& set)
{
    static const GLenum kPrimitive[7] = {GL_POINTS,    GL_POINTS,         GL_LINES,       GL_LINE_STRIP,
                                         GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN};
    const GLenum primitive = (drawType >= 0 && drawType <= 6) ? kPrimitive[drawType] : GL_POINTS;
    const unsigned count = set.GetCount();
    const unsigned char* base = reinterpret_cast<const unsigned char*>(set.GetVerts());
    if (!base || count == 0)
        return;
    // A viewport wholly off the target (a window moved off the screen) shows nothing. OpenGL
    // still holds the previous viewport then, so drawing would land in the wrong place.
    if (set.GetFormat() != 3 && !ViewportOnTarget())
        return;

    BindCurrentTarget();
    ApplyBlendMode();
    const bool alphaTarget = mTarget && mTargetMode == 4;
    if (drawType >= 4 && drawType <= 6 && mCurrent && mCurrent->GetTextureObject())
    {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, mCurrent->GetTextureObject());
        ApplyFilteringMode(true, (mCurrent->mFlags & TTextureData::kMipmap) != 0);
        ApplyTextureMapMode();
    }
    else if (alphaTarget)
    {
        // Untextured geometry in an alpha-only target: the combiner passes the vertex alpha
        // through as grey instead of multiplying it by a texture's.
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
    }
    else
    {
        glDisable(GL_TEXTURE_2D);
    }

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 32, base);
    glTexCoordPointer(2, GL_FLOAT, 32, base + 24);

    const int format = set.GetFormat();
    // Recorded calls are drawn after the frame's 2-D mode ended; they were all made inside it.
    if (mProjectionDirty && format != 3 &&
        (mReplaying || (TRenderer::HasInstance() && TRenderer::GetInstance()->In2d())))
        ApplyOrthogonalProjection();

    bool restoreProjection = false;
    bool restoreViewport = false;
    if (format == 0)
    {
        ApplyDefaultMaterialIfPending();
        glEnable(GL_LIGHTING);
        for (int i = 0; i < 4; ++i)
            glDisable(GL_LIGHT0 + i);  // the four light slots stay empty
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 32, base + 12);
    }
    else
    {
        glDisable(GL_LIGHTING);
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, 32, base + 16);
        if (format == 2)
        {
            // Pixels relative to the viewport's corner, over the viewport cut to the target.
            int tw = 0, th = 0;
            GetTargetSize(&tw, &th);
            TGLOrtho ortho;
            if (GLOrthoFor(mViewport.x, mViewport.y, mViewport.width, mViewport.height, tw, th, nullptr,
                           mTarget != nullptr, &ortho))
            {
                glMatrixMode(GL_PROJECTION);
                glPushMatrix();
                restoreProjection = true;
                LoadOrtho(ortho.left, ortho.right, ortho.bottom, ortho.top);
            }
        }
        else if (format == 3)
        {
            int tw = 0, th = 0;
            GetTargetSize(&tw, &th);
            const int l = std::max(mViewport.x, mClipRect.left);
            const int t = std::max(mViewport.y, mClipRect.top);
            const int r = std::min(mViewport.x + mViewport.width, mClipRect.right);
            const int b = std::min(mViewport.y + mViewport.height, mClipRect.bottom);
            TRect cut(l, t, r, b);
            if (mReplaying)
                cut = TRect::Intersect(cut, mReplayBox);
            glScissor(cut.left, GLRowOf(cut.top, std::max(cut.bottom - cut.top, 0)),
                      std::max(cut.right - cut.left, 0), std::max(cut.bottom - cut.top, 0));
            PushViewport(0, 0, tw, th);
            restoreViewport = true;
            glMatrixMode(GL_PROJECTION);
            glPushMatrix();
            restoreProjection = true;
            if (mTarget)
                LoadOrtho(0, static_cast<float>(tw), 0, static_cast<float>(th));
            else
                LoadOrtho(0, static_cast<float>(tw), static_cast<float>(th), 0);
        }
    }

    glDrawArrays(primitive, 0, static_cast<GLsizei>(count));
    ++mDrawCalls;

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    if (restoreProjection)
    {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    if (restoreViewport)
    {
        PopViewport();
        ApplyClip();
        if (format == 3)
            mProjectionDirty = true;
    }
    if (alphaTarget)
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
}

namespace
{

// Saves both matrices and makes them the identity, for a draw in pixels that sets its own
// projection; the projection matrix is left current.
void PushIdentityMatrices()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
}

// Restores what PushIdentityMatrices saved; the modelview matrix is left current.
void PopMatrices()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

}  // namespace

void TGLDisplayHandler::FillRect(int left, int top, int right, int bottom, const TColor& color,
                                 std::shared_ptr<TTexture> texture)
{
    if (texture)
    {
        if (TTextureData* data = texture->GetData())
            data->FillRect(left, top, right, bottom, color, true);
        return;
    }
    if (mDeferring && (mIn3d || mTarget))
        FlushDeferred();
    if (!mDeferring)
    {
        FillRectNow(left, top, right, bottom, color);
        return;
    }
    TDeferredDraw d;
    d.fill = true;
    d.fillRect[0] = left;
    d.fillRect[1] = top;
    d.fillRect[2] = right;
    d.fillRect[3] = bottom;
    d.color[0] = color.r;
    d.color[1] = color.g;
    d.color[2] = color.b;
    d.color[3] = color.a;
    d.bounds = TRect::Intersect(TRect(left, top, right, bottom), mClipRect);
    d.boundsKnown = true;
    Record(d, nullptr);
}

void TGLDisplayHandler::FillRectNow(int left, int top, int right, int bottom, const TColor& color)
{
    BindCurrentTarget();
    const bool alphaTarget = mTarget && mTargetMode == 4;
    if (alphaTarget)
    {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    }
    else
    {
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
    }
    glDisable(GL_LIGHTING);
    int tw = 0, th = 0;
    GetTargetSize(&tw, &th);
    PushIdentityMatrices();
    glOrtho(0, tw, 0, th, -1, 1);
    PushViewport(0, 0, tw, th);
    glColor4f(color.r, color.g, color.b, color.a);
    if (mTarget)
        glRecti(left, top, right, bottom);
    else
        glRecti(left, th - bottom, right, th - top);
    ++mDrawCalls;
    glColor4f(1, 1, 1, 1);
    PopViewport();
    PopMatrices();
    mProjectionDirty = true;
}

void TGLDisplayHandler::DrawSurfaceQuad(TGLTextureData* surface, int x, int y, const TRect& source)
{
    FlushDeferred();
    if (!surface || !surface->GetTextureObject() || surface->mSurfaceWidth == 0 ||
        surface->mSurfaceHeight == 0)
        return;
    // A copy onto the screen outside a recorded frame lies where no redrawn rectangle tells.
    if (!mTarget)
        mPresentWhole = true;
    int tw = 0, th = 0;
    GetTargetSize(&tw, &th);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, surface->GetTextureObject());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    PushIdentityMatrices();
    if (mTarget)
        glOrtho(0, tw, 0, th, -1, 1);
    else
        glOrtho(0, tw, th, 0, -1, 1);
    PushViewport(0, 0, tw, th);
    const float sw = static_cast<float>(surface->mSurfaceWidth);
    const float sh = static_cast<float>(surface->mSurfaceHeight);
    const float u0 = source.left / sw, v0 = source.top / sh;
    const float u1 = source.right / sw, v1 = source.bottom / sh;
    const float x0 = static_cast<float>(x), y0 = static_cast<float>(y);
    const float x1 = x0 + source.Width(), y1 = y0 + source.Height();
    glBegin(GL_TRIANGLE_FAN);
    glTexCoord2f(u0, v0);
    glVertex2f(x0, y0);
    glTexCoord2f(u1, v0);
    glVertex2f(x1, y0);
    glTexCoord2f(u1, v1);
    glVertex2f(x1, y1);
    glTexCoord2f(u0, v1);
    glVertex2f(x0, y1);
    glEnd();
    PopViewport();
    PopMatrices();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    mProjectionDirty = true;
}

// ---------------------------------------------------------------------------------------------
// Frames

bool TGLDisplayHandler::BeginDraw(bool keep)
{
    (void)keep;  // the scene framebuffer keeps the previous frame's contents by itself
    FlushDeferred();
    EnsureScene();
    BindCurrentTarget();
    ApplyViewport();
    ApplyClip();
    if (mPartialRedraw && !mTarget && mSceneFramebuffer)
    {
        // The depth buffer is cleared where the recorded frame is drawn (ResolveFrame).
        mDeferring = true;
        mFrame.clear();
        mFrameVerts.clear();
        mMatching = mPreviousValid;
        mMatched = 0;
        return true;
    }
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDepthMask(mDepthWrite ? GL_TRUE : GL_FALSE);
    mPreviousValid = false;
    mLastRedraw = TRect(0, 0, mDisplay.width, mDisplay.height);
    mRedrawBoxes.assign(1, mLastRedraw);
    return true;
}

void TGLDisplayHandler::EndDraw(bool show)
{
    if (!mFpsChecked)
    {
        mFpsChecked = true;
        mFpsEnabled = std::getenv("ZESTKIT_SHOWFPS") != nullptr;
    }
    if (mFpsEnabled)
    {
        const unsigned now = GetRenderHost().Timer();
        mFpsStamps[mFpsCounter] = now;
        mFpsCounter = (mFpsCounter + 1) % 15;
        if (mFpsCounter == 0 && now - mFpsLastLine > 1000)
        {
            const unsigned interval = now - mFpsStamps[0];
            // Fifteen frames within one millisecond give no measurable rate: no line.
            if (interval != 0)
            {
                WriteDbg("fps: %f", 15000.0 / static_cast<double>(interval));
                mFpsLastLine = now;
            }
        }
    }
    if (!show)
    {
        glFlush();
        return;
    }
    if (mCursor && TRenderer::HasInstance())
    {
        TRenderer* renderer = TRenderer::GetInstance();
        if (renderer->Begin2d())
        {
            DrawCursor();
            renderer->End2d();
        }
    }
}

void TGLDisplayHandler::PostEndDraw(bool swap)
{
    if (mDeferring)
        ResolveFrame();
    if (TRenderer::HasInstance())
        TRenderer::GetInstance()->RunCapture();
    if (!swap)
        return;
    if (!mSceneFramebuffer)
    {
        // Without the scene the frame was drawn whole into the window's back buffer.
        GetRenderHost().SwapBuffers();
        return;
    }
    // Present: the scene goes to the window's framebuffer, scaled to fit with its proportions.
    TRenderHost& host = GetRenderHost();
    int dw = mDisplay.width, dh = mDisplay.height;
    host.GetDrawableSize(&dw, &dh);
    int w = dw, h = dh;
    if (static_cast<long long>(dw) * mDisplay.height > static_cast<long long>(dh) * mDisplay.width)
        w = static_cast<int>(static_cast<long long>(dh) * mDisplay.width / std::max(mDisplay.height, 1));
    else
        h = static_cast<int>(static_cast<long long>(dw) * mDisplay.height / std::max(mDisplay.width, 1));
    const int x = (dw - w) / 2, y = (dh - h) / 2;
    const bool unscaled = w == mDisplay.width && h == mDisplay.height;
    const bool fills = dw == mDisplay.width && dh == mDisplay.height;  // no bars around it
    // Where the window takes pixels straight in, the redrawn rectangles (all of the scene when
    // the window lost its picture) are read from the scene and put there: the window's back
    // buffer is never drawn into, and neither the copy into it (a textured quad for a software
    // renderer) nor the back buffer's memory is needed. Only for a driver that draws in the
    // processor's memory, where reading a rectangle is a plain copy; a graphics card would wait
    // for its queue at every read, and its frames would miss the swap that paces them.
    if (fills && mDrawsInMemory && host.CanPutPixels())
    {
        const bool whole = !mPresented || mPresentWhole || !host.CanShowParts();
        if (whole)
            mRedrawBoxes.assign(1, TRect(0, 0, mDisplay.width, mDisplay.height));
        static_assert(sizeof(TColor32) == sizeof(uint32_t), "a pixel is one 0xAARRGGBB word");
        // In strips of at most kPutStripPixels: a whole frame read at once would take a
        // display-sized block that the allocator keeps once freed.
        for (const TRect& b : mRedrawBoxes)
        {
            const TRect r = TRect::Intersect(b, TRect(0, 0, mDisplay.width, mDisplay.height));
            if (r.IsEmpty())
                continue;
            const int rows = std::max(1, static_cast<int>(kPutStripPixels) / r.Width());
            mPutStrip.resize(static_cast<size_t>(r.Width()) * std::min(rows, r.Height()));
            for (int top = r.top; top < r.bottom; top += rows)
            {
                const int h = std::min(rows, r.bottom - top);
                if (ReadScreenPixels(r.left, top, r.Width(), h, mPutStrip.data()))
                    host.PutPixels(r.left, top, r.Width(), h, reinterpret_cast<const uint32_t*>(mPutStrip.data()));
            }
        }
        mRedrawBoxes.clear();
        mPresented = true;
        mPresentWhole = false;
        mPresentedByPut = true;
        mPresentedAt = host.Timer();
        return;
    }
    // The driver learns a new window size at a swap: after frames put as pixels (no swaps), the
    // back buffer may still have the size the window had then, and the first scaled frame would
    // be cut to it. The window lost its picture anyway; the swap makes the driver ask again.
    if (mPresentedByPut)
    {
        mPresentedByPut = false;
        host.SwapBuffers();
        mPresentWhole = true;
    }
    // A window that still shows the last frame and can show parts of its back buffer alone
    // gets only the rectangles this frame redrew: copying the whole scene every frame costs a
    // software renderer more than drawing the frame did. An unscaled picture only, so that
    // every pixel is the scene's own.
    if (mPresented && !mPresentWhole && unscaled && host.CanShowParts())
    {
        if (mRedrawBoxes.empty())
            return;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, mSceneFramebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        for (const TRect& b : mRedrawBoxes)
        {
            const int top = mDisplay.height - b.bottom, bottom = mDisplay.height - b.top;
            glBlitFramebuffer(b.left, top, b.right, bottom, x + b.left, y + top, x + b.right, y + bottom,
                              GL_COLOR_BUFFER_BIT, GL_NEAREST);
        }
        for (const TRect& b : mRedrawBoxes)
            host.ShowPart(x + b.left, y + mDisplay.height - b.bottom, b.Width(), b.Height());
        mRedrawBoxes.clear();
        glEnable(GL_SCISSOR_TEST);
        BindCurrentTarget();
        mPresentedAt = host.Timer();
        return;
    }
    // A frame that drew nothing new leaves the window as it is; it is still presented now and
    // then, so a window that the system uncovered is painted again soon.
    const unsigned now = host.Timer();
    if (mRedrawBoxes.empty() && mPresented && !mPresentWhole && now - mPresentedAt < kRepresentMs)
        return;
    mPresented = true;
    mPresentWhole = false;
    mRedrawBoxes.clear();
    mPresentedAt = now;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mSceneFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    if (w != dw || h != dh)
    {
        // Bars around the scaled scene.
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glBlitFramebuffer(0, 0, mDisplay.width, mDisplay.height, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT,
                      (w == mDisplay.width && h == mDisplay.height) ? GL_NEAREST : GL_LINEAR);
    glEnable(GL_SCISSOR_TEST);
    host.SwapBuffers();
    BindCurrentTarget();
}

void TGLDisplayHandler::CaptureFrame(std::shared_ptr<TTexture> texture)
{
    FlushDeferred();
    if (!texture || !mSceneFramebuffer)
        return;
    TGLTextureData* data = static_cast<TGLTextureData*>(texture->GetData());
    if (!data || data->InSystemMemory())
        return;
    const unsigned fb = data->GetFramebuffer();
    if (!fb)
        return;
    const int w = std::min(static_cast<int>(texture->GetWidth()), mDisplay.width);
    const int h = std::min(static_cast<int>(texture->GetHeight()), mDisplay.height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mSceneFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fb);
    glDisable(GL_SCISSOR_TEST);
    // The screen's top row becomes texture row 0.
    glBlitFramebuffer(0, mDisplay.height - h, w, mDisplay.height, 0, h, w, 0, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glEnable(GL_SCISSOR_TEST);
    BindCurrentTarget();
}

bool TGLDisplayHandler::ReadScreenPixels(int x, int y, int width, int height, TColor32* out)
{
    FlushDeferred();
    if (!mSceneFramebuffer || !out || width <= 0 || height <= 0)
        return false;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mSceneFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    // Read in the scene's own byte order (red, green, blue, alpha), which the driver copies as it
    // is; any other order it converts through a drawing of its own, compiled on first use. Read
    // as a part of the scene's texture where the driver can: a software driver's first
    // glReadPixels sets up half a megabyte it keeps for good, which a texture read never needs.
    if (mSceneReadAsTexture)
        glGetTextureSubImage(mSceneColor, 0, x, mDisplay.height - y - height, 0, width, height, 1, GL_RGBA,
                             GL_UNSIGNED_BYTE, static_cast<GLsizei>(static_cast<size_t>(width) * height * 4),
                             out);
    else
        glReadPixels(x, mDisplay.height - y - height, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out);
    static_assert(sizeof(TColor32) == 4, "a pixel is four bytes");
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i)
    {
        uint8_t rgba[4];
        std::memcpy(rgba, &out[i], 4);
        out[i] = TColor32(uint32_t(rgba[3]) << 24 | uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2]);
    }
    // OpenGL delivers the bottom row first.
    for (int r = 0; r < height / 2; ++r)
        std::swap_ranges(out + static_cast<size_t>(r) * width, out + static_cast<size_t>(r + 1) * width,
                         out + static_cast<size_t>(height - 1 - r) * width);
    BindCurrentTarget();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Render targets

void TGLDisplayHandler::EnsureScratch(unsigned width, unsigned height)
{
    if (mScratchFramebuffer && mScratchWidth == width && mScratchHeight == height)
        return;
    if (mScratchFramebuffer)
    {
        glDeleteFramebuffers(1, &mScratchFramebuffer);
        glDeleteTextures(1, &mScratchColor);
        glDeleteRenderbuffers(1, &mScratchDepth);
        mScratchFramebuffer = mScratchColor = mScratchDepth = 0;
    }
    glGenTextures(1, &mScratchColor);
    glBindTexture(GL_TEXTURE_2D, mScratchColor);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                 GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glGenRenderbuffers(1, &mScratchDepth);
    glBindRenderbuffer(GL_RENDERBUFFER, mScratchDepth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, static_cast<GLsizei>(width),
                          static_cast<GLsizei>(height));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &mScratchFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, mScratchFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mScratchColor, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, mScratchDepth);
    mScratchWidth = width;
    mScratchHeight = height;
}

bool TGLDisplayHandler::BeginRenderTarget(std::shared_ptr<TTexture> texture, int mode)
{
    FlushDeferred();
    TGLTextureData* data = texture ? static_cast<TGLTextureData*>(texture->GetData()) : nullptr;
    if (!data || data->InSystemMemory() || !data->GetFramebuffer())
        return false;
    data->Changing();
    mTarget = texture;
    mTargetMode = mode;
    if (mode == 4)
        EnsureScratch(data->mSurfaceWidth, data->mSurfaceHeight);
    BindCurrentTarget();
    PushViewport(0, 0, static_cast<int>(texture->GetWidth()), static_cast<int>(texture->GetHeight()));
    glDisable(GL_SCISSOR_TEST);
    glDepthMask(GL_TRUE);
    if (mode == 4)
    {
        // The combiner draws vertex alpha times texture alpha as grey, with alpha 1.
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PRIMARY_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_ALPHA);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_TEXTURE);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_ALPHA);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_CONSTANT);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
        const GLfloat white[4] = {1, 1, 1, 1};
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, white);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    else
    {
        // The texture's own pixels are already in its framebuffer (modes 2 and 3 draw over
        // them; modes 0 and 1 do as well instead of over undefined contents).
        glClear(GL_DEPTH_BUFFER_BIT);
    }
    glDepthMask(mDepthWrite ? GL_TRUE : GL_FALSE);
    glEnable(GL_SCISSOR_TEST);
    ApplyClip();
    SetCullMode(mCullMode);
    return true;
}

void TGLDisplayHandler::EndRenderTarget()
{
    if (!mTarget)
        return;
    std::shared_ptr<TTexture> target = mTarget;
    TGLTextureData* data = static_cast<TGLTextureData*>(target->GetData());
    data->Changing();
    const int w = static_cast<int>(target->GetWidth());
    const int h = static_cast<int>(target->GetHeight());
    if ((mTargetMode == 0 || mTargetMode == 2) && target->HasAlpha())
    {
        glBindFramebuffer(GL_FRAMEBUFFER, data->GetFramebuffer());
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
        glScissor(0, 0, w, h);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    }
    else if (mTargetMode == 4 && target->HasAlpha() && mScratchFramebuffer && w > 0 && h > 0)
    {
        std::vector<TColor32> drawn(static_cast<size_t>(w) * h);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, mScratchFramebuffer);
        glFinish();
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, drawn.data());
        TColor32* pixels = nullptr;
        unsigned pitch = 0;
        if (data->Lock(&pixels, &pitch))
        {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    pixels[static_cast<size_t>(y) * pitch + x].SetAlpha(
                        drawn[static_cast<size_t>(y) * w + x].Blue());
            data->Unlock();
        }
    }
    if (mTargetMode == 4)
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    mTarget.reset();
    mTargetMode = 0;
    BindCurrentTarget();
    PopViewport();
    ApplyClip();
    SetCullMode(mCullMode);
}

// ---------------------------------------------------------------------------------------------
// Cursor

void TGLDisplayHandler::SetCursor(std::shared_ptr<TTexture> texture, const TPoint& hotSpot, bool)
{
    if (texture && texture != mCursor && texture->GetData())
        texture->GetData()->ProcessColor();
    mCursor = texture;
    mCursorHotSpot = hotSpot;
}

void TGLDisplayHandler::DrawCursor()
{
    TPoint mouse;
    if (!mCursor || !mCursor->GetData() || !GetMouse(&mouse))
        return;
    TDrawSpec spec(TVec2(static_cast<float>(mouse.x - mCursorHotSpot.x + 1),
                         static_cast<float>(mouse.y - mCursorHotSpot.y + 1)),
                   1.0f, 1.0f, TDrawSpec::kUsePivot);
    TTextureData* data = mCursor->GetData();
    const unsigned char flags = data->mFlags;
    data->mFlags &= ~TTextureData::kSimple;
    mCursor->DrawSprite(spec);
    data->mFlags = flags;
}

// ---------------------------------------------------------------------------------------------
// Partial redraw: a screen frame is recorded call by call and drawn when it ends, only inside
// the rectangles where it differs from the previous frame. Everything outside them would be
// drawn by the same calls in the same order as last time, so the scene framebuffer already
// holds it. Anything that reads the scene or changes a surface mid-frame draws what was
// recorded and lets the rest of the frame draw at once (FlushDeferred).

bool TGLDisplayHandler::TDeferredDraw::SameAs(const TDeferredDraw& o, const TTransformedLitVert* ownVerts,
                                              const TTransformedLitVert* otherVerts) const
{
    if (fill != o.fill || drawType != o.drawType || format != o.format || surface != o.surface ||
        textureObject != o.textureObject || stamp != o.stamp || blendMode != o.blendMode ||
        filterMode != o.filterMode || wrapU != o.wrapU || wrapV != o.wrapV || cullMode != o.cullMode)
        return false;
    if (viewport.x != o.viewport.x || viewport.y != o.viewport.y || viewport.width != o.viewport.width ||
        viewport.height != o.viewport.height)
        return false;
    if (clip.left != o.clip.left || clip.top != o.clip.top || clip.right != o.clip.right ||
        clip.bottom != o.clip.bottom)
        return false;
    if (fill)
        return std::equal(fillRect, fillRect + 4, o.fillRect) && std::equal(color, color + 4, o.color);
    if (vertCount != o.vertCount)
        return false;
    // The same kept vertices: equal without reading them.
    if (kept != 0 && kept == o.kept)
        return true;
    return vertCount == 0 ||
           std::memcmp(ownVerts + firstVert, otherVerts + o.firstVert, vertCount * sizeof(TTransformedLitVert)) == 0;
}

bool TGLDisplayHandler::SameViewportAndClip(const TDeferredDraw& a, const TDeferredDraw& b)
{
    return a.viewport.x == b.viewport.x && a.viewport.y == b.viewport.y &&
           a.viewport.width == b.viewport.width && a.viewport.height == b.viewport.height &&
           a.clip.left == b.clip.left && a.clip.top == b.clip.top && a.clip.right == b.clip.right &&
           a.clip.bottom == b.clip.bottom;
}

// Calls that can be drawn together: points, separate lines, and triangles (lists, strips and
// fans), in the formats drawn with a 2-D projection. Line strips are not joined: each would need
// its own start.
int TGLDisplayHandler::BatchKind(const TDeferredDraw& d)
{
    if (d.fill || (d.format != 1 && d.format != 2))
        return 0;
    if (d.drawType == 0 || d.drawType == 1)
        return 1;
    if (d.drawType == 2)
        return 2;
    if (d.drawType >= 4 && d.drawType <= 6)
        return 4;
    return 0;
}

bool TGLDisplayHandler::SameBatchState(const TDeferredDraw& a, const TDeferredDraw& b)
{
    return BatchKind(a) == BatchKind(b) && a.format == b.format &&
           (a.texture != nullptr) == (b.texture != nullptr) && a.surface == b.surface &&
           a.textureObject == b.textureObject && a.blendMode == b.blendMode && a.filterMode == b.filterMode &&
           a.wrapU == b.wrapU && a.wrapV == b.wrapV && a.cullMode == b.cullMode && SameViewportAndClip(a, b);
}

// Appends the primitives of one call as a list of the batch's kind: points and lines as they
// are, strips and fans as the triangles OpenGL makes of them, each with its corners in the order
// OpenGL takes them (every other strip triangle has its first two swapped, so all keep the
// strip's winding).
void TGLDisplayHandler::AppendPrimitives(int drawType, const TTransformedLitVert* v, unsigned n,
                                         std::vector<TTransformedLitVert>* out)
{
    if (drawType <= 1)
    {
        out->insert(out->end(), v, v + n);
    }
    else if (drawType == 2)
    {
        out->insert(out->end(), v, v + (n - n % 2));
    }
    else if (n < 3)
    {
        return;
    }
    else if (drawType == 4)
    {
        out->insert(out->end(), v, v + (n - n % 3));
    }
    else if (drawType == 5)
    {
        for (unsigned i = 0; i + 2 < n; ++i)
        {
            const bool odd = (i & 1) != 0;
            out->push_back(v[odd ? i + 1 : i]);
            out->push_back(v[odd ? i : i + 1]);
            out->push_back(v[i + 2]);
        }
    }
    else
    {
        for (unsigned i = 1; i + 1 < n; ++i)
        {
            out->push_back(v[0]);
            out->push_back(v[i]);
            out->push_back(v[i + 1]);
        }
    }
}

void TGLDisplayHandler::SetBatching(bool on)
{
    FlushDeferred();
    mBatching = on;
    // The next frame is drawn whole, the way it now draws.
    mPreviousValid = false;
}

void TGLDisplayHandler::SetPartialRedraw(bool on)
{
    FlushDeferred();
    mPartialRedraw = on;
    mPreviousValid = false;
}

void TGLDisplayHandler::SurfaceChanging()
{
    FlushDeferred();
}

void TGLDisplayHandler::Record(TDeferredDraw& d, const TTransformedLitVert* verts)
{
    d.blendMode = mBlendMode;
    d.filterMode = mFilterMode;
    d.wrapU = mWrapU;
    d.wrapV = mWrapV;
    d.cullMode = mCullMode;
    d.viewport = mViewport;
    d.clip = mClipRect;
    if (d.boundsKnown)
        d.bounds = TRect::Intersect(d.bounds, TRect(0, 0, mDisplay.width, mDisplay.height));
    if (mMatching)
    {
        // Compared at once with the previous frame's call in the same place, while its
        // vertices are at hand; an equal call is not stored again.
        d.firstVert = 0;
        if (mMatched < mPrevious.size() && d.SameAs(mPrevious[mMatched], verts, mPreviousVerts.data()))
        {
            mPrevious[mMatched].texture = std::move(d.texture);  // kept alive as the call's own
            ++mMatched;
            return;
        }
        StoreMatched();
    }
    if (!d.fill)
    {
        d.firstVert = mFrameVerts.size();
        // Copied as bytes: the vertex has a constructor, which makes a range insert copy it one
        // by one, and every call of every frame comes through here.
        static_assert(std::is_trivially_copyable<TTransformedLitVert>::value, "vertices are copied as bytes");
        mFrameVerts.resize(d.firstVert + d.vertCount);
        std::memcpy(mFrameVerts.data() + d.firstVert, verts, d.vertCount * sizeof(TTransformedLitVert));
    }
    mFrame.push_back(std::move(d));
}

void TGLDisplayHandler::StoreMatched()
{
    mMatching = false;
    // The previous frame's vertices were stored in the order of its calls from the start of
    // the store, so the matched calls' vertices are the store's first ones, at the same places.
    size_t end = 0;
    for (size_t i = 0; i < mMatched; ++i)
        if (!mPrevious[i].fill)
            end = std::max(end, mPrevious[i].firstVert + mPrevious[i].vertCount);
    mFrame.assign(mPrevious.begin(), mPrevious.begin() + static_cast<long>(mMatched));
    mFrameVerts.resize(end);
    if (end)
        std::memcpy(mFrameVerts.data(), mPreviousVerts.data(), end * sizeof(TTransformedLitVert));
    mMatched = 0;
}

void TGLDisplayHandler::EnsureBounds(TDeferredDraw& d, const TTransformedLitVert* store) const
{
    if (d.boundsKnown)
        return;
    d.bounds = TRect::Intersect(BoundsOf(d, store), TRect(0, 0, mDisplay.width, mDisplay.height));
    d.boundsKnown = true;
}

// The viewport and the clip are those the call was recorded with.
TRect TGLDisplayHandler::BoundsOf(const TDeferredDraw& d, const TTransformedLitVert* store) const
{
    const int format = d.format;
    const TGLViewport& viewport = d.viewport;
    const TRect& clipRect = d.clip;
    const TRect target(0, 0, mDisplay.width, mDisplay.height);
    const TRect port = TRect::Intersect(
        TRect(std::max(viewport.x, 0), std::max(viewport.y, 0),
              static_cast<int32_t>(
                  std::min<int64_t>(static_cast<int64_t>(viewport.x) + viewport.width, mDisplay.width)),
              static_cast<int32_t>(
                  std::min<int64_t>(static_cast<int64_t>(viewport.y) + viewport.height, mDisplay.height))),
        target);
    const TRect scissor = TRect::Intersect(clipRect, target);
    // Where the call may draw at most: the viewport inside the scissor box.
    const TRect reach =
        format == 3 ? TRect::Intersect(TRect::Intersect(clipRect, TRect(viewport.x, viewport.y,
                                                                        viewport.x + viewport.width,
                                                                        viewport.y + viewport.height)),
                                       target)
                    : TRect::Intersect(port, scissor);
    if (reach.IsEmpty() || (format != 1 && format != 2 && format != 3))
        return reach;
    // From vertex coordinates to screen pixels, as the projection of the format maps them.
    double scaleX = 1, scaleY = 1, fromX = 0, fromY = 0, toX = 0, toY = 0;
    if (format != 3)
    {
        const TRect visible = format == 1 ? TRect::Intersect(port, scissor) : port;
        if (visible.IsEmpty())
            return TRect();
        fromX = std::max(0, -viewport.x);
        fromY = std::max(0, -viewport.y);
        toX = port.left;
        toY = port.top;
        scaleX = static_cast<double>(port.right - port.left) / (visible.right - visible.left);
        scaleY = static_cast<double>(port.bottom - port.top) / (visible.bottom - visible.top);
    }
    const TTransformedLitVert* v = store + d.firstVert;
    const size_t count = d.vertCount;
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (size_t i = 0; i < count; ++i)
    {
        const double x = v[i].pos.x, y = v[i].pos.y;
        if (!std::isfinite(x) || !std::isfinite(y))
            return reach;
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
    }
    const double left = toX + (x0 - fromX) * scaleX, right = toX + (x1 - fromX) * scaleX;
    const double top = toY + (y0 - fromY) * scaleY, bottom = toY + (y1 - fromY) * scaleY;
    // Two pixels of margin for rounding, line widths and point sizes.
    const double kLimit = 1 << 24;
    auto clampEdge = [&](double e) { return static_cast<int32_t>(std::max(-kLimit, std::min(kLimit, e))); };
    return TRect::Intersect(TRect(clampEdge(std::floor(left) - 2), clampEdge(std::floor(top) - 2),
                                  clampEdge(std::ceil(right) + 2), clampEdge(std::ceil(bottom) + 2)),
                            reach);
}

// draws is the recorded frame, mFrame: its vertices lie in mFrameVerts.
void TGLDisplayHandler::Replay(std::vector<TDeferredDraw>& draws, const TRect& box)
{
    const TGLViewport savedViewport = mViewport;
    const TRect savedClip = mClipRect;
    const int savedBlend = mBlendMode, savedFilter = mFilterMode, savedWrapU = mWrapU, savedWrapV = mWrapV;
    const int savedCull = mCullMode;
    TGLTextureData* savedCurrent = mCurrent;
    for (TDeferredDraw& d : draws)
        EnsureBounds(d, mFrameVerts.data());
    mReplaying = true;
    mReplayBox = box;
    BindCurrentTarget();
    ApplyClip();
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDepthMask(mDepthWrite ? GL_TRUE : GL_FALSE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    mProjectionDirty = true;
    const TDeferredDraw* applied = nullptr;  // the call whose viewport and clip are set
    const size_t count = draws.size();
    for (size_t i = 0; i < count; ++i)
    {
        TDeferredDraw& d = draws[i];
        // A call that cannot reach the box changes nothing in it.
        if (TRect::Intersect(d.bounds, box).IsEmpty())
            continue;
        if (!applied || !SameViewportAndClip(*applied, d))
        {
            mViewport = d.viewport;
            ApplyViewport();
            mClipRect = d.clip;
            ApplyClip();
            // The projection of the 2-D formats follows the viewport and the clip.
            mProjectionDirty = true;
        }
        applied = &d;
        mBlendMode = d.blendMode;
        mFilterMode = d.filterMode;
        mWrapU = d.wrapU;
        mWrapV = d.wrapV;
        if (d.cullMode != mCullMode)
            SetCullMode(d.cullMode);
        if (d.fill)
        {
            FillRectNow(d.fillRect[0], d.fillRect[1], d.fillRect[2], d.fillRect[3],
                        TColor(d.color[0], d.color[1], d.color[2], d.color[3]));
            // It drew through a viewport of its own and restored the handler's, not this one's.
            applied = nullptr;
            continue;
        }
        mCurrent = d.texture ? const_cast<TGLTextureData*>(d.surface) : nullptr;
        // The calls that follow in the same state join this one as one list of points, lines or
        // triangles, as long as they reach the box; one that does not changes nothing and is
        // passed over.
        size_t last = i;
        const int kind = mBatching ? BatchKind(d) : 0;
        if (kind != 0)
        {
            for (size_t j = i + 1; j < count; ++j)
            {
                const TDeferredDraw& next = draws[j];
                if (TRect::Intersect(next.bounds, box).IsEmpty())
                    continue;
                if (!SameBatchState(d, next))
                    break;
                last = j;
            }
        }
        if (last == i)
        {
            TVertexSet set(d.format, mFrameVerts.data() + d.firstVert, d.vertCount);
            DrawVerticesNow(d.drawType, set);
            // Target pixels are drawn through a viewport of their own, like a fill.
            if (d.format == 3)
                applied = nullptr;
            continue;
        }
        mBatch.clear();
        for (size_t j = i; j <= last; ++j)
        {
            const TDeferredDraw& part = draws[j];
            if (TRect::Intersect(part.bounds, box).IsEmpty())
                continue;
            AppendPrimitives(part.drawType, mFrameVerts.data() + part.firstVert, part.vertCount, &mBatch);
        }
        TVertexSet set(d.format, mBatch.data(), static_cast<unsigned>(mBatch.size()));
        DrawVerticesNow(kind, set);
        i = last;
    }
    mReplaying = false;
    mViewport = savedViewport;
    mClipRect = savedClip;
    mBlendMode = savedBlend;
    mFilterMode = savedFilter;
    mWrapU = savedWrapU;
    mWrapV = savedWrapV;
    if (mCullMode != savedCull)
        SetCullMode(savedCull);
    mCurrent = savedCurrent;
    ApplyViewport();
    ApplyClip();
    mProjectionDirty = true;
}

void TGLDisplayHandler::FlushDeferred()
{
    if (!mDeferring)
        return;
    if (mMatching)
        StoreMatched();
    mDeferring = false;
    mPreviousValid = false;
    mLastRedraw = TRect(0, 0, mDisplay.width, mDisplay.height);
    mRedrawBoxes.assign(1, mLastRedraw);
    Replay(mFrame, mLastRedraw);
    mFrame.clear();
    mFrameVerts.clear();
}

void TGLDisplayHandler::AddBox(std::vector<TRect>* boxes, TRect r)
{
    if (r.IsEmpty())
        return;
    // Merge with every overlapping rectangle until none overlaps.
    for (bool merged = true; merged;)
    {
        merged = false;
        for (size_t i = 0; i < boxes->size(); ++i)
        {
            const TRect& b = (*boxes)[i];
            if (r.left < b.right && b.left < r.right && r.top < b.bottom && b.top < r.bottom)
            {
                r = TRect(std::min(r.left, b.left), std::min(r.top, b.top), std::max(r.right, b.right),
                          std::max(r.bottom, b.bottom));
                boxes->erase(boxes->begin() + static_cast<long>(i));
                merged = true;
                break;
            }
        }
    }
    boxes->push_back(r);
}

void TGLDisplayHandler::CollapseBoxes(std::vector<TRect>* boxes)
{
    // Each rectangle draws the whole frame once more: past a few, one rectangle around them all
    // costs less.
    const size_t kMaxBoxes = 4;
    if (boxes->size() > kMaxBoxes)
    {
        TRect all = (*boxes)[0];
        for (const TRect& b : *boxes)
            all = TRect(std::min(all.left, b.left), std::min(all.top, b.top), std::max(all.right, b.right),
                        std::max(all.bottom, b.bottom));
        boxes->assign(1, all);
    }
}

void TGLDisplayHandler::ResolveFrame()
{
    mDeferring = false;
    if (mMatching && mMatched == mPrevious.size())
    {
        // Every call equal to the previous frame's, in the same order: nothing to draw, and
        // the previous frame stays the one the next is compared with.
        mMatching = false;
        mMatched = 0;
        for (TDeferredDraw& d : mPrevious)
            d.texture.reset();
        mLastRedraw = TRect();
        return;
    }
    if (mMatching)
        StoreMatched();
    const TRect full(0, 0, mDisplay.width, mDisplay.height);
    std::vector<TRect>& boxes = mBoxes;
    boxes.clear();
    if (!mPreviousValid)
    {
        boxes.push_back(full);
    }
    else
    {
        // The calls that differ lie between the common beginning and the common end of the two
        // frames; each old and new one marks its own rectangle.
        const size_t n = mFrame.size(), m = mPrevious.size();
        size_t head = 0;
        const TTransformedLitVert* now = mFrameVerts.data();
        const TTransformedLitVert* before = mPreviousVerts.data();
        while (head < n && head < m && mFrame[head].SameAs(mPrevious[head], now, before))
            ++head;
        size_t tail = 0;
        while (tail < n - head && tail < m - head &&
               mFrame[n - 1 - tail].SameAs(mPrevious[m - 1 - tail], now, before))
            ++tail;
        for (size_t i = head; i < n - tail; ++i)
        {
            EnsureBounds(mFrame[i], now);
            AddBox(&boxes, mFrame[i].bounds);
        }
        for (size_t i = head; i < m - tail; ++i)
        {
            EnsureBounds(mPrevious[i], before);
            AddBox(&boxes, mPrevious[i].bounds);
        }
        CollapseBoxes(&boxes);
    }
    mLastRedraw = TRect();
    for (const TRect& b : boxes)
    {
        AddBox(&mRedrawBoxes, b);
        CollapseBoxes(&mRedrawBoxes);
        Replay(mFrame, b);
        mLastRedraw =
            mLastRedraw.IsEmpty()
                ? b
                : TRect(std::min(mLastRedraw.left, b.left), std::min(mLastRedraw.top, b.top),
                        std::max(mLastRedraw.right, b.right), std::max(mLastRedraw.bottom, b.bottom));
    }
    // The textures were kept alive for the drawing only; the next frame compares by stamp.
    for (TDeferredDraw& d : mFrame)
        d.texture.reset();
    mPrevious.swap(mFrame);
    mPreviousVerts.swap(mFrameVerts);
    mFrame.clear();
    mFrameVerts.clear();
    mPreviousValid = true;
}

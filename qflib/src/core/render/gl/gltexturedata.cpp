// The OpenGL texture surface behind TTexture.
#include "render/gl/gltexturedata.h"

#include <algorithm>
#include <cstring>

#include "render/gl/gldisplayhandler.h"
#include "render/gl/glheaders.h"
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

bool IsPowerOfTwo(unsigned n)
{
    return n != 0 && (n & (n - 1)) == 0;
}

// Keeps the caller's texture and framebuffer bindings across a surface operation.
class TBindingGuard
{
public:
    TBindingGuard()
    {
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &mTexture);
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &mDraw);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &mRead);
    }
    ~TBindingGuard()
    {
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(mTexture));
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(mDraw));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(mRead));
    }

private:
    GLint mTexture = 0, mDraw = 0, mRead = 0;
};

void ResetUnpack()
{
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
}

}  // namespace

namespace
{

unsigned long long NextStamp()
{
    static unsigned long long stamp = 0;
    return ++stamp;
}

}  // namespace

TGLTextureData::TGLTextureData(TGLDisplayHandler* handler) : mHandler(handler), mStamp(NextStamp())
{
}

void TGLTextureData::Changing()
{
    mHandler->SurfaceChanging();
    mStamp = NextStamp();
}

void TGLTextureData::CountBytes(long long bytes)
{
    TRenderer::NoteTextureBytes(bytes - mCountedBytes);
    mCountedBytes = bytes;
}

TGLTextureData::~TGLTextureData()
{
    CountBytes(0);
    if (mFramebuffer)
        glDeleteFramebuffers(1, &mFramebuffer);
    if (mDepthBuffer)
        glDeleteRenderbuffers(1, &mDepthBuffer);
    if (mTexture)
        glDeleteTextures(1, &mTexture);
}

bool TGLTextureData::CreateSurface(unsigned width, unsigned height, bool clear)
{
    Changing();
    mMipmapLevel = 0;
    int displayWidth = 0, displayHeight = 0;
    bool fullscreen = false;
    mHandler->GetDisplay(&displayWidth, &displayHeight, &fullscreen);
    if ((mFlags & kSimple) && width > static_cast<unsigned>(std::max(displayWidth, 0)))
        mFlags |= kSystemMemory;
    if (width == 0 || height == 0)
        return false;

    if (mFlags & kSystemMemory)
    {
        mImageWidth = mSurfaceWidth = width;
        mImageHeight = mSurfaceHeight = height;
        mOffsetX = mOffsetY = 0;
        mSystem.assign(static_cast<size_t>(width) * height, TColor32(0u));
        CountBytes(static_cast<long long>(width) * height * 4);
        if (clear)
            Clear();
        return true;
    }

    mImageWidth = width;
    mImageHeight = height;
    if (mHandler->IsSquareOnly())
    {
        if (width == height && IsPowerOfTwo(width))
            mSurfaceWidth = mSurfaceHeight = width;
        else
            mSurfaceWidth = mSurfaceHeight = std::max(PowerOfTwoAtLeast(width), PowerOfTwoAtLeast(height));
    }
    else
    {
        mSurfaceWidth = PowerOfTwoAtLeast(width);
        mSurfaceHeight = PowerOfTwoAtLeast(height);
    }
    mOffsetX = static_cast<int>((mSurfaceWidth - width) >> 1);
    mOffsetY = static_cast<int>((mSurfaceHeight - height) >> 1);

    TBindingGuard guard;
    if (!mTexture)
        glGenTextures(1, &mTexture);
    glBindTexture(GL_TEXTURE_2D, mTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (mFlags & kAlpha) ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    while (glGetError() != GL_NO_ERROR)
    {
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(mSurfaceWidth),
                 static_cast<GLsizei>(mSurfaceHeight), 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    if (glGetError() != GL_NO_ERROR || mTexture == 0)
    {
        CountBytes(0);
        return false;
    }
    // Mip levels add a third.
    const long long level = static_cast<long long>(mSurfaceWidth) * mSurfaceHeight * 4;
    CountBytes((mFlags & kMipmap) ? level + level / 3 : level);
    if (clear)
        Clear();
    return true;
}

void TGLTextureData::Upload(const TColor32* pixels, unsigned pitch, unsigned width, unsigned height)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch));
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height),
                    GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
    ResetUnpack();
}

bool TGLTextureData::FillSurface(unsigned width, unsigned height, TColor32* pixels)
{
    Changing();
    if (!pixels)
        return false;
    if (mFlags & kSystemMemory)
    {
        const unsigned cols = std::min(mImageWidth, std::min(width, mSurfaceWidth));
        const unsigned rows = std::min(mImageHeight, std::min(height, mSurfaceHeight));
        for (unsigned y = 0; y < rows; ++y)
            std::memcpy(static_cast<void*>(&mSystem[static_cast<size_t>(y) * mSurfaceWidth]),
                        pixels + static_cast<size_t>(y) * width, cols * sizeof(TColor32));
        return true;
    }
    if (!mTexture)
        return false;
    TBindingGuard guard;
    // width is the source pitch; the surface takes as much of the source as it covers.
    const unsigned cols = std::min(width, mSurfaceWidth);
    const unsigned rows = std::min(height, mSurfaceHeight);
    if (mFlags & kMipmap)
    {
        glDeleteTextures(1, &mTexture);
        glGenTextures(1, &mTexture);
        glBindTexture(GL_TEXTURE_2D, mTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(mSurfaceWidth),
                     static_cast<GLsizei>(mSurfaceHeight), 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        if (cols < mSurfaceWidth || rows < mSurfaceHeight)
            Clear();
        glBindTexture(GL_TEXTURE_2D, mTexture);
        Upload(pixels, width, cols, rows);
        glGenerateMipmap(GL_TEXTURE_2D);
        // The framebuffer pointed at the old texture object.
        if (mFramebuffer)
        {
            glDeleteFramebuffers(1, &mFramebuffer);
            mFramebuffer = 0;
        }
        if (mDepthBuffer)
        {
            glDeleteRenderbuffers(1, &mDepthBuffer);
            mDepthBuffer = 0;
        }
        return true;
    }
    glBindTexture(GL_TEXTURE_2D, mTexture);
    if (cols < mSurfaceWidth || rows < mSurfaceHeight)
    {
        Clear();
        glBindTexture(GL_TEXTURE_2D, mTexture);
    }
    Upload(pixels, width, cols, rows);
    return true;
}

bool TGLTextureData::Lock(TColor32** pixels, unsigned* pitch)
{
    if (!pixels || !pitch)
        return false;
    if (mFlags & kSystemMemory)
    {
        if (mSystem.empty())
            return false;
        *pixels = mSystem.data();
        *pitch = mSurfaceWidth;
        return true;
    }
    if (!mTexture)
        return false;
    mShadow.resize(static_cast<size_t>(mSurfaceWidth) * mSurfaceHeight);
    TBindingGuard guard;
    glFinish();
    glBindTexture(GL_TEXTURE_2D, mTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, mShadow.data());
    glFinish();
    *pixels = mShadow.data();
    *pitch = mSurfaceWidth;
    return true;
}

void TGLTextureData::Unlock()
{
    Changing();
    TColor32* pixels = (mFlags & kSystemMemory) ? mSystem.data() : mShadow.data();
    if (!(mFlags & kAlpha) && pixels)
    {
        const unsigned rows = std::min(mImageHeight, mSurfaceHeight);
        const unsigned cols = std::min(mImageWidth, mSurfaceWidth);
        for (unsigned y = 0; y < rows; ++y)
            for (unsigned x = 0; x < cols; ++x)
                pixels[static_cast<size_t>(y) * mSurfaceWidth + x].SetAlpha(255);
    }
    if ((mFlags & kSystemMemory) || mShadow.empty() || !mTexture)
        return;
    TBindingGuard guard;
    glFinish();
    glBindTexture(GL_TEXTURE_2D, mTexture);
    Upload(mShadow.data(), mSurfaceWidth, mSurfaceWidth, mSurfaceHeight);
    if (mFlags & kMipmap)
        glGenerateMipmap(GL_TEXTURE_2D);
    glFinish();
    // The texture holds the pixels now, and the next Lock reads them back from it: a copy kept
    // here would double the memory of every surface ever locked.
    std::vector<TColor32>().swap(mShadow);
}

void TGLTextureData::Clear()
{
    Changing();
    if (mFlags & kSystemMemory)
    {
        std::fill(mSystem.begin(), mSystem.end(), TColor32(0u));
        return;
    }
    if (!mTexture)
        return;
    TBindingGuard guard;
    const std::vector<TColor32> zeros(static_cast<size_t>(mSurfaceWidth) * mSurfaceHeight, TColor32(0u));
    glBindTexture(GL_TEXTURE_2D, mTexture);
    Upload(zeros.data(), mSurfaceWidth, mSurfaceWidth, mSurfaceHeight);
}

void TGLTextureData::FillRect(int left, int top, int right, int bottom, const TColor& color, bool)
{
    Changing();
    TColor c = color;
    if (!(mFlags & kAlpha))
        c.a = 1.0f;
    const TColor32 word(c);
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, static_cast<int>(mSurfaceWidth));
    bottom = std::min(bottom, static_cast<int>(mSurfaceHeight));
    if (right <= left || bottom <= top)
        return;
    if (mFlags & kSystemMemory)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                mSystem[static_cast<size_t>(y) * mSurfaceWidth + x] = word;
        return;
    }
    if (!mTexture)
        return;
    TBindingGuard guard;
    const std::vector<TColor32> block(static_cast<size_t>(right - left) * (bottom - top), word);
    glBindTexture(GL_TEXTURE_2D, mTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    ResetUnpack();
    glTexSubImage2D(GL_TEXTURE_2D, 0, left, top, right - left, bottom - top, GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, block.data());
}

unsigned TGLTextureData::GetFramebuffer()
{
    if (mFramebuffer || !mTexture || (mFlags & kSystemMemory))
        return mFramebuffer;
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    glGenRenderbuffers(1, &mDepthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, mDepthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, static_cast<GLsizei>(mSurfaceWidth),
                          static_cast<GLsizei>(mSurfaceHeight));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &mFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mTexture, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, mDepthBuffer);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
    if (!complete)
    {
        glDeleteFramebuffers(1, &mFramebuffer);
        glDeleteRenderbuffers(1, &mDepthBuffer);
        mFramebuffer = mDepthBuffer = 0;
    }
    return mFramebuffer;
}

void TGLTextureData::Draw(int x, int y, const TRect& source)
{
    mHandler->DrawSurfaceQuad(this, x, y, source);
}

void TGLTextureData::CopyPixels(int x, int y, const TRect* source, std::shared_ptr<TTexture> target)
{
    const TRect src =
        source ? *source : TRect(0, 0, static_cast<int32_t>(mImageWidth), static_cast<int32_t>(mImageHeight));
    if (src.IsEmpty())
        return;
    TGLTextureData* dst = target ? static_cast<TGLTextureData*>(target->GetData()) : nullptr;
    if (target && (!dst || dst->InSystemMemory()))
        return;  // a system-memory target receives nothing
    if (dst)
        dst->Changing();
    else
        mHandler->FlushDeferred();

    const int savedBlend = mHandler->GetBlendMode();
    mHandler->SetBlendMode(TRenderer::kBlendOpaque);
    glDisable(GL_BLEND);
    if (target)
    {
        glDisable(GL_SCISSOR_TEST);
    }
    else
    {
        // Toward the screen only its edges clip the copy, whatever clipping rectangle is set.
        int displayWidth = 0, displayHeight = 0;
        bool fullscreen = false;
        mHandler->GetDisplay(&displayWidth, &displayHeight, &fullscreen);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, std::max(displayWidth, 0), std::max(displayHeight, 0));
    }

    if (!target)
    {
        if (InSystemMemory())
            DrawSFB(x, y, src);
        else
        {
            mHandler->BindCurrentTarget();
            Draw(x, y, src);
        }
    }
    else if (InSystemMemory())
    {
        DrawSV(x, y, src, dst);
    }
    else
    {
        DrawVV(x, y, src, dst);
    }

    mHandler->SetBlendMode(savedBlend);
    glEnable(GL_SCISSOR_TEST);
    mHandler->ApplyClip();
}

void TGLTextureData::DrawSFB(int x, int y, const TRect& source)
{
    // Rows go top-down from the raster position: memory row 0 lands on the screen row y.
    int displayWidth = 0, displayHeight = 0;
    bool fullscreen = false;
    mHandler->GetDisplay(&displayWidth, &displayHeight, &fullscreen);
    int left = std::max(source.left, 0), top = std::max(source.top, 0);
    int right = std::min(source.right, static_cast<int>(mSurfaceWidth));
    int bottom = std::min(source.bottom, static_cast<int>(mSurfaceHeight));
    int dx = x, dy = y;
    // Clip against the screen's left and top edges, which the raster position cannot cross.
    if (dx < 0)
    {
        left -= dx;
        dx = 0;
    }
    if (dy < 0)
    {
        top -= dy;
        dy = 0;
    }
    if (right <= left || bottom <= top || dx >= displayWidth || dy >= displayHeight)
        return;
    mHandler->BindCurrentTarget();
    glWindowPos2i(dx, displayHeight - dy);
    glPixelZoom(1.0f, -1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(mSurfaceWidth));
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, left);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, top);
    glDrawPixels(right - left, bottom - top, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, mSystem.data());
    glPixelZoom(1.0f, 1.0f);
    ResetUnpack();
}

void TGLTextureData::DrawSV(int x, int y, const TRect& source, TGLTextureData* target)
{
    const TRect want(x, y, x + source.Width(), y + source.Height());
    const TRect cut = TRect::Intersect(want, TRect(0, 0, static_cast<int32_t>(target->mImageWidth),
                                                   static_cast<int32_t>(target->mImageHeight)));
    if (cut.IsEmpty() || !target->GetTextureObject())
        return;
    const int skipX = (cut.left - x) + source.left;
    const int skipY = (cut.top - y) + source.top;
    if (skipX < 0 || skipY < 0 || skipX + cut.Width() > static_cast<int>(mSurfaceWidth) ||
        skipY + cut.Height() > static_cast<int>(mSurfaceHeight))
        return;
    TBindingGuard guard;
    glBindTexture(GL_TEXTURE_2D, target->GetTextureObject());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(mSurfaceWidth));
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipX);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipY);
    glTexSubImage2D(GL_TEXTURE_2D, 0, cut.left, cut.top, cut.Width(), cut.Height(), GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, mSystem.data());
    ResetUnpack();
}

void TGLTextureData::DrawVV(int x, int y, const TRect& source, TGLTextureData* target)
{
    const TRect want(x, y, x + source.Width(), y + source.Height());
    const TRect cut = TRect::Intersect(want, TRect(0, 0, static_cast<int32_t>(target->mImageWidth),
                                                   static_cast<int32_t>(target->mImageHeight)));
    if (cut.IsEmpty() || !target->GetTextureObject())
        return;
    const int sx = (cut.left - x) + source.left;
    const int sy = (cut.top - y) + source.top;
    if (sx < 0 || sy < 0 || sx + cut.Width() > static_cast<int>(mSurfaceWidth) ||
        sy + cut.Height() > static_cast<int>(mSurfaceHeight))
        return;
    const unsigned fb = GetFramebuffer();
    if (!fb)
        return;
    TBindingGuard guard;
    // Both surfaces keep memory order in their rows, so the copy needs no flip.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fb);
    glBindTexture(GL_TEXTURE_2D, target->GetTextureObject());
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, cut.left, cut.top, sx, sy, cut.Width(), cut.Height());
}

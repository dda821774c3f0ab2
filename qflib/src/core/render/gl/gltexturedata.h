// The OpenGL texture surface: a texture object (GL_RGBA8, pixels transferred as GL_BGRA with
// GL_UNSIGNED_INT_8_8_8_8_REV, so memory bytes B, G, R, A), or, for "slow" textures and simple
// textures wider than the display, an array in system memory. Texture row 0 is the image's top
// row. A surface used as a render target or copy source gets a framebuffer object of its own.
#pragma once

#include <vector>

#include "render/texture.h"

class TGLDisplayHandler;

class TGLTextureData : public TTextureData
{
public:
    explicit TGLTextureData(TGLDisplayHandler* handler);
    ~TGLTextureData() override;

    bool FillSurface(unsigned width, unsigned height, TColor32* pixels) override;
    bool CreateSurface(unsigned width, unsigned height, bool clear) override;
    void CopyPixels(int x, int y, const TRect* source, std::shared_ptr<TTexture> target) override;
    void Clear() override;
    bool Lock(TColor32** pixels, unsigned* pitch) override;
    void Unlock() override;
    void FillRect(int left, int top, int right, int bottom, const TColor& color, bool) override;

    bool InSystemMemory() const { return (mFlags & kSystemMemory) != 0; }
    // Changes whenever the pixels may have changed; never repeats, even across surfaces.
    unsigned long long GetStamp() const { return mStamp; }
    // Bytes of the copy that Lock makes of a video surface; none outside Lock and Unlock.
    size_t GetLockCopyBytes() const { return mShadow.capacity() * sizeof(TColor32); }
    // Called before the pixels change (also by the display handler for render targets).
    void Changing();
    unsigned GetTextureObject() const { return mTexture; }
    // The framebuffer object with this texture as colour attachment and a depth buffer of the
    // surface size, made on first use; 0 when it cannot be made.
    unsigned GetFramebuffer();

    // Draws the source rectangle as an opaque quad with its top-left corner at (x, y) of the
    // current target (screen or render target).
    void Draw(int x, int y, const TRect& source);

private:
    void Upload(const TColor32* pixels, unsigned pitch, unsigned width, unsigned height);
    void DrawSFB(int x, int y, const TRect& source);
    void DrawSV(int x, int y, const TRect& source, TGLTextureData* target);
    void DrawVV(int x, int y, const TRect& source, TGLTextureData* target);

    TGLDisplayHandler* mHandler;
    unsigned mTexture = 0;        // GL texture name, 0 when none
    long long mCountedBytes = 0;  // what this surface adds to the renderer's texture memory
    // Makes this surface count bytes in the renderer's texture memory (0 when freed).
    void CountBytes(long long bytes);
    unsigned mFramebuffer = 0;  // GL framebuffer name, 0 when none
    unsigned mDepthBuffer = 0;  // GL renderbuffer name, 0 when none
    int mMipmapLevel = 0;
    std::vector<TColor32> mShadow;  // Lock's copy of a video surface
    std::vector<TColor32> mSystem;  // the pixels of a system-memory surface
    unsigned long long mStamp;
};

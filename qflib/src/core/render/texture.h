// TTexture: the framework's image asset, a named, cached, shared picture that draws as a
// sprite, locks for pixel access, copies into other textures and serves as a render target.
// Its pixels live in a TTextureData surface made by the display handler.
#pragma once

#include <memory>

#include "foundation/asset.h"
#include "foundation/color.h"
#include "foundation/rect.h"
#include "foundation/str.h"

class TTexture;
struct TDrawSpec;

// Abstract surface. Pixels are TColor32 (bytes B, G, R, A), rows at the surface width's pitch,
// the image in the top-left corner.
class TTextureData
{
public:
    enum EFlags
    {
        kAlpha = 0x02,           // the surface keeps its alpha
        kAlphaFromImage = 0x04,  // after decoding, kAlpha follows the image's own alpha
        kMipmap = 0x08,          // mip levels are built when the pixels are filled
        kSimple = 0x10,          // never a sprite or a render target
        kSystemMemory = 0x20     // the surface lives in system memory; no 1024 limit
    };

    TTextureData();
    virtual ~TTextureData();

    virtual void Release() {}
    virtual void Restore() {}
    // Uploads width x height pixels (pitch width) into the surface.
    virtual bool FillSurface(unsigned width, unsigned height, TColor32* pixels) = 0;
    // Allocates the surface for an image of width x height and sets the sizes and offsets.
    virtual bool CreateSurface(unsigned width, unsigned height, bool clear) = 0;
    // Copies source (clamped by the caller; null: the whole image) to (x, y) of the target
    // texture, or of the screen when target is empty.
    virtual void CopyPixels(int x, int y, const TRect* source, std::shared_ptr<TTexture> target) = 0;
    // Transparent black everywhere.
    virtual void Clear() = 0;
    // Pixel access; the pitch is in pixels. False when either pointer is null.
    virtual bool Lock(TColor32** pixels, unsigned* pitch) = 0;
    // Without kAlpha every pixel of the image rectangle becomes opaque.
    virtual void Unlock() = 0;
    // Fills right-exclusive, bottom-exclusive; without kAlpha the colour counts as opaque.
    virtual void FillRect(int left, int top, int right, int bottom, const TColor& color, bool) = 0;

    // Colour key for cursor images, once per surface: exact magenta becomes transparent black,
    // every other pixel opaque; sets kAlpha.
    void ProcessColor();

    // Decodes a file (with "?" options) and an optional mask image into this surface.
    bool LoadFile(str name, str mask);

    str mName;
    str mMaskName;
    unsigned mImageWidth = 0, mImageHeight = 0;
    unsigned mSurfaceWidth = 0, mSurfaceHeight = 0;
    int mOffsetX = 0, mOffsetY = 0;
    unsigned char mFlags = 0;
    bool mColorKeyProcessed = false;

private:
    bool LoadFileOnce(const str& name, const str& options, const str& mask);
};

class TTexture : public TAsset
{
public:
    TTexture();
    ~TTexture() override;

    static int ClassId();
    const char* GetTypeName() override { return "TTexture"; }
    bool IsKindOf(int classId) override;
    void Release() override;
    void Restore() override;

    // Cached loads. flags: 1 mipmap, 2 keep alpha, 4 force opaque (2 wins over 4).
    static std::shared_ptr<TTexture> Get(str name, unsigned flags = 0);
    // Alpha from the red channel of a second image; flag 1 mipmap.
    static std::shared_ptr<TTexture> GetMerged(str name, str mask, unsigned flags = 0);
    static std::shared_ptr<TTexture> GetSimple(str name);
    // A blank texture, transparent black; empty when the surface cannot be made.
    static std::shared_ptr<TTexture> Create(unsigned width, unsigned height, bool alpha);
    // The cache handles the three loaders use.
    static str GetHandle(str name, unsigned flags);
    static str GetSimpleHandle(str name);
    static str GetMergedHandle(str name, str mask, unsigned flags);
    static str GetCreatedHandle(const TTexture* texture);

    virtual void DrawSprite(float x, float y, float alpha, float scale, float angle, unsigned flags);
    virtual void DrawSprite(const TDrawSpec& spec);
    // Copies source (null: the whole image; clamped to it) to (x, y) of target, or of the screen
    // when target is empty. Does nothing while the renderer is in a frame.
    virtual void CopyPixels(int x, int y, const TRect* source, std::shared_ptr<TTexture> target);
    virtual unsigned GetWidth();
    virtual unsigned GetHeight();

    // (image + 2 * offset + 1) with the lowest bit cleared, per side: the surface size of every
    // power-of-two surface.
    void GetInternalSize(unsigned* width, unsigned* height);
    bool IsSimple() const;
    bool HasAlpha() const;
    bool Lock(TColor32** pixels, unsigned* pitch);
    void Unlock();

    TTextureData* GetData() { return mData.get(); }

private:
    std::unique_ptr<TTextureData> mData;
};

// Asset kinds of which only the class identity exists here.
class TAnimatedTexture : public TTexture
{
public:
    static int ClassId();
    const char* GetTypeName() override { return "TAnimatedTexture"; }
    bool IsKindOf(int classId) override;
};

class TModel : public TAsset
{
public:
    static int ClassId();
    const char* GetTypeName() override { return "TModel"; }
    bool IsKindOf(int classId) override;
};

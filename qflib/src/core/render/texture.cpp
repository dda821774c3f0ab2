// TTexture: the cached, shared picture asset.
#include "render/texture.h"

#include <cinttypes>
#include <cstdint>
#include <cstring>

#include "foundation/assetmanager.h"
#include "foundation/confighook.h"
#include "foundation/file.h"
#include "render/displayhandler.h"
#include "render/imageloaders.h"
#include "render/renderer.h"
#include "render/vertexset.h"

namespace
{

const unsigned kMaxVideoSide = 1024;

bool Contains(const str& text, const char* what)
{
    return text.find(str(what), 0, 0) != 0xFFFFFFFFu;
}

unsigned PowerOfTwoAtLeast(unsigned n)
{
    unsigned p = 1;
    while (p < n && p < 0x80000000u)
        p <<= 1;
    return p;
}

str ForwardSlashes(str name)
{
    name.replace(str("\\"), str("/"), 2, 0);
    return name;
}

TDisplayHandler* Handler()
{
    return TRenderer::GetInstance()->GetDisplayHandler();
}

int DisplayWidth()
{
    int w = 0, h = 0;
    bool fullscreen = false;
    if (TDisplayHandler* handler = Handler())
        handler->GetDisplay(&w, &h, &fullscreen);
    return w;
}

// A decoded image and the free function of the loader that made it.
struct TDecoded
{
    unsigned char* pixels = nullptr;
    int width = 0, height = 0, stride = 0, hasAlpha = 0;
    void (*release)(unsigned char*) = nullptr;

    TDecoded() = default;
    TDecoded(const TDecoded&) = delete;
    TDecoded& operator=(const TDecoded&) = delete;
    ~TDecoded()
    {
        if (pixels && release)
            release(pixels);
    }
};

// Decodes by the first of ".png", ".jpg", ".jp2" in the name; false when none is there or the
// decoder fails. kind receives 'p', 'j' or '2'.
bool DecodeByName(const str& name, TDecoded* out, char* kind)
{
    if (Contains(name, ".png"))
    {
        *kind = 'p';
        out->release = EzPngFreeImage;
        return EzPngLoadImage(name.c_str(), &out->pixels, &out->width, &out->height, &out->stride,
                              &out->hasAlpha);
    }
    if (Contains(name, ".jpg"))
    {
        *kind = 'j';
        out->release = EzJpegFreeImage;
        return EzJpegLoadImage(name.c_str(), &out->pixels, &out->width, &out->height, &out->stride);
    }
    if (Contains(name, ".jp2"))
    {
        *kind = '2';
        out->release = EzJp2FreeImage;
        return EzJp2LoadImage(name.c_str(), &out->pixels, &out->width, &out->height, &out->stride,
                              &out->hasAlpha);
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TTextureData

TTextureData::TTextureData()
{
}
TTextureData::~TTextureData()
{
}

void TTextureData::ProcessColor()
{
    if (mColorKeyProcessed)
        return;
    mColorKeyProcessed = true;
    mFlags |= kAlpha;
    TColor32* pixels = nullptr;
    unsigned pitch = 0;
    if (!Lock(&pixels, &pitch))
        return;
    for (unsigned y = 0; y < mSurfaceHeight; ++y)
        for (unsigned x = 0; x < mSurfaceWidth; ++x)
        {
            TColor32& p = pixels[static_cast<size_t>(y) * pitch + x];
            if (p.Blue() == 255 && p.Green() == 0 && p.Red() == 255)
                p = TColor32(0u);
            else
                p.SetAlpha(255);
        }
    Unlock();
}

bool TTextureData::LoadFile(str name, str mask)
{
    str options;
    const unsigned question = name.find('?', 4, 0);
    if (question != 0xFFFFFFFFu)
    {
        options = name.substr(question, -1);
        name = name.substr(0, static_cast<int>(question));
        if (Contains(options, "slow"))
            mFlags |= kSimple | kSystemMemory;
        if (Contains(options, "simple"))
            mFlags |= kSimple;
        if (Contains(options, "alpha"))
        {
            mFlags |= kAlpha;
            mFlags &= ~kAlphaFromImage;
        }
        if (Contains(options, "mipmap"))
            mFlags |= kMipmap;
    }

    if (!TFile::Exists(name))
    {
        if (Contains(name, ".png") || Contains(name, ".jpg") || Contains(name, ".jp2"))
            return false;
        static const char* const kExtensions[] = {".png", ".jpg", ".jp2"};
        for (const char* ext : kExtensions)
            if (LoadFile(name + str(ext) + options, mask))
                return true;
        return false;
    }

    if (mask.length() && !TFile::Exists(mask))
    {
        if (Contains(mask, ".png") || Contains(mask, ".jpg"))
            return false;
        return LoadFile(name + options, mask + str(".jpg")) || LoadFile(name + options, mask + str(".png"));
    }
    return LoadFileOnce(name, options, mask);
}

bool TTextureData::LoadFileOnce(const str& name, const str& options, const str& maskIn)
{
    (void)options;
    str mask = maskIn;
    TDecoded image;
    char kind = 0;
    if (!DecodeByName(name, &image, &kind))
        return false;
    if ((kind == 'p' || kind == '2') && (mFlags & kAlphaFromImage))
    {
        if (image.hasAlpha)
            mFlags |= kAlpha;
        else
            mFlags &= ~kAlpha;
    }
    if (kind == 'j' && qfGetConfig("automergemask").to_int() != 0)
    {
        const unsigned at = name.find(str(".jpg"), 4, 0);
        str partner = name.substr(0, static_cast<int>(at)) + str(".mask.png") + name.substr(at + 4, -1);
        if (TFile::Exists(partner))
        {
            mask = partner;
            mFlags |= kAlpha;
            mFlags &= ~kAlphaFromImage;
        }
    }

    if (mask.length())
    {
        TDecoded maskImage;
        bool decoded = true;
        if (Contains(mask, ".png"))
        {
            maskImage.release = EzPngFreeImage;
            decoded = EzPngLoadImage(mask.c_str(), &maskImage.pixels, &maskImage.width, &maskImage.height,
                                     &maskImage.stride, &maskImage.hasAlpha);
        }
        else if (Contains(mask, ".jpg"))
        {
            maskImage.release = EzJpegFreeImage;
            decoded = EzJpegLoadImage(mask.c_str(), &maskImage.pixels, &maskImage.width, &maskImage.height,
                                      &maskImage.stride);
        }
        if (!decoded)
            return false;
        if (maskImage.pixels && maskImage.stride == image.stride)
        {
            const size_t count = static_cast<size_t>(image.stride) * image.stride;
            for (size_t i = 0; i < count; ++i)
                image.pixels[i * 4 + 3] = maskImage.pixels[i * 4 + 2];
        }
    }

    const unsigned stride = static_cast<unsigned>(image.stride);
    unsigned surfaceWidth, surfaceHeight;
    if (!(mFlags & kSimple) && TRenderer::GetInstance()->GetTextureSquareFlag())
    {
        surfaceWidth = surfaceHeight = stride;
    }
    else
    {
        surfaceWidth = PowerOfTwoAtLeast(static_cast<unsigned>(image.width));
        surfaceHeight = PowerOfTwoAtLeast(static_cast<unsigned>(image.height));
    }
    // Where the surface will live is decided here, by the rule the surface itself applies, so
    // that only system-memory surfaces get their rows packed to the narrower pitch.
    if ((mFlags & kSimple) && surfaceWidth > static_cast<unsigned>(DisplayWidth()))
        mFlags |= kSystemMemory;
    if (!(mFlags & kSystemMemory) && (surfaceWidth > kMaxVideoSide || surfaceHeight > kMaxVideoSide))
        return false;

    unsigned pitch = stride;
    unsigned rows = stride;
    if (mFlags & kSystemMemory)
    {
        TColor32* px = reinterpret_cast<TColor32*>(image.pixels);
        if (stride > surfaceWidth && surfaceHeight > 1)
            for (unsigned y = 1; y < surfaceHeight; ++y)
                std::memmove(px + static_cast<size_t>(y) * surfaceWidth, px + static_cast<size_t>(y) * stride,
                             surfaceWidth * sizeof(TColor32));
        pitch = surfaceWidth;
        rows = surfaceHeight;
    }

    mName = name;
    mMaskName = mask;
    if (!CreateSurface(surfaceWidth, surfaceHeight, false))
        return false;
    mImageWidth = static_cast<unsigned>(image.width);
    mImageHeight = static_cast<unsigned>(image.height);
    mOffsetX = (static_cast<int>(mSurfaceWidth) - static_cast<int>(mImageWidth)) / 2;
    mOffsetY = (static_cast<int>(mSurfaceHeight) - static_cast<int>(mImageHeight)) / 2;
    return FillSurface(pitch, rows, reinterpret_cast<TColor32*>(image.pixels));
}

// ---------------------------------------------------------------------------------------------
// TTexture

TTexture::TTexture()
{
    if (TDisplayHandler* handler = Handler())
        mData.reset(handler->NewTextureData());
}

TTexture::~TTexture()
{
    if (mData && mData->mName.length() == 0)
    {
        if (TAssetManager* manager = TAssetManager::GetInstance())
            manager->RemoveAsset(GetCreatedHandle(this));
    }
    mData.reset();
}

int TTexture::ClassId()
{
    return qfClassIdFrom(&TTexture::ClassId);
}

bool TTexture::IsKindOf(int classId)
{
    return classId == ClassId() || classId == TAsset::ClassId();
}

int TAnimatedTexture::ClassId()
{
    return qfClassIdFrom(&TAnimatedTexture::ClassId);
}

bool TAnimatedTexture::IsKindOf(int classId)
{
    return classId == ClassId() || TTexture::IsKindOf(classId);
}

int TModel::ClassId()
{
    return qfClassIdFrom(&TModel::ClassId);
}

bool TModel::IsKindOf(int classId)
{
    return classId == ClassId() || classId == TAsset::ClassId();
}

void TTexture::Release()
{
    if (mData)
        mData->Release();
}

void TTexture::Restore()
{
    if (mData)
        mData->Restore();
}

str TTexture::GetHandle(str name, unsigned flags)
{
    str handle = ForwardSlashes(name);
    if (flags & 2)
        handle += str(":a");
    if (flags & 1)
        handle += str(":m");
    return handle + str(":tex");
}

str TTexture::GetSimpleHandle(str name)
{
    return ForwardSlashes(name) + str(":s:tex");
}

str TTexture::GetMergedHandle(str name, str mask, unsigned flags)
{
    str handle = name + str(":") + mask;
    if (flags & 1)
        handle += str(":m");
    return handle + str(":tex");
}

str TTexture::GetCreatedHandle(const TTexture* texture)
{
    // The full address: two live textures never share a handle.
    return str::getFormatted("%" PRIxPTR ":tex:r", reinterpret_cast<uintptr_t>(texture));
}

namespace
{

std::shared_ptr<TTexture> Cached(const str& handle)
{
    TAssetManager* manager = TAssetManager::GetInstance();
    if (!manager)
        return nullptr;
    std::shared_ptr<TAsset> asset = manager->GetAsset(handle);
    if (!asset || !asset->IsKindOf(TTexture::ClassId()))
        return nullptr;
    return std::static_pointer_cast<TTexture>(asset);
}

std::shared_ptr<TTexture> MakeRegistered(const str& handle)
{
    std::shared_ptr<TTexture> texture = std::make_shared<TTexture>();
    if (!texture->GetData())
        return nullptr;
    if (TAssetManager* manager = TAssetManager::GetInstance())
        manager->AddAsset(handle, texture);
    return texture;
}

}  // namespace

std::shared_ptr<TTexture> TTexture::Get(str name, unsigned flags)
{
    const str handle = GetHandle(name, flags);
    if (std::shared_ptr<TTexture> cached = Cached(handle))
        return cached;
    std::shared_ptr<TTexture> texture = MakeRegistered(handle);
    if (!texture)
        return nullptr;
    TTextureData* data = texture->GetData();
    if (flags & 2)
        data->mFlags |= TTextureData::kAlpha;
    else if (flags & 4)
        data->mFlags &= ~TTextureData::kAlpha;
    else
        data->mFlags |= TTextureData::kAlphaFromImage;
    if (flags & 1)
        data->mFlags |= TTextureData::kMipmap;
    if (!data->LoadFile(name, str()))
        return nullptr;
    return texture;
}

std::shared_ptr<TTexture> TTexture::GetMerged(str name, str mask, unsigned flags)
{
    const str handle = GetMergedHandle(name, mask, flags);
    if (std::shared_ptr<TTexture> cached = Cached(handle))
        return cached;
    std::shared_ptr<TTexture> texture = MakeRegistered(handle);
    if (!texture)
        return nullptr;
    TTextureData* data = texture->GetData();
    data->mFlags |= TTextureData::kAlpha;
    if (flags & 1)
        data->mFlags |= TTextureData::kMipmap;
    if (!data->LoadFile(name, mask))
        return nullptr;
    return texture;
}

std::shared_ptr<TTexture> TTexture::GetSimple(str name)
{
    const str handle = GetSimpleHandle(name);
    if (std::shared_ptr<TTexture> cached = Cached(handle))
        return cached;
    std::shared_ptr<TTexture> texture = MakeRegistered(handle);
    if (!texture)
        return nullptr;
    TTextureData* data = texture->GetData();
    data->mFlags |= TTextureData::kSimple | TTextureData::kAlphaFromImage;
    if (!data->LoadFile(name, str()))
        return nullptr;
    return texture;
}

std::shared_ptr<TTexture> TTexture::Create(unsigned width, unsigned height, bool alpha)
{
    std::shared_ptr<TTexture> texture = std::make_shared<TTexture>();
    TTextureData* data = texture->GetData();
    if (!data)
        return nullptr;
    if (alpha)
        data->mFlags |= TTextureData::kAlpha;
    if (!data->CreateSurface(width, height, true))
        return nullptr;
    data->mImageWidth = width;
    data->mImageHeight = height;
    if (TAssetManager* manager = TAssetManager::GetInstance())
        manager->AddAsset(GetCreatedHandle(texture.get()), texture);
    return texture;
}

void TTexture::DrawSprite(float x, float y, float alpha, float scale, float angle, unsigned flags)
{
    if (!mData || !TRenderer::GetInstance()->In2d())
        return;
    TDrawSpec spec(TVec2(0, 0), alpha, 1.0f, flags);
    if (scale != 1.0f)
        spec.matrix.Scale(scale);
    spec.matrix[2] = TVec3(x, y, 1);
    spec.matrix.Rotate(angle);
    DrawSprite(spec);
}

void TTexture::DrawSprite(const TDrawSpec& spec)
{
    TRenderer* renderer = TRenderer::GetInstance();
    if (!mData || !renderer->In2d() || IsSimple())
        return;
    renderer->NoteSpriteDrawn();
    TTransformedLitVert verts[4];
    BuildSpriteQuad(spec, mData->mImageWidth, mData->mImageHeight, mData->mSurfaceWidth,
                    mData->mSurfaceHeight, verts);

    if (qfGetConfig("softwaretextureculling").to_int() != 0)
    {
        const TURect clip = renderer->GetClippingRectangle();
        if (clip.x2 > clip.x1)
        {
            TRect viewport;
            renderer->GetViewport(&viewport);
            const float left = static_cast<float>(static_cast<int64_t>(clip.x1) - viewport.left);
            const float right = static_cast<float>(static_cast<int64_t>(clip.x2) - viewport.left);
            const float top = static_cast<float>(static_cast<int64_t>(clip.y1) - viewport.top);
            const float bottom = static_cast<float>(static_cast<int64_t>(clip.y2) - viewport.top);
            float minX = verts[0].pos.x, maxX = minX, minY = verts[0].pos.y, maxY = minY;
            for (const TTransformedLitVert& v : verts)
            {
                minX = std::min(minX, v.pos.x);
                maxX = std::max(maxX, v.pos.x);
                minY = std::min(minY, v.pos.y);
                maxY = std::max(maxY, v.pos.y);
            }
            if (minX > right || left > maxX || minY > bottom || top > maxY)
                return;
        }
    }

    std::shared_ptr<TAsset> self = weak_from_this().lock();
    renderer->SetTexture(std::static_pointer_cast<TTexture>(self));
    if (spec.blendMode != -1)
        renderer->SetBlendMode(static_cast<TRenderer::EBlendMode>(spec.blendMode));
    renderer->DrawVertices(TRenderer::kTriangleFan, TVertexSet(verts, 4));
}

void TTexture::CopyPixels(int x, int y, const TRect* source, std::shared_ptr<TTexture> target)
{
    if (!mData || TRenderer::GetInstance()->InDraw())
        return;
    if (!source)
    {
        mData->CopyPixels(x, y, nullptr, target);
        return;
    }
    TRect clamped = *source;
    clamped.left = std::max(clamped.left, 0);
    clamped.top = std::max(clamped.top, 0);
    clamped.right = std::min(clamped.right, static_cast<int32_t>(mData->mImageWidth));
    clamped.bottom = std::min(clamped.bottom, static_cast<int32_t>(mData->mImageHeight));
    mData->CopyPixels(x, y, &clamped, target);
}

unsigned TTexture::GetWidth()
{
    return mData ? mData->mImageWidth : 0;
}
unsigned TTexture::GetHeight()
{
    return mData ? mData->mImageHeight : 0;
}

void TTexture::GetInternalSize(unsigned* width, unsigned* height)
{
    if (!mData)
        return;
    if (width)
        *width = (mData->mImageWidth + 2 * mData->mOffsetX + 1) & ~1u;
    if (height)
        *height = (mData->mImageHeight + 2 * mData->mOffsetY + 1) & ~1u;
}

bool TTexture::IsSimple() const
{
    return mData && (mData->mFlags & TTextureData::kSimple);
}
bool TTexture::HasAlpha() const
{
    return mData && (mData->mFlags & TTextureData::kAlpha);
}

bool TTexture::Lock(TColor32** pixels, unsigned* pitch)
{
    return mData && mData->Lock(pixels, pitch);
}

void TTexture::Unlock()
{
    if (mData)
        mData->Unlock();
}

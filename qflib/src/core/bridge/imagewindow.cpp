// TImage: a window that draws one picture.
#include "bridge/imagewindow.h"

#include <cmath>

#include "app/platform.h"
#include "bridge/widgetsupport.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "render/vertexset.h"
#include "window/windowmanager.h"
#include "window/windowstyle.h"

namespace
{

// A texture size times the scale, rounded, as a window size (0 for anything not finite or
// negative, and never beyond what a window edge may be).
unsigned ScaledSize(unsigned size, float scale)
{
    const double v = double(size) * double(scale) + 0.5;
    if (!(v > 0))
        return 0;
    const double limit = double(TWindow::kCoordLimit);
    return unsigned(v > limit ? limit : v);
}

}  // namespace

TClassId TImage::ClassId()
{
    return WindowClassId<TImage>();
}

TImage::TImage(bool cacheable)
{
    if (cacheable)
        SetInternalFlags(kCacheable, 0);
    SetFlags(GetFlags() | kOpaque);
}

TImage::~TImage() = default;

void TImage::ResizeToTexture()
{
    if (!mTexture)
        return;
    unsigned w = mTexture->GetWidth();
    unsigned h = mTexture->GetHeight();
    if (mRotate)
        std::swap(w, h);
    SetWindowSize(ScaledSize(w, mImageScale), ScaledSize(h, mImageScale));
}

void TImage::SetTexture(std::shared_ptr<TTexture> texture, float scale)
{
    mTexture = std::move(texture);
    mImageScale = scale;
    ResizeToTexture();
    widgets::Invalidate();
}

void TImage::SetTexture(const str& image, float scale)
{
    SetTexture(TTexture::Get(image, 0), scale);
}

void TImage::SetDrawFlags(unsigned flags)
{
    mDrawFlags = flags;
    widgets::Invalidate();
}

void TImage::SetRotate(bool rotate)
{
    if (rotate == mRotate)
        return;
    mRotate = rotate;
    ResizeToTexture();
    widgets::Invalidate();
}

void TImage::Init(TWindowStyle& style)
{
    const str image = style.GetString(str("image"), str(""));
    const str mask = style.GetString(str("mask"), str(""));
    float scale = float(style.GetNumber(str("scale"), 1.0));
    const bool alpha = style.GetBool(str("alpha"), false);
    const bool mipmap = style.GetBool(str("mipmap"), false);
    mDrawFlags = 0;
    if (style.GetBool(str("hflip"), false))
        mDrawFlags |= TDrawSpec::kMirrorH;
    if (style.GetBool(str("vflip"), false))
        mDrawFlags |= TDrawSpec::kMirrorV;
    mRotate = style.GetBool(str("rotate"), false);

    if (alpha)
        SetFlags(GetFlags() & ~uint32_t(kOpaque));
    const unsigned options = (alpha ? 2u : 0u) | (mipmap ? 1u : 0u);

    std::shared_ptr<TTexture> texture;
    if (!image.empty() && !mask.empty())
        texture = TTexture::GetMerged(image, mask, options);
    else if (!image.empty())
        texture = TTexture::Get(image, options);

    if (texture && scale == 1.0f && style.GetBool(str("autoscale"), false))
    {
        unsigned displayW = 0, displayH = 0;
        bool fullscreen = false;
        if (TPlatform* platform = TPlatform::GetInstance())
            platform->GetDisplay(&displayW, &displayH, &fullscreen);
        const unsigned tw = texture->GetWidth();
        const unsigned th = texture->GetHeight();
        const float sx = tw == 0 ? 1.0f : float(displayW) / float(tw);
        if (th == 0)
        {
            scale = sx;
        }
        else
        {
            const float sy = float(displayH) / float(th);
            scale = sy > 1.0f ? sy : sx;
        }
    }
    SetTexture(texture, scale);

    // An explicit size in the style wins over the texture's; the window core keeps a size the
    // window already has, so clear it first when the style names one.
    const bool explicitW = !std::isnan(style.GetNumber(str("w"), NAN));
    const bool explicitH = !std::isnan(style.GetNumber(str("h"), NAN));
    if (explicitW || explicitH)
        SetWindowSize(explicitW ? 0u : unsigned(GetWindowWidth()),
                      explicitH ? 0u : unsigned(GetWindowHeight()));
    TWindow::Init(style);
}

void TImage::Draw()
{
    if (!mTexture || !TRenderer::HasInstance())
        return;
    TRenderer* renderer = TRenderer::GetInstance();
    const bool began = renderer->Begin2d();
    TDrawSpec spec(TVec2(0, 0), mImageAlpha, 1.0f, mDrawFlags | TDrawSpec::kUsePivot);
    if (mImageScale != 1.0f)
        spec.matrix.Scale(mImageScale);
    spec.pivot = TVec2(0, 0);
    spec.blendMode = -1;
    if (mRotate)
    {
        spec.pivot = TVec2(0, float(mTexture->GetHeight()));
        spec.matrix.Rotate(float(M_PI / 2));
    }
    mTexture->DrawSprite(spec);
    if (began)
        renderer->End2d();
}

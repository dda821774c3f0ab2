// TImage: a picture window. It draws one texture at its top-left corner, optionally scaled,
// mirrored or turned a quarter turn, and takes the texture's size (times the scale).
#pragma once

#include <memory>

#include "bridge/scriptwidget.h"
#include "window/window.h"

class TTexture;

class TImage : public TWindow, public TScriptWidget
{
public:
    // With `cacheable` the window may be drawn into the cached lower layers. Every image starts
    // opaque; an image with transparency clears that in Init.
    explicit TImage(bool cacheable = true);
    ~TImage() override;

    static TClassId ClassId();
    const char* GetTypeName() const override { return "TImage"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TWindow::IsKindOf(id); }

    void Init(TWindowStyle& style) override;
    void Draw() override;

    // Stores the texture and scale; with a texture the window takes its size.
    void SetTexture(std::shared_ptr<TTexture> texture, float scale);
    void SetDrawFlags(unsigned flags);
    void SetRotate(bool rotate);

    std::shared_ptr<TTexture> GetTexture() const { return mTexture; }
    float GetImageScale() const { return mImageScale; }
    unsigned GetDrawFlags() const { return mDrawFlags; }

    // The script side.
    EKind GetWidgetKind() const override { return kImage; }
    void SetTexture(const str& image, float scale) override;
    bool HasTexture() const override { return mTexture != nullptr; }

private:
    void ResizeToTexture();

    std::shared_ptr<TTexture> mTexture;
    float mImageScale = 1.0f;
    float mImageAlpha = 1.0f;
    unsigned mDrawFlags = 0;
    bool mRotate = false;
};

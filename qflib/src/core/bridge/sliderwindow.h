// TSlider: a scroll bar and value slider. A rail drawn from three textures (two end caps and a
// stretched middle) and a thumb image the user drags; the value runs from 0 to 1. The parent
// learns of changes through messages: value changed, mouse up after a drag, page up and page
// down for clicks on the rail before or after the thumb.
#pragma once

#include <memory>

#include "foundation/vec.h"
#include "window/window.h"

class TImage;
class TTexture;
struct TTransformedLitVert;

class TSlider : public TWindow
{
public:
    TSlider();
    ~TSlider() override;

    static TClassId ClassId();
    const char* GetTypeName() const override { return "TSlider"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TWindow::IsKindOf(id); }

    void Init(TWindowStyle& style) override;
    void Draw() override;
    bool OnMouseDown(const TPoint& point) override;
    bool OnMouseUp(const TPoint& point) override;
    bool OnMouseMove(const TPoint& point) override;
    bool OnMouseLeave() override;

    // Clamps to 0..1 (NaN is 0), moves the thumb and, unless silent, tells the parent.
    void SetValue(float value, bool silent);
    float GetValue() const { return mValue; }
    void UpdateSliderPos();
    // The size across the rail from the rail widths and the thumb.
    void SetSliderSize();
    void SetRailTexture(std::shared_ptr<TTexture> top, std::shared_ptr<TTexture> mid,
                        std::shared_ptr<TTexture> bottom);
    void SetSliderTexture(std::shared_ptr<TTexture> normal, std::shared_ptr<TTexture> rollover);
    // Builds the quad of one rail piece at `offset` along the rail; its length along the rail.
    int BuildTexture(std::shared_ptr<TTexture> piece, int offset, TTransformedLitVert* vertices,
                     bool stretch);

    bool IsHorizontal() const { return mHorizontal; }
    bool IsDragging() const { return mDragging != 0; }
    // The thumb, or null once it has been destroyed.
    TImage* GetThumb() const { return Thumb(); }

private:
    TImage* Thumb() const;
    void SendToParent(int type);
    void ShowThumb(bool rollover);
    bool OnThumb(const TPoint& point) const;

    int mDragging = 0;
    bool mInitialised = false;
    TImage* mThumb;
    bool mThumbAdopted = false;
    std::shared_ptr<TTexture> mThumbTexture, mThumbRolloverTexture;
    std::shared_ptr<TTexture> mRailTop, mRailMid, mRailBottom;
    float mValue = 0;
    float mScale = 1.0f;
    float mAlpha = 1.0f;
    int mCrossOffset = 0;
    int mThickness = 0;
    bool mHorizontal = false;
};

// Fills 6 vertices (two triangles) for one textured piece; `turned` lays the piece's length
// along x.
void MakeQuad2d(TTransformedLitVert* vertices, const TVec2& position, const TVec2& size, const TVec2& extra,
                const TVec2& uvDivisor, bool turned, float alpha);

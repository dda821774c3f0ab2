// TText: a static text window. Its label goes through the string tables, it is laid out in a
// vector font by a TTextGraphic the size of the window, it can be scrolled and rotated, and
// the links in its markup are command links that run the button of the same name in the same
// modal window.
#pragma once

#include "bridge/scriptwidget.h"
#include "foundation/color.h"
#include "window/window.h"

class TTextGraphic;

class TText : public TWindow, public TScriptWidget
{
public:
    TText();
    ~TText() override;

    static TClassId ClassId();
    const char* GetTypeName() const override { return "TText"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TWindow::IsKindOf(id); }

    // false (nothing made) for a zero width or height; otherwise makes the text graphic, sizes
    // the window and sets the text through the virtual SetText.
    bool Create(str text, unsigned width, unsigned height, unsigned flags, const char* font, unsigned size,
                const TColor& colour);

    void Init(TWindowStyle& style) override;
    void Draw() override;
    // Positions run from 0 (top) to 1 (the last lines in view); the second value is unused.
    void SetScroll(float position, float unused) override;

    bool OnMouseDown(const TPoint& point) override;
    bool OnMouseUp(const TPoint& point) override;
    bool OnMouseMove(const TPoint& point) override;
    bool OnMouseLeave() override;

    virtual void SetText(str text);
    virtual str GetText() const;

    TTextGraphic* GetTextGraphic() const { return mTextGraphic; }
    const str& GetPressedLink() const { return mPressedLink; }

    // The script side.
    EKind GetWidgetKind() const override { return kText; }
    str GetLabel() const override { return GetText(); }
    void SetLabel(const str& text) override { SetText(text); }

protected:
    TTextGraphic* mTextGraphic = nullptr;
    float mScale = 1.0f;
    float mAlpha = 1.0f;
    int32_t mPadding = 0;
    float mScrollBias = 0.5f;
    str mPressedLink;
};

// Resolves a style coordinate against the parent's extent as window positions are resolved:
// kCenter and kMax codes, negatives from the far edge, then centring or far-edge alignment.
int ResolveStyleCoordinate(int64_t coordinate, int64_t size, int64_t extent, bool centre, bool farEdge);

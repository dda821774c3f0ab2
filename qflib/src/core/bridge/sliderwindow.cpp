// TSlider: the scroll bar and value slider.
#include "bridge/sliderwindow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "bridge/imagewindow.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "render/vertexset.h"
#include "window/message.h"
#include "window/windowmanager.h"
#include "window/windowstyle.h"

namespace
{

// A style number as an int: NaN 0, out-of-range values clamped to the window coordinate range.
int StyleInt(double v)
{
    if (std::isnan(v))
        return 0;
    const double limit = double(TWindow::kCoordLimit);
    return int(std::max(-limit, std::min(limit, v)));
}

// A float as a window coordinate: NaN 0, clamped, truncated toward zero.
int ToCoord(float v)
{
    if (std::isnan(v))
        return 0;
    const float limit = float(TWindow::kCoordLimit);
    return int(std::max(-limit, std::min(limit, v)));
}

}  // namespace

void MakeQuad2d(TTransformedLitVert* vertices, const TVec2& position, const TVec2& size, const TVec2& extra,
                const TVec2& uvDivisor, bool turned, float alpha)
{
    static const int kCorners[6][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 1}};
    const float w = size.x + extra.x;
    const float h = size.y + extra.y;
    float a = 255.0f * alpha;
    const unsigned char alphaByte = !(a > 0) ? 0 : a >= 255.0f ? 255 : static_cast<unsigned char>(a);
    for (int i = 0; i < 6; i++)
    {
        const float cx = float(kCorners[i][0]);
        const float cy = float(kCorners[i][1]);
        TTransformedLitVert& v = vertices[i];
        if (turned)
            v.pos = TVec3(position.x + cy * h, position.y + cx * w, 0.1f);
        else
            v.pos = TVec3(position.x + cx * w, position.y + cy * h, 0.1f);
        v.rhw = 0.5f;
        v.color = TColor32(255, 255, 255, alphaByte);
        v.specular = TColor32(0, 0, 0, 255);
        v.u = cx / uvDivisor.x;
        v.v = cy / uvDivisor.y;
    }
}

TClassId TSlider::ClassId()
{
    return WindowClassId<TSlider>();
}

TSlider::TSlider() : mThumb(new TImage(true))
{
}

TImage* TSlider::Thumb() const
{
    // The thumb is a child like any other: a script may destroy it.
    return mThumb && TWindow::IsLive(mThumb) ? mThumb : nullptr;
}

TSlider::~TSlider()
{
    if (TWindowManager* manager = TWindowManager::GetInstance())
        manager->RemoveMouseListener(this);
    // A thumb that never joined the window tree is still ours.
    if (Thumb() && mThumb->GetParent() == nullptr && !mThumbAdopted)
        delete mThumb;
}

void TSlider::SendToParent(int type)
{
    if (TWindow* parent = GetParent())
        parent->SendWindowMessage(new TMessage(type, GetName()));
}

void TSlider::SetValue(float value, bool silent)
{
    if (std::isnan(value))
        value = 0;
    mValue = std::max(0.0f, std::min(1.0f, value));
    if (Thumb())
        UpdateSliderPos();
    if (!silent)
        SendToParent(TMessage::kSliderValueChanged);
}

void TSlider::UpdateSliderPos()
{
    if (!Thumb())
        return;
    if (mHorizontal)
        Thumb()->SetWindowPos(ToCoord(float(GetWindowWidth() - Thumb()->GetWindowWidth()) * mValue),
                              mCrossOffset);
    else
        Thumb()->SetWindowPos(mCrossOffset,
                              ToCoord(float(GetWindowHeight() - Thumb()->GetWindowHeight()) * mValue));
}

void TSlider::SetSliderSize()
{
    mThickness = 0;
    for (const auto* piece : {&mRailTop, &mRailMid, &mRailBottom})
    {
        if (!*piece)
            continue;
        const float width = float((*piece)->GetWidth()) * mScale;
        if (width > float(mThickness))
            mThickness = ToCoord(width);
    }
    if (Thumb())
    {
        const int cross =
            (mHorizontal ? Thumb()->GetWindowHeight() : Thumb()->GetWindowWidth()) + std::abs(mCrossOffset);
        mThickness = std::max(mThickness, cross);
    }
    if (mHorizontal)
        SetWindowSize(unsigned(std::max(0, GetWindowWidth())), unsigned(std::max(0, mThickness)));
    else
        SetWindowSize(unsigned(std::max(0, mThickness)), unsigned(std::max(0, GetWindowHeight())));
}

void TSlider::SetRailTexture(std::shared_ptr<TTexture> top, std::shared_ptr<TTexture> mid,
                             std::shared_ptr<TTexture> bottom)
{
    mRailTop = std::move(top);
    mRailMid = std::move(mid);
    mRailBottom = std::move(bottom);
    SetSliderSize();
}

void TSlider::SetSliderTexture(std::shared_ptr<TTexture> normal, std::shared_ptr<TTexture> rollover)
{
    mThumbTexture = std::move(normal);
    mThumbRolloverTexture = std::move(rollover);
    if (Thumb())
    {
        Thumb()->SetTexture(mThumbTexture, mScale);
        if (!Thumb()->GetParent())
            mThumbAdopted = AdoptChild(Thumb(), true) || mThumbAdopted;
    }
    SetSliderSize();
}

void TSlider::Init(TWindowStyle& style)
{
    TWindow::Init(style);
    if (mInitialised)
        return;
    mInitialised = true;

    const int w = StyleInt(style.GetNumber(str("w"), 0));
    const int h = StyleInt(style.GetNumber(str("h"), 0));
    const double hslider = style.GetNumber(str("hslider"), -1);
    if (hslider < 0)
        mHorizontal = h < w;
    else
        mHorizontal = style.GetBool(str("hslider"), false);

    const str railTop = style.GetString(str("railtop"), str(""));
    const str railMid = style.GetString(str("railmid"), str(""));
    const str railBottom = style.GetString(str("railbot"), str(""));
    const str thumb = style.GetString(str("sliderimage"), str(""));
    const str thumbRollover = style.GetString(str("sliderrollimage"), str(""));
    const str name = style.GetString(str("name"), str(""));
    const double scale = style.GetNumber(str("scale"), 1.0);
    mCrossOffset = StyleInt(style.GetNumber(str("yoffset"), 0));
    SetValue(float(style.GetNumber(str("value"), 0)), true);

    SetName(name);
    mScale = std::isnan(scale) ? 1.0f : float(scale);
    auto get = [](const str& file)
    { return file.empty() ? std::shared_ptr<TTexture>() : TTexture::Get(file, 0); };
    SetRailTexture(get(railTop), get(railMid), get(railBottom));
    SetSliderTexture(get(thumb), get(thumbRollover));
    UpdateSliderPos();
    if (Thumb() && !Thumb()->GetParent())
    {
        mThumbAdopted = AdoptChild(Thumb(), true) || mThumbAdopted;
        SetSliderSize();
    }
}

int TSlider::BuildTexture(std::shared_ptr<TTexture> piece, int offset, TTransformedLitVert* vertices,
                          bool stretch)
{
    if (!piece)
        return 0;
    const unsigned tw = piece->GetWidth();
    const unsigned th = piece->GetHeight();
    TVec2 size{float(tw), float(th)};
    TVec2 uvDivisor(1, 1);
    unsigned iw = 0, ih = 0;
    piece->GetInternalSize(&iw, &ih);
    if (iw != tw && tw != 0)
        uvDivisor.x = float(iw) / float(tw);
    if (ih != th && th != 0)
        uvDivisor.y = float(ih) / float(th);

    const int crossSize = mHorizontal ? GetWindowHeight() : GetWindowWidth();
    const int across = (crossSize - int(tw)) / 2;
    const TVec2 position =
        mHorizontal ? TVec2(float(offset), float(across)) : TVec2(float(across), float(offset));

    if (stretch)
    {
        const int length = mHorizontal ? GetWindowWidth() : GetWindowHeight();
        const int top = mRailTop ? int(mRailTop->GetHeight()) : 0;
        const int bottom = mRailBottom ? int(mRailBottom->GetHeight()) : 0;
        // A slider shorter than its caps leaves nothing to stretch, never a negative piece.
        size.y = float(std::max(0, length - top - bottom));
    }
    MakeQuad2d(vertices, position, size, TVec2(0, 0), uvDivisor, mHorizontal, mAlpha);
    return ToCoord(size.y);
}

void TSlider::Draw()
{
    if (!TRenderer::HasInstance())
        return;
    TRenderer* renderer = TRenderer::GetInstance();
    const bool began = renderer->Begin2d();
    TTransformedLitVert vertices[6];
    auto draw = [&](const std::shared_ptr<TTexture>& piece)
    {
        if (!piece)
            return;
        renderer->SetTexture(piece);
        renderer->DrawVertices(TRenderer::kTriangles, TVertexSet(vertices, 6));
    };
    const int a = BuildTexture(mRailTop, 0, vertices, false);
    renderer->SetBlendMode(TRenderer::kBlendAlpha);
    renderer->SetCullMode(TRenderer::kCullNone);
    draw(mRailTop);
    const int b = BuildTexture(mRailMid, a, vertices, true);
    draw(mRailMid);
    BuildTexture(mRailBottom, a + b, vertices, false);
    draw(mRailBottom);
    if (began)
        renderer->End2d();
}

bool TSlider::OnThumb(const TPoint& point) const
{
    if (!Thumb())
        return false;
    const TRect& r = Thumb()->GetRect();
    return point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom;
}

void TSlider::ShowThumb(bool rollover)
{
    if (Thumb())
        Thumb()->SetTexture(rollover ? mThumbRolloverTexture : mThumbTexture, mScale);
}

bool TSlider::OnMouseDown(const TPoint& point)
{
    if (!Thumb())
        return false;
    if (OnThumb(point))
    {
        mDragging = 1;
        if (TWindowManager* manager = TWindowManager::GetInstance())
            manager->AddMouseListener(this);
        return true;
    }
    const TRect& r = Thumb()->GetRect();
    const bool before = mHorizontal ? point.x < r.left : point.y < r.top;
    SendToParent(before ? TMessage::kSliderPageUp : TMessage::kSliderPageDown);
    return true;
}

bool TSlider::OnMouseMove(const TPoint& point)
{
    TWindowManager* manager = TWindowManager::GetInstance();
    if (OnThumb(point))
        ShowThumb(true);
    else if (!mDragging)
        ShowThumb(false);

    TRect client;
    GetClientRect(&client);
    const bool inside =
        point.x >= client.left && point.x < client.right && point.y >= client.top && point.y < client.bottom;
    if (inside || mDragging)
    {
        if (manager)
            manager->AddMouseListener(this);
    }
    else
    {
        if (manager)
            manager->RemoveMouseListener(this);
        ShowThumb(false);
    }
    if (!mDragging)
        return false;
    float value;
    if (mHorizontal)
        value = client.Width() > 0 ? float(point.x - client.left) / float(client.Width()) : 0.0f;
    else
        value = client.Height() > 0 ? float(point.y - client.top) / float(client.Height()) : 0.0f;
    SetValue(value, false);
    return true;
}

bool TSlider::OnMouseUp(const TPoint& point)
{
    if (!mDragging)
        return false;
    mDragging = 0;
    ShowThumb(OnThumb(point));
    TRect client;
    GetClientRect(&client);
    const bool inside =
        point.x >= client.left && point.x < client.right && point.y >= client.top && point.y < client.bottom;
    if (!inside)
    {
        if (TWindowManager* manager = TWindowManager::GetInstance())
            manager->RemoveMouseListener(this);
        ShowThumb(false);
    }
    SendToParent(TMessage::kSliderMouseUp);
    return true;
}

bool TSlider::OnMouseLeave()
{
    if (mDragging)
        return true;
    ShowThumb(false);
    if (TWindowManager* manager = TWindowManager::GetInstance())
        manager->RemoveMouseListener(this);
    return true;
}

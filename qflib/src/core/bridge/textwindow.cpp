// TText: the static text window.
#include "bridge/textwindow.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/platform.h"
#include "bridge/buttonwindow.h"
#include "bridge/luawindowstyle.h"
#include "bridge/widgetsupport.h"
#include "foundation/debug.h"
#include "foundation/stringtable.h"
#include "render/renderer.h"
#include "text/textgraphic.h"
#include "window/modalwindow.h"
#include "window/windowmanager.h"
#include "window/windowstyle.h"

namespace
{

// A style number as an integer: NaN 0, out-of-range values clamped.
int64_t StyleInt(double v, int64_t low, int64_t high)
{
    if (std::isnan(v))
        return 0;
    if (v <= double(low))
        return low;
    if (v >= double(high))
        return high;
    return int64_t(v);
}

bool OnlyDigitsAndPoints(const str& label)
{
    const char* p = label.c_str();
    return std::strspn(p, "0123456789.") == label.length();
}

}  // namespace

int ResolveStyleCoordinate(int64_t c, int64_t size, int64_t extent, bool centre, bool farEdge)
{
    int64_t result = c;
    if (c >= TWindow::kMax - 40000)
        result = extent + (c - TWindow::kMax);
    else if (c >= TWindow::kCenter - 40000)
        result = extent / 2 + (c - TWindow::kCenter);
    else if (c < 0)
        result = extent + c;
    if (centre)
        result -= size / 2;
    else if (farEdge)
        result -= size;
    const int64_t limit = TWindow::kCoordLimit;
    return int(std::max(-limit, std::min(limit, result)));
}

TClassId TText::ClassId()
{
    return WindowClassId<TText>();
}

TText::TText() = default;

TText::~TText()
{
    if (TWindowManager* manager = TWindowManager::GetInstance())
        manager->RemoveMouseListener(this);
    if (mTextGraphic)
        TTextGraphic::Destroy(mTextGraphic);
    mTextGraphic = nullptr;
}

bool TText::Create(str text, unsigned width, unsigned height, unsigned flags, const char* font, unsigned size,
                   const TColor& colour)
{
    if (width == 0 || height == 0)
        return false;
    if (mTextGraphic)
        TTextGraphic::Destroy(mTextGraphic);
    // Made empty: SetText below lays the text out (a text edit shows its own text instead).
    mTextGraphic = TTextGraphic::Create(str(""), width, height, flags, font, size, colour);
    SetWindowSize(width, height);
    SetText(text);
    return true;
}

void TText::SetText(str text)
{
    if (!mTextGraphic)
        return;
    const str current = mTextGraphic->GetText();
    if (text == current)
        return;
    if (!current.empty())
        widgets::Invalidate();
    mTextGraphic->SetText(text);
}

str TText::GetText() const
{
    return mTextGraphic ? mTextGraphic->GetText() : str("");
}

void TText::Init(TWindowStyle& style)
{
    str fontName("__DEFAULT");
    double size = 16;
    TColor colour(0, 1, 0, 1);
    if (auto* luaStyle = dynamic_cast<TLuaWindowStyle*>(&style))
    {
        if (TLuaTable* font = luaStyle->GetTable(str("font")))
        {
            fontName = font->GetString(1, fontName);
            size = font->GetNumber(2, size);
            colour = font->GetColor(3, colour);
            delete font;
        }
    }
    unsigned fontSize = unsigned(StyleInt(size, 0, 4096));
    if (fontSize == 0)
        fontSize = 12;

    const str name = style.GetString(str("name"), str(""));
    str label = style.GetString(str("label"), str(""));
    if (!label.empty())
    {
        // Read the switch by setting it and putting it back.
        const bool tableOn = widgets::SwapStringTable(true);
        widgets::SwapStringTable(tableOn);
        if (tableOn)
        {
            if (label[0] == '#')
            {
                label = label.substr(1);
            }
            else if (!OnlyDigitsAndPoints(label))
            {
                TPlatform* platform = TPlatform::GetInstance();
                TStringTable* table = platform ? platform->GetStringTable() : nullptr;
                if (table)
                    label = table->GetString(label, str(), str(), str(), str(), str());
            }
        }
    }

    const double defFlags = style.GetNumber(str("defflags"), 0);
    const unsigned flags = unsigned(StyleInt(style.GetNumber(str("flags"), defFlags), 0, 0xFFFFFFFFll));
    const int padding = int(StyleInt(style.GetNumber(str("padding"), 0), -4096, 4096));
    const double rotation = style.GetNumber(str("rotation"), 0);
    const int64_t originX = StyleInt(style.GetNumber(str("rotationOriginX"), 0), INT32_MIN, INT32_MAX);
    const int64_t originY = StyleInt(style.GetNumber(str("rotationOriginY"), 0), INT32_MIN, INT32_MAX);
    const int align = int(StyleInt(style.GetNumber(str("rotationAlign"), 0), INT32_MIN, INT32_MAX));

    TWindow::Init(style);

    if (GetWindowWidth() <= 0 || GetWindowHeight() <= 0)
    {
        WriteDbg("ERROR: Attempting to create text window of size(0,0): named '%s', label '%s'", name.c_str(),
                 label.c_str());
        return;
    }
    mPadding = padding;
    Create(label, unsigned(GetWindowWidth()), unsigned(GetWindowHeight()), flags, fontName.c_str(), fontSize,
           colour);

    if (rotation != 0 && !std::isnan(rotation))
    {
        const int64_t parentW = GetParent() ? GetParent()->GetWindowWidth() : 0;
        const int64_t parentH = GetParent() ? GetParent()->GetWindowHeight() : 0;
        const int x = ResolveStyleCoordinate(originX, GetWindowWidth(), parentW, align & 1, align & 2);
        const int y = ResolveStyleCoordinate(originY, GetWindowHeight(), parentH, align & 4, align & 8);
        if (mTextGraphic)
            mTextGraphic->SetRotation(float(rotation), unsigned(x), unsigned(y));
    }
}

void TText::Draw()
{
    if (!mTextGraphic || !TRenderer::HasInstance())
        return;
    TRenderer* renderer = TRenderer::GetInstance();
    const bool began = renderer->Begin2d();
    TRect client;
    GetClientRect(&client);
    mTextGraphic->Draw(TVec2(float(client.left), float(client.top)), unsigned(client.Height()), mScale,
                       mPadding, mAlpha, nullptr);
    if (began)
        renderer->End2d();
}

void TText::SetScroll(float position, float)
{
    if (!mTextGraphic)
        return;
    mTextGraphic->SetScroll((float(mTextGraphic->GetMaxScroll(mScale, mPadding)) + mScrollBias) * position);
    widgets::Invalidate();
}

bool TText::OnMouseDown(const TPoint& point)
{
    if (!mTextGraphic)
        return false;
    mPressedLink = mTextGraphic->Pick(point, mPadding);
    return !mPressedLink.empty();
}

bool TText::OnMouseUp(const TPoint& point)
{
    if (mPressedLink.empty())
        return false;
    const str link = mPressedLink;
    mPressedLink = str("");
    if (mTextGraphic && mTextGraphic->Pick(point, mPadding) == link)
    {
        TModalWindow* modal = FindParentModal();
        TWindow* target = modal ? modal->GetChildWindow(link, -1) : nullptr;
        if (!target)
            WriteDbg("ERROR: Command window %s not found", link.c_str());
        else if (!target->IsKindOf(TButton::ClassId()))
            WriteDbg("ERROR: Command window %s not a derived class of TButton", link.c_str());
        else
            static_cast<TButton*>(target)->DoCommand();
    }
    return true;
}

bool TText::OnMouseMove(const TPoint& point)
{
    if (!mTextGraphic || !mTextGraphic->Rollover(&point, mPadding))
        return false;
    if (TWindowManager* manager = TWindowManager::GetInstance())
    {
        manager->InvalidateScreen();
        manager->AddMouseListener(this);
    }
    return true;
}

bool TText::OnMouseLeave()
{
    TWindowManager* manager = TWindowManager::GetInstance();
    if (mTextGraphic)
    {
        mTextGraphic->Rollover(nullptr, mPadding);
        if (manager)
            manager->InvalidateScreen();
    }
    if (manager)
        manager->RemoveMouseListener(this);
    return true;
}

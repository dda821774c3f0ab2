// The single-line text widgets: Label and TextInput.
#include "wgui_label.h"

#include <cstring>

#include "wgui_font.h"
#include "wgui_g2support.h"
#include "wgui_input.h"
#include "wgui_misc.h"
#include "wgui_shapes.h"
#include "wgui_timer.h"

namespace WGUI
{

namespace
{
// The caret flips whenever more than this much frame time has gathered while active.
const double kBlinkTime = 0.5;
// Characters an account name may not hold.
const char kNameRefused[] = "!@#$%^&*()><\\\"'[]{}|?/+=~`.,;:-";
}  // namespace

Label::Label()
{
    setOpacitySelf(1.0);
    useVirtCoordDimW = false;
    useVirtCoordDimH = false;
}

Label::~Label() = default;

void Label::setColour(double r, double g, double b, double a)
{
    colR = r;
    colG = g;
    colB = b;
    setOpacitySelf(a);
}

void Label::setCustomKerning(bool on, float k)
{
    customKerning = on;
    kerning = k;
}

void Label::setUseVirtCoordDim(bool, bool)
{
    useVirtCoordDimW = false;
    useVirtCoordDimH = false;
}

int Label::getRoom() const
{
    if (fitWidth > 0)
        return fitWidth;
    const Window* box = getParent();
    if (!box)
        return 0;
    const int width = box->getPixWidth();
    if (getAlignH() == kAlignCenter || useVirtCoordPosX)
        return width;
    const int offset = getAlignedPixX();
    return width - (offset > 0 ? offset : 0);
}

double Label::getTextScale()
{
    Font* f = getFont();
    return f ? Font::fitScale(f->getStringWidth(text), getRoom()) : 1.0;
}

void Label::updateSelf()
{
    if (Font* f = getFont())
    {
        const float old = f->getKerning();
        if (customKerning)
            f->setKerning(kerning);
        // As wide as the text, or as its room when the text is shrunk to fit.
        setPixWidth(Font::fittedWidth(f->getStringWidth(text), getRoom()));
        setPixHeight(f->getHeightPix());
        if (customKerning)
            f->setKerning(old);
    }
    Window::updateSelf();
}

void Label::draw()
{
    if (Font* f = getFont())
    {
        const float old = f->getKerning();
        if (customKerning)
            f->setKerning(kerning);
        f->setColour(colR, colG, colB, getOpacity());
        f->drawStringInBox(text, getLeft(), getLeft() + getPixWidth(), getTop(), Font::kFromLeft);
        if (customKerning)
            f->setKerning(old);
    }
    Window::draw();
}

// ---------------------------------------------------------------------------------------------

TextInput::TextInput()
{
    useVirtCoordDimW = false;
    useVirtCoordDimH = false;
}

TextInput::~TextInput() = default;

void TextInput::setUseVirtCoordDim(bool w, bool)
{
    useVirtCoordDimW = w;
    useVirtCoordDimH = false;
}

int TextInput::widthOf(const str& s)
{
    Font* f = getFont();
    return f ? f->getStringWidth(s) : 0;
}

str TextInput::getAsteriskString(str s)
{
    str out;
    for (unsigned i = 0; i < s.length(); ++i)
        out += '*';
    return out;
}

bool TextInput::isValidQuillfireNameChar(char c)
{
    // signed: bytes from 128 up count as below 32.
    if (static_cast<signed char>(c) < 32)
        return false;
    return std::strchr(kNameRefused, c) == nullptr;
}

bool TextInput::textFitsBox(str s)
{
    if (characterLimit >= 0)
        return static_cast<int>(s.length()) <= characterLimit;
    return widthOf(shown(s)) <= getPixWidth() - 2 * hMargin;
}

bool TextInput::setText(str s)
{
    bool fits = textFitsBox(s);
    const bool result = fits;
    while (!fits && !s.empty())
    {
        s = s.substr(0, static_cast<int>(s.length()) - 1);
        fits = textFitsBox(s);
    }
    text = s;
    full = false;
    // The caret never points past the text.
    if (caret > static_cast<int>(text.length()))
        caret = static_cast<int>(text.length());
    return result;
}

str TextInput::cutOffOutsideText(str s)
{
    while (!s.empty() && widthOf(s) > getPixWidth() - 2 * hMargin)
        s = s.substr(0, static_cast<int>(s.length()) - 1);
    return s;
}

bool TextInput::takes(unsigned char c) const
{
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ';
    if (lettersOrNumbersOnly && alnum)
        return true;
    if (accountNameOnly && isValidQuillfireNameChar(static_cast<char>(c)))
        return true;
    if (accountPasswordOnly)
        return c >= 32;
    if (lettersOrNumbersOnly || accountNameOnly)
        return false;
    return c >= 32 && c <= 126;
}

void TextInput::messageCallback(WEvent& e)
{
    const str before = text;
    if (caret > static_cast<int>(text.length()))
        caret = static_cast<int>(text.length());
    if (caret < 0)
        caret = 0;
    if (e.type == WEvent::kChar)
    {
        const unsigned char c = static_cast<unsigned char>(e.code);
        if (takes(c) && !full)
        {
            str candidate = text.substr(0, caret) + static_cast<char>(c) + text.substr(caret);
            if (textFitsBox(candidate))
            {
                text = candidate;
                ++caret;
            }
            else
            {
                full = true;
            }
        }
        if (c == 8 && caret > 0)
        {
            text = text.substr(0, caret - 1) + text.substr(caret);
            --caret;
            full = false;
        }
    }
    else if (e.type == WEvent::kKeyDown)
    {
        if (e.key == Input::kLeft && caret > 0)
        {
            --caret;
            full = false;
        }
        else if (e.key == Input::kRight && caret < static_cast<int>(text.length()))
        {
            ++caret;
            full = false;
        }
    }
    if (text != before && listener)
        listener->textChanged(this);
    Window::messageCallback(e);
}

void TextInput::messageMousePressed(int x, int y, int button)
{
    const int px = pixParToCurX(x);
    const str s = shown(text);
    const int n = static_cast<int>(s.length());
    caret = n;
    int previous = 0;
    for (int i = 1; i <= n; ++i)
    {
        const int w = widthOf(s.substr(0, i));
        if (px < w + hMargin - (w - previous) / 2)
        {
            caret = i - 1;
            break;
        }
        previous = w;
    }
    Window::messageMousePressed(x, y, button);
}

void TextInput::updateSelf()
{
    Font* f = getFont();
    setPixHeight((f ? f->getHeightPix() : 0) + 2 * vMargin);
    if (isActive())
    {
        blinkTime += Timer::instance()->getDeltaT();
        if (blinkTime > kBlinkTime)
        {
            caretShown = !caretShown;
            blinkTime = 0;
        }
    }
    else
    {
        caretShown = false;
        blinkTime = 0;
    }
    Window::updateSelf();
}

void TextInput::messageActivate()
{
    full = false;
    caretShown = true;
    blinkTime = 0;
    Window::messageActivate();
}

void TextInput::messageDeactivate()
{
    caretShown = false;
    Window::messageDeactivate();
}

void TextInput::messageMouseMove(int x, int y, int button, bool moved)
{
    setManagerCursorType(MouseCursor::kCaret);
    Window::messageMouseMove(x, y, button, moved);
}

void TextInput::messageMouseDrag(int x, int y, int button, bool moved)
{
    setManagerCursorType(MouseCursor::kCaret);
    Window::messageMouseDrag(x, y, button, moved);
}

void TextInput::draw()
{
    const int L = getLeft(), T = getTop(), R = getRight(), B = getBottom();
    const double a = getOpacity();
    Shapes::drawFillRect(L, T, R, B, 0.8, 0.8, 0.8, a);
    Shapes::drawRectEdge(L, T, R, B, 1, 1, 1, a);
    const str s = shown(text);
    if (Font* f = getFont())
    {
        const str visible = cutOffOutsideText(s);
        if (!visible.empty())
        {
            f->setColour(0, 0, 0, a);
            f->drawStringFromLeft(visible, L + hMargin, T + vMargin);
        }
    }
    if (caretShown)
    {
        const int c = caret < 0 ? 0 : caret;
        const int w = widthOf(s.substr(0, c));
        Shapes::drawLine(L + w + hMargin, T + vMargin + 2, L + w + hMargin, B - vMargin - 2, 0, 0, 0, a);
    }
    Window::draw();
}

}  // namespace WGUI

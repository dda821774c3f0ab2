// The library's fonts and its string-table access.
#include "wgui_font.h"

#include "app/platform.h"
#include "foundation/color.h"
#include "foundation/rect.h"
#include "foundation/singletons.h"
#include "foundation/stringtable.h"
#include "text/textgraphic.h"
#include "wgui_helpers.h"
#include "wgui_misc.h"

namespace WGUI
{

namespace
{
// Lines are laid out in a box far larger than any screen so that nothing wraps.
const int kFreeBox = 10000;

bool gBlockReuse = true;
}  // namespace

Font::Font() = default;

Font::~Font()
{
    dropBlocks();
    TTextGraphic::Destroy(text);
}

void Font::setBlockReuse(bool on)
{
    gBlockReuse = on;
}

void Font::dropBlocks()
{
    for (TTextGraphic* b : blocks)
        TTextGraphic::Destroy(b);
    blocks.clear();
    nextBlock = 0;
}

void Font::loadZestkitFont(str filename)
{
    measured.clear();
    dropBlocks();
    fontName = filename;
    TTextGraphic::Destroy(text);
    colour = TColor(1, 1, 1, 1);
    text = TTextGraphic::Create(str(""), kFreeBox, kFreeBox, 0, filename.c_str(),
                                static_cast<unsigned>(heightPix > 0 ? heightPix : 1), colour);
}

void Font::setHeightPix(int h)
{
    measured.clear();
    heightPix = h;
    if (text && h > 0)
        text->SetSize(static_cast<unsigned>(h));
}

void Font::setColour(double r, double g, double b, double a)
{
    if (!text)
        return;
    colour = TColor(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), static_cast<float>(a));
    text->SetColor(colour);
}

TTextGraphic* Font::blockFor(str s)
{
    if (!gBlockReuse)
    {
        text->SetText(s);
        return text;
    }
    // A block is laid out from its text, font, size, colour and box alone (made as the main
    // block is, differing only in what it last held), so one that holds the same draws the same.
    const unsigned size = text->GetSize();
    for (TTextGraphic* b : blocks)
        if (b->GetSize() == size && b->GetText() == s && b->GetColor() == colour)
            return b;
    TTextGraphic* b = nullptr;
    if (blocks.size() < kBlocksKept)
    {
        b = TTextGraphic::Create(s, kFreeBox, kFreeBox, 0, fontName.c_str(), size, colour);
        // Made under another text configuration than the main block: not the same drawing.
        if (b->GetSpriteRender() != text->GetSpriteRender())
        {
            TTextGraphic::Destroy(b);
            text->SetText(s);
            return text;
        }
        blocks.push_back(b);
        return b;
    }
    nextBlock %= kBlocksKept;
    b = blocks[nextBlock++];
    b->SetSize(size);
    b->SetColor(colour);
    b->SetText(s);
    return b;
}

void Font::setKerning(float k)
{
    // Whole pixels.
    kerning = roundToInt(k);
}

int Font::getStringWidth(str s)
{
    if (!text)
        return 0;
    for (const Measured& m : measured)
        if (m.line == s)
            return m.width;
    text->SetText(s);
    TRect bounds;
    text->GetTextBounds(&bounds, 1.0f);
    const int width = bounds.right - bounds.left;
    if (measured.size() < kMeasuredKept)
    {
        measured.push_back(Measured{s, width});
    }
    else
    {
        nextMeasured %= kMeasuredKept;
        measured[nextMeasured++] = Measured{s, width};
    }
    return width;
}

double Font::fitScale(int textWidth, int room)
{
    if (room <= 0 || textWidth <= room)
        return 1.0;
    return static_cast<double>(room) / textWidth;
}

int Font::fittedWidth(int textWidth, int room)
{
    return (room > 0 && textWidth > room) ? room : textWidth;
}

void Font::drawStringInBox(str s, int x1, int x2, int y, int align)
{
    if (!text || s.empty())
        return;
    const int width = getStringWidth(s);
    const int room = x2 - x1;
    const double scale = fitScale(width, room);
    const double drawn = width * scale;
    double x = x1;
    if (align == kFromRight)
        x = x2 - drawn;
    else if (align == kCentred)
        x = (x1 + x2) / 2.0 - drawn / 2.0;
    // Shrunk about the line's vertical middle.
    const double top = y + heightPix * (1.0 - scale) / 2.0;
    blockFor(s)->Draw(TVec2(static_cast<float>(x), static_cast<float>(top)), kFreeBox, static_cast<float>(scale),
                      0, 1.0f, nullptr);
}

void Font::drawStringFromLeft(str s, int x, int y)
{
    if (!text)
        return;
    blockFor(s)->Draw(TRect(x, y, x + kFreeBox, y + kFreeBox), 1.0f, 0, 1.0f, nullptr);
}

void Font::drawStringCentered(str s, int x1, int x2, int y)
{
    drawStringFromLeft(s, (x1 + x2) / 2 - getStringWidth(s) / 2, y);
}

void Font::drawStringFromRight(str s, int x, int y)
{
    drawStringFromLeft(s, x - getStringWidth(s), y);
}

// ---------------------------------------------------------------------------------------------

Fonts* Fonts::sInstance = nullptr;

Fonts* Fonts::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "Fonts");
        sInstance = new Fonts();
    }
    return sInstance;
}

Fonts* Fonts::instance()
{
    if (!sInstance)
        qfSingletonNotMade("Fonts");
    return createInstance();
}

void Fonts::deleteInstance()
{
    qfNoteLifetime("delete", "Fonts");
    delete sInstance;
    sInstance = nullptr;
}

Fonts::Fonts()
{
    Font* font = new Font();
    font->setHeightPix(17);
    font->loadZestkitFont(Pathnames::instance()->getFonts() + "arial.mvec");
    font->setColour(0, 0, 0, 1);
    fonts.push_back(font);
}

Fonts::~Fonts()
{
    for (Font* f : fonts)
        delete f;
}

Font* Fonts::getFont(int index)
{
    Fonts* self = instance();
    if (index < 0 || index >= static_cast<int>(self->fonts.size()))
        index = 0;
    return self->fonts[static_cast<size_t>(index)];
}

// ---------------------------------------------------------------------------------------------

StringTable* StringTable::sInstance = nullptr;

StringTable* StringTable::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "StringTable");
        sInstance = new StringTable();
    }
    return sInstance;
}

StringTable* StringTable::instance()
{
    if (!sInstance)
        qfSingletonNotMade("StringTable");
    return createInstance();
}

void StringTable::deleteInstance()
{
    qfNoteLifetime("delete", "StringTable");
    delete sInstance;
    sInstance = nullptr;
}

str StringTable::getString(str key, str a1, str a2, str a3, str a4, str a5)
{
    TPlatform* platform = TPlatform::GetInstance();
    TStringTable* table = platform ? platform->GetStringTable() : nullptr;
    if (!table)
        return key;
    return table->GetString(key, a1, a2, a3, a4, a5);
}

}  // namespace WGUI

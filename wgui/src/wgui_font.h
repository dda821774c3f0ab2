// The library's fonts and its access to the string table. A Font measures one line at a time
// with its styled-text block and draws lines from blocks of the same file and size kept per line
// (text may carry markup); Fonts holds the single font of the game, "arial.mvec" from the fonts
// folder at 17 pixels.
#pragma once

#include <vector>

#include "foundation/color.h"
#include "foundation/str.h"

class TTextGraphic;

namespace WGUI
{

class Font
{
public:
    Font();
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Makes the text block for that font file (the file name is kept as given).
    void loadZestkitFont(str filename);
    void setHeightPix(int h);
    int getHeightPix() const { return heightPix; }
    str getFontName() const { return fontName; }
    void setColour(double r, double g, double b, double a);
    // Kept rounded to whole pixels and returned; drawing does not use it.
    void setKerning(float k);
    float getKerning() const { return static_cast<float>(kerning); }

    int getStringWidth(str s);

    // Text in a box, the one rule every widget follows: a line that fits the room between x1
    // and x2 is drawn at its size; a wider one is drawn smaller, just as wide as the room, and
    // never cut. The line keeps its vertical middle. align: kFromLeft (from x1), kFromRight (up
    // to x2) or kCentred. A room of 0 or less sets no limit.
    enum
    {
        kFromLeft = 0,
        kFromRight = 1,
        kCentred = 4
    };
    void drawStringInBox(str s, int x1, int x2, int y, int align);
    // The scale drawStringInBox uses for a line textWidth wide in a room that wide (1 when it
    // fits), and the width it then takes.
    static double fitScale(int textWidth, int room);
    static int fittedWidth(int textWidth, int room);

    void drawStringFromLeft(str s, int x, int y);
    void drawStringCentered(str s, int x1, int x2, int y);
    void drawStringFromRight(str s, int x, int y);

    TTextGraphic* getTextGraphic() const { return text; }

    // Lines are drawn from text blocks kept per line and colour (the last kBlocksKept drawn),
    // so that labels and buttons sharing the font do not lay their lines out again at every
    // frame, and each block can send its last drawing again. On by default; off draws every
    // line through the one block (for tests that compare the two).
    static void setBlockReuse(bool on);

private:
    // The block that draws s in the current colour and size.
    TTextGraphic* blockFor(str s);
    void dropBlocks();

    TTextGraphic* text = nullptr;
    TColor colour{1, 1, 1, 1};  // what setColour gave, as the block holds it
    static constexpr size_t kBlocksKept = 32;
    std::vector<TTextGraphic*> blocks;
    size_t nextBlock = 0;
    int heightPix = 10;
    str fontName;
    int kerning = 0;
    // The widths of the last lines measured at the current file and size (labels measure their
    // text every frame); emptied when either changes.
    struct Measured
    {
        str line;
        int width;
    };
    static constexpr size_t kMeasuredKept = 32;
    std::vector<Measured> measured;
    size_t nextMeasured = 0;
};

class Fonts
{
public:
    static Fonts* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static Fonts* createInstance();
    static void deleteInstance();
    // The font of that index; the library holds one font, and any other index gives it.
    static Font* getFont(int index);

private:
    Fonts();
    ~Fonts();
    std::vector<Font*> fonts;
    static Fonts* sInstance;
};

class StringTable
{
public:
    static StringTable* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static StringTable* createInstance();
    static void deleteInstance();
    // The text of key in the platform's string table with up to five arguments; the key itself
    // when there is no platform (tools and tests).
    str getString(str key, str a1 = str(), str a2 = str(), str a3 = str(), str a4 = str(), str a5 = str());

private:
    StringTable() = default;
    static StringTable* sInstance;
};

}  // namespace WGUI

// The single-line text widgets: Label shows one line in the window's font and sizes itself to
// it every frame; TextInput is an editable line with a caret, character filters, an optional
// password display and a length limit.
#pragma once

#include "foundation/str.h"
#include "wgui_window.h"

namespace WGUI
{

class Label : public Window
{
public:
    Label();
    ~Label() override;

    void setText(str t) { text = t; }
    str getText() const { return text; }
    // r, g, b are kept; a becomes the window's own opacity.
    void setColour(double r, double g, double b, double a);
    void setCustomKerning(bool on, float kerning);
    // A label's size is always in pixels: the arguments are ignored.
    void setUseVirtCoordDim(bool w, bool h) override;
    // The width the text may take. By default the room its parent box leaves it: the box's
    // width when centred in it, less the label's offset from the side it is aligned to
    // otherwise (no limit without a parent). Text wider than the room is drawn smaller
    // (Font::drawStringInBox). A width of 0 goes back to the default.
    void setFitWidth(int w) { fitWidth = w; }
    int getRoom() const;
    // The scale the text is drawn at (1 when it fits its room).
    double getTextScale();

    void updateSelf() override;
    void draw() override;

private:
    str text;
    double colR = 0, colG = 0, colB = 0;
    bool customKerning = false;
    float kerning = 0;
    int fitWidth = 0;
};

class TextInput : public Window
{
public:
    TextInput();
    ~TextInput() override;

    // false when s did not fit: the longest prefix that fits is kept.
    bool setText(str s);
    str getText() const { return text; }
    void moveCursorToEnd()
    {
        caret = static_cast<int>(text.length());
        full = false;
    }
    // True while typing is refused because a character did not fit.
    bool isFull() const { return full; }
    int getCaret() const { return caret; }
    bool isCaretShown() const { return caretShown; }
    void setListener(Listener* l) { listener = l; }

    void setLettersOrNumbersOnly(bool on) { lettersOrNumbersOnly = on; }
    void setQuillfireNameOnly(bool on) { accountNameOnly = on; }
    void setQuillfirePasswordOnly(bool on) { accountPasswordOnly = on; }
    void setPasswordBox(bool on) { passwordBox = on; }
    // -1: the limit is the box's width; 0 or more: a limit on the length.
    void setCharacterLimit(int limit) { characterLimit = limit; }

    void setUseVirtCoordDim(bool w, bool h) override;
    bool textFitsBox(str s);
    str cutOffOutsideText(str s);
    static str getAsteriskString(str s);
    static bool isValidQuillfireNameChar(char c);

    void updateSelf() override;
    void draw() override;
    void messageMouseMove(int x, int y, int button, bool moved) override;
    void messageMouseDrag(int x, int y, int button, bool moved) override;
    void messageMousePressed(int x, int y, int button) override;
    void messageActivate() override;
    void messageDeactivate() override;
    void messageCallback(WEvent& e) override;

private:
    str shown(const str& s) const { return passwordBox ? getAsteriskString(s) : s; }
    int widthOf(const str& s);
    bool takes(unsigned char c) const;

    str text;
    int caret = 0;
    bool caretShown = false;
    double blinkTime = 0;
    int hMargin = 3;
    int vMargin = 1;
    Listener* listener = nullptr;
    bool lettersOrNumbersOnly = false;
    bool accountNameOnly = false;
    bool accountPasswordOnly = false;
    bool passwordBox = false;
    int characterLimit = -1;
    // Set when a typed character did not fit: the rest of that typing is refused rather than
    // letting narrower characters slip in after the gap. Any other edit, a caret move, a new
    // text or a new activation ends it.
    bool full = false;
};

}  // namespace WGUI

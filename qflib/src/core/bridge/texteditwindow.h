// TTextEdit: a one-line text field. A TText whose text the user types: it keeps its own text
// and a cursor, shows the text (or stars for a password) with a blinking cursor mark while it
// has the keyboard focus, limits the length, drops ignored characters, refuses characters its
// fonts cannot draw, pastes from the clipboard and passes the focus on Tab to the next field
// of its modal window. Typed characters and Backspace post a text-edit-changed message.
#pragma once

#include <list>
#include <memory>

#include "bridge/textwindow.h"
#include "foundation/clock.h"

class TTextEdit : public TText
{
public:
    enum eKeyType
    {
        kInsert = 0,
        kMove = 1,  // cursor movement or deletion
        kReturn = 2,
        kTab = 3,
        kPasteKey = 4,
        kRefused = 5  // a notice that an input was not taken
    };
    using TRing = std::list<TTextEdit*>;

    TTextEdit();
    ~TTextEdit() override;

    static TClassId ClassId();
    const char* GetTypeName() const override { return "TTextEdit"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TText::IsKindOf(id); }

    bool OnNewParent() override;
    void Init(TWindowStyle& style) override;
    void Draw() override;
    bool OnTaskAnimate() override;
    bool OnChar(char c) override;
    bool OnUTF8Char(str ch) override;
    bool OnKeyDown(char key, unsigned int modifiers) override;

    // The typed text (never masked); the cursor goes to its end.
    void SetText(str text) override;
    str GetText() const override { return mEditText; }

    // Whether an input of that kind is taken; subclasses may refuse or react.
    virtual bool KeyHit(eKeyType type, char c);
    virtual bool KeyHitUTF8(eKeyType type, unsigned code);

    // Builds the shown text (stars, cursor mark) and hands it to the text window.
    void UpdateText();
    void Backspace();
    // Joins the focus ring of the modal window's first registered field, or starts one.
    void CheckRegistration();
    void Unregister();

    unsigned GetCursor() const { return mCursor; }
    int GetMaxLength() const { return mMaxLength; }
    const std::shared_ptr<TRing>& GetRing() const { return mRing; }
    TClock& GetBlinkClock() { return mBlinkClock; }
    // Where pastes come from: the platform's clipboard unless replaced (null restores it).
    typedef str (*TClipboardReader)();
    static void SetClipboardReader(TClipboardReader reader);

    // The text as it is shown now (stars, escapes and cursor mark included).
    str GetShownText() const { return TText::GetText(); }

private:
    friend class TextSpider;
    void PostChanged();
    void MoveFocus();

    int32_t mMaxLength = 10;
    std::shared_ptr<TRing> mRing;
    str mEditText;
    unsigned mCursor = 0;
    bool mUTF8 = false;
    bool mPassword = false;
    bool mCursorShown = false;
    str mIgnore;
    TClock mBlinkClock;
};

// Looks for a text edit of the same modal window whose ring the new field can join.
class TextSpider : public TWindowSpider
{
public:
    explicit TextSpider(TTextEdit* edit) : mEdit(edit) {}
    bool Process(TWindow* window) override;
    TTextEdit* mEdit;
    bool mJoined = false;
};

// True when the text holds no NUL before its end and no byte of 0xC0 or above.
bool SafeClipText(const str& text);

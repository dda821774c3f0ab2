// TTextEdit: the one-line text field.
#include "bridge/texteditwindow.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/event.h"
#include "app/platform.h"
#include "bridge/widgetsupport.h"
#include "text/mvec.h"
#include "text/textgraphic.h"
#include "window/message.h"
#include "window/modalwindow.h"
#include "window/windowmanager.h"
#include "window/windowstyle.h"

namespace
{

// The byte length of the UTF-8 character that starts with `lead`.
unsigned LeadLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

bool IsContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The length of the character at `pos`, never beyond the end of the text.
unsigned CharLengthAt(const str& text, unsigned pos)
{
    const unsigned length = text.length();
    if (pos >= length)
        return 0;
    unsigned n = LeadLength(static_cast<unsigned char>(text.c_str()[pos]));
    return n > length - pos ? length - pos : n;
}

// The start of the character that ends at `pos`.
unsigned CharStartBefore(const str& text, unsigned pos)
{
    if (pos == 0)
        return 0;
    unsigned p = pos - 1;
    while (p > 0 && IsContinuation(static_cast<unsigned char>(text.c_str()[p])) && pos - p < 4)
        p--;
    return p;
}

// Characters counted by their lead bytes.
unsigned CountCharacters(const str& text)
{
    unsigned count = 0;
    for (const char* p = text.c_str(); *p; p++)
        if (!IsContinuation(static_cast<unsigned char>(*p)))
            count++;
    return count;
}

// The first `count` characters of the text.
str FirstCharacters(const str& text, unsigned count)
{
    unsigned pos = 0, seen = 0;
    while (pos < text.length() && seen < count)
    {
        pos += CharLengthAt(text, pos);
        seen++;
    }
    return text.substr(0, int(pos));
}

// A whole, well-formed UTF-8 character at the start of `ch`: its length, or 0.
unsigned WellFormedLength(const str& ch)
{
    const unsigned n = CharLengthAt(ch, 0);
    if (n == 0)
        return 0;
    const unsigned char lead = static_cast<unsigned char>(ch.c_str()[0]);
    if (n == 1)
        return IsContinuation(lead) ? 0 : 1;
    if (n != LeadLength(lead) || lead > 0xF4)
        return 0;
    for (unsigned i = 1; i < n; i++)
        if (!IsContinuation(static_cast<unsigned char>(ch.c_str()[i])))
            return 0;
    return n;
}

// Markup characters of the shown text are escaped, so typed text never becomes markup.
str Escaped(const str& text, unsigned cursor, bool markCursor)
{
    str out;
    const char* p = text.c_str();
    const unsigned length = text.length();
    for (unsigned i = 0; i <= length; i++)
    {
        if (markCursor && i == cursor)
            out += str("<cursor>");
        if (i == length)
            break;
        if (p[i] == '\\' || p[i] == '<')
            out += '\\';
        out += p[i];
    }
    return out;
}

str PlatformClipboard()
{
    TPlatform* platform = TPlatform::GetInstance();
    return platform ? platform->StringFromClipboard() : str("");
}

TTextEdit::TClipboardReader gClipboardReader = &PlatformClipboard;

}  // namespace

void TTextEdit::SetClipboardReader(TClipboardReader reader)
{
    gClipboardReader = reader ? reader : &PlatformClipboard;
}

bool SafeClipText(const str& text)
{
    const char* p = text.c_str();
    if (std::strlen(p) != text.length())
        return false;
    for (; *p; p++)
        if (static_cast<unsigned char>(*p) >= 0xC0)
            return false;
    return true;
}

TClassId TTextEdit::ClassId()
{
    return WindowClassId<TTextEdit>();
}

TTextEdit::TTextEdit()
{
    mBlinkClock.Reset();
    mBlinkClock.Start();
    SetInternalFlags(kTakesFocus, 0);
}

TTextEdit::~TTextEdit()
{
    Unregister();
}

// ---------------------------------------------------------------------------------------------
// Focus ring

void TTextEdit::CheckRegistration()
{
    if (mRing)
        return;
    TModalWindow* modal = FindParentModal();
    if (!modal)
        return;
    StartWindowAnimation(200, true, true, false);
    TextSpider spider(this);
    modal->ForEachChild(&spider, false);
    if (!mRing)
        mRing = std::make_shared<TRing>(1, this);
}

void TTextEdit::Unregister()
{
    if (mRing)
    {
        mRing->remove(this);
        mRing.reset();
    }
    StopWindowAnimation();
}

bool TextSpider::Process(TWindow* w)
{
    TTextEdit* edit = w->IsKindOf(TTextEdit::ClassId()) ? static_cast<TTextEdit*>(w) : nullptr;
    if (!edit || edit == mEdit)
    {
        w->ForEachChild(this, false);
        return !mJoined;
    }
    if (!edit->mRing)
        return true;
    for (TTextEdit* member : *edit->mRing)
        if (member == mEdit)
            return true;
    mEdit->mRing = edit->mRing;
    mEdit->mRing->push_back(mEdit);
    mJoined = true;
    return false;
}

void TTextEdit::MoveFocus()
{
    TWindowManager* manager = TWindowManager::GetInstance();
    if (!mRing || !manager)
        return;
    auto self = std::find(mRing->begin(), mRing->end(), this);
    if (self == mRing->end())
        return;
    TTextEdit* next = this;
    auto it = self;
    for (size_t step = 0; step + 1 < mRing->size(); step++)
    {
        ++it;
        if (it == mRing->end())
            it = mRing->begin();
        if (widgets::ShownWithinModal(*it))
        {
            next = *it;
            break;
        }
    }
    TWindow* previous = manager->GetFocus();
    manager->SetFocus(next);
    next->OnSetFocus(previous);
}

// ---------------------------------------------------------------------------------------------
// Set-up and text

bool TTextEdit::OnNewParent()
{
    CheckRegistration();
    return true;
}

void TTextEdit::Init(TWindowStyle& style)
{
    CheckRegistration();
    const bool password = style.GetBool(str("password"), false);
    const double length = style.GetNumber(str("length"), 10);
    const str ignore = style.GetString(str("ignore"), str(""));
    mUTF8 = style.GetBool(str("utf8"), false);
    const bool tableWas = widgets::SwapStringTable(false);
    if (password)
    {
        mPassword = true;
        UpdateText();
    }
    TText::Init(style);
    widgets::SwapStringTable(tableWas);
    if (std::isnan(length) || length <= -2147483648.0)
        mMaxLength = length > 0 ? 2147483647 : (std::isnan(length) ? 0 : INT32_MIN);
    else
        mMaxLength = length >= 2147483647.0 ? 2147483647 : int32_t(length);
    mIgnore = ignore;
}

void TTextEdit::SetText(str text)
{
    mEditText = text;
    mCursor = mEditText.length();
    UpdateText();
}

void TTextEdit::UpdateText()
{
    str shown;
    if (mPassword)
    {
        for (unsigned i = 0; i < mEditText.length(); i++)
            shown += '*';
    }
    else
    {
        shown = mEditText;
    }
    TWindowManager* manager = TWindowManager::GetInstance();
    if (!manager || manager->GetFocus() != this)
    {
        TText::SetText(Escaped(shown, 0, false));
        return;
    }
    const bool cursorPhase = mBlinkClock.GetTime() % 800 > 400;
    if (cursorPhase != mCursorShown)
    {
        mCursorShown = cursorPhase;
        widgets::Invalidate();
    }
    // Stars are one byte each, so the cursor's byte offset holds for the masked text too.
    TText::SetText(Escaped(shown, mCursor, cursorPhase));
}

bool TTextEdit::OnTaskAnimate()
{
    UpdateText();
    return true;
}

void TTextEdit::Draw()
{
    CheckRegistration();
    TText::Draw();
}

// ---------------------------------------------------------------------------------------------
// Input

bool TTextEdit::KeyHit(eKeyType type, char c)
{
    switch (type)
    {
    case kMove:
    case kPasteKey: return true;
    case kReturn:
    case kTab:
    case kRefused: return false;
    case kInsert:
        if (mUTF8)
            return true;
        if (uint64_t(mEditText.length()) + 1 < uint64_t(uint32_t(mMaxLength)))
            return true;
        KeyHit(kRefused, c);
        return false;
    }
    return false;
}

bool TTextEdit::KeyHitUTF8(eKeyType type, unsigned code)
{
    const char c = code < 128 ? char(code) : ' ';
    if (type != kInsert)
        return KeyHit(type, c);
    TMvecFont* font = nullptr;
    TMvecFont* fallback = nullptr;
    if (mTextGraphic)
    {
        TFontData* fonts = TFontData::GetInstance();
        font = fonts->GetMvec(mTextGraphic->GetFont());
        fallback = fonts->GetMvec(str("fonts/default.mvec"));
    }
    const bool full = mUTF8 && int64_t(CountCharacters(mEditText)) >= int64_t(mMaxLength);
    if (!full)
    {
        if (!font || font->GetGlyphIndex(code) != -1 || (fallback && fallback->GetGlyphIndex(code) != -1))
            return KeyHit(kInsert, c);
    }
    if (code >= 128)
        KeyHitUTF8(kRefused, code);
    else
        KeyHit(kRefused, c);
    return false;
}

void TTextEdit::Backspace()
{
    if (mCursor == 0)
        return;
    const unsigned start = CharStartBefore(mEditText, mCursor);
    mEditText.erase(start, int(mCursor - start));
    mCursor = start;
    UpdateText();
}

void TTextEdit::PostChanged()
{
    if (TWindowManager* manager = TWindowManager::GetInstance())
        manager->PostWindowMessage(std::make_unique<TMessage>(TMessage::kTextEditChanged, GetName()));
}

bool TTextEdit::OnChar(char c)
{
    return OnUTF8Char(str(&c, 1));
}

bool TTextEdit::OnUTF8Char(str ch)
{
    if (ch.empty())
        return false;
    const unsigned char first = static_cast<unsigned char>(ch.c_str()[0]);
    const unsigned code = first < 128 ? first : str::to_utf32(ch.c_str());
    if (first == 9)
    {
        if (!KeyHitUTF8(kTab, code))
            MoveFocus();
        return false;
    }
    if (first == 13)
    {
        KeyHitUTF8(kReturn, code);
        return false;
    }
    if (first == 8)
    {
        if (mCursor == 0)
        {
            KeyHitUTF8(kRefused, code);
            return false;
        }
        KeyHit(kMove, char(first));
        Backspace();
        PostChanged();
        return true;
    }
    if (first < 32)
        return false;
    if (first >= 128 && !mPassword && !mUTF8)
        return false;

    const unsigned n = WellFormedLength(ch);
    if (n == 0)
        return false;
    const str character = ch.substr(0, int(n));
    if (!mIgnore.empty() && mIgnore.find(character) != unsigned(-1))
    {
        // Dropped, yet still reported as a change.
    }
    else
    {
        if (!KeyHitUTF8(kInsert, code))
            return false;
        // The byte limit of an 8-bit field holds for characters of several bytes too (a
        // password field takes them).
        if (!mUTF8 && n > 1 && uint64_t(mEditText.length()) + n >= uint64_t(uint32_t(mMaxLength)))
        {
            KeyHit(kRefused, ' ');
            return false;
        }
        mEditText = mEditText.substr(0, int(mCursor)) + character + mEditText.substr(mCursor);
        mCursor += n;
        UpdateText();
    }
    PostChanged();
    return true;
}

bool TTextEdit::OnKeyDown(char key, unsigned int modifiers)
{
    CheckRegistration();
    const int32_t k = static_cast<signed char>(key);
    if (k == TEvent::kLeft)
    {
        if (mCursor == 0)
        {
            KeyHit(kRefused, key);
        }
        else if (KeyHit(kMove, key))
        {
            mCursor = CharStartBefore(mEditText, mCursor);
            UpdateText();
        }
        return true;
    }
    if (k == TEvent::kRight)
    {
        if (mCursor >= mEditText.length())
        {
            KeyHit(kRefused, key);
        }
        else if (KeyHit(kMove, key))
        {
            mCursor += CharLengthAt(mEditText, mCursor);
            UpdateText();
        }
        return true;
    }
    if (k == TEvent::kDelete)
    {
        if (mCursor < mEditText.length())
        {
            mEditText.erase(mCursor, int(CharLengthAt(mEditText, mCursor)));
            UpdateText();
        }
        else
        {
            KeyHit(kRefused, key);
        }
        return true;
    }
    if (k > 'Z')
        return false;
    if ((k == 'V' && (modifiers & 2)) || k == TEvent::kPaste)
    {
        if (KeyHitUTF8(kPasteKey, 0))
        {
            str clip = gClipboardReader();
            if (!clip.empty() && (mUTF8 || SafeClipText(clip)))
            {
                // Cut at the first NUL: the rest of a clip is never text.
                clip = str(clip.c_str());
                clip = FirstCharacters(clip, mMaxLength > 0 ? unsigned(mMaxLength) : 0u);
                for (unsigned pos = 0; pos < mIgnore.length();)
                {
                    const unsigned n = CharLengthAt(mIgnore, pos);
                    clip.replace(mIgnore.substr(pos, int(n)), str(""), 2, 0);
                    pos += n;
                }
                str kept;
                for (const char* p = clip.c_str(); *p; p++)
                    if (static_cast<unsigned char>(*p) >= 32)
                        kept += *p;
                SetText(str(""));
                if (!kept.empty())
                    SetText(kept);
                return true;
            }
        }
    }
    return (modifiers & (2 | 4 | 8)) == 0;
}

// Translation of native events into TEvent records.
#include "app/translate.h"

namespace
{

// Upper-cases an ASCII letter; every other value passes unchanged (as toupper in the C locale).
int32_t UpperAscii(int32_t c)
{
    return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
}

// A typed code point as the single byte the raw records carry: Latin-1 as itself, else '?'.
uint8_t CodePointToByte(uint32_t cp)
{
    return cp < 256 ? uint8_t(cp) : uint8_t('?');
}

uint32_t FirstCodePoint(const std::string& text)
{
    std::vector<uint16_t> units = Utf8ToUtf16Units(text);
    if (units.empty())
        return 0;
    uint32_t u = units[0];
    if (u >= 0xD800 && u <= 0xDBFF && units.size() > 1 && units[1] >= 0xDC00 && units[1] <= 0xDFFF)
        return 0x10000 + (u - 0xD800) * 0x400 + (units[1] - 0xDC00);
    return u;
}

// The key code and character of the control keys, which type no text of their own.
bool ControlKeyCodes(TNativeEvent::EKey key, int32_t* code)
{
    switch (key)
    {
    case TNativeEvent::kKeyReturn:
    case TNativeEvent::kKeyKeypadEnter: *code = TEvent::kEnter; return true;
    case TNativeEvent::kKeyEscape: *code = TEvent::kEscape; return true;
    case TNativeEvent::kKeyTab: *code = TEvent::kTab; return true;
    case TNativeEvent::kKeyBackspace: *code = TEvent::kBackspace; return true;
    case TNativeEvent::kKeyDelete: *code = TEvent::kDelete; return true;
    case TNativeEvent::kKeyArrowLeft: *code = TEvent::kLeft; return true;
    case TNativeEvent::kKeyArrowRight: *code = TEvent::kRight; return true;
    case TNativeEvent::kKeyArrowUp: *code = TEvent::kUp; return true;
    case TNativeEvent::kKeyArrowDown: *code = TEvent::kDown; return true;
    default: return false;
    }
}

bool IsFunctionKey(TNativeEvent::EKey key)
{
    return key >= TNativeEvent::kKeyF1 && key <= TNativeEvent::kKeyFunctionOther;
}

int32_t FunctionKeyCode(TNativeEvent::EKey key)
{
    switch (key)
    {
    case TNativeEvent::kKeyF1: return TEvent::kF1;
    case TNativeEvent::kKeyF2: return TEvent::kF2;
    case TNativeEvent::kKeyF3: return TEvent::kF3;
    case TNativeEvent::kKeyF4: return TEvent::kF4;
    default: return 0;  // every other function key shares kPaste's code
    }
}

struct TRawKey
{
    bool valid = false;
    int32_t code = 0;       // the key-down code
    int32_t character = 0;  // the character record's parameter
    bool hasCharacter = false;
};

// The raw key path: key code and character of one key down.
TRawKey RawKey(const TNativeEvent& e)
{
    TRawKey k;
    int32_t control;
    if (ControlKeyCodes(e.mKey, &control))
    {
        k.valid = true;
        k.code = control;
        k.character = control;
        k.hasCharacter = true;
    }
    else if (IsFunctionKey(e.mKey))
    {
        k.valid = true;
        k.code = FunctionKeyCode(e.mKey);
    }
    else if (e.mKey == TNativeEvent::kKeyPrintable)
    {
        uint32_t cp = FirstCodePoint(e.mText);
        bool letter = (e.mKeyChar >= 'a' && e.mKeyChar <= 'z');
        if (cp == 0 && (e.mModifiers & TEvent::kControl) && letter)
        {
            // Control chords type nothing; report the control code, which text widgets ignore.
            k.valid = true;
            k.code = UpperAscii(int32_t(e.mKeyChar));
            k.character = int32_t(e.mKeyChar) & 0x1F;
            k.hasCharacter = k.character != 0;
            return k;
        }
        if (cp == 0)
            cp = e.mKeyChar;
        if (cp == 0)
            return k;
        uint8_t byte = CodePointToByte(cp);
        k.valid = true;
        k.code = UpperAscii(byte);
        k.character = int32_t(int8_t(byte));
        k.hasCharacter = byte != 0;
    }
    return k;
}

// The UTF-16 units the text-input handler sees for one key down.
std::vector<uint16_t> TextUnitsForKey(const TNativeEvent& e)
{
    int32_t control;
    if (ControlKeyCodes(e.mKey, &control))
        return {uint16_t(control)};
    if (IsFunctionKey(e.mKey))
        return {uint16_t(TEvent::kFunctionKeyUp)};
    if (e.mKey != TNativeEvent::kKeyPrintable)
        return {};
    if (!e.mText.empty())
        return Utf8ToUtf16Units(e.mText);
    if ((e.mModifiers & TEvent::kControl) && e.mKeyChar >= 'a' && e.mKeyChar <= 'z')
        return {uint16_t(e.mKeyChar & 0x1F)};
    return {};
}

// The text-input handler: one UTF-16 unit to records (position 0, 0).
void TextUnit(uint16_t unit, uint32_t mods, TTranslateState& st, std::vector<TEvent>& out)
{
    if (!st.mQFUnicode)
    {
        uint16_t u = unit >= 256 ? uint16_t('?') : unit;
        int32_t asByte = int32_t(int8_t(uint8_t(u)));
        out.emplace_back(TEvent::kKeyDown, UpperAscii(asByte), 0, 0, mods);
        out.emplace_back(TEvent::kCharacter, int32_t(u), 0, 0, mods);
        return;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF)
    {
        st.mPendingHighSurrogate = unit;
        return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF)
    {
        uint32_t cp = unit;
        if (st.mPendingHighSurrogate)
            cp = 0x10000 + (st.mPendingHighSurrogate - 0xD800) * 0x400 + (unit - 0xDC00);
        st.mPendingHighSurrogate = 0;
        out.emplace_back(TEvent::kUnicodeCharacter, int32_t(cp), 0, 0, mods);
        return;
    }
    // A high surrogate followed by anything but a low one is dropped.
    st.mPendingHighSurrogate = 0;
    if (unit <= 0x7F)
        out.emplace_back(TEvent::kKeyDown, UpperAscii(unit), 0, 0, mods);
    out.emplace_back(TEvent::kUnicodeCharacter, int32_t(unit), 0, 0, mods);
}

void KeyDown(const TNativeEvent& e, TTranslateState& st, TTranslation& t)
{
    const uint32_t mods = e.mModifiers;
    TRawKey k = RawKey(e);
    if (k.valid)
    {
        st.mKeyUpCodes[e.mScancode] = IsFunctionKey(e.mKey) ? TEvent::kFunctionKeyUp : k.code;
        if (k.code == TEvent::kEnter && (mods & TEvent::kOption))
        {
            if (!st.mFlashPlaying)
            {
                t.mActions |= kActionToggleFullscreen;
                t.mRecords.emplace_back(TEvent::kFullscreenToggled, 0, 0, 0, mods);
            }
            return;
        }
        if (k.code == TEvent::kF1 && (mods & TEvent::kOption))
        {
            t.mActions |= kActionToggleHUD;
            return;
        }
    }
    if (st.mPelloryUnicode || st.mQFUnicode)
    {
        for (uint16_t unit : TextUnitsForKey(e))
            TextUnit(unit, mods, st, t.mRecords);
        return;
    }
    if (!k.valid)
        return;
    t.mRecords.emplace_back(TEvent::kKeyDown, k.code, e.mX, e.mY, mods);
    if (k.hasCharacter && !IsFunctionKey(e.mKey))
        t.mRecords.emplace_back(TEvent::kCharacter, k.character, e.mX, e.mY, mods);
}

void KeyUp(const TNativeEvent& e, TTranslateState& st, TTranslation& t)
{
    int32_t code;
    auto it = st.mKeyUpCodes.find(e.mScancode);
    if (it != st.mKeyUpCodes.end())
    {
        code = it->second;
        st.mKeyUpCodes.erase(it);
    }
    else if (IsFunctionKey(e.mKey))
    {
        code = TEvent::kFunctionKeyUp;
    }
    else if (!ControlKeyCodes(e.mKey, &code))
    {
        if (e.mKey != TNativeEvent::kKeyPrintable || e.mKeyChar == 0)
            return;
        code = UpperAscii(CodePointToByte(e.mKeyChar));
    }
    t.mRecords.emplace_back(TEvent::kKeyUp, code, e.mX, e.mY, e.mModifiers);
}

void TextInput(const TNativeEvent& e, TTranslateState& st, TTranslation& t)
{
    if (st.mPelloryUnicode || st.mQFUnicode)
    {
        for (uint16_t unit : Utf8ToUtf16Units(e.mText))
            TextUnit(unit, e.mModifiers, st, t.mRecords);
        return;
    }
    // Composed text that no key down carried: one character record per code point.
    std::vector<uint16_t> units = Utf8ToUtf16Units(e.mText);
    for (size_t i = 0; i < units.size(); ++i)
    {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size())
            ++i;  // a pair is one '?'
        uint8_t byte = CodePointToByte(cp >= 0xD800 && cp <= 0xDFFF ? '?' : cp);
        t.mRecords.emplace_back(TEvent::kCharacter, int32_t(int8_t(byte)), e.mX, e.mY, e.mModifiers);
    }
}

int32_t EffectiveButton(const TNativeEvent& e)
{
    if (e.mModifiers & TEvent::kControl)
        return 2;  // control-click is a right click
    if (e.mModifiers & TEvent::kOption)
        return 3;  // option-click a middle click
    return e.mButton;
}

void Mouse(const TNativeEvent& e, TTranslateState& st, TTranslation& t)
{
    const uint32_t mods = e.mModifiers;
    const bool relative = st.mCursorMode == 1;
    switch (e.mKind)
    {
    case TNativeEvent::kMouseDown:
    {
        int32_t b = EffectiveButton(e);
        if (b == 1)
            t.mRecords.emplace_back(TEvent::kLeftDown, 0, e.mX, e.mY, mods);
        else if (b == 2)
            t.mRecords.emplace_back(TEvent::kMouseExtended, TEvent::kRightDown, e.mX, e.mY, mods);
        else if (b == 3)
            t.mRecords.emplace_back(TEvent::kMouseExtended, TEvent::kMiddleDown, e.mX, e.mY, mods);
        break;
    }
    case TNativeEvent::kMouseUp:
    {
        int32_t b = EffectiveButton(e);
        if (b == 2)
        {
            t.mRecords.emplace_back(TEvent::kMouseExtended, TEvent::kRightUp, e.mX, e.mY, mods);
        }
        else if (b == 3)
        {
            t.mRecords.emplace_back(TEvent::kMouseExtended, TEvent::kMiddleUp, e.mX, e.mY, mods);
        }
        else if (b == 1)
        {
            t.mRecords.emplace_back(TEvent::kLeftUp, 0, e.mX, e.mY, mods);
            if (relative)
            {
                t.mRecords.emplace_back(TEvent::kMouseMoved, 0, 0, 0, mods);
                t.mActions |= kActionWarpToCentre;
            }
            else
            {
                t.mRecords.emplace_back(TEvent::kMouseMoved, 0, e.mX, e.mY, mods);
            }
        }
        break;
    }
    case TNativeEvent::kMouseMoved:
        if (relative)
        {
            t.mRecords.emplace_back(TEvent::kMouseMoved, 0, e.mDX, e.mDY, mods);
            t.mActions |= kActionWarpToCentre;
        }
        else
        {
            t.mRecords.emplace_back(TEvent::kMouseMoved, 0, e.mX, e.mY, mods);
        }
        t.mActions |= kActionInvalidateScreen;
        break;
    case TNativeEvent::kMouseEntered: t.mActions |= kActionHideSystemCursor; break;
    case TNativeEvent::kMouseExited:
        t.mActions |= kActionShowSystemCursor;
        t.mRecords.emplace_back(TEvent::kMouseExited, 0, e.mX, e.mY, mods);
        if (relative)
            t.mActions |= kActionWarpToCentre;
        break;
    case TNativeEvent::kMouseWheel:
    {
        int32_t sub = 0;
        if (e.mAxis == 0)
            sub = e.mDelta >= 0 ? TEvent::kWheelHorizontalUp : TEvent::kWheelHorizontalDown;
        else if (e.mAxis == 1)
            sub = e.mDelta >= 0 ? TEvent::kWheelVerticalUp : TEvent::kWheelVerticalDown;
        t.mRecords.emplace_back(TEvent::kMouseExtended, sub, e.mX, e.mY, mods);
        break;
    }
    default: break;
    }
}

void Application(const TNativeEvent& e, TTranslateState& st, TTranslation& t)
{
    const uint32_t mods = e.mModifiers;
    switch (e.mKind)
    {
    case TNativeEvent::kFocusGained:
        st.mForeground = true;
        t.mActions |= kActionSoundActive;
        if (st.mFullscreen)
            t.mActions |= kActionHideSystemCursor;
        t.mRecords.emplace_back(TEvent::kActivation, 1, 0, 0, mods);
        break;
    case TNativeEvent::kFocusLost:
        st.mForeground = false;
        t.mActions |= kActionSoundInactive | kActionShowSystemCursor;
        if (st.mFullscreen)
            t.mActions |= kActionHideApplication;
        t.mRecords.emplace_back(TEvent::kActivation, 0, 0, 0, mods);
        break;
    case TNativeEvent::kMinimized:
        if (st.mFullscreen && !st.mAppHidden)
        {
            t.mActions |= kActionSoundInactive | kActionSwapDisplayMode;
            st.mAppHidden = true;
        }
        break;
    case TNativeEvent::kRestored:
        if (st.mFullscreen && st.mAppHidden)
        {
            t.mActions |= kActionSwapDisplayMode | kActionSoundActive;
            st.mAppHidden = false;
        }
        break;
    case TNativeEvent::kQuitRequested:
    case TNativeEvent::kWindowClose: t.mActions |= kActionCloseRequested; break;
    case TNativeEvent::kDisplayChanged: t.mActions |= kActionRebuildDisplay; break;
    case TNativeEvent::kWindowResized: t.mActions |= kActionRebuildMouseTracker; break;
    default: break;
    }
}

}  // namespace

std::vector<uint16_t> Utf8ToUtf16Units(const std::string& text)
{
    std::vector<uint16_t> units;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size(), i = 0;
    while (i < n)
    {
        unsigned char c = p[i];
        uint32_t cp;
        size_t len;
        if (c < 0x80)
        {
            cp = c;
            len = 1;
        }
        else if ((c & 0xE0) == 0xC0)
        {
            cp = c & 0x1F;
            len = 2;
        }
        else if ((c & 0xF0) == 0xE0)
        {
            cp = c & 0x0F;
            len = 3;
        }
        else if ((c & 0xF8) == 0xF0)
        {
            cp = c & 0x07;
            len = 4;
        }
        else
        {
            units.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (i + len > n)
        {
            units.push_back(0xFFFD);
            break;
        }
        bool ok = true;
        for (size_t k = 1; k < len; ++k)
        {
            if ((p[i + k] & 0xC0) != 0x80)
            {
                ok = false;
                break;
            }
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        {
            units.push_back(0xFFFD);
            i += ok ? len : 1;
            continue;
        }
        if (cp >= 0x10000)
        {
            cp -= 0x10000;
            units.push_back(uint16_t(0xD800 + (cp >> 10)));
            units.push_back(uint16_t(0xDC00 + (cp & 0x3FF)));
        }
        else
        {
            units.push_back(uint16_t(cp));
        }
        i += len;
    }
    return units;
}

TTranslation TranslateNativeEvent(const TNativeEvent& e, TTranslateState& st)
{
    TTranslation t;
    switch (e.mKind)
    {
    case TNativeEvent::kKeyDown: KeyDown(e, st, t); break;
    case TNativeEvent::kKeyUp: KeyUp(e, st, t); break;
    case TNativeEvent::kTextInput: TextInput(e, st, t); break;
    case TNativeEvent::kMouseDown:
    case TNativeEvent::kMouseUp:
    case TNativeEvent::kMouseMoved:
    case TNativeEvent::kMouseWheel:
    case TNativeEvent::kMouseEntered:
    case TNativeEvent::kMouseExited: Mouse(e, st, t); break;
    default: Application(e, st, t); break;
    }
    // Every translation yields at least one record; the idle record stands for "nothing".
    if (t.mRecords.empty())
        t.mRecords.emplace_back(TEvent::kIdle, 0, 0, 0, e.mModifiers);
    return t;
}

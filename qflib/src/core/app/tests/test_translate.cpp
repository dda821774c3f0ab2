#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/translate.h"

namespace
{

using N = TNativeEvent;
using E = TEvent;

N Key(N::EKind kind, N::EKey key, uint32_t scancode, uint32_t keyChar, const char* text, uint32_t mods = 0)
{
    N e;
    e.mKind = kind;
    e.mKey = key;
    e.mScancode = scancode;
    e.mKeyChar = keyChar;
    e.mText = text;
    e.mModifiers = mods;
    e.mX = 7;
    e.mY = 9;
    return e;
}
N Down(N::EKey key, uint32_t sc, uint32_t ch = 0, const char* text = "", uint32_t mods = 0)
{
    return Key(N::kKeyDown, key, sc, ch, text, mods);
}
N Up(N::EKey key, uint32_t sc, uint32_t ch = 0, uint32_t mods = 0)
{
    return Key(N::kKeyUp, key, sc, ch, "", mods);
}
N Mouse(N::EKind kind, int32_t button, uint32_t mods = 0)
{
    N e;
    e.mKind = kind;
    e.mButton = button;
    e.mModifiers = mods;
    e.mX = 100;
    e.mY = 50;
    e.mDX = -3;
    e.mDY = 4;
    return e;
}
N Wheel(int32_t axis, int32_t delta)
{
    N e = Mouse(N::kMouseWheel, 0);
    e.mAxis = axis;
    e.mDelta = delta;
    return e;
}
N Plain(N::EKind kind)
{
    N e;
    e.mKind = kind;
    return e;
}
N Text(const char* text)
{
    N e;
    e.mKind = N::kTextInput;
    e.mText = text;
    return e;
}

const E kIdleRecord(E::kIdle, 0, 0, 0, 0);

std::string Describe(const std::vector<E>& records)
{
    std::string s;
    for (const E& r : records)
        s += "[" + std::to_string(r.mType) + " " + std::to_string(r.mParam) + " " + std::to_string(r.mX) +
             "," + std::to_string(r.mY) + " m" + std::to_string(r.mModifiers) + "]";
    return s;
}

struct Case
{
    const char* name;
    N event;
    std::vector<E> records;
    uint32_t actions;
};

void RunTable(const std::vector<Case>& cases, const TTranslateState& initial)
{
    for (const Case& c : cases)
    {
        TTranslateState state = initial;
        TTranslation t = TranslateNativeEvent(c.event, state);
        EXPECT_EQ(Describe(t.mRecords), Describe(c.records)) << c.name;
        EXPECT_EQ(t.mActions, c.actions) << c.name;
    }
}

TEST(TranslateTest, RawKeyPath)
{
    const uint32_t opt = E::kOption, ctl = E::kControl, sh = E::kShift;
    std::vector<Case> cases = {
        {"letter", Down(N::kKeyPrintable, 4, 'a', "a"), {{11, 'A', 7, 9, 0}, {13, 'a', 7, 9, 0}}, 0},
        {"shifted letter",
         Down(N::kKeyPrintable, 4, 'a', "A", sh),
         {{11, 'A', 7, 9, sh}, {13, 'A', 7, 9, sh}},
         0},
        {"digit", Down(N::kKeyPrintable, 30, '1', "1"), {{11, '1', 7, 9, 0}, {13, '1', 7, 9, 0}}, 0},
        {"latin-1 letter",
         Down(N::kKeyPrintable, 47, 0xE9, "\xC3\xA9"),
         {{11, 0xE9, 7, 9, 0}, {13, int8_t(0xE9), 7, 9, 0}},
         0},
        {"beyond latin-1",
         Down(N::kKeyPrintable, 47, 0, "\xE2\x82\xAC"),
         {{11, '?', 7, 9, 0}, {13, '?', 7, 9, 0}},
         0},
        {"return", Down(N::kKeyReturn, 40), {{11, 13, 7, 9, 0}, {13, 13, 7, 9, 0}}, 0},
        {"keypad enter", Down(N::kKeyKeypadEnter, 88), {{11, 13, 7, 9, 0}, {13, 13, 7, 9, 0}}, 0},
        {"escape", Down(N::kKeyEscape, 41), {{11, 27, 7, 9, 0}, {13, 27, 7, 9, 0}}, 0},
        {"tab", Down(N::kKeyTab, 43), {{11, 9, 7, 9, 0}, {13, 9, 7, 9, 0}}, 0},
        {"backspace", Down(N::kKeyBackspace, 42), {{11, 8, 7, 9, 0}, {13, 8, 7, 9, 0}}, 0},
        {"delete", Down(N::kKeyDelete, 76), {{11, 127, 7, 9, 0}, {13, 127, 7, 9, 0}}, 0},
        {"left", Down(N::kKeyArrowLeft, 80), {{11, 28, 7, 9, 0}, {13, 28, 7, 9, 0}}, 0},
        {"right", Down(N::kKeyArrowRight, 79), {{11, 29, 7, 9, 0}, {13, 29, 7, 9, 0}}, 0},
        {"up", Down(N::kKeyArrowUp, 82), {{11, 30, 7, 9, 0}, {13, 30, 7, 9, 0}}, 0},
        {"down", Down(N::kKeyArrowDown, 81), {{11, 31, 7, 9, 0}, {13, 31, 7, 9, 0}}, 0},
        {"F1 alone", Down(N::kKeyF1, 58), {{11, 112, 7, 9, 0}}, 0},
        {"F4", Down(N::kKeyF4, 61), {{11, 115, 7, 9, 0}}, 0},
        {"F7 shares kPaste", Down(N::kKeyFunctionOther, 64), {{11, 0, 7, 9, 0}}, 0},
        {"ctrl chord",
         Down(N::kKeyPrintable, 25, 'v', "", ctl),
         {{11, 'V', 7, 9, ctl}, {13, 'v' & 0x1F, 7, 9, ctl}},
         0},
        {"home has no code", Down(N::kKeyNone, 74), {kIdleRecord}, 0},
        {"option+enter toggles full screen",
         Down(N::kKeyReturn, 40, 0, "", opt),
         {{19, 0, 0, 0, opt}},
         kActionToggleFullscreen},
        {"option+F1 toggles the HUD", Down(N::kKeyF1, 58, 0, "", opt), {{1, 0, 0, 0, opt}}, kActionToggleHUD},
        {"key up of unknown key", Up(N::kKeyPrintable, 4, 'a'), {{12, 'A', 7, 9, 0}}, 0},
        {"key up of F2", Up(N::kKeyF2, 59), {{12, 16, 7, 9, 0}}, 0},
        {"key up of escape", Up(N::kKeyEscape, 41), {{12, 27, 7, 9, 0}}, 0},
        {"key up of a modifier", Up(N::kKeyNone, 225), {kIdleRecord}, 0},
        {"composed text", Text("\xC3\xA9x"), {{13, int8_t(0xE9), 0, 0, 0}, {13, 'x', 0, 0, 0}}, 0},
    };
    RunTable(cases, TTranslateState());
}

TEST(TranslateTest, OptionEnterWhileAMoviePlaysOnlyIdles)
{
    TTranslateState st;
    st.mFlashPlaying = true;
    TTranslation t = TranslateNativeEvent(Down(N::kKeyReturn, 40, 0, "", E::kOption), st);
    EXPECT_EQ(Describe(t.mRecords), Describe({{1, 0, 0, 0, E::kOption}}));
    EXPECT_EQ(t.mActions, 0u);
}

TEST(TranslateTest, KeyUpCarriesTheCodeOfItsKeyDown)
{
    TTranslateState st;
    // Shift+1 types "!", then shift is released before the key: the key up still says "!".
    TranslateNativeEvent(Down(N::kKeyPrintable, 30, '1', "!", E::kShift), st);
    TTranslation up = TranslateNativeEvent(Up(N::kKeyPrintable, 30, '1'), st);
    EXPECT_EQ(Describe(up.mRecords), Describe({{12, '!', 7, 9, 0}}));
    TranslateNativeEvent(Down(N::kKeyF1, 58), st);
    up = TranslateNativeEvent(Up(N::kKeyF1, 58), st);
    EXPECT_EQ(Describe(up.mRecords), Describe({{12, 16, 7, 9, 0}}));
    EXPECT_TRUE(st.mKeyUpCodes.empty());
}

TEST(TranslateTest, SingleByteTextHandler)
{
    TTranslateState st;
    st.mPelloryUnicode = true;
    std::vector<Case> cases = {
        {"letter", Down(N::kKeyPrintable, 4, 'a', "a"), {{11, 'A', 0, 0, 0}, {13, 'a', 0, 0, 0}}, 0},
        {"latin-1", Text("\xC3\xA9"), {{11, int8_t(0xE9), 0, 0, 0}, {13, 0xE9, 0, 0, 0}}, 0},
        {"beyond 255 becomes ?", Text("\xE2\x82\xAC"), {{11, '?', 0, 0, 0}, {13, '?', 0, 0, 0}}, 0},
        {"return is synthesised", Down(N::kKeyReturn, 40), {{11, 13, 0, 0, 0}, {13, 13, 0, 0, 0}}, 0},
        {"function key gives 16", Down(N::kKeyFunctionOther, 62), {{11, 16, 0, 0, 0}, {13, 16, 0, 0, 0}}, 0},
        {"modifier alone idles", Down(N::kKeyNone, 225), {kIdleRecord}, 0},
        {"key up still reported", Up(N::kKeyPrintable, 4, 'a'), {{12, 'A', 7, 9, 0}}, 0},
    };
    RunTable(cases, st);
}

TEST(TranslateTest, FullUnicodeTextHandler)
{
    TTranslateState st;
    st.mQFUnicode = true;
    std::vector<Case> cases = {
        {"ascii letter: key down first",
         Down(N::kKeyPrintable, 4, 'a', "a"),
         {{11, 'A', 0, 0, 0}, {14, 'a', 0, 0, 0}},
         0},
        {"euro: no key down", Text("\xE2\x82\xAC"), {{14, 0x20AC, 0, 0, 0}}, 0},
        {"surrogate pair joined", Text("\xF0\x9F\x98\x80"), {{14, 0x1F600, 0, 0, 0}}, 0},
        {"escape", Down(N::kKeyEscape, 41), {{11, 27, 0, 0, 0}, {14, 27, 0, 0, 0}}, 0},
        {"two characters in one text",
         Text("ab"),
         {{11, 'A', 0, 0, 0}, {14, 'a', 0, 0, 0}, {11, 'B', 0, 0, 0}, {14, 'b', 0, 0, 0}},
         0},
    };
    RunTable(cases, st);
}

TEST(TranslateTest, SurrogatesArrivingSeparately)
{
    // A high surrogate waits for its low half; an unpaired low surrogate stands for itself.
    TTranslateState st;
    st.mQFUnicode = true;
    std::vector<E> out;
    // Feed the halves through two one-unit texts: build them as UTF-16 is not possible in
    // UTF-8, so drive the handler through the pair and then a lone low half via invalid input.
    TTranslation t = TranslateNativeEvent(Text("\xF0\x9F\x98\x80"), st);
    EXPECT_EQ(st.mPendingHighSurrogate, 0u);
    EXPECT_EQ(Describe(t.mRecords), Describe({{14, 0x1F600, 0, 0, 0}}));
    // Invalid UTF-8 decodes to U+FFFD, a plain unit.
    t = TranslateNativeEvent(Text("\xFF"), st);
    EXPECT_EQ(Describe(t.mRecords), Describe({{14, 0xFFFD, 0, 0, 0}}));
}

TEST(TranslateTest, MouseTable)
{
    const uint32_t ctl = E::kControl, opt = E::kOption;
    std::vector<Case> absolute = {
        {"left down", Mouse(N::kMouseDown, 1), {{5, 0, 100, 50, 0}}, 0},
        {"right down", Mouse(N::kMouseDown, 2), {{6, 1, 100, 50, 0}}, 0},
        {"middle down", Mouse(N::kMouseDown, 3), {{6, 3, 100, 50, 0}}, 0},
        {"fourth button", Mouse(N::kMouseDown, 4), {kIdleRecord}, 0},
        {"control-click is right", Mouse(N::kMouseDown, 1, ctl), {{6, 1, 100, 50, ctl}}, 0},
        {"control-release is right", Mouse(N::kMouseUp, 1, ctl), {{6, 0, 100, 50, ctl}}, 0},
        {"option-click is middle", Mouse(N::kMouseDown, 1, opt), {{6, 3, 100, 50, opt}}, 0},
        {"option-release is middle", Mouse(N::kMouseUp, 1, opt), {{6, 2, 100, 50, opt}}, 0},
        {"left up then move", Mouse(N::kMouseUp, 1), {{7, 0, 100, 50, 0}, {8, 0, 100, 50, 0}}, 0},
        {"move", Mouse(N::kMouseMoved, 0), {{8, 0, 100, 50, 0}}, kActionInvalidateScreen},
        {"enter", Mouse(N::kMouseEntered, 0), {kIdleRecord}, kActionHideSystemCursor},
        {"exit", Mouse(N::kMouseExited, 0), {{9, 0, 100, 50, 0}}, kActionShowSystemCursor},
        {"wheel h+", Wheel(0, 0), {{6, 4, 100, 50, 0}}, 0},
        {"wheel h-", Wheel(0, -1), {{6, 5, 100, 50, 0}}, 0},
        {"wheel v+", Wheel(1, 2), {{6, 6, 100, 50, 0}}, 0},
        {"wheel v-", Wheel(1, -2), {{6, 7, 100, 50, 0}}, 0},
        {"wheel other axis", Wheel(5, 1), {{6, 0, 100, 50, 0}}, 0},
    };
    RunTable(absolute, TTranslateState());

    TTranslateState relative;
    relative.mCursorMode = 1;
    std::vector<Case> rel = {
        {"relative move carries deltas",
         Mouse(N::kMouseMoved, 0),
         {{8, 0, -3, 4, 0}},
         kActionWarpToCentre | kActionInvalidateScreen},
        {"relative left up",
         Mouse(N::kMouseUp, 1),
         {{7, 0, 100, 50, 0}, {8, 0, 0, 0, 0}},
         kActionWarpToCentre},
        {"relative exit",
         Mouse(N::kMouseExited, 0),
         {{9, 0, 100, 50, 0}},
         kActionShowSystemCursor | kActionWarpToCentre},
    };
    RunTable(rel, relative);
}

TEST(TranslateTest, ApplicationAndWindowTable)
{
    std::vector<Case> windowed = {
        {"focus gained", Plain(N::kFocusGained), {{18, 1, 0, 0, 0}}, kActionSoundActive},
        {"focus lost",
         Plain(N::kFocusLost),
         {{18, 0, 0, 0, 0}},
         kActionSoundInactive | kActionShowSystemCursor},
        {"close box", Plain(N::kWindowClose), {kIdleRecord}, kActionCloseRequested},
        {"system quit", Plain(N::kQuitRequested), {kIdleRecord}, kActionCloseRequested},
        {"display change", Plain(N::kDisplayChanged), {kIdleRecord}, kActionRebuildDisplay},
        {"resized", Plain(N::kWindowResized), {kIdleRecord}, kActionRebuildMouseTracker},
        {"minimised windowed", Plain(N::kMinimized), {kIdleRecord}, 0},
        {"nothing", Plain(N::kNone), {kIdleRecord}, 0},
    };
    RunTable(windowed, TTranslateState());

    TTranslateState full;
    full.mFullscreen = true;
    std::vector<Case> fullscreen = {
        {"focus gained in full screen",
         Plain(N::kFocusGained),
         {{18, 1, 0, 0, 0}},
         kActionSoundActive | kActionHideSystemCursor},
        {"focus lost in full screen",
         Plain(N::kFocusLost),
         {{18, 0, 0, 0, 0}},
         kActionSoundInactive | kActionShowSystemCursor | kActionHideApplication},
        {"hidden in full screen",
         Plain(N::kMinimized),
         {kIdleRecord},
         kActionSoundInactive | kActionSwapDisplayMode},
        {"shown without being hidden", Plain(N::kRestored), {kIdleRecord}, 0},
    };
    RunTable(fullscreen, full);
}

TEST(TranslateTest, HiddenAndShownInFullScreenSwapTwice)
{
    TTranslateState st;
    st.mFullscreen = true;
    EXPECT_EQ(TranslateNativeEvent(Plain(N::kMinimized), st).mActions,
              kActionSoundInactive | kActionSwapDisplayMode);
    EXPECT_TRUE(st.mAppHidden);
    EXPECT_EQ(TranslateNativeEvent(Plain(N::kRestored), st).mActions,
              kActionSwapDisplayMode | kActionSoundActive);
    EXPECT_FALSE(st.mAppHidden);
}

TEST(TranslateTest, FocusUpdatesTheForegroundFlag)
{
    TTranslateState st;
    TranslateNativeEvent(Plain(N::kFocusLost), st);
    EXPECT_FALSE(st.mForeground);
    TranslateNativeEvent(Plain(N::kFocusGained), st);
    EXPECT_TRUE(st.mForeground);
}

TEST(TranslateTest, Utf8Decoding)
{
    struct U
    {
        const char* text;
        std::vector<uint16_t> units;
    };
    for (const U& u : std::vector<U>{
             {"", {}},
             {"A", {0x41}},
             {"\xC3\xA9", {0xE9}},
             {"\xE2\x82\xAC", {0x20AC}},
             {"\xF0\x9F\x98\x80", {0xD83D, 0xDE00}},
             {"\xC3", {0xFFFD}},          // truncated
             {"\xC0\x80", {0xFFFD}},      // overlong
             {"\xED\xA0\x80", {0xFFFD}},  // encoded surrogate
             {"\x80"
              "A",
              {0xFFFD, 0x41}},  // stray continuation byte
         })
    {
        EXPECT_EQ(Utf8ToUtf16Units(u.text), u.units) << u.text;
    }
}

}  // namespace

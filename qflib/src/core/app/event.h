// The platform event record: everything the platform reports to the game's loop is reduced to
// one of these five-word records.
#pragma once

#include <cstdint>

struct TEvent
{
    // Record types (mType).
    enum EType : int32_t
    {
        kIdle = 1,               // nothing else to report; drives the frame
        kNoPlatformMeaning = 2,  // never made by the platform; the window manager ignores it
        kCloseRequested = 3,
        kQuit = 4,  // delivered once per run
        kLeftDown = 5,
        kMouseExtended = 6,  // mParam is an EMouseSubCode
        kLeftUp = 7,
        kMouseMoved = 8,
        kMouseExited = 9,
        kMouseRouted = 10,       // never made by the platform; routed like mouse events
        kKeyDown = 11,           // mParam: key code (upper-cased character, or a named key)
        kKeyUp = 12,             // mParam: upper-cased character code
        kCharacter = 13,         // mParam: character as a signed byte
        kUnicodeCharacter = 14,  // mParam: code point
        kForceRedraw = 15,       // never made by the platform
        kDropShared = 17,        // never made by the platform
        kActivation = 18,        // mParam: 1 activated, 0 deactivated
        kFullscreenToggled = 19,
    };

    // Sub-codes of kMouseExtended.
    enum EMouseSubCode : int32_t
    {
        kRightUp = 0,
        kRightDown = 1,
        kMiddleUp = 2,
        kMiddleDown = 3,
        kWheelHorizontalUp = 4,    // horizontal axis, delta 0 or positive
        kWheelHorizontalDown = 5,  // horizontal axis, delta negative
        kWheelVerticalUp = 6,      // vertical axis, delta 0 or positive
        kWheelVerticalDown = 7,    // vertical axis, delta negative
    };

    // Modifier bits (mModifiers), read from the keyboard state when the record is made.
    enum EModifier : uint32_t
    {
        kShift = 1,
        kControl = 2,
        kOption = 4
    };

    // Named key codes of kKeyDown records (and characters of the control keys).
    static const int32_t kDelete = 127;
    static const int32_t kPaste = 0;  // shared with every function key above F4
    static const int32_t kTab = 9;
    static const int32_t kEscape = 27;
    static const int32_t kEnter = 13;
    static const int32_t kLeft = 28;
    static const int32_t kRight = 29;
    static const int32_t kUp = 30;
    static const int32_t kDown = 31;
    static const int32_t kBackspace = 8;
    // Function keys F1..F4 arrive as these key codes; their key-up carries kFunctionKeyUp.
    static const int32_t kF1 = 112;
    static const int32_t kF2 = 113;
    static const int32_t kF3 = 114;
    static const int32_t kF4 = 115;
    static const int32_t kFunctionKeyUp = 16;

    int32_t mType = kIdle;
    int32_t mParam = 0;
    int32_t mX = 0;  // window-content pixels, origin top left (deltas in relative cursor mode)
    int32_t mY = 0;
    uint32_t mModifiers = 0;

    TEvent() = default;
    TEvent(int32_t type, int32_t param, int32_t x, int32_t y, uint32_t modifiers)
        : mType(type), mParam(param), mX(x), mY(y), mModifiers(modifiers)
    {
    }

    bool operator==(const TEvent& o) const
    {
        return mType == o.mType && mParam == o.mParam && mX == o.mX && mY == o.mY &&
               mModifiers == o.mModifiers;
    }
    bool operator!=(const TEvent& o) const { return !(*this == o); }
};

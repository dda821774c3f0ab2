// Native event -> TEvent records. A pure function over a small state record, so the whole
// keyboard, mouse and application table can be tested without a display. Side effects that the
// platform layer must carry out (full-screen toggle, cursor warps, ...) come back as action bits.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "app/backend.h"
#include "app/event.h"

struct TTranslateState
{
    // Inputs the translation reads.
    int mCursorMode = 0;           // 0 absolute, 1 relative
    bool mFlashPlaying = false;    // a movie is playing: Option+Enter does nothing
    bool mPelloryUnicode = false;  // text arrives through the text-input handler (single byte)
    bool mQFUnicode = false;       // ... in full Unicode mode
    bool mFullscreen = false;
    bool mForeground = true;  // updated by the translation (focus gained and lost)

    // State the translation keeps between events.
    bool mAppHidden = false;
    uint32_t mPendingHighSurrogate = 0;
    // Key code each held key produced on its key down, so its key up matches it even when a
    // modifier was released first.
    std::map<uint32_t, int32_t> mKeyUpCodes;
};

// What the platform layer must do after a translation, in this order of bits.
enum ETranslateAction : uint32_t
{
    kActionNone = 0,
    kActionToggleFullscreen = 1u << 0,
    kActionToggleHUD = 1u << 1,
    kActionSoundActive = 1u << 2,    // tell the sound manager the application is active
    kActionSoundInactive = 1u << 3,  // ... or inactive
    kActionCloseRequested = 1u << 4,
    kActionWarpToCentre = 1u << 5,  // move the pointer back to the window's middle
    kActionInvalidateScreen = 1u << 6,
    kActionHideSystemCursor = 1u << 7,  // when visible and the mouse is inside the content
    kActionShowSystemCursor = 1u << 8,  // when hidden and the mouse is outside the content
    kActionHideApplication = 1u << 9,   // full screen lost the focus: minimise
    kActionSwapDisplayMode = 1u << 10,  // hidden or shown again in full screen
    kActionRebuildDisplay = 1u << 11,
    kActionRebuildMouseTracker = 1u << 12,
};

struct TTranslation
{
    std::vector<TEvent> mRecords;  // the group, in delivery order; never empty
    uint32_t mActions = kActionNone;
};

// Translates one native event. The records' modifiers are taken from the native event.
TTranslation TranslateNativeEvent(const TNativeEvent& event, TTranslateState& state);

// Decodes UTF-8 into UTF-16 units (invalid sequences become U+FFFD).
std::vector<uint16_t> Utf8ToUtf16Units(const std::string& text);

// TMessage: a window message, queued by the window manager and handed up the window tree.
#pragma once

#include "foundation/str.h"
#include "window/classid.h"

class TWindow;

class TMessage
{
public:
    // Message codes (mType). Codes from kUser up belong to the application.
    enum EType
    {
        kGeneric = 0,
        kCloseWindow = 1,
        kDefaultAction = 2,
        kButtonPress = 3,
        kPressAnyKey = 4,
        kQuitNow = 5,
        kModalClosed = 6,
        kTextEditChanged = 7,
        kCommandOnly = 8,
        kSliderValueChanged = 9,
        kSliderMouseUp = 10,
        kSliderPageUp = 11,
        kSliderPageDown = 12,
        kUser = 1000
    };

    explicit TMessage(int type = kGeneric, const str& name = str(), TWindow* target = nullptr)
        : mType(type), mName(name), mTarget(target)
    {
    }
    virtual ~TMessage() {}
    TMessage(const TMessage&) = delete;
    TMessage& operator=(const TMessage&) = delete;

    static TClassId ClassId();
    virtual const char* GetTypeName() const { return "TMessage"; }
    virtual bool IsKindOf(TClassId id) const { return id == ClassId(); }

    // The message this one stands for. A script-side message wraps a message kept by the
    // script; observers and default-focus windows are offered the carried message, while the
    // wrapper itself travels through the queue. The carried message stays owned by the script.
    virtual TMessage* GetCarriedMessage() { return this; }

    int mType;
    str mName;
    TWindow* mTarget;  // not owned; cleared when the window goes away before delivery
};

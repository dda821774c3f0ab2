// TButtonBase: what the window core needs of a button window. The framework's scripted button
// derives from it; hot keys and the Enter and Escape keys of a modal layer find buttons by this
// class and press them through it.
#pragma once

#include "window/window.h"

class TButtonBase : public TWindow
{
public:
    // Button flags.
    enum EButtonFlags : unsigned
    {
        kDefaultButton = 4,  // pressed by Enter
        kCancelButton = 8    // pressed by Escape
    };

    static TClassId ClassId();
    const char* GetTypeName() const override { return "TButtonBase"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TWindow::IsKindOf(id); }

    unsigned GetButtonFlags() const { return mButtonFlags; }
    void SetButtonFlags(unsigned flags) { mButtonFlags = flags; }

    // Carries out the button's command; true when a command was carried out.
    virtual bool DoCommand() { return false; }
    // Presses the button as a click would.
    virtual void Press() { DoCommand(); }

private:
    unsigned mButtonFlags = 0;
};

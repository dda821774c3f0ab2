// TButton: the framework's push, toggle and radio button. It shows one of its layers of images
// for its mouse state, plays its rollover and press sounds, tests clicks against an optional
// mask image, and when pressed posts a button-press message and runs its command (a script
// function). Enter and Escape of the modal window, hot keys and command links in text windows
// reach it through the window core's button base.
#pragma once

#include <cstdint>
#include <memory>

#include "bridge/layeredwindow.h"
#include "bridge/scriptwidget.h"
#include "foundation/color.h"
#include "window/button.h"

class TLuaFunction;
class TSound;
class TTexture;

class TButton : public TLayered<TButtonBase>, public TScriptWidget
{
public:
    enum EMouseState
    {
        kIdle = 0,
        kDown = 1,
        kRollover = 2,
        kPressed = 3  // only passed to StateUpdate by a press
    };
    enum EButtonType
    {
        kPush = 0,
        kToggle = 1,
        kRadio = 2
    };
    // Window flag (low byte): this button starts a radio group.
    static const uint32_t kBeginGroup = 0x8;

    // A command object owned by its button.
    class Action
    {
    public:
        virtual ~Action() {}
        virtual void DoAction(TButton* button) = 0;
    };
    // Runs a script function through the window script, with the button's name at hand.
    class LuaAction : public Action
    {
    public:
        // Takes ownership of the function.
        explicit LuaAction(TLuaFunction* function) : mFunction(function) {}
        ~LuaAction() override;
        void DoAction(TButton* button) override;

    private:
        TLuaFunction* mFunction;
    };

    TButton();
    ~TButton() override;

    static TClassId ClassId();
    const char* GetTypeName() const override { return "TButton"; }
    bool IsKindOf(TClassId id) const override;

    bool OnNewParent() override;
    void Init(TWindowStyle& style) override;
    void PostChildrenInit(TWindowStyle& style) override;
    bool OnMouseDown(const TPoint& point) override;
    bool OnMouseUp(const TPoint& point) override;
    bool OnMouseMove(const TPoint& point) override;
    bool OnMouseLeave() override;

    // The window core's button: Enter, Escape and command links run the command; the key or
    // click counts as handled whenever a command was run.
    bool DoCommand() override;
    // Hot keys press the button as a click does.
    void Press() override { PressButton(); }

    // A click: sound, command, then the toggle or radio change (so the command and the
    // button-press message see the state before it). True when the button's modal window is
    // still on top afterwards.
    bool PressButton();
    // The close message, the button-press message and the command. True when the command cut
    // the button off from the screen.
    bool RunCommand();

    virtual void StateUpdate(EMouseState newState, EMouseState oldState);
    virtual void SetState(EMouseState state);
    EMouseState GetState() const { return EMouseState(mMouseState); }

    // True when the point misses the clickable area (the button then leaves its mouse state).
    bool ReleaseCapture(const TPoint& point);

    void SetCommandAction(Action* action);
    void SetSound(EMouseState state, const str& name);
    std::shared_ptr<TSound> GetSound(EMouseState state) const;
    void SetClickMask(std::shared_ptr<TTexture> texture);
    bool HasClickMask() const { return mClickMask != nullptr; }

    // How the button plays a sound once: TSound::Play unless replaced (null restores it).
    typedef void (*TSoundPlayer)(const std::shared_ptr<TSound>& sound);
    static void SetSoundPlayer(TSoundPlayer player);

    bool GetOn() const { return mOn; }

    // The script side.
    EKind GetWidgetKind() const override { return kButton; }
    str GetLabel() const override;
    void SetLabel(const str& text) override;
    bool IsOn() const override { return mOn; }
    void SetOn(bool on) override;
    void SetCommand(TLuaFunction* function) override;
    void SetCurrentLayer(int layer) override { SelectLayer(layer); }

private:
    void PlaySound(int slot);
    void AddListener();
    void RemoveListener();

    unsigned mButtonType : 4;
    unsigned mMouseState : 3;
    unsigned mSendToParent : 1;
    unsigned mOn : 1;
    unsigned mClose : 1;
    unsigned mDefault : 1;
    unsigned mCancel : 1;
    Action* mAction = nullptr;
    std::shared_ptr<TSound> mSounds[3];
    TColor32* mClickMask = nullptr;
    int32_t mMaskWidth = 0;
    int32_t mMaskHeight = 0;
};

// Clears the other buttons of a radio group: pass 0 finds the group start at or before the
// button, pass 1 turns off every button from there to the next group start.
class TRadioButtonSpider : public TWindowSpider
{
public:
    explicit TRadioButtonSpider(TButton* button) : mButton(button) {}
    bool Process(TWindow* window) override;

    int mPass = 0;
    bool mFound = false;
    TWindow* mGroupStart = nullptr;
    TButton* mButton;
};

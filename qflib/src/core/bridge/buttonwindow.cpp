// TButton: the framework's push, toggle and radio button.
#include "bridge/buttonwindow.h"

#include <cmath>
#include <cstring>

#include "app/platform.h"
#include "bridge/imagewindow.h"
#include "bridge/luaobject.h"
#include "bridge/luawindowscript.h"
#include "bridge/luawindowstyle.h"
#include "bridge/textwindow.h"
#include "bridge/widgetsupport.h"
#include "render/texture.h"
#include "scriptengine/api.h"
#include "sound/sound.h"
#include "window/message.h"
#include "window/modalwindow.h"
#include "window/windowmanager.h"
#include "window/windowstyle.h"

namespace
{

TWindowManager* Manager()
{
    return TWindowManager::GetInstance();
}

// "GetButtonName" while a command runs: gives the name held as the closure's upvalue.
int ButtonNameFunction(lua_State* L)
{
    lua_pushvalue(L, lua_upvalueindex(1));
    return 1;
}

void PlayOnce(const std::shared_ptr<TSound>& sound)
{
    if (sound)
        sound->Play(false);  // the instance plays on by itself
}

TButton::TSoundPlayer gSoundPlayer = &PlayOnce;

}  // namespace

void TButton::SetSoundPlayer(TSoundPlayer player)
{
    gSoundPlayer = player ? player : &PlayOnce;
}

// ---------------------------------------------------------------------------------------------
// Actions

TButton::LuaAction::~LuaAction()
{
    delete mFunction;
}

void TButton::LuaAction::DoAction(TButton* button)
{
    TWindowManager* manager = Manager();
    auto message = std::make_unique<TMessage>(TMessage::kCommandOnly, str("LuaAction:") + button->GetName());
    if (!manager || !manager->GetScript() || !mFunction)
        return;
    lua_State* L = mFunction->GetState();
    // The command can ask for the name of the button that runs it. The name is handed over as
    // a value, never compiled, so any name is safe and no waiting dialog is woken by it. The
    // global is assigned as a script assigns it (a "__newindex" on the globals sees it); an
    // error raised there is written, and the command runs all the same.
    if (TScript* script = TScript::FromState(L))
    {
        const str name = button->GetName();
        lua_pushlstring(L, name.c_str(), name.length());
        lua_pushcclosure(L, &ButtonNameFunction, 1);
        script->AssignGlobal("GetButtonName");
    }
    // The window script takes the function it is given; the action keeps its own.
    mFunction->Push();
    TLuaFunction* command = new TLuaFunction(L);
    manager->OnScriptMessage(std::move(message), command);
}

// ---------------------------------------------------------------------------------------------
// Construction

TClassId TButton::ClassId()
{
    return WindowClassId<TButton>();
}

bool TButton::IsKindOf(TClassId id) const
{
    return id == ClassId() || id == TLayeredWindow::ClassId() || TButtonBase::IsKindOf(id);
}

TButton::TButton()
    : TLayered<TButtonBase>(4), mButtonType(kPush), mMouseState(kIdle), mSendToParent(0), mOn(0), mClose(0),
      mDefault(0), mCancel(0)
{
}

TButton::~TButton()
{
    if (mMouseState != kIdle)
        RemoveListener();
    mMouseState = kIdle;
    if (TWindowManager* manager = Manager())
        manager->RemoveMouseListener(this);
    delete[] mClickMask;
    delete mAction;
}

bool TButton::OnNewParent()
{
    SetState(kIdle);
    return true;
}

void TButton::Init(TWindowStyle& style)
{
    TButtonBase::Init(style);

    const str sound = style.GetString(str("sound"), str(""));
    const str rolloverSound = style.GetString(str("rolloversound"), str(""));
    const str mask = style.GetString(str("mask"), str(""));
    const double type = style.GetNumber(str("type"), 0);
    mButtonType = unsigned(std::isnan(type) || type < 0 || type > 15 ? 0 : int(type)) & 15u;
    double scaleNumber = style.GetNumber(str("scale"), 1.0);
    const float scale = std::isnan(scaleNumber) ? 1.0f : float(scaleNumber);
    const bool sendToParent = style.GetBool(str("sendToParent"), false);
    const bool beginGroup = style.GetBool(str("beginGroup"), false);
    const bool close = style.GetBool(str("close"), false);
    const bool isDefault = style.GetBool(str("default"), false);
    const bool cancel = style.GetBool(str("cancel"), false);
    if (style.GetBool(str("on"), false))
        SetOn(true);
    if (beginGroup)
        SetInternalFlags(kBeginGroup, 0);
    mSendToParent = sendToParent;
    mClose = close;
    mDefault = isDefault;
    mCancel = cancel;
    SetButtonFlags((isDefault ? unsigned(kDefaultButton) : 0u) | (cancel ? unsigned(kCancelButton) : 0u));

    if (!sound.empty())
        SetSound(kDown, sound);
    if (!rolloverSound.empty())
        SetSound(kRollover, rolloverSound);
    if (!mask.empty())
        SetClickMask(TTexture::Get(mask, 0));

    // Read and kept by no one: the button shows no tooltip of its own.
    (void)style.GetString(str("tooltip"), str(""));

    auto* luaStyle = dynamic_cast<TLuaWindowStyle*>(&style);
    if (TLuaTable* graphics = luaStyle ? luaStyle->GetTable(str("graphics")) : nullptr)
    {
        graphics->Push();
        const bool isTable = lua_istable(graphics->GetState(), -1);
        lua_pop(graphics->GetState(), 1);
        if (isTable)
        {
            const int count = mButtonType == kPush ? 3 : 4;
            unsigned flags = 0;
            if (style.GetBool(str("hflip"), false))
                flags |= 1;
            if (style.GetBool(str("vflip"), false))
                flags |= 2;
            const bool rotate = style.GetBool(str("rotate"), false);
            TImage* last = nullptr;
            for (int i = 0; i < count; i++)
            {
                const str name = graphics->GetString(i + 1, str(""));
                if (!name.empty())
                {
                    TImage* image = new TImage(true);
                    image->SetTexture(TTexture::Get(name, 0), scale);
                    image->SetName(str::getFormatted("image%d", i));
                    image->SetDrawFlags(flags);
                    image->SetRotate(rotate);
                    last = image;
                }
                SelectLayer(i);
                if (last)
                    AdoptChild(last, true);
            }
            FitToChildren();
        }
        delete graphics;
    }

    if (TLuaFunction* command = luaStyle ? luaStyle->GetFunction(str("command")) : nullptr)
    {
        command->Push();
        const bool isFunction = lua_isfunction(command->GetState(), -1);
        lua_pop(command->GetState(), 1);
        if (isFunction)
            SetCommandAction(new LuaAction(command));
        else
            delete command;
    }

    SelectLayer(-1);
}

void TButton::PostChildrenInit(TWindowStyle& style)
{
    TButtonBase::PostChildrenInit(style);
    SetState(kIdle);
}

// ---------------------------------------------------------------------------------------------
// State, sounds, layers

void TButton::SetState(EMouseState state)
{
    const EMouseState old = EMouseState(mMouseState);
    mMouseState = unsigned(state) & 7u;
    StateUpdate(state, old);
}

void TButton::PlaySound(int slot)
{
    if (slot < 0 || slot > 2 || !mSounds[slot])
        return;
    gSoundPlayer(mSounds[slot]);
}

void TButton::StateUpdate(EMouseState newState, EMouseState oldState)
{
    if (newState != oldState && newState != kDown && oldState != kPressed && newState <= kRollover &&
        mSounds[newState] && (GetFlags() & kShown))
        PlaySound(newState);

    switch (mButtonType)
    {
    case kPush:
        if (newState <= kRollover)
            SelectLayer(int(newState));
        break;
    case kToggle:
    case kRadio:
        if (newState == kIdle)
            SelectLayer(mOn ? 1 : 0);
        else if (newState == kDown)
            SelectLayer(mOn ? 0 : 1);
        else if (newState == kRollover)
            SelectLayer(mOn ? 3 : 2);
        break;
    default: break;
    }
}

void TButton::SetSound(EMouseState state, const str& name)
{
    if (int(state) < 0 || int(state) > 2)
        return;
    mSounds[state] = TSound::Get(name, true, 0);
}

std::shared_ptr<TSound> TButton::GetSound(EMouseState state) const
{
    return int(state) >= 0 && int(state) <= 2 ? mSounds[state] : nullptr;
}

void TButton::SetClickMask(std::shared_ptr<TTexture> texture)
{
    if (!texture)
        return;
    TColor32* pixels = nullptr;
    unsigned pitch = 0;
    if (!texture->Lock(&pixels, &pitch))
        return;
    const unsigned width = texture->GetWidth();
    const unsigned height = texture->GetHeight();
    delete[] mClickMask;
    mClickMask = nullptr;
    mMaskWidth = 0;
    mMaskHeight = 0;
    if (pixels && width > 0 && height > 0 && pitch >= width)
    {
        mClickMask = new TColor32[size_t(width) * height];
        for (unsigned row = 0; row < height; row++)
            std::memcpy(mClickMask + size_t(row) * width, pixels + size_t(row) * pitch, size_t(width) * 4);
        mMaskWidth = int32_t(width);
        mMaskHeight = int32_t(height);
    }
    texture->Unlock();
}

void TButton::SetCommandAction(Action* action)
{
    if (action == mAction)
        return;
    delete mAction;
    mAction = action;
}

void TButton::SetCommand(TLuaFunction* function)
{
    SetCommandAction(function ? new LuaAction(function) : nullptr);
}

str TButton::GetLabel() const
{
    TWindow* label = const_cast<TButton*>(this)->GetChildWindow(str("label"), -1);
    return label && label->IsKindOf(TText::ClassId()) ? static_cast<TText*>(label)->GetText() : str("");
}

void TButton::SetLabel(const str& text)
{
    TWindow* label = GetChildWindow(str("label"), -1);
    if (label && label->IsKindOf(TText::ClassId()))
        static_cast<TText*>(label)->SetText(text);
}

// ---------------------------------------------------------------------------------------------
// Mouse

void TButton::AddListener()
{
    if (TWindowManager* manager = Manager())
        manager->AddMouseListener(this);
}

void TButton::RemoveListener()
{
    if (TWindowManager* manager = Manager())
        manager->RemoveMouseListener(this);
}

bool TButton::ReleaseCapture(const TPoint& point)
{
    TRect rect;
    GetClientRect(&rect);
    if (point.x < rect.left || point.x >= rect.right || point.y < rect.top || point.y >= rect.bottom)
    {
        OnMouseLeave();
        return true;
    }
    if (!mClickMask || mMaskWidth < 1 || mMaskHeight < 1)
        return false;
    const float sx = float(rect.Width()) / float(mMaskWidth);
    const float sy = float(rect.Height()) / float(mMaskHeight);
    const float dx = float(point.x - rect.left);
    const float dy = float(point.y - rect.top);
    float fx, fy;
    if (TPlatform::GetConfig(str(TPlatform::kFixButtonMaskScaling), str("")).to_int() != 0)
    {
        fx = sx > 0 ? dx / sx : 0;
        fy = sy > 0 ? dy / sy : 0;
    }
    else
    {
        fx = dx * sx;
        fy = dy * sy;
    }
    // Both are at least 0 here; compare as floats so that no conversion can overflow.
    if (!(fx < float(mMaskWidth)) || !(fy < float(mMaskHeight)))
    {
        OnMouseLeave();
        return true;
    }
    const int32_t mx = int32_t(fx);
    const int32_t my = int32_t(fy);
    const TColor32 pixel = mClickMask[size_t(my) * size_t(mMaskWidth) + size_t(mx)];
    if (pixel.Red() > 19 || pixel.Green() > 19 || pixel.Blue() > 19)
        return false;
    OnMouseLeave();
    return true;
}

bool TButton::OnMouseDown(const TPoint& point)
{
    if (mMouseState == kIdle)
        AddListener();
    SetState(kDown);
    ReleaseCapture(point);
    return true;
}

bool TButton::OnMouseMove(const TPoint& point)
{
    if (ReleaseCapture(point))
        return false;
    if (mMouseState != kIdle)
        return true;
    SetState(kRollover);
    AddListener();
    return true;
}

bool TButton::OnMouseLeave()
{
    if (mMouseState != kIdle)
        RemoveListener();
    SetState(kIdle);
    return true;
}

bool TButton::OnMouseUp(const TPoint& point)
{
    if (mMouseState == kIdle || ReleaseCapture(point))
        return true;
    if (mMouseState == kDown)
    {
        if (!PressButton())
            return true;
        if (widgets::ShownWithinModal(this))
            SetState(kRollover);
        else
            OnMouseLeave();
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Pressing

bool TButton::PressButton()
{
    StateUpdate(kPressed, kDown);
    if (mSounds[kDown] && widgets::ShownWithinModal(this))
        PlaySound(kDown);
    if (RunCommand())
    {
        OnMouseLeave();
        return false;
    }
    if (mButtonType == kRadio)
    {
        SetOn(true);
    }
    else if (mButtonType == kToggle)
    {
        mOn = !mOn;
        SetState(EMouseState(mMouseState));
    }
    TWindowManager* manager = Manager();
    TModalWindow* modal = FindParentModal();
    if (manager && modal && modal == manager->GetTopModalWindow())
        return true;
    OnMouseLeave();
    return false;
}

bool TButton::DoCommand()
{
    RunCommand();
    return true;
}

bool TButton::RunCommand()
{
    TWindowManager* manager = Manager();
    if (mClose)
    {
        if (TModalWindow* modal = FindParentModal())
        {
            auto close = std::make_unique<TMessage>(TMessage::kCloseWindow, modal->GetIdText());
            if (manager)
                manager->PostWindowMessage(std::move(close));
            if (auto* script = manager ? dynamic_cast<TLuaWindowScript*>(manager->GetScript()) : nullptr)
                script->SetGlobalString(str("gReturnValue"), GetName());
        }
    }

    TWindow* target = GetParent();
    if (mSendToParent)
    {
        TModalWindow* top = manager ? manager->GetTopModalWindow() : nullptr;
        target = top ? top->GetParent() : nullptr;
    }
    auto press = std::make_unique<TMessage>(TMessage::kButtonPress, GetName(), target);
    auto post = [manager](std::unique_ptr<TMessage> message)
    {
        if (manager)
            manager->PostWindowMessage(std::move(message));
    };

    if (!mAction)
    {
        post(std::move(press));
        return false;
    }
    mAction->DoAction(this);
    TWindow* screen = manager ? manager->GetScreen() : nullptr;
    if (screen && IsDescendantOf(screen))
    {
        post(std::move(press));
        return false;
    }
    if (mSendToParent)
        post(std::move(press));
    return true;
}

void TButton::SetOn(bool on)
{
    if (mButtonType == kRadio && on && GetParent())
    {
        TRadioButtonSpider spider(this);
        GetParent()->ForEachChild(&spider, true);
        spider.mPass = 1;
        GetParent()->ForEachChild(&spider, true);
    }
    mOn = on;
    SetState(EMouseState(mMouseState));
    widgets::Invalidate();
}

bool TRadioButtonSpider::Process(TWindow* w)
{
    const bool flagged = (w->GetFlags() & TButton::kBeginGroup) != 0;
    if (mPass == 0)
    {
        if (flagged)
            mGroupStart = w;
        return w != mButton;
    }
    if (mFound && flagged)
        return false;
    if (!mFound && w == mGroupStart)
        mFound = true;
    if (mFound && w != mButton && w->IsKindOf(TButton::ClassId()))
        static_cast<TButton*>(w)->SetOn(false);
    return true;
}

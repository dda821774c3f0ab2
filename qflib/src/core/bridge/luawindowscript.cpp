// TLuaWindowScript: the window system's script host and its bound functions.
#include "bridge/luawindowscript.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/platform.h"
#include "bridge/lpcd.h"
#include "bridge/luamessage.h"
#include "bridge/luawindowstyle.h"
#include "foundation/debug.h"
#include "foundation/stringtable.h"
#include "render/renderer.h"
#include "scriptengine/api.h"
#include "scriptengine/auxlib.h"
#include "window/button.h"
#include "window/modalwindow.h"
#include "window/window.h"
#include "window/windowhooks.h"
#include "window/windowmanager.h"

namespace
{

std::map<str, TClassId>& BuiltinClasses()
{
    static std::map<str, TClassId> classes;
    return classes;
}

TMovieHostFactory gMovieHostFactory = nullptr;

TWindowManager* Manager()
{
    return TWindowManager::GetInstance();
}

TModalWindow* TopModal()
{
    TWindowManager* manager = Manager();
    return manager ? manager->GetTopModalWindow() : nullptr;
}

TScriptWidget* Widget(TWindow* window)
{
    return window ? dynamic_cast<TScriptWidget*>(window) : nullptr;
}

bool IsButton(TWindow* window)
{
    TScriptWidget* widget = Widget(window);
    return widget && widget->GetWidgetKind() == TScriptWidget::kButton;
}

// Style coordinates relative to the parent, resolved as the window core resolves a style's
// unaligned position: kMax + d is d from the parent's far edge, kCenter + d centres the window
// and moves it by d, other negatives count from the far edge.
int ResolveCoordinate(int coordinate, int size, int extent)
{
    const int64_t p = coordinate;
    int64_t result = p;
    if (p > 106666)
        result = int64_t(extent) + p - TWindow::kMax;
    else if (p > 40000)
        result = int64_t(extent) / 2 - int64_t(size) / 2 + p - TWindow::kCenter;
    else if (p < 0)
        result = int64_t(extent) + p;
    return int(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, result)));
}

// The start of the last UTF-8 character of text.
unsigned LastCharacterStart(const str& text)
{
    unsigned p = text.length();
    if (p == 0)
        return 0;
    p--;
    while (p > 0 && (static_cast<unsigned char>(text.c_str()[p]) & 0xC0) == 0x80)
        p--;
    return p;
}

// The record of a bound native call of the window core: the thunk, then the record's bytes at an
// offset that keeps them aligned for any type.
const size_t kBoolRecordOffset = alignof(std::max_align_t);

int BoolMemberDispatcher(lua_State* L)
{
    unsigned char* block = static_cast<unsigned char*>(lua_touserdata(L, lua_upvalueindex(1)));
    TBoolMemberThunk thunk;
    std::memcpy(&thunk, block, sizeof thunk);
    if (thunk)
        thunk(block + kBoolRecordOffset, lua_toboolean(L, 1) != 0);
    return 0;
}

TWindowScript* MakeLuaWindowScript()
{
    return new TLuaWindowScript(nullptr);
}

}  // namespace

void TScriptWidget::SetCommand(TLuaFunction* function)
{
    delete function;
}

void SetMovieHostFactory(TMovieHostFactory factory)
{
    gMovieHostFactory = factory;
}

void InstallWindowScriptFactory()
{
    SetWindowScriptFactory(&MakeLuaWindowScript);
}

void TLuaWindowScript::SetBuiltinWindowClass(const str& name, TClassId classId)
{
    BuiltinClasses()[name] = classId;
}

TLuaWindowScript::TLuaWindowScript(lua_State* L) : TScript(L)
{
    lua_State* S = mLuaState;
    using W = TLuaWindowScript;
    LPCD::Register(S, "PostCreate", this, &W::PostCreate);
    LPCD::Register(S, "GetLabel", this, &W::GetLabel);
    LPCD::Register(S, "_RegisterHotkey", this, &W::RegisterHotkey);
    LPCD::Register(S, "SetLabel", this, &W::SetLabel);
    LPCD::Register(S, "TagHotKey", this, &W::TagHotKey);
    LPCD::Register(S, "_SetBitmap", this, &W::SetBitmap);
    LPCD::Register(S, "SetPosition", this, &W::SetPosition);
    LPCD::RegisterStateMember(S, "SetCommand", this, &W::SetCommand);
    LPCD::RegisterStateMember(S, "StripKeyFromLabel", this, &W::StripKeyFromLabel);
    LPCD::Register(S, "SetWindowName", this, &W::SetWindowName);
    LPCD::Register(S, "FillRect", this, &W::FillRect);
    LPCD::Register(S, "GetTimer", this, &W::GetTimer);
    LPCD::Register(S, "GetConfig", &TPlatform::GetConfig);
    LPCD::Register(S, "IsEnabled", &TPlatform::IsEnabled);
    LPCD::Register(S, "DoSelectLayer", this, &W::DoSelectLayer);
    LPCD::Register(S, "EnableWindow", this, &W::EnableWindow);
    LPCD::Register(S, "GetButtonToggleState", this, &W::GetButtonToggleState);
    LPCD::Register(S, "SetButtonToggleState", this, &W::SetButtonToggleState);
    LPCD::Register(S, "PopWindow", this, &W::PopWindow);
    LPCD::Register(S, "RealSetFocus", this, &W::RealSetFocus);
    LPCD::Register(S, "StringToClipboard", this, &W::StringToClipboard);
    LPCD::Register(S, "UpdateWindow", this, &W::UpdateWindow);
    LPCD::Register(S, "PushModal", this, &W::PushModal);
    LPCD::Register(S, "ClearModalChildren", this, &W::ClearModalChildren);
    LPCD::Register(S, "GetWindowDepth", this, &W::GetWindowDepth);
    LPCD::Register(S, "DoPopModal", this, &W::DoPopModal);
    LPCD::RegisterStateMember(S, "HandleGetMessage", this, &W::HandleGetMessage);
    LPCD::RegisterStateMember(S, "GenericCreate", this, &W::CreateCustomWindow);
    LPCD::Register(S, "CreateNamedMessage", &CreateNamedMessage);
    LPCD::Register(S, "CreateCloseMessage", this, &W::CreateCloseMessage);
    LPCD::RegisterStateMember(S, "PostMessage", this, &W::PostMessage);
    LPCD::RegisterStateMember(S, "PostMessageToParent", this, &W::PostMessageToParent);
    LPCD::Register(S, "_GetString", this, &W::GetString);
    LPCD::Register(S, "StartMovie", this, &W::StartMovie);
    LPCD::Register(S, "IsMoviePlaying", this, &W::IsMoviePlaying);
    LPCD::Register(S, "StopMovie", this, &W::StopMovie);
    LPCD::Register(S, "ImageLoaded", this, &W::ImageLoaded);
    LPCD::Register(S, "DestroyWindow", this, &W::DestroyWindow);
    LPCD::Register(S, "DoFitToChildren", this, &W::DoFitToChildren);

    auto builtin = [](const char* name)
    {
        auto it = BuiltinClasses().find(str(name));
        return it == BuiltinClasses().end() ? TClassId(0) : it->second;
    };
    AddWindowType(str("Slider"), builtin("Slider"));
    AddWindowType(str("Bitmap"), builtin("Bitmap"));
    AddWindowType(str("Button"), builtin("Button"));
    AddWindowType(str("Text"), builtin("Text"));
    AddWindowType(str("TextEdit"), builtin("TextEdit"));
    AddWindowType(str("Window"), TWindow::ClassId());

    CreateMessageMetatable(S);

    lua_dobuffer(S, kScreenInitChunk, kScreenInitChunkSize, "gScreenInit");
    lua_settop(S, 0);
}

TLuaWindowScript::~TLuaWindowScript()
{
    if (mFlashHost)
    {
        mFlashHost->Stop();
        delete mFlashHost;
        mFlashHost = nullptr;
    }
    // Collects every unreachable value now, so boxed messages are deleted while the window
    // system still exists. A script finaliser that raises cannot stop the tear-down.
    LuaBridge::CollectGarbage(mLuaState);
    mWindowTypes.clear();
    mWindowStack.clear();
}

// ---- the seam ----

bool TLuaWindowScript::RunChunk(const str& text, const str& chunkName)
{
    (void)chunkName;  // a chunk is named by its own text
    const int top = lua_gettop(mLuaState);
    const int status = DoLuaString(text, -1, 0);
    if (status != 0 && !CoroutineActive())
        lua_settop(mLuaState, top);  // the error value has no reader here
    return status == 0;
}

void TLuaWindowScript::CloseRequested()
{
    const int top = lua_gettop(mLuaState);
    if (mFlashHost)
    {
        mFlashHost->Stop();
        delete mFlashHost;
        mFlashHost = nullptr;
    }
    lua_settop(mLuaState, top);
}

int TLuaWindowScript::Resume(int argumentCount)
{
    if (!CoroutineActive())
    {
        lua_pop(mLuaState, argumentCount);
        return 0;
    }
    return TScript::Resume(argumentCount);
}

void TLuaWindowScript::PushWindow(TWindow* window)
{
    if (window)
        mWindowStack.push_back(window);
}

void TLuaWindowScript::NewModalWindow(TWindow* top)
{
    mWindowStack.clear();
    if (top)
        mWindowStack.push_back(top);
}

void TLuaWindowScript::AddWindowType(const str& name, TClassId classId)
{
    const str chunk = WindowTypeChunk(name);
    const int top = lua_gettop(mLuaState);
    lua_dostring(mLuaState, chunk.c_str());
    lua_settop(mLuaState, top);
    mWindowTypes[name] = classId;
}

const std::vector<TWindow*>& TLuaWindowScript::GetWindowStack() const
{
    mWindowStack.erase(std::remove_if(mWindowStack.begin(), mWindowStack.end(),
                                      [](TWindow* w) { return !TWindow::IsLive(w); }),
                       mWindowStack.end());
    return mWindowStack;
}

TWindow* TLuaWindowScript::GetCurrentWindow() const
{
    const std::vector<TWindow*>& stack = GetWindowStack();
    return stack.empty() ? nullptr : stack.back();
}

TClassId TLuaWindowScript::GetWindowTypeId(const str& name) const
{
    auto it = mWindowTypes.find(name);
    return it == mWindowTypes.end() ? TClassId(0) : it->second;
}

void TLuaWindowScript::RegisterBoolMember(const char* name, const void* record, size_t size,
                                          TBoolMemberThunk thunk)
{
    lua_State* L = mLuaState;
    lua_pushstring(L, name);
    unsigned char* block = static_cast<unsigned char*>(lua_newuserdata(L, kBoolRecordOffset + size));
    std::memcpy(block, &thunk, sizeof thunk);
    if (size)
        std::memcpy(block + kBoolRecordOffset, record, size);
    lua_pushcclosure(L, &BoolMemberDispatcher, 1);
    lua_rawset(L, LUA_GLOBALSINDEX);
}

bool TLuaWindowScript::SetStringTableEnabled(bool enable)
{
    const bool previous = mStringTableEnabled;
    mStringTableEnabled = enable;
    return previous;
}

void TLuaWindowScript::CallProtected(int args)
{
    lua_State* L = mLuaState;
    const int base = lua_gettop(L) - args;
    lua_pushcfunction(L, &LuaAlert);
    lua_insert(L, base);
    {
        TEntry entry(this);
        lua_pcall(L, args, 0, base);
    }
    lua_settop(L, base - 1);
}

void TLuaWindowScript::RunQueueChunk(const char* chunk)
{
    const int top = lua_gettop(mLuaState);
    TEntry entry(this);
    lua_dostring(mLuaState, chunk);
    lua_settop(mLuaState, top);
}

void TLuaWindowScript::OnMessage(TMessage* message, TLuaFunction* command)
{
    std::unique_ptr<TMessage> owned(message);
    std::unique_ptr<TLuaFunction> function(command);
    lua_State* L = mLuaState;
    if (CoroutineActive() && mScriptState == kWaitingForMessage)
    {
        int args = 1;
        PushMessageValue(L, std::move(owned), true);
        if (function)
        {
            function->Push();
            args = 2;
        }
        function.reset();
        if (Resume(args) != 0)
            mScriptState = 0;
        return;
    }
    if (CoroutineActive())
    {
        // Suspended outside "HandleGetMessage": only the command runs; the message is dropped.
        if (function)
        {
            const int top = lua_gettop(L);
            function->Push();
            if (lua_isfunction(L, -1))
                CallProtected(0);
            lua_settop(L, top);
        }
        owned.reset();  // the message goes before the command
        return;
    }
    const int top = lua_gettop(L);
    if (owned)
    {
        PushMessageValue(L, std::move(owned), false);
        lua_pushstring(L, "gMessageToQueue");
        lua_insert(L, -2);
        lua_rawset(L, LUA_GLOBALSINDEX);
        RunQueueChunk("table.insert(gMessageQueue,gMessageToQueue); gMessageToQueue=nil;");
    }
    if (function)
    {
        lua_pushstring(L, "gMessageCommand");
        function->Push();
        lua_rawset(L, LUA_GLOBALSINDEX);
        function.reset();
        RunQueueChunk("table.insert(gCommandQueue,gMessageCommand); gMessageCommand=nil;");
    }
    lua_settop(L, top);
}

bool TLuaWindowScript::InjectFunction()
{
    lua_State* L = mLuaState;
    lua_pushnil(L);
    lua_insert(L, -2);
    int status;
    {
        TEntry entry(this);
        status = lua_resume(L, 2);
    }
    if (status != 0)
    {
        WriteDbg("lua_resume ERROR: %s", lua_isstring(L, -1) ? lua_tostring(L, -1) : "(no message)");
        lua_pop(L, 1);
        mScriptState = 0;
        // The closure went with the failed coroutine; RunFunction expects one to call.
        lua_pushnil(L);
        return false;
    }
    return true;
}

// ---- window creation ----

int TLuaWindowScript::CreateCustomWindow(lua_State* L)
{
    lua_settop(L, 1);
    lua_pushvalue(L, 1);
    TLuaTable table(L);
    TClassId classId = 0;
    {
        TLuaWindowStyle style(&table);
        const str typeName = style.GetString(str("typename"), str(""));
        auto it = mWindowTypes.find(typeName);
        if (it == mWindowTypes.end())
            mWindowTypes[typeName] = 0;
        else
            classId = it->second;
    }
    if (classId != 0)
    {
        if (TWindow* window = TWindow::CreateFromId(classId))
        {
            if (!InitWindow(window))
                delete window;
        }
    }
    return 0;
}

bool TLuaWindowScript::InitWindow(TWindow* window)
{
    TWindow* current = GetCurrentWindow();
    if (!window || !current || !current->AdoptChild(window, true))
        return false;
    lua_State* L = mLuaState;
    lua_pushvalue(L, -1);
    TLuaTable table(L);
    {
        TLuaWindowStyle style(&table);
        window->Init(style);
    }
    mWindowStack.push_back(window);
    const str sizes = str::getFormatted("gDialogWidth = %d; gDialogHeight= %d ;",
                                        int(window->GetWindowWidth()), int(window->GetWindowHeight()));
    const int top = lua_gettop(L);
    lua_dostring(L, sizes.c_str());
    lua_settop(L, top);
    return true;
}

void TLuaWindowScript::ForgetWindowsInside(TWindow* window, bool includeWindow)
{
    mWindowStack.erase(std::remove_if(mWindowStack.begin(), mWindowStack.end(),
                                      [&](TWindow* w) {
                                          return (includeWindow || w != window) && w->IsDescendantOf(window);
                                      }),
                       mWindowStack.end());
}

// ---- globals ----

TWindow* TLuaWindowScript::FindUnderTopModal(const str& name) const
{
    TModalWindow* top = TopModal();
    return top ? top->GetChildWindow(name, -1) : nullptr;
}

void TLuaWindowScript::PostCreate(TLuaTable* table, str typeName)
{
    (void)typeName;
    TWindow* current = GetCurrentWindow();
    if (!current)
        return;
    TLuaWindowStyle style(table);
    current->PostChildrenInit(style);
}

str TLuaWindowScript::GetLabel(str name)
{
    if (!TopModal())
        return str("");
    TWindow* window = FindUnderTopModal(name);
    if (!window)
        return name + str("_is_not_found");
    TScriptWidget* widget = Widget(window);
    if (widget && (widget->GetWidgetKind() == TScriptWidget::kText ||
                   widget->GetWidgetKind() == TScriptWidget::kButton))
        return widget->GetLabel();
    return name + str("_is_not_a_TText_window_or_TButton");
}

void TLuaWindowScript::RegisterHotkey(str key, str command)
{
    TModalWindow* top = TopModal();
    if (!key.empty() && top)
        top->AddHotkey(key, command);
}

void TLuaWindowScript::SetLabel(str name, str text)
{
    TScriptWidget* widget = Widget(FindUnderTopModal(name));
    if (widget && (widget->GetWidgetKind() == TScriptWidget::kText ||
                   widget->GetWidgetKind() == TScriptWidget::kButton))
        widget->SetLabel(text);
}

str TLuaWindowScript::TagHotKey(str hotkey, str label, str unused)
{
    (void)unused;
    if (hotkey.empty())
        return label;
    // The marked character is the hot key's last whole character; ASCII letters match either
    // case.
    const str key = hotkey.substr(LastCharacterStart(hotkey));
    const unsigned n = key.length();
    const unsigned p = label.find(key, 1);
    if (p == unsigned(-1) || p >= label.length())
        return label;
    return label.substr(0, int(p)) + str("<u>") + label.substr(p, int(n)) + str("</u>") + label.substr(p + n);
}

void TLuaWindowScript::SetBitmap(str name, str image, float scale)
{
    TScriptWidget* widget = Widget(FindUnderTopModal(name));
    if (widget && widget->GetWidgetKind() == TScriptWidget::kImage)
        widget->SetTexture(image, scale);
}

void TLuaWindowScript::SetPosition(str name, int x, int y)
{
    TWindow* window = FindUnderTopModal(name);
    if (!window)
        return;
    TWindow* parent = window->GetParent();
    const int parentW = parent ? parent->GetWindowWidth() : 0;
    const int parentH = parent ? parent->GetWindowHeight() : 0;
    window->SetWindowPos(ResolveCoordinate(x, window->GetWindowWidth(), parentW),
                         ResolveCoordinate(y, window->GetWindowHeight(), parentH));
}

int TLuaWindowScript::SetCommand(lua_State* L)
{
    const str name = LPCD::Get(LPCD::TypeWrapper<str>(), L, 1);
    lua_settop(L, 2);
    TLuaFunction* function = new TLuaFunction(L);  // pops argument 2
    TScriptWidget* widget = Widget(FindUnderTopModal(name));
    if (widget && widget->GetWidgetKind() == TScriptWidget::kButton)
        widget->SetCommand(function);
    else
        delete function;
    return 0;
}

int TLuaWindowScript::StripKeyFromLabel(lua_State* L)
{
    const str label = LPCD::Get(LPCD::TypeWrapper<str>(), L, 1);
    const unsigned p = label.find('&');
    if (p == unsigned(-1) || p >= label.length())
    {
        LPCD::Push(L, label);
        lua_pushstring(L, "");
        return 2;
    }
    str stripped = label;
    stripped.erase(p, 1);
    str key("");
    if (p + 1 < label.length())
    {
        const unsigned char c = static_cast<unsigned char>(label.c_str()[p + 1]);
        if (c < 0x80)
            key = str("@") + char(c);
    }
    LPCD::Push(L, stripped);
    LPCD::Push(L, key);
    return 2;
}

void TLuaWindowScript::SetWindowName(str name)
{
    if (TWindow* current = GetCurrentWindow())
        current->SetName(name);
}

void TLuaWindowScript::FillRect(TLuaTable* rect, TLuaTable* color)
{
    if (!rect || !color)
        return;
    TURect r(luaL_numtouint(rect->GetNumber(1, 0)), luaL_numtouint(rect->GetNumber(2, 0)),
             luaL_numtouint(rect->GetNumber(3, 0)), luaL_numtouint(rect->GetNumber(4, 0)));
    const TColor c(float(color->GetNumber(1, 0)), float(color->GetNumber(2, 0)),
                   float(color->GetNumber(3, 0)), float(color->GetNumber(4, 0)));
    TWindowManager* manager = Manager();
    if (manager && manager->GetScreen())
    {
        const TRect& s = manager->GetScreen()->GetRect();
        const uint32_t sx1 = uint32_t(std::max(s.left, 0)), sy1 = uint32_t(std::max(s.top, 0));
        const uint32_t sx2 = uint32_t(std::max(s.right, 0)), sy2 = uint32_t(std::max(s.bottom, 0));
        r.x1 = std::max(r.x1, sx1);
        r.y1 = std::max(r.y1, sy1);
        r.x2 = std::min(r.x2, sx2);
        r.y2 = std::min(r.y2, sy2);
        if (r.x2 < r.x1)
            r.x2 = r.x1;
        if (r.y2 < r.y1)
            r.y2 = r.y1;
    }
    if (!TRenderer::HasInstance())
        return;
    TRenderer* renderer = TRenderer::GetInstance();
    renderer->PushClippingRectangle(r);
    renderer->FillRect(r, c, std::shared_ptr<TTexture>());
    renderer->PopClippingRectangle();
}

unsigned TLuaWindowScript::GetTimer()
{
    return TPlatform::Timer();
}

bool TLuaWindowScript::StringToClipboard(str text)
{
    TPlatform* platform = TPlatform::GetInstance();
    return platform ? platform->StringToClipboard(text) : false;
}

void TLuaWindowScript::DoSelectLayer(int layer)
{
    TScriptWidget* widget = Widget(GetCurrentWindow());
    if (widget && (widget->GetWidgetKind() == TScriptWidget::kLayered ||
                   widget->GetWidgetKind() == TScriptWidget::kButton))
        widget->SetCurrentLayer(layer);
}

bool TLuaWindowScript::EnableWindow(str name, bool enable)
{
    for (TWindow* w = TopModal(); w; w = w->GetParent())
    {
        TWindow* found = w->GetChildWindow(name, -1);
        if (!found)
            continue;
        const unsigned flags = found->GetFlags();
        found->SetFlags(enable ? (flags | TWindow::kShown) : (flags & ~unsigned(TWindow::kShown)));
        if (!enable && (IsButton(found) || found->IsKindOf(TButtonBase::ClassId())))
            found->OnMouseLeave();
        if (TWindowManager* manager = Manager())
            manager->InvalidateScreen();
        return true;
    }
    return false;
}

bool TLuaWindowScript::GetButtonToggleState(str name)
{
    for (TWindow* w = TopModal(); w; w = w->GetParent())
    {
        if (TWindow* found = w->GetChildWindow(name, -1))
            return IsButton(found) ? Widget(found)->IsOn() : false;
    }
    return false;
}

void TLuaWindowScript::SetButtonToggleState(str name, bool on)
{
    for (TWindow* w = TopModal(); w; w = w->GetParent())
    {
        TWindow* found = w->GetChildWindow(name, -1);
        if (IsButton(found))
            Widget(found)->SetOn(on);
    }
}

void TLuaWindowScript::PopWindow()
{
    if (GetWindowStack().size() > 1)
        mWindowStack.pop_back();
}

void TLuaWindowScript::RealSetFocus(str name)
{
    TWindow* current = GetCurrentWindow();
    TWindowManager* manager = Manager();
    if (!current || !manager)
        return;
    TWindow* found = current->GetChildWindow(name, -1);
    TWindow* previous = manager->GetFocus();
    manager->SetFocus(found);
    if (found)
        found->OnSetFocus(previous);
}

void TLuaWindowScript::UpdateWindow()
{
    if (TWindowManager* manager = Manager())
        manager->InvalidateScreen();
}

str TLuaWindowScript::PushModal(str name)
{
    TWindowManager* manager = Manager();
    if (!manager)
        return str("");
    TModalWindow* modal = new TModalWindow();
    modal->SetName(name);
    const str id = modal->GetIdText();
    if (!manager->PushModal(modal))
    {
        delete modal;
        return str("");
    }
    return id;
}

void TLuaWindowScript::ClearModalChildren()
{
    TModalWindow* top = TopModal();
    if (!top)
        return;
    ForgetWindowsInside(top, false);
    top->DestroyTasks();
    top->DestroyAllChildren();
    top->SetWindowSize(0, 0);
    top->SetWindowPos(0, 0);
}

int TLuaWindowScript::GetWindowDepth()
{
    int depth = 0;
    for (TWindow* w = TopModal(); w; w = w->GetParent())
        depth++;
    return depth;
}

void TLuaWindowScript::DoPopModal(str name)
{
    if (TWindowManager* manager = Manager())
        manager->PopModal(name);
}

int TLuaWindowScript::HandleGetMessage(lua_State* L)
{
    if (lua_gettop(L) == 1)
        SetDelay(luaL_numtouint(lua_tonumber(L, 1)), true, true, false);
    else
        Pause();
    mScriptState = kWaitingForMessage;
    lua_settop(L, 0);
    LuaBridge::SafeGetGlobal(L, "gYieldResult");
    return lua_yield(L, 1);
}

TMessage* TLuaWindowScript::CreateCloseMessage()
{
    TWindow* current = GetCurrentWindow();
    return new TMessage(TMessage::kCloseWindow, current ? current->GetIdText() : str(""), nullptr);
}

int TLuaWindowScript::Post(lua_State* L, bool toParent)
{
    if (lua_gettop(L) == 0 || !MessageFromBox(L, -1))
        return 0;  // only a message box can be posted
    auto wrapper = std::make_unique<TLuaMessageWrapper>(L);
    TWindowManager* manager = Manager();
    if (toParent)
    {
        TModalWindow* top = TopModal();
        wrapper->mTarget = top ? top->GetParent() : nullptr;
    }
    if (manager)
        manager->PostWindowMessage(std::move(wrapper));
    return 0;
}

int TLuaWindowScript::PostMessage(lua_State* L)
{
    return Post(L, false);
}
int TLuaWindowScript::PostMessageToParent(lua_State* L)
{
    return Post(L, true);
}

str TLuaWindowScript::GetString(str key, str a1, str a2, str a3, str a4, str a5)
{
    if (key.length() > 0 && key.c_str()[0] == '#')
        return key.substr(1);
    TPlatform* platform = TPlatform::GetInstance();
    TStringTable* table = platform ? platform->GetStringTable() : nullptr;
    if (!table)
        return key;
    return table->GetString(key, a1, a2, a3, a4, a5);
}

bool TLuaWindowScript::StartMovie(str file, bool translate, bool allowInput)
{
    if (file.empty() || !gMovieHostFactory)
        return false;
    TMovieHost* host = gMovieHostFactory(file);
    if (!host)
        return false;
    if (!host->Start(false, translate, allowInput))
    {
        delete host;
        return false;
    }
    StopMovie();
    mFlashHost = host;
    return true;
}

bool TLuaWindowScript::IsMoviePlaying()
{
    return mFlashHost && mFlashHost->IsPlaying();
}

void TLuaWindowScript::StopMovie()
{
    if (!mFlashHost)
        return;
    mFlashHost->Stop();
    delete mFlashHost;
    mFlashHost = nullptr;
}

bool TLuaWindowScript::ImageLoaded(str name)
{
    TScriptWidget* widget = Widget(FindUnderTopModal(name));
    return widget && widget->GetWidgetKind() == TScriptWidget::kImage && widget->HasTexture();
}

void TLuaWindowScript::DestroyWindow(str name)
{
    TWindow* current = GetCurrentWindow();
    TWindowManager* manager = Manager();
    if (!current || !manager)
        return;
    TWindow* found = current->GetChildWindow(name, -1);
    if (!found)
        return;
    // A layer of the modal stack leaves through the manager, never from under it.
    for (size_t i = 0; i < manager->GetModalCount(); i++)
    {
        if (manager->GetModal(i) == found)
        {
            manager->PopModal(found->GetIdText());
            return;
        }
    }
    ForgetWindowsInside(found, true);
    if (TWindow* parent = found->GetParent())
        parent->OrphanChild(found);
    manager->SafeDestroyWindow(found);
}

void TLuaWindowScript::DoFitToChildren()
{
    if (TWindow* current = GetCurrentWindow())
        current->FitToChildren();
}

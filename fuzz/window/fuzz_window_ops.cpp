// Replays its input as a sequence of operations on the window system: windows and layers are
// made, adopted, orphaned, pushed, popped, sent messages and events, destroyed (deferred and
// directly), given tasks and animations, and drawn; handlers and tasks themselves destroy
// windows, post messages and change the stack while the manager walks its lists. Everything
// must stay free of memory errors and leaks.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/platform.h"
#include "foundation/clock.h"
#include "foundation/debug.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "window/button.h"
#include "window/message.h"
#include "window/modalwindow.h"
#include "window/window.h"
#include "window/windowmanager.h"
#include "window/windowscript.h"

namespace
{

const size_t kMaxWindows = 48;

uint32_t gNow = 0;
std::vector<TWindow*> gPool;  // every window made; entries may be dead (checked with IsLive)

class Input
{
public:
    Input(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
    bool More() const { return mPos < mSize; }
    uint8_t Byte() { return mPos < mSize ? mData[mPos++] : 0; }
    int32_t Coord() { return int32_t(Byte()) * 3 - 60; }

private:
    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
};

TWindow* Pick(Input& in)
{
    if (gPool.empty())
        return nullptr;
    TWindow* w = gPool[in.Byte() % gPool.size()];
    return TWindow::IsLive(w) ? w : nullptr;
}

TModalWindow* PickModal(Input& in)
{
    TWindow* w = Pick(in);
    return w && w->IsKindOf(TModalWindow::ClassId()) ? static_cast<TModalWindow*>(w) : nullptr;
}

// What a handler does besides answering, one bit each.
enum EAction : uint8_t
{
    kHandle = 1,
    kDestroySelf = 2,
    kPost = 4,
    kPopTop = 8,
    kPushNew = 16,
    kStopListening = 32,
    kDestroyChildren = 64,
    kTargetSelf = 128
};

void Act(TWindow* self, uint8_t actions);

template <class Base>
class FuzzWindow : public Base
{
public:
    explicit FuzzWindow(uint8_t actions) : mActions(actions) {}
    bool OnMouseDown(const TPoint&) override { return Run(); }
    bool OnMouseUp(const TPoint&) override { return Run(); }
    bool OnMouseMove(const TPoint&) override { return Run(); }
    bool OnExtendedMouseEvent(const TPoint&, TExtendedMouseEvent) override { return Run(); }
    bool OnMouseLeave() override { return Run(); }
    bool OnKeyDown(char c, unsigned m) override { return Base::OnKeyDown(c, m) || Run(); }
    bool OnChar(char c) override { return Base::OnChar(c) || Run(); }
    bool OnMessage(TMessage* message) override
    {
        return Base::OnMessage(message) || (message->mType >= 1000 && Run());
    }
    bool OnTaskAnimate() override { return Run(); }
    uint8_t mActions;

private:
    bool Run()
    {
        // Each handler acts once per call at most, and only a few times in total, so that
        // handlers posting messages to each other cannot go on for ever.
        if (mBudget == 0)
            return false;
        mBudget--;
        Act(this, mActions);
        return mActions & kHandle;
    }
    int mBudget = 4;
};

class FuzzButton : public TButtonBase
{
public:
    bool DoCommand() override
    {
        if (TWindowManager* m = TWindowManager::GetInstance())
            m->PostWindowMessage(new TMessage(TMessage::kButtonPress, GetName(), this));
        return (GetButtonFlags() & 1) != 0;
    }
};

TWindow* Track(TWindow* w)
{
    gPool.push_back(w);
    return w;
}

void Act(TWindow* self, uint8_t actions)
{
    TWindowManager* manager = TWindowManager::GetInstance();
    if (!manager)
        return;
    if (actions & kPost)
        manager->PostWindowMessage(
            new TMessage(1000 + (actions & 3), str("fuzz"), (actions & kTargetSelf) ? self : nullptr));
    if (actions & kStopListening)
        manager->RemoveMouseListener(self);
    if (actions & kDestroyChildren)
        self->DestroyAllChildren();
    if ((actions & kPushNew) && gPool.size() < kMaxWindows)
        manager->PushModal(static_cast<TModalWindow*>(Track(new FuzzWindow<TModalWindow>(0))));
    if ((actions & kPopTop) && manager->GetTopModalWindow())
        manager->PopModal(manager->GetTopModalWindow()->GetIdText());
    if (actions & kDestroySelf)
        manager->SafeDestroyWindow(self);
}

class FuzzTask : public TTask
{
public:
    FuzzTask(TModalWindow* layer, uint8_t actions) : mLayer(layer), mActions(actions) {}
    bool DoTask() override
    {
        TWindowManager* manager = TWindowManager::GetInstance();
        if (mRuns++ > 3 || !manager)
            return false;
        // The layer may have been deleted since; the task dies with its list, so a live list
        // means a live layer.
        if (mActions & 1)
            mLayer->DestroyTasks();
        if (mActions & 2)
            mLayer->DestroyTasks();
        if (mActions & 4)
            mLayer->AdoptTask(new FuzzTask(mLayer, uint8_t(mActions >> 3)));
        if ((mActions & 8) && manager->GetTopModalWindow())
            manager->PopModal(manager->GetTopModalWindow()->GetName());
        if (mActions & 16)
            manager->SafeDestroyWindow(mLayer);
        if (mActions & 32)
            manager->PostWindowMessage(new TMessage(TMessage::kCloseWindow, mLayer->GetName()));
        return (mActions & 64) == 0;
    }

private:
    TModalWindow* mLayer;
    uint8_t mActions;
    int mRuns = 0;
};

class NullScript : public TWindowScript
{
public:
    bool DoTask() override { return true; }
    bool RunChunk(const str&, const str&) override { return true; }
    void CloseRequested() override {}
    void PushWindow(TWindow*) override {}
    void NewModalWindow(TWindow*) override {}
    void OnMessage(TMessage* message, TLuaFunction*) override { delete message; }
    void EnableStringTable(bool) override {}
    int Resume(int) override { return 0; }
    void RegisterBoolMember(const char*, const void* record, size_t size, TBoolMemberThunk thunk) override
    {
        mRecord.assign(static_cast<const uint8_t*>(record), static_cast<const uint8_t*>(record) + size);
        mThunk = thunk;
    }
    void Call(bool value)
    {
        if (mThunk)
            mThunk(mRecord.data(), value);
    }
    std::vector<uint8_t> mRecord;
    TBoolMemberThunk mThunk = nullptr;
};

TRecordingDisplayHandler* gHandler = nullptr;

void SetUpOnce()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    qfSetTimeSource([]() { return gNow; });
    qfSetDbgSink([](const char*) {});  // hot keys without buttons report every press
    auto handler = std::make_unique<TRecordingDisplayHandler>();
    gHandler = handler.get();
    gHandler->SetDisplay(320, 240, false, false, false, false);
    TRenderer::CreateInstance(std::move(handler));
    TRenderer::GetInstance()->PushClippingRectangle(TURect(0, 0, 320, 240));
}

const str kNames[] = {str("a"), str("b"), str("c"), str("")};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SetUpOnce();
    gNow = 0xFFFFFF00u;  // close to the timer's wrap
    gIgnoreNextChar = false;
    TPlatform::SetConfig(str("overlaymouse"), str("0"));
    Input in(data, size);
    auto* manager = new TWindowManager();
    auto* script = new NullScript();
    manager->AttachWindowScript(script);
    {
        auto* screen = new TScreen();
        Track(screen);
        screen->SetWindowSize(320, 240);
        manager->SetScreen(screen);
    }

    int steps = 0;
    while (in.More() && steps++ < 400)
    {
        const uint8_t op = in.Byte();
        if (op >= 240)
        {
            switch (op % 4)
            {
            case 0:
                // The script goes behind the manager's back (its task list deletes it when its
                // task ends); the manager must never call it again.
                delete script;
                script = nullptr;
                break;
            case 1:
                if (!manager->GetScript())
                {
                    script = new NullScript();
                    manager->AttachWindowScript(script);
                }
                break;
            case 2:
                if (gPool.size() < kMaxWindows)
                {
                    auto* screen = new TScreen();
                    Track(screen);
                    screen->SetWindowSize(320, 240);
                    manager->SetScreen(screen);
                }
                break;
            case 3:
                manager->AddWindowType(kNames[in.Byte() % 4], TWindow::ClassId());
                if (gPool.size() < kMaxWindows)
                    if (TWindow* made = manager->CreateWindowOfType(kNames[in.Byte() % 4]))
                        Track(made);
                break;
            }
            gHandler->calls.clear();
            continue;
        }
        switch (op % 20)
        {
        case 0:
        case 1:
        {
            if (gPool.size() >= kMaxWindows)
                break;
            const uint8_t kind = in.Byte();
            TWindow* w;
            if (kind % 4 == 0)
                w = new FuzzWindow<TModalWindow>(in.Byte());
            else if (kind % 4 == 1)
            {
                auto* b = new FuzzButton();
                b->SetButtonFlags(in.Byte() & 0xF);
                w = b;
            }
            else
                w = new FuzzWindow<TWindow>(in.Byte());
            w->SetName(kNames[kind / 4 % 4]);
            w->SetWindowPos(in.Coord(), in.Coord());
            w->SetWindowSize(in.Byte(), in.Byte());
            Track(w);
            if (TWindow* parent = Pick(in))
                parent->AdoptChild(w, kind & 0x40);
            break;
        }
        case 2:
        {
            TWindow* parent = Pick(in);
            TWindow* child = Pick(in);
            const bool notify = in.Byte() & 1;
            if (parent && child)
                parent->AdoptChild(child, notify);
            break;
        }
        case 3:
            if (TWindow* child = Pick(in))
                if (TWindow* parent = child->GetParent())
                    parent->OrphanChild(child);
            break;
        case 4:
            if (TModalWindow* m = PickModal(in))
                manager->PushModal(m);
            break;
        case 5:
        {
            const uint8_t how = in.Byte();
            TWindow* w = Pick(in);
            if (how & 1)
                manager->PopModal(w ? w->GetIdText() : str("zz"));
            else
                manager->PopModal(kNames[how / 2 % 4]);
            break;
        }
        case 6:
        {
            const uint8_t type = in.Byte();
            TWindow* target = (type & 0x80) ? Pick(in) : nullptr;
            const int code = (type & 0x40) ? 1000 + (type & 7) : (type & 15);
            manager->PostWindowMessage(new TMessage(code, kNames[type / 16 % 4], target));
            break;
        }
        case 7: manager->SafeDestroyWindow(Pick(in)); break;
        case 8:
            // Deleted directly: the tree, the stack and the manager's lists must let go of it.
            if (TWindow* w = Pick(in))
                delete w;
            break;
        case 9:
        case 10:
        {
            TEvent e(in.Byte() % 21, in.Byte(), in.Coord(), in.Coord(), in.Byte() & 7);
            manager->HandleEvent(&e);
            break;
        }
        case 11:
            if (TModalWindow* m = PickModal(in))
                m->AdoptTask(new FuzzTask(m, in.Byte()));
            break;
        case 12:
            if (TWindow* w = Pick(in))
            {
                const uint8_t what = in.Byte();
                if (what & 1)
                    w->SetFlags(unsigned(in.Byte()) << 8);
                if (what & 2)
                    w->SetWindowSize(unsigned(in.Byte()) * 2, unsigned(in.Byte()) * 2);
                if (what & 4)
                    w->SetWindowPos(in.Coord(), in.Coord());
                if (what & 8)
                    w->FitToChildren();
                // Far-out positions and sizes: the rectangle arithmetic must not overflow.
                if (what & 16)
                    w->SetWindowPos(int32_t(uint32_t(in.Byte()) << 24), int32_t(uint32_t(in.Byte()) << 24));
                if (what & 32)
                    w->SetWindowSize(uint32_t(in.Byte()) << 24, uint32_t(in.Byte()) << 24);
            }
            break;
        case 13:
            if (TWindow* w = Pick(in))
            {
                const uint8_t what = in.Byte();
                if (what & 1)
                    manager->AddMouseListener(w);
                if (what & 2)
                    manager->RemoveMouseListener(w);
                if (what & 4)
                    manager->AddOverlayWindow(w);
                if (what & 8)
                    manager->RemoveOverlayWindow(w);
                if (what & 16)
                    manager->SetFocus(w);
                if (what & 32)
                    TPlatform::SetConfig(str("overlaymouse"), str((what & 64) ? "1" : "0"));
                if (what & 128)
                    manager->SetOutlineHoverWindow(true);
            }
            break;
        case 14:
            if (TWindow* w = Pick(in))
            {
                const uint8_t what = in.Byte();
                if (what & 1)
                    w->StopWindowAnimation();
                else
                    w->StartWindowAnimation(what >> 3, what & 2, what & 4, true);
            }
            break;
        case 15: gNow += uint32_t(in.Byte()) * 4; break;
        case 16:
            if (TWindow* w = Pick(in))
                w->DestroyAllChildren();
            break;
        case 17:
            if (TModalWindow* m = PickModal(in))
            {
                TWindow* focus = Pick(in);
                m->SetDefaultFocus(focus);
            }
            break;
        case 18:
            if (TModalWindow* m = PickModal(in))
            {
                const uint8_t k = in.Byte();
                m->AddHotkey(str::getFormatted("%s%c", (k & 0x80) ? "ctrl-" : "@", 'a' + k % 26),
                             (k & 0x40) ? str() : kNames[k / 16 % 4]);
            }
            break;
        case 19:
        {
            const uint8_t what = in.Byte();
            if (what & 1)
                manager->InvalidateScreen();
            if ((what & 2) && script)
                script->Call(what & 4);
            if (what & 8)
                manager->DrawStack();
            if (what & 16)
                manager->DispatchMessages();
            if (what & 32)
                manager->ClearDestroyedWindows();
            if (TWindow* w = Pick(in))
                w->SendWindowMessage(new TMessage(what >> 6, str("a")));
            break;
        }
        }
        gHandler->calls.clear();
    }

    delete manager;
    // What is left belongs to no one: delete the roots (each takes its subtree along).
    bool any = true;
    while (any)
    {
        any = false;
        for (TWindow* w : gPool)
        {
            if (TWindow::IsLive(w) && !w->GetParent())
            {
                delete w;
                any = true;
                break;
            }
        }
    }
    gPool.clear();
    gHandler->calls.clear();
    return 0;
}

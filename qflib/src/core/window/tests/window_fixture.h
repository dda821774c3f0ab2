// Shared test helpers: windows that log every handler call, a fake window script, a map-backed
// window style, and a fixture that runs a platform facade over the fake backend with the window
// hooks installed and a renderer on the recording display handler.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/platformdata.h"
#include "app/seams.h"
#include "fakebackend.h"
#include "foundation/file.h"
#include "headlessplatform.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "window/button.h"
#include "window/message.h"
#include "window/modalwindow.h"
#include "window/window.h"
#include "window/windowhooks.h"
#include "window/windowmanager.h"
#include "window/windowscript.h"
#include "window/windowstyle.h"

namespace wtest
{

using Log = std::vector<std::string>;

inline std::string Name(const TWindow* w)
{
    if (!w)
        return "null";
    return w->GetName().empty() ? std::string("#") + std::to_string(w->GetId()) : w->GetName().c_str();
}

// Handler results and side effects a test can set per handler name ("down", "up", "move",
// "ext", "hover", "key", "keyup", "char", "utf8", "msg", "leave", "anim").
struct Behaviour
{
    std::map<std::string, bool> result;
    std::map<std::string, std::function<void()>> action;
    bool Run(const std::string& what)
    {
        auto a = action.find(what);
        if (a != action.end() && a->second)
        {
            auto f = a->second;  // the action may replace itself
            f();
        }
        auto r = result.find(what);
        return r != result.end() && r->second;
    }
};

template <class Base>
class Logging : public Base
{
public:
    Logging(Log* log, const char* name) : mLog(log) { this->SetName(str(name)); }
    ~Logging() override
    {
        if (mLog)
            mLog->push_back(std::string(this->GetName().c_str()) + ":deleted");
    }
    bool OnMouseDown(const TPoint& p) override { return Note("down", p); }
    bool OnMouseUp(const TPoint& p) override { return Note("up", p); }
    bool OnMouseMove(const TPoint& p) override { return Note("move", p); }
    bool OnExtendedMouseEvent(const TPoint& p, TExtendedMouseEvent e) override
    {
        return Note("ext" + std::to_string(e), p);
    }
    bool OnMouseLeave() override { return Note("leave"); }
    bool OnKeyDown(char c, unsigned m) override
    {
        if (mPassKeysToBase && Base::OnKeyDown(c, m))
        {
            Note(std::string("key ") + c + " base");
            return true;
        }
        return Note(std::string("key ") + c + " " + std::to_string(m));
    }
    bool OnKeyUp(char c) override { return Note(std::string("keyup ") + c); }
    bool OnChar(char c) override
    {
        if (mPassKeysToBase && Base::OnChar(c))
        {
            Note("char " + std::to_string(int(c)) + " base");
            return true;
        }
        return Note("char " + std::to_string(int(c)));
    }
    bool OnUTF8Char(str s) override { return Note(std::string("utf8 ") + s.c_str()); }
    bool OnMessage(TMessage* m) override
    {
        if (mPassMessagesToBase && Base::OnMessage(m))
        {
            Note("msg " + std::to_string(m->mType) + " " + m->mName.c_str() + " base");
            return true;
        }
        return Note("msg " + std::to_string(m->mType) + " " + m->mName.c_str());
    }
    bool OnTaskAnimate() override { return Note("anim"); }
    void OnSetFocus(TWindow* previous) override
    {
        mLog->push_back(std::string(this->GetName().c_str()) + ":focus from " + Name(previous));
        Base::OnSetFocus(previous);
    }
    void OnParentModalPopped() override { mLog->push_back(std::string(this->GetName().c_str()) + ":popped"); }
    void Draw() override { mLog->push_back(std::string(this->GetName().c_str()) + ":draw"); }

    Behaviour mBehave;
    Log* mLog;
    bool mPassKeysToBase = true;
    bool mPassMessagesToBase = true;

private:
    bool Note(const std::string& what, const TPoint& p)
    {
        mLog->push_back(std::string(this->GetName().c_str()) + ":" + what + " " + std::to_string(p.x) + "," +
                        std::to_string(p.y));
        return mBehave.Run(what);
    }
    bool Note(const std::string& what)
    {
        std::string key = what;
        // "key q 0" -> "key", "msg 3 x" -> "msg", "char 13" -> "char"
        key = key.substr(0, key.find(' '));
        mLog->push_back(std::string(this->GetName().c_str()) + ":" + what);
        return mBehave.Run(key);
    }
};

using LogWindow = Logging<TWindow>;
using LogModal = Logging<TModalWindow>;

class LogButton : public TButtonBase
{
public:
    LogButton(Log* log, const char* name, unsigned flags, bool commandResult = true)
        : mLog(log), mResult(commandResult)
    {
        SetName(str(name));
        SetButtonFlags(flags);
    }
    bool DoCommand() override
    {
        mLog->push_back(std::string(GetName().c_str()) + ":command");
        return mResult;
    }
    void Press() override
    {
        mLog->push_back(std::string(GetName().c_str()) + ":press");
        DoCommand();
    }
    Log* mLog;
    bool mResult;
};

// A style backed by maps.
class MapStyle : public TWindowStyle
{
public:
    std::map<std::string, double> numbers;
    std::map<std::string, bool> bools;
    std::map<std::string, std::string> strings;
    double GetNumber(const str& key, double d) const override
    {
        auto it = numbers.find(key.c_str());
        return it == numbers.end() ? d : it->second;
    }
    bool GetBool(const str& key, bool d) const override
    {
        auto it = bools.find(key.c_str());
        return it == bools.end() ? d : it->second;
    }
    str GetString(const str& key, const str& d) const override
    {
        auto it = strings.find(key.c_str());
        return it == strings.end() ? d : str(it->second.c_str());
    }
};

// A window script that records what the manager tells it.
class FakeScript : public TWindowScript
{
public:
    explicit FakeScript(Log* log) : mLog(log) {}
    ~FakeScript() override
    {
        if (mLog)
            mLog->push_back("script:deleted");
    }
    // false ends the script's task: its task list deletes it.
    bool DoTask() override { return mKeepRunning; }
    // Like a plain task, ready at any idle step unless a test says otherwise.
    unsigned IdleQuietMs(unsigned limit) override { return mQuietMs < limit ? mQuietMs : limit; }
    unsigned mQuietMs = 0;
    bool RunChunk(const str& text, const str& chunkName) override
    {
        chunks.push_back(std::string(chunkName.c_str()) + "|" + text.c_str());
        return true;
    }
    void CloseRequested() override { mLog->push_back("script:close"); }
    void PushWindow(TWindow* w) override { mLog->push_back("script:push " + Name(w)); }
    void NewModalWindow(TWindow* w) override { mLog->push_back("script:top " + Name(w)); }
    void OnMessage(TMessage* m, TLuaFunction*) override
    {
        mLog->push_back("script:msg " + std::to_string(m->mType) + " " + m->mName.c_str());
        delete m;
    }
    void EnableStringTable(bool e) override
    {
        mLog->push_back(std::string("script:strings ") + (e ? "on" : "off"));
    }
    int Resume(int n) override
    {
        mLog->push_back("script:resume " + std::to_string(n));
        return 0;
    }
    void RegisterBoolMember(const char* name, const void* record, size_t size,
                            TBoolMemberThunk thunk) override
    {
        Bound b;
        b.bytes.assign(static_cast<const unsigned char*>(record),
                       static_cast<const unsigned char*>(record) + size);
        b.thunk = thunk;
        bound[name] = b;
    }
    // Calls a bound global as the script would, from the stored copy of the record.
    bool Call(const std::string& name, bool argument)
    {
        auto it = bound.find(name);
        if (it == bound.end())
            return false;
        it->second.thunk(it->second.bytes.data(), argument);
        return true;
    }
    struct Bound
    {
        std::vector<unsigned char> bytes;
        TBoolMemberThunk thunk = nullptr;
    };
    std::map<std::string, Bound> bound;
    std::vector<std::string> chunks;
    Log* mLog;
    bool mKeepRunning = true;
};

// A platform facade over the fake backend with the window hooks and a fake script, and a
// renderer on the recording handler with a 640 x 480 clipping rectangle.
class PlatformWindowFixture : public ::testing::Test
{
protected:
    static inline Log* sScriptLog = nullptr;
    static TWindowScript* MakeScript() { return new FakeScript(sScriptLog); }

    void SetUp() override
    {
        gIgnoreNextChar = false;
        sScriptLog = &log;
        THeadlessOptions options;
        options.prefix = "qfwin";
        options.installScript = [] { SetWindowScriptFactory(&MakeScript); };
        ASSERT_NO_FATAL_FAILURE(headless.SetUp(options));
        script = static_cast<FakeScript*>(manager->GetScript());
        ASSERT_NE(script, nullptr);
    }

    void TearDown() override
    {
        headless.TearDown();
        gIgnoreNextChar = false;
    }

    // A screen window of 640 x 480 at the bottom of the stack, as the first display set-up
    // makes it.
    TScreen* MakeScreen()
    {
        platform->SetDisplay(640, 480, false);
        return static_cast<TScreen*>(manager->GetScreen());
    }

    LogModal* PushLayer(const char* name, int w = 0, int h = 0)
    {
        auto* layer = new LogModal(&log, name);
        if (w || h)
            layer->SetWindowSize(unsigned(w), unsigned(h));
        manager->PushModal(layer);
        return layer;
    }

    LogWindow* AddChild(TWindow* parent, const char* name, TRect r)
    {
        auto* w = new LogWindow(&log, name);
        w->SetWindowPos(r.left, r.top);
        w->SetWindowSize(unsigned(r.Width()), unsigned(r.Height()));
        parent->AdoptChild(w, false);
        return w;
    }

    void Send(int32_t type, int32_t param = 0, int32_t x = 0, int32_t y = 0, uint32_t mods = 0)
    {
        TEvent e(type, param, x, y, mods);
        manager->HandleEvent(&e);
    }

    // Takes the next event from the platform's pump and hands it to the manager, as the game's
    // loop does.
    TEvent Pump() { return headless.Pump(); }

    // The log lines since the last call.
    Log Take()
    {
        Log out;
        out.swap(log);
        return out;
    }

    // The log lines since the last call, without drawing.
    Log TakeNoDraw()
    {
        Log out;
        for (auto& line : Take())
            if (line.find(":draw") == std::string::npos)
                out.push_back(line);
        return out;
    }

    THeadlessPlatform headless;
    Log log;
    // The headless platform's parts, under the names the tests use (a test may delete the
    // platform and clear the pointer).
    FakeBackend*& backend = headless.backend;
    TPlatformData*& data = headless.data;
    TPlatform*& platform = headless.platform;
    TWindowManager*& manager = headless.manager;
    TRecordingDisplayHandler*& handler = headless.handler;
    FakeScript* script = nullptr;
};

}  // namespace wtest

// Shared test helpers: a bare script (no platform) and a fixture that runs the platform facade
// over the fake backend with the window hooks, the bridge's window script and a renderer on the
// recording display handler. Debug lines are captured.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/platformdata.h"
#include "app/seams.h"
#include "bridge/lpcd.h"
#include "bridge/luamessage.h"
#include "bridge/luaobject.h"
#include "bridge/luawindowscript.h"
#include "bridge/luawindowstyle.h"
#include "bridge/script.h"
#include "fakebackend.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "headlessplatform.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "scriptengine/api.h"
#include "scriptengine/auxlib.h"
#include "scriptengine/libs.h"
#include "window/message.h"
#include "window/modalwindow.h"
#include "window/window.h"
#include "window/windowhooks.h"
#include "window/windowmanager.h"

namespace btest
{

// Collects WriteDbg lines for the life of the object.
struct DbgCapture
{
    DbgCapture()
    {
        qfSetDbgSink([this](const char* line) { lines.push_back(line); });
    }
    ~DbgCapture() { qfSetDbgSink(TDbgSink()); }
    int Count(const std::string& part) const
    {
        int n = 0;
        for (const auto& l : lines)
            if (l.find(part) != std::string::npos)
                n++;
        return n;
    }
    std::vector<std::string> lines;
};

// Global of L as text ("<nil>" for nil, "<type>" for other non-strings).
inline std::string Global(lua_State* L, const char* name)
{
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    std::string out;
    const int t = lua_type(L, -1);
    if (t == LUA_TSTRING || t == LUA_TNUMBER)
        out = lua_tostring(L, -1);
    else if (t == LUA_TNIL)
        out = "<nil>";
    else if (t == LUA_TBOOLEAN)
        out = lua_toboolean(L, -1) ? "true" : "false";
    else
        out = std::string("<") + lua_typename(L, t) + ">";
    lua_pop(L, 1);
    return out;
}

// A script on a state of its own, without any platform.
class ScriptTest : public ::testing::Test
{
protected:
    void SetUp() override { script = std::make_unique<TScript>(nullptr); }
    void TearDown() override
    {
        if (script)
        {
            lua_settop(script->GetState(), 0);
            EXPECT_EQ(TLuaObjectWrapper::LiveHandles(script->GetState()), 0);
        }
        script.reset();
    }
    lua_State* L() const { return script->GetState(); }
    int Run(const std::string& text, int results = 0)
    {
        return script->DoLuaString(str(text.c_str()), -1, results);
    }
    std::string G(const char* name) { return Global(L(), name); }

    DbgCapture dbg;
    std::unique_ptr<TScript> script;
};

// The platform with the bridge's window script attached, a 640 x 480 screen and a recording
// renderer.
class WindowScriptTest : public ::testing::Test
{
protected:
    // Files to put into the assets folder before the platform scans it: name, text.
    virtual std::vector<std::pair<std::string, std::string>> AssetFiles() const { return {}; }

    void SetUp() override
    {
        THeadlessOptions options;
        options.prefix = "qfbridge";
        options.assetFiles = AssetFiles();
        options.installScript = &InstallWindowScriptFactory;
        ASSERT_NO_FATAL_FAILURE(headless.SetUp(options));
        script = dynamic_cast<TLuaWindowScript*>(manager->GetScript());
        ASSERT_NE(script, nullptr);
        platform->SetDisplay(640, 480, false);
        screen = manager->GetScreen();
        ASSERT_NE(screen, nullptr);
    }

    void TearDown() override { headless.TearDown(); }

    lua_State* L() const { return script->GetState(); }
    bool Run(const std::string& text) { return script->RunChunk(str(text.c_str()), str("test")); }
    std::string G(const char* name) { return Global(L(), name); }

    // One pass of the application loop: an event (or idle) through the manager.
    void Pump(int times = 1)
    {
        for (int i = 0; i < times; i++)
            headless.Pump();
    }

    DbgCapture dbg;
    THeadlessPlatform headless;
    // The headless platform's parts, under the names the tests use.
    std::string& root = headless.folders.root;
    FakeBackend*& backend = headless.backend;
    TPlatformData*& data = headless.data;
    TPlatform*& platform = headless.platform;
    TWindowManager*& manager = headless.manager;
    TRecordingDisplayHandler*& handler = headless.handler;
    TLuaWindowScript* script = nullptr;
    TWindow* screen = nullptr;
};

}  // namespace btest

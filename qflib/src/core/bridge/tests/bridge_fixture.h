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

namespace btest {

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
        if (script) {
            lua_settop(script->GetState(), 0);
            EXPECT_EQ(TLuaObjectWrapper::LiveHandles(script->GetState()), 0);
        }
        script.reset();
    }
    lua_State* L() const { return script->GetState(); }
    int Run(const std::string& text, int results = 0) { return script->DoLuaString(str(text.c_str()), -1, results); }
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
        char pattern[] = "/tmp/qfbridge-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        std::filesystem::create_directories(root + "/res/assets");
        std::filesystem::create_directories(root + "/user");
        std::filesystem::create_directories(root + "/common");
        for (const auto& f : AssetFiles()) {
            std::ofstream out(root + "/res/assets/" + f.first, std::ios::binary);
            out << f.second;
        }
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        savedCwd = cwd;
        TConfig::Map().clear();

        InstallWindowHooks();
        InstallWindowScriptFactory();

        auto handlerOwned = std::make_unique<TRecordingDisplayHandler>();
        handler = handlerOwned.get();
        handler->SetDisplay(640, 480, false, false, false, false);
        TRenderer::CreateInstance(std::move(handlerOwned));
        TRenderer::GetInstance()->PushClippingRectangle(TURect(0, 0, 640, 480));

        auto backendOwned = std::make_unique<FakeBackend>();
        backend = backendOwned.get();
        backend->mResourcesFolder = root + "/res";
        backend->mUserDir = root + "/user";
        backend->mCommonDir = root + "/common";
        data = new TPlatformData(std::move(backendOwned), 0, nullptr, false);
        platform = new TPlatform(data);
        manager = platform->GetWindowManager();
        ASSERT_NE(manager, nullptr);
        script = dynamic_cast<TLuaWindowScript*>(manager->GetScript());
        ASSERT_NE(script, nullptr);
        backend->AdvanceMs(1000);
        platform->SetDisplay(640, 480, false);
        screen = manager->GetScreen();
        ASSERT_NE(screen, nullptr);
    }

    void TearDown() override
    {
        delete platform;
        platform = nullptr;
        TRenderer::ShutDown();
        SetWindowScriptFactory(nullptr);
        TPlatformHooks::ResetAll();
        TConfig::Map().clear();
        TFile::ShutDownFileSystem();
        TFile::SetUserDir(str());
        TFile::SetCommonDir(str());
        TFile::SetDesktopDir(str());
        TFile::SetResourcesDir(str());
        if (chdir(savedCwd.c_str()) != 0)
            ADD_FAILURE() << "cannot go back to " << savedCwd;
        std::filesystem::remove_all(root);
    }

    lua_State* L() const { return script->GetState(); }
    bool Run(const std::string& text) { return script->RunChunk(str(text.c_str()), str("test")); }
    std::string G(const char* name) { return Global(L(), name); }

    // One pass of the application loop: an event (or idle) through the manager.
    void Pump(int times = 1)
    {
        for (int i = 0; i < times; i++) {
            TEvent e;
            platform->GetEvent(&e);
            manager->HandleEvent(&e);
        }
    }

    DbgCapture dbg;
    std::string root, savedCwd;
    FakeBackend* backend = nullptr;
    TPlatformData* data = nullptr;
    TPlatform* platform = nullptr;
    TWindowManager* manager = nullptr;
    TLuaWindowScript* script = nullptr;
    TWindow* screen = nullptr;
    TRecordingDisplayHandler* handler = nullptr;
};

}  // namespace btest

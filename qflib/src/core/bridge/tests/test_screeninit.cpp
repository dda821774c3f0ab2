// The built-in screen script: its function set (as source and as a precompiled chunk), the style
// and layout helpers, and the dialog primitives.
#include <set>

#include "bridge_fixture.h"

using namespace btest;

namespace
{

std::set<std::string> GlobalFunctions(lua_State* L)
{
    std::set<std::string> names;
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX))
    {
        if (lua_type(L, -2) == LUA_TSTRING && lua_isfunction(L, -1))
            names.insert(lua_tostring(L, -2));
        lua_pop(L, 1);
    }
    return names;
}

int Writer(lua_State*, const void* p, size_t size, void* ud)
{
    static_cast<std::string*>(ud)->append(static_cast<const char*>(p), size);
    return 0;
}

struct Reader
{
    const std::string* data;
    bool done;
};
const char* Read(lua_State*, void* ud, size_t* size)
{
    auto* r = static_cast<Reader*>(ud);
    if (r->done)
    {
        *size = 0;
        return nullptr;
    }
    r->done = true;
    *size = r->data->size();
    return r->data->data();
}

enum class Form
{
    kSource,
    kDumpedHere,
    kBuiltChunk
};

// The functions the screen script adds to a bare state, run from source, from a dump made here,
// or from the chunk precompiled at build time.
std::set<std::string> DefinedFunctions(Form form)
{
    lua_State* L = lua_open();
    luaopen_stdlibs(L);
    const std::set<std::string> before = GlobalFunctions(L);
    int status;
    if (form == Form::kBuiltChunk)
    {
        status = lua_dobuffer(L, kScreenInitChunk, kScreenInitChunkSize, "gScreenInit");
    }
    else if (form == Form::kSource)
    {
        status = lua_dobuffer(L, kScreenInitSource, kScreenInitSourceSize, "gScreenInit");
    }
    else
    {
        std::string chunk;
        EXPECT_EQ(luaL_loadbuffer(L, kScreenInitSource, kScreenInitSourceSize, "gScreenInit"), 0);
        lua_dump(L, &Writer, &chunk);
        lua_pop(L, 1);
        Reader reader{&chunk, false};
        status = lua_load(L, &Read, &reader, "gScreenInit");
        if (status == 0)
            status = lua_pcall(L, 0, 0, 0);
    }
    EXPECT_EQ(status, 0);
    std::set<std::string> added;
    for (const auto& name : GlobalFunctions(L))
        if (!before.count(name))
            added.insert(name);
    lua_close(L);
    return added;
}

}  // namespace

TEST(ScreenInitChunk, DefinesTheFortyFunctionsAsSourceAndAsChunk)
{
    const std::set<std::string> expected = {
        "Color",           "FColor",        "Push",          "Pop",           "SetDefaultStyle",
        "SetStyle",        "AppendStyle",   "GetTag",        "SetBeginGroup", "BeginGroup",
        "SetDefault",      "SetFocus",      "DistributeX",   "DistributeY",   "SelectLayer",
        "Group",           "FitToChildren", "SetBitmap",     "GetString",     "SetState",
        "RegisterHotkey",  "Creating",      "CustomCreator", "DoWindow",      "MakeDialog",
        "DoDialogCommand", "ReadFile",      "DoModal",       "DisplayDialog", "DoMainWindow",
        "SwapToModal",     "ModalReturn",   "CloseWindow",   "PopModal",      "WaitForCloseMessage",
        "WaitForMessage",  "FlushMessages", "Yield",         "Pause",         "DisplaySplash"};
    ASSERT_EQ(expected.size(), 40u);
    EXPECT_EQ(DefinedFunctions(Form::kSource), expected);
    EXPECT_EQ(DefinedFunctions(Form::kDumpedHere), expected);
    EXPECT_EQ(DefinedFunctions(Form::kBuiltChunk), expected);
    // The program carries the chunk, not the text.
    ASSERT_GT(kScreenInitChunkSize, 4ul);
    EXPECT_EQ(kScreenInitChunk[0], '\x1b');
}

class ScreenScriptTest : public WindowScriptTest
{
};

TEST_F(ScreenScriptTest, ColoursAndDistribution)
{
    ASSERT_TRUE(Run("local c = Color(255, 0, 0) c1 = c[1] .. ',' .. c[2] .. ',' .. c[3] .. ',' .. c[4] "
                    "local f = FColor(0.5, 0.5, 0.5) f1 = f[1] .. ',' .. f[2] .. ',' .. f[3] .. ',' .. f[4] "
                    "local h = Color(0, 51, 255, 102) h1 = h[2] .. ',' .. h[3] .. ',' .. h[4] "
                    "gDialogWidth = 400 gDialogHeight = 90 local x = DistributeX(3) "
                    "x1 = x[1] .. ',' .. x[2] .. ',' .. x[3] .. ',' .. tostring(x[4]) "
                    "divisor1 = divisor divisor = 'kept' local y = DistributeY(2) "
                    "y1 = y[1] .. ',' .. y[2]"));
    EXPECT_EQ(G("c1"), "1,0,0,1");
    EXPECT_EQ(G("f1"), "0.5,0.5,0.5,1");
    EXPECT_EQ(G("h1"), "0.2,1,0.4");
    EXPECT_EQ(G("x1"), "100,200,300,nil");
    EXPECT_EQ(G("divisor1"), "4");
    EXPECT_EQ(G("divisor"), "kept");
    EXPECT_EQ(G("y1"), "30,60");
}

TEST_F(ScreenScriptTest, ConstantsAndKeys)
{
    ASSERT_TRUE(
        Run("r = kSliderPageDown .. ',' .. kModalClosed .. ',' .. kCommandOnly .. ',' .. kUserMessageBase "
            ".. ',' .. kPushButtonAlignment .. ',' .. kRadioButtonAlignment .. ',' .. kCenter .. ',' .. kMax "
            ".. ',' .. kAllLayers .. ',' .. kDefault .. ',' .. kMute .. ',' .. kHiscoreAnonymous"));
    EXPECT_EQ(G("r"), "12,6,8,1000,5,4,80000,160000,-1,128,mute,hiscoreanon");
}

TEST_F(ScreenScriptTest, GetTagTreatsFalseAsMissingAndFollowsTheDefaultChain)
{
    ASSERT_TRUE(
        Run("gCurrentDefaultStyle = { parent = { font = 'P' }, off = 'default' } "
            "a = GetTag({ font = 'own' }, 'font') b = GetTag({}, 'font') c = GetTag({ off = false }, 'off') "
            "d = GetTag({}, 'none') e = GetTag({ parent = { only = 1 } }, 'only') "
            "loop = {} loop.parent = loop gCurrentDefaultStyle = loop f = GetTag({}, 'never')"));
    EXPECT_EQ(G("a"), "own");
    EXPECT_EQ(G("b"), "P");
    EXPECT_EQ(G("c"), "default");
    EXPECT_EQ(G("d"), "<nil>");
    EXPECT_EQ(G("e"), "<nil>");
    EXPECT_EQ(G("f"), "<nil>");
}

TEST_F(ScreenScriptTest, StylesSetInsideAWindowStayInsideIt)
{
    ASSERT_TRUE(Run("outer = {} inner = {} SetDefaultStyle(outer) "
                    "MakeDialog{ Window{ name = 'box', SetStyle(inner), Window{ name = 'kid' } } } "
                    "same = (gCurrentDefaultStyle == outer) "
                    "app = { font = 'F' } AppendStyle(app)() parentOk = (app.parent == outer)"));
    EXPECT_EQ(G("same"), "true");
    EXPECT_EQ(G("parentOk"), "true");
}

TEST_F(ScreenScriptTest, BeginGroupMarksOnlyTheNextWindow)
{
    ASSERT_TRUE(
        Run("t1 = { name = 'r1' } t2 = { name = 'r2' } MakeDialog{ BeginGroup(), Window(t1), Window(t2) }"));
    ASSERT_TRUE(Run("g1 = t1.beginGroup g2 = t2.beginGroup"));
    EXPECT_EQ(G("g1"), "1");
    EXPECT_EQ(G("g2"), "0");
}

TEST_F(ScreenScriptTest, GroupNamesRenameTheEnclosingWindow)
{
    ASSERT_TRUE(Run("MakeDialog{ Window{ name = 'box', Group{ name = 'renamed' } } }"));
    EXPECT_NE(screen->GetChildWindow(str("renamed"), -1), nullptr);
    EXPECT_EQ(screen->GetChildWindow(str("box"), -1), nullptr);
}

TEST_F(ScreenScriptTest, SetStatePassesBooleansAsDigits)
{
    ASSERT_TRUE(Run("calls = '' function _SetState(k, v) calls = calls .. k .. '=' .. v .. ';' end "
                    "SetState(kMute, true) SetState(kMute, false) SetState('n', 3) SetState('z', nil)"));
    EXPECT_EQ(G("calls"), "mute=1;mute=0;n=3;z=nil;");
}

TEST_F(ScreenScriptTest, DisplayDialogOfAnEmptyTablePushesNothing)
{
    ASSERT_TRUE(Run("return function() r = DisplayDialog({}) finished = 1 end"));
    EXPECT_EQ(G("finished"), "1");
    EXPECT_EQ(G("r"), "<nil>");
    EXPECT_EQ(manager->GetTopModalWindow(), screen);
}

TEST_F(ScreenScriptTest, ASplashWithNothingToShowPopsItsModal)
{
    ASSERT_TRUE(Run("return function() DisplaySplash(nil, nil, 100) done = 1 end"));
    Pump(5);
    EXPECT_EQ(G("done"), "1");
    EXPECT_EQ(manager->GetTopModalWindow(), screen);
}

TEST_F(ScreenScriptTest, PauseKeepsOtherMessagesForLater)
{
    ASSERT_TRUE(Run("return function() Pause(100, true) paused = 1 a = WaitForMessage().name end"));
    script->OnMessage(new TMessage(1001, str("kept")), nullptr);
    EXPECT_EQ(G("paused"), "<nil>");
    script->OnMessage(new TMessage(TMessage::kPressAnyKey, str("key")), nullptr);
    EXPECT_EQ(G("paused"), "1");
    EXPECT_EQ(G("a"), "kept");
}

TEST_F(ScreenScriptTest, PauseEndsWhenItsTimeIsUp)
{
    ASSERT_TRUE(Run("return function() Pause(100) paused = 1 end"));
    for (int i = 0; i < 40 && G("paused") != "1"; i++)
    {
        backend->AdvanceMs(10);
        Pump();
    }
    EXPECT_EQ(G("paused"), "1");
}

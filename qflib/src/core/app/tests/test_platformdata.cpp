#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "foundation/debug.h"
#include "platform_fixture.h"

namespace
{

class PlatformDataTest : public PlatformFixture
{
protected:
    std::unique_ptr<TPlatformData> Make(FakeBackend** out = nullptr)
    {
        auto owned = MakeBackend();
        if (out)
            *out = owned.get();
        return std::make_unique<TPlatformData>(std::move(owned), 0, nullptr, false);
    }
};

TEST_F(PlatformDataTest, FolderNamesFollowTheGameOnlyWhenAskedTo)
{
    struct Case
    {
        const char* fix;
        const char* game;
        const char* publisher;
        const char* application;
        const char* publisherFolder;
    };
    const Case cases[] = {
        {nullptr, "wombixomnivora", "wombixgames", "wombixomnivora", "Quillfire"},
        {"", "mygame", "mypub", "wombixomnivora", "Quillfire"},
        {"1", "mygame", "mypub", "mygame", "mypub"},
        {"1", nullptr, "mypub", "wombixomnivora", "mypub"},
        {"1", "mygame", nullptr, "mygame", "Quillfire"},
        {"1", nullptr, nullptr, "wombixomnivora", "Quillfire"},
    };
    for (const Case& c : cases)
    {
        TConfig::Map().clear();
        if (c.fix)
            TPlatform::SetConfig(str("mac_fix_common_and_user_dirs"), str(c.fix));
        if (c.game)
            TPlatform::SetConfig(str("gamename"), str(c.game));
        if (c.publisher)
            TPlatform::SetConfig(str("publisher"), str(c.publisher));
        FakeBackend* backend = nullptr;
        auto data = Make(&backend);
        EXPECT_EQ(backend->mLastApplicationFolder, c.application);
        EXPECT_EQ(backend->mLastPublisherFolder, c.publisherFolder);
        EXPECT_EQ(std::string(data->GetWindowTitle().c_str()), c.application) << "title = application folder";
        EXPECT_EQ(std::string(data->GetUserDir().c_str()), root + "/user");
    }
}

TEST_F(PlatformDataTest, TimerStartsAtZeroCountsMillisecondsAndWraps)
{
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    EXPECT_EQ(data->Timer(), 0u);
    backend->AdvanceMs(1234);
    EXPECT_EQ(data->Timer(), 1234u);
    EXPECT_EQ(qfTimer(), 1234u) << "the foundation's clocks run on the platform timer";
    backend->AdvanceMs((uint64_t(1) << 32) - 1234 + 5);
    EXPECT_EQ(data->Timer(), 5u);
    TClock clock;
    clock.Start();
    backend->AdvanceMs(40);
    EXPECT_EQ(clock.GetTime(), 40u);
}

TEST_F(PlatformDataTest, FirstSetDisplayDoesTheOneTimeWorkAndASecondDoesNot)
{
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    data->SetDisplay(640, 480, false);
    EXPECT_EQ(backend->CountCalls("CreateWindow 640x480"), 1u);
    EXPECT_EQ(backend->mTitle, "wombixomnivora");
    EXPECT_EQ(hooks.Count("DrawStartupFrame 640x480"), 1u);
    EXPECT_EQ(hooks.Count("LoadSystemCursor"), 1u);
    EXPECT_EQ(hooks.Count("SetDisplay 640x480 window"), 1u);
    EXPECT_EQ(hooks.Count("ReplaceClipping 640x480"), 1u);
    EXPECT_EQ(backend->CountCalls("SetSwapInterval 1"), 1u);
    EXPECT_EQ(backend->CountCalls("WarpMouse 320,240"), 1u);
    // The start-up frame is drawn with the game cursor hidden, then it is shown again.
    EXPECT_LT(hooks.IndexOf("GameCursor 0"), hooks.IndexOf("DrawStartupFrame 640x480"));
    EXPECT_GT(hooks.IndexOf("GameCursor 1"), hooks.IndexOf("DrawStartupFrame 640x480"));

    data->SetDisplay(800, 600, false);
    EXPECT_EQ(backend->CountCalls("CreateWindow"), 1u);
    EXPECT_EQ(backend->CountCalls("SetWindowSize 800x600"), 1u);
    EXPECT_EQ(hooks.Count("DrawStartupFrame 800x600"), 0u);
    EXPECT_EQ(hooks.Count("LoadSystemCursor"), 1u);
    EXPECT_EQ(hooks.Count("SetDisplay 800x600 window"), 1u);
}

// The icon named before the window exists goes on the window as it is made; one named later goes
// on at once; a picture that cannot be read leaves the window's icon alone.
TEST_F(PlatformDataTest, WindowIconIsReadFromTheDataAndSetOnTheWindow)
{
    hooks.pictureName = "graphics/windowicon.png";
    hooks.picture = {0xFF112233u, 0x80445566u, 0x00000000u, 0xFFFFFFFFu, 0x01020304u, 0xA0B0C0D0u};
    hooks.pictureWidth = 3;
    hooks.pictureHeight = 2;
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    data->SetWindowIcon("graphics/windowicon.png");
    EXPECT_EQ(backend->CountCalls("SetWindowIcon"), 0u) << "no window yet";
    data->SetDisplay(640, 480, false);
    ASSERT_EQ(backend->CountCalls("SetWindowIcon 3x2"), 1u);
    EXPECT_EQ(backend->mIcon, hooks.picture);
    const auto& calls = backend->mCalls;
    EXPECT_LT(std::find(calls.begin(), calls.end(), "CreateWindow 640x480"),
              std::find(calls.begin(), calls.end(), "SetWindowIcon 3x2"));
    data->SetDisplay(800, 600, false);
    EXPECT_EQ(backend->CountCalls("SetWindowIcon"), 1u) << "set once, not at every display change";

    hooks.picture.assign(4, 0xFF00FF00u);
    hooks.pictureWidth = hooks.pictureHeight = 2;
    data->SetWindowIcon("graphics/windowicon.png");
    EXPECT_EQ(backend->CountCalls("SetWindowIcon 2x2"), 1u) << "a window there: at once";

    data->SetWindowIcon("graphics/missing.png");
    EXPECT_EQ(hooks.Count("LoadPicture graphics/missing.png"), 1u);
    EXPECT_EQ(backend->CountCalls("SetWindowIcon"), 2u) << "an unreadable picture changes nothing";
    EXPECT_EQ(backend->mIconWidth, 2u);
}

TEST_F(PlatformDataTest, SetFullscreenWithTheCurrentModeDoesNothing)
{
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    data->SetDisplay(640, 480, false);
    backend->ClearCalls();
    hooks.log.clear();
    EXPECT_TRUE(data->SetFullscreen(false));
    EXPECT_TRUE(backend->mCalls.empty());
    EXPECT_TRUE(hooks.log.empty());

    EXPECT_TRUE(data->SetFullscreen(true));
    EXPECT_TRUE(data->IsFullscreen());
    EXPECT_EQ(hooks.Count("SetDisplay 640x480 full"), 1u);
    EXPECT_TRUE(data->SetFullscreen(false));
    EXPECT_FALSE(data->IsFullscreen());
}

TEST_F(PlatformDataTest, ViewportLetterboxesTheDisplayInFullScreen)
{
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    data->SetDisplay(800, 600, false);
    int x, y, w, h;
    data->GetViewport(&x, &y, &w, &h);
    EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{0, 0, 800, 600}));
    data->SetFullscreen(true);  // desktop 1920 x 1080: 4:3 scaled by 1.8, bars left and right
    data->GetViewport(&x, &y, &w, &h);
    EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{240, 0, 1440, 1080}));
}

TEST_F(PlatformDataTest, EveryDisplayChangeTellsTheBackendTheDisplaySize)
{
    // The backend maps mouse positions between window and display pixels by this size, in full
    // screen too.
    struct Step
    {
        unsigned width, height;
        bool fullscreen;
    };
    const Step steps[] = {{640, 480, false}, {800, 600, true}, {1024, 768, true}, {640, 480, false}};
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    for (const Step& s : steps)
    {
        data->SetDisplay(s.width, s.height, s.fullscreen);
        EXPECT_EQ(backend->mWidth, s.width);
        EXPECT_EQ(backend->mHeight, s.height);
        EXPECT_EQ(data->IsFullscreen(), s.fullscreen);
    }
}

TEST_F(PlatformDataTest, RefusedFullScreenLeavesTheWindowAsItWas)
{
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    backend->mRefuseFullscreen = true;
    data->SetDisplay(640, 480, true);
    EXPECT_FALSE(data->IsFullscreen());
    EXPECT_EQ(hooks.Count("SetDisplay 640x480 window"), 1u);
    // A refused switch later is reported to the caller, and the picture stays the window's.
    EXPECT_FALSE(data->SetFullscreen(true));
    EXPECT_FALSE(data->IsFullscreen());
    int x, y, w, h;
    data->GetViewport(&x, &y, &w, &h);
    EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{0, 0, 640, 480}));
}

TEST_F(PlatformDataTest, WindowThatCannotBeMadeEndsTheProgramWithMinusTwo)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FakeBackend* backend = nullptr;
            auto data = Make(&backend);
            backend->mFailCreateWindow = true;
            data->SetDisplay(640, 480, false);
        },
        ::testing::ExitedWithCode(254), "scripted failure");
}

TEST_F(PlatformDataTest, SystemCursorIsOnlyVisibleOutsideTheContent)
{
    struct Case
    {
        bool show;
        bool visible;
        bool inside;
        bool visibleAfter;
    };
    const Case cases[] = {
        {false, true, true, false}, {false, true, false, true}, {true, false, false, true},
        {true, false, true, false}, {true, true, true, true},
    };
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    for (const Case& c : cases)
    {
        backend->mSystemCursorVisible = c.visible;
        backend->mMouseInContent = c.inside;
        data->ShowCursor(c.show);
        EXPECT_EQ(backend->mSystemCursorVisible, c.visibleAfter)
            << "show " << c.show << " visible " << c.visible << " inside " << c.inside;
        EXPECT_EQ(data->IsGameCursorShown(), c.show);
    }
}

TEST_F(PlatformDataTest, SetCursorNeedsATextureAndTheLockForFlaggedCursors)
{
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    // A texture handle is all this needs; the texture itself is never looked at here.
    auto owner = std::make_shared<int>(0);
    std::shared_ptr<TTexture> texture(owner, reinterpret_cast<TTexture*>(owner.get()));
    hooks.log.clear();
    data->SetCursor(nullptr, TPoint(1, 1), false);
    data->SetCursor(texture, TPoint(2, 2), true);  // flagged, but the lock is clear
    EXPECT_EQ(hooks.log, std::vector<std::string>{});
    backend->mSystemCursorVisible = true;
    backend->mMouseInContent = true;
    data->SetCursor(texture, TPoint(3, 4), false);
    hooks.cursorLocked = true;
    data->SetCursor(texture, TPoint(5, 6), true);
    EXPECT_EQ(hooks.log, (std::vector<std::string>{"SetCursor 3,4 0", "SetCursor 5,6 1"}));
    EXPECT_FALSE(backend->mSystemCursorVisible);
}

TEST_F(PlatformDataTest, SmallServices)
{
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    float scale = 0;
    EXPECT_FALSE(data->GetViewPortScale(&scale));
    EXPECT_EQ(scale, 1.0f);
    EXPECT_TRUE(data->GetDisplayReady());
    EXPECT_FALSE(data->StringToClipboard(str("x")));
    EXPECT_TRUE(data->StringFromClipboard().empty());
    EXPECT_EQ(std::string(data->GetProductName().c_str()), "wombixomnivora");
    const char* url = "http://example.invalid/a?b=\"c\"&d=$(touch /tmp/x)";
    data->OpenBrowser(url);
    EXPECT_EQ(backend->CountCalls(std::string("OpenURL ") + url), 1u)
        << "the URL reaches the backend unchanged";
    data->SetWindowTitle("New title");
    EXPECT_EQ(std::string(data->GetWindowTitle().c_str()), "New title");
}

TEST_F(PlatformDataTest, FrameRateLineSkipsAZeroInterval)
{
    std::vector<std::string> lines;
    qfSetDbgSink([&](const char* line) { lines.push_back(line); });
    setenv("ZESTKIT_SHOWFPS", "1", 1);
    FakeBackend* backend = nullptr;
    auto data = Make(&backend);
    backend->AdvanceMs(2000);
    for (int i = 0; i < 15; ++i)
        data->EndDraw(true);  // 15 frames in the same millisecond
    EXPECT_TRUE(lines.empty());
    backend->AdvanceMs(2000);
    for (int i = 0; i < 15; ++i)
    {
        backend->AdvanceMs(10);
        data->EndDraw(true);
    }
    unsetenv("ZESTKIT_SHOWFPS");
    qfSetDbgSink(TDbgSink());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "fps: 107.142857");  // 15000 / 140 ms
}

}  // namespace

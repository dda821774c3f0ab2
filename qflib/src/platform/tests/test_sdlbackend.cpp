// The real SDL layer, headless: SDL_VIDEODRIVER=offscreen gives a window and a Mesa OpenGL
// context without an X server.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <filesystem>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/platformdata.h"
#include "glpin.h"
#include "scratchdir.h"
#include "sdlbackend.h"

namespace
{

TEST(SdlMappingTest, KeyTable)
{
    struct Case
    {
        int32_t sdl;
        TNativeEvent::EKey key;
        uint32_t keyChar;
    };
    const Case cases[] = {
        {SDLK_a, TNativeEvent::kKeyPrintable, 'a'},
        {SDLK_1, TNativeEvent::kKeyPrintable, '1'},
        {SDLK_SPACE, TNativeEvent::kKeyPrintable, ' '},
        {SDLK_RETURN, TNativeEvent::kKeyReturn, 0},
        {SDLK_KP_ENTER, TNativeEvent::kKeyKeypadEnter, 0},
        {SDLK_ESCAPE, TNativeEvent::kKeyEscape, 0},
        {SDLK_TAB, TNativeEvent::kKeyTab, 0},
        {SDLK_BACKSPACE, TNativeEvent::kKeyBackspace, 0},
        {SDLK_DELETE, TNativeEvent::kKeyDelete, 0},
        {SDLK_LEFT, TNativeEvent::kKeyArrowLeft, 0},
        {SDLK_RIGHT, TNativeEvent::kKeyArrowRight, 0},
        {SDLK_UP, TNativeEvent::kKeyArrowUp, 0},
        {SDLK_DOWN, TNativeEvent::kKeyArrowDown, 0},
        {SDLK_F1, TNativeEvent::kKeyF1, 0},
        {SDLK_F4, TNativeEvent::kKeyF4, 0},
        {SDLK_F5, TNativeEvent::kKeyFunctionOther, 0},
        {SDLK_F12, TNativeEvent::kKeyFunctionOther, 0},
        {SDLK_HOME, TNativeEvent::kKeyNone, 0},
        {SDLK_PAGEDOWN, TNativeEvent::kKeyNone, 0},
        {SDLK_LSHIFT, TNativeEvent::kKeyNone, 0},
        {SDLK_KP_5, TNativeEvent::kKeyPrintable, 0},
    };
    for (const Case& c : cases)
    {
        uint32_t ch = 99;
        EXPECT_EQ(MapSdlKey(c.sdl, &ch), c.key) << SDL_GetKeyName(c.sdl);
        EXPECT_EQ(ch, c.keyChar) << SDL_GetKeyName(c.sdl);
    }
}

TEST(SdlMappingTest, OnlyLeftHandModifiersCount)
{
    EXPECT_EQ(MapSdlModifiers(KMOD_LSHIFT), 1u);
    EXPECT_EQ(MapSdlModifiers(KMOD_LCTRL), 2u);
    EXPECT_EQ(MapSdlModifiers(KMOD_LALT), 4u);
    EXPECT_EQ(MapSdlModifiers(KMOD_LSHIFT | KMOD_LCTRL | KMOD_LALT), 7u);
    EXPECT_EQ(MapSdlModifiers(KMOD_RSHIFT | KMOD_RCTRL | KMOD_RALT | KMOD_GUI | KMOD_CAPS), 0u);
}

TEST(SpawnTest, ArgumentsReachTheProgramUnchangedWithoutAShell)
{
    TScratchDir scratch("qfspawn");
    const std::string& dir = scratch.Path();
    // Quotes, $(...) and ; would all mean something to a shell; here they are just a name.
    std::string name = dir + "/a \"b\" $(touch pwned); c";
    pid_t pid = 0;
    ASSERT_TRUE(SpawnProcess({"touch", name}, &pid));
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(std::filesystem::exists(name));
    EXPECT_FALSE(std::filesystem::exists(dir + "/pwned"));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
    EXPECT_FALSE(SpawnProcess({"/nonexistent/program-qf"}, &pid) && waitpid(pid, &status, 0) == pid &&
                 WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(SdlVideoDriverTest, OnlyANamedDriverCountsAsRequested)
{
    struct Case
    {
        const char* wanted;  // SDL_VIDEODRIVER, or null when unset
        const char* driver;
        bool requested;
    };
    const Case cases[] = {
        {nullptr, "offscreen", false},
        {"offscreen", "offscreen", true},
        {"x11,offscreen", "offscreen", true},
        {"offscreen,x11", "offscreen", true},
        {"x11", "offscreen", false},
        {"offscreenx", "offscreen", false},
        {"myoffscreen", "offscreen", false},
        {"x11,dummy", "dummy", true},
        {"", "dummy", false},
    };
    const char* saved = getenv("SDL_VIDEODRIVER");
    const std::string keep = saved ? saved : "";
    for (const Case& c : cases)
    {
        if (c.wanted)
            setenv("SDL_VIDEODRIVER", c.wanted, 1);
        else
            unsetenv("SDL_VIDEODRIVER");
        EXPECT_EQ(IsVideoDriverRequested(c.driver), c.requested)
            << "SDL_VIDEODRIVER=" << (c.wanted ? c.wanted : "(unset)") << " driver " << c.driver;
    }
    if (saved)
        setenv("SDL_VIDEODRIVER", keep.c_str(), 1);
    else
        unsetenv("SDL_VIDEODRIVER");
}

TEST(SdlVideoDriverTest, NoWindowSystemMeansNoWindowRatherThanAnInvisibleOne)
{
    // A player whose desktop cannot be reached must get an error, not a game that runs where
    // nobody can see it: no X display, no Wayland socket, no driver asked for.
    const char* names[] = {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"};
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* name : names)
    {
        if (const char* value = getenv(name))
            saved.emplace_back(name, value);
        unsetenv(name);
    }
    TScratchDir runtime("qfnodisplay");
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    {
        SdlBackend backend;
        std::string error;
        EXPECT_FALSE(backend.CreateWindow("nowhere", 64, 48, &error))
            << "a window was made with SDL's "
            << (SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "?") << " driver";
        EXPECT_NE(error.find("no window system"), std::string::npos) << error;
        EXPECT_FALSE(backend.HasWindow());
    }
    for (const char* name : names)
        unsetenv(name);
    for (const auto& [name, value] : saved)
        setenv(name.c_str(), value.c_str(), 1);
}

// The backend alone, with SDL's offscreen video but no window: events pushed into SDL's queue
// come out as native events.
class SdlBackendTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        PinGlDriverLibraries();
        backend = std::make_unique<SdlBackend>();
        TNativeEvent drained;
        while (backend->WaitEvent(&drained, 0) == TBackend::kWaitEvent)
        {
        }
    }
    std::unique_ptr<SdlBackend> backend;
};

// The window's own depth buffer: none while the display handler's scene framebuffer can be made
// (every frame is drawn there, and the scene has a depth buffer of its own), and one, so that 3-D
// drawing keeps its depth test, where the scene cannot be made and the frames go to the window.
TEST_F(SdlBackendTest, TheWindowHasADepthBufferOnlyWhereTheSceneFramebufferCannotBeMade)
{
    const struct
    {
        const char* name;
        bool (*probe)(unsigned, unsigned);
        bool depth;
    } cases[] = {
        {"scene made", nullptr, false},
        {"scene refused", [](unsigned, unsigned) { return false; }, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        backend.reset();
        SdlBackend::SetSceneFramebufferProbe(c.probe);
        backend = std::make_unique<SdlBackend>();
        std::string error;
        ASSERT_TRUE(backend->CreateWindow("depth", 64, 48, &error)) << error;
        if (!c.probe)
        {
            EXPECT_TRUE(SdlBackend::SceneFramebufferPossible(64, 48));
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "left by the probe";
        // The window's framebuffer is the one bound here.
        GLint bits = -1;
        glGetIntegerv(GL_DEPTH_BITS, &bits);
        if (c.depth)
        {
            EXPECT_GE(bits, 16);
        }
        else
        {
            EXPECT_EQ(bits, 0);
        }
    }
    SdlBackend::SetSceneFramebufferProbe(nullptr);
}

TEST_F(SdlBackendTest, KeyDownCarriesTheTextItTyped)
{
    SDL_Event key = {};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_e;
    key.key.keysym.scancode = SDL_SCANCODE_E;
    key.key.keysym.mod = KMOD_LSHIFT;
    SDL_PushEvent(&key);
    SDL_Event text = {};
    text.type = SDL_TEXTINPUT;
    strcpy(text.text.text, "\xC3\x89");
    SDL_PushEvent(&text);
    TNativeEvent n;
    ASSERT_EQ(backend->WaitEvent(&n, 50), TBackend::kWaitEvent);
    EXPECT_EQ(n.mKind, TNativeEvent::kKeyDown);
    EXPECT_EQ(n.mKey, TNativeEvent::kKeyPrintable);
    EXPECT_EQ(n.mKeyChar, uint32_t('e'));
    EXPECT_EQ(n.mScancode, uint32_t(SDL_SCANCODE_E));
    EXPECT_EQ(n.mModifiers, 1u);
    EXPECT_EQ(n.mText, "\xC3\x89");
    EXPECT_EQ(backend->WaitEvent(&n, 0), TBackend::kWaitTimeout) << "the text was taken with its key";
}

TEST_F(SdlBackendTest, RunOfMouseMovesBecomesOneMoveWithSummedDeltas)
{
    for (int i = 1; i <= 3; ++i)
    {
        SDL_Event move = {};
        move.type = SDL_MOUSEMOTION;
        move.motion.x = 10 * i;
        move.motion.y = 5 * i;
        move.motion.xrel = i;
        move.motion.yrel = -i;
        SDL_PushEvent(&move);
    }
    SDL_Event wheel = {};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -2;
    SDL_PushEvent(&wheel);
    TNativeEvent n;
    ASSERT_EQ(backend->WaitEvent(&n, 50), TBackend::kWaitEvent);
    EXPECT_EQ(n.mKind, TNativeEvent::kMouseMoved);
    EXPECT_EQ(n.mX, 30);
    EXPECT_EQ(n.mY, 15);
    EXPECT_EQ(n.mDX, 6);
    EXPECT_EQ(n.mDY, -6);
    ASSERT_EQ(backend->WaitEvent(&n, 50), TBackend::kWaitEvent);
    EXPECT_EQ(n.mKind, TNativeEvent::kMouseWheel);
    EXPECT_EQ(n.mAxis, 1);
    EXPECT_EQ(n.mDelta, -2);
}

TEST_F(SdlBackendTest, MiddleAndRightButtonsSwapToTheFrameworkNumbering)
{
    const struct
    {
        uint8_t sdl;
        int32_t ours;
    } cases[] = {{SDL_BUTTON_LEFT, 1}, {SDL_BUTTON_RIGHT, 2}, {SDL_BUTTON_MIDDLE, 3}, {SDL_BUTTON_X1, 4}};
    for (const auto& c : cases)
    {
        SDL_Event up = {};
        up.type = SDL_MOUSEBUTTONUP;
        up.button.button = c.sdl;
        up.button.x = 3;
        up.button.y = 4;
        SDL_PushEvent(&up);
        TNativeEvent n;
        ASSERT_EQ(backend->WaitEvent(&n, 50), TBackend::kWaitEvent);
        EXPECT_EQ(n.mKind, TNativeEvent::kMouseUp);
        EXPECT_EQ(n.mButton, c.ours);
        EXPECT_EQ(n.mX, 3);
        EXPECT_EQ(n.mY, 4);
    }
}

TEST_F(SdlBackendTest, TerminationSignalBecomesAQuitRequest)
{
    raise(SIGINT);
    TNativeEvent n;
    ASSERT_EQ(backend->WaitEvent(&n, 0), TBackend::kWaitEvent);
    EXPECT_EQ(n.mKind, TNativeEvent::kQuitRequested);
    EXPECT_EQ(backend->WaitEvent(&n, 0), TBackend::kWaitTimeout) << "one signal, one request";
}

TEST_F(SdlBackendTest, FoldersComeFromTheEnvironmentOverrides)
{
    TScratchDir scratch("qffolders");
    const std::string& root = scratch.Path();
    setenv("ZESTKIT_USER_DIR", (root + "/u/v").c_str(), 1);
    setenv("ZESTKIT_COMMON_DIR", (root + "/c").c_str(), 1);
    setenv("ZESTKIT_DESKTOP_DIR", (root + "/d").c_str(), 1);
    std::string user, common, desktop;
    backend->GetFolders("app", "pub", &user, &common, &desktop);
    EXPECT_EQ(user, root + "/u/v");
    EXPECT_EQ(common, root + "/c");
    EXPECT_EQ(desktop, root + "/d");
    // Named, not made: the first save makes what it needs.
    EXPECT_FALSE(std::filesystem::exists(root + "/u"));
    EXPECT_FALSE(std::filesystem::exists(common));
    unsetenv("ZESTKIT_USER_DIR");
    unsetenv("ZESTKIT_COMMON_DIR");
    unsetenv("ZESTKIT_DESKTOP_DIR");
}

// The whole platform on the real backend, driven from the game's entry.
struct Observed
{
    bool glContext = false;
    std::string glVersion;
    std::vector<TEvent> keyEvents;
    std::vector<TEvent> mouseEvents;
    bool closeFromSdlQuit = false;
    bool closeFromSignal = false;
    bool quit = false;
    bool windowShown = false;
};
Observed gSeen;

// Pulls events until one of the given type arrives (or gives up after many idle steps).
bool WaitFor(TPlatform* p, int type, std::vector<TEvent>* collect = nullptr)
{
    for (int i = 0; i < 2000; ++i)
    {
        TEvent e;
        p->GetEvent(&e);
        if (e.mType != TEvent::kIdle && collect)
            collect->push_back(e);
        if (e.mType == type)
            return true;
    }
    return false;
}

void IntegrationMain(TPlatform* p, const char*)
{
    p->SetDisplay(320, 240, false);
    const GLubyte* version = glGetString(GL_VERSION);
    gSeen.glContext = version != nullptr;
    if (version)
        gSeen.glVersion = reinterpret_cast<const char*>(version);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    p->GetData()->SwapBuffers();

    // A key with its text, pushed through SDL's own queue.
    SDL_Event key = {};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_a;
    key.key.keysym.scancode = SDL_SCANCODE_A;
    SDL_PushEvent(&key);
    SDL_Event text = {};
    text.type = SDL_TEXTINPUT;
    strcpy(text.text.text, "a");
    SDL_PushEvent(&text);
    WaitFor(p, TEvent::kCharacter, &gSeen.keyEvents);

    // Right click (SDL's button 3) arrives as the secondary button.
    SDL_Event click = {};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_RIGHT;
    click.button.x = 10;
    click.button.y = 20;
    SDL_PushEvent(&click);
    WaitFor(p, TEvent::kMouseExtended, &gSeen.mouseEvents);

    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    gSeen.closeFromSdlQuit = WaitFor(p, TEvent::kCloseRequested);

    raise(SIGTERM);
    gSeen.closeFromSignal = WaitFor(p, TEvent::kCloseRequested);

    p->Exit(0);
    gSeen.quit = WaitFor(p, TEvent::kQuit);
}

TEST(SdlIntegrationTest, StartsWindowAndGlContextPumpsInjectedEventsAndQuitsCleanly)
{
    // Headless unless a display was chosen (for example an X server from xvfb-run).
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    PinGlDriverLibraries();
    TScratchDir scratch("qfsdl");
    const std::string& root = scratch.Path();
    std::filesystem::create_directories(root + "/assets");
    setenv("ZESTKIT_RESOURCES_DIR", root.c_str(), 1);
    setenv("ZESTKIT_USER_DIR", (root + "/user").c_str(), 1);
    setenv("ZESTKIT_COMMON_DIR", (root + "/common").c_str(), 1);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);

    char a0[] = "game";
    char* argv[] = {a0, nullptr};
    SetPlatformBackendFactory(CreateSdlBackend);
    EXPECT_EQ(QuillfireExec(1, argv, &IntegrationMain, false), 0);

    EXPECT_TRUE(gSeen.glContext) << "no OpenGL context";
    EXPECT_FALSE(gSeen.glVersion.empty());
    // Window set-up may report pointer moves first; the key's two records come together.
    ASSERT_GE(gSeen.keyEvents.size(), 2u);
    const TEvent& down = gSeen.keyEvents[gSeen.keyEvents.size() - 2];
    const TEvent& character = gSeen.keyEvents.back();
    EXPECT_EQ(down.mType, TEvent::kKeyDown);
    EXPECT_EQ(down.mParam, 'A');
    EXPECT_EQ(character.mType, TEvent::kCharacter);
    EXPECT_EQ(character.mParam, 'a');
    ASSERT_FALSE(gSeen.mouseEvents.empty());
    EXPECT_EQ(gSeen.mouseEvents.back().mParam, TEvent::kRightDown);
    EXPECT_EQ(gSeen.mouseEvents.back().mX, 10);
    EXPECT_EQ(gSeen.mouseEvents.back().mY, 20);
    EXPECT_TRUE(gSeen.closeFromSdlQuit);
    EXPECT_TRUE(gSeen.closeFromSignal);
    EXPECT_TRUE(gSeen.quit);
    EXPECT_EQ(TPlatform::GetInstance(), nullptr);

    EXPECT_EQ(chdir(cwd), 0);
    unsetenv("ZESTKIT_RESOURCES_DIR");
    unsetenv("ZESTKIT_USER_DIR");
    unsetenv("ZESTKIT_COMMON_DIR");
}

}  // namespace

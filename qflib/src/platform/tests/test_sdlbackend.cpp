// The real SDL layer, headless: SDL_VIDEODRIVER=offscreen gives a window and a Mesa OpenGL
// context without an X server.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/platformdata.h"
#include "glpin.h"
#include "sdlbackend.h"

namespace {

TEST(SdlMappingTest, KeyTable) {
    struct Case { int32_t sdl; TNativeEvent::EKey key; uint32_t keyChar; };
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
    for (const Case& c : cases) {
        uint32_t ch = 99;
        EXPECT_EQ(MapSdlKey(c.sdl, &ch), c.key) << SDL_GetKeyName(c.sdl);
        EXPECT_EQ(ch, c.keyChar) << SDL_GetKeyName(c.sdl);
    }
}

TEST(SdlMappingTest, OnlyLeftHandModifiersCount) {
    EXPECT_EQ(MapSdlModifiers(KMOD_LSHIFT), 1u);
    EXPECT_EQ(MapSdlModifiers(KMOD_LCTRL), 2u);
    EXPECT_EQ(MapSdlModifiers(KMOD_LALT), 4u);
    EXPECT_EQ(MapSdlModifiers(KMOD_LSHIFT | KMOD_LCTRL | KMOD_LALT), 7u);
    EXPECT_EQ(MapSdlModifiers(KMOD_RSHIFT | KMOD_RCTRL | KMOD_RALT | KMOD_GUI | KMOD_CAPS), 0u);
}

TEST(SpawnTest, ArgumentsReachTheProgramUnchangedWithoutAShell) {
    char pattern[] = "/tmp/qfspawn-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string dir = pattern;
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
    std::filesystem::remove_all(dir);
}

// The whole platform on the real backend, driven from the game's entry.
struct Observed {
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
bool WaitFor(TPlatform* p, int type, std::vector<TEvent>* collect = nullptr) {
    for (int i = 0; i < 2000; ++i) {
        TEvent e;
        p->GetEvent(&e);
        if (e.mType != TEvent::kIdle && collect) collect->push_back(e);
        if (e.mType == type) return true;
    }
    return false;
}

void IntegrationMain(TPlatform* p, const char*) {
    p->SetDisplay(320, 240, false);
    const GLubyte* version = glGetString(GL_VERSION);
    gSeen.glContext = version != nullptr;
    if (version) gSeen.glVersion = reinterpret_cast<const char*>(version);
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

TEST(SdlIntegrationTest, StartsWindowAndGlContextPumpsInjectedEventsAndQuitsCleanly) {
    // Headless unless a display was chosen (for example an X server from xvfb-run).
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    PinGlDriverLibraries();
    char pattern[] = "/tmp/qfsdl-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string root = pattern;
    std::filesystem::create_directories(root + "/assets");
    setenv("ZESTKIT_RESOURCES_DIR", root.c_str(), 1);
    setenv("ZESTKIT_USER_DIR", (root + "/user").c_str(), 1);
    setenv("ZESTKIT_COMMON_DIR", (root + "/common").c_str(), 1);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);

    char a0[] = "game";
    char* argv[] = {a0, nullptr};
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
    std::filesystem::remove_all(root);
}

}  // namespace

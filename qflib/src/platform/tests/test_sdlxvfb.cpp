// The real backend on a real X server with no window manager (Xvfb started by the test; the
// tests fail when it cannot be started: tools/install-deps.sh installs it). Nobody carries a full-screen request out there: the game must
// notice, stay in its window, draw for the window's real size and map the pointer by it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/platformdata.h"
#include "glpin.h"
#include "render/gl/gldisplayhandler.h"
#include "render/renderhost.h"
#include "scratchdir.h"
#include "sdlbackend.h"

// Xlib last: its macros clash with names of ours.
#include <GL/gl.h>
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace
{

std::string FindXvfb()
{
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"})
    {
        std::string path = std::string(dir) + "/Xvfb";
        if (access(path.c_str(), X_OK) == 0)
            return path;
    }
    return std::string();
}

// An Xvfb of its own on a free display number; stopped (by its process id) at the end.
class OwnXServer
{
public:
    bool Start(std::string* why)
    {
        const std::string xvfb = FindXvfb();
        if (xvfb.empty())
        {
            *why = "Xvfb is not installed";
            return false;
        }
        for (int n = 180 + getpid() % 200; n < 600; ++n)
        {
            if (access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0)
                continue;
            mName = ":" + std::to_string(n);
            int ready = -1;
            if (!SpawnServer(xvfb, &ready))
                break;
            // Xvfb writes its display number to the descriptor once it takes connections; the
            // pipe ends empty when it dies first (for example on a taken number). The time-out
            // only turns a hung server into a failure.
            const bool up = WaitForLine(ready, 20000);
            close(ready);
            if (up)
            {
                if (Display* d = XOpenDisplay(mName.c_str()))
                {
                    XCloseDisplay(d);
                    return true;
                }
            }
            Stop();
        }
        *why = "no Xvfb could be started";
        return false;
    }
    void Stop()
    {
        if (mPid <= 0)
            return;
        kill(mPid, SIGTERM);
        int status = 0;
        waitpid(mPid, &status, 0);
        mPid = 0;
    }
    ~OwnXServer() { Stop(); }
    const std::string& Name() const { return mName; }

private:
    // The server must not outlive the test program (a crash or a sanitizer abort skips the
    // destructor) and must not hold the program's output: a runner that reads that output waits
    // for every writer to close it.
    bool SpawnServer(const std::string& xvfb, int* ready)
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return false;
        const pid_t parent = getpid();
        const pid_t child = fork();
        if (child < 0)
        {
            close(fds[0]);
            close(fds[1]);
            return false;
        }
        if (child == 0)
        {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent)
                _exit(127);
            const int devNull = open("/dev/null", O_RDWR);
            if (devNull >= 0)
            {
                dup2(devNull, 0);
                dup2(devNull, 1);
                dup2(devNull, 2);
            }
            // The write end without close-on-exec, under a number of its own above the standard ones.
            const int readyFd = fcntl(fds[1], F_DUPFD, 3);
            if (readyFd < 0)
                _exit(127);
            const std::string readyArg = std::to_string(readyFd);
            // No reset when the last client leaves: the readiness check's connection closing would
            // otherwise send the server through a reset just as the test connects.
            execl(xvfb.c_str(), xvfb.c_str(), mName.c_str(), "-displayfd", readyArg.c_str(), "-noreset",
                  "-screen", "0", "1280x1024x24", "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        mPid = child;
        *ready = fds[0];
        return true;
    }

    // True once a whole line arrives; false at the end of the pipe or after timeoutMs.
    static bool WaitForLine(int fd, int timeoutMs)
    {
        std::string got;
        for (;;)
        {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0)
                return false;
            char c = 0;
            const ssize_t n = read(fd, &c, 1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            if (c == '\n')
                return !got.empty();
            got += c;
        }
    }

    pid_t mPid = 0;
    std::string mName;
};

// Points SDL's X11 video at the given server for one test and puts the environment back after.
class TSdlOnServer
{
public:
    explicit TSdlOnServer(const OwnXServer& server)
        : mDriver(Saved("SDL_VIDEODRIVER")), mDisplay(Saved("DISPLAY"))
    {
        setenv("SDL_VIDEODRIVER", "x11", 1);
        setenv("DISPLAY", server.Name().c_str(), 1);
    }
    ~TSdlOnServer()
    {
        Restore("SDL_VIDEODRIVER", mDriver);
        Restore("DISPLAY", mDisplay);
    }

private:
    static std::pair<bool, std::string> Saved(const char* name)
    {
        const char* value = getenv(name);
        return {value != nullptr, value ? value : ""};
    }
    static void Restore(const char* name, const std::pair<bool, std::string>& saved)
    {
        if (saved.first)
            setenv(name, saved.second.c_str(), 1);
        else
            unsetenv(name);
    }

    std::pair<bool, std::string> mDriver, mDisplay;
};

struct Seen
{
    bool fullscreen = true;
    unsigned drawableW = 0, drawableH = 0;
    int xWindowW = 0, xWindowH = 0;  // what the X server says, asked on a connection of our own
    int viewport[4] = {0, 0, 0, 0};
    std::vector<std::pair<int, int>> pointer;  // display positions of the moves we made
};
Seen gSeen;
std::string gDisplayName;

// Moves the real pointer to window pixel (x, y) and collects where the game is told it is: the
// last move reported before the queue falls quiet.
void MovePointer(TPlatform* p, Display* d, Window w, int x, int y)
{
    XWarpPointer(d, None, w, 0, 0, 0, 0, x, y);
    XSync(d, False);
    std::pair<int, int> last(-1, -1);
    int quiet = 0;
    for (int i = 0; i < 5000 && quiet < 300; ++i)
    {
        TEvent e;
        p->GetEvent(&e);
        if (e.mType == TEvent::kMouseMoved)
        {
            last = {e.mX, e.mY};
            quiet = 0;
        }
        else if (last.first >= 0)
        {
            ++quiet;
        }
    }
    gSeen.pointer.push_back(last);
}

void FirstStartMain(TPlatform* p, const char*)
{
    // The game's first start: 800 x 600, full screen.
    p->SetDisplay(800, 600, true);
    gSeen.fullscreen = p->IsFullscreen();
    p->GetData()->GetBackend()->GetDrawableSize(&gSeen.drawableW, &gSeen.drawableH);
    p->GetData()->GetViewport(&gSeen.viewport[0], &gSeen.viewport[1], &gSeen.viewport[2], &gSeen.viewport[3]);

    SDL_Window* window = SDL_GL_GetCurrentWindow();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    Display* own = XOpenDisplay(gDisplayName.c_str());
    if (window && own && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
    {
        XWindowAttributes a;
        if (XGetWindowAttributes(own, info.info.x11.window, &a))
        {
            gSeen.xWindowW = a.width;
            gSeen.xWindowH = a.height;
        }
        // Where the Options button and the corners are: the game must hear the same spots.
        MovePointer(p, own, info.info.x11.window, 400, 300);
        MovePointer(p, own, info.info.x11.window, 5, 5);
        MovePointer(p, own, info.info.x11.window, 790, 590);
    }
    if (own)
        XCloseDisplay(own);
    p->Exit(0);
    for (int i = 0; i < 100; ++i)
    {
        TEvent e;
        p->GetEvent(&e);
        if (e.mType == TEvent::kQuit)
            break;
    }
}

TEST(SdlNoWindowManagerTest, RefusedFullScreenStaysAWindowDrawnAndPointedAtItsRealSize)
{
    OwnXServer server;
    std::string why;
    if (!server.Start(&why))
        GTEST_FAIL() << why;
    gDisplayName = server.Name();

    const TSdlOnServer onServer(server);
    PinGlDriverLibraries();
    TScratchDir scratch("qfxvfb");
    const std::string root = scratch.Path();
    std::filesystem::create_directories(root + "/assets");
    setenv("ZESTKIT_RESOURCES_DIR", root.c_str(), 1);
    setenv("ZESTKIT_USER_DIR", (root + "/user").c_str(), 1);
    setenv("ZESTKIT_COMMON_DIR", (root + "/common").c_str(), 1);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);

    char a0[] = "game";
    char* argv[] = {a0, nullptr};
    EXPECT_EQ(QuillfireExec(1, argv, &FirstStartMain, false), 0);

    EXPECT_EQ(chdir(cwd), 0);
    unsetenv("ZESTKIT_RESOURCES_DIR");
    unsetenv("ZESTKIT_USER_DIR");
    unsetenv("ZESTKIT_COMMON_DIR");

    // No window manager: full screen was not granted, and the game knows it.
    EXPECT_FALSE(gSeen.fullscreen);
    EXPECT_EQ(gSeen.xWindowW, 800);
    EXPECT_EQ(gSeen.xWindowH, 600);
    // The picture is drawn for the window the X server really has, all of it.
    EXPECT_EQ(gSeen.drawableW, 800u);
    EXPECT_EQ(gSeen.drawableH, 600u);
    EXPECT_EQ((std::vector<int>(gSeen.viewport, gSeen.viewport + 4)), (std::vector<int>{0, 0, 800, 600}));
    // Pointer positions reach the game where the picture shows them.
    const std::vector<std::pair<int, int>> want = {{400, 300}, {5, 5}, {790, 590}};
    EXPECT_EQ(gSeen.pointer, want);
}

// The window-manager check that spares a start without one the wait for full screen: none on a
// bare X server; one as soon as the root window carries the announcement a window manager makes.
TEST(SdlNoWindowManagerTest, WindowManagerIsSeenOnlyWhenOneAnnouncesItself)
{
    OwnXServer server;
    std::string why;
    if (!server.Start(&why))
        GTEST_FAIL() << why;
    const TSdlOnServer onServer(server);

    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("check", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    EXPECT_EQ(QueryX11WindowManager(window), 0);
    EXPECT_EQ(QueryX11WindowManager(nullptr), -1);

    Display* own = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(own, nullptr);
    const Window root = DefaultRootWindow(own);
    const Window announcer = XCreateSimpleWindow(own, root, 0, 0, 1, 1, 0, 0, 0);
    const Atom check = XInternAtom(own, "_NET_SUPPORTING_WM_CHECK", False);
    const Atom windowType = XInternAtom(own, "WINDOW", False);
    XChangeProperty(own, root, check, windowType, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&announcer), 1);
    XSync(own, False);
    EXPECT_EQ(QueryX11WindowManager(window), 1);
    XCloseDisplay(own);

    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// The icon the game gives its window is what the X server holds for the window: the desktop's
// title bars and task switchers read it from there (width, height, then one ARGB word a pixel).
TEST(SdlNoWindowManagerTest, WindowIconReachesTheXServer)
{
    OwnXServer server;
    std::string why;
    if (!server.Start(&why))
        GTEST_SKIP() << why;
    const TSdlOnServer onServer(server);
    PinGlDriverLibraries();

    SdlBackend backend;
    std::string error;
    ASSERT_TRUE(backend.CreateWindow("icon", 64, 48, &error)) << error;
    const std::vector<uint32_t> icon = {0xFF102030u, 0x80405060u, 0x00000000u,
                                        0xFFFFFFFFu, 0x7F0A0B0Cu, 0xC0D0E0F0u};
    backend.SetWindowIcon(icon.data(), 3, 2);

    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(window, &info));
    ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
    Display* own = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(own, nullptr);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(own, info.info.x11.window, XInternAtom(own, "_NET_WM_ICON", False),
                                          0, 1024, False, XA_CARDINAL, &type, &format, &count, &after, &data);
    std::vector<uint32_t> seen;
    if (status == Success && data && format == 32)
    {
        // Xlib hands 32-bit items back as longs.
        const long* items = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i < count; ++i)
            seen.push_back(static_cast<uint32_t>(items[i]));
    }
    if (data)
        XFree(data);
    XCloseDisplay(own);
    std::vector<uint32_t> want = {3, 2};
    want.insert(want.end(), icon.begin(), icon.end());
    EXPECT_EQ(seen, want);
}

}  // namespace

namespace
{

// The window's pixels as the X server shows them, 0xRRGGBB, row 0 on top.
std::vector<uint32_t> WindowPixels(Display* display, unsigned long window, int width, int height)
{
    std::vector<uint32_t> out;
    XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image)
        return out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.push_back(uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu);
    XDestroyImage(image);
    return out;
}

void ClearBackBuffer(float r, float g, float b)
{
    glDisable(GL_SCISSOR_TEST);
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace

// A window on this server's software OpenGL shows a part of its back buffer alone: only that
// rectangle changes in the window. Once swapped, it can; whatever makes the window lose its
// picture (a new size, being shown or uncovered again) stops it until the next swap.
TEST(SdlNoWindowManagerTest, APartShownReplacesOnlyItsRectangleUntilTheWindowLosesItsPicture)
{
    OwnXServer server;
    std::string why;
    if (!server.Start(&why))
        GTEST_FAIL() << why;
    const TSdlOnServer onServer(server);
    PinGlDriverLibraries();

    const int kW = 64, kH = 48;
    SdlBackend backend;
    std::string error;
    ASSERT_TRUE(backend.CreateWindow("parts", kW, kH, &error)) << error;
    backend.ShowWindow();
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(window, &info));
    Display* own = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(own, nullptr);

    EXPECT_FALSE(backend.CanShowParts());  // nothing swapped yet
    ClearBackBuffer(1, 0, 0);
    backend.SwapBuffers();
    ASSERT_TRUE(backend.CanShowParts());
    // A blue back buffer, of which only 16 x 8 pixels at (8, 4) from the bottom left are shown.
    ClearBackBuffer(0, 0, 1);
    backend.ShowPart(8, 4, 16, 8);
    glFinish();
    XSync(info.info.x11.display, False);
    const std::vector<uint32_t> shown = WindowPixels(own, info.info.x11.window, kW, kH);
    ASSERT_EQ(shown.size(), size_t(kW * kH));
    int wrong = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
        {
            const bool inside = x >= 8 && x < 24 && y >= kH - 12 && y < kH - 4;
            wrong += shown[size_t(y * kW + x)] != (inside ? 0x0000FFu : 0xFF0000u);
        }
    EXPECT_EQ(wrong, 0);

    SDL_Event exposed = {};
    exposed.type = SDL_WINDOWEVENT;
    exposed.window.windowID = SDL_GetWindowID(window);
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
    struct Case
    {
        const char* what;
        std::function<void()> loseThePicture;
    };
    const Case cases[] = {
        {"uncovered",
         [&]()
         {
             TNativeEvent n;
             EXPECT_FALSE(backend.Convert(exposed, &n));
         }},
        {"shown again", [&]() { backend.ShowWindow(); }},
        {"resized", [&]() { backend.SetWindowSize(kW, kH); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        backend.SwapBuffers();
        EXPECT_TRUE(backend.CanShowParts());
        c.loseThePicture();
        EXPECT_FALSE(backend.CanShowParts());
    }
    XCloseDisplay(own);
}

namespace
{

// The render host the program installs, cut down to the backend's presentation calls.
class TBackendHost : public TRenderHost
{
public:
    explicit TBackendHost(SdlBackend* backend) : mBackend(backend) {}
    void SwapBuffers() override
    {
        ++mSwaps;
        mBackend->SwapBuffers();
    }
    bool CanShowParts() override { return mBackend->CanShowParts(); }
    void ShowPart(int x, int y, int width, int height) override { mBackend->ShowPart(x, y, width, height); }
    bool CanPutPixels() override { return mBackend->CanPutPixels(); }
    void PutPixels(int x, int y, int width, int height, const uint32_t* pixels) override
    {
        ++mPuts;
        mPutPixels += width * height;
        mBackend->PutPixels(x, y, width, height, pixels);
    }
    bool GetDrawableSize(int* width, int* height) override
    {
        unsigned w = 0, h = 0;
        mBackend->GetDrawableSize(&w, &h);
        *width = int(w);
        *height = int(h);
        return w && h;
    }
    int mSwaps = 0, mPuts = 0, mPutPixels = 0;

private:
    SdlBackend* mBackend;
};

// One frame of the display handler: the given fills (left, top, right, bottom, 0xRRGGBB), in
// order. The context is made current first, as the platform does before every frame.
struct TFill
{
    int left, top, right, bottom;
    uint32_t rgb;
};
void DrawFrame(SdlBackend& backend, TGLDisplayHandler& handler, const std::vector<TFill>& fills)
{
    backend.MakeCurrent();
    ASSERT_TRUE(handler.BeginDraw(false));
    handler.Begin2d();
    for (const TFill& f : fills)
        handler.FillRect(f.left, f.top, f.right, f.bottom,
                         TColor(((f.rgb >> 16) & 0xFF) / 255.0f, ((f.rgb >> 8) & 0xFF) / 255.0f,
                                (f.rgb & 0xFF) / 255.0f, 1),
                         nullptr);
    handler.End2d();
    handler.EndDraw(true);
    handler.PostEndDraw(true);
    glFinish();
}

// Pixels of a shown picture (0xRRGGBB, row 0 on top) that are not what the fills paint.
int WrongPixels(const std::vector<uint32_t>& shown, int width, int height, const std::vector<TFill>& fills)
{
    if (shown.size() != size_t(width) * size_t(height))
        return width * height;
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            uint32_t want = 0;
            for (const TFill& f : fills)
                if (x >= f.left && x < f.right && y >= f.top && y < f.bottom)
                    want = f.rgb;
            wrong += shown[size_t(y * width + x)] != want;
        }
    return wrong;
}

}  // namespace

// The display handler on this server puts its frames into the window as pixels, never drawing
// into the window's back buffer or swapping it: the first frame whole, then only the changed
// rectangles, and whole again once the window lost its picture (uncovered). A window larger
// than the display shows the scene scaled by a swap (the driver is first made to take the
// window's new size); back at the display size, the pixels are put again. The window shows the
// frame drawn in every case.
TEST(SdlNoWindowManagerTest, FramesPutAsPixelsAreWhatTheWindowShows)
{
    OwnXServer server;
    std::string why;
    if (!server.Start(&why))
        GTEST_FAIL() << why;
    const TSdlOnServer onServer(server);
    PinGlDriverLibraries();

    // Large enough that a whole frame is put in more than one strip.
    const int kW = 256, kH = 96;
    SdlBackend backend;
    std::string error;
    ASSERT_TRUE(backend.CreateWindow("pixels", kW, kH, &error)) << error;
    backend.ShowWindow();
    ASSERT_TRUE(backend.CanPutPixels());
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(window, &info));
    Display* own = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(own, nullptr);
    const unsigned long xwindow = info.info.x11.window;
    auto shownNow = [&](int w, int h)
    {
        XSync(info.info.x11.display, False);
        return WindowPixels(own, xwindow, w, h);
    };
    // Paints the window green from the X server's side, as a window system that lost the
    // picture leaves it.
    auto spoil = [&]()
    {
        GC gc = XCreateGC(own, xwindow, 0, nullptr);
        XSetForeground(own, gc, 0x00FF00);
        XFillRectangle(own, xwindow, gc, 0, 0, kW * 2, kH * 2);
        XFreeGC(own, gc);
        XSync(own, False);
    };

    TBackendHost host(&backend);
    SetRenderHost(&host);
    {
        TGLDisplayHandler handler;
        handler.SetDisplay(kW, kH, false, false, false, false);
        handler.SetClipRectangle(TURect(0, 0, kW, kH));
        const std::vector<TFill> red = {{0, 0, kW, kH, 0xFF0000}};
        const std::vector<TFill> redBlue = {{0, 0, kW, kH, 0xFF0000}, {8, 4, 24, 12, 0x0000FF}};

        // The first frame is put whole (in strips).
        DrawFrame(backend, handler, red);
        EXPECT_GT(host.mPuts, 1);
        EXPECT_EQ(host.mPutPixels, kW * kH);
        EXPECT_TRUE(backend.CanShowParts());
        EXPECT_EQ(WrongPixels(shownNow(kW, kH), kW, kH, red), 0);

        // A changed rectangle is put alone: the rest of the window, spoiled, stays so.
        spoil();
        DrawFrame(backend, handler, redBlue);
        std::vector<uint32_t> shown = shownNow(kW, kH);
        ASSERT_EQ(shown.size(), size_t(kW * kH));
        int wrong = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
            {
                const bool inside = x >= 8 && x < 24 && y >= 4 && y < 12;
                wrong += shown[size_t(y * kW + x)] != (inside ? 0x0000FFu : 0x00FF00u);
            }
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(host.mPutPixels, kW * kH + 16 * 8);

        // A frame that changes nothing puts nothing.
        DrawFrame(backend, handler, redBlue);
        EXPECT_EQ(host.mPutPixels, kW * kH + 16 * 8);

        // Uncovered: the same frame again is put whole.
        SDL_Event exposed = {};
        exposed.type = SDL_WINDOWEVENT;
        exposed.window.windowID = SDL_GetWindowID(window);
        exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
        TNativeEvent n;
        EXPECT_FALSE(backend.Convert(exposed, &n));
        EXPECT_FALSE(backend.CanShowParts());
        DrawFrame(backend, handler, redBlue);
        EXPECT_EQ(host.mPutPixels, 2 * kW * kH + 16 * 8);
        EXPECT_EQ(WrongPixels(shownNow(kW, kH), kW, kH, redBlue), 0);
        EXPECT_EQ(host.mSwaps, 0);

        // Twice the display size: the scene is scaled into the back buffer and swapped, after
        // one swap that makes the driver take the window's new size.
        backend.SetWindowSize(kW * 2, kH * 2);
        DrawFrame(backend, handler, redBlue);
        EXPECT_EQ(host.mSwaps, 2);
        EXPECT_EQ(host.mPutPixels, 2 * kW * kH + 16 * 8);
        // The linear filter of a 2x scale blends only along the edges between colours: inside
        // the blue rectangle, doubled, the window is blue, and red away from it.
        shown = shownNow(kW * 2, kH * 2);
        ASSERT_EQ(shown.size(), size_t(kW * kH * 4));
        EXPECT_EQ(shown[size_t((8 * 2 + 4) * kW * 2 + 20 * 2)], 0x0000FFu);
        EXPECT_EQ(shown[size_t((30 * 2) * kW * 2 + 40 * 2)], 0xFF0000u);

        // Back at the display size, the frame is put whole again.
        backend.SetWindowSize(kW, kH);
        spoil();
        DrawFrame(backend, handler, redBlue);
        EXPECT_EQ(host.mPutPixels, 3 * kW * kH + 16 * 8);
        EXPECT_EQ(host.mSwaps, 2);
        EXPECT_EQ(WrongPixels(shownNow(kW, kH), kW, kH, redBlue), 0);
    }
    SetRenderHost(nullptr);
    XCloseDisplay(own);
}

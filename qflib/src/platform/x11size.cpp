// The one place that talks to Xlib (its macros clash with names of ours, so it stays apart).
#include <SDL.h>
#include <SDL_syswm.h>

bool QueryX11WindowSize(SDL_Window* window, int* width, int* height)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    XWindowAttributes attributes;
    XSync(info.info.x11.display, False);
    if (!XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes))
        return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
#else
    (void)window;
    (void)width;
    (void)height;
    return false;
#endif
}

int QueryX11WindowManager(SDL_Window* window)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return -1;
    Display* display = info.info.x11.display;
    // A window manager that follows the desktop conventions (and only such a one carries out a
    // full-screen request) announces itself with this property on the root window.
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return 0;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, info.info.x11.window, &attributes))
        return -1;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, attributes.root, check, 0, 1, False, AnyPropertyType,
                                          &type, &format, &count, &after, &data);
    if (data)
        XFree(data);
    if (status != Success)
        return -1;
    return type != None && count > 0 ? 1 : 0;
#else
    (void)window;
    return -1;
#endif
}

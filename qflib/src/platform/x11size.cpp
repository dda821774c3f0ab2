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

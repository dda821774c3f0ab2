// The one place that talks to Xlib and GLX (their macros clash with names of ours, so it stays apart).
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdint>
#include <cstring>

#include "sdlbackend.h"

#if defined(SDL_VIDEO_DRIVER_X11)
#include <GL/glx.h>

namespace
{
// The X display and window behind an SDL window; false for a window of another video driver.
bool X11InfoOf(SDL_Window* window, SDL_SysWMinfo* info)
{
    SDL_VERSION(&info->version);
    return window && SDL_GetWindowWMInfo(window, info) && info->subsystem == SDL_SYSWM_X11;
}
}  // namespace
#endif

bool QueryX11WindowSize(SDL_Window* window, int* width, int* height)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    if (!X11InfoOf(window, &info))
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
    if (!X11InfoOf(window, &info))
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

namespace
{
#if defined(SDL_VIDEO_DRIVER_X11)
typedef void (*TCopySubBuffer)(Display* display, GLXDrawable drawable, int x, int y, int width, int height);
#endif
}  // namespace

bool QueryX11PartCopy(SDL_Window* window, X11PartCopy* out)
{
    *out = X11PartCopy();
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    if (!X11InfoOf(window, &info))
        return false;
    Display* display = info.info.x11.display;
    // SDL may have made the context through EGL instead; then GLX knows of no current context.
    if (!glXGetCurrentContext() || glXGetCurrentDrawable() != info.info.x11.window)
        return false;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, info.info.x11.window, &attributes) || !attributes.screen)
        return false;
    const char* extensions = glXQueryExtensionsString(display, XScreenNumberOfScreen(attributes.screen));
    const char* name = "GLX_MESA_copy_sub_buffer";
    const size_t length = std::strlen(name);
    bool listed = false;
    for (const char* p = extensions; p && (p = std::strstr(p, name)) != nullptr; p += length)
        if ((p == extensions || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0'))
            listed = true;
    if (!listed)
        return false;
    void (*entry)() = glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCopySubBufferMESA"));
    if (!entry)
        return false;
    out->display = display;
    out->drawable = info.info.x11.window;
    out->copy = entry;
    return true;
#else
    (void)window;
    return false;
#endif
}

void X11CopyPart(const X11PartCopy& copy, int x, int y, int width, int height)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (!copy.copy || width <= 0 || height <= 0)
        return;
    reinterpret_cast<TCopySubBuffer>(copy.copy)(static_cast<Display*>(copy.display),
                                                static_cast<GLXDrawable>(copy.drawable), x, y, width, height);
#else
    (void)copy;
    (void)x;
    (void)y;
    (void)width;
    (void)height;
#endif
}

bool QueryX11PixelPut(SDL_Window* window, X11PixelPut* out)
{
    *out = X11PixelPut();
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    if (!X11InfoOf(window, &info))
        return false;
    Display* display = info.info.x11.display;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, info.info.x11.window, &attributes) || !attributes.visual)
        return false;
    // The words are put as they are: the window's pixels must be 32 bits wide with red, green
    // and blue where the words have them.
    const Visual* visual = attributes.visual;
    if ((attributes.depth != 24 && attributes.depth != 32) || visual->red_mask != 0xFF0000ul ||
        visual->green_mask != 0xFF00ul || visual->blue_mask != 0xFFul)
        return false;
    int formats = 0;
    bool wide = false;
    if (XPixmapFormatValues* list = XListPixmapFormats(display, &formats))
    {
        for (int i = 0; i < formats; ++i)
            if (list[i].depth == attributes.depth)
                wide = list[i].bits_per_pixel == 32;
        XFree(list);
    }
    if (!wide)
        return false;
    GC gc = XCreateGC(display, info.info.x11.window, 0, nullptr);
    if (!gc)
        return false;
    out->display = display;
    out->drawable = info.info.x11.window;
    out->visual = attributes.visual;
    out->depth = attributes.depth;
    out->gc = gc;
    return true;
#else
    (void)window;
    return false;
#endif
}

void ReleaseX11PixelPut(X11PixelPut* put)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (put->gc)
        XFreeGC(static_cast<Display*>(put->display), static_cast<GC>(put->gc));
#endif
    *put = X11PixelPut();
}

void X11PutPixels(const X11PixelPut& put, int x, int y, int width, int height, const uint32_t* pixels)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (!put.gc || !pixels || width <= 0 || height <= 0)
        return;
    Display* display = static_cast<Display*>(put.display);
    XImage* image = XCreateImage(display, static_cast<Visual*>(put.visual), unsigned(put.depth), ZPixmap, 0,
                                 reinterpret_cast<char*>(const_cast<uint32_t*>(pixels)), unsigned(width),
                                 unsigned(height), 32, width * 4);
    if (!image)
        return;
    // The words are in this machine's byte order; Xlib reorders them for a server with the other.
    const uint32_t probe = 1;
    uint8_t first = 0;
    std::memcpy(&first, &probe, 1);
    image->byte_order = first == 1 ? LSBFirst : MSBFirst;
    XPutImage(display, static_cast<Drawable>(put.drawable), static_cast<GC>(put.gc), image, 0, 0, x, y,
              unsigned(width), unsigned(height));
    // The pixels are the caller's: the image only borrowed them.
    image->data = nullptr;
    XDestroyImage(image);
    XFlush(display);
#else
    (void)put;
    (void)x;
    (void)y;
    (void)width;
    (void)height;
    (void)pixels;
#endif
}

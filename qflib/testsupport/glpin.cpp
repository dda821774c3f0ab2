#include "glpin.h"

#include <dlfcn.h>

void PinGlDriverLibraries()
{
    static const char* const kLibraries[] = {
        "libEGL_mesa.so.0",
        "libGLX_mesa.so.0",
        "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
        "/usr/lib/aarch64-linux-gnu/dri/swrast_dri.so",
        "/usr/lib/dri/swrast_dri.so",
    };
    for (const char* name : kLibraries)
    {
        // Deliberately never closed: RTLD_NODELETE keeps the library for the whole run.
        dlopen(name, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
    }
}

// LeakSanitizer's built-in suppressions for every program that links this file (the same list
// as lsan_gl.supp), so no environment variable is needed.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:swrast_dri.so\n"
           "leak:libEGL_mesa.so\n"
           "leak:libGLX_mesa.so\n"
           "leak:libLLVM\n"
           "leak:libglapi.so\n"
           // SDL's X11 video opens one D-Bus connection for the whole process.
           "leak:libdbus-1.so\n";
}

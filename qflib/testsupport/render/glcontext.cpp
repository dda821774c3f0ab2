#include "glcontext.h"

#include <SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/gl/gldisplayhandler.h"
#include "render/renderer.h"

namespace qftest
{

namespace
{

// The GL driver keeps allocations for the life of the process, and unloading it (SDL does when
// the video subsystem quits) leaves the leak checker with unnamed modules and stale thread-local
// blocks. Every library loaded once the context exists is therefore pinned for the whole run.
int CollectLibrary(struct dl_phdr_info* info, size_t, void* data)
{
    const char* name = info->dlpi_name;
    if (name && name[0] == '/')
        static_cast<std::vector<std::string>*>(data)->push_back(name);
    return 0;
}

void PinDriverLibraries()
{
    std::vector<std::string> names;
    dl_iterate_phdr(CollectLibrary, &names);
    for (const std::string& name : names)
        dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

}  // namespace

TTestGLContext::~TTestGLContext()
{
    PinDriverLibraries();
    if (mContext)
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(mContext));
    if (mWindow)
        SDL_DestroyWindow(static_cast<SDL_Window*>(mWindow));
    if (mInitialised)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool TTestGLContext::Create(int width, int height)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        mError = SDL_GetError();
        return false;
    }
    mInitialised = true;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_Window* window =
        SDL_CreateWindow("render test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window)
    {
        mError = SDL_GetError();
        return false;
    }
    mWindow = window;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context)
    {
        mError = SDL_GetError();
        return false;
    }
    mContext = context;
    SDL_GL_MakeCurrent(window, context);
    PinDriverLibraries();
    return true;
}

void TTestGLContext::Swap()
{
    if (mWindow)
        SDL_GL_SwapWindow(static_cast<SDL_Window*>(mWindow));
}

TGLDisplayHandler* InstallGLRenderer(int width, int height)
{
    auto owned = TGLDisplayHandler::CreateInstance();
    auto* handler = static_cast<TGLDisplayHandler*>(owned.get());
    TRenderer* renderer = TRenderer::CreateInstance(std::move(owned));
    handler->SetDisplay(width, height, false, false, false, false);
    renderer->PushClippingRectangle(TURect(0, 0, uint32_t(width), uint32_t(height)));
    return handler;
}

}  // namespace qftest

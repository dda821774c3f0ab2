#include "glcontext.h"

#include <SDL.h>
#include <cstdlib>

namespace qftest {

TTestGLContext::~TTestGLContext()
{
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
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
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
    SDL_Window* window = SDL_CreateWindow("render test", 0, 0, width, height,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        mError = SDL_GetError();
        return false;
    }
    mWindow = window;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        mError = SDL_GetError();
        return false;
    }
    mContext = context;
    SDL_GL_MakeCurrent(window, context);
    return true;
}

void TTestGLContext::Swap()
{
    if (mWindow)
        SDL_GL_SwapWindow(static_cast<SDL_Window*>(mWindow));
}

}  // namespace qftest

// An OpenGL compatibility context for render tests, through SDL's offscreen video driver (no X
// server needed). Test code only: nothing in the framework includes SDL.
#pragma once

#include <string>

class TGLDisplayHandler;

namespace qftest
{

class TTestGLContext
{
public:
    TTestGLContext() = default;
    ~TTestGLContext();
    TTestGLContext(const TTestGLContext&) = delete;
    TTestGLContext& operator=(const TTestGLContext&) = delete;

    // Opens a hidden window of width x height with a current context; false with Error() set.
    bool Create(int width, int height);
    bool IsValid() const { return mContext != nullptr; }
    const std::string& Error() const { return mError; }
    void Swap();

private:
    void* mWindow = nullptr;   // SDL_Window*
    void* mContext = nullptr;  // SDL_GLContext
    bool mInitialised = false;
    std::string mError;
};

// Makes an OpenGL display handler the renderer's, with a width x height display and clipping
// rectangle (a context must be current). TRenderer::ShutDown ends both.
TGLDisplayHandler* InstallGLRenderer(int width, int height);

}  // namespace qftest

// What the platform stack alone keeps resident: an 800 x 600 window with an OpenGL compatibility
// context as the game asks for it (8-bit channels with alpha, double-buffered, no depth buffer), the default OpenAL device
// with a context without effect sends and one looping source playing, and a textured, blended
// quad drawn every frame: the least a game on this stack can have. tools/measure-game.sh reads
// its resident memory beside the game's. Runs for the given number of seconds (default 10).
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <SDL.h>
#include <SDL_opengl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
    {
        std::fprintf(stderr, "bench_stackfloor: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_Window* window = SDL_CreateWindow("stack floor", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                          800, 600, SDL_WINDOW_OPENGL);
    SDL_GLContext gl = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!gl)
    {
        std::fprintf(stderr, "bench_stackfloor: %s\n", SDL_GetError());
        return 1;
    }

    ALCdevice* device = alcOpenDevice(nullptr);
    const ALCint attributes[] = {ALC_MAX_AUXILIARY_SENDS, 0, 0};
    ALCcontext* context = device ? alcCreateContext(device, attributes) : nullptr;
    ALuint source = 0, buffer = 0;
    if (context)
    {
        alcMakeContextCurrent(context);
        std::vector<short> tone(22050);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = static_cast<short>(2000 * std::sin(i * 0.05));
        alGenBuffers(1, &buffer);
        alBufferData(buffer, AL_FORMAT_MONO16, tone.data(), static_cast<ALsizei>(tone.size() * sizeof(short)),
                     22050);
        alGenSources(1, &source);
        alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
        alSourcei(source, AL_LOOPING, AL_TRUE);
        alSourcePlay(source);
    }

    std::vector<unsigned char> pixels(256 * 256 * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 7);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());

    const Uint32 end = SDL_GetTicks() + static_cast<Uint32>(seconds * 1000);
    bool running = true;
    while (running && SDL_GetTicks() < end)
    {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT)
                running = false;
        glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(-0.5f, -0.5f);
        glTexCoord2f(1, 0);
        glVertex2f(0.5f, -0.5f);
        glTexCoord2f(1, 1);
        glVertex2f(0.5f, 0.5f);
        glTexCoord2f(0, 1);
        glVertex2f(-0.5f, 0.5f);
        glEnd();
        SDL_GL_SwapWindow(window);
        SDL_Delay(16);
    }

    glDeleteTextures(1, &texture);
    if (context)
    {
        alDeleteSources(1, &source);
        alDeleteBuffers(1, &buffer);
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
    }
    if (device)
        alcCloseDevice(device);
    SDL_GL_DeleteContext(gl);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

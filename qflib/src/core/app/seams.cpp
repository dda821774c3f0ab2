// The hook sets through which the platform drives the subsystems above it, and their defaults.
#include "app/seams.h"

#include <memory>

TRenderHooks::~TRenderHooks() = default;
TWindowHooks::~TWindowHooks() = default;
TSoundHooks::~TSoundHooks() = default;
TGameStateHooks::~TGameStateHooks() = default;
TTextHooks::~TTextHooks() = default;

// Without a display handler the platform still answers GetDisplay with the last mode it set.
void TRenderHooks::SetDisplay(unsigned width, unsigned height, bool fullscreen)
{
    mWidth = width;
    mHeight = height;
    mFullscreen = fullscreen;
}

void TRenderHooks::GetDisplay(unsigned* width, unsigned* height, bool* fullscreen)
{
    if (width)
        *width = mWidth;
    if (height)
        *height = mHeight;
    if (fullscreen)
        *fullscreen = mFullscreen;
}

namespace
{

template <class T>
struct THookSlot
{
    std::unique_ptr<T> installed;
    T fallback;
    T& Get() { return installed ? *installed : fallback; }
};

// Function-level statics so that hooks may be installed from static initialisers.
THookSlot<TRenderHooks>& RenderSlot()
{
    static THookSlot<TRenderHooks> s;
    return s;
}
THookSlot<TWindowHooks>& WindowSlot()
{
    static THookSlot<TWindowHooks> s;
    return s;
}
THookSlot<TSoundHooks>& SoundSlot()
{
    static THookSlot<TSoundHooks> s;
    return s;
}
THookSlot<TGameStateHooks>& GameStateSlot()
{
    static THookSlot<TGameStateHooks> s;
    return s;
}
THookSlot<TTextHooks>& TextSlot()
{
    static THookSlot<TTextHooks> s;
    return s;
}

}  // namespace

TRenderHooks& TPlatformHooks::Render()
{
    return RenderSlot().Get();
}
TWindowHooks& TPlatformHooks::Window()
{
    return WindowSlot().Get();
}
TSoundHooks& TPlatformHooks::Sound()
{
    return SoundSlot().Get();
}
TGameStateHooks& TPlatformHooks::GameState()
{
    return GameStateSlot().Get();
}
TTextHooks& TPlatformHooks::Text()
{
    return TextSlot().Get();
}

void TPlatformHooks::InstallRender(TRenderHooks* h)
{
    RenderSlot().installed.reset(h);
}
void TPlatformHooks::InstallWindow(TWindowHooks* h)
{
    WindowSlot().installed.reset(h);
}
void TPlatformHooks::InstallSound(TSoundHooks* h)
{
    SoundSlot().installed.reset(h);
}
void TPlatformHooks::InstallGameState(TGameStateHooks* h)
{
    GameStateSlot().installed.reset(h);
}
void TPlatformHooks::InstallText(TTextHooks* h)
{
    TextSlot().installed.reset(h);
}

std::string TPlatformHooks::Missing()
{
    std::string names;
    auto note = [&names](bool installed, const char* name)
    {
        if (installed)
            return;
        if (!names.empty())
            names += ", ";
        names += name;
    };
    note(RenderSlot().installed != nullptr, "render");
    note(WindowSlot().installed != nullptr, "window");
    note(SoundSlot().installed != nullptr, "sound");
    note(GameStateSlot().installed != nullptr, "game state");
    note(TextSlot().installed != nullptr, "text");
    return names;
}

void TPlatformHooks::ResetAll()
{
    InstallRender(nullptr);
    InstallWindow(nullptr);
    InstallSound(nullptr);
    InstallGameState(nullptr);
    InstallText(nullptr);
    RenderSlot().fallback = TRenderHooks();
}

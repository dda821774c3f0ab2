// The play screen of a real level on a platform over the fake backend (its clock moves only
// when a frame ticks it), drawing through OpenGL (SDL's offscreen driver) with the pictures of
// the build's assets folder. Shared by the frame benchmark and the long-play memory test.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/platformdata.h"
#include "app/seams.h"
#include "emitter.h"
#include "entityengine.h"
#include "failurewindow.h"
#include "fakebackend.h"
#include "gamepaused.h"
#include "gamewindow.h"
#include "glcontext.h"
#include "playscreens.h"
#include "render/gl/gldisplayhandler.h"
#include "render/renderer.h"
#include "scratchfolders.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"
#include "services/music.h"
#include "services/options.h"
#include "services/profiles.h"
#include "services/soundeffects.h"
#include "sound/soundhooks.h"
#include "tipwindow.h"
#include "unitconverter.h"
#include "victorywindow.h"
#include "wgui_animation.h"
#include "wgui_font.h"
#include "wgui_imagemap.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_misc.h"
#include "wgui_timer.h"
#include "window/windowhooks.h"

namespace Game::playscene
{

const int kWidth = 800, kHeight = 600;
const unsigned kFrameMs = 16;

// The play screen on a platform over the fake backend (its clock moves only when a frame
// ticks it), drawing through OpenGL.
class PlayScene : protected playtest::PlayScreens
{
public:
    // `assets` is the build's assets folder; `level` is loaded in endurance mode.
    bool setUp(const std::string& assets, std::string* error, const char* level = "soil.xml")
    {
        if (!std::filesystem::exists(assets + "/graphics/imagemaps.xml") ||
            !std::filesystem::exists(assets + "/levels/" + level))
            return fail(error, "the assets are not built (target `assets`)");
        if (!folders.Create("benchframe", true))
            return fail(error, folders.error);
        // The resources folder is the build's assets folder itself.
        std::filesystem::remove_all(folders.root + "/res/assets");
        std::filesystem::create_directory_symlink(assets, folders.root + "/res/assets");
        InstallWindowHooks();
        // The game's sound hooks: the platform registers the Ogg Vorbis reader through them,
        // so the level's sounds are found and decoded as in the game.
        InstallSoundHooks();
        if (!context.Create(kWidth, kHeight))
            return fail(error, "no OpenGL context: " + context.Error());
        handler = qftest::InstallGLRenderer(kWidth, kHeight);
        auto backendOwned = folders.MakeBackend();
        backend = backendOwned.get();
        data = new TPlatformData(std::move(backendOwned), 0, nullptr, false);
        platform = new TPlatform(data);
        backend->AdvanceMs(1000);
        WGUI::Timer::instance();
        srand(4242);

        make(kWidth, kHeight, "bench", "player");
        // Endurance mode: no clock runs out while the benchmark plays.
        game->loadLevel(level, LevelMode::kEndurance);
        if (!game->getLevel() || game->getEmitters().empty())
            return fail(error, std::string(level) + " did not load");
        // The level's opening tip dismissed, as the player does before playing: its window
        // (and the darkened screen under it) is no longer drawn.
        game->getTipWindow()->setVisible(false);
        game->setTipVisible(false);
        game->setPaused(false);
        return true;
    }

    void tearDown()
    {
        destroy();
        playtest::DeletePlaySingletons();
        delete platform;
        TRenderer::ShutDown();
        TPlatformHooks::ResetAll();
        folders.Remove();
    }

    // Lets the level's emitters make entities, round robin, until the engine holds `count`.
    void fill(int count)
    {
        EntityEngine* engine = game->getEntityEngine();
        std::vector<EntityEmitter*> emitters;
        for (const std::unique_ptr<EntityEmitter>& e : game->getEmitters())
            emitters.push_back(e.get());
        for (int guard = 0; engine->getNumEntities() < count && guard < 20 * count; ++guard)
            emitters[static_cast<size_t>(guard) % emitters.size()]->emit();
    }

    int entities() { return game->getEntityEngine()->getNumEntities(); }
    GameWindow* getGame() { return game; }
    WGUI::Manager* getManager() { return manager; }
    FakeBackend* getBackend() { return backend; }

    void update()
    {
        backend->AdvanceMs(kFrameMs);
        manager->update();
    }

    // The drawing pass the window manager makes around the GUI's frame, finished by the
    // driver (a one-pixel read waits for the rasteriser).
    void draw()
    {
        drawPass();
        finish();
    }
    void drawPass()
    {
        TRenderer* renderer = TRenderer::GetInstance();
        renderer->BeginDraw(false);
        if (renderer->Begin2d())
        {
            manager->draw();
            renderer->End2d();
        }
        renderer->EndDraw(true);
    }
    void finish() { handler->ReadScreenPixels(0, 0, 1, 1, &probe); }

private:
    static bool fail(std::string* error, const std::string& why)
    {
        *error = why;
        return false;
    }

    TScratchFolders folders;
    qftest::TTestGLContext context;
    TGLDisplayHandler* handler = nullptr;
    FakeBackend* backend = nullptr;
    TPlatformData* data = nullptr;
    TPlatform* platform = nullptr;
    TColor32 probe;
};

}  // namespace Game::playscene
// One frame of the soil level on the real play screen, with the built pictures and a crowd of
// live entities made by the level's own emitters (so each has its definition's controllers,
// animation and shadow), the goo, the particles of its meals, the tile layers and the status
// displays. BM_FrameUpdate times the frame's update alone (the GUI manager's update with a
// 16 ms step); BM_FrameUpdateDraw adds the drawing of the whole window tree through the OpenGL
// display handler at 800 x 600 and waits for the driver to finish the frame. Run it under SDL's
// offscreen driver with software OpenGL:
//
//   SDL_VIDEODRIVER=offscreen LIBGL_ALWAYS_SOFTWARE=1 build/release/bin/bench_gameplay_frame
//
// The crowd is topped up to its size between timed stretches, since the goo eats and entities
// leave the level. Needs the built assets (the `assets` target).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
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

namespace {

const int kWidth = 800, kHeight = 600;
const unsigned kFrameMs = 16;

// The play screen on a platform over the fake backend (its clock moves only when a frame
// ticks it), drawing through OpenGL.
class PlayScene
{
public:
    bool setUp(std::string* error)
    {
        const std::string assets = std::string(QF_BINARY_DIR) + "/assets";
        if (!std::filesystem::exists(assets + "/graphics/imagemaps.xml") ||
            !std::filesystem::exists(assets + "/levels/soil.xml"))
            return fail(error, "the assets are not built (target `assets`)");
        if (!folders.Create("benchframe", true))
            return fail(error, folders.error);
        // The resources folder is the build's assets folder itself.
        std::filesystem::remove_all(folders.root + "/res/assets");
        std::filesystem::create_directory_symlink(assets, folders.root + "/res/assets");
        InstallWindowHooks();
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

        manager = new WGUI::Manager(kWidth, kHeight, -1, true, "bench");
        game = new GameWindow();
        victory = new VictoryWindow();
        failure = new FailureWindow();
        paused = new GamePaused();
        for (WGUI::Window* w : {static_cast<WGUI::Window*>(victory), static_cast<WGUI::Window*>(failure),
                                static_cast<WGUI::Window*>(paused)})
        {
            w->setVisible(false);
            manager->addWindow(w);
        }
        manager->addWindow(game);
        Profiles::instance()->addProfile("player");
        Profiles::instance()->setActiveProfile("player");
        LevelProgress::instance()->addProfile("player");
        LevelProgress::instance()->setActiveProfile();
        // Endurance mode: no clock runs out while the benchmark plays.
        game->loadLevel("soil.xml", 2);
        if (!game->getLevel() || game->getEmitters().empty())
            return fail(error, "soil.xml did not load");
        game->setTipVisible(false);
        game->setPaused(false);
        return true;
    }

    void tearDown()
    {
        delete paused;
        delete failure;
        delete victory;
        delete game;
        WGUI::Manager::deleteInstance();
        UnitConverter::deleteInstance();
        Cheats::deleteInstance();
        Options::deleteInstance();
        Profiles::deleteInstance();
        MedalTimes::deleteInstance();
        LevelProgress::deleteInstance();
        MusicSystem::deleteInstance();
        IntroLoop::deleteInstance();
        SoundEffectSystem::deleteInstance();
        WGUI::Input::deleteInstance();
        WGUI::AnimationDefs::deleteInstance();
        WGUI::Fonts::deleteInstance();
        WGUI::ImageMaps::deleteInstance();
        WGUI::StringTable::deleteInstance();
        WGUI::Pathnames::deleteInstance();
        WGUI::Timer::deleteInstance();
        delete platform;
        TRenderer::ShutDown();
        TPlatformHooks::ResetAll();
        folders.Remove();
    }

    // Lets the level's emitters make entities, round robin, until the engine holds `count`.
    void fill(int count)
    {
        EntityEngine* engine = game->getEntityEngine();
        std::vector<EntityEmitter*> emitters(game->getEmitters().begin(), game->getEmitters().end());
        for (int guard = 0; engine->getNumEntities() < count && guard < 20 * count; ++guard)
            emitters[static_cast<size_t>(guard) % emitters.size()]->emit();
    }

    int entities() { return game->getEntityEngine()->getNumEntities(); }

    void update()
    {
        backend->AdvanceMs(kFrameMs);
        manager->update();
    }

    // The drawing pass the window manager makes around the GUI's frame, finished by the
    // driver (a one-pixel read waits for the rasteriser).
    void draw()
    {
        TRenderer* renderer = TRenderer::GetInstance();
        renderer->BeginDraw(false);
        if (renderer->Begin2d())
        {
            manager->draw();
            renderer->End2d();
        }
        renderer->EndDraw(true);
        handler->ReadScreenPixels(0, 0, 1, 1, &probe);
    }

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
    WGUI::Manager* manager = nullptr;
    GameWindow* game = nullptr;
    VictoryWindow* victory = nullptr;
    FailureWindow* failure = nullptr;
    GamePaused* paused = nullptr;
    TColor32 probe;
};

void runFrames(benchmark::State& state, bool draw)
{
    const int count = static_cast<int>(state.range(0));
    PlayScene scene;
    std::string error;
    if (!scene.setUp(&error))
    {
        state.SkipWithError(error.c_str());
        for (auto _ : state)
        {
        }
        scene.tearDown();
        return;
    }
    scene.fill(count);
    // A few frames first: animations, shadows and the tile pictures settle.
    for (int i = 0; i < 10; ++i)
    {
        scene.update();
        if (draw)
            scene.draw();
    }
    long long seen = 0, frames = 0;
    for (auto _ : state)
    {
        if (frames % 60 == 0)
        {
            state.PauseTiming();
            scene.fill(count);
            state.ResumeTiming();
        }
        scene.update();
        if (draw)
            scene.draw();
        seen += scene.entities();
        ++frames;
    }
    state.counters["entities"] = frames ? static_cast<double>(seen) / static_cast<double>(frames) : 0.0;
    scene.tearDown();
}

void BM_FrameUpdate(benchmark::State& state) { runFrames(state, false); }
BENCHMARK(BM_FrameUpdate)->Arg(500)->Arg(2000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_FrameUpdateDraw(benchmark::State& state) { runFrames(state, true); }
BENCHMARK(BM_FrameUpdateDraw)->Arg(500)->Arg(2000)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace

// Level reading and the tile layers' per-frame work, headless: a level with a 128 x 128 tile
// layer and 40 emitters is read, and a view is moved over the layer. The tiles are empty cells, since
// no tile definitions are loaded here.
#include <benchmark/benchmark.h>

#include <list>
#include <memory>
#include <string>

#include "controller.h"
#include "emitter.h"
#include "entitydef.h"
#include "entityengine.h"
#include "level.h"
#include "tiles.h"
#include "wgui_window.h"

using namespace Game;

namespace
{

std::string bigLevel()
{
    std::string s = "<level width=\"8192\" height=\"8192\" goldtimeta=\"60\" victorysize=\"90000\">"
                    "<goo area=\"400\"/><tilelayers><tilelayer tileswide=\"128\" tileshigh=\"128\" "
                    "tilewidth=\"64\" tileheight=\"64\">";
    for (int i = 0; i < 128 * 128; ++i)
        s += "<tile name=\"null\" flipx=\"true\"/>";
    s += "</tilelayer></tilelayers>";
    for (int i = 0; i < 40; ++i)
        s += "<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"90\" maxareata=\"120\">"
             "<randomemit rate=\"2\"/><scheduledemit><emit time=\"1\"/><emit time=\"2\"/></scheduledemit>"
             "<controller type=\"movedirection\" speed=\"40\" accel=\"100\"/></emitter>";
    return s + "</level>";
}

void BM_LevelRead(benchmark::State& state)
{
    const std::string text = bigLevel();
    EntityDefs defs(false);
    ControllerTypes types;
    WGUI::Window window;
    for (auto _ : state)
    {
        std::list<std::unique_ptr<EntityEmitter>> emitters;
        EntityEngine engine(&window);
        TileEngine tiles(&window);
        Level level(&tiles, &engine, &defs, &types, LevelMode::kTimed, &emitters);
        level.readText("bench.xml", text.data(), text.size());
        benchmark::DoNotOptimize(level.timeLimit);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LevelRead)->Unit(benchmark::kMillisecond);

void BM_TileVisibleRange(benchmark::State& state)
{
    const std::string text = bigLevel();
    EntityDefs defs(false);
    ControllerTypes types;
    WGUI::Window window;
    std::list<std::unique_ptr<EntityEmitter>> emitters;
    EntityEngine entities(&window);
    TileEngine engine(&window);
    Level level(&engine, &entities, &defs, &types, LevelMode::kCasual, &emitters);
    level.readText("bench.xml", text.data(), text.size());
    engine.setLevelDim(-4096, -4096, 4096, 4096);
    TileLayer& layer = *engine.getLayer(0);
    double x = -4096;
    for (auto _ : state)
    {
        window.setSpriteLeft(x);
        window.setSpriteRight(x + 640);
        window.setSpriteTop(x / 2);
        window.setSpriteBottom(x / 2 + 480);
        int c0, c1, r0, r1;
        layer.visibleRange(c0, c1, r0, r1);
        benchmark::DoNotOptimize(c1 + r1);
        x = x > 4096 ? -4096 : x + 3.5;
    }
}
BENCHMARK(BM_TileVisibleRange);

}  // namespace

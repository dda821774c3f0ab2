// One frame of the soil level on the real play screen, with the built pictures and sounds and a
// crowd of live entities made by the level's own emitters (so each has its definition's
// controllers, animation and shadow), the goo, the particles of its meals, the tile layers and
// the status displays. BM_FrameUpdate times the frame's update alone (the GUI manager's update
// with a 16 ms step); BM_FrameUpdateDraw adds the drawing of the whole window tree through the
// OpenGL display handler at 800 x 600 and waits for the driver to finish the frame, and reports
// the update (update_ms) and the drawing (draw_ms) apart. Run it under SDL's offscreen driver
// with software OpenGL (BM_PausedFrameUpdateDraw does the same with the game paused):
//
//   SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1 build/release/bin/bench_gameplay_frame
//
// Every run plays the same scene: the random generator is seeded the same way, and each run
// plays the same number of frames (kFrames, after kSettleFrames), the crowd topped up to its
// size every 60 frames outside the timing, since the goo eats and entities leave the level.
// After the timed frames, 60 more are played with the counting allocator on (untimed): allocs
// is the heap allocations a frame of the game's own code on the main thread, allocs_all with
// those the OpenGL driver makes inside its calls. Needs the built assets (the `assets` target).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "alloccount.h"
#include "playscene_gl.h"
#include "render/gl/gldisplayhandler.h"
#include "render/renderer.h"

using namespace Game;

namespace
{

using playscene::PlayScene;

const int kSettleFrames = 10;  // animations, shadows and the tile pictures settle
const int kFrames = 120;       // timed, in every run
const int kCountedFrames = 60;
const unsigned kSeed = 4242;

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void runFrames(benchmark::State& state, bool draw, bool paused = false, bool batched = true,
               const char* level = "soil.xml")
{
    const int count = static_cast<int>(state.range(0));
    PlayScene scene;
    std::string error;
    if (!scene.setUp(std::string(QF_BINARY_DIR) + "/assets", &error, level))
    {
        state.SkipWithError(error.c_str());
        for (auto _ : state)
        {
        }
        scene.tearDown();
        return;
    }
    std::srand(kSeed);
    scene.fill(count);
    for (int i = 0; i < kSettleFrames; ++i)
    {
        scene.update();
        if (draw)
            scene.draw();
    }
    if (paused)
        scene.getGame()->setPaused(true);
    long long seen = 0, frames = 0;
    double updateMs = 0, drawMs = 0;
    TGLDisplayHandler* handler =
        draw ? dynamic_cast<TGLDisplayHandler*>(TRenderer::GetInstance()->GetDisplayHandler()) : nullptr;
    if (handler)
        handler->SetBatching(batched);
    const unsigned long long callsBefore = handler ? handler->GetDrawCallCount() : 0;
    for (auto _ : state)
    {
        if (frames % 60 == 0 && !paused)
        {
            state.PauseTiming();
            scene.fill(count);
            state.ResumeTiming();
        }
        const auto start = std::chrono::steady_clock::now();
        scene.update();
        updateMs += MsSince(start);
        if (draw)
        {
            const auto drawStart = std::chrono::steady_clock::now();
            scene.draw();
            drawMs += MsSince(drawStart);
        }
        seen += scene.entities();
        ++frames;
    }
    const unsigned long long callsAfter = handler ? handler->GetDrawCallCount() : 0;
    // The same scene goes on, counted and untimed.
    unsigned long long own = 0, all = 0;
    for (int i = 0; i < kCountedFrames; ++i)
    {
        if (i % 60 == 0 && !paused)
            scene.fill(count);
        qftest::AllocCountStart();
        scene.update();
        if (draw)
            scene.drawPass();
        const qftest::TAllocCount n = qftest::AllocCountStop();
        if (draw)
            scene.finish();
        own += n.own;
        all += n.all;
    }
    state.counters["allocs"] = static_cast<double>(own) / kCountedFrames;
    state.counters["allocs_all"] = static_cast<double>(all) / kCountedFrames;
    if (frames)
    {
        state.counters["update_ms"] = updateMs / static_cast<double>(frames);
        if (draw)
            state.counters["draw_ms"] = drawMs / static_cast<double>(frames);
    }
    state.counters["entities"] = frames ? static_cast<double>(seen) / static_cast<double>(frames) : 0.0;
    // Seconds of a frame per entity alive.
    state.counters["per_entity"] = benchmark::Counter(
        static_cast<double>(seen), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // OpenGL drawing calls per frame (vertex arrays and filled rectangles).
    if (handler && frames)
        state.counters["drawcalls"] =
            static_cast<double>(callsAfter - callsBefore) / static_cast<double>(frames);
    scene.tearDown();
}

void BM_FrameUpdate(benchmark::State& state)
{
    runFrames(state, false);
}
BENCHMARK(BM_FrameUpdate)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(5000)
    ->Arg(8000)
    ->Iterations(kFrames)
    ->Unit(benchmark::kMillisecond);

// The same on a level whose creatures all flee the goo: every one of them looks for the
// nearest goo within its reach each frame, among a crowd of other kinds.
void BM_FrameUpdateEvaders(benchmark::State& state)
{
    runFrames(state, false, false, true, "grass3.xml");
}
BENCHMARK(BM_FrameUpdateEvaders)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(8000)
    ->Iterations(kFrames)
    ->Unit(benchmark::kMillisecond);

void BM_FrameUpdateDraw(benchmark::State& state)
{
    runFrames(state, true);
}
BENCHMARK(BM_FrameUpdateDraw)
    ->Arg(500)
    ->Arg(2000)
    ->Arg(8000)
    ->Iterations(kFrames)
    ->Unit(benchmark::kMillisecond);

// The same with each recorded drawing call drawn by itself: what batching saves.
void BM_FrameUpdateDrawUnbatched(benchmark::State& state)
{
    runFrames(state, true, false, false);
}
BENCHMARK(BM_FrameUpdateDrawUnbatched)->Arg(2000)->Iterations(kFrames)->Unit(benchmark::kMillisecond);

// The paused play screen over 2,000 entities: what resting in a paused level costs per frame
// (the display handler draws only what changed since the previous frame).
void BM_PausedFrameUpdateDraw(benchmark::State& state)
{
    runFrames(state, true, true);
}
BENCHMARK(BM_PausedFrameUpdateDraw)->Arg(2000)->Iterations(kFrames)->Unit(benchmark::kMillisecond);

}  // namespace

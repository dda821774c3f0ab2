// Path resampling (done once per path at level load) and lookup by fraction (once per frame per
// follower), and one frame of entities steered by a wandering, a level-edge and a stationary
// controller each (the arbitration, the tick and the winner's steering).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "aicontrollers.h"
#include "entity.h"
#include "entitydef.h"
#include "path.h"
#include "wgui_helpers.h"
#include "wgui_timer.h"

using namespace Game;

namespace
{

Path* makeCurve(int pieces)
{
    Path* p = new Path();
    double x = -1500;
    for (int i = 0; i < pieces; ++i)
    {
        SplinePair s;
        s.x1 = x;
        s.y1 = (i % 2) ? 300 : -300;
        s.x2 = x + 3000.0 / pieces;
        s.y2 = (i % 2) ? -300 : 300;
        s.coefx1 = 200;
        s.coefy1 = 150;
        s.coefx2 = -200;
        s.coefy2 = -150;
        p->addPair(s);
        x = s.x2;
    }
    return p;
}

void BM_SegmentPath(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::unique_ptr<Path> p(makeCurve(static_cast<int>(state.range(0))));
        p->segmentPath();
        benchmark::DoNotOptimize(p->getNumPoints());
    }
}
BENCHMARK(BM_SegmentPath)->Arg(1)->Arg(4)->Arg(16);

void BM_PathGetPos(benchmark::State& state)
{
    std::unique_ptr<Path> p(makeCurve(8));
    p->segmentPath();
    double f = 0;
    for (auto _ : state)
    {
        f += 0.001;
        if (f > 1)
            f -= 1;
        benchmark::DoNotOptimize(p->getPos(f));
    }
}
BENCHMARK(BM_PathGetPos);

void BM_ControlledEntities(benchmark::State& state)
{
    srand(7);
    EntityDef def;
    def.name = "minnow";
    std::vector<std::unique_ptr<Entity>> crowd;
    for (int i = 0; i < state.range(0); ++i)
    {
        auto e = std::make_unique<Entity>(&def, nullptr);
        e->setActualArea(100);
        e->setDisplayArea(100);
        auto* wander = new ControllerMoveDirection(nullptr, nullptr);
        wander->setDirection(WGUI::randomDouble(0, 360));
        wander->setDirectionVariance(40);
        wander->setDirectionVaryAccel(90);
        wander->setSpeed(60);
        wander->setSpeedVariance(20);
        wander->setSpeedVaryAccel(30);
        wander->setAccel(200);
        e->addController(wander);
        e->addController(new ControllerStayInLevel(nullptr, nullptr));
        e->addController(new ControllerStationary(nullptr, nullptr));
        crowd.push_back(std::move(e));
    }
    for (auto _ : state)
        for (auto& e : crowd)
            e->update();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ControlledEntities)->Arg(100)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();

// One frame of the entity engine over N drifting entities of mixed sizes in a 4000 x 4000
// level, with a bounce rule so that touching pairs do real work; and the nearest-entity query.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "entity.h"
#include "entitydef.h"
#include "entityengine.h"
#include "services/collisionshapes.h"
#include "wgui_helpers.h"

using namespace Game;

namespace
{

struct Crowd
{
    explicit Crowd(int n) : engine(nullptr)
    {
        srand(42);
        def.name = "mite";
        def.intersectionShapes.push_back(new WGUI::Circle(WGUI::Vector2d(0, 0), 0.5));
        Reaction* r = new Reaction();
        r->condition = kConditionAll;
        r->effect = kEffectBounce;
        def.reactions.push_back(r);
        engine.createPartionLayers(4000, 4000);
        for (int i = 0; i < n; ++i)
        {
            Entity* e = new Entity(&def, nullptr);
            const double size = WGUI::randomDouble(2, 40);
            e->setActualArea(size * size);
            e->setDisplayArea(size * size);
            e->setPos(WGUI::Vector2d(WGUI::randomDouble(-1900, 1900), WGUI::randomDouble(-1900, 1900)));
            e->setVel(WGUI::Vector2d(WGUI::randomDouble(-50, 50), WGUI::randomDouble(-50, 50)));
            engine.addEntity(e);
        }
    }
    EntityDef def;
    EntityEngine engine;
};

class Seeker : public EntityControllerBase
{
public:
    void setEntity(Entity* e) override { entity = e; }
    Entity* getEntity() override { return entity; }
    void update(bool) override {}
    double getPriority() override { return 0; }
    bool isFirst() override { return false; }
    void doControl() override {}
    void targetDeleted(Entity*) override {}
    bool affectEntity(Entity*) override { return true; }
    Entity* entity = nullptr;
};

void BM_EngineFrame(benchmark::State& state)
{
    Crowd crowd(static_cast<int>(state.range(0)));
    for (auto _ : state)
        crowd.engine.update();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EngineFrame)->Arg(100)->Arg(1000)->Arg(4000);

void BM_ClosestEntity(benchmark::State& state)
{
    Crowd crowd(static_cast<int>(state.range(0)));
    crowd.engine.update();
    Seeker seeker;
    seeker.setEntity(crowd.engine.getEntities().front());
    for (auto _ : state)
        benchmark::DoNotOptimize(crowd.engine.getClosestEntity(&seeker, 300));
}
BENCHMARK(BM_ClosestEntity)->Arg(1000)->Arg(4000);

}  // namespace

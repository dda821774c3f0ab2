// EntityEngine: the level's entities, their frame update, partition layers and nearest queries.
#include "entityengine.h"

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cmath>

#include "controller.h"
#include "entity.h"
#include "foundation/debug.h"
#include "partition.h"
#include "services/cheats.h"
#include "wgui_input.h"
#include "wgui_window.h"

namespace Game
{

namespace
{

// The crowd from which the update walk asks for entities ahead. A smaller crowd's memory (about
// 1.6 KB an entity on the soil level: the entity, its controllers, sprite, animation and shapes)
// stays in a core's own 2 MB cache from frame to frame, and the requests would only cost time.
constexpr size_t kAskAheadCrowd = 1500;

// Asks for the lines of an entity's memory, which its update reads nearly all of.
inline void prefetchEntity(const Entity* e)
{
    const char* p = reinterpret_cast<const char*>(e);
    for (size_t off = 0; off < sizeof(Entity); off += 64)
        __builtin_prefetch(p + off);
    __builtin_prefetch(p + sizeof(Entity) - 1);  // the last line of an object that starts mid-line
}

}  // namespace

EntityEngine::EntityEngine(WGUI::Window* window) : window(window), game(dynamic_cast<GameWindowBase*>(window))
{
}

EntityEngine::~EntityEngine()
{
    while (!entities.empty())
    {
        Entity* e = entities.back();
        entities.pop_back();
        delete e;
    }
    for (PartitionLayer* l : layers)
        delete l;
    layers.clear();
}

Entity* EntityEngine::getGoo()
{
    return game ? game->getGreyGooEntity() : nullptr;
}

bool EntityEngine::createPartionLayers(double width, double height)
{
    for (PartitionLayer* l : layers)
        delete l;
    layers.clear();
    if (!(std::isfinite(width) && width > 0 && std::isfinite(height) && height > 0))
    {
        WriteDbg("entity engine: level size %g x %g is not usable; no partition layers", width, height);
        return false;
    }
    const double m = std::min(width, height);
    // The cells of all six layers together, counted before anything is allocated.
    double total = 0;
    double cell = m;
    for (int i = 0; i < kNumLayers; ++i, cell /= 2)
        total += std::ceil(width / cell) * std::ceil(height / cell);
    if (!(total <= static_cast<double>(PartitionLayer::kMaxTotalCells)))
    {
        WriteDbg("entity engine: level size %g x %g needs %.0f partition cells, more than %lld;"
                 " no partition layers",
                 width, height, total, PartitionLayer::kMaxTotalCells);
        return false;
    }
    const double left = -0.5 * width, top = -0.5 * height;
    cell = m;
    for (int i = 0; i < kNumLayers; ++i)
    {
        layers.push_back(new PartitionLayer(width, height, left, top, cell));
        cell /= 2;
    }
    for (int i = 0; i + 1 < kNumLayers; ++i)
        layers[static_cast<size_t>(i)]->setSmallerLayer(layers[static_cast<size_t>(i) + 1]);
    for (PartitionLayer* l : layers)
        l->setKinds(&kinds);
    return true;
}

void EntityEngine::addEntity(Entity* e)
{
    if (e)
        entities.push_back(e);
}

void EntityEngine::update()
{
    // Every entity's controllers and motion. A controller may add entities (shots) while this walk
    // runs: they are appended and reached by the same walk, since the end is read afresh every step.
    walked.clear();
    for (size_t i = 0; i < entities.size(); ++i)
    {
        // The entities ahead are asked for while this one updates, so that their memory is near
        // at hand when their turn comes: the one three ahead itself, the blocks the one two ahead
        // points to, and what those hold for the next one. Each step reads only pointers an
        // earlier step asked for.
        const size_t count = entities.size();
        if (count >= kAskAheadCrowd)
        {
            if (i + 1 < count)
                entities[i + 1]->prefetchOwnedParts();
            if (i + 2 < count)
                entities[i + 2]->prefetchOwnedBlocks();
            if (i + 3 < count)
                prefetchEntity(entities[i + 3]);
        }
        Entity* e = entities[i];  // the update may append to the array
        e->update();
        // An update changes its own entity alone, so what the partition reads of this one stays
        // as it is now until the re-partition below: it is read while the entity is at hand.
        walked.push_back(PartitionPlacement::of(e));
    }

    // The gravity-well cheat: while the mouse button is down everything is pulled to the goo.
    if (Cheats::hasInstance() && Cheats::instance()->getGravityWell() &&
        WGUI::Input::instance()->isLeftMouseButtonDown())
    {
        if (Entity* goo = getGoo())
        {
            const WGUI::Vector2d p = goo->getPos();
            for (Entity* e : entities)
                if (e != goo)
                    e->forceTowardsPoint(p);
            walked.clear();  // every place changed: read again below
        }
    }

    // Re-partition: each entity goes into the finest layer that takes it.
    for (PartitionLayer* l : layers)
        l->clearEntities();
    size_t partitioned = 0;
    // The entities in the list's order, from what the update walk read of them (entities are
    // only appended meanwhile, and the walk reached those too).
    if (walked.size() != entities.size())
    {
        walked.clear();
        for (Entity* e : entities)
            walked.push_back(PartitionPlacement::of(e));
    }
    for (const PartitionPlacement& p : walked)
    {
        assert(p == PartitionPlacement::of(p.entity) && "an entity's update changed another entity's place");
        for (auto l = layers.rbegin(); l != layers.rend(); ++l)
            if (p.diameter <= (*l)->getCellSize())
            {
                (*l)->addPlacement(p);
                ++partitioned;
                break;
            }
    }

    // Intersection tests in every layer, each told where the goo is.
    Entity* goo = getGoo();
    for (PartitionLayer* l : layers)
        l->setGreyGoo(goo);
    for (PartitionLayer* l : layers)
        l->checkIntersections();

    // The entities marked for deletion leave the layers, then the list, and are deleted in the
    // list's order.
    marked.clear();
    for (PartitionLayer* l : layers)
        l->removeDeleteMes(marked);
    gone.clear();
    size_t kept = 0;
    if (partitioned == entities.size())
    {
        // Every entity of the list is in a cell, so the marked ones are those the layers let go,
        // found by their addresses alone.
        if (marked.empty())
            return;
        std::sort(marked.begin(), marked.end());
        size_t left = marked.size();
        for (Entity* e : entities)
        {
            if (left > 0 && std::binary_search(marked.begin(), marked.end(), e))
            {
                gone.push_back(e);
                --left;
            }
            else
            {
                entities[kept++] = e;
            }
        }
    }
    else
    {
        for (Entity* e : entities)
        {
            if (e->getDeleteMe())
                gone.push_back(e);
            else
                entities[kept++] = e;
        }
    }
    entities.resize(kept);
    for (Entity* e : gone)
        delete e;
}

void EntityEngine::draw()
{
    Entity* goo = getGoo();
    bool gooListed = false;
    for (Entity* e : entities)
    {
        if (e == goo)
        {
            gooListed = true;
            continue;
        }
        if (!e->getEater())
            e->draw();
    }
    if (goo && gooListed && !goo->getEater())
        goo->draw();
}

bool EntityEngine::smallerEqualEntityExists(Entity* e)
{
    if (!e)
        return false;
    for (Entity* o : entities)
        if (o != e && o->getActualArea() <= e->getActualArea())
            return true;
    return false;
}

Entity* EntityEngine::getClosestEntity(EntityControllerBase* controller, double distance)
{
    Entity* e = controller ? controller->getEntity() : nullptr;
    if (!e)
        return nullptr;
    Entity* best = nullptr;
    double bestDistance = DBL_MAX;
    // The kinds the controller may accept, found once for all the layers.
    const EntityController* filters = dynamic_cast<EntityController*>(controller);
    const PartitionKinds::Mask accepted = filters ? kinds.acceptedBy(*filters) : PartitionKinds::kAll;
    if (accepted == 0)
        return nullptr;
    const WGUI::Vector2d p = e->getPos();
    const double reach = e->getRadius() + distance;
    for (PartitionLayer* l : layers)
        l->getClosestEntity(e, controller, accepted, distance, p.getX() - reach, p.getX() + reach,
                            p.getY() - reach, p.getY() + reach, best, bestDistance);
    return best;
}

Entity* EntityEngine::getClosestEntityWithArea(EntityControllerBase* controller, double distance,
                                               double minArea, double maxArea)
{
    Entity* e = controller ? controller->getEntity() : nullptr;
    if (!e)
        return nullptr;
    Entity* best = nullptr;
    double bestScore = DBL_MAX;
    const WGUI::Vector2d p = e->getPos();
    const double reach = e->getRadius() + distance;
    for (PartitionLayer* l : layers)
        l->getClosestEntityWithArea(e, controller, distance, p.getX() - reach, p.getX() + reach,
                                    p.getY() - reach, p.getY() + reach, best, bestScore, minArea, maxArea);
    return best;
}

Entity* EntityEngine::intersectFuture(EntityControllerBase* controller, double time)
{
    Entity* e = controller ? controller->getEntity() : nullptr;
    if (!e)
        return nullptr;
    const double radius = e->getRadius();
    if (!(radius > 0))
        return nullptr;  // a point has no probe width
    const WGUI::Vector2d vel = e->getVel();
    const double travel = vel.getR() * time;
    const double steps = std::ceil(travel / radius);
    if (!(steps > 0))
        return nullptr;
    const int n = steps > kMaxFutureProbes ? kMaxFutureProbes : static_cast<int>(steps);

    const WGUI::Vector2d start = e->getPos();
    const double area = e->getDisplayArea();
    e->setDisplayArea(area * 2);
    WGUI::Vector2d step = vel;
    step.setR(travel / n);
    Entity* hit = nullptr;
    for (int k = 0; k < n && !hit; ++k)
    {
        e->setPos(start + step * k);
        e->updateIntersectionShapes();
        const WGUI::Vector2d p = e->getPos();
        const double r = e->getRadius();
        for (PartitionLayer* l : layers)
        {
            hit = l->findIntersectingEntity(e, controller, p.getX() - r, p.getX() + r, p.getY() - r,
                                            p.getY() + r);
            if (hit)
                break;
        }
    }
    e->setPos(start);
    e->setDisplayArea(area);
    e->updateIntersectionShapes();
    return hit;
}

}  // namespace Game

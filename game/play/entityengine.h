// The entities of one level: owns them, steps them once a frame (update, re-partition, pair
// tests with both reactions, deletion of the marked ones), answers the controllers' spatial
// queries and draws them with the goo on top.
#pragma once

#include <vector>

#include "partition.h"
#include "wgui_vector2d.h"

namespace WGUI
{
class Window;
}

namespace Game
{

class Entity;
class EntityControllerBase;
class GameWindowBase;

class EntityEngine
{
public:
    static constexpr int kNumLayers = 6;

    explicit EntityEngine(WGUI::Window* window);
    ~EntityEngine();
    EntityEngine(const EntityEngine&) = delete;
    EntityEngine& operator=(const EntityEngine&) = delete;

    // Six layers over a level centred on the origin. Sizes that are not positive finite
    // numbers, or that would make a layer too large, make no layers (logged); false then.
    bool createPartionLayers(double width, double height);
    // The engine owns the entity from now on; null is ignored.
    void addEntity(Entity* e);
    void update();
    void draw();

    int getNumEntities() const { return static_cast<int>(entities.size()); }
    bool smallerEqualEntityExists(Entity* e);
    Entity* getClosestEntity(EntityControllerBase* controller, double distance);
    // minArea takes no part in the selection.
    Entity* getClosestEntityWithArea(EntityControllerBase* controller, double distance, double minArea,
                                     double maxArea);
    Entity* intersectFuture(EntityControllerBase* controller, double time);
    WGUI::Window* getWindow() { return window; }

    const std::vector<Entity*>& getEntities() const { return entities; }
    const std::vector<PartitionLayer*>& getLayers() const { return layers; }

    // Most probes intersectFuture makes per call.
    static constexpr int kMaxFutureProbes = 1000;

private:
    Entity* getGoo();

    WGUI::Window* window;
    GameWindowBase* game;
    std::vector<Entity*> entities;        // owned, in the order of adding
    std::vector<PartitionLayer*> layers;  // owned, coarsest first
    PartitionKinds kinds;                 // the kind numbers of all the layers
    std::vector<Entity*> marked;          // the entities the layers let go in this update
    std::vector<Entity*> gone;            // the entities this update deletes, in the list's order
    // What the partition reads of the entities of this update's walk, in its order.
    std::vector<PartitionPlacement> walked;
};

}  // namespace Game

// One uniform grid over the level: square cells, each holding (without owning) the entities
// whose centre lies in it. The engine keeps six of them, cells halving from one to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Game
{

class Entity;
class EntityController;
class EntityControllerBase;
class EntityDef;

// The kinds (definitions) of the partitioned entities, numbered in the order they are first met,
// so that a search can tell a controller's kinds by a bit mask and pass over the others without
// reading the entities. Numbers stay for the life of the table; kinds beyond the 63rd share the
// last number, which every mask accepts (such entities are then checked one by one).
class PartitionKinds
{
public:
    using Mask = std::uint64_t;
    static constexpr int kShared = 63;
    static constexpr Mask kAll = ~Mask(0);

    int numberOf(const EntityDef* def);
    // The kinds that EntityController::mayAffectKind admits, and the shared number whenever it
    // is in use.
    Mask acceptedBy(const EntityController& c) const;

private:
    std::vector<const EntityDef*> defs;  // by number, at most kShared of them
    bool sharedUsed = false;
    const EntityDef* lastDef = nullptr;
    int lastNumber = -1;
};

// What a layer reads of an entity to place it: where it is, how wide, its kind, and whether it
// reacts to nothing or to the goo alone.
struct PartitionPlacement
{
    Entity* entity = nullptr;
    double x = 0, y = 0;
    double diameter = 0;
    const EntityDef* def = nullptr;
    bool quiet = false;
    bool gooOnly = false;

    static PartitionPlacement of(Entity* e);
    bool operator==(const PartitionPlacement& o) const;
};

class PartitionLayer
{
public:
    // A cell's entities in the order they were added. A vector keeps its room from frame to
    // frame, so refilling the cells allocates nothing once the crowd has settled.
    using Cell = std::vector<Entity*>;

    // Bound on the cells of one layer, and on the cells of all six layers together: the
    // engine refuses level sizes that would exceed it (a long thin level has many small cells
    // along its long side). Levels of any sensible shape stay far below it: 2000 x 1000 needs
    // 2,730 cells in all, a 32:1 strip about 44,000.
    static constexpr long long kMaxCells = 1LL << 18;
    static constexpr long long kMaxTotalCells = 1LL << 18;

    PartitionLayer(double width, double height, double left, double top, double cellSize);
    ~PartitionLayer();
    PartitionLayer(const PartitionLayer&) = delete;
    PartitionLayer& operator=(const PartitionLayer&) = delete;

    void setSmallerLayer(PartitionLayer* l) { smaller = l; }
    // The kind table the layer numbers its entities with (by default its own); the engine gives
    // all its layers one table, so that one mask serves every layer of a search.
    void setKinds(PartitionKinds* k) { kinds = k ? k : &ownKinds; }
    PartitionLayer* getSmallerLayer() const { return smaller; }
    void setGreyGoo(Entity* g) { goo = g; }

    // False when the entity is wider than a cell.
    bool addEntity(Entity* e);
    // The same for an entity the caller has found no wider than a cell.
    void addFittingEntity(Entity* e);
    // The same from what was read of the entity (its diameter no wider than a cell).
    void addPlacement(const PartitionPlacement& p);
    void clearEntities();
    void removeDeleteMes();
    // The same, appending the entities removed to `removed`.
    void removeDeleteMes(std::vector<Entity*>& removed);
    void checkIntersections();
    void checkIntersectionsEntity(Entity* e, int x, int y);
    // Box relative to the layer's corner.
    void checkIntersectionSmallerLayer(Entity* e, double x0, double x1, double y0, double y1);
    void checkIntersectionDoCollision(Entity* a, Entity* b);

    // Query halves; boxes in level coordinates.
    void getClosestEntity(Entity* e, EntityControllerBase* c, double distance, double x0, double x1,
                          double y0, double y1, Entity*& best, double& bestDistance);
    // The same, given the mask of this layer's kind table that the controller may accept
    // (PartitionKinds::acceptedBy for a level's controller, kAll for any other).
    void getClosestEntity(Entity* e, EntityControllerBase* c, PartitionKinds::Mask accepted, double distance,
                          double x0, double x1, double y0, double y1, Entity*& best, double& bestDistance);
    void getClosestEntityWithArea(Entity* e, EntityControllerBase* c, double distance, double x0, double x1,
                                  double y0, double y1, Entity*& best, double& bestScore, double minArea,
                                  double maxArea);
    Entity* findIntersectingEntity(Entity* e, EntityControllerBase* c, double x0, double x1, double y0,
                                   double y1);

    // The cell of a point (level coordinates), clamped into the grid.
    void cellOf(double x, double y, int& cx, int& cy) const;
    // The cell range of a box relative to the corner: one cell of margin, clamped.
    void cellRange(double x0, double x1, double y0, double y1, int& cx0, int& cx1, int& cy0, int& cy1) const;

    Cell& cell(int x, int y) { return cells[static_cast<size_t>(x) + static_cast<size_t>(y) * numX]; }
    // How many entities of this layer can react to a touch.
    int getReactiveCount() const { return reactiveTotal; }
    int getNumX() const { return numX; }
    int getNumY() const { return numY; }
    double getCellSize() const { return cellSize; }
    double getLeft() const { return left; }
    double getTop() const { return top; }

private:
    // Truncation toward zero of a cell coordinate (in cells), kept within -1 .. hi + 1 before
    // the conversion; NaN gives 0.
    static int toCell(double v, int hi);

    size_t cellIndex(int x, int y) const { return static_cast<size_t>(x) + static_cast<size_t>(y) * numX; }
    // Whether this layer or a finer one holds an entity that can react to a touch.
    bool reactiveFromHere() const;
    void checkSmallerLayer(Entity* e, bool quiet, double x0, double x1, double y0, double y1);
    void collide(Entity* a, Entity* b, bool bothQuiet);
    void neighbourCell(Entity* e, bool quiet, int x, int y);

    // Per entry of a cell: its kind number (low six bits), whether it reacts to nothing and
    // whether it meets the goo alone.
    static constexpr std::uint8_t kQuiet = 0x80;
    static constexpr std::uint8_t kGooOnly = 0x40;
    static constexpr std::uint8_t kKindBits = 0x3f;

    std::vector<Cell> cells;  // one block of numX × numY lists, element (x, y) at x + y·numX
    // Per cell, how many of its entities can react to a touch (all but plain entities whose
    // definition has no reaction rules); a pair of two that cannot is never tested.
    std::vector<int> reactive;
    // Per cell, one entry per entity (kind number and quiet flag), and the kinds it holds.
    std::vector<std::vector<std::uint8_t>> tags;
    std::vector<PartitionKinds::Mask> cellKinds;
    PartitionKinds::Mask layerKinds = 0;  // every kind placed since the last clearing
    int reactiveTotal = 0;
    PartitionKinds ownKinds;
    PartitionKinds* kinds = &ownKinds;
    double cellSize;
    int numX = 0, numY = 0;
    double left, top;
    PartitionLayer* smaller = nullptr;
    Entity* goo = nullptr;
};

}  // namespace Game

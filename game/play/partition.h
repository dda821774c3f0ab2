// One uniform grid over the level: square cells, each holding (without owning) the entities
// whose centre lies in it. The engine keeps six of them, cells halving from one to the next.
#pragma once

#include <cstddef>
#include <vector>

namespace Game
{

class Entity;
class EntityControllerBase;

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
    PartitionLayer* getSmallerLayer() const { return smaller; }
    void setGreyGoo(Entity* g) { goo = g; }

    // False when the entity is wider than a cell.
    bool addEntity(Entity* e);
    void clearEntities();
    void removeDeleteMes();
    void checkIntersections();
    void checkIntersectionsEntity(Entity* e, int x, int y);
    // Box relative to the layer's corner.
    void checkIntersectionSmallerLayer(Entity* e, double x0, double x1, double y0, double y1);
    void checkIntersectionDoCollision(Entity* a, Entity* b);

    // Query halves; boxes in level coordinates.
    void getClosestEntity(Entity* e, EntityControllerBase* c, double distance, double x0, double x1,
                          double y0, double y1, Entity*& best, double& bestDistance);
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

    std::vector<Cell> cells;  // one block of numX × numY lists, element (x, y) at x + y·numX
    // Per cell, how many of its entities can react to a touch (all but plain entities whose
    // definition has no reaction rules); a pair of two that cannot is never tested.
    std::vector<int> reactive;
    double cellSize;
    int numX = 0, numY = 0;
    double left, top;
    PartitionLayer* smaller = nullptr;
    Entity* goo = nullptr;
};

}  // namespace Game

// PartitionLayer: one grid of cells over the level and the intersection tests within it.
#include "partition.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <typeinfo>

#include "controller.h"
#include "entity.h"
#include "entitydef.h"

namespace Game
{

namespace
{

// An entity of the plain kind whose definition has no reaction rules does nothing when it touches
// another: its collisionReaction finds no effect, and its intersection tests only read. A pair of
// two such entities can be passed over without testing it, with the same outcome.
bool reactsToNothing(Entity* e)
{
    if (typeid(*e) != typeid(Entity))
        return false;
    const EntityDef* def = e->getEntityDef();
    return !def || def->reactions.empty();
}

bool pairDoesNothing(Entity* a, Entity* b)
{
    return reactsToNothing(a) && reactsToNothing(b);
}

}  // namespace

PartitionLayer::PartitionLayer(double width, double height, double left, double top, double cellSize)
    : cellSize(cellSize), left(left), top(top)
{
    // The engine checks the sizes; a degenerate layer still gets one cell so that every
    // lookup stays inside the grid.
    double nx = cellSize > 0 ? std::ceil(width / cellSize) : 1;
    double ny = cellSize > 0 ? std::ceil(height / cellSize) : 1;
    if (!(nx >= 1) || nx > kMaxCells)
        nx = 1;
    if (!(ny >= 1) || ny > kMaxCells)
        ny = 1;
    if (nx * ny > kMaxCells)
        nx = ny = 1;
    numX = static_cast<int>(nx);
    numY = static_cast<int>(ny);
    cells.resize(static_cast<size_t>(numX) * static_cast<size_t>(numY));
    reactive.assign(cells.size(), 0);
}

PartitionLayer::~PartitionLayer()
{
}

int PartitionLayer::toCell(double v, int hi)
{
    // Clamp in double before converting: NaN and huge values must not reach the int cast.
    if (std::isnan(v))
        return 0;
    if (v < -1.0)
        v = -1.0;
    if (v > static_cast<double>(hi) + 1.0)
        v = static_cast<double>(hi) + 1.0;
    return static_cast<int>(v);  // truncation toward zero
}

void PartitionLayer::cellOf(double x, double y, int& cx, int& cy) const
{
    cx = toCell((x - left) / cellSize, numX - 1);
    cy = toCell((y - top) / cellSize, numY - 1);
    if (cx < 0)
        cx = 0;
    if (cx > numX - 1)
        cx = numX - 1;
    if (cy < 0)
        cy = 0;
    if (cy > numY - 1)
        cy = numY - 1;
}

void PartitionLayer::cellRange(double x0, double x1, double y0, double y1, int& cx0, int& cx1, int& cy0,
                               int& cy1) const
{
    cx0 = toCell(x0 / cellSize, numX - 1) - 1;
    cx1 = toCell(x1 / cellSize, numX - 1) + 1;
    cy0 = toCell(y0 / cellSize, numY - 1) - 1;
    cy1 = toCell(y1 / cellSize, numY - 1) + 1;
    auto clamp = [](int& v, int hi)
    {
        if (v < 0)
            v = 0;
        if (v > hi)
            v = hi;
    };
    clamp(cx0, numX - 1);
    clamp(cx1, numX - 1);
    clamp(cy0, numY - 1);
    clamp(cy1, numY - 1);
}

bool PartitionLayer::addEntity(Entity* e)
{
    if (!(e->getDiameter() <= cellSize))
        return false;
    int cx, cy;
    WGUI::Vector2d p = e->getPos();
    cellOf(p.getX(), p.getY(), cx, cy);
    cell(cx, cy).push_back(e);
    if (!reactsToNothing(e))
        ++reactive[cellIndex(cx, cy)];
    return true;
}

void PartitionLayer::clearEntities()
{
    for (Cell& c : cells)
        c.clear();
    reactive.assign(cells.size(), 0);
}

void PartitionLayer::removeDeleteMes()
{
    for (size_t i = 0; i < cells.size(); ++i)
    {
        Cell& c = cells[i];
        c.erase(std::remove_if(c.begin(), c.end(), [](Entity* e) { return e->getDeleteMe(); }), c.end());
        reactive[i] = 0;
        for (Entity* e : cells[i])
            if (!reactsToNothing(e))
                ++reactive[i];
    }
}

void PartitionLayer::checkIntersectionDoCollision(Entity* a, Entity* b)
{
    if (pairDoesNothing(a, b))
        return;
    if (!a->checkIntersection(b))
        return;
    if (goo && a == goo)
    {
        a->collisionReaction(b);
        b->collisionReaction(a);
    }
    else
    {
        b->collisionReaction(a);
        a->collisionReaction(b);
    }
}

void PartitionLayer::checkIntersectionsEntity(Entity* e, int x, int y)
{
    if (x < 0 || y < 0 || x >= numX || y >= numY)
        return;
    if (reactive[cellIndex(x, y)] == 0 && reactsToNothing(e))
        return;
    for (Entity* o : cell(x, y))
        if (!pairDoesNothing(e, o) && e->checkIntersection(o))
            checkIntersectionDoCollision(e, o);
}

void PartitionLayer::checkIntersectionSmallerLayer(Entity* e, double x0, double x1, double y0, double y1)
{
    int cx0, cx1, cy0, cy1;
    cellRange(x0, x1, y0, y1, cx0, cx1, cy0, cy1);
    const bool quiet = reactsToNothing(e);
    for (int y = cy0; y <= cy1; ++y)
        for (int x = cx0; x <= cx1; ++x)
        {
            if (quiet && reactive[cellIndex(x, y)] == 0)
                continue;
            for (Entity* o : cell(x, y))
                checkIntersectionDoCollision(e, o);
        }
    if (smaller)
        smaller->checkIntersectionSmallerLayer(e, x0, x1, y0, y1);
}

void PartitionLayer::checkIntersections()
{
    for (int y = 0; y < numY; ++y)
    {
        for (int x = 0; x < numX; ++x)
        {
            Cell& c = cell(x, y);
            for (auto it = c.begin(); it != c.end(); ++it)
            {
                Entity* e = *it;
                if (e->getGooReactionOnly())
                {
                    if (goo && e->checkIntersection(goo))
                    {
                        goo->collisionReaction(e);
                        e->collisionReaction(goo);
                    }
                    continue;
                }
                // Later entities of the same cell, from the back towards e (none of them can
                // react to a quiet e when the cell holds nothing that reacts).
                if (reactive[cellIndex(x, y)] > 0 || !reactsToNothing(e))
                    for (auto back = c.end(); --back != it;)
                        checkIntersectionDoCollision(e, *back);
                checkIntersectionsEntity(e, x + 1, y - 1);
                checkIntersectionsEntity(e, x + 1, y);
                checkIntersectionsEntity(e, x + 1, y + 1);
                checkIntersectionsEntity(e, x, y + 1);
                if (smaller)
                {
                    const WGUI::Vector2d p = e->getPos();
                    const double r = e->getRadius();
                    smaller->checkIntersectionSmallerLayer(e, p.getX() - r - left, p.getX() + r - left,
                                                           p.getY() - r - top, p.getY() + r - top);
                }
            }
        }
    }
}

void PartitionLayer::getClosestEntity(Entity* e, EntityControllerBase* c, double distance, double x0,
                                      double x1, double y0, double y1, Entity*& best, double& bestDistance)
{
    int cx0, cx1, cy0, cy1;
    cellRange(x0 - left, x1 - left, y0 - top, y1 - top, cx0, cx1, cy0, cy1);
    const WGUI::Vector2d p = e->getPos();
    const double radius = e->getRadius();
    // The level's controllers accept only the kinds their filters name: entities of other kinds
    // could never be chosen, so they are passed over before anything is measured.
    const EntityController* kinds = dynamic_cast<EntityController*>(c);
    for (int y = cy0; y <= cy1; ++y)
    {
        for (int x = cx0; x <= cx1; ++x)
        {
            for (Entity* o : cell(x, y))
            {
                if (o == e || o->getBeingEaten() || o->getDeleteMe())
                    continue;
                if (kinds && !kinds->mayAffectKind(o->getEntityDef()))
                    continue;
                const WGUI::Vector2d between = p - o->getPos();
                const double reach = radius + o->getRadius();
                // A candidate counts only with a gap below both the distance and the best so far.
                // When the squared lengths show that the centres lie certainly farther apart than
                // that limit plus the reach, the gap (rounded as below) cannot be under the limit.
                const double limit = bestDistance < distance ? bestDistance : distance;
                if (between.compareRSquared(limit + reach) > 0)
                    continue;
                const double d = between.getR() - reach;
                if (d < distance && d < bestDistance && c->affectEntity(o))
                {
                    best = o;
                    bestDistance = d;
                }
            }
        }
    }
}

void PartitionLayer::getClosestEntityWithArea(Entity* e, EntityControllerBase* c, double distance, double x0,
                                              double x1, double y0, double y1, Entity*& best,
                                              double& bestScore, double /*minArea*/, double maxArea)
{
    int cx0, cx1, cy0, cy1;
    cellRange(x0 - left, x1 - left, y0 - top, y1 - top, cx0, cx1, cy0, cy1);
    for (int y = cy0; y <= cy1; ++y)
    {
        for (int x = cx0; x <= cx1; ++x)
        {
            for (Entity* o : cell(x, y))
            {
                if (o == e || o->getBeingEaten() || o->getDeleteMe())
                    continue;
                if (!(o->getActualArea() < maxArea))
                    continue;
                if (!o->getEntityDef() || !o->getEntityDef()->edible)
                    continue;
                if (o->getOutOfBoundsFor() > 0)
                    continue;
                const double d = (e->getPos() - o->getPos()).getR() - (e->getRadius() + o->getRadius());
                const double score = d + 100 * (e->getActualArea() / o->getActualArea());
                if (d < distance && score < bestScore && c->affectEntity(o))
                {
                    best = o;
                    bestScore = score;
                }
            }
        }
    }
}

Entity* PartitionLayer::findIntersectingEntity(Entity* e, EntityControllerBase* c, double x0, double x1,
                                               double y0, double y1)
{
    int cx0, cx1, cy0, cy1;
    cellRange(x0 - left, x1 - left, y0 - top, y1 - top, cx0, cx1, cy0, cy1);
    for (int y = cy0; y <= cy1; ++y)
        for (int x = cx0; x <= cx1; ++x)
            for (Entity* o : cell(x, y))
            {
                if (o == e || o->getBeingEaten() || o->getDeleteMe())
                    continue;
                if (e->checkRoughIntersection(o) && c->affectEntity(o) && e->checkIntersection(o))
                    return o;
            }
    return nullptr;
}

}  // namespace Game

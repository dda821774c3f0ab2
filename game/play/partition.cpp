// PartitionLayer: one grid of cells over the level and the intersection tests within it.
#include "partition.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
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

PartitionPlacement PartitionPlacement::of(Entity* e)
{
    PartitionPlacement p;
    p.entity = e;
    const WGUI::Vector2d at = e->getPos();
    p.x = at.getX();
    p.y = at.getY();
    p.diameter = e->getDiameter();
    p.def = e->getEntityDef();
    p.quiet = reactsToNothing(e);
    p.gooOnly = e->getGooReactionOnly();
    return p;
}

bool PartitionPlacement::operator==(const PartitionPlacement& o) const
{
    // Bit for bit: the same doubles, not merely equal ones.
    return entity == o.entity && std::memcmp(&x, &o.x, sizeof x) == 0 &&
           std::memcmp(&y, &o.y, sizeof y) == 0 &&
           std::memcmp(&diameter, &o.diameter, sizeof diameter) == 0 && def == o.def && quiet == o.quiet &&
           gooOnly == o.gooOnly;
}

int PartitionKinds::numberOf(const EntityDef* def)
{
    if (def == lastDef && lastNumber >= 0)
        return lastNumber;
    int n = kShared;
    for (size_t i = 0; i < defs.size(); ++i)
        if (defs[i] == def)
        {
            n = static_cast<int>(i);
            break;
        }
    if (n == kShared)
    {
        if (defs.size() < static_cast<size_t>(kShared))
        {
            n = static_cast<int>(defs.size());
            defs.push_back(def);
        }
        else
        {
            sharedUsed = true;
        }
    }
    lastDef = def;
    lastNumber = n;
    return n;
}

PartitionKinds::Mask PartitionKinds::acceptedBy(const EntityController& c) const
{
    Mask m = sharedUsed ? Mask(1) << kShared : 0;
    for (size_t i = 0; i < defs.size(); ++i)
        if (c.mayAffectKind(defs[i]))
            m |= Mask(1) << i;
    return m;
}

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
    tags.resize(cells.size());
    cellKinds.assign(cells.size(), 0);
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
    addFittingEntity(e);
    return true;
}

void PartitionLayer::addFittingEntity(Entity* e)
{
    addPlacement(PartitionPlacement::of(e));
}

void PartitionLayer::addPlacement(const PartitionPlacement& p)
{
    int cx, cy;
    cellOf(p.x, p.y, cx, cy);
    const size_t i = cellIndex(cx, cy);
    cells[i].push_back(p.entity);
    const int kind = kinds->numberOf(p.def);
    tags[i].push_back(static_cast<std::uint8_t>(kind | (p.quiet ? kQuiet : 0) | (p.gooOnly ? kGooOnly : 0)));
    cellKinds[i] |= PartitionKinds::Mask(1) << kind;
    layerKinds |= PartitionKinds::Mask(1) << kind;
    if (!p.quiet)
    {
        ++reactive[i];
        ++reactiveTotal;
    }
}

void PartitionLayer::clearEntities()
{
    for (size_t i = 0; i < cells.size(); ++i)
    {
        if (cells[i].empty())
            continue;
        cells[i].clear();
        tags[i].clear();
        reactive[i] = 0;
        cellKinds[i] = 0;
    }
    reactiveTotal = 0;
    layerKinds = 0;
}

void PartitionLayer::removeDeleteMes()
{
    std::vector<Entity*> removed;
    removeDeleteMes(removed);
}

void PartitionLayer::removeDeleteMes(std::vector<Entity*>& removed)
{
    for (size_t i = 0; i < cells.size(); ++i)
    {
        Cell& c = cells[i];
        std::vector<std::uint8_t>& t = tags[i];
        size_t kept = 0;
        for (size_t k = 0; k < c.size(); ++k)
        {
            if (c[k]->getDeleteMe())
            {
                removed.push_back(c[k]);
                if (!(t[k] & kQuiet))
                {
                    --reactive[i];
                    --reactiveTotal;
                }
                continue;
            }
            c[kept] = c[k];
            t[kept] = t[k];
            ++kept;
        }
        if (kept == c.size())
            continue;
        c.resize(kept);
        t.resize(kept);
        PartitionKinds::Mask m = 0;
        for (std::uint8_t tag : t)
            m |= PartitionKinds::Mask(1) << (tag & kKindBits);
        cellKinds[i] = m;
    }
}

bool PartitionLayer::reactiveFromHere() const
{
    for (const PartitionLayer* l = this; l; l = l->smaller)
        if (l->reactiveTotal > 0)
            return true;
    return false;
}

void PartitionLayer::checkIntersectionDoCollision(Entity* a, Entity* b)
{
    collide(a, b, pairDoesNothing(a, b));
}

void PartitionLayer::collide(Entity* a, Entity* b, bool bothQuiet)
{
    if (bothQuiet)
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
    checkSmallerLayer(e, reactsToNothing(e), x0, x1, y0, y1);
}

void PartitionLayer::checkSmallerLayer(Entity* e, bool quiet, double x0, double x1, double y0, double y1)
{
    // A quiet entity has nothing to do with the quiet ones: layers without anything that reacts
    // are passed over whole.
    if (quiet && !reactiveFromHere())
        return;
    if (!quiet || reactiveTotal > 0)
    {
        int cx0, cx1, cy0, cy1;
        cellRange(x0, x1, y0, y1, cx0, cx1, cy0, cy1);
        for (int y = cy0; y <= cy1; ++y)
            for (int x = cx0; x <= cx1; ++x)
            {
                const size_t i = cellIndex(x, y);
                if (quiet && reactive[i] == 0)
                    continue;
                const Cell& c = cells[i];
                const std::vector<std::uint8_t>& t = tags[i];
                for (size_t k = 0; k < c.size(); ++k)
                    collide(e, c[k], quiet && (t[k] & kQuiet));
            }
    }
    if (smaller)
        smaller->checkSmallerLayer(e, quiet, x0, x1, y0, y1);
}

void PartitionLayer::checkIntersections()
{
    // Whether the finer layers hold anything that reacts; when they do not, a quiet entity of
    // this layer has nothing to meet there.
    const bool finerReactive = smaller && smaller->reactiveFromHere();
    for (int y = 0; y < numY; ++y)
    {
        for (int x = 0; x < numX; ++x)
        {
            const size_t ci = cellIndex(x, y);
            Cell& c = cells[ci];
            const std::vector<std::uint8_t>& t = tags[ci];
            const size_t n = c.size();
            // The cells are walked in the order of their index: the entities of the next cell
            // that will be read (every one when the finer layers hold something that reacts, else
            // those that react) are asked for while this one's are tested.
            if (ci + 1 < cells.size())
            {
                const Cell& nc = cells[ci + 1];
                const std::vector<std::uint8_t>& nt = tags[ci + 1];
                for (size_t k = 0; k < nc.size(); ++k)
                    if (finerReactive || !(nt[k] & kQuiet) || (nt[k] & kGooOnly))
                        nc[k]->prefetchPlace();
            }
            for (size_t k = 0; k < n; ++k)
            {
                const std::uint8_t tag = t[k];
                const bool quiet = (tag & kQuiet) != 0;
                // A quiet entity where nothing near it can react has nothing to meet.
                if (quiet && !(tag & kGooOnly) && reactiveTotal == 0 && !finerReactive)
                    continue;
                Entity* e = c[k];
                if (tag & kGooOnly)
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
                if (reactive[ci] > 0 || !quiet)
                    for (size_t b = n - 1; b > k; --b)
                        collide(e, c[b], quiet && (t[b] & kQuiet));
                if (reactiveTotal > 0 || !quiet)
                {
                    neighbourCell(e, quiet, x + 1, y - 1);
                    neighbourCell(e, quiet, x + 1, y);
                    neighbourCell(e, quiet, x + 1, y + 1);
                    neighbourCell(e, quiet, x, y + 1);
                }
                if (smaller && (finerReactive || !quiet))
                {
                    const WGUI::Vector2d p = e->getPos();
                    const double r = e->getRadius();
                    smaller->checkSmallerLayer(e, quiet, p.getX() - r - left, p.getX() + r - left,
                                               p.getY() - r - top, p.getY() + r - top);
                }
            }
        }
    }
}

void PartitionLayer::neighbourCell(Entity* e, bool quiet, int x, int y)
{
    if (x < 0 || y < 0 || x >= numX || y >= numY)
        return;
    const size_t i = cellIndex(x, y);
    if (quiet && reactive[i] == 0)
        return;
    const Cell& c = cells[i];
    const std::vector<std::uint8_t>& t = tags[i];
    for (size_t k = 0; k < c.size(); ++k)
    {
        const bool bothQuiet = quiet && (t[k] & kQuiet);
        if (!bothQuiet && e->checkIntersection(c[k]))
            collide(e, c[k], false);
    }
}

void PartitionLayer::getClosestEntity(Entity* e, EntityControllerBase* c, double distance, double x0,
                                      double x1, double y0, double y1, Entity*& best, double& bestDistance)
{
    const EntityController* filters = dynamic_cast<EntityController*>(c);
    getClosestEntity(e, c, filters ? kinds->acceptedBy(*filters) : PartitionKinds::kAll, distance, x0, x1, y0,
                     y1, best, bestDistance);
}

void PartitionLayer::getClosestEntity(Entity* e, EntityControllerBase* c, PartitionKinds::Mask accepted,
                                      double distance, double x0, double x1, double y0, double y1,
                                      Entity*& best, double& bestDistance)
{
    if (!(layerKinds & accepted))
        return;
    int cx0, cx1, cy0, cy1;
    cellRange(x0 - left, x1 - left, y0 - top, y1 - top, cx0, cx1, cy0, cy1);
    const WGUI::Vector2d p = e->getPos();
    const double radius = e->getRadius();
    // The level's controllers accept only the kinds their filters name: entities of other kinds
    // could never be chosen, so cells without an accepted kind are passed over, and in the
    // others entities of other kinds are, before anything of them is read. Kinds that share the
    // last number are told apart one by one.
    const EntityController* filters = dynamic_cast<EntityController*>(c);
    for (int y = cy0; y <= cy1; ++y)
    {
        for (int x = cx0; x <= cx1; ++x)
        {
            const size_t i = cellIndex(x, y);
            if (!(cellKinds[i] & accepted))
                continue;
            const Cell& cl = cells[i];
            const std::vector<std::uint8_t>& t = tags[i];
            for (size_t k = 0; k < cl.size(); ++k)
            {
                const int kind = t[k] & kKindBits;
                if (!((accepted >> kind) & 1))
                    continue;
                Entity* o = cl[k];
                if (o == e || o->getBeingEaten() || o->getDeleteMe())
                    continue;
                if (kind == PartitionKinds::kShared && filters && !filters->mayAffectKind(o->getEntityDef()))
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

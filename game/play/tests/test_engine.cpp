// Partition layers and the entity engine: layer geometry, placement, the pair walk and the
// order of the two reactions, goo-only entities, queries, the frame step, deletion and drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>

#include "controller.h"
#include "entityfixture.h"
#include "reaction.h"
#include "services/cheats.h"
#include "wgui_helpers.h"
#include "wgui_input.h"

using namespace Game;

using playtest::EntityTest;
using playtest::ScriptedController;
using WGUI::Vector2d;

namespace
{

// Records its reactions and draws into a shared log.
class LoggingEntity : public Entity
{
public:
    LoggingEntity(EntityDef* def, WGUI::Window* w, std::string name, std::vector<std::string>* log)
        : Entity(def, w), name(std::move(name)), log(log)
    {
    }
    void collisionReaction(Entity* other) override
    {
        auto* o = dynamic_cast<LoggingEntity*>(other);
        log->push_back(name + ">" + (o ? o->name : "?"));
        Entity::collisionReaction(other);
    }
    void draw() override
    {
        log->push_back("draw " + name);
        Entity::draw();
    }
    std::string name;
    std::vector<std::string>* log;
};

class EngineTest : public EntityTest
{
protected:
    void SetUp() override
    {
        EntityTest::SetUp();
        engine = std::make_unique<EntityEngine>(game.get());
        ASSERT_TRUE(engine->createPartionLayers(2000, 1000));
    }
    void TearDown() override
    {
        engine.reset();
        EntityTest::TearDown();
    }

    LoggingEntity* Add(EntityDef* def, const std::string& name, double area, double x, double y)
    {
        auto* e = new LoggingEntity(def, game.get(), name, &log);
        e->setActualArea(area);
        e->setDisplayArea(area);
        e->setPos(Vector2d(x, y));
        e->updateIntersectionShapes();
        engine->addEntity(e);
        return e;
    }

    int LayerOf(Entity* e)
    {
        const auto& layers = engine->getLayers();
        for (size_t i = 0; i < layers.size(); ++i)
            for (int y = 0; y < layers[i]->getNumY(); ++y)
                for (int x = 0; x < layers[i]->getNumX(); ++x)
                    for (Entity* o : layers[i]->cell(x, y))
                        if (o == e)
                            return static_cast<int>(i);
        return -1;
    }

    std::unique_ptr<EntityEngine> engine;
    std::vector<std::string> log;
};

TEST_F(EngineTest, LayerGeometry)
{
    const auto& layers = engine->getLayers();
    ASSERT_EQ(layers.size(), 6u);
    const int nx[] = {2, 4, 8, 16, 32, 64};
    const int ny[] = {1, 2, 4, 8, 16, 32};
    const double cell[] = {1000, 500, 250, 125, 62.5, 31.25};
    for (size_t i = 0; i < 6; ++i)
    {
        EXPECT_EQ(layers[i]->getNumX(), nx[i]);
        EXPECT_EQ(layers[i]->getNumY(), ny[i]);
        EXPECT_DOUBLE_EQ(layers[i]->getCellSize(), cell[i]);
        EXPECT_DOUBLE_EQ(layers[i]->getLeft(), -1000);
        EXPECT_DOUBLE_EQ(layers[i]->getTop(), -500);
        EXPECT_EQ(layers[i]->getSmallerLayer(), i < 5 ? layers[i + 1] : nullptr);
    }
}

TEST_F(EngineTest, LevelShapesWithinTheCellBoundMakeLayers)
{
    // Every layer's cells are counted against one bound; shapes up to far beyond any level
    // the game ships still get their six layers.
    struct Case
    {
        double w, h;
    };
    const Case cases[] = {{2000, 1000}, {4096, 600}, {3200, 100}, {100, 3200}, {1, 1}};
    for (const Case& c : cases)
    {
        EntityEngine e(game.get());
        ASSERT_TRUE(e.createPartionLayers(c.w, c.h)) << c.w << " x " << c.h;
        long long total = 0;
        for (PartitionLayer* l : e.getLayers())
            total += static_cast<long long>(l->getNumX()) * l->getNumY();
        EXPECT_LE(total, PartitionLayer::kMaxTotalCells) << c.w << " x " << c.h;
        EXPECT_EQ(e.getLayers().size(), 6u);
    }
}

TEST_F(EngineTest, UnusableLevelSizesMakeNoLayers)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        double w, h;
    };
    // Long thin levels: about a million cells (800 x 1) or 5.6 million (4096 x 1) over the
    // six layers, refused before anything is allocated.
    const Case cases[] = {{0, 100}, {100, 0}, {-5, 100}, {nan, 100}, {100, inf},
                          {1e9, 1}, {800, 1}, {1, 800},  {4096, 1},  {20000, 30}};
    for (const Case& c : cases)
    {
        EntityEngine e(game.get());
        EXPECT_FALSE(e.createPartionLayers(c.w, c.h)) << c.w << " x " << c.h;
        EXPECT_TRUE(e.getLayers().empty());
        e.addEntity(new Entity(MakeDef("x"), game.get()));
        e.update();  // no layers: updates, no tests
        EXPECT_EQ(e.getNumEntities(), 1);
    }
}

TEST_F(EngineTest, PlacementByDiameter)
{
    EntityDef* def = MakeDef("p");
    struct Case
    {
        double diameter;
        int layer;
    };
    const Case cases[] = {{31.25, 5}, {31.26, 4}, {10, 5}, {62.5, 4}, {500, 1}, {1000, 0}, {1000.5, -1}};
    for (const Case& c : cases)
    {
        // Area for a square entity of that diameter: side d / sqrt(2).
        const double side = c.diameter / std::sqrt(2.0);
        Entity* e = Add(def, "e", side * side, 0, 0);
        e->setDisplayArea(side * side);
        engine->update();
        EXPECT_NEAR(e->getDiameter(), c.diameter, 1e-9);
        EXPECT_EQ(LayerOf(e), c.layer) << c.diameter;
    }
}

TEST_F(EngineTest, CellOfPointsOutsideAndNotANumber)
{
    PartitionLayer* fine = engine->getLayers()[5];
    struct Case
    {
        double x, y;
        int cx, cy;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {{-1001, 0, 0, 16},       {-1000, -500, 0, 0}, {999.99, 499.99, 63, 31},
                          {1e300, -1e300, 63, 0},  {nan, nan, 0, 0},    {-1000 + 31.25, 0, 1, 16},
                          {-1000 + 31.2, 0, 0, 16}};
    for (const Case& c : cases)
    {
        int cx = -7, cy = -7;
        fine->cellOf(c.x, c.y, cx, cy);
        EXPECT_EQ(cx, c.cx) << c.x;
        EXPECT_EQ(cy, c.cy) << c.y;
    }
    // Box ranges add a cell each way and clamp.
    int x0, x1, y0, y1;
    fine->cellRange(100, 200, -50, 40, x0, x1, y0, y1);
    EXPECT_EQ(x0, 2);
    EXPECT_EQ(x1, 7);
    EXPECT_EQ(y0, 0);
    EXPECT_EQ(y1, 2);
}

TEST_F(EngineTest, PairOrderTable)
{
    EntityDef* def = MakeDef("o");
    struct Case
    {
        bool gooIsA, gooIsB;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {false, false, {"B>A", "A>B"}},
        {true, false, {"A>B", "B>A"}},
        {false, true, {"B>A", "A>B"}},
    };
    for (const Case& c : cases)
    {
        engine = std::make_unique<EntityEngine>(game.get());
        engine->createPartionLayers(2000, 1000);
        log.clear();
        LoggingEntity* a = Add(def, "A", 100, 0, 0);
        LoggingEntity* b = Add(def, "B", 100, 5, 0);
        game->goo = c.gooIsA ? a : c.gooIsB ? b : nullptr;
        engine->update();
        EXPECT_EQ(log, c.order);
        game->goo = nullptr;
    }
}

TEST_F(EngineTest, NeighbourCellsAndFinerLayersReactSecondFirst)
{
    EntityDef* def = MakeDef("n");
    // A big entity in a coarse layer meets a small one in the finest: the small one (the
    // second of the pair) reacts first.
    Add(def, "big", 200 * 200, 0, 0);
    Add(def, "small", 4, 60, 0);
    engine->update();
    EXPECT_EQ(log, (std::vector<std::string>{"small>big", "big>small"}));
    log.clear();
    // Two small entities in neighbouring finest cells (cell edge at x = 0).
    engine = std::make_unique<EntityEngine>(game.get());
    engine->createPartionLayers(2000, 1000);
    Add(def, "right", 4, 0.5, 0);
    Add(def, "left", 4, -0.5, 0);
    engine->update();
    EXPECT_EQ(log, (std::vector<std::string>{"right>left", "left>right"}));
}

TEST_F(EngineTest, BothReactionsRunEvenAfterTheFirstAte)
{
    EntityDef* def = MakeDef("eat");
    AddRule(def, nullptr, kConditionSmaller, kEffectEat);
    LoggingEntity* a = Add(def, "A", 100, 0, 0);
    LoggingEntity* b = Add(def, "B", 50, 5, 0);
    engine->update();
    // B reacts first (nothing: A is larger); then A eats B.
    EXPECT_EQ(log, (std::vector<std::string>{"B>A", "A>B"}));
    EXPECT_TRUE(b->getBeingEaten());
    EXPECT_EQ(b->getEater(), a);
}

TEST_F(EngineTest, PlainEntitiesWithoutRulesStillMeetThoseThatReact)
{
    // Q: a plain entity whose definition has no rules (its reactions do nothing); R: one whose
    // definition eats whatever it touches. Each case puts the pair where only Q's own pass
    // meets it (R after Q in one cell, R in the cell to Q's right, R in a finer layer), or
    // where R's pass does; R must eat Q every time.
    EntityDef* quiet = MakeDef("quiet");
    EntityDef* eater = MakeDef("eater");
    AddRule(eater, nullptr, kConditionAll, kEffectEat);
    struct Case
    {
        const char* what;
        double qArea, qx, rArea, rx;
        bool rFirst;  // R enters the engine's list (and its cell) before Q
    };
    const Case cases[] = {
        {"same cell, Q first", 100, 5, 50, 10, false},
        {"same cell, R first", 100, 5, 50, 10, true},
        {"R in the cell to the right", 100, -3, 50, 3, true},
        {"R in the cell to the left", 100, 3, 50, -3, false},
        {"R in a finer layer", 200 * 200, 0, 4, 60, true},
        {"Q in a finer layer", 4, 60, 200 * 200, 0, false},
    };
    for (const Case& c : cases)
    {
        engine = std::make_unique<EntityEngine>(game.get());
        ASSERT_TRUE(engine->createPartionLayers(2000, 1000));
        Entity* q = Make(quiet, c.qArea, c.qx, 5);
        Entity* r = Make(eater, c.rArea, c.rx, 5);
        for (Entity* e : c.rFirst ? std::vector<Entity*>{r, q} : std::vector<Entity*>{q, r})
            engine->addEntity(Release(e));
        engine->update();
        EXPECT_TRUE(q->getBeingEaten()) << c.what;
        EXPECT_EQ(q->getEater(), r) << c.what;
    }
    // Two entities without rules touch and nothing happens.
    engine = std::make_unique<EntityEngine>(game.get());
    ASSERT_TRUE(engine->createPartionLayers(2000, 1000));
    Entity* a = Release(Make(quiet, 100, 5, 5));
    Entity* b = Release(Make(quiet, 100, 6, 5));
    engine->addEntity(a);
    engine->addEntity(b);
    engine->update();
    EXPECT_FALSE(a->getBeingEaten() || b->getBeingEaten());
}

TEST_F(EngineTest, GooReactionOnlyMeetings)
{
    EntityDef* plain = MakeDef("plain");
    EntityDef* only = MakeDef("only");
    only->gooReactionOnly = true;

    // Two goo-only entities never meet each other.
    Add(only, "E1", 100, 0, 0);
    Add(only, "E2", 100, 5, 0);
    engine->update();
    EXPECT_TRUE(log.empty());

    struct Case
    {
        bool plainFirst;
        double plainX;
        bool meets;
    };
    // In one finest cell (0..31.25): before E in the list meets it; after E does not.
    const Case cases[] = {{true, 5, true}, {false, 5, false}};
    for (const Case& c : cases)
    {
        engine = std::make_unique<EntityEngine>(game.get());
        engine->createPartionLayers(2000, 1000);
        log.clear();
        if (c.plainFirst)
        {
            Add(plain, "P", 4, c.plainX, 10);
            Add(only, "E", 4, c.plainX + 1, 10);
        }
        else
        {
            Add(only, "E", 4, c.plainX + 1, 10);
            Add(plain, "P", 4, c.plainX, 10);
        }
        engine->update();
        EXPECT_EQ(!log.empty(), c.meets) << c.plainFirst;
    }

    // The goo meets a goo-only entity from both passes: both react twice, the goo first.
    engine = std::make_unique<EntityEngine>(game.get());
    engine->createPartionLayers(2000, 1000);
    log.clear();
    LoggingEntity* goo = Add(plain, "G", 4, 5, 10);
    Add(only, "E", 4, 6, 10);
    game->goo = goo;
    engine->update();
    EXPECT_EQ(log, (std::vector<std::string>{"G>E", "E>G", "G>E", "E>G"}));
    game->goo = nullptr;
}

TEST_F(EngineTest, DeletionIsDeferredToTheEndOfTheStep)
{
    EntityDef* def = MakeDef("d");
    AddRule(def, nullptr, kConditionAll, kEffectDestroySelf);
    Add(def, "A", 100, 0, 0);
    Add(def, "B", 100, 5, 0);
    Add(MakeDef("far"), "C", 100, 500, 0);
    engine->update();
    // Both reacted (B first, then A) although B was already marked when A's turn came.
    EXPECT_EQ(log, (std::vector<std::string>{"B>A", "A>B"}));
    EXPECT_EQ(engine->getNumEntities(), 1);
    for (PartitionLayer* l : engine->getLayers())
        for (int y = 0; y < l->getNumY(); ++y)
            for (int x = 0; x < l->getNumX(); ++x)
                for (Entity* e : l->cell(x, y))
                    EXPECT_FALSE(e->getDeleteMe());
}

TEST_F(EngineTest, ShotAddedDuringTheWalkIsUpdatedAndPartitionedThatFrame)
{
    EntityDef* def = MakeDef("s");
    LoggingEntity* gun = Add(def, "gun", 100, 0, 0);
    Entity* shot = nullptr;
    auto* ctl = new ScriptedController(1);
    ctl->onUpdate = [&]()
    {
        if (!shot)
        {
            shot = new Entity(def, game.get());
            shot->setActualArea(4);
            shot->setDisplayArea(4);
            shot->setPos(Vector2d(200, 0));
            engine->addEntity(shot);
        }
    };
    gun->addController(ctl);
    engine->update();
    ASSERT_NE(shot, nullptr);
    EXPECT_FALSE(shot->getFirstFrameAlive());
    EXPECT_EQ(LayerOf(shot), 5);
    EXPECT_EQ(engine->getNumEntities(), 2);
}

// After every step each layer's cells hold the entities of the list, in the list's order, each in
// the finest layer its diameter fits and the cell its centre lies in, as they stand at the end
// of the step: checked against that rule applied afresh, over crowds that move, grow and shrink
// across the layers' bounds, leave the level, take shots added during the walk, and are quiet,
// reacting or goo-only (none of the reactions moves anything, so the places read at the end are
// those the step partitioned).
TEST_F(EngineTest, CellsHoldTheListInOrderWhereTheRuleAppliedAfreshPutsIt)
{
    EntityDef* quiet = MakeDef("quiet");
    EntityDef* reacting = MakeDef("reacting");
    AddRule(reacting, nullptr, kConditionAll, kEffectNone);
    EntityDef* gooOnly = MakeDef("goo only");
    gooOnly->gooReactionOnly = true;
    EntityDef* const kinds[] = {quiet, reacting, gooOnly};
    // Crowds below and above the size from which the update walk asks for entities ahead.
    struct Case
    {
        unsigned seed;
        int crowd;
    };
    const Case cases[] = {{1, 400}, {7, 1700}, {2026, 400}};
    for (const Case& c : cases)
    {
        const unsigned seed = c.seed;
        engine = std::make_unique<EntityEngine>(game.get());
        ASSERT_TRUE(engine->createPartionLayers(2000, 1000));
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> unit(0, 1);
        for (int i = 0; i < c.crowd; ++i)
        {
            EntityDef* def = kinds[i % 3];
            // Diameters from a few units to beyond the coarsest cell; a third of them grow or
            // shrink towards another area, and some start outside the level.
            const double area = std::exp(std::log(4.0) + unit(rng) * (std::log(8e5) - std::log(4.0)));
            const double x = -1100 + 2200 * unit(rng), y = -550 + 1100 * unit(rng);
            Entity* e = i % 5 == 0 ? Add(def, "logging", area, x, y) : Release(Make(def, area, x, y));
            if (i % 5 != 0)
                engine->addEntity(e);
            if (i % 3 == 1)
                e->setActualArea(area * (0.3 + 3 * unit(rng)));
            e->setVel(Vector2d(-400 + 800 * unit(rng), -400 + 800 * unit(rng)));
        }
        // One entity adds a shot during the walk every few steps.
        Entity* gun = Release(Make(quiet, 100, 0, 0));
        engine->addEntity(gun);
        int steps = 0;
        auto* ctl = new ScriptedController(1);
        ctl->onUpdate = [&]()
        {
            if (steps % 4 != 0)
                return;
            Entity* shot = new Entity(reacting, game.get());
            shot->setActualArea(9);
            shot->setDisplayArea(9);
            shot->setPos(Vector2d(-900 + 90 * (steps % 20), 300));
            shot->setVel(Vector2d(250, -120));
            engine->addEntity(shot);
        };
        gun->addController(ctl);

        const std::vector<PartitionLayer*>& layers = engine->getLayers();
        for (steps = 0; steps < 40; ++steps)
        {
            Frame();
            engine->update();
            // The rule applied afresh to the list as it stands.
            std::vector<std::vector<std::vector<Entity*>>> expected(layers.size());
            for (size_t i = 0; i < layers.size(); ++i)
                expected[i].resize(static_cast<size_t>(layers[i]->getNumX() * layers[i]->getNumY()));
            size_t placed = 0;
            for (Entity* e : engine->getEntities())
                for (size_t i = layers.size(); i-- > 0;)
                    if (e->getDiameter() <= layers[i]->getCellSize())
                    {
                        int cx, cy;
                        layers[i]->cellOf(e->getPos().getX(), e->getPos().getY(), cx, cy);
                        expected[i][static_cast<size_t>(cx + cy * layers[i]->getNumX())].push_back(e);
                        ++placed;
                        break;
                    }
            ASSERT_GT(placed, static_cast<size_t>(c.crowd) * 3 / 4);
            ASSERT_LT(placed, engine->getEntities().size());  // some are too wide for every layer
            for (size_t i = 0; i < layers.size(); ++i)
                for (int y = 0; y < layers[i]->getNumY(); ++y)
                    for (int x = 0; x < layers[i]->getNumX(); ++x)
                        ASSERT_EQ(layers[i]->cell(x, y),
                                  expected[i][static_cast<size_t>(x + y * layers[i]->getNumX())])
                            << "seed " << seed << ", step " << steps << ", layer " << i << ", cell " << x
                            << ", " << y;
        }
    }
}

TEST_F(EngineTest, SmallerEqualEntityExists)
{
    EntityDef* def = MakeDef("s");
    Entity* a = Add(def, "a", 100, 0, 0);
    EXPECT_FALSE(engine->smallerEqualEntityExists(a));
    Entity* b = Add(def, "b", 200, 300, 0);
    EXPECT_FALSE(engine->smallerEqualEntityExists(a));
    EXPECT_TRUE(engine->smallerEqualEntityExists(b));
    Add(def, "c", 100, -300, 0);
    EXPECT_TRUE(engine->smallerEqualEntityExists(a));
}

TEST_F(EngineTest, ClosestEntityGapTieAndFilter)
{
    EntityDef* def = MakeDef("c");
    LoggingEntity* me = Add(def, "me", 100, 0, 0);  // radius about 7.07
    auto* ctl = new ScriptedController(0);
    me->addController(ctl);
    LoggingEntity* left = Add(def, "left", 100, -50, 0);
    LoggingEntity* right = Add(def, "right", 100, 50, 0);
    Add(def, "far", 100, 400, 0);
    engine->update();
    // Equal gaps: the first met in walk order (columns from the left).
    EXPECT_EQ(engine->getClosestEntity(ctl, 100), left);
    EXPECT_EQ(engine->getClosestEntity(ctl, 30), nullptr);  // gap 50 - 14.14 = 35.86
    ctl->filter = [&](Entity* e) { return e != left; };
    EXPECT_EQ(engine->getClosestEntity(ctl, 100), right);
    right->setDeleteMe();
    EXPECT_EQ(engine->getClosestEntity(ctl, 100), nullptr);
}

// The nearest-entity query as the walk defines it, without any shortcut: every cell of every
// layer, coarsest layer first, rows from the top, columns from the left, each list from its
// front; a cell counts when it lies in the layer's cell range of the query box.
Entity* ClosestByBruteForce(EntityEngine& engine, Entity* e, EntityControllerBase* c, double distance,
                            double* gap)
{
    Entity* best = nullptr;
    double bestDistance = DBL_MAX;
    const Vector2d p = e->getPos();
    const double reach = e->getRadius() + distance;
    for (PartitionLayer* l : engine.getLayers())
    {
        int cx0, cx1, cy0, cy1;
        l->cellRange(p.getX() - reach - l->getLeft(), p.getX() + reach - l->getLeft(),
                     p.getY() - reach - l->getTop(), p.getY() + reach - l->getTop(), cx0, cx1, cy0, cy1);
        for (int y = 0; y < l->getNumY(); ++y)
            for (int x = 0; x < l->getNumX(); ++x)
                for (Entity* o : l->cell(x, y))
                {
                    if (x < cx0 || x > cx1 || y < cy0 || y > cy1)
                        continue;
                    if (o == e || o->getBeingEaten() || o->getDeleteMe())
                        continue;
                    const double d = (p - o->getPos()).getR() - (e->getRadius() + o->getRadius());
                    if (d < distance && d < bestDistance && c->affectEntity(o))
                    {
                        best = o;
                        bestDistance = d;
                    }
                }
    }
    *gap = bestDistance;
    return best;
}

TEST_F(EngineTest, ClosestEntityMatchesABruteForceWalkOverRandomScenes)
{
    // Random crowds on a coarse grid with a few sizes (so that gaps tie often), some outside the
    // level, in every layer. After the partition some entities move and change size, as they
    // do during a frame before the queries, and some are marked for deletion; each controller
    // accepts a random part of the crowd. The crowd has three kinds; the level's own controllers
    // (filters by kind and size, vetoes) search it too.
    EntityDef* kinds[] = {MakeDef("r"), MakeDef("s"), MakeDef("t")};
    std::mt19937 kindRng(7);  // apart from the geometry's numbers, so the scenes stay as they are
    auto kind = [&] { return kinds[kindRng() % 3]; };
    const int conditions[] = {kConditionAll, kConditionSmaller, kConditionLargerEqual, kConditionNone};
    auto filter = [&]
    {
        auto* a = new AffectEntity();
        a->all = kindRng() % 4 == 0;
        a->entityDef = a->all ? nullptr : kind();
        a->condition = conditions[kindRng() % 4];
        return a;
    };
    const double areas[] = {4, 100, 400, 2500, 40000};
    const double distances[] = {0, 10, 40, 150, 600};
    std::mt19937 rng(20);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // Each draw in its own statement, so that every compiler makes the same scenes.
    auto gridPoint = [&]
    {
        const double x = 20.0 * (pick(111) - 55);
        const double y = 20.0 * (pick(61) - 30);
        return Vector2d(x, y);
    };
    auto step = [&]
    {
        const double x = pick(41) - 20;
        const double y = pick(41) - 20;
        return Vector2d(x, y);
    };
    auto area = [&]
    {
        if (pick(5) == 4)
            return areas[4];
        return areas[pick(3) > 0 ? 1 : pick(4)];  // mostly one size: equal gaps come often
    };
    int ties = 0, found = 0, queries = 0;
    for (int scene = 0; scene < 60; ++scene)
    {
        engine = std::make_unique<EntityEngine>(game.get());
        ASSERT_TRUE(engine->createPartionLayers(2000, 1000));
        std::vector<Entity*> crowd;
        const int count = 30 + pick(170);
        for (int i = 0; i < count; ++i)
        {
            const double a = area();
            const Vector2d p = gridPoint();
            crowd.push_back(Release(Make(kind(), a, p.getX(), p.getY())));
            engine->addEntity(crowd.back());
        }
        engine->update();
        for (Entity* e : crowd)
        {
            const int change = pick(10);
            if (change == 0)
                e->setPos(gridPoint());
            else if (change == 1)
                e->setPos(e->getPos() + step());
            else if (change == 2)
                e->setActualArea(areas[pick(5)]);
            if (change == 2)
                e->setDisplayArea(e->getActualArea());
        }
        for (int i = 0; i < count / 20; ++i)
            crowd[static_cast<size_t>(pick(count))]->setDeleteMe();
        for (int k = 0; k < 12; ++k)
        {
            Entity* seeker = crowd[static_cast<size_t>(pick(count))];
            auto* ctl = new ScriptedController(0);
            seeker->addController(ctl);
            std::set<Entity*> accepted;
            const int share = pick(4);  // all, or about a quarter, half, three quarters
            for (Entity* e : crowd)
                if (share == 0 || pick(4) < share)
                    accepted.insert(e);
            ctl->filter = [&accepted](Entity* e) { return accepted.count(e) > 0; };
            for (double distance : distances)
            {
                double gap = 0;
                Entity* expected = ClosestByBruteForce(*engine, seeker, ctl, distance, &gap);
                EXPECT_EQ(engine->getClosestEntity(ctl, distance), expected)
                    << "scene " << scene << ", seeker " << k << ", distance " << distance;
                ++queries;
                if (!expected)
                    continue;
                ++found;
                int atBest = 0;
                for (Entity* o : crowd)
                    if (o != seeker && !o->getDeleteMe() && accepted.count(o) &&
                        (seeker->getPos() - o->getPos()).getR() - (seeker->getRadius() + o->getRadius()) ==
                            gap)
                        ++atBest;
                if (atBest > 1)
                    ++ties;
            }
            ctl->filter = nullptr;
        }
        for (int k = 0; k < 6; ++k)
        {
            Entity* seeker = crowd[kindRng() % crowd.size()];
            auto* ctl = new EntityController(game.get(), engine.get());
            seeker->addController(ctl);
            const unsigned filters = 1 + kindRng() % 2;
            for (unsigned i = 0; i < filters; ++i)
                ctl->addAffectEntity(filter());
            if (kindRng() % 3 == 0)
                ctl->addDontAffectEntity(filter());
            for (double distance : distances)
            {
                double gap = 0;
                EXPECT_EQ(engine->getClosestEntity(ctl, distance),
                          ClosestByBruteForce(*engine, seeker, ctl, distance, &gap))
                    << "scene " << scene << ", level controller " << k << ", distance " << distance;
            }
        }
    }
    // The scenes must exercise what they are for: hits, misses and ties.
    EXPECT_GT(found, queries / 4);
    EXPECT_LT(found, queries);
    EXPECT_GT(ties, 15);
}

TEST_F(EngineTest, ClosestEntityAgreesWithTheWalkForManyKindsOverASeedTable)
{
    // Searches pass over the kinds a level's controller never accepts by their kind numbers.
    // Over scenes from a table of seeds, with few kinds and with more kinds than have numbers
    // of their own (the rest share one), entities of no definition, several frames (numbers are
    // kept from frame to frame; the layers let the marked entities go), moves after the
    // partition and level controllers whose filters name one kind, several, every kind, or a
    // kind no entity has, each answer must be the brute-force walk's, ties included.
    struct Scene
    {
        unsigned seed;
        int kinds;  // definitions in the scene
        int count;  // entities
    };
    const Scene scenes[] = {{1, 1, 80},   {2, 2, 150},  {3, 5, 200},  {4, 12, 260}, {5, 40, 300},
                            {6, 63, 320}, {7, 64, 320}, {8, 90, 400}, {9, 130, 450}};
    const int conditions[] = {kConditionAll, kConditionSmaller, kConditionLargerEqual};
    const double areas[] = {4, 100, 100, 100, 400, 2500, 40000};
    const double distances[] = {0, 25, 120, 500};
    int found = 0, queries = 0, ties = 0, shared = 0;
    for (const Scene& sc : scenes)
    {
        std::mt19937 rng(sc.seed);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        std::vector<EntityDef*> defs;
        for (int k = 0; k < sc.kinds; ++k)
            defs.push_back(MakeDef("k" + std::to_string(sc.seed) + "_" + std::to_string(k)));
        EntityDef* stranger = MakeDef("stranger" + std::to_string(sc.seed));  // no entity has it
        auto kind = [&]() -> EntityDef*
        {
            const int k = pick(sc.kinds + 1);
            return k == sc.kinds ? nullptr : defs[static_cast<size_t>(k)];
        };
        auto point = [&]
        {
            const double x = 25.0 * (pick(89) - 44);
            const double y = 25.0 * (pick(49) - 24);
            return Vector2d(x, y);
        };
        engine = std::make_unique<EntityEngine>(game.get());
        ASSERT_TRUE(engine->createPartionLayers(2000, 1000));
        std::vector<Entity*> crowd;
        for (int i = 0; i < sc.count; ++i)
        {
            EntityDef* def = kind();
            const double a = areas[pick(7)];
            const Vector2d p = point();
            crowd.push_back(Release(Make(def, a, p.getX(), p.getY())));
            engine->addEntity(crowd.back());
        }
        for (int frame = 0; frame < 3; ++frame)
        {
            engine->update();
            std::vector<Entity*> live;
            for (Entity* e : engine->getEntities())
                live.push_back(e);
            for (Entity* e : live)
                if (pick(8) == 0)
                    e->setPos(e->getPos() + Vector2d(pick(61) - 30, pick(61) - 30));
            for (int q = 0; q < 10; ++q)
            {
                Entity* seeker = live[static_cast<size_t>(pick(static_cast<int>(live.size())))];
                auto* ctl = new EntityController(game.get(), engine.get());
                seeker->addController(ctl);
                const int filters = 1 + pick(3);
                for (int f = 0; f < filters; ++f)
                {
                    auto* a = new AffectEntity();
                    const int which = pick(10);
                    a->all = which == 0;
                    a->entityDef = which == 0 ? nullptr : which == 1 ? stranger : kind();
                    a->condition = conditions[pick(3)];
                    ctl->addAffectEntity(a);
                }
                for (double distance : distances)
                {
                    double gap = 0;
                    Entity* expected = ClosestByBruteForce(*engine, seeker, ctl, distance, &gap);
                    Entity* got = engine->getClosestEntity(ctl, distance);
                    EXPECT_EQ(got, expected) << "seed " << sc.seed << ", frame " << frame << ", query " << q
                                             << ", distance " << distance;
                    ++queries;
                    if (!expected)
                        continue;
                    ++found;
                    if (sc.kinds > 63 && expected->getEntityDef() &&
                        std::find(defs.begin() + 63, defs.end(), expected->getEntityDef()) != defs.end())
                        ++shared;
                    int atBest = 0;
                    for (Entity* o : live)
                        if (o != seeker && !o->getDeleteMe() && ctl->affectEntity(o) &&
                            (seeker->getPos() - o->getPos()).getR() -
                                    (seeker->getRadius() + o->getRadius()) ==
                                gap)
                            ++atBest;
                    if (atBest > 1)
                        ++ties;
                }
            }
            // Some leave before the next frame's partition.
            for (Entity* e : live)
                if (pick(15) == 0)
                    e->setDeleteMe();
        }
    }
    // The scenes must exercise what they are for: hits, misses, ties and the shared number.
    EXPECT_GT(found, queries / 5);
    EXPECT_LT(found, queries);
    EXPECT_GT(ties, 5);
    EXPECT_GT(shared, 0);
}

// Destruction logged into a shared list.
class DyingEntity : public Entity
{
public:
    DyingEntity(EntityDef* def, WGUI::Window* w, std::string name, std::vector<std::string>* log)
        : Entity(def, w), name(std::move(name)), log(log)
    {
    }
    ~DyingEntity() override { log->push_back("delete " + name); }
    std::string name;
    std::vector<std::string>* log;
};

TEST_F(EngineTest, MarkedEntitiesAreDeletedInListOrderWhereverTheyStand)
{
    // Entities in cells and entities too wide for any layer; the marked ones go at the end of
    // the step, deleted in the order of the list, and the rest stay in order.
    struct Case
    {
        const char* what;
        const char* marked;  // letters of the marked entities
        bool wide;           // "w" is too wide for every layer
        const char* deleted;
        const char* kept;
    };
    const Case cases[] = {
        {"none marked", "", false, "", "abcd"},
        {"one in a cell", "c", false, "c", "abd"},
        {"all in cells", "dbac", false, "abcd", ""},
        {"first and last", "ad", false, "ad", "bc"},
        {"none marked, one too wide", "", true, "", "abwcd"},
        {"the wide one", "w", true, "w", "abcd"},
        {"the wide one and a cell's", "dw", true, "wd", "abc"},
    };
    for (const Case& c : cases)
    {
        engine = std::make_unique<EntityEngine>(game.get());
        ASSERT_TRUE(engine->createPartionLayers(2000, 1000));
        std::vector<std::string> dead;
        EntityDef* def = MakeDef(std::string("dying ") + c.what);
        std::string names = c.wide ? "abwcd" : "abcd";
        std::vector<Entity*> all;
        for (char n : names)
        {
            auto* e = new DyingEntity(def, game.get(), std::string(1, n), &dead);
            const double side = n == 'w' ? 1500 : 10;
            e->setActualArea(side * side);
            e->setDisplayArea(side * side);
            e->setPos(Vector2d(100.0 * (n - 'a'), 50));
            e->updateIntersectionShapes();
            engine->addEntity(e);
            all.push_back(e);
        }
        engine->update();
        for (size_t i = 0; i < all.size(); ++i)
            if (std::string(c.marked).find(names[i]) != std::string::npos)
                all[i]->setDeleteMe();
        engine->update();
        std::string deleted, kept;
        for (const std::string& d : dead)
            deleted += d.substr(7);
        for (Entity* e : engine->getEntities())
            kept += static_cast<DyingEntity*>(e)->name;
        EXPECT_EQ(deleted, c.deleted) << c.what;
        EXPECT_EQ(kept, c.kept) << c.what;
        engine.reset();
    }
}

TEST_F(EngineTest, ClosestEntityWithAreaRanksFoodAndSkipsTheInedible)
{
    EntityDef* food = MakeDef("food");
    EntityDef* poison = MakeDef("poison");
    poison->edible = false;
    LoggingEntity* me = Add(food, "me", 1000, 0, 0);
    auto* ctl = new ScriptedController(0);
    me->addController(ctl);
    LoggingEntity* bigNear = Add(food, "bigNear", 900, 60, 0);
    Add(food, "tooBig", 1000, -40, 0);  // not strictly smaller
    Add(poison, "poison", 10, 0, 40);
    LoggingEntity* small = Add(food, "small", 10, 0, -45);
    engine->update();
    EXPECT_EQ(engine->getClosestEntityWithArea(ctl, 300, 500, 1000), bigNear);
    // minArea takes no part: the small one is found when the big one is filtered out.
    ctl->filter = [&](Entity* e) { return e != bigNear; };
    EXPECT_EQ(engine->getClosestEntityWithArea(ctl, 300, 500, 1000), small);
}

TEST_F(EngineTest, IntersectFutureFindsTheWayAndRestoresState)
{
    EntityDef* def = MakeDef("f");
    LoggingEntity* me = Add(def, "me", 100, 0, 0);
    auto* ctl = new ScriptedController(0);
    me->addController(ctl);
    LoggingEntity* wall = Add(def, "wall", 400, 80, 0);
    engine->update();
    EXPECT_EQ(engine->intersectFuture(ctl, 1.0), nullptr);  // standing still
    me->setVel(Vector2d(100, 0));
    EXPECT_EQ(engine->intersectFuture(ctl, 1.0), wall);
    EXPECT_EQ(engine->intersectFuture(ctl, 0.2), nullptr);
    me->setVel(Vector2d(-100, 0));
    EXPECT_EQ(engine->intersectFuture(ctl, 1.0), nullptr);

    // Random states: position, display area and shapes always come back.
    srand(7);
    for (int i = 0; i < 200; ++i)
    {
        const Vector2d p(WGUI::randomDouble(-900, 900), WGUI::randomDouble(-400, 400));
        me->setPos(p);
        me->setDisplayArea(WGUI::randomDouble(1, 3000));
        me->updateIntersectionShapes();
        me->setVel(Vector2d(WGUI::randomDouble(-500, 500), WGUI::randomDouble(-500, 500)));
        const double area = me->getDisplayArea();
        const Vector2d shapeAt = me->getIntersectionShapes().front()->getAbsPos();
        engine->intersectFuture(ctl, WGUI::randomDouble(0, 3));
        EXPECT_EQ(me->getPos().getX(), p.getX());
        EXPECT_EQ(me->getPos().getY(), p.getY());
        EXPECT_EQ(me->getDisplayArea(), area);
        EXPECT_EQ(me->getIntersectionShapes().front()->getAbsPos().getX(), shapeAt.getX());
    }
}

TEST_F(EngineTest, IntersectFutureWithoutRadiusOrWithHugeTravel)
{
    EntityDef* def = MakeDef("z");
    LoggingEntity* point = Add(def, "point", 0, 0, 0);
    auto* ctl = new ScriptedController(0);
    point->addController(ctl);
    point->setVel(Vector2d(100, 0));
    engine->update();
    EXPECT_EQ(engine->intersectFuture(ctl, 1.0), nullptr);

    LoggingEntity* tiny = Add(def, "tiny", 1e-12, 0, 100);
    auto* ctl2 = new ScriptedController(0);
    tiny->addController(ctl2);
    LoggingEntity* target = Add(def, "target", 10000, 600, 100);
    engine->update();
    tiny->setVel(Vector2d(1e6, 0));
    // The probes are capped; the target lies within the travel and is still found.
    EXPECT_EQ(engine->intersectFuture(ctl2, 1.0e-3), target);
    EXPECT_DOUBLE_EQ(tiny->getPos().getX(), 0);
}

TEST_F(EngineTest, GravityWellPullsEveryoneButTheGoo)
{
    EntityDef* def = MakeDef("g");
    LoggingEntity* goo = Add(def, "goo", 100, 0, 0);
    LoggingEntity* other = Add(def, "other", 100, 300, 0);
    game->goo = goo;
    Cheats::instance()->setGravityWell(true);
    engine->update();
    EXPECT_DOUBLE_EQ(other->getPos().getX(), 300);  // the mouse button is up
    WGUI::Input::instance()->messageLeftMouseDown();
    engine->update();
    EXPECT_NEAR(other->getPos().getX(), 300 - 100 * 0.02, 1e-9);
    EXPECT_DOUBLE_EQ(goo->getPos().getX(), 0);
    WGUI::Input::instance()->messageLeftMouseUp();
    Cheats::deleteInstance();
    game->goo = nullptr;
}

TEST_F(EngineTest, DrawOrderSkipsMealsAndPutsTheGooOnTop)
{
    EntityDef* def = MakeDef("d");
    LoggingEntity* goo = Add(def, "goo", 1000, 0, 0);
    Add(def, "a", 10, 300, 0);
    LoggingEntity* meal = Add(def, "meal", 10, 600, 0);
    Add(def, "b", 10, -300, 0);
    game->goo = goo;
    goo->eatEntity(meal);
    log.clear();
    engine->draw();
    // The meal is drawn by its eater, under it.
    EXPECT_EQ(log, (std::vector<std::string>{"draw a", "draw b", "draw goo", "draw meal"}));
    game->goo = nullptr;
}

TEST_F(EngineTest, DeletingTheEngineDeletesEveryEntityIncludingTheGoo)
{
    EntityDef* def = MakeDef("x");
    LoggingEntity* goo = Add(def, "goo", 100, 0, 0);
    LoggingEntity* a = Add(def, "a", 100, 10, 0);
    a->addTarget(goo);
    goo->addTarget(a);
    game->goo = goo;
    engine.reset();  // ASan reports any leak or touch of a freed entity
    game->goo = nullptr;
    EXPECT_EQ(engine, nullptr);
}

}  // namespace

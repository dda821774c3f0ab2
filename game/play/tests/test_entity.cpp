// Entity state and motion: sizes from area, the frame step's controller choice, turning,
// wobble, steering, bounds, camera, drawing, sounds.
#include <gtest/gtest.h>

#include <cmath>

#include "entityfixture.h"
#include "services/cheats.h"
#include "wgui_helpers.h"

using namespace Game;

using playtest::EntityTest;
using playtest::ScriptedController;
using WGUI::Vector2d;

namespace
{

class EntityStateTest : public EntityTest
{
};

TEST_F(EntityStateTest, SizeFromArea)
{
    struct Case
    {
        double aspect, coverage, area, w, h;
    };
    const Case cases[] = {
        {2, 0.5, 400, 40, 20}, {1, 1, 100, 10, 10}, {0.5, 1, 200, 10, 20},
        {1, 1, 0, 0, 0},       {1, 1, -5, 0, 0},  // a negative area has no size (no NaN)
    };
    for (const Case& c : cases)
    {
        EntityDef* def = MakeDef("s");
        def->aspectRatio = c.aspect;
        def->areaCoverage = c.coverage;
        Entity* e = Make(def, 1);
        e->setDisplayArea(c.area);
        EXPECT_NEAR(e->getWidth(), c.w, 1e-9) << c.area;
        EXPECT_NEAR(e->getHeight(), c.h, 1e-9) << c.area;
        EXPECT_NEAR(e->getBiggerDim(), std::max(c.w, c.h), 1e-9);
        EXPECT_NEAR(e->getDiameter(), std::hypot(c.w, c.h), 1e-9);
        EXPECT_NEAR(e->getRadius(), std::hypot(c.w, c.h) / 2, 1e-9);
    }
}

TEST_F(EntityStateTest, AspectAndCoverageOnlyStoreAndInitialAreaIsTheFirst)
{
    Entity* e = Make(MakeDef("s"), 100);
    EXPECT_DOUBLE_EQ(e->getInitialArea(), 100);
    e->setActualArea(50);
    EXPECT_DOUBLE_EQ(e->getInitialArea(), 100);
    e->setAspectRatio(4);
    EXPECT_DOUBLE_EQ(e->getWidth(), 10);  // unchanged until the next setDisplayArea
    e->setDisplayArea(100);
    EXPECT_DOUBLE_EQ(e->getWidth(), 20);

    Entity fresh(MakeDef("t"), game.get());
    EXPECT_DOUBLE_EQ(fresh.getInitialArea(), -1);
}

TEST_F(EntityStateTest, ControllerChoiceTable)
{
    struct Case
    {
        std::vector<double> prio;
        int chosen;
    };
    const Case cases[] = {
        {{0.5, 0.5}, 0}, {{0, -1}, -1}, {{0.2, 0.7, 0.7}, 1}, {{1, 2, 3}, 2}, {{3, 2, 1}, 0}, {{}, -1},
    };
    for (const Case& c : cases)
    {
        Entity* e = Make(MakeDef("c"), 100);
        std::vector<ScriptedController*> cs;
        for (double p : c.prio)
        {
            cs.push_back(new ScriptedController(p));
            e->addController(cs.back());
        }
        e->update();
        if (c.chosen < 0)
        {
            EXPECT_EQ(e->getCurrentController(), nullptr);
            EXPECT_FALSE(e->getControllerIsFirst());
        }
        else
        {
            EXPECT_EQ(e->getCurrentController(), cs[static_cast<size_t>(c.chosen)]);
        }
        for (size_t i = 0; i < cs.size(); ++i)
        {
            EXPECT_EQ(cs[i]->updates, 1);
            EXPECT_EQ(cs[i]->controls, static_cast<int>(i) == c.chosen ? 1 : 0);
        }
    }
}

TEST_F(EntityStateTest, ControllersGetThePreviousFramesFirstFlag)
{
    Entity* e = Make(MakeDef("c"), 100);
    auto* first = new ScriptedController(1, true);
    auto* other = new ScriptedController(0.5);
    e->addController(other);
    e->addController(first);  // a first controller becomes current when added
    EXPECT_EQ(e->getCurrentController(), first);
    EXPECT_TRUE(e->getControllerIsFirst());
    e->update();
    EXPECT_TRUE(other->lastFirstFlag);
    first->priority = 0;
    e->update();
    EXPECT_TRUE(other->lastFirstFlag);  // still last frame's value
    EXPECT_FALSE(e->getControllerIsFirst());
    e->update();
    EXPECT_FALSE(other->lastFirstFlag);
}

TEST_F(EntityStateTest, NoControllerWhileBeingEatenOrMarked)
{
    Entity* e = Make(MakeDef("c"), 100);
    Entity* eater = Make(MakeDef("e"), 1000);
    auto* c = new ScriptedController(1);
    e->addController(c);
    e->setBeingEaten(eater);
    e->update();
    EXPECT_EQ(c->updates, 0);
    EXPECT_EQ(e->getCurrentController(), nullptr);
}

TEST_F(EntityStateTest, LifeLengthMarksOnlyAfterItPasses)
{
    EntityDef* def = MakeDef("life");
    def->hasLifeLength = true;
    def->lifeLength = 0.05;
    playtest::CountingEmitter emitter;
    Entity* e = Make(def, 100);
    e->setEmitter(&emitter);
    e->update();  // 0.02
    e->update();  // 0.04
    EXPECT_FALSE(e->getDeleteMe());
    e->update();  // 0.06
    EXPECT_TRUE(e->getDeleteMe());
    EXPECT_EQ(emitter.deleted, 1);
    e->update();
    EXPECT_EQ(emitter.deleted, 1);
}

TEST_F(EntityStateTest, PlainTurnSnapsAndStaysInProgress)
{
    EntityDef* def = MakeDef("turn");
    def->directedTravel = true;
    def->maxAngularVel = 90;  // 1.8 degrees per 20 ms frame
    Entity* e = Make(def, 100);
    e->setAngle(0);
    e->goToPos(Vector2d(100, -100), 100, 50);  // 45 degrees up-right
    EXPECT_TRUE(e->getTurningToTarget());
    EXPECT_NEAR(e->getTargetAngle(), 45, 1e-9);
    e->update();
    EXPECT_NEAR(e->getAngle(), 1.8, 1e-9);
    EXPECT_DOUBLE_EQ(e->getAngularVel(), 90);
    e->setAngle(44);
    e->update();  // remaining 1 degree < 1.8: snap
    EXPECT_NEAR(e->getAngle(), 45, 1e-9);
    EXPECT_DOUBLE_EQ(e->getAngularVel(), 0);
    EXPECT_TRUE(e->getTurningToTarget());
    e->setAngularVel(50);
    e->update();  // the plain turn holds the angle; angular velocity does not move it
    EXPECT_NEAR(e->getAngle(), 45, 1e-9);
}

TEST_F(EntityStateTest, SmoothTurnArrivesAndStops)
{
    EntityDef* def = MakeDef("smooth");
    def->directedTravel = true;
    def->smoothTurn = true;
    def->maxAngularVel = 360;
    Entity* e = Make(def, 100);
    e->goToPos(Vector2d(0, -100), 100, 0);  // 90 degrees
    bool arrived = false;
    for (int i = 0; i < 200 && !arrived; ++i)
    {
        e->update();
        arrived = !e->getTurningToTarget();
    }
    EXPECT_TRUE(arrived);
    EXPECT_NEAR(e->getAngle(), 90, 1e-9);
    EXPECT_DOUBLE_EQ(e->getAngularVel(), 0);
}

TEST_F(EntityStateTest, WobbleBands)
{
    struct Case
    {
        double heading;
        double lo, hi;
    };
    // Heading right: rocks about -20 (335..345); straight up: about 0 (+-5).
    const Case cases[] = {{0, -25, -15}, {90, -5, 5}, {180, 15, 25}};
    for (const Case& c : cases)
    {
        EntityDef* def = MakeDef("fish");
        def->wobble = true;
        Entity* e = Make(def, 100);
        e->setAngle((c.lo + c.hi) / 2 < 0 ? 360 + (c.lo + c.hi) / 2 : (c.lo + c.hi) / 2);
        Vector2d v;
        v.setPolar(0.0001, c.heading);
        e->setVel(v);
        double minSeen = 1e9, maxSeen = -1e9;
        for (int i = 0; i < 2000; ++i)
        {
            e->update();
            if (i > 1000)
            {
                const double a = WGUI::angleDifference(e->getAngle(), 0);
                minSeen = std::min(minSeen, a);
                maxSeen = std::max(maxSeen, a);
            }
        }
        SCOPED_TRACE(c.heading);
        // The angle rocks within its band (one frame's step of slack) and uses most of it.
        EXPECT_GT(minSeen, c.lo - 0.5);
        EXPECT_LT(maxSeen, c.hi + 0.5);
        EXPECT_LT(minSeen, c.lo + 1.5);
        EXPECT_GT(maxSeen, c.hi - 1.5);
    }
}

TEST_F(EntityStateTest, GoToPosThrustGate)
{
    struct Case
    {
        double off;
        bool thrust;
    };
    const Case cases[] = {{30, false}, {25, false}, {20, true}, {-20, true}, {-30, false}};
    for (const Case& c : cases)
    {
        EntityDef* def = MakeDef("car");
        def->directedTravel = true;
        Entity* e = Make(def, 100);
        e->setAngle(0);
        Vector2d target;
        target.setPolar(100, c.off);
        e->goToPos(target, 100, 50);
        EXPECT_EQ(e->getVel().getR() > 0, c.thrust) << c.off;
    }
}

TEST_F(EntityStateTest, GoToPosUndirectedAndMoveToTurn)
{
    Entity* e = Make(MakeDef("free"), 100);
    e->goToPos(Vector2d(0, 100), 10, 1000);  // one frame: 1000 * 0.02 = 20, capped at 10
    EXPECT_NEAR(e->getVel().getR(), 10, 1e-9);
    EXPECT_NEAR(WGUI::angleDifference(e->getVel().getTheta(), 270), 0, 1e-9);

    EntityDef* def = MakeDef("mtt");
    def->directedTravel = true;
    def->moveToTurn = true;
    def->turnRadius = 2;
    def->moveToTurnExtra = 5;
    Entity* car = Make(def, 100);  // height 10
    car->setVel(Vector2d(62.8, 0));
    car->goToPos(Vector2d(0, -100), 1000, 10);
    EXPECT_NEAR(car->getMaxAngularVel(), 62.8 * 360 / (2 * 10 * 6.28) + 5, 1e-9);
    EXPECT_TRUE(car->getTurningToTarget());
    EXPECT_NEAR(car->getVel().getR(), 62.8 + 10 * 0.02, 1e-9);

    // A zero height (area 0) keeps the old rate instead of dividing by zero.
    Entity* flat = Make(def, 0);
    flat->setVel(Vector2d(10, 0));
    const double before = flat->getMaxAngularVel();
    flat->goToPos(Vector2d(0, -100), 1000, 10);
    EXPECT_DOUBLE_EQ(flat->getMaxAngularVel(), before);
}

TEST_F(EntityStateTest, LimitMaxSpeedSmooth)
{
    SetDt(50);
    struct Case
    {
        double speed;
        bool limited;
        double after;
    };
    const Case cases[] = {{101, false, 101}, {200, true, 150}, {102, true, 100}, {50, false, 50}};
    for (const Case& c : cases)
    {
        Entity* e = Make(MakeDef("s"), 100);
        e->setVel(Vector2d(c.speed, 0));
        EXPECT_EQ(e->limitMaxSpeedSmooth(100), c.limited) << c.speed;
        EXPECT_NEAR(e->getVel().getR(), c.after, 1e-9) << c.speed;
    }
}

TEST_F(EntityStateTest, OutOfBoundsAfterMoreThanOneSecond)
{
    SetDt(50);
    // Touching the edge counts as inside.
    Entity* touching = Make(MakeDef("t"), 100);
    touching->setPos(Vector2d(1000 + touching->getDiameter() / 2, 0));
    EXPECT_TRUE(touching->inLevelBounds());
    touching->setPos(Vector2d(1000 + touching->getDiameter() / 2 + 0.001, 0));
    EXPECT_FALSE(touching->inLevelBounds());

    Entity* e = Make(MakeDef("o"), 100);
    e->setPos(Vector2d(5000, 0));
    for (int i = 0; i < 20; ++i)
        e->updateOutOfBounds();  // exactly 1.0 s
    EXPECT_NEAR(e->getOutOfBoundsFor(), 1.0, 1e-9);
    EXPECT_FALSE(e->getDeleteMe());
    e->updateOutOfBounds();
    EXPECT_TRUE(e->getDeleteMe());
    e->setPos(Vector2d(0, 0));
    e->updateOutOfBounds();
    EXPECT_DOUBLE_EQ(e->getOutOfBoundsFor(), 0);
}

TEST_F(EntityStateTest, ForceTowardsPointMovesPositionAndSkipsZeroDistance)
{
    Entity* e = Make(MakeDef("g"), 100, 100, 0);
    e->forceTowardsPoint(Vector2d(0, 0));  // pull 300 per second for 0.02 s
    EXPECT_NEAR(e->getPos().getX(), 94, 1e-9);
    EXPECT_DOUBLE_EQ(e->getVel().getR(), 0);
    Entity* far = Make(MakeDef("g"), 100, 0, 10);
    far->forceTowardsPoint(Vector2d(0, 0));  // capped at 400 per second
    EXPECT_NEAR(far->getPos().getY(), 2, 1e-9);
    Entity* on = Make(MakeDef("g"), 100, 5, 5);
    on->forceTowardsPoint(Vector2d(5, 5));
    EXPECT_DOUBLE_EQ(on->getPos().getX(), 5);
    EXPECT_FALSE(std::isnan(on->getPos().getY()));
}

TEST_F(EntityStateTest, CameraClampsAndCentresSmallLevels)
{
    struct Case
    {
        double levelW, levelH, x, y, left, top;
    };
    const Case cases[] = {
        {2000, 1000, 0, 0, -320, -240},
        {2000, 1000, 990, 490, 360, 20},  // clamped to the right and bottom edges
        {2000, 1000, -990, -490, -1000, -500},
        {400, 1000, 150, 0, -320, -240},  // narrower than the screen: centred
        {2000, 300, 0, 100, -320, -240},
    };
    for (const Case& c : cases)
    {
        game->levelW = c.levelW;
        game->levelH = c.levelH;
        game->setSpriteLeft(-320);
        game->setSpriteRight(320);
        game->setSpriteTop(-240);
        game->setSpriteBottom(240);
        Entity* e = Make(MakeDef("cam"), 100, c.x, c.y);
        e->centerCameraOnMe();
        EXPECT_NEAR(game->getSpriteLeft(), c.left, 1e-9) << c.x << "," << c.y;
        EXPECT_NEAR(game->getSpriteTop(), c.top, 1e-9) << c.x << "," << c.y;
        EXPECT_NEAR(game->getSpriteRight() - game->getSpriteLeft(), 640, 1e-9);
        EXPECT_NEAR(game->getSpriteBottom() - game->getSpriteTop(), 480, 1e-9);
    }
}

TEST_F(EntityStateTest, VolumeAndPanFromTheGoo)
{
    game->gooPos = Vector2d(0, 0);
    Entity* e = Make(MakeDef("v"), 100, 400, 0);  // sqrt(100) = 10 < 20: multiplier 0.4
    float v = 0, p = 0;
    e->getVolumePan(v, p);
    EXPECT_NEAR(v, 0.5f * 0.4f, 1e-6);
    EXPECT_NEAR(p, 0.8f, 1e-6);
    e->setPos(Vector2d(-500, 0));
    e->getVolumePan(v, p);
    EXPECT_NEAR(p, -1.0f, 1e-6);
    e->setPos(Vector2d(-5000, 0));
    e->getVolumePan(v, p);
    EXPECT_NEAR(p, -1.0f, 1e-6);
    e->setPos(Vector2d(0, 0));
    e->getVolumePan(v, p);
    EXPECT_NEAR(v, 0.4f, 1e-6);

    struct Case
    {
        double area;
        float mult;
    };
    const Case sizes[] = {{400, 0.4f}, {125 * 125, 1.0f}, {1e8, 1.0f}, {72.5 * 72.5, 0.7f}};
    for (const Case& c : sizes)
    {
        e->setActualArea(c.area);
        EXPECT_NEAR(e->getSoundSizeMultiplier(), c.mult, 1e-6) << c.area;
    }
}

TEST_F(EntityStateTest, StepMovesAlongVelocityAndDirectedTravelFollowsAngle)
{
    EntityDef* def = MakeDef("d");
    def->directedTravel = true;
    Entity* e = Make(def, 100);
    e->setVel(Vector2d(100, 0));
    e->setAngle(90);
    e->update();
    EXPECT_NEAR(e->getPos().getX(), 2, 1e-9);
    EXPECT_NEAR(e->getVel().getTheta(), 90, 1e-9);
    EXPECT_NEAR(e->getVel().getR(), 100, 1e-9);

    EntityDef* m = MakeDef("m");
    m->matchAngleToVel = true;
    Entity* f = Make(m, 100);
    f->setVel(Vector2d(0, 50));
    f->update();
    EXPECT_NEAR(f->getAngle(), 270, 1e-9);
    EXPECT_LT(f->getAngle(), 360);
    EXPECT_FALSE(f->getFirstFrameAlive());
}

}  // namespace

// The computer-driven controllers: defaults, steering toward and away from targets, shooting,
// wandering bounds, path following, the level-edge controllers and the stationary one.
#include <cmath>
#include <limits>

#include "aicontrollers.h"
#include "path.h"
#include "reaction.h"
#include "test_controller_fixture.h"
#include "wgui_helpers.h"

using namespace Game;

namespace
{

class AiControllerTest : public playtest::PlayFixture
{
protected:
    void SetUp() override
    {
        PlayFixture::SetUp();
        window = MakeWindow(2000, 1000);
        def = MakeDef("fish");
    }

    AffectEntity* All()
    {
        AffectEntity* a = new AffectEntity();
        a->all = true;
        return a;
    }

    // The direction (degrees) of an entity's velocity.
    static double Heading(Entity* e) { return e->getVel().getTheta(); }

    playtest::TestPlayWindow* window = nullptr;
    EntityDef* def = nullptr;
};

TEST_F(AiControllerTest, DefaultsOfEveryKind)
{
    Path path;
    std::unique_ptr<EntityController> all[] = {std::make_unique<ControllerMoveDirection>(window, nullptr),
                                               std::make_unique<ControllerPathFollow>(&path, window, nullptr),
                                               std::make_unique<ControllerAttack>(window, nullptr),
                                               std::make_unique<ControllerEvade>(window, nullptr),
                                               std::make_unique<ControllerStayInLevel>(window, nullptr),
                                               std::make_unique<ControllerLeaveLevel>(window, nullptr),
                                               std::make_unique<ControllerStationary>(window, nullptr),
                                               std::make_unique<ControllerAvoid>(window, nullptr)};
    const struct
    {
        int type;
        double priority, firstPriority, affectDist, firstAffectDist;
    } expected[] = {{1, 0.5, 0.5, 0, 0},     {2, 0, 0.55, 0, 0},      {3, 0.6, 0.6, 300, 300},
                    {4, 0.7, 0.7, 200, 200}, {5, 0.8, 0.8, 100, 100}, {6, 0.65, 0.65, 100, 100},
                    {7, 0.5, 0.5, 0, 0},     {8, 0.8, 0.8, 1, 1}};
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(all[i]->getType(), expected[i].type);
        EXPECT_DOUBLE_EQ(all[i]->getPriorityField(), expected[i].priority) << i;
        EXPECT_DOUBLE_EQ(all[i]->getFirstPriority(), expected[i].firstPriority) << i;
        EXPECT_DOUBLE_EQ(all[i]->getAffectDist(), expected[i].affectDist) << i;
        EXPECT_DOUBLE_EQ(all[i]->getFirstAffectDist(), expected[i].firstAffectDist) << i;
        EXPECT_FALSE(all[i]->isFirst());
    }
}

TEST_F(AiControllerTest, StationaryAndMoveDirectionReportWithoutAffectEntries)
{
    Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
    auto* still = new ControllerStationary(window, nullptr);
    auto* wander = new ControllerMoveDirection(window, nullptr);
    e->addController(still);
    e->addController(wander);
    Tick();
    e->update();
    EXPECT_DOUBLE_EQ(still->getPriority(), 0.5);
    EXPECT_DOUBLE_EQ(wander->getPriority(), 0.5);
    EXPECT_EQ(e->getCurrentController(), still);  // equal priorities: the earlier one
}

TEST_F(AiControllerTest, TargetControllersChaseAndFlee)
{
    MakeEngine();
    const struct
    {
        int kind;  // 3 attack, 4 evade
        double expectedHeading;
    } cases[] = {{3, 0.0}, {4, 180.0}};
    for (const auto& c : cases)
    {
        Entity* hunter = AddEntity(def, 100, WGUI::Vector2d(0, 0));
        Entity* prey = AddEntity(MakeDef("prey"), 100, WGUI::Vector2d(100, 0));
        ControllerTargeting* t = nullptr;
        if (c.kind == 3)
            t = new ControllerAttack(window, window->engine);
        else
            t = new ControllerEvade(window, window->engine);
        t->setSpeed(50);
        t->setAccel(100);
        t->addAffectEntity(All());
        hunter->addController(t);
        Tick();
        window->engine->update();                 // partitions the entities for the queries
        EXPECT_DOUBLE_EQ(t->getPriority(), 0.0);  // searched before the first partition
        Tick();
        t->update(false);
        ASSERT_EQ(t->getTarget(), prey);
        EXPECT_GT(t->getPriority(), 0.0);
        ASSERT_EQ(hunter->getTargets().size(), 1u);
        EXPECT_EQ(hunter->getTargets().front()->entity, prey);
        hunter->setVel(WGUI::Vector2d(0, 0));
        t->doControl();
        // Accelerating from rest toward the goal point 1000 units along the direction.
        EXPECT_NEAR(WGUI::angleDifference(Heading(hunter), c.expectedHeading), 0.0, 1e-9);
        EXPECT_NEAR(hunter->getVel().getR(), 100 * Dt(), 1e-9);
        // The target goes: the controller forgets it at once.
        prey->setDeleteMe();
        EXPECT_EQ(t->getTarget(), nullptr);
        EXPECT_DOUBLE_EQ(t->getPriority(), 0.0);
        hunter->setDeleteMe();
        Tick();
        window->engine->update();
    }
}

TEST_F(AiControllerTest, AvoidFleesWhatItWouldTouch)
{
    MakeEngine();
    Entity* runner = AddEntity(def, 100, WGUI::Vector2d(0, 0));
    Entity* wall = AddEntity(MakeDef("wall"), 400, WGUI::Vector2d(0, -60));
    auto* avoid = new ControllerAvoid(window, window->engine);
    avoid->setSpeed(80);
    avoid->setAccel(100);
    avoid->addAffectEntity(All());
    runner->addController(avoid);
    Tick();
    window->engine->update();
    runner->setVel(WGUI::Vector2d(0, -100));  // heading up into the wall within a second
    avoid->update(false);
    ASSERT_EQ(avoid->getTarget(), wall);
    runner->setVel(WGUI::Vector2d(0, 0));
    avoid->doControl();
    EXPECT_NEAR(Heading(runner), -90.0, 1e-9);  // straight away from it: down the screen
    // Standing still, nothing lies on its way.
    runner->setVel(WGUI::Vector2d(0, 0));
    avoid->update(false);
    EXPECT_EQ(avoid->getTarget(), nullptr);
}

TEST_F(AiControllerTest, AttackShootsWithinFifteenDegrees)
{
    MakeEngine();
    const struct
    {
        double angle;
        bool fires;
    } cases[] = {{0, true}, {15.0, true}, {15.01, false}, {345.0, true}, {344.99, false}, {180, false}};
    for (const auto& c : cases)
    {
        window->shots.clear();
        Entity* a = AddEntity(def, 100, WGUI::Vector2d(0, 0));
        Entity* t = AddEntity(MakeDef("target"), 100, WGUI::Vector2d(100, 0));
        auto* attack = new ControllerAttack(window, window->engine);
        attack->setShot(2);
        attack->setShotPeriod(2);
        attack->setShotPos(0.5, 0);
        attack->addAffectEntity(All());
        a->addController(attack);
        Tick();
        window->engine->update();
        a->setAngle(c.angle);
        Tick();
        attack->update(false);
        ASSERT_EQ(attack->getTarget(), t);
        attack->doControl();
        ASSERT_EQ(window->shots.size(), c.fires ? 1u : 0u) << c.angle;
        if (c.fires)
        {
            EXPECT_EQ(window->shots[0].shot, 2);
            EXPECT_DOUBLE_EQ(window->shots[0].angle, c.angle);
            // From half the bigger dimension ahead, turned with the entity.
            WGUI::Vector2d expected(0.5 * a->getBiggerDim(), 0);
            if (c.angle != 0)
                expected.setTheta(c.angle);
            EXPECT_NEAR(window->shots[0].pos.getX(), expected.getX(), 1e-9);
            EXPECT_NEAR(window->shots[0].pos.getY(), expected.getY(), 1e-9);
        }
        else
        {
            EXPECT_GT(attack->getShotTime(), 1000.0);  // keeps growing while facing away
        }
        a->setDeleteMe();
        t->setDeleteMe();
        Tick();
        window->engine->update();
    }
}

TEST_F(AiControllerTest, AttackShootsAtOnceThenAfterEachPeriod)
{
    MakeEngine();
    Entity* a = AddEntity(def, 100, WGUI::Vector2d(0, 0));
    AddEntity(MakeDef("target"), 100, WGUI::Vector2d(200, 0));
    auto* attack = new ControllerAttack(window, window->engine);
    attack->setShot(0);
    attack->setShotPeriod(2);
    attack->addAffectEntity(All());
    a->addController(attack);
    Tick();
    window->engine->update();
    std::vector<int> firedAt;
    for (int frame = 1; frame <= 250; ++frame)
    {
        Tick();
        attack->update(false);
        a->setVel(WGUI::Vector2d(0, 0));
        a->setPos(WGUI::Vector2d(0, 0));
        a->setAngle(0);
        size_t before = window->shots.size();
        attack->doControl();
        if (window->shots.size() != before)
            firedAt.push_back(frame);
    }
    // 100 frames of 0.02 s pass 2 s.
    EXPECT_EQ(firedAt, (std::vector<int>{1, 101, 201}));
}

TEST_F(AiControllerTest, AttackWithoutShotOnlyChases)
{
    MakeEngine();
    Entity* a = AddEntity(def, 100, WGUI::Vector2d(0, 0));
    AddEntity(MakeDef("target"), 100, WGUI::Vector2d(0, 100));
    auto* attack = new ControllerAttack(window, window->engine);
    attack->setSpeed(30);
    attack->setAccel(1000);
    attack->addAffectEntity(All());
    a->addController(attack);
    Tick();
    window->engine->update();
    for (int i = 0; i < 20; ++i)
    {
        Tick();
        attack->update(false);
        attack->doControl();
    }
    EXPECT_TRUE(window->shots.empty());
    EXPECT_NEAR(Heading(a), -90.0, 1e-9);
    EXPECT_NEAR(a->getVel().getR(), 30.0, 1e-9);
}

TEST_F(AiControllerTest, MoveDirectionSnapsHeadingIntoItsWrappedRange)
{
    const struct
    {
        double heading;
        double expected;
        bool rateReset;
    } cases[] = {{5, 5, false},    {340, 340, false}, {15, 10, true},
                 {300, 330, true}, {180, 330, true},  {170, 10, true}};  // 170: a tie, which goes to hi
    for (const auto& c : cases)
    {
        Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
        auto* m = new ControllerMoveDirection(window, nullptr);
        m->setDirection(350);
        m->setDirectionVariance(20);
        m->setDirectionVaryAccel(1e-9);
        m->setSpeed(100);
        m->setSpeedVariance(50);
        m->setAccel(1e9);  // the speed cap decides the velocity: its direction is the goal's
        e->addController(m);
        WGUI::Vector2d v;
        v.setPolar(100, c.heading);
        e->setVel(v);
        Tick();
        m->doControl();
        double h = Heading(e);
        WGUI::set0To360(h);
        EXPECT_NEAR(WGUI::angleDifference(h, c.expected), 0.0, 1e-3) << c.heading;
        EXPECT_EQ(m->getDirectionRate() == 0.0, c.rateReset) << c.heading;
    }
}

TEST_F(AiControllerTest, MoveDirectionSnapsSpeedAtItsBounds)
{
    const struct
    {
        double speed, expected;
    } cases[] = {{200, 120}, {120, 120}, {119.9, 119.9}, {50, 80}, {80, 80}, {80.1, 80.1}};
    for (const auto& c : cases)
    {
        Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
        auto* m = new ControllerMoveDirection(window, nullptr);
        m->setSpeed(100);
        m->setSpeedVariance(-20);  // stored as its absolute value
        m->setAccel(1e9);          // the speed cap decides the velocity
        e->addController(m);
        e->setVel(WGUI::Vector2d(c.speed, 0));
        Tick();
        m->doControl();
        EXPECT_NEAR(e->getVel().getR(), c.expected, 1e-9) << c.speed;
    }
}

TEST_F(AiControllerTest, MoveDirectionResetsItsSpeedRateWhenSnapped)
{
    for (double speed : {100.0, 200.0})
    {
        Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
        auto* m = new ControllerMoveDirection(window, nullptr);
        m->setSpeed(100);
        m->setSpeedVariance(20);
        m->setSpeedVaryAccel(50);
        e->addController(m);
        e->setVel(WGUI::Vector2d(speed, 0));
        Tick();
        m->doControl();
        EXPECT_EQ(m->getSpeedRate() == 0.0, speed == 200.0) << speed;
    }
}

TEST_F(AiControllerTest, MoveDirectionWithoutVarianceHoldsHeadingAndSpeed)
{
    Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
    auto* m = new ControllerMoveDirection(window, nullptr);
    m->setDirection(90);
    m->setSpeed(40);
    m->setAccel(1e9);
    e->addController(m);
    for (int i = 0; i < 5; ++i)
    {
        Tick();
        e->update();
        EXPECT_NEAR(Heading(e), 90.0, 1e-6);
        EXPECT_NEAR(e->getVel().getR(), 40.0, 1e-6);
    }
}

class PathFollowTest : public AiControllerTest
{
protected:
    void SetUp() override
    {
        AiControllerTest::SetUp();
        SplinePair p;
        p.x1 = -100;
        p.x2 = 100;
        path.addPair(p);
        path.segmentPath();
    }
    Path path;
};

TEST_F(PathFollowTest, WrapsWhenLoopingAndStopsWhenNot)
{
    for (bool loop : {true, false})
    {
        Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
        auto* f = new ControllerPathFollow(&path, window, nullptr);
        f->setLoop(loop);
        f->setInitPathPos(0.99);
        f->setSpeed(0.21 / 0.02 * path.getLength());  // 0.21 of the path per frame
        e->addController(f);
        f->update(true);
        Tick();
        f->doControl();
        if (loop)
        {
            EXPECT_NEAR(f->getPathPos(), 0.2, 1e-9);
            EXPECT_GT(f->getPriority(), 0.0);
        }
        else
        {
            EXPECT_NEAR(f->getPathPos(), 1.2, 1e-9);
            EXPECT_DOUBLE_EQ(f->getPriority(), 0.0);
        }
    }
}

TEST_F(PathFollowTest, PlacesTheEntityAndSwitchesItsPhysicsOff)
{
    Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
    e->setDirectedTravel(true);
    auto* f = new ControllerPathFollow(&path, window, nullptr);
    f->setFirst(true);
    f->setSpeed(path.getLength() / 2);  // half the path a second
    e->addController(f);
    Tick();
    e->update();
    // The first frame alive: placed on the path, no velocity.
    EXPECT_DOUBLE_EQ(e->getVel().getR(), 0.0);
    const WGUI::Vector2d first = e->getPos();
    EXPECT_NEAR(first.getY(), 0.0, 1e-9);
    Tick();
    e->update();
    const WGUI::Vector2d second = e->getPos();
    EXPECT_GT(second.getX(), first.getX());
    // Velocity is the step over the frame time; the physics did not move it further.
    EXPECT_NEAR(e->getVel().getX(), (second.getX() - first.getX()) / Dt(), 1e-6);
    EXPECT_NEAR(e->getAngle(), 0.0, 1e-9);
    // Normal priority 0: once the first phase is over it never wins.
    EXPECT_DOUBLE_EQ(f->getPriorityField(), 0.0);
}

TEST_F(PathFollowTest, EmptyPathDoesNotMoveTheEntity)
{
    Path empty;
    Entity* e = MakeEntity(def, 100, WGUI::Vector2d(5, 5));
    auto* f = new ControllerPathFollow(&empty, window, nullptr);
    f->setSpeed(100);
    e->addController(f);
    Tick();
    f->doControl();
    EXPECT_DOUBLE_EQ(e->getPos().getX(), 5.0);
    EXPECT_DOUBLE_EQ(f->getPathPos(), 0.0);
}

TEST_F(AiControllerTest, StayInLevelPushesInwardFromNearEdges)
{
    // Level 2000 x 1000: left -1000, right 1000, top -500, bottom 500. Radius 10 (area 200).
    const struct
    {
        double x, y;
        double px, py;
    } cases[] = {{-1000 + 50, 0, 1, 0},  {1000 - 50, 0, -1, 0}, {0, -500 + 50, 0, 1},
                 {0, 500 - 50, 0, -1},   {0, 0, 0, 0},          {-1000 + 50, 500 - 50, 1, -1},
                 {-1000 + 111, 0, 0, 0}, {0, 500 - 109, 0, -1}};
    for (const auto& c : cases)
    {
        Entity* e = MakeEntity(def, 200, WGUI::Vector2d(c.x, c.y));
        ASSERT_NEAR(e->getRadius(), 10.0, 1e-12);
        auto* s = new ControllerStayInLevel(window, nullptr);
        s->setSpeed(50);
        s->setAccel(100);
        e->addController(s);
        Tick();
        s->update(false);
        EXPECT_DOUBLE_EQ(s->getPushDir().getX(), c.px) << c.x << "," << c.y;
        EXPECT_DOUBLE_EQ(s->getPushDir().getY(), c.py) << c.x << "," << c.y;
        EXPECT_EQ(s->isActive(), c.px != 0 || c.py != 0);
        EXPECT_DOUBLE_EQ(s->getPriority(), s->isActive() ? 0.8 : 0.0);
        if (s->isActive())
        {
            s->doControl();
            EXPECT_GT(e->getVel().getX() * c.px + e->getVel().getY() * c.py, 0.0);
        }
    }
}

TEST_F(AiControllerTest, LeaveLevelIsOneWay)
{
    Entity* e = MakeEntity(def, 1000, WGUI::Vector2d(0, 0));
    auto* l = new ControllerLeaveLevel(window, nullptr);
    l->setLeaveSize(5000);
    l->setSpeed(60);
    l->setAccel(1e9);
    e->addController(l);
    Tick();
    l->update(false);
    EXPECT_FALSE(l->isLeaving());
    EXPECT_DOUBLE_EQ(l->getPriority(), 0.0);
    e->setActualArea(5000);
    l->update(false);
    EXPECT_FALSE(l->isLeaving());  // not above the size yet
    e->setActualArea(5001);
    l->update(false);
    ASSERT_TRUE(l->isLeaving());
    // At the very centre the way out is along +x.
    EXPECT_DOUBLE_EQ(l->getLeaveDir().getX(), 100.0);
    EXPECT_DOUBLE_EQ(l->getLeaveDir().getY(), 0.0);
    EXPECT_DOUBLE_EQ(l->getPriority(), 0.65);
    l->doControl();
    EXPECT_NEAR(Heading(e), 0.0, 1e-9);
    e->setActualArea(10);
    e->setPos(WGUI::Vector2d(0, 300));
    l->update(false);
    EXPECT_TRUE(l->isLeaving());
    EXPECT_NEAR(l->getLeaveDir().getY(), 100.0, 1e-12);
}

TEST_F(AiControllerTest, LeaveLevelAfterItsTime)
{
    Entity* e = MakeEntity(def, 100, WGUI::Vector2d(10, 0));
    auto* l = new ControllerLeaveLevel(window, nullptr);
    l->setLeaveTime(0.1);
    e->addController(l);
    for (int i = 0; i < 5; ++i)
    {
        Tick();
        e->update();
    }
    EXPECT_FALSE(l->isLeaving());  // 0.1 s lived, not more
    Tick();
    e->update();
    EXPECT_TRUE(l->isLeaving());
}

}  // namespace

namespace
{

TEST_F(PathFollowTest, DebugOverlayDrawsPiecesAndSamples)
{
    ASSERT_TRUE(TRenderer::GetInstance()->BeginDraw(false));
    ASSERT_TRUE(TRenderer::GetInstance()->Begin2d());
    const size_t before = handler->calls.size();
    path.draw(window);
    // At least the hundred sample pixels, plus squares and lines for the piece.
    EXPECT_GE(handler->calls.size() - before, 100u);
    Path empty;
    const size_t afterPath = handler->calls.size();
    empty.draw(window);
    empty.draw(nullptr);
    EXPECT_GE(handler->calls.size(), afterPath);
    TRenderer::GetInstance()->End2d();
    TRenderer::GetInstance()->EndDraw(false);
}

}  // namespace

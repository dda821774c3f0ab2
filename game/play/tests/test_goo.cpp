// The goo: its face under the cheats, the soft level bounds, the pupils' focus, the tint of
// recent meals, the yum-yum bookkeeping, the helper arrow's fading, the cheats that change its
// reactions, and its reports to the play screen.
#include <cmath>

#include "controllergreygoo.h"
#include "reaction.h"
#include "test_controller_fixture.h"

using namespace Game;

namespace
{

class GooTest : public playtest::PlayFixture
{
protected:
    void SetUp() override
    {
        PlayFixture::SetUp();
        window = MakeWindow(2000, 1000);
        gooDef = MakeDef("greygoo");
        food = MakeDef("food");
        food->effectR = 1;
        food->effectG = 0;
        food->effectB = 0;
    }

    // A goo owned by the fixture (area 5000: width and height about 70.7).
    GreyGoo* MakeGoo(double area = 5000, WGUI::Vector2d pos = WGUI::Vector2d(0, 0))
    {
        auto g = std::make_unique<GreyGoo>(gooDef, window);
        g->setActualArea(area);
        g->setDisplayArea(area);
        g->setPos(pos);
        g->updateIntersectionShapes();
        window->goo = g.get();
        GreyGoo* raw = g.get();
        entities.push_back(std::move(g));
        return raw;
    }

    // A goo handed to an engine (which then owns it).
    GreyGoo* AddGoo(double area, WGUI::Vector2d pos)
    {
        GreyGoo* g = new GreyGoo(gooDef, window);
        g->setActualArea(area);
        g->setDisplayArea(area);
        g->setPos(pos);
        g->updateIntersectionShapes();
        window->goo = g;
        window->engine->addEntity(g);
        return g;
    }

    void AddReaction(EntityDef* owner, EntityDef* target, int effect, int condition)
    {
        Reaction* r = new Reaction();
        r->target = target;
        r->effect = effect;
        r->condition = condition;
        owner->reactions.push_back(r);
    }

    playtest::TestPlayWindow* window = nullptr;
    EntityDef* gooDef = nullptr;
    EntityDef* food = nullptr;
};

TEST_F(GooTest, MakesItsOwnControllerAndClearsThePlayScreensReference)
{
    GreyGoo* g = new GreyGoo(gooDef, window);
    window->goo = g;
    ASSERT_EQ(g->getNumControllers(), 1);
    EXPECT_EQ(g->getController(0), g->getPlayerController());
    EXPECT_DOUBLE_EQ(g->getSoundSizeMultiplier(), 1.0f);
    EXPECT_GE(g->getBlinkInterval(), 0.5);
    EXPECT_LE(g->getBlinkInterval(), 3.0);
    EXPECT_DOUBLE_EQ(g->getYumYumTimer(), 1000.0);
    delete g;
    EXPECT_EQ(window->goo, nullptr);
    EXPECT_EQ(window->setGreyGooCalls, 1);
}

TEST_F(GooTest, AnOldGooLeavesTheNewGoosReferenceAlone)
{
    GreyGoo* old = new GreyGoo(gooDef, window);
    GreyGoo* current = MakeGoo();
    ASSERT_EQ(window->goo, current);
    delete old;
    EXPECT_EQ(window->goo, current);
}

TEST_F(GooTest, EyeLayoutFollowsTheCheats)
{
    const struct
    {
        bool wide, small, big, cyclops;
        double leftX, rightX, eye, pupil;
    } cases[] = {
        {false, false, false, false, -0.118, 0.114, 0.27, 0.108},
        {true, false, false, false, -0.202, 0.198, 0.27, 0.108},
        {false, true, false, false, -0.118, 0.114, 0.15, 0.06},
        {false, false, true, false, -0.202, 0.198, 0.5, 0.2},
        {false, true, true, false, -0.202, 0.198, 0.5, 0.2},  // big beats small
        {false, false, false, true, -0.002, -0.002, 0.27, 0.108},
        {true, true, false, true, -0.002, -0.002, 0.15, 0.06},
    };
    Cheats* cheats = Cheats::instance();
    for (const auto& c : cases)
    {
        cheats->setWideEyes(c.wide);
        cheats->setSmallEyes(c.small);
        cheats->setBigEyes(c.big);
        cheats->setCyclops(c.cyclops);
        const GreyGoo::EyeLayout l = GreyGoo::getEyeLayout();
        EXPECT_NEAR(l.leftX, c.leftX, 1e-12);
        EXPECT_NEAR(l.rightX, c.rightX, 1e-12);
        EXPECT_NEAR(l.eyeSize, c.eye, 1e-12);
        EXPECT_NEAR(l.pupilSize, c.pupil, 1e-12);
        EXPECT_DOUBLE_EQ(l.y, 0.02);
    }
}

TEST_F(GooTest, EyesAreDrawnAtTheLayoutUnturned)
{
    GreyGoo* g = MakeGoo(5000, WGUI::Vector2d(10, 20));
    g->setAngle(90);
    Cheats::instance()->setCyclops(true);
    g->draw();
    const double w = g->getWidth();
    EXPECT_NEAR(g->getLeftEye()->getPos().getX(), 10 - 0.002 * w, 1e-9);
    EXPECT_NEAR(g->getLeftEye()->getPos().getY(), 20 + 0.02 * g->getHeight(), 1e-9);
    EXPECT_DOUBLE_EQ(g->getLeftEye()->getPos().getX(), g->getRightEye()->getPos().getX());
    EXPECT_DOUBLE_EQ(g->getLeftPupil()->getPos().getX(), g->getRightPupil()->getPos().getX());
    EXPECT_NEAR(g->getLeftEye()->getWidth(), 0.27 * w, 1e-9);
    EXPECT_DOUBLE_EQ(g->getLeftEye()->getAngle(), 0.0);
}

TEST_F(GooTest, PupilOffsetStaysInTheUnitDisc)
{
    GreyGoo* g = MakeGoo();
    g->setLookPos(WGUI::Vector2d(5000, 5000));
    EXPECT_NEAR(g->getPupilPos(WGUI::Vector2d(0, 0)).getR(), 1.0, 1e-12);
    g->setLookPos(WGUI::Vector2d(10, 0));
    EXPECT_NEAR(g->getPupilPos(WGUI::Vector2d(0, 0)).getX(), 10 / (g->getWidth() + 50), 1e-12);
}

TEST_F(GooTest, SoftBoundsLeaveAGooInsideAlone)
{
    GreyGoo* g = MakeGoo(5000, WGUI::Vector2d(100, 50));
    g->setVel(WGUI::Vector2d(-30, 10));
    Tick();
    g->limitToLevelSoft();
    EXPECT_DOUBLE_EQ(g->getPos().getX(), 100.0);
    EXPECT_DOUBLE_EQ(g->getPos().getY(), 50.0);
    EXPECT_DOUBLE_EQ(g->getVel().getX(), -30.0);
}

TEST_F(GooTest, SoftBoundsPullBackAGooPokingOut)
{
    GreyGoo* g = MakeGoo();
    const double w = g->getWidth();
    const double x = -1000 + w / 2 - 10;  // 10 px past the left edge
    g->setPos(WGUI::Vector2d(x, 0));
    g->setVel(WGUI::Vector2d(-50, 0));
    Tick();
    g->limitToLevelSoft();
    EXPECT_NEAR(g->getVel().getX(), -50 * 3 * 0.02, 1e-12);
    EXPECT_NEAR(g->getPos().getX(), x + 100 * 10 / w * 0.02, 1e-9);
    // Moving inwards already: the speed is kept.
    g->setVel(WGUI::Vector2d(40, 0));
    g->limitToLevelSoft();
    EXPECT_DOUBLE_EQ(g->getVel().getX(), 40.0);
}

TEST_F(GooTest, SoftBoundsNeverCarryATinyGooPastTheEdge)
{
    GreyGoo* g = MakeGoo(2);  // width 1.4: the plain pull would be 100 x 0.05 / 1.4 > 1
    g->setPos(WGUI::Vector2d(1100, 0));
    Tick(50);
    g->limitToLevelSoft();
    EXPECT_NEAR(g->getPos().getX(), 1000 - g->getWidth() / 2, 1e-9);
    EXPECT_TRUE(std::isfinite(g->getPos().getX()));
}

TEST_F(GooTest, UpdateReportsThePositionAndWanders)
{
    GreyGoo* g = MakeGoo(5000, WGUI::Vector2d(30, 40));
    Tick();
    g->update();
    EXPECT_EQ(window->gooPosReports, 1);
    EXPECT_DOUBLE_EQ(window->gooPos.getX(), g->getPos().getX());
    // The first wander target comes after 1 s, within 200 of the goo.
    for (int i = 0; i < 60; ++i)
    {
        Tick();
        g->update();
    }
    const WGUI::Vector2d d = g->getWanderTarget() - g->getPos();
    EXPECT_LE(std::fabs(d.getX()), 200.0 + 1e-9);
    EXPECT_LE(std::fabs(d.getY()), 200.0 + 1e-9);
    EXPECT_GT(d.getR(), 0.0);
}

TEST_F(GooTest, PupilFocusHasASpeedFloorAndNoOvershoot)
{
    GreyGoo* g = MakeGoo();
    g->setLookTarget(WGUI::Vector2d(20000, 0));
    Tick();
    g->update();
    // Four times the distance per second, at most 50000.
    EXPECT_NEAR(g->getLookPos().getX(), 50000 * 0.02, 1e-9);
    // Close by: the floor of 1000 a second would overshoot; it stops on the target instead.
    g->setLookPos(WGUI::Vector2d(0, 0));
    g->setLookTarget(WGUI::Vector2d(3, -2));
    Tick();
    g->update();
    EXPECT_DOUBLE_EQ(g->getLookPos().getX(), 3.0);
    EXPECT_DOUBLE_EQ(g->getLookPos().getY(), -2.0);
    // Farther: at least 1000 a second.
    g->setLookPos(WGUI::Vector2d(0, 0));
    g->setLookTarget(WGUI::Vector2d(0, 100));
    Tick();
    g->update();
    EXPECT_NEAR(g->getLookPos().getY(), 1000 * 0.02, 1e-9);
}

TEST_F(GooTest, MealsTintTheGooThenFade)
{
    GreyGoo* g = MakeGoo(1000);
    Entity* meal = MakeEntity(food, 500, WGUI::Vector2d(5, 0));
    Tick();
    g->update();
    EXPECT_DOUBLE_EQ(g->getColourR(), 0.7);
    g->eatEntity(meal);
    ASSERT_EQ(g->getNumEatenColours(), 1);
    ASSERT_EQ(window->eaten.size(), 1u);
    EXPECT_EQ(window->eaten[0], meal);
    EXPECT_TRUE(meal->getBeingEaten());
    for (int i = 0; i < 20; ++i)
    {
        Tick();
        g->update();
    }
    // Strength 1.5 (3 x 500 / 1000) at full weight: all the way to the meal's red.
    EXPECT_NEAR(g->getColourR(), 1.0, 1e-9);
    EXPECT_NEAR(g->getColourG(), 0.0, 1e-9);
    for (int i = 0; i < 120; ++i)
    {
        Tick();
        g->update();
    }
    EXPECT_EQ(g->getNumEatenColours(), 0);
    EXPECT_DOUBLE_EQ(g->getColourR(), 0.7);
    EXPECT_DOUBLE_EQ(g->getColourA(), 1.0);
}

TEST_F(GooTest, RefusedMealsLeaveNoTrace)
{
    GreyGoo* g = MakeGoo(1000);
    Entity* meal = MakeEntity(food, 100, WGUI::Vector2d(5, 0));
    Entity* other = MakeEntity(food, 100, WGUI::Vector2d(8, 0));
    other->eatEntity(meal);
    ASSERT_TRUE(meal->getBeingEaten());
    g->eatEntity(meal);
    EXPECT_EQ(g->getNumEatenColours(), 0);
    EXPECT_TRUE(window->eaten.empty());
    EXPECT_DOUBLE_EQ(g->getYumYumAmount(), 0.0);
}

TEST_F(GooTest, YumYumOncePerTenSecondsWithTheAmountCapped)
{
    GreyGoo* g = MakeGoo(1000);
    Tick();
    g->eatEntity(MakeEntity(food, 1600, WGUI::Vector2d(5, 0)));
    g->updateYumYum();
    // More than 1.5 goo areas: the yum-yum goes and both counters restart.
    EXPECT_DOUBLE_EQ(g->getYumYumTimer(), 0.0);
    EXPECT_DOUBLE_EQ(g->getYumYumAmount(), 0.0);
    g->eatEntity(MakeEntity(food, 1600, WGUI::Vector2d(5, 0)));
    Tick();
    g->updateYumYum();
    // Within 10 s: no second one, the amount is held at 1.5 areas (less this frame's decay).
    EXPECT_NEAR(g->getYumYumTimer(), 0.02, 1e-12);
    EXPECT_NEAR(g->getYumYumAmount(), 1500 - 0.55 * 1000 * 0.02, 1e-9);
    for (int i = 0; i < 10; ++i)
    {
        Tick();
        g->updateYumYum();
    }
    EXPECT_LT(g->getYumYumAmount(), 1500.0);
}

TEST_F(GooTest, GoThroughWallsSkipsAllButEating)
{
    EntityDef* wall = MakeDef("wall");
    AddReaction(gooDef, wall, kEffectDestroySelf, kConditionAll);
    AddReaction(gooDef, food, kEffectEat, kConditionSmaller);
    Cheats::instance()->setGoThroughWalls(true);
    GreyGoo* g = MakeGoo(1000);
    Entity* w = MakeEntity(wall, 100, WGUI::Vector2d(5, 0));
    Entity* f = MakeEntity(food, 100, WGUI::Vector2d(5, 0));
    g->collisionReaction(w);
    EXPECT_FALSE(g->getDeleteMe());
    g->collisionReaction(f);
    EXPECT_TRUE(f->getBeingEaten());
    Cheats::instance()->setGoThroughWalls(false);
    g->collisionReaction(w);
    EXPECT_TRUE(g->getDeleteMe());
}

TEST_F(GooTest, InvincibleGooTakesNoDamage)
{
    GreyGoo* g = MakeGoo(1000);
    g->setActualArea(3000);
    Entity* biter = MakeEntity(food, 100, WGUI::Vector2d(5, 0));
    biter->setAbsDamage(500);
    Cheats::instance()->setInvinsible(true);
    g->takeDamage(biter);
    EXPECT_DOUBLE_EQ(g->getActualArea(), 3000.0);
    Cheats::instance()->setInvinsible(false);
    g->takeDamage(biter);
    EXPECT_DOUBLE_EQ(g->getActualArea(), 2500.0);
}

TEST_F(GooTest, RainbowCycleOnceASecond)
{
    Cheats::instance()->setRainbowColor(true);
    GreyGoo* g = MakeGoo();
    Tick();
    g->update();
    EXPECT_NEAR(g->getRainbowHue(), 0.02, 1e-12);
    EXPECT_DOUBLE_EQ(std::max({g->getColourR(), g->getColourG(), g->getColourB()}), 1.0);
    for (int i = 0; i < 50; ++i)
    {
        Tick();
        g->update();
    }
    EXPECT_LT(g->getRainbowHue(), 1.0);
    EXPECT_NEAR(g->getRainbowHue(), 0.02, 1e-9);
}

TEST_F(GooTest, EatenGooScattersTwentyParticlesOfItsColour)
{
    GreyGoo* g = MakeGoo(400);
    g->emitNonGooEatenParticles();
    ParticleEngine* pool = window->getParticleEngine();
    ASSERT_EQ(pool->getNumActive(), 20);
    for (int i = 0; i < 20; ++i)
    {
        Particle* p = pool->getActive(i);
        EXPECT_EQ(p->cell, 3);
        EXPECT_FLOAT_EQ(p->size, 50.0f);
        EXPECT_FLOAT_EQ(p->lifetime, 1.0f);
        EXPECT_FLOAT_EQ(p->red, 0.5f);
        EXPECT_GE(p->velocity.getR(), 30.0 - 1e-9);
        EXPECT_LE(p->velocity.getR(), 100.0 + 1e-9);
    }
}

TEST_F(GooTest, EmptyPoolSkipsParticles)
{
    window = MakeWindow(2000, 1000, 0);
    GreyGoo* g = MakeGoo(400);
    g->emitNonGooEatenParticles();
    SUCCEED();
    EXPECT_EQ(window->getParticleEngine(), nullptr);
    (void)g;
}

TEST_F(GooTest, GooWithoutAreaEatsWithoutDividingByZero)
{
    GreyGoo* g = MakeGoo(0);
    g->eatEntity(MakeEntity(food, 100, WGUI::Vector2d(1, 0)));
    Tick();
    g->update();
    EXPECT_TRUE(std::isfinite(g->getColourR()));
    EXPECT_TRUE(std::isfinite(g->getPos().getX()));
}

class GooArrowTest : public GooTest
{
protected:
    void SetUp() override
    {
        GooTest::SetUp();
        MakeEngine();
        goo = AddGoo(1000, WGUI::Vector2d(0, 0));
    }

    // One frame: the engine steps (the goo's controller becomes current), then the goo draws,
    // which runs the helper arrow.
    void Frame()
    {
        Tick();
        window->engine->update();
        goo->setPos(WGUI::Vector2d(0, 0));
        goo->setVel(WGUI::Vector2d(0, 0));
        goo->draw();
    }

    GreyGoo* goo = nullptr;
};

TEST_F(GooArrowTest, FadesInOnPreyAndLooksAtIt)
{
    Entity* prey = AddEntity(food, 800, WGUI::Vector2d(120, 0));
    Frame();
    ASSERT_EQ(goo->getArrowTarget(), prey);
    EXPECT_NEAR(goo->getArrowFade(), 6 * 0.02, 1e-12);
    EXPECT_DOUBLE_EQ(goo->getLookTarget().getX(), 120.0);
    for (int i = 0; i < 10; ++i)
        Frame();
    EXPECT_DOUBLE_EQ(goo->getArrowFade(), 1.0);
    EXPECT_FALSE(goo->getArrowFadeIn());
}

TEST_F(GooArrowTest, TooSmallOrTooBigPreyGetsNoArrow)
{
    AddEntity(food, 1000, WGUI::Vector2d(120, 0));  // not below the goo's area
    AddEntity(food, 5, WGUI::Vector2d(-900, 0));    // out of reach
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(goo->getArrowTarget(), nullptr);
    EXPECT_DOUBLE_EQ(goo->getArrowFade(), 0.0);
}

TEST_F(GooArrowTest, BetterPreyFadesOutThenSwitches)
{
    Entity* first = AddEntity(food, 600, WGUI::Vector2d(150, 0));
    for (int i = 0; i < 12; ++i)
        Frame();
    ASSERT_EQ(goo->getArrowTarget(), first);
    ASSERT_DOUBLE_EQ(goo->getArrowFade(), 1.0);
    Entity* better = AddEntity(food, 900, WGUI::Vector2d(-100, 0));
    Frame();
    EXPECT_TRUE(goo->getArrowFadeOut());
    EXPECT_EQ(goo->getArrowTarget(), first);
    EXPECT_NEAR(goo->getArrowFade(), 1 - 6 * 0.02, 1e-12);
    for (int i = 0; i < 12 && goo->getArrowTarget() != better; ++i)
        Frame();
    EXPECT_EQ(goo->getArrowTarget(), better);
    EXPECT_TRUE(goo->getArrowFadeIn());
}

TEST_F(GooArrowTest, EatingTheTargetHidesTheArrowAtOnce)
{
    Entity* prey = AddEntity(food, 800, WGUI::Vector2d(120, 0));
    for (int i = 0; i < 12; ++i)
        Frame();
    ASSERT_EQ(goo->getArrowTarget(), prey);
    goo->eatEntity(prey);
    EXPECT_EQ(goo->getArrowTarget(), nullptr);
    EXPECT_DOUBLE_EQ(goo->getArrowFade(), 0.0);
    EXPECT_FALSE(goo->getArrowFadeIn());
    EXPECT_FALSE(goo->getArrowFadeOut());
    for (int i = 0; i < 40; ++i)
        Frame();  // the meal finishes and is deleted; nothing refers to it afterwards
    EXPECT_EQ(goo->getArrowTarget(), nullptr);
}

}  // namespace

// The special kinds: the class each definition name makes, their particles (none while being
// eaten, none from an empty pool), the clay's trails at rest, and the police car's light.
#include <cmath>

#include "aicontrollers.h"
#include "specialentities.h"
#include "test_controller_fixture.h"

using namespace Game;

namespace
{

class SpecialKindsTest : public playtest::PlayFixture
{
protected:
    void SetUp() override
    {
        PlayFixture::SetUp();
        installSpecialEntityKinds();  // as the start-up does
        window = MakeWindow(2000, 1000, 400);
    }

    // A kind made through its definition, as emitters make it; owned by the fixture.
    Entity* Make(const char* name, double area, WGUI::Vector2d pos)
    {
        EntityDef* d = MakeDef(name);
        d->effectR = 0.25;
        d->effectG = 0.5;
        d->effectB = 0.75;
        std::unique_ptr<Entity> e(d->createNewEntity(window));
        e->setActualArea(area);
        e->setDisplayArea(area);
        e->setPos(pos);
        entities.push_back(std::move(e));
        return entities.back().get();
    }

    // Steps the entity for the given frames; the number of particles it made.
    int Run(Entity* e, int frames)
    {
        ParticleEngine* pool = window->getParticleEngine();
        const int before = pool->getNumActive();
        for (int i = 0; i < frames; ++i)
        {
            Tick();
            e->update();
        }
        return pool->getNumActive() - before;
    }

    playtest::TestPlayWindow* window = nullptr;
};

TEST_F(SpecialKindsTest, DefinitionNamesChooseTheClass)
{
    installSpecialEntityKinds();
    EXPECT_NE(dynamic_cast<EntityEnergy*>(Make("energy1", 100, {})), nullptr);
    EXPECT_NE(dynamic_cast<EntityEnergy*>(Make("energy2", 100, {})), nullptr);
    EXPECT_NE(dynamic_cast<EntityGalaxyGroup*>(Make("galaxygroup", 100, {})), nullptr);
    EXPECT_NE(dynamic_cast<EntityGalaxyGroup*>(Make("galaxycluster", 100, {})), nullptr);
    EXPECT_NE(dynamic_cast<EntityGalaxyGroup*>(Make("supercluster", 100, {})), nullptr);
    EXPECT_NE(dynamic_cast<EntityPoliceCar*>(Make("policecar", 100, {})), nullptr);
    EXPECT_NE(dynamic_cast<EntitySoil*>(Make("clay", 100, {})), nullptr);
    Entity* plain = Make("rock", 100, {});
    EXPECT_EQ(dynamic_cast<EntityEnergy*>(plain), nullptr);
    EXPECT_EQ(dynamic_cast<EntitySoil*>(plain), nullptr);
    EXPECT_EQ(createSpecialEntity(nullptr, window), nullptr);
}

TEST_F(SpecialKindsTest, ParticlesOfEachKind)
{
    const struct
    {
        const char* name;
        int cell;
        float lifetime;
        int perEmission;
    } cases[] = {{"energy1", 0, 0.25f, 1}, {"galaxygroup", 3, 1.0f, 1}, {"clay", 5, 0.25f, 2}};
    for (const auto& c : cases)
    {
        window->getParticleEngine()->clearActive();
        Entity* e = Make(c.name, 400, WGUI::Vector2d(10, 20));
        e->setVel(WGUI::Vector2d(30, 0));
        const int made = Run(e, 50);  // one second
        EXPECT_GT(made, 0) << c.name;
        EXPECT_EQ(made % c.perEmission, 0) << c.name;
        ParticleEngine* pool = window->getParticleEngine();
        for (int i = 0; i < pool->getNumActive(); ++i)
        {
            Particle* p = pool->getActive(i);
            EXPECT_EQ(p->cell, c.cell) << c.name;
            EXPECT_FLOAT_EQ(p->lifetime, c.lifetime) << c.name;
        }
    }
}

TEST_F(SpecialKindsTest, EnergyParticlesInheritTheVelocityAndGalaxiesStandStill)
{
    Entity* energy = Make("energy1", 400, WGUI::Vector2d(0, 0));
    energy->setVel(WGUI::Vector2d(1000, 0));
    ASSERT_GT(Run(energy, 50), 0);
    ParticleEngine* pool = window->getParticleEngine();
    // Own speed at most 2 sqrt(400) = 40 on top of the entity's 1000.
    for (int i = 0; i < pool->getNumActive(); ++i)
        EXPECT_GE(pool->getActive(i)->velocity.getX(), 1000 - 40 - 1e-9);
    pool->clearActive();
    Entity* galaxy = Make("galaxygroup", 400, WGUI::Vector2d(0, 0));
    galaxy->setVel(WGUI::Vector2d(1000, 0));
    ASSERT_GT(Run(galaxy, 50), 0);
    for (int i = 0; i < pool->getNumActive(); ++i)
    {
        EXPECT_DOUBLE_EQ(pool->getActive(i)->velocity.getR(), 0.0);
        EXPECT_FLOAT_EQ(pool->getActive(i)->red, 0.25f);
    }
}

TEST_F(SpecialKindsTest, ClayAtRestTrailsAboveAndBelowDriftingLeft)
{
    Entity* clay = Make("clay", 400, WGUI::Vector2d(0, 0));
    ASSERT_GT(Run(clay, 10), 0);
    ParticleEngine* pool = window->getParticleEngine();
    const double w = clay->getWidth();
    for (int i = 0; i < pool->getNumActive(); ++i)
    {
        Particle* p = pool->getActive(i);
        // Started at 0.6 w to one side (and has since drifted for at most the run's time).
        EXPECT_NEAR(std::fabs(p->position.getY()), 0.6 * w, 60 * 0.2 + 1e-6);
        EXPECT_NEAR(p->velocity.getR(), 60.0, 1e-9);
        EXPECT_LT(p->velocity.getX(), 0.0);
        EXPECT_NEAR(std::fabs(p->velocity.getTheta()), 165.0, 1e-9);
        EXPECT_FLOAT_EQ(p->alpha, 0.5f);
    }
}

TEST_F(SpecialKindsTest, BeingEatenStopsTheParticles)
{
    const struct
    {
        const char* name;
        float lifetime;  // of the kind's own particles
    } cases[] = {{"energy1", 0.25f}, {"galaxygroup", 1.0f}, {"clay", 0.25f}};
    for (const auto& c : cases)
    {
        ParticleEngine* pool = window->getParticleEngine();
        pool->clearActive();
        Entity* e = Make(c.name, 400, WGUI::Vector2d(0, 0));
        Entity* eater = MakeEntity(MakeDef("eater"), 5000, WGUI::Vector2d(0, 0));
        eater->eatEntity(e);
        ASSERT_TRUE(e->getBeingEaten());
        Run(e, 20);
        // Only the plain entity's burst of a meal (life 0.5 s) comes out.
        for (int i = 0; i < pool->getNumActive(); ++i)
            EXPECT_NE(pool->getActive(i)->lifetime, c.lifetime) << c.name;
    }
}

TEST_F(SpecialKindsTest, EmptyPoolStillMoves)
{
    window = MakeWindow(2000, 1000, 0);
    Entity* e = Make("energy2", 400, WGUI::Vector2d(0, 0));
    e->setVel(WGUI::Vector2d(50, 0));
    for (int i = 0; i < 10; ++i)
    {
        Tick();
        e->update();
    }
    EXPECT_NEAR(e->getPos().getX(), 50 * 0.2, 1e-9);
}

TEST_F(SpecialKindsTest, PoliceLightStaysOffUnderAFirstController)
{
    auto* car = dynamic_cast<EntityPoliceCar*>(Make("policecar", 400, WGUI::Vector2d(0, 0)));
    ASSERT_NE(car, nullptr);
    auto* first = new ControllerStationary(window, nullptr);
    first->setFirst(true);
    car->addController(first);
    for (int i = 0; i < 50; ++i)
    {
        Tick();
        car->update();
    }
    EXPECT_EQ(car->getLightState(), 0);
}

TEST_F(SpecialKindsTest, PoliceLightSwapsSidesAboutEveryFifthOfASecond)
{
    auto* car = dynamic_cast<EntityPoliceCar*>(Make("policecar", 400, WGUI::Vector2d(0, 0)));
    ASSERT_NE(car, nullptr);
    car->addController(new ControllerStationary(window, nullptr));
    Tick();
    car->update();
    EXPECT_EQ(car->getLightState(), 1);  // switched on; the timer waits a frame
    int swaps = 0;
    int state = car->getLightState();
    for (int i = 0; i < 100; ++i)
    {  // two seconds
        Tick();
        car->update();
        if (car->getLightState() != state)
        {
            ++swaps;
            state = car->getLightState();
        }
    }
    // 4.511744 a second, not randomised: 9 swaps in two seconds.
    EXPECT_EQ(swaps, 9);
    car->setAngle(90);
    car->draw();
    const WGUI::Vector2d lp = car->getLight()->getPos();
    const double d = car->getBiggerDim();
    const double side = (car->getLightState() == 1) ? 0.1 : -0.1;
    WGUI::Vector2d expected(0.05 * d, side * d);
    expected.setTheta(expected.getTheta() + 90);
    EXPECT_NEAR(lp.getX(), expected.getX(), 1e-9);
    EXPECT_NEAR(lp.getY(), expected.getY(), 1e-9);
    EXPECT_NEAR(car->getLight()->getWidth(), 0.3 * car->getWidth(), 1e-12);
}

}  // namespace

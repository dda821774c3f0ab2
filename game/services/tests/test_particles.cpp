// Particles: the fixed pool, ageing, moving and fading, the order of the lists, and the sparkle's
// pulse.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "services/particles.h"
#include "wgui_imagemap.h"
#include "wgui_timer.h"
#include "wgui_window.h"

using namespace Game;

namespace
{

TEST(Particles, PoolGivesEveryRecordOnceThenNull)
{
    ParticleEngine engine(nullptr, 150);
    EXPECT_EQ(engine.getCount(), 150);
    std::set<Particle*> seen;
    for (int i = 0; i < 150; ++i)
    {
        Particle* p = engine.popInactive();
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(seen.insert(p).second);
        p->lifetime = 1.0f;
        engine.pushActive(p);
    }
    EXPECT_EQ(engine.popInactive(), nullptr);
    EXPECT_EQ(engine.getNumActive(), 150);

    // Once some die, their records come back.
    for (int i = 0; i < 10; ++i)
        engine.getActive(i)->lifetime = 0.0f;
    engine.update(0.01);
    EXPECT_EQ(engine.getNumActive(), 140);
    EXPECT_EQ(engine.getNumInactive(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_NE(engine.popInactive(), nullptr);
    EXPECT_EQ(engine.popInactive(), nullptr);
}

TEST(Particles, PopResetsTheRecord)
{
    ParticleEngine engine(nullptr, 2);
    Particle* p = engine.popInactive();
    p->cell = 4;
    p->red = 0.2f;
    p->size = 9;
    p->angle = 45;
    p->lifetime = 0;
    p->additive = true;
    engine.pushActive(p);
    engine.update(0.01);  // dies and goes back
    Particle* q = engine.popInactive();
    ASSERT_EQ(q, p);  // taken from the back of the inactive list
    EXPECT_EQ(q->cell, -1);
    EXPECT_FLOAT_EQ(q->red, 1.0f);
    EXPECT_FLOAT_EQ(q->green, 1.0f);
    EXPECT_FLOAT_EQ(q->alpha, 1.0f);
    EXPECT_FLOAT_EQ(q->fade, 1.0f);
    EXPECT_FLOAT_EQ(q->size, 1.0f);
    EXPECT_FLOAT_EQ(q->angle, 1.0f);
    EXPECT_FLOAT_EQ(q->age, 0.0f);
    EXPECT_FLOAT_EQ(q->lifetime, 0.0f);
    EXPECT_FALSE(q->additive);
    EXPECT_FALSE(q->dead);
    EXPECT_EQ(q->imageMap, engine.getImageMap());
}

TEST(Particles, MovesAndFadesOverItsLife)
{
    ParticleEngine engine(nullptr, 1);
    Particle* p = engine.popInactive();
    p->lifetime = 1.0f;
    p->position = WGUI::Vector2d(10, 20);
    p->velocity = WGUI::Vector2d(100, 0);
    engine.pushActive(p);
    engine.update(0.25);
    EXPECT_NEAR(p->position.getX(), 35.0, 1e-9);
    EXPECT_NEAR(p->position.getY(), 20.0, 1e-9);
    EXPECT_FLOAT_EQ(p->fade, 0.75f);
    EXPECT_FALSE(p->dead);
    engine.update(0.75);  // age equals the lifetime: still alive
    EXPECT_FALSE(p->dead);
    EXPECT_EQ(engine.getNumActive(), 1);
    engine.update(0.01);
    EXPECT_TRUE(p->dead);
    EXPECT_EQ(engine.getNumActive(), 0);
}

TEST(Particles, ZeroLifetimeDiesAtOnceWithoutMoving)
{
    ParticleEngine engine(nullptr, 1);
    Particle* p = engine.popInactive();
    p->position = WGUI::Vector2d(1, 2);
    p->velocity = WGUI::Vector2d(1000, 1000);
    engine.pushActive(p);
    engine.update(0.001);
    EXPECT_TRUE(p->dead);
    EXPECT_DOUBLE_EQ(p->position.getX(), 1.0);
    EXPECT_DOUBLE_EQ(p->position.getY(), 2.0);
}

TEST(Particles, SurvivorsKeepTheirOrderAndTheDeadQueueInOrder)
{
    ParticleEngine engine(nullptr, 5);
    Particle* ps[5];
    for (int i = 0; i < 5; ++i)
    {
        ps[i] = engine.popInactive();
        ps[i]->lifetime = (i % 2) ? 0.0f : 10.0f;
        engine.pushActive(ps[i]);
    }
    engine.update(0.01);
    ASSERT_EQ(engine.getNumActive(), 3);
    EXPECT_EQ(engine.getActive(0), ps[0]);
    EXPECT_EQ(engine.getActive(1), ps[2]);
    EXPECT_EQ(engine.getActive(2), ps[4]);
    // The last one to die is the first one handed out again.
    EXPECT_EQ(engine.popInactive(), ps[3]);
    EXPECT_EQ(engine.popInactive(), ps[1]);
}

TEST(Particles, ClearActiveReturnsEverythingFromTheLast)
{
    ParticleEngine engine(nullptr, 3);
    Particle* ps[3];
    for (int i = 0; i < 3; ++i)
    {
        ps[i] = engine.popInactive();
        ps[i]->lifetime = 5;
        engine.pushActive(ps[i]);
    }
    engine.clearActive();
    EXPECT_EQ(engine.getNumActive(), 0);
    EXPECT_EQ(engine.getNumInactive(), 3);
    // Moved from the last: the first active one ends up at the back.
    EXPECT_EQ(engine.popInactive(), ps[0]);
}

TEST(Particles, OnlyTakenRecordsCanBePushed)
{
    ParticleEngine engine(nullptr, 2), other(nullptr, 1);
    Particle* p = engine.popInactive();
    p->lifetime = 5;
    engine.pushActive(p);
    engine.pushActive(p);        // twice: ignored
    engine.pushActive(nullptr);  // ignored
    Particle* q = other.popInactive();
    engine.pushActive(q);  // another engine's record: ignored
    EXPECT_EQ(engine.getNumActive(), 1);
    // A record never handed back still belongs to its engine and is freed with it.
    EXPECT_NE(engine.popInactive(), nullptr);
}

TEST(Particles, DrawingWithoutAPictureDoesNothing)
{
    ParticleEngine engine(nullptr, 1);
    Particle* p = engine.popInactive();
    p->lifetime = 1;
    p->cell = 3;
    engine.pushActive(p);
    engine.draw();  // no image map "particles" and no window: nothing to draw
    EXPECT_EQ(engine.getImageMap(), nullptr);
}

TEST(Particles, DrawingSetsTheMapsBlitState)
{
    WGUI::ImageMap map("particles");
    map.setDim(64, 64);
    map.cellGrid(16, 16, 16);
    WGUI::Window window;
    ParticleEngine engine(&window, 2);
    Particle* p = engine.popInactive();
    p->imageMap = &map;
    p->lifetime = 1;
    p->cell = 5;
    p->red = 0.5f;
    p->additive = true;
    engine.pushActive(p);
    Particle* q = engine.popInactive();
    q->imageMap = &map;
    q->lifetime = 1;
    q->cell = 99;  // a cell the map does not have: nothing is drawn
    engine.pushActive(q);
    engine.draw();
    // The last particle drawn leaves its state on the map.
    EXPECT_EQ(map.getCell(), 99);
    EXPECT_EQ(map.getBlendMode(), 0);
    p->draw();
    EXPECT_EQ(map.getCell(), 5);
    EXPECT_EQ(map.getBlendMode(), 1);
    EXPECT_FLOAT_EQ(map.getBlitR(), 0.5f);
}

TEST(Sparkle, PulseGrowsAndShrinksAtItsSpeed)
{
    // A tiny interval makes the emit timer fire at the first frame.
    WGUI::Timer::instance()->update();
    Sparkle sparkle(nullptr, 5, 5, 1e-6, 40, 2.0);
    EXPECT_FALSE(sparkle.isShining());
    sparkle.update(0.125);
    ASSERT_TRUE(sparkle.isShining());
    EXPECT_DOUBLE_EQ(sparkle.getFraction(), 0.25);
    EXPECT_DOUBLE_EQ(sparkle.getSprite().getWidth(), 10.0);
    for (int i = 0; i < 3; ++i)
        sparkle.update(0.125);
    EXPECT_DOUBLE_EQ(sparkle.getFraction(), 1.0);  // half a second to full width
    EXPECT_FALSE(sparkle.isGrowing());
    EXPECT_DOUBLE_EQ(sparkle.getSprite().getWidth(), 40.0);
    for (int i = 0; i < 3; ++i)
        sparkle.update(0.125);
    EXPECT_TRUE(sparkle.isShining());
    sparkle.update(0.125);  // and another half second to vanish
    EXPECT_FALSE(sparkle.isShining());
    EXPECT_DOUBLE_EQ(sparkle.getFraction(), 0.0);
    EXPECT_DOUBLE_EQ(sparkle.getSprite().getWidth(), 0.0);
    // The angle turns 130 degrees a second, wrapped: 8 frames of 1/8 s.
    EXPECT_NEAR(sparkle.getAngle(), 130.0, 1e-9);
    sparkle.draw(0.5);
    WGUI::Timer::deleteInstance();
}

TEST(Sparkle, TheEmitTimerRunsOnTheTimeGiven)
{
    // The frame timer stands still; only the time handed to update counts.
    struct Case
    {
        double dt;
        int frames;
        bool shines;
    };
    const Case cases[] = {{0.5, 10, true}, {0.0, 1000, false}};
    for (const Case& c : cases)
    {
        srand(5);
        WGUI::Timer::instance()->update();  // frames of 0.001 s without a platform clock
        Sparkle sparkle(nullptr, 0, 0, 1.0, 10, 1.0);
        bool shone = false;
        for (int i = 0; i < c.frames && !shone; ++i)
        {
            sparkle.update(c.dt);
            shone = sparkle.isShining();
        }
        EXPECT_EQ(shone, c.shines) << c.dt;
        WGUI::Timer::deleteInstance();
    }
}

TEST(Sparkle, WaitsWhileTheEmitTimerHasNotFired)
{
    srand(3);
    WGUI::Timer::instance()->update();  // frames of 0.001 s without a platform clock
    Sparkle sparkle(nullptr, 0, 0, 1000.0, 10, 1.0);
    for (int i = 0; i < 100; ++i)
        sparkle.update(0.5);
    EXPECT_FALSE(sparkle.isShining());
    EXPECT_DOUBLE_EQ(sparkle.getSprite().getWidth(), 0.0);
    WGUI::Timer::deleteInstance();
}

}  // namespace

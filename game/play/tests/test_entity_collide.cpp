// Entity collisions: reaction choice, push-out, bounce and slide, damage, eating with the
// growth easing, being eaten, destruction, and the unlinking done when marked for deletion.
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

class EntityCollideTest : public EntityTest
{
};

TEST_F(EntityCollideTest, ReactionChoiceTables)
{
    EntityDef* x = MakeDef("x");
    EntityDef* y = MakeDef("y");
    struct Rule
    {
        EntityDef* target;
        int cond, effect;
    };
    struct Case
    {
        std::vector<Rule> rules;
        EntityDef* other;
        double otherArea;
        int effect;
    };
    const Case cases[] = {
        // [any: eat if smaller; X: bounce]
        {{{nullptr, kConditionSmaller, kEffectEat}, {x, kConditionAll, kEffectBounce}}, x, 50, kEffectBounce},
        {{{nullptr, kConditionSmaller, kEffectEat}, {x, kConditionAll, kEffectBounce}}, y, 50, kEffectEat},
        {{{nullptr, kConditionSmaller, kEffectEat}, {x, kConditionAll, kEffectBounce}}, y, 500, kEffectNone},
        // [X: eat if smaller; any: damage] meeting a larger X: the fallback.
        {{{x, kConditionSmaller, kEffectEat}, {nullptr, kConditionAll, kEffectDamage}},
         x,
         500,
         kEffectDamage},
        // Two rules for any kind that both hold: the later one.
        {{{nullptr, kConditionAll, kEffectSlide}, {nullptr, kConditionAll, kEffectDestroySelf}},
         y,
         50,
         kEffectDestroySelf},
        // A kind rule ends the walk even before a later any-rule.
        {{{x, kConditionAll, kEffectSlide}, {nullptr, kConditionAll, kEffectEat}}, x, 50, kEffectSlide},
        {{}, x, 50, kEffectNone},
    };
    for (const Case& c : cases)
    {
        EntityDef* owner = MakeDef("owner");
        for (const Rule& r : c.rules)
            AddRule(owner, r.target, r.cond, r.effect);
        Entity* a = Make(owner, 100);
        Entity* b = Make(c.other, c.otherArea);
        EXPECT_EQ(a->getCollisionEffect(b), c.effect);
    }
}

TEST_F(EntityCollideTest, IntersectionNeedsShapesAndLiveSides)
{
    EntityDef* round = MakeDef("round");
    EntityDef* bare = MakeDef("bare", false);
    Entity* a = Make(round, 100, 0, 0);
    Entity* b = Make(round, 100, 9, 0);  // radii 5 each with circles of half the size
    Entity* far = Make(round, 100, 11, 0);
    Entity* ghost = Make(bare, 100, 0, 0);
    EXPECT_TRUE(a->checkIntersection(b));
    EXPECT_FALSE(a->checkIntersection(far));
    EXPECT_TRUE(a->checkRoughIntersection(ghost));
    EXPECT_FALSE(a->checkIntersection(ghost));
    EXPECT_FALSE(ghost->checkIntersection(a));
    b->setDeleteMe();
    EXPECT_FALSE(a->checkIntersection(b));
}

TEST_F(EntityCollideTest, EatingGrowsAndEasesTheDisplay)
{
    game->growthRate = 0.1;
    EntityDef* eaterDef = MakeDef("eater");
    eaterDef->growEat = true;
    Entity* eater = Make(eaterDef, 1000);
    Entity* meal = Make(MakeDef("meal"), 200, 10, 0);
    eater->eatEntity(meal);
    EXPECT_DOUBLE_EQ(eater->getActualArea(), 1020);
    EXPECT_DOUBLE_EQ(eater->getSwellArea(), 1120);
    EXPECT_DOUBLE_EQ(eater->getGrowTimer(), 0);
    EXPECT_TRUE(meal->getBeingEaten());
    EXPECT_EQ(meal->getEater(), eater);
    ASSERT_EQ(eater->getEatees().size(), 1u);

    double peak = 0;
    for (int i = 0; i < 150; ++i)
    {
        eater->update();
        peak = std::max(peak, eater->getDisplayArea());
        EXPECT_LE(eater->getDisplayArea(), 1120 + 1e-9);
    }
    EXPECT_GT(peak, 1110);
    EXPECT_NEAR(eater->getDisplayArea(), 1020, 1e-6);
    EXPECT_DOUBLE_EQ(eater->getActualArea(), 1020);
}

TEST_F(EntityCollideTest, EatingWithoutGrowEatOnlyRestartsTheTimer)
{
    Entity* eater = Make(MakeDef("eater"), 1000);
    Entity* meal = Make(MakeDef("meal"), 200);
    eater->update();
    EXPECT_GT(eater->getGrowTimer(), 1000);
    eater->eatEntity(meal);
    EXPECT_DOUBLE_EQ(eater->getActualArea(), 1000);
    EXPECT_DOUBLE_EQ(eater->getGrowTimer(), 0);
}

TEST_F(EntityCollideTest, EatingRefusals)
{
    EntityDef* def = MakeDef("e");
    Entity* eater = Make(def, 1000);
    Entity* eaten = Make(def, 10);
    Entity* other = Make(def, 10);
    eater->eatEntity(eaten);
    other->eatEntity(eaten);  // already being eaten
    EXPECT_EQ(eaten->getEater(), eater);
    eaten->eatEntity(other);  // a meal eats nothing
    EXPECT_FALSE(other->getBeingEaten());
    Entity* marked = Make(def, 10);
    marked->setDeleteMe();
    eater->eatEntity(marked);
    EXPECT_FALSE(marked->getBeingEaten());

    // Invincibility: nothing eats the goo, the goo still eats.
    Entity* goo = Make(def, 100);
    game->goo = goo;
    Cheats::instance()->setInvinsible(true);
    eater->eatEntity(goo);
    EXPECT_FALSE(goo->getBeingEaten());
    Entity* food = Make(def, 5);
    goo->eatEntity(food);
    EXPECT_TRUE(food->getBeingEaten());
    Cheats::instance()->setInvinsible(false);
    Cheats::deleteInstance();
    game->goo = nullptr;
}

TEST_F(EntityCollideTest, BeingEatenShrinksParticlesAtOneFifthAndEndsAtHalfASecond)
{
    SetDt(10);
    Entity* eater = Make(MakeDef("eater"), 1000, 0, 0);
    Entity* meal = Make(MakeDef("meal"), 200, 20, 0);
    eater->eatEntity(meal);
    const int before = game->particles.getNumActive();
    int particleFrame = -1;
    int deleteFrame = -1;
    for (int i = 1; i <= 60 && deleteFrame < 0; ++i)
    {
        meal->update();
        if (particleFrame < 0 && meal->getEatenParticlesDone())
            particleFrame = i;
        if (meal->getDeleteMe())
            deleteFrame = i;
        EXPECT_GT(meal->getActualArea(), 0);
    }
    EXPECT_EQ(particleFrame, 16);                            // the first frame past 0.15 s
    EXPECT_EQ(game->particles.getNumActive() - before, 10);  // not the goo: ten particles
    EXPECT_EQ(deleteFrame, 50);
    EXPECT_TRUE(eater->getEatees().empty());

    // Eaten by the goo: three.
    Entity* goo = Make(MakeDef("goo"), 1000);
    game->goo = goo;
    Entity* meal2 = Make(MakeDef("meal"), 200, 10, 0);
    goo->eatEntity(meal2);
    const int mid = game->particles.getNumActive();
    for (int i = 0; i < 20; ++i)
        meal2->update();
    EXPECT_EQ(game->particles.getNumActive() - mid, 3);
    game->goo = nullptr;
}

TEST_F(EntityCollideTest, MealFollowsEaterAndFinishesInPlaceWithoutOne)
{
    Entity* eater = Make(MakeDef("eater"), 1000, 0, 0);
    Entity* meal = Make(MakeDef("meal"), 100, 20, 0);
    eater->eatEntity(meal);
    eater->setPos(Vector2d(100, 0));
    meal->update();  // 0.02 s: s = 0.96
    EXPECT_NEAR(meal->getPos().getX(), 100 + 20 * 0.96, 1e-9);
    eater->setDeleteMe();
    EXPECT_EQ(meal->getEater(), nullptr);
    const Vector2d at = meal->getPos();
    meal->update();
    EXPECT_DOUBLE_EQ(meal->getPos().getX(), at.getX());
}

TEST_F(EntityCollideTest, DamageGateAndFloor)
{
    EntityDef* def = MakeDef("d");
    Entity* victim = Make(def, 500);  // made at 500, grown to 1000
    victim->setActualArea(1000);
    Entity* attacker = Make(def, 100);
    attacker->setAbsDamage(100);
    attacker->setFracDamage(0.1);
    attacker->damageEntity(victim);
    EXPECT_DOUBLE_EQ(victim->getActualArea(), 1000 - 100 - 100);
    EXPECT_DOUBLE_EQ(victim->getSinceDamage(), 0);
    attacker->damageEntity(victim);  // within 1.5 s
    EXPECT_DOUBLE_EQ(victim->getActualArea(), 800);
    for (int i = 0; i < 74; ++i)
        victim->update();  // 1.48 s: not yet
    attacker->damageEntity(victim);
    EXPECT_DOUBLE_EQ(victim->getActualArea(), 800);
    victim->update();
    victim->update();  // 1.52 s
    attacker->damageEntity(victim);
    EXPECT_DOUBLE_EQ(victim->getActualArea(), 800 - 100 - 80);
    for (int i = 0; i < 76; ++i)
        victim->update();
    attacker->setAbsDamage(5000);
    attacker->damageEntity(victim);
    EXPECT_DOUBLE_EQ(victim->getActualArea(), 500);  // never below the initial area
}

TEST_F(EntityCollideTest, CorrectIntersectionPushesOutOrReportsNothing)
{
    EntityDef* def = MakeDef("p");
    Entity* a = Make(def, 100, 0, 0);
    Entity* far = Make(def, 100, 50, 0);
    double n = 123;
    EXPECT_FALSE(a->correctIntersection(far, n));
    EXPECT_DOUBLE_EQ(a->getPos().getX(), 0);
    EXPECT_DOUBLE_EQ(n, 123);

    Entity* b = Make(def, 100, 8, 0);
    a->setVel(Vector2d(100, 0));
    EXPECT_TRUE(a->correctIntersection(b, n));
    // Pushed back to within the search's last step (0.4) of touching (x = -2).
    EXPECT_LT(a->getPos().getX(), -2 + 0.4);
    EXPECT_GT(a->getPos().getX(), -2 - 0.4);
    EXPECT_DOUBLE_EQ(a->getPos().getY(), 0);
    EXPECT_NEAR(WGUI::angleDifference(n, 180), 0, 1e-9);

    // Two standing entities: a step of zero never separates them.
    Entity* c = Make(def, 100, 0, 100);
    Entity* d = Make(def, 100, 3, 100);
    EXPECT_FALSE(c->correctIntersection(d, n));
    EXPECT_TRUE(c->checkIntersection(d));
}

TEST_F(EntityCollideTest, RectTargetPushesAlongTheFacingSideNormal)
{
    EntityDef* wall = MakeDef("wall", false);
    wall->reactShape = 1;
    wall->aspectRatio = 4;
    wall->intersectionShapes.push_back(new WGUI::RotRect(Vector2d(0, 0), 1.0, 0.25, 0));
    EntityDef* ball = MakeDef("ball");
    struct Case
    {
        double x, y, normal;
    };
    // A 40 x 10 wall at the origin; the ball pushes out through the side it stands by.
    const Case cases[] = {{-22, 0, 180}, {22, 0, 0}, {5, 7, 270}, {-5, -7, 90}};
    for (const Case& c : cases)
    {
        Entity* w = Make(wall, 400, 0, 0);
        Entity* b = Make(ball, 25, c.x, c.y);
        b->setVel(Vector2d(50, 50));
        ASSERT_TRUE(b->checkIntersection(w)) << c.x << "," << c.y;
        double n = -1;
        EXPECT_TRUE(b->correctIntersection(w, n));
        EXPECT_NEAR(WGUI::angleDifference(n, c.normal), 0, 1e-6) << c.x << "," << c.y;
    }
}

TEST_F(EntityCollideTest, BounceHeadOnAndMovingAway)
{
    EntityDef* def = MakeDef("b");
    Entity* wall = Make(def, 100, 8, 0);
    Entity* headOn = Make(def, 100, 0, 0);
    headOn->setVel(Vector2d(100, 10));
    headOn->bounce(wall);
    EXPECT_NEAR(headOn->getVel().getX(), -80, 1e-6);
    EXPECT_NEAR(headOn->getVel().getY(), 8, 1e-6);

    Entity* away = Make(def, 100, 0, 0);
    away->setVel(Vector2d(-100, 0));
    away->bounce(wall);
    EXPECT_DOUBLE_EQ(away->getVel().getX(), -100);
    EXPECT_LT(away->getPos().getX(), -2 + 0.4);

    Entity* held = Make(def, 100, 0, 0);
    held->setVel(Vector2d(100, 0));
    held->setCollisionPosReactionThisFrame(false);
    held->bounce(wall);
    EXPECT_DOUBLE_EQ(held->getPos().getX(), 0);
    EXPECT_DOUBLE_EQ(held->getVel().getX(), 100);
}

TEST_F(EntityCollideTest, SlideCarriedAlongByThePusher)
{
    EntityDef* def = MakeDef("s");
    Entity* pusher = Make(def, 100, 0, 0);
    Entity* slider = Make(def, 100, 8, 0);
    pusher->setVel(Vector2d(60, 0));
    slider->setVel(Vector2d(0, 30));
    slider->slide(pusher);
    EXPECT_NEAR(slider->getVel().getX(), 60, 1e-6);  // at least the pusher's speed outwards
    EXPECT_NEAR(slider->getVel().getY(), 30, 1e-6);  // along the surface unchanged
}

TEST_F(EntityCollideTest, DestroySelfOnlyWhenAlive)
{
    EntityDef* def = MakeDef("d");
    Entity* eater = Make(def, 1000);
    Entity* meal = Make(def, 10);
    eater->eatEntity(meal);
    meal->destroySelf();
    EXPECT_FALSE(meal->getDeleteMe());
    Entity* alive = Make(def, 10);
    const int before = game->particles.getNumActive();
    alive->destroySelf();
    EXPECT_TRUE(alive->getDeleteMe());
    EXPECT_EQ(game->particles.getNumActive() - before, 5);
    EntityDef* boom = MakeDef("boom");
    boom->normalDeathExplosion = true;
    Entity* b = Make(boom, 10);
    const int mid = game->particles.getNumActive();
    b->destroySelf();
    EXPECT_EQ(game->particles.getNumActive() - mid, 45);
}

TEST_F(EntityCollideTest, CollisionReactionCarriesOutTheEffect)
{
    EntityDef* target = MakeDef("t");
    struct Case
    {
        int effect;
        bool otherEaten, selfMarked, otherDamaged;
    };
    const Case cases[] = {
        {kEffectNone, false, false, false},
        {kEffectEat, true, false, false},
        {kEffectDamage, false, false, true},
        {kEffectDestroySelf, false, true, false},
        {kEffectDamageDestroySelf, false, true, true},
    };
    for (const Case& c : cases)
    {
        EntityDef* owner = MakeDef("o");
        AddRule(owner, target, kConditionAll, c.effect);
        Entity* a = Make(owner, 100, 0, 0);
        a->setAbsDamage(10);
        Entity* b = Make(target, 100, 5, 0);
        b->setActualArea(500);
        a->collisionReaction(b);
        EXPECT_EQ(b->getBeingEaten(), c.otherEaten) << c.effect;
        EXPECT_EQ(a->getDeleteMe(), c.selfMarked) << c.effect;
        EXPECT_EQ(b->getActualArea() < 500, c.otherDamaged) << c.effect;
    }
}

TEST_F(EntityCollideTest, SetDeleteMeUnlinksEverything)
{
    EntityDef* def = MakeDef("u");
    playtest::CountingEmitter emitter;
    Entity* hunter = Make(def, 100);
    auto* ctl = new ScriptedController(1);
    hunter->addController(ctl);
    Entity* prey = Make(def, 10);
    Entity* prey2 = Make(def, 10);
    Entity* eater = Make(def, 1000);
    prey->setEmitter(&emitter);
    hunter->addTarget(prey);
    hunter->addTarget(prey);
    hunter->addTarget(prey2);
    hunter->addTarget(nullptr);
    ASSERT_EQ(hunter->getTargets().size(), 2u);
    EXPECT_EQ(hunter->getTargets().front()->count, 2);
    EXPECT_EQ(prey->getTargetedBy().size(), 1u);
    hunter->removeTarget(prey);
    EXPECT_EQ(prey->getTargetedBy().size(), 1u);

    prey->addTarget(hunter);
    eater->eatEntity(prey);
    prey->setDeleteMe();
    EXPECT_TRUE(prey->getDeleteMe());
    EXPECT_EQ(emitter.deleted, 1);
    EXPECT_TRUE(eater->getEatees().empty());
    EXPECT_TRUE(prey->getTargets().empty());
    EXPECT_TRUE(hunter->getTargetedBy().empty());
    EXPECT_TRUE(prey->getTargetedBy().empty());
    ASSERT_EQ(hunter->getTargets().size(), 1u);
    EXPECT_EQ(hunter->getTargets().front()->entity, prey2);
    ASSERT_EQ(ctl->deletedTargets.size(), 1u);
    EXPECT_EQ(ctl->deletedTargets[0], prey);

    // A marked eater lets its meals finish in place.
    Entity* meal = Make(def, 10);
    eater->eatEntity(meal);
    eater->setDeleteMe();
    EXPECT_EQ(meal->getEater(), nullptr);
}

TEST_F(EntityCollideTest, DestructorsTouchNoOtherEntity)
{
    EntityDef* def = MakeDef("x");
    auto* a = new Entity(def, game.get());
    auto* b = new Entity(def, game.get());
    a->addTarget(b);
    b->addTarget(a);
    delete a;  // b still lists a in targetedBy, but deleting b must not touch a
    delete b;
    SUCCEED();
}

}  // namespace

// The controller base: its tick and update period, the first phase, the setters that ignore
// negative values, the target filters, the choice of movement animation, the arbitration
// between the controllers of one entity, and the controller-type words.
#include <limits>

#include "aicontrollers.h"
#include "reaction.h"
#include "test_controller_fixture.h"

using namespace Game;

namespace
{

using playtest::PlayFixture;

// A controller that reports a set priority and counts its refreshes and steering calls.
class ProbeController : public EntityController
{
public:
    ProbeController(WGUI::Window* w, double reported, bool isFirstController = false)
        : EntityController(w, nullptr), reported(reported)
    {
        setFirst(isFirstController);
    }
    void updateSelf() override { ++refreshes; }
    double getPriority() override { return reported; }
    void doControl() override
    {
        ++steers;
        EntityController::doControl();
    }
    double reported;
    int refreshes = 0;
    int steers = 0;
};

class ControllerTest : public PlayFixture
{
protected:
    void SetUp() override
    {
        PlayFixture::SetUp();
        window = MakeWindow();
        def = MakeDef("blob");
    }

    AffectEntity* Filter(bool all, EntityDef* d, int condition)
    {
        AffectEntity* a = new AffectEntity();
        a->all = all;
        a->entityDef = d;
        a->condition = condition;
        return a;
    }

    playtest::TestPlayWindow* window = nullptr;
    EntityDef* def = nullptr;
};

TEST_F(ControllerTest, TypeWordsAreExactAndCaseSensitive)
{
    const struct
    {
        const char* word;
        int code;
    } cases[] = {{"greygoo", 0}, {"movedirection", 1}, {"pathfollow", 2}, {"attack", 3},
                 {"evade", 4},   {"stayinlevel", 5},   {"leavelevel", 6}, {"stationary", 7},
                 {"avoid", 8},   {"GreyGoo", -1},      {"attack ", -1},   {"", -1},
                 {"unknown", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(ControllerTypes::stringToIntController(str(c.word)), c.code) << c.word;
}

TEST_F(ControllerTest, NegativeSettingsKeepTheKindsDefaults)
{
    ControllerEvade evade(window, nullptr);
    evade.setPriority(-1);
    evade.setFirstPriority(-1);
    evade.setAffectDist(-1);
    evade.setFirstAffectDist(-1);
    EXPECT_DOUBLE_EQ(evade.getPriorityField(), 0.7);
    EXPECT_DOUBLE_EQ(evade.getFirstPriority(), 0.7);
    EXPECT_DOUBLE_EQ(evade.getAffectDist(), 200.0);
    EXPECT_DOUBLE_EQ(evade.getFirstAffectDist(), 200.0);

    evade.setPriority(0);
    evade.setFirstPriority(0.25);
    evade.setAffectDist(0);
    evade.setFirstAffectDist(12);
    EXPECT_DOUBLE_EQ(evade.getPriorityField(), 0.0);
    EXPECT_DOUBLE_EQ(evade.getFirstPriority(), 0.25);
    EXPECT_DOUBLE_EQ(evade.getAffectDist(), 0.0);
    EXPECT_DOUBLE_EQ(evade.getFirstAffectDist(), 12.0);

    // The acceleration is stored whatever its sign.
    evade.setAccel(-30);
    EXPECT_DOUBLE_EQ(evade.getAccel(), -30.0);
}

TEST_F(ControllerTest, UpdatePeriodRefreshesAtOnceThenEveryPeriod)
{
    ProbeController c(window, 1.0);
    c.setUpdatePeriod(0.5);
    std::vector<int> refreshedAt;
    for (int frame = 1; frame <= 60; ++frame)
    {
        Tick(20);
        int before = c.refreshes;
        c.update(false);
        if (c.refreshes != before)
            refreshedAt.push_back(frame);
    }
    // 25 frames of 0.02 s reach 0.5 s; the time beyond the period is dropped each time.
    EXPECT_EQ(refreshedAt, (std::vector<int>{1, 26, 51}));
}

TEST_F(ControllerTest, PeriodZeroRefreshesEveryFrame)
{
    ProbeController c(window, 1.0);
    for (int i = 0; i < 5; ++i)
    {
        Tick();
        c.update(false);
    }
    EXPECT_EQ(c.refreshes, 5);
}

TEST_F(ControllerTest, FirstPhaseFreezesControllersWithoutFirstPriority)
{
    ProbeController frozen(window, 0.5);
    ProbeController allowed(window, 0.5);
    allowed.setFirstPriority(0.7);
    ProbeController firstOne(window, 0.5, true);
    Tick();
    frozen.update(true);
    allowed.update(true);
    firstOne.update(true);
    EXPECT_EQ(frozen.refreshes, 0);
    EXPECT_DOUBLE_EQ(frozen.getUpdateElapsed(), 0.0);  // no time added either
    EXPECT_EQ(allowed.refreshes, 1);
    EXPECT_EQ(firstOne.refreshes, 1);
    frozen.update(false);
    EXPECT_EQ(frozen.refreshes, 1);
}

TEST_F(ControllerTest, EffectiveValuesFollowThePhase)
{
    ProbeController c(window, 0);
    c.setPriority(0.2);
    c.setFirstPriority(0.7);
    c.setAffectDist(10);
    c.setFirstAffectDist(40);
    Tick();
    c.update(true);
    EXPECT_DOUBLE_EQ(c.getEffectivePriority(), 0.7);
    EXPECT_DOUBLE_EQ(c.getEffectiveAffectDistance(), 40.0);
    c.update(false);
    EXPECT_DOUBLE_EQ(c.getEffectivePriority(), 0.2);
    EXPECT_DOUBLE_EQ(c.getEffectiveAffectDistance(), 10.0);
}

TEST_F(ControllerTest, MayAffectKindIsFalseOnlyWhereNoEntityOfTheKindIsAffected)
{
    // For filter sets of every shape: a kind ruled out by mayAffectKind is affected at no size;
    // a kind some filter names, or any kind under a filter for all, is not ruled out.
    EntityDef* other = MakeDef("other");
    EntityDef* third = MakeDef("third");
    Entity* me = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
    struct Case
    {
        const char* what;
        std::vector<AffectEntity*> affect, dontAffect;
    };
    const std::vector<Case> cases = {
        {"no filter", {}, {}},
        {"smaller others", {Filter(false, other, kConditionSmaller)}, {}},
        {"others or thirds",
         {Filter(false, other, kConditionAll), Filter(false, third, kConditionLarger)},
         {}},
        {"all but kin", {Filter(true, nullptr, kConditionAll)}, {Filter(false, def, kConditionAll)}},
        {"never", {Filter(false, other, kConditionNone)}, {}},
        {"a filter without a kind", {Filter(false, nullptr, kConditionAll)}, {}},
    };
    EntityDef* kinds[] = {def, other, third, nullptr};
    const double sizes[] = {1, 50, 100, 101, 500, 1e6};
    for (const Case& c : cases)
    {
        ProbeController ctl(window, 1);
        ctl.setEntity(me);
        bool named[4] = {false, false, false, false};
        bool all = false;
        for (AffectEntity* a : c.affect)
        {
            all = all || a->all;
            for (int k = 0; k < 4; ++k)
                named[k] = named[k] || (a->entityDef && a->entityDef == kinds[k]);
            ctl.addAffectEntity(a);
        }
        for (AffectEntity* a : c.dontAffect)
            ctl.addDontAffectEntity(a);
        for (int k = 0; k < 4; ++k)
        {
            EXPECT_EQ(ctl.mayAffectKind(kinds[k]), all || named[k]) << c.what << ", kind " << k;
            if (ctl.mayAffectKind(kinds[k]))
                continue;
            for (double size : sizes)
            {
                Entity* e = MakeEntity(kinds[k], size, WGUI::Vector2d(10, 0));
                EXPECT_FALSE(ctl.affectEntity(e)) << c.what << ", kind " << k << ", size " << size;
            }
        }
    }
}

TEST_F(ControllerTest, AffectNeedsAnAcceptingFilterAndNoVeto)
{
    EntityDef* other = MakeDef("other");
    Entity* me = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
    Entity* small = MakeEntity(other, 50, WGUI::Vector2d(10, 0));
    Entity* big = MakeEntity(other, 500, WGUI::Vector2d(20, 0));
    Entity* kin = MakeEntity(def, 50, WGUI::Vector2d(30, 0));

    ProbeController none(window, 1);
    none.setEntity(me);
    EXPECT_FALSE(none.affectEntity(small));  // an empty affect list affects nothing

    ProbeController smallerOthers(window, 1);
    smallerOthers.setEntity(me);
    smallerOthers.addAffectEntity(Filter(false, other, kConditionSmaller));
    EXPECT_TRUE(smallerOthers.affectEntity(small));
    EXPECT_FALSE(smallerOthers.affectEntity(big));
    EXPECT_FALSE(smallerOthers.affectEntity(kin));

    ProbeController allButKin(window, 1);
    allButKin.setEntity(me);
    allButKin.addAffectEntity(Filter(true, nullptr, kConditionAll));
    allButKin.addDontAffectEntity(Filter(false, def, kConditionAll));
    EXPECT_TRUE(allButKin.affectEntity(small));
    EXPECT_TRUE(allButKin.affectEntity(big));
    EXPECT_FALSE(allButKin.affectEntity(kin));
    EXPECT_EQ(allButKin.getNumAffect(), 1);
    EXPECT_EQ(allButKin.getNumDontAffect(), 1);
}

TEST_F(ControllerTest, ArbitrationPicksTheStrictlyGreatestPositivePriority)
{
    const struct
    {
        double a, b, c;
        int winner;  // index, -1 for none
    } cases[] = {
        {0.5, 0.5, 0.1, 0}, {0.2, 0.6, 0.6, 1}, {0, -1, 0, -1}, {0.1, 0.2, 0.3, 2}, {-1, 0.0001, 0, 1}};
    for (const auto& c : cases)
    {
        Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
        ProbeController* p[3] = {new ProbeController(window, c.a), new ProbeController(window, c.b),
                                 new ProbeController(window, c.c)};
        for (ProbeController* q : p)
            e->addController(q);
        Tick();
        e->update();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(p[i]->steers, i == c.winner ? 1 : 0) << c.a << " " << c.b << " " << c.c;
        EXPECT_EQ(e->getCurrentController(),
                  c.winner >= 0 ? static_cast<EntityControllerBase*>(p[c.winner]) : nullptr);
        EXPECT_FALSE(e->getControllerIsFirst());
    }
}

TEST_F(ControllerTest, FirstControllerFreezesOthersUntilAnotherWins)
{
    Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
    ProbeController* firstOne = new ProbeController(window, 0.9, true);
    ProbeController* waiting = new ProbeController(window, 0.5);  // first priority 0
    ProbeController* both = new ProbeController(window, 0);
    both->setPriority(0.2);
    both->setFirstPriority(0.7);
    e->addController(firstOne);
    e->addController(waiting);
    e->addController(both);
    EXPECT_TRUE(e->getControllerIsFirst());

    for (int i = 0; i < 3; ++i)
    {
        Tick();
        e->update();
    }
    EXPECT_EQ(firstOne->steers, 3);
    EXPECT_EQ(waiting->refreshes, 0);
    EXPECT_EQ(both->refreshes, 3);
    EXPECT_DOUBLE_EQ(both->getEffectivePriority(), 0.7);

    // The first controller gives up: the waiting one wins, the phase ends, and the third one
    // competes with its normal priority from the next frame on.
    firstOne->reported = 0;
    Tick();
    e->update();
    EXPECT_EQ(waiting->steers, 1);
    EXPECT_FALSE(e->getControllerIsFirst());
    Tick();
    e->update();
    EXPECT_DOUBLE_EQ(both->getEffectivePriority(), 0.2);
    EXPECT_EQ(waiting->steers, 2);
}

class AnimationChoiceTest : public ControllerTest
{
protected:
    void SetUp() override
    {
        ControllerTest::SetUp();
        for (WGUI::AnimationDef* a : {&idle, &slow, &fast, &attack})
        {
            a->addFrame(nullptr, 0, 1.0, false, false);
            a->setTime(0.1);
            a->normalizeTimes();
        }
        idle.setLooping(true);
        slow.setLooping(true);
        fast.setLooping(true);
    }

    WGUI::AnimationDef* Playing(Entity* e)
    {
        WGUI::Animation* a = e->getSprite() ? e->getSprite()->getAnimation() : nullptr;
        return a ? a->getAnimationDef() : nullptr;
    }

    WGUI::AnimationDef idle, slow, fast, attack;
};

TEST_F(AnimationChoiceTest, SpeedChoosesIdleSlowOrFastWithBoundariesGoingUp)
{
    def->animationDef = &idle;
    def->moveSlowAnimation = &slow;
    def->moveFastAnimation = &fast;
    def->attackAnimation = &attack;
    const struct
    {
        double speed;
        WGUI::AnimationDef* expected;
    } cases[] = {{0, &idle}, {49.9, &idle}, {50, &slow}, {99.9, &slow}, {100, &fast}, {500, &fast}};
    for (const auto& c : cases)
    {
        Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
        e->setSlowAnimSpeed(50);
        e->setFastAnimSpeed(100);
        e->setVel(WGUI::Vector2d(0, -c.speed));
        ProbeController* p = new ProbeController(window, 1);
        e->addController(p);
        p->doControl();
        EXPECT_EQ(Playing(e), c.expected) << c.speed;
    }
}

TEST_F(AnimationChoiceTest, MissingAnimationsFallBackInOrder)
{
    // Fast falls back to slow, then idle; with none at all the animation is removed.
    def->animationDef = &idle;
    def->moveSlowAnimation = &slow;
    Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
    ProbeController* p = new ProbeController(window, 1);
    e->addController(p);
    p->playFastMoveAnimation();
    EXPECT_EQ(Playing(e), &slow);
    def->moveSlowAnimation = nullptr;
    p->playFastMoveAnimation();
    EXPECT_EQ(Playing(e), &idle);
    p->playSlowMoveAnimation();
    EXPECT_EQ(Playing(e), &idle);
    def->animationDef = nullptr;
    p->playIdleAnimation();
    EXPECT_EQ(Playing(e), nullptr);
}

TEST_F(AnimationChoiceTest, PlayingDefinitionIsNotRestarted)
{
    def->animationDef = &idle;
    def->attackAnimation = &attack;
    Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
    ProbeController* p = new ProbeController(window, 1);
    e->addController(p);
    WGUI::Animation* before = e->getSprite()->getAnimation();
    ASSERT_NE(before, nullptr);
    p->playIdleAnimation();
    EXPECT_EQ(e->getSprite()->getAnimation(), before);
}

TEST_F(AnimationChoiceTest, UnfinishedAttackAnimationIsNotCutShort)
{
    def->animationDef = &idle;
    def->moveFastAnimation = &fast;
    def->attackAnimation = &attack;
    Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
    e->setFastAnimSpeed(10);
    e->setVel(WGUI::Vector2d(50, 0));
    ProbeController* p = new ProbeController(window, 1);
    e->addController(p);
    e->getSprite()->playAnimation(&attack, nullptr);
    p->doControl();
    EXPECT_EQ(Playing(e), &attack);
    // Once the attack has played out, the movement animation takes over.
    for (int i = 0; i < 20 && !e->getSprite()->getAnimation()->isDone(); ++i)
    {
        Tick();
        e->getSprite()->update();
    }
    ASSERT_TRUE(e->getSprite()->getAnimation()->isDone());
    p->doControl();
    EXPECT_EQ(Playing(e), &fast);
}

TEST_F(AnimationChoiceTest, NoAttackAnimationAndNothingPlayingStaysStill)
{
    // Without an attack animation, a sprite that plays nothing is left alone.
    def->imageMap = nullptr;
    def->animationDef = nullptr;
    Entity* e = MakeEntity(def, 100, WGUI::Vector2d(0, 0));
    e->setSprite(new WGUI::Sprite(window));
    def->moveFastAnimation = &fast;
    e->setVel(WGUI::Vector2d(500, 0));
    ProbeController* p = new ProbeController(window, 1);
    e->addController(p);
    p->doControl();
    EXPECT_EQ(Playing(e), nullptr);
}

}  // namespace

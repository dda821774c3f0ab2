// Emitters: random emitting with its gates, the schedule, timed twins, side, spot and shot
// emits, the controller descriptions, and emitters that cannot make anything.
#include <gtest/gtest.h>

#include <string>

#include "aicontrollers.h"
#include "controller.h"
#include "emitter.h"
#include "entity.h"
#include "entitydef.h"
#include "entityengine.h"
#include "gamewindow.h"
#include "greygoo.h"
#include "level.h"
#include "path.h"
#include "test_level_fixture.h"

using namespace Game;

using leveltest::LevelFixture;

namespace
{

class EmitterTest : public LevelFixture
{
protected:
    void SetUp() override
    {
        LevelFixture::SetUp();
        game = new GameWindow();
    }
    void TearDown() override
    {
        delete game;
        LevelFixture::TearDown();
    }
    // Loads a level with the goo far away in the corner and the given emitters.
    EntityEmitter* Load(const std::string& emitters, LevelMode mode = LevelMode::kCasual)
    {
        WriteLevel("e.xml", "<level width=\"2000\" height=\"2000\"><goo x=\"900\" y=\"900\" area=\"100\"/>" +
                                emitters + "</level>");
        game->loadLevel("e.xml", mode);
        return game->getEmitters().empty() ? nullptr : game->getEmitters().front().get();
    }
    // One frame of the emitters only (and the engine's deletion of marked entities).
    void Step(EntityEmitter* e, bool engine = false)
    {
        Tick();
        e->update();
        if (engine)
            game->getEntityEngine()->update();
    }
    int Made() const { return game->getEntityEngine()->getNumEntities() - 1; }
    Entity* Newest() const { return game->getEntityEngine()->getEntities().back(); }

    GameWindow* game = nullptr;
};

}  // namespace

TEST_F(EmitterTest, DefaultsAndAttributes)
{
    EntityEmitter* e =
        Load("<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"20\" "
             "shadowx=\"0\" shadowy=\"2\" special=\"true\" maxlive=\"7\" posx=\"5\" posy=\"6\"/>");
    ASSERT_NE(e, nullptr);
    EXPECT_DOUBLE_EQ(e->getMinArea(), 10);
    EXPECT_DOUBLE_EQ(e->getMaxArea(), 20);
    EXPECT_EQ(e->getMaxLive(), 7);
    EXPECT_TRUE(e->isSpecial());
    EXPECT_FALSE(e->isRandomEmit());
    EXPECT_EQ(e->getShotEmitNum(), -1);
    EXPECT_DOUBLE_EQ(static_cast<EmitterSpot*>(e)->getPosX(), 5);
    e->emit();
    ASSERT_EQ(Made(), 1);
    Entity* n = Newest();
    EXPECT_GE(n->getActualArea(), 10);
    EXPECT_LE(n->getActualArea(), 20);
    EXPECT_DOUBLE_EQ(n->getDisplayArea(), n->getActualArea());
    EXPECT_TRUE(n->isSpecial());
    EXPECT_EQ(n->getEmitter(), e);
    EXPECT_DOUBLE_EQ(n->getPos().getX(), 5);
    EXPECT_EQ(e->getLiveCount(), 1);
}

TEST_F(EmitterTest, RateAndLiveLimit)
{
    EntityEmitter* e = Load("<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\" "
                            "posx=\"-500\" posy=\"-500\" maxlive=\"3\"><randomemit rate=\"100\"/></emitter>");
    ASSERT_NE(e, nullptr);
    for (int i = 1; i <= 3; ++i)
    {
        Step(e);
        EXPECT_EQ(Made(), i);  // rate 100 at 0.02 s: a chance of 2, one every frame
    }
    for (int i = 0; i < 5; ++i)
        Step(e);
    EXPECT_EQ(e->getLiveCount(), 3);
    EXPECT_EQ(Made(), 3);
    Newest()->setDeleteMe();
    EXPECT_EQ(e->getLiveCount(), 2);
    Step(e, true);
    EXPECT_EQ(e->getLiveCount(), 3);
}

TEST_F(EmitterTest, RateTwoMakesAboutTwoASecond)
{
    EntityEmitter* e =
        Load("<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\" "
             "posx=\"-500\" posy=\"-500\" maxlive=\"100000\"><randomemit rate=\"2\"/></emitter>");
    for (int i = 0; i < 2500; ++i)  // 50 s
        Step(e);
    EXPECT_GT(Made(), 70);
    EXPECT_LT(Made(), 130);
}

TEST_F(EmitterTest, MinimumPeriodBetweenRandomEmits)
{
    EntityEmitter* e =
        Load("<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\" "
             "posx=\"-500\" posy=\"-500\" minemitperiod=\"1.5\"><randomemit rate=\"100\"/></emitter>");
    Step(e);
    EXPECT_EQ(Made(), 1);  // the first emit is not held back
    for (int i = 0; i < 74; ++i)
        Step(e);
    EXPECT_EQ(Made(), 1);  // 1.48 s later
    Step(e);
    EXPECT_EQ(Made(), 2);
}

TEST_F(EmitterTest, ScheduleIsDueInFileOrder)
{
    EntityEmitter* e = Load("<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\" "
                            "posx=\"-500\" posy=\"-500\" maxlive=\"0\"><scheduledemit><emit time=\"2\"/>"
                            "<emit time=\"1\"/></scheduledemit></emitter>");
    EXPECT_EQ(e->getScheduledEmitsLeft(), 2);
    for (int i = 0; i < 60; ++i)  // 1.2 s
        Step(e);
    EXPECT_EQ(Made(), 0);
    while (e->getScheduledEmitsLeft() > 0)
        Step(e);
    EXPECT_EQ(Made(), 2);  // both in one frame, maxlive 0 notwithstanding
}

TEST_F(EmitterTest, ScheduledPathPositionStaysForLaterEntities)
{
    EntityEmitter* e = Load(
        "<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\">"
        "<scheduledemit><emit time=\"0\"/><emit time=\"0.1\" pathpos=\"0.5\"/><emit "
        "time=\"0.2\"/></scheduledemit>"
        "<controller type=\"pathfollow\" speed=\"10\" initpathpos=\"0.25\">"
        "<pair x1=\"-300\" y1=\"0\" coefx1=\"0\" coefy1=\"0\" x2=\"300\" y2=\"0\" coefx2=\"0\" coefy2=\"0\"/>"
        "</controller></emitter>");
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->getControllerVars().size(), 1u);
    Step(e);
    ASSERT_EQ(Made(), 1);
    const double x1 = Newest()->getPos().getX();
    EXPECT_NEAR(x1, -150, 5);  // a quarter along
    for (int i = 0; i < 5; ++i)
        Step(e);
    EXPECT_DOUBLE_EQ(e->getControllerVars()[0]->initpathpos, 0.5);
    for (int i = 0; i < 6; ++i)
        Step(e);
    ASSERT_EQ(Made(), 3);
    EXPECT_NEAR(Newest()->getPos().getX(), 0, 5);  // halfway, kept from the earlier entry
}

TEST_F(EmitterTest, TimedTwinOfMaxArea)
{
    const std::string text = "<emitter type=\"spot\" entitydef=\"food\" minarea=\"50\" maxarea=\"50\" "
                             "minareata=\"80\" maxareata=\"80\" posxta=\"99\"/>";
    struct Case
    {
        LevelMode mode;
        double area;
    };
    for (Case c :
         {Case{LevelMode::kCasual, 50}, Case{LevelMode::kTimed, 80}, Case{LevelMode::kEndurance, 50}})
    {
        EntityEmitter* e = Load(text, c.mode);
        EXPECT_DOUBLE_EQ(e->getMaxArea(), c.area) << levelModeIndex(c.mode);
        EXPECT_DOUBLE_EQ(static_cast<EmitterSpot*>(e)->getPosX(), 0) << levelModeIndex(c.mode);  // no twin
    }
}

TEST_F(EmitterTest, SideEmitterPlacesEntitiesOutsideTheEdgesHeadingIn)
{
    EntityEmitter* e = Load("<emitter type=\"side\" entitydef=\"food\" minarea=\"400\" maxarea=\"400\">"
                            "<left min=\"100\" max=\"-100\"/><bottom min=\"-50\" max=\"50\"/>"
                            "<controller type=\"movedirection\" speed=\"60\" direction=\"45\"/></emitter>");
    ASSERT_NE(e, nullptr);
    auto* side = static_cast<EmitterSide*>(e);
    EXPECT_DOUBLE_EQ(side->getSideMin(EmitterSide::kLeft), -100);  // swapped
    int left = 0, bottom = 0;
    for (int i = 0; i < 200; ++i)
    {
        e->emit();
        Entity* n = Newest();
        const double r = n->getRadius();
        auto* m = dynamic_cast<ControllerMoveDirection*>(n->getController(0));
        ASSERT_NE(m, nullptr);
        if (n->getPos().getX() < -999)
        {
            ++left;
            EXPECT_NEAR(n->getPos().getX(), -1000 - r, 1e-9);
            EXPECT_GE(n->getPos().getY(), -100);
            EXPECT_LE(n->getPos().getY(), 100);
            EXPECT_DOUBLE_EQ(m->getDirection(), 0);
            EXPECT_NEAR(n->getVel().getX(), 60, 1e-9);
        }
        else
        {
            ++bottom;
            EXPECT_NEAR(n->getPos().getY(), 1000 + r, 1e-9);
            EXPECT_DOUBLE_EQ(m->getDirection(), 90);
            EXPECT_NEAR(n->getVel().getY(), -60, 1e-9);
        }
    }
    EXPECT_GT(left, 70);
    EXPECT_GT(bottom, 70);
}

TEST_F(EmitterTest, SideEntityNextToTheGooIsRemovedAtOnce)
{
    // The goo sits at (900, 900) with area 100; a right-side entity at y 900 is inside 100 units.
    EntityEmitter* e = Load("<emitter type=\"side\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\">"
                            "<right min=\"900\" max=\"900\"/></emitter>");
    e->emit();
    EXPECT_TRUE(Newest()->getDeleteMe());
    EXPECT_EQ(e->getLiveCount(), 0);
    game->getEntityEngine()->update();
    EXPECT_EQ(Made(), 0);
}

TEST_F(EmitterTest, ShotEmitterOnlyEmitsOnDemand)
{
    EntityEmitter* e =
        Load("<emitter type=\"shot\" entitydef=\"spit\" shotemitnum=\"0\" minarea=\"5\" maxarea=\"5\" "
             "angle=\"10\"><randomemit rate=\"100\"/><scheduledemit><emit time=\"0\"/></scheduledemit>"
             "<controller type=\"movedirection\" speed=\"300\"/></emitter>");
    for (int i = 0; i < 10; ++i)
        Step(e);
    EXPECT_EQ(Made(), 0);
    static_cast<EmitterShot*>(e)->emit(WGUI::Vector2d(1, 2), 135);
    ASSERT_EQ(Made(), 1);
    Entity* n = Newest();
    EXPECT_DOUBLE_EQ(n->getPos().getY(), 2);
    EXPECT_DOUBLE_EQ(n->getAngle(), 10);  // left as made
    EXPECT_DOUBLE_EQ(dynamic_cast<ControllerMoveDirection*>(n->getController(0))->getDirection(), 135);
}

TEST_F(EmitterTest, ControllerDescriptionsStayAlignedWithControllers)
{
    EntityEmitter* e =
        Load("<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\">"
             "<controller type=\"greygoo\"/>"
             "<controller type=\"teleport\"/>"
             "<controller type=\"pathfollow\" speed=\"3\"/>"
             "<controller type=\"evade\" speed=\"7\"><affect entitydef=\"greygoo\" "
             "condition=\"larger\"/></controller>"
             "<controller type=\"attack\" shot=\"2\" shotx=\"0.5\" shoty=\"0.25\" shotperiod=\"3\"/>"
             "<controller type=\"leavelevel\" leavesize=\"99\" leavetime=\"4\"/>"
             "<controller type=\"stationary\"/>"
             "</emitter>");
    ASSERT_NE(e, nullptr);
    const auto& vars = e->getControllerVars();
    ASSERT_EQ(vars.size(), 4u);
    EXPECT_EQ(vars[0]->type, kControllerEvade);
    EXPECT_EQ(vars[0]->affect.size(), 1u);
    EXPECT_DOUBLE_EQ(vars[0]->priority, -1.0);
    EXPECT_DOUBLE_EQ(vars[0]->accel, 0);
    EXPECT_EQ(vars[1]->shot, 2);
    EXPECT_DOUBLE_EQ(vars[1]->shoty, 0.25);
    EXPECT_DOUBLE_EQ(vars[2]->leavesize, 99);
    EXPECT_EQ(vars[3]->type, kControllerStationary);
    e->emit();
    Entity* n = Newest();
    ASSERT_EQ(n->getNumControllers(), 4);
    EXPECT_NE(dynamic_cast<ControllerEvade*>(n->getController(0)), nullptr);
    EXPECT_NE(dynamic_cast<ControllerAttack*>(n->getController(1)), nullptr);
    EXPECT_NE(dynamic_cast<ControllerLeaveLevel*>(n->getController(2)), nullptr);
    EXPECT_NE(dynamic_cast<ControllerStationary*>(n->getController(3)), nullptr);
}

TEST_F(EmitterTest, EmittersThatCannotMakeAnythingAreNotKept)
{
    EXPECT_EQ(Load("<emitter type=\"side\" entitydef=\"food\"/>"), nullptr);
    EXPECT_EQ(Load("<emitter type=\"spot\" entitydef=\"ghost\"/>"), nullptr);
    EXPECT_EQ(Load("<emitter type=\"spot\"/>"), nullptr);
    // Negative areas are taken as 0.
    EntityEmitter* e = Load("<emitter type=\"spot\" entitydef=\"food\" minarea=\"-5\" maxarea=\"-1\"/>");
    ASSERT_NE(e, nullptr);
    EXPECT_DOUBLE_EQ(e->getMinArea(), 0);
    EXPECT_DOUBLE_EQ(e->getMaxArea(), 0);
}

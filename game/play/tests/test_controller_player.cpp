// The player's controller: mouse motion, arrow keys, the key mode and its drag, the size-scaled
// ceiling, sideways damping and the speed cap, on a fixed frame time of 0.02 s.
#include <cmath>

#include "app/event.h"
#include "controllergreygoo.h"
#include "test_controller_fixture.h"

using namespace Game;

namespace
{

class PlayerControllerTest : public playtest::PlayFixture
{
protected:
    void SetUp() override
    {
        PlayFixture::SetUp();
        window = MakeWindow();
        def = MakeDef("greygoo");
        Options::instance()->setMouseSensitivity(0.5);
        input = WGUI::Input::instance();
        input->setUseRelativeMouse(true);
        input->update();
    }

    // A goo stand-in of the given diameter (aspect 1, full coverage: d = sqrt(2 area)).
    Entity* Goo(double diameter)
    {
        Entity* e = MakeEntity(def, diameter * diameter / 2, WGUI::Vector2d(0, 0));
        controller = new ControllerGreyGoo(window, nullptr);
        e->addController(controller);
        return e;
    }

    // One frame: the clock moves, the controller steers, the frame's mouse motion is cleared.
    void Frame(int mouseX = 0, int mouseY = 0)
    {
        Tick(20);
        if (mouseX || mouseY)
            input->messageMouseMove(mouseX, mouseY);
        controller->doControl();
        input->update();
    }

    playtest::TestPlayWindow* window = nullptr;
    EntityDef* def = nullptr;
    WGUI::Input* input = nullptr;
    ControllerGreyGoo* controller = nullptr;
};

TEST_F(PlayerControllerTest, AlwaysSteersAndAffectsEverything)
{
    Entity* goo = Goo(100);
    Entity* other = MakeEntity(MakeDef("crumb"), 10, WGUI::Vector2d(5, 5));
    EXPECT_DOUBLE_EQ(controller->getPriority(), 1.0);
    EXPECT_EQ(controller->getType(), 0);
    EXPECT_TRUE(controller->affectEntity(other));
    EXPECT_FALSE(controller->isFirst());
    EXPECT_FALSE(controller->getKeyMode());
    EXPECT_DOUBLE_EQ(controller->getKeyModeTime(), 10000.0);
    (void)goo;
}

TEST_F(PlayerControllerTest, NoInputOnlyDrags)
{
    Entity* goo = Goo(100);
    goo->setVel(WGUI::Vector2d(100, -50));
    Frame();
    EXPECT_NEAR(goo->getVel().getX(), 100 * (1 - 2 * 0.02), 1e-9);
    EXPECT_NEAR(goo->getVel().getY(), -50 * (1 - 2 * 0.02), 1e-9);
    EXPECT_FALSE(controller->getKeyMode());
}

TEST_F(PlayerControllerTest, MouseMotionAcceleratesInProportion)
{
    Entity* goo = Goo(100);
    Frame(10, 0);
    // 10 x 200 x 1.25 = 2500 per second squared, below the ceiling 10000 - 5000/3.
    EXPECT_NEAR(controller->getLastAccMax(), 10000 - 5000.0 / 3, 1e-9);
    EXPECT_NEAR(goo->getVel().getX(), 2500 * 0.02 * (1 - 2 * 0.02), 1e-9);
    EXPECT_NEAR(goo->getVel().getY(), 0, 1e-12);
    EXPECT_FALSE(controller->getKeyMode());  // the mouse is not key input
}

TEST_F(PlayerControllerTest, ArrowKeyUsesTheOldKeyModeForTheCeilingAndTheNewForTheDrag)
{
    Entity* goo = Goo(150);
    input->messageKeyDown(TEvent::kRight);
    Frame();
    EXPECT_NEAR(controller->getLastAccMax(), 7500, 1e-9);
    EXPECT_NEAR(controller->getLastKeyAcc(), 4125, 1e-9);
    EXPECT_TRUE(controller->getKeyMode());
    EXPECT_NEAR(goo->getVel().getX(), 4125 * 0.02 * (1 - 6 * 0.02), 1e-9);
    Frame();
    EXPECT_NEAR(controller->getLastAccMax(), 11500, 1e-9);
}

TEST_F(PlayerControllerTest, KeyTableTakesTheFirstMatchingRow)
{
    const struct
    {
        std::vector<int> keys;
        int sx, sy;  // expected signs of the velocity
    } cases[] = {{{TEvent::kLeft, TEvent::kRight}, -1, 0},
                 {{TEvent::kUp, TEvent::kDown}, 0, 1},
                 {{TEvent::kDown, TEvent::kLeft}, -1, 1},
                 {{TEvent::kLeft, TEvent::kUp}, -1, -1},
                 {{TEvent::kUp, TEvent::kRight}, 1, -1},
                 {{TEvent::kRight, TEvent::kDown}, 1, 1},
                 {{TEvent::kLeft, TEvent::kUp, TEvent::kRight}, -1, -1},
                 {{TEvent::kUp}, 0, -1}};
    for (const auto& c : cases)
    {
        Entity* goo = Goo(100);
        for (int k : c.keys)
            input->messageKeyDown(k);
        Frame();
        for (int k : c.keys)
            input->messageKeyUp(k);
        auto sign = [](double v) { return (v > 1e-9) - (v < -1e-9); };
        EXPECT_EQ(sign(goo->getVel().getX()), c.sx);
        EXPECT_EQ(sign(goo->getVel().getY()), c.sy);
        if (c.sx && c.sy)
        {
            EXPECT_NEAR(std::fabs(goo->getVel().getX()), std::fabs(goo->getVel().getY()), 1e-9);
        }
    }
}

TEST_F(PlayerControllerTest, KeyModeLastsOneAndAHalfSecondsAfterTheLastKey)
{
    Goo(100);
    input->messageKeyDown(TEvent::kUp);
    Frame();
    input->messageKeyUp(TEvent::kUp);
    for (int i = 0; i < 70; ++i)
        Frame();
    EXPECT_TRUE(controller->getKeyMode());  // 1.4 s since the key
    for (int i = 0; i < 10; ++i)
        Frame();
    EXPECT_FALSE(controller->getKeyMode());  // 1.6 s
}

TEST_F(PlayerControllerTest, CeilingFallsWithSizeToTheFloor)
{
    const struct
    {
        double diameter;
        bool superFast;
        double accMax;
    } cases[] = {{0, false, 10000}, {150, false, 7500}, {300, false, 5000}, {400, false, 5000},
                 {0, true, 20000},  {150, true, 15000}, {600, true, 10000}};
    for (const auto& c : cases)
    {
        Cheats::instance()->setSuperFast(c.superFast);
        Goo(c.diameter);
        Frame();
        EXPECT_NEAR(controller->getLastAccMax(), c.accMax, 1e-9) << c.diameter;
    }
}

TEST_F(PlayerControllerTest, SpeedIsCappedBeforeTheDrag)
{
    for (bool fast : {false, true})
    {
        Cheats::instance()->setSuperFast(fast);
        Entity* goo = Goo(50);
        for (int i = 0; i < 40; ++i)
            Frame(1000, 0);
        const double cap = fast ? 1200 : 600;
        EXPECT_NEAR(goo->getVel().getR(), cap * (1 - 2 * 0.02), 1e-9) << fast;
    }
}

TEST_F(PlayerControllerTest, SidewaysVelocityIsDampedUnderStrongAcceleration)
{
    Entity* goo = Goo(100);
    goo->setVel(WGUI::Vector2d(0, 100));
    Frame(10, 0);
    // acc 2500 along x; the y velocity loses 100 x dt before the drag.
    EXPECT_NEAR(goo->getVel().getX(), 50 * 0.96, 1e-9);
    EXPECT_NEAR(goo->getVel().getY(), 98 * 0.96, 1e-9);
}

TEST_F(PlayerControllerTest, WeakAccelerationIsNotDamped)
{
    Entity* goo = Goo(100);
    Options::instance()->setMouseSensitivity(0);
    goo->setVel(WGUI::Vector2d(0, 100));
    Frame(1, 0);  // 1 x 200 x 0.5 = 100: not above the threshold
    EXPECT_NEAR(goo->getVel().getY(), 100 * 0.96, 1e-9);
}

TEST_F(PlayerControllerTest, JoystickAtCentreIsNoInput)
{
    Options::instance()->setJoystickOn(true);
    Entity* goo = Goo(100);
    Frame();
    EXPECT_FALSE(controller->getKeyMode());
    EXPECT_DOUBLE_EQ(goo->getVel().getR(), 0.0);
}

}  // namespace

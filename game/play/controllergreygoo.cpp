// The player's controller: mouse, keys and joystick turned into the goo's acceleration.
#include "controllergreygoo.h"

#include <cmath>
#include <memory>

#include "entity.h"
#include "reaction.h"
#include "services/cheats.h"
#include "services/options.h"
#include "wgui_input.h"
#include "wgui_timer.h"
#include "wgui_vector2d.h"

namespace Game
{

namespace
{

const double kMouseGain = 200.0;
const double kCeilingKeys = 18000.0;
const double kCeilingMouse = 10000.0;
const double kFloor = 5000.0;
const double kFloorFast = 10000.0;
const double kSpeedCap = 600.0;
const double kSpeedCapFast = 1200.0;
const double kSizeForFloor = 300.0;  // diameter at which the ceiling reaches its floor
const double kKeySmall = 40.0;       // diameters between which the key acceleration grows
const double kKeySpan = 110.0;
const int kJoyCentre = 32767;
const int kJoyDeadLow = 29767;
const int kJoyDeadHigh = 35767;
const double kSideDampThreshold = 100.0;
const double kDragKeys = 6.0;
const double kDragMouse = 2.0;

double clamp(double v, double lo, double hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// Shortens v to at most max, keeping its direction.
void capLength(WGUI::Vector2d& v, double max)
{
    if (v.getR() > max)
        v.setR(max);
}

}  // namespace

ControllerGreyGoo::ControllerGreyGoo(WGUI::Window* window, EntityEngine* engine)
    : EntityController(window, engine)
{
    type = kControllerGreyGoo;
    auto all = std::make_unique<AffectEntity>();
    all->all = true;
    addAffectEntity(std::move(all));
}

ControllerGreyGoo::~ControllerGreyGoo() = default;

void ControllerGreyGoo::updateSelf()
{
}

double ControllerGreyGoo::getPriority()
{
    return 1.0;
}

void ControllerGreyGoo::doControl()
{
    if (!entity)
        return;
    const double dt = WGUI::Timer::instance()->getDeltaT();
    WGUI::Input* input = WGUI::Input::instance();
    const double s = Options::instance()->getMouseSensitivity();

    WGUI::Vector2d acc(input->getRelMouseX(), input->getRelMouseY());
    acc *= kMouseGain * (1.5 * s + 0.5);

    // The ceiling follows the key mode left by the previous frame.
    double ceiling = keyMode ? kCeilingKeys : kCeilingMouse;
    double floor = kFloor;
    double speedCap = kSpeedCap;
    if (Cheats::instance()->getSuperFast())
    {
        ceiling *= 2;
        floor = kFloorFast;
        speedCap = kSpeedCapFast;
    }
    const double d = entity->getDiameter();
    const double t = clamp(d / kSizeForFloor, -1, 1);
    const double accMax = ceiling - (ceiling - floor) * t;

    const double u = clamp((d - kKeySmall) / kKeySpan, 0, 1);
    const double ka = accMax * (0.9 * s + 0.1) * (0.7 * u + 0.3);
    const double kd = std::sqrt(ka * ka * 0.5);
    lastAccMax = accMax;
    lastKeyAcc = ka;

    bool input_ = false;
    if (Options::instance()->isJoystickOn())
    {
        const int jx = input->joyX(0);
        const int jy = input->joyY(0);
        const double fx = (jx - kJoyCentre) / 32767.0;
        const double fy = (jy - kJoyCentre) / 32767.0;
        if (jy > kJoyDeadHigh || jy < kJoyDeadLow)
        {
            acc.setY(acc.getY() + ka * fy);
            input_ = true;
        }
        if (jx < kJoyDeadLow || jx > kJoyDeadHigh)
        {
            acc.setX(acc.getX() + ka * fx);
            input_ = true;
        }
    }

    const bool left = input->isDown(WGUI::Input::kLeft);
    const bool up = input->isDown(WGUI::Input::kUp);
    const bool down = input->isDown(WGUI::Input::kDown);
    const bool right = input->isDown(WGUI::Input::kRight);
    // The first matching row wins: left with right goes left, up with down goes down.
    WGUI::Vector2d key;
    bool keyed = true;
    if (down && left)
        key = WGUI::Vector2d(-kd, kd);
    else if (left && up)
        key = WGUI::Vector2d(-kd, -kd);
    else if (up && right)
        key = WGUI::Vector2d(kd, -kd);
    else if (right && down)
        key = WGUI::Vector2d(kd, kd);
    else if (down)
        key = WGUI::Vector2d(0, ka);
    else if (up)
        key = WGUI::Vector2d(0, -ka);
    else if (left)
        key = WGUI::Vector2d(-ka, 0);
    else if (right)
        key = WGUI::Vector2d(ka, 0);
    else
        keyed = false;
    if (keyed)
    {
        acc += key;
        input_ = true;
    }

    keyModeTime += dt;
    if (input_)
    {
        keyMode = true;
        keyModeTime = 0;
    }
    if (keyModeTime > kKeyModeHold)
        keyMode = false;
    // The drag follows the key mode of this frame.
    const double drag = keyMode ? kDragKeys : kDragMouse;

    capLength(acc, accMax);

    WGUI::Vector2d vel = entity->getVel();
    WGUI::Vector2d side;
    const double accLen = acc.getR();
    if (accLen > kSideDampThreshold)
    {
        // Minus the velocity's part perpendicular to the acceleration.
        const double ux = acc.getX() / accLen, uy = acc.getY() / accLen;
        const double along = vel.getX() * ux + vel.getY() * uy;
        side = WGUI::Vector2d(-(vel.getX() - along * ux), -(vel.getY() - along * uy));
    }
    WGUI::Vector2d v = vel + acc * dt + side * (1.0 * dt);
    capLength(v, speedCap);
    entity->setVel(v);
    v = v + (v * -drag) * dt;
    entity->setVel(v);

    EntityController::doControl();
}

}  // namespace Game

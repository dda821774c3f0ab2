// The player's controller: mouse motion, arrow keys and the joystick turned into the goo's
// velocity every frame. Mouse motion accelerates in proportion to the motion; keys and the
// joystick give a fixed acceleration scaled by the goo's size; a key mode, entered on key or
// joystick input and left 1.5 s after the last, raises the acceleration ceiling and the drag;
// velocity sideways to the steering is damped and the speed is capped.
#pragma once

#include "controller.h"

namespace Game
{

class ControllerGreyGoo : public EntityController
{
public:
    // Key mode leaves this long (seconds) after the last key or joystick input.
    static constexpr double kKeyModeHold = 1.5;

    ControllerGreyGoo(WGUI::Window* window, EntityEngine* engine);
    ~ControllerGreyGoo() override;

    void updateSelf() override;
    // Always 1: the player's controller always steers the goo.
    double getPriority() override;
    void doControl() override;

    bool getKeyMode() const { return keyMode; }
    double getKeyModeTime() const { return keyModeTime; }
    // The acceleration ceiling and key acceleration of the latest doControl (world units/s^2).
    double getLastAccMax() const { return lastAccMax; }
    double getLastKeyAcc() const { return lastKeyAcc; }

private:
    bool keyMode = false;
    double keyModeTime = 10000.0;
    double lastAccMax = 0;
    double lastKeyAcc = 0;
};

}  // namespace Game

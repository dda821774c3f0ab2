// The computer-driven controllers that level files attach to emitted entities: three that move
// on their own (move-direction, path-follow, stationary), two that react to the level's edges
// (stay-in-level, leave-level) and three that react to other entities (attack, evade, avoid).
// Angles are degrees as WGUI::Vector2d::getTheta measures them; steering toward a direction
// aims at the point 1000 world units ahead along it.
#pragma once

#include <limits>

#include "controller.h"
#include "wgui_vector2d.h"

namespace Game
{

class Path;

class ControllerMoveDirection : public EntityController
{
public:
    ControllerMoveDirection(WGUI::Window* window, EntityEngine* engine);

    double getPriority() override;
    void doControl() override;
    using EntityController::update;
    virtual void update() {}

    void setDirection(double d) { direction = d; }
    // These store the absolute value.
    void setDirectionVariance(double v);
    void setDirectionVaryAccel(double v);
    void setSpeed(double v);
    void setSpeedVariance(double v);
    void setSpeedVaryAccel(double v);
    double getSpeed() const { return speed; }
    double getDirection() const { return direction; }
    double getDirectionRate() const { return directionRate; }
    double getSpeedRate() const { return speedRate; }

private:
    double direction = 0;
    double directionVariance = 0;
    double directionVaryAccel = 0;
    double speed = 0;
    double speedVariance = 0;
    double speedVaryAccel = 0;
    double directionRate = 0;
    double speedRate = 0;
};

// Places its entity on a path (borrowed; it belongs to the emitter's controller record).
class ControllerPathFollow : public EntityController
{
public:
    ControllerPathFollow(Path* path, WGUI::Window* window, EntityEngine* engine);

    double getPriority() override;
    void doControl() override;
    virtual Path* getPath() { return path; }
    virtual void setLoop(bool l) { loop = l; }
    virtual void setSpeed(double s) { speed = s; }
    virtual void setInitPathPos(double p);

    double getPathPos() const { return pathPos; }

private:
    Path* path;
    double pathPos = 0;
    double initPathPos = 0;
    bool loop = true;
    double speed = 0;
};

// Shared part of the controllers that hold a target entity between refreshes.
class ControllerTargeting : public EntityController
{
public:
    ControllerTargeting(WGUI::Window* window, EntityEngine* engine);

    void updateSelf() override;
    double getPriority() override;
    void targetDeleted(Entity* e) override;
    void setSpeed(double s) { speed = s; }
    Entity* getTarget() const { return target; }

protected:
    // The engine query that finds the target at the effective affect distance.
    virtual Entity* findTarget() = 0;
    // Steers straight away from the target.
    void flee();

    Entity* target = nullptr;
    double speed = 0;
};

class ControllerAttack : public ControllerTargeting
{
public:
    // Largest angle (degrees) between facing and target at which the attacker fires.
    static constexpr double kShotCone = 15.0;

    ControllerAttack(WGUI::Window* window, EntityEngine* engine);

    void doControl() override;
    void setShot(int s) { shot = s; }
    void setShotPos(double x, double y)
    {
        shotX = x;
        shotY = y;
    }
    void setShotPeriod(double p) { shotPeriod = p; }
    double getShotTime() const { return shotTime; }
    // Fires one shot: sound, the play screen's shot emitter, the attack animation.
    void shoot();

protected:
    Entity* findTarget() override;

private:
    int shot = -1;
    double shotX = 0, shotY = 0;
    double shotPeriod = 0;
    double shotTime = 1000.0;  // so the first shot is not delayed
};

class ControllerEvade : public ControllerTargeting
{
public:
    ControllerEvade(WGUI::Window* window, EntityEngine* engine);
    void doControl() override;

protected:
    Entity* findTarget() override;
};

// Its affect distance is a time in seconds: it flees what it would touch within that time.
class ControllerAvoid : public ControllerTargeting
{
public:
    ControllerAvoid(WGUI::Window* window, EntityEngine* engine);
    void doControl() override;

protected:
    Entity* findTarget() override;
};

class ControllerStayInLevel : public EntityController
{
public:
    ControllerStayInLevel(WGUI::Window* window, EntityEngine* engine);

    void updateSelf() override;
    double getPriority() override;
    void doControl() override;
    void setSpeed(double s) { speed = s; }
    bool isActive() const { return active; }
    WGUI::Vector2d getPushDir() const { return pushDir; }

private:
    WGUI::Vector2d pushDir;
    bool active = false;
    double speed = 0;
};

class ControllerLeaveLevel : public EntityController
{
public:
    ControllerLeaveLevel(WGUI::Window* window, EntityEngine* engine);

    void updateSelf() override;
    double getPriority() override;
    void doControl() override;
    void setSpeed(double s) { speed = s; }
    void setLeaveSize(double s) { leaveSize = s; }
    void setLeaveTime(double t) { leaveTime = t; }
    bool isLeaving() const { return leaving; }
    WGUI::Vector2d getLeaveDir() const { return leaveDir; }

private:
    WGUI::Vector2d leaveDir;
    bool leaving = false;
    double speed = 0;
    double leaveSize = std::numeric_limits<double>::max();
    double leaveTime = std::numeric_limits<double>::max();
};

class ControllerStationary : public EntityController
{
public:
    ControllerStationary(WGUI::Window* window, EntityEngine* engine);
    double getPriority() override;
};

// Steers e toward the direction of the unit vector dir (the point 1000 units ahead).
void steerToward(Entity* e, const WGUI::Vector2d& dir, double speed, double accel);

}  // namespace Game

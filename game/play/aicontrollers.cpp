// The computer-driven controllers: moving, path-following, staying, level edges, attack, evade, avoid.
#include "aicontrollers.h"

#include <cmath>

#include "entitydef.h"
#include "entityengine.h"
#include "path.h"
#include "services/soundeffects.h"
#include "wgui_animation.h"
#include "wgui_helpers.h"
#include "wgui_timer.h"

namespace Game
{

namespace
{

// How far ahead (world units) a direction's goal point lies.
const double kGoalDistance = 1000.0;

double frameTime()
{
    return WGUI::Timer::instance()->getDeltaT();
}

// Unit vector of v; (1, 0) for a zero vector, as WGUI::Vector2d::setR makes it.
WGUI::Vector2d unit(WGUI::Vector2d v)
{
    v.setR(1.0);
    return v;
}

}  // namespace

void steerToward(Entity* e, const WGUI::Vector2d& dir, double speed, double accel)
{
    if (!e)
        return;
    e->goToPos(e->getPos() + dir * kGoalDistance, speed, accel);
}

// --- move direction ---

ControllerMoveDirection::ControllerMoveDirection(WGUI::Window* window, EntityEngine* engine)
    : EntityController(window, engine)
{
    setKindDefaults(kControllerMoveDirection, 0.5, 0.0);
}

void ControllerMoveDirection::setDirectionVariance(double v)
{
    directionVariance = std::fabs(v);
}

void ControllerMoveDirection::setDirectionVaryAccel(double v)
{
    directionVaryAccel = std::fabs(v);
}

void ControllerMoveDirection::setSpeed(double v)
{
    speed = std::fabs(v);
}

void ControllerMoveDirection::setSpeedVariance(double v)
{
    speedVariance = std::fabs(v);
}

void ControllerMoveDirection::setSpeedVaryAccel(double v)
{
    speedVaryAccel = std::fabs(v);
}

double ControllerMoveDirection::getPriority()
{
    return getEffectivePriority();
}

void ControllerMoveDirection::doControl()
{
    if (!entity)
        return;
    const double dt = frameTime();
    const WGUI::Vector2d v = entity->getVel();
    const double curSpeed = v.getR();
    const double curDir = v.getTheta();

    directionRate += WGUI::randomDouble(-directionVaryAccel, directionVaryAccel) * dt;
    double newDir = curDir + directionRate * dt;
    double lo = direction - directionVariance;
    double hi = direction + directionVariance;
    WGUI::set0To360(lo);
    WGUI::set0To360(hi);
    if (!WGUI::angleIsBetweenAngles(newDir, direction, directionVariance))
    {
        const double d1 = std::fabs(WGUI::angleDifference(newDir, lo));
        const double d2 = std::fabs(WGUI::angleDifference(newDir, hi));
        newDir = (d2 > d1) ? lo : hi;  // a tie goes to hi
        directionRate = 0;
    }

    speedRate += WGUI::randomDouble(-speedVaryAccel, speedVaryAccel) * dt;
    double newSpeed = curSpeed + speedRate * dt;
    if (newSpeed <= speed - speedVariance)
    {
        newSpeed = speed - speedVariance;
        speedRate = 0;
    }
    else if (newSpeed >= speed + speedVariance)
    {
        newSpeed = speed + speedVariance;
        speedRate = 0;
    }

    WGUI::Vector2d dir;
    dir.setPolar(1.0, newDir);
    steerToward(entity, dir, newSpeed, accel);
    EntityController::doControl();
}

// --- path follow ---

ControllerPathFollow::ControllerPathFollow(Path* path, WGUI::Window* window, EntityEngine* engine)
    : EntityController(window, engine), path(path)
{
    type = kControllerPathFollow;
    priority = 0;
    firstPriority = 0.55;
}

void ControllerPathFollow::setInitPathPos(double p)
{
    initPathPos = p;
    pathPos = p;
}

double ControllerPathFollow::getPriority()
{
    return (pathPos < 1.0) ? getEffectivePriority() : 0.0;
}

void ControllerPathFollow::doControl()
{
    if (!entity)
        return;
    // A path without points has nowhere to put the entity (and no length to advance over).
    if (!path || path->getNumPoints() == 0 || !(path->getLength() > 0))
    {
        EntityController::doControl();
        return;
    }
    const double dt = frameTime();
    pathPos += speed / path->getLength() * dt;
    if (loop && pathPos >= 1.0)
        pathPos -= 1.0;
    const WGUI::Vector2d p = path->getPos(pathPos);
    const WGUI::Vector2d d = p - entity->getPos();
    entity->setVel(entity->getFirstFrameAlive() ? WGUI::Vector2d(0, 0) : d / dt);
    if (entity->getDirectedTravel() || entity->getMatchAngleToVel())
    {
        entity->setAngle(d.getTheta());
    }
    else
    {
        entity->setAngle(entity->getAngle() + dt * entity->getAngularVel());
    }
    entity->setPos(p);
    entity->setUpdatePhysicsThisFrame(false);
    entity->setCollisionPosReactionThisFrame(false);
    EntityController::doControl();
}

// --- target-based ---

ControllerTargeting::ControllerTargeting(WGUI::Window* window, EntityEngine* engine)
    : EntityController(window, engine)
{
}

void ControllerTargeting::updateSelf()
{
    Entity* old = target;
    target = findTarget();
    if (target != old && entity)
    {
        entity->removeTarget(old);
        entity->addTarget(target);
    }
}

double ControllerTargeting::getPriority()
{
    return target ? getEffectivePriority() : 0.0;
}

void ControllerTargeting::targetDeleted(Entity* e)
{
    if (target == e)
        target = nullptr;
}

void ControllerTargeting::flee()
{
    if (!entity || !target)
        return;
    WGUI::Vector2d e = unit(target->getPos() - entity->getPos());
    e.setTheta(e.getTheta() + 180.0);
    steerToward(entity, e, speed, accel);
}

ControllerAttack::ControllerAttack(WGUI::Window* window, EntityEngine* engine)
    : ControllerTargeting(window, engine)
{
    setKindDefaults(kControllerAttack, 0.6, 300.0);
}

Entity* ControllerAttack::findTarget()
{
    return engine ? engine->getClosestEntity(this, getEffectiveAffectDistance()) : nullptr;
}

void ControllerAttack::doControl()
{
    if (!entity || !target)
    {
        EntityController::doControl();
        return;
    }
    const double dt = frameTime();
    const WGUI::Vector2d toTarget = target->getPos() - entity->getPos();
    steerToward(entity, unit(toTarget), speed, accel);
    if (shot >= 0)
    {
        shotTime += dt;
        if (shotTime > shotPeriod &&
            std::fabs(WGUI::angleDifference(entity->getAngle(), toTarget.getTheta())) <= kShotCone)
        {
            shotTime = 0;
            shoot();
        }
    }
    EntityController::doControl();
}

void ControllerAttack::shoot()
{
    if (!entity)
        return;
    const double b = entity->getBiggerDim();
    WGUI::Vector2d offset(b * shotX, b * shotY);
    if (offset.getR() > 0)
        offset.setTheta(offset.getTheta() + entity->getAngle());
    const WGUI::Vector2d origin = entity->getPos() + offset;
    EntityDef* def = entity->getEntityDef();
    if (def && def->attackSound)
    {
        float volume = 0, pan = 0;
        entity->getVolumePan(volume, pan);
        def->attackSound->play(volume, pan);
    }
    if (PlayWindowBase* play = getPlayWindow())
        play->shoot(shot, origin, entity->getAngle());
    if (def && def->attackAnimation && entity->getSprite())
        entity->getSprite()->playAnimation(def->attackAnimation, nullptr);
}

ControllerEvade::ControllerEvade(WGUI::Window* window, EntityEngine* engine)
    : ControllerTargeting(window, engine)
{
    setKindDefaults(kControllerEvade, 0.7, 200.0);
}

Entity* ControllerEvade::findTarget()
{
    return engine ? engine->getClosestEntity(this, getEffectiveAffectDistance()) : nullptr;
}

void ControllerEvade::doControl()
{
    flee();
    EntityController::doControl();
}

ControllerAvoid::ControllerAvoid(WGUI::Window* window, EntityEngine* engine)
    : ControllerTargeting(window, engine)
{
    setKindDefaults(kControllerAvoid, 0.8, 1.0);
}

Entity* ControllerAvoid::findTarget()
{
    return engine ? engine->intersectFuture(this, getEffectiveAffectDistance()) : nullptr;
}

void ControllerAvoid::doControl()
{
    flee();
    EntityController::doControl();
}

// --- level edges ---

ControllerStayInLevel::ControllerStayInLevel(WGUI::Window* window, EntityEngine* engine)
    : EntityController(window, engine)
{
    setKindDefaults(kControllerStayInLevel, 0.8, 100.0);
}

void ControllerStayInLevel::updateSelf()
{
    GameWindowBase* game = getGameWindow();
    if (!entity || !game)
        return;
    const double x = entity->getPos().getX(), y = entity->getPos().getY();
    const double r = entity->getRadius();
    const double left = (x - r) - game->getLevelLeft();
    const double right = game->getLevelRight() - (x + r);
    const double top = (y - r) - game->getLevelTop();
    const double bottom = game->getLevelBottom() - (y + r);
    const double a = getEffectiveAffectDistance();
    pushDir = WGUI::Vector2d(0, 0);
    if (a > left)
        pushDir += WGUI::Vector2d(1, 0);
    if (a > right)
        pushDir += WGUI::Vector2d(-1, 0);
    if (a > top)
        pushDir += WGUI::Vector2d(0, 1);
    if (a > bottom)
        pushDir += WGUI::Vector2d(0, -1);
    active = pushDir.getR() > 0.1;
}

double ControllerStayInLevel::getPriority()
{
    return active ? getEffectivePriority() : 0.0;
}

void ControllerStayInLevel::doControl()
{
    if (active && entity)
        steerToward(entity, unit(pushDir), speed, accel);
    EntityController::doControl();
}

ControllerLeaveLevel::ControllerLeaveLevel(WGUI::Window* window, EntityEngine* engine)
    : EntityController(window, engine)
{
    setKindDefaults(kControllerLeaveLevel, 0.65, 100.0);
}

void ControllerLeaveLevel::updateSelf()
{
    if (!entity)
        return;
    if (entity->getActualArea() > leaveSize || entity->getLivedFor() > leaveTime)
        leaving = true;  // one way: it never comes back
    if (leaving)
    {
        leaveDir = entity->getPos();  // the level centre is the origin
        leaveDir.setR(100.0);
    }
}

double ControllerLeaveLevel::getPriority()
{
    return leaving ? getEffectivePriority() : 0.0;
}

void ControllerLeaveLevel::doControl()
{
    if (leaving && entity)
        steerToward(entity, unit(leaveDir), speed, accel);
    EntityController::doControl();
}

ControllerStationary::ControllerStationary(WGUI::Window* window, EntityEngine* engine)
    : EntityController(window, engine)
{
    setKindDefaults(kControllerStationary, 0.5, 0.0);
}

double ControllerStationary::getPriority()
{
    return getEffectivePriority();
}

}  // namespace Game

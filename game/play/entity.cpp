// Entity: reading, the frame step, motion, growth, damage, drawing and sounds of every level entity.
#include "entity.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "entitydef.h"
#include "services/cheats.h"
#include "services/collisionshapes.h"
#include "services/particles.h"
#include "wgui_animation.h"
#include "wgui_helpers.h"
#include "wgui_manager.h"
#include "wgui_timer.h"
#include "wgui_window.h"

namespace Game
{

using WGUI::Vector2d;

namespace
{

// Particle speeds: a vector of the given length along x, turned to a random angle.
Vector2d randomDirection(double length)
{
    Vector2d v(length, 0);
    v.setTheta(WGUI::randomDouble(0, 360));
    return v;
}

// The angle of a vector, 0 for a zero vector (which has no direction of its own).
double angleOf(const Vector2d& v)
{
    return v.getTheta();
}

// v turned by deg degrees (Vector2d convention: positive turns counter-clockwise on screen).
Vector2d turned(const Vector2d& v, double deg)
{
    Vector2d out = v;
    if (v.getR() > 0)
        out.setTheta(v.getTheta() + deg);
    return out;
}

}  // namespace

double Entity::dt()
{
    return WGUI::Timer::instance()->getDeltaT();
}

Entity::Entity(EntityDef* def, WGUI::Window* w)
{
    init(w);
    entityDef = def;
    if (!def)
        return;
    if (def->imageMap)
    {
        sprite = std::make_unique<WGUI::Sprite>(w);
        sprite->setImageMap(def->imageMap);
        sprite->setCell(def->imageMapCell);
    }
    else if (def->animationDef)
    {
        sprite = std::make_unique<WGUI::Sprite>(w);
        sprite->playAnimation(def->animationDef, nullptr);
    }
    aspectRatio = def->aspectRatio;
    areaCoverage = def->areaCoverage;
    directedTravel = def->directedTravel;
    newtonTravel = def->newtonTravel;
    moveToTurn = def->moveToTurn;
    matchAngleToVel = def->matchAngleToVel;
    turnRadius = def->turnRadius;
    moveToTurnExtra = def->moveToTurnExtra;
    maxAngularVel = def->maxAngularVel;
    smoothTurn = def->smoothTurn;
    reactShape = def->reactShape;
    gooReactionOnly = def->gooReactionOnly;
    if (sprite)
    {
        sprite->setDrawUsingFloat(def->drawFloat);
        sprite->setBlitColour(static_cast<float>(def->r), static_cast<float>(def->g),
                              static_cast<float>(def->b), static_cast<float>(def->a));
    }
    effectR = def->effectR;
    effectG = def->effectG;
    effectB = def->effectB;
    effectA = def->effectA;
    loopChannel = -1;
    firstLoopChannel = -1;
    special = false;
    for (WGUI::Shape* s : def->intersectionShapes)
    {
        switch (s->getType())
        {
        case WGUI::Shape::kCircle:
        {
            auto* c = static_cast<WGUI::Circle*>(s);
            intersectionShapes.push_back(
                std::make_unique<WGUI::Circle>(c->getLocalPos(), c->getLocalRadius()));
            break;
        }
        case WGUI::Shape::kAARect:
        {
            auto* r = static_cast<WGUI::AARect*>(s);
            intersectionShapes.push_back(std::make_unique<WGUI::AARect>(
                r->getLocalPos(), r->getLocalX1(), r->getLocalY1(), r->getLocalX2(), r->getLocalY2()));
            break;
        }
        case WGUI::Shape::kRotRect:
        {
            auto* r = static_cast<WGUI::RotRect*>(s);
            intersectionShapes.push_back(std::make_unique<WGUI::RotRect>(r->getLocalPos(), r->getWidth(),
                                                                         r->getHeight(), r->getLocalAngle()));
            break;
        }
        default: break;
        }
    }
}

Entity::~Entity()
{
    sprite.reset();
    // In the order they were added, as before.
    for (std::unique_ptr<EntityControllerBase>& c : controllers)
        c.reset();
    controllers.clear();
    currentController = nullptr;
    intersectionShapes.clear();
    // Only our own records: the targets may already be gone (level unload deletes in any order).
    targets.clear();
    if (entityDef)
    {
        if (loopChannel >= 0 && entityDef->loopSound)
            entityDef->loopSound->stop(loopChannel);
        if (firstLoopChannel >= 0 && entityDef->firstLoopSound)
            entityDef->firstLoopSound->stop(firstLoopChannel);
    }
}

void Entity::init(WGUI::Window* w)
{
    window = w;
    game = dynamic_cast<GameWindowBase*>(w);
    sprite = nullptr;
    currentController = nullptr;
    entityDef = nullptr;
    pos = Vector2d(0, 0);
    vel = Vector2d(0, 0);
    angle = 0;
    angularVel = 0;
    maxAngularVel = 360;
    smoothTurn = false;
    reactShape = 0;
    slowAnimSpeed = fastAnimSpeed = 0;
    wobbleDown = false;
    absDamage = fracDamage = 0;
    updatePhysicsThisFrame = collisionPosReactionThisFrame = true;
    turningToTarget = false;
    angularAccel = 1;
    targetAngle = 0;
    directedTravel = newtonTravel = moveToTurn = matchAngleToVel = false;
    turnRadius = 1;
    moveToTurnExtra = 0;
    effectR = effectG = effectB = effectA = 1;
    shadowOn = false;
    shadowX = shadowY = 0;
    actualArea = displayArea = 0;
    initialArea = -1;
    swellArea = 0;
    growTimer = 1000;
    aspectRatio = areaCoverage = 1;
    width = height = biggerDim = diameter = radius = 0;
    beingEaten = deleteMe = false;
    eater = nullptr;
    eatenTimer = 0;
    eatenParticlesDone = false;
    eatenOffset = Vector2d(0, 0);
    eatenStartArea = 10;
    emitter = nullptr;
    outOfBoundsFor = 0;
    sinceDamage = 100;
    livedFor = 0;
    firstFrameAlive = true;
    controllerIsFirst = false;
    loopChannel = firstLoopChannel = -1;
    special = false;
    gooReactionOnly = false;
}

void Entity::setSprite(WGUI::Sprite* s)
{
    if (s == sprite.get())
        return;
    // The old sprite goes first, then the new one is stored.
    sprite.reset();
    sprite.reset(s);
}

void Entity::setSprite(std::unique_ptr<WGUI::Sprite> s)
{
    setSprite(s.release());
}

void Entity::setShadow(bool on, int x, int y)
{
    shadowOn = on;
    shadowX = x;
    shadowY = y;
}

void Entity::addController(EntityControllerBase* c)
{
    if (!c)
        return;
    c->setEntity(this);
    controllers.emplace_back(c);
    if (c->isFirst())
    {
        currentController = c;
        controllerIsFirst = true;
    }
}

void Entity::addController(std::unique_ptr<EntityControllerBase> c)
{
    addController(c.release());
}

EntityControllerBase* Entity::getController(int index)
{
    if (index < 0 || index >= static_cast<int>(controllers.size()))
        return nullptr;
    return controllers[static_cast<size_t>(index)].get();
}

void Entity::setActualArea(double a)
{
    actualArea = a;
    if (initialArea < 0)
        initialArea = a;
}

void Entity::setDisplayArea(double a)
{
    displayArea = a;
    // Sizes from the area; a negative area has no size (no square root of a negative).
    const double base = a > 0 ? a / areaCoverage * aspectRatio : 0.0;
    width = std::sqrt(base);
    height = width / aspectRatio;
    biggerDim = std::max(width, height);
    diameter = std::sqrt(width * width + height * height);
    radius = diameter / 2;
    if (sprite)
        sprite->setWidth(width);
}

bool Entity::isGoo(Entity* e)
{
    return e && game && game->getGreyGooEntity() == e;
}

// ---------------------------------------------------------------------------------------------
// The frame step

void Entity::update()
{
    const double step = dt();
    // Motion and the position reaction run this frame unless a controller or a reaction stops them.
    updatePhysicsThisFrame = true;
    collisionPosReactionThisFrame = true;
    // Age: a kind with a life length is marked for deletion once it has lived that long.
    livedFor += step;
    if (entityDef && entityDef->hasLifeLength && livedFor > entityDef->lifeLength && !deleteMe)
        setDeleteMe();
    // Arbitration: every controller updates, the one with the highest positive priority steers.
    if (!beingEaten && !deleteMe)
    {
        const bool wasFirst = controllerIsFirst;
        EntityControllerBase* chosen = nullptr;
        double best = 0;
        // Index loop: a controller may add another to this entity while it updates.
        for (size_t i = 0; i < controllers.size(); ++i)
        {
            EntityControllerBase* c = controllers[i].get();
            c->update(wasFirst);
            const double p = c->getPriority();
            if (p > best)
            {
                best = p;
                chosen = c;
            }
        }
        currentController = chosen;
        controllerIsFirst = chosen ? chosen->isFirst() : false;
    }
    else
    {
        currentController = nullptr;
    }
    if (currentController)
        currentController->doControl();
    // Out of the level's bounds, time since the last damage, growth towards the target area, and
    // the shrinking of an entity being eaten.
    updateOutOfBounds();
    sinceDamage += dt();
    updateGrowth();
    if (beingEaten && !deleteMe)
        updateBeingEaten();
    // The wobble of kinds that sway about their heading.
    if (entityDef && entityDef->wobble)
        updateWobble();
    // Motion: position by velocity, turning, the angle kept in 0..360 and, for kinds that travel
    // where they face, the velocity turned to the angle.
    if (updatePhysicsThisFrame)
    {
        const double d = dt();
        pos += vel * d;
        const bool plainTurn = turningToTarget && !smoothTurn;
        if (turningToTarget)
            updateTurning();
        WGUI::boundDouble(angularVel, -maxAngularVel, maxAngularVel);
        if (!plainTurn)
            angle += d * angularVel;
        WGUI::set0To360(angle);
        if (matchAngleToVel)
        {
            angle = angleOf(vel);
            WGUI::set0To360(angle);
        }
        if (directedTravel && !newtonTravel)
            vel.setTheta(angle);
    }
    // The kind's looping sound follows the entity's place on the screen.
    if (!beingEaten && !deleteMe && entityDef && entityDef->loopSound)
        updateLoopSounds();
    // The picture's animation, then the collision shapes moved to where the entity now is.
    if (sprite)
        sprite->update();
    updateIntersectionShapes();
    firstFrameAlive = false;
}

void Entity::updateTurning()
{
    const double d = dt();
    if (!smoothTurn)
    {
        const double diff = WGUI::angleDifference(targetAngle, angle);
        const double step = d * maxAngularVel;
        if ((diff > 0 && step > diff) || (diff <= 0 && diff > -step))
        {
            setAngularVel(0);
            setAngle(angle + diff);
        }
        else if (diff > 0)
        {
            setAngularVel(maxAngularVel);
            setAngle(angle + step);
        }
        else
        {
            setAngularVel(-maxAngularVel);
            setAngle(angle - step);
        }
        return;
    }
    double w = angularVel;
    const double t = angularAccel != 0 ? std::fabs(w / angularAccel) : 0.0;
    const double s = w > 0 ? -angularAccel : angularAccel;
    double stopAngle = angle + w * t + s * t * t / 2;
    WGUI::set0To360(stopAngle);
    const double d1 = WGUI::angleDifference(targetAngle, stopAngle);
    const double d2 = WGUI::angleDifference(targetAngle, angle);
    const double step = d * angularAccel;
    const double before = w;
    if (d1 < 0)
        w -= step;
    else
        w += step;
    const bool signChanged = (before >= 0 && w < 0) || (before <= 0 && w > 0);
    if (signChanged && std::fabs(d2) < std::fabs(step) && std::fabs(d2) < std::fabs(d * maxAngularVel))
    {
        w = 0;
        angle = targetAngle;
        turningToTarget = false;
    }
    angularVel = w;
}

void Entity::updateWobble()
{
    const double h = angleOf(vel);
    const double a = WGUI::angleDifference(h, 0);
    const double b = WGUI::angleDifference(h, 180);
    double centre;
    if (std::fabs(b) <= std::fabs(a))
    {
        double k = 1 - std::fabs(b) / 90;
        WGUI::boundDouble(k, 0, 1);
        centre = 20 * k;
    }
    else
    {
        double k = 1 - std::fabs(a) / 90;
        WGUI::boundDouble(k, 0, 1);
        centre = -20 * k;
    }
    double hi = centre + 5, lo = centre - 5;
    WGUI::set0To360(hi);
    WGUI::set0To360(lo);
    // The swing turns where the angle would come to rest if the angular velocity were run
    // down from now at one degree per second per frame, so the tilt rocks between lo and hi.
    // (Turning only once the angle itself has passed a bound lets every swing overshoot the
    // last one, and the rocking grows without limit.)
    const double stop = angle + angularVel * std::fabs(angularVel) * dt() / 2;
    if (!wobbleDown && WGUI::angleDifference(stop, hi) > 0)
        wobbleDown = true;
    if (wobbleDown && WGUI::angleDifference(stop, lo) < 0)
        wobbleDown = false;
    angularVel += wobbleDown ? -1 : 1;
}

void Entity::updateLoopSounds()
{
    float volume = 0, pan = 0;
    getVolumePan(volume, pan);
    SoundEffectLoop* loop = entityDef->loopSound;
    SoundEffectLoop* first = entityDef->firstLoopSound;
    if (!first)
    {
        loopChannel = loop->play(volume, pan, loopChannel, this);
        return;
    }
    if (!controllerIsFirst)
    {
        loopChannel = loop->play(volume, pan, loopChannel, this);
        if (firstLoopChannel >= 0)
        {
            const int slot = firstLoopChannel;
            firstLoopChannel = -1;
            first->stop(slot);
        }
    }
    else
    {
        firstLoopChannel = first->play(volume, pan, firstLoopChannel, this);
        if (loopChannel >= 0)
        {
            const int slot = loopChannel;
            loopChannel = -1;
            loop->stop(slot);
        }
    }
}

bool Entity::limitMaxSpeedSmooth(double maxSpeed)
{
    const double s = vel.getR();
    if (s > 1.01 * maxSpeed)
    {
        vel.setR(std::max(maxSpeed, s - 5 * s * dt()));
        return true;
    }
    return false;
}

void Entity::goToPos(Vector2d target, double maxSpeed, double accel)
{
    const double d = dt();
    Vector2d dir = target - pos;
    const bool smoothed = limitMaxSpeedSmooth(maxSpeed);
    if (!directedTravel)
    {
        dir.setR(1);
        Vector2d v = vel + dir * (accel * d);
        if (v.getR() > maxSpeed)
            v.setR(maxSpeed);
        setVel(v);
        return;
    }
    if (!moveToTurn)
    {
        turningToTarget = true;
        targetAngle = angleOf(dir);
        angularAccel = 500;
        if (std::fabs(WGUI::angleDifference(targetAngle, angle)) >= 25)
        {
            if (!smoothed && vel.getR() > maxSpeed)
            {
                Vector2d v = vel;
                v.setR(maxSpeed);
                setVel(v);
            }
            return;
        }
        Vector2d thrust;
        thrust.setPolar(accel, targetAngle);
        Vector2d v = vel + thrust * d;
        if (!smoothed && v.getR() > maxSpeed)
            v.setR(maxSpeed);
        setVel(v);
        return;
    }
    // Turns only while moving, like a car; a degenerate turn radius keeps the old rate.
    const double turnSpan = turnRadius * height * 6.28;
    if (turnSpan > 0 && std::isfinite(turnSpan))
        maxAngularVel = vel.getR() * 360 / turnSpan + moveToTurnExtra;
    turningToTarget = true;
    targetAngle = angleOf(dir);
    angularAccel = 1000;
    Vector2d thrust = vel;
    thrust.setR(accel);
    Vector2d v = vel + thrust * d;
    if (v.getR() > maxSpeed)
        v.setR(maxSpeed);
    setVel(v);
}

void Entity::forceTowardsPoint(Vector2d point)
{
    Vector2d d = point - pos;
    const double r = d.getR();
    if (!(r >= 1e-9))
        return;  // at the point already: no direction to pull in
    double pull = 30000 / r;
    WGUI::boundDouble(pull, 0, 400);
    pos += d * (pull * dt() / r);
}

bool Entity::inLevelBounds()
{
    if (!game)
        return true;
    const double h = diameter / 2;
    return game->getLevelLeft() <= pos.getX() + h && pos.getX() - h <= game->getLevelRight() &&
           game->getLevelTop() <= pos.getY() + h && pos.getY() - h <= game->getLevelBottom();
}

void Entity::updateOutOfBounds()
{
    if (inLevelBounds())
    {
        outOfBoundsFor = 0;
        return;
    }
    outOfBoundsFor += dt();
    // More than a second: a sum of frame times meant to be exactly 1.0 may round just above.
    if (outOfBoundsFor > 1.0 + 1e-9 && !deleteMe)
        setDeleteMe();
}

void Entity::centerCameraOnMe()
{
    if (!game || !window)
        return;
    double w, h;
    if (WGUI::Manager::hasInstance())
    {
        w = WGUI::Manager::instance()->getWidth();
        h = WGUI::Manager::instance()->getHeight();
    }
    else
    {
        w = window->getSpriteRight() - window->getSpriteLeft();
        h = window->getSpriteBottom() - window->getSpriteTop();
    }
    const double L = game->getLevelLeft(), T = game->getLevelTop();
    const double R = game->getLevelRight(), B = game->getLevelBottom();
    double left = std::max(pos.getX() - w / 2, L);
    double top = std::max(pos.getY() - h / 2, T);
    double right = left + w;
    double bottom = top + h;
    if (right > R)
    {
        right = R;
        left = R - w;
    }
    if (bottom > B)
    {
        bottom = B;
        top = B - h;
    }
    if (game->getLevelWidth() < w)
    {
        left = -w / 2;
        right = w / 2;
    }
    if (game->getLevelHeight() < h)
    {
        top = -h / 2;
        bottom = h / 2;
    }
    window->setSpriteLeft(left);
    window->setSpriteTop(top);
    window->setSpriteRight(right);
    window->setSpriteBottom(bottom);
}

void Entity::setNormalBlitColour()
{
    if (sprite && entityDef)
        sprite->setBlitColour(static_cast<float>(entityDef->r), static_cast<float>(entityDef->g),
                              static_cast<float>(entityDef->b), static_cast<float>(entityDef->a));
}

void Entity::draw()
{
    bool visible = false;
    if (window)
    {
        visible = pos.getX() + radius >= window->getSpriteLeft() &&
                  pos.getX() - radius <= window->getSpriteRight() &&
                  pos.getY() + radius >= window->getSpriteTop() &&
                  pos.getY() - radius <= window->getSpriteBottom();
    }
    for (Entity* e : eatees)
        e->draw();
    if (sprite && visible)
    {
        sprite->setShadow(shadowOn, shadowX, shadowY);
        setNormalBlitColour();
        sprite->setAdditiveColour(false);
        sprite->setPos(pos);
        sprite->setAngle(angle);
        sprite->draw();
    }
}

void Entity::updateIntersectionShapes()
{
    for (const std::unique_ptr<WGUI::Shape>& s : intersectionShapes)
    {
        s->setWorldPos(pos);
        s->setScale(biggerDim);
        s->setAngle(angle);
        s->computeAbs();
    }
}

namespace
{

// Asks for the cache lines of a block of the given size.
inline void prefetchBlock(const void* p, size_t size)
{
    const char* c = static_cast<const char*>(p);
    for (size_t off = 0; off < size; off += 64)
        __builtin_prefetch(c + off);
    __builtin_prefetch(c + size - 1);
}

// How much of a controller and of a collision shape is asked for: the sizes of the largest kinds
// (an attacking controller, a rotated rectangle); a prefetch past a smaller one is harmless.
constexpr size_t kControllerBytes = 208;
constexpr size_t kShapeBytes = 136;

}  // namespace

void Entity::prefetchOwnedBlocks() const
{
    if (!controllers.empty())
        prefetchBlock(controllers.data(), controllers.size() * sizeof(controllers[0]));
    if (sprite)
        prefetchBlock(sprite.get(), sizeof(WGUI::Sprite));
    if (!intersectionShapes.empty())
        __builtin_prefetch(&intersectionShapes.front());
}

void Entity::prefetchOwnedParts() const
{
    for (const std::unique_ptr<EntityControllerBase>& c : controllers)
        prefetchBlock(c.get(), kControllerBytes);
    if (sprite && sprite->getAnimation())
        prefetchBlock(sprite->getAnimation(), sizeof(WGUI::Animation));
    for (const std::unique_ptr<WGUI::Shape>& s : intersectionShapes)
        prefetchBlock(s.get(), kShapeBytes);
}

bool Entity::animationDone()
{
    return sprite && sprite->getAnimation() && sprite->getAnimation()->isDone();
}

WGUI::AnimationDef* Entity::getAnimationDef()
{
    if (!sprite || !sprite->getAnimation())
        return nullptr;
    return sprite->getAnimation()->getAnimationDef();
}

// ---------------------------------------------------------------------------------------------
// Sounds

float Entity::getSoundSizeMultiplier()
{
    double k = (std::sqrt(std::max(actualArea, 0.0)) - 20) / 105;
    WGUI::boundDouble(k, 0, 1);
    return static_cast<float>(0.4 + 0.6 * k);
}

void Entity::getVolumePan(float& volume, float& pan)
{
    Vector2d goo = game ? game->getGooPos() : pos;
    const double dist = (pos - goo).getR();
    double v = dist > 0 ? 200 / dist : 1.0;
    WGUI::boundDouble(v, 0, 1);
    volume = static_cast<float>(v) * getSoundSizeMultiplier();
    double p = (pos.getX() - goo.getX()) / 500;
    WGUI::boundDouble(p, -1, 1);
    pan = static_cast<float>(p);
}

void Entity::playDamageSound()
{
    if (!entityDef || !entityDef->damageSound)
        return;
    float v, p;
    getVolumePan(v, p);
    entityDef->damageSound->play(v, p);
}

void Entity::playEatenSound()
{
    SoundEffect* sound = nullptr;
    Cheats* cheats = Cheats::hasInstance() ? Cheats::instance() : nullptr;
    if (cheats && cheats->getPersonify())
        sound = (rand() & 1) == 0 ? cheats->getWomanSound() : cheats->getPersonSound();
    else if (cheats && cheats->getFelinify())
        sound = cheats->getCatSound();
    else if (entityDef)
        sound = entityDef->eatenSound;
    if (!sound)
        return;
    float v, p;
    getVolumePan(v, p);
    sound->play(v, p);
}

void Entity::loopSoundStopped(SoundEffectLoop* loop)
{
    if (!entityDef || !loop)
        return;
    if (loop == entityDef->loopSound)
        loopChannel = -1;
    if (loop == entityDef->firstLoopSound)
        firstLoopChannel = -1;
}

// ---------------------------------------------------------------------------------------------
// Particles

namespace
{

Particle* takeParticle(GameWindowBase* game)
{
    if (!game)
        return nullptr;
    ParticleEngine* pe = game->getParticleEngine();
    return pe ? pe->popInactive() : nullptr;
}

void giveParticle(GameWindowBase* game, Particle* p)
{
    game->getParticleEngine()->pushActive(p);
}

}  // namespace

void Entity::emitEatenByGooParticles()
{
    const double r = std::sqrt(std::max(actualArea, 0.0));
    for (int i = 0; i < 3; ++i)
    {
        Particle* p = takeParticle(game);
        if (!p)
            return;
        p->cell = 3;
        p->position = pos;
        p->velocity = randomDirection(WGUI::randomDouble(r, 2 * r));
        p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
        p->red = static_cast<float>(effectR);
        p->green = static_cast<float>(effectG);
        p->blue = static_cast<float>(effectB);
        p->alpha = static_cast<float>(effectA);
        p->size = static_cast<float>(2.5 * r);
        p->lifetime = 1.0f;
        giveParticle(game, p);
    }
}

void Entity::emitNonGooEatenParticles()
{
    const double r = std::sqrt(std::max(actualArea, 0.0));
    for (int i = 0; i < 10; ++i)
    {
        Particle* p = takeParticle(game);
        if (!p)
            return;
        p->cell = 5;
        p->position = pos;
        p->velocity = randomDirection(WGUI::randomDouble(0.4 * r, 2 * r));
        p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
        p->red = static_cast<float>(effectR);
        p->green = static_cast<float>(effectG);
        p->blue = static_cast<float>(effectB);
        p->alpha = static_cast<float>(effectA);
        p->size = static_cast<float>(0.1667 * r);
        p->lifetime = 0.5f;
        giveParticle(game, p);
    }
}

void Entity::getDamageParticleColour(float& r, float& g, float& b, float& a)
{
    r = static_cast<float>(effectR);
    g = static_cast<float>(effectG);
    b = static_cast<float>(effectB);
    a = static_cast<float>(effectA);
}

void Entity::emitDamageParticles(Entity* attacker, double damage)
{
    const double m = 7 * std::sqrt(2 * std::max(damage, 0.0));
    const double towards = attacker ? angleOf(attacker->getPos() - pos) : 0.0;
    Vector2d start;
    start.setPolar(0.4 * width, towards);
    start += pos;
    for (int i = 0; i < 10; ++i)
    {
        Particle* p = takeParticle(game);
        if (!p)
            return;
        p->cell = 5;
        p->position = start;
        p->velocity.setPolar(WGUI::randomDouble(0.2 * m, m), WGUI::randomAngle(towards, 45));
        p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
        getDamageParticleColour(p->red, p->green, p->blue, p->alpha);
        p->size = static_cast<float>(0.2 * m);
        p->lifetime = 0.5f;
        giveParticle(game, p);
    }
}

void Entity::emitDeathParticles()
{
    const double d = diameter;
    if (!entityDef || !entityDef->normalDeathExplosion)
    {
        for (int i = 0; i < 5; ++i)
        {
            Particle* p = takeParticle(game);
            if (!p)
                return;
            p->cell = 5;
            p->position = pos;
            p->velocity = randomDirection(WGUI::randomDouble(0.2 * d, d));
            p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
            p->red = static_cast<float>(effectR);
            p->green = static_cast<float>(effectG);
            p->blue = static_cast<float>(effectB);
            p->alpha = static_cast<float>(effectA);
            p->size = static_cast<float>(0.2 * d);
            p->lifetime = 0.5f;
            giveParticle(game, p);
        }
        return;
    }
    for (int i = 0; i < 5; ++i)
    {
        Particle* p = takeParticle(game);
        if (!p)
            break;
        p->cell = 3;
        p->position = pos;
        p->velocity = randomDirection(WGUI::randomDouble(0.1 * d, 0.5 * d));
        p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
        p->size = static_cast<float>(d);
        p->lifetime = static_cast<float>(WGUI::randomDouble(1, 2));
        giveParticle(game, p);
    }
    for (int i = 0; i < 40; ++i)
    {
        Particle* p = takeParticle(game);
        if (!p)
            return;
        p->cell = 1;
        p->position = pos;
        p->velocity = randomDirection(WGUI::randomDouble(0.2 * d, 2 * d));
        p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
        p->red = static_cast<float>(WGUI::randomDouble(0.75, 1));
        p->green = static_cast<float>(WGUI::randomDouble(0, 0.5));
        p->blue = static_cast<float>(WGUI::randomDouble(0, 0.25));
        p->alpha = 1.0f;
        p->size = static_cast<float>(WGUI::randomDouble(0.08 * d, 0.2 * d));
        p->lifetime = static_cast<float>(WGUI::randomDouble(0.3, 0.7));
        p->additive = true;
        giveParticle(game, p);
    }
}

// ---------------------------------------------------------------------------------------------
// Collisions and reactions

bool Entity::checkRoughIntersection(Entity* other)
{
    return (pos - other->getPos()).isRAtMost(radius + other->getRadius());
}

bool Entity::checkIntersection(Entity* other)
{
    if (!other || other == this)
        return false;
    if (beingEaten || deleteMe || other->getBeingEaten() || other->getDeleteMe())
        return false;
    if (!checkRoughIntersection(other))
        return false;
    const std::list<std::unique_ptr<WGUI::Shape>>& theirs = other->getIntersectionShapes();
    for (const std::unique_ptr<WGUI::Shape>& mine : intersectionShapes)
        for (const std::unique_ptr<WGUI::Shape>& s : theirs)
            if (mine->intersect(s.get()))
                return true;
    return false;
}

int Entity::getCollisionEffect(Entity* other)
{
    int fallback = kEffectNone;
    if (!entityDef || !other)
        return fallback;
    EntityDef* theirs = other->getEntityDef();
    for (Reaction* r : entityDef->reactions)
    {
        if (r->target)
        {
            if (r->target == theirs && Condition::conditionMet(r->condition, this, other))
                return r->effect;
        }
        else if (Condition::conditionMet(r->condition, this, other))
        {
            fallback = r->effect;
        }
    }
    return fallback;
}

void Entity::collisionReaction(Entity* other)
{
    if (!entityDef || beingEaten || deleteMe || !other)
        return;
    switch (getCollisionEffect(other))
    {
    case kEffectEat: eatEntity(other); break;
    case kEffectBounce: bounce(other); break;
    case kEffectSlide: slide(other); break;
    case kEffectDamage: damageEntity(other); break;
    case kEffectDestroySelf: destroySelf(); break;
    case kEffectDamageDestroySelf:
        damageEntity(other);
        destroySelf();
        break;
    default: break;
    }
}

bool Entity::correctIntersection(Entity* other, double& normalAngle)
{
    Vector2d push = other->getPos() - pos;
    if (other->getReactShape() == 1)
    {
        // The side of the other's rectangle whose triangle (centre and the side's corners)
        // holds our centre, in the other's frame; push along its inward normal.
        Vector2d local = turned(pos - other->getPos(), -other->getAngle());
        const double hw = other->getWidth() / 2, hh = other->getHeight() / 2;
        const double lx = local.getX(), ly = local.getY();
        double sideAngle;
        // Compare against the diagonals: |y| * hw vs |x| * hh.
        if (std::fabs(ly) * hw <= std::fabs(lx) * hh)
            sideAngle = lx < 0 ? 0 : 180;
        else
            sideAngle = ly > 0 ? 90 : 270;
        push.setPolar(1, sideAngle + other->getAngle());
    }
    double step = dt() * (vel.getR() + other->getVel().getR());
    push.setR(step);
    const Vector2d start = pos;
    int count = 0;
    while (checkIntersection(other))
    {
        if (count == 10)
            return false;
        pos -= push;
        updateIntersectionShapes();
        step *= 2;
        push.setR(step);
        ++count;
    }
    if (count == 0)
        return false;
    Vector2d back = pos - start;
    pos -= back * 0.5;
    int halvings = 0;
    while (back.getR() > 0.4 && halvings < 20)
    {
        updateIntersectionShapes();
        const bool hit = checkIntersection(other);
        back *= 0.5;
        ++halvings;
        if (hit)
            pos += back * 0.5;
        else
            pos -= back * 0.5;
    }
    updateIntersectionShapes();
    normalAngle = angleOf(pos - start);
    return true;
}

void Entity::bounce(Entity* other)
{
    if (!collisionPosReactionThisFrame)
        return;
    double n = 0;
    if (!correctIntersection(other, n))
        return;
    if (std::fabs(WGUI::angleDifference(n, angleOf(vel))) < 90)
        return;
    Vector2d v = turned(vel, -n);
    v.setX(-v.getX());
    v = turned(v, n);
    setVel(v * 0.8);
}

void Entity::slide(Entity* other)
{
    if (!collisionPosReactionThisFrame)
        return;
    double n = 0;
    if (!correctIntersection(other, n))
        return;
    Vector2d v = turned(vel, -n);
    const Vector2d o = turned(other->getVel(), -n);
    if (v.getX() < o.getX())
        v.setX(o.getX());
    setVel(turned(v, n));
}

void Entity::damageEntity(Entity* other)
{
    if (other)
        other->takeDamage(this);
}

void Entity::takeDamage(Entity* attacker)
{
    if (!attacker || !(sinceDamage > 1.5))
        return;
    playDamageSound();
    sinceDamage = 0;
    const double damage = attacker->absDamage + actualArea * attacker->fracDamage;
    double area = actualArea - damage;
    WGUI::boundDouble(area, initialArea, DBL_MAX);
    setActualArea(area);
    emitDamageParticles(attacker, damage);
}

void Entity::destroySelf()
{
    if (beingEaten || deleteMe)
        return;
    if (entityDef && entityDef->deathSound)
    {
        float v, p;
        getVolumePan(v, p);
        entityDef->deathSound->play(v, p);
    }
    emitDeathParticles();
    setDeleteMe();
}

void Entity::eatEntity(Entity* eatee)
{
    if (!eatee || eatee == this)
        return;
    if (beingEaten || deleteMe || eatee->getBeingEaten() || eatee->getDeleteMe())
        return;
    if (Cheats::hasInstance() && Cheats::instance()->getInvinsible() && isGoo(eatee))
        return;
    eatee->setBeingEaten(this);
    eatees.push_back(eatee);
    if (entityDef && entityDef->growEat)
    {
        const double rate = game ? game->getGrowthRate() : 0.0;
        setActualArea(actualArea + rate * eatee->getActualArea());
        const double s = actualArea + 0.5 * eatee->getActualArea();
        if (s > swellArea)
            swellArea = s;
    }
    growTimer = 0;
}

void Entity::setBeingEaten(Entity* e)
{
    eater = e;
    beingEaten = true;
    eatenTimer = 0;
    eatenOffset = e ? pos - e->getPos() : Vector2d(0, 0);
    eatenStartArea = getDisplayArea();
    playEatenSound();
    if (entityDef && firstLoopChannel >= 0 && entityDef->firstLoopSound)
    {
        const int slot = firstLoopChannel;
        firstLoopChannel = -1;
        entityDef->firstLoopSound->stop(slot);
    }
    if (entityDef && loopChannel >= 0 && entityDef->loopSound)
    {
        const int slot = loopChannel;
        loopChannel = -1;
        entityDef->loopSound->stop(slot);
    }
}

void Entity::removeEatee(Entity* e)
{
    eatees.remove(e);
}

void Entity::updateGrowth()
{
    const double d0 = dt();
    growTimer += d0;
    double target;
    if (growTimer >= 1.15)
    {
        swellArea = actualArea;
        target = actualArea;
    }
    else
    {
        target = swellArea;
    }
    double d = displayArea;
    if (d < target)
    {
        double n = d + d0 * (2 * (target - d) + 2 * d);
        if (n > target)
        {
            growTimer = 1000;
            swellArea = actualArea;
        }
        WGUI::boundDouble(n, 0, target);
        setDisplayArea(n);
        d = displayArea;
    }
    if (d > target)
    {
        double n = d - d0 * (2 * (d - target) + 2 * d);
        WGUI::boundDouble(n, target, DBL_MAX);
        setDisplayArea(n);
    }
}

void Entity::updateBeingEaten()
{
    eatenTimer += dt();
    double f = 2 * eatenTimer;
    WGUI::boundDouble(f, 0.0001, 0.9999);
    const double s = 1 - f;
    setActualArea(s * eatenStartArea);
    setDisplayArea(s * eatenStartArea);
    if (eater)
        pos = eater->getPos() + eatenOffset * s;
    if (f > 0.3 && !eatenParticlesDone)
    {
        eatenParticlesDone = true;
        if (eater && isGoo(eater))
            emitEatenByGooParticles();
        else
            emitNonGooEatenParticles();
    }
    if (eatenTimer >= 0.5)
        setDeleteMe();
}

void Entity::setDeleteMe()
{
    if (eater)
    {
        eater->removeEatee(this);
        eater = nullptr;
    }
    if (emitter)
    {
        EntityEmitterBase* em = emitter;
        emitter = nullptr;  // told once, even if marked twice
        em->emittedEntityDeleted();
    }
    for (Entity* e : eatees)
        e->eater = nullptr;
    eatees.clear();
    while (!targets.empty())
    {
        std::unique_ptr<EntityCount> t = std::move(targets.back());
        targets.pop_back();
        t->entity->targetedBy.remove(this);
    }
    // Each round drops the back entry first, so a record missing on the other side cannot keep
    // the loop going.
    while (!targetedBy.empty())
    {
        Entity* t = targetedBy.back();
        targetedBy.pop_back();
        t->targetDeleted(this);
    }
    deleteMe = true;
}

void Entity::addTarget(Entity* t)
{
    if (!t)
        return;
    for (const std::unique_ptr<EntityCount>& c : targets)
    {
        if (c->entity == t)
        {
            ++c->count;
            return;
        }
    }
    targets.push_back(std::make_unique<EntityCount>(EntityCount{t, 1}));
    t->targetedBy.push_back(this);
}

void Entity::removeTarget(Entity* t)
{
    if (!t)
        return;
    for (auto it = targets.begin(); it != targets.end(); ++it)
    {
        if ((*it)->entity != t)
            continue;
        if (--(*it)->count <= 0)
        {
            targets.erase(it);
            auto back = std::find(t->targetedBy.begin(), t->targetedBy.end(), this);
            if (back != t->targetedBy.end())
                t->targetedBy.erase(back);
        }
        return;
    }
}

void Entity::targetDeleted(Entity* t)
{
    if (!t)
        return;
    for (auto it = targets.begin(); it != targets.end(); ++it)
    {
        if ((*it)->entity == t)
        {
            targets.erase(it);
            break;
        }
    }
    auto back = std::find(t->targetedBy.begin(), t->targetedBy.end(), this);
    if (back != t->targetedBy.end())
        t->targetedBy.erase(back);
    for (size_t i = 0; i < controllers.size(); ++i)
        controllers[i]->targetDeleted(t);
}

}  // namespace Game

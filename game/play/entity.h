// Entity: everything that lives in a level (food, enemies, shots, the player's goo). Its size
// is an area: every rule compares actualArea, every length (width, height, diameter, radius)
// follows displayArea. Angles are degrees, 0 pointing right and 90 up (y grows down).
//
// The entity reaches its neighbours through three small interfaces so that this layer needs
// none of the classes above it: the play screen implements GameWindowBase (the entity finds it
// by dynamic_cast from the window it was made for), every controller derives from
// EntityControllerBase, and every emitter from EntityEmitterBase.
#pragma once

#include <list>
#include <memory>
#include <vector>

#include "services/soundeffects.h"
#include "wgui_vector2d.h"

namespace WGUI
{
class Shape;
class Sprite;
class Window;
class AnimationDef;
}  // namespace WGUI

namespace Game
{

class Entity;
class EntityDef;
class ParticleEngine;

// What an entity and the entity engine ask of the play screen.
class GameWindowBase
{
public:
    virtual ~GameWindowBase() {}
    virtual double getLevelLeft() = 0;
    virtual double getLevelRight() = 0;
    virtual double getLevelTop() = 0;
    virtual double getLevelBottom() = 0;
    virtual double getLevelWidth() = 0;
    virtual double getLevelHeight() = 0;
    // The player's goo, null while the level has none.
    virtual Entity* getGreyGooEntity() = 0;
    virtual WGUI::Vector2d getGooPos() = 0;
    virtual ParticleEngine* getParticleEngine() = 0;
    virtual double getGrowthRate() = 0;
};

// What an entity and the entity engine ask of a controller.
class EntityControllerBase
{
public:
    virtual ~EntityControllerBase() {}
    virtual void setEntity(Entity* e) = 0;
    virtual Entity* getEntity() = 0;
    // Once a frame, with the entity's first-phase flag of the previous frame.
    virtual void update(bool controllerIsFirst) = 0;
    virtual double getPriority() = 0;
    virtual bool isFirst() = 0;
    virtual void doControl() = 0;
    virtual void targetDeleted(Entity* target) = 0;
    // Whether the controller cares about this candidate (the engine's queries).
    virtual bool affectEntity(Entity* candidate) = 0;
};

// What an entity tells the emitter that made it.
class EntityEmitterBase
{
public:
    virtual ~EntityEmitterBase() {}
    virtual void emittedEntityDeleted() = 0;
};

// A controller's claim on a target entity; counted, so several controllers of one entity may
// target the same entity.
struct EntityCount
{
    Entity* entity;
    int count;
};

class Entity : public LoopSoundHolder
{
public:
    Entity(EntityDef* def, WGUI::Window* window);
    ~Entity() override;
    Entity(const Entity&) = delete;
    Entity& operator=(const Entity&) = delete;

    // --- collisions (the push-out; normalAngle: direction this entity moved) ---
    virtual bool correctIntersection(Entity* other, double& normalAngle);
    virtual void emitNonGooEatenParticles();
    virtual void emitDamageParticles(Entity* attacker, double damage);
    virtual void getDamageParticleColour(float& r, float& g, float& b, float& a);
    virtual float getSoundSizeMultiplier();
    virtual void playDamageSound();
    virtual void playEatenSound();
    virtual bool limitMaxSpeedSmooth(double maxSpeed);
    virtual void setNormalBlitColour();

    virtual void init(WGUI::Window* window);
    // Takes the sprite over (the old one is deleted first). The second form takes a sprite handed
    // over by its maker.
    virtual void setSprite(WGUI::Sprite* s);
    void setSprite(std::unique_ptr<WGUI::Sprite> s);
    virtual WGUI::Sprite* getSprite() { return sprite.get(); }
    virtual void setShadow(bool on, int x, int y);
    // Takes the controller over; it lives as long as this entity. The second form takes a
    // controller handed over by its maker.
    virtual void addController(EntityControllerBase* c);
    void addController(std::unique_ptr<EntityControllerBase> c);
    virtual EntityControllerBase* getController(int index);
    virtual int getNumControllers() { return static_cast<int>(controllers.size()); }
    virtual void setPos(WGUI::Vector2d p) { pos = p; }
    virtual WGUI::Vector2d getPos() { return pos; }
    virtual void setAngle(double a) { angle = a; }
    virtual double getAngle() { return angle; }
    virtual void setVel(WGUI::Vector2d v) { vel = v; }
    virtual WGUI::Vector2d getVel() { return vel; }
    virtual double getAngularVel() { return angularVel; }
    virtual void setAngularVel(double v) { angularVel = v; }
    virtual void setSlowAnimSpeed(double s) { slowAnimSpeed = s; }
    virtual double getSlowAnimSpeed() { return slowAnimSpeed; }
    virtual void setFastAnimSpeed(double s) { fastAnimSpeed = s; }
    virtual double getFastAnimSpeed() { return fastAnimSpeed; }
    virtual void setAbsDamage(double d) { absDamage = d; }
    virtual void setFracDamage(double d) { fracDamage = d; }
    virtual bool getDirectedTravel() { return directedTravel; }
    virtual void setDirectedTravel(bool b) { directedTravel = b; }
    virtual bool getNewtonTravel() { return newtonTravel; }
    virtual void setNewtonTravel(bool b) { newtonTravel = b; }
    virtual bool getMatchAngleToVel() { return matchAngleToVel; }
    virtual void setMatchAngleToVel(bool b) { matchAngleToVel = b; }
    virtual void setActualArea(double a);
    virtual void setDisplayArea(double a);
    virtual void setAspectRatio(double r) { aspectRatio = r; }
    virtual void setAreaCoverage(double c) { areaCoverage = c; }
    virtual double getActualArea() { return actualArea; }
    virtual double getDisplayArea() { return displayArea; }
    virtual double getInitialArea() { return initialArea; }
    virtual double getWidth() { return width; }
    virtual double getHeight() { return height; }
    virtual double getDiameter() { return diameter; }
    virtual double getRadius() { return radius; }
    virtual void setBiggerDim(double d) { biggerDim = d; }
    virtual double getBiggerDim() { return biggerDim; }
    virtual double getLivedFor() { return livedFor; }
    virtual bool getFirstFrameAlive() { return firstFrameAlive; }
    virtual bool checkRoughIntersection(Entity* other);
    virtual bool checkIntersection(Entity* other);
    virtual void collisionReaction(Entity* other);
    virtual bool inLevelBounds();
    virtual void updateOutOfBounds();
    virtual void eatEntity(Entity* eatee);
    virtual void damageEntity(Entity* other);
    virtual void destroySelf();
    virtual void bounce(Entity* other);
    virtual void slide(Entity* other);
    virtual void takeDamage(Entity* attacker);
    virtual void update();
    virtual void draw();

    // --- plain operations ---
    EntityDef* getEntityDef() { return entityDef; }
    double getEffectR() { return effectR; }
    double getEffectG() { return effectG; }
    double getEffectB() { return effectB; }
    double getEffectA() { return effectA; }
    bool getBeingEaten() { return beingEaten; }
    bool getDeleteMe() { return deleteMe; }
    Entity* getEater() { return eater; }
    double getOutOfBoundsFor() { return outOfBoundsFor; }
    void setSpecial(bool s) { special = s; }
    bool isSpecial() { return special; }
    void setEmitter(EntityEmitterBase* e) { emitter = e; }
    EntityEmitterBase* getEmitter() { return emitter; }
    void setUpdatePhysicsThisFrame(bool b) { updatePhysicsThisFrame = b; }
    void setCollisionPosReactionThisFrame(bool b) { collisionPosReactionThisFrame = b; }
    bool getGooReactionOnly() { return gooReactionOnly; }
    int getReactShape() { return reactShape; }
    bool animationDone();
    WGUI::AnimationDef* getAnimationDef();
    void getVolumePan(float& volume, float& pan);
    void loopSoundStopped(SoundEffectLoop* loop) override;
    void centerCameraOnMe();
    void goToPos(WGUI::Vector2d target, double maxSpeed, double accel);
    void forceTowardsPoint(WGUI::Vector2d point);
    void updateIntersectionShapes();
    // Hints for a walk that updates entities in turn: ask the caches for the memory this entity's
    // update reads outside the entity itself, a few entities ahead. The first step asks for the
    // blocks the entity points to (its controller array, sprite and shape links), the second,
    // once those are near, for what they point to (the controllers, the sprite's animation and
    // the shapes). Both only read; nothing changes.
    void prefetchOwnedBlocks() const;
    void prefetchOwnedParts() const;
    // The same for what an intersection test reads first: the place, the size and the flags.
    void prefetchPlace() const
    {
        __builtin_prefetch(&pos);
        __builtin_prefetch(&radius);
        __builtin_prefetch(&deleteMe);
    }

    int getCollisionEffect(Entity* other);
    void setBeingEaten(Entity* eater);
    void removeEatee(Entity* e);
    void addTarget(Entity* t);
    void removeTarget(Entity* t);
    void targetDeleted(Entity* t);
    void setDeleteMe();

    // Read-only views for controllers, displays and tests.
    GameWindowBase* getGameWindow() { return game; }
    EntityControllerBase* getCurrentController() { return currentController; }
    bool getControllerIsFirst() { return controllerIsFirst; }
    bool getTurningToTarget() { return turningToTarget; }
    double getTargetAngle() { return targetAngle; }
    double getMaxAngularVel() { return maxAngularVel; }
    double getSwellArea() { return swellArea; }
    double getGrowTimer() { return growTimer; }
    double getSinceDamage() { return sinceDamage; }
    bool getEatenParticlesDone() { return eatenParticlesDone; }
    const std::list<Entity*>& getEatees() { return eatees; }
    const std::list<std::unique_ptr<EntityCount>>& getTargets() { return targets; }
    const std::list<Entity*>& getTargetedBy() { return targetedBy; }
    const std::list<std::unique_ptr<WGUI::Shape>>& getIntersectionShapes() { return intersectionShapes; }

    // The frame time, clamped to the timer's range.
    static double dt();

protected:
    // Particles of the table of occasions; count particles of a cell from pos.
    void emitEatenByGooParticles();
    void emitDeathParticles();
    void updateGrowth();
    void updateBeingEaten();
    void updateWobble();
    void updateTurning();
    void updateLoopSounds();
    bool isGoo(Entity* e);

    WGUI::Window* window = nullptr;
    GameWindowBase* game = nullptr;
    // Owned; the destructor releases them in the order sprite, controllers, shapes, target records.
    std::unique_ptr<WGUI::Sprite> sprite;
    std::vector<std::unique_ptr<EntityControllerBase>> controllers;
    EntityControllerBase* currentController = nullptr;
    EntityDef* entityDef = nullptr;
    WGUI::Vector2d pos, vel;
    double angle = 0;
    double angularVel = 0;
    double maxAngularVel = 360;
    bool smoothTurn = false;
    int reactShape = 0;
    double slowAnimSpeed = 0, fastAnimSpeed = 0;
    bool wobbleDown = false;
    double absDamage = 0, fracDamage = 0;
    bool updatePhysicsThisFrame = true, collisionPosReactionThisFrame = true;
    bool turningToTarget = false;
    double angularAccel = 1;
    double targetAngle = 0;
    bool directedTravel = false, newtonTravel = false, moveToTurn = false, matchAngleToVel = false;
    double turnRadius = 1;
    double moveToTurnExtra = 0;
    double effectR = 1, effectG = 1, effectB = 1, effectA = 1;
    bool shadowOn = false;
    int shadowX = 0, shadowY = 0;
    double actualArea = 0;
    double displayArea = 0;
    double initialArea = -1;
    double swellArea = 0;
    double growTimer = 1000;
    double aspectRatio = 1;
    double areaCoverage = 1;
    double width = 0, height = 0, biggerDim = 0, diameter = 0, radius = 0;
    std::list<std::unique_ptr<WGUI::Shape>> intersectionShapes;
    bool beingEaten = false, deleteMe = false;
    Entity* eater = nullptr;
    double eatenTimer = 0;
    bool eatenParticlesDone = false;
    WGUI::Vector2d eatenOffset;
    double eatenStartArea = 10;
    std::list<Entity*> eatees;
    std::list<std::unique_ptr<EntityCount>> targets;
    std::list<Entity*> targetedBy;
    EntityEmitterBase* emitter = nullptr;
    double outOfBoundsFor = 0;
    double sinceDamage = 100;
    double livedFor = 0;
    bool firstFrameAlive = true;
    bool controllerIsFirst = false;
    int loopChannel = -1, firstLoopChannel = -1;
    bool special = false;
    bool gooReactionOnly = false;
};

}  // namespace Game

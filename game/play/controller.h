// The steering of entities: the polymorphic base of every controller kind, its per-frame tick,
// the target filters, the choice of the movement animation, and the table of controller-type
// words of level files.
//
// Each frame every controller of an entity ticks at its own update period and reports a
// priority; the one with the strictly greatest positive priority (the earliest added among
// equals) steers the entity for that frame. While the entity is in its first phase (the last
// winner was marked "first"), controllers report and search with their first priority and
// first affect distance, and those that are not "first" and have no positive first priority
// are frozen.
#pragma once

#include <memory>
#include <vector>

#include "entity.h"
#include "foundation/str.h"

namespace WGUI
{
class Window;
}

namespace Game
{

class AffectEntity;
class EntityEngine;
class GreyGoo;

// What the controllers and the goo ask of the play screen beyond GameWindowBase. The play
// screen implements it; they find it by dynamic_cast from the window they were made for, and
// do without (no shots, no goo reports) when the window is something else.
class PlayWindowBase
{
public:
    virtual ~PlayWindowBase() {}
    // Fires the shot emitter with that number from pos, heading along angle (degrees).
    virtual void shoot(int shot, WGUI::Vector2d pos, double angle) = 0;
    // The goo's position of this frame (read back through GameWindowBase::getGooPos).
    virtual void setGooPos(WGUI::Vector2d pos) = 0;
    // The goo has begun to eat this entity (tallies and the eaten display).
    virtual void gooAteEntity(Entity* eatee) = 0;
    // The goo of the level; the goo clears it (null) when it is destroyed.
    virtual void setGreyGoo(GreyGoo* goo) = 0;
    virtual EntityEngine* getEntityEngine() = 0;
};

// Controller-type codes of level files.
enum ControllerTypeCode
{
    kControllerNone = -1,
    kControllerGreyGoo = 0,
    kControllerMoveDirection = 1,
    kControllerPathFollow = 2,
    kControllerAttack = 3,
    kControllerEvade = 4,
    kControllerStayInLevel = 5,
    kControllerLeaveLevel = 6,
    kControllerStationary = 7,
    kControllerAvoid = 8
};

class EntityController : public EntityControllerBase
{
public:
    EntityController(WGUI::Window* window, EntityEngine* engine);
    ~EntityController() override;
    EntityController(const EntityController&) = delete;
    EntityController& operator=(const EntityController&) = delete;

    void setEntity(Entity* e) override { entity = e; }
    Entity* getEntity() override { return entity; }
    // Also primes the elapsed time, so the first tick after it refreshes at once.
    virtual void setUpdatePeriod(double p);
    virtual void setAccel(double a) { accel = a; }
    // The controller takes ownership of the filter (null is ignored).
    virtual void addAffectEntity(AffectEntity* a);
    virtual void addDontAffectEntity(AffectEntity* a);
    void addAffectEntity(std::unique_ptr<AffectEntity> a);
    void addDontAffectEntity(std::unique_ptr<AffectEntity> a);
    // True when some affect filter accepts the pair and no dont-affect filter does. Final, so
    // that mayAffectKind always describes it.
    bool affectEntity(Entity* other) final;
    // False when affectEntity is false for every entity of that definition whatever the sizes:
    // no affect filter takes every kind or names the definition. Searches use it to pass over
    // other kinds before measuring anything.
    bool mayAffectKind(const EntityDef* def) const;
    // These four ignore negative values: a level file's left-out setting arrives as -1 and
    // the kind's default stays.
    virtual void setPriority(double v);
    virtual void setFirstPriority(double v);
    virtual void setAffectDist(double v);
    virtual void setFirstAffectDist(double v);
    virtual void setFirst(bool f) { first = f; }
    bool isFirst() override { return first; }
    virtual double getEffectivePriority();
    virtual double getEffectiveAffectDistance();
    // An entity this controller targets is about to go; the base keeps no target.
    void targetDeleted(Entity* e) override;
    // The periodic refresh (target search and the like); the base does nothing.
    virtual void updateSelf();
    double getPriority() override;
    // Steers the entity for this frame (the winner only). The base chooses the movement
    // animation; every kind calls it at the end of its own.
    void doControl() override;

    // The per-frame tick, given whether the entity was in its first phase.
    void update(bool firstActive) override;
    void playFastMoveAnimation();
    void playSlowMoveAnimation();
    void playIdleAnimation();

    int getType() const { return type; }
    // The play screen's interfaces, null when the window does not offer them.
    PlayWindowBase* getPlayWindow() const;
    GameWindowBase* getGameWindow() const;
    double getUpdateElapsed() const { return updateElapsed; }
    double getAccel() const { return accel; }
    double getPriorityField() const { return priority; }
    double getFirstPriority() const { return firstPriority; }
    double getAffectDist() const { return affectDist; }
    double getFirstAffectDist() const { return firstAffectDist; }
    int getNumAffect() const { return static_cast<int>(affect.size()); }
    int getNumDontAffect() const { return static_cast<int>(dontAffect.size()); }

protected:
    // A kind's constructor: its type, and the priority and reach it has in both phases until
    // the level file says otherwise.
    void setKindDefaults(int kind, double defaultPriority, double defaultAffectDist)
    {
        type = kind;
        priority = firstPriority = defaultPriority;
        affectDist = firstAffectDist = defaultAffectDist;
    }

    WGUI::Window* window;
    EntityEngine* engine;
    Entity* entity = nullptr;
    int type = kControllerNone;
    double updatePeriod = 0;
    double updateElapsed = 0;
    double accel = 0;
    double priority = 0;
    double firstPriority = 0;
    double affectDist = 0;
    double firstAffectDist = 0;
    bool first = false;
    bool firstActive = false;
    // Owned; released with the controller, the affect filters first.
    std::vector<std::unique_ptr<AffectEntity>> affect;
    std::vector<std::unique_ptr<AffectEntity>> dontAffect;
};

// Controller-type words of level files to codes. Keeps no state.
class ControllerTypes
{
public:
    ControllerTypes() {}
    ~ControllerTypes() {}
    // Exact, case-sensitive comparison; anything not in the table gives -1.
    static int stringToIntController(const str& word);
};

}  // namespace Game

// Emitters bring the entities of one kind into a level while it is played: at random with a
// rate per second, at scheduled times, or (shots) on demand. A side emitter makes its entities
// just outside chosen edges of the field heading inwards, a spot emitter at a point or on its
// path, a shot emitter wherever an attacker fires. Every entity made is handed to the entity
// engine, which owns it from then on.
#pragma once

#include <cfloat>
#include <list>
#include <memory>
#include <vector>

#include "entity.h"
#include "foundation/str.h"
#include "wgui_vector2d.h"

namespace WGUI
{
class Window;
class XmlElement;
}  // namespace WGUI

namespace Game
{

class AffectEntity;
class ControllerTypes;
class Entity;
class EntityDef;
class EntityDefs;
class EntityEngine;
class Path;

struct ScheduledEmitVars
{
    double time = 0;     // seconds since the emitter's start
    double pathpos = 0;  // position along the paths; 0 means none
};

// The description of one controller, turned into a new controller for every entity made.
class ControllerVars
{
public:
    ControllerVars() = default;
    ~ControllerVars();
    ControllerVars(const ControllerVars&) = delete;
    ControllerVars& operator=(const ControllerVars&) = delete;

    int type = -1;
    double updateperiod = 0.1;
    double direction = 0, directionvariance = 0, directionvaryaccel = 0;
    double speed = 0, speedvariance = 0, speedvaryaccel = 0;
    double accel = 0;
    bool loop = false;
    double priority = -1.0, firstpriority = -1.0, affectdist = -1.0, firstaffectdist = -1.0;
    bool first = false;
    double initpathpos = 0;
    int shot = -1;
    double shotx = 0, shoty = 0, shotperiod = 0;
    double leavesize = DBL_MAX, leavetime = DBL_MAX;
    std::unique_ptr<Path> path;  // borrowed by the path followers made from it
    std::vector<std::unique_ptr<AffectEntity>> affect;
    std::vector<std::unique_ptr<AffectEntity>> dontaffect;
};

class EntityEmitter : public EntityEmitterBase
{
public:
    EntityEmitter(EntityEngine* engine, EntityDefs* defs, ControllerTypes* types);
    virtual void emit() {}
    ~EntityEmitter() override;
    EntityEmitter(const EntityEmitter&) = delete;
    EntityEmitter& operator=(const EntityEmitter&) = delete;

    virtual void readXML(bool timed, WGUI::XmlElement& e);
    virtual void setRandomEmit(double rate);
    void emittedEntityDeleted() override;
    virtual void update();
    virtual void draw(WGUI::Window* window);

    int getShotEmitNum() const { return shotemitnum; }
    bool isRandomEmit() const { return randomEmit; }
    double getMinArea() const { return minarea; }
    double getMaxArea() const { return maxarea; }
    int getScheduledEmitsLeft() const { return static_cast<int>(schedule.size()); }
    void setNeededImages();

    Entity* createEntity();
    void createControllers(Entity* e);
    void createEntityAndController(Entity*& out);

    // False when the emitter cannot make anything (no definition, or a side emitter with no
    // side); the level does not keep such an emitter.
    virtual bool isUsable() const { return def != nullptr; }

    EntityDef* getEntityDef() const { return def; }
    int getLiveCount() const { return liveCount; }
    int getMaxLive() const { return maxlive; }
    bool isSpecial() const { return special; }
    const std::vector<std::unique_ptr<ControllerVars>>& getControllerVars() const { return controllerVars; }

protected:
    void readControllerVars(bool timed, WGUI::XmlElement& e);

    EntityEngine* engine;
    EntityDefs* defs;
    ControllerTypes* types;
    EntityDef* def = nullptr;
    std::vector<std::unique_ptr<ControllerVars>> controllerVars;
    double minarea = 0, maxarea = 0;
    double slowanimspeed = 5.0, fastanimspeed = 75.0;
    double angle = 0, anglevariance = 0;
    bool anglevelposorneg = false;
    double angularvel = 0, angularvelvariance = 0;
    bool shadow = false;
    int shadowx = 0, shadowy = 0;
    double absdamage = 0, fracdamage = 0;
    bool special = false;
    int liveCount = 0;
    int maxlive = 200;
    bool randomEmit = false;
    double rate = 0;
    double minemitperiod = 0;
    double timeSinceLastRandomEmit = 1000.0;
    double timeSinceStart = 0;
    bool scheduled = false;
    std::list<ScheduledEmitVars> schedule;  // the next due at the back
    int shotemitnum = -1;
    Entity* previewEntity = nullptr;
};

class EmitterSide : public EntityEmitter
{
public:
    EmitterSide(EntityEngine* engine, EntityDefs* defs, ControllerTypes* types);
    void emit() override;
    void readXML(bool timed, WGUI::XmlElement& e) override;
    bool isUsable() const override;

    enum
    {
        kLeft = 0,
        kRight = 1,
        kTop = 2,
        kBottom = 3
    };
    double getSideMin(int side) const { return minimum[side]; }

private:
    bool enabled[4] = {false, false, false, false};
    double minimum[4] = {0, 0, 0, 0};
    double maximum[4] = {0, 0, 0, 0};
};

class EmitterSpot : public EntityEmitter
{
public:
    EmitterSpot(EntityEngine* engine, EntityDefs* defs, ControllerTypes* types);
    void emit() override;
    void readXML(bool timed, WGUI::XmlElement& e) override;
    void draw(WGUI::Window* window) override;
    double getPosX() const { return posx; }

private:
    double posx = 0, posy = 0;
};

class EmitterShot : public EntityEmitter
{
public:
    EmitterShot(EntityEngine* engine, EntityDefs* defs, ControllerTypes* types);
    void readXML(bool timed, WGUI::XmlElement& e) override;
    void update() override;
    using EntityEmitter::emit;
    virtual void emit(WGUI::Vector2d pos, double angle);
};

}  // namespace Game

// The emitters: side, spot and shot emitters read from a level and spawning its entities.
#include "emitter.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "aicontrollers.h"
#include "controller.h"
#include "entity.h"
#include "entitydef.h"
#include "entityengine.h"
#include "eatendisplay.h"
#include "foundation/debug.h"
#include "level.h"
#include "path.h"
#include "reaction.h"
#include "wgui_helpers.h"
#include "wgui_timer.h"
#include "wgui_window.h"
#include "wgui_xmldocument.h"

namespace Game
{

namespace
{

// An emitted entity closer than this to the goo's edge is removed at once.
const double kGooKeepAway = 100.0;

GameWindowBase* gameOf(EntityEngine* engine)
{
    if (!engine)
        return nullptr;
    return dynamic_cast<GameWindowBase*>(engine->getWindow());
}

double nonNegative(double v)
{
    return (std::isfinite(v) && v > 0) ? v : 0.0;
}

}  // namespace

// ---- ControllerVars ----

ControllerVars::~ControllerVars()
{
    // The path, then the affect filters, then the dont-affect filters.
    path.reset();
    affect.clear();
    dontaffect.clear();
}

// ---- EntityEmitter ----

EntityEmitter::EntityEmitter(EntityEngine* engine, EntityDefs* defs, ControllerTypes* types)
    : engine(engine), defs(defs), types(types)
{
}

EntityEmitter::~EntityEmitter()
{
    controllerVars.clear();
    schedule.clear();
}

void EntityEmitter::readXML(bool timed, WGUI::XmlElement& e)
{
    str defName;
    e.queryStringAttribute("entitydef", defName);
    def = defs ? defs->getEntityDef(defName) : nullptr;
    if (!def)
        WriteDbg("Emitter: entity definition \"%s\" not found; the emitter is dropped\n", defName.c_str());

    Level::queryDoubleAttribute(timed, e, "minarea", minarea);
    Level::queryDoubleAttribute(timed, e, "maxarea", maxarea);
    minarea = nonNegative(minarea);
    maxarea = nonNegative(maxarea);
    Level::queryDoubleAttribute(timed, e, "slowanimspeed", slowanimspeed);
    Level::queryDoubleAttribute(timed, e, "fastanimspeed", fastanimspeed);
    Level::queryDoubleAttribute(timed, e, "angle", angle);
    Level::queryDoubleAttribute(timed, e, "anglevariance", anglevariance);
    Level::queryBoolAttribute(timed, e, "anglevelposorneg", anglevelposorneg);
    Level::queryDoubleAttribute(timed, e, "angularvel", angularvel);
    Level::queryDoubleAttribute(timed, e, "angularvelvariance", angularvelvariance);
    Level::queryIntAttribute(timed, e, "maxlive", maxlive);
    Level::queryDoubleAttribute(timed, e, "minemitperiod", minemitperiod);
    Level::queryIntAttribute(timed, e, "shadowx", shadowx);
    Level::queryIntAttribute(timed, e, "shadowy", shadowy);
    Level::queryDoubleAttribute(timed, e, "absdamage", absdamage);
    Level::queryDoubleAttribute(timed, e, "fracdamage", fracdamage);
    Level::queryBoolAttribute(timed, e, "special", special);
    shadow = shadowx != 0 || shadowy != 0;

    e.resetIterateChildren();
    for (WGUI::XmlElement child = e.iterateChildren(); child.isValid(); child = e.iterateChildren())
    {
        const str n = child.getName();
        if (n == str("randomemit"))
        {
            double r = 0;
            Level::queryDoubleAttribute(timed, child, "rate", r);
            setRandomEmit(r);
        }
        else if (n == str("scheduledemit"))
        {
            scheduled = true;
            child.resetIterateChildren();
            for (WGUI::XmlElement em = child.iterateChildren("emit"); em.isValid();
                 em = child.iterateChildren("emit"))
            {
                ScheduledEmitVars v;
                Level::queryDoubleAttribute(timed, em, "time", v.time);
                Level::queryDoubleAttribute(timed, em, "pathpos", v.pathpos);
                schedule.push_front(v);
            }
        }
        else if (n == str("controller"))
        {
            readControllerVars(timed, child);
        }
    }
}

void EntityEmitter::readControllerVars(bool timed, WGUI::XmlElement& e)
{
    auto v = std::make_unique<ControllerVars>();
    str typeWord;
    e.queryStringAttribute("type", typeWord);
    v->type = ControllerTypes::stringToIntController(typeWord);
    e.queryDoubleAttribute("updateperiod", v->updateperiod);
    e.queryDoubleAttribute("direction", v->direction);
    e.queryDoubleAttribute("directionvariance", v->directionvariance);
    e.queryDoubleAttribute("directionvaryaccel", v->directionvaryaccel);
    e.queryDoubleAttribute("speed", v->speed);
    e.queryDoubleAttribute("speedvariance", v->speedvariance);
    e.queryDoubleAttribute("speedvaryaccel", v->speedvaryaccel);
    e.queryDoubleAttribute("accel", v->accel);
    e.queryDoubleAttribute("priority", v->priority);
    e.queryDoubleAttribute("firstpriority", v->firstpriority);
    e.queryDoubleAttribute("affectdist", v->affectdist);
    e.queryDoubleAttribute("firstaffectdist", v->firstaffectdist);
    e.queryDoubleAttribute("initpathpos", v->initpathpos);
    e.queryBoolAttribute("loop", v->loop);
    e.queryBoolAttribute("first", v->first);

    e.resetIterateChildren();
    for (WGUI::XmlElement child = e.iterateChildren(); child.isValid(); child = e.iterateChildren())
    {
        const str n = child.getName();
        if (n == str("affect") || n == str("dontaffect"))
        {
            auto a = std::make_unique<AffectEntity>();
            a->readXML(timed, child, defs);
            (n == str("affect") ? v->affect : v->dontaffect).push_back(std::move(a));
        }
    }

    if (v->type == kControllerPathFollow)
    {
        v->path = std::make_unique<Path>();
        e.resetIterateChildren();
        for (WGUI::XmlElement p = e.iterateChildren("pair"); p.isValid(); p = e.iterateChildren("pair"))
        {
            SplinePair pair;
            p.queryDoubleAttribute("x1", pair.x1);
            p.queryDoubleAttribute("y1", pair.y1);
            p.queryDoubleAttribute("coefx1", pair.coefx1);
            p.queryDoubleAttribute("coefy1", pair.coefy1);
            p.queryDoubleAttribute("x2", pair.x2);
            p.queryDoubleAttribute("y2", pair.y2);
            p.queryDoubleAttribute("coefx2", pair.coefx2);
            p.queryDoubleAttribute("coefy2", pair.coefy2);
            v->path->addPair(pair);
        }
        if (v->path->getNumPairs() == 0)
        {
            // A path follower needs a path; without one the description is dropped so that
            // descriptions and controllers stay index for index.
            WriteDbg("Emitter: path-follow controller without <pair> dropped\n");
            return;
        }
        v->path->segmentPath();
    }
    else if (v->type == kControllerAttack)
    {
        e.queryIntAttribute("shot", v->shot);
        e.queryDoubleAttribute("shotx", v->shotx);
        e.queryDoubleAttribute("shoty", v->shoty);
        e.queryDoubleAttribute("shotperiod", v->shotperiod);
    }
    else if (v->type == kControllerLeaveLevel)
    {
        e.queryDoubleAttribute("leavesize", v->leavesize);
        e.queryDoubleAttribute("leavetime", v->leavetime);
    }
    else if (v->type < kControllerMoveDirection || v->type > kControllerAvoid)
    {
        WriteDbg("Emitter: controller type \"%s\" makes no controller; dropped\n", typeWord.c_str());
        return;
    }
    controllerVars.push_back(std::move(v));
}

void EntityEmitter::setRandomEmit(double r)
{
    randomEmit = true;
    rate = r;
}

void EntityEmitter::emittedEntityDeleted()
{
    --liveCount;
}

void EntityEmitter::update()
{
    const double dt = WGUI::Timer::instance()->getDeltaT();
    timeSinceStart += dt;
    timeSinceLastRandomEmit += dt;

    if (randomEmit)
    {
        const double chance = rate > 0 ? dt * rate : -1.0;
        const double u = WGUI::randomDouble0to1();
        if (chance >= u && timeSinceLastRandomEmit >= minemitperiod && liveCount < maxlive)
        {
            timeSinceLastRandomEmit = 0;
            emit();
        }
    }

    if (scheduled)
    {
        while (!schedule.empty() && timeSinceStart >= schedule.back().time)
        {
            const double pathpos = schedule.back().pathpos;
            if (pathpos != 0)
                for (const std::unique_ptr<ControllerVars>& v : controllerVars)
                    v->initpathpos = pathpos;
            schedule.pop_back();
            emit();
        }
    }
}

void EntityEmitter::setNeededImages()
{
    if (!def)
        return;
    int n = 10000;
    if (!def->growEat)
    {
        const double coverage = def->areaCoverage;
        const double aspect = def->aspectRatio;
        double v = (coverage > 0 && std::isfinite(coverage) && std::isfinite(aspect) && aspect > 0)
                       ? std::sqrt(maxarea / coverage * aspect)
                       : 0.0;
        if (!std::isfinite(v) || v > 10000)
            v = 10000;
        n = static_cast<int>(v);
    }
    if (n < EatenDisplay::MAX_DISP_SIZE)
        n = EatenDisplay::MAX_DISP_SIZE;
    def->setNeededImages(n);
}

Entity* EntityEmitter::createEntity()
{
    if (!def || !engine)
        return nullptr;
    Entity* e = def->createNewEntity(engine->getWindow());
    if (!e)
        return nullptr;
    const double a = WGUI::randomDouble(minarea, maxarea);
    e->setActualArea(a);
    e->setDisplayArea(a);
    e->setSlowAnimSpeed(slowanimspeed);
    e->setFastAnimSpeed(fastanimspeed);
    e->setAbsDamage(absdamage);
    e->setFracDamage(fracdamage);
    e->setSpecial(special);
    e->setAngle(WGUI::randomDouble(angle - anglevariance, angle + anglevariance));
    double w = WGUI::randomDouble(angularvel - angularvelvariance, angularvel + angularvelvariance);
    if (anglevelposorneg && (std::rand() & 1))
        w = -w;
    e->setAngularVel(w);
    e->setShadow(shadow, shadowx, shadowy);
    ++liveCount;
    e->setEmitter(this);
    return e;
}

void EntityEmitter::createControllers(Entity* e)
{
    WGUI::Window* window = engine ? engine->getWindow() : nullptr;
    for (const std::unique_ptr<ControllerVars>& v : controllerVars)
    {
        std::unique_ptr<EntityController> c;
        switch (v->type)
        {
        case kControllerMoveDirection:
        {
            auto m = std::make_unique<ControllerMoveDirection>(window, engine);
            m->setDirection(v->direction);
            m->setDirectionVariance(v->directionvariance);
            m->setDirectionVaryAccel(v->directionvaryaccel);
            m->setSpeed(v->speed);
            m->setSpeedVariance(v->speedvariance);
            m->setSpeedVaryAccel(v->speedvaryaccel);
            c = std::move(m);
            break;
        }
        case kControllerPathFollow:
        {
            auto p = std::make_unique<ControllerPathFollow>(v->path.get(), window, engine);
            p->setLoop(v->loop);
            p->setSpeed(v->speed);
            p->setInitPathPos(v->initpathpos);
            c = std::move(p);
            break;
        }
        case kControllerAttack:
        {
            auto a = std::make_unique<ControllerAttack>(window, engine);
            a->setSpeed(v->speed);
            a->setShot(v->shot);
            a->setShotPos(v->shotx, v->shoty);
            a->setShotPeriod(v->shotperiod);
            c = std::move(a);
            break;
        }
        case kControllerEvade:
        {
            auto x = std::make_unique<ControllerEvade>(window, engine);
            x->setSpeed(v->speed);
            c = std::move(x);
            break;
        }
        case kControllerStayInLevel:
        {
            auto x = std::make_unique<ControllerStayInLevel>(window, engine);
            x->setSpeed(v->speed);
            c = std::move(x);
            break;
        }
        case kControllerAvoid:
        {
            auto x = std::make_unique<ControllerAvoid>(window, engine);
            x->setSpeed(v->speed);
            c = std::move(x);
            break;
        }
        case kControllerLeaveLevel:
        {
            auto x = std::make_unique<ControllerLeaveLevel>(window, engine);
            x->setSpeed(v->speed);
            x->setLeaveSize(v->leavesize);
            x->setLeaveTime(v->leavetime);
            c = std::move(x);
            break;
        }
        case kControllerStationary: c = std::make_unique<ControllerStationary>(window, engine); break;
        default: break;
        }
        if (!c)
            continue;  // not reached: such descriptions are dropped when read
        c->setAccel(v->accel);
        c->setUpdatePeriod(v->updateperiod);
        c->setPriority(v->priority);
        c->setFirstPriority(v->firstpriority);
        c->setAffectDist(v->affectdist);
        c->setFirstAffectDist(v->firstaffectdist);
        c->setFirst(v->first);
        for (const std::unique_ptr<AffectEntity>& a : v->affect)
            c->addAffectEntity(std::make_unique<AffectEntity>(a.get()));
        for (const std::unique_ptr<AffectEntity>& a : v->dontaffect)
            c->addDontAffectEntity(std::make_unique<AffectEntity>(a.get()));
        e->addController(std::move(c));
    }
}

void EntityEmitter::createEntityAndController(Entity*& out)
{
    out = createEntity();
    if (!out)
        return;
    createControllers(out);
    engine->addEntity(out);
}

void EntityEmitter::draw(WGUI::Window* window)
{
    if (!previewEntity)
        createEntityAndController(previewEntity);
    for (const std::unique_ptr<ControllerVars>& v : controllerVars)
        if (v->path)
            v->path->draw(window);
}

// ---- EmitterSide ----

EmitterSide::EmitterSide(EntityEngine* engine, EntityDefs* defs, ControllerTypes* types)
    : EntityEmitter(engine, defs, types)
{
}

bool EmitterSide::isUsable() const
{
    return def != nullptr && (enabled[0] || enabled[1] || enabled[2] || enabled[3]);
}

void EmitterSide::readXML(bool timed, WGUI::XmlElement& e)
{
    EntityEmitter::readXML(timed, e);
    static const char* const names[4] = {"left", "right", "top", "bottom"};
    for (int s = 0; s < 4; ++s)
    {
        e.resetIterateChildren();
        WGUI::XmlElement side = e.iterateChildren(names[s]);
        if (!side.isValid())
            continue;
        enabled[s] = true;
        side.queryDoubleAttribute("min", minimum[s]);
        side.queryDoubleAttribute("max", maximum[s]);
        if (minimum[s] > maximum[s])
            std::swap(minimum[s], maximum[s]);
    }
    if (def && !isUsable())
        WriteDbg("Side emitter of \"%s\" has no side; dropped\n", def->name.c_str());
}

void EmitterSide::emit()
{
    int count = 0;
    for (bool b : enabled)
        count += b ? 1 : 0;
    if (count == 0)
        return;
    GameWindowBase* game = gameOf(engine);
    if (!game)
        return;
    const int k = WGUI::randomInt(0, count);
    int side = -1;
    for (int s = 0, seen = 0; s < 4; ++s)
    {
        if (!enabled[s])
            continue;
        if (seen == k)
        {
            side = s;
            break;
        }
        ++seen;
    }

    Entity* e = nullptr;
    createEntityAndController(e);
    if (!e)
        return;
    const double r = e->getRadius();
    WGUI::Vector2d pos;
    double direction = 0;
    switch (side)
    {
    case kLeft:
        pos.setY(WGUI::randomDouble(minimum[kLeft], maximum[kLeft]));
        pos.setX(game->getLevelLeft() - r);
        direction = 0;
        break;
    case kRight:
        pos.setY(WGUI::randomDouble(minimum[kRight], maximum[kRight]));
        pos.setX(game->getLevelRight() + r);
        direction = 180;
        break;
    case kTop:
        pos.setX(WGUI::randomDouble(minimum[kTop], maximum[kTop]));
        pos.setY(game->getLevelTop() - r);
        direction = 270;
        break;
    default:
        pos.setX(WGUI::randomDouble(minimum[kBottom], maximum[kBottom]));
        pos.setY(game->getLevelBottom() + r);
        direction = 90;
        break;
    }
    e->setPos(pos);

    EntityDef* d = e->getEntityDef();
    if (d && (d->directedTravel || d->matchAngleToVel))
        e->setAngle(direction);
    for (size_t i = 0; i < controllerVars.size(); ++i)
    {
        if (controllerVars[i]->type != kControllerMoveDirection)
            continue;
        auto* m = dynamic_cast<ControllerMoveDirection*>(e->getController(static_cast<int>(i)));
        if (!m)
            continue;
        m->setDirection(direction);
        WGUI::Vector2d v;
        v.setPolar(m->getSpeed(), direction);
        e->setVel(v);
    }

    if (Entity* goo = game->getGreyGooEntity())
    {
        const WGUI::Vector2d d2 = goo->getPos() - e->getPos();
        if (d2.getR() - goo->getRadius() - e->getRadius() < kGooKeepAway)
            e->setDeleteMe();
    }
}

// ---- EmitterSpot ----

EmitterSpot::EmitterSpot(EntityEngine* engine, EntityDefs* defs, ControllerTypes* types)
    : EntityEmitter(engine, defs, types)
{
}

void EmitterSpot::readXML(bool timed, WGUI::XmlElement& e)
{
    EntityEmitter::readXML(timed, e);
    e.queryDoubleAttribute("posx", posx);
    e.queryDoubleAttribute("posy", posy);
}

void EmitterSpot::emit()
{
    Entity* e = nullptr;
    createEntityAndController(e);
    if (!e)
        return;
    e->setPos(WGUI::Vector2d(posx, posy));
    for (size_t i = 0; i < controllerVars.size(); ++i)
    {
        if (controllerVars[i]->type != kControllerPathFollow)
            continue;
        auto* p = dynamic_cast<ControllerPathFollow*>(e->getController(static_cast<int>(i)));
        if (p && p->getPath())
            e->setPos(p->getPath()->getPos(controllerVars[i]->initpathpos));
    }
}

void EmitterSpot::draw(WGUI::Window* window)
{
    EntityEmitter::draw(window);
    if (previewEntity)
    {
        previewEntity->setPos(WGUI::Vector2d(posx, posy));
        previewEntity->draw();
    }
}

// ---- EmitterShot ----

EmitterShot::EmitterShot(EntityEngine* engine, EntityDefs* defs, ControllerTypes* types)
    : EntityEmitter(engine, defs, types)
{
}

void EmitterShot::readXML(bool timed, WGUI::XmlElement& e)
{
    EntityEmitter::readXML(timed, e);
    e.queryIntAttribute("shotemitnum", shotemitnum);
}

void EmitterShot::update()
{
    EntityEmitter::update();
}

void EmitterShot::emit(WGUI::Vector2d pos, double a)
{
    Entity* e = nullptr;
    createEntityAndController(e);
    if (!e)
        return;
    e->setPos(pos);
    for (size_t i = 0; i < controllerVars.size(); ++i)
    {
        if (controllerVars[i]->type != kControllerMoveDirection)
            continue;
        if (auto* m = dynamic_cast<ControllerMoveDirection*>(e->getController(static_cast<int>(i))))
            m->setDirection(a);
    }
}

}  // namespace Game

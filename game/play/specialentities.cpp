// The four entity kinds with effects of their own: energy, galaxy groups, the police car and clay.
#include "specialentities.h"

#include <cmath>

#include "entitydef.h"
#include "services/particles.h"
#include "wgui_animation.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"

namespace Game
{

namespace
{

// A vector of the given length in the given direction (degrees).
WGUI::Vector2d polar(double length, double angle)
{
    WGUI::Vector2d v(length, 0);
    v.setTheta(angle);
    return v;
}

// The entity's particle pool, or null.
ParticleEngine* particlesOf(Entity* e)
{
    GameWindowBase* game = e->getGameWindow();
    return game ? game->getParticleEngine() : nullptr;
}

double rootArea(Entity* e)
{
    const double a = e->getActualArea();
    return a > 0 ? std::sqrt(a) : 0.0;
}

// Whether the entity still makes particles this frame.
bool live(Entity* e)
{
    return !e->getBeingEaten() && !e->getDeleteMe();
}

void setColour(Particle* p, double r, double g, double b, double a)
{
    p->red = static_cast<float>(r);
    p->green = static_cast<float>(g);
    p->blue = static_cast<float>(b);
    p->alpha = static_cast<float>(a);
}

}  // namespace

// --- energy ---

EntityEnergy::EntityEnergy(EntityDef* def, WGUI::Window* window)
    : Entity(def, window), timer(new WGUI::EmitTimer(kRate))
{
    timer->setRandomize(true);
}

EntityEnergy::~EntityEnergy()
{
    delete timer;
}

void EntityEnergy::update()
{
    Entity::update();
    if (!live(this))
        return;
    const int n = timer->update();
    if (n <= 0)
        return;
    const double a = rootArea(this);
    const double size = 0.2 * a * WGUI::randomDouble(0.5, 2.0);
    const double maxSpeed = 2 * a;
    const double minSpeed = 0.2 * maxSpeed;
    ParticleEngine* particles = particlesOf(this);
    for (int i = 0; i < n; ++i)
    {
        Particle* p = particles ? particles->popInactive() : nullptr;
        if (!p)
            continue;
        p->cell = 0;
        p->position = pos + polar(WGUI::randomDouble(0.1, 0.35 * width), WGUI::randomDouble(0.1, 360));
        p->velocity = polar(WGUI::randomDouble(minSpeed, maxSpeed), WGUI::randomDouble(0, 360)) + vel;
        p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
        setColour(p, 1, 1, 1, 1);
        p->size = static_cast<float>(size);
        p->lifetime = 0.25f;
        particles->pushActive(p);
    }
}

// --- galaxy group ---

EntityGalaxyGroup::EntityGalaxyGroup(EntityDef* def, WGUI::Window* window)
    : Entity(def, window), timer(new WGUI::EmitTimer(kRate))
{
    timer->setRandomize(true);
}

EntityGalaxyGroup::~EntityGalaxyGroup()
{
    delete timer;
}

void EntityGalaxyGroup::update()
{
    Entity::update();
    if (!live(this))
        return;
    const int n = timer->update();
    if (n <= 0)
        return;
    const double size = 0.4 * rootArea(this) * WGUI::randomDouble(0.5, 2.0);
    ParticleEngine* particles = particlesOf(this);
    for (int i = 0; i < n; ++i)
    {
        Particle* p = particles ? particles->popInactive() : nullptr;
        if (!p)
            continue;
        p->cell = 3;
        p->position = pos + polar(WGUI::randomDouble(0.1, 0.4 * width), WGUI::randomDouble(0.1, 360));
        p->velocity = WGUI::Vector2d(0, 0);
        p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
        setColour(p, effectR, effectG, effectB, effectA);
        p->size = static_cast<float>(size);
        p->lifetime = 1.0f;
        particles->pushActive(p);
    }
}

// --- police car ---

EntityPoliceCar::EntityPoliceCar(EntityDef* def, WGUI::Window* window)
    : Entity(def, window), timer(new WGUI::EmitTimer(kRate)), lightMap(WGUI::ImageMaps::get("policelight")),
      light(new WGUI::Sprite(window))
{
    timer->setRandomize(false);
    light->setImageMap(lightMap);
    light->setCell(0);
}

EntityPoliceCar::~EntityPoliceCar()
{
    delete timer;
    delete light;
}

void EntityPoliceCar::update()
{
    Entity::update();
    // The light keeps its state while a "first" controller steers.
    if (currentController && currentController->isFirst())
        return;
    if (lightState == 0)
    {
        lightState = 1;
        return;
    }
    if (timer->update() == 1)
        lightState = (lightState == 1) ? 2 : 1;
}

void EntityPoliceCar::draw()
{
    Entity::draw();
    if (lightState == 0)
        return;
    const double side = (lightState == 1) ? 0.1 : -0.1;
    const double d = getBiggerDim();
    WGUI::Vector2d offset(0.05 * d, side * d);
    if (offset.getR() > 0)
        offset.setTheta(offset.getTheta() + angle);
    light->setAdditiveColour(true);
    light->setWidth(0.3 * width);
    light->setPos(pos + offset);
    light->draw();
}

// --- clay ---

EntitySoil::EntitySoil(EntityDef* def, WGUI::Window* window)
    : Entity(def, window), timer(new WGUI::EmitTimer(kRate))
{
    timer->setRandomize(true);
}

EntitySoil::~EntitySoil()
{
    delete timer;
}

void EntitySoil::update()
{
    Entity::update();
    if (!live(this))
        return;
    const int n = timer->update();
    if (n <= 0)
        return;
    const double size = 12 * WGUI::randomDouble(0.8, 1.2);
    const double phi = vel.getTheta();
    ParticleEngine* particles = particlesOf(this);
    for (int i = 0; i < n; ++i)
    {
        for (int side = 0; side < 2; ++side)
        {
            Particle* p = particles ? particles->popInactive() : nullptr;
            if (!p)
                continue;
            const double flank = (side == 0) ? phi - 90 : phi + 90;
            const double drift = (side == 0) ? phi + 180 + 15 : phi + 180 - 15;
            p->cell = 5;
            p->position = pos + polar(0.6 * width, flank);
            p->velocity = polar(60, drift);
            p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
            setColour(p, effectR, effectG, effectB, 0.5);
            p->size = static_cast<float>(size);
            p->lifetime = 0.25f;
            particles->pushActive(p);
        }
    }
}

Entity* createSpecialEntity(EntityDef* def, WGUI::Window* window)
{
    if (!def)
        return nullptr;
    switch (def->customType)
    {
    case kCustomEnergy: return new EntityEnergy(def, window);
    case kCustomGalaxyGroup: return new EntityGalaxyGroup(def, window);
    case kCustomPoliceCar: return new EntityPoliceCar(def, window);
    case kCustomSoil: return new EntitySoil(def, window);
    default: return nullptr;
    }
}

void installSpecialEntityKinds()
{
    EntityDef::setCustomEntityFactory(&createSpecialEntity);
}

}  // namespace Game

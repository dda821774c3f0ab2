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

// The number of emissions the timer gives this frame, 0 for an entity that no longer makes
// particles (its timer then stands still).
int emissionsDue(Entity* e, WGUI::EmitTimer* timer)
{
    return live(e) ? timer->update() : 0;
}

// Sends count particles from the entity's pool, each set up by fill(particle, index) in turn;
// an empty pool skips the rest of that one.
template <class Fill>
void emitParticles(Entity* e, int count, Fill fill)
{
    ParticleEngine* particles = particlesOf(e);
    for (int i = 0; i < count; ++i)
    {
        Particle* p = particles ? particles->popInactive() : nullptr;
        if (!p)
            continue;
        fill(p, i);
        particles->pushActive(p);
    }
}

std::unique_ptr<WGUI::EmitTimer> randomisedTimer(double rate)
{
    auto timer = std::make_unique<WGUI::EmitTimer>(rate);
    timer->setRandomize(true);
    return timer;
}

}  // namespace

// --- energy ---

EntityEnergy::EntityEnergy(EntityDef* def, WGUI::Window* window)
    : Entity(def, window), timer(randomisedTimer(kRate))
{
}

EntityEnergy::~EntityEnergy() = default;

void EntityEnergy::update()
{
    Entity::update();
    const int n = emissionsDue(this, timer.get());
    if (n <= 0)
        return;
    const double a = rootArea(this);
    const double size = 0.2 * a * WGUI::randomDouble(0.5, 2.0);
    const double maxSpeed = 2 * a;
    const double minSpeed = 0.2 * maxSpeed;
    emitParticles(this, n,
                  [&](Particle* p, int)
                  {
                      p->cell = 0;
                      p->position =
                          pos + polar(WGUI::randomDouble(0.1, 0.35 * width), WGUI::randomDouble(0.1, 360));
                      p->velocity =
                          polar(WGUI::randomDouble(minSpeed, maxSpeed), WGUI::randomDouble(0, 360)) + vel;
                      p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
                      setColour(p, 1, 1, 1, 1);
                      p->size = static_cast<float>(size);
                      p->lifetime = 0.25f;
                  });
}

// --- galaxy group ---

EntityGalaxyGroup::EntityGalaxyGroup(EntityDef* def, WGUI::Window* window)
    : Entity(def, window), timer(randomisedTimer(kRate))
{
}

EntityGalaxyGroup::~EntityGalaxyGroup() = default;

void EntityGalaxyGroup::update()
{
    Entity::update();
    const int n = emissionsDue(this, timer.get());
    if (n <= 0)
        return;
    const double size = 0.4 * rootArea(this) * WGUI::randomDouble(0.5, 2.0);
    emitParticles(this, n,
                  [&](Particle* p, int)
                  {
                      p->cell = 3;
                      p->position =
                          pos + polar(WGUI::randomDouble(0.1, 0.4 * width), WGUI::randomDouble(0.1, 360));
                      p->velocity = WGUI::Vector2d(0, 0);
                      p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
                      setColour(p, effectR, effectG, effectB, effectA);
                      p->size = static_cast<float>(size);
                      p->lifetime = 1.0f;
                  });
}

// --- police car ---

EntityPoliceCar::EntityPoliceCar(EntityDef* def, WGUI::Window* window)
    : Entity(def, window), timer(std::make_unique<WGUI::EmitTimer>(kRate)),
      lightMap(WGUI::ImageMaps::get("policelight")), light(std::make_unique<WGUI::Sprite>(window))
{
    timer->setRandomize(false);
    light->setImageMap(lightMap);
    light->setCell(0);
}

EntityPoliceCar::~EntityPoliceCar()
{
    // The timer first, then the light.
    timer.reset();
    light.reset();
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
    : Entity(def, window), timer(randomisedTimer(kRate))
{
}

EntitySoil::~EntitySoil() = default;

void EntitySoil::update()
{
    Entity::update();
    const int n = emissionsDue(this, timer.get());
    if (n <= 0)
        return;
    const double size = 12 * WGUI::randomDouble(0.8, 1.2);
    const double phi = vel.getTheta();
    // Each emission is a pair, one particle on either flank.
    emitParticles(this, 2 * n,
                  [&](Particle* p, int i)
                  {
                      const bool left = i % 2 == 0;
                      const double flank = left ? phi - 90 : phi + 90;
                      const double drift = left ? phi + 180 + 15 : phi + 180 - 15;
                      p->cell = 5;
                      p->position = pos + polar(0.6 * width, flank);
                      p->velocity = polar(60, drift);
                      p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
                      setColour(p, effectR, effectG, effectB, 0.5);
                      p->size = static_cast<float>(size);
                      p->lifetime = 0.25f;
                  });
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

// Four kinds of entity with a visual effect of their own on top of the plain entity: energy
// sparkles, galaxy groups glitter in their own colour, the police car flashes a light from side
// to side, and clay leaves two trails of particles. Movement, size and reactions are the plain
// entity's.
#pragma once

#include <memory>

#include "entity.h"
#include "wgui_timer.h"

namespace WGUI
{
class ImageMap;
class Sprite;
}  // namespace WGUI

namespace Game
{

struct Particle;

class EntityEnergy : public Entity
{
public:
    static constexpr double kRate = 5.0;  // emissions per second
    EntityEnergy(EntityDef* def, WGUI::Window* window);
    ~EntityEnergy() override;
    void update() override;

private:
    std::unique_ptr<WGUI::EmitTimer> timer;
};

class EntityGalaxyGroup : public Entity
{
public:
    static constexpr double kRate = 3.0;
    EntityGalaxyGroup(EntityDef* def, WGUI::Window* window);
    ~EntityGalaxyGroup() override;
    void update() override;

private:
    std::unique_ptr<WGUI::EmitTimer> timer;
};

class EntityPoliceCar : public Entity
{
public:
    // Side changes of the light per second (not randomised).
    static constexpr double kRate = 4.511744;
    EntityPoliceCar(EntityDef* def, WGUI::Window* window);
    ~EntityPoliceCar() override;
    void update() override;
    void draw() override;

    // 0 off, 1 and 2 the two sides.
    int getLightState() const { return lightState; }
    const WGUI::Sprite* getLight() const { return light.get(); }

private:
    std::unique_ptr<WGUI::EmitTimer> timer;
    WGUI::ImageMap* lightMap;
    std::unique_ptr<WGUI::Sprite> light;
    int lightState = 0;
};

class EntitySoil : public Entity
{
public:
    static constexpr double kRate = 10.0;
    EntitySoil(EntityDef* def, WGUI::Window* window);
    ~EntitySoil() override;
    void update() override;

private:
    std::unique_ptr<WGUI::EmitTimer> timer;
};

// The class of a definition's custom type (1 to 4) made for the window; null for other types.
Entity* createSpecialEntity(EntityDef* def, WGUI::Window* window);
// Lets EntityDef::createNewEntity make the classes above. Idempotent; the play screen's unit
// calls it, and so does a static initialiser of the goo's unit.
void installSpecialEntityKinds();

}  // namespace Game

// ParticleEngine: the fixed pool of particle records, their update and drawing.
#include "services/particles.h"

#include <algorithm>

#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_window.h"

namespace Game
{

namespace
{

double frameDelta()
{
    return WGUI::Timer::instance()->getDeltaT();
}

}  // namespace

// ---- Particle ----

void Particle::init()
{
    imageMap = engine ? engine->getImageMap() : nullptr;
    cell = -1;
    red = green = blue = alpha = 1.0f;
    fade = 1.0f;
    size = 1.0f;
    angle = 1.0f;
    age = 0.0f;
    lifetime = 0.0f;
    additive = false;
    dead = false;
}

void Particle::update()
{
    update(frameDelta());
}

void Particle::update(double dt)
{
    age += static_cast<float>(dt);
    if (age > lifetime)
    {
        dead = true;
        return;
    }
    position += velocity * dt;
    fade = lifetime > 0.0f ? 1.0f - age / lifetime : 0.0f;
}

void Particle::draw()
{
    if (!imageMap || !window || cell < 0)
        return;
    if (additive)
        imageMap->setAdditiveBlending();
    else
        imageMap->setNormalBlending();
    imageMap->setCell(cell);
    imageMap->setBlitColour(red, green, blue, alpha);
    const int cellWidth = imageMap->getCellWidth();
    const int cellHeight = imageMap->getCellHeight();
    // A cell the map does not have (or of no size) draws nothing.
    if (cellWidth <= 0 || cellHeight <= 0)
        return;
    const double screenX = window->spriteToScreenX(position.getX());
    const double screenY = window->spriteToScreenY(position.getY());
    const double screenWidth = window->spriteToScreenWidth(size);
    imageMap->blitAlphaRectFxFMip(static_cast<float>(screenX - cellWidth / 2),
                                  static_cast<float>(screenY - cellHeight / 2), angle,
                                  static_cast<float>(screenWidth / cellWidth), fade, false, false);
}

// ---- ParticleEngine ----

ParticleEngine::ParticleEngine(WGUI::Window* window, int count)
    : window(window), imageMap(WGUI::ImageMaps::get("particles"))
{
    const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
    // Both lists can hold the whole pool, so moving records never allocates.
    all.reserve(n);
    active.reserve(n);
    inactive.reserve(n);
    for (size_t i = 0; i < n; ++i)
    {
        Particle* p = new Particle(window, this);
        all.push_back(p);
        inactive.push_back(p);
    }
}

ParticleEngine::~ParticleEngine()
{
    for (Particle* p : all)
        delete p;
}

Particle* ParticleEngine::popInactive()
{
    if (inactive.empty())
        return nullptr;
    Particle* p = inactive.back();
    inactive.pop_back();
    p->init();
    p->pool = Particle::Pool::kTaken;
    return p;
}

void ParticleEngine::pushActive(Particle* p)
{
    if (!p || p->engine != this || p->pool != Particle::Pool::kTaken)
        return;
    p->pool = Particle::Pool::kActive;
    active.push_back(p);
}

void ParticleEngine::update()
{
    update(frameDelta());
}

void ParticleEngine::update(double dt)
{
    // One pass keeps the survivors in order and sends the dead to the end of the inactive list.
    size_t kept = 0;
    for (size_t i = 0; i < active.size(); ++i)
    {
        Particle* p = active[i];
        p->update(dt);
        if (p->dead)
        {
            p->pool = Particle::Pool::kInactive;
            inactive.push_back(p);
        }
        else
        {
            active[kept++] = p;
        }
    }
    active.resize(kept);
}

void ParticleEngine::draw()
{
    for (Particle* p : active)
        p->draw();
}

void ParticleEngine::clearActive()
{
    while (!active.empty())
    {
        Particle* p = active.back();
        active.pop_back();
        p->pool = Particle::Pool::kInactive;
        inactive.push_back(p);
    }
}

Particle* ParticleEngine::getActive(int i) const
{
    if (i < 0 || i >= static_cast<int>(active.size()))
        return nullptr;
    return active[static_cast<size_t>(i)];
}

// ---- Sparkle ----

namespace
{

// The emit timer needs a positive rate: intervals are kept at a millisecond or more.
double sparkleRate(double interval)
{
    return 1.0 / (interval > 0.001 ? interval : 0.001);
}

}  // namespace

Sparkle::Sparkle(WGUI::Window* window, double x, double y, double interval, double width, double speed)
    : sprite(window), emitTimer(sparkleRate(interval)), maxWidth(width), speed(speed)
{
    sprite.setImageMap(WGUI::ImageMaps::get("particles"));
    sprite.setCell(0);
    sprite.setPos(WGUI::Vector2d(x, y));
    sprite.setWidth(0);
    emitTimer.setRandomize(true);
    emitTimer.randomizeNextEmitTime();
}

void Sparkle::update()
{
    update(frameDelta());
}

void Sparkle::update(double dt)
{
    // The emit timer runs only while the star waits for its next pulse.
    if (!shining && emitTimer.update(dt) > 0)
    {
        shining = true;
        growing = true;
        fraction = 0;
    }
    angle += 130.0 * dt;
    WGUI::set0To360(angle);
    if (shining)
    {
        if (growing)
        {
            fraction += dt * speed;
            if (fraction >= 1.0)
            {
                fraction = 1.0;
                growing = false;
            }
        }
        else
        {
            fraction -= dt * speed;
            if (fraction <= 0.0)
            {
                fraction = 0.0;
                shining = false;
            }
        }
    }
    sprite.setWidth(shining ? maxWidth * fraction : 0.0);
    sprite.setAngle(angle);
}

void Sparkle::draw(double alpha)
{
    sprite.setBlitColour(1.0f, 1.0f, 0.85f, static_cast<float>(alpha));
    sprite.draw();
}

}  // namespace Game

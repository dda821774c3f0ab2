// Particles: a fixed pool of plain records that live for a set time, move at a constant velocity,
// fade out and are drawn from the image map "particles". Emitters take a record with
// popInactive(), fill it in, and hand it back with pushActive(). Nothing is allocated after the
// engine is built: records only move between the inactive and active lists.
//
// Sparkle: a single twinkling star on the same image map, drawn as a sprite.
#pragma once

#include <vector>

#include "wgui_animation.h"
#include "wgui_timer.h"
#include "wgui_vector2d.h"

namespace WGUI
{
class ImageMap;
class Window;
}  // namespace WGUI

namespace Game
{

class ParticleEngine;

struct Particle
{
    explicit Particle(WGUI::Window* window = nullptr, ParticleEngine* engine = nullptr)
        : window(window), engine(engine)
    {
    }

    // Back to the values an emitter starts from.
    void init();
    // One frame of dt seconds (the frame timer's delta without an argument).
    void update();
    void update(double dt);
    void draw();

    WGUI::Window* window;  // whose sprite coordinates the particle lives in
    ParticleEngine* engine;
    WGUI::ImageMap* imageMap = nullptr;
    int cell = -1;            // -1: nothing is drawn
    WGUI::Vector2d position;  // sprite coordinates of the window
    WGUI::Vector2d velocity;  // units per second
    float red = 1.0f, green = 1.0f, blue = 1.0f, alpha = 1.0f;
    float fade = 1.0f;      // 1 - age / lifetime; drawn as the blit's alpha
    float size = 1.0f;      // width in sprite units
    float angle = 1.0f;     // degrees
    float age = 0.0f;       // seconds
    float lifetime = 0.0f;  // seconds
    bool additive = false;
    bool dead = false;

private:
    friend class ParticleEngine;
    enum class Pool
    {
        kInactive,
        kTaken,
        kActive
    };
    Pool pool = Pool::kInactive;
};

class ParticleEngine
{
public:
    ParticleEngine(WGUI::Window* window, int count);
    ~ParticleEngine();
    ParticleEngine(const ParticleEngine&) = delete;
    ParticleEngine& operator=(const ParticleEngine&) = delete;

    // The last inactive record, reset with init(); null when the pool is exhausted.
    Particle* popInactive();
    // Makes a record taken with popInactive() active; anything else is ignored.
    void pushActive(Particle* p);
    // Every active particle once; the dead move to the end of the inactive list.
    void update();
    void update(double dt);
    void draw();
    // Every active particle, from the last, back to the inactive list.
    void clearActive();

    WGUI::ImageMap* getImageMap() const { return imageMap; }
    WGUI::Window* getWindow() const { return window; }
    int getNumActive() const { return static_cast<int>(active.size()); }
    int getNumInactive() const { return static_cast<int>(inactive.size()); }
    int getCount() const { return static_cast<int>(all.size()); }
    Particle* getActive(int i) const;

private:
    WGUI::Window* window;
    WGUI::ImageMap* imageMap;
    std::vector<Particle*> active;
    std::vector<Particle*> inactive;
    std::vector<Particle*> all;  // owns every record, wherever it is
};

class Sparkle
{
public:
    // interval: mean seconds between pulses; width: the full width in sprite units; speed: the
    // fraction of the full width gained or lost per second.
    Sparkle(WGUI::Window* window, double x, double y, double interval, double width, double speed);

    void update();
    void update(double dt);
    void draw(double alpha);

    bool isShining() const { return shining; }
    bool isGrowing() const { return growing; }
    double getFraction() const { return fraction; }
    double getAngle() const { return angle; }
    const WGUI::Sprite& getSprite() const { return sprite; }

private:
    WGUI::Sprite sprite;
    WGUI::EmitTimer emitTimer;
    double maxWidth;
    double speed;
    bool shining = false;
    bool growing = true;
    double fraction = 0;
    double angle = 0;
};

}  // namespace Game

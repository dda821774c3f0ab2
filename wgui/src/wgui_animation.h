// Frame animations over image-map cells, declared in "animationdefs.xml" in the graphics folder
// and held by the AnimationDefs registry; Animation plays one definition on the game clock, and
// Sprite is the drawable that shows a cell or a playing animation in a window's sprite frame.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "foundation/str.h"
#include "wgui_vector2d.h"

namespace WGUI
{

class ImageMap;
class Listener;
class Window;
class XmlDocument;

struct AnimationFrame
{
    ImageMap* imageMap = nullptr;
    int cell = 0;
    double time = 1.0;  // a weight when added; the frame's share of the whole once normalised
    bool flipX = false, flipY = false;
};

class AnimationDef
{
public:
    AnimationDef();
    ~AnimationDef();

    void addFrame(ImageMap* map, int cell, double time, bool flipx, bool flipy);
    void setTime(double t) { totalTime = t; }
    double getTime() const { return totalTime; }
    void setLooping(bool on) { looping = on; }
    bool isLooping() const { return looping; }
    // Divides every weight by their sum; a sum that is not positive gives equal shares.
    void normalizeTimes();
    int getNumFrames() const { return static_cast<int>(frames.size()); }
    const AnimationFrame* getFrame(int i) const;
    // Seconds frame i lasts (0 outside the list).
    double getRealFrameTime(int i) const;
    ImageMap* getImageMap(int i) const;
    ImageMap* getFirstFrameImageMap() const;
    int getFirstFrameCellNum() const;  // -1 without frames
    void setNeededImages(int size);

private:
    double totalTime = 1.0;
    bool looping = false;
    std::vector<AnimationFrame> frames;
};

class AnimationDefs
{
public:
    static AnimationDefs* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static AnimationDefs* createInstance();
    static void deleteInstance();
    // The definition of that name, or null.
    static AnimationDef* get(str name);

    // Reads a declaration file; a later definition of a name replaces the earlier one.
    void readFile(str path);
    void readText(const char* text, size_t length);
    int getNumDefs() const { return static_cast<int>(defs.size()); }
    const std::map<str, AnimationDef*>& getDefs() const { return defs; }

private:
    AnimationDefs() = default;
    ~AnimationDefs();
    void readDocument(XmlDocument& doc);

    std::map<str, AnimationDef*> defs;
    static AnimationDefs* sInstance;
};

class Animation
{
public:
    // The listener (may be null) hears when a non-looping animation ends.
    Animation(Listener* listener, AnimationDef* def);

    void update();
    bool isDone() const { return done; }
    AnimationDef* getAnimationDef() const { return def; }
    // Of the current frame; null map and cell -1 without a definition or frames.
    ImageMap* getImageMap() const;
    int getCellNum() const;
    bool getFlipX() const;
    bool getFlipY() const;
    int getCurrentFrame() const { return currentFrame; }
    double getTime() const { return time; }
    void setNeededImages(int size);

private:
    const AnimationFrame* frame() const;

    AnimationDef* def;
    Listener* listener;
    double time = 0;
    int currentFrame = 0;
    double frameStart = 0;
    bool done = false;
    bool running = true;
};

class Sprite
{
public:
    explicit Sprite(Window* window);
    ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    void setImageMap(ImageMap* map) { imageMap = map; }
    ImageMap* getImageMap() const { return imageMap; }
    void setCell(int c) { cell = c; }
    void setPos(const Vector2d& p) { pos = p; }
    const Vector2d& getPos() const { return pos; }
    void setWidth(double w) { width = w; }
    double getWidth() const { return width; }
    void setAngle(double a) { angle = a; }
    double getAngle() const { return angle; }
    void setDrawUsingFloat(bool on) { drawUsingFloat = on; }
    void setShadow(bool on, int dx, int dy);
    void setBlitColour(float r, float g, float b, float a);
    void setAdditiveColour(bool on) { additive = on; }

    // Replaces any playing animation.
    void playAnimation(AnimationDef* def, Listener* listener);
    Animation* getAnimation() const { return animation.get(); }
    void removeCurrentAnimation();
    void getImageMapAndCell(ImageMap*& map, int& c, bool& flipx, bool& flipy) const;

    void update();
    void draw();

private:
    Window* window;
    Vector2d pos;
    double width = 10.0;
    int cell = 0;
    double angle = 0;
    std::unique_ptr<Animation> animation;
    ImageMap* imageMap = nullptr;
    bool drawUsingFloat = true;
    bool shadow = false;
    int shadowX = 0, shadowY = 0;
    float colR = 1.0f, colG = 1.0f, colB = 1.0f, colA = 1.0f;
    bool additive = false;
};

}  // namespace WGUI

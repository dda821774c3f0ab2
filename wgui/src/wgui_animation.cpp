// Frame animations over image-map cells and "animationdefs.xml".
#include "wgui_animation.h"

#include <cmath>

#include "foundation/debug.h"
#include "foundation/singletons.h"
#include "wgui_g2support.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_timer.h"
#include "wgui_window.h"
#include "wgui_xmldocument.h"

namespace WGUI
{

namespace
{
// One update never walks more frames than this; a long frame step catches up on later updates.
const int kMaxFrameSteps = 20;
}  // namespace

AnimationDef::AnimationDef() = default;

AnimationDef::~AnimationDef() = default;

void AnimationDef::addFrame(ImageMap* map, int cell, double time, bool flipx, bool flipy)
{
    AnimationFrame f;
    f.imageMap = map;
    f.cell = cell;
    f.time = time;
    f.flipX = flipx;
    f.flipY = flipy;
    frames.push_back(f);
}

void AnimationDef::normalizeTimes()
{
    if (frames.empty())
        return;
    double sum = 0;
    for (const AnimationFrame& f : frames)
        sum += f.time;
    if (!(sum > 0) || !std::isfinite(sum))
    {
        for (AnimationFrame& f : frames)
            f.time = 1.0 / static_cast<double>(frames.size());
        return;
    }
    for (AnimationFrame& f : frames)
        f.time /= sum;
}

const AnimationFrame* AnimationDef::getFrame(int i) const
{
    if (i < 0 || i >= static_cast<int>(frames.size()))
        return nullptr;
    return &frames[static_cast<size_t>(i)];
}

double AnimationDef::getRealFrameTime(int i) const
{
    const AnimationFrame* f = getFrame(i);
    return f ? totalTime * f->time : 0.0;
}

ImageMap* AnimationDef::getImageMap(int i) const
{
    const AnimationFrame* f = getFrame(i);
    return f ? f->imageMap : nullptr;
}

ImageMap* AnimationDef::getFirstFrameImageMap() const
{
    return getImageMap(0);
}

int AnimationDef::getFirstFrameCellNum() const
{
    const AnimationFrame* f = getFrame(0);
    return f ? f->cell : -1;
}

// Raises each frame map's need to the width in pixels at which its whole picture is drawn when
// one cell (numbered like the first frame's) is size pixels wide.
void AnimationDef::setNeededImages(int size)
{
    const int first = getFirstFrameCellNum();
    for (const AnimationFrame& f : frames)
    {
        ImageMap* map = f.imageMap;
        if (!map)
            continue;
        map->setCell(first);
        const int cw = map->getCellWidth();
        if (cw <= 0 || map->getWidth() <= 0)
            continue;
        map->setNeeded(roundToInt(static_cast<double>(size) / cw * map->getWidth()));
    }
}

// ---------------------------------------------------------------------------------------------

AnimationDefs* AnimationDefs::sInstance = nullptr;

AnimationDefs* AnimationDefs::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "AnimationDefs");
        sInstance = new AnimationDefs();
        sInstance->readFile(graphicsFolder() + "animationdefs.xml");
    }
    return sInstance;
}

AnimationDefs* AnimationDefs::instance()
{
    if (!sInstance)
        qfSingletonNotMade("AnimationDefs");
    return createInstance();
}

void AnimationDefs::deleteInstance()
{
    qfNoteLifetime("delete", "AnimationDefs");
    delete sInstance;
    sInstance = nullptr;
}

AnimationDefs::~AnimationDefs()
{
    for (auto& entry : defs)
        delete entry.second;
}

AnimationDef* AnimationDefs::get(str name)
{
    AnimationDefs* self = instance();
    auto it = self->defs.find(name);
    return it == self->defs.end() ? nullptr : it->second;
}

void AnimationDefs::readFile(str path)
{
    XmlDocument doc(path, false);
    readDocument(doc);
}

void AnimationDefs::readText(const char* text, size_t length)
{
    XmlDocument doc(false);
    if (doc.parseText(text, length))
        readDocument(doc);
}

void AnimationDefs::readDocument(XmlDocument& doc)
{
    if (!doc.isLoadOkay())
        return;
    XmlElement root = doc.getRoot();
    if (!root.isValid())
        return;
    for (XmlElement el = root.iterateChildren("animationdef"); el.isValid();
         el = root.iterateChildren("animationdef"))
    {
        str name;
        if (el.queryStringAttribute("name", name) != 0)
        {
            WriteDbg("animationdefs: an animationdef without a name is skipped\n");
            continue;
        }
        AnimationDef* def = new AnimationDef();
        str mapName;
        ImageMap* map = nullptr;
        if (el.queryStringAttribute("imagemap", mapName) == 0)
            map = ImageMaps::get(mapName);
        bool looping = false;
        double total = 1.0;
        el.queryBoolAttribute("looping", looping);
        el.queryDoubleAttribute("time", total);
        def->setLooping(looping);
        def->setTime(total);
        el.resetIterateChildren();
        for (XmlElement fr = el.iterateChildren("frame"); fr.isValid(); fr = el.iterateChildren("frame"))
        {
            int cell = 0;
            double weight = 1.0;
            bool fx = false, fy = false;
            fr.queryIntAttribute("cell", cell);
            fr.queryDoubleAttribute("time", weight);
            fr.queryBoolAttribute("flipx", fx);
            fr.queryBoolAttribute("flipy", fy);
            ImageMap* frameMap = map;
            str frameMapName;
            if (fr.queryStringAttribute("imagemap", frameMapName) == 0)
                if (ImageMap* m = ImageMaps::get(frameMapName))
                    frameMap = m;
            if (!(weight >= 0) || !std::isfinite(weight))
            {
                WriteDbg("animationdefs: %s: a frame weight that is negative or not a number "
                         "counts as 0\n",
                         name.c_str());
                weight = 0;
            }
            if (frameMap && (cell < 0 || cell >= frameMap->getNumCells()))
                WriteDbg("animationdefs: %s: frame cell %d is not in its image map\n", name.c_str(), cell);
            def->addFrame(frameMap, cell, weight, fx, fy);
        }
        if (def->getNumFrames() == 0)
            WriteDbg("animationdefs: %s has no frames\n", name.c_str());
        def->normalizeTimes();
        auto it = defs.find(name);
        if (it != defs.end())
        {
            delete it->second;
            it->second = def;
        }
        else
        {
            defs[name] = def;
        }
    }
}

// ---------------------------------------------------------------------------------------------

Animation::Animation(Listener* l, AnimationDef* d) : def(d), listener(l)
{
}

const AnimationFrame* Animation::frame() const
{
    return def ? def->getFrame(currentFrame) : nullptr;
}

ImageMap* Animation::getImageMap() const
{
    const AnimationFrame* f = frame();
    return f ? f->imageMap : nullptr;
}

int Animation::getCellNum() const
{
    const AnimationFrame* f = frame();
    return f ? f->cell : -1;
}

bool Animation::getFlipX() const
{
    const AnimationFrame* f = frame();
    return f && f->flipX;
}

bool Animation::getFlipY() const
{
    const AnimationFrame* f = frame();
    return f && f->flipY;
}

void Animation::setNeededImages(int size)
{
    if (def)
        def->setNeededImages(size);
}

// The listener hears of the end last of all: it may replace or delete this animation (a sprite
// playing the next one), so nothing here touches the animation after the call.
void Animation::update()
{
    if (!running || !def)
        return;
    time += Timer::instance()->getDeltaT();
    const double total = def->getTime();
    bool finished = false;
    if (time >= total)
    {
        if (def->isLooping())
        {
            time -= total;
            currentFrame = 0;
            frameStart = 0;
        }
        else
        {
            time = total;
            if (!done)
            {
                done = true;
                finished = true;
            }
        }
    }
    const int last = def->getNumFrames() - 1;
    if (last < 0)
    {
        currentFrame = 0;
    }
    else if (done)
    {
        currentFrame = last;
    }
    else
    {
        for (int step = 0; step < kMaxFrameSteps; ++step)
        {
            if (currentFrame < 0)
                currentFrame = 0;
            if (currentFrame > last)
                currentFrame = last;
            const double length = def->getRealFrameTime(currentFrame);
            if (time >= frameStart + length)
            {
                ++currentFrame;
                frameStart += length;
            }
            else
            {
                break;
            }
        }
        if (currentFrame < 0)
            currentFrame = 0;
        if (currentFrame > last)
            currentFrame = last;
    }
    if (finished && listener)
        listener->animationDone(this);
}

// ---------------------------------------------------------------------------------------------

Sprite::Sprite(Window* w) : window(w)
{
}

Sprite::~Sprite() = default;

void Sprite::setShadow(bool on, int dx, int dy)
{
    shadow = on;
    shadowX = dx;
    shadowY = dy;
}

void Sprite::setBlitColour(float r, float g, float b, float a)
{
    colR = r;
    colG = g;
    colB = b;
    colA = a;
}

void Sprite::playAnimation(AnimationDef* def, Listener* listener)
{
    // The old animation goes before the new one is made.
    animation.reset();
    animation = std::make_unique<Animation>(listener, def);
}

void Sprite::removeCurrentAnimation()
{
    animation.reset();
}

void Sprite::getImageMapAndCell(ImageMap*& map, int& c, bool& flipx, bool& flipy) const
{
    if (animation)
    {
        map = animation->getImageMap();
        c = animation->getCellNum();
        flipx = animation->getFlipX();
        flipy = animation->getFlipY();
    }
    else
    {
        map = imageMap;
        c = cell;
        flipx = false;
        flipy = false;
    }
}

void Sprite::update()
{
    if (animation)
        animation->update();
}

// Centred on the position: the top-left of the unscaled cell is the screen point less half the
// cell, and the blit scales about the cell's centre.
void Sprite::draw()
{
    ImageMap* map = nullptr;
    int c = -1;
    bool fx = false, fy = false;
    getImageMapAndCell(map, c, fx, fy);
    if (!map || !window)
        return;
    const double sx = window->spriteToScreenX(pos.getX());
    const double sy = window->spriteToScreenY(pos.getY());
    const double sw = window->spriteToScreenWidth(width);
    map->setClip(false, 0, 0, 0, 0);
    map->setCell(c);
    const int cw = map->getCellWidth(), ch = map->getCellHeight();
    if (cw <= 0 || ch <= 0)
        return;
    const float scale = static_cast<float>(sw / cw);
    const double left = sx - cw / 2, top = sy - ch / 2;
    if (additive)
        map->setAdditiveBlending();
    else
        map->setNormalBlending();
    auto blit = [&](double x, double y)
    {
        if (drawUsingFloat)
            map->blitAlphaRectFxFMip(static_cast<float>(x), static_cast<float>(y), static_cast<float>(angle),
                                     scale, 1.0f, fx, fy);
        else
            map->blitAlphaRectFxMip(roundToInt(x), roundToInt(y), static_cast<float>(angle), scale, 1.0f, fx,
                                    fy);
    };
    if (shadow)
    {
        map->setBlitColour(0, 0, 0, colA * 0.35f);
        blit(left + shadowX, top + shadowY);
    }
    map->setBlitColour(colR, colG, colB, colA);
    blit(left, top);
}

}  // namespace WGUI

// GreyGoo: the player's goo, its face, tint, helper arrow, soft bounds and the looks of the cheats.
#include "greygoo.h"

#include <cmath>
#include <memory>

#include "controllergreygoo.h"
#include "entitydef.h"
#include "entityengine.h"
#include "services/cheats.h"
#include "services/particles.h"
#include "services/soundeffects.h"
#include "specialentities.h"
#include "wgui_animation.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_timer.h"
#include "wgui_window.h"

namespace Game
{

namespace
{

const double kEyeSpacing = 0.232;
const double kEyeSpacingWide = 0.4;
const double kEyeShift = 0.002;  // both eyes sit a little left of centre
const double kEyeY = 0.02;       // and a little below it
const double kEyeSize = 0.27;
const double kEyeSizeSmall = 0.15;
const double kEyeSizeBig = 0.5;
const double kPupilSizeBig = 0.2;
const double kPupilOfEye = 0.4;
const double kWanderReach = 200.0;
const double kPupilMinSpeed = 1000.0;
const double kPupilMaxSpeed = 50000.0;
const double kPupilLag = 0.25;
const double kBaseGrey = 0.7;
const double kColourFadeIn = 0.15;
const double kColourHold = 1.5;
const double kColourLife = 2.5;
const double kYumYumFactor = 1.5;  // meals above this many goo areas call for a yum-yum
const double kYumYumPeriod = 10.0;
const double kYumYumDecay = 0.55;  // goo areas per second
const double kArrowFadeRate = 6.0;
const double kArrowReach = 300.0;
const double kSoftPull = 100.0;

double frameTime()
{
    return WGUI::Timer::instance()->getDeltaT();
}

double bounded(double v, double lo, double hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

int sign(double v)
{
    return (v > 0) - (v < 0);
}

// The pictures a goo draws itself, besides its definition's and the blink's.
const char* const kOwnMaps[] = {"eyeball", "pupil", "reticle", "arrow"};
const char* const kBlinkAnimation = "eyeblink";

std::unique_ptr<WGUI::Sprite> makeSprite(WGUI::Window* window, const char* mapName)
{
    auto s = std::make_unique<WGUI::Sprite>(window);
    if (mapName)
    {
        s->setImageMap(WGUI::ImageMaps::get(mapName));
        s->setCell(0);
    }
    return s;
}

SoundEffect* effect(const char* name)
{
    return SoundEffectSystem::instance()->getSoundEffect(name);
}

// Turns v by the angle (degrees), keeping its length.
WGUI::Vector2d turned(WGUI::Vector2d v, double angle)
{
    if (v.getR() > 0)
        v.setTheta(v.getTheta() + angle);
    return v;
}

}  // namespace

void GreyGoo::setNeededImages(EntityDef* def)
{
    if (def)
        def->setNeededImages(10000);
    for (const char* name : kOwnMaps)
        if (WGUI::ImageMap* map = WGUI::ImageMaps::get(name))
            map->setNeeded(10000);
    if (WGUI::AnimationDef* blink = WGUI::AnimationDefs::get(kBlinkAnimation))
        blink->setNeededImages(10000);
}

GreyGoo::GreyGoo(EntityDef* def, WGUI::Window* window) : Entity(def, window)
{
    angularVel = 0;
    leftEye = makeSprite(window, "eyeball");
    rightEye = makeSprite(window, "eyeball");
    leftPupil = makeSprite(window, "pupil");
    rightPupil = makeSprite(window, "pupil");
    leftBlink = makeSprite(window, nullptr);
    rightBlink = makeSprite(window, nullptr);
    blinkAnimation = WGUI::AnimationDefs::get(kBlinkAnimation);
    reticle = makeSprite(window, "reticle");
    blinkInterval = WGUI::randomDouble(0.5, 3.0);
    puffSound = effect("puff");
    yumYumSound = effect("yumyum");
    auto controller = std::make_unique<ControllerGreyGoo>(window, nullptr);
    playerController = controller.get();
    addController(std::move(controller));
}

GreyGoo::~GreyGoo()
{
    // Only this goo's own reference goes: a goo of the next level may already stand there.
    PlayWindowBase* play = playWindow();
    if (play && (!game || game->getGreyGooEntity() == this))
        play->setGreyGoo(nullptr);
}

PlayWindowBase* GreyGoo::playWindow() const
{
    return dynamic_cast<PlayWindowBase*>(window);
}

EntityEngine* GreyGoo::entityEngine() const
{
    PlayWindowBase* play = playWindow();
    return play ? play->getEntityEngine() : nullptr;
}

bool GreyGoo::levelCompletePlaying() const
{
    SoundEffect* complete = effect("levelcomplete");
    return complete && complete->isPlaying();
}

void GreyGoo::stopDamageSound()
{
    if (entityDef && entityDef->damageSound)
        entityDef->damageSound->stopAllSamples();
}

// --- sounds, colours, particles ---

void GreyGoo::emitNonGooEatenParticles()
{
    ParticleEngine* particles = game ? game->getParticleEngine() : nullptr;
    if (!particles)
        return;
    const double a = std::sqrt(actualArea > 0 ? actualArea : 0);
    for (int i = 0; i < 20; ++i)
    {
        Particle* p = particles->popInactive();
        if (!p)
            continue;
        p->cell = 3;
        p->position = pos;
        WGUI::Vector2d v;
        v.setPolar(WGUI::randomDouble(1.5 * a, 5 * a), WGUI::randomDouble(0, 360));
        p->velocity = v;
        p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
        p->red = static_cast<float>(colour[0]);
        p->green = static_cast<float>(colour[1]);
        p->blue = static_cast<float>(colour[2]);
        p->alpha = static_cast<float>(colour[3]);
        p->size = static_cast<float>(2.5 * a);
        p->lifetime = 1.0f;
        particles->pushActive(p);
    }
}

void GreyGoo::getDamageParticleColour(float& r, float& g, float& b, float& a)
{
    r = static_cast<float>(colour[0]);
    g = static_cast<float>(colour[1]);
    b = static_cast<float>(colour[2]);
    a = static_cast<float>(colour[3]);
}

float GreyGoo::getSoundSizeMultiplier()
{
    return 1.0f;
}

void GreyGoo::playDamageSound()
{
    if (levelCompletePlaying())
        return;
    Entity::playDamageSound();
    if (yumYumSound)
        yumYumSound->stopAllSamples();
}

void GreyGoo::playEatenSound()
{
    Entity::playEatenSound();
    if (yumYumSound)
        yumYumSound->stopAllSamples();
}

void GreyGoo::setNormalBlitColour()
{
    if (sprite)
        sprite->setBlitColour(static_cast<float>(colour[0]), static_cast<float>(colour[1]),
                              static_cast<float>(colour[2]), static_cast<float>(colour[3]));
}

// --- reactions ---

void GreyGoo::collisionReaction(Entity* other)
{
    if (Cheats::instance()->getGoThroughWalls() && getCollisionEffect(other) != kEffectEat)
        return;
    Entity::collisionReaction(other);
}

void GreyGoo::eatEntity(Entity* eatee)
{
    // The base refuses these meals; the goo's own bookkeeping must not run for them either
    // (no tally, no tint, no sound for a meal that never happens).
    if (!eatee || eatee == this || beingEaten || deleteMe || eatee->getBeingEaten() || eatee->getDeleteMe())
        return;
    EatenColour c;
    c.r = eatee->getEffectR();
    c.g = eatee->getEffectG();
    c.b = eatee->getEffectB();
    // A goo without a positive area gets a tint of full strength rather than a division by 0.
    c.strength = (actualArea > 0) ? 3.0 * eatee->getActualArea() / actualArea : 1.0;
    c.age = 0;
    eatenColours.push_back(c);
    if (puffSound)
    {
        float volume = 0, pan = 0;
        eatee->getVolumePan(volume, pan);
        puffSound->play(volume, pan);
    }
    yumYumAmount += eatee->getActualArea();
    if (PlayWindowBase* play = playWindow())
        play->gooAteEntity(eatee);
    if (eatee == arrowTarget)
    {
        arrowTarget = nullptr;
        arrowFadeIn = false;
        arrowFadeOut = false;
        arrowFade = 0;
    }
    Entity::eatEntity(eatee);
}

void GreyGoo::takeDamage(Entity* attacker)
{
    if (Cheats::instance()->getInvinsible())
        return;
    Entity::takeDamage(attacker);
}

// --- frame ---

void GreyGoo::limitToLevelSoft()
{
    if (!game)
        return;
    const double dt = frameTime();
    const double w = width, h = height;
    WGUI::Vector2d v = vel;
    double tx = pos.getX(), ty = pos.getY();
    if (tx - w / 2 < game->getLevelLeft())
    {
        tx = game->getLevelLeft() + w / 2;
        if (v.getX() < 0)
            v.setX(v.getX() * 3 * dt);
    }
    if (tx + w / 2 > game->getLevelRight())
    {
        tx = game->getLevelRight() - w / 2;
        if (v.getX() > 0)
            v.setX(v.getX() * 3 * dt);
    }
    if (ty - h / 2 < game->getLevelTop())
    {
        ty = game->getLevelTop() + h / 2;
        if (v.getY() < 0)
            v.setY(v.getY() * 3 * dt);
    }
    if (ty + h / 2 > game->getLevelBottom())
    {
        ty = game->getLevelBottom() - h / 2;
        if (v.getY() > 0)
            v.setY(v.getY() * 3 * dt);
    }
    vel = v;
    // The pull is a fraction of the way back per frame; it never carries past the target
    // (which only tiny goos at long frames would otherwise do, and diverge).
    double nx = pos.getX(), ny = pos.getY();
    if (tx != nx && w > 0)
        nx -= (nx - tx) * bounded(kSoftPull * dt / w, 0, 1);
    if (ty != ny && h > 0)
        ny -= (ny - ty) * bounded(kSoftPull * dt / h, 0, 1);
    if (nx != pos.getX() || ny != pos.getY())
        setPos(WGUI::Vector2d(nx, ny));
}

void GreyGoo::update()
{
    const double dt = frameTime();
    Entity::update();
    limitToLevelSoft();
    if (PlayWindowBase* play = playWindow())
        play->setGooPos(pos);

    leftEye->update();
    rightEye->update();
    leftPupil->update();
    rightPupil->update();
    leftBlink->update();
    rightBlink->update();

    wanderTimer += dt;
    if (wanderTimer > wanderInterval)
    {
        wanderTarget = pos + WGUI::Vector2d(WGUI::randomDouble(-kWanderReach, kWanderReach),
                                            WGUI::randomDouble(-kWanderReach, kWanderReach));
        wanderTimer = 0;
        wanderInterval = WGUI::randomDouble(0.5, 2.5);
    }

    WGUI::Vector2d d = (lookTarget - lookPos) / kPupilLag;
    d.boundR(kPupilMinSpeed, kPupilMaxSpeed);
    lookPos += d * dt;
    const WGUI::Vector2d rest = lookTarget - lookPos;
    if (sign(d.getX()) * sign(rest.getX()) < 0)
        lookPos.setX(lookTarget.getX());
    if (sign(d.getY()) * sign(rest.getY()) < 0)
        lookPos.setY(lookTarget.getY());

    blinkTimer += dt;
    if (blinkTimer > blinkInterval)
    {
        if (blinkAnimation)
        {
            leftBlink->playAnimation(blinkAnimation, nullptr);
            rightBlink->playAnimation(blinkAnimation, nullptr);
        }
        blinkTimer = 0;
        blinkInterval = getRandomBlinkInterval();
    }
    for (WGUI::Sprite* lid : {leftBlink.get(), rightBlink.get()})
        if (lid->getAnimation() && lid->getAnimation()->isDone())
            lid->removeCurrentAnimation();

    updateYumYum();

    double sum = 0, r = 0, g = 0, b = 0;
    for (auto it = eatenColours.begin(); it != eatenColours.end();)
    {
        EatenColour* c = &*it;
        c->age += dt;
        if (c->age > kColourLife)
        {
            it = eatenColours.erase(it);
            continue;
        }
        double w;
        if (c->age < kColourFadeIn)
            w = c->age / kColourFadeIn;
        else if (c->age < kColourHold)
            w = 1;
        else if (c->age < kColourLife)
            w = 1 - (c->age - kColourHold);
        else
            w = 0;
        w = bounded(w, 0, 1);
        sum += c->strength * w;
        r += w * c->r * c->strength;
        g += w * c->g * c->strength;
        b += w * c->b * c->strength;
        ++it;
    }
    colour[0] = colour[1] = colour[2] = kBaseGrey;
    if (sum > 0)
    {
        const double ar = r / sum, ag = g / sum, ab = b / sum;
        const double s = bounded(sum, 0, 1);
        colour[0] = (1 - s) * kBaseGrey + s * ar;
        colour[1] = (1 - s) * kBaseGrey + s * ag;
        colour[2] = (1 - s) * kBaseGrey + s * ab;
    }
    colour[3] = 1.0;

    if (Cheats::instance()->getRainbowColor())
    {
        rainbowHue += dt;
        if (rainbowHue > 1)
            rainbowHue -= 1;
        WGUI::HSVToRGB(rainbowHue, 1, 1, colour[0], colour[1], colour[2]);
    }
}

void GreyGoo::updateYumYum()
{
    const double dt = frameTime();
    yumYumTimer += dt;
    if (yumYumAmount > kYumYumFactor * actualArea && !beingEaten && !deleteMe)
    {
        if (yumYumTimer > kYumYumPeriod)
        {
            yumYumTimer = 0;
            yumYumAmount = 0;
            if (!levelCompletePlaying())
            {
                if (yumYumSound)
                {
                    float volume = 0, pan = 0;
                    getVolumePan(volume, pan);
                    yumYumSound->play(volume, pan);
                }
                stopDamageSound();
            }
        }
        else
        {
            yumYumAmount = kYumYumFactor * actualArea;
        }
    }
    yumYumAmount -= kYumYumDecay * actualArea * dt;
    if (yumYumAmount < 0)
        yumYumAmount = 0;
}

WGUI::Vector2d GreyGoo::getPupilPos(WGUI::Vector2d eyePos)
{
    WGUI::Vector2d q = (lookPos - eyePos) / (width + 50);
    if (q.getR() > 1)
        q.setR(1);
    return q;
}

double GreyGoo::getRandomBlinkInterval()
{
    return WGUI::randomDouble(0.5, 3.0);
}

// --- helper arrow ---

void GreyGoo::updateHelperArrows()
{
    const double dt = frameTime();
    EntityEngine* engine = entityEngine();
    Entity* c = nullptr;
    if (engine && currentController)
        c = engine->getClosestEntityWithArea(currentController, radius + kArrowReach, 0.5 * actualArea,
                                             actualArea);
    auto startFadeIn = [this]
    {
        arrowFadeIn = true;
        arrowFadeOut = false;
    };
    auto startFadeOut = [this]
    {
        arrowFadeOut = true;
        arrowFadeIn = false;
    };
    if (!arrowTarget && c)
    {
        arrowTarget = c;
        startFadeIn();
    }
    else if (arrowFadeOut)
    {
        if (c == arrowTarget)
            startFadeIn();
    }
    else if (arrowFadeIn)
    {
        if (c != arrowTarget)
            startFadeOut();
    }
    else if (arrowTarget && c == arrowTarget)
    {
        startFadeIn();
    }
    else
    {
        startFadeOut();
    }

    if (c && c == arrowTarget)
    {
        arrow.pos = c->getPos();
        arrow.area = c->getActualArea();
        arrow.radius = c->getRadius();
        arrow.r = c->getEffectR();
        arrow.g = c->getEffectG();
        arrow.b = c->getEffectB();
        arrow.a = c->getEffectA();
        arrow.width = c->getWidth();
        arrow.height = c->getHeight();
        arrow.angle = c->getAngle();
        arrow.vel = c->getVel();
        arrow.angularVel = c->getAngularVel();
    }
    else
    {
        arrow.pos += arrow.vel * dt;
        arrow.angle += arrow.angularVel * dt;
    }

    if (arrowFadeIn)
    {
        arrowFade += kArrowFadeRate * dt;
        if (arrowFade >= 1)
        {
            arrowFade = 1;
            arrowFadeIn = false;
        }
    }
    else if (arrowFadeOut)
    {
        arrowFade -= kArrowFadeRate * dt;
        if (arrowFade <= 0)
        {
            arrowFade = 0;
            arrowFadeOut = false;
            if (c)
            {
                arrowTarget = c;
                arrowFadeIn = true;
            }
        }
    }

    lookTarget = c ? c->getPos() : wanderTarget;
}

void GreyGoo::drawHelperArrows()
{
    if (!currentController)
        return;
    updateHelperArrows();
    if (!arrowTarget)
        return;
    const WGUI::Vector2d d = arrow.pos - pos;
    const double theta = d.getTheta();
    const double len = d.getR();
    const double gooRoot = std::sqrt(actualArea > 0 ? actualArea : 0);
    const double ratio = gooRoot > 0 ? std::sqrt(arrow.area > 0 ? arrow.area : 0) / gooRoot : 0;
    const double k = bounded(ratio - 0.4, 0, 1) / 0.6;
    const double s = 13 + 19 * k;
    const double rho = 0.75 * radius;
    WGUI::Vector2d centre;
    centre.setPolar(s / 2 + rho, theta);
    centre += pos;
    arrowDistanceAlpha = bounded((len - rho) / (2 * s), 0, 1);
    const double alpha = arrowDistanceAlpha * arrowFade;
    WGUI::ImageMap* map = WGUI::ImageMaps::get(arrowMapName);
    if (map)
    {
        map->setCell(0);
        const int cw = map->getCellWidth();
        const int ch = map->getCellHeight();
        if (cw > 0)
        {
            map->setBlitColour(static_cast<float>(arrow.r), static_cast<float>(arrow.g),
                               static_cast<float>(arrow.b), static_cast<float>(arrow.a));
            const int x = static_cast<int>(window->spriteToScreenX(centre.getX())) - cw / 2;
            const int y = static_cast<int>(window->spriteToScreenY(centre.getY())) - ch / 2;
            map->blitAlphaRectFxMip(x, y, static_cast<float>(theta), static_cast<float>(s / cw),
                                    static_cast<float>(alpha), false, false);
        }
    }
    drawReticle(alpha);
}

void GreyGoo::drawReticle(double alpha)
{
    reticle->setBlitColour(static_cast<float>(arrow.r), static_cast<float>(arrow.g),
                           static_cast<float>(arrow.b), static_cast<float>(arrow.a * alpha));
    reticle->setShadow(false, 0, 0);
    reticle->setDrawUsingFloat(true);
    reticle->setWidth(bounded((2 * arrow.radius - 30) / 70 * 4 + 12, 12, 16));
    const double w = arrow.width, h = arrow.height, a = arrow.angle;
    const struct
    {
        double x, y, angle;
    } corners[4] = {
        {-w / 2, -h / 2, a}, {w / 2, -h / 2, a + 270}, {w / 2, h / 2, a + 180}, {-w / 2, h / 2, a + 90}};
    for (const auto& c : corners)
    {
        reticle->setPos(arrow.pos + turned(WGUI::Vector2d(c.x, c.y), a));
        reticle->setAngle(c.angle);
        reticle->draw();
    }
}

// --- drawing ---

GreyGoo::EyeLayout GreyGoo::getEyeLayout()
{
    Cheats* cheats = Cheats::instance();
    EyeLayout l;
    const double spacing = (cheats->getWideEyes() || cheats->getBigEyes()) ? kEyeSpacingWide : kEyeSpacing;
    if (cheats->getCyclops())
    {
        l.leftX = l.rightX = -kEyeShift;
    }
    else
    {
        l.leftX = -spacing / 2 - kEyeShift;
        l.rightX = spacing / 2 - kEyeShift;
    }
    l.y = kEyeY;
    l.eyeSize = cheats->getSmallEyes() ? kEyeSizeSmall : kEyeSize;
    if (cheats->getBigEyes())
    {
        l.eyeSize = kEyeSizeBig;
        l.pupilSize = kPupilSizeBig;
    }
    else
    {
        l.pupilSize = kPupilOfEye * l.eyeSize;
    }
    return l;
}

void GreyGoo::draw()
{
    Entity::draw();
    const EyeLayout l = getEyeLayout();
    const double xs[2] = {l.leftX, l.rightX};
    WGUI::Vector2d centres[2];
    for (int i = 0; i < 2; ++i)
        centres[i] = pos + WGUI::Vector2d(width * xs[i], height * l.y);

    WGUI::Sprite* eyes[2] = {leftEye.get(), rightEye.get()};
    for (int i = 0; i < 2; ++i)
    {
        eyes[i]->setWidth(l.eyeSize * width);
        eyes[i]->setPos(centres[i]);
        eyes[i]->draw();
    }
    WGUI::Sprite* pupils[2] = {leftPupil.get(), rightPupil.get()};
    const double pi = l.pupilSize;
    for (int i = 0; i < 2; ++i)
    {
        const WGUI::Vector2d q = getPupilPos(centres[i]);
        const double ux = (q.getX() + 1) / 2, uy = (q.getY() + 1) / 2;
        pupils[i]->setWidth(pi * width);
        pupils[i]->setPos(
            pos + WGUI::Vector2d(width * (xs[i] - pi / 2 + pi * ux), width * (l.y - pi / 2 + pi * uy)));
        pupils[i]->draw();
    }
    WGUI::Sprite* lids[2] = {leftBlink.get(), rightBlink.get()};
    for (int i = 0; i < 2; ++i)
    {
        lids[i]->setBlitColour(static_cast<float>(colour[0]), static_cast<float>(colour[1]),
                               static_cast<float>(colour[2]), static_cast<float>(colour[3]));
        lids[i]->setWidth(l.eyeSize * width);
        lids[i]->setPos(centres[i]);
        lids[i]->draw();
    }
    drawHelperArrows();
}

}  // namespace Game

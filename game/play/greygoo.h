// The player's goo: an entity made from the definition "greygoo" and steered by the player's
// controller, which it makes itself. It adds a face (eyes whose pupils look at the nearest prey
// or wander, blinking lids), a tint that flashes towards the colours of recent meals, a helper
// arrow and reticle on the best nearby prey, a "yumyum" after eating much in a short time, soft
// level bounds that pull it back in, and the looks of several cheats.
#pragma once

#include <list>
#include <memory>

#include "entity.h"
#include "wgui_vector2d.h"

namespace WGUI
{
class AnimationDef;
class Sprite;
}  // namespace WGUI

namespace Game
{

class ControllerGreyGoo;
class EntityEngine;
class PlayWindowBase;
class SoundEffect;

struct EatenColour
{
    double r = 1, g = 1, b = 1;
    double strength = 0;
    double age = 0;  // seconds
};

class GreyGoo : public Entity
{
public:
    GreyGoo(EntityDef* def, WGUI::Window* window);
    ~GreyGoo() override;

    // Raises the need of every picture a goo of this definition draws: its body (the
    // definition's), its eyes and lids, the reticle and the helper arrow. They are loaded with
    // the level, like the pictures of everything else in it, and not before.
    static void setNeededImages(EntityDef* def);

    void emitNonGooEatenParticles() override;
    void getDamageParticleColour(float& r, float& g, float& b, float& a) override;
    float getSoundSizeMultiplier() override;
    void playDamageSound() override;
    void playEatenSound() override;
    void setNormalBlitColour() override;
    void collisionReaction(Entity* other) override;
    // Only collisionReaction may call this: the steps before the base's refusal test assume
    // both sides are live.
    void eatEntity(Entity* eatee) override;
    void takeDamage(Entity* attacker) override;
    void update() override;
    void draw() override;

    virtual void updateYumYum();
    // The pupil's offset inside its eye, in the unit disc.
    virtual WGUI::Vector2d getPupilPos(WGUI::Vector2d eyePos);
    virtual double getRandomBlinkInterval();

    SoundEffect* getYumYumSound() { return yumYumSound; }

    // The face layout of the current cheats, in fractions of the goo's width.
    struct EyeLayout
    {
        double leftX, rightX;  // eye centre x offsets
        double y;              // eye centre y offset (of the height)
        double eyeSize;        // eye width
        double pupilSize;      // pupil width
    };
    static EyeLayout getEyeLayout();

    // Views for the play screen and tests.
    const WGUI::Vector2d& getLookPos() const { return lookPos; }
    const WGUI::Vector2d& getLookTarget() const { return lookTarget; }
    const WGUI::Vector2d& getWanderTarget() const { return wanderTarget; }
    void setLookTarget(const WGUI::Vector2d& t) { lookTarget = t; }
    void setLookPos(const WGUI::Vector2d& p) { lookPos = p; }
    double getColourR() const { return colour[0]; }
    double getColourG() const { return colour[1]; }
    double getColourB() const { return colour[2]; }
    double getColourA() const { return colour[3]; }
    int getNumEatenColours() const { return static_cast<int>(eatenColours.size()); }
    Entity* getArrowTarget() const { return arrowTarget; }
    double getArrowFade() const { return arrowFade; }
    bool getArrowFadeIn() const { return arrowFadeIn; }
    bool getArrowFadeOut() const { return arrowFadeOut; }
    double getYumYumTimer() const { return yumYumTimer; }
    double getYumYumAmount() const { return yumYumAmount; }
    double getBlinkInterval() const { return blinkInterval; }
    double getRainbowHue() const { return rainbowHue; }
    ControllerGreyGoo* getPlayerController() const { return playerController; }
    const WGUI::Sprite* getLeftEye() const { return leftEye.get(); }
    const WGUI::Sprite* getRightEye() const { return rightEye.get(); }
    const WGUI::Sprite* getLeftPupil() const { return leftPupil.get(); }
    const WGUI::Sprite* getRightPupil() const { return rightPupil.get(); }

    // Pulls the goo back when it pokes out of the level.
    void limitToLevelSoft();
    // The helper arrow's choice of target (run from the draw pass).
    void updateHelperArrows();

private:
    void drawHelperArrows();
    void drawReticle(double alpha);
    PlayWindowBase* playWindow() const;
    EntityEngine* entityEngine() const;
    bool levelCompletePlaying() const;
    void stopDamageSound();

    const str arrowMapName = str("arrow");  // made once: the arrows are drawn every frame
    WGUI::AnimationDef* blinkAnimation = nullptr;
    ControllerGreyGoo* playerController = nullptr;  // owned by the entity
    WGUI::Vector2d lookPos;
    double wanderInterval = 1.0;
    double wanderTimer = 0.0;
    WGUI::Vector2d wanderTarget;
    double blinkTimer = 0.0;
    double blinkInterval = 0.5;
    SoundEffect* puffSound = nullptr;
    double colour[4] = {0.5, 0.5, 0.5, 1.0};
    std::list<EatenColour> eatenColours;
    // Compared, and dereferenced only right after the engine has returned it.
    Entity* arrowTarget = nullptr;
    struct Snapshot
    {
        WGUI::Vector2d pos;
        double area = 0;
        double radius = 0;
        double r = 1, g = 1, b = 1, a = 1;
        double width = 10.0, height = 10.0;
        double angle = 0;
        WGUI::Vector2d vel;
        double angularVel = 0;
    } arrow;
    bool arrowFadeOut = false;
    bool arrowFadeIn = false;
    double arrowFade = 0;
    double arrowDistanceAlpha = 0;
    WGUI::Vector2d lookTarget;
    double rainbowHue = 0;
    SoundEffect* yumYumSound = nullptr;
    double yumYumTimer = 1000.0;
    double yumYumAmount = 0;

    // The goo's own sprites, deleted last declared first: the eyes, pupils and lids, then the
    // reticle.
    std::unique_ptr<WGUI::Sprite> reticle;
    std::unique_ptr<WGUI::Sprite> rightBlink;
    std::unique_ptr<WGUI::Sprite> leftBlink;
    std::unique_ptr<WGUI::Sprite> rightPupil;
    std::unique_ptr<WGUI::Sprite> leftPupil;
    std::unique_ptr<WGUI::Sprite> rightEye;
    std::unique_ptr<WGUI::Sprite> leftEye;
};

}  // namespace Game

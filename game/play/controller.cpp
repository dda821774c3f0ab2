// The controller base: tick and priority, target filters, the movement animation and the type words.
#include "controller.h"

#include "entity.h"
#include "entitydef.h"
#include "reaction.h"
#include "wgui_animation.h"
#include "wgui_timer.h"
#include "wgui_window.h"

namespace Game
{

EntityController::EntityController(WGUI::Window* window, EntityEngine* engine)
    : window(window), engine(engine)
{
}

EntityController::~EntityController()
{
    affect.clear();
    dontAffect.clear();
}

PlayWindowBase* EntityController::getPlayWindow() const
{
    return dynamic_cast<PlayWindowBase*>(window);
}

GameWindowBase* EntityController::getGameWindow() const
{
    if (entity && entity->getGameWindow())
        return entity->getGameWindow();
    return dynamic_cast<GameWindowBase*>(window);
}

void EntityController::setUpdatePeriod(double p)
{
    updatePeriod = p;
    updateElapsed = p;
}

void EntityController::addAffectEntity(AffectEntity* a)
{
    if (a)
        affect.emplace_back(a);
}

void EntityController::addDontAffectEntity(AffectEntity* a)
{
    if (a)
        dontAffect.emplace_back(a);
}

void EntityController::addAffectEntity(std::unique_ptr<AffectEntity> a)
{
    addAffectEntity(a.release());
}

void EntityController::addDontAffectEntity(std::unique_ptr<AffectEntity> a)
{
    addDontAffectEntity(a.release());
}

bool EntityController::affectEntity(Entity* other)
{
    bool accepted = false;
    for (const std::unique_ptr<AffectEntity>& a : affect)
    {
        if (a->affect(entity, other))
        {
            accepted = true;
            break;
        }
    }
    if (!accepted)
        return false;
    for (const std::unique_ptr<AffectEntity>& a : dontAffect)
        if (a->affect(entity, other))
            return false;
    return true;
}

bool EntityController::mayAffectKind(const EntityDef* def) const
{
    for (const std::unique_ptr<AffectEntity>& a : affect)
        if (a->all || (a->entityDef && a->entityDef == def))
            return true;
    return false;
}

void EntityController::setPriority(double v)
{
    if (v >= 0)
        priority = v;
}

void EntityController::setFirstPriority(double v)
{
    if (v >= 0)
        firstPriority = v;
}

void EntityController::setAffectDist(double v)
{
    if (v >= 0)
        affectDist = v;
}

void EntityController::setFirstAffectDist(double v)
{
    if (v >= 0)
        firstAffectDist = v;
}

double EntityController::getEffectivePriority()
{
    return firstActive ? firstPriority : priority;
}

double EntityController::getEffectiveAffectDistance()
{
    return firstActive ? firstAffectDist : affectDist;
}

void EntityController::targetDeleted(Entity*)
{
}

void EntityController::updateSelf()
{
}

double EntityController::getPriority()
{
    return priority;
}

void EntityController::update(bool active)
{
    firstActive = active;
    // Controllers that may not act during the first phase are frozen through it.
    if (firstActive && !first && firstPriority <= 0)
        return;
    updateElapsed += WGUI::Timer::instance()->getDeltaT();
    if (updateElapsed >= updatePeriod)
    {
        updateElapsed = 0;  // leftover time beyond the period is dropped
        updateSelf();
    }
}

void EntityController::doControl()
{
    if (!entity)
        return;
    EntityDef* def = entity->getEntityDef();
    WGUI::Sprite* sprite = entity->getSprite();
    WGUI::Animation* current = sprite ? sprite->getAnimation() : nullptr;
    const bool done = current && current->isDone();
    WGUI::AnimationDef* currentDef = current ? current->getAnimationDef() : nullptr;
    WGUI::AnimationDef* attack = def ? def->attackAnimation : nullptr;
    // An unfinished attack animation is never cut short. (With neither an attack animation
    // nor a playing one, the two "none"s are equal too, and the sprite is left alone.)
    if (!done && currentDef == attack)
        return;
    const double speed = entity->getVel().getR();
    if (speed < entity->getSlowAnimSpeed())
        playIdleAnimation();
    else if (speed < entity->getFastAnimSpeed())
        playSlowMoveAnimation();
    else
        playFastMoveAnimation();
}

namespace
{

// Starts the first of the given definitions that exists, unless it already plays; with none,
// the sprite's animation is removed.
void playFirstOf(Entity* entity, WGUI::AnimationDef* a, WGUI::AnimationDef* b, WGUI::AnimationDef* c)
{
    if (!entity)
        return;
    WGUI::Sprite* sprite = entity->getSprite();
    if (!sprite)
        return;
    WGUI::AnimationDef* chosen = a ? a : (b ? b : c);
    if (!chosen)
    {
        sprite->removeCurrentAnimation();
        return;
    }
    WGUI::Animation* current = sprite->getAnimation();
    if (current && current->getAnimationDef() == chosen)
        return;
    sprite->playAnimation(chosen, nullptr);
}

}  // namespace

void EntityController::playFastMoveAnimation()
{
    EntityDef* def = entity ? entity->getEntityDef() : nullptr;
    if (!def)
        return;
    playFirstOf(entity, def->moveFastAnimation, def->moveSlowAnimation, def->animationDef);
}

void EntityController::playSlowMoveAnimation()
{
    EntityDef* def = entity ? entity->getEntityDef() : nullptr;
    if (!def)
        return;
    playFirstOf(entity, def->moveSlowAnimation, def->animationDef, nullptr);
}

void EntityController::playIdleAnimation()
{
    EntityDef* def = entity ? entity->getEntityDef() : nullptr;
    if (!def)
        return;
    playFirstOf(entity, def->animationDef, nullptr, nullptr);
}

int ControllerTypes::stringToIntController(const str& word)
{
    static const char* const kWords[] = {"greygoo",     "movedirection", "pathfollow", "attack", "evade",
                                         "stayinlevel", "leavelevel",    "stationary", "avoid"};
    for (int i = 0; i < static_cast<int>(sizeof kWords / sizeof kWords[0]); ++i)
        if (word == str(kWords[i]))
            return i;
    return kControllerNone;
}

}  // namespace Game

// The play screen: level loading, the frame's order, victory and failure, pause and drawing.
#include "gamewindow.h"

#include <cmath>

#include "eatendisplay.h"
#include "emitter.h"
#include "entitydef.h"
#include "entityengine.h"
#include "failurewindow.h"
#include "foundation/file.h"
#include "foundation/debug.h"
#include "gamepaused.h"
#include "greygoo.h"
#include "level.h"
#include "levelstatus.h"
#include "services/cheats.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/managerservices.h"
#include "services/music.h"
#include "services/navigation.h"
#include "services/particles.h"
#include "services/saves.h"
#include "services/soundeffects.h"
#include "tiles.h"
#include "tipwindow.h"
#include "victorywindow.h"
#include "wgui_animation.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_input.h"
#include "wgui_label.h"
#include "wgui_manager.h"
#include "wgui_shapes.h"
#include "wgui_timer.h"
#include "wgui_transition.h"

namespace Game
{

namespace
{

void playEffect(const char* name)
{
    if (SoundEffect* s = SoundEffectSystem::instance()->getSoundEffect(name))
        s->play(1.0f, 0.0f);
}

std::unique_ptr<WGUI::Label> makeCheatLabel(int offset, double c)
{
    auto l = std::make_unique<WGUI::Label>();
    l->setUseVirtCoordPos(false, false);
    l->setAlign(1, 3);
    l->setPixAlPos(offset, offset);
    l->setColour(c, c, c, 1);
    l->setText(WGUI::StringTable::instance()->getString("cheatsonmessage"));
    l->setMouseMoveToTop(false);
    return l;
}

}  // namespace

GameWindow::GameWindow()
{
    setName(screenName(kScreen));
    setAlwaysActive(false);
    setMouseMoveToTop(false);
    setUseVirtCoordPos(true, true);
    setUseVirtCoordDim(true, true);
    setVirtSize(1.0, 1.0);

    eatenDisplay = std::make_unique<EatenDisplay>(this);
    addWindow(eatenDisplay.get());
    levelStatus = std::make_unique<LevelStatus>();
    addWindow(levelStatus.get());
    timerDisplay = std::make_unique<TimerDisplay>();
    addWindow(timerDisplay.get());
    tipWindow = std::make_unique<TipWindow>(this);
    tipWindow->setVisible(false);
    tipWindow->setAlwaysOnTop(true);
    addWindow(tipWindow.get());
    cheatLabelBlack = makeCheatLabel(19, 0.0);
    addWindow(cheatLabelBlack.get());
    cheatLabelWhite = makeCheatLabel(20, 1.0);
    addWindow(cheatLabelWhite.get());

    entityDefs = std::make_unique<EntityDefs>();
    controllerTypes = std::make_unique<ControllerTypes>();
    particles = std::make_unique<ParticleEngine>(this, int(kParticles));
    totalEaten = std::make_unique<TotalEntitiesEaten>(entityDefs.get());
    eaten = std::make_unique<EatenEntities>();
}

GameWindow::~GameWindow()
{
    // Entities first: path followers borrow their emitters' paths. The members go after.
    deleteLevelObjects();
}

void GameWindow::deleteLevelObjects()
{
    entityEngine.reset();
    greyGoo = nullptr;
    tileEngine.reset();
    deleteEmitters();
    level.reset();
}

void GameWindow::deleteEmitters()
{
    // The last made goes first.
    while (!emitters.empty())
    {
        emitters.back().reset();
        emitters.pop_back();
    }
}

str GameWindow::getLevelFilename() const
{
    return level ? level->fileName : str("");
}

Entity* GameWindow::getGreyGooEntity()
{
    return greyGoo;
}

double GameWindow::getGrowthRate()
{
    return level ? level->growthRate : 0.1;
}

LevelLoad GameWindow::loadLevel(str fileName, LevelMode newMode)
{
    entityEngine.reset();
    greyGoo = nullptr;
    tileEngine.reset();

    mode = newMode;
    specialEaten = 0;
    levelTime = 0;
    timeLeft = 0;
    gooGoneTimer = 0;
    won = false;
    wonTimer = 0;
    failed = false;
    failedTimer = 0;
    failureType = -1;
    smallerCheckTimer = 0;
    goToComic = goToCredits = false;

    eaten->clear();
    particles->clearActive();
    levelStatus->clear();
    // A slide still running from the last level would bring the old meal back.
    eatenDisplay->setTransition(nullptr);
    eatenDisplay->setVisible(false);

    entityEngine = std::make_unique<EntityEngine>(this);
    tileEngine = std::make_unique<TileEngine>(this);

    deleteEmitters();
    level.reset();
    level = std::make_unique<Level>(tileEngine.get(), entityEngine.get(), entityDefs.get(),
                                    controllerTypes.get(), mode, &emitters);
    const LevelLoad load = level->readXML(fileName);

    levelWidth = level->width;
    levelHeight = level->height;
    tileEngine->setLevelDim(WGUI::roundToInt(-levelWidth / 2), WGUI::roundToInt(-levelHeight / 2),
                            WGUI::roundToInt(levelWidth / 2), WGUI::roundToInt(levelHeight / 2));

    timerDisplay->setTimerVisible(level->hasTimeLimit);
    if (level->hasTimeLimit)
        timerDisplay->setTimeLeft(level->timeLimit);
    timerDisplay->setLevelName(level->name);

    levelStatus->setUnitMultiplier(level->unitMultiplier);
    levelStatus->setVictoryBySize(level->victoryBySize, level->victorySize);
    levelStatus->setVictorySpecialEntities(level->victoryBySpecialEntities, level->numSpecialEntities);
    levelStatus->setGooActualSize(level->gooArea, level->gooArea);

    if (EntityDef* gooDef = entityDefs->getEntityDef("greygoo"))
    {
        GreyGoo* goo = new GreyGoo(gooDef, this);
        greyGoo = goo;
        goo->setPos(WGUI::Vector2d(level->gooX, level->gooY));
        goo->setDisplayArea(level->gooArea);
        goo->setActualArea(level->gooArea);
        if (level->shadowX == 0 && level->shadowY == 0)
            goo->setShadow(false, 0, 0);
        else
            goo->setShadow(true, level->shadowX, level->shadowY);
        entityEngine->addEntity(goo);
    }
    else
    {
        WriteDbg("No \"greygoo\" entity definition: the level has no goo\n");
    }

    if (level->hasTip)
    {
        tipWindow->setTipTitle(level->tipTitle);
        tipWindow->setTipText(level->tipText);
        tipWindow->setTipImage(level->tipImage);
        tipWindow->setVisible(true);
        tipWindow->setAlwaysActive(true);
        tipVisible = true;
    }

    const bool cheating = !Cheats::instance()->allowLevelToCount();
    cheatLabelBlack->setVisible(cheating);
    cheatLabelWhite->setVisible(cheating);

    tipPassDone = false;
    loadLevelImages();
    return load;
}

void GameWindow::loadLevelImages()
{
    WGUI::ImageMaps* maps = WGUI::ImageMaps::instance();
    maps->setAllNeeded(0);
    for (const std::unique_ptr<EntityEmitter>& e : emitters)
        e->setNeededImages();
    if (tileEngine)
        tileEngine->setNeededImages();
    if (greyGoo)
        GreyGoo::setNeededImages(greyGoo->getEntityDef());
    if (level && !level->tipImage.empty())
    {
        if (WGUI::ImageMap* m = WGUI::ImageMaps::get(level->tipImage))
            m->hold();
    }
    maps->loadUnloadNeeded();
}

void GameWindow::setPaused(bool p)
{
    paused = p;
    if (p)
    {
        setAlwaysActive(false);
        if (SoundEffectSystem::hasInstance())
            SoundEffectSystem::instance()->stopLoopSounds();
        WGUI::Input::instance()->setUseRelativeMouse(false);
    }
    else
    {
        setAlwaysActive(true);
        WGUI::Input::instance()->setUseRelativeMouse(!tipVisible);
    }
}

void GameWindow::updateSelf()
{
    WGUI::Window::updateSelf();
    if (!isVisible())
        return;

    if (tipVisible && !tipPassDone)
    {
        for (const std::unique_ptr<EntityEmitter>& e : emitters)
            e->update();
        if (greyGoo && !greyGoo->getBeingEaten())
            greyGoo->centerCameraOnMe();
        tipPassDone = true;
    }
    if (paused || tipVisible || !level)
        return;

    const double dt = WGUI::Timer::instance()->getDeltaT();
    if (!won)
        levelTime += dt;
    tileEngine->update();
    for (const std::unique_ptr<EntityEmitter>& e : emitters)
        e->update();
    entityEngine->update();

    if (greyGoo)
    {
        if (!greyGoo->getBeingEaten())
            greyGoo->centerCameraOnMe();
    }
    else
    {
        gooGoneTimer += dt;
    }

    if (greyGoo)
        levelStatus->setGooActualSize(greyGoo->getActualArea(), greyGoo->getInitialArea());
    else
        levelStatus->setGooActualSize(0, 10);
    levelStatus->setNumSpecialEaten(specialEaten);

    if (level->hasTimeLimit)
    {
        const double old = timeLeft;
        timeLeft = level->timeLimit - levelTime;
        if (timeLeft < 0)
            timeLeft = 0;
        timeLeftTickSound(timeLeft, old);
        timerDisplay->setTimeLeft(timeLeft);
    }

    particles->update();

    if (!won)
    {
        won = checkVictoryAchieved();
        if (won)
        {
            failed = false;
            failedTimer = 0;
            if (greyGoo)
            {
                if (SoundEffect* y = greyGoo->getYumYumSound())
                    y->stopAllSamples();
                if (EntityDef* d = greyGoo->getEntityDef())
                    if (d->damageSound)
                        d->damageSound->stopAllSamples();
            }
            emitVictoryBurst();
            playEffect("levelcomplete");
        }
    }
    else
    {
        wonTimer += dt;
    }

    if (!won)
    {
        if (!failed)
            failed = checkFailedLevel();
        if (failed)
            failedTimer += dt;
    }

    if (!getTransition())
    {
        if (wonTimer > kResultDelay)
        {
            if (level->hasEnd)
                setEndOfGameTransition();
            else
                setVictoryWindowTransition();
        }
        if (!getTransition() && failedTimer > kResultDelay)
            setFailureWindowTransition();
    }
}

void GameWindow::emitVictoryBurst()
{
    if (!WGUI::Manager::hasInstance())
        return;
    WGUI::Manager* m = WGUI::Manager::instance();
    ParticleEngine* pool = guiParticles();
    if (!pool)
        return;
    for (int i = 0; i < kBurstParticles; ++i)
    {
        Particle* p = pool->popInactive();
        if (!p)
            break;
        p->cell = 2;
        const double theta = WGUI::randomDouble(0, 360);
        WGUI::Vector2d pos = gooPos;
        if (greyGoo)
        {
            WGUI::Vector2d off;
            off.setPolar(WGUI::randomDouble(0, greyGoo->getWidth() / 2), theta);
            pos += off;
        }
        p->position = WGUI::Vector2d(m->screenToSpriteX(spriteToScreenX(pos.getX())),
                                     m->screenToSpriteY(spriteToScreenY(pos.getY())));
        p->velocity.setPolar(WGUI::randomDouble(400, 800), theta);
        p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
        p->red = static_cast<float>(WGUI::randomDouble(0.3, 1.0));
        p->green = static_cast<float>(WGUI::randomDouble(0.3, 1.0));
        p->blue = static_cast<float>(WGUI::randomDouble(0.3, 1.0));
        p->alpha = 1.0f;
        p->size = static_cast<float>(WGUI::randomDouble(40, 50));
        p->lifetime = static_cast<float>(WGUI::randomDouble(0.5, 2.0));
        p->additive = true;
        pool->pushActive(p);
    }
}

bool GameWindow::checkVictoryAchieved()
{
    if (!greyGoo || !level || levelTime < kMinLevelTime)
        return false;
    if (level->victoryBySize && levelStatus->isAreaBiggerThanNeeded())
        return true;
    if (level->victoryBySpecialEntities && specialEaten >= level->numSpecialEntities)
        return true;
    if (level->victoryEatEverything && entityEngine && entityEngine->getNumEntities() == 1)
        return true;
    return false;
}

bool GameWindow::checkFailedLevel()
{
    int type = -1;
    if (level && level->hasTimeLimit && levelTime > level->timeLimit)
        type = FailureWindow::kTimeout;
    else if (gooGoneTimer > kGooGoneTime)
        type = FailureWindow::kEaten;
    else if (checkSmallerEntityFailed())
        type = FailureWindow::kNothingSmaller;
    if (type < 0)
        return false;
    failureType = type;
    if (FailureWindow* f = screenOf<FailureWindow>())
        f->setMessageType(type);
    return true;
}

bool GameWindow::checkSmallerEntityFailed()
{
    if (!level || !level->smallerEntityCheck)
        return false;
    smallerCheckTimer += WGUI::Timer::instance()->getDeltaT();
    if (smallerCheckTimer < smallerCheckInterval)
        return false;
    smallerCheckTimer = 0;
    if (!greyGoo)
        return false;
    const double gooArea = greyGoo->getActualArea();
    if (gooArea >= level->smallestRandomArea)
        return false;
    if (entityEngine && entityEngine->smallerEqualEntityExists(greyGoo))
        return false;
    // Random emitters cannot help here (their smallest area is above the goo's); only an
    // emitter with scheduled entities small enough still to come keeps the level alive.
    if (emitters.empty())
        return false;
    for (const std::unique_ptr<EntityEmitter>& e : emitters)
        if (e->getScheduledEmitsLeft() > 0 && e->getMinArea() <= gooArea)
            return false;
    return true;
}

void GameWindow::recordResult(bool progress)
{
    if (VictoryWindow* v = screenOf<VictoryWindow>())
    {
        if (progress)
        {
            v->setEatenEntities(eaten.get());
            v->setLevelTime(static_cast<int>(levelTime), getLevelFilename(), mode);
            // It comes in by the transition chained to this screen's fade.
            goToScreen(v, nullptr);
        }
    }
    totalEaten->addEatenEntities(eaten.get());
    if (progress)
        LevelProgress::instance()->setProgressVars(mode, getLevelFilename(), true,
                                                   static_cast<int>(levelTime));
    // Saved at once: a game closed or killed during the result screens keeps the result.
    services::checkSave(totalEaten->writeXML(), "eaten totals");
    if (progress)
        services::checkSave(LevelProgress::instance()->writeXML(), "level progress");
}

void GameWindow::setVictoryWindowTransition()
{
    std::unique_ptr<WGUI::Transition> out = makeTransition(WGUI::Transition::kFadeToColour, 0, 0, 0.5);
    std::unique_ptr<WGUI::Transition> in =
        makeTransition(WGUI::Transition::kOpacityIn, WGUI::Transition::kSlideIn, 90, 0.5);
    WGUI::Transition* fade = out.get();  // this screen's from here on
    leaveScreen(this, std::move(out));
    setPaused(true);
    recordResult(true);
    chainToScreen(fade, Screen::kVictory, std::move(in));
    IntroLoop::instance()->playFade(0.5);
    MusicSystem::instance()->stop(0.3);
    MusicSystem::instance()->setJukeboxOn(false);
}

void GameWindow::setEndOfGameTransition()
{
    std::unique_ptr<WGUI::Transition> out = makeTransition(WGUI::Transition::kFadeToColour, 0, 0, 1.0);
    if (!level->creditsOnly)
    {
        out->setColour(1, 1, 1);
        goToComic = true;
    }
    else
    {
        out->setColour(WGUI::Manager::getDefaultBackR(), WGUI::Manager::getDefaultBackG(),
                       WGUI::Manager::getDefaultBackB());
        goToCredits = true;
    }
    leaveScreen(this, std::move(out));
    setPaused(true);
    recordResult(true);
}

void GameWindow::setFailureWindowTransition()
{
    std::unique_ptr<WGUI::Transition> out = makeTransition(WGUI::Transition::kFadeToColour, 0, 0, 0.5);
    std::unique_ptr<WGUI::Transition> in =
        makeTransition(WGUI::Transition::kOpacityIn, WGUI::Transition::kSlideIn, 90, 0.5);
    WGUI::Transition* fade = out.get();  // this screen's from here on
    leaveScreen(this, std::move(out));
    setPaused(true);
    // The failure dialog comes in by the transition chained to this screen's fade.
    goToScreen(Screen::kFailure, nullptr);
    chainToScreen(fade, Screen::kFailure, std::move(in));
    recordResult(false);
    IntroLoop::instance()->playFade(0.5);
    MusicSystem::instance()->stop(0.3);
    MusicSystem::instance()->setJukeboxOn(false);
}

void GameWindow::transitionFinished(bool isIn)
{
    if (isIn)
        return;
    if (goToComic)
    {
        goToComic = false;
        // The comic shows this level's closing pages.
        Arrival arrival;
        arrival.from = Screen::kGame;
        arrival.sender = this;
        arrival.mode = mode;
        arrival.levelFile = getLevelFilename();
        std::unique_ptr<WGUI::Transition> t = makeTransition(WGUI::Transition::kFadeFromColour, 0, 0, 1.0);
        t->setColour(1, 1, 1);
        goToScreen(Screen::kComic, std::move(t), arrival);
    }
    else if (goToCredits)
    {
        goToCredits = false;
        std::unique_ptr<WGUI::Transition> t = makeTransition(WGUI::Transition::kFadeFromColour, 0, 0, 1.0);
        t->setColour(WGUI::Manager::getDefaultBackR(), WGUI::Manager::getDefaultBackG(),
                     WGUI::Manager::getDefaultBackB());
        goToScreen(Screen::kCredits, std::move(t));
    }
}

void GameWindow::messageCallback(WGUI::WEvent& e)
{
    if (e.type == WGUI::WEvent::kKeyDown &&
        (e.key == WGUI::Input::kEscape || e.key == WGUI::Input::kA + 15 || e.key == WGUI::Input::kSpace))
        setPauseTransition();
    WGUI::Window::messageCallback(e);
}

void GameWindow::setPauseTransition()
{
    if (paused || tipVisible || screenInTransition(Screen::kGamePaused))
        return;
    if (GamePaused* p = openDialog<GamePaused>(
            makeTransition(WGUI::Transition::kOpacityIn, WGUI::Transition::kSlideIn, 90, 0.3), nullptr))
        p->setLevelMode(mode);
    leaveScreen(this, nullptr);
    setPaused(true);
}

void GameWindow::timeLeftTickSound(double newLeft, double oldLeft)
{
    if (won || failed)
        return;
    for (int k = 10; k >= 1; --k)
        if (newLeft <= k && k < oldLeft)
            playTickSound();
    if (newLeft <= 0 && 0 < oldLeft)
        playBuzzerSound();
}

void GameWindow::playTickSound()
{
    ++ticksPlayed;
    playEffect("clock");
}

void GameWindow::playBuzzerSound()
{
    ++buzzersPlayed;
    playEffect("buzz");
}

void GameWindow::gooAteEntity(Entity* e)
{
    if (!e)
        return;
    eatenDisplay->setEatenEntity(e);
    eaten->addEntity(e);
    if (e->isSpecial())
        ++specialEaten;
    smallerCheckTimer = 0;
}

void GameWindow::shoot(int shotEmitNum, WGUI::Vector2d pos, double angle)
{
    for (const std::unique_ptr<EntityEmitter>& e : emitters)
        if (e->getShotEmitNum() == shotEmitNum)
            if (auto* s = dynamic_cast<EmitterShot*>(e.get()))
                s->emit(pos, angle);
}

void GameWindow::draw()
{
    if (tileEngine)
        tileEngine->drawBottom();
    if (entityEngine)
        entityEngine->draw();
    particles->draw();
    if (tileEngine)
        tileEngine->drawTop();

    int W = WGUI::Window::getDefaultDisplayWidth();
    int H = WGUI::Window::getDefaultDisplayHeight();
    if (WGUI::Manager::hasInstance())
    {
        W = WGUI::Manager::instance()->getWidth();
        H = WGUI::Manager::instance()->getHeight();
    }
    if (levelWidth < W)
    {
        const double m = (W - levelWidth) / 2;
        WGUI::Shapes::drawFillRect(0, 0, m, H, 0, 0, 0, 1);
        WGUI::Shapes::drawFillRect(W - m, 0, W, H, 0, 0, 0, 1);
    }
    if (levelHeight < H)
    {
        const double n = (H - levelHeight) / 2;
        WGUI::Shapes::drawFillRect(0, 0, W, n, 0, 0, 0, 1);
        WGUI::Shapes::drawFillRect(0, H - n, W, H, 0, 0, 0, 1);
    }
    WGUI::Window::draw();
}

}  // namespace Game

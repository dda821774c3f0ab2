// The play screen ("gamewindow"): owns everything a level needs while it runs (the level record,
// the entity engine with its entities, the tile engine, the emitters, a particle pool, this
// level's eaten tally and the heads-up children), advances the simulation in a fixed order each
// frame, tests for victory and failure, records the result and hands over to the victory or
// failure dialog, or to the end-of-game comic or credits.
#pragma once

#include <list>

#include "controller.h"
#include "entity.h"
#include "foundation/str.h"
#include "level.h"
#include "services/navigation.h"
#include "wgui_vector2d.h"
#include "wgui_window.h"

namespace WGUI
{
class Label;
class Transition;
}  // namespace WGUI

namespace Game
{

class ControllerTypes;
class EatenDisplay;
class EatenEntities;
class EntityDefs;
class EntityEmitter;
class EntityEngine;
class GreyGoo;
class Level;
class LevelStatus;
class ParticleEngine;
class TileEngine;
class TimerDisplay;
class TipWindow;
class TotalEntitiesEaten;

class GameWindow : public WGUI::Window, public WGUI::Listener, public GameWindowBase, public PlayWindowBase
{
public:
    static constexpr Screen kScreen = Screen::kGame;
    static const int kParticles = 300;
    static const int kBurstParticles = 150;
    static constexpr double kMinLevelTime = 2.0;  // no victory before this
    static constexpr double kGooGoneTime = 0.15;  // missing goo this long loses
    static constexpr double kResultDelay = 0.5;   // result shown after this
    static constexpr double kSmallerCheckInterval = 5.0;

    GameWindow();
    ~GameWindow() override;
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    void transitionFinished(bool isIn) override;
    void updateSelf() override;
    void draw() override;
    void messageMouseMove(int x, int y, int b, bool m) override { Window::messageMouseMove(x, y, b, m); }
    void messageMouseDrag(int x, int y, int b, bool m) override { Window::messageMouseDrag(x, y, b, m); }
    void messageCallback(WGUI::WEvent& e) override;
    void buttonReleased(WGUI::Button*) override {}
    void animationDone(WGUI::Animation*) override {}

    // The name is taken by value: callers pass getLevelFilename(), which the old level owns.
    // A level that does not load leaves the screen empty; the result says why.
    LevelLoad loadLevel(str fileName, LevelMode mode);

    // GameWindowBase
    double getLevelLeft() override { return -levelWidth / 2; }
    double getLevelRight() override { return levelWidth / 2; }
    double getLevelTop() override { return -levelHeight / 2; }
    double getLevelBottom() override { return levelHeight / 2; }
    double getLevelWidth() override { return levelWidth; }
    double getLevelHeight() override { return levelHeight; }
    Entity* getGreyGooEntity() override;
    WGUI::Vector2d getGooPos() override { return gooPos; }
    ParticleEngine* getParticleEngine() override { return particles; }
    double getGrowthRate() override;

    // PlayWindowBase
    void shoot(int shotEmitNum, WGUI::Vector2d pos, double angle) override;
    void setGooPos(WGUI::Vector2d p) override { gooPos = p; }
    void gooAteEntity(Entity* e) override;
    void setGreyGoo(GreyGoo* g) override { greyGoo = g; }
    EntityEngine* getEntityEngine() override { return entityEngine; }

    GreyGoo* getGreyGoo() { return greyGoo; }
    TotalEntitiesEaten* getTotalEntitiesEaten() { return totalEaten; }
    Level* getLevel() { return level; }
    str getLevelFilename() const;
    LevelMode getMode() const { return mode; }
    void setLevelTime(double t) { levelTime = t; }
    double getLevelTime() const { return levelTime; }
    bool isPaused() const { return paused; }
    void setPaused(bool p);
    void setTipVisible(bool v) { tipVisible = v; }
    bool isTipVisible() const { return tipVisible; }
    void setPauseTransition();

    bool checkVictoryAchieved();
    bool checkFailedLevel();
    bool checkSmallerEntityFailed();
    void setVictoryWindowTransition();
    void setEndOfGameTransition();
    void setFailureWindowTransition();
    void timeLeftTickSound(double newLeft, double oldLeft);
    void playTickSound();
    void playBuzzerSound();
    void loadLevelImages();
    void emitVictoryBurst();

    // State, read by the dialogs and tests.
    EntityDefs* getEntityDefs() { return entityDefs; }
    TileEngine* getTileEngine() { return tileEngine; }
    EatenEntities* getEatenEntities() { return eaten; }
    const std::list<EntityEmitter*>& getEmitters() const { return emitters; }
    TimerDisplay* getTimerDisplay() { return timerDisplay; }
    EatenDisplay* getEatenDisplay() { return eatenDisplay; }
    TipWindow* getTipWindow() { return tipWindow; }
    WGUI::Label* getCheatLabel(bool white) { return white ? cheatLabelWhite : cheatLabelBlack; }
    bool isWon() const { return won; }
    double getWonTimer() const { return wonTimer; }
    bool isFailed() const { return failed; }
    double getFailedTimer() const { return failedTimer; }
    int getFailureType() const { return failureType; }
    double getGooGoneTimer() const { return gooGoneTimer; }
    int getSpecialEntitiesEaten() const { return specialEaten; }
    int getTickSoundsPlayed() const { return ticksPlayed; }
    int getBuzzerSoundsPlayed() const { return buzzersPlayed; }
    bool getGoToComic() const { return goToComic; }
    bool getGoToCredits() const { return goToCredits; }

private:
    void deleteLevelObjects();
    void recordResult(bool progress);

    EatenDisplay* eatenDisplay;
    LevelStatus* levelStatus;
    TimerDisplay* timerDisplay;
    TipWindow* tipWindow;
    WGUI::Label* cheatLabelBlack;
    WGUI::Label* cheatLabelWhite;
    EntityEngine* entityEngine = nullptr;
    TileEngine* tileEngine = nullptr;
    EntityDefs* entityDefs;
    ControllerTypes* controllerTypes;
    ParticleEngine* particles;
    TotalEntitiesEaten* totalEaten;
    bool goToComic = false, goToCredits = false;
    GreyGoo* greyGoo = nullptr;
    WGUI::Vector2d gooPos;
    double levelWidth = 0, levelHeight = 0;
    bool won = false;
    double wonTimer = 0;
    bool failed = false;
    double failedTimer = 0;
    int failureType = -1;
    double smallerCheckTimer = 0;
    double smallerCheckInterval = kSmallerCheckInterval;
    bool paused = false, tipVisible = false, tipPassDone = false;
    Level* level = nullptr;
    LevelMode mode = LevelMode::kCasual;
    EatenEntities* eaten;
    int specialEaten = 0;
    double levelTime = 0, timeLeft = 0, gooGoneTimer = 0;
    std::list<EntityEmitter*> emitters;
    int ticksPlayed = 0, buzzersPlayed = 0;
};

}  // namespace Game

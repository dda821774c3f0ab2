// The play screen ("gamewindow"): owns everything a level needs while it runs (the level record,
// the entity engine with its entities, the tile engine, the emitters, a particle pool, this
// level's eaten tally and the heads-up children), advances the simulation in a fixed order each
// frame, tests for victory and failure, records the result and hands over to the victory or
// failure dialog, or to the end-of-game comic or credits.
#pragma once

#include <list>
#include <memory>

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
    ParticleEngine* getParticleEngine() override { return particles.get(); }
    double getGrowthRate() override;

    // PlayWindowBase
    void shoot(int shotEmitNum, WGUI::Vector2d pos, double angle) override;
    void setGooPos(WGUI::Vector2d p) override { gooPos = p; }
    void gooAteEntity(Entity* e) override;
    void setGreyGoo(GreyGoo* g) override { greyGoo = g; }
    EntityEngine* getEntityEngine() override { return entityEngine.get(); }

    GreyGoo* getGreyGoo() { return greyGoo; }
    TotalEntitiesEaten* getTotalEntitiesEaten() { return totalEaten.get(); }
    Level* getLevel() { return level.get(); }
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
    EntityDefs* getEntityDefs() { return entityDefs.get(); }
    TileEngine* getTileEngine() { return tileEngine.get(); }
    EatenEntities* getEatenEntities() { return eaten.get(); }
    const std::list<std::unique_ptr<EntityEmitter>>& getEmitters() const { return emitters; }
    TimerDisplay* getTimerDisplay() { return timerDisplay.get(); }
    EatenDisplay* getEatenDisplay() { return eatenDisplay.get(); }
    TipWindow* getTipWindow() { return tipWindow.get(); }
    WGUI::Label* getCheatLabel(bool white) { return white ? cheatLabelWhite.get() : cheatLabelBlack.get(); }
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
    void deleteEmitters();
    void recordResult(bool progress);

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
    LevelMode mode = LevelMode::kCasual;
    int specialEaten = 0;
    double levelTime = 0, timeLeft = 0, gooGoneTimer = 0;
    int ticksPlayed = 0, buzzersPlayed = 0;

    // What the screen owns, deleted last declared first: the tallies and the particles, the
    // heads-up children, and last the entity definitions.
    std::unique_ptr<EntityDefs> entityDefs;
    std::unique_ptr<WGUI::Label> cheatLabelWhite;
    std::unique_ptr<WGUI::Label> cheatLabelBlack;
    std::unique_ptr<TipWindow> tipWindow;
    std::unique_ptr<TimerDisplay> timerDisplay;
    std::unique_ptr<LevelStatus> levelStatus;
    std::unique_ptr<EatenDisplay> eatenDisplay;
    std::unique_ptr<ControllerTypes> controllerTypes;
    std::unique_ptr<ParticleEngine> particles;
    std::unique_ptr<TotalEntitiesEaten> totalEaten;
    std::unique_ptr<EatenEntities> eaten;
    // The level's objects, made by loadLevel and deleted before everything else
    // (deleteLevelObjects).
    std::unique_ptr<Level> level;
    std::list<std::unique_ptr<EntityEmitter>> emitters;
    std::unique_ptr<TileEngine> tileEngine;
    std::unique_ptr<EntityEngine> entityEngine;
};

}  // namespace Game

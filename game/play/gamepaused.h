// The pause menu over a running level: resume, restart, options, back to the level selection
// (or the endurance menu) and the main menu. The top-level screen Screen::kGamePaused.
#pragma once

#include <memory>

#include "services/navigation.h"
#include "wgui_fancywindow.h"
#include "wgui_window.h"

namespace WGUI
{
class TextButton;
}

namespace Game
{

class GamePaused : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kGamePaused;
    GamePaused();
    ~GamePaused() override;
    GamePaused(const GamePaused&) = delete;
    GamePaused& operator=(const GamePaused&) = delete;

    // While shown the dialog takes every mouse position, so nothing beneath it gets the mouse.
    bool contains(double x, double y) override;
    bool contains(int x, int y) override;
    void transitionFinished(bool) override {}
    void updateSelf() override { WGUI::FancyWindow::updateSelf(); }
    void draw() override;
    void messageCallback(WGUI::WEvent& e) override;
    virtual void resumeGame();
    virtual void retryGame();
    void buttonReleased(WGUI::Button* b) override;

    void setLevelMode(LevelMode mode) { levelMode = mode; }
    LevelMode getLevelMode() const { return levelMode; }

    WGUI::TextButton* getOptionsButton() const { return options.get(); }
    WGUI::TextButton* getLevelSelectButton() const { return levelSelect.get(); }
    WGUI::TextButton* getMainMenuButton() const { return mainMenu.get(); }

private:
    void leaveTo(Screen target);

    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::TextButton> mainMenu;
    std::unique_ptr<WGUI::TextButton> levelSelect;
    std::unique_ptr<WGUI::TextButton> options;
    std::unique_ptr<WGUI::TextButton> restart;
    std::unique_ptr<WGUI::TextButton> resume;
    LevelMode levelMode = LevelMode::kCasual;
};

}  // namespace Game

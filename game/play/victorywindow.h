// The dialog that ends a won level: the time taken (or, timed, the time left and the medal), the
// total eaten counted up while an animated tally of every kind eaten fills a frame, and one
// continue button back to the level selection or the endurance menu.
#pragma once

#include <memory>

#include "foundation/str.h"
#include "services/navigation.h"
#include "wgui_fancywindow.h"
#include "wgui_window.h"

namespace WGUI
{
class TextButton;
class Label;
class Graphic;
class GraphicGroupBox;
}  // namespace WGUI

namespace Game
{

class EatenEntities;
class EntityDef;
class SoundEffect;

class VictoryWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kVictory;
    static constexpr double kKindDelay = 0.2;
    static const int kGridSize = 200;
    static const int kMaxGridSide = 200;  // k is capped so a cell is never 0 pixels

    VictoryWindow();
    ~VictoryWindow() override;
    VictoryWindow(const VictoryWindow&) = delete;
    VictoryWindow& operator=(const VictoryWindow&) = delete;

    void transitionFinished(bool isIn) override;
    void updateSelf() override;
    void draw() override;
    void messageActivate() override;
    void messageDeactivate() override {}
    void messageCallback(WGUI::WEvent& e) override { WGUI::Window::messageCallback(e); }
    void buttonReleased(WGUI::Button* b) override;

    void setEatenEntities(EatenEntities* e) { eaten = e; }
    void setLevelTime(int seconds, str levelFile, LevelMode mode);

    // Grid of the tally for n kinds: the side k and the cell size s (pixels).
    static void gridFor(int n, int& k, int& s, int& columns);
    // Counts per second while the kind of that count is counted.
    static double countRate(int count);

    int getShownTotal() const { return shownTotal; }
    bool isCounting() const { return counting; }
    bool isDone() const { return done; }
    str getLevelFile() const { return levelFile; }
    WGUI::Label* getTimeCaption() const { return timeCaption.get(); }
    WGUI::Label* getTimeValue() const { return timeValue.get(); }
    WGUI::Label* getTotalLabel() const { return totalLabel.get(); }
    WGUI::Graphic* getMedal() const { return medal.get(); }
    WGUI::TextButton* getContinueButton() const { return continueButton.get(); }

private:
    void emitBurst(double x, double y);

    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::GraphicGroupBox> tallyFrame;
    std::unique_ptr<WGUI::Graphic> medal;
    std::unique_ptr<WGUI::Label> totalLabel;
    std::unique_ptr<WGUI::Label> totalCaption;
    std::unique_ptr<WGUI::Label> timeValue;
    std::unique_ptr<WGUI::Label> timeCaption;
    std::unique_ptr<WGUI::TextButton> continueButton;
    EatenEntities* eaten = nullptr;
    SoundEffect* clickSound = nullptr;
    str levelFile;
    LevelMode mode = LevelMode::kCasual;
    int shownTotal = 0;
    bool counting = false, done = false;
    double rate = 1.0;
    double accumulator = 0;
    double kindTimer = 0;
    int currentIndex = 0;
    int counted = 0;
    int burstCount = 0;
    EntityDef* burstKind = nullptr;
    int clicksPlayed = 0;
};

}  // namespace Game

// The heads-up panels of the play screen: LevelStatus (top left) shows the goo's size as a
// real-world length and the goal, or the special entities eaten out of how many; TimerDisplay
// (top right) shows the level's name and, in timed levels, the time left.
#pragma once

#include "foundation/str.h"
#include "wgui_slider.h"

class TTextGraphic;
namespace WGUI
{
class Label;
class GraphicProgressBar;
}  // namespace WGUI

namespace Game
{

class LevelStatus : public WGUI::Graphic
{
public:
    // The widest the goo's size is drawn, in pixels; a longer text is drawn smaller.
    static constexpr int kGooTextRoom = 80;

    LevelStatus();
    ~LevelStatus() override;
    LevelStatus(const LevelStatus&) = delete;
    LevelStatus& operator=(const LevelStatus&) = delete;

    void clear();
    // Metres per level unit; set before the other setters of a level.
    void setUnitMultiplier(double m) { unitMultiplier = m; }
    void setVictoryBySize(bool on, double size);
    void setVictorySpecialEntities(bool on, int count);
    void setGooActualSize(double area, double initialArea);
    void setNumSpecialEaten(int n);
    // The size goal is reached: the goo's text reads the goal's, or its area is at least the
    // victory size.
    bool isAreaBiggerThanNeeded();
    void draw() override;

    str getGooText() const { return gooText; }
    str getGoalText() const { return goalText; }
    int getNumSpecialEaten() const { return specialEaten; }
    WGUI::Label* getGooLabel() const { return gooLabel; }
    WGUI::Label* getGoalLabel() const { return goalLabel; }
    WGUI::Label* getSpecialsEatenLabel() const { return specialsEatenLabel; }
    WGUI::Label* getSpecialsGoalLabel() const { return specialsGoalLabel; }
    WGUI::Window* getSpecialsBox() const { return specialsBox; }
    WGUI::GraphicProgressBar* getProgressBar() const { return progressBar; }
    TTextGraphic* getOfText() const { return ofText; }

private:
    WGUI::Window* gooBox;
    WGUI::Label* gooLabel;
    WGUI::Label* goalLabel;
    WGUI::GraphicProgressBar* progressBar;
    WGUI::Label* specialsEatenLabel;
    WGUI::Label* specialsGoalLabel;
    WGUI::Window* specialsBox;
    TTextGraphic* ofText = nullptr;
    bool victoryBySize = false;
    bool victoryBySpecials = false;
    double victorySize = 0;
    int numSpecials = 0;
    double unitMultiplier = 0;
    str gooText, goalText;
    double gooArea = 0, gooInitialArea = 0;
    int specialEaten = 0;
};

class TimerDisplay : public WGUI::Graphic
{
public:
    TimerDisplay();
    ~TimerDisplay() override;
    TimerDisplay(const TimerDisplay&) = delete;
    TimerDisplay& operator=(const TimerDisplay&) = delete;

    void setTimerVisible(bool on);
    void setTimeLeft(double seconds);
    void setLevelName(str name);

    double getTimeLeft() const { return timeLeft; }
    WGUI::Label* getTimeLabel() const { return timeLabel; }
    WGUI::Label* getNameLabel() const { return nameLabel; }

private:
    WGUI::Label* timeLabel;
    WGUI::Window* timeBox;
    WGUI::Label* nameLabel;
    WGUI::Window* nameBox;
    double timeLeft = 0;
};

}  // namespace Game

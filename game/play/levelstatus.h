// The heads-up panels of the play screen: LevelStatus (top left) shows the goo's size as a
// real-world length and the goal, or the special entities eaten out of how many; TimerDisplay
// (top right) shows the level's name and, in timed levels, the time left.
#pragma once

#include <memory>

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
    WGUI::Label* getGooLabel() const { return gooLabel.get(); }
    WGUI::Label* getGoalLabel() const { return goalLabel.get(); }
    WGUI::Label* getSpecialsEatenLabel() const { return specialsEatenLabel.get(); }
    WGUI::Label* getSpecialsGoalLabel() const { return specialsGoalLabel.get(); }
    WGUI::Window* getSpecialsBox() const { return specialsBox.get(); }
    WGUI::GraphicProgressBar* getProgressBar() const { return progressBar.get(); }
    TTextGraphic* getOfText() const { return ofText.get(); }

private:
    struct DestroyText
    {
        void operator()(TTextGraphic* text) const;
    };

    bool victoryBySize = false;
    bool victoryBySpecials = false;
    double victorySize = 0;
    int numSpecials = 0;
    double unitMultiplier = 0;
    str gooText, goalText;
    double gooArea = 0, gooInitialArea = 0;
    int specialEaten = 0;

    // Deleted last declared first, before the panel's own teardown: the labels inside the boxes,
    // the panel's direct children, and last the "of" text.
    std::unique_ptr<TTextGraphic, DestroyText> ofText;
    std::unique_ptr<WGUI::Window> specialsBox;
    std::unique_ptr<WGUI::Label> goalLabel;
    std::unique_ptr<WGUI::GraphicProgressBar> progressBar;
    std::unique_ptr<WGUI::Window> gooBox;
    std::unique_ptr<WGUI::Label> specialsGoalLabel;
    std::unique_ptr<WGUI::Label> specialsEatenLabel;
    std::unique_ptr<WGUI::Label> gooLabel;
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
    WGUI::Label* getTimeLabel() const { return timeLabel.get(); }
    WGUI::Label* getNameLabel() const { return nameLabel.get(); }

private:
    // Deleted last declared first: the labels, then their boxes.
    std::unique_ptr<WGUI::Window> nameBox;
    std::unique_ptr<WGUI::Window> timeBox;
    std::unique_ptr<WGUI::Label> nameLabel;
    std::unique_ptr<WGUI::Label> timeLabel;
    double timeLeft = 0;
};

}  // namespace Game

// The level selection: a map with one small button per level, 60 levels in the order of play,
// in casual (mode 0) or timed (mode 1) mode. Completed levels and the first one not completed
// are open; a highlight flashes on the level to play next; in timed mode the medals won are
// drawn on the buttons and the hovered level's times are shown. setTransitionToLevel is the one
// routine that starts any level, for every mode.
#pragma once

#include <memory>
#include <vector>

#include "foundation/str.h"
#include "screenpicture.h"
#include "services/navigation.h"
#include "wgui_owned.h"
#include "wgui_window.h"

namespace WGUI
{
class TextButton;
class GraphicButton;
class TextOverlay;
class ImageMap;
class Label;
}  // namespace WGUI

namespace Game
{

class PlayScreenAccess;

// One level on the map: its button and what the current mode's progress says of it.
class LevelButton
{
public:
    LevelButton(str levelFile, std::unique_ptr<WGUI::GraphicButton> button);
    ~LevelButton();
    LevelButton(const LevelButton&) = delete;
    LevelButton& operator=(const LevelButton&) = delete;

    // Copies the level's medal times (all 0 when the table has no record of it) and works out
    // the medal of the best time; a level not completed has none.
    void calculateMedal();

    int medal = 3;  // 0 gold, 1 silver, 2 bronze, 3 none
    str levelFile;
    std::unique_ptr<WGUI::GraphicButton> button;
    bool completed = false;
    int bestTime = 0;                                                 // seconds
    int goldTime = 0, silverTime = 0, bronzeTime = 0, timeLimit = 0;  // seconds
    bool hasMedalTimes = false;                                       // the medal-time table holds the level
};

class LevelSelect : public WGUI::Window, public WGUI::Listener, public Destination
{
public:
    static constexpr Screen kScreen = Screen::kLevelSelect;
    static constexpr int kNumLevels = 60;
    // The level file at that place in the order of play ("" outside it); the endurance levels
    // are not on this map.
    static str getLevelFile(int i);

    // The play screen is reached through play.
    explicit LevelSelect(PlayScreenAccess& play);
    ~LevelSelect() override;

    void transitionFinished(bool isIn) override { WGUI::Window::transitionFinished(isIn); }
    void updateSelf() override;
    void drawBetweenWindowAndTransition() override;
    void draw() override;
    void messageBecomeVisible() override;
    void messageBecomeInvisible() override;
    void buttonReleased(WGUI::Button* button) override;
    // From the main menu or the name entry: the mode asked for (timed or casual), the buttons
    // recomputed, the highlight on the last open level; from the victory dialog: the new medals,
    // the highlight past the level won.
    void arrive(const Arrival& arrival) override;

    // Casual or timed; sets the title. The buttons are recomputed only on request.
    void setMode(LevelMode mode);
    LevelMode getMode() const { return mode; }
    // Reads the active profile's progress in the current mode: opens and locks the buttons,
    // and in timed mode works out the medals.
    void calculateLevelButtonStates();
    // The highlight goes to the first open level, or to the first level when none is.
    void setNextLevelToLastAvailable();
    // Moves the highlight past the level just won.
    void setNextLevelAfter(const str& levelFile);
    // Starts a level: fades out the screen left, fades out the menu music, loads the level on
    // the play screen, switches the jukebox on and shows the opening comic or the play screen.
    void setTransitionToLevel(const str& levelFile, LevelMode mode, WGUI::Window* from);
    // Loads every level in timed mode and writes the medal-time table from their times.
    void writeMedalFromLevels();

    int getFirstOpenLevel() const { return firstOpenLevel; }
    int getHighlightedLevel() const { return highlightedLevel; }
    double getFlashValue() const { return flashValue; }
    int getNumLevelButtons() const { return static_cast<int>(levelButtons.size()); }
    LevelButton* getLevelButton(int i) const
    {
        return (i >= 0 && i < getNumLevelButtons()) ? levelButtons[i].get() : nullptr;
    }
    WGUI::TextButton* getBackButton() const { return backButton.get(); }
    WGUI::TextButton* getPlayNextButton() const { return playNextButton.get(); }
    bool holdsBackground() const { return background.isHeld(); }
    // 0 time left, 1 gold, 2 silver, 3 bronze.
    WGUI::Label* getCaption(int row) const { return (row >= 0 && row < 4) ? captions[row] : nullptr; }
    WGUI::Label* getValue(int row) const { return (row >= 0 && row < 4) ? values[row] : nullptr; }

private:
    PlayScreenAccess& play;  // not owned
    void addLevelButton(const str& levelFile, int x, int y);
    void updateTimePanel();
    void updateFlash();

    ScreenPicture background{"levelselect.png.xml"};
    WGUI::ImageMap* buttonMap = nullptr;  // the registry's
    WGUI::ImageMap* medalMap = nullptr;   // the registry's
    LevelMode mode = LevelMode::kCasual;
    int firstOpenLevel = -1;
    int highlightedLevel = -1;
    WGUI::ImageMap* highlightMap = nullptr;  // the registry's
    int highlightCell = 34;
    bool flashRising = true;
    double flashValue = 0;  // 0..1

    // What the screen makes, deleted last declared first: the level buttons first, the text
    // overlay last.
    std::unique_ptr<WGUI::TextOverlay> textOverlay;
    std::unique_ptr<WGUI::TextButton> playNextButton;
    std::unique_ptr<WGUI::TextButton> backButton;
    std::unique_ptr<WGUI::Window> timePanel;
    std::unique_ptr<WGUI::Label> title;
    WGUI::OwnedArray<WGUI::Label, 4> values;
    WGUI::OwnedArray<WGUI::Label, 4> captions;  // inside the time panel
    std::vector<std::unique_ptr<LevelButton>> levelButtons;
};

}  // namespace Game

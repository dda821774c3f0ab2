// The level selection: the map of 60 buttons, locks, medals, the time panel, and level starts.
#include "levelselect.h"

#include "foundation/debug.h"
#include "foundation/file.h"
#include "frontendutil.h"
#include "noticewindow.h"
#include "playscreenaccess.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"
#include "services/music.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_chunkedimage.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_label.h"
#include "wgui_manager.h"
#include "wgui_timer.h"
#include "wgui_transition.h"

namespace Game
{

namespace
{

struct LevelPlace
{
    const char* file;
    int x, y;  // the point on the 800 x 600 map
};

const LevelPlace kLevelPlaces[LevelSelect::kNumLevels] = {
    {"soil.xml", 73, 167},     {"bacteria.xml", 126, 167}, {"blood.xml", 126, 206},
    {"amoeba.xml", 73, 206},   {"bugs1.xml", 73, 307},     {"bugs2.xml", 120, 307},
    {"bugs3.xml", 167, 307},   {"bugs4.xml", 120, 346},    {"bugs5.xml", 73, 346},
    {"table1.xml", 73, 446},   {"table2.xml", 117, 446},   {"table3.xml", 161, 446},
    {"table4.xml", 206, 446},  {"table5.xml", 161, 486},   {"table6.xml", 117, 486},
    {"table7.xml", 73, 486},   {"fish1.xml", 293, 486},    {"fish2.xml", 340, 486},
    {"fish3.xml", 387, 486},   {"grass1.xml", 387, 387},   {"grass2.xml", 340, 387},
    {"grass3.xml", 293, 387},  {"grass4.xml", 293, 346},   {"grass5.xml", 340, 346},
    {"grass6.xml", 387, 346},  {"city1.xml", 387, 246},    {"city2.xml", 342, 246},
    {"city3.xml", 297, 246},   {"city4.xml", 252, 246},    {"city5.xml", 252, 206},
    {"city6.xml", 297, 206},   {"city7.xml", 342, 206},    {"city8.xml", 387, 206},
    {"sky1.xml", 473, 146},    {"sky2.xml", 517, 146},     {"sky3.xml", 561, 146},
    {"sky4.xml", 606, 146},    {"sky5.xml", 561, 186},     {"sky6.xml", 517, 186},
    {"sky7.xml", 473, 186},    {"space1.xml", 486, 293},   {"space2.xml", 486, 331},
    {"space3.xml", 486, 370},  {"space4.xml", 486, 408},   {"space5.xml", 486, 447},
    {"space6.xml", 532, 447},  {"space7.xml", 532, 408},   {"space8.xml", 532, 370},
    {"space9.xml", 532, 331},  {"space10.xml", 532, 293},  {"space11.xml", 667, 293},
    {"space12.xml", 713, 293}, {"space13.xml", 713, 331},  {"space14.xml", 667, 331},
    {"space15.xml", 667, 370}, {"space16.xml", 713, 370},  {"space17.xml", 713, 408},
    {"space18.xml", 667, 408}, {"space19.xml", 667, 447},  {"end.xml", 713, 447},
};

// The buttons' cells on the "gui" map.
const int kCellUp = 30, kCellOver = 31, kCellDown = 32, kCellDisabled = 33;
// Medal cells on the "medal" map: gold, silver, bronze.
const int kMedalCellFirst = 3;

// The flash runs from 0 to 1 and back in 0.5 s.
const double kFlashRate = 4.0;

std::unique_ptr<WGUI::Label> makeLabel(WGUI::Window* parent, const str& text, int x, int y, int alignH,
                                       int alignV, double r, double g, double b, double a)
{
    auto label = std::make_unique<WGUI::Label>();
    label->setUseVirtCoordPos(false, false);
    label->setText(text);
    label->setPixAlPos(x, y);
    label->setAlign(alignH, alignV);
    label->setColour(r, g, b, a);
    parent->addWindow(label.get());
    return label;
}

}  // namespace

str LevelSelect::getLevelFile(int i)
{
    return (i >= 0 && i < kNumLevels) ? str(kLevelPlaces[i].file) : str("");
}

// ---- LevelButton ------------------------------------------------------------------------------

LevelButton::LevelButton(str file, std::unique_ptr<WGUI::GraphicButton> b)
    : levelFile(file), button(std::move(b))
{
}

LevelButton::~LevelButton() = default;

void LevelButton::calculateMedal()
{
    MedalTimesItem* item = MedalTimes::instance()->getMedalTimesItem(levelFile);
    hasMedalTimes = item != nullptr;
    // A level the table does not know has no medal times and can earn no medal.
    timeLimit = item ? item->timeLimit : 0;
    goldTime = item ? item->goldTime : 0;
    silverTime = item ? item->silverTime : 0;
    bronzeTime = item ? item->bronzeTime : 0;
    if (completed && item)
        medal = MedalTimes::getMedalType(bestTime, goldTime, silverTime, bronzeTime);
    else
        medal = MedalTimes::kNone;
}

// ---- LevelSelect ------------------------------------------------------------------------------

LevelSelect::LevelSelect(PlayScreenAccess& play) : play(play)
{
    Frontend::setUpScreen(this, screenName(kScreen), 800, 600);
    setFillOutside(true);

    backButton = std::make_unique<WGUI::TextButton>();
    backButton->setUseVirtCoordPos(false, false);
    backButton->setUseVirtCoordDim(false, false);
    backButton->setText(Frontend::text("mainmenu"));
    backButton->setTooltip(true, Frontend::text("mainmenutip"));
    backButton->setPixAlPos(40, 20);
    backButton->setPixWidth(150);
    backButton->setPixHeight(25);
    backButton->setAlign(kAlignRight, kAlignBottom);
    backButton->setAlwaysOnTop(true);
    backButton->setListener(this);
    addWindow(backButton.get());

    playNextButton = std::make_unique<WGUI::TextButton>();
    playNextButton->setUseVirtCoordPos(false, false);
    playNextButton->setUseVirtCoordDim(false, false);
    playNextButton->setText(Frontend::text("levelselectplaygame"));
    playNextButton->setTooltip(true, Frontend::text("levelselectplaygametip"));
    playNextButton->setPixAlPos(40, 55);
    playNextButton->setPixWidth(150);
    playNextButton->setPixHeight(50);
    playNextButton->setAlign(kAlignRight, kAlignBottom);
    playNextButton->setAlwaysOnTop(true);
    playNextButton->setListener(this);
    addWindow(playNextButton.get());

    timePanel = std::make_unique<WGUI::Window>();
    timePanel->setUseVirtCoordPos(false, false);
    timePanel->setUseVirtCoordDim(false, false);
    timePanel->setPixAlPos(420, 500);
    timePanel->setPixWidth(130);
    timePanel->setPixHeight(200);
    timePanel->setAlign(kAlignLeft, kAlignTop);
    addWindow(timePanel.get());

    const char* const captionKeys[4] = {"levelselecttimeleft", "levelselectgoldtime", "levelselectsilvertime",
                                        "levelselectbronzetime"};
    const double r = 0.06, g = 0.11, b = 0.36;
    for (int row = 0; row < 4; ++row)
    {
        captions.set(row, makeLabel(timePanel.get(), Frontend::text(captionKeys[row]), 0, 20 * row,
                                    kAlignRight, kAlignTop, r, g, b, 1.0));
        values.set(row, makeLabel(this, str(""), 560, 500 + 20 * row, kAlignLeft, kAlignTop, r, g, b, 1.0));
    }
    title = makeLabel(this, str(""), 180, 10, kAlignCenter, kAlignTop, 0.06, 0.11, 0.365, 1.0);

    buttonMap = WGUI::ImageMaps::get("gui");
    medalMap = WGUI::ImageMaps::get("medal");
    highlightMap = buttonMap;

    for (const LevelPlace& place : kLevelPlaces)
        addLevelButton(place.file, place.x, place.y);

    textOverlay = std::make_unique<WGUI::TextOverlay>("levelselecttextoverlay.xml");
}

LevelSelect::~LevelSelect() = default;

void LevelSelect::addLevelButton(const str& levelFile, int x, int y)
{
    auto button = std::make_unique<WGUI::GraphicButton>();
    button->setGraphic(buttonMap, kCellUp, kCellDown, kCellOver, kCellDisabled);
    button->setUseVirtCoordPos(false, false);
    button->setUseVirtCoordDim(false, false);
    button->setPixAlPos(x - 13, y - 13);
    button->setAlign(kAlignLeft, kAlignTop);
    if (buttonMap)
    {
        if (const WGUI::Cell* cell = buttonMap->getCellAt(kCellUp))
        {
            button->setPixWidth(cell->getWidth());
            button->setPixHeight(cell->getHeight());
        }
    }
    button->setListener(this);
    button->setName(levelFile);
    addWindow(button.get());
    levelButtons.push_back(std::make_unique<LevelButton>(levelFile, std::move(button)));
}

void LevelSelect::setMode(LevelMode m)
{
    mode = m;
    if (!title)
        return;
    switch (mode)
    {
    case LevelMode::kCasual: title->setText(Frontend::text("levelselectcasual")); break;
    case LevelMode::kTimed: title->setText(Frontend::text("levelselectnormal")); break;
    case LevelMode::kEndurance: title->setText(str("")); break;
    }
}

void LevelSelect::calculateLevelButtonStates()
{
    firstOpenLevel = -1;
    bool first = true;
    LevelProgress* progress = LevelProgress::instance();
    const bool allLevels = Cheats::instance()->getAllLevels();
    for (int i = 0; i < getNumLevelButtons(); ++i)
    {
        LevelButton* lb = levelButtons[i].get();
        lb->completed = false;
        if (mode == LevelMode::kTimed)
        {
            if (!progress->getProgressVars(LevelMode::kTimed, lb->levelFile, lb->completed, lb->bestTime))
            {
                lb->completed = false;
                lb->bestTime = 0;
            }
            lb->calculateMedal();
        }
        else
        {
            if (!progress->getProgressVars(LevelMode::kCasual, lb->levelFile, lb->completed, lb->bestTime))
            {
                lb->completed = false;
                lb->bestTime = 0;
            }
        }

        if (!lb->completed && !allLevels)
        {
            if (first)
            {
                firstOpenLevel = i;
                lb->button->enable();
                first = false;
            }
            else
            {
                lb->button->disable();
            }
        }
        else
        {
            lb->button->enable();
        }
    }
}

void LevelSelect::setNextLevelToLastAvailable()
{
    highlightedLevel = firstOpenLevel >= 0 ? firstOpenLevel : 0;
}

void LevelSelect::setNextLevelAfter(const str& levelFile)
{
    for (int i = 0; i < getNumLevelButtons(); ++i)
    {
        if (levelButtons[i]->levelFile != levelFile)
            continue;
        if (Cheats::instance()->allowLevelToCount())
        {
            highlightedLevel = i + 1;
        }
        else
        {
            // The result was not saved, so the next level may still be locked: stay on this
            // one rather than highlight a level that cannot be started.
            LevelButton* next = getLevelButton(i + 1);
            if (next && next->button->isEnabled())
                highlightedLevel = i + 1;
            else if (next)
                highlightedLevel = i;
            else
                highlightedLevel = i + 1;
        }
        if (highlightedLevel >= kNumLevels)
            highlightedLevel = 0;
        return;
    }
}

void LevelSelect::setTransitionToLevel(const str& levelFile, LevelMode levelMode, WGUI::Window* from)
{
    if (levelFile.empty())
        return;
    WGUI::Window* gameWindow = screen(Screen::kGame);
    // Without a play screen there is nothing to start: the menus stay as they are.
    if (!gameWindow || !WGUI::Manager::hasInstance())
        return;

    // A level file that does not load would open an empty level that never ends: the player
    // stays on the screen they chose it from and is told (the play screen logged the reason).
    if (!play.loadLevel(gameWindow, levelFile, levelMode))
    {
        WriteDbg("Level %s was not started: it could not be loaded\n", levelFile.c_str());
        if (NoticeWindow* notice = screenOf<NoticeWindow>())
            notice->showNotice(Frontend::text("levelloadfailedtitle"),
                               Frontend::text("levelloadfailed", levelFile));
        return;
    }

    if (from)
    {
        bringToFront(from);
        leaveScreen(from, makeTransition(WGUI::Transition::kOpacityOut, WGUI::Transition::kNone, 270, 0.5));
    }

    IntroLoop::instance()->stopFade(0.3);

    MusicSystem* music = MusicSystem::instance();
    if (play.levelFirstSongOnly(gameWindow))
        music->jukePlayOnly(0);
    else
        music->jukePlayAll();
    music->setJukeboxOn(true);

    // The comic shows the level's opening pages, then starts the play screen.
    Arrival opening;
    opening.from = Screen::kLevelSelect;
    opening.sender = from;
    opening.mode = levelMode;
    opening.levelFile = levelFile;
    opening.playScreen = gameWindow;
    if (!play.levelHasInitialComic(gameWindow) || !showScreen(Screen::kComic, opening))
    {
        showScreen(gameWindow);
        play.setPaused(gameWindow, false);
    }
}

void LevelSelect::arrive(const Arrival& arrival)
{
    if (arrival.from == Screen::kMainMenu || arrival.from == Screen::kEnterName)
    {
        if (arrival.mode)
            setMode(*arrival.mode);
        calculateLevelButtonStates();
        setNextLevelToLastAvailable();
    }
    else if (arrival.from == Screen::kVictory)
    {
        calculateLevelButtonStates();
        setNextLevelAfter(arrival.levelFile);
    }
}

void LevelSelect::writeMedalFromLevels()
{
    WGUI::Window* gameWindow = screen(Screen::kGame);
    if (!gameWindow)
    {
        WriteDbg("Medal times not rebuilt: there is no play screen\n");
        return;
    }
    MedalTimes* table = MedalTimes::instance();
    for (const std::unique_ptr<LevelButton>& lb : levelButtons)
    {
        int timeLimit = 0, gold = 0, silver = 0, bronze = 0;
        if (!play.loadLevel(gameWindow, lb->levelFile, LevelMode::kTimed) ||
            !play.getLevelTimes(gameWindow, timeLimit, gold, silver, bronze))
        {
            WriteDbg("Medal times: level %s did not load; its entry is kept\n", lb->levelFile.c_str());
            continue;
        }
        table->setLevelTimes(lb->levelFile, timeLimit, gold, silver, bronze);
    }
    if (table->writeXML() != 0)
        WriteDbg("Medal times could not be written to %s: %s\n", table->getFilePath().c_str(),
                 TFile::LastSaveErrorText().c_str());
}

void LevelSelect::buttonReleased(WGUI::Button* button)
{
    if (!button)
        return;
    if (button == backButton.get())
    {
        leaveScreen(this, makeTransition(WGUI::Transition::kFadeToColour, WGUI::Transition::kNone, 0, 0.5));
        bringToFront(goToScreen(Screen::kMainMenu, makeTransition(WGUI::Transition::kOpacityIn,
                                                                  WGUI::Transition::kNone, 90, 0.5)));
        return;
    }
    if (button == playNextButton.get())
    {
        if (highlightedLevel >= 0 && highlightedLevel < kNumLevels)
            if (LevelButton* lb = getLevelButton(highlightedLevel))
                setTransitionToLevel(lb->levelFile, mode, this);
        return;
    }
    for (const std::unique_ptr<LevelButton>& lb : levelButtons)
    {
        if (lb->button.get() == button)
        {
            setTransitionToLevel(button->getName(), mode, this);
            return;
        }
    }
}

void LevelSelect::updateTimePanel()
{
    LevelButton* hovered = nullptr;
    if (mode == LevelMode::kTimed)
    {
        // The last button in list order that is over or down supplies the values.
        for (const std::unique_ptr<LevelButton>& lb : levelButtons)
        {
            const int state = lb->button->getState();
            if (state == WGUI::Button::kOver || state == WGUI::Button::kDown)
                hovered = lb.get();
        }
    }
    const bool show = hovered != nullptr;
    for (int row = 0; row < 4; ++row)
    {
        captions[row]->setVisible(show);
        values[row]->setVisible(show);
    }
    if (!hovered)
        return;
    // Shown as the time left on the level's clock. A level without medal times shows "-".
    const str none("-");
    if (hovered->completed && hovered->hasMedalTimes)
        values[0]->setText(WGUI::intToTime(hovered->timeLimit - hovered->bestTime));
    else
        values[0]->setText(none);
    if (hovered->hasMedalTimes)
    {
        values[1]->setText(WGUI::intToTime(hovered->timeLimit - hovered->goldTime));
        values[2]->setText(WGUI::intToTime(hovered->timeLimit - hovered->silverTime));
        values[3]->setText(WGUI::intToTime(hovered->timeLimit - hovered->bronzeTime));
    }
    else
    {
        values[1]->setText(none);
        values[2]->setText(none);
        values[3]->setText(none);
    }
}

void LevelSelect::updateFlash()
{
    if (WGUI::Transition* t = getTransition())
    {
        if (t->isIn())
        {
            flashValue = 0;
            flashRising = true;
        }
        else
        {
            flashRising = false;
        }
    }
    const double step = kFlashRate * WGUI::Timer::instance()->getDeltaT();
    if (flashRising)
    {
        flashValue += step;
        if (flashValue >= 1.0)
        {
            flashValue = 1.0;
            flashRising = false;
        }
    }
    else
    {
        flashValue -= step;
        if (flashValue <= 0.0)
        {
            flashValue = 0.0;
            flashRising = true;
        }
    }
}

void LevelSelect::updateSelf()
{
    updateTimePanel();
    updateFlash();
    WGUI::Window::updateSelf();
}

void LevelSelect::draw()
{
    const int left = getLeft(), top = getTop();
    const double alpha = getOpacity();
    background.draw(left, top, static_cast<float>(alpha));
    if (textOverlay)
        textOverlay->draw(left, top, alpha);

    if (highlightMap && highlightedLevel >= 0)
    {
        if (LevelButton* lb = getLevelButton(highlightedLevel))
        {
            highlightMap->setCell(highlightCell);
            highlightMap->setClip(false, 0, 0, 0, 0);
            const WGUI::Window* b = lb->button.get();
            const int x = (b->getLeft() + b->getRight()) / 2 - highlightMap->getCellWidth() / 2;
            const int y = (b->getTop() + b->getBottom()) / 2 - highlightMap->getCellHeight() / 2;
            highlightMap->blitAlphaRectFx(x, y, 0.0f, 1.0f, static_cast<float>(alpha * flashValue), false,
                                          false);
        }
    }
    WGUI::Window::draw();
}

void LevelSelect::messageBecomeVisible()
{
    background.hold();
}

void LevelSelect::messageBecomeInvisible()
{
    background.release();
}

void LevelSelect::drawBetweenWindowAndTransition()
{
    if (mode != LevelMode::kTimed || !medalMap)
        return;
    const int left = getLeft(), top = getTop();
    const float alpha = static_cast<float>(getOpacity());
    for (const std::unique_ptr<LevelButton>& lb : levelButtons)
    {
        if (lb->medal < MedalTimes::kGold || lb->medal >= MedalTimes::kNone)
            continue;
        const int d = lb->button->getState() == WGUI::Button::kDown ? 6 : 5;
        medalMap->setCell(kMedalCellFirst + lb->medal);
        medalMap->blitAlphaRectFx(left + lb->button->getPixPosX() + d, top + lb->button->getPixPosY() + d,
                                  0.0f, 1.0f, alpha, false, false);
    }
}

}  // namespace Game

// The endurance menu: its three level buttons, opened in turn by progress, and their level starts.
#include "endurancemenu.h"

#include "frontendutil.h"
#include "levelselect.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_imagemap.h"
#include "wgui_label.h"
#include "wgui_manager.h"
#include "wgui_shapes.h"
#include "wgui_transition.h"

namespace Game
{

namespace
{

const int kLevelX[3] = {20, 168, 316};
const char* const kNameKeys[3] = {"enduranceamoeba", "enduranceocean", "endurancecluster"};

}  // namespace

EnduranceMenu::EnduranceMenu() : WGUI::FancyWindow(true, Frontend::text("endurancetitle"))
{
    setName(screenName(kScreen));
    setTitle(Frontend::text("endurancetitle"));
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(464);
    setPixHeight(260);
    setAlign(kAlignCenter, kAlignCenter);
    setFillOutside(true);
    setAlwaysActive(false);
    setMouseMoveToTop(false);

    backButton = std::make_unique<WGUI::TextButton>();
    backButton->setUseVirtCoordPos(false, false);
    backButton->setUseVirtCoordDim(false, false);
    backButton->setText(Frontend::text("mainmenu"));
    backButton->setTooltip(true, Frontend::text("mainmenutip"));
    backButton->setPixAlPos(20, 20);
    backButton->setAlign(kAlignRight, kAlignBottom);
    backButton->setPixWidth(100);
    backButton->setPixHeight(30);
    backButton->setListener(this);
    addWindow(backButton.get());

    WGUI::ImageMap* map = WGUI::ImageMaps::get("endurancebuttons");
    buttonPictures = map;
    std::unique_ptr<WGUI::GraphicButton>* buttons[3] = {&amoebaButton, &fishButton, &clusterButton};
    const char* const statusKeys[3] = {"complete", "incomplete", "incomplete"};
    for (int i = 0; i < 3; ++i)
    {
        *buttons[i] = std::make_unique<WGUI::GraphicButton>();
        WGUI::GraphicButton* b = buttons[i]->get();
        // One picture for every state: the colours tell open from closed.
        b->setGraphic(map, i, i, i, i);
        b->setUseVirtCoordPos(false, false);
        b->setUseVirtCoordDim(false, false);
        b->setPixAlPos(kLevelX[i], 30);
        b->setAlign(kAlignLeft, kAlignTop);
        if (map)
        {
            if (const WGUI::Cell* cell = map->getCellAt(i))
            {
                b->setPixWidth(cell->getWidth());
                b->setPixHeight(cell->getHeight());
            }
        }
        b->setShiftOnDown(1, 1);
        b->setDisabledColor(1.0, 1.0, 1.0, 0.5);
        b->setUpColor(0.8, 0.8, 0.8, 1.0);
        b->setListener(this);
        addWindow(b);

        nameLabels.set(i, std::make_unique<WGUI::Label>());
        nameLabels[i]->setUseVirtCoordPos(false, false);
        nameLabels[i]->setText(Frontend::text(kNameKeys[i]));
        nameLabels[i]->setPixAlPos(kLevelX[i], 160);
        nameLabels[i]->setAlign(kAlignLeft, kAlignTop);
        nameLabels[i]->setColour(labelR, labelG, labelB, 1.0);
        addWindow(nameLabels[i]);
    }
    for (int i = 0; i < 3; ++i)
    {
        statusLabels.set(i, std::make_unique<WGUI::Label>());
        statusLabels[i]->setUseVirtCoordPos(false, false);
        statusLabels[i]->setText(Frontend::text(statusKeys[i]));
        statusLabels[i]->setPixAlPos(kLevelX[i], 180);
        statusLabels[i]->setAlign(kAlignLeft, kAlignTop);
        statusLabels[i]->setColour(labelR, labelG, labelB, 1.0);
        addWindow(statusLabels[i]);
    }
}

EnduranceMenu::~EnduranceMenu() = default;

void EnduranceMenu::setLevelOpen(int i, bool open)
{
    WGUI::GraphicButton* buttons[3] = {amoebaButton.get(), fishButton.get(), clusterButton.get()};
    if (open)
        buttons[i]->enable();
    else
        buttons[i]->disable();
    const double a = open ? 1.0 : disabledAlpha;
    nameLabels[i]->setColour(labelR, labelG, labelB, a);
    statusLabels[i]->setColour(labelR, labelG, labelB, a);
}

void EnduranceMenu::enableAmoeba()
{
    setLevelOpen(0, true);
}
void EnduranceMenu::enableFish()
{
    setLevelOpen(1, true);
}
void EnduranceMenu::enableCluster()
{
    setLevelOpen(2, true);
}
void EnduranceMenu::disableFish()
{
    setLevelOpen(1, false);
}
void EnduranceMenu::disableCluster()
{
    setLevelOpen(2, false);
}

void EnduranceMenu::arrive(const Arrival& arrival)
{
    if (arrival.from == Screen::kMainMenu || arrival.from == Screen::kEnterName ||
        arrival.from == Screen::kVictory)
        calculateLevelButtonStates();
}

void EnduranceMenu::calculateLevelButtonStates()
{
    LevelProgress* progress = LevelProgress::instance();
    int bestTime = 0;
    bool* flags[3] = {&amoebaCompleted, &fishCompleted, &clusterCompleted};
    const char* const files[3] = {kAmoebaLevel, kFishLevel, kClusterLevel};
    for (int i = 0; i < 3; ++i)
    {
        *flags[i] = false;
        if (!progress->getProgressVars(LevelMode::kEndurance, files[i], *flags[i], bestTime))
            *flags[i] = false;
    }

    const str complete = Frontend::text("complete");
    const str incomplete = Frontend::text("incomplete");
    for (int i = 0; i < 3; ++i)
        statusLabels[i]->setText(*flags[i] ? complete : incomplete);

    if (fishCompleted || clusterCompleted)
    {
        enableAmoeba();
        enableFish();
        enableCluster();
    }
    else if (amoebaCompleted)
    {
        enableAmoeba();
        enableFish();
        disableCluster();
    }
    else
    {
        enableAmoeba();
        disableFish();
        disableCluster();
    }

    if (Cheats::instance()->getAllLevels())
    {
        enableAmoeba();
        enableFish();
        enableCluster();
    }
}

void EnduranceMenu::setTransitionToLevel(const str& levelFile)
{
    if (LevelSelect* select = screenOf<LevelSelect>())
        select->setTransitionToLevel(levelFile, LevelMode::kEndurance, this);
}

void EnduranceMenu::buttonReleased(WGUI::Button* button)
{
    if (!button)
        return;
    if (button == backButton.get())
    {
        leaveScreen(this, makeTransition(WGUI::Transition::kOpacityOut, WGUI::Transition::kNone, 0, 0.5));
        bringToFront(goToScreen(Screen::kMainMenu, makeTransition(WGUI::Transition::kOpacityIn,
                                                                  WGUI::Transition::kNone, 90, 0.5)));
    }
    else if (button == amoebaButton.get())
    {
        setTransitionToLevel(kAmoebaLevel);
    }
    else if (button == fishButton.get())
    {
        setTransitionToLevel(kFishLevel);
    }
    else if (button == clusterButton.get())
    {
        setTransitionToLevel(kClusterLevel);
    }
}

// The buttons' pictures (a 256 x 256 texture) are held only while the menu shows, as the
// screens' background pictures are; a draw without them (a menu made visible and never hidden)
// holds them first.
void EnduranceMenu::holdButtonPictures()
{
    if (buttonPictures && !buttonPictures->isImageLoaded())
        buttonPictures->hold();
}

bool EnduranceMenu::holdsButtonPictures() const
{
    return buttonPictures && buttonPictures->isImageLoaded();
}

void EnduranceMenu::messageBecomeVisible()
{
    holdButtonPictures();
}

void EnduranceMenu::messageBecomeInvisible()
{
    if (buttonPictures)
        buttonPictures->release();
}

void EnduranceMenu::draw()
{
    holdButtonPictures();
    WGUI::Shapes::drawFillRect(getLeft(), getTop(), getRight(), getBottom(), WGUI::Manager::getDefaultBackR(),
                               WGUI::Manager::getDefaultBackG(), WGUI::Manager::getDefaultBackB(),
                               getOpacity());
    WGUI::FancyWindow::draw();
}

}  // namespace Game

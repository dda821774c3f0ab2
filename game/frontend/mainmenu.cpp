// The main menu: its panels, buttons and sparkles, and the routes its buttons take.
#include "mainmenu.h"

#include <string>

#include "frontendutil.h"
#include "playscreenaccess.h"
#include "profilewindows.h"
#include "screenlinks.h"
#include "services/eatenentities.h"
#include "services/navigation.h"
#include "services/particles.h"
#include "services/profiles.h"
#include "wgui_button.h"
#include "wgui_fancywindow.h"
#include "wgui_imagemap.h"
#include "wgui_label.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

namespace Game
{

namespace
{

struct MenuButtonSpec
{
    const char* textKey;
    const char* tipKey;
    const char* icon;  // null: no icon
    double x, y, w, h;
    int alignH, alignV;
};

const MenuButtonSpec kMenuButtons[MainMenu::kNumMenuButtons] = {
    {"playgame", "playgametip", "playbuttongraphic", 0.1, 0.1, 0.8, 0.24, WGUI::Window::kAlignCenter,
     WGUI::Window::kAlignTop},
    {"casualmode", "casualmodetip", "chairicon", 0.1, 0.35, 0.8, 0.12, WGUI::Window::kAlignCenter,
     WGUI::Window::kAlignTop},
    {"endurance", "endurancetip", "enduranceicon", 0.1, 0.48, 0.8, 0.12, WGUI::Window::kAlignCenter,
     WGUI::Window::kAlignTop},
    {"gallery", "gallerytip", nullptr, 0.1, 0.23, 0.395, 0.12, WGUI::Window::kAlignLeft,
     WGUI::Window::kAlignBottom},
    {"options", "optionstip", nullptr, 0.1, 0.23, 0.395, 0.12, WGUI::Window::kAlignRight,
     WGUI::Window::kAlignBottom},
    {"exit", "exittip", nullptr, 0.1, 0.1, 0.8, 0.12, WGUI::Window::kAlignRight, WGUI::Window::kAlignBottom},
};

struct SparkleSpec
{
    double x, y, rate, size, speed;
};

const SparkleSpec kSparkles[MainMenu::kNumSparkles] = {
    {157, -94, 2.5, 100, 1.5},
    {173, 176, 5, 50, 1.5},
    {-261, -237, 3, 100, 1.5},
    {-360, 60, 4, 100, 1.5},
};

void placePixels(WGUI::Window* w, int x, int y, int width, int height, int alignH, int alignV)
{
    w->setUseVirtCoordPos(false, false);
    w->setUseVirtCoordDim(false, false);
    w->setPixAlPos(x, y);
    w->setPixWidth(width);
    w->setPixHeight(height);
    w->setAlign(alignH, alignV);
}

}  // namespace

str MainMenu::versionText(const str& version)
{
    // The dotted version with a comma and a blank between its numbers.
    std::string numbers;
    for (const char* c = version.c_str(); *c; ++c)
    {
        if (*c == '.')
            numbers += ", ";
        else
            numbers += *c;
    }
    return str(("Version: " + numbers + " Zestkit ").c_str());
}

MainMenu::MainMenu(PlayScreenAccess& play) : play(play)
{
    Frontend::setUpScreen(this, screenName(kScreen), 800, 600);
    setFillOutside(true);
    setSpriteLeft(-400);
    setSpriteRight(400);
    setSpriteTop(-300);
    setSpriteBottom(300);

    menuPanel = std::make_unique<WGUI::Window>();
    placePixels(menuPanel.get(), 10, 10, 250, 270, kAlignLeft, kAlignBottom);
    menuPanel->setAlwaysOnTop(true);
    addWindow(menuPanel.get());

    menuBackdrop = std::make_unique<WGUI::FancyWindow>(false, str(""));
    placePixels(menuBackdrop.get(), 10, 10, 250, 270, kAlignLeft, kAlignBottom);
    menuBackdrop->setOpacitySelf(0.85);
    menuBackdrop->setMouseMoveToTop(false);
    addWindow(menuBackdrop.get());

    profilePanel = std::make_unique<WGUI::Window>();
    placePixels(profilePanel.get(), 10, 10, 360, 55, kAlignRight, kAlignBottom);
    profilePanel->setAlwaysOnTop(true);
    profilePanel->setVisible(false);
    addWindow(profilePanel.get());

    profileBackdrop = std::make_unique<WGUI::FancyWindow>(false, str(""));
    placePixels(profileBackdrop.get(), 10, 10, 360, 55, kAlignRight, kAlignBottom);
    profileBackdrop->setOpacitySelf(0.85);
    profileBackdrop->setMouseMoveToTop(false);
    profileBackdrop->setVisible(false);
    addWindow(profileBackdrop.get());

    welcomeBox = std::make_unique<WGUI::Window>();
    placePixels(welcomeBox.get(), 10, 10, 205, 40, kAlignLeft, kAlignCenter);
    welcomeBox->setAlwaysOnTop(true);
    profilePanel->addWindow(welcomeBox.get());

    for (int i = 0; i < kNumMenuButtons; ++i)
    {
        const MenuButtonSpec& spec = kMenuButtons[i];
        WGUI::TextButton* b = buttons.set(i, std::make_unique<WGUI::TextButton>());
        b->setText(Frontend::text(spec.textKey));
        b->setTooltip(true, Frontend::text(spec.tipKey));
        if (spec.icon)
        {
            b->setIconImageMap(WGUI::ImageMaps::get(spec.icon));
            b->setIconImageMapCell(0);
        }
        b->setUseVirtCoordPos(true, true);
        b->setUseVirtCoordDim(true, true);
        b->setVirtAlPos(spec.x, spec.y);
        b->setVirtSize(spec.w, spec.h);
        b->setAlign(spec.alignH, spec.alignV);
        b->setListener(this);
        menuPanel->addWindow(b);
    }

    WGUI::TextButton* change = buttons.set(kChangePlayer, std::make_unique<WGUI::TextButton>());
    change->setText(Frontend::text("changeplayer"));
    change->setTooltip(false, str(""));
    placePixels(change, 10, 30, 125, 30, kAlignRight, kAlignCenter);
    change->setListener(this);
    profilePanel->addWindow(change);

    welcomeLabel = std::make_unique<WGUI::Label>();
    welcomeLabel->setUseVirtCoordPos(false, false);
    welcomeLabel->setPixAlPos(10, 30);
    welcomeLabel->setAlign(kAlignCenter, kAlignCenter);
    welcomeLabel->setColour(0, 0, 0, 1);
    welcomeBox->addWindow(welcomeLabel.get());

    versionLabel = std::make_unique<WGUI::Label>();
    versionLabel->setUseVirtCoordPos(false, false);
    versionLabel->setText(versionText(Frontend::gameVersion()));
    versionLabel->setPixAlPos(70, 300);
    versionLabel->setAlign(kAlignLeft, kAlignTop);
    versionLabel->setAlwaysOnTop(true);
    versionLabel->setVisible(false);
    addWindow(versionLabel.get());

    for (int i = 0; i < kNumSparkles; ++i)
        sparkles.set(i, std::make_unique<Sparkle>(this, kSparkles[i].x, kSparkles[i].y, kSparkles[i].rate,
                                                  kSparkles[i].size, kSparkles[i].speed));
}

MainMenu::~MainMenu() = default;

void MainMenu::setVersionVisible(bool visible)
{
    versionLabel->setVisible(visible);
}

bool MainMenu::changeTo(Screen target, Arrival arrival)
{
    if (!WGUI::Manager::hasInstance())
        return false;
    arrival.from = Screen::kMainMenu;
    arrival.sender = this;
    if (!goToScreen(target,
                    makeTransition(WGUI::Transition::kFadeFromColour, WGUI::Transition::kNone, 0, 0.5),
                    arrival))
        return false;
    leaveScreen(this, makeTransition(WGUI::Transition::kOpacityOut, WGUI::Transition::kNone, 0, 0.5));
    bringToFront(this);
    return true;
}

WGUI::Window* MainMenu::openOver(Screen dialog)
{
    return openDialog(
        dialog, makeTransition(WGUI::Transition::kSlideIn, WGUI::Transition::kOpacityIn, 90, 0.3), this);
}

void MainMenu::openNameEntry(int code)
{
    if (!openOver(Screen::kEnterName))
        return;
    if (EnterNameWindow* names = screenOf<EnterNameWindow>())
    {
        names->setFromButton(code);
        names->setPlayerName("");
    }
}

void MainMenu::buttonReleased(WGUI::Button* button)
{
    if (!button || !WGUI::Manager::hasInstance())
        return;
    // Nothing is taken while the name entry is still sliding in or out.
    if (screenInTransition(Screen::kEnterName))
        return;
    const bool hasProfile = Profiles::instance()->hasActiveProfile();

    int index = -1;
    for (int i = 0; i < kNumButtons; ++i)
        if (buttons[i] == button)
            index = i;
    if (index < 0)
        return;

    if (index <= kOptions && !hasProfile)
    {
        openNameEntry(index);
        return;
    }

    switch (index)
    {
    case kPlay:
    case kCasual:
    {
        // The level selection takes the mode and recomputes its buttons as it is gone to.
        Arrival arrival;
        arrival.mode = index == kPlay ? LevelMode::kTimed : LevelMode::kCasual;
        changeTo(Screen::kLevelSelect, arrival);
        break;
    }
    case kEndurance: changeTo(Screen::kEndurance); break;
    case kGallery:
    {
        // The gallery shows the active profile's totals as they are now.
        if (TotalEntitiesEaten* totals = screens::totals(play))
            totals->copyActiveToGallery();
        changeTo(Screen::kGallery);
        break;
    }
    case kOptions: changeTo(Screen::kOptions); break;
    case kExit: openOver(Screen::kConfirmExit); break;
    case kChangePlayer:
    {
        if (!changeTo(Screen::kChangePlayer))
            return;
        if (ChangePlayerWindow* c = screenOf<ChangePlayerWindow>())
        {
            c->loadPlayerButtons();
            c->setSelectedToActive();
        }
        break;
    }
    default: break;
    }
}

void MainMenu::updateSelf()
{
    WGUI::Window::updateSelf();
    Profiles* profiles = Profiles::instance();
    const bool hasProfile = profiles->hasActiveProfile();
    profilePanel->setVisible(hasProfile);
    profileBackdrop->setVisible(hasProfile);
    // The welcome is made again only for another player (or when the menu shows again), not
    // at every frame.
    if (hasProfile && (!welcomeMade || welcomeFor != profiles->getActiveProfile()))
    {
        welcomeFor = profiles->getActiveProfile();
        welcomeMade = true;
        welcomeLabel->setText(Frontend::text("profilewelcome", welcomeFor));
    }
    for (Sparkle* s : sparkles)
        s->update();
}

void MainMenu::draw()
{
    titlePicture.draw(getLeft(), getTop(), static_cast<float>(getOpacity()));
    WGUI::Window::draw();
}

void MainMenu::messageBecomeVisible()
{
    welcomeMade = false;
    titlePicture.hold();
}

void MainMenu::messageBecomeInvisible()
{
    titlePicture.release();
}

void MainMenu::drawBetweenWindowAndTransition()
{
    for (Sparkle* s : sparkles)
        s->draw(getOpacity());
}

}  // namespace Game

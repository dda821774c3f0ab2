// The main menu, the hub of the front end: play (timed), casual, endurance, gallery, options and
// exit, and, while a profile is active, a greeting with the change-player button. Without an
// active profile the first five buttons ask for a name first.
#pragma once

#include <memory>

#include "foundation/str.h"
#include "screenpicture.h"
#include "services/navigation.h"
#include "wgui_owned.h"
#include "wgui_window.h"

namespace WGUI
{
class TextButton;
class Label;
class FancyWindow;
}  // namespace WGUI

namespace Game
{

class PlayScreenAccess;

class Sparkle;

class MainMenu : public WGUI::Window, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kMainMenu;
    // The buttons, in order (getButton). The first five lead to screens that need a profile,
    // and their indices are also the name-entry codes of those routes.
    enum
    {
        kPlay = 0,
        kCasual = 1,
        kEndurance = 2,
        kGallery = 3,
        kOptions = 4,
        kExit = 5,
        kChangePlayer = 6,
        kNumButtons = 7,
        kNumMenuButtons = 6,  // the menu panel's: play to exit
    };
    static constexpr int kNumSparkles = 4;
    // The version label's text for a version such as "1.2.0.0": "Version: 1, 2, 0, 0 Zestkit ",
    // the trailing blank included.
    static str versionText(const str& version);

    // The play screen is reached through play.
    explicit MainMenu(PlayScreenAccess& play);
    ~MainMenu() override;

    void transitionFinished(bool) override {}
    void updateSelf() override;
    void drawBetweenWindowAndTransition() override;
    void draw() override;
    void messageBecomeVisible() override;
    void messageBecomeInvisible() override;
    void messageMouseMove(int x, int y, int button, bool moved) override
    {
        WGUI::Window::messageMouseMove(x, y, button, moved);
    }
    void buttonReleased(WGUI::Button* button) override;

    void setVersionVisible(bool visible);

    WGUI::TextButton* getButton(int i) const { return (i >= 0 && i < kNumButtons) ? buttons[i] : nullptr; }
    WGUI::Label* getWelcomeLabel() const { return welcomeLabel.get(); }
    WGUI::Label* getVersionLabel() const { return versionLabel.get(); }
    bool holdsTitlePicture() const { return titlePicture.isHeld(); }
    WGUI::Window* getProfilePanel() const { return profilePanel.get(); }
    WGUI::FancyWindow* getProfileBackdrop() const { return profileBackdrop.get(); }
    WGUI::Window* getMenuPanel() const { return menuPanel.get(); }

private:
    PlayScreenAccess& play;  // not owned
    // Fades the target in and this screen out on top; false when there is no target. The target
    // is told it comes from the main menu, with the arrival given.
    bool changeTo(Screen target, Arrival arrival = Arrival());
    // Opens a dialog over this screen, which stays visible beneath it; null without the dialog.
    WGUI::Window* openOver(Screen dialog);
    void openNameEntry(int code);

    str welcomeFor;            // the player the welcome label was made for
    bool welcomeMade = false;  // since the menu last became visible
    ScreenPicture titlePicture{"titlescreen.png.xml"};

    // The screen's own children, deleted last declared first: sparkles first, the menu panel last.
    std::unique_ptr<WGUI::Window> menuPanel;
    std::unique_ptr<WGUI::FancyWindow> menuBackdrop;
    std::unique_ptr<WGUI::Window> profilePanel;
    std::unique_ptr<WGUI::FancyWindow> profileBackdrop;
    std::unique_ptr<WGUI::Window> welcomeBox;
    // play, casual, endurance, gallery, options, exit, change player
    WGUI::OwnedArray<WGUI::TextButton, kNumButtons> buttons;
    std::unique_ptr<WGUI::Label> welcomeLabel;
    std::unique_ptr<WGUI::Label> versionLabel;
    WGUI::OwnedArray<Sparkle, kNumSparkles> sparkles;
};

}  // namespace Game

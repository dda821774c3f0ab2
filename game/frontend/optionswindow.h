// OptionsWindow ("optionswindow"): the options dialog over the main menu or the pause dialog.
// It edits full screen, the goo's steering speed and the two volumes, keeps a display-mode list,
// a colour-depth box and a gamepad box hidden, leads on to the cheat toggles and the medal
// submission, and saves on its one way out.
#pragma once

#include <memory>

#include <vector>

#include "screenlinks.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_fancywindow.h"
#include "wgui_label.h"
#include "wgui_scroll.h"
#include "wgui_slider.h"

namespace Game
{

struct DisplayMode
{
    int width = 0, height = 0;  // pixels
    bool has16 = false, has32 = false;
};

class OptionsWindow : public WGUI::FancyWindow, public WGUI::Listener, public Destination
{
public:
    static constexpr Screen kScreen = Screen::kOptions;
    enum
    {
        kFromPause = 0,
        kFromMainMenu = 1
    };
    static const int kMaxModes = 25;

    OptionsWindow();
    ~OptionsWindow() override;

    DIALOG_CLAIMS_MOUSE(WGUI::FancyWindow)
    void updateSelf() override;
    void draw() override;
    void messageBecomeVisible() override;
    void buttonReleased(WGUI::Button* b) override;
    void sliderValueChanged(WGUI::Slider* s) override;
    // Remembers where to go back to: the pause dialog, or the main menu (from the name entry).
    void arrive(const Arrival& arrival) override;

    void setFromWindow(int from);
    int getFromWindow() const { return fromWindow; }
    WGUI::Label* getVersionLabel() const { return version.get(); }
    void setFullScreenCheckBox();
    void setCoveredInfront(bool covered) { coveredInfront = covered; }
    bool isCoveredInfront() const { return coveredInfront; }
    void transitionOptionsToPrevious();
    void saveOptions();
    void setMedalsButtonVisibility();
    void rebuildDisplayModes();
    void addDisplayMode(int width, int height, int depth);

    const std::vector<DisplayMode>& getModes() const { return modes; }
    WGUI::TextButton* getOkButton() const { return ok.get(); }
    WGUI::TextButton* getCheatsButton() const { return cheats.get(); }
    WGUI::TextButton* getMedalsButton() const { return medals.get(); }
    WGUI::CheckBox* getFullScreenBox() const { return fullScreen.get(); }
    WGUI::CheckBox* getDepthBox() const { return depth32.get(); }
    WGUI::CheckBox* getGamepadBox() const { return gamepad.get(); }
    WGUI::Slider* getSteeringSlider() const { return steering.get(); }
    WGUI::Slider* getEffectsSlider() const { return effects.get(); }
    WGUI::Slider* getMusicSlider() const { return music.get(); }
    WGUI::ListBox* getModeList() const { return modeList.get(); }

private:
    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::Label> version;
    std::unique_ptr<WGUI::Label> musicCaption;
    std::unique_ptr<WGUI::Label> effectsCaption;
    std::unique_ptr<WGUI::Label> steeringCaption;
    std::unique_ptr<WGUI::Slider> music;
    std::unique_ptr<WGUI::Slider> effects;
    std::unique_ptr<WGUI::Slider> steering;
    std::unique_ptr<WGUI::CheckBox> gamepad;
    std::unique_ptr<WGUI::CheckBox> fullScreen;
    std::unique_ptr<WGUI::CheckBox> depth32;
    std::unique_ptr<WGUI::GroupBox> modeGroup;
    std::unique_ptr<WGUI::ListBox> modeList;
    std::unique_ptr<WGUI::TextButton> medals;
    std::unique_ptr<WGUI::TextButton> cheats;
    std::unique_ptr<WGUI::TextButton> ok;
    std::vector<DisplayMode> modes;
    bool coveredInfront = false;
    int fromWindow = kFromMainMenu;
};

// DisplayConfirmWindow ("displayconfirmwindow"): a notice that display changes need a restart.
// Built with the other screens; nothing opens it.
class DisplayConfirmWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kDisplayConfirm;
    DisplayConfirmWindow();
    ~DisplayConfirmWindow() override;
    void draw() override;
    void buttonReleased(WGUI::Button* b) override;
    WGUI::TextButton* getOkButton() const { return ok.get(); }
    WGUI::Label* getMessage() const { return message.get(); }

private:
    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::Label> message;
    std::unique_ptr<WGUI::TextButton> ok;
};

}  // namespace Game

// OptionsWindow ("optionswindow"): the options dialog over the main menu or the pause dialog.
// It edits full screen, the goo's steering speed and the two volumes, keeps a display-mode list,
// a colour-depth box and a gamepad box hidden, leads on to the cheat toggles and the medal
// submission, and saves on its one way out.
#pragma once

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
    WGUI::Label* getVersionLabel() const { return version; }
    void setFullScreenCheckBox();
    void setCoveredInfront(bool covered) { coveredInfront = covered; }
    bool isCoveredInfront() const { return coveredInfront; }
    void transitionOptionsToPrevious();
    void saveOptions();
    void setMedalsButtonVisibility();
    void rebuildDisplayModes();
    void addDisplayMode(int width, int height, int depth);

    const std::vector<DisplayMode>& getModes() const { return modes; }
    WGUI::TextButton* getOkButton() const { return ok; }
    WGUI::TextButton* getCheatsButton() const { return cheats; }
    WGUI::TextButton* getMedalsButton() const { return medals; }
    WGUI::CheckBox* getFullScreenBox() const { return fullScreen; }
    WGUI::CheckBox* getDepthBox() const { return depth32; }
    WGUI::CheckBox* getGamepadBox() const { return gamepad; }
    WGUI::Slider* getSteeringSlider() const { return steering; }
    WGUI::Slider* getEffectsSlider() const { return effects; }
    WGUI::Slider* getMusicSlider() const { return music; }
    WGUI::ListBox* getModeList() const { return modeList; }

private:
    WGUI::TextButton* ok;
    WGUI::TextButton* cheats;
    WGUI::TextButton* medals;
    WGUI::GroupBox* modeGroup;
    WGUI::ListBox* modeList;
    WGUI::CheckBox* depth32;
    WGUI::CheckBox* fullScreen;
    WGUI::CheckBox* gamepad;
    WGUI::Slider* steering;
    WGUI::Slider* effects;
    WGUI::Slider* music;
    WGUI::Label* steeringCaption;
    WGUI::Label* effectsCaption;
    WGUI::Label* musicCaption;
    WGUI::Label* version;
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
    WGUI::TextButton* getOkButton() const { return ok; }
    WGUI::Label* getMessage() const { return message; }

private:
    WGUI::TextButton* ok;
    WGUI::Label* message;
};

}  // namespace Game

// The endurance menu: the three endurance levels (mode 2), opening one after another as the
// player completes them, started through the level selection's level start.
#pragma once

#include "foundation/str.h"
#include "services/navigation.h"
#include "wgui_fancywindow.h"
#include "wgui_owned.h"
#include "wgui_window.h"

namespace WGUI
{
class TextButton;
class GraphicButton;
class ImageMap;
class Label;
}  // namespace WGUI

namespace Game
{

class EnduranceMenu : public WGUI::FancyWindow, public WGUI::Listener, public Destination
{
public:
    static constexpr Screen kScreen = Screen::kEndurance;
    static constexpr const char* kAmoebaLevel = "amoebaendurance.xml";
    static constexpr const char* kFishLevel = "fishendurance.xml";
    static constexpr const char* kClusterLevel = "clusterendurance.xml";

    EnduranceMenu();
    ~EnduranceMenu() override;

    void updateSelf() override { WGUI::FancyWindow::updateSelf(); }
    void draw() override;
    void messageBecomeVisible() override;
    void messageBecomeInvisible() override;
    void buttonReleased(WGUI::Button* button) override;
    // From the name entry or the victory dialog: the button states of the active profile.
    void arrive(const Arrival& arrival) override;

    // Reads the active profile's endurance progress: status texts and which levels are open.
    void calculateLevelButtonStates();
    void enableAmoeba();
    void enableFish();
    void enableCluster();
    void disableFish();
    void disableCluster();
    // Starts the level in endurance mode, leaving this menu.
    void setTransitionToLevel(const str& levelFile);

    WGUI::TextButton* getBackButton() const { return backButton.get(); }
    WGUI::GraphicButton* getAmoebaButton() const { return amoebaButton.get(); }
    WGUI::GraphicButton* getFishButton() const { return fishButton.get(); }
    WGUI::GraphicButton* getClusterButton() const { return clusterButton.get(); }
    // 0 amoeba, 1 fish, 2 cluster.
    WGUI::Label* getNameLabel(int i) const { return (i >= 0 && i < 3) ? nameLabels[i] : nullptr; }
    WGUI::Label* getStatusLabel(int i) const { return (i >= 0 && i < 3) ? statusLabels[i] : nullptr; }
    // Whether the buttons' pictures are loaded (only while the menu shows).
    bool holdsButtonPictures() const;

private:
    void setLevelOpen(int i, bool open);
    void holdButtonPictures();

    WGUI::ImageMap* buttonPictures = nullptr;  // "endurancebuttons", owned by the registry

    bool amoebaCompleted = false, fishCompleted = false, clusterCompleted = false;
    double disabledAlpha = 0.5;
    double labelR = 0.0, labelG = 0.0, labelB = 0.0;

    // Child widgets, deleted last declared first: the buttons, then the labels.
    WGUI::OwnedArray<WGUI::Label, 3> statusLabels;
    WGUI::OwnedArray<WGUI::Label, 3> nameLabels;
    std::unique_ptr<WGUI::GraphicButton> clusterButton;
    std::unique_ptr<WGUI::GraphicButton> fishButton;
    std::unique_ptr<WGUI::GraphicButton> amoebaButton;
    std::unique_ptr<WGUI::TextButton> backButton;
};

}  // namespace Game

// CheatsWindow ("cheatswindow"): the eleven cheat toggles, opened over the options dialog. A box
// is usable once the active profile has earned its achievement (or after the word "cheats"); the
// boxes reach the Cheats service only when the dialog is hidden.
#pragma once

#include "screenlinks.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_fancywindow.h"
#include "wgui_owned.h"
#include "wgui_scroll.h"

namespace Game
{

class CheatsWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kCheats;
    static const int kNumBoxes = 11;

    CheatsWindow();
    ~CheatsWindow() override;

    DIALOG_CLAIMS_MOUSE(WGUI::FancyWindow)
    void transitionFinished(bool isIn) override;
    void messageBecomeVisible() override;
    void messageBecomeInvisible() override;
    void buttonReleased(WGUI::Button* b) override;
    void setAllCheatsAvailable();

    WGUI::CheckBox* getBox(int i) const { return (i >= 0 && i < kNumBoxes) ? boxes[i] : nullptr; }
    WGUI::TextButton* getOkButton() const { return ok.get(); }

private:
    // Child widgets, deleted last declared first: ok, the description, then the boxes in order.
    WGUI::OwnedArray<WGUI::CheckBox, kNumBoxes> boxes;
    std::unique_ptr<WGUI::TextBox> description;
    std::unique_ptr<WGUI::TextButton> ok;
};

}  // namespace Game

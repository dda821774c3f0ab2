// ConfirmExitWindow ("confirmexitwindow"): the yes/no question before the game quits, opened over
// the main menu. Yes fades the menu and the screen out and only then ends the program.
#pragma once

#include <memory>

#include "screenlinks.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_fancywindow.h"
#include "wgui_label.h"

namespace Game
{

class ConfirmExitWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kConfirmExit;
    ConfirmExitWindow();
    ~ConfirmExitWindow() override;

    DIALOG_CLAIMS_MOUSE(WGUI::FancyWindow)
    void transitionFinished(bool isIn) override;
    void draw() override;
    void buttonReleased(WGUI::Button* b) override;
    void yesAction();
    void noAction();

    bool isExitPending() const { return exitPending; }
    WGUI::TextButton* getYesButton() const { return yes.get(); }
    WGUI::TextButton* getNoButton() const { return no.get(); }

private:
    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::Label> question;
    std::unique_ptr<WGUI::TextButton> no;
    std::unique_ptr<WGUI::TextButton> yes;
    bool exitPending = false;
};

}  // namespace Game

// NoticeWindow ("noticewindow"): a titled message with one OK button, over whatever screen shows.
// It tells the player what they must know but need not decide: saved games that were restored
// from their backup or started afresh, a level that could not be loaded.
#pragma once

#include <memory>

#include "screenlinks.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_fancywindow.h"
#include "wgui_scroll.h"

namespace Game
{

class NoticeWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kNotice;
    NoticeWindow();
    ~NoticeWindow() override;

    DIALOG_CLAIMS_MOUSE(WGUI::FancyWindow)
    void draw() override;
    void buttonReleased(WGUI::Button* b) override;

    // Shows the texts (plain text: markup characters are escaped) above every other screen.
    void showNotice(const str& titleText, const str& messageText);
    void okAction();

    str getMessage() const { return plainMessage; }
    WGUI::TextButton* getOkButton() const { return ok.get(); }

private:
    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::TextBox> message;
    std::unique_ptr<WGUI::TextButton> ok;
    str plainMessage;
};

}  // namespace Game

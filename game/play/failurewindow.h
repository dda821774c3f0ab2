// The dialog that ends a lost level: names the cause and offers retry and the main menu.
#pragma once

#include <memory>

#include "services/navigation.h"
#include "wgui_fancywindow.h"
#include "wgui_window.h"

namespace WGUI
{
class TextButton;
class TextBox;
}  // namespace WGUI

namespace Game
{

class FailureWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kFailure;
    enum
    {
        kEaten = 0,
        kTimeout = 1,
        kNothingSmaller = 2
    };

    FailureWindow();
    ~FailureWindow() override;
    FailureWindow(const FailureWindow&) = delete;
    FailureWindow& operator=(const FailureWindow&) = delete;

    void updateSelf() override;
    void draw() override { WGUI::FancyWindow::draw(); }
    void messageCallback(WGUI::WEvent& e) override { WGUI::FancyWindow::messageCallback(e); }
    void buttonReleased(WGUI::Button* b) override;
    // 0 eaten, 1 out of time, 2 nothing smaller left; any other value keeps the text.
    void setMessageType(int type);

    WGUI::TextButton* getRetryButton() const { return retry.get(); }
    WGUI::TextButton* getMainMenuButton() const { return mainMenu.get(); }
    WGUI::TextBox* getMessageBox() const { return message.get(); }

private:
    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::TextBox> message;
    std::unique_ptr<WGUI::TextButton> mainMenu;
    std::unique_ptr<WGUI::TextButton> retry;
};

}  // namespace Game

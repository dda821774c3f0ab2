// The tip shown over a level before play starts: a title, a text and an optional picture, with
// one continue button. A child of the play screen, made hidden and always on top.
#pragma once

#include <memory>

#include "foundation/str.h"
#include "wgui_fancywindow.h"
#include "wgui_window.h"

namespace WGUI
{
class TextButton;
class TextBox;
class Graphic;
}  // namespace WGUI

namespace Game
{

class GameWindow;

class TipWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    // The play screen it lies over and gives back to when play goes on (not owned).
    explicit TipWindow(GameWindow* game);
    ~TipWindow() override;
    TipWindow(const TipWindow&) = delete;
    TipWindow& operator=(const TipWindow&) = delete;

    void transitionFinished(bool) override {}
    void updateSelf() override { WGUI::FancyWindow::updateSelf(); }
    void draw() override;
    void messageActivate() override;
    void messageCallback(WGUI::WEvent& e) override { WGUI::FancyWindow::messageCallback(e); }
    virtual void resumeGame();
    void buttonReleased(WGUI::Button* b) override;

    // Texts already looked up by the level; the image is an image-map name. They take effect
    // when the dialog is next activated.
    void setTipTitle(str t) { tipTitle = t; }
    void setTipText(str t) { tipText = t; }
    void setTipImage(str i) { tipImage = i; }
    void loadTipImage();

    WGUI::TextBox* getTextBox() const { return textBox.get(); }
    WGUI::Graphic* getPicture() const { return picture.get(); }

private:
    GameWindow* game;
    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::Graphic> picture;
    std::unique_ptr<WGUI::TextBox> textBox;
    std::unique_ptr<WGUI::TextButton> continueButton;
    str tipTitle, tipText, tipImage;
};

}  // namespace Game

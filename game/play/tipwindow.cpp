// The tip dialog over a level before play: title, text, picture and continue.
#include "tipwindow.h"

#include <algorithm>

#include "gamewindow.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_font.h"
#include "wgui_imagemap.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_scroll.h"
#include "wgui_shapes.h"
#include "wgui_slider.h"
#include "wgui_transition.h"

namespace Game
{

namespace
{

str text(const char* key)
{
    return WGUI::StringTable::instance()->getString(key);
}

}  // namespace

TipWindow::TipWindow(GameWindow* game) : WGUI::FancyWindow(true, text("tip")), game(game)
{
    setName("tipwindow");
    setAlwaysActive(false);
    setMouseMoveToTop(false);
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(300);
    setPixHeight(300);
    setAlign(4, 4);

    continueButton = std::make_unique<WGUI::TextButton>();
    continueButton->setText(text("continue"));
    continueButton->setTooltip(true, text("tipcontinuetip"));
    continueButton->setUseVirtCoordPos(false, false);
    continueButton->setUseVirtCoordDim(false, false);
    continueButton->setPixAlPos(20, 20);
    continueButton->setPixWidth(100);
    continueButton->setPixHeight(30);
    continueButton->setAlign(1, 3);
    continueButton->setAlwaysOnTop(true);
    continueButton->setListener(this);
    addWindow(continueButton.get());

    textBox = std::make_unique<WGUI::TextBox>();
    textBox->setUseVirtCoordPos(false, false);
    textBox->setUseVirtCoordDim(false, false);
    textBox->setPixWidth(200);
    textBox->setPixHeight(200);
    textBox->setPixAlPos(20, 30);
    textBox->setAlign(1, 2);
    textBox->setBackColour(1, 1, 1, 0);
    addWindow(textBox.get());

    picture = std::make_unique<WGUI::Graphic>();
    picture->setUseVirtCoordPos(false, false);
    picture->setPixAlPos(20, 30);
    picture->setAlign(0, 2);
    picture->setMouseMoveToTop(false);
    addWindow(picture.get());
}

TipWindow::~TipWindow() = default;

void TipWindow::loadTipImage()
{
    WGUI::ImageMap* map = tipImage.empty() ? nullptr : WGUI::ImageMaps::get(tipImage);
    if (map)
    {
        picture->setGraphic(map, 0);
        picture->setVisible(true);
    }
    else
    {
        // An unknown picture name is sized and shown as no picture.
        picture->setGraphic(nullptr, 0);
        picture->setVisible(false);
    }
}

void TipWindow::messageActivate()
{
    setTitle(tipTitle);
    textBox->setText(tipText);
    loadTipImage();
    textBox->update();
    const int content = textBox->getContentHeight();
    if (picture->getImageMap())
    {
        setPixWidth(picture->getPixWidth() + textBox->getPixWidth() + 60);
        setPixHeight(std::max(content + 90, picture->getPixHeight() + 50));
    }
    else
    {
        setPixWidth(textBox->getPixWidth() + 40);
        setPixHeight(content + 90);
    }
}

void TipWindow::buttonReleased(WGUI::Button* b)
{
    if (b == continueButton.get())
        resumeGame();
}

void TipWindow::resumeGame()
{
    leaveScreen(this, makeTransition(WGUI::Transition::kSlideOut, WGUI::Transition::kOpacityOut, 90, 0.3));
    if (game)
    {
        returnToScreen(game);
        game->setTipVisible(false);
    }
    WGUI::Input::instance()->setUseRelativeMouse(true);
}

void TipWindow::draw()
{
    int w = WGUI::Window::getDefaultDisplayWidth();
    int h = WGUI::Window::getDefaultDisplayHeight();
    if (WGUI::Manager::hasInstance())
    {
        w = WGUI::Manager::instance()->getWidth();
        h = WGUI::Manager::instance()->getHeight();
    }
    WGUI::Shapes::drawFillRect(0, 0, w, h, 0, 0, 0, 0.5 * getOpacity());
    WGUI::FancyWindow::draw();
}

}  // namespace Game

// ComicWindow ("comicwindow"): a level's comic, page by page, cross-fading between two frames;
// the intro comic leads into the level, the end comic into the credits.
#pragma once

#include <memory>
#include <vector>

#include "screenlinks.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_window.h"

class PlayScreenAccess;
namespace WGUI
{
class ChunkedImage;
class TextOverlay;
}  // namespace WGUI

namespace Game
{

// One comic page: its picture and its text, both owned; freed when the frame has faded out.
class ComicFrameWindow : public WGUI::Window
{
public:
    ComicFrameWindow();
    ~ComicFrameWindow() override;
    void draw() override;
    void transitionFinished(bool isIn) override;
    // Replaces the page (either may be null).
    void setPage(std::unique_ptr<WGUI::ChunkedImage> image, std::unique_ptr<WGUI::TextOverlay> text);
    void freePage();
    WGUI::ChunkedImage* getImage() const { return image.get(); }
    WGUI::TextOverlay* getText() const { return text.get(); }

private:
    std::unique_ptr<WGUI::ChunkedImage> image;
    std::unique_ptr<WGUI::TextOverlay> text;
};

class ComicWindow : public WGUI::Window, public WGUI::Listener, public Destination
{
public:
    static constexpr Screen kScreen = Screen::kComic;
    // The play screen is reached through play.
    explicit ComicWindow(PlayScreenAccess& play);
    ~ComicWindow() override;

    bool contains(double x, double y) override;
    bool contains(int x, int y) override;
    void transitionFinished(bool isIn) override;
    void updateSelf() override;
    void messageActivate() override;
    void buttonReleased(WGUI::Button* b) override;
    // From the play screen at the end of the game: its level's closing pages; from the level
    // selection starting a level: that level's opening pages, then play.
    void arrive(const Arrival& arrival) override;

    // The play screen whose level's pages are shown (not owned).
    void setGameWindow(WGUI::Window* game) { gameWindow = game; }
    WGUI::Window* getGameWindow() const { return gameWindow; }
    void setEnd(bool e) { end = e; }
    bool isEnd() const { return end; }

    void loadComicFrame(ComicFrameWindow* frame);
    bool exactlyOneFrameVisible() const;
    void setGameTransition();
    void setCreditsTransition();

    int getPageIndex() const { return pageIndex; }
    ComicFrameWindow* getFrameA() const { return frameA.get(); }
    ComicFrameWindow* getFrameB() const { return frameB.get(); }
    WGUI::TextButton* getContinueButton() const { return continueButton.get(); }

private:
    PlayScreenAccess& play;  // not owned
    std::vector<ComicPageFiles> pages() const;

    WGUI::Window* gameWindow = nullptr;
    bool end = false;
    int pageIndex = 0;
    // Child widgets, deleted last declared first: the button, then frame A, then frame B.
    std::unique_ptr<ComicFrameWindow> frameB;
    std::unique_ptr<ComicFrameWindow> frameA;
    std::unique_ptr<WGUI::TextButton> continueButton;
};

}  // namespace Game

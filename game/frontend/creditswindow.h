// CreditsWindow ("creditswindow"): the credits text rising up the screen over a faint sketch of
// the goo, then the fade that brings in the victory dialog.
#pragma once

#include <memory>

#include "screenlinks.h"
#include "services/navigation.h"
#include "wgui_window.h"

class TTextGraphic;
namespace WGUI
{
class Graphic;
class ImageMap;
}  // namespace WGUI

namespace Game
{

class CreditsWindow : public WGUI::Window, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kCredits;
    // Bytes of the credits file kept at most (bytes above 127 are not kept and do not count).
    static const int kMaxCreditsBytes = 4999;
    static constexpr double kScrollSpeed = 50.0;  // pixels per second

    CreditsWindow();
    ~CreditsWindow() override;

    void transitionFinished(bool) override {}
    void updateSelf() override;
    void draw() override;
    void messageActivate() override;
    void messageBecomeInvisible() override;
    void setTransitionOut();

    // The credits file's text as shown: bytes 0..127 only, at most kMaxCreditsBytes of them;
    // empty when the file is missing or unreadable.
    static str readCreditsText(const str& fileName);

    bool isLeaving() const { return leaving; }
    double getScrollOffset() const { return scrollOffset; }
    TTextGraphic* getText() const { return creditsText; }

private:
    WGUI::ImageMap* sketchMap;
    bool leaving = false;
    TTextGraphic* creditsText = nullptr;
    bool emptyText = true;
    double scrollOffset = 0;
    std::unique_ptr<WGUI::Graphic> sketch;  // deleted after the text is destroyed
};

}  // namespace Game

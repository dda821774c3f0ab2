// FancyWindow: a dialog frame skinned from the "gui" image map (corners, edges, an optional
// title band and a tiled centre), with its children drawn on top. ToggleButtonGroup: a radio
// group of buttons, one of which stays pressed.
#pragma once

#include <memory>
#include <vector>

#include "foundation/str.h"
#include "wgui_window.h"

namespace WGUI
{

class ImageMap;
class Button;

class FancyWindow : public Window
{
public:
    // Cells of the "gui" map that make the frame.
    enum
    {
        kTopLeft = 0,
        kTopRight = 1,
        kBottomRight = 2,
        kBottomLeft = 3,
        kTopEdge = 4,
        kRightEdge = 5,
        kBottomEdge = 6,
        kLeftEdge = 7,
        kTitleLeft = 8,
        kTitleRight = 9,
        kTitleMiddle = 10,
        kCentre = 11,
    };

    explicit FancyWindow(bool hasTitle = false, str title = str(""));
    ~FancyWindow() override = default;

    void setTitle(str t);
    str getTitle() const { return title; }
    bool getHasTitle() const { return hasTitle; }
    void draw() override;

private:
    bool hasTitle;
    str title;
    ImageMap* guiMap = nullptr;
    bool guiLooked = false;
};

class ToggleButtonGroup : public Window, public Listener
{
public:
    ToggleButtonGroup() = default;
    ~ToggleButtonGroup() override;

    // Takes ownership; the first button added becomes the selected one. Returns its index.
    int addButton(Button* b);
    int addButton(std::unique_ptr<Button> b);
    Button* getButton(int i) const;
    Button* getSelectedButton() const;
    int getButtonIndex(const Button* b) const;
    int getTotalButtons() const { return static_cast<int>(buttons.size()); }
    int getSelectedIndex() const { return selected; }
    // Stores the index only; the buttons keep their states until the next change.
    void setSelectedIndex(int i) { selected = i; }
    // Removes and deletes every button.
    void clear();

    void updateSelf() override;
    void draw() override { Window::draw(); }
    void buttonReleased(Button* b) override;

private:
    std::vector<std::unique_ptr<Button>> buttons;
    int selected = -1;
};

}  // namespace WGUI

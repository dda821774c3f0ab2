// The clickable widgets. Button is the state machine of a push button (up, down, over,
// disabled): it turns the window's mouse messages into listener calls, repeats while held and
// shows the hand pointer, and draws nothing itself. TextButton draws a text on the library's
// nine-cell skin, GraphicButton one image-map cell per state, and CheckBox a tick box with a
// text that toggles itself.
#pragma once

#include "foundation/str.h"
#include "wgui_window.h"

namespace WGUI
{

class ImageMap;

class Button : public Window
{
public:
    enum
    {
        kUp = 0,
        kDown = 1,
        kOver = 2,
        kDisabled = 3
    };

    Button();
    ~Button() override;

    virtual void setDragButton(bool on) { dragButton = on; }
    virtual void disable() { state = kDisabled; }
    virtual void enable() { state = kUp; }
    virtual bool isEnabled() const { return state != kDisabled; }
    virtual int getState() const { return state; }
    virtual void setState(int s) { state = s; }
    virtual void setListener(Listener* l) { listener = l; }

    void updateSelf() override;
    void messageMouseMove(int x, int y, int button, bool moved) override;
    void messageMouseDrag(int x, int y, int button, bool moved) override;
    void messageMouseEnter(int x, int y, int button) override;
    void messageMouseExit(int x, int y, int button) override;
    void messageMousePressed(int x, int y, int button) override;
    void messageMouseReleased(int x, int y, int button) override;
    void messageMouseReleasedOut(int x, int y, int button) override;
    void messageMouseDrop(int x, int y, int button) override;

protected:
    int state = kUp;
    Listener* listener = nullptr;
    double repeatTime = 0;
    bool dragButton = false;
};

class TextButton : public Button
{
public:
    TextButton() = default;
    ~TextButton() override;

    void setText(str t) { text = t; }
    str getText() const { return text; }
    void setIconImageMap(ImageMap* map) { iconMap = map; }
    void setIconImageMapCell(int cell) { iconCell = cell; }

    void draw() override;

private:
    str text;
    ImageMap* iconMap = nullptr;
    int iconCell = 0;
};

class GraphicButton : public Button
{
public:
    GraphicButton();
    ~GraphicButton() override;

    void setGraphic(ImageMap* map, int up, int down, int over, int disabled);
    void setShiftOnDown(int x, int y);
    void setUpColor(double r, double g, double b, double a);
    void setDisabledColor(double r, double g, double b, double a);
    ImageMap* getImageMap() const { return imageMap; }
    // Selects the cell and blit colour of the current state on the map.
    void setCurrentCell();

    void updateSelf() override;
    void draw() override;

private:
    ImageMap* imageMap = nullptr;
    int cells[4] = {-1, -1, -1, -1};
    int shiftX = 0, shiftY = 0;
    double colours[4][4];
};

class CheckBox : public Button, public Listener
{
public:
    CheckBox();
    ~CheckBox() override;

    // The outer listener: it hears presses, releases and repeats with the check box as button.
    void setListener(Listener* l) override { outerListener = l; }
    void updateSelf() override;
    void draw() override;
    void buttonReleased(Button* b) override;
    void buttonPressed(Button* b) override;
    void buttonRepeat(Button* b) override;

    bool getSelected() const { return selected; }
    // Stores without telling anyone.
    void setSelected(bool s) { selected = s; }
    void setText(str t) { text = t; }
    str getText() const { return text; }
    void setCurrentCell();

private:
    ImageMap* imageMap;
    int boxCells[4] = {0, 2, 1, 3};  // up, down, over, disabled
    int tickCell = 4;
    int textGap = 4;
    bool selected = false;
    Listener* outerListener = nullptr;
    str text;
};

}  // namespace WGUI

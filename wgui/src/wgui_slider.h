// The remaining widgets: Slider (a horizontal value 0..1 with a draggable knob), ProgressBar and
// GraphicProgressBar (a ratio shown as a bar that eases toward its target), Graphic (one
// image-map cell) and GroupBox / GraphicGroupBox (a frame around an inner client window).
#pragma once

#include "wgui_window.h"

namespace WGUI
{

class GraphicButton;
class ImageMap;

class Slider : public Window, public Listener
{
public:
    Slider();
    ~Slider() override;

    void buttonPressed(Button* b) override;
    void buttonDragged(int x, int y, Button* b) override;
    void updateSelf() override;
    void draw() override;
    void messageMouseDrag(int x, int y, int button, bool moved) override;

    void setListener(Listener* l) { listener = l; }
    // Stored clamped to [0, 1]; the listener hears of it at the next update.
    void setSliderValue(double v);
    double getSliderValue() const { return value; }
    int getRightWithPad() const;
    double buttonPosToValue(int x) const;
    GraphicButton* getKnob() const { return knob.get(); }

private:
    std::unique_ptr<GraphicButton> knob;
    ImageMap* trackMap;
    int trackLeft = 27, trackRight = 29, trackMiddle = 28;
    int grabX = 0, grabY = 0;
    double valueAtPress = 0.5;
    int leftMargin = 5, rightMargin = 5;
    double value = 0.5;
    double lastReported = 0.5;
    Listener* listener = nullptr;
};

class ProgressBar : public Window
{
public:
    ProgressBar() = default;
    void setActualRatioFull(double r);
    void setActualDisplayRatioFull(double r);
    double getTargetRatio() const { return target; }
    double getDisplayedRatio() const { return displayed; }
    int getBarWidth() const;

    void updateSelf() override;
    void draw() override;

protected:
    double target = 0;
    double displayed = 0;
};

class GraphicProgressBar : public ProgressBar
{
public:
    GraphicProgressBar(ImageMap* map, int fillLeft, int fillMiddle, int fillRight, int backLeft,
                       int backMiddle, int backRight);
    void draw() override;

private:
    void drawGraphicBar(int x1, int x2, int y, int left, int middle, int right);

    ImageMap* map;
    int fillLeft, fillMiddle, fillRight, backLeft, backMiddle, backRight;
};

class Graphic : public Window
{
public:
    Graphic() = default;
    // Takes the cell's size while the window has its natural size.
    void setGraphic(ImageMap* map, int cell);
    void setColour(float r, float g, float b, float a);
    ImageMap* getImageMap() const { return imageMap; }
    int getCell() const { return cell; }

    void updateSelf() override;
    void draw() override;

private:
    void applyNaturalSize();

    ImageMap* imageMap = nullptr;
    int cell = -1;
    float colR = 1, colG = 1, colB = 1, colA = 1;
};

class GroupBox : public Window
{
public:
    GroupBox();
    ~GroupBox() override;
    // Windows go into the client window, inset by one pixel.
    void addWindow(Window* w) override;
    void updateSelf() override;
    void draw() override;
    Window* getClient() const { return client.get(); }

private:
    std::unique_ptr<Window> client;
};

class GraphicGroupBox : public GroupBox
{
public:
    GraphicGroupBox() = default;
    void draw() override;
};

}  // namespace WGUI

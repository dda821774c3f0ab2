// Widgets whose content is larger than their box. Scrollable keeps a content size and offset
// and shows a vertical and a horizontal bar when needed, each with two arrow buttons, a thumb to
// drag and a track that pages; the mouse wheel scrolls too. ListBox is a list of text rows in
// columns with one selected row; TextBox a block of wrapped, marked-up text.
#pragma once

#include <memory>
#include <vector>

#include "foundation/str.h"
#include "wgui_window.h"

class TTextGraphic;

namespace WGUI
{

class GraphicButton;
class ImageMap;

class Scrollable : public Window, public Listener
{
public:
    Scrollable();
    ~Scrollable() override;

    // Offsets clamp to [0, max(0, content - view)].
    virtual void setContentX(int x);
    virtual void setContentY(int y);
    void buttonPressed(Button* b) override;
    void buttonRepeat(Button* b) override;
    // Stored only; scrolling does not depend on them.
    virtual void setHorArrowScroll(bool on) { horArrowScroll = on; }
    virtual void setVertArrowScroll(bool on) { vertArrowScroll = on; }
    virtual void setBackColour(float r, float g, float b, float a);
    virtual int getContentHeight() const { return contentHeight; }
    virtual int getContentWidth() const { return contentWidth; }
    virtual void updateScrollable();
    virtual void drawBar(int x1, int y1, int x2, int y2);

    void updateSelf() override;
    void draw() override;
    void messageMouseDrag(int x, int y, int button, bool moved) override;
    void messageMousePressed(int x, int y, int button) override;
    void messageMouseReleased(int x, int y, int button) override;
    void messageMouseReleasedOut(int x, int y, int button) override;
    void messageCallback(WEvent& e) override;

    // State, for the derived widgets and for tests.
    int getContentX() const { return contentX; }
    int getContentY() const { return contentY; }
    int getViewWidth() const { return viewWidth; }
    int getViewHeight() const { return viewHeight; }
    bool isVertBarShown() const { return vertShown; }
    bool isHorBarShown() const { return horShown; }
    bool isDraggingVert() const { return dragVert; }
    bool isDraggingHor() const { return dragHor; }
    bool isPaging() const { return pageUp || pageDown || pageLeft || pageRight; }
    GraphicButton* getArrowButton(int i) const;  // 0 up, 1 down, 2 left, 3 right
    struct Bar
    {
        int top = 0, bottom = 0, left = 0, right = 0, track = 0;
        double viewRatio = 0;
        int thumbLength = 0;
        double posRatio = 0;
        int thumbTop = 0, thumbBottom = 0, thumbLeft = 0, thumbRight = 0;
    };
    const Bar& getVertBar() const { return vbar; }
    const Bar& getHorBar() const { return hbar; }

protected:
    void setContentSize(int w, int h)
    {
        contentWidth = w;
        contentHeight = h;
    }

    int contentWidth = 0, contentHeight = 0;
    int viewWidth = 0, viewHeight = 0;
    int contentX = 0, contentY = 0;
    bool vertShown = false, horShown = false;
    bool dragVert = false, pageUp = false, pageDown = false;
    bool dragHor = false, pageLeft = false, pageRight = false;
    int pressX = 0, pressY = 0;
    double pageRepeatTime = 0;
    int contentYAtPress = 0, contentXAtPress = 0;
    bool horArrowScroll = true, vertArrowScroll = true;
    int arrowStep = 10;
    int wheelStep = 80;
    int upArrowHeight = 0, downArrowHeight = 0, leftArrowWidth = 0, rightArrowWidth = 0;
    int vertBarWidth = 0, horBarHeight = 0;
    Bar vbar, hbar;
    float backR = 1, backG = 1, backB = 1, backA = 1;
    std::unique_ptr<GraphicButton> arrows[4];
};

typedef std::vector<str> ListBoxItem;

struct ColumnDescription
{
    int left = 0, right = 0;
    int alignment = 0;  // 0 left, 1 right, 4 centred
};

class ListBox : public Scrollable
{
public:
    ListBox();
    ~ListBox() override;

    void addItem(str s);
    void addColumn(int left, int right, int align);
    void clear();
    int getSelected() const { return selected; }
    void setSelected(int i);
    str getString(int i) const;
    str getSelectedString() const { return getString(selected); }
    void makeItemVisible(int i);
    void setMustBeSelected(bool on) { mustBeSelected = on; }
    void setListener(Listener* l) { listener = l; }
    int getNumItems() const { return static_cast<int>(items.size()); }

    void setContentY(int y) override;
    void updateSelf() override;
    void draw() override;
    void messageMousePressed(int x, int y, int button) override;
    void messageCallback(WEvent& e) override;

private:
    int lineHeight() const;
    void drawItemText(const ListBoxItem& item, int x, int y);

    std::vector<std::unique_ptr<ListBoxItem>> items;
    int selected = -1;
    bool mustBeSelected = false;
    Listener* listener = nullptr;
    bool makeVisiblePending = false;
    std::vector<std::unique_ptr<ColumnDescription>> columns;
};

class TextBox : public Scrollable
{
public:
    TextBox();
    ~TextBox() override;

    void setText(str t);
    str getText() const { return text; }

    void setContentY(int y) override;
    void updateSelf() override;
    void draw() override;

private:
    int lineHeight() const;

    str text;
    bool relayout = true;
    TTextGraphic* graphic = nullptr;
};

}  // namespace WGUI

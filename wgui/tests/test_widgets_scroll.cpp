// Scrolling, list boxes, text boxes, sliders, progress bars, graphics and group boxes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_widgets_fixture.h"
#include "wgui_button.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_input.h"
#include "wgui_scroll.h"
#include "wgui_slider.h"

using namespace WGUI;
using wguitest::Quad;
using wguitest::Recorder;

namespace
{

// A scrollable whose content size the test sets.
struct Pane : Scrollable
{
    void setContent(int w, int h) { setContentSize(w, h); }
};

class Scrolling : public wguitest::WidgetFixture
{
protected:
    void Add(Window* w, int x, int y, int width, int height)
    {
        w->setPixSize(width, height);
        w->setPixAlPos(x, y);
        root->addWindow(w);
    }
    // Windows take themselves out of their parent when they go.
};

TEST_F(Scrolling, ContentThatFitsShowsNoBarsAndDoesNotScroll)
{
    Pane p;
    p.setContent(80, 80);
    Add(&p, 0, 0, 100, 100);
    Frame();
    EXPECT_FALSE(p.isVertBarShown());
    EXPECT_FALSE(p.isHorBarShown());
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(p.getArrowButton(i)->isVisible());
    p.setContentY(50);
    p.setContentX(-5);
    EXPECT_EQ(p.getContentY(), 0);
    EXPECT_EQ(p.getContentX(), 0);
}

TEST_F(Scrolling, BarsDecideVerticalThenHorizontalThenVerticalAgain)
{
    struct Case
    {
        int contentW, contentH;
        bool vert, hor;
        int viewW, viewH;
    } cases[] = {
        {50, 101, true, false, 84, 100}, {90, 101, true, true, 84, 84},
        {101, 90, true, true, 84, 84},  // the horizontal bar makes the vertical one needed
        {101, 50, false, true, 100, 84}, {100, 100, false, false, 100, 100},
    };
    for (const Case& c : cases)
    {
        Pane p;
        p.setContent(c.contentW, c.contentH);
        Add(&p, 0, 0, 100, 100);
        Frame();
        EXPECT_EQ(p.isVertBarShown(), c.vert) << c.contentW << "x" << c.contentH;
        EXPECT_EQ(p.isHorBarShown(), c.hor) << c.contentW << "x" << c.contentH;
        EXPECT_EQ(p.getViewWidth(), c.viewW) << c.contentW << "x" << c.contentH;
        EXPECT_EQ(p.getViewHeight(), c.viewH) << c.contentW << "x" << c.contentH;
        EXPECT_EQ(p.getArrowButton(0)->isVisible(), c.vert);
        EXPECT_EQ(p.getArrowButton(3)->isVisible(), c.hor);
        root->removeWindow(&p);
    }
}

TEST_F(Scrolling, ThumbGeometryArrowsAndWheel)
{
    Pane p;
    p.setContent(50, 200);
    Add(&p, 10, 10, 100, 100);
    Frame();
    p.setContentY(50);
    Frame();
    const Scrollable::Bar& v = p.getVertBar();
    EXPECT_EQ(v.track, 68);
    EXPECT_EQ(v.thumbLength, 34);
    EXPECT_EQ(v.thumbTop, 16 + 17);
    EXPECT_EQ(v.left, 84);
    EXPECT_EQ(p.getArrowButton(1)->getPixPosY(), 84);
    EXPECT_EQ(p.getArrowButton(0)->getPixPosX(), 84);

    p.buttonPressed(p.getArrowButton(1));
    EXPECT_EQ(p.getContentY(), 60);
    p.buttonRepeat(p.getArrowButton(0));
    EXPECT_EQ(p.getContentY(), 50);

    WEvent wheel;
    wheel.type = WEvent::kWheelDown;
    p.messageCallback(wheel);
    EXPECT_EQ(p.getContentY(), 100);  // clamped to 200 - 100
    wheel.type = WEvent::kWheelUp;
    p.messageCallback(wheel);
    EXPECT_EQ(p.getContentY(), 20);
}

TEST_F(Scrolling, DraggingTheThumbScrollsAndSnapsBackFarAway)
{
    Pane p;
    p.setContent(50, 200);
    Add(&p, 10, 10, 100, 100);
    Frame();
    // The thumb is at own (84..100, 16..50); press at its middle.
    root->messageMousePressed(10 + 90, 10 + 30, 1);
    ASSERT_TRUE(p.isDraggingVert());
    root->messageMouseDrag(10 + 90, 10 + 30 + 17, 1, true);
    EXPECT_EQ(p.getContentY(), 50);  // 17 px of a 68 px track over 200
    root->messageMouseDrag(10 + 90 - 149, 10 + 30 + 17, 1, true);
    EXPECT_EQ(p.getContentY(), 50);
    root->messageMouseDrag(10 + 84 - 150, 10 + 30 + 17, 1, true);
    EXPECT_EQ(p.getContentY(), 0);  // too far sideways: back to where it was at the press
    root->messageMouseReleasedOut(700, 700, 1);
    EXPECT_FALSE(p.isDraggingVert());
}

TEST_F(Scrolling, TheHorizontalThumbHoldsWithinABandAboveAndBelowItsBar)
{
    Pane p;
    p.setContent(200, 50);
    Add(&p, 0, 0, 100, 100);
    Frame();
    ASSERT_TRUE(p.isHorBarShown());
    const Scrollable::Bar& h = p.getHorBar();
    EXPECT_EQ(h.track, 68);
    EXPECT_EQ(h.thumbLength, 34);
    root->messageMousePressed(h.thumbLeft + 5, 90, 1);
    ASSERT_TRUE(p.isDraggingHor());
    root->messageMouseDrag(h.thumbLeft + 5 + 17, 90, 1, true);
    EXPECT_EQ(p.getContentX(), 50);
    root->messageMouseDrag(h.thumbLeft + 5 + 17, h.thumbTop - 149, 1, true);
    EXPECT_EQ(p.getContentX(), 50);
    root->messageMouseDrag(h.thumbLeft + 5 + 17, h.thumbTop - 150, 1, true);
    EXPECT_EQ(p.getContentX(), 0);
    root->messageMouseDrag(h.thumbLeft + 5 + 17, h.thumbBottom + 150, 1, true);
    EXPECT_EQ(p.getContentX(), 0);
    root->messageMouseReleased(10, 90, 1);
    EXPECT_FALSE(p.isDraggingHor());
}

TEST_F(Scrolling, PagingRepeatsAfterHalfASecondWhileOnThatSide)
{
    Pane p;
    p.setContent(50, 2000);
    Add(&p, 0, 0, 100, 100);
    Frame();
    root->messageMousePressed(90, 80, 1);  // below the thumb
    ASSERT_TRUE(p.isPaging());
    EXPECT_EQ(p.getContentY(), 100);
    std::vector<int> pages;
    int last = p.getContentY();
    for (int frame = 1; frame <= 60; ++frame)
    {
        Frame(16);
        root->messageMouseDrag(90, 95, 1, false);
        if (p.getContentY() != last)
            pages.push_back(frame);
        last = p.getContentY();
    }
    ASSERT_GE(pages.size(), 2u);
    EXPECT_EQ(pages[0], 32);  // the first frame held more than 0.5 s
    for (size_t i = 1; i < pages.size(); ++i)
        EXPECT_EQ(pages[i] - pages[i - 1], 7);  // more than 0.1 s: 7 frames of 16 ms
    root->messageMouseReleased(90, 95, 1);
    EXPECT_FALSE(p.isPaging());
}

class Lists : public Scrolling
{
protected:
    void SetUp() override
    {
        Scrolling::SetUp();
        if (HasFatalFailure())
            return;
        list.setListener(&rec);
        Add(&list, 0, 0, 200, 50);
        lh = list.getFont()->getHeightPix();
    }
    void Fill(int n)
    {
        for (int i = 0; i < n; ++i)
            list.addItem(str::getFormatted("item %d", i));
        Frame();
    }
    void KeyDown(int key)
    {
        WEvent e;
        e.type = WEvent::kKeyDown;
        e.key = key;
        list.messageCallback(e);
    }
    ListBox list;
    Recorder rec;
    int lh = 0;
};

TEST_F(Lists, SelectionAndTheListener)
{
    Fill(10);
    list.setSelected(3);
    EXPECT_EQ(list.getSelected(), 3);
    EXPECT_EQ(rec.items, std::vector<int>{3});
    list.setSelected(3);
    EXPECT_EQ(rec.items.size(), 1u);  // no change, no call
    Frame();
    // Row 3 ends up on the last fully visible line.
    EXPECT_EQ(list.getContentY(), lh * 3 - lh * (50 / lh - 1));

    list.setMustBeSelected(true);
    list.setSelected(-1);
    EXPECT_EQ(list.getSelected(), 3);
    EXPECT_EQ(rec.items.size(), 1u);
    list.setMustBeSelected(false);
    list.setSelected(-1);
    EXPECT_EQ(list.getSelected(), -1);
    EXPECT_EQ(rec.items.back(), -1);

    list.setMustBeSelected(true);
    list.clear();
    EXPECT_EQ(list.getSelected(), -1);
}

TEST_F(Lists, ClicksPastTheLastRowAndKeysAtTheEnds)
{
    Fill(2);
    root->messageMousePressed(20, lh + 2, 1);
    EXPECT_EQ(list.getSelected(), 1);
    root->messageMouseReleased(20, lh + 2, 1);
    root->messageMousePressed(20, 2 * lh + 2, 1);  // row 2 does not exist
    EXPECT_EQ(list.getSelected(), -1);
    root->messageMouseReleased(20, 2 * lh + 2, 1);

    list.setSelected(0);
    KeyDown(Input::kUp);
    EXPECT_EQ(list.getSelected(), 0);
    KeyDown(Input::kDown);
    EXPECT_EQ(list.getSelected(), 1);
    KeyDown(Input::kDown);
    EXPECT_EQ(list.getSelected(), 1);

    list.setMustBeSelected(true);
    root->messageMousePressed(20, 2 * lh + 2, 1);
    EXPECT_EQ(list.getSelected(), 1);
}

TEST_F(Lists, OffsetsAreWholeRowsExceptAtTheVeryBottom)
{
    Fill(10);
    list.setContentY(lh + lh / 2 + 1);
    EXPECT_EQ(list.getContentY() % lh, 0);
    list.setContentY(100000);
    EXPECT_EQ(list.getContentY(), 10 * lh - list.getViewHeight());

    EXPECT_EQ(std::string(list.getString(0).c_str()), "");  // no column yet
    list.addColumn(0, 100, 0);
    EXPECT_EQ(std::string(list.getString(4).c_str()), "item 4");
    EXPECT_EQ(std::string(list.getString(10).c_str()), "");
    EXPECT_EQ(std::string(list.getString(-1).c_str()), "");
    list.setSelected(2);
    EXPECT_EQ(std::string(list.getSelectedString().c_str()), "item 2");

    // Only whole rows are drawn: the selection's fill is the one blue rectangle, or none
    // when its row is cut.
    list.setContentY(0);
    Frame();
    BeginFrame();
    list.draw();
    EndFrame();
    int blue = 0;
    for (const auto& c : handler->calls)
        if (c.kind == TDrawCall::kVertices && !c.texture && !c.verts.empty() &&
            c.verts[0].color.Blue() == 255 && c.verts[0].color.Red() == 51)
            ++blue;
    EXPECT_EQ(blue, 1);
}

TEST_F(Scrolling, TextBoxesScrollTheirTextInsideTheView)
{
    TextBox box;
    box.setBackColour(1, 1, 1, 0);
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "Line of text number " + std::to_string(i) + "\n";
    box.setText(text.c_str());
    Add(&box, 20, 30, 200, 100);
    Frame();
    ASSERT_TRUE(box.isVertBarShown());
    EXPECT_GT(box.getContentHeight(), 100);
    box.setContentY(3 * box.getFont()->getHeightPix());
    Frame();
    const int cy = box.getContentY();
    EXPECT_GT(cy, 0);
    BeginFrame();
    box.draw();
    EndFrame();
    // Everything the text drew was clipped to the view.
    const TURect view(20, 30, 20 + static_cast<uint32_t>(box.getViewWidth()),
                      30 + static_cast<uint32_t>(box.getViewHeight()));
    int inView = 0;
    for (const auto& c : handler->calls)
        inView +=
            c.clip.x1 == view.x1 && c.clip.y1 == view.y1 && c.clip.x2 == view.x2 && c.clip.y2 == view.y2;
    EXPECT_GT(inView, 0);
    // And the clip is given back.
    EXPECT_EQ(handler->GetClipRectangle().x2, 640u);
}

TEST_F(Scrolling, SlidersReportChangesOncePerFrame)
{
    Slider s;
    Recorder rec;
    s.setListener(&rec);
    s.setPixAlPos(100, 100);
    root->addWindow(&s);
    Frame();
    Frame();
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(s.getPixWidth(), 100);
    EXPECT_EQ(s.getKnob()->getPixWidth(), 20);
    s.setSliderValue(0.7);
    s.setSliderValue(1.7);
    EXPECT_DOUBLE_EQ(s.getSliderValue(), 1.0);
    s.setSliderValue(0.7);
    Frame();
    EXPECT_EQ(rec.count("slider"), 1);
    EXPECT_EQ(s.getKnob()->getPixPosX(), 5 + roundToInt((100 - 5 - 20 - 5) * 0.7));
    s.setSliderValue(0.7);
    Frame();
    EXPECT_EQ(rec.count("slider"), 1);

    // Pressed on the track, the knob centres on the pointer at the next drag message.
    const int trackX = 20;
    root->messageMousePressed(100 + trackX, 110, 1);
    EXPECT_FALSE(s.getKnob()->isMouseDownIn());
    root->messageMouseDrag(100 + trackX, 110, 1, false);
    Frame();
    EXPECT_EQ(s.getKnob()->getPixPosX() + 10, trackX);
    root->messageMouseReleased(100 + trackX, 110, 1);

    // Dragged far above, the knob goes back to where it was taken.
    Frame();
    const int knobX = s.getKnob()->getPixPosX();
    const double taken = s.getSliderValue();
    root->messageMousePressed(100 + knobX + 5, 100 + 10, 1);
    ASSERT_TRUE(s.getKnob()->isMouseDownIn());
    root->messageMouseDrag(100 + 90, 100 - 1500, 1, true);
    EXPECT_NEAR(s.getSliderValue(), taken, 1e-9);
    root->messageMouseReleasedOut(100 + 90, 100 - 1500, 1);
}

TEST_F(Scrolling, ADraggedKnobKeepsThePointWhereItWasTakenUnderThePointer)
{
    Slider s;
    s.setPixAlPos(100, 100);
    root->addWindow(&s);
    Input* input = Input::instance();
    input->messageMouseMove(0, 0);
    manager->update();
    manager->update();
    GraphicButton* knob = s.getKnob();
    const int grab = 5;
    const int pressX = knob->getLeft() + grab, y = knob->getTop() + 5;
    backend->AdvanceMs(16);
    input->messageMouseMove(pressX, y);
    input->messageLeftMouseDown();
    manager->update();
    ASSERT_TRUE(knob->isMouseDownIn());
    for (int dx : {30, -20, 12})
    {
        backend->AdvanceMs(16);
        input->messageMouseMove(pressX + dx, y);
        manager->update();
        EXPECT_EQ(knob->getLeft() + grab, pressX + dx) << dx;
    }
    input->messageLeftMouseUp();
    manager->update();
    EXPECT_FALSE(knob->isMouseDownIn());
}

TEST_F(Scrolling, ProgressBarsEaseOntoTheirTargetExactly)
{
    ProgressBar bar;
    Add(&bar, 0, 0, 200, 10);
    bar.setActualRatioFull(0.5);
    double last = 0;
    for (int i = 0; i < 400; ++i)
    {
        Frame(16);
        ASSERT_GE(bar.getDisplayedRatio(), last);
        ASSERT_LE(bar.getDisplayedRatio(), 0.5);
        last = bar.getDisplayedRatio();
    }
    EXPECT_EQ(bar.getDisplayedRatio(), 0.5);
    bar.setActualRatioFull(0.2);
    for (int i = 0; i < 400; ++i)
        Frame(16);
    EXPECT_EQ(bar.getDisplayedRatio(), 0.2);
    bar.setActualDisplayRatioFull(1.5);
    EXPECT_EQ(bar.getDisplayedRatio(), 1.0);
    EXPECT_EQ(bar.getBarWidth(), 200);
}

TEST_F(Scrolling, AShortGraphicBarCutsBothEndsAroundTheMiddle)
{
    ImageMap* gui = ImageMaps::get("gui");
    ASSERT_NE(gui, nullptr);
    GraphicProgressBar bar(gui, 27, 28, 29, 27, 28, 29);  // ends 10 wide, middle 20
    Add(&bar, 100, 50, 200, 16);
    bar.setActualDisplayRatioFull(0.05);  // 10 pixels: shorter than both ends
    Frame();
    BeginFrame();
    bar.draw();
    EndFrame();
    std::vector<Quad> q = Quads();
    // Back: left, 9 middles, right; fill: the two cut ends.
    ASSERT_EQ(q.size(), 13u);
    const Quad& left = q[11];
    const Quad& right = q[12];
    EXPECT_NEAR(left.minX(), 100, 0.01);
    EXPECT_NEAR(left.maxX(), 105, 0.01);
    EXPECT_NEAR(right.minX(), 105, 0.01);
    EXPECT_NEAR(right.maxX(), 110, 0.01);
}

TEST_F(Scrolling, GraphicsWithoutAMapDrawNothingNotEvenChildren)
{
    Graphic parent, child;
    child.setGraphic(ImageMaps::get("gui"), 30);
    EXPECT_EQ(child.getPixWidth(), 20);
    parent.addWindow(&child);
    Add(&parent, 0, 0, 100, 100);
    Frame();
    BeginFrame();
    parent.draw();
    EndFrame();
    EXPECT_TRUE(Quads().empty());
    parent.setGraphic(ImageMaps::get("gui"), -1);  // a cell that is not there: nothing of it
    BeginFrame();
    parent.draw();
    EndFrame();
    EXPECT_EQ(Quads().size(), 1u);  // the child only
    parent.removeWindow(&child);
}

TEST_F(Scrolling, GroupBoxesHoldTheirWindowsInsetByOnePixel)
{
    GroupBox box;
    Window inner;
    inner.setPixSize(10, 10);
    box.addWindow(&inner);
    Add(&box, 50, 60, 120, 80);
    Frame();
    EXPECT_EQ(inner.getParent(), box.getClient());
    EXPECT_EQ(box.getClient()->getPixWidth(), 118);
    EXPECT_EQ(box.getClient()->getPixHeight(), 78);
    EXPECT_EQ(inner.getLeft(), 51);
    EXPECT_EQ(inner.getTop(), 61);
    box.getClient()->removeWindow(&inner);

    GraphicGroupBox skinned;
    Add(&skinned, 0, 0, 100, 60);
    Frame();
    BeginFrame();
    skinned.draw();
    EndFrame();
    EXPECT_FALSE(Quads().empty());
}

}  // namespace

// Buttons, check boxes, labels and text input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_widgets_fixture.h"
#include "wgui_button.h"
#include "wgui_font.h"
#include "wgui_input.h"
#include "wgui_label.h"

using namespace WGUI;
using wguitest::Quad;
using wguitest::Recorder;

namespace
{

class Buttons : public wguitest::WidgetFixture
{
protected:
    void SetUp() override
    {
        WidgetFixture::SetUp();
        if (HasFatalFailure())
            return;
        button.setPixSize(50, 20);
        button.setPixAlPos(100, 100);
        button.setListener(&rec);
        root->addWindow(&button);
        Frame();
    }
    void TearDown() override
    {
        root->removeWindow(&button);
        WidgetFixture::TearDown();
    }
    // A point inside the button and one outside, in the root's pixels.
    static const int kInX = 110, kInY = 105, kOutX = 300, kOutY = 300;

    Button button;
    Recorder rec;
};

TEST_F(Buttons, StateTableOfTheMouseMessages)
{
    struct Step
    {
        const char* what;
        int want;
    };
    struct Case
    {
        const char* name;
        int initial;
        bool drag;
        std::vector<Step> steps;
        std::vector<std::string> calls;
    } cases[] = {
        {"press and release inside", 0, false, {{"press", 1}, {"release", 2}}, {"pressed", "released"}},
        {"press, release outside", 0, false, {{"press", 1}, {"releaseout", 0}}, {"pressed"}},
        {"drop", 0, false, {{"drop", 2}}, {}},
        {"enter with no button", 0, false, {{"enter0", 2}}, {}},
        {"enter with a button held elsewhere", 0, false, {{"enter1", 0}}, {}},
        {"exit when not pressed", 2, false, {{"exit", 0}}, {}},
        {"exit while pressed", 0, false, {{"press", 1}, {"exit", 2}, {"enter1", 1}}, {"pressed"}},
        {"drag button exits while pressed", 0, true, {{"press", 1}, {"exit", 1}}, {"pressed"}},
        {"disabled ignores everything",
         3,
         false,
         {{"enter0", 3},
          {"press", 3},
          {"exit", 3},
          {"enter1", 3},
          {"release", 3},
          {"drop", 3},
          {"releaseout", 3}},
         {}},
    };
    for (const Case& c : cases)
    {
        Button b;
        Recorder r;
        b.setListener(&r);
        b.setPixSize(50, 20);
        b.setState(c.initial);
        b.setDragButton(c.drag);
        for (const Step& s : c.steps)
        {
            const std::string w = s.what;
            if (w == "press")
                b.messageMousePressed(10, 10, 1);
            else if (w == "release")
                b.messageMouseReleased(10, 10, 1);
            else if (w == "releaseout")
                b.messageMouseReleasedOut(500, 500, 1);
            else if (w == "drop")
                b.messageMouseDrop(10, 10, 0);
            else if (w == "enter0")
                b.messageMouseEnter(10, 10, 0);
            else if (w == "enter1")
                b.messageMouseEnter(10, 10, 1);
            else if (w == "exit")
                b.messageMouseExit(500, 500, 1);
            EXPECT_EQ(b.getState(), s.want) << c.name << ": after " << w;
        }
        EXPECT_EQ(r.calls, c.calls) << c.name;
    }
}

TEST_F(Buttons, ListenerCallsComeBeforeTheStateChange)
{
    struct Watcher : Listener
    {
        Button* b = nullptr;
        int seen = -1;
        void buttonReleased(Button*) override { seen = b->getState(); }
    } w;
    Button b;
    w.b = &b;
    b.setListener(&w);
    b.messageMousePressed(1, 1, 1);
    b.messageMouseReleased(1, 1, 1);
    EXPECT_EQ(w.seen, Button::kDown);
    EXPECT_EQ(b.getState(), Button::kOver);
}

TEST_F(Buttons, ADisabledButtonStillTracksTheMouseButGetsNoHand)
{
    button.disable();
    EXPECT_FALSE(button.isEnabled());
    ResetCursor();
    root->messageMouseMove(kInX, kInY, 0, true);
    root->messageMousePressed(kInX, kInY, 1);
    EXPECT_TRUE(button.isMouseDownIn());
    EXPECT_EQ(CursorType(), 0);
    EXPECT_EQ(button.getState(), Button::kDisabled);
    EXPECT_TRUE(rec.calls.empty());
    button.enable();
    EXPECT_EQ(button.getState(), Button::kUp);
}

TEST_F(Buttons, HoldingInsideRepeatsAfterHalfASecondThenEveryFewFrames)
{
    root->messageMouseMove(kInX, kInY, 0, true);
    EXPECT_EQ(CursorType(), MouseCursor::kHand);
    root->messageMousePressed(kInX, kInY, 1);
    ASSERT_EQ(rec.count("pressed"), 1);
    std::vector<int> repeatFrames;
    double held = 0;
    double firstRepeatHeld = -1;
    for (int frame = 1; frame <= 62; ++frame)
    {
        Frame(16);
        held += 0.016;
        const int before = rec.count("repeat");
        root->messageMouseDrag(kInX, kInY, 1, false);
        if (rec.count("repeat") > before)
        {
            repeatFrames.push_back(frame);
            if (firstRepeatHeld < 0)
                firstRepeatHeld = held;
        }
    }
    ASSERT_GE(repeatFrames.size(), 3u);
    // The first repeat comes with the first drag message after 0.5 s of holding.
    EXPECT_GT(firstRepeatHeld, 0.5);
    EXPECT_LE(firstRepeatHeld - 0.016, 0.5);
    // Then each time more than 0.07 s has gathered: 5 frames of 16 ms (4 make only 0.064).
    for (size_t i = 1; i < repeatFrames.size(); ++i)
        EXPECT_EQ(repeatFrames[i] - repeatFrames[i - 1], 5);
    EXPECT_EQ(rec.count("dragged"), 62);

    // Outside: no more repeats, but the drag messages keep coming.
    const int repeats = rec.count("repeat");
    for (int frame = 0; frame < 20; ++frame)
    {
        Frame(16);
        root->messageMouseDrag(kOutX, kOutY, 1, true);
    }
    EXPECT_EQ(rec.count("repeat"), repeats);
    EXPECT_EQ(rec.count("dragged"), 82);
}

TEST_F(Buttons, ADragButtonKeepsItsStateAndTheHandOutside)
{
    button.setDragButton(true);
    root->messageMousePressed(kInX, kInY, 1);
    Frame();
    ResetCursor();
    root->messageMouseDrag(kOutX, kOutY, 1, true);
    EXPECT_EQ(button.getState(), Button::kDown);
    EXPECT_EQ(CursorType(), MouseCursor::kHand);

    // An ordinary button goes to "over" and shows no hand outside.
    button.setDragButton(false);
    root->messageMouseDrag(kInX, kInY, 1, true);
    ResetCursor();
    root->messageMouseDrag(kOutX, kOutY, 1, true);
    EXPECT_EQ(CursorType(), 0);
    EXPECT_EQ(button.getState(), Button::kOver);
}

TEST_F(Buttons, TextButtonsDrawTheNineCellSkin)
{
    TextButton t;
    t.setPixSize(100, 30);
    t.setPixAlPos(200, 100);
    root->addWindow(&t);
    Frame();
    BeginFrame();
    t.draw();
    EndFrame();
    std::vector<Quad> q = Quads();
    // Centre 7 x 1, four corners, top 7, right 1, bottom 7, left 1.
    ASSERT_EQ(q.size(), 27u);
    // The centre's first tile is inside the borders, clipped to the 6 pixels between them.
    EXPECT_NEAR(q[0].minX(), 212, 0.01);
    EXPECT_NEAR(q[0].minY(), 112, 0.01);
    EXPECT_NEAR(q[0].maxY(), 118, 0.01);
    // The last centre tile is cut at the right border.
    EXPECT_NEAR(q[6].maxX(), 288, 0.01);
    // Corners: top-left, top-right.
    EXPECT_NEAR(q[7].minX(), 200, 0.01);
    EXPECT_NEAR(q[7].minY(), 100, 0.01);
    EXPECT_NEAR(q[8].minX(), 288, 0.01);
    // The skin of the up state is cells 0..8; of the down state 9..17 (another source row).
    const float upV = q[0].v[0];
    t.setState(Button::kDown);
    BeginFrame();
    t.draw();
    EndFrame();
    q = Quads();
    ASSERT_EQ(q.size(), 27u);
    EXPECT_GT(q[0].v[0], upV);
    root->removeWindow(&t);
}

TEST_F(Buttons, GraphicButtonsTakeTheirCellSizeOrStretch)
{
    GraphicButton g;
    g.setGraphic(ImageMaps::get("gui"), 30, 32, 31, 33);
    g.setPixAlPos(10, 10);
    root->addWindow(&g);
    Frame();
    EXPECT_EQ(g.getPixWidth(), 20);
    EXPECT_EQ(g.getPixHeight(), 20);
    EXPECT_TRUE(g.isNaturalSize());
    g.setShiftOnDown(2, 3);
    g.setState(Button::kDown);
    BeginFrame();
    g.draw();
    EndFrame();
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_NEAR(q[0].minX(), 12, 0.01);
    EXPECT_NEAR(q[0].minY(), 13, 0.01);

    g.setState(Button::kDisabled);
    g.setDisabledColor(1, 0, 0, 0.5);
    g.setPixSize(60, 30);
    Frame();
    EXPECT_EQ(g.getPixWidth(), 60);
    BeginFrame();
    g.draw();
    EndFrame();
    q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_NEAR(q[0].maxX() - q[0].minX(), 60, 0.01);
    EXPECT_NEAR(q[0].maxY() - q[0].minY(), 30, 0.01);
    EXPECT_EQ(q[0].color.Green(), 0);
    EXPECT_EQ(q[0].color.Alpha(), 127);
    root->removeWindow(&g);
}

TEST_F(Buttons, CheckBoxesToggleOnReleaseInsideAndTellTheOuterListener)
{
    CheckBox box;
    Recorder outer;
    box.setListener(&outer);
    box.setText("Sound");
    box.setPixAlPos(300, 10);
    root->addWindow(&box);
    Frame();
    Font* f = box.getFont();
    EXPECT_EQ(box.getPixWidth(), f->getStringWidth("Sound") + 16 + 4);
    EXPECT_EQ(box.getPixHeight(), 17);

    box.setSelected(true);
    EXPECT_TRUE(outer.calls.empty());
    box.setSelected(false);

    root->messageMousePressed(305, 15, 1);
    EXPECT_FALSE(box.getSelected());
    root->messageMouseReleased(305, 15, 1);
    EXPECT_TRUE(box.getSelected());
    ASSERT_EQ(outer.calls, (std::vector<std::string>{"pressed", "released"}));
    EXPECT_EQ(outer.buttons[1], &box);

    // Released outside: no toggle.
    root->messageMousePressed(305, 15, 1);
    root->messageMouseReleasedOut(600, 400, 1);
    EXPECT_TRUE(box.getSelected());
    root->removeWindow(&box);
}

TEST_F(Buttons, ADisabledCheckBoxDrawsTickAndTextAtHalfAlpha)
{
    CheckBox box;
    box.setPixAlPos(10, 10);
    box.setSelected(true);
    box.disable();
    root->addWindow(&box);
    Frame();
    BeginFrame();
    box.draw();
    EndFrame();
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].color.Alpha(), 255);
    EXPECT_EQ(q[1].color.Alpha(), 127);
    root->removeWindow(&box);
}

TEST_F(Buttons, LabelsFollowTheirTextInPixels)
{
    Label l;
    l.setText("Hello");
    l.setUseVirtCoordDim(true, true);
    root->addWindow(&l);
    Frame();
    Font* f = l.getFont();
    EXPECT_EQ(l.getPixWidth(), f->getStringWidth("Hello"));
    EXPECT_EQ(l.getPixHeight(), f->getHeightPix());
    l.setText("Hello again");
    Frame();
    EXPECT_EQ(l.getPixWidth(), f->getStringWidth("Hello again"));
    l.setColour(1, 0, 0, 0.25);
    EXPECT_DOUBLE_EQ(l.getOpacitySelf(), 0.25);
    l.setCustomKerning(true, 4.0f);
    f->setKerning(1.0f);
    Frame();
    EXPECT_FLOAT_EQ(f->getKerning(), 1.0f);
    root->removeWindow(&l);
}

class TextInputs : public wguitest::WidgetFixture
{
protected:
    void SetUp() override
    {
        WidgetFixture::SetUp();
        if (HasFatalFailure())
            return;
        input.setPixSize(200, 20);
        input.setPixAlPos(10, 10);
        input.setListener(&rec);
        root->addWindow(&input);
        Frame();
    }
    void TearDown() override
    {
        root->removeWindow(&input);
        WidgetFixture::TearDown();
    }
    void Type(unsigned char c)
    {
        WEvent e;
        e.type = WEvent::kChar;
        e.code = static_cast<char>(c);
        input.messageCallback(e);
    }
    void Key(int key)
    {
        WEvent e;
        e.type = WEvent::kKeyDown;
        e.key = key;
        input.messageCallback(e);
    }
    TextInput input;
    Recorder rec;
};

TEST_F(TextInputs, CharacterFiltersInTheirOrder)
{
    enum
    {
        kPlain,
        kLetters,
        kName,
        kPassword,
        kLettersAndPassword
    };
    const unsigned char chars[] = {'a', '7', ' ', '-', '_', '|', '\\', '.', 9, 13, 127, 200};
    // Taken (1) or not, per option set, for the characters above in order.
    const char* want[] = {
        "111111110000",  // plain: 32..126
        "111000000000",  // letters or numbers (and space)
        "111010000010",  // account name: no listed marks, nothing below 32 or from 128
        "111111110011",  // account password: anything from 32
        "111111110011",  // letters and password: the password rule wins for the rest
    };
    for (int mode = kPlain; mode <= kLettersAndPassword; ++mode)
    {
        for (size_t i = 0; i < sizeof chars; ++i)
        {
            TextInput t;
            t.setPixSize(400, 20);
            t.setLettersOrNumbersOnly(mode == kLetters || mode == kLettersAndPassword);
            t.setQuillfireNameOnly(mode == kName);
            t.setQuillfirePasswordOnly(mode == kPassword || mode == kLettersAndPassword);
            WEvent e;
            e.type = WEvent::kChar;
            e.code = static_cast<char>(chars[i]);
            t.messageCallback(e);
            EXPECT_EQ(t.getText().length() == 1, want[mode][i] == '1')
                << "mode " << mode << " char " << int(chars[i]);
        }
    }
}

TEST_F(TextInputs, TypingEditingAndTheListener)
{
    Type('a');
    Type('c');
    Key(Input::kLeft);
    Type('b');
    EXPECT_EQ(std::string(input.getText().c_str()), "abc");
    EXPECT_EQ(input.getCaret(), 2);
    EXPECT_EQ(rec.count("text"), 3);
    Type(8);  // removes the 'b' left of the caret
    EXPECT_EQ(std::string(input.getText().c_str()), "ac");
    EXPECT_EQ(input.getCaret(), 1);
    Key(Input::kLeft);
    Key(Input::kLeft);
    EXPECT_EQ(input.getCaret(), 0);
    const int before = rec.count("text");
    Type(8);  // nothing to the left
    EXPECT_EQ(std::string(input.getText().c_str()), "ac");
    EXPECT_EQ(rec.count("text"), before);
    Key(Input::kRight);
    Key(Input::kRight);
    Key(Input::kRight);
    EXPECT_EQ(input.getCaret(), 2);
}

TEST_F(TextInputs, AFullBoxTakesNothingAndTellsNobody)
{
    input.setCharacterLimit(3);
    for (char c : std::string("abcd"))
        Type(static_cast<unsigned char>(c));
    EXPECT_EQ(std::string(input.getText().c_str()), "abc");
    EXPECT_EQ(rec.count("text"), 3);

    // Width-limited: a narrow box fills up.
    TextInput narrow;
    narrow.setPixSize(40, 20);
    Recorder r;
    narrow.setListener(&r);
    for (int i = 0; i < 30; ++i)
    {
        WEvent e;
        e.type = WEvent::kChar;
        e.code = 'W';
        narrow.messageCallback(e);
    }
    EXPECT_TRUE(narrow.textFitsBox(narrow.getText()));
    EXPECT_FALSE(narrow.textFitsBox(narrow.getText() + "W"));
    EXPECT_EQ(r.count("text"), static_cast<int>(narrow.getText().length()));
}

TEST_F(TextInputs, OnceACharacterDoesNotFitTheRestOfTheTypingIsRefused)
{
    // The name entry's box: letters, digits and spaces, as wide as the text allows.
    TextInput name;
    name.setPixSize(150, 20);
    name.setLettersOrNumbersOnly(true);
    auto type = [&name](const std::string& s)
    {
        for (char c : s)
        {
            WEvent e;
            e.type = WEvent::kChar;
            e.code = c;
            name.messageCallback(e);
        }
    };
    const std::string typed = "Bob the Very Long Named Player 12345";
    type(typed);
    const std::string got = name.getText().c_str();
    ASSERT_FALSE(got.empty());
    // What was taken is the start of what was typed: nothing skipped, nothing slipped in.
    EXPECT_EQ(typed.compare(0, got.size(), got), 0) << got;
    EXPECT_LT(got.size(), typed.size());
    EXPECT_TRUE(name.isFull());
    // A narrow letter typed later is refused too, although it would fit the gap.
    type("i");
    EXPECT_EQ(std::string(name.getText().c_str()), got);
    // Removing a character ends the refusal: typing goes on from there.
    type("\b");
    EXPECT_FALSE(name.isFull());
    type("i");
    EXPECT_EQ(std::string(name.getText().c_str()), got.substr(0, got.size() - 1) + "i");
    // So do a new text and a new activation.
    type("WWWWWWWWWWWWWWWWWWWW");
    EXPECT_TRUE(name.isFull());
    name.setText("Al");
    EXPECT_FALSE(name.isFull());
    type("WWWWWWWWWWWWWWWWWWWW");
    name.messageActivate();
    EXPECT_FALSE(name.isFull());
}

TEST_F(TextInputs, SetTextKeepsTheLongestFittingPrefix)
{
    input.setCharacterLimit(4);
    EXPECT_TRUE(input.setText("abcd"));
    input.moveCursorToEnd();
    EXPECT_EQ(input.getCaret(), 4);
    EXPECT_FALSE(input.setText("abcdefg"));
    EXPECT_EQ(std::string(input.getText().c_str()), "abcd");
    EXPECT_TRUE(input.setText("x"));
    EXPECT_EQ(input.getCaret(), 1);  // never past the text
    input.setPasswordBox(true);
    EXPECT_EQ(std::string(TextInput::getAsteriskString("pass").c_str()), "****");
}

TEST_F(TextInputs, AClickPutsTheCaretBetweenCharacters)
{
    input.setText("abcdef");
    Font* f = input.getFont();
    const int wa = f->getStringWidth("a");
    // Left of the middle of the first character, in the root's pixels (the input is at 10).
    input.messageMousePressed(10 + 3 + wa / 2 - 1, 15, 1);
    EXPECT_EQ(input.getCaret(), 0);
    const int w3 = f->getStringWidth("abc"), w2 = f->getStringWidth("ab");
    input.messageMousePressed(10 + 3 + w3 - (w3 - w2) / 2, 15, 1);
    EXPECT_EQ(input.getCaret(), 3);
    input.messageMousePressed(10 + 190, 15, 1);
    EXPECT_EQ(input.getCaret(), 6);
}

TEST_F(TextInputs, TheCaretBlinksOnlyWhileActive)
{
    EXPECT_FALSE(input.isCaretShown());
    input.setActive(true);
    EXPECT_TRUE(input.isCaretShown());
    Frame(16);
    EXPECT_EQ(input.getPixHeight(), input.getFont()->getHeightPix() + 2);
    int flips = 0;
    bool last = input.isCaretShown();
    for (int i = 0; i < 100; ++i)
    {  // 1.6 s
        Frame(16);
        flips += input.isCaretShown() != last;
        last = input.isCaretShown();
    }
    EXPECT_EQ(flips, 3);  // after each 32 frames (more than 0.5 s)
    input.setActive(false);
    EXPECT_FALSE(input.isCaretShown());
    Frame(16);
    EXPECT_FALSE(input.isCaretShown());
    ResetCursor();
    root->messageMouseMove(20, 15, 0, true);
    EXPECT_EQ(CursorType(), MouseCursor::kCaret);
}

TEST_F(TextInputs, DrawingShowsAsterisksInAPasswordBox)
{
    input.setPasswordBox(true);
    input.setText("secret");
    input.setActive(true);
    BeginFrame();
    input.draw();
    EndFrame();
    // Fill, four edges and the caret line at least; no crash on the hidden text.
    int untextured = 0;
    for (const auto& c : handler->calls)
        untextured += c.kind == TDrawCall::kVertices && !c.texture;
    EXPECT_GE(untextured, 6);
}

}  // namespace

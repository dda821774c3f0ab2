// Buttons, layered windows and image windows built from window tables: layers and their images,
// mouse states, toggle and radio groups, click masks, commands and the messages of a press.
#include <algorithm>

#include "sound/sound.h"
#include "test_widget_fixture.h"

namespace wtest
{
namespace
{

using ButtonTest = WidgetTest;

TImage* ShownImage(TButton* button)
{
    TImage* shown = nullptr;
    int count = 0;
    for (TWindow* child : button->GetChildren())
        if (child->IsKindOf(TImage::ClassId()) && (child->GetFlags() & TWindow::kShown))
        {
            shown = static_cast<TImage*>(child);
            count++;
        }
    return count == 1 ? shown : nullptr;
}

std::string ShownName(TButton* button)
{
    TImage* image = ShownImage(button);
    return image ? image->GetName().c_str() : "<none or several>";
}

TEST_F(ButtonTest, LayeredWindowsShowOneLayerAndForgetOrphans)
{
    auto* layered = new TLayeredWindow(4);
    dialog->AdoptChild(layered, true);
    auto* everywhere = new TWindow();
    layered->SelectLayer(-1);
    layered->AdoptChild(everywhere, true);
    TWindow* inLayer[4];
    for (int i = 0; i < 4; i++)
    {
        layered->SelectLayer(i);
        inLayer[i] = new TWindow();
        layered->AdoptChild(inLayer[i], true);
    }
    layered->SelectLayer(2);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ((inLayer[i]->GetFlags() & TWindow::kShown) != 0, i == 2) << i;
    EXPECT_TRUE(everywhere->GetFlags() & TWindow::kShown);

    // Out-of-range layers are ignored.
    layered->SelectLayer(7);
    EXPECT_EQ(layered->GetCurrentLayer(), 2u);

    layered->OrphanChild(inLayer[1]);
    delete inLayer[1];
    layered->SelectLayer(1);
    for (TWindow* child : layered->GetChildren())
        EXPECT_EQ((child->GetFlags() & TWindow::kShown) != 0, child == everywhere);
    for (unsigned i = 0; i < 4; i++)
        EXPECT_EQ(std::count(layered->GetLayer(i).begin(), layered->GetLayer(i).end(), inLayer[1]), 0);
}

TEST_F(ButtonTest, AnEmptyGraphicsEntryShowsThePreviousImageInItsLayerToo)
{
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'b', graphics = { 'a.png', '', 'c.png' } } }"));
    TButton* b = Find<TButton>("b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetWindowWidth(), 40);
    EXPECT_EQ(b->GetWindowHeight(), 20);
    EXPECT_EQ(b->GetLayer(0), b->GetLayer(1));
    ASSERT_EQ(b->GetLayer(2).size(), 1u);
    EXPECT_EQ(std::string(b->GetLayer(2)[0]->GetName().c_str()), "image2");
    EXPECT_EQ(ShownName(b), "image0");
    b->SetState(TButton::kDown);
    EXPECT_EQ(ShownName(b), "image0");
    b->SetState(TButton::kRollover);
    EXPECT_EQ(ShownName(b), "image2");
}

TEST_F(ButtonTest, ToggleShowsItsNextLookWhileHeldAndTheCommandSeesTheOldState)
{
    StartWaiting();
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 't', type = kToggle,"
                    " graphics = { 'a.png', 'b.png', 'c.png', 'd.png' },"
                    " command = function() gStateInCommand = GetButtonToggleState('t') end } }"));
    TButton* t = Find<TButton>("t");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(ShownName(t), "image0");
    EXPECT_TRUE(t->OnMouseDown(TPoint(5, 5)));
    EXPECT_EQ(ShownName(t), "image1");
    EXPECT_TRUE(t->OnMouseUp(TPoint(5, 5)));
    EXPECT_EQ(G("gStateInCommand"), "false");
    EXPECT_TRUE(t->GetOn());
    EXPECT_EQ(t->GetState(), TButton::kRollover);
    EXPECT_EQ(ShownName(t), "image3");
    t->OnMouseLeave();
    EXPECT_EQ(ShownName(t), "image1");
    EXPECT_FALSE(manager->IsMouseListener(t));
}

TEST_F(ButtonTest, PressingARadioButtonClearsOnlyItsGroup)
{
    // The screen script sets "beginGroup" from BeginGroup().
    ASSERT_TRUE(Run("MakeDialog{ BeginGroup(), Button{ name = 'r1', type = kRadio, on = true },"
                    " Button{ name = 'r2', type = kRadio }, Button{ name = 'r3', type = kRadio },"
                    " BeginGroup(), Button{ name = 'r4', type = kRadio },"
                    " Button{ name = 'r5', type = kRadio, on = true } }"));
    TButton* r[6] = {nullptr,
                     Find<TButton>("r1"),
                     Find<TButton>("r2"),
                     Find<TButton>("r3"),
                     Find<TButton>("r4"),
                     Find<TButton>("r5")};
    for (int i = 1; i <= 5; i++)
        ASSERT_NE(r[i], nullptr) << i;
    EXPECT_TRUE(r[1]->GetOn());
    r[2]->SetOn(true);
    EXPECT_FALSE(r[1]->GetOn()) << "the group start is part of its group";
    r[3]->PressButton();
    EXPECT_FALSE(r[1]->GetOn());
    EXPECT_FALSE(r[2]->GetOn());
    EXPECT_TRUE(r[3]->GetOn());
    EXPECT_FALSE(r[4]->GetOn());
    EXPECT_TRUE(r[5]->GetOn()) << "the next group is left alone";
    ASSERT_TRUE(Run("s3 = GetButtonToggleState('r3') s2 = GetButtonToggleState('r2')"));
    EXPECT_EQ(G("s3"), "true");
    EXPECT_EQ(G("s2"), "false");
}

TEST_F(ButtonTest, TheClickMaskDecidesWithOrWithoutTheScalingFix)
{
    // The button is 40 x 20, its mask 20 x 10 (left half near black, right half red).
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'm', mask = 'mask.png', graphics = { 'a.png' } } }"));
    TButton* m = Find<TButton>("m");
    ASSERT_NE(m, nullptr);
    ASSERT_TRUE(m->HasClickMask());
    struct Case
    {
        const char* fix;
        TPoint point;
        bool misses;
    } cases[] = {
        {"", TPoint(6, 2), false},    // times 2 -> column 12 (red)
        {"1", TPoint(6, 2), true},    // divided by 2 -> column 3 (black)
        {"", TPoint(3, 2), true},     // column 6 (black)
        {"1", TPoint(30, 2), false},  // column 15 (red)
        {"", TPoint(10, 2), true},    // column 20: beyond the mask
        {"1", TPoint(10, 2), true},   // column 5 (black)
        {"", TPoint(40, 2), true},    // outside the button
    };
    for (const Case& c : cases)
    {
        TConfig::Map()["fixbuttonmask"] = c.fix;
        EXPECT_EQ(m->ReleaseCapture(c.point), c.misses) << "fix '" << c.fix << "' at " << c.point.x;
    }
    // A miss while down resets the button; a click on the black part presses nothing.
    TConfig::Map()["fixbuttonmask"] = "";
    m->OnMouseDown(TPoint(3, 2));
    EXPECT_EQ(m->GetState(), TButton::kIdle);
    EXPECT_TRUE(m->OnMouseUp(TPoint(3, 2)));
    EXPECT_TRUE(Queue().empty());
    m->OnMouseDown(TPoint(6, 2));
    EXPECT_EQ(m->GetState(), TButton::kDown);
    m->OnMouseUp(TPoint(6, 2));
    ASSERT_EQ(Queue().size(), 1u);
    EXPECT_EQ(Queue()[0], "3 m");
}

TEST_F(ButtonTest, ACloseButtonPostsTheCloseBeforeThePressAndReturnsItsName)
{
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'ok', close = true, w = 10, h = 10 } }"));
    TButton* ok = Find<TButton>("ok");
    ASSERT_NE(ok, nullptr);
    ok->PressButton();
    const std::vector<std::string> q = Queue();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0], "1 " + std::string(dialog->GetIdText().c_str()));
    EXPECT_EQ(q[1], "3 ok");
    EXPECT_EQ(G("gReturnValue"), "ok");
    EXPECT_EQ(manager->GetQueue()[1]->mTarget, dialog) << "the press goes to the button's parent";
}

TEST_F(ButtonTest, CommandsRunWithTheirButtonNameWhateverTheName)
{
    StartWaiting();
    ASSERT_TRUE(Run(
        "MakeDialog{ Button{ name = 'odd]]name', w = 10, h = 10,"
        " command = function() gName = GetButtonName() end },"
        " Button{ name = 'plain', w = 10, h = 10, command = function() gName2 = GetButtonName() end } }"));
    TButton* odd = Find<TButton>("odd]]name");
    TButton* plain = Find<TButton>("plain");
    ASSERT_NE(odd, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(odd->PressButton());
    EXPECT_EQ(G("gName"), "odd]]name");
    plain->PressButton();
    EXPECT_EQ(G("gName2"), "plain");
    // The command came with a command-only message; the press message is queued.
    EXPECT_EQ(G("gLastType"), "8");
    EXPECT_EQ(G("gLastName"), "LuaAction:plain");
    EXPECT_EQ(Queue().back(), "3 plain");
}

TEST_F(ButtonTest, ACommandThatTakesItsButtonOffTheScreenDropsThePressUnlessSentToParent)
{
    StartWaiting();
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'gone', w = 10, h = 10, command = function() "
                    "DoPopModal(gDialogId) end } }"));
    TButton* gone = Find<TButton>("gone");
    ASSERT_NE(gone, nullptr);
    EXPECT_FALSE(gone->PressButton());
    for (const std::string& m : Queue())
        EXPECT_NE(m, "3 gone");
    EXPECT_EQ(gone->GetState(), TButton::kIdle);

    ASSERT_TRUE(Run("gDialogId = PushModal('second')"));
    dialog = manager->GetTopModalWindow();
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'kept', sendToParent = true, w = 10, h = 10,"
                    " command = function() DoPopModal(gDialogId) end } }"));
    TButton* kept = Find<TButton>("kept");
    ASSERT_NE(kept, nullptr);
    EXPECT_FALSE(kept->PressButton());
    const std::vector<std::string> q = Queue();
    EXPECT_NE(std::find(q.begin(), q.end(), "3 kept"), q.end());
}

TEST_F(ButtonTest, EnterRunsTheDefaultButtonWithoutAnExtraDefaultAction)
{
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'def', default = true, w = 10, h = 10 },"
                    " Button{ name = 'esc', cancel = true, w = 10, h = 10 } }"));
    EXPECT_TRUE(dialog->OnChar(char(TEvent::kEnter)));
    std::vector<std::string> q = Queue();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0], "3 def");
    EXPECT_TRUE(dialog->OnChar(char(TEvent::kEscape)));
    q = Queue();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[1], "3 esc");
    // A hot key presses its button as a click does.
    dialog->PressButton(str("def"));
    EXPECT_EQ(Queue().back(), "3 def");
}

TEST_F(ButtonTest, LabelsAreTheTextChildNamedLabel)
{
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'lb', w = 60, h = 20, Text{ name = 'label', label = '#Go', w "
                    "= 60, h = 20 } },"
                    " Button{ name = 'bare', w = 10, h = 10 } }"));
    TButton* lb = Find<TButton>("lb");
    ASSERT_NE(lb, nullptr);
    EXPECT_EQ(std::string(lb->GetLabel().c_str()), "#Go");
    ASSERT_TRUE(Run("a = GetLabel('lb') SetLabel('lb', 'Stop') b = GetLabel('lb') c = GetLabel('bare')"));
    EXPECT_EQ(G("a"), "#Go");
    EXPECT_EQ(G("b"), "Stop");
    EXPECT_EQ(G("c"), "");
    // The label shows in every layer.
    TWindow* label = lb->GetChildWindow(str("label"), -1);
    for (unsigned i = 0; i < 4; i++)
        EXPECT_EQ(std::count(lb->GetLayer(i).begin(), lb->GetLayer(i).end(), label), 1) << i;
}

TEST_F(ButtonTest, MouseStatesTrackThePointerAndListeners)
{
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'p', graphics = { 'a.png', 'b.png', 'c.png' } } }"));
    TButton* p = Find<TButton>("p");
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->OnMouseMove(TPoint(1, 1)));
    EXPECT_EQ(p->GetState(), TButton::kRollover);
    EXPECT_TRUE(manager->IsMouseListener(p));
    EXPECT_FALSE(p->OnMouseMove(TPoint(100, 1))) << "outside: the button lets go";
    EXPECT_EQ(p->GetState(), TButton::kIdle);
    EXPECT_FALSE(manager->IsMouseListener(p));
    p->OnMouseDown(TPoint(1, 1));
    EXPECT_TRUE(manager->IsMouseListener(p));
    p->OnMouseUp(TPoint(1, 1));
    EXPECT_EQ(p->GetState(), TButton::kRollover);
    EXPECT_EQ(ShownName(p), "image2");
    // Hidden by the script: the button goes idle.
    ASSERT_TRUE(Run("EnableWindow('p', false)"));
    EXPECT_EQ(p->GetState(), TButton::kIdle);
}

TEST_F(ButtonTest, ImagesTakeTheirTextureSizeScaleRotationAndFlags)
{
    ASSERT_TRUE(Run("MakeDialog{ Bitmap{ name = 'i1', image = 'pic.png', scale = 1.5 },"
                    " Bitmap{ name = 'i2', image = 'pic.png', scale = 1.5, rotate = true },"
                    " Bitmap{ name = 'i3', image = 'pic.png', hflip = true, vflip = true, alpha = true },"
                    " Bitmap{ name = 'i4', image = 'missing.png', w = 30, h = 12 },"
                    " Bitmap{ name = 'i5', image = 'pic.png', w = 33, h = 11 } }"));
    TImage* i1 = Find<TImage>("i1");
    TImage* i2 = Find<TImage>("i2");
    TImage* i3 = Find<TImage>("i3");
    TImage* i4 = Find<TImage>("i4");
    TImage* i5 = Find<TImage>("i5");
    ASSERT_TRUE(i1 && i2 && i3 && i4 && i5);
    EXPECT_EQ(i1->GetWindowWidth(), 150);
    EXPECT_EQ(i1->GetWindowHeight(), 60);
    EXPECT_EQ(i2->GetWindowWidth(), 60);
    EXPECT_EQ(i2->GetWindowHeight(), 150);
    EXPECT_EQ(i3->GetDrawFlags(), 3u);
    EXPECT_FALSE(i3->GetFlags() & TWindow::kOpaque);
    EXPECT_TRUE(i1->GetFlags() & TWindow::kOpaque);
    EXPECT_FALSE(i4->HasTexture());
    EXPECT_EQ(i4->GetWindowWidth(), 30);
    EXPECT_EQ(i5->GetWindowWidth(), 33) << "an explicit size wins";
    ASSERT_TRUE(Run("a = ImageLoaded('i1') b = ImageLoaded('i4')"));
    EXPECT_EQ(G("a"), "true");
    EXPECT_EQ(G("b"), "false");

    i1->SetTexture(TTexture::Get(str("pic.png"), 0), 1.0f);
    i1->SetRotate(true);
    EXPECT_EQ(i1->GetWindowWidth(), 40);
    EXPECT_EQ(i1->GetWindowHeight(), 100);
    i1->SetRotate(true);
    EXPECT_EQ(i1->GetWindowWidth(), 40);
    ASSERT_TRUE(Run("SetBitmap('i4', 'pic.png', 2)"));
    EXPECT_EQ(i4->GetWindowWidth(), 200);
}

TEST_F(ButtonTest, AutoscaleFitsTheDisplay)
{
    // The display is 640 x 480: a 100 x 40 picture gets 480 / 40 = 12; with a scale of 2, none.
    ASSERT_TRUE(Run("MakeDialog{ Bitmap{ name = 'auto', image = 'pic.png', autoscale = true },"
                    " Bitmap{ name = 'fixed', image = 'pic.png', autoscale = true, scale = 2 } }"));
    TImage* a = Find<TImage>("auto");
    TImage* f = Find<TImage>("fixed");
    ASSERT_TRUE(a && f);
    EXPECT_FLOAT_EQ(a->GetImageScale(), 12.0f);
    EXPECT_FLOAT_EQ(f->GetImageScale(), 2.0f);
}

TEST_F(ButtonTest, ImagesDrawAsPivotPlacedSprites)
{
    ASSERT_TRUE(Run("MakeDialog{ Bitmap{ name = 'r', image = 'pic.png', rotate = true, x = 5, y = 6 } }"));
    TImage* r = Find<TImage>("r");
    ASSERT_NE(r, nullptr);
    handler->calls.clear();
    TRenderer::GetInstance()->BeginDraw(false);
    r->DoDraw(TWindow::kDrawAll);
    TRenderer::GetInstance()->EndDraw(false);
    int sprites = 0;
    for (const TDrawCall& c : handler->calls)
        if (c.kind == TDrawCall::kVertices && c.texture == r->GetTexture().get())
            sprites++;
    EXPECT_EQ(sprites, 1);
}

TEST_F(ButtonTest, TheScreenFillsOnlyWhenOnTopOrAskedTo)
{
    auto* s = static_cast<TScreen*>(screen);
    EXPECT_EQ(std::string(s->GetName().c_str()), "_screen_");
    {
        TScreen fresh;
        EXPECT_EQ(fresh.GetFlags() & (TWindow::kOpaque | TWindow::kCacheable),
                  TWindow::kOpaque | TWindow::kCacheable);
    }
    s->SetBackgroundColor(TColor(0.25f, 0, 0, 1));
    auto fills = [this]
    {
        int n = 0;
        for (const TDrawCall& c : handler->calls)
            if (c.kind == TDrawCall::kFill && c.color.r == 0.25f)
                n++;
        return n;
    };
    TRenderer::GetInstance()->BeginDraw(false);
    handler->calls.clear();
    s->Draw();
    EXPECT_EQ(fills(), 0) << "a dialog is on top";
    s->SetAlwaysClear(true);
    s->Draw();
    EXPECT_EQ(fills(), 1);
    s->SetNeverClear(true);
    s->Draw();
    EXPECT_EQ(fills(), 1);
    s->SetAlwaysClear(false);
    s->SetNeverClear(false);
    ASSERT_TRUE(Run("DoPopModal(gDialogId)"));
    ASSERT_EQ(manager->GetTopModalWindow(), screen);
    s->Draw();
    EXPECT_EQ(fills(), 2) << "the screen on top clears";
    TRenderer::GetInstance()->EndDraw(false);

    // With the stack drawn through the layer cache, the screen hands the cache on to the
    // screen (the texture carries the copy out when no frame is being drawn).
    auto cache = TTexture::Create(64, 64, false);
    ASSERT_NE(cache, nullptr);
    manager->SetLayerCache(cache);
    s->SetNeverClear(true);
    handler->calls.clear();
    s->Draw();
    int copies = 0;
    for (const TDrawCall& c : handler->calls)
        if (c.kind == TDrawCall::kCopyToScreen)
            copies++;
    EXPECT_EQ(copies, 1);
    manager->SetLayerCache(nullptr);
}

TEST_F(ButtonTest, SelectingTheShownLayerAgainAsksForNoRedraw)
{
    auto* layered = new TLayeredWindow(3);
    dialog->AdoptChild(layered, true);
    layered->SelectLayer(1);
    backend->AdvanceMs(50);
    manager->DrawStack();
    ASSERT_FALSE(manager->IsScreenInvalid());
    layered->SelectLayer(1);
    EXPECT_FALSE(manager->IsScreenInvalid());
    layered->SelectLayer(2);
    EXPECT_TRUE(manager->IsScreenInvalid());
}

TEST_F(ButtonTest, OnlyOpaqueImagesCoverTheirDialog)
{
    ASSERT_TRUE(Run("MakeDialog{ Bitmap{ name = 'full', image = 'pic.png', w = 640, h = 480 },"
                    " Bitmap{ name = 'clear', image = 'pic.png', w = 640, h = 480, alpha = true } }"));
    TImage* full = Find<TImage>("full");
    TImage* clear = Find<TImage>("clear");
    ASSERT_TRUE(full && clear);
    EXPECT_TRUE(dialog->HasOpaqueChild(full));
    EXPECT_FALSE(dialog->HasOpaqueChild(clear));
}

std::vector<std::string> gPlayed;
void RecordPlay(const std::shared_ptr<TSound>& sound)
{
    gPlayed.push_back(sound ? sound->GetName().c_str() : "<none>");
}

TEST_F(ButtonTest, RolloverSoundsPlayOnEveryEntryAndPressSoundsOnlyOnPress)
{
    gPlayed.clear();
    TButton::SetSoundPlayer(&RecordPlay);
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 's', w = 20, h = 20, sound = 'press.ogg', rolloversound = "
                    "'roll.ogg' } }"));
    TButton* b = Find<TButton>("s");
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->GetSound(TButton::kDown), nullptr);
    ASSERT_NE(b->GetSound(TButton::kRollover), nullptr);
    EXPECT_EQ(b->GetSound(TButton::kIdle), nullptr);
    const std::string roll(b->GetSound(TButton::kRollover)->GetName().c_str());
    const std::string press(b->GetSound(TButton::kDown)->GetName().c_str());

    b->OnMouseMove(TPoint(1, 1));  // enter: rollover sound
    b->OnMouseMove(TPoint(2, 1));  // still over: nothing
    b->OnMouseDown(TPoint(2, 1));  // down: nothing
    b->OnMouseUp(TPoint(2, 1));    // press sound, then back to rollover: rollover sound
    b->OnMouseLeave();
    const std::vector<std::string> expected = {roll, press, roll};
    EXPECT_EQ(gPlayed, expected);

    // Hidden: no rollover sound; the press sound needs the button shown within its dialog.
    gPlayed.clear();
    b->SetFlags(b->GetFlags() & ~uint32_t(TWindow::kShown));
    b->SetState(TButton::kRollover);
    b->SetState(TButton::kIdle);
    b->PressButton();
    EXPECT_TRUE(gPlayed.empty());
    TButton::SetSoundPlayer(nullptr);
}

}  // namespace
}  // namespace wtest

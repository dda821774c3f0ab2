// The window tree on its own: flags, adoption, spiders, hit tests, layout from a style, class
// identity and drawing into the recording display handler.
#include <climits>
#include <cstdint>
#include <functional>

#include "window_fixture.h"

using namespace wtest;

namespace
{

TWindow* Child(TWindow* parent, TRect r, const char* name = "")
{
    TWindow* w = new TWindow();
    w->SetName(str(name));
    w->SetWindowPos(r.left, r.top);
    w->SetWindowSize(unsigned(r.Width()), unsigned(r.Height()));
    parent->AdoptChild(w, false);
    return w;
}

class RefusingWindow : public TWindow
{
public:
    bool OnNewParent() override { return false; }
};

struct CountingSpider : TWindowSpider
{
    std::vector<TWindow*> seen;
    size_t stopAfter = 1000;
    bool Process(TWindow* child) override
    {
        seen.push_back(child);
        return seen.size() < stopAfter;
    }
};

}  // namespace

TEST(WindowTree, NewWindowIsShownEmptyAndTakesTheNextId)
{
    const uint32_t next = TWindow::NextWindowId();
    TWindow a, b;
    EXPECT_EQ(a.GetId(), next);
    EXPECT_EQ(b.GetId(), next + 1);
    EXPECT_EQ(a.GetFlags(), 0x100u);
    EXPECT_EQ(a.GetRect(), TRect());
    EXPECT_TRUE(a.GetName().empty());
    EXPECT_EQ(a.GetParent(), nullptr);
    EXPECT_STREQ(a.GetTypeName(), "TWindow");
}

TEST(WindowTree, IdTextIsEightCharactersOfHexadecimal)
{
    TWindow w;
    str text = w.GetIdText();
    EXPECT_EQ(text.length(), 8u);
    EXPECT_EQ(text, str::getFormatted("%8x", w.GetId()));
    EXPECT_EQ(str::getFormatted("%8x", 10u), str("       a"));
}

TEST(WindowTree, SetFlagsKeepsTheLowByteAndTakesTheHighByte)
{
    TWindow w;
    w.SetInternalFlags(0x3, 0);
    ASSERT_EQ(w.GetFlags(), 0x103u);
    w.SetFlags(0x0800);
    EXPECT_EQ(w.GetFlags(), 0x803u);
    w.SetFlags(0xFFFFFF00u);
    EXPECT_EQ(w.GetFlags(), 0xFF03u);
}

TEST(WindowTree, EffectiveVisibilityStopsAtTheNearestModalLayer)
{
    TWindow root;
    TModalWindow* layer = new TModalWindow();
    root.AdoptChild(layer, false);
    TWindow* inner = Child(layer, TRect(0, 0, 10, 10));
    root.SetFlags(0);  // hidden root above the layer does not matter
    EXPECT_TRUE(inner->IsEffectivelyVisible());
    layer->SetFlags(0);
    EXPECT_FALSE(inner->IsEffectivelyVisible());
    layer->SetFlags(0x100);
    inner->SetFlags(0);
    EXPECT_FALSE(inner->IsEffectivelyVisible());
}

TEST(WindowTree, AdoptionPutsTheChildInFrontOnceAndRefusesCycles)
{
    TWindow parent;
    TWindow* a = Child(&parent, TRect());
    TWindow* b = Child(&parent, TRect());
    EXPECT_TRUE(parent.AdoptChild(a, false));
    ASSERT_EQ(parent.GetChildren().size(), 2u);
    EXPECT_EQ(parent.GetChildren().front(), b) << "adopting again does not move or duplicate";
    EXPECT_EQ(a->GetParent(), &parent);

    EXPECT_FALSE(a->AdoptChild(&parent, false)) << "an ancestor cannot become a child";
    EXPECT_FALSE(a->AdoptChild(a, false));
    EXPECT_EQ(parent.GetParent(), nullptr);
}

TEST(WindowTree, AdoptionMovesAWindowAwayFromItsOldParent)
{
    TWindow first, second;
    TWindow* w = Child(&first, TRect());
    second.AdoptChild(w, false);
    EXPECT_TRUE(first.GetChildren().empty());
    EXPECT_EQ(second.GetChildren().size(), 1u);
    EXPECT_EQ(w->GetParent(), &second);
}

TEST(WindowTree, AdoptionWithNotificationFailsWhenTheChildRefuses)
{
    TWindow parent;
    auto* refusing = new RefusingWindow();
    EXPECT_FALSE(parent.AdoptChild(refusing, true));
    EXPECT_TRUE(parent.GetChildren().empty());
    EXPECT_EQ(refusing->GetParent(), nullptr);
    delete refusing;
    auto* willing = new TWindow();
    EXPECT_TRUE(parent.AdoptChild(willing, true));
}

TEST(WindowTree, OrphanAndDeleteLeaveNoStaleEntries)
{
    TWindow parent;
    TWindow* a = Child(&parent, TRect());
    TWindow* b = Child(&parent, TRect());
    parent.OrphanChild(a);
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_EQ(parent.GetChildren().size(), 1u);
    delete a;
    // Deleting a window that is still listed takes it out of its parent's list first.
    delete b;
    EXPECT_TRUE(parent.GetChildren().empty());
    TWindow stranger;
    parent.OrphanChild(&stranger);  // not a child: nothing happens
    EXPECT_TRUE(parent.GetChildren().empty());
}

TEST(WindowTree, ForEachChildWalksEitherWayAndStopsOnFalse)
{
    TWindow parent;
    TWindow* back = Child(&parent, TRect());
    TWindow* middle = Child(&parent, TRect());
    TWindow* front = Child(&parent, TRect());
    CountingSpider forward;
    parent.ForEachChild(&forward, false);
    EXPECT_EQ(forward.seen, (std::vector<TWindow*>{front, middle, back}));
    CountingSpider reverse;
    reverse.stopAfter = 1;
    parent.ForEachChild(&reverse, true);
    EXPECT_EQ(reverse.seen, (std::vector<TWindow*>{back})) << "stops at once after false";
}

TEST(WindowTree, ChildrenDeleteWithoutAManagerDeletesAtOnce)
{
    TWindow parent;
    Child(&parent, TRect());
    Child(&parent, TRect());
    parent.DestroyAllChildren();
    EXPECT_TRUE(parent.GetChildren().empty());
}

TEST(WindowTree, GetChildWindowHonoursTheDepth)
{
    TWindow root;
    root.SetName(str("root"));
    TWindow* a = Child(&root, TRect(), "a");
    TWindow* deep = Child(a, TRect(), "deep");
    EXPECT_EQ(root.GetChildWindow(str("root"), 0), &root);
    EXPECT_EQ(root.GetChildWindow(str("a"), 0), nullptr);
    EXPECT_EQ(root.GetChildWindow(str("a"), 1), a);
    EXPECT_EQ(root.GetChildWindow(str("deep"), 1), nullptr);
    EXPECT_EQ(root.GetChildWindow(str("deep"), -1), deep);
    EXPECT_EQ(root.GetChildWindow(str("none"), -1), nullptr);
}

TEST(WindowTree, FindParentModalSkipsTheWindowItself)
{
    TModalWindow layer;
    TWindow* plain = Child(&layer, TRect());
    TWindow* inner = Child(plain, TRect());
    EXPECT_EQ(inner->FindParentModal(), &layer);
    EXPECT_EQ(layer.FindParentModal(), nullptr);
    // A window with the modal bit that is not a modal layer ends the walk with nothing.
    plain->SetInternalFlags(TWindow::kModal, 0);
    EXPECT_EQ(inner->FindParentModal(), nullptr);
}

TEST(WindowTree, GeometryInScreenCoordinates)
{
    TWindow root;
    root.SetWindowPos(5, 6);
    root.SetWindowSize(300, 200);
    TWindow* a = Child(&root, TRect(10, 20, 110, 70));
    TWindow* b = Child(a, TRect(1, 2, 11, 12));
    TRect r;
    b->GetWindowRect(&r);
    EXPECT_EQ(r, TRect(16, 28, 26, 38));
    b->GetClientRect(&r);
    EXPECT_EQ(r, TRect(0, 0, 10, 10));
    TPoint p(20, 30);
    b->ScreenToClient(&p);
    EXPECT_EQ(p, TPoint(4, 2));
    b->ClientToParent(&p);
    EXPECT_EQ(p, TPoint(5, 4));
    EXPECT_EQ(a->GetWindowWidth(), 100);
    EXPECT_EQ(a->GetWindowHeight(), 50);
}

TEST(WindowTree, ExtremePositionsAndSizesStayInRange)
{
    const int32_t L = TWindow::kCoordLimit;
    struct Case
    {
        const char* what;
        std::function<void(TWindow&)> act;
        TRect expected;
    };
    const Case cases[] = {
        {"a position past the range keeps the size where it can",
         [](TWindow& w)
         {
             w.SetWindowSize(1000, 10);
             w.SetWindowPos(INT32_MAX, INT32_MIN);
         },
         TRect(L, -L, L, -L + 10)},
        {"a size past the range from a negative left",
         [](TWindow& w)
         {
             w.SetWindowPos(-2000000000, 0);
             w.SetWindowSize(UINT32_MAX, 5);
         },
         TRect(-L, 0, L, 5)},
        {"a style far out without a parent",
         [](TWindow& w)
         {
             MapStyle style;
             style.numbers = {{"x", 2e9}, {"w", 2e9}, {"y", -2e9}, {"h", 2e9}};
             w.Init(style);
         },
         TRect(L, -L, L, L)},
    };
    for (const Case& c : cases)
    {
        TWindow w;
        c.act(w);
        EXPECT_EQ(w.GetRect(), c.expected) << c.what;
        EXPECT_GE(w.GetWindowWidth(), 0) << c.what;
        EXPECT_GE(w.GetWindowHeight(), 0) << c.what;
    }

    // Screen rectangles of a deep chain of far-off windows stay in range too.
    TWindow root;
    TWindow* w = &root;
    for (int i = 0; i < 200; ++i)
        w = Child(w, TRect(L, L, L, L));
    TRect screen;
    w->GetWindowRect(&screen);
    EXPECT_EQ(screen, TRect(TWindow::kScreenLimit, TWindow::kScreenLimit, TWindow::kScreenLimit,
                            TWindow::kScreenLimit));
    TPoint p(0, 0);
    w->ScreenToClient(&p);
    EXPECT_EQ(p, TPoint(-TWindow::kScreenLimit, -TWindow::kScreenLimit));
}

TEST(WindowTree, FitToChildrenOnlyGrows)
{
    TWindow w;
    w.SetWindowSize(10, 50);
    Child(&w, TRect(5, 5, 30, 20));
    Child(&w, TRect(0, 10, 8, 40));
    w.FitToChildren();
    EXPECT_EQ(w.GetWindowWidth(), 30);
    EXPECT_EQ(w.GetWindowHeight(), 50);
}

// ---------------------------------------------------------------------------------------------
// Hit tests

TEST(WindowHitTest, HalfOpenRectanglesFrontChildFirst)
{
    TWindow parent;
    parent.SetWindowSize(100, 100);
    TWindow* b = Child(&parent, TRect(30, 30, 80, 80), "b");
    TWindow* a = Child(&parent, TRect(10, 10, 50, 50), "a");
    EXPECT_EQ(parent.NextChildWindowFromPoint(TPoint(10, 10)), a);
    EXPECT_EQ(parent.NextChildWindowFromPoint(TPoint(49, 49)), a);
    EXPECT_EQ(parent.NextChildWindowFromPoint(TPoint(50, 50)), b) << "right and bottom edges are outside";
    EXPECT_EQ(parent.NextChildWindowFromPoint(TPoint(80, 80)), &parent);
    EXPECT_EQ(parent.NextChildWindowFromPoint(TPoint(40, 40), std::next(parent.GetChildren().begin())), b);
}

TEST(WindowHitTest, HiddenWindowsAndChildrenOfHiddenWindowsAreNotHit)
{
    TWindow parent;
    parent.SetWindowSize(100, 100);
    TWindow* hidden = Child(&parent, TRect(0, 0, 100, 100));
    TWindow* inner = Child(hidden, TRect(0, 0, 50, 50));
    hidden->SetFlags(0);
    EXPECT_EQ(parent.NextChildWindowFromPoint(TPoint(5, 5)), &parent);
    ASSERT_TRUE(inner->GetFlags() & TWindow::kShown);
    EXPECT_EQ(hidden->NextChildWindowFromPoint(TPoint(5, 5)), hidden);
}

TEST(WindowHitTest, ChildWindowFromPointFindsTheDeepestWindowWithinTheDepth)
{
    TWindow root;
    root.SetWindowSize(200, 200);
    TWindow* a = Child(&root, TRect(10, 10, 110, 110), "a");
    TWindow* b = Child(a, TRect(5, 5, 50, 50), "b");
    TPoint local;
    EXPECT_EQ(root.ChildWindowFromPoint(TPoint(20, 25), -1, &local), b);
    EXPECT_EQ(local, TPoint(5, 10));
    EXPECT_EQ(root.ChildWindowFromPoint(TPoint(150, 150), 1), &root) << "no child holds the point";
    EXPECT_EQ(root.ChildWindowFromPoint(TPoint(20, 25), 1), nullptr) << "a child holds it: too deep";
    EXPECT_EQ(root.ChildWindowFromPoint(TPoint(20, 25), 2), nullptr);
    EXPECT_EQ(root.ChildWindowFromPoint(TPoint(20, 25), 3), b);
    EXPECT_EQ(root.ChildWindowFromPoint(TPoint(20, 25), 0), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Class identity

TEST(WindowClassId, FactoriesMakeWindowsAndOtherIdsMakeNothing)
{
    TWindow* plain = TWindow::CreateFromId(TWindow::ClassId());
    ASSERT_NE(plain, nullptr);
    EXPECT_STREQ(plain->GetTypeName(), "TWindow");
    delete plain;

    EXPECT_EQ(TWindow::CreateFromId(TModalWindow::ClassId()), nullptr) << "names itself";
    EXPECT_EQ(TWindow::CreateFromId(0), nullptr);
    EXPECT_EQ(TWindow::CreateFromId(TClassId(0x12345678)), nullptr) << "never called as an address";

    TWindow* screen = TWindow::CreateFromId(TScreen::ClassId());
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->IsKindOf(TModalWindow::ClassId()));
    EXPECT_TRUE(screen->IsKindOf(TWindow::ClassId()));
    EXPECT_FALSE(screen->IsKindOf(TButtonBase::ClassId()));
    EXPECT_TRUE(screen->GetFlags() & TWindow::kModal);
    delete screen;
}

// ---------------------------------------------------------------------------------------------
// Layout from a style

namespace
{

struct LayoutCase
{
    const char* what;
    double x, w;
    double align;
    int32_t parentWidth;
    int32_t left, width;  // expected
};

}  // namespace

class WindowLayout : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P(WindowLayout, PlacesTheHorizontalPair)
{
    const LayoutCase& c = GetParam();
    TWindow parent;
    parent.SetWindowSize(unsigned(c.parentWidth), 480);
    TWindow* w = new TWindow();
    parent.AdoptChild(w, false);
    MapStyle style;
    style.numbers = {{"x", c.x}, {"w", c.w}, {"y", 0}, {"h", 10}, {"align", c.align}};
    style.strings["name"] = "laid";
    w->Init(style);
    EXPECT_EQ(w->GetName(), str("laid"));
    EXPECT_EQ(w->GetRect().left, c.left) << c.what;
    EXPECT_EQ(w->GetWindowWidth(), c.width) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, WindowLayout,
    ::testing::Values(LayoutCase{"centre offset", 80000, 100, -1, 640, 270, 100},
                      LayoutCase{"from the far edge", 159990, 100, -1, 640, 630, 100},
                      LayoutCase{"negative from the right", -20, 100, -1, 640, 620, 100},
                      LayoutCase{"negative kept when aligned", -20, 100, 0, 640, -20, 100},
                      LayoutCase{"centred on the point", 50, 100, 1, 640, 0, 100},
                      LayoutCase{"right-aligned at the point", 300, 100, 2, 640, 200, 100},
                      LayoutCase{"negative size extends left", 100, -30, -1, 640, 70, 30},
                      LayoutCase{"size relative to the parent", 10, 159980, -1, 640, 10, 610},
                      LayoutCase{"relative size from a centre position", 80005, 159980, -1, 640, 10, 610},
                      LayoutCase{"relative size left of the centre", 79990, 159980, -1, 640, 0, 600},
                      LayoutCase{"large negative size", 30, -90000, -1, 640, 159970, 30},
                      LayoutCase{"parent without width and relative size", 0, 90000, -1, 0, 0, 0},
                      LayoutCase{"negative position without size", -5, 0, -1, 640, 0, 0},
                      LayoutCase{"hostile numbers do not overflow", 1e300, -1e300, -1, 640,
                                 TWindow::kCoordLimit, 0}));

TEST(WindowLayoutRules, ExistingPositionAndSizeStay)
{
    TWindow parent;
    parent.SetWindowSize(640, 480);
    TWindow* w = new TWindow();
    parent.AdoptChild(w, false);
    w->SetWindowPos(7, 0);
    w->SetWindowSize(0, 33);
    MapStyle style;
    style.numbers = {{"x", 100}, {"y", 40}, {"w", 50}, {"h", 60}};
    w->Init(style);
    EXPECT_EQ(w->GetRect(), TRect(7, 40, 57, 73));
}

TEST(WindowLayoutRules, FitInPostChildrenInitGrowsToTheChildren)
{
    TWindow parent;
    parent.SetWindowSize(640, 480);
    TWindow* w = new TWindow();
    parent.AdoptChild(w, false);
    Child(w, TRect(0, 0, 120, 90));
    MapStyle style;
    style.bools["fit"] = true;
    w->PostChildrenInit(style);
    EXPECT_EQ(w->GetWindowWidth(), 120);
    EXPECT_EQ(w->GetWindowHeight(), 90);
}

// ---------------------------------------------------------------------------------------------
// Drawing

namespace
{

struct DrawProbe : TWindow
{
    DrawProbe(Log* log, TRecordingDisplayHandler* handler, const char* name) : mLog(log), mHandler(handler)
    {
        SetName(str(name));
    }
    void Draw() override
    {
        const TURect c = mHandler->GetClipRectangle();
        int x, y, r, b;
        mHandler->GetViewport(&x, &y, &r, &b);
        mLog->push_back(std::string(GetName().c_str()) + " clip " + std::to_string(c.x1) + "," +
                        std::to_string(c.y1) + "," + std::to_string(c.x2) + "," + std::to_string(c.y2) +
                        " viewport " + std::to_string(x) + "," + std::to_string(y));
    }
    void PostDraw() override { mLog->push_back(std::string(GetName().c_str()) + " post"); }
    Log* mLog;
    TRecordingDisplayHandler* mHandler;
};

class WindowDraw : public ::testing::Test
{
protected:
    void SetUp() override { handler = InstallRecordingRenderer(640, 480); }
    void TearDown() override { TRenderer::ShutDown(); }
    DrawProbe* Probe(TWindow* parent, const char* name, TRect r)
    {
        auto* p = new DrawProbe(&log, handler, name);
        p->SetWindowPos(r.left, r.top);
        p->SetWindowSize(unsigned(r.Width()), unsigned(r.Height()));
        if (parent)
            parent->AdoptChild(p, false);
        return p;
    }
    Log log;
    TRecordingDisplayHandler* handler = nullptr;
};

}  // namespace

TEST_F(WindowDraw, ChildrenAreDrawnBackToFrontInsideTheirClippedScreenRectangles)
{
    DrawProbe root(&log, handler, "root");
    root.SetWindowSize(640, 480);
    Probe(&root, "back", TRect(600, 10, 700, 50));
    Probe(&root, "front", TRect(10, 20, 30, 40));
    const size_t depth = handler->GetViewportDepth();
    EXPECT_TRUE(root.DoDraw(TWindow::kDrawAll));
    EXPECT_EQ(log, (Log{"root clip 0,0,640,480 viewport 0,0", "back clip 600,10,640,50 viewport 600,10",
                        "back post", "front clip 10,20,30,40 viewport 10,20", "front post", "root post"}));
    EXPECT_EQ(handler->GetViewportDepth(), depth) << "every viewport pushed was popped";
    EXPECT_EQ(TRenderer::GetInstance()->GetClippingRectangle(), TURect(0, 0, 640, 480));
}

TEST_F(WindowDraw, HiddenOutsideAndModalWindowsAreNotDrawn)
{
    DrawProbe root(&log, handler, "root");
    root.SetWindowSize(640, 480);
    DrawProbe* hidden = Probe(&root, "hidden", TRect(0, 0, 10, 10));
    hidden->SetFlags(0);
    DrawProbe* outside = Probe(&root, "outside", TRect(700, 0, 800, 10));
    auto* layer = new TModalWindow();
    layer->SetWindowSize(640, 480);
    root.AdoptChild(layer, false);
    Probe(layer, "inlayer", TRect(0, 0, 10, 10));
    EXPECT_TRUE(root.DoDraw(TWindow::kDrawAll));
    EXPECT_EQ(log, (Log{"root clip 0,0,640,480 viewport 0,0", "root post"}));
    EXPECT_FALSE(hidden->DoDraw(TWindow::kDrawAll));
    EXPECT_TRUE(outside->DoDraw(TWindow::kDrawAll)) << "outside the clip: true, nothing drawn";
}

TEST_F(WindowDraw, CacheModeDrawsOnlyCacheableWindowsUnderMarkedParentsAndLiveModeSkipsThem)
{
    DrawProbe root(&log, handler, "root");
    root.SetWindowSize(640, 480);
    DrawProbe* cached = Probe(&root, "cached", TRect(0, 0, 10, 10));
    cached->SetInternalFlags(TWindow::kCacheable, 0);
    Probe(&root, "live", TRect(0, 0, 10, 10));
    EXPECT_FALSE(cached->DoDraw(TWindow::kDrawCache)) << "parent not marked";
    root.SetInternalFlags(TWindow::kDrawnToCache, 0);
    log.clear();
    EXPECT_TRUE(root.DoDraw(TWindow::kDrawLive) == false) << "the marked root itself is skipped live";
    root.SetInternalFlags(0, TWindow::kDrawnToCache);
    root.SetInternalFlags(TWindow::kCacheable, 0);
    TWindow holder;
    holder.SetWindowSize(640, 480);
    holder.SetInternalFlags(TWindow::kDrawnToCache, 0);
    holder.AdoptChild(&root, false);
    EXPECT_TRUE(root.DoDraw(TWindow::kDrawCache));
    EXPECT_TRUE(root.GetFlags() & TWindow::kDrawnToCache);
    EXPECT_TRUE(cached->GetFlags() & TWindow::kDrawnToCache);
    EXPECT_EQ(log, (Log{"root clip 0,0,640,480 viewport 0,0", "cached clip 0,0,10,10 viewport 0,0",
                        "cached post", "root post"}));
    log.clear();
    EXPECT_FALSE(cached->DoDraw(TWindow::kDrawLive));
    holder.OrphanChild(&root);
}

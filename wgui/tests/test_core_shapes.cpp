// Drawing primitives through the recording display handler, the skinned dialog frame and the
// radio group of buttons.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "test_core_fixture.h"
#include "test_widgets_fixture.h"
#include "wgui_button.h"
#include "wgui_fancywindow.h"
#include "wgui_manager.h"
#include "wgui_shapes.h"

using namespace WGUI;

namespace
{

struct Rect
{
    float x1, y1, x2, y2;
    bool operator==(const Rect& o) const { return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2; }
};

class ShapesTest : public wguitest::PlatformFixture
{
protected:
    void Begin()
    {
        handler->calls.clear();
        ASSERT_TRUE(TRenderer::GetInstance()->BeginDraw(false));
        ASSERT_TRUE(TRenderer::GetInstance()->Begin2d());
    }
    void End()
    {
        TRenderer::GetInstance()->End2d();
        TRenderer::GetInstance()->EndDraw(false);
    }
    // Each fill as its rectangle (first and fifth vertex).
    std::vector<Rect> Fills() const
    {
        std::vector<Rect> out;
        for (const auto& c : VertexCalls())
        {
            EXPECT_EQ(c.verts.size(), 6u);
            EXPECT_EQ(c.drawType, TRenderer::kTriangles);
            EXPECT_EQ(c.texture, nullptr);
            if (c.verts.size() == 6)
                out.push_back({c.verts[0].pos.x, c.verts[0].pos.y, c.verts[4].pos.x, c.verts[4].pos.y});
        }
        return out;
    }
    // The pixels covered by the fills (each fill a half-open rectangle).
    std::set<std::pair<int, int>> Pixels() const
    {
        std::set<std::pair<int, int>> out;
        for (const Rect& r : Fills())
            for (int y = static_cast<int>(r.y1); y < static_cast<int>(r.y2); ++y)
                for (int x = static_cast<int>(r.x1); x < static_cast<int>(r.x2); ++x)
                    out.insert({x, y});
        return out;
    }
};

}  // namespace

TEST_F(ShapesTest, FillRectIsTwoUntexturedTrianglesWithClampedColour)
{
    Begin();
    Shapes::drawFillRect(1, 2, 11, 22, 1.5, 0.5, -1, 0.25);
    End();
    auto calls = VertexCalls();
    ASSERT_EQ(calls.size(), 1u);
    const auto& v = calls[0].verts;
    ASSERT_EQ(v.size(), 6u);
    const float expect[6][2] = {{1, 2}, {11, 2}, {1, 22}, {11, 2}, {11, 22}, {1, 22}};
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ(v[static_cast<size_t>(i)].pos.x, expect[i][0]) << i;
        EXPECT_EQ(v[static_cast<size_t>(i)].pos.y, expect[i][1]) << i;
    }
    EXPECT_EQ(v[0].color.Red(), 255);
    EXPECT_EQ(v[0].color.Green(), 127);  // 0.5 x 255 truncated
    EXPECT_EQ(v[0].color.Blue(), 0);
    EXPECT_EQ(v[0].color.Alpha(), 63);
}

TEST_F(ShapesTest, LinesAndEdgesCoverTheirPixels)
{
    Begin();
    Shapes::drawLine(0, 0, 5, 5, 1, 1, 1, 1);  // slanted: nothing
    End();
    EXPECT_TRUE(VertexCalls().empty());

    Begin();
    Shapes::drawLine(2, 7, 4, 7, 1, 1, 1, 1);
    End();
    EXPECT_EQ(Pixels(), (std::set<std::pair<int, int>>{{2, 7}, {3, 7}, {4, 7}}));

    Begin();
    Shapes::drawRectEdge(0, 0, 10, 10, 0, 0, 0, 1);
    End();
    auto px = Pixels();
    for (int i = 0; i <= 10; ++i)
    {
        EXPECT_TRUE(px.count({i, 0})) << i;
        EXPECT_TRUE(px.count({i, 10})) << i;
        EXPECT_TRUE(px.count({0, i})) << i;
        EXPECT_TRUE(px.count({10, i})) << i;
    }
    EXPECT_FALSE(px.count({5, 5}));
    EXPECT_EQ(px.size(), 40u);

    Begin();
    Shapes::drawRectCutOut(0, 0, 100, 100, 10, 20, 90, 80, 0, 0, 0, 1);
    End();
    EXPECT_EQ(Fills(),
              (std::vector<Rect>{{0, 0, 10, 100}, {90, 0, 100, 100}, {10, 0, 90, 20}, {10, 80, 90, 100}}));
    Begin();
    Shapes::plotPixel(3, 4, 1, 0, 0, 1);
    End();
    EXPECT_EQ(Fills(), (std::vector<Rect>{{3, 4, 4, 5}}));
}

TEST_F(ShapesTest, CirclesTable)
{
    // Filled: one line per row from cy - R to cy + R - 1.
    Begin();
    Shapes::drawFillCircle(10, 10, 3, 1, 1, 1, 1);
    End();
    auto fills = Fills();
    ASSERT_EQ(fills.size(), 6u);
    EXPECT_EQ(fills[0], (Rect{10, 7, 11, 8}));   // k = 3: half 0
    EXPECT_EQ(fills[3], (Rect{7, 10, 14, 11}));  // k = 0: half 3

    // Outline: symmetric, within the radius, the four extreme points present.
    Begin();
    Shapes::drawCircleEdge(20, 20, 5, 1, 1, 1, 1);
    End();
    auto px = Pixels();
    for (auto p :
         {std::make_pair(25, 20), std::make_pair(15, 20), std::make_pair(20, 15), std::make_pair(20, 25)})
        EXPECT_TRUE(px.count(p));
    for (auto p : px)
    {
        int dx = p.first - 20, dy = p.second - 20;
        EXPECT_LE(dx * dx + dy * dy, 30);  // within R + 0.5: rows are rounded
        EXPECT_TRUE(px.count({20 - dx, 20 + dy}));
    }

    // Radius 0: the centre pixel only.
    Begin();
    Shapes::drawCircleEdge(4, 5, 0, 1, 1, 1, 1);
    End();
    EXPECT_EQ(Pixels(), (std::set<std::pair<int, int>>{{4, 5}}));

    // Wholly left of or above the screen: nothing.
    Begin();
    Shapes::drawCircleEdge(-10, 5, 3, 1, 1, 1, 1);
    Shapes::drawCircleEdge(5, -10, 3, 1, 1, 1, 1);
    End();
    EXPECT_TRUE(VertexCalls().empty());
}

namespace
{

class FrameTest : public wguitest::ImageFixture
{
protected:
    void SetUp() override
    {
        wguitest::ImageFixture::SetUp();
        if (HasFatalFailure())
            return;
        WritePicture("gui", 128, 128);
        // Twelve 10 x 10 frame cells; the centre (cell 11) 20 x 20.
        std::string cells;
        for (int i = 0; i < 11; ++i)
            cells += "<cell x1=\"" + std::to_string(i * 10) + "\" y1=\"0\" x2=\"" +
                     std::to_string(i * 10 + 10) + "\" y2=\"10\"/>";
        cells += "<cell x1=\"0\" y1=\"20\" x2=\"20\" y2=\"40\"/>";
        WriteAsset("graphics/imagemaps.xml",
                   "<imagemaps><imagemap name=\"gui\" filename=\"gui\" width=\"128\" "
                   "height=\"128\" alwaysneeded=\"true\">" +
                       cells + "</imagemap></imagemaps>");
        Timer::instance();
        manager = new Manager(640, 480, -1, true, "t");
    }
    void TearDown() override
    {
        Manager::deleteInstance();
        wguitest::ImageFixture::TearDown();
    }
    Manager* manager = nullptr;
};

}  // namespace

TEST_F(FrameTest, DialogFrameDrawsCornersEdgesAndTiledCentre)
{
    FancyWindow dialog(false, "");
    dialog.setPixAlPos(100, 100);
    dialog.setPixSize(100, 80);
    manager->addWindow(&dialog);
    backend->AdvanceMs(16);
    manager->update();
    BeginFrame();
    dialog.draw();
    EndFrame();
    auto quads = Quads();
    ASSERT_FALSE(quads.empty());
    // Every piece lies within the window's rectangle once clipped; the first blit is the
    // centre's first tile at the insets.
    EXPECT_EQ(quads.front().x[0], 126);
    EXPECT_EQ(quads.front().y[0], 126);
    std::set<std::pair<int, int>> corners;
    for (const auto& q : quads)
        corners.insert({static_cast<int>(q.x[0]), static_cast<int>(q.y[0])});
    EXPECT_TRUE(corners.count({100, 100}));  // top left
    EXPECT_TRUE(corners.count({190, 100}));  // top right
    EXPECT_TRUE(corners.count({190, 170}));  // bottom right
    EXPECT_TRUE(corners.count({100, 170}));  // bottom left
    dialog.setTitle("Title");
    EXPECT_TRUE(dialog.getHasTitle());
    dialog.setTitle("");
    EXPECT_FALSE(dialog.getHasTitle());
    manager->getRoot()->removeWindow(&dialog);
}

TEST_F(FrameTest, ToggleGroupKeepsOneButtonPressed)
{
    ToggleButtonGroup* group = new ToggleButtonGroup();
    manager->addWindow(group);
    Button* a = new Button();
    Button* b = new Button();
    Button* c = new Button();
    EXPECT_EQ(group->addButton(a), 0);
    EXPECT_EQ(group->addButton(b), 1);
    EXPECT_EQ(group->addButton(c), 2);
    EXPECT_EQ(group->getSelectedIndex(), 0);
    EXPECT_EQ(group->getSelectedButton(), a);
    EXPECT_EQ(group->getButton(3), nullptr);
    EXPECT_EQ(group->getButton(-1), nullptr);
    EXPECT_EQ(group->getTotalButtons(), 3);
    backend->AdvanceMs(16);
    manager->update();
    EXPECT_EQ(a->getState(), 1);
    group->buttonReleased(c);
    EXPECT_EQ(group->getSelectedIndex(), 2);
    EXPECT_EQ(a->getState(), 0);
    EXPECT_EQ(c->getState(), 1);
    Button stranger;
    group->buttonReleased(&stranger);
    EXPECT_EQ(group->getSelectedIndex(), -1);
    EXPECT_EQ(group->getSelectedButton(), nullptr);
    group->setSelectedIndex(1);
    EXPECT_EQ(group->getButtonIndex(b), 1);
    group->clear();
    EXPECT_EQ(group->getTotalButtons(), 0);
    EXPECT_TRUE(group->getChildren().empty());
    delete group;
}

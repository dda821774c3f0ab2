// Debug drawing of collision shapes through the recording display handler: corners go through
// the window's sprite-to-screen conversion; rotated rectangles show only their axis-aligned edges.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "recordinghandler.h"
#include "render/renderer.h"
#include "services/collisionshapes.h"
#include "wgui_window.h"

namespace
{

using WGUI::Vector2d;

struct Fill
{
    float x1, y1, x2, y2;
};

class ShapeDrawTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        handler = InstallRecordingRenderer(640, 480);
        ASSERT_TRUE(TRenderer::GetInstance()->BeginDraw(false));
        ASSERT_TRUE(TRenderer::GetInstance()->Begin2d());
        // The window shows the world from (0, 0) to (320, 240) on 640 x 480 pixels: 2 px a unit.
        window.setPixWidth(640);
        window.setPixHeight(480);
        window.setSpriteLeft(0);
        window.setSpriteRight(320);
        window.setSpriteTop(0);
        window.setSpriteBottom(240);
        handler->calls.clear();
    }
    void TearDown() override
    {
        TRenderer::GetInstance()->End2d();
        TRenderer::GetInstance()->EndDraw(false);
        TRenderer::ShutDown();
    }
    std::vector<Fill> Fills() const
    {
        std::vector<Fill> out;
        for (const TDrawCall& c : handler->calls)
            if (c.kind == TDrawCall::kVertices && c.verts.size() == 6)
                out.push_back({c.verts[0].pos.x, c.verts[0].pos.y, c.verts[4].pos.x, c.verts[4].pos.y});
        return out;
    }

    TRecordingDisplayHandler* handler = nullptr;
    WGUI::Window window;
};

TEST_F(ShapeDrawTest, AxisAlignedRectangleFillsItsConvertedCorners)
{
    WGUI::AARect r(Vector2d(0, 0), -5, -10, 5, 10);
    r.setWorldPos(Vector2d(100, 50));
    r.computeAbs();
    const double sx1 = window.spriteToScreenX(95), sy1 = window.spriteToScreenY(40);
    const double sx2 = window.spriteToScreenX(105), sy2 = window.spriteToScreenY(60);
    r.draw(&window, true, 1, 0, 0, 1);
    std::vector<Fill> fills = Fills();
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_FLOAT_EQ(fills[0].x1, sx1);
    EXPECT_FLOAT_EQ(fills[0].y1, sy1);
    EXPECT_FLOAT_EQ(fills[0].x2, sx2);
    EXPECT_FLOAT_EQ(fills[0].y2, sy2);

    handler->calls.clear();
    r.draw(&window, false, 1, 0, 0, 1);
    EXPECT_EQ(Fills().size(), 4u);  // the outline's four lines
}

TEST_F(ShapeDrawTest, RotatedRectangleShowsOnlyAxisAlignedEdges)
{
    WGUI::RotRect r(Vector2d(0, 0), 20, 10, 0);
    r.setWorldPos(Vector2d(100, 50));
    r.computeAbs();
    r.draw(&window, true, 0, 1, 0, 1);  // the outline, whatever the fill flag
    std::vector<Fill> fills = Fills();
    ASSERT_EQ(fills.size(), 4u);
    // Top edge from (90, 45) to (110, 45) in the world: pixels 180..220 at row 90.
    EXPECT_FLOAT_EQ(fills[0].x1, 180);
    EXPECT_FLOAT_EQ(fills[0].y1, 90);
    EXPECT_FLOAT_EQ(fills[0].x2, 221);
    EXPECT_FLOAT_EQ(fills[0].y2, 91);

    handler->calls.clear();
    r.setAngle(45);
    r.computeAbs();
    r.draw(&window, false, 0, 1, 0, 1);
    EXPECT_TRUE(Fills().empty());
}

TEST_F(ShapeDrawTest, CircleDrawsRowsOrAnOutline)
{
    WGUI::Circle c(Vector2d(0, 0), 5);
    c.setWorldPos(Vector2d(100, 50));
    c.computeAbs();
    c.draw(&window, true, 0, 0, 1, 1);
    // Radius 10 px: one line per row from cy - 10 to cy + 9.
    EXPECT_EQ(Fills().size(), 20u);
    handler->calls.clear();
    c.draw(&window, false, 0, 0, 1, 1);
    EXPECT_FALSE(Fills().empty());
    // A null window draws nothing.
    handler->calls.clear();
    c.draw(nullptr, true, 0, 0, 1, 1);
    EXPECT_TRUE(Fills().empty());
}

}  // namespace

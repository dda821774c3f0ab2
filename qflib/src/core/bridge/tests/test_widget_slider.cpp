// Sliders: orientation, value clamping and messages, thumb placement, dragging, page clicks,
// rail geometry and the quads of the rail pieces.
#include <cmath>
#include <limits>

#include "render/vertexset.h"
#include "test_widget_fixture.h"

namespace wtest
{
namespace
{

class SliderTest : public WidgetTest
{
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        if (HasFatalFailure())
            return;
        sink = new MessageSink();
        sink->SetWindowSize(400, 300);
        dialog->AdoptChild(sink, true);
    }
    TSlider* Vertical(const std::string& extra = "")
    {
        return Create<TSlider>(sink,
                               "{ name = 'v', w = 8, h = 100, hslider = 0, railtop = 'railtop.png',"
                               " railmid = 'railmid.png', railbot = 'railbot.png', sliderimage = 'thumb.png',"
                               " sliderrollimage = 'thumbroll.png'" +
                                   extra + " }");
    }
    MessageSink* sink = nullptr;
};

TEST_F(SliderTest, OrientationFollowsTheSizeUnlessGiven)
{
    TSlider* wide = Create<TSlider>(sink, "{ name = 'h', w = 200, h = 16 }");
    TSlider* given = Create<TSlider>(sink, "{ name = 'g', w = 200, h = 16, hslider = 0 }");
    TSlider* tall = Create<TSlider>(sink, "{ name = 't', w = 16, h = 200 }");
    ASSERT_TRUE(wide && given && tall);
    EXPECT_TRUE(wide->IsHorizontal());
    EXPECT_FALSE(given->IsHorizontal());
    EXPECT_FALSE(tall->IsHorizontal());
}

TEST_F(SliderTest, ValuesAreClampedAndReportedToTheParent)
{
    TSlider* v = Vertical();
    ASSERT_NE(v, nullptr);
    sink->got.clear();
    struct Case
    {
        float in;
        bool silent;
        float stored;
        size_t messages;
    } cases[] = {
        {1.5f, false, 1.0f, 1},
        {-2.0f, true, 0.0f, 0},
        {0.25f, false, 0.25f, 1},
        {0.25f, false, 0.25f, 1},  // unchanged values are still reported
        {std::numeric_limits<float>::quiet_NaN(), false, 0.0f, 1},
        {std::numeric_limits<float>::infinity(), true, 1.0f, 0},
    };
    for (const Case& c : cases)
    {
        sink->got.clear();
        v->SetValue(c.in, c.silent);
        EXPECT_EQ(v->GetValue(), c.stored) << c.in;
        ASSERT_EQ(sink->got.size(), c.messages) << c.in;
        if (c.messages)
        {
            EXPECT_EQ(sink->got[0], "9 v");
        }
    }
}

TEST_F(SliderTest, TheThumbSitsAlongTheRailByValue)
{
    TSlider* v = Vertical(", value = 0.5");
    ASSERT_NE(v, nullptr);
    ASSERT_NE(v->GetThumb(), nullptr);
    EXPECT_EQ(v->GetThumb()->GetParent(), v);
    EXPECT_EQ(v->GetThumb()->GetWindowHeight(), 20);
    EXPECT_EQ(v->GetThumb()->GetRect().top, 40);
    EXPECT_TRUE(sink->got.empty()) << "the initial value is set silently";
}

TEST_F(SliderTest, TheWidthIsTheWiderOfRailAndThumbWithItsOffset)
{
    TSlider* v = Vertical(", yoffset = -3");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->GetWindowWidth(), 23);
    EXPECT_EQ(v->GetWindowHeight(), 100);
    EXPECT_EQ(v->GetThumb()->GetRect().left, -3);
}

TEST_F(SliderTest, TheMiddlePieceStretchesBetweenTheCaps)
{
    TSlider* v = Vertical();
    ASSERT_NE(v, nullptr);
    TTransformedLitVert verts[6];
    const auto top = TTexture::Get(str("railtop.png"), 0);
    const auto mid = TTexture::Get(str("railmid.png"), 0);
    const auto bottom = TTexture::Get(str("railbot.png"), 0);
    const int a = v->BuildTexture(top, 0, verts, false);
    EXPECT_EQ(a, 10);
    const int b = v->BuildTexture(mid, a, verts, true);
    EXPECT_EQ(b, 78);
    EXPECT_FLOAT_EQ(verts[0].pos.y, 10.0f);
    EXPECT_FLOAT_EQ(verts[4].pos.y, 88.0f);
    // Centred across the 20-pixel slider: (20 - 8) / 2.
    EXPECT_FLOAT_EQ(verts[0].pos.x, 6.0f);
    v->BuildTexture(bottom, a + b, verts, false);
    EXPECT_FLOAT_EQ(verts[0].pos.y, 88.0f);

    // A slider shorter than its caps stretches the middle to nothing, never below.
    v->SetWindowSize(20, 15);
    EXPECT_EQ(v->BuildTexture(mid, 10, verts, true), 0);
    EXPECT_FLOAT_EQ(verts[4].pos.y, 10.0f);
    EXPECT_EQ(v->BuildTexture(nullptr, 0, verts, false), 0);
}

TEST_F(SliderTest, QuadsFollowTheCornerTableUprightAndTurned)
{
    TTransformedLitVert v[6];
    MakeQuad2d(v, TVec2(10, 20), TVec2(8, 30), TVec2(1, 2), TVec2(2, 4), false, 0.5f);
    const float corners[6][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 6; i++)
    {
        EXPECT_FLOAT_EQ(v[i].pos.x, 10 + corners[i][0] * 9) << i;
        EXPECT_FLOAT_EQ(v[i].pos.y, 20 + corners[i][1] * 32) << i;
        EXPECT_FLOAT_EQ(v[i].pos.z, 0.1f);
        EXPECT_FLOAT_EQ(v[i].rhw, 0.5f);
        EXPECT_FLOAT_EQ(v[i].u, corners[i][0] / 2);
        EXPECT_FLOAT_EQ(v[i].v, corners[i][1] / 4);
        EXPECT_EQ(v[i].color.Word(), 0x7FFFFFFFu);
        EXPECT_EQ(v[i].specular.Word(), 0xFF000000u);
    }
    MakeQuad2d(v, TVec2(10, 20), TVec2(8, 30), TVec2(0, 0), TVec2(1, 1), true, 1.0f);
    for (int i = 0; i < 6; i++)
    {
        EXPECT_FLOAT_EQ(v[i].pos.x, 10 + corners[i][1] * 30) << i;
        EXPECT_FLOAT_EQ(v[i].pos.y, 20 + corners[i][0] * 8) << i;
    }
}

TEST_F(SliderTest, DraggingSetsTheValueAndReleaseReportsIt)
{
    TSlider* v = Vertical();
    ASSERT_NE(v, nullptr);
    sink->got.clear();
    EXPECT_TRUE(v->OnMouseDown(TPoint(10, 5)));
    EXPECT_TRUE(v->IsDragging());
    EXPECT_TRUE(manager->IsMouseListener(v));
    EXPECT_TRUE(v->OnMouseMove(TPoint(10, 50)));
    EXPECT_FLOAT_EQ(v->GetValue(), 0.5f);
    EXPECT_TRUE(v->OnMouseMove(TPoint(300, 900)));
    EXPECT_FLOAT_EQ(v->GetValue(), 1.0f);
    EXPECT_TRUE(manager->IsMouseListener(v)) << "the drag follows the pointer outside";
    EXPECT_TRUE(v->OnMouseLeave());
    EXPECT_TRUE(v->IsDragging());
    EXPECT_TRUE(v->OnMouseUp(TPoint(300, 900)));
    EXPECT_FALSE(v->IsDragging());
    EXPECT_FALSE(manager->IsMouseListener(v));
    ASSERT_EQ(sink->got.size(), 3u);
    EXPECT_EQ(sink->got[0], "9 v");
    EXPECT_EQ(sink->got[1], "9 v");
    EXPECT_EQ(sink->got[2], "10 v");
    EXPECT_FALSE(v->OnMouseUp(TPoint(1, 1))) << "no drag, nothing to end";
}

TEST_F(SliderTest, ClicksBesideTheThumbPageWithoutMovingIt)
{
    TSlider* v = Vertical(", value = 0.5");
    ASSERT_NE(v, nullptr);
    sink->got.clear();
    EXPECT_TRUE(v->OnMouseDown(TPoint(5, 10)));
    EXPECT_TRUE(v->OnMouseDown(TPoint(5, 90)));
    EXPECT_FALSE(v->IsDragging());
    EXPECT_FLOAT_EQ(v->GetValue(), 0.5f);
    ASSERT_EQ(sink->got.size(), 2u);
    EXPECT_EQ(sink->got[0], "11 v");
    EXPECT_EQ(sink->got[1], "12 v");

    TSlider* h =
        Create<TSlider>(sink, "{ name = 'h', w = 100, h = 16, sliderimage = 'hthumb.png', value = 0.5 }");
    ASSERT_NE(h, nullptr);
    sink->got.clear();
    h->OnMouseDown(TPoint(2, 5));
    h->OnMouseDown(TPoint(98, 5));
    ASSERT_EQ(sink->got.size(), 2u);
    EXPECT_EQ(sink->got[0], "11 h");
    EXPECT_EQ(sink->got[1], "12 h");
}

TEST_F(SliderTest, TheThumbShowsItsRolloverPictureUnderThePointer)
{
    TSlider* v = Vertical();
    ASSERT_NE(v, nullptr);
    const auto roll = TTexture::Get(str("thumbroll.png"), 0);
    const auto normal = TTexture::Get(str("thumb.png"), 0);
    v->OnMouseMove(TPoint(5, 5));
    EXPECT_EQ(v->GetThumb()->GetTexture(), roll);
    EXPECT_TRUE(manager->IsMouseListener(v));
    v->OnMouseMove(TPoint(5, 60));
    EXPECT_EQ(v->GetThumb()->GetTexture(), normal);
    v->OnMouseMove(TPoint(500, 60));
    EXPECT_FALSE(manager->IsMouseListener(v));
}

TEST_F(SliderTest, AZeroLengthSliderDragsToZero)
{
    TSlider* z = Create<TSlider>(sink, "{ name = 'z', w = 10, h = 0, hslider = 0, value = 0.7 }");
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->GetWindowHeight(), 0);
    // Nothing to press on without a thumb picture: the thumb has no size.
    z->OnMouseDown(TPoint(0, 0));
    EXPECT_FALSE(z->IsDragging());
    ASSERT_TRUE(Run("gTestTable = nil"));
}

TEST_F(SliderTest, ASliderOutlivesItsDestroyedThumb)
{
    TSlider* v = Vertical();
    ASSERT_NE(v, nullptr);
    TImage* thumb = v->GetThumb();
    ASSERT_NE(thumb, nullptr);
    v->OrphanChild(thumb);
    delete thumb;
    EXPECT_EQ(v->GetThumb(), nullptr);
    v->SetValue(0.3f, true);
    v->SetSliderSize();
    EXPECT_FALSE(v->OnMouseDown(TPoint(5, 5)));
    EXPECT_TRUE(v->OnMouseLeave());
    EXPECT_FLOAT_EQ(v->GetValue(), 0.3f);
}

TEST_F(SliderTest, TheRailDrawsThreeTexturedPieces)
{
    TSlider* v = Vertical();
    ASSERT_NE(v, nullptr);
    TRenderer* renderer = TRenderer::GetInstance();
    ASSERT_TRUE(renderer->BeginDraw(false));
    handler->calls.clear();
    v->Draw();
    renderer->EndDraw(false);
    std::vector<const TDrawCall*> pieces;
    for (const TDrawCall& c : handler->calls)
        if (c.kind == TDrawCall::kVertices)
            pieces.push_back(&c);
    ASSERT_EQ(pieces.size(), 3u);
    const auto mid = TTexture::Get(str("railmid.png"), 0);
    EXPECT_EQ(pieces[1]->texture, mid.get());
    for (const TDrawCall* c : pieces)
    {
        EXPECT_EQ(c->drawType, int(TRenderer::kTriangles));
        EXPECT_EQ(c->verts.size(), 6u);
        EXPECT_EQ(c->blendMode, int(TRenderer::kBlendAlpha));
    }
    EXPECT_EQ(handler->GetCullMode(), int(TRenderer::kCullNone));
}

TEST_F(SliderTest, SlidersAreMadeByScripts)
{
    ASSERT_TRUE(Run("MakeDialog{ Slider{ name = 's', w = 200, h = 16, sliderimage = 'hthumb.png' } }"));
    TSlider* s = Find<TSlider>("s");
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->IsHorizontal());
    s->SetValue(0.5f, false);
    // The dialog hands the message on to the script, which queues it.
    ASSERT_TRUE(Run("n = table.getn(gMessageQueue) t = gMessageQueue[n].type nm = gMessageQueue[n].name"));
    EXPECT_EQ(G("t"), "9");
    EXPECT_EQ(G("nm"), "s");
}

}  // namespace
}  // namespace wtest

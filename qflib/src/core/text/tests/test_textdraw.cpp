// Drawing styled text without GL: through the renderer as lines (recorded) and into a texture's
// pixels; the two must give the same picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "app/platform.h"
#include "foundation/confighook.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "render/renderhost.h"
#include "text/texthooks.h"
#include "textdrawfixture.h"

using namespace texttest;

namespace
{

const unsigned kW = 320, kH = 240;

class TextDraw : public ::testing::Test, protected TextDrawBase
{
protected:
    void SetUp() override
    {
        auto handler = std::make_unique<TRecordingDisplayHandler>();
        mHandler = handler.get();
        TRenderer::CreateInstance(std::move(handler));
        mHandler->SetDisplay(kW, kH, false, false, false, false);
        SetUpFonts();
        // Lines are drawn inside a frame in 2-D, as the window manager's redraw does.
        ASSERT_TRUE(TRenderer::GetInstance()->BeginDraw(false));
        ASSERT_TRUE(TRenderer::GetInstance()->Begin2d());
    }
    void TearDown() override
    {
        TRenderer::GetInstance()->End2d();
        TRenderer::GetInstance()->EndDraw(false);
        for (TTextGraphic* t : mBlocks)
            TTextGraphic::Destroy(t);
        qfFreeHudText();
        TearDownFonts();
        TRenderer::ShutDown();
    }
    TTextGraphic* Make(const char* text, unsigned width = 300, unsigned height = 200, unsigned flags = 0)
    {
        mBlocks.push_back(
            TTextGraphic::Create(text, width, height, flags, "__DEFAULT", 16, TColor(1, 1, 1, 1)));
        return mBlocks.back();
    }
    // The recorded line spans: each covers pixels [x1, x2) of row y, as OpenGL draws a line
    // from (x1 + 0.5, y + 0.5) to (x2 + 0.5, y + 0.5).
    struct TLine
    {
        int x1, x2, y;
        TColor32 colour;
    };
    std::vector<TLine> RecordedLines() const
    {
        std::vector<TLine> lines;
        for (const TDrawCall& c : mHandler->calls)
        {
            if (c.kind != TDrawCall::kVertices)
                continue;
            EXPECT_EQ(c.drawType, int(TRenderer::kLines));
            EXPECT_EQ(c.texture, nullptr);
            for (size_t i = 0; i + 1 < c.verts.size(); i += 2)
            {
                const TTransformedLitVert& a = c.verts[i];
                const TTransformedLitVert& b = c.verts[i + 1];
                EXPECT_EQ(a.pos.y, b.pos.y);
                EXPECT_EQ(a.color.Word(), b.color.Word());
                lines.push_back(TLine{int(std::floor(a.pos.x)), int(std::floor(b.pos.x)),
                                      int(std::floor(a.pos.y)), a.color});
                EXPECT_FLOAT_EQ(a.pos.x - std::floor(a.pos.x), 0.5f);
            }
        }
        return lines;
    }
    // Blends the lines over an opaque background as the pixel writer does.
    static std::vector<TColor32> Paint(const std::vector<TLine>& lines, TColor32 background)
    {
        std::vector<TColor32> px(size_t(kW) * kH, background);
        for (const TLine& l : lines)
        {
            if (l.y < 0 || l.y >= int(kH))
                continue;
            const unsigned a = l.colour.Alpha();
            for (int x = std::max(0, l.x1); x < std::min(l.x2, int(kW)); ++x)
            {
                TColor32& d = px[size_t(l.y) * kW + x];
                d = TColor32(static_cast<unsigned char>((d.Red() * (255 - a) + l.colour.Red() * a) / 255),
                             static_cast<unsigned char>((d.Green() * (255 - a) + l.colour.Green() * a) / 255),
                             static_cast<unsigned char>((d.Blue() * (255 - a) + l.colour.Blue() * a) / 255),
                             d.Alpha());
            }
        }
        return px;
    }

    TRecordingDisplayHandler* mHandler = nullptr;
    std::vector<TTextGraphic*> mBlocks;
};

TEST_F(TextDraw, LinesOnTheScreenEqualPixelsWrittenIntoATexture)
{
    TTextGraphic* t = Make(StyledParagraph());
    t->Draw(TVec2(10, 12), kH, 1.0f, 2, 1.0f, nullptr);
    const std::vector<TLine> lines = RecordedLines();
    ASSERT_GT(lines.size(), 200u);
    const TColor32 black(0, 0, 0, 255);
    const std::vector<TColor32> fromLines = Paint(lines, black);

    std::shared_ptr<TTexture> target = FilledTexture(kW, kH, black);
    ASSERT_TRUE(target);
    t->Draw(TVec2(10, 12), kH, 1.0f, 2, 1.0f, target);
    const std::vector<TColor32> fromPixels = Pixels(target);
    ASSERT_EQ(fromPixels.size(), fromLines.size());
    size_t lit = 0, differ = 0;
    for (size_t i = 0; i < fromPixels.size(); ++i)
    {
        lit += (fromPixels[i].Word() & 0xFFFFFF) != 0;
        differ += fromPixels[i].Word() != fromLines[i].Word();
    }
    EXPECT_EQ(differ, 0u);
    EXPECT_GT(lit, 1500u);

    // The colours of the markup reach the pixels: yellow title, blue outline, half red.
    auto count = [&](auto pred)
    {
        size_t n = 0;
        for (const TColor32& c : fromPixels)
            n += pred(c);
        return n;
    };
    EXPECT_GT(count([](TColor32 c) { return c.Red() > 200 && c.Green() > 150 && c.Blue() < 60; }), 50u);
    EXPECT_GT(count([](TColor32 c) { return c.Blue() > 200 && c.Red() < 80; }), 50u);
    EXPECT_GT(count([](TColor32 c) { return c.Red() > 100 && c.Red() < 140 && c.Green() < 20; }), 20u);
}

TEST_F(TextDraw, EverythingLandsInsideTheLaidOutBlock)
{
    TTextGraphic* t = Make(StyledParagraph());
    t->Draw(TVec2(10, 12), kH, 1.0f, 0, 1.0f, nullptr);
    int top = 1 << 30, bottom = -1, left = 1 << 30, right = -1;
    for (const TLine& l : RecordedLines())
    {
        top = std::min(top, l.y);
        bottom = std::max(bottom, l.y);
        left = std::min(left, l.x1);
        right = std::max(right, l.x2);
    }
    // Glyphs may reach a little outside their advance (italics, outlines) but stay near.
    EXPECT_GE(top, 12);
    EXPECT_LE(bottom, 12 + t->GetHeight() + 4);
    EXPECT_GE(left, 10 + t->GetLeft() - 6);
    EXPECT_LE(right, 10 + t->GetRight() + 6);
}

TEST_F(TextDraw, MaxHeightScrollAndScaleLimitWhatIsDrawn)
{
    TTextGraphic* t = Make("one\ntwo\nthree");
    t->Draw(TVec2(0, 0), 20, 1.0f, 0, 1.0f, nullptr);
    std::vector<TLine> lines = RecordedLines();
    ASSERT_FALSE(lines.empty());
    for (const TLine& l : lines)
        EXPECT_LT(l.y, 16);

    mHandler->calls.clear();
    t->SetScroll(1.0f);
    t->Draw(TVec2(0, 0), 100, 1.0f, 0, 1.0f, nullptr);
    lines = RecordedLines();
    int bottom = 0;
    for (const TLine& l : lines)
        bottom = std::max(bottom, l.y);
    EXPECT_LT(bottom, 32);  // two lines: "two" and "three"

    mHandler->calls.clear();
    t->Draw(TVec2(0, 0), 100, -1.0f, 0, 1.0f, nullptr);
    t->Draw(TVec2(0, 0), 100, 0.0f, 0, 1.0f, nullptr);
    EXPECT_TRUE(RecordedLines().empty());

    // Twice the scale: twice the extent.
    t->SetScroll(0);
    t->Draw(TVec2(0, 0), 1000, 1.0f, 0, 1.0f, nullptr);
    int w1 = 0;
    for (const TLine& l : RecordedLines())
        w1 = std::max(w1, l.x2);
    mHandler->calls.clear();
    t->Draw(TVec2(0, 0), 1000, 2.0f, 0, 1.0f, nullptr);
    int w2 = 0;
    for (const TLine& l : RecordedLines())
        w2 = std::max(w2, l.x2);
    EXPECT_NEAR(w2, 2 * w1, 3);
}

TEST_F(TextDraw, LinesAboveTheTopAreSkippedAndScrollFractionsMoveUp)
{
    // Bottom-aligned in a box one line high: the first of three lines lies above the top.
    TTextGraphic* t = Make("one\ntwo\nthree", 300, 16, TTextGraphic::kBottom);
    ASSERT_FLOAT_EQ(t->GetVerticalOffset(), -48.0f);
    // "three" ends at 16, beyond a drawing height of 15: only "two" is drawn, 16 pixels above.
    t->Draw(TVec2(0, 100), 15, 1.0f, 0, 1.0f, nullptr);
    std::vector<TLine> lines = RecordedLines();
    ASSERT_FALSE(lines.empty());
    for (const TLine& l : lines)
    {
        EXPECT_GE(l.y, 84);
        EXPECT_LT(l.y, 100);
    }

    // Half a line of scroll moves the block up by half the size.
    TTextGraphic* u = Make("one\ntwo");
    mHandler->calls.clear();
    u->Draw(TVec2(0, 50), 100, 1.0f, 0, 1.0f, nullptr);
    int top0 = 1 << 30;
    for (const TLine& l : RecordedLines())
        top0 = std::min(top0, l.y);
    mHandler->calls.clear();
    u->SetScroll(0.5f);
    u->Draw(TVec2(0, 50), 100, 1.0f, 0, 1.0f, nullptr);
    int top1 = 1 << 30;
    for (const TLine& l : RecordedLines())
        top1 = std::min(top1, l.y);
    EXPECT_EQ(top0 - top1, 8);
}

TEST_F(TextDraw, SpriteRenderLineTopsAgreeAtScaleOne)
{
    auto draw = [this](bool sprite, float scale)
    {
        qfSetConfigReader(sprite ? [](const char* key)
                              { return str(strcmp(key, "textspriterender") == 0 ? "1" : ""); }
                                 : TConfigReader(nullptr));
        TTextGraphic* t = Make("one\ntwo", 300, 100, TTextGraphic::kVerticalCenter);
        qfSetConfigReader(nullptr);
        mHandler->calls.clear();
        t->Draw(TVec2(0, 0), 1000, scale, 0, 1.0f, nullptr);
        int top = 1 << 30;
        for (const TLine& l : RecordedLines())
            top = std::min(top, l.y);
        return top;
    };
    EXPECT_EQ(draw(true, 1.0f), draw(false, 1.0f));
    // At scale 2 the sprite form keeps the 64-pixel block centred on 50 (its first line from
    // 18); the other scales the line tops once more and draws the block lower.
    const int sprite = draw(true, 2.0f), plain = draw(false, 2.0f);
    EXPECT_GE(sprite, 18);
    EXPECT_LT(sprite, 36);  // lower-case tops lie below the line top
    EXPECT_GT(plain, sprite + 10);
}

TEST_F(TextDraw, HoveredLinkDrawsInItsColourAndAlphaScales)
{
    TTextGraphic* t = Make("<a id='go' color='00ff00'>link</a>");
    auto greenSpans = [this]()
    {
        size_t n = 0;
        for (const TLine& l : RecordedLines())
            n += l.colour.Green() == 255 && l.colour.Red() == 0;
        return n;
    };
    t->Draw(TVec2(0, 0), 100, 1.0f, 0, 1.0f, nullptr);
    EXPECT_EQ(greenSpans(), 0u);
    mHandler->calls.clear();
    const TTextRun* run = nullptr;
    for (const TTextRun& r : t->GetLines()[0]->mRuns)
        if (r.mChars)
            run = &r;
    ASSERT_NE(run, nullptr);
    const TPoint over((run->mStartX + run->mEndX) / 2, 5);
    ASSERT_TRUE(t->Rollover(&over, 0));
    t->Draw(TVec2(0, 0), 100, 1.0f, 0, 1.0f, nullptr);
    EXPECT_GT(greenSpans(), 10u);
    // Half alpha: no span is more than half opaque.
    mHandler->calls.clear();
    t->Draw(TVec2(0, 0), 100, 1.0f, 0, 0.5f, nullptr);
    for (const TLine& l : RecordedLines())
        EXPECT_LE(l.colour.Alpha(), 128u);
}

TEST_F(TextDraw, QuarterTurnStandsTheLineUp)
{
    TTextGraphic* t = Make("Rotated text");
    t->SetRotation(90.0f, 0, 0);
    t->Draw(TVec2(100, 10), 1000, 1.0f, 0, 1.0f, nullptr);
    int top = 1 << 30, bottom = -1, left = 1 << 30, right = -1;
    for (const TLine& l : RecordedLines())
    {
        top = std::min(top, l.y);
        bottom = std::max(bottom, l.y);
        left = std::min(left, l.x1);
        right = std::max(right, l.x2);
    }
    EXPECT_GT(bottom - top, 60);
    EXPECT_LT(right - left, 20);
}

TEST_F(TextDraw, SoftHyphenShowsOnlyWhereTheLineBreaks)
{
    auto spans = [this](const char* text, unsigned width)
    {
        mHandler->calls.clear();
        TTextGraphic* t = Make(text, width);
        t->Draw(TVec2(0, 0), kH, 1.0f, 0, 1.0f, nullptr);
        std::vector<std::pair<int, int>> out;
        for (const TLine& l : RecordedLines())
            out.push_back({l.y * 1000 + l.x1, l.x2});
        return out;
    };
    // Unbroken, the hyphen neither shows nor takes room.
    EXPECT_EQ(spans("aaaa\xC2\xAD"
                    "bbbb",
                    300),
              spans("aaaabbbb", 300));
    // Broken there, it shows at the end of the first line like a hyphen.
    TTextGraphic* probe = Make("aaaa-", 1000);
    const unsigned box = unsigned(probe->GetLines()[0]->mWidth + 2);
    std::vector<std::pair<int, int>> broken = spans("aaaa\xC2\xAD"
                                                    "bbbb",
                                                    box);
    std::vector<std::pair<int, int>> hyphen = spans("aaaa-\nbbbb", box);
    EXPECT_EQ(broken, hyphen);
}

TEST_F(TextDraw, PlatformHooksReachTheTextLayer)
{
    InstallTextHooks();
    TPlatform::SetConfig("legacylinewrap", "0");
    EXPECT_TRUE(TTextGraphic::mLegacyLineWrap);
    GetRenderHost().DrawHudText("HUD 60 FPS");
    EXPECT_FALSE(RecordedLines().empty());
    ReleaseHudText();
    UninstallTextHooks();
    TTextGraphic::mLegacyLineWrap = false;
    TConfig::Map().erase(str("legacylinewrap"));
    mHandler->calls.clear();
    GetRenderHost().DrawHudText("HUD 60 FPS");
    EXPECT_TRUE(RecordedLines().empty());
}

TEST_F(TextDraw, TargetThatCannotBeLockedGetsNothingAndTheScreenNothingEither)
{
    TTextGraphic* t = Make("Text for a texture");
    // A texture without a surface: its lock fails.
    t->Draw(TVec2(0, 0), kH, 1.0f, 0, 1.0f, std::make_shared<TTexture>());
    EXPECT_TRUE(RecordedLines().empty());
    // The next draw to the screen is not swallowed.
    t->Draw(TVec2(0, 0), kH, 1.0f, 0, 1.0f, nullptr);
    EXPECT_FALSE(RecordedLines().empty());
}

TEST_F(TextDraw, HudTextDrawsRed)
{
    qfDrawHudText("Zestkit Version 4.0.24.2<br>60.000000 FPS<tab pos='150'>Sprites: 0");
    size_t red = 0;
    for (const TLine& l : RecordedLines())
        red += l.colour.Red() == 255 && l.colour.Green() == 0;
    EXPECT_GT(red, 50u);
}

}  // namespace

// A block drawn again as it was sends the renderer the calls of its last draw instead of
// rasterising its glyphs; every step of a scripted run (repeats, moves, scale, alpha, scroll, a
// hovered link, new text and colour, a draw into a texture, shapes forgotten) sends the same
// calls with that reuse as without it.
TEST_F(TextDraw, ABlockDrawnAgainSendsTheSameCallsAsRasterisingIt)
{
    struct Step
    {
        const char* what;
        std::function<void(TTextGraphic*)> change;
        float x, y, scale, alpha;
        unsigned maxHeight;
    };
    std::shared_ptr<TTexture> target = FilledTexture(64, 32, TColor32(0, 0, 0, 255));
    ASSERT_NE(target, nullptr);
    const Step steps[] = {
        {"first", [](TTextGraphic*) {}, 10, 20, 1.0f, 1.0f, 200},
        {"again", [](TTextGraphic*) {}, 10, 20, 1.0f, 1.0f, 200},
        {"moved right", [](TTextGraphic*) {}, 11, 20, 1.0f, 1.0f, 200},
        {"moved down a quarter", [](TTextGraphic*) {}, 11, 20.25f, 1.0f, 1.0f, 200},
        {"smaller", [](TTextGraphic*) {}, 11, 20.25f, 0.75f, 1.0f, 200},
        {"half alpha", [](TTextGraphic*) {}, 11, 20.25f, 0.75f, 0.5f, 200},
        {"lower limit", [](TTextGraphic*) {}, 11, 20.25f, 0.75f, 0.5f, 30},
        {"scrolled", [](TTextGraphic* t) { t->SetScroll(1.5f); }, 11, 20.25f, 0.75f, 0.5f, 200},
        {"link hovered", [](TTextGraphic* t)
         {
             t->SetScroll(0);
             // A point on the link, wherever the layout put it.
             for (int y = 0; y < 200; ++y)
                 for (int x = 0; x < 300; ++x)
                     if (t->Pick(TPoint(x, y), 0) == str("go"))
                     {
                         const TPoint p(x, y);
                         EXPECT_TRUE(t->Rollover(&p, 0));
                         return;
                     }
             ADD_FAILURE() << "no link in the block";
         },
         11, 20.25f, 1.0f, 1.0f, 200},
        {"link left", [](TTextGraphic* t) { t->Rollover(nullptr, 0); }, 11, 20.25f, 1.0f, 1.0f, 200},
        {"new text", [](TTextGraphic* t) { t->SetText("Only <b>this</b> now"); }, 11, 20.25f, 1.0f, 1.0f, 200},
        {"new colour", [](TTextGraphic* t) { t->SetColor(TColor(0.2f, 0.4f, 0.6f, 1)); }, 11, 20.25f, 1.0f,
         1.0f, 200},
        {"into a texture between", [&target](TTextGraphic* t)
         { t->Draw(TVec2(0, 0), 32, 1.0f, 0, 1.0f, target); },
         11, 20.25f, 1.0f, 1.0f, 200},
        {"shapes forgotten", [](TTextGraphic*) { TQfMiniVecDraw::ForgetShapes(); }, 11, 20.25f, 1.0f, 1.0f,
         200},
        {"the paragraph again", [](TTextGraphic* t) { t->SetText(StyledParagraph()); }, 10, 20, 1.0f, 1.0f,
         200},
    };
    std::vector<std::vector<TDrawCall>> sent[2];
    for (int reuse = 0; reuse < 2; ++reuse)
    {
        TTextGraphic::SetDrawReuse(reuse == 1);
        TTextGraphic* block = Make(StyledParagraph());
        for (const Step& s : steps)
        {
            s.change(block);
            mHandler->calls.clear();
            block->Draw(TVec2(s.x, s.y), s.maxHeight, s.scale, 0, s.alpha, nullptr);
            sent[reuse].push_back(mHandler->calls);
        }
    }
    TTextGraphic::SetDrawReuse(true);
    for (size_t i = 0; i < std::size(steps); ++i)
    {
        SCOPED_TRACE(steps[i].what);
        const std::vector<TDrawCall>& a = sent[0][i];
        const std::vector<TDrawCall>& b = sent[1][i];
        ASSERT_EQ(a.size(), b.size());
        EXPECT_FALSE(a.empty());
        for (size_t k = 0; k < a.size(); ++k)
        {
            EXPECT_EQ(a[k].kind, b[k].kind);
            EXPECT_EQ(a[k].drawType, b[k].drawType);
            EXPECT_EQ(a[k].texture, b[k].texture);
            ASSERT_EQ(a[k].verts.size(), b[k].verts.size());
            EXPECT_EQ(std::memcmp(a[k].verts.data(), b[k].verts.data(), a[k].verts.size() * sizeof(TTransformedLitVert)),
                      0);
        }
    }
    // The steps that change something change what is sent.
    auto same = [](const std::vector<TDrawCall>& a, const std::vector<TDrawCall>& b)
    {
        if (a.size() != b.size())
            return false;
        for (size_t k = 0; k < a.size(); ++k)
            if (a[k].verts.size() != b[k].verts.size() ||
                std::memcmp(a[k].verts.data(), b[k].verts.data(), a[k].verts.size() * sizeof(TTransformedLitVert)) != 0)
                return false;
        return true;
    };
    EXPECT_TRUE(same(sent[0][0], sent[0][1]));
    for (size_t i = 2; i <= 11; ++i)
        EXPECT_FALSE(same(sent[0][i - 1], sent[0][i])) << steps[i].what;
}

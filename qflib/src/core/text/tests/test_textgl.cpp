// Styled text through OpenGL under SDL's offscreen driver: the frame must match what the
// rasteriser writes into memory for the same paragraph.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "glcontext.h"
#include "render/gl/gldisplayhandler.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "textdrawfixture.h"

using namespace texttest;

namespace
{

const int kWidth = 320, kHeight = 240;

class TextGL : public ::testing::Test, protected TextDrawBase
{
protected:
    void SetUp() override
    {
        if (!mContext.Create(kWidth, kHeight))
            GTEST_FAIL() << "no OpenGL context: " << mContext.Error();
        mHandler = qftest::InstallGLRenderer(kWidth, kHeight);
        mRenderer = TRenderer::GetInstance();
        SetUpFonts();
    }
    void TearDown() override
    {
        if (!mRenderer)
            return;
        TTextGraphic::Destroy(mText);
        TearDownFonts();
        TRenderer::ShutDown();
    }

    qftest::TTestGLContext mContext;
    TGLDisplayHandler* mHandler = nullptr;
    TRenderer* mRenderer = nullptr;
    TTextGraphic* mText = nullptr;
};

TEST_F(TextGL, StyledParagraphMatchesTheMemoryRasteriser)
{
    mText = TTextGraphic::Create(StyledParagraph(), 300, 220, 0, "__DEFAULT", 16, TColor(1, 1, 1, 1));
    const TColor32 backdrop(20, 30, 40, 255);

    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(20 / 255.0f, 30 / 255.0f, 40 / 255.0f, 1),
                        nullptr);
    mRenderer->SetBlendMode(TRenderer::kBlendAlpha);
    mText->Draw(TVec2(8, 6), kHeight, 1.0f, 2, 1.0f, nullptr);
    mRenderer->End2d();
    std::vector<TColor32> screen(size_t(kWidth) * kHeight);
    ASSERT_TRUE(mHandler->ReadScreenPixels(0, 0, kWidth, kHeight, screen.data()));
    mRenderer->EndDraw(true);

    std::shared_ptr<TTexture> target = FilledTexture(kWidth, kHeight, backdrop);
    ASSERT_TRUE(target);
    mText->Draw(TVec2(8, 6), kHeight, 1.0f, 2, 1.0f, target);
    const std::vector<TColor32> memory = Pixels(target);
    ASSERT_EQ(memory.size(), screen.size());

    size_t lit = 0, off = 0;
    int worst = 0;
    for (size_t i = 0; i < screen.size(); ++i)
    {
        const TColor32 a = screen[i], b = memory[i];
        const int d =
            std::max({std::abs(int(a.Red()) - int(b.Red())), std::abs(int(a.Green()) - int(b.Green())),
                      std::abs(int(a.Blue()) - int(b.Blue()))});
        worst = std::max(worst, d);
        off += d > 2;
        lit += b.Word() != backdrop.Word();
    }
    EXPECT_GT(lit, 1500u);
    // Blending rounds differently by at most a step or two; no span may land elsewhere.
    EXPECT_EQ(off, 0u) << "worst channel difference " << worst;
}

// Text drawn between sprites and shapes, with the display handler joining consecutive calls of
// the same kind and state, gives the picture that drawing each call by itself gives.
TEST_F(TextGL, BatchedTextAmongSpritesMatchesTheUnbatchedPicture)
{
    mText = TTextGraphic::Create(StyledParagraph(), 300, 220, 0, "__DEFAULT", 16, TColor(1, 1, 1, 1));
    std::shared_ptr<TTexture> red = FilledTexture(8, 8, TColor32(220, 40, 40, 160));
    std::shared_ptr<TTexture> blue = FilledTexture(8, 8, TColor32(40, 60, 230, 200));
    ASSERT_TRUE(red && blue);
    auto frame = [&](bool batched, unsigned long long* calls)
    {
        mHandler->SetBatching(batched);
        const unsigned long long before = mHandler->GetDrawCallCount();
        EXPECT_TRUE(mRenderer->BeginDraw(false));
        EXPECT_TRUE(mRenderer->Begin2d());
        mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0.1f, 0.15f, 0.2f, 1), nullptr);
        mRenderer->SetBlendMode(TRenderer::kBlendAlpha);
        for (int i = 0; i < 12; ++i)
            (i % 3 ? red : blue)->DrawSprite(20.0f + 24 * i, 40.0f + 6 * (i % 4), 0.8f, 3.0f, 0.3f * i, 0);
        mText->Draw(TVec2(8, 6), kHeight, 1.0f, 2, 1.0f, nullptr);
        for (int i = 0; i < 12; ++i)
            (i % 4 ? blue : red)->DrawSprite(30.0f + 22 * i, 150.0f + 5 * (i % 3), 0.6f, 2.5f, 0.2f * i, 0);
        mText->Draw(TVec2(20, 120), kHeight, 1.0f, 2, 0.7f, nullptr);
        mRenderer->End2d();
        mRenderer->EndDraw(true);
        *calls = mHandler->GetDrawCallCount() - before;
        std::vector<TColor32> screen(size_t(kWidth) * kHeight);
        EXPECT_TRUE(mHandler->ReadScreenPixels(0, 0, kWidth, kHeight, screen.data()));
        return screen;
    };
    unsigned long long singleCalls = 0, batchedCalls = 0;
    const std::vector<TColor32> single = frame(false, &singleCalls);
    const std::vector<TColor32> batched = frame(true, &batchedCalls);
    size_t differing = 0, lit = 0;
    for (size_t i = 0; i < single.size(); ++i)
    {
        differing += single[i].Word() != batched[i].Word();
        lit += single[i].Word() != TColor32(26, 38, 51, 255).Word();
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(lit, 3000u);
    EXPECT_LT(batchedCalls * 3, singleCalls)
        << batchedCalls << " calls batched, " << singleCalls << " single";
}

}  // namespace

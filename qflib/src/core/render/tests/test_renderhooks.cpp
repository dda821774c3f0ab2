// The platform's render hooks reach the renderer and its display handler.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/seams.h"
#include "foundation/file.h"
#include "imagefixtures.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "render/renderhooks.h"
#include "render/texture.h"

namespace
{

class RenderHooks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto handler = std::make_unique<TRecordingDisplayHandler>();
        mHandler = handler.get();
        mRenderer = TRenderer::CreateInstance(std::move(handler));
        InstallRenderHooks();
    }
    void TearDown() override
    {
        UninstallRenderHooks();
        TRenderer::ShutDown();
    }

    TRecordingDisplayHandler* mHandler = nullptr;
    TRenderer* mRenderer = nullptr;
};

TEST_F(RenderHooks, DisplaySetUpReachesTheHandler)
{
    TRenderHooks& hooks = TPlatformHooks::Render();
    hooks.SetDisplay(800, 600, false);
    unsigned w = 0, h = 0;
    bool full = true;
    hooks.GetDisplay(&w, &h, &full);
    EXPECT_EQ(w, 800u);
    EXPECT_EQ(h, 600u);
    EXPECT_FALSE(full);
    TRect v;
    mRenderer->GetViewport(&v);
    EXPECT_EQ(v, TRect(0, 0, 800, 600));
}

// The window icon's picture comes out of the loader's padded square as rows of its own width,
// each pixel the word the file holds.
TEST_F(RenderHooks, LoadPictureGivesThePixelsRowByRow)
{
    const std::vector<uint32_t> words = {0xFF102030u, 0x80405060u, 0x00000000u,
                                         0xFFFFFFFFu, 0x7F0A0B0Cu, 0xC0D0E0F0u};
    std::vector<uint8_t> png = qftest::EncodePngRgba(3, 2, words);
    TFile::AddMemoryFile("icon.png", png.data(), static_cast<unsigned>(png.size()));
    std::vector<uint32_t> pixels;
    unsigned w = 0, h = 0;
    EXPECT_TRUE(TPlatformHooks::Render().LoadPicture("icon.png", &pixels, &w, &h));
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(h, 2u);
    EXPECT_EQ(pixels, words);

    std::vector<uint8_t> damaged(png.begin(), png.begin() + 20);
    TFile::AddMemoryFile("damaged.png", damaged.data(), static_cast<unsigned>(damaged.size()));
    pixels.clear();
    EXPECT_FALSE(TPlatformHooks::Render().LoadPicture("damaged.png", &pixels, &w, &h));
    EXPECT_FALSE(TPlatformHooks::Render().LoadPicture("missing.png", &pixels, &w, &h));
    EXPECT_TRUE(pixels.empty());
    TFile::AddMemoryFile("icon.png", nullptr, 0);
    TFile::AddMemoryFile("damaged.png", nullptr, 0);
}

TEST_F(RenderHooks, ClippingHooksReplaceOrPushTheDisplayRectangle)
{
    TRenderHooks& hooks = TPlatformHooks::Render();
    hooks.ReplaceClipping(640, 480);
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(0, 0, 640, 480));
    // Stack (display, window): the window's entry goes, the new display takes the display's place.
    mRenderer->PushClippingRectangle(TURect(1, 2, 3, 4));
    hooks.ReplaceClipping(320, 200);
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(0, 0, 320, 200));
    mRenderer->PopClippingRectangle();
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(0, 0, 320, 200));
    // A single entry is never popped, so pushing the display adds a second entry.
    hooks.PushDisplayClipping(100, 50);
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(0, 0, 100, 50));
    EXPECT_EQ(mHandler->GetClipRectangle(), TURect(0, 0, 100, 50));
    mRenderer->PopClippingRectangle();
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(0, 0, 320, 200));
}

TEST_F(RenderHooks, StartupFrameIsOneBlackFill)
{
    TRenderHooks& hooks = TPlatformHooks::Render();
    hooks.SetDisplay(64, 48, false);
    hooks.DrawStartupFrame(64, 48);
    ASSERT_EQ(mHandler->calls.size(), 1u);
    EXPECT_EQ(mHandler->calls[0].kind, TDrawCall::kFill);
    EXPECT_EQ(mHandler->calls[0].rect, TRect(0, 0, 64, 48));
    EXPECT_EQ(mHandler->calls[0].color, TColor(0, 0, 0, 0));
    EXPECT_EQ(mHandler->beginDrawCount, 1);
    EXPECT_EQ(mHandler->endDrawCount, 1);
    EXPECT_EQ(mHandler->postEndDrawCount, 1);
    EXPECT_FALSE(mRenderer->InDraw());
}

TEST_F(RenderHooks, FrameCursorHudAndShutDown)
{
    TRenderHooks& hooks = TPlatformHooks::Render();
    EXPECT_TRUE(hooks.BeginDraw(false));
    hooks.EndDraw(true);
    EXPECT_EQ(mHandler->beginDrawCount, 1);
    EXPECT_EQ(mHandler->endDrawCount, 1);
    hooks.ToggleHUD();
    EXPECT_TRUE(mRenderer->HUDShown());
    std::shared_ptr<TTexture> cursor = TTexture::Create(4, 4, false);
    hooks.SetCursor(cursor, TPoint(2, 3), false);
    EXPECT_EQ(mHandler->cursor, cursor);
    EXPECT_EQ(mHandler->cursorHotSpot, TPoint(2, 3));
    cursor.reset();
    hooks.ShutDown();
    EXPECT_FALSE(TRenderer::HasInstance());
    mRenderer = nullptr;
}

}  // namespace

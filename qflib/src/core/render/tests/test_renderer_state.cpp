// Renderer state without OpenGL: misuse messages, clipping and viewport stacks, render targets,
// capture, fills, frame rate and the debug overlay, all against the recording display handler.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/confighook.h"
#include "foundation/debug.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "render/renderhost.h"
#include "render/texture.h"
#include "render/vertexset.h"

namespace
{

// A host with a manual clock and a fixed screen size.
class TFakeHost : public TRenderHost
{
public:
    unsigned now = 0;
    int screenWidth = 640, screenHeight = 480;
    std::vector<std::string> hudTexts;
    unsigned Timer() override { return now; }
    bool GetScreenSize(int* w, int* h) override
    {
        *w = screenWidth;
        *h = screenHeight;
        return true;
    }
    void DrawHudText(const str& text) override { hudTexts.push_back(text.c_str()); }
};

class RendererState : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto handler = std::make_unique<TRecordingDisplayHandler>();
        mHandler = handler.get();
        mRenderer = TRenderer::CreateInstance(std::move(handler));
        mHandler->SetDisplay(640, 480, false, false, false, false);
        SetRenderHost(&mHost);
        qfSetDbgSink([this](const char* line) { mLines.push_back(line); });
    }
    void TearDown() override
    {
        qfSetDbgSink(TDbgSink());
        SetRenderHost(nullptr);
        TRenderer::ShutDown();
    }

    TRecordingDisplayHandler* mHandler = nullptr;
    TRenderer* mRenderer = nullptr;
    TFakeHost mHost;
    std::vector<std::string> mLines;
};

TEST_F(RendererState, MisuseWritesItsMessageAndChangesNothing)
{
    EXPECT_FALSE(mRenderer->Begin2d());
    ASSERT_EQ(mLines.size(), 1u);
    EXPECT_EQ(mLines[0], "ERROR: Calling Begin2d outside of a BeginDraw or BeginRenderTarget block!");
    EXPECT_EQ(mHandler->begin2dCount, 0);

    mRenderer->End2d();
    ASSERT_EQ(mLines.size(), 2u);
    EXPECT_EQ(mLines[1], "End2d called when not in Begin2d state");
    EXPECT_EQ(mHandler->end2dCount, 0);

    TTransformedLitVert verts[4];
    mRenderer->DrawVertices(TRenderer::kTriangleFan, TVertexSet(verts, 4));
    ASSERT_EQ(mLines.size(), 3u);
    EXPECT_EQ(mLines[2], "DrawVertices called when not in Begin2d or Begin3d state");
    EXPECT_TRUE(mHandler->calls.empty());

    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    EXPECT_FALSE(mRenderer->Begin2d());
    EXPECT_EQ(mLines.back(), "Begin2d called when already in Begin2d state");
    EXPECT_TRUE(mRenderer->In2d());
    EXPECT_FALSE(mRenderer->In3d());
}

TEST_F(RendererState, End2dAfterEndDrawStillLeaves2d)
{
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->EndDraw(true);
    EXPECT_FALSE(mRenderer->InDraw());
    EXPECT_TRUE(mRenderer->In2d());
    mRenderer->End2d();
    EXPECT_EQ(mLines.back(), "ERROR: Calling End2d after EndDraw or EndRenderTarget!");
    EXPECT_FALSE(mRenderer->In2d());
    EXPECT_EQ(mHandler->end2dCount, 1);
}

TEST_F(RendererState, BeginDrawTakesThePlatformResult)
{
    mHandler->beginDrawResult = false;
    EXPECT_FALSE(mRenderer->BeginDraw(true));
    EXPECT_FALSE(mRenderer->InDraw());
    mHandler->beginDrawResult = true;
    EXPECT_TRUE(mRenderer->BeginDraw(true));
    EXPECT_TRUE(mRenderer->InDraw());
}

TEST_F(RendererState, EndDrawRunsItsStepsInOrder)
{
    static std::vector<std::string>* order;
    std::vector<std::string> seen;
    order = &seen;
    gPostDrawFunc = [] { order->push_back("post-draw"); };
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    mRenderer->EndDraw(true);
    gPostDrawFunc = nullptr;
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(mHandler->endDrawCount, 1);
    EXPECT_EQ(mHandler->postEndDrawCount, 1);
    EXPECT_TRUE(mHandler->lastPostEndDrawSwap);
    EXPECT_FALSE(mRenderer->InDraw());
}

TEST_F(RendererState, ClippingStackFollowsItsTop)
{
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect());
    mRenderer->PopClippingRectangle();  // empty: nothing happens
    mRenderer->PushClippingRectangle(TURect(0, 0, 640, 480));
    mRenderer->PopClippingRectangle();  // a single entry stays
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(0, 0, 640, 480));
    mRenderer->PushClippingRectangle(TURect(10, 20, 30, 40));
    EXPECT_EQ(mHandler->GetClipRectangle(), TURect(10, 20, 30, 40));
    mRenderer->SetClippingRectangle(TURect(1, 2, 3, 4));
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(1, 2, 3, 4));
    EXPECT_EQ(mHandler->GetClipRectangle(), TURect(1, 2, 3, 4));
    mRenderer->PopClippingRectangle();
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(0, 0, 640, 480));
    EXPECT_EQ(mHandler->GetClipRectangle(), TURect(0, 0, 640, 480));
}

TEST_F(RendererState, SetClippingRectanglePushesOnAnEmptyStack)
{
    mRenderer->SetClippingRectangle(TURect(5, 6, 7, 8));
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(5, 6, 7, 8));
    EXPECT_EQ(mHandler->GetClipRectangle(), TURect(5, 6, 7, 8));
}

TEST_F(RendererState, ViewportStackKeepsItsLastEntry)
{
    TRect v;
    mRenderer->GetViewport(&v);
    EXPECT_EQ(v, TRect(0, 0, 640, 480));
    mRenderer->PushViewport(TRect(10, 20, 110, 70));
    mRenderer->GetViewport(&v);
    EXPECT_EQ(v, TRect(10, 20, 110, 70));
    mRenderer->PopViewport();
    mRenderer->PopViewport();
    mRenderer->PopViewport();
    mRenderer->GetViewport(&v);
    EXPECT_EQ(v, TRect(0, 0, 640, 480));
    EXPECT_EQ(mHandler->GetViewportDepth(), 1u);
}

TEST_F(RendererState, RenderTargetsRefuseSimpleTexturesAndOpenFrames)
{
    std::shared_ptr<TTexture> target = TTexture::Create(64, 32, true);
    ASSERT_TRUE(target);
    std::shared_ptr<TTexture> simple = TTexture::Create(8, 8, false);
    simple->GetData()->mFlags |= TTextureData::kSimple;

    EXPECT_FALSE(mRenderer->BeginRenderTarget(simple, TRenderer::kTargetOpaque));
    EXPECT_FALSE(mRenderer->InDraw());

    ASSERT_TRUE(mRenderer->BeginDraw(false));
    EXPECT_FALSE(mRenderer->BeginRenderTarget(target, TRenderer::kTargetOpaque));
    EXPECT_FALSE(mRenderer->InRenderTarget());
    mRenderer->EndDraw(false);

    mHandler->renderTargetResult = false;
    EXPECT_FALSE(mRenderer->BeginRenderTarget(target, TRenderer::kTargetKeepAlpha));
    EXPECT_FALSE(mRenderer->InDraw());
    mHandler->renderTargetResult = true;

    ASSERT_TRUE(mRenderer->BeginRenderTarget(target, TRenderer::kTargetAlphaOnly));
    EXPECT_EQ(mHandler->lastTargetMode, 4);
    EXPECT_TRUE(mRenderer->InDraw());
    EXPECT_TRUE(mRenderer->InRenderTarget());
    ASSERT_TRUE(mRenderer->Begin2d());
    TRect v;
    mRenderer->GetViewport(&v);
    EXPECT_EQ(v, TRect(0, 0, 64, 32));
    mRenderer->End2d();
    mRenderer->EndRenderTarget();
    EXPECT_FALSE(mRenderer->InDraw());
    EXPECT_FALSE(mRenderer->InRenderTarget());
    mRenderer->GetViewport(&v);
    EXPECT_EQ(v, TRect(0, 0, 640, 480));
}

TEST_F(RendererState, CaptureTakesOnlyScreenSizedTexturesAndFiresOnce)
{
    std::shared_ptr<TTexture> wrong = TTexture::Create(320, 240, false);
    mRenderer->SetCaptureTexture(wrong);
    EXPECT_FALSE(mRenderer->GetCaptureTexture());

    std::shared_ptr<TTexture> right = TTexture::Create(640, 480, false);
    mRenderer->SetCaptureTexture(right);
    EXPECT_EQ(mRenderer->GetCaptureTexture(), right);

    for (int frame = 0; frame < 2; ++frame)
    {
        ASSERT_TRUE(mRenderer->BeginDraw(false));
        mRenderer->EndDraw(true);
    }
    int captures = 0;
    for (const TDrawCall& c : mHandler->calls)
        if (c.kind == TDrawCall::kCapture)
        {
            ++captures;
            EXPECT_EQ(c.texture, right.get());
        }
    EXPECT_EQ(captures, 1);
    EXPECT_FALSE(mRenderer->GetCaptureTexture());

    mRenderer->SetCaptureTexture(right);
    mRenderer->SetCaptureTexture(nullptr);
    EXPECT_FALSE(mRenderer->GetCaptureTexture());
}

TEST_F(RendererState, UntexturedFillIsMovedAndCutToTheViewport)
{
    mRenderer->PushViewport(TRect(100, 50, 200, 150));
    mRenderer->FillRect(TURect(10, 10, 500, 20), TColor(1, 0, 0, 1), nullptr);
    // Entirely outside once moved: nothing is drawn (no inverted rectangle).
    mRenderer->FillRect(TURect(300, 300, 310, 310), TColor(0, 1, 0, 1), nullptr);
    ASSERT_EQ(mHandler->calls.size(), 1u);
    const TDrawCall& c = mHandler->calls[0];
    EXPECT_EQ(c.kind, TDrawCall::kFill);
    EXPECT_EQ(c.rect, TRect(110, 60, 200, 70));
    EXPECT_EQ(c.color, TColor(1, 0, 0, 1));
}

TEST_F(RendererState, UntexturedFillWithExtremeEdgesDrawsNothingAndDoesNotOverflow)
{
    mRenderer->PushViewport(TRect(100, 50, 200, 150));
    mRenderer->FillRect(TURect(0xFFFFFFF0u, 0, 0xFFFFFFFFu, 10), TColor(1, 0, 0, 1), nullptr);
    mRenderer->FillRect(TURect(0, 0x7FFFFFFFu, 10, 0xFFFFFFFFu), TColor(1, 0, 0, 1), nullptr);
    EXPECT_TRUE(mHandler->calls.empty());
}

TEST_F(RendererState, TexturedFillGoesUnchangedIntoTheTexture)
{
    std::shared_ptr<TTexture> t = TTexture::Create(16, 16, true);
    mRenderer->PushViewport(TRect(100, 50, 200, 150));
    mRenderer->FillRect(TURect(2, 3, 6, 7), TColor(0, 0, 1, 0.5f), t);
    ASSERT_EQ(mHandler->calls.size(), 1u);
    EXPECT_EQ(mHandler->calls[0].kind, TDrawCall::kFillTexture);
    EXPECT_EQ(mHandler->calls[0].rect, TRect(2, 3, 6, 7));
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(t->Lock(&px, &pitch));
    EXPECT_EQ(px[3 * pitch + 2].Word(), TColor32(0, 0, 255, 127).Word());
    EXPECT_EQ(px[7 * pitch + 6].Word(), 0u);
    t->Unlock();
}

TEST_F(RendererState, SimpleTexturesAreSetAsNoTexture)
{
    std::shared_ptr<TTexture> normal = TTexture::Create(8, 8, false);
    std::shared_ptr<TTexture> simple = TTexture::Create(8, 8, false);
    simple->GetData()->mFlags |= TTextureData::kSimple;
    mRenderer->SetTexture(normal);
    EXPECT_EQ(mHandler->GetCurrentTexture(), normal.get());
    mRenderer->SetTexture(simple);
    EXPECT_EQ(mHandler->GetCurrentTexture(), nullptr);
    EXPECT_FALSE(mRenderer->GetTexture());
}

TEST_F(RendererState, StateCallsAreForwarded)
{
    mRenderer->SetBlendMode(TRenderer::kBlendAdditive);
    EXPECT_EQ(mHandler->GetBlendMode(), 2);
    mRenderer->SetCullMode(TRenderer::kCullClockwise);
    EXPECT_EQ(mHandler->GetCullMode(), 3);
    mHandler->squareOnly = false;
    EXPECT_FALSE(mRenderer->GetTextureSquareFlag());
    mHandler->squareOnly = true;
    EXPECT_TRUE(mRenderer->GetTextureSquareFlag());
}

TEST_F(RendererState, DrawVerticesGoesToTheHandlerUnchanged)
{
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    TTransformedLitVert verts[2];
    verts[1].pos = TVec3(3, 4, 0.1f);
    mRenderer->DrawVertices(TRenderer::kLines, TVertexSet(verts, 2));
    ASSERT_EQ(mHandler->calls.size(), 1u);
    EXPECT_EQ(mHandler->calls[0].drawType, 2);
    EXPECT_EQ(mHandler->calls[0].format, 2);
    ASSERT_EQ(mHandler->calls[0].verts.size(), 2u);
    EXPECT_FLOAT_EQ(mHandler->calls[0].verts[1].pos.y, 4.0f);
}

TEST_F(RendererState, DrawTextureDrawsTheImageAsAnOpaqueQuadInsideAFrame)
{
    std::shared_ptr<TTexture> cache = TTexture::Create(600, 200, false);
    ASSERT_TRUE(cache);
    const TTextureData* data = cache->GetData();
    ASSERT_EQ(data->mSurfaceWidth, 1024u);  // the recording handler's surfaces are square
    std::shared_ptr<TTexture> other = TTexture::Create(8, 8, false);

    // Outside a frame there is nothing to draw into.
    mRenderer->DrawTexture(cache, 0, 0);
    EXPECT_TRUE(mHandler->calls.empty());

    ASSERT_TRUE(mRenderer->BeginDraw(false));
    mRenderer->PushViewport(TRect(100, 50, 200, 150));
    mRenderer->PushClippingRectangle(TURect(0, 0, 640, 480));
    mRenderer->PushClippingRectangle(TURect(120, 60, 180, 140));
    mRenderer->SetTexture(other);
    mRenderer->SetBlendMode(TRenderer::kBlendAdditive);
    mRenderer->DrawTexture(cache, 10, 20);
    ASSERT_EQ(mHandler->calls.size(), 1u);
    const TDrawCall& c = mHandler->calls[0];
    EXPECT_EQ(c.kind, TDrawCall::kVertices);
    EXPECT_EQ(c.drawType, TRenderer::kTriangleFan);
    EXPECT_EQ(c.format, 2);
    EXPECT_EQ(c.texture, cache.get());
    EXPECT_EQ(c.blendMode, TRenderer::kBlendOpaque);
    EXPECT_EQ(c.viewport, TRect(0, 0, 640, 480)) << "the whole display, not the window's viewport";
    EXPECT_EQ(c.clip, TURect(0, 0, 640, 480));
    EXPECT_FALSE(c.inRenderTarget);
    ASSERT_EQ(c.verts.size(), 4u);
    const float u = 600.0f / 1024.0f, v = 200.0f / 1024.0f;
    const struct
    {
        float x, y, u, v;
    } corners[] = {{10, 20, 0, 0}, {610, 20, u, 0}, {610, 220, u, v}, {10, 220, 0, v}};
    for (int i = 0; i < 4; i++)
    {
        EXPECT_FLOAT_EQ(c.verts[i].pos.x, corners[i].x) << i;
        EXPECT_FLOAT_EQ(c.verts[i].pos.y, corners[i].y) << i;
        EXPECT_FLOAT_EQ(c.verts[i].u, corners[i].u) << i;
        EXPECT_FLOAT_EQ(c.verts[i].v, corners[i].v) << i;
        EXPECT_EQ(c.verts[i].color.Word(), TColor32(255, 255, 255, 255).Word()) << i;
    }

    // Everything the draw changed is put back.
    EXPECT_FALSE(mRenderer->In2d());
    EXPECT_EQ(mHandler->GetCurrentTexture(), other.get());
    EXPECT_EQ(mRenderer->GetTexture(), other);
    EXPECT_EQ(mHandler->GetBlendMode(), TRenderer::kBlendAdditive);
    TRect viewport;
    mRenderer->GetViewport(&viewport);
    EXPECT_EQ(viewport, TRect(100, 50, 200, 150));
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(120, 60, 180, 140));
    EXPECT_EQ(mHandler->GetClipRectangle(), TURect(120, 60, 180, 140));
    mRenderer->PopClippingRectangle();
    EXPECT_EQ(mRenderer->GetClippingRectangle(), TURect(0, 0, 640, 480));

    // Already in 2-D, the draw leaves 2-D on; simple textures and 3-D draw nothing.
    mHandler->calls.clear();
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->DrawTexture(cache, 0, 0);
    EXPECT_EQ(mHandler->calls.size(), 1u);
    EXPECT_TRUE(mRenderer->In2d());
    mRenderer->End2d();
    std::shared_ptr<TTexture> simple = TTexture::Create(8, 8, false);
    simple->GetData()->mFlags |= TTextureData::kSimple;
    mRenderer->DrawTexture(simple, 0, 0);
    mRenderer->DrawTexture(nullptr, 0, 0);
    EXPECT_EQ(mHandler->calls.size(), 1u);
    mRenderer->PopViewport();
    mRenderer->EndDraw(false);
}

TEST_F(RendererState, FrameRateChangesEveryFifteenthFrameAndSurvivesAZeroInterval)
{
    auto frame = [&](unsigned at)
    {
        mHost.now = at;
        ASSERT_TRUE(mRenderer->BeginDraw(false));
        mRenderer->EndDraw(false);
    };
    for (unsigned i = 0; i < 14; ++i)
        frame(1000 + i * 10);
    EXPECT_EQ(mRenderer->GetFramesPerSecond(), 0.0f);
    frame(1000 + 14 * 10);  // 15th frame: 140 ms between the oldest and newest stamps
    EXPECT_FLOAT_EQ(mRenderer->GetFramesPerSecond(), 15000.0f / 140.0f);
    // Fifteen frames within the same millisecond leave the figure as it was.
    for (int i = 0; i < 15; ++i)
        frame(5000);
    EXPECT_FLOAT_EQ(mRenderer->GetFramesPerSecond(), 15000.0f / 140.0f);
    EXPECT_TRUE(std::isfinite(mRenderer->GetFramesPerSecond()));
}

TEST_F(RendererState, HudIsDrawnFromTheFirstFrameAfterToggle)
{
    EXPECT_FALSE(mRenderer->ToggleHUD());
    EXPECT_TRUE(mRenderer->HUDShown());
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    mRenderer->EndDraw(true);
    ASSERT_EQ(mHost.hudTexts.size(), 1u);
    EXPECT_EQ(mHost.hudTexts[0].rfind("Zestkit Version 4.0.24.2<br>", 0), 0u);
    // No sprite was drawn in that frame; the process's memory is never nothing.
    EXPECT_NE(mHost.hudTexts[0].find("<tab pos='150'>Sprites: 0<br>Mem: "), std::string::npos);
    EXPECT_EQ(mHost.hudTexts[0].find("<br>Mem: 0kB"), std::string::npos);
    // The backdrop: an unblended black fill of (0, 0)-(300, 64) between Begin2d and End2d.
    ASSERT_FALSE(mHandler->calls.empty());
    EXPECT_EQ(mHandler->calls[0].kind, TDrawCall::kFill);
    EXPECT_EQ(mHandler->calls[0].rect, TRect(0, 0, 300, 64));
    EXPECT_EQ(mHandler->begin2dCount, 1);
    EXPECT_EQ(mHandler->end2dCount, 1);
    EXPECT_FALSE(mRenderer->In2d());
    EXPECT_TRUE(mRenderer->ToggleHUD());
}

// The text layer's drawer and release, as the program installs them.
std::vector<std::string> gHudDrawn;
int gHudReleased = 0;
void RecordHudText(const str& text)
{
    gHudDrawn.push_back(text.c_str());
}
void CountHudRelease()
{
    ++gHudReleased;
}

struct THudDrawerGuard
{
    THudDrawerGuard()
    {
        gHudDrawn.clear();
        gHudReleased = 0;
        SetHudTextDrawer(RecordHudText, CountHudRelease);
    }
    ~THudDrawerGuard() { SetHudTextDrawer(nullptr, nullptr); }
};

TEST_F(RendererState, HudTextGoesThroughTheInstalledDrawerAndIsFreedAtShutDown)
{
    TRenderHost plainHost;  // the host every platform host builds on
    SetRenderHost(&plainHost);
    mRenderer->ToggleHUD();
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    mRenderer->EndDraw(true);  // no drawer installed: the backdrop only
    {
        THudDrawerGuard guard;
        ASSERT_TRUE(mRenderer->BeginDraw(false));
        mRenderer->EndDraw(true);
        ASSERT_EQ(gHudDrawn.size(), 1u);
        EXPECT_EQ(gHudDrawn[0].rfind("Zestkit Version 4.0.24.2<br>", 0), 0u);
        EXPECT_EQ(gHudReleased, 0);
        TRenderer::ShutDown();
        EXPECT_EQ(gHudReleased, 1);
        TRenderer::ShutDown();  // nothing left to shut down: nothing more to free
        EXPECT_EQ(gHudReleased, 1);
    }
    mRenderer = nullptr;
}

TEST_F(RendererState, HudTextCarriesTheConfigurationFigures)
{
    qfSetConfigReader(
        [](const char* key) -> str
        {
            if (std::string(key) == "current_sprite_count")
                return str("12");
            if (std::string(key) == "texture_ram_allocated")
                return str("4096");
            if (std::string(key) == "max_texture_ram_allocated")
                return str("10240");
            return str();
        });
    const std::string text = mRenderer->FormatHUDText().c_str();
    qfSetConfigReader(nullptr);
    EXPECT_NE(text.find("Sprites: 12<br>"), std::string::npos) << text;
    EXPECT_NE(text.find("TexMem: 4kB<br>"), std::string::npos) << text;
    EXPECT_NE(text.find("MaxTexMem: 10kB<br>"), std::string::npos) << text;
    EXPECT_NE(text.find("0.000000 FPS"), std::string::npos) << text;
}

TEST_F(RendererState, HudTextShowsTheRealFiguresWhenNoneIsConfigured)
{
    qfSetConfigReader([](const char*) -> str { return str(); });
    // Three sprites in a frame: the overlay shows them once the frame is over.
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    for (int i = 0; i < 3; ++i)
        mRenderer->NoteSpriteDrawn();
    mRenderer->EndDraw(false);
    EXPECT_EQ(mRenderer->GetLastFrameSprites(), 3u);
    // Texture surfaces made and freed move the current figure; the peak stays.
    const long long before = TRenderer::GetTextureBytes();
    TRenderer::NoteTextureBytes(5 * 1024 * 1024);
    const long long peak = TRenderer::GetMaxTextureBytes();
    EXPECT_EQ(TRenderer::GetTextureBytes(), before + 5 * 1024 * 1024);
    const std::string during = mRenderer->FormatHUDText().c_str();
    TRenderer::NoteTextureBytes(-5 * 1024 * 1024);
    EXPECT_EQ(TRenderer::GetTextureBytes(), before);
    EXPECT_EQ(TRenderer::GetMaxTextureBytes(), peak);
    const std::string text = mRenderer->FormatHUDText().c_str();
    qfSetConfigReader(nullptr);

    EXPECT_NE(text.find("Sprites: 3<br>"), std::string::npos) << text;
    EXPECT_NE(during.find("TexMem: " + std::to_string((before + 5 * 1024 * 1024) / 1024) + "kB"),
              std::string::npos)
        << during;
    EXPECT_NE(text.find("MaxTexMem: " + std::to_string(peak / 1024) + "kB"), std::string::npos) << text;
    // The process's memory is never shown as nothing.
    EXPECT_EQ(text.find("<br>Mem: 0kB"), std::string::npos) << text;
    EXPECT_EQ(text.find("<br>MaxMem: 0kB"), std::string::npos) << text;
}

}  // namespace

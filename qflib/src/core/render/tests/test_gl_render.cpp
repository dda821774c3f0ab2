// Drawing through OpenGL under SDL's offscreen driver: filled rectangles, a rotated and scaled
// sprite with alpha, a masked texture, render targets and a frame capture, read back and compared
// with the expected pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "foundation/assetmanager.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "glcontext.h"
#include "imagefixtures.h"
#include "render/gl/gldisplayhandler.h"
#include "render/gl/glheaders.h"
#include "render/gl/gltexturedata.h"
#include "render/renderer.h"
#include "render/renderhost.h"
#include "render/texture.h"
#include "render/vertexset.h"

namespace
{

const int kWidth = 320, kHeight = 240;

uint32_t Word(int r, int g, int b, int a)
{
    return TColor32(r, g, b, a).Word();
}

class GLRender : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!mContext.Create(kWidth, kHeight))
            GTEST_FAIL() << "no OpenGL context: " << mContext.Error();
        mHandler = qftest::InstallGLRenderer(kWidth, kHeight);
        mRenderer = TRenderer::GetInstance();
        TAssetManager::SetInstance(&mAssets);
    }
    void TearDown() override
    {
        if (!mRenderer)
            return;
        // Nothing the handler did may have been rejected by OpenGL.
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        for (const auto& f : mFiles)
            TFile::AddMemoryFile(f.first.c_str(), nullptr, 0);
        TRenderer::ShutDown();
        TAssetManager::SetInstance(nullptr);
    }

    void AddPng(const std::string& name, int w, int h, const std::vector<uint32_t>& words)
    {
        mFiles[name] = qftest::EncodePngRgba(w, h, words);
        TFile::AddMemoryFile(name.c_str(), mFiles[name].data(), static_cast<unsigned>(mFiles[name].size()));
    }

    // A perspective view, culling off and no texture, looking at the origin from five units away.
    void LookAlongZFromFiveUnits()
    {
        mHandler->SetCullMode(TRenderer::kCullNone);
        mHandler->SetPerspectiveProjection(0.1f, 1000.0f, 0.7853982f, 0.0f);
        TMat4 view;
        view[3] = TVec4(0, 0, 5, 1);
        mHandler->SetViewMatrix(view);
        mHandler->SetTexture(nullptr);
    }
    // Paints the whole of a 16 x 16 texture one colour through its surface.
    static void Repaint16(const std::shared_ptr<TTexture>& t, uint32_t word)
    {
        TColor32* px = nullptr;
        unsigned pitch = 0;
        ASSERT_TRUE(t->Lock(&px, &pitch));
        for (unsigned y = 0; y < 16; ++y)
            for (unsigned x = 0; x < 16; ++x)
                px[y * pitch + x] = TColor32(word);
        t->Unlock();
    }
    std::vector<TColor32> Screen()
    {
        std::vector<TColor32> px(static_cast<size_t>(kWidth) * kHeight);
        EXPECT_TRUE(mHandler->ReadScreenPixels(0, 0, kWidth, kHeight, px.data()));
        return px;
    }

    // Compares red, green and blue within a tolerance.
    static void ExpectRgb(const std::vector<TColor32>& screen, int x, int y, uint32_t want, int tolerance = 3)
    {
        const TColor32 got = screen[static_cast<size_t>(y) * kWidth + x];
        const TColor32 w(want);
        EXPECT_NEAR(got.Red(), w.Red(), tolerance) << "at (" << x << ", " << y << ")";
        EXPECT_NEAR(got.Green(), w.Green(), tolerance) << "at (" << x << ", " << y << ")";
        EXPECT_NEAR(got.Blue(), w.Blue(), tolerance) << "at (" << x << ", " << y << ")";
    }

    // A texture whose pixel (x, y) is colourAt(x, y).
    template <typename ColourAt>
    static std::shared_ptr<TTexture> FilledTexture(int w, int h, bool alpha, ColourAt colourAt)
    {
        std::shared_ptr<TTexture> t =
            TTexture::Create(static_cast<unsigned>(w), static_cast<unsigned>(h), alpha);
        TColor32* px = nullptr;
        unsigned pitch = 0;
        if (!t || !t->Lock(&px, &pitch))
            return nullptr;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                px[static_cast<size_t>(y) * pitch + x] = colourAt(x, y);
        t->Unlock();
        return t;
    }

    static std::shared_ptr<TTexture> SolidTexture(int w, int h, bool alpha, uint32_t left, uint32_t right)
    {
        return FilledTexture(w, h, alpha, [&](int x, int) { return TColor32(x < w / 2 ? left : right); });
    }

    qftest::TTestGLContext mContext;
    TGLDisplayHandler* mHandler = nullptr;
    TRenderer* mRenderer = nullptr;
    TAssetManager mAssets;
    std::map<std::string, std::vector<uint8_t>> mFiles;
};

TEST_F(GLRender, FilledRectanglesLandOnTheirPixels)
{
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    mRenderer->FillRect(TURect(10, 10, 50, 40), TColor(1, 0, 0, 1), nullptr);
    // Moved by the viewport's origin and cut to it.
    mRenderer->PushViewport(TRect(150, 150, 200, 200));
    mRenderer->FillRect(TURect(0, 0, 10, 100), TColor(0, 1, 0, 1), nullptr);
    mRenderer->PopViewport();
    // Clipped by the clipping rectangle.
    mRenderer->PushClippingRectangle(TURect(0, 0, 100, kHeight));
    mRenderer->FillRect(TURect(60, 100, 300, 110), TColor(0, 0, 1, 1), nullptr);
    mRenderer->PopClippingRectangle();
    mRenderer->End2d();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);

    ExpectRgb(s, 10, 10, Word(255, 0, 0, 255));
    ExpectRgb(s, 49, 39, Word(255, 0, 0, 255));
    ExpectRgb(s, 9, 10, Word(0, 0, 0, 255));
    ExpectRgb(s, 50, 20, Word(0, 0, 0, 255));
    ExpectRgb(s, 20, 40, Word(0, 0, 0, 255));
    ExpectRgb(s, 150, 150, Word(0, 255, 0, 255));
    ExpectRgb(s, 159, 199, Word(0, 255, 0, 255));
    ExpectRgb(s, 160, 150, Word(0, 0, 0, 255));
    ExpectRgb(s, 155, 200, Word(0, 0, 0, 255));
    ExpectRgb(s, 99, 105, Word(0, 0, 255, 255));
    ExpectRgb(s, 100, 105, Word(0, 0, 0, 255));
}

TEST_F(GLRender, RotatedScaledSpriteBlendsWithItsAlpha)
{
    // Left half red, right half blue; drawn at half opacity, twice the size, turned a quarter.
    std::shared_ptr<TTexture> t = SolidTexture(16, 16, true, Word(255, 0, 0, 255), Word(0, 0, 255, 255));
    ASSERT_TRUE(t);
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    t->DrawSprite(100, 100, 0.5f, 2.0f, static_cast<float>(M_PI / 2), 0);
    mRenderer->End2d();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);

    // A quarter turn takes the texture's left half (x < 0 about the centre) to the upper half.
    ExpectRgb(s, 100, 88, Word(127, 0, 0, 255), 4);
    ExpectRgb(s, 92, 92, Word(127, 0, 0, 255), 4);
    ExpectRgb(s, 100, 112, Word(0, 0, 127, 255), 4);
    ExpectRgb(s, 108, 110, Word(0, 0, 127, 255), 4);
    // 32 x 32 around (100, 100): outside stays black.
    ExpectRgb(s, 100, 82, Word(0, 0, 0, 255), 4);
    ExpectRgb(s, 118, 100, Word(0, 0, 0, 255), 4);
    ExpectRgb(s, 100, 117, Word(0, 0, 0, 255), 4);
}

TEST_F(GLRender, MaskedTextureShowsOnlyWhereTheMaskIsRed)
{
    AddPng("leaf.png", 16, 16, std::vector<uint32_t>(256, Word(0, 255, 0, 255)));
    std::vector<uint32_t> mask(256);
    for (int i = 0; i < 256; ++i)
        mask[i] = (i % 16) < 8 ? Word(255, 0, 0, 255) : Word(0, 0, 0, 255);
    AddPng("leafmask.png", 16, 16, mask);
    std::shared_ptr<TTexture> t = TTexture::GetMerged("leaf.png", "leafmask.png", 0);
    ASSERT_TRUE(t);
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0.5f, 0.5f, 0.5f, 1), nullptr);
    TDrawSpec spec(TVec2(200, 50), 1.0f, 1.0f, TDrawSpec::kUsePivot);
    t->DrawSprite(spec);
    mRenderer->End2d();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);

    ExpectRgb(s, 203, 53, Word(0, 255, 0, 255));
    ExpectRgb(s, 212, 60, Word(127, 127, 127, 255));
    ExpectRgb(s, 199, 53, Word(127, 127, 127, 255));
}

TEST_F(GLRender, RenderTargetKeepsRowZeroAtTheTopAndDrawsBack)
{
    std::shared_ptr<TTexture> target = TTexture::Create(64, 64, true);
    ASSERT_TRUE(target);
    ASSERT_TRUE(mRenderer->BeginRenderTarget(target, TRenderer::kTargetKeepAlpha));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, 64, 32), TColor(1, 1, 0, 1), nullptr);
    mRenderer->FillRect(TURect(40, 40, 48, 48), TColor(0, 1, 1, 0.5f), nullptr);
    mRenderer->End2d();
    mRenderer->EndRenderTarget();

    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(target->Lock(&px, &pitch));
    EXPECT_EQ(px[10 * pitch + 10].Word(), Word(255, 255, 0, 255));
    EXPECT_EQ(px[50 * pitch + 10].Word(), 0u);
    EXPECT_EQ(px[44 * pitch + 44].Word() & 0xFFFFFFu, Word(0, 255, 255, 0));
    EXPECT_NEAR(px[44 * pitch + 44].Alpha(), 127, 1);
    target->Unlock();

    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    target->DrawSprite(TDrawSpec(TVec2(250, 150), 1.0f, 1.0f, TDrawSpec::kUsePivot));
    mRenderer->End2d();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);
    ExpectRgb(s, 260, 160, Word(255, 255, 0, 255));
    ExpectRgb(s, 260, 200, Word(0, 0, 0, 255));
}

TEST_F(GLRender, DrawTextureBringsARenderTargetUprightOntoTheScreenInsideAFrame)
{
    std::shared_ptr<TTexture> target = TTexture::Create(64, 64, true);
    ASSERT_TRUE(target);
    ASSERT_TRUE(mRenderer->BeginRenderTarget(target, TRenderer::kTargetOpaque));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, 64, 64), TColor(0, 0, 1, 1), nullptr);
    mRenderer->FillRect(TURect(0, 0, 64, 16), TColor(1, 1, 0, 1), nullptr);
    mRenderer->End2d();
    mRenderer->EndRenderTarget();

    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    mRenderer->End2d();
    mRenderer->PushViewport(TRect(200, 200, 240, 240));
    mRenderer->DrawTexture(target, 100, 50);
    mRenderer->PopViewport();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);
    ExpectRgb(s, 110, 55, Word(255, 255, 0, 255));  // the target's top rows stay on top
    ExpectRgb(s, 110, 100, Word(0, 0, 255, 255));
    ExpectRgb(s, 170, 55, Word(0, 0, 0, 255));  // nothing beyond the image
    ExpectRgb(s, 110, 120, Word(0, 0, 0, 255));
}

TEST_F(GLRender, OpaqueTargetModeForcesAlphaOverTheImage)
{
    std::shared_ptr<TTexture> target = TTexture::Create(32, 32, true);
    ASSERT_TRUE(mRenderer->BeginRenderTarget(target, TRenderer::kTargetOpaque));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, 16, 16), TColor(1, 0, 0, 0.25f), nullptr);
    mRenderer->End2d();
    mRenderer->EndRenderTarget();
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(target->Lock(&px, &pitch));
    EXPECT_EQ(px[0].Word(), Word(255, 0, 0, 255));
    EXPECT_EQ(px[20 * pitch + 20].Alpha(), 255);
    target->Unlock();
}

TEST_F(GLRender, AlphaOnlyTargetTakesTheDrawnAlphaIntoTheTexture)
{
    std::shared_ptr<TTexture> target =
        SolidTexture(32, 32, true, Word(10, 20, 30, 255), Word(10, 20, 30, 255));
    std::shared_ptr<TTexture> brush =
        SolidTexture(8, 8, true, Word(255, 255, 255, 255), Word(255, 255, 255, 255));
    ASSERT_TRUE(target && brush);
    ASSERT_TRUE(mRenderer->BeginRenderTarget(target, TRenderer::kTargetAlphaOnly));
    ASSERT_TRUE(mRenderer->Begin2d());
    brush->DrawSprite(TDrawSpec(TVec2(0, 0), 0.5f, 1.0f, TDrawSpec::kUsePivot));
    mRenderer->End2d();
    mRenderer->EndRenderTarget();
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(target->Lock(&px, &pitch));
    // Colours stay; the alpha is what was drawn (vertex alpha 0.5 times texture alpha 1).
    EXPECT_EQ(px[2 * pitch + 2].Red(), 10);
    EXPECT_NEAR(px[2 * pitch + 2].Alpha(), 127, 2);
    EXPECT_EQ(px[20 * pitch + 20].Alpha(), 0);
    target->Unlock();
}

TEST_F(GLRender, CaptureCopiesTheFrameTopRowFirstOnce)
{
    std::shared_ptr<TTexture> capture = TTexture::Create(kWidth, kHeight, false);
    mRenderer->SetCaptureTexture(capture);
    ASSERT_EQ(mRenderer->GetCaptureTexture(), capture);
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    mRenderer->FillRect(TURect(0, 0, kWidth, 1), TColor(1, 0, 1, 1), nullptr);
    mRenderer->End2d();
    mRenderer->EndDraw(true);
    EXPECT_FALSE(mRenderer->GetCaptureTexture());
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(capture->Lock(&px, &pitch));
    EXPECT_EQ(px[5].Word(), Word(255, 0, 255, 255));
    EXPECT_EQ(px[pitch + 5].Word(), Word(0, 0, 0, 255));
    EXPECT_EQ(px[(kHeight - 1) * pitch + 5].Word(), Word(0, 0, 0, 255));
    capture->Unlock();
}

TEST_F(GLRender, TextureCopiesLandClippedInTheTarget)
{
    std::shared_ptr<TTexture> src = SolidTexture(8, 8, true, Word(1, 2, 3, 255), Word(4, 5, 6, 255));
    std::shared_ptr<TTexture> dst = TTexture::Create(10, 10, true);
    src->CopyPixels(6, 6, nullptr, dst);
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(dst->Lock(&px, &pitch));
    EXPECT_EQ(px[6 * pitch + 6].Word(), Word(1, 2, 3, 255));
    EXPECT_EQ(px[9 * pitch + 9].Word(), Word(1, 2, 3, 255));
    EXPECT_EQ(px[5 * pitch + 6].Word(), 0u);
    EXPECT_EQ(px[6 * pitch + 10].Word(), 0u);  // beyond the target's image
    dst->Unlock();
}

TEST_F(GLRender, MipmappedTexturesHaveEveryLevel)
{
    std::vector<uint32_t> words(64 * 64, Word(200, 100, 50, 255));
    AddPng("mip.png", 64, 64, words);
    std::shared_ptr<TTexture> t = TTexture::Get("mip.png", 1);
    ASSERT_TRUE(t);
    ASSERT_TRUE(t->Lock(nullptr, nullptr) == false);
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(t->Lock(&px, &pitch));
    EXPECT_EQ(px[0].Word(), Word(200, 100, 50, 255));
    t->Unlock();
}

// A quad of one vertex colour in viewport pixels.
void ColouredQuad(TTransformedLitVert* v, float x0, float y0, float x1, float y1, TColor32 colour)
{
    const float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
    for (int i = 0; i < 4; ++i)
    {
        v[i] = TTransformedLitVert();
        v[i].pos = TVec3(xs[i], ys[i], 0.1f);
        v[i].rhw = 0.5f;
        v[i].color = colour;
    }
}

TEST_F(GLRender, BlendModesCombineAsSpecifiedOnTheScreen)
{
    struct
    {
        int mode;
        int r, g, b;
    } cases[] = {
        {TRenderer::kBlendAlpha, 191, 127, 63},        {TRenderer::kBlendOpaque, 255, 127, 0},
        {TRenderer::kBlendAdditive, 255, 191, 127},    {TRenderer::kBlendSubtractive, 0, 63, 127},
        {TRenderer::kBlendMultiplicative, 127, 63, 0},
    };
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0.5f, 0.5f, 0.5f, 1), nullptr);
    mRenderer->SetTexture(nullptr);
    int x = 10;
    for (const auto& c : cases)
    {
        TTransformedLitVert v[4];
        ColouredQuad(v, static_cast<float>(x), 10, static_cast<float>(x + 20), 30,
                     TColor32(255, 127, 0, 127));
        mRenderer->SetBlendMode(static_cast<TRenderer::EBlendMode>(c.mode));
        mRenderer->DrawVertices(TRenderer::kTriangleFan, TVertexSet(v, 4));
        x += 30;
    }
    mRenderer->End2d();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);
    x = 20;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mode);
        ExpectRgb(s, x, 20, Word(c.r, c.g, c.b, 255), 3);
        x += 30;
    }
}

TEST_F(GLRender, LinesStayUntexturedAndKeepTheirColour)
{
    std::shared_ptr<TTexture> t = SolidTexture(8, 8, true, Word(0, 0, 255, 255), Word(0, 0, 255, 255));
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    mRenderer->SetTexture(t);
    TTransformedLitVert v[2];
    for (int i = 0; i < 2; ++i)
    {
        v[i].pos = TVec3(i == 0 ? 10.0f : 100.0f, 50.5f, 0.1f);
        v[i].color = TColor32(255, 0, 0, 255);
        v[i].u = v[i].v = 0.5f;
    }
    mRenderer->DrawVertices(TRenderer::kLines, TVertexSet(v, 2));
    mRenderer->End2d();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);
    ExpectRgb(s, 50, 50, Word(255, 0, 0, 255));
}

TEST_F(GLRender, ViewportOffsetAndClipPlaceScreenSpaceQuads)
{
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    mRenderer->SetTexture(nullptr);
    mRenderer->SetBlendMode(TRenderer::kBlendOpaque);
    // A viewport partly off the display: its coordinates stay relative to its own corner.
    mRenderer->PushViewport(TRect(-50, -50, 150, 150));
    TTransformedLitVert v[4];
    ColouredQuad(v, 60, 60, 80, 80, TColor32(0, 255, 0, 255));
    mRenderer->DrawVertices(TRenderer::kTriangleFan, TVertexSet(v, 4));
    mRenderer->PopViewport();
    // A viewport at (200, 100) with a clip cutting the quad's right half.
    mRenderer->PushViewport(TRect(200, 100, 300, 200));
    mRenderer->PushClippingRectangle(TURect(0, 0, 215, kHeight));
    ColouredQuad(v, 5, 5, 25, 25, TColor32(255, 0, 255, 255));
    mRenderer->DrawVertices(TRenderer::kTriangleFan, TVertexSet(v, 4));
    mRenderer->PopClippingRectangle();
    mRenderer->PopViewport();
    mRenderer->End2d();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);
    ExpectRgb(s, 10, 10, Word(0, 255, 0, 255));
    ExpectRgb(s, 29, 29, Word(0, 255, 0, 255));
    ExpectRgb(s, 31, 20, Word(0, 0, 0, 255));
    ExpectRgb(s, 9, 20, Word(0, 0, 0, 255));
    ExpectRgb(s, 206, 106, Word(255, 0, 255, 255));
    ExpectRgb(s, 214, 120, Word(255, 0, 255, 255));
    ExpectRgb(s, 216, 120, Word(0, 0, 0, 255));
    ExpectRgb(s, 204, 104, Word(0, 0, 0, 255));
}

// A viewport wholly outside the display (a window moved off the screen) shows nothing of what
// is drawn in it, whether the viewport lies beside, below or before the display.
TEST_F(GLRender, ViewportWhollyOffTheDisplayShowsNothing)
{
    std::shared_ptr<TTexture> t =
        SolidTexture(8, 8, true, Word(255, 255, 255, 255), Word(255, 255, 255, 255));
    const TRect offDisplay[] = {TRect(400, 0, 500, 100), TRect(0, 300, 100, 400),
                                TRect(-200, -200, -100, -100)};
    for (const TRect& viewport : offDisplay)
    {
        SCOPED_TRACE(::testing::Message() << viewport.left << ", " << viewport.top);
        ASSERT_TRUE(mRenderer->BeginDraw(false));
        ASSERT_TRUE(mRenderer->Begin2d());
        mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
        mRenderer->SetTexture(nullptr);
        mRenderer->SetBlendMode(TRenderer::kBlendOpaque);
        TTransformedLitVert v[4];
        ColouredQuad(v, 300, 220, 310, 230, TColor32(255, 0, 0, 255));  // on the display first
        mRenderer->DrawVertices(TRenderer::kTriangleFan, TVertexSet(v, 4));
        mRenderer->PushViewport(viewport);
        ColouredQuad(v, 5, 5, 25, 25, TColor32(0, 255, 0, 255));
        mRenderer->DrawVertices(TRenderer::kTriangleFan, TVertexSet(v, 4));
        t->DrawSprite(60, 60, 1.0f, 4.0f, 0.0f, 0);
        mRenderer->PopViewport();
        mRenderer->End2d();
        const std::vector<TColor32> s = Screen();
        mRenderer->EndDraw(true);
        ExpectRgb(s, 305, 225, Word(255, 0, 0, 255));
        ExpectRgb(s, 15, 15, Word(0, 0, 0, 255));
        ExpectRgb(s, 60, 60, Word(0, 0, 0, 255));
    }
}

class TManualClock : public TRenderHost
{
public:
    unsigned now = 0;
    unsigned Timer() override { return now; }
};

TEST_F(GLRender, FrameRateLogWritesAtMostOneLineASecondAndSkipsZeroIntervals)
{
    setenv("ZESTKIT_SHOWFPS", "1", 1);
    TManualClock clock;
    SetRenderHost(&clock);
    std::vector<std::string> lines;
    qfSetDbgSink([&lines](const char* line) { lines.push_back(line); });
    auto frames = [&](int count, unsigned start, unsigned step)
    {
        for (int i = 0; i < count; ++i)
        {
            clock.now = start + static_cast<unsigned>(i) * step;
            mHandler->EndDraw(false);
        }
    };
    frames(15, 5000, 0);  // fifteen frames in one millisecond: no line, no division by zero
    frames(15, 6000, 20);
    frames(15, 6300, 20);  // less than a second after the last line
    qfSetDbgSink(TDbgSink());
    SetRenderHost(nullptr);
    unsetenv("ZESTKIT_SHOWFPS");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("fps: ", 0), 0u);
}

TEST_F(GLRender, CopiesFromSystemAndVideoSurfacesKeepRowZeroOnTop)
{
    std::vector<uint32_t> words(16 * 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            words[static_cast<size_t>(y) * 16 + x] = Word(x * 16, y * 32, 200, 255);
    AddPng("slowpic.png", 16, 8, words);
    std::shared_ptr<TTexture> slow = TTexture::Get("slowpic.png?slow", 0);
    ASSERT_TRUE(slow);
    ASSERT_TRUE(slow->GetData()->mFlags & TTextureData::kSystemMemory);
    std::shared_ptr<TTexture> video = SolidTexture(8, 8, true, Word(9, 99, 199, 255), Word(9, 99, 199, 255));

    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    mRenderer->End2d();
    mRenderer->EndDraw(false);

    // A clipping rectangle left from the frame does not cut copies to the screen.
    mRenderer->PushClippingRectangle(TURect(0, 0, 12, 22));
    slow->CopyPixels(10, 20, nullptr, nullptr);    // system memory to the screen
    video->CopyPixels(100, 30, nullptr, nullptr);  // video surface to the screen
    mRenderer->PopClippingRectangle();
    const TRect part(2, 1, 6, 5);
    std::shared_ptr<TTexture> target = TTexture::Create(32, 32, true);
    slow->CopyPixels(4, 4, &part, target);  // system memory into a texture
    const std::vector<TColor32> s = Screen();

    ExpectRgb(s, 10, 20, words[0], 0);
    ExpectRgb(s, 25, 20, words[15], 0);
    ExpectRgb(s, 13, 27, words[7 * 16 + 3], 0);
    ExpectRgb(s, 10, 28, Word(0, 0, 0, 255), 0);
    ExpectRgb(s, 100, 30, Word(9, 99, 199, 255), 0);
    ExpectRgb(s, 107, 37, Word(9, 99, 199, 255), 0);
    ExpectRgb(s, 108, 30, Word(0, 0, 0, 255), 0);

    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(target->Lock(&px, &pitch));
    EXPECT_EQ(px[4 * pitch + 4].Word(), words[1 * 16 + 2]);
    EXPECT_EQ(px[7 * pitch + 7].Word(), words[4 * 16 + 5]);
    EXPECT_EQ(px[8 * pitch + 8].Word(), 0u);
    EXPECT_EQ(px[3 * pitch + 4].Word(), 0u);
    target->Unlock();
}

TEST_F(GLRender, SurfacesAreSquarePowersOfTwoWithCentredOffsets)
{
    struct
    {
        unsigned w, h, side;
        int ox, oy;
    } cases[] = {{300, 200, 512, 106, 156},
                 {64, 64, 64, 0, 0},
                 {1, 1, 1, 0, 0},
                 {100, 30, 128, 14, 49},
                 {10, 100, 128, 59, 14}};
    for (const auto& c : cases)
    {
        std::shared_ptr<TTexture> t = TTexture::Create(c.w, c.h, false);
        ASSERT_TRUE(t);
        const TTextureData* d = t->GetData();
        EXPECT_EQ(d->mSurfaceWidth, c.side) << c.w << "x" << c.h;
        EXPECT_EQ(d->mSurfaceHeight, c.side) << c.w << "x" << c.h;
        EXPECT_EQ(d->mOffsetX, c.ox) << c.w << "x" << c.h;
        EXPECT_EQ(d->mOffsetY, c.oy) << c.w << "x" << c.h;
        GLint width = 0;
        glBindTexture(GL_TEXTURE_2D, static_cast<const TGLTextureData*>(d)->GetTextureObject());
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(static_cast<unsigned>(width), c.side);
    }
}

TEST_F(GLRender, LockUnlockClearAndFillReadBack)
{
    std::shared_ptr<TTexture> t = TTexture::Create(10, 10, false);
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(t->Lock(&px, &pitch));
    EXPECT_EQ(pitch, 16u);
    EXPECT_EQ(px[0].Word(), 0u);  // cleared to transparent black
    px[0] = TColor32(1, 2, 3, 0);
    px[15] = TColor32(4, 5, 6, 7);  // padding keeps its alpha
    t->Unlock();
    ASSERT_TRUE(t->Lock(&px, &pitch));
    EXPECT_EQ(px[0].Word(), Word(1, 2, 3, 255));
    EXPECT_EQ(px[15].Word(), Word(4, 5, 6, 7));
    t->Unlock();

    std::shared_ptr<TTexture> a = TTexture::Create(16, 16, true);
    a->GetData()->FillRect(2, 3, 5, 6, TColor(0, 1, 0, 0.5f), true);
    t->GetData()->FillRect(0, 0, 2, 2, TColor(0, 0, 1, 0.5f), true);  // opaque without alpha
    ASSERT_TRUE(a->Lock(&px, &pitch));
    EXPECT_EQ(px[3 * pitch + 2].Word(), Word(0, 255, 0, 127));
    EXPECT_EQ(px[5 * pitch + 4].Word(), Word(0, 255, 0, 127));
    EXPECT_EQ(px[6 * pitch + 4].Word(), 0u);
    a->Unlock();
    ASSERT_TRUE(t->Lock(&px, &pitch));
    EXPECT_EQ(px[pitch + 1].Word(), Word(0, 0, 255, 255));
    t->Unlock();
    a->GetData()->Clear();
    ASSERT_TRUE(a->Lock(&px, &pitch));
    EXPECT_EQ(px[3 * pitch + 2].Word(), 0u);
    a->Unlock();
}

TEST_F(GLRender, UnlockKeepsNoCopyOfAVideoSurface)
{
    std::shared_ptr<TTexture> t = TTexture::Create(256, 256, true);
    ASSERT_TRUE(t);
    const TGLTextureData* data = static_cast<const TGLTextureData*>(t->GetData());
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(t->Lock(&px, &pitch));
    EXPECT_GE(data->GetLockCopyBytes(), 256u * 256u * 4u);
    px[0] = TColor32(9, 8, 7, 6);
    t->Unlock();
    EXPECT_EQ(data->GetLockCopyBytes(), 0u);
    ASSERT_TRUE(t->Lock(&px, &pitch));
    EXPECT_EQ(px[0].Word(), Word(9, 8, 7, 6));
    t->Unlock();
}

TEST_F(GLRender, ColourKeyOnAVideoSurface)
{
    std::shared_ptr<TTexture> t = SolidTexture(4, 4, true, Word(255, 0, 255, 255), Word(254, 0, 255, 9));
    mHandler->SetCursor(t, TPoint(1, 1), false);
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(t->Lock(&px, &pitch));
    EXPECT_EQ(px[0].Word(), 0u);
    EXPECT_EQ(px[3].Word(), Word(254, 0, 255, 255));
    t->Unlock();
}

TEST_F(GLRender, ExtremeViewportsAndClipsDrawNothingAndDoNotOverflow)
{
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    std::shared_ptr<TTexture> t =
        SolidTexture(8, 8, true, Word(255, 255, 255, 255), Word(255, 255, 255, 255));
    mRenderer->PushClippingRectangle(TURect(0x80000000u, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFFu));
    mRenderer->PushViewport(TRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    t->DrawSprite(10, 10, 1.0f, 1.0f, 0.0f, 0);
    mRenderer->FillRect(TURect(0, 0, 0xFFFFFFFFu, 0xFFFFFFFFu), TColor(1, 1, 1, 1), nullptr);
    mRenderer->PopViewport();
    mRenderer->PopClippingRectangle();
    mRenderer->End2d();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);
    ExpectRgb(s, 10, 10, Word(0, 0, 0, 255));
    ExpectRgb(s, 300, 200, Word(0, 0, 0, 255));
}

TEST_F(GLRender, ThreeDimensionalPathDrawsColouredGeometry)
{
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    mRenderer->End2d();
    mHandler->Begin3d();
    LookAlongZFromFiveUnits();
    TTransformedLitVert v[3];
    const float xs[3] = {-1, 1, 0}, ys[3] = {-1, -1, 1};
    for (int i = 0; i < 3; ++i)
    {
        v[i].pos = TVec3(xs[i], ys[i], 0);
        v[i].color = TColor32(0, 255, 0, 255);
    }
    mHandler->SetBlendMode(TRenderer::kBlendOpaque);
    mHandler->DrawVertices(TRenderer::kTriangles, TVertexSet(TVertexSet::kColored3d, v, 3));
    mHandler->End3d();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);
    // The triangle straddles the centre of the view.
    ExpectRgb(s, kWidth / 2, kHeight / 2, Word(0, 255, 0, 255), 3);
    ExpectRgb(s, 5, 5, Word(0, 0, 0, 255), 3);
}

// Lit geometry takes its colour from the material under the global ambient light (white; the
// four light slots stay empty): the handler's default material (ambient 0.5) until one is set,
// and again after the display is set anew, though OpenGL is given it only when lit drawing
// first needs it.
TEST_F(GLRender, LitGeometryTakesTheDefaultMaterialUntilOneIsSet)
{
    const TMaterial quarter = {TColor(1, 1, 1, 1), TColor(0.25f, 0.25f, 0.25f, 1), TColor(0, 0, 0, 1),
                               TColor(0, 0, 0, 1), 0.0f};
    struct Case
    {
        const char* what;
        std::function<void()> before;
        int grey;
    };
    const Case cases[] = {
        {"default", [] {}, 128},
        {"set", [&] { mHandler->SetMaterial(&quarter); }, 64},
        {"display set again", [&] { mHandler->SetDisplay(kWidth, kHeight, false, false, false, false); }, 128},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        c.before();
        ASSERT_TRUE(mRenderer->BeginDraw(false));
        ASSERT_TRUE(mRenderer->Begin2d());
        mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
        mRenderer->End2d();
        mHandler->Begin3d();
        LookAlongZFromFiveUnits();
        mHandler->SetBlendMode(TRenderer::kBlendOpaque);
        TTransformedLitVert v[3];
        const float xs[3] = {-1, 1, 0}, ys[3] = {-1, -1, 1};
        const float normal[3] = {0, 0, 1};
        for (int i = 0; i < 3; ++i)
        {
            v[i].pos = TVec3(xs[i], ys[i], 0);
            // A lit vertex keeps its normal in bytes 12..23.
            std::memcpy(reinterpret_cast<unsigned char*>(&v[i]) + 12, normal, sizeof normal);
        }
        mHandler->DrawVertices(TRenderer::kTriangles, TVertexSet(TVertexSet::kLit3d, v, 3));
        mHandler->End3d();
        const std::vector<TColor32> s = Screen();
        mRenderer->EndDraw(true);
        ExpectRgb(s, kWidth / 2, kHeight / 2, Word(c.grey, c.grey, c.grey, 255), 2);
        ExpectRgb(s, 5, 5, Word(0, 0, 0, 255), 0);
    }
}

// 2-D frames need no depth buffer: the scene gets one with the first 3-D drawing, and a triangle
// drawn behind a nearer one then stays hidden where they overlap.
TEST_F(GLRender, TheSceneGetsItsDepthBufferWithTheFirstThreeDimensionalDrawing)
{
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
    mRenderer->End2d();
    EXPECT_FALSE(mHandler->HasSceneDepth());
    mHandler->Begin3d();
    EXPECT_TRUE(mHandler->HasSceneDepth());
    LookAlongZFromFiveUnits();
    mHandler->SetBlendMode(TRenderer::kBlendOpaque);
    // The near green triangle first, then a larger red one two units behind it.
    const struct
    {
        float size, z;
        TColor32 color;
    } triangles[] = {{1, 0, TColor32(0, 255, 0, 255)}, {3, 2, TColor32(255, 0, 0, 255)}};
    for (const auto& t : triangles)
    {
        TTransformedLitVert v[3];
        const float xs[3] = {-1, 1, 0}, ys[3] = {-1, -1, 1};
        for (int i = 0; i < 3; ++i)
        {
            v[i].pos = TVec3(xs[i] * t.size, ys[i] * t.size, t.z);
            v[i].color = t.color;
        }
        mHandler->DrawVertices(TRenderer::kTriangles, TVertexSet(TVertexSet::kColored3d, v, 3));
    }
    mHandler->End3d();
    const std::vector<TColor32> s = Screen();
    mRenderer->EndDraw(true);
    ExpectRgb(s, kWidth / 2, kHeight / 2, Word(0, 255, 0, 255), 3);
    // Above the green triangle's tip only the red one lies.
    ExpectRgb(s, kWidth / 2, kHeight / 10, Word(255, 0, 0, 255), 3);
    EXPECT_TRUE(mHandler->HasSceneDepth());
}

class TCursorHost : public TRenderHost
{
public:
    bool GetCursorPosition(TPoint* where) override
    {
        *where = TPoint(50, 60);
        return true;
    }
};

TEST_F(GLRender, SoftwareCursorIsDrawnAtTheMouseMinusItsHotSpot)
{
    // Left half magenta (transparent after the colour key), right half white.
    std::shared_ptr<TTexture> cursor =
        SolidTexture(8, 8, false, Word(255, 0, 255, 255), Word(255, 255, 255, 255));
    cursor->GetData()->mFlags |= TTextureData::kSimple;  // as the platform's own cursor image is
    mHandler->SetCursor(cursor, TPoint(1, 1), false);
    TCursorHost host;
    SetRenderHost(&host);
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 1, 1), nullptr);
    mRenderer->End2d();
    mRenderer->EndDraw(true);
    SetRenderHost(nullptr);
    EXPECT_TRUE(cursor->IsSimple());  // restored after the draw
    const std::vector<TColor32> s = Screen();
    ExpectRgb(s, 51, 61, Word(0, 0, 255, 255));  // magenta part: see-through
    ExpectRgb(s, 54, 60, Word(255, 255, 255, 255));
    ExpectRgb(s, 57, 67, Word(255, 255, 255, 255));
    ExpectRgb(s, 58, 62, Word(0, 0, 255, 255));
    ExpectRgb(s, 55, 59, Word(0, 0, 255, 255));
}

TEST_F(GLRender, OverModesStartFromTheTexturesOwnPixels)
{
    for (int mode : {TRenderer::kTargetOverOpaque, TRenderer::kTargetOverKeepAlpha})
    {
        SCOPED_TRACE(mode);
        std::shared_ptr<TTexture> target =
            SolidTexture(32, 32, true, Word(10, 20, 30, 40), Word(10, 20, 30, 40));
        ASSERT_TRUE(mRenderer->BeginRenderTarget(target, static_cast<TRenderer::ERenderTargetMode>(mode)));
        ASSERT_TRUE(mRenderer->Begin2d());
        mRenderer->FillRect(TURect(0, 0, 8, 8), TColor(1, 1, 1, 0.5f), nullptr);
        mRenderer->End2d();
        mRenderer->EndRenderTarget();
        TColor32* px = nullptr;
        unsigned pitch = 0;
        ASSERT_TRUE(target->Lock(&px, &pitch));
        const unsigned char alpha = mode == TRenderer::kTargetOverOpaque ? 255 : 40;
        EXPECT_EQ(px[20 * pitch + 20].Word(), Word(10, 20, 30, alpha));
        EXPECT_EQ(px[2 * pitch + 2].Red(), 255);
        target->Unlock();
    }
}

TEST_F(GLRender, SubtractiveBlendAddsInAnAlphaOnlyTarget)
{
    std::shared_ptr<TTexture> target = SolidTexture(16, 16, true, Word(1, 2, 3, 255), Word(1, 2, 3, 255));
    std::shared_ptr<TTexture> brush =
        SolidTexture(8, 8, true, Word(255, 255, 255, 255), Word(255, 255, 255, 255));
    ASSERT_TRUE(mRenderer->BeginRenderTarget(target, TRenderer::kTargetAlphaOnly));
    ASSERT_TRUE(mRenderer->Begin2d());
    TDrawSpec spec(TVec2(0, 0), 0.25f, 1.0f, TDrawSpec::kUsePivot);
    spec.blendMode = TRenderer::kBlendSubtractive;
    brush->DrawSprite(spec);
    brush->DrawSprite(spec);
    mRenderer->End2d();
    mRenderer->EndRenderTarget();
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(target->Lock(&px, &pitch));
    EXPECT_NEAR(px[3 * pitch + 3].Alpha(), 127, 2);  // 0.25 + 0.25
    EXPECT_EQ(px[12 * pitch + 12].Alpha(), 0);
    target->Unlock();
}

}  // namespace

// Frames on the screen are drawn only where they differ from the previous frame; the picture
// must equal what drawing every call would give.
class GLPartialRedraw : public GLRender
{
protected:
    // A black backdrop, a row of sprites and a red bar at `barX`; the whole screen read back
    // after the frame ended.
    std::vector<TColor32> Frame(const std::shared_ptr<TTexture>& sprite, int barX, float spriteAlpha = 0.5f)
    {
        EXPECT_TRUE(mRenderer->BeginDraw(false));
        EXPECT_TRUE(mRenderer->Begin2d());
        mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
        for (int i = 0; i < 8; ++i)
            sprite->DrawSprite(20.0f + 35 * i, 60.0f, spriteAlpha, 1.5f, 0.3f * i, 0);
        mRenderer->FillRect(TURect(static_cast<uint32_t>(barX), 150, static_cast<uint32_t>(barX + 20), 170),
                            TColor(1, 0, 0, 1), nullptr);
        mRenderer->End2d();
        mRenderer->EndDraw(true);
        return Screen();
    }
};

TEST_F(GLPartialRedraw, RepeatedFrameDrawsNothingAndKeepsThePicture)
{
    std::shared_ptr<TTexture> t = SolidTexture(16, 16, true, Word(255, 255, 0, 200), Word(0, 255, 255, 255));
    ASSERT_TRUE(t);
    const std::vector<TColor32> first = Frame(t, 100);
    EXPECT_EQ(mHandler->GetLastRedrawRect().Width(), kWidth) << "the first frame is drawn whole";
    const std::vector<TColor32> second = Frame(t, 100);
    EXPECT_TRUE(mHandler->GetLastRedrawRect().IsEmpty());
    EXPECT_TRUE(first == second);
}

TEST_F(GLPartialRedraw, MovedShapeRedrawsItsOldAndNewPlaceOnlyAndMatchesAFullDraw)
{
    std::shared_ptr<TTexture> t = SolidTexture(16, 16, true, Word(255, 255, 0, 200), Word(0, 255, 255, 255));
    ASSERT_TRUE(t);
    Frame(t, 100);
    const std::vector<TColor32> partial = Frame(t, 140);
    const TRect r = mHandler->GetLastRedrawRect();
    EXPECT_LE(r.left, 100);
    EXPECT_GE(r.right, 160);
    EXPECT_LE(r.top, 150);
    EXPECT_GE(r.bottom, 170);
    EXPECT_LT(r.Width() * r.Height(), kWidth * kHeight / 10) << "only around the bar";
    ExpectRgb(partial, 100, 160, Word(0, 0, 0, 255));
    ExpectRgb(partial, 150, 160, Word(255, 0, 0, 255));

    mHandler->SetPartialRedraw(false);
    const std::vector<TColor32> full = Frame(t, 140);
    EXPECT_TRUE(partial == full);
    EXPECT_EQ(mHandler->GetLastRedrawRect().Width(), kWidth) << "drawn whole when off";
}

// A sprite (a vertex call, whose reach is worked out only when a frame differs) that stayed put
// for some frames and then moves: its old place is cleared and the picture equals a full draw.
TEST_F(GLPartialRedraw, SpriteMovedAfterRepeatedFramesRedrawsItsOldPlace)
{
    std::shared_ptr<TTexture> t = SolidTexture(16, 16, false, Word(0, 255, 0, 255), Word(0, 255, 0, 255));
    ASSERT_TRUE(t);
    auto draw = [&](float x)
    {
        EXPECT_TRUE(mRenderer->BeginDraw(false));
        EXPECT_TRUE(mRenderer->Begin2d());
        mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
        t->DrawSprite(x, 100.0f, 1.0f, 1.0f, 0.0f, 0);
        mRenderer->End2d();
        mRenderer->EndDraw(true);
        return Screen();
    };
    for (int repeats : {0, 1, 3})
    {
        SCOPED_TRACE(repeats);
        mHandler->SetPartialRedraw(true);
        draw(60.0f);
        for (int i = 0; i < repeats; ++i)
        {
            draw(60.0f);
            EXPECT_TRUE(mHandler->GetLastRedrawRect().IsEmpty());
        }
        const std::vector<TColor32> partial = draw(200.0f);
        const TRect r = mHandler->GetLastRedrawRect();
        EXPECT_LE(r.left, 58);
        EXPECT_GE(r.right, 210);
        EXPECT_LT(r.Width() * r.Height(), kWidth * kHeight / 4) << "only around the two places";
        ExpectRgb(partial, 60, 100, Word(0, 0, 0, 255));
        ExpectRgb(partial, 200, 100, Word(0, 255, 0, 255));
        mHandler->SetPartialRedraw(false);
        EXPECT_TRUE(partial == draw(200.0f));
    }
}

TEST_F(GLPartialRedraw, ChangedTexturePixelsRedrawItsSprites)
{
    std::shared_ptr<TTexture> t = SolidTexture(16, 16, false, Word(255, 0, 0, 255), Word(255, 0, 0, 255));
    ASSERT_TRUE(t);
    Frame(t, 100, 1.0f);
    Repaint16(t, Word(0, 255, 0, 255));
    const std::vector<TColor32> s = Frame(t, 100, 1.0f);
    EXPECT_FALSE(mHandler->GetLastRedrawRect().IsEmpty());
    ExpectRgb(s, 20, 60, Word(0, 255, 0, 255));
    ExpectRgb(s, 265, 60, Word(0, 255, 0, 255));
}

TEST_F(GLPartialRedraw, ReadingTheSceneMidFrameDrawsWhatCameBefore)
{
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 1, 1), nullptr);
    const std::vector<TColor32> mid = Screen();
    mRenderer->FillRect(TURect(0, 0, 10, 10), TColor(0, 1, 0, 1), nullptr);
    mRenderer->End2d();
    mRenderer->EndDraw(true);
    ExpectRgb(mid, 5, 5, Word(0, 0, 255, 255));
    ExpectRgb(Screen(), 5, 5, Word(0, 255, 0, 255));
    ExpectRgb(Screen(), 50, 50, Word(0, 0, 255, 255));
}

// While a frame repeats the previous one call for call, its calls are only counted; the first
// call that differs (or a frame that ends early, runs longer, or is read from mid-way) stores
// them. A scripted run of such frames, drawn in parts, gives the picture of the same run drawn
// whole, frame by frame, and a frame equal to the last draws nothing.
TEST_F(GLPartialRedraw, FramesRepeatingTheLastUpToSomeCallMatchFramesDrawnWhole)
{
    struct Step
    {
        const char* what;
        int sprites;        // sprites in the row
        int movedSprite;    // this one drawn lower; -1: none
        int barX;           // the red bar's place; -1: no bar
        bool readMidFrame;  // the scene read after the third sprite
        bool repeatsLast;   // the frame equals the one before
        bool recolour;      // the texture's pixels change before the frame
    };
    const Step steps[] = {
        {"first", 8, -1, 100, false, false, false},
        {"the same", 8, -1, 100, false, true, false},
        {"the same again", 8, -1, 100, false, true, false},
        {"no bar: ends early", 8, -1, -1, false, false, false},
        {"the bar back: runs longer", 8, -1, 100, false, false, false},
        {"a sprite in the middle moved", 8, 4, 100, false, false, false},
        {"the first sprite moved", 8, 0, 100, false, false, false},
        {"back", 8, -1, 100, false, false, false},
        {"read mid-way", 8, -1, 100, true, false, false},
        {"after the read", 8, -1, 100, false, false, false},
        {"fewer sprites", 5, -1, 100, false, false, false},
        {"the same with fewer", 5, -1, 100, false, true, false},
        {"pixels changed", 5, -1, 100, false, false, true},
        {"bar moved", 5, -1, 160, false, false, false},
    };
    std::vector<std::vector<TColor32>> shown[2];
    std::vector<std::vector<TColor32>> midway[2];
    for (int parts = 0; parts < 2; ++parts)
    {
        mHandler->SetPartialRedraw(parts == 1);
        std::shared_ptr<TTexture> s = SolidTexture(16, 16, true, Word(255, 255, 0, 200), Word(0, 255, 255, 255));
        ASSERT_TRUE(s);
        for (const Step& step : steps)
        {
            SCOPED_TRACE(step.what);
            if (step.recolour)
                Repaint16(s, Word(0, 0, 255, 255));
            ASSERT_TRUE(mRenderer->BeginDraw(false));
            ASSERT_TRUE(mRenderer->Begin2d());
            mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
            for (int i = 0; i < step.sprites; ++i)
            {
                s->DrawSprite(20.0f + 35 * i, i == step.movedSprite ? 90.0f : 60.0f, 0.5f, 1.5f, 0.3f * i, 0);
                if (i == 2 && step.readMidFrame)
                    midway[parts].push_back(Screen());
            }
            if (step.barX >= 0)
                mRenderer->FillRect(TURect(static_cast<uint32_t>(step.barX), 150, static_cast<uint32_t>(step.barX + 20), 170),
                                    TColor(1, 0, 0, 1), nullptr);
            mRenderer->End2d();
            mRenderer->EndDraw(true);
            shown[parts].push_back(Screen());
            if (parts == 1)
            {
                EXPECT_EQ(mHandler->GetLastRedrawRect().IsEmpty(), step.repeatsLast);
            }
        }
    }
    ASSERT_EQ(shown[0].size(), shown[1].size());
    for (size_t i = 0; i < shown[0].size(); ++i)
    {
        SCOPED_TRACE(steps[i].what);
        EXPECT_TRUE(shown[0][i] == shown[1][i]);
        if (i == 0)
            continue;
        // The script's changes show; its repeats (and the frames around the read) do not.
        const Step& a = steps[i - 1];
        const Step& b = steps[i];
        const bool changes = a.sprites != b.sprites || a.movedSprite != b.movedSprite || a.barX != b.barX ||
                             b.recolour;
        EXPECT_EQ(shown[0][i] == shown[0][i - 1], !changes);
    }
    ASSERT_EQ(midway[0].size(), 1u);
    ASSERT_EQ(midway[1].size(), 1u);
    EXPECT_TRUE(midway[0][0] == midway[1][0]);
}

// Vertices named by a kept id are equal to the last frame's of the same id without being read;
// other ids (and none) are compared vertex by vertex. Each frame gives the picture of the same
// frame drawn whole.
TEST_F(GLPartialRedraw, KeptVerticesOfTheSameIdAreTheSameAndOthersAreCompared)
{
    auto line = [](int y, int x1, int x2, TColor32 c)
    {
        std::vector<TTransformedLitVert> v(2);
        for (int k = 0; k < 2; ++k)
        {
            v[k].pos = TVec3(float(k ? x2 : x1) + 0.5f, float(y) + 0.5f, 0.1f);
            v[k].rhw = 0.5f;
            v[k].color = c;
            v[k].specular = TColor32(0, 0, 0, 255);
        }
        return v;
    };
    const unsigned long long first = TVertexSet::NewKeptIds(2);
    struct Step
    {
        const char* what;
        int y;                    // the line's row
        unsigned long long kept;  // its id
        bool drawsNothing;
    };
    const Step steps[] = {
        {"first", 40, first, false},
        {"the same id", 40, first, true},
        {"another id, the same vertices", 40, first + 1, true},
        {"no id, the same vertices", 40, 0, true},
        {"no id, moved", 44, 0, false},
        {"an id, moved back", 40, first, false},
        {"the id again", 40, first, true},
    };
    std::vector<std::vector<TColor32>> shown[2];
    for (int parts = 0; parts < 2; ++parts)
    {
        mHandler->SetPartialRedraw(parts == 1);
        for (const Step& step : steps)
        {
            SCOPED_TRACE(step.what);
            std::vector<TTransformedLitVert> v = line(step.y, 10, 90, TColor32(255, 255, 255, 255));
            ASSERT_TRUE(mRenderer->BeginDraw(false));
            ASSERT_TRUE(mRenderer->Begin2d());
            mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);
            mRenderer->SetTexture(nullptr);
            TVertexSet set(v.data(), unsigned(v.size()));
            set.SetKeptId(step.kept);
            mRenderer->DrawVertices(TRenderer::kLines, set);
            mRenderer->End2d();
            mRenderer->EndDraw(true);
            shown[parts].push_back(Screen());
            if (parts == 1)
            {
                EXPECT_EQ(mHandler->GetLastRedrawRect().IsEmpty(), step.drawsNothing);
            }
        }
    }
    for (size_t i = 0; i < shown[0].size(); ++i)
    {
        SCOPED_TRACE(steps[i].what);
        EXPECT_TRUE(shown[0][i] == shown[1][i]);
        ExpectRgb(shown[1][i], 50, steps[i].y, Word(255, 255, 255, 255));
    }
}

// Consecutive recorded calls in the same state are drawn as one call; the picture must be the
// one drawing each call by itself gives, pixel for pixel.
class GLBatching : public GLRender
{
protected:
    void SetUp() override
    {
        GLRender::SetUp();
        if (!mRenderer)
            return;
        mA = PatternTexture(16, 16, 0);
        mB = PatternTexture(32, 16, 7);
    }

    // Every pixel different, with alpha running from opaque to faint, so filtering, wrapping,
    // blending and the choice of texture all show.
    static std::shared_ptr<TTexture> PatternTexture(int w, int h, int seed)
    {
        return FilledTexture(w, h, true,
                             [seed](int x, int y)
                             {
                                 return TColor32((x * 16 + seed * 31) & 255, (y * 16 + seed * 17) & 255,
                                                 ((x + y) * 8 + seed) & 255, 255 - ((x * 5 + y * 3) & 127));
                             });
    }

    // `count` vertices along a zigzag from (x, y): consecutive triangles of a strip alternate in
    // their order of corners.
    static std::vector<TTransformedLitVert> Zigzag(float x, float y, int count, float step, float height,
                                                   float uScale)
    {
        std::vector<TTransformedLitVert> v(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
        {
            v[i].pos = TVec3(x + step * static_cast<float>(i / 2), y + ((i & 1) ? height : 0.0f), 0.1f);
            v[i].rhw = 0.5f;
            v[i].color = TColor32(static_cast<uint8_t>(255 - i * 20), 200, static_cast<uint8_t>(i * 30), 230);
            v[i].u = uScale * static_cast<float>(i / 2) / static_cast<float>(std::max(count / 2 - 1, 1));
            v[i].v = (i & 1) ? uScale : 0.0f;
        }
        return v;
    }

    // Spans of one pixel's height in the manner of the text drawer: `calls` calls of `perCall`
    // lines each.
    void TextSpans(float x, float y, int calls, int perCall)
    {
        mRenderer->SetTexture(nullptr);
        for (int c = 0; c < calls; ++c)
        {
            std::vector<TTransformedLitVert> v(static_cast<size_t>(2 * perCall));
            for (int k = 0; k < perCall; ++k)
                for (int e = 0; e < 2; ++e)
                {
                    TTransformedLitVert& p = v[static_cast<size_t>(2 * k + e)];
                    p.pos = TVec3(x + static_cast<float>(e ? 20 + 3 * k : k) + 0.5f,
                                  y + static_cast<float>(c * perCall + k) + 0.5f, 0.1f);
                    p.rhw = 0.5f;
                    p.color =
                        TColor32(255, static_cast<uint8_t>(40 * k), 255, static_cast<uint8_t>(120 + 20 * c));
                }
            mRenderer->DrawVertices(TRenderer::kLines, TVertexSet(v.data(), static_cast<unsigned>(v.size())));
        }
    }

    // Many sprites of two textures in runs, with blend modes, tints, filtering, a clip and a
    // viewport changing between them, mixed with filled rectangles, text-like spans, points,
    // wrapped strips, culled strips and fans, and untextured shapes. `moved` shifts one sprite.
    std::vector<TColor32> Scene(int moved)
    {
        static const int kModes[] = {TRenderer::kBlendAlpha, TRenderer::kBlendAdditive,
                                     TRenderer::kBlendOpaque, TRenderer::kBlendMultiplicative,
                                     TRenderer::kBlendSubtractive};
        EXPECT_TRUE(mRenderer->BeginDraw(false));
        EXPECT_TRUE(mRenderer->Begin2d());
        mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0.25f, 0.3f, 0.35f, 1), nullptr);
        for (int i = 0; i < 48; ++i)
        {
            if (i == 20)
                mHandler->SetFilterMode(0);
            if (i == 30)
                mHandler->SetFilterMode(1);
            if (i == 24)
                mRenderer->PushClippingRectangle(TURect(40, 0, 250, 200));
            if (i == 28)
                mRenderer->PushViewport(TRect(30, 20, 300, 230));
            if (i == 36)
                mRenderer->PopClippingRectangle();
            if (i == 40)
                mRenderer->PopViewport();
            const std::shared_ptr<TTexture>& t = (i % 8 < 5) ? mA : mB;
            TDrawSpec spec(TVec2(0, 0), 0.4f + 0.05f * static_cast<float>(i % 12), 1.0f, 0);
            spec.matrix.Scale(1.0f + 0.5f * static_cast<float>(i % 3));
            spec.matrix[2] = TVec3(12.0f + 25.0f * static_cast<float>(i % 12) + (i == 17 ? moved : 0),
                                   14.0f + 40.0f * static_cast<float>(i / 12), 1);
            spec.matrix.Rotate(0.2f * static_cast<float>(i));
            spec.color =
                TColor(1.0f - 0.05f * static_cast<float>(i % 10), 0.6f + 0.1f * static_cast<float>(i % 4),
                       0.5f + 0.04f * static_cast<float>(i % 12), 1);
            spec.blendMode = kModes[(i / 6) % 5];
            t->DrawSprite(spec);
            if (i % 7 == 3)
                mRenderer->FillRect(
                    TURect(static_cast<uint32_t>(10 + 6 * i), 185, static_cast<uint32_t>(18 + 6 * i), 192),
                    TColor(0.9f, 0.2f, 0.1f, 1), nullptr);
            if (i % 5 == 1)
                TextSpans(static_cast<float>(5 * i), 150, 3, 4);
            if (i % 9 == 4)
            {
                TTransformedLitVert p[3];
                for (int k = 0; k < 3; ++k)
                {
                    p[k].pos = TVec3(static_cast<float>(6 * i + 3 * k) + 0.5f, 200.5f, 0.1f);
                    p[k].rhw = 0.5f;
                    p[k].color = TColor32(0, 255, 128, 255);
                }
                mRenderer->SetTexture(nullptr);
                mRenderer->DrawVertices(TRenderer::kPoints, TVertexSet(p, 3));
                mRenderer->DrawVertices(TRenderer::kPoints, TVertexSet(p, 2));
            }
        }
        // Wrapped strips: repeated, then mirrored, over several copies of the texture.
        mRenderer->SetTexture(mA);
        mRenderer->SetBlendMode(TRenderer::kBlendAlpha);
        for (int wrap = 1; wrap <= 2; ++wrap)
        {
            mHandler->SetWrapMode(wrap, wrap);
            for (int k = 0; k < 2; ++k)
            {
                std::vector<TTransformedLitVert> v =
                    Zigzag(10.0f + 70.0f * static_cast<float>(k) + 140.0f * static_cast<float>(wrap - 1), 205,
                           8, 20, 30, 3.0f);
                mRenderer->DrawVertices(TRenderer::kTriangleStrip, TVertexSet(v.data(), 8));
            }
        }
        mHandler->SetWrapMode(0, 0);
        // Culling: the strip's triangles all keep one winding, the fan's too; of the two
        // triangles in the list one faces away.
        for (int cull = TRenderer::kCullCounterClockwise; cull <= TRenderer::kCullClockwise; ++cull)
        {
            mRenderer->SetCullMode(static_cast<TRenderer::ECullMode>(cull));
            const float y = cull == TRenderer::kCullClockwise ? 100.0f : 60.0f;
            std::vector<TTransformedLitVert> strip = Zigzag(230, y, 7, 12, 25, 1.0f);
            mRenderer->DrawVertices(TRenderer::kTriangleStrip, TVertexSet(strip.data(), 7));
            std::vector<TTransformedLitVert> fan = Zigzag(270, y, 5, 10, 20, 1.0f);
            mRenderer->DrawVertices(TRenderer::kTriangleFan, TVertexSet(fan.data(), 5));
            std::vector<TTransformedLitVert> list = Zigzag(290, y, 7, 8, 18, 1.0f);
            std::swap(list[4], list[5]);
            mRenderer->DrawVertices(TRenderer::kTriangles, TVertexSet(list.data(), 7));
        }
        mRenderer->SetCullMode(TRenderer::kCullNone);
        // Untextured translucent shapes in a row.
        mRenderer->SetTexture(nullptr);
        for (int k = 0; k < 5; ++k)
        {
            TTransformedLitVert v[4];
            ColouredQuad(v, 150.0f + 9.0f * static_cast<float>(k), 120, 170.0f + 9.0f * static_cast<float>(k),
                         140, TColor32(static_cast<uint8_t>(50 * k), 100, 255, 100));
            mRenderer->DrawVertices(TRenderer::kTriangleFan, TVertexSet(v, 4));
        }
        mRenderer->End2d();
        mRenderer->EndDraw(true);
        return Screen();
    }

    // Drawing calls made by one frame.
    unsigned long long CallsOf(std::vector<TColor32>* pixels, int moved)
    {
        const unsigned long long before = mHandler->GetDrawCallCount();
        *pixels = Scene(moved);
        return mHandler->GetDrawCallCount() - before;
    }

    static size_t Differing(const std::vector<TColor32>& a, const std::vector<TColor32>& b)
    {
        size_t n = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            n += a[i].Word() != b[i].Word();
        return n;
    }

    std::shared_ptr<TTexture> mA, mB;
};

TEST_F(GLBatching, ManySpritesAndShapesMatchTheUnbatchedPicturePixelForPixel)
{
    ASSERT_TRUE(mA && mB);
    mHandler->SetBatching(false);
    std::vector<TColor32> single, batched;
    const unsigned long long singleCalls = CallsOf(&single, 0);
    mHandler->SetBatching(true);
    const unsigned long long batchedCalls = CallsOf(&batched, 0);
    EXPECT_EQ(mHandler->GetLastRedrawRect().Width(), kWidth) << "switching draws the next frame whole";
    EXPECT_EQ(Differing(single, batched), 0u);
    EXPECT_LT(batchedCalls * 3, singleCalls * 2)
        << batchedCalls << " calls batched, " << singleCalls << " single";
    // The scene is not trivially uniform.
    std::map<uint32_t, int> colours;
    for (const TColor32& c : batched)
        ++colours[c.Word()];
    EXPECT_GT(colours.size(), 500u);
}

TEST_F(GLBatching, PartialRedrawOfABatchedFrameMatchesAFullUnbatchedDraw)
{
    ASSERT_TRUE(mA && mB);
    std::vector<TColor32> first, partial, full;
    CallsOf(&first, 0);
    CallsOf(&partial, 40);
    const TRect r = mHandler->GetLastRedrawRect();
    EXPECT_FALSE(r.IsEmpty());
    EXPECT_LT(r.Width() * r.Height(), kWidth * kHeight / 2) << "only around the moved sprite";
    mHandler->SetPartialRedraw(false);
    mHandler->SetBatching(false);
    CallsOf(&full, 40);
    EXPECT_EQ(Differing(partial, full), 0u);
    EXPECT_GT(Differing(first, full), 0u) << "the sprite moved";
}

// A run ends at each change of texture, blend mode, clip or filtering, and at anything that is
// not a list of the same kind of primitive; line strips are not joined.
TEST_F(GLBatching, EveryChangeOfStateEndsARun)
{
    ASSERT_TRUE(mA && mB);
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    const unsigned long long before = mHandler->GetDrawCallCount();
    mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), nullptr);  // 1
    for (int i = 0; i < 4; ++i)
        mA->DrawSprite(20.0f + 10 * i, 20, 1.0f, 1.0f, 0, 0);  // 2
    for (int i = 0; i < 3; ++i)
        mB->DrawSprite(20.0f + 10 * i, 50, 1.0f, 1.0f, 0, 0);  // 3
    mRenderer->SetBlendMode(TRenderer::kBlendAdditive);
    for (int i = 0; i < 2; ++i)
        mA->DrawSprite(20.0f + 10 * i, 80, 1.0f, 1.0f, 0, 0);  // 4
    mRenderer->SetBlendMode(TRenderer::kBlendAlpha);
    mRenderer->PushClippingRectangle(TURect(0, 0, 200, 200));
    for (int i = 0; i < 2; ++i)
        mA->DrawSprite(20.0f + 10 * i, 110, 1.0f, 1.0f, 0, 0);  // 5
    mRenderer->PopClippingRectangle();
    mRenderer->FillRect(TURect(100, 100, 110, 110), TColor(1, 0, 0, 1), nullptr);  // 6
    mA->DrawSprite(120, 110, 1.0f, 1.0f, 0, 0);                                    // 7
    mHandler->SetFilterMode(0);
    mA->DrawSprite(150, 110, 1.0f, 1.0f, 0, 0);  // 8
    mHandler->SetFilterMode(1);
    TextSpans(10, 150, 3, 2);  // 9
    TTransformedLitVert v[3];
    for (int k = 0; k < 3; ++k)
    {
        v[k].pos = TVec3(200.0f + 10 * k, 150.0f + 5 * (k & 1), 0.1f);
        v[k].color = TColor32(255, 255, 255, 255);
    }
    mRenderer->DrawVertices(TRenderer::kLineStrip, TVertexSet(v, 3));  // 10
    mRenderer->DrawVertices(TRenderer::kLineStrip, TVertexSet(v, 3));  // 11
    mRenderer->End2d();
    mRenderer->EndDraw(true);
    EXPECT_EQ(mHandler->GetDrawCallCount() - before, 11u);
}

// Where the driver cannot make the scene framebuffer (here: a display larger than any it makes),
// frames are drawn straight into the window's back buffer, and each finished frame is swapped
// in as it was before there was a scene.
TEST_F(GLRender, FramesDrawnWithoutTheSceneAreSwappedIntoTheWindow)
{
    class TSwapCounter : public TRenderHost
    {
    public:
        int swaps = 0;
        void SwapBuffers() override { ++swaps; }
    };
    TSwapCounter host;
    SetRenderHost(&host);
    GLint most = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &most);
    mHandler->SetDisplay(most + 1, kHeight, false, false, false, false);
    while (glGetError() != GL_NO_ERROR)
    {
        // the refused framebuffer's error
    }
    TColor32 pixel;
    EXPECT_FALSE(mHandler->ReadScreenPixels(0, 0, 1, 1, &pixel));  // no scene to read
    for (int frame = 1; frame <= 2; ++frame)
    {
        ASSERT_TRUE(mRenderer->BeginDraw(false));
        ASSERT_TRUE(mRenderer->Begin2d());
        mRenderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(0, 0, 1, 1), nullptr);
        mRenderer->End2d();
        mRenderer->EndDraw(true);
        EXPECT_EQ(host.swaps, frame);
        while (glGetError() != GL_NO_ERROR)
        {
            // what the driver refuses of a display that large
        }
    }
    mHandler->SetDisplay(kWidth, kHeight, false, false, false, false);
    SetRenderHost(nullptr);
}

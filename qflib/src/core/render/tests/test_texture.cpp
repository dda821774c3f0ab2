// Textures on the recording display handler: cache handles, extension search, options, masks,
// surface sizing and limits, pixel access, copies and sprite submission.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "foundation/assetmanager.h"
#include "foundation/confighook.h"
#include "foundation/file.h"
#include "imagefixtures.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "render/vertexset.h"

namespace
{

std::map<std::string, std::string>* gConfig = nullptr;

str ReadConfig(const char* key)
{
    auto it = gConfig->find(key);
    return it == gConfig->end() ? str() : str(it->second.c_str());
}

class Textures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto handler = std::make_unique<TRecordingDisplayHandler>();
        mHandler = handler.get();
        mRenderer = TRenderer::CreateInstance(std::move(handler));
        mHandler->SetDisplay(640, 480, false, false, false, false);
        TAssetManager::SetInstance(&mAssets);
        gConfig = &mConfig;
        qfSetConfigReader(ReadConfig);
    }
    void TearDown() override
    {
        for (const auto& f : mFiles)
            TFile::AddMemoryFile(f.first.c_str(), nullptr, 0);
        qfSetConfigReader(nullptr);
        gConfig = nullptr;
        TRenderer::ShutDown();
        TAssetManager::SetInstance(nullptr);
    }

    void AddFile(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        mFiles[name] = bytes;
        TFile::AddMemoryFile(name.c_str(), mFiles[name].data(), static_cast<unsigned>(bytes.size()));
    }
    void RemoveFile(const std::string& name) { TFile::AddMemoryFile(name.c_str(), nullptr, 0); }
    qftest::TImageFixture AddPng(const std::string& name, int w, int h, int type = qftest::kPngRgb)
    {
        qftest::TImageFixture f = qftest::MakePngFixture(type, 8, w, h, 0);
        AddFile(name, f.bytes);
        return f;
    }

    static TColor32 Pixel(const std::shared_ptr<TTexture>& t, unsigned x, unsigned y)
    {
        return static_cast<const TMemTextureData*>(t->GetData())->PixelAt(x, y);
    }

    TRecordingDisplayHandler* mHandler = nullptr;
    TRenderer* mRenderer = nullptr;
    TAssetManager mAssets;
    std::map<std::string, std::string> mConfig;
    std::map<std::string, std::vector<uint8_t>> mFiles;
};

TEST(TextureHandles, FollowTheNamingRules)
{
    struct
    {
        std::string got, want;
    } cases[] = {
        {TTexture::GetHandle("a\\b\\c.png", 0).c_str(), "a/b/c.png:tex"},
        {TTexture::GetHandle("c.png", 2).c_str(), "c.png:a:tex"},
        {TTexture::GetHandle("c.png", 1).c_str(), "c.png:m:tex"},
        {TTexture::GetHandle("c.png", 3).c_str(), "c.png:a:m:tex"},
        {TTexture::GetHandle("c.png", 4).c_str(), "c.png:tex"},
        {TTexture::GetHandle("c.png?alpha", 0).c_str(), "c.png?alpha:tex"},
        {TTexture::GetSimpleHandle("x\\y.png").c_str(), "x/y.png:s:tex"},
        {TTexture::GetMergedHandle("img.jpg", "m.png", 0).c_str(), "img.jpg:m.png:tex"},
        {TTexture::GetMergedHandle("img.jpg", "m.png", 1).c_str(), "img.jpg:m.png:m:tex"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want);
}

TEST_F(Textures, CreatedTexturesAreRegisteredUnderTheirFullAddress)
{
    std::shared_ptr<TTexture> t = TTexture::Create(4, 4, false);
    char want[64];
    std::snprintf(want, sizeof want, "%" PRIxPTR ":tex:r", reinterpret_cast<uintptr_t>(t.get()));
    EXPECT_EQ(std::string(TTexture::GetCreatedHandle(t.get()).c_str()), want);
    EXPECT_EQ(mAssets.GetAsset(want), t);
    t.reset();
    EXPECT_FALSE(mAssets.GetAsset(want));
}

TEST_F(Textures, CreateGivesTransparentBlack)
{
    for (bool alpha : {false, true})
    {
        std::shared_ptr<TTexture> t = TTexture::Create(300, 200, alpha);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->GetWidth(), 300u);
        EXPECT_EQ(t->GetHeight(), 200u);
        EXPECT_EQ(t->HasAlpha(), alpha);
        for (unsigned y = 0; y < 512; y += 37)
            for (unsigned x = 0; x < 512; x += 41)
                ASSERT_EQ(Pixel(t, x, y).Word(), 0u);
        EXPECT_EQ(t->GetData()->mOffsetX, 106);
        EXPECT_EQ(t->GetData()->mOffsetY, 156);
        unsigned iw = 0, ih = 0;
        t->GetInternalSize(&iw, &ih);
        EXPECT_EQ(iw, 512u);
        EXPECT_EQ(ih, 512u);
    }
}

TEST_F(Textures, LoadedPixelsMatchTheImage)
{
    const qftest::TImageFixture f = AddPng("pic.png", 100, 30);
    std::shared_ptr<TTexture> t = TTexture::Get("pic.png", 0);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->GetWidth(), 100u);
    EXPECT_EQ(t->GetHeight(), 30u);
    EXPECT_EQ(t->GetData()->mSurfaceWidth, 128u);
    EXPECT_EQ(t->GetData()->mSurfaceHeight, 128u);
    EXPECT_FALSE(t->HasAlpha());
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(Pixel(t, x, y).Word(), f.expected[static_cast<size_t>(y) * 100 + x]) << x << "," << y;
    EXPECT_EQ(std::string(t->GetData()->mName.c_str()), "pic.png");
}

TEST_F(Textures, AlphaFollowsTheImageUnlessFlagsDecide)
{
    AddPng("rgba.png", 8, 8, qftest::kPngRgba);
    AddPng("rgb.png", 8, 8, qftest::kPngRgb);
    EXPECT_TRUE(TTexture::Get("rgba.png", 0)->HasAlpha());
    EXPECT_FALSE(TTexture::Get("rgb.png", 0)->HasAlpha());
    EXPECT_TRUE(TTexture::Get("rgb.png", 2)->HasAlpha());
    EXPECT_TRUE(TTexture::Get("rgba.png", 6)->HasAlpha());  // 2 wins over 4
}

TEST_F(Textures, ForceOpaqueSharesTheHandleSoTheFirstLoadDecides)
{
    AddPng("rgba.png", 8, 8, qftest::kPngRgba);
    std::shared_ptr<TTexture> opaque = TTexture::Get("rgba.png", 4);
    EXPECT_FALSE(opaque->HasAlpha());
    EXPECT_EQ(TTexture::Get("rgba.png", 0), opaque);
}

TEST_F(Textures, SameHandleSharesOneTextureWhileHeld)
{
    AddPng("pic.png", 8, 8);
    std::shared_ptr<TTexture> a = TTexture::Get("pic.png", 0);
    EXPECT_EQ(TTexture::Get("pic.png", 0), a);
    std::shared_ptr<TTexture> withOption = TTexture::Get("pic.png?alpha", 0);
    ASSERT_TRUE(withOption);
    EXPECT_NE(withOption, a);
    EXPECT_TRUE(withOption->HasAlpha());
    EXPECT_EQ(std::string(withOption->GetData()->mName.c_str()), "pic.png");
    const TTexture* old = a.get();
    a.reset();
    std::shared_ptr<TTexture> again = TTexture::Get("pic.png", 0);
    ASSERT_TRUE(again);
    (void)old;
    EXPECT_FALSE(mAssets.GetAsset("nothing:tex"));
}

TEST_F(Textures, NameWithoutExtensionSearchesPngThenJpgThenJp2)
{
    AddPng("pic.png", 10, 10);
    AddFile("pic.jpg", qftest::MakeJpegFixture(qftest::kJpegBaseline, 20, 20).bytes);
    AddFile("pic.jp2", qftest::MakeJp2Fixture(qftest::TJp2Options(), 30, 30).bytes);
    EXPECT_EQ(TTexture::Get("pic", 0)->GetWidth(), 10u);
    RemoveFile("pic.png");
    EXPECT_EQ(TTexture::Get("pic", 2)->GetWidth(), 20u);
    RemoveFile("pic.jpg");
    EXPECT_EQ(TTexture::Get("pic", 1)->GetWidth(), 30u);
    RemoveFile("pic.jp2");
    EXPECT_FALSE(TTexture::Get("pic?simple", 0));
}

// The options follow the name through the extension search and take effect on the file found.
TEST_F(Textures, OptionsFollowTheNameThroughTheExtensionSearch)
{
    AddFile("opt.jpg", qftest::MakeJpegFixture(qftest::kJpegBaseline, 20, 20).bytes);
    std::shared_ptr<TTexture> plain = TTexture::Get("opt", 0);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->HasAlpha());
    std::shared_ptr<TTexture> withAlpha = TTexture::Get("opt?alpha", 0);
    ASSERT_TRUE(withAlpha);
    EXPECT_NE(withAlpha, plain);
    EXPECT_TRUE(withAlpha->HasAlpha());
    EXPECT_EQ(std::string(withAlpha->GetData()->mName.c_str()), "opt.jpg");
    std::shared_ptr<TTexture> simple = TTexture::Get("opt?simple", 0);
    ASSERT_TRUE(simple);
    EXPECT_TRUE(simple->IsSimple());
}

TEST_F(Textures, MissingNameWithAnExtensionIsNotSearchedFurther)
{
    AddPng("shot.png.jpg", 4, 4);
    EXPECT_FALSE(TTexture::Get("shot.png", 0));
    AddPng("noext", 4, 4);
    EXPECT_FALSE(TTexture::Get("noext", 0));  // exists, but no decoder for the name
}

TEST_F(Textures, SurfaceLimitAppliesUnlessSlow)
{
    AddPng("wide.png", 1025, 10);
    AddPng("big.png", 1024, 1024);
    EXPECT_FALSE(TTexture::Get("wide.png", 0));
    std::shared_ptr<TTexture> slow = TTexture::Get("wide.png?slow", 0);
    ASSERT_TRUE(slow);
    EXPECT_TRUE(slow->IsSimple());
    EXPECT_TRUE(slow->GetData()->mFlags & TTextureData::kSystemMemory);
    std::shared_ptr<TTexture> big = TTexture::Get("big.png", 0);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->GetData()->mSurfaceWidth, 1024u);
}

TEST_F(Textures, SystemMemorySurfaceHoldsTheRowsAtItsOwnPitch)
{
    // Wider than the 640-pixel display: a simple texture goes to system memory.
    const qftest::TImageFixture f = AddPng("banner.png", 700, 20);
    std::shared_ptr<TTexture> t = TTexture::GetSimple("banner.png");
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->GetData()->mFlags & TTextureData::kSystemMemory);
    EXPECT_EQ(t->GetData()->mSurfaceWidth, 1024u);
    EXPECT_EQ(t->GetData()->mSurfaceHeight, 32u);
    for (int y = 0; y < 20; y += 3)
        for (int x = 0; x < 700; x += 13)
            ASSERT_EQ(Pixel(t, x, y).Word(), f.expected[static_cast<size_t>(y) * 700 + x] | 0xFF000000u);
}

TEST_F(Textures, TallSimpleVideoTextureIsNotSheared)
{
    const qftest::TImageFixture f = AddPng("tall.png", 10, 100);
    std::shared_ptr<TTexture> t = TTexture::GetSimple("tall.png");
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->GetData()->mFlags & TTextureData::kSystemMemory);
    EXPECT_EQ(t->GetData()->mSurfaceWidth, 128u);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(Pixel(t, x, y).Word(), f.expected[static_cast<size_t>(y) * 10 + x]) << x << "," << y;
}

TEST_F(Textures, AutoMergedMaskGivesAlphaOnlyWhenEnabled)
{
    AddFile("photo.jpg", qftest::MakeJpegFixture(qftest::kJpegBaseline, 16, 16).bytes);
    const qftest::TImageFixture mask = AddPng("photo.mask.png", 16, 16);
    std::shared_ptr<TTexture> plain = TTexture::Get("photo.jpg", 0);
    ASSERT_TRUE(plain);
    EXPECT_EQ(Pixel(plain, 3, 3).Alpha(), 255);
    plain.reset();
    mAssets.RemoveAsset("photo.jpg:tex");

    mConfig["automergemask"] = "1";
    std::shared_ptr<TTexture> merged = TTexture::Get("photo.jpg", 0);
    ASSERT_TRUE(merged);
    EXPECT_TRUE(merged->HasAlpha());
    EXPECT_EQ(std::string(merged->GetData()->mMaskName.c_str()), "photo.mask.png");
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(Pixel(merged, x, y).Alpha(),
                      TColor32(mask.expected[static_cast<size_t>(y) * 16 + x]).Red());
}

TEST_F(Textures, MergedMaskRules)
{
    AddPng("img.png", 16, 16);
    const qftest::TImageFixture mask = AddPng("mask.png", 16, 16);
    AddPng("small.png", 4, 4);
    std::shared_ptr<TTexture> t = TTexture::GetMerged("img.png", "mask.png", 0);
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->HasAlpha());
    EXPECT_EQ(Pixel(t, 5, 7).Alpha(), TColor32(mask.expected[7 * 16 + 5]).Red());
    // A mask whose square differs is ignored; the load still succeeds.
    std::shared_ptr<TTexture> ignored = TTexture::GetMerged("img.png", "small.png", 0);
    ASSERT_TRUE(ignored);
    EXPECT_EQ(Pixel(ignored, 5, 7).Alpha(), 255);
    // A missing mask with an extension fails; without one, ".jpg" then ".png" are tried.
    EXPECT_FALSE(TTexture::GetMerged("img.png", "absent.png", 0));
    EXPECT_TRUE(TTexture::GetMerged("img.png", "mask", 1));
    // A mask that cannot be decoded fails the load.
    AddFile("broken.png", std::vector<uint8_t>(40, 7));
    EXPECT_FALSE(TTexture::GetMerged("img.png", "broken.png", 0));
}

TEST_F(Textures, UnlockMakesImagePixelsOpaqueWithoutAlpha)
{
    std::shared_ptr<TTexture> t = TTexture::Create(10, 10, false);
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(t->Lock(&px, &pitch));
    EXPECT_EQ(pitch, 16u);
    px[0] = TColor32(1, 2, 3, 0);
    t->Unlock();
    EXPECT_EQ(Pixel(t, 0, 0).Word(), TColor32(1, 2, 3, 255).Word());
    EXPECT_EQ(Pixel(t, 9, 9).Alpha(), 255);
    EXPECT_EQ(Pixel(t, 10, 10).Alpha(), 0);  // padding stays
    EXPECT_FALSE(t->Lock(nullptr, &pitch));
    EXPECT_FALSE(t->Lock(&px, nullptr));

    std::shared_ptr<TTexture> a = TTexture::Create(10, 10, true);
    ASSERT_TRUE(a->Lock(&px, &pitch));
    px[0] = TColor32(1, 2, 3, 4);
    a->Unlock();
    EXPECT_EQ(Pixel(a, 0, 0).Word(), TColor32(1, 2, 3, 4).Word());
}

TEST_F(Textures, ColourKeyTurnsExactMagentaTransparentOnce)
{
    std::shared_ptr<TTexture> t = TTexture::Create(4, 4, false);
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(t->Lock(&px, &pitch));
    px[0] = TColor32(255, 0, 255, 0);
    px[1] = TColor32(254, 0, 255, 0);
    px[2] = TColor32(10, 20, 30, 40);
    t->GetData()->ProcessColor();
    EXPECT_TRUE(t->HasAlpha());
    EXPECT_EQ(Pixel(t, 0, 0).Word(), 0u);
    EXPECT_EQ(Pixel(t, 1, 0).Word(), TColor32(254, 0, 255, 255).Word());
    EXPECT_EQ(Pixel(t, 2, 0).Word(), TColor32(10, 20, 30, 255).Word());
    // A second pass changes nothing.
    ASSERT_TRUE(t->Lock(&px, &pitch));
    px[0] = TColor32(255, 0, 255, 7);
    t->GetData()->ProcessColor();
    EXPECT_EQ(Pixel(t, 0, 0).Word(), TColor32(255, 0, 255, 7).Word());
}

TEST_F(Textures, CursorIsColourKeyedWhenSet)
{
    std::shared_ptr<TTexture> cursor = TTexture::Create(4, 4, false);
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(cursor->Lock(&px, &pitch));
    px[0] = TColor32(255, 0, 255, 255);
    mHandler->SetCursor(cursor, TPoint(1, 1), false);
    EXPECT_EQ(Pixel(cursor, 0, 0).Word(), 0u);
    EXPECT_EQ(mHandler->cursorHotSpot, TPoint(1, 1));
}

TEST_F(Textures, CopyPixelsClampsAndDoesNothingInsideAFrame)
{
    std::shared_ptr<TTexture> src = TTexture::Create(8, 8, true);
    std::shared_ptr<TTexture> dst = TTexture::Create(8, 8, true);
    src->GetData()->FillRect(0, 0, 8, 8, TColor(1, 0, 0, 1), true);

    ASSERT_TRUE(mRenderer->BeginDraw(false));
    src->CopyPixels(0, 0, nullptr, dst);
    EXPECT_EQ(Pixel(dst, 0, 0).Word(), 0u);
    mRenderer->EndDraw(false);

    const TRect source(-5, -5, 3, 100);
    src->CopyPixels(6, 6, &source, dst);
    EXPECT_EQ(Pixel(dst, 6, 6).Word(), TColor32(255, 0, 0, 255).Word());
    EXPECT_EQ(Pixel(dst, 7, 7).Word(), TColor32(255, 0, 0, 255).Word());
    EXPECT_EQ(Pixel(dst, 5, 6).Word(), 0u);
    EXPECT_EQ(Pixel(dst, 8, 6).Word(), 0u);  // the target's image edge clips

    src->CopyPixels(3, 4, nullptr, nullptr);
    ASSERT_FALSE(mHandler->calls.empty());
    EXPECT_EQ(mHandler->calls.back().kind, TDrawCall::kCopyToScreen);
    EXPECT_EQ(mHandler->calls.back().rect, TRect(3, 4, 11, 12));
}

TEST_F(Textures, DrawSpriteSubmitsOneFanOnlyIn2d)
{
    std::shared_ptr<TTexture> t = TTexture::Create(40, 20, true);
    t->DrawSprite(100, 50, 1.0f, 1.0f, 0.0f, 0);
    EXPECT_TRUE(mHandler->calls.empty());

    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    t->DrawSprite(100, 50, 0.5f, 2.0f, 0.0f, 0);
    ASSERT_EQ(mHandler->calls.size(), 1u);
    const TDrawCall& c = mHandler->calls[0];
    EXPECT_EQ(c.drawType, TRenderer::kTriangleFan);
    EXPECT_EQ(c.format, TVertexSet::kTransformed);
    EXPECT_EQ(c.texture, t.get());
    ASSERT_EQ(c.verts.size(), 4u);
    EXPECT_FLOAT_EQ(c.verts[0].pos.x, 60.0f);
    EXPECT_FLOAT_EQ(c.verts[0].pos.y, 30.0f);
    EXPECT_FLOAT_EQ(c.verts[2].pos.x, 140.0f);
    EXPECT_FLOAT_EQ(c.verts[2].pos.y, 70.0f);
    EXPECT_EQ(c.verts[0].color.Alpha(), 127);
    EXPECT_FLOAT_EQ(c.verts[2].u, 40.0f / 64.0f);

    TDrawSpec spec(TVec2(10, 10), 1.0f, 1.0f, 0);
    spec.blendMode = TRenderer::kBlendAdditive;
    t->DrawSprite(spec);
    ASSERT_EQ(mHandler->calls.size(), 2u);
    EXPECT_EQ(mHandler->calls[1].blendMode, TRenderer::kBlendAdditive);

    t->GetData()->mFlags |= TTextureData::kSimple;
    t->DrawSprite(spec);
    EXPECT_EQ(mHandler->calls.size(), 2u);
    mRenderer->End2d();
    mRenderer->EndDraw(false);
}

TEST_F(Textures, SoftwareCullingSkipsSpritesOutsideTheClip)
{
    std::shared_ptr<TTexture> t = TTexture::Create(20, 20, true);
    mRenderer->PushClippingRectangle(TURect(0, 0, 640, 480));
    ASSERT_TRUE(mRenderer->BeginDraw(false));
    ASSERT_TRUE(mRenderer->Begin2d());
    struct
    {
        bool culling;
        float x;
        size_t draws;
    } cases[] = {
        {false, -100, 1},  // handed over when culling is off
        {true, -100, 0},   // wholly left of the clip
        {true, 650, 1},    // the box's left edge 640 equals the clip's right: touching is kept
        {true, 651, 0},   {true, 320, 1},
    };
    for (const auto& c : cases)
    {
        mConfig["softwaretextureculling"] = c.culling ? "1" : "0";
        mHandler->calls.clear();
        t->DrawSprite(c.x, 240, 1.0f, 1.0f, 0.0f, 0);
        EXPECT_EQ(mHandler->calls.size(), c.draws) << c.x;
    }
    mRenderer->End2d();
    mRenderer->EndDraw(false);
}

TEST_F(Textures, AssetIdentity)
{
    std::shared_ptr<TTexture> t = TTexture::Create(2, 2, false);
    EXPECT_TRUE(t->IsKindOf(TTexture::ClassId()));
    EXPECT_TRUE(t->IsKindOf(TAsset::ClassId()));
    EXPECT_FALSE(t->IsKindOf(TModel::ClassId()));
    EXPECT_STREQ(t->GetTypeName(), "TTexture");
    TAnimatedTexture animated;
    EXPECT_TRUE(animated.IsKindOf(TTexture::ClassId()));
    EXPECT_TRUE(animated.IsKindOf(TAnimatedTexture::ClassId()));
    TModel model;
    EXPECT_TRUE(model.IsKindOf(TAsset::ClassId()));
    EXPECT_FALSE(model.IsKindOf(TTexture::ClassId()));
}

}  // namespace

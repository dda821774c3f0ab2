// Widgets drawn through OpenGL (SDL's offscreen driver) with the built GUI pictures and font,
// read back: the skin lands on its pixels, text shows inside its button, a text box's scrolled
// text stays inside its view. The software GL context and the built assets are there in every
// build (the tests depend on the assets): without them the tests fail.
// With WGUI_GL_DUMP set to a file name the frame is also written there as a PNG.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/assetmanager.h"
#include "foundation/file.h"
#include "glcontext.h"
#include "imagefixtures.h"
#include "render/gl/gldisplayhandler.h"
#include "render/renderer.h"
#include "wgui_button.h"
#include "wgui_chunkedimage.h"
#include "wgui_font.h"
#include "wgui_imagemap.h"
#include "wgui_helpers.h"
#include "wgui_label.h"
#include "wgui_misc.h"
#include "wgui_scroll.h"
#include "wgui_slider.h"
#include "wgui_timer.h"
#include "wgui_window.h"

using namespace WGUI;

namespace
{

const int kWidth = 320, kHeight = 240;

class WidgetsGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* binary = std::getenv("QF_BINARY_DIR");
        const std::string dir = binary ? binary : ".";
        if (!std::filesystem::exists(dir + "/assets/graphics/button.png") ||
            !std::filesystem::exists(dir + "/assets/fonts/arial.mvec"))
            GTEST_FAIL() << "the assets are not built (target assets)";
        if (!context.Create(kWidth, kHeight))
            GTEST_FAIL() << "no OpenGL context: " << context.Error();
        handler = qftest::InstallGLRenderer(kWidth, kHeight);
        renderer = TRenderer::GetInstance();
        TAssetManager::SetInstance(&assets);
        TFile::ShutDownFileSystem();
        TFile::SetResourcesDir(str(dir.c_str()));
        TFile::ScanForResources();
        Window::setDefaultDisplaySize(kWidth, kHeight);
        root.setPixSize(kWidth, kHeight);
        root.setParentPixSize(kWidth, kHeight);
    }
    void TearDown() override
    {
        if (!renderer)
            return;
        for (Window* w : std::vector<Window*>(root.getChildren().begin(), root.getChildren().end()))
            root.removeWindow(w);
        Fonts::deleteInstance();
        ImageMaps::deleteInstance();
        Pathnames::deleteInstance();
        Timer::deleteInstance();
        TRenderer::ShutDown();
        TAssetManager::SetInstance(nullptr);
        TFile::ShutDownFileSystem();
        TFile::SetResourcesDir(str());
    }

    std::vector<TColor32> DrawFrame()
    {
        root.update();
        root.update();
        EXPECT_TRUE(renderer->BeginDraw(false));
        EXPECT_TRUE(renderer->Begin2d());
        renderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(1, 1, 1, 1), nullptr);
        root.draw();
        renderer->End2d();
        std::vector<TColor32> px(static_cast<size_t>(kWidth) * kHeight);
        EXPECT_TRUE(handler->ReadScreenPixels(0, 0, kWidth, kHeight, px.data()));
        renderer->EndDraw(true);
        if (const char* dump = std::getenv("WGUI_GL_DUMP"))
        {
            std::vector<uint32_t> words;
            for (const TColor32& c : px)
                words.push_back(c.Word() | 0xFF000000u);
            qftest::WriteFixtureFile(dump, qftest::EncodePngRgba(kWidth, kHeight, words));
        }
        return px;
    }
    static TColor32 At(const std::vector<TColor32>& s, int x, int y)
    {
        return s[static_cast<size_t>(y) * kWidth + x];
    }
    static bool IsDark(TColor32 c) { return c.Red() + c.Green() + c.Blue() < 300; }
    static int DarkIn(const std::vector<TColor32>& s, int x1, int y1, int x2, int y2)
    {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                n += IsDark(At(s, x, y));
        return n;
    }

    qftest::TTestGLContext context;
    TGLDisplayHandler* handler = nullptr;
    TRenderer* renderer = nullptr;
    TAssetManager assets;
    Window root;
};

TEST_F(WidgetsGL, SkinTextAndScrolledTextLandWhereTheyShould)
{
    TextButton button;
    button.setText("OK");
    button.setPixSize(100, 30);
    button.setPixAlPos(20, 20);
    root.addWindow(&button);

    CheckBox box;
    box.setText("Music");
    box.setSelected(true);
    box.setPixAlPos(20, 70);
    root.addWindow(&box);

    Slider slider;
    slider.setPixAlPos(20, 110);
    slider.setSliderValue(0.25);
    root.addWindow(&slider);

    TextBox text;
    text.setBackColour(1, 1, 1, 0);
    std::string lines;
    for (int i = 0; i < 20; ++i)
        lines += "Line " + std::to_string(i) + "\n";
    text.setText(lines.c_str());
    text.setPixSize(150, 60);
    text.setPixAlPos(150, 20);
    root.addWindow(&text);
    root.update();
    text.setContentY(5 * 17);

    const std::vector<TColor32> s = DrawFrame();

    // The skin: the top-left corner's rim, the face inside the left edge, the right rim.
    const TColor32 rim = At(s, 20, 20);
    EXPECT_LT(rim.Red(), 80);
    EXPECT_GT(rim.Blue(), rim.Red());
    const TColor32 face = At(s, 26, 35);
    EXPECT_GT(face.Red(), 150);
    EXPECT_GT(face.Blue(), 200);
    EXPECT_LT(At(s, 119, 35).Red(), 80);
    EXPECT_GT(At(s, 19, 35).Red(), 250);  // outside: the white background
    // The text inside the button, and only there.
    EXPECT_GT(DarkIn(s, 50, 25, 90, 45), 10);
    // The check box's tick and its text.
    EXPECT_GT(DarkIn(s, 20, 70, 36, 86), 3);
    EXPECT_GT(DarkIn(s, 40, 70, 100, 90), 10);
    // The slider's knob sits a quarter of the way along its travel.
    GraphicButton* knob = slider.getKnob();
    EXPECT_EQ(knob->getPixPosX(), 5 + roundToInt((100 - 5 - knob->getPixWidth() - 5) * 0.25));
    EXPECT_LT(At(s, knob->getLeft() + 5, 110 + 13).Red(), 80);  // its rim
    // The text box shows the lines from row 5 on, clipped to its view: nothing below it.
    EXPECT_TRUE(text.isVertBarShown());
    EXPECT_GT(DarkIn(s, 150, 20, 150 + text.getViewWidth(), 80), 10);
    EXPECT_EQ(DarkIn(s, 150, 81, 300, 120), 0);
}

TEST_F(WidgetsGL, AnOverlayBlockAtNinetyDegreesStandsUpright)
{
    // Without a string table the key is its own text.
    const char xml[] = "<overlay><block id=\"Sideways text\" angle=\"90\" x1=\"100\" y1=\"20\" "
                       "x2=\"220\" y2=\"140\"/><block id=\"Flat text\" x1=\"0\" y1=\"150\" "
                       "x2=\"120\" y2=\"190\" b=\"1\" a=\"0.5\"/></overlay>";
    TextOverlay* overlay = TextOverlay::fromText(xml, sizeof xml - 1);
    ASSERT_EQ(overlay->getNumBlocks(), 2);
    root.update();
    EXPECT_TRUE(renderer->BeginDraw(false));
    EXPECT_TRUE(renderer->Begin2d());
    renderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(1, 1, 1, 1), nullptr);
    overlay->draw(0, 0, 1.0);
    renderer->End2d();
    std::vector<TColor32> s(static_cast<size_t>(kWidth) * kHeight);
    EXPECT_TRUE(handler->ReadScreenPixels(0, 0, kWidth, kHeight, s.data()));
    renderer->EndDraw(true);
    delete overlay;
    if (const char* dump = std::getenv("WGUI_GL_DUMP"))
    {
        std::vector<uint32_t> words;
        for (const TColor32& c : s)
            words.push_back(c.Word() | 0xFF000000u);
        qftest::WriteFixtureFile(dump, qftest::EncodePngRgba(kWidth, kHeight, words));
    }
    // The turned block: its dark pixels span more rows than columns, about its centre (160, 80).
    int minX = kWidth, maxX = -1, minY = kHeight, maxY = -1;
    for (int y = 0; y < 145; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (IsDark(At(s, x, y)))
            {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0);
    EXPECT_GT(maxY - minY, 2 * (maxX - minX));
    EXPECT_NEAR((minX + maxX) / 2.0, 160, 12);
    EXPECT_NEAR((minY + maxY) / 2.0, 80, 12);
    // The flat block is half-transparent blue, centred in its rectangle.
    int blue = 0;
    for (int y = 150; y < 190; ++y)
        for (int x = 0; x < 120; ++x)
        {
            const TColor32 c = At(s, x, y);
            blue += c.Blue() > 200 && c.Red() < 200 && c.Red() > 60;
        }
    EXPECT_GT(blue, 10);
}

}  // namespace

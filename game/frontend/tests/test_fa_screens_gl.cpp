// The menus drawn through OpenGL (SDL's offscreen driver) with the built pictures: the title
// picture fills the main menu and its panel shows the skinned buttons; the level map shows a
// button on each level's point and the highlight around the level to play next. Without a GL
// context or the built assets (the tests depend on them) they fail. With FA_GL_DUMP_DIR set,
// each frame is also written there as a PNG.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <list>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "endurancemenu.h"
#include "foundation/assetmanager.h"
#include "foundation/file.h"
#include "glcontext.h"
#include "imagefixtures.h"
#include "levelselect.h"
#include "mainmenu.h"
#include "playernamebutton.h"
#include "profilewindows.h"
#include "playscreenaccess.h"
#include "render/gl/gldisplayhandler.h"
#include "render/gl/glheaders.h"
#include "render/renderer.h"
#include "render/renderhost.h"
#include "text/textgraphic.h"
#include "scratchdir.h"
#include "test_fb_fixture.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"
#include "foundation/stringtable.h"
#include "services/profiles.h"
#include "wgui_animation.h"
#include "wgui_input.h"
#include "wgui_label.h"
#include "wgui_button.h"
#include "wgui_font.h"
#include "wgui_imagemap.h"
#include "wgui_misc.h"
#include "wgui_timer.h"
#include "wgui_window.h"
#ifdef WOMBIX_HAVE_GAMEPLAY
#include "levelstatus.h"
#include "text/textgraphic.h"
#include "unitconverter.h"
#endif

using namespace Game;

namespace
{

const int kWidth = 800, kHeight = 600;

// With FA_GL_DUMP_DIR set, a shot is also written there as a PNG file of that name.
void dumpShot(const std::vector<TColor32>& px, const std::string& name)
{
    const char* dumpDir = std::getenv("FA_GL_DUMP_DIR");
    if (!dumpDir)
        return;
    std::vector<uint32_t> words;
    for (const TColor32& c : px)
        words.push_back(c.Word() | 0xFF000000u);
    qftest::WriteFixtureFile(std::string(dumpDir) + "/" + name,
                             qftest::EncodePngRgba(kWidth, kHeight, words));
}

class ScreensGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* binary = std::getenv("QF_BINARY_DIR");
        const std::string dir = binary ? binary : ".";
        if (!std::filesystem::exists(dir + "/assets/graphics/imagemaps.xml") ||
            !std::filesystem::exists(dir + "/assets/graphics/gui.png") ||
            !std::filesystem::exists(dir + "/assets/fonts/arial.mvec"))
            GTEST_FAIL() << "the assets are not built (target assets)";
        if (!context.Create(kWidth, kHeight))
            GTEST_FAIL() << "no OpenGL context: " << context.Error();
        scratch = std::make_unique<TScratchDir>("fagl");
        userDir = scratch->Path();
        auto handlerOwned = TGLDisplayHandler::CreateInstance();
        handler = static_cast<TGLDisplayHandler*>(handlerOwned.get());
        renderer = TRenderer::CreateInstance(std::move(handlerOwned));
        handler->SetDisplay(kWidth, kHeight, false, false, false, false);
        renderer->PushClippingRectangle(TURect(0, 0, kWidth, kHeight));
        TAssetManager::SetInstance(&assets);
        TFile::ShutDownFileSystem();
        TFile::SetResourcesDir(str(dir.c_str()));
        TFile::SetUserDir(str(userDir.c_str()));
        TFile::ScanForResources();
        WGUI::Window::setDefaultDisplaySize(kWidth, kHeight);
        root.setPixSize(kWidth, kHeight);
        root.setParentPixSize(kWidth, kHeight);
    }

    void TearDown() override
    {
        if (!renderer)
            return;
        for (WGUI::Window* w :
             std::vector<WGUI::Window*>(root.getChildren().begin(), root.getChildren().end()))
            root.removeWindow(w);
        for (WGUI::Window* w : made)
            delete w;
        made.clear();
        Profiles::deleteInstance();
        Cheats::deleteInstance();
        MedalTimes::deleteInstance();
        LevelProgress::deleteInstance();
        WGUI::AnimationDefs::deleteInstance();
        WGUI::Fonts::deleteInstance();
        WGUI::ImageMaps::deleteInstance();
        WGUI::Pathnames::deleteInstance();
        WGUI::Timer::deleteInstance();
        TRenderer::ShutDown();
        TAssetManager::SetInstance(nullptr);
        TFile::ShutDownFileSystem();
        TFile::SetResourcesDir(str());
        TFile::SetUserDir(str());
        scratch.reset();
    }

    template <class W>
    W* add(W* w)
    {
        made.push_back(w);
        root.addWindow(w);
        return w;
    }

    // The timed level map of a player who has won the second level (bacteria), its marker on
    // the next level to play.
    LevelSelect* addLevelMap()
    {
        Profiles::instance()->setActiveProfile("Ann");
        LevelProgress::instance()->setActiveProfile();
        LevelProgress::instance()->setProgressVars(LevelMode::kTimed, "bacteria.xml", true, 50);
        LevelSelect* select = add(new LevelSelect(play));
        select->setMode(LevelMode::kTimed);
        select->calculateLevelButtonStates();
        select->setNextLevelToLastAvailable();
        return select;
    }

    std::vector<TColor32> drawFrame(const char* dumpName)
    {
        root.update();
        root.update();
        EXPECT_TRUE(renderer->BeginDraw(false));
        EXPECT_TRUE(renderer->Begin2d());
        renderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(1, 0, 1, 1), nullptr);
        root.draw();
        renderer->End2d();
        std::vector<TColor32> px(static_cast<size_t>(kWidth) * kHeight);
        EXPECT_TRUE(handler->ReadScreenPixels(0, 0, kWidth, kHeight, px.data()));
        renderer->EndDraw(true);
        dumpShot(px, dumpName);
        return px;
    }

    static TColor32 at(const std::vector<TColor32>& s, int x, int y)
    {
        return s[static_cast<size_t>(y) * kWidth + x];
    }
    // Pixels still showing the magenta clear colour in the rectangle.
    static int clearIn(const std::vector<TColor32>& s, int x1, int y1, int x2, int y2)
    {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
            {
                const TColor32 c = at(s, x, y);
                n += c.Red() > 250 && c.Green() < 5 && c.Blue() > 250;
            }
        return n;
    }
    static int differentIn(const std::vector<TColor32>& a, const std::vector<TColor32>& b, int x1, int y1,
                           int x2, int y2)
    {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                n += at(a, x, y).Word() != at(b, x, y).Word();
        return n;
    }

    qftest::TTestGLContext context;
    TGLDisplayHandler* handler = nullptr;
    TRenderer* renderer = nullptr;
    TAssetManager assets;
    WGUI::Window root;
    std::vector<WGUI::Window*> made;
    GamePlayAccess play;
    std::unique_ptr<TScratchDir> scratch;  // the user folder
    std::string userDir;
};

TEST_F(ScreensGL, TheMainMenuCoversTheScreenWithItsPictureAndPanel)
{
    MainMenu* menu = add(new MainMenu(play));
    const std::vector<TColor32> shown = drawFrame("mainmenu.png");
    // The title picture covers the whole screen.
    EXPECT_EQ(clearIn(shown, 0, 0, kWidth, kHeight), 0);
    // The menu panel sits 10 pixels in from the left and bottom edges; hiding it changes them.
    menu->getMenuPanel()->setVisible(false);
    const std::vector<TColor32> without = drawFrame("mainmenu-nopanel.png");
    EXPECT_GT(differentIn(shown, without, 10, 600 - 280, 260, 590), 5000);
    EXPECT_EQ(differentIn(shown, without, 300, 0, 800, 250), 0);
}

TEST_F(ScreensGL, TheLevelMapShowsTheButtonsAndTheHighlight)
{
    Profiles::instance()->setActiveProfile("Ann");
    LevelProgress::instance()->setActiveProfile();
    // bacteria.xml won in gold time.
    MedalTimes::instance()->setLevelTimes("bacteria.xml", 90, 60, 66, 78);
    LevelProgress::instance()->setProgressVars(LevelMode::kTimed, "bacteria.xml", true, 50);
    LevelSelect* select = add(new LevelSelect(play));
    select->setMode(LevelMode::kTimed);
    select->calculateLevelButtonStates();
    select->setNextLevelToLastAvailable();
    const std::vector<TColor32> shown = drawFrame("levelselect.png");
    EXPECT_EQ(clearIn(shown, 0, 0, kWidth, kHeight), 0);

    ASSERT_EQ(select->getLevelButton(1)->medal, MedalTimes::kGold);

    // The medal lies on the won level's button, 5 pixels in from its top-left corner.
    select->getLevelButton(1)->medal = MedalTimes::kNone;
    const std::vector<TColor32> noMedal = drawFrame("levelselect-nomedal.png");
    EXPECT_GT(differentIn(shown, noMedal, 126 - 13 + 5, 167 - 13 + 5, 126 + 13, 167 + 13), 20);
    EXPECT_EQ(differentIn(shown, noMedal, 0, 0, 100, 600), 0);
    select->getLevelButton(1)->medal = MedalTimes::kGold;

    // Hiding a level's button uncovers the map beneath its point.
    select->getLevelButton(59)->button->setVisible(false);
    const std::vector<TColor32> without = drawFrame("levelselect-nobutton.png");
    EXPECT_GT(differentIn(shown, without, 713 - 13, 447 - 13, 713 + 13, 447 + 13), 50);
    EXPECT_EQ(differentIn(shown, without, 0, 0, 600, 400), 0);
}

// The title and level-map pictures, and the endurance menu's button pictures, are read when
// their screen first shows, let go while it is hidden, and drawn as before once it shows again.
TEST_F(ScreensGL, AScreenHoldsItsPictureOnlyWhileItShows)
{
    struct Case
    {
        const char* name;
        std::function<WGUI::Window*()> make;
        std::function<bool(WGUI::Window*)> holds;
        long long bytes;  // of the textures held
    };
    const Case cases[] = {
        {"main menu", [this]() -> WGUI::Window* { return add(new MainMenu(play)); },
         [](WGUI::Window* w) { return static_cast<MainMenu*>(w)->holdsTitlePicture(); }, 2 * 512 * 512 * 4},
        {"level map", [this]() -> WGUI::Window* { return add(new LevelSelect(play)); },
         [](WGUI::Window* w) { return static_cast<LevelSelect*>(w)->holdsBackground(); }, 2 * 512 * 512 * 4},
        {"endurance menu", [this]() -> WGUI::Window* { return add(new EnduranceMenu()); },
         [](WGUI::Window* w) { return static_cast<EnduranceMenu*>(w)->holdsButtonPictures(); },
         256 * 256 * 4},
    };
    // The registry's always-needed pictures are loaded with it, before any screen.
    WGUI::ImageMaps::createInstance();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const long long before = TRenderer::GetTextureBytes();
        WGUI::Window* screen = c.make();
        // Nothing is read while the screen is only being made (the game hides it at once).
        EXPECT_FALSE(c.holds(screen));
        EXPECT_EQ(TRenderer::GetTextureBytes(), before);

        const std::vector<TColor32> first = drawFrame("picture-first.png");
        EXPECT_TRUE(c.holds(screen));
        EXPECT_EQ(clearIn(first, 0, 0, kWidth, kHeight), 0);
        const long long held = TRenderer::GetTextureBytes();

        screen->setVisible(false);
        EXPECT_FALSE(c.holds(screen));
        EXPECT_EQ(held - TRenderer::GetTextureBytes(), c.bytes);

        screen->setVisible(true);
        EXPECT_TRUE(c.holds(screen));
        EXPECT_EQ(TRenderer::GetTextureBytes(), held);
        const std::vector<TColor32> again = drawFrame("picture-again.png");
        EXPECT_EQ(differentIn(first, again, 0, 0, kWidth, kHeight), 0);

        root.removeWindow(screen);
    }
}

// How a window takes the display handler's frames: whole at each swap only; also in parts
// (the rectangles shown) once swapped; or as pixels put straight into it, whole or in parts.
enum class EShowing
{
    kWhole,
    kParts,
    kPut,
};

// A window the display handler shows its frames in: what it shows is read from the window's
// back buffer when it is swapped or shown in parts, or taken from the pixels put into it. A
// swap leaves the back buffer in a colour no frame has (after a swap its contents are
// undefined), so a part shown without being drawn first shows wrong.
class TShowingHost : public TRenderHost
{
public:
    explicit TShowingHost(EShowing showing) : mShowing(showing), mShown(static_cast<size_t>(kWidth) * kHeight)
    {
    }

    void SwapBuffers() override
    {
        Read(0, 0, kWidth, kHeight);
        ++mSwaps;
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glClearColor(0, 1, 0.5f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    bool CanShowParts() override
    {
        // Pixels put (in strips) make the window show a known picture once they covered it.
        return (mShowing == EShowing::kParts && mSwaps > 0) ||
               (mShowing == EShowing::kPut && mPutPixels >= static_cast<long long>(kWidth) * kHeight);
    }
    void ShowPart(int x, int y, int width, int height) override
    {
        EXPECT_TRUE(CanShowParts());
        Read(x, y, width, height);
        mPartPixels += static_cast<long long>(width) * height;
    }
    bool CanPutPixels() override { return mShowing == EShowing::kPut; }
    void PutPixels(int x, int y, int width, int height, const uint32_t* pixels) override
    {
        EXPECT_TRUE(CanPutPixels());
        ASSERT_TRUE(x >= 0 && y >= 0 && width > 0 && height > 0 && x + width <= kWidth &&
                    y + height <= kHeight);
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c)
                mShown[static_cast<size_t>(y + r) * kWidth + x + c] =
                    TColor32(pixels[static_cast<size_t>(r) * width + c]);
        mPutPixels += static_cast<long long>(width) * height;
    }

    const std::vector<TColor32>& Shown() const { return mShown; }
    int Swaps() const { return mSwaps; }
    long long PutPixels() const { return mPutPixels; }
    long long PartPixels() const { return mPartPixels; }

private:
    // Window rows run from the bottom; the picture keeps row 0 on top.
    void Read(int x, int y, int width, int height)
    {
        ASSERT_TRUE(x >= 0 && y >= 0 && width > 0 && height > 0 && x + width <= kWidth &&
                    y + height <= kHeight);
        std::vector<TColor32> rows(static_cast<size_t>(width) * height);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(x, y, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
        for (int r = 0; r < height; ++r)
            std::copy(rows.begin() + static_cast<long>(r) * width,
                      rows.begin() + static_cast<long>(r + 1) * width,
                      mShown.begin() + static_cast<long>(kHeight - 1 - y - r) * kWidth + x);
    }

    EShowing mShowing;
    std::vector<TColor32> mShown;
    int mSwaps = 0;
    long long mPartPixels = 0, mPutPixels = 0;
};

// The moving screens (the menu's sparkles, the level map's flashing marker), shown frame by frame
// in a window that takes whole frames only, in one that takes the redrawn parts and in one that
// takes them as pixels put into it: the window shows the same picture after every frame.
TEST_F(ScreensGL, ScreensShownInRedrawnPartsMatchScreensShownWhole)
{
    struct Case
    {
        const char* name;
        std::function<WGUI::Window*()> make;
    };
    const Case cases[] = {
        {"main menu", [this]() -> WGUI::Window* { return add(new MainMenu(play)); }},
        {"level map", [this]() -> WGUI::Window* { return addLevelMap(); }},
    };
    const EShowing showings[] = {EShowing::kWhole, EShowing::kParts, EShowing::kPut};
    const int kFrames = 90, kUpdatesPerFrame = 16;
    // Frames of 1 ms without a platform clock: each drawn frame follows 16 of them.
    WGUI::Timer::instance()->update();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<std::vector<TColor32>> shown[3];
        for (int i = 0; i < 3; ++i)
        {
            SCOPED_TRACE(i);
            std::srand(29);
            WGUI::Window* screen = c.make();
            TShowingHost host(showings[i]);
            long long firstPut = 0;
            SetRenderHost(&host);
            for (int frame = 0; frame < kFrames; ++frame)
            {
                for (int u = 0; u < kUpdatesPerFrame; ++u)
                    root.update();
                ASSERT_TRUE(renderer->BeginDraw(false));
                ASSERT_TRUE(renderer->Begin2d());
                root.draw();
                renderer->End2d();
                renderer->EndDraw(true);
                shown[i].push_back(host.Shown());
                if (frame == 0)
                    firstPut = host.PutPixels();
            }
            SetRenderHost(nullptr);
            root.removeWindow(screen);
            if (showings[i] == EShowing::kParts)
            {
                // The first frame is swapped in whole, the others show their parts only.
                EXPECT_EQ(host.Swaps(), 1);
                EXPECT_GT(host.PartPixels(), 0);
                EXPECT_LT(host.PartPixels(), static_cast<long long>(kWidth) * kHeight * kFrames / 4);
            }
            if (showings[i] == EShowing::kPut)
            {
                // The first frame is put whole, the others their parts only; nothing is swapped.
                EXPECT_EQ(host.Swaps(), 0);
                EXPECT_EQ(firstPut, static_cast<long long>(kWidth) * kHeight);
                EXPECT_GT(host.PutPixels() - firstPut, 0);
                EXPECT_LT(host.PutPixels() - firstPut,
                          static_cast<long long>(kWidth) * kHeight * kFrames / 4);
            }
        }
        int moved = 0;
        for (int frame = 0; frame < kFrames; ++frame)
        {
            SCOPED_TRACE(frame);
            ASSERT_EQ(differentIn(shown[0][frame], shown[1][frame], 0, 0, kWidth, kHeight), 0);
            ASSERT_EQ(differentIn(shown[0][frame], shown[2][frame], 0, 0, kWidth, kHeight), 0);
            if (frame > 0)
                moved += differentIn(shown[0][frame - 1], shown[0][frame], 0, 0, kWidth, kHeight) > 0;
        }
        // The screen moved in most frames, or the comparison proved little.
        EXPECT_GT(moved, kFrames / 2);
    }
}

// Text is drawn from blocks the font keeps per line, and a block drawn again as it was sends its
// last lines again instead of rasterising them. The same scripted run of each screen (the pointer
// over a button, pressed, dragged off and let go, texts and colours changed, a panel hidden and
// shown, the menu's sparkles moving) drawn with that reuse and without it gives the same picture
// in every frame.
TEST_F(ScreensGL, ScreensDrawnWithReusedTextMatchScreensRasterisedEveryFrame)
{
    struct Case
    {
        const char* name;
        std::function<WGUI::Window*()> make;
        int buttonX, buttonY;  // a button of the screen
    };
    const Case cases[] = {
        {"main menu", [this]() -> WGUI::Window* { return add(new MainMenu(play)); }, 169, 378},
        {"level map", [this]() -> WGUI::Window* { return addLevelMap(); }, 684, 518},
    };
    const int kFrames = 70, kUpdatesPerFrame = 16;
    WGUI::Timer::instance()->update();
    WGUI::Font* font = WGUI::Fonts::getFont(0);
    ASSERT_NE(font, nullptr);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<std::vector<TColor32>> drawn[2];
        unsigned layouts[2] = {0, 0};
        for (int reuse = 0; reuse < 2; ++reuse)
        {
            WGUI::Font::setBlockReuse(reuse == 1);
            TTextGraphic::SetDrawReuse(reuse == 1);
            std::srand(29);
            WGUI::Window* screen = c.make();
            // A panel of our own over the screen: a label and a text button.
            WGUI::Window* panel = add(new WGUI::Window());
            panel->setUseVirtCoordPos(false, false);
            panel->setUseVirtCoordDim(false, false);
            panel->setPixAlPos(20, 20);
            panel->setPixWidth(300);
            panel->setPixHeight(80);
            WGUI::Label label;
            label.setUseVirtCoordPos(false, false);
            label.setPixAlPos(0, 0);
            label.setAlign(WGUI::Window::kAlignLeft, WGUI::Window::kAlignTop);
            label.setText("Eaten 12 of 40");
            panel->addWindow(&label);
            WGUI::TextButton button;
            button.setUseVirtCoordPos(false, false);
            button.setUseVirtCoordDim(false, false);
            button.setPixAlPos(0, 30);
            button.setPixWidth(160);
            button.setPixHeight(40);
            button.setText("Resume");
            panel->addWindow(&button);
            const unsigned layoutsBefore = font->getTextGraphic()->GetLayoutCount();
            for (int frame = 0; frame < kFrames; ++frame)
            {
                switch (frame)
                {
                case 5: root.messageMouseMove(c.buttonX, c.buttonY, 0, true); break;
                case 10: root.messageMousePressed(c.buttonX, c.buttonY, 1); break;
                case 14: root.messageMouseDrag(c.buttonX + 300, c.buttonY - 300, 1, true); break;
                case 18: root.messageMouseReleasedOut(c.buttonX + 300, c.buttonY - 300, 1); break;
                case 22: root.messageMouseMove(80, 65, 0, true); break;  // over our button
                case 26: root.messageMousePressed(80, 65, 1); break;
                case 30: root.messageMouseReleasedOut(700, 20, 1); break;
                case 34: label.setText("Eaten 13 of 40"); break;
                case 36: label.setColour(0.8, 0.1, 0.1, 1.0); break;
                case 38: label.setText("Eaten 12 of 40"); break;  // a line shown before
                case 42: button.setText("Paused"); break;
                case 44: panel->setPixAlPos(24, 20); break;
                case 46: panel->setPixAlPos(24, 23); break;
                case 48: panel->setVisible(false); break;  // a pause dialog closed...
                case 54: panel->setVisible(true); break;   // ...and opened again
                case 58: button.setText("Resume"); break;
                case 62: label.setColour(0.0, 0.0, 0.0, 0.5); break;
                default: break;
                }
                for (int i = 0; i < kUpdatesPerFrame; ++i)
                    root.update();
                ASSERT_TRUE(renderer->BeginDraw(false));
                ASSERT_TRUE(renderer->Begin2d());
                root.draw();
                renderer->End2d();
                std::vector<TColor32> px(static_cast<size_t>(kWidth) * kHeight);
                ASSERT_TRUE(handler->ReadScreenPixels(0, 0, kWidth, kHeight, px.data()));
                renderer->EndDraw(true);
                drawn[reuse].push_back(std::move(px));
            }
            layouts[reuse] = font->getTextGraphic()->GetLayoutCount() - layoutsBefore;
            panel->removeWindow(&label);
            panel->removeWindow(&button);
            root.removeWindow(panel);
            root.removeWindow(screen);
        }
        WGUI::Font::setBlockReuse(true);
        TTextGraphic::SetDrawReuse(true);
        int changedFrames = 0;
        for (int frame = 0; frame < kFrames; ++frame)
        {
            SCOPED_TRACE(frame);
            ASSERT_EQ(differentIn(drawn[0][frame], drawn[1][frame], 0, 0, kWidth, kHeight), 0);
            if (frame > 0)
                changedFrames += differentIn(drawn[0][frame - 1], drawn[0][frame], 0, 0, kWidth, kHeight) > 0;
        }
        // The script changed the picture often, or the comparison proved little; the reusing run
        // drew its lines from the kept blocks, not by laying out the font's one block again (which
        // both runs still do to measure lines).
        EXPECT_GT(changedFrames, 12);
        EXPECT_GT(layouts[0], layouts[1] + 2u * kFrames);
    }
}

TEST_F(ScreensGL, TheEnduranceMenuDrawsItsFrameOverTheScreen)
{
    EnduranceMenu* menu = add(new EnduranceMenu());
    menu->calculateLevelButtonStates();
    const std::vector<TColor32> shown = drawFrame("endurance.png");
    // 464 x 260, centred, and the screen outside it filled: nothing of the clear colour is left.
    EXPECT_EQ(clearIn(shown, 0, 0, kWidth, kHeight), 0);
    // The closed fish and cluster levels are drawn fainter than they are once opened.
    menu->enableFish();
    const std::vector<TColor32> opened = drawFrame("endurance-fishopen.png");
    WGUI::GraphicButton* fish = menu->getFishButton();
    EXPECT_GT(
        differentIn(shown, opened, fish->getLeft(), fish->getTop(), fish->getRight(), fish->getBottom()),
        1000);
    WGUI::GraphicButton* amoeba = menu->getAmoebaButton();
    EXPECT_EQ(differentIn(shown, opened, amoeba->getLeft(), amoeba->getTop(), amoeba->getRight(),
                          amoeba->getBottom()),
              0);
}

// The extent of dark (text) pixels in rows y1..y2: first and last column, -1 when none.
static void darkSpan(const std::vector<TColor32>& s, int y1, int y2, int& first, int& last)
{
    first = last = -1;
    for (int x = 0; x < kWidth; ++x)
        for (int y = y1; y < y2; ++y)
        {
            const TColor32 c = s[static_cast<size_t>(y) * kWidth + x];
            if (c.Red() + c.Green() + c.Blue() < 200)
            {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
}

// The name entry with the game's font: typing any one character it takes over and over gives
// a name no longer than the longest profile name a saved file may hold (longer ones are read as
// damage), and the narrowest characters come close to it.
TEST_F(ScreensGL, NoNameTheEntryMakesIsLongerThanASavedFileMayHold)
{
    fbtest::FakePlayAccess play;
    EnterNameWindow* entry = add(new EnterNameWindow(play));
    WGUI::TextInput* input = entry->getNameInput();
    size_t longest = 0;
    char widest = 0;
    for (int c = 0; c < 256; ++c)
    {
        entry->setPlayerName("");
        for (int i = 0; i < 1000; ++i)
        {
            WGUI::WEvent e;
            e.type = WGUI::WEvent::kChar;
            e.code = c;
            input->messageCallback(e);
        }
        const size_t length = input->getText().length();
        if (length > longest)
        {
            longest = length;
            widest = static_cast<char>(c);
        }
    }
    std::printf("longest name the entry makes: %zu times '%c'\n", longest, widest);
    EXPECT_GT(longest, 10u);
    EXPECT_LE(longest, Profiles::kMaxNameBytes);
}

TEST_F(ScreensGL, ANameRowCentresItsTextAndShrinksANameWiderThanTheRow)
{
    PlayerNameButton* row = add(new PlayerNameButton());
    row->setUseVirtCoordPos(false, false);
    row->setUseVirtCoordDim(false, false);
    row->setPixAlPos(350, 100);
    row->setPixWidth(100);
    row->setPixHeight(24);
    row->setText("A very long player name indeed");
    const std::vector<TColor32> s = drawFrame("namerow.png");
    int first = -1, last = -1;
    darkSpan(s, 100, 124, first, last);
    ASSERT_GE(first, 0);
    // Wider than the row: drawn smaller, inside the row and centred in it within a pixel or two.
    EXPECT_GE(first, 350);
    EXPECT_LE(last, 450);
    EXPECT_NEAR(first - 350, 450 - last, 3);
    EXPECT_GT(last - first, 80) << "shrunk to the row, not further";

    // Pressed: a white face framed by a dark outline at the row's edges.
    row->setText("");
    row->setState(WGUI::Button::kDown);
    const std::vector<TColor32> down = drawFrame("namerow-down.png");
    const TColor32 face = at(down, 400, 112);
    EXPECT_GT(face.Red() + face.Green() + face.Blue(), 740);
    const TColor32 edge = at(down, 350, 112);
    EXPECT_LT(edge.Red() + edge.Green(), 20);
    EXPECT_GT(edge.Blue(), 50);
}

// ---- text in its box -----------------------------------------------------------------------

// The widest texts a box can be given: the widest of the whole string table, the widest player
// name the name entry takes, and the widest numbers with every unit (sizes, counts, times).
class TextFitGL : public ScreensGL
{
protected:
    // The texts the boxes are made for at their widest (names, numbers with their units, times,
    // level titles), which must be drawn and fit; and the widest texts of the whole string table,
    // which must fit too (shrunk that far they may be too small to show).
    void widestTexts(std::vector<str>& real, std::vector<str>& any)
    {
        WGUI::Font* f = WGUI::Fonts::getFont(0);
        std::vector<std::pair<int, str>> all, units, titles;
        TStringTable table;
        // Found among the built assets, as the game finds it.
        EXPECT_TRUE(table.LoadStringTable(str("strings.xml")));
        std::list<str> labels;
        table.GetLabels(labels);
        for (const str& label : labels)
        {
            const str text = table.GetString(label);
            const int w = f->getStringWidth(text);
            all.emplace_back(w, text);
            if (!text.empty() && text.c_str()[0] == ' ')
                units.emplace_back(w, text);  // the size units start with their blank
            if (std::string(label.c_str()).rfind("levelname", 0) == 0)
                titles.emplace_back(w, text);
        }
        auto widest = [](std::vector<std::pair<int, str>>& v, size_t n, std::vector<str>& out)
        {
            std::sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
            for (size_t i = 0; i < v.size() && i < n; ++i)
                out.push_back(v[i].second);
        };
        widest(all, 3, any);
        widest(titles, 3, real);
        std::vector<str> wideUnits;
        widest(units, 3, wideUnits);
        EXPECT_FALSE(wideUnits.empty());
        for (const str& unit : wideUnits)
            for (const char* number : {"888", "8.88", "1e+03", "-8.88e+03"})
                real.push_back(str(number) + unit);
        // The widest name the name entry's box takes.
        WGUI::TextInput entry;
        entry.setPixSize(150, 30);
        std::string name;
        while (entry.textFitsBox(str((name + "W").c_str())))
            name += "W";
        EXPECT_GE(name.size(), 8u);
        real.push_back(str(name.c_str()));
        real.push_back(table.GetString("profilewelcome", str(name.c_str())));
        for (const char* number : {"88:88", "-1:00", "8888"})
            real.push_back(str(number));
    }

    // Draws the widget alone on white and finds where its dark pixels lie in its rows (and 30
    // more above and below); false when there are none.
    bool darkBounds(WGUI::Window* w, int& left, int& right)
    {
        w->update();
        const int y1 = std::max(0, w->getTop() - 30), y2 = std::min(kHeight, w->getBottom() + 30);
        EXPECT_TRUE(renderer->BeginDraw(false));
        EXPECT_TRUE(renderer->Begin2d());
        renderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(1, 1, 1, 1), nullptr);
        w->draw();
        renderer->End2d();
        std::vector<TColor32> px(static_cast<size_t>(kWidth) * (y2 - y1));
        EXPECT_TRUE(handler->ReadScreenPixels(0, y1, kWidth, y2 - y1, px.data()));
        renderer->EndDraw(true);
        left = kWidth;
        right = -1;
        for (int y = 0; y < y2 - y1; ++y)
            for (int x = 0; x < kWidth; ++x)
            {
                const TColor32 c = px[static_cast<size_t>(y) * kWidth + x];
                if (c.Red() + c.Green() + c.Blue() < 450)
                {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        return right >= 0;
    }

    // Every text of the lists drawn by the label lies inside the box, left to right.
    void expectFits(const char* what, WGUI::Label* label, WGUI::Window* box, const std::vector<str>& real,
                    const std::vector<str>& any)
    {
        for (const std::vector<str>* list : {&real, &any})
            for (const str& text : *list)
            {
                root.update();
                label->setText(text);
                int left = 0, right = 0;
                if (!darkBounds(label, left, right))
                {
                    // Only a text shrunk to a third or less may be too faint to find.
                    const int width = WGUI::Fonts::getFont(0)->getStringWidth(text);
                    EXPECT_LT(WGUI::Font::fitScale(width, box->getPixWidth()), 0.35)
                        << what << ": nothing drawn for " << text.c_str();
                    continue;
                }
                EXPECT_GE(left, box->getLeft()) << what << ": \"" << text.c_str() << "\" spills left";
                EXPECT_LE(right, box->getRight()) << what << ": \"" << text.c_str() << "\" spills right";
            }
    }
};

TEST_F(TextFitGL, TheWidestTextsFitEveryBox)
{
    std::vector<str> texts, any;
    widestTexts(texts, any);
    ASSERT_GT(texts.size(), 10u);
#ifdef WOMBIX_HAVE_GAMEPLAY
    LevelStatus* status = add(new LevelStatus());
    status->setVictorySpecialEntities(true, 10);
    TimerDisplay* timer = add(new TimerDisplay());
    root.update();
    root.update();
    expectFits("size", status->getGooLabel(), status->getGooLabel()->getParent(), texts, any);
    status->setVictoryBySize(true, 100.0);
    root.update();
    {
        // The goal sits right of the size box, 18 px in from the panel's right edge.
        WGUI::Window goalRoom;
        goalRoom.setUseVirtCoordPos(false, false);
        goalRoom.setUseVirtCoordDim(false, false);
        goalRoom.setPixAlPos(status->getLeft() + 104, status->getTop());
        goalRoom.setPixWidth(300 - 18 - 104);
        goalRoom.setPixHeight(20);
        root.addWindow(&goalRoom);
        root.update();
        expectFits("goal", status->getGoalLabel(), &goalRoom, texts, any);
        root.removeWindow(&goalRoom);
    }
    expectFits("specials eaten", status->getSpecialsEatenLabel(), status->getSpecialsBox(), texts, any);
    expectFits("specials goal", status->getSpecialsGoalLabel(), status->getSpecialsBox(), texts, any);
    expectFits("time", timer->getTimeLabel(), timer->getTimeLabel()->getParent(), texts, any);
    expectFits("level name", timer->getNameLabel(), timer->getNameLabel()->getParent(), texts, any);
#endif
    MainMenu* menu = add(new MainMenu(play));
    Profiles::instance()->addProfile("W");
    Profiles::instance()->setActiveProfile("W");
    root.update();
    // The menu writes its welcome line every frame; the label is drawn alone right after.
    WGUI::Label* welcome = menu->getWelcomeLabel();
    expectFits("welcome", welcome, welcome->getParent(), texts, any);

    PlayerNameButton* row = add(new PlayerNameButton());
    row->setUseVirtCoordPos(false, false);
    row->setUseVirtCoordDim(false, false);
    row->setPixAlPos(300, 100);
    row->setPixWidth(200);
    row->setPixHeight(30);
    for (const str& text : texts)
    {
        root.update();
        row->setText(text);
        int left = 0, right = 0;
        ASSERT_TRUE(darkBounds(row, left, right));
        EXPECT_GE(left, row->getLeft()) << text.c_str();
        EXPECT_LE(right, row->getRight()) << text.c_str();
    }
}

// The level map's time panel with the game's texts and font: every caption fits its room at full
// size, and the times beside them (up to 59:59) end before the Play and Main Menu buttons.
TEST_F(TextFitGL, TheLevelMapsTimePanelClearsTheButtons)
{
    TStringTable table;
    ASSERT_TRUE(table.LoadStringTable(str("strings.xml")));
    LevelSelect* select = add(new LevelSelect(play));
    select->setVisible(true);
    const char* const keys[4] = {"levelselecttimeleft", "levelselectgoldtime", "levelselectsilvertime",
                                 "levelselectbronzetime"};
    for (int row = 0; row < 4; ++row)
        select->getCaption(row)->setText(table.GetString(str(keys[row])));
    // A level completed at once under an hour's limit: every row shows 59:59 left.
    Profiles::instance()->setActiveProfile("Ann");
    LevelProgress::instance()->setActiveProfile();
    MedalTimes::instance()->setLevelTimes("soil.xml", 3599, 0, 0, 0);
    LevelProgress::instance()->setProgressVars(LevelMode::kTimed, "soil.xml", true, 0);
    select->setMode(LevelMode::kTimed);
    select->calculateLevelButtonStates();
    root.update();
    select->getLevelButton(0)->button->setState(WGUI::Button::kOver);
    root.update();
    for (int row = 0; row < 4; ++row)
    {
        WGUI::Label* caption = select->getCaption(row);
        WGUI::Label* value = select->getValue(row);
        const std::string text = caption->getText().c_str();
        EXPECT_TRUE(value->isVisible());
        EXPECT_STREQ(value->getText().c_str(), "59:59");
        EXPECT_DOUBLE_EQ(caption->getTextScale(), 1.0) << text << " is shrunk to fit";
        EXPECT_LT(caption->getRight(), value->getLeft()) << text;
        for (WGUI::Window* button : {static_cast<WGUI::Window*>(select->getPlayNextButton()),
                                     static_cast<WGUI::Window*>(select->getBackButton())})
        {
            const bool sameRows =
                value->getTop() < button->getBottom() && button->getTop() < value->getBottom();
            if (sameRows)
            {
                EXPECT_LT(value->getRight(), button->getLeft()) << text << " 59:59 runs under a button";
            }
        }
    }
}

TEST_F(TextFitGL, TextThatFitsKeepsItsSizeAndWiderTextShrinksToTheRoom)
{
    WGUI::Font* f = WGUI::Fonts::getFont(0);
    const int w = f->getStringWidth("The End of Everything");
    EXPECT_DOUBLE_EQ(WGUI::Font::fitScale(w, w), 1.0);
    EXPECT_DOUBLE_EQ(WGUI::Font::fitScale(w, w + 50), 1.0);
    EXPECT_DOUBLE_EQ(WGUI::Font::fitScale(w, 0), 1.0);  // no room set: no limit
    EXPECT_DOUBLE_EQ(WGUI::Font::fitScale(2 * 100, 100), 0.5);
    EXPECT_EQ(WGUI::Font::fittedWidth(w, 100), std::min(w, 100));

    // A label in a box: its room is the box, whatever side it is aligned to.
    WGUI::Window* box = add(new WGUI::Window());
    box->setUseVirtCoordPos(false, false);
    box->setUseVirtCoordDim(false, false);
    box->setPixAlPos(100, 100);
    box->setPixWidth(96);
    box->setPixHeight(20);
    WGUI::Label* label = new WGUI::Label();
    label->setUseVirtCoordPos(false, false);
    label->setPixAlPos(10, 0);
    label->setAlign(WGUI::Window::kAlignLeft, WGUI::Window::kAlignTop);
    box->addWindow(label);
    label->setText("7.52 microns");
    root.update();
    EXPECT_EQ(label->getRoom(), 86);
    label->setAlign(WGUI::Window::kAlignCenter, WGUI::Window::kAlignTop);
    EXPECT_EQ(label->getRoom(), 96);
    label->setFitWidth(40);
    EXPECT_EQ(label->getRoom(), 40);
    root.update();
    EXPECT_LE(label->getPixWidth(), 40);
    EXPECT_LT(label->getTextScale(), 1.0);
    box->removeWindow(label);
    delete label;
}

#ifdef WOMBIX_HAVE_GAMEPLAY
// ---- the status display ---------------------------------------------------------------------

// The play screen's panels drawn alone with the built pictures and font. Every text they show, at
// the longest the game gives them, stays inside the white box drawn for it (or, where none is
// drawn, inside the panel and clear of the boxes and the bar), and the specials counter's three
// lines (eaten, "of", to eat) stack without touching.
class StatusTextGL : public TextFitGL
{
protected:
    struct Box
    {
        int x1 = kWidth, y1 = kHeight, x2 = -1, y2 = -1;  // inclusive bounds; empty while x2 < x1
        bool empty() const { return x2 < x1; }
        void add(int x, int y)
        {
            x1 = std::min(x1, x);
            y1 = std::min(y1, y);
            x2 = std::max(x2, x);
            y2 = std::max(y2, y);
        }
        bool inside(const Box& o) const
        {
            return !empty() && x1 >= o.x1 && x2 <= o.x2 && y1 >= o.y1 && y2 <= o.y2;
        }
        std::string show() const
        {
            return "(" + std::to_string(x1) + ", " + std::to_string(y1) + ") - (" + std::to_string(x2) +
                   ", " + std::to_string(y2) + ")";
        }
    };

    // The widget alone on magenta, after two updates.
    std::vector<TColor32> shoot(WGUI::Window* w)
    {
        root.update();
        root.update();
        EXPECT_TRUE(renderer->BeginDraw(false));
        EXPECT_TRUE(renderer->Begin2d());
        renderer->FillRect(TURect(0, 0, kWidth, kHeight), TColor(1, 0, 1, 1), nullptr);
        w->draw();
        renderer->End2d();
        std::vector<TColor32> px(static_cast<size_t>(kWidth) * kHeight);
        EXPECT_TRUE(handler->ReadScreenPixels(0, 0, kWidth, kHeight, px.data()));
        renderer->EndDraw(true);
        dumpShot(px, "status" + std::to_string(shots++) + ".png");
        return px;
    }
    int shots = 0;
    static bool white(TColor32 c) { return c.Red() == 255 && c.Green() == 255 && c.Blue() == 255; }
    static Box rectOf(WGUI::Window* w, int inset = 0)
    {
        Box b;
        b.add(w->getLeft() + inset, w->getTop() + inset);
        b.add(w->getRight() - 1 - inset, w->getBottom() - 1 - inset);
        return b;
    }
    // The white box drawn where the widget lies: the bounds of the pure white pixels reached
    // from the first one inside the widget's rectangle (empty when none is drawn there).
    static Box whiteBoxAt(const std::vector<TColor32>& s, WGUI::Window* w)
    {
        const Box area = rectOf(w);
        std::vector<char> seen(s.size(), 0);
        std::vector<std::pair<int, int>> todo;
        for (int y = area.y1; y <= area.y2 && todo.empty(); ++y)
            for (int x = area.x1; x <= area.x2 && todo.empty(); ++x)
                if (x >= 0 && y >= 0 && x < kWidth && y < kHeight && white(at(s, x, y)))
                    todo.emplace_back(x, y);
        Box box;
        while (!todo.empty())
        {
            const auto [x, y] = todo.back();
            todo.pop_back();
            if (x < 0 || y < 0 || x >= kWidth || y >= kHeight || seen[static_cast<size_t>(y) * kWidth + x] ||
                !white(at(s, x, y)))
                continue;
            seen[static_cast<size_t>(y) * kWidth + x] = 1;
            box.add(x, y);
            todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
        }
        return box;
    }
    // Where two pictures differ.
    static Box changed(const std::vector<TColor32>& a, const std::vector<TColor32>& b)
    {
        Box box;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
            {
                const TColor32 p = at(a, x, y), q = at(b, x, y);
                if (std::abs(p.Red() - q.Red()) + std::abs(p.Green() - q.Green()) +
                        std::abs(p.Blue() - q.Blue()) >
                    60)
                    box.add(x, y);
            }
        return box;
    }
    // What is written inside a white box: its pixels that are not white.
    static Box inkIn(const std::vector<TColor32>& s, const Box& box)
    {
        Box ink;
        for (int y = box.y1; y <= box.y2; ++y)
            for (int x = box.x1; x <= box.x2; ++x)
                if (!white(at(s, x, y)))
                    ink.add(x, y);
        return ink;
    }

    // The sizes at their longest in every unit the converter gives: "%.3g" of the widest
    // numbers it prints in that unit, up to the largest below the next unit, with the unit's text.
    std::vector<str> sizeTexts()
    {
        TStringTable table;
        EXPECT_TRUE(table.LoadStringTable(str("strings.xml")));
        std::vector<str> out;
        for (int i = 0; i < UnitConverter::kNumUnits; ++i)
        {
            const double f = UnitConverter::unitFactor(i);
            const double top = i + 1 < UnitConverter::kNumUnits
                                   ? UnitConverter::unitFactor(i + 1) * 0.9995 * 0.9999
                                   : f * 999.4;
            const str unit = table.GetString(str(UnitConverter::unitKey(i)));
            for (double m : {f * 9.994, f * 99.94, top})
                out.push_back(UnitConverter::metersUnitDisplay(std::min(m, top), f, unit));
        }
        return out;
    }
    std::vector<str> levelNames()
    {
        TStringTable table;
        EXPECT_TRUE(table.LoadStringTable(str("strings.xml")));
        std::list<str> labels;
        table.GetLabels(labels);
        std::vector<str> out;
        for (const str& label : labels)
            if (std::string(label.c_str()).rfind("levelname", 0) == 0)
                for (const char* n : {"1", "19"})
                    out.push_back(table.GetString(label, str(n)));
        return out;
    }
};

TEST_F(StatusTextGL, EveryTextOfTheStatusDisplayStaysInsideItsBox)
{
    const std::vector<str> sizes = sizeTexts();
    ASSERT_EQ(sizes.size(), 3u * UnitConverter::kNumUnits);

    // The size panel: the goo's size in its white box, the goal beside it above the bar.
    LevelStatus* status = add(new LevelStatus());
    status->setVictoryBySize(true, 100.0);
    status->getGooLabel()->setText("");
    status->getGoalLabel()->setText("");
    const std::vector<TColor32> sizeBase = shoot(status);
    const Box gooBox = whiteBoxAt(sizeBase, status->getGooLabel()->getParent());
    ASSERT_FALSE(gooBox.empty()) << "no white box for the goo's size";
    const Box panel = rectOf(status, 3);
    for (const str& text : sizes)
    {
        status->getGooLabel()->setText(text);
        const Box ink = changed(sizeBase, shoot(status));
        EXPECT_TRUE(ink.inside(gooBox))
            << "size \"" << text.c_str() << "\" at " << ink.show() << ", its box " << gooBox.show();
    }
    status->getGooLabel()->setText("");
    for (const str& text : sizes)
    {
        status->getGoalLabel()->setText(text);
        const Box ink = changed(sizeBase, shoot(status));
        EXPECT_TRUE(ink.inside(panel)) << "goal \"" << text.c_str() << "\" at " << ink.show();
        EXPECT_GT(ink.x1, gooBox.x2 + 1) << "goal \"" << text.c_str() << "\" meets the size box";
        EXPECT_LT(ink.y2, status->getProgressBar()->getTop())
            << "goal \"" << text.c_str() << "\" meets the bar";
    }
    status->getGoalLabel()->setText("");

    // The specials panel: the goo's size in its white box, and the count eaten over "of" over the
    // count to eat in the other.
    LevelStatus* specials = add(new LevelStatus());
    specials->setVictorySpecialEntities(true, 88);
    {
        // The game's "of" (this fixture has no platform to look it up through).
        TStringTable table;
        ASSERT_TRUE(table.LoadStringTable(str("strings.xml")));
        ASSERT_NE(specials->getOfText(), nullptr);
        specials->getOfText()->SetText(table.GetString(str("gameplayof")));
    }
    for (WGUI::Label* l :
         {specials->getGooLabel(), specials->getSpecialsEatenLabel(), specials->getSpecialsGoalLabel()})
        l->setText("");
    status->setVisible(false);
    const std::vector<TColor32> specialsBase = shoot(specials);
    const Box gooBox2 = whiteBoxAt(specialsBase, specials->getGooLabel()->getParent());
    ASSERT_FALSE(gooBox2.empty()) << "no white box for the goo's size on the specials panel";
    for (const str& text : sizes)
    {
        specials->getGooLabel()->setText(text);
        const Box ink = changed(specialsBase, shoot(specials));
        EXPECT_TRUE(ink.inside(gooBox2))
            << "size \"" << text.c_str() << "\" at " << ink.show() << ", its box " << gooBox2.show();
    }
    specials->getGooLabel()->setText("");
    const Box countBox = whiteBoxAt(specialsBase, specials->getSpecialsBox());
    ASSERT_FALSE(countBox.empty());
    const Box of = inkIn(specialsBase, countBox);
    EXPECT_TRUE(of.inside(countBox)) << "\"of\" at " << of.show();
    for (const char* count : {"8", "88"})
    {
        specials->getSpecialsEatenLabel()->setText(count);
        const Box eaten = changed(specialsBase, shoot(specials));
        specials->getSpecialsEatenLabel()->setText("");
        specials->getSpecialsGoalLabel()->setText(count);
        const Box toEat = changed(specialsBase, shoot(specials));
        specials->getSpecialsGoalLabel()->setText("");
        EXPECT_TRUE(eaten.inside(countBox))
            << count << " eaten at " << eaten.show() << ", the box " << countBox.show();
        EXPECT_TRUE(toEat.inside(countBox))
            << count << " to eat at " << toEat.show() << ", the box " << countBox.show();
        // Stacked, each line clear of the next.
        EXPECT_LT(eaten.y2 + 1, of.y1) << count << " eaten " << eaten.show() << " meets \"of\" " << of.show();
        EXPECT_LT(of.y2 + 1, toEat.y1)
            << "\"of\" " << of.show() << " meets " << count << " to eat " << toEat.show();
    }

    // The timer panel: the time left in its white box, the level's name above it.
    specials->setVisible(false);
    TimerDisplay* timer = add(new TimerDisplay());
    timer->setTimerVisible(true);
    timer->getTimeLabel()->setText("");
    timer->getNameLabel()->setText("");
    const std::vector<TColor32> timerBase = shoot(timer);
    const Box timeBox = whiteBoxAt(timerBase, timer->getTimeLabel()->getParent());
    ASSERT_FALSE(timeBox.empty());
    for (double seconds : {3599.0, 599.0, 0.0})
    {
        timer->setTimeLeft(seconds);
        const Box ink = changed(timerBase, shoot(timer));
        EXPECT_TRUE(ink.inside(timeBox)) << "time " << timer->getTimeLabel()->getText().c_str() << " at "
                                         << ink.show() << ", its box " << timeBox.show();
    }
    timer->getTimeLabel()->setText("");
    const Box timerPanel = rectOf(timer, 3);
    for (const str& name : levelNames())
    {
        timer->setLevelName(name);
        const Box ink = changed(timerBase, shoot(timer));
        EXPECT_TRUE(ink.inside(timerPanel)) << "name \"" << name.c_str() << "\" at " << ink.show();
        EXPECT_LT(ink.y2 + 1, timeBox.y1) << "name \"" << name.c_str() << "\" meets the time's box";
    }
}
#endif

}  // namespace

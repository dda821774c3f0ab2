// Heap allocations of steady frames: the idle main menu, the level map, a paused level and a
// level being played, each on the real screens with the built pictures, updated by the GUI
// manager and drawn through the OpenGL display handler (SDL's offscreen driver) as the game does
// 60 times a second. After the screen has settled, 300 frames are counted on the main thread
// with the counting allocator. A frame at rest allocates nothing; a frame of play (entities
// born, eaten and leaving) only a little. With QF_ALLOC_SITES set, the call stacks of the
// counted allocations are printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "alloccount.h"
#include "levelselect.h"
#include "mainmenu.h"
#include "playscene_gl.h"
#include "playscreenaccess.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"

using namespace Game;

namespace
{

const int kSettleFrames = 120;
const int kCountedFrames = 300;

struct TFrameCase
{
    const char* name;
    // Shows the screen on the scene's manager.
    std::function<void(playscene::PlayScene&, GamePlayAccess&)> show;
    unsigned long long maxPerFrame;  // the most any one counted frame may allocate
};

void HideLevel(playscene::PlayScene& scene)
{
    scene.getGame()->setPaused(true);
    scene.getGame()->setVisible(false);
}

const TFrameCase kCases[] = {
    {"IdleMainMenu",
     [](playscene::PlayScene& scene, GamePlayAccess& play)
     {
         HideLevel(scene);
         scene.getManager()->addWindow(new MainMenu(play));
     },
     0},
    {"LevelMap",
     [](playscene::PlayScene& scene, GamePlayAccess& play)
     {
         HideLevel(scene);
         MedalTimes::instance()->setLevelTimes("bacteria.xml", 90, 60, 66, 78);
         LevelProgress::instance()->setProgressVars(LevelMode::kTimed, "bacteria.xml", true, 50);
         LevelSelect* select = new LevelSelect(play);
         scene.getManager()->addWindow(select);
         select->setMode(LevelMode::kTimed);
         select->calculateLevelButtonStates();
         select->setNextLevelToLastAvailable();
     },
     0},
    // The pause dialog slides in over the level as Escape opens it.
    {"PausedLevel",
     [](playscene::PlayScene& scene, GamePlayAccess&) { scene.getGame()->setPauseTransition(); }, 0},
    // The level's own crowd, its emitters making more as entities leave or are eaten.
    {"PlayingLevel", [](playscene::PlayScene&, GamePlayAccess&) {}, 50},
};

class FrameAllocs : public ::testing::TestWithParam<TFrameCase>
{
};

TEST_P(FrameAllocs, SteadyFramesStayWithinTheirAllocations)
{
    const TFrameCase& c = GetParam();
    const char* binary = std::getenv("QF_BINARY_DIR");
    playscene::PlayScene scene;
    std::string error;
    ASSERT_TRUE(scene.setUp(std::string(binary ? binary : ".") + "/assets", &error)) << error;
    GamePlayAccess play;
    c.show(scene, play);
    for (int i = 0; i < kSettleFrames; ++i)
    {
        scene.update();
        scene.draw();
    }
    const bool sites = std::getenv("QF_ALLOC_SITES") != nullptr;
    unsigned long long total = 0, most = 0;
    std::vector<std::string> named;
    for (int i = 0; i < kCountedFrames; ++i)
    {
        qftest::AllocCountStart(sites);
        scene.update();
        scene.draw();
        const unsigned long long n = qftest::AllocCountStop();
        total += n;
        most = std::max(most, n);
        if (sites)
            for (const std::string& s : qftest::AllocSites(8))
                named.push_back(s);
    }
    const double perFrame = static_cast<double>(total) / kCountedFrames;
    std::cout << c.name << ": " << total << " allocations in " << kCountedFrames << " frames (" << perFrame
              << " a frame, at most " << most << " in one; "
              << (qftest::AllocCountSeesMalloc() ? "operator new and malloc" : "operator new") << ")\n";
    for (const std::string& s : named)
        std::cout << "  " << s << "\n";
    RecordProperty("allocations", static_cast<int>(total));
    EXPECT_LE(most, c.maxPerFrame);
    WGUI::Window* root = scene.getManager()->getRoot();
    for (WGUI::Window* w : std::vector<WGUI::Window*>(root->getChildren().begin(), root->getChildren().end()))
        if (dynamic_cast<MainMenu*>(w) || dynamic_cast<LevelSelect*>(w))
        {
            root->removeWindow(w);
            delete w;
        }
    scene.tearDown();
}

INSTANTIATE_TEST_SUITE_P(Screens, FrameAllocs, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TFrameCase>& info) { return info.param.name; });

}  // namespace

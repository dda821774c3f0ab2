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

const int kSettleFrames = 180;  // 3 s: the frame rate shown has been measured once
const int kCountedFrames = 300;

struct TFrameCase
{
    const char* name;
    // Shows the screen on the scene's manager.
    std::function<void(playscene::PlayScene&, GamePlayAccess&)> show;
    double ownPerFrame;  // the most the game's own code may allocate a frame, on average
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
    unsigned long long own = 0, all = 0, mostOwn = 0;
    std::vector<std::string> named;
    for (int i = 0; i < kCountedFrames; ++i)
    {
        qftest::AllocCountStart(sites);
        scene.update();
        scene.drawPass();
        const qftest::TAllocCount n = qftest::AllocCountStop();
        // The one-pixel read that waits for the driver is the test's, not the game's.
        scene.finish();
        own += n.own;
        all += n.all;
        mostOwn = std::max(mostOwn, n.own);
        if (sites)
            for (const std::string& s : qftest::AllocSites(8))
                named.push_back(s);
    }
    const double ownPerFrame = static_cast<double>(own) / kCountedFrames;
    std::cout << c.name << ": " << kCountedFrames << " frames, the game's own allocations " << own << " ("
              << ownPerFrame << " a frame, at most " << mostOwn << " in one), with the driver's " << all - own
              << " (" << static_cast<double>(all - own) / kCountedFrames << " a frame)\n";
    for (const std::string& s : named)
        std::cout << "  " << s << "\n";
    RecordProperty("own_allocations", static_cast<int>(own));
    RecordProperty("all_allocations", static_cast<int>(all));
    EXPECT_LE(ownPerFrame, c.ownPerFrame);
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

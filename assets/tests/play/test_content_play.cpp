// Every shipped level played on the real play screen with the shipped data: an autopilot steers
// the goo towards the nearest thing it can eat and away from anything bigger, and each level
// must load, fill with entities and be won (timed mode: before its time runs out). The autopilot
// chases at half the goo's top speed, so a level it cannot win is short of food or too crowded
// with hunters, not too hard for a player's hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <unistd.h>

#include "entity.h"
#include "entitydef.h"
#include "entityengine.h"
#include "failurewindow.h"
#include "gamepaused.h"
#include "gamewindow.h"
#include "greygoo.h"
#include "level.h"
#include "playscene_gl.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/profiles.h"
#include "test_level_fixture.h"
#include "victorywindow.h"

namespace {

std::string SourceAssets()
{
    const char* dir = std::getenv("QF_SOURCE_DIR");
    return std::string(dir ? dir : ".") + "/assets/";
}

std::string ReadText(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct PlayCase
{
    const char* file;
    bool endurance;
};

// Moves the goo at most kChaseSpeed towards the nearest thing smaller than it, skipping
// food that lies close to something at least as big as the goo.
static constexpr double kChaseSpeed = 300.0;  // pixels per second, half the goo's top speed
void SteerGoo(GameWindow* game, unsigned kFrameMs)
{
    GreyGoo* goo = game->getGreyGoo();
    if (!goo || goo->getBeingEaten())
        return;
    Entity* gooEntity = game->getGreyGooEntity();
    const WGUI::Vector2d at = gooEntity->getPos();
    const double area = gooEntity->getActualArea();
    const auto& all = game->getEntityEngine()->getEntities();
    auto radius = [](Entity* e) { return std::sqrt(e->getActualArea() / M_PI); };
    // First get away from anything at least as big that comes near.
    double fleeX = 0, fleeY = 0;
    for (Entity* big : all)
    {
        if (big == gooEntity || big->getDeleteMe() || big->getActualArea() < area)
            continue;
        const double dx = at.getX() - big->getPos().getX(), dy = at.getY() - big->getPos().getY();
        const double d = std::hypot(dx, dy);
        if (d > 0 && d < radius(big) + radius(gooEntity) + 90)
        {
            fleeX += dx / d;
            fleeY += dy / d;
        }
    }
    if (fleeX != 0 || fleeY != 0)
    {
        const double n = std::hypot(fleeX, fleeY), step = 1.5 * kChaseSpeed * kFrameMs / 1000.0;
        double x = at.getX() + fleeX / n * step, y = at.getY() + fleeY / n * step;
        x = std::max(-game->getLevelWidth() / 2, std::min(game->getLevelWidth() / 2, x));
        y = std::max(-game->getLevelHeight() / 2, std::min(game->getLevelHeight() / 2, y));
        gooEntity->setPos(WGUI::Vector2d(x, y));
        return;
    }
    Entity* best = nullptr;
    double bestDistance = 1e300;
    for (Entity* e : all)
    {
        if (e == gooEntity || e->getBeingEaten() || e->getDeleteMe() || e->getActualArea() >= area)
            continue;
        const WGUI::Vector2d p = e->getPos();
        if (std::fabs(p.getX()) > game->getLevelWidth() / 2 || std::fabs(p.getY()) > game->getLevelHeight() / 2)
            continue;
        bool risky = false;
        for (Entity* big : all)
            if (big != gooEntity && !big->getDeleteMe() && big->getActualArea() >= area &&
                std::hypot(big->getPos().getX() - p.getX(), big->getPos().getY() - p.getY()) <
                    radius(big) + 2 * radius(gooEntity) + 40)
                risky = true;
        if (risky)
            continue;
        // Special entities count three times nearer: they win their levels.
        const double d = std::hypot(p.getX() - at.getX(), p.getY() - at.getY()) / (e->isSpecial() ? 3.0 : 1.0);
        if (d < bestDistance)
        {
            bestDistance = d;
            best = e;
        }
    }
    if (!best)
        return;
    const double step = kChaseSpeed * kFrameMs / 1000.0;
    const WGUI::Vector2d p = best->getPos();
    bestDistance = std::hypot(p.getX() - at.getX(), p.getY() - at.getY());
    if (bestDistance <= step)
        gooEntity->setPos(p);
    else
    {
        const double k = step / bestDistance;
        gooEntity->setPos(WGUI::Vector2d(at.getX() + (p.getX() - at.getX()) * k,
                                         at.getY() + (p.getY() - at.getY()) * k));
    }
}


class ContentPlay : public leveltest::LevelFixture, public ::testing::WithParamInterface<PlayCase>
{
protected:
    void AddAssets(std::map<std::string, std::string>& files) override
    {
        for (const char* f : {"strings.xml", "graphics/entitydefs.xml", "graphics/tiledefs.xml",
                              "graphics/animationdefs.xml", "graphics/imagemaps.xml",
                              "sounds/soundeffects.xml"})
            files[f] = ReadText(SourceAssets() + f);
        for (const auto& entry : std::filesystem::directory_iterator(SourceAssets() + "levels"))
            files["levels/" + entry.path().filename().string()] = ReadText(entry.path());
    }

    void SetUp() override
    {
        LevelFixture::SetUp();
        manager = new WGUI::Manager(800, 600, -1, true, "test");
        game = new GameWindow();
        victory = new VictoryWindow();
        failure = new FailureWindow();
        paused = new GamePaused();
        for (WGUI::Window* w : {static_cast<WGUI::Window*>(victory), static_cast<WGUI::Window*>(failure),
                                static_cast<WGUI::Window*>(paused)})
        {
            w->setVisible(false);
            manager->addWindow(w);
        }
        manager->addWindow(game);
        Profiles::instance()->addProfile("player");
        Profiles::instance()->setActiveProfile("player");
        LevelProgress::instance()->addProfile("player");
        LevelProgress::instance()->setActiveProfile();
    }
    void TearDown() override
    {
        delete paused;
        delete failure;
        delete victory;
        delete game;
        WGUI::Manager::deleteInstance();
        LevelFixture::TearDown();
    }

    void Steer() { SteerGoo(game, kFrameMs); }

    WGUI::Manager* manager = nullptr;
    GameWindow* game = nullptr;
    VictoryWindow* victory = nullptr;
    FailureWindow* failure = nullptr;
    GamePaused* paused = nullptr;
};

TEST_P(ContentPlay, LevelIsWonInTime)
{
    const PlayCase& c = GetParam();
    const int mode = c.endurance ? 2 : 1;
    // The autopilot is no player: it can blunder into a hunter. A level passes when one of
    // three tries (different random seeds) wins it.
    bool won = false;
    for (int attempt = 0; attempt < 3 && !won; ++attempt)
    {
        srand(4242u + 7919u * static_cast<unsigned>(attempt));
        game->loadLevel(c.file, mode);
        ASSERT_NE(game->getLevel(), nullptr);
        ASSERT_EQ(game->getLevelFilename(), str(c.file));
        ASSERT_NE(game->getGreyGoo(), nullptr);
        EXPECT_FALSE(game->getEmitters().empty());
        game->setTipVisible(false);
        game->setPaused(false);

        // Timed levels must be won within their limit; endurance within ten minutes.
        const double limit = c.endurance ? 600.0 : game->getLevel()->timeLimit;
        ASSERT_GT(limit, 0.0);
        int most = 0;
        const int maxFrames = static_cast<int>(limit * 1000 / kFrameMs) + 50;
        for (int frame = 0; frame < maxFrames && !game->isWon() && !game->isFailed(); ++frame)
        {
            Steer();
            backend->AdvanceMs(kFrameMs);
            manager->update();
            most = std::max(most, game->getEntityEngine()->getNumEntities());
        }
        EXPECT_GT(most, 3) << c.file << ": the level stays empty";
        won = game->isWon();
        int eaten = 0;
        for (int i = 0; i < game->getEatenEntities()->getSize(); ++i)
            eaten += game->getEatenEntities()->getEntityNumByIndex(i)->count;
        std::printf("%s try %d: %s after %.1f s of %.0f (failure %d), %d eaten, goo %.0f, %d entities at most\n",
                    c.file, attempt + 1, won ? "won" : "NOT WON", game->getLevelTime(), limit,
                    game->getFailureType(), eaten,
                    game->getGreyGoo() ? game->getGreyGooEntity()->getActualArea() : 0.0, most);
    }
    EXPECT_TRUE(won) << c.file << " was not won in three tries";
}

const PlayCase kCases[] = {
    {"soil.xml", false},    {"bacteria.xml", false}, {"blood.xml", false},   {"amoeba.xml", false},
    {"bugs1.xml", false},   {"bugs2.xml", false},    {"bugs3.xml", false},   {"bugs4.xml", false},
    {"bugs5.xml", false},   {"table1.xml", false},   {"table2.xml", false},  {"table3.xml", false},
    {"table4.xml", false},  {"table5.xml", false},   {"table6.xml", false},  {"table7.xml", false},
    {"fish1.xml", false},   {"fish2.xml", false},    {"fish3.xml", false},   {"grass1.xml", false},
    {"grass2.xml", false},  {"grass3.xml", false},   {"grass4.xml", false},  {"grass5.xml", false},
    {"grass6.xml", false},  {"city1.xml", false},    {"city2.xml", false},   {"city3.xml", false},
    {"city4.xml", false},   {"city5.xml", false},    {"city6.xml", false},   {"city7.xml", false},
    {"city8.xml", false},   {"sky1.xml", false},     {"sky2.xml", false},    {"sky3.xml", false},
    {"sky4.xml", false},    {"sky5.xml", false},     {"sky6.xml", false},    {"sky7.xml", false},
    {"space1.xml", false},  {"space2.xml", false},   {"space3.xml", false},  {"space4.xml", false},
    {"space5.xml", false},  {"space6.xml", false},   {"space7.xml", false},  {"space8.xml", false},
    {"space9.xml", false},  {"space10.xml", false},  {"space11.xml", false}, {"space12.xml", false},
    {"space13.xml", false}, {"space14.xml", false},  {"space15.xml", false}, {"space16.xml", false},
    {"space17.xml", false}, {"space18.xml", false},  {"space19.xml", false}, {"end.xml", false},
    {"amoebaendurance.xml", true}, {"fishendurance.xml", true}, {"clusterendurance.xml", true}};

// Resident memory of this process in bytes (0 when it cannot be read).
size_t ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0, resident = 0;
    if (!(statm >> pages >> resident))
        return 0;
    return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// Levels played back to back by the autopilot for half an hour of game time on the real play
// screen, with the built pictures, drawn through OpenGL (SDL's offscreen driver) every tenth
// frame; the clock steps a frame at a time, so it runs as fast as the machine allows. Resident
// memory after the first level is the baseline: memory that grows with play (a leak, a cache
// without bound) shows as growth over the later levels. Under the sanitizers the run is shorter
// and the size check is left out (their shadow memory dominates the figure); LeakSanitizer
// checks the run at exit.
TEST(ContentSoak, MemoryStaysFlatOverHalfAnHourOfPlay)
{
#ifdef QF_SANITIZED
    const double kPlaySeconds = 120.0;
#else
    const double kPlaySeconds = 1800.0;
#endif
    const char* binary = std::getenv("QF_BINARY_DIR");
    playscene::PlayScene scene;
    std::string error;
    if (!scene.setUp(std::string(binary ? binary : ".") + "/assets", &error))
    {
        scene.tearDown();
        GTEST_SKIP() << error;
    }
    GameWindow* game = scene.getGame();
    const char* const levels[] = {"soil.xml", "bugs1.xml", "table1.xml", "fish1.xml", "grass1.xml",
                                  "city1.xml", "sky1.xml", "space1.xml", "amoebaendurance.xml"};
    const size_t kLevels = sizeof(levels) / sizeof(levels[0]);
    double played = 0;
    size_t baseline = 0, peak = 0;
    int rounds = 0;
    srand(99);
    for (size_t i = 0; played < kPlaySeconds; ++i)
    {
        const char* file = levels[i % kLevels];
        const bool endurance = std::string(file).find("endurance") != std::string::npos;
        game->loadLevel(file, endurance ? 2 : 1);
        ASSERT_NE(game->getLevel(), nullptr) << file;
        game->setTipVisible(false);
        game->setPaused(false);
        // Each level is played until it ends or for at most four minutes.
        const int maxFrames = 240 * 1000 / static_cast<int>(playscene::kFrameMs);
        for (int frame = 0; frame < maxFrames && !game->isWon() && !game->isFailed() && played < kPlaySeconds;
             ++frame)
        {
            SteerGoo(game, playscene::kFrameMs);
            scene.update();
            if (frame % 10 == 0)
                scene.draw();
            played += playscene::kFrameMs / 1000.0;
        }
        ++rounds;
        const size_t now = ResidentBytes();
        if (i == 0)
            baseline = now;
        else
            peak = std::max(peak, now);
        std::printf("%s: %.0f s played, resident %.1f MB\n", file, played, now / 1048576.0);
    }
    scene.tearDown();
    EXPECT_GE(rounds, 2);
    std::printf("resident after the first level %.1f MB, largest later %.1f MB\n", baseline / 1048576.0,
                peak / 1048576.0);
#ifndef QF_SANITIZED
    ASSERT_GT(baseline, 0u);
    EXPECT_LE(static_cast<double>(peak), 1.05 * static_cast<double>(baseline));
#endif
}

std::string CaseName(const ::testing::TestParamInfo<PlayCase>& info)
{
    std::string n = info.param.file;
    return n.substr(0, n.size() - 4);
}

INSTANTIATE_TEST_SUITE_P(Levels, ContentPlay, ::testing::ValuesIn(kCases), CaseName);

}  // namespace

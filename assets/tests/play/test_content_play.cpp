// Every shipped level played on the real play screen with the shipped data, in each of its modes,
// by an autopilot that plays as a player does: it sees only what is on the screen (the visible
// part of the level around the camera) and steers only by moving the mouse, through the goo's
// own controller. Each level must load, show food from the first second and be won, in the
// timed mode before its time runs out; the autopilot's times must fit the medal rule the medal
// table was made by (tools/levelgen/levelgen.py: gold is the autopilot's best time, raised so
// that its median run earns bronze).
//
// With QF_MEDAL_RUNS=n set, the timed cases play each level n times with different seeds and
// skills and print two lines per level ("medals <file> best <s> median <s> worst <s> lost <k>"
// and "runs <file>" with each run's time, "-" for a lost run), the figures the gold times of
// tools/levelgen are set from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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
#include "services/options.h"
#include "services/profiles.h"
#include "contentfiles.h"
#include "test_level_fixture.h"
#include "victorywindow.h"
#include "wgui_input.h"

using namespace Game;

namespace
{

using contenttest::ReadText;
using contenttest::SourceAssets;

// A fast clock: 40 ms frames (the longest step the timer allows is 50 ms).
const unsigned kStepMs = 40;

struct PlayCase
{
    const char* file;
    int mode;  // 0 casual, 1 timed, 2 endurance
};

// How the autopilot plays: its cruising speed (units per second), how wide a berth it gives
// things bigger than the goo, and how quickly it corrects its course.
struct Skill
{
    double speed;
    double margin;
    double reaction;  // seconds to reach the wanted velocity
};

struct RunResult
{
    bool won = false;
    double time = 0;
    int failure = -1;
    int firstSecondFood = 0;  // edible things on screen one second in
};

// The long-play memory test's driver (it places the goo itself, no mouse): moves the goo at
// most kChaseSpeed towards the nearest thing smaller than it, skipping food that lies close to
// something at least as big as the goo.
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
        if (std::fabs(p.getX()) > game->getLevelWidth() / 2 ||
            std::fabs(p.getY()) > game->getLevelHeight() / 2)
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
        const double d =
            std::hypot(p.getX() - at.getX(), p.getY() - at.getY()) / (e->isSpecial() ? 3.0 : 1.0);
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
        gooEntity->setPos(
            WGUI::Vector2d(at.getX() + (p.getX() - at.getX()) * k, at.getY() + (p.getY() - at.getY()) * k));
    }
}

class ContentPlay : public leveltest::LevelFixture,
                    protected playtest::PlayScreens,
                    public ::testing::WithParamInterface<PlayCase>
{
protected:
    void AddAssets(std::map<std::string, std::string>& files) override
    {
        for (const char* f :
             {"strings.xml", "graphics/entitydefs.xml", "graphics/tiledefs.xml", "graphics/animationdefs.xml",
              "graphics/imagemaps.xml", "sounds/soundeffects.xml"})
            files[f] = ReadText(SourceAssets() + f);
        for (const auto& entry : std::filesystem::directory_iterator(SourceAssets() + "levels"))
            files["levels/" + entry.path().filename().string()] = ReadText(entry.path());
    }

    void SetUp() override
    {
        LevelFixture::SetUp();
        make(800, 600, "test", "player");
        Options::instance()->setMouseSensitivity(0.5);
    }
    void TearDown() override
    {
        destroy();
        LevelFixture::TearDown();
    }

    // What the player sees: the entities inside the camera's view.
    bool OnScreen(Entity* e) const
    {
        const WGUI::Vector2d p = e->getPos();
        const double r = e->getRadius();
        return p.getX() + r >= game->getSpriteLeft() && p.getX() - r <= game->getSpriteRight() &&
               p.getY() + r >= game->getSpriteTop() && p.getY() - r <= game->getSpriteBottom();
    }

    static bool Edible(Entity* e, double gooArea)
    {
        return e->getActualArea() < gooArea && e->getEntityDef() && e->getEntityDef()->isEdibleByGoo();
    }

    int FoodOnScreen()
    {
        Entity* goo = game->getGreyGooEntity();
        int n = 0;
        for (Entity* e : game->getEntityEngine()->getEntities())
            if (e != goo && !e->getDeleteMe() && OnScreen(e) && Edible(e, goo->getActualArea()))
                ++n;
        return n;
    }

    // One frame of the autopilot: choose a velocity from what is on screen and move the mouse
    // so that the goo's controller turns the goo's velocity towards it.
    void Steer(const Skill& skill, double& wanderAngle)
    {
        GreyGoo* goo = game->getGreyGoo();
        if (!goo || goo->getBeingEaten())
            return;
        Entity* me = game->getGreyGooEntity();
        const WGUI::Vector2d at = me->getPos();
        const double area = me->getActualArea(), myR = me->getRadius();
        double wantX = 0, wantY = 0;

        // Keep away from whatever is at least as big as the goo and near.
        double fleeX = 0, fleeY = 0;
        std::vector<Entity*> visible;
        for (Entity* e : game->getEntityEngine()->getEntities())
            if (e != me && !e->getDeleteMe() && !e->getBeingEaten() && OnScreen(e))
                visible.push_back(e);
        for (Entity* big : visible)
        {
            if (big->getActualArea() < area)
                continue;
            const double dx = at.getX() - big->getPos().getX(), dy = at.getY() - big->getPos().getY();
            const double d = std::hypot(dx, dy), reach = big->getRadius() + myR + skill.margin;
            if (d > 0 && d < reach)
            {
                const double push = (reach - d) / skill.margin + 0.3;
                fleeX += dx / d * push;
                fleeY += dy / d * push;
            }
        }
        // The nearest food worth taking: bigger bites count nearer, special things much nearer,
        // food close to something big is left alone.
        Entity* best = nullptr;
        double bestScore = 1e300;
        for (Entity* e : visible)
        {
            if (!Edible(e, area))
                continue;
            bool risky = false;
            for (Entity* big : visible)
                if (big->getActualArea() >= area && std::hypot(big->getPos().getX() - e->getPos().getX(),
                                                               big->getPos().getY() - e->getPos().getY()) <
                                                        big->getRadius() + 2 * myR + skill.margin * 0.5)
                    risky = true;
            if (risky)
                continue;
            double score = std::hypot(e->getPos().getX() - at.getX(), e->getPos().getY() - at.getY());
            score /= 1.0 + 1.5 * std::sqrt(e->getActualArea() / area);
            if (e->isSpecial())
                score /= 3.0;
            if (score < bestScore)
            {
                bestScore = score;
                best = e;
            }
        }
        if (best)
        {
            // Lead the target a little along its motion.
            const double px = best->getPos().getX() + best->getVel().getX() * 0.15;
            const double py = best->getPos().getY() + best->getVel().getY() * 0.15;
            const double d = std::hypot(px - at.getX(), py - at.getY());
            if (d > 0)
            {
                wantX = (px - at.getX()) / d;
                wantY = (py - at.getY()) / d;
            }
        }
        else
        {
            // Nothing to eat in sight: roam, turning slowly, and away from the edges.
            wanderAngle += 0.6 * kStepMs / 1000.0;
            wantX = std::cos(wanderAngle);
            wantY = std::sin(wanderAngle);
            const double w = game->getLevelWidth() / 2, h = game->getLevelHeight() / 2;
            wantX -= at.getX() / w * 1.2;
            wantY -= at.getY() / h * 1.2;
        }
        wantX += fleeX * 2.0;
        wantY += fleeY * 2.0;
        const double n = std::hypot(wantX, wantY);
        if (n > 0)
        {
            wantX = wantX / n * skill.speed;
            wantY = wantY / n * skill.speed;
        }
        // The mouse motion that gives the acceleration (the controller multiplies the motion
        // by 250 at the default sensitivity and brakes with a drag of 2 per second).
        const WGUI::Vector2d v = me->getVel();
        const double ax = (wantX - v.getX()) / skill.reaction + 2.0 * wantX;
        const double ay = (wantY - v.getY()) / skill.reaction + 2.0 * wantY;
        const int mx = static_cast<int>(std::lround(std::max(-60.0, std::min(60.0, ax / 250.0))));
        const int my = static_cast<int>(std::lround(std::max(-60.0, std::min(60.0, ay / 250.0))));
        if (mx || my)
            WGUI::Input::instance()->messageMouseMove(mx, my);
    }

    RunResult Play(const PlayCase& c, unsigned seed, const Skill& skill, double cap)
    {
        RunResult r;
        srand(seed);
        game->loadLevel(c.file, static_cast<LevelMode>(c.mode));
        EXPECT_NE(game->getLevel(), nullptr) << c.file;
        if (!game->getLevel() || !game->getGreyGoo())
            return r;
        EXPECT_FALSE(game->getEmitters().empty());
        game->setTipVisible(false);
        game->setPaused(false);
        EXPECT_TRUE(WGUI::Input::instance()->getUseRelativeMouse());
        double wanderAngle = seed * 0.7;
        const int frames = static_cast<int>(cap * 1000 / kStepMs) + 25;
        for (int frame = 0; frame < frames && !game->isWon() && !game->isFailed(); ++frame)
        {
            Steer(skill, wanderAngle);
            backend->AdvanceMs(kStepMs);
            manager->update();
            if (frame == static_cast<int>(1000 / kStepMs) && game->getGreyGoo())
                r.firstSecondFood = FoodOnScreen();
        }
        r.won = game->isWon();
        r.time = game->getLevelTime();
        r.failure = game->getFailureType();
        return r;
    }
};

const Skill kSkills[] = {{420, 110, 0.12}, {360, 140, 0.2}, {480, 90, 0.1}, {390, 125, 0.16}};

int RoundToInt(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

TEST_P(ContentPlay, LevelIsWonThroughTheMouse)
{
    const PlayCase& c = GetParam();
    const char* runsEnv = std::getenv("QF_MEDAL_RUNS");
    const int medalRuns = runsEnv ? std::atoi(runsEnv) : 0;
    if (medalRuns > 0 && c.mode == 1)
    {
        std::vector<double> times;
        std::string runs;  // each run's time in order, "-" for a lost run
        int lost = 0;
        double limit = 0;
        for (int i = 0; i < medalRuns; ++i)
        {
            const Skill& skill = kSkills[i % 4];
            game->loadLevel(c.file, LevelMode::kTimed);
            limit = game->getLevel()->timeLimit;
            // Played untimed, so that the times show how long the level takes, not the limit.
            RunResult r = Play({c.file, 0}, 1000u + 7919u * static_cast<unsigned>(i), skill, 400.0);
            char run[32];
            std::snprintf(run, sizeof run, r.won ? " %.1f" : " -", r.time);
            runs += run;
            if (r.won)
                times.push_back(r.time);
            else
            {
                ++lost;
                std::printf("lost %s run %d: failure %d after %.1f s\n", c.file, i, r.failure, r.time);
            }
        }
        std::sort(times.begin(), times.end());
        if (times.empty())
            times.push_back(-1);
        std::printf("medals %s best %.1f median %.1f worst %.1f lost %d limit %.0f\n", c.file, times.front(),
                    times[times.size() / 2], times.back(), lost, limit);
        std::printf("runs %s%s\n", c.file, runs.c_str());
        return;
    }

    // Timed levels: won within the limit; casual: within three times the gold time (no clock);
    // endurance: the goal reached within ten minutes.
    game->loadLevel(c.file, LevelMode::kTimed);
    ASSERT_NE(game->getLevel(), nullptr);
    const int gold = game->getLevel()->goldTime;
    const double limit = c.mode == 2 ? 600.0 : (c.mode == 1 ? game->getLevel()->timeLimit : 3.0 * gold);
    if (c.mode != 2)
    {
        ASSERT_GT(gold, 0) << c.file;
        EXPECT_EQ(game->getLevel()->timeLimit, RoundToInt(1.5 * gold)) << c.file;
    }
    game->loadLevel(c.file, static_cast<LevelMode>(c.mode));
    if (c.mode == 1)
    {
        EXPECT_GT(game->getLevel()->timeLimit, 0);
    }
    if (c.mode == 0)
    {
        EXPECT_LE(game->getLevel()->timeLimit, 0) << c.file << ": casual play is untimed";
    }

    // The autopilot is no perfect player either: one of three tries (other seeds, another
    // skill) must win.
    std::vector<double> wins;
    RunResult first;
    for (int attempt = 0; attempt < 3 && wins.empty(); ++attempt)
    {
        RunResult r = Play(c, 4242u + 7919u * static_cast<unsigned>(attempt) + static_cast<unsigned>(c.mode),
                           kSkills[attempt], limit);
        if (attempt == 0)
            first = r;
        std::printf("%s mode %d try %d: %s after %.1f s of %.0f (failure %d), food on screen at 1 s: %d\n",
                    c.file, c.mode, attempt + 1, r.won ? "won" : "NOT WON", r.time, limit, r.failure,
                    r.firstSecondFood);
        if (r.won)
            wins.push_back(r.time);
    }
    EXPECT_GE(first.firstSecondFood, 3) << c.file << ": too little food on screen at the start";
    ASSERT_FALSE(wins.empty()) << c.file << " mode " << c.mode << " was not won in three tries";
    EXPECT_LE(wins.front(), limit);
    if (c.mode == 1)
    {
        // The medal rule: gold is the autopilot's best time over many runs (raised so that its
        // median run earns bronze), so no single run beats gold by far.
        EXPECT_GE(wins.front(), 0.4 * gold) << c.file << ": gold " << gold << " is too easy";
    }
}

std::vector<PlayCase> Cases()
{
    const char* const levels[] = {
        "soil.xml",    "bacteria.xml", "blood.xml",   "amoeba.xml",  "bugs1.xml",   "bugs2.xml",
        "bugs3.xml",   "bugs4.xml",    "bugs5.xml",   "table1.xml",  "table2.xml",  "table3.xml",
        "table4.xml",  "table5.xml",   "table6.xml",  "table7.xml",  "fish1.xml",   "fish2.xml",
        "fish3.xml",   "grass1.xml",   "grass2.xml",  "grass3.xml",  "grass4.xml",  "grass5.xml",
        "grass6.xml",  "city1.xml",    "city2.xml",   "city3.xml",   "city4.xml",   "city5.xml",
        "city6.xml",   "city7.xml",    "city8.xml",   "sky1.xml",    "sky2.xml",    "sky3.xml",
        "sky4.xml",    "sky5.xml",     "sky6.xml",    "sky7.xml",    "space1.xml",  "space2.xml",
        "space3.xml",  "space4.xml",   "space5.xml",  "space6.xml",  "space7.xml",  "space8.xml",
        "space9.xml",  "space10.xml",  "space11.xml", "space12.xml", "space13.xml", "space14.xml",
        "space15.xml", "space16.xml",  "space17.xml", "space18.xml", "space19.xml", "end.xml"};
    std::vector<PlayCase> cases;
    for (const char* l : levels)
        cases.push_back({l, 1});
    for (const char* l : levels)
        cases.push_back({l, 0});
    for (const char* l : {"amoebaendurance.xml", "fishendurance.xml", "clusterendurance.xml"})
        cases.push_back({l, 2});
    return cases;
}

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
    // The scene needs only the built assets and a software GL context, which every build has:
    // a scene that cannot be set up is a failure, never a reason to skip the soak.
    if (!scene.setUp(std::string(binary ? binary : ".") + "/assets", &error))
    {
        scene.tearDown();
        FAIL() << "the play scene could not be set up: " << error;
    }
    GameWindow* game = scene.getGame();
    const char* const levels[] = {"soil.xml",  "bugs1.xml", "table1.xml", "fish1.xml",          "grass1.xml",
                                  "city1.xml", "sky1.xml",  "space1.xml", "amoebaendurance.xml"};
    const size_t kLevels = sizeof(levels) / sizeof(levels[0]);
    double played = 0;
    size_t baseline = 0, peak = 0;
    int rounds = 0;
    srand(99);
    for (size_t i = 0; played < kPlaySeconds; ++i)
    {
        const char* file = levels[i % kLevels];
        const bool endurance = std::string(file).find("endurance") != std::string::npos;
        game->loadLevel(file, endurance ? LevelMode::kEndurance : LevelMode::kTimed);
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
    n = n.substr(0, n.size() - 4);
    return n + (info.param.mode == 0 ? "_casual" : (info.param.mode == 1 ? "_timed" : "_endurance"));
}

INSTANTIATE_TEST_SUITE_P(Levels, ContentPlay, ::testing::ValuesIn(Cases()), CaseName);

}  // namespace

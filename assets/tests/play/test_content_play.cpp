// Every shipped level played on the real play screen with the shipped data, in each of its modes,
// by an autopilot that plays as a player does: it sees only what is on the screen (the visible
// part of the level around the camera) and steers only by moving the mouse, through the goo's
// own controller. Each level must load, keep food in sight and be won.
//
// The autopilot is deterministic: a run is fixed by its number i (seed 1000 + 7919 i, skill
// i mod 4) and played in the timed mode with the clock switched off, so that its time shows how
// long the level takes, not the limit. With QF_MEDAL_RUNS=n set, the timed cases play runs 0 to
// n - 1 of each level and print "medals <file> best <s> median <s> worst <s> lost <k> limit <s>",
// "runs <file>" with each run's time ("-" for a lost run) and "food <file> min <k>"; the runs
// lines are what assets/tests/autopilot_runs.txt records and tools/levelgen sets the medal
// times from. Unset, as in CI, a timed case replays the one recorded run that is the level's
// median: it must take the recorded time (else the record is stale and the levels must be
// measured again) and finish inside bronze.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
#include "wgui_imagemap.h"
#include "wgui_input.h"

using namespace Game;

namespace
{

using contenttest::MedianRun;
using contenttest::PlanRow;
using contenttest::ReadPlan;
using contenttest::ReadRecordedRuns;
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
    int leanestFood = 1000;   // the fewest edible things on screen in the first 30 s
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

    // Plays one run. clockOff: the level is loaded as c.mode says and its time limit switched
    // off, so that the run shows how long the level takes.
    RunResult Play(const PlayCase& c, unsigned seed, const Skill& skill, double cap, bool clockOff = false)
    {
        RunResult r;
        srand(seed);
        game->loadLevel(c.file, static_cast<LevelMode>(c.mode));
        EXPECT_NE(game->getLevel(), nullptr) << c.file;
        if (!game->getLevel() || !game->getGreyGoo())
            return r;
        if (clockOff)
            game->getLevel()->hasTimeLimit = false;
        EXPECT_FALSE(game->getEmitters().empty());
        game->setTipVisible(false);
        game->setPaused(false);
        EXPECT_TRUE(WGUI::Input::instance()->getUseRelativeMouse());
        double wanderAngle = seed * 0.7;
        const int frames = static_cast<int>(cap * 1000 / kStepMs) + 25;
        const int leanFrames = static_cast<int>(30000 / kStepMs);
        for (int frame = 0; frame < frames && !game->isWon() && !game->isFailed(); ++frame)
        {
            // (a goo being eaten has nothing left to eat: those frames are the loss, not the level)
            if (frame > 0 && frame < leanFrames && game->getGreyGoo() && !game->getGreyGoo()->getBeingEaten())
                r.leanestFood = std::min(r.leanestFood, FoodOnScreen());
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

    // Run i of the recorded series: its seed and skill follow from i alone.
    RunResult RecordedRun(const char* file, int i)
    {
        return Play({file, 1}, 1000u + 7919u * static_cast<unsigned>(i), kSkills[i % 4], 400.0, true);
    }

    static const Skill kSkills[4];
};

const Skill ContentPlay::kSkills[4] = {{420, 110, 0.12}, {360, 140, 0.2}, {480, 90, 0.1}, {390, 125, 0.16}};

// The timed mode's times of a level as the game reads them.
struct TimedTimes
{
    int limit = 0, gold = 0, silver = 0, bronze = 0;
};

// Each timed level n times: the figures its medal times are set from. The runs must keep to the
// rule the medal times follow: the median run inside bronze, at most a tenth of the runs over
// the limit, and none at all in the first world, where a new player starts.
void MeasureMedals(const char* file, int n, const std::function<RunResult(int)>& run, const TimedTimes& t,
                   const PlanRow& plan)
{
    std::vector<double> times;
    std::string runs;  // each run's time in order, "-" for a lost run
    std::string lean;  // each run's fewest edible things on screen in the first 30 s
    int lost = 0, overLimit = 0, leanest = 1000;
    for (int i = 0; i < n; ++i)
    {
        const RunResult r = run(i);
        char text[32];
        std::snprintf(text, sizeof text, r.won ? " %.1f" : " -", r.time);
        runs += text;
        leanest = std::min(leanest, r.leanestFood);
        lean += " " + std::to_string(r.leanestFood);
        if (r.won)
            times.push_back(r.time);
        else
        {
            ++lost;
            std::printf("lost %s run %d: failure %d after %.1f s\n", file, i, r.failure, r.time);
        }
        if (!r.won || r.time > t.limit)
            ++overLimit;
    }
    std::sort(times.begin(), times.end());
    if (times.empty())
        times.push_back(-1);
    const double median = times[times.size() / 2];
    std::printf("medals %s best %.1f median %.1f worst %.1f lost %d limit %d\n", file, times.front(), median,
                times.back(), lost, t.limit);
    std::printf("runs %s%s\n", file, runs.c_str());
    std::printf("food %s min %d, each run:%s\n", file, leanest, lean.c_str());
    EXPECT_GE(median, 0) << file << ": no run won";
    EXPECT_LE(std::floor(median), t.bronze) << file << ": the median run no longer earns bronze";
    if (plan.world == "micro")
    {
        EXPECT_EQ(overLimit, 0) << file << ": a run of the first world ran out of time";
    }
    else
    {
        EXPECT_LE(overLimit * 10, n) << file << ": " << overLimit << " of " << n << " runs ran out of time";
    }
    EXPECT_GE(leanest, plan.foodFloor) << file << ": too little food on screen in the first 30 s";
}

TEST_P(ContentPlay, LevelIsWonThroughTheMouse)
{
    const PlayCase& c = GetParam();
    static const std::map<std::string, PlanRow> plan = ReadPlan();
    static const std::map<std::string, std::vector<double>> recorded = ReadRecordedRuns();
    const auto planRow = plan.find(c.file);
    ASSERT_NE(planRow, plan.end()) << c.file << " is not in the campaign plan";

    game->loadLevel(c.file, LevelMode::kTimed);
    ASSERT_NE(game->getLevel(), nullptr);
    TimedTimes t;
    t.limit = game->getLevel()->timeLimit;
    t.gold = game->getLevel()->goldTime;
    t.silver = game->getLevel()->silverTime;
    t.bronze = game->getLevel()->bronzeTime;
    if (c.mode != 2)
    {
        ASSERT_GT(t.gold, 0) << c.file;
        EXPECT_TRUE(t.gold < t.silver && t.silver < t.bronze && t.bronze < t.limit) << c.file;
        EXPECT_TRUE(game->getLevel()->hasTimeLimit) << c.file;
    }

    const char* runsEnv = std::getenv("QF_MEDAL_RUNS");
    const int medalRuns = runsEnv ? std::atoi(runsEnv) : 0;
    if (medalRuns > 0 && c.mode == 1)
    {
        MeasureMedals(
            c.file, medalRuns, [&](int i) { return RecordedRun(c.file, i); }, t, planRow->second);
        return;
    }

    if (c.mode == 1)
    {
        // The median run of the record, replayed: the same time, inside bronze.
        const auto runs = recorded.find(c.file);
        ASSERT_NE(runs, recorded.end()) << c.file << " has no recorded runs";
        const int i = MedianRun(runs->second);
        ASSERT_GE(i, 0) << c.file << ": no recorded run was won";
        const RunResult r = RecordedRun(c.file, i);
        std::printf("%s: recorded median run %d took %.1f s, now %s after %.1f s (bronze %d, limit %d), "
                    "food on screen: %d at 1 s, at least %d in the first 30 s\n",
                    c.file, i, runs->second[i], r.won ? "won" : "NOT WON", r.time, t.bronze, t.limit,
                    r.firstSecondFood, r.leanestFood);
        EXPECT_TRUE(r.won) << c.file;
        EXPECT_NEAR(r.time, runs->second[i], 0.051)
            << c.file << ": the recorded runs are stale; measure the levels again (QF_MEDAL_RUNS=32)";
        EXPECT_LE(std::floor(r.time), t.bronze) << c.file << ": the median run no longer earns bronze";
        EXPECT_GE(r.leanestFood, planRow->second.foodFloor)
            << c.file << ": too little food on screen in the first 30 s";
        return;
    }

    // Casual: within three times the gold time (no clock); endurance: the goal reached within ten
    // minutes. The autopilot is no perfect player: one of three tries (other seeds, another
    // skill) must win.
    game->loadLevel(c.file, static_cast<LevelMode>(c.mode));
    EXPECT_LE(game->getLevel()->timeLimit, 0) << c.file << ": casual and endurance play are untimed";
    const double limit = c.mode == 2 ? 600.0 : 3.0 * t.gold;
    std::vector<double> wins;
    RunResult first;
    for (int attempt = 0; attempt < 3 && wins.empty(); ++attempt)
    {
        RunResult r = Play(c, 4242u + 7919u * static_cast<unsigned>(attempt) + static_cast<unsigned>(c.mode),
                           kSkills[attempt], limit);
        if (attempt == 0)
            first = r;
        std::printf("%s mode %d try %d: %s after %.1f s of %.0f (failure %d), food on screen: %d at 1 s, "
                    "at least %d in the first 30 s\n",
                    c.file, c.mode, attempt + 1, r.won ? "won" : "NOT WON", r.time, limit, r.failure,
                    r.firstSecondFood, r.leanestFood);
        if (r.won)
            wins.push_back(r.time);
    }
    EXPECT_GE(first.leanestFood, planRow->second.foodFloor)
        << c.file << ": too little food on screen in the first 30 s";
    ASSERT_FALSE(wins.empty()) << c.file << " mode " << c.mode << " was not won in three tries";
    EXPECT_LE(wins.front(), limit);
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

// Sets up the real play screen over the build's assets (QF_BINARY_DIR). The scene needs only the
// built assets and a software GL context, which every build has: a scene that cannot be set up is
// a failure, never a reason to skip.
::testing::AssertionResult SetUpPlayScene(playscene::PlayScene& scene)
{
    std::string error;
    if (scene.setUp(contenttest::BuiltAssets(), &error))
        return ::testing::AssertionSuccess();
    scene.tearDown();
    return ::testing::AssertionFailure() << "the play scene could not be set up: " << error;
}

// The pictures the goo draws (its body, eyes, lids, reticle and helper arrow) are not held
// from start-up: each level loads them with its own, and the gallery, which lets go of every
// picture it does not show, lets go of them too until the next level.
TEST(ContentGooPictures, EachLevelLoadsTheGoosPictures)
{
    playscene::PlayScene scene;
    ASSERT_TRUE(SetUpPlayScene(scene));
    const char* const gooMaps[] = {"goo", "eyeball", "pupil", "eyelid", "reticle", "arrow"};
    auto expectLoaded = [&](bool loaded, const char* when)
    {
        for (const char* name : gooMaps)
        {
            WGUI::ImageMap* map = WGUI::ImageMaps::get(name);
            ASSERT_NE(map, nullptr) << name;
            EXPECT_EQ(map->isImageLoaded(), loaded) << name << " " << when;
        }
    };
    expectLoaded(true, "with the first level");
    WGUI::ImageMaps::instance()->setAllNeeded(0);
    WGUI::ImageMaps::instance()->loadUnloadNeeded();
    expectLoaded(false, "once a gallery page let go of them");
    for (const char* level : {"bugs1.xml", "amoebaendurance.xml"})
    {
        scene.getGame()->loadLevel(level, LevelMode::kTimed);
        ASSERT_NE(scene.getGame()->getLevel(), nullptr) << level;
        expectLoaded(true, level);
    }
    scene.tearDown();
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
    playscene::PlayScene scene;
    ASSERT_TRUE(SetUpPlayScene(scene));
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

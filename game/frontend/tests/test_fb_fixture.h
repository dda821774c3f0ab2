// Fixture of the tests of the front end's dialogs and pages: a platform facade over the fake
// backend, a renderer on the recording display handler, scratch assets and user folders, the
// GUI manager (800 x 600) with the screens under test added to its root, and a play-screen
// access that hands out the test's eaten totals. Every game service is deleted after each test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/str.h"
#include "headlessplatform.h"
#include "playscreenaccess.h"
#include "services/eatenentities.h"
#include "wgui_window.h"

class FakeBackend;
class TPlatformData;
class TPlatform;
class TRecordingDisplayHandler;

namespace Game::fbtest
{

// An entity kind of the tests.
class FakeKind : public EntityKind
{
public:
    FakeKind(const std::string& name, bool edible) : name(name.c_str()), edible(edible) {}
    str getKindName() const override { return name; }
    bool isEdibleByGoo() const override { return edible; }
    WGUI::ImageMap* getKindImageMap() const override { return map; }
    int getKindCell() const override { return 0; }
    WGUI::AnimationDef* getKindAnimationDef() const override { return nullptr; }
    str name;
    bool edible;
    WGUI::ImageMap* map = nullptr;
};

class FakeKinds : public EntityKinds
{
public:
    void getKinds(std::vector<EntityKind*>& out) const override
    {
        for (const auto& k : kinds)
            out.push_back(k.get());
    }
    std::vector<std::unique_ptr<FakeKind>> kinds;
};

// A play access with no play screen behind it: no level loads, and the fixture's totals are the
// play screen's. The calls the screens make are recorded.
class FakePlayAccess : public PlayScreenAccess
{
public:
    std::unique_ptr<WGUI::Window> createGameWindow() override { return nullptr; }
    std::vector<std::unique_ptr<WGUI::Window>> createLevelDialogs(int) override { return {}; }
    TotalEntitiesEaten* getTotalEntitiesEaten(WGUI::Window*) override { return totals; }
    bool loadLevel(WGUI::Window*, const str&, LevelMode) override { return false; }
    bool levelFirstSongOnly(WGUI::Window*) override { return false; }
    bool levelHasInitialComic(WGUI::Window*) override { return false; }
    bool getLevelTimes(WGUI::Window*, int&, int&, int&, int&) override { return false; }
    void setPaused(WGUI::Window*, bool paused) override { pausedCalls.push_back(paused); }
    std::vector<ComicPageFiles> comicPages(WGUI::Window* game, bool end) override
    {
        return pages ? pages(game, end) : std::vector<ComicPageFiles>();
    }
    bool kindLook(EntityKind*, GalleryKindLook&) override { return false; }
    bool kindNeedImages(EntityKind*, int) override { return false; }
    void scaleGooArea(WGUI::Window*, double factor) override { gooScales.push_back(factor); }
    void scaleLevelTime(WGUI::Window*, double factor) override { timeScales.push_back(factor); }
    void setPauseTransition(WGUI::Window* game) override { pauseTransitions.push_back(game); }
    void createSingletons() override {}
    void deleteSingletons() override {}

    std::vector<double> gooScales, timeScales;
    std::vector<WGUI::Window*> pauseTransitions;
    TotalEntitiesEaten* totals = nullptr;
    std::vector<bool> pausedCalls;
    std::function<std::vector<ComicPageFiles>(WGUI::Window* game, bool end)> pages;
};

class FrontEndTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A screen made by the test: hidden, added to the root, deleted after the test.
    template <class W>
    W* add(W* w)
    {
        w->setVisible(false);
        addScreen(w);
        return w;
    }
    void addScreen(WGUI::Window* w);
    // A plain named screen standing in for one not under test ("mainmenu", "gamepaused"...).
    WGUI::Window* stub(const char* name);

    // Frames of ms milliseconds each (the manager's update, then its draw).
    void frames(int n, unsigned ms = 16);
    // Runs frames until the predicate holds or the budget runs out; the frames used.
    template <class P>
    int framesUntil(P pred, int budget = 400)
    {
        for (int i = 0; i < budget; ++i)
        {
            if (pred())
                return i;
            frames(1);
        }
        return -1;
    }

    // Host files.
    void writeFile(const std::string& relative, const std::string& bytes);
    std::string readFile(const std::string& relative) const;
    bool fileExists(const std::string& relative) const;
    void writeAsset(const std::string& relative, const std::string& bytes);

    // A profile made active in Profiles and LevelProgress (and the totals, when made).
    void activeProfile(const std::string& name);
    // Records of n levels named "lvl<i>" in the mode; timed ones with medal times gold 100,
    // silver 200, bronze 300.
    void grantLevels(LevelMode mode, int n, bool completed, int time);
    // Eaten totals over kinds named "k00".."k<n-1>" (all edible).
    TotalEntitiesEaten* makeTotals(int n);

    THeadlessPlatform headless;  // the scratch folders, the renderer and the platform
    std::string root, savedCwd;
    FakeBackend* backend = nullptr;
    TPlatformData* data = nullptr;
    TPlatform* platform = nullptr;
    TRecordingDisplayHandler* handler = nullptr;
    std::vector<WGUI::Window*> screensMade;
    FakePlayAccess access;
    FakeKinds kinds;
    std::unique_ptr<TotalEntitiesEaten> totals;
    std::vector<std::string> debugLines;
};

}  // namespace Game::fbtest
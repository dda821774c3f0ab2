// Fixture of the controller, goo, path and special-kind tests: a platform facade over the fake
// backend (its clock moves only when a test ticks it, so every frame has a fixed time step), a
// renderer on the recording display handler, scratch user and resource folders, a seeded C
// random generator, and a stand-in play screen that records what the entities report to it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/platformdata.h"
#include "app/seams.h"
#include "controller.h"
#include "entity.h"
#include "entitydef.h"
#include "entityengine.h"
#include "fakebackend.h"
#include "headlessplatform.h"
#include "foundation/file.h"
#include "greygoo.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "services/cheats.h"
#include "services/collisionshapes.h"
#include "services/options.h"
#include "services/particles.h"
#include "services/servicelifetime.h"
#include "services/soundeffects.h"
#include "wgui_manager.h"
#include "wgui_animation.h"
#include "wgui_imagemap.h"
#include "wgui_input.h"
#include "wgui_timer.h"
#include "wgui_window.h"
#include "window/windowhooks.h"

namespace Game::playtest
{

// The play screen as the entities and controllers see it: level bounds, the goo, a particle
// pool, an entity engine, and records of shots, goo positions and meals.
class TestPlayWindow : public WGUI::Window, public GameWindowBase, public PlayWindowBase
{
public:
    struct Shot
    {
        int shot;
        WGUI::Vector2d pos;
        double angle;
    };

    TestPlayWindow(double width, double height, int particleCount) : levelWidth(width), levelHeight(height)
    {
        setSpriteLeft(-320);
        setSpriteRight(320);
        setSpriteTop(-240);
        setSpriteBottom(240);
        if (particleCount > 0)
            particles = std::make_unique<ParticleEngine>(this, particleCount);
    }

    double getLevelLeft() override { return -levelWidth / 2; }
    double getLevelRight() override { return levelWidth / 2; }
    double getLevelTop() override { return -levelHeight / 2; }
    double getLevelBottom() override { return levelHeight / 2; }
    double getLevelWidth() override { return levelWidth; }
    double getLevelHeight() override { return levelHeight; }
    Entity* getGreyGooEntity() override { return goo; }
    WGUI::Vector2d getGooPos() override { return gooPos; }
    ParticleEngine* getParticleEngine() override { return particles.get(); }
    double getGrowthRate() override { return growthRate; }

    void shoot(int shot, WGUI::Vector2d pos, double angle) override { shots.push_back({shot, pos, angle}); }
    void setGooPos(WGUI::Vector2d p) override
    {
        gooPos = p;
        ++gooPosReports;
    }
    void gooAteEntity(Entity* eatee) override { eaten.push_back(eatee); }
    void setGreyGoo(GreyGoo* g) override
    {
        goo = g;
        ++setGreyGooCalls;
    }
    EntityEngine* getEntityEngine() override { return engine; }

    double levelWidth, levelHeight;
    double growthRate = 0.1;
    Entity* goo = nullptr;
    WGUI::Vector2d gooPos;
    int gooPosReports = 0;
    int setGreyGooCalls = 0;
    std::unique_ptr<ParticleEngine> particles;
    EntityEngine* engine = nullptr;
    std::vector<Shot> shots;
    std::vector<Entity*> eaten;
};

class PlayFixture : public ::testing::Test
{
protected:
    // The fixed frame time of Tick(), in milliseconds.
    static const unsigned kFrameMs = 20;

    void SetUp() override
    {
        THeadlessOptions options;
        options.prefix = "playtest";
        ASSERT_NO_FATAL_FAILURE(headless.SetUp(options));
        WGUI::Timer::instance();
        srand(12345);
    }

    void TearDown() override
    {
        entities.clear();
        engineOwned.reset();
        windowOwned.reset();
        defs.clear();
        // The services and the GUI singletons a look-up made (no manager here).
        GameServices::shutDown();
        headless.TearDown();
    }

    // One frame of the given length: the clock moves and the library's timer reads it.
    void Tick(unsigned ms = kFrameMs)
    {
        backend->AdvanceMs(ms);
        WGUI::Timer::instance()->update();
    }

    double Dt() const { return WGUI::Timer::instance()->getDeltaT(); }

    TestPlayWindow* MakeWindow(double width = 2000, double height = 1000, int particles = 200)
    {
        windowOwned = std::make_unique<TestPlayWindow>(width, height, particles);
        return windowOwned.get();
    }

    // An entity engine on the window, with its layers; entities given to it are its own.
    EntityEngine* MakeEngine()
    {
        engineOwned = std::make_unique<EntityEngine>(windowOwned.get());
        engineOwned->createPartionLayers(windowOwned->levelWidth, windowOwned->levelHeight);
        windowOwned->engine = engineOwned.get();
        return engineOwned.get();
    }

    // A definition with one circle of radius 0.5 (in units of the bigger dimension).
    EntityDef* MakeDef(const std::string& name)
    {
        auto d = std::make_unique<EntityDef>();
        d->name = str(name.c_str());
        d->determineCustomType();
        d->intersectionShapes.push_back(new WGUI::Circle(WGUI::Vector2d(0, 0), 0.5));
        defs.push_back(std::move(d));
        return defs.back().get();
    }

    // A plain entity owned by the fixture (not by an engine).
    Entity* MakeEntity(EntityDef* def, double area, WGUI::Vector2d pos)
    {
        auto e = std::make_unique<Entity>(def, windowOwned.get());
        e->setActualArea(area);
        e->setDisplayArea(area);
        e->setPos(pos);
        e->updateIntersectionShapes();
        entities.push_back(std::move(e));
        return entities.back().get();
    }

    // An entity handed to the engine.
    Entity* AddEntity(EntityDef* def, double area, WGUI::Vector2d pos)
    {
        Entity* e = def->createNewEntity(windowOwned.get());
        e->setActualArea(area);
        e->setDisplayArea(area);
        e->setPos(pos);
        e->updateIntersectionShapes();
        engineOwned->addEntity(e);
        return e;
    }

    THeadlessPlatform headless;
    // The headless platform's parts, under the names the tests use.
    std::string& root = headless.folders.root;
    FakeBackend*& backend = headless.backend;
    TPlatformData*& data = headless.data;
    TPlatform*& platform = headless.platform;
    TRecordingDisplayHandler*& handler = headless.handler;
    // Declared so that entities go before the engine, the engine before the window, and the
    // definitions last.
    std::vector<std::unique_ptr<EntityDef>> defs;
    std::unique_ptr<TestPlayWindow> windowOwned;
    std::unique_ptr<EntityEngine> engineOwned;
    std::vector<std::unique_ptr<Entity>> entities;
};

}  // namespace Game::playtest
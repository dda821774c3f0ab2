// Fixtures of the entity and engine tests: a fake play screen (level rectangle, goo, growth
// rate, particle pool), a scripted controller, definitions built in memory or read from a
// scratch graphics folder, and a fixed frame time driven through the library's timer.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "entity.h"
#include "entitydef.h"
#include "entityengine.h"
#include "partition.h"
#include "services/collisionshapes.h"
#include "services/particles.h"
#include "test_core_fixture.h"
#include "wgui_window.h"
#include "wgui_xmldocument.h"

namespace Game::playtest
{

// The play screen as entities see it: a level centred on the origin.
class FakeGameWindow : public WGUI::Window, public GameWindowBase
{
public:
    FakeGameWindow() : particles(this, 200) {}
    double getLevelLeft() override { return -levelW / 2; }
    double getLevelRight() override { return levelW / 2; }
    double getLevelTop() override { return -levelH / 2; }
    double getLevelBottom() override { return levelH / 2; }
    double getLevelWidth() override { return levelW; }
    double getLevelHeight() override { return levelH; }
    Entity* getGreyGooEntity() override { return goo; }
    WGUI::Vector2d getGooPos() override { return goo ? goo->getPos() : gooPos; }
    ParticleEngine* getParticleEngine() override { return &particles; }
    double getGrowthRate() override { return growthRate; }

    double levelW = 2000, levelH = 1000;
    Entity* goo = nullptr;
    WGUI::Vector2d gooPos;
    double growthRate = 0.1;
    ParticleEngine particles;
};

// A controller whose priority and first flag the test sets; counts its calls.
class ScriptedController : public EntityControllerBase
{
public:
    explicit ScriptedController(double priority, bool first = false) : priority(priority), first(first) {}
    void setEntity(Entity* e) override { entity = e; }
    Entity* getEntity() override { return entity; }
    void update(bool wasFirst) override
    {
        ++updates;
        lastFirstFlag = wasFirst;
        if (onUpdate)
            onUpdate();
    }
    double getPriority() override { return priority; }
    bool isFirst() override { return first; }
    void doControl() override { ++controls; }
    void targetDeleted(Entity* t) override { deletedTargets.push_back(t); }
    bool affectEntity(Entity* c) override { return !filter || filter(c); }

    Entity* entity = nullptr;
    double priority;
    bool first;
    int updates = 0, controls = 0;
    bool lastFirstFlag = false;
    std::vector<Entity*> deletedTargets;
    std::function<bool(Entity*)> filter;
    std::function<void()> onUpdate;
};

class CountingEmitter : public EntityEmitterBase
{
public:
    void emittedEntityDeleted() override { ++deleted; }
    int deleted = 0;
};

class EntityTest : public wguitest::PlatformFixture
{
protected:
    void SetUp() override
    {
        wguitest::PlatformFixture::SetUp();
        srand(12345);
        game = std::make_unique<FakeGameWindow>();
        game->setSpriteLeft(-320);
        game->setSpriteRight(320);
        game->setSpriteTop(-240);
        game->setSpriteBottom(240);
        SetDt(20);
    }

    void TearDown() override
    {
        made.clear();
        game.reset();
        defs.reset();
        ownedDefs.clear();
        wguitest::PlatformFixture::TearDown();
    }

    // Every frame after this lasts ms milliseconds.
    void SetDt(unsigned ms)
    {
        frameMs = ms;
        WGUI::Timer::instance();  // the first reading starts from the clock as it is now
        wguitest::Tick(backend, ms);
    }
    void Frame() { wguitest::Tick(backend, frameMs); }

    // A definition with one circle of radius 0.5 (the entity's bigger dimension across).
    EntityDef* MakeDef(const std::string& name, bool withShape = true)
    {
        auto def = std::make_unique<EntityDef>();
        def->name = name.c_str();
        def->determineCustomType();
        if (withShape)
            def->intersectionShapes.push_back(new WGUI::Circle(WGUI::Vector2d(0, 0), 0.5));
        ownedDefs.push_back(std::move(def));
        return ownedDefs.back().get();
    }

    static void AddRule(EntityDef* def, EntityDef* target, int condition, int effect)
    {
        Reaction* r = new Reaction();
        r->target = target;
        r->condition = condition;
        r->effect = effect;
        def->reactions.push_back(r);
    }

    // An entity of area a at (x, y), shapes placed.
    Entity* Make(EntityDef* def, double area, double x = 0, double y = 0)
    {
        Entity* e = new Entity(def, game.get());
        e->setActualArea(area);
        e->setDisplayArea(area);
        e->setPos(WGUI::Vector2d(x, y));
        e->updateIntersectionShapes();
        made.emplace_back(e);
        return e;
    }

    // Hands an entity made by Make over to an engine.
    Entity* Release(Entity* e)
    {
        for (auto& p : made)
            if (p.get() == e)
                p.release();
        return e;
    }

    // Reads definitions from text through the graphics folder.
    EntityDefs* ReadDefs(const std::string& xml)
    {
        WriteFile("res/assets/graphics/testdefs.xml", xml);
        TFile::ScanForResources();
        defs = std::make_unique<EntityDefs>(false);
        loaded = defs->readXML("testdefs.xml");
        return defs.get();
    }

    std::unique_ptr<FakeGameWindow> game;
    std::unique_ptr<EntityDefs> defs;
    bool loaded = false;
    std::vector<std::unique_ptr<EntityDef>> ownedDefs;
    std::vector<std::unique_ptr<Entity>> made;
    unsigned frameMs = 20;
};

}  // namespace Game::playtest
// Reads an entity-definition table from the input and puts every definition to use: an entity
// of each kind at a few sizes, its shapes placed, and the reaction chosen, the intersection
// tested and the push-out run for every pair (bounded).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "entity.h"
#include "entitydef.h"
#include "wgui_xmldocument.h"

using namespace Game;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WGUI::XmlDocument doc(false);
    if (!doc.parseText(reinterpret_cast<const char*>(data), size))
        return 0;
    EntityDefs defs(false);
    defs.readRoot(doc.getRoot());

    std::vector<std::unique_ptr<Entity>> entities;
    double area = 1.0;
    for (const auto& kv : defs.getEntityDefs())
    {
        if (entities.size() >= 32)
            break;
        EntityDef* def = kv.second;
        def->setNeededImages(64);
        std::unique_ptr<Entity> e(def->createNewEntity(nullptr));
        if (!e)
            continue;
        for (double a : {0.0, -1.0, 1e-300, 1e300, area})
            e->setDisplayArea(a);
        e->setActualArea(area);
        e->setPos(WGUI::Vector2d(area, -area));
        e->setAngle(area * 37);
        e->updateIntersectionShapes();
        area *= 3.0;
        entities.push_back(std::move(e));
    }
    for (auto& a : entities)
    {
        for (auto& b : entities)
        {
            (void)a->getCollisionEffect(b.get());
            (void)a->checkIntersection(b.get());
            for (int c = -1; c <= 6; ++c)
                (void)Condition::conditionMet(c, a.get(), b.get());
        }
    }
    if (entities.size() >= 2)
    {
        double n = 0;
        entities[0]->setVel(WGUI::Vector2d(10, 0));
        (void)entities[0]->correctIntersection(entities[1].get(), n);
    }
    return 0;
}

// Reads a level from the input, in the casual and the timed mode, with a small fixed table of
// entity definitions; every emitter the level keeps then makes a few entities, and the tile
// layers are updated and their visible range drawn.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <list>
#include <memory>

#include "controller.h"
#include "emitter.h"
#include "entity.h"
#include "entitydef.h"
#include "entityengine.h"
#include "level.h"
#include "tiles.h"
#include "wgui_window.h"
#include "wgui_xmldocument.h"

using namespace Game;

namespace
{

const char kDefs[] =
    "<entitydefs>"
    "<entitydef name=\"greygoo\" groweat=\"true\"><intersectionshapes><circle posx=\"0\" posy=\"0\" "
    "radius=\"0.5\"/></intersectionshapes><reaction entitydef=\"default\" condition=\"smaller\" "
    "effect=\"eat\"/></entitydef>"
    "<entitydef name=\"food\"><intersectionshapes><circle posx=\"0\" posy=\"0\" radius=\"0.5\"/>"
    "</intersectionshapes></entitydef>"
    "<entitydef name=\"spit\" matchangletovel=\"true\"/>"
    "</entitydefs>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WGUI::XmlDocument defsDoc(false);
    if (!defsDoc.parseText(kDefs, std::strlen(kDefs)))
        return 0;
    EntityDefs defs(false);
    defs.readRoot(defsDoc.getRoot());
    ControllerTypes types;

    for (LevelMode mode : {LevelMode::kCasual, LevelMode::kTimed})
    {
        WGUI::Window window;
        window.setSpriteLeft(-320);
        window.setSpriteRight(320);
        window.setSpriteTop(-240);
        window.setSpriteBottom(240);
        std::list<std::unique_ptr<EntityEmitter>> emitters;
        auto engine = std::make_unique<EntityEngine>(&window);
        auto tiles = std::make_unique<TileEngine>(&window);
        {
            Level level(tiles.get(), engine.get(), &defs, &types, mode, &emitters);
            level.readText("fuzz.xml", reinterpret_cast<const char*>(data), size);
            tiles->setLevelDim(-100, -100, 100, 100);
            tiles->update();
            tiles->drawBottom();
            tiles->drawTop();
            for (const std::unique_ptr<EntityEmitter>& owned : emitters)
            {
                EntityEmitter* e = owned.get();
                e->setNeededImages();
                for (int i = 0; i < 3 && engine->getNumEntities() < 64; ++i)
                {
                    e->emit();
                    if (auto* shot = dynamic_cast<EmitterShot*>(e))
                        shot->emit(WGUI::Vector2d(1, 2), 45);
                }
            }
        }
        // Entities first: path followers borrow their emitters' paths.
        engine.reset();
        emitters.clear();
    }
    return 0;
}

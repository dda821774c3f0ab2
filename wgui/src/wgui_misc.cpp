// The drawn mouse pointer, the data-folder prefixes and the debug-file singleton.
#include "wgui_misc.h"

#include "foundation/singletons.h"
#include "wgui_imagemap.h"

namespace WGUI
{

MouseCursor::MouseCursor()
{
    maps[kArrow] = ImageMaps::get("mousearrow");
    maps[kHand] = ImageMaps::get("mousehand");
    maps[kCaret] = ImageMaps::get("mousecarret");
}

void MouseCursor::draw()
{
    if (!shown || type < kArrow || type > kCaret)
        return;
    ImageMap* map = maps[type];
    if (!map)
        return;  // a missing pointer picture draws nothing
    map->setCell(cells[type]);
    map->blitAlphaRect(x - hotX[type], y - hotY[type], false, false);
}

Pathnames* Pathnames::sInstance = nullptr;

Pathnames* Pathnames::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "Pathnames");
        sInstance = new Pathnames();
    }
    return sInstance;
}

Pathnames* Pathnames::instance()
{
    if (!sInstance)
        qfSingletonNotMade("Pathnames");
    return createInstance();
}

void Pathnames::deleteInstance()
{
    qfNoteLifetime("delete", "Pathnames");
    delete sInstance;
    sInstance = nullptr;
}

Pathnames::Pathnames()
    : gameWord("omnivora"), base(""), levels(base + "levels/"), graphics(base + "graphics/"),
      sounds(base + "sounds/"), music(base + "music/"), fonts(base + "fonts/"), preferences("user:")
{
}

namespace
{
str* gDebugFile = nullptr;
}

void DebugFile::deleteInstance()
{
    qfNoteLifetime("delete", "DebugFile");
    delete gDebugFile;
    gDebugFile = nullptr;
}

}  // namespace WGUI

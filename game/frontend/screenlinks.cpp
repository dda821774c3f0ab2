// Helpers the front end's dialogs share: texts, the play screen's totals, the overlay, markup escapes.
#include "screenlinks.h"

#include <string>

#include "playscreenaccess.h"
#include "services/eatenentities.h"
#include "services/navigation.h"
#include "wgui_animation.h"
#include "wgui_button.h"
#include "wgui_font.h"
#include "wgui_imagemap.h"
#include "wgui_manager.h"
#include "wgui_shapes.h"
#include "wgui_transition.h"
#include "wgui_window.h"

namespace Game::screens
{

str text(const char* key, str a1, str a2)
{
    return WGUI::StringTable::instance()->getString(str(key), a1, a2);
}

TotalEntitiesEaten* totals(PlayScreenAccess& play)
{
    return play.getTotalEntitiesEaten(screen(Screen::kGame));
}

void drawOverlay(double opacity)
{
    if (!WGUI::Manager::hasInstance())
        return;
    WGUI::Manager* m = WGUI::Manager::instance();
    WGUI::Shapes::drawFillRect(0, 0, m->getWidth(), m->getHeight(), WGUI::Manager::defaultOverlayR,
                               WGUI::Manager::defaultOverlayG, WGUI::Manager::defaultOverlayB,
                               0.75 * opacity);
}

str escapeMarkup(const str& s)
{
    std::string out;
    for (const char* p = s.c_str(); *p; ++p)
    {
        if (*p == '<' || *p == '\\')
            out += '\\';
        out += *p;
    }
    return str(out.c_str());
}

}  // namespace Game::screens

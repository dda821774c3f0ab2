#include "frontendutil.h"

#include "wgui_font.h"
#include "wgui_manager.h"
#include "wgui_transition.h"
#include "wgui_window.h"

namespace Frontend {

WGUI::Transition* makeTransition(int type, double seconds, double angle, int type2)
{
    WGUI::Transition* t = new WGUI::Transition();
    t->setType(type);
    if (type2 >= 0)
        t->setType2(type2);
    t->setAngle(angle);
    t->setTotalTime(seconds);
    return t;
}

WGUI::Window* findScreen(const str& name)
{
    if (!WGUI::Manager::hasInstance())
        return nullptr;
    return WGUI::Manager::instance()->getChild(name);
}

str text(const str& key, const str& a1, const str& a2)
{
    return WGUI::StringTable::instance()->getString(key, a1, a2);
}

}  // namespace Frontend

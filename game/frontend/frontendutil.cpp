// The front end's string-table look-up.
#include "frontendutil.h"

#include "app/platform.h"
#include "wgui_font.h"

namespace Game::Frontend
{

str text(const str& key, const str& a1, const str& a2)
{
    return WGUI::StringTable::instance()->getString(key, a1, a2);
}

str gameVersion()
{
    return TPlatform::GetConfig(str(TPlatform::kGameVersion));
}

}  // namespace Game::Frontend

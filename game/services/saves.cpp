// Checked saves of the player's state.
#include "services/saves.h"

#include "foundation/debug.h"
#include "foundation/file.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/profiles.h"

namespace Game::services
{

bool checkSave(int writeResult, const char* what)
{
    if (writeResult == 0)
        return true;
    WriteDbg("The %s could not be saved: %s\n", what, TFile::LastSaveErrorText().c_str());
    return false;
}

bool saveProfileFiles(LevelProgress* progress, TotalEntitiesEaten* totals, Profiles* profiles)
{
    bool saved = true;
    if (progress)
        saved = checkSave(progress->writeXML(), "level progress") && saved;
    if (totals)
        saved = checkSave(totals->writeXML(), "eaten totals") && saved;
    if (profiles)
        saved = checkSave(profiles->writeXML(), "profiles") && saved;
    return saved;
}

bool activateAndSaveProfile(const str& name, TotalEntitiesEaten* totals)
{
    Profiles::instance()->setActiveProfile(name);
    LevelProgress::instance()->setActiveProfile();
    if (totals)
        totals->setActiveProfile();
    return saveProfileFiles(LevelProgress::instance(), totals, Profiles::instance());
}

}  // namespace Game::services

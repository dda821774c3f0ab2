// Start-up reconciliation of the per-profile records with the profile list.
#include "services/profilereconcile.h"

#include <vector>

#include "foundation/debug.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/profiles.h"
#include "services/saves.h"

namespace Game::services
{

namespace
{

bool isEmptyRecord(LevelProgressProfile* p)
{
    for (LevelMode mode : kLevelModes)
        if (!p->getMode(mode).empty())
            return false;
    return true;
}

bool isEmptyRecord(TotalEntitiesEatenProfile* p)
{
    return p->getTotal() == 0;
}

// One store: returns true when it changed (records joined, or names added to Profiles).
template <class Store>
bool reconcileStore(Store* store, Profiles* profiles, const char* what, bool& profilesChanged)
{
    std::vector<str> orphans;
    for (int i = 0; i < store->getNumProfiles(); ++i)
    {
        const str& name = store->getProfile(i)->getName();
        // The unnamed record stands for "no active profile": nothing to reach.
        if (!name.empty() && !profiles->profileExists(name))
            orphans.push_back(name);
    }
    if (orphans.empty())
        return false;
    std::vector<str> lacking;
    for (const str& name : profiles->getNames())
    {
        bool empty = true;
        for (int i = 0; i < store->getNumProfiles(); ++i)
            if (store->getProfile(i)->getName() == name && !isEmptyRecord(store->getProfile(i)))
                empty = false;
        if (empty)
            lacking.push_back(name);
    }
    if (orphans.size() == 1 && lacking.size() == 1)
    {
        // A rename that reached this store but not the profile list: undo it here.
        store->removeProfile(lacking[0]);
        store->changePlayerName(orphans[0], lacking[0]);
        WriteDbg("The %s of \"%s\" belong to \"%s\" again", what, orphans[0].c_str(), lacking[0].c_str());
    }
    else
    {
        for (const str& name : orphans)
        {
            profiles->addProfile(name);
            WriteDbg("The %s of \"%s\" were listed under no profile: added it", what, name.c_str());
        }
        profilesChanged = true;
    }
    store->setActiveProfile();
    return true;
}

}  // namespace

bool reconcileProfileRecords(LevelProgress* progress, TotalEntitiesEaten* totals)
{
    Profiles* profiles = Profiles::instance();
    bool profilesChanged = false;
    bool progressChanged = progress && reconcileStore(progress, profiles, "level progress", profilesChanged);
    bool totalsChanged = totals && reconcileStore(totals, profiles, "eaten totals", profilesChanged);
    saveProfileFiles(progressChanged ? progress : nullptr, totalsChanged ? totals : nullptr,
                     profilesChanged ? profiles : nullptr);
    return progressChanged || totalsChanged || profilesChanged;
}

}  // namespace Game::services

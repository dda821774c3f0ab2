// Saving the player's state: every save's outcome is checked, and a failed one is logged with
// its cause from the file layer ("No space left on device"), so a lost save never goes unseen.
#pragma once

#include "foundation/str.h"

namespace Game
{

class LevelProgress;
class Profiles;
class TotalEntitiesEaten;

namespace services
{

// The outcome of a writeXML() (0 when written). A failure logs "The <what> could not be saved:
// <cause>". True when the file was written.
bool checkSave(int writeResult, const char* what);

// Saves the per-player records, then the profile list, in the order the profile screens and the
// start-up repairs keep: levelprogress.xml, eatenentities.xml, profiles.xml. A null one is passed
// over; a failure does not stop the later saves. True when every one given was written.
bool saveProfileFiles(LevelProgress* progress, TotalEntitiesEaten* totals, Profiles* profiles);

// Makes name the active profile of the list, the level progress and the eaten totals (which may
// be null), then saves the three as saveProfileFiles does. True when every file was written.
bool activateAndSaveProfile(const str& name, TotalEntitiesEaten* totals);

}  // namespace services

}  // namespace Game

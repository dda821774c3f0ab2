// Keeping the per-player records of level progress and eaten totals reachable from the profile
// list. The three files are saved one after the other, so a crash between two saves (during a
// rename, say) can leave a record under a name that profiles.xml does not list. At start such a
// record is joined to the listed profile it was renamed from (the one listed name whose record
// in that store is missing or empty, when there is exactly one of each), or else its name is
// added to the profile list, so it can be chosen again. Nothing is ever dropped.
#pragma once

namespace Game
{

class LevelProgress;
class TotalEntitiesEaten;

namespace services
{

// Reconciles both stores with Profiles (either store may be null) and saves what changed.
// True when anything changed.
bool reconcileProfileRecords(LevelProgress* progress, TotalEntitiesEaten* totals);

}  // namespace services

}  // namespace Game

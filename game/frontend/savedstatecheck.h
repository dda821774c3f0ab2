// The start-up's care of the saved games: temporaries of interrupted saves are removed before
// anything is read; once every saved file is read and the screens exist, records that a crash
// left under a name no profile lists are joined up again, and the player gets one notice saying
// which saved files were restored from their backup or, when nothing could be read, that a copy
// was kept and that part starts afresh.
#pragma once

#include <vector>

#include "foundation/savedstate.h"
#include "foundation/str.h"

namespace Game
{

class TotalEntitiesEaten;

namespace SavedStateCheck
{

// Before the first saved file is read.
void prepare();
// After the start-up read everything; shows the notice on "noticewindow" when there is news.
void afterStartUp(TotalEntitiesEaten* totals);

// The notice's text for the reports ("" when there are none).
str noticeText(const std::vector<TSavedStateReport>& reports);

}  // namespace SavedStateCheck

}  // namespace Game

// The start-up's checks of the saved games and the notice of what was restored or started afresh.
#include "savedstatecheck.h"

#include <cstring>

#include "noticewindow.h"
#include "services/levelprogress.h"
#include "services/profilereconcile.h"

namespace Game::SavedStateCheck
{

namespace
{

// What each saved file holds, as the player knows it.
struct SavedFileLabel
{
    const char* file;
    const char* key;
};
const SavedFileLabel kLabels[] = {
    {"options.xml", "savedoptions"},
    {"profiles.xml", "savedprofiles"},
    {"levelprogress.xml", "savedlevelprogress"},
    {"eatenentities.xml", "savedeatentotals"},
    {"hiscore.dat", "savedhiscores"},
    {"time.dat", "savedplaytime"},
};

str labelOf(const std::string& file)
{
    for (const SavedFileLabel& l : kLabels)
        if (file == l.file)
            return screens::text(l.key);
    return str(file.c_str());
}

}  // namespace

void prepare()
{
    RemoveInterruptedSaves();
}

str noticeText(const std::vector<TSavedStateReport>& reports)
{
    str text;
    for (const TSavedStateReport& r : reports)
    {
        str line;
        if (r.mRestored)
            line = screens::text("savedrestored", labelOf(r.mFile));
        else
        {
            const size_t slash = r.mDamagedCopy.rfind('/');
            const std::string copy =
                slash == std::string::npos ? r.mDamagedCopy : r.mDamagedCopy.substr(slash + 1);
            line = screens::text("savedlost", labelOf(r.mFile), str(copy.c_str()));
        }
        if (!text.empty())
            text += "\n\n";
        text += line;
    }
    return text;
}

void afterStartUp(TotalEntitiesEaten* totals)
{
    services::reconcileProfileRecords(LevelProgress::instance(), totals);
    const std::vector<TSavedStateReport> reports = TakeSavedStateReports();
    if (reports.empty())
        return;
    if (NoticeWindow* notice = screenOf<NoticeWindow>())
        notice->showNotice(screens::text("savednoticetitle"), noticeText(reports));
}

}  // namespace Game::SavedStateCheck

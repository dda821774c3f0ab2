// The per-player records a service keeps (owned pointers, one per profile name) and the index
// of the active one: finding, removing and renaming them the same way in every service.
#pragma once

#include <vector>

#include "foundation/str.h"

namespace Game::ProfileRecords
{

// Index of the first record named name, or -1.
template <class Record>
int indexOf(const std::vector<Record*>& records, const str& name)
{
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i]->getName() == name)
            return static_cast<int>(i);
    return -1;
}

// Deletes the first record named name. The active index stays on the same record, or becomes
// -1 when the removed one was active.
template <class Record>
void remove(std::vector<Record*>& records, int& activeIndex, const str& name)
{
    const int removed = indexOf(records, name);
    if (removed < 0)
        return;
    delete records[static_cast<size_t>(removed)];
    records.erase(records.begin() + removed);
    if (activeIndex == removed)
        activeIndex = -1;
    else if (activeIndex > removed)
        --activeIndex;
}

// Renames every record named oldName.
template <class Record>
void rename(const std::vector<Record*>& records, const str& oldName, const str& newName)
{
    for (Record* r : records)
        if (r->getName() == oldName)
            r->setName(newName);
}

}  // namespace Game::ProfileRecords

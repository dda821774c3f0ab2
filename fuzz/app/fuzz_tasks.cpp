// Task lists driven by bytes: tasks adopt, orphan, destroy, re-adopt and delete tasks (their own
// list's included) from inside their walks, and the test owns what it orphans. Every task must
// be deleted exactly once, by its list or by its owner, and no orphaned task may stay listed.
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <vector>

#include "app/task.h"

namespace
{
struct Script
{
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    unsigned Next() { return at < size ? data[at++] : 0u; }
};

const size_t kMaxTasks = 64;
std::vector<TTask*> gAlive;  // live tasks in the order they were made
std::vector<TTask*> gOwned;  // orphaned by the script: the script deletes or re-adopts them
TTaskList* gList = nullptr;
Script* gScript = nullptr;

bool IsOwned(TTask* task)
{
    for (TTask* owned : gOwned)
        if (owned == task)
            return true;
    return false;
}

TTask* TakeOwned(unsigned pick)
{
    if (gOwned.empty())
        return nullptr;
    size_t i = pick % gOwned.size();
    TTask* task = gOwned[i];
    gOwned.erase(gOwned.begin() + static_cast<long>(i));
    return task;
}

struct FuzzTask : TTask
{
    FuzzTask() { gAlive.push_back(this); }
    ~FuzzTask() override
    {
        auto it = std::find(gAlive.begin(), gAlive.end(), this);
        if (it == gAlive.end())
            abort();  // deleted twice
        gAlive.erase(it);
    }
    // Once the script is used up nothing is ready, so every walk ends.
    bool Ready(ETaskContext context) override
    {
        return gScript->More() && (gScript->Next() & 3) != unsigned(context);
    }
    bool DoTask() override
    {
        if (!gScript->More())
            return true;
        const unsigned op = gScript->Next();
        switch (op % 9)
        {
        case 0:
            if (gAlive.size() < kMaxTasks)
                gList->AdoptTask(new FuzzTask);
            break;
        case 1:
            if (gList->OrphanTask(this))
                gOwned.push_back(this);
            break;
        case 2: gList->DestroyAll(); break;
        case 3: return false;
        case 4:
            if (TTask* task = TakeOwned(op >> 4))
                gList->AdoptTask(task);
            break;
        case 5:
        {
            // Orphan some other live task (it may not be in this list: then nothing happens).
            TTask* task = gAlive[(op >> 4) % gAlive.size()];
            if (!IsOwned(task) && gList->OrphanTask(task))
                gOwned.push_back(task);
            break;
        }
        case 6:
            // An owner deletes what it orphaned, even during the walk.
            if (TTask* task = TakeOwned(op >> 4))
            {
                if (task == this)
                    gOwned.push_back(task);
                else
                    delete task;
            }
            break;
        case 7:
            gList->AdoptTask(this);  // listed already: at most cancels an orphaning
            for (size_t i = 0; i < gOwned.size(); ++i)
                if (gOwned[i] == this)
                    gOwned.erase(gOwned.begin() + static_cast<long>(i));
            break;
        default: break;
        }
        return true;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Script script{data, size};
    gScript = &script;
    {
        TTaskList list;
        gList = &list;
        for (unsigned n = script.Next() % 8; n > 0; --n)
            list.AdoptTask(new FuzzTask);
        for (int steps = 0; steps < 64 && script.More(); ++steps)
        {
            const unsigned op = script.Next();
            switch (op % 5)
            {
            case 0:
            case 1: list.DoAll(op & 8 ? TTask::kContextDraw : TTask::kContextIdle); break;
            case 2:
                if (gAlive.size() < kMaxTasks)
                    list.AdoptTask(new FuzzTask);
                break;
            case 3:
                if (TTask* task = TakeOwned(op >> 4))
                    list.AdoptTask(task);
                break;
            default:
                if ((op >> 4) == 0)
                    list.DestroyAll();
                break;
            }
            for (TTask* owned : gOwned)
                if (list.Contains(owned))
                    abort();  // an orphaned task is back in the list without being adopted
        }
    }
    for (TTask* task : gOwned)
        delete task;
    gOwned.clear();
    gList = nullptr;
    gScript = nullptr;
    if (!gAlive.empty())
        abort();  // the list lost a task
    return 0;
}

// TTask and TTaskList: cooperative tasks run in the idle step, and the failure reporter.
#include "app/task.h"

#include <algorithm>
#include <cassert>

#include "foundation/debug.h"

TTask::~TTask() = default;

size_t TTaskSet::erase(TTask* task)
{
    if (!mMembers.erase(task))
        return 0;
    mOrder.erase(std::find(mOrder.begin(), mOrder.end(), task));
    return 1;
}

bool TTask::Ready(ETaskContext)
{
    return true;
}

unsigned TTask::IdleQuietMs(unsigned)
{
    return 0;
}

unsigned TTaskList::IdleQuietMs(unsigned limit) const
{
    for (TTask* task : mTasks)
    {
        if (mOrphaned.count(task))
            continue;
        const unsigned quiet = task->IdleQuietMs(limit);
        if (quiet < limit)
            limit = quiet;
        if (limit == 0)
            break;
    }
    return limit;
}

TTaskList::~TTaskList()
{
    DestroyAll();
}

bool TTaskList::Contains(const TTask* task) const
{
    return std::find(mTasks.begin(), mTasks.end(), task) != mTasks.end();
}

void TTaskList::AdoptTask(TTask* task)
{
    if (!task)
        return;
    if (Contains(task))
    {
        // Listed already: the only thing a second adoption can mean is "keep it after all".
        mOrphaned.erase(task);
        mDoomed.erase(task);
        return;
    }
    // Appending keeps every iterator of a running walk valid; the walk reaches the new task.
    mTasks.push_back(task);
}

bool TTaskList::OrphanTask(TTask* task)
{
    auto it = std::find(mTasks.begin(), mTasks.end(), task);
    if (it == mTasks.end())
        return false;
    if (mRunning)
    {
        // Only the walk unlinks nodes while it runs; the task is skipped and unlinked after it.
        mOrphaned.insert(task);
        mDoomed.erase(task);
    }
    else
    {
        mTasks.erase(it);
    }
    return true;
}

void TTaskList::DoAll(TTask::ETaskContext context)
{
    assert(!mRunning && "a task list must not be walked from inside its own walk");
    if (mRunning)
        return;
    mRunning = true;
    auto it = mTasks.begin();
    while (it != mTasks.end())
    {
        TTask* task = *it;
        if (mOrphaned.count(task) || !task->Ready(context))
        {
            ++it;
            continue;
        }
        bool keep = task->DoTask();
        // The successor is taken only now: the task may have appended tasks behind itself.
        auto next = std::next(it);
        if (!keep)
        {
            mTasks.erase(it);
            const bool doomed = mDoomed.erase(task) != 0;
            const bool orphaned = mOrphaned.erase(task) != 0;
            // An orphaned task belongs to its orphaner again and is not deleted here, unless
            // DestroyAll doomed it during this walk.
            if (doomed || !orphaned)
                delete task;
        }
        it = next;
    }
    mRunning = false;

    if (!mOrphaned.empty())
    {
        TTaskSet orphaned;
        orphaned.swap(mOrphaned);
        for (TTask* task : orphaned)
        {
            auto found = std::find(mTasks.begin(), mTasks.end(), task);
            if (found != mTasks.end())
                mTasks.erase(found);
        }
    }
    if (!mDoomed.empty())
    {
        TTaskSet doomed;
        doomed.swap(mDoomed);
        for (TTask* task : doomed)
            delete task;
    }
}

void TTaskList::DestroyAll()
{
    if (mRunning)
    {
        // A task orphaned earlier in this walk belongs to its orphaner again: dooming it too
        // would delete it under the new owner's hands.
        for (TTask* task : mTasks)
        {
            if (mOrphaned.insert(task))
                mDoomed.insert(task);
        }
        return;
    }
    // A task's destructor may touch this list again (orphan itself, adopt another task); the
    // lists are swapped out first, and whatever a destructor adopts is deleted by the next round.
    while (!mTasks.empty() || !mDoomed.empty())
    {
        std::list<TTask*> tasks;
        tasks.swap(mTasks);
        TTaskSet orphaned, doomed;
        orphaned.swap(mOrphaned);
        doomed.swap(mDoomed);
        for (TTask* task : tasks)
        {
            if (!orphaned.count(task) && !doomed.count(task))
                delete task;
        }
        for (TTask* task : doomed)
            delete task;
    }
    mOrphaned.clear();
}

TFailure::~TFailure() = default;

void TFailure::Failure(const char* text, int line, const char* file)
{
    WriteDbg("%s(%d): %s", file ? file : "", line, text ? text : "");
}

void TFailure::Status(const char* text)
{
    WriteDbg("%s", text ? text : "");
}

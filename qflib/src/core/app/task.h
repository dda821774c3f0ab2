// Cooperative tasks and task lists, and the failure reporter.
#pragma once

#include <cstddef>
#include <list>
#include <unordered_set>
#include <vector>

class TTask
{
public:
    enum ETaskContext
    {
        kContextIdle = 0,  // the event pump's idle step
        kContextDraw = 1,  // just before the window stack is drawn
    };

    virtual ~TTask();
    // Asked before every run; a task that is not ready is skipped for this walk.
    virtual bool Ready(ETaskContext context);
    // Runs the task once. true keeps it; false has its list delete it.
    virtual bool DoTask() = 0;
    // Milliseconds from now during which the task is certain not to be ready in the idle
    // context, at most `limit`; the event pump waits for events no longer than that. The
    // default, 0, suits a task that may become ready at any moment.
    virtual unsigned IdleQuietMs(unsigned limit);
};

// A set of tasks that remembers the order they were added in: a task's destructor may have
// effects that others see (messages, other tasks), so deferred deletions follow the order of
// the requests, never the tasks' addresses.
class TTaskSet
{
public:
    bool insert(TTask* task)
    {
        if (!mMembers.insert(task).second)
            return false;
        mOrder.push_back(task);
        return true;
    }
    size_t erase(TTask* task);
    size_t count(TTask* task) const { return mMembers.count(task); }
    bool empty() const { return mOrder.empty(); }
    void clear()
    {
        mOrder.clear();
        mMembers.clear();
    }
    void swap(TTaskSet& other)
    {
        mOrder.swap(other.mOrder);
        mMembers.swap(other.mMembers);
    }
    std::vector<TTask*>::const_iterator begin() const { return mOrder.begin(); }
    std::vector<TTask*>::const_iterator end() const { return mOrder.end(); }

private:
    std::vector<TTask*> mOrder;
    std::unordered_set<TTask*> mMembers;
};

// An owning list of tasks that tolerates tasks adopting, orphaning and deleting tasks (themselves
// included) while the list is being walked: whatever would break the walk is deferred until the
// walk ends. A task is listed at most once and deleted at most once.
class TTaskList
{
public:
    TTaskList() = default;
    ~TTaskList();
    TTaskList(const TTaskList&) = delete;
    TTaskList& operator=(const TTaskList&) = delete;

    // Appends the task and takes ownership. Adopting a task that is already listed does nothing,
    // except that it cancels an orphaning (or destruction) recorded during the current walk.
    void AdoptTask(TTask* task);
    // Gives the task back to the caller without deleting it. false when it is not listed.
    bool OrphanTask(TTask* task);
    // Runs every ready task once, in adoption order.
    void DoAll(TTask::ETaskContext context);
    // Deletes every task; during a walk the deletions wait until the walk ends.
    void DestroyAll();

    // The shortest IdleQuietMs of the listed tasks (limit for an empty list).
    unsigned IdleQuietMs(unsigned limit) const;

    bool IsRunning() const { return mRunning; }
    bool Contains(const TTask* task) const;
    size_t Count() const { return mTasks.size(); }

private:
    bool mRunning = false;
    std::list<TTask*> mTasks;
    TTaskSet mOrphaned;  // orphaned during the walk: skipped, unlinked after it
    TTaskSet mDoomed;    // destroyed during the walk: deleted after it, in the order doomed
};

// Reports failures and status lines to the debug output.
class TFailure
{
public:
    virtual ~TFailure();
    // Writes "file(line): text".
    virtual void Failure(const char* text, int line, const char* file);
    virtual void Status(const char* text);
};

// Cooperative tasks and task lists, and the failure reporter.
#pragma once

#include <cstddef>
#include <list>
#include <set>

class TTask {
public:
    enum ETaskContext {
        kContextIdle = 0,  // the event pump's idle step
        kContextDraw = 1,  // just before the window stack is drawn
    };

    virtual ~TTask();
    // Asked before every run; a task that is not ready is skipped for this walk.
    virtual bool Ready(ETaskContext context);
    // Runs the task once. true keeps it; false has its list delete it.
    virtual bool DoTask() = 0;
};

// An owning list of tasks that tolerates tasks adopting, orphaning and deleting tasks (themselves
// included) while the list is being walked: whatever would break the walk is deferred until the
// walk ends. A task is listed at most once and deleted at most once.
class TTaskList {
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

    bool IsRunning() const { return mRunning; }
    bool Contains(const TTask* task) const;
    size_t Count() const { return mTasks.size(); }

private:
    bool mRunning = false;
    std::list<TTask*> mTasks;
    std::set<TTask*> mOrphaned;  // orphaned during the walk: skipped, unlinked after it
    std::set<TTask*> mDoomed;    // destroyed during the walk: deleted after it
};

// Reports failures and status lines to the debug output.
class TFailure {
public:
    virtual ~TFailure();
    // Writes "file(line): text".
    virtual void Failure(const char* text, int line, const char* file);
    virtual void Status(const char* text);
};

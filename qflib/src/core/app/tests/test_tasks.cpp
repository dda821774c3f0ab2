#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/task.h"
#include "foundation/debug.h"

namespace
{

// A task whose behaviour is a script: each run calls its body; it logs its runs and deletion.
struct ScriptedTask : TTask
{
    ScriptedTask(std::string name, std::vector<std::string>* log) : name(std::move(name)), log(log) {}
    ~ScriptedTask() override { log->push_back("delete " + name); }
    bool Ready(ETaskContext context) override
    {
        lastContext = context;
        return readyIn == -1 || readyIn == int(context);
    }
    bool DoTask() override
    {
        log->push_back("run " + name);
        return body ? body() : true;
    }
    std::string name;
    std::vector<std::string>* log;
    std::function<bool()> body;
    int readyIn = -1;  // -1: ready in every context
    ETaskContext lastContext = kContextIdle;
};

class TaskListTest : public ::testing::Test
{
protected:
    ScriptedTask* Make(const std::string& name) { return new ScriptedTask(name, &log); }
    std::vector<std::string> log;
};

TEST_F(TaskListTest, RunsReadyTasksInAdoptionOrderAndDeletesThoseReturningFalse)
{
    TTaskList list;
    ScriptedTask* a = Make("a");
    ScriptedTask* b = Make("b");
    b->body = [] { return false; };
    ScriptedTask* c = Make("c");
    c->readyIn = TTask::kContextDraw;
    list.AdoptTask(a);
    list.AdoptTask(b);
    list.AdoptTask(c);

    list.DoAll(TTask::kContextIdle);
    EXPECT_EQ(log, (std::vector<std::string>{"run a", "run b", "delete b"}));
    EXPECT_EQ(list.Count(), 2u);

    log.clear();
    list.DoAll(TTask::kContextDraw);
    EXPECT_EQ(log, (std::vector<std::string>{"run a", "run c"}));
    EXPECT_EQ(c->lastContext, TTask::kContextDraw);
}

TEST_F(TaskListTest, EmptyListWalkDoesNothing)
{
    TTaskList list;
    list.DoAll(TTask::kContextIdle);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(list.IsRunning());
}

TEST_F(TaskListTest, SelfOrphanDuringWalkIsSkippedRemovedAndNotDeleted)
{
    TTaskList list;
    ScriptedTask* a = Make("a");
    ScriptedTask* b = Make("b");
    a->body = [&]
    {
        EXPECT_TRUE(list.OrphanTask(a));
        EXPECT_TRUE(list.OrphanTask(b));
        return true;
    };
    list.AdoptTask(a);
    list.AdoptTask(b);
    list.DoAll(TTask::kContextIdle);
    EXPECT_EQ(log, (std::vector<std::string>{"run a"}));
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(list.Contains(a));
    delete a;
    delete b;
}

TEST_F(TaskListTest, SelfOrphanThenFalseIsUnlinkedButNotDeleted)
{
    TTaskList list;
    ScriptedTask* a = Make("a");
    a->body = [&]
    {
        list.OrphanTask(a);
        return false;
    };
    list.AdoptTask(a);
    list.DoAll(TTask::kContextIdle);
    EXPECT_EQ(log, (std::vector<std::string>{"run a"}));
    EXPECT_EQ(list.Count(), 0u);
    delete a;  // the orphaner owns it again
    EXPECT_EQ(log.back(), "delete a");
}

TEST_F(TaskListTest, TaskAdoptedDuringWalkRunsInSameWalkEvenFromTheLastTask)
{
    TTaskList list;
    ScriptedTask* a = Make("a");
    ScriptedTask* b = Make("b");
    ScriptedTask* late = Make("late");
    late->body = [] { return false; };
    b->body = [&]
    {
        list.AdoptTask(late);
        return true;
    };
    list.AdoptTask(a);
    list.AdoptTask(b);
    list.DoAll(TTask::kContextIdle);
    EXPECT_EQ(log, (std::vector<std::string>{"run a", "run b", "run late", "delete late"}));
}

TEST_F(TaskListTest, DestroyAllInsideDoTaskDeletesEveryTaskAfterTheWalk)
{
    for (int calls : {1, 2})
    {
        log.clear();
        TTaskList list;
        // Made in the reverse of their list order, so that an order by address shows.
        ScriptedTask* c = Make("c");
        ScriptedTask* b = Make("b");
        ScriptedTask* a = Make("a");
        b->body = [&]
        {
            for (int i = 0; i < calls; ++i)
                list.DestroyAll();
            return true;
        };
        list.AdoptTask(a);
        list.AdoptTask(b);
        list.AdoptTask(c);
        list.DoAll(TTask::kContextIdle);
        // c is skipped; each task is deleted exactly once, after the walk, in list order.
        EXPECT_EQ(log, (std::vector<std::string>{"run a", "run b", "delete a", "delete b", "delete c"}))
            << "DestroyAll called " << calls << " times";
        EXPECT_EQ(list.Count(), 0u);
    }
}

TEST_F(TaskListTest, DestroyAllInsideDoTaskOfATaskReturningFalseDeletesItOnce)
{
    TTaskList list;
    ScriptedTask* a = Make("a");
    a->body = [&]
    {
        list.DestroyAll();
        return false;
    };
    list.AdoptTask(a);
    list.DoAll(TTask::kContextIdle);
    EXPECT_EQ(log, (std::vector<std::string>{"run a", "delete a"}));
}

TEST_F(TaskListTest, DoubleAdoptionListsOnceAndDeletesOnce)
{
    {
        TTaskList list;
        ScriptedTask* a = Make("a");
        list.AdoptTask(a);
        list.AdoptTask(a);
        EXPECT_EQ(list.Count(), 1u);
        list.DoAll(TTask::kContextIdle);
        EXPECT_EQ(log, (std::vector<std::string>{"run a"}));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"run a", "delete a"}));
}

TEST_F(TaskListTest, ReadoptingATaskOrphanedDuringTheWalkCancelsTheOrphaning)
{
    TTaskList list;
    ScriptedTask* a = Make("a");
    ScriptedTask* b = Make("b");
    a->body = [&]
    {
        list.OrphanTask(b);
        list.AdoptTask(b);
        return true;
    };
    list.AdoptTask(a);
    list.AdoptTask(b);
    list.DoAll(TTask::kContextIdle);
    EXPECT_EQ(log, (std::vector<std::string>{"run a", "run b"}));
    EXPECT_TRUE(list.Contains(b));
    EXPECT_EQ(list.Count(), 2u);
}

TEST_F(TaskListTest, TaskOrphanedBeforeADestroyAllInTheSameWalkStaysWithItsOrphaner)
{
    // Whichever task does the orphaning and whichever the DestroyAll, the orphaned task is the
    // orphaner's again: the list neither runs nor deletes it; every other task is deleted once.
    struct Case
    {
        int orphaner, victim, destroyer;
    };
    const Case cases[] = {{0, 2, 1}, {0, 0, 1}, {1, 0, 2}, {2, 1, 2}, {0, 1, 0}};
    for (const Case& c : cases)
    {
        log.clear();
        TTaskList list;
        std::vector<ScriptedTask*> tasks = {Make("t0"), Make("t1"), Make("t2")};
        ScriptedTask* victim = tasks[c.victim];
        ScriptedTask* orphaner = tasks[c.orphaner];
        ScriptedTask* destroyer = tasks[c.destroyer];
        orphaner->body = [&, orphaner, destroyer]
        {
            EXPECT_TRUE(list.OrphanTask(victim));
            if (destroyer == orphaner)
                list.DestroyAll();
            return true;
        };
        if (destroyer != orphaner)
            destroyer->body = [&]
            {
                list.DestroyAll();
                return true;
            };
        for (ScriptedTask* t : tasks)
            list.AdoptTask(t);
        list.DoAll(TTask::kContextIdle);

        const std::string where = "orphaner t" + std::to_string(c.orphaner) + ", victim t" +
                                  std::to_string(c.victim) + ", destroyer t" + std::to_string(c.destroyer);
        for (int i = 0; i < 3; ++i)
        {
            const long deletions = std::count(log.begin(), log.end(), "delete t" + std::to_string(i));
            EXPECT_EQ(deletions, i == c.victim ? 0 : 1) << where << ": t" << i;
        }
        EXPECT_EQ(list.Count(), 0u) << where;
        log.clear();
        const std::string victimName = victim->name;  // still alive: it is ours again
        delete victim;
        EXPECT_EQ(log, std::vector<std::string>{"delete " + victimName}) << where;
    }
}

TEST_F(TaskListTest, OrphanOfUnknownTaskReturnsFalseAndChangesNothing)
{
    TTaskList list;
    ScriptedTask* a = Make("a");
    ScriptedTask stranger("stranger", &log);
    list.AdoptTask(a);
    EXPECT_FALSE(list.OrphanTask(&stranger));
    EXPECT_FALSE(list.OrphanTask(nullptr));
    EXPECT_EQ(list.Count(), 1u);
}

TEST_F(TaskListTest, OrphanOutsideWalkRemovesAtOnceWithoutDeleting)
{
    TTaskList list;
    ScriptedTask* a = Make("a");
    list.AdoptTask(a);
    EXPECT_TRUE(list.OrphanTask(a));
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_TRUE(log.empty());
    delete a;
}

TEST_F(TaskListTest, DestroyAllOutsideWalkAndDestructorDeleteEveryTask)
{
    auto* list = new TTaskList;
    list->AdoptTask(Make("a"));
    list->AdoptTask(Make("b"));
    list->DestroyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"delete a", "delete b"}));
    list->AdoptTask(Make("c"));
    delete list;
    EXPECT_EQ(log.back(), "delete c");
}

TEST_F(TaskListTest, TaskThatDeletesAnotherThroughOrphanAndDeleteDuringWalk)
{
    TTaskList list;
    ScriptedTask* a = Make("a");
    ScriptedTask* b = Make("b");
    a->body = [&]
    {
        list.OrphanTask(b);
        return true;
    };
    list.AdoptTask(a);
    list.AdoptTask(b);
    list.DoAll(TTask::kContextIdle);
    delete b;  // safe: the list no longer refers to it
    list.DoAll(TTask::kContextIdle);
    EXPECT_EQ(log, (std::vector<std::string>{"run a", "delete b", "run a"}));
}

TEST(FailureTest, WritesFileLineAndTextAndStatusLines)
{
    std::vector<std::string> lines;
    qfSetDbgSink([&](const char* line) { lines.push_back(line); });
    TFailure failure;
    failure.Failure("bad thing", 42, "thing.cpp");
    failure.Status("all well");
    qfSetDbgSink(TDbgSink());
    EXPECT_EQ(lines, (std::vector<std::string>{"thing.cpp(42): bad thing", "all well"}));
}

}  // namespace

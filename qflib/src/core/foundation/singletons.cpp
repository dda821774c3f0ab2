// The singleton look-up rule: a program stops on a look-up of something not made.
#include "foundation/singletons.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "foundation/debug.h"

namespace
{

std::atomic<TSingletonLookUp> gRule{TSingletonLookUp::kStartUpMakesThem};
std::mutex gRecordLock;
std::vector<std::string> gRecorded;

}  // namespace

void qfSetSingletonLookUp(TSingletonLookUp rule)
{
    gRule.store(rule);
}

void qfSingletonNotMade(const char* name)
{
    switch (gRule.load())
    {
    case TSingletonLookUp::kMakeOnFirstLookUp: return;
    case TSingletonLookUp::kRecordAndMake:
    {
        std::lock_guard<std::mutex> lock(gRecordLock);
        gRecorded.push_back(name ? name : "?");
        return;
    }
    case TSingletonLookUp::kStartUpMakesThem: break;
    }
    WriteDbg("%s was looked up before the start-up made it\n", name ? name : "?");
    std::fprintf(stderr, "%s was looked up before the start-up made it\n", name ? name : "?");
    std::abort();
}

std::vector<std::string> qfTakeSingletonsMadeOnLookUp()
{
    std::lock_guard<std::mutex> lock(gRecordLock);
    std::vector<std::string> out;
    out.swap(gRecorded);
    return out;
}

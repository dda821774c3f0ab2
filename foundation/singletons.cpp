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
std::atomic<bool> gRecordLifetime{false};
std::vector<std::string> gLifetime;

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

void qfRecordLifetime(bool on)
{
    gRecordLifetime.store(on);
}

void qfNoteLifetime(const char* verb, const char* name)
{
    if (!gRecordLifetime.load())
        return;
    std::lock_guard<std::mutex> lock(gRecordLock);
    gLifetime.push_back(std::string(verb ? verb : "?") + " " + (name ? name : "?"));
}

std::vector<std::string> qfTakeLifetimeRecord()
{
    std::lock_guard<std::mutex> lock(gRecordLock);
    std::vector<std::string> out;
    out.swap(gLifetime);
    return out;
}

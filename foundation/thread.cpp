// TMutex and TThread.
#include "foundation/thread.h"

#include <cstdint>
#include <system_error>

TMutex::TMutex()
    : mName(str::getFormatted("ZestKitMutex.%08x",
                              static_cast<unsigned int>(reinterpret_cast<uintptr_t>(this))))
{
}

TMutex::~TMutex() = default;

bool TMutex::Lock(int /*timeout*/)
{
    mMutex.lock();
    return true;
}

void TMutex::Unlock()
{
    mMutex.unlock();
}

TThread::TThread() : mQuit(std::make_shared<std::atomic<bool>>(false))
{
}

TThread::~TThread()
{
    Stop();
}

bool TThread::StartTask()
{
    if (mThread.joinable())
        return false;
    std::shared_ptr<std::atomic<bool>> quit = mQuit;
    try
    {
        mThread = std::thread([this, quit]() { Task(quit.get()); });
    }
    catch (const std::system_error&)
    {
        return false;
    }
    return true;
}

void TThread::Stop()
{
    if (!mThread.joinable())
        return;
    mQuit->store(true);
    WakeForStop();
    mThread.join();
    mQuit->store(false);
}

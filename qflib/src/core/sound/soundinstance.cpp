// TSoundInstance and its completion observer.
#include "sound/soundinstance.h"

#include "sound/sound.h"
#include "sound/soundmutex.h"
#include "sound/soundstream.h"

// ---- TSoundCallBack ----

TSoundCallBack::TSoundCallBack()
{
}

TSoundCallBack::~TSoundCallBack()
{
    Detach();
}

void TSoundCallBack::Detach()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    std::set<std::weak_ptr<TSoundInstance>, std::owner_less<std::weak_ptr<TSoundInstance>>> watched;
    watched.swap(mInstances);
    for (const std::weak_ptr<TSoundInstance>& weak : watched)
    {
        if (std::shared_ptr<TSoundInstance> instance = weak.lock())
        {
            if (instance->mCallback == this)
                instance->mCallback = nullptr;
        }
    }
}

// ---- TSoundInstance ----

TSoundInstance::TSoundInstance(TSoundStream* stream) : mStream(stream), mCallback(nullptr)
{
}

TSoundInstance::~TSoundInstance()
{
}

void TSoundInstance::Kill()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    std::shared_ptr<TSoundInstance> self = weak_from_this().lock();
    std::shared_ptr<TSound> sound = mSound.lock();
    // A destroyed sound has already killed everything it played.
    if (self && sound)
        sound->KillInstance(self);
}

void TSoundInstance::SetCompleteAction(TSoundCallBack* callback, std::shared_ptr<TSound> next)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    std::shared_ptr<TSoundInstance> self = weak_from_this().lock();
    std::shared_ptr<TSound> sound = mSound.lock();
    if (self && sound)
    {
        sound->SetCompleteAction(self, callback, next);
    }
    else if (!callback && !next)
    {
        mCallback = nullptr;  // detaching needs no sound
    }
}

bool TSoundInstance::IsPlaying() const
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    // A finished stream stays with its instance (silent) until the instance is killed or let go.
    return mStream != nullptr && !mStream->NoticeGiven();
}

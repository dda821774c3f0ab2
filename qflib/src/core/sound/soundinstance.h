// One playing copy of a sound, and the completion observer that can be attached to it.
#pragma once

#include <memory>
#include <set>

class TSound;
class TSoundStream;
class TSoundInstance;

// Told when an instance it is attached to ends: at the end of its sound, when it is killed,
// and at the join of a chained sound (then `next` is the sound that follows). Runs with
// SoundManagerMutex::mMutex held, on the sound thread or in the main thread's notification pass;
// it may call back into the sound code but must never wait for another thread.
class TSoundCallBack
{
public:
    TSoundCallBack();
    virtual ~TSoundCallBack();
    TSoundCallBack(const TSoundCallBack&) = delete;
    TSoundCallBack& operator=(const TSoundCallBack&) = delete;

    virtual void OnComplete(std::shared_ptr<TSoundInstance> instance, std::shared_ptr<TSound> next) = 0;

    // Detaches from every instance still alive, so no OnComplete reaches this object any more.
    // Derived destructors call it first (the sound thread could otherwise call OnComplete while
    // the derived part is being destroyed); the base destructor calls it again.
    void Detach();

    // The instances it is attached to; callers hold SoundManagerMutex::mMutex.
    std::set<std::weak_ptr<TSoundInstance>, std::owner_less<std::weak_ptr<TSoundInstance>>> mInstances;
};

class TSoundInstance : public std::enable_shared_from_this<TSoundInstance>
{
public:
    explicit TSoundInstance(TSoundStream* stream);
    virtual ~TSoundInstance();
    TSoundInstance(const TSoundInstance&) = delete;
    TSoundInstance& operator=(const TSoundInstance&) = delete;

    // Stops it now. Nothing when its sound has already been destroyed.
    void Kill();
    // Completion observer and optional chained sound (see TSound::SetCompleteAction). Nothing
    // when its sound has already been destroyed.
    void SetCompleteAction(TSoundCallBack* callback, std::shared_ptr<TSound> next);
    // True while a stream plays it and has not reached its end.
    bool IsPlaying() const;

    // State shared with the streams and sounds; callers hold SoundManagerMutex::mMutex.
    TSoundStream* mStream;         // not owned; cleared by the stream's destructor
    std::weak_ptr<TSound> mSound;  // after a chain step: the chained sound
    std::weak_ptr<TSound> mNextSound;
    TSoundCallBack* mCallback;  // not owned
};

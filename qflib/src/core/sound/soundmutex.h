// The two locks of the sound code. Always taken in this order: SoundManagerMutex::mMutex before
// TLockSoundMutex::mMutex (refills read data sources while the manager lock is held).
#pragma once

#include "foundation/thread.h"

// Guards the sound manager's registry, delayed list, type volumes, every stream operation, the
// live sets of sounds and callbacks, and every OpenAL call of the framework. Recursive.
struct SoundManagerMutex
{
    static TMutex mMutex;
};

// Guards reads of sound data sources (their decoders and read positions).
struct TLockSoundMutex
{
    static TMutex mMutex;
};

// Holds a TMutex for one scope.
class TSoundLock
{
public:
    explicit TSoundLock(TMutex& mutex) : mMutex(mutex) { mMutex.Lock(-1); }
    ~TSoundLock() { mMutex.Unlock(); }
    TSoundLock(const TSoundLock&) = delete;
    TSoundLock& operator=(const TSoundLock&) = delete;

private:
    TMutex& mMutex;
};

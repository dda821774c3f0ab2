// Sounds: shared, cached assets got by name. Playing one gives a TSoundInstance.
#pragma once

#include <memory>
#include <set>

#include "foundation/asset.h"
#include "foundation/str.h"
#include "sound/sounddatasource.h"
#include "sound/soundinstance.h"
#include "sound/soundstream.h"

class TSound;

// The state behind a TSound, and the notify its streams report their end to.
class TSoundData : public TStreamNotify
{
public:
    TSoundData();
    ~TSoundData() override;

    void StreamFinished(TSoundStream* stream) override;

    // Live instances (holding them here keeps them alive); guarded by SoundManagerMutex::mMutex.
    std::set<std::shared_ptr<TSoundInstance>> mInstances;
    int mGroup;
    std::shared_ptr<TSoundDataSource> mSource;  // empty when no file was found
    str mName;                                  // main thread only
    TSound* mOwner;
};

class TSound : public TAsset
{
    QF_ASSET_CLASS(TSound, TAsset)

public:
    TSound();
    ~TSound() override;

    // The sound under `name` ("file?group=N" picks the group). inMemoryOk lets a short sound be
    // decoded into memory (effects); false always streams from the file (music). Empty for an
    // empty name; a sound without a source (and silent) when no file is found.
    static std::shared_ptr<TSound> Get(str name, bool inMemoryOk, int group);
    static std::shared_ptr<TSound> InternalGet(str key);
    static std::shared_ptr<TSound> InternalNew(str key);

    // Starts one playing instance; empty when the sound has no source or there is no manager.
    std::shared_ptr<TSoundInstance> Play(bool loop);
    void Kill();
    bool KillInstance(std::shared_ptr<TSoundInstance> instance);
    void SetCompleteAction(std::shared_ptr<TSoundInstance> instance, TSoundCallBack* callback,
                           std::shared_ptr<TSound> next);
    float GetSoundLength();
    str GetName();
    std::shared_ptr<TSound> GetRef();  // empty when the sound is being destroyed

    const std::shared_ptr<TSoundData>& GetData() const { return mData; }
    // The sound's file was found and can be played (it has a data source).
    bool HasSource() const { return mData && mData->mSource; }

private:
    std::shared_ptr<TSoundData> mData;
};

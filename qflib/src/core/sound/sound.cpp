// TSound: the cached sound asset and its playing.
#include "sound/sound.h"

#include "foundation/assetmanager.h"
#include "foundation/debug.h"
#include "sound/soundmanager.h"
#include "sound/soundmutex.h"

// ---- TSoundData ----

TSoundData::TSoundData() : mGroup(0), mOwner(nullptr)
{
}

TSoundData::~TSoundData()
{
}

void TSoundData::StreamFinished(TSoundStream* stream)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    const bool chainStep = stream->IsReportingChainStep();
    stream->ClearFinishedNotify();
    // Keeps the sound alive through the callback; empty when it is already being destroyed.
    std::shared_ptr<TSound> owner = mOwner ? mOwner->GetRef() : std::shared_ptr<TSound>();
    TSoundManager* manager = TSoundManager::GetInstance();
    const bool shuttingDown = !manager || manager->IsShuttingDown();

    std::shared_ptr<TSoundInstance> instance = stream->GetInstance().lock();
    if (!instance)
        return;

    std::shared_ptr<TSound> next;
    if (chainStep)
    {
        // This sound's part is over; the instance goes on with the chained sound.
        next = instance->mSound.lock();
    }
    else
    {
        next = instance->mNextSound.lock();
        instance->mNextSound.reset();
    }

    if (TSoundCallBack* callback = instance->mCallback)
    {
        if (!chainStep)
        {
            // The instance has ended: the observer is told once and let go.
            callback->mInstances.erase(instance);
            instance->mCallback = nullptr;
        }
        if (!shuttingDown)
            callback->OnComplete(instance, next);
    }
    if (chainStep || !next)
        mInstances.erase(instance);
}

// ---- TSound ----

TSound::TSound() : mData(std::make_shared<TSoundData>())
{
    mData->mOwner = this;
}

TSound::~TSound()
{
    Kill();
    TSoundLock lock(SoundManagerMutex::mMutex);
    mData->mOwner = nullptr;
}

std::shared_ptr<TSound> TSound::InternalGet(str key)
{
    TAssetManager* manager = TAssetManager::GetInstance();
    if (!manager)
        return std::shared_ptr<TSound>();
    std::shared_ptr<TAsset> asset = manager->GetAsset(key);
    if (!asset)
        return std::shared_ptr<TSound>();
    return asset->GetCast<TSound>();
}

std::shared_ptr<TSound> TSound::InternalNew(str key)
{
    std::shared_ptr<TSound> sound = std::make_shared<TSound>();
    if (TAssetManager* manager = TAssetManager::GetInstance())
        manager->AddAsset(key, sound);
    return sound;
}

std::shared_ptr<TSound> TSound::Get(str name, bool inMemoryOk, int group)
{
    if (name.length() == 0)
        return std::shared_ptr<TSound>();

    str cut = name;
    const unsigned int question = name.find('?');
    if (question != 0xFFFFFFFFu)
    {
        cut = name.substr(0, static_cast<int>(question));
        const unsigned int at = name.find(str("group="), 0, question);
        if (at != 0xFFFFFFFFu)
            group = name.substr(at + 6).to_int();
    }
    const str key = str::getFormatted("%s;%d;%d", cut.c_str(), inMemoryOk ? 1 : 0, group);
    if (std::shared_ptr<TSound> cached = InternalGet(key))
        return cached;

    std::shared_ptr<TSound> sound = InternalNew(key);
    std::shared_ptr<TSoundDataSource> source = TSoundDataSourceFactory::Create(cut, !inMemoryOk);
    if (!source)
        WriteDbg("TSound::Get: No valid sound file found: %s", cut.c_str());
    TSoundLock lock(SoundManagerMutex::mMutex);
    // A private copy: the sound may die on the sound thread, and str records are not shared
    // across threads.
    sound->mData->mName = str(cut.c_str());
    sound->mData->mGroup = group;
    sound->mData->mSource = source;
    return sound;
}

std::shared_ptr<TSoundInstance> TSound::Play(bool loop)
{
    if (!mData)
    {
        WriteDbg("Play of uninitialized sound");
        return std::shared_ptr<TSoundInstance>();
    }
    TSoundLock lock(SoundManagerMutex::mMutex);
    std::shared_ptr<TSoundDataSource> source = mData->mSource;
    if (!source)
        return std::shared_ptr<TSoundInstance>();
    TSoundManager* manager = TSoundManager::GetInstance();
    if (!manager)
    {
        WriteDbg("No Sound Manager");
        return std::shared_ptr<TSoundInstance>();
    }

    std::shared_ptr<TSoundStream> stream =
        std::make_shared<TSoundStream>(manager, new TStreamSpooler(source), loop, mData->mGroup, mData);
    std::shared_ptr<TSoundInstance> instance = std::make_shared<TSoundInstance>(stream.get());
    instance->mSound = GetRef();
    mData->mInstances.insert(instance);
    // Playing goes on whatever Init says: an unregistered stream dies below and reports its
    // end, leaving the caller an instance that plays nothing.
    stream->Init(source->GetBitRate(), source->GetChannels(), 16, 2.0f);
    stream->Play(false);
    stream->SetInstance(instance);
    return instance;
}

void TSound::Kill()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    const std::set<std::shared_ptr<TSoundInstance>> live = mData->mInstances;
    for (const std::shared_ptr<TSoundInstance>& instance : live)
        KillInstance(instance);
}

bool TSound::KillInstance(std::shared_ptr<TSoundInstance> instance)
{
    if (!instance)
        return false;
    TSoundLock lock(SoundManagerMutex::mMutex);
    mData->mInstances.erase(instance);
    TSoundStream* stream = instance->mStream;
    if (!stream)
        return true;
    std::shared_ptr<TSoundStream> keep = stream->weak_from_this().lock();
    if (!keep)
        return true;
    // A stream that has moved on to a chained sound belongs to that sound now. One whose end
    // was already reported still plays this sound (silently) and is released here.
    std::shared_ptr<TStreamNotify> notify = stream->GetNotify().lock();
    const bool ours = notify ? notify == mData : instance->mSound.lock().get() == this;
    if (ours)
        stream->Kill(false);
    return true;
}

void TSound::SetCompleteAction(std::shared_ptr<TSoundInstance> instance, TSoundCallBack* callback,
                               std::shared_ptr<TSound> next)
{
    if (!instance)
        return;
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!next)
    {
        // Clearing the next sound withdraws the chain already handed to the stream too: the
        // stream would otherwise go on with a sound the instance no longer knows, and which
        // the instance could then not kill.
        if (instance->mStream && instance->mStream->HasNextSpooler())
            instance->mStream->SetNextStreamInfo(std::shared_ptr<TStreamNotify>(), nullptr);
        if (!callback)
        {
            if (instance->mCallback)
                instance->mCallback->mInstances.erase(instance);
            instance->mCallback = nullptr;
            instance->mNextSound.reset();
            return;
        }
        // An instance that has already ended is never reported again.
        if (instance->mStream && !instance->mStream->NoticeGiven())
        {
            callback->mInstances.insert(instance);
            instance->mSound = GetRef();
            instance->mCallback = callback;
            instance->mNextSound.reset();
        }
        return;
    }

    // An instance that has already ended (its stream, if still kept, has reported its end) is
    // not revived by a sound chained to it afterwards.
    if (!instance->mStream || instance->mStream->NoticeGiven())
        return;
    instance->mStream->SetNextStreamInfo(next->mData, new TStreamSpooler(next->mData->mSource));
    instance->mNextSound = next;
    if (callback)
    {
        callback->mInstances.insert(instance);
        instance->mCallback = callback;
    }
}

float TSound::GetSoundLength()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    return mData->mSource ? static_cast<float>(mData->mSource->GetSeconds()) : 0.0f;
}

str TSound::GetName()
{
    return str(mData->mName.c_str());
}

std::shared_ptr<TSound> TSound::GetRef()
{
    return std::static_pointer_cast<TSound>(weak_from_this().lock());
}

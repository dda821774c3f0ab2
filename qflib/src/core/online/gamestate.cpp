// TGameState: the shared text store and its chain of handlers.
#include "online/gamestate.h"

#include <climits>

#include "app/platform.h"
#include "bridge/lpcd.h"
#include "sound/soundmanager.h"

const char* const TGameState::kMute = "mute";

TGameState* TGameStateData::mGameState = nullptr;

std::vector<TGameStateHandler*>& TGameStateData::Handlers()
{
    static std::vector<TGameStateHandler*> handlers;
    return handlers;
}

const char* TGameStateHandler::GetState(const char* /*key*/, const char* value)
{
    return value;
}

namespace
{

TGameStateVolume gDefaultVolume;
TGameStateVolume* gVolume = &gDefaultVolume;

TSoundManager* PlatformSound()
{
    TPlatform* platform = TPlatform::GetInstance();
    return platform && platform->GetData() ? platform->GetSoundManager() : nullptr;
}

}  // namespace

float TGameStateVolume::GetMasterVolume()
{
    TSoundManager* sound = PlatformSound();
    return sound ? sound->GetVolume(-1) : 0.0f;
}

void TGameStateVolume::SetMasterVolume(float volume)
{
    if (TSoundManager* sound = PlatformSound())
        sound->SetVolume(volume);
}

void TGameState::SetVolumeControl(TGameStateVolume* volume)
{
    gVolume = volume ? volume : &gDefaultVolume;
}

TGameState* TGameState::GetInstance()
{
    return TGameStateData::mGameState;
}

TGameState* TGameState::CreateInstance(lua_State* scriptState)
{
    if (!TGameStateData::mGameState)
        new TGameState(scriptState);
    return TGameStateData::mGameState;
}

void TGameState::DestroyInstance()
{
    if (TGameStateData::mGameState)
    {
        delete TGameStateData::mGameState;
        return;
    }
    // No store was ever made: the registered handlers still get their shut-down work.
    std::vector<TGameStateHandler*> handlers;
    handlers.swap(TGameStateData::Handlers());
    for (TGameStateHandler* handler : handlers)
    {
        handler->ShutdownHandler();
        delete handler;
    }
}

TGameState::TGameState(lua_State* scriptState) : mData(new TGameStateData)
{
    TGameStateData::mGameState = this;
    RegisterScriptGlobals(scriptState);
}

TGameState::~TGameState()
{
    // Handlers may read the store while they shut down, so it stays whole until they are gone.
    std::vector<TGameStateHandler*> handlers;
    handlers.swap(TGameStateData::Handlers());
    for (TGameStateHandler* handler : handlers)
    {
        handler->ShutdownHandler();
        delete handler;
    }
    delete mData;
    mData = nullptr;
    if (TGameStateData::mGameState == this)
        TGameStateData::mGameState = nullptr;
}

void TGameState::RegisterHandler(TGameStateHandler* handler)
{
    if (handler)
        TGameStateData::Handlers().push_back(handler);
}

void TGameState::RegisterScriptGlobals(lua_State* L)
{
    if (!L)
        return;
    LPCD::Register(L, "GetState", this, &TGameState::GetState);
    LPCD::Register(L, "_SetState", &::SetState);
    LPCD::Register(L, "QueryMuteGame", this, &TGameState::QueryMuteGame);
    LPCD::Register(L, "QueryRestartMode", this, &TGameState::QueryRestartMode);
    LPCD::Register(L, "QueryJumpToMenu", this, &TGameState::QueryJumpToMenu);
}

void TGameState::SetState(str key, str value)
{
    // "++name": one more than the current reading of name (saturating at the int range).
    if (key.length() >= 2 && key[0] == '+' && key[1] == '+')
    {
        key = key.substr(2, -1);
        int current = GetState(key).to_int();
        value = str::getFormatted("%d", current < INT_MAX ? current + 1 : INT_MAX);
    }

    const bool isMute = key == str(kMute);
    bool wasMuted = false;
    if (isMute)
    {
        auto it = mData->mState.find(key);
        wasMuted = it != mData->mState.end() && it->second.to_int() != 0;
    }

    mData->mState[key] = value;

    // A handler may register another one while it runs; walk by index over a stable count.
    std::vector<TGameStateHandler*>& handlers = TGameStateData::Handlers();
    for (size_t i = 0; i < handlers.size(); ++i)
        if (handlers[i]->SetState(key.c_str(), value.c_str()))
            return;

    if (isMute)
    {
        const bool muted = value.to_int() != 0;
        if (muted && !wasMuted)
        {
            mData->mSavedVolume = gVolume->GetMasterVolume();
            gVolume->SetMasterVolume(0.0f);
        }
        else if (!muted && wasMuted)
        {
            gVolume->SetMasterVolume(mData->mSavedVolume);
            mData->mSavedVolume = 0.0f;
        }
    }
}

str TGameState::GetState(str key)
{
    str result = mData->mState[key];  // an absent key is entered with ""
    std::vector<TGameStateHandler*>& handlers = TGameStateData::Handlers();
    for (size_t i = 0; i < handlers.size(); ++i)
    {
        const char* answer = handlers[i]->GetState(key.c_str(), result.c_str());
        result = str(answer ? answer : "");
    }
    return result;
}

bool TGameState::QueryMuteGame()
{
    std::vector<TGameStateHandler*>& handlers = TGameStateData::Handlers();
    for (size_t i = 0; i < handlers.size(); ++i)
        if (handlers[i]->QueryMuteGame())
            return true;
    return GetState(str(kMute)).to_int() != 0;
}

bool TGameState::QueryRestartMode()
{
    std::vector<TGameStateHandler*>& handlers = TGameStateData::Handlers();
    for (size_t i = 0; i < handlers.size(); ++i)
        if (handlers[i]->QueryRestartMode())
            return true;
    return false;
}

bool TGameState::QueryJumpToMenu()
{
    std::vector<TGameStateHandler*>& handlers = TGameStateData::Handlers();
    for (size_t i = 0; i < handlers.size(); ++i)
        if (handlers[i]->QueryJumpToMenu())
            return true;
    return false;
}

void SetState(str key, str value)
{
    if (!TPlatform::GetInstance())
        return;
    if (TGameState* state = TGameState::GetInstance())
        state->SetState(key, value);
}
